// wrappers.cpp - the wrapper table (see wrappers.h) and its expected reader.
#include "wrappers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

#include "entry/control.h"

namespace kel_test {

namespace {

alignas(8) uint8_t g_buf[1024];
alignas(8) uint8_t g_rec[256];
uint8_t g_mac[6];

// What the calls pass: P and Q ports, B the buffer (as a VLAN list L, a port
// list I, a VLAN record V, a text T), M a MAC address.
const ifport P{1, 5, 3}, Q{2, 0, 5};
const uint8_t M[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
vlanlist *const L = reinterpret_cast<vlanlist *>(g_buf);
iflist *const I = reinterpret_cast<iflist *>(g_buf);
vlaninfo *const V = reinterpret_cast<vlaninfo *>(g_buf);
char *const T = reinterpret_cast<char *>(g_buf);

}  // namespace

uint8_t *const B = g_buf;
uint8_t *const R = g_rec;

#define ROW(call, code, expected)                                                                           \
    {                                                                                                       \
#call, [](uint32_t * a, uint32_t * b) -> int32_t { return (void)a, (void)b, call; }, code, expected \
    }

// clang-format off
const std::vector<Row> kRows = {
    // System and stacking
    ROW(kel_ifport_name_get(&P, T, 32), 0x0001, "@ 84=32 buf"),
    ROW(kel_system_nr_ports_get(a), 0x0002, "a=64"),
    ROW(kel_system_mac_addr_get(g_mac), 0x0003, ""),
    ROW(kel_system_ip_mask_set(0x0A01A8C0, 0xFFFFFF), 0x0004, "68=0x0A01A8C0 72=0xFFFFFF"),
    ROW(kel_system_ip_mask_get(a, b), 0x0005, "a=68 b=72"),
    ROW(kel_system_vlan_id_set(10), 0x0006, "20=10"),
    ROW(kel_system_vlan_id_get(a), 0x0007, "a=20"),
    ROW(kel_system_port_info_get(&P, B), 0x0008, "@ buf"),
    ROW(kel_is_system_ifport(&P), 0x0008, "@ own no"),
    ROW(kel_is_system_feport(&P), 0x0008, "@ own no"),
    ROW(kel_is_system_geport(&P), 0x0008, "@ own no"),
    ROW(kel_system_reboot(), 0x0009, ""),
    ROW(kel_system_startup_complete(), 0x000A, ""),
    ROW(kel_lib_is_system_ready(), 0x000B, "no"),
    ROW(kel_system_upgrade(), 0x000C, ""),
    ROW(kel_is_system_upgrade(), 0x000D, "no"),
    ROW(kel_stack_nr_ports_get(3, a), 0x0101, "12=3 a=64"),
    ROW(kel_switch_stack_id_set(2), 0x0102, "12=2"),
    ROW(kel_switch_stack_id_get(a), 0x0103, "a=12"),
    ROW(kel_stack_priority_set(2, 5), 0x0104, "12=2 52=5"),
    ROW(kel_switch_master_ipmask_set(0x0A01A8C0, 0xFFFFFF), 0x0105, "68=0x0A01A8C0 72=0xFFFFFF"),
    ROW(kel_switch_master_ipmask_get(a, b), 0x0106, "a=68 b=72"),
    ROW(kel_switch_stack_ipmask_set(2, 7, 9), 0x0107, "12=2 68=7 72=9"),
    ROW(kel_switch_stack_ipmask_get(2, a, b), 0x0108, "12=2 a=68 b=72"),
    ROW(kel_stack_info_get(2, B), 0x0109, "12=2 buf"),
    ROW(kel_stack_discover_startup(), 0x010A, ""),
    ROW(kel_is_stack_discover(), 0x010B, "no"),
    ROW(kel_stack_firmware_sync_set(), 0x010C, ""),
    ROW(kel_stack_firmware_sync_get(a), 0x010D, "a=44"),
    ROW(kel_is_stack_master(), 0x010E, "no"),
    ROW(kel_is_switch_stackable(), 0x010F, "no"),
    ROW(kel_is_stack_smart_port(&P), 0x0008, "@ own no"),
    // Maintenance
    ROW(kel_tracelog_type_set(2, 1), 0x0201, "8=2 44=1"),
    ROW(kel_tracelog_level_set(5), 0x0202, "52=5"),
    ROW(kel_line_proto_port_set(&P, 1), 0x1801, "@ 44=1"),
    ROW(kel_line_proto_port_get(&P, a), 0x1802, "@ a=44"),
    ROW(kel_line_loopback_get(&P, a), 0x1803, "@ a=44"),
    ROW(kel_cablediag_get(&P, B), 0x1901, "@ buf"),
    ROW(kel_watchdog_set(60), 0x1A01, "44=60"),
    ROW(kel_watchdog_get(a), 0x1A02, "a=44"),
    ROW(kel_watchdog_timer_reset(), 0x1A03, ""),
    ROW(kel_watchdog_stat_reset(), 0x1A04, ""),
    ROW(kel_watchdog_stat_get(a), 0x1A05, "a=44"),
    ROW(kel_crashdump_boot_id_set(9), 0x1B01, "40=9"),
    ROW(kel_crashdump_test(0), 0x1B02, ""),
    ROW(kel_crashdump_test(7), 0x1B03, ""),
    ROW(kel_dhcp_client_state_set(1), 0x1C01, "44=1"),
    ROW(kel_dhcp_client_state_get(a), 0x1C02, "a=44"),
    ROW(kel_show_private_led(B, 64), 0x1E01, "84=64 buf"),
    ROW(kel_show_private_health(B, 32), 0x1E02, "84=32 buf"),
    ROW(kel_show_private_model(B, 64), 0x1E03, "84=64 buf"),
    // Ports
    ROW(kel_port_uptime_get(&P, a), 0x0501, "@ a=64"),
    ROW(kel_port_trunk_id_get(&P, a), 0x0502, "@ a=24"),
    ROW(kel_port_mirror_get(&P, a, b), 0x0503, "@ a=28 b=44"),
    ROW(kel_port_medium_get(&P, a), 0x0504, "@ a=44"),
    ROW(kel_port_linkstat_get(&P, a), 0x0505, "@ a=44"),
    ROW(kel_port_stp_get(&P, a), 0x0506, "@ a=44"),
    ROW(kel_port_admin_set(&P, 7), 0x0507, "@ 44=7"),
    ROW(kel_port_admin_get(&P, a), 0x0508, "@ a=44"),
    ROW(kel_port_vlan_mode_set(&P, 10, 2), 0x0509, "@ 20=10 8=2"),
    ROW(kel_port_vlan_mode_get(&P, a, b), 0x050A, "@ a=20 b=8"),
    ROW(kel_port_admin_vlan_get(&P, a), 0x050C, "@ a=20"),
    ROW(kel_port_oper_vlan_get(&P, a), 0x050D, "@ a=20"),
    ROW(kel_port_allow_vlans_add(&P, L, 2), 0x050E, "@ 8=2 buf"),
    ROW(kel_port_allow_vlans_del(&P, L), 0x050F, "@ buf"),
    ROW(kel_port_allow_vlans_get(&P, L, 1), 0x0510, "@ 8=1 buf"),
    ROW(kel_port_autoneg_set(&P, 1), 0x0511, "@ 44=1"),
    ROW(kel_port_autoneg_get(&P, a), 0x0512, "@ a=44"),
    ROW(kel_port_duplex_set(&P, 2), 0x0513, "@ 44=2"),
    ROW(kel_port_duplex_get(&P, a), 0x0514, "@ a=44"),
    ROW(kel_port_speed_set(&P, 100), 0x0515, "@ 44=100"),
    ROW(kel_port_speed_get(&P, a), 0x0516, "@ a=44"),
    ROW(kel_port_flowctrl_set(&P, 1), 0x0517, "@ 44=1"),
    ROW(kel_port_flowctrl_get(&P, a), 0x0518, "@ a=44"),
    ROW(kel_port_priority_set(&P, 6), 0x0519, "@ 52=6"),
    ROW(kel_port_priority_get(&P, a), 0x051A, "@ a=52"),
    ROW(kel_port_block_set(&P, 1, 9), 0x051B, "@ 8=1 44=9"),
    ROW(kel_port_block_get(&P, 1, a), 0x051C, "@ 8=1 a=44"),
    ROW(kel_port_ifilter_set(&P, 1), 0x051D, "@ 44=1"),
    ROW(kel_port_ifilter_get(&P, a), 0x051E, "@ a=44"),
    ROW(kel_port_discard_set(&P, 2), 0x051F, "@ 8=2"),
    ROW(kel_port_discard_get(&P, a), 0x0520, "@ a=8"),
    ROW(kel_port_mdix_set(&P, 2), 0x0521, "@ 44=2"),
    ROW(kel_port_mdix_get(&P, a), 0x0522, "@ a=44"),
    // Statistics: one request per counter, its selector at 8
    ROW(kel_stats_rxocts_get(&P, a), 0x0C01, "@ 8=0 a=64 zero"),
    ROW(kel_stats_rxucast_pkts_get(&P, a), 0x0C01, "@ 8=1 a=64 zero"),
    ROW(kel_stats_rxnucast_pkts_get(&P, a), 0x0C01, "@ 8=2 a=64 zero"),
    ROW(kel_stats_rxdiscard_pkts_get(&P, a), 0x0C01, "@ 8=3 a=64 zero"),
    ROW(kel_stats_rxerror_pkts_get(&P, a), 0x0C01, "@ 8=4 a=64 zero"),
    ROW(kel_stats_unknownproto_pkts_get(&P, a), 0x0C01, "@ 8=5 a=64 zero"),
    ROW(kel_stats_txocts_get(&P, a), 0x0C01, "@ 8=6 a=64 zero"),
    ROW(kel_stats_txucast_pkts_get(&P, a), 0x0C01, "@ 8=7 a=64 zero"),
    ROW(kel_stats_txnucast_pkts_get(&P, a), 0x0C01, "@ 8=8 a=64 zero"),
    ROW(kel_stats_txdiscard_pkts_get(&P, a), 0x0C01, "@ 8=9 a=64 zero"),
    ROW(kel_stats_txerror_pkts_get(&P, a), 0x0C01, "@ 8=10 a=64 zero"),
    ROW(kel_stats_txqlen_get(&P, a), 0x0C01, "@ 8=11 a=64 zero"),
    ROW(kel_stats_delay_exceed_discard_get(&P, a), 0x0C01, "@ 8=15 a=64 zero"),
    ROW(kel_stats_mtu_exceed_discard_get(&P, a), 0x0C01, "@ 8=16 a=64 zero"),
    ROW(kel_stats_in_frame_get(&P, a), 0x0C01, "@ 8=17 a=64 zero"),
    ROW(kel_stats_out_frame_get(&P, a), 0x0C01, "@ 8=18 a=64 zero"),
    ROW(kel_stats_in_discard_get(&P, a), 0x0C01, "@ 8=19 a=64 zero"),
    ROW(kel_stats_dropevent_pkts_get(&P, a), 0x0C01, "@ 8=20 a=64 zero"),
    ROW(kel_stats_rxmcast_pkts_get(&P, a), 0x0C01, "@ 8=21 a=64 zero"),
    ROW(kel_stats_rxbcast_pkts_get(&P, a), 0x0C01, "@ 8=22 a=64 zero"),
    ROW(kel_stats_usize_pkts_get(&P, a), 0x0C01, "@ 8=23 a=64 zero"),
    ROW(kel_stats_frag_pkts_get(&P, a), 0x0C01, "@ 8=24 a=64 zero"),
    ROW(kel_stats_64octs_get(&P, a), 0x0C01, "@ 8=25 a=64 zero"),
    ROW(kel_stats_65_127octs_get(&P, a), 0x0C01, "@ 8=26 a=64 zero"),
    ROW(kel_stats_128_255octs_get(&P, a), 0x0C01, "@ 8=27 a=64 zero"),
    ROW(kel_stats_256_511octs_get(&P, a), 0x0C01, "@ 8=28 a=64 zero"),
    ROW(kel_stats_512_1023octs_get(&P, a), 0x0C01, "@ 8=29 a=64 zero"),
    ROW(kel_stats_1024_1518octs_get(&P, a), 0x0C01, "@ 8=30 a=64 zero"),
    ROW(kel_stats_osize_pkts_get(&P, a), 0x0C01, "@ 8=31 a=64 zero"),
    ROW(kel_stats_jabber_pkts_get(&P, a), 0x0C01, "@ 8=32 a=64 zero"),
    ROW(kel_stats_collision_pkts_get(&P, a), 0x0C01, "@ 8=35 a=64 zero"),
    ROW(kel_stats_crcalignerr_pkts_get(&P, a), 0x0C01, "@ 8=36 a=64 zero"),
    ROW(kel_stats_alignerror_pkts_get(&P, a), 0x0C01, "@ 8=39 a=64 zero"),
    ROW(kel_stats_singlecoll_pkts_get(&P, a), 0x0C01, "@ 8=41 a=64 zero"),
    ROW(kel_stats_multicoll_pkts_get(&P, a), 0x0C01, "@ 8=42 a=64 zero"),
    ROW(kel_stats_port_get(&P, B), 0x0C02, "@ buf zero"),
    // MAC address table
    ROW(kel_arl_age_time_set(77), 0x0301, "64=77"),
    ROW(kel_arl_age_time_get(a), 0x0302, "a=64"),
    ROW(kel_static_arl_add(M, 10, &P), 0x0303, "@ mac 20=10"),
    ROW(kel_arl_getnext(a, 1, B), 0x0304, "40=7 a=40 end buf"),
    ROW(kel_arl_getnext(a, 2, B), 0x0305, "40=7 a=40 end buf"),
    ROW(kel_arl_getnext(a, 4, B), 0x0306, "40=7 a=40 end buf"),
    ROW(kel_arl_getpage(a, 9, B), 0x0307, "40=7 8=9 a=40 end buf"),
    ROW(kel_arl_freeze_set(1), 0x0308, "44=1"),
    ROW(kel_arl_freeze_get(a), 0x0309, "a=44"),
    ROW(kel_arl_del_by_vlan(10, 3), 0x030A, "20=10"),
    ROW(kel_arl_del_by_mac(M, 3), 0x030B, "mac"),
    ROW(kel_arl_del_by_port(&P, 3), 0x030C, "@"),
    ROW(kel_static_arl_del(M, 10, &P), 0x030D, "@ mac 20=10"),
    ROW(kel_dynamic_arl_del(), 0x030E, ""),
    ROW(kel_arl_del_by_vlan(10, 2), 0x030F, "20=10"),
    ROW(kel_arl_del_by_mac(M, 2), 0x0310, "mac"),
    ROW(kel_arl_del_by_port(&P, 2), 0x0311, "@"),
    // Multicast table
    ROW(kel_static_mcast_add(M, 10, 5, I), 0x0401, "mac 20=10 52=5 buf"),
    ROW(kel_static_mcast_del(M, 10), 0x0402, "mac 20=10"),
    ROW(kel_static_mcast_ports_del(M, 10, I), 0x0403, "mac 20=10 buf"),
    ROW(kel_mcast_get(M, 10, B), 0x0404, "mac 20=10 buf"),
    ROW(kel_mcast_getnext(a, B), 0x0405, "40=7 a=40 end buf"),
    ROW(kel_static_mcast_getnext(a, B), 0x0406, "40=7 a=40 end buf"),
    // VLANs
    ROW(kel_vlan_create(10), 0x0601, "20=10"),
    ROW(kel_vlan_destroy(20), 0x0602, "20=20"),
    ROW(kel_vlanlist_get(L), 0x0603, "buf"),
    ROW(kel_vlan_get(30, V), 0x0604, "20=30 buf"),
    ROW(kel_vlan_name_set(40, T, 6), 0x0605, "20=40 84=6 buf"),
    ROW(kel_vlan_name_get(50, T, 40), 0x0606, "20=50 84=40 buf"),
    ROW(kel_vlan_get_by_name(T, V), 0x0607, "buf"),
    // Trunks and LACP
    ROW(kel_static_trunk_set(3, I), 0x0701, "24=3 buf"),
    ROW(kel_dynamic_trunk_set(3, I), 0x0702, "24=3 buf"),
    ROW(kel_trunk_get(3, B), 0x0703, "24=3 buf"),
    ROW(kel_trunk_destroy(3), 0x0704, "24=3"),
    ROW(kel_trunk_criteria_set(3, 4), 0x0705, "24=3 48=4"),
    ROW(kel_trunk_criteria_get(3, a), 0x0706, "24=3 a=48"),
    ROW(kel_is_static_trunk_port(&P), 0x0707, "@ no"),
    ROW(kel_is_dynamic_trunk_port(&P), 0x0708, "@ no"),
    ROW(kel_lacp_sys_prio_set(100), 0x1101, "52=100"),
    ROW(kel_lacp_sys_prio_get(a), 0x1102, "a=52"),
    ROW(kel_lacp_port_prio_set(&P, 200), 0x1103, "@ 52=200"),
    ROW(kel_lacp_port_prio_get(&P, a), 0x1104, "@ a=52"),
    ROW(kel_lacp_info_get(3, B), 0x1105, "24=3 buf"),
    // Mirroring, CoS queues, rate limits, storm control
    ROW(kel_mirror_monitor_set(2, &P), 0x0801, "@ 28=2"),
    ROW(kel_mirror_monitor_set(3, nullptr), 0x0801, "28=3"),
    ROW(kel_mirror_monitor_get(2, nullptr), 0x0802, "28=2"),
    ROW(kel_mirror_mirrored_set(2, &P, 3), 0x0803, "@ 28=2 8=3"),
    ROW(kel_mirror_mirrored_get(2, 1, I), 0x0804, "28=2 8=1 buf"),
    ROW(kel_mirror_session_get(2, B), 0x0805, "28=2 buf"),
    ROW(kel_cosq_map_set(5, 2), 0x0901, "52=5 32=2"),
    ROW(kel_cosq_map_reset(), 0x0902, ""),
    ROW(kel_cosq_map_get(5, a), 0x0903, "52=5 a=32"),
    ROW(kel_cosq_policy_set(2, B, 16), 0x0904, "48=2 84=16 buf"),
    ROW(kel_cosq_policy_get(a, B, 64), 0x0905, "84=64 a=48 buf"),
    ROW(kel_qos_tx_rate_set(&P, 1000, 32), 0x0A01, "@ 60=1000 56=32"),
    ROW(kel_qos_tx_rate_get(&P, a, b), 0x0A02, "@ a=60 b=56"),
    ROW(kel_qos_rx_rate_set(&P, 2000, 64), 0x0A03, "@ 60=2000 56=64"),
    ROW(kel_qos_rx_rate_get(&P, a, b), 0x0A04, "@ a=60 b=56"),
    ROW(kel_storm_ctrl_set(&P, 1, 500), 0x0B01, "@ 8=1 60=500"),
    ROW(kel_storm_ctrl_get(&P, 2, a), 0x0B02, "@ 8=2 a=60"),
    // Spanning tree and MST
    ROW(kel_stp_control_set(1), 0x0E01, "44=1"),
    ROW(kel_stp_mode_set(2), 0x0E02, "8=2"),
    ROW(kel_stp_bridge_info_get(B), 0x0E03, "buf"),
    ROW(kel_stp_port_info_get(&P, B), 0x0E04, "@ buf"),
    ROW(kel_stp_max_age_set(20), 0x0E05, "64=20"),
    ROW(kel_stp_forward_delay_set(15), 0x0E06, "64=15"),
    ROW(kel_stp_hello_time_set(2), 0x0E07, "64=2"),
    ROW(kel_stp_bridge_times_set(20, 2, 15), 0x0E08, "own"),
    ROW(kel_stp_bridge_prio_set(4096), 0x0E09, "52=4096"),
    ROW(kel_stp_tx_hold_count_set(6), 0x0E0A, "64=6"),
    ROW(kel_stp_port_prio_set(&P, 16), 0x0E0B, "@ 52=16"),
    ROW(kel_stp_port_path_cost_set(&P, 200), 0x0E0C, "@ 64=200"),
    ROW(kel_stp_port_edge_port_set(&P, 1), 0x0E0D, "@ 44=1"),
    ROW(kel_stp_port_link_type_set(&P, 2), 0x0E0E, "@ 8=2"),
    ROW(kel_stp_port_bpdu_guard_set(&P, 1), 0x0E0F, "@ 44=1"),
    ROW(kel_stp_uplink_fast_set(1), 0x0E10, "44=1"),
    ROW(kel_mst_bridge_info_get(3, B), 0x0F01, "40=3 buf"),
    ROW(kel_mst_port_info_get(3, &P, B), 0x0F02, "@ 40=3 buf"),
    ROW(kel_mst_info_get(B), 0x0F03, "buf"),
    ROW(kel_mst_instance_get(3, B), 0x0F04, "40=3 buf"),
    ROW(kel_mst_instance_set(3, B), 0x0F05, "40=3 buf"),
    ROW(kel_mst_name_set(T), 0x0F06, "buf"),
    ROW(kel_mst_revision_set(7), 0x0F07, "64=7"),
    ROW(kel_mst_bridge_prio_set(3, 8192), 0x0F08, "40=3 52=8192"),
    ROW(kel_mst_port_prio_set(3, &P, 32), 0x0F09, "@ 40=3 52=32"),
    ROW(kel_mst_port_path_cost_set(3, &Q, 200), 0x0F0A, "40=3 12=2 16=5 64=200"),
    ROW(kel_mst_max_hops_set(20), 0x0F0B, "64=20"),
    // 802.1X
    ROW(kel_dot1x_status_set(1), 0x1001, "44=1"),
    ROW(kel_dot1x_authentic_set(2), 0x1002, "8=2"),
    ROW(kel_dot1x_sys_info_get(B), 0x1003, "buf"),
    ROW(kel_dot1x_port_ctrl_set(&P, 2), 0x1004, "@ 44=2"),
    ROW(kel_dot1x_port_info_get(&P, B), 0x1005, "@ buf"),
    ROW(kel_is_dot1x_enable_port(&P), 0x1005, "@ own no"),
    ROW(kel_is_dot1x_singlehost_port(&P), 0x1005, "@ own yes"),
    ROW(kel_dot1x_reauth_enable_set(&P, 1), 0x1006, "@ 44=1"),
    ROW(kel_dot1x_reauthenticate_set(&P), 0x1007, "@"),
    ROW(kel_dot1x_reauth_period_set(&P, 3600), 0x1008, "@ 64=3600"),
    ROW(kel_dot1x_quiet_period_set(&P, 60), 0x1009, "@ 64=60"),
    ROW(kel_dot1x_server_timeout_set(&P, 30), 0x100C, "@ 64=30"),
    ROW(kel_dot1x_multi_host_set(&P, 1), 0x100E, "@ 44=1"),
    ROW(kel_dot1x_guest_vlan_set(&P, 100), 0x100F, "@ 20=100"),
    ROW(kel_dot1x_radius_set(1, 0x0A000001, "key", 1812), 0x1010, "40=1 own"),
    ROW(kel_dot1x_radius_del(2), 0x1011, "40=2"),
    ROW(kel_dot1x_radius_get(2, B), 0x1012, "40=2 buf"),
    ROW(kel_dot1x_user_set("user", "secret", 3), 0x1013, "own"),
    ROW(kel_dot1x_user_del(T), 0x1014, "buf"),
    ROW(kel_dot1x_user_getnext(a, B), 0x1015, "40=7 a=40 buf"),
    // Access lists
    ROW(kel_acl_create(T, 4, a), 0x0D01, "8=4 a=36 buf"),
    ROW(kel_acl_destroy(T), 0x0D02, "buf"),
    ROW(kel_acl_get(T, R), 0x0D03, "rec buf"),
    ROW(kel_acl_getnext(a, 2, B), 0x0D04, "40=7 8=2 a=40 buf"),
    ROW(kel_acl_filter_install(T, 4, &P), 0x0D05, "@ 8=4 buf"),
    ROW(kel_acl_filter_remove(4, &P), 0x0D06, "@ 8=4"),
    ROW(kel_acl_filter_getnext(a, 9, B), 0x0D07, "40=7 36=9 a=40 buf"),
    ROW(kel_acl_mac_filter_add(5, B, 0, nullptr), 0x0D08, "36=5 buf"),
    ROW(kel_acl_mac_filter_del(5, B, 7, &P), 0x0D09, "@ 36=5 48=7 buf"),
    ROW(kel_acl_ip_filter_add(5, B, 7, &P), 0x0D0A, "@ 36=5 48=7 buf"),
    ROW(kel_acl_ip_filter_del(5, B, 0, nullptr), 0x0D0B, "36=5 buf"),
    ROW(kel_is_acl_attach_port(&P), 0x0D04, "8=2 own no"),
    ROW(kel_is_filter_egress_port(&P), 0x0D04, "8=4 own no"),
    // Port security
    ROW(kel_portsecu_enable_set(&P, 1), 0x1701, "@ 44=1"),
    ROW(kel_portsecu_mac_set(&P, M), 0x1702, "@ mac"),
    ROW(kel_portsecu_mac_del(&P, M), 0x1703, "@ mac"),
    ROW(kel_portsecu_mac_getnext(a, &P, 2, B), 0x1704, "@ 40=7 8=2 a=40 buf"),
    ROW(kel_portsecu_maxaddr_set(&P, 10), 0x1705, "@ 64=10"),
    ROW(kel_portsecu_violation_set(&P, 1), 0x1706, "@ 8=1"),
    ROW(kel_portsecu_age_time_set(&P, 5), 0x1707, "@ 64=5"),
    ROW(kel_portsecu_age_type_set(&P, 1), 0x1708, "@ 8=1"),
    ROW(kel_portsecu_shutdown_set(&P, 30), 0x1709, "@ 64=30"),
    ROW(kel_portsecu_port_reup(&P), 0x170A, "@"),
    ROW(kel_portsecu_dynamic_mac_if_clear(nullptr), 0x170B, ""),
    ROW(kel_portsecu_dynamic_mac_if_clear(&Q), 0x170B, "12=2 16=5"),
    ROW(kel_portsecu_dynamic_mac_clear(M), 0x170C, "mac"),
    ROW(kel_portsecu_info_get(&P, B), 0x170D, "@ buf"),
    ROW(kel_is_portsecu_enable_port(&P), 0x170D, "@ own no"),
    // GARP, GVRP, IGMP snooping, DHCP snooping
    ROW(kel_garp_port_times_set(&P, B), 0x1201, "@ buf"),
    ROW(kel_garp_port_times_get(&P, B), 0x1202, "@ buf"),
    ROW(kel_gvrp_status_set(1), 0x1301, "44=1"),
    ROW(kel_gvrp_status_get(a), 0x1302, "a=44"),
    ROW(kel_gvrp_port_set(&P, 1), 0x1303, "@ 44=1"),
    ROW(kel_gvrp_port_get(&P, a), 0x1304, "@ a=44"),
    ROW(kel_gvrp_port_mode_set(&P, 2), 0x1305, "@ 44=2"),
    ROW(kel_gvrp_port_mode_get(&P, a), 0x1306, "@ a=44"),
    ROW(kel_gvrp_port_stats_get(&P, B), 0x1307, "@ buf"),
    ROW(kel_gvrp_port_stats_clear(&P), 0x1308, "@"),
    ROW(kel_igmpsnoop_status_set(1), 0x1501, "44=1"),
    ROW(kel_igmpsnoop_status_get(a), 0x1502, "a=44"),
    ROW(kel_igmpsnoop_lmqi_set(5), 0x1503, "64=5"),
    ROW(kel_igmpsnoop_lmqi_get(a), 0x1504, "a=64"),
    ROW(kel_igmpsnoop_vlan_set(10, 1), 0x1505, "20=10 44=1"),
    ROW(kel_igmpsnoop_vlan_get(10, a), 0x1506, "20=10 a=44"),
    ROW(kel_igmpsnoop_ileave_set(10, 1), 0x1507, "20=10 44=1"),
    ROW(kel_igmpsnoop_ileave_get(10, a), 0x1508, "20=10 a=44"),
    ROW(kel_igmpsnoop_vlan_list_get(L), 0x1509, "buf"),
    ROW(kel_igmpsnoop_ileave_list_get(L), 0x150A, "buf"),
    ROW(kel_dhcpsnoop_status_set(1), 0x1601, "44=1"),
    ROW(kel_dhcpsnoop_status_get(a), 0x1602, "a=44"),
    ROW(kel_dhcpsnoop_vlan_set(20, 1), 0x1603, "20=20 44=1"),
    ROW(kel_dhcpsnoop_vlan_get(20, a), 0x1604, "20=20 a=44"),
    ROW(kel_dhcpsnoop_vlanlist_set(L), 0x1605, "buf"),
    ROW(kel_dhcpsnoop_vlanlist_get(L), 0x1606, "buf"),
    ROW(kel_dhcpsnoop_trust_set(&P, 1), 0x1607, "@ 44=1"),
    ROW(kel_dhcpsnoop_trust_get(&P, a), 0x1608, "@ a=44"),
    ROW(kel_dhcpsnoop_bind_getnext(a, B), 0x1609, "40=7 a=40 buf"),
};
// clang-format on

Expected parse(const Row &row) {
    Expected s;
    std::istringstream in(row.expected);
    for (std::string w; in >> w;) {
        size_t eq = w.find('=');
        uint32_t v =
            eq == std::string::npos ? 0 : static_cast<uint32_t>(std::stoul(w.substr(eq + 1), nullptr, 0));
        if (w == "@") {
            s.words[12] = 1;
            s.words[16] = 3;
        } else if (w == "mac") {
            uint32_t m[2] = {};
            std::memcpy(m, M, sizeof M);
            s.words[76] = m[0];
            s.words[80] = m[1];
        } else if (w == "rec") {
            auto address = reinterpret_cast<uintptr_t>(R);
            s.words[96] = static_cast<uint32_t>(address);
            if (sizeof address > 4)
                s.words[100] = static_cast<uint32_t>(static_cast<uint64_t>(address) >> 32);
        } else if (w == "buf" || w == "own") {
            s.buf = w == "buf" ? Buf::caller : Buf::own;
        } else if (w == "end" || w == "zero" || w == "no" || w == "yes") {
            s.end |= w == "end";
            s.kind = w == "zero" ? Kind::zero : w == "no" ? Kind::no : w == "yes" ? Kind::yes : s.kind;
        } else if (w[0] == 'a' || w[0] == 'b') {
            (w[0] == 'a' ? s.a : s.b) = v;
        } else {
            s.words[std::stoul(w.substr(0, eq))] = v;
        }
    }
    return s;
}

void expect_block(const kel_ioreq &b, const Row &row, const Expected &expected) {
    EXPECT_EQ(b.cmd, row.code);
    for (size_t off = 4; off < sizeof(kel_ioreq); off += 4) {
        if (off == offsetof(kel_ioreq, buf) || off == offsetof(kel_ioreq, buf_hi)) continue;
        uint32_t w;
        std::memcpy(&w, reinterpret_cast<const uint8_t *>(&b) + off, 4);
        EXPECT_EQ(w, expected.sent(off)) << "word at offset " << off;
    }
    const void *buf = kelsim::buffer_of(b);
    if (expected.buf == Buf::caller) {
        EXPECT_EQ(buf, B);
    } else {
        EXPECT_TRUE(expected.buf == Buf::own ? buf && buf != B : b.buf == 0 && b.buf_hi == 0) << "buf";
    }
}

void expect_outputs(const Expected &expected, uint32_t a, uint32_t b,
                    const std::function<uint32_t(size_t)> &want) {
    if (expected.a) {
        EXPECT_EQ(a, want(expected.a)) << "output a";
    }
    if (expected.b) {
        EXPECT_EQ(b, want(expected.b)) << "output b";
    }
}

int32_t unanswered(const Expected &expected, int32_t failure) {
    switch (expected.kind) {
        case Kind::status:
            return failure;
        case Kind::yes:
            return 1;
        default:
            return 0;
    }
}

}  // namespace kel_test
