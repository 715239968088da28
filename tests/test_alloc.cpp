// No command allocates: every system and stacking command, and the text
// and CRC helpers, run under a counting allocator that sees every malloc of
// the process (the library's, the C library's and the in-process driver's).
// Sanitizer builds bring their own allocator, so there the count is left out.
// Each command area adds its commands to kCases.
#include <cstdlib>
#include <cstring>
#include <functional>

#include "alloc_counter.h"
#include "records.h"
#include "sim_fixture.h"

namespace {

const ifport kPort{1, 0, 25};
uint8_t g_record[KEL_PORTINFO_SIZE];
uint32_t g_a, g_b;
char g_text[64];

struct Case {
    const char *name;
    std::function<void()> call;
};

const Case kCases[] = {
    {"ifport_name_get", [] { kel_ifport_name_get(&kPort, g_text, sizeof g_text); }},
    {"system_nr_ports_get", [] { kel_system_nr_ports_get(&g_a); }},
    {"system_mac_addr_get", [] { kel_system_mac_addr_get(g_record); }},
    {"system_ip_mask_set", [] { kel_system_ip_mask_set(0x0A01A8C0u, 0x00FFFFFFu); }},
    {"system_ip_mask_get", [] { kel_system_ip_mask_get(&g_a, &g_b); }},
    {"system_vlan_id_set", [] { kel_system_vlan_id_set(10); }},
    {"system_vlan_id_get", [] { kel_system_vlan_id_get(&g_a); }},
    {"system_port_info_get", [] { kel_system_port_info_get(&kPort, g_record); }},
    {"is_system_ifport", [] { kel_is_system_ifport(&kPort); }},
    {"is_system_feport", [] { kel_is_system_feport(&kPort); }},
    {"is_system_geport", [] { kel_is_system_geport(&kPort); }},
    {"system_reboot", [] { kel_system_reboot(); }},
    {"system_startup_complete", [] { kel_system_startup_complete(); }},
    {"lib_is_system_ready", [] { kel_lib_is_system_ready(); }},
    {"system_upgrade", [] { kel_system_upgrade(); }},
    {"is_system_upgrade", [] { kel_is_system_upgrade(); }},
    {"stack_nr_ports_get", [] { kel_stack_nr_ports_get(2, &g_a); }},
    {"switch_stack_id_set", [] { kel_switch_stack_id_set(2); }},
    {"switch_stack_id_get", [] { kel_switch_stack_id_get(&g_a); }},
    {"stack_priority_set", [] { kel_stack_priority_set(2, 5); }},
    {"switch_master_ipmask_set", [] { kel_switch_master_ipmask_set(0x0A01A8C0u, 0x00FFFFFFu); }},
    {"switch_master_ipmask_get", [] { kel_switch_master_ipmask_get(&g_a, &g_b); }},
    {"switch_stack_ipmask_set", [] { kel_switch_stack_ipmask_set(2, 0x0A01A8C0u, 0x00FFFFFFu); }},
    {"switch_stack_ipmask_get", [] { kel_switch_stack_ipmask_get(2, &g_a, &g_b); }},
    {"stack_info_get", [] { kel_stack_info_get(2, g_record); }},
    {"stack_discover_startup", [] { kel_stack_discover_startup(); }},
    {"is_stack_discover", [] { kel_is_stack_discover(); }},
    {"stack_firmware_sync_set", [] { kel_stack_firmware_sync_set(); }},
    {"stack_firmware_sync_get", [] { kel_stack_firmware_sync_get(&g_a); }},
    {"is_stack_master", [] { kel_is_stack_master(); }},
    {"is_switch_stackable", [] { kel_is_switch_stackable(); }},
    {"is_stack_smart_port", [] { kel_is_stack_smart_port(&kPort); }},
    {"ifname_short_get", [] { kel_ifname_short_get(&kPort, g_text, sizeof g_text); }},
    {"ifname_long_get", [] { kel_ifname_long_get(&kPort, g_text, sizeof g_text); }},
    {"atoi", [] { kel_atoi(" -42", reinterpret_cast<int32_t *>(&g_a)); }},
    {"strtrim",
     [] {
         std::strcpy(g_text, "  word rest");
         kel_strtrim(g_text);
     }},
    {"crc32", [] { g_a = kel_crc32(0, g_record, sizeof g_record); }},
    {"errstr", [] { kel_errstr(-1); }},
    {"user", [] { kel_user(); }},
    // Spanning tree and MST
    {"stp_control_set", [] { kel_stp_control_set(1); }},
    {"stp_mode_set", [] { kel_stp_mode_set(2); }},
    {"stp_bridge_info_get", [] { kel_stp_bridge_info_get(g_record); }},
    {"stp_port_info_get", [] { kel_stp_port_info_get(&kPort, g_record); }},
    {"stp_max_age_set", [] { kel_stp_max_age_set(20); }},
    {"stp_forward_delay_set", [] { kel_stp_forward_delay_set(15); }},
    {"stp_hello_time_set", [] { kel_stp_hello_time_set(2); }},
    {"stp_bridge_times_set", [] { kel_stp_bridge_times_set(20, 2, 15); }},
    {"stp_bridge_prio_set", [] { kel_stp_bridge_prio_set(4096); }},
    {"stp_tx_hold_count_set", [] { kel_stp_tx_hold_count_set(6); }},
    {"stp_port_prio_set", [] { kel_stp_port_prio_set(&kPort, 16); }},
    {"stp_port_path_cost_set", [] { kel_stp_port_path_cost_set(&kPort, 200); }},
    {"stp_port_edge_port_set", [] { kel_stp_port_edge_port_set(&kPort, 1); }},
    {"stp_port_link_type_set", [] { kel_stp_port_link_type_set(&kPort, 2); }},
    {"stp_port_bpdu_guard_set", [] { kel_stp_port_bpdu_guard_set(&kPort, 1); }},
    {"stp_uplink_fast_set", [] { kel_stp_uplink_fast_set(1); }},
    {"mst_bridge_info_get", [] { kel_mst_bridge_info_get(0, g_record); }},
    {"mst_port_info_get", [] { kel_mst_port_info_get(0, &kPort, g_record); }},
    {"mst_info_get", [] { kel_mst_info_get(g_record); }},
    {"mst_instance_get", [] { kel_mst_instance_get(0, g_record); }},
    {"mst_instance_set", [] { kel_mst_instance_set(3, g_record); }},
    {"mst_name_set", [] { kel_mst_name_set("region"); }},
    {"mst_revision_set", [] { kel_mst_revision_set(7); }},
    {"mst_bridge_prio_set", [] { kel_mst_bridge_prio_set(0, 8192); }},
    {"mst_port_prio_set", [] { kel_mst_port_prio_set(0, &kPort, 32); }},
    {"mst_port_path_cost_set", [] { kel_mst_port_path_cost_set(0, &kPort, 200); }},
    {"mst_max_hops_set", [] { kel_mst_max_hops_set(20); }},
    // 802.1X
    {"dot1x_status_set", [] { kel_dot1x_status_set(1); }},
    {"dot1x_authentic_set", [] { kel_dot1x_authentic_set(2); }},
    {"dot1x_sys_info_get", [] { kel_dot1x_sys_info_get(g_record); }},
    {"dot1x_port_ctrl_set", [] { kel_dot1x_port_ctrl_set(&kPort, 2); }},
    {"dot1x_port_info_get", [] { kel_dot1x_port_info_get(&kPort, g_record); }},
    {"is_dot1x_enable_port", [] { kel_is_dot1x_enable_port(&kPort); }},
    {"is_dot1x_singlehost_port", [] { kel_is_dot1x_singlehost_port(&kPort); }},
    {"dot1x_reauth_enable_set", [] { kel_dot1x_reauth_enable_set(&kPort, 1); }},
    {"dot1x_reauthenticate_set", [] { kel_dot1x_reauthenticate_set(&kPort); }},
    {"dot1x_reauth_period_set", [] { kel_dot1x_reauth_period_set(&kPort, 3600); }},
    {"dot1x_quiet_period_set", [] { kel_dot1x_quiet_period_set(&kPort, 60); }},
    {"dot1x_server_timeout_set", [] { kel_dot1x_server_timeout_set(&kPort, 30); }},
    {"dot1x_multi_host_set", [] { kel_dot1x_multi_host_set(&kPort, 1); }},
    {"dot1x_guest_vlan_set", [] { kel_dot1x_guest_vlan_set(&kPort, 100); }},
    {"dot1x_radius_set", [] { kel_dot1x_radius_set(1, 0x0100000Au, "key", 1812); }},
    {"dot1x_radius_get", [] { kel_dot1x_radius_get(1, g_record); }},
    {"dot1x_radius_del", [] { kel_dot1x_radius_del(1); }},
    {"dot1x_user_set", [] { kel_dot1x_user_set("user", "password", 1); }},
    {"dot1x_user_getnext", [] { g_a = 0, kel_dot1x_user_getnext(&g_a, g_record); }},
    {"dot1x_user_del", [] { kel_dot1x_user_del("user"); }},
    // Access lists, their walks and predicates
    {"acl_create", [] { kel_acl_create("list", 4, &g_a); }},
    {"acl_get", [] { kel_acl_get("list", g_record); }},
    {"acl_getnext", [] { g_a = 0, kel_acl_getnext(&g_a, 4, g_record); }},
    {"acl_filter_install", [] { kel_acl_filter_install("list", 4, &kPort); }},
    {"acl_filter_getnext", [] { g_a = 0, kel_acl_filter_getnext(&g_a, 1, g_record); }},
    {"acl_ip_filter_add", [] { kel_acl_ip_filter_add(1, g_record, 0, &kPort); }},
    {"acl_ip_filter_del", [] { kel_acl_ip_filter_del(1, g_record, 0, &kPort); }},
    {"acl_mac_filter_add", [] { kel_acl_mac_filter_add(1, g_record, 0, nullptr); }},
    {"acl_mac_filter_del", [] { kel_acl_mac_filter_del(1, g_record, 0, nullptr); }},
    {"is_acl_attach_port", [] { kel_is_acl_attach_port(&kPort); }},
    {"is_filter_egress_port", [] { kel_is_filter_egress_port(&kPort); }},
    {"acl_filter_remove", [] { kel_acl_filter_remove(4, &kPort); }},
    {"acl_destroy", [] { kel_acl_destroy("list"); }},
    // Port security
    {"portsecu_enable_set", [] { kel_portsecu_enable_set(&kPort, 1); }},
    {"portsecu_mac_set", [] { kel_portsecu_mac_set(&kPort, g_record); }},
    {"portsecu_mac_getnext", [] { g_a = 0, kel_portsecu_mac_getnext(&g_a, &kPort, 0, g_record); }},
    {"portsecu_mac_del", [] { kel_portsecu_mac_del(&kPort, g_record); }},
    {"portsecu_maxaddr_set", [] { kel_portsecu_maxaddr_set(&kPort, 10); }},
    {"portsecu_violation_set", [] { kel_portsecu_violation_set(&kPort, 1); }},
    {"portsecu_age_time_set", [] { kel_portsecu_age_time_set(&kPort, 5); }},
    {"portsecu_age_type_set", [] { kel_portsecu_age_type_set(&kPort, 1); }},
    {"portsecu_shutdown_set", [] { kel_portsecu_shutdown_set(&kPort, 30); }},
    {"portsecu_port_reup", [] { kel_portsecu_port_reup(&kPort); }},
    {"portsecu_dynamic_mac_if_clear", [] { kel_portsecu_dynamic_mac_if_clear(nullptr); }},
    {"portsecu_dynamic_mac_clear", [] { kel_portsecu_dynamic_mac_clear(g_record); }},
    {"portsecu_info_get", [] { kel_portsecu_info_get(&kPort, g_record); }},
    {"is_portsecu_enable_port", [] { kel_is_portsecu_enable_port(&kPort); }},
    // GARP, GVRP, IGMP snooping, DHCP snooping
    {"garp_port_times_get", [] { kel_garp_port_times_get(&kPort, g_record); }},
    {"garp_port_times_set", [] { kel_garp_port_times_set(&kPort, g_record); }},
    {"gvrp_status_set", [] { kel_gvrp_status_set(1); }},
    {"gvrp_status_get", [] { kel_gvrp_status_get(&g_a); }},
    {"gvrp_port_set", [] { kel_gvrp_port_set(&kPort, 1); }},
    {"gvrp_port_get", [] { kel_gvrp_port_get(&kPort, &g_a); }},
    {"gvrp_port_mode_set", [] { kel_gvrp_port_mode_set(&kPort, 2); }},
    {"gvrp_port_mode_get", [] { kel_gvrp_port_mode_get(&kPort, &g_a); }},
    {"gvrp_port_stats_get", [] { kel_gvrp_port_stats_get(&kPort, g_record); }},
    {"gvrp_port_stats_clear", [] { kel_gvrp_port_stats_clear(&kPort); }},
    {"igmpsnoop_status_set", [] { kel_igmpsnoop_status_set(1); }},
    {"igmpsnoop_status_get", [] { kel_igmpsnoop_status_get(&g_a); }},
    {"igmpsnoop_lmqi_set", [] { kel_igmpsnoop_lmqi_set(5); }},
    {"igmpsnoop_lmqi_get", [] { kel_igmpsnoop_lmqi_get(&g_a); }},
    {"igmpsnoop_vlan_set", [] { kel_igmpsnoop_vlan_set(10, 1); }},
    {"igmpsnoop_vlan_get", [] { kel_igmpsnoop_vlan_get(10, &g_a); }},
    {"igmpsnoop_ileave_set", [] { kel_igmpsnoop_ileave_set(10, 1); }},
    {"igmpsnoop_ileave_get", [] { kel_igmpsnoop_ileave_get(10, &g_a); }},
    {"igmpsnoop_vlan_list_get", [] { kel_igmpsnoop_vlan_list_get(reinterpret_cast<vlanlist *>(g_record)); }},
    {"igmpsnoop_ileave_list_get",
     [] { kel_igmpsnoop_ileave_list_get(reinterpret_cast<vlanlist *>(g_record)); }},
    {"dhcpsnoop_status_set", [] { kel_dhcpsnoop_status_set(1); }},
    {"dhcpsnoop_status_get", [] { kel_dhcpsnoop_status_get(&g_a); }},
    {"dhcpsnoop_vlan_set", [] { kel_dhcpsnoop_vlan_set(20, 1); }},
    {"dhcpsnoop_vlan_get", [] { kel_dhcpsnoop_vlan_get(20, &g_a); }},
    {"dhcpsnoop_vlanlist_get", [] { kel_dhcpsnoop_vlanlist_get(reinterpret_cast<vlanlist *>(g_record)); }},
    {"dhcpsnoop_vlanlist_set", [] { kel_dhcpsnoop_vlanlist_set(reinterpret_cast<vlanlist *>(g_record)); }},
    {"dhcpsnoop_trust_set", [] { kel_dhcpsnoop_trust_set(&kPort, 1); }},
    {"dhcpsnoop_trust_get", [] { kel_dhcpsnoop_trust_get(&kPort, &g_a); }},
    {"dhcpsnoop_bind_getnext", [] { g_a = 0, kel_dhcpsnoop_bind_getnext(&g_a, g_record); }},
    // Maintenance
    {"tracelog_type_set", [] { kel_tracelog_type_set(2, 1); }},
    {"tracelog_level_set", [] { kel_tracelog_level_set(5); }},
    {"line_proto_port_set", [] { kel_line_proto_port_set(&kPort, 1); }},
    {"line_proto_port_get", [] { kel_line_proto_port_get(&kPort, &g_a); }},
    {"line_loopback_get", [] { kel_line_loopback_get(&kPort, &g_a); }},
    {"cablediag_get", [] { kel_cablediag_get(&kPort, g_record); }},
    {"watchdog_set", [] { kel_watchdog_set(60); }},
    {"watchdog_get", [] { kel_watchdog_get(&g_a); }},
    {"watchdog_timer_reset", [] { kel_watchdog_timer_reset(); }},
    {"watchdog_stat_reset", [] { kel_watchdog_stat_reset(); }},
    {"watchdog_stat_get", [] { kel_watchdog_stat_get(&g_a); }},
    {"crashdump_boot_id_set", [] { kel_crashdump_boot_id_set(9); }},
    {"crashdump_test", [] { kel_crashdump_test(0); }},
    {"crashdump_test restart", [] { kel_crashdump_test(7); }},
    {"dhcp_client_state_set", [] { kel_dhcp_client_state_set(1); }},
    {"dhcp_client_state_get", [] { kel_dhcp_client_state_get(&g_a); }},
    {"show_private_led", [] { kel_show_private_led(g_record, sizeof g_record); }},
    {"show_private_health", [] { kel_show_private_health(g_record, sizeof g_record); }},
    {"show_private_model", [] { kel_show_private_model(g_record, sizeof g_record); }},
};

class NoAllocation : public kel_test::SimTest {
protected:
    void SetUp() override {
        if (!kel_test::kCountingAllocator) GTEST_SKIP() << "the sanitizer's allocator is in charge";
        kel_test::SimTest::SetUp();
    }
    static long calls(const std::function<void()> &f) { return kel_test::allocations_in(f).calls; }
};

TEST_F(NoAllocation, CounterSeesAnAllocation) {
    static void *volatile kept;
    EXPECT_EQ(calls([] { kept = std::malloc(16); }), 1);
    std::free(kept);
}

TEST_F(NoAllocation, NoCommandAllocates) {
    for (const Case &c : kCases) EXPECT_EQ(calls(c.call), 0) << c.name;
}

TEST_F(NoAllocation, NoCommandAllocatesWhenTheDriverFails) {
    for (const Case &c : kCases) {
        kelsim::force_status(-5, true, 4);
        EXPECT_EQ(calls(c.call), 0) << c.name;
    }
}

}  // namespace
