// compare.h - a benchmark main that reports ratios between benchmarks of the
// same run.
//
// Each program registers its benchmarks as usual and names the comparisons
// it exists for with KEL_BENCH_COMPARE; after the run, every comparison is
// printed as one line "NAME / BASELINE = RATIO" (CPU time per iteration,
// the median when repetitions are asked for). By default the program runs
// five repetitions, interleaved at random, so that a disturbance of the
// machine falls on both sides of a comparison alike.
#pragma once

namespace kel_bench {

struct Comparison {
    const char *name;      // e.g. "BM_Wrapper"
    const char *baseline;  // e.g. "BM_RawIoctl"
    const char *goal;      // how the ratio is judged, e.g. "at most 1.05"
    const char *counter;   // null: CPU time per iteration; else a user counter of both (a rate, say)
};

// Registers a comparison at static-initialisation time.
struct CompareRegistrar {
    CompareRegistrar(const char *name, const char *baseline, const char *goal, const char *counter = nullptr);
};

}  // namespace kel_bench

#define KEL_BENCH_CONCAT2(a, b) a##b
#define KEL_BENCH_CONCAT(a, b) KEL_BENCH_CONCAT2(a, b)
#define KEL_BENCH_COMPARE(name, baseline, goal) \
    static ::kel_bench::CompareRegistrar KEL_BENCH_CONCAT(kel_compare_, __LINE__)(name, baseline, goal)
// The ratio of a user counter (its median) instead of the CPU time.
#define KEL_BENCH_COMPARE_COUNTER(name, baseline, counter, goal)                                        \
    static ::kel_bench::CompareRegistrar KEL_BENCH_CONCAT(kel_compare_, __LINE__)(name, baseline, goal, \
                                                                                  counter)
