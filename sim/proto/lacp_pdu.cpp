// lacp_pdu.cpp - LACPDUs on the wire (see lacp_pdu.h).
#include "proto/lacp_pdu.h"

#include <cstring>

namespace kelsim::lacp {

const uint8_t kAddress[6] = {0x01, 0x80, 0xC2, 0x00, 0x00, 0x02};

namespace {

constexpr uint16_t kSlowProtocols = 0x8809;
constexpr uint8_t kSubtypeLacp = 1, kSubtypeMarker = 2, kVersion = 1;
// Offsets in the frame.
constexpr size_t kType = 12, kSubtype = 14, kVersionAt = 15, kActorTlv = 16, kPartnerTlv = 36,
                 kCollectorTlv = 56, kTerminatorTlv = 72;
constexpr uint8_t kInfoLength = 20, kCollectorLength = 16;

uint16_t get16(const uint8_t *p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
void put16(uint8_t *p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}

bool tlv(const uint8_t *p, uint8_t type, uint8_t length) { return p[0] == type && p[1] == length; }

void get_info(const uint8_t *p, Info *i) {
    i->sys_priority = get16(p + 2);
    std::memcpy(i->sys, p + 4, 6);
    i->key = get16(p + 10);
    i->port_priority = get16(p + 12);
    i->port = get16(p + 14);
    i->state = p[16];
}

void put_info(uint8_t *p, uint8_t type, const Info &i) {
    p[0] = type;
    p[1] = kInfoLength;
    put16(p + 2, i.sys_priority);
    std::memcpy(p + 4, i.sys, 6);
    put16(p + 10, i.key);
    put16(p + 12, i.port_priority);
    put16(p + 14, i.port);
    p[16] = i.state;
}

}  // namespace

bool same_port(const Info &a, const Info &b) {
    return a.sys_priority == b.sys_priority && std::memcmp(a.sys, b.sys, 6) == 0 && a.key == b.key &&
           a.port_priority == b.port_priority && a.port == b.port;
}

Decoded decode(const uint8_t *f, size_t len, Pdu *out) {
    if (len < kSubtype + 1 || get16(f + kType) != kSlowProtocols) return Decoded::not_lacp;
    if (f[kSubtype] == kSubtypeMarker) return Decoded::marker;
    if (f[kSubtype] != kSubtypeLacp) return Decoded::not_lacp;
    if (len < kFrameSize) return Decoded::short_frame;
    // A later version keeps these blocks where they are and may add others after them.
    if (f[kVersionAt] == 0 || !tlv(f + kActorTlv, 1, kInfoLength) || !tlv(f + kPartnerTlv, 2, kInfoLength) ||
        !tlv(f + kCollectorTlv, 3, kCollectorLength) ||
        (f[kVersionAt] == kVersion && !tlv(f + kTerminatorTlv, 0, 0)))
        return Decoded::bad_header;
    get_info(f + kActorTlv, &out->actor);
    get_info(f + kPartnerTlv, &out->partner);
    out->max_delay = get16(f + kCollectorTlv + 2);
    return Decoded::ok;
}

void encode(const Pdu &p, const uint8_t src[6], uint8_t out[kFrameSize]) {
    std::memset(out, 0, kFrameSize);
    std::memcpy(out, kAddress, 6);
    std::memcpy(out + 6, src, 6);
    put16(out + kType, kSlowProtocols);
    out[kSubtype] = kSubtypeLacp;
    out[kVersionAt] = kVersion;
    put_info(out + kActorTlv, 1, p.actor);
    put_info(out + kPartnerTlv, 2, p.partner);
    out[kCollectorTlv] = 3;
    out[kCollectorTlv + 1] = kCollectorLength;
    put16(out + kCollectorTlv + 2, p.max_delay);
    // (the terminator and the padding are zeros)
}

}  // namespace kelsim::lacp
