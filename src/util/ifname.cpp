// ifname.cpp - interface names: long and short port names.
//
// The driver owns every port's long name; the short name is derived from it.
// Nothing is cached: each call asks the driver again.
#include <cstring>

#include "internal.h"
#include "textclass.h"

namespace {

constexpr int32_t kShortestShortName = 8;  // "fa1/0/1" and its terminator
constexpr uint32_t kNameBuffer = 32;

}  // namespace

extern "C" {

int32_t kel_ifname_shorten(const char *long_name, char *out, int32_t out_len) {
    if (!long_name || !out || out_len < kShortestShortName) return KEL_ERR_PARAM;
    if (!long_name[0] || !long_name[1] || !long_name[2]) return KEL_ERR_PARAM;
    out[0] = long_name[0];
    out[1] = long_name[1];
    const char *digit = long_name + 2;
    while (*digit && !kel::is_digit(*digit)) ++digit;
    if (!*digit) return KEL_ERR_PARAM;
    size_t tail = std::strlen(digit) + 1;
    // A short name longer than the caller's buffer is refused, not cut.
    if (tail > static_cast<size_t>(out_len) - 2) return KEL_ERR_PARAM;
    std::memcpy(out + 2, digit, tail);
    return 0;
}

int32_t kel_ifname_short_get(const ifport *p, char *out, int32_t out_len) {
    if (!p) return KEL_ERR_PARAM;
    char name[kNameBuffer] = {};
    if (int32_t rc = kel_ifport_name_get(p, name, sizeof name)) return rc;
    name[sizeof name - 1] = '\0';  // whatever the driver wrote, the text ends here
    return kel_ifname_shorten(name, out, out_len);
}

int32_t kel_ifname_long_get(const ifport *p, char *buf, uint32_t len) {
    if (!p) return KEL_ERR_PARAM;
    return kel_ifport_name_get(p, buf, len);
}

}  // extern "C"
