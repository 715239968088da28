// test_gvrp.cpp - GVRP's GARP PDUs to and from frames, and two switches'
// participants joined in memory (no root, no wire).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <vector>

#include "proto/garp_participant.h"
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

// Two switches' participants, port 0 of each joined to the other's: every
// PDU crosses as a frame (encoded, decoded) unless the cable loses it.
struct Side final : Actions {
    Participant part;
    std::deque<std::vector<uint8_t>> *to = nullptr;
    void transmit(int, const Message *msg, uint32_t n) override {
        while (n) {
            uint32_t k = n;
            std::vector<uint8_t> f(kMaxFrame);
            f.resize(encode(msg, &k, kSrc, f.data()));
            to->push_back(f);
            msg += k;
            n -= k;
        }
    }
};

struct Pair {
    Side a, b;
    std::deque<std::vector<uint8_t>> to_a, to_b;
    bool carries = true;  // false: the cable loses every frame
    uint64_t now = 1000;
    uint32_t pdus_to_b = 0;

    explicit Pair(Registration b_mode = Registration::normal) {
        a.to = &to_b;
        b.to = &to_a;
        a.part.configure(0, {true, Registration::normal, 100, 300, 2000}, now);
        b.part.configure(0, {true, b_mode, 100, 300, 2000}, now);
    }
    // Runs the clock for ms milliseconds in steps of 10; on_step after each.
    template <class F>
    void run(uint32_t ms, F on_step) {
        for (uint32_t t = 0; t < ms; t += 10) {
            now += 10;
            a.part.tick(now, a);
            b.part.tick(now, b);
            deliver(to_b, b);
            deliver(to_a, a);
            on_step();
        }
    }
    void run(uint32_t ms) {
        run(ms, [] {});
    }
    void deliver(std::deque<std::vector<uint8_t>> &q, Side &s) {
        for (; !q.empty(); q.pop_front()) {
            if (!carries) continue;
            Pdu p{};
            ASSERT_EQ(decode(q.front().data(), q.front().size(), &p), Decoded::ok);
            pdus_to_b += &s == &b;
            s.part.receive(0, p, now);
        }
    }
};

TEST(GvrpParticipant, ADeclarationRegistersAsTheModeAllows) {
    struct Row {
        Registration mode;
        bool registers;
        bool fails;  // joins counted as failed registrations
    } rows[] = {
        {Registration::normal, true, false},
        {Registration::fixed, false, false},
        {Registration::forbidden, false, true},
    };
    for (const Row &r : rows) {
        Pair w(r.mode);
        w.a.part.declare(0, 10, true, w.now);
        w.run(250);  // two join times: sent twice
        EXPECT_EQ(w.b.part.registered(0, 10), r.registers) << static_cast<int>(r.mode);
        EXPECT_FALSE(w.b.part.registered(0, 11));
        EXPECT_FALSE(w.a.part.registered(0, 10));  // b declares nothing back
        EXPECT_EQ(w.b.part.counters(0).failed > 0, r.fails);
        EXPECT_GE(w.a.part.counters(0).tx[static_cast<int>(Event::join_empty)], 1u);
        EXPECT_EQ(w.b.part.counters(0).rx[static_cast<int>(Event::join_empty)] +
                      w.b.part.counters(0).rx[static_cast<int>(Event::join_in)],
                  w.a.part.counters(0).tx[static_cast<int>(Event::join_empty)] +
                      w.a.part.counters(0).tx[static_cast<int>(Event::join_in)]);
    }
}

TEST(GvrpParticipant, RegistrationsOutliveLeaveAllsAndALeaveEndsOnlyItsOwn) {
    Pair w;
    for (uint16_t v : {1, 10, 4094}) w.a.part.declare(0, v, true, w.now);
    w.run(250);
    // Three leave-all times (each side's): b keeps every registration throughout.
    bool kept = true;
    w.run(6500, [&] { kept = kept && w.b.part.registered(0, 10) && w.b.part.registered(0, 4094); });
    EXPECT_TRUE(kept);
    EXPECT_GE(w.b.part.counters(0).rx[static_cast<int>(Event::leave_all)], 3u);
    // Quiet once declared: no more than the leave-alls' PDUs and the joins that answer them.
    uint32_t before = w.pdus_to_b;
    w.run(2000);
    EXPECT_LE(w.pdus_to_b - before, 3u);

    w.a.part.declare(0, 10, false, w.now);
    w.run(1000);
    EXPECT_TRUE(w.b.part.registered(0, 1));
    EXPECT_TRUE(w.b.part.registered(0, 4094));
    EXPECT_EQ(w.b.part.registrar(0, 10), Reg::mt);
}

TEST(GvrpParticipant, TheLeaveTimeDecidesWhenARegistrationEnds) {
    // The leave goes out at a's next join time (up to 100 ms), then b's
    // registrar waits its leave time (300 ms) out.
    Pair w;
    w.a.part.declare(0, 20, true, w.now);
    w.run(250);
    ASSERT_TRUE(w.b.part.registered(0, 20));
    w.a.part.declare(0, 20, false, w.now);
    uint64_t start = w.now, gone = 0;
    w.run(1000, [&] {
        if (!gone && !w.b.part.registered(0, 20)) gone = w.now;
    });
    ASSERT_NE(gone, 0u);
    EXPECT_GE(gone - start, 300u);
    EXPECT_LE(gone - start, 420u);
    EXPECT_GE(w.b.part.counters(0).rx[static_cast<int>(Event::leave_empty)], 1u);
}

TEST(GvrpParticipant, ALostLeaveEndsByTheNextLeaveAllAndAStoppedPortForgetsAtOnce) {
    Pair w;
    w.a.part.declare(0, 30, true, w.now);
    w.run(250);
    w.carries = false;  // the leave is lost
    w.a.part.declare(0, 30, false, w.now);
    w.run(500);
    w.carries = true;
    EXPECT_TRUE(w.b.part.registered(0, 30));
    w.run(2500);  // a leave-all of either side, and nobody joins again
    EXPECT_FALSE(w.b.part.registered(0, 30));

    w.a.part.declare(0, 31, true, w.now);
    w.run(250);
    ASSERT_TRUE(w.b.part.registered(0, 31));
    uint64_t gen = w.b.part.generation();
    w.b.part.configure(0, {false, Registration::normal, 100, 300, 2000}, w.now);  // link down
    EXPECT_FALSE(w.b.part.registered(0, 31));
    EXPECT_NE(w.b.part.generation(), gen);
    w.b.part.configure(0, {true, Registration::normal, 100, 300, 2000}, w.now);  // and up: a's joins again
    w.run(2500);
    EXPECT_TRUE(w.b.part.registered(0, 31));
}

}  // namespace
