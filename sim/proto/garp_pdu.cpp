// garp_pdu.cpp - GVRP's GARP PDUs on the wire (see garp_pdu.h).
#include "proto/garp_pdu.h"

#include <cstring>

namespace kelsim::garp {

const uint8_t kAddress[6] = {0x01, 0x80, 0xC2, 0x00, 0x00, 0x21};

namespace {

constexpr uint8_t kVidType = 1;
constexpr size_t kLength = 12, kLlc = 14, kProtocol = 17, kMessages = 19, kMinFrame = 60;

uint16_t get16(const uint8_t *p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
void put16(uint8_t *p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}

}  // namespace

Decoded decode(const uint8_t *f, size_t len, Pdu *out) {
    if (len < kMessages || get16(f + kLength) > 1500 || f[kLlc] != 0x42 || f[kLlc + 1] != 0x42 ||
        f[kLlc + 2] != 0x03 || get16(f + kProtocol) != 1)
        return Decoded::not_garp;
    size_t end = kLlc + get16(f + kLength);
    if (end > len || end < kMessages + 1) return Decoded::short_frame;
    out->count = 0;
    size_t at = kMessages;
    while (at < end && f[at] != 0) {  // messages, until the PDU's end mark
        if (f[at++] != kVidType) return Decoded::bad_attribute;
        while (true) {  // attributes, until the list's end mark
            if (at >= end) return Decoded::short_frame;
            uint8_t alen = f[at];
            if (alen == 0) break;
            if (at + 1 >= end || at + alen > end) return Decoded::short_frame;
            uint8_t event = f[at + 1];
            if (event >= kEvents || alen != (event == 0 ? 2 : 4)) return Decoded::bad_attribute;
            uint16_t vid = event == 0 ? 0 : get16(f + at + 2);
            if (event != 0 && (vid < 1 || vid > 4094)) return Decoded::bad_attribute;
            if (out->count < kMaxMessages) out->msg[out->count++] = {static_cast<Event>(event), vid};
            at += alen;
        }
        ++at;  // (the list's end mark)
    }
    if (at >= end) return Decoded::short_frame;  // no end mark for the PDU
    return Decoded::ok;
}

size_t encode(const Message *msg, uint32_t *n, const uint8_t src[6], uint8_t out[kMaxFrame]) {
    std::memset(out, 0, kMinFrame);
    std::memcpy(out, kAddress, 6);
    std::memcpy(out + 6, src, 6);
    out[kLlc] = out[kLlc + 1] = 0x42;
    out[kLlc + 2] = 0x03;
    put16(out + kProtocol, 1);
    size_t at = kMessages;
    uint32_t written = 0;
    if (*n) {
        out[at++] = kVidType;
        for (; written < *n && at + 4 + 2 <= kMaxFrame; ++written) {
            const Message &m = msg[written];
            bool all = m.event == Event::leave_all;
            out[at] = all ? 2 : 4;
            out[at + 1] = static_cast<uint8_t>(m.event);
            if (!all) put16(out + at + 2, m.vid);
            at += out[at];
        }
        out[at++] = 0;  // the list's end mark
    }
    out[at++] = 0;  // the PDU's end mark
    *n = written;
    put16(out + kLength, static_cast<uint16_t>(at - kLlc));
    return at < kMinFrame ? kMinFrame : at;
}

}  // namespace kelsim::garp
