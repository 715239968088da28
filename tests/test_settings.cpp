// Every setting of the simulated switch, one row each across the families:
// it starts at its initial value, takes its smallest and largest values and
// reads each back (through its getter or the record that shows it), refuses
// the values just outside them with nothing changed, and is kept per port
// or per unit where it is keyed so.
#include <functional>

#include "kel_driver.h"
#include "sim_fixture.h"

namespace {

// The port of the row; rows keyed by port or unit use it.
ifport g_at;
const ifport kAt{2, 0, 25}, kOthers[] = {{1, 0, 25}, {2, 0, 26}}, kMissing[] = {{2, 0, 27}, {3, 0, 1}};

// A field of a record the driver fills: of the switch, or of the row's port.
template <class Rec>
int32_t of(int32_t (*get)(void *), uint32_t Rec::*field, uint32_t *w) {
    Rec r{};
    int32_t rc = get(&r);
    *w = r.*field;
    return rc;
}
template <class Rec>
int32_t of(int32_t (*get)(const ifport *, void *), uint32_t Rec::*field, uint32_t *w) {
    Rec r{};
    int32_t rc = get(&g_at, &r);
    *w = r.*field;
    return rc;
}
int32_t health(void *r) { return kel_show_private_health(r, sizeof(kel_drv_health)); }
int32_t unit_info(void *r) { return kel_stack_info_get(g_at.unit, r); }
int32_t mst_bridge(void *r) { return kel_mst_bridge_info_get(0, r); }
int32_t mst_port(void *r) { return kel_mst_port_info_get(0, &g_at, r); }

using Bridge = kel_drv_stp_bridge;
using StpPort = kel_drv_stp_port;
using XSys = kel_drv_dot1x_sys;
using XPort = kel_drv_dot1x_port;
using Secu = kel_drv_portsecu;
using Health = kel_drv_health;

struct Setting {
    const char *set_call;
    char key;  // S: the switch, P: a port, U: a unit
    std::function<int32_t(uint32_t)> set;
    std::function<uint32_t()> get;
    uint32_t initial, lo, hi, bad;  // bad: a value inside lo..hi it refuses too (0: none)
};

#define SETTING(key, set, get, initial, lo, hi, bad)                     \
    Setting {                                                            \
#set, key, [](uint32_t v) { return set; },                             \
            [] {                                                               \
                uint32_t w = 0xDEADBEEFu;                                      \
                EXPECT_EQ(get, 0) << #get;                                     \
                return w;                                                      \
            },                                                                 \
            initial, lo, hi, bad \
    }

// clang-format off
const Setting kSettings[] = {
    SETTING('S', kel_system_ip_mask_set(v, 7), kel_system_ip_mask_get(&w, nullptr), 0, 0, ~0u, 0),
    SETTING('S', kel_system_ip_mask_set(7, v), kel_system_ip_mask_get(nullptr, &w), 0, 0, ~0u, 0),
    SETTING('S', kel_switch_stack_id_set(v), kel_switch_stack_id_get(&w), 1, 1, 8, 0),
    SETTING('U', kel_stack_priority_set(g_at.unit, v), of(unit_info, &kel_drv_unitinfo::priority, &w), 1, 1, 8, 0),
    SETTING('S', kel_switch_master_ipmask_set(v, 7), kel_switch_master_ipmask_get(&w, nullptr), 0, 0, ~0u, 0),
    SETTING('S', kel_switch_master_ipmask_set(7, v), kel_switch_master_ipmask_get(nullptr, &w), 0, 0, ~0u, 0),
    SETTING('U', kel_switch_stack_ipmask_set(g_at.unit, v, 7), kel_switch_stack_ipmask_get(g_at.unit, &w, nullptr), 0, 0, ~0u, 0),
    SETTING('U', kel_switch_stack_ipmask_set(g_at.unit, 7, v), kel_switch_stack_ipmask_get(g_at.unit, nullptr, &w), 0, 0, ~0u, 0),
    SETTING('S', kel_tracelog_level_set(v), of(health, &Health::trace_level, &w), 3, 0, 7, 0),
    SETTING('P', kel_line_proto_port_set(&g_at, v), kel_line_proto_port_get(&g_at, &w), KEL_DRV_LINE_UP, 0, KEL_DRV_LINE_LOOPBACK, 0),
    SETTING('S', kel_watchdog_set(v), kel_watchdog_get(&w), 0, 0, 300, 0),
    SETTING('S', kel_crashdump_boot_id_set(v), of(health, &Health::boot_id, &w), 0, 0, ~0u, 0),
    SETTING('S', kel_dhcp_client_state_set(v), kel_dhcp_client_state_get(&w), 0, 0, 1, 0),
    SETTING('S', kel_arl_age_time_set(v), kel_arl_age_time_get(&w), 300, 0, 1000000, 0),
    SETTING('S', kel_arl_freeze_set(v), kel_arl_freeze_get(&w), 0, 0, 1, 0),
    SETTING('P', kel_port_admin_set(&g_at, v), kel_port_admin_get(&g_at, &w), 1, 0, 1, 0),
    SETTING('P', kel_port_autoneg_set(&g_at, v), kel_port_autoneg_get(&g_at, &w), 1, 0, 1, 0),
    SETTING('P', kel_port_duplex_set(&g_at, v), kel_port_duplex_get(&g_at, &w), 0, 0, 2, 0),
    SETTING('P', kel_port_speed_set(&g_at, v), kel_port_speed_get(&g_at, &w), 0, 0, 1000, 50),
    SETTING('P', kel_port_flowctrl_set(&g_at, v), kel_port_flowctrl_get(&g_at, &w), 0, 0, 1, 0),
    SETTING('P', kel_port_priority_set(&g_at, v), kel_port_priority_get(&g_at, &w), 0, 0, 7, 0),
    SETTING('P', kel_port_block_set(&g_at, 1, v), kel_port_block_get(&g_at, 1, &w), 0, 0, 1, 0),
    SETTING('P', kel_port_ifilter_set(&g_at, v), kel_port_ifilter_get(&g_at, &w), 0, 0, 1, 0),
    SETTING('P', kel_port_discard_set(&g_at, v), kel_port_discard_get(&g_at, &w), 0, 0, 2, 0),
    SETTING('P', kel_port_mdix_set(&g_at, v), kel_port_mdix_get(&g_at, &w), 0, 0, 2, 0),
    SETTING('S', kel_lacp_sys_prio_set(v), kel_lacp_sys_prio_get(&w), 32768, 0, 65535, 0),
    SETTING('P', kel_lacp_port_prio_set(&g_at, v), kel_lacp_port_prio_get(&g_at, &w), 32768, 0, 65535, 0),
    SETTING('P', kel_qos_tx_rate_set(&g_at, v, 8), kel_qos_tx_rate_get(&g_at, &w, nullptr), 0, 0, 1000000, 0),
    SETTING('P', kel_qos_tx_rate_set(&g_at, 8, v), kel_qos_tx_rate_get(&g_at, nullptr, &w), 0, 0, 16384, 0),
    SETTING('P', kel_qos_rx_rate_set(&g_at, v, 8), kel_qos_rx_rate_get(&g_at, &w, nullptr), 0, 0, 1000000, 0),
    SETTING('P', kel_qos_rx_rate_set(&g_at, 8, v), kel_qos_rx_rate_get(&g_at, nullptr, &w), 0, 0, 16384, 0),
    SETTING('P', kel_storm_ctrl_set(&g_at, 2, v), kel_storm_ctrl_get(&g_at, 2, &w), 0, 0, 1488095, 0),
    SETTING('S', kel_stp_control_set(v), of(kel_stp_bridge_info_get, &Bridge::enabled, &w), 1, 0, 1, 0),
    SETTING('S', kel_stp_mode_set(v), of(kel_stp_bridge_info_get, &Bridge::mode, &w), KEL_DRV_STP_MODE_RSTP, 0, KEL_DRV_STP_MODE_MSTP, 0),
    SETTING('S', kel_stp_max_age_set(v), of(kel_stp_bridge_info_get, &Bridge::max_age, &w), 20, 6, 40, 0),
    SETTING('S', kel_stp_forward_delay_set(v), of(kel_stp_bridge_info_get, &Bridge::forward_delay, &w), 15, 4, 30, 0),
    SETTING('S', kel_stp_hello_time_set(v), of(kel_stp_bridge_info_get, &Bridge::hello_time, &w), 2, 1, 10, 0),
    SETTING('S', kel_stp_bridge_prio_set(v), of(kel_stp_bridge_info_get, &Bridge::priority, &w), 32768, 0, 61440, 4095),
    SETTING('S', kel_stp_tx_hold_count_set(v), of(kel_stp_bridge_info_get, &Bridge::tx_hold_count, &w), 6, 1, 10, 0),
    SETTING('S', kel_stp_uplink_fast_set(v), of(kel_stp_bridge_info_get, &Bridge::uplink_fast, &w), 0, 0, 1, 0),
    SETTING('P', kel_stp_port_prio_set(&g_at, v), of(kel_stp_port_info_get, &StpPort::priority, &w), 128, 0, 240, 17),
    SETTING('P', kel_stp_port_path_cost_set(&g_at, v), of(kel_stp_port_info_get, &StpPort::path_cost, &w), 0, 0, 200000000, 0),
    SETTING('P', kel_stp_port_edge_port_set(&g_at, v), of(kel_stp_port_info_get, &StpPort::edge, &w), 0, 0, 1, 0),
    SETTING('P', kel_stp_port_link_type_set(&g_at, v), of(kel_stp_port_info_get, &StpPort::link_type, &w), KEL_DRV_STP_LINK_AUTO, 0, KEL_DRV_STP_LINK_SHARED, 0),
    SETTING('P', kel_stp_port_bpdu_guard_set(&g_at, v), of(kel_stp_port_info_get, &StpPort::bpdu_guard, &w), 0, 0, 1, 0),
    SETTING('S', kel_mst_revision_set(v), of(kel_mst_info_get, &kel_drv_mst_region::revision, &w), 0, 0, 65535, 0),
    SETTING('S', kel_mst_max_hops_set(v), of(kel_mst_info_get, &kel_drv_mst_region::max_hops, &w), 20, 1, 40, 0),
    SETTING('S', kel_mst_bridge_prio_set(0, v), of(mst_bridge, &kel_drv_mst_bridge::priority, &w), 32768, 0, 61440, 4095),
    SETTING('P', kel_mst_port_prio_set(0, &g_at, v), of(mst_port, &kel_drv_mst_port::priority, &w), 128, 0, 240, 20),
    SETTING('P', kel_mst_port_path_cost_set(0, &g_at, v), of(mst_port, &kel_drv_mst_port::path_cost, &w), 0, 0, 200000000, 0),
    SETTING('S', kel_dot1x_status_set(v), of(kel_dot1x_sys_info_get, &XSys::enabled, &w), 0, 0, 1, 0),
    SETTING('S', kel_dot1x_authentic_set(v), of(kel_dot1x_sys_info_get, &XSys::method, &w), KEL_DRV_DOT1X_AUTH_RADIUS, 0, KEL_DRV_DOT1X_AUTH_RADIUS_LOCAL, 0),
    SETTING('P', kel_dot1x_port_ctrl_set(&g_at, v), of(kel_dot1x_port_info_get, &XPort::control, &w), KEL_DRV_DOT1X_FORCE_AUTHORIZED, 0, KEL_DRV_DOT1X_AUTO, 0),
    SETTING('P', kel_dot1x_reauth_enable_set(&g_at, v), of(kel_dot1x_port_info_get, &XPort::reauth, &w), 0, 0, 1, 0),
    SETTING('P', kel_dot1x_reauth_period_set(&g_at, v), of(kel_dot1x_port_info_get, &XPort::reauth_period, &w), 3600, 1, 65535, 0),
    SETTING('P', kel_dot1x_quiet_period_set(&g_at, v), of(kel_dot1x_port_info_get, &XPort::quiet_period, &w), 60, 0, 65535, 0),
    SETTING('P', kel_dot1x_server_timeout_set(&g_at, v), of(kel_dot1x_port_info_get, &XPort::server_timeout, &w), 30, 1, 65535, 0),
    SETTING('P', kel_dot1x_multi_host_set(&g_at, v), of(kel_dot1x_port_info_get, &XPort::multi_host, &w), 0, 0, 1, 0),
    SETTING('P', kel_dot1x_guest_vlan_set(&g_at, v), of(kel_dot1x_port_info_get, &XPort::guest_vlan, &w), 0, 0, 4094, 0),
    SETTING('P', kel_portsecu_enable_set(&g_at, v), of(kel_portsecu_info_get, &Secu::enabled, &w), 0, 0, 1, 0),
    SETTING('P', kel_portsecu_maxaddr_set(&g_at, v), of(kel_portsecu_info_get, &Secu::maximum, &w), 1, 1, 64, 0),
    SETTING('P', kel_portsecu_violation_set(&g_at, v), of(kel_portsecu_info_get, &Secu::violation, &w), KEL_DRV_VIOLATION_SHUTDOWN, 0, KEL_DRV_VIOLATION_SHUTDOWN, 0),
    SETTING('P', kel_portsecu_age_time_set(&g_at, v), of(kel_portsecu_info_get, &Secu::age_time, &w), 0, 0, 1440, 0),
    SETTING('P', kel_portsecu_age_type_set(&g_at, v), of(kel_portsecu_info_get, &Secu::age_type, &w), KEL_DRV_SECU_AGE_ABSOLUTE, 0, KEL_DRV_SECU_AGE_INACTIVITY, 0),
    SETTING('P', kel_portsecu_shutdown_set(&g_at, v), of(kel_portsecu_info_get, &Secu::shutdown_time, &w), 0, 0, 86400, 0),
    SETTING('S', kel_gvrp_status_set(v), kel_gvrp_status_get(&w), 0, 0, 1, 0),
    SETTING('P', kel_gvrp_port_set(&g_at, v), kel_gvrp_port_get(&g_at, &w), 0, 0, 1, 0),
    SETTING('P', kel_gvrp_port_mode_set(&g_at, v), kel_gvrp_port_mode_get(&g_at, &w), 0, 0, 2, 0),
    SETTING('S', kel_igmpsnoop_status_set(v), kel_igmpsnoop_status_get(&w), 0, 0, 1, 0),
    SETTING('S', kel_igmpsnoop_lmqi_set(v), kel_igmpsnoop_lmqi_get(&w), 10, 1, 250, 0),
    SETTING('S', kel_dhcpsnoop_status_set(v), kel_dhcpsnoop_status_get(&w), 0, 0, 1, 0),
    SETTING('P', kel_dhcpsnoop_trust_set(&g_at, v), kel_dhcpsnoop_trust_get(&g_at, &w), 0, 0, 1, 0),
};
// clang-format on

class Settings : public kel_test::SimTest {};

TEST_F(Settings, EachReadsBackWhatItTookAndRefusesTheRest) {
    for (const Setting &s : kSettings) {
        SCOPED_TRACE(s.set_call);
        ASSERT_TRUE(kelsim::reset());
        g_at = kAt;
        EXPECT_EQ(s.get(), s.initial);
        for (uint32_t v : {s.lo, s.hi}) {
            EXPECT_EQ(s.set(v), 0) << v;
            EXPECT_EQ(s.get(), v);
        }
        std::vector<uint32_t> refused;
        if (s.lo > 0) refused.push_back(s.lo - 1);
        if (s.hi < ~0u) refused.push_back(s.hi + 1);
        if (s.bad) refused.push_back(s.bad);
        for (uint32_t v : refused) {
            EXPECT_EQ(s.set(v), KEL_DRV_ERR_BAD_VALUE) << v;
            EXPECT_EQ(s.get(), s.hi) << "after " << v;
        }
        if (s.key == 'S') continue;
        for (const ifport &other : kOthers) {
            if (s.key == 'U' && other.unit == kAt.unit) continue;
            g_at = other;
            EXPECT_EQ(s.get(), s.initial) << "another port";
        }
        for (const ifport &missing : kMissing) {
            if (s.key == 'U' && missing.unit == kAt.unit) continue;
            g_at = missing;
            EXPECT_EQ(s.set(s.lo), KEL_DRV_ERR_NO_SUCH_PORT) << missing.unit << "/" << missing.port;
        }
    }
}

}  // namespace
