// dot1x.cpp - the simulated 802.1X port authentication (family 0x10).
//
// Switch and port settings read back through the system and port records;
// RADIUS servers live in four numbered slots and local users in a table of
// sixteen. The driver keeps the keys and passwords it is given but never
// hands one back out: the records it returns only say whether a key is set,
// and the rows that carry them are secret, so the trace does not show them.
#include <cstring>

#include "family/commands.h"
#include "family/policy.h"
#include "family/protocol_common.h"
#include "kel_driver.h"

namespace kelsim {

namespace {

constexpr Setting kOn = one_word(0x1001, Key::none, &kel_ioreq::value, 0, 0, 1);
constexpr Setting kMethod = one_word(0x1002, Key::none, &kel_ioreq::sel, KEL_DRV_DOT1X_AUTH_RADIUS, 0,
                                     KEL_DRV_DOT1X_AUTH_RADIUS_LOCAL);
constexpr Setting kControl =
    one_word(0x1004, Key::port, &kel_ioreq::value, KEL_DRV_DOT1X_FORCE_AUTHORIZED, 0, KEL_DRV_DOT1X_AUTO);
constexpr Setting kReauth = one_word(0x1006, Key::port, &kel_ioreq::value, 0, 0, 1);
constexpr Setting kReauthCount = one_word(0x1007, Key::port, kNoWord, 0, 0, 0);
constexpr Setting kReauthPeriod = one_word(0x1008, Key::port, &kel_ioreq::count, 3600, 1, 65535);
constexpr Setting kQuietPeriod = one_word(0x1009, Key::port, &kel_ioreq::count, 60, 0, 65535);
constexpr Setting kServerTimeout = one_word(0x100C, Key::port, &kel_ioreq::count, 30, 1, 65535);
constexpr Setting kMultiHost = one_word(0x100E, Key::port, &kel_ioreq::value, 0, 0, 1);
constexpr Setting kGuestVlan = one_word(0x100F, Key::port, &kel_ioreq::vid, 0, 0, KEL_VLAN_MAX);

constexpr uint32_t kMaxPrivilege = 15;

template <class F>
void each_port(const Model &m, F f) {
    for (uint32_t u = 1; u <= kMaxUnits; ++u)
        for (uint32_t p = 1; p <= m.topo.nports[u - 1]; ++p) f(u, p);
}

uint32_t auth_state(const Model &m, uint32_t u, uint32_t p) {
    if (!switch_value(m, kOn)) return KEL_DRV_DOT1X_AUTHORIZED;  // 802.1X is not applied
    switch (port_value(m, kControl, u, p)) {
        case KEL_DRV_DOT1X_FORCE_UNAUTHORIZED:
            return KEL_DRV_DOT1X_UNAUTHORIZED;
        case KEL_DRV_DOT1X_AUTO:
            if (m.proto.dot1x[u - 1][p - 1].authorized) return KEL_DRV_DOT1X_AUTHORIZED;
            return port_value(m, kGuestVlan, u, p) ? KEL_DRV_DOT1X_GUEST : KEL_DRV_DOT1X_UNAUTHORIZED;
        default:
            return KEL_DRV_DOT1X_AUTHORIZED;
    }
}

int32_t sys_info(Context &c) {
    const Model &m = c.m;
    kel_drv_dot1x_sys r;
    std::memset(&r, 0, sizeof r);
    r.enabled = switch_value(m, kOn);
    r.method = switch_value(m, kMethod);
    for (const RadiusSlot &s : m.proto.radius) r.radius_servers += s.used != 0;
    for (const LocalUser &user : m.proto.user) r.local_users += user.used != 0;
    each_port(m, [&](uint32_t u, uint32_t p) {
        r.auto_ports += port_value(m, kControl, u, p) == KEL_DRV_DOT1X_AUTO;
        r.reauth_requests += port_value(m, kReauthCount, u, p);
    });
    return answer(c, r);
}

int32_t port_info(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    const Model &m = c.m;
    uint32_t u = c.b.unit, p = c.b.port;
    kel_drv_dot1x_port r;
    std::memset(&r, 0, sizeof r);
    r.unit = u;
    r.port = p;
    r.control = port_value(m, kControl, u, p);
    r.auth_state = auth_state(m, u, p);
    r.multi_host = port_value(m, kMultiHost, u, p);
    r.reauth = port_value(m, kReauth, u, p);
    r.reauth_period = port_value(m, kReauthPeriod, u, p);
    r.quiet_period = port_value(m, kQuietPeriod, u, p);
    r.server_timeout = port_value(m, kServerTimeout, u, p);
    r.guest_vlan = port_value(m, kGuestVlan, u, p);
    r.reauth_count = port_value(m, kReauthCount, u, p);
    r.eapol_frames = m.proto.dot1x[u - 1][p - 1].eapol_frames;
    return answer(c, r);
}

// Reauthentication makes sense only where the port authenticates.
int32_t reauthenticate(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    uint32_t u = c.b.unit, p = c.b.port;
    if (!switch_value(c.m, kOn) || port_value(c.m, kControl, u, p) != KEL_DRV_DOT1X_AUTO)
        return KEL_DRV_ERR_NOT_PERMITTED;
    uint32_t key, v[3];
    setting_key(c.m, c.b, kReauthCount, &key);
    setting_read(c.m, kReauthCount, key, v);
    ++v[0];
    return setting_write(c.m, kReauthCount, key, v) ? KEL_DRV_OK : KEL_DRV_ERR_TABLE_FULL;
}

RadiusSlot *radius_slot(Context &c, int32_t *status) {
    if (c.b.index < 1 || c.b.index > KEL_DRV_RADIUS_SLOTS) {
        *status = KEL_DRV_ERR_BAD_VALUE;
        return nullptr;
    }
    *status = KEL_DRV_OK;
    return &c.m.proto.radius[c.b.index - 1];
}

int32_t radius_set(Context &c) {
    int32_t st;
    RadiusSlot *slot = radius_slot(c, &st);
    if (!slot) return st;
    if (!c.has_buf()) return KEL_DRV_ERR_NULL_BUFFER;
    kel_drv_radius_set r;
    if (int32_t st = c.get(r)) return st;
    size_t key_len = strnlen(r.key, sizeof r.key);
    if (r.addr == 0 || r.udp_port < 1 || r.udp_port > 65535 || key_len == 0) return KEL_DRV_ERR_BAD_VALUE;
    std::memset(slot, 0, sizeof *slot);
    slot->used = 1;
    slot->addr = r.addr;
    slot->udp_port = r.udp_port;
    std::memcpy(slot->key, r.key, key_len);
    std::memset(&r, 0, sizeof r);
    return KEL_DRV_OK;
}

int32_t radius_del(Context &c) {
    int32_t st;
    RadiusSlot *slot = radius_slot(c, &st);
    if (!slot) return st;
    if (!slot->used) return KEL_DRV_ERR_NO_SUCH_ENTRY;
    std::memset(slot, 0, sizeof *slot);
    return KEL_DRV_OK;
}

int32_t radius_get(Context &c) {
    int32_t st;
    RadiusSlot *slot = radius_slot(c, &st);
    if (!slot) return st;
    if (!slot->used) return KEL_DRV_ERR_NO_SUCH_ENTRY;
    kel_drv_radius_server r;
    std::memset(&r, 0, sizeof r);
    r.index = c.b.index;
    r.addr = slot->addr;
    r.udp_port = slot->udp_port;
    r.key_set = slot->key[0] != '\0';
    return answer(c, r);
}

// The user of a name, compared as the driver stores names: cut at 64.
LocalUser *find_user(Model &m, const char *name, size_t len) {
    for (LocalUser &user : m.proto.user)
        if (user.used && strnlen(user.name, sizeof user.name) == len &&
            std::memcmp(user.name, name, len) == 0)
            return &user;
    return nullptr;
}

int32_t user_set(Context &c) {
    if (!c.has_buf()) return KEL_DRV_ERR_NULL_BUFFER;
    kel_drv_user_set r;
    if (int32_t st = c.get(r)) return st;
    size_t name_len = strnlen(r.name, sizeof r.name), pass_len = strnlen(r.password, sizeof r.password);
    int32_t st = KEL_DRV_OK;
    if (name_len == 0 || pass_len == 0 || r.value > kMaxPrivilege || !printable_name(r.name, name_len))
        st = KEL_DRV_ERR_BAD_VALUE;
    LocalUser *user = st ? nullptr : find_user(c.m, r.name, name_len);
    for (size_t i = 0; !st && !user && i < kLocalUsers; ++i)
        if (!c.m.proto.user[i].used) user = &c.m.proto.user[i];
    if (!st && !user) st = KEL_DRV_ERR_TABLE_FULL;
    if (!st) {
        std::memset(user, 0, sizeof *user);
        user->used = 1;
        user->value = r.value;
        std::memcpy(user->name, r.name, name_len);
        std::memcpy(user->password, r.password, pass_len);
    }
    std::memset(&r, 0, sizeof r);
    return st;
}

int32_t user_del(Context &c) {
    char name[KEL_DRV_USER_TEXT_WIDTH + 1];
    size_t len;
    if (int32_t st = c.get_text(name, KEL_DRV_USER_TEXT_WIDTH, &len)) return st;
    LocalUser *user = find_user(c.m, name, len);
    if (!user) return KEL_DRV_ERR_NO_SUCH_ENTRY;
    std::memset(user, 0, sizeof *user);
    return KEL_DRV_OK;
}

int32_t user_next(Context &c) {
    for (uint32_t i = c.b.index; i < kLocalUsers; ++i) {
        const LocalUser &user = c.m.proto.user[i];
        if (!user.used) continue;
        kel_drv_user r;
        std::memset(&r, 0, sizeof r);
        std::memcpy(r.name, user.name, sizeof user.name);
        r.value = user.value;
        if (int32_t st = answer(c, r)) return st;
        c.b.index = i + 1;
        return KEL_DRV_OK;
    }
    return KEL_DRV_ERR_END_OF_TABLE;
}

const Command kDot1x[] = {
    {0x1001, "dot1x_status_set", setting_set, &kOn},
    {0x1002, "dot1x_authentic_set", setting_set, &kMethod},
    {0x1003, "dot1x_sys_info_get", sys_info},
    {0x1004, "dot1x_port_ctrl_set", setting_set, &kControl},
    {0x1005, "dot1x_port_info_get", port_info},
    {0x1006, "dot1x_reauth_enable_set", setting_set, &kReauth},
    {0x1007, "dot1x_reauthenticate_set", reauthenticate},
    {0x1008, "dot1x_reauth_period_set", setting_set, &kReauthPeriod},
    {0x1009, "dot1x_quiet_period_set", setting_set, &kQuietPeriod},
    {0x100A, nullptr, nullptr},
    {0x100B, nullptr, nullptr},
    {0x100C, "dot1x_server_timeout_set", setting_set, &kServerTimeout},
    {0x100D, nullptr, nullptr},
    {0x100E, "dot1x_multi_host_set", setting_set, &kMultiHost},
    {0x100F, "dot1x_guest_vlan_set", setting_set, &kGuestVlan},
    {0x1010, "dot1x_radius_set", radius_set, nullptr, In::fixed, sizeof(kel_drv_radius_set), true},
    {0x1011, "dot1x_radius_del", radius_del},
    {0x1012, "dot1x_radius_get", radius_get},
    {0x1013, "dot1x_user_set", user_set, nullptr, In::fixed, sizeof(kel_drv_user_set), true},
    {0x1014, "dot1x_user_del", user_del, nullptr, In::text, KEL_DRV_USER_TEXT_WIDTH + 1},
    {0x1015, "dot1x_user_getnext", user_next},
};

}  // namespace

const Family kDot1xFamily = family(kDot1x);

uint32_t dot1x_frame_state(const Model &m, uint32_t unit, uint32_t port) {
    if (!switch_value(m, kOn) || port_value(m, kControl, unit, port) == KEL_DRV_DOT1X_FORCE_AUTHORIZED)
        return 0;
    return auth_state(m, unit, port);
}

bool dot1x_single_host(const Model &m, uint32_t unit, uint32_t port) {
    return port_value(m, kMultiHost, unit, port) == 0;
}

uint32_t dot1x_guest_vlan(const Model &m, uint32_t unit, uint32_t port) {
    return port_value(m, kGuestVlan, unit, port);
}

uint32_t dot1x_server_timeout(const Model &m, uint32_t unit, uint32_t port) {
    return port_value(m, kServerTimeout, unit, port);
}

int32_t dot1x_authorize(Model &m, uint32_t unit, uint32_t port, const uint8_t *station) {
    if (!m.topo.exists(unit, port) || m.topo.is_stack(unit, port)) return KEL_DRV_ERR_NO_SUCH_PORT;
    if (station && (station[0] & 1u)) return KEL_DRV_ERR_BAD_VALUE;
    Dot1xPort &d = m.proto.dot1x[unit - 1][port - 1];
    d.authorized = station != nullptr;
    std::memset(d.station, 0, sizeof d.station);
    if (station) std::memcpy(d.station, station, 6);
    return KEL_DRV_OK;
}

Dot1xSettings dot1x_settings(const Model &m, uint32_t unit, uint32_t port) {
    Dot1xSettings s;
    s.authenticates = switch_value(m, kOn) && port_value(m, kControl, unit, port) == KEL_DRV_DOT1X_AUTO;
    s.reauth = port_value(m, kReauth, unit, port) != 0;
    s.reauth_period = port_value(m, kReauthPeriod, unit, port);
    s.quiet_period = port_value(m, kQuietPeriod, unit, port);
    s.server_timeout = port_value(m, kServerTimeout, unit, port);
    s.reauth_requests = port_value(m, kReauthCount, unit, port);
    return s;
}

uint32_t dot1x_method(const Model &m) { return switch_value(m, kMethod); }

}  // namespace kelsim

namespace kelsim {

void dot1x_count_eapol(Model &m, uint32_t unit, uint32_t port) {
    ++m.proto.dot1x[unit - 1][port - 1].eapol_frames;
}

}  // namespace kelsim
