// MAC address text and classification; IPv4 addresses and prefixes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "kel.h"

namespace {

struct Mac {
    uint8_t b[6];
};

TEST(MacText, Recognised) {
    const struct {
        const char *text;
        int32_t yes;
    } cases[] = {
        {"0012.3456.789a", 1},    {"0012.3456.789A", 1},
        {"ffff.FFFF.0000", 1},    {"0012:3456:789a", 0},
        {"00-12-34-56-78-9a", 0}, {"001234567890", 0},
        {"0012.3456.789g", 0},    {"00123456.789a.", 0},
        {"0012.3456789a.", 0},    {"0012.3456.789", 0},
        {"0012.3456.789ab", 0},   {"0012.3456.789a ", 0},
        {" 012.3456.789a", 0},    {"", 0},
        {".012.3456.789a", 0},
    };
    for (const auto &c : cases) EXPECT_EQ(kel_is_mac_addr(c.text), c.yes) << c.text;
    EXPECT_EQ(kel_is_mac_addr(nullptr), 0);
}

TEST(MacText, ToBytes) {
    uint8_t mac[6];
    ASSERT_EQ(kel_mac_addr_get("0012.3456.789a", mac), 0);
    const uint8_t want[6] = {0x00, 0x12, 0x34, 0x56, 0x78, 0x9A};
    EXPECT_EQ(std::memcmp(mac, want, 6), 0);
    ASSERT_EQ(kel_mac_addr_get("ffff.FFFF.fFfF", mac), 0);
    for (uint8_t b : mac) EXPECT_EQ(b, 0xFF);
    uint8_t kept[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(kel_mac_addr_get("0012.3456.789", kept), KEL_ERR_PARAM);  // not FORMAT
    EXPECT_EQ(kel_mac_addr_get(nullptr, kept), KEL_ERR_PARAM);
    EXPECT_EQ(kel_mac_addr_get("0012.3456.789a", nullptr), KEL_ERR_PARAM);
    const uint8_t before[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(std::memcmp(kept, before, 6), 0);
}

TEST(MacClasses, ByGroupBitAndBroadcast) {
    const struct {
        Mac mac;
        int32_t ucast, bcast, mcast;
    } cases[] = {
        {{{0x00, 0x11, 0x22, 0x33, 0x44, 0x55}}, 1, 0, 0},
        {{{0x01, 0x00, 0x5E, 0x00, 0x00, 0x01}}, 0, 0, 1},
        {{{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}}, 0, 1, 0},
        {{{0x00, 0x00, 0x00, 0x00, 0x00, 0x00}}, 0, 0, 1},  // neither unicast nor broadcast
        {{{0x00, 0x00, 0x00, 0x00, 0x00, 0x01}}, 1, 0, 0},
        {{{0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}}, 1, 0, 0},
        {{{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE}}, 0, 0, 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mac.b[0]));
        EXPECT_EQ(kel_is_ucast_mac_addr(c.mac.b), c.ucast);
        EXPECT_EQ(kel_is_bcast_mac_addr(c.mac.b), c.bcast);
        EXPECT_EQ(kel_is_mcast_mac_addr(c.mac.b), c.mcast);
    }
    EXPECT_EQ(kel_is_ucast_mac_addr(nullptr), 0);
    EXPECT_EQ(kel_is_bcast_mac_addr(nullptr), 0);
    EXPECT_EQ(kel_is_mcast_mac_addr(nullptr), 0);
}

// An address in network byte order from its four numbers.
uint32_t ip(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    const uint8_t bytes[4] = {a, b, c, d};
    uint32_t v;
    std::memcpy(&v, bytes, 4);
    return v;
}

TEST(IpPrefix, AddressAndMask) {
    const uint32_t kept = 0x5A5A5A5Au;
    const struct {
        std::string text;
        int32_t rc;
        uint32_t addr, mask;
    } cases[] = {
        {"192.168.1.10/24", 0, ip(192, 168, 1, 10), ip(255, 255, 255, 0)},
        {"10.0.0.1", 0, ip(10, 0, 0, 1), ip(255, 255, 255, 255)},
        {"10.0.0.1/0", 0, ip(10, 0, 0, 1), 0},
        {"10.0.0.1/", 0, ip(10, 0, 0, 1), 0},
        {"10.0.0.1/32", 0, ip(10, 0, 0, 1), ip(255, 255, 255, 255)},
        {"10.0.0.1/1", 0, ip(10, 0, 0, 1), ip(128, 0, 0, 0)},
        {"10.0.0.1/17", 0, ip(10, 0, 0, 1), ip(255, 255, 128, 0)},
        {"10.0.0.1/288", 0, ip(10, 0, 0, 1), ip(255, 255, 255, 255)},  // low 8 bits: 32
        {"10.0.0.1/256", 0, ip(10, 0, 0, 1), 0},
        {"10.0.0.1/ +8x", 0, ip(10, 0, 0, 1), ip(255, 0, 0, 0)},  // as strtol reads it
        {"10.0.0.1/-99999999999", 0, ip(10, 0, 0, 1), 0},         // saturates at INT32_MIN: low byte 0
        {"10.0.0.1/99999999999", KEL_ERR_PARAM, kept, kept},      // saturates at INT32_MAX: 255
        {"10.0.0.1/33", KEL_ERR_PARAM, kept, kept},
        {"10.0.0.1/-1", KEL_ERR_PARAM, kept, kept},
        {"10.0.0.1/24/8", 0, ip(10, 0, 0, 1), ip(255, 255, 255, 0)},
        {"bogus/24", KEL_ERR_PARAM, kept, kept},
        {"bogus", KEL_ERR_PARAM, kept, kept},
        {"/24", KEL_ERR_PARAM, kept, kept},
        {std::string(127, '1') + "/8", KEL_ERR_PARAM, kept, kept},              // fits, does not convert
        {std::string(125, '0') + "10/8", 0, ip(0, 0, 0, 8), ip(255, 0, 0, 0)},  // 127 characters: octal 010
        {std::string(126, '0') + "10/8", KEL_ERR_PARAM, kept, kept},  // 128: would convert, does not fit
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        uint32_t addr = kept, mask = kept;
        EXPECT_EQ(kel_ippref2ipmask(c.text.c_str(), &addr, &mask), c.rc);
        EXPECT_EQ(addr, c.addr);
        EXPECT_EQ(mask, c.mask);
    }
    uint32_t mask = 0;
    EXPECT_EQ(kel_ippref2ipmask("1.2.3.4/8", nullptr, &mask), 0);
    EXPECT_EQ(mask, ip(255, 0, 0, 0));
    EXPECT_EQ(kel_ippref2ipmask("1.2.3.4/8", nullptr, nullptr), 0);
    EXPECT_EQ(kel_ippref2ipmask(nullptr, &mask, &mask), KEL_ERR_PARAM);
}

TEST(IpAddress, Dotted) {
    uint32_t addr = 7;
    ASSERT_EQ(kel_ip_addr_get("1.2.3.4", &addr), 0);
    EXPECT_EQ(addr, ip(1, 2, 3, 4));
    for (const char *bad : {"1.2.3.256", "", "1.2.3.4.5", "a.b.c.d"}) {
        addr = 7;
        EXPECT_EQ(kel_ip_addr_get(bad, &addr), KEL_ERR_PARAM) << bad;
        EXPECT_EQ(addr, 7u);
    }
    EXPECT_EQ(kel_ip_addr_get(nullptr, &addr), KEL_ERR_PARAM);
    EXPECT_EQ(kel_ip_addr_get("1.2.3.4", nullptr), KEL_ERR_PARAM);
}

}  // namespace
