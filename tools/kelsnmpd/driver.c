/*
 * driver.c - the driver's records and counters in the agent's terms; the
 * one file of kelsnmpd that knows how the driver lays out what it fills.
 */
#include "driver.h"

typedef int32_t (*counter_get)(const ifport *, uint32_t *);

static const counter_get counters[DRV_COUNTERS] = {
    [DRV_CTR_RX_OCTETS] = kel_stats_rxocts_get,
    [DRV_CTR_RX_UCAST] = kel_stats_rxucast_pkts_get,
    [DRV_CTR_RX_NUCAST] = kel_stats_rxnucast_pkts_get,
    [DRV_CTR_RX_DISCARD] = kel_stats_rxdiscard_pkts_get,
    [DRV_CTR_RX_ERROR] = kel_stats_rxerror_pkts_get,
    [DRV_CTR_UNKNOWN_PROTO] = kel_stats_unknownproto_pkts_get,
    [DRV_CTR_TX_OCTETS] = kel_stats_txocts_get,
    [DRV_CTR_TX_UCAST] = kel_stats_txucast_pkts_get,
    [DRV_CTR_TX_NUCAST] = kel_stats_txnucast_pkts_get,
    [DRV_CTR_TX_DISCARD] = kel_stats_txdiscard_pkts_get,
    [DRV_CTR_TX_ERROR] = kel_stats_txerror_pkts_get,
    [DRV_CTR_RX_MCAST] = kel_stats_rxmcast_pkts_get,
    [DRV_CTR_RX_BCAST] = kel_stats_rxbcast_pkts_get,
    [DRV_CTR_DELAY_EXCEED] = kel_stats_delay_exceed_discard_get,
    [DRV_CTR_MTU_EXCEED] = kel_stats_mtu_exceed_discard_get,
    [DRV_CTR_IN_FRAME] = kel_stats_in_frame_get,
    [DRV_CTR_OUT_FRAME] = kel_stats_out_frame_get,
    [DRV_CTR_IN_DISCARD] = kel_stats_in_discard_get,
    [DRV_CTR_TX_QLEN] = kel_stats_txqlen_get,
};

uint32_t drv_counter(const ifport *p, unsigned counter) {
    uint32_t v = 0;
    if (counter < DRV_COUNTERS) counters[counter](p, &v);
    return v;
}

/* The VLAN record's four port sets: members, untagged members, forbidden
 * ports and the ports whose native VLAN it is. */
enum { SET_MEMBERS, SET_UNTAGGED, SET_FORBIDDEN };

void drv_vlan_sets(const vlaninfo *info, iflist *egress, iflist *untagged, iflist *forbidden) {
    if (egress) *egress = info->set[SET_MEMBERS];
    if (untagged) *untagged = info->set[SET_UNTAGGED];
    if (forbidden) *forbidden = info->set[SET_FORBIDDEN];
}
