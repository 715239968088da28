// Frames through the switching pipeline as the dataplane hands them over:
// the first byte chooses the ingress port, the second the tag the kernel
// took off (if any), the rest is the frame. Against a switch with VLANs, a
// trunk, a mirror, a group, a static entry and a blocking port, whatever a
// frame holds, a forwarded frame has a VLAN and leaves only by ports that
// may send and are members of that VLAN, never by its own port or trunk.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "dataplane/pipeline.h"
#include "kel.h"
#include "sim_switch.h"

namespace {

using namespace kelsim;

View &view() {
    static std::unique_ptr<View> v = [] {
        fuzz::open_switch();
        ifport p1{1, 0, 1}, p2{1, 0, 2}, p5{1, 0, 5}, p6{1, 0, 6};
        vlanlist both{};
        both.word[0] = 1u << 9 | 1u << 19;  // VLANs 10 and 20
        iflist trunk{}, group_ports{};
        trunk.word[0] = 1u << 2 | 1u << 3;
        group_ports.word[0] = 1u << 4 | 1u << 5;
        const uint8_t group[6] = {0x01, 0x00, 0x5E, 0, 0, 1}, station[6] = {0x02, 0, 0, 0, 0, 1};
        bool ok = kel_vlan_create(10) == 0 && kel_vlan_create(20) == 0 &&
                  kel_port_vlan_mode_set(&p2, 10, KEL_DRV_VLAN_MODE_TRUNK) == 0 &&
                  kel_port_allow_vlans_add(&p2, &both, KEL_DRV_ALLOW_TAGGED) == 0 &&
                  kel_port_ifilter_set(&p1, 1) == 0 && kel_static_trunk_set(1, &trunk) == 0 &&
                  kel_mirror_monitor_set(1, &p6) == 0 &&
                  kel_mirror_mirrored_set(1, &p5, KEL_DRV_MIRROR_BOTH) == 0 &&
                  kel_port_block_set(&p5, KEL_DRV_BLOCK_UNKNOWN_UNICAST, 1) == 0 &&
                  kel_static_mcast_add(group, 1, 0, &group_ports) == 0 &&
                  kel_static_arl_add(station, 1, &p1) == 0;
        if (!ok) std::abort();
        auto made = std::make_unique<View>();
        kelsim::with_model([&](Model &m) {
            compile_view(m, *made);
            made->now = made->clock_last = clock_now(m);
        });
        return made;
    }();
    return *v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2) return 0;
    View &v = view();
    static Effects fx;
    fx.learned_count = 0;
    std::memset(&fx.counted, 0, sizeof fx.counted);
    int in = data[0] % 24;  // fa1/0/1 .. fa1/0/24
    bool tagged = data[1] & 1;
    uint16_t tpid = data[1] & 2 ? kTpidService : kTpidCustomer,
             tci = static_cast<uint16_t>(data[1] >> 2) * 331u;
    uint32_t len = static_cast<uint32_t>(size - 2);
    std::vector<uint8_t> buf(len + 4);  // exact size, with the ring's headroom
    std::memcpy(buf.data() + 4, data + 2, len);
    Frame f;
    frame_from_wire(f, in, buf.data() + 4, len, len, tagged, tpid, tci);
    Verdict verdict = switch_frame(v, f, fx);
    count_received(fx, f, verdict);
    mirror_monitor(v, in, true);
    if (verdict != Verdict::forward) return 0;
    if (f.vid < KEL_VLAN_MIN || f.vid > KEL_VLAN_MAX || in_set(f.out, in)) std::abort();
    for_each_slot(f.out, [&](int s) {
        bool same_trunk = v.port[in].trunk && v.port[in].trunk == v.port[s].trunk;
        if (!in_set(v.sending, s) || !in_set(v.vlan[f.vid].members, s) || same_trunk) std::abort();
        count_sent(fx, s, f.dst(), f.wire + (vlan_sends_tagged(v, f.vid, s) ? 4 : 0));
        mirror_monitor(v, s, false);
    });
    return 0;
}
