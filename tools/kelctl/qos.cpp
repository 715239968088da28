// qos.cpp - kelctl's mirroring, CoS queues, rate limits and storm control:
// mirror sessions, the priority-to-queue map and the queue policy, and a
// view of every port's rates and storm limits. Per-port rates and storm
// limits are set with "interface PORTLIST rate|storm-control ...".
#include <cstring>

#include "driver.h"
#include "kelctl.h"

namespace kelctl {

namespace {

constexpr uint32_t kMaxWeight = 255;

bool session_id(const std::string &text, uint32_t *id) {
    return parse_number(text, 1, KEL_DRV_MIRROR_SESSIONS, "session", id);
}

// S destination PORT|none
int destination(uint32_t id, const Args &args) {
    if (args.size() != 1) return usage_error("give one destination port (or none)");
    ifport port{0, 0, 0};
    const ifport *p = nullptr;
    if (args[0] != "none") {
        iflist l;
        if (!parse_port_list(args[0], &l)) return kExitUsage;
        if (kel_iflist_port_count(&l) != 1) return usage_error("a session has one destination port");
        kel_iflist_port_get1st(&l, &port);
        p = &port;
    }
    if (int32_t rc = kel_mirror_monitor_set(id, p)) return fail("setting the destination port", rc);
    return kExitOk;
}

// S source PORTLIST rx|tx|both|none
int source(uint32_t id, const Args &args) {
    uint32_t mode;
    iflist ports;
    if (args.size() != 2 || !code_of(kMirrorModes, args[1], &mode))
        return usage_error(("give a port list and " + words_of(kMirrorModes)).c_str());
    if (!parse_port_list(args[0], &ports)) return kExitUsage;
    int status = kExitOk;
    ifport p{0, 0, 0};
    while (kel_iflist_port_getnext(&ports, &p) == 0)
        if (int32_t rc = kel_mirror_mirrored_set(id, &p, mode))
            status = fail("mirroring " + ifport_text(p), rc);
    return status;
}

int session(const Args &args) {
    uint32_t id;
    if (args.size() < 2 || (args[1] != "destination" && args[1] != "source"))
        return usage_error("monitor session takes a session number, then destination or source");
    if (!session_id(args[0], &id)) return kExitUsage;
    Args rest(args.begin() + 2, args.end());
    return args[1] == "destination" ? destination(id, rest) : source(id, rest);
}

int show_monitor(const Args &args) {
    if (args.size() > 1) return usage_error("show monitor takes at most a session number");
    uint32_t first = 1, last = KEL_DRV_MIRROR_SESSIONS;
    if (args.size() == 1 && !session_id(args[0], &first)) return kExitUsage;
    if (args.size() == 1) last = first;
    Table t({"Session", "Destination", "Received", "Sent", "Active"});
    for (uint32_t id = first; id <= last; ++id) {
        kel_drv_mirror_session d;
        if (int32_t rc = kel_mirror_session_get(id, &d))
            return fail(("reading session " + std::to_string(id)).c_str(), rc);
        ifport dest{static_cast<int32_t>(d.monitor_unit), 0, static_cast<int32_t>(d.monitor_port)};
        char name[32] = "-";
        if (d.monitor_unit) kel_ifname_short_get(&dest, name, sizeof name);
        t.add({std::to_string(id), name, port_list_text(d.rx), port_list_text(d.tx), yes_no(d.active)});
    }
    t.print();
    return kExitOk;
}

// qos map PRIORITY QUEUE | qos map reset
int map(const Args &args) {
    if (args.size() == 1 && args[0] == "reset") {
        if (int32_t rc = kel_cosq_map_reset()) return fail("resetting the queue map", rc);
        return kExitOk;
    }
    uint32_t prio, queue;
    if (args.size() != 2) return usage_error("qos map takes a priority 0-7 and a queue 0-3, or reset");
    if (!parse_number(args[0], 0, 7, "priority", &prio) ||
        !parse_number(args[1], 0, KEL_DRV_COS_QUEUES - 1, "queue", &queue))
        return kExitUsage;
    if (int32_t rc = kel_cosq_map_set(prio, queue)) return fail("mapping the priority", rc);
    return kExitOk;
}

// qos policy strict|wrr [WEIGHT...]
int policy(const Args &args) {
    uint32_t code, weights[KEL_DRV_COS_QUEUES];
    if (args.empty() || args.size() > 1 + KEL_DRV_COS_QUEUES || !code_of(kQueuePolicies, args[0], &code))
        return usage_error("qos policy takes strict or wrr and up to 4 queue weights");
    for (size_t i = 1; i < args.size(); ++i)
        if (!parse_number(args[i], 1, kMaxWeight, "weight", &weights[i - 1])) return kExitUsage;
    auto len = static_cast<uint32_t>((args.size() - 1) * sizeof weights[0]);
    if (int32_t rc = kel_cosq_policy_set(code, weights, len)) return fail("setting the queue policy", rc);
    return kExitOk;
}

int show_qos(const Args &) {
    Table map({"Priority", "Queue"});
    for (uint32_t prio = 0; prio < 8; ++prio) {
        uint32_t q = 0;
        if (int32_t rc = kel_cosq_map_get(prio, &q)) return fail("reading the queue map", rc);
        map.add({std::to_string(prio), std::to_string(q)});
    }
    uint32_t code = 0, weights[KEL_DRV_COS_QUEUES] = {};
    if (int32_t rc = kel_cosq_policy_get(&code, weights, sizeof weights))
        return fail("reading the queue policy", rc);
    map.print();
    std::string line = "\nQueue policy " + word_of(kQueuePolicies, code) + ", weights";
    for (uint32_t w : weights) line += " " + std::to_string(w);
    write_out(line + "\n");
    return kExitOk;
}

std::string rate_text(int32_t (*get)(const ifport *, uint32_t *, uint32_t *), const ifport &p) {
    uint32_t kbps, burst;
    if (get(&p, &kbps, &burst) != 0) return "?";
    return kbps ? std::to_string(kbps) + " kb/s, burst " + std::to_string(burst) + " KB" : "-";
}

std::string storm_text(const ifport &p, uint32_t type) {
    uint32_t pps;
    if (kel_storm_ctrl_get(&p, type, &pps) != 0) return "?";
    return pps ? std::to_string(pps) + " pps" : "-";
}

int show_limits(const Args &args) {
    iflist ports;
    if (args.size() > 1) return usage_error("show rate-limit takes at most one port list");
    if (args.empty())
        ports = every_port();
    else if (!parse_port_list(args[0], &ports))
        return kExitUsage;
    Table t({"Port", "Transmit", "Receive", "Broadcast", "Multicast", "Unknown unicast"});
    ifport p{0, 0, 0};
    while (kel_iflist_port_getnext(&ports, &p) == 0) {
        char name[32];
        if (kel_ifname_short_get(&p, name, sizeof name) != 0)
            std::snprintf(name, sizeof name, "%s", ifport_text(p).c_str());
        t.add({name, rate_text(kel_qos_tx_rate_get, p), rate_text(kel_qos_rx_rate_get, p), storm_text(p, 0),
               storm_text(p, 1), storm_text(p, 2)});
    }
    t.print();
    return kExitOk;
}

const Subcommand kRows[] = {
    {"monitor session", "S destination PORT|none", "the port that gets a session's copies (S 1-4)", session},
    {"monitor session", "S source PORTLIST MODE",
     "ports whose traffic a session copies: rx, tx, both or none", session},
    {"show monitor", "[S]", "mirror sessions", show_monitor},
    {"qos map", "PRIORITY QUEUE | reset", "the queue (0-3) of a priority (0-7), or the map as it started",
     map},
    {"qos policy", "strict|wrr [WEIGHT...]", "how queues are served, with each queue's weight (1-255)",
     policy},
    {"show qos", "", "the priority-to-queue map and the queue policy", show_qos},
    {"show rate-limit", "[PORTLIST]", "transmit and receive rates and storm limits of ports", show_limits},
};

}  // namespace

const Area kQosArea = area(kRows);

}  // namespace kelctl
