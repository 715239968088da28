// bench_names.cpp - the shell's hottest text paths: a VLAN list of every id,
// a MAC address, and a 48-port list checked against the simulated driver.
//
// A port list costs its driver requests plus the library's own work. The
// requests are measured on their own as a baseline in the same run: the
// very blocks the parser sent, replayed straight through kel_ioctl with
// fresh buffers (a zeroed port record, a name buffer), so that
//   own work = IflistGet - IflistRequests.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "entry/control.h"
#include "kel.h"

namespace {

void VlanlistAll(benchmark::State &state) {
    vlanlist list;
    for (auto _ : state) {
        benchmark::DoNotOptimize(kel_cli_vlanlist_get("1-4094", &list));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(VlanlistAll);

void MacAddrGet(benchmark::State &state) {
    uint8_t mac[6];
    for (auto _ : state) {
        benchmark::DoNotOptimize(kel_mac_addr_get("0012.3456.789a", mac));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(MacAddrGet);

void open_switch() {
    static const bool ready = [] {
        if (!kelsim::reset() || kel_io_init() != 0) std::abort();
        return true;
    }();
    (void)ready;
}

// Two 48-port lists of the default switch (two units of 24 Fast Ethernet
// and 2 Gigabit ports): as two ranges, and as 48 single ports.
const char kRanges[] = "fa1/0/1-24,fa2/0/1-24";
std::string singles() {
    std::string s;
    for (int u = 1; u <= 2; ++u)
        for (int p = 1; p <= 24; ++p)
            s += (s.empty() ? "" : ",") + std::string("fa") + std::to_string(u) + "/0/" + std::to_string(p);
    return s;
}

void IflistGet(benchmark::State &state, const std::string &text) {
    open_switch();
    iflist list;
    for (auto _ : state) {
        if (kel_cli_iflist_get(text.c_str(), &list) != 0) state.SkipWithError("parse failed");
        benchmark::ClobberMemory();
    }
    kelsim::clear_journal();
    kel_cli_iflist_get(text.c_str(), &list);
    state.counters["requests"] = static_cast<double>(kelsim::request_count());
}

// The blocks one parse sends, replayed through kel_ioctl with fresh buffers.
void IflistRequests(benchmark::State &state, const std::string &text) {
    open_switch();
    iflist list;
    kelsim::clear_journal();
    kel_cli_iflist_get(text.c_str(), &list);
    std::vector<kel_ioreq> blocks;
    for (const kelsim::Sent &s : kelsim::journal()) blocks.push_back(s.block);
    alignas(8) unsigned char record[KEL_PORTINFO_SIZE];
    char name[32];
    for (auto _ : state) {
        for (const kel_ioreq &sent : blocks) {
            kel_ioreq b = sent;
            void *buf = name;
            if (b.cmd == 0x0008) {
                std::memset(record, 0, sizeof record);
                buf = record;
            }
            auto a = reinterpret_cast<uintptr_t>(buf);
            b.buf = static_cast<uint32_t>(a);
#if UINTPTR_MAX > 0xFFFFFFFFu
            b.buf_hi = static_cast<uint32_t>(a >> 32);
#endif
            benchmark::DoNotOptimize(kel_ioctl(KEL_IOCTL_REQUEST, &b));
        }
        benchmark::ClobberMemory();
    }
    state.counters["requests"] = static_cast<double>(blocks.size());
}

BENCHMARK_CAPTURE(IflistGet, ranges, std::string(kRanges));
BENCHMARK_CAPTURE(IflistRequests, ranges, std::string(kRanges));
BENCHMARK_CAPTURE(IflistGet, singles, singles());
BENCHMARK_CAPTURE(IflistRequests, singles, singles());

}  // namespace
