// gvrp_frames.cpp - GVRP's settings as the dataplane runs it (the View's
// GvrpView) and its PDUs taken from the wire. The protocol itself runs in
// gvrp_run.cpp.
#include <cstring>

#include "dataplane/pipeline.h"
#include "family/forwarding.h"
#include "family/policy.h"
#include "family/protocol_common.h"

namespace kelsim {

void compile_gvrp(const Model &m, View &v) {
    GvrpView &g = v.gvrp;
    g.on = gvrp_on(m);
    std::memcpy(g.mac, m.sys.mac, 6);
    std::memset(g.port, 0, sizeof g.port);
    std::memset(&g.declared, 0, sizeof g.declared);
    for (uint32_t vid = KEL_VLAN_MIN; vid <= KEL_VLAN_MAX; ++vid)
        if (vlan_exists(m, vid) && !vlan_bit(m.proto.gvrp.created, vid)) set_vlan_bit(g.declared, vid, true);
    for (uint32_t u = 1; u <= kMaxUnits; ++u)
        for (uint32_t p = 1; p <= m.topo.nports[u - 1]; ++p) {
            int s = slot_of(u, p);
            garp::PortConfig &c = g.port[s];
            c.on = g.on && gvrp_port_on(m, u, p) && v.port[s].link;
            uint32_t mode = gvrp_mode(m, u, p);
            c.mode = mode == KEL_DRV_GVRP_FIXED       ? garp::Registration::fixed
                     : mode == KEL_DRV_GVRP_FORBIDDEN ? garp::Registration::forbidden
                                                      : garp::Registration::normal;
            uint32_t cs[3];
            garp_times(m, u, p, cs);
            c.join_ms = cs[0] * 10;
            c.leave_ms = cs[1] * 10;
            c.leave_all_ms = cs[2] * 10;
        }
}

bool is_gvrp(const Frame &f) { return std::memcmp(f.dst(), garp::kAddress, 6) == 0; }

void take_gvrp(View &v, Frame &f, Effects &fx) {
    if (!v.gvrp.port[f.in].on) return;
    if (fx.garp_count == kMaxGarpPdus) {
        ++fx.garp_refused[f.in];
        return;
    }
    GarpIn &in = fx.garp[fx.garp_count];
    if (f.tag_len || garp::decode(f.data, f.len, &in.pdu) != garp::Decoded::ok) {
        ++fx.garp_refused[f.in];
        return;
    }
    in.slot = f.in;
    ++fx.garp_count;
}

}  // namespace kelsim
