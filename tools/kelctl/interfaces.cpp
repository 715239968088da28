// interfaces.cpp - kelctl show interfaces: one row per port with its names,
// kind, flat index, link state, speed, duplex and VLAN memberships.
//
// The table is a list of columns (output.h); a new property of a port is one
// more row in kColumns, shown as text and as JSON alike.
#include <cstring>

#include "kelctl.h"

namespace kelctl {

namespace {

// What the cells of one port are made from; the VLAN records are read once
// for the whole table.
struct PortView {
    ifport port;
    const std::vector<Vlan> *vlans;
};

// The VLANs in whose set the port is, and (with `untagged` given) whose
// untagged set it is in or not.
vlanlist vlans_where(const PortView &v, VlanSet set, int untagged = -1) {
    vlanlist ids;
    std::memset(&ids, 0, sizeof ids);
    for (const Vlan &vlan : *v.vlans) {
        if (!in_set(vlan.info, set, v.port)) continue;
        if (untagged >= 0 && in_set(vlan.info, kUntagged, v.port) != (untagged == 1)) continue;
        ids.word[(vlan.vid - 1) / 32] |= 1u << ((vlan.vid - 1) % 32);
    }
    return ids;
}

Value native_vlan(const PortView &v) {
    std::vector<int32_t> ids = vlan_ids(vlans_where(v, kNative));
    return ids.empty() ? Value::none(Type::number) : Value::num(ids.front());
}

const Column<PortView> kColumns[] = {
    {"port", "Port", Type::text, [](const PortView &v) { return port_value(v.port); }},
    {"name", "Name", Type::text,
     [](const PortView &v) {
         char name[32];
         return kel_ifname_long_get(&v.port, name, sizeof name) == 0 ? Value::str(name)
                                                                     : Value::none(Type::text, "?");
     }},
    {"index", "Index", Type::number,
     [](const PortView &v) {
         int32_t idx = 0;
         return kel_iftab_ifport2idx(&v.port, &idx) == 0 ? Value::num(idx) : Value::none(Type::number, "?");
     }},
    {"kind", "Kind", Type::text, [](const PortView &v) { return Value::str(port_kind(v.port)); }},
    {"link", "Link", Type::text, [](const PortView &v) { return Value::str(link_text(v.port)); }},
    {"speed", "Speed", Type::text, [](const PortView &v) { return Value::str(speed_text(v.port)); }},
    {"duplex", "Duplex", Type::text, [](const PortView &v) { return Value::str(duplex_text(v.port)); }},
    {"native_vlan", "Native", Type::number, native_vlan},
    {"untagged_vlans", "Untagged", Type::numbers,
     [](const PortView &v) { return vlans_value(vlans_where(v, kMembers, 1)); }},
    {"tagged_vlans", "Tagged", Type::numbers,
     [](const PortView &v) { return vlans_value(vlans_where(v, kMembers, 0)); }},
};

int show_interfaces(const Args &args) {
    if (args.size() > 1) return usage_error("show interfaces takes at most one port list");
    iflist ports;
    if (args.empty())
        ports = every_port();
    else if (!parse_port_list(args[0], &ports))
        return kExitUsage;
    std::vector<Vlan> vlans;
    if (!read_vlans(&vlans)) return kExitFailed;
    std::vector<PortView> rows;
    for (const ifport &p : ports_in(ports)) rows.push_back(PortView{p, &vlans});
    show(table_of(kColumns, rows));
    return kExitOk;
}

const Subcommand kRows[] = {
    {"show interfaces", "[PORTLIST]", "ports with their names, kind, index, link, speed and VLANs",
     show_interfaces, "show interfaces\nshow interfaces fa1/0/1-4,gi1/0/25\n-j show interfaces gi1/0/25"},
};

}  // namespace

const Area kInterfaceArea = area("interfaces", "every port with its names, link and VLANs", kRows);

}  // namespace kelctl
