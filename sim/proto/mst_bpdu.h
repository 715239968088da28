// mst_bpdu.h - the multiple spanning tree's part of a BPDU: what follows
// the rapid BPDU (stp_bpdu.h) in a version 3 BPDU. The rapid part then
// speaks of the common tree as the region shows it outside: the root, the
// external path cost to it, the regional root (where a rapid BPDU names its
// sender) and the port; the multiple tree's part adds the region's
// configuration identifier, the internal path cost to the regional root,
// the sender itself, the hops left, and one message per MST instance.
// Decoding and encoding only: no state, no I/O.
#pragma once

#include <cstddef>
#include <cstdint>

#include "proto/stp_bpdu.h"

namespace kelsim::stp {

constexpr size_t kRegionNameSize = 32;
constexpr size_t kDigestSize = 16;

// Two bridges are in one region when these are equal byte for byte.
struct ConfigId {
    uint8_t selector;            // 0
    char name[kRegionNameSize];  // padded with zeros
    uint16_t revision;
    uint8_t digest[kDigestSize];  // of the VLAN to instance table
};
bool operator==(const ConfigId &a, const ConfigId &b);
inline bool operator!=(const ConfigId &a, const ConfigId &b) { return !(a == b); }

// An MST instance's message: flags as a rapid BPDU's (bit 7 says the port
// is a master port, where the rapid BPDU has its acknowledgement); the
// sender's bridge and port in the instance are its priorities above the
// address and number of the common part.
struct MstiMessage {
    uint8_t flags;
    uint64_t regional_root;   // its 12-bit extension holds the instance
    uint32_t cost;            // internal path cost to the instance's regional root
    uint8_t bridge_priority;  // the top 4 bits of the sender's priority in the instance
    uint8_t port_priority;    // the top 4 bits of the sender's port priority
    uint8_t hops;             // remaining hops
};
constexpr uint8_t kFlagMaster = 0x80;

constexpr int kMaxMstiMessages = 64;  // what one BPDU may carry
struct Mst {
    ConfigId id;
    uint32_t internal_cost;  // the common tree's, to the regional root
    uint64_t bridge;         // the sender
    uint8_t hops;            // the common tree's remaining hops
    uint8_t count;           // MSTI messages
    MstiMessage msti[kMaxMstiMessages];
};

// Decodes a BPDU as decode() does, and the multiple tree's part of a
// version 3 one into *mst (*has_mst true). A version 3 BPDU too short to
// hold that part is taken as the rapid one it begins with (*has_mst false);
// one whose version 3 length is not that part and whole MSTI messages, or
// runs past its 802.3 length, is refused (Decoded::bad_mst).
Decoded decode_mst(const uint8_t *frame, size_t len, Bpdu *out, Mst *mst, bool *has_mst);

// The largest frame of a BPDU this switch sends: its own instances at most.
constexpr size_t kMstBaseSize = 17 + 102;  // LLC header, rapid part and the MST part without messages
constexpr size_t kMaxSentMstis = 15;
constexpr size_t kMaxFrameSize = kMstBaseSize + 16 * kMaxSentMstis;
// Writes the frame of an MST BPDU sent from src (m.count <= kMaxSentMstis
// messages) and answers its length.
size_t encode_mst(const Bpdu &b, const Mst &m, const uint8_t src[6], uint8_t out[kMaxFrameSize]);

// The configuration digest: HMAC-MD5 under the key every bridge uses, of
// the instance of each VLAN id 0..4095 (two bytes each; ids 0 and 4095
// count as the common instance). instance_of holds ids 0..4094.
void config_digest(const uint8_t *instance_of, uint8_t out[kDigestSize]);

}  // namespace kelsim::stp
