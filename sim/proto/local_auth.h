// local_auth.h - the authentication servers the switch has of its own:
// LocalAuth, EAP-MD5 against the switch's local users (the identity is the
// user's name), and Fallback, which asks a second server when the first is
// unreachable (RADIUS, then the local users).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "proto/auth_server.h"
#include "proto/eapol.h"

namespace kelsim {

// A peer as a key of the servers' tables.
inline uint32_t peer_key(const AuthPeer &p) { return p.unit << 8 | p.port; }

class LocalAuth final : public AuthServer {
public:
    struct User {
        std::string name, password;
    };
    // Where challenges come from: fills n bytes (the system's random source by default).
    using Random = void (*)(uint8_t *out, size_t n);
    explicit LocalAuth(Random random = nullptr);
    void set_users(std::vector<User> users) { users_ = std::move(users); }

    // A Response/Identity gets an MD5-Challenge (also for a name nobody has,
    // which the answer then cannot pass); the answer to it an accept when it
    // is MD5(identifier, password, challenge), else a reject, as does a Nak
    // or any other Response.
    void submit(const AuthPeer &peer, const uint8_t *eap, size_t n, uint64_t now_ms, AuthSink &sink) override;
    void cancel(const AuthPeer &peer) override { exchange_.erase(peer_key(peer)); }
    void service(uint64_t, AuthSink &) override {}

private:
    struct Exchange {
        bool known;            // a user of that name exists
        std::string password;  // (a copy: the users may change meanwhile)
        uint8_t id;
        uint8_t challenge[eapol::kMd5Value];
    };
    Random random_;
    std::vector<User> users_;
    std::map<uint32_t, Exchange> exchange_;
};

class Fallback final : public AuthServer, private AuthSink {
public:
    Fallback(AuthServer &first, AuthServer &second) : first_(first), second_(second) {}
    void submit(const AuthPeer &peer, const uint8_t *eap, size_t n, uint64_t now_ms, AuthSink &sink) override;
    void cancel(const AuthPeer &peer) override;
    int fd() const override { return first_.fd(); }
    void service(uint64_t now_ms, AuthSink &sink) override;

private:
    void relay(const AuthPeer &peer, const uint8_t *eap, size_t n) override { sink_->relay(peer, eap, n); }
    void accept(const AuthPeer &peer, const uint8_t *eap, size_t n, uint32_t session_timeout) override {
        sink_->accept(peer, eap, n, session_timeout);
    }
    void reject(const AuthPeer &peer, const uint8_t *eap, size_t n) override { sink_->reject(peer, eap, n); }
    void unreachable(const AuthPeer &peer) override;

    struct Exchange {
        bool second;                    // the first server was unreachable
        std::vector<uint8_t> identity;  // the station's Response/Identity, for the second
        uint64_t now_ms;
    };
    AuthServer &first_, &second_;
    AuthSink *sink_ = nullptr;
    std::map<uint32_t, Exchange> exchange_;
};

}  // namespace kelsim
