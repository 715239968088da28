/*
 * qbridge_mib.c - Q-BRIDGE-MIB: the VLAN bridge's base group, the current
 * and static VLAN tables and the port VLAN table.
 *
 * The switch keeps VLAN membership per port: a port is an untagged member
 * of its own (native) VLAN, a tagged member of the VLANs of its tagged list
 * in trunk and hybrid mode and an untagged member of those of its untagged
 * list in hybrid mode. A SET of a static VLAN's egress and untagged ports
 * becomes these per-port settings: the VLAN's bit in a port's lists, and a
 * port's mode raised from access to trunk or hybrid, or from trunk to
 * hybrid, where the port needs it; a port keeps its own VLAN, in which it
 * stays an untagged member. A raise that would let a port's lists join it
 * to other VLANs as well is refused. The switch offers no way to forbid a
 * port a VLAN: the forbidden ports read as the switch reports them and can
 * only be written unchanged. VLANs are created by createAndGo and
 * destroyed by destroy; createAndWait and notInService are not offered.
 * Every VLAN counts as permanent, learned independently (its FDB id is its
 * VLAN id), and as unchanged since time 0 for the current table's time
 * filter.
 */
#include <string.h>

#include "agent.h"

static const oid qbridge_mib_oid[] = {1, 3, 6, 1, 2, 1, 17, 7};
static const oid qbase_oid[] = {1, 3, 6, 1, 2, 1, 17, 7, 1, 1};
static const oid qfdb_oid[] = {1, 3, 6, 1, 2, 1, 17, 7, 1, 2, 2, 1};
static const oid current_oid[] = {1, 3, 6, 1, 2, 1, 17, 7, 1, 4, 2, 1};
static const oid static_oid[] = {1, 3, 6, 1, 2, 1, 17, 7, 1, 4, 3, 1};
static const oid port_vlan_oid[] = {1, 3, 6, 1, 2, 1, 17, 7, 1, 4, 5, 1};

enum { ENABLED = 1, DISABLED = 2, PERMANENT = 2, VERSION1 = 1 };
enum { ACTIVE = 1, NOT_IN_SERVICE = 2, NOT_READY = 3, CREATE_AND_GO = 4, CREATE_AND_WAIT = 5, DESTROY = 6 };
enum { ADMIT_ALL = 1, ADMIT_TAGGED = 2, ADMIT_UNTAGGED = 3 };

static int bit(const iflist *l, const ifport *p) { return (l->word[p->unit - 1] >> (p->port - 1)) & 1u; }

static void vlan_bits(uint32_t vid, vlanlist *l) {
    memset(l, 0, sizeof *l);
    l->word[(vid - 1) / 32] = 1u << ((vid - 1) % 32);
}

static int in_vlanlist(const vlanlist *l, uint32_t vid) {
    return (l->word[(vid - 1) / 32] >> ((vid - 1) % 32)) & 1u;
}

/* ---- one VLAN as a PDU sees it ------------------------------------------- */

typedef struct vlan_view {
    unsigned stamp;
    uint32_t vid;
    int exists;
    char name[KEL_DRV_VLAN_NAME_MAX + 1];
    iflist egress, untagged, forbidden;
} vlan_view;

static vlan_view vlans[64];

static const vlan_view *vlan_of(uint32_t vid) {
    if (!view_vlan_exists(vid)) return NULL;
    vlan_view *v = &vlans[vid % OIDLEN(vlans)];
    if (v->stamp == view_stamp() && v->vid == vid) return v->exists ? v : NULL;
    vlaninfo info;
    memset(&info, 0, sizeof info);
    memset(v, 0, sizeof *v);
    v->stamp = view_stamp();
    v->vid = vid;
    v->exists = kel_vlan_get(vid, &info) == 0;
    kel_vlan_name_get(vid, v->name, sizeof v->name);
    v->name[KEL_DRV_VLAN_NAME_MAX] = '\0';
    drv_vlan_sets(&info, &v->egress, &v->untagged, &v->forbidden);
    return v->exists ? v : NULL;
}

static int portlist(netsnmp_variable_list *vb, const iflist *l) {
    uint8_t octets[MAX_PORTS / 8];
    portlist_from(l, octets);
    return mib_str(vb, octets, portlist_len());
}

/* ---- dot1qBase ------------------------------------------------------------- */

static const mib_column qbase_cols[] = {{1, ASN_INTEGER, MIB_RO},
                                        {2, ASN_INTEGER, MIB_RO},
                                        {3, ASN_UNSIGNED, MIB_RO},
                                        {4, ASN_UNSIGNED, MIB_RO},
                                        {5, ASN_INTEGER, MIB_RW}};

static int qbase_read(const mib_index *row, oid col, netsnmp_variable_list *vb) {
    if (!mib_is_scalar(row)) return MIB_NONE;
    uint32_t on = DRV_OFF;
    switch (col) {
        case 1:
            return mib_int(vb, VERSION1);
        case 2:
            return mib_int(vb, KEL_VLAN_MAX);
        case 3:
            return mib_uint(vb, ASN_UNSIGNED, KEL_VLAN_MAX - KEL_VLAN_MIN + 1);
        case 4:
            return mib_uint(vb, ASN_UNSIGNED, view_vlan_count());
        case 5:
            kel_gvrp_status_get(&on);
            return mib_int(vb, on == DRV_ON ? ENABLED : DISABLED);
    }
    return MIB_NONE;
}

typedef struct qbase_image {
    long gvrp;
} qbase_image;

static int qbase_load(const mib_index *row, void *image) {
    if (!mib_is_scalar(row)) return MIB_NONE;
    uint32_t on = DRV_OFF;
    kel_gvrp_status_get(&on);
    ((qbase_image *)image)->gvrp = on == DRV_ON ? ENABLED : DISABLED;
    return 1;
}

static int qbase_put(void *image, oid col, const netsnmp_variable_list *vb) {
    (void)col;
    return mib_get_int(vb, ENABLED, DISABLED, &((qbase_image *)image)->gvrp);
}

static int qbase_apply(const mib_index *row, const void *from, const void *to) {
    (void)row;
    const qbase_image *a = from, *b = to;
    return a->gvrp == b->gvrp ? 0 : kel_gvrp_status_set(b->gvrp == ENABLED ? DRV_ON : DRV_OFF);
}

static const mib_table qbase = MIB_TABLE_RW("dot1qBase", qbase_oid, qbase_cols, mib_scalar_next, qbase_read,
                                            qbase_image, qbase_load, qbase_put, NULL, qbase_apply);

/* ---- dot1qTpFdbTable: (FDB id = VLAN id, address) ------------------------- */

static const mib_column qfdb_cols[] = {{2, ASN_INTEGER, MIB_RO}, {3, ASN_INTEGER, MIB_RO}};

static int qfdb_next(const mib_index *after, mib_index *row, int continuing) {
    const drv_fdb *e = view_fdb_next(1, after, continuing);
    if (!e) return MIB_NONE;
    fdb_key(e, 1, row);
    return 0;
}

static int qfdb_read(const mib_index *row, oid col, netsnmp_variable_list *vb) {
    const drv_fdb *e = row->len == 7 ? view_fdb_find(1, row) : NULL;
    if (!e) return MIB_NONE;
    if (col == 2) return mib_int(vb, (long)view_index(&e->port));
    return mib_int(vb, e->is_static ? 5 : 3); /* mgmt(5), learned(3) */
}

static const mib_table qfdb = MIB_TABLE_RO("dot1qTpFdbTable", qfdb_oid, qfdb_cols, qfdb_next, qfdb_read);

/* ---- dot1qVlanCurrentTable: (time mark 0, VLAN id) ------------------------- */

static const mib_column current_cols[] = {{3, ASN_UNSIGNED, MIB_RO},
                                          {4, ASN_OCTET_STR, MIB_RO},
                                          {5, ASN_OCTET_STR, MIB_RO},
                                          {6, ASN_INTEGER, MIB_RO},
                                          {7, ASN_TIMETICKS, MIB_RO}};

static int current_next(const mib_index *after, mib_index *row, int continuing) {
    (void)continuing;
    unsigned long from = 1;
    if (after->len > 0 && after->o[0] > 0) return MIB_NONE;
    if (after->len > 1) {
        if (after->o[1] >= KEL_VLAN_MAX) return MIB_NONE;
        from = after->o[1] + 1;
    }
    long vid = view_first_vlan(from);
    if (vid < 0) return MIB_NONE;
    row->len = 2;
    row->o[0] = 0;
    row->o[1] = (oid)vid;
    return 0;
}

static int current_read(const mib_index *row, oid col, netsnmp_variable_list *vb) {
    if (row->len != 2 || row->o[0] != 0 || row->o[1] > KEL_VLAN_MAX) return MIB_NONE;
    const vlan_view *v = vlan_of((uint32_t)row->o[1]);
    if (!v) return MIB_NONE;
    switch (col) {
        case 3:
            return mib_uint(vb, ASN_UNSIGNED, v->vid);
        case 4:
            return portlist(vb, &v->egress);
        case 5:
            return portlist(vb, &v->untagged);
        case 6:
            return mib_int(vb, PERMANENT);
        case 7:
            return mib_uint(vb, ASN_TIMETICKS, 0);
    }
    return MIB_NONE;
}

static const mib_table current =
    MIB_TABLE_RO("dot1qVlanCurrentTable", current_oid, current_cols, current_next, current_read);

/* ---- dot1qVlanStaticTable ---------------------------------------------------- */

static const mib_column static_cols[] = {{1, ASN_OCTET_STR, MIB_RC},
                                         {2, ASN_OCTET_STR, MIB_RC},
                                         {3, ASN_OCTET_STR, MIB_RC},
                                         {4, ASN_OCTET_STR, MIB_RC},
                                         {5, ASN_INTEGER, MIB_RC}};

static uint32_t vid_of(const mib_index *row) {
    unsigned long v = mib_int_index(row);
    return v >= KEL_VLAN_MIN && v <= KEL_VLAN_MAX ? (uint32_t)v : 0;
}

static int static_next(const mib_index *after, mib_index *row, int continuing) {
    (void)continuing;
    return mib_int_next(after, row, view_first_vlan);
}

static int static_read(const mib_index *row, oid col, netsnmp_variable_list *vb) {
    const vlan_view *v = vlan_of(vid_of(row));
    if (!v) return MIB_NONE;
    switch (col) {
        case 1:
            return mib_str(vb, v->name, strlen(v->name));
        case 2:
            return portlist(vb, &v->egress);
        case 3:
            return portlist(vb, &v->forbidden);
        case 4:
            return portlist(vb, &v->untagged);
        case 5:
            return mib_int(vb, ACTIVE);
    }
    return MIB_NONE;
}

/* A port's settings for one VLAN: its mode and the VLAN's place in its lists. */
enum { LIST_NONE, LIST_TAGGED, LIST_UNTAGGED };
typedef struct port_setting {
    uint8_t touched, mode, list;
} port_setting;

typedef struct static_image {
    int exists, name_set;
    long status;
    char name[KEL_DRV_VLAN_NAME_MAX + 1];
    iflist egress, untagged, forbidden;
    port_setting port[MAX_PORTS + 1];
} static_image;

/* What a port's settings are for vid, and whether vid is its own VLAN. */
static void port_settings(const ifport *p, uint32_t vid, port_setting *s, int *own, vlanlist lists[2]) {
    uint32_t cfg = 0, mode = 0, oper = 0;
    kel_port_vlan_mode_get(p, &cfg, &mode);
    kel_port_oper_vlan_get(p, &oper);
    memset(lists, 0, 2 * sizeof *lists);
    kel_port_allow_vlans_get(p, &lists[0], KEL_DRV_ALLOW_TAGGED);
    kel_port_allow_vlans_get(p, &lists[1], KEL_DRV_ALLOW_UNTAGGED);
    s->mode = (uint8_t)mode;
    s->list = in_vlanlist(&lists[0], vid)   ? LIST_TAGGED
              : in_vlanlist(&lists[1], vid) ? LIST_UNTAGGED
                                            : LIST_NONE;
    *own = cfg == vid || oper == vid;
}

static int static_load(const mib_index *row, void *image) {
    static_image *im = image;
    uint32_t vid = vid_of(row);
    if (!vid) return MIB_NONE;
    vlaninfo info;
    memset(&info, 0, sizeof info);
    im->exists = kel_vlan_get(vid, &info) == 0;
    if (im->exists) {
        kel_vlan_name_get(vid, im->name, sizeof im->name);
        im->name[KEL_DRV_VLAN_NAME_MAX] = '\0';
        im->name_set = 1;
        im->status = ACTIVE;
        drv_vlan_sets(&info, &im->egress, &im->untagged, &im->forbidden);
        return 1;
    }
    /* A VLAN yet to be made: the ports whose settings name it join it when it is. */
    for (uint32_t i = 1; i <= view_ports(); ++i) {
        port_setting s;
        int own;
        vlanlist lists[2];
        ifport p;
        view_ifport(i, &p);
        port_settings(&p, vid, &s, &own, lists);
        int tagged = s.list == LIST_TAGGED && s.mode != KEL_DRV_VLAN_MODE_ACCESS;
        int untagged = own || (s.list == LIST_UNTAGGED && s.mode == KEL_DRV_VLAN_MODE_HYBRID);
        if (tagged || untagged) im->egress.word[p.unit - 1] |= 1u << (p.port - 1);
        if (untagged) im->untagged.word[p.unit - 1] |= 1u << (p.port - 1);
    }
    return 0;
}

static int printable(const char *s) {
    for (; *s; ++s)
        if (*s < ' ' || *s > '~') return 0;
    return 1;
}

static int static_put(void *image, oid col, const netsnmp_variable_list *vb) {
    static_image *im = image;
    iflist *sets[] = {NULL, NULL, &im->egress, &im->forbidden, &im->untagged};
    int err;
    switch (col) {
        case 1: /* the switch names a VLAN with 1 to 32 printable characters */
            err = mib_get_str(vb, 0, KEL_DRV_VLAN_NAME_MAX, im->name);
            if (err == SNMP_ERR_NOERROR && (!im->name[0] || !printable(im->name))) err = SNMP_ERR_WRONGVALUE;
            im->name_set = 1;
            return err;
        case 2:
        case 3:
        case 4:
            if (vb->val_len > MAX_PORTS / 8) return SNMP_ERR_WRONGLENGTH;
            return portlist_to(vb->val.string, vb->val_len, sets[col]) == 0 ? SNMP_ERR_NOERROR
                                                                            : SNMP_ERR_WRONGVALUE;
        case 5:
            err = mib_get_int(vb, ACTIVE, DESTROY, &im->status);
            if (err == SNMP_ERR_NOERROR && im->status != ACTIVE && im->status != CREATE_AND_GO &&
                im->status != DESTROY)
                err = SNMP_ERR_WRONGVALUE;
            return err;
    }
    return SNMP_ERR_NOTWRITABLE;
}

/* Works out each port's settings for the new egress and untagged ports. */
static int plan_ports(uint32_t vid, static_image *old, static_image *new_image, oid *col) {
    for (uint32_t i = 1; i <= view_ports(); ++i) {
        ifport p;
        view_ifport(i, &p);
        int e = bit(&new_image->egress, &p), u = bit(&new_image->untagged, &p);
        if (e == bit(&old->egress, &p) && u == bit(&old->untagged, &p)) continue;
        port_setting s;
        int own;
        vlanlist lists[2];
        port_settings(&p, vid, &s, &own, lists);
        if (own) { /* a port stays an untagged member of its own VLAN */
            *col = e ? 4 : 2;
            return SNMP_ERR_INCONSISTENTVALUE;
        }
        port_setting want = {1, s.mode, (uint8_t)(!e ? LIST_NONE : u ? LIST_UNTAGGED : LIST_TAGGED)};
        if (want.list == LIST_TAGGED && s.mode == KEL_DRV_VLAN_MODE_ACCESS)
            want.mode = KEL_DRV_VLAN_MODE_TRUNK;
        if (want.list == LIST_UNTAGGED) want.mode = KEL_DRV_VLAN_MODE_HYBRID;
        /* Lists a raised mode brings into force must name no other VLAN that exists. */
        int tagged_on = s.mode == KEL_DRV_VLAN_MODE_ACCESS && want.mode != KEL_DRV_VLAN_MODE_ACCESS;
        int untagged_on = s.mode != KEL_DRV_VLAN_MODE_HYBRID && want.mode == KEL_DRV_VLAN_MODE_HYBRID;
        for (uint32_t w = KEL_VLAN_MIN; w <= KEL_VLAN_MAX; ++w)
            if (w != vid &&
                ((tagged_on && in_vlanlist(&lists[0], w)) || (untagged_on && in_vlanlist(&lists[1], w))) &&
                view_vlan_exists(w)) {
                snmp_log(LOG_NOTICE, "kelsnmpd: port %d/%d/%d would join VLAN %u as well\n", p.unit, p.slot,
                         p.port, w);
                *col = 2;
                return SNMP_ERR_INCONSISTENTVALUE;
            }
        old->port[i] = s;
        old->port[i].touched = 1;
        new_image->port[i] = want;
    }
    return SNMP_ERR_NOERROR;
}

static int static_check(const mib_index *row, void *old_image, void *new_image, oid *col) {
    static_image *old = old_image, *im = new_image;
    uint32_t vid = vid_of(row), mgmt = 0;
    if (im->status == DESTROY) {
        kel_system_vlan_id_get(&mgmt);
        *col = 5;
        if (vid == KEL_VLAN_MIN || vid == mgmt) return SNMP_ERR_INCONSISTENTVALUE; /* the switch keeps them */
        im->exists = 0;
        return SNMP_ERR_NOERROR;
    }
    if (im->status == CREATE_AND_GO) {
        *col = 5;
        if (old->exists) return SNMP_ERR_INCONSISTENTVALUE;
        im->exists = 1;
    } else if (!old->exists) {
        return SNMP_ERR_INCONSISTENTNAME; /* a row is made by createAndGo only */
    }
    *col = 4;
    for (int w = 0; w < KEL_IFLIST_WORDS; ++w)
        if (im->untagged.word[w] & ~im->egress.word[w]) return SNMP_ERR_INCONSISTENTVALUE;
    *col = 3;
    if (memcmp(&im->forbidden, &old->forbidden, sizeof im->forbidden) != 0) return SNMP_ERR_INCONSISTENTVALUE;
    return plan_ports(vid, old, im, col);
}

static int static_apply(const mib_index *row, const void *from, const void *to) {
    const static_image *a = from, *b = to;
    uint32_t vid = vid_of(row);
    int32_t st;
    vlanlist one;
    vlan_bits(vid, &one);
    if (b->exists && !a->exists && (st = kel_vlan_create(vid)) != 0) return st;
    if (b->exists && b->name_set && strcmp(a->name, b->name) != 0 &&
        (st = kel_vlan_name_set(vid, b->name, (uint32_t)strlen(b->name))) != 0)
        return st;
    for (uint32_t i = 1; i <= view_ports(); ++i) {
        if (!b->port[i].touched) continue;
        ifport p;
        view_ifport(i, &p);
        uint32_t cfg = 0, mode = 0;
        kel_port_vlan_mode_get(&p, &cfg, &mode);
        uint8_t list = b->port[i].list;
        st = list == LIST_NONE
                 ? kel_port_allow_vlans_del(&p, &one)
                 : kel_port_allow_vlans_add(
                       &p, &one, list == LIST_TAGGED ? KEL_DRV_ALLOW_TAGGED : KEL_DRV_ALLOW_UNTAGGED);
        if (st == 0 && mode != b->port[i].mode) st = kel_port_vlan_mode_set(&p, cfg, b->port[i].mode);
        if (st != 0) return st;
    }
    if (!b->exists && a->exists) return kel_vlan_destroy(vid);
    return 0;
}

static const mib_table static_table =
    MIB_TABLE_RW("dot1qVlanStaticTable", static_oid, static_cols, static_next, static_read, static_image,
                 static_load, static_put, static_check, static_apply);

/* ---- dot1qPortVlanTable ------------------------------------------------------ */

static const mib_column port_vlan_cols[] = {
    {1, ASN_UNSIGNED, MIB_RW}, {2, ASN_INTEGER, MIB_RW}, {3, ASN_INTEGER, MIB_RW}, {4, ASN_INTEGER, MIB_RW}};

static int bridge_port_next(const mib_index *after, mib_index *row, int continuing) {
    (void)continuing;
    return mib_int_next(after, row, view_first_bridge_port);
}

static long frames_of(uint32_t discard) {
    return discard == KEL_DRV_DISCARD_UNTAGGED ? ADMIT_TAGGED
           : discard == KEL_DRV_DISCARD_TAGGED ? ADMIT_UNTAGGED
                                               : ADMIT_ALL;
}

static int port_vlan_read(const mib_index *row, oid col, netsnmp_variable_list *vb) {
    uint32_t idx = (uint32_t)mib_int_index(row);
    port_view *pv = view_port(idx, PORT_KIND);
    if (!pv || pv->stack) return MIB_NONE;
    switch (col) {
        case 1:
            return mib_uint(vb, ASN_UNSIGNED, view_port(idx, PORT_VLAN)->pvid);
        case 2:
            return mib_int(vb, frames_of(view_port(idx, PORT_VLAN)->discard));
        case 3:
            return mib_int(vb, view_port(idx, PORT_VLAN)->ifilter == DRV_ON ? 1 : 2);
        case 4:
            return mib_int(vb, view_port(idx, PORT_GVRP)->gvrp == DRV_ON ? ENABLED : DISABLED);
    }
    return MIB_NONE;
}

typedef struct port_vlan_image {
    long pvid, frames, ifilter, gvrp;
} port_vlan_image;

static int port_vlan_port(const mib_index *row, ifport *p) {
    port_view *pv = view_port((uint32_t)mib_int_index(row), PORT_KIND);
    if (!pv || pv->stack) return MIB_NONE;
    *p = pv->p;
    return 0;
}

static int port_vlan_load(const mib_index *row, void *image) {
    port_vlan_image *im = image;
    ifport p;
    if (port_vlan_port(row, &p) != 0) return MIB_NONE;
    uint32_t cfg = 0, mode = 0, discard = 0, ifilter = 0, gvrp = 0;
    kel_port_vlan_mode_get(&p, &cfg, &mode);
    kel_port_discard_get(&p, &discard);
    kel_port_ifilter_get(&p, &ifilter);
    kel_gvrp_port_get(&p, &gvrp);
    im->pvid = cfg;
    im->frames = frames_of(discard);
    im->ifilter = ifilter == DRV_ON ? 1 : 2;
    im->gvrp = gvrp == DRV_ON ? ENABLED : DISABLED;
    return 1;
}

static int port_vlan_put(void *image, oid col, const netsnmp_variable_list *vb) {
    port_vlan_image *im = image;
    switch (col) {
        case 1: {
            if (vb->type != ASN_UNSIGNED) return SNMP_ERR_WRONGTYPE;
            if (*vb->val.integer < KEL_VLAN_MIN || *vb->val.integer > KEL_VLAN_MAX)
                return SNMP_ERR_WRONGVALUE;
            im->pvid = *vb->val.integer;
            return SNMP_ERR_NOERROR;
        }
        case 2:
            return mib_get_int(vb, ADMIT_ALL, ADMIT_UNTAGGED, &im->frames);
        case 3:
            return mib_get_int(vb, 1, 2, &im->ifilter);
        case 4:
            return mib_get_int(vb, ENABLED, DISABLED, &im->gvrp);
    }
    return SNMP_ERR_NOTWRITABLE;
}

static int port_vlan_check(const mib_index *row, void *old_image, void *new_image, oid *col) {
    (void)row;
    const port_vlan_image *old = old_image, *im = new_image;
    *col = 1;
    if (im->pvid != old->pvid && !view_vlan_exists((uint32_t)im->pvid)) return SNMP_ERR_INCONSISTENTVALUE;
    return SNMP_ERR_NOERROR;
}

static int port_vlan_apply(const mib_index *row, const void *from, const void *to) {
    const port_vlan_image *a = from, *b = to;
    ifport p;
    int32_t st = 0;
    if (port_vlan_port(row, &p) != 0) return MIB_NONE;
    if (a->pvid != b->pvid) {
        uint32_t cfg = 0, mode = 0;
        kel_port_vlan_mode_get(&p, &cfg, &mode);
        if ((st = kel_port_vlan_mode_set(&p, (uint32_t)b->pvid, mode)) != 0) return st;
    }
    if (a->frames != b->frames) {
        uint32_t discard = b->frames == ADMIT_TAGGED     ? KEL_DRV_DISCARD_UNTAGGED
                           : b->frames == ADMIT_UNTAGGED ? KEL_DRV_DISCARD_TAGGED
                                                         : KEL_DRV_DISCARD_NONE;
        if ((st = kel_port_discard_set(&p, discard)) != 0) return st;
    }
    if (a->ifilter != b->ifilter && (st = kel_port_ifilter_set(&p, b->ifilter == 1 ? DRV_ON : DRV_OFF)) != 0)
        return st;
    if (a->gvrp != b->gvrp) st = kel_gvrp_port_set(&p, b->gvrp == ENABLED ? DRV_ON : DRV_OFF);
    return st;
}

static const mib_table port_vlan =
    MIB_TABLE_RW("dot1qPortVlanTable", port_vlan_oid, port_vlan_cols, bridge_port_next, port_vlan_read,
                 port_vlan_image, port_vlan_load, port_vlan_put, port_vlan_check, port_vlan_apply);

void qbridge_mib_init(void) {
    mib_register(&qbase);
    mib_register(&qfdb);
    mib_register(&current);
    mib_register(&static_table);
    mib_register(&port_vlan);
    register_sysORTable((oid *)qbridge_mib_oid, OIDLEN(qbridge_mib_oid), "Q-BRIDGE-MIB: the switch's VLANs");
}
