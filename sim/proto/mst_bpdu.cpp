// mst_bpdu.cpp - the multiple spanning tree's part of a BPDU (see mst_bpdu.h).
#include "proto/mst_bpdu.h"

#include <cstring>

#include "proto/md5.h"
#include "proto/wire.h"

namespace kelsim::stp {

using namespace wire;

namespace {

constexpr size_t kBody = 17;               // the BPDU's offset in the frame
constexpr size_t kMstSize = 102;           // the BPDU up to its MSTI messages
constexpr size_t kV3Base = kMstSize - 38;  // what the version 3 length counts before the messages
constexpr size_t kMsgSize = 16;

// Offsets in the BPDU.
constexpr size_t kV1Length = 35, kV3Length = 36, kConfigId = 38, kInternalCost = 89, kBridge = 93,
                 kHops = 101;

}  // namespace

bool operator==(const ConfigId &a, const ConfigId &b) {
    return a.selector == b.selector && std::memcmp(a.name, b.name, sizeof a.name) == 0 &&
           a.revision == b.revision && std::memcmp(a.digest, b.digest, sizeof a.digest) == 0;
}

Decoded decode_mst(const uint8_t *f, size_t len, Bpdu *out, Mst *mst, bool *has_mst) {
    *has_mst = false;
    Decoded d = decode(f, len, out);
    if (d != Decoded::ok || out->kind != Kind::rst || out->version < kVersionMstp) return d;
    size_t size = get16(f + 12) - 3u;         // (decode checked it against the frame)
    if (size < kMstSize) return Decoded::ok;  // the rapid BPDU it begins with
    const uint8_t *b = f + kBody;
    size_t v3 = get16(b + kV3Length);
    if (b[kV1Length] != 0 || v3 < kV3Base || (v3 - kV3Base) % kMsgSize != 0 ||
        (v3 - kV3Base) / kMsgSize > kMaxMstiMessages || kConfigId + v3 != size)
        return Decoded::bad_mst;
    Mst &m = *mst;
    m.id.selector = b[kConfigId];
    std::memcpy(m.id.name, b + kConfigId + 1, kRegionNameSize);
    m.id.revision = get16(b + kConfigId + 33);
    std::memcpy(m.id.digest, b + kConfigId + 35, kDigestSize);
    m.internal_cost = get32(b + kInternalCost);
    m.bridge = get64(b + kBridge);
    m.hops = b[kHops];
    m.count = static_cast<uint8_t>((v3 - kV3Base) / kMsgSize);
    for (int i = 0; i < m.count; ++i) {
        const uint8_t *p = b + kMstSize + i * kMsgSize;
        m.msti[i] = {p[0], get64(p + 1), get32(p + 9), p[13], p[14], p[15]};
    }
    *has_mst = true;
    return Decoded::ok;
}

size_t encode_mst(const Bpdu &bpdu, const Mst &m, const uint8_t src[6], uint8_t out[kMaxFrameSize]) {
    uint8_t head[kFrameSize];
    Bpdu rapid = bpdu;
    rapid.kind = Kind::rst;
    rapid.version = kVersionMstp;
    encode(rapid, src, head);
    size_t count = m.count < kMaxSentMstis ? m.count : kMaxSentMstis;
    size_t v3 = kV3Base + count * kMsgSize, size = kConfigId + v3;
    std::memcpy(out, head, kBody + kV3Length);
    put16(out + 12, static_cast<uint32_t>(3 + size));
    uint8_t *b = out + kBody;
    b[kV1Length] = 0;
    put16(b + kV3Length, static_cast<uint32_t>(v3));
    b[kConfigId] = m.id.selector;
    std::memcpy(b + kConfigId + 1, m.id.name, kRegionNameSize);
    put16(b + kConfigId + 33, m.id.revision);
    std::memcpy(b + kConfigId + 35, m.id.digest, kDigestSize);
    put32(b + kInternalCost, m.internal_cost);
    put64(b + kBridge, m.bridge);
    b[kHops] = m.hops;
    for (size_t i = 0; i < count; ++i) {
        uint8_t *p = b + kMstSize + i * kMsgSize;
        const MstiMessage &g = m.msti[i];
        p[0] = g.flags;
        put64(p + 1, g.regional_root);
        put32(p + 9, g.cost);
        p[13] = g.bridge_priority;
        p[14] = g.port_priority;
        p[15] = g.hops;
    }
    return kBody + size;
}

void config_digest(const uint8_t *instance_of, uint8_t out[kDigestSize]) {
    static const uint8_t key[kDigestSize] = {0x13, 0xAC, 0x06, 0xA6, 0x2E, 0x47, 0xFD, 0x51,
                                             0xF9, 0x5D, 0x2B, 0xA2, 0x43, 0xCD, 0x03, 0x46};
    uint8_t table[4096 * 2] = {};
    for (size_t v = 1; v < 4095; ++v) table[2 * v + 1] = instance_of[v];  // (instances stay below 256)
    hmac_md5(key, sizeof key, table, sizeof table, out);
}

}  // namespace kelsim::stp
