// lacp_run.h - LACP on the wire, as the dataplane runs it: the protocol
// (proto/lacp_system.h) fed with the LACPDUs the dynamic trunks' members
// took and the settings of the View; which members collect and distribute
// goes into the View at once (frames follow from the next one on) and the
// outcome into the model, for the records, whenever the dataplane next
// holds the lock.
#pragma once

#include <cstdint>

#include "dataplane/frame.h"
#include "proto/lacp_system.h"

namespace kelsim {

struct LacpFrame {
    int slot;
    uint8_t data[lacp::kFrameSize];
};

class LacpRunner final : private lacp::Actions {
public:
    // The settings and links of a View just compiled.
    void configure(View &v, Effects &fx);
    // The LACPDUs the ports took (fx.lacpdu), then the clock (milliseconds).
    void step(View &v, Effects &fx, uint64_t now_ms);
    uint32_t outgoing() const { return out_count_; }
    const LacpFrame &frame(uint32_t i) const { return out_[i]; }
    void sent() { out_count_ = 0; }
    // The outcome, into the model (under its lock).
    void publish(Model &m) const;
    // The model as that of a switch where no LACP runs on the wire.
    static void retire(Model &m);

private:
    void transmit(int port, const lacp::Pdu &p) override;
    void apply(View &v, Effects &fx);

    static constexpr uint32_t kOut = 2 * kSlots;
    lacp::System system_;
    View *v_ = nullptr;
    LacpFrame out_[kOut];
    uint32_t out_count_ = 0;
    uint32_t received_[kSlots] = {}, sent_[kSlots] = {}, refused_[kSlots] = {};
    uint64_t last_tick_ = 0;
};

}  // namespace kelsim
