// system.cpp - kelctl's view of the switch as a whole and of the stack.
#include "kelctl.h"

namespace kelctl {

namespace {

int show_system(const Args &) {
    uint8_t m[6];
    uint32_t ports = 0, ip = 0, mask = 0, vid = 0, unit = 0;
    if (int32_t rc = kel_system_mac_addr_get(m)) return fail("reading the MAC address", rc);
    if (int32_t rc = kel_system_nr_ports_get(&ports)) return fail("reading the port count", rc);
    if (int32_t rc = kel_system_ip_mask_get(&ip, &mask)) return fail("reading the address", rc);
    if (int32_t rc = kel_system_vlan_id_get(&vid)) return fail("reading the management VLAN", rc);
    if (int32_t rc = kel_switch_stack_id_get(&unit)) return fail("reading the unit number", rc);
    Table t({"System", ""});
    t.add({"MAC address", mac(m)});
    t.add({"Ports", std::to_string(ports)});
    t.add({"Management address", ipv4(ip) + " mask " + ipv4(mask)});
    t.add({"Management VLAN", std::to_string(vid)});
    t.add({"Unit", std::to_string(unit) + (kel_is_stack_master() ? " (stack master)" : "")});
    t.add({"Stackable", yes_no(kel_is_switch_stackable())});
    t.add({"Ready", yes_no(kel_lib_is_system_ready())});
    t.add({"Upgrade running", yes_no(kel_is_system_upgrade())});
    t.add({"User", kel_user()});
    t.print();
    return kExitOk;
}

int show_stack(const Args &) {
    uint32_t self = 0;
    if (int32_t rc = kel_switch_stack_id_get(&self)) return fail("reading the unit number", rc);
    Table units({"Unit", "Ports", "Address", "Mask", ""});
    Table ports({"Port", "Name", "Short", "Kind"});
    for (uint32_t u = 1; u <= 8; ++u) {
        uint32_t n = 0, ip = 0, mask = 0;
        kel_stack_nr_ports_get(u, &n);
        if (n == 0) continue;  // absent unit
        kel_switch_stack_ipmask_get(u, &ip, &mask);
        std::string note = u == self ? (kel_is_stack_master() ? "this unit, master" : "this unit") : "";
        units.add({std::to_string(u), std::to_string(n), ipv4(ip), ipv4(mask), note});
        for (uint32_t p = 1; p <= n; ++p) {
            ifport port{static_cast<int32_t>(u), 0, static_cast<int32_t>(p)};
            char long_name[32] = "?", short_name[32] = "?";
            kel_ifname_long_get(&port, long_name, sizeof long_name);
            kel_ifname_short_get(&port, short_name, sizeof short_name);
            ports.add({ifport_text(port), long_name, short_name, port_kind(port)});
        }
    }
    units.print();
    write_out("\n");
    ports.print();
    return kExitOk;
}

const Subcommand kRows[] = {
    {"show system", "", "the switch as a whole", show_system},
    {"show stack", "", "units, and every port with its names and kind", show_stack},
};

}  // namespace

const Area kSystemArea = area(kRows);

}  // namespace kelctl
