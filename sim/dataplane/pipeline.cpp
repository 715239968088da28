// pipeline.cpp - the order of the switch's rules, and the protocols that
// take control frames.
#include "dataplane/pipeline.h"

#include <cstring>

namespace kelsim {

namespace {

// The rules every frame meets, in order. Policy stages (802.1X, port
// security, access lists, storm and rate limits, priorities, IGMP and DHCP
// snooping) go between the VLAN's ingress rules and learning, each defined
// in its family.
const Stage kStages[] = {
    port_receive,         // port: link, frames the port cannot take
    take_control_frames,  // the switch's own protocols
    trunk_ingress,        // trunks: a dynamic trunk's member collects only when LACP says
    stp_ingress,          // spanning tree: discarding, learning
    vlan_ingress,         // VLAN: classification, ingress filtering
    learn_source,         // MAC table: learning, moves
    forward_frame,        // MAC table and multicast groups: known, flooded
    vlan_egress,          // VLAN: members only
    trunk_egress,         // trunks: one member each
};

// The protocols of the switch that take control frames.
const ControlProtocol kControlProtocols[] = {
    {"spanning tree", is_bpdu, take_bpdu},         // stp_frames.cpp
    {"link aggregation", is_lacpdu, take_lacpdu},  // trunk_frames.cpp
};

bool reserved_group(const uint8_t *mac) {
    static const uint8_t prefix[5] = {0x01, 0x80, 0xC2, 0x00, 0x00};
    return std::memcmp(mac, prefix, 5) == 0 && mac[5] <= 0x0F;
}

}  // namespace

Verdict take_control_frames(View &v, Frame &f, Effects &fx) {
    if (!reserved_group(f.dst())) return Verdict::forward;
    for (const ControlProtocol &p : kControlProtocols)
        if (p.match(f)) {
            p.take(v, f, fx);
            break;
        }
    return Verdict::taken;
}

void frame_from_wire(Frame &f, int slot, uint8_t *data, uint32_t len, uint32_t wire, bool tagged,
                     uint16_t tpid, uint16_t tci) {
    f.data = data;
    f.len = len;
    f.tag_len = 0;
    if (tagged && len >= 12) {  // (the kernel hands over no tagged frame without its addresses)
        f.data -= 4;
        std::memmove(f.data, data, 12);
        const uint8_t tag[4] = {static_cast<uint8_t>(tpid >> 8), static_cast<uint8_t>(tpid),
                                static_cast<uint8_t>(tci >> 8), static_cast<uint8_t>(tci)};
        std::memcpy(f.data + 12, tag, 4);
        f.len += 4;
        wire += 4;
        f.tag_len = 4;
    }
    f.wire = (wire > kMinFrame ? wire : kMinFrame) + kFcs;
    f.in = slot;
    f.vid = 0;
    f.pcp = f.dei = f.learn_only = 0;
    std::memset(&f.out, 0, sizeof f.out);
}

Verdict switch_frame(View &v, Frame &f, Effects &fx) {
    if (f.len < 14u + f.tag_len) return Verdict::runt;  // not even its addresses and type
    for (Stage stage : kStages)
        if (Verdict verdict = stage(v, f, fx); verdict != Verdict::forward) return verdict;
    return Verdict::forward;
}

void compile_view(const Model &m, View &v) {
    v.epoch = m.epoch;
    compile_ports(m, v);
    compile_vlans(m, v);
    compile_fdb(m, v);
    compile_groups(m, v);
    compile_trunks(m, v);
    compile_mirrors(m, v);
    compile_stp(m, v);
    compile_lacp(m, v);
}

}  // namespace kelsim
