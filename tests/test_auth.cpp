// test_auth.cpp - the digests 802.1X and RADIUS rest on, against published
// test vectors and lengths at the padding's edges, whole and fed in pieces.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "proto/md5.h"

namespace {

std::string hex(const uint8_t *d) {
    std::string s;
    char b[3];
    for (size_t i = 0; i < kelsim::kMd5Size; ++i) {
        std::snprintf(b, sizeof b, "%02x", d[i]);
        s += b;
    }
    return s;
}

TEST(Md5, KnownDigestsWholeAndInPieces) {
    const std::pair<std::string, const char *> rows[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {std::string(55, 'x'), "04364420e25c512fd958a70738aa8f72"},  // the length still fits the last block
        {std::string(56, 'x'), "668a72d5ba17f08e62dabcafad6db14b"},  // it no longer does
        {std::string(64, 'x'), "c1bb4f81d892b2d57947682aeb252456"},
        {std::string(119, 'x'), "ab347a5f68c8a443cfcddc633f12c24f"},
        {std::string(120, 'x'), "fb98667f98096de92620b64f46e1c5b5"},
    };
    for (const auto &[text, digest] : rows) {
        uint8_t d[16];
        kelsim::md5(text.data(), text.size(), d);
        EXPECT_EQ(hex(d), digest) << text.size() << " bytes";
        for (size_t step : {1, 7, 63}) {
            kelsim::Md5 h;
            for (size_t at = 0; at < text.size(); at += step)
                h.update(&text[at], std::min(step, text.size() - at));
            h.finish(d);
            EXPECT_EQ(hex(d), digest) << text.size() << " bytes in pieces of " << step;
        }
    }
}

TEST(Md5, HmacKnownAnswers) {
    const struct {
        std::string key, data;
        const char *mac;
    } rows[] = {
        {std::string(16, '\x0b'), "Hi There", "9294727a3638bb1c13f48ef8158bfc9d"},
        {"Jefe", "what do ya want for nothing?", "750c783e6ab0b503eaa86e310a5db738"},
        {std::string(80, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First",
         "6b1ab7fe4bd7bf8f0b62e6ce61b9d0cd"},  // a key longer than a block is hashed first
    };
    for (const auto &r : rows) {
        uint8_t d[16];
        kelsim::hmac_md5(r.key.data(), r.key.size(), r.data.data(), r.data.size(), d);
        EXPECT_EQ(hex(d), r.mac) << r.data;
    }
}

}  // namespace
