// The simulated switch behind the system, VLAN, port, statistics, trunk,
// mirroring, queue and address-table commands: what the library and kelctl
// rely on beyond plain settings (test_settings reads those back): records
// that follow the topology, VLAN membership, link state, counters, tables
// that fill, walk and flush, and requests for things that do not exist.
#include <functional>
#include <map>
#include <set>
#include <tuple>

#include "kel_driver.h"
#include "model/area_vlan.h"
#include "sim_fixture.h"

namespace {

using kel_test::got;
using kel_test::ports;
using kel_test::vlans;
using namespace kelsim;

const ifport kFe{1, 0, 3}, kGe{2, 0, 25}, kNone{1, 0, 27};

class Switch : public kel_test::SimTest {};

bool same(const void *a, const void *b, size_t n) { return std::memcmp(a, b, n) == 0; }

// ---- System and stack ---------------------------------------------------------

TEST_F(Switch, PortRecordsNamesAndCountsFollowTheTopology) {
    uint32_t count = 0;
    EXPECT_EQ(got(kel_system_nr_ports_get), 52u);
    EXPECT_EQ(kel_stack_nr_ports_get(9, &count), KEL_DRV_ERR_NO_SUCH_PORT);
    EXPECT_EQ(count, 0u);
    kel_drv_portinfo rec;
    const ifport last{2, 0, 26};
    ASSERT_EQ(kel_system_port_info_get(&last, &rec), 0);
    EXPECT_STREQ(rec.name, "gigabitethernet2/0/26");
    EXPECT_EQ(rec.index, 52u);
    EXPECT_EQ(rec.flags, KEL_PORT_FLAG_GE);
    ASSERT_EQ(kel_system_port_info_get(&kFe, &rec), 0);
    EXPECT_EQ(rec.flags, KEL_PORT_FLAG_FE);
    EXPECT_EQ(kel_system_port_info_get(&kNone, &rec), KEL_DRV_ERR_NO_SUCH_PORT);
    EXPECT_EQ(kel_system_port_info_get(&kFe, nullptr), KEL_DRV_ERR_NULL_BUFFER);
    char name[32];
    EXPECT_EQ(kel_ifport_name_get(&kGe, name, 21), KEL_DRV_ERR_BUFFER_TOO_SMALL);  // 21 + terminator
    ASSERT_EQ(kel_ifport_name_get(&kGe, name, 22), 0);
    EXPECT_STREQ(name, "gigabitethernet2/0/25");
    EXPECT_EQ(kel_ifport_name_get(&kNone, name, sizeof name), KEL_DRV_ERR_NO_SUCH_PORT);
    EXPECT_EQ(kel_ifport_name_get(&kFe, nullptr, 32), KEL_DRV_ERR_NULL_BUFFER);
    const ifport absent{3, 0, 1};
    EXPECT_EQ(kel_is_system_ifport(&absent), 0);
    EXPECT_EQ(kel_is_stack_smart_port(&last), 0);
}

class StackedSwitch : public kel_test::SimTest {
    const char *layout() const override { return "24fe,2ge/stack;-;8ge"; }
};

TEST_F(StackedSwitch, UnitsStackPortsAndMaster) {
    uint32_t counts[9] = {};
    for (uint32_t u = 1; u <= 8; ++u) ASSERT_EQ(kel_stack_nr_ports_get(u, &counts[u]), 0);
    EXPECT_EQ(counts[1], 26u);
    EXPECT_EQ(counts[2], 0u);
    EXPECT_EQ(counts[3], 8u);
    const ifport stack{1, 0, 25}, plain{1, 0, 24}, ge3{3, 0, 8};
    EXPECT_EQ(kel_is_stack_smart_port(&stack), 1);
    EXPECT_EQ(kel_is_stack_smart_port(&plain), 0);
    EXPECT_EQ(kel_is_system_geport(&ge3), 1);
    EXPECT_EQ(kel_is_switch_stackable(), 1);
    EXPECT_EQ(kel_is_stack_master(), 1);  // unit 1, all priorities equal
    ASSERT_EQ(kel_stack_priority_set(3, 8), 0);
    EXPECT_EQ(kel_is_stack_master(), 0);
    kel_drv_unitinfo info;
    ASSERT_EQ(kel_stack_info_get(3, &info), 0);
    EXPECT_EQ(info.role, KEL_DRV_UNIT_MASTER);
    EXPECT_EQ(info.ge_ports, 8u);
    ASSERT_EQ(kel_stack_info_get(1, &info), 0);
    EXPECT_EQ(info.stack_mask, 3u << 24);
    EXPECT_EQ(info.fe_ports, 24u);
    EXPECT_EQ(kel_stack_info_get(2, &info), KEL_DRV_ERR_NO_SUCH_PORT);
    EXPECT_EQ(kel_stack_info_get(1, nullptr), KEL_DRV_ERR_NULL_BUFFER);
}

TEST_F(Switch, StartUpRebootUpgradeAndDiscovery) {
    EXPECT_EQ(kel_lib_is_system_ready(), 1);
    ASSERT_EQ(kel_system_reboot(), 0);
    EXPECT_EQ(kel_lib_is_system_ready(), 0);
    ASSERT_EQ(kel_system_startup_complete(), 0);
    EXPECT_EQ(kel_lib_is_system_ready(), 1);
    EXPECT_EQ(kel_is_system_upgrade(), 0);
    ASSERT_EQ(kel_system_upgrade(), 0);
    EXPECT_EQ(kel_is_system_upgrade(), 1);
    EXPECT_EQ(kel_system_upgrade(), KEL_DRV_ERR_NOT_PERMITTED);
    EXPECT_EQ(kel_is_stack_discover(), 0);
    ASSERT_EQ(kel_stack_discover_startup(), 0);
    EXPECT_EQ(kel_is_stack_discover(), 1);
    EXPECT_EQ(got(kel_stack_firmware_sync_get), 0u);
    ASSERT_EQ(kel_stack_firmware_sync_set(), 0);
    EXPECT_EQ(got(kel_stack_firmware_sync_get), 1u);
    EXPECT_EQ(kel_is_switch_stackable(), 1);  // two units
}

// ---- VLANs ------------------------------------------------------------------------

std::vector<int32_t> existing_vlans() {
    vlanlist l;
    EXPECT_EQ(kel_vlanlist_get(&l), 0);
    std::vector<int32_t> ids;
    for (int32_t v = 0; kel_vlanlist_id_getnext(&l, &v) == 0;) ids.push_back(v);
    return ids;
}

kel_drv_vlan vlan_record(uint32_t vid) {
    kel_drv_vlan r{};
    EXPECT_EQ(kel_vlan_get(vid, reinterpret_cast<vlaninfo *>(&r)), 0) << vid;
    return r;
}

TEST_F(Switch, VlansAreMadeNamedAndDestroyed) {
    kel_drv_vlan r = vlan_record(1);  // VLAN 1 holds every port at start
    EXPECT_EQ(r.flags, KEL_DRV_VLAN_FLAG_DEFAULT | KEL_DRV_VLAN_FLAG_MANAGEMENT);
    EXPECT_STREQ(r.name, "default");
    for (int s : {KEL_DRV_VLAN_MEMBERS, KEL_DRV_VLAN_UNTAGGED, KEL_DRV_VLAN_NATIVE}) {
        EXPECT_EQ(r.set[s].word[0], (1u << 26) - 1) << s;
        EXPECT_EQ(r.set[s].word[1], (1u << 26) - 1) << s;
        EXPECT_EQ(r.ports[s], 52u) << s;
    }
    EXPECT_EQ(r.ports[KEL_DRV_VLAN_FORBIDDEN], 0u);
    EXPECT_EQ(kel_vlan_create(10), 0);
    EXPECT_EQ(kel_vlan_create(4094), 0);
    for (uint32_t bad : {0u, 4095u}) EXPECT_EQ(kel_vlan_create(bad), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_vlan_create(10), KEL_DRV_ERR_EXISTS);
    EXPECT_EQ(existing_vlans(), (std::vector<int32_t>{1, 10, 4094}));
    r = vlan_record(10);
    EXPECT_STREQ(r.name, "VLAN0010");
    EXPECT_EQ(r.flags, 0u);
    for (const iflist &set : r.set) EXPECT_EQ(kel_iflist_is_empty(&set), 1);
    // Names: len bytes at most, or up to the terminator; printable, unique, 32 at most.
    char name[40];
    ASSERT_EQ(kel_vlan_name_set(10, "office-floor", 6), 0);
    ASSERT_EQ(kel_vlan_name_get(10, name, sizeof name), 0);
    EXPECT_STREQ(name, "office");
    EXPECT_EQ(kel_vlan_name_get(10, name, 6), KEL_DRV_ERR_BUFFER_TOO_SMALL);
    std::memset(name, '#', sizeof name);
    ASSERT_EQ(kel_vlan_name_get(10, name, 7), 0);
    EXPECT_EQ(name[7], '#');
    char lab[100] = "lab";
    ASSERT_EQ(kel_vlan_name_set(10, lab, sizeof lab), 0);
    const std::string longest(KEL_DRV_VLAN_NAME_MAX, 'n');
    EXPECT_EQ(kel_vlan_name_set(10, longest.c_str(), KEL_DRV_VLAN_NAME_MAX + 1), 0);
    EXPECT_EQ(kel_vlan_name_set(10, (longest + "n").c_str(), KEL_DRV_VLAN_NAME_MAX + 2),
              KEL_DRV_ERR_BAD_VALUE);
    lab[0] = '\0';
    for (int32_t rc : {kel_vlan_name_set(10, lab, sizeof lab), kel_vlan_name_set(10, "lab", 0),
                       kel_vlan_name_set(10, "a\tb", 3)})
        EXPECT_EQ(rc, KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_vlan_name_set(10, "default", 7), KEL_DRV_ERR_EXISTS);  // VLAN 1's name
    EXPECT_EQ(kel_vlan_name_set(10, nullptr, 7), KEL_DRV_ERR_NULL_BUFFER);
    EXPECT_EQ(kel_vlan_name_set(11, "x", 1), KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(kel_vlan_name_get(11, name, sizeof name), KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_STREQ(vlan_record(10).name, longest.c_str());
    // Lookup by name: exact, and an unknown name leads to VLAN 0.
    ASSERT_EQ(kel_vlan_name_set(4094, "voice", 5), 0);
    ASSERT_EQ(kel_vlan_get_by_name("voice", reinterpret_cast<vlaninfo *>(&r)), 0);
    EXPECT_EQ(r.vid, 4094u);
    for (const char *unknown : {"Voice", "VLAN4094", static_cast<const char *>(nullptr)})
        EXPECT_EQ(kel_vlan_get_by_name(unknown, reinterpret_cast<vlaninfo *>(&r)), KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(kel_test::last_sent().block.vid, 0u);
    // Destroying.
    EXPECT_EQ(kel_vlan_destroy(10), 0);
    EXPECT_EQ(kel_vlan_destroy(10), KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(kel_vlan_destroy(1), KEL_DRV_ERR_NOT_PERMITTED);
    EXPECT_EQ(existing_vlans(), (std::vector<int32_t>{1, 4094}));
    vlaninfo info;
    for (uint32_t vid : {0u, 10u}) EXPECT_EQ(kel_vlan_get(vid, &info), KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(kel_vlan_get(1, nullptr), KEL_DRV_ERR_NULL_BUFFER);
    EXPECT_EQ(kel_vlanlist_get(nullptr), KEL_DRV_ERR_NULL_BUFFER);
}

TEST_F(Switch, ManagementVlanMustExistAndStays) {
    for (uint32_t bad : {0u, 4095u}) EXPECT_EQ(kel_system_vlan_id_set(bad), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_system_vlan_id_set(20), KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(got(kel_system_vlan_id_get), 1u);
    ASSERT_EQ(kel_vlan_create(20), 0);
    ASSERT_EQ(kel_system_vlan_id_set(20), 0);
    EXPECT_EQ(got(kel_system_vlan_id_get), 20u);
    EXPECT_EQ(kel_vlan_destroy(20), KEL_DRV_ERR_NOT_PERMITTED);
    EXPECT_EQ(vlan_record(20).flags, KEL_DRV_VLAN_FLAG_MANAGEMENT);
    EXPECT_EQ(vlan_record(1).flags, KEL_DRV_VLAN_FLAG_DEFAULT);
    char sw0[9];
    ASSERT_EQ(kel_vlan2ifname(20, sw0), 0);
    EXPECT_STREQ(sw0, "sw0");
}

// The VLAN sets a port is in, as the VLAN record shows them: M member, U
// untagged, N native ("-" for none).
std::string sets_of(uint32_t vid, const ifport &p) {
    vlaninfo info{};
    EXPECT_EQ(kel_vlan_get(vid, &info), 0) << vid;
    std::string s;
    for (auto [set, letter] :
         {std::pair{KEL_DRV_VLAN_MEMBERS, 'M'}, {KEL_DRV_VLAN_UNTAGGED, 'U'}, {KEL_DRV_VLAN_NATIVE, 'N'}})
        if ((info.set[set].word[p.unit - 1] >> (p.port - 1)) & 1u) s += letter;
    return s.empty() ? "-" : s;
}

TEST_F(Switch, VlanModeAndAllowedVlansDriveMembership) {
    for (uint32_t vid : {10u, 20u, 30u}) ASSERT_EQ(kel_vlan_create(vid), 0);
    EXPECT_EQ(sets_of(1, kFe), "MUN");  // access in VLAN 1 from the start
    vlanlist t = vlans({20, 30, 40}), u = vlans({30});
    ASSERT_EQ(kel_port_allow_vlans_add(&kFe, &t, KEL_DRV_ALLOW_TAGGED), 0);
    ASSERT_EQ(kel_port_allow_vlans_add(&kFe, &u, KEL_DRV_ALLOW_UNTAGGED), 0);
    EXPECT_EQ(sets_of(20, kFe), "-");  // an access port ignores its lists
    ASSERT_EQ(kel_port_vlan_mode_set(&kFe, 10, KEL_DRV_VLAN_MODE_TRUNK), 0);
    EXPECT_EQ(sets_of(1, kFe) + sets_of(10, kFe) + sets_of(20, kFe) + sets_of(30, kFe), "-MUNM-");
    ASSERT_EQ(kel_port_vlan_mode_set(&kFe, 10, KEL_DRV_VLAN_MODE_HYBRID), 0);
    EXPECT_EQ(sets_of(30, kFe), "MU");
    ASSERT_EQ(kel_vlan_create(40), 0);  // a VLAN made later is joined from the lists
    EXPECT_EQ(sets_of(40, kFe), "M");
    vlanlist del = vlans({20, 30});
    ASSERT_EQ(kel_port_allow_vlans_del(&kFe, &del), 0);
    EXPECT_EQ(sets_of(20, kFe) + sets_of(30, kFe), "--");
    vlanlist high = vlans({4095, 4096}), allowed{}, want = vlans({40});
    ASSERT_EQ(kel_port_allow_vlans_add(&kFe, &high, KEL_DRV_ALLOW_TAGGED), 0);  // beyond the range: ignored
    ASSERT_EQ(kel_port_allow_vlans_get(&kFe, &allowed, KEL_DRV_ALLOW_TAGGED), 0);
    EXPECT_TRUE(same(&allowed, &want, sizeof allowed));
    uint32_t vid = 0, mode = 0;
    ASSERT_EQ(kel_port_vlan_mode_get(&kFe, &vid, &mode), 0);
    EXPECT_TRUE(vid == 10 && mode == KEL_DRV_VLAN_MODE_HYBRID);
    // An access VLAN that does not exist: VLAN 1 stands in until it does.
    ASSERT_EQ(kel_port_vlan_mode_set(&kFe, 50, KEL_DRV_VLAN_MODE_ACCESS), 0);
    EXPECT_EQ(got(kel_port_admin_vlan_get, &kFe), 50u);
    EXPECT_EQ(got(kel_port_oper_vlan_get, &kFe), 1u);
    EXPECT_EQ(sets_of(1, kFe) + sets_of(10, kFe), "MUN-");
    ASSERT_EQ(kel_vlan_create(50), 0);
    EXPECT_EQ(sets_of(50, kFe) + sets_of(1, kFe), "MUN-");
    EXPECT_EQ(got(kel_port_oper_vlan_get, &kFe), 50u);
    ASSERT_EQ(kel_vlan_destroy(50), 0);  // back to VLAN 1, the setting kept
    EXPECT_EQ(got(kel_port_oper_vlan_get, &kFe), 1u);
    EXPECT_EQ(sets_of(1, kFe), "MUN");
    // A VLAN that forbids a port is joined neither tagged nor as its own.
    const ifport p5{1, 0, 5};
    with_model([](Model &m) { vlan_set_port(m, 20, KEL_DRV_VLAN_FORBIDDEN, 1, 5, true); });
    vlanlist t20 = vlans({20});
    ASSERT_EQ(kel_port_allow_vlans_add(&p5, &t20, KEL_DRV_ALLOW_TAGGED), 0);
    ASSERT_EQ(kel_port_vlan_mode_set(&p5, 20, KEL_DRV_VLAN_MODE_TRUNK), 0);
    EXPECT_EQ(sets_of(20, p5) + sets_of(1, p5), "-MUN");
    EXPECT_EQ(kel_port_vlan_mode_set(&kFe, 4095, KEL_DRV_VLAN_MODE_ACCESS), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_port_vlan_mode_set(&kFe, 10, 4), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_port_allow_vlans_add(&kFe, &t, 3), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_port_allow_vlans_add(&kFe, nullptr, 1), KEL_DRV_ERR_NULL_BUFFER);
    EXPECT_EQ(kel_port_allow_vlans_get(&kNone, &allowed, 1), KEL_DRV_ERR_NO_SUCH_PORT);
}

TEST_F(Switch, MembershipFromTheModelFallsBackToVlanOne) {
    ASSERT_EQ(kel_vlan_create(10), 0);
    with_model([](Model &m) {
        EXPECT_TRUE(vlan_exists(m, 10));
        for (uint32_t vid : {0u, 11u, 4095u}) EXPECT_FALSE(vlan_exists(m, vid));
        for (kel_drv_vlan_set s : {KEL_DRV_VLAN_MEMBERS, KEL_DRV_VLAN_UNTAGGED, KEL_DRV_VLAN_NATIVE}) {
            vlan_set_port(m, 1, s, 2, 5, false);  // 2/0/5 moves to VLAN 10 as its own
            vlan_set_port(m, 10, s, 2, 5, true);
        }
        vlan_set_port(m, 10, KEL_DRV_VLAN_FORBIDDEN, 1, 26, true);
        vlan_set_port(m, 10, KEL_DRV_VLAN_MEMBERS, 1, 27, true);  // no such port: ignored
        vlan_set_port(m, 11, KEL_DRV_VLAN_MEMBERS, 1, 1, true);   // no such VLAN: ignored
        EXPECT_TRUE(vlan_has_port(m, 10, KEL_DRV_VLAN_NATIVE, 2, 5));
        EXPECT_FALSE(vlan_has_port(m, 1, KEL_DRV_VLAN_NATIVE, 2, 5));
    });
    kel_drv_vlan r = vlan_record(10);
    EXPECT_EQ(r.set[KEL_DRV_VLAN_MEMBERS].word[1], 1u << 4);
    EXPECT_EQ(r.set[KEL_DRV_VLAN_FORBIDDEN].word[0], 1u << 25);
    EXPECT_EQ(r.ports[KEL_DRV_VLAN_MEMBERS], 1u);
    EXPECT_EQ(vlan_record(1).ports[KEL_DRV_VLAN_MEMBERS], 51u);
    ASSERT_EQ(kel_vlan_destroy(10), 0);  // 2/0/5 falls back to VLAN 1
    r = vlan_record(1);
    for (int s : {KEL_DRV_VLAN_MEMBERS, KEL_DRV_VLAN_UNTAGGED, KEL_DRV_VLAN_NATIVE})
        EXPECT_EQ(r.ports[s], 52u);
    ASSERT_EQ(kel_vlan_create(10), 0);
    EXPECT_EQ(vlan_record(10).ports[KEL_DRV_VLAN_FORBIDDEN], 0u);  // a new VLAN starts empty
}

// ---- Ports and their counters -------------------------------------------------

TEST_F(Switch, LinkMediumAndUptimeFollowTheCableAndAdminState) {
    uint32_t v = 9;
    const auto get = [&v](int32_t (*f)(const ifport *, uint32_t *), const ifport &p) {
        EXPECT_EQ(f(&p, &v), 0);
        return v;
    };
    EXPECT_EQ(get(kel_port_medium_get, kFe), 1u);
    EXPECT_EQ(get(kel_port_medium_get, kGe), 2u);
    EXPECT_EQ(get(kel_port_linkstat_get, kFe), 1u);
    with_model([](Model &m) { advance_clock(m, 30); });
    EXPECT_GE(get(kel_port_uptime_get, kFe), 30u);
    ASSERT_EQ(kel_port_admin_set(&kFe, 0), 0);
    EXPECT_EQ(get(kel_port_linkstat_get, kFe), 0u);
    EXPECT_EQ(get(kel_port_uptime_get, kFe), 0u);
    EXPECT_EQ(get(kel_port_stp_get, kFe), KEL_DRV_PORT_STP_DISABLED);
    ASSERT_EQ(kel_port_admin_set(&kFe, 1), 0);  // the uptime starts again
    with_model([](Model &m) {
        advance_clock(m, 5);
        EXPECT_EQ(set_cable(m, 1, 3, false), KEL_DRV_OK);
        EXPECT_EQ(set_cable(m, 1, 27, false), KEL_DRV_ERR_NO_SUCH_PORT);
    });
    EXPECT_EQ(get(kel_port_linkstat_get, kFe), 0u);
    with_model([](Model &m) { set_cable(m, 1, 3, true); });
    EXPECT_LT(get(kel_port_uptime_get, kFe), 5u);
    EXPECT_EQ(get(kel_port_stp_get, kFe), KEL_DRV_PORT_STP_FORWARDING);
    for (auto *f : {kel_port_linkstat_get, kel_port_medium_get, kel_port_uptime_get, kel_port_stp_get,
                    kel_port_admin_vlan_get, kel_port_oper_vlan_get})
        EXPECT_EQ(f(&kNone, &v), KEL_DRV_ERR_NO_SUCH_PORT);
    // What a Fast Ethernet port cannot carry, and selectors outside their sets.
    EXPECT_EQ(kel_port_speed_set(&kFe, 1000), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_qos_tx_rate_set(&kFe, 100001, 0), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_qos_rx_rate_set(&kFe, 100000, 0), 0);
    EXPECT_EQ(kel_port_block_set(&kFe, 2, 1), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_storm_ctrl_set(&kFe, 3, 10), KEL_DRV_ERR_BAD_VALUE);
    ASSERT_EQ(kel_port_block_set(&kFe, 1, 1), 0);
    ASSERT_EQ(kel_port_block_get(&kFe, 0, &v), 0);  // each type its own
    EXPECT_EQ(v, 0u);
}

void send_traffic(const ifport &p, Traffic t) {
    with_model([&](Model &m) { EXPECT_EQ(traffic(m, p.unit, p.port, t), KEL_DRV_OK); });
}

kel_drv_stats stats_of(const ifport &p) {
    kel_drv_stats r{};
    EXPECT_EQ(kel_stats_port_get(&p, &r), 0);
    return r;
}

TEST_F(Switch, TrafficMovesTheCounters) {
    send_traffic(kFe, {10, 1000, Direction::rx, Cast::unicast});
    send_traffic(kFe, {4, 4 * 300, Direction::rx, Cast::broadcast});
    send_traffic(kFe, {3, 3 * 1500, Direction::tx, Cast::multicast});
    send_traffic(kFe, {2, 2 * 40, Direction::rx, Cast::unicast});  // runts
    send_traffic(kFe, {1, 9000, Direction::rx, Cast::unicast});    // too long
    kel_drv_stats r = stats_of(kFe);
    EXPECT_TRUE(r.unit == 1 && r.port == 3);
    const std::pair<kel_drv_counter, uint32_t> want[] = {
        {KEL_DRV_CTR_RX_OCTETS, 2200},      {KEL_DRV_CTR_RX_UCAST, 10},
        {KEL_DRV_CTR_RX_NUCAST, 4},         {KEL_DRV_CTR_RX_BCAST, 4},
        {KEL_DRV_CTR_IN_FRAME, 14},         {KEL_DRV_CTR_65_TO_127_OCTETS, 10},
        {KEL_DRV_CTR_256_TO_511_OCTETS, 4}, {KEL_DRV_CTR_1024_TO_1518_OCTETS, 3},
        {KEL_DRV_CTR_TX_OCTETS, 4500},      {KEL_DRV_CTR_TX_NUCAST, 3},
        {KEL_DRV_CTR_UNDERSIZE, 2},         {KEL_DRV_CTR_OVERSIZE, 1},
        {KEL_DRV_CTR_RX_ERROR, 3}};
    for (const auto &[counter, n] : want) EXPECT_EQ(r.counter[counter], n) << counter;
    uint32_t v = 0;
    EXPECT_EQ(got(kel_stats_rxucast_pkts_get, &kFe), 10u);
    EXPECT_EQ(stats_of(kGe).counter[KEL_DRV_CTR_RX_OCTETS], 0u);  // another port is untouched
    // A storm limit and a dead link.
    ASSERT_EQ(kel_storm_ctrl_set(&kFe, 0, 100), 0);
    send_traffic(kFe, {250, 250 * 64, Direction::rx, Cast::broadcast});
    ASSERT_EQ(kel_port_admin_set(&kFe, 0), 0);
    send_traffic(kFe, {7, 7 * 64, Direction::tx, Cast::unicast});
    send_traffic(kFe, {7, 7 * 64, Direction::rx, Cast::unicast});
    r = stats_of(kFe);
    EXPECT_EQ(r.counter[KEL_DRV_CTR_RX_BCAST], 104u);
    EXPECT_EQ(r.counter[KEL_DRV_CTR_RX_DISCARD], 150u);
    EXPECT_EQ(r.counter[KEL_DRV_CTR_DROP_EVENTS], 1u);
    EXPECT_EQ(r.counter[KEL_DRV_CTR_TX_DISCARD], 7u);
    EXPECT_EQ(r.counter[KEL_DRV_CTR_RX_UCAST], 10u);
    // Counters wrap; selectors no counter has are refused.
    with_model([](Model &m) {
        EXPECT_EQ(count_event(m, 1, 3, KEL_DRV_CTR_COLLISIONS, 0xFFFFFFFFu), KEL_DRV_OK);
        EXPECT_EQ(count_event(m, 1, 3, KEL_DRV_CTR_COLLISIONS, 3), KEL_DRV_OK);
        EXPECT_EQ(count_event(m, 1, 3, 12, 1), KEL_DRV_ERR_BAD_VALUE);
        EXPECT_EQ(count_event(m, 1, 27, KEL_DRV_CTR_COLLISIONS, 1), KEL_DRV_ERR_NO_SUCH_PORT);
    });
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
    EXPECT_EQ(kel_stats_port_get(&kNone, &r), 0);  // refused, and still 0
    EXPECT_EQ(kel_test::last_sent().answer.status, KEL_DRV_ERR_NO_SUCH_PORT);
}

// ---- Trunks, LACP, mirroring, CoS queues ------------------------------------------

TEST_F(Switch, TrunksAndLacp) {
    iflist members = ports({{1, 0, 1}, {1, 0, 2}, {2, 0, 25}});
    ASSERT_EQ(kel_static_trunk_set(2, &members), 0);
    EXPECT_EQ(got(kel_port_trunk_id_get, &kGe), 2u);
    EXPECT_EQ(kel_is_static_trunk_port(&kGe) * 10 + kel_is_dynamic_trunk_port(&kGe), 10);
    EXPECT_EQ(kel_is_static_trunk_port(&kFe), 0);
    kel_drv_trunk t{};
    ASSERT_EQ(kel_trunk_get(2, &t), 0);
    EXPECT_TRUE(t.kind == KEL_DRV_TRUNK_STATIC && t.count == 3 && same(&t.members, &members, sizeof members));
    EXPECT_EQ(got(kel_trunk_criteria_get, 2), 3u);
    ASSERT_EQ(kel_trunk_criteria_set(2, 6), 0);
    EXPECT_EQ(got(kel_trunk_criteria_get, 2), 6u);
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
    EXPECT_TRUE(l.sys_priority == 100 && l.count == 3 && l.member[2].port == 25 && l.member[2].priority == 7);
    EXPECT_EQ(l.member[2].state, KEL_DRV_LACP_DEFAULTED);
    EXPECT_EQ(l.member[0].state, KEL_DRV_LACP_ACTIVE);
    ASSERT_EQ(kel_trunk_destroy(2), 0);
    EXPECT_EQ(got(kel_port_trunk_id_get, &kGe), 0u);
    EXPECT_EQ(kel_lacp_info_get(2, &l), KEL_DRV_ERR_NO_SUCH_ENTRY);
    ASSERT_EQ(kel_static_trunk_set(2, &members), 0);  // made again: criteria start over
    EXPECT_EQ(got(kel_trunk_criteria_get, 2), 3u);
}

TEST_F(Switch, MirrorSessions) {
    const ifport monitor{2, 0, 26}, a{1, 0, 1}, b{1, 0, 2};
    ASSERT_EQ(kel_mirror_monitor_set(1, &monitor), 0);
    ASSERT_EQ(kel_mirror_mirrored_set(1, &a, KEL_DRV_MIRROR_RX), 0);
    ASSERT_EQ(kel_mirror_mirrored_set(1, &b, KEL_DRV_MIRROR_RX | KEL_DRV_MIRROR_TX), 0);
    ifport monitor_port{};
    ASSERT_EQ(kel_mirror_monitor_get(1, &monitor_port), 0);
    EXPECT_TRUE(monitor_port.unit == 2 && monitor_port.port == 26);
    iflist rx{}, both{}, want_rx = ports({a, b}), want_both = ports({b});
    ASSERT_EQ(kel_mirror_mirrored_get(1, KEL_DRV_MIRROR_RX, &rx), 0);
    ASSERT_EQ(kel_mirror_mirrored_get(1, KEL_DRV_MIRROR_RX | KEL_DRV_MIRROR_TX, &both), 0);
    EXPECT_TRUE(same(&rx, &want_rx, sizeof rx) && same(&both, &want_both, sizeof both));
    uint32_t session = 0, role = 0;
    ASSERT_EQ(kel_port_mirror_get(&b, &session, &role), 0);
    EXPECT_TRUE(session == 1 && role == 3);
    EXPECT_EQ(got(kel_port_mirror_get, &monitor, &session), KEL_DRV_MIRROR_MONITOR);
    kel_drv_mirror_session r{};
    ASSERT_EQ(kel_mirror_session_get(1, &r), 0);
    EXPECT_TRUE(r.active == 1 && r.monitor_port == 26);
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
    EXPECT_TRUE(r.monitor_unit == 0 && r.active == 0);
    for (uint32_t id = 2; id <= KEL_DRV_MIRROR_SESSIONS; ++id) {  // every session, the last one too
        const ifport source{1, 0, static_cast<int32_t>(10 + id)},
            destination{1, 0, static_cast<int32_t>(20 + id)};
        ASSERT_EQ(kel_mirror_mirrored_set(id, &source, KEL_DRV_MIRROR_TX), 0);
        ASSERT_EQ(kel_mirror_monitor_set(id, &destination), 0);
        ASSERT_EQ(kel_port_mirror_get(&source, &session, &role), 0);
        EXPECT_TRUE(session == id && role == KEL_DRV_MIRROR_TX) << id;
        ASSERT_EQ(kel_port_mirror_get(&destination, &session, &role), 0);
        EXPECT_TRUE(session == id && role == KEL_DRV_MIRROR_MONITOR) << id;
    }
}

TEST_F(Switch, CosMapAndQueuePolicy) {
    const uint8_t initial[8] = {1, 0, 0, 1, 2, 2, 3, 3};
    uint32_t q = 9, policy = 0;
    for (uint32_t prio = 0; prio < 8; ++prio) {
        ASSERT_EQ(kel_cosq_map_get(prio, &q), 0);
        EXPECT_EQ(q, initial[prio]) << prio;
    }
    ASSERT_EQ(kel_cosq_map_set(7, 0), 0);
    EXPECT_EQ(got(kel_cosq_map_get, 7), 0u);
    EXPECT_EQ(kel_cosq_map_set(0, 4), KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(kel_cosq_map_set(8, 1), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_cosq_map_get(8, &q), KEL_DRV_ERR_BAD_VALUE);
    ASSERT_EQ(kel_cosq_map_reset(), 0);
    EXPECT_EQ(got(kel_cosq_map_get, 7), 3u);
    // Whole weights within len, no more, each 1 to 255.
    uint32_t weights[6] = {10, 20, 30, 40, 50, 60}, out[6] = {0, 0, 0, 0, 0xEEEEEEEE, 0xEEEEEEEE};
    ASSERT_EQ(kel_cosq_policy_get(&policy, out, 16), 0);
    EXPECT_TRUE(policy == KEL_DRV_COS_WRR && out[0] == 1 && out[3] == 8);
    ASSERT_EQ(kel_cosq_policy_set(KEL_DRV_COS_STRICT, weights, 10), 0);  // two whole words
    ASSERT_EQ(kel_cosq_policy_get(&policy, out, 64), 0);
    EXPECT_TRUE(policy == KEL_DRV_COS_STRICT && out[0] == 10 && out[1] == 20 && out[2] == 4);
    EXPECT_EQ(out[4], 0xEEEEEEEEu);
    uint32_t one[2] = {0, 0xEEEEEEEE};
    ASSERT_EQ(kel_cosq_policy_get(&policy, one, 7), 0);
    EXPECT_EQ(one[1], 0xEEEEEEEEu);
    for (uint32_t bad : {0u, 256u}) {
        weights[1] = bad;
        EXPECT_EQ(kel_cosq_policy_set(KEL_DRV_COS_WRR, weights, 16), KEL_DRV_ERR_BAD_VALUE);
    }
    weights[1] = 255;
    EXPECT_EQ(kel_cosq_policy_set(3, weights, 0), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_cosq_policy_set(KEL_DRV_COS_WRR, nullptr, 16), KEL_DRV_ERR_NULL_BUFFER);
    ASSERT_EQ(kel_cosq_policy_get(&policy, out, 16), 0);
    EXPECT_TRUE(policy == KEL_DRV_COS_STRICT && out[1] == 20);  // unchanged by the refusals
    ASSERT_EQ(kel_cosq_policy_set(KEL_DRV_COS_WRR, weights, 8), 0);
    ASSERT_EQ(kel_cosq_policy_get(&policy, out, 8), 0);
    EXPECT_EQ(out[1], 255u);
}

// ---- The MAC address table and the multicast table --------------------------------

struct Mac {
    uint8_t b[6];
};

Mac mac_of(uint32_t n, uint8_t first = 0x00) {
    return Mac{{first, 0x10, 0x00, static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 8),
                static_cast<uint8_t>(n)}};
}

// (MAC number, VLAN, port of unit 1, kind) of an entry.
using Key = std::tuple<uint32_t, uint32_t, uint32_t, uint32_t>;

Key key_of(const kel_drv_arl_entry &e) {
    EXPECT_EQ(e.unit, 1u);
    return Key{uint32_t{e.mac[3]} << 16 | e.mac[4] << 8 | e.mac[5], e.vid, e.port, e.kind};
}

// Every key a walk entry by entry (or page by page, type < 0: -sel) saw, with its visits.
std::map<Key, int> walk(int32_t type) {
    std::map<Key, int> seen;
    uint32_t index = 0;
    int32_t rc;
    if (type > 0) {
        kel_drv_arl_entry e{};
        size_t steps = 0;
        while ((rc = kel_arl_getnext(&index, type, &e)) == 0 && ++steps <= kArlCapacity) ++seen[key_of(e)];
    } else {
        kel_drv_arl_page page{};
        while ((rc = kel_arl_getpage(&index, static_cast<uint32_t>(-type), &page)) == 0) {
            EXPECT_GT(page.count, 0u);
            for (uint32_t i = 0; i < page.count; ++i) ++seen[key_of(page.entry[i])];
        }
    }
    EXPECT_EQ(rc, KEL_ERR_NOT_FOUND);
    return seen;
}

int32_t learn_one(const Mac &m, uint32_t vid, uint32_t port) {
    int32_t st = 0;
    with_model([&](Model &model) { st = learn(model, m.b, vid, 1, port); });
    return st;
}

// A population with holes: statics and dynamics in two VLANs on two ports,
// one MAC address (1000) in both VLANs, some entries removed again.
std::set<Key> populate() {
    std::set<Key> all;
    auto add = [&](uint32_t n, uint32_t vid, uint32_t port, bool stat) {
        Mac m = mac_of(n);
        ifport p{1, 0, static_cast<int32_t>(port)};
        EXPECT_EQ(stat ? kel_static_arl_add(m.b, vid, &p) : learn_one(m, vid, port), 0) << n;
        all.insert(Key{n, vid, port, stat ? KEL_DRV_ARL_STATIC : KEL_DRV_ARL_DYNAMIC});
    };
    for (uint32_t n = 1; n <= 40; ++n) add(n, n % 2 ? 10 : 20, n % 3 ? 1 : 2, n % 4 == 0);
    add(1000, 10, 2, false);
    add(1000, 20, 1, true);
    for (uint32_t n : {3u, 7u, 11u}) {  // holes in the table
        EXPECT_EQ(kel_arl_del_by_mac(mac_of(n).b, 3), 0);
        for (auto it = all.begin(); it != all.end();)
            it = std::get<0>(*it) == n ? all.erase(it) : std::next(it);
    }
    return all;
}

std::map<Key, int> once(const std::set<Key> &keys, uint32_t kinds) {
    std::map<Key, int> m;
    for (const Key &k : keys)
        if (std::get<3>(k) & kinds) m[k] = 1;
    return m;
}

constexpr uint32_t kBoth = KEL_DRV_ARL_STATIC | KEL_DRV_ARL_DYNAMIC;

TEST_F(Switch, AddressWalksVisitEveryEntryOnceByKind) {
    std::set<Key> all = populate();
    ASSERT_GT(all.size(), 20u);
    EXPECT_EQ(walk(KEL_ARL_WALK_1), once(all, KEL_DRV_ARL_STATIC));
    EXPECT_EQ(walk(KEL_ARL_WALK_2), once(all, KEL_DRV_ARL_DYNAMIC));
    EXPECT_EQ(walk(KEL_ARL_WALK_4), once(all, kBoth));
    EXPECT_EQ(walk(-static_cast<int32_t>(KEL_DRV_ARL_STATIC)), once(all, KEL_DRV_ARL_STATIC));
    EXPECT_EQ(walk(-static_cast<int32_t>(KEL_DRV_ARL_WALK_ALL)), once(all, kBoth));
    uint32_t index = 0;
    kel_drv_arl_page page;
    EXPECT_EQ(kel_arl_getpage(&index, 3, &page), KEL_DRV_ERR_BAD_VALUE);
    // Indices the driver never gave out: the walk goes forward from them and ends.
    kel_drv_arl_entry e{};
    for (uint32_t start : {kArlCapacity - 1, kArlCapacity, 65534u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        index = start;
        EXPECT_EQ(kel_arl_getnext(&index, 4, &e), KEL_ERR_NOT_FOUND) << start;
    }
    index = 0;
    ASSERT_EQ(kel_arl_getnext(&index, 4, &e), 0);
    ASSERT_EQ(kel_arl_getnext(&index, 4, &e), 0);
    ASSERT_EQ(kel_dynamic_arl_del(), 0);  // the walk's next entries are gone
    size_t steps = 0;
    while (kel_arl_getnext(&index, 4, &e) == 0) {
        ASSERT_LE(++steps, all.size());
        EXPECT_EQ(e.kind, KEL_DRV_ARL_STATIC);
    }
}

TEST_F(Switch, AddressFlushesRemoveExactlyWhatTheyName) {
    const Mac shared = mac_of(1000);
    const ifport port2{1, 0, 2};
    const auto dynamic = [](const Key &k) { return std::get<3>(k) == KEL_DRV_ARL_DYNAMIC; };
    const std::pair<std::function<int32_t()>, std::function<bool(const Key &)>> flushes[] = {
        // clang-format off
        {[] { return kel_arl_del_by_vlan(20, 3); }, [](const Key &k) { return std::get<1>(k) == 20; }},
        {[] { return kel_arl_del_by_vlan(20, 2); }, [&](const Key &k) { return std::get<1>(k) == 20 && dynamic(k); }},
        {[&] { return kel_arl_del_by_mac(shared.b, 3); }, [](const Key &k) { return std::get<0>(k) == 1000; }},
        {[&] { return kel_arl_del_by_mac(shared.b, 2); }, [&](const Key &k) { return std::get<0>(k) == 1000 && dynamic(k); }},
        {[&] { return kel_arl_del_by_port(&port2, 3); }, [](const Key &k) { return std::get<2>(k) == 2; }},
        {[&] { return kel_arl_del_by_port(&port2, 2); }, [&](const Key &k) { return std::get<2>(k) == 2 && dynamic(k); }},
        {[] { return kel_dynamic_arl_del(); }, dynamic},
        // clang-format on
    };
    for (const auto &[flush, removed] : flushes) {
        ASSERT_TRUE(kelsim::reset());
        std::set<Key> kept = populate();
        size_t gone = 0;
        for (auto it = kept.begin(); it != kept.end();)
            it = removed(*it) ? (++gone, kept.erase(it)) : std::next(it);
        ASSERT_GT(gone, 0u);
        ASSERT_EQ(flush(), 0);
        EXPECT_EQ(kel_test::last_sent().answer.count, gone);
        EXPECT_EQ(walk(KEL_ARL_WALK_4), once(kept, kBoth));
    }
    EXPECT_EQ(kel_arl_del_by_vlan(0, 3), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_arl_del_by_port(&kNone, 2), KEL_DRV_ERR_NO_SUCH_PORT);
}

TEST_F(Switch, StaticAddressesLearningAgeingAndFreezing) {
    Mac a = mac_of(1), b = mac_of(2), group = mac_of(2, 0x01), zero{};
    const ifport p1{1, 0, 1}, p3{1, 0, 3}, p4{1, 0, 4};
    ASSERT_EQ(learn_one(a, 10, 3), 0);
    ASSERT_EQ(learn_one(a, 10, 4), 0);  // the station moved
    EXPECT_EQ(walk(4), (std::map<Key, int>{{Key{1, 10, 4, KEL_DRV_ARL_DYNAMIC}, 1}}));
    ASSERT_EQ(kel_static_arl_add(a.b, 10, &p3), 0);  // a static entry takes the key over
    EXPECT_EQ(walk(4), (std::map<Key, int>{{Key{1, 10, 3, KEL_DRV_ARL_STATIC}, 1}}));
    EXPECT_EQ(learn_one(a, 10, 4), KEL_DRV_ERR_EXISTS);
    EXPECT_EQ(kel_static_arl_add(a.b, 10, &p4), KEL_DRV_ERR_EXISTS);
    for (const Mac *m : {&group, &zero}) EXPECT_EQ(kel_static_arl_add(m->b, 10, &p3), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_static_arl_add(a.b, 4095, &p3), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_static_arl_add(a.b, 11, &kNone), KEL_DRV_ERR_NO_SUCH_PORT);
    EXPECT_EQ(kel_static_arl_del(a.b, 10, &p4), KEL_DRV_ERR_NO_SUCH_ENTRY);  // on another port
    EXPECT_EQ(kel_static_arl_del(a.b, 11, &p3), KEL_DRV_ERR_NO_SUCH_ENTRY);
    ASSERT_EQ(kel_static_arl_del(a.b, 10, &p3), 0);
    EXPECT_TRUE(walk(4).empty());
    // Ageing by the switch's clock; a frozen table neither ages nor learns.
    ASSERT_EQ(kel_arl_age_time_set(10), 0);
    ASSERT_EQ(learn_one(a, 1, 1), 0);
    ASSERT_EQ(kel_static_arl_add(b.b, 1, &p1), 0);
    with_model([](Model &m) { advance_clock(m, 9); });
    EXPECT_EQ(walk(2).size(), 1u);
    ASSERT_EQ(kel_arl_freeze_set(1), 0);
    with_model([](Model &m) { advance_clock(m, 5); });
    EXPECT_EQ(walk(2).size(), 1u);
    EXPECT_EQ(learn_one(b, 2, 1), KEL_DRV_ERR_NOT_PERMITTED);
    ASSERT_EQ(kel_arl_freeze_set(0), 0);
    with_model([](Model &m) { advance_clock(m, 1); });
    EXPECT_TRUE(walk(2).empty());
    EXPECT_EQ(walk(1).size(), 1u);  // static entries never age
    ASSERT_EQ(kel_arl_age_time_set(0), 0);
    ASSERT_EQ(learn_one(a, 1, 1), 0);
    with_model([](Model &m) { advance_clock(m, 100000); });
    EXPECT_EQ(walk(2).size(), 1u);  // 0: never
}

TEST_F(Switch, FullAddressTableRefusesAndRecovers) {
    with_model([](Model &m) {
        for (uint32_t n = 0; n < kArlCapacity; ++n)
            ASSERT_EQ(learn(m, mac_of(n).b, 1, 1, 1 + n % 26), KEL_DRV_OK) << n;
    });
    Mac extra = mac_of(kArlCapacity);
    const ifport p{1, 0, 1};
    EXPECT_EQ(kel_static_arl_add(extra.b, 1, &p), KEL_DRV_ERR_TABLE_FULL);
    EXPECT_EQ(learn_one(extra, 1, 1), KEL_DRV_ERR_TABLE_FULL);
    EXPECT_EQ(learn_one(mac_of(5), 1, 2), KEL_DRV_OK);  // a known station still moves
    EXPECT_EQ(walk(2).size(), kArlCapacity);
    // Holes all over the crowded index; every remaining station must still
    // be found by its key: moving each one keeps one entry per key.
    const std::set<uint32_t> flushed = {3, 8, 13, 21};
    for (uint32_t port : flushed) {
        const ifport q{1, 0, static_cast<int32_t>(port)};
        ASSERT_EQ(kel_arl_del_by_port(&q, 2), 0);
    }
    size_t left = 0;
    with_model([&](Model &m) {
        for (uint32_t n = 0; n < kArlCapacity; ++n)
            if (!flushed.count(1 + n % 26)) {
                ASSERT_EQ(learn(m, mac_of(n).b, 1, 1, 26), KEL_DRV_OK) << n;
                ++left;
            }
    });
    std::map<Key, int> seen = walk(2);
    EXPECT_EQ(seen.size(), left);
    for (const auto &[k, visits] : seen) EXPECT_TRUE(std::get<2>(k) == 26 && visits == 1);
    EXPECT_EQ(kel_static_arl_add(extra.b, 1, &p), 0);
}

std::map<uint32_t, int> groups(bool only_static) {
    std::map<uint32_t, int> seen;
    uint32_t cursor = 0;
    kel_drv_mcast_entry e{};
    int32_t rc;
    while ((rc = only_static ? kel_static_mcast_getnext(&cursor, &e) : kel_mcast_getnext(&cursor, &e)) == 0)
        ++seen[e.mac[5]];
    EXPECT_EQ(rc, KEL_ERR_NOT_FOUND);
    return seen;
}

TEST_F(Switch, MulticastGroupsStaticAndLearned) {
    Mac g1 = mac_of(1, 0x01), g2 = mac_of(2, 0x01), g3 = mac_of(3, 0x01), unicast = mac_of(4);
    iflist p12 = ports({{1, 0, 1}, {1, 0, 2}}), p2 = ports({{1, 0, 2}}), p5 = ports({{2, 0, 5}});
    ASSERT_EQ(kel_static_mcast_add(g1.b, 10, 3, &p12), 0);
    ASSERT_EQ(kel_static_mcast_add(g1.b, 10, 5, &p5), 0);  // ports add up, the priority is replaced
    with_model([&](Model &m) {
        EXPECT_EQ(mcast_join(m, g2.b, 10, 1, 7), KEL_DRV_OK);
        EXPECT_EQ(mcast_join(m, g3.b, 20, 1, 8), KEL_DRV_OK);
        EXPECT_EQ(mcast_join(m, unicast.b, 10, 1, 8), KEL_DRV_ERR_BAD_VALUE);
    });
    kel_drv_mcast_entry r{};
    ASSERT_EQ(kel_mcast_get(g1.b, 10, &r), 0);
    EXPECT_TRUE(r.priority == 5 && r.count == 3 && r.kind == KEL_DRV_ARL_STATIC);
    ASSERT_EQ(kel_mcast_get(g2.b, 10, &r), 0);
    EXPECT_EQ(r.kind, KEL_DRV_ARL_DYNAMIC);
    EXPECT_EQ(kel_mcast_get(g1.b, 20, &r), KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(groups(false), (std::map<uint32_t, int>{{1, 1}, {2, 1}, {3, 1}}));
    EXPECT_EQ(groups(true), (std::map<uint32_t, int>{{1, 1}}));
    // Refusals change nothing.
    iflist bad = ports({{1, 0, 27}});
    EXPECT_EQ(kel_static_mcast_add(g1.b, 10, 1, &bad), KEL_DRV_ERR_NO_SUCH_PORT);
    EXPECT_EQ(kel_static_mcast_add(unicast.b, 10, 1, &p2), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_static_mcast_add(g1.b, 10, 8, &p2), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_static_mcast_del(g2.b, 10), KEL_DRV_ERR_NO_SUCH_ENTRY);  // learned, not static
    EXPECT_EQ(kel_static_mcast_ports_del(g1.b, 30, &p2), KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(kel_static_mcast_ports_del(g1.b, 10, &bad), KEL_DRV_ERR_NO_SUCH_PORT);
    ASSERT_EQ(kel_mcast_get(g1.b, 10, &r), 0);
    EXPECT_EQ(r.count, 3u);
    // Port by port, then whole.
    ASSERT_EQ(kel_static_mcast_ports_del(g1.b, 10, &p12), 0);
    ASSERT_EQ(kel_mcast_get(g1.b, 10, &r), 0);
    EXPECT_TRUE(same(&r.ports, &p5, sizeof p5));
    ASSERT_EQ(kel_static_mcast_ports_del(g1.b, 10, &p5), 0);  // its last port: the group goes
    EXPECT_EQ(kel_mcast_get(g1.b, 10, &r), KEL_DRV_ERR_NO_SUCH_ENTRY);
    ASSERT_EQ(kel_static_mcast_add(g2.b, 10, 0, &p2), 0);  // a learned group made static
    ASSERT_EQ(kel_static_mcast_del(g2.b, 10), 0);
    EXPECT_EQ(groups(false), (std::map<uint32_t, int>{{3, 1}}));
    uint32_t cursor = 0xFFFFFFFFu;
    EXPECT_EQ(kel_mcast_getnext(&cursor, &r), KEL_ERR_NOT_FOUND);
    // A full table.
    for (uint32_t n = 10; n < kMcastCapacity + 9; ++n) {
        Mac g = mac_of(n, 0x01);
        ASSERT_EQ(kel_static_mcast_add(g.b, 1, 0, &p2), 0) << n;
    }
    Mac extra = mac_of(kMcastCapacity + 9, 0x01);
    EXPECT_EQ(kel_static_mcast_add(extra.b, 1, 0, &p2), KEL_DRV_ERR_TABLE_FULL);
    with_model([&](Model &m) { EXPECT_EQ(mcast_join(m, extra.b, 1, 1, 1), KEL_DRV_ERR_TABLE_FULL); });
}

}  // namespace
