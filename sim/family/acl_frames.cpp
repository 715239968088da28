// acl_frames.cpp - what the access lists installed on a port do to the
// frames it receives.
//
// A port carries at most one MAC list and one IP list. The MAC list meets
// every frame, the IP list every IPv4 frame (other frames pass it). Each
// list's filters are tried in order of sequence number and the first that
// matches decides: deny drops the frame, permit passes it on to the next
// list, and a permit naming an egress port sends the frame to that port
// alone (a redirect; the port must still be a member of the frame's VLAN).
// A frame that no filter of a list matches is dropped, as the last filter
// of every list is an unwritten "deny any"; a list without filters filters
// nothing. Dropped frames are counted as the port's discards. The driver's
// records carry no hit counters, so none are kept.
//
// The lists are compiled once per change into flat arrays of rules
// (View::acl), addresses already masked, so a frame costs a few compares
// per filter and nothing when its port carries no list.
#include "dataplane/pipeline.h"

namespace kelsim {

namespace {

// An address or mask of a filter (network byte order) in host order.
uint32_t host_order(uint32_t network) {
    uint8_t b[4];
    std::memcpy(b, &network, 4);
    return be32(b);
}

uint8_t ip_protocol(uint32_t drv) {
    switch (drv) {
        case KEL_DRV_PROTO_TCP:
            return 6;
        case KEL_DRV_PROTO_UDP:
            return 17;
        case KEL_DRV_PROTO_ICMP:
            return 1;
        default:
            return 0;  // any IP packet
    }
}

AclRule compile_rule(const Model &m, const kel_drv_acl_filter &in) {
    AclRule r;
    std::memset(&r, 0, sizeof r);
    r.kind = static_cast<uint8_t>(in.kind);
    r.deny = in.action == KEL_DRV_ACL_DENY;
    r.redirect = -1;
    if (in.egress_unit > 0 && in.egress_port > 0 &&
        !m.topo.is_stack(static_cast<uint32_t>(in.egress_unit), static_cast<uint32_t>(in.egress_port)))
        r.redirect = static_cast<int16_t>(
            slot_of(static_cast<uint32_t>(in.egress_unit), static_cast<uint32_t>(in.egress_port)));
    std::memcpy(r.src_mac, in.src_mac, 6);
    std::memcpy(r.src_mac_mask, in.src_mac_mask, 6);
    std::memcpy(r.dst_mac, in.dst_mac, 6);
    std::memcpy(r.dst_mac_mask, in.dst_mac_mask, 6);
    r.ethertype = static_cast<uint16_t>(in.ethertype);
    r.vid = static_cast<uint16_t>(in.vid);
    r.protocol = ip_protocol(in.protocol);
    r.icmp_match = static_cast<uint8_t>(in.icmp_match);
    r.icmp_type = static_cast<uint8_t>(in.icmp_type);
    r.icmp_code = static_cast<uint8_t>(in.icmp_code);
    r.src_port = static_cast<uint16_t>(in.src_port);
    r.dst_port = static_cast<uint16_t>(in.dst_port);
    r.src_ip = host_order(in.src_ip);
    r.src_mask = host_order(in.src_mask);
    r.dst_ip = host_order(in.dst_ip);
    r.dst_mask = host_order(in.dst_mask);
    return r;
}

bool masked_equal(const uint8_t *mac, const uint8_t *want, const uint8_t *mask) {
    for (int i = 0; i < 6; ++i)
        if ((mac[i] & mask[i]) != want[i]) return false;
    return true;
}

bool mac_matches(const AclRule &r, const Frame &f) {
    return masked_equal(f.src(), r.src_mac, r.src_mac_mask) &&
           masked_equal(f.dst(), r.dst_mac, r.dst_mac_mask) && (!r.ethertype || r.ethertype == f.type()) &&
           (!r.vid || r.vid == f.vid);
}

bool ip_matches(const AclRule &r, const Ipv4 &ip) {
    if ((ip.src & r.src_mask) != r.src_ip || (ip.dst & r.dst_mask) != r.dst_ip) return false;
    if (!r.protocol) return true;
    if (r.protocol != ip.protocol) return false;
    if (r.protocol == 1) {  // ICMP: type and code, when the filter names them
        if (!r.icmp_match) return true;
        if (!ip.first || ip.l4_len < 2) return false;
        return (!(r.icmp_match & KEL_DRV_MATCH_ICMP_TYPE) || ip.l4[0] == r.icmp_type) &&
               (!(r.icmp_match & KEL_DRV_MATCH_ICMP_CODE) || ip.l4[1] == r.icmp_code);
    }
    if (!r.src_port && !r.dst_port) return true;
    if (!ip.first || ip.l4_len < 4)
        return false;  // a port the packet does not show matches no filter of ports
    return (!r.src_port || be16(ip.l4) == r.src_port) && (!r.dst_port || be16(ip.l4 + 2) == r.dst_port);
}

}  // namespace

void compile_acls(const Model &m, View &v) {
    for (int s = 0; s < kSlots; ++s) v.policy[s].acl[0] = v.policy[s].acl[1] = 0;
    for (uint32_t n = 1; n <= KEL_DRV_ACL_LISTS; ++n) {
        const AclList &l = m.proto.acl[n - 1];
        AclView &a = v.acl[n];
        a.count = l.used ? l.nfilters : 0;
        for (uint32_t i = 0; i < a.count; ++i) a.rule[i] = compile_rule(m, l.filter[i]);
        if (!l.used) continue;
        int which = l.type == KEL_DRV_ACL_TYPE_MAC ? 0 : 1;
        for_each_slot(l.ports, [&](int s) {
            v.policy[s].acl[which] = static_cast<uint8_t>(n);
            add_to(v.policed, s);
        });
    }
}

Verdict acl_ingress(View &v, Frame &f, Effects &) {
    const PolicyPort &p = v.policy[f.in];
    if (!(p.acl[0] | p.acl[1])) return Verdict::forward;
    Ipv4 ip{};
    bool is_ip = p.acl[1] && parse_ipv4(f, &ip);
    for (int which = 0; which < 2; ++which) {
        const AclView &a = v.acl[p.acl[which]];
        if (!p.acl[which] || !a.count || (which == 1 && !is_ip)) continue;
        const AclRule *r = a.rule, *end = a.rule + a.count;
        for (; r != end; ++r)
            if (which == 0 ? mac_matches(*r, f) : ip_matches(*r, ip)) break;
        if (r == end || r->deny) return Verdict::discard;
        if (r->redirect >= 0) f.redirect = r->redirect;
    }
    return Verdict::forward;
}

}  // namespace kelsim
