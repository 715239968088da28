// records.h - the records kelsim's driver writes and reads through buf.
//
// The library reads only a few words of these records (the unit, port and
// flags of the port information record; the four port sets of the VLAN
// record; ...); the rest of each layout is the simulated driver's own and is
// documented here, once. All words are native 32-bit words; texts are
// NUL-terminated unless the comment says otherwise.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kel.h"

namespace kelsim {

// Port information record (0x0008), 1268 bytes.
struct PortInfoRecord {
    char name[32];       //  0 long name, "fastethernet1/0/3"
    uint32_t index;      // 32 flat index of the port in the stack, from 1
    uint32_t media;      // 36 1 Fast Ethernet, 2 Gigabit Ethernet
    int32_t unit;        // 40 unit of the port described
    int32_t slot;        // 44 always 0
    int32_t port;        // 48 port number
    uint32_t flags;      // 52 bit 31 stack port, bit 29 Fast Ethernet, bit 28 Gigabit
    uint32_t reserved[303];  // 56 zero
};
static_assert(sizeof(PortInfoRecord) == KEL_PORTINFO_SIZE);
static_assert(offsetof(PortInfoRecord, unit) == KEL_PORTINFO_UNIT);
static_assert(offsetof(PortInfoRecord, port) == KEL_PORTINFO_PORT);
static_assert(offsetof(PortInfoRecord, flags) == KEL_PORTINFO_FLAGS);

// Unit information record (0x0109), 64 bytes.
struct UnitInfoRecord {
    uint32_t unit;        //  0 unit number
    uint32_t present;     //  4 1 when the unit is in the stack
    uint32_t nports;      //  8 ports of the unit
    uint32_t fe_ports;    // 12 of which Fast Ethernet
    uint32_t ge_ports;    // 16 of which Gigabit Ethernet
    uint32_t stack_mask;  // 20 bit p - 1 set for each stack port
    uint32_t priority;    // 24 unit priority (0x0104), 1 to 8
    uint32_t role;        // 28 1 master, 2 member
    uint32_t ip;          // 32 unit management address (0x0107), network byte order
    uint32_t mask;        // 36 its mask
    uint8_t mac[6];       // 40 the unit's MAC address
    uint8_t pad[2];       // 46
    char model[16];       // 48 model text, "KS-24FE-2GE"
};
static_assert(sizeof(UnitInfoRecord) == 64);

constexpr uint32_t kRoleMaster = 1;
constexpr uint32_t kRoleMember = 2;

// ---- VLANs (0x06) -----------------------------------------------------------

// VLAN record (0x0604), 240 bytes. The four port sets are iflists (port p of
// unit u is bit p - 1 of word u - 1):
//   set 0, members   the ports that carry the VLAN, tagged or untagged;
//   set 1, untagged  the members that send its frames without a tag (a
//                    subset of set 0);
//   set 2, forbidden the ports that may never join it (never in set 0);
//   set 3, native    the ports whose native VLAN it is: untagged frames they
//                    receive belong to this VLAN. Each port has exactly one.
struct VlanRecord {
    uint32_t vid;            //   0 VLAN id
    uint32_t flags;          //   4 kVlanFlag* below
    uint32_t ports[4];       //   8 number of ports in each set, in set order
    uint32_t reserved0[4];   //  24 zero
    iflist set[4];           //  40 members, untagged, forbidden, native
    char name[36];           // 168 name, NUL-terminated, at most 32 characters
    uint32_t reserved1[9];   // 204 zero
};
static_assert(sizeof(VlanRecord) == KEL_VLANINFO_SIZE);
static_assert(offsetof(VlanRecord, set) == offsetof(vlaninfo, set));

constexpr uint32_t kVlanFlagDefault = 1u << 0;     // VLAN 1, which cannot be destroyed
constexpr uint32_t kVlanFlagManagement = 1u << 1;  // the management VLAN (interface sw0)

// VLAN list (0x0603): a vlanlist of 512 bytes (len stays 0), the bit of every
// VLAN that exists set. VLAN names (0x0605, 0x0606, 0x0607): 1 to 32
// printable characters (space to '~'), unique among the VLANs; a new VLAN is
// named "VLAN" and its id in four digits ("VLAN0010"), VLAN 1 "default".
// 0x0605 reads at most len bytes (the name ends at the first zero byte or
// there); 0x0606 writes the name and its terminator, buffer-too-small when
// len cannot hold both; 0x0607 reads a terminated name and answers its VLAN
// in vid (no-such-entry, vid 0, for an unknown name).

// ---- Ports, statistics, MAC and multicast tables, trunks, LACP, mirroring,
// ---- queues, rate limits and storm control ----------------------------------

// Values of the port commands (family 0x05), one word each:
//   admin (0x0507)      0 down, 1 up (initial)
//   link (0x0505)       0 down, 1 up: up when the port is administratively up
//                       and its cable is plugged (test control; initially all)
//   medium (0x0504)     1 Fast Ethernet, 2 Gigabit Ethernet (as in PortInfoRecord)
//   uptime (0x0501)     seconds since the link came up, 0 while it is down
//   spanning tree (0x0506) 1 disabled (link down), 5 forwarding (link up)
//   speed (0x0515)      0 auto (initial), 10, 100, 1000 (Gigabit ports only), Mb/s
//   duplex (0x0513)     0 auto (initial), 1 half, 2 full
//   autoneg (0x0511)    0 off, 1 on (initial)
//   flow control, ingress filtering (0x0517, 0x051D)  0 off (initial), 1 on
//   MDI-X (0x0521)      0 auto (initial), 1 MDI, 2 MDI-X
//   priority (0x0519)   0 (initial) to 7, at word 52
//   discard (0x051F)    0 none (initial), 1 untagged frames, 2 tagged frames, at word 8
//   block (0x051B)      type at word 8: 0 unknown unicast, 1 unknown multicast;
//                       value 0 forward (initial), 1 block
//   trunk id (0x0502)   the trunk the port belongs to, 0 for none
//   mirror (0x0503)     session at word 28 (0 for none); value: the port's
//                       mirroring mode in that session (1 to 3, below), or 4
//                       when it is the session's monitor port
constexpr uint32_t kStpDisabled = 1;
constexpr uint32_t kStpForwarding = 5;
constexpr uint32_t kMirrorRoleMonitor = 4;

// VLAN modes of a port (0x0509, word 8; the port's own VLAN in vid):
//   1 access (initial, VLAN 1): an untagged member of its own VLAN only;
//   2 trunk: untagged in its own (native) VLAN, a tagged member of each VLAN
//     of its tagged allowed list;
//   3 hybrid: as trunk, and an untagged member of each VLAN of its untagged
//     allowed list.
// Allowed-VLAN lists (0x050E, 0x0510, word 8 type): 1 tagged, 2 untagged. A
// VLAN is in at most one of the two lists; 0x050F removes from both. The
// lists may name VLANs that do not exist; the bits of 4095 and 4096 are
// ignored. A port's place in the members, untagged and native sets of every
// existing VLAN follows these settings; a VLAN that forbids the port is not
// joined. The port's own VLAN in effect, its operational VLAN (0x050D), is
// the one set (0x050C answers it) while it exists and does not forbid the
// port, else VLAN 1: every port has exactly one native VLAN.
constexpr uint32_t kVlanModeAccess = 1;
constexpr uint32_t kVlanModeTrunk = 2;
constexpr uint32_t kVlanModeHybrid = 3;
constexpr uint32_t kAllowTagged = 1;
constexpr uint32_t kAllowUntagged = 2;

// Port statistics record (0x0C02), 180 bytes: every counter of the port by
// its selector number (0x0C01, word 8). Counters are 32 bits and wrap.
// Selectors 12 to 14, 33, 34, 37, 38 and 40 are not counted: they read 0 in
// the record and 0x0C01 refuses them with -203, as any selector above 42.
constexpr uint32_t kCounters = 43;
enum StatsCounter : uint32_t {
    kRxOctets = 0,   // octets of every good frame received
    kRxUcast = 1,    // unicast frames received and forwarded
    kRxNucast = 2,   // multicast and broadcast frames received and forwarded
    kRxDiscard = 3,  // good frames received and discarded (storm or rate limit)
    kRxError = 4,    // frames received too short or too long
    kUnknownProto = 5,
    kTxOctets = 6,
    kTxUcast = 7,
    kTxNucast = 8,
    kTxDiscard = 9,  // frames to send discarded (link down, rate limit)
    kTxError = 10,
    kTxQlen = 11,  // frames waiting in the output queue: always 0
    kDelayExceed = 15,
    kMtuExceed = 16,   // frames received longer than 1518 bytes
    kInFrame = 17,     // good frames received
    kOutFrame = 18,    // frames sent
    kInDiscard = 19,   // good frames received and discarded
    kDropEvents = 20,  // times frames were discarded for want of room (one per burst)
    kRxMcast = 21,
    kRxBcast = 22,
    kUndersize = 23,  // frames received shorter than 64 bytes
    kFragments = 24,
    k64Octets = 25,  // frames of each size, received and sent
    k65To127Octets = 26,
    k128To255Octets = 27,
    k256To511Octets = 28,
    k512To1023Octets = 29,
    k1024To1518Octets = 30,
    kOversize = 31,  // frames received longer than 1518 bytes
    kJabber = 32,
    kCollisions = 35,
    kCrcAlignErrors = 36,
    kAlignErrors = 39,
    kSingleCollisions = 41,
    kMultiCollisions = 42,
};
struct StatsRecord {
    uint32_t unit;                // 0
    uint32_t port;                // 4
    uint32_t counter[kCounters];  // 8 counter[selector]
};
static_assert(sizeof(StatsRecord) == 180);

// MAC address table (family 0x03). Entry kinds: 1 static, 2 dynamic. Walk
// kinds (0x0304, 0x0305, 0x0306 and getpage's sel): 1 static entries, 2
// dynamic entries, 4 every entry. Flush kinds: 3 (0x030A to 0x030C) static
// and dynamic entries, 2 (0x030F to 0x0311) dynamic entries only; every
// flush answers the number of entries removed at word 64.
// Walk index: the table is 8192 positions; an index going in is the first
// position to look at (start with 0), the index coming back is the position
// after the entry answered, 65535 when no entry of the kind is left at or
// after the given position (an index beyond the table answers 65535 too).
// Ageing time (0x0301, word 64): seconds, 300 initially, 0 never ages.
// Freeze (0x0308, word 44): 1 frozen (nothing learned, nothing ages), 0 not.
constexpr uint32_t kArlStatic = 1;
constexpr uint32_t kArlDynamic = 2;
constexpr uint32_t kArlWalkAll = 4;

// One entry (0x0304 to 0x0306), 28 bytes.
struct ArlEntryRecord {
    uint8_t mac[6];  //  0
    uint16_t pad;    //  6 zero
    uint32_t vid;    //  8
    uint32_t unit;   // 12 the port the address is reached through
    uint32_t port;   // 16
    uint32_t kind;   // 20 1 static, 2 dynamic
    uint32_t age;    // 24 seconds since a dynamic entry was last learned; 0 static
};
static_assert(sizeof(ArlEntryRecord) == 28);

// One page (0x0307), 900 bytes: up to 32 entries from the given position on.
constexpr uint32_t kArlPageEntries = 32;
struct ArlPageRecord {
    uint32_t count;                         // 0 entries filled
    ArlEntryRecord entry[kArlPageEntries];  // 4 the rest zero
};
static_assert(sizeof(ArlPageRecord) == 900);

// Multicast group (0x0404 to 0x0406), 56 bytes. Kinds: 1 static, 2 learned
// (snooping). Priority of a static group 0 to 7. The walks use positions as
// the MAC table's do, over 256 groups.
struct McastEntryRecord {
    uint8_t mac[6];     //  0
    uint16_t pad;       //  6
    uint32_t vid;       //  8
    uint32_t kind;      // 12
    uint32_t priority;  // 16
    uint32_t count;     // 20 member ports
    iflist ports;       // 24
};
static_assert(sizeof(McastEntryRecord) == 56);

// Trunks 1 to 8 (family 0x07), at most 8 member ports each, none of them a
// stack port, a member of another trunk or a mirror monitor port. Kinds: 1
// static, 2 dynamic (LACP). Criteria (0x0705, word 48): 1 source MAC, 2
// destination MAC, 3 source and destination MAC (initial), 4 source IP, 5
// destination IP, 6 source and destination IP. The predicates 0x0707 and
// 0x0708 answer the port's trunk id at word 44 (0 when not in such a trunk).
constexpr uint32_t kTrunkStatic = 1;
constexpr uint32_t kTrunkDynamic = 2;

// Trunk data (0x0703), 48 bytes.
struct TrunkRecord {
    uint32_t id;        //  0
    uint32_t kind;      //  4
    uint32_t criteria;  //  8
    uint32_t count;     // 12 member ports
    iflist members;     // 16
};
static_assert(sizeof(TrunkRecord) == 48);

// LACP data of a dynamic trunk (0x1105), 152 bytes. Priorities (0x1101,
// 0x1103, word 52) 0 to 65535, 32768 initially. A static trunk has none
// (-209).
constexpr uint32_t kLacpMembers = 8;
constexpr uint32_t kLacpActive = 0x3D;     // activity, aggregation, in sync, collecting, distributing
constexpr uint32_t kLacpDefaulted = 0x45;  // activity, aggregation, defaulted: the link is down
struct LacpMemberRecord {
    uint32_t unit, port;  // 0, 4
    uint32_t priority;    // 8
    uint32_t state;       // 12 actor state bits
};
struct LacpRecord {
    uint32_t trunk;                         //  0
    uint32_t sys_priority;                  //  4
    uint8_t sys_mac[6];                     //  8 the switch's MAC address
    uint16_t pad;                           // 14
    uint32_t key;                           // 16 the actor key: the trunk id
    uint32_t count;                         // 20 members
    LacpMemberRecord member[kLacpMembers];  // 24
};
static_assert(sizeof(LacpRecord) == 152);

// Mirror sessions 1 to 4 (family 0x08). Modes of a mirrored port (word 8):
// 0 not mirrored, 1 received traffic, 2 sent traffic, 3 both. 0x0804 answers
// the ports whose mode includes every direction of its mode (1 to 3). A port
// is mirrored by one session at a time; a monitor port is mirrored by none
// and belongs to no trunk.
constexpr uint32_t kMirrorRx = 1;
constexpr uint32_t kMirrorTx = 2;

// Session data (0x0805), 80 bytes.
struct MirrorSessionRecord {
    uint32_t session;       //  0
    uint32_t monitor_unit;  //  4 0 when the session has no monitor port
    uint32_t monitor_port;  //  8
    uint32_t active;        // 12 1 when it has a monitor port and a mirrored port
    iflist rx;              // 16 ports whose received traffic is copied
    iflist tx;              // 48 ports whose sent traffic is copied
};
static_assert(sizeof(MirrorSessionRecord) == 80);

// CoS queues (family 0x09): priorities 0 to 7 map to queues 0 to 3, initially
// 1 0 0 1 2 2 3 3 (and again after 0x0902). Policies (word 48): 1 strict
// priority, 2 weighted round robin (initial). Parameters: the queues'
// weights, one word each (1 to 255; initially 1 2 4 8); the driver reads
// and writes only whole words within len, at most 16 bytes.
constexpr uint32_t kCosPriorities = 8;
constexpr uint32_t kCosQueues = 4;
constexpr uint32_t kCosStrict = 1;
constexpr uint32_t kCosWrr = 2;
struct CosqParams {
    uint32_t weight[kCosQueues];
};
static_assert(sizeof(CosqParams) == 16);

// Rates (family 0x0A): rate at word 60 in kb/s (0 unlimited, at most the
// port's line rate), burst at word 56 in KB (0 to 16384). Storm control
// (family 0x0B): type at word 8: 0 broadcast, 1 multicast, 2 unknown unicast;
// rate at word 60 in packets per second, 0 unlimited, at most 1488095.
constexpr uint32_t kStormTypes = 3;

// ---- Spanning tree, 802.1X, access lists, port security, GARP/GVRP, IGMP and
// ---- DHCP snooping, maintenance ---------------------------------------------

}  // namespace kelsim
