// bench_sim.cpp - how many requests kelsim answers per second in-process on
// one core: straight into the driver entry, and through the library (the
// interposed ioctl included), for a word command and a table-driven setting.
// Through the library every request also checks its descriptor with one
// system call, as the kernel does: that call, measured alone, is the
// baseline of the library's path.
#include <benchmark/benchmark.h>
#include <sys/socket.h>
#include <unistd.h>

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

void BM_DescriptorCheck(benchmark::State &state) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    int type;
    socklen_t len = sizeof type;
    for (auto _ : state) benchmark::DoNotOptimize(getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &len));
    close(fd);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_DescriptorCheck);
KEL_BENCH_COMPARE("BM_SimThroughLibrary", "BM_DescriptorCheck", "the system call's cost and little more");

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
