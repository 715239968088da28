// pipeline.cpp - the order of the switch's rules, and the protocols that
// take control frames.
#include "dataplane/pipeline.h"

#include <cstring>

#include "family/policy.h"

namespace kelsim {

namespace {

// The rules every frame meets, in order. Policy stages go between the
// VLAN's ingress rules and learning, each defined in its family: a frame
// that 802.1X, port security, an access list or a storm or rate limit
// drops is neither learned nor forwarded.
const Stage kStages[] = {
    port_receive,         // port: link, frames the port cannot take
    take_control_frames,  // the switch's own protocols
    trunk_ingress,        // trunks: a dynamic trunk's member collects only when LACP says
    stp_ingress,          // spanning tree: discarding, learning
    vlan_ingress,         // VLAN: classification, ingress filtering
    stp_vlan_ingress,     // spanning tree: the state in the VLAN's MST instance
    dot1x_ingress,        // 802.1X: authorized ports and stations, guest VLAN
    portsecu_ingress,     // port security: secure addresses, violations
    acl_ingress,          // access lists: deny, permit, redirect
    qos_ingress,          // CoS queue; storm control, receive rate
    snoop_ingress,        // IGMP and DHCP snooping
    learn_source,         // MAC table: learning, moves
    forward_frame,        // MAC table and multicast groups: known, flooded
    snoop_egress,         // IGMP snooping: groups' ports and router ports
    vlan_egress,          // VLAN: members only
    trunk_egress,         // trunks: one member each
    qos_egress,           // transmit rates
};

// The protocols of the switch that take control frames: BPDUs go to the
// spanning tree the dataplane runs, LACPDUs (slow protocols, EtherType
// 0x8809) to LACP; EAPOL frames end at the switch, are counted, and go to
// the port's authenticator. GVRP's PDUs, to a group beyond the reserved
// ones, are taken only while GVRP is on for the switch (else they are
// forwarded as any multicast) and go to GVRP.
const ControlProtocol kControlProtocols[] = {
    {"spanning tree", is_bpdu, take_bpdu},         // stp_frames.cpp
    {"link aggregation", is_lacpdu, take_lacpdu},  // trunk_frames.cpp
    {"eapol", is_eapol, dot1x_take_eapol},         // dot1x_frames.cpp
    {"gvrp", is_gvrp, take_gvrp},                  // gvrp_frames.cpp
};

bool reserved_group(const uint8_t *mac) {
    static const uint8_t prefix[5] = {0x01, 0x80, 0xC2, 0x00, 0x00};
    return std::memcmp(mac, prefix, 5) == 0 && mac[5] <= 0x0F;
}

}  // namespace

Verdict take_control_frames(View &v, Frame &f, Effects &fx) {
    if (!reserved_group(f.dst()) && !(v.gvrp.on && is_gvrp(f))) return Verdict::forward;
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
    f.pcp = f.dei = f.learn_only = f.queue = 0;
    f.redirect = -1;
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
    compile_secure(m, v);  // a port it shut down has no link
    compile_vlans(m, v);
    compile_dot1x(m, v);  // guest VLANs, unauthorized ports that send nothing
    compile_fdb(m, v);
    compile_groups(m, v);
    compile_trunks(m, v);
    compile_mirrors(m, v);
    compile_stp(m, v);
    compile_lacp(m, v);
    compile_gvrp(m, v);
    compile_acls(m, v);
    compile_qos(m, v);
    compile_snooping(m, v);
}

void apply_policy_event(Model &m, const PolicyEvent &e, uint64_t now) {
    if (!m.topo.exists(e.unit, e.port)) return;
    switch (e.what) {
        case PolicyChange::secure_learned:
            portsecu_learned(m, e.unit, e.port, e.mac, now);
            return;
        case PolicyChange::secure_seen:
            portsecu_seen(m, e.mac, now);
            return;
        case PolicyChange::secure_violation:
        case PolicyChange::secure_shut:
            portsecu_violated(m, e.unit, e.port, e.what == PolicyChange::secure_shut, now);
            return;
        case PolicyChange::eapol:
            dot1x_count_eapol(m, e.unit, e.port);
            return;
        case PolicyChange::group_join:
            mcast_join(m, e.mac, e.vid, e.unit, e.port);
            return;
        case PolicyChange::group_leave:
            mcast_leave(m, e.mac, e.vid, e.unit, e.port);
            return;
        case PolicyChange::binding_add: {
            kel_drv_dhcp_binding b{};
            std::memcpy(b.mac, e.mac, 6);
            b.ip = e.ip;
            b.vid = e.vid;
            b.unit = e.unit;
            b.port = e.port;
            b.lease = e.lease;
            dhcp_bind(m, b, now);
            return;
        }
        case PolicyChange::binding_remove:
            dhcp_unbind(m, e.mac, e.ip);
            return;
    }
}

bool policy_upkeep(Model &m, uint64_t now) {
    bool secure = portsecu_upkeep(m, now);
    return dhcp_upkeep(m, now) || secure;
}

}  // namespace kelsim
