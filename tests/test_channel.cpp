// The driver channel and the result rule every command follows.
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

#include "sim_fixture.h"

namespace {

using kel_test::last_sent;

int open_descriptors() {
    int n = 0;
    for (int fd = 0; fd < 1024; ++fd) n += fcntl(fd, F_GETFD) != -1;
    return n;
}

// Runs first, while the channel is still closed: threads race to open it and
// then issue commands at once. Exactly one socket survives (none is added
// when a repeated or shuffled run finds the channel open already).
TEST(Channel, OpensOnceFromManyThreadsAndServesThemAll) {
    kel_ioreq probe{};
    bool was_closed = kel_ioctl(KEL_IOCTL_REQUEST, &probe) == KEL_ERR_IO;
    ASSERT_TRUE(kelsim::reset());
    int before = open_descriptors();
    constexpr int kThreads = 8, kCommands = 200;
    std::atomic<int> go{0}, failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            while (!go.load()) std::this_thread::yield();
            if (kel_io_init() != 0) ++failures;
            for (int i = 0; i < kCommands; ++i) {
                uint32_t count = 0, ip = 0, mask = 0;
                if (kel_stack_nr_ports_get(1 + (i + t) % 2, &count) != 0 || count != 26) ++failures;
                if (kel_switch_stack_ipmask_get(2, &ip, &mask) != 0) ++failures;
            }
        });
    go = 1;
    for (auto &th : threads) th.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(open_descriptors(), before + (was_closed ? 1 : 0));
    EXPECT_EQ(kelsim::request_count(), static_cast<size_t>(kThreads * kCommands * 2));
}

class ResultRule : public kel_test::SimTest {};

TEST_F(ResultRule, SecondInitKeepsTheChannel) {
    int before = open_descriptors();
    EXPECT_EQ(kel_io_init(), 0);
    EXPECT_EQ(open_descriptors(), before);
}

TEST_F(ResultRule, FailedSystemCallGivesMinusOneAndZeroOutputs) {
    kelsim::fail_next_ioctl();
    uint32_t vid = 99;
    EXPECT_EQ(kel_system_vlan_id_get(&vid), -1);
    EXPECT_EQ(vid, 0u);
    EXPECT_EQ(kel_system_vlan_id_get(&vid), 0);  // only the next request failed
    EXPECT_EQ(vid, 1u);
}

TEST_F(ResultRule, DriverStatusWinsOverAFailedSystemCall) {
    kelsim::force_status(-7777, true);
    EXPECT_EQ(kel_system_reboot(), -7777);
    kelsim::force_status(-12);
    EXPECT_EQ(kel_system_upgrade(), -12);
}

TEST_F(ResultRule, OutputsAreCopiedAfterAFailure) {
    kelsim::set_responder([](kel_ioreq &b) {
        b.addr = 0x0102A8C0u;
        b.mask = 0x00FFFFFFu;
        b.status = -300;
        return true;
    });
    uint32_t ip = 0, mask = 0;
    EXPECT_EQ(kel_system_ip_mask_get(&ip, &mask), -300);
    EXPECT_EQ(ip, 0x0102A8C0u);
    EXPECT_EQ(mask, 0x00FFFFFFu);
}

TEST_F(ResultRule, NullOutputsStillSend) {
    kelsim::clear_journal();
    EXPECT_EQ(kel_system_ip_mask_get(nullptr, nullptr), 0);
    EXPECT_EQ(kel_switch_stack_ipmask_get(2, nullptr, nullptr), 0);
    EXPECT_EQ(kel_stack_firmware_sync_get(nullptr), 0);
    ASSERT_EQ(kelsim::request_count(), 3u);
    EXPECT_EQ(last_sent().block.cmd, 0x010Du);
    kelsim::force_status(-5);
    EXPECT_EQ(kel_system_nr_ports_get(nullptr), -5);
}

TEST_F(ResultRule, IoctlPassesOtherRequestsToTheKernel) {
    kel_ioreq b{};
    kelsim::clear_journal();
    EXPECT_EQ(kel_ioctl(0x8913 /* SIOCGIFFLAGS: no sw0 in the kernel */, &b), -1);
    EXPECT_EQ(kelsim::request_count(), 0u);
}

TEST(ErrorText, OnlyZeroHasAText) {
    EXPECT_STREQ(kel_errstr(0), "no error");
    for (int32_t code : {-1, -6, -7, -11, -15, -19, -102, 1, 0x7FFFFFFF, INT32_MIN})
        EXPECT_STREQ(kel_errstr(code), "unknown error number") << code;
    EXPECT_EQ(kel_error[0].code, 0);
    EXPECT_STREQ(kel_error[0].text, "no error");
}

}  // namespace
