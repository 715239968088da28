// The library with its channel never opened: nothing reaches the driver;
// every wrapper answers KEL_ERR_IO (the statistics 0, the predicates what
// they answer when nothing was written) and its outputs hold what its block
// was sent with; the utilities see units without ports. The last test opens
// the channel, from many threads at once, after a socket that would not open.
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "sim_fixture.h"
#include "wrappers.h"

namespace {

using kel_test::Row;

class NeverOpened : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(kelsim::reset()); }
    void TearDown() override { EXPECT_EQ(kelsim::request_count(), 0u); }
};

TEST_F(NeverOpened, EveryWrapperAnswersWithoutSending) {
    for (const Row &r : kel_test::kRows) {
        SCOPED_TRACE(r.call);
        const kel_test::Expected s = kel_test::parse(r);
        uint32_t a = 7, b = 7;
        EXPECT_EQ(r.run(&a, &b), kel_test::unanswered(s, KEL_ERR_IO));
        kel_test::expect_outputs(s, a, b, [&s](size_t off) { return s.sent(off); });
    }
    kel_ioreq b{};
    EXPECT_EQ(kel_ioctl(KEL_IOCTL_REQUEST, &b), KEL_ERR_IO);
    EXPECT_EQ(kel_ioctl(0x1234, nullptr), KEL_ERR_IO);
}

// Each row: what an expression gave, in order, and what it must give.
struct Said {
    const char *expr;
    int64_t got, want;
};
#define SAY(expr, want) \
    Said { #expr, static_cast < int64_t>(expr), want }

TEST_F(NeverOpened, UtilitiesSeeUnitsWithoutPorts) {
    ifport p{7, 7, 7};
    const ifport a{1, 0, 1}, u3{3, 0, 4};
    int32_t v = -1;
    char text[16] = "untouched";
    iflist none{}, some{}, out;
    some.word[0] = 5;
    // A braced list is evaluated from left to right: rows may read what earlier rows wrote.
    const Said rows[] = {
        SAY(kel_ifname2ifport("fa1/0/1", &p), KEL_ERR_NO_IF),
        SAY(p.unit * 100 + p.port, 101),
        SAY(kel_is_port_ifname("fa1/0/1"), 0),
        SAY(kel_is_portname_suffix("fa1/0/1"), 0),
        SAY(kel_is_portrange_ifname("fa1/0/1-24"), 0),
        SAY(kel_is_portname_prefix("fa1/0/1"), 1),
        SAY(kel_is_vlan_ifname("vlan5"), 1),
        SAY(kel_ifname_short_get(&p, text, sizeof text), KEL_ERR_IO),
        SAY(kel_ifname_long_get(&p, text, sizeof text), KEL_ERR_IO),
        SAY(std::strcmp(text, "untouched"), 0),
        SAY(kel_cli_iflist_get("fa1/0/1", &out), KEL_ERR_NO_IF),
        SAY(kel_cli_iflist_get("fa1/0/1,", &out), KEL_ERR_FORMAT),
        SAY(kel_iftab_idx2ifport(1, &p), KEL_ERR_NOT_FOUND),
        SAY(kel_iftab_idx2ifport(0, &p), 0),
        SAY(p.unit, 1),
        SAY(kel_iftab_ifport2idx(&u3, &v), 0),
        SAY(v, 4),
        SAY(kel_iflist_is_full(&none), 1),
        SAY(kel_iflist_is_full(&some), 1),
        SAY(kel_iflist_port_count(&some), 0),
        SAY(kel_iflist_port_get1st(&some, &p), KEL_ERR_NOT_FOUND),
        SAY(kel_iflist_is_empty(&some), 0),
        SAY(kel_port_vlans_is_equal(&a, &a), 0),
        SAY(kel_ifname2vlan("sw0", &v), 0),
        SAY(v, 0),  // no management VLAN known
        SAY(kel_ifname2vlan("sw0.12", &v), 0),
        SAY(v, 12),
        SAY(kel_vlan2ifname(5, text), 0),
        SAY(std::strcmp(text, "sw0.5"), 0),
    };
    for (const Said &r : rows) EXPECT_EQ(r.got, r.want) << r.expr;
}

int open_descriptors() {
    int n = 0;
    for (int fd = 0; fd < 1024; ++fd) n += fcntl(fd, F_GETFD) != -1;
    return n;
}

// Runs last: it opens the channel for the rest of the process.
TEST(Channel, OpensOnceFromManyThreadsAfterAFailedOpen) {
    ASSERT_TRUE(kelsim::reset());
    kelsim::fail_socket();
    EXPECT_EQ(kel_io_init(), KEL_ERR_IO);
    uint32_t count = 9;
    EXPECT_EQ(kel_system_nr_ports_get(&count), KEL_ERR_IO);
    EXPECT_EQ(kelsim::request_count(), 0u);
    int before = open_descriptors();
    constexpr int kThreads = 8, kCommands = 200;
    std::atomic<int> go{0}, failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            while (!go.load()) std::this_thread::yield();
            if (kel_io_init() != 0) ++failures;
            for (int i = 0; i < kCommands; ++i) {
                uint32_t n = 0, ip = 0, mask = 0;
                if (kel_stack_nr_ports_get(1 + (i + t) % 2, &n) != 0 || n != 26) ++failures;
                if (kel_switch_stack_ipmask_get(2, &ip, &mask) != 0) ++failures;
            }
        });
    go = 1;
    for (auto &th : threads) th.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(open_descriptors(), before + 1);
    EXPECT_EQ(kelsim::request_count(), static_cast<size_t>(kThreads * kCommands * 2));
}

}  // namespace
