// dot1x.cpp - kelctl's 802.1X: show the system, its RADIUS servers, local
// users and ports, and change them. Keys and passwords go to the driver and
// nowhere else: they are never printed, and "-" reads one from standard
// input so that it stays out of the process list.
#include <cstring>

#include "protocol.h"

namespace kelctl {

namespace {

const std::vector<const char *> kMethods = {"radius", "local", "radius-local"};
const std::vector<const char *> kControls = {"force-authorized", "force-unauthorized", "auto"};
const std::vector<const char *> kAuthStates = {"", "authorized", "unauthorized", "guest"};
constexpr uint32_t kDefaultRadiusPort = 1812;
constexpr size_t kUserNameMax = 64;

int show_dot1x(const Args &args) {
    if (args.size() > 1) return usage_error("show dot1x takes at most one port list");
    iflist ports;
    if (!ports_argument(args, 0, &ports)) return kExitUsage;
    kel_drv_dot1x_sys sys;
    if (int32_t rc = kel_dot1x_sys_info_get(&sys)) return fail("reading 802.1X", rc);
    Table t({"802.1X", ""});
    t.add({"State", enabled(sys.enabled)});
    t.add({"Method", name_of(kMethods, sys.method)});
    t.add({"RADIUS servers", std::to_string(sys.radius_servers)});
    t.add({"Local users", std::to_string(sys.local_users)});
    t.print();

    write_out("\n");
    Table servers({"Server", "Address", "UDP port", "Key"});
    for (uint32_t i = 1; i <= KEL_DRV_RADIUS_SLOTS; ++i) {
        kel_drv_radius_server r;
        if (kel_dot1x_radius_get(i, &r) != 0) continue;  // an empty slot
        servers.add({std::to_string(i), ipv4(r.addr), std::to_string(r.udp_port), r.key_set ? "(set)" : "-"});
    }
    servers.print();

    write_out("\n");
    Table users({"User", "Privilege"});
    uint32_t cursor = 0;
    kel_drv_user u;
    while (kel_dot1x_user_getnext(&cursor, &u) == 0) {
        u.name[sizeof u.name - 1] = '\0';
        users.add({u.name, std::to_string(u.value)});
    }
    users.print();

    write_out("\n");
    Table pt(
        {"Port", "Control", "State", "Multi-host", "Reauth", "Period", "Quiet", "Timeout", "Guest VLAN"});
    int status = kExitOk;
    for (const ifport &p : ports_in(ports)) {
        kel_drv_dot1x_port r;
        if (int32_t rc = kel_dot1x_port_info_get(&p, &r)) {
            status = fail(("reading port " + port_name(p)).c_str(), rc);
            continue;
        }
        pt.add({port_name(p), name_of(kControls, r.control), name_of(kAuthStates, r.auth_state),
                yes_no(r.multi_host), enabled(r.reauth), std::to_string(r.reauth_period) + " s",
                std::to_string(r.quiet_period) + " s", std::to_string(r.server_timeout) + " s",
                r.guest_vlan ? std::to_string(r.guest_vlan) : "-"});
    }
    pt.print();
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

const std::vector<PortSetting> kPortSettings = {
    {"control", Value::choice, kControls, 0, 0, kel_dot1x_port_ctrl_set},
    {"reauth", Value::on_off, {}, 0, 0, kel_dot1x_reauth_enable_set},
    {"reauth-period", Value::number, {}, 1, 65535, kel_dot1x_reauth_period_set},
    {"quiet-period", Value::number, {}, 0, 65535, kel_dot1x_quiet_period_set},
    {"server-timeout", Value::number, {}, 1, 65535, kel_dot1x_server_timeout_set},
    {"multi-host", Value::on_off, {}, 0, 0, kel_dot1x_multi_host_set},
    {"guest-vlan", Value::number, {}, 0, KEL_VLAN_MAX, guest_vlan},
    {"reauthenticate", Value::none, {}, 0, 0, reauthenticate},
};

int port(const Args &args) {
    if (args.size() == 3 && args[1] == "guest-vlan" && args[2] == "none") {
        Args cleared = args;
        cleared[2] = "0";
        return run_port_setting(cleared, kPortSettings, "dot1x port");
    }
    return run_port_setting(args, kPortSettings, "dot1x port");
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
    if (rc) return fail(("setting RADIUS server " + args[0]).c_str(), rc);
    return kExitOk;
}

int radius_delete(const Args &args) {
    uint32_t slot;
    if (args.size() != 1) return usage_error("dot1x radius delete takes a slot");
    if (!parse_number(args[0], 1, KEL_DRV_RADIUS_SLOTS, "server slot", &slot)) return kExitUsage;
    if (int32_t rc = kel_dot1x_radius_del(slot))
        return fail(("deleting RADIUS server " + args[0]).c_str(), rc);
    return kExitOk;
}

int user_add(const Args &args) {
    if (args.size() < 2 || args.size() > 3)
        return usage_error("dot1x user add takes NAME PASSWORD|- [PRIVILEGE]");
    uint32_t privilege = 1;
    if (args.size() == 3 && !parse_number(args[2], 0, 15, "privilege", &privilege)) return kExitUsage;
    if (!parse_name(args[0], kUserNameMax, "user name")) return kExitUsage;
    std::string password;
    if (!read_secret(args[1], "password", &password)) return kExitUsage;
    if (password.size() > 64) say("the password is cut to its first 64 characters");
    int32_t rc = kel_dot1x_user_set(args[0].c_str(), password.c_str(), privilege);
    forget(&password);
    if (rc) return fail(("setting user " + args[0]).c_str(), rc);
    return kExitOk;
}

int user_delete(const Args &args) {
    if (args.size() != 1) return usage_error("dot1x user delete takes a name");
    if (!parse_name(args[0], kUserNameMax, "user name")) return kExitUsage;
    if (int32_t rc = kel_dot1x_user_del(args[0].c_str()))
        return fail(("deleting user " + args[0]).c_str(), rc);
    return kExitOk;
}

const Subcommand kRows[] = {
    {"show dot1x", "[PORTS]", "802.1X, RADIUS servers, local users and ports", show_dot1x},
    {"dot1x", "enable|disable", "run 802.1X or not", on_off},
    {"dot1x method", "radius|local|radius-local", "how users are authenticated", method},
    {"dot1x port", "PORTS SETTING [VALUE]",
     "control force-authorized|force-unauthorized|auto, reauth E, reauth-period S, quiet-period S, "
     "server-timeout S, multi-host E, guest-vlan VID|none, reauthenticate",
     port},
    {"dot1x radius add", "1-4 ADDRESS KEY|- [UDP-PORT]", "a RADIUS server; - reads the key from stdin",
     radius_add},
    {"dot1x radius delete", "1-4", "forget a RADIUS server", radius_delete},
    {"dot1x user add", "NAME PASSWORD|- [0-15]", "a local user; - reads the password from stdin", user_add},
    {"dot1x user delete", "NAME", "forget a local user", user_delete},
};

}  // namespace

const Area kDot1xArea = area(kRows);

}  // namespace kelctl
