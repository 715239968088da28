// stp_bpdu.cpp - BPDUs to and from frames (see stp_bpdu.h).
#include "proto/stp_bpdu.h"

#include <cstring>

#include "proto/wire.h"

namespace kelsim::stp {

using namespace wire;

namespace {

constexpr uint8_t kAddress[6] = {0x01, 0x80, 0xC2, 0x00, 0x00, 0x00};
constexpr size_t kLlc = 14;   // the LLC header's offset in the frame
constexpr size_t kBody = 17;  // the BPDU's offset
constexpr size_t kConfigSize = 35, kRstSize = 36, kTcnSize = 4;
constexpr uint8_t kTypeConfig = 0x00, kTypeRst = 0x02, kTypeTcn = 0x80;

}  // namespace

int compare(const Vector &a, const Vector &b) {
    if (a.root != b.root) return a.root < b.root ? -1 : 1;
    if (a.cost != b.cost) return a.cost < b.cost ? -1 : 1;
    if (a.rroot != b.rroot) return a.rroot < b.rroot ? -1 : 1;
    if (a.icost != b.icost) return a.icost < b.icost ? -1 : 1;
    if (a.bridge != b.bridge) return a.bridge < b.bridge ? -1 : 1;
    if (a.port != b.port) return a.port < b.port ? -1 : 1;
    return 0;
}

uint64_t bridge_id(uint32_t priority, const uint8_t mac[6]) {
    uint64_t id = static_cast<uint64_t>(priority & 0xF000) << 48;
    for (int i = 0; i < 6; ++i) id |= static_cast<uint64_t>(mac[i]) << (40 - 8 * i);
    return id;
}

Decoded decode(const uint8_t *f, size_t len, Bpdu *out) {
    if (len < kBody || get16(f + 12) >= 0x0600 || f[kLlc] != 0x42 || f[kLlc + 1] != 0x42 ||
        f[kLlc + 2] != 0x03)
        return Decoded::not_bpdu;
    size_t size = get16(f + 12);  // the 802.3 length: LLC header and BPDU
    if (size > len - kLlc || size < 3 + kTcnSize) return Decoded::short_frame;
    size -= 3;
    const uint8_t *b = f + kBody;
    if (get16(b) != 0) return Decoded::bad_header;
    Bpdu r{};
    r.version = b[2];
    uint8_t type = b[3];
    if (type == kTypeTcn) {
        r.kind = Kind::tcn;
        *out = r;
        return Decoded::ok;
    }
    if (type == kTypeConfig)
        r.kind = Kind::config;
    else if (type == kTypeRst && r.version >= kVersionRstp)
        r.kind = Kind::rst;
    else
        return Decoded::bad_header;
    if (size < (r.kind == Kind::rst ? kRstSize : kConfigSize)) return Decoded::short_frame;
    r.flags = b[4];
    if (r.kind == Kind::config) r.flags &= kFlagTc | kFlagTcAck;
    r.v = {get64(b + 5), get32(b + 13), get64(b + 17), get16(b + 25), 0, 0};
    r.t = {get16(b + 27), get16(b + 29), get16(b + 31), get16(b + 33)};
    if (r.t.message_age >= r.t.max_age) return Decoded::bad_times;
    *out = r;
    return Decoded::ok;
}

void encode(const Bpdu &bpdu, const uint8_t src[6], uint8_t out[kFrameSize]) {
    std::memset(out, 0, kFrameSize);
    std::memcpy(out, kAddress, 6);
    std::memcpy(out + 6, src, 6);
    size_t size = bpdu.kind == Kind::tcn ? kTcnSize : bpdu.kind == Kind::rst ? kRstSize : kConfigSize;
    put16(out + 12, static_cast<uint32_t>(3 + size));
    out[kLlc] = out[kLlc + 1] = 0x42;
    out[kLlc + 2] = 0x03;
    uint8_t *b = out + kBody;
    b[2] = bpdu.kind == Kind::rst ? bpdu.version : kVersionStp;
    b[3] = bpdu.kind == Kind::tcn ? kTypeTcn : bpdu.kind == Kind::rst ? kTypeRst : kTypeConfig;
    if (bpdu.kind == Kind::tcn) return;
    b[4] = bpdu.kind == Kind::config ? bpdu.flags & (kFlagTc | kFlagTcAck) : bpdu.flags;
    put64(b + 5, bpdu.v.root);
    put32(b + 13, bpdu.v.cost);
    put64(b + 17, bpdu.v.bridge);
    put16(b + 25, bpdu.v.port);
    put16(b + 27, bpdu.t.message_age);
    put16(b + 29, bpdu.t.max_age);
    put16(b + 31, bpdu.t.hello);
    put16(b + 33, bpdu.t.forward_delay);
    // (an RST BPDU's version 1 length, b[35], is 0)
}

}  // namespace kelsim::stp
