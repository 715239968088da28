// radius.cpp - RADIUS packets of 802.1X's authenticator: Access-Request
// out, Access-Accept/-Reject/-Challenge in, with both authenticators.
#include "proto/radius.h"

#include <cstring>

#include "proto/md5.h"

namespace kelsim::radius {

namespace {

constexpr size_t kAttrMax = 253;  // an attribute's value, at most

class Writer {
public:
    Writer(uint8_t *out, size_t cap) : p_(out), cap_(cap) {}
    bool ok() const { return ok_; }
    size_t size() const { return n_; }
    // An attribute; false (and the writer spent) when it does not fit.
    void attr(uint8_t type, const void *v, size_t len) {
        if (len > kAttrMax || n_ + 2 + len > cap_) {
            ok_ = false;
            return;
        }
        p_[n_] = type;
        p_[n_ + 1] = static_cast<uint8_t>(2 + len);
        if (len) std::memcpy(p_ + n_ + 2, v, len);
        n_ += 2 + len;
    }
    void number(uint8_t type, uint32_t v) {
        const uint8_t b[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
        attr(type, b, 4);
    }
    void raw(const void *v, size_t len) {
        if (n_ + len > cap_) {
            ok_ = false;
            return;
        }
        std::memcpy(p_ + n_, v, len);
        n_ += len;
    }

private:
    uint8_t *p_;
    size_t cap_, n_ = 0;
    bool ok_ = true;
};

uint32_t be32(const uint8_t *p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// The Message-Authenticator's HMAC over a packet whose authenticator field
// holds auth and whose Message-Authenticator (at value) counts as zeros.
void message_auth(const uint8_t *p, size_t n, const uint8_t auth[kAuthSize], size_t value, const char *secret,
                  size_t secret_len, uint8_t out[kMd5Size]) {
    uint8_t copy[kMaxPacket];
    std::memcpy(copy, p, n);
    std::memcpy(copy + 4, auth, kAuthSize);
    std::memset(copy + value, 0, kMd5Size);
    hmac_md5(secret, secret_len, copy, n, out);
}

bool same(const uint8_t *a, const uint8_t *b, size_t n) {
    uint8_t diff = 0;  // every byte compared, whatever the first difference
    for (size_t i = 0; i < n; ++i) diff |= a[i] ^ b[i];
    return diff == 0;
}

}  // namespace

size_t encode_request(const Request &r, const char *secret, size_t secret_len, uint8_t *out, size_t cap) {
    if (secret_len == 0 || secret_len > kMaxSecret || r.eap_len == 0 || r.eap_len > kMaxEap) return 0;
    if (cap > kMaxPacket) cap = kMaxPacket;
    Writer w(out, cap);
    const uint8_t head[4] = {kAccessRequest, r.id, 0, 0};
    w.raw(head, sizeof head);
    w.raw(r.authenticator, kAuthSize);
    if (r.user_len) w.attr(kUserName, r.user, r.user_len);
    if (r.nas_ip) w.attr(kNasIpAddress, &r.nas_ip, 4);  // already in network byte order
    if (r.nas_id_len) w.attr(kNasIdentifier, r.nas_id, r.nas_id_len);
    w.number(kNasPort, r.nas_port);
    w.number(kNasPortType, kNasPortTypeEthernet);
    char mac[18];
    mac_text(r.calling, mac);
    w.attr(kCallingStationId, mac, 17);
    mac_text(r.called, mac);
    w.attr(kCalledStationId, mac, 17);
    if (r.framed_mtu) w.number(kFramedMtu, r.framed_mtu);
    if (r.state_len) w.attr(kState, r.state, r.state_len);
    for (size_t at = 0; at < r.eap_len; at += kAttrMax) {
        size_t len = r.eap_len - at < kAttrMax ? r.eap_len - at : kAttrMax;
        w.attr(kEapMessage, r.eap + at, len);
    }
    size_t value = w.size() + 2;
    const uint8_t zero[kMd5Size] = {};
    w.attr(kMessageAuthenticator, zero, sizeof zero);
    if (!w.ok()) return 0;
    size_t n = w.size();
    out[2] = static_cast<uint8_t>(n >> 8);
    out[3] = static_cast<uint8_t>(n);
    message_auth(out, n, r.authenticator, value, secret, secret_len, out + value);
    return n;
}

Fault decode_reply(const uint8_t *p, size_t n, uint8_t id, const uint8_t auth[kAuthSize], const char *secret,
                   size_t secret_len, Reply *out) {
    if (n < kHeader) return Fault::length;
    size_t len = size_t(p[2]) << 8 | p[3];
    if (len < kHeader || len > kMaxPacket || len > n) return Fault::length;
    n = len;  // octets beyond the length field are padding
    if (p[0] != kAccessAccept && p[0] != kAccessReject && p[0] != kAccessChallenge) return Fault::code;
    if (p[1] != id) return Fault::id;

    Md5 h;  // the Response Authenticator: MD5(code id length auth attributes secret)
    h.update(p, 4);
    h.update(auth, kAuthSize);
    h.update(p + kHeader, n - kHeader);
    h.update(secret, secret_len);
    uint8_t want[kMd5Size];
    h.finish(want);
    if (!same(want, p + 4, kAuthSize)) return Fault::authenticator;

    size_t message_auth_at = 0, eap_len = 0, state_len = 0;
    uint32_t session_timeout = 0;
    bool has_state = false, has_timeout = false;
    for (size_t at = kHeader; at < n;) {
        if (n - at < 2 || p[at + 1] < 2 || p[at + 1] > n - at) return Fault::length;
        uint8_t type = p[at], alen = p[at + 1];
        const uint8_t *v = p + at + 2;
        size_t vlen = alen - 2u;
        switch (type) {
            case kMessageAuthenticator:
                if (vlen != kMd5Size || message_auth_at) return Fault::attribute;
                message_auth_at = at + 2;
                break;
            case kEapMessage:
                if (vlen == 0 || eap_len + vlen > kMaxEap) return Fault::attribute;
                std::memcpy(out->eap + eap_len, v, vlen);
                eap_len += vlen;
                break;
            case kState:
                if (vlen == 0 || has_state) return Fault::attribute;
                std::memcpy(out->state, v, vlen);
                state_len = vlen;
                has_state = true;
                break;
            case kSessionTimeout:
                if (vlen != 4 || has_timeout) return Fault::attribute;
                session_timeout = be32(v);
                has_timeout = true;
                break;
            default:
                break;  // attributes the authenticator does not use
        }
        at += alen;
    }
    if (!message_auth_at) return Fault::no_message_auth;
    uint8_t mac[kMd5Size];
    message_auth(p, n, auth, message_auth_at, secret, secret_len, mac);
    if (!same(mac, p + message_auth_at, kMd5Size)) return Fault::message_auth;
    // The EAP packets the attributes carry are one whole packet.
    if (eap_len && (eap_len < 4 || (size_t(out->eap[2]) << 8 | out->eap[3]) != eap_len))
        return Fault::attribute;
    if (p[0] == kAccessChallenge && eap_len == 0) return Fault::no_eap;
    out->code = p[0];
    out->eap_len = eap_len;
    out->state_len = state_len;
    out->session_timeout = session_timeout;
    return Fault::none;
}

const char *fault_name(Fault f) {
    switch (f) {
        case Fault::none:
            return "none";
        case Fault::length:
            return "length";
        case Fault::code:
            return "code";
        case Fault::id:
            return "identifier";
        case Fault::attribute:
            return "attribute";
        case Fault::authenticator:
            return "response authenticator";
        case Fault::no_message_auth:
            return "no message authenticator";
        case Fault::message_auth:
            return "message authenticator";
        case Fault::no_eap:
            return "challenge without EAP";
    }
    return "?";
}

void mac_text(const uint8_t mac[6], char out[18]) {
    static const char kHex[] = "0123456789ABCDEF";
    for (int i = 0; i < 6; ++i) {
        out[3 * i] = kHex[mac[i] >> 4];
        out[3 * i + 1] = kHex[mac[i] & 15];
        out[3 * i + 2] = i < 5 ? '-' : '\0';
    }
}

}  // namespace kelsim::radius
