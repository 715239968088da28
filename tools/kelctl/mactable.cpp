// mactable.cpp - kelctl's MAC address table and multicast table: show them
// (filtered by VLAN, port or kind), add and remove static entries, clear
// dynamic entries, set the ageing time.
#include <algorithm>
#include <cstring>
#include <tuple>

#include "config.h"
#include "driver.h"
#include "kelctl.h"

namespace kelctl {

namespace {

constexpr uint32_t kInitialAgeing = 300;  // seconds, on a switch that has just started

// Options given as "keyword value" pairs after a subcommand, in any order.
struct Options {
    bool has_vlan = false, has_port = false, has_mac = false, has_kind = false;
    uint32_t vid = 0, kind = 0;
    ifport port{0, 0, 0};
    uint8_t mac[6] = {};
};

bool one_port(const std::string &text, ifport *out) {
    iflist l;
    if (!parse_port_list(text, &l)) return false;
    if (kel_iflist_port_count(&l) == 1 && kel_iflist_port_get1st(&l, out) == 0) return true;
    return complain("'" + text + "' must name one port");
}

bool mac_address(const std::string &text, uint8_t mac[6]) {
    if (kel_mac_addr_get(text.c_str(), mac) == 0) return true;
    return complain("bad MAC address '" + text + "': write it as 0012.3456.789a");
}

// Refuses the command line (with the command's usage); false.
bool misused(const std::string &message) {
    usage_error(message);
    return false;
}

// Reads the options that `allowed` lists ("vlan interface address static
// dynamic"), each at most once.
bool read_options(const Args &args, const std::string &allowed, Options *o) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &k = args[i];
        bool kind = k == "static" || k == "dynamic";
        if ((" " + allowed + " ").find(" " + k + " ") == std::string::npos)
            return misused("'" + k + "' is not one of: " + allowed);
        bool seen = kind               ? o->has_kind
                    : k == "vlan"      ? o->has_vlan
                    : k == "interface" ? o->has_port
                                       : o->has_mac;
        if (seen) return misused((kind ? std::string("static or dynamic") : k) + " given twice");
        if (kind) {
            o->has_kind = code_of(kEntryKinds, k, &o->kind);
            continue;
        }
        if (i + 1 >= args.size()) return misused(k + " needs a value");
        const std::string &v = args[++i];
        if (k == "vlan" && !(o->has_vlan = parse_vlan_id(v, &o->vid))) return false;
        if (k == "interface" && !(o->has_port = one_port(v, &o->port))) return false;
        if (k == "address" && !(o->has_mac = mac_address(v, o->mac))) return false;
    }
    return true;
}

const Column<kel_drv_arl_entry> kEntries[] = {
    {"vlan", "VLAN", Type::number, [](const kel_drv_arl_entry &e) { return Value::num(e.vid); }},
    {"mac_address", "MAC address", Type::text,
     [](const kel_drv_arl_entry &e) { return Value::str(mac(e.mac)); }},
    {"type", "Type", Type::text,
     [](const kel_drv_arl_entry &e) { return Value::str(word_of(kEntryKinds, e.kind)); }},
    {"port", "Port", Type::text,
     [](const kel_drv_arl_entry &e) {
         return port_value(ifport{static_cast<int32_t>(e.unit), 0, static_cast<int32_t>(e.port)});
     }},
    {"age", "Age", Type::number,
     [](const kel_drv_arl_entry &e) {
         return e.kind == KEL_DRV_ARL_DYNAMIC ? Value::num(e.age) : Value::none(Type::number);
     }},
};

struct Summary {
    size_t count;
    uint32_t ageing;
};

const Column<Summary> kSummary[] = {
    {"count", "", Type::number, [](const Summary &s) { return Value::num(static_cast<int64_t>(s.count)); }},
    {"ageing_time", "", Type::number, [](const Summary &s) { return Value::num(s.ageing); }},
};

// The entries of a walk of one kind (KEL_ARL_WALK_4: every entry).
int32_t read_entries(int32_t kind, std::vector<kel_drv_arl_entry> *out) {
    uint32_t index = 0;
    kel_drv_arl_entry e;
    int32_t rc;
    while ((rc = kel_arl_getnext(&index, kind, &e)) == 0) out->push_back(e);
    return rc == KEL_ERR_NOT_FOUND ? 0 : rc;
}

void sort_entries(std::vector<kel_drv_arl_entry> *entries) {
    std::sort(entries->begin(), entries->end(), [](const kel_drv_arl_entry &a, const kel_drv_arl_entry &b) {
        return std::tie(a.vid, a.mac[0], a.mac[1], a.mac[2], a.mac[3], a.mac[4], a.mac[5]) <
               std::tie(b.vid, b.mac[0], b.mac[1], b.mac[2], b.mac[3], b.mac[4], b.mac[5]);
    });
}

int show_table(const Args &args) {
    Options o;
    if (!read_options(args, "vlan interface address static dynamic", &o)) return kExitUsage;
    std::vector<kel_drv_arl_entry> all, entries;
    if (int32_t rc = read_entries(o.has_kind ? static_cast<int32_t>(o.kind) : KEL_ARL_WALK_4, &all))
        return fail("reading the MAC address table", rc);
    for (const kel_drv_arl_entry &e : all)
        if (!(o.has_vlan && e.vid != o.vid) && !(o.has_mac && std::memcmp(e.mac, o.mac, 6) != 0) &&
            !(o.has_port &&
              (e.unit != static_cast<uint32_t>(o.port.unit) || e.port != static_cast<uint32_t>(o.port.port))))
            entries.push_back(e);
    sort_entries(&entries);
    Summary s{entries.size(), 0};
    if (int32_t arc = kel_arl_age_time_get(&s.ageing)) return fail("reading the ageing time", arc);
    Section summary = record_of(kSummary, s, "");
    summary.sentence = [](const std::vector<Value> &row) {
        return row[0].shown + (row[0].number == 1 ? " entry" : " entries") + "; ageing time " + row[1].shown +
               " seconds";
    };
    show({table_of(kEntries, entries, "entries"), summary});
    return kExitOk;
}

// "MAC vlan V interface P", as the static entry commands take it.
bool static_key(const Args &args, Options *o) {
    if (args.empty() || !mac_address(args[0], o->mac)) return false;
    if (!read_options(Args(args.begin() + 1, args.end()), "vlan interface", o)) return false;
    return (o->has_vlan && o->has_port) || misused("give the entry as MAC vlan VID interface PORT");
}

int add_static(const Args &args) {
    Options o;
    if (!static_key(args, &o)) return kExitUsage;
    if (int32_t rc = kel_static_arl_add(o.mac, o.vid, &o.port)) return fail("adding the static entry", rc);
    return kExitOk;
}

int remove_static(const Args &args) {
    Options o;
    if (!static_key(args, &o)) return kExitUsage;
    if (int32_t rc = kel_static_arl_del(o.mac, o.vid, &o.port)) return fail("removing the static entry", rc);
    return kExitOk;
}

int clear_dynamic(const Args &args) {
    Options o;
    if (!read_options(args, "vlan interface address", &o)) return kExitUsage;
    if (o.has_vlan + o.has_port + o.has_mac > 1)
        return usage_error("clear by one of vlan, interface or address");
    int32_t rc = o.has_vlan   ? kel_arl_del_by_vlan(o.vid, KEL_ARL_FLUSH_2)
                 : o.has_port ? kel_arl_del_by_port(&o.port, KEL_ARL_FLUSH_2)
                 : o.has_mac  ? kel_arl_del_by_mac(o.mac, KEL_ARL_FLUSH_2)
                              : kel_dynamic_arl_del();
    return rc ? fail("clearing dynamic entries", rc) : kExitOk;
}

int ageing_time(const Args &args) {
    uint32_t seconds;
    if (args.size() != 1)
        return usage_error("mac-address-table aging-time takes a number of seconds (0: never)");
    if (!parse_number(args[0], 0, UINT32_MAX, "ageing time", &seconds)) return kExitUsage;
    if (int32_t rc = kel_arl_age_time_set(seconds)) return fail("setting the ageing time", rc);
    return kExitOk;
}

const Column<kel_drv_mcast_entry> kGroups[] = {
    {"vlan", "VLAN", Type::number, [](const kel_drv_mcast_entry &e) { return Value::num(e.vid); }},
    {"group", "Group", Type::text, [](const kel_drv_mcast_entry &e) { return Value::str(mac(e.mac)); }},
    {"type", "Type", Type::text,
     [](const kel_drv_mcast_entry &e) {
         return Value::str(e.kind == KEL_DRV_ARL_STATIC ? "static" : "learned");
     }},
    {"priority", "Priority", Type::number,
     [](const kel_drv_mcast_entry &e) {
         return e.kind == KEL_DRV_ARL_STATIC ? Value::num(e.priority) : Value::none(Type::number);
     }},
    {"ports", "Ports", Type::texts, [](const kel_drv_mcast_entry &e) { return ports_value(e.ports); }},
};

// The groups of the table (static ones only, with `only_static`).
int32_t read_groups(bool only_static, std::vector<kel_drv_mcast_entry> *out) {
    uint32_t cursor = 0;
    kel_drv_mcast_entry e;
    int32_t rc;
    while ((rc = only_static ? kel_static_mcast_getnext(&cursor, &e) : kel_mcast_getnext(&cursor, &e)) == 0)
        out->push_back(e);
    return rc == KEL_ERR_NOT_FOUND ? 0 : rc;
}

int show_multicast(const Args &args) {
    Options o;
    if (!read_options(args, "vlan static", &o)) return kExitUsage;
    std::vector<kel_drv_mcast_entry> all, rows;
    if (int32_t rc = read_groups(o.has_kind, &all)) return fail("reading the multicast table", rc);
    for (const kel_drv_mcast_entry &e : all)
        if (!o.has_vlan || e.vid == o.vid) rows.push_back(e);
    show(table_of(kGroups, rows));
    return kExitOk;
}

// The ageing time, static entries and static groups.
bool write_config(Config &c) {
    if (!c.whole) return true;
    uint32_t ageing = 0;
    std::vector<kel_drv_arl_entry> entries;
    std::vector<kel_drv_mcast_entry> groups;
    if (int32_t rc = kel_arl_age_time_get(&ageing)) return config_failed("reading the ageing time", rc);
    if (int32_t rc = read_entries(KEL_DRV_ARL_STATIC, &entries))
        return config_failed("reading the MAC address table", rc);
    if (int32_t rc = read_groups(true, &groups)) return config_failed("reading the multicast table", rc);
    if (c.all || ageing != kInitialAgeing) c.add("mac-address-table aging-time " + std::to_string(ageing));
    sort_entries(&entries);
    for (const kel_drv_arl_entry &e : entries)
        c.add("mac-address-table static " + mac(e.mac) + " vlan " + std::to_string(e.vid) + " interface " +
              port_name(ifport{static_cast<int32_t>(e.unit), 0, static_cast<int32_t>(e.port)}));
    for (const kel_drv_mcast_entry &g : groups)
        c.add("multicast-table static " + mac(g.mac) + " vlan " + std::to_string(g.vid) + " interface " +
              port_list_text(g.ports) + " priority " + std::to_string(g.priority));
    return true;
}

// "GROUP vlan V [interface PORTLIST] [priority P]".
int change_group(const Args &args, bool add) {
    uint8_t group[6];
    uint32_t vid = 0, prio = 0;
    iflist ports;
    bool has_vid = false, has_ports = false, has_prio = false;
    if (args.empty() || !mac_address(args[0], group)) return kExitUsage;
    for (size_t i = 1; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) return usage_error("options come as keyword and value");
        const std::string &k = args[i], &v = args[i + 1];
        bool *seen = k == "vlan"              ? &has_vid
                     : k == "interface"       ? &has_ports
                     : add && k == "priority" ? &has_prio
                                              : nullptr;
        if (!seen)
            return usage_error(add ? "expected vlan, interface or priority" : "expected vlan or interface");
        if (*seen) return usage_error(k + " given twice");
        bool ok = k == "vlan"        ? parse_vlan_id(v, &vid)
                  : k == "interface" ? parse_port_list(v, &ports)
                                     : parse_number(v, 0, 7, "priority", &prio);
        if (!(*seen = ok)) return kExitUsage;
    }
    if (!has_vid || (add && !has_ports)) return usage_error("give the group's vlan (and, to add, its ports)");
    int32_t rc = add         ? kel_static_mcast_add(group, vid, prio, &ports)
                 : has_ports ? kel_static_mcast_ports_del(group, vid, &ports)
                             : kel_static_mcast_del(group, vid);
    return rc ? fail(add ? "adding the group" : "removing the group", rc) : kExitOk;
}

int add_group(const Args &args) { return change_group(args, true); }
int remove_group(const Args &args) { return change_group(args, false); }

const Subcommand kRows[] = {
    {"show mac-address-table", "[vlan V] [interface P] [address MAC] [static|dynamic]",
     "the MAC address table, sorted by VLAN and address", show_table,
     "show mac-address-table\nshow mac-address-table vlan 10 dynamic\nshow mac-address-table interface "
     "fa1/0/5"},
    {"mac-address-table static", "MAC vlan V interface P", "add a static entry", add_static,
     "mac-address-table static 0012.3456.0001 vlan 1 interface fa1/0/6"},
    {"no mac-address-table static", "MAC vlan V interface P", "remove a static entry", remove_static,
     "no mac-address-table static 0012.3456.0001 vlan 1 interface fa1/0/6"},
    {"clear mac-address-table dynamic", "[vlan V | interface P | address MAC]",
     "remove learned entries, all or by VLAN, port or address", clear_dynamic,
     "clear mac-address-table dynamic\nclear mac-address-table dynamic vlan 10"},
    {"mac-address-table aging-time", "SECONDS", "how long a learned entry stays (0: forever)", ageing_time,
     "mac-address-table aging-time 600"},
    {"show multicast-table", "[vlan V] [static]", "multicast groups and their ports", show_multicast,
     "show multicast-table\nshow multicast-table vlan 1 static"},
    {"multicast-table static", "GROUP vlan V interface PORTLIST [priority P]",
     "add ports to a static group, making it if needed", add_group,
     "multicast-table static 0100.5e00.0001 vlan 1 interface fa1/0/1-4 priority 5"},
    {"no multicast-table static", "GROUP vlan V [interface PORTLIST]",
     "remove ports from a static group, or the whole group", remove_group,
     "no multicast-table static 0100.5e00.0001 vlan 1 interface fa1/0/4"},
};

}  // namespace

const Area kMacTableArea =
    area("mac-address-table", "the MAC address table, its ageing, and multicast groups", kRows, write_config);

}  // namespace kelctl
