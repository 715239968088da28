// control_commands.cpp - kelsim's own commands on a state file: looking at
// the switch, and moving it as the wire and the stations behind its ports
// would (cables, traffic, learned addresses, joined groups, time).
#include <errno.h>
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "family/commands.h"
#include "family/policy.h"
#include "kel_driver.h"
#include "launch/launcher.h"
#include "model/state.h"
#include "proto/eapol_auth.h"

namespace kelsim {

namespace {

// Runs f on the model under its lock and returns its exit status; 1 when
// the lock could not be had in time (the Lock has said why).
template <class F>
int locked(Model &m, F f) {
    Lock lock(m);
    return lock ? f() : 1;
}

int show_topology(Model &m, int, char **) {
    char layout[512];
    if (locked(m, [&] { return format_topology(m.topo, layout, sizeof layout), 0; })) return 1;
    std::printf("%s\n", layout);
    return 0;
}

int show_requests(Model &m, int, char **) {
    unsigned long long n = 0;
    if (locked(m, [&] { return n = m.requests, 0; })) return 1;
    std::printf("%llu\n", n);
    return 0;
}

// ---- What the wire and the stations do --------------------------------------

int usage(const char *synopsis) {
    std::fprintf(stderr, "usage: kelsim --state FILE %s\n", synopsis);
    return 2;
}

// Prints why the switch refused, or nothing; the exit status.
int done(const char *what, int32_t status) {
    if (status == KEL_DRV_OK) return 0;
    std::fprintf(stderr, "kelsim: %s: %s (%d)\n", what, kel_drv_status_text(status), status);
    return 1;
}

// A port as "U/0/P", or by its long or short name ("fastethernet1/0/3",
// "fa1/0/3", any case). Only the numbers are checked here; the handlers
// refuse a port the switch does not have.
bool parse_port(const Model &m, const char *text, uint32_t *unit, uint32_t *port) {
    const char *digits = text;
    while (std::isalpha(static_cast<unsigned char>(*digits))) ++digits;
    unsigned u, s, p;
    char tail;
    if (std::sscanf(digits, "%u/%u/%u%c", &u, &s, &p, &tail) != 3 || s != 0) return false;
    if (digits != text) {  // a name: it must be this port's long or short name
        char name[32], brief[32];
        if (port_long_name(m.topo, u, p, name, sizeof name) < 0) return false;
        std::snprintf(brief, sizeof brief, "%.2s%s", name, std::strpbrk(name, "0123456789"));
        if (strcasecmp(text, name) != 0 && strcasecmp(text, brief) != 0) return false;
    }
    *unit = u;
    *port = p;
    return true;
}

// A whole number from 0 to max, written in decimal digits alone.
bool parse_number(const char *text, uint64_t max, uint64_t *out) {
    if (!*text || std::strspn(text, "0123456789") != std::strlen(text)) return false;
    errno = 0;
    unsigned long long v = std::strtoull(text, nullptr, 10);
    if (errno == ERANGE || v > max) return false;
    *out = v;
    return true;
}

// "hhhh.hhhh.hhhh" or "hh:hh:hh:hh:hh:hh".
bool parse_mac(const char *text, uint8_t mac[6]) {
    unsigned b[6];
    char tail;
    if (std::sscanf(text, "%2x%2x.%2x%2x.%2x%2x%c", &b[0], &b[1], &b[2], &b[3], &b[4], &b[5], &tail) != 6 &&
        std::sscanf(text, "%2x:%2x:%2x:%2x:%2x:%2x%c", &b[0], &b[1], &b[2], &b[3], &b[4], &b[5], &tail) != 6)
        return false;
    if (std::strlen(text) != 14 && std::strlen(text) != 17) return false;
    for (int i = 0; i < 6; ++i) mac[i] = static_cast<uint8_t>(b[i]);
    return true;
}

const char kTrafficSynopsis[] = "traffic PORT PACKETS [BYTES [rx|tx [unicast|multicast|broadcast]]]";

int send_traffic(Model &m, int argc, char **argv) {
    uint32_t unit, port;
    uint64_t packets, bytes = 0;
    Traffic t;
    if (argc < 2 || argc > 5 || !parse_port(m, argv[0], &unit, &port) ||
        !parse_number(argv[1], 0xFFFFFFFFu, &packets) ||
        (argc > 2 && !parse_number(argv[2], UINT64_MAX, &bytes)))
        return usage(kTrafficSynopsis);
    t.packets = static_cast<uint32_t>(packets);
    t.bytes = bytes;
    if (argc > 3) {
        if (std::strcmp(argv[3], "tx") == 0)
            t.dir = Direction::tx;
        else if (std::strcmp(argv[3], "rx") != 0)
            return usage(kTrafficSynopsis);
    }
    if (argc > 4) {
        if (std::strcmp(argv[4], "multicast") == 0)
            t.cast = Cast::multicast;
        else if (std::strcmp(argv[4], "broadcast") == 0)
            t.cast = Cast::broadcast;
        else if (std::strcmp(argv[4], "unicast") != 0)
            return usage(kTrafficSynopsis);
    }
    return locked(m, [&] { return done("traffic", traffic(m, unit, port, t)); });
}

int learn_address(Model &m, int argc, char **argv) {
    uint8_t mac[6];
    uint64_t vid;
    uint32_t unit, port;
    if (argc != 3 || !parse_mac(argv[0], mac) || !parse_number(argv[1], 0xFFFF, &vid) ||
        !parse_port(m, argv[2], &unit, &port))
        return usage("learn MAC VLAN PORT");
    return locked(m, [&] { return done("learn", learn(m, mac, static_cast<uint32_t>(vid), unit, port)); });
}

int join_group(Model &m, int argc, char **argv) {
    uint8_t mac[6];
    uint64_t vid;
    uint32_t unit, port;
    if (argc != 3 || !parse_mac(argv[0], mac) || !parse_number(argv[1], 0xFFFF, &vid) ||
        !parse_port(m, argv[2], &unit, &port))
        return usage("join GROUP-MAC VLAN PORT");
    return locked(m,
                  [&] { return done("join", mcast_join(m, mac, static_cast<uint32_t>(vid), unit, port)); });
}

int cable(Model &m, int argc, char **argv) {
    uint32_t unit, port;
    bool plug = argc == 2 && std::strcmp(argv[1], "plug") == 0;
    if (argc != 2 || !parse_port(m, argv[0], &unit, &port) || (!plug && std::strcmp(argv[1], "pull") != 0))
        return usage("cable PORT plug|pull");
    return locked(m, [&] { return done("cable", set_cable(m, unit, port, plug)); });
}

int stp_state(Model &m, int argc, char **argv) {
    static const char *const kStates[] = {"blocking", "listening", "learning", "forwarding"};
    uint32_t unit, port, state = 0;
    for (uint32_t i = 0; argc == 2 && i < 4; ++i)
        if (std::strcmp(argv[1], kStates[i]) == 0) state = KEL_DRV_PORT_STP_BLOCKING + i;
    if (argc != 2 || !state || !parse_port(m, argv[0], &unit, &port))
        return usage("stp PORT blocking|listening|learning|forwarding");
    return locked(m, [&] {
        if (!m.proto.stp.running) return done("stp", set_stp_state(m, unit, port, state));
        std::fprintf(stderr,
                     "kelsim: stp: the spanning tree a dataplane runs sets the port states; "
                     "switch it off first (kelctl spanning-tree disable)\n");
        return 1;
    });
}

// Switches joined by their ports are told apart by their addresses.
int set_mac(Model &m, int argc, char **argv) {
    uint8_t mac[6];
    if (argc != 1 || !parse_mac(argv[0], mac) || (mac[0] & 1u)) return usage("mac MAC (not a group address)");
    return locked(m, [&] { return std::memcpy(m.sys.mac, mac, 6), 0; });
}

std::string mac_text(const uint8_t m[6]);

// Each MST instance on the wire: its regional root, and its ports' roles
// and states (mode mstp), one line per instance.
std::string mst_run_lines(const Model &m) {
    static const char *const role[] = {"disabled", "root", "designated", "alternate", "backup"};
    static const char *const state[] = {"disabled", "discarding", "listening", "learning", "forwarding"};
    std::string out;
    for (uint32_t k = 0; k < KEL_DRV_MST_INSTANCES; ++k) {
        if (!(m.proto.mst.active >> k & 1u)) continue;
        const MstRootRun &root = m.proto.stp.mst_root[k];
        out += "instance " + std::to_string(k) + " root " + std::to_string(root.priority) + "/" +
               mac_text(root.mac) + " cost " + std::to_string(root.cost);
        for (uint32_t u = 1; u <= kMaxUnits; ++u)
            for (uint32_t p = 1; p <= m.topo.nports[u - 1]; ++p) {
                const StpPortRun &r = m.proto.stp.port[u - 1][p - 1];
                if (m.topo.is_stack(u, p) || !(r.received | r.sent) || r.mst_role[k] > 4 ||
                    r.mst_state[k] > 4)
                    continue;
                out += " " + std::to_string(u) + "/0/" + std::to_string(p) + ":" + role[r.mst_role[k]] + "," +
                       state[r.mst_state[k]];
            }
        out += "\n";
    }
    return out;
}

// The spanning tree as the dataplane runs it: what the records do not hold.
int show_stp_run(Model &m, int argc, char **) {
    if (argc != 0) return usage("spanning-tree");
    std::string out;
    int status = locked(m, [&] {
        const StpRun &run = m.proto.stp;
        if (!run.running) return out = "not running on the wire\n", 0;
        out = "root " + std::to_string(run.root_priority) + "/" + mac_text(run.root_mac) + " cost " +
              std::to_string(run.root_cost) + " root-port " + std::to_string(run.root_port) +
              " topology-changes " + std::to_string(run.topology_changes) + "\n";
        for (uint32_t u = 1; u <= kMaxUnits; ++u)
            for (uint32_t p = 1; p <= m.topo.nports[u - 1]; ++p) {
                const StpPortRun &r = run.port[u - 1][p - 1];
                if (m.topo.is_stack(u, p) || !(r.received | r.sent | r.refused | r.shut)) continue;
                char line[160];
                std::snprintf(line, sizeof line, "%u/0/%u bpdu-received %u sent %u refused %u%s%s%s\n", u, p,
                              r.received, r.sent, r.refused, r.edge ? " edge" : "",
                              r.shut ? " shut-by-bpdu-guard" : "", r.boundary ? " boundary" : "");
                out += line;
            }
        if (run.mst) out += mst_run_lines(m);
        return 0;
    });
    if (status) return status;
    std::fputs(out.c_str(), stdout);
    return 0;
}

// LACP's rate on every dynamic trunk's members: fast shortens what a lost
// partner takes to notice from 90 s to 3 s.
int lacp_rate(Model &m, int argc, char **argv) {
    if (argc != 1 || (std::strcmp(argv[0], "fast") != 0 && std::strcmp(argv[0], "slow") != 0))
        return usage("lacp-rate fast|slow");
    bool fast = argv[0][0] == 'f';
    return locked(m, [&] { return m.fwd.lacp.fast = fast, 0; });
}

// LACP as the dataplane runs it: each member's partner, which the records
// do not hold.
int show_lacp_run(Model &m, int argc, char **) {
    if (argc != 0) return usage("lacp");
    static const char *const kMux[] = {"detached", "waiting", "attached", "collecting-distributing"};
    std::string out;
    int status = locked(m, [&] {
        const LacpRun &run = m.fwd.lacp;
        out = std::string("rate ") + (run.fast ? "fast" : "slow") + "\n";
        if (!run.running) return out += "not running on the wire\n", 0;
        for (uint32_t id = 1; id <= KEL_DRV_TRUNKS; ++id) {
            const Trunk &t = m.fwd.trunk[id];
            if (t.kind != KEL_DRV_TRUNK_DYNAMIC) continue;
            for (uint32_t u = 1; u <= kMaxUnits; ++u)
                for (uint32_t p = 1; p <= m.topo.nports[u - 1]; ++p) {
                    if (!((t.members.word[u - 1] >> (p - 1)) & 1u)) continue;
                    const LacpPortRun &r = run.port[u - 1][p - 1];
                    char line[240];
                    std::snprintf(
                        line, sizeof line,
                        "%u/0/%u trunk %u state 0x%02x %s partner %u/%s key %u port %u/%u state 0x%02x "
                        "lacpdu-received %u sent %u refused %u\n",
                        u, p, id, r.state, kMux[r.mux & 3], r.partner_priority,
                        mac_text(r.partner_sys).c_str(), r.partner_key, r.partner_port_priority,
                        r.partner_port, r.partner_state, r.received, r.sent, r.refused);
                    out += line;
                }
        }
        return 0;
    });
    if (status) return status;
    std::fputs(out.c_str(), stdout);
    return 0;
}

// The authenticators a dataplane runs: each port's state, station and counts.
int show_dot1x_run(Model &m) {
    std::string out;
    int status = locked(m, [&] {
        for (uint32_t u = 1; u <= kMaxUnits; ++u)
            for (uint32_t p = 1; p <= m.topo.nports[u - 1]; ++p) {
                const Dot1xPort &d = m.proto.dot1x[u - 1][p - 1];
                if (m.topo.is_stack(u, p) || d.pae == 0 || d.pae > static_cast<uint8_t>(dot1x::State::held))
                    continue;
                char line[256];
                std::snprintf(
                    line, sizeof line,
                    "%u/0/%u %s station %s starts %u logoffs %u successes %u failures %u timeouts %u "
                    "refused %u eapol %u\n",
                    u, p, dot1x::state_name(static_cast<dot1x::State>(d.pae)),
                    d.authorized ? mac_text(d.station).c_str() : "-", d.starts, d.logoffs, d.successes,
                    d.failures, d.timeouts, d.refused, d.eapol_frames);
                out += line;
            }
        if (out.empty()) out = "no authenticator runs on the wire\n";
        return 0;
    });
    if (status) return status;
    std::fputs(out.c_str(), stdout);
    return 0;
}

// With a port, what a completed 802.1X exchange leaves behind, for a switch
// whose dataplane does not run the exchange: a station authorized on the
// port, or none. Without, the authenticators a dataplane runs.
int dot1x(Model &m, int argc, char **argv) {
    if (argc == 0) return show_dot1x_run(m);
    uint8_t mac[6];
    uint32_t unit, port;
    bool authorize = argc == 3 && std::strcmp(argv[1], "authorize") == 0 && parse_mac(argv[2], mac);
    if (!(authorize || (argc == 2 && std::strcmp(argv[1], "deauthorize") == 0)) ||
        !parse_port(m, argv[0], &unit, &port))
        return usage("dot1x [PORT authorize MAC | PORT deauthorize]");
    return locked(m,
                  [&] { return done("dot1x", dot1x_authorize(m, unit, port, authorize ? mac : nullptr)); });
}

int pass_time(Model &m, int argc, char **argv) {
    uint64_t seconds;
    if (argc != 1) return usage("wait SECONDS");
    if (!parse_number(argv[0], UINT64_MAX, &seconds)) {
        std::fprintf(stderr, "kelsim: wait: '%s' is not a number of seconds from 0 to %llu\n", argv[0],
                     static_cast<unsigned long long>(UINT64_MAX));
        return 2;
    }
    return locked(m, [&] { return advance_clock(m, seconds), 0; });
}

// ---- The whole switch in a canonical form ------------------------------------
//
// Two switches print the same text exactly when they hold the same state,
// whatever the order of the requests that made it: tables are printed in
// the order of their keys, not of their positions, and a setting holds its
// value whether it was never set or set back. Left out: what differs between
// runs or says how the state came about rather than what it is - the lock,
// the request count, the clock (uptimes, learning times, the last ageing
// pass), counters (traffic, GVRP, violations, watchdog timer resets, crash
// dumps, reboots, reauthentications), positions and slot numbers in tables
// (MAC, multicast, secure address, user and binding slots; the numbers the
// switch gave access lists; a filter's copy of the word it was added with),
// and the values the switch keeps for MST instances that do not exist.
// Keys and passwords are printed as a digest, never in clear.

std::string port_text(uint32_t unit, uint32_t port) {
    return std::to_string(unit) + "/0/" + std::to_string(port);
}

std::string ports_text(const iflist &l) {
    std::string out;
    for (uint32_t u = 1; u <= kMaxUnits; ++u)
        for (uint32_t p = 1; p <= 32; ++p) {
            if (!((l.word[u - 1] >> (p - 1)) & 1u)) continue;
            uint32_t q = p;
            while (q < 32 && ((l.word[u - 1] >> q) & 1u)) ++q;
            out += (out.empty() ? "" : ",") + port_text(u, p) + (q > p ? "-" + std::to_string(q) : "");
            p = q;
        }
    return out.empty() ? "-" : out;
}

std::string vlans_text(const vlanlist &l) {
    std::string out;
    for (uint32_t v = KEL_VLAN_MIN; v <= KEL_VLAN_MAX; ++v) {
        auto bit = [&](uint32_t id) {
            return id <= KEL_VLAN_MAX && ((l.word[(id - 1) / 32] >> ((id - 1) % 32)) & 1u);
        };
        if (!bit(v)) continue;
        uint32_t w = v;
        while (bit(w + 1)) ++w;
        out += (out.empty() ? "" : ",") + std::to_string(v) + (w > v ? "-" + std::to_string(w) : "");
        v = w;
    }
    return out.empty() ? "-" : out;
}

std::string mac_text(const uint8_t m[6]) {
    char text[16];
    std::snprintf(text, sizeof text, "%02x%02x.%02x%02x.%02x%02x", m[0], m[1], m[2], m[3], m[4], m[5]);
    return text;
}

// A 64-bit FNV-1a digest of a secret, so that two switches holding the same
// one can be told apart from two that do not, without showing it.
std::string digest(const char *secret, size_t max) {
    uint64_t h = 14695981039346656037ull;
    for (size_t i = 0; i < max && secret[i]; ++i)
        h = (h ^ static_cast<unsigned char>(secret[i])) * 1099511628211ull;
    char text[24];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

std::string key_text(const Setting &s, uint32_t key) {
    switch (s.key) {
        case Key::none:
            return "-";
        case Key::port:
            return port_text(key >> 8, key & 0xFF);
        case Key::port_sel:
            return port_text(key >> 24, (key >> 16) & 0xFF) + " sel=" + std::to_string(key & 0xFFFF);
        default:
            return std::to_string(key);
    }
}

// Rows whose values are printed below as the records that read them (the
// handlers key them; an MST instance's values only while it exists, as
// nothing reads or sets them while it does not), and counters.
constexpr uint16_t kMstRows[] = {0x0F08, 0x0F09, 0x0F0A};
constexpr uint16_t kGarpRow = 0x1201, kReauthCountRow = 0x1007;

// A record as a reading command answers it, asked straight of its handler.
template <class R>
bool ask(Model &m, uint16_t code, kel_ioreq b, R *out) {
    const Command *cmd = find_command(code);
    if (!cmd || !cmd->run) return false;
    b.cmd = code;
    b.len = sizeof *out;
    auto at = reinterpret_cast<uintptr_t>(out);
    b.buf = static_cast<uint32_t>(at);
#if UINTPTR_MAX > 0xFFFFFFFFu
    b.buf_hi = static_cast<uint32_t>(at >> 32);
#endif
    Context c{m, b, *cmd};
    return cmd->run(c) == KEL_DRV_OK && !c.fault;
}

void dump_settings(const Model &m, std::string &out) {
    std::map<uint16_t, const Setting *> rows;
    for (uint32_t code = 0; code < 0x2000; ++code)
        if (const Command *c = find_command(code); c && c->setting) rows[c->setting->code] = c->setting;
    std::vector<SettingEntry> entries;
    for (const SettingEntry &e : m.settings.slot)
        if (e.code) entries.push_back(e);
    std::sort(entries.begin(), entries.end(), [](const SettingEntry &a, const SettingEntry &b) {
        return std::tie(a.code, a.key) < std::tie(b.code, b.key);
    });
    for (const SettingEntry &e : entries) {
        auto row = rows.find(e.code);
        bool by_record = e.code == kGarpRow ||
                         std::find(std::begin(kMstRows), std::end(kMstRows), e.code) != std::end(kMstRows);
        if (by_record || e.code == kReauthCountRow) continue;
        const Command *cmd = find_command(e.code);
        std::string line = "setting " + std::string(cmd ? cmd->name : "?") + " ";
        if (row == rows.end()) {  // a row the dump does not know: its raw entry
            out += line + "key=" + std::to_string(e.key) + " " + std::to_string(e.v[0]) + " " +
                   std::to_string(e.v[1]) + " " + std::to_string(e.v[2]) + "\n";
            continue;
        }
        const Setting &s = *row->second;
        bool initial = true;
        for (int i = 0; i < s.nwords; ++i) initial = initial && e.v[i] == s.initial[i];
        if (initial) continue;
        line += key_text(s, e.key);
        for (int i = 0; i < s.nwords; ++i) line += " " + std::to_string(e.v[i]);
        out += line + "\n";
    }
}

void dump_forwarding(Model &m, std::string &out) {
    for (uint32_t vid = KEL_VLAN_MIN; vid <= KEL_VLAN_MAX; ++vid) {
        const VlanEntry &v = m.vlan.vlan[vid];
        if (!v.exists) continue;
        out += "vlan " + std::to_string(vid) + " name=\"" + v.name + "\" members=" + ports_text(v.set[0]) +
               " untagged=" + ports_text(v.set[1]) + " forbidden=" + ports_text(v.set[2]) +
               " native=" + ports_text(v.set[3]) + "\n";
    }
    for (uint32_t u = 1; u <= kMaxUnits; ++u)
        for (uint32_t p = 1; p <= m.topo.nports[u - 1]; ++p) {
            const PortState &ps = m.fwd.port[u - 1][p - 1];
            kel_ioreq b{};
            b.unit = u;
            b.port = p;
            kel_drv_garp_times garp{};
            ask(m, 0x1202, b, &garp);
            out += "port " + port_text(u, p) + (ps.unplugged ? " unplugged" : " plugged") +
                   " allowed-tagged=" + vlans_text(ps.allowed[0]) +
                   " allowed-untagged=" + vlans_text(ps.allowed[1]) + " garp=" + std::to_string(garp.join) +
                   "/" + std::to_string(garp.leave) + "/" + std::to_string(garp.leave_all) +
                   (m.proto.secu[u - 1][p - 1].shut ? " secure-shut" : "") +
                   (m.proto.dot1x[u - 1][p - 1].authorized
                        ? " dot1x-authorized=" + mac_text(m.proto.dot1x[u - 1][p - 1].station)
                        : "") +
                   "\n";
        }
    std::vector<std::string> lines;
    for (const ArlSlot &a : m.fwd.arl.slot)
        if (a.kind)
            lines.push_back("arl " + std::to_string(a.vid) + " " + mac_text(a.mac) +
                            (a.kind == KEL_DRV_ARL_STATIC ? " static " : " dynamic ") +
                            port_text(a.unit, a.port));
    for (const McastGroup &g : m.fwd.mcast)
        if (g.kind)
            lines.push_back("mcast " + std::to_string(g.vid) + " " + mac_text(g.mac) +
                            (g.kind == KEL_DRV_ARL_STATIC ? " static" : " learned") +
                            " priority=" + std::to_string(g.priority) + " ports=" + ports_text(g.ports));
    std::sort(lines.begin(), lines.end());
    for (const std::string &l : lines) out += l + "\n";
    for (uint32_t t = 1; t <= KEL_DRV_TRUNKS; ++t)
        if (m.fwd.trunk[t].kind)
            out += "trunk " + std::to_string(t) + " kind=" + std::to_string(m.fwd.trunk[t].kind) +
                   " criteria=" + std::to_string(m.fwd.trunk[t].criteria) +
                   " members=" + ports_text(m.fwd.trunk[t].members) + "\n";
    for (uint32_t s = 1; s <= KEL_DRV_MIRROR_SESSIONS; ++s) {
        const MirrorSession &ms = m.fwd.mirror[s];
        out += "mirror " + std::to_string(s) + " monitor=" +
               (ms.monitor_unit ? port_text(ms.monitor_unit, ms.monitor_port) : std::string("-")) +
               " rx=" + ports_text(ms.rx) + " tx=" + ports_text(ms.tx) + "\n";
    }
    out += "cos map=";
    for (uint8_t q : m.fwd.cos_map) out += std::to_string(q);
    out += " policy=" + std::to_string(m.fwd.cos_policy) + " weights=";
    for (uint32_t w : m.fwd.cos_weight) out += std::to_string(w) + ",";
    out += "\n";
}

void dump_protocols(Model &m, std::string &out) {
    const ProtocolState &pr = m.proto;
    out += "mst name=\"" + std::string(pr.mst.name) + "\"\n";
    for (uint32_t i = 0; i < KEL_DRV_MST_INSTANCES; ++i) {
        if (!((pr.mst.active >> i) & 1u)) continue;
        vlanlist l{};
        for (uint32_t v = KEL_VLAN_MIN; v <= KEL_VLAN_MAX; ++v)
            if (pr.mst.instance_of[v] == i) l.word[(v - 1) / 32] |= 1u << ((v - 1) % 32);
        kel_ioreq ib{};
        ib.index = i;
        kel_drv_mst_instance rec{};
        ask(m, 0x0F04, ib, &rec);
        out += "mst-instance " + std::to_string(i) + " priority=" + std::to_string(rec.priority) +
               " vlans=" + vlans_text(l) + "\n";
        for (uint32_t u = 1; u <= kMaxUnits; ++u)
            for (uint32_t p = 1; p <= m.topo.nports[u - 1]; ++p) {
                kel_ioreq b{};
                b.index = i;
                b.unit = u;
                b.port = p;
                kel_drv_mst_port r{};
                ask(m, 0x0F02, b, &r);
                out += "mst-port " + std::to_string(i) + " " + port_text(u, p) +
                       " priority=" + std::to_string(r.priority) + " cost=" + std::to_string(r.path_cost) +
                       "\n";
            }
    }
    for (uint32_t i = 0; i < KEL_DRV_RADIUS_SLOTS; ++i)
        if (pr.radius[i].used) {
            char addr[16];
            const uint8_t *a = reinterpret_cast<const uint8_t *>(&pr.radius[i].addr);
            std::snprintf(addr, sizeof addr, "%u.%u.%u.%u", a[0], a[1], a[2], a[3]);
            out += "radius " + std::to_string(i + 1) + " " + addr +
                   " udp=" + std::to_string(pr.radius[i].udp_port) +
                   " key-digest=" + digest(pr.radius[i].key, sizeof pr.radius[i].key) + "\n";
        }
    for (const LocalUser &u : pr.user)  // in the order the walk gives them
        if (u.used)
            out += "user \"" + std::string(u.name) + "\" privilege=" + std::to_string(u.value) +
                   " password-digest=" + digest(u.password, sizeof u.password) + "\n";
    std::vector<std::string> lines;
    for (const AclList &l : pr.acl) {
        if (!l.used) continue;
        std::string text = "acl \"" + std::string(l.name) + "\" type=" + std::to_string(l.type) +
                           " ports=" + ports_text(l.ports) + "\n";
        for (uint32_t i = 0; i < l.nfilters && i < kAclFilters; ++i) {
            const kel_drv_acl_filter &f = l.filter[i];
            auto n = [](uint32_t v) { return std::to_string(v); };
            text += "  filter seq=" + n(f.sequence) + " action=" + n(f.action) + " kind=" + n(f.kind) +
                    " egress=" + (f.egress_unit ? port_text(f.egress_unit, f.egress_port) : "-") +
                    " src-mac=" + mac_text(f.src_mac) + "/" + mac_text(f.src_mac_mask) +
                    " dst-mac=" + mac_text(f.dst_mac) + "/" + mac_text(f.dst_mac_mask) +
                    " ethertype=" + n(f.ethertype) + " vlan=" + n(f.vid) + " protocol=" + n(f.protocol) +
                    " src-ip=" + n(f.src_ip) + "/" + n(f.src_mask) + " dst-ip=" + n(f.dst_ip) + "/" +
                    n(f.dst_mask) + " ports=" + n(f.src_port) + "/" + n(f.dst_port) +
                    " icmp=" + n(f.icmp_match) + "/" + n(f.icmp_type) + "/" + n(f.icmp_code) + "\n";
        }
        lines.push_back(text);
    }
    for (const SecureAddr &a : pr.secure)
        if (a.used)
            lines.push_back("secure " + port_text(a.unit, a.port) + " " + mac_text(a.mac) +
                            " type=" + std::to_string(a.type) + "\n");
    for (const DhcpBinding &d : pr.binding)
        if (d.used)
            lines.push_back("binding " + mac_text(d.rec.mac) + " vlan=" + std::to_string(d.rec.vid) +
                            " port=" + port_text(d.rec.unit, d.rec.port) + " ip=" + std::to_string(d.rec.ip) +
                            " lease=" + std::to_string(d.rec.lease) + "\n");
    std::sort(lines.begin(), lines.end());
    for (const std::string &l : lines) out += l;
    out +=
        "igmp vlans=" + vlans_text(pr.igmp_vlans) + " immediate-leave=" + vlans_text(pr.igmp_ileave) + "\n";
    out += "dhcp vlans=" + vlans_text(pr.dhcp_vlans) + "\n";
    out += "trace-mask=" + std::to_string(pr.trace_mask) + "\n";
}

int dump(Model &m, int argc, char **) {
    if (argc != 0) return usage("dump");
    std::string out;
    int status = locked(m, [&] {
        char layout[512];
        format_topology(m.topo, layout, sizeof layout);
        out += std::string("topology ") + layout + "\n";
        const SystemState &s = m.sys;
        out += "system mac=" + mac_text(s.mac) + " ready=" + std::to_string(s.ready) +
               " upgrading=" + std::to_string(s.upgrading) + " discovering=" + std::to_string(s.discovering) +
               " firmware-sync=" + std::to_string(s.firmware_sync) + "\n";
        dump_settings(m, out);
        dump_forwarding(m, out);
        dump_protocols(m, out);
        return 0;
    });
    if (status) return status;
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

// GVRP as the dataplane runs it: the VLANs each port registered, the
// dynamic VLANs, the PDUs refused (the statistics record counts the rest).
int show_gvrp_run(Model &m, int argc, char **) {
    if (argc != 0) return usage("gvrp");
    std::string out;
    int status = locked(m, [&] {
        const GvrpRun &run = m.proto.gvrp;
        if (!run.running) return out = "not running on the wire\n", 0;
        out = "dynamic-vlans " + vlans_text(run.created) + "\n";
        for (uint32_t u = 1; u <= kMaxUnits; ++u)
            for (uint32_t p = 1; p <= m.topo.nports[u - 1]; ++p) {
                const vlanlist &reg = run.registered[u - 1][p - 1];
                uint32_t refused = run.refused[u - 1][p - 1];
                if (vlans_text(reg) == "-" && !refused) continue;
                out += std::to_string(u) + "/0/" + std::to_string(p) + " registered " + vlans_text(reg) +
                       " refused " + std::to_string(refused) + "\n";
            }
        return 0;
    });
    if (status) return status;
    std::fputs(out.c_str(), stdout);
    return 0;
}

const ControlCommand kCommands[] = {
    {"topology", "topology", "print the layout of the switch", show_topology},
    {"requests", "requests", "print the number of requests answered so far", show_requests},
    {"traffic", "traffic PORT N [BYTES ...]",
     "N frames in one second (BYTES in all, 64 each by default), then rx|tx and unicast|multicast|broadcast",
     send_traffic},
    {"learn", "learn MAC VLAN PORT", "a station behind PORT is learned in the MAC address table",
     learn_address},
    {"join", "join GROUP-MAC VLAN PORT", "a port joins a multicast group, as snooping would", join_group},
    {"cable", "cable PORT plug|pull", "plug or pull a port's cable; its link follows", cable},
    {"stp", "stp PORT STATE", "the spanning tree puts a port into a state (blocking ... forwarding)",
     stp_state},
    {"mac", "mac MAC", "give the switch another address (switches joined by their ports need their own)",
     set_mac},
    {"spanning-tree", "spanning-tree",
     "the spanning tree on the wire: root, topology changes, BPDUs per port", show_stp_run},
    {"lacp-rate", "lacp-rate fast|slow",
     "LACP's rate: a lost partner noticed after 3 s (fast) or 90 s (slow)", lacp_rate},
    {"lacp", "lacp", "LACP on the wire: each dynamic trunk member's state, partner and LACPDUs",
     show_lacp_run},
    {"gvrp", "gvrp", "GVRP on the wire: each port's registered VLANs, the dynamic VLANs, PDUs refused",
     show_gvrp_run},
    {"dot1x", "dot1x [PORT authorize MAC|deauthorize]",
     "a station is authorized on PORT as by an 802.1X exchange (or none is); alone, the authenticators on "
     "the wire: state, station, counts per port",
     dot1x},
    {"wait", "wait SECONDS", "let time pass on the switch's clock (ageing, uptime)", pass_time},
    {"dump", "dump", "print the whole switch in a canonical form (no clocks or counters; secrets as digests)",
     dump},
    {"dataplane", "dataplane [--netns NAME] ...",
     "carry real frames: an interface per port (fa1-0-3), until Ctrl-C; --pcap DIR, --cpu N",
     dataplane_command},
    {nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

const ControlCommand *control_commands() { return kCommands; }

const ControlCommand *find_control_command(const char *name) {
    for (const ControlCommand *c = kCommands; c->name; ++c)
        if (std::strcmp(c->name, name) == 0) return c;
    return nullptr;
}

}  // namespace kelsim
