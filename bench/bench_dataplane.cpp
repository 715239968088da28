// bench_dataplane.cpp - frames per second through kelsim's dataplane on one
// core, beside the kernel's own bridge between the same kind of interfaces
// (veth pairs), with the same traffic generator, in the same run:
//   - 64-byte known unicast, port to port;
//   - 64-byte broadcasts, flooded to 8 ports (frames in per second);
//   - known unicast while every frame brings a new source address (kelsim
//     learns, moves and refuses when full) and the table ages every second;
//   - known unicast into a port with port security and a MAC access list of
//     64 filters, the last of which matches (goal: at least 70% of the
//     plain rate).
// The switch runs on CPU 0: kelsim's dataplane thread with its ports'
// receive work steered there (RPS), or the bridge with its ports' receive
// work steered there; the generator, one thread sending with sendmmsg,
// runs on CPU 1. A frame counts when a host end received it. Each run is in
// a network namespace of its own. Needs root and two CPUs; goal: at least
// 1 million frames per second port to port, at least half the bridge's rate.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "compare.h"
#include "dataplane/engine.h"
#include "dataplane/pipeline.h"
#include "entry/control.h"
#include "kel.h"
#include "model/state.h"

namespace {

constexpr double kWindow = 1.0;  // seconds of traffic per iteration
constexpr int kSinks = 8;        // ports a broadcast is flooded to
const uint8_t kDst[6] = {0x02, 0, 0, 0, 0, 0x02}, kSrc[6] = {0x02, 0, 0, 0, 0, 0x01};
const uint8_t kBroadcast[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

void pin(int cpu) {
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(cpu, &set);
    sched_setaffinity(0, sizeof set, &set);
}

bool put(const std::string &file, const std::string &text) {
    std::ofstream f(file);
    return static_cast<bool>(f << text << std::flush);
}

uint64_t number(const std::string &file) {
    std::ifstream f(file);
    uint64_t v = 0;
    f >> v;
    return v;
}

uint64_t received(const std::string &ifname) {
    return number("/sys/class/net/" + ifname + "/statistics/rx_packets");
}

// Idle and total jiffies of CPU 0.
void cpu0(uint64_t *idle, uint64_t *total) {
    std::ifstream f("/proc/stat");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("cpu0 ", 0) == 0) {
            uint64_t v[10] = {};
            std::sscanf(line.c_str() + 5, "%lu %lu %lu %lu %lu %lu %lu %lu", &v[0], &v[1], &v[2], &v[3],
                        &v[4], &v[5], &v[6], &v[7]);
            *idle = v[3] + v[4];
            *total = v[0] + v[1] + v[2] + v[3] + v[4] + v[5] + v[6] + v[7];
        }
}

// A fresh network namespace for the calling (main) thread, with a sysfs of
// its own to read counters and set RPS; IPv6 off, so that hosts stay quiet.
bool fresh_namespace() {
    static bool private_mounts =
        unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    if (!private_mounts || unshare(CLONE_NEWNET) != 0) return false;
    umount2("/sys", MNT_DETACH);
    if (mount("sysfs", "/sys", "sysfs", 0, nullptr) != 0) return false;
    put("/proc/sys/net/ipv6/conf/default/disable_ipv6", "1");
    return std::system("ip link set lo up") == 0;
}

// A raw frame from a host end: teaches a switch where kDst is.
void announce(const char *ifname) {
    int fd = socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, htons(ETH_P_ALL));
    sockaddr_ll at{};
    at.sll_family = AF_PACKET;
    at.sll_ifindex = static_cast<int>(if_nametoindex(ifname));
    uint8_t f[60] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    std::memcpy(f + 6, kDst, 6);
    f[12] = 0x88;
    f[13] = 0xB5;
    sendto(fd, f, sizeof f, 0, reinterpret_cast<sockaddr *>(&at), sizeof at);
    close(fd);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

// The traffic generator: 64-byte frames (60 and the FCS), 64 to a
// sendmmsg, on CPU 1, as fast as the kernel takes them. (A transmit ring
// costs more here: the kernel copies its pages again when a frame crosses
// a veth pair.)
class Generator {
public:
    explicit Generator(const char *ifname) {
        fd_ = socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, 0);
        int one = 1;
        setsockopt(fd_, SOL_PACKET, PACKET_QDISC_BYPASS, &one, sizeof one);
        sockaddr_ll at{};
        at.sll_family = AF_PACKET;
        at.sll_ifindex = static_cast<int>(if_nametoindex(ifname));
        ok_ = bind(fd_, reinterpret_cast<sockaddr *>(&at), sizeof at) == 0;
    }
    ~Generator() { close(fd_); }
    bool ok() const { return ok_; }
    // Sends for `seconds` to dst; a new source address per frame when
    // sources > 1 (cycling through that many). Answers the frames sent.
    uint64_t run(const uint8_t *dst, uint32_t sources, double seconds) {
        uint64_t sent = 0;
        std::thread t([&] {
            pin(1);
            static uint8_t frames[kBatch][60];
            static iovec iov[kBatch];
            static mmsghdr msg[kBatch];
            for (unsigned i = 0; i < kBatch; ++i) {
                std::memset(frames[i], 0, 60);
                std::memcpy(frames[i], dst, 6);
                std::memcpy(frames[i] + 6, kSrc, 6);
                frames[i][12] = 0x88;
                frames[i][13] = 0xB5;
                iov[i] = {frames[i], 60};
                msg[i] = {};
                msg[i].msg_hdr.msg_iov = &iov[i];
                msg[i].msg_hdr.msg_iovlen = 1;
            }
            auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
            uint32_t n = 0;
            while (std::chrono::steady_clock::now() < end) {
                for (unsigned i = 0; sources > 1 && i < kBatch; ++i) {
                    uint32_t s = n++ % sources;
                    frames[i][8] = static_cast<uint8_t>(s >> 16), frames[i][9] = static_cast<uint8_t>(s >> 8);
                    frames[i][10] = static_cast<uint8_t>(s), frames[i][11] = 0x10;
                }
                int k = sendmmsg(fd_, msg, kBatch, 0);
                if (k > 0) sent += static_cast<uint64_t>(k);
            }
        });
        t.join();
        return sent;
    }

private:
    static constexpr unsigned kBatch = 64;
    int fd_;
    bool ok_ = false;
};

// What one benchmark measures: `sinks` host ends receive each frame.
void measure(benchmark::State &state, const char *gen_if, const std::string &sink_prefix, int sinks,
             const uint8_t *dst, uint32_t sources) {
    Generator gen(gen_if);
    if (!gen.ok()) return state.SkipWithError("cannot open the generator's transmit ring");
    auto delivered = [&] {
        uint64_t n = 0;
        for (int i = 2; i < 2 + sinks; ++i) n += received(sink_prefix + std::to_string(i));
        return n;
    };
    double frames = 0, offered = 0, busy = 0;
    for (auto _ : state) {
        uint64_t before = delivered(), idle0, total0, idle1, total1;
        cpu0(&idle0, &total0);
        auto start = std::chrono::steady_clock::now();
        uint64_t sent = gen.run(dst, sources, kWindow);
        double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));  // what is under way arrives
        cpu0(&idle1, &total1);
        frames += static_cast<double>(delivered() - before) / sinks;
        offered += static_cast<double>(sent);
        busy += total1 > total0
                    ? 1.0 - static_cast<double>(idle1 - idle0) / static_cast<double>(total1 - total0)
                    : 0;
        state.SetIterationTime(elapsed);
    }
    double n = static_cast<double>(state.iterations());
    state.counters["frames_per_second"] = frames / n / kWindow;
    state.counters["offered_per_second"] = offered / n / kWindow;
    state.counters["cpu0_busy"] = busy / n;
}

// Port security (one address, the generator's) and a MAC access list of 64
// filters on fa1/0/1, every frame tried against them all: 63 that deny
// other sources, then one that permits the rest.
bool police_port_1() {
    ifport p1{1, 0, 1};
    uint32_t list = 0;
    bool ok =
        kel_portsecu_enable_set(&p1, 1) == 0 && kel_acl_create("bench", KEL_DRV_ACL_TYPE_MAC, &list) == 0;
    for (uint32_t i = 0; ok && i < 64; ++i) {
        kel_drv_acl_filter f{};
        f.action = i < 63 ? KEL_DRV_ACL_DENY : KEL_DRV_ACL_PERMIT;
        if (i < 63) {
            f.src_mac[0] = 0x02, f.src_mac[4] = 0x99, f.src_mac[5] = static_cast<uint8_t>(i);
            std::memset(f.src_mac_mask, 0xFF, 6);
        }
        ok = kel_acl_mac_filter_add(list, &f, 0, nullptr) == 0;
    }
    return ok && kel_acl_filter_install("bench", KEL_DRV_ACL_TYPE_MAC, &p1) == 0;
}

// kelsim's dataplane on a fresh switch of 10 ports, on CPU 0.
void run_kelsim(benchmark::State &state, bool flood, uint32_t sources, bool policed = false) {
    if (geteuid() != 0 || !fresh_namespace()) return state.SkipWithError("needs root (network namespaces)");
    if (!kelsim::reset("10fe") || kel_io_init() != 0) return state.SkipWithError("no switch");
    // The generator's ends speak no spanning tree: with it off every port
    // forwards at once, as the bridge's ports do (its tree is off too).
    if (kel_stp_control_set(0) != 0) return state.SkipWithError("cannot turn the spanning tree off");
    if (policed && !police_port_1()) return state.SkipWithError("cannot set the policy up");
    kelsim::Model *m = kelsim::current_model();
    ifport p2{1, 0, 2};
    if (sources > 1) {  // every entry but the destination's, a static one, ages within a second
        kel_arl_age_time_set(1);
        kel_static_arl_add(kDst, 1, &p2);
    }
    int stop = eventfd(0, EFD_CLOEXEC);
    std::atomic<int> ready{0};
    kelsim::DataplaneOptions o;
    o.cpu = 0;
    o.stop_fd = stop;
    o.ready = [](void *r) { static_cast<std::atomic<int> *>(r)->store(1); };
    o.ready_arg = &ready;
    std::atomic<int> status{-1};
    std::thread dp([&] { status = kelsim::run_dataplane(*m, o); });
    while (!ready && status < 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (ready) {
        announce("fa1-0-2");
        measure(state, "fa1-0-1", "fa1-0-", flood ? kSinks : 1, flood ? kBroadcast : kDst, sources);
    } else {
        state.SkipWithError("the dataplane did not start");
    }
    uint64_t one = 1;
    if (write(stop, &one, sizeof one) != 8) std::abort();
    dp.join();
    close(stop);
}

// The kernel's bridge between 10 veth pairs, its receive work on CPU 0.
void run_bridge(benchmark::State &state, bool flood) {
    if (geteuid() != 0 || !fresh_namespace()) return state.SkipWithError("needs root (network namespaces)");
    std::string cmd = "ip link add br0 type bridge && ip link set br0 up";
    for (int i = 1; i <= 10; ++i) {
        std::string h = "h" + std::to_string(i), s = "s" + std::to_string(i);
        cmd += " && ip link add " + h + " type veth peer name " + s + " && ip link set " + s +
               " master br0 && ip link set " + s + " up && ip link set " + h + " up";
    }
    if (std::system(cmd.c_str()) != 0) return state.SkipWithError("cannot make the bridge");
    for (int i = 1; i <= 10; ++i) put("/sys/class/net/s" + std::to_string(i) + "/queues/rx-0/rps_cpus", "1");
    announce("h2");
    measure(state, "h1", "h", flood ? kSinks : 1, flood ? kBroadcast : kDst, 1);
}

// The pipeline alone, in memory (no system call): what the dataplane's own
// work costs per frame, beside which the kernel's part of each frame shows;
// with range(0) sources, a new source address per frame (learned until the
// table is full, then refused), the learned stations handed to the model
// under its lock every 256 frames as the dataplane does after a batch.
void BM_PipelineKnownUnicast(benchmark::State &state) {
    uint32_t sources = static_cast<uint32_t>(state.range(0)), n = 0;
    if (!kelsim::reset("10fe") || kel_io_init() != 0) return state.SkipWithError("no switch");
    if (state.range(1) && !police_port_1()) return state.SkipWithError("cannot set the policy up");
    ifport p2{1, 0, 2};
    kel_static_arl_add(kDst, 1, &p2);
    static kelsim::View v;
    static kelsim::Effects fx;
    kelsim::with_model([](kelsim::Model &m) {
        kelsim::compile_view(m, v);
        v.now = v.clock_last = kelsim::clock_now(m);
    });
    uint8_t buf[4 + 60] = {};
    std::memcpy(buf + 4, kDst, 6);
    std::memcpy(buf + 10, kSrc, 6);
    buf[16] = 0x88, buf[17] = 0xB5;
    kelsim::Model &m = *kelsim::current_model();
    for (auto _ : state) {
        if (sources > 1) {
            uint32_t s = n++ % sources;
            buf[4 + 8] = static_cast<uint8_t>(s >> 16), buf[4 + 9] = static_cast<uint8_t>(s >> 8);
            buf[4 + 10] = static_cast<uint8_t>(s), buf[4 + 11] = 0x10;
            if (n % 256 == 0) {
                kelsim::TryLock lock(m);
                for (uint32_t i = 0; i < fx.learned_count; ++i)
                    kelsim::learn(m, fx.learned[i].mac, fx.learned[i].vid, fx.learned[i].unit,
                                  fx.learned[i].port);
                fx.learned_count = 0;
            }
        }
        kelsim::Frame f;
        kelsim::frame_from_wire(f, 0, buf + 4, 60, 60, false, 0, 0);
        kelsim::Verdict verdict = kelsim::switch_frame(v, f, fx);
        kelsim::count_received(fx, f, verdict);
        kelsim::for_each_slot(f.out, [&](int s) {
            benchmark::DoNotOptimize(kelsim::vlan_sends_tagged(v, f.vid, s));
            kelsim::count_sent(fx, s, f.dst(), f.wire);
        });
        if (fx.learned_count == kelsim::kMaxLearned) fx.learned_count = 0;
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
// range(1): port security and 64 filters on the ingress port.
BENCHMARK(BM_PipelineKnownUnicast)->Args({1, 0})->Args({100000, 0})->Args({1, 1});

void BM_KelsimUnicast(benchmark::State &state) { run_kelsim(state, false, 1); }
void BM_BridgeUnicast(benchmark::State &state) { run_bridge(state, false); }
void BM_KelsimFlood8(benchmark::State &state) { run_kelsim(state, true, 1); }
void BM_BridgeFlood8(benchmark::State &state) { run_bridge(state, true); }
void BM_KelsimUnicastLearning(benchmark::State &state) { run_kelsim(state, false, 100000); }
void BM_KelsimUnicastPoliced(benchmark::State &state) { run_kelsim(state, false, 1, true); }

BENCHMARK(BM_KelsimUnicast)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BridgeUnicast)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KelsimFlood8)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BridgeFlood8)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KelsimUnicastLearning)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KelsimUnicastPoliced)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

KEL_BENCH_COMPARE_COUNTER("BM_KelsimUnicast", "BM_BridgeUnicast", "frames_per_second", "at least 0.5");
KEL_BENCH_COMPARE_COUNTER("BM_KelsimFlood8", "BM_BridgeFlood8", "frames_per_second", "reported");
KEL_BENCH_COMPARE_COUNTER("BM_KelsimUnicastLearning", "BM_KelsimUnicast", "frames_per_second",
                          "about 1: learning and ageing never stall forwarding");
KEL_BENCH_COMPARE_COUNTER("BM_KelsimUnicastPoliced", "BM_KelsimUnicast", "frames_per_second", "at least 0.7");

}  // namespace
