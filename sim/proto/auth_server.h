// auth_server.h - the authentication server as the 802.1X authenticator sees
// it. The authenticator hands it each EAP packet a station sends on a port
// (the first one the station's Response/Identity) and carries on; the server
// answers later, through the sink, with an EAP packet for the station (a
// challenge), or a verdict. The local method (EAP-MD5 against the switch's
// local users) answers at once from within submit; a RADIUS client answers
// when its server's reply arrives, or says the servers are unreachable once
// every try has timed out. Pure of I/O where it can be: a server that needs
// a socket shows its descriptor, and the dataplane's engine calls service()
// when that descriptor is readable and at least every tick.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelsim {

// Who an exchange is for: a station on a port.
struct AuthPeer {
    uint32_t unit, port;
    uint8_t station[6];
};

class AuthSink {
public:
    // An EAP packet (a Request) to send to the station in an EAPOL-Packet.
    virtual void relay(const AuthPeer &peer, const uint8_t *eap, size_t n) = 0;
    // The station is authorized; eap is the Success to send (it may be
    // empty, n 0, and the authenticator builds one). session_timeout in
    // seconds, 0 when the server named none.
    virtual void accept(const AuthPeer &peer, const uint8_t *eap, size_t n, uint32_t session_timeout) = 0;
    // The station is refused; eap is the Failure to send, or empty.
    virtual void reject(const AuthPeer &peer, const uint8_t *eap, size_t n) = 0;
    // No server answered within its timeouts and retries.
    virtual void unreachable(const AuthPeer &peer) = 0;

protected:
    ~AuthSink() = default;
};

class AuthServer {
public:
    virtual ~AuthServer() = default;
    // One EAP packet from the station; now_ms on the engine's clock.
    virtual void submit(const AuthPeer &peer, const uint8_t *eap, size_t n, uint64_t now_ms,
                        AuthSink &sink) = 0;
    // Forget the peer's exchange (the port went down, or the authenticator
    // gave up): a late answer for it is dropped.
    virtual void cancel(const AuthPeer &peer) = 0;
    // A descriptor to poll for reading, or -1.
    virtual int fd() const { return -1; }
    // Reads what arrived, retransmits and times out; answers through sink.
    virtual void service(uint64_t now_ms, AuthSink &sink) = 0;
};

}  // namespace kelsim
