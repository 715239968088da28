// portsecu.cpp - kelctl's port security: show ports and their secure
// addresses, change per-port settings, add and delete secure addresses,
// clear learned ones.
#include "protocol.h"

namespace kelctl {

namespace {

const std::vector<const char *> kViolations = {"protect", "restrict", "shutdown"};
const std::vector<const char *> kAgeTypes = {"absolute", "inactivity"};
const std::vector<const char *> kAddrTypes = {"", "static", "dynamic"};

int show_portsecu(const Args &args) {
    if (args.size() > 1) return usage_error("show port-security takes at most one port list");
    iflist ports;
    if (!ports_argument(args, 0, &ports)) return kExitUsage;
    Table t({"Port", "Security", "Max", "Static", "Learned", "Violation", "Age", "Age type", "Shutdown time",
             "State", "Violations"});
    Table addrs({"Port", "Address", "Type"});
    int status = kExitOk;
    for (const ifport &p : ports_in(ports)) {
        kel_drv_portsecu r;
        if (int32_t rc = kel_portsecu_info_get(&p, &r)) {
            status = fail(("reading port " + port_name(p)).c_str(), rc);
            continue;
        }
        t.add({port_name(p), enabled(r.enabled), std::to_string(r.maximum), std::to_string(r.static_count),
               std::to_string(r.dynamic_count), name_of(kViolations, r.violation),
               r.age_time ? std::to_string(r.age_time) + " min" : "-", name_of(kAgeTypes, r.age_type),
               r.shutdown_time ? std::to_string(r.shutdown_time) + " s" : "-", r.shut ? "shut down" : "up",
               std::to_string(r.violations)});
        uint32_t cursor = 0;
        kel_drv_secure_addr a;
        while (kel_portsecu_mac_getnext(&cursor, &p, KEL_DRV_SECURE_ALL, &a) == 0)
            addrs.add({port_name(p), mac(a.mac), name_of(kAddrTypes, a.type)});
    }
    t.print();
    write_out("\n");
    addrs.print();
    return status;
}

int32_t enable(const ifport *p, uint32_t) { return kel_portsecu_enable_set(p, 1); }
int32_t disable(const ifport *p, uint32_t) { return kel_portsecu_enable_set(p, 0); }
int32_t clear_learned(const ifport *p, uint32_t) { return kel_portsecu_dynamic_mac_if_clear(p); }
int32_t reup(const ifport *p, uint32_t) { return kel_portsecu_port_reup(p); }

const std::vector<PortSetting> kPortSettings = {
    {"enable", Value::none, {}, 0, 0, enable},
    {"disable", Value::none, {}, 0, 0, disable},
    {"maximum", Value::number, {}, 1, 64, kel_portsecu_maxaddr_set},
    {"violation", Value::choice, kViolations, 0, 0, kel_portsecu_violation_set},
    {"age", Value::number, {}, 0, 1440, kel_portsecu_age_time_set},
    {"age-type", Value::choice, kAgeTypes, 0, 0, kel_portsecu_age_type_set},
    {"shutdown-time", Value::number, {}, 0, 86400, kel_portsecu_shutdown_set},
    {"reup", Value::none, {}, 0, 0, reup},
    {"clear-learned", Value::none, {}, 0, 0, clear_learned},
};

int port(const Args &args) { return run_port_setting(args, kPortSettings, "port-security port"); }

int address(const Args &args, bool add) {
    if (args.size() != 2) return usage_error("port-security address add|delete takes PORT MAC");
    ifport p;
    uint8_t m[6];
    if (!parse_port(args[0], &p) || !parse_mac(args[1], m)) return kExitUsage;
    int32_t rc = add ? kel_portsecu_mac_set(&p, m) : kel_portsecu_mac_del(&p, m);
    if (rc) return fail(((add ? "adding " : "deleting ") + args[1] + " on " + args[0]).c_str(), rc);
    return kExitOk;
}

int address_add(const Args &args) { return address(args, true); }
int address_delete(const Args &args) { return address(args, false); }

// One learned address anywhere, or every learned address of the switch.
int clear_learned_all(const Args &args) {
    if (args.size() > 1) return usage_error("port-security clear-learned takes at most one MAC address");
    if (args.empty()) {
        if (int32_t rc = kel_portsecu_dynamic_mac_if_clear(nullptr))
            return fail("clearing learned addresses", rc);
        return kExitOk;
    }
    uint8_t m[6];
    if (!parse_mac(args[0], m)) return kExitUsage;
    if (int32_t rc = kel_portsecu_dynamic_mac_clear(m)) return fail(("clearing " + args[0]).c_str(), rc);
    return kExitOk;
}

const Subcommand kRows[] = {
    {"show port-security", "[PORTS]", "ports, their limits and secure addresses", show_portsecu},
    {"port-security port", "PORTS SETTING [VALUE]",
     "enable, disable, maximum 1-64, violation protect|restrict|shutdown, age MIN, "
     "age-type absolute|inactivity, shutdown-time S, reup, clear-learned",
     port},
    {"port-security address add", "PORT MAC", "a secure address", address_add},
    {"port-security address delete", "PORT MAC", "forget a secure address", address_delete},
    {"port-security clear-learned", "[MAC]", "forget one learned address, or all of them", clear_learned_all},
};

}  // namespace

const Area kPortSecuArea = area(kRows);

}  // namespace kelctl
