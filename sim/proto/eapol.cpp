// eapol.cpp - EAPOL and EAP to and from bytes (see eapol.h).
#include "proto/eapol.h"

#include <cstring>

namespace kelsim::eapol {

namespace {

uint16_t be16(const uint8_t *p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
void put16(uint8_t *p, size_t v) {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}

constexpr size_t kMinFrame = 60;  // without the FCS

}  // namespace

const char *error_text(Error e) {
    switch (e) {
        case Error::none:
            return "well formed";
        case Error::short_header:
            return "shorter than an EAPOL header";
        case Error::bad_version:
            return "protocol version 0";
        case Error::unknown_type:
            return "unknown EAPOL packet type";
        case Error::body_beyond:
            return "EAPOL body length past the frame";
        case Error::eap_short:
            return "EAP packet shorter than its header";
        case Error::eap_bad_length:
            return "EAP length out of bounds";
        case Error::eap_unknown_code:
            return "unknown EAP code";
        case Error::md5_bad_value:
            return "MD5-Challenge value out of bounds";
    }
    return "?";
}

Error decode(const uint8_t *p, size_t n, Pdu *out) {
    if (n < kHeader) return Error::short_header;
    // A later version is read as this one: what it added comes after what is read here.
    if (p[0] == 0) return Error::bad_version;
    if (p[1] > kLastKnownType) return Error::unknown_type;
    size_t len = be16(p + 2);
    if (len > n - kHeader) return Error::body_beyond;
    *out = Pdu{p[0], p[1], p + kHeader, len};
    return Error::none;
}

Error decode_eap(const uint8_t *p, size_t n, Eap *out) {
    if (n < 4) return Error::eap_short;
    if (p[0] < kRequest || p[0] > kFailure) return Error::eap_unknown_code;
    size_t len = be16(p + 2);
    bool typed = p[0] == kRequest || p[0] == kResponse;
    if (len < (typed ? 5u : 4u) || len > n) return Error::eap_bad_length;
    *out = Eap{p[0],
               p[1],
               static_cast<uint16_t>(len),
               typed ? p[4] : uint8_t{0},
               p + (typed ? 5 : 4),
               len - (typed ? 5 : 4)};
    return Error::none;
}

Error decode_md5(const Eap &e, const uint8_t **value, size_t *value_len) {
    if (e.data_len < 1 || e.data[0] == 0 || e.data[0] > e.data_len - 1) return Error::md5_bad_value;
    *value = e.data + 1;
    *value_len = e.data[0];
    return Error::none;
}

size_t encode_frame(const uint8_t dst[6], const uint8_t src[6], uint8_t type, const uint8_t *body, size_t n,
                    uint8_t out[kMaxFrame]) {
    if (n > kMaxEap) return 0;
    std::memcpy(out, dst, 6);
    std::memcpy(out + 6, src, 6);
    put16(out + 12, kEtherType);
    out[14] = kVersion;
    out[15] = type;
    put16(out + 16, n);
    if (n) std::memcpy(out + 18, body, n);
    size_t len = 18 + n;
    if (len < kMinFrame) {
        std::memset(out + len, 0, kMinFrame - len);
        len = kMinFrame;
    }
    return len;
}

size_t encode_status(uint8_t code, uint8_t id, uint8_t *out) {
    out[0] = code;
    out[1] = id;
    put16(out + 2, 4);
    return 4;
}

size_t encode_typed(uint8_t code, uint8_t id, uint8_t type, const uint8_t *data, size_t n, uint8_t *out) {
    if (n > kMaxEap - 5) return 0;
    out[0] = code;
    out[1] = id;
    put16(out + 2, 5 + n);
    out[4] = type;
    if (n) std::memcpy(out + 5, data, n);
    return 5 + n;
}

size_t encode_identity_request(uint8_t id, uint8_t out[5]) {
    return encode_typed(kRequest, id, kIdentity, nullptr, 0, out);
}

size_t encode_md5(uint8_t code, uint8_t id, const uint8_t value[kMd5Value], uint8_t out[5 + 1 + kMd5Value]) {
    uint8_t data[1 + kMd5Value];
    data[0] = kMd5Value;
    std::memcpy(data + 1, value, kMd5Value);
    return encode_typed(code, id, kMd5, data, sizeof data, out);
}

}  // namespace kelsim::eapol
