// compare.cpp - main() of every benchmark program: runs the benchmarks and
// prints the ratios the program registered (see compare.h).
#include "compare.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace kel_bench {

namespace {

std::vector<Comparison> &comparisons() {
    static std::vector<Comparison> all;
    return all;
}

// The console report, plus the CPU time of each benchmark: the median of its
// repetitions, or its only run.
class Collector : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &r : runs) {
            if (r.error_occurred) continue;
            std::string name = r.run_name.str();
            bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
            if (r.run_type == Run::RT_Aggregate && !median) continue;
            (median ? median_ : single_)[name] = r.GetAdjustedCPUTime();
            for (const auto &c : r.counters)
                (median ? median_ : single_)[name + "/" + c.first] = c.second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    bool time_of(const std::string &name, double *t) const {
        for (const auto *m : {&median_, &single_}) {
            auto it = m->find(name);
            if (it != m->end()) return *t = it->second, true;
        }
        return false;
    }

private:
    std::map<std::string, double> median_, single_;
};

bool has_flag(int argc, char **argv, const char *flag) {
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], flag, std::strlen(flag)) == 0) return true;
    return false;
}

}  // namespace

CompareRegistrar::CompareRegistrar(const char *name, const char *baseline, const char *goal,
                                   const char *counter) {
    comparisons().push_back({name, baseline, goal, counter});
}

}  // namespace kel_bench

int main(int argc, char **argv) {
    using namespace kel_bench;
    std::vector<char *> args(argv, argv + argc);
    char reps[] = "--benchmark_repetitions=5";
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    if (!has_flag(argc, argv, "--benchmark_repetitions")) {
        args.push_back(reps);
        if (!has_flag(argc, argv, "--benchmark_enable_random_interleaving")) args.push_back(interleave);
    }
    int n = static_cast<int>(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&n, args.data());
    if (benchmark::ReportUnrecognizedArguments(n, args.data())) return 1;
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::Shutdown();

    bool printed = false;
    for (const Comparison &c : comparisons()) {
        double t = 0, base = 0;
        std::string suffix = c.counter ? std::string("/") + c.counter : "";
        if (!collector.time_of(c.name + suffix, &t) || !collector.time_of(c.baseline + suffix, &base) ||
            base <= 0)
            continue;
        if (!printed)
            std::printf("\nratios of CPU time per iteration, or of a counter (medians when repeated):\n");
        printed = true;
        std::printf("  %-36s / %-28s = %6.3f   (%s; goal: %s)\n", c.name, c.baseline, t / base,
                    c.counter ? c.counter : "CPU time", c.goal);
    }
    return 0;
}
