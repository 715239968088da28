// test_stp.cpp - the spanning tree on the wire without the wire: BPDUs to
// and from frames, and bridges of sim/proto joined by links in memory, on a
// clock of the test's own (no root, no sleeping).
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "proto/stp_bridge.h"

namespace {

using namespace kelsim::stp;

// ---- BPDUs ---------------------------------------------------------------------

const uint8_t kSrc[6] = {0x02, 0, 0, 0, 0, 9};
const Vector kVector{0x8000001122334455ull, 20000, 0x9000AABBCCDDEEFFull, 0x8003, 0, 0};
const Times kTimes{256, 5120, 512, 3840};

std::vector<uint8_t> frame_of(Kind kind, uint8_t version = kVersionRstp) {
    Bpdu b{kind, version, 0x7F, kVector, kTimes};
    std::vector<uint8_t> f(kFrameSize);
    encode(b, kSrc, f.data());
    return f;
}

TEST(Bpdu, DecodesWhatItEncodesAndRefusesTheRest) {
    struct Row {
        const char *what;
        Kind kind;
        size_t at;  // a byte to change (0: none)
        uint8_t value;
        size_t len;  // of the frame given (0: whole)
        Decoded want;
    } rows[] = {
        {"configuration", Kind::config, 0, 0, 0, Decoded::ok},
        {"rapid", Kind::rst, 0, 0, 0, Decoded::ok},
        {"notification", Kind::tcn, 0, 0, 0, Decoded::ok},
        {"multiple tree's, taken as rapid", Kind::rst, 19, kVersionMstp, 0, Decoded::ok},
        {"an EtherType, not a length", Kind::config, 12, 0x08, 0, Decoded::not_bpdu},
        {"another LLC header", Kind::config, 14, 0xAA, 0, Decoded::not_bpdu},
        {"no LLC header at all", Kind::config, 0, 0, 16, Decoded::not_bpdu},
        {"a length beyond the frame", Kind::config, 13, 60, 0, Decoded::short_frame},
        {"a length below any BPDU", Kind::config, 13, 6, 0, Decoded::short_frame},
        {"a length of a notification on a configuration", Kind::config, 13, 7, 0, Decoded::short_frame},
        {"a rapid BPDU one byte short", Kind::rst, 13, 38, 0, Decoded::short_frame},
        {"a frame cut before its BPDU ends", Kind::config, 0, 0, 40, Decoded::short_frame},
        {"protocol identifier not 0", Kind::config, 18, 1, 0, Decoded::bad_header},
        {"rapid type of the original version", Kind::rst, 19, kVersionStp, 0, Decoded::bad_header},
        {"unknown type", Kind::config, 20, 0x33, 0, Decoded::bad_header},
        {"message age of the max age", Kind::config, 44, 20, 0, Decoded::bad_times},
    };
    for (const Row &r : rows) {
        std::vector<uint8_t> f = frame_of(r.kind);
        if (r.at) f[r.at] = r.value;
        Bpdu b{};
        EXPECT_EQ(decode(f.data(), r.len ? r.len : f.size(), &b), r.want) << r.what;
        EXPECT_TRUE(r.want != Decoded::ok || b.kind == r.kind) << r.what;
    }
}

TEST(Bpdu, FieldsTravelIntact) {
    for (Kind kind : {Kind::config, Kind::rst}) {
        std::vector<uint8_t> f = frame_of(kind);
        Bpdu b{};
        ASSERT_EQ(decode(f.data(), f.size(), &b), Decoded::ok);
        EXPECT_EQ(b.v, kVector);
        EXPECT_EQ(b.t, kTimes);
        // A configuration BPDU carries only the topology change flags.
        EXPECT_EQ(b.flags, kind == Kind::config ? (kFlagTc | kFlagTcAck) & 0x7F : 0x7F);
        EXPECT_EQ(f[12] << 8 | f[13], kind == Kind::config ? 38 : 39);
        EXPECT_EQ(std::memcmp(f.data() + 6, kSrc, 6), 0);
    }
    EXPECT_EQ(bridge_id(61440 + 4095, kSrc), 0xF000020000000009ull);  // the extension stays 0
    EXPECT_EQ(port_id(240, 4097), 0xF001);
}

// ---- Bridges joined in memory ----------------------------------------------------

struct Link {
    int a, pa, b, pb;  // bridge and port of each end
    bool up = true;
};

struct Net;
struct Node : Actions {
    Net *net = nullptr;
    int index = 0;
    Bridge bridge;
    BridgeConfig cfg{};
    PortConfig ports[kPorts]{};
    std::vector<int> flushed;
    void transmit(int port, const Bpdu &b) override;
    void flush(int port) override { flushed.push_back(port); }
};

struct Net {
    std::vector<std::unique_ptr<Node>> nodes;
    std::vector<Link> links;
    std::deque<std::pair<int, std::pair<int, Bpdu>>> wire;  // (bridge, (port, BPDU)) in flight
    uint64_t now = 86400000;                                // a monotonic clock that has run a day

    // Bridges of the given modes and priorities; every port of a link takes part.
    Net(std::vector<Mode> modes, std::vector<uint32_t> prio, std::vector<Link> l) : links(std::move(l)) {
        for (size_t i = 0; i < modes.size(); ++i) {
            auto n = std::make_unique<Node>();
            n->net = this;
            n->index = static_cast<int>(i);
            uint8_t mac[6] = {0x02, 0, 0, 0, 0, static_cast<uint8_t>(i + 1)};
            n->cfg = {true, modes[i], prio[i], {}, 20, 2, 15, 6};
            std::memcpy(n->cfg.mac, mac, 6);
            for (int p = 0; p < kPorts; ++p)
                n->ports[p] = {false, false, static_cast<uint16_t>(p + 1), 128, 20000, false, true, false};
            nodes.push_back(std::move(n));
        }
        for (const Link &k : links) ports(k.a, k.pa).present = ports(k.b, k.pb).present = true;
        configure();
    }
    PortConfig &ports(int n, int p) { return nodes[n]->ports[p]; }
    void configure() {
        for (const Link &k : links) ports(k.a, k.pa).link = ports(k.b, k.pb).link = k.up;
        for (auto &n : nodes) n->bridge.configure(n->cfg, n->ports, *n);
    }
    // Runs the clock for ms milliseconds in steps of 10, BPDUs crossing at once.
    void run(uint32_t ms) {
        for (uint32_t t = 0; t < ms; t += 10) {
            now += 10;
            for (auto &n : nodes) n->bridge.tick(now, *n);
            for (int guard = 0; !wire.empty() && guard < 100000; ++guard) {
                auto [to, what] = wire.front();
                wire.pop_front();
                nodes[to]->bridge.receive(what.first, what.second, *nodes[to]);
            }
        }
    }
    // The ports that take part and do not forward, as "bridge.port ...".
    std::string blocked() {
        std::string s;
        for (const Link &k : links)
            for (auto [n, p] : {std::pair{k.a, k.pa}, std::pair{k.b, k.pb}})
                if (k.up && nodes[n]->bridge.state(p) != State::forwarding)
                    s += (s.empty() ? "" : " ") + std::to_string(n) + "." + std::to_string(p);
        return s;
    }
};

void Node::transmit(int port, const Bpdu &b) {
    for (const Link &k : net->links) {
        if (!k.up) continue;
        if (k.a == index && k.pa == port) net->wire.push_back({k.b, {k.pb, b}});
        if (k.b == index && k.pb == port) net->wire.push_back({k.a, {k.pa, b}});
    }
}

constexpr Mode S = Mode::stp, R = Mode::rstp;

TEST(Bridges, ElectOneRootAndBlockExactlyTheLoop) {
    struct Row {
        const char *what;
        std::vector<Mode> modes;
        std::vector<uint32_t> prio;
        std::vector<Link> links;
        uint32_t ms;  // time allowed
        int root;
        const char *blocked;
    } rows[] = {
        // clang-format off
        {"two rapid bridges, two links: at once", {R, R}, {32768, 4096}, {{0, 0, 1, 0}, {0, 1, 1, 1}}, 500, 1, "0.1"},
        {"the lower address wins a tie", {R, R}, {32768, 32768}, {{0, 0, 1, 0}, {0, 1, 1, 1}}, 500, 0, "1.1"},
        {"the peer's port id decides", {R, R}, {32768, 4096}, {{0, 3, 1, 5}, {0, 4, 1, 2}}, 500, 1, "0.3"},
        {"original tree: after two forward delays", {S, S}, {4096, 8192}, {{0, 0, 1, 0}, {0, 1, 1, 1}}, 31000, 0, "1.1"},
        {"a rapid bridge falls back to the original", {R, S}, {4096, 8192}, {{0, 0, 1, 0}, {0, 1, 1, 1}}, 31000, 0, "1.1"},
        {"and the original as root", {R, S}, {8192, 4096}, {{0, 0, 1, 0}, {0, 1, 1, 1}}, 31000, 1, "0.1"},
        {"a triangle blocks between the others", {R, R, R}, {4096, 8192, 12288}, {{0, 0, 1, 0}, {1, 1, 2, 1}, {2, 0, 0, 1}}, 500, 0, "2.1"},
        {"a ring of four", {R, R, R, R}, {8192, 4096, 8192, 8192}, {{0, 0, 1, 0}, {1, 1, 2, 0}, {2, 1, 3, 0}, {3, 1, 0, 1}}, 500, 1, "3.0"},
        {"no loop, nothing blocked", {R, R, R}, {4096, 8192, 12288}, {{0, 0, 1, 0}, {1, 1, 2, 1}}, 500, 0, ""},
        // clang-format on
    };
    for (const Row &r : rows) {
        Net net(r.modes, r.prio, r.links);
        net.run(r.ms);
        for (auto &n : net.nodes) {
            EXPECT_EQ(n->bridge.root().root, net.nodes[r.root]->bridge.root().bridge) << r.what;
            EXPECT_EQ(n->bridge.root_port() < 0, n->index == r.root) << r.what;
        }
        EXPECT_EQ(net.blocked(), r.blocked) << r.what;
    }
}

TEST(Bridges, PathCostsChooseTheRootPort) {
    // 0 is the root; 1 reaches it directly (cost 20000 x 20) or through 2.
    Net net({R, R, R}, {4096, 32768, 32768}, {{0, 0, 1, 0}, {1, 1, 2, 1}, {2, 0, 0, 1}});
    net.ports(1, 0).cost = 400000;
    net.configure();
    net.run(500);
    EXPECT_EQ(net.nodes[1]->bridge.root_port(), 1);
    EXPECT_EQ(net.nodes[1]->bridge.root().cost, 40000u);
    EXPECT_EQ(net.nodes[1]->bridge.role(0), Role::alternate);
    EXPECT_EQ(net.blocked(), "1.0");
}

TEST(Bridges, ALinkLostMovesTheRootPortAndFlushes) {
    Net net({R, R}, {4096, 32768}, {{0, 0, 1, 0}, {0, 1, 1, 1}});
    net.run(500);
    ASSERT_EQ(net.blocked(), "1.1");
    uint32_t changes = net.nodes[1]->bridge.topology_changes();
    net.nodes[1]->flushed.clear();
    net.links[0].up = false;
    net.configure();
    net.run(100);
    EXPECT_EQ(net.nodes[1]->bridge.role(1), Role::root);
    EXPECT_EQ(net.nodes[1]->bridge.state(1), State::forwarding);
    EXPECT_EQ(net.nodes[1]->bridge.state(0), State::disabled);
    EXPECT_GT(net.nodes[1]->bridge.topology_changes(), changes);
    EXPECT_FALSE(net.nodes[1]->flushed.empty());
    EXPECT_EQ(net.blocked(), "");
}

TEST(Bridges, InformationAgesWhenTheRootFallsSilent) {
    Net net({R, R}, {4096, 32768}, {{0, 0, 1, 0}});
    net.run(500);
    ASSERT_EQ(net.nodes[1]->bridge.root_port(), 0);
    net.nodes[0]->cfg.enabled = false;  // the root stops sending, its link stays up
    net.nodes[0]->bridge.configure(net.nodes[0]->cfg, net.nodes[0]->ports, *net.nodes[0]);
    net.run(6100);  // three of the root's hello times
    EXPECT_EQ(net.nodes[1]->bridge.root_port(), -1);
    EXPECT_EQ(net.nodes[1]->bridge.role(0), Role::designated);
}

TEST(Bridges, EdgePortsAndBpduGuard) {
    Net net({R, R}, {4096, 32768}, {{0, 0, 1, 0}});
    net.ports(0, 5) = {true, true, 6, 128, 20000, true, true, false};  // a host's port, no peer
    net.ports(0, 6) = {true, true, 7, 128, 20000, false, true, false};
    net.configure();
    net.run(100);
    EXPECT_EQ(net.nodes[0]->bridge.state(5), State::forwarding);  // edge: at once
    EXPECT_EQ(net.nodes[0]->bridge.state(6), State::discarding);  // proposes to nobody
    net.run(15000);
    EXPECT_EQ(net.nodes[0]->bridge.state(6), State::learning);
    // A BPDU on an edge port: no longer edge. With BPDU guard: shut until its link goes down.
    const uint64_t worst = 0xF000FFFFFFFFFFFFull;
    Bpdu b{Kind::rst, kVersionRstp, 3 << kRoleShift, {worst, 0, worst, 0x8001, 0, 0}, {0, 5120, 512, 3840}};
    net.nodes[0]->bridge.receive(5, b, *net.nodes[0]);
    EXPECT_FALSE(net.nodes[0]->bridge.edge(5));
    net.ports(0, 6).bpdu_guard = true;
    net.configure();
    b.v = {1, 0, 1, 0x8001, 0, 0};  // the best root there is
    net.nodes[0]->bridge.receive(6, b, *net.nodes[0]);
    EXPECT_TRUE(net.nodes[0]->bridge.shut(6));
    EXPECT_EQ(net.nodes[0]->bridge.state(6), State::disabled);
    EXPECT_EQ(net.nodes[0]->bridge.root_port(), -1);  // the guard's BPDU elected nothing
    for (bool link : {false, true}) {
        net.ports(0, 6).link = link;
        net.nodes[0]->bridge.configure(net.nodes[0]->cfg, net.nodes[0]->ports, *net.nodes[0]);
    }
    EXPECT_FALSE(net.nodes[0]->bridge.shut(6));
    EXPECT_EQ(net.nodes[0]->bridge.role(6), Role::designated);
}

}  // namespace
