// CRC-32: the exported table, the check value, chaining, and agreement with a
// bit-at-a-time reference (and zlib where it is available) over random
// buffers of many lengths, alignments and split points.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "kel.h"

#ifdef KEL_HAVE_ZLIB
#include <zlib.h>
#endif

namespace {

uint32_t reference_crc(uint32_t crc, const uint8_t *p, size_t n) {
    uint32_t r = ~crc;
    for (size_t i = 0; i < n; ++i) {
        r ^= p[i];
        for (int b = 0; b < 8; ++b) r = (r & 1) ? (r >> 1) ^ 0xEDB88320u : r >> 1;
    }
    return ~r;
}

TEST(Crc32, TableAndCheckValue) {
    EXPECT_EQ(crc_table[0], 0u);
    EXPECT_EQ(crc_table[1], 0x77073096u);
    EXPECT_EQ(crc_table[128], 0xEDB88320u);
    EXPECT_EQ(crc_table[255], 0x2D02EF8Du);
    for (uint32_t i = 0; i < 256; ++i) {
        uint8_t byte = static_cast<uint8_t>(i);
        EXPECT_EQ(crc_table[i], ~reference_crc(0xFFFFFFFFu, &byte, 1)) << i;  // register after one byte
    }
    const uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(kel_crc32(0, check, 9), 0xCBF43926u);
    for (uint32_t crc : {0u, 1u, 0xCBF43926u, 0xFFFFFFFFu}) EXPECT_EQ(kel_crc32(crc, nullptr, 0), crc);
}

TEST(Crc32, AgreesWithReferencesOverRandomBuffers) {
    std::mt19937 rng(12345);
    std::vector<uint8_t> data(4096 + 16);
    for (auto &b : data) b = static_cast<uint8_t>(rng());
    for (size_t len = 0; len <= 300; ++len) {
        for (size_t align = 0; align < 8; ++align) {
            const uint8_t *p = data.data() + align;
            uint32_t want = reference_crc(0, p, len);
            ASSERT_EQ(kel_crc32(0, p, static_cast<uint32_t>(len)), want) << len << " at +" << align;
#ifdef KEL_HAVE_ZLIB
            ASSERT_EQ(crc32(0, p, static_cast<uInt>(len)), want);
#endif
        }
    }
    for (size_t len : {1000u, 4096u}) {
        uint32_t want = reference_crc(0, data.data(), len);
        EXPECT_EQ(kel_crc32(0, data.data(), static_cast<uint32_t>(len)), want);
    }
}

TEST(Crc32, ChainingAtAnySplitGivesTheWholeCrc) {
    std::mt19937 rng(99);
    std::vector<uint8_t> data(257);
    for (auto &b : data) b = static_cast<uint8_t>(rng());
    uint32_t whole = kel_crc32(0, data.data(), static_cast<uint32_t>(data.size()));
    for (size_t split = 0; split <= data.size(); ++split) {
        uint32_t first = kel_crc32(0, data.data(), static_cast<uint32_t>(split));
        uint32_t both = kel_crc32(first, data.data() + split, static_cast<uint32_t>(data.size() - split));
        ASSERT_EQ(both, whole) << "split at " << split;
#ifdef KEL_HAVE_ZLIB
        ASSERT_EQ(crc32(crc32(0, data.data(), static_cast<uInt>(split)), data.data() + split,
                        static_cast<uInt>(data.size() - split)),
                  whole);
#endif
    }
}

}  // namespace
