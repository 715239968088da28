// portsecu.cpp - kelctl's port security: show ports and their secure
// addresses, change per-port settings, add and delete secure addresses,
// clear learned ones; and write the settings and configured addresses back.
#include <cstddef>

#include "protocol.h"

namespace kelctl {

namespace {

const std::vector<const char *> kViolations = {"protect", "restrict", "shutdown"};
const std::vector<const char *> kAgeTypes = {"absolute", "inactivity"};
const std::vector<const char *> kAddrTypes = {"", "static", "dynamic"};
// A port of a switch that has just started: security off, one address,
// shut down on a violation, no ageing (absolute), no shutdown time.
constexpr uint32_t kInitialMaximum = 1;

struct SecuPort {
    ifport port;
    kel_drv_portsecu r;
};

struct SecureAddr {
    ifport port;
    kel_drv_secure_addr a;
};

const Column<SecuPort> kPorts[] = {
    {"port", "Port", Type::text, [](const SecuPort &p) { return port_value(p.port); }},
    {"enabled", "Security", Type::boolean,
     [](const SecuPort &p) { return Value::flag(p.r.enabled, "enabled", "disabled"); }},
    {"maximum", "Max", Type::number, [](const SecuPort &p) { return Value::num(p.r.maximum); }},
    {"static_addresses", "Static", Type::number,
     [](const SecuPort &p) { return Value::num(p.r.static_count); }},
    {"learned_addresses", "Learned", Type::number,
     [](const SecuPort &p) { return Value::num(p.r.dynamic_count); }},
    {"violation", "Violation", Type::text,
     [](const SecuPort &p) { return Value::str(name_of(kViolations, p.r.violation)); }},
    {"age", "Age", Type::number,
     [](const SecuPort &p) {
         return p.r.age_time ? Value::num(p.r.age_time, " min") : Value::none(Type::number);
     }},
    {"age_type", "Age type", Type::text,
     [](const SecuPort &p) { return Value::str(name_of(kAgeTypes, p.r.age_type)); }},
    {"shutdown_time", "Shutdown time", Type::number,
     [](const SecuPort &p) {
         return p.r.shutdown_time ? Value::num(p.r.shutdown_time, " s") : Value::none(Type::number);
     }},
    {"shut_down", "State", Type::boolean,
     [](const SecuPort &p) { return Value::flag(p.r.shut, "shut down", "up"); }},
    {"violations", "Violations", Type::number, [](const SecuPort &p) { return Value::num(p.r.violations); }},
};

const Column<SecureAddr> kAddresses[] = {
    {"port", "Port", Type::text, [](const SecureAddr &a) { return port_value(a.port); }},
    {"mac_address", "Address", Type::text, [](const SecureAddr &a) { return Value::str(mac(a.a.mac)); }},
    {"type", "Type", Type::text,
     [](const SecureAddr &a) { return Value::str(name_of(kAddrTypes, a.a.type)); }},
};

// The secure addresses of a port of the given type: false when the walk fails.
bool read_addresses(const ifport &p, uint32_t type, std::vector<SecureAddr> *out) {
    uint32_t cursor = 0;
    SecureAddr a{p, {}};
    int32_t rc;
    while ((rc = kel_portsecu_mac_getnext(&cursor, &p, type, &a.a)) == 0) out->push_back(a);
    return rc == KEL_DRV_ERR_END_OF_TABLE || rc == KEL_ERR_NOT_FOUND ||
           config_failed("reading the secure addresses of " + port_name(p), rc);
}

int show_portsecu(const Args &args) {
    if (args.size() > 1) return usage_error("show port-security takes at most one port list");
    iflist ports;
    if (!ports_argument(args, 0, &ports)) return kExitUsage;
    std::vector<SecuPort> rows;
    std::vector<SecureAddr> addrs;
    int status = kExitOk;
    for (const ifport &p : ports_in(ports)) {
        SecuPort r{p, {}};
        if (int32_t rc = kel_portsecu_info_get(&p, &r.r)) {
            status = fail("reading port " + port_name(p), rc);
            continue;
        }
        rows.push_back(r);
        read_addresses(p, KEL_DRV_SECURE_ALL, &addrs);
    }
    show({table_of(kPorts, rows, "ports"), table_of(kAddresses, addrs, "addresses")});
    return status;
}

int32_t enable(const ifport *p, uint32_t) { return kel_portsecu_enable_set(p, 1); }
int32_t disable(const ifport *p, uint32_t) { return kel_portsecu_enable_set(p, 0); }
int32_t clear_learned(const ifport *p, uint32_t) { return kel_portsecu_dynamic_mac_if_clear(p); }
int32_t reup(const ifport *p, uint32_t) { return kel_portsecu_port_reup(p); }

constexpr size_t kEnabled = offsetof(kel_drv_portsecu, enabled);

const PortSettings kPortSettings = {
    "port-security port",
    {
        {"enable", Takes::none, {}, 0, 0, enable, kEnabled, 0, 1, 1},
        {"disable", Takes::none, {}, 0, 0, disable, kEnabled, 0, 1, 0},
        {"maximum",
         Takes::number,
         {},
         1,
         64,
         kel_portsecu_maxaddr_set,
         offsetof(kel_drv_portsecu, maximum),
         kInitialMaximum},
        {"violation", Takes::choice, kViolations, 0, 0, kel_portsecu_violation_set,
         offsetof(kel_drv_portsecu, violation), KEL_DRV_VIOLATION_SHUTDOWN},
        {"age", Takes::number, {}, 0, 1440, kel_portsecu_age_time_set, offsetof(kel_drv_portsecu, age_time)},
        {"age-type", Takes::choice, kAgeTypes, 0, 0, kel_portsecu_age_type_set,
         offsetof(kel_drv_portsecu, age_type)},
        {"shutdown-time",
         Takes::number,
         {},
         0,
         86400,
         kel_portsecu_shutdown_set,
         offsetof(kel_drv_portsecu, shutdown_time)},
        {"reup", Takes::none, {}, 0, 0, reup},
        {"clear-learned", Takes::none, {}, 0, 0, clear_learned},
    },
    kel_portsecu_info_get,
    sizeof(kel_drv_portsecu),
};

int port(const Args &args) { return run_port_setting(args, kPortSettings); }

int address(const Args &args, bool add) {
    if (args.size() != 2) return usage_error("port-security address add|delete takes PORT MAC");
    ifport p;
    uint8_t m[6];
    if (!parse_port(args[0], &p) || !parse_mac(args[1], m)) return kExitUsage;
    int32_t rc = add ? kel_portsecu_mac_set(&p, m) : kel_portsecu_mac_del(&p, m);
    if (rc) return fail((add ? "adding " : "deleting ") + args[1] + " on " + args[0], rc);
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
    if (int32_t rc = kel_portsecu_dynamic_mac_clear(m)) return fail("clearing " + args[0], rc);
    return kExitOk;
}

// The ports' settings (their maximum first), then their configured
// addresses; learned ones are the traffic's, not the configuration's.
bool write_config(Config &c) {
    std::vector<std::vector<uint32_t>> records;
    if (!write_port_settings(c, kPortSettings, &records)) return false;
    std::vector<SecureAddr> addrs;
    std::vector<ifport> ports = ports_in(c.ports);
    for (size_t i = 0; i < ports.size(); ++i)
        if (records[i][offsetof(kel_drv_portsecu, static_count) / 4] &&
            !read_addresses(ports[i], KEL_DRV_SECURE_STATIC, &addrs))
            return false;
    for (const SecureAddr &a : addrs)
        c.add("port-security address add " + port_name(a.port) + " " + mac(a.a.mac));
    return true;
}

const Subcommand kRows[] = {
    {"show port-security", "[PORTS]", "ports, their limits and secure addresses", show_portsecu,
     "show port-security fa1/0/5"},
    {"port-security port",
     "PORTS enable|disable|maximum|violation|age|age-type|shutdown-time|reup|clear-learned [VALUE]",
     "enable, disable, maximum 1-64, violation protect|restrict|shutdown, age MIN, "
     "age-type absolute|inactivity, shutdown-time S, reup, clear-learned",
     port, "port-security port fa1/0/5 enable\nport-security port fa1/0/5 maximum 3"},
    {"port-security address add", "PORT MAC", "a secure address", address_add,
     "port-security address add fa1/0/5 0011.2233.4455"},
    {"port-security address delete", "PORT MAC", "forget a secure address", address_delete,
     "port-security address delete fa1/0/5 0011.2233.4455"},
    {"port-security clear-learned", "[MAC]", "forget one learned address, or all of them", clear_learned_all,
     "port-security clear-learned"},
};

}  // namespace

const Area kPortSecuArea =
    area("port-security", "port security: limits, violations and secure addresses", kRows, write_config);

}  // namespace kelctl
