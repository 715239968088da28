// test_lacp.cpp - LACP without the wire: LACPDUs to and from frames, and
// systems of sim/proto joined by links in memory, on a clock of the test's
// own (no root, no sleeping).
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "proto/lacp_system.h"

namespace {

using namespace kelsim::lacp;

const uint8_t kSrc[6] = {0x02, 0, 0, 0, 0, 9};
const Info kActor{0x1234, {0x02, 1, 2, 3, 4, 5}, 7, 0x80, 3, 0x3F};
const Info kPartner{0x8000, {0x02, 6, 7, 8, 9, 10}, 0x0102, 0x40, 0x0203, 0x45};

std::vector<uint8_t> lacpdu() {
    std::vector<uint8_t> f(kFrameSize);
    encode(Pdu{kActor, kPartner, 5}, kSrc, f.data());
    return f;
}

TEST(Lacpdu, DecodesWhatItEncodesAndRefusesTheRest) {
    struct Row {
        const char *what;
        uint8_t version;
        size_t at;  // a byte to change (0: none)
        uint8_t value;
        size_t len;  // of the frame given (0: whole)
        Decoded want;
    } rows[] = {
        {"an LACPDU", 1, 0, 0, 0, Decoded::ok},
        {"a later version with a block after the collector's", 2, 72, 5, 0, Decoded::ok},
        {"a marker PDU", 1, 14, 2, 0, Decoded::marker},
        {"another slow protocol", 1, 14, 10, 0, Decoded::not_lacp},
        {"another EtherType", 1, 13, 0x0A, 0, Decoded::not_lacp},
        {"a frame that ends before its subtype", 1, 0, 0, 14, Decoded::not_lacp},
        {"one byte short", 1, 0, 0, kFrameSize - 1, Decoded::short_frame},
        {"version 0", 0, 0, 0, 0, Decoded::bad_header},
        {"actor block of another type", 1, 16, 2, 0, Decoded::bad_header},
        {"actor block of another length", 2, 17, 19, 0, Decoded::bad_header},
        {"partner block of another type", 1, 36, 1, 0, Decoded::bad_header},
        {"collector block of another length", 1, 57, 20, 0, Decoded::bad_header},
        {"no terminator in version 1", 1, 72, 5, 0, Decoded::bad_header},
    };
    for (const Row &r : rows) {
        std::vector<uint8_t> f = lacpdu();
        f[15] = r.version;
        if (r.at) f[r.at] = r.value;
        Pdu p{};
        EXPECT_EQ(decode(f.data(), r.len ? r.len : f.size(), &p), r.want) << r.what;
    }
}

TEST(Lacpdu, FieldsTravelIntact) {
    std::vector<uint8_t> f = lacpdu();
    Pdu p{};
    ASSERT_EQ(decode(f.data(), f.size(), &p), Decoded::ok);
    EXPECT_TRUE(same_port(p.actor, kActor) && p.actor.state == kActor.state);
    EXPECT_TRUE(same_port(p.partner, kPartner) && p.partner.state == kPartner.state);
    EXPECT_EQ(p.max_delay, 5);
    EXPECT_EQ(std::memcmp(f.data(), kAddress, 6), 0);
    EXPECT_EQ(std::memcmp(f.data() + 6, kSrc, 6), 0);
    EXPECT_EQ(f[12] << 8 | f[13], 0x8809);
    for (size_t i = 72; i < kFrameSize; ++i) ASSERT_EQ(f[i], 0) << i;  // terminator, padding
}

// ---- Systems joined in memory ------------------------------------------------------

struct Link {
    int a, pa, ka, b, pb, kb;  // system, port and key of each end
    bool up = true;            // the link
    bool carries = true;       // false: the link is up but its frames are lost
};

struct Net;
struct Node : Actions {
    Net *net = nullptr;
    int index = 0;
    System sys;
    SystemConfig cfg{};
    PortConfig ports[kPorts]{};
    uint32_t sent = 0;
    void transmit(int port, const Pdu &p) override;
};

struct Net {
    std::vector<std::unique_ptr<Node>> nodes;
    std::vector<Link> links;
    std::deque<std::tuple<int, int, std::vector<uint8_t>>> wire;  // (system, port, frame) in flight
    uint64_t now = 86400000;

    Net(int n, std::vector<Link> l, bool fast = true) : links(std::move(l)) {
        for (int i = 0; i < n; ++i) {
            auto node = std::make_unique<Node>();
            node->net = this;
            node->index = i;
            node->cfg = {32768, {0x02, 0, 0, 0, 0, static_cast<uint8_t>(i + 1)}};
            nodes.push_back(std::move(node));
        }
        for (const Link &k : links) {
            port(k.a, k.pa) = {
                true, k.up, fast, static_cast<uint16_t>(k.ka), 128, static_cast<uint16_t>(k.pa)};
            port(k.b, k.pb) = {
                true, k.up, fast, static_cast<uint16_t>(k.kb), 128, static_cast<uint16_t>(k.pb)};
        }
        configure();
    }
    PortConfig &port(int n, int p) { return nodes[n]->ports[p]; }
    void configure() {
        for (auto &n : nodes) n->sys.configure(n->cfg, n->ports, *n);
    }
    // The frame a port sent, to the other end of its link if the link carries it.
    void send(int n, int p, const std::vector<uint8_t> &f) {
        for (const Link &k : links) {
            if (!k.up || !k.carries) continue;
            if (k.a == n && k.pa == p) wire.push_back({k.b, k.pb, f});
            if (k.b == n && k.pb == p) wire.push_back({k.a, k.pa, f});
        }
    }
    // Runs the clock for ms milliseconds in steps of 10, LACPDUs crossing at once.
    void run(uint32_t ms) {
        for (uint32_t t = 0; t < ms; t += 10) {
            now += 10;
            for (auto &n : nodes) n->sys.tick(now, *n);
            while (!wire.empty()) {
                auto [to, port, f] = wire.front();
                wire.pop_front();
                Pdu p{};
                ASSERT_EQ(decode(f.data(), f.size(), &p), Decoded::ok);
                nodes[to]->sys.receive(port, p, *nodes[to]);
            }
        }
    }
    // The ports that collect and distribute, as "system.port ...".
    std::string distributing() {
        std::string out;
        for (auto &n : nodes)
            for (int p = 0; p < kPorts; ++p)
                if (n->sys.distributing(p))
                    out += (out.empty() ? "" : " ") + std::to_string(n->index) + "." + std::to_string(p);
        return out;
    }
};

void Node::transmit(int port, const Pdu &p) {
    std::vector<uint8_t> f(kFrameSize);
    encode(p, cfg.mac, f.data());
    ++sent;
    net->send(index, port, f);
}

TEST(LacpSystems, AggregateThePortsOfOneKeyThatReachOnePartnerAndKey) {
    struct Row {
        const char *what;
        int systems;
        std::vector<Link> links;
        const char *want;
    } rows[] = {
        {"two links, one key each side", 2, {{0, 1, 1, 1, 1, 1}, {0, 2, 1, 1, 2, 1}}, "0.1 0.2 1.1 1.2"},
        {"two keys on each side: two aggregations",
         2,
         {{0, 1, 1, 1, 1, 1}, {0, 2, 2, 1, 2, 2}},
         "0.1 0.2 1.1 1.2"},
        {"the other side's ports in two keys: the first port's partner key wins",
         2,
         {{0, 1, 1, 1, 1, 1}, {0, 2, 1, 1, 2, 2}},
         "0.1 1.1"},
        {"two partner systems in one key: the first port's wins",
         3,
         {{0, 1, 1, 1, 1, 1}, {0, 2, 1, 2, 1, 1}},
         "0.1 1.1"},
        {"a link down", 2, {{0, 1, 1, 1, 1, 1}, {0, 2, 1, 1, 2, 1, false}}, "0.1 1.1"},
        {"a link whose frames are lost", 2, {{0, 1, 1, 1, 1, 1}, {0, 2, 1, 1, 2, 1, true, false}}, "0.1 1.1"},
    };
    for (const Row &r : rows) {
        Net net(r.systems, r.links);
        net.run(1990);  // (not before the aggregate wait of 2 s)
        EXPECT_EQ(net.distributing(), "") << r.what;
        net.run(1000);
        EXPECT_EQ(net.distributing(), r.want) << r.what;
    }
}

TEST(LacpSystems, StatesAndPartnersAsTheRecordsShowThem) {
    Net net(2, {{0, 1, 1, 1, 1, 1}, {0, 2, 1, 1, 2, 1}, {0, 3, 1, 1, 3, 1, false}});
    net.run(3000);
    const System &a = net.nodes[0]->sys;
    for (int p : {1, 2}) {
        EXPECT_EQ(a.state(p), kActivity | kTimeout | kAggregation | kSync | kCollecting | kDistributing) << p;
        EXPECT_EQ(a.mux(p), Mux::collecting_distributing);
        const Info &partner = a.partner(p);
        EXPECT_EQ(std::memcmp(partner.sys, net.nodes[1]->cfg.mac, 6), 0);
        EXPECT_EQ(partner.sys_priority, 32768);
        EXPECT_EQ(partner.key, 1);
        EXPECT_EQ(partner.port, p);
        EXPECT_EQ(partner.state, a.state(p));
    }
    EXPECT_EQ(a.state(3), kActivity | kTimeout | kAggregation | kDefaulted);  // link down
    EXPECT_FALSE(a.running(3));
}

TEST(LacpSystems, AMemberThatHearsNothingLeavesAfterItsTimeoutAndComesBack) {
    struct Row {
        bool fast;
        uint32_t silent_ms;
        const char *want;  // who distributes
        Rx rx;             // the silent port's receive state on system 0
    } rows[] = {
        // (the last LACPDU came up to one periodic interval before the silence)
        {true, 1900, "0.1 0.2 1.1 1.2", Rx::current}, {true, 3100, "0.1 1.1", Rx::expired},
        {true, 6100, "0.1 1.1", Rx::defaulted},       {false, 59000, "0.1 0.2 1.1 1.2", Rx::current},
        {false, 91000, "0.1 1.1", Rx::expired},
    };
    for (const Row &r : rows) {
        Net net(2, {{0, 1, 1, 1, 1, 1}, {0, 2, 1, 1, 2, 1}}, r.fast);
        net.run(3000);
        ASSERT_EQ(net.distributing(), "0.1 0.2 1.1 1.2");
        net.links[1].carries = false;
        net.run(r.silent_ms);
        EXPECT_EQ(net.distributing(), r.want) << r.fast << " " << r.silent_ms;
        EXPECT_EQ(net.nodes[0]->sys.rx(2), r.rx) << r.fast << " " << r.silent_ms;
        EXPECT_EQ(net.nodes[0]->sys.state(2) & kDefaulted, r.rx == Rx::defaulted ? kDefaulted : 0);
        net.links[1].carries = true;
        net.run(r.fast ? 4000 : 33000);  // (a defaulted slow port asks again within 30 s)
        EXPECT_EQ(net.distributing(), "0.1 0.2 1.1 1.2") << r.fast << " " << r.silent_ms << " back";
    }
}

TEST(LacpSystems, APartnerThatMisdescribesThisPortIsNeverInSync) {
    Net net(1, {});
    net.port(0, 1) = {true, true, true, 1, 128, 1};
    net.configure();
    Pdu p{};
    p.actor = {32768, {0x02, 0, 0, 0, 0, 9}, 1, 128, 1, 0x3F};
    p.partner = {32768, {0x02, 0, 0, 0, 0, 1}, 2, 128, 1, 0x3F};  // key 2: not this port
    for (int i = 0; i < 10; ++i) {
        net.nodes[0]->sys.receive(1, p, *net.nodes[0]);
        net.run(500);
    }
    EXPECT_EQ(net.nodes[0]->sys.mux(1), Mux::attached);
    EXPECT_EQ(net.distributing(), "");
    p.partner.key = 1;
    net.nodes[0]->sys.receive(1, p, *net.nodes[0]);
    EXPECT_EQ(net.distributing(), "0.1");
}

TEST(LacpSystems, AFloodOfLacpdusIsAnsweredAtMostThreeTimesASecond) {
    Net net(1, {});
    net.port(0, 1) = {true, true, true, 1, 128, 1};
    net.configure();
    net.run(10);  // (its first LACPDU: one of the second's three)
    Pdu p{};
    p.actor = {32768, {0x02, 0, 0, 0, 0, 9}, 1, 128, 1, kActivity | kAggregation};
    for (int i = 0; i < 1000; ++i) {
        p.actor.key = static_cast<uint16_t>(i % 2 + 1);  // a partner that keeps changing
        net.nodes[0]->sys.receive(1, p, *net.nodes[0]);
    }
    EXPECT_EQ(net.nodes[0]->sent, 3u);
    net.run(1000);
    EXPECT_GT(net.nodes[0]->sent, 3u);  // the next second's
}

}  // namespace
