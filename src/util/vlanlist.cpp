// vlanlist.cpp - VLAN lists: the walk, the full and empty tests, and the
// comparison of two ports' VLAN memberships.
//
// A vlanlist has a bit for every id 1..4096; the walk and the full test use
// 1..4094 only, the empty test every bit.
#define KEL_GUARD_ALLOCATES  // the one 512-byte list of kel_port_vlans_is_equal
#include "guard.h"

#include <cstdlib>
#include <cstring>

#include "internal.h"

namespace {

constexpr int32_t kLastWord = KEL_VLANLIST_WORDS - 1;
constexpr uint32_t kLastWordVlans = 0x3FFFFFFFu;  // 4065..4094; 4095 and 4096 lie outside

bool member(const iflist &set, const ifport &p) { return kel::iflist_has(set, p.unit, p.port); }

// Whether the VLAN records of the driver place a and b alike: for every VLAN
// the driver lists and can describe, both or neither are in each port set.
bool same_place_in_every_vlan(const vlanlist &vlans, const ifport &a, const ifport &b) {
    vlaninfo info;
    for (int32_t vid = 0; kel_vlanlist_id_getnext(&vlans, &vid) == 0;) {
        std::memset(&info, 0, sizeof info);
        if (kel_vlan_get(static_cast<uint32_t>(vid), &info) != 0) continue;  // unreadable: skipped
        for (const iflist &set : info.set)
            if (member(set, a) != member(set, b)) return false;
    }
    return true;
}

// Whether a port that exists can be looked up in a port set at all.
bool listable(const ifport &p) {
    return p.unit >= 1 && p.unit <= KEL_IFLIST_WORDS && p.port >= 1 && p.port <= kel::kListPorts;
}

}  // namespace

extern "C" {

int32_t kel_bitmap_getnext(const uint32_t *bits, int32_t max, int32_t *cursor) {
    if (!bits || !cursor) return KEL_ERR_PARAM;
    if (*cursor > max) return KEL_ERR_PARAM;
    int64_t v = *cursor < 1 ? 1 : static_cast<int64_t>(*cursor) + 1;
    while (v <= max) {
        int64_t word = (v - 1) / 32;
        uint32_t rest = bits[word] >> ((v - 1) % 32);  // this bit and the ones above it
        if (rest) {
            int64_t found = v + __builtin_ctz(rest);
            if (found > max) break;
            *cursor = static_cast<int32_t>(found);
            return 0;
        }
        v = (word + 1) * 32 + 1;
    }
    return KEL_ERR_NOT_FOUND;
}

int32_t kel_vlanlist_id_getnext(const vlanlist *list, int32_t *vid) {
    return kel_bitmap_getnext(list ? list->word : nullptr, KEL_VLAN_MAX, vid);
}

int32_t kel_vlanlist_is_full(const vlanlist *list) {
    if (!list) return 0;
    for (int32_t i = 0; i < kLastWord; ++i)
        if (list->word[i] != ~0u) return 0;
    return (list->word[kLastWord] & kLastWordVlans) == kLastWordVlans;
}

int32_t kel_vlanlist_is_empty(const vlanlist *list) {
    if (!list) return 1;
    for (uint32_t w : list->word)
        if (w) return 0;
    return 1;
}

int32_t kel_port_vlans_is_equal(const ifport *a, const ifport *b) {
    if (!a || !b) return 0;
    if (!kel_is_system_ifport(a) || !kel_is_system_ifport(b)) return 0;
    // A port beyond what a port set can hold cannot be compared.
    if (!listable(*a) || !listable(*b)) return 0;
    // The library's one heap block: 512 bytes are too many for every
    // caller's stack. Cleared first, so that a failed query walks no VLANs.
    auto *vlans = static_cast<vlanlist *>(std::malloc(sizeof(vlanlist)));
    if (!vlans) return 0;
    std::memset(vlans, 0, sizeof *vlans);
    kel_vlanlist_get(vlans);
    bool same = same_place_in_every_vlan(*vlans, *a, *b);
    std::free(vlans);
    return same ? 1 : 0;
}

}  // extern "C"
