// eapol_auth.h - 802.1X's authenticator on one port: its port access
// entity and backend, pure (EAPOL packets, the server's answers and time
// in; frames to send and the port's authorization out, through Actions).
//
// On an active port (802.1X on, control auto, link up) the authenticator
// asks for an identity (an EAP-Request/Identity, to the PAE group address)
// when the port comes up, on an EAPOL-Start, after the quiet period and
// when reauthenticating; it sends it again every tx period, at most
// kMaxRequests times in all, then waits for a Start. The station that
// answers is the one authenticated: its Response/Identity and every later
// Response go to the authentication server, whose Requests go back to the
// station (sent again every supplicant timeout, kMaxRequests times at
// most, then the exchange is given up and an identity asked for anew). A
// server's accept authorizes the station and sends it the Success; a
// reject, or servers that do not answer within the port's server timeout
// or say they are unreachable, takes authorization away, sends a Failure,
// and holds the port for its quiet period, during which the station's
// frames are ignored. An EAPOL-Logoff from the station takes
// authorization away. An authenticated port authenticates again after its
// reauthentication period (when reauthentication is on; a server's
// session timeout comes first), and when asked to; it stays authorized
// meanwhile, until a reject or until no answer comes, and no other station
// may answer in its place.
#pragma once

#include <cstddef>
#include <cstdint>

#include "proto/auth_server.h"
#include "proto/eapol.h"

namespace kelsim::dot1x {

constexpr uint64_t kTxPeriodMs = 30000;     // Request/Identity sent again after
constexpr uint64_t kSuppTimeoutMs = 30000;  // a relayed Request sent again after
constexpr uint32_t kMaxRequests = 3;        // sends of one Request in all

struct PortConfig {
    bool active;              // 802.1X on for the switch, control auto, link up
    bool reauth;              // periodic reauthentication
    uint32_t reauth_period;   // seconds
    uint32_t quiet_period;    // seconds, 0 for none
    uint32_t server_timeout;  // seconds
};

// The port access entity's states, as `kelsim dot1x` prints them.
enum class State : uint8_t { disabled, idle, connecting, authenticating, authenticated, held };
const char *state_name(State s);

struct Counters {
    uint32_t starts, logoffs, successes, failures, timeouts;  // timeouts: servers that did not answer
    uint32_t refused;  // malformed EAPOL and EAP packets, Responses out of turn
};

class Actions {
public:
    // An EAPOL packet of type with body (n bytes) to dst, out of the port.
    virtual void send(const AuthPeer &port, const uint8_t dst[6], uint8_t type, const uint8_t *body,
                      size_t n) = 0;
    // The port's authorized station, or none (null).
    virtual void authorize(const AuthPeer &port, const uint8_t *station) = 0;

protected:
    ~Actions() = default;
};

class PortAuth {
public:
    void init(uint32_t unit, uint32_t port);
    // The port's settings and link; a port that turns active asks for an identity.
    // server: the authentication server in use, or null when none can be reached.
    void configure(const PortConfig &c, uint64_t now_ms, AuthServer *server, AuthSink &sink, Actions &a);
    // One EAPOL packet (what follows the EtherType, n bytes) from station src.
    void receive(const uint8_t src[6], const uint8_t *p, size_t n, uint64_t now_ms, AuthServer *server,
                 AuthSink &sink, Actions &a);
    // Authenticate again now (the library's request).
    void reauthenticate(uint64_t now_ms, Actions &a);
    // Timers: retransmissions, timeouts, the quiet period, reauthentication.
    void tick(uint64_t now_ms, AuthServer *server, Actions &a);
    // The server's exchange is gone (the server in use changed): start over.
    void abandon(uint64_t now_ms, Actions &a);

    // The server's answers for this port.
    void relay(const uint8_t *eap, size_t n, uint64_t now_ms, Actions &a);
    void accept(const uint8_t *eap, size_t n, uint32_t session_timeout, uint64_t now_ms, Actions &a);
    void reject(const uint8_t *eap, size_t n, uint64_t now_ms, Actions &a);
    void unreachable(uint64_t now_ms, Actions &a);

    State state() const { return state_; }
    bool authorized() const { return authorized_; }
    const uint8_t *station() const { return station_; }
    const Counters &counters() const { return count_; }

private:
    void ask_identity(uint64_t now_ms, Actions &a);
    void send_request(Actions &a);
    void fail(const uint8_t *eap, size_t n, uint64_t now_ms, Actions &a);
    void set_authorized(bool on, Actions &a);
    void submit(const uint8_t *eap, size_t n, uint64_t now_ms, AuthServer *server, AuthSink &sink,
                Actions &a);

    AuthPeer peer_{};
    PortConfig config_{};
    State state_ = State::disabled;
    bool authorized_ = false;
    bool awaiting_server_ = false;     // authenticating: the server's turn (else the station's)
    uint8_t station_[6] = {};          // the station authenticated (or being), all zero before one answers
    uint8_t id_ = 0;                   // the identifier of the last Request sent
    uint32_t sends_ = 0;               // of the last Request
    uint64_t due_ = UINT64_MAX;        // the state's one timer (ms)
    uint32_t session_timeout_ = 0;     // seconds, the server's, for this authentication
    uint8_t request_[eapol::kMaxEap];  // the last Request, for sending it again
    size_t request_len_ = 0;
    Counters count_{};
};

}  // namespace kelsim::dot1x
