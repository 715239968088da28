// frame.h - one frame on its way through the switch, what became of it,
// and what the frames change in the model (counters, learned stations),
// gathered without the lock and added to the model under it.
#pragma once

#include <cstdint>
#include <cstring>

#include "dataplane/view.h"
#include "proto/eapol.h"

namespace kelsim {

constexpr uint32_t kMinFrame = 60;    // bytes without the FCS: shorter frames are padded on the wire
constexpr uint32_t kMaxFrame = 1514;  // untagged, without the FCS; a tag adds 4
constexpr uint32_t kFcs = 4;          // counted in every octet counter and size class
constexpr uint16_t kTpidCustomer = 0x8100;
constexpr uint16_t kTpidService = 0x88A8;

// What became of a frame.
enum class Verdict : uint8_t {
    forward,           // switched, to the ports of its out set (which may be empty)
    taken,             // a control frame the switch took for itself
    discard,           // a good frame discarded (filtering, spanning tree, a link going down)
    runt,              // shorter than its own headers say: a fragment
    oversize,          // longer than the largest frame
    malformed,         // a group source address, a reserved VLAN id
    unknown_protocol,  // a tag the switch does not bridge (a second tag, a service tag)
};

struct Frame {
    uint8_t *data;       // from the destination address on; a tag the kernel took off is back in place
    uint32_t len;        // bytes at data (no FCS)
    uint32_t wire;       // octets on the wire: padded, FCS included, bytes not captured too
    int in;              // the ingress port's slot
    uint16_t vid;        // its VLAN, once classified
    uint8_t pcp;         // its priority
    uint8_t dei;         // the drop-eligible bit of its tag
    uint8_t tag_len;     // 4 when it arrived with a tag (a priority tag too), else 0
    uint8_t learn_only;  // learned from and not forwarded (spanning-tree learning state)
    uint8_t queue;       // the egress queue of its priority (CoS map)
    int16_t redirect;    // an access list sends it to this port alone (a slot), -1 for none
    iflist out;          // the ports it leaves by

    const uint8_t *dst() const { return data; }
    const uint8_t *src() const { return data + 6; }
    // The EtherType after the tags the switch reads, and where its payload begins.
    uint16_t type() const { return static_cast<uint16_t>(data[12 + tag_len] << 8 | data[13 + tag_len]); }
    uint32_t payload() const { return 14u + tag_len; }
};

inline bool is_group(const uint8_t *mac) { return mac[0] & 1u; }
inline bool is_broadcast(const uint8_t *mac) {
    static const uint8_t all[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    return std::memcmp(mac, all, 6) == 0;
}

// An IPv4 packet's header fields, as the policy stages read them.
struct Ipv4 {
    const uint8_t *l4;  // its payload (TCP, UDP, ICMP, IGMP header), within the frame
    uint32_t l4_len;    // bytes of payload the frame holds, at most what the header says
    uint32_t src, dst;  // host order
    uint8_t protocol;
    uint8_t first;  // 1: not a later fragment, so the payload begins with its own header
};

inline uint16_t be16(const uint8_t *p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
inline uint32_t be32(const uint8_t *p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// The one's-complement sum of bytes, folded (0xFFFF over data whose checksum is right).
inline uint16_t inet_sum(const uint8_t *p, uint32_t n, uint32_t sum = 0) {
    for (; n > 1; p += 2, n -= 2) sum += be16(p);
    if (n) sum += uint32_t{p[0]} << 8;
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint16_t>(sum);
}

// Reads a frame's IPv4 header: false when the frame is not IPv4 or its
// header is cut short, has options running past it, or a wrong length.
inline bool parse_ipv4(const Frame &f, Ipv4 *ip) {
    if (f.type() != 0x0800 || f.len < f.payload() + 20) return false;
    const uint8_t *h = f.data + f.payload();
    uint32_t room = f.len - f.payload(), ihl = (h[0] & 0x0Fu) * 4, total = be16(h + 2);
    if ((h[0] >> 4) != 4 || ihl < 20 || ihl > room || total < ihl) return false;
    ip->l4 = h + ihl;
    ip->l4_len = (total < room ? total : room) - ihl;
    ip->src = be32(h + 12);
    ip->dst = be32(h + 16);
    ip->protocol = h[9];
    ip->first = (be16(h + 6) & 0x1FFF) == 0;
    return true;
}

// A station the frames taught the switch, for the model's MAC table.
struct Learned {
    uint8_t mac[6];
    uint16_t vid;
    uint8_t unit, port;
};

constexpr uint32_t kMaxLearned = 4096;

// A BPDU a port took, for the spanning tree to act on after the batch.
struct BpduIn {
    int slot;
    bool has_mst;  // an MST BPDU: mst holds its multiple tree's part
    stp::Bpdu bpdu;
    stp::Mst mst;
};
constexpr uint32_t kMaxBpdus = 64;  // a batch's worth: more are refused, as a flood
// An EAPOL frame an authenticating port took, for the authenticator after
// the batch: the EAPOL packet (what follows the EtherType) and its sender.
struct EapolIn {
    int16_t slot;
    uint16_t len;
    uint8_t src[6];
    uint8_t pdu[eapol::kHeader + eapol::kMaxEap];
};
constexpr uint32_t kMaxEapol = 32;  // a batch's worth: more are refused, as a flood
// What a frame changed in a policy family's state, for the model: the
// family's own function applies it under the lock (apply_policy_event).
enum class PolicyChange : uint8_t {
    secure_learned,    // mac learned as a secure address of the port
    secure_seen,       // a secure address's frame: its inactivity ageing starts again
    secure_violation,  // a frame violated the port's rule (restrict, shutdown)
    secure_shut,       // ... and shut the port down
    eapol,             // an EAPOL frame taken on the port
    group_join,        // IGMP snooping: the port joins (mac, vid)
    group_leave,       // ... leaves it
    binding_add,       // DHCP snooping: a lease granted (mac, ip, vid, port, lease)
    binding_remove,    // ... released (mac, ip)
};
struct PolicyEvent {
    PolicyChange what;
    uint8_t unit, port;
    uint8_t mac[6];
    uint16_t vid;
    uint32_t ip;     // network byte order
    uint32_t lease;  // seconds
};
constexpr uint32_t kMaxPolicyEvents = 1024;

// An LACPDU a port took, for LACP to act on after the batch.
struct LacpduIn {
    int slot;
    lacp::Pdu pdu;
};
constexpr uint32_t kMaxLacpdus = 64;  // a batch's worth: more are refused, as a flood

// A GVRP PDU a port took, for GVRP to act on after the batch.
struct GarpIn {
    int slot;
    garp::Pdu pdu;
};
constexpr uint32_t kMaxGarpPdus = 32;  // a batch's worth: more are refused, as a flood

// What the frames of one batch change in the model; the dataplane adds it
// to the model when it next holds the lock.
struct Effects {
    uint32_t counter[kSlots][KEL_DRV_COUNTERS];  // added to the ports' counters
    iflist counted;                              // the ports with counters to add
    Learned learned[kMaxLearned];
    uint32_t learned_count;
    bool fdb_stale;  // the View's MAC table may differ from the model's: copy it again
    BpduIn bpdu[kMaxBpdus];
    uint32_t bpdu_count;
    uint32_t bpdu_refused[kSlots];  // malformed BPDUs and those beyond kMaxBpdus, per port
    iflist flush;                   // ports whose learned stations the spanning tree forgot
    bool stp_changed;               // the spanning tree's outcome changed: for the model
    LacpduIn lacpdu[kMaxLacpdus];
    uint32_t lacpdu_count;
    uint32_t lacpdu_refused[kSlots];  // malformed LACPDUs and those beyond kMaxLacpdus, per port
    bool lacp_changed;                // LACP's outcome changed: for the model
    GarpIn garp[kMaxGarpPdus];
    uint32_t garp_count;
    uint32_t garp_refused[kSlots];  // malformed GVRP PDUs and those beyond kMaxGarpPdus, per port
    bool gvrp_changed;              // GVRP's outcome changed: for the model
    EapolIn eapol[kMaxEapol];
    uint32_t eapol_count;
    uint32_t eapol_refused[kSlots];  // EAPOL frames beyond kMaxEapol, per port
    bool dot1x_changed;              // the authenticators' outcome changed: for the model
    PolicyEvent event[kMaxPolicyEvents];
    uint32_t event_count;
    bool policy_stale;  // events were lost: take the policy parts from the model again

    // Records a policy change; false (and the View taken again later) when the batch has too many.
    PolicyEvent *policy_event(PolicyChange what, int slot) {
        if (event_count == kMaxPolicyEvents) {
            policy_stale = true;
            return nullptr;
        }
        PolicyEvent &e = event[event_count++];
        std::memset(&e, 0, sizeof e);
        e.what = what;
        e.unit = static_cast<uint8_t>(unit_of(slot));
        e.port = static_cast<uint8_t>(port_of(slot));
        return &e;
    }

    uint32_t *counters(int slot) {
        add_to(counted, slot);
        return counter[slot];
    }
    bool pending() const {
        return learned_count || fdb_stale || event_count || policy_stale || !empty_set(counted) ||
               !empty_set(flush) || stp_changed || lacp_changed || gvrp_changed || dot1x_changed;
    }
};

}  // namespace kelsim
