// gvrp_run.h - GVRP on the wire, as the dataplane runs it: the participant
// (proto/garp_participant.h) fed with the PDUs the ports took, the View's
// settings and the clock. Every GVRP port declares the VLANs that exist on
// the switch by configuration and those another port registered (so that a
// registration travels on through the switch); the registrations go into
// the model whenever the dataplane next holds the lock: a VLAN registered
// on a port has the port as a tagged member, and one that did not exist
// comes into being (a dynamic VLAN) until its last registration ends.
#pragma once

#include <cstdint>

#include "dataplane/frame.h"
#include "proto/garp_participant.h"

namespace kelsim {

struct GvrpFrame {
    int slot;
    uint32_t len;
    uint8_t data[garp::kMaxFrame];
};

class GvrpRunner final : private garp::Actions {
public:
    // The settings and links of a View just compiled.
    void configure(View &v, Effects &fx, uint64_t now_ms);
    // The PDUs the ports took (fx.garp), then the clock (milliseconds).
    void step(View &v, Effects &fx, uint64_t now_ms);
    uint32_t outgoing() const { return out_count_; }
    const GvrpFrame &frame(uint32_t i) const { return out_[i]; }
    void sent() { out_count_ = 0; }
    // The registrations and counters, into the model (under its lock);
    // true when the VLAN table changed (the View is to be compiled again).
    bool publish(Model &m);
    // The model as that of a switch where no GVRP runs on the wire: no
    // registration, no dynamic VLAN.
    static void retire(Model &m);

private:
    void transmit(int port, const garp::Message *msg, uint32_t n) override;
    void redeclare(const View &v, uint64_t now_ms);

    static constexpr uint32_t kOut = 2 * kSlots;
    garp::Participant part_;
    View *v_ = nullptr;
    GvrpFrame out_[kOut];
    uint32_t out_count_ = 0;
    uint32_t refused_[kSlots] = {};
    uint64_t generation_ = 0;            // the participant's, last declared from
    uint64_t published_ = ~uint64_t{0};  // ... last published
    uint16_t others_[garp::kVids] = {};
};

}  // namespace kelsim
