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

// ---- Spanning tree, 802.1X, access lists, port security, GARP/GVRP, IGMP and
// ---- DHCP snooping, maintenance ---------------------------------------------

}  // namespace kelsim
