// snoop.cpp - kelctl's GVRP (with the GARP timers), IGMP snooping and DHCP
// snooping: show each and change its settings.
#include <cstring>

#include "protocol.h"

namespace kelctl {

namespace {

const std::vector<const char *> kGvrpModes = {"normal", "fixed", "forbidden"};

int on_off_command(const Args &args, const char *what, int32_t (*set)(uint32_t)) {
    uint32_t on;
    if (args.size() != 1) return usage_error((std::string(what) + " takes enable or disable").c_str());
    if (!parse_on_off(args[0], &on)) return kExitUsage;
    if (int32_t rc = set(on)) return fail(what, rc);
    return kExitOk;
}

// ---- GVRP ------------------------------------------------------------------

int show_gvrp(const Args &args) {
    if (args.size() > 1) return usage_error("show gvrp takes at most one port list");
    iflist ports;
    if (!ports_argument(args, 0, &ports)) return kExitUsage;
    uint32_t on = 0;
    if (int32_t rc = kel_gvrp_status_get(&on)) return fail("reading GVRP", rc);
    write_out(std::string("GVRP ") + enabled(on) + "\n\n");
    Table t({"Port", "GVRP", "Mode", "Join", "Leave", "Leave all", "Joins in", "Leaves in", "Failed"});
    int status = kExitOk;
    for (const ifport &p : ports_in(ports)) {
        uint32_t port_on = 0, mode = 0;
        kel_drv_garp_times times;
        kel_drv_gvrp_stats s;
        int32_t rc = kel_gvrp_port_get(&p, &port_on);
        if (!rc) rc = kel_gvrp_port_mode_get(&p, &mode);
        if (!rc) rc = kel_garp_port_times_get(&p, &times);
        if (!rc) rc = kel_gvrp_port_stats_get(&p, &s);
        if (rc) {
            status = fail(("reading port " + port_name(p)).c_str(), rc);
            continue;
        }
        t.add({port_name(p), enabled(port_on), name_of(kGvrpModes, mode), std::to_string(times.join) + " cs",
               std::to_string(times.leave) + " cs", std::to_string(times.leave_all) + " cs",
               std::to_string(s.rx[KEL_DRV_GVRP_JOIN_EMPTY] + s.rx[KEL_DRV_GVRP_JOIN_IN]),
               std::to_string(s.rx[KEL_DRV_GVRP_LEAVE_IN] + s.rx[KEL_DRV_GVRP_LEAVE_EMPTY] +
                              s.rx[KEL_DRV_GVRP_LEAVE_ALL]),
               std::to_string(s.failed_registrations)});
    }
    t.print();
    return status;
}

int gvrp_on_off(const Args &args) { return on_off_command(args, "gvrp", kel_gvrp_status_set); }
int32_t clear_stats(const ifport *p, uint32_t) { return kel_gvrp_port_stats_clear(p); }

const std::vector<PortSetting> kGvrpSettings = {
    {"gvrp", Value::on_off, {}, 0, 0, kel_gvrp_port_set},
    {"mode", Value::choice, kGvrpModes, 0, 0, kel_gvrp_port_mode_set},
    {"clear-statistics", Value::none, {}, 0, 0, clear_stats},
};

int gvrp_port(const Args &args) { return run_port_setting(args, kGvrpSettings, "gvrp port"); }

int garp_timers(const Args &args) {
    if (args.size() != 4) return usage_error("gvrp timers takes PORTS JOIN LEAVE LEAVE-ALL (centiseconds)");
    iflist ports;
    kel_drv_garp_times t;
    if (!parse_port_list(args[0], &ports) || !parse_number(args[1], 1, 65535, "join time", &t.join) ||
        !parse_number(args[2], 1, 65535, "leave time", &t.leave) ||
        !parse_number(args[3], 1, 655350, "leave-all time", &t.leave_all))
        return kExitUsage;
    int status = kExitOk;
    for (const ifport &p : ports_in(ports))
        if (int32_t rc = kel_garp_port_times_set(&p, &t))
            status = fail(("setting the GARP timers of " + port_name(p) +
                           " (join at least 10, leave at least 3 joins, leave-all above leave)")
                              .c_str(),
                          rc);
    return status;
}

// ---- IGMP snooping ---------------------------------------------------------

std::string vlans_or_none(const vlanlist &l) {
    std::string text = vlan_list_text(l);
    return text.empty() ? "-" : text;
}

int show_igmp(const Args &) {
    uint32_t on = 0, lmqi = 0;
    vlanlist snooping, ileave;
    int32_t rc = kel_igmpsnoop_status_get(&on);
    if (!rc) rc = kel_igmpsnoop_lmqi_get(&lmqi);
    if (!rc) rc = kel_igmpsnoop_vlan_list_get(&snooping);
    if (!rc) rc = kel_igmpsnoop_ileave_list_get(&ileave);
    if (rc) return fail("reading IGMP snooping", rc);
    Table t({"IGMP snooping", ""});
    t.add({"State", enabled(on)});
    t.add({"Last member query interval", std::to_string(lmqi / 10) + "." + std::to_string(lmqi % 10) + " s"});
    t.add({"VLANs", vlans_or_none(snooping)});
    t.add({"Immediate leave", vlans_or_none(ileave)});
    t.print();
    return kExitOk;
}

int igmp_on_off(const Args &args) { return on_off_command(args, "igmp-snooping", kel_igmpsnoop_status_set); }

int igmp_lmqi(const Args &args) {
    uint32_t v;
    if (args.size() != 1) return usage_error("igmp-snooping lmqi takes tenths of a second, 1 to 250");
    if (!parse_number(args[0], 1, 250, "interval", &v)) return kExitUsage;
    if (int32_t rc = kel_igmpsnoop_lmqi_set(v)) return fail("setting the interval", rc);
    return kExitOk;
}

int per_vlan(const Args &args, const char *what, int32_t (*set)(uint32_t, uint32_t)) {
    uint32_t on;
    vlanlist vlans;
    if (args.size() != 2) return usage_error((std::string(what) + " takes VLANS enable|disable").c_str());
    if (!parse_vlan_list(args[0], &vlans) || !parse_on_off(args[1], &on)) return kExitUsage;
    int status = kExitOk;
    for (int32_t vid : vlan_ids(vlans))
        if (int32_t rc = set(static_cast<uint32_t>(vid), on))
            status = fail((std::string(what) + " on VLAN " + std::to_string(vid)).c_str(), rc);
    return status;
}

int igmp_vlan(const Args &args) { return per_vlan(args, "igmp-snooping vlan", kel_igmpsnoop_vlan_set); }
int igmp_ileave(const Args &args) {
    return per_vlan(args, "igmp-snooping immediate-leave", kel_igmpsnoop_ileave_set);
}

// ---- DHCP snooping ---------------------------------------------------------

int show_dhcp(const Args &) {
    uint32_t on = 0;
    vlanlist vlans;
    int32_t rc = kel_dhcpsnoop_status_get(&on);
    if (!rc) rc = kel_dhcpsnoop_vlanlist_get(&vlans);
    if (rc) return fail("reading DHCP snooping", rc);
    iflist trusted;
    std::memset(&trusted, 0, sizeof trusted);
    for (const ifport &p : ports_in(every_port())) {
        uint32_t t = 0;
        if (kel_dhcpsnoop_trust_get(&p, &t) == 0 && t) trusted.word[p.unit - 1] |= 1u << (p.port - 1);
    }
    Table t({"DHCP snooping", ""});
    t.add({"State", enabled(on)});
    t.add({"VLANs", vlans_or_none(vlans)});
    t.add({"Trusted ports", port_list_text(trusted)});
    t.print();
    write_out("\n");
    Table b({"Client", "Address", "VLAN", "Port", "Lease"});
    uint32_t cursor = 0;
    kel_drv_dhcp_binding r;
    while (kel_dhcpsnoop_bind_getnext(&cursor, &r) == 0) {
        ifport p{static_cast<int32_t>(r.unit), 0, static_cast<int32_t>(r.port)};
        b.add({mac(r.mac), ipv4(r.ip), std::to_string(r.vid), port_name(p), std::to_string(r.lease) + " s"});
    }
    b.print();
    return kExitOk;
}

int dhcp_on_off(const Args &args) { return on_off_command(args, "dhcp-snooping", kel_dhcpsnoop_status_set); }

// The whole VLAN set in one request: read, change, write back.
int dhcp_vlan(const Args &args) {
    uint32_t on;
    vlanlist change, vlans;
    if (args.size() != 2) return usage_error("dhcp-snooping vlan takes VLANS enable|disable");
    if (!parse_vlan_list(args[0], &change) || !parse_on_off(args[1], &on)) return kExitUsage;
    if (int32_t rc = kel_dhcpsnoop_vlanlist_get(&vlans)) return fail("reading the DHCP snooping VLANs", rc);
    for (int w = 0; w < KEL_VLANLIST_WORDS; ++w)
        vlans.word[w] = on ? (vlans.word[w] | change.word[w]) : (vlans.word[w] & ~change.word[w]);
    if (int32_t rc = kel_dhcpsnoop_vlanlist_set(&vlans)) return fail("setting the DHCP snooping VLANs", rc);
    return kExitOk;
}

int dhcp_trust(const Args &args) {
    static const std::vector<PortSetting> table = {
        {"trust", Value::on_off, {}, 0, 0, kel_dhcpsnoop_trust_set}};
    if (args.size() != 2) return usage_error("dhcp-snooping trust takes PORTS enable|disable");
    return run_port_setting({args[0], "trust", args[1]}, table, "dhcp-snooping");
}

const Subcommand kRows[] = {
    {"show gvrp", "[PORTS]", "GVRP, and each port's mode, GARP timers and counters", show_gvrp},
    {"gvrp", "enable|disable", "run GVRP or not", gvrp_on_off},
    {"gvrp port", "PORTS SETTING [VALUE]", "gvrp E, mode normal|fixed|forbidden, clear-statistics",
     gvrp_port},
    {"gvrp timers", "PORTS JOIN LEAVE LEAVE-ALL", "GARP timers in centiseconds", garp_timers},
    {"show igmp-snooping", "", "IGMP snooping and its VLANs", show_igmp},
    {"igmp-snooping", "enable|disable", "snoop IGMP or not", igmp_on_off},
    {"igmp-snooping lmqi", "1-250", "last member query interval, tenths of a second", igmp_lmqi},
    {"igmp-snooping vlan", "VLANS enable|disable", "snooping per VLAN", igmp_vlan},
    {"igmp-snooping immediate-leave", "VLANS E", "immediate leave per VLAN", igmp_ileave},
    {"show dhcp-snooping", "", "DHCP snooping, its VLANs, trusted ports and bindings", show_dhcp},
    {"dhcp-snooping", "enable|disable", "snoop DHCP or not (off forgets the bindings)", dhcp_on_off},
    {"dhcp-snooping vlan", "VLANS enable|disable", "snooping per VLAN", dhcp_vlan},
    {"dhcp-snooping trust", "PORTS enable|disable", "ports whose DHCP servers are trusted", dhcp_trust},
};

}  // namespace

const Area kSnoopArea = area(kRows);

}  // namespace kelctl
