// trunk_frames.cpp - a trunk as frames see it: one logical port. Learning
// and flooding treat its members as one (arl_frames.cpp); a frame that
// leaves by the trunk leaves by one member, chosen by the trunk's
// distribution criteria from the members that may send now (link up,
// forwarding) and belong to the frame's VLAN, so that the frames of one
// conversation keep their order. IP criteria spread IPv4 frames by their
// addresses and other frames by the MAC addresses of the same side.
#include "dataplane/pipeline.h"

namespace kelsim {

namespace {

uint32_t mix(const uint8_t *p, int n, uint32_t h) {
    for (int i = 0; i < n; ++i) h = (h ^ p[i]) * 16777619u;
    return h;
}

// The hash of a frame's conversation by criteria (KEL_DRV_TRUNK_*).
uint32_t conversation(const Frame &f, uint32_t criteria) {
    const uint8_t *src = f.src(), *dst = f.dst();
    int n = 6;
    bool by_ip = criteria >= KEL_DRV_TRUNK_SRC_IP && f.type() == 0x0800 && f.len >= f.payload() + 20;
    if (by_ip) {
        src = f.data + f.payload() + 12;
        dst = src + 4;
        n = 4;
    }
    uint32_t side = (criteria - 1) % 3;  // 0 source, 1 destination, 2 both
    uint32_t h = 2166136261u;
    if (side != 1) h = mix(src, n, h);
    if (side != 0) h = mix(dst, n, h);
    return h ^ (h >> 15);
}

}  // namespace

void compile_trunks(const Model &m, View &v) {
    v.trunks_in_use = 0;
    for (uint32_t id = 1; id <= KEL_DRV_TRUNKS; ++id) {
        const Trunk &t = m.fwd.trunk[id];
        TrunkView &tv = v.trunk[id];
        std::memset(&tv, 0, sizeof tv);
        if (!t.kind) continue;
        v.trunks_in_use |= 1u << id;
        tv.criteria = t.criteria;
        tv.members = t.members;
        for_each_slot(t.members, [&](int s) {
            v.port[s].trunk = static_cast<uint8_t>(id);
            if (in_set(v.sending, s)) tv.active[tv.active_count++] = static_cast<int16_t>(s);
        });
    }
}

Verdict trunk_egress(View &v, Frame &f, Effects &) {
    for (uint32_t id = 1; v.trunks_in_use >> id; ++id) {
        const TrunkView &t = v.trunk[id];
        uint32_t hit = 0;
        for (int w = 0; w < KEL_IFLIST_WORDS; ++w) {
            hit |= f.out.word[w] & t.members.word[w];
            f.out.word[w] &= ~t.members.word[w];
        }
        if (!hit) continue;  // (the ingress trunk was left out of flooding, and filters its own stations)
        int16_t choice[KEL_DRV_TRUNK_MEMBERS];
        uint32_t n = 0;
        for (uint32_t i = 0; i < t.active_count; ++i)
            if (in_set(v.vlan[f.vid].members, t.active[i])) choice[n++] = t.active[i];
        if (n) add_to(f.out, choice[conversation(f, t.criteria) % n]);
    }
    return Verdict::forward;
}

}  // namespace kelsim
