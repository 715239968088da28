// trunk_frames.cpp - a trunk as frames see it: one logical port. Learning
// and flooding treat its members as one (arl_frames.cpp); a frame that
// leaves by the trunk leaves by one member, chosen by the trunk's
// distribution criteria from the members that may send now (link up,
// forwarding) and belong to the frame's VLAN, so that the frames of one
// conversation keep their order. IP criteria spread IPv4 frames by their
// addresses and other frames by the MAC addresses of the same side.
//
// A dynamic trunk's members run LACP (lacp_run.h): a member carries frames,
// both ways, only while LACP has it collecting and distributing; LACPDUs go
// to the protocol after the batch.
#include "dataplane/pipeline.h"
#include "family/forwarding.h"

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
        tv.kind = t.kind;
        tv.criteria = t.criteria;
        tv.members = t.members;
        for_each_slot(t.members, [&](int s) { v.port[s].trunk = static_cast<uint8_t>(id); });
        activate_trunk(v, id);
    }
}

void activate_trunk(View &v, uint32_t id) {
    TrunkView &tv = v.trunk[id];
    tv.active_count = 0;
    for_each_slot(tv.members, [&](int s) {
        bool lacp_lets = tv.kind != KEL_DRV_TRUNK_DYNAMIC || in_set(v.lacp.distributing, s);
        if (in_set(v.sending, s) && lacp_lets) tv.active[tv.active_count++] = static_cast<int16_t>(s);
    });
}

void compile_lacp(const Model &m, View &v) {
    LacpView &l = v.lacp;
    l.system.priority = static_cast<uint16_t>(read_setting(m, kLacpSysPrio, 0));
    std::memcpy(l.system.mac, m.sys.mac, 6);
    std::memset(l.port, 0, sizeof l.port);
    for (uint32_t id = 1; id <= KEL_DRV_TRUNKS; ++id) {
        const Trunk &t = m.fwd.trunk[id];
        if (t.kind != KEL_DRV_TRUNK_DYNAMIC) continue;
        for_each_slot(t.members, [&](int s) {
            lacp::PortConfig &c = l.port[s];
            c.present = true;
            c.link = v.port[s].link;
            c.fast = m.fwd.lacp.fast;
            c.key = static_cast<uint16_t>(id);
            c.priority =
                static_cast<uint16_t>(read_setting(m, kLacpPortPrio, port_key(unit_of(s), port_of(s))));
            c.number = static_cast<uint16_t>(s + 1);
        });
    }
}

Verdict trunk_ingress(View &v, Frame &f, Effects &) {
    uint32_t id = v.port[f.in].trunk;
    if (!id || v.trunk[id].kind != KEL_DRV_TRUNK_DYNAMIC) return Verdict::forward;
    return in_set(v.lacp.distributing, f.in) ? Verdict::forward : Verdict::discard;
}

bool is_lacpdu(const Frame &f) { return std::memcmp(f.dst(), lacp::kAddress, 6) == 0; }

void take_lacpdu(View &, Frame &f, Effects &fx) {
    lacp::Pdu p;
    lacp::Decoded d = lacp::decode(f.data, f.len, &p);
    if (d == lacp::Decoded::marker) return;
    if (fx.lacpdu_count == kMaxLacpdus || d != lacp::Decoded::ok) {
        ++fx.lacpdu_refused[f.in];
        return;
    }
    fx.lacpdu[fx.lacpdu_count++] = {f.in, p};
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
