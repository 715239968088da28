// ifname_vlan.cpp - VLAN interface names ("vlan10", "sw0", "sw0.100") and
// the system interface names ("lo", "sw0").
//
// "sw0" is the interface of the management VLAN, which only the driver
// knows; every other VLAN's network interface is "sw0." and its id.
#include "guard.h"

#include <cstring>

#include "internal.h"
#include "scan.h"

namespace {

constexpr char kSw0[] = "sw0";
constexpr size_t kShortestVlanName = 5, kLongestVlanName = 8;  // "vlan1" .. "vlan4094"

// The management VLAN id, 0 when the query fails.
int32_t management_vlan() {
    uint32_t vid = 0;
    kel_system_vlan_id_get(&vid);
    return static_cast<int32_t>(vid);
}

bool vlan_name_length_ok(const char *name) {
    size_t len = kel::length_up_to(name, kLongestVlanName + 1);
    return len >= kShortestVlanName && len <= kLongestVlanName;
}

}  // namespace

extern "C" {

int32_t kel_ifname2vlan(const char *name, int32_t *vid) {
    if (!name || !vid) return KEL_ERR_PARAM;
    // The number after "sw0." is taken as it is, not tested against the VLAN range.
    *vid = std::strncmp(name, "sw0.", 4) == 0 ? kel::scan_long(name + 4) : management_vlan();
    return 0;
}

int32_t kel_vlan2ifname(int32_t vid, char *out) {
    if (!out || vid < KEL_VLAN_MIN || vid > KEL_VLAN_MAX) return KEL_ERR_PARAM;
    std::memcpy(out, kSw0, sizeof kSw0);
    if (vid != management_vlan()) {
        out[3] = '.';
        size_t n = kel::print_int(out + 4, 4, vid);  // at most "4094"
        out[4 + n] = '\0';
    }
    return 0;
}

int32_t kel_is_vlanname_prefix(const char *name) {
    if (!name || !vlan_name_length_ok(name)) return 0;
    return std::strncmp(name, "vlan", 4) == 0;
}

int32_t kel_is_vlanname_suffix(const char *name) {
    if (!name || !vlan_name_length_ok(name)) return 0;
    int32_t vid;
    if (kel_atoi(name + 4, &vid) != 0) return 0;
    return vid >= KEL_VLAN_MIN && vid <= KEL_VLAN_MAX;
}

int32_t kel_is_vlan_ifname(const char *name) {
    if (!name) return 0;
    return kel_is_vlanname_prefix(name) && kel_is_vlanname_suffix(name);
}

int32_t kel_is_system_ifname(const char *name) {
    if (!name) return 0;
    return std::strcmp(name, "lo") == 0 || std::strcmp(name, kSw0) == 0;
}

}  // extern "C"
