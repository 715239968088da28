// radius_client.cpp - 802.1X's RADIUS method: exchanges, tries, failover.
#include "proto/radius_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <ctime>

#include "proto/md5.h"

namespace kelsim {

namespace {

constexpr uint8_t kEapResponse = 2, kEapIdentity = 1;
constexpr size_t kReadsPerService = 64;  // datagrams read per service call, at most

bool same_peer(const AuthPeer &a, const AuthPeer &b) {
    return a.unit == b.unit && a.port == b.port && std::memcmp(a.station, b.station, 6) == 0;
}

}  // namespace

struct RadiusClient::Exchange {
    AuthPeer peer;
    bool waiting;  // a request is out and no good reply came yet
    RadiusServerEntry server[RadiusSettings::kServers];
    size_t nservers, at;  // the servers it began with; the one it talks to
    uint32_t timeout_ms;
    uint32_t tries;
    uint64_t deadline;
    uint8_t id, auth[radius::kAuthSize];
    uint8_t user[253];
    size_t user_len;
    uint8_t state[radius::kMaxState];
    size_t state_len;
    uint8_t eap[radius::kMaxEap];
    size_t eap_len;
    uint8_t packet[radius::kMaxPacket];
    size_t packet_len;
};

RadiusClient::RadiusClient(const RadiusSettings &s) : settings_(s) {
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return;  // every request then times out: the servers are unreachable
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(fd_, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
        close(fd_);
        fd_ = -1;
    }
}

RadiusClient::~RadiusClient() {
    if (fd_ >= 0) close(fd_);
}

size_t RadiusClient::exchanges() const {
    size_t n = 0;
    for (const auto &x : table_) n += x->peer.unit != 0;
    return n;
}

RadiusClient::Exchange *RadiusClient::find(const AuthPeer &peer) {
    for (auto &x : table_)
        if (x->peer.unit && same_peer(x->peer, peer)) return x.get();
    return nullptr;
}

// A fresh exchange for the peer (of a port that exists: unit 0 marks a free
// one), or null when kMaxExchanges are in progress.
RadiusClient::Exchange *RadiusClient::start(const AuthPeer &peer) {
    Exchange *x = find(peer);
    for (size_t i = 0; !x && i < table_.size(); ++i)
        if (!table_[i]->peer.unit) x = table_[i].get();
    if (!x) {
        if (table_.size() >= kMaxExchanges) return nullptr;
        table_.push_back(std::make_unique<Exchange>());
        x = table_.back().get();
    }
    std::memset(x, 0, sizeof *x);
    x->peer = peer;
    std::memcpy(x->server, settings_.server, sizeof x->server);
    x->nservers = settings_.nservers;
    uint32_t t = settings_.timeout_s[peer.unit - 1][peer.port - 1];
    x->timeout_ms = (t ? t : 1) * 1000u;
    return x;
}

void RadiusClient::finish(Exchange &x) { std::memset(&x, 0, sizeof x); }

void RadiusClient::cancel(const AuthPeer &peer) {
    if (Exchange *x = find(peer)) finish(*x);
}

// An identifier no waiting exchange holds (there are fewer than 256).
uint8_t RadiusClient::next_id() {
    for (;;) {
        uint8_t id = id_++;
        bool taken = false;
        for (const auto &x : table_) taken |= x->peer.unit && x->waiting && x->id == id;
        if (!taken) return id;
    }
}

void RadiusClient::submit(const AuthPeer &peer, const uint8_t *eap, size_t n, uint64_t now_ms,
                          AuthSink &sink) {
    bool port = peer.unit >= 1 && peer.unit <= kMaxUnits && peer.port >= 1 && peer.port <= kMaxPorts;
    bool whole = port && eap && n >= 4 && n <= radius::kMaxEap && (size_t(eap[2]) << 8 | eap[3]) == n;
    bool identity = whole && n >= 5 && eap[0] == kEapResponse && eap[4] == kEapIdentity;
    Exchange *x = !whole ? nullptr : identity ? start(peer) : find(peer);
    if (!x || (identity && n - 5 > sizeof x->user)) {
        ++counters_.refused;  // nothing to send it to: the station must begin again
        if (x) finish(*x);
        sink.reject(peer, nullptr, 0);
        return;
    }
    if (identity) {
        x->user_len = n - 5;
        std::memcpy(x->user, eap + 5, x->user_len);
        if (x->nservers == 0) {
            ++counters_.unreachable;
            finish(*x);
            sink.unreachable(peer);
            return;
        }
    }
    std::memcpy(x->eap, eap, n);
    x->eap_len = n;
    send_new(*x, now_ms);
}

// A new request of the exchange's EAP packet to its current server.
void RadiusClient::send_new(Exchange &x, uint64_t now_ms) {
    radius::Request r;
    x.waiting = false;  // its identifier of before is free again
    r.id = x.id = next_id();
    if (getrandom(x.auth, sizeof x.auth, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof x.auth)) {
        // No entropy yet (early boot): unique still, from the clock and a count.
        struct {
            timespec t;
            uint64_t nonce;
            const void *self;
        } seed = {{}, ++nonce_, this};
        clock_gettime(CLOCK_REALTIME, &seed.t);
        md5(&seed, sizeof seed, x.auth);
    }
    std::memcpy(r.authenticator, x.auth, sizeof x.auth);
    r.user = x.user;
    r.user_len = x.user_len;
    r.nas_ip = settings_.nas_ip;
    r.nas_id = settings_.nas_id;
    r.nas_id_len = strnlen(settings_.nas_id, sizeof settings_.nas_id);
    r.nas_port = (x.peer.unit - 1) * kMaxPorts + x.peer.port;
    std::memcpy(r.calling, x.peer.station, 6);
    std::memcpy(r.called, settings_.nas_mac, 6);
    r.framed_mtu = kFramedMtu;
    r.state = x.state;
    r.state_len = x.state_len;
    r.eap = x.eap;
    r.eap_len = x.eap_len;
    const RadiusServerEntry &s = x.server[x.at];
    x.packet_len = radius::encode_request(r, s.key, s.key_len, x.packet, sizeof x.packet);
    x.waiting = true;
    x.tries = 1;
    x.deadline = now_ms + x.timeout_ms;
    ++counters_.requests;
    transmit(x);
}

// A failed send is a try without an answer: its deadline moves it on.
void RadiusClient::transmit(Exchange &x) {
    const RadiusServerEntry &s = x.server[x.at];
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = s.addr;
    a.sin_port = htons(s.port);
    if (x.packet_len)
        (void)sendto(fd_, x.packet, x.packet_len, MSG_DONTWAIT, reinterpret_cast<sockaddr *>(&a), sizeof a);
}

void RadiusClient::service(uint64_t now_ms, AuthSink &sink) {
    uint8_t buf[radius::kMaxPacket + 1];
    for (size_t i = 0; fd_ >= 0 && i < kReadsPerService; ++i) {
        sockaddr_in from{};
        socklen_t len = sizeof from;
        ssize_t n = recvfrom(fd_, buf, sizeof buf, MSG_DONTWAIT, reinterpret_cast<sockaddr *>(&from), &len);
        if (n < 0) break;
        receive(buf, static_cast<size_t>(n), from.sin_addr.s_addr, ntohs(from.sin_port), sink);
    }
    // By index: the sink may start exchanges (never moves one already made).
    for (size_t i = 0; i < table_.size(); ++i) {
        Exchange &x = *table_[i];
        if (x.peer.unit && x.waiting && now_ms >= x.deadline) expire(x, now_ms, sink);
    }
}

void RadiusClient::receive(const uint8_t *p, size_t n, uint32_t addr, uint16_t port, AuthSink &sink) {
    Exchange *x = nullptr;
    for (auto &e : table_) {
        const RadiusServerEntry &s = e->server[e->at];
        if (e->peer.unit && e->waiting && n >= 2 && p[1] == e->id && s.addr == addr && s.port == port)
            x = e.get();
    }
    if (!x) {
        ++counters_.unmatched;
        return;
    }
    radius::Reply r;
    const RadiusServerEntry &s = x->server[x->at];
    radius::Fault f = radius::decode_reply(p, n, x->id, x->auth, s.key, s.key_len, &r);
    if (f == radius::Fault::authenticator || f == radius::Fault::message_auth ||
        f == radius::Fault::no_message_auth) {
        ++counters_.bad_authenticators;
        return;
    }
    if (f != radius::Fault::none) {
        ++counters_.malformed;
        return;
    }
    AuthPeer peer = x->peer;
    if (r.code == radius::kAccessChallenge) {
        ++counters_.challenges;
        x->waiting = false;  // until the station answers
        std::memcpy(x->state, r.state, r.state_len);
        x->state_len = r.state_len;
        sink.relay(peer, r.eap, r.eap_len);
    } else if (r.code == radius::kAccessAccept) {
        ++counters_.accepts;
        finish(*x);
        sink.accept(peer, r.eap, r.eap_len, r.session_timeout);
    } else {
        ++counters_.rejects;
        finish(*x);
        sink.reject(peer, r.eap, r.eap_len);
    }
}

void RadiusClient::expire(Exchange &x, uint64_t now_ms, AuthSink &sink) {
    ++counters_.timeouts;
    if (x.tries < kTries) {
        ++x.tries;
        ++counters_.retransmissions;
        x.deadline = now_ms + x.timeout_ms;
        transmit(x);
        return;
    }
    if (x.state_len == 0 && x.at + 1 < x.nservers) {
        ++x.at;
        ++counters_.failovers;
        send_new(x, now_ms);
        return;
    }
    ++counters_.unreachable;
    AuthPeer peer = x.peer;
    finish(x);
    sink.unreachable(peer);
}

}  // namespace kelsim
