// cmd_mirror.cpp - the simulated port mirroring (family 0x08).
//
// Sessions 1 to 4, each with at most one monitor port and a set of mirrored
// ports by direction. A port is mirrored by one session at a time; a monitor
// port is mirrored by none and belongs to no trunk, so no port can ever be
// both a source and a destination of copies.
#include <cstring>

#include "forwarding.h"

namespace kelsim {

namespace {

constexpr uint32_t kModeMax = kMirrorRx | kMirrorTx;

MirrorSession *session(Context &c) {
    return c.b.session >= 1 && c.b.session <= kMirrorSessions ? &c.m.fwd.mirror[c.b.session] : nullptr;
}

bool is_monitor(const MirrorSession &s, uint32_t unit, uint32_t port) {
    return s.monitor_unit == unit && s.monitor_port == port;
}

int32_t monitor_set(Context &c) {
    MirrorSession *s = session(c);
    if (!s) return kNoSuchEntry;
    uint32_t u = c.b.unit, p = c.b.port;
    if (u == 0 && p == 0) {
        s->monitor_unit = s->monitor_port = 0;
        return kOk;
    }
    if (!c.port_exists()) return kNoSuchPort;
    uint32_t role = 0, other = mirror_of(c.m, u, p, &role);
    if (c.m.topo.is_stack(u, p) || trunk_of(c.m, u, p)) return kNotPermitted;
    if (other && !(other == c.b.session && role == kMirrorRoleMonitor)) return kNotPermitted;
    s->monitor_unit = u;
    s->monitor_port = p;
    return kOk;
}

int32_t monitor_get(Context &c) {
    const MirrorSession *s = session(c);
    if (!s) return kNoSuchEntry;
    c.b.unit = s->monitor_unit;
    c.b.port = s->monitor_port;
    return kOk;
}

int32_t mirrored_set(Context &c) {
    MirrorSession *s = session(c);
    if (!s) return kNoSuchEntry;
    if (!c.port_exists()) return kNoSuchPort;
    if (c.b.sel > kModeMax) return kBadValue;
    uint32_t u = c.b.unit, p = c.b.port;
    uint32_t role = 0, other = mirror_of(c.m, u, p, &role);
    if (c.m.topo.is_stack(u, p) || role == kMirrorRoleMonitor) return kNotPermitted;
    if (other && other != c.b.session) return kNotPermitted;
    put_port(s->rx, u, p, c.b.sel & kMirrorRx);
    put_port(s->tx, u, p, c.b.sel & kMirrorTx);
    return kOk;
}

int32_t mirrored_get(Context &c) {
    const MirrorSession *s = session(c);
    if (!s) return kNoSuchEntry;
    if (c.b.sel < 1 || c.b.sel > kModeMax) return kBadValue;
    if (!c.has_buf()) return kNullBuffer;
    iflist out;
    for (uint32_t w = 0; w < KEL_IFLIST_WORDS; ++w)
        out.word[w] =
            (c.b.sel & kMirrorRx ? s->rx.word[w] : ~0u) & (c.b.sel & kMirrorTx ? s->tx.word[w] : ~0u);
    return answer(c, out);
}

int32_t session_get(Context &c) {
    const MirrorSession *s = session(c);
    if (!s) return kNoSuchEntry;
    if (!c.has_buf()) return kNullBuffer;
    MirrorSessionRecord r;
    r.session = c.b.session;
    r.monitor_unit = s->monitor_unit;
    r.monitor_port = s->monitor_port;
    r.active = s->monitor_port && (count_ports(s->rx) || count_ports(s->tx)) ? 1 : 0;
    r.rx = s->rx;
    r.tx = s->tx;
    return answer(c, r);
}

const Command kMirror[] = {
    {0x0801, "mirror_monitor_set", monitor_set},   {0x0802, "mirror_monitor_get", monitor_get},
    {0x0803, "mirror_mirrored_set", mirrored_set}, {0x0804, "mirror_mirrored_get", mirrored_get},
    {0x0805, "mirror_session_get", session_get},
};

}  // namespace

const Family kMirrorFamily = family(kMirror);

uint32_t mirror_of(const Model &m, uint32_t unit, uint32_t port, uint32_t *role) {
    for (uint32_t id = 1; id <= kMirrorSessions; ++id) {
        const MirrorSession &s = m.fwd.mirror[id];
        uint32_t mode =
            (has_port(s.rx, unit, port) ? kMirrorRx : 0) | (has_port(s.tx, unit, port) ? kMirrorTx : 0);
        if (is_monitor(s, unit, port)) mode = kMirrorRoleMonitor;
        if (mode) {
            if (role) *role = mode;
            return id;
        }
    }
    if (role) *role = 0;
    return 0;
}

}  // namespace kelsim
