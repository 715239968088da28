// md5.h - MD5 (RFC 1321) and HMAC-MD5 (RFC 2104), the digests 802.1X needs:
// EAP-MD5's challenge answer, RADIUS's authenticators, the password hiding
// and the Message-Authenticator attribute. Not for anything that needs a
// secure hash: these protocols fixed the choice.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelsim {

constexpr size_t kMd5Size = 16;

class Md5 {
public:
    Md5();
    void update(const void *data, size_t n);
    // The digest of everything updated so far; the object is spent after it.
    void finish(uint8_t out[kMd5Size]);

private:
    void block(const uint8_t *p);
    uint32_t h_[4];
    uint64_t length_ = 0;  // bytes taken
    uint8_t buf_[64];
    size_t used_ = 0;
};

void md5(const void *data, size_t n, uint8_t out[kMd5Size]);
void hmac_md5(const void *key, size_t key_len, const void *data, size_t n, uint8_t out[kMd5Size]);

}  // namespace kelsim
