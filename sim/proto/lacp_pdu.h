// lacp_pdu.h - LACPDUs on the wire: decoding and encoding only, no state,
// no I/O.
//
// An LACPDU travels as a slow protocol (EtherType 88-09, subtype 1) to
// 01-80-C2-00-00-02: the actor's and the partner's information (system
// priority and address, key, port priority and number, state), the
// collector's maximum delay, a terminator and padding to 110 bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelsim::lacp {

// Bits of a port's state as an LACPDU carries it.
constexpr uint8_t kActivity = 0x01,  // active: sends LACPDUs unprompted
    kTimeout = 0x02,                 // short timeout: wants LACPDUs every second
    kAggregation = 0x04,             // may be aggregated (not individual)
    kSync = 0x08,                    // attached to the aggregator its partner expects
    kCollecting = 0x10, kDistributing = 0x20,
                  kDefaulted = 0x40,  // no LACPDU heard: the partner is the default one
    kExpired = 0x80;                  // the partner's information has just expired

// What one end of a link says about itself (or the other end).
struct Info {
    uint16_t sys_priority;
    uint8_t sys[6];
    uint16_t key;
    uint16_t port_priority;
    uint16_t port;
    uint8_t state;
};
// The same system, key and port: all but the state.
bool same_port(const Info &a, const Info &b);

struct Pdu {
    Info actor, partner;
    uint16_t max_delay;  // tens of microseconds
};

// Why a frame to the slow protocols' address is not an LACPDU to act on.
enum class Decoded : uint8_t {
    ok,
    marker,       // a marker PDU (slow protocol subtype 2): not answered, frames never move mid-conversation
    not_lacp,     // another slow protocol, or no slow protocol at all
    short_frame,  // shorter than an LACPDU
    bad_header,   // version 0, or information blocks of the wrong type or length
};

// Decodes a whole frame from its destination address on (len bytes, no FCS,
// no VLAN tag).
Decoded decode(const uint8_t *frame, size_t len, Pdu *out);

constexpr size_t kFrameSize = 124;  // every LACPDU frame: 14 bytes of header, 110 of PDU
// Writes the frame of an LACPDU sent from src: kFrameSize bytes.
void encode(const Pdu &p, const uint8_t src[6], uint8_t out[kFrameSize]);

extern const uint8_t kAddress[6];  // 01-80-C2-00-00-02

}  // namespace kelsim::lacp
