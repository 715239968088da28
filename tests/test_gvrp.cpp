// test_gvrp.cpp - GVRP's GARP PDUs to and from frames (no root, no wire).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "proto/garp_pdu.h"

namespace {

using namespace kelsim::garp;

const uint8_t kSrc[6] = {0x02, 0, 0, 0, 0, 9};

// A frame of one message per event, each in VLAN 100 + its event (the
// leave-all without one).
std::vector<uint8_t> pdu_of_every_event() {
    Message m[kEvents];
    for (uint8_t e = 0; e < kEvents; ++e)
        m[e] = {static_cast<Event>(e), static_cast<uint16_t>(e ? 100 + e : 0)};
    uint32_t n = kEvents;
    std::vector<uint8_t> f(kMaxFrame);
    f.resize(encode(m, &n, kSrc, f.data()));
    return f;
}

TEST(GarpPdu, DecodesWhatItEncodesAndRefusesTheRest) {
    // Bytes: 12-13 length, 14-16 LLC, 17-18 protocol, 19 attribute type, 20.. attributes
    // (20-21 the leave-all, 22-25 the join-empty of VLAN 101, ...), 42 the list's end, 43 the PDU's.
    struct Row {
        const char *what;
        size_t at;                   // where to write (0: nowhere)
        std::vector<uint8_t> bytes;  // what
        size_t len;                  // of the frame given (0: whole)
        Decoded want;
    } rows[] = {
        {"every event", 0, {}, 0, Decoded::ok},
        {"an EtherType, not a length", 12, {0x08}, 0, Decoded::not_garp},
        {"another LLC header", 14, {0xAA}, 0, Decoded::not_garp},
        {"protocol identifier 2", 17, {0, 2}, 0, Decoded::not_garp},
        {"a frame that ends before its first message", 0, {}, 18, Decoded::not_garp},
        {"a length beyond the frame", 12, {0, 60}, 0, Decoded::short_frame},
        {"a length that ends inside an attribute", 12, {0, 10}, 0, Decoded::short_frame},
        {"no end mark for the PDU", 12, {0, 29}, 0, Decoded::short_frame},
        {"an attribute longer than the PDU", 22, {40}, 0, Decoded::short_frame},
        {"another attribute type", 19, {2}, 0, Decoded::bad_attribute},
        {"an unknown event", 23, {6}, 0, Decoded::bad_attribute},
        {"a leave-all with a VLAN id", 20, {4}, 0, Decoded::bad_attribute},
        {"a join without one", 22, {2}, 0, Decoded::bad_attribute},
        {"VLAN 0", 24, {0, 0}, 0, Decoded::bad_attribute},
        {"VLAN 4095", 24, {0x0F, 0xFF}, 0, Decoded::bad_attribute},
    };
    for (const Row &r : rows) {
        std::vector<uint8_t> f = pdu_of_every_event();
        std::copy(r.bytes.begin(), r.bytes.end(), f.begin() + static_cast<long>(r.at));
        Pdu p{};
        EXPECT_EQ(decode(f.data(), r.len ? r.len : f.size(), &p), r.want) << r.what;
    }
}

TEST(GarpPdu, MessagesTravelIntactAndAFullFrameLeavesTheRestOut) {
    std::vector<uint8_t> f = pdu_of_every_event();
    EXPECT_EQ(f.size(), 60u);  // padded
    EXPECT_EQ(f[12] << 8 | f[13], 30);
    EXPECT_EQ(std::memcmp(f.data(), kAddress, 6), 0);
    Pdu p{};
    ASSERT_EQ(decode(f.data(), f.size(), &p), Decoded::ok);
    ASSERT_EQ(p.count, kEvents);
    for (uint8_t e = 0; e < kEvents; ++e) {
        EXPECT_EQ(p.msg[e].event, static_cast<Event>(e));
        EXPECT_EQ(p.msg[e].vid, e ? 100 + e : 0);
    }
    // Every VLAN joined: more than a frame holds.
    std::vector<Message> all;
    for (uint16_t v = 1; v <= 4094; ++v) all.push_back({Event::join_in, v});
    uint32_t n = static_cast<uint32_t>(all.size());
    std::vector<uint8_t> big(kMaxFrame);
    big.resize(encode(all.data(), &n, kSrc, big.data()));
    EXPECT_LE(big.size(), kMaxFrame);
    EXPECT_GT(n, 300u);
    ASSERT_EQ(decode(big.data(), big.size(), &p), Decoded::ok);
    ASSERT_EQ(p.count, n);
    EXPECT_EQ(p.msg[n - 1].vid, n);
}

}  // namespace
