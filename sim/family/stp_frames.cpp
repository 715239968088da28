// stp_frames.cpp - what a port's spanning-tree state does to the frames it
// receives: a forwarding port passes them on, a learning port learns their
// source addresses and discards them, any other state discards them. (The
// state also keeps a port from sending: the ports' part of the View counts
// only forwarding ports among those that send.) Control frames were taken
// before this rule, in every state: BPDUs go to the protocol the dataplane
// runs (stp_run.h) after the batch.
#include "dataplane/pipeline.h"

namespace kelsim {

Verdict stp_ingress(View &v, Frame &f, Effects &) {
    switch (v.port[f.in].stp) {
        case KEL_DRV_PORT_STP_FORWARDING:
            return Verdict::forward;
        case KEL_DRV_PORT_STP_LEARNING:
            f.learn_only = 1;
            return Verdict::forward;
        default:
            return Verdict::discard;
    }
}

// The same for the state of the port in the MST instance of the frame's
// VLAN, once it has one.
Verdict stp_vlan_ingress(View &v, Frame &f, Effects &) {
    if (!v.per_instance) return Verdict::forward;
    switch (v.msti_state[v.msti[f.vid]][f.in]) {
        case KEL_DRV_PORT_STP_FORWARDING:
            return Verdict::forward;
        case KEL_DRV_PORT_STP_LEARNING:
            f.learn_only = 1;
            return Verdict::forward;
        default:
            return Verdict::discard;
    }
}

bool is_bpdu(const Frame &f) {
    static const uint8_t address[6] = {0x01, 0x80, 0xC2, 0x00, 0x00, 0x00};
    return std::memcmp(f.dst(), address, 6) == 0;
}

void take_bpdu(View &, Frame &f, Effects &fx) {
    if (fx.bpdu_count == kMaxBpdus) {
        ++fx.bpdu_refused[f.in];
        return;
    }
    BpduIn &in = fx.bpdu[fx.bpdu_count];
    if (stp::decode_mst(f.data, f.len, &in.bpdu, &in.mst, &in.has_mst) != stp::Decoded::ok) {
        ++fx.bpdu_refused[f.in];
        return;
    }
    in.slot = f.in;
    ++fx.bpdu_count;
}

}  // namespace kelsim
