// qos_frames.cpp - what storm control, rate limits and the CoS map do to
// frames.
//
// Storm control: a port's broadcast, multicast and unknown-unicast frames
// (a unicast destination the MAC table does not know in the frame's VLAN)
// each pass a token bucket of their own, filled in real time at the limit
// (packets per second) and one second of frames deep. Receive and transmit
// rates: a bucket of bytes (frames counted with their FCS) filled at the
// rate (kb/s) and as deep as the burst (KB), or a tenth of a second of the
// rate, at least one largest frame, when the burst is 0. A received frame
// that finds its bucket short is discarded (counted as the port's
// discards); a frame a port may not send for its transmit rate is counted
// as that port's outgoing discard.
//
// Priorities: a frame's priority is its tag's, or its port's for untagged
// frames (vlan_frames.cpp); the CoS map gives its queue. The queues'
// scheduling is not modelled (a port sends at once whatever it is given),
// and the statistics record has no per-queue counters.
#include "dataplane/pipeline.h"
#include "family/arl_table.h"
#include "family/forwarding.h"

namespace kelsim {

namespace {

constexpr uint64_t kLargestFrame = 1522 + kFcs;

// A bucket's new settings; its level stays unless the rate changed.
void set_bucket(Bucket &b, uint64_t rate, uint64_t depth) {
    if (b.rate != rate || b.depth != depth) b.level = static_cast<double>(depth);
    b.rate = rate;
    b.depth = depth;
}

// Takes cost tokens when the bucket holds them.
bool take(Bucket &b, uint64_t now_ns, uint32_t cost) {
    if (now_ns > b.at_ns) {
        b.level += static_cast<double>(now_ns - b.at_ns) * 1e-9 * static_cast<double>(b.rate);
        if (b.level > static_cast<double>(b.depth)) b.level = static_cast<double>(b.depth);
    }
    b.at_ns = now_ns;
    if (b.level < cost) return false;
    b.level -= cost;
    return true;
}

void compile_rate(Bucket &b, const Model &m, const Setting &s, uint32_t unit, uint32_t port) {
    uint32_t v[3];
    setting_read(m, s, port_key(unit, port), v);
    uint64_t bytes = uint64_t{v[0]} * 125, depth = uint64_t{v[1]} * 1024;
    if (!depth) depth = bytes / 10 > kLargestFrame ? bytes / 10 : kLargestFrame;
    set_bucket(b, bytes, v[0] ? depth : 0);
}

}  // namespace

void compile_qos(const Model &m, View &v) {
    std::memcpy(v.cos_map, m.fwd.cos_map, sizeof v.cos_map);
    std::memset(&v.tx_limited, 0, sizeof v.tx_limited);
    for (uint32_t u = 1; u <= kMaxUnits; ++u)
        for (uint32_t p = 1; p <= m.topo.nports[u - 1]; ++p) {
            int slot = slot_of(u, p);
            PolicyPort &pp = v.policy[slot];
            Bucket *b = v.bucket[slot];
            pp.storm = pp.rate = 0;
            if (!v.port[slot].present) continue;
            for (uint32_t type = 0; type < KEL_DRV_STORM_TYPES; ++type) {
                uint32_t pps = read_setting(m, kStormRate, port_sel_key(u, p, type));
                set_bucket(b[kStormBroadcast + type], pps, pps);
                if (pps) pp.storm |= static_cast<uint8_t>(1u << type);
            }
            compile_rate(b[kRateRx], m, kRxRate, u, p);
            compile_rate(b[kRateTx], m, kTxRate, u, p);
            pp.rate = static_cast<uint8_t>((b[kRateRx].rate ? 1 : 0) | (b[kRateTx].rate ? 2 : 0));
            if (pp.rate & 2) add_to(v.tx_limited, slot);
        }
}

Verdict qos_ingress(View &v, Frame &f, Effects &) {
    f.queue = v.cos_map[f.pcp];
    const PolicyPort &p = v.policy[f.in];
    if (!(p.storm | p.rate)) return Verdict::forward;
    Bucket *b = v.bucket[f.in];
    int kind = -1;
    if (is_broadcast(f.dst()))
        kind = KEL_DRV_STORM_BROADCAST;
    else if (is_group(f.dst()))
        kind = KEL_DRV_STORM_MULTICAST;
    else if ((p.storm >> KEL_DRV_STORM_UNKNOWN_UNICAST & 1u) &&
             arl_find(v.fdb, f.dst(), f.vid) == kArlNowhere)
        kind = KEL_DRV_STORM_UNKNOWN_UNICAST;
    if (kind >= 0 && (p.storm >> kind & 1u) && !take(b[kStormBroadcast + kind], v.now_ns, 1))
        return Verdict::discard;
    if ((p.rate & 1) && !take(b[kRateRx], v.now_ns, f.wire)) return Verdict::discard;
    return Verdict::forward;
}

Verdict qos_egress(View &v, Frame &f, Effects &fx) {
    iflist limited;
    bool any = false;
    for (int w = 0; w < KEL_IFLIST_WORDS; ++w)
        any |= (limited.word[w] = f.out.word[w] & v.tx_limited.word[w]) != 0;
    if (!any) return Verdict::forward;
    for_each_slot(limited, [&](int slot) {
        if (take(v.bucket[slot][kRateTx], v.now_ns, f.wire)) return;
        remove_from(f.out, slot);
        count_not_sent(fx, slot, 1, false);
    });
    return Verdict::forward;
}

}  // namespace kelsim
