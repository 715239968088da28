// Names, lists and parsers with the driver channel never opened: every unit
// counts as a unit without ports, no port name is accepted, the management
// VLAN reads as 0, and nothing reaches the driver.
#include "sim_fixture.h"

namespace {

class NeverOpened : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(kelsim::reset()); }
    void TearDown() override { EXPECT_EQ(kelsim::request_count(), 0u); }
};

TEST_F(NeverOpened, NoPortNameIsAccepted) {
    ifport p{7, 7, 7};
    EXPECT_EQ(kel_ifname2ifport("fa1/0/1", &p), KEL_ERR_NO_IF);
    EXPECT_EQ(p.unit, 1);
    EXPECT_EQ(p.port, 1);
    EXPECT_EQ(kel_is_port_ifname("fa1/0/1"), 0);
    EXPECT_EQ(kel_is_portname_suffix("fa1/0/1"), 0);
    EXPECT_EQ(kel_is_portrange_ifname("fa1/0/1-24"), 0);
    EXPECT_EQ(kel_is_portname_prefix("fa1/0/1"), 1);  // pure text
    EXPECT_EQ(kel_is_vlan_ifname("vlan5"), 1);
    char name[16] = "untouched";
    EXPECT_EQ(kel_ifname_short_get(&p, name, sizeof name), KEL_ERR_IO);
    EXPECT_STREQ(name, "untouched");
    iflist out;
    EXPECT_EQ(kel_cli_iflist_get("fa1/0/1", &out), KEL_ERR_NO_IF);
    EXPECT_EQ(kel_cli_iflist_get("fa1/0/1,", &out), KEL_ERR_FORMAT);
}

TEST_F(NeverOpened, EveryUnitHasNoPorts) {
    ifport p{7, 7, 7};
    EXPECT_EQ(kel_iftab_idx2ifport(1, &p), KEL_ERR_NOT_FOUND);
    EXPECT_EQ(kel_iftab_idx2ifport(0, &p), 0);
    EXPECT_EQ(p.unit, 1);
    int32_t idx = 0;
    const ifport u3{3, 0, 4};
    EXPECT_EQ(kel_iftab_ifport2idx(&u3, &idx), 0);
    EXPECT_EQ(idx, 4);
    iflist none{}, some{};
    some.word[0] = 5;
    EXPECT_EQ(kel_iflist_is_full(&none), 1);  // no port is missing
    EXPECT_EQ(kel_iflist_is_full(&some), 1);
    EXPECT_EQ(kel_iflist_port_count(&some), 0u);
    EXPECT_EQ(kel_iflist_port_get1st(&some, &p), KEL_ERR_NOT_FOUND);
    EXPECT_EQ(kel_iflist_is_empty(&some), 0);
    const ifport a{1, 0, 1};
    EXPECT_EQ(kel_port_vlans_is_equal(&a, &a), 0);
}

TEST_F(NeverOpened, ManagementVlanReadsAsZero) {
    int32_t vid = -1;
    EXPECT_EQ(kel_ifname2vlan("sw0", &vid), 0);
    EXPECT_EQ(vid, 0);
    EXPECT_EQ(kel_ifname2vlan("sw0.12", &vid), 0);
    EXPECT_EQ(vid, 12);
    char out[9];
    EXPECT_EQ(kel_vlan2ifname(5, out), 0);
    EXPECT_STREQ(out, "sw0.5");
}

TEST_F(NeverOpened, VlanCommandsFailWithoutTouchingBuffers) {
    vlaninfo info;
    std::memset(&info, 0x5A, sizeof info);
    char name[8] = "keep";
    EXPECT_EQ(kel_vlan_create(10), KEL_ERR_IO);
    EXPECT_EQ(kel_vlan_destroy(10), KEL_ERR_IO);
    EXPECT_EQ(kel_vlan_get(1, &info), KEL_ERR_IO);
    EXPECT_EQ(kel_vlan_name_get(1, name, sizeof name), KEL_ERR_IO);
    EXPECT_EQ(kel_vlan_name_set(1, name, 4), KEL_ERR_IO);
    EXPECT_EQ(kel_vlan_get_by_name("default", &info), KEL_ERR_IO);
    EXPECT_EQ(info.head[0], 0x5A5A5A5Au);
    EXPECT_STREQ(name, "keep");
    vlanlist l;
    l.word[0] = 9;
    EXPECT_EQ(kel_vlanlist_get(&l), KEL_ERR_IO);
    EXPECT_EQ(l.word[0], 9u);
}

}  // namespace
