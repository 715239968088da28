// bench_ioctl.cpp - the cost a wrapper adds to the system call it makes.
//
// Runs against the real kernel, without kelsim: there is no sw0, so every
// request fails at once with -1 (ENODEV), and what is measured is the path
// into the kernel and back. The baseline is a raw ioctl(SIOCDEVPRIVATE) on
// the library's own descriptor with the interface request and the block
// built once, outside the loop; the wrappers build both on every call.
#include <benchmark/benchmark.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "compare.h"
#include "kel.h"

namespace {

// The library's descriptor: the lowest free one when kel_io_init opens it.
int channel_descriptor() {
    static const int fd = [] {
        int probe = socket(AF_INET, SOCK_STREAM, 0);
        close(probe);
        int type = 0;
        socklen_t len = sizeof type;
        if (probe < 0 || kel_io_init() != 0 || getsockopt(probe, SOL_SOCKET, SO_TYPE, &type, &len) != 0 ||
            type != SOCK_STREAM) {
            std::fprintf(stderr, "bench_ioctl: cannot find the library's channel\n");
            std::exit(1);
        }
        return probe;
    }();
    return fd;
}

void BM_RawIoctl(benchmark::State &state) {
    int fd = channel_descriptor();
    kel_ioreq block;
    std::memset(&block, 0, sizeof block);
    block.cmd = 0x0006;
    block.vid = 10;
    struct ifreq ifr;
    std::memset(&ifr, 0, sizeof ifr);
    std::strcpy(ifr.ifr_name, KEL_IFNAME);
    ifr.ifr_data = reinterpret_cast<char *>(&block);
    for (auto _ : state) benchmark::DoNotOptimize(ioctl(fd, KEL_IOCTL_REQUEST, &ifr));
}
BENCHMARK(BM_RawIoctl);

// A setter: one word in, nothing out.
void BM_WrapperSet(benchmark::State &state) {
    channel_descriptor();
    for (auto _ : state) benchmark::DoNotOptimize(kel_system_vlan_id_set(10));
}
BENCHMARK(BM_WrapperSet);

// A getter with two outputs, copied back after the failure.
void BM_WrapperGet(benchmark::State &state) {
    channel_descriptor();
    uint32_t ip, mask;
    for (auto _ : state) {
        benchmark::DoNotOptimize(kel_switch_stack_ipmask_get(1, &ip, &mask));
        benchmark::DoNotOptimize(ip);
    }
}
BENCHMARK(BM_WrapperGet);

// kel_ioctl alone, on a block the caller keeps.
void BM_KelIoctl(benchmark::State &state) {
    channel_descriptor();
    kel_ioreq block;
    std::memset(&block, 0, sizeof block);
    block.cmd = 0x0006;
    for (auto _ : state) benchmark::DoNotOptimize(kel_ioctl(KEL_IOCTL_REQUEST, &block));
}
BENCHMARK(BM_KelIoctl);

}  // namespace

KEL_BENCH_COMPARE("BM_WrapperSet", "BM_RawIoctl", "at most 1.05");
KEL_BENCH_COMPARE("BM_WrapperGet", "BM_RawIoctl", "at most 1.05");
KEL_BENCH_COMPARE("BM_KelIoctl", "BM_RawIoctl", "at most 1.05");
