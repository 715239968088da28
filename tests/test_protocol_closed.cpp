// The protocol, security and upkeep commands with the channel never opened:
// nothing is sent, wrappers answer KEL_ERR_IO, getters store 0, walks keep
// their cursor and the predicates answer from their zeroed records.
#include "sim_fixture.h"

namespace {

const ifport kPort{1, 0, 3};

TEST(ProtocolChannelClosed, WrappersSendNothing) {
    ASSERT_TRUE(kelsim::reset());
    uint32_t out = 77, cursor = 5;
    uint8_t rec[256] = {};
    EXPECT_EQ(kel_acl_create("a", 2, &out), KEL_ERR_IO);
    EXPECT_EQ(out, 0u);
    out = 77;
    EXPECT_EQ(kel_gvrp_status_get(&out), KEL_ERR_IO);
    EXPECT_EQ(out, 0u);
    out = 77;
    EXPECT_EQ(kel_igmpsnoop_lmqi_get(&out), KEL_ERR_IO);
    EXPECT_EQ(out, 0u);
    EXPECT_EQ(kel_dot1x_radius_set(1, 1, "key", 1812), KEL_ERR_IO);
    EXPECT_EQ(kel_dot1x_user_set("u", "p", 1), KEL_ERR_IO);
    EXPECT_EQ(kel_stp_bridge_times_set(20, 2, 15), KEL_ERR_IO);
    EXPECT_EQ(kel_dot1x_user_getnext(&cursor, rec), KEL_ERR_IO);
    EXPECT_EQ(kel_acl_getnext(&cursor, 2, rec), KEL_ERR_IO);
    EXPECT_EQ(kel_dhcpsnoop_bind_getnext(&cursor, rec), KEL_ERR_IO);
    EXPECT_EQ(cursor, 5u);  // carried both ways: the caller's own value comes back
    EXPECT_EQ(kel_crashdump_test(1), KEL_ERR_IO);
    EXPECT_EQ(kelsim::request_count(), 0u);
}

TEST(ProtocolChannelClosed, PredicatesAnswerFromZeroedRecords) {
    ASSERT_TRUE(kelsim::reset());
    EXPECT_EQ(kel_is_dot1x_enable_port(&kPort), 0);
    EXPECT_EQ(kel_is_dot1x_singlehost_port(&kPort), 1);  // word 16 = 0 reads as a single host
    EXPECT_EQ(kel_is_portsecu_enable_port(&kPort), 0);
    EXPECT_EQ(kel_is_acl_attach_port(&kPort), 0);
    EXPECT_EQ(kel_is_filter_egress_port(&kPort), 0);
    EXPECT_EQ(kelsim::request_count(), 0u);
}

}  // namespace
