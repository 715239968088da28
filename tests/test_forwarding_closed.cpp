// Port and forwarding commands with the channel never opened: nothing is
// sent, getters store 0, the statistics getters still answer 0, walks keep
// their cursor and the trunk predicates answer no.
#include "sim_fixture.h"

namespace {

const ifport kPort{1, 0, 3};

TEST(ForwardingChannelClosed, NothingIsSent) {
    ASSERT_TRUE(kelsim::reset());
    uint32_t v = 7, w = 8, cursor = 12;
    uint8_t buf[1024];
    EXPECT_EQ(kel_port_admin_get(&kPort, &v), KEL_ERR_IO);
    EXPECT_EQ(v, 0u);
    v = 7;
    EXPECT_EQ(kel_stats_rxocts_get(&kPort, &v), 0);
    EXPECT_EQ(v, 0u);
    EXPECT_EQ(kel_stats_port_get(&kPort, buf), 0);
    EXPECT_EQ(kel_qos_rx_rate_get(&kPort, &v, &w), KEL_ERR_IO);
    EXPECT_EQ(w, 0u);
    EXPECT_EQ(kel_arl_getnext(&cursor, 1, buf), KEL_ERR_IO);
    EXPECT_EQ(cursor, 12u);
    EXPECT_EQ(kel_mcast_getnext(&cursor, buf), KEL_ERR_IO);
    EXPECT_EQ(cursor, 12u);
    cursor = KEL_WALK_END;  // the block keeps the cursor sent: it reads as the end
    EXPECT_EQ(kel_static_mcast_getnext(&cursor, buf), KEL_ERR_NOT_FOUND);
    EXPECT_EQ(kel_is_static_trunk_port(&kPort), 0);
    EXPECT_EQ(kel_is_dynamic_trunk_port(&kPort), 0);
    EXPECT_EQ(kel_static_trunk_set(1, nullptr), KEL_ERR_IO);
    EXPECT_EQ(kel_arl_del_by_vlan(1, 1), KEL_ERR_PARAM);  // the selector is judged first
    EXPECT_EQ(kelsim::request_count(), 0u);
}

}  // namespace
