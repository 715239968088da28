/*
 * bridge_mib.c - BRIDGE-MIB: the bridge's base group and port table, the
 * ageing time and the transparent-bridging port counters.
 *
 * Bridge ports are the switch's ports that are not stack ports; a bridge
 * port's number is its ifIndex, the flat port index.
 */
#include "agent.h"

static const oid bridge_mib_oid[] = {1, 3, 6, 1, 2, 1, 17};
static const oid base_oid[] = {1, 3, 6, 1, 2, 1, 17, 1};
static const oid base_port_oid[] = {1, 3, 6, 1, 2, 1, 17, 1, 4, 1};
static const oid tp_oid[] = {1, 3, 6, 1, 2, 1, 17, 4};
static const oid tp_port_oid[] = {1, 3, 6, 1, 2, 1, 17, 4, 4, 1};
static const oid zero_dot_zero[] = {0, 0};

enum { TRANSPARENT_ONLY = 2, MAX_INFO = 1500, AGING_MIN = 10, AGING_MAX = 1000000 };

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

void bridge_mib_init(void) {
    mib_register(&base);
    mib_register(&base_port);
    mib_register(&tp);
    mib_register(&tp_port);
    register_sysORTable((oid *)bridge_mib_oid, OIDLEN(bridge_mib_oid), "BRIDGE-MIB: the switch as a bridge");
}
