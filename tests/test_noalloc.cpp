// The utilities allocate nothing (the text helpers, CRC-32, names, lists,
// address helpers and parsers), except the one 512-byte list of
// kel_port_vlans_is_equal, which is freed before it returns. The command
// wrappers are held to the same by their tables (kel_test::expect_sends). Counted by alloc_counter.h; under
// the sanitizers' own allocator the check is left out.
#include <cstdlib>
#include <cstring>
#include <functional>

#include "alloc_counter.h"
#include "area_vlan.h"
#include "sim_fixture.h"

namespace {

using kel_test::Allocations;
using kel_test::allocations_in;

class NoAllocation : public kel_test::SimTest {
protected:
    void SetUp() override {
        if (!kel_test::kCountingAllocator) GTEST_SKIP() << "the sanitizer's allocator is in charge";
        kel_test::SimTest::SetUp();
        ASSERT_EQ(kel_vlan_create(10), 0);
    }
};

TEST_F(NoAllocation, NamesListsAddressesParsersAndVlanCommands) {
    Allocations got;
    got = allocations_in([] {});  // the counters themselves work
    EXPECT_EQ(got.calls, 0);
    got = allocations_in([] {
        static void *volatile kept;  // volatile: the pair may not be optimised away
        kept = std::malloc(3);
        std::free(kept);
    });
    ASSERT_EQ(got.calls, 1) << "the malloc hook is not in place";
    got = allocations_in([] {
        ifport p{1, 0, 1}, q{};
        char text[40];
        int32_t v = 0;
        uint32_t u = 0, a = 0, m = 0;
        uint8_t mac[6];
        iflist ports{};
        vlanlist vlans{};
        vlaninfo info;
        kel_ifname2ifport("fa1/0/1", &q);
        kel_ifname2ifport("FASTETHERNET1/0/99", &q);
        kel_ifname_short_get(&p, text, sizeof text);
        kel_ifname_long_get(&p, text, sizeof text);
        kel_ifname2vlan("sw0.12", &v);
        kel_ifname2vlan("sw0", &v);
        kel_vlan2ifname(12, text);
        kel_is_port_ifname("gi2/0/25");
        kel_is_portrange_ifname("fa1/0/1-24");
        kel_is_vlan_ifname("vlan10");
        kel_is_system_ifname("lo");
        kel_iftab_idx2ifport(40, &q);
        kel_iftab_ifport2idx(&q, &v);
        kel_cli_iflist_get("fa1/0/1-24,gi1/0/25,fa2/0/3", &ports);
        kel_cli_iflist_get("fa1/0/99", &ports);
        kel_iflist_port_count(&ports);
        kel_iflist_port_get1st(&ports, &q);
        kel_iflist_port_getnext(&ports, &q);
        kel_iflist_is_full(&ports);
        kel_iflist_is_empty(&ports);
        kel_cli_vlanlist_get("1-4094", &vlans);
        kel_cli_vlanlist_get("1,4095", &vlans);
        kel_vlanlist_id_getnext(&vlans, &v);
        kel_vlanlist_is_full(&vlans);
        kel_vlanlist_is_empty(&vlans);
        kel_mac_addr_get("0012.3456.789a", mac);
        kel_is_mcast_mac_addr(mac);
        kel_ippref2ipmask("192.168.1.10/24", &a, &m);
        kel_ip_addr_get("10.1.2.3", &a);
        kel_cli_ipaddr_get("10.1.2.3", &a);
        kel_cli_vlan_id_get("100", &u);
        kel_cli_acl_ipprot_get("tcp", &u);
        std::strcpy(text, "u:p@h:21/f");
        char *pieces[5];
        kel_cli_url_tokenize(text, &pieces[0], &pieces[1], &pieces[2], &pieces[3], &pieces[4]);
        kel_vlan_create(20);
        kel_vlan_name_set(20, "lab", 3);
        kel_vlan_name_get(20, text, sizeof text);
        kel_vlanlist_get(&vlans);
        kel_vlan_get(20, &info);
        kel_vlan_get_by_name("lab", &info);
        kel_vlan_destroy(20);
        std::strcpy(text, "  word rest");
        kel_strtrim(text);
        kel_atoi(" -42", &v);
        kel_crc32(0, mac, sizeof mac);
        kel_errstr(-1);
        kel_user();
    });
    EXPECT_EQ(got.calls, 0);
    EXPECT_EQ(got.releases, 0);
}

TEST_F(NoAllocation, ExceptTheOneListOfTheMembershipComparison) {
    Allocations got;
    const ifport a{1, 0, 1}, b{2, 0, 2}, none{1, 0, 30};
    int32_t same = -1;
    got = allocations_in([&] { same = kel_port_vlans_is_equal(&a, &b); });
    EXPECT_EQ(same, 1);
    EXPECT_EQ(got.calls, 1);
    EXPECT_EQ(got.bytes, sizeof(vlanlist));
    EXPECT_EQ(got.releases, 1);
    got = allocations_in([&] { same = kel_port_vlans_is_equal(&a, &none); });  // refused before allocating
    EXPECT_EQ(same, 0);
    EXPECT_EQ(got.calls, 0);
    kelsim::with_model(
        [](kelsim::Model &m) { kelsim::vlan_set_port(m, 10, KEL_DRV_VLAN_MEMBERS, 1, 1, true); });
    got = allocations_in([&] { same = kel_port_vlans_is_equal(&a, &b); });  // the early answer frees too
    EXPECT_EQ(same, 0);
    EXPECT_EQ(got.calls, 1);
    EXPECT_EQ(got.releases, 1);
}

}  // namespace
