// area_forwarding.h - ports, statistics, MAC and multicast tables, trunks,
// LACP, mirroring, queues, rates and storm control of the simulated switch.
//
// Plain settings of these families (speed, duplex, priorities, rates, storm
// limits, ...) live in the shared setting store; what is kept here is the
// state that handlers compute with. The layouts of the records the driver
// writes, and the meaning of every value, are in kel_driver.h.
//
// The second half declares the test-control side of the area: what the wire
// and the stations behind the ports do (cables, traffic, learned addresses,
// joined groups, the passing of time). Call these on a model under its lock,
// inside kelsim::with_model in tests, or under a Lock in kelsim's own
// commands. They answer a driver status: KEL_DRV_OK, or why nothing changed.
#pragma once

#include <cstdint>

#include "kel.h"
#include "kel_driver.h"
#include "model/topology.h"

namespace kelsim {

struct Model;

// One port beyond its settings.
struct PortState {
    uint32_t unplugged;   // 1 when its cable is pulled (test control)
    uint32_t stp;         // KEL_DRV_PORT_STP_* given by the spanning tree while the link is up; 0: forwarding
    uint64_t link_since;  // clock second at which the link last came up
    vlanlist allowed[2];  // allowed VLANs: [0] tagged, [1] untagged
    uint32_t counter[KEL_DRV_COUNTERS];
};

constexpr uint32_t kArlCapacity = 8192;     // entries; positions 0..8191
constexpr uint32_t kArlIndexCells = 16384;  // cells of the lookup index, a power of two
static_assert(kArlCapacity < KEL_WALK_END, "a position must never read as the end marker");

struct ArlSlot {
    uint8_t mac[6];
    uint16_t vid;
    uint8_t kind;  // 0 free, KEL_DRV_ARL_STATIC, KEL_DRV_ARL_DYNAMIC
    uint8_t unit;
    uint8_t port;
    uint8_t pad[5];
    uint64_t learned;  // clock second of the last learning (dynamic)
};

struct ArlTable {
    uint32_t used;        // positions in use
    uint32_t first_free;  // no position below it is free
    uint32_t pad;
    uint64_t aged_at;  // clock second of the last ageing pass
    ArlSlot slot[kArlCapacity];
    uint16_t index[kArlIndexCells];  // linear-probing index by (MAC, VLAN): position + 1, 0 empty
};

constexpr uint32_t kMcastCapacity = 256;

struct McastGroup {
    uint8_t mac[6];
    uint16_t vid;
    uint32_t kind;  // 0 free, KEL_DRV_ARL_STATIC (static), KEL_DRV_ARL_DYNAMIC (learned)
    uint32_t priority;
    iflist ports;
};

struct Trunk {
    uint32_t kind;  // 0 none, KEL_DRV_TRUNK_STATIC, KEL_DRV_TRUNK_DYNAMIC
    uint32_t criteria;
    iflist members;
};

// LACP as a dataplane runs it on the wire: each member's outcome, for the
// records and kelsim lacp to read. While running is 0 no LACP runs, and the
// LACP data follows the members' links. fast (kelsim lacp-rate): the members
// ask their partners for an LACPDU every second rather than every 30.
struct LacpPortRun {
    uint8_t state;  // the actor's state bits (lacp_pdu.h)
    uint8_t mux;    // lacp::Mux
    uint8_t pad[2];
    uint16_t partner_priority, partner_key, partner_port_priority, partner_port;
    uint8_t partner_sys[6];
    uint8_t partner_state;
    uint8_t pad2;
    uint32_t received, sent, refused;  // LACPDUs; refused: malformed, or beyond what a batch takes
};

struct LacpRun {
    uint32_t running;
    uint32_t fast;
    LacpPortRun port[kMaxUnits][kMaxPorts];
};

struct MirrorSession {
    uint32_t monitor_unit, monitor_port;  // 0, 0: none
    iflist rx, tx;
};

struct ForwardingState {
    uint64_t clock_offset;  // seconds added to the wall clock (test control), saturating
    uint64_t clock_last;    // the clock's last reading: it never goes back from there
    PortState port[kMaxUnits][kMaxPorts];
    ArlTable arl;
    McastGroup mcast[kMcastCapacity];
    Trunk trunk[KEL_DRV_TRUNKS + 1];  // by id; 0 unused
    LacpRun lacp;
    MirrorSession mirror[KEL_DRV_MIRROR_SESSIONS + 1];  // by session; 0 unused
    uint8_t cos_map[KEL_DRV_COS_PRIORITIES];
    uint32_t cos_policy;
    uint32_t cos_weight[KEL_DRV_COS_QUEUES];
};

// ---- Test control ------------------------------------------------------------

// The switch's clock in seconds: the wall clock plus what advance_clock added,
// never less than its last reading (the wall clock may be set back) and
// stopping at its largest value rather than wrapping.
uint64_t clock_now(Model &m);
void advance_clock(Model &m, uint64_t seconds);
// a + b, or the largest value when that does not fit.
inline uint64_t add_saturating(uint64_t a, uint64_t b) { return a + b < a ? UINT64_MAX : a + b; }
// A span of the clock as a 32-bit answer word, the largest value when longer.
inline uint32_t clock_span(uint64_t since, uint64_t now) {
    return now <= since ? 0 : now - since > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(now - since);
}

// Plugs or pulls the cable of a port; the link follows.
int32_t set_cable(Model &m, uint32_t unit, uint32_t port, bool plugged);

// Puts a port into a spanning-tree state (KEL_DRV_PORT_STP_BLOCKING to
// _FORWARDING) while its link is up, as the spanning tree would; refused for
// a stack port (-209) or another value (-203).
int32_t set_stp_state(Model &m, uint32_t unit, uint32_t port, uint32_t state);

// One second's worth of frames on a port, all of one size and one kind.
enum class Direction : uint8_t { rx, tx };
enum class Cast : uint8_t { unicast, multicast, broadcast };
struct Traffic {
    uint32_t packets;
    uint64_t bytes;  // in all; bytes / packets is the frame size (64 when 0)
    Direction dir = Direction::rx;
    Cast cast = Cast::unicast;
};
// Counts the frames as the port would: on a link that is down nothing is
// received and everything sent is discarded; frames shorter than 64 or
// longer than 1518 bytes are received as errors; received broadcasts and
// multicasts above the port's storm limit and frames above its rate limits
// are discarded (one drop event per call).
int32_t traffic(Model &m, uint32_t unit, uint32_t port, const Traffic &t);
// Adds n to one counter of a port (errors, collisions, ...).
int32_t count_event(Model &m, uint32_t unit, uint32_t port, uint32_t selector, uint32_t n);

// Learns (MAC, VLAN) as a dynamic entry on a port, or moves a dynamic entry
// there; refused for a group address, a frozen table (-209), a static entry
// of the same key (-207) or a full table (-206).
int32_t learn(Model &m, const uint8_t mac[6], uint32_t vid, uint32_t unit, uint32_t port);

// A port joins a multicast group as snooping would: a learned group is made
// when none exists.
int32_t mcast_join(Model &m, const uint8_t mac[6], uint32_t vid, uint32_t unit, uint32_t port);

// ---- For the VLAN family -------------------------------------------------------

// Gives every port whose own VLAN or allowed VLANs name vid its place in the
// VLAN sets again; for the VLAN family to call when the VLAN comes into
// being (a port whose own VLAN it is moves to it from VLAN 1).
void port_vlans_attach(Model &m, uint32_t vid);
// Gives a port its place in one VLAN's sets again (its settings, and a GVRP
// registration of the VLAN on the port: a tagged member).
void port_vlan_refresh(Model &m, uint32_t vid, uint32_t unit, uint32_t port);

}  // namespace kelsim
