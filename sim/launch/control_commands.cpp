// control_commands.cpp - kelsim's own commands on a state file: looking at
// the switch, and moving it as the wire and the stations behind its ports
// would (cables, traffic, learned addresses, joined groups, time).
#include <errno.h>
#include <strings.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kel_driver.h"
#include "launch/launcher.h"
#include "model/state.h"

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
    return locked(m, [&] { return done("stp", set_stp_state(m, unit, port, state)); });
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
    {"wait", "wait SECONDS", "let time pass on the switch's clock (ageing, uptime)", pass_time},
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
