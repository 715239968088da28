// local_auth.cpp - the switch's own authentication servers (see local_auth.h).
#include "proto/local_auth.h"

#include <sys/random.h>

#include <cstring>

#include "proto/md5.h"

namespace kelsim {

namespace {

void system_random(uint8_t *out, size_t n) {
    while (n) {
        ssize_t got = getrandom(out, n, 0);
        if (got <= 0) continue;  // (interrupted: a getrandom of 16 bytes does not otherwise fail)
        out += got;
        n -= static_cast<size_t>(got);
    }
}

// Constant time, so that the answer's check tells nothing of how near it came.
bool same(const uint8_t *a, const uint8_t *b, size_t n) {
    uint8_t diff = 0;
    for (size_t i = 0; i < n; ++i) diff |= a[i] ^ b[i];
    return diff == 0;
}

}  // namespace

LocalAuth::LocalAuth(Random random) : random_(random ? random : system_random) {}

void LocalAuth::submit(const AuthPeer &peer, const uint8_t *eap, size_t n, uint64_t, AuthSink &sink) {
    eapol::Eap e;
    uint32_t key = peer_key(peer);
    if (eapol::decode_eap(eap, n, &e) != eapol::Error::none || e.code != eapol::kResponse) {
        exchange_.erase(key);
        sink.reject(peer, nullptr, 0);
        return;
    }
    if (e.type == eapol::kIdentity) {
        // The name ends at the first NUL (what follows is for network selection).
        size_t len = strnlen(reinterpret_cast<const char *>(e.data), e.data_len);
        std::string name(reinterpret_cast<const char *>(e.data), len);
        Exchange x{false, {}, static_cast<uint8_t>(e.id + 1), {}};
        for (const User &u : users_)
            if (u.name == name) {
                x.known = true;
                x.password = u.password;
            }
        random_(x.challenge, sizeof x.challenge);
        exchange_[key] = x;
        uint8_t request[5 + 1 + eapol::kMd5Value];
        size_t len_out = eapol::encode_md5(eapol::kRequest, x.id, x.challenge, request);
        sink.relay(peer, request, len_out);
        return;
    }
    auto it = exchange_.find(key);
    const uint8_t *value;
    size_t value_len;
    bool passed = false;
    if (it != exchange_.end() && e.type == eapol::kMd5 && e.id == it->second.id && it->second.known &&
        eapol::decode_md5(e, &value, &value_len) == eapol::Error::none && value_len == kMd5Size) {
        const Exchange &x = it->second;
        uint8_t want[kMd5Size];
        Md5 h;
        h.update(&x.id, 1);
        h.update(x.password.data(), x.password.size());
        h.update(x.challenge, sizeof x.challenge);
        h.finish(want);
        passed = same(want, value, kMd5Size);
    }
    if (it != exchange_.end()) exchange_.erase(it);
    if (passed)
        sink.accept(peer, nullptr, 0, 0);
    else
        sink.reject(peer, nullptr, 0);
}

void Fallback::submit(const AuthPeer &peer, const uint8_t *eap, size_t n, uint64_t now_ms, AuthSink &sink) {
    sink_ = &sink;
    eapol::Eap e;
    Exchange &x = exchange_[peer_key(peer)];
    bool identity = eapol::decode_eap(eap, n, &e) == eapol::Error::none && e.code == eapol::kResponse &&
                    e.type == eapol::kIdentity;
    if (identity) {  // a new exchange: the first server's again
        x.second = false;
        x.identity.assign(eap, eap + n);
    }
    x.now_ms = now_ms;
    (x.second ? second_ : first_).submit(peer, eap, n, now_ms, *this);
}

void Fallback::cancel(const AuthPeer &peer) {
    first_.cancel(peer);
    second_.cancel(peer);
    exchange_.erase(peer_key(peer));
}

void Fallback::service(uint64_t now_ms, AuthSink &sink) {
    sink_ = &sink;
    first_.service(now_ms, *this);
    second_.service(now_ms, *this);
}

void Fallback::unreachable(const AuthPeer &peer) {
    auto it = exchange_.find(peer_key(peer));
    if (it == exchange_.end() || it->second.second || it->second.identity.empty()) {
        sink_->unreachable(peer);
        return;
    }
    it->second.second = true;
    std::vector<uint8_t> identity = it->second.identity;  // (the second may answer, and end it, at once)
    second_.submit(peer, identity.data(), identity.size(), it->second.now_ms, *this);
}

}  // namespace kelsim
