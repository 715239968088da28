// The names, lists, address helpers, parsers and VLAN commands allocate
// nothing, except the one 512-byte list of kel_port_vlans_is_equal, which is
// freed before it returns. The executable's own malloc family counts every
// call made while a check is armed (libkel.so's calls reach it too). The
// sanitizers bring their own allocator, so under them the check is left out.
#include <atomic>
#include <cstdlib>
#include <functional>

#include "area_vlan.h"
#include "sim_fixture.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define KEL_FOREIGN_ALLOCATOR 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KEL_FOREIGN_ALLOCATOR 1
#endif

namespace {

std::atomic<bool> armed{false};
std::atomic<int> allocations{0}, releases{0};
std::atomic<size_t> allocated_bytes{0};

}  // namespace

#ifndef KEL_FOREIGN_ALLOCATOR
namespace {

void count_allocation(size_t bytes) {
    if (!armed.load(std::memory_order_relaxed)) return;
    ++allocations;
    allocated_bytes += bytes;
}

}  // namespace

extern "C" {
void *__libc_malloc(size_t);
void *__libc_calloc(size_t, size_t);
void *__libc_realloc(void *, size_t);
void __libc_free(void *);

void *malloc(size_t n) {
    count_allocation(n);
    return __libc_malloc(n);
}
void *calloc(size_t n, size_t size) {
    count_allocation(n * size);
    return __libc_calloc(n, size);
}
void *realloc(void *p, size_t n) {
    count_allocation(n);
    return __libc_realloc(p, n);
}
void free(void *p) {
    if (p && armed.load(std::memory_order_relaxed)) ++releases;
    __libc_free(p);
}
}  // extern "C"
#endif

namespace {

// Runs f with the counters armed.
void counted(const std::function<void()> &f) {
    allocations = 0;
    releases = 0;
    allocated_bytes = 0;
    armed = true;
    f();
    armed = false;
}

class NoAllocation : public kel_test::SimTest {
protected:
    void SetUp() override {
#ifdef KEL_FOREIGN_ALLOCATOR
        GTEST_SKIP() << "the sanitizer's allocator is in charge";
#endif
        kel_test::SimTest::SetUp();
        ASSERT_EQ(kel_vlan_create(10), 0);
    }
};

TEST_F(NoAllocation, NamesListsAddressesParsersAndVlanCommands) {
    counted([] {});  // the counters themselves work
    EXPECT_EQ(allocations, 0);
    counted([] { std::free(std::malloc(3)); });
    ASSERT_EQ(allocations, 1) << "the malloc hook is not in place";
    counted([] {
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
    });
    EXPECT_EQ(allocations, 0);
    EXPECT_EQ(releases, 0);
}

TEST_F(NoAllocation, ExceptTheOneListOfTheMembershipComparison) {
    const ifport a{1, 0, 1}, b{2, 0, 2}, none{1, 0, 30};
    int32_t same = -1;
    counted([&] { same = kel_port_vlans_is_equal(&a, &b); });
    EXPECT_EQ(same, 1);
    EXPECT_EQ(allocations, 1);
    EXPECT_EQ(allocated_bytes, sizeof(vlanlist));
    EXPECT_EQ(releases, 1);
    counted([&] { same = kel_port_vlans_is_equal(&a, &none); });  // refused before allocating
    EXPECT_EQ(same, 0);
    EXPECT_EQ(allocations, 0);
    kelsim::with_model(
        [](kelsim::Model &m) { kelsim::vlan_set_port(m, 10, kelsim::kVlanMembers, 1, 1, true); });
    counted([&] { same = kel_port_vlans_is_equal(&a, &b); });  // the early answer frees too
    EXPECT_EQ(same, 0);
    EXPECT_EQ(allocations, 1);
    EXPECT_EQ(releases, 1);
}

}  // namespace
