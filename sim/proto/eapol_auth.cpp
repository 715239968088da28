// eapol_auth.cpp - the authenticator of one port (see eapol_auth.h).
#include "proto/eapol_auth.h"

#include <cstring>

namespace kelsim::dot1x {

namespace {

constexpr uint64_t kNever = UINT64_MAX;
constexpr uint8_t kNobody[6] = {};

}  // namespace

const char *state_name(State s) {
    static const char *const names[] = {"disabled",       "idle",          "connecting",
                                        "authenticating", "authenticated", "held"};
    return names[static_cast<int>(s)];
}

void PortAuth::init(uint32_t unit, uint32_t port) {
    *this = PortAuth();
    peer_.unit = unit;
    peer_.port = port;
    due_ = kNever;
}

void PortAuth::configure(const PortConfig &c, uint64_t now_ms, AuthServer *server, AuthSink &, Actions &a) {
    bool was = config_.active && state_ != State::disabled;
    config_ = c;
    if (!c.active) {
        if (!was) return;
        if (state_ == State::authenticating && server) server->cancel(peer_);
        state_ = State::disabled;
        due_ = kNever;
        set_authorized(false, a);
        return;
    }
    if (!was) {  // a port that comes up is unauthorized until a station authenticates
        std::memset(station_, 0, sizeof station_);
        std::memset(peer_.station, 0, sizeof peer_.station);
        set_authorized(false, a);
        ask_identity(now_ms, a);
        return;
    }
    if (state_ == State::authenticated && !session_timeout_) {
        if (!c.reauth)
            due_ = kNever;
        else if (due_ == kNever)
            due_ = now_ms + uint64_t{c.reauth_period} * 1000;
    }
}

void PortAuth::receive(const uint8_t src[6], const uint8_t *p, size_t n, uint64_t now_ms, AuthServer *server,
                       AuthSink &sink, Actions &a) {
    if (state_ == State::disabled || state_ == State::held) return;  // held: the quiet period
    eapol::Pdu pdu;
    if (eapol::decode(p, n, &pdu) != eapol::Error::none) {
        ++count_.refused;
        return;
    }
    bool ours = std::memcmp(src, station_, 6) == 0;
    switch (pdu.type) {
        case eapol::kStart:
            ++count_.starts;
            if (state_ == State::authenticating && server) server->cancel(peer_);
            ask_identity(now_ms, a);
            return;
        case eapol::kLogoff:
            if (!ours) return;
            ++count_.logoffs;
            if (state_ == State::authenticating && server) server->cancel(peer_);
            set_authorized(false, a);
            ask_identity(now_ms, a);
            return;
        case eapol::kPacket:
            break;
        default:
            return;  // keys, alerts, announcements: not this authenticator's
    }
    eapol::Eap e;
    if (eapol::decode_eap(pdu.body, pdu.body_len, &e) != eapol::Error::none || e.code != eapol::kResponse ||
        e.id != id_) {
        ++count_.refused;  // malformed, not a Response, or not an answer to the last Request
        return;
    }
    // While a station is authorized, it alone may answer (reauthentication).
    if (state_ == State::connecting && e.type == eapol::kIdentity && (!authorized_ || ours)) {
        std::memcpy(station_, src, 6);
        std::memcpy(peer_.station, src, 6);
        state_ = State::authenticating;
        submit(pdu.body, e.length, now_ms, server, sink, a);
    } else if (state_ == State::authenticating && !awaiting_server_ && ours) {
        submit(pdu.body, e.length, now_ms, server, sink, a);
    } else {
        ++count_.refused;
    }
}

void PortAuth::submit(const uint8_t *eap, size_t n, uint64_t now_ms, AuthServer *server, AuthSink &sink,
                      Actions &a) {
    awaiting_server_ = true;
    due_ = now_ms + uint64_t{config_.server_timeout} * 1000;
    if (!server) {
        unreachable(now_ms, a);
        return;
    }
    server->submit(peer_, eap, n, now_ms, sink);  // (it may answer at once, through the sink)
}

void PortAuth::reauthenticate(uint64_t now_ms, Actions &a) {
    if (state_ == State::idle || state_ == State::connecting || state_ == State::authenticated)
        ask_identity(now_ms, a);
}

void PortAuth::abandon(uint64_t now_ms, Actions &a) {
    if (state_ == State::authenticating) ask_identity(now_ms, a);
}

void PortAuth::tick(uint64_t now_ms, AuthServer *server, Actions &a) {
    if (due_ == kNever || now_ms < due_) return;
    switch (state_) {
        case State::connecting:
            if (sends_ < kMaxRequests) {
                send_request(a);
                due_ = now_ms + kTxPeriodMs;
            } else {  // nobody answers (a station reauthenticating neither): wait for a Start
                if (authorized_) set_authorized(false, a);
                state_ = State::idle;
                due_ = kNever;
            }
            return;
        case State::authenticating:
            if (awaiting_server_) {
                if (server) server->cancel(peer_);
                unreachable(now_ms, a);
            } else if (sends_ < kMaxRequests) {
                send_request(a);
                due_ = now_ms + kSuppTimeoutMs;
            } else {  // the station gave up: so does the server's exchange
                if (server) server->cancel(peer_);
                ask_identity(now_ms, a);
            }
            return;
        case State::authenticated:
        case State::held:
            ask_identity(now_ms, a);
            return;
        default:
            due_ = kNever;
    }
}

void PortAuth::relay(const uint8_t *eap, size_t n, uint64_t now_ms, Actions &a) {
    eapol::Eap e;
    if (state_ != State::authenticating || !awaiting_server_ || n > sizeof request_ ||
        eapol::decode_eap(eap, n, &e) != eapol::Error::none || e.code != eapol::kRequest)
        return;
    awaiting_server_ = false;
    id_ = e.id;
    std::memcpy(request_, eap, e.length);
    request_len_ = e.length;
    sends_ = 0;
    send_request(a);
    due_ = now_ms + kSuppTimeoutMs;
}

void PortAuth::accept(const uint8_t *eap, size_t n, uint32_t session_timeout, uint64_t now_ms, Actions &a) {
    if (state_ != State::authenticating || !awaiting_server_) return;
    ++count_.successes;
    state_ = State::authenticated;
    awaiting_server_ = false;
    set_authorized(true, a);
    uint8_t success[4];
    if (!n || !eap) {
        eap = success;
        n = eapol::encode_status(eapol::kSuccess, id_, success);
    }
    a.send(peer_, station_, eapol::kPacket, eap, n);
    session_timeout_ = session_timeout;
    due_ = session_timeout  ? now_ms + uint64_t{session_timeout} * 1000
           : config_.reauth ? now_ms + uint64_t{config_.reauth_period} * 1000
                            : kNever;
}

void PortAuth::reject(const uint8_t *eap, size_t n, uint64_t now_ms, Actions &a) {
    if (state_ != State::authenticating || !awaiting_server_) return;
    ++count_.failures;
    fail(eap, n, now_ms, a);
}

void PortAuth::unreachable(uint64_t now_ms, Actions &a) {
    if (state_ != State::authenticating || !awaiting_server_) return;
    ++count_.timeouts;
    fail(nullptr, 0, now_ms, a);
}

void PortAuth::fail(const uint8_t *eap, size_t n, uint64_t now_ms, Actions &a) {
    uint8_t failure[4];
    if (!n || !eap) {
        eap = failure;
        n = eapol::encode_status(eapol::kFailure, id_, failure);
    }
    a.send(peer_, station_, eapol::kPacket, eap, n);
    set_authorized(false, a);
    state_ = State::held;
    awaiting_server_ = false;
    due_ = now_ms + uint64_t{config_.quiet_period} * 1000;
}

void PortAuth::ask_identity(uint64_t now_ms, Actions &a) {
    state_ = State::connecting;
    awaiting_server_ = false;
    session_timeout_ = 0;
    request_len_ = eapol::encode_identity_request(++id_, request_);
    sends_ = 0;
    send_request(a);
    due_ = now_ms + kTxPeriodMs;
}

// An identity is asked of every station on the port, the rest of the exchange goes to its station.
void PortAuth::send_request(Actions &a) {
    bool anyone = state_ == State::connecting || std::memcmp(station_, kNobody, 6) == 0;
    a.send(peer_, anyone ? eapol::kPaeGroup : station_, eapol::kPacket, request_, request_len_);
    ++sends_;
}

void PortAuth::set_authorized(bool on, Actions &a) {
    authorized_ = on;
    a.authorize(peer_, on ? station_ : nullptr);
}

}  // namespace kelsim::dot1x
