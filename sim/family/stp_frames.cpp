// stp_frames.cpp - what a port's spanning-tree state does to the frames it
// receives: a forwarding port passes them on, a learning port learns their
// source addresses and discards them, any other state discards them. (The
// state also keeps a port from sending: the ports' part of the View counts
// only forwarding ports among those that send.) Control frames were taken
// before this rule, in every state.
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

}  // namespace kelsim
