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
    char name[32];           //  0 long name, "fastethernet1/0/3"
    uint32_t index;          // 32 flat index of the port in the stack, from 1
    uint32_t media;          // 36 1 Fast Ethernet, 2 Gigabit Ethernet
    int32_t unit;            // 40 unit of the port described
    int32_t slot;            // 44 always 0
    int32_t port;            // 48 port number
    uint32_t flags;          // 52 bit 31 stack port, bit 29 Fast Ethernet, bit 28 Gigabit
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
    uint32_t vid;           //   0 VLAN id
    uint32_t flags;         //   4 kVlanFlag* below
    uint32_t ports[4];      //   8 number of ports in each set, in set order
    uint32_t reserved0[4];  //  24 zero
    iflist set[4];          //  40 members, untagged, forbidden, native
    char name[36];          // 168 name, NUL-terminated, at most 32 characters
    uint32_t reserved1[9];  // 204 zero
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

// -- Spanning tree (0x0E) and MST (0x0F).
// Priorities: bridge 0..61440 in steps of 4096, port 0..240 in steps of 16.
// Times in seconds; a path cost of 0 means automatic (200000 for a Fast
// Ethernet port, 20000 for a Gigabit port).
constexpr uint32_t kStpModeStp = 0, kStpModeRstp = 1, kStpModeMstp = 2;    // 0x0E02 word 8
constexpr uint32_t kLinkAuto = 0, kLinkPointToPoint = 1, kLinkShared = 2;  // 0x0E0E word 8
constexpr uint32_t kStateDisabled = 0, kStateBlocking = 1, kStateListening = 2, kStateLearning = 3,
                   kStateForwarding = 4;
constexpr uint32_t kRoleDisabled = 0, kRoleRootPort = 1, kRoleDesignated = 2, kRoleAlternate = 3,
                   kRoleBackup = 4;
constexpr uint32_t kCostFastEthernet = 200000, kCostGigabit = 20000;

// Bridge-times record the library builds (0x0E08), 112 bytes; the driver
// reads three words and ignores the rest.
struct BridgeTimesRecord {
    uint32_t unused[11];     //  0
    uint32_t max_age;        // 44 6..40
    uint32_t hello_time;     // 48 1..10
    uint32_t forward_delay;  // 52 4..30
    uint32_t unused2[14];    // 56
};
static_assert(sizeof(BridgeTimesRecord) == 112 && offsetof(BridgeTimesRecord, max_age) == 44);

// Spanning-tree bridge record (0x0E03), 64 bytes. The simulated bridge is
// alone in its network, so it is always the root.
struct StpBridgeRecord {
    uint32_t enabled;   //  0 spanning tree on (0x0E01)
    uint32_t mode;      //  4 kStpMode*
    uint32_t priority;  //  8
    uint8_t mac[6];     // 12 bridge address (the switch's)
    uint8_t pad[2];
    uint32_t max_age;        // 20
    uint32_t hello_time;     // 24
    uint32_t forward_delay;  // 28
    uint32_t tx_hold_count;  // 32
    uint32_t uplink_fast;    // 36
    uint32_t root_priority;  // 40
    uint8_t root_mac[6];     // 44
    uint8_t pad2[2];
    uint32_t root_cost;  // 52
    uint32_t root_port;  // 56 flat port index; 0: this bridge is the root
    uint32_t ports;      // 60 ports of the stack taking part
};
static_assert(sizeof(StpBridgeRecord) == 64);

// Spanning-tree port record (0x0E04), 40 bytes.
struct StpPortRecord {
    uint32_t unit, port;  //  0, 4
    uint32_t priority;    //  8
    uint32_t path_cost;   // 12 as set; 0: automatic
    uint32_t oper_cost;   // 16 the cost in use
    uint32_t edge;        // 20
    uint32_t link_type;   // 24 kLink*
    uint32_t bpdu_guard;  // 28
    uint32_t state;       // 32 kState*
    uint32_t role;        // 36 kRole*
};
static_assert(sizeof(StpPortRecord) == 40);

// MST region record (0x0F03), 52 bytes.
struct MstRegionRecord {
    char name[36];           //  0 region name (0x0F06), at most 32 characters
    uint32_t revision;       // 36
    uint32_t max_hops;       // 40
    uint32_t instances;      // 44 instances that exist, the common one included
    uint32_t instance_mask;  // 48 bit i: instance i exists
};
static_assert(sizeof(MstRegionRecord) == 52);

// MST instance record (0x0F04 fills it, 0x0F05 reads it), 528 bytes. For
// 0x0F05 only the VLAN list counts: the instance (1..15) then holds exactly
// those VLANs, taking them from any other instance; its former VLANs that
// are not in the list go back to the common instance 0, and an empty list
// removes the instance. Instance 0 holds every VLAN no other instance has
// and cannot be set.
struct MstInstanceRecord {
    uint32_t instance;    //  0
    uint32_t active;      //  4 1 when the instance exists
    uint32_t priority;    //  8 bridge priority in the instance (0x0F08)
    uint32_t vlan_count;  // 12
    vlanlist vlans;       // 16 the VLANs mapped to the instance
};
static_assert(sizeof(MstInstanceRecord) == 528 && offsetof(MstInstanceRecord, vlans) == 16);

// MST bridge record of an instance (0x0F01), 40 bytes.
struct MstBridgeRecord {
    uint32_t instance;  //  0
    uint32_t active;    //  4
    uint32_t priority;  //  8
    uint8_t mac[6];     // 12
    uint8_t pad[2];
    uint32_t root_priority;  // 20
    uint8_t root_mac[6];     // 24
    uint8_t pad2[2];
    uint32_t root_cost;   // 32
    uint32_t vlan_count;  // 36
};
static_assert(sizeof(MstBridgeRecord) == 40);

// MST port record of an instance (0x0F02), 32 bytes.
struct MstPortRecord {
    uint32_t instance, unit, port;  //  0, 4, 8
    uint32_t priority;              // 12
    uint32_t path_cost;             // 16 as set; 0: automatic
    uint32_t oper_cost;             // 20
    uint32_t state;                 // 24
    uint32_t role;                  // 28
};
static_assert(sizeof(MstPortRecord) == 32);

// -- 802.1X (0x10).
constexpr uint32_t kAuthRadius = 0, kAuthLocal = 1, kAuthRadiusThenLocal = 2;            // 0x1002 word 8
constexpr uint32_t kCtrlForceAuthorized = 0, kCtrlForceUnauthorized = 1, kCtrlAuto = 2;  // 0x1004
constexpr uint32_t kPortAuthorized = 1, kPortUnauthorized = 2, kPortGuest = 3;
constexpr size_t kRadiusKeyWidth = 16;
constexpr size_t kUserTextWidth = 64;

// 802.1X system record (0x1003), 24 bytes.
struct Dot1xSysRecord {
    uint32_t enabled;          //  0
    uint32_t method;           //  4 kAuth*
    uint32_t radius_servers;   //  8 slots in use
    uint32_t local_users;      // 12
    uint32_t auto_ports;       // 16 ports whose control is kCtrlAuto
    uint32_t reauth_requests;  // 20 0x1007 requests answered
};
static_assert(sizeof(Dot1xSysRecord) == 24);

// 802.1X port record (0x1005), 64 bytes; the library's predicates read the
// control word at 4 (2: enabled) and the multiple-hosts word at 16 (0: single host).
struct Dot1xPortRecord {
    uint32_t unit;            //  0
    uint32_t control;         //  4 kCtrl*
    uint32_t port;            //  8
    uint32_t auth_state;      // 12 kPortAuthorized, kPortUnauthorized, kPortGuest
    uint32_t multi_host;      // 16
    uint32_t reauth;          // 20 periodic reauthentication on
    uint32_t reauth_period;   // 24 seconds, 1..65535
    uint32_t quiet_period;    // 28 seconds, 0..65535
    uint32_t server_timeout;  // 32 seconds, 1..65535
    uint32_t guest_vlan;      // 36 0: none
    uint32_t reauth_count;    // 40 reauthentications asked for (0x1007)
    uint32_t reserved[5];     // 44
};
static_assert(sizeof(Dot1xPortRecord) == 64 && offsetof(Dot1xPortRecord, control) == 4 &&
              offsetof(Dot1xPortRecord, multi_host) == 16);

// RADIUS server record as the library builds it (0x1010), 32 bytes. Slots
// 1 to 4; the address may not be 0, the UDP port 1..65535, the key not empty.
struct RadiusSetRecord {
    uint32_t addr;              // 0 network byte order
    char key[kRadiusKeyWidth];  // 4 no terminator when 16 characters long
    uint32_t udp_port;          // 20
    uint8_t unused[8];          // 24
};
static_assert(sizeof(RadiusSetRecord) == 32 && offsetof(RadiusSetRecord, udp_port) == 20);

// RADIUS server record as read back (0x1012), 32 bytes. The driver never
// hands a key back out: it only says whether one is stored.
struct RadiusServerRecord {
    uint32_t index;        //  0 slot 1..4
    uint32_t addr;         //  4
    uint32_t udp_port;     //  8
    uint32_t key_set;      // 12 1 when a key is stored
    uint32_t reserved[4];  // 16
};
static_assert(sizeof(RadiusServerRecord) == 32);

// Local-user record as the library builds it (0x1013), 144 bytes. A user of
// an existing name is updated; value is the user's privilege, 0..15.
struct LocalUserSetRecord {
    uint8_t unused[4];              //   0
    char name[kUserTextWidth];      //   4 no terminator when 64 characters long
    char password[kUserTextWidth];  //  68 likewise
    uint32_t value;                 // 132
    uint8_t unused2[8];             // 136
};
static_assert(sizeof(LocalUserSetRecord) == 144 && offsetof(LocalUserSetRecord, value) == 132);

// Local-user record as walked (0x1015), 72 bytes; never the password. The
// walk index is the slot after the user returned; -210 ends the walk.
struct LocalUserRecord {
    char name[68];   //  0 terminated
    uint32_t value;  // 68
};
static_assert(sizeof(LocalUserRecord) == 72);

// -- Access control lists (0x0D).
constexpr uint32_t kAclTypeMac = 2, kAclTypeIp = 4;  // list types, and install selectors
constexpr uint32_t kFilterMac = 1, kFilterIp = 2;    // kind of a filter
constexpr uint32_t kActionPermit = 1, kActionDeny = 2;
constexpr uint32_t kProtoAny = 0, kProtoIp = 4, kProtoTcp = 17, kProtoUdp = 18, kProtoIcmp = 19;
constexpr uint32_t kIcmpType = 1, kIcmpCode = 2;  // bits of icmp_match
constexpr uint32_t kSequenceStep = 10;

// ACL record (0x0D03 through word 96, 0x0D04 through buf), 80 bytes; the
// library reads the number at 32 and the port set at 44. A port carries at
// most one list of each type: installing (0x0D05, selector = the list's
// type) replaces the port's list of that type; removing (0x0D06) takes the
// selector and the port.
struct AclRecord {
    char name[32];      //  0 terminated, at most 31 characters
    uint32_t number;    // 32 1..16
    uint32_t type;      // 36 kAclType*
    uint32_t filters;   // 40 filters in the list
    iflist ports;       // 44 ports the list is installed on
    uint32_t reserved;  // 76
};
static_assert(sizeof(AclRecord) == 80 && offsetof(AclRecord, number) == 32 &&
              offsetof(AclRecord, ports) == 44);

// Filter record (0x0D07 fills it, 0x0D08..0x0D0B read it), 100 bytes; the
// library reads the egress port at 12..23. The caller fills the matching
// fields of its kind (MAC fields for a MAC list, IP fields for an IP list,
// the others zero); the words marked "driver" are ignored on add and delete
// and written on the walk: the egress port is the one the add command names
// in unit and port (none: 0), and param (word 48 of the command) is the
// filter's sequence number (0 on add: 10 past the last filter; 0 on delete:
// the first filter with the same fields). A zero mask matches anything;
// addresses are compared under their masks.
struct AclFilterRecord {
    uint32_t action;          //  0 kActionPermit or kActionDeny
    uint32_t sequence;        //  4 driver: sequence number
    uint32_t kind;            //  8 driver: kFilterMac or kFilterIp
    int32_t egress_unit;      // 12 driver
    int32_t egress_slot;      // 16 driver: 0
    int32_t egress_port;      // 20 driver
    uint8_t src_mac[6];       // 24 MAC filter
    uint8_t src_mac_mask[6];  // 30
    uint8_t dst_mac[6];       // 36
    uint8_t dst_mac_mask[6];  // 42
    uint32_t ethertype;       // 48 0: any, else 0x0600..0xFFFF
    uint32_t vid;             // 52 0: any, else 1..4094
    uint32_t protocol;        // 56 IP filter: kProto*; 0 and 4 match any IP packet
    uint32_t src_ip;          // 60 network byte order
    uint32_t src_mask;        // 64
    uint32_t dst_ip;          // 68
    uint32_t dst_mask;        // 72
    uint32_t src_port;        // 76 TCP or UDP only; 0: any, else 1..65535
    uint32_t dst_port;        // 80
    uint32_t icmp_match;      // 84 ICMP only: kIcmpType, kIcmpCode bits
    uint32_t icmp_type;       // 88 0..255
    uint32_t icmp_code;       // 92 0..255
    uint32_t param;           // 96 driver: word 48 of the add command
};
static_assert(sizeof(AclFilterRecord) == 100 && offsetof(AclFilterRecord, egress_unit) == 12 &&
              offsetof(AclFilterRecord, egress_port) == 20 && offsetof(AclFilterRecord, ethertype) == 48);

// -- Port security (0x17).
constexpr uint32_t kViolationProtect = 0, kViolationRestrict = 1, kViolationShutdown = 2;  // word 8
constexpr uint32_t kAgeAbsolute = 0, kAgeInactivity = 1;                                   // word 8
constexpr uint32_t kSecureAll = 0, kSecureStatic = 1, kSecureDynamic = 2;                  // walk type

// Port-security port record (0x170D), 48 bytes; the library reads word 12.
// Maximum 1..64 addresses (default 1); ageing time in minutes, 0..1440;
// the shutdown value is the time in seconds after which a port shut down
// by a violation would come back by itself (0: only by 0x170A), 0..86400.
struct PortSecuRecord {
    uint32_t unit, port;     //  0, 4
    uint32_t maximum;        //  8
    uint32_t enabled;        // 12
    uint32_t violation;      // 16 kViolation*
    uint32_t age_time;       // 20
    uint32_t age_type;       // 24 kAge*
    uint32_t shutdown_time;  // 28
    uint32_t shut;           // 32 1 while shut down by a violation
    uint32_t static_count;   // 36 configured secure addresses
    uint32_t dynamic_count;  // 40 learned addresses
    uint32_t violations;     // 44
};
static_assert(sizeof(PortSecuRecord) == 48 && offsetof(PortSecuRecord, enabled) == 12);

// Secure-address record (0x1704), 20 bytes. The walk index is a position
// in the driver's address table; -210 ends the walk.
struct SecureAddrRecord {
    uint8_t mac[6];  //  0
    uint8_t pad[2];
    uint32_t type;        //  8 kSecureStatic or kSecureDynamic
    uint32_t unit, port;  // 12, 16
};
static_assert(sizeof(SecureAddrRecord) == 20);

// -- GARP (0x12), GVRP (0x13), IGMP snooping (0x15), DHCP snooping (0x16).
// GVRP port mode: 0 normal, 1 fixed, 2 forbidden. IGMP last member query
// interval in tenths of a second, 1..250 (default 10).

// GARP timer record of a port (0x1201 reads it, 0x1202 fills it), 12
// bytes, centiseconds; join >= 10, leave >= 3 * join, leave-all > leave.
struct GarpTimesRecord {
    uint32_t join;       // 0 default 20
    uint32_t leave;      // 4 default 60
    uint32_t leave_all;  // 8 default 1000
};
static_assert(sizeof(GarpTimesRecord) == 12);

// GVRP port statistics record (0x1307), 52 bytes: PDUs received (rx) and
// sent (tx) per message type, in this order.
enum GvrpCounter : uint32_t {
    kJoinEmpty,
    kJoinIn,
    kEmpty,
    kLeaveIn,
    kLeaveEmpty,
    kLeaveAll,
    kGvrpMessageTypes
};
constexpr uint32_t kGvrpCounters = 2 * kGvrpMessageTypes + 1;
struct GvrpStatsRecord {
    uint32_t rx[kGvrpMessageTypes];  //  0
    uint32_t tx[kGvrpMessageTypes];  // 24
    uint32_t failed_registrations;   // 48
};
static_assert(sizeof(GvrpStatsRecord) == 4 * kGvrpCounters);

// DHCP snooping binding record (0x1609), 28 bytes. The walk index is the
// slot after the binding returned; -210 ends the walk. Switching DHCP
// snooping off empties the table.
struct DhcpBindingRecord {
    uint8_t mac[6];  //  0 client
    uint8_t pad[2];
    uint32_t ip;          //  8 network byte order
    uint32_t vid;         // 12
    uint32_t unit, port;  // 16, 20
    uint32_t lease;       // 24 seconds
};
static_assert(sizeof(DhcpBindingRecord) == 28);

// -- Maintenance: trace log (0x02), line protocol (0x18), cable diagnostics
// (0x19), watchdog (0x1A), crash dump (0x1B), DHCP client (0x1C), private
// show records (0x1E).
// Trace types 0..31 (word 8), each on (1) or off (0); trace level 0..7.
// Line protocol of a port: 0 down, 1 up (default), 2 up and looped back;
// the loopback query (0x1803) answers 1 for a looped-back port. Watchdog
// value: its timeout in seconds, 0 (off) to 300; its statistic is the
// number of timer resets since the last statistics reset, and a timer reset
// with the watchdog off is refused. Crash dump test: 0x1B02 writes a test
// dump, 0x1B03 writes one and restarts the switch (not ready until start-up
// completes again). DHCP client state: 0 off, 1 on.
constexpr uint32_t kLineDown = 0, kLineUp = 1, kLineLoopback = 2;
constexpr uint32_t kPairOk = 0, kPairOpen = 1, kPairShort = 2, kPairNotTested = 3;

// Cable diagnostics record of a port (0x1901), 48 bytes: 2 pairs tested on
// a Fast Ethernet port, 4 on a Gigabit port. A port whose line protocol is
// down reports its pairs open at the cable's length.
struct CableDiagRecord {
    uint32_t unit, port;      //  0, 4
    uint32_t status;          //  8 kPairOk when every tested pair is
    uint32_t pairs;           // 12 pairs tested
    uint32_t pair_status[4];  // 16 kPair*
    uint32_t pair_length[4];  // 32 metres: the cable's length, or the distance to a fault
};
static_assert(sizeof(CableDiagRecord) == 48);

// The private show records (0x1E01..0x1E03): the driver writes at most len
// bytes, the record's first len bytes when len is smaller; len 0 is refused.
constexpr uint32_t kLedOff = 0, kLedOn = 1, kLedBlinking = 2;

// LED record (0x1E01), 264 bytes: one byte per port, index [unit - 1][port - 1].
struct LedRecord {
    uint32_t units;      // 0 units present
    uint32_t ports;      // 4 ports in the stack
    uint8_t led[8][32];  // 8 kLed*: off when the line protocol is down,
                         //   blinking when looped back
};
static_assert(sizeof(LedRecord) == 264);

// Health record (0x1E02), 44 bytes.
struct HealthRecord {
    uint32_t temperature;       //  0 degrees Celsius
    uint32_t fans_ok;           //  4 1 when every fan turns
    uint32_t power_ok;          //  8
    uint32_t watchdog_timeout;  // 12 seconds, 0: off
    uint32_t watchdog_resets;   // 16 the watchdog statistic
    uint32_t crash_dumps;       // 20 dumps written
    uint32_t boot_id;           // 24 (0x1B01)
    uint32_t trace_level;       // 28
    uint32_t trace_mask;        // 32 bit t: trace type t on
    uint32_t reboots;           // 36
    uint32_t dhcp_client;       // 40 DHCP client state
};
static_assert(sizeof(HealthRecord) == 44);

// Model record (0x1E03), 72 bytes.
struct ModelRecord {
    char model[32];        //  0 "KS-48FE-4GE" for the stack
    char serial[16];       // 32
    char firmware[16];     // 48
    uint32_t hw_revision;  // 64
    uint32_t units;        // 68
};
static_assert(sizeof(ModelRecord) == 72);

}  // namespace kelsim
