// internal.h - helpers shared by the utilities but not exported: they keep
// the kel_ names under which the utilities know them, with hidden visibility.
#pragma once

#include "kel.h"

extern "C" {

// The short name of a long port name: its first two characters and its text
// from the first digit on. KEL_ERR_PARAM for null pointers, out_len below 8,
// a long name of fewer than three characters or without a digit, or a short
// name that does not fit out_len.
int32_t kel_ifname_shorten(const char *long_name, char *out, int32_t out_len);

// 1 when the port exists and name is, ignoring case, its whole long name or
// its whole short name; else 0. Two driver requests (existence, then name).
int32_t kel_ifname_match(const ifport *p, const char *name);

// The next set position above *cursor, at most max; positions count from 1
// (position v is bit (v - 1) % 32 of word (v - 1) / 32). KEL_ERR_PARAM for
// null pointers or *cursor above max, KEL_ERR_NOT_FOUND (cursor unchanged)
// when no set position is left.
int32_t kel_bitmap_getnext(const uint32_t *bits, int32_t max, int32_t *cursor);

// 1 when text has the shape of a port list ("fa1/0/1-4,gi1/0/25"): items of
// a port-name abbreviation followed by digit groups joined by '/' or '-',
// separated by commas, nothing else. The numbers are not counted.
int32_t kel_cli_iflist_syntax_ok(const char *text);

// 1 when text has the shape of a VLAN list ("1-10,20"): digits, '-' and ','
// only, beginning and ending with a digit, no separator after a separator.
int32_t kel_cli_vlanlist_syntax_ok(const char *text);

}  // extern "C"

namespace kel {

// The highest port of a unit that an iflist can hold.
constexpr int32_t kListPorts = 32;

// Port p (1..32) of unit u (1..8) in a list: bit p - 1 of word u - 1.
inline bool iflist_has(const iflist &list, int32_t unit, int32_t port) {
    return (list.word[unit - 1] >> (port - 1)) & 1u;
}

// The ports a unit may have in a list: its port count, ports above 32 left out.
inline int32_t listable_ports(uint32_t count) {
    return count > static_cast<uint32_t>(kListPorts) ? kListPorts : static_cast<int32_t>(count);
}

// The port count of unit u as the list and name functions take it: 0 for an
// absent unit and for a failed query.
uint32_t unit_ports(uint32_t unit);

// A word with its n (0..32) least significant bits set.
inline uint32_t low_bits(int32_t n) { return n >= 32 ? ~0u : (1u << n) - 1u; }

// The number of set bits of a word.
inline uint32_t bit_count(uint32_t w) {
    w = w - ((w >> 1) & 0x55555555u);
    w = (w & 0x33333333u) + ((w >> 2) & 0x33333333u);
    w = (w + (w >> 4)) & 0x0F0F0F0Fu;
    return (w * 0x01010101u) >> 24;
}

// Sets the bits of positions first..last (1-based) of a bitmap.
inline void set_bits(uint32_t *bits, int32_t first, int32_t last) {
    for (int32_t v = first; v <= last;) {
        int32_t word = (v - 1) / 32, bit = (v - 1) % 32;
        int32_t n = last - v + 1 < 32 - bit ? last - v + 1 : 32 - bit;
        uint32_t mask = low_bits(n) << bit;
        bits[word] |= mask;
        v += n;
    }
}

}  // namespace kel
