// eapol.h - 802.1X's frames on the wire: EAPOL (the port access entity's
// encapsulation, EtherType 0x888E, to 01-80-C2-00-00-03) and the EAP
// packets it carries (Request, Response, Success, Failure; the Identity,
// Notification, Nak and MD5-Challenge types). Decoding and encoding only:
// no state, no I/O. A decoded packet points into the bytes it came from.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelsim::eapol {

constexpr uint16_t kEtherType = 0x888E;
constexpr uint8_t kPaeGroup[6] = {0x01, 0x80, 0xC2, 0x00, 0x00, 0x03};
constexpr uint8_t kVersion = 2;     // the version this authenticator sends
constexpr size_t kHeader = 4;       // version, type, body length
constexpr size_t kMaxEap = 1496;    // the most EAP a frame of 1514 bytes carries
constexpr size_t kMaxFrame = 1514;  // an EAPOL frame as sent: addresses, EtherType, header, EAP
constexpr size_t kMd5Value = 16;    // the challenge and the answer of EAP-MD5

// EAPOL packet types; 3..8 (keys, alerts, MACsec key agreement,
// announcements) are well formed and not acted on.
enum Type : uint8_t { kPacket = 0, kStart = 1, kLogoff = 2, kLastKnownType = 8 };
// EAP codes and the method types used here.
enum Code : uint8_t { kRequest = 1, kResponse = 2, kSuccess = 3, kFailure = 4 };
enum Method : uint8_t { kIdentity = 1, kNotification = 2, kNak = 3, kMd5 = 4 };

// Why bytes are not a packet to act on.
enum class Error : uint8_t {
    none,
    short_header,    // fewer than the EAPOL header's four bytes
    bad_version,     // protocol version 0
    unknown_type,    // an EAPOL packet type above 8
    body_beyond,     // the body length runs past the frame
    eap_short,       // an EAPOL-Packet whose body is shorter than an EAP header
    eap_bad_length,  // the EAP length below 4, past the body, or a Request/Response without its type
    eap_unknown_code,
    md5_bad_value,  // an MD5-Challenge whose value is empty or runs past the packet
};
const char *error_text(Error e);

struct Pdu {
    uint8_t version, type;
    const uint8_t *body;  // body_len bytes (the frame's padding is not part of it)
    size_t body_len;
};
// The EAPOL packet at p (what follows the EtherType), n bytes up to the end of the frame.
Error decode(const uint8_t *p, size_t n, Pdu *out);

struct Eap {
    uint8_t code, id;
    uint16_t length;      // the whole packet's, as its header says
    uint8_t type;         // Request and Response; 0 for Success and Failure
    const uint8_t *data;  // the type's data, data_len bytes
    size_t data_len;
};
// The EAP packet at p, n bytes (an EAPOL-Packet's body): only its own length counts.
Error decode_eap(const uint8_t *p, size_t n, Eap *out);
// The value and name of an MD5-Challenge Request or Response.
Error decode_md5(const Eap &e, const uint8_t **value, size_t *value_len);

// A whole frame to dst from src: the EAPOL header of type, then body
// (n bytes, none for Start and Logoff), padded to the least Ethernet frame.
// Answers its length, or 0 when body is too long.
size_t encode_frame(const uint8_t dst[6], const uint8_t src[6], uint8_t type, const uint8_t *body, size_t n,
                    uint8_t out[kMaxFrame]);
// EAP packets; each answers its length.
size_t encode_status(uint8_t code, uint8_t id, uint8_t *out);  // Success, Failure: 4 bytes
size_t encode_identity_request(uint8_t id, uint8_t out[5]);
// A Request or Response of type with data (at most kMaxEap - 5 bytes, else 0).
size_t encode_typed(uint8_t code, uint8_t id, uint8_t type, const uint8_t *data, size_t n, uint8_t *out);
// An MD5-Challenge Request or Response: value (kMd5Value bytes), no name.
size_t encode_md5(uint8_t code, uint8_t id, const uint8_t value[kMd5Value], uint8_t out[5 + 1 + kMd5Value]);

}  // namespace kelsim::eapol
