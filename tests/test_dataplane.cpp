// test_dataplane.cpp - real frames through kelsim's dataplane, one rule per
// table: each test makes a network namespace of its own, runs the
// dataplane in a thread on a fresh switch, sends frames into the ports'
// interfaces through raw packet sockets, looks at what comes out of every
// port, then at what the library reads (learned entries, counters).
// Needs root; skipped with a note elsewhere unless KEL_REQUIRE_ALL_LEGS is set.
#include <arpa/inet.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <poll.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <thread>

#include "dataplane/engine.h"
#include "dataplane/frame.h"
#include "family/commands.h"
#include "family/policy.h"
#include "kel_driver.h"
#include "model/settings.h"
#include "model/state.h"
#include "proto/garp_pdu.h"
#include "proto/stp_bpdu.h"
#include "sim_fixture.h"

namespace {

using namespace kelsim;
using Bytes = std::vector<uint8_t>;
using Mac = std::array<uint8_t, 6>;

constexpr const char *kLayout = "6fe,2ge/stack;4fe";  // 10 front ports, 2 stack ports
constexpr int kPorts = 6;                             // the tests use fa1/0/1 .. fa1/0/6
const Mac kBroadcast = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
const Mac kBpdu = {0x01, 0x80, 0xC2, 0x00, 0x00, 0x00};
const Mac kGroup = {0x01, 0x00, 0x5E, 0x00, 0x00, 0x07};
const Mac kGvrp = {0x01, 0x80, 0xC2, 0x00, 0x00, 0x21};
Mac station(int n) { return {0x02, 0, 0, 0, 0, static_cast<uint8_t>(n)}; }
ifport fa(int p) { return ifport{1, 0, p}; }

// An Ethernet frame: tag -1 untagged, else a tag of that VLAN id (0: a priority tag).
Bytes frame(const Mac &dst, const Mac &src, int tag = -1, int pcp = 0, size_t len = 64,
            uint16_t type = 0x88B5) {
    Bytes f(dst.begin(), dst.end());
    f.insert(f.end(), src.begin(), src.end());
    if (tag >= 0)
        f.insert(f.end(), {0x81, 0x00, static_cast<uint8_t>(pcp << 5 | tag >> 8), static_cast<uint8_t>(tag)});
    f.insert(f.end(), {static_cast<uint8_t>(type >> 8), static_cast<uint8_t>(type)});
    f.resize(len - 4, 0);  // len counts the FCS
    return f;
}
// An IPv4 packet (its header checksum right) carrying l4, in a frame.
Bytes ipv4(const Mac &dst, const Mac &src, uint8_t proto, uint32_t from, uint32_t to, const Bytes &l4) {
    Bytes f = frame(dst, src, -1, 0, 18, 0x0800);
    size_t total = 20 + l4.size();
    uint8_t h[20] = {0x45, 0,    static_cast<uint8_t>(total >> 8), static_cast<uint8_t>(total), 0, 0, 0, 0,
                     64,   proto};
    for (int i = 0; i < 4; ++i) {
        h[12 + i] = static_cast<uint8_t>(from >> (24 - 8 * i));
        h[16 + i] = static_cast<uint8_t>(to >> (24 - 8 * i));
    }
    uint16_t sum = static_cast<uint16_t>(~inet_sum(h, 20));
    h[10] = static_cast<uint8_t>(sum >> 8);
    h[11] = static_cast<uint8_t>(sum);
    f.insert(f.end(), h, h + 20);
    f.insert(f.end(), l4.begin(), l4.end());
    if (f.size() < 60) f.resize(60, 0);
    return f;
}
constexpr uint32_t ip4(int a, int b, int c, int d) { return uint32_t(a) << 24 | b << 16 | c << 8 | d; }
Bytes udp(uint16_t from, uint16_t to, const Bytes &payload = {}, uint16_t checksum = 0) {
    size_t len = 8 + payload.size();
    Bytes u = {uint8_t(from >> 8), uint8_t(from), uint8_t(to >> 8),       uint8_t(to),
               uint8_t(len >> 8),  uint8_t(len),  uint8_t(checksum >> 8), uint8_t(checksum)};
    u.insert(u.end(), payload.begin(), payload.end());
    return u;
}
// An IGMP message: type, group, then what follows (a version 3 report's records); checksum right.
Bytes igmp(uint8_t type, uint32_t group, const Bytes &rest = {}) {
    Bytes m = {type,          0, 0, 0, uint8_t(group >> 24), uint8_t(group >> 16), uint8_t(group >> 8),
               uint8_t(group)};
    m.insert(m.end(), rest.begin(), rest.end());
    uint16_t sum = static_cast<uint16_t>(~inet_sum(m.data(), static_cast<uint32_t>(m.size())));
    m[2] = uint8_t(sum >> 8);
    m[3] = uint8_t(sum);
    return m;
}
// A DHCP message of a type for a client, then its options (53 and 51 made from type and lease).
Bytes dhcp(uint8_t type, const Mac &client, uint32_t addr, uint32_t lease, const Bytes &more = {}) {
    Bytes b(240, 0);
    b[0] = type == 2 || type == 5 || type == 6 ? 2 : 1;
    b[1] = 1;
    b[2] = 6;
    for (int i = 0; i < 4; ++i) b[(type == 7 ? 12 : 16) + i] = uint8_t(addr >> (24 - 8 * i));
    std::copy(client.begin(), client.end(), b.begin() + 28);
    const uint8_t cookie[4] = {0x63, 0x82, 0x53, 0x63};
    std::copy(cookie, cookie + 4, b.begin() + 236);
    b.insert(b.end(), {53, 1, type});
    if (lease)
        b.insert(b.end(),
                 {51, 4, uint8_t(lease >> 24), uint8_t(lease >> 16), uint8_t(lease >> 8), uint8_t(lease)});
    b.insert(b.end(), more.begin(), more.end());
    b.push_back(255);
    return b;
}
[[maybe_unused]] int tag_of(const Bytes &f) {  // the VLAN id of a frame's tag, -1 when untagged
    return f.size() >= 16 && f[12] == 0x81 && f[13] == 0 ? (f[14] & 0x0F) << 8 | f[15] : -1;
}

// The host side of a port: a raw socket on its interface, tags put back.
struct Host {
    int fd = -1;
    explicit Host(int port) {
        std::string name = "fa1-0-" + std::to_string(port);
        fd = socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, htons(ETH_P_ALL));
        int one = 1;
        setsockopt(fd, SOL_PACKET, PACKET_AUXDATA, &one, sizeof one);
        setsockopt(fd, SOL_PACKET, PACKET_IGNORE_OUTGOING, &one, sizeof one);
        sockaddr_ll at{};
        at.sll_family = AF_PACKET;
        at.sll_protocol = htons(ETH_P_ALL);
        at.sll_ifindex = static_cast<int>(if_nametoindex(name.c_str()));
        EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr *>(&at), sizeof at), 0) << name;
    }
    ~Host() { close(fd); }
    void send(const Bytes &f) const {
        EXPECT_EQ(::send(fd, f.data(), f.size(), 0), static_cast<ssize_t>(f.size()));
    }
    bool receive(Bytes *f) const {
        uint8_t buf[2048], ctl[256];
        iovec v{buf + 4, sizeof buf - 4};
        msghdr h{};
        h.msg_iov = &v;
        h.msg_iovlen = 1;
        h.msg_control = ctl;
        h.msg_controllen = sizeof ctl;
        ssize_t n = recvmsg(fd, &h, MSG_DONTWAIT);
        if (n < 0) return false;
        f->assign(buf + 4, buf + 4 + n);
        for (cmsghdr *c = CMSG_FIRSTHDR(&h); c; c = CMSG_NXTHDR(&h, c)) {
            auto *aux = reinterpret_cast<tpacket_auxdata *>(CMSG_DATA(c));
            if (c->cmsg_type == PACKET_AUXDATA && (aux->tp_status & TP_STATUS_VLAN_VALID))
                f->insert(f->begin() + 12, {0x81, 0x00, static_cast<uint8_t>(aux->tp_vlan_tci >> 8),
                                            static_cast<uint8_t>(aux->tp_vlan_tci)});
        }
        return true;
    }
};

template <class F>
bool until(F done, int ms = 2000) {
    for (int i = 0; i < ms / 5; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(5)))
        if (done()) return true;
    return done();
}

uint32_t counter(int port, kel_drv_counter c) {
    kel_drv_stats s{};
    ifport p = fa(port);
    kel_stats_port_get(&p, &s);
    return s.counter[c];
}

// The port a station is learned on (0: not learned) and its kind.
int learned_on(const Mac &mac, uint32_t vid = 1, uint32_t *kind = nullptr) {
    uint32_t index = 0;
    kel_drv_arl_entry e;
    while (kel_arl_getnext(&index, KEL_DRV_ARL_WALK_ALL, &e) == 0)
        if (std::memcmp(e.mac, mac.data(), 6) == 0 && e.vid == vid) {
            if (kind) *kind = e.kind;
            return static_cast<int>(e.port);
        }
    return 0;
}

class Dataplane : public kel_test::SimTest {
protected:
    const char *layout() const override { return kLayout; }
    void SetUp() override {
        if (unshare(CLONE_NEWNET) != 0) {
            if (geteuid() != 0 && !std::getenv("KEL_REQUIRE_ALL_LEGS"))
                GTEST_SKIP() << "the dataplane tests need root (network namespaces)";
            FAIL() << "unshare(CLONE_NEWNET): " << std::strerror(errno);
        }
        std::ofstream("/proc/sys/net/ipv6/conf/default/disable_ipv6") << 1;  // no chatter of the kernel's own
        kel_test::SimTest::SetUp();
        // Hosts speak no spanning tree: with it off every port forwards at
        // once and keeps the state a test gives it (test_stp has the tree).
        ASSERT_EQ(kel_stp_control_set(0), 0);
        model = current_model();
        stop = eventfd(0, EFD_CLOEXEC);
        options.stop_fd = stop;
        options.ready = [](void *self) { static_cast<Dataplane *>(self)->ready = true; };
        options.ready_arg = this;
        runner = std::thread([this] { status = run_dataplane(*model, options); });
        ASSERT_TRUE(until([&] { return ready.load() || status.load() >= 0; }, 10000));
        ASSERT_TRUE(ready.load()) << "the dataplane did not start";
        for (int p = 1; p <= kPorts; ++p) host[p] = std::make_unique<Host>(p);
    }
    void TearDown() override {
        if (runner.joinable()) {
            uint64_t one = 1;
            EXPECT_EQ(write(stop, &one, sizeof one), 8);
            runner.join();
            EXPECT_EQ(status.load(), 0);
        }
        if (stop >= 0) close(stop);
        kel_test::SimTest::TearDown();
    }

    // Sends frames into a port and answers what every port received (until
    // nothing arrived for 50 ms); deliver keeps the last frame of each port.
    std::map<int, std::vector<Bytes>> exchange(int from, const std::vector<Bytes> &frames) {
        for (const Bytes &f : frames) host[from]->send(f);
        std::map<int, std::vector<Bytes>> got;
        auto quiet = std::chrono::steady_clock::now() + std::chrono::milliseconds(80);
        for (Bytes b; std::chrono::steady_clock::now() < quiet;
             std::this_thread::sleep_for(std::chrono::milliseconds(2)))
            for (int p = 1; p <= kPorts; ++p)
                while (host[p]->receive(&b)) {
                    got[p].push_back(b);
                    quiet = std::chrono::steady_clock::now() + std::chrono::milliseconds(50);
                }
        return got;
    }
    std::map<int, Bytes> deliver(int from, const Bytes &f) {
        std::map<int, Bytes> last;
        for (auto &g : exchange(from, {f})) last[g.first] = g.second.back();
        return last;
    }
    static std::string ports_of(const std::map<int, Bytes> &got) {
        std::string s;
        for (const auto &g : got) s += std::to_string(g.first);
        return s;
    }

    Model *model = nullptr;
    DataplaneOptions options;
    int stop = -1;
    std::atomic<bool> ready{false};
    std::atomic<int> status{-1};
    std::thread runner;
    std::unique_ptr<Host> host[kPorts + 1];
};

// ---- Ingress: link, spanning-tree state, control frames ----------------------

TEST_F(Dataplane, IngressFollowsLinkAndSpanningTree) {
    struct Row {
        uint32_t stp;  // of fa1/0/1, the ingress port
        const char *receivers;
        bool learned;
    } rows[] = {
        {KEL_DRV_PORT_STP_FORWARDING, "23456", true},
        {KEL_DRV_PORT_STP_LEARNING, "", true},
        {KEL_DRV_PORT_STP_LISTENING, "", false},
        {KEL_DRV_PORT_STP_BLOCKING, "", false},
    };
    int n = 10;
    for (const Row &r : rows) {
        SCOPED_TRACE(r.stp);
        with_model([&](Model &m) { ASSERT_EQ(set_stp_state(m, 1, 1, r.stp), KEL_DRV_OK); });
        EXPECT_EQ(ports_of(deliver(1, frame(kBroadcast, station(++n)))), r.receivers);
        EXPECT_TRUE(until([&] { return (learned_on(station(n)) == 1) == r.learned; }));
    }
    // A port that does not forward sends nothing either; BPDUs go nowhere.
    with_model([](Model &m) { set_stp_state(m, 1, 1, KEL_DRV_PORT_STP_FORWARDING); });
    with_model([](Model &m) { set_stp_state(m, 1, 3, KEL_DRV_PORT_STP_BLOCKING); });
    EXPECT_EQ(ports_of(deliver(1, frame(kBroadcast, station(1)))), "2456");
    EXPECT_EQ(ports_of(deliver(1, frame(kBpdu, station(1), -1, 0, 64, 0x0026))), "");
    // An administratively down port: its host end loses its carrier and the
    // switch receives nothing from it.
    ifport p2 = fa(2);
    uint32_t before = counter(2, KEL_DRV_CTR_IN_FRAME);
    ASSERT_EQ(kel_port_admin_set(&p2, 0), 0);
    int sock = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq r{};
    std::strcpy(r.ifr_name, "fa1-0-2");
    EXPECT_TRUE(until([&] { return ioctl(sock, SIOCGIFFLAGS, &r) == 0 && !(r.ifr_flags & IFF_RUNNING); }));
    close(sock);
    EXPECT_EQ(ports_of(deliver(2, frame(kBroadcast, station(2)))), "");
    EXPECT_EQ(counter(2, KEL_DRV_CTR_IN_FRAME), before);
}

// ---- The spanning tree on the wire ------------------------------------------------

// A rapid BPDU of a designated port of bridge 4096/02:00:00:00:00:77, the best root.
Bytes root_bpdu(uint16_t port, uint8_t flags) {
    const uint8_t mac[6] = {0x02, 0, 0, 0, 0, 0x77};
    uint64_t id = stp::bridge_id(4096, mac);
    stp::Bpdu b{stp::Kind::rst,
                stp::kVersionRstp,
                static_cast<uint8_t>(3 << stp::kRoleShift | flags),
                {id, 0, id, port, 0, 0},
                {0, 6 * stp::kSecond, stp::kSecond, 4 * stp::kSecond}};
    Bytes f(stp::kFrameSize);
    stp::encode(b, mac, f.data());
    return f;
}

TEST_F(Dataplane, SpanningTreeOnTheWire) {
    for (int p = 3; p <= kPorts; ++p) {
        ifport edge = fa(p);
        ASSERT_EQ(kel_stp_port_edge_port_set(&edge, 1), 0);
    }
    ASSERT_EQ(kel_stp_control_set(1), 0);
    // A better bridge on fa1/0/1 and fa1/0/2: a loop through it.
    host[1]->send(root_bpdu(0x8001, stp::kFlagProposal));
    host[2]->send(root_bpdu(0x8002, stp::kFlagProposal));
    kel_drv_stp_port r1{}, r2{};
    ifport p1 = fa(1), p2 = fa(2);
    ASSERT_TRUE(until([&] {
        return kel_stp_port_info_get(&p1, &r1) == 0 && kel_stp_port_info_get(&p2, &r2) == 0 &&
               r1.state == KEL_DRV_STP_STATE_FORWARDING && r2.role == KEL_DRV_STP_ROLE_ALTERNATE;
    }));
    EXPECT_EQ(r1.role, KEL_DRV_STP_ROLE_ROOT);
    EXPECT_EQ(r2.state, KEL_DRV_STP_STATE_BLOCKING);
    kel_drv_stp_bridge br{};
    ASSERT_EQ(kel_stp_bridge_info_get(&br), 0);
    EXPECT_EQ(br.root_priority, 4096u);
    EXPECT_EQ(br.root_port, 1u);
    EXPECT_EQ(br.root_cost, KEL_DRV_STP_COST_FE);
    // The switch agreed on its root port; frames flood to the edge ports, not the alternate.
    bool agreed = false;
    stp::Bpdu b{};
    for (Bytes f; until([&] { return host[1]->receive(&f); }, 500) && !agreed;)
        agreed = stp::decode(f.data(), f.size(), &b) == stp::Decoded::ok && (b.flags & stp::kFlagAgreement);
    EXPECT_TRUE(agreed);
    std::string flooded;
    for (auto &g : exchange(1, {frame(kBroadcast, station(1))}))
        for (const Bytes &f : g.second)
            if (std::equal(f.begin() + 6, f.begin() + 12, station(1).begin()))
                flooded += std::to_string(g.first);
    EXPECT_EQ(flooded, "3456");
    // A topology change from the root: what was learned on the other ports
    // is forgotten, but for the edge ports' stations, which cannot move.
    host[3]->send(frame(kBroadcast, station(3)));
    with_model([](Model &m) { ASSERT_EQ(learn(m, station(2).data(), 1, 1, 2), KEL_DRV_OK); });
    ASSERT_TRUE(until([&] { return learned_on(station(3)) == 3 && learned_on(station(2)) == 2; }));
    host[1]->send(root_bpdu(0x8001, stp::kFlagTc));
    EXPECT_TRUE(until([&] { return learned_on(station(2)) == 0; }));
    EXPECT_EQ(learned_on(station(3)), 3);
    // Malformed BPDUs are refused and counted; the tree stands.
    for (int i = 0; i < 5; ++i) host[2]->send(frame(kBpdu, station(2), -1, 0, 64, 0x0026));
    EXPECT_TRUE(until([&] {
        uint32_t refused = 0;
        with_model([&](Model &m) { refused = m.proto.stp.port[0][1].refused; });
        return refused == 5;
    }));
    ASSERT_EQ(kel_stp_port_info_get(&p1, &r1), 0);
    EXPECT_EQ(r1.role, KEL_DRV_STP_ROLE_ROOT);
}

// ---- GVRP on the wire -------------------------------------------------------------

Bytes gvrp_pdu(std::vector<garp::Message> msg) {
    uint32_t n = static_cast<uint32_t>(msg.size());
    Bytes f(garp::kMaxFrame);
    f.resize(garp::encode(msg.data(), &n, station(9).data(), f.data()));
    return f;
}

// Whether a port sends a join of vid (within a leave-all time of 2 s).
bool sends_join(Host &h, uint16_t vid) {
    garp::Pdu p{};
    for (Bytes f; until([&] { return h.receive(&f); }, 2500);)
        if (garp::decode(f.data(), f.size(), &p) == garp::Decoded::ok)
            for (uint32_t i = 0; i < p.count; ++i)
                if (p.msg[i].vid == vid &&
                    (p.msg[i].event == garp::Event::join_in || p.msg[i].event == garp::Event::join_empty))
                    return true;
    return false;
}

TEST_F(Dataplane, GvrpOnTheWire) {
    // GVRP off for the switch: its PDUs are forwarded as any multicast.
    Bytes join30 = gvrp_pdu({{garp::Event::join_in, 30}});
    EXPECT_EQ(ports_of(deliver(1, join30)), "23456");
    kel_drv_garp_times fast{10, 30, 200};
    for (int p : {1, 2}) {
        ifport port = fa(p);
        ASSERT_EQ(kel_garp_port_times_set(&port, &fast), 0);
        ASSERT_EQ(kel_gvrp_port_set(&port, 1), 0);
    }
    ASSERT_EQ(kel_gvrp_status_set(1), 0);
    // A join on fa1/0/1, taken: VLAN 30 comes into being, fa1/0/1 a tagged
    // member, declared on fa1/0/2 (the other GVRP port); fa1/0/1 declares VLAN 1.
    auto got = exchange(1, {join30});
    EXPECT_EQ(got.count(3) + got.count(4) + got.count(5) + got.count(6), 0u);
    vlaninfo v{};
    ASSERT_TRUE(until([&] { return kel_vlan_get(30, &v) == 0; }));
    kel_drv_vlan r{};
    std::memcpy(&r, &v, sizeof r);
    EXPECT_EQ(r.set[KEL_DRV_VLAN_MEMBERS].word[0], 1u);
    EXPECT_EQ(r.set[KEL_DRV_VLAN_UNTAGGED].word[0], 0u);
    EXPECT_TRUE(sends_join(*host[2], 30));
    EXPECT_TRUE(sends_join(*host[1], 1));
    kel_drv_gvrp_stats st{};
    ifport p1 = fa(1);
    EXPECT_TRUE(until([&] {  // (the counters reach the model when the dataplane next takes its lock)
        return kel_gvrp_port_stats_get(&p1, &st) == 0 &&
               st.tx[KEL_DRV_GVRP_JOIN_EMPTY] + st.tx[KEL_DRV_GVRP_JOIN_IN] > 0;
    }));
    EXPECT_EQ(st.rx[KEL_DRV_GVRP_JOIN_IN], 1u);
    // Malformed PDUs and tagged ones are refused and counted; VLAN 30 stands.
    Bytes bad = join30;
    bad[19] = 2;  // another attribute type
    for (int i = 0; i < 4; ++i) host[1]->send(bad);
    host[1]->send(frame(kGvrp, station(9), 30, 0, 64, 0x0026));
    EXPECT_TRUE(until([&] {
        uint32_t refused = 0;
        with_model([&](Model &m) { refused = m.proto.gvrp.refused[0][0]; });
        return refused == 5;
    }));
    EXPECT_EQ(kel_vlan_get(30, &v), 0);
    // A leave: VLAN 30 goes a leave time (300 ms) later, the only one GVRP made.
    host[1]->send(gvrp_pdu({{garp::Event::leave_empty, 30}}));
    EXPECT_TRUE(until([&] { return kel_vlan_get(30, &v) != 0; }));
    EXPECT_EQ(kel_vlan_get(1, &v), 0);
}

// ---- VLANs: classification, acceptable frames, ingress filtering, egress tagging

// A port's VLAN settings, as a row of a table sets them through the library.
struct VlanPort {
    uint32_t mode, pvid;
    std::vector<uint32_t> tagged, untagged;  // allowed lists
    uint32_t ifilter, discard;
};
void configure(int port, const VlanPort &v) {
    ifport p = fa(port);
    vlanlist all = kel_test::vlans({10, 20, 30}), tagged{}, untagged{};
    for (uint32_t id : v.tagged) tagged.word[(id - 1) / 32] |= 1u << ((id - 1) % 32);
    for (uint32_t id : v.untagged) untagged.word[(id - 1) / 32] |= 1u << ((id - 1) % 32);
    ASSERT_EQ(kel_port_allow_vlans_del(&p, &all), 0);
    ASSERT_EQ(kel_port_vlan_mode_set(&p, v.pvid, v.mode), 0);
    if (!v.tagged.empty()) {
        ASSERT_EQ(kel_port_allow_vlans_add(&p, &tagged, KEL_DRV_ALLOW_TAGGED), 0);
    }
    if (!v.untagged.empty()) {
        ASSERT_EQ(kel_port_allow_vlans_add(&p, &untagged, KEL_DRV_ALLOW_UNTAGGED), 0);
    }
    ASSERT_EQ(kel_port_ifilter_set(&p, v.ifilter), 0);
    ASSERT_EQ(kel_port_discard_set(&p, v.discard), 0);
}

TEST_F(Dataplane, VlanClassificationFilteringAndTagging) {
    constexpr uint32_t A = KEL_DRV_VLAN_MODE_ACCESS, T = KEL_DRV_VLAN_MODE_TRUNK,
                       H = KEL_DRV_VLAN_MODE_HYBRID;
    constexpr uint32_t DU = KEL_DRV_DISCARD_UNTAGGED, DT = KEL_DRV_DISCARD_TAGGED;
    struct Row {
        const char *what;
        VlanPort in, out;
        int tag, pcp;  // of the frame sent into fa1/0/1 (-1 untagged, 0 priority-tagged)
        int out_tag;   // as fa1/0/2 sends it: -2 not at all, -1 untagged, else its VLAN id
        int out_pcp;
    } rows[] = {
        {"access to access, VLAN 1", {A, 1, {}, {}, 0, 0}, {A, 1, {}, {}, 0, 0}, -1, 0, -1, 0},
        {"access 10 to access 10", {A, 10, {}, {}, 0, 0}, {A, 10, {}, {}, 0, 0}, -1, 0, -1, 0},
        {"access 10 to access 20", {A, 10, {}, {}, 0, 0}, {A, 20, {}, {}, 0, 0}, -1, 0, -2, 0},
        {"trunk to trunk, tagged 10", {T, 1, {10}, {}, 0, 0}, {T, 1, {10, 20}, {}, 0, 0}, 10, 3, 10, 3},
        {"trunk to access, tag removed", {T, 1, {10}, {}, 0, 0}, {A, 10, {}, {}, 0, 0}, 10, 3, -1, 0},
        {"access to trunk, tag added", {A, 10, {}, {}, 0, 0}, {T, 1, {10}, {}, 0, 0}, -1, 0, 10, 0},
        {"priority tag takes the native VLAN", {A, 10, {}, {}, 0, 0}, {T, 1, {10}, {}, 0, 0}, 0, 5, 10, 5},
        {"native VLAN of a trunk, untagged", {T, 20, {10}, {}, 0, 0}, {T, 20, {10}, {}, 0, 0}, -1, 0, -1, 0},
        {"hybrid sends its untagged list untagged",
         {T, 1, {20}, {}, 0, 0},
         {H, 1, {10}, {20}, 0, 0},
         20,
         0,
         -1,
         0},
        {"filtering on: not a member of 20", {T, 1, {10}, {}, 1, 0}, {T, 1, {20}, {}, 0, 0}, 20, 0, -2, 0},
        {"filtering off: 20 accepted all the same",
         {T, 1, {10}, {}, 0, 0},
         {T, 1, {20}, {}, 0, 0},
         20,
         0,
         20,
         0},
        {"a VLAN that does not exist", {T, 1, {10}, {}, 0, 0}, {T, 1, {10}, {}, 0, 0}, 40, 0, -2, 0},
        {"discard untagged", {T, 1, {10}, {}, 0, DU}, {A, 1, {}, {}, 0, 0}, -1, 0, -2, 0},
        {"discard untagged: priority-tagged too", {T, 1, {10}, {}, 0, DU}, {A, 1, {}, {}, 0, 0}, 0, 0, -2, 0},
        {"discard tagged", {T, 1, {10}, {}, 0, DT}, {T, 1, {10}, {}, 0, 0}, 10, 0, -2, 0},
        {"discard tagged keeps untagged", {T, 1, {10}, {}, 0, DT}, {A, 1, {}, {}, 0, 0}, -1, 0, -1, 0},
    };
    for (uint32_t vid : {10, 20}) ASSERT_EQ(kel_vlan_create(vid), 0);
    int n = 0;
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        configure(1, r.in);
        configure(2, r.out);
        auto got = deliver(1, frame(kBroadcast, station(++n), r.tag, r.pcp));
        if (r.out_tag == -2) {
            EXPECT_EQ(got.count(2), 0u);
            continue;
        }
        ASSERT_EQ(got.count(2), 1u);
        EXPECT_EQ(tag_of(got[2]), r.out_tag);
        if (r.out_tag > 0) {
            EXPECT_EQ(got[2][14] >> 5, r.out_pcp);
        }
        // Padded to the minimum when a tag came off; 4 bytes longer when one was added.
        EXPECT_EQ(got[2].size(), r.out_tag >= 0 && r.tag < 0 ? 64u : 60u);
    }
    // Filtering off, a port learns stations of VLANs it is no member of,
    // but sends no frame of those VLANs.
    configure(1, {T, 1, {10}, {}, 0, 0});
    configure(2, {T, 1, {20}, {}, 0, 0});
    EXPECT_EQ(deliver(1, frame(kBroadcast, station(60), 20)).count(2), 1u);
    EXPECT_TRUE(until([&] { return learned_on(station(60), 20) == 1; }));
    EXPECT_EQ(deliver(2, frame(station(60), station(61), 20)).count(1), 0u);
    // A VLAN that forbids a port never takes frames from it.
    configure(1, {T, 1, {10}, {}, 0, 0});
    configure(2, {T, 1, {10}, {}, 0, 0});
    with_model([](Model &m) {
        vlan_set_port(m, 10, KEL_DRV_VLAN_FORBIDDEN, 1, 1, true);
        vlan_set_port(m, 10, KEL_DRV_VLAN_MEMBERS, 1, 1, false);
    });
    EXPECT_EQ(deliver(1, frame(kBroadcast, station(99), 10)).count(2), 0u);
}

// ---- The MAC table: learning, moves, static entries, capacity, ageing, freeze

TEST_F(Dataplane, Learning) {
    const Mac a = station(1), b = station(2), s = station(3);
    ifport p3 = fa(3);
    ASSERT_EQ(kel_static_arl_add(s.data(), 1, &p3), 0);
    struct Row {
        const char *what;
        int from;
        Mac src;
        std::function<void()> before;
        int on;  // where the library then finds src: 0 nowhere
    } rows[] = {
        {"learned", 1, a, [] {}, 1},
        {"moved", 2, a, [] {}, 2},
        {"a static entry is never overwritten", 2, s, [] {}, 3},
        {"frozen: nothing learned", 4, b, [] { kel_arl_freeze_set(1); }, 0},
        {"thawed", 4, b, [] { kel_arl_freeze_set(0); }, 4},
        {"aged out by the switch's clock", 5, station(9),
         [] {
             kel_arl_age_time_set(10);
             with_model([](Model &m) { advance_clock(m, 11); });
         },
         5},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        r.before();
        deliver(r.from, frame(kBroadcast, r.src));
        EXPECT_TRUE(until([&] { return learned_on(r.src) == r.on; })) << learned_on(r.src);
    }
    EXPECT_EQ(learned_on(a), 0);  // the clock moved on: a, learned first, has aged out
    uint32_t kind = 0;
    EXPECT_EQ(learned_on(s, 1, &kind), 3);
    EXPECT_EQ(kind, KEL_DRV_ARL_STATIC);
    // Ageing in real time: one second without a frame from b.
    ASSERT_EQ(kel_arl_age_time_set(1), 0);
    EXPECT_TRUE(until([&] { return learned_on(b) == 0; }, 4000));
    // A full table learns nothing more.
    with_model([](Model &m) {
        for (uint32_t i = 0; m.fwd.arl.used < kArlCapacity; ++i) {
            uint8_t mac[6] = {0x02, 0x10, 0, 0, static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i)};
            ASSERT_EQ(learn(m, mac, 2, 1, 6), KEL_DRV_OK);
        }
    });
    ASSERT_EQ(kel_arl_age_time_set(0), 0);
    deliver(1, frame(kBroadcast, station(77)));
    EXPECT_FALSE(until([&] { return learned_on(station(77)) != 0; }, 300));
}

// ---- Forwarding and flooding ---------------------------------------------------

TEST_F(Dataplane, ForwardingAndFlooding) {
    const Mac known = station(2);
    deliver(2, frame(kBroadcast, known));  // the station behind fa1/0/2
    ASSERT_TRUE(until([&] { return learned_on(known) == 2; }));
    iflist group_ports = kel_test::ports({fa(3), fa(5)});
    ASSERT_EQ(kel_static_mcast_add(kGroup.data(), 1, 0, &group_ports), 0);
    ifport p6 = fa(6);
    struct Row {
        const char *what;
        Mac dst;
        std::function<void()> before;
        const char *receivers;
    } rows[] = {
        {"known unicast", known, [] {}, "2"},
        {"unknown unicast floods", station(42), [] {}, "23456"},
        {"broadcast floods", kBroadcast, [] {}, "23456"},
        {"a static group goes to its ports", kGroup, [] {}, "35"},
        {"an unknown group floods", {0x01, 0x00, 0x5E, 1, 2, 3}, [] {}, "23456"},
        {"blocked: no unknown unicast out of fa1/0/6", station(42),
         [&] { kel_port_block_set(&p6, KEL_DRV_BLOCK_UNKNOWN_UNICAST, 1); }, "2345"},
        {"blocked: known unicast still goes", known, [] {}, "2"},
        {"blocked: no unknown multicast either",
         {0x01, 0x00, 0x5E, 1, 2, 3},
         [&] { kel_port_block_set(&p6, KEL_DRV_BLOCK_UNKNOWN_MULTICAST, 1); },
         "2345"},
        {"blocked: broadcast still floods", kBroadcast, [] {}, "23456"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        r.before();
        EXPECT_EQ(ports_of(deliver(1, frame(r.dst, station(1)))), r.receivers);
    }
    // A station on the ingress port itself: the frame is filtered.
    uint32_t before = counter(2, KEL_DRV_CTR_IN_DISCARD);
    EXPECT_EQ(ports_of(deliver(2, frame(known, station(8)))), "");
    EXPECT_TRUE(until([&] { return counter(2, KEL_DRV_CTR_IN_DISCARD) == before + 1; }));
}

// ---- Trunks -----------------------------------------------------------------------

TEST_F(Dataplane, TrunksAreOneLogicalPort) {
    iflist members = kel_test::ports({fa(3), fa(4)});
    ASSERT_EQ(kel_static_trunk_set(1, &members), 0);
    struct Row {
        uint32_t criteria;
        bool vary_src, vary_dst;
        size_t members_used;  // by 32 frames of distinct conversations
    } rows[] = {
        {KEL_DRV_TRUNK_SRC_MAC, true, false, 2},
        {KEL_DRV_TRUNK_SRC_MAC, false, true, 1},
        {KEL_DRV_TRUNK_DST_MAC, false, true, 2},
        {KEL_DRV_TRUNK_DST_MAC, true, false, 1},
        {KEL_DRV_TRUNK_SRC_DST_MAC, true, false, 2},
        {KEL_DRV_TRUNK_SRC_IP, false, true, 1},  // not IP: by the source MAC, which stays
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.criteria);
        ASSERT_EQ(kel_trunk_criteria_set(1, r.criteria), 0);
        std::vector<Bytes> frames;
        for (int i = 0; i < 32; ++i)
            frames.push_back(frame(r.vary_dst ? station(200 + i) : station(201),
                                   r.vary_src ? station(100 + i) : station(1)));
        auto got = exchange(1, frames);
        EXPECT_EQ(got[3].size() + got[4].size(), 32u) << "each by one member, once";
        EXPECT_EQ(!got[3].empty() + !got[4].empty(), static_cast<int>(r.members_used));
    }
    // Learned on a member, the station stays there when the other member
    // carries its frames; nothing goes back into the trunk it came from.
    const Mac behind = station(50);
    EXPECT_EQ(ports_of(deliver(3, frame(kBroadcast, behind))), "1256");
    EXPECT_EQ(ports_of(deliver(4, frame(kBroadcast, behind))), "1256");
    EXPECT_TRUE(until([&] { return learned_on(behind) == 3; }));
    // A member whose link is down carries nothing.
    ifport p3 = fa(3);
    ASSERT_EQ(kel_port_admin_set(&p3, 0), 0);
    ASSERT_EQ(kel_trunk_criteria_set(1, KEL_DRV_TRUNK_SRC_MAC), 0);
    std::vector<Bytes> frames;
    for (int i = 0; i < 8; ++i) frames.push_back(frame(behind, station(100 + i)));
    EXPECT_EQ(exchange(1, frames)[4].size(), 8u);
}

// ---- Mirroring ----------------------------------------------------------------------

TEST_F(Dataplane, MirrorCopiesToTheMonitorPort) {
    ASSERT_EQ(kel_vlan_create(10), 0);
    configure(2, {KEL_DRV_VLAN_MODE_TRUNK, 1, {10}, {}, 0, 0});
    configure(1, {KEL_DRV_VLAN_MODE_ACCESS, 10, {}, {}, 0, 0});
    ifport monitor = fa(5), p1 = fa(1), p2 = fa(2);
    ASSERT_EQ(kel_mirror_monitor_set(1, &monitor), 0);
    struct Row {
        int port;  // mirrored
        uint32_t mode;
        int copies;    // the monitor port's copies of one frame from fa1/0/1 to fa1/0/2
        int copy_tag;  // -1: untagged, as fa1/0/1 received it; 10: as fa1/0/2 sent it
    } rows[] = {
        {1, KEL_DRV_MIRROR_RX, 1, -1}, {1, KEL_DRV_MIRROR_TX, 0, 0},    {2, KEL_DRV_MIRROR_TX, 1, 10},
        {2, KEL_DRV_MIRROR_RX, 0, 0},  {1, KEL_DRV_MIRROR_BOTH, 1, -1},
    };
    deliver(2, frame(kBroadcast, station(2), 10));  // the destination is known: one port
    for (const Row &r : rows) {
        SCOPED_TRACE(r.port * 10 + r.mode);
        ifport p = fa(r.port);
        ASSERT_EQ(kel_mirror_mirrored_set(1, &p1, KEL_DRV_MIRROR_NONE), 0);
        ASSERT_EQ(kel_mirror_mirrored_set(1, &p2, KEL_DRV_MIRROR_NONE), 0);
        ASSERT_EQ(kel_mirror_mirrored_set(1, &p, r.mode), 0);
        auto got = deliver(1, frame(station(2), station(1)));
        EXPECT_EQ(ports_of(got), r.copies ? "25" : "2");
        if (r.copies) {
            EXPECT_EQ(tag_of(got[5]), r.copy_tag);
        }
    }
}

// ---- Counters and bad input ---------------------------------------------------------

TEST_F(Dataplane, CountersAndBadFrames) {
    struct Row {
        const char *what;
        Bytes f;
        const char *receivers;
        std::vector<kel_drv_counter> counted;  // by one, on fa1/0/1
    } rows[] = {
        {"unicast, 64 bytes",
         frame(station(9), station(1)),
         "23456",
         {KEL_DRV_CTR_IN_FRAME, KEL_DRV_CTR_RX_UCAST, KEL_DRV_CTR_64_OCTETS}},
        {"broadcast, 200 bytes",
         frame(kBroadcast, station(1), -1, 0, 200),
         "23456",
         {KEL_DRV_CTR_IN_FRAME, KEL_DRV_CTR_RX_NUCAST, KEL_DRV_CTR_RX_BCAST, KEL_DRV_CTR_128_TO_255_OCTETS}},
        {"multicast, 1518 bytes",
         frame(kGroup, station(1), -1, 0, 1518),
         "23456",
         {KEL_DRV_CTR_IN_FRAME, KEL_DRV_CTR_RX_NUCAST, KEL_DRV_CTR_RX_MCAST,
          KEL_DRV_CTR_1024_TO_1518_OCTETS}},
        {"a short ARP request is padded, not a runt",
         frame(kBroadcast, station(1), -1, 0, 46, 0x0806),
         "23456",
         {KEL_DRV_CTR_IN_FRAME, KEL_DRV_CTR_RX_BCAST, KEL_DRV_CTR_64_OCTETS}},
        {"runt: an IPv4 header cut short",
         frame(kBroadcast, station(1), -1, 0, 30, 0x0800),
         "",
         {KEL_DRV_CTR_RX_ERROR, KEL_DRV_CTR_UNDERSIZE}},
        {"oversize",
         frame(kBroadcast, station(1), -1, 0, 1600),
         "",
         {KEL_DRV_CTR_RX_ERROR, KEL_DRV_CTR_OVERSIZE, KEL_DRV_CTR_MTU_EXCEED}},
        {"a group source address", frame(kBroadcast, kGroup), "", {KEL_DRV_CTR_RX_ERROR}},
        {"VLAN id 4095", frame(kBroadcast, station(1), 4095), "", {KEL_DRV_CTR_RX_ERROR}},
        {"two tags",
         frame(kBroadcast, station(1), 1, 0, 68, 0x8100),
         "",
         {KEL_DRV_CTR_IN_FRAME, KEL_DRV_CTR_UNKNOWN_PROTO, KEL_DRV_CTR_65_TO_127_OCTETS}},
    };
    int mtu_sock = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq mtu{};
    std::strcpy(mtu.ifr_name, "fa1-0-1");
    mtu.ifr_mtu = 2000;  // so that the host can send an oversize frame at all
    ASSERT_EQ(ioctl(mtu_sock, SIOCSIFMTU, &mtu), 0);
    close(mtu_sock);
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        uint32_t before[KEL_DRV_COUNTERS];
        for (uint32_t c = 0; c < KEL_DRV_COUNTERS; ++c)
            before[c] = counter(1, static_cast<kel_drv_counter>(c));
        EXPECT_EQ(ports_of(deliver(1, r.f)), r.receivers);
        EXPECT_TRUE(until([&] { return counter(1, r.counted[0]) == before[r.counted[0]] + 1; }));
        for (kel_drv_counter c : r.counted) EXPECT_EQ(counter(1, c), before[c] + 1) << "counter " << c;
        for (kel_drv_counter c : {KEL_DRV_CTR_RX_ERROR, KEL_DRV_CTR_UNDERSIZE, KEL_DRV_CTR_OVERSIZE,
                                  KEL_DRV_CTR_UNKNOWN_PROTO, KEL_DRV_CTR_IN_DISCARD, KEL_DRV_CTR_RX_UCAST})
            if (std::find(r.counted.begin(), r.counted.end(), c) == r.counted.end()) {
                EXPECT_EQ(counter(1, c), before[c]) << "counter " << c;
            }
    }
    // What was sent: octets with the FCS, by cast.
    EXPECT_EQ(counter(2, KEL_DRV_CTR_TX_UCAST), 1u);
    EXPECT_EQ(counter(2, KEL_DRV_CTR_TX_NUCAST), 3u);
    EXPECT_EQ(counter(2, KEL_DRV_CTR_TX_OCTETS), 64u + 200 + 1518 + 64);
    EXPECT_EQ(counter(1, KEL_DRV_CTR_RX_OCTETS), 64u + 200 + 1518 + 64 + 68);
}

// ---- Policy: access lists, port security, 802.1X, storm and rate limits ----------------

kel_drv_acl_filter mac_filter(uint32_t action, const Mac &src, uint32_t ethertype) {
    kel_drv_acl_filter f{};
    f.action = action;
    std::copy(src.begin(), src.end(), f.src_mac);
    if (src != Mac{}) std::fill(f.src_mac_mask, f.src_mac_mask + 6, 0xFF);
    f.ethertype = ethertype;
    return f;
}
kel_drv_acl_filter ip_filter(uint32_t action, uint32_t proto, uint32_t src, uint32_t prefix,
                             uint32_t dst_port, int icmp_type = -1) {
    kel_drv_acl_filter f{};
    f.action = action;
    f.protocol = proto;
    f.src_ip = htonl(src);
    f.src_mask = prefix ? htonl(~0u << (32 - prefix)) : 0;
    f.dst_port = dst_port;
    f.icmp_match = icmp_type >= 0 ? KEL_DRV_MATCH_ICMP_TYPE : 0;
    f.icmp_type = icmp_type >= 0 ? static_cast<uint32_t>(icmp_type) : 0;
    return f;
}

TEST_F(Dataplane, AccessLists) {
    constexpr uint32_t P = KEL_DRV_ACL_PERMIT, D = KEL_DRV_ACL_DENY;
    uint32_t mac_list = 0, ip_list = 0;
    ifport p1 = fa(1), p4 = fa(4);
    ASSERT_EQ(kel_acl_create("macs", KEL_DRV_ACL_TYPE_MAC, &mac_list), 0);
    ASSERT_EQ(kel_acl_create("ips", KEL_DRV_ACL_TYPE_IP, &ip_list), 0);
    kel_drv_acl_filter macs[] = {mac_filter(D, station(0x42), 0), mac_filter(P, {}, 0x88B6),
                                 mac_filter(P, {}, 0x0800)};
    for (const auto &f : macs)
        ASSERT_EQ(kel_acl_mac_filter_add(mac_list, &f, 0, f.ethertype == 0x88B6 ? &p4 : nullptr), 0);
    kel_drv_acl_filter ips[] = {ip_filter(D, KEL_DRV_PROTO_UDP, 0, 0, 53),
                                ip_filter(D, KEL_DRV_PROTO_ICMP, 0, 0, 0, 8),
                                ip_filter(P, KEL_DRV_PROTO_IP, ip4(10, 0, 0, 0), 8, 0)};
    for (const auto &f : ips) ASSERT_EQ(kel_acl_ip_filter_add(ip_list, &f, 0, nullptr), 0);
    ASSERT_EQ(kel_acl_filter_install("macs", KEL_DRV_ACL_TYPE_MAC, &p1), 0);
    ASSERT_EQ(kel_acl_filter_install("ips", KEL_DRV_ACL_TYPE_IP, &p1), 0);
    const Bytes echo = {8, 0, 0, 0, 0, 0, 0, 0}, reply = {0, 0, 0, 0, 0, 0, 0, 0};
    const uint32_t ten = ip4(10, 1, 1, 1), other = ip4(192, 168, 1, 1);
    struct Row {
        const char *what;
        Bytes f;
        const char *receivers;
    } rows[] = {
        {"a denied source", ipv4(kBroadcast, station(0x42), 17, ten, ten, udp(9, 9)), ""},
        {"permitted with an egress port: redirected", frame(kBroadcast, station(1), -1, 0, 64, 0x88B6), "4"},
        {"no MAC filter matches", frame(kBroadcast, station(1)), ""},
        {"UDP to port 53 denied", ipv4(kBroadcast, station(1), 17, ten, ten, udp(9, 53)), ""},
        {"UDP to port 54 permitted", ipv4(kBroadcast, station(1), 17, ten, ten, udp(9, 54)), "23456"},
        {"ICMP echo denied", ipv4(kBroadcast, station(1), 1, ten, ten, echo), ""},
        {"ICMP echo reply permitted", ipv4(kBroadcast, station(1), 1, ten, ten, reply), "23456"},
        {"no IP filter matches", ipv4(kBroadcast, station(1), 17, other, ten, udp(9, 54)), ""},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        uint32_t discards = counter(1, KEL_DRV_CTR_IN_DISCARD);
        EXPECT_EQ(ports_of(deliver(1, r.f)), r.receivers);
        EXPECT_TRUE(until([&] { return counter(1, KEL_DRV_CTR_IN_DISCARD) == discards + !*r.receivers; }));
    }
    ASSERT_EQ(kel_acl_filter_remove(KEL_DRV_ACL_TYPE_MAC, &p1),
              0);  // the IP list alone: other frames pass it
    EXPECT_EQ(ports_of(deliver(1, frame(kBroadcast, station(1)))), "23456");
}

kel_drv_portsecu secu_info(int port) {
    kel_drv_portsecu r{};
    ifport p = fa(port);
    kel_portsecu_info_get(&p, &r);
    return r;
}

TEST_F(Dataplane, PortSecurity) {
    ifport p1 = fa(1), p2 = fa(2);
    const Mac elsewhere = station(9);
    ASSERT_EQ(kel_portsecu_mac_set(&p2, elsewhere.data()), 0);
    ASSERT_EQ(kel_portsecu_enable_set(&p1, 1), 0);
    ASSERT_EQ(kel_portsecu_maxaddr_set(&p1, 2), 0);
    struct Row {
        uint32_t violation;
        Mac src;
        bool passes;
        uint32_t violations, learned, shut;  // as the library then reads fa1/0/1
    } rows[] = {
        {KEL_DRV_VIOLATION_RESTRICT, station(1), true, 0, 1, 0},
        {KEL_DRV_VIOLATION_RESTRICT, station(2), true, 0, 2, 0},
        {KEL_DRV_VIOLATION_RESTRICT, station(3), false, 1, 2, 0},
        {KEL_DRV_VIOLATION_RESTRICT, station(1), true, 1, 2, 0},
        {KEL_DRV_VIOLATION_RESTRICT, elsewhere, false, 2, 2, 0},
        {KEL_DRV_VIOLATION_PROTECT, station(3), false, 2, 2, 0},
        {KEL_DRV_VIOLATION_SHUTDOWN, station(3), false, 3, 2, 1},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.src[5] * 10 + r.violation);
        ASSERT_EQ(kel_portsecu_violation_set(&p1, r.violation), 0);
        EXPECT_EQ(ports_of(deliver(1, frame(kBroadcast, r.src))), r.passes ? "23456" : "");
        EXPECT_TRUE(until([&] {
            kel_drv_portsecu i = secu_info(1);
            return i.violations == r.violations && i.dynamic_count == r.learned && i.shut == r.shut;
        }));
    }
    EXPECT_EQ(learned_on(station(3)), 0);  // a violating frame teaches the MAC table nothing
    // A shut port's host loses its carrier; reup brings it back, the shutdown time too.
    ifreq ifr{};
    std::strcpy(ifr.ifr_name, "fa1-0-1");
    int sock = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    auto carrier = [&] { return ioctl(sock, SIOCGIFFLAGS, &ifr) == 0 && (ifr.ifr_flags & IFF_RUNNING); };
    const Bytes secure =
        frame(kBroadcast, station(1));  // the kernel sends a moment after the carrier is back
    auto up = [&] { return carrier() && ::send(host[1]->fd, secure.data(), secure.size(), 0) > 0; };
    EXPECT_TRUE(until([&] { return !carrier(); }));
    ASSERT_EQ(kel_portsecu_port_reup(&p1), 0);
    EXPECT_TRUE(until(up));
    EXPECT_EQ(ports_of(deliver(1, frame(kBroadcast, station(1)))), "23456");
    ASSERT_EQ(kel_portsecu_shutdown_set(&p1, 30), 0);
    deliver(1, frame(kBroadcast, station(4)));
    EXPECT_TRUE(until([&] { return secu_info(1).shut == 1; }));
    with_model([](Model &m) { advance_clock(m, 31); });
    EXPECT_TRUE(until([&] { return secu_info(1).shut == 0 && up(); }));
    close(sock);
    // Learned addresses age: absolute from learning, inactivity from the last frame.
    ASSERT_EQ(kel_portsecu_age_time_set(&p1, 1), 0);
    ASSERT_EQ(kel_portsecu_violation_set(&p1, KEL_DRV_VIOLATION_RESTRICT), 0);
    ASSERT_EQ(kel_portsecu_dynamic_mac_if_clear(&p1), 0);
    for (uint32_t type : {KEL_DRV_SECU_AGE_INACTIVITY, KEL_DRV_SECU_AGE_ABSOLUTE}) {
        ASSERT_EQ(kel_portsecu_age_type_set(&p1, type), 0);
        deliver(1, frame(kBroadcast, station(5)));
        with_model([](Model &m) { advance_clock(m, 40); });
        deliver(1, frame(kBroadcast, station(5)));
        with_model([](Model &m) { advance_clock(m, 40); });
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the ageing pass has run, twice
        EXPECT_EQ(secu_info(1).dynamic_count, type == KEL_DRV_SECU_AGE_INACTIVITY ? 1u : 0u);
        with_model([](Model &m) { advance_clock(m, 40); });
        EXPECT_TRUE(until([&] { return secu_info(1).dynamic_count == 0; }));
    }
}

TEST_F(Dataplane, Dot1x) {
    ifport p1 = fa(1);
    ASSERT_EQ(kel_vlan_create(30), 0);
    configure(5, {KEL_DRV_VLAN_MODE_ACCESS, 30, {}, {}, 0, 0});
    constexpr uint32_t AUTO = KEL_DRV_DOT1X_AUTO, FA = KEL_DRV_DOT1X_FORCE_AUTHORIZED,
                       FU = KEL_DRV_DOT1X_FORCE_UNAUTHORIZED, YES = KEL_DRV_DOT1X_AUTHORIZED,
                       NO = KEL_DRV_DOT1X_UNAUTHORIZED;
    const Mac host = station(1);
    // What the hosts receive but the switch's own EAPOL frames: its
    // authenticator asks fa1/0/1's host for an identity (counted).
    size_t identity_requests = 0;
    auto deliver = [&](int from, const Bytes &f) {
        std::map<int, Bytes> got;
        for (const auto &[port, frames] : exchange(from, {f}))
            for (const Bytes &b : frames)
                if (b.size() > 22 && b[12] == 0x88 && b[13] == 0x8E)
                    identity_requests += port == 1 && b[18] == 1 && b[22] == 1;
                else
                    got[port] = b;
        return got;
    };
    struct Row {
        uint32_t on, control, multi_host, guest;
        bool authorized;  // the host, by kelsim's stand-in for the exchange
        int src;          // the station sending a broadcast from fa1/0/1
        const char *receivers;
        uint32_t state;   // as the port record reads
        size_t receives;  // a broadcast of VLAN 1 from fa1/0/6 reaches fa1/0/1
    } rows[] = {
        {1, AUTO, 0, 0, false, 1, "", NO, 0},
        {1, AUTO, 0, 0, true, 1, "2346", YES, 1},
        {1, AUTO, 0, 0, true, 2, "", YES, 1},
        {1, AUTO, 1, 0, true, 2, "2346", YES, 1},
        {1, FU, 1, 0, true, 1, "", NO, 0},
        {1, FA, 0, 0, false, 2, "2346", YES, 1},
        {1, AUTO, 0, 30, false, 1, "5", KEL_DRV_DOT1X_GUEST, 0},
        {0, AUTO, 0, 30, false, 2, "2346", YES, 1},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(&r - rows);
        ASSERT_EQ(kel_dot1x_status_set(r.on) | kel_dot1x_port_ctrl_set(&p1, r.control) |
                      kel_dot1x_multi_host_set(&p1, r.multi_host) | kel_dot1x_guest_vlan_set(&p1, r.guest),
                  0);
        with_model([&](Model &m) { dot1x_authorize(m, 1, 1, r.authorized ? host.data() : nullptr); });
        EXPECT_EQ(ports_of(deliver(1, frame(kBroadcast, station(r.src)))), r.receivers);
        kel_drv_dot1x_port info{};
        kel_dot1x_port_info_get(&p1, &info);
        EXPECT_EQ(info.auth_state, r.state);
        EXPECT_EQ(deliver(6, frame(kBroadcast, station(6))).count(1), r.receives);
    }
    // EAPOL frames are taken and counted, authorized or not.
    ASSERT_EQ(kel_dot1x_status_set(1), 0);
    const Mac pae = {0x01, 0x80, 0xC2, 0x00, 0x00, 0x03};
    EXPECT_EQ(ports_of(deliver(1, frame(pae, host, -1, 0, 64, 0x888E))), "");
    EXPECT_EQ(ports_of(deliver(1, frame(station(7), host, -1, 0, 64, 0x888E))), "");
    kel_drv_dot1x_port info{};
    EXPECT_TRUE(until([&] { return kel_dot1x_port_info_get(&p1, &info) == 0 && info.eapol_frames == 2; }));
    EXPECT_GT(identity_requests, 0u);
}

TEST_F(Dataplane, StormControlAndRates) {
    ifport p1 = fa(1), p2 = fa(2);
    const Mac known = station(2), unknown = station(40);
    deliver(2, frame(kBroadcast, known));
    ASSERT_TRUE(until([&] { return learned_on(known) == 2; }));
    constexpr uint32_t BC = KEL_DRV_STORM_BROADCAST, MC = KEL_DRV_STORM_MULTICAST,
                       UU = KEL_DRV_STORM_UNKNOWN_UNICAST;
    struct Row {
        uint32_t storm_type, storm;           // packets per second
        uint32_t rx, rx_burst, tx, tx_burst;  // kb/s and KB: fa1/0/1 receives, fa1/0/2 sends
        Mac dst;
        size_t low, high;  // of 50 frames sent at once, those fa1/0/2 receives
    } rows[] = {
        {BC, 10, 0, 0, 0, 0, kBroadcast, 10, 11}, {BC, 0, 0, 0, 0, 0, kBroadcast, 50, 50},
        {MC, 20, 0, 0, 0, 0, kGroup, 20, 21},     {UU, 5, 0, 0, 0, 0, unknown, 5, 6},
        {UU, 5, 0, 0, 0, 0, known, 50, 50},       {UU, 0, 64, 1, 0, 0, known, 16, 18},
        {UU, 0, 0, 0, 128, 2, known, 32, 34},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(&r - rows);
        ASSERT_EQ(kel_storm_ctrl_set(&p1, r.storm_type, r.storm) |
                      kel_qos_rx_rate_set(&p1, r.rx, r.rx_burst) | kel_qos_tx_rate_set(&p2, r.tx, r.tx_burst),
                  0);
        std::this_thread::sleep_for(std::chrono::milliseconds(1100));  // every bucket full again
        uint32_t discards = counter(1, KEL_DRV_CTR_IN_DISCARD) + counter(2, KEL_DRV_CTR_TX_DISCARD);
        auto got = exchange(1, std::vector<Bytes>(50, frame(r.dst, station(1))));
        EXPECT_GE(got[2].size(), r.low);
        EXPECT_LE(got[2].size(), r.high);
        EXPECT_TRUE(until([&] {
            return counter(1, KEL_DRV_CTR_IN_DISCARD) + counter(2, KEL_DRV_CTR_TX_DISCARD) ==
                   discards + 50 - got[2].size();
        }));
    }
}

// ---- Snooping ---------------------------------------------------------------------------------

// The ports of the learned group of a multicast address, as the library walks them ("" when none).
std::string snooped(const Mac &group) {
    uint32_t index = 0;
    kel_drv_mcast_entry e;
    std::string ports;
    while (kel_mcast_getnext(&index, &e) == 0 && index != KEL_WALK_END)
        if (std::memcmp(e.mac, group.data(), 6) == 0 && e.kind == KEL_DRV_ARL_DYNAMIC)
            for (int p = 1; p <= kPorts; ++p)
                if (e.ports.word[0] >> (p - 1) & 1u) ports += std::to_string(p);
    return ports;
}

TEST_F(Dataplane, IgmpSnooping) {
    ASSERT_EQ(kel_igmpsnoop_status_set(1), 0);
    ASSERT_EQ(kel_igmpsnoop_vlan_set(1, 1), 0);
    const uint32_t g = ip4(239, 1, 1, 1), all = ip4(224, 0, 0, 1);
    const Mac gmac = {0x01, 0x00, 0x5E, 0x01, 0x01, 0x01}, allmac = {0x01, 0x00, 0x5E, 0, 0, 1};
    const Bytes v3_join = {4, 0, 0, 0, 239, 1, 1, 1},
                v3_leave = {3, 0, 0, 0, 239, 1, 1, 1};  // to exclude, to include
    Bytes bad = igmp(0x16, g);
    bad[2] ^= 1;
    struct Row {
        const char *what;
        int from;
        Bytes igmp;         // sent first (none when empty)
        const char *group;  // the group's ports as the library then walks them
        const char *data;   // the ports a datagram to the group from fa1/0/1 reaches
    } rows[] = {
        {"no member, no router: nowhere", 0, {}, "", ""},
        {"a query marks a router port", 6, igmp(0x11, 0), "", "6"},
        {"a version 2 report joins", 3, igmp(0x16, g), "3", "36"},
        {"a version 3 report joins", 4, igmp(0x22, 1, v3_join), "34", "346"},
        {"a wrong checksum is no report", 2, bad, "34", "346"},
        {"a leave waits for the query interval", 3, igmp(0x17, g), "34", "346"},
        {"... then takes effect", 0, {}, "4", "46"},
        {"immediate leave: at once", 4, igmp(0x22, 1, v3_leave), "", "6"},
    };
    ASSERT_EQ(kel_igmpsnoop_lmqi_set(5), 0);  // half a second
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        if (std::strcmp(r.what, "immediate leave: at once") == 0) {
            ASSERT_EQ(kel_igmpsnoop_ileave_set(1, 1), 0);
        }
        if (!r.igmp.empty())
            deliver(r.from, ipv4(r.from == 6 ? allmac : gmac, station(r.from), 2, ip4(10, 0, 0, r.from),
                                 r.from == 6 ? all : g, r.igmp));
        if (!r.from) std::this_thread::sleep_for(std::chrono::milliseconds(700));
        EXPECT_TRUE(until([&] { return snooped(gmac) == r.group; }, 300)) << snooped(gmac);  // before 0.5 s
        EXPECT_EQ(ports_of(deliver(1, ipv4(gmac, station(1), 17, ip4(10, 0, 0, 1), g, udp(9, 9)))), r.data);
    }
    // The link-local groups are flooded as before.
    EXPECT_EQ(ports_of(deliver(1, ipv4(allmac, station(1), 17, ip4(10, 0, 0, 1), all, udp(9, 9)))), "23456");
}

kel_drv_dhcp_binding binding_of(const Mac &client, int *found) {
    uint32_t cursor = 0;
    kel_drv_dhcp_binding b{};
    *found = 0;
    while (kel_dhcpsnoop_bind_getnext(&cursor, &b) == 0)
        if (std::memcmp(b.mac, client.data(), 6) == 0) return ++*found, b;
    return b;
}

TEST_F(Dataplane, DhcpSnooping) {
    ifport p6 = fa(6);
    ASSERT_EQ(kel_dhcpsnoop_status_set(1), 0);
    ASSERT_EQ(kel_dhcpsnoop_vlan_set(1, 1), 0);
    ASSERT_EQ(kel_dhcpsnoop_trust_set(&p6, 1), 0);
    const Mac client = station(1), server = station(6);
    const uint32_t addr = ip4(10, 0, 0, 50);
    auto from_server = [&](const Bytes &m, uint16_t checksum = 0) {
        return ipv4(kBroadcast, server, 17, ip4(10, 0, 0, 6), ip4(255, 255, 255, 255),
                    udp(67, 68, m, checksum));
    };
    deliver(1, ipv4(kBroadcast, client, 17, 0, ip4(255, 255, 255, 255), udp(68, 67, dhcp(1, client, 0, 0))));
    ASSERT_TRUE(until([&] { return learned_on(client) == 1; }));
    struct Row {
        const char *what;
        int from;
        Bytes f;
        const char *receivers;
        uint32_t lease;  // of the client's binding then; 0: none
    } rows[] = {
        {"an offer from an untrusted port", 2, from_server(dhcp(2, client, addr, 60)), "", 0},
        {"an ack from an untrusted port", 2, from_server(dhcp(5, client, addr, 60)), "", 0},
        {"an ack with options overflowing", 6, from_server(dhcp(5, client, addr, 60, {12, 200, 'x'})), "", 0},
        {"an ack with a wrong UDP checksum", 6, from_server(dhcp(5, client, addr, 60), 0x1234), "", 0},
        {"an ack from the trusted port", 6, from_server(dhcp(5, client, addr, 60)), "12345", 60},
        {"a release", 1,
         ipv4(kBroadcast, client, 17, addr, ip4(10, 0, 0, 6), udp(68, 67, dhcp(7, client, addr, 0))), "23456",
         0},
        {"an ack again", 6, from_server(dhcp(5, client, addr, 30)), "12345", 30},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(ports_of(deliver(r.from, r.f)), r.receivers);
        int found;
        EXPECT_TRUE(
            until([&] { return binding_of(client, &found).lease == r.lease && found == (r.lease != 0); }));
    }
    int found;
    kel_drv_dhcp_binding b = binding_of(client, &found);
    EXPECT_EQ(std::make_tuple(b.ip, b.vid, b.unit, b.port), std::make_tuple(htonl(addr), 1u, 1u, 1u));
    with_model([](Model &m) { advance_clock(m, 31); });  // the lease ends
    EXPECT_TRUE(until([&] { return binding_of(client, &found), found == 0; }));
}

// What snooping cannot read it drops, counted as the receiving port's discard;
// what it does not snoop on goes on. (Snooping on for VLAN 1, fa1/0/6 trusted.)
TEST_F(Dataplane, MalformedSnoopedPacketsAreDroppedAndCounted) {
    ifport p6 = fa(6);
    ASSERT_EQ(kel_igmpsnoop_status_set(1), 0);
    ASSERT_EQ(kel_igmpsnoop_vlan_set(1, 1), 0);
    ASSERT_EQ(kel_dhcpsnoop_status_set(1), 0);
    ASSERT_EQ(kel_dhcpsnoop_vlan_set(1, 1), 0);
    ASSERT_EQ(kel_dhcpsnoop_trust_set(&p6, 1), 0);
    const Mac client = station(6), gmac = {0x01, 0x00, 0x5E, 0x01, 0x01, 0x01};
    const uint32_t g = ip4(239, 1, 1, 1), any = ip4(255, 255, 255, 255), me = ip4(10, 0, 0, 6);
    auto with = [](Bytes m, size_t at, uint8_t x) { return m[at] ^= x, m; };
    auto report = [&](const Bytes &m) { return ipv4(gmac, client, 2, me, g, m); };
    auto to_server = [&](const Bytes &u) { return ipv4(kBroadcast, client, 17, me, any, u); };
    Bytes cut = igmp(0x16, g);
    cut.resize(6);
    Bytes no_type = dhcp(1, client, 0, 0);
    no_type.erase(no_type.begin() + 240, no_type.begin() + 243);  // option 53
    struct Row {
        const char *what;
        Bytes f;
        const char *receivers;
    } rows[] = {
        {"an IGMP report", report(igmp(0x16, g)), ""},  // no member or router port yet
        {"an IGMP type snooping does not know", report(igmp(0x13, g)), ""},
        {"a cut IGMP message", report(cut), nullptr},
        {"an IGMP checksum wrong", report(with(igmp(0x16, g), 2, 1)), nullptr},
        {"a wrong IP header checksum", with(report(igmp(0x16, g)), 24, 1), nullptr},
        {"a version 3 record past the end", report(igmp(0x22, 1, {4, 0, 0, 1, 239, 1, 1, 1})), nullptr},
        {"a version 3 report of more records than it holds",
         report(igmp(0x22, 2, {4, 0, 0, 0, 239, 1, 1, 1})), nullptr},
        {"a DHCP discover", to_server(udp(68, 67, dhcp(1, client, 0, 0))), "12345"},
        {"a DHCP option past the end", to_server(udp(68, 67, dhcp(1, client, 0, 0, {12, 200}))), nullptr},
        {"a DHCP message without its type", to_server(udp(68, 67, no_type)), nullptr},
        {"a DHCP message without the cookie", to_server(udp(68, 67, with(dhcp(1, client, 0, 0), 236, 1))),
         nullptr},
        {"a DHCP message too short", to_server(udp(68, 67, Bytes(200, 0))), nullptr},
        {"a UDP checksum wrong", to_server(udp(68, 67, dhcp(1, client, 0, 0), 0x1234)), nullptr},
        {"a UDP length beyond the packet", to_server(with(udp(68, 67, dhcp(1, client, 0, 0)), 4, 0x10)),
         nullptr},
        {"other UDP ports are not DHCP", to_server(udp(67, 67, Bytes(10, 0))), "12345"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        uint32_t before = counter(6, KEL_DRV_CTR_IN_DISCARD);
        EXPECT_EQ(ports_of(deliver(6, r.f)), r.receivers ? r.receivers : "");
        uint32_t want = before + (r.receivers ? 0 : 1);
        EXPECT_TRUE(until([&] { return counter(6, KEL_DRV_CTR_IN_DISCARD) == want; }))
            << counter(6, KEL_DRV_CTR_IN_DISCARD) << " want " << want;
    }
    EXPECT_EQ(snooped(gmac), "6");  // the one good report
}

// ---- The lock, a second dataplane, names taken ----------------------------------------

TEST_F(Dataplane, FramesNeverWaitForAClientHoldingTheSwitch) {
    with_model([&](Model &m) {  // the lock is held throughout
        EXPECT_EQ(ports_of(deliver(1, frame(kBroadcast, station(1)))), "23456");
        EXPECT_EQ(m.fwd.port[0][0].counter[KEL_DRV_CTR_IN_FRAME], 0u);  // counted once the lock is free
    });
    EXPECT_TRUE(until([&] { return counter(1, KEL_DRV_CTR_IN_FRAME) == 1 && learned_on(station(1)) == 1; }));
}

TEST_F(Dataplane, OneDataplanePerSwitchAndNoNameTakenTwice) {
    DataplaneOptions again;
    again.stop_fd = stop;
    EXPECT_EQ(run_dataplane(*model, again), 1);  // this switch has its dataplane already
    // Another switch whose port fa1/0/1 would take a name in use: refused,
    // and none of its other interfaces is made.
    char path[] = "/tmp/kelsim-dataplane-XXXXXX", err[256];
    close(mkstemp(path));
    Topology t;
    ASSERT_TRUE(parse_topology("1fe;-;3fe", &t, err, sizeof err));
    Model *other = open_state_file(path, t, false, err, sizeof err);
    unlink(path);
    ASSERT_NE(other, nullptr) << err;
    unsigned before = if_nametoindex("fa1-0-1");
    EXPECT_EQ(run_dataplane(*other, again), 1);
    EXPECT_EQ(if_nametoindex("fa1-0-1"), before);
    EXPECT_EQ(if_nametoindex("fa3-0-1"), 0u);
}

// Read-only requests count no change of the switch: the dataplane keeps
// the settings it compiled. Every command whose name says it reads is sent
// once, and the model must not change.
TEST(DataplaneEpoch, ReadingCommandsChangeNothing) {
    ASSERT_TRUE(kelsim::reset(kLayout));
    ASSERT_EQ(kel_io_init(), 0);
    with_model([](Model &m) {  // a clock ahead of the wall clock: reading it writes nothing
        m.fwd.clock_last = m.fwd.arl.aged_at = uint64_t{1} << 40;
    });
    uint8_t buf[4096] = {};
    for (uint32_t code = 0; code < 0x2000; ++code) {
        const Command *c = find_command(code);
        if (!c || !reads_only(c)) continue;
        std::vector<uint8_t> before;
        with_model([&](Model &m) {
            const auto *b = reinterpret_cast<const uint8_t *>(&m.sys);
            before.assign(b, reinterpret_cast<const uint8_t *>(&m + 1));
        });
        kel_ioreq r{};
        r.cmd = code;
        r.unit = 1;
        r.port = 1;
        r.vid = 1;
        r.len = sizeof buf;
        r.buf = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(buf));
#if UINTPTR_MAX > 0xFFFFFFFFu
        r.buf_hi = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(buf) >> 32);
#endif
        kel_ioctl(SIOCDEVPRIVATE, &r);
        with_model([&](Model &m) {
            EXPECT_EQ(std::memcmp(before.data(), &m.sys, before.size()), 0)
                << c->name << " changed the switch";
        });
    }
}

}  // namespace
