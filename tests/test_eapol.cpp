// test_eapol.cpp - 802.1X's frames and authenticator without a network: the
// EAPOL and EAP codec against well formed and malformed packets, then one
// port's authenticator with the local users' EAP-MD5, driven by a scripted
// supplicant and a clock the test moves.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "proto/eapol.h"
#include "proto/eapol_auth.h"
#include "proto/local_auth.h"
#include "proto/md5.h"

namespace {

using namespace kelsim;
using eapol::Error;

std::vector<uint8_t> bytes(const char *hex) {
    std::vector<uint8_t> v;
    for (const char *p = hex; p[0]; ++p) {
        if (p[0] == ' ') continue;
        v.push_back(static_cast<uint8_t>(std::stoi(std::string(p, 2), nullptr, 16)));
        ++p;
    }
    return v;
}

// The first thing wrong with an EAPOL packet, reading as deep as its type goes.
Error classify(const std::vector<uint8_t> &b) {
    eapol::Pdu pdu;
    eapol::Eap e;
    const uint8_t *value;
    size_t len;
    if (Error r = eapol::decode(b.data(), b.size(), &pdu); r != Error::none || pdu.type != eapol::kPacket)
        return r;
    if (Error r = eapol::decode_eap(pdu.body, pdu.body_len, &e); r != Error::none || e.type != eapol::kMd5)
        return r;
    return eapol::decode_md5(e, &value, &len);
}

TEST(Eapol, DecodeTellsMalformedPacketsApart) {
    const struct {
        const char *hex;
        Error want;
    } rows[] = {
        {"", Error::short_header},
        {"02 00 00", Error::short_header},
        {"00 01 00 00", Error::bad_version},
        {"02 09 00 00", Error::unknown_type},
        {"01 01 00 00", Error::none},                             // Start, version 1
        {"03 02 00 00", Error::none},                             // Logoff, version 3
        {"04 01 00 00", Error::none},                             // a later version reads as this one
        {"02 01 00 00 00 00 00", Error::none},                    // the frame's padding after the body
        {"02 03 00 02 01 02", Error::none},                       // a key: well formed, not acted on
        {"02 00 00 05 02 01 00 05 01", Error::none},              // Response/Identity, no name
        {"02 00 00 06 02 01 00 05 01", Error::body_beyond},       // the body one byte past the frame
        {"02 00 ff ff 02 01 00 05 01", Error::body_beyond},       //
        {"02 00 00 03 02 01 00", Error::eap_short},               // no whole EAP header
        {"02 00 00 04 02 01 00 03", Error::eap_bad_length},       // shorter than its header
        {"02 00 00 04 02 01 00 04", Error::eap_bad_length},       // a Response without its type
        {"02 00 00 05 01 01 00 06 01", Error::eap_bad_length},    // past the body
        {"02 00 00 04 00 01 00 04", Error::eap_unknown_code},     //
        {"02 00 00 04 05 01 00 04", Error::eap_unknown_code},     // (Initiate: not this EAP)
        {"02 00 00 04 03 07 00 04", Error::none},                 // Success
        {"02 00 00 06 04 07 00 04 00 00", Error::none},           // Failure, the body padded
        {"02 00 00 05 01 02 00 05 04", Error::md5_bad_value},     // MD5-Challenge without a value
        {"02 00 00 06 01 02 00 06 04 00", Error::md5_bad_value},  // a value of 0 bytes
        {"02 00 00 0a 01 02 00 0a 04 05 01 02 03 04", Error::md5_bad_value},  // 5 said, 4 there
        {"02 00 00 0a 01 02 00 0a 04 04 01 02 03 04", Error::none},
    };
    for (const auto &r : rows) EXPECT_EQ(classify(bytes(r.hex)), r.want) << r.hex;
}

TEST(Eapol, EncodedFramesDecodeToWhatWasEncoded) {
    const uint8_t dst[6] = {1, 0x80, 0xC2, 0, 0, 3}, src[6] = {2, 0, 0, 0, 0, 1};
    uint8_t value[eapol::kMd5Value], eap[32], frame[eapol::kMaxFrame];
    for (uint8_t i = 0; i < sizeof value; ++i) value[i] = static_cast<uint8_t>(i * 17);
    size_t n = eapol::encode_md5(eapol::kRequest, 9, value, eap);
    size_t len = eapol::encode_frame(dst, src, eapol::kPacket, eap, n, frame);
    ASSERT_EQ(len, 60u);  // padded to the least frame
    EXPECT_EQ(0, std::memcmp(frame, dst, 6));
    EXPECT_EQ(0, std::memcmp(frame + 6, src, 6));
    EXPECT_EQ(frame[12] << 8 | frame[13], eapol::kEtherType);
    eapol::Pdu pdu;
    eapol::Eap e;
    const uint8_t *got;
    size_t got_len;
    ASSERT_EQ(eapol::decode(frame + 14, len - 14, &pdu), Error::none);
    EXPECT_EQ(pdu.version, eapol::kVersion);
    ASSERT_EQ(eapol::decode_eap(pdu.body, pdu.body_len, &e), Error::none);
    EXPECT_EQ(e.code, eapol::kRequest);
    EXPECT_EQ(e.id, 9);
    ASSERT_EQ(eapol::decode_md5(e, &got, &got_len), Error::none);
    EXPECT_EQ(got_len, sizeof value);
    EXPECT_EQ(0, std::memcmp(got, value, sizeof value));
    std::vector<uint8_t> big(eapol::kMaxEap + 1);
    EXPECT_EQ(eapol::encode_frame(dst, src, eapol::kPacket, big.data(), big.size(), frame), 0u);
    EXPECT_EQ(eapol::encode_frame(dst, src, eapol::kPacket, big.data(), eapol::kMaxEap, frame),
              eapol::kMaxFrame);
}

// ---- One port's authenticator and a scripted supplicant ---------------------------

constexpr uint8_t kStation[6] = {2, 0, 0, 0, 0, 0x51}, kOther[6] = {2, 0, 0, 0, 0, 0x52};
constexpr uint32_t kQuiet = 5, kServerTimeout = 7, kReauth = 100;

// A server that never answers, or one that always says it is unreachable.
struct Silent final : AuthServer {
    void submit(const AuthPeer &, const uint8_t *, size_t, uint64_t, AuthSink &) override { ++submitted; }
    void cancel(const AuthPeer &) override { ++cancelled; }
    void service(uint64_t, AuthSink &) override {}
    int submitted = 0, cancelled = 0;
};
struct Unreachable final : AuthServer {
    void submit(const AuthPeer &p, const uint8_t *, size_t, uint64_t, AuthSink &s) override {
        s.unreachable(p);
    }
    void cancel(const AuthPeer &) override {}
    void service(uint64_t, AuthSink &) override {}
};

struct Sent {
    bool group;  // to the PAE group address, else to the station
    uint8_t type;
    std::vector<uint8_t> eap;
};

class Port : public ::testing::Test, protected dot1x::Actions, protected AuthSink {
protected:
    void SetUp() override {
        local.set_users({{"alice", "Secr3t"}, {"bob", "0ther"}});
        port.init(1, 3);
        configure(true);
    }
    void configure(bool active, bool reauth = false) {
        port.configure({active, reauth, kReauth, kQuiet, kServerTimeout}, now, server, *this, *this);
    }
    // dot1x::Actions
    void send(const AuthPeer &p, const uint8_t dst[6], uint8_t type, const uint8_t *b, size_t n) override {
        EXPECT_EQ(p.port, 3u);
        sent.push_back({std::memcmp(dst, eapol::kPaeGroup, 6) == 0, type, std::vector<uint8_t>(b, b + n)});
    }
    void authorize(const AuthPeer &, const uint8_t *station) override {
        authorized = station != nullptr;
        EXPECT_TRUE(!station || std::memcmp(station, kStation, 6) == 0);
    }
    // AuthSink: the server's answers go back to the port
    void relay(const AuthPeer &, const uint8_t *eap, size_t n) override { port.relay(eap, n, now, *this); }
    void accept(const AuthPeer &, const uint8_t *eap, size_t n, uint32_t t) override {
        port.accept(eap, n, t, now, *this);
    }
    void reject(const AuthPeer &, const uint8_t *eap, size_t n) override { port.reject(eap, n, now, *this); }
    void unreachable(const AuthPeer &) override { port.unreachable(now, *this); }

    void from(const uint8_t *station, uint8_t type, const std::vector<uint8_t> &eap = {}) {
        uint8_t frame[eapol::kMaxFrame];
        size_t n = eapol::encode_frame(eapol::kPaeGroup, station, type, eap.data(), eap.size(), frame);
        port.receive(station, frame + 14, n - 14, now, server, *this, *this);
    }
    uint8_t last_id() const { return sent.back().eap.at(1); }
    uint8_t last_code() const { return sent.back().eap.at(0); }
    void identity(const std::string &name, const uint8_t *src = kStation) {
        uint8_t eap[64];
        size_t n = eapol::encode_typed(eapol::kResponse, last_id(), eapol::kIdentity,
                                       reinterpret_cast<const uint8_t *>(name.data()), name.size(), eap);
        from(src, eapol::kPacket, std::vector<uint8_t>(eap, eap + n));
    }
    // The answer to the last MD5-Challenge sent, as a supplicant with this password computes it.
    void answer(const std::string &password) {
        const std::vector<uint8_t> &req = sent.back().eap;
        ASSERT_EQ(req.size(), 22u);
        ASSERT_EQ(req[4], eapol::kMd5);
        uint8_t value[kMd5Size], eap[32];
        Md5 h;
        h.update(&req[1], 1);
        h.update(password.data(), password.size());
        h.update(&req[6], 16);
        h.finish(value);
        size_t n = eapol::encode_md5(eapol::kResponse, req[1], value, eap);
        from(kStation, eapol::kPacket, std::vector<uint8_t>(eap, eap + n));
    }
    void authenticate(const std::string &name, const std::string &password) {
        identity(name);
        if (sent.back().eap.size() == 22) answer(password);
    }
    void pass(uint64_t ms) {
        now += ms;
        port.tick(now, server, *this);
    }

    dot1x::PortAuth port;
    LocalAuth local;
    AuthServer *server = &local;
    uint64_t now = 1000;
    std::vector<Sent> sent;
    bool authorized = true;  // the port that comes up must take it away
};

TEST_F(Port, ComingUpAsksForAnIdentityAFewTimesThenWaitsForAStart) {
    EXPECT_FALSE(authorized);
    for (uint32_t i = 1; i <= dot1x::kMaxRequests; ++i) {
        ASSERT_EQ(sent.size(), i);
        EXPECT_TRUE(sent.back().group);
        EXPECT_EQ(sent.back().eap, (std::vector<uint8_t>{eapol::kRequest, 1, 0, 5, eapol::kIdentity}));
        pass(dot1x::kTxPeriodMs);
    }
    EXPECT_EQ(port.state(), dot1x::State::idle);
    pass(10 * dot1x::kTxPeriodMs);
    EXPECT_EQ(sent.size(), dot1x::kMaxRequests);
    from(kStation, eapol::kStart);
    EXPECT_EQ(port.state(), dot1x::State::connecting);
    EXPECT_EQ(last_id(), 2);
    EXPECT_EQ(port.counters().starts, 1u);
}

TEST_F(Port, ExchangesEndAsTheUsersAndPasswordsSay) {
    const struct {
        const char *name, *password;
        bool authorized;
        uint8_t code;
        dot1x::State state;
    } rows[] = {
        {"alice", "Secr3t", true, eapol::kSuccess, dot1x::State::authenticated},
        {"bob", "0ther", true, eapol::kSuccess, dot1x::State::authenticated},
        {"alice", "secr3t", false, eapol::kFailure, dot1x::State::held},
        {"alice", "0ther", false, eapol::kFailure, dot1x::State::held},
        {"carol", "Secr3t", false, eapol::kFailure, dot1x::State::held},  // nobody of that name
        {"alic", "Secr3t", false, eapol::kFailure, dot1x::State::held},
    };
    for (const auto &r : rows) {
        SetUp();
        authenticate(r.name, r.password);
        EXPECT_EQ(authorized, r.authorized) << r.name << " " << r.password;
        EXPECT_EQ(last_code(), r.code) << r.name << " " << r.password;
        EXPECT_FALSE(sent.back().group);
        EXPECT_EQ(port.state(), r.state) << r.name << " " << r.password;
        EXPECT_EQ(port.counters().successes + port.counters().failures, 1u);
    }
}

TEST_F(Port, AfterAFailureTheStationIsIgnoredForTheQuietPeriod) {
    authenticate("alice", "wrong");
    size_t before = sent.size();
    from(kStation, eapol::kStart);
    identity("alice");
    pass(kQuiet * 1000 - 1);
    EXPECT_EQ(sent.size(), before);
    EXPECT_EQ(port.state(), dot1x::State::held);
    pass(1);
    EXPECT_EQ(port.state(), dot1x::State::connecting);
    authenticate("alice", "Secr3t");
    EXPECT_TRUE(authorized);
}

TEST_F(Port, ResponsesOutOfTurnAndMalformedPacketsAreRefused) {
    identity("alice");
    uint8_t id = last_id();
    std::vector<uint8_t> stale = {eapol::kResponse, static_cast<uint8_t>(id - 1), 0, 6, eapol::kNak,
                                  eapol::kMd5};
    from(kStation, eapol::kPacket, stale);                            // an old identifier
    from(kStation, eapol::kPacket, {eapol::kRequest, id, 0, 5, 1});   // not a Response
    from(kStation, eapol::kPacket, {eapol::kResponse, id, 0, 9, 4});  // a length past the packet
    uint8_t frame[] = {0, eapol::kStart, 0, 0};                       // version 0
    port.receive(kStation, frame, sizeof frame, now, server, *this, *this);
    EXPECT_EQ(port.counters().refused, 4u);
    EXPECT_EQ(port.state(), dot1x::State::authenticating);
    answer("Secr3t");
    EXPECT_TRUE(authorized);
}

TEST_F(Port, LogoffEndsTheAuthorizationOfItsStationOnly) {
    authenticate("alice", "Secr3t");
    from(kOther, eapol::kLogoff);
    EXPECT_TRUE(authorized);
    from(kStation, eapol::kLogoff);
    EXPECT_FALSE(authorized);
    EXPECT_EQ(port.counters().logoffs, 1u);
    EXPECT_EQ(port.state(), dot1x::State::connecting);
}

TEST_F(Port, ReauthenticationKeepsThePortAuthorizedUntilAReject) {
    configure(true, true);
    authenticate("alice", "Secr3t");
    pass(kReauth * 1000 - 1);
    EXPECT_EQ(port.state(), dot1x::State::authenticated);
    pass(1);
    EXPECT_EQ(port.state(), dot1x::State::connecting);
    EXPECT_TRUE(authorized);
    authenticate("alice", "Secr3t");
    EXPECT_EQ(port.counters().successes, 2u);
    port.reauthenticate(now, *this);  // asked for by the library
    EXPECT_TRUE(authorized);
    identity("bob", kOther);  // no other station answers in its place
    EXPECT_EQ(port.counters().refused, 1u);
    authenticate("alice", "wrong");
    EXPECT_FALSE(authorized);
    EXPECT_EQ(port.state(), dot1x::State::held);
}

TEST_F(Port, AReauthenticationNobodyAnswersEndsTheAuthorization) {
    authenticate("alice", "Secr3t");
    port.reauthenticate(now, *this);
    for (uint32_t i = 0; i < dot1x::kMaxRequests; ++i) {
        EXPECT_TRUE(authorized);
        pass(dot1x::kTxPeriodMs);
    }
    EXPECT_FALSE(authorized);
    EXPECT_EQ(port.state(), dot1x::State::idle);
}

TEST_F(Port, ServersThatDoNotAnswerFailTheExchange) {
    Silent silent;
    server = &silent;
    identity("alice");
    EXPECT_EQ(silent.submitted, 1);
    pass(kServerTimeout * 1000);
    EXPECT_EQ(silent.cancelled, 1);
    EXPECT_EQ(last_code(), eapol::kFailure);
    EXPECT_EQ(port.counters().timeouts, 1u);
    Unreachable none;
    for (AuthServer *s : {static_cast<AuthServer *>(&none), static_cast<AuthServer *>(nullptr)}) {
        SetUp();
        server = s;
        identity("alice");
        EXPECT_EQ(last_code(), eapol::kFailure);
        EXPECT_EQ(port.counters().timeouts, 1u);
    }
}

TEST_F(Port, FallbackAsksTheLocalUsersWhenTheFirstServerIsUnreachable) {
    Unreachable none;
    Fallback both(none, local);
    server = &both;
    authenticate("alice", "Secr3t");
    EXPECT_TRUE(authorized);
    EXPECT_EQ(port.counters().timeouts, 0u);
}

TEST_F(Port, ALinkThatGoesDownEndsTheExchangeAndTheAuthorization) {
    Silent silent;
    server = &silent;
    identity("alice");
    configure(false);
    EXPECT_EQ(silent.cancelled, 1);
    EXPECT_EQ(port.state(), dot1x::State::disabled);
    size_t before = sent.size();
    from(kStation, eapol::kStart);
    pass(kServerTimeout * 1000);
    EXPECT_EQ(sent.size(), before);
}

}  // namespace
