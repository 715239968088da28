// system.cpp - kelctl's view of the switch as a whole and of the stack.
#include "kelctl.h"

namespace kelctl {

namespace {

struct System {
    uint8_t mac[6];
    uint32_t ports, ip, mask, vid, unit;
};

const Column<System> kSystem[] = {
    {"mac_address", "MAC address", Type::text, [](const System &s) { return Value::str(mac(s.mac)); }},
    {"ports", "Ports", Type::number, [](const System &s) { return Value::num(s.ports); }},
    {"management_address", "Management address", Type::text,
     [](const System &s) {
         Value v = Value::str(ipv4(s.ip));
         v.shown += " mask " + ipv4(s.mask);
         return v;
     }},
    {"management_mask", "", Type::text, [](const System &s) { return Value::str(ipv4(s.mask)); }, false},
    {"management_vlan", "Management VLAN", Type::number, [](const System &s) { return Value::num(s.vid); }},
    {"unit", "Unit", Type::number,
     [](const System &s) {
         Value v = Value::num(s.unit);
         if (kel_is_stack_master()) v.shown += " (stack master)";
         return v;
     }},
    {"stack_master", "", Type::boolean, [](const System &) { return Value::flag(kel_is_stack_master()); },
     false},
    {"stackable", "Stackable", Type::boolean,
     [](const System &) { return Value::flag(kel_is_switch_stackable()); }},
    {"ready", "Ready", Type::boolean, [](const System &) { return Value::flag(kel_lib_is_system_ready()); }},
    {"upgrade_running", "Upgrade running", Type::boolean,
     [](const System &) { return Value::flag(kel_is_system_upgrade()); }},
    {"user", "User", Type::text, [](const System &) { return Value::str(kel_user()); }},
};

int show_system(const Args &) {
    System s;
    if (int32_t rc = kel_system_mac_addr_get(s.mac)) return fail("reading the MAC address", rc);
    if (int32_t rc = kel_system_nr_ports_get(&s.ports)) return fail("reading the port count", rc);
    if (int32_t rc = kel_system_ip_mask_get(&s.ip, &s.mask)) return fail("reading the address", rc);
    if (int32_t rc = kel_system_vlan_id_get(&s.vid)) return fail("reading the management VLAN", rc);
    if (int32_t rc = kel_switch_stack_id_get(&s.unit)) return fail("reading the unit number", rc);
    show(record_of(kSystem, s, "System"));
    return kExitOk;
}

struct Unit {
    uint32_t unit, ports, ip, mask, self;
};

const Column<Unit> kUnits[] = {
    {"unit", "Unit", Type::number, [](const Unit &u) { return Value::num(u.unit); }},
    {"ports", "Ports", Type::number, [](const Unit &u) { return Value::num(u.ports); }},
    {"address", "Address", Type::text, [](const Unit &u) { return Value::str(ipv4(u.ip)); }},
    {"mask", "Mask", Type::text, [](const Unit &u) { return Value::str(ipv4(u.mask)); }},
    {"this_unit", "", Type::boolean,
     [](const Unit &u) {
         bool self = u.unit == u.self;
         Value v = Value::flag(self, "", "");
         if (self) v.shown = kel_is_stack_master() ? "this unit, master" : "this unit";
         return v;
     }},
};

const Column<ifport> kStackPorts[] = {
    {"port", "Port", Type::text, [](const ifport &p) { return Value::str(ifport_text(p)); }},
    {"name", "Name", Type::text,
     [](const ifport &p) {
         char name[32] = "?";
         kel_ifname_long_get(&p, name, sizeof name);
         return Value::str(name);
     }},
    {"short_name", "Short", Type::text,
     [](const ifport &p) {
         char name[32] = "?";
         kel_ifname_short_get(&p, name, sizeof name);
         return Value::str(name);
     }},
    {"kind", "Kind", Type::text,
     [](const ifport &p) {
         Value v = Value::str(port_kind(p));
         v.text = v.text.substr(0, v.text.find(' '));  // the medium; "stack" is a member of its own
         return v;
     }},
    {"stack", "", Type::boolean, [](const ifport &p) { return Value::flag(kel_is_stack_smart_port(&p)); },
     false},
};

int show_stack(const Args &) {
    uint32_t self = 0;
    if (int32_t rc = kel_switch_stack_id_get(&self)) return fail("reading the unit number", rc);
    std::vector<Unit> units;
    std::vector<ifport> ports;
    for (uint32_t u = 1; u <= 8; ++u) {
        Unit unit{u, 0, 0, 0, self};
        kel_stack_nr_ports_get(u, &unit.ports);
        if (unit.ports == 0) continue;  // absent unit
        kel_switch_stack_ipmask_get(u, &unit.ip, &unit.mask);
        units.push_back(unit);
        for (uint32_t p = 1; p <= unit.ports; ++p)
            ports.push_back(ifport{static_cast<int32_t>(u), 0, static_cast<int32_t>(p)});
    }
    show({table_of(kUnits, units, "units"), table_of(kStackPorts, ports, "ports")});
    return kExitOk;
}

const Subcommand kRows[] = {
    {"show system", "", "the switch as a whole", show_system, "show system\n-j show system"},
    {"show stack", "", "units, and every port with its names and kind", show_stack, "show stack"},
};

}  // namespace

const Area kSystemArea = area("system", "the switch as a whole and its stack of units", kRows);

}  // namespace kelctl
