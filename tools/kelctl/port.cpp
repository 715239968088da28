// port.cpp - kelctl's ports: change a setting of every port of a list
// ("interface fa1/0/1-4 speed 100"), show the settings and state of ports,
// and their traffic counters.
//
// Each setting is one row of kPortSettings: how its values are read from a
// command line, and how they are read back from a port as the same words,
// for show running-config. A setting cannot be added to one without the
// other.
#include <cstring>
#include <functional>

#include "config.h"
#include "driver.h"
#include "help.h"
#include "kelctl.h"

namespace kelctl {

namespace {

// What a setting does to one port, made from the words after its name.
using Apply = std::function<int32_t(const ifport *)>;

// A setting of a port as it is, as the words after the setting's name
// ("unknown-unicast on"; "" when there is nothing to write), and whether
// they are the values of a switch that has just started.
struct Reading {
    std::string values;
    bool initial;
};
using Readings = std::vector<Reading>;

struct PortSetting {
    const char *name;
    std::string usage;
    // Reads the values; false (with a message) when they are wrong.
    bool (*parse)(const Args &values, Apply *apply);
    // Reads the setting of a port: the library's status.
    int32_t (*read)(const ifport &p, Readings *out);
};

// A setting of one keyword, sent by a setter of one value and read back by
// its getter; Initial is its value on a switch that has just started.
template <const auto &Table, int32_t (*Set)(const ifport *, uint32_t)>
bool one_keyword(const Args &v, Apply *apply) {
    uint32_t code;
    if (v.size() != 1 || !code_of(Table, v[0], &code)) return false;
    *apply = [code](const ifport *p) { return Set(p, code); };
    return true;
}

template <const auto &Table, int32_t (*Get)(const ifport *, uint32_t *), uint32_t Initial>
int32_t keyword_of(const ifport &p, Readings *out) {
    uint32_t v;
    int32_t rc = Get(&p, &v);
    out->push_back({word_of(Table, v), v == Initial});
    return rc;
}

// Largest values: a rate up to the line rate of a Gigabit port, a burst, a
// storm limit up to a Gigabit port's minimum-size frames per second.
constexpr uint32_t kMaxKbps = 1000000, kMaxBurstKB = 16384, kMaxPps = 1488095;
constexpr uint32_t kInitialLacpPriority = 32768;

bool priority(const Args &v, Apply *apply) {
    uint32_t prio;
    if (v.size() != 1 || !parse_number(v[0], 0, 7, "priority", &prio)) return false;
    *apply = [prio](const ifport *p) { return kel_port_priority_set(p, prio); };
    return true;
}

template <int32_t (*Get)(const ifport *, uint32_t *), uint32_t Initial>
int32_t number_of(const ifport &p, Readings *out) {
    uint32_t v;
    int32_t rc = Get(&p, &v);
    out->push_back({std::to_string(v), v == Initial});
    return rc;
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

int32_t block_of(const ifport &p, Readings *out) {
    for (const Code &type : kBlockTypes) {
        uint32_t on;
        if (int32_t rc = kel_port_block_get(&p, type.code, &on)) return rc;
        out->push_back({std::string(type.word) + " " + word_of(kOnOff, on), on == 0});
    }
    return 0;
}

bool vlan_mode(const Args &v, Apply *apply) {
    uint32_t mode, vid;
    if (v.size() != 2 || !code_of(kVlanModes, v[0], &mode) || !parse_vlan_id(v[1], &vid)) return false;
    *apply = [mode, vid](const ifport *p) { return kel_port_vlan_mode_set(p, vid, mode); };
    return true;
}

int32_t vlan_mode_of(const ifport &p, Readings *out) {
    uint32_t vid, mode;
    int32_t rc = kel_port_vlan_mode_get(&p, &vid, &mode);
    out->push_back({word_of(kVlanModes, mode) + " " + std::to_string(vid),
                    mode == KEL_DRV_VLAN_MODE_ACCESS && vid == KEL_VLAN_MIN});
    return rc;
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

// A port starts with both lists empty; an empty list is nothing to add.
int32_t allowed_of(const ifport &p, Readings *out) {
    for (const Code &type : kAllowTypes) {
        vlanlist l;
        std::memset(&l, 0, sizeof l);
        if (int32_t rc = kel_port_allow_vlans_get(&p, &l, type.code)) return rc;
        bool empty = kel_vlanlist_is_empty(&l);
        out->push_back({empty ? "" : "add " + vlan_list_text(l) + " " + type.word, empty});
    }
    return 0;
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

int32_t rate_of(const ifport &p, Readings *out) {
    for (const char *dir : {"tx", "rx"}) {
        uint32_t kbps, burst;
        int32_t rc = (dir[0] == 't' ? kel_qos_tx_rate_get : kel_qos_rx_rate_get)(&p, &kbps, &burst);
        if (rc) return rc;
        out->push_back({std::string(dir) + " " + std::to_string(kbps) + " " + std::to_string(burst),
                        kbps == 0 && burst == 0});
    }
    return 0;
}

bool storm_control(const Args &v, Apply *apply) {
    uint32_t type, pps;
    if (v.size() != 2 || !code_of(kStormTypes, v[0], &type) || !parse_number(v[1], 0, kMaxPps, "rate", &pps))
        return false;
    *apply = [type, pps](const ifport *p) { return kel_storm_ctrl_set(p, type, pps); };
    return true;
}

int32_t storm_of(const ifport &p, Readings *out) {
    for (const Code &type : kStormTypes) {
        uint32_t pps;
        if (int32_t rc = kel_storm_ctrl_get(&p, type.code, &pps)) return rc;
        out->push_back({std::string(type.word) + " " + std::to_string(pps), pps == 0});
    }
    return 0;
}

// In the order show running-config writes them.
const PortSetting kPortSettings[] = {
    {"admin", words_of(kUpDown), one_keyword<kUpDown, kel_port_admin_set>,
     keyword_of<kUpDown, kel_port_admin_get, 1>},
    {"speed", words_of(kSpeeds), one_keyword<kSpeeds, kel_port_speed_set>,
     keyword_of<kSpeeds, kel_port_speed_get, KEL_DRV_SPEED_AUTO>},
    {"duplex", words_of(kDuplex), one_keyword<kDuplex, kel_port_duplex_set>,
     keyword_of<kDuplex, kel_port_duplex_get, KEL_DRV_DUPLEX_AUTO>},
    {"autoneg", words_of(kOnOff), one_keyword<kOnOff, kel_port_autoneg_set>,
     keyword_of<kOnOff, kel_port_autoneg_get, 1>},
    {"flowcontrol", words_of(kOnOff), one_keyword<kOnOff, kel_port_flowctrl_set>,
     keyword_of<kOnOff, kel_port_flowctrl_get, 0>},
    {"mdix", words_of(kMdix), one_keyword<kMdix, kel_port_mdix_set>,
     keyword_of<kMdix, kel_port_mdix_get, KEL_DRV_MDIX_AUTO>},
    {"ingress-filter", words_of(kOnOff), one_keyword<kOnOff, kel_port_ifilter_set>,
     keyword_of<kOnOff, kel_port_ifilter_get, 0>},
    {"discard", words_of(kDiscard), one_keyword<kDiscard, kel_port_discard_set>,
     keyword_of<kDiscard, kel_port_discard_get, KEL_DRV_DISCARD_NONE>},
    {"priority", "0-7", priority, number_of<kel_port_priority_get, 0>},
    {"block", words_of(kBlockTypes) + " on|off", block, block_of},
    {"vlan-mode", words_of(kVlanModes) + " VID", vlan_mode, vlan_mode_of},
    {"allowed-vlan", "add VLANLIST [tagged|untagged] | remove VLANLIST", allowed_vlan, allowed_of},
    {"rate", "tx|rx KBPS [BURST-KB] (0-1000000, 0-16384; 0: no limit)", rate, rate_of},
    {"storm-control", words_of(kStormTypes) + " PPS (0-1488095; 0: no limit)", storm_control, storm_of},
    {"lacp-priority", "0-65535", lacp_priority, number_of<kel_lacp_port_prio_get, kInitialLacpPriority>},
};

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
    for (const ifport &p : ports_in(ports))
        if (int32_t rc = apply(&p)) status = fail(std::string(s->name) + " of " + port_name(p), rc);
    return status;
}

// Every setting of every port, one command per setting and value with the
// ports that have it.
bool write_config(Config &c) {
    constexpr size_t kCount = sizeof kPortSettings / sizeof kPortSettings[0];
    std::vector<std::vector<PortGroups>> groups(kCount);
    for (const ifport &p : ports_in(c.ports))
        for (size_t i = 0; i < kCount; ++i) {
            Readings now;
            if (int32_t rc = kPortSettings[i].read(p, &now))
                return config_failed(
                    std::string("reading the ") + kPortSettings[i].name + " of " + port_name(p), rc);
            groups[i].resize(now.size());
            for (size_t k = 0; k < now.size(); ++k)
                if (!now[k].values.empty() && (c.all || !now[k].initial))
                    groups[i][k].add(p, std::string(kPortSettings[i].name) + " " + now[k].values);
        }
    for (const auto &setting : groups)
        for (const PortGroups &g : setting) g.write(c, "interface");
    return true;
}

// ---- show interfaces settings ----------------------------------------------------

// One word of a port, shown through a table of codes (null when it cannot be read).
template <size_t N>
Value shown(int32_t (*get)(const ifport *, uint32_t *), const ifport &p, const Code (&table)[N]) {
    uint32_t v;
    return get(&p, &v) == 0 ? Value::str(word_of(table, v)) : Value::none(Type::text, "?");
}

Value on_off(int32_t (*get)(const ifport *, uint32_t *), const ifport &p) {
    uint32_t v;
    return get(&p, &v) == 0 ? Value::flag(v, "on", "off") : Value::none(Type::boolean, "?");
}

Value uptime(const ifport &p) {
    uint32_t s;
    if (kel_port_uptime_get(&p, &s) != 0) return Value::none(Type::number, "?");
    char text[32];
    std::snprintf(text, sizeof text, "%ud%02u:%02u:%02u", s / 86400, s / 3600 % 24, s / 60 % 60, s % 60);
    Value v = Value::num(s);
    v.shown = text;
    return v;
}

// The VLAN mode and the port's own VLAN, with the one in effect when it differs.
Value vlan_setting(const ifport &p) {
    uint32_t vid, mode, oper;
    if (kel_port_vlan_mode_get(&p, &vid, &mode) != 0 || kel_port_oper_vlan_get(&p, &oper) != 0)
        return Value::none(Type::text, "?");
    Value v = Value::str(word_of(kVlanModes, mode));
    v.shown += " " + std::to_string(vid) + (oper == vid ? "" : " (in effect " + std::to_string(oper) + ")");
    return v;
}

Value own_vlan(int32_t (*get)(const ifport *, uint32_t *), const ifport &p) {
    uint32_t vid;
    return get(&p, &vid) == 0 ? Value::num(vid) : Value::none(Type::number, "?");
}

Value trunk_of(const ifport &p) {
    uint32_t id;
    if (kel_port_trunk_id_get(&p, &id) != 0) return Value::none(Type::number, "?");
    if (!id) return Value::none(Type::number);
    Value v = Value::num(id);
    if (kel_is_dynamic_trunk_port(&p)) v.shown += " lacp";
    return v;
}

Value mirror_of(const ifport &p, bool role_only) {
    uint32_t session, role;
    if (kel_port_mirror_get(&p, &session, &role) != 0) return Value::none(Type::number, "?");
    if (!session) return Value::none(role_only ? Type::text : Type::number);
    std::string r = role == KEL_DRV_MIRROR_MONITOR ? "monitor" : word_of(kMirrorModes, role);
    if (role_only) return Value::str(r);
    Value v = Value::num(session);
    v.shown += " " + r;
    return v;
}

const Column<ifport> kSettings[] = {
    {"port", "Port", Type::text, port_value},
    {"admin", "Admin", Type::text, [](const ifport &p) { return shown(kel_port_admin_get, p, kUpDown); }},
    {"link", "Link", Type::text, [](const ifport &p) { return Value::str(link_text(p)); }},
    {"uptime", "Uptime", Type::number, uptime},
    {"medium", "Medium", Type::text, [](const ifport &p) { return shown(kel_port_medium_get, p, kMedium); }},
    {"speed", "Speed", Type::text, [](const ifport &p) { return shown(kel_port_speed_get, p, kSpeeds); }},
    {"duplex", "Duplex", Type::text, [](const ifport &p) { return shown(kel_port_duplex_get, p, kDuplex); }},
    {"autoneg", "Autoneg", Type::boolean, [](const ifport &p) { return on_off(kel_port_autoneg_get, p); }},
    {"flow_control", "Flow", Type::boolean, [](const ifport &p) { return on_off(kel_port_flowctrl_get, p); }},
    {"mdix", "MDI-X", Type::text, [](const ifport &p) { return shown(kel_port_mdix_get, p, kMdix); }},
    {"priority", "Prio", Type::number,
     [](const ifport &p) {
         uint32_t v;
         return kel_port_priority_get(&p, &v) == 0 ? Value::num(v) : Value::none(Type::number, "?");
     }},
    {"vlan_mode", "VLAN", Type::text, vlan_setting},
    {"vlan", "", Type::number, [](const ifport &p) { return own_vlan(kel_port_admin_vlan_get, p); }, false},
    {"vlan_in_effect", "", Type::number, [](const ifport &p) { return own_vlan(kel_port_oper_vlan_get, p); },
     false},
    {"trunk", "Trunk", Type::number, trunk_of},
    {"lacp", "", Type::boolean, [](const ifport &p) { return Value::flag(kel_is_dynamic_trunk_port(&p)); },
     false},
    {"mirror_session", "Mirror", Type::number, [](const ifport &p) { return mirror_of(p, false); }},
    {"mirror_role", "", Type::text, [](const ifport &p) { return mirror_of(p, true); }, false},
};

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
    show(table_of(kSettings, ports_in(ports)));
    return kExitOk;
}

// ---- show statistics ---------------------------------------------------------------

// Every counter of the statistics record: its JSON key, its name in the
// detail of one port, and its heading in the table of ports ("" when only
// the detail shows it).
struct Counter {
    const char *key;
    const char *name;
    const char *heading;
    kel_drv_counter selector;
};

const Counter kCounters[] = {
    {"rx_octets", "octets received", "Rx octets", KEL_DRV_CTR_RX_OCTETS},
    {"rx_unicast", "unicast packets received", "Rx unicast", KEL_DRV_CTR_RX_UCAST},
    {"rx_non_unicast", "non-unicast packets received", "Rx non-unicast", KEL_DRV_CTR_RX_NUCAST},
    {"rx_multicast", "multicast packets received", "", KEL_DRV_CTR_RX_MCAST},
    {"rx_broadcast", "broadcast packets received", "", KEL_DRV_CTR_RX_BCAST},
    {"rx_discards", "received packets discarded", "Rx discards", KEL_DRV_CTR_RX_DISCARD},
    {"rx_errors", "received packets with errors", "Rx errors", KEL_DRV_CTR_RX_ERROR},
    {"unknown_protocol", "packets of unknown protocol", "", KEL_DRV_CTR_UNKNOWN_PROTO},
    {"tx_octets", "octets sent", "Tx octets", KEL_DRV_CTR_TX_OCTETS},
    {"tx_unicast", "unicast packets sent", "Tx unicast", KEL_DRV_CTR_TX_UCAST},
    {"tx_non_unicast", "non-unicast packets sent", "Tx non-unicast", KEL_DRV_CTR_TX_NUCAST},
    {"tx_discards", "outgoing packets discarded", "Tx discards", KEL_DRV_CTR_TX_DISCARD},
    {"tx_errors", "outgoing packets with errors", "Tx errors", KEL_DRV_CTR_TX_ERROR},
    {"tx_queue_length", "output queue length", "", KEL_DRV_CTR_TX_QLEN},
    {"delay_exceeded_discards", "discarded for transit delay", "", KEL_DRV_CTR_DELAY_EXCEED},
    {"mtu_exceeded_discards", "discarded for exceeding the MTU", "", KEL_DRV_CTR_MTU_EXCEED},
    {"bridge_in_frames", "bridge frames received", "", KEL_DRV_CTR_IN_FRAME},
    {"bridge_out_frames", "bridge frames sent", "", KEL_DRV_CTR_OUT_FRAME},
    {"bridge_in_discards", "bridge frames discarded", "", KEL_DRV_CTR_IN_DISCARD},
    {"drop_events", "drop events", "", KEL_DRV_CTR_DROP_EVENTS},
    {"undersize", "undersize packets", "", KEL_DRV_CTR_UNDERSIZE},
    {"fragments", "fragments", "", KEL_DRV_CTR_FRAGMENTS},
    {"octets_64", "packets of 64 octets", "", KEL_DRV_CTR_64_OCTETS},
    {"octets_65_127", "packets of 65-127 octets", "", KEL_DRV_CTR_65_TO_127_OCTETS},
    {"octets_128_255", "packets of 128-255 octets", "", KEL_DRV_CTR_128_TO_255_OCTETS},
    {"octets_256_511", "packets of 256-511 octets", "", KEL_DRV_CTR_256_TO_511_OCTETS},
    {"octets_512_1023", "packets of 512-1023 octets", "", KEL_DRV_CTR_512_TO_1023_OCTETS},
    {"octets_1024_1518", "packets of 1024-1518 octets", "", KEL_DRV_CTR_1024_TO_1518_OCTETS},
    {"oversize", "oversize packets", "", KEL_DRV_CTR_OVERSIZE},
    {"jabbers", "jabbers", "", KEL_DRV_CTR_JABBER},
    {"collisions", "collisions", "", KEL_DRV_CTR_COLLISIONS},
    {"crc_align_errors", "CRC and alignment errors", "", KEL_DRV_CTR_CRC_ALIGN_ERRORS},
    {"align_errors", "alignment errors", "", KEL_DRV_CTR_ALIGN_ERRORS},
    {"single_collisions", "single collisions", "", KEL_DRV_CTR_SINGLE_COLLISIONS},
    {"multiple_collisions", "multiple collisions", "", KEL_DRV_CTR_MULTI_COLLISIONS},
};

// The table of ports (the port and every counter), and for one port in text
// the detail of every counter, from one record per port.
int show_statistics(const Args &args) {
    bool ok;
    iflist ports = ports_or_all(args, &ok);
    if (!ok) return args.size() > 1 ? usage_error("show statistics takes at most one port list") : kExitUsage;
    Section table, detail;
    table.fields.push_back({"port", "Port", Type::text, true});
    detail.kind = Section::Kind::record;
    for (const Counter &c : kCounters) {
        table.fields.push_back({c.key, c.heading, Type::number, *c.heading != '\0'});
        detail.fields.push_back({c.key, c.name, Type::number, true});
    }
    int status = kExitOk;
    for (const ifport &p : ports_in(ports)) {
        kel_drv_stats s;
        if (int32_t rc = kel_stats_port_get(&p, &s)) {
            status = fail("reading the counters of " + port_name(p), rc);
            continue;
        }
        table.rows.push_back({port_value(p)});
        for (const Counter &c : kCounters) table.rows.back().push_back(Value::num(s.counter[c.selector]));
        detail.title = "Counter of " + port_name(p);
    }
    std::vector<Section> doc{table};
    if (format() == Format::text && table.rows.size() == 1 && ports_in(ports).size() == 1) {
        detail.rows.push_back(std::vector<Value>(table.rows[0].begin() + 1, table.rows[0].end()));
        doc.push_back(detail);
    }
    show(doc);
    return status;
}

const Subcommand kRows[] = {
    {"interface", "PORTLIST SETTING VALUE...",
     "change a setting of every port of a list (kelctl interface PORTLIST lists the settings)", set_ports,
     "interface fa1/0/1-4 speed 100\ninterface gi1/0/25 vlan-mode trunk 10\n"
     "interface gi1/0/25 allowed-vlan add 20-30 tagged\ninterface fa1/0/5 rate tx 2000 16\n"
     "interface fa1/0/5 storm-control broadcast 500"},
    {"show interfaces settings", "[PORTLIST]", "every setting and the state of ports", show_settings,
     "show interfaces settings fa1/0/1-8"},
    {"show statistics", "[PORTLIST]", "traffic counters of ports (all of them for a single port)",
     show_statistics, "show statistics\nshow statistics fa1/0/5\n-j show statistics fa1/0/5"},
};

}  // namespace

std::vector<std::string> interface_settings() {
    std::vector<std::string> names;
    for (const PortSetting &row : kPortSettings) names.push_back(row.name);
    return names;
}

std::string interface_setting_usage(const std::string &name) {
    for (const PortSetting &row : kPortSettings)
        if (name == row.name) return row.usage;
    return "";
}

std::string link_text(const ifport &p) {
    uint32_t admin = 1, link = 0;
    if (kel_port_admin_get(&p, &admin) != 0 || kel_port_linkstat_get(&p, &link) != 0) return "?";
    return admin ? word_of(kUpDown, link) : "disabled";
}

std::string speed_text(const ifport &p) { return shown(kel_port_speed_get, p, kSpeeds).shown; }
std::string duplex_text(const ifport &p) { return shown(kel_port_duplex_get, p, kDuplex).shown; }

iflist every_port() {
    iflist all{};
    for (uint32_t u = 1; u <= KEL_IFLIST_WORDS; ++u) {
        uint32_t n = 0;
        kel_stack_nr_ports_get(u, &n);
        all.word[u - 1] = n >= 32 ? ~0u : (1u << n) - 1u;
    }
    return all;
}

const Area kPortArea =
    area("ports", "settings of ports, their state and their traffic counters", kRows, write_config);

}  // namespace kelctl
