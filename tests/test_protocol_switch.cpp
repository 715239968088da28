// The simulated switch behind the protocol, security and upkeep commands:
// the records, tables and events beyond plain settings (test_settings reads
// those back).
#include <string>

#include "family/protocol_control.h"
#include "kel_driver.h"
#include "sim_fixture.h"

namespace {

using kel_test::got;
using kel_test::ports;
using kel_test::vlans;

using namespace kelsim;

const ifport kFe{1, 0, 3}, kGe{2, 0, 25}, kNone{1, 0, 27}, kAbsent{3, 0, 1};
const uint8_t kMacA[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
const uint8_t kMacB[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x66};
const uint8_t kMacC[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x77};
const uint8_t kGroup[6] = {0x01, 0x00, 0x5E, 0x00, 0x00, 0x01};

class Sim : public kel_test::SimTest {};

TEST_F(Sim, SpanningTreeRecords) {
    kel_drv_stp_bridge br;
    ASSERT_EQ(kel_stp_bridge_info_get(&br), 0);
    EXPECT_TRUE(br.ports == 52 && br.root_priority == 32768 && br.root_port == 0);
    ASSERT_EQ(kel_stp_bridge_prio_set(8192), 0);
    ASSERT_EQ(kel_stp_bridge_times_set(30, 4, 20), 0);
    ASSERT_EQ(kel_stp_bridge_info_get(&br), 0);
    EXPECT_TRUE(br.root_priority == 8192 && br.max_age == 30 && br.hello_time == 4 && br.forward_delay == 20);
    const uint32_t refused[][3] = {{40, 2, 15}, {6, 3, 15}, {20, 11, 15}, {20, 2, 31}};
    for (const auto &t : refused)  // 2 * (forward delay - 1) >= max age >= 2 * (hello + 1), each in its range
        EXPECT_EQ(kel_stp_bridge_times_set(t[0], t[1], t[2]), KEL_DRV_ERR_BAD_VALUE) << t[0];
    ASSERT_EQ(kel_stp_bridge_info_get(&br), 0);
    EXPECT_EQ(br.max_age, 30u);
    EXPECT_EQ(kel_stp_bridge_info_get(nullptr), KEL_DRV_ERR_NULL_BUFFER);
    kel_drv_stp_port pr;
    ASSERT_EQ(kel_stp_port_info_get(&kGe, &pr), 0);
    EXPECT_TRUE(pr.oper_cost == KEL_DRV_STP_COST_GE && pr.role == KEL_DRV_STP_ROLE_DESIGNATED);
    ASSERT_EQ(kel_stp_port_path_cost_set(&kFe, 5000), 0);
    ASSERT_EQ(kel_stp_port_info_get(&kFe, &pr), 0);
    EXPECT_TRUE(pr.unit == 1 && pr.port == 3 && pr.path_cost == 5000 && pr.oper_cost == 5000);
    EXPECT_EQ(pr.state, KEL_DRV_STP_STATE_FORWARDING);
    ASSERT_EQ(kel_stp_control_set(0), 0);
    ASSERT_EQ(kel_stp_port_info_get(&kGe, &pr), 0);
    EXPECT_EQ(pr.role, KEL_DRV_STP_ROLE_DISABLED);  // spanning tree is off
    EXPECT_EQ(kel_stp_port_info_get(&kAbsent, &pr), KEL_DRV_ERR_NO_SUCH_PORT);
}

TEST_F(Sim, MstInstancesOwnTheirVlans) {
    kel_drv_mst_instance in{}, out{};
    in.vlans = vlans({10, 20, 4094});
    ASSERT_EQ(kel_mst_instance_set(3, &in), 0);
    in.vlans = vlans({20, 30});
    ASSERT_EQ(kel_mst_instance_set(5, &in), 0);  // takes 20 from instance 3
    ASSERT_EQ(kel_mst_instance_get(3, &out), 0);
    EXPECT_EQ(std::memcmp(&out.vlans, &(in.vlans = vlans({10, 4094})), sizeof(vlanlist)), 0);
    EXPECT_EQ(out.vlan_count, 2u);
    ASSERT_EQ(kel_mst_instance_get(0, &out), 0);
    EXPECT_EQ(out.vlan_count, 4094u - 4);

    kel_drv_mst_region region;
    ASSERT_EQ(kel_mst_name_set("campus"), 0);
    ASSERT_EQ(kel_mst_revision_set(9), 0);
    ASSERT_EQ(kel_mst_max_hops_set(30), 0);
    ASSERT_EQ(kel_mst_info_get(&region), 0);
    EXPECT_STREQ(region.name, "campus");
    EXPECT_EQ(region.revision, 9u);
    EXPECT_EQ(region.max_hops, 30u);
    EXPECT_EQ(region.instances, 3u);
    EXPECT_EQ(region.instance_mask, 0x29u);

    ASSERT_EQ(kel_mst_bridge_prio_set(3, 4096), 0);
    ASSERT_EQ(kel_mst_port_prio_set(3, &kFe, 64), 0);
    ASSERT_EQ(kel_mst_port_path_cost_set(3, &kFe, 777), 0);
    kel_drv_mst_bridge br;
    kel_drv_mst_port pr, other;
    ASSERT_EQ(kel_mst_bridge_info_get(3, &br), 0);
    EXPECT_EQ(br.priority, 4096u);
    EXPECT_EQ(br.vlan_count, 2u);
    ASSERT_EQ(kel_mst_port_info_get(3, &kFe, &pr), 0);
    EXPECT_EQ(pr.priority, 64u);
    EXPECT_EQ(pr.path_cost, 777u);
    ASSERT_EQ(kel_mst_port_info_get(5, &kFe, &other), 0);  // per instance
    EXPECT_EQ(other.priority, 128u);
    EXPECT_EQ(other.oper_cost, KEL_DRV_STP_COST_FE);

    in.vlans = vlanlist{};
    ASSERT_EQ(kel_mst_instance_set(3, &in), 0);  // an empty list removes the instance
    EXPECT_EQ(kel_mst_instance_get(3, &out), KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(kel_mst_bridge_prio_set(3, 4096), KEL_DRV_ERR_NO_SUCH_ENTRY);
}

TEST_F(Sim, MstRefusesImpossibleRequests) {
    kel_drv_mst_instance in{};
    in.vlans = vlans({10});
    EXPECT_EQ(kel_mst_instance_set(0, &in), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_mst_instance_set(16, &in), KEL_DRV_ERR_BAD_VALUE);
    in.vlans.word[127] = 0x40000000u;  // VLAN 4095
    EXPECT_EQ(kel_mst_instance_set(2, &in), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_mst_instance_get(2, &in), KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(kel_mst_port_prio_set(2, &kFe, 16), KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(kel_mst_name_set(std::string(33, 'x').c_str()), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_mst_name_set(std::string(32, 'x').c_str()), 0);
}

TEST_F(Sim, Dot1xPortRecordAndPredicates) {
    kel_drv_dot1x_port r;
    ASSERT_EQ(kel_dot1x_port_info_get(&kFe, &r), 0);
    EXPECT_EQ(r.control, KEL_DRV_DOT1X_FORCE_AUTHORIZED);
    EXPECT_EQ(r.auth_state, KEL_DRV_DOT1X_AUTHORIZED);
    EXPECT_EQ(kel_is_dot1x_enable_port(&kFe), 0);
    EXPECT_EQ(kel_is_dot1x_singlehost_port(&kFe), 1);
    ASSERT_EQ(kel_dot1x_status_set(1), 0);
    ASSERT_EQ(kel_dot1x_port_ctrl_set(&kFe, KEL_DRV_DOT1X_AUTO), 0);
    ASSERT_EQ(kel_dot1x_multi_host_set(&kFe, 1), 0);
    ASSERT_EQ(kel_dot1x_reauth_enable_set(&kFe, 1), 0);
    ASSERT_EQ(kel_dot1x_reauth_period_set(&kFe, 600), 0);
    ASSERT_EQ(kel_dot1x_quiet_period_set(&kFe, 0), 0);
    ASSERT_EQ(kel_dot1x_server_timeout_set(&kFe, 10), 0);
    ASSERT_EQ(kel_dot1x_guest_vlan_set(&kFe, 100), 0);
    ASSERT_EQ(kel_dot1x_reauthenticate_set(&kFe), 0);
    EXPECT_EQ(kel_is_dot1x_enable_port(&kFe), 1);
    EXPECT_EQ(kel_is_dot1x_singlehost_port(&kFe), 0);
    EXPECT_EQ(kel_is_dot1x_enable_port(&kGe), 0);
    ASSERT_EQ(kel_dot1x_port_info_get(&kFe, &r), 0);
    EXPECT_TRUE(r.auth_state == KEL_DRV_DOT1X_GUEST && r.reauth_count == 1);

    ASSERT_EQ(kel_dot1x_authentic_set(KEL_DRV_DOT1X_AUTH_RADIUS_LOCAL), 0);
    kel_drv_dot1x_sys sys;
    ASSERT_EQ(kel_dot1x_sys_info_get(&sys), 0);
    EXPECT_TRUE(sys.auto_ports == 1 && sys.reauth_requests == 1);

    EXPECT_EQ(kel_dot1x_reauthenticate_set(&kGe), KEL_DRV_ERR_NOT_PERMITTED);  // not authenticating
    EXPECT_EQ(kel_is_dot1x_singlehost_port(&kNone), 1);                        // no record: reads as zero
}

TEST_F(Sim, RadiusSlotsKeepServersButNeverHandKeysBack) {
    ASSERT_EQ(kel_dot1x_radius_set(1, 0x0100000A, "sharedsecret", 1812), 0);
    ASSERT_EQ(kel_dot1x_radius_set(4, 0x0200000A, "0123456789abcdefXYZ", 1645), 0);
    kel_drv_radius_server r;
    std::memset(&r, 0xAB, sizeof r);
    ASSERT_EQ(kel_dot1x_radius_get(1, &r), 0);
    EXPECT_EQ(r.index, 1u);
    EXPECT_EQ(r.addr, 0x0100000Au);
    EXPECT_EQ(r.udp_port, 1812u);
    EXPECT_EQ(r.key_set, 1u);
    for (uint32_t w : r.reserved) EXPECT_EQ(w, 0u);
    with_model([](Model &m) {
        EXPECT_STREQ(m.proto.radius[0].key, "sharedsecret");
        EXPECT_STREQ(m.proto.radius[3].key, "0123456789abcdef");  // cut at 16
    });
    EXPECT_EQ(kel_dot1x_radius_get(2, &r), KEL_DRV_ERR_NO_SUCH_ENTRY);
    for (uint32_t bad : {0u, 5u}) EXPECT_EQ(kel_dot1x_radius_set(bad, 1, "k", 1812), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_dot1x_radius_set(2, 0, "k", 1812), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_dot1x_radius_set(2, 1, "", 1812), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_dot1x_radius_set(2, 1, "k", 65536), KEL_DRV_ERR_BAD_VALUE);
    ASSERT_EQ(kel_dot1x_radius_del(1), 0);
    EXPECT_EQ(kel_dot1x_radius_del(1), KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(kel_dot1x_radius_get(1, &r), KEL_DRV_ERR_NO_SUCH_ENTRY);
    with_model([](Model &m) { EXPECT_EQ(m.proto.radius[0].key[0], '\0'); });
}

// Walks the local users the way a caller does: until a nonzero result.
std::vector<std::pair<std::string, uint32_t>> users(int32_t *end) {
    std::vector<std::pair<std::string, uint32_t>> out;
    uint32_t cursor = 0;
    kel_drv_user r;
    while ((*end = kel_dot1x_user_getnext(&cursor, &r)) == 0) out.emplace_back(r.name, r.value);
    return out;
}

TEST_F(Sim, LocalUsersAreWalkedUntilANonzeroStatus) {
    int32_t end = 0;
    EXPECT_TRUE(users(&end).empty());
    EXPECT_EQ(end, KEL_DRV_ERR_END_OF_TABLE);
    const std::string n64(64, 'n');
    ASSERT_EQ(kel_dot1x_user_set("alice", "pw1", 1), 0);
    ASSERT_EQ(kel_dot1x_user_set((n64 + "tail").c_str(), "pw2", 15), 0);
    ASSERT_EQ(kel_dot1x_user_set("bob", "pw3", 2), 0);
    ASSERT_EQ(kel_dot1x_user_set("alice", "pw4", 3), 0);  // an update, not a second alice
    auto list = users(&end);
    EXPECT_EQ(end, KEL_DRV_ERR_END_OF_TABLE);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0], std::make_pair(std::string("alice"), 3u));
    EXPECT_EQ(list[1], std::make_pair(n64, 15u));
    EXPECT_EQ(list[2], std::make_pair(std::string("bob"), 2u));
    with_model([](Model &m) { EXPECT_STREQ(m.proto.user[0].password, "pw4"); });
    EXPECT_EQ(kel_dot1x_user_del((n64 + "other").c_str()), 0);  // names compare as stored: cut at 64
    EXPECT_EQ(kel_dot1x_user_del("carol"), KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(kel_dot1x_user_set("x", "", 1), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_dot1x_user_set("x", "p", 16), KEL_DRV_ERR_BAD_VALUE);
    for (int i = 0; i < 14; ++i) ASSERT_EQ(kel_dot1x_user_set(("u" + std::to_string(i)).c_str(), "p", 0), 0);
    EXPECT_EQ(kel_dot1x_user_set("one-too-many", "p", 0), KEL_DRV_ERR_TABLE_FULL);
    EXPECT_EQ(users(&end).size(), 16u);
}

kel_drv_acl_filter ip_filter(uint32_t action, uint32_t proto, uint32_t dst, uint32_t dst_port) {
    kel_drv_acl_filter f{};
    f.action = action;
    f.protocol = proto;
    f.dst_ip = dst;
    f.dst_mask = dst ? 0xFFFFFFFFu : 0;
    f.dst_port = dst_port;
    return f;
}

TEST_F(Sim, AccessListsAndTheirPorts) {
    uint32_t mac_list = 0, ip_list = 0, again = 9;
    ASSERT_EQ(kel_acl_create("macs", KEL_DRV_ACL_TYPE_MAC, &mac_list), 0);
    ASSERT_EQ(kel_acl_create("web", KEL_DRV_ACL_TYPE_IP, &ip_list), 0);
    EXPECT_EQ(mac_list, 1u);
    EXPECT_EQ(ip_list, 2u);
    EXPECT_EQ(kel_acl_create("web", KEL_DRV_ACL_TYPE_IP, &again), KEL_DRV_ERR_EXISTS);
    EXPECT_EQ(again, 0u);
    EXPECT_EQ(kel_acl_create("x", 3, nullptr), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_acl_create("", 2, nullptr), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_acl_create(std::string(32, 'n').c_str(), 2, nullptr), KEL_DRV_ERR_BAD_VALUE);

    ASSERT_EQ(kel_acl_filter_install("web", KEL_DRV_ACL_TYPE_IP, &kFe), 0);
    ASSERT_EQ(kel_acl_filter_install("web", KEL_DRV_ACL_TYPE_IP, &kGe), 0);
    ASSERT_EQ(kel_acl_filter_install("macs", KEL_DRV_ACL_TYPE_MAC, &kGe), 0);
    EXPECT_EQ(kel_acl_filter_install("web", KEL_DRV_ACL_TYPE_MAC, &kFe), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_acl_filter_install("web", KEL_DRV_ACL_TYPE_IP, &kNone), KEL_DRV_ERR_NO_SUCH_PORT);
    EXPECT_EQ(kel_acl_filter_install("none", KEL_DRV_ACL_TYPE_IP, &kFe), KEL_DRV_ERR_NO_SUCH_ENTRY);
    kel_drv_acl rec;
    ASSERT_EQ(kel_acl_get("web", &rec), 0);
    EXPECT_STREQ(rec.name, "web");
    EXPECT_EQ(rec.number, 2u);
    EXPECT_EQ(rec.type, KEL_DRV_ACL_TYPE_IP);
    EXPECT_EQ(rec.ports.word[0], 1u << 2);
    EXPECT_EQ(rec.ports.word[1], 1u << 24);
    EXPECT_EQ(kel_is_acl_attach_port(&kFe), 1);
    EXPECT_EQ(kel_is_acl_attach_port(&kGe), 1);

    // A second IP list on 1/0/3 replaces the first there; removing takes the type.
    ASSERT_EQ(kel_acl_create("web2", KEL_DRV_ACL_TYPE_IP, nullptr), 0);
    ASSERT_EQ(kel_acl_filter_install("web2", KEL_DRV_ACL_TYPE_IP, &kFe), 0);
    ASSERT_EQ(kel_acl_get("web", &rec), 0);
    EXPECT_EQ(rec.ports.word[0], 0u);
    ASSERT_EQ(kel_acl_filter_remove(KEL_DRV_ACL_TYPE_IP, &kFe), 0);
    EXPECT_EQ(kel_acl_filter_remove(KEL_DRV_ACL_TYPE_IP, &kFe), KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(kel_is_acl_attach_port(&kFe), 0);

    // Walks by type end with a nonzero status.
    std::vector<std::string> names;
    uint32_t cursor = 0;
    while (kel_acl_getnext(&cursor, KEL_DRV_ACL_TYPE_IP, &rec) == 0) names.push_back(rec.name);
    EXPECT_EQ(names, (std::vector<std::string>{"web", "web2"}));
    EXPECT_EQ(kel_acl_getnext(&cursor, KEL_DRV_ACL_TYPE_IP, &rec), KEL_DRV_ERR_END_OF_TABLE);
    EXPECT_EQ(kel_acl_getnext(&cursor, 7, &rec), KEL_DRV_ERR_BAD_VALUE);

    ASSERT_EQ(kel_acl_destroy("macs"), 0);
    EXPECT_EQ(kel_acl_destroy("macs"), KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(kel_acl_get("macs", &rec), KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(kel_acl_get("web", nullptr), KEL_DRV_ERR_NULL_BUFFER);
}

std::vector<kel_drv_acl_filter> filters(uint32_t number) {
    std::vector<kel_drv_acl_filter> out;
    uint32_t cursor = 0;
    kel_drv_acl_filter f;
    while (kel_acl_filter_getnext(&cursor, number, &f) == 0) out.push_back(f);
    return out;
}

TEST_F(Sim, FiltersKeepTheirEgressPortAndOrder) {
    uint32_t ip = 0, mac = 0;
    ASSERT_EQ(kel_acl_create("ip", KEL_DRV_ACL_TYPE_IP, &ip), 0);
    ASSERT_EQ(kel_acl_create("mac", KEL_DRV_ACL_TYPE_MAC, &mac), 0);
    kel_drv_acl_filter web = ip_filter(KEL_DRV_ACL_PERMIT, KEL_DRV_PROTO_TCP, 0x0100000A, 80);
    kel_drv_acl_filter any = ip_filter(KEL_DRV_ACL_DENY, KEL_DRV_PROTO_IP, 0, 0);
    ASSERT_EQ(kel_acl_ip_filter_add(ip, &any, 0, nullptr), 0);
    ASSERT_EQ(kel_acl_ip_filter_add(ip, &web, 5, &kGe), 0);  // sequence 5 goes first
    EXPECT_EQ(kel_acl_ip_filter_add(ip, &web, 0, &kGe), KEL_DRV_ERR_EXISTS);
    auto list = filters(ip);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].sequence, 5u);
    EXPECT_EQ(list[0].egress_unit, 2);
    EXPECT_EQ(list[0].egress_slot, 0);
    EXPECT_EQ(list[0].egress_port, 25);
    EXPECT_EQ(list[0].dst_port, 80u);
    EXPECT_EQ(list[1].sequence, 10u);
    EXPECT_EQ(list[1].egress_unit, 0);
    EXPECT_EQ(kel_is_filter_egress_port(&kGe), 1);
    EXPECT_EQ(kel_is_filter_egress_port(&kFe), 0);

    kel_drv_acl_filter m{};
    m.action = KEL_DRV_ACL_DENY;
    std::memcpy(m.src_mac, kMacA, 6);
    std::memset(m.src_mac_mask, 0xFF, 6);
    ASSERT_EQ(kel_acl_mac_filter_add(mac, &m, 0, &kFe), 0);
    EXPECT_EQ(kel_acl_ip_filter_add(mac, &web, 0, nullptr), KEL_DRV_ERR_BAD_VALUE);  // kinds follow the list
    EXPECT_EQ(kel_acl_mac_filter_add(ip, &m, 0, nullptr), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_is_filter_egress_port(&kFe), 1);

    // Deleting names the same fields; the egress port is one of them.
    EXPECT_EQ(kel_acl_mac_filter_del(mac, &m, 0, &kGe), KEL_DRV_ERR_NO_SUCH_ENTRY);
    ASSERT_EQ(kel_acl_mac_filter_del(mac, &m, 0, &kFe), 0);
    EXPECT_EQ(kel_acl_ip_filter_del(ip, &web, 10, &kGe),
              KEL_DRV_ERR_NO_SUCH_ENTRY);  // not its sequence number
    ASSERT_EQ(kel_acl_ip_filter_del(ip, &web, 0, &kGe), 0);
    EXPECT_EQ(filters(ip).size(), 1u);
    EXPECT_EQ(kel_is_filter_egress_port(&kGe), 0);

    // Values out of range change nothing.
    kel_drv_acl_filter bad =
        ip_filter(KEL_DRV_ACL_PERMIT, KEL_DRV_PROTO_IP, 0, 80);  // a port without TCP or UDP
    EXPECT_EQ(kel_acl_ip_filter_add(ip, &bad, 0, nullptr), KEL_DRV_ERR_BAD_VALUE);
    bad = ip_filter(3, KEL_DRV_PROTO_TCP, 0, 0);
    EXPECT_EQ(kel_acl_ip_filter_add(ip, &bad, 0, nullptr), KEL_DRV_ERR_BAD_VALUE);
    bad = ip_filter(KEL_DRV_ACL_PERMIT, KEL_DRV_PROTO_UDP, 0, 65536);
    EXPECT_EQ(kel_acl_ip_filter_add(ip, &bad, 0, nullptr), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_acl_ip_filter_add(ip, &any, 0, &kNone), KEL_DRV_ERR_NO_SUCH_PORT);
    EXPECT_EQ(kel_acl_ip_filter_add(99, &any, 0, nullptr), KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(filters(ip).size(), 1u);
    uint32_t cursor = 0;
    kel_drv_acl_filter f;
    EXPECT_EQ(kel_acl_filter_getnext(&cursor, 99, &f), KEL_DRV_ERR_NO_SUCH_ENTRY);
}

TEST_F(Sim, FilterTableFills) {
    uint32_t ip = 0;
    ASSERT_EQ(kel_acl_create("ip", KEL_DRV_ACL_TYPE_IP, &ip), 0);
    for (uint32_t i = 1; i <= kAclFilters; ++i) {
        kel_drv_acl_filter f = ip_filter(KEL_DRV_ACL_PERMIT, KEL_DRV_PROTO_TCP, 0x0100000A, i);
        ASSERT_EQ(kel_acl_ip_filter_add(ip, &f, 0, nullptr), 0);
    }
    kel_drv_acl_filter f = ip_filter(KEL_DRV_ACL_PERMIT, KEL_DRV_PROTO_TCP, 0x0100000A, 100);
    EXPECT_EQ(kel_acl_ip_filter_add(ip, &f, 0, nullptr), KEL_DRV_ERR_TABLE_FULL);
    EXPECT_EQ(filters(ip).back().sequence, 10u * kAclFilters);
}

std::vector<kel_drv_secure_addr> secure_addrs(const ifport &p, uint32_t type) {
    std::vector<kel_drv_secure_addr> out;
    uint32_t cursor = 0;
    kel_drv_secure_addr r;
    while (kel_portsecu_mac_getnext(&cursor, &p, type, &r) == 0) out.push_back(r);
    return out;
}

TEST_F(Sim, PortSecurityLearnsLimitsAndShutsDown) {
    EXPECT_EQ(kel_is_portsecu_enable_port(&kFe), 0);
    ASSERT_EQ(kel_portsecu_enable_set(&kFe, 1), 0);
    EXPECT_EQ(kel_is_portsecu_enable_port(&kFe), 1);
    ASSERT_EQ(kel_portsecu_maxaddr_set(&kFe, 2), 0);
    ASSERT_EQ(kel_portsecu_mac_set(&kFe, kMacA), 0);
    EXPECT_EQ(kel_portsecu_mac_set(&kFe, kMacA), KEL_DRV_ERR_EXISTS);
    EXPECT_EQ(kel_portsecu_mac_set(&kGe, kMacA), KEL_DRV_ERR_EXISTS);  // secure on one port only
    EXPECT_EQ(kel_portsecu_mac_set(&kFe, kGroup), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_TRUE(portsecu_frame(1, 3, kMacA));
    EXPECT_TRUE(portsecu_frame(1, 3, kMacB));  // learned
    EXPECT_EQ(kel_portsecu_maxaddr_set(&kFe, 1), KEL_DRV_ERR_NOT_PERMITTED);
    EXPECT_EQ(kel_portsecu_mac_set(&kFe, kMacC), KEL_DRV_ERR_TABLE_FULL);
    auto all = secure_addrs(kFe, KEL_DRV_SECURE_ALL);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1].type, KEL_DRV_SECURE_DYNAMIC);
    EXPECT_EQ(std::memcmp(all[1].mac, kMacB, 6), 0);
    EXPECT_EQ(secure_addrs(kFe, KEL_DRV_SECURE_STATIC).size(), 1u);

    // A third address violates; the default action shuts the port down.
    EXPECT_FALSE(portsecu_frame(1, 3, kMacC));
    EXPECT_FALSE(portsecu_frame(1, 3, kMacA));  // nothing passes a shut port
    kel_drv_portsecu r;
    ASSERT_EQ(kel_portsecu_info_get(&kFe, &r), 0);
    EXPECT_EQ(r.shut, 1u);
    EXPECT_EQ(r.violations, 1u);
    EXPECT_EQ(r.static_count, 1u);
    EXPECT_EQ(r.dynamic_count, 1u);
    ASSERT_EQ(kel_portsecu_port_reup(&kFe), 0);
    EXPECT_EQ(kel_portsecu_port_reup(&kFe), KEL_DRV_ERR_NOT_PERMITTED);

    // Restrict drops and counts, protect only drops.
    ASSERT_EQ(kel_portsecu_violation_set(&kFe, KEL_DRV_VIOLATION_RESTRICT), 0);
    EXPECT_FALSE(portsecu_frame(1, 3, kMacC));
    ASSERT_EQ(kel_portsecu_violation_set(&kFe, KEL_DRV_VIOLATION_PROTECT), 0);
    EXPECT_FALSE(portsecu_frame(1, 3, kMacC));
    ASSERT_EQ(kel_portsecu_info_get(&kFe, &r), 0);
    EXPECT_EQ(r.shut, 0u);
    EXPECT_EQ(r.violations, 2u);

    EXPECT_EQ(kel_portsecu_dynamic_mac_clear(kMacA), KEL_DRV_ERR_NO_SUCH_ENTRY);  // configured, not learned
    ASSERT_EQ(kel_portsecu_dynamic_mac_clear(kMacB), 0);
    EXPECT_TRUE(portsecu_frame(1, 3, kMacC));
    ASSERT_EQ(kel_portsecu_dynamic_mac_if_clear(nullptr), 0);
    EXPECT_EQ(secure_addrs(kFe, KEL_DRV_SECURE_DYNAMIC).size(), 0u);
    ASSERT_EQ(kel_portsecu_mac_del(&kFe, kMacA), 0);
    EXPECT_EQ(kel_portsecu_mac_del(&kFe, kMacA), KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_TRUE(portsecu_frame(1, 4, kMacA));  // a port without port security passes everything
}

TEST_F(Sim, PortSecurityRefusals) {
    EXPECT_EQ(kel_portsecu_dynamic_mac_if_clear(&kNone), KEL_DRV_ERR_NO_SUCH_PORT);
    uint32_t cursor = 0;
    kel_drv_secure_addr a;
    EXPECT_EQ(kel_portsecu_mac_getnext(&cursor, &kGe, 3, &a), KEL_DRV_ERR_BAD_VALUE);
    kel_drv_portsecu r;
    ASSERT_EQ(kel_portsecu_info_get(&kGe, &r), 0);
    EXPECT_TRUE(r.unit == 2 && r.port == 25);
}

TEST_F(Sim, GarpAndGvrp) {
    kel_drv_garp_times t{};
    ASSERT_EQ(kel_garp_port_times_get(&kFe, &t), 0);
    EXPECT_EQ(t.join, 20u);
    EXPECT_EQ(t.leave_all, 1000u);
    kel_drv_garp_times set{10, 30, 31};  // join at least 10, leave at least 3 joins, leave-all above leave
    ASSERT_EQ(kel_garp_port_times_set(&kFe, &set), 0);
    ASSERT_EQ(kel_garp_port_times_get(&kFe, &t), 0);
    EXPECT_EQ(std::memcmp(&t, &set, sizeof t), 0);
    for (kel_drv_garp_times bad :
         {kel_drv_garp_times{9, 30, 31}, kel_drv_garp_times{10, 29, 31}, kel_drv_garp_times{10, 30, 30}})
        EXPECT_EQ(kel_garp_port_times_set(&kFe, &bad), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_garp_port_times_get(&kNone, &t), KEL_DRV_ERR_NO_SUCH_PORT);

    EXPECT_FALSE(gvrp_receive(1, 3, KEL_DRV_GVRP_JOIN_IN, 4));  // GVRP is off
    ASSERT_EQ(kel_gvrp_status_set(1), 0);
    ASSERT_EQ(kel_gvrp_port_set(&kFe, 1), 0);
    ASSERT_EQ(kel_gvrp_port_mode_set(&kFe, 2), 0);
    EXPECT_TRUE(gvrp_receive(1, 3, KEL_DRV_GVRP_JOIN_IN, 4));
    EXPECT_TRUE(gvrp_receive(1, 3, KEL_DRV_GVRP_LEAVE_ALL, 1));
    kel_drv_gvrp_stats s;
    ASSERT_EQ(kel_gvrp_port_stats_get(&kFe, &s), 0);
    EXPECT_EQ(s.rx[KEL_DRV_GVRP_JOIN_IN], 4u);
    EXPECT_EQ(s.rx[KEL_DRV_GVRP_LEAVE_ALL], 1u);
    EXPECT_EQ(s.failed_registrations, 4u);  // joins on a forbidden port
    ASSERT_EQ(kel_gvrp_port_stats_clear(&kFe), 0);
    ASSERT_EQ(kel_gvrp_port_stats_get(&kFe, &s), 0);
    EXPECT_EQ(s.rx[KEL_DRV_GVRP_JOIN_IN], 0u);
}

TEST_F(Sim, IgmpSnoopingVlansAndLists) {
    for (uint32_t vid : {1u, 10u, 4094u}) ASSERT_EQ(kel_igmpsnoop_vlan_set(vid, 1), 0);
    ASSERT_EQ(kel_igmpsnoop_vlan_set(10, 0), 0);
    ASSERT_EQ(kel_igmpsnoop_ileave_set(20, 1), 0);
    EXPECT_EQ(got(kel_igmpsnoop_vlan_get, 4094), 1u);
    EXPECT_EQ(got(kel_igmpsnoop_vlan_get, 10), 0u);
    EXPECT_EQ(got(kel_igmpsnoop_ileave_get, 20), 1u);
    vlanlist l;
    ASSERT_EQ(kel_igmpsnoop_vlan_list_get(&l), 0);
    vlanlist want = vlans({1, 4094});
    EXPECT_EQ(std::memcmp(&l, &want, sizeof l), 0);
    ASSERT_EQ(kel_igmpsnoop_ileave_list_get(&l), 0);
    want = vlans({20});
    EXPECT_EQ(std::memcmp(&l, &want, sizeof l), 0);
    EXPECT_EQ(kel_igmpsnoop_vlan_set(0, 1), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_igmpsnoop_vlan_set(4095, 1), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_igmpsnoop_ileave_set(20, 2), KEL_DRV_ERR_BAD_VALUE);
}

std::vector<kel_drv_dhcp_binding> bindings(int32_t *end) {
    std::vector<kel_drv_dhcp_binding> out;
    uint32_t cursor = 0;
    kel_drv_dhcp_binding r;
    while ((*end = kel_dhcpsnoop_bind_getnext(&cursor, &r)) == 0) out.push_back(r);
    return out;
}

TEST_F(Sim, DhcpSnoopingVlansTrustAndBindings) {
    vlanlist set = vlans({5, 6, 100}), back;
    ASSERT_EQ(kel_dhcpsnoop_vlanlist_set(&set), 0);
    ASSERT_EQ(kel_dhcpsnoop_vlan_set(6, 0), 0);
    ASSERT_EQ(kel_dhcpsnoop_vlan_set(7, 1), 0);
    ASSERT_EQ(kel_dhcpsnoop_vlanlist_get(&back), 0);
    vlanlist want = vlans({5, 7, 100});
    EXPECT_EQ(std::memcmp(&back, &want, sizeof back), 0);
    EXPECT_EQ(got(kel_dhcpsnoop_vlan_get, 100), 1u);
    set.word[127] = 0x80000000u;
    EXPECT_EQ(kel_dhcpsnoop_vlanlist_set(&set), KEL_DRV_ERR_BAD_VALUE);

    kel_drv_dhcp_binding b{{0x00, 0x11, 0x22, 0x33, 0x44, 0x55}, {}, 0x0500000A, 5, 1, 3, 3600};
    EXPECT_FALSE(add_dhcp_binding(b));  // snooping is off
    ASSERT_EQ(kel_dhcpsnoop_status_set(1), 0);
    ASSERT_TRUE(add_dhcp_binding(b));
    b.ip = 0x0600000A;
    ASSERT_TRUE(add_dhcp_binding(b));
    int32_t end = 0;
    auto list = bindings(&end);
    EXPECT_EQ(end, KEL_DRV_ERR_END_OF_TABLE);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].ip, 0x0500000Au);
    EXPECT_EQ(list[1].port, 3u);
    ASSERT_EQ(kel_dhcpsnoop_status_set(0), 0);  // forgets the bindings
    EXPECT_TRUE(bindings(&end).empty());
    EXPECT_EQ(end, KEL_DRV_ERR_END_OF_TABLE);
}

TEST_F(Sim, LineProtocolCableAndShowRecords) {
    uint32_t v = 9;
    ASSERT_EQ(kel_line_proto_port_set(&kFe, KEL_DRV_LINE_LOOPBACK), 0);
    EXPECT_EQ(got(kel_line_loopback_get, &kFe), 1u);
    ASSERT_EQ(kel_line_proto_port_set(&kGe, KEL_DRV_LINE_DOWN), 0);
    EXPECT_EQ(got(kel_line_loopback_get, &kGe), 0u);
    EXPECT_EQ(kel_line_loopback_get(&kNone, &v), KEL_DRV_ERR_NO_SUCH_PORT);

    kel_drv_cable_diag fe, ge;
    ASSERT_EQ(kel_cablediag_get(&kFe, &fe), 0);
    EXPECT_EQ(fe.pairs, 2u);
    EXPECT_EQ(fe.status, KEL_DRV_PAIR_OK);
    EXPECT_EQ(fe.pair_status[2], KEL_DRV_PAIR_NOT_TESTED);
    EXPECT_GT(fe.pair_length[0], 0u);
    ASSERT_EQ(kel_cablediag_get(&kGe, &ge), 0);
    EXPECT_EQ(ge.pairs, 4u);
    EXPECT_EQ(ge.status, KEL_DRV_PAIR_OPEN);  // its line protocol is down
    EXPECT_EQ(ge.pair_status[3], KEL_DRV_PAIR_OPEN);

    kel_drv_led led;
    ASSERT_EQ(kel_show_private_led(&led, sizeof led), 0);
    EXPECT_EQ(led.ports, 52u);
    EXPECT_EQ(led.led[0][2], KEL_DRV_LED_BLINKING);
    EXPECT_EQ(led.led[1][24], KEL_DRV_LED_OFF);
    EXPECT_EQ(led.led[0][0], KEL_DRV_LED_ON);
    kel_drv_model_info model;
    std::memset(&model, 0x5A, sizeof model);
    ASSERT_EQ(kel_show_private_model(&model, 6), 0);  // at most len bytes
    EXPECT_EQ(std::string(model.model, 6), "KS-48F");
    EXPECT_EQ(static_cast<uint8_t>(model.model[6]), 0x5A);
    ASSERT_EQ(kel_show_private_model(&model, 1000), 0);
    EXPECT_STREQ(model.model, "KS-48FE-4GE");
    EXPECT_EQ(model.units, 2u);
    EXPECT_EQ(kel_show_private_health(&model, 0), KEL_DRV_ERR_BUFFER_TOO_SMALL);
}

TEST_F(Sim, WatchdogCrashDumpTraceAndDhcpClient) {
    EXPECT_EQ(kel_watchdog_timer_reset(), KEL_DRV_ERR_NOT_PERMITTED);  // off
    ASSERT_EQ(kel_watchdog_set(60), 0);
    ASSERT_EQ(kel_watchdog_timer_reset(), 0);
    ASSERT_EQ(kel_watchdog_timer_reset(), 0);
    EXPECT_EQ(got(kel_watchdog_stat_get), 2u);
    ASSERT_EQ(kel_watchdog_stat_reset(), 0);
    EXPECT_EQ(got(kel_watchdog_stat_get), 0u);

    ASSERT_EQ(kel_crashdump_boot_id_set(42), 0);
    ASSERT_EQ(kel_crashdump_test(0), 0);
    EXPECT_EQ(kel_lib_is_system_ready(), 1);
    ASSERT_EQ(kel_crashdump_test(1), 0);  // dumps and restarts
    EXPECT_EQ(kel_lib_is_system_ready(), 0);

    ASSERT_EQ(kel_tracelog_type_set(3, 1), 0);
    ASSERT_EQ(kel_tracelog_type_set(31, 1), 0);
    ASSERT_EQ(kel_tracelog_type_set(3, 0), 0);
    EXPECT_EQ(kel_tracelog_type_set(32, 1), KEL_DRV_ERR_BAD_VALUE);
    ASSERT_EQ(kel_tracelog_level_set(7), 0);
    ASSERT_EQ(kel_dhcp_client_state_set(1), 0);

    kel_drv_health h;
    ASSERT_EQ(kel_show_private_health(&h, sizeof h), 0);
    EXPECT_EQ(h.watchdog_timeout, 60u);
    EXPECT_EQ(h.crash_dumps, 2u);
    EXPECT_EQ(h.boot_id, 42u);
    EXPECT_EQ(h.trace_level, 7u);
    EXPECT_EQ(h.trace_mask, 0x80000000u);
    EXPECT_EQ(h.reboots, 1u);
    EXPECT_EQ(h.dhcp_client, 1u);
}

}  // namespace
