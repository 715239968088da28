// stp.cpp - kelctl's spanning tree and MST: show the bridge, its ports and
// the MST region, change their settings, and write them back.
#include <cstddef>
#include <cstring>

#include "protocol.h"

namespace kelctl {

namespace {

const std::vector<const char *> kModes = {"stp", "rstp", "mstp"};
const std::vector<const char *> kLinkTypes = {"auto", "point-to-point", "shared"};
const std::vector<const char *> kStates = {"disabled", "blocking", "listening", "learning", "forwarding"};
const std::vector<const char *> kRoles = {"disabled", "root", "designated", "alternate", "backup"};
constexpr uint32_t kBridgePrioStep = 4096, kPortPrioStep = 16;
constexpr size_t kRegionNameMax = 32;

// A switch that has just started: spanning tree on, RSTP, priorities 32768
// (bridge) and 128 (ports), times 20, 2 and 15 s, 6 BPDUs per hello time,
// automatic path costs; an MST region without a name, revision 0, 20 hops,
// only the common instance.
constexpr uint32_t kInitialPriority = 32768, kInitialPortPriority = 128, kInitialMode = 1;
constexpr uint32_t kInitialMaxAge = 20, kInitialHello = 2, kInitialDelay = 15, kInitialTxHold = 6;
constexpr uint32_t kInitialMaxHops = 20;

std::string bridge_id(uint32_t prio, const uint8_t m[6]) { return std::to_string(prio) + "/" + mac(m); }

bool parse_priority(const std::string &text, uint32_t max, uint32_t step, uint32_t *out) {
    if (!parse_number(text, 0, max, "priority", out)) return false;
    if (*out % step == 0) return true;
    return complain("priority " + text + " is not a multiple of " + std::to_string(step));
}

Value cost_of(uint32_t oper, uint32_t set) {
    Value v = Value::num(oper);
    if (!set) v.shown += " (auto)";
    return v;
}

const Column<kel_drv_stp_bridge> kBridge[] = {
    {"enabled", "State", Type::boolean,
     [](const kel_drv_stp_bridge &b) { return Value::flag(b.enabled, "enabled", "disabled"); }},
    {"mode", "Mode", Type::text,
     [](const kel_drv_stp_bridge &b) { return Value::str(name_of(kModes, b.mode)); }},
    {"priority", "Bridge", Type::number,
     [](const kel_drv_stp_bridge &b) {
         Value v = Value::num(b.priority);
         v.shown = bridge_id(b.priority, b.mac);
         return v;
     }},
    {"mac_address", "", Type::text, [](const kel_drv_stp_bridge &b) { return Value::str(mac(b.mac)); },
     false},
    {"root_port", "Root", Type::number,
     [](const kel_drv_stp_bridge &b) {
         if (!b.root_port) return Value::none(Type::number, "this bridge");
         Value v = Value::num(b.root_port);
         v.shown = bridge_id(b.root_priority, b.root_mac);
         return v;
     }},
    {"root_priority", "", Type::number,
     [](const kel_drv_stp_bridge &b) { return Value::num(b.root_priority); }, false},
    {"root_mac_address", "", Type::text,
     [](const kel_drv_stp_bridge &b) { return Value::str(mac(b.root_mac)); }, false},
    {"max_age", "Max age", Type::number,
     [](const kel_drv_stp_bridge &b) { return Value::num(b.max_age, " s"); }},
    {"hello_time", "Hello time", Type::number,
     [](const kel_drv_stp_bridge &b) { return Value::num(b.hello_time, " s"); }},
    {"forward_delay", "Forward delay", Type::number,
     [](const kel_drv_stp_bridge &b) { return Value::num(b.forward_delay, " s"); }},
    {"tx_hold_count", "Transmit hold count", Type::number,
     [](const kel_drv_stp_bridge &b) { return Value::num(b.tx_hold_count); }},
    {"uplink_fast", "Uplink fast", Type::boolean,
     [](const kel_drv_stp_bridge &b) { return Value::flag(b.uplink_fast, "enabled", "disabled"); }},
};

struct StpPort {
    ifport port;
    kel_drv_stp_port r;
};

const Column<StpPort> kStpPorts[] = {
    {"port", "Port", Type::text, [](const StpPort &p) { return port_value(p.port); }},
    {"priority", "Priority", Type::number, [](const StpPort &p) { return Value::num(p.r.priority); }},
    {"cost", "Cost", Type::number, [](const StpPort &p) { return cost_of(p.r.oper_cost, p.r.path_cost); }},
    {"auto_cost", "", Type::boolean, [](const StpPort &p) { return Value::flag(!p.r.path_cost); }, false},
    {"edge", "Edge", Type::boolean, [](const StpPort &p) { return Value::flag(p.r.edge); }},
    {"link_type", "Link type", Type::text,
     [](const StpPort &p) { return Value::str(name_of(kLinkTypes, p.r.link_type)); }},
    {"bpdu_guard", "BPDU guard", Type::boolean,
     [](const StpPort &p) { return Value::flag(p.r.bpdu_guard, "enabled", "disabled"); }},
    {"state", "State", Type::text, [](const StpPort &p) { return Value::str(name_of(kStates, p.r.state)); }},
    {"role", "Role", Type::text, [](const StpPort &p) { return Value::str(name_of(kRoles, p.r.role)); }},
};

int show_stp(const Args &args) {
    if (args.size() > 1) return usage_error("show spanning-tree takes at most one port list");
    iflist ports;
    if (!ports_argument(args, 0, &ports)) return kExitUsage;
    kel_drv_stp_bridge br;
    if (int32_t rc = kel_stp_bridge_info_get(&br)) return fail("reading the bridge", rc);
    std::vector<StpPort> rows;
    int status = kExitOk;
    for (const ifport &p : ports_in(ports)) {
        StpPort r{p, {}};
        if (int32_t rc = kel_stp_port_info_get(&p, &r.r))
            status = fail("reading port " + port_name(p), rc);
        else
            rows.push_back(r);
    }
    show({record_of(kBridge, br, "Spanning tree", "bridge"), table_of(kStpPorts, rows, "ports")});
    return status;
}

int on_off_command(const Args &args, const char *what, int32_t (*set)(uint32_t)) {
    uint32_t on;
    if (args.size() != 1) return usage_error(std::string(what) + " takes enable or disable");
    if (!parse_on_off(args[0], &on)) return kExitUsage;
    if (int32_t rc = set(on)) return fail(what, rc);
    return kExitOk;
}

int number_command(const Args &args, const char *what, uint32_t lo, uint32_t hi, int32_t (*set)(uint32_t)) {
    uint32_t v;
    if (args.size() != 1) return usage_error(std::string(what) + " takes one number");
    if (!parse_number(args[0], lo, hi, what, &v)) return kExitUsage;
    if (int32_t rc = set(v)) return fail(what, rc);
    return kExitOk;
}

int stp_on_off(const Args &args) { return on_off_command(args, "spanning-tree", kel_stp_control_set); }
int uplink_fast(const Args &args) {
    return on_off_command(args, "spanning-tree uplink-fast", kel_stp_uplink_fast_set);
}
int max_age(const Args &args) { return number_command(args, "max age", 6, 40, kel_stp_max_age_set); }
int hello_time(const Args &args) { return number_command(args, "hello time", 1, 10, kel_stp_hello_time_set); }
int forward_delay(const Args &args) {
    return number_command(args, "forward delay", 4, 30, kel_stp_forward_delay_set);
}
int tx_hold(const Args &args) {
    return number_command(args, "transmit hold count", 1, 10, kel_stp_tx_hold_count_set);
}

int mode(const Args &args) {
    uint32_t m;
    if (args.size() != 1) return usage_error("spanning-tree mode takes stp, rstp or mstp");
    if (!parse_word(args[0], kModes, "mode", &m)) return kExitUsage;
    if (int32_t rc = kel_stp_mode_set(m)) return fail("setting the mode", rc);
    return kExitOk;
}

int bridge_priority(const Args &args) {
    uint32_t prio;
    if (args.size() != 1) return usage_error("spanning-tree priority takes one number");
    if (!parse_priority(args[0], 61440, kBridgePrioStep, &prio)) return kExitUsage;
    if (int32_t rc = kel_stp_bridge_prio_set(prio)) return fail("setting the bridge priority", rc);
    return kExitOk;
}

int times(const Args &args) {
    uint32_t age, hello, delay;
    if (args.size() != 3) return usage_error("spanning-tree times takes MAX-AGE HELLO-TIME FORWARD-DELAY");
    if (!parse_number(args[0], 6, 40, "max age", &age) ||
        !parse_number(args[1], 1, 10, "hello time", &hello) ||
        !parse_number(args[2], 4, 30, "forward delay", &delay))
        return kExitUsage;
    if (int32_t rc = kel_stp_bridge_times_set(age, hello, delay))
        return fail(
            "setting the bridge times (a bridge needs 2 * (forward delay - 1) >= max age >= "
            "2 * (hello time + 1))",
            rc);
    return kExitOk;
}

const PortSettings kPortSettings = {
    "spanning-tree port",
    {
        {"priority",
         Takes::number,
         {},
         0,
         240,
         kel_stp_port_prio_set,
         offsetof(kel_drv_stp_port, priority),
         kInitialPortPriority,
         kPortPrioStep},
        {"cost",
         Takes::number,
         {},
         0,
         200000000,
         kel_stp_port_path_cost_set,
         offsetof(kel_drv_stp_port, path_cost)},
        {"edge", Takes::on_off, {}, 0, 0, kel_stp_port_edge_port_set, offsetof(kel_drv_stp_port, edge)},
        {"link-type", Takes::choice, kLinkTypes, 0, 0, kel_stp_port_link_type_set,
         offsetof(kel_drv_stp_port, link_type)},
        {"bpdu-guard",
         Takes::on_off,
         {},
         0,
         0,
         kel_stp_port_bpdu_guard_set,
         offsetof(kel_drv_stp_port, bpdu_guard)},
    },
    kel_stp_port_info_get,
    sizeof(kel_drv_stp_port),
};

int stp_port(const Args &args) { return run_port_setting(args, kPortSettings); }

// ---- MST -------------------------------------------------------------------

bool parse_instance(const std::string &text, uint32_t lo, uint32_t *out) {
    return parse_number(text, lo, 15, "instance", out);
}

const Column<kel_drv_mst_region> kRegion[] = {
    {"name", "Name", Type::text,
     [](const kel_drv_mst_region &r) { return r.name[0] ? Value::str(r.name) : Value::none(Type::text); }},
    {"revision", "Revision", Type::number,
     [](const kel_drv_mst_region &r) { return Value::num(r.revision); }},
    {"max_hops", "Max hops", Type::number,
     [](const kel_drv_mst_region &r) { return Value::num(r.max_hops); }},
    {"instances", "Instances", Type::number,
     [](const kel_drv_mst_region &r) { return Value::num(r.instances); }},
};

const Column<kel_drv_mst_instance> kInstances[] = {
    {"instance", "Instance", Type::number,
     [](const kel_drv_mst_instance &r) { return Value::num(r.instance); }},
    {"priority", "Priority", Type::number,
     [](const kel_drv_mst_instance &r) { return Value::num(r.priority); }},
    {"vlans", "VLANs", Type::numbers, [](const kel_drv_mst_instance &r) { return vlans_value(r.vlans); }},
};

// An instance's root as the bridge knows it (the spanning tree on the wire
// finds it; a bridge alone is its own).
const Column<kel_drv_mst_bridge> kMstBridge[] = {
    {"root", "Root", Type::text,
     [](const kel_drv_mst_bridge &b) { return Value::str(bridge_id(b.root_priority, b.root_mac)); }},
    {"root_cost", "Root cost", Type::number,
     [](const kel_drv_mst_bridge &b) { return Value::num(b.root_cost); }},
};

struct MstPort {
    ifport port;
    kel_drv_mst_port r;
};

const Column<MstPort> kMstPorts[] = {
    {"port", "Port", Type::text, [](const MstPort &p) { return port_value(p.port); }},
    {"priority", "Priority", Type::number, [](const MstPort &p) { return Value::num(p.r.priority); }},
    {"cost", "Cost", Type::number, [](const MstPort &p) { return cost_of(p.r.oper_cost, p.r.path_cost); }},
    {"auto_cost", "", Type::boolean, [](const MstPort &p) { return Value::flag(!p.r.path_cost); }, false},
    {"state", "State", Type::text, [](const MstPort &p) { return Value::str(name_of(kStates, p.r.state)); }},
    {"role", "Role", Type::text, [](const MstPort &p) { return Value::str(name_of(kRoles, p.r.role)); }},
};

bool read_instances(const kel_drv_mst_region &region, std::vector<kel_drv_mst_instance> *out) {
    for (uint32_t i = 0; i < KEL_DRV_MST_INSTANCES; ++i) {
        if (!((region.instance_mask >> i) & 1u)) continue;
        kel_drv_mst_instance r;
        if (int32_t rc = kel_mst_instance_get(i, &r))
            return config_failed("reading instance " + std::to_string(i), rc);
        out->push_back(r);
    }
    return true;
}

int show_mst(const Args &args) {
    if (args.size() > 1) return usage_error("show mst takes at most one instance");
    uint32_t only = 0;
    if (!args.empty() && !parse_instance(args[0], 0, &only)) return kExitUsage;
    kel_drv_mst_region region;
    if (int32_t rc = kel_mst_info_get(&region)) return fail("reading the MST region", rc);
    region.name[sizeof region.name - 1] = '\0';
    std::vector<kel_drv_mst_instance> instances;
    if (!read_instances(region, &instances)) return kExitFailed;
    if (!args.empty()) {
        if (!((region.instance_mask >> only) & 1u)) {
            say("MST instance " + std::to_string(only) + " does not exist");
            return kExitFailed;
        }
        std::vector<kel_drv_mst_instance> one;
        for (const kel_drv_mst_instance &r : instances)
            if (r.instance == only) one.push_back(r);
        instances = one;
    }
    std::vector<Section> doc{record_of(kRegion, region, "MST region", "region"),
                             table_of(kInstances, instances, "instances")};
    if (!args.empty()) {
        kel_drv_mst_bridge bridge;
        if (int32_t rc = kel_mst_bridge_info_get(only, &bridge))
            return fail("reading instance " + std::to_string(only), rc);
        doc.push_back(record_of(kMstBridge, bridge, "MST instance " + std::to_string(only), "bridge"));
        std::vector<MstPort> ports;
        for (const ifport &p : ports_in(every_port())) {
            MstPort r{p, {}};
            if (kel_mst_port_info_get(only, &p, &r.r) == 0) ports.push_back(r);
        }
        doc.push_back(table_of(kMstPorts, ports, "ports"));
    }
    show(doc);
    return kExitOk;
}

int mst_name(const Args &args) {
    if (args.size() != 1) return usage_error("mst name takes one name");
    if (!parse_name(args[0], kRegionNameMax, "MST region name")) return kExitUsage;
    if (int32_t rc = kel_mst_name_set(args[0].c_str())) return fail("naming the MST region", rc);
    return kExitOk;
}

int mst_revision(const Args &args) {
    return number_command(args, "MST revision", 0, 65535, kel_mst_revision_set);
}
int mst_max_hops(const Args &args) {
    return number_command(args, "MST max hops", 1, 40, kel_mst_max_hops_set);
}

// An instance holds exactly the VLANs given; "none" removes it.
int mst_instance(const Args &args) {
    uint32_t id;
    if (args.size() != 2)
        return usage_error("mst instance takes an instance (1 to 15) and a VLAN list or none");
    if (!parse_instance(args[0], 1, &id)) return kExitUsage;
    kel_drv_mst_instance r;
    std::memset(&r, 0, sizeof r);
    if (args[1] != "none" && !parse_vlan_list(args[1], &r.vlans)) return kExitUsage;
    if (int32_t rc = kel_mst_instance_set(id, &r)) return fail("setting MST instance " + args[0], rc);
    return kExitOk;
}

int mst_priority(const Args &args) {
    uint32_t id, prio;
    if (args.size() != 2) return usage_error("mst priority takes an instance and a priority");
    if (!parse_instance(args[0], 0, &id) || !parse_priority(args[1], 61440, kBridgePrioStep, &prio))
        return kExitUsage;
    if (int32_t rc = kel_mst_bridge_prio_set(id, prio))
        return fail("setting the priority of instance " + args[0], rc);
    return kExitOk;
}

int mst_port(const Args &args) {
    uint32_t id, value;
    if (args.size() != 4 || (args[2] != "priority" && args[2] != "cost"))
        return usage_error("mst port takes INSTANCE PORTS priority|cost VALUE");
    iflist ports;
    if (!parse_instance(args[0], 0, &id) || !parse_port_list(args[1], &ports)) return kExitUsage;
    bool prio = args[2] == "priority";
    if (prio ? !parse_priority(args[3], 240, kPortPrioStep, &value)
             : !parse_number(args[3], 0, 200000000, "cost", &value))
        return kExitUsage;
    int status = kExitOk;
    for (const ifport &p : ports_in(ports)) {
        int32_t rc = prio ? kel_mst_port_prio_set(id, &p, value) : kel_mst_port_path_cost_set(id, &p, value);
        if (rc) status = fail("setting " + args[2] + " of " + port_name(p) + " in instance " + args[0], rc);
    }
    return status;
}

// ---- show running-config ---------------------------------------------------

void write_number(Config &c, const std::string &command, uint32_t v, uint32_t initial) {
    if (c.all || v != initial) c.add(command + " " + std::to_string(v));
}

// The three bridge times in one command when they agree with each other as
// that command wants; else (each was set alone) one by one.
void write_times(Config &c, const kel_drv_stp_bridge &br) {
    bool agree = 2 * (br.forward_delay - 1) >= br.max_age && br.max_age >= 2 * (br.hello_time + 1);
    if (!c.all && br.max_age == kInitialMaxAge && br.hello_time == kInitialHello &&
        br.forward_delay == kInitialDelay)
        return;
    if (agree) {
        c.add("spanning-tree times " + std::to_string(br.max_age) + " " + std::to_string(br.hello_time) +
              " " + std::to_string(br.forward_delay));
        return;
    }
    write_number(c, "spanning-tree max-age", br.max_age, kInitialMaxAge);
    write_number(c, "spanning-tree hello-time", br.hello_time, kInitialHello);
    write_number(c, "spanning-tree forward-delay", br.forward_delay, kInitialDelay);
}

// The bridge, its ports, then the MST region, its instances with their
// VLANs and priorities, and each instance's ports.
bool write_config(Config &c) {
    kel_drv_stp_bridge br;
    kel_drv_mst_region region;
    std::vector<kel_drv_mst_instance> instances;
    if (int32_t rc = kel_stp_bridge_info_get(&br)) return config_failed("reading the bridge", rc);
    if (int32_t rc = kel_mst_info_get(&region)) return config_failed("reading the MST region", rc);
    region.name[sizeof region.name - 1] = '\0';
    if (!read_instances(region, &instances)) return false;
    if (c.whole) {
        if (c.all || !br.enabled) c.add(std::string("spanning-tree ") + (br.enabled ? "enable" : "disable"));
        if (c.all || br.mode != kInitialMode)
            c.add(std::string("spanning-tree mode ") + name_of(kModes, br.mode));
        write_number(c, "spanning-tree priority", br.priority, kInitialPriority);
        write_times(c, br);
        write_number(c, "spanning-tree tx-hold-count", br.tx_hold_count, kInitialTxHold);
        if (c.all || br.uplink_fast)
            c.add(std::string("spanning-tree uplink-fast ") + (br.uplink_fast ? "enable" : "disable"));
    }
    if (!write_port_settings(c, kPortSettings)) return false;
    if (c.whole) {
        if (region.name[0]) c.add("mst name " + quoted(region.name));
        write_number(c, "mst revision", region.revision, 0);
        write_number(c, "mst max-hops", region.max_hops, kInitialMaxHops);
        for (const kel_drv_mst_instance &r : instances)
            if (r.instance)
                c.add("mst instance " + std::to_string(r.instance) + " " + vlan_list_text(r.vlans));
        for (const kel_drv_mst_instance &r : instances)
            write_number(c, "mst priority " + std::to_string(r.instance), r.priority, kInitialPriority);
    }
    for (const kel_drv_mst_instance &r : instances) {
        PortGroups prio, cost;
        for (const ifport &p : ports_in(c.ports)) {
            kel_drv_mst_port m;
            if (int32_t rc = kel_mst_port_info_get(r.instance, &p, &m))
                return config_failed("reading " + port_name(p) + " in instance " + std::to_string(r.instance),
                                     rc);
            if (c.all || m.priority != kInitialPortPriority)
                prio.add(p, "priority " + std::to_string(m.priority));
            if (c.all || m.path_cost) cost.add(p, "cost " + std::to_string(m.path_cost));
        }
        prio.write(c, "mst port " + std::to_string(r.instance));
        cost.write(c, "mst port " + std::to_string(r.instance));
    }
    return true;
}

const Subcommand kRows[] = {
    {"show spanning-tree", "[PORTS]", "the bridge and its ports", show_stp,
     "show spanning-tree\nshow spanning-tree fa1/0/1-4"},
    {"spanning-tree", "enable|disable", "run the spanning tree or not", stp_on_off, "spanning-tree disable"},
    {"spanning-tree mode", "stp|rstp|mstp", "the protocol", mode, "spanning-tree mode mstp"},
    {"spanning-tree priority", "0-61440", "bridge priority, a multiple of 4096", bridge_priority,
     "spanning-tree priority 4096"},
    {"spanning-tree times", "MAX-AGE HELLO FORWARD-DELAY", "the three bridge times at once, in seconds",
     times, "spanning-tree times 30 4 20"},
    {"spanning-tree max-age", "6-40", "seconds", max_age, "spanning-tree max-age 24"},
    {"spanning-tree hello-time", "1-10", "seconds", hello_time, "spanning-tree hello-time 1"},
    {"spanning-tree forward-delay", "4-30", "seconds", forward_delay, "spanning-tree forward-delay 20"},
    {"spanning-tree tx-hold-count", "1-10", "BPDUs per hello time", tx_hold, "spanning-tree tx-hold-count 3"},
    {"spanning-tree uplink-fast", "enable|disable", "fast uplink changeover", uplink_fast,
     "spanning-tree uplink-fast enable"},
    {"spanning-tree port", "PORTS priority|cost|edge|link-type|bpdu-guard VALUE",
     "priority 0-240 (a multiple of 16), cost N (0: automatic), edge E, link-type "
     "auto|point-to-point|shared, "
     "bpdu-guard E (E: enable or disable)",
     stp_port, "spanning-tree port fa1/0/1-2 cost 500\nspanning-tree port fa1/0/2 edge enable"},
    {"show mst", "[INSTANCE]", "the MST region, its instances, an instance's root and ports", show_mst,
     "show mst\nshow mst 2"},
    {"mst name", "NAME", "the region name (at most 32 characters)", mst_name, "mst name campus"},
    {"mst revision", "0-65535", "the region revision", mst_revision, "mst revision 3"},
    {"mst max-hops", "1-40", "hops a BPDU may travel", mst_max_hops, "mst max-hops 30"},
    {"mst instance", "1-15 VLANS|none", "the VLANs of an instance; none removes it", mst_instance,
     "mst instance 2 10-20,30\nmst instance 2 none"},
    {"mst priority", "INSTANCE 0-61440", "bridge priority in an instance", mst_priority,
     "mst priority 2 8192"},
    {"mst port", "INSTANCE PORTS priority|cost N", "per-port settings in an instance", mst_port,
     "mst port 2 fa1/0/1 priority 64"},
};

}  // namespace

const Area kStpArea = area("spanning-tree", "the spanning tree and MST: bridge, ports, region and instances",
                           kRows, write_config);

}  // namespace kelctl
