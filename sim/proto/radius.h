// radius.h - RADIUS as 802.1X's authenticator speaks it to its servers
// (RFC 2865, with EAP carried as RFC 3579 says): the Access-Request that
// carries a station's EAP packet, and the Access-Accept, -Reject and
// -Challenge that answer it. Encoding and checking only: no state, no I/O.
//
// Every request carries a Message-Authenticator (HMAC-MD5 of the packet
// under the shared secret), and every reply must carry a right one as well
// as a right Response Authenticator: a reply that fails any check is to be
// dropped, never acted upon.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelsim::radius {

constexpr size_t kMaxPacket = 4096;  // the largest RADIUS packet
constexpr size_t kHeader = 20;       // code, identifier, length, authenticator
constexpr size_t kAuthSize = 16;
constexpr size_t kMaxEap = 1600;   // the largest EAP packet carried: more than an Ethernet frame holds
constexpr size_t kMaxState = 253;  // an attribute's largest value
constexpr size_t kMaxSecret = 64;

enum Code : uint8_t { kAccessRequest = 1, kAccessAccept = 2, kAccessReject = 3, kAccessChallenge = 11 };

enum Attribute : uint8_t {
    kUserName = 1,
    kNasIpAddress = 4,
    kNasPort = 5,
    kState = 24,
    kSessionTimeout = 27,
    kCalledStationId = 30,
    kCallingStationId = 31,
    kNasIdentifier = 32,
    kNasPortType = 61,
    kFramedMtu = 12,
    kEapMessage = 79,
    kMessageAuthenticator = 80,
};

constexpr uint32_t kNasPortTypeEthernet = 15;

// What an Access-Request says besides the EAP packet. Text is not
// terminated; a length of 0 leaves the attribute out (NAS-IP-Address 0 too).
struct Request {
    uint8_t id = 0;
    uint8_t authenticator[kAuthSize] = {};  // random, new for each request (not for a retransmission)
    const uint8_t *user = nullptr;          // User-Name: the station's EAP identity
    size_t user_len = 0;
    uint32_t nas_ip = 0;  // network byte order
    const char *nas_id = nullptr;
    size_t nas_id_len = 0;
    uint32_t nas_port = 0;
    uint8_t calling[6] = {};  // the station's MAC address
    uint8_t called[6] = {};   // the switch's
    uint32_t framed_mtu = 0;
    const uint8_t *state = nullptr;  // the State of the last Access-Challenge, echoed
    size_t state_len = 0;
    const uint8_t *eap = nullptr;  // split in EAP-Message attributes of up to 253 bytes
    size_t eap_len = 0;
};

// Encodes an Access-Request with its Message-Authenticator; answers its
// length, or 0 when it does not fit cap, the EAP packet or a text is too
// long for its attribute, or the secret is empty or longer than kMaxSecret.
size_t encode_request(const Request &r, const char *secret, size_t secret_len, uint8_t *out, size_t cap);

// Why a reply is dropped.
enum class Fault : uint8_t {
    none,
    length,           // shorter than its header or its length field, or attributes that overrun it
    code,             // not an Accept, Reject or Challenge
    id,               // not the identifier of the request
    attribute,        // an attribute of a wrong length, twice where once is allowed, or an EAP packet
                      // whose own length disagrees with what its attributes carry
    authenticator,    // the Response Authenticator is wrong
    no_message_auth,  // no Message-Authenticator
    message_auth,     // the Message-Authenticator is wrong
    no_eap,           // a Challenge without an EAP packet
};
const char *fault_name(Fault f);

struct Reply {
    uint8_t code;
    uint8_t eap[kMaxEap];
    size_t eap_len;
    uint8_t state[kMaxState];
    size_t state_len;
    uint32_t session_timeout;  // seconds, 0 when absent
};

// Checks a datagram as the reply to the request of identifier id and
// Request Authenticator auth, under secret. What out holds counts only when
// it answers Fault::none.
Fault decode_reply(const uint8_t *p, size_t n, uint8_t id, const uint8_t auth[kAuthSize], const char *secret,
                   size_t secret_len, Reply *out);

// Writes a MAC address as RFC 3580's text, "00-11-22-AA-BB-CC"; out holds 18.
void mac_text(const uint8_t mac[6], char out[18]);

}  // namespace kelsim::radius
