// bench_sim.cpp - how many requests kelsim answers per second in-process on
// one core: straight into the driver entry, and through the library (the
// interposed ioctl included), for a word command and a table-driven setting.
#include <benchmark/benchmark.h>

#include <cstring>

#include "compare.h"
#include "control.h"
#include "kel.h"

extern "C" int kelsim_driver_request(void *data);

namespace {

void fresh_switch() {
    if (!kelsim::reset() || kel_io_init() != 0) std::abort();
}

void BM_SimDriverEntry(benchmark::State &state) {
    fresh_switch();
    kel_ioreq b;
    for (auto _ : state) {
        std::memset(&b, 0, sizeof b);
        b.cmd = 0x0101;  // port count of unit 1
        b.unit = 1;
        benchmark::DoNotOptimize(kelsim_driver_request(&b));
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_SimDriverEntry);

void BM_SimThroughLibrary(benchmark::State &state) {
    fresh_switch();
    uint32_t count;
    for (auto _ : state) benchmark::DoNotOptimize(kel_stack_nr_ports_get(1, &count));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_SimThroughLibrary);

void BM_SimSettingRoundTrip(benchmark::State &state) {
    fresh_switch();
    uint32_t vid;
    for (auto _ : state) {
        benchmark::DoNotOptimize(kel_system_vlan_id_set(20));
        benchmark::DoNotOptimize(kel_system_vlan_id_get(&vid));
    }
    state.SetItemsProcessed(2 * static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_SimSettingRoundTrip);

}  // namespace
