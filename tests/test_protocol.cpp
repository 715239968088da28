// Protocol, security and upkeep commands (spanning tree and MST, 802.1X,
// access lists, port security, GARP/GVRP/IGMP/DHCP snooping, maintenance):
// what each wrapper sends and returns, the records the library builds
// itself, the walks without end marker and the predicates.
#include <functional>
#include <string>

#include "kel_driver.h"
#include "sim_fixture.h"

namespace {

using kel_test::Answer;
using kel_test::expect_block;
using kel_test::kSomeBuffer;
using kel_test::last_sent;
using kel_test::marker;
using kel_test::SendCase;
using kel_test::Word;

const ifport kPort{1, 5, 3};  // the slot word must never travel
const ifport kOther{2, 0, 5};
const uint8_t kMac[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
const char kName[] = "list-a";
uint8_t g_buf[1024];
vlanlist g_list;
uint32_t g_cursor;

// The mac bytes as the words at 76 and 80 hold them.
uint32_t mac_word(size_t offset) {
    uint32_t w = 0;
    std::memcpy(&w, kMac + (offset - 76), offset == 76 ? 4 : 2);
    return w;
}
const std::vector<Word> kAtPort = {{12, 1}, {16, 3}};
std::vector<Word> at_port(std::vector<Word> more) {
    more.insert(more.end(), kAtPort.begin(), kAtPort.end());
    return more;
}

// A record the library builds on its own stack: some buffer, not one of the caller's.

// One row per function; the walks start from a cursor of 7.
std::vector<SendCase> send_cases() {
    const uint32_t rec_lo = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(g_buf));
    std::vector<Word> rec_words = {{96, rec_lo}};
#if UINTPTR_MAX > 0xFFFFFFFFu
    rec_words.push_back({100, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(g_buf) >> 32)});
#endif
    const std::vector<Word> mac = {{76, mac_word(76)}, {80, mac_word(80)}};
    return {
        // Spanning tree
        {"stp_control_set", [] { return kel_stp_control_set(1); }, 0x0E01, {{44, 1}}, nullptr},
        {"stp_mode_set", [] { return kel_stp_mode_set(2); }, 0x0E02, {{8, 2}}, nullptr},
        {"stp_bridge_info_get", [] { return kel_stp_bridge_info_get(g_buf); }, 0x0E03, {}, g_buf},
        {"stp_port_info_get", [] { return kel_stp_port_info_get(&kPort, g_buf); }, 0x0E04, kAtPort, g_buf},
        {"stp_max_age_set", [] { return kel_stp_max_age_set(20); }, 0x0E05, {{64, 20}}, nullptr},
        {"stp_forward_delay_set", [] { return kel_stp_forward_delay_set(15); }, 0x0E06, {{64, 15}}, nullptr},
        {"stp_hello_time_set", [] { return kel_stp_hello_time_set(2); }, 0x0E07, {{64, 2}}, nullptr},
        {"stp_bridge_times_set", [] { return kel_stp_bridge_times_set(20, 2, 15); }, 0x0E08, {}, kSomeBuffer},
        {"stp_bridge_prio_set", [] { return kel_stp_bridge_prio_set(4096); }, 0x0E09, {{52, 4096}}, nullptr},
        {"stp_tx_hold_count_set", [] { return kel_stp_tx_hold_count_set(6); }, 0x0E0A, {{64, 6}}, nullptr},
        {"stp_port_prio_set", [] { return kel_stp_port_prio_set(&kPort, 16); }, 0x0E0B, at_port({{52, 16}}),
         nullptr},
        {"stp_port_path_cost_set", [] { return kel_stp_port_path_cost_set(&kPort, 200); }, 0x0E0C,
         at_port({{64, 200}}), nullptr},
        {"stp_port_edge_port_set", [] { return kel_stp_port_edge_port_set(&kPort, 1); }, 0x0E0D,
         at_port({{44, 1}}), nullptr},
        {"stp_port_link_type_set", [] { return kel_stp_port_link_type_set(&kPort, 2); }, 0x0E0E,
         at_port({{8, 2}}), nullptr},
        {"stp_port_bpdu_guard_set", [] { return kel_stp_port_bpdu_guard_set(&kPort, 1); }, 0x0E0F,
         at_port({{44, 1}}), nullptr},
        {"stp_uplink_fast_set", [] { return kel_stp_uplink_fast_set(1); }, 0x0E10, {{44, 1}}, nullptr},
        // MST
        {"mst_bridge_info_get", [] { return kel_mst_bridge_info_get(3, g_buf); }, 0x0F01, {{40, 3}}, g_buf},
        {"mst_port_info_get", [] { return kel_mst_port_info_get(3, &kPort, g_buf); }, 0x0F02,
         at_port({{40, 3}}), g_buf},
        {"mst_info_get", [] { return kel_mst_info_get(g_buf); }, 0x0F03, {}, g_buf},
        {"mst_instance_get", [] { return kel_mst_instance_get(3, g_buf); }, 0x0F04, {{40, 3}}, g_buf},
        {"mst_instance_set", [] { return kel_mst_instance_set(3, g_buf); }, 0x0F05, {{40, 3}}, g_buf},
        {"mst_name_set", [] { return kel_mst_name_set(kName); }, 0x0F06, {}, kName},
        {"mst_revision_set", [] { return kel_mst_revision_set(7); }, 0x0F07, {{64, 7}}, nullptr},
        {"mst_bridge_prio_set",
         [] { return kel_mst_bridge_prio_set(3, 8192); },
         0x0F08,
         {{40, 3}, {52, 8192}},
         nullptr},
        {"mst_port_prio_set", [] { return kel_mst_port_prio_set(3, &kPort, 32); }, 0x0F09,
         at_port({{40, 3}, {52, 32}}), nullptr},
        {"mst_port_path_cost_set",
         [] { return kel_mst_port_path_cost_set(3, &kOther, 200); },
         0x0F0A,
         {{40, 3}, {12, 2}, {16, 5}, {64, 200}},
         nullptr},
        {"mst_max_hops_set", [] { return kel_mst_max_hops_set(20); }, 0x0F0B, {{64, 20}}, nullptr},
        // 802.1X
        {"dot1x_status_set", [] { return kel_dot1x_status_set(1); }, 0x1001, {{44, 1}}, nullptr},
        {"dot1x_authentic_set", [] { return kel_dot1x_authentic_set(2); }, 0x1002, {{8, 2}}, nullptr},
        {"dot1x_sys_info_get", [] { return kel_dot1x_sys_info_get(g_buf); }, 0x1003, {}, g_buf},
        {"dot1x_port_ctrl_set", [] { return kel_dot1x_port_ctrl_set(&kPort, 2); }, 0x1004, at_port({{44, 2}}),
         nullptr},
        {"dot1x_port_info_get", [] { return kel_dot1x_port_info_get(&kPort, g_buf); }, 0x1005, kAtPort,
         g_buf},
        {"is_dot1x_enable_port", [] { return kel_is_dot1x_enable_port(&kPort); }, 0x1005, kAtPort,
         kSomeBuffer, Answer::yes_no},
        {"is_dot1x_singlehost_port", [] { return kel_is_dot1x_singlehost_port(&kPort); }, 0x1005, kAtPort,
         kSomeBuffer, Answer::yes_no},
        {"dot1x_reauth_enable_set", [] { return kel_dot1x_reauth_enable_set(&kPort, 1); }, 0x1006,
         at_port({{44, 1}}), nullptr},
        {"dot1x_reauthenticate_set", [] { return kel_dot1x_reauthenticate_set(&kPort); }, 0x1007, kAtPort,
         nullptr},
        {"dot1x_reauth_period_set", [] { return kel_dot1x_reauth_period_set(&kPort, 3600); }, 0x1008,
         at_port({{64, 3600}}), nullptr},
        {"dot1x_quiet_period_set", [] { return kel_dot1x_quiet_period_set(&kPort, 60); }, 0x1009,
         at_port({{64, 60}}), nullptr},
        {"dot1x_server_timeout_set", [] { return kel_dot1x_server_timeout_set(&kPort, 30); }, 0x100C,
         at_port({{64, 30}}), nullptr},
        {"dot1x_multi_host_set", [] { return kel_dot1x_multi_host_set(&kPort, 1); }, 0x100E,
         at_port({{44, 1}}), nullptr},
        {"dot1x_guest_vlan_set", [] { return kel_dot1x_guest_vlan_set(&kPort, 100); }, 0x100F,
         at_port({{20, 100}}), nullptr},
        {"dot1x_radius_set",
         [] { return kel_dot1x_radius_set(1, 0x0A000001, "key", 1812); },
         0x1010,
         {{40, 1}},
         kSomeBuffer},
        {"dot1x_radius_del", [] { return kel_dot1x_radius_del(2); }, 0x1011, {{40, 2}}, nullptr},
        {"dot1x_radius_get", [] { return kel_dot1x_radius_get(2, g_buf); }, 0x1012, {{40, 2}}, g_buf},
        {"dot1x_user_set", [] { return kel_dot1x_user_set("user", "secret", 3); }, 0x1013, {}, kSomeBuffer},
        {"dot1x_user_del", [] { return kel_dot1x_user_del(kName); }, 0x1014, {}, kName},
        {"dot1x_user_getnext",
         [] { return kel_dot1x_user_getnext(&g_cursor, g_buf); },
         0x1015,
         {{40, 7}},
         g_buf},
        // Access lists
        {"acl_create", [] { return kel_acl_create(kName, 4, nullptr); }, 0x0D01, {{8, 4}}, kName},
        {"acl_destroy", [] { return kel_acl_destroy(kName); }, 0x0D02, {}, kName},
        {"acl_get", [] { return kel_acl_get(kName, g_buf); }, 0x0D03, rec_words, kName},
        {"acl_getnext",
         [] { return kel_acl_getnext(&g_cursor, 2, g_buf); },
         0x0D04,
         {{40, 7}, {8, 2}},
         g_buf},
        {"acl_filter_install", [] { return kel_acl_filter_install(kName, 4, &kPort); }, 0x0D05,
         at_port({{8, 4}}), kName},
        {"acl_filter_remove", [] { return kel_acl_filter_remove(4, &kPort); }, 0x0D06, at_port({{8, 4}}),
         nullptr},
        {"acl_filter_getnext",
         [] { return kel_acl_filter_getnext(&g_cursor, 9, g_buf); },
         0x0D07,
         {{40, 7}, {36, 9}},
         g_buf},
        {"acl_mac_filter_add",
         [] { return kel_acl_mac_filter_add(5, g_buf, 0, nullptr); },
         0x0D08,
         {{36, 5}},
         g_buf},
        {"acl_mac_filter_del", [] { return kel_acl_mac_filter_del(5, g_buf, 7, &kPort); }, 0x0D09,
         at_port({{36, 5}, {48, 7}}), g_buf},
        {"acl_ip_filter_add", [] { return kel_acl_ip_filter_add(5, g_buf, 7, &kPort); }, 0x0D0A,
         at_port({{36, 5}, {48, 7}}), g_buf},
        {"acl_ip_filter_del",
         [] { return kel_acl_ip_filter_del(5, g_buf, 0, nullptr); },
         0x0D0B,
         {{36, 5}},
         g_buf},
        // Port security
        {"portsecu_enable_set", [] { return kel_portsecu_enable_set(&kPort, 1); }, 0x1701, at_port({{44, 1}}),
         nullptr},
        {"portsecu_mac_set", [] { return kel_portsecu_mac_set(&kPort, kMac); }, 0x1702, at_port(mac),
         nullptr},
        {"portsecu_mac_del", [] { return kel_portsecu_mac_del(&kPort, kMac); }, 0x1703, at_port(mac),
         nullptr},
        {"portsecu_mac_getnext", [] { return kel_portsecu_mac_getnext(&g_cursor, &kPort, 2, g_buf); }, 0x1704,
         at_port({{40, 7}, {8, 2}}), g_buf},
        {"portsecu_maxaddr_set", [] { return kel_portsecu_maxaddr_set(&kPort, 10); }, 0x1705,
         at_port({{64, 10}}), nullptr},
        {"portsecu_violation_set", [] { return kel_portsecu_violation_set(&kPort, 1); }, 0x1706,
         at_port({{8, 1}}), nullptr},
        {"portsecu_age_time_set", [] { return kel_portsecu_age_time_set(&kPort, 5); }, 0x1707,
         at_port({{64, 5}}), nullptr},
        {"portsecu_age_type_set", [] { return kel_portsecu_age_type_set(&kPort, 1); }, 0x1708,
         at_port({{8, 1}}), nullptr},
        {"portsecu_shutdown_set", [] { return kel_portsecu_shutdown_set(&kPort, 30); }, 0x1709,
         at_port({{64, 30}}), nullptr},
        {"portsecu_port_reup", [] { return kel_portsecu_port_reup(&kPort); }, 0x170A, kAtPort, nullptr},
        {"portsecu_dynamic_mac_if_clear null",
         [] { return kel_portsecu_dynamic_mac_if_clear(nullptr); },
         0x170B,
         {},
         nullptr},
        {"portsecu_dynamic_mac_if_clear",
         [] { return kel_portsecu_dynamic_mac_if_clear(&kOther); },
         0x170B,
         {{12, 2}, {16, 5}},
         nullptr},
        {"portsecu_dynamic_mac_clear", [] { return kel_portsecu_dynamic_mac_clear(kMac); }, 0x170C, mac,
         nullptr},
        {"portsecu_info_get", [] { return kel_portsecu_info_get(&kPort, g_buf); }, 0x170D, kAtPort, g_buf},
        {"is_portsecu_enable_port", [] { return kel_is_portsecu_enable_port(&kPort); }, 0x170D, kAtPort,
         kSomeBuffer, Answer::yes_no},
        // GARP, GVRP, IGMP snooping, DHCP snooping
        {"garp_port_times_set", [] { return kel_garp_port_times_set(&kPort, g_buf); }, 0x1201, kAtPort,
         g_buf},
        {"garp_port_times_get", [] { return kel_garp_port_times_get(&kPort, g_buf); }, 0x1202, kAtPort,
         g_buf},
        {"gvrp_status_set", [] { return kel_gvrp_status_set(1); }, 0x1301, {{44, 1}}, nullptr},
        {"gvrp_status_get", [] { return kel_gvrp_status_get(nullptr); }, 0x1302, {}, nullptr},
        {"gvrp_port_set", [] { return kel_gvrp_port_set(&kPort, 1); }, 0x1303, at_port({{44, 1}}), nullptr},
        {"gvrp_port_get", [] { return kel_gvrp_port_get(&kPort, nullptr); }, 0x1304, kAtPort, nullptr},
        {"gvrp_port_mode_set", [] { return kel_gvrp_port_mode_set(&kPort, 2); }, 0x1305, at_port({{44, 2}}),
         nullptr},
        {"gvrp_port_mode_get", [] { return kel_gvrp_port_mode_get(&kPort, nullptr); }, 0x1306, kAtPort,
         nullptr},
        {"gvrp_port_stats_get", [] { return kel_gvrp_port_stats_get(&kPort, g_buf); }, 0x1307, kAtPort,
         g_buf},
        {"gvrp_port_stats_clear", [] { return kel_gvrp_port_stats_clear(&kPort); }, 0x1308, kAtPort, nullptr},
        {"igmpsnoop_status_set", [] { return kel_igmpsnoop_status_set(1); }, 0x1501, {{44, 1}}, nullptr},
        {"igmpsnoop_status_get", [] { return kel_igmpsnoop_status_get(nullptr); }, 0x1502, {}, nullptr},
        {"igmpsnoop_lmqi_set", [] { return kel_igmpsnoop_lmqi_set(5); }, 0x1503, {{64, 5}}, nullptr},
        {"igmpsnoop_lmqi_get", [] { return kel_igmpsnoop_lmqi_get(nullptr); }, 0x1504, {}, nullptr},
        {"igmpsnoop_vlan_set",
         [] { return kel_igmpsnoop_vlan_set(10, 1); },
         0x1505,
         {{20, 10}, {44, 1}},
         nullptr},
        {"igmpsnoop_vlan_get",
         [] { return kel_igmpsnoop_vlan_get(10, nullptr); },
         0x1506,
         {{20, 10}},
         nullptr},
        {"igmpsnoop_ileave_set",
         [] { return kel_igmpsnoop_ileave_set(10, 1); },
         0x1507,
         {{20, 10}, {44, 1}},
         nullptr},
        {"igmpsnoop_ileave_get",
         [] { return kel_igmpsnoop_ileave_get(10, nullptr); },
         0x1508,
         {{20, 10}},
         nullptr},
        {"igmpsnoop_vlan_list_get", [] { return kel_igmpsnoop_vlan_list_get(&g_list); }, 0x1509, {}, &g_list},
        {"igmpsnoop_ileave_list_get",
         [] { return kel_igmpsnoop_ileave_list_get(&g_list); },
         0x150A,
         {},
         &g_list},
        {"dhcpsnoop_status_set", [] { return kel_dhcpsnoop_status_set(1); }, 0x1601, {{44, 1}}, nullptr},
        {"dhcpsnoop_status_get", [] { return kel_dhcpsnoop_status_get(nullptr); }, 0x1602, {}, nullptr},
        {"dhcpsnoop_vlan_set",
         [] { return kel_dhcpsnoop_vlan_set(20, 1); },
         0x1603,
         {{20, 20}, {44, 1}},
         nullptr},
        {"dhcpsnoop_vlan_get",
         [] { return kel_dhcpsnoop_vlan_get(20, nullptr); },
         0x1604,
         {{20, 20}},
         nullptr},
        {"dhcpsnoop_vlanlist_set", [] { return kel_dhcpsnoop_vlanlist_set(&g_list); }, 0x1605, {}, &g_list},
        {"dhcpsnoop_vlanlist_get", [] { return kel_dhcpsnoop_vlanlist_get(&g_list); }, 0x1606, {}, &g_list},
        {"dhcpsnoop_trust_set", [] { return kel_dhcpsnoop_trust_set(&kPort, 1); }, 0x1607, at_port({{44, 1}}),
         nullptr},
        {"dhcpsnoop_trust_get", [] { return kel_dhcpsnoop_trust_get(&kPort, nullptr); }, 0x1608, kAtPort,
         nullptr},
        {"dhcpsnoop_bind_getnext",
         [] { return kel_dhcpsnoop_bind_getnext(&g_cursor, g_buf); },
         0x1609,
         {{40, 7}},
         g_buf},
        // Maintenance
        {"tracelog_type_set", [] { return kel_tracelog_type_set(2, 1); }, 0x0201, {{8, 2}, {44, 1}}, nullptr},
        {"tracelog_level_set", [] { return kel_tracelog_level_set(5); }, 0x0202, {{52, 5}}, nullptr},
        {"line_proto_port_set", [] { return kel_line_proto_port_set(&kPort, 1); }, 0x1801, at_port({{44, 1}}),
         nullptr},
        {"line_proto_port_get", [] { return kel_line_proto_port_get(&kPort, nullptr); }, 0x1802, kAtPort,
         nullptr},
        {"line_loopback_get", [] { return kel_line_loopback_get(&kPort, nullptr); }, 0x1803, kAtPort,
         nullptr},
        {"cablediag_get", [] { return kel_cablediag_get(&kPort, g_buf); }, 0x1901, kAtPort, g_buf},
        {"watchdog_set", [] { return kel_watchdog_set(60); }, 0x1A01, {{44, 60}}, nullptr},
        {"watchdog_get", [] { return kel_watchdog_get(nullptr); }, 0x1A02, {}, nullptr},
        {"watchdog_timer_reset", [] { return kel_watchdog_timer_reset(); }, 0x1A03, {}, nullptr},
        {"watchdog_stat_reset", [] { return kel_watchdog_stat_reset(); }, 0x1A04, {}, nullptr},
        {"watchdog_stat_get", [] { return kel_watchdog_stat_get(nullptr); }, 0x1A05, {}, nullptr},
        {"crashdump_boot_id_set", [] { return kel_crashdump_boot_id_set(9); }, 0x1B01, {{40, 9}}, nullptr},
        {"crashdump_test 0", [] { return kel_crashdump_test(0); }, 0x1B02, {}, nullptr},
        {"crashdump_test 7", [] { return kel_crashdump_test(7); }, 0x1B03, {}, nullptr},
        {"dhcp_client_state_set", [] { return kel_dhcp_client_state_set(1); }, 0x1C01, {{44, 1}}, nullptr},
        {"dhcp_client_state_get", [] { return kel_dhcp_client_state_get(nullptr); }, 0x1C02, {}, nullptr},
        {"show_private_led", [] { return kel_show_private_led(g_buf, 64); }, 0x1E01, {{84, 64}}, g_buf},
        {"show_private_health", [] { return kel_show_private_health(g_buf, 32); }, 0x1E02, {{84, 32}}, g_buf},
        {"show_private_model", [] { return kel_show_private_model(g_buf, 64); }, 0x1E03, {{84, 64}}, g_buf},
    };
}

class Wrappers : public kel_test::SimTest {};

// Each sends one block with its code and words, every other word zero, and
// returns the driver's status.
TEST_F(Wrappers, EachSendsItsCodeAndWords) {
    g_cursor = 7;  // walks carry it both ways; the driver leaves it as it is
    kel_test::expect_sends(send_cases());
}

// Getters copy their word, on success and on failure; a null pointer still sends.
struct OutCase {
    const char *name;
    std::function<int32_t(uint32_t *)> call;
    size_t offset;
};

const OutCase kOuts[] = {
    {"acl_create", [](uint32_t *o) { return kel_acl_create(kName, 2, o); }, 36},
    {"gvrp_status_get", kel_gvrp_status_get, 44},
    {"gvrp_port_get", [](uint32_t *o) { return kel_gvrp_port_get(&kPort, o); }, 44},
    {"gvrp_port_mode_get", [](uint32_t *o) { return kel_gvrp_port_mode_get(&kPort, o); }, 44},
    {"igmpsnoop_status_get", kel_igmpsnoop_status_get, 44},
    {"igmpsnoop_lmqi_get", kel_igmpsnoop_lmqi_get, 64},
    {"igmpsnoop_vlan_get", [](uint32_t *o) { return kel_igmpsnoop_vlan_get(10, o); }, 44},
    {"igmpsnoop_ileave_get", [](uint32_t *o) { return kel_igmpsnoop_ileave_get(10, o); }, 44},
    {"dhcpsnoop_status_get", kel_dhcpsnoop_status_get, 44},
    {"dhcpsnoop_vlan_get", [](uint32_t *o) { return kel_dhcpsnoop_vlan_get(10, o); }, 44},
    {"dhcpsnoop_trust_get", [](uint32_t *o) { return kel_dhcpsnoop_trust_get(&kPort, o); }, 44},
    {"line_proto_port_get", [](uint32_t *o) { return kel_line_proto_port_get(&kPort, o); }, 44},
    {"line_loopback_get", [](uint32_t *o) { return kel_line_loopback_get(&kPort, o); }, 44},
    {"watchdog_get", kel_watchdog_get, 44},
    {"watchdog_stat_get", kel_watchdog_stat_get, 44},
    {"dhcp_client_state_get", kel_dhcp_client_state_get, 44},
    // Walks without end marker: the cursor is their output, whatever comes back.
    {"dot1x_user_getnext", [](uint32_t *o) { return kel_dot1x_user_getnext(o, g_buf); }, 40},
    {"acl_getnext", [](uint32_t *o) { return kel_acl_getnext(o, 4, g_buf); }, 40},
    {"acl_filter_getnext", [](uint32_t *o) { return kel_acl_filter_getnext(o, 1, g_buf); }, 40},
    {"portsecu_mac_getnext", [](uint32_t *o) { return kel_portsecu_mac_getnext(o, &kPort, 0, g_buf); }, 40},
    {"dhcpsnoop_bind_getnext", [](uint32_t *o) { return kel_dhcpsnoop_bind_getnext(o, g_buf); }, 40},
};

TEST_F(Wrappers, OutputsComeFromTheirWordWhateverTheResult) {
    for (int32_t status : {0, -300, 5}) {
        kel_test::answer_with_markers(status);
        for (const OutCase &c : kOuts) {
            SCOPED_TRACE(testing::Message() << c.name << " status " << status);
            uint32_t out = 7;
            EXPECT_EQ(c.call(&out), status);
            EXPECT_EQ(out, marker(c.offset));
            if (c.offset == 40) continue;  // a walk's cursor is an input and may not be null
            kelsim::clear_journal();
            EXPECT_EQ(c.call(nullptr), status);
            EXPECT_EQ(kelsim::request_count(), 1u);
        }
    }
}

// A walk sends its cursor and keeps it when the driver leaves word 40 as it
// was, also when the system call fails; any value that comes back is stored,
// the end marker of other walks included.
TEST_F(Wrappers, WalksStoreTheIndexAfterEveryCall) {
    for (const OutCase &c : kOuts) {
        if (c.offset != 40) continue;
        SCOPED_TRACE(c.name);
        uint32_t cursor = 12;
        kelsim::force_status(-9);
        EXPECT_EQ(c.call(&cursor), -9);
        EXPECT_EQ(cursor, 12u);
        EXPECT_EQ(last_sent().block.index, 12u);
        kelsim::fail_next_ioctl();
        EXPECT_EQ(c.call(&cursor), -1);
        EXPECT_EQ(cursor, 12u);
        for (uint32_t back : {0u, 65535u, 0xFFFFFFFFu}) {
            kelsim::set_responder([back](kel_ioreq &b) {
                b.index = back;
                return true;
            });
            EXPECT_EQ(c.call(&cursor), 0);
            EXPECT_EQ(cursor, back);
        }
        kelsim::set_responder(nullptr);
    }
}

// ---- Records the library builds on its own stack --------------------------

std::vector<uint8_t> sent_record(size_t size) {
    kelsim::Sent s = last_sent();
    EXPECT_EQ(s.record_size, size);
    return std::vector<uint8_t>(s.record, s.record + s.record_size);
}

uint32_t u32(const std::vector<uint8_t> &r, size_t off) {
    uint32_t v;
    std::memcpy(&v, r.data() + off, 4);
    return v;
}

// The bytes of a text field: the text cut at width, zero-filled after it.
std::vector<uint8_t> field(const std::string &text, size_t width) {
    std::vector<uint8_t> f(width, 0);
    std::memcpy(f.data(), text.data(), std::min(text.size(), width));
    return f;
}

class Records : public kel_test::SimTest {};

TEST_F(Records, BridgeTimesCarryThreeWordsAndNothingElse) {
    ASSERT_EQ(kel_stp_bridge_times_set(0x11111111, 0x22222222, 0x33333333), KEL_DRV_ERR_BAD_VALUE);
    std::vector<uint8_t> r = sent_record(112);
    for (size_t off = 0; off < 112; off += 4) {
        uint32_t want = off == 44 ? 0x11111111 : off == 48 ? 0x22222222 : off == 52 ? 0x33333333 : 0;
        EXPECT_EQ(u32(r, off), want) << "offset " << off;
    }
    expect_block(last_sent().block, 0x0E08, {}, true);
}

struct KeyCase {
    std::string key;
    std::string sent;  // what the 16-byte field holds
};

TEST_F(Records, RadiusKeyIsCutAtSixteenCharacters) {
    const KeyCase cases[] = {
        {"abcde", "abcde"},
        {"0123456789abcdef", "0123456789abcdef"},
        {"0123456789abcdefGHIJ", "0123456789abcdef"},
        {"%s%n%x%%", "%s%n%x%%"},
        {"", ""},
    };
    for (const KeyCase &c : cases) {
        SCOPED_TRACE(c.key);
        kel_dot1x_radius_set(1, 0xC0A80001u, c.key.c_str(), 0xABCD1812u);
        std::vector<uint8_t> r = sent_record(32);
        EXPECT_EQ(u32(r, 0), 0xC0A80001u);
        EXPECT_EQ(std::vector<uint8_t>(r.begin() + 4, r.begin() + 20), field(c.sent, 16));
        EXPECT_EQ(u32(r, 20), 0xABCD1812u);
        EXPECT_EQ(std::vector<uint8_t>(r.begin() + 24, r.end()), std::vector<uint8_t>(8, 0));
        expect_block(last_sent().block, 0x1010, {{40, 1}}, true);
    }
}

struct UserCase {
    std::string name, password;
};

TEST_F(Records, LocalUserTextsAreCutAtSixtyFourCharacters) {
    const std::string n63(63, 'n'), n64 = std::string(63, 'n') + "Z", n70 = n64 + "overflow";
    const UserCase cases[] = {
        {n63, "pw"}, {n64, "pw"}, {n70, n64}, {"100%", "%d%s%%"}, {"u", n70},
    };
    for (const UserCase &c : cases) {
        SCOPED_TRACE(c.name + " / " + c.password);
        kel_dot1x_user_set(c.name.c_str(), c.password.c_str(), 0x01020304u);
        std::vector<uint8_t> r = sent_record(144);
        EXPECT_EQ(std::vector<uint8_t>(r.begin(), r.begin() + 4), std::vector<uint8_t>(4, 0));
        EXPECT_EQ(std::vector<uint8_t>(r.begin() + 4, r.begin() + 68), field(c.name, 64));
        EXPECT_EQ(std::vector<uint8_t>(r.begin() + 68, r.begin() + 132), field(c.password, 64));
        EXPECT_EQ(u32(r, 132), 0x01020304u);
        EXPECT_EQ(std::vector<uint8_t>(r.begin() + 136, r.end()), std::vector<uint8_t>(8, 0));
        expect_block(last_sent().block, 0x1013, {}, true);
    }
    // The two edges: a 63-character name ends with a zero at 67; one of 64
    // puts its last character there.
    kel_dot1x_user_set(n63.c_str(), "p", 0);
    EXPECT_EQ(sent_record(144)[67], 0);
    kel_dot1x_user_set(n64.c_str(), "p", 0);
    std::vector<uint8_t> r = sent_record(144);
    EXPECT_EQ(r[67], 'Z');
    EXPECT_EQ(r[68], 'p');
}

// ---- Predicates over the port records --------------------------------------

// Answers 0x1005 and 0x170D by writing words into the record (at most 72
// bytes, the size the predicates reserve) with a status they must ignore.
void answer_record(std::vector<Word> words, int32_t status) {
    kelsim::set_responder([words, status](kel_ioreq &b) {
        auto *rec = static_cast<uint8_t *>(kelsim::buffer_of(b));
        std::memset(rec, 0xEE, 72);
        for (const Word &w : words) std::memcpy(rec + w.offset, &w.value, 4);
        b.status = status;
        return true;
    });
}

TEST_F(Wrappers, Dot1xPredicatesReadWordsFourAndSixteen) {
    struct Case {
        std::vector<Word> words;
        int32_t enabled, single;
    } cases[] = {
        {{{4, 2}, {16, 1}}, 1, 0},
        {{{4, 1}, {16, 0}}, 0, 1},
        {{{4, 2}, {16, 0}}, 1, 1},
        {{{4, 0x102}, {16, 0x100}}, 0, 0},  // whole words are compared
    };
    for (const Case &c : cases)
        for (int32_t status : {0, -1000}) {
            answer_record(c.words, status);
            EXPECT_EQ(kel_is_dot1x_enable_port(&kPort), c.enabled);
            EXPECT_EQ(kel_is_dot1x_singlehost_port(&kPort), c.single);
        }
    kelsim::set_responder(nullptr);
    kelsim::fail_next_ioctl(2);  // nothing written: the zeroed record answers
    EXPECT_EQ(kel_is_dot1x_enable_port(&kPort), 0);
    EXPECT_EQ(kel_is_dot1x_singlehost_port(&kPort), 1);
}

TEST_F(Wrappers, PortSecurityPredicateReadsWordTwelve) {
    for (uint32_t w : {1u, 0x80000000u, 0xFFFFFFFFu}) {
        answer_record({{12, w}}, -1000);
        EXPECT_EQ(kel_is_portsecu_enable_port(&kPort), 1) << w;
    }
    answer_record({{12, 0}, {8, 1}, {16, 1}}, 0);
    EXPECT_EQ(kel_is_portsecu_enable_port(&kPort), 0);
    kelsim::set_responder(nullptr);
    kelsim::fail_next_ioctl();
    EXPECT_EQ(kel_is_portsecu_enable_port(&kPort), 0);
}

// ---- The access-list predicates --------------------------------------------

// A scripted driver with lists of types 2 and 4, each with an iflist and
// filters given by their egress ports.
struct FakeList {
    uint32_t type, number;
    iflist ports;
    std::vector<ifport> egress;
};

void script(std::vector<FakeList> lists, int32_t end_status = -210) {
    kelsim::set_responder([lists, end_status](kel_ioreq &b) {
        auto *rec = static_cast<uint8_t *>(kelsim::buffer_of(b));
        b.status = end_status;
        if (b.cmd == 0x0D04) {
            std::memset(rec, 0, 80);
            uint32_t seen = 0;
            for (const FakeList &l : lists) {
                if (l.type != b.sel || seen++ < b.index) continue;
                std::memcpy(rec + 32, &l.number, 4);
                std::memcpy(rec + 44, &l.ports, sizeof l.ports);
                b.index = seen;
                b.status = 0;
                break;
            }
        } else if (b.cmd == 0x0D07) {
            std::memset(rec, 0, 144);
            for (const FakeList &l : lists)
                if (l.number == b.list && b.index < l.egress.size()) {
                    std::memcpy(rec + 12, &l.egress[b.index], sizeof(ifport));
                    ++b.index;
                    b.status = 0;
                }
        }
        return true;
    });
}

iflist ports(uint32_t word, uint32_t bits) {
    iflist l{};
    l.word[word] = bits;
    return l;
}

// The requests a predicate made, as (code, type or list, index).
std::string requests() {
    std::string out;
    for (const kelsim::Sent &s : kelsim::journal())
        out +=
            (s.block.cmd == 0x0D04 ? "L" + std::to_string(s.block.sel) : "F" + std::to_string(s.block.list)) +
            "@" + std::to_string(s.block.index) + " ";
    return out;
}

struct PredicateCase {
    const char *name;
    std::vector<FakeList> lists;
    ifport port;
    int32_t attached, egress;
    const char *attach_requests, *egress_requests;
};

TEST_F(Wrappers, AclPredicatesWalkBothTypesAndEveryFilter) {
    const PredicateCase cases[] = {
        {"no lists", {}, {1, 0, 3}, 0, 0, "L2@0 L4@0 ", "L4@0 L2@0 "},
        {"bit 2 of a type-2 list",
         {{2, 1, ports(0, 0x4), {}}, {2, 2, ports(0, 0x8), {}}},
         {1, 0, 3},
         1,
         0,
         "L2@0 ",
         "L4@0 L2@0 F1@0 L2@1 F2@0 L2@2 "},
        {"the next port walks on",
         {{2, 1, ports(0, 0x4), {}}, {2, 2, ports(0, 0x8), {}}},
         {1, 0, 4},
         1,
         0,
         "L2@0 L2@1 ",
         "L4@0 L2@0 F1@0 L2@1 F2@0 L2@2 "},
        {"type 4 on unit 2 port 1",
         {{2, 1, ports(1, 0x2), {}}, {4, 3, ports(1, 0x1), {}}},
         {2, 0, 1},
         1,
         0,
         "L2@0 L2@1 L4@0 ",
         "L4@0 F3@0 L4@1 L2@0 F1@0 L2@1 "},
        {"egress 1/0/7, slot ignored",
         {{4, 5, {}, {{1, 3, 6}, {1, 9, 7}}}, {2, 6, {}, {{1, 0, 7}}}},
         {1, 4, 7},
         0,
         1,
         "L2@0 L2@1 L4@0 L4@1 ",
         "L4@0 F5@0 F5@1 "},
        {"egress on another unit",
         {{4, 5, {}, {{1, 0, 7}}}, {2, 6, {}, {{1, 0, 7}}}},
         {2, 0, 7},
         0,
         0,
         "L2@0 L2@1 L4@0 L4@1 ",
         "L4@0 F5@0 F5@1 L4@1 L2@0 F6@0 F6@1 L2@1 "},
        {"filters restart per list",
         {{2, 1, {}, {{1, 0, 1}, {1, 0, 2}}}, {2, 2, {}, {{1, 0, 9}, {1, 0, 8}}}},
         {1, 0, 8},
         0,
         1,
         "L2@0 L2@1 L2@2 L4@0 ",
         "L4@0 L2@0 F1@0 F1@1 F1@2 L2@1 F2@0 F2@1 "},
        {"port 33 is bit 0 of the next word",
         {{2, 1, ports(1, 0x1), {}}},
         {1, 0, 33},
         1,
         0,
         "L2@0 ",
         "L4@0 L2@0 F1@0 L2@1 "},
    };
    for (const PredicateCase &c : cases) {
        SCOPED_TRACE(c.name);
        script(c.lists);
        kelsim::clear_journal();
        EXPECT_EQ(kel_is_acl_attach_port(&c.port), c.attached);
        EXPECT_EQ(requests(), c.attach_requests);
        kelsim::clear_journal();
        EXPECT_EQ(kel_is_filter_egress_port(&c.port), c.egress);
        EXPECT_EQ(requests(), c.egress_requests);
    }
}

// Any nonzero result ends a walk, a positive one too, and the record the
// driver wrote with it is not looked at.
TEST_F(Wrappers, AclPredicatesStopAtTheFirstNonzeroResult) {
    kelsim::set_responder([](kel_ioreq &b) {
        auto *rec = static_cast<uint8_t *>(kelsim::buffer_of(b));
        std::memset(rec, 0xFF, 80);
        const ifport egress{1, 0, 1};
        if (b.cmd == 0x0D07) std::memcpy(rec + 12, &egress, sizeof egress);
        b.status = 7;
        return true;
    });
    const ifport p{1, 0, 1};
    kelsim::clear_journal();
    EXPECT_EQ(kel_is_acl_attach_port(&p), 0);
    EXPECT_EQ(requests(), "L2@0 L4@0 ");
    kelsim::clear_journal();
    EXPECT_EQ(kel_is_filter_egress_port(&p), 0);
    EXPECT_EQ(requests(), "L4@0 L2@0 ");
}

// A port outside the lists' 256 bits is on no list; nothing is asked.
TEST_F(Wrappers, AclPredicatesRefuseImpossiblePorts) {
    const ifport outside[] = {{0, 0, 1}, {1, 0, 0}, {9, 0, 1}, {8, 0, 33}, {-1, 0, 5}, {1, 0, -3}};
    kelsim::clear_journal();
    for (const ifport &p : outside) EXPECT_EQ(kel_is_acl_attach_port(&p), 0);
    EXPECT_EQ(kel_is_acl_attach_port(nullptr), 0);
    EXPECT_EQ(kel_is_filter_egress_port(nullptr), 0);
    EXPECT_EQ(kelsim::request_count(), 0u);
}

}  // namespace
