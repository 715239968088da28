/*
 * rstp_mib.c - RSTP-MIB: dot1dStpVersion, dot1dStpTxHoldCount and
 * dot1dStpExtPortTable (edge ports, point-to-point links, path costs).
 *
 * dot1dStpVersion is stpCompatible(0) or rstp(2), and mstp(3) when the
 * switch runs MST, as IEEE 802.1Q numbers it. A port's link counts as
 * point to point when it is set so, or set to auto and not known to be
 * half duplex. A port's protocol migration cannot be asked of the switch:
 * dot1dStpPortProtocolMigration reads false and cannot be written.
 */
#include "agent.h"

static const oid rstp_mib_oid[] = {1, 3, 6, 1, 2, 1, 134};
static const oid rstp_oid[] = {1, 3, 6, 1, 2, 1, 17, 2};
static const oid ext_port_oid[] = {1, 3, 6, 1, 2, 1, 17, 2, 19, 1};

enum { STP_COMPATIBLE = 0, RSTP = 2, MSTP = 3, TRUE_V = 1, FALSE_V = 2 };
enum { FORCE_TRUE = 0, FORCE_FALSE = 1, AUTO = 2 };

/* ---- dot1dStpVersion and dot1dStpTxHoldCount ------------------------------ */

static const mib_column rstp_cols[] = {{16, ASN_INTEGER, MIB_RW}, {17, ASN_INTEGER, MIB_RW}};

static long version_of(uint32_t mode) {
    return mode == KEL_DRV_STP_MODE_STP ? STP_COMPATIBLE : mode == KEL_DRV_STP_MODE_MSTP ? MSTP : RSTP;
}

static int rstp_read(const mib_index *row, oid col, netsnmp_variable_list *vb) {
    drv_stp_bridge b;
    if (!mib_is_scalar(row) || drv_stp_bridge_get(&b) != 0) return MIB_NONE;
    return mib_int(vb, col == 16 ? version_of(b.mode) : (long)b.tx_hold_count);
}

typedef struct rstp_image {
    long version, hold;
} rstp_image;

static int rstp_load(const mib_index *row, void *image) {
    drv_stp_bridge b;
    if (!mib_is_scalar(row) || drv_stp_bridge_get(&b) != 0) return MIB_NONE;
    ((rstp_image *)image)->version = version_of(b.mode);
    ((rstp_image *)image)->hold = (long)b.tx_hold_count;
    return 1;
}

static int rstp_put(void *image, oid col, const netsnmp_variable_list *vb) {
    rstp_image *im = image;
    if (col == 17) return mib_get_int(vb, 1, 10, &im->hold);
    int err = mib_get_int(vb, STP_COMPATIBLE, MSTP, &im->version);
    return err == SNMP_ERR_NOERROR && im->version == 1 ? SNMP_ERR_WRONGVALUE : err;
}

static int rstp_apply(const mib_index *row, const void *from, const void *to) {
    (void)row;
    const rstp_image *a = from, *b = to;
    int st = 0;
    if (a->version != b->version) {
        uint32_t mode = b->version == STP_COMPATIBLE ? KEL_DRV_STP_MODE_STP
                        : b->version == MSTP         ? KEL_DRV_STP_MODE_MSTP
                                                     : KEL_DRV_STP_MODE_RSTP;
        if ((st = kel_stp_mode_set(mode)) != 0) return st;
    }
    if (a->hold != b->hold) st = kel_stp_tx_hold_count_set((uint32_t)b->hold);
    return st;
}

static const mib_table rstp = MIB_TABLE_RW("dot1dStpVersion", rstp_oid, rstp_cols, mib_scalar_next, rstp_read,
                                           rstp_image, rstp_load, rstp_put, NULL, rstp_apply);

/* ---- dot1dStpExtPortTable ---------------------------------------------------- */

static const mib_column ext_cols[] = {{1, ASN_INTEGER, MIB_RO}, {2, ASN_INTEGER, MIB_RW},
                                      {3, ASN_INTEGER, MIB_RO}, {4, ASN_INTEGER, MIB_RW},
                                      {5, ASN_INTEGER, MIB_RO}, {6, ASN_INTEGER, MIB_RW}};

static port_view *bridge_port(const mib_index *row) {
    port_view *pv = view_port((uint32_t)mib_int_index(row), PORT_KIND);
    return pv && !pv->stack ? pv : NULL;
}

static int ext_next(const mib_index *after, mib_index *row, int continuing) {
    (void)continuing;
    return mib_int_next(after, row, view_first_bridge_port);
}

static long admin_p2p(uint32_t link_type) {
    return link_type == KEL_DRV_STP_LINK_POINT_TO_POINT ? FORCE_TRUE
           : link_type == KEL_DRV_STP_LINK_SHARED       ? FORCE_FALSE
                                                        : AUTO;
}

static int ext_read(const mib_index *row, oid col, netsnmp_variable_list *vb) {
    port_view *pv = bridge_port(row);
    drv_stp_port sp;
    if (!pv || drv_stp_port_get(&pv->p, &sp) != 0) return MIB_NONE;
    uint32_t duplex = KEL_DRV_DUPLEX_AUTO;
    switch (col) {
        case 1:
            return mib_int(vb, FALSE_V);
        case 2:
        case 3:
            return mib_int(vb, sp.edge ? TRUE_V : FALSE_V);
        case 4:
            return mib_int(vb, admin_p2p(sp.link_type));
        case 5:
            if (sp.link_type == KEL_DRV_STP_LINK_AUTO) kel_port_duplex_get(&pv->p, &duplex);
            return mib_int(vb, sp.link_type == KEL_DRV_STP_LINK_SHARED || duplex == KEL_DRV_DUPLEX_HALF
                                   ? FALSE_V
                                   : TRUE_V);
        case 6:
            return mib_int(vb, (long)sp.path_cost);
    }
    return MIB_NONE;
}

typedef struct ext_image {
    long edge, p2p, cost;
} ext_image;

static int ext_load(const mib_index *row, void *image) {
    ext_image *im = image;
    port_view *pv = bridge_port(row);
    drv_stp_port sp;
    if (!pv || drv_stp_port_get(&pv->p, &sp) != 0) return MIB_NONE;
    im->edge = sp.edge ? TRUE_V : FALSE_V;
    im->p2p = admin_p2p(sp.link_type);
    im->cost = (long)sp.path_cost;
    return 1;
}

static int ext_put(void *image, oid col, const netsnmp_variable_list *vb) {
    ext_image *im = image;
    if (col == 2) return mib_get_int(vb, TRUE_V, FALSE_V, &im->edge);
    if (col == 4) return mib_get_int(vb, FORCE_TRUE, AUTO, &im->p2p);
    return mib_get_int(vb, 0, 200000000, &im->cost); /* 0: automatic */
}

static int ext_apply(const mib_index *row, const void *from, const void *to) {
    const ext_image *a = from, *b = to;
    port_view *pv = bridge_port(row);
    int st = 0;
    if (!pv) return MIB_NONE;
    if (a->edge != b->edge && (st = kel_stp_port_edge_port_set(&pv->p, b->edge == TRUE_V)) != 0) return st;
    if (a->p2p != b->p2p) {
        uint32_t type = b->p2p == FORCE_TRUE    ? KEL_DRV_STP_LINK_POINT_TO_POINT
                        : b->p2p == FORCE_FALSE ? KEL_DRV_STP_LINK_SHARED
                                                : KEL_DRV_STP_LINK_AUTO;
        if ((st = kel_stp_port_link_type_set(&pv->p, type)) != 0) return st;
    }
    if (a->cost != b->cost) st = kel_stp_port_path_cost_set(&pv->p, (uint32_t)b->cost);
    return st;
}

static const mib_table ext_port = MIB_TABLE_RW("dot1dStpExtPortTable", ext_port_oid, ext_cols, ext_next,
                                               ext_read, ext_image, ext_load, ext_put, NULL, ext_apply);

void rstp_mib_init(void) {
    mib_register(&rstp);
    mib_register(&ext_port);
    register_sysORTable((oid *)rstp_mib_oid, OIDLEN(rstp_mib_oid), "RSTP-MIB: the rapid spanning tree");
}
