// port.cpp - the simulated port settings and state (family 0x05), the
// start-up state of the forwarding area, and what the forwarding families
// share about ports: their sets, link, clock and VLAN memberships.
//
// Settings are table-driven rows keyed by port (and by the selector word
// where a command has one). Link, medium, uptime and spanning-tree state are
// computed from the topology, the cable and the administrative state. A
// port's VLAN mode, own VLAN and allowed VLANs decide its place in the sets
// of every existing VLAN, which this file keeps up to date through the VLAN
// family's vlan_set_port.
#include <ctime>

#include "family/forwarding.h"
#include "model/area_vlan.h"

namespace kelsim {

namespace {

constexpr Slot kNone = nullptr;
constexpr Slot kValue = &kel_ioreq::value;

const Setting kAdmin{0x0507, Key::port, 0, 1, {kValue, kNone, kNone}, {1}, {0}, {1}};
const Setting kVlanMode{0x0509,
                        Key::port,
                        0,
                        2,
                        {&kel_ioreq::vid, &kel_ioreq::sel, kNone},
                        {1, KEL_DRV_VLAN_MODE_ACCESS},
                        {KEL_VLAN_MIN, KEL_DRV_VLAN_MODE_ACCESS},
                        {KEL_VLAN_MAX, KEL_DRV_VLAN_MODE_HYBRID}};
const Setting kAutoneg{0x0511, Key::port, 0, 1, {kValue, kNone, kNone}, {1}, {0}, {1}};
const Setting kDuplex{0x0513, Key::port, 0, 1, {kValue, kNone, kNone}, {0}, {0}, {2}};
const Setting kSpeed{0x0515, Key::port, 0, 1, {kValue, kNone, kNone}, {0}, {0}, {1000}};
const Setting kFlowctrl{0x0517, Key::port, 0, 1, {kValue, kNone, kNone}, {0}, {0}, {1}};
const Setting kBlock{0x051B, Key::port_sel, 2, 1, {kValue, kNone, kNone}, {0}, {0}, {1}};
const Setting kIfilter{0x051D, Key::port, 0, 1, {kValue, kNone, kNone}, {0}, {0}, {1}};
const Setting kDiscard{0x051F, Key::port, 0, 1, {&kel_ioreq::sel, kNone, kNone}, {0}, {0}, {2}};
const Setting kMdix{0x0521, Key::port, 0, 1, {kValue, kNone, kNone}, {0}, {0}, {2}};

constexpr uint16_t kVlanListBytes = sizeof(vlanlist);
constexpr uint32_t kVlanBitsMask = 0x3FFFFFFFu;  // word 127 without 4095 and 4096

bool vlan_in(const vlanlist &l, uint32_t vid) { return (l.word[(vid - 1) / 32] >> ((vid - 1) % 32)) & 1u; }

bool forbidden(const Model &m, uint32_t vid, uint32_t unit, uint32_t port) {
    return (m.vlan.vlan[vid].set[KEL_DRV_VLAN_FORBIDDEN].word[unit - 1] >> (port - 1)) & 1u;
}

// A port's VLAN settings. Its own (native) VLAN in effect is the one set,
// or VLAN 1 while that one does not exist or forbids the port: every port
// has exactly one native VLAN.
struct PortVlans {
    uint32_t own, mode;
    const PortState *state;
};

uint32_t configured_vlan(const Model &m, uint32_t unit, uint32_t port, uint32_t *mode = nullptr) {
    uint32_t v[3];
    setting_read(m, kVlanMode, port_key(unit, port), v);
    if (mode) *mode = v[1];
    return v[0];
}

PortVlans port_vlans(const Model &m, uint32_t unit, uint32_t port) {
    PortVlans pv{0, 0, &port_state(m, unit, port)};
    uint32_t own = configured_vlan(m, unit, port, &pv.mode);
    pv.own = vlan_exists(m, own) && !forbidden(m, own, unit, port) ? own : KEL_VLAN_MIN;
    return pv;
}

void apply(Model &m, const PortVlans &pv, uint32_t unit, uint32_t port, uint32_t vid) {
    bool own = vid == pv.own, allowed = !forbidden(m, vid, unit, port);
    bool tagged = allowed && pv.mode != KEL_DRV_VLAN_MODE_ACCESS && vlan_in(pv.state->allowed[0], vid);
    bool untagged = allowed && pv.mode == KEL_DRV_VLAN_MODE_HYBRID && vlan_in(pv.state->allowed[1], vid);
    // A VLAN that GVRP registered on the port has it as a tagged member.
    bool registered = allowed && vlan_in(m.proto.gvrp.registered[unit - 1][port - 1], vid);
    vlan_set_port(m, vid, KEL_DRV_VLAN_MEMBERS, unit, port, own || tagged || untagged || registered);
    vlan_set_port(m, vid, KEL_DRV_VLAN_UNTAGGED, unit, port, own || untagged);
    vlan_set_port(m, vid, KEL_DRV_VLAN_NATIVE, unit, port, own);
}

void sync_port_vlans(Model &m, uint32_t unit, uint32_t port) {
    PortVlans pv = port_vlans(m, unit, port);
    for (uint32_t vid = KEL_VLAN_MIN; vid <= KEL_VLAN_MAX; ++vid)
        if (vlan_exists(m, vid)) apply(m, pv, unit, port, vid);
}

// Whether a port's settings name a VLAN.
bool names_vlan(const Model &m, uint32_t unit, uint32_t port, uint32_t vid) {
    const PortState &s = port_state(m, unit, port);
    return configured_vlan(m, unit, port) == vid || vlan_in(s.allowed[0], vid) || vlan_in(s.allowed[1], vid);
}

// Runs a change and stamps the moment the link came up, if it did.
template <class F>
int32_t watching_link(Model &m, uint32_t unit, uint32_t port, F change) {
    bool was_up = link_up(m, unit, port);
    int32_t st = change();
    if (st == KEL_DRV_OK && !was_up && link_up(m, unit, port))
        port_state(m, unit, port).link_since = clock_now(m);
    return st;
}

int32_t uptime(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    uint64_t now = clock_now(c.m);
    c.b.count = link_up(c.m, c.b.unit, c.b.port)
                    ? clock_span(port_state(c.m, c.b.unit, c.b.port).link_since, now)
                    : 0;
    return KEL_DRV_OK;
}

int32_t trunk_id(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    c.b.trunk = trunk_of(c.m, c.b.unit, c.b.port);
    return KEL_DRV_OK;
}

int32_t mirror(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    c.b.session = mirror_of(c.m, c.b.unit, c.b.port, &c.b.value);
    return KEL_DRV_OK;
}

int32_t medium(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    c.b.value = c.m.topo.medium(c.b.unit, c.b.port);
    return KEL_DRV_OK;
}

int32_t linkstat(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    c.b.value = link_up(c.m, c.b.unit, c.b.port) ? 1 : 0;
    return KEL_DRV_OK;
}

int32_t stp_state(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    c.b.value = stp_port_state(c.m, c.b.unit, c.b.port);
    return KEL_DRV_OK;
}

int32_t admin_set(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    return watching_link(c.m, c.b.unit, c.b.port, [&] { return setting_set(c); });
}

int32_t vlan_mode_set(Context &c) {
    int32_t st = setting_set(c);
    if (st == KEL_DRV_OK) sync_port_vlans(c.m, c.b.unit, c.b.port);
    return st;
}

int32_t admin_vlan(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    c.b.vid = configured_vlan(c.m, c.b.unit, c.b.port);
    return KEL_DRV_OK;
}

int32_t oper_vlan(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    c.b.vid = port_oper_vlan(c.m, c.b.unit, c.b.port);
    return KEL_DRV_OK;
}

// The allowed list a request's type word names, or null.
vlanlist *allowed_list(Context &c) {
    if (c.b.sel != KEL_DRV_ALLOW_TAGGED && c.b.sel != KEL_DRV_ALLOW_UNTAGGED) return nullptr;
    return &port_state(c.m, c.b.unit, c.b.port).allowed[c.b.sel - 1];
}

int32_t allow_add(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    vlanlist *to = allowed_list(c);
    if (!to) return KEL_DRV_ERR_BAD_VALUE;
    vlanlist in;
    if (int32_t st = c.get(in)) return st;
    vlanlist &other = port_state(c.m, c.b.unit, c.b.port).allowed[c.b.sel == KEL_DRV_ALLOW_TAGGED ? 1 : 0];
    for (uint32_t i = 0; i < KEL_VLANLIST_WORDS; ++i) {
        uint32_t w = in.word[i] & (i + 1 == KEL_VLANLIST_WORDS ? kVlanBitsMask : ~0u);
        to->word[i] |= w;
        other.word[i] &= ~w;
    }
    sync_port_vlans(c.m, c.b.unit, c.b.port);
    return KEL_DRV_OK;
}

int32_t allow_del(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    vlanlist in;
    if (int32_t st = c.get(in)) return st;
    for (vlanlist &l : port_state(c.m, c.b.unit, c.b.port).allowed)
        for (uint32_t i = 0; i < KEL_VLANLIST_WORDS; ++i) l.word[i] &= ~in.word[i];
    sync_port_vlans(c.m, c.b.unit, c.b.port);
    return KEL_DRV_OK;
}

int32_t allow_get(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    const vlanlist *from = allowed_list(c);
    if (!from) return KEL_DRV_ERR_BAD_VALUE;
    return answer(c, *from);
}

int32_t speed_set(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    uint32_t v = c.b.value;
    bool gigabit = c.m.topo.medium(c.b.unit, c.b.port) == kGigabit;
    if (v != 0 && v != 10 && v != 100 && !(v == 1000 && gigabit)) return KEL_DRV_ERR_BAD_VALUE;
    return setting_set(c);
}

const Command kPort[] = {
    {0x0501, "port_uptime_get", uptime},
    {0x0502, "port_trunk_id_get", trunk_id},
    {0x0503, "port_mirror_get", mirror},
    {0x0504, "port_medium_get", medium},
    {0x0505, "port_linkstat_get", linkstat},
    {0x0506, "port_stp_get", stp_state},
    {0x0507, "port_admin_set", admin_set, &kAdmin},
    {0x0508, "port_admin_get", setting_get, &kAdmin},
    {0x0509, "port_vlan_mode_set", vlan_mode_set, &kVlanMode},
    {0x050A, "port_vlan_mode_get", setting_get, &kVlanMode},
    {0x050B, "", nullptr},
    {0x050C, "port_admin_vlan_get", admin_vlan},
    {0x050D, "port_oper_vlan_get", oper_vlan},
    {0x050E, "port_allow_vlans_add", allow_add, nullptr, In::fixed, kVlanListBytes},
    {0x050F, "port_allow_vlans_del", allow_del, nullptr, In::fixed, kVlanListBytes},
    {0x0510, "port_allow_vlans_get", allow_get},
    {0x0511, "port_autoneg_set", setting_set, &kAutoneg},
    {0x0512, "port_autoneg_get", setting_get, &kAutoneg},
    {0x0513, "port_duplex_set", setting_set, &kDuplex},
    {0x0514, "port_duplex_get", setting_get, &kDuplex},
    {0x0515, "port_speed_set", speed_set, &kSpeed},
    {0x0516, "port_speed_get", setting_get, &kSpeed},
    {0x0517, "port_flowctrl_set", setting_set, &kFlowctrl},
    {0x0518, "port_flowctrl_get", setting_get, &kFlowctrl},
    {0x0519, "port_priority_set", setting_set, &kPortPriority},
    {0x051A, "port_priority_get", setting_get, &kPortPriority},
    {0x051B, "port_block_set", setting_set, &kBlock},
    {0x051C, "port_block_get", setting_get, &kBlock},
    {0x051D, "port_ifilter_set", setting_set, &kIfilter},
    {0x051E, "port_ifilter_get", setting_get, &kIfilter},
    {0x051F, "port_discard_set", setting_set, &kDiscard},
    {0x0520, "port_discard_get", setting_get, &kDiscard},
    {0x0521, "port_mdix_set", setting_set, &kMdix},
    {0x0522, "port_mdix_get", setting_get, &kMdix},
};

}  // namespace

const Family kPortFamily = family(kPort);

const Setting kPortPriority{0x0519, Key::port, 0, 1, {&kel_ioreq::prio, kNone, kNone}, {0}, {0}, {7}};

uint32_t port_oper_vlan(const Model &m, uint32_t unit, uint32_t port) {
    return port_vlans(m, unit, port).own;
}

uint32_t port_vlan_mode(const Model &m, uint32_t unit, uint32_t port) {
    uint32_t mode;
    configured_vlan(m, unit, port, &mode);
    return mode;
}

bool port_ingress_filter(const Model &m, uint32_t unit, uint32_t port) {
    return read_setting(m, kIfilter, port_key(unit, port)) != 0;
}

uint32_t port_discard(const Model &m, uint32_t unit, uint32_t port) {
    return read_setting(m, kDiscard, port_key(unit, port));
}

bool port_blocks(const Model &m, uint32_t unit, uint32_t port, uint32_t type) {
    return read_setting(m, kBlock, port_sel_key(unit, port, type)) != 0;
}

uint32_t port_priority(const Model &m, uint32_t unit, uint32_t port) {
    return read_setting(m, kPortPriority, port_key(unit, port));
}

uint32_t count_ports(const iflist &l) {
    uint32_t n = 0;
    for (uint32_t w : l.word) n += static_cast<uint32_t>(__builtin_popcount(w));
    return n;
}

int32_t check_ports(const Topology &t, const iflist &l) {
    for (uint32_t u = 1; u <= kMaxUnits; ++u) {
        uint32_t n = t.nports[u - 1];
        uint32_t present = n >= 32 ? ~0u : (1u << n) - 1;
        if (l.word[u - 1] & ~present) return KEL_DRV_ERR_NO_SUCH_PORT;
        if (l.word[u - 1] & t.stack_mask[u - 1]) return KEL_DRV_ERR_NOT_PERMITTED;
    }
    return KEL_DRV_OK;
}

uint32_t read_setting(const Model &m, const Setting &s, uint32_t key) {
    uint32_t v[3];
    setting_read(m, s, key, v);
    return v[0];
}

PortState &port_state(Model &m, uint32_t unit, uint32_t port) { return m.fwd.port[unit - 1][port - 1]; }
const PortState &port_state(const Model &m, uint32_t unit, uint32_t port) {
    return m.fwd.port[unit - 1][port - 1];
}

bool link_up(const Model &m, uint32_t unit, uint32_t port) {
    return m.topo.exists(unit, port) && !port_state(m, unit, port).unplugged &&
           read_setting(m, kAdmin, port_key(unit, port)) == 1;
}

uint64_t clock_now(Model &m) {
    std::time_t wall = std::time(nullptr);
    uint64_t now = add_saturating(wall > 0 ? static_cast<uint64_t>(wall) : 0, m.fwd.clock_offset);
    if (now > m.fwd.clock_last) m.fwd.clock_last = now;
    return m.fwd.clock_last;
}

void advance_clock(Model &m, uint64_t seconds) {
    m.fwd.clock_offset = add_saturating(m.fwd.clock_offset, seconds);
}

int32_t set_cable(Model &m, uint32_t unit, uint32_t port, bool plugged) {
    if (!m.topo.exists(unit, port)) return KEL_DRV_ERR_NO_SUCH_PORT;
    return watching_link(m, unit, port, [&] {
        port_state(m, unit, port).unplugged = plugged ? 0 : 1;
        return KEL_DRV_OK;
    });
}

void port_vlans_attach(Model &m, uint32_t vid) {
    if (!vlan_exists(m, vid)) return;
    for (uint32_t u = 1; u <= kMaxUnits; ++u)
        for (uint32_t p = 1; p <= m.topo.nports[u - 1]; ++p)
            if (names_vlan(m, u, p, vid)) sync_port_vlans(m, u, p);
}

void port_vlan_refresh(Model &m, uint32_t vid, uint32_t unit, uint32_t port) {
    if (vlan_exists(m, vid) && m.topo.exists(unit, port))
        apply(m, port_vlans(m, unit, port), unit, port, vid);
}

void init_forwarding_area(Model &m) {
    uint64_t now = clock_now(m);
    for (uint32_t u = 1; u <= kMaxUnits; ++u)
        for (uint32_t p = 1; p <= m.topo.nports[u - 1]; ++p) {
            port_state(m, u, p).link_since = now;
            sync_port_vlans(m, u, p);
        }
    init_cosq(m);
}

}  // namespace kelsim
