// port.cpp - kelctl's ports: change a setting of every port of a list
// ("interface fa1/0/1-4 speed 100"), show the settings and state of ports,
// and their traffic counters.
#include <cstring>
#include <functional>

#include "driver.h"
#include "kelctl.h"

namespace kelctl {

namespace {

// What a setting does to one port, made from the words after its name.
using Apply = std::function<int32_t(const ifport *)>;

struct PortSetting {
    const char *name;
    std::string usage;
    // Reads the values; false (with a message) when they are wrong.
    bool (*parse)(const Args &values, Apply *apply);
};

// A setting of one keyword, sent by a setter of one value.
template <const auto &Table, int32_t (*Set)(const ifport *, uint32_t)>
bool one_keyword(const Args &v, Apply *apply) {
    uint32_t code;
    if (v.size() != 1 || !code_of(Table, v[0], &code)) return false;
    *apply = [code](const ifport *p) { return Set(p, code); };
    return true;
}

// Largest values: a rate up to the line rate of a Gigabit port, a burst, a
// storm limit up to a Gigabit port's minimum-size frames per second.
constexpr uint32_t kMaxKbps = 1000000, kMaxBurstKB = 16384, kMaxPps = 1488095;

bool priority(const Args &v, Apply *apply) {
    uint32_t prio;
    if (v.size() != 1 || !parse_number(v[0], 0, 7, "priority", &prio)) return false;
    *apply = [prio](const ifport *p) { return kel_port_priority_set(p, prio); };
    return true;
}

bool lacp_priority(const Args &v, Apply *apply) {
    uint32_t prio;
    if (v.size() != 1 || !parse_number(v[0], 0, 65535, "priority", &prio)) return false;
    *apply = [prio](const ifport *p) { return kel_lacp_port_prio_set(p, prio); };
    return true;
}

bool block(const Args &v, Apply *apply) {
    uint32_t type, on;
    if (v.size() != 2 || !code_of(kBlockTypes, v[0], &type) || !code_of(kOnOff, v[1], &on)) return false;
    *apply = [type, on](const ifport *p) { return kel_port_block_set(p, type, on); };
    return true;
}

bool vlan_mode(const Args &v, Apply *apply) {
    uint32_t mode, vid;
    if (v.size() != 2 || !code_of(kVlanModes, v[0], &mode) || !parse_vlan_id(v[1], &vid)) return false;
    *apply = [mode, vid](const ifport *p) { return kel_port_vlan_mode_set(p, vid, mode); };
    return true;
}

bool allowed_vlan(const Args &v, Apply *apply) {
    uint32_t type = 1;
    vlanlist vlans;
    if (v.size() < 2 || v.size() > 3 || (v[0] != "add" && v[0] != "remove")) return false;
    if (v.size() == 3 && (v[0] != "add" || !code_of(kAllowTypes, v[2], &type))) return false;
    if (!parse_vlan_list(v[1], &vlans)) return false;
    if (v[0] == "add")
        *apply = [vlans, type](const ifport *p) { return kel_port_allow_vlans_add(p, &vlans, type); };
    else
        *apply = [vlans](const ifport *p) { return kel_port_allow_vlans_del(p, &vlans); };
    return true;
}

bool rate(const Args &v, Apply *apply) {
    uint32_t kbps, burst = 0;
    if (v.size() < 2 || v.size() > 3 || (v[0] != "tx" && v[0] != "rx") ||
        !parse_number(v[1], 0, kMaxKbps, "rate", &kbps) ||
        (v.size() == 3 && !parse_number(v[2], 0, kMaxBurstKB, "burst", &burst)))
        return false;
    auto set = v[0] == "tx" ? kel_qos_tx_rate_set : kel_qos_rx_rate_set;
    *apply = [set, kbps, burst](const ifport *p) { return set(p, kbps, burst); };
    return true;
}

bool storm_control(const Args &v, Apply *apply) {
    uint32_t type, pps;
    if (v.size() != 2 || !code_of(kStormTypes, v[0], &type) || !parse_number(v[1], 0, kMaxPps, "rate", &pps))
        return false;
    *apply = [type, pps](const ifport *p) { return kel_storm_ctrl_set(p, type, pps); };
    return true;
}

const PortSetting kPortSettings[] = {
    {"admin", words_of(kUpDown), one_keyword<kUpDown, kel_port_admin_set>},
    {"speed", words_of(kSpeeds), one_keyword<kSpeeds, kel_port_speed_set>},
    {"duplex", words_of(kDuplex), one_keyword<kDuplex, kel_port_duplex_set>},
    {"autoneg", words_of(kOnOff), one_keyword<kOnOff, kel_port_autoneg_set>},
    {"flowcontrol", words_of(kOnOff), one_keyword<kOnOff, kel_port_flowctrl_set>},
    {"mdix", words_of(kMdix), one_keyword<kMdix, kel_port_mdix_set>},
    {"ingress-filter", words_of(kOnOff), one_keyword<kOnOff, kel_port_ifilter_set>},
    {"discard", words_of(kDiscard), one_keyword<kDiscard, kel_port_discard_set>},
    {"priority", "0-7", priority},
    {"block", words_of(kBlockTypes) + " on|off", block},
    {"vlan-mode", words_of(kVlanModes) + " VID", vlan_mode},
    {"allowed-vlan", "add VLANLIST [tagged|untagged] | remove VLANLIST", allowed_vlan},
    {"rate", "tx|rx KBPS [BURST-KB] (0-1000000, 0-16384; 0: no limit)", rate},
    {"storm-control", words_of(kStormTypes) + " PPS (0-1488095; 0: no limit)", storm_control},
    {"lacp-priority", "0-65535", lacp_priority},
};

std::string port_name(const ifport &p) {
    char name[32];
    return kel_ifname_short_get(&p, name, sizeof name) == 0 ? name : ifport_text(p);
}

int list_settings(const std::string &why) {
    say(why + "; settings and their values:");
    for (const PortSetting &row : kPortSettings) {
        std::string name = row.name;
        write_err("  " + name + std::string(name.size() < 15 ? 16 - name.size() : 1, ' ') + row.usage);
    }
    return kExitUsage;
}

int set_ports(const Args &args) {
    if (args.size() < 2) return list_settings("interface takes a port list, a setting and its values");
    const PortSetting *s = nullptr;
    for (const PortSetting &row : kPortSettings)
        if (args[1] == row.name) s = &row;
    if (!s) return list_settings("unknown setting '" + args[1] + "'");
    iflist ports;
    Apply apply;
    if (!parse_port_list(args[0], &ports)) return kExitUsage;
    if (!s->parse(Args(args.begin() + 2, args.end()), &apply)) {
        write_err("usage: kelctl interface PORTLIST " + std::string(s->name) + " " + s->usage);
        return kExitUsage;
    }
    int status = kExitOk;
    ifport p{0, 0, 0};
    while (kel_iflist_port_getnext(&ports, &p) == 0)
        if (int32_t rc = apply(&p)) status = fail(std::string(s->name) + " of " + port_name(p), rc);
    return status;
}

// One word of a port, shown through a table of codes ("?" when it cannot be read).
template <size_t N>
std::string shown(int32_t (*get)(const ifport *, uint32_t *), const ifport &p, const Code (&table)[N]) {
    uint32_t v;
    return get(&p, &v) == 0 ? word_of(table, v) : "?";
}

std::string number_of(int32_t (*get)(const ifport *, uint32_t *), const ifport &p) {
    uint32_t v;
    return get(&p, &v) == 0 ? std::to_string(v) : "?";
}

std::string uptime(const ifport &p) {
    uint32_t s;
    if (kel_port_uptime_get(&p, &s) != 0) return "?";
    char text[32];
    std::snprintf(text, sizeof text, "%ud%02u:%02u:%02u", s / 86400, s / 3600 % 24, s / 60 % 60, s % 60);
    return text;
}

std::string vlan_setting(const ifport &p) {
    uint32_t vid, mode, oper;
    if (kel_port_vlan_mode_get(&p, &vid, &mode) != 0 || kel_port_oper_vlan_get(&p, &oper) != 0) return "?";
    std::string text = word_of(kVlanModes, mode) + " " + std::to_string(vid);
    return oper == vid ? text : text + " (in effect " + std::to_string(oper) + ")";
}

std::string trunk_of(const ifport &p) {
    uint32_t id;
    if (kel_port_trunk_id_get(&p, &id) != 0) return "?";
    if (!id) return "-";
    return std::to_string(id) + (kel_is_dynamic_trunk_port(&p) ? " lacp" : "");
}

std::string mirror_of(const ifport &p) {
    uint32_t session, role;
    if (kel_port_mirror_get(&p, &session, &role) != 0) return "?";
    if (!session) return "-";
    return std::to_string(session) + " " +
           (role == KEL_DRV_MIRROR_MONITOR ? "monitor" : word_of(kMirrorModes, role));
}

iflist ports_or_all(const Args &args, bool *ok) {
    iflist ports;
    *ok = true;
    if (args.empty()) return every_port();
    *ok = args.size() == 1 && parse_port_list(args[0], &ports);
    return ports;
}

int show_settings(const Args &args) {
    bool ok;
    iflist ports = ports_or_all(args, &ok);
    if (!ok)
        return args.size() > 1 ? usage_error("show interfaces settings takes at most one port list")
                               : kExitUsage;
    Table t({"Port", "Admin", "Link", "Uptime", "Medium", "Speed", "Duplex", "Autoneg", "Flow", "MDI-X",
             "Prio", "VLAN", "Trunk", "Mirror"});
    ifport p{0, 0, 0};
    while (kel_iflist_port_getnext(&ports, &p) == 0)
        t.add({port_name(p), shown(kel_port_admin_get, p, kUpDown), link_text(p), uptime(p),
               shown(kel_port_medium_get, p, kMedium), shown(kel_port_speed_get, p, kSpeeds),
               shown(kel_port_duplex_get, p, kDuplex), shown(kel_port_autoneg_get, p, kOnOff),
               shown(kel_port_flowctrl_get, p, kOnOff), shown(kel_port_mdix_get, p, kMdix),
               number_of(kel_port_priority_get, p), vlan_setting(p), trunk_of(p), mirror_of(p)});
    t.print();
    return kExitOk;
}

struct CounterRow {
    const char *name;
    int32_t (*get)(const ifport *, uint32_t *);
};

// The counters shown for every port of a list, one column each.
const CounterRow kSummary[] = {
    {"Rx octets", kel_stats_rxocts_get},
    {"Rx unicast", kel_stats_rxucast_pkts_get},
    {"Rx non-unicast", kel_stats_rxnucast_pkts_get},
    {"Rx discards", kel_stats_rxdiscard_pkts_get},
    {"Rx errors", kel_stats_rxerror_pkts_get},
    {"Tx octets", kel_stats_txocts_get},
    {"Tx unicast", kel_stats_txucast_pkts_get},
    {"Tx non-unicast", kel_stats_txnucast_pkts_get},
    {"Tx discards", kel_stats_txdiscard_pkts_get},
    {"Tx errors", kel_stats_txerror_pkts_get},
};

// Every counter, shown for a single port.
const CounterRow kDetail[] = {
    {"octets received", kel_stats_rxocts_get},
    {"unicast packets received", kel_stats_rxucast_pkts_get},
    {"non-unicast packets received", kel_stats_rxnucast_pkts_get},
    {"multicast packets received", kel_stats_rxmcast_pkts_get},
    {"broadcast packets received", kel_stats_rxbcast_pkts_get},
    {"received packets discarded", kel_stats_rxdiscard_pkts_get},
    {"received packets with errors", kel_stats_rxerror_pkts_get},
    {"packets of unknown protocol", kel_stats_unknownproto_pkts_get},
    {"octets sent", kel_stats_txocts_get},
    {"unicast packets sent", kel_stats_txucast_pkts_get},
    {"non-unicast packets sent", kel_stats_txnucast_pkts_get},
    {"outgoing packets discarded", kel_stats_txdiscard_pkts_get},
    {"outgoing packets with errors", kel_stats_txerror_pkts_get},
    {"output queue length", kel_stats_txqlen_get},
    {"discarded for transit delay", kel_stats_delay_exceed_discard_get},
    {"discarded for exceeding the MTU", kel_stats_mtu_exceed_discard_get},
    {"bridge frames received", kel_stats_in_frame_get},
    {"bridge frames sent", kel_stats_out_frame_get},
    {"bridge frames discarded", kel_stats_in_discard_get},
    {"drop events", kel_stats_dropevent_pkts_get},
    {"undersize packets", kel_stats_usize_pkts_get},
    {"fragments", kel_stats_frag_pkts_get},
    {"packets of 64 octets", kel_stats_64octs_get},
    {"packets of 65-127 octets", kel_stats_65_127octs_get},
    {"packets of 128-255 octets", kel_stats_128_255octs_get},
    {"packets of 256-511 octets", kel_stats_256_511octs_get},
    {"packets of 512-1023 octets", kel_stats_512_1023octs_get},
    {"packets of 1024-1518 octets", kel_stats_1024_1518octs_get},
    {"oversize packets", kel_stats_osize_pkts_get},
    {"jabbers", kel_stats_jabber_pkts_get},
    {"collisions", kel_stats_collision_pkts_get},
    {"CRC and alignment errors", kel_stats_crcalignerr_pkts_get},
    {"alignment errors", kel_stats_alignerror_pkts_get},
    {"single collisions", kel_stats_singlecoll_pkts_get},
    {"multiple collisions", kel_stats_multicoll_pkts_get},
};

std::string counter(const CounterRow &c, const ifport &p) {
    uint32_t v = 0;
    c.get(&p, &v);  // a counter that cannot be read shows 0, as the library answers it
    return std::to_string(v);
}

int show_statistics(const Args &args) {
    bool ok;
    iflist ports = ports_or_all(args, &ok);
    if (!ok) return args.size() > 1 ? usage_error("show statistics takes at most one port list") : kExitUsage;
    std::vector<std::string> heading{"Port"};
    for (const CounterRow &c : kSummary) heading.push_back(c.name);
    Table t(heading);
    ifport p{0, 0, 0}, only{0, 0, 0};
    while (kel_iflist_port_getnext(&ports, &p) == 0) {
        std::vector<std::string> row{port_name(p)};
        for (const CounterRow &c : kSummary) row.push_back(counter(c, p));
        t.add(row);
        only = p;
    }
    t.print();
    if (kel_iflist_port_count(&ports) != 1) return kExitOk;
    Table detail({"Counter of " + port_name(only), "Value"});
    for (const CounterRow &c : kDetail) detail.add({c.name, counter(c, only)});
    write_out("\n");
    detail.print();
    return kExitOk;
}

const Subcommand kRows[] = {
    {"interface", "PORTLIST SETTING VALUE...",
     "change a setting of every port of a list (kelctl interface PORTLIST lists the settings)", set_ports},
    {"show interfaces settings", "[PORTLIST]", "every setting and the state of ports", show_settings},
    {"show statistics", "[PORTLIST]", "traffic counters of ports (all of them for a single port)",
     show_statistics},
};

}  // namespace

std::string link_text(const ifport &p) {
    uint32_t admin = 1, link = 0;
    if (kel_port_admin_get(&p, &admin) != 0 || kel_port_linkstat_get(&p, &link) != 0) return "?";
    return admin ? word_of(kUpDown, link) : "disabled";
}

std::string speed_text(const ifport &p) { return shown(kel_port_speed_get, p, kSpeeds); }
std::string duplex_text(const ifport &p) { return shown(kel_port_duplex_get, p, kDuplex); }

iflist every_port() {
    iflist all{};
    for (uint32_t u = 1; u <= KEL_IFLIST_WORDS; ++u) {
        uint32_t n = 0;
        kel_stack_nr_ports_get(u, &n);
        all.word[u - 1] = n >= 32 ? ~0u : (1u << n) - 1u;
    }
    return all;
}

const Area kPortArea = area(kRows);

}  // namespace kelctl
