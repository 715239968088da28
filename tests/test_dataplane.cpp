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
#include "family/commands.h"
#include "kel_driver.h"
#include "model/settings.h"
#include "model/state.h"
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
