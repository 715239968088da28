/*
 * lag_mib.c - IEEE8023-LAG-MIB: the switch's trunks as aggregators
 * (dot3adAggTable) and every bridge port's view of them
 * (dot3adAggPortTable).
 *
 * An aggregator is named by the ifIndex of its trunk's lowest-numbered
 * member port, and its actor key is the trunk id; a port outside every
 * trunk is an individual port with key 0. Actor states are the LACP states
 * the switch reports for members of dynamic trunks; a static trunk's
 * members aggregate, in sync, collecting and distributing. The switch
 * knows nothing of the partner: the partner's objects are not offered.
 */
#include <string.h>

#include "agent.h"

static const oid lag_mib_oid[] = {1, 2, 840, 10006, 300, 43};
static const oid agg_oid[] = {1, 2, 840, 10006, 300, 43, 1, 1, 1, 1};
static const oid agg_port_oid[] = {1, 2, 840, 10006, 300, 43, 1, 2, 1, 1};

enum { TRUE_V = 1, FALSE_V = 2, STATIC_STATE = 0x3C /* aggregation, sync, collecting, distributing */ };

/* The trunks, read once per PDU: each one's aggregator index. */
static struct {
    unsigned stamp;
    uint32_t agg[KEL_DRV_TRUNKS + 1]; /* by trunk id; 0: no such trunk */
    int dynamic[KEL_DRV_TRUNKS + 1];
} trunks;

static void read_trunks(void) {
    if (trunks.stamp == view_stamp()) return;
    trunks.stamp = view_stamp();
    for (uint32_t id = 1; id <= KEL_DRV_TRUNKS; ++id) {
        drv_trunk t;
        trunks.agg[id] = 0;
        if (drv_trunk_get(id, &t) != 0) continue;
        trunks.dynamic[id] = t.dynamic;
        for (uint32_t i = 1; i <= view_ports() && !trunks.agg[id]; ++i) {
            ifport p;
            view_ifport(i, &p);
            if ((t.members.word[p.unit - 1] >> (p.port - 1)) & 1u) trunks.agg[id] = i;
        }
    }
}

static uint32_t trunk_of_agg(unsigned long agg) {
    read_trunks();
    for (uint32_t id = 1; id <= KEL_DRV_TRUNKS; ++id)
        if (agg && trunks.agg[id] == agg) return id;
    return 0;
}

static int system_id(netsnmp_variable_list *vb) {
    uint8_t mac[6] = {0};
    kel_system_mac_addr_get(mac);
    return mib_str(vb, mac, sizeof mac);
}

static long system_priority(void) {
    uint32_t prio = 0;
    kel_lacp_sys_prio_get(&prio);
    return (long)prio;
}

/* ---- dot3adAggTable ------------------------------------------------------- */

static const mib_column agg_cols[] = {{2, ASN_OCTET_STR, MIB_RO}, {3, ASN_INTEGER, MIB_RO},
                                      {4, ASN_OCTET_STR, MIB_RO}, {5, ASN_INTEGER, MIB_RO},
                                      {6, ASN_INTEGER, MIB_RO},   {7, ASN_INTEGER, MIB_RO}};

static long first_agg(unsigned long from) {
    read_trunks();
    long best = MIB_NONE;
    for (uint32_t id = 1; id <= KEL_DRV_TRUNKS; ++id)
        if (trunks.agg[id] >= from && trunks.agg[id] && (best < 0 || trunks.agg[id] < (unsigned long)best))
            best = (long)trunks.agg[id];
    return best;
}

static int agg_next(const mib_index *after, mib_index *row, int continuing) {
    (void)continuing;
    return mib_int_next(after, row, first_agg);
}

static int agg_read(const mib_index *row, oid col, netsnmp_variable_list *vb) {
    uint32_t id = trunk_of_agg(mib_int_index(row));
    if (!id) return MIB_NONE;
    switch (col) {
        case 2:
        case 4:
            return system_id(vb);
        case 3:
            return mib_int(vb, system_priority());
        case 5:
            return mib_int(vb, TRUE_V);
        case 6:
        case 7:
            return mib_int(vb, (long)id);
    }
    return MIB_NONE;
}

static const mib_table agg = MIB_TABLE_RO("dot3adAggTable", agg_oid, agg_cols, agg_next, agg_read);

/* ---- dot3adAggPortTable --------------------------------------------------- */

static const mib_column agg_port_cols[] = {
    {2, ASN_INTEGER, MIB_RO},    {3, ASN_OCTET_STR, MIB_RO}, {4, ASN_INTEGER, MIB_RO},
    {5, ASN_INTEGER, MIB_RO},    {12, ASN_INTEGER, MIB_RO},  {13, ASN_INTEGER, MIB_RO},
    {14, ASN_INTEGER, MIB_RO},   {15, ASN_INTEGER, MIB_RW},  {20, ASN_OCTET_STR, MIB_RO},
    {21, ASN_OCTET_STR, MIB_RO}, {24, ASN_INTEGER, MIB_RO}};

static port_view *bridge_port(const mib_index *row) {
    port_view *pv = view_port((uint32_t)mib_int_index(row), PORT_KIND);
    return pv && !pv->stack ? pv : NULL;
}

static int agg_port_next(const mib_index *after, mib_index *row, int continuing) {
    (void)continuing;
    return mib_int_next(after, row, view_first_bridge_port);
}

static int agg_port_read(const mib_index *row, oid col, netsnmp_variable_list *vb) {
    port_view *pv = bridge_port(row);
    if (!pv) return MIB_NONE;
    uint32_t id = 0, prio = 0, state = 0;
    kel_port_trunk_id_get(&pv->p, &id);
    read_trunks();
    if (id > KEL_DRV_TRUNKS || !trunks.agg[id]) id = 0;
    switch (col) {
        case 2:
            return mib_int(vb, system_priority());
        case 3:
            return system_id(vb);
        case 4:
        case 5:
            return mib_int(vb, (long)id);
        case 12:
        case 13:
            return mib_int(vb, id ? (long)trunks.agg[id] : 0);
        case 14:
            return mib_int(vb, (long)mib_int_index(row));
        case 15:
            kel_lacp_port_prio_get(&pv->p, &prio);
            return mib_int(vb, (long)prio);
        case 20:
        case 21: {
            uint8_t octet = 0;
            if (id && trunks.dynamic[id])
                octet = drv_lacp_member(id, &pv->p, &state, &prio) == 0 ? (uint8_t)state : 0;
            else if (id)
                octet = STATIC_STATE;
            return mib_str(vb, &octet, 1);
        }
        case 24:
            return mib_int(vb, id ? TRUE_V : FALSE_V);
    }
    return MIB_NONE;
}

typedef struct agg_port_image {
    long priority;
} agg_port_image;

static int agg_port_load(const mib_index *row, void *image) {
    port_view *pv = bridge_port(row);
    uint32_t prio = 0;
    if (!pv || kel_lacp_port_prio_get(&pv->p, &prio) != 0) return MIB_NONE;
    ((agg_port_image *)image)->priority = (long)prio;
    return 1;
}

static int agg_port_put(void *image, oid col, const netsnmp_variable_list *vb) {
    (void)col; /* dot3adAggPortActorPortPriority */
    return mib_get_int(vb, 0, 65535, &((agg_port_image *)image)->priority);
}

static int agg_port_apply(const mib_index *row, const void *from, const void *to) {
    const agg_port_image *a = from, *b = to;
    port_view *pv = bridge_port(row);
    if (!pv) return MIB_NONE;
    return a->priority == b->priority ? 0 : kel_lacp_port_prio_set(&pv->p, (uint32_t)b->priority);
}

static const mib_table agg_port =
    MIB_TABLE_RW("dot3adAggPortTable", agg_port_oid, agg_port_cols, agg_port_next, agg_port_read,
                 agg_port_image, agg_port_load, agg_port_put, NULL, agg_port_apply);

void lag_mib_init(void) {
    mib_register(&agg);
    mib_register(&agg_port);
    register_sysORTable((oid *)lag_mib_oid, OIDLEN(lag_mib_oid), "IEEE8023-LAG-MIB: the switch's trunks");
}
