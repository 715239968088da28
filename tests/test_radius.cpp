// test_radius.cpp - the RADIUS client of 802.1X: replies as a server would
// sign them, each spoiled one way and dropped for it; requests whose EAP
// packet is split and signed; and the client against a server on the
// loopback, on a clock of the test's own: byte-identical retransmissions,
// replies from elsewhere, spoiled or late, counted and ignored.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "proto/md5.h"
#include "proto/radius_client.h"

namespace {

using namespace kelsim;
using namespace kelsim::radius;
using Bytes = std::vector<uint8_t>;

Bytes operator+(Bytes a, const Bytes &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A reply to req as a server signs it: its Message-Authenticator under
// ma_secret (none when empty), its Response Authenticator under secret.
Bytes reply(uint8_t code, const Bytes &req, const Bytes &attrs, const std::string &secret = "key",
            const std::string &ma_secret = "key") {
    Bytes p = Bytes{code, req[1], 0, 0} + Bytes(req.begin() + 4, req.begin() + 20) + attrs;
    size_t at = p.size() + 2;
    if (!ma_secret.empty()) p = p + Bytes{kMessageAuthenticator, 18} + Bytes(16, 0);
    p[2] = static_cast<uint8_t>(p.size() >> 8), p[3] = static_cast<uint8_t>(p.size());
    if (!ma_secret.empty()) hmac_md5(ma_secret.data(), ma_secret.size(), p.data(), p.size(), &p[at]);
    Bytes signed_ = p + Bytes(secret.begin(), secret.end());
    md5(signed_.data(), signed_.size(), &p[4]);
    return p;
}

const Bytes kSuccess = {kEapMessage, 6, 3, 7, 0, 4}, kStateAttr = {kState, 5, 's', 't', '1'};
const Bytes kChallenge = {kEapMessage, 8, 1, 8, 0, 6, 4, 0};  // EAP-Request/MD5, no value

const Bytes kRequest = {1, 5, 0, 20, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6};  // identifier 5

TEST(RadiusReply, SpoiledRepliesAreDropped) {
    Bytes eap300(300, 9);
    eap300[0] = 1, eap300[2] = 1, eap300[3] = 44;  // length 300
    const struct {
        const char *name;
        Bytes p;
        Fault want;
    } rows[] = {
        {"accept", reply(kAccessAccept, kRequest, kSuccess + Bytes{kSessionTimeout, 6, 0, 0, 1, 0}),
         Fault::none},
        {"challenge", reply(kAccessChallenge, kRequest, kChallenge + kStateAttr), Fault::none},
        {"EAP in two attributes",
         reply(kAccessChallenge, kRequest,
               Bytes{kEapMessage, 255} + Bytes(eap300.begin(), eap300.begin() + 253) +
                   Bytes{kEapMessage, 49} + Bytes(eap300.begin() + 253, eap300.end())),
         Fault::none},
        {"padding after the length", reply(kAccessReject, kRequest, {}) + Bytes(5, 0), Fault::none},
        {"another secret", reply(kAccessAccept, kRequest, kSuccess, "other", "other"), Fault::authenticator},
        {"Message-Authenticator of another secret", reply(kAccessAccept, kRequest, kSuccess, "key", "other"),
         Fault::message_auth},
        {"no Message-Authenticator", reply(kAccessAccept, kRequest, kSuccess, "key", ""),
         Fault::no_message_auth},
        {"answer to another request", reply(kAccessAccept, Bytes{1, 6} + Bytes(18, 9), kSuccess), Fault::id},
        {"an accounting code", reply(5, kRequest, {}), Fault::code},
        {"shorter than its length", Bytes{2, 5, 0, 22} + Bytes(17, 0), Fault::length},
        {"shorter than a header", Bytes(19, 2), Fault::length},
        {"attribute beyond the packet", reply(kAccessAccept, kRequest, {26, 40, 1, 2}), Fault::length},
        {"attribute of length 1", reply(kAccessAccept, kRequest, {26, 1}), Fault::length},
        {"Session-Timeout of 3 bytes", reply(kAccessAccept, kRequest, {kSessionTimeout, 5, 0, 0, 1}),
         Fault::attribute},
        {"two States", reply(kAccessChallenge, kRequest, kChallenge + kStateAttr + kStateAttr),
         Fault::attribute},
        {"EAP longer than it says", reply(kAccessAccept, kRequest, {kEapMessage, 7, 3, 7, 0, 4, 0}),
         Fault::attribute},
        {"challenge without EAP", reply(kAccessChallenge, kRequest, kStateAttr), Fault::no_eap},
    };
    Bytes req = kRequest;
    for (const auto &r : rows) {
        Reply out;
        EXPECT_EQ(fault_name(decode_reply(r.p.data(), r.p.size(), 5, &req[4], "key", 3, &out)),
                  fault_name(r.want))
            << r.name;
    }
    Reply out;
    ASSERT_EQ(decode_reply(rows[0].p.data(), rows[0].p.size(), 5, &req[4], "key", 3, &out), Fault::none);
    EXPECT_EQ(out.session_timeout, 256u);
    EXPECT_EQ(Bytes(out.eap, out.eap + out.eap_len), Bytes(kSuccess.begin() + 2, kSuccess.end()));
    ASSERT_EQ(decode_reply(rows[1].p.data(), rows[1].p.size(), 5, &req[4], "key", 3, &out), Fault::none);
    EXPECT_EQ(std::string(out.state, out.state + out.state_len), "st1");
    ASSERT_EQ(decode_reply(rows[2].p.data(), rows[2].p.size(), 5, &req[4], "key", 3, &out), Fault::none);
    EXPECT_EQ(Bytes(out.eap, out.eap + out.eap_len), eap300);
}

// The attributes of a packet, as (type, value) in order.
std::vector<std::pair<uint8_t, Bytes>> attributes(const Bytes &p) {
    std::vector<std::pair<uint8_t, Bytes>> out;
    for (size_t at = 20; at + 2 <= p.size() && p[at + 1] >= 2; at += p[at + 1])
        out.push_back({p[at], Bytes(p.begin() + at + 2, p.begin() + at + p[at + 1])});
    return out;
}

TEST(RadiusRequest, EapSplitInAttributesAndSigned) {
    Request r;
    r.user = reinterpret_cast<const uint8_t *>("alice"), r.user_len = 5;
    for (size_t n : {4, 252, 253, 254, 506, 507, 1600, 1601}) {
        Bytes eap(n, static_cast<uint8_t>(n)), joined;
        r.eap = eap.data(), r.eap_len = n;
        uint8_t buf[kMaxPacket];
        Bytes p(buf, buf + encode_request(r, "key", 3, buf, sizeof buf));
        EXPECT_EQ(p.empty(), n > kMaxEap) << n;
        if (p.empty()) continue;
        size_t pieces = 0;
        for (const auto &[type, v] : attributes(p))
            if (type == kEapMessage) joined = joined + v, ++pieces;
        EXPECT_EQ(joined, eap) << n;
        EXPECT_EQ(pieces, (n + 252) / 253) << n;
        EXPECT_EQ(size_t(p[2]) << 8 | p[3], p.size());
        ASSERT_EQ(attributes(p).back().first, kMessageAuthenticator);
        Bytes zeroed = p;
        std::fill(zeroed.end() - 16, zeroed.end(), 0);
        uint8_t mac[16];
        hmac_md5("key", 3, zeroed.data(), zeroed.size(), mac);
        EXPECT_EQ(Bytes(mac, mac + 16), Bytes(p.end() - 16, p.end())) << n;
    }
    char text[18];
    mac_text(std::array<uint8_t, 6>{0, 0x11, 0x22, 0xAA, 0xBB, 0xCC}.data(), text);
    EXPECT_STREQ(text, "00-11-22-AA-BB-CC");
}

// A server on the loopback that the test answers by hand.
struct Server {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{}, peer{};
    Server() {
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr *>(&addr), len), 0);
        getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len);
    }
    ~Server() { close(fd); }
    Bytes take() {  // the next request, or nothing within a second
        pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, 1000) != 1) return {};
        uint8_t buf[kMaxPacket];
        socklen_t len = sizeof peer;
        ssize_t n = recvfrom(fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr *>(&peer), &len);
        return Bytes(buf, buf + (n > 0 ? n : 0));
    }
    void answer(const Bytes &p) {
        sendto(fd, p.data(), p.size(), 0, reinterpret_cast<sockaddr *>(&peer), sizeof peer);
    }
};

struct Outcome final : AuthSink {
    std::string said;
    void relay(const AuthPeer &, const uint8_t *, size_t n) override {
        said += "relay" + std::to_string(n) + " ";
    }
    void accept(const AuthPeer &, const uint8_t *, size_t, uint32_t t) override {
        said += "accept" + std::to_string(t) + " ";
    }
    void reject(const AuthPeer &, const uint8_t *, size_t) override { said += "reject "; }
    void unreachable(const AuthPeer &) override { said += "unreachable "; }
};

// Services the client until it has said something more (a second at most).
void pump(RadiusClient &c, Outcome &o, uint64_t now) {
    for (size_t before = o.said.size(), i = 0; i < 100 && o.said.size() == before; ++i) {
        pollfd p = {c.fd(), POLLIN, 0};
        poll(&p, 1, 10);
        c.service(now, o);
    }
}

// Tries, failover and the verdicts against a real server: radius_e2e.sh.
TEST(RadiusClientTest, RetransmissionsAndRepliesIgnored) {
    Server a, b;
    RadiusSettings s;
    s.server[s.nservers++] = {a.addr.sin_addr.s_addr, ntohs(a.addr.sin_port), "key", 3};
    s.timeout_s[0][1] = 2;  // port 1/2
    RadiusClient c(s);
    Outcome o;
    const AuthPeer peer = {1, 2, {2, 0, 0, 0, 0, 7}};
    const uint8_t identity[] = {2, 1, 0, 10, 1, 'a', 'l', 'i', 'c', 'e'};
    c.submit(peer, identity, sizeof identity, 0, o);
    Bytes first = a.take();
    for (uint64_t t : {1999, 2000, 4000}) {  // a try waits its 2 s, and is repeated byte for byte
        c.service(t, o);
        EXPECT_EQ(c.counters().retransmissions, t / 2000u) << t;
        EXPECT_EQ(t % 2000 ? first : a.take(), first) << t;
    }
    b.peer = a.peer;  // a reply from another address, then spoiled ones: all ignored
    b.answer(reply(kAccessChallenge, first, kChallenge + kStateAttr));
    a.answer(reply(kAccessChallenge, first, kChallenge + kStateAttr, "other", "other"));
    a.answer(reply(kAccessChallenge, first, kStateAttr));
    a.answer(reply(kAccessChallenge, first, kChallenge + kStateAttr));
    pump(c, o, 4001);
    EXPECT_EQ(o.said, "relay6 ");
    EXPECT_EQ(c.counters().unmatched, 1u);
    EXPECT_EQ(c.counters().bad_authenticators, 1u);
    EXPECT_EQ(c.counters().malformed, 1u);
    const uint8_t md5_answer[] = {2, 8, 0, 6, 4, 0};
    c.submit(peer, md5_answer, sizeof md5_answer, 5000, o);
    Bytes next = a.take();
    c.cancel(peer);  // a late answer of a cancelled exchange is dropped
    a.answer(reply(kAccessAccept, next, kSuccess));
    c.submit(peer, md5_answer, sizeof md5_answer, 6000, o);  // nothing to belong to: refused
    pump(c, o, 6001);
    c.service(60000, o);
    EXPECT_EQ(o.said, "relay6 reject ");
    EXPECT_EQ(c.counters().unmatched, 2u);
    EXPECT_EQ(c.counters().refused, 1u);
    EXPECT_EQ(c.exchanges(), 0u);
}

TEST(RadiusClientTest, OneExchangePerIdentifierAtMost) {
    Server a;
    RadiusSettings s;
    s.server[s.nservers++] = {a.addr.sin_addr.s_addr, ntohs(a.addr.sin_port), "key", 3};
    RadiusClient c(s);
    Outcome o;
    const uint8_t identity[] = {2, 1, 0, 5, 1}, md5_answer[] = {2, 8, 0, 6, 4, 0};
    AuthPeer peer = {1, 1, {2, 0, 0, 0, 0, 0}};
    for (size_t i = 0; i <= RadiusClient::kMaxExchanges; ++i) {
        peer.station[4] = static_cast<uint8_t>(i >> 8), peer.station[5] = static_cast<uint8_t>(i);
        c.submit(peer, identity, sizeof identity, 0, o);
    }
    EXPECT_EQ(c.exchanges(), RadiusClient::kMaxExchanges);
    EXPECT_EQ(o.said, "reject ");  // the one too many
    peer.station[4] = 0;  // the first, answering while every identifier is taken: it takes its own again
    c.submit(peer, md5_answer, sizeof md5_answer, 1, o);
    EXPECT_EQ(c.counters().requests, RadiusClient::kMaxExchanges + 1);
}

}  // namespace
