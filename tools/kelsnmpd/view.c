/*
 * view.c - the switch as one PDU sees it.
 *
 * A PDU's varbinds are answered from one reading of the switch: the VLAN
 * list and each port's facts are read from the driver when a varbind first
 * needs them and kept until the next PDU. The units' port counts are kept
 * for up to a second, and read anew by the link watch and for every SET. A
 * port's facts are read in parts (name, state, speed, counters, ...), so a
 * walk of one column reads only that column's part of each port. Flat port
 * indices follow the library's numbering: unit 1's ports first.
 */
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "agent.h"

/* How long the units' port counts are believed: a stack changes its units
 * on a scale of minutes, and a walk asks for them with every varbind. */
#define UNITS_LIFETIME_MS 1000

static struct {
    void *asp;
    long reqid, transid;
    unsigned stamp;
    int have_units, have_vlans;
    long units_read_ms;
    uint32_t nports[KEL_IFLIST_WORDS], first[KEL_IFLIST_WORDS], total;
    vlanlist vlans;
} view = {.reqid = -1};

static port_view ports[MAX_PORTS + 1];

static long now_ms(void) {
    /* monotonic: time on the wall may jump */
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (long)t.tv_sec * 1000 + t.tv_nsec / 1000000;
}

void view_begin(netsnmp_agent_request_info *ri, int fresh) {
    netsnmp_pdu *pdu = ri && ri->asp ? ri->asp->pdu : NULL;
    long reqid = pdu ? pdu->reqid : -1, transid = pdu ? pdu->transid : -1;
    if (ri && view.asp == ri->asp && view.reqid == reqid && view.transid == transid) return;
    if (fresh) view.units_read_ms = -UNITS_LIFETIME_MS - 1;
    view.asp = ri ? ri->asp : NULL;
    view.reqid = reqid;
    view.transid = transid;
    ++view.stamp;
    view.have_vlans = 0;
    if (now_ms() - view.units_read_ms > UNITS_LIFETIME_MS) view.have_units = 0;
}

unsigned view_stamp(void) { return view.stamp; }

static void read_units(void) {
    if (view.have_units) return;
    view.total = 0;
    for (uint32_t u = 1; u <= KEL_IFLIST_WORDS; ++u) {
        uint32_t n = 0;
        kel_stack_nr_ports_get(u, &n);
        if (n > 32) n = 32; /* a unit has at most 32 ports in the library's lists */
        view.nports[u - 1] = n;
        view.first[u - 1] = view.total + 1;
        view.total += n;
    }
    view.have_units = 1;
    view.units_read_ms = now_ms();
}

uint32_t view_ports(void) {
    read_units();
    return view.total;
}

int view_ifport(uint32_t idx, ifport *p) {
    read_units();
    for (uint32_t u = 1; u <= KEL_IFLIST_WORDS; ++u)
        if (idx >= view.first[u - 1] && idx < view.first[u - 1] + view.nports[u - 1]) {
            p->unit = (int32_t)u;
            p->slot = 0;
            p->port = (int32_t)(idx - view.first[u - 1] + 1);
            return 0;
        }
    return MIB_NONE;
}

uint32_t view_index(const ifport *p) {
    read_units();
    if (p->unit < 1 || p->unit > KEL_IFLIST_WORDS || p->port < 1 ||
        (uint32_t)p->port > view.nports[p->unit - 1])
        return 0;
    return view.first[p->unit - 1] + (uint32_t)p->port - 1;
}

port_view *view_port(uint32_t idx, uint32_t want) {
    if (idx < 1 || idx > view_ports()) return NULL;
    port_view *pv = &ports[idx];
    if (pv->stamp != view.stamp) {
        pv->stamp = view.stamp;
        pv->have = 0;
        view_ifport(idx, &pv->p);
    }
    uint32_t missing = want & ~pv->have;
    const ifport *p = &pv->p;
    if (missing & PORT_NAME) {
        memset(pv->name, 0, sizeof pv->name);
        kel_ifport_name_get(p, pv->name, sizeof pv->name - 1);
    }
    if (missing & PORT_SHORT) {
        memset(pv->short_name, 0, sizeof pv->short_name);
        kel_ifname_short_get(p, pv->short_name, (int32_t)sizeof pv->short_name - 1);
    }
    if (missing & PORT_ADMIN) kel_port_admin_get(p, &pv->admin);
    if (missing & PORT_LINK) kel_port_linkstat_get(p, &pv->link);
    if (missing & PORT_SPEED) kel_port_speed_get(p, &pv->speed);
    if (missing & PORT_KIND) {
        kel_port_medium_get(p, &pv->medium);
        pv->stack = (uint32_t)kel_is_stack_smart_port(p);
    }
    if (missing & PORT_UPTIME) kel_port_uptime_get(p, &pv->uptime);
    if (missing & PORT_VLAN) {
        kel_port_oper_vlan_get(p, &pv->pvid);
        kel_port_ifilter_get(p, &pv->ifilter);
        kel_port_discard_get(p, &pv->discard);
    }
    if (missing & PORT_GVRP) kel_gvrp_port_get(p, &pv->gvrp);
    pv->have |= missing;
    return pv;
}

uint32_t view_counter(port_view *pv, unsigned counter) {
    if (!(pv->have & PORT_COUNTERS)) {
        drv_port_counters(&pv->p, pv->counter); /* every counter in one request */
        pv->have |= PORT_COUNTERS;
    }
    return counter < KEL_DRV_COUNTERS ? pv->counter[counter] : 0;
}

long view_first_port(unsigned long from) {
    if (from < 1) from = 1;
    return from <= view_ports() ? (long)from : MIB_NONE;
}

long view_first_bridge_port(unsigned long from) {
    for (unsigned long i = from < 1 ? 1 : from; i <= view_ports(); ++i)
        if (!view_port((uint32_t)i, PORT_KIND)->stack) return (long)i;
    return MIB_NONE;
}

/* ---- VLANs ------------------------------------------------------------------ */

const vlanlist *view_vlans(void) {
    if (!view.have_vlans) {
        memset(&view.vlans, 0, sizeof view.vlans);
        kel_vlanlist_get(&view.vlans);
        view.have_vlans = 1;
    }
    return &view.vlans;
}

int view_vlan_exists(uint32_t vid) {
    if (vid < KEL_VLAN_MIN || vid > KEL_VLAN_MAX) return 0;
    return (view_vlans()->word[(vid - 1) / 32] >> ((vid - 1) % 32)) & 1u;
}

long view_first_vlan(unsigned long from) {
    for (unsigned long v = from < KEL_VLAN_MIN ? KEL_VLAN_MIN : from; v <= KEL_VLAN_MAX; ++v)
        if (view_vlan_exists((uint32_t)v)) return (long)v;
    return MIB_NONE;
}

uint32_t view_vlan_count(void) {
    uint32_t n = 0;
    for (uint32_t v = KEL_VLAN_MIN; v <= KEL_VLAN_MAX; ++v) n += (uint32_t)view_vlan_exists(v);
    return n;
}

/* ---- port lists ------------------------------------------------------------ */

size_t portlist_len(void) { return (view_ports() + 7) / 8; }

void portlist_from(const iflist *l, uint8_t *out) {
    memset(out, 0, portlist_len());
    for (uint32_t i = 1; i <= view_ports(); ++i) {
        ifport p;
        view_ifport(i, &p);
        if ((l->word[p.unit - 1] >> (p.port - 1)) & 1u) out[(i - 1) / 8] |= (uint8_t)(0x80u >> ((i - 1) % 8));
    }
}

int portlist_to(const uint8_t *in, size_t n, iflist *l) {
    memset(l, 0, sizeof *l);
    for (size_t i = 0; i < 8 * n; ++i) {
        if (!((in[i / 8] << (i % 8)) & 0x80u)) continue;
        port_view *pv = view_port((uint32_t)i + 1, PORT_KIND);
        if (!pv || pv->stack) return MIB_NONE;
        l->word[pv->p.unit - 1] |= 1u << (pv->p.port - 1);
    }
    return 0;
}

uint32_t agent_ticks(void) { return (uint32_t)netsnmp_get_agent_uptime(); }

/* ---- the MAC address table ------------------------------------------------- */

/* A walk of the table reads it whole, and from another position than the
 * driver's: the table is read once per PDU, and a walk that goes on asks
 * no more than once a second. */
#define FDB_LIFETIME_MS 1000

static struct {
    unsigned stamp;
    long read_ms;
    size_t n;
    drv_fdb by_vlan[DRV_FDB_MAX], by_mac[DRV_FDB_MAX];
} fdb = {.stamp = 0, .read_ms = 0};

void fdb_key(const drv_fdb *e, int with_vlan, mib_index *key) {
    key->len = 0;
    if (with_vlan) key->o[key->len++] = e->vid;
    for (int i = 0; i < 6; ++i) key->o[key->len++] = e->mac[i];
}

int mib_index_cmp(const mib_index *a, const mib_index *b) {
    for (size_t i = 0; i < a->len && i < b->len; ++i)
        if (a->o[i] != b->o[i]) return a->o[i] < b->o[i] ? -1 : 1;
    return a->len < b->len ? -1 : a->len > b->len ? 1 : 0;
}

static int by_vlan(const void *x, const void *y) {
    const drv_fdb *a = x, *b = y;
    if (a->vid != b->vid) return a->vid < b->vid ? -1 : 1;
    return memcmp(a->mac, b->mac, sizeof a->mac);
}

static int by_mac(const void *x, const void *y) {
    const drv_fdb *a = x, *b = y;
    int c = memcmp(a->mac, b->mac, sizeof a->mac);
    return c ? c : a->vid < b->vid ? -1 : a->vid > b->vid;
}

const drv_fdb *view_fdb(int with_vlan, int continuing, size_t *n) {
    int fresh = fdb.stamp == view.stamp || (continuing && now_ms() - fdb.read_ms <= FDB_LIFETIME_MS);
    if (!fresh) {
        fdb.n = drv_fdb_read(fdb.by_vlan, DRV_FDB_MAX);
        memcpy(fdb.by_mac, fdb.by_vlan, fdb.n * sizeof *fdb.by_vlan);
        qsort(fdb.by_vlan, fdb.n, sizeof *fdb.by_vlan, by_vlan);
        qsort(fdb.by_mac, fdb.n, sizeof *fdb.by_mac, by_mac);
        fdb.read_ms = now_ms();
    }
    fdb.stamp = view.stamp; /* this PDU's reading from here on */
    *n = fdb.n;
    return with_vlan ? fdb.by_vlan : fdb.by_mac;
}

/* The first entry whose key is greater than after (strictly) or equal. */
static size_t fdb_lower(const drv_fdb *t, size_t n, int with_vlan, const mib_index *after, int strictly) {
    size_t lo = 0, hi = n;
    while (lo < hi) {
        size_t mid = lo + (hi - lo) / 2;
        mib_index k;
        fdb_key(&t[mid], with_vlan, &k);
        int c = mib_index_cmp(&k, after);
        if (c < 0 || (strictly && c == 0))
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

const drv_fdb *view_fdb_next(int with_vlan, const mib_index *after, int continuing) {
    size_t n;
    const drv_fdb *t = view_fdb(with_vlan, continuing, &n);
    /* Equal keys (an address in several VLANs, by address alone) are
     * passed over together: the address shows once, in its lowest VLAN. */
    size_t i = fdb_lower(t, n, with_vlan, after, 1);
    return i < n ? &t[i] : NULL;
}

const drv_fdb *view_fdb_find(int with_vlan, const mib_index *key) {
    size_t n;
    const drv_fdb *t = view_fdb(with_vlan, 0, &n);
    size_t i = fdb_lower(t, n, with_vlan, key, 0);
    if (i >= n) return NULL;
    mib_index k;
    fdb_key(&t[i], with_vlan, &k);
    return mib_index_cmp(&k, key) == 0 ? &t[i] : NULL;
}
