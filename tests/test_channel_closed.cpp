// The library with its channel never opened: commands send nothing and
// answer KEL_ERR_IO, getters store 0, predicates answer no. The last test
// then opens the channel, after a socket that would not open.
#include <fcntl.h>
#include <unistd.h>

#include "sim_fixture.h"

namespace {

TEST(ChannelClosed, IoctlReturnsIoErrorForAnyRequest) {
    ASSERT_TRUE(kelsim::reset());
    kel_ioreq b{};
    EXPECT_EQ(kel_ioctl(KEL_IOCTL_REQUEST, &b), KEL_ERR_IO);
    EXPECT_EQ(kel_ioctl(0x1234, nullptr), KEL_ERR_IO);
    EXPECT_EQ(kelsim::request_count(), 0u);
}

TEST(ChannelClosed, GettersStoreZeroAndReturnIoError) {
    ASSERT_TRUE(kelsim::reset());
    uint32_t count = 77, ip = 5, mask = 6, vid = 7;
    uint8_t mac[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(kel_system_nr_ports_get(&count), KEL_ERR_IO);
    EXPECT_EQ(count, 0u);
    count = 77;
    EXPECT_EQ(kel_stack_nr_ports_get(3, &count), KEL_ERR_IO);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(kel_system_ip_mask_get(&ip, &mask), KEL_ERR_IO);
    EXPECT_EQ(ip, 0u);
    EXPECT_EQ(mask, 0u);
    EXPECT_EQ(kel_system_vlan_id_get(&vid), KEL_ERR_IO);
    EXPECT_EQ(vid, 0u);
    EXPECT_EQ(kel_system_mac_addr_get(mac), KEL_ERR_IO);
    for (uint8_t byte : mac) EXPECT_EQ(byte, 0);
    EXPECT_EQ(kel_system_reboot(), KEL_ERR_IO);
    EXPECT_EQ(kelsim::request_count(), 0u);
}

TEST(ChannelClosed, NameQueriesFailAndLeaveTheBufferAlone) {
    ASSERT_TRUE(kelsim::reset());
    ifport p{1, 0, 1};
    char name[32] = "untouched";
    EXPECT_EQ(kel_ifport_name_get(&p, name, sizeof name), KEL_ERR_IO);
    EXPECT_STREQ(name, "untouched");
    EXPECT_EQ(kel_ifname_short_get(&p, name, sizeof name), KEL_ERR_IO);
    EXPECT_EQ(kel_ifname_long_get(&p, name, sizeof name), KEL_ERR_IO);
    EXPECT_STREQ(name, "untouched");
}

TEST(ChannelClosed, PredicatesAndQueriesAnswerNo) {
    ASSERT_TRUE(kelsim::reset());
    ifport p{1, 0, 1};
    EXPECT_EQ(kel_is_system_ifport(&p), 0);
    EXPECT_EQ(kel_is_system_feport(&p), 0);
    EXPECT_EQ(kel_is_system_geport(&p), 0);
    EXPECT_EQ(kel_is_stack_smart_port(&p), 0);
    EXPECT_EQ(kel_lib_is_system_ready(), 0);
    EXPECT_EQ(kel_is_system_upgrade(), 0);
    EXPECT_EQ(kel_is_stack_master(), 0);
    EXPECT_EQ(kel_is_stack_discover(), 0);
    EXPECT_EQ(kel_is_switch_stackable(), 0);
    EXPECT_EQ(kelsim::request_count(), 0u);
}

int open_descriptors() {
    int n = 0;
    for (int fd = 0; fd < 1024; ++fd) n += fcntl(fd, F_GETFD) != -1;
    return n;
}

// Runs last: it opens the channel for the rest of the process.
TEST(ChannelClosed, FailedOpenLeavesItClosedAndALaterCallOpensIt) {
    ASSERT_TRUE(kelsim::reset());
    kelsim::fail_socket();
    EXPECT_EQ(kel_io_init(), KEL_ERR_IO);
    uint32_t count = 9;
    EXPECT_EQ(kel_system_nr_ports_get(&count), KEL_ERR_IO);
    EXPECT_EQ(kelsim::request_count(), 0u);

    int before = open_descriptors();
    EXPECT_EQ(kel_io_init(), 0);
    EXPECT_EQ(open_descriptors(), before + 1);
    EXPECT_EQ(kel_io_init(), 0);  // no second socket
    EXPECT_EQ(open_descriptors(), before + 1);
    EXPECT_EQ(kel_system_nr_ports_get(&count), 0);
    EXPECT_EQ(count, 52u);
}

}  // namespace
