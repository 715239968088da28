// bench_crc32.cpp - kel_crc32 (slice-by-8) against a plain byte-at-a-time
// table loop and against zlib's crc32, on the same buffers in the same run.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdint>
#include <random>
#include <vector>

#include "compare.h"
#include "kel.h"

namespace {

const std::vector<uint8_t> &data() {
    static const std::vector<uint8_t> d = [] {
        std::vector<uint8_t> v(1 << 20);
        std::mt19937 rng(7);
        for (auto &b : v) b = static_cast<uint8_t>(rng());
        return v;
    }();
    return d;
}

// The classic loop: one table lookup and one shift per byte.
uint32_t bytewise_crc32(uint32_t crc, const uint8_t *p, uint32_t n) {
    uint32_t r = ~crc;
    while (n--) r = crc_table[(r ^ *p++) & 0xFFu] ^ (r >> 8);
    return ~r;
}

template <class F>
void run(benchmark::State &state, F crc) {
    const auto n = static_cast<uint32_t>(state.range(0));
    const uint8_t *p = data().data();
    for (auto _ : state) benchmark::DoNotOptimize(crc(0, p, n));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * n);
}

void BM_Crc32_kel(benchmark::State &state) { run(state, kel_crc32); }
void BM_Crc32_bytewise(benchmark::State &state) { run(state, bytewise_crc32); }
void BM_Crc32_zlib(benchmark::State &state) {
    run(state, [](uint32_t c, const uint8_t *p, uint32_t n) {
        return static_cast<uint32_t>(crc32(c, p, static_cast<uInt>(n)));
    });
}

#define KEL_CRC_SIZES ->Arg(64)->Arg(1500)->Arg(64 << 10)->Arg(1 << 20)
BENCHMARK(BM_Crc32_kel) KEL_CRC_SIZES;
BENCHMARK(BM_Crc32_bytewise) KEL_CRC_SIZES;
BENCHMARK(BM_Crc32_zlib) KEL_CRC_SIZES;

}  // namespace

// The ratio here is a time ratio: kel / bytewise at most 0.25 is 4x the speed.
KEL_BENCH_COMPARE("BM_Crc32_kel/64", "BM_Crc32_bytewise/64", "at most 0.25");
KEL_BENCH_COMPARE("BM_Crc32_kel/1500", "BM_Crc32_bytewise/1500", "at most 0.25");
KEL_BENCH_COMPARE("BM_Crc32_kel/65536", "BM_Crc32_bytewise/65536", "at most 0.25");
KEL_BENCH_COMPARE("BM_Crc32_kel/1048576", "BM_Crc32_bytewise/1048576", "at most 0.25");
KEL_BENCH_COMPARE("BM_Crc32_kel/64", "BM_Crc32_zlib/64", "reported");
KEL_BENCH_COMPARE("BM_Crc32_kel/1500", "BM_Crc32_zlib/1500", "reported");
KEL_BENCH_COMPARE("BM_Crc32_kel/65536", "BM_Crc32_zlib/65536", "reported");
KEL_BENCH_COMPARE("BM_Crc32_kel/1048576", "BM_Crc32_zlib/1048576", "reported");
