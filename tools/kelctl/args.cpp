// args.cpp - kelctl's readers of single arguments: numbers read whole and in
// full precision within their range, names the switch keeps, IPv4 addresses
// and prefixes. A refusal names the argument and what it may be.
#include <cinttypes>
#include <cstdio>

#include "kelctl.h"

namespace kelctl {

namespace {

int digit_value(char c, unsigned base) {
    if (c >= '0' && c <= '9') return c - '0';
    if (base == 16 && c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The value of text when it is "0", decimal digits without a leading zero
// or, with hex, "0x" and hexadecimal digits; a value beyond 64 bits reads as
// UINT64_MAX (out of every range). False for any other text.
bool read_digits(const std::string &text, bool hex, uint64_t *value) {
    size_t i = 0;
    unsigned base = 10;
    if (hex && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        i = 2;
        base = 16;
    } else if (text.size() > 1 && text[0] == '0') {
        return false;  // a leading zero reads as octal elsewhere: refused
    }
    if (i == text.size()) return false;
    uint64_t v = 0;
    for (; i < text.size(); ++i) {
        int d = digit_value(text[i], base);
        if (d < 0) return false;
        v = v > (UINT64_MAX - static_cast<unsigned>(d)) / base ? UINT64_MAX
                                                               : v * base + static_cast<unsigned>(d);
    }
    *value = v;
    return true;
}

std::string number_text(uint64_t v, bool hex) {
    char text[24];
    std::snprintf(text, sizeof text, hex ? "0x%04" PRIx64 : "%" PRIu64, v);
    return text;
}

// "A.B.C.D": four numbers 0-255 as read_digits reads them.
bool dotted_quad(const std::string &text) {
    size_t start = 0;
    for (int part = 0; part < 4; ++part) {
        size_t end = part < 3 ? text.find('.', start) : text.size();
        uint64_t v;
        if (end == std::string::npos || !read_digits(text.substr(start, end - start), false, &v) || v > 255)
            return false;
        start = end + 1;
    }
    return true;
}

}  // namespace

bool parse_number(const std::string &text, uint64_t min, uint64_t max, const char *what, uint32_t *out,
                  Radix radix) {
    bool hex = radix == Radix::hex;
    std::string range = number_text(min, hex) + "-" + number_text(max, hex);
    uint64_t v;
    if (!read_digits(text, hex, &v))
        return complain(std::string(what) + " '" + text + "' is not a " +
                        (hex ? "number" : "decimal number") + " (" + range + ")");
    if (v < min || v > max || v > UINT32_MAX)
        return complain(std::string(what) + " '" + text + "' out of range " + range);
    *out = static_cast<uint32_t>(v);
    return true;
}

bool parse_name(const std::string &text, size_t max, const char *what) {
    if (text.empty()) return complain(std::string(what) + " '' may not be empty");
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7F)
            return complain(std::string(what) + " '" + text + "' holds a control character");
    if (text.size() > max)
        return complain(std::string(what) + " '" + text + "' is longer than " + std::to_string(max) +
                        " bytes");
    return true;
}

bool parse_ipv4(const std::string &text, const char *what, uint32_t *addr) {
    if (dotted_quad(text) && kel_cli_ipaddr_get(text.c_str(), addr) == 0) return true;
    return complain(std::string(what) + " '" + text +
                    "' is not a host address A.B.C.D (decimal numbers 0-255, the last neither 0 nor 255)");
}

bool parse_prefix(const std::string &text, const char *what, uint32_t *addr, uint32_t *mask) {
    size_t slash = text.find('/');
    uint64_t bits;
    if (slash != std::string::npos && dotted_quad(text.substr(0, slash)) &&
        read_digits(text.substr(slash + 1), false, &bits) && bits <= 32 &&
        kel_ippref2ipmask(text.c_str(), addr, mask) == 0)
        return true;
    return complain(std::string(what) + " '" + text + "' is not a prefix A.B.C.D/N (N 0-32)");
}

}  // namespace kelctl
