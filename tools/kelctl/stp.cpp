// stp.cpp - kelctl's spanning tree and MST: show the bridge, its ports and
// the MST region, and change their settings.
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

std::string bridge_id(uint32_t prio, const uint8_t m[6]) { return std::to_string(prio) + "/" + mac(m); }
std::string seconds(uint32_t s) { return std::to_string(s) + " s"; }

bool parse_priority(const std::string &text, uint32_t max, uint32_t step, uint32_t *out) {
    if (!parse_number(text, 0, max, "priority", out)) return false;
    if (*out % step == 0) return true;
    return complain("priority " + text + " is not a multiple of " + std::to_string(step));
}

int show_stp(const Args &args) {
    if (args.size() > 1) return usage_error("show spanning-tree takes at most one port list");
    iflist ports;
    if (!ports_argument(args, 0, &ports)) return kExitUsage;
    kel_drv_stp_bridge br;
    if (int32_t rc = kel_stp_bridge_info_get(&br)) return fail("reading the bridge", rc);
    Table t({"Spanning tree", ""});
    t.add({"State", enabled(br.enabled)});
    t.add({"Mode", name_of(kModes, br.mode)});
    t.add({"Bridge", bridge_id(br.priority, br.mac)});
    t.add({"Root", br.root_port ? bridge_id(br.root_priority, br.root_mac) : "this bridge"});
    t.add({"Max age", seconds(br.max_age)});
    t.add({"Hello time", seconds(br.hello_time)});
    t.add({"Forward delay", seconds(br.forward_delay)});
    t.add({"Transmit hold count", std::to_string(br.tx_hold_count)});
    t.add({"Uplink fast", enabled(br.uplink_fast)});
    t.print();
    write_out("\n");
    Table pt({"Port", "Priority", "Cost", "Edge", "Link type", "BPDU guard", "State", "Role"});
    int status = kExitOk;
    for (const ifport &p : ports_in(ports)) {
        kel_drv_stp_port r;
        if (int32_t rc = kel_stp_port_info_get(&p, &r)) {
            status = fail(("reading port " + port_name(p)).c_str(), rc);
            continue;
        }
        std::string cost = std::to_string(r.oper_cost) + (r.path_cost ? "" : " (auto)");
        pt.add({port_name(p), std::to_string(r.priority), cost, yes_no(r.edge),
                name_of(kLinkTypes, r.link_type), enabled(r.bpdu_guard), name_of(kStates, r.state),
                name_of(kRoles, r.role)});
    }
    pt.print();
    return status;
}

int on_off_command(const Args &args, const char *what, int32_t (*set)(uint32_t)) {
    uint32_t on;
    if (args.size() != 1) return usage_error((std::string(what) + " takes enable or disable").c_str());
    if (!parse_on_off(args[0], &on)) return kExitUsage;
    if (int32_t rc = set(on)) return fail(what, rc);
    return kExitOk;
}

int number_command(const Args &args, const char *what, uint32_t lo, uint32_t hi, int32_t (*set)(uint32_t)) {
    uint32_t v;
    if (args.size() != 1) return usage_error((std::string(what) + " takes one number").c_str());
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

const std::vector<PortSetting> kPortSettings = {
    {"priority", Value::number, {}, 0, 240, kel_stp_port_prio_set, kPortPrioStep},
    {"cost", Value::number, {}, 0, 200000000, kel_stp_port_path_cost_set},
    {"edge", Value::on_off, {}, 0, 0, kel_stp_port_edge_port_set},
    {"link-type", Value::choice, kLinkTypes, 0, 0, kel_stp_port_link_type_set},
    {"bpdu-guard", Value::on_off, {}, 0, 0, kel_stp_port_bpdu_guard_set},
};

int stp_port(const Args &args) { return run_port_setting(args, kPortSettings, "spanning-tree port"); }

// ---- MST -------------------------------------------------------------------

bool parse_instance(const std::string &text, uint32_t lo, uint32_t *out) {
    return parse_number(text, lo, 15, "instance", out);
}

int show_mst(const Args &args) {
    if (args.size() > 1) return usage_error("show mst takes at most one instance");
    uint32_t only = 0;
    if (!args.empty() && !parse_instance(args[0], 0, &only)) return kExitUsage;
    kel_drv_mst_region region;
    if (int32_t rc = kel_mst_info_get(&region)) return fail("reading the MST region", rc);
    region.name[sizeof region.name - 1] = '\0';
    Table t({"MST region", ""});
    t.add({"Name", region.name[0] ? region.name : "-"});
    t.add({"Revision", std::to_string(region.revision)});
    t.add({"Max hops", std::to_string(region.max_hops)});
    t.add({"Instances", std::to_string(region.instances)});
    t.print();
    write_out("\n");
    Table it({"Instance", "Priority", "VLANs"});
    for (uint32_t i = 0; i < 16; ++i) {
        if (!((region.instance_mask >> i) & 1u) || (!args.empty() && i != only)) continue;
        kel_drv_mst_instance r;
        if (int32_t rc = kel_mst_instance_get(i, &r))
            return fail(("reading instance " + std::to_string(i)).c_str(), rc);
        it.add({std::to_string(i), std::to_string(r.priority), r.vlan_count ? vlan_list_text(r.vlans) : "-"});
    }
    it.print();
    if (args.empty()) return kExitOk;
    if (!((region.instance_mask >> only) & 1u)) {
        say("MST instance " + std::to_string(only) + " does not exist");
        return kExitFailed;
    }
    write_out("\n");
    Table pt({"Port", "Priority", "Cost", "State", "Role"});
    for (const ifport &p : ports_in(every_port())) {
        kel_drv_mst_port r;
        if (kel_mst_port_info_get(only, &p, &r) != 0) continue;
        pt.add({port_name(p), std::to_string(r.priority),
                std::to_string(r.oper_cost) + (r.path_cost ? "" : " (auto)"), name_of(kStates, r.state),
                name_of(kRoles, r.role)});
    }
    pt.print();
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
    if (int32_t rc = kel_mst_instance_set(id, &r))
        return fail(("setting MST instance " + args[0]).c_str(), rc);
    return kExitOk;
}

int mst_priority(const Args &args) {
    uint32_t id, prio;
    if (args.size() != 2) return usage_error("mst priority takes an instance and a priority");
    if (!parse_instance(args[0], 0, &id) || !parse_priority(args[1], 61440, kBridgePrioStep, &prio))
        return kExitUsage;
    if (int32_t rc = kel_mst_bridge_prio_set(id, prio))
        return fail(("setting the priority of instance " + args[0]).c_str(), rc);
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
        if (rc)
            status =
                fail(("setting " + args[2] + " of " + port_name(p) + " in instance " + args[0]).c_str(), rc);
    }
    return status;
}

const Subcommand kRows[] = {
    {"show spanning-tree", "[PORTS]", "the bridge and its ports", show_stp},
    {"spanning-tree", "enable|disable", "run the spanning tree or not", stp_on_off},
    {"spanning-tree mode", "stp|rstp|mstp", "the protocol", mode},
    {"spanning-tree priority", "0-61440", "bridge priority, a multiple of 4096", bridge_priority},
    {"spanning-tree times", "MAX-AGE HELLO FORWARD-DELAY", "the three bridge times at once, in seconds",
     times},
    {"spanning-tree max-age", "6-40", "seconds", max_age},
    {"spanning-tree hello-time", "1-10", "seconds", hello_time},
    {"spanning-tree forward-delay", "4-30", "seconds", forward_delay},
    {"spanning-tree tx-hold-count", "1-10", "BPDUs per hello time", tx_hold},
    {"spanning-tree uplink-fast", "enable|disable", "fast uplink changeover", uplink_fast},
    {"spanning-tree port", "PORTS SETTING VALUE",
     "priority 0-240, cost N, edge E, link-type auto|point-to-point|shared, bpdu-guard E", stp_port},
    {"show mst", "[INSTANCE]", "the MST region, its instances, an instance's ports", show_mst},
    {"mst name", "NAME", "the region name (at most 32 characters)", mst_name},
    {"mst revision", "0-65535", "the region revision", mst_revision},
    {"mst max-hops", "1-40", "hops a BPDU may travel", mst_max_hops},
    {"mst instance", "1-15 VLANS|none", "the VLANs of an instance; none removes it", mst_instance},
    {"mst priority", "INSTANCE 0-61440", "bridge priority in an instance", mst_priority},
    {"mst port", "INSTANCE PORTS priority|cost N", "per-port settings in an instance", mst_port},
};

}  // namespace

const Area kStpArea = area(kRows);

}  // namespace kelctl
