// Datagrams as RADIUS replies to an Access-Request of identifier 7. The
// first byte chooses: bit 0 clear, the rest is taken as it came (whoever
// sent it does not know the secret, so it must never pass); bit 0 set, the
// target signs it first as the server would (the right identifier and
// length, a Message-Authenticator when bit 1 is set, the Response
// Authenticator), so that the attributes are reached. A reply that passes
// holds an Accept, Reject or Challenge, one whole EAP packet within bounds,
// and fails again once any byte of its authenticator changes.
#include <cstdlib>
#include <cstring>

#include "proto/md5.h"
#include "proto/radius.h"

namespace {

using namespace kelsim;
using namespace kelsim::radius;

const char kSecret[] = "fuzz-secret";
const uint8_t kRequestAuth[kAuthSize] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

void sign(uint8_t *p, size_t n, bool with_message_auth) {
    p[1] = 7;
    p[2] = static_cast<uint8_t>(n >> 8);
    p[3] = static_cast<uint8_t>(n);
    std::memcpy(p + 4, kRequestAuth, kAuthSize);
    if (with_message_auth) {  // the last 18 bytes become the Message-Authenticator
        p[n - 18] = kMessageAuthenticator;
        p[n - 17] = 18;
        std::memset(p + n - 16, 0, 16);
        hmac_md5(kSecret, sizeof kSecret - 1, p, n, p + n - 16);
    }
    Md5 h;
    h.update(p, n);
    h.update(kSecret, sizeof kSecret - 1);
    h.finish(p + 4);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1 || size > kMaxPacket + 1) return 0;
    static uint8_t p[kMaxPacket];
    static Reply r;
    size_t n = size - 1;
    std::memcpy(p, data + 1, n);
    bool signs = data[0] & 1, with_ma = data[0] & 2;
    if (signs && n >= kHeader + (with_ma ? 18 : 0)) sign(p, n, with_ma);
    Fault f = decode_reply(p, n, 7, kRequestAuth, kSecret, sizeof kSecret - 1, &r);
    if (f != Fault::none) return 0;
    if (!signs) std::abort();  // a forgery passed
    if (r.code != kAccessAccept && r.code != kAccessReject && r.code != kAccessChallenge) std::abort();
    if (r.eap_len > kMaxEap || r.state_len > kMaxState || (r.code == kAccessChallenge && r.eap_len < 4))
        std::abort();
    if (r.eap_len && (size_t(r.eap[2]) << 8 | r.eap[3]) != r.eap_len) std::abort();
    for (size_t i = 4; i < 4 + kAuthSize; ++i) {
        p[i] ^= 0x40;
        if (decode_reply(p, n, 7, kRequestAuth, kSecret, sizeof kSecret - 1, &r) == Fault::none) std::abort();
        p[i] ^= 0x40;
    }
    return 0;
}
