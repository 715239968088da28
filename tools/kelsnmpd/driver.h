/*
 * driver.h - what kelsnmpd knows of the switch driver beyond the library's
 * own contract: the driver's value codes for the port and VLAN settings it
 * maps to MIB objects, and readers that turn the driver's records into the
 * agent's terms. The library passes these values and records through
 * unchanged; driver.c is the one place that reads a record's layout.
 */
#ifndef KELSNMPD_DRIVER_H
#define KELSNMPD_DRIVER_H

#include <stdint.h>

#include "kel.h"

/* Values of the port commands. */
enum {
    DRV_ADMIN_DOWN = 0,
    DRV_ADMIN_UP = 1,
    DRV_LINK_UP = 1,   /* kel_port_linkstat_get: anything else is down */
    DRV_MEDIUM_FE = 1, /* kel_port_medium_get */
    DRV_MEDIUM_GE = 2,
    DRV_SPEED_AUTO = 0, /* kel_port_speed_get: else the speed in Mb/s */
    DRV_ON = 1,         /* ingress filtering, GVRP: on; 0 off */
    DRV_OFF = 0,
    DRV_DISCARD_NONE = 0, /* kel_port_discard_get: which frames a port drops */
    DRV_DISCARD_UNTAGGED = 1,
    DRV_DISCARD_TAGGED = 2,
    DRV_MODE_ACCESS = 1, /* kel_port_vlan_mode_set */
    DRV_MODE_TRUNK = 2,
    DRV_MODE_HYBRID = 3,
    DRV_ALLOW_TAGGED = 1, /* kel_port_allow_vlans_add/get */
    DRV_ALLOW_UNTAGGED = 2
};

/* The longest VLAN name the driver keeps. */
#define DRV_VLAN_NAME_MAX 32

/* The counters the agent reads, in its own numbering. */
enum {
    DRV_CTR_RX_OCTETS,
    DRV_CTR_RX_UCAST,
    DRV_CTR_RX_NUCAST,
    DRV_CTR_RX_DISCARD,
    DRV_CTR_RX_ERROR,
    DRV_CTR_UNKNOWN_PROTO,
    DRV_CTR_TX_OCTETS,
    DRV_CTR_TX_UCAST,
    DRV_CTR_TX_NUCAST,
    DRV_CTR_TX_DISCARD,
    DRV_CTR_TX_ERROR,
    DRV_CTR_RX_MCAST,
    DRV_CTR_RX_BCAST,
    DRV_CTR_DELAY_EXCEED,
    DRV_CTR_MTU_EXCEED,
    DRV_CTR_IN_FRAME,
    DRV_CTR_OUT_FRAME,
    DRV_CTR_IN_DISCARD,
    DRV_CTR_TX_QLEN,
    DRV_COUNTERS
};
/* One counter of a port (0 when it cannot be read). */
uint32_t drv_counter(const ifport *p, unsigned counter);

/* The three port sets of a VLAN record as the bridge MIBs see them. */
void drv_vlan_sets(const vlaninfo *info, iflist *egress, iflist *untagged, iflist *forbidden);

#endif
