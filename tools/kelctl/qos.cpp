// qos.cpp - kelctl's mirroring, CoS queues, rate limits and storm control:
// mirror sessions, the priority-to-queue map and the queue policy, and a
// view of every port's rates and storm limits. Per-port rates and storm
// limits are set with "interface PORTLIST rate|storm-control ...".
#include <cstring>

#include "config.h"
#include "driver.h"
#include "kelctl.h"

namespace kelctl {

namespace {

constexpr uint32_t kMaxWeight = 255;
// The queues of a switch that has just started (and after qos map reset).
constexpr uint32_t kInitialMap[KEL_DRV_COS_PRIORITIES] = {1, 0, 0, 1, 2, 2, 3, 3};
constexpr uint32_t kInitialWeights[KEL_DRV_COS_QUEUES] = {1, 2, 4, 8};

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
    for (const ifport &p : ports_in(ports))
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

const Column<kel_drv_mirror_session> kSessions[] = {
    {"session", "Session", Type::number,
     [](const kel_drv_mirror_session &d) { return Value::num(d.session); }},
    {"destination", "Destination", Type::text,
     [](const kel_drv_mirror_session &d) {
         if (!d.monitor_unit) return Value::none(Type::text);
         return port_value(
             ifport{static_cast<int32_t>(d.monitor_unit), 0, static_cast<int32_t>(d.monitor_port)});
     }},
    {"received", "Received", Type::texts, [](const kel_drv_mirror_session &d) { return ports_value(d.rx); }},
    {"sent", "Sent", Type::texts, [](const kel_drv_mirror_session &d) { return ports_value(d.tx); }},
    {"active", "Active", Type::boolean,
     [](const kel_drv_mirror_session &d) { return Value::flag(d.active); }},
};

bool read_sessions(uint32_t first, uint32_t last, std::vector<kel_drv_mirror_session> *out) {
    for (uint32_t id = first; id <= last; ++id) {
        kel_drv_mirror_session d;
        if (int32_t rc = kel_mirror_session_get(id, &d))
            return config_failed("reading session " + std::to_string(id), rc);
        out->push_back(d);
    }
    return true;
}

int show_monitor(const Args &args) {
    if (args.size() > 1) return usage_error("show monitor takes at most a session number");
    uint32_t first = 1, last = KEL_DRV_MIRROR_SESSIONS;
    if (args.size() == 1 && !session_id(args[0], &first)) return kExitUsage;
    if (args.size() == 1) last = first;
    std::vector<kel_drv_mirror_session> rows;
    if (!read_sessions(first, last, &rows)) return kExitFailed;
    show(table_of(kSessions, rows));
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

struct Queues {
    uint32_t map[KEL_DRV_COS_PRIORITIES];
    uint32_t policy;
    uint32_t weights[KEL_DRV_COS_QUEUES];
};

bool read_queues(Queues *q) {
    for (uint32_t prio = 0; prio < KEL_DRV_COS_PRIORITIES; ++prio)
        if (int32_t rc = kel_cosq_map_get(prio, &q->map[prio]))
            return config_failed("reading the queue map", rc);
    if (int32_t rc = kel_cosq_policy_get(&q->policy, q->weights, sizeof q->weights))
        return config_failed("reading the queue policy", rc);
    return true;
}

struct MapRow {
    uint32_t priority, queue;
};

const Column<MapRow> kMap[] = {
    {"priority", "Priority", Type::number, [](const MapRow &r) { return Value::num(r.priority); }},
    {"queue", "Queue", Type::number, [](const MapRow &r) { return Value::num(r.queue); }},
};

std::string weights_text(const Queues &q) {
    std::string out;
    for (uint32_t w : q.weights) out += (out.empty() ? "" : " ") + std::to_string(w);
    return out;
}

const Column<Queues> kPolicy[] = {
    {"policy", "", Type::text, [](const Queues &q) { return Value::str(word_of(kQueuePolicies, q.policy)); }},
    {"weights", "", Type::numbers,
     [](const Queues &q) {
         return Value::list(std::vector<int64_t>(q.weights, q.weights + 4), weights_text(q));
     }},
};

int show_qos(const Args &) {
    Queues q;
    if (!read_queues(&q)) return kExitFailed;
    std::vector<MapRow> map;
    for (uint32_t prio = 0; prio < KEL_DRV_COS_PRIORITIES; ++prio) map.push_back(MapRow{prio, q.map[prio]});
    Section policy = record_of(kPolicy, q, "");
    policy.sentence = [](const std::vector<Value> &row) {
        return "Queue policy " + row[0].shown + ", weights " + row[1].shown;
    };
    show({table_of(kMap, map, "map"), policy});
    return kExitOk;
}

// A rate and its burst: null when there is no limit.
template <bool Burst, int32_t (*Get)(const ifport *, uint32_t *, uint32_t *)>
Value rate_of(const ifport &p) {
    uint32_t kbps, burst;
    if (Get(&p, &kbps, &burst) != 0) return Value::none(Type::number, "?");
    if (!kbps) return Value::none(Type::number);
    Value v = Value::num(Burst ? burst : kbps);
    v.shown = std::to_string(kbps) + " kb/s, burst " + std::to_string(burst) + " KB";
    return v;
}

template <uint32_t Storm>
Value storm_of(const ifport &p) {
    uint32_t pps;
    if (kel_storm_ctrl_get(&p, Storm, &pps) != 0) return Value::none(Type::number, "?");
    return pps ? Value::num(pps, " pps") : Value::none(Type::number);
}

const Column<ifport> kLimits[] = {
    {"port", "Port", Type::text, port_value},
    {"tx_rate", "Transmit", Type::number, rate_of<false, kel_qos_tx_rate_get>},
    {"tx_burst", "", Type::number, rate_of<true, kel_qos_tx_rate_get>, false},
    {"rx_rate", "Receive", Type::number, rate_of<false, kel_qos_rx_rate_get>},
    {"rx_burst", "", Type::number, rate_of<true, kel_qos_rx_rate_get>, false},
    {"broadcast", "Broadcast", Type::number, storm_of<KEL_DRV_STORM_BROADCAST>},
    {"multicast", "Multicast", Type::number, storm_of<KEL_DRV_STORM_MULTICAST>},
    {"unknown_unicast", "Unknown unicast", Type::number, storm_of<KEL_DRV_STORM_UNKNOWN_UNICAST>},
};

int show_limits(const Args &args) {
    iflist ports;
    if (args.size() > 1) return usage_error("show rate-limit takes at most one port list");
    if (args.empty())
        ports = every_port();
    else if (!parse_port_list(args[0], &ports))
        return kExitUsage;
    show(table_of(kLimits, ports_in(ports)));
    return kExitOk;
}

// Mirror sessions (the destination, then the sources by mode), then the
// queue map and policy. The rates and storm limits of ports are port
// settings (interface).
bool write_config(Config &c) {
    std::vector<kel_drv_mirror_session> sessions;
    if (!read_sessions(1, KEL_DRV_MIRROR_SESSIONS, &sessions)) return false;
    for (const kel_drv_mirror_session &d : sessions) {
        std::string s = "monitor session " + std::to_string(d.session);
        ifport dest{static_cast<int32_t>(d.monitor_unit), 0, static_cast<int32_t>(d.monitor_port)};
        if (d.monitor_unit && c.has(dest)) c.add(s + " destination " + port_name(dest));
        PortGroups sources;
        for (const ifport &p : ports_in(c.ports)) {
            uint32_t mode = (((d.rx.word[p.unit - 1] >> (p.port - 1)) & 1u) ? KEL_DRV_MIRROR_RX : 0) |
                            (((d.tx.word[p.unit - 1] >> (p.port - 1)) & 1u) ? KEL_DRV_MIRROR_TX : 0);
            if (mode) sources.add(p, word_of(kMirrorModes, mode));
        }
        sources.write(c, s + " source");
    }
    if (!c.whole) return true;
    Queues q;
    if (!read_queues(&q)) return false;
    for (uint32_t prio = 0; prio < KEL_DRV_COS_PRIORITIES; ++prio)
        if (c.all || q.map[prio] != kInitialMap[prio])
            c.add("qos map " + std::to_string(prio) + " " + std::to_string(q.map[prio]));
    if (c.all || q.policy != KEL_DRV_COS_WRR ||
        std::memcmp(q.weights, kInitialWeights, sizeof q.weights) != 0)
        c.add("qos policy " + word_of(kQueuePolicies, q.policy) + " " + weights_text(q));
    return true;
}

const Subcommand kRows[] = {
    {"monitor session", "1-4 destination PORT|none", "the port that gets a session's copies", session,
     "monitor session 1 destination gi2/0/26\nmonitor session 1 destination none"},
    {"monitor session", "1-4 source PORTLIST rx|tx|both|none", "ports whose traffic a session copies",
     session, "monitor session 1 source fa1/0/8-9 rx"},
    {"show monitor", "[S]", "mirror sessions", show_monitor, "show monitor\nshow monitor 1"},
    {"qos map", "PRIORITY QUEUE | reset", "the queue (0-3) of a priority (0-7), or the map as it started",
     map, "qos map 5 3\nqos map reset"},
    {"qos policy", "strict|wrr [WEIGHT...]", "how queues are served, with each queue's weight (1-255)",
     policy, "qos policy wrr 5 6 4 8\nqos policy strict"},
    {"show qos", "", "the priority-to-queue map and the queue policy", show_qos, "show qos"},
    {"show rate-limit", "[PORTLIST]", "transmit and receive rates and storm limits of ports", show_limits,
     "show rate-limit fa1/0/10"},
};

}  // namespace

const Area kQosArea =
    area("qos", "mirror sessions, CoS queues, and the rate and storm limits of ports", kRows, write_config);

}  // namespace kelctl
