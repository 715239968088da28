// Port, statistics, MAC table, multicast, trunk/LACP, mirroring, queue, rate
// and storm-control wrappers: what each sends and what it hands back.
#include <cstdlib>
#include <functional>

#include "alloc_counter.h"
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
const uint8_t kMac[6] = {0x01, 0x00, 0x5E, 0x01, 0x02, 0x03};
uint8_t g_buf[1024];
vlanlist g_vlans;
iflist g_ports;

std::vector<Word> at(std::vector<Word> more = {}) {
    more.push_back({12, 1});
    more.push_back({16, 3});
    return more;
}

// The MAC address's six bytes in order at 76..81, as the block's two words hold them.
std::vector<Word> mac(std::vector<Word> more) {
    uint32_t w[2] = {};
    std::memcpy(w, kMac, 6);
    more.push_back({76, w[0]});
    more.push_back({80, w[1]});
    return more;
}

uint32_t g_index;
int32_t walk_arl(int32_t type) { return g_index = 5, kel_arl_getnext(&g_index, type, g_buf); }

const std::vector<SendCase> kSends = {
    {"port_uptime_get", [] { return kel_port_uptime_get(&kPort, nullptr); }, 0x0501, at(), nullptr},
    {"port_trunk_id_get", [] { return kel_port_trunk_id_get(&kPort, nullptr); }, 0x0502, at(), nullptr},
    {"port_mirror_get", [] { return kel_port_mirror_get(&kPort, nullptr, nullptr); }, 0x0503, at(), nullptr},
    {"port_medium_get", [] { return kel_port_medium_get(&kPort, nullptr); }, 0x0504, at(), nullptr},
    {"port_linkstat_get", [] { return kel_port_linkstat_get(&kPort, nullptr); }, 0x0505, at(), nullptr},
    {"port_stp_get", [] { return kel_port_stp_get(&kPort, nullptr); }, 0x0506, at(), nullptr},
    {"port_admin_set", [] { return kel_port_admin_set(&kPort, 7); }, 0x0507, at({{44, 7}}), nullptr},
    {"port_admin_get", [] { return kel_port_admin_get(&kPort, nullptr); }, 0x0508, at(), nullptr},
    {"port_vlan_mode_set", [] { return kel_port_vlan_mode_set(&kPort, 10, 2); }, 0x0509,
     at({{20, 10}, {8, 2}}), nullptr},
    {"port_vlan_mode_get", [] { return kel_port_vlan_mode_get(&kPort, nullptr, nullptr); }, 0x050A, at(),
     nullptr},
    {"port_admin_vlan_get", [] { return kel_port_admin_vlan_get(&kPort, nullptr); }, 0x050C, at(), nullptr},
    {"port_oper_vlan_get", [] { return kel_port_oper_vlan_get(&kPort, nullptr); }, 0x050D, at(), nullptr},
    {"port_allow_vlans_add", [] { return kel_port_allow_vlans_add(&kPort, &g_vlans, 2); }, 0x050E,
     at({{8, 2}}), kSomeBuffer},
    {"port_allow_vlans_del", [] { return kel_port_allow_vlans_del(&kPort, &g_vlans); }, 0x050F, at(),
     kSomeBuffer},
    {"port_allow_vlans_get", [] { return kel_port_allow_vlans_get(&kPort, &g_vlans, 1); }, 0x0510,
     at({{8, 1}}), kSomeBuffer},
    {"port_autoneg_set", [] { return kel_port_autoneg_set(&kPort, 1); }, 0x0511, at({{44, 1}}), nullptr},
    {"port_autoneg_get", [] { return kel_port_autoneg_get(&kPort, nullptr); }, 0x0512, at(), nullptr},
    {"port_duplex_set", [] { return kel_port_duplex_set(&kPort, 2); }, 0x0513, at({{44, 2}}), nullptr},
    {"port_duplex_get", [] { return kel_port_duplex_get(&kPort, nullptr); }, 0x0514, at(), nullptr},
    {"port_speed_set", [] { return kel_port_speed_set(&kPort, 100); }, 0x0515, at({{44, 100}}), nullptr},
    {"port_speed_get", [] { return kel_port_speed_get(&kPort, nullptr); }, 0x0516, at(), nullptr},
    {"port_flowctrl_set", [] { return kel_port_flowctrl_set(&kPort, 1); }, 0x0517, at({{44, 1}}), nullptr},
    {"port_flowctrl_get", [] { return kel_port_flowctrl_get(&kPort, nullptr); }, 0x0518, at(), nullptr},
    {"port_priority_set", [] { return kel_port_priority_set(&kPort, 6); }, 0x0519, at({{52, 6}}), nullptr},
    {"port_priority_get", [] { return kel_port_priority_get(&kPort, nullptr); }, 0x051A, at(), nullptr},
    {"port_block_set", [] { return kel_port_block_set(&kPort, 1, 9); }, 0x051B, at({{8, 1}, {44, 9}}),
     nullptr},
    {"port_block_get", [] { return kel_port_block_get(&kPort, 1, nullptr); }, 0x051C, at({{8, 1}}), nullptr},
    {"port_ifilter_set", [] { return kel_port_ifilter_set(&kPort, 1); }, 0x051D, at({{44, 1}}), nullptr},
    {"port_ifilter_get", [] { return kel_port_ifilter_get(&kPort, nullptr); }, 0x051E, at(), nullptr},
    {"port_discard_set", [] { return kel_port_discard_set(&kPort, 2); }, 0x051F, at({{8, 2}}), nullptr},
    {"port_discard_get", [] { return kel_port_discard_get(&kPort, nullptr); }, 0x0520, at(), nullptr},
    {"port_mdix_set", [] { return kel_port_mdix_set(&kPort, 2); }, 0x0521, at({{44, 2}}), nullptr},
    {"port_mdix_get", [] { return kel_port_mdix_get(&kPort, nullptr); }, 0x0522, at(), nullptr},
    {"stats_port_get", [] { return kel_stats_port_get(&kPort, g_buf); }, 0x0C02, at(), kSomeBuffer,
     Answer::zero},
    {"arl_age_time_set", [] { return kel_arl_age_time_set(77); }, 0x0301, {{64, 77}}, nullptr},
    {"arl_age_time_get", [] { return kel_arl_age_time_get(nullptr); }, 0x0302, {}, nullptr},
    {"static_arl_add", [] { return kel_static_arl_add(kMac, 10, &kPort); }, 0x0303, mac(at({{20, 10}})),
     nullptr},
    {"arl_getnext 1", [] { return walk_arl(1); }, 0x0304, {{40, 5}}, kSomeBuffer},
    {"arl_getnext 2", [] { return walk_arl(2); }, 0x0305, {{40, 5}}, kSomeBuffer},
    {"arl_getnext 4", [] { return walk_arl(4); }, 0x0306, {{40, 5}}, kSomeBuffer},
    {"arl_getpage",
     [] { return g_index = 5, kel_arl_getpage(&g_index, 9, g_buf); },
     0x0307,
     {{40, 5}, {8, 9}},
     kSomeBuffer},
    {"arl_freeze_set", [] { return kel_arl_freeze_set(1); }, 0x0308, {{44, 1}}, nullptr},
    {"arl_freeze_get", [] { return kel_arl_freeze_get(nullptr); }, 0x0309, {}, nullptr},
    {"static_arl_del", [] { return kel_static_arl_del(kMac, 10, &kPort); }, 0x030D, mac(at({{20, 10}})),
     nullptr},
    {"dynamic_arl_del", [] { return kel_dynamic_arl_del(); }, 0x030E, {}, nullptr},
    {"arl_del_by_vlan 3", [] { return kel_arl_del_by_vlan(10, 3); }, 0x030A, {{20, 10}}, nullptr},
    {"arl_del_by_mac 3", [] { return kel_arl_del_by_mac(kMac, 3); }, 0x030B, mac({}), nullptr},
    {"arl_del_by_port 3", [] { return kel_arl_del_by_port(&kPort, 3); }, 0x030C, at(), nullptr},
    {"arl_del_by_vlan 2", [] { return kel_arl_del_by_vlan(10, 2); }, 0x030F, {{20, 10}}, nullptr},
    {"arl_del_by_mac 2", [] { return kel_arl_del_by_mac(kMac, 2); }, 0x0310, mac({}), nullptr},
    {"arl_del_by_port 2", [] { return kel_arl_del_by_port(&kPort, 2); }, 0x0311, at(), nullptr},
    {"static_mcast_add", [] { return kel_static_mcast_add(kMac, 10, 5, &g_ports); }, 0x0401,
     mac({{20, 10}, {52, 5}}), kSomeBuffer},
    {"static_mcast_del", [] { return kel_static_mcast_del(kMac, 10); }, 0x0402, mac({{20, 10}}), nullptr},
    {"static_mcast_ports_del", [] { return kel_static_mcast_ports_del(kMac, 10, &g_ports); }, 0x0403,
     mac({{20, 10}}), kSomeBuffer},
    {"mcast_get", [] { return kel_mcast_get(kMac, 10, g_buf); }, 0x0404, mac({{20, 10}}), kSomeBuffer},
    {"mcast_getnext",
     [] { return g_index = 7, kel_mcast_getnext(&g_index, g_buf); },
     0x0405,
     {{40, 7}},
     kSomeBuffer},
    {"static_mcast_getnext",
     [] { return g_index = 7, kel_static_mcast_getnext(&g_index, g_buf); },
     0x0406,
     {{40, 7}},
     kSomeBuffer},
    {"static_trunk_set", [] { return kel_static_trunk_set(3, &g_ports); }, 0x0701, {{24, 3}}, kSomeBuffer},
    {"dynamic_trunk_set", [] { return kel_dynamic_trunk_set(3, &g_ports); }, 0x0702, {{24, 3}}, kSomeBuffer},
    {"trunk_get", [] { return kel_trunk_get(3, g_buf); }, 0x0703, {{24, 3}}, kSomeBuffer},
    {"trunk_destroy", [] { return kel_trunk_destroy(3); }, 0x0704, {{24, 3}}, nullptr},
    {"trunk_criteria_set", [] { return kel_trunk_criteria_set(3, 4); }, 0x0705, {{24, 3}, {48, 4}}, nullptr},
    {"trunk_criteria_get", [] { return kel_trunk_criteria_get(3, nullptr); }, 0x0706, {{24, 3}}, nullptr},
    {"is_static_trunk_port", [] { return kel_is_static_trunk_port(&kPort); }, 0x0707, at(), nullptr,
     Answer::yes_no},
    {"is_dynamic_trunk_port", [] { return kel_is_dynamic_trunk_port(&kPort); }, 0x0708, at(), nullptr,
     Answer::yes_no},
    {"lacp_sys_prio_set", [] { return kel_lacp_sys_prio_set(100); }, 0x1101, {{52, 100}}, nullptr},
    {"lacp_sys_prio_get", [] { return kel_lacp_sys_prio_get(nullptr); }, 0x1102, {}, nullptr},
    {"lacp_port_prio_set", [] { return kel_lacp_port_prio_set(&kPort, 200); }, 0x1103, at({{52, 200}}),
     nullptr},
    {"lacp_port_prio_get", [] { return kel_lacp_port_prio_get(&kPort, nullptr); }, 0x1104, at(), nullptr},
    {"lacp_info_get", [] { return kel_lacp_info_get(3, g_buf); }, 0x1105, {{24, 3}}, kSomeBuffer},
    {"mirror_monitor_set", [] { return kel_mirror_monitor_set(2, &kPort); }, 0x0801, at({{28, 2}}), nullptr},
    {"mirror_monitor_set none",
     [] { return kel_mirror_monitor_set(3, nullptr); },
     0x0801,
     {{28, 3}},
     nullptr},
    {"mirror_monitor_get", [] { return kel_mirror_monitor_get(2, nullptr); }, 0x0802, {{28, 2}}, nullptr},
    {"mirror_mirrored_set", [] { return kel_mirror_mirrored_set(2, &kPort, 3); }, 0x0803,
     at({{28, 2}, {8, 3}}), nullptr},
    {"mirror_mirrored_get",
     [] { return kel_mirror_mirrored_get(2, 1, &g_ports); },
     0x0804,
     {{28, 2}, {8, 1}},
     kSomeBuffer},
    {"mirror_session_get", [] { return kel_mirror_session_get(2, g_buf); }, 0x0805, {{28, 2}}, kSomeBuffer},
    {"cosq_map_set", [] { return kel_cosq_map_set(5, 2); }, 0x0901, {{52, 5}, {32, 2}}, nullptr},
    {"cosq_map_reset", [] { return kel_cosq_map_reset(); }, 0x0902, {}, nullptr},
    {"cosq_map_get", [] { return kel_cosq_map_get(5, nullptr); }, 0x0903, {{52, 5}}, nullptr},
    {"cosq_policy_set",
     [] { return kel_cosq_policy_set(2, g_buf, 16); },
     0x0904,
     {{48, 2}, {84, 16}},
     kSomeBuffer},
    {"cosq_policy_get",
     [] { return kel_cosq_policy_get(nullptr, g_buf, 64); },
     0x0905,
     {{84, 64}},
     kSomeBuffer},
    {"qos_tx_rate_set", [] { return kel_qos_tx_rate_set(&kPort, 1000, 32); }, 0x0A01,
     at({{60, 1000}, {56, 32}}), nullptr},
    {"qos_tx_rate_get", [] { return kel_qos_tx_rate_get(&kPort, nullptr, nullptr); }, 0x0A02, at(), nullptr},
    {"qos_rx_rate_set", [] { return kel_qos_rx_rate_set(&kPort, 2000, 64); }, 0x0A03,
     at({{60, 2000}, {56, 64}}), nullptr},
    {"qos_rx_rate_get", [] { return kel_qos_rx_rate_get(&kPort, nullptr, nullptr); }, 0x0A04, at(), nullptr},
    {"storm_ctrl_set", [] { return kel_storm_ctrl_set(&kPort, 1, 500); }, 0x0B01, at({{8, 1}, {60, 500}}),
     nullptr},
    {"storm_ctrl_get", [] { return kel_storm_ctrl_get(&kPort, 2, nullptr); }, 0x0B02, at({{8, 2}}), nullptr},
};

using Counter = int32_t (*)(const ifport *, uint32_t *);
struct CounterCase {
    Counter get;
    uint32_t selector;
};

const CounterCase kCounters[] = {
    {kel_stats_rxocts_get, 0},
    {kel_stats_rxucast_pkts_get, 1},
    {kel_stats_rxnucast_pkts_get, 2},
    {kel_stats_rxdiscard_pkts_get, 3},
    {kel_stats_rxerror_pkts_get, 4},
    {kel_stats_unknownproto_pkts_get, 5},
    {kel_stats_txocts_get, 6},
    {kel_stats_txucast_pkts_get, 7},
    {kel_stats_txnucast_pkts_get, 8},
    {kel_stats_txdiscard_pkts_get, 9},
    {kel_stats_txerror_pkts_get, 10},
    {kel_stats_txqlen_get, 11},
    {kel_stats_delay_exceed_discard_get, 15},
    {kel_stats_mtu_exceed_discard_get, 16},
    {kel_stats_in_frame_get, 17},
    {kel_stats_out_frame_get, 18},
    {kel_stats_in_discard_get, 19},
    {kel_stats_dropevent_pkts_get, 20},
    {kel_stats_rxmcast_pkts_get, 21},
    {kel_stats_rxbcast_pkts_get, 22},
    {kel_stats_usize_pkts_get, 23},
    {kel_stats_frag_pkts_get, 24},
    {kel_stats_64octs_get, 25},
    {kel_stats_65_127octs_get, 26},
    {kel_stats_128_255octs_get, 27},
    {kel_stats_256_511octs_get, 28},
    {kel_stats_512_1023octs_get, 29},
    {kel_stats_1024_1518octs_get, 30},
    {kel_stats_osize_pkts_get, 31},
    {kel_stats_jabber_pkts_get, 32},
    {kel_stats_collision_pkts_get, 35},
    {kel_stats_crcalignerr_pkts_get, 36},
    {kel_stats_alignerror_pkts_get, 39},
    {kel_stats_singlecoll_pkts_get, 41},
    {kel_stats_multicoll_pkts_get, 42},
};

class Wrappers : public kel_test::SimTest {};

TEST_F(Wrappers, EachSendsItsCodeAndWords) { kel_test::expect_sends(kSends); }

// Every counter getter sends its selector and answers 0 whatever the driver
// says, handing back word 64 when the pointer is not null.
TEST_F(Wrappers, CountersSendTheirSelectorAndAlwaysReturnZero) {
    kel_test::answer_with_markers(-300);
    for (const CounterCase &c : kCounters) {
        SCOPED_TRACE(c.selector);
        kelsim::clear_journal();
        uint32_t v = 1;
        EXPECT_EQ(c.get(&kPort, &v), 0);
        EXPECT_EQ(v, marker(64));
        EXPECT_EQ(c.get(&kPort, nullptr), 0);
        ASSERT_EQ(kelsim::request_count(), 2u);
        expect_block(last_sent().block, 0x0C01, at({{8, c.selector}}), false);
    }
    EXPECT_EQ(kel_stats_port_get(&kPort, g_buf), 0);
}

// Getters copy each output from its word, after a failure too; a null
// pointer skips only its own copy.
struct OutCase {
    const char *name;
    std::function<int32_t(uint32_t *, uint32_t *)> call;
    size_t first, second;  // offsets of the outputs (second 0: one output)
};

const OutCase kOuts[] = {
    {"port_uptime_get", [](uint32_t *a, uint32_t *) { return kel_port_uptime_get(&kPort, a); }, 64, 0},
    {"port_trunk_id_get", [](uint32_t *a, uint32_t *) { return kel_port_trunk_id_get(&kPort, a); }, 24, 0},
    {"port_mirror_get", [](uint32_t *a, uint32_t *b) { return kel_port_mirror_get(&kPort, a, b); }, 28, 44},
    {"port_medium_get", [](uint32_t *a, uint32_t *) { return kel_port_medium_get(&kPort, a); }, 44, 0},
    {"port_linkstat_get", [](uint32_t *a, uint32_t *) { return kel_port_linkstat_get(&kPort, a); }, 44, 0},
    {"port_stp_get", [](uint32_t *a, uint32_t *) { return kel_port_stp_get(&kPort, a); }, 44, 0},
    {"port_admin_get", [](uint32_t *a, uint32_t *) { return kel_port_admin_get(&kPort, a); }, 44, 0},
    {"port_vlan_mode_get", [](uint32_t *a, uint32_t *b) { return kel_port_vlan_mode_get(&kPort, a, b); }, 20,
     8},
    {"port_admin_vlan_get", [](uint32_t *a, uint32_t *) { return kel_port_admin_vlan_get(&kPort, a); }, 20,
     0},
    {"port_oper_vlan_get", [](uint32_t *a, uint32_t *) { return kel_port_oper_vlan_get(&kPort, a); }, 20, 0},
    {"port_autoneg_get", [](uint32_t *a, uint32_t *) { return kel_port_autoneg_get(&kPort, a); }, 44, 0},
    {"port_duplex_get", [](uint32_t *a, uint32_t *) { return kel_port_duplex_get(&kPort, a); }, 44, 0},
    {"port_speed_get", [](uint32_t *a, uint32_t *) { return kel_port_speed_get(&kPort, a); }, 44, 0},
    {"port_flowctrl_get", [](uint32_t *a, uint32_t *) { return kel_port_flowctrl_get(&kPort, a); }, 44, 0},
    {"port_priority_get", [](uint32_t *a, uint32_t *) { return kel_port_priority_get(&kPort, a); }, 52, 0},
    {"port_block_get", [](uint32_t *a, uint32_t *) { return kel_port_block_get(&kPort, 1, a); }, 44, 0},
    {"port_ifilter_get", [](uint32_t *a, uint32_t *) { return kel_port_ifilter_get(&kPort, a); }, 44, 0},
    {"port_discard_get", [](uint32_t *a, uint32_t *) { return kel_port_discard_get(&kPort, a); }, 8, 0},
    {"port_mdix_get", [](uint32_t *a, uint32_t *) { return kel_port_mdix_get(&kPort, a); }, 44, 0},
    {"arl_age_time_get", [](uint32_t *a, uint32_t *) { return kel_arl_age_time_get(a); }, 64, 0},
    {"arl_freeze_get", [](uint32_t *a, uint32_t *) { return kel_arl_freeze_get(a); }, 44, 0},
    {"trunk_criteria_get", [](uint32_t *a, uint32_t *) { return kel_trunk_criteria_get(3, a); }, 48, 0},
    {"lacp_sys_prio_get", [](uint32_t *a, uint32_t *) { return kel_lacp_sys_prio_get(a); }, 52, 0},
    {"lacp_port_prio_get", [](uint32_t *a, uint32_t *) { return kel_lacp_port_prio_get(&kPort, a); }, 52, 0},
    {"cosq_map_get", [](uint32_t *a, uint32_t *) { return kel_cosq_map_get(5, a); }, 32, 0},
    {"cosq_policy_get", [](uint32_t *a, uint32_t *) { return kel_cosq_policy_get(a, g_buf, 16); }, 48, 0},
    {"qos_tx_rate_get", [](uint32_t *a, uint32_t *b) { return kel_qos_tx_rate_get(&kPort, a, b); }, 60, 56},
    {"qos_rx_rate_get", [](uint32_t *a, uint32_t *b) { return kel_qos_rx_rate_get(&kPort, a, b); }, 60, 56},
    {"storm_ctrl_get", [](uint32_t *a, uint32_t *) { return kel_storm_ctrl_get(&kPort, 2, a); }, 60, 0},
};

TEST_F(Wrappers, GettersCopyTheirWordsWhateverTheResult) {
    for (int32_t status : {0, -300}) {
        kel_test::answer_with_markers(status);
        for (const OutCase &c : kOuts) {
            SCOPED_TRACE(testing::Message() << c.name << " status " << status);
            uint32_t a = 1, b = 2;
            EXPECT_EQ(c.call(&a, c.second ? &b : nullptr), status);
            EXPECT_EQ(a, marker(c.first));
            if (!c.second) continue;
            EXPECT_EQ(b, marker(c.second));
            b = 2;  // each output is copied on its own
            EXPECT_EQ(c.call(nullptr, &b), status);
            EXPECT_EQ(b, marker(c.second));
            a = 1;
            EXPECT_EQ(c.call(&a, nullptr), status);
            EXPECT_EQ(a, marker(c.first));
        }
    }
}

TEST_F(Wrappers, NullOutputsStillSendAndFailedCallsYieldZero) {
    for (const OutCase &c : kOuts) {
        SCOPED_TRACE(c.name);
        kelsim::clear_journal();
        kelsim::force_status(-77);
        EXPECT_EQ(c.call(nullptr, nullptr), -77);
        EXPECT_EQ(kelsim::request_count(), 1u);
        kelsim::fail_next_ioctl();
        uint32_t a = 9, b = 9;
        EXPECT_EQ(c.call(&a, c.second ? &b : nullptr), -1);
        EXPECT_EQ(a, 0u);  // the zeroed block's words
        EXPECT_EQ(b, c.second ? 0u : 9u);
    }
}

TEST_F(Wrappers, MonitorPortIsRebuiltFromTheBlock) {
    kel_test::answer_with_markers(-5);
    ifport p{7, 7, 7};
    EXPECT_EQ(kel_mirror_monitor_get(1, &p), -5);
    EXPECT_EQ(static_cast<uint32_t>(p.unit), marker(12));
    EXPECT_EQ(p.slot, 0);
    EXPECT_EQ(static_cast<uint32_t>(p.port), marker(16));
    EXPECT_EQ(kel_mirror_monitor_get(1, nullptr), -5);
    kelsim::set_responder(nullptr);
    kelsim::fail_next_ioctl();
    EXPECT_EQ(kel_mirror_monitor_get(1, &p), -1);
    EXPECT_EQ(p.unit, 0);
    EXPECT_EQ(p.port, 0);
}

// The trunk-port predicates: any nonzero word 44 is yes, status aside.
TEST_F(Wrappers, TrunkPredicatesReadWord44Only) {
    struct Answer {
        uint32_t word;
        int32_t status;
        int32_t yes;
    };
    for (Answer a :
         {Answer{2, 0, 1}, Answer{0, 0, 0}, Answer{0xFFFFFFFFu, 0, 1}, Answer{1, -9, 1}, Answer{0, -9, 0}}) {
        kelsim::set_responder([a](kel_ioreq &b) {
            b.value = a.word;
            b.status = a.status;
            return true;
        });
        EXPECT_EQ(kel_is_static_trunk_port(&kPort), a.yes) << a.word;
        EXPECT_EQ(kel_is_dynamic_trunk_port(&kPort), a.yes) << a.word;
    }
    kelsim::set_responder(nullptr);
    kelsim::fail_next_ioctl();
    EXPECT_EQ(kel_is_static_trunk_port(&kPort), 0);
}

// Selectors outside their sets are refused before anything is sent.
TEST_F(Wrappers, UnknownSelectorsSendNothing) {
    kelsim::clear_journal();
    uint32_t index = 42;
    for (int32_t type : {0, 3, 5, 8, -1, 0x10001}) {
        EXPECT_EQ(kel_arl_getnext(&index, type, g_buf), KEL_ERR_PARAM) << type;
        EXPECT_EQ(index, 42u);
    }
    for (int32_t type : {0, 1, 4, -2, 0x10003}) {
        EXPECT_EQ(kel_arl_del_by_mac(kMac, type), KEL_ERR_PARAM) << type;
        EXPECT_EQ(kel_arl_del_by_vlan(10, type), KEL_ERR_PARAM) << type;
        EXPECT_EQ(kel_arl_del_by_port(&kPort, type), KEL_ERR_PARAM) << type;
    }
    EXPECT_EQ(kel_mcast_get(kMac, 10, nullptr), KEL_ERR_PARAM);
    EXPECT_EQ(kel_mcast_getnext(&index, nullptr), KEL_ERR_PARAM);
    EXPECT_EQ(kel_static_mcast_getnext(&index, nullptr), KEL_ERR_PARAM);
    EXPECT_EQ(index, 42u);
    EXPECT_EQ(kelsim::request_count(), 0u);
}

// The four walks with an end marker share one rule: 65535 (the whole word)
// ends the walk and leaves the cursor; any other index is handed back.
using Walk = std::function<int32_t(uint32_t *)>;
const std::pair<const char *, Walk> kWalks[] = {
    {"arl_getnext", [](uint32_t *i) { return kel_arl_getnext(i, 4, g_buf); }},
    {"arl_getpage", [](uint32_t *i) { return kel_arl_getpage(i, 1, g_buf); }},
    {"mcast_getnext", [](uint32_t *i) { return kel_mcast_getnext(i, g_buf); }},
    {"static_mcast_getnext", [](uint32_t *i) { return kel_static_mcast_getnext(i, g_buf); }},
};

TEST_F(Wrappers, WalksStopAtTheEndMarkerOnly) {
    struct Step {
        uint32_t answer;
        int32_t status, result;
        uint32_t cursor;
    };
    const Step steps[] = {{5, 0, 0, 5},
                          {9, 0, 0, 9},
                          {65535, 0, -6, 9},
                          {65535, -3, -6, 9},
                          {7, -3, -3, 7},
                          {65534, 0, 0, 65534},
                          {0xFFFFFFFFu, 0, 0, 0xFFFFFFFFu},
                          {0x1FFFFu, 0, 0, 0x1FFFFu}};
    for (const auto &w : kWalks) {
        uint32_t cursor = 0;
        for (const Step &s : steps) {
            SCOPED_TRACE(testing::Message() << w.first << " answer " << s.answer);
            kelsim::set_responder([s](kel_ioreq &b) {
                b.index = s.answer;
                b.status = s.status;
                return true;
            });
            EXPECT_EQ(w.second(&cursor), s.result);
            EXPECT_EQ(cursor, s.cursor);
        }
        kelsim::set_responder(nullptr);
        kelsim::fail_next_ioctl();  // the block keeps the cursor sent
        cursor = 12;
        EXPECT_EQ(w.second(&cursor), -1);
        EXPECT_EQ(cursor, 12u);
        cursor = 65535;
        kelsim::fail_next_ioctl();
        EXPECT_EQ(w.second(&cursor), KEL_ERR_NOT_FOUND);
    }
}

// The counter getters allocate nothing either (the other wrappers are
// checked with their table).
TEST_F(Wrappers, NoCounterGetterAllocates) {
    if (!kel_test::kCountingAllocator) GTEST_SKIP() << "the sanitizer's allocator is in charge";
    for (const CounterCase &c : kCounters) {
        uint32_t v;
        EXPECT_EQ(kel_test::allocations_in([&] { c.get(&kPort, &v); }).calls, 0) << c.selector;
    }
}

}  // namespace
