// ifname.cpp - port names: long and short names, name to ifport, and the
// port-name predicates.
//
// The driver owns every port's long name; the short name is derived from it,
// and a text names a port exactly when it equals, ignoring case, one of the
// two names of a port that exists now. Nothing is cached: each call asks the
// driver again.
#include "guard.h"

#include <cstring>

#include "internal.h"
#include "scan.h"

namespace {

constexpr int32_t kShortestShortName = 8;  // "fa1/0/1" and its terminator
constexpr size_t kNameBuffer = 32;         // a port name and its terminator
constexpr size_t kShortestName = 7, kLongestName = 31;

// The letters at the start of s.
size_t leading_letters(const char *s) {
    size_t n = 0;
    while (kel::is_alpha(s[n])) ++n;
    return n;
}

bool starts_with(const char *s, const char *prefix) {
    return std::strncmp(s, prefix, std::strlen(prefix)) == 0;
}

// Whether the n letters at s abbreviate (case-sensitively) a media word.
bool abbreviates(const char *s, size_t n, const char *word) {
    return n <= std::strlen(word) && std::strncmp(s, word, n) == 0;
}

// The long name of p in a buffer of kNameBuffer bytes, terminated whatever
// the driver wrote; the name query's result.
int32_t long_name(const ifport *p, char *name) {
    int32_t rc = kel_ifport_name_get(p, name, kNameBuffer);
    name[kNameBuffer - 1] = '\0';
    return rc;
}

// Rewrites the numbers of a name buffer (from its first digit at digit on)
// as "%d/%d/%d" of p, and asks whether the result names p.
bool rewritten_name_matches(char *buf, char *digit, const ifport &p) {
    size_t room = kNameBuffer - static_cast<size_t>(digit - buf);
    return kel::print_port(digit, room, p.unit, p.slot, p.port) && kel_ifname_match(&p, buf);
}

}  // namespace

extern "C" {

int32_t kel_ifname_shorten(const char *long_name, char *out, int32_t out_len) {
    if (!long_name || !out || out_len < kShortestShortName) return KEL_ERR_PARAM;
    if (!long_name[0] || !long_name[1] || !long_name[2]) return KEL_ERR_PARAM;
    out[0] = long_name[0];
    out[1] = long_name[1];
    const char *digit = kel::first_digit(long_name + 2);
    if (!digit) return KEL_ERR_PARAM;
    size_t tail = std::strlen(digit) + 1;
    // A short name longer than the caller's buffer is refused, not cut.
    if (tail > static_cast<size_t>(out_len) - 2) return KEL_ERR_PARAM;
    std::memcpy(out + 2, digit, tail);
    return 0;
}

int32_t kel_ifname_short_get(const ifport *p, char *out, int32_t out_len) {
    if (!p) return KEL_ERR_PARAM;
    char name[kNameBuffer] = {};
    if (int32_t rc = long_name(p, name)) return rc;
    return kel_ifname_shorten(name, out, out_len);
}

int32_t kel_ifname_long_get(const ifport *p, char *buf, uint32_t len) {
    if (!p) return KEL_ERR_PARAM;
    return kel_ifport_name_get(p, buf, len);
}

int32_t kel_ifname_match(const ifport *p, const char *name) {
    if (!p || !name) return 0;
    if (!kel_is_system_ifport(p)) return 0;
    char full[kNameBuffer] = {}, brief[kNameBuffer];
    if (long_name(p, full) != 0) return 0;
    if (kel_ifname_shorten(full, brief, sizeof brief) != 0) return 0;
    return kel::equal_ignoring_case(name, full) || kel::equal_ignoring_case(name, brief);
}

int32_t kel_ifname2ifport(const char *name, ifport *p) {
    if (!name || !p) return KEL_ERR_PARAM;
    *p = ifport{0, 0, 0};
    size_t len = kel::length_up_to(name, kLongestName + 1);
    if (len < kShortestName || len > kLongestName) return KEL_ERR_LENGTH;
    int32_t n[3] = {0, 0, 0};
    if (const char *digit = kel::first_digit(name))
        if (kel::scan_ints(digit, "//", n) < 3) return KEL_ERR_FORMAT;
    *p = ifport{n[0], n[1], n[2]};
    return kel_ifname_match(p, name) ? 0 : KEL_ERR_NO_IF;
}

int32_t kel_is_portname_prefix(const char *name) {
    if (!name) return 0;
    size_t n = leading_letters(name);
    if (n < 2) return 0;
    if (starts_with(name, "fa")) return abbreviates(name, n, "fastethernet");
    if (starts_with(name, "gi")) return abbreviates(name, n, "gigabitethernet");
    return 0;
}

int32_t kel_is_portname_suffix(const char *name) {
    if (!name) return 0;
    ifport p;
    if (kel_ifname2ifport(name, &p) != 0) return 0;
    if (starts_with(name, "fa") && kel_is_system_feport(&p)) return 1;
    if (starts_with(name, "gi")) return kel_is_system_geport(&p) ? 1 : 0;
    return 0;
}

int32_t kel_is_port_ifname(const char *name) {
    if (!name) return 0;
    return kel_is_portname_prefix(name) && kel_is_portname_suffix(name);
}

int32_t kel_is_portrange_ifname(const char *text) {
    if (!text) return 0;
    char copy[kNameBuffer];
    size_t len = kel::length_up_to(text, kNameBuffer - 1);
    std::memcpy(copy, text, len);
    copy[len] = '\0';
    if (!std::strchr(copy, '-') || !kel_is_portname_prefix(copy)) return 0;
    char *digit = kel::first_digit(copy);
    if (!digit) return 0;
    int32_t n[4];
    if (kel::scan_ints(digit, "//-", n) < 4) return 0;
    if (n[2] >= n[3]) return 0;
    // Both ends must be ports of the same media word that are not stack ports;
    // the ports between them are not looked at.
    const int32_t ends[2] = {n[2], n[3]};
    for (int32_t port : ends) {
        const ifport end{n[0], n[1], port};
        if (kel_is_stack_smart_port(&end)) return 0;
        if (!rewritten_name_matches(copy, digit, end)) return 0;
    }
    return 1;
}

}  // extern "C"
