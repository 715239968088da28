// snoop_frames.cpp - what IGMP snooping and DHCP snooping do to frames, in
// the VLANs where they are on (and only while they are on for the switch).
//
// IGMP snooping: a membership report (version 1, 2 or 3) makes its port a
// member of the group's learned entry in the multicast table (MAC
// 01-00-5E plus the group's low 23 bits); a leave (or a version 3 record
// changing to include no source) takes the port out at once with
// immediate leave on, else after the last-member query interval (a report
// from the port in between keeps it in); a query marks its port as a
// router port of the VLAN (for the dataplane's life). IP multicast of the
// VLAN then goes only to the group's ports and the router ports, and to
// the router ports alone when no port joined; the link-local groups
// 224.0.0.x are flooded as before. The library's multicast walks show the
// learned groups. IGMP messages are forwarded by the same rule.
//
// DHCP snooping: server messages (OFFER, ACK, NAK) that come in on a port
// that is not trusted are dropped. An ACK from a trusted port records a
// binding of the client (its hardware address, the address granted, the
// VLAN, the port the MAC table knows the client behind, the lease); a
// RELEASE removes it, and the lease's end does too (dhcp_upkeep).
//
// A packet that does not hold what its headers say (cut short, a wrong IP,
// IGMP or UDP checksum, options running past their end, no message type)
// is snooped on no further and goes on as a plain frame.
#include "dataplane/pipeline.h"
#include "family/arl_table.h"
#include "family/policy.h"

namespace kelsim {

namespace {

constexpr uint8_t kIgmp = 2, kUdp = 17;
constexpr uint16_t kServerPort = 67, kClientPort = 68;
constexpr uint8_t kOffer = 2, kAck = 5, kNak = 6, kRelease = 7;

bool vlan_on(const vlanlist &l, uint16_t vid) {
    return vid && (l.word[(vid - 1) / 32] >> ((vid - 1) % 32) & 1u);
}

void group_mac(uint32_t group, uint8_t mac[6]) {
    const uint8_t m[6] = {0x01,
                          0x00,
                          0x5E,
                          static_cast<uint8_t>(group >> 16 & 0x7F),
                          static_cast<uint8_t>(group >> 8),
                          static_cast<uint8_t>(group)};
    std::memcpy(mac, m, 6);
}

// A group snooping keeps: multicast, not link-local (224.0.0.x).
bool snooped_group(uint32_t group) { return (group >> 28) == 0xE && (group >> 8) != 0xE00000; }

PendingLeave *pending(View &v, const uint8_t *mac, uint16_t vid, int slot) {
    for (uint32_t i = 0; i < v.leaving_count; ++i) {
        PendingLeave &l = v.leaving[i];
        if (l.slot == slot && l.vid == vid && std::memcmp(l.mac, mac, 6) == 0) return &l;
    }
    return nullptr;
}

void group_event(Effects &fx, PolicyChange what, int slot, const uint8_t *mac, uint16_t vid) {
    if (PolicyEvent *e = fx.policy_event(what, slot)) {
        std::memcpy(e->mac, mac, 6);
        e->vid = vid;
    }
}

void join(View &v, Effects &fx, int slot, uint16_t vid, uint32_t group) {
    uint8_t mac[6];
    group_mac(group, mac);
    if (PendingLeave *l = pending(v, mac, vid, slot)) *l = v.leaving[--v.leaving_count];
    const iflist *ports = group_ports(v, mac, vid);
    if (!ports || !in_set(*ports, slot)) group_event(fx, PolicyChange::group_join, slot, mac, vid);
}

void leave(View &v, Effects &fx, int slot, uint16_t vid, uint32_t group) {
    uint8_t mac[6];
    group_mac(group, mac);
    const iflist *ports = group_ports(v, mac, vid);
    if (!ports || !in_set(*ports, slot) || pending(v, mac, vid, slot)) return;
    if (vlan_on(v.igmp_ileave, vid) || v.leaving_count == kPendingLeaves) {
        group_event(fx, PolicyChange::group_leave, slot, mac, vid);
        return;
    }
    PendingLeave &l = v.leaving[v.leaving_count++];
    std::memcpy(l.mac, mac, 6);
    l.vid = vid;
    l.slot = static_cast<int16_t>(slot);
    l.due_ns = v.now_ns + uint64_t{v.lmqi_tenths} * 100000000u;
}

// A version 3 report's records, each checked to lie within the message before any is used.
void igmp_v3_report(View &v, Effects &fx, const Frame &f, const uint8_t *p, uint32_t len) {
    uint32_t records = be16(p + 6), at = 8;
    for (uint32_t i = 0, r = at; i < records; ++i) {
        if (r + 8 > len) return;
        r += 8 + be16(p + r + 2) * 4u + p[r + 1] * 4u;
        if (r > len) return;
    }
    for (uint32_t i = 0; i < records; ++i) {
        uint8_t type = p[at];
        uint32_t sources = be16(p + at + 2), group = be32(p + at + 4);
        at += 8 + sources * 4 + p[at + 1] * 4u;
        if (!snooped_group(group)) continue;
        if ((type == 1 || type == 3) && sources == 0)  // (changed to) include nothing: a leave
            leave(v, fx, f.in, f.vid, group);
        else if (type >= 2 && type <= 5)
            join(v, fx, f.in, f.vid, group);
    }
}

void igmp(View &v, Effects &fx, const Frame &f, const Ipv4 &ip) {
    const uint8_t *p = ip.l4;
    if (!ip.first || ip.l4_len < 8 || inet_sum(p, ip.l4_len) != 0xFFFF) return;
    uint32_t group = be32(p + 4);
    switch (p[0]) {
        case 0x11:  // a query: a router sits behind the port
            add_to(v.routers[f.vid], f.in);
            return;
        case 0x12:  // version 1 and 2 reports
        case 0x16:
            if (snooped_group(group)) join(v, fx, f.in, f.vid, group);
            return;
        case 0x17:
            if (snooped_group(group)) leave(v, fx, f.in, f.vid, group);
            return;
        case 0x22:
            igmp_v3_report(v, fx, f, p, ip.l4_len);
            return;
        default:
            return;
    }
}

// The UDP payload of a packet whose UDP length and checksum hold, or null.
const uint8_t *udp_payload(const Frame &f, const Ipv4 &ip, uint32_t *len) {
    const uint8_t *u = ip.l4;
    if (!ip.first || ip.l4_len < 8) return nullptr;
    uint32_t udp_len = be16(u + 4);
    if (udp_len < 8 || udp_len > ip.l4_len) return nullptr;
    if (be16(u + 6)) {  // a checksum was sent: it must be right
        const uint8_t *h = f.data + f.payload();
        uint32_t pseudo = be16(h + 12) + be16(h + 14) + be16(h + 16) + be16(h + 18) + kUdp + udp_len;
        if (inet_sum(u, udp_len, pseudo) != 0xFFFF) return nullptr;
    }
    *len = udp_len - 8;
    return u + 8;
}

struct Dhcp {
    uint8_t type;
    uint32_t lease;  // seconds; 0 when the message gives none
    bool has_lease;
};

// The options after the magic cookie: false when one runs past the end or there is no message type.
bool dhcp_options(const uint8_t *p, uint32_t len, Dhcp *d) {
    d->type = 0;
    d->has_lease = false;
    for (uint32_t at = 240; at < len;) {
        uint8_t code = p[at];
        if (code == 0) {
            ++at;
            continue;
        }
        if (code == 255) break;
        if (at + 2 > len || at + 2 + p[at + 1] > len) return false;
        uint8_t size = p[at + 1];
        if (code == 53 && size == 1) d->type = p[at + 2];
        if (code == 51 && size == 4) {
            d->lease = be32(p + at + 2);
            d->has_lease = true;
        }
        at += 2 + size;
    }
    return d->type != 0;
}

Verdict dhcp(View &v, Effects &fx, const Frame &f, const Ipv4 &ip) {
    uint32_t len;
    const uint8_t *p = udp_payload(f, ip, &len);
    if (!p) return Verdict::forward;
    uint16_t from = be16(ip.l4), to = be16(ip.l4 + 2);
    bool server = from == kServerPort && to == kClientPort, client = from == kClientPort && to == kServerPort;
    Dhcp d{};
    if ((!server && !client) || len < 240 || be32(p + 236) != 0x63825363 || !dhcp_options(p, len, &d))
        return Verdict::forward;
    bool server_message = d.type == kOffer || d.type == kAck || d.type == kNak;
    if (server_message && !v.policy[f.in].dhcp_trusted) return Verdict::discard;
    const uint8_t *chaddr = p + 28;
    if (p[1] != 1 || p[2] != 6 || is_group(chaddr)) return Verdict::forward;  // not an Ethernet client
    if (d.type == kAck && server && d.has_lease) {
        uint32_t pos = arl_find(v.fdb, chaddr, f.vid);
        if (pos == kArlNowhere) return Verdict::forward;  // the client's port is not known
        const ArlSlot &s = v.fdb.slot[pos];
        PolicyEvent *e = fx.policy_event(PolicyChange::binding_add, slot_of(s.unit, s.port));
        if (!e) return Verdict::forward;
        std::memcpy(e->mac, chaddr, 6);
        std::memcpy(&e->ip, p + 16, 4);  // yiaddr, in network byte order
        e->vid = f.vid;
        e->lease = d.lease;
    } else if (d.type == kRelease && client) {
        if (PolicyEvent *e = fx.policy_event(PolicyChange::binding_remove, f.in)) {
            std::memcpy(e->mac, chaddr, 6);
            std::memcpy(&e->ip, p + 12, 4);  // ciaddr
        }
    }
    return Verdict::forward;
}

}  // namespace

void compile_snooping(const Model &m, View &v) {
    v.igmp_vlans = igmp_snooping_vlans(m);
    v.igmp_ileave = igmp_immediate_leave_vlans(m);
    v.lmqi_tenths = igmp_lmqi(m);
    v.dhcp_vlans = dhcp_snooping_vlans(m);
    for (uint32_t u = 1; u <= kMaxUnits; ++u)
        for (uint32_t p = 1; p <= m.topo.nports[u - 1]; ++p)
            v.policy[slot_of(u, p)].dhcp_trusted = dhcp_trusted(m, u, p);
}

Verdict snoop_ingress(View &v, Frame &f, Effects &fx) {
    bool igmp_on = vlan_on(v.igmp_vlans, f.vid), dhcp_on = vlan_on(v.dhcp_vlans, f.vid);
    Ipv4 ip;
    if (!(igmp_on | dhcp_on) || !parse_ipv4(f, &ip)) return Verdict::forward;
    const uint8_t *h = f.data + f.payload();
    if (inet_sum(h, static_cast<uint32_t>(ip.l4 - h)) != 0xFFFF)
        return Verdict::forward;  // a wrong header checksum
    if (igmp_on && ip.protocol == kIgmp) igmp(v, fx, f, ip);
    if (dhcp_on && ip.protocol == kUdp) return dhcp(v, fx, f, ip);
    return Verdict::forward;
}

Verdict snoop_egress(View &v, Frame &f, Effects &) {
    const uint8_t *dst = f.dst();
    if (dst[0] != 0x01 || dst[1] != 0x00 || dst[2] != 0x5E || (dst[3] | dst[4]) == 0 || f.redirect >= 0 ||
        !vlan_on(v.igmp_vlans, f.vid))
        return Verdict::forward;
    iflist keep = v.routers[f.vid], all = flood_ports(v, f);
    if (const iflist *g = group_ports(v, dst, f.vid))
        for (int w = 0; w < KEL_IFLIST_WORDS; ++w) keep.word[w] |= g->word[w];
    for (int w = 0; w < KEL_IFLIST_WORDS; ++w) f.out.word[w] = all.word[w] & keep.word[w];
    return Verdict::forward;
}

void snoop_timers(View &v, Effects &fx) {
    for (uint32_t i = 0; i < v.leaving_count;) {
        PendingLeave &l = v.leaving[i];
        if (l.due_ns > v.now_ns) {
            ++i;
            continue;
        }
        group_event(fx, PolicyChange::group_leave, l.slot, l.mac, l.vid);
        l = v.leaving[--v.leaving_count];
    }
}

}  // namespace kelsim
