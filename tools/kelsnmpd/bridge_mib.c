/*
 * bridge_mib.c - BRIDGE-MIB: the bridge's base group and port table, the
 * ageing time and the transparent-bridging port counters.
 *
 * Bridge ports are the switch's ports that are not stack ports; a bridge
 * port's number is its ifIndex, the flat port index. The spanning-tree
 * objects are those of the bridge as the driver runs it: its times in
 * whole seconds, its priorities in the steps RSTP allows, path costs as
 * set (0, automatic, reads as the cost in use); the time and count of
 * topology changes, the hold time, the ports' forward transitions and a
 * per-port switch of the spanning tree are not kept by the switch and not
 * offered (dot1dStpPortEnable reads whether the port takes part).
 */
#include <string.h>

#include "agent.h"

static const oid bridge_mib_oid[] = {1, 3, 6, 1, 2, 1, 17};
static const oid base_oid[] = {1, 3, 6, 1, 2, 1, 17, 1};
static const oid base_port_oid[] = {1, 3, 6, 1, 2, 1, 17, 1, 4, 1};
static const oid tp_oid[] = {1, 3, 6, 1, 2, 1, 17, 4};
static const oid tp_port_oid[] = {1, 3, 6, 1, 2, 1, 17, 4, 4, 1};
static const oid fdb_oid[] = {1, 3, 6, 1, 2, 1, 17, 4, 3, 1};
static const oid stp_oid[] = {1, 3, 6, 1, 2, 1, 17, 2};
static const oid stp_port_oid[] = {1, 3, 6, 1, 2, 1, 17, 2, 15, 1};
static const oid zero_dot_zero[] = {0, 0};

enum { TRANSPARENT_ONLY = 2, MAX_INFO = 1500, AGING_MIN = 10, AGING_MAX = 1000000 };
enum { LEARNED = 3, MGMT = 5, IEEE8021D = 3, ENABLED = 1, DISABLED = 2, CS = 100 };

static int bridge_port_next(const mib_index *after, mib_index *row, int continuing) {
    (void)continuing;
    return mib_int_next(after, row, view_first_bridge_port);
}

static port_view *bridge_port(const mib_index *row) {
    port_view *pv = view_port((uint32_t)mib_int_index(row), PORT_KIND);
    return pv && !pv->stack ? pv : NULL;
}

/* ---- dot1dBase ----------------------------------------------------------- */

static const mib_column base_cols[] = {
    {1, ASN_OCTET_STR, MIB_RO}, {2, ASN_INTEGER, MIB_RO}, {3, ASN_INTEGER, MIB_RO}};

static int base_read(const mib_index *row, oid col, netsnmp_variable_list *vb) {
    if (!mib_is_scalar(row)) return MIB_NONE;
    switch (col) {
        case 1: {
            uint8_t mac[6] = {0};
            kel_system_mac_addr_get(mac);
            return mib_str(vb, mac, sizeof mac);
        }
        case 2: {
            long n = 0;
            for (long i = view_first_bridge_port(1); i > 0; i = view_first_bridge_port((unsigned long)i + 1))
                ++n;
            return mib_int(vb, n);
        }
        case 3:
            return mib_int(vb, TRANSPARENT_ONLY);
    }
    return MIB_NONE;
}

static const mib_table base = MIB_TABLE_RO("dot1dBase", base_oid, base_cols, mib_scalar_next, base_read);

static const mib_column base_port_cols[] = {{1, ASN_INTEGER, MIB_RO},
                                            {2, ASN_INTEGER, MIB_RO},
                                            {3, ASN_OBJECT_ID, MIB_RO},
                                            {4, ASN_COUNTER, MIB_RO},
                                            {5, ASN_COUNTER, MIB_RO}};

static int base_port_read(const mib_index *row, oid col, netsnmp_variable_list *vb) {
    port_view *pv = bridge_port(row);
    if (!pv) return MIB_NONE;
    switch (col) {
        case 1:
        case 2:
            return mib_int(vb, (long)mib_int_index(row));
        case 3:
            return mib_oid(vb, zero_dot_zero, OIDLEN(zero_dot_zero));
        case 4:
            return mib_uint(vb, ASN_COUNTER, view_counter(pv, KEL_DRV_CTR_DELAY_EXCEED));
        case 5:
            return mib_uint(vb, ASN_COUNTER, view_counter(pv, KEL_DRV_CTR_MTU_EXCEED));
    }
    return MIB_NONE;
}

static const mib_table base_port =
    MIB_TABLE_RO("dot1dBasePortTable", base_port_oid, base_port_cols, bridge_port_next, base_port_read);

/* ---- dot1dTp: the ageing time and the port counters ----------------------- */

static const mib_column tp_cols[] = {{2, ASN_INTEGER, MIB_RW}};

static int tp_read(const mib_index *row, oid col, netsnmp_variable_list *vb) {
    (void)col;
    if (!mib_is_scalar(row)) return MIB_NONE;
    uint32_t seconds = 0;
    kel_arl_age_time_get(&seconds);
    return mib_int(vb, (long)seconds);
}

typedef struct tp_image {
    long aging;
} tp_image;

static int tp_load(const mib_index *row, void *image) {
    if (!mib_is_scalar(row)) return MIB_NONE;
    uint32_t seconds = 0;
    kel_arl_age_time_get(&seconds);
    ((tp_image *)image)->aging = (long)seconds;
    return 1;
}

static int tp_put(void *image, oid col, const netsnmp_variable_list *vb) {
    (void)col;
    return mib_get_int(vb, AGING_MIN, AGING_MAX, &((tp_image *)image)->aging);
}

static int tp_apply(const mib_index *row, const void *from, const void *to) {
    (void)row;
    const tp_image *a = from, *b = to;
    return a->aging == b->aging ? 0 : kel_arl_age_time_set((uint32_t)b->aging);
}

static const mib_table tp = MIB_TABLE_RW("dot1dTpAgingTime", tp_oid, tp_cols, mib_scalar_next, tp_read,
                                         tp_image, tp_load, tp_put, NULL, tp_apply);

static const mib_column tp_port_cols[] = {{1, ASN_INTEGER, MIB_RO},
                                          {2, ASN_INTEGER, MIB_RO},
                                          {3, ASN_COUNTER, MIB_RO},
                                          {4, ASN_COUNTER, MIB_RO},
                                          {5, ASN_COUNTER, MIB_RO}};

static int tp_port_read(const mib_index *row, oid col, netsnmp_variable_list *vb) {
    port_view *pv = bridge_port(row);
    if (!pv) return MIB_NONE;
    static const unsigned counter[] = {KEL_DRV_CTR_IN_FRAME, KEL_DRV_CTR_OUT_FRAME, KEL_DRV_CTR_IN_DISCARD};
    if (col == 1) return mib_int(vb, (long)mib_int_index(row));
    if (col == 2) return mib_int(vb, MAX_INFO);
    if (col >= 3 && col <= 5) return mib_uint(vb, ASN_COUNTER, view_counter(pv, counter[col - 3]));
    return MIB_NONE;
}

static const mib_table tp_port =
    MIB_TABLE_RO("dot1dTpPortTable", tp_port_oid, tp_port_cols, bridge_port_next, tp_port_read);

/* ---- dot1dTpFdbTable: by address ------------------------------------------ */

static const mib_column fdb_cols[] = {
    {1, ASN_OCTET_STR, MIB_RO}, {2, ASN_INTEGER, MIB_RO}, {3, ASN_INTEGER, MIB_RO}};

static int fdb_next(const mib_index *after, mib_index *row, int continuing) {
    const drv_fdb *e = view_fdb_next(0, after, continuing);
    if (!e) return MIB_NONE;
    fdb_key(e, 0, row);
    return 0;
}

static int fdb_read(const mib_index *row, oid col, netsnmp_variable_list *vb) {
    const drv_fdb *e = row->len == 6 ? view_fdb_find(0, row) : NULL;
    if (!e) return MIB_NONE;
    if (col == 1) return mib_str(vb, e->mac, sizeof e->mac);
    if (col == 2) return mib_int(vb, (long)view_index(&e->port));
    return mib_int(vb, e->is_static ? MGMT : LEARNED);
}

static const mib_table fdb = MIB_TABLE_RO("dot1dTpFdbTable", fdb_oid, fdb_cols, fdb_next, fdb_read);

/* ---- dot1dStp: the bridge ------------------------------------------------- */

/* A bridge id: the priority in two octets, then the address. */
static int bridge_id(netsnmp_variable_list *vb, uint32_t priority, const uint8_t mac[6]) {
    uint8_t id[8] = {(uint8_t)(priority >> 8), (uint8_t)priority};
    memcpy(id + 2, mac, 6);
    return mib_str(vb, id, sizeof id);
}

static const mib_column stp_cols[] = {
    {1, ASN_INTEGER, MIB_RO},  {2, ASN_INTEGER, MIB_RW},  {5, ASN_OCTET_STR, MIB_RO},
    {6, ASN_INTEGER, MIB_RO},  {7, ASN_INTEGER, MIB_RO},  {8, ASN_INTEGER, MIB_RO},
    {9, ASN_INTEGER, MIB_RO},  {11, ASN_INTEGER, MIB_RO}, {12, ASN_INTEGER, MIB_RW},
    {13, ASN_INTEGER, MIB_RW}, {14, ASN_INTEGER, MIB_RW}};

static int stp_read(const mib_index *row, oid col, netsnmp_variable_list *vb) {
    drv_stp_bridge b;
    if (!mib_is_scalar(row) || drv_stp_bridge_get(&b) != 0) return MIB_NONE;
    switch (col) {
        case 1:
            return mib_int(vb, IEEE8021D);
        case 2:
            return mib_int(vb, (long)b.priority);
        case 5:
            return bridge_id(vb, b.root_priority, b.root_mac);
        case 6:
            return mib_int(vb, (long)b.root_cost);
        case 7:
            return mib_int(vb, (long)b.root_port);
        case 8:
        case 12:
            return mib_int(vb, (long)b.max_age * CS);
        case 9:
        case 13:
            return mib_int(vb, (long)b.hello_time * CS);
        case 11:
        case 14:
            return mib_int(vb, (long)b.forward_delay * CS);
    }
    return MIB_NONE;
}

/* Priority and the bridge times (in hundredths of a second, whole seconds only). */
typedef struct stp_image {
    long priority, max_age, hello, delay;
} stp_image;

static int stp_load(const mib_index *row, void *image) {
    stp_image *im = image;
    drv_stp_bridge b;
    if (!mib_is_scalar(row) || drv_stp_bridge_get(&b) != 0) return MIB_NONE;
    im->priority = (long)b.priority;
    im->max_age = (long)b.max_age * CS;
    im->hello = (long)b.hello_time * CS;
    im->delay = (long)b.forward_delay * CS;
    return 1;
}

static int stp_put(void *image, oid col, const netsnmp_variable_list *vb) {
    stp_image *im = image;
    long *time = col == 12 ? &im->max_age : col == 13 ? &im->hello : &im->delay;
    static const long min[] = {600, 100, 400}, max[] = {4000, 1000, 3000};
    int err;
    if (col == 2) { /* in steps of 4096, as a bridge that runs RSTP takes it */
        err = mib_get_int(vb, 0, 61440, &im->priority);
        return err == SNMP_ERR_NOERROR && im->priority % 4096 ? SNMP_ERR_WRONGVALUE : err;
    }
    err = mib_get_int(vb, min[col - 12], max[col - 12], time);
    return err == SNMP_ERR_NOERROR && *time % CS ? SNMP_ERR_WRONGVALUE : err;
}

/* The times a bridge must keep: 2 * (forward delay - 1) >= max age >= 2 * (hello time + 1). */
static int stp_check(const mib_index *row, void *old, void *new_image, oid *col) {
    (void)row;
    (void)old;
    const stp_image *im = new_image;
    *col = 12;
    if (2 * (im->delay - CS) < im->max_age || im->max_age < 2 * (im->hello + CS))
        return SNMP_ERR_INCONSISTENTVALUE;
    return SNMP_ERR_NOERROR;
}

static int stp_apply(const mib_index *row, const void *from, const void *to) {
    (void)row;
    const stp_image *a = from, *b = to;
    int st = 0;
    if (a->priority != b->priority && (st = kel_stp_bridge_prio_set((uint32_t)b->priority)) != 0) return st;
    if (a->max_age != b->max_age || a->hello != b->hello || a->delay != b->delay)
        st = drv_stp_times_set((uint32_t)(b->max_age / CS), (uint32_t)(b->hello / CS),
                               (uint32_t)(b->delay / CS));
    return st;
}

static const mib_table stp = MIB_TABLE_RW("dot1dStp", stp_oid, stp_cols, mib_scalar_next, stp_read, stp_image,
                                          stp_load, stp_put, stp_check, stp_apply);

/* ---- dot1dStpPortTable ------------------------------------------------------- */

static const mib_column stp_port_cols[] = {{1, ASN_INTEGER, MIB_RO},   {2, ASN_INTEGER, MIB_RW},
                                           {3, ASN_INTEGER, MIB_RO},   {4, ASN_INTEGER, MIB_RO},
                                           {5, ASN_INTEGER, MIB_RW},   {6, ASN_OCTET_STR, MIB_RO},
                                           {7, ASN_INTEGER, MIB_RO},   {8, ASN_OCTET_STR, MIB_RO},
                                           {9, ASN_OCTET_STR, MIB_RO}, {11, ASN_INTEGER, MIB_RW}};

static int stp_port_read(const mib_index *row, oid col, netsnmp_variable_list *vb) {
    port_view *pv = bridge_port(row);
    drv_stp_port sp;
    drv_stp_bridge b;
    if (!pv || drv_stp_port_get(&pv->p, &sp) != 0) return MIB_NONE;
    long idx = (long)mib_int_index(row);
    switch (col) {
        case 1:
            return mib_int(vb, idx);
        case 2:
            return mib_int(vb, (long)sp.priority);
        case 3: /* disabled(1) .. forwarding(5), one above the driver's states */
            return mib_int(vb, (long)sp.state + 1);
        case 4:
            return mib_int(vb, sp.role == KEL_DRV_STP_ROLE_DISABLED ? DISABLED : ENABLED);
        case 5:
            return mib_int(vb, sp.oper_cost > 65535 ? 65535 : (long)sp.oper_cost);
        case 6:
        case 8:
            if (drv_stp_bridge_get(&b) != 0) return MIB_NONE;
            return col == 6 ? bridge_id(vb, b.root_priority, b.root_mac) : bridge_id(vb, b.priority, b.mac);
        case 7:
            if (drv_stp_bridge_get(&b) != 0) return MIB_NONE;
            return mib_int(vb, (long)b.root_cost);
        case 9: { /* the designated port: this one, as priority and port number */
            uint16_t id = (uint16_t)((sp.priority / 16) << 12 | (idx & 0x0FFF));
            uint8_t octets[2] = {(uint8_t)(id >> 8), (uint8_t)id};
            return mib_str(vb, octets, sizeof octets);
        }
        case 11:
            return mib_int(vb, (long)sp.oper_cost);
    }
    return MIB_NONE;
}

typedef struct stp_port_image {
    long priority, cost;
} stp_port_image;

static int stp_port_load(const mib_index *row, void *image) {
    stp_port_image *im = image;
    port_view *pv = bridge_port(row);
    drv_stp_port sp;
    if (!pv || drv_stp_port_get(&pv->p, &sp) != 0) return MIB_NONE;
    im->priority = (long)sp.priority;
    im->cost = (long)sp.path_cost;
    return 1;
}

static int stp_port_put(void *image, oid col, const netsnmp_variable_list *vb) {
    stp_port_image *im = image;
    int err;
    if (col == 2) { /* in steps of 16, as a port that runs RSTP takes it */
        err = mib_get_int(vb, 0, 240, &im->priority);
        return err == SNMP_ERR_NOERROR && im->priority % 16 ? SNMP_ERR_WRONGVALUE : err;
    }
    return mib_get_int(vb, col == 5 ? 1 : 0, col == 5 ? 65535 : 200000000, &im->cost);
}

static int stp_port_apply(const mib_index *row, const void *from, const void *to) {
    const stp_port_image *a = from, *b = to;
    port_view *pv = bridge_port(row);
    int st = 0;
    if (!pv) return MIB_NONE;
    if (a->priority != b->priority && (st = kel_stp_port_prio_set(&pv->p, (uint32_t)b->priority)) != 0)
        return st;
    if (a->cost != b->cost) st = kel_stp_port_path_cost_set(&pv->p, (uint32_t)b->cost);
    return st;
}

static const mib_table stp_port =
    MIB_TABLE_RW("dot1dStpPortTable", stp_port_oid, stp_port_cols, bridge_port_next, stp_port_read,
                 stp_port_image, stp_port_load, stp_port_put, NULL, stp_port_apply);

void bridge_mib_init(void) {
    mib_register(&fdb);
    mib_register(&stp);
    mib_register(&stp_port);
    mib_register(&base);
    mib_register(&base_port);
    mib_register(&tp);
    mib_register(&tp_port);
    register_sysORTable((oid *)bridge_mib_oid, OIDLEN(bridge_mib_oid), "BRIDGE-MIB: the switch as a bridge");
}
