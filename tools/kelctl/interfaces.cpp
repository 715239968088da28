// interfaces.cpp - kelctl show interfaces: one row per port with its names,
// kind, flat index, link state, speed, duplex and VLAN memberships.
//
// The table is a list of columns, each a heading and a function from a port
// to its cell; a new property of a port is one more row in kColumns.
#include <cstring>

#include "kelctl.h"

namespace kelctl {

namespace {

// What the cells of one port are made from; the VLAN records are read once
// for the whole table.
struct PortView {
    ifport port;
    const std::vector<Vlan> &vlans;
};

struct Column {
    const char *heading;
    std::string (*cell)(const PortView &);
};

std::string short_name(const PortView &v) {
    char name[32];
    return kel_ifname_short_get(&v.port, name, sizeof name) == 0 ? name : ifport_text(v.port);
}

std::string long_name(const PortView &v) {
    char name[32];
    return kel_ifname_long_get(&v.port, name, sizeof name) == 0 ? name : "?";
}

std::string flat_index(const PortView &v) {
    int32_t idx = 0;
    return kel_iftab_ifport2idx(&v.port, &idx) == 0 ? std::to_string(idx) : "?";
}

std::string kind(const PortView &v) { return port_kind(v.port); }

// The VLANs in whose set the port is, and (with `untagged` given) whose
// untagged set it is in or not.
std::string vlans_where(const PortView &v, VlanSet set, int untagged = -1) {
    vlanlist ids;
    std::memset(&ids, 0, sizeof ids);
    for (const Vlan &vlan : v.vlans) {
        if (!in_set(vlan.info, set, v.port)) continue;
        if (untagged >= 0 && in_set(vlan.info, kUntagged, v.port) != (untagged == 1)) continue;
        ids.word[(vlan.vid - 1) / 32] |= 1u << ((vlan.vid - 1) % 32);
    }
    return vlan_list_text(ids);
}

std::string native_vlan(const PortView &v) { return vlans_where(v, kNative); }
std::string untagged_vlans(const PortView &v) { return vlans_where(v, kMembers, 1); }
std::string tagged_vlans(const PortView &v) { return vlans_where(v, kMembers, 0); }

std::string link(const PortView &v) { return link_text(v.port); }
std::string speed(const PortView &v) { return speed_text(v.port); }
std::string duplex(const PortView &v) { return duplex_text(v.port); }

const Column kColumns[] = {
    {"Port", short_name},     {"Name", long_name},     {"Index", flat_index},
    {"Kind", kind},           {"Link", link},          {"Speed", speed},
    {"Duplex", duplex},       {"Native", native_vlan}, {"Untagged", untagged_vlans},
    {"Tagged", tagged_vlans},
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
    std::vector<std::string> heading;
    for (const Column &c : kColumns) heading.push_back(c.heading);
    Table t(heading);
    ifport p{0, 0, 0};
    while (kel_iflist_port_getnext(&ports, &p) == 0) {
        PortView view{p, vlans};
        std::vector<std::string> row;
        for (const Column &c : kColumns) row.push_back(c.cell(view));
        t.add(row);
    }
    t.print();
    return kExitOk;
}

const Subcommand kRows[] = {
    {"show interfaces", "[PORTLIST]", "ports with their names, kind, index, link, speed and VLANs",
     show_interfaces},
};

}  // namespace

const Area kInterfaceArea = area(kRows);

}  // namespace kelctl
