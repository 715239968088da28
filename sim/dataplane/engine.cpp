// engine.cpp - the dataplane's set-up, loop and tear-down (see engine.h).
#include "dataplane/engine.h"

#include <errno.h>
#include <fcntl.h>
#include <net/if.h>
#include <poll.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "dataplane/netlink.h"
#include "dataplane/pcap.h"
#include "dataplane/pipeline.h"
#include "family/arl_table.h"
#include "family/dot1x_run.h"
#include "family/forwarding.h"
#include "family/gvrp_run.h"
#include "family/lacp_run.h"
#include "family/stp_run.h"
#include "model/state.h"

namespace kelsim {

namespace {

constexpr uint32_t kInnerMtu = 65535;  // the switch's end takes any frame, so that it can count oversize ones
constexpr int kIdleWaitMs = 20;        // how soon an idle dataplane sees a change of the switch
constexpr double kChoresEvery = 0.1;   // seconds between lost-frame counts, ageing, capture flushes

double monotonic() {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// A file descriptor closed when it goes out of scope.
struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) close(fd);
    }
};

struct Port {
    int slot = 0;
    char name[IFNAMSIZ] = {};
    int inner = 0;    // interface index of the switch's end, 0 before it exists
    bool up = false;  // the switch's end is up
    PortRing ring;
    PcapFile pcap;
};

bool write_file(const char *path, const char *text) {
    int fd = open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = write(fd, text, std::strlen(text)) == static_cast<ssize_t>(std::strlen(text));
    close(fd);
    return ok;
}

class Engine {
public:
    Engine(Model &m, const DataplaneOptions &o)
        : m_(m),
          o_(o),
          view_(new View()),
          fx_(new Effects()),
          stp_(new SpanningTree()),
          lacp_(new LacpRunner()),
          gvrp_(new GvrpRunner()),
          dot1x_(new Dot1xRun()) {}
    int run();

private:
    bool claim();
    void release();
    bool open_host_namespace();
    bool list_ports();
    bool enter_namespaces(Netlink &host_nl, Fd &host_sock);
    bool names_free(Netlink &host_nl, bool predecessor_died);
    bool make_ports(int host_sock);
    void wait_for_carriers(Netlink &host_nl);
    void remove_ports();
    bool steer_receive();
    void loop();
    void receive(Port &p, RxFrame &r);
    void send(int slot, const Frame &f, bool tagged, bool as_received);
    void flush(Port &p);
    void run_protocols();
    void queue_control(int slot, const uint8_t *data, size_t len);
    void configure_protocols();
    void sync();
    bool apply_effects();
    void apply_links();
    void chores();
    void tick_clock();

    Model &m_;
    DataplaneOptions o_;
    std::unique_ptr<View> view_;
    std::unique_ptr<Effects> fx_;
    std::unique_ptr<SpanningTree> stp_;
    std::unique_ptr<LacpRunner> lacp_;
    std::unique_ptr<GvrpRunner> gvrp_;
    std::unique_ptr<Dot1xRun> dot1x_;
    std::vector<std::unique_ptr<Port>> ports_;
    Port *by_slot_[kSlots] = {};
    Netlink inner_nl_;
    Fd host_ns_;
    bool predecessor_died_ = false;
    char err_[512] = {};
};

bool Engine::claim() {
    int rc = pthread_mutex_trylock(&m_.dataplane);
    if (rc == EOWNERDEAD) {
        predecessor_died_ = true;
        rc = pthread_mutex_consistent(&m_.dataplane);
    }
    if (rc != 0) {
        std::fprintf(stderr,
                     "kelsim: dataplane: process %d runs a dataplane on this switch already; stop it first\n",
                     static_cast<int>(__atomic_load_n(&m_.dataplane_pid, __ATOMIC_RELAXED)));
        return false;
    }
    __atomic_store_n(&m_.dataplane_pid, static_cast<int32_t>(getpid()), __ATOMIC_RELAXED);
    return true;
}

void Engine::release() {
    __atomic_store_n(&m_.dataplane_pid, 0, __ATOMIC_RELAXED);
    pthread_mutex_unlock(&m_.dataplane);
}

// The front ports and the first View, under the lock (which start-up may wait for).
bool Engine::list_ports() {
    Lock lock(m_, false);
    if (!lock) return false;
    for (uint32_t u = 1; u <= kMaxUnits; ++u)
        for (uint32_t p = 1; p <= m_.topo.nports[u - 1]; ++p) {
            if (m_.topo.is_stack(u, p)) continue;
            auto port = std::make_unique<Port>();
            port->slot = slot_of(u, p);
            port_interface_name(m_.topo, u, p, port->name, sizeof port->name);
            by_slot_[port->slot] = port.get();
            ports_.push_back(std::move(port));
        }
    SpanningTree::retire(m_);  // what a dataplane killed before left
    LacpRunner::retire(m_);
    GvrpRunner::retire(m_);
    Dot1xRun::retire(m_);
    compile_view(m_, *view_);
    view_->clock_last = clock_now(m_);
    view_->clock_offset = m_.fwd.clock_offset;
    configure_protocols();
    fx_->lacp_changed = true;
    return true;
}

// The host ends' namespace: the RADIUS servers are reached from there too,
// not from the dataplane's own.
bool Engine::open_host_namespace() {
    std::string path = o_.netns ? std::string("/run/netns/") + o_.netns : "/proc/thread-self/ns/net";
    host_ns_.fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (host_ns_.fd < 0) {
        std::fprintf(stderr, "kelsim: dataplane: network namespace %s: %s\n",
                     o_.netns ? o_.netns : "of kelsim", std::strerror(errno));
        return false;
    }
    dot1x_->server_namespace(host_ns_.fd);
    return true;
}

// Enters the host ends' namespace, checks their names there, then moves the
// calling thread into a namespace of its own, where the switch's ends live.
bool Engine::enter_namespaces(Netlink &host_nl, Fd &host_sock) {
    if (o_.netns && setns(host_ns_.fd, CLONE_NEWNET) != 0) {
        std::fprintf(stderr, "kelsim: dataplane: cannot enter network namespace %s: %s\n", o_.netns,
                     std::strerror(errno));
        return false;
    }
    host_sock.fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (!host_nl.open(err_, sizeof err_) || host_sock.fd < 0) {
        std::fprintf(stderr, "kelsim: dataplane: %s\n", host_sock.fd < 0 ? std::strerror(errno) : err_);
        return false;
    }
    if (!names_free(host_nl, predecessor_died_)) return false;
    if (unshare(CLONE_NEWNET) != 0) {
        std::fprintf(stderr,
                     "kelsim: dataplane: cannot make a network namespace of its own: %s (run it as root, or "
                     "with CAP_SYS_ADMIN and CAP_NET_ADMIN, e.g. in a user namespace: unshare -Urn)\n",
                     std::strerror(errno));
        return false;
    }
    // The switch's ends send nothing of their own: no IPv6 addresses, no ARP.
    write_file("/proc/sys/net/ipv6/conf/default/disable_ipv6", "1");
    write_file("/proc/sys/net/ipv6/conf/all/disable_ipv6", "1");
    if (!inner_nl_.open(err_, sizeof err_)) {
        std::fprintf(stderr, "kelsim: dataplane: %s\n", err_);
        return false;
    }
    return true;
}

// Whether every port's name is free in the host ends' namespace. The
// interfaces of a dataplane that was killed go away with its namespace,
// which the kernel removes a moment later: they are waited for.
bool Engine::names_free(Netlink &host_nl, bool predecessor_died) {
    double give_up = monotonic() + (predecessor_died ? 5.0 : 0.0);
    for (;;) {
        std::string taken;
        for (const auto &p : ports_) {
            int index = host_nl.index_of(p->name);
            if (index < 0) {
                std::fprintf(stderr, "kelsim: dataplane: cannot look up interface %s: %s\n", p->name,
                             std::strerror(-index));
                return false;
            }
            if (index > 0) taken += std::string(taken.empty() ? "" : ", ") + p->name;
        }
        if (taken.empty()) return true;
        if (monotonic() >= give_up) {
            std::fprintf(stderr,
                         "kelsim: dataplane: interface names taken already in the namespace: %s; nothing was "
                         "made\n",
                         taken.c_str());
            return false;
        }
        struct timespec pause = {0, 50 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
}

bool Engine::make_ports(int host_sock) {
    for (auto &p : ports_) {
        int rc = inner_nl_.make_veth(p->name, host_ns_.fd, p->name, kInnerMtu);
        if (rc == -EEXIST) {
            std::fprintf(stderr, "kelsim: dataplane: interface %s was made by another program meanwhile\n",
                         p->name);
            return false;
        }
        int index = rc == 0 ? inner_nl_.index_of(p->name) : rc;
        if (index <= 0) {
            std::fprintf(stderr, "kelsim: dataplane: cannot make interface %s: %s (needs CAP_NET_ADMIN)\n",
                         p->name, std::strerror(-(rc ? rc : index)));
            return false;
        }
        p->inner = index;
        if (int e = whole_frames_only(host_sock, p->name))
            std::fprintf(stderr, "kelsim: dataplane: %s keeps its checksum offload: %s\n", p->name,
                         std::strerror(-e));
        if (!p->ring.open(p->inner, o_.ring, err_, sizeof err_)) {
            std::fprintf(stderr, "kelsim: dataplane: port %s: %s\n", p->name, err_);
            return false;
        }
        if (o_.pcap_dir) {
            std::string file = std::string(o_.pcap_dir) + "/" + p->name + ".pcap";
            if (!p->pcap.open(file.c_str(), err_, sizeof err_)) {
                std::fprintf(stderr, "kelsim: dataplane: %s\n", err_);
                return false;
            }
        }
    }
    apply_links();
    return true;
}

// The host ends of ports whose link is up can send once the kernel has
// noticed their carrier (it does so a moment later, on a work queue): the
// dataplane is ready when they can, or after two seconds.
void Engine::wait_for_carriers(Netlink &host_nl) {
    double give_up = monotonic() + 2.0;
    for (auto &p : ports_)
        while (p->up && !host_nl.can_send(p->name) && monotonic() < give_up) {
            struct timespec pause = {0, 2 * 1000 * 1000};
            nanosleep(&pause, nullptr);
        }
}

// Removing the switch's end of a pair removes the host's end too, wherever it is.
void Engine::remove_ports() {
    for (auto &p : ports_)
        if (p->inner) inner_nl_.remove(p->inner);
}

// Pins the thread to o_.cpu and has the kernel do the ports' receive work
// there too (RPS), through a sysfs of the dataplane's namespace.
bool Engine::steer_receive() {
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(o_.cpu, &set);
    if (sched_setaffinity(0, sizeof set, &set) != 0 || unshare(CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("sysfs", "/sys", "sysfs", 0, nullptr) != 0) {
        std::fprintf(stderr, "kelsim: dataplane: cannot run on CPU %d: %s\n", o_.cpu, std::strerror(errno));
        return false;
    }
    char mask[32];
    std::snprintf(mask, sizeof mask, "%llx", 1ull << o_.cpu);
    for (const auto &p : ports_) {
        std::string file = std::string("/sys/class/net/") + p->name + "/queues/rx-0/rps_cpus";
        if (!write_file(file.c_str(), mask)) {
            std::fprintf(stderr, "kelsim: dataplane: cannot steer %s to CPU %d: %s\n", p->name, o_.cpu,
                         std::strerror(errno));
            return false;
        }
    }
    return true;
}

int Engine::run() {
    if (!claim()) return 1;
    bool ok = open_host_namespace() && list_ports();
    {
        Netlink host_nl;
        Fd host_sock;
        ok = ok && enter_namespaces(host_nl, host_sock) && make_ports(host_sock.fd);
        if (ok) wait_for_carriers(host_nl);
    }
    ok = ok && (o_.cpu < 0 || steer_receive());
    if (ok) {
        if (o_.ready) o_.ready(o_.ready_arg);
        loop();
        Lock last(m_);  // the last frames' counters and stations: worth a wait
        if (last) {
            apply_effects();
            SpanningTree::retire(m_);  // no longer on the wire
            LacpRunner::retire(m_);
            GvrpRunner::retire(m_);
            Dot1xRun::retire(m_);
        }
    }
    remove_ports();
    for (auto &p : ports_) p->pcap.flush();
    release();
    return ok ? 0 : 1;
}

void Engine::loop() {
    std::vector<pollfd> fds;
    for (auto &p : ports_) fds.push_back({p->ring.fd(), POLLIN, 0});
    fds.push_back({o_.stop_fd, POLLIN, 0});
    double next_chores = 0;
    for (;;) {
        if (change_epoch(m_) != view_->epoch || fx_->fdb_stale) sync();
        tick_clock();
        bool busy = false;
        for (auto &p : ports_) {
            if (!p->ring.begin_block()) continue;
            // A frame sent after a request returned is switched by what it set.
            if (change_epoch(m_) != view_->epoch) sync();
            busy = true;
            RxFrame r;
            while (p->ring.next(&r)) receive(*p, r);
            for (auto &q : ports_)  // the batches point into the block: sent before it goes back
                if (q->ring.queued()) flush(*q);
            p->ring.end_block();
        }
        run_protocols();
        if (busy && fx_->pending()) sync();
        if (double now = monotonic(); now >= next_chores) {
            next_chores = now + kChoresEvery;
            chores();
            pollfd stop{o_.stop_fd, POLLIN, 0};
            if (busy && poll(&stop, 1, 0) > 0) return;
        }
        if (busy) continue;
        if (poll(fds.data(), fds.size(), kIdleWaitMs) > 0 && fds.back().revents) return;
    }
}

// The switch's clock: the wall clock plus test control's offset, never
// going back (kelsim wait moves the offset, and with it ageing).
void Engine::tick_clock() {
    std::time_t wall = std::time(nullptr);
    uint64_t now = add_saturating(wall > 0 ? static_cast<uint64_t>(wall) : 0, view_->clock_offset);
    view_->now = now > view_->clock_last ? now : view_->clock_last;
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    view_->now_ns = static_cast<uint64_t>(t.tv_sec) * 1000000000u + static_cast<uint64_t>(t.tv_nsec);
}

void Engine::receive(Port &p, RxFrame &r) {
    Frame f;
    frame_from_wire(f, p.slot, r.data, r.len, r.wire_len, r.has_tag, r.vlan_tpid, r.vlan_tci);
    if (p.pcap.is_open()) {
        iovec whole{f.data, f.len};
        p.pcap.add(&whole, 1, r.sec, r.nsec);
    }
    Verdict verdict = switch_frame(*view_, f, *fx_);
    count_received(*fx_, f, verdict);
    if (verdict == Verdict::forward || verdict == Verdict::taken || verdict == Verdict::discard ||
        verdict == Verdict::unknown_protocol) {
        int monitor = mirror_monitor(*view_, f.in, true);
        if (monitor >= 0) send(monitor, f, f.tag_len != 0, true);
    }
    if (verdict != Verdict::forward) return;
    for_each_slot(f.out, [&](int slot) {
        bool tagged = vlan_sends_tagged(*view_, f.vid, slot);
        send(slot, f, tagged, false);
        int monitor = mirror_monitor(*view_, slot, false);
        if (monitor >= 0) send(monitor, f, tagged, false);
    });
}

// Queues a frame on a port: as received (its own tag, if any), or as the
// switch sends it (tagged with its VLAN and priority, or untagged).
void Engine::send(int slot, const Frame &f, bool tagged, bool as_received) {
    Port *p = by_slot_[slot];
    if (!p) return;
    if (p->ring.full()) flush(*p);
    const uint8_t *rest = f.data + 12 + f.tag_len;
    uint32_t rest_len = f.len - 12 - f.tag_len;
    uint8_t tag[4] = {kTpidCustomer >> 8, kTpidCustomer & 0xFF,
                      static_cast<uint8_t>(f.pcp << 5 | f.dei << 4 | f.vid >> 8),
                      static_cast<uint8_t>(f.vid)};
    // The frame's own tag where it stays as it came (sent as one piece).
    bool own = as_received || (f.tag_len && std::memcmp(f.data + 12, tag, 4) == 0);
    const uint8_t *use = !tagged ? nullptr : own ? f.data + 12 : tag;
    int pieces = 0;
    const iovec *v = p->ring.queue(f.data, use, rest, rest_len, &pieces);
    if (p->pcap.is_open()) {
        struct timespec t;
        clock_gettime(CLOCK_REALTIME, &t);
        p->pcap.add(v, pieces, static_cast<uint32_t>(t.tv_sec), static_cast<uint32_t>(t.tv_nsec));
    }
}

// Sends a port's batch and counts it: frames the kernel refused are
// discarded for want of room.
void Engine::flush(Port &p) {
    uint32_t lost = 0;
    p.ring.flush([&](uint32_t i, bool sent) {
        if (sent)
            count_sent(*fx_, p.slot, p.ring.head(i), p.ring.length(i) + kFcs);
        else
            ++lost;
    });
    if (lost) count_not_sent(*fx_, p.slot, lost, true);
}

// The protocols act on the control frames of the batch and on the time
// that passed; what they send goes out at once.
void Engine::run_protocols() {
    uint64_t now = static_cast<uint64_t>(monotonic() * 1000);
    stp_->step(*view_, *fx_, now);
    lacp_->step(*view_, *fx_, now);
    gvrp_->step(*view_, *fx_, now);
    dot1x_->step(*fx_, now);
    for (uint32_t i = 0; i < stp_->outgoing(); ++i)
        queue_control(stp_->frame(i).slot, stp_->frame(i).data, stp_->frame(i).len);
    for (uint32_t i = 0; i < lacp_->outgoing(); ++i)
        queue_control(lacp_->frame(i).slot, lacp_->frame(i).data, lacp::kFrameSize);
    for (uint32_t i = 0; i < gvrp_->outgoing(); ++i)
        queue_control(gvrp_->frame(i).slot, gvrp_->frame(i).data, gvrp_->frame(i).len);
    for (uint32_t i = 0; i < dot1x_->outgoing(); ++i)
        queue_control(dot1x_->frame(i).slot, dot1x_->frame(i).data, dot1x_->frame(i).len);
    if (!stp_->outgoing() && !lacp_->outgoing() && !gvrp_->outgoing() && !dot1x_->outgoing()) return;
    for (auto &p : ports_)
        if (p->ring.queued()) flush(*p);
    stp_->sent();
    lacp_->sent();
    gvrp_->sent();
    dot1x_->sent();
}

// Queues a frame of the switch's own (a protocol's) on a port, untagged.
void Engine::queue_control(int slot, const uint8_t *data, size_t len) {
    Port *p = by_slot_[slot];
    if (!p) return;
    if (p->ring.full()) flush(*p);
    int pieces = 0;
    const iovec *v = p->ring.queue(data, nullptr, data + 12, static_cast<uint32_t>(len - 12), &pieces);
    if (p->pcap.is_open()) {
        struct timespec t;
        clock_gettime(CLOCK_REALTIME, &t);
        p->pcap.add(v, pieces, static_cast<uint32_t>(t.tv_sec), static_cast<uint32_t>(t.tv_nsec));
    }
}

// The protocols take the settings of a View just compiled (under the lock);
// when 802.1X's authenticators change an authorization, the View is compiled again.
void Engine::configure_protocols() {
    uint64_t now = static_cast<uint64_t>(monotonic() * 1000);
    if (dot1x_->configure(m_, *view_, now)) compile_view(m_, *view_);
    stp_->configure(*view_, *fx_);
    lacp_->configure(*view_, *fx_);
    gvrp_->configure(*view_, *fx_, now);
}

// Adds the frames' effects to the model and compiles the View again when
// the switch changed, if the lock is free at once; else later.
void Engine::sync() {
    bool compile = false;
    {
        TryLock lock(m_);
        if (!lock) return;
        bool policy = apply_effects();
        view_->clock_last = clock_now(m_);
        if (m_.epoch != view_->epoch || policy) {
            compile_view(m_, *view_);
            view_->clock_offset = m_.fwd.clock_offset;
            configure_protocols();
            compile = true;
        } else if (fx_->fdb_stale) {
            compile_fdb(m_, *view_);
        }
        fx_->fdb_stale = false;
    }
    if (compile) apply_links();
}

// The counters, stations and policy changes the frames gathered, into the
// model (under its lock); true when the policy changes call for the View
// to be compiled again (a port shut down, a group joined, ...).
bool Engine::apply_effects() {
    Effects &fx = *fx_;
    for_each_slot(fx.counted, [&](int s) {
        add_counters(m_, unit_of(s), port_of(s), fx.counter[s]);
        std::memset(fx.counter[s], 0, sizeof fx.counter[s]);
    });
    std::memset(&fx.counted, 0, sizeof fx.counted);
    for (uint32_t i = 0; i < fx.learned_count; ++i) {
        const Learned &l = fx.learned[i];
        if (learn(m_, l.mac, l.vid, l.unit, l.port) != KEL_DRV_OK) fx.fdb_stale = true;
    }
    fx.learned_count = 0;
    if (!empty_set(fx.flush)) {
        arl_forget(m_.fwd.arl, fx.flush);
        std::memset(&fx.flush, 0, sizeof fx.flush);
    }
    if (fx.stp_changed) {
        stp_->publish(m_);
        fx.stp_changed = false;
    }
    if (fx.lacp_changed) {
        lacp_->publish(m_);
        fx.lacp_changed = false;
    }
    bool vlans = false;
    if (fx.gvrp_changed) {
        vlans = gvrp_->publish(m_);
        fx.gvrp_changed = false;
    }
    bool authorized = fx.dot1x_changed && dot1x_->publish(m_);
    fx.dot1x_changed = false;
    bool policy = fx.event_count || fx.policy_stale || vlans || authorized;
    if (policy) {
        uint64_t now = clock_now(m_);
        for (uint32_t i = 0; i < fx.event_count; ++i) apply_policy_event(m_, fx.event[i], now);
    }
    fx.event_count = 0;
    fx.policy_stale = false;
    return policy;
}

// The host ends' carrier follows the ports' links: the switch's end of a
// port whose link is down is set down (outside the lock).
void Engine::apply_links() {
    for (auto &p : ports_) {
        bool want = view_->port[p->slot].link;
        if (want == p->up || !p->inner) continue;
        if (inner_nl_.set_up(p->inner, want) == 0) p->up = want;
    }
}

void Engine::chores() {
    for (auto &p : ports_) {
        uint32_t lost = p->ring.lost();
        if (lost) count_not_received(*fx_, p->slot, lost);
        p->pcap.flush();
    }
    age_fdb(*view_);
    snoop_timers(*view_, *fx_);
    bool changed = false;
    {
        TryLock lock(m_);  // the policy families' timers: secure addresses, shutdowns, leases
        changed = lock && policy_upkeep(m_, clock_now(m_));
    }
    if (changed) fx_->policy_stale = true;
    if (fx_->pending()) sync();
}

}  // namespace

void port_interface_name(const Topology &t, uint32_t unit, uint32_t port, char *out, size_t size) {
    char name[32];
    if (port_long_name(t, unit, port, name, sizeof name) < 0) name[0] = '\0';
    const char *digits = std::strpbrk(name, "0123456789");
    std::snprintf(out, size, "%.2s%s", name, digits ? digits : "");
    for (char *c = out; *c; ++c)
        if (*c == '/') *c = '-';
}

int run_dataplane(Model &m, const DataplaneOptions &o) {
    Engine e(m, o);
    return e.run();
}

}  // namespace kelsim
