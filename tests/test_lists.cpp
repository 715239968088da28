// Port lists and VLAN lists: counting and walking against the ports that
// exist, the full and empty tests, the VLAN walk, and the comparison of two
// ports' VLAN memberships.
#include <malloc.h>

#include "kel_driver.h"
#include "model/area_vlan.h"
#include "sim_fixture.h"

namespace {

using kel_test::ports;
using kel_test::vlans;

using kelsim::request_count;

// The whole walk of a list, as "u/p" texts, starting from the given cursor.
std::vector<std::string> walk(const iflist &l, ifport cursor = {0, 0, 0}) {
    std::vector<std::string> out;
    while (kel_iflist_port_getnext(&l, &cursor) == 0)
        out.push_back(std::to_string(cursor.unit) + "/" + std::to_string(cursor.port));
    return out;
}

using Strings = std::vector<std::string>;

class PortLists : public kel_test::SimTest {};

TEST_F(PortLists, CountAndWalk) {
    const iflist l = ports({{1, 0, 1}, {1, 0, 26}, {2, 0, 1}});
    kelsim::clear_journal();
    EXPECT_EQ(kel_iflist_port_count(&l), 3u);
    EXPECT_EQ(request_count(), 8u);  // every unit, always
    ifport p{5, 42, 5};
    kelsim::clear_journal();
    ASSERT_EQ(kel_iflist_port_get1st(&l, &p), 0);
    EXPECT_EQ(p.unit, 1);
    EXPECT_EQ(p.port, 1);
    EXPECT_EQ(p.slot, 42);  // never read or written
    EXPECT_EQ(request_count(), 1u);
    EXPECT_EQ(walk(l), (Strings{"1/1", "1/26", "2/1"}));
    EXPECT_EQ(walk(l, {1, 0, 0}), (Strings{"1/1", "1/26", "2/1"}));
    EXPECT_EQ(walk(l, {1, 0, 1}), (Strings{"1/26", "2/1"}));
    EXPECT_EQ(walk(l, {-4, 0, 1}), (Strings{"1/26", "2/1"}));  // unit below 1 is unit 1, port kept
    EXPECT_EQ(walk(l, {1, 0, INT32_MAX}), (Strings{"2/1"}));
    ifport end{2, 9, 1};
    kelsim::clear_journal();
    EXPECT_EQ(kel_iflist_port_getnext(&l, &end), KEL_ERR_NOT_FOUND);
    EXPECT_EQ(end.unit, 2);
    EXPECT_EQ(end.slot, 9);
    EXPECT_EQ(end.port, 0);
    EXPECT_EQ(request_count(), 7u);  // units 2 to 8
    ifport beyond{9, 0, 0};
    kelsim::clear_journal();
    EXPECT_EQ(kel_iflist_port_getnext(&l, &beyond), KEL_ERR_NOT_FOUND);
    EXPECT_EQ(request_count(), 0u);
}

TEST_F(PortLists, BitsOfPortsThatDoNotExistAreInvisible) {
    const iflist l = ports({{1, 0, 32}, {3, 0, 1}});
    EXPECT_EQ(kel_iflist_is_empty(&l), 0);
    EXPECT_EQ(kel_iflist_port_count(&l), 0u);
    ifport p{7, 7, 7};
    EXPECT_EQ(kel_iflist_port_get1st(&l, &p), KEL_ERR_NOT_FOUND);
    EXPECT_EQ(p.unit, 7);  // not written
    EXPECT_EQ(p.port, 7);
    EXPECT_EQ(kel_iflist_is_full(&l), 0);
    EXPECT_TRUE(walk(l).empty());
}

TEST_F(PortLists, FullAndEmpty) {
    iflist all{};
    all.word[0] = all.word[1] = (1u << 26) - 1;
    kelsim::clear_journal();
    EXPECT_EQ(kel_iflist_is_full(&all), 1);
    EXPECT_EQ(request_count(), 8u);
    all.word[5] = 0xF0F0u;  // bits of ports that do not exist are not looked at
    EXPECT_EQ(kel_iflist_is_full(&all), 1);
    EXPECT_EQ(kel_iflist_port_count(&all), 52u);
    all.word[0] &= ~(1u << 13);
    kelsim::clear_journal();
    EXPECT_EQ(kel_iflist_is_full(&all), 0);
    EXPECT_EQ(request_count(), 1u);  // stops at the first missing port
    const iflist none{};
    EXPECT_EQ(kel_iflist_is_empty(&none), 1);
    EXPECT_EQ(kel_iflist_is_full(&none), 0);
    EXPECT_EQ(kel_iflist_is_empty(nullptr), 1);
    EXPECT_EQ(kel_iflist_is_full(nullptr), 0);
    EXPECT_EQ(kel_iflist_port_count(nullptr), 0u);
    ifport p{};
    EXPECT_EQ(kel_iflist_port_get1st(nullptr, &p), KEL_ERR_PARAM);
    EXPECT_EQ(kel_iflist_port_get1st(&none, nullptr), KEL_ERR_PARAM);
    EXPECT_EQ(kel_iflist_port_getnext(nullptr, &p), KEL_ERR_PARAM);
    EXPECT_EQ(kel_iflist_port_getnext(&none, nullptr), KEL_ERR_PARAM);
    kelsim::fail_port_count(2);  // a unit whose count fails has no ports
    EXPECT_EQ(kel_iflist_port_count(&all), 25u);
}

class AbsentUnitLists : public kel_test::SimTest {
    const char *layout() const override { return "-;24fe,2ge;-;8ge"; }
};

TEST_F(AbsentUnitLists, SkipAbsentUnits) {
    iflist l = ports({{1, 0, 1}, {2, 0, 3}, {4, 0, 8}, {4, 0, 9}});
    EXPECT_EQ(kel_iflist_port_count(&l), 2u);
    EXPECT_EQ(walk(l), (Strings{"2/3", "4/8"}));
    iflist all{};
    all.word[1] = (1u << 26) - 1;
    all.word[3] = 0xFFu;
    EXPECT_EQ(kel_iflist_is_full(&all), 1);
}

// Eight units of 32 ports, the most a list holds: every port alone in a
// list is counted, found first, walked to, and told apart by the VLAN
// membership comparison.
class FullStackLists : public kel_test::SimTest {
    const char *layout() const override { return "32ge;32ge;32ge;32ge;32ge;32ge;32ge;32ge"; }
};

TEST_F(FullStackLists, EveryPortAlone) {
    ASSERT_EQ(kel_vlan_create(10), 0);
    for (int32_t u = 1; u <= 8; ++u)
        for (int32_t port = 1; port <= 32; ++port) {
            SCOPED_TRACE(testing::Message() << u << "/0/" << port);
            const ifport p{u, 0, port}, q{9 - u, 0, 33 - port};
            const iflist l = ports({p});
            EXPECT_EQ(kel_iflist_port_count(&l), 1u);
            ifport first{};
            ASSERT_EQ(kel_iflist_port_get1st(&l, &first), 0);
            EXPECT_TRUE(first.unit == u && first.port == port);
            EXPECT_EQ(walk(l), Strings{std::to_string(u) + "/" + std::to_string(port)});
            EXPECT_EQ(kel_iflist_is_full(&l), 0);
            EXPECT_EQ(kel_iflist_is_empty(&l), 0);
            EXPECT_EQ(kel_port_vlans_is_equal(&p, &q), 1);
            kelsim::with_model(
                [&](kelsim::Model &m) { kelsim::vlan_set_port(m, 10, KEL_DRV_VLAN_MEMBERS, u, port, true); });
            EXPECT_EQ(kel_port_vlans_is_equal(&p, &q), 0);
            kelsim::with_model([&](kelsim::Model &m) {
                kelsim::vlan_set_port(m, 10, KEL_DRV_VLAN_MEMBERS, u, port, false);
            });
        }
    iflist all;
    for (uint32_t &w : all.word) w = ~0u;
    EXPECT_EQ(kel_iflist_is_full(&all), 1);
    EXPECT_EQ(kel_iflist_port_count(&all), 256u);
}

TEST(VlanLists, Walk) {
    const vlanlist l = vlans({1, 4094});
    const struct {
        int32_t from;
        int32_t rc;
        int32_t to;
    } cases[] = {{0, 0, 1},
                 {1, 0, 4094},
                 {4094, KEL_ERR_NOT_FOUND, 4094},
                 {4095, KEL_ERR_PARAM, 4095},
                 {-3, 0, 1},
                 {INT32_MIN, 0, 1},
                 {31, 0, 4094},
                 {INT32_MAX, KEL_ERR_PARAM, INT32_MAX}};
    for (const auto &c : cases) {
        int32_t vid = c.from;
        EXPECT_EQ(kel_vlanlist_id_getnext(&l, &vid), c.rc) << c.from;
        EXPECT_EQ(vid, c.to) << c.from;
    }
    // Bits 4095 and 4096 are never walked.
    vlanlist high{};
    high.word[127] = 0xC0000000u;
    int32_t vid = 0;
    EXPECT_EQ(kel_vlanlist_id_getnext(&high, &vid), KEL_ERR_NOT_FOUND);
    EXPECT_EQ(kel_vlanlist_id_getnext(nullptr, &vid), KEL_ERR_PARAM);
    EXPECT_EQ(kel_vlanlist_id_getnext(&l, nullptr), KEL_ERR_PARAM);
    // Every member of a dense list, in order.
    vlanlist dense{};
    for (int32_t v = 1; v <= 4094; v += 3) dense.word[(v - 1) / 32] |= 1u << ((v - 1) % 32);
    int32_t expected = 1, n = 0;
    for (vid = 0; kel_vlanlist_id_getnext(&dense, &vid) == 0; expected += 3, ++n) ASSERT_EQ(vid, expected);
    EXPECT_EQ(n, 1365);
}

TEST(VlanLists, FullAndEmpty) {
    vlanlist l{};
    for (uint32_t &w : l.word) w = ~0u;
    l.word[127] = 0x3FFFFFFFu;  // 4095 and 4096 clear
    EXPECT_EQ(kel_vlanlist_is_full(&l), 1);
    l.word[64] &= ~(1u << 7);
    EXPECT_EQ(kel_vlanlist_is_full(&l), 0);
    l.word[64] = ~0u;
    l.word[127] = 0x1FFFFFFFu;  // 4094 missing
    EXPECT_EQ(kel_vlanlist_is_full(&l), 0);
    vlanlist last{};
    last.word[127] = 0x80000000u;
    EXPECT_EQ(kel_vlanlist_is_empty(&last), 0);
    EXPECT_EQ(kel_vlanlist_is_full(&last), 0);
    const vlanlist none{};
    EXPECT_EQ(kel_vlanlist_is_empty(&none), 1);
    EXPECT_EQ(kel_vlanlist_is_empty(nullptr), 1);
    EXPECT_EQ(kel_vlanlist_is_full(nullptr), 0);
}

// Two ports' places in every VLAN.
class VlanMemberships : public kel_test::SimTest {
protected:
    void SetUp() override {
        kel_test::SimTest::SetUp();
        for (uint32_t vid : {10u, 20u, 30u}) ASSERT_EQ(kel_vlan_create(vid), 0);
    }
    static void put(uint32_t vid, kel_drv_vlan_set set, const ifport &p, bool on) {
        kelsim::with_model([&](kelsim::Model &m) {
            kelsim::vlan_set_port(m, vid, set, static_cast<uint32_t>(p.unit), static_cast<uint32_t>(p.port),
                                  on);
        });
    }
    const ifport a{1, 0, 3}, b{2, 0, 25};
};

TEST_F(VlanMemberships, EqualUntilOneSetDiffers) {
    kelsim::clear_journal();
    EXPECT_EQ(kel_port_vlans_is_equal(&a, &b), 1);  // both in VLAN 1 only, alike
    EXPECT_EQ(request_count(), 4u + 3u);            // one record per VLAN, plus three
    EXPECT_EQ(kel_port_vlans_is_equal(&a, &a), 1);
    for (kel_drv_vlan_set set :
         {KEL_DRV_VLAN_MEMBERS, KEL_DRV_VLAN_UNTAGGED, KEL_DRV_VLAN_FORBIDDEN, KEL_DRV_VLAN_NATIVE}) {
        SCOPED_TRACE(set);
        put(20, set, a, true);
        EXPECT_EQ(kel_port_vlans_is_equal(&a, &b), 0);
        EXPECT_EQ(kel_port_vlans_is_equal(&b, &a), 0);
        put(20, set, b, true);
        EXPECT_EQ(kel_port_vlans_is_equal(&a, &b), 1);
        put(20, set, a, false);
        put(20, set, b, false);
    }
}

// The comparison's one heap block is freed: once the allocator has settled,
// comparisons leave the heap's use as they found it.
TEST_F(VlanMemberships, FreesItsList) {
    put(20, KEL_DRV_VLAN_UNTAGGED, a, true);
    for (const ifport &other : {a, b}) {
        int32_t same = kel_port_vlans_is_equal(&a, &other);
        size_t before = mallinfo2().uordblks;
        for (int i = 0; i < 8; ++i) EXPECT_EQ(kel_port_vlans_is_equal(&a, &other), same);
        EXPECT_EQ(mallinfo2().uordblks, before);
    }
}

TEST_F(VlanMemberships, MissingPortsAndUnreadableRecords) {
    const ifport none{1, 0, 27}, unit3{3, 0, 1};
    EXPECT_EQ(kel_port_vlans_is_equal(&a, &none), 0);
    EXPECT_EQ(kel_port_vlans_is_equal(&unit3, &a), 0);
    EXPECT_EQ(kel_port_vlans_is_equal(nullptr, &a), 0);
    EXPECT_EQ(kel_port_vlans_is_equal(&a, nullptr), 0);
    put(30, KEL_DRV_VLAN_MEMBERS, a, true);
    kelsim::set_responder([](kel_ioreq &blk) {  // VLAN 30's record cannot be read
        if (blk.cmd != 0x0604 || blk.vid != 30) return false;
        blk.status = KEL_DRV_ERR_NO_SUCH_ENTRY;
        return true;
    });
    EXPECT_EQ(kel_port_vlans_is_equal(&a, &b), 1);
    kelsim::set_responder(nullptr);
    EXPECT_EQ(kel_port_vlans_is_equal(&a, &b), 0);
    kelsim::set_responder([](kel_ioreq &blk) {
        if (blk.cmd != 0x0603) return false;
        blk.status = KEL_DRV_ERR_BAD_VALUE;  // a failed VLAN list walks no VLANs
        return true;
    });
    kelsim::clear_journal();
    EXPECT_EQ(kel_port_vlans_is_equal(&a, &b), 1);
    EXPECT_EQ(request_count(), 3u);
}

}  // namespace
