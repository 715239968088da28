// garp_pdu.h - GVRP's GARP PDUs on the wire: decoding and encoding only, no
// state, no I/O.
//
// A GVRP PDU travels in an 802.3 frame to 01-80-C2-00-00-21 with the LLC
// header 42-42-03 and protocol identifier 1: messages, each an attribute
// type (1, a VLAN id) and a list of attributes (length, event, the VLAN id
// but for a leave-all), each list and the PDU ended by a 0.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelsim::garp {

enum class Event : uint8_t { leave_all, join_empty, join_in, leave_empty, leave_in, empty };
constexpr uint8_t kEvents = 6;

struct Message {
    Event event;
    uint16_t vid;  // 0 for a leave-all
};

constexpr uint32_t kMaxMessages = 746;  // as many as a 1500-byte PDU holds (leave-alls of 2 bytes)
struct Pdu {
    uint32_t count;
    Message msg[kMaxMessages];
};

// Why a frame to GVRP's address is not a PDU to act on.
enum class Decoded : uint8_t {
    ok,
    not_garp,       // not 802.3 with the LLC header 42-42-03 and protocol identifier 1
    short_frame,    // shorter than its 802.3 length says, or ending inside a message
    bad_attribute,  // an attribute type other than the VLAN id's, an unknown event, a length
                    // that does not fit its event, or a VLAN id outside 1..4094
};

// Decodes a whole frame from its destination address on (len bytes, no FCS,
// no VLAN tag).
Decoded decode(const uint8_t *frame, size_t len, Pdu *out);

constexpr size_t kMaxFrame = 1514;
// Writes the frame of a PDU of the first n messages sent from src; answers
// its length (at least 60: padded as Ethernet pads it). Messages beyond
// what a frame holds are left out: n is lowered to those written.
size_t encode(const Message *msg, uint32_t *n, const uint8_t src[6], uint8_t out[kMaxFrame]);

extern const uint8_t kAddress[6];  // 01-80-C2-00-00-21

}  // namespace kelsim::garp
