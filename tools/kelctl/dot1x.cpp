// dot1x.cpp - kelctl's 802.1X: show the system, its RADIUS servers, local
// users and ports, change them, and write them back. Keys and passwords go
// to the driver and nowhere else: they are never printed, and "-" reads one
// from standard input so that it stays out of the process list; the
// running configuration writes "-" in their place and notes that the
// switch has one.
#include <cstddef>
#include <cstring>

#include "protocol.h"

namespace kelctl {

namespace {

const std::vector<const char *> kMethods = {"radius", "local", "radius-local"};
const std::vector<const char *> kControls = {"force-authorized", "force-unauthorized", "auto"};
const std::vector<const char *> kAuthStates = {"", "authorized", "unauthorized", "guest"};
constexpr uint32_t kDefaultRadiusPort = 1812, kDefaultPrivilege = 1;
constexpr size_t kUserNameMax = 64;
// A port of a switch that has just started: force-authorized, no
// reauthentication, every 3600 s when on, quiet 60 s, server timeout 30 s.
constexpr uint32_t kInitialReauthPeriod = 3600, kInitialQuiet = 60, kInitialServerTimeout = 30;

const Column<kel_drv_dot1x_sys> kSystem[] = {
    {"enabled", "State", Type::boolean,
     [](const kel_drv_dot1x_sys &s) { return Value::flag(s.enabled, "enabled", "disabled"); }},
    {"method", "Method", Type::text,
     [](const kel_drv_dot1x_sys &s) { return Value::str(name_of(kMethods, s.method)); }},
    {"radius_servers", "RADIUS servers", Type::number,
     [](const kel_drv_dot1x_sys &s) { return Value::num(s.radius_servers); }},
    {"local_users", "Local users", Type::number,
     [](const kel_drv_dot1x_sys &s) { return Value::num(s.local_users); }},
};

const Column<kel_drv_radius_server> kServers[] = {
    {"server", "Server", Type::number, [](const kel_drv_radius_server &r) { return Value::num(r.index); }},
    {"address", "Address", Type::text,
     [](const kel_drv_radius_server &r) { return Value::str(ipv4(r.addr)); }},
    {"udp_port", "UDP port", Type::number,
     [](const kel_drv_radius_server &r) { return Value::num(r.udp_port); }},
    {"key_set", "Key", Type::boolean,
     [](const kel_drv_radius_server &r) { return Value::flag(r.key_set, "(set)", "-"); }},
};

const Column<kel_drv_user> kUsers[] = {
    {"user", "User", Type::text, [](const kel_drv_user &u) { return Value::str(u.name); }},
    {"privilege", "Privilege", Type::number, [](const kel_drv_user &u) { return Value::num(u.value); }},
};

struct Dot1xPort {
    ifport port;
    kel_drv_dot1x_port r;
};

const Column<Dot1xPort> kPorts[] = {
    {"port", "Port", Type::text, [](const Dot1xPort &p) { return port_value(p.port); }},
    {"control", "Control", Type::text,
     [](const Dot1xPort &p) { return Value::str(name_of(kControls, p.r.control)); }},
    {"state", "State", Type::text,
     [](const Dot1xPort &p) { return Value::str(name_of(kAuthStates, p.r.auth_state)); }},
    {"multi_host", "Multi-host", Type::boolean,
     [](const Dot1xPort &p) { return Value::flag(p.r.multi_host); }},
    {"reauth", "Reauth", Type::boolean,
     [](const Dot1xPort &p) { return Value::flag(p.r.reauth, "enabled", "disabled"); }},
    {"reauth_period", "Period", Type::number,
     [](const Dot1xPort &p) { return Value::num(p.r.reauth_period, " s"); }},
    {"quiet_period", "Quiet", Type::number,
     [](const Dot1xPort &p) { return Value::num(p.r.quiet_period, " s"); }},
    {"server_timeout", "Timeout", Type::number,
     [](const Dot1xPort &p) { return Value::num(p.r.server_timeout, " s"); }},
    {"guest_vlan", "Guest VLAN", Type::number,
     [](const Dot1xPort &p) {
         return p.r.guest_vlan ? Value::num(p.r.guest_vlan) : Value::none(Type::number);
     }},
};

// The servers in their slots and the local users, each read once.
bool read_servers(std::vector<kel_drv_radius_server> *servers, std::vector<kel_drv_user> *users) {
    for (uint32_t i = 1; i <= KEL_DRV_RADIUS_SLOTS; ++i) {
        kel_drv_radius_server r;
        if (kel_dot1x_radius_get(i, &r) == 0) servers->push_back(r);  // else an empty slot
    }
    uint32_t cursor = 0;
    kel_drv_user u;
    while (kel_dot1x_user_getnext(&cursor, &u) == 0) {
        u.name[sizeof u.name - 1] = '\0';
        users->push_back(u);
    }
    return true;
}

int show_dot1x(const Args &args) {
    if (args.size() > 1) return usage_error("show dot1x takes at most one port list");
    iflist ports;
    if (!ports_argument(args, 0, &ports)) return kExitUsage;
    kel_drv_dot1x_sys sys;
    if (int32_t rc = kel_dot1x_sys_info_get(&sys)) return fail("reading 802.1X", rc);
    std::vector<kel_drv_radius_server> servers;
    std::vector<kel_drv_user> users;
    read_servers(&servers, &users);
    std::vector<Dot1xPort> rows;
    int status = kExitOk;
    for (const ifport &p : ports_in(ports)) {
        Dot1xPort r{p, {}};
        if (int32_t rc = kel_dot1x_port_info_get(&p, &r.r))
            status = fail("reading port " + port_name(p), rc);
        else
            rows.push_back(r);
    }
    show({record_of(kSystem, sys, "802.1X", "system"), table_of(kServers, servers, "servers"),
          table_of(kUsers, users, "users"), table_of(kPorts, rows, "ports")});
    return status;
}

int on_off(const Args &args) {
    uint32_t on;
    if (args.size() != 1) return usage_error("dot1x takes enable or disable");
    if (!parse_on_off(args[0], &on)) return kExitUsage;
    if (int32_t rc = kel_dot1x_status_set(on)) return fail("switching 802.1X", rc);
    return kExitOk;
}

int method(const Args &args) {
    uint32_t m;
    if (args.size() != 1) return usage_error("dot1x method takes radius, local or radius-local");
    if (!parse_word(args[0], kMethods, "method", &m)) return kExitUsage;
    if (int32_t rc = kel_dot1x_authentic_set(m)) return fail("setting the method", rc);
    return kExitOk;
}

// "guest-vlan none" clears the guest VLAN (0).
int32_t guest_vlan(const ifport *p, uint32_t vid) { return kel_dot1x_guest_vlan_set(p, vid); }
int32_t reauthenticate(const ifport *p, uint32_t) { return kel_dot1x_reauthenticate_set(p); }

const PortSettings kPortSettings = {
    "dot1x port",
    {
        {"control", Takes::choice, kControls, 0, 0, kel_dot1x_port_ctrl_set,
         offsetof(kel_drv_dot1x_port, control)},
        {"reauth",
         Takes::on_off,
         {},
         0,
         0,
         kel_dot1x_reauth_enable_set,
         offsetof(kel_drv_dot1x_port, reauth)},
        {"reauth-period",
         Takes::number,
         {},
         1,
         65535,
         kel_dot1x_reauth_period_set,
         offsetof(kel_drv_dot1x_port, reauth_period),
         kInitialReauthPeriod},
        {"quiet-period",
         Takes::number,
         {},
         0,
         65535,
         kel_dot1x_quiet_period_set,
         offsetof(kel_drv_dot1x_port, quiet_period),
         kInitialQuiet},
        {"server-timeout",
         Takes::number,
         {},
         1,
         65535,
         kel_dot1x_server_timeout_set,
         offsetof(kel_drv_dot1x_port, server_timeout),
         kInitialServerTimeout},
        {"multi-host",
         Takes::on_off,
         {},
         0,
         0,
         kel_dot1x_multi_host_set,
         offsetof(kel_drv_dot1x_port, multi_host)},
        {"guest-vlan",
         Takes::number,
         {},
         0,
         KEL_VLAN_MAX,
         guest_vlan,
         offsetof(kel_drv_dot1x_port, guest_vlan)},
        {"reauthenticate", Takes::none, {}, 0, 0, reauthenticate},
    },
    kel_dot1x_port_info_get,
    sizeof(kel_drv_dot1x_port),
};

int port(const Args &args) {
    if (args.size() == 3 && args[1] == "guest-vlan" && args[2] == "none") {
        Args cleared = args;
        cleared[2] = "0";
        return run_port_setting(cleared, kPortSettings);
    }
    return run_port_setting(args, kPortSettings);
}

int radius_add(const Args &args) {
    if (args.size() < 3 || args.size() > 4)
        return usage_error("dot1x radius add takes SLOT ADDRESS KEY|- [UDP-PORT]");
    uint32_t slot, addr, udp = kDefaultRadiusPort;
    if (!parse_number(args[0], 1, KEL_DRV_RADIUS_SLOTS, "server slot", &slot)) return kExitUsage;
    if (!parse_ipv4(args[1], "server address", &addr) ||
        (args.size() == 4 && !parse_number(args[3], 1, 65535, "UDP port", &udp)))
        return kExitUsage;
    std::string key;
    if (!read_secret(args[2], "key", &key)) return kExitUsage;
    if (key.size() > 16) say("the key is cut to its first 16 characters");
    int32_t rc = kel_dot1x_radius_set(slot, addr, key.c_str(), udp);
    forget(&key);
    if (rc) return fail("setting RADIUS server " + args[0], rc);
    return kExitOk;
}

int radius_delete(const Args &args) {
    uint32_t slot;
    if (args.size() != 1) return usage_error("dot1x radius delete takes a slot");
    if (!parse_number(args[0], 1, KEL_DRV_RADIUS_SLOTS, "server slot", &slot)) return kExitUsage;
    if (int32_t rc = kel_dot1x_radius_del(slot)) return fail("deleting RADIUS server " + args[0], rc);
    return kExitOk;
}

int user_add(const Args &args) {
    if (args.size() < 2 || args.size() > 3)
        return usage_error("dot1x user add takes NAME PASSWORD|- [PRIVILEGE]");
    uint32_t privilege = kDefaultPrivilege;
    if (args.size() == 3 && !parse_number(args[2], 0, 15, "privilege", &privilege)) return kExitUsage;
    if (!parse_name(args[0], kUserNameMax, "user name")) return kExitUsage;
    std::string password;
    if (!read_secret(args[1], "password", &password)) return kExitUsage;
    if (password.size() > 64) say("the password is cut to its first 64 characters");
    int32_t rc = kel_dot1x_user_set(args[0].c_str(), password.c_str(), privilege);
    forget(&password);
    if (rc) return fail("setting user " + args[0], rc);
    return kExitOk;
}

int user_delete(const Args &args) {
    if (args.size() != 1) return usage_error("dot1x user delete takes a name");
    if (!parse_name(args[0], kUserNameMax, "user name")) return kExitUsage;
    if (int32_t rc = kel_dot1x_user_del(args[0].c_str())) return fail("deleting user " + args[0], rc);
    return kExitOk;
}

// The switch, its servers and users (a key or password as "-": kelctl -b
// reads each from standard input, in order), then the ports.
bool write_config(Config &c) {
    if (c.whole) {
        kel_drv_dot1x_sys sys;
        std::vector<kel_drv_radius_server> servers;
        std::vector<kel_drv_user> users;
        if (int32_t rc = kel_dot1x_sys_info_get(&sys)) return config_failed("reading 802.1X", rc);
        read_servers(&servers, &users);
        if (c.all || sys.enabled) c.add(std::string("dot1x ") + (sys.enabled ? "enable" : "disable"));
        if (c.all || sys.method) c.add(std::string("dot1x method ") + name_of(kMethods, sys.method));
        for (const kel_drv_radius_server &r : servers)
            c.add("dot1x radius add " + std::to_string(r.index) + " " + ipv4(r.addr) + " - " +
                      std::to_string(r.udp_port),
                  "the key is not shown: give it on standard input");
        for (const kel_drv_user &u : users)
            c.add("dot1x user add " + quoted(u.name) + " - " + std::to_string(u.value),
                  "a password is set: give it on standard input");
    }
    return write_port_settings(c, kPortSettings);
}

const Subcommand kRows[] = {
    {"show dot1x", "[PORTS]", "802.1X, RADIUS servers, local users and ports", show_dot1x,
     "show dot1x\nshow dot1x fa1/0/1-4"},
    {"dot1x", "enable|disable", "run 802.1X or not", on_off, "dot1x enable"},
    {"dot1x method", "radius|local|radius-local", "how users are authenticated", method,
     "dot1x method local"},
    {"dot1x port",
     "PORTS control|reauth|reauth-period|quiet-period|server-timeout|multi-host|guest-vlan|reauthenticate "
     "[VALUE]",
     "control force-authorized|force-unauthorized|auto, reauth E, reauth-period S, quiet-period S, "
     "server-timeout S, multi-host E, guest-vlan VID|none, reauthenticate (E: enable or disable, S: seconds)",
     port, "dot1x port fa1/0/1-2 control auto\ndot1x port fa1/0/2 guest-vlan 100"},
    {"dot1x radius add", "1-4 ADDRESS KEY|- [UDP-PORT]", "a RADIUS server; - reads the key from stdin",
     radius_add, "dot1x radius add 1 10.0.0.5 - 1812"},
    {"dot1x radius delete", "1-4", "forget a RADIUS server", radius_delete, "dot1x radius delete 1"},
    {"dot1x user add", "NAME PASSWORD|- [0-15]", "a local user; - reads the password from stdin", user_add,
     "dot1x user add alice - 3"},
    {"dot1x user delete", "NAME", "forget a local user", user_delete, "dot1x user delete alice"},
};

}  // namespace

const Area kDot1xArea =
    area("dot1x", "802.1X: the system, RADIUS servers, local users and ports", kRows, write_config);

}  // namespace kelctl
