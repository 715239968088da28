// snoop.cpp - kelctl's GVRP (with the GARP timers), IGMP snooping and DHCP
// snooping: show each, change its settings, and write them back.
#include <cstddef>
#include <cstring>

#include "protocol.h"

namespace kelctl {

namespace {

const std::vector<const char *> kGvrpModes = {"normal", "fixed", "forbidden"};
// A switch that has just started: GVRP, IGMP and DHCP snooping off, GARP
// timers 20, 60 and 1000 cs, a last member query interval of 1 s, no VLAN
// snooped and no port trusted.
constexpr uint32_t kInitialJoin = 20, kInitialLeave = 60, kInitialLeaveAll = 1000, kInitialLmqi = 10;

int on_off_command(const Args &args, const char *what, int32_t (*set)(uint32_t)) {
    uint32_t on;
    if (args.size() != 1) return usage_error(std::string(what) + " takes enable or disable");
    if (!parse_on_off(args[0], &on)) return kExitUsage;
    if (int32_t rc = set(on)) return fail(what, rc);
    return kExitOk;
}

std::string enabled_sentence(const char *what, const std::vector<Value> &row) {
    return std::string(what) + " " + row[0].shown;
}

// ---- GVRP ------------------------------------------------------------------

// The GVRP settings of a port, read in two requests.
struct GvrpPort {
    uint32_t on, mode;
};

int32_t read_gvrp_port(const ifport *p, void *record) {
    auto *r = static_cast<GvrpPort *>(record);
    int32_t rc = kel_gvrp_port_get(p, &r->on);
    return rc ? rc : kel_gvrp_port_mode_get(p, &r->mode);
}

struct GvrpRow {
    ifport port;
    GvrpPort g;
    kel_drv_garp_times times;
    kel_drv_gvrp_stats s;
};

const Column<uint32_t> kGvrp[] = {
    {"enabled", "GVRP", Type::boolean,
     [](const uint32_t &on) { return Value::flag(on, "enabled", "disabled"); }},
};

const Column<GvrpRow> kGvrpPorts[] = {
    {"port", "Port", Type::text, [](const GvrpRow &r) { return port_value(r.port); }},
    {"gvrp", "GVRP", Type::boolean,
     [](const GvrpRow &r) { return Value::flag(r.g.on, "enabled", "disabled"); }},
    {"mode", "Mode", Type::text, [](const GvrpRow &r) { return Value::str(name_of(kGvrpModes, r.g.mode)); }},
    {"join", "Join", Type::number, [](const GvrpRow &r) { return Value::num(r.times.join, " cs"); }},
    {"leave", "Leave", Type::number, [](const GvrpRow &r) { return Value::num(r.times.leave, " cs"); }},
    {"leave_all", "Leave all", Type::number,
     [](const GvrpRow &r) { return Value::num(r.times.leave_all, " cs"); }},
    {"joins_in", "Joins in", Type::number,
     [](const GvrpRow &r) {
         return Value::num(r.s.rx[KEL_DRV_GVRP_JOIN_EMPTY] + r.s.rx[KEL_DRV_GVRP_JOIN_IN]);
     }},
    {"leaves_in", "Leaves in", Type::number,
     [](const GvrpRow &r) {
         return Value::num(r.s.rx[KEL_DRV_GVRP_LEAVE_IN] + r.s.rx[KEL_DRV_GVRP_LEAVE_EMPTY] +
                           r.s.rx[KEL_DRV_GVRP_LEAVE_ALL]);
     }},
    {"failed_registrations", "Failed", Type::number,
     [](const GvrpRow &r) { return Value::num(r.s.failed_registrations); }},
};

int show_gvrp(const Args &args) {
    if (args.size() > 1) return usage_error("show gvrp takes at most one port list");
    iflist ports;
    if (!ports_argument(args, 0, &ports)) return kExitUsage;
    uint32_t on = 0;
    if (int32_t rc = kel_gvrp_status_get(&on)) return fail("reading GVRP", rc);
    std::vector<GvrpRow> rows;
    int status = kExitOk;
    for (const ifport &p : ports_in(ports)) {
        GvrpRow r{p, {}, {}, {}};
        int32_t rc = read_gvrp_port(&p, &r.g);
        if (!rc) rc = kel_garp_port_times_get(&p, &r.times);
        if (!rc) rc = kel_gvrp_port_stats_get(&p, &r.s);
        if (rc)
            status = fail("reading port " + port_name(p), rc);
        else
            rows.push_back(r);
    }
    Section state = record_of(kGvrp, on, "");
    state.sentence = [](const std::vector<Value> &row) { return enabled_sentence("GVRP", row); };
    show({state, table_of(kGvrpPorts, rows, "ports")});
    return status;
}

int gvrp_on_off(const Args &args) { return on_off_command(args, "gvrp", kel_gvrp_status_set); }
int32_t clear_stats(const ifport *p, uint32_t) { return kel_gvrp_port_stats_clear(p); }

const PortSettings kGvrpSettings = {
    "gvrp port",
    {
        {"gvrp", Takes::on_off, {}, 0, 0, kel_gvrp_port_set, offsetof(GvrpPort, on)},
        {"mode", Takes::choice, kGvrpModes, 0, 0, kel_gvrp_port_mode_set, offsetof(GvrpPort, mode)},
        {"clear-statistics", Takes::none, {}, 0, 0, clear_stats},
    },
    read_gvrp_port,
    sizeof(GvrpPort),
};

int gvrp_port(const Args &args) { return run_port_setting(args, kGvrpSettings); }

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
            status = fail("setting the GARP timers of " + port_name(p) +
                              " (join at least 10, leave at least 3 joins, leave-all above leave)",
                          rc);
    return status;
}

// ---- IGMP snooping ---------------------------------------------------------

struct Igmp {
    uint32_t on, lmqi;
    vlanlist vlans, ileave;
};

bool read_igmp(Igmp *r) {
    int32_t rc = kel_igmpsnoop_status_get(&r->on);
    if (!rc) rc = kel_igmpsnoop_lmqi_get(&r->lmqi);
    if (!rc) rc = kel_igmpsnoop_vlan_list_get(&r->vlans);
    if (!rc) rc = kel_igmpsnoop_ileave_list_get(&r->ileave);
    return !rc || config_failed("reading IGMP snooping", rc);
}

const Column<Igmp> kIgmp[] = {
    {"enabled", "State", Type::boolean,
     [](const Igmp &r) { return Value::flag(r.on, "enabled", "disabled"); }},
    {"last_member_query_interval", "Last member query interval", Type::number,
     [](const Igmp &r) {
         Value v = Value::num(r.lmqi);
         v.shown = std::to_string(r.lmqi / 10) + "." + std::to_string(r.lmqi % 10) + " s";
         return v;
     }},
    {"vlans", "VLANs", Type::numbers, [](const Igmp &r) { return vlans_value(r.vlans); }},
    {"immediate_leave", "Immediate leave", Type::numbers,
     [](const Igmp &r) { return vlans_value(r.ileave); }},
};

int show_igmp(const Args &) {
    Igmp r;
    if (!read_igmp(&r)) return kExitFailed;
    show(record_of(kIgmp, r, "IGMP snooping"));
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
    if (args.size() != 2) return usage_error(std::string(what) + " takes VLANS enable|disable");
    if (!parse_vlan_list(args[0], &vlans) || !parse_on_off(args[1], &on)) return kExitUsage;
    int status = kExitOk;
    for (int32_t vid : vlan_ids(vlans))
        if (int32_t rc = set(static_cast<uint32_t>(vid), on))
            status = fail(std::string(what) + " on VLAN " + std::to_string(vid), rc);
    return status;
}

int igmp_vlan(const Args &args) { return per_vlan(args, "igmp-snooping vlan", kel_igmpsnoop_vlan_set); }
int igmp_ileave(const Args &args) {
    return per_vlan(args, "igmp-snooping immediate-leave", kel_igmpsnoop_ileave_set);
}

// ---- DHCP snooping ---------------------------------------------------------

struct Dhcp {
    uint32_t on;
    vlanlist vlans;
    iflist trusted;
};

bool read_dhcp(const iflist &ports, Dhcp *r) {
    int32_t rc = kel_dhcpsnoop_status_get(&r->on);
    if (!rc) rc = kel_dhcpsnoop_vlanlist_get(&r->vlans);
    if (rc) return config_failed("reading DHCP snooping", rc);
    std::memset(&r->trusted, 0, sizeof r->trusted);
    for (const ifport &p : ports_in(ports)) {
        uint32_t t = 0;
        if (int32_t prc = kel_dhcpsnoop_trust_get(&p, &t))
            return config_failed("reading the trust of " + port_name(p), prc);
        if (t) r->trusted.word[p.unit - 1] |= 1u << (p.port - 1);
    }
    return true;
}

const Column<Dhcp> kDhcp[] = {
    {"enabled", "State", Type::boolean,
     [](const Dhcp &r) { return Value::flag(r.on, "enabled", "disabled"); }},
    {"vlans", "VLANs", Type::numbers, [](const Dhcp &r) { return vlans_value(r.vlans); }},
    {"trusted_ports", "Trusted ports", Type::texts, [](const Dhcp &r) { return ports_value(r.trusted); }},
};

const Column<kel_drv_dhcp_binding> kBindings[] = {
    {"client", "Client", Type::text, [](const kel_drv_dhcp_binding &b) { return Value::str(mac(b.mac)); }},
    {"address", "Address", Type::text, [](const kel_drv_dhcp_binding &b) { return Value::str(ipv4(b.ip)); }},
    {"vlan", "VLAN", Type::number, [](const kel_drv_dhcp_binding &b) { return Value::num(b.vid); }},
    {"port", "Port", Type::text,
     [](const kel_drv_dhcp_binding &b) {
         return port_value(ifport{static_cast<int32_t>(b.unit), 0, static_cast<int32_t>(b.port)});
     }},
    {"lease", "Lease", Type::number, [](const kel_drv_dhcp_binding &b) { return Value::num(b.lease, " s"); }},
};

int show_dhcp(const Args &) {
    Dhcp r;
    if (!read_dhcp(every_port(), &r)) return kExitFailed;
    std::vector<kel_drv_dhcp_binding> bindings;
    uint32_t cursor = 0;
    kel_drv_dhcp_binding b;
    while (kel_dhcpsnoop_bind_getnext(&cursor, &b) == 0) bindings.push_back(b);
    show({record_of(kDhcp, r, "DHCP snooping"), table_of(kBindings, bindings, "bindings")});
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

const PortSettings kTrust = {
    "dhcp-snooping", {{"trust", Takes::on_off, {}, 0, 0, kel_dhcpsnoop_trust_set}}, nullptr, 0};

int dhcp_trust(const Args &args) {
    if (args.size() != 2) return usage_error("dhcp-snooping trust takes PORTS enable|disable");
    return run_port_setting({args[0], "trust", args[1]}, kTrust);
}

// ---- show running-config -----------------------------------------------------

void write_switch(Config &c, const char *what, uint32_t on) {
    if (c.all || on) c.add(std::string(what) + (on ? " enable" : " disable"));
}

void write_vlans(Config &c, const char *what, const vlanlist &l) {
    if (!kel_vlanlist_is_empty(&l)) c.add(std::string(what) + " " + vlan_list_text(l) + " enable");
}

bool write_config(Config &c) {
    uint32_t gvrp = 0;
    Igmp igmp;
    Dhcp dhcp;
    if (int32_t rc = kel_gvrp_status_get(&gvrp)) return config_failed("reading GVRP", rc);
    if (!read_igmp(&igmp) || !read_dhcp(c.ports, &dhcp)) return false;
    if (c.whole) write_switch(c, "gvrp", gvrp);
    if (!write_port_settings(c, kGvrpSettings)) return false;
    PortGroups timers, trust;
    for (const ifport &p : ports_in(c.ports)) {
        kel_drv_garp_times t;
        if (int32_t rc = kel_garp_port_times_get(&p, &t))
            return config_failed("reading the GARP timers of " + port_name(p), rc);
        if (c.all || t.join != kInitialJoin || t.leave != kInitialLeave || t.leave_all != kInitialLeaveAll)
            timers.add(p, std::to_string(t.join) + " " + std::to_string(t.leave) + " " +
                              std::to_string(t.leave_all));
        bool trusted = (dhcp.trusted.word[p.unit - 1] >> (p.port - 1)) & 1u;
        if (c.all || trusted) trust.add(p, trusted ? "enable" : "disable");
    }
    timers.write(c, "gvrp timers");
    if (c.whole) {
        write_switch(c, "igmp-snooping", igmp.on);
        if (c.all || igmp.lmqi != kInitialLmqi) c.add("igmp-snooping lmqi " + std::to_string(igmp.lmqi));
        write_vlans(c, "igmp-snooping vlan", igmp.vlans);
        write_vlans(c, "igmp-snooping immediate-leave", igmp.ileave);
        write_switch(c, "dhcp-snooping", dhcp.on);
        write_vlans(c, "dhcp-snooping vlan", dhcp.vlans);
    }
    trust.write(c, "dhcp-snooping trust");
    return true;
}

const Subcommand kRows[] = {
    {"show gvrp", "[PORTS]", "GVRP, and each port's mode, GARP timers and counters", show_gvrp,
     "show gvrp fa1/0/1-4"},
    {"gvrp", "enable|disable", "run GVRP or not", gvrp_on_off, "gvrp enable"},
    {"gvrp port", "PORTS gvrp|mode|clear-statistics [VALUE]",
     "gvrp E, mode normal|fixed|forbidden, clear-statistics", gvrp_port,
     "gvrp port fa1/0/1-2 gvrp enable\ngvrp port fa1/0/1 mode fixed"},
    {"gvrp timers", "PORTS JOIN LEAVE LEAVE-ALL", "GARP timers in centiseconds", garp_timers,
     "gvrp timers fa1/0/1 30 90 2000"},
    {"show igmp-snooping", "", "IGMP snooping and its VLANs", show_igmp, "show igmp-snooping"},
    {"igmp-snooping", "enable|disable", "snoop IGMP or not", igmp_on_off, "igmp-snooping enable"},
    {"igmp-snooping lmqi", "1-250", "last member query interval, tenths of a second", igmp_lmqi,
     "igmp-snooping lmqi 15"},
    {"igmp-snooping vlan", "VLANS enable|disable", "snooping per VLAN", igmp_vlan,
     "igmp-snooping vlan 10-12 enable"},
    {"igmp-snooping immediate-leave", "VLANS enable|disable", "immediate leave per VLAN", igmp_ileave,
     "igmp-snooping immediate-leave 11 enable"},
    {"show dhcp-snooping", "", "DHCP snooping, its VLANs, trusted ports and bindings", show_dhcp,
     "show dhcp-snooping"},
    {"dhcp-snooping", "enable|disable", "snoop DHCP or not (off forgets the bindings)", dhcp_on_off,
     "dhcp-snooping enable"},
    {"dhcp-snooping vlan", "VLANS enable|disable", "snooping per VLAN", dhcp_vlan,
     "dhcp-snooping vlan 5,7 enable"},
    {"dhcp-snooping trust", "PORTS enable|disable", "ports whose DHCP servers are trusted", dhcp_trust,
     "dhcp-snooping trust gi1/0/25-26 enable"},
};

}  // namespace

const Area kSnoopArea =
    area("snooping", "GVRP with its GARP timers, IGMP snooping and DHCP snooping", kRows, write_config);

}  // namespace kelctl
