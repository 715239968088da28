// test_mst.cpp - the multiple spanning tree without the wire: its BPDUs to
// and from frames, the region's digest, and MST bridges of sim/proto joined
// by links in memory on a clock of the test's own.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "proto/mst_bpdu.h"
#include "proto/mst_bridge.h"

namespace {

using namespace kelsim::stp;

const uint8_t kSrc[6] = {0x02, 0, 0, 0, 0, 7};

Mst sample_mst(int count) {
    Mst m{};
    std::memcpy(m.id.name, "region-a", 8);
    m.id.revision = 0x0102;
    for (size_t i = 0; i < kDigestSize; ++i) m.id.digest[i] = static_cast<uint8_t>(0xA0 + i);
    m.internal_cost = 400000;
    m.bridge = 0x7000020000000007ull;
    m.hops = 19;
    m.count = static_cast<uint8_t>(count);
    for (int i = 0; i < count; ++i)
        m.msti[i] = {static_cast<uint8_t>(0x7C | i),
                     0x1000020000000001ull + (uint64_t(i + 1) << 48),
                     20000u * static_cast<uint32_t>(i),
                     static_cast<uint8_t>(0x10 * i),
                     0x80,
                     static_cast<uint8_t>(20 - i)};
    return m;
}

std::vector<uint8_t> mst_frame(int count) {
    Bpdu b{Kind::rst,
           kVersionMstp,
           0x3C,
           {0x8000020000000001ull, 20000, 0x9000020000000003ull, 0x8002, 0, 0},
           {0, 5120, 512, 3840}};
    std::vector<uint8_t> f(kMaxFrameSize);
    f.resize(encode_mst(b, sample_mst(count), kSrc, f.data()));
    return f;
}

TEST(MstBpdu, FieldsTravelIntact) {
    for (int count : {0, 1, 3, 15}) {
        std::vector<uint8_t> f = mst_frame(count);
        EXPECT_EQ(f.size(), 17u + 102 + 16 * count);
        EXPECT_EQ(f[12] << 8 | f[13], 3 + 102 + 16 * count);
        EXPECT_EQ(f[17 + 36] << 8 | f[17 + 37], 64 + 16 * count);  // the version 3 length
        Bpdu b{};
        Mst m{};
        bool has = false;
        ASSERT_EQ(decode_mst(f.data(), f.size(), &b, &m, &has), Decoded::ok) << count;
        ASSERT_TRUE(has);
        Mst want = sample_mst(count);
        EXPECT_EQ(b.version, kVersionMstp);
        EXPECT_EQ(b.v.cost, 20000u);
        EXPECT_EQ(b.v.bridge, 0x9000020000000003ull);  // there, the regional root
        EXPECT_TRUE(m.id == want.id);
        EXPECT_EQ(m.internal_cost, want.internal_cost);
        EXPECT_EQ(m.bridge, want.bridge);
        EXPECT_EQ(m.hops, want.hops);
        ASSERT_EQ(m.count, count);
        for (int i = 0; i < count; ++i) {
            const MstiMessage &g = m.msti[i], &w = want.msti[i];
            EXPECT_EQ(g.flags, w.flags);
            EXPECT_EQ(g.regional_root, w.regional_root);
            EXPECT_EQ(g.cost, w.cost);
            EXPECT_EQ(g.bridge_priority, w.bridge_priority);
            EXPECT_EQ(g.port_priority, w.port_priority);
            EXPECT_EQ(g.hops, w.hops);
        }
    }
}

TEST(MstBpdu, RefusesWhatDoesNotAddUp) {
    struct Row {
        const char *what;
        int at;  // a byte to change (-1: none)
        uint8_t value;
        int cut;  // bytes cut from the end, the 802.3 length following
        Decoded want;
        bool has_mst;
    } rows[] = {
        {"whole", -1, 0, 0, Decoded::ok, true},
        {"version 4 reads as 3", 19, 4, 0, Decoded::ok, true},
        {"an MSTI message cut off", -1, 0, 16, Decoded::bad_mst, false},
        {"an MSTI message cut short", -1, 0, 5, Decoded::bad_mst, false},
        {"version 3 length one more", 17 + 37, 64 + 32 + 1, 0, Decoded::bad_mst, false},
        {"version 3 length a message more", 17 + 37, 64 + 48, 0, Decoded::bad_mst, false},
        {"version 3 length below its part", 17 + 37, 63, 0, Decoded::bad_mst, false},
        {"version 1 length not 0", 17 + 35, 1, 0, Decoded::bad_mst, false},
        {"too short for the part: rapid", -1, 0, 32 + 1, Decoded::ok, false},
        {"version 2: rapid", 19, kVersionRstp, 0, Decoded::ok, false},
    };
    for (const Row &r : rows) {
        std::vector<uint8_t> f = mst_frame(2);
        if (r.at >= 0) f[r.at] = r.value;
        f.resize(f.size() - r.cut);
        f[13] = static_cast<uint8_t>(f.size() - 14);
        Bpdu b{};
        Mst m{};
        bool has = true;
        EXPECT_EQ(decode_mst(f.data(), f.size(), &b, &m, &has), r.want) << r.what;
        EXPECT_EQ(has, r.has_mst) << r.what;
    }
}

TEST(MstBpdu, DigestOfTheVlanTable) {
    uint8_t table[4095] = {}, d[kDigestSize], again[kDigestSize];
    config_digest(table, d);  // every VLAN in the common instance: the well-known answer
    const uint8_t all_common[kDigestSize] = {0xAC, 0x36, 0x17, 0x7F, 0x50, 0x28, 0x3C, 0xD4,
                                             0xB8, 0x38, 0x21, 0xD8, 0xAB, 0x26, 0xDE, 0x62};
    EXPECT_EQ(std::memcmp(d, all_common, sizeof d), 0);
    for (int vid : {1, 2, 100, 4094}) {
        table[vid] = 3;
        config_digest(table, again);
        EXPECT_NE(std::memcmp(d, again, sizeof d), 0) << vid;
        table[vid] = 0;
    }
}

// ---- MST bridges joined in memory, through the codec --------------------------

struct Link {
    int a, pa, b, pb;
};

struct Net;
struct Node : Actions {
    Net *net = nullptr;
    int index = 0;
    MstBridge bridge;
    BridgeConfig cfg{};
    PortConfig ports[kPorts]{};
    MstConfig mst{};
    void send(int port, const uint8_t *f, size_t len);
    void transmit(int port, const Bpdu &b) override {
        uint8_t f[kFrameSize];
        encode(b, cfg.mac, f);
        send(port, f, sizeof f);
    }
    void transmit_mst(int port, const Bpdu &b, const Mst &m) override {
        uint8_t f[kMaxFrameSize];
        send(port, f, encode_mst(b, m, cfg.mac, f));
    }
    void flush(int) override {}
};

struct Net {
    std::vector<std::unique_ptr<Node>> nodes;
    std::vector<Link> links;
    std::deque<std::pair<int, std::pair<int, std::vector<uint8_t>>>> wire;
    uint64_t now = 86400000;

    // Bridges of the given modes, region names and common tree priorities;
    // instances 1 and 2 exist (with priorities 32768) where the region is named.
    Net(std::vector<Mode> modes, std::vector<const char *> regions, std::vector<uint32_t> prio,
        std::vector<Link> l)
        : links(std::move(l)) {
        for (size_t i = 0; i < modes.size(); ++i) {
            auto n = std::make_unique<Node>();
            n->net = this;
            n->index = static_cast<int>(i);
            n->cfg = {true, modes[i], prio[i], {0x02, 0, 0, 0, 0, static_cast<uint8_t>(i + 1)}, 20, 2, 15, 6};
            for (int p = 0; p < kPorts; ++p)
                n->ports[p] = {false, true, static_cast<uint16_t>(p + 1), 128, 20000, false, true, false};
            std::memcpy(n->mst.id.name, regions[i], std::strlen(regions[i]));
            n->mst.max_hops = 20;
            n->mst.instances = 0x6;
            for (int k = 0; k < kInstances; ++k) {
                n->mst.priority[k] = 32768;
                for (int p = 0; p < kPorts; ++p)
                    n->mst.port_priority[k][p] = 128, n->mst.port_cost[k][p] = 20000;
            }
            nodes.push_back(std::move(n));
        }
        for (const Link &k : links) nodes[k.a]->ports[k.pa].present = nodes[k.b]->ports[k.pb].present = true;
    }
    void configure() {
        for (auto &n : nodes) n->bridge.configure(n->cfg, n->ports, n->mst, *n);
    }
    void run(uint32_t ms) {
        for (uint32_t t = 0; t < ms; t += 10) {
            now += 10;
            for (auto &n : nodes) n->bridge.tick(now, *n);
            for (int guard = 0; !wire.empty() && guard < 100000; ++guard) {
                auto [to, what] = wire.front();
                wire.pop_front();
                Bpdu b{};
                Mst m{};
                bool has = false;
                ASSERT_EQ(decode_mst(what.second.data(), what.second.size(), &b, &m, &has), Decoded::ok);
                nodes[to]->bridge.receive(what.first, b, has ? &m : nullptr, *nodes[to]);
            }
        }
    }
    // Instance k's ports that do not forward, as "bridge.port ...".
    std::string blocked(int k) {
        std::string s;
        for (const Link &l : links)
            for (auto [n, p] : {std::pair{l.a, l.pa}, std::pair{l.b, l.pb}})
                if (nodes[n]->bridge.state(k, p) != State::forwarding)
                    s += (s.empty() ? "" : " ") + std::to_string(n) + "." + std::to_string(p);
        return s;
    }
    // The bridge each one takes for instance k's root, as digits.
    std::string roots(int k) {
        std::string s;
        for (auto &n : nodes) s += std::to_string((n->bridge.root(k).root & 0xFF) - 1);
        return s;
    }
};

void Node::send(int port, const uint8_t *f, size_t len) {
    for (const Link &k : net->links) {
        if (k.a == index && k.pa == port) net->wire.push_back({k.b, {k.pb, {f, f + len}}});
        if (k.b == index && k.pb == port) net->wire.push_back({k.a, {k.pa, {f, f + len}}});
    }
}

constexpr Mode R = Mode::rstp, M = Mode::mstp;

TEST(MstBridges, EachInstanceItsOwnTreeInsideTheRegion) {
    struct Row {
        const char *what;
        std::vector<Mode> modes;
        std::vector<const char *> regions;
        const char *roots[3];    // per instance 0, 1, 2
        const char *blocked[3];  // per instance
        const char *boundary;    // ports of bridge 0 on the boundary, as digits
    } rows[] = {
        // clang-format off
        {"one region", {M, M}, {"r", "r"}, {"00", "00", "11"}, {"1.1", "1.1", "0.0"}, ""},
        {"two regions: the instances follow the common tree", {M, M}, {"r", "s"}, {"00", "01", "01"}, {"1.1", "1.1", "1.1"}, "01"},
        {"a rapid neighbour: the same", {M, R}, {"r", ""}, {"00", "00", "00"}, {"1.1", "1.1", "1.1"}, "01"},
        // clang-format on
    };
    for (const Row &r : rows) {
        // Bridge 0 is the common root and instance 1's, bridge 1 instance 2's,
        // whose cost through link 0 is high on bridge 0.
        Net net(r.modes, r.regions, {4096, 32768}, {{0, 0, 1, 0}, {0, 1, 1, 1}});
        net.nodes[0]->mst.priority[1] = 4096;
        net.nodes[1]->mst.priority[2] = 4096;
        net.nodes[0]->mst.port_cost[2][0] = 2000000;
        net.configure();
        net.run(1000);
        std::string boundary;
        for (int p : {0, 1})
            if (net.nodes[0]->bridge.boundary(p)) boundary += std::to_string(p);
        EXPECT_EQ(boundary, r.boundary) << r.what;
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(net.roots(k), r.roots[k]) << r.what << " instance " << k;
            EXPECT_EQ(net.blocked(k), r.blocked[k]) << r.what << " instance " << k;
        }
    }
}

TEST(MstBridges, HopsBoundHowFarAnInstancesRootReaches) {
    for (uint32_t hops : {1u, 2u, 3u, 4u}) {
        Net net({M, M, M, M, M}, {"r", "r", "r", "r", "r"}, {4096, 32768, 32768, 32768, 32768},
                {{0, 0, 1, 0}, {1, 1, 2, 0}, {2, 1, 3, 0}, {3, 1, 4, 0}});
        for (auto &n : net.nodes)
            n->mst.max_hops = hops, n->mst.priority[1] = 8192 + 4096 * n->index, n->cfg.hello = 1;
        net.configure();
        net.run(10000);  // (what a bridge heard before the root reached it ages, one bridge after another)
        // The root reaches max hops bridges down the chain; the next one is
        // a root itself, for as far again.
        std::string want;
        for (uint32_t b = 0; b < 5; ++b) want += std::to_string(b - b % (hops + 1));
        EXPECT_EQ(net.roots(1), want) << hops;
        EXPECT_EQ(net.roots(0), "00000") << hops;
    }
}

// A bridge whose region changes (its name, or a VLAN's instance) is on the
// boundary of its former region at once, on both sides of its links.
TEST(MstBridges, ANewRegionIsNewsAtOnce) {
    for (bool by_name : {true, false}) {
        Net net({M, M}, {"r", "r"}, {4096, 32768}, {{0, 0, 1, 0}, {0, 1, 1, 1}});
        net.configure();
        net.run(1000);
        ASSERT_FALSE(net.nodes[0]->bridge.boundary(0));
        if (by_name)
            net.nodes[1]->mst.id.name[0] = 's';
        else
            net.nodes[1]->mst.id.digest[0] ^= 1;
        Node &b = *net.nodes[1];
        b.bridge.configure(b.cfg, b.ports, b.mst, b);
        net.run(300);  // (less than a hello time)
        for (int n : {0, 1})
            for (int p : {0, 1}) EXPECT_TRUE(net.nodes[n]->bridge.boundary(p)) << by_name << n << p;
        EXPECT_EQ(net.blocked(2), "1.1") << by_name;  // instance 2 follows the common tree
    }
}

}  // namespace
