// view.h - what frames are switched by: the switch's settings compiled into
// plain arrays, each part by the family that owns the settings (its
// compile_* function, which reads the model through the same accessors as
// the family's request handlers).
//
// The dataplane keeps one View of its own. It compiles it again, under the
// model's lock, whenever the switch changed (Model::epoch), and switches
// every frame by it without the lock: a frame never waits for a request,
// and a request never waits for more than one batch of frames. The MAC
// table is a copy of the model's that the dataplane keeps in step: what it
// learns goes into both.
#pragma once

#include <cstdint>

#include "kel.h"
#include "kel_driver.h"
#include "model/model.h"
#include "proto/garp_participant.h"
#include "proto/lacp_system.h"
#include "proto/mst_bridge.h"
#include "proto/stp_bridge.h"

namespace kelsim {

// Ports by slot: (unit - 1) * 32 + port - 1, the bit of the port in an
// iflist, so that a port set is an iflist.
constexpr int kSlots = kMaxUnits * kMaxPorts;
inline int slot_of(uint32_t unit, uint32_t port) {
    return static_cast<int>((unit - 1) * kMaxPorts + port - 1);
}
inline uint32_t unit_of(int slot) { return static_cast<uint32_t>(slot / kMaxPorts + 1); }
inline uint32_t port_of(int slot) { return static_cast<uint32_t>(slot % kMaxPorts + 1); }
inline bool in_set(const iflist &s, int slot) { return (s.word[slot >> 5] >> (slot & 31)) & 1u; }
inline void add_to(iflist &s, int slot) { s.word[slot >> 5] |= 1u << (slot & 31); }
inline void remove_from(iflist &s, int slot) { s.word[slot >> 5] &= ~(1u << (slot & 31)); }
inline bool empty_set(const iflist &s) {
    uint32_t any = 0;
    for (uint32_t w : s.word) any |= w;
    return any == 0;
}
// Calls f(slot) for every port of a set, lowest first.
template <class F>
void for_each_slot(const iflist &s, F f) {
    for (int w = 0; w < KEL_IFLIST_WORDS; ++w)
        for (uint32_t bits = s.word[w]; bits; bits &= bits - 1) f(w * 32 + __builtin_ctz(bits));
}

// A port as frames see it (port and spanning-tree families).
struct PortView {
    uint8_t present;         // a front port: it has an interface and carries frames
    uint8_t link;            // administratively up and its cable plugged
    uint8_t stp;             // KEL_DRV_PORT_STP_*
    uint8_t vlan_mode;       // KEL_DRV_VLAN_MODE_*
    uint8_t ingress_filter;  // frames of VLANs it is not a member of are dropped
    uint8_t discard;         // KEL_DRV_DISCARD_*
    uint8_t priority;        // given to the untagged frames it receives
    uint8_t trunk;           // its trunk, 0 for none (trunk family)
    uint8_t mirror;          // the session mirroring it, 0 for none (mirror family)
    uint16_t pvid;           // its native VLAN in effect
};

// A VLAN's port sets (VLAN family); no members and not existing alike.
struct VlanView {
    iflist members, untagged, forbidden;
};

// A trunk (trunk family): its members, and those that may carry frames now
// (link up, forwarding and, in a dynamic trunk, distributing), lowest first.
struct TrunkView {
    uint32_t kind;      // KEL_DRV_TRUNK_STATIC or KEL_DRV_TRUNK_DYNAMIC
    uint32_t criteria;  // KEL_DRV_TRUNK_*
    uint32_t active_count;
    int16_t active[KEL_DRV_TRUNK_MEMBERS];
    iflist members;
};

// A mirror session (mirror family): where copies go, -1 for nowhere.
struct MirrorView {
    int32_t monitor;
    iflist rx, tx;
};

// The multicast groups (multicast family), found by (MAC, VLAN) through an
// open-addressing index of positions + 1.
constexpr uint32_t kGroupCells = 512;
struct GroupView {
    McastGroup group[kMcastCapacity];
    uint16_t index[kGroupCells];
};

// The spanning tree's settings and the ports' links (spanning-tree family),
// for the protocol the dataplane runs on the wire.
struct StpView {
    stp::BridgeConfig bridge;
    stp::PortConfig port[kSlots];
    stp::MstConfig mst;
};
static_assert(kSlots <= stp::kPorts);

// LACP's settings and the dynamic trunks' members (trunk family), for the
// protocol the dataplane runs on the wire; distributing: the members that
// collect and distribute now, the only ones of a dynamic trunk that carry
// frames.
struct LacpView {
    lacp::SystemConfig system;
    lacp::PortConfig port[kSlots];
    iflist distributing;
};

// GVRP's settings (GVRP family), for the protocol the dataplane runs on
// the wire: on, GVRP's frames are taken by the switch; declared, the VLANs
// that exist but not by GVRP's doing, which every GVRP port declares.
struct GvrpView {
    bool on;
    uint8_t mac[6];  // the switch's, its PDUs' source
    garp::PortConfig port[kSlots];
    vlanlist declared;
};

// ---- Policy: what the security and snooping families compiled ------------

// A filter of an access list, ready to be matched (access-list family):
// three keys of the frame compared under masks, each built as the frame's
// key is (acl_frames.cpp), so that a rule costs three masked compares.
struct AclRule {
    uint64_t key[3], mask[3];
    int16_t redirect;  // permit to this port alone (a slot), -1 for none
    uint8_t deny;      // 1: deny, 0: permit
};
struct AclView {
    uint32_t count;
    AclRule rule[kAclFilters];
};

// A port's 802.1X, port-security and snooping settings as frames meet them.
struct PolicyPort {
    uint8_t dot1x;          // 0: frames pass; else KEL_DRV_DOT1X_AUTHORIZED, _UNAUTHORIZED or _GUEST
    uint8_t dot1x_auto;     // the authenticator runs on the port: its EAPOL frames go there
    uint8_t single_host;    // authorized: only the authorized station's frames pass
    uint8_t station[6];     // the station authorized
    uint16_t guest_vlan;    // the VLAN of its frames while a guest
    uint8_t secure;         // port security on
    uint8_t violation;      // KEL_DRV_VIOLATION_*
    uint16_t secure_max;    // addresses it may hold
    uint16_t secure_count;  // addresses it holds
    uint8_t acl[2];         // its MAC and IP lists (list number, 0 for none)
    uint8_t dhcp_trusted;   // DHCP server messages may come in here
    uint8_t storm;          // bit t: a storm limit of type KEL_DRV_STORM_t
    uint8_t rate;           // bit 0: a receive rate, bit 1: a transmit rate
};

// A token bucket: tokens (packets or bytes) up to depth, refilled at rate
// per second in real time. Its level outlives a compile.
struct Bucket {
    uint64_t rate, depth;  // 0 rate: unlimited
    double level;
    uint64_t at_ns;  // last refill
};
enum BucketKind { kStormBroadcast, kStormMulticast, kStormUnknown, kRateRx, kRateTx, kBucketKinds };

// A secure address as frames meet it (port-security family): position + 1
// in an open-addressing index by MAC.
constexpr uint32_t kSecureCells = 2048;
struct SecureView {
    SecureAddr addr[kSecureAddrs];
    uint16_t index[kSecureCells];
};

// A group a port is leaving (IGMP snooping without immediate leave): it
// stays a member until the last-member query interval has passed.
constexpr uint32_t kPendingLeaves = 64;
struct PendingLeave {
    uint8_t mac[6];
    uint16_t vid;
    int16_t slot;
    uint64_t due_ns;
};

struct View {
    uint64_t epoch;  // Model::epoch compiled
    PortView port[kSlots];
    iflist sending;      // ports that may send frames now: present, link up, forwarding
    iflist blocking[2];  // by KEL_DRV_BLOCK_*: ports flooding no unknown destinations of that kind
    vlanlist vlans;      // the VLANs that exist
    VlanView vlan[KEL_VLAN_MAX + 1];
    TrunkView trunk[KEL_DRV_TRUNKS + 1];
    uint32_t trunks_in_use;  // bit id: trunk id exists
    MirrorView mirror[KEL_DRV_MIRROR_SESSIONS + 1];
    GroupView groups;
    StpView stp;
    LacpView lacp;
    GvrpView gvrp;
    // Frames of a VLAN follow its MST instance's port states (mode mstp
    // while the tree runs on the wire; otherwise every VLAN is in instance
    // 0, which every port sends in, and the ports' own states rule).
    uint8_t msti[KEL_VLAN_MAX + 2];               // per VLAN id
    iflist msti_sending[stp::kInstances];         // forwarding in the instance
    uint8_t msti_state[stp::kInstances][kSlots];  // KEL_DRV_PORT_STP_*
    uint8_t per_instance;                         // the states above rule
    // The MAC table (MAC table family): the model's, copied when compiled
    // and changed since by the frames alone.
    ArlTable fdb;
    uint32_t age_time;  // seconds, 0: entries never age
    uint32_t frozen;    // nothing is learned and nothing ages
    // The switch's clock (seconds): the wall clock plus the offset that test
    // control added, never below its last reading; and the monotonic clock
    // of this batch, for token buckets and timers.
    uint64_t clock_offset, clock_last, now;
    uint64_t now_ns;

    // Policy (the security and snooping families).
    PolicyPort policy[kSlots];
    iflist tx_limited;                   // ports with a transmit rate
    AclView acl[KEL_DRV_ACL_LISTS + 1];  // by list number
    SecureView secure;
    uint8_t cos_map[KEL_DRV_COS_PRIORITIES];
    vlanlist igmp_vlans, igmp_ileave, dhcp_vlans;  // snooping on (the switch's switch included)
    uint32_t lmqi_tenths;                          // last-member query interval
    // Kept by the frames alone, never compiled: bucket levels, router
    // ports (where queries came from) and leaves under way.
    Bucket bucket[kSlots][kBucketKinds];
    iflist routers[KEL_VLAN_MAX + 1];
    PendingLeave leaving[kPendingLeaves];
    uint32_t leaving_count;
};

// The compile step of each family, in the order compile_view runs them.
void compile_ports(const Model &m, View &v);     // port and spanning-tree families
void compile_vlans(const Model &m, View &v);     // VLAN family
void compile_fdb(const Model &m, View &v);       // MAC table family
void compile_groups(const Model &m, View &v);    // multicast family
void compile_trunks(const Model &m, View &v);    // trunk family, after the ports
void compile_mirrors(const Model &m, View &v);   // mirror family
void compile_dot1x(const Model &m, View &v);     // 802.1X family, after the VLANs (guest VLANs)
void compile_secure(const Model &m, View &v);    // port-security family
void compile_acls(const Model &m, View &v);      // access-list family
void compile_qos(const Model &m, View &v);       // CoS, rate and storm families
void compile_snooping(const Model &m, View &v);  // IGMP and DHCP snooping families
void compile_stp(const Model &m, View &v);       // spanning-tree family
void compile_lacp(const Model &m, View &v);      // trunk family
void compile_gvrp(const Model &m, View &v);      // GVRP family, after the ports
// A trunk's members that may carry frames now, again (trunk family).
void activate_trunk(View &v, uint32_t id);

// Compiles every part; call under the model's lock.
void compile_view(const Model &m, View &v);

}  // namespace kelsim
