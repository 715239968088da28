// Frames through the switching pipeline as the dataplane hands them over:
// the first byte chooses the ingress port, the second the tag the kernel
// took off (if any), the third the policy settings of the switch (access
// lists, port security, 802.1X, storm and rate limits, IGMP and DHCP
// snooping, each on or off, and the violation action), the rest is the
// frame. Against a switch with VLANs, a trunk, a mirror, a group, a static
// entry and a blocking port besides, whatever a frame holds: a forwarded
// frame has a VLAN and leaves only by ports that may send and are members
// of that VLAN, never by its own port or trunk, by one port at most when
// redirected, and never from a port 802.1X keeps unauthorized; what the
// frames change in the model (secure addresses, groups, bindings) is
// applied to it and leaves it whole.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "dataplane/pipeline.h"
#include "family/policy.h"
#include "kel.h"
#include "sim_switch.h"

namespace {

using namespace kelsim;

enum Policy : uint8_t {
    kAcls = 1,
    kPortSecurity = 2,
    kDot1x = 4,
    kLimits = 8,
    kIgmp = 16,
    kDhcp = 32,  // bits 6 and 7: the violation action
};

bool forwarding_setup() {
    ifport p1{1, 0, 1}, p2{1, 0, 2}, p5{1, 0, 5}, p6{1, 0, 6};
    vlanlist both{};
    both.word[0] = 1u << 9 | 1u << 19;  // VLANs 10 and 20
    iflist trunk{}, group_ports{};
    trunk.word[0] = 1u << 2 | 1u << 3;
    group_ports.word[0] = 1u << 4 | 1u << 5;
    const uint8_t group[6] = {0x01, 0x00, 0x5E, 0, 0, 1}, station[6] = {0x02, 0, 0, 0, 0, 1};
    return kel_vlan_create(10) == 0 && kel_vlan_create(20) == 0 &&
           kel_port_vlan_mode_set(&p2, 10, KEL_DRV_VLAN_MODE_TRUNK) == 0 &&
           kel_port_allow_vlans_add(&p2, &both, KEL_DRV_ALLOW_TAGGED) == 0 &&
           kel_port_ifilter_set(&p1, 1) == 0 && kel_static_trunk_set(1, &trunk) == 0 &&
           kel_mirror_monitor_set(1, &p6) == 0 && kel_mirror_mirrored_set(1, &p5, KEL_DRV_MIRROR_BOTH) == 0 &&
           kel_port_block_set(&p5, KEL_DRV_BLOCK_UNKNOWN_UNICAST, 1) == 0 &&
           kel_static_mcast_add(group, 1, 0, &group_ports) == 0 && kel_static_arl_add(station, 1, &p1) == 0;
}

bool acl_setup(const ifport *ports, int n) {
    uint32_t mac = 0, ip = 0;
    kel_drv_acl_filter deny{}, redirect{}, tcp{}, icmp{}, any{};
    deny.action = KEL_DRV_ACL_DENY;
    deny.src_mac[5] = 0x42;
    std::memset(deny.src_mac_mask, 0xFF, 6);
    redirect.action = any.action = tcp.action = icmp.action = KEL_DRV_ACL_PERMIT;
    redirect.ethertype = 0x88B6;
    tcp.protocol = KEL_DRV_PROTO_TCP;
    tcp.dst_port = 80;
    icmp.protocol = KEL_DRV_PROTO_ICMP;
    icmp.icmp_match = KEL_DRV_MATCH_ICMP_TYPE | KEL_DRV_MATCH_ICMP_CODE;
    icmp.icmp_type = 8;
    ifport to{1, 0, 7};
    bool ok = kel_acl_create("m", KEL_DRV_ACL_TYPE_MAC, &mac) == 0 &&
              kel_acl_create("i", KEL_DRV_ACL_TYPE_IP, &ip) == 0 &&
              kel_acl_mac_filter_add(mac, &deny, 0, nullptr) == 0 &&
              kel_acl_mac_filter_add(mac, &redirect, 0, &to) == 0 &&
              kel_acl_mac_filter_add(mac, &any, 0, nullptr) == 0 &&
              kel_acl_ip_filter_add(ip, &tcp, 0, nullptr) == 0 &&
              kel_acl_ip_filter_add(ip, &icmp, 0, nullptr) == 0;
    for (int i = 0; i < n; ++i)
        ok = ok && kel_acl_filter_install("m", KEL_DRV_ACL_TYPE_MAC, &ports[i]) == 0 &&
             kel_acl_filter_install("i", KEL_DRV_ACL_TYPE_IP, &ports[i]) == 0;
    return ok;
}

// The switch with the policy settings of one configuration byte.
bool configure(uint8_t c) {
    if (!kelsim::reset(fuzz::kLayout) || !forwarding_setup()) return false;
    const ifport ports[] = {{1, 0, 1}, {1, 0, 2}, {1, 0, 3}, {1, 0, 4}, {1, 0, 7}, {1, 0, 8}};
    const int n = 6;
    bool ok = !(c & kAcls) || acl_setup(ports, n);
    for (int i = 0; i < n && ok; ++i) {
        const ifport *p = &ports[i];
        if (c & kPortSecurity)
            ok = kel_portsecu_enable_set(p, 1) == 0 && kel_portsecu_maxaddr_set(p, 2) == 0 &&
                 kel_portsecu_violation_set(p, (c >> 6) % 3) == 0;
        if (ok && (c & kDot1x))
            ok = kel_dot1x_port_ctrl_set(p, KEL_DRV_DOT1X_AUTO) == 0 &&
                 kel_dot1x_guest_vlan_set(p, i == 2 ? 20 : 0) == 0 && kel_dot1x_multi_host_set(p, i & 1) == 0;
        if (ok && (c & kLimits))
            ok = kel_storm_ctrl_set(p, static_cast<uint32_t>(i % 3), 5) == 0 &&
                 kel_qos_rx_rate_set(p, 64, 1) == 0 && kel_qos_tx_rate_set(p, 64, 0) == 0;
    }
    const uint8_t authorized[6] = {0x02, 0, 0, 0, 0, 2};
    if (ok && (c & kDot1x)) {
        ok = kel_dot1x_status_set(1) == 0;
        kelsim::with_model([&](Model &m) { ok = ok && dot1x_authorize(m, 1, 2, authorized) == KEL_DRV_OK; });
    }
    if (ok && (c & kIgmp))
        ok = kel_igmpsnoop_status_set(1) == 0 && kel_igmpsnoop_vlan_set(1, 1) == 0 &&
             kel_igmpsnoop_vlan_set(10, 1) == 0 && kel_igmpsnoop_ileave_set(10, 1) == 0;
    if (ok && (c & kDhcp))
        ok = kel_dhcpsnoop_status_set(1) == 0 && kel_dhcpsnoop_vlan_set(1, 1) == 0 &&
             kel_dhcpsnoop_vlan_set(10, 1) == 0 && kel_dhcpsnoop_trust_set(&ports[1], 1) == 0;
    return ok;
}

View &view(uint8_t config) {
    static std::unique_ptr<View> v;
    static int configured = -1;
    if (configured != config) {
        fuzz::open_switch();
        if (!configure(config)) std::abort();
        if (!v) v = std::make_unique<View>();
        kelsim::with_model([&](Model &m) {
            compile_view(m, *v);
            v->now = v->clock_last = clock_now(m);
        });
        configured = config;
    }
    return *v;
}

// What the frame changed, into the model; the View compiled again from it.
void apply(View &v, Effects &fx) {
    if (!fx.event_count) return;
    kelsim::with_model([&](Model &m) {
        for (uint32_t i = 0; i < fx.event_count; ++i) apply_policy_event(m, fx.event[i], v.now);
        for (const DhcpBinding &b : m.proto.binding)
            if (b.used &&
                (!m.topo.exists(b.rec.unit, b.rec.port) || b.rec.vid < 1 || b.rec.vid > KEL_VLAN_MAX))
                std::abort();
        for (const McastGroup &g : m.fwd.mcast)
            if (g.kind && !(g.mac[0] & 1u)) std::abort();
        compile_view(m, v);
    });
    fx.event_count = 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 3) return 0;
    View &v = view(data[2]);
    static Effects fx;
    fx.learned_count = 0;
    std::memset(&fx.counted, 0, sizeof fx.counted);
    int in = data[0] % 24;  // fa1/0/1 .. fa1/0/24
    bool tagged = data[1] & 1;
    uint16_t tpid = data[1] & 2 ? kTpidService : kTpidCustomer,
             tci = static_cast<uint16_t>(data[1] >> 2) * 331u;
    uint32_t len = static_cast<uint32_t>(size - 3);
    std::vector<uint8_t> buf(len + 4);  // exact size, with the ring's headroom
    std::memcpy(buf.data() + 4, data + 3, len);
    Frame f;
    frame_from_wire(f, in, buf.data() + 4, len, len, tagged, tpid, tci);
    Verdict verdict = switch_frame(v, f, fx);
    count_received(fx, f, verdict);
    mirror_monitor(v, in, true);
    apply(v, fx);
    if (verdict != Verdict::forward) return 0;
    if (f.vid < KEL_VLAN_MIN || f.vid > KEL_VLAN_MAX || in_set(f.out, in)) std::abort();
    if (v.policy[in].dot1x == KEL_DRV_DOT1X_UNAUTHORIZED) std::abort();
    int sent = 0;
    for_each_slot(f.out, [&](int s) {
        bool same_trunk = v.port[in].trunk && v.port[in].trunk == v.port[s].trunk;
        if (!in_set(v.sending, s) || !in_set(v.vlan[f.vid].members, s) || same_trunk) std::abort();
        count_sent(fx, s, f.dst(), f.wire + (vlan_sends_tagged(v, f.vid, s) ? 4 : 0));
        mirror_monitor(v, s, false);
        ++sent;
    });
    if (f.redirect >= 0 && sent > 1) std::abort();
    return 0;
}
