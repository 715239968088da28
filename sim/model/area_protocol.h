// area_protocol.h - spanning tree, 802.1X, access lists, port security,
// GARP/GVRP, IGMP and DHCP snooping and the maintenance families of the
// simulated switch.
//
// Plain per-switch and per-port values (times, priorities, on/off words)
// live in the shared Setting store (settings.h); this structure holds what
// is a table or a set: MST instances and their VLANs, RADIUS slots, local
// users, access lists with their filters, secure addresses, VLAN sets of the
// snooping families, the DHCP binding table and a few counters.
#pragma once

#include <cstdint>

#include "kel.h"
#include "kel_driver.h"
#include "model/topology.h"

namespace kelsim {

struct Model;

constexpr uint32_t kLocalUsers = 16;
constexpr uint32_t kAclFilters = 64;  // per list
constexpr uint32_t kSecureAddrs = 1024;
constexpr uint32_t kDhcpBindings = 256;

struct MstState {
    char name[KEL_DRV_MST_NAME_MAX + 1];
    uint8_t pad[3];
    uint32_t active;                        // bit i: instance i exists (bit 0 always)
    uint8_t instance_of[KEL_VLAN_MAX + 1];  // per VLAN id; 0: the common instance
    uint8_t pad2[1];
};

// The spanning tree as a dataplane runs it on the wire: its outcome, for
// the records to read. While running is 0 the bridge is alone in its
// network, the root of every instance.
struct StpPortRun {
    uint8_t role;  // KEL_DRV_STP_ROLE_*
    uint8_t shut;  // shut by BPDU guard until its link goes down
    uint8_t edge;  // operating as an edge port
    uint8_t pad;
    uint32_t received, sent, refused;          // BPDUs; refused: malformed, or beyond what a batch takes
    uint8_t mst_role[KEL_DRV_MST_INSTANCES];   // per MST instance (mode mstp), KEL_DRV_STP_ROLE_*
    uint8_t mst_state[KEL_DRV_MST_INSTANCES];  // KEL_DRV_STP_STATE_*
    uint8_t boundary;                          // its neighbour is outside the region
    uint8_t pad2[3];
};

// An MST instance's root as the tree on the wire found it.
struct MstRootRun {
    uint32_t priority;
    uint8_t mac[6];
    uint8_t pad[2];
    uint32_t cost;  // internal path cost (instance 0: the root path cost)
};

struct StpRun {
    uint32_t running;
    uint32_t root_priority;
    uint8_t root_mac[6];
    uint8_t pad[2];
    uint32_t root_cost;
    uint32_t root_port;  // flat port index, 0 when this bridge is the root
    uint32_t topology_changes;
    uint32_t mst;  // the MST instances' outcome below holds (mode mstp)
    MstRootRun mst_root[KEL_DRV_MST_INSTANCES];
    StpPortRun port[kMaxUnits][kMaxPorts];
};

struct RadiusSlot {
    uint32_t used;
    uint32_t addr;
    uint32_t udp_port;
    char key[KEL_DRV_RADIUS_KEY_WIDTH + 1];  // the driver's copy of the shared key
    uint8_t pad[3];
};

struct LocalUser {
    uint32_t used;
    uint32_t value;
    char name[KEL_DRV_USER_TEXT_WIDTH + 1];
    char password[KEL_DRV_USER_TEXT_WIDTH + 1];  // the driver's copy; never handed back
    uint8_t pad[2];
};

struct AclList {
    uint32_t used;
    uint32_t type;
    char name[KEL_DRV_ACL_NAME_MAX + 1];
    iflist ports;
    uint32_t nfilters;
    kel_drv_acl_filter filter[kAclFilters];  // in order of sequence number
};

struct SecureAddr {
    uint8_t used;
    uint8_t unit;
    uint8_t port;
    uint8_t type;  // KEL_DRV_SECURE_STATIC or KEL_DRV_SECURE_DYNAMIC
    uint8_t mac[6];
    uint8_t pad[2];
    uint64_t learned;  // clock second it was learned (absolute ageing)
    uint64_t seen;     // clock second of its last frame (inactivity ageing)
};

struct PortSecuPort {
    uint32_t shut;        // 1 while shut down by a violation
    uint32_t violations;  // frames that violated the port's rule
    uint64_t shut_at;     // clock second it was shut down
};

struct DhcpBinding {
    uint32_t used;
    kel_drv_dhcp_binding rec;
    uint64_t expires;  // clock second the lease ends; 0: never
};

// A port's 802.1X state beyond its settings: the station an authentication
// exchange authorized (kelsim's dot1x command stands in for the exchange).
struct Dot1xPort {
    uint32_t authorized;  // 1 once a station is authorized
    uint8_t station[6];
    uint8_t pae;  // the authenticator's state while a dataplane runs it (dot1x::State)
    uint8_t pad;
    uint32_t eapol_frames;  // EAPOL frames the port received
    // The authenticator's counts: EAPOL-Starts and -Logoffs, accepts,
    // rejects, servers that did not answer, malformed packets and Responses
    // out of turn.
    uint32_t starts, logoffs, successes, failures, timeouts, refused;
};

// GVRP as a dataplane runs it on the wire: each port's registrations and
// the VLANs that exist only because a port registered them (dynamic VLANs,
// removed when the last registration ends). While running is 0 nothing is
// registered.
struct GvrpRun {
    uint32_t running;
    vlanlist created;
    vlanlist registered[kMaxUnits][kMaxPorts];
    uint32_t refused[kMaxUnits][kMaxPorts];  // malformed PDUs, or beyond what a batch takes
};

struct ProtocolState {
    MstState mst;
    StpRun stp;
    RadiusSlot radius[KEL_DRV_RADIUS_SLOTS];
    LocalUser user[kLocalUsers];
    AclList acl[KEL_DRV_ACL_LISTS];  // list number n in slot n - 1
    SecureAddr secure[kSecureAddrs];
    PortSecuPort secu[kMaxUnits][kMaxPorts];
    Dot1xPort dot1x[kMaxUnits][kMaxPorts];
    uint32_t gvrp_stats[kMaxUnits][kMaxPorts][KEL_DRV_GVRP_COUNTERS];
    GvrpRun gvrp;
    vlanlist igmp_vlans;   // IGMP snooping on
    vlanlist igmp_ileave;  // immediate leave on
    vlanlist dhcp_vlans;   // DHCP snooping on
    DhcpBinding binding[kDhcpBindings];
    uint32_t trace_mask;  // bit t: trace type t on
    uint32_t watchdog_kicks;
    uint32_t crash_dumps;
};

}  // namespace kelsim
