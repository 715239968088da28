// No command allocates: every system and stacking command, and the text
// and CRC helpers, run under a counting allocator that sees every malloc of
// the process (the library's, the C library's and the in-process driver's).
// Sanitizer builds bring their own allocator, so there the count is left out.
// Each command area adds its commands to kCases.
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "records.h"
#include "sim_fixture.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KEL_OWN_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define KEL_OWN_ALLOCATOR 1
#endif
#endif

#ifndef KEL_OWN_ALLOCATOR
namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
inline void count() {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
}
}  // namespace

// The C library's allocator under its internal names, wrapped so that every
// allocation of the process passes a counter.
extern "C" {
void *__libc_malloc(size_t);
void *__libc_calloc(size_t, size_t);
void *__libc_realloc(void *, size_t);
void *__libc_memalign(size_t, size_t);
void __libc_free(void *);

void *malloc(size_t n) {
    count();
    return __libc_malloc(n);
}
void *calloc(size_t k, size_t n) {
    count();
    return __libc_calloc(k, n);
}
void *realloc(void *p, size_t n) {
    count();
    return __libc_realloc(p, n);
}
void *memalign(size_t a, size_t n) {
    count();
    return __libc_memalign(a, n);
}
void *aligned_alloc(size_t a, size_t n) { return memalign(a, n); }
int posix_memalign(void **out, size_t a, size_t n) {
    void *p = memalign(a, n);
    if (!p) return ENOMEM;
    *out = p;
    return 0;
}
void free(void *p) { __libc_free(p); }
}  // extern "C"

namespace {

// The allocations made while f runs.
long allocations_in(const std::function<void()> &f) {
    allocations = 0;
    counting = true;
    f();
    counting = false;
    return allocations.load();
}

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
};

class Allocations : public kel_test::SimTest {};

TEST_F(Allocations, CounterSeesAnAllocation) {
    static void *volatile kept;
    EXPECT_EQ(allocations_in([] { kept = std::malloc(16); }), 1);
    std::free(kept);
}

TEST_F(Allocations, NoCommandAllocates) {
    for (const Case &c : kCases) EXPECT_EQ(allocations_in(c.call), 0) << c.name;
}

TEST_F(Allocations, NoCommandAllocatesWhenTheDriverFails) {
    for (const Case &c : kCases) {
        kelsim::force_status(-5, true, 4);
        EXPECT_EQ(allocations_in(c.call), 0) << c.name;
    }
}
}  // namespace
#endif  // KEL_OWN_ALLOCATOR
