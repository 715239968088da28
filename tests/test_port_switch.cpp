// The simulated switch behind the port, statistics, trunk, LACP, mirroring,
// queue, rate and storm-control commands: settings read back what was set,
// state follows the topology, cable and administrative state, traffic moves
// the counters, and requests for things that do not exist change nothing.
#include <functional>

#include "area_vlan.h"
#include "kel_driver.h"
#include "sim_fixture.h"

namespace {

using kel_test::ports;
using kel_test::vlans;

using namespace kelsim;

const ifport kFe{1, 0, 3}, kGe{2, 0, 25}, kNone{1, 0, 27}, kAbsentUnit{3, 0, 1};

class PortSwitch : public kel_test::SimTest {};

// One row per plain setting: its initial value, a value it takes, one it refuses.
struct SettingCase {
    const char *name;
    std::function<int32_t(const ifport *, uint32_t)> set;
    std::function<int32_t(const ifport *, uint32_t *)> get;
    uint32_t initial, good, bad;
};

const SettingCase kSettings[] = {
    {"admin", kel_port_admin_set, kel_port_admin_get, 1, 0, 2},
    {"autoneg", kel_port_autoneg_set, kel_port_autoneg_get, 1, 0, 2},
    {"duplex", kel_port_duplex_set, kel_port_duplex_get, 0, 2, 3},
    {"speed", kel_port_speed_set, kel_port_speed_get, 0, 100, 1000},  // 1000 only on Gigabit ports
    {"flowctrl", kel_port_flowctrl_set, kel_port_flowctrl_get, 0, 1, 2},
    {"priority", kel_port_priority_set, kel_port_priority_get, 0, 7, 8},
    {"ifilter", kel_port_ifilter_set, kel_port_ifilter_get, 0, 1, 2},
    {"discard", kel_port_discard_set, kel_port_discard_get, 0, 2, 3},
    {"mdix", kel_port_mdix_set, kel_port_mdix_get, 0, 2, 3},
    {"block 1", [](const ifport *p, uint32_t v) { return kel_port_block_set(p, 1, v); },
     [](const ifport *p, uint32_t *v) { return kel_port_block_get(p, 1, v); }, 0, 1, 2},
    {"storm 2", [](const ifport *p, uint32_t v) { return kel_storm_ctrl_set(p, 2, v); },
     [](const ifport *p, uint32_t *v) { return kel_storm_ctrl_get(p, 2, v); }, 0, 1000, 1488096},
    {"tx rate", [](const ifport *p, uint32_t v) { return kel_qos_tx_rate_set(p, v, 8); },
     [](const ifport *p, uint32_t *v) { return kel_qos_tx_rate_get(p, v, nullptr); }, 0, 5000, 100001},
    {"rx rate", [](const ifport *p, uint32_t v) { return kel_qos_rx_rate_set(p, v, 8); },
     [](const ifport *p, uint32_t *v) { return kel_qos_rx_rate_get(p, v, nullptr); }, 0, 5000, 100001},
    {"lacp port prio", kel_lacp_port_prio_set, kel_lacp_port_prio_get, 32768, 1, 65536},
};

TEST_F(PortSwitch, SettingsReadBackPerPort) {
    const ifport other{1, 0, 4};
    for (const SettingCase &c : kSettings) {
        SCOPED_TRACE(c.name);
        uint32_t v = 12345;
        ASSERT_EQ(c.get(&kFe, &v), 0);
        EXPECT_EQ(v, c.initial);
        ASSERT_EQ(c.set(&kFe, c.good), 0);
        ASSERT_EQ(c.get(&kFe, &v), 0);
        EXPECT_EQ(v, c.good);
        ASSERT_EQ(c.get(&other, &v), 0);
        EXPECT_EQ(v, c.initial);  // another port keeps its own
        EXPECT_EQ(c.set(&kFe, c.bad), KEL_DRV_ERR_BAD_VALUE);
        EXPECT_EQ(c.set(&kNone, c.good), KEL_DRV_ERR_NO_SUCH_PORT);
        EXPECT_EQ(c.set(&kAbsentUnit, c.good), KEL_DRV_ERR_NO_SUCH_PORT);
        EXPECT_EQ(c.get(&kNone, &v), KEL_DRV_ERR_NO_SUCH_PORT);
        ASSERT_EQ(c.get(&kFe, &v), 0);
        EXPECT_EQ(v, c.good);  // refusals changed nothing
    }
    uint32_t speed = 0, rate = 0, aux = 0;
    EXPECT_EQ(kel_port_speed_set(&kGe, 1000), 0);
    EXPECT_EQ(kel_port_speed_get(&kGe, &speed), 0);
    EXPECT_EQ(speed, 1000u);
    EXPECT_EQ(kel_port_speed_set(&kGe, 50), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_qos_tx_rate_set(&kGe, 1000000, 16384), 0);
    EXPECT_EQ(kel_qos_tx_rate_get(&kGe, &rate, &aux), 0);
    EXPECT_EQ(rate, 1000000u);
    EXPECT_EQ(aux, 16384u);
    EXPECT_EQ(kel_storm_ctrl_set(&kFe, 3, 10), KEL_DRV_ERR_BAD_VALUE);  // no such traffic type
    EXPECT_EQ(kel_port_block_set(&kFe, 2, 1), KEL_DRV_ERR_BAD_VALUE);
}

TEST_F(PortSwitch, LinkMediumUptimeFollowTheCableAndAdminState) {
    uint32_t link = 9, medium = 9, up = 9, stp = 9;
    ASSERT_EQ(kel_port_medium_get(&kFe, &medium), 0);
    EXPECT_EQ(medium, 1u);
    ASSERT_EQ(kel_port_medium_get(&kGe, &medium), 0);
    EXPECT_EQ(medium, 2u);
    ASSERT_EQ(kel_port_linkstat_get(&kFe, &link), 0);
    EXPECT_EQ(link, 1u);
    with_model([](Model &m) { advance_clock(m, 30); });
    ASSERT_EQ(kel_port_uptime_get(&kFe, &up), 0);
    EXPECT_GE(up, 30u);
    ASSERT_EQ(kel_port_admin_set(&kFe, 0), 0);
    EXPECT_EQ(kel_port_linkstat_get(&kFe, &link), 0);
    EXPECT_EQ(link, 0u);
    EXPECT_EQ(kel_port_uptime_get(&kFe, &up), 0);
    EXPECT_EQ(up, 0u);
    EXPECT_EQ(kel_port_stp_get(&kFe, &stp), 0);
    EXPECT_EQ(stp, KEL_DRV_PORT_STP_DISABLED);
    ASSERT_EQ(kel_port_admin_set(&kFe, 1), 0);  // the uptime starts again
    with_model([](Model &m) {
        advance_clock(m, 5);
        EXPECT_EQ(set_cable(m, 1, 3, false), KEL_DRV_OK);
        EXPECT_EQ(set_cable(m, 1, 27, false), KEL_DRV_ERR_NO_SUCH_PORT);
    });
    EXPECT_EQ(kel_port_linkstat_get(&kFe, &link), 0);
    EXPECT_EQ(link, 0u);
    with_model([](Model &m) { set_cable(m, 1, 3, true); });
    EXPECT_EQ(kel_port_uptime_get(&kFe, &up), 0);
    EXPECT_LT(up, 5u);
    EXPECT_EQ(kel_port_stp_get(&kFe, &stp), 0);
    EXPECT_EQ(stp, KEL_DRV_PORT_STP_FORWARDING);
    EXPECT_EQ(kel_port_linkstat_get(&kNone, &link), KEL_DRV_ERR_NO_SUCH_PORT);
}

// The VLAN sets a port is in, as the VLAN record shows them.
struct Sets {
    bool member, untagged, native;
    bool operator==(const Sets &o) const {
        return member == o.member && untagged == o.untagged && native == o.native;
    }
};

Sets sets_of(uint32_t vid, const ifport &p) {
    vlaninfo info{};
    EXPECT_EQ(kel_vlan_get(vid, &info), 0) << vid;
    auto has = [&](int i) { return ((info.set[i].word[p.unit - 1] >> (p.port - 1)) & 1u) != 0; };
    return Sets{has(KEL_DRV_VLAN_MEMBERS), has(KEL_DRV_VLAN_UNTAGGED), has(KEL_DRV_VLAN_NATIVE)};
}

// Creates VLANs, and lets the ports that name them join, as the VLAN family
// is to do when it makes a VLAN.
void make_vlans(std::initializer_list<uint32_t> vids) {
    for (uint32_t vid : vids) ASSERT_EQ(kel_vlan_create(vid), 0) << vid;  // ports join on creation
}

TEST_F(PortSwitch, VlanModeAndAllowedVlansDriveVlanMembership) {
    make_vlans({10, 20, 30});
    const Sets none{false, false, false}, tagged{true, false, false}, untagged{true, true, false},
        own{true, true, true};
    EXPECT_EQ(sets_of(1, kFe), own);  // access in VLAN 1 from the start
    vlanlist t = vlans({20, 30, 40}), u = vlans({30});
    ASSERT_EQ(kel_port_allow_vlans_add(&kFe, &t, KEL_DRV_ALLOW_TAGGED), 0);
    ASSERT_EQ(kel_port_allow_vlans_add(&kFe, &u, KEL_DRV_ALLOW_UNTAGGED), 0);
    EXPECT_EQ(sets_of(20, kFe), none);  // an access port ignores its lists
    ASSERT_EQ(kel_port_vlan_mode_set(&kFe, 10, KEL_DRV_VLAN_MODE_TRUNK), 0);
    EXPECT_EQ(sets_of(1, kFe), none);
    EXPECT_EQ(sets_of(10, kFe), own);
    EXPECT_EQ(sets_of(20, kFe), tagged);
    EXPECT_EQ(sets_of(30, kFe), none);  // moved to the untagged list, unused by a trunk port
    ASSERT_EQ(kel_port_vlan_mode_set(&kFe, 10, KEL_DRV_VLAN_MODE_HYBRID), 0);
    EXPECT_EQ(sets_of(30, kFe), untagged);
    make_vlans({40});  // a VLAN made later is joined from the lists
    EXPECT_EQ(sets_of(40, kFe), tagged);
    vlanlist del = vlans({20, 30});
    ASSERT_EQ(kel_port_allow_vlans_del(&kFe, &del), 0);
    EXPECT_EQ(sets_of(20, kFe), none);
    EXPECT_EQ(sets_of(30, kFe), none);
    vlanlist high = vlans({4095, 4096}), got{}, want = vlans({40});
    ASSERT_EQ(kel_port_allow_vlans_add(&kFe, &high, KEL_DRV_ALLOW_TAGGED),
              0);  // beyond the VLAN range: ignored
    ASSERT_EQ(kel_port_allow_vlans_get(&kFe, &got, KEL_DRV_ALLOW_TAGGED), 0);
    EXPECT_EQ(std::memcmp(&got, &want, sizeof got), 0);
    uint32_t vid = 0, mode = 0;
    ASSERT_EQ(kel_port_vlan_mode_get(&kFe, &vid, &mode), 0);
    EXPECT_EQ(vid, 10u);
    EXPECT_EQ(mode, KEL_DRV_VLAN_MODE_HYBRID);
    ASSERT_EQ(kel_port_vlan_mode_set(&kFe, 50, KEL_DRV_VLAN_MODE_ACCESS), 0);
    ASSERT_EQ(kel_port_admin_vlan_get(&kFe, &vid), 0);
    EXPECT_EQ(vid, 50u);
    ASSERT_EQ(kel_port_oper_vlan_get(&kFe, &vid), 0);
    EXPECT_EQ(vid, 1u);  // VLAN 50 does not exist: VLAN 1 stands in
    EXPECT_EQ(sets_of(1, kFe), own);
    EXPECT_EQ(sets_of(10, kFe), none);
    make_vlans({50});
    EXPECT_EQ(sets_of(50, kFe), own);
    EXPECT_EQ(sets_of(1, kFe), none);
    ASSERT_EQ(kel_port_oper_vlan_get(&kFe, &vid), 0);
    EXPECT_EQ(vid, 50u);
    ASSERT_EQ(kel_vlan_destroy(50), 0);  // back to VLAN 1, the setting kept
    ASSERT_EQ(kel_port_oper_vlan_get(&kFe, &vid), 0);
    EXPECT_EQ(vid, 1u);
    EXPECT_EQ(sets_of(1, kFe), own);
    ASSERT_EQ(kel_port_admin_vlan_get(&kFe, &vid), 0);
    EXPECT_EQ(vid, 50u);
    // A VLAN that forbids a port is joined neither tagged nor as its own.
    const ifport p5{1, 0, 5};
    with_model([](Model &m) { vlan_set_port(m, 20, KEL_DRV_VLAN_FORBIDDEN, 1, 5, true); });
    vlanlist t20 = vlans({20});
    ASSERT_EQ(kel_port_allow_vlans_add(&p5, &t20, KEL_DRV_ALLOW_TAGGED), 0);
    ASSERT_EQ(kel_port_vlan_mode_set(&p5, 20, KEL_DRV_VLAN_MODE_TRUNK), 0);
    EXPECT_EQ(sets_of(20, p5), none);
    EXPECT_EQ(sets_of(1, p5), own);
    EXPECT_EQ(kel_port_vlan_mode_set(&kFe, 4095, KEL_DRV_VLAN_MODE_ACCESS), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_port_vlan_mode_set(&kFe, 10, 4), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_port_allow_vlans_add(&kFe, &t, 3), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_port_allow_vlans_add(&kFe, nullptr, 1), KEL_DRV_ERR_NULL_BUFFER);
    EXPECT_EQ(kel_port_allow_vlans_get(&kNone, &got, 1), KEL_DRV_ERR_NO_SUCH_PORT);
}

// Counters of one port as the whole record shows them.
kel_drv_stats record_of(const ifport &p) {
    kel_drv_stats r{};
    EXPECT_EQ(kel_stats_port_get(&p, &r), 0);
    return r;
}

void send_traffic(const ifport &p, Traffic t) {
    with_model([&](Model &m) { EXPECT_EQ(traffic(m, p.unit, p.port, t), KEL_DRV_OK); });
}

TEST_F(PortSwitch, TrafficMovesTheCounters) {
    send_traffic(kFe, {10, 1000, Direction::rx, Cast::unicast});
    send_traffic(kFe, {4, 4 * 300, Direction::rx, Cast::broadcast});
    send_traffic(kFe, {3, 3 * 1500, Direction::tx, Cast::multicast});
    send_traffic(kFe, {2, 2 * 40, Direction::rx, Cast::unicast});  // runts
    send_traffic(kFe, {1, 9000, Direction::rx, Cast::unicast});    // too long
    kel_drv_stats r = record_of(kFe);
    EXPECT_EQ(r.unit, 1u);
    EXPECT_EQ(r.port, 3u);
    EXPECT_EQ(r.counter[KEL_DRV_CTR_RX_OCTETS], 2200u);
    EXPECT_EQ(r.counter[KEL_DRV_CTR_RX_UCAST], 10u);
    EXPECT_EQ(r.counter[KEL_DRV_CTR_RX_NUCAST], 4u);
    EXPECT_EQ(r.counter[KEL_DRV_CTR_RX_BCAST], 4u);
    EXPECT_EQ(r.counter[KEL_DRV_CTR_IN_FRAME], 14u);
    EXPECT_EQ(r.counter[KEL_DRV_CTR_65_TO_127_OCTETS], 10u);
    EXPECT_EQ(r.counter[KEL_DRV_CTR_256_TO_511_OCTETS], 4u);
    EXPECT_EQ(r.counter[KEL_DRV_CTR_1024_TO_1518_OCTETS], 3u);
    EXPECT_EQ(r.counter[KEL_DRV_CTR_TX_OCTETS], 4500u);
    EXPECT_EQ(r.counter[KEL_DRV_CTR_TX_NUCAST], 3u);
    EXPECT_EQ(r.counter[KEL_DRV_CTR_UNDERSIZE], 2u);
    EXPECT_EQ(r.counter[KEL_DRV_CTR_OVERSIZE], 1u);
    EXPECT_EQ(r.counter[KEL_DRV_CTR_RX_ERROR], 3u);
    uint32_t v = 0;
    EXPECT_EQ(kel_stats_rxucast_pkts_get(&kFe, &v), 0);
    EXPECT_EQ(v, 10u);
    EXPECT_EQ(kel_stats_txocts_get(&kFe, &v), 0);
    EXPECT_EQ(v, 4500u);
    EXPECT_EQ(record_of(kGe).counter[KEL_DRV_CTR_RX_OCTETS], 0u);  // another port is untouched
    // A storm limit and a dead link.
    ASSERT_EQ(kel_storm_ctrl_set(&kFe, 0, 100), 0);
    send_traffic(kFe, {250, 250 * 64, Direction::rx, Cast::broadcast});
    ASSERT_EQ(kel_port_admin_set(&kFe, 0), 0);
    send_traffic(kFe, {7, 7 * 64, Direction::tx, Cast::unicast});
    send_traffic(kFe, {7, 7 * 64, Direction::rx, Cast::unicast});
    r = record_of(kFe);
    EXPECT_EQ(r.counter[KEL_DRV_CTR_RX_BCAST], 104u);
    EXPECT_EQ(r.counter[KEL_DRV_CTR_RX_DISCARD], 150u);
    EXPECT_EQ(r.counter[KEL_DRV_CTR_DROP_EVENTS], 1u);
    EXPECT_EQ(r.counter[KEL_DRV_CTR_TX_DISCARD], 7u);
    EXPECT_EQ(r.counter[KEL_DRV_CTR_RX_UCAST], 10u);
}

TEST_F(PortSwitch, CountersWrapAndUnknownSelectorsAreRefused) {
    with_model([](Model &m) {
        EXPECT_EQ(count_event(m, 1, 3, KEL_DRV_CTR_COLLISIONS, 0xFFFFFFFFu), KEL_DRV_OK);
        EXPECT_EQ(count_event(m, 1, 3, KEL_DRV_CTR_COLLISIONS, 3), KEL_DRV_OK);
        EXPECT_EQ(count_event(m, 1, 3, 12, 1), KEL_DRV_ERR_BAD_VALUE);
        EXPECT_EQ(count_event(m, 1, 27, KEL_DRV_CTR_COLLISIONS, 1), KEL_DRV_ERR_NO_SUCH_PORT);
    });
    uint32_t v = 0;
    EXPECT_EQ(kel_stats_collision_pkts_get(&kFe, &v), 0);
    EXPECT_EQ(v, 2u);
    for (uint32_t sel : {12u, 13u, 14u, 33u, 34u, 37u, 38u, 40u, 43u, 0xFFFFFFFFu}) {
        kel_ioreq b{};
        b.cmd = 0x0C01;
        b.unit = 1;
        b.port = 3;
        b.sel = sel;
        EXPECT_EQ(kel_ioctl(KEL_IOCTL_REQUEST, &b), 0);
        EXPECT_EQ(b.status, KEL_DRV_ERR_BAD_VALUE) << sel;
    }
    kel_drv_stats r{};
    kelsim::clear_journal();
    EXPECT_EQ(kel_stats_port_get(&kNone, &r), 0);  // refused, and still 0
    EXPECT_EQ(kel_test::last_sent().answer.status, KEL_DRV_ERR_NO_SUCH_PORT);
}

TEST_F(PortSwitch, TrunksAndLacp) {
    iflist members = ports({{1, 0, 1}, {1, 0, 2}, {2, 0, 25}});
    ASSERT_EQ(kel_static_trunk_set(2, &members), 0);
    uint32_t id = 0, criteria = 0;
    ASSERT_EQ(kel_port_trunk_id_get(&kGe, &id), 0);
    EXPECT_EQ(id, 2u);
    EXPECT_EQ(kel_is_static_trunk_port(&kGe), 1);
    EXPECT_EQ(kel_is_dynamic_trunk_port(&kGe), 0);
    EXPECT_EQ(kel_is_static_trunk_port(&kFe), 0);
    kel_drv_trunk t{};
    ASSERT_EQ(kel_trunk_get(2, &t), 0);
    EXPECT_EQ(t.kind, KEL_DRV_TRUNK_STATIC);
    EXPECT_EQ(t.count, 3u);
    EXPECT_EQ(std::memcmp(&t.members, &members, sizeof members), 0);
    ASSERT_EQ(kel_trunk_criteria_get(2, &criteria), 0);
    EXPECT_EQ(criteria, 3u);
    ASSERT_EQ(kel_trunk_criteria_set(2, 6), 0);
    ASSERT_EQ(kel_trunk_criteria_get(2, &criteria), 0);
    EXPECT_EQ(criteria, 6u);
    // Refusals that change nothing.
    iflist overlap = ports({{1, 0, 2}, {1, 0, 5}}), none = ports({{1, 0, 27}}), empty{}, nine{};
    nine.word[1] = 0x1FF;
    EXPECT_EQ(kel_static_trunk_set(3, &overlap), KEL_DRV_ERR_NOT_PERMITTED);
    EXPECT_EQ(kel_static_trunk_set(3, &none), KEL_DRV_ERR_NO_SUCH_PORT);
    EXPECT_EQ(kel_static_trunk_set(3, &empty), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_static_trunk_set(3, &nine), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_static_trunk_set(9, &members), KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(kel_static_trunk_set(3, nullptr), KEL_DRV_ERR_NULL_BUFFER);
    EXPECT_EQ(kel_trunk_get(3, &t), KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(kel_trunk_criteria_set(3, 1), KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(kel_trunk_criteria_set(2, 7), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_trunk_destroy(0), KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(kel_lacp_info_get(2, &t), KEL_DRV_ERR_NOT_PERMITTED);  // a static trunk has no LACP data
    // Dynamic: LACP data with the members' priorities and link states.
    ASSERT_EQ(kel_dynamic_trunk_set(2, &members), 0);  // same trunk, new kind
    EXPECT_EQ(kel_is_dynamic_trunk_port(&kGe), 1);
    ASSERT_EQ(kel_lacp_sys_prio_set(100), 0);
    ASSERT_EQ(kel_lacp_port_prio_set(&kGe, 7), 0);
    ASSERT_EQ(kel_port_admin_set(&kGe, 0), 0);
    kel_drv_lacp l{};
    ASSERT_EQ(kel_lacp_info_get(2, &l), 0);
    EXPECT_EQ(l.sys_priority, 100u);
    EXPECT_EQ(l.count, 3u);
    EXPECT_EQ(l.member[2].port, 25u);
    EXPECT_EQ(l.member[2].priority, 7u);
    EXPECT_EQ(l.member[2].state, KEL_DRV_LACP_DEFAULTED);
    EXPECT_EQ(l.member[0].state, KEL_DRV_LACP_ACTIVE);
    ASSERT_EQ(kel_trunk_destroy(2), 0);
    ASSERT_EQ(kel_port_trunk_id_get(&kGe, &id), 0);
    EXPECT_EQ(id, 0u);
    EXPECT_EQ(kel_lacp_info_get(2, &l), KEL_DRV_ERR_NO_SUCH_ENTRY);
    ASSERT_EQ(kel_static_trunk_set(2, &members), 0);  // made again: criteria start over
    ASSERT_EQ(kel_trunk_criteria_get(2, &criteria), 0);
    EXPECT_EQ(criteria, 3u);
}

TEST_F(PortSwitch, MirrorSessions) {
    const ifport monitor{2, 0, 26}, a{1, 0, 1}, b{1, 0, 2};
    ASSERT_EQ(kel_mirror_monitor_set(1, &monitor), 0);
    ASSERT_EQ(kel_mirror_mirrored_set(1, &a, KEL_DRV_MIRROR_RX), 0);
    ASSERT_EQ(kel_mirror_mirrored_set(1, &b, KEL_DRV_MIRROR_RX | KEL_DRV_MIRROR_TX), 0);
    ifport got{};
    ASSERT_EQ(kel_mirror_monitor_get(1, &got), 0);
    EXPECT_EQ(got.unit, 2);
    EXPECT_EQ(got.port, 26);
    iflist rx{}, both{};
    ASSERT_EQ(kel_mirror_mirrored_get(1, KEL_DRV_MIRROR_RX, &rx), 0);
    ASSERT_EQ(kel_mirror_mirrored_get(1, KEL_DRV_MIRROR_RX | KEL_DRV_MIRROR_TX, &both), 0);
    iflist want_rx = ports({a, b}), want_both = ports({b});
    EXPECT_EQ(std::memcmp(&rx, &want_rx, sizeof rx), 0);
    EXPECT_EQ(std::memcmp(&both, &want_both, sizeof both), 0);
    uint32_t session = 0, role = 0;
    ASSERT_EQ(kel_port_mirror_get(&b, &session, &role), 0);
    EXPECT_EQ(session, 1u);
    EXPECT_EQ(role, 3u);
    ASSERT_EQ(kel_port_mirror_get(&monitor, &session, &role), 0);
    EXPECT_EQ(role, KEL_DRV_MIRROR_MONITOR);
    kel_drv_mirror_session r{};
    ASSERT_EQ(kel_mirror_session_get(1, &r), 0);
    EXPECT_EQ(r.active, 1u);
    EXPECT_EQ(r.monitor_port, 26u);
    // A port is source or destination, in one session at a time.
    EXPECT_EQ(kel_mirror_mirrored_set(2, &a, KEL_DRV_MIRROR_TX), KEL_DRV_ERR_NOT_PERMITTED);
    EXPECT_EQ(kel_mirror_mirrored_set(1, &monitor, KEL_DRV_MIRROR_TX), KEL_DRV_ERR_NOT_PERMITTED);
    EXPECT_EQ(kel_mirror_monitor_set(2, &a), KEL_DRV_ERR_NOT_PERMITTED);
    iflist with_monitor = ports({monitor});
    EXPECT_EQ(kel_static_trunk_set(1, &with_monitor), KEL_DRV_ERR_NOT_PERMITTED);
    EXPECT_EQ(kel_mirror_monitor_set(5, &monitor), KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(kel_mirror_mirrored_set(1, &kNone, KEL_DRV_MIRROR_RX), KEL_DRV_ERR_NO_SUCH_PORT);
    EXPECT_EQ(kel_mirror_mirrored_set(1, &a, 4), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_mirror_mirrored_get(1, 0, &rx), KEL_DRV_ERR_BAD_VALUE);
    ASSERT_EQ(kel_mirror_mirrored_set(1, &b, 0), 0);
    ASSERT_EQ(kel_port_mirror_get(&b, &session, &role), 0);
    EXPECT_EQ(session, 0u);
    ASSERT_EQ(kel_mirror_monitor_set(1, nullptr), 0);
    ASSERT_EQ(kel_mirror_session_get(1, &r), 0);
    EXPECT_EQ(r.monitor_unit, 0u);
    EXPECT_EQ(r.active, 0u);
}

TEST_F(PortSwitch, CosMapAndQueuePolicy) {
    uint32_t q = 9, policy = 0;
    ASSERT_EQ(kel_cosq_map_get(0, &q), 0);
    EXPECT_EQ(q, 1u);
    ASSERT_EQ(kel_cosq_map_set(0, 3), 0);
    ASSERT_EQ(kel_cosq_map_get(0, &q), 0);
    EXPECT_EQ(q, 3u);
    EXPECT_EQ(kel_cosq_map_set(0, 4), KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(kel_cosq_map_set(8, 1), KEL_DRV_ERR_BAD_VALUE);
    ASSERT_EQ(kel_cosq_map_reset(), 0);
    ASSERT_EQ(kel_cosq_map_get(0, &q), 0);
    EXPECT_EQ(q, 1u);
    // The driver reads and writes whole weights within len, no more.
    uint32_t weights[6] = {10, 20, 30, 40, 50, 60};
    ASSERT_EQ(kel_cosq_policy_set(KEL_DRV_COS_STRICT, weights, 10), 0);  // two whole words
    uint32_t out[6] = {0, 0, 0, 0, 0xEEEEEEEE, 0xEEEEEEEE};
    ASSERT_EQ(kel_cosq_policy_get(&policy, out, 64), 0);
    EXPECT_EQ(policy, KEL_DRV_COS_STRICT);
    EXPECT_EQ(out[0], 10u);
    EXPECT_EQ(out[1], 20u);
    EXPECT_EQ(out[2], 4u);  // kept
    EXPECT_EQ(out[4], 0xEEEEEEEEu);
    uint32_t one[2] = {0, 0xEEEEEEEE};
    ASSERT_EQ(kel_cosq_policy_get(&policy, one, 7), 0);
    EXPECT_EQ(one[1], 0xEEEEEEEEu);
    weights[1] = 256;
    EXPECT_EQ(kel_cosq_policy_set(KEL_DRV_COS_WRR, weights, 16), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_cosq_policy_set(3, weights, 0), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_cosq_policy_set(KEL_DRV_COS_WRR, nullptr, 16), KEL_DRV_ERR_NULL_BUFFER);
    ASSERT_EQ(kel_cosq_policy_get(&policy, out, 16), 0);
    EXPECT_EQ(policy, KEL_DRV_COS_STRICT);  // unchanged by the refusals
    EXPECT_EQ(out[1], 20u);
}

}  // namespace
