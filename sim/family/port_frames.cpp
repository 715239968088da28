// port_frames.cpp - what the port settings do to frames: the ports' part of
// the View, and the first rule a frame meets (the port takes it or not).
//
// Sizes are those of the wire: the frame with its FCS, and a frame the
// host's adapter sent shorter than 60 bytes counts as padded, as an Ethernet
// adapter pads it (the virtual one of a veth pair does not). A frame that
// is shorter than its own headers say it is, is a fragment: a runt.
#include <initializer_list>

#include "dataplane/pipeline.h"
#include "family/forwarding.h"

namespace kelsim {

namespace {

uint16_t word16(const uint8_t *p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

// The bytes a frame's own headers say it holds from the start: its 802.3
// length, or its ARP, IPv4 or IPv6 header and packet; 0 when they say
// nothing (another EtherType).
uint32_t declared_length(const Frame &f) {
    uint32_t at = f.payload();
    uint16_t type = f.type();
    if (type < 0x0600) return at + type;  // an 802.3 length
    if (f.len < at) return at;
    const uint8_t *p = f.data + at;
    uint32_t room = f.len - at;
    switch (type) {
        case 0x0806:  // ARP for IPv4 over Ethernet
            return at + 28;
        case 0x0800:  // IPv4: the header, then the total length
            return room < 20 ? at + 20 : at + (word16(p + 2) > 20 ? word16(p + 2) : 20u);
        case 0x86DD:  // IPv6: the fixed header and the payload length
            return room < 40 ? at + 40 : at + 40 + word16(p + 4);
        default:
            return 0;
    }
}

}  // namespace

void compile_ports(const Model &m, View &v) {
    std::memset(v.port, 0, sizeof v.port);
    std::memset(&v.sending, 0, sizeof v.sending);
    std::memset(v.blocking, 0, sizeof v.blocking);
    for (uint32_t u = 1; u <= kMaxUnits; ++u)
        for (uint32_t p = 1; p <= m.topo.nports[u - 1]; ++p) {
            if (m.topo.is_stack(u, p)) continue;
            PortView &pv = v.port[slot_of(u, p)];
            pv.present = 1;
            pv.link = link_up(m, u, p);
            pv.stp = static_cast<uint8_t>(stp_port_state(m, u, p));
            pv.vlan_mode = static_cast<uint8_t>(port_vlan_mode(m, u, p));
            pv.ingress_filter = port_ingress_filter(m, u, p);
            pv.discard = static_cast<uint8_t>(port_discard(m, u, p));
            for (uint32_t type : {KEL_DRV_BLOCK_UNKNOWN_UNICAST, KEL_DRV_BLOCK_UNKNOWN_MULTICAST})
                if (port_blocks(m, u, p, type)) add_to(v.blocking[type], slot_of(u, p));
            pv.priority = static_cast<uint8_t>(port_priority(m, u, p));
            pv.pvid = static_cast<uint16_t>(port_oper_vlan(m, u, p));
            if (pv.link && pv.stp == KEL_DRV_PORT_STP_FORWARDING) add_to(v.sending, slot_of(u, p));
        }
}

Verdict port_receive(View &v, Frame &f, Effects &) {
    if (!v.port[f.in].link) return Verdict::discard;  // it came in as the link went down
    if (f.wire > kMaxFrame + f.tag_len + kFcs) return Verdict::oversize;
    if (f.len < kMinFrame) {
        uint32_t declared = declared_length(f);
        if (f.len < f.payload() || declared > f.len) return Verdict::runt;
    }
    if (is_group(f.src())) return Verdict::malformed;
    return Verdict::forward;
}

}  // namespace kelsim
