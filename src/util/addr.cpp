// addr.cpp - MAC addresses ("0012.3456.789a" to 6 bytes, and their
// classification) and IPv4 addresses with prefix lengths ("10.0.0.1/24" to
// an address and a mask, both in network byte order).
#include "guard.h"

#include <arpa/inet.h>

#include <cstring>

#include "kel.h"
#include "scan.h"

namespace {

constexpr size_t kMacText = 14;  // "hhhh.hhhh.hhhh"
constexpr size_t kAddressBuffer = 128;

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}

bool is_mac_text(const char *text) {
    for (size_t i = 0; i < kMacText; ++i) {
        bool dot = i == 4 || i == 9;
        if (dot ? text[i] != '.' : !kel::is_xdigit(text[i])) return false;  // the terminator fails both
    }
    return text[kMacText] == '\0';
}

// The mask of a prefix length 0..32, in network byte order.
uint32_t prefix_mask(uint32_t n) { return htonl(n == 0 ? 0u : ~0u << (32 - n)); }

// inet_aton's conversion of text; false when it refuses the text.
bool to_address(const char *text, uint32_t *addr) {
    in_addr a;
    if (inet_aton(text, &a) == 0) return false;
    *addr = a.s_addr;
    return true;
}

}  // namespace

extern "C" {

int32_t kel_is_mac_addr(const char *text) { return text && is_mac_text(text) ? 1 : 0; }

int32_t kel_mac_addr_get(const char *text, uint8_t mac[6]) {
    if (!text || !mac || !is_mac_text(text)) return KEL_ERR_PARAM;
    static constexpr size_t kPairs[6] = {0, 2, 5, 7, 10, 12};
    for (size_t i = 0; i < 6; ++i) {
        const char *pair = text + kPairs[i];
        mac[i] = static_cast<uint8_t>(hex_value(pair[0]) << 4 | hex_value(pair[1]));
    }
    return 0;
}

int32_t kel_is_ucast_mac_addr(const uint8_t mac[6]) {
    if (!mac || (mac[0] & 1u)) return 0;
    for (int i = 0; i < 6; ++i)
        if (mac[i]) return 1;
    return 0;  // the all-zero address is not unicast
}

int32_t kel_is_bcast_mac_addr(const uint8_t mac[6]) {
    if (!mac) return 0;
    for (int i = 0; i < 6; ++i)
        if (mac[i] != 0xFF) return 0;
    return 1;
}

int32_t kel_is_mcast_mac_addr(const uint8_t mac[6]) {
    if (!mac) return 0;
    return !kel_is_ucast_mac_addr(mac) && !kel_is_bcast_mac_addr(mac);
}

int32_t kel_ippref2ipmask(const char *text, uint32_t *addr, uint32_t *mask) {
    if (!text) return KEL_ERR_PARAM;
    uint32_t a = 0, m = ~0u;
    if (const char *slash = std::strchr(text, '/')) {
        size_t len = static_cast<size_t>(slash - text);
        if (len >= kAddressBuffer) return KEL_ERR_PARAM;  // does not fit the address buffer
        char part[kAddressBuffer];
        std::memcpy(part, text, len);
        part[len] = '\0';
        // Only the low 8 bits of the number count: /288 is /32, /-1 is /255.
        uint32_t n = static_cast<uint32_t>(kel::scan_long(slash + 1)) & 0xFFu;
        if (n > 32) return KEL_ERR_PARAM;
        if (!to_address(part, &a)) return KEL_ERR_PARAM;
        m = prefix_mask(n);
    } else if (!to_address(text, &a)) {
        return KEL_ERR_PARAM;
    }
    if (addr) *addr = a;
    if (mask) *mask = m;
    return 0;
}

int32_t kel_ip_addr_get(const char *text, uint32_t *addr) {
    if (!text || !addr) return KEL_ERR_PARAM;
    return to_address(text, addr) ? 0 : KEL_ERR_PARAM;
}

}  // extern "C"
