// portsecu.cpp - the simulated port security (family 0x17).
//
// Secure addresses, configured (static) and learned (dynamic), share one
// table of the switch; an address is secure on one port at most, and a
// port holds at most its maximum. Learning and violations happen as the
// dataplane's frames arrive (portsecu_frames.cpp, through the functions
// below), or when a test reports a frame (protocol_control.h).
#include <cstring>

#include "entry/control.h"
#include "family/commands.h"
#include "family/policy.h"
#include "family/protocol_common.h"
#include "family/protocol_control.h"
#include "kel_driver.h"

namespace kelsim {

namespace {

constexpr Setting kEnable = one_word(0x1701, Key::port, &kel_ioreq::value, 0, 0, 1);
constexpr Setting kMaximum = one_word(0x1705, Key::port, &kel_ioreq::count, 1, 1, KEL_DRV_SECURE_MAX);
constexpr Setting kViolation =
    one_word(0x1706, Key::port, &kel_ioreq::sel, KEL_DRV_VIOLATION_SHUTDOWN, 0, KEL_DRV_VIOLATION_SHUTDOWN);
constexpr Setting kAgeTime = one_word(0x1707, Key::port, &kel_ioreq::count, 0, 0, 1440);
constexpr Setting kAgeType =
    one_word(0x1708, Key::port, &kel_ioreq::sel, KEL_DRV_SECU_AGE_ABSOLUTE, 0, KEL_DRV_SECU_AGE_INACTIVITY);
constexpr Setting kShutdown = one_word(0x1709, Key::port, &kel_ioreq::count, 0, 0, 86400);

bool valid_secure_mac(const uint8_t *mac) {
    static const uint8_t zero[6] = {};
    return (mac[0] & 1u) == 0 && std::memcmp(mac, zero, 6) != 0;
}

SecureAddr *find_addr(Model &m, const uint8_t *mac) {
    for (SecureAddr &a : m.proto.secure)
        if (a.used && std::memcmp(a.mac, mac, 6) == 0) return &a;
    return nullptr;
}

uint32_t count_addrs(const Model &m, uint32_t unit, uint32_t port, uint32_t type) {
    uint32_t n = 0;
    for (const SecureAddr &a : m.proto.secure)
        n += a.used && a.unit == unit && a.port == port && (type == KEL_DRV_SECURE_ALL || a.type == type);
    return n;
}

bool add_addr(Model &m, uint32_t unit, uint32_t port, const uint8_t *mac, uint32_t type, uint64_t now = 0) {
    for (SecureAddr &a : m.proto.secure)
        if (!a.used) {
            a = SecureAddr{1,
                           static_cast<uint8_t>(unit),
                           static_cast<uint8_t>(port),
                           static_cast<uint8_t>(type),
                           {},
                           {},
                           now,
                           now};
            std::memcpy(a.mac, mac, 6);
            return true;
        }
    return false;
}

PortSecuPort &port_state(Model &m, uint32_t unit, uint32_t port) { return m.proto.secu[unit - 1][port - 1]; }

int32_t maximum_set(Context &c) {
    if (c.port_exists() && c.b.count >= 1 &&
        c.b.count < count_addrs(c.m, c.b.unit, c.b.port, KEL_DRV_SECURE_ALL))
        return KEL_DRV_ERR_NOT_PERMITTED;  // the port already holds more addresses
    return setting_set(c);
}

int32_t mac_set(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    if (!valid_secure_mac(c.b.mac)) return KEL_DRV_ERR_BAD_VALUE;
    if (SecureAddr *a = find_addr(c.m, c.b.mac)) {
        if (a->unit != c.b.unit || a->port != c.b.port || a->type == KEL_DRV_SECURE_STATIC)
            return KEL_DRV_ERR_EXISTS;
        a->type = KEL_DRV_SECURE_STATIC;  // a learned address becomes a configured one
        return KEL_DRV_OK;
    }
    if (count_addrs(c.m, c.b.unit, c.b.port, KEL_DRV_SECURE_ALL) >=
        port_value(c.m, kMaximum, c.b.unit, c.b.port))
        return KEL_DRV_ERR_TABLE_FULL;
    return add_addr(c.m, c.b.unit, c.b.port, c.b.mac, KEL_DRV_SECURE_STATIC) ? KEL_DRV_OK
                                                                             : KEL_DRV_ERR_TABLE_FULL;
}

int32_t mac_del(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    SecureAddr *a = find_addr(c.m, c.b.mac);
    if (!a || a->unit != c.b.unit || a->port != c.b.port || a->type != KEL_DRV_SECURE_STATIC)
        return KEL_DRV_ERR_NO_SUCH_ENTRY;
    std::memset(a, 0, sizeof *a);
    return KEL_DRV_OK;
}

int32_t mac_next(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    if (c.b.sel > KEL_DRV_SECURE_DYNAMIC) return KEL_DRV_ERR_BAD_VALUE;
    for (uint32_t i = c.b.index; i < kSecureAddrs; ++i) {
        const SecureAddr &a = c.m.proto.secure[i];
        if (!a.used || a.unit != c.b.unit || a.port != c.b.port || (c.b.sel && a.type != c.b.sel)) continue;
        if (!c.has_buf()) return KEL_DRV_ERR_NULL_BUFFER;
        kel_drv_secure_addr r;
        std::memset(&r, 0, sizeof r);
        std::memcpy(r.mac, a.mac, 6);
        r.type = a.type;
        r.unit = a.unit;
        r.port = a.port;
        if (int32_t st = answer(c, r)) return st;
        c.b.index = i + 1;
        return KEL_DRV_OK;
    }
    return KEL_DRV_ERR_END_OF_TABLE;
}

int32_t reup(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    PortSecuPort &s = port_state(c.m, c.b.unit, c.b.port);
    if (!s.shut) return KEL_DRV_ERR_NOT_PERMITTED;  // the port is up
    s.shut = 0;
    return KEL_DRV_OK;
}

// Unit and port 0 clear the learned addresses of every port.
int32_t dynamic_if_clear(Context &c) {
    bool all = c.b.unit == 0 && c.b.port == 0;
    if (!all && !c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    for (SecureAddr &a : c.m.proto.secure)
        if (a.used && a.type == KEL_DRV_SECURE_DYNAMIC && (all || (a.unit == c.b.unit && a.port == c.b.port)))
            std::memset(&a, 0, sizeof a);
    return KEL_DRV_OK;
}

int32_t dynamic_clear(Context &c) {
    SecureAddr *a = find_addr(c.m, c.b.mac);
    if (!a || a->type != KEL_DRV_SECURE_DYNAMIC) return KEL_DRV_ERR_NO_SUCH_ENTRY;
    std::memset(a, 0, sizeof *a);
    return KEL_DRV_OK;
}

int32_t info(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    if (!c.has_buf()) return KEL_DRV_ERR_NULL_BUFFER;
    const Model &m = c.m;
    uint32_t u = c.b.unit, p = c.b.port;
    kel_drv_portsecu r;
    std::memset(&r, 0, sizeof r);
    r.unit = u;
    r.port = p;
    r.maximum = port_value(m, kMaximum, u, p);
    r.enabled = port_value(m, kEnable, u, p);
    r.violation = port_value(m, kViolation, u, p);
    r.age_time = port_value(m, kAgeTime, u, p);
    r.age_type = port_value(m, kAgeType, u, p);
    r.shutdown_time = port_value(m, kShutdown, u, p);
    r.shut = m.proto.secu[u - 1][p - 1].shut;
    r.violations = m.proto.secu[u - 1][p - 1].violations;
    r.static_count = count_addrs(m, u, p, KEL_DRV_SECURE_STATIC);
    r.dynamic_count = count_addrs(m, u, p, KEL_DRV_SECURE_DYNAMIC);
    return answer(c, r);
}

const Command kPortSecu[] = {
    {0x1701, "portsecu_enable_set", setting_set, &kEnable},
    {0x1702, "portsecu_mac_set", mac_set},
    {0x1703, "portsecu_mac_del", mac_del},
    {0x1704, "portsecu_mac_getnext", mac_next},
    {0x1705, "portsecu_maxaddr_set", maximum_set, &kMaximum},
    {0x1706, "portsecu_violation_set", setting_set, &kViolation},
    {0x1707, "portsecu_age_time_set", setting_set, &kAgeTime},
    {0x1708, "portsecu_age_type_set", setting_set, &kAgeType},
    {0x1709, "portsecu_shutdown_set", setting_set, &kShutdown},
    {0x170A, "portsecu_port_reup", reup},
    {0x170B, "portsecu_dynamic_mac_if_clear", dynamic_if_clear},
    {0x170C, "portsecu_dynamic_mac_clear", dynamic_clear},
    {0x170D, "portsecu_info_get", info},
};

bool frame_passes(Model &m, uint32_t unit, uint32_t port, const uint8_t *mac) {
    if (!m.topo.exists(unit, port)) return false;
    PortSecuPort &s = port_state(m, unit, port);
    if (!port_value(m, kEnable, unit, port)) return true;
    if (s.shut) return false;
    if (const SecureAddr *a = find_addr(m, mac)) {
        if (a->unit == unit && a->port == port) return true;
    } else if (valid_secure_mac(mac) &&
               count_addrs(m, unit, port, KEL_DRV_SECURE_ALL) < port_value(m, kMaximum, unit, port) &&
               add_addr(m, unit, port, mac, KEL_DRV_SECURE_DYNAMIC, clock_now(m))) {
        return true;
    }
    uint32_t action = port_value(m, kViolation, unit, port);
    if (action != KEL_DRV_VIOLATION_PROTECT) ++s.violations;
    if (action == KEL_DRV_VIOLATION_SHUTDOWN) {
        s.shut = 1;
        s.shut_at = clock_now(m);
    }
    return false;
}

}  // namespace

const Family kPortSecuFamily = family(kPortSecu);

SecuSettings portsecu_settings(const Model &m, uint32_t unit, uint32_t port) {
    return SecuSettings{port_value(m, kEnable, unit, port), port_value(m, kMaximum, unit, port),
                        port_value(m, kViolation, unit, port), m.proto.secu[unit - 1][port - 1].shut};
}

bool portsecu_learned(Model &m, uint32_t unit, uint32_t port, const uint8_t *mac, uint64_t now) {
    if (find_addr(m, mac) || !valid_secure_mac(mac) ||
        count_addrs(m, unit, port, KEL_DRV_SECURE_ALL) >= port_value(m, kMaximum, unit, port))
        return false;
    return add_addr(m, unit, port, mac, KEL_DRV_SECURE_DYNAMIC, now);
}

void portsecu_seen(Model &m, const uint8_t *mac, uint64_t now) {
    if (SecureAddr *a = find_addr(m, mac)) a->seen = now;
}

void portsecu_violated(Model &m, uint32_t unit, uint32_t port, bool shut, uint64_t now) {
    PortSecuPort &s = port_state(m, unit, port);
    ++s.violations;
    if (shut && !s.shut) {
        s.shut = 1;
        s.shut_at = now;
    }
}

bool portsecu_upkeep(Model &m, uint64_t now) {
    bool changed = false;
    for (SecureAddr &a : m.proto.secure) {
        if (!a.used || a.type != KEL_DRV_SECURE_DYNAMIC) continue;
        uint64_t minutes = port_value(m, kAgeTime, a.unit, a.port);
        uint64_t since =
            port_value(m, kAgeType, a.unit, a.port) == KEL_DRV_SECU_AGE_INACTIVITY ? a.seen : a.learned;
        if (minutes && now >= since && now - since >= minutes * 60) {
            std::memset(&a, 0, sizeof a);
            changed = true;
        }
    }
    for (uint32_t u = 1; u <= kMaxUnits; ++u)
        for (uint32_t p = 1; p <= m.topo.nports[u - 1]; ++p) {
            PortSecuPort &s = port_state(m, u, p);
            uint64_t after = port_value(m, kShutdown, u, p);
            if (s.shut && after && now >= s.shut_at && now - s.shut_at >= after) {
                s.shut = 0;
                changed = true;
            }
        }
    return changed;
}

bool portsecu_frame(uint32_t unit, uint32_t port, const uint8_t mac[6]) {
    bool passes = false;
    with_model([&](Model &m) { passes = frame_passes(m, unit, port, mac); });
    return passes;
}

}  // namespace kelsim
