// EAPOL frames and a supplicant's moves, as one port's authenticator meets
// them: each record of the input is an operation (one byte: its low three
// bits the kind, the next the station), an argument byte and, for a raw
// packet, a length byte and the bytes. Whatever arrives, every frame the
// authenticator sends decodes cleanly, and its authorization stays within
// what its state allows: none while held, idle or disabled, and always for
// the station that authenticated.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "proto/eapol_auth.h"
#include "proto/local_auth.h"
#include "proto/md5.h"

namespace {

using namespace kelsim;

void counter_random(uint8_t *out, size_t n) {
    static uint8_t next = 0;
    for (size_t i = 0; i < n; ++i) out[i] = next++;
}

struct Unreachable final : AuthServer {
    void submit(const AuthPeer &p, const uint8_t *, size_t, uint64_t, AuthSink &s) override {
        s.unreachable(p);
    }
    void cancel(const AuthPeer &) override {}
    void service(uint64_t, AuthSink &) override {}
};

struct Rig final : dot1x::Actions, AuthSink {
    dot1x::PortAuth port;
    LocalAuth local{counter_random};
    Unreachable none;
    Fallback fallback{none, local};
    AuthServer *server = &local;
    uint64_t now = 1;
    std::vector<uint8_t> last;  // the last EAP packet sent
    bool authorized = false;
    uint8_t station[6] = {};

    void send(const AuthPeer &, const uint8_t dst[6], uint8_t type, const uint8_t *b, size_t n) override {
        uint8_t frame[eapol::kMaxFrame];
        size_t len = eapol::encode_frame(dst, dst, type, b, n, frame);
        eapol::Pdu pdu;
        eapol::Eap e;
        if (!len || eapol::decode(frame + 14, len - 14, &pdu) != eapol::Error::none ||
            eapol::decode_eap(pdu.body, pdu.body_len, &e) != eapol::Error::none || e.code == eapol::kResponse)
            std::abort();
        last.assign(b, b + n);
    }
    void authorize(const AuthPeer &, const uint8_t *s) override {
        authorized = s != nullptr;
        if (s) std::memcpy(station, s, 6);
    }
    void relay(const AuthPeer &, const uint8_t *eap, size_t n) override { port.relay(eap, n, now, *this); }
    void accept(const AuthPeer &, const uint8_t *eap, size_t n, uint32_t t) override {
        port.accept(eap, n, t, now, *this);
    }
    void reject(const AuthPeer &, const uint8_t *eap, size_t n) override { port.reject(eap, n, now, *this); }
    void unreachable(const AuthPeer &) override { port.unreachable(now, *this); }

    void from(const uint8_t *src, uint8_t type, const uint8_t *eap, size_t n) {
        uint8_t frame[eapol::kMaxFrame];
        size_t len = eapol::encode_frame(eapol::kPaeGroup, src, type, eap, n, frame);
        port.receive(src, frame + 14, len - 14, now, server, *this, *this);
    }
    // The answer to the last challenge sent, with a password right or not.
    void answer(const uint8_t *src, bool right) {
        if (last.size() != 22 || last[4] != eapol::kMd5) return;
        const char *password = right ? "Secr3t" : "wrong";
        uint8_t value[kMd5Size], eap[32];
        Md5 h;
        h.update(&last[1], 1);
        h.update(password, std::strlen(password));
        h.update(&last[6], 16);
        h.finish(value);
        from(src, eapol::kPacket, eap, eapol::encode_md5(eapol::kResponse, last[1], value, eap));
    }
    void check() const {
        dot1x::State s = port.state();
        bool may = s == dot1x::State::authenticated || s == dot1x::State::connecting ||
                   s == dot1x::State::authenticating;
        if (authorized != port.authorized() || (authorized && !may) ||
            (authorized && std::memcmp(station, port.station(), 6) != 0))
            std::abort();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    static Rig *rig = new Rig();
    Rig &r = *rig;
    r.port.init(1, 1);
    r.authorized = false;
    r.local.set_users({{"alice", "Secr3t"}});
    r.server = data[0] % 3 == 0   ? &r.local
               : data[0] % 3 == 1 ? static_cast<AuthServer *>(&r.fallback)
                                  : nullptr;
    dot1x::PortConfig cfg{true, (data[0] & 4) != 0, 3, static_cast<uint32_t>(data[0] >> 4 & 3), 2};
    r.port.configure(cfg, r.now, r.server, r, r);
    static const uint8_t stations[2][6] = {{2, 0, 0, 0, 0, 1}, {2, 0, 0, 0, 0, 2}};
    for (size_t at = 1; at + 2 <= size;) {
        uint8_t op = data[at], arg = data[at + 1];
        const uint8_t *src = stations[op >> 3 & 1];
        at += 2;
        switch (op & 7) {
            case 0: {  // a packet of any bytes
                size_t len = at < size ? data[at++] : 0;
                if (len > size - at) len = size - at;
                r.port.receive(src, data + at, len, r.now, r.server, r, r);
                at += len;
                break;
            }
            case 1:
                r.from(src, arg & 1 ? eapol::kLogoff : eapol::kStart, nullptr, 0);
                break;
            case 2: {
                const char *name = arg & 1 ? "alice" : "bob";
                uint8_t eap[16];
                uint8_t id = r.last.size() > 1 ? r.last[1] : 0;
                size_t n = eapol::encode_typed(eapol::kResponse, static_cast<uint8_t>(id + (arg >> 1 & 1)),
                                               eapol::kIdentity, reinterpret_cast<const uint8_t *>(name),
                                               std::strlen(name), eap);
                r.from(src, eapol::kPacket, eap, n);
                break;
            }
            case 3:
                r.answer(src, arg & 1);
                break;
            case 4:
            case 5:
                r.now += uint64_t{arg} * 250;
                r.port.tick(r.now, r.server, r);
                break;
            case 6:
                r.port.reauthenticate(r.now, r);
                break;
            default:
                cfg.active = arg & 1;
                r.port.configure(cfg, r.now, r.server, r, r);
        }
        r.check();
    }
    return 0;
}
