// radius_client.h - the RADIUS method of 802.1X's authenticator: an
// authentication server (auth_server.h) that carries each station's EAP
// packets to the configured RADIUS servers and their answers back.
//
// One UDP socket (non-blocking, an ephemeral port on every address) serves
// every exchange; the identifier of a request picks its exchange, and only
// a reply from that exchange's server, with both authenticators right, is
// acted upon. A station's exchange begins with its Response/Identity, at
// the first configured server; a request is sent kTries times, each try
// waiting the port's server timeout, before the next server is tried. Once
// a server has challenged the station, the conversation (its State) belongs
// to that server: its tries spent, the servers are unreachable for that
// station. Retransmissions repeat the request byte for byte.
//
// The socket is opened by the constructor, in the network namespace of the
// thread that constructs the client; it stays there whatever namespace the
// thread moves to afterwards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "model/topology.h"
#include "proto/auth_server.h"
#include "proto/radius.h"

namespace kelsim {

struct RadiusServerEntry {
    uint32_t addr;  // IPv4, network byte order
    uint16_t port;  // UDP, host byte order
    char key[radius::kMaxSecret + 1];
    size_t key_len;
};

// What new exchanges use; an exchange keeps what it began with.
struct RadiusSettings {
    static constexpr size_t kServers = 4;
    RadiusServerEntry server[kServers] = {};
    size_t nservers = 0;
    uint8_t nas_mac[6] = {};  // Called-Station-Id
    char nas_id[32] = "kelsim";
    uint32_t nas_ip = 0;                            // NAS-IP-Address when not 0 (network byte order)
    uint16_t timeout_s[kMaxUnits][kMaxPorts] = {};  // each port's server timeout, seconds (1 when 0)
};

struct RadiusCounters {
    uint64_t requests;  // Access-Requests sent, retransmissions apart
    uint64_t retransmissions;
    uint64_t accepts, rejects, challenges;
    uint64_t bad_authenticators;  // replies with a wrong or missing Response or Message-Authenticator
    uint64_t malformed;           // replies of a bad length, code or attribute, or a Challenge without EAP
    uint64_t unmatched;           // replies of no exchange's identifier, or from another address
    uint64_t timeouts;            // tries that got no good reply in time
    uint64_t failovers;           // exchanges moved on to the next server
    uint64_t unreachable;         // exchanges given up: every try of every server timed out
    uint64_t refused;             // EAP packets not sent: malformed, or no exchange to belong to, or too many
};

class RadiusClient final : public AuthServer {
public:
    static constexpr uint32_t kTries = 3;         // per server
    static constexpr size_t kMaxExchanges = 256;  // one per identifier in flight
    static constexpr uint32_t kFramedMtu = 1400;  // what an EAP packet to a station may take
    explicit RadiusClient(const RadiusSettings &s);
    ~RadiusClient() override;
    RadiusClient(const RadiusClient &) = delete;
    RadiusClient &operator=(const RadiusClient &) = delete;

    void configure(const RadiusSettings &s) { settings_ = s; }
    void submit(const AuthPeer &peer, const uint8_t *eap, size_t n, uint64_t now_ms, AuthSink &sink) override;
    void cancel(const AuthPeer &peer) override;
    int fd() const override { return fd_; }
    void service(uint64_t now_ms, AuthSink &sink) override;

    const RadiusCounters &counters() const { return counters_; }
    size_t exchanges() const;  // exchanges in progress

private:
    struct Exchange;
    Exchange *find(const AuthPeer &peer);
    Exchange *start(const AuthPeer &peer);
    void send_new(Exchange &x, uint64_t now_ms);
    void transmit(Exchange &x);
    void receive(const uint8_t *p, size_t n, uint32_t addr, uint16_t port, AuthSink &sink);
    void expire(Exchange &x, uint64_t now_ms, AuthSink &sink);
    static void finish(Exchange &x);
    uint8_t next_id();

    RadiusSettings settings_;
    RadiusCounters counters_ = {};
    std::vector<std::unique_ptr<Exchange>> table_;
    int fd_ = -1;
    uint8_t id_ = 0;
    uint64_t nonce_ = 0;
};

}  // namespace kelsim
