// mirror_frames.cpp - what a mirror session does to frames: a copy of every
// good frame a mirrored port receives (as received) or sends (as sent, with
// that port's tagging) goes out of the session's monitor port, whatever its
// VLANs, when the monitor port may send.
#include <initializer_list>

#include "dataplane/pipeline.h"

namespace kelsim {

void compile_mirrors(const Model &m, View &v) {
    for (uint32_t id = 1; id <= KEL_DRV_MIRROR_SESSIONS; ++id) {
        const MirrorSession &s = m.fwd.mirror[id];
        MirrorView &mv = v.mirror[id];
        mv.monitor =
            m.topo.exists(s.monitor_unit, s.monitor_port) ? slot_of(s.monitor_unit, s.monitor_port) : -1;
        mv.rx = s.rx;
        mv.tx = s.tx;
        for (const iflist *set : {&s.rx, &s.tx})
            for_each_slot(*set, [&](int slot) { v.port[slot].mirror = static_cast<uint8_t>(id); });
    }
}

int mirror_monitor(const View &v, int slot, bool received) {
    uint8_t id = v.port[slot].mirror;
    if (!id) return -1;
    const MirrorView &mv = v.mirror[id];
    if (!in_set(received ? mv.rx : mv.tx, slot) || mv.monitor < 0 || !in_set(v.sending, mv.monitor))
        return -1;
    return mv.monitor;
}

}  // namespace kelsim
