// System (0x00) and stacking (0x01) commands: what each wrapper sends and
// returns, then the simulated switch behind them.
#include <functional>

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

constexpr uint32_t kIp = 0x0A01A8C0u, kMask = 0x00FFFFFFu;
const ifport kPort{1, 5, 3};  // the slot word must never travel
uint8_t g_buf[KEL_PORTINFO_SIZE];

const std::vector<SendCase> kSends = {
    {"ifport_name_get",
     [] { return kel_ifport_name_get(&kPort, reinterpret_cast<char *>(g_buf), 32); },
     0x0001,
     {{12, 1}, {16, 3}, {84, 32}},
     kSomeBuffer},
    {"system_nr_ports_get", [] { return kel_system_nr_ports_get(nullptr); }, 0x0002, {}, nullptr},
    {"system_mac_addr_get", [] { return kel_system_mac_addr_get(g_buf); }, 0x0003, {}, nullptr},
    {"system_ip_mask_set",
     [] { return kel_system_ip_mask_set(kIp, kMask); },
     0x0004,
     {{68, kIp}, {72, kMask}},
     nullptr},
    {"system_ip_mask_get", [] { return kel_system_ip_mask_get(nullptr, nullptr); }, 0x0005, {}, nullptr},
    {"system_vlan_id_set", [] { return kel_system_vlan_id_set(10); }, 0x0006, {{20, 10}}, nullptr},
    {"system_vlan_id_get", [] { return kel_system_vlan_id_get(nullptr); }, 0x0007, {}, nullptr},
    {"system_port_info_get",
     [] { return kel_system_port_info_get(&kPort, g_buf); },
     0x0008,
     {{12, 1}, {16, 3}},
     kSomeBuffer},
    {"is_system_ifport",
     [] { return kel_is_system_ifport(&kPort); },
     0x0008,
     {{12, 1}, {16, 3}},
     kSomeBuffer,
     Answer::yes_no},
    {"is_system_feport",
     [] { return kel_is_system_feport(&kPort); },
     0x0008,
     {{12, 1}, {16, 3}},
     kSomeBuffer,
     Answer::yes_no},
    {"is_system_geport",
     [] { return kel_is_system_geport(&kPort); },
     0x0008,
     {{12, 1}, {16, 3}},
     kSomeBuffer,
     Answer::yes_no},
    {"system_reboot", [] { return kel_system_reboot(); }, 0x0009, {}, nullptr},
    {"system_startup_complete", [] { return kel_system_startup_complete(); }, 0x000A, {}, nullptr},
    {"lib_is_system_ready", [] { return kel_lib_is_system_ready(); }, 0x000B, {}, nullptr, Answer::yes_no},
    {"system_upgrade", [] { return kel_system_upgrade(); }, 0x000C, {}, nullptr},
    {"is_system_upgrade", [] { return kel_is_system_upgrade(); }, 0x000D, {}, nullptr, Answer::yes_no},
    {"stack_nr_ports_get", [] { return kel_stack_nr_ports_get(3, nullptr); }, 0x0101, {{12, 3}}, nullptr},
    {"switch_stack_id_set", [] { return kel_switch_stack_id_set(2); }, 0x0102, {{12, 2}}, nullptr},
    {"switch_stack_id_get", [] { return kel_switch_stack_id_get(nullptr); }, 0x0103, {}, nullptr},
    {"stack_priority_set", [] { return kel_stack_priority_set(2, 5); }, 0x0104, {{12, 2}, {52, 5}}, nullptr},
    {"switch_master_ipmask_set",
     [] { return kel_switch_master_ipmask_set(kIp, kMask); },
     0x0105,
     {{68, kIp}, {72, kMask}},
     nullptr},
    {"switch_master_ipmask_get",
     [] { return kel_switch_master_ipmask_get(nullptr, nullptr); },
     0x0106,
     {},
     nullptr},
    {"switch_stack_ipmask_set",
     [] { return kel_switch_stack_ipmask_set(2, kIp, kMask); },
     0x0107,
     {{12, 2}, {68, kIp}, {72, kMask}},
     nullptr},
    {"switch_stack_ipmask_get",
     [] { return kel_switch_stack_ipmask_get(2, nullptr, nullptr); },
     0x0108,
     {{12, 2}},
     nullptr},
    {"stack_info_get", [] { return kel_stack_info_get(2, g_buf); }, 0x0109, {{12, 2}}, kSomeBuffer},
    {"stack_discover_startup", [] { return kel_stack_discover_startup(); }, 0x010A, {}, nullptr},
    {"is_stack_discover", [] { return kel_is_stack_discover(); }, 0x010B, {}, nullptr, Answer::yes_no},
    {"stack_firmware_sync_set", [] { return kel_stack_firmware_sync_set(); }, 0x010C, {}, nullptr},
    {"stack_firmware_sync_get", [] { return kel_stack_firmware_sync_get(nullptr); }, 0x010D, {}, nullptr},
    {"is_stack_master", [] { return kel_is_stack_master(); }, 0x010E, {}, nullptr, Answer::yes_no},
    {"is_switch_stackable", [] { return kel_is_switch_stackable(); }, 0x010F, {}, nullptr, Answer::yes_no},
    {"is_stack_smart_port",
     [] { return kel_is_stack_smart_port(&kPort); },
     0x0008,
     {{12, 1}, {16, 3}},
     kSomeBuffer,
     Answer::yes_no},
};

class Wrappers : public kel_test::SimTest {};

TEST_F(Wrappers, EachSendsItsCodeAndWords) { kel_test::expect_sends(kSends); }

// Getters copy each output from its word, also when the driver fails.
struct OutCase {
    const char *name;
    std::function<int32_t(uint32_t *, uint32_t *)> call;
    size_t first, second;  // offsets of the outputs (second 0: one output)
};

const OutCase kOuts[] = {
    {"system_nr_ports_get", [](uint32_t *a, uint32_t *) { return kel_system_nr_ports_get(a); }, 64, 0},
    {"system_ip_mask_get", [](uint32_t *a, uint32_t *b) { return kel_system_ip_mask_get(a, b); }, 68, 72},
    {"system_vlan_id_get", [](uint32_t *a, uint32_t *) { return kel_system_vlan_id_get(a); }, 20, 0},
    {"stack_nr_ports_get", [](uint32_t *a, uint32_t *) { return kel_stack_nr_ports_get(1, a); }, 64, 0},
    {"switch_stack_id_get", [](uint32_t *a, uint32_t *) { return kel_switch_stack_id_get(a); }, 12, 0},
    {"switch_master_ipmask_get", [](uint32_t *a, uint32_t *b) { return kel_switch_master_ipmask_get(a, b); },
     68, 72},
    {"switch_stack_ipmask_get", [](uint32_t *a, uint32_t *b) { return kel_switch_stack_ipmask_get(1, a, b); },
     68, 72},
    {"stack_firmware_sync_get", [](uint32_t *a, uint32_t *) { return kel_stack_firmware_sync_get(a); }, 44,
     0},
};

TEST_F(Wrappers, GettersCopyTheirWordsWhateverTheResult) {
    kel_test::answer_with_markers(-300);
    for (const OutCase &c : kOuts) {
        SCOPED_TRACE(c.name);
        uint32_t a = 1, b = 2;
        EXPECT_EQ(c.call(&a, c.second ? &b : nullptr), -300);
        EXPECT_EQ(a, marker(c.first));
        if (c.second) {  // each output is copied on its own
            EXPECT_EQ(b, marker(c.second));
            b = 2;
            EXPECT_EQ(c.call(nullptr, &b), -300);
            EXPECT_EQ(b, marker(c.second));
        }
    }
}

TEST_F(Wrappers, MacAddressComesFromTheMacBytes) {
    kelsim::set_responder([](kel_ioreq &b) {
        const uint8_t m[6] = {0x00, 0x12, 0x34, 0x56, 0x78, 0x9A};
        std::memcpy(b.mac, m, 6);
        b.status = -4;
        return true;
    });
    uint8_t mac[6] = {};
    EXPECT_EQ(kel_system_mac_addr_get(mac), -4);
    EXPECT_EQ(mac[0], 0x00);
    EXPECT_EQ(mac[5], 0x9A);
    EXPECT_EQ(kel_system_mac_addr_get(nullptr), -4);
}

// The yes/no queries look at word 64 alone: 1 is yes, anything else no, and
// neither the status nor the system call's result changes that.
TEST_F(Wrappers, YesNoQueriesReadOnlyWord64) {
    const std::function<int32_t()> queries[] = {kel_lib_is_system_ready, kel_is_system_upgrade,
                                                kel_is_stack_discover, kel_is_stack_master,
                                                kel_is_switch_stackable};
    struct Answer {
        uint32_t word;
        int32_t status;
        int32_t yes;
    };
    for (Answer a :
         {Answer{1, 0, 1}, Answer{2, 0, 0}, Answer{0xFFFFFFFFu, 0, 0}, Answer{1, -9, 1}, Answer{0, 0, 0}}) {
        kelsim::set_responder([a](kel_ioreq &b) {
            b.count = a.word;
            b.status = a.status;
            return true;
        });
        for (const auto &q : queries) EXPECT_EQ(q(), a.yes) << "word " << a.word;
    }
}

// The port predicates judge the port information record alone.
struct RecordCase {
    int32_t unit, port;
    uint32_t flags;
    ifport asked;
    int32_t ifport_, fe, ge, stack;
};

TEST_F(Wrappers, PortPredicatesJudgeTheRecord) {
    const RecordCase cases[] = {
        {1, 3, KEL_PORT_FLAG_FE, {1, 0, 3}, 1, 1, 0, 0},
        {1, 3, KEL_PORT_FLAG_FE | KEL_PORT_FLAG_STACK | KEL_PORT_FLAG_GE, {1, 7, 3}, 1, 1, 1, 1},
        {2, 25, KEL_PORT_FLAG_GE, {2, 0, 25}, 1, 0, 1, 0},
        {2, 25, KEL_PORT_FLAG_GE | KEL_PORT_FLAG_STACK, {2, 0, 26}, 0, 0, 0, 0},  // another port
        {1, 3, KEL_PORT_FLAG_STACK, {2, 0, 3}, 0, 0, 0, 0},
        {0, 0, KEL_PORT_FLAG_FE | KEL_PORT_FLAG_STACK, {0, 0, 0}, 0, 1, 0, 1},  // unit 0 is no port
        {0, 0, 0, {1, 0, 1}, 0, 0, 0, 0},  // the driver described nothing
    };
    for (const RecordCase &c : cases) {
        kelsim::set_responder([c](kel_ioreq &b) {
            auto *rec = static_cast<uint8_t *>(kelsim::buffer_of(b));
            std::memcpy(rec + KEL_PORTINFO_UNIT, &c.unit, 4);
            std::memcpy(rec + KEL_PORTINFO_PORT, &c.port, 4);
            std::memcpy(rec + KEL_PORTINFO_FLAGS, &c.flags, 4);
            b.status = -1000;  // ignored by every predicate
            return true;
        });
        SCOPED_TRACE(testing::Message() << c.unit << "/" << c.port << " flags " << std::hex << c.flags);
        EXPECT_EQ(kel_is_system_ifport(&c.asked), c.ifport_);
        EXPECT_EQ(kel_is_system_feport(&c.asked), c.fe);
        EXPECT_EQ(kel_is_system_geport(&c.asked), c.ge);
        EXPECT_EQ(kel_is_stack_smart_port(&c.asked), c.stack);
    }
}

TEST_F(Wrappers, NullPortIsNoPort) {
    kelsim::clear_journal();
    EXPECT_EQ(kel_is_system_ifport(nullptr), 0);
    EXPECT_EQ(kel_is_stack_smart_port(nullptr), 0);
    EXPECT_EQ(kelsim::request_count(), 0u);
}

// The simulated switch behind the commands.
class Switch : public kel_test::SimTest {};

TEST_F(Switch, SettingsReadBackWhatWasSet) {
    uint32_t ip = 0, mask = 0, vid = 0, id = 0;
    ASSERT_EQ(kel_system_ip_mask_set(kIp, kMask), 0);
    ASSERT_EQ(kel_system_ip_mask_get(&ip, &mask), 0);
    EXPECT_EQ(ip, kIp);
    EXPECT_EQ(mask, kMask);
    ASSERT_EQ(kel_vlan_create(100), 0);  // the management VLAN must exist
    ASSERT_EQ(kel_system_vlan_id_set(100), 0);
    ASSERT_EQ(kel_system_vlan_id_get(&vid), 0);
    EXPECT_EQ(vid, 100u);
    ASSERT_EQ(kel_switch_stack_id_set(2), 0);
    ASSERT_EQ(kel_switch_stack_id_get(&id), 0);
    EXPECT_EQ(id, 2u);
    ASSERT_EQ(kel_switch_master_ipmask_set(kMask, kIp), 0);
    ASSERT_EQ(kel_switch_master_ipmask_get(&ip, &mask), 0);
    EXPECT_EQ(ip, kMask);
    ASSERT_EQ(kel_switch_stack_ipmask_set(2, kIp, kMask), 0);
    ASSERT_EQ(kel_switch_stack_ipmask_get(1, &ip, &mask), 0);
    EXPECT_EQ(ip, 0u);  // per unit
    ASSERT_EQ(kel_switch_stack_ipmask_get(2, &ip, &mask), 0);
    EXPECT_EQ(ip, kIp);
}

TEST_F(Switch, RefusesImpossibleValues) {
    EXPECT_EQ(kel_system_vlan_id_set(0), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_system_vlan_id_set(4095), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_switch_stack_id_set(9), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_switch_stack_ipmask_set(3, kIp, kMask), KEL_DRV_ERR_NO_SUCH_PORT);  // absent unit
    uint32_t vid = 0;
    ASSERT_EQ(kel_system_vlan_id_get(&vid), 0);
    EXPECT_EQ(vid, 1u);  // unchanged
    uint32_t count = 5;
    EXPECT_EQ(kel_stack_nr_ports_get(9, &count), KEL_DRV_ERR_NO_SUCH_PORT);
    EXPECT_EQ(count, 0u);
}

TEST_F(Switch, PortNamesFollowTheTopology) {
    char name[32];
    ifport fe{1, 0, 1}, ge{2, 0, 25}, none{1, 0, 27};
    ASSERT_EQ(kel_ifport_name_get(&fe, name, sizeof name), 0);
    EXPECT_STREQ(name, "fastethernet1/0/1");
    ASSERT_EQ(kel_ifport_name_get(&ge, name, sizeof name), 0);
    EXPECT_STREQ(name, "gigabitethernet2/0/25");
    EXPECT_EQ(kel_ifport_name_get(&none, name, sizeof name), KEL_DRV_ERR_NO_SUCH_PORT);
    EXPECT_EQ(kel_ifport_name_get(&ge, name, 21), KEL_DRV_ERR_BUFFER_TOO_SMALL);  // 21 + terminator needed
    EXPECT_EQ(kel_ifport_name_get(&ge, name, 22), 0);
    ASSERT_EQ(kel_ifname_short_get(&ge, name, sizeof name), 0);
    EXPECT_STREQ(name, "gi2/0/25");
    EXPECT_EQ(kel_ifname_short_get(&ge, name, 8), KEL_ERR_PARAM);  // "gi2/0/25" needs 9
    EXPECT_EQ(kel_ifname_short_get(&none, name, sizeof name), KEL_DRV_ERR_NO_SUCH_PORT);
}

TEST_F(Switch, PortRecordsAndCounts) {
    uint32_t count = 0;
    ASSERT_EQ(kel_system_nr_ports_get(&count), 0);
    EXPECT_EQ(count, 52u);
    ifport p{2, 0, 26};
    kel_drv_portinfo rec;
    ASSERT_EQ(kel_system_port_info_get(&p, &rec), 0);
    EXPECT_STREQ(rec.name, "gigabitethernet2/0/26");
    EXPECT_EQ(rec.index, 52u);
    EXPECT_EQ(rec.flags, KEL_PORT_FLAG_GE);
    EXPECT_EQ(kel_is_system_ifport(&p), 1);
    EXPECT_EQ(kel_is_system_geport(&p), 1);
    EXPECT_EQ(kel_is_system_feport(&p), 0);
    EXPECT_EQ(kel_is_stack_smart_port(&p), 0);
    ifport absent{3, 0, 1};
    EXPECT_EQ(kel_is_system_ifport(&absent), 0);
}

class StackedSwitch : public kel_test::SimTest {
    const char *layout() const override { return "24fe,2ge/stack;-;8ge"; }
};

TEST_F(StackedSwitch, UnitsStackPortsAndMaster) {
    uint32_t counts[9] = {};
    for (uint32_t u = 1; u <= 8; ++u) {
        ASSERT_EQ(kel_stack_nr_ports_get(u, &counts[u]), 0);
    }
    EXPECT_EQ(counts[1], 26u);
    EXPECT_EQ(counts[2], 0u);
    EXPECT_EQ(counts[3], 8u);
    ifport stack{1, 0, 25}, plain{1, 0, 24}, ge3{3, 0, 8};
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
    EXPECT_EQ(info.priority, 8u);
    EXPECT_EQ(info.ge_ports, 8u);
    EXPECT_EQ(kel_stack_info_get(2, &info), KEL_DRV_ERR_NO_SUCH_PORT);
    EXPECT_EQ(kel_stack_priority_set(1, 9), KEL_DRV_ERR_BAD_VALUE);
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
    uint32_t sync = 7;
    ASSERT_EQ(kel_stack_firmware_sync_get(&sync), 0);
    EXPECT_EQ(sync, 0u);
    ASSERT_EQ(kel_stack_firmware_sync_set(), 0);
    ASSERT_EQ(kel_stack_firmware_sync_get(&sync), 0);
    EXPECT_EQ(sync, 1u);
    EXPECT_EQ(kel_is_switch_stackable(), 1);  // two units
}

}  // namespace
