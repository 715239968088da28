// VLAN commands (0x06): what each wrapper sends and returns, then the
// simulated switch's VLAN table behind them.
#include <functional>

#include "area_vlan.h"
#include "kel_driver.h"
#include "sim_fixture.h"

namespace {

using kel_test::Answer;
using kel_test::expect_block;
using kel_test::kSomeBuffer;
using kel_test::last_sent;
using kel_test::SendCase;
using kel_test::Word;
using kelsim::request_count;

char g_name[40] = "office";
vlaninfo g_info;
vlanlist g_list;

const std::vector<SendCase> kSends = {
    {"vlan_create", [] { return kel_vlan_create(10); }, 0x0601, {{20, 10}}, nullptr},
    {"vlan_create 0", [] { return kel_vlan_create(0); }, 0x0601, {}, nullptr},
    {"vlan_create 5000", [] { return kel_vlan_create(5000); }, 0x0601, {{20, 5000}}, nullptr},
    {"vlan_destroy", [] { return kel_vlan_destroy(20); }, 0x0602, {{20, 20}}, nullptr},
    {"vlanlist_get", [] { return kel_vlanlist_get(&g_list); }, 0x0603, {}, kSomeBuffer},
    {"vlan_get", [] { return kel_vlan_get(30, &g_info); }, 0x0604, {{20, 30}}, kSomeBuffer},
    {"vlan_name_set",
     [] { return kel_vlan_name_set(40, g_name, 6); },
     0x0605,
     {{20, 40}, {84, 6}},
     kSomeBuffer},
    {"vlan_name_get",
     [] { return kel_vlan_name_get(50, g_name, sizeof g_name); },
     0x0606,
     {{20, 50}, {84, sizeof g_name}},
     kSomeBuffer},
    {"vlan_name_get len 0", [] { return kel_vlan_name_get(50, g_name, 0); }, 0x0606, {{20, 50}}, kSomeBuffer},
    {"vlan_get null", [] { return kel_vlan_get(7, nullptr); }, 0x0604, {{20, 7}}, nullptr},
};

class VlanWrappers : public kel_test::SimTest {};

TEST_F(VlanWrappers, EachSendsItsCodeAndWords) { kel_test::expect_sends(kSends); }

TEST_F(VlanWrappers, BuffersTravelByAddress) {
    kel_vlan_get(3, &g_info);
    EXPECT_EQ(kelsim::buffer_of(last_sent().block), &g_info);
    kel_vlanlist_get(&g_list);
    EXPECT_EQ(kelsim::buffer_of(last_sent().block), &g_list);
    kel_vlan_name_set(3, g_name, 0);
    EXPECT_EQ(kelsim::buffer_of(last_sent().block), g_name);
}

TEST_F(VlanWrappers, LookupByNameAsksForTheIdItWasGiven) {
    kelsim::set_responder([](kel_ioreq &b) {
        if (b.cmd == 0x0607) b.vid = 77, b.status = KEL_DRV_ERR_BAD_VALUE;  // a status is not looked at
        if (b.cmd == 0x0604) b.status = KEL_DRV_ERR_TABLE_FULL;
        return true;
    });
    EXPECT_EQ(kel_vlan_get_by_name("office", &g_info), KEL_DRV_ERR_TABLE_FULL);
    std::vector<kelsim::Sent> j = kelsim::journal();
    ASSERT_EQ(j.size(), 2u);
    expect_block(j[0].block, 0x0607, {}, true);
    EXPECT_STREQ(reinterpret_cast<const char *>(j[0].record), "office");
    expect_block(j[1].block, 0x0604, {{20, 77}}, true);
    EXPECT_EQ(kelsim::buffer_of(j[1].block), &g_info);
}

// The simulated switch.
class VlanTable : public kel_test::SimTest {
protected:
    static std::vector<int32_t> existing() {
        vlanlist l;
        EXPECT_EQ(kel_vlanlist_get(&l), 0);
        std::vector<int32_t> ids;
        for (int32_t v = 0; kel_vlanlist_id_getnext(&l, &v) == 0;) ids.push_back(v);
        return ids;
    }
    static kel_drv_vlan record(uint32_t vid) {
        kel_drv_vlan r{};
        EXPECT_EQ(kel_vlan_get(vid, reinterpret_cast<vlaninfo *>(&r)), 0);
        return r;
    }
};

TEST_F(VlanTable, VlanOneHoldsEveryPortAtStart) {
    EXPECT_EQ(existing(), std::vector<int32_t>{1});
    kel_drv_vlan r = record(1);
    EXPECT_EQ(r.vid, 1u);
    EXPECT_EQ(r.flags, KEL_DRV_VLAN_FLAG_DEFAULT | KEL_DRV_VLAN_FLAG_MANAGEMENT);
    EXPECT_STREQ(r.name, "default");
    for (int s : {KEL_DRV_VLAN_MEMBERS, KEL_DRV_VLAN_UNTAGGED, KEL_DRV_VLAN_NATIVE}) {
        EXPECT_EQ(r.set[s].word[0], (1u << 26) - 1) << s;
        EXPECT_EQ(r.set[s].word[1], (1u << 26) - 1) << s;
        EXPECT_EQ(r.ports[s], 52u) << s;
    }
    EXPECT_EQ(kel_iflist_is_empty(&r.set[KEL_DRV_VLAN_FORBIDDEN]), 1);
    EXPECT_EQ(r.ports[KEL_DRV_VLAN_FORBIDDEN], 0u);
}

TEST_F(VlanTable, CreateAndDestroy) {
    EXPECT_EQ(kel_vlan_create(10), 0);
    EXPECT_EQ(kel_vlan_create(4094), 0);
    EXPECT_EQ(kel_vlan_create(10), KEL_DRV_ERR_EXISTS);
    EXPECT_EQ(kel_vlan_create(0), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_vlan_create(4095), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(existing(), (std::vector<int32_t>{1, 10, 4094}));
    kel_drv_vlan r = record(10);
    EXPECT_STREQ(r.name, "VLAN0010");
    EXPECT_EQ(r.flags, 0u);
    for (const iflist &set : r.set) EXPECT_EQ(kel_iflist_is_empty(&set), 1);
    EXPECT_EQ(kel_vlan_destroy(10), 0);
    EXPECT_EQ(kel_vlan_destroy(10), KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(kel_vlan_destroy(9), KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(kel_vlan_destroy(1), KEL_DRV_ERR_NOT_PERMITTED);
    EXPECT_EQ(existing(), (std::vector<int32_t>{1, 4094}));
    vlaninfo info;
    EXPECT_EQ(kel_vlan_get(10, &info), KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(kel_vlan_get(0, &info), KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(kel_vlan_get(1, nullptr), KEL_DRV_ERR_NULL_BUFFER);
    EXPECT_EQ(kel_vlanlist_get(nullptr), KEL_DRV_ERR_NULL_BUFFER);
}

TEST_F(VlanTable, ManagementVlanMustExistAndStays) {
    EXPECT_EQ(kel_system_vlan_id_set(20), KEL_DRV_ERR_NO_SUCH_ENTRY);
    ASSERT_EQ(kel_vlan_create(20), 0);
    ASSERT_EQ(kel_system_vlan_id_set(20), 0);
    EXPECT_EQ(kel_vlan_destroy(20), KEL_DRV_ERR_NOT_PERMITTED);
    EXPECT_EQ(record(20).flags, KEL_DRV_VLAN_FLAG_MANAGEMENT);
    EXPECT_EQ(record(1).flags, KEL_DRV_VLAN_FLAG_DEFAULT);
    char sw0[9];
    ASSERT_EQ(kel_vlan2ifname(20, sw0), 0);
    EXPECT_STREQ(sw0, "sw0");
}

TEST_F(VlanTable, NamesHonourLenBothWays) {
    ASSERT_EQ(kel_vlan_create(10), 0);
    ASSERT_EQ(kel_vlan_name_set(10, "office-floor", 6), 0);  // only len bytes are read
    char name[40];
    ASSERT_EQ(kel_vlan_name_get(10, name, sizeof name), 0);
    EXPECT_STREQ(name, "office");
    EXPECT_EQ(kel_vlan_name_get(10, name, 6), KEL_DRV_ERR_BUFFER_TOO_SMALL);  // no room for the terminator
    std::memset(name, '#', sizeof name);
    ASSERT_EQ(kel_vlan_name_get(10, name, 7), 0);
    EXPECT_STREQ(name, "office");
    EXPECT_EQ(name[7], '#');
    char lab[100] = "lab";
    ASSERT_EQ(kel_vlan_name_set(10, lab, sizeof lab), 0);  // or up to the terminator
    const std::string longest(KEL_DRV_VLAN_NAME_MAX, 'n');
    EXPECT_EQ(kel_vlan_name_set(10, longest.c_str(), KEL_DRV_VLAN_NAME_MAX + 1), 0);
    EXPECT_EQ(kel_vlan_name_set(10, (longest + "n").c_str(), KEL_DRV_VLAN_NAME_MAX + 2),
              KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_vlan_name_set(10, (longest + "n").c_str(), KEL_DRV_VLAN_NAME_MAX), 0);
    lab[0] = '\0';
    EXPECT_EQ(kel_vlan_name_set(10, lab, sizeof lab), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_vlan_name_set(10, "lab", 0), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_vlan_name_set(10, "a\tb", 3), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_vlan_name_set(10, "default", 7), KEL_DRV_ERR_EXISTS);  // VLAN 1's name
    EXPECT_EQ(kel_vlan_name_set(10, nullptr, 7), KEL_DRV_ERR_NULL_BUFFER);
    EXPECT_EQ(kel_vlan_name_set(11, "x", 1), KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(kel_vlan_name_get(11, name, sizeof name), KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_STREQ(record(10).name, longest.c_str());
}

TEST_F(VlanTable, LookupByName) {
    ASSERT_EQ(kel_vlan_create(300), 0);
    ASSERT_EQ(kel_vlan_name_set(300, "voice", 5), 0);
    kel_drv_vlan r{};
    ASSERT_EQ(kel_vlan_get_by_name("voice", reinterpret_cast<vlaninfo *>(&r)), 0);
    EXPECT_EQ(r.vid, 300u);
    EXPECT_EQ(kel_vlan_get_by_name("VLAN0300", reinterpret_cast<vlaninfo *>(&r)), KEL_DRV_ERR_NO_SUCH_ENTRY);
    ASSERT_EQ(kel_vlan_get_by_name("default", reinterpret_cast<vlaninfo *>(&r)), 0);
    EXPECT_EQ(r.vid, 1u);
    kelsim::clear_journal();
    EXPECT_EQ(kel_vlan_get_by_name("Voice", reinterpret_cast<vlaninfo *>(&r)), KEL_DRV_ERR_NO_SUCH_ENTRY);
    std::vector<kelsim::Sent> j = kelsim::journal();
    ASSERT_EQ(j.size(), 2u);
    EXPECT_EQ(j[1].block.cmd, 0x0604u);
    EXPECT_EQ(j[1].block.vid, 0u);  // an unknown name leads to VLAN 0
    const std::string too_long(KEL_DRV_VLAN_NAME_MAX + 1, 'v');
    EXPECT_EQ(kel_vlan_get_by_name(too_long.c_str(), reinterpret_cast<vlaninfo *>(&r)),
              KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(kel_vlan_get_by_name(nullptr, reinterpret_cast<vlaninfo *>(&r)), KEL_DRV_ERR_NO_SUCH_ENTRY);
}

TEST_F(VlanTable, MembershipFromTheModelAndBackToVlanOne) {
    ASSERT_EQ(kel_vlan_create(10), 0);
    kelsim::with_model([](kelsim::Model &m) {
        EXPECT_TRUE(kelsim::vlan_exists(m, 10));
        EXPECT_FALSE(kelsim::vlan_exists(m, 11));
        EXPECT_FALSE(kelsim::vlan_exists(m, 0));
        EXPECT_FALSE(kelsim::vlan_exists(m, 4095));
        // Port 2/0/5 moves to VLAN 10 as its native VLAN.
        for (kel_drv_vlan_set s : {KEL_DRV_VLAN_MEMBERS, KEL_DRV_VLAN_UNTAGGED, KEL_DRV_VLAN_NATIVE}) {
            kelsim::vlan_set_port(m, 1, s, 2, 5, false);
            kelsim::vlan_set_port(m, 10, s, 2, 5, true);
        }
        kelsim::vlan_set_port(m, 10, KEL_DRV_VLAN_FORBIDDEN, 1, 26, true);
        kelsim::vlan_set_port(m, 10, KEL_DRV_VLAN_MEMBERS, 1, 27, true);  // no such port: ignored
        kelsim::vlan_set_port(m, 11, KEL_DRV_VLAN_MEMBERS, 1, 1, true);   // no such VLAN: ignored
        EXPECT_TRUE(kelsim::vlan_has_port(m, 10, KEL_DRV_VLAN_NATIVE, 2, 5));
        EXPECT_FALSE(kelsim::vlan_has_port(m, 1, KEL_DRV_VLAN_NATIVE, 2, 5));
    });
    kel_drv_vlan r = record(10);
    EXPECT_EQ(r.set[KEL_DRV_VLAN_MEMBERS].word[1], 1u << 4);
    EXPECT_EQ(r.set[KEL_DRV_VLAN_FORBIDDEN].word[0], 1u << 25);
    EXPECT_EQ(r.ports[KEL_DRV_VLAN_MEMBERS], 1u);
    EXPECT_EQ(record(1).ports[KEL_DRV_VLAN_MEMBERS], 51u);
    ASSERT_EQ(kel_vlan_destroy(10), 0);  // 2/0/5 falls back to VLAN 1
    r = record(1);
    for (int s : {KEL_DRV_VLAN_MEMBERS, KEL_DRV_VLAN_UNTAGGED, KEL_DRV_VLAN_NATIVE})
        EXPECT_EQ(r.ports[s], 52u);
    ASSERT_EQ(kel_vlan_create(10), 0);
    EXPECT_EQ(record(10).ports[KEL_DRV_VLAN_FORBIDDEN], 0u);  // a new VLAN starts empty
}

}  // namespace
