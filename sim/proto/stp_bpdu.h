// stp_bpdu.h - the spanning tree's BPDUs on the wire: the configuration and
// topology change notification BPDUs of the original spanning tree, and the
// rapid spanning tree's BPDU (which an MST BPDU begins with). Decoding and
// encoding only: no state, no I/O.
//
// A BPDU travels in an 802.3 frame to 01-80-C2-00-00-00 with the LLC header
// 42-42-03; times are in 1/256 s; a bridge identifier is its priority (4
// bits of priority and a 12-bit system id extension) above its MAC address,
// so that comparing two identifiers as numbers compares them as bridges do.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelsim::stp {

// Flags of a BPDU (a configuration BPDU uses only tc and tc_ack).
constexpr uint8_t kFlagTc = 0x01, kFlagProposal = 0x02, kFlagLearning = 0x10, kFlagForwarding = 0x20,
                  kFlagAgreement = 0x40, kFlagTcAck = 0x80;
constexpr int kRoleShift = 2;  // the port role's two bits
constexpr uint8_t kRoleMask = 0x0C;
enum class WireRole : uint8_t { unknown, alternate_backup, root, designated };

enum class Kind : uint8_t { config, tcn, rst };

constexpr uint8_t kVersionStp = 0, kVersionRstp = 2, kVersionMstp = 3;
constexpr uint16_t kSecond = 256;  // a second in the BPDU's unit of time

// What a bridge says about a segment, compared component by component: the
// lower vector is the better one. The multiple tree's regional root and
// internal cost come between the cost and the sender; the other trees leave
// them 0 (and so compare as before).
struct Vector {
    uint64_t root;    // the root bridge's identifier
    uint32_t cost;    // the sender's path cost to the root (external, in the multiple tree)
    uint64_t bridge;  // the sender's identifier
    uint16_t port;    // the sender's port identifier
    uint64_t rroot;   // multiple tree: the regional root
    uint32_t icost;   // multiple tree: the internal path cost to the regional root
};
// <0 when a is better than b, 0 when equal, >0 when worse.
int compare(const Vector &a, const Vector &b);
inline bool operator==(const Vector &a, const Vector &b) { return compare(a, b) == 0; }
inline bool operator!=(const Vector &a, const Vector &b) { return compare(a, b) != 0; }

struct Times {
    uint16_t message_age, max_age, hello, forward_delay;  // 1/256 s
};
inline bool operator==(const Times &a, const Times &b) {
    return a.message_age == b.message_age && a.max_age == b.max_age && a.hello == b.hello &&
           a.forward_delay == b.forward_delay;
}

struct Bpdu {
    Kind kind;
    uint8_t version;
    uint8_t flags;
    Vector v;
    Times t;
    WireRole role() const { return static_cast<WireRole>((flags & kRoleMask) >> kRoleShift); }
};

// Why a frame to the spanning tree's address is not a BPDU to act on.
enum class Decoded : uint8_t {
    ok,
    not_bpdu,     // not 802.3 with the spanning tree's LLC header (another protocol)
    short_frame,  // shorter than its kind of BPDU, or than its 802.3 length says
    bad_header,   // a protocol identifier that is not 0, a kind the version does not have
    bad_times,    // a message age not below the max age
    bad_mst,      // a multiple tree's part whose length does not add up (mst_bpdu.h)
};

// Decodes a whole frame, from its destination address on (len bytes, no
// FCS, no VLAN tag).
Decoded decode(const uint8_t *frame, size_t len, Bpdu *out);

constexpr size_t kFrameSize = 60;  // every BPDU frame, padded as Ethernet pads it
// Writes the frame of a BPDU sent from src: kFrameSize bytes.
void encode(const Bpdu &b, const uint8_t src[6], uint8_t out[kFrameSize]);

// A bridge identifier from its priority (0..61440) and address.
uint64_t bridge_id(uint32_t priority, const uint8_t mac[6]);
// A port identifier from its priority (0..240) and number (1..4095).
inline uint16_t port_id(uint32_t priority, uint32_t number) {
    return static_cast<uint16_t>((priority >> 4) << 12 | (number & 0x0FFF));
}

}  // namespace kelsim::stp
