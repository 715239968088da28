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
// (View::acl) of three masked 64-bit keys each, so a frame costs three
// masked compares per filter (about a nanosecond) and nothing when its
// port carries no list.
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

uint64_t mac48(const uint8_t *p) { return uint64_t{be16(p)} << 32 | be32(p + 2); }

// The keys a rule compares, the frame's and the rule's alike:
//   MAC: source, destination, EtherType << 16 | VLAN;
//   IP:  source << 32 | destination, the layer-4 key, unused.
// The layer-4 key: protocol << 32 | source port << 16 | destination port,
// or ICMP type << 8 | code in the low half; bit 40 set when the packet does
// not show its ports (a later fragment, cut short), so that no filter of
// ports or ICMP fields matches it.
constexpr uint64_t kNoPorts = uint64_t{1} << 40;

uint64_t l4_key(const Ipv4 &ip) {
    uint64_t key = uint64_t{ip.protocol} << 32;
    if (ip.protocol == 1)
        return ip.first && ip.l4_len >= 2 ? key | uint64_t{ip.l4[0]} << 8 | ip.l4[1] : key | kNoPorts;
    return ip.first && ip.l4_len >= 4 ? key | uint64_t{be32(ip.l4)} : key | kNoPorts;
}

AclRule compile_rule(const Model &m, const kel_drv_acl_filter &in) {
    AclRule r;
    std::memset(&r, 0, sizeof r);
    r.deny = in.action == KEL_DRV_ACL_DENY;
    r.redirect = -1;
    if (in.egress_unit > 0 && in.egress_port > 0 &&
        !m.topo.is_stack(static_cast<uint32_t>(in.egress_unit), static_cast<uint32_t>(in.egress_port)))
        r.redirect = static_cast<int16_t>(
            slot_of(static_cast<uint32_t>(in.egress_unit), static_cast<uint32_t>(in.egress_port)));
    if (in.kind == KEL_DRV_FILTER_MAC) {
        r.key[0] = mac48(in.src_mac), r.mask[0] = mac48(in.src_mac_mask);
        r.key[1] = mac48(in.dst_mac), r.mask[1] = mac48(in.dst_mac_mask);
        r.key[2] = uint64_t{in.ethertype} << 16 | in.vid;
        r.mask[2] = (in.ethertype ? 0xFFFF0000u : 0u) | (in.vid ? 0xFFFFu : 0u);
        return r;
    }
    r.key[0] = uint64_t{host_order(in.src_ip)} << 32 | host_order(in.dst_ip);
    r.mask[0] = uint64_t{host_order(in.src_mask)} << 32 | host_order(in.dst_mask);
    uint8_t proto = ip_protocol(in.protocol);
    if (!proto) return r;
    r.key[1] = uint64_t{proto} << 32, r.mask[1] = uint64_t{0xFF} << 32;
    if (proto == 1 && in.icmp_match) {
        r.mask[1] |= kNoPorts;
        if (in.icmp_match & KEL_DRV_MATCH_ICMP_TYPE) r.key[1] |= in.icmp_type << 8, r.mask[1] |= 0xFF00;
        if (in.icmp_match & KEL_DRV_MATCH_ICMP_CODE) r.key[1] |= in.icmp_code, r.mask[1] |= 0xFF;
    } else if (proto != 1 && (in.src_port || in.dst_port)) {
        r.mask[1] |= kNoPorts;
        if (in.src_port) r.key[1] |= uint64_t{in.src_port} << 16, r.mask[1] |= 0xFFFF0000u;
        if (in.dst_port) r.key[1] |= in.dst_port, r.mask[1] |= 0xFFFFu;
    }
    return r;
}

// The first rule of a list whose keys match, or null.
const AclRule *first_match(const AclView &a, const uint64_t k[3]) {
    for (const AclRule *r = a.rule, *end = a.rule + a.count; r != end; ++r)
        if ((((k[0] & r->mask[0]) ^ r->key[0]) | ((k[1] & r->mask[1]) ^ r->key[1]) |
             ((k[2] & r->mask[2]) ^ r->key[2])) == 0)
            return r;
    return nullptr;
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
        for_each_slot(l.ports, [&](int s) { v.policy[s].acl[which] = static_cast<uint8_t>(n); });
    }
}

Verdict acl_ingress(View &v, Frame &f, Effects &) {
    const PolicyPort &p = v.policy[f.in];
    if (!(p.acl[0] | p.acl[1])) return Verdict::forward;
    for (int which = 0; which < 2; ++which) {
        const AclView &a = v.acl[p.acl[which]];
        if (!p.acl[which] || !a.count) continue;
        uint64_t k[3] = {mac48(f.src()), mac48(f.dst()), uint64_t{f.type()} << 16 | f.vid};
        if (which == 1) {
            Ipv4 ip;
            if (!parse_ipv4(f, &ip)) continue;  // an IP list passes what is not IPv4
            k[0] = uint64_t{ip.src} << 32 | ip.dst, k[1] = l4_key(ip), k[2] = 0;
        }
        const AclRule *r = first_match(a, k);
        if (!r || r->deny) return Verdict::discard;
        if (r->redirect >= 0) f.redirect = r->redirect;
    }
    return Verdict::forward;
}

}  // namespace kelsim
