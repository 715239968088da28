/*
 * if_mib.c - IF-MIB: ifNumber, ifTable and ifXTable over the switch's
 * ports (ifIndex is the port's flat index), and the linkUp and linkDown
 * notifications.
 *
 * The driver counts in 32 bits; the HC counters extend them by counting
 * the wraps seen at every read and at every fifth link watch, which comes
 * often enough for a port at line rate. The link watch also gives
 * ifLastChange for the changes it saw. ifLinkUpDownTrapEnable is the
 * agent's own setting; the switch keeps no port alias, so ifAlias reads
 * empty and cannot be written. No separate multicast and broadcast counts
 * of sent packets exist, so ifOut{Multicast,Broadcast}Pkts and their HC
 * forms are not offered.
 */
#include <string.h>

#include "agent.h"

static const oid interfaces_oid[] = {1, 3, 6, 1, 2, 1, 2};
static const oid if_entry_oid[] = {1, 3, 6, 1, 2, 1, 2, 2, 1};
static const oid ifx_entry_oid[] = {1, 3, 6, 1, 2, 1, 31, 1, 1, 1};
static const oid if_mib_oid[] = {1, 3, 6, 1, 2, 1, 31};
static const oid snmp_trap_oid[] = {1, 3, 6, 1, 6, 3, 1, 1, 4, 1, 0};
static const oid link_down_oid[] = {1, 3, 6, 1, 6, 3, 1, 1, 5, 3};
static const oid link_up_oid[] = {1, 3, 6, 1, 6, 3, 1, 1, 5, 4};
static const oid zero_dot_zero[] = {0, 0};

enum { UP = 1, DOWN = 2, TRUE_V = 1, FALSE_V = 2, ETHERNET_CSMACD = 6, MTU = 1500 };

/* The agent's own per-port state: what the link watch last saw, when it
 * changed, whether to tell, and the high halves of the HC counters. */
enum { HC_RX_OCTETS, HC_RX_UCAST, HC_RX_MCAST, HC_RX_BCAST, HC_TX_OCTETS, HC_TX_UCAST, HC_COUNT };
static const unsigned hc_counter[HC_COUNT] = {KEL_DRV_CTR_RX_OCTETS, KEL_DRV_CTR_RX_UCAST,
                                              KEL_DRV_CTR_RX_MCAST,  KEL_DRV_CTR_RX_BCAST,
                                              KEL_DRV_CTR_TX_OCTETS, KEL_DRV_CTR_TX_UCAST};
static struct {
    int seen, up;
    uint32_t changed;
    int traps_off;
    uint32_t last[HC_COUNT];
    uint64_t high[HC_COUNT];
} ports[MAX_PORTS + 1];

/* The 64-bit count of a 32-bit driver counter, from its last reading. */
static uint64_t extend(uint32_t idx, int hc, uint32_t now) {
    if (now < ports[idx].last[hc]) ports[idx].high[hc] += 1ull << 32;
    ports[idx].last[hc] = now;
    return ports[idx].high[hc] | now;
}

static uint32_t counter(port_view *pv, uint32_t idx, unsigned ctr) {
    uint32_t v = view_counter(pv, ctr);
    for (int hc = 0; hc < HC_COUNT; ++hc)
        if (hc_counter[hc] == ctr) extend(idx, hc, v);
    return v;
}

static int oper_up(const port_view *pv) { return pv->admin == DRV_ADMIN_UP && pv->link == DRV_LINK_UP; }

static uint32_t mbps(const port_view *pv) {
    if (pv->speed != KEL_DRV_SPEED_AUTO) return pv->speed;
    return pv->medium == KEL_DRV_MEDIUM_GE ? 1000 : 100;
}

uint32_t if_last_change(uint32_t idx) { return idx <= MAX_PORTS ? ports[idx].changed : 0; }

static uint32_t last_change(uint32_t idx) {
    port_view *pv = view_port(idx, PORT_ADMIN | PORT_LINK | PORT_UPTIME);
    if (ports[idx].changed || !oper_up(pv)) return ports[idx].changed;
    /* Up since before the watch began: when the driver says it came up. */
    uint64_t since = (uint64_t)pv->uptime * 100;
    uint32_t now = agent_ticks();
    return since < now ? now - (uint32_t)since : 0;
}

/* ---- ifNumber ------------------------------------------------------------- */

static const mib_column interfaces_cols[] = {{1, ASN_INTEGER, MIB_RO}};

static int interfaces_read(const mib_index *row, oid col, netsnmp_variable_list *vb) {
    (void)col;
    if (!mib_is_scalar(row)) return MIB_NONE;
    return mib_int(vb, (long)view_ports());
}

static const mib_table interfaces =
    MIB_TABLE_RO("ifNumber", interfaces_oid, interfaces_cols, mib_scalar_next, interfaces_read);

/* ---- ifTable ---------------------------------------------------------------- */

static const mib_column if_cols[] = {
    {1, ASN_INTEGER, MIB_RO},    {2, ASN_OCTET_STR, MIB_RO}, {3, ASN_INTEGER, MIB_RO},
    {4, ASN_INTEGER, MIB_RO},    {5, ASN_GAUGE, MIB_RO},     {6, ASN_OCTET_STR, MIB_RO},
    {7, ASN_INTEGER, MIB_RW},    {8, ASN_INTEGER, MIB_RO},   {9, ASN_TIMETICKS, MIB_RO},
    {10, ASN_COUNTER, MIB_RO},   {11, ASN_COUNTER, MIB_RO},  {12, ASN_COUNTER, MIB_RO},
    {13, ASN_COUNTER, MIB_RO},   {14, ASN_COUNTER, MIB_RO},  {15, ASN_COUNTER, MIB_RO},
    {16, ASN_COUNTER, MIB_RO},   {17, ASN_COUNTER, MIB_RO},  {18, ASN_COUNTER, MIB_RO},
    {19, ASN_COUNTER, MIB_RO},   {20, ASN_COUNTER, MIB_RO},  {21, ASN_GAUGE, MIB_RO},
    {22, ASN_OBJECT_ID, MIB_RO},
};
/* ifInOctets (10) to ifOutQLen (21). */
static const unsigned if_counters[] = {
    KEL_DRV_CTR_RX_OCTETS, KEL_DRV_CTR_RX_UCAST,      KEL_DRV_CTR_RX_NUCAST, KEL_DRV_CTR_RX_DISCARD,
    KEL_DRV_CTR_RX_ERROR,  KEL_DRV_CTR_UNKNOWN_PROTO, KEL_DRV_CTR_TX_OCTETS, KEL_DRV_CTR_TX_UCAST,
    KEL_DRV_CTR_TX_NUCAST, KEL_DRV_CTR_TX_DISCARD,    KEL_DRV_CTR_TX_ERROR,  KEL_DRV_CTR_TX_QLEN,
};

static int port_next(const mib_index *after, mib_index *row, int continuing) {
    (void)continuing;
    return mib_int_next(after, row, view_first_port);
}

static int if_read(const mib_index *row, oid col, netsnmp_variable_list *vb) {
    uint32_t idx = (uint32_t)mib_int_index(row);
    port_view *pv = view_port(idx, 0);
    if (!pv) return MIB_NONE;
    if (col >= 10 && col <= 21)
        return mib_uint(vb, col == 21 ? ASN_GAUGE : ASN_COUNTER, counter(pv, idx, if_counters[col - 10]));
    switch (col) {
        case 1:
            return mib_int(vb, (long)idx);
        case 2:
            pv = view_port(idx, PORT_NAME);
            return mib_str(vb, pv->name, strlen(pv->name));
        case 3:
            return mib_int(vb, ETHERNET_CSMACD);
        case 4:
            return mib_int(vb, MTU);
        case 5:
            pv = view_port(idx, PORT_SPEED | PORT_KIND);
            return mib_uint(vb, ASN_GAUGE, mbps(pv) * 1000000u);
        case 6: {
            uint8_t mac[6] = {0};
            kel_system_mac_addr_get(mac);
            return mib_str(vb, mac, sizeof mac);
        }
        case 7:
            pv = view_port(idx, PORT_ADMIN);
            return mib_int(vb, pv->admin == DRV_ADMIN_UP ? UP : DOWN);
        case 8:
            pv = view_port(idx, PORT_ADMIN | PORT_LINK);
            return mib_int(vb, oper_up(pv) ? UP : DOWN);
        case 9:
            return mib_uint(vb, ASN_TIMETICKS, last_change(idx));
        case 22:
            return mib_oid(vb, zero_dot_zero, OIDLEN(zero_dot_zero));
    }
    return MIB_NONE;
}

/* A SET changes the administrative state. */
typedef struct if_image {
    long admin;
} if_image;

static int if_load(const mib_index *row, void *image) {
    ifport p;
    if (view_ifport((uint32_t)mib_int_index(row), &p) != 0) return MIB_NONE;
    uint32_t admin = 0;
    kel_port_admin_get(&p, &admin);
    ((if_image *)image)->admin = admin == DRV_ADMIN_UP ? UP : DOWN;
    return 1;
}

static int if_put(void *image, oid col, const netsnmp_variable_list *vb) {
    (void)col; /* ifAdminStatus: testing(3) is not a state of a switch port */
    return mib_get_int(vb, UP, DOWN, &((if_image *)image)->admin);
}

static int if_apply(const mib_index *row, const void *from, const void *to) {
    const if_image *a = from, *b = to;
    ifport p;
    if (view_ifport((uint32_t)mib_int_index(row), &p) != 0) return MIB_NONE;
    if (a->admin == b->admin) return 0;
    return kel_port_admin_set(&p, b->admin == UP ? DRV_ADMIN_UP : DRV_ADMIN_DOWN);
}

static const mib_table if_table = MIB_TABLE_RW("ifTable", if_entry_oid, if_cols, port_next, if_read, if_image,
                                               if_load, if_put, NULL, if_apply);

/* ---- ifXTable --------------------------------------------------------------- */

static const mib_column ifx_cols[] = {
    {1, ASN_OCTET_STR, MIB_RO}, {2, ASN_COUNTER, MIB_RO},    {3, ASN_COUNTER, MIB_RO},
    {6, ASN_COUNTER64, MIB_RO}, {7, ASN_COUNTER64, MIB_RO},  {8, ASN_COUNTER64, MIB_RO},
    {9, ASN_COUNTER64, MIB_RO}, {10, ASN_COUNTER64, MIB_RO}, {11, ASN_COUNTER64, MIB_RO},
    {14, ASN_INTEGER, MIB_RW},  {15, ASN_GAUGE, MIB_RO},     {16, ASN_INTEGER, MIB_RO},
    {17, ASN_INTEGER, MIB_RO},  {18, ASN_OCTET_STR, MIB_RO}, {19, ASN_TIMETICKS, MIB_RO},
};

static int ifx_read(const mib_index *row, oid col, netsnmp_variable_list *vb) {
    uint32_t idx = (uint32_t)mib_int_index(row);
    port_view *pv = view_port(idx, 0);
    if (!pv) return MIB_NONE;
    switch (col) {
        case 1:
            pv = view_port(idx, PORT_SHORT);
            return mib_str(vb, pv->short_name, strlen(pv->short_name));
        case 2:
            return mib_uint(vb, ASN_COUNTER, counter(pv, idx, KEL_DRV_CTR_RX_MCAST));
        case 3:
            return mib_uint(vb, ASN_COUNTER, counter(pv, idx, KEL_DRV_CTR_RX_BCAST));
        case 6:
        case 7:
        case 8:
        case 9:
        case 10:
        case 11: {
            int hc = (int)col - 6;
            return mib_c64(vb, extend(idx, hc, view_counter(pv, hc_counter[hc])));
        }
        case 14:
            return mib_int(vb, ports[idx].traps_off ? DOWN : UP); /* enabled(1), disabled(2) */
        case 15:
            return mib_uint(vb, ASN_GAUGE, mbps(view_port(idx, PORT_SPEED | PORT_KIND)));
        case 16:
            return mib_int(vb, FALSE_V);
        case 17:
            return mib_int(vb, TRUE_V);
        case 18:
            return mib_str(vb, "", 0);
        case 19:
            return mib_uint(vb, ASN_TIMETICKS, 0);
    }
    return MIB_NONE;
}

typedef struct ifx_image {
    long traps;
} ifx_image;

static int ifx_load(const mib_index *row, void *image) {
    uint32_t idx = (uint32_t)mib_int_index(row);
    if (idx < 1 || idx > view_ports()) return MIB_NONE;
    ((ifx_image *)image)->traps = ports[idx].traps_off ? 2 : 1;
    return 1;
}

static int ifx_put(void *image, oid col, const netsnmp_variable_list *vb) {
    (void)col; /* ifLinkUpDownTrapEnable */
    return mib_get_int(vb, 1, 2, &((ifx_image *)image)->traps);
}

static int ifx_apply(const mib_index *row, const void *from, const void *to) {
    (void)from;
    ports[mib_int_index(row)].traps_off = ((const ifx_image *)to)->traps == 2;
    return 0;
}

static const mib_table ifx_table = MIB_TABLE_RW("ifXTable", ifx_entry_oid, ifx_cols, port_next, ifx_read,
                                                ifx_image, ifx_load, ifx_put, NULL, ifx_apply);

/* ---- the link watch ---------------------------------------------------------- */

static void notify(uint32_t idx, const port_view *pv, int up) {
    netsnmp_variable_list *vars = NULL;
    oid name[OIDLEN(if_entry_oid) + 2];
    memcpy(name, if_entry_oid, sizeof if_entry_oid);
    name[OIDLEN(if_entry_oid) + 1] = idx;
    const oid *trap = up ? link_up_oid : link_down_oid;
    snmp_varlist_add_variable(&vars, snmp_trap_oid, OIDLEN(snmp_trap_oid), ASN_OBJECT_ID, trap,
                              OIDLEN(link_up_oid) * sizeof(oid));
    long values[3] = {(long)idx, pv->admin == DRV_ADMIN_UP ? UP : DOWN, up ? UP : DOWN};
    for (oid col = 1; col <= 3; ++col) {
        name[OIDLEN(if_entry_oid)] = col == 1 ? 1 : col + 5; /* ifIndex, ifAdminStatus, ifOperStatus */
        snmp_varlist_add_variable(&vars, name, OIDLEN(name), ASN_INTEGER, &values[col - 1], sizeof(long));
    }
    send_v2trap(vars);
    snmp_free_varbind(vars);
}

void if_mib_poll(unsigned int reg, void *arg) {
    (void)reg;
    (void)arg;
    static unsigned ticks;
    int counters = ticks++ % 5 == 0;
    view_begin(NULL, 1);
    for (uint32_t idx = 1; idx <= view_ports() && idx <= MAX_PORTS; ++idx) {
        port_view *pv = view_port(idx, PORT_ADMIN | PORT_LINK);
        int up = oper_up(pv);
        if (ports[idx].seen && up != ports[idx].up) {
            ports[idx].changed = agent_ticks();
            if (!ports[idx].traps_off) notify(idx, pv, up);
        }
        ports[idx].seen = 1;
        ports[idx].up = up;
        if (counters)
            for (int hc = 0; hc < HC_COUNT; ++hc) extend(idx, hc, view_counter(pv, hc_counter[hc]));
    }
}

void if_mib_init(void) {
    mib_register(&interfaces);
    mib_register(&if_table);
    mib_register(&ifx_table);
    register_sysORTable((oid *)if_mib_oid, OIDLEN(if_mib_oid), "IF-MIB: the switch's ports");
}
