// vlan_frames.cpp - what the VLAN table and a port's VLAN settings do to
// frames: the VLANs' part of the View; a frame's VLAN (an untagged or
// priority-tagged frame takes its port's native VLAN, a tagged frame keeps
// its own); the port's acceptable frame types (discard untagged or tagged);
// ingress filtering (a frame of a VLAN the port is not a member of is
// dropped when filtering is on, and always when the VLAN forbids the port
// or does not exist); and on the way out, members only, tagged unless the
// port is in the VLAN's untagged set (pipeline.h).
#include "dataplane/pipeline.h"
#include "model/area_vlan.h"

namespace kelsim {

constexpr uint16_t kVidReserved = 4095;

void compile_vlans(const Model &m, View &v) {
    std::memset(&v.vlans, 0, sizeof v.vlans);
    for (uint32_t vid = KEL_VLAN_MIN; vid <= KEL_VLAN_MAX; ++vid) {
        VlanView &vv = v.vlan[vid];
        if (!vlan_exists(m, vid)) {
            std::memset(&vv, 0, sizeof vv);
            continue;
        }
        v.vlans.word[(vid - 1) / 32] |= 1u << ((vid - 1) % 32);
        const VlanEntry &e = m.vlan.vlan[vid];
        vv.members = e.set[KEL_DRV_VLAN_MEMBERS];
        vv.untagged = e.set[KEL_DRV_VLAN_UNTAGGED];
        vv.forbidden = e.set[KEL_DRV_VLAN_FORBIDDEN];
    }
}

Verdict vlan_ingress(View &v, Frame &f, Effects &) {
    const PortView &p = v.port[f.in];
    uint16_t vid = 0;
    if (f.tag_len) {
        const uint8_t *tag = f.data + 12;
        if ((tag[0] << 8 | tag[1]) != kTpidCustomer) return Verdict::unknown_protocol;  // a service tag
        uint16_t inner = f.type();
        if (inner == kTpidCustomer || inner == kTpidService) return Verdict::unknown_protocol;  // two tags
        vid = static_cast<uint16_t>((tag[2] & 0x0F) << 8 | tag[3]);
        if (vid == kVidReserved) return Verdict::malformed;
        f.pcp = tag[2] >> 5;
        f.dei = (tag[2] >> 4) & 1u;
    } else {
        f.pcp = p.priority;
        uint16_t type = f.type();
        if (type == kTpidService) return Verdict::unknown_protocol;
    }
    if (vid == 0) {  // untagged or priority-tagged
        if (p.discard == KEL_DRV_DISCARD_UNTAGGED) return Verdict::discard;
        vid = p.pvid;
    } else if (p.discard == KEL_DRV_DISCARD_TAGGED) {
        return Verdict::discard;
    }
    f.vid = vid;
    const VlanView &vv = v.vlan[vid];
    if (in_set(vv.forbidden, f.in) || !((v.vlans.word[(vid - 1) / 32] >> ((vid - 1) % 32)) & 1u))
        return Verdict::discard;
    if (p.ingress_filter && !in_set(vv.members, f.in)) return Verdict::discard;
    return Verdict::forward;
}

Verdict vlan_egress(View &v, Frame &f, Effects &) {
    const iflist &members = v.vlan[f.vid].members;
    for (int w = 0; w < KEL_IFLIST_WORDS; ++w) f.out.word[w] &= members.word[w];
    return Verdict::forward;
}

}  // namespace kelsim
