// scan.h - the number scanning and printing behind the name and list
// grammars, done here rather than with the C library's formatted I/O so that
// it costs no locale look-ups and gives the same answer on every build.
//
// A number is read as the C library reads "%d" and strtol with base 10 on
// the switch's 32-bit processor: leading white space (space, tab, line feed,
// vertical tab, form feed, carriage return), one optional '+' or '-', then
// decimal digits; a value beyond the 32-bit range saturates at INT32_MAX or
// INT32_MIN.
#pragma once

#include <cstddef>
#include <cstdint>

#include "textclass.h"

namespace kel {

constexpr bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Reads one number at s. On success stores it in *value, returns true and
// leaves *end after its last digit; false when no digit follows the optional
// white space and sign (then *value and *end are not written).
inline bool scan_int(const char *s, const char **end, int32_t *value) {
    while (is_space(*s)) ++s;
    bool negative = *s == '-';
    if (*s == '-' || *s == '+') ++s;
    if (!is_digit(*s)) return false;
    // Accumulate in 64 bits and stop growing once beyond the 32-bit range.
    int64_t limit = negative ? -static_cast<int64_t>(INT32_MIN) : INT32_MAX;
    int64_t acc = 0;
    for (; is_digit(*s); ++s)
        if (acc <= limit) acc = acc * 10 + (*s - '0');
    if (acc > limit) acc = limit;
    *value = static_cast<int32_t>(negative ? -acc : acc);
    *end = s;
    return true;
}

// strtol with base 10: the number at s, or 0 when there is none.
inline int32_t scan_long(const char *s) {
    const char *end;
    int32_t v = 0;
    return scan_int(s, &end, &v) ? v : 0;
}

// Reads numbers separated by the literal characters of seps, as the format
// "%d/%d/%d" (seps "//") or "%d/%d/%d-%d" (seps "//-") does: a separator
// must follow the previous number at once; the numbers may be preceded by
// white space and a sign. Returns how many numbers converted, at most
// strlen(seps) + 1, into out.
inline int scan_ints(const char *s, const char *seps, int32_t *out) {
    int n = 0;
    for (;;) {
        if (!scan_int(s, &s, &out[n])) return n;
        ++n;
        if (!*seps || *s != *seps) return n;
        ++s;
        ++seps;
    }
}

// Prints v in decimal at out, which has room for size bytes; returns the
// characters written (no terminator), or 0 when they do not fit.
inline size_t print_int(char *out, size_t size, int32_t v) {
    char digits[11];
    size_t n = 0;
    uint32_t u = v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
    do {
        digits[n++] = static_cast<char>('0' + u % 10);
        u /= 10;
    } while (u);
    size_t total = n + (v < 0);
    if (total > size) return 0;
    char *p = out;
    if (v < 0) *p++ = '-';
    while (n) *p++ = digits[--n];
    return total;
}

// Writes "%d/%d/%d" of unit, slot and port, terminated, at out (size bytes).
// False, with out unspecified, when it does not fit.
inline bool print_port(char *out, size_t size, int32_t unit, int32_t slot, int32_t port) {
    const int32_t v[3] = {unit, slot, port};
    size_t at = 0;
    for (int i = 0; i < 3; ++i) {
        if (i) {
            if (at >= size) return false;
            out[at++] = '/';
        }
        size_t n = print_int(out + at, size - at, v[i]);
        if (!n) return false;
        at += n;
    }
    if (at >= size) return false;
    out[at] = '\0';
    return true;
}

// The first decimal digit of s, or null.
inline const char *first_digit(const char *s) {
    for (; *s; ++s)
        if (is_digit(*s)) return s;
    return nullptr;
}
inline char *first_digit(char *s) { return const_cast<char *>(first_digit(static_cast<const char *>(s))); }

// Whole-string comparison that folds ASCII letters only, whatever the locale.
inline bool equal_ignoring_case(const char *a, const char *b) {
    for (;; ++a, ++b) {
        char x = *a, y = *b;
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
        if (!x) return true;
    }
}

// strlen bounded by max: the length of s, or max when s is at least that long.
inline size_t length_up_to(const char *s, size_t max) {
    size_t n = 0;
    while (n < max && s[n]) ++n;
    return n;
}

}  // namespace kel
