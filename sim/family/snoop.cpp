// snoop.cpp - the simulated GARP timers (0x12), GVRP (0x13), IGMP
// snooping (0x15) and DHCP snooping (0x16).
//
// Plain switch and port values are Setting rows; the per-VLAN switches are
// VLAN sets of their own, since the driver also answers them as whole
// lists. Per-VLAN settings take any VLAN id 1..4094, whether or not the
// VLAN exists yet, as a switch's configuration may come before its VLANs.
#include <cstring>

#include "entry/control.h"
#include "family/commands.h"
#include "family/policy.h"
#include "family/protocol_common.h"
#include "family/protocol_control.h"
#include "kel_driver.h"

namespace kelsim {

namespace {

// GARP timers travel in a record; the row only keys and stores them.
constexpr Setting kGarpTimes{0x1201, Key::port, 0, 3, {kNoWord, kNoWord, kNoWord}, {20, 60, 1000}, {}, {}};
constexpr Setting kGvrpOn = one_word(0x1301, Key::none, &kel_ioreq::value, 0, 0, 1);
constexpr Setting kGvrpPort = one_word(0x1303, Key::port, &kel_ioreq::value, 0, 0, 1);
constexpr Setting kGvrpMode = one_word(0x1305, Key::port, &kel_ioreq::value, 0, 0, 2);
constexpr Setting kIgmpOn = one_word(0x1501, Key::none, &kel_ioreq::value, 0, 0, 1);
constexpr Setting kLmqi = one_word(0x1503, Key::none, &kel_ioreq::count, 10, 1, 250);
constexpr Setting kDhcpOn = one_word(0x1601, Key::none, &kel_ioreq::value, 0, 0, 1);
constexpr Setting kTrust = one_word(0x1607, Key::port, &kel_ioreq::value, 0, 0, 1);

constexpr uint32_t kGvrpForbidden = 2;

int32_t garp_set(Context &c) {
    uint32_t key;
    if (int32_t st = setting_key(c.m, c.b, kGarpTimes, &key)) return st;
    if (!c.has_buf()) return KEL_DRV_ERR_NULL_BUFFER;
    kel_drv_garp_times r;
    if (int32_t st = c.get(r)) return st;
    if (r.join < 10 || uint64_t{r.leave} < 3 * uint64_t{r.join} || r.leave_all <= r.leave)
        return KEL_DRV_ERR_BAD_VALUE;
    uint32_t v[3] = {r.join, r.leave, r.leave_all};
    return setting_write(c.m, kGarpTimes, key, v) ? KEL_DRV_OK : KEL_DRV_ERR_TABLE_FULL;
}

int32_t garp_get(Context &c) {
    uint32_t key, v[3];
    if (int32_t st = setting_key(c.m, c.b, kGarpTimes, &key)) return st;
    setting_read(c.m, kGarpTimes, key, v);
    return answer(c, kel_drv_garp_times{v[0], v[1], v[2]});
}

int32_t gvrp_stats(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    kel_drv_gvrp_stats r;
    std::memcpy(&r, c.m.proto.gvrp_stats[c.b.unit - 1][c.b.port - 1], sizeof r);
    return answer(c, r);
}

int32_t gvrp_stats_clear(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    std::memset(c.m.proto.gvrp_stats[c.b.unit - 1][c.b.port - 1], 0, sizeof(kel_drv_gvrp_stats));
    return KEL_DRV_OK;
}

// One VLAN's bit in a set: the VLAN id and an on/off value.
int32_t vlan_bit_set(Context &c, vlanlist &set) {
    if (!is_vid(c.b.vid) || c.b.value > 1) return KEL_DRV_ERR_BAD_VALUE;
    set_vlan_bit(set, c.b.vid, c.b.value != 0);
    return KEL_DRV_OK;
}

int32_t vlan_bit_get(Context &c, const vlanlist &set) {
    if (!is_vid(c.b.vid)) return KEL_DRV_ERR_BAD_VALUE;
    c.b.value = vlan_bit(set, c.b.vid);
    return KEL_DRV_OK;
}

int32_t igmp_vlan_set(Context &c) { return vlan_bit_set(c, c.m.proto.igmp_vlans); }
int32_t igmp_vlan_get(Context &c) { return vlan_bit_get(c, c.m.proto.igmp_vlans); }
int32_t igmp_ileave_set(Context &c) { return vlan_bit_set(c, c.m.proto.igmp_ileave); }
int32_t igmp_ileave_get(Context &c) { return vlan_bit_get(c, c.m.proto.igmp_ileave); }
int32_t igmp_vlan_list(Context &c) { return answer(c, c.m.proto.igmp_vlans); }
int32_t igmp_ileave_list(Context &c) { return answer(c, c.m.proto.igmp_ileave); }

// Switching DHCP snooping off forgets every binding it had learned.
int32_t dhcp_status_set(Context &c) {
    int32_t st = setting_set(c);
    if (st == KEL_DRV_OK && c.b.value == 0) std::memset(c.m.proto.binding, 0, sizeof c.m.proto.binding);
    return st;
}

int32_t dhcp_vlan_set(Context &c) { return vlan_bit_set(c, c.m.proto.dhcp_vlans); }
int32_t dhcp_vlan_get(Context &c) { return vlan_bit_get(c, c.m.proto.dhcp_vlans); }

int32_t dhcp_vlanlist_set(Context &c) {
    if (!c.has_buf()) return KEL_DRV_ERR_NULL_BUFFER;
    vlanlist l;
    if (int32_t st = c.get(l)) return st;
    if (has_bits_beyond_vlans(l)) return KEL_DRV_ERR_BAD_VALUE;
    c.m.proto.dhcp_vlans = l;
    return KEL_DRV_OK;
}

int32_t dhcp_vlanlist_get(Context &c) { return answer(c, c.m.proto.dhcp_vlans); }

int32_t dhcp_bind_next(Context &c) {
    for (uint32_t i = c.b.index; i < kDhcpBindings; ++i) {
        const DhcpBinding &b = c.m.proto.binding[i];
        if (!b.used) continue;
        if (int32_t st = answer(c, b.rec)) return st;
        c.b.index = i + 1;
        return KEL_DRV_OK;
    }
    return KEL_DRV_ERR_END_OF_TABLE;
}

const Command kGarp[] = {
    {0x1201, "garp_port_times_set", garp_set, nullptr, In::fixed, sizeof(kel_drv_garp_times)},
    {0x1202, "garp_port_times_get", garp_get},
};

const Command kGvrp[] = {
    {0x1301, "gvrp_status_set", setting_set, &kGvrpOn},
    {0x1302, "gvrp_status_get", setting_get, &kGvrpOn},
    {0x1303, "gvrp_port_set", setting_set, &kGvrpPort},
    {0x1304, "gvrp_port_get", setting_get, &kGvrpPort},
    {0x1305, "gvrp_port_mode_set", setting_set, &kGvrpMode},
    {0x1306, "gvrp_port_mode_get", setting_get, &kGvrpMode},
    {0x1307, "gvrp_port_stats_get", gvrp_stats},
    {0x1308, "gvrp_port_stats_clear", gvrp_stats_clear},
};

const Command kIgmp[] = {
    {0x1501, "igmpsnoop_status_set", setting_set, &kIgmpOn},
    {0x1502, "igmpsnoop_status_get", setting_get, &kIgmpOn},
    {0x1503, "igmpsnoop_lmqi_set", setting_set, &kLmqi},
    {0x1504, "igmpsnoop_lmqi_get", setting_get, &kLmqi},
    {0x1505, "igmpsnoop_vlan_set", igmp_vlan_set},
    {0x1506, "igmpsnoop_vlan_get", igmp_vlan_get},
    {0x1507, "igmpsnoop_ileave_set", igmp_ileave_set},
    {0x1508, "igmpsnoop_ileave_get", igmp_ileave_get},
    {0x1509, "igmpsnoop_vlan_list_get", igmp_vlan_list},
    {0x150A, "igmpsnoop_ileave_list_get", igmp_ileave_list},
};

const Command kDhcpSnoop[] = {
    {0x1601, "dhcpsnoop_status_set", dhcp_status_set, &kDhcpOn},
    {0x1602, "dhcpsnoop_status_get", setting_get, &kDhcpOn},
    {0x1603, "dhcpsnoop_vlan_set", dhcp_vlan_set},
    {0x1604, "dhcpsnoop_vlan_get", dhcp_vlan_get},
    {0x1605, "dhcpsnoop_vlanlist_set", dhcp_vlanlist_set, nullptr, In::fixed, sizeof(vlanlist)},
    {0x1606, "dhcpsnoop_vlanlist_get", dhcp_vlanlist_get},
    {0x1607, "dhcpsnoop_trust_set", setting_set, &kTrust},
    {0x1608, "dhcpsnoop_trust_get", setting_get, &kTrust},
    {0x1609, "dhcpsnoop_bind_getnext", dhcp_bind_next},
};

}  // namespace

const Family kGarpFamily = family(kGarp);
const Family kGvrpFamily = family(kGvrp);
const Family kIgmpFamily = family(kIgmp);
const Family kDhcpSnoopFamily = family(kDhcpSnoop);

bool add_dhcp_binding(const kel_drv_dhcp_binding &binding) {
    bool added = false;
    with_model([&](Model &m) {
        if (!switch_value(m, kDhcpOn) || !m.topo.exists(binding.unit, binding.port)) return;
        for (DhcpBinding &b : m.proto.binding)
            if (!b.used) {
                b.used = 1;
                b.rec = binding;
                added = true;
                return;
            }
    });
    return added;
}

vlanlist igmp_snooping_vlans(const Model &m) {
    return switch_value(m, kIgmpOn) ? m.proto.igmp_vlans : vlanlist{};
}
vlanlist igmp_immediate_leave_vlans(const Model &m) { return m.proto.igmp_ileave; }
uint32_t igmp_lmqi(const Model &m) { return switch_value(m, kLmqi); }
vlanlist dhcp_snooping_vlans(const Model &m) {
    return switch_value(m, kDhcpOn) ? m.proto.dhcp_vlans : vlanlist{};
}
bool dhcp_trusted(const Model &m, uint32_t unit, uint32_t port) { return port_value(m, kTrust, unit, port); }

bool dhcp_bind(Model &m, const kel_drv_dhcp_binding &rec, uint64_t now) {
    if (!switch_value(m, kDhcpOn) || !m.topo.exists(rec.unit, rec.port)) return false;
    DhcpBinding *free = nullptr;
    for (DhcpBinding &b : m.proto.binding) {
        if (b.used && b.rec.vid == rec.vid && std::memcmp(b.rec.mac, rec.mac, 6) == 0) {
            free = &b;
            break;
        }
        if (!b.used && !free) free = &b;
    }
    if (!free) return false;
    free->used = 1;
    free->rec = rec;
    free->expires = rec.lease == UINT32_MAX ? 0 : add_saturating(now, rec.lease);
    return true;
}

void dhcp_unbind(Model &m, const uint8_t *mac, uint32_t ip) {
    for (DhcpBinding &b : m.proto.binding)
        if (b.used && b.rec.ip == ip && std::memcmp(b.rec.mac, mac, 6) == 0) std::memset(&b, 0, sizeof b);
}

bool dhcp_upkeep(Model &m, uint64_t now) {
    bool changed = false;
    for (DhcpBinding &b : m.proto.binding)
        if (b.used && b.expires && now >= b.expires) {
            std::memset(&b, 0, sizeof b);
            changed = true;
        }
    return changed;
}

bool gvrp_on(const Model &m) { return switch_value(m, kGvrpOn); }
bool gvrp_port_on(const Model &m, uint32_t unit, uint32_t port) {
    return port_value(m, kGvrpPort, unit, port);
}
uint32_t gvrp_mode(const Model &m, uint32_t unit, uint32_t port) {
    return port_value(m, kGvrpMode, unit, port);
}
void garp_times(const Model &m, uint32_t unit, uint32_t port, uint32_t cs[3]) {
    kel_ioreq b{};
    b.unit = unit;
    b.port = port;
    uint32_t key;
    if (setting_key(m, b, kGarpTimes, &key) != KEL_DRV_OK) key = 0;
    setting_read(m, kGarpTimes, key, cs);
}

void gvrp_count(Model &m, uint32_t unit, uint32_t port, const uint32_t *rx, const uint32_t *tx,
                uint32_t failed) {
    uint32_t *stats = m.proto.gvrp_stats[unit - 1][port - 1];
    for (uint32_t t = 0; t < KEL_DRV_GVRP_MESSAGE_TYPES; ++t) {
        stats[t] += rx[t];
        stats[KEL_DRV_GVRP_MESSAGE_TYPES + t] += tx[t];
    }
    stats[2 * KEL_DRV_GVRP_MESSAGE_TYPES] += failed;
}

bool gvrp_receive(uint32_t unit, uint32_t port, kel_drv_gvrp_msg type, uint32_t n) {
    bool counted = false;
    with_model([&](Model &m) {
        if (!m.topo.exists(unit, port) || type >= KEL_DRV_GVRP_MESSAGE_TYPES) return;
        if (!switch_value(m, kGvrpOn) || !port_value(m, kGvrpPort, unit, port)) return;
        uint32_t *stats = m.proto.gvrp_stats[unit - 1][port - 1];
        stats[type] += n;
        if (port_value(m, kGvrpMode, unit, port) == kGvrpForbidden &&
            (type == KEL_DRV_GVRP_JOIN_EMPTY || type == KEL_DRV_GVRP_JOIN_IN))
            stats[2 * KEL_DRV_GVRP_MESSAGE_TYPES] += n;
        counted = true;
    });
    return counted;
}

}  // namespace kelsim
