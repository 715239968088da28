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

constexpr uint32_t kModeMax = KEL_DRV_MIRROR_RX | KEL_DRV_MIRROR_TX;

MirrorSession *session(Context &c) {
    return c.b.session >= 1 && c.b.session <= KEL_DRV_MIRROR_SESSIONS ? &c.m.fwd.mirror[c.b.session]
                                                                      : nullptr;
}

bool is_monitor(const MirrorSession &s, uint32_t unit, uint32_t port) {
    return s.monitor_unit == unit && s.monitor_port == port;
}

int32_t monitor_set(Context &c) {
    MirrorSession *s = session(c);
    if (!s) return KEL_DRV_ERR_NO_SUCH_ENTRY;
    uint32_t u = c.b.unit, p = c.b.port;
    if (u == 0 && p == 0) {
        s->monitor_unit = s->monitor_port = 0;
        return KEL_DRV_OK;
    }
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    uint32_t role = 0, other = mirror_of(c.m, u, p, &role);
    if (c.m.topo.is_stack(u, p) || trunk_of(c.m, u, p)) return KEL_DRV_ERR_NOT_PERMITTED;
    if (other && !(other == c.b.session && role == KEL_DRV_MIRROR_MONITOR)) return KEL_DRV_ERR_NOT_PERMITTED;
    s->monitor_unit = u;
    s->monitor_port = p;
    return KEL_DRV_OK;
}

int32_t monitor_get(Context &c) {
    const MirrorSession *s = session(c);
    if (!s) return KEL_DRV_ERR_NO_SUCH_ENTRY;
    c.b.unit = s->monitor_unit;
    c.b.port = s->monitor_port;
    return KEL_DRV_OK;
}

int32_t mirrored_set(Context &c) {
    MirrorSession *s = session(c);
    if (!s) return KEL_DRV_ERR_NO_SUCH_ENTRY;
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    if (c.b.sel > kModeMax) return KEL_DRV_ERR_BAD_VALUE;
    uint32_t u = c.b.unit, p = c.b.port;
    uint32_t role = 0, other = mirror_of(c.m, u, p, &role);
    if (c.m.topo.is_stack(u, p) || role == KEL_DRV_MIRROR_MONITOR) return KEL_DRV_ERR_NOT_PERMITTED;
    if (other && other != c.b.session) return KEL_DRV_ERR_NOT_PERMITTED;
    put_port(s->rx, u, p, c.b.sel & KEL_DRV_MIRROR_RX);
    put_port(s->tx, u, p, c.b.sel & KEL_DRV_MIRROR_TX);
    return KEL_DRV_OK;
}

int32_t mirrored_get(Context &c) {
    const MirrorSession *s = session(c);
    if (!s) return KEL_DRV_ERR_NO_SUCH_ENTRY;
    if (c.b.sel < 1 || c.b.sel > kModeMax) return KEL_DRV_ERR_BAD_VALUE;
    if (!c.has_buf()) return KEL_DRV_ERR_NULL_BUFFER;
    iflist out;
    for (uint32_t w = 0; w < KEL_IFLIST_WORDS; ++w)
        out.word[w] = (c.b.sel & KEL_DRV_MIRROR_RX ? s->rx.word[w] : ~0u) &
                      (c.b.sel & KEL_DRV_MIRROR_TX ? s->tx.word[w] : ~0u);
    return answer(c, out);
}

int32_t session_get(Context &c) {
    const MirrorSession *s = session(c);
    if (!s) return KEL_DRV_ERR_NO_SUCH_ENTRY;
    if (!c.has_buf()) return KEL_DRV_ERR_NULL_BUFFER;
    kel_drv_mirror_session r;
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
    for (uint32_t id = 1; id <= KEL_DRV_MIRROR_SESSIONS; ++id) {
        const MirrorSession &s = m.fwd.mirror[id];
        uint32_t mode = (has_port(s.rx, unit, port) ? KEL_DRV_MIRROR_RX : 0) |
                        (has_port(s.tx, unit, port) ? KEL_DRV_MIRROR_TX : 0);
        if (is_monitor(s, unit, port)) mode = KEL_DRV_MIRROR_MONITOR;
        if (mode) {
            if (role) *role = mode;
            return id;
        }
    }
    if (role) *role = 0;
    return 0;
}

}  // namespace kelsim
