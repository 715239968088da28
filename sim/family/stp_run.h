// stp_run.h - the spanning tree on the wire, as the dataplane runs it: the
// protocol (proto/stp_bridge.h) fed with the BPDUs its ports took and the
// settings of the View; its port states go into the View at once (frames
// follow them from the next one on) and its outcome into the model, for the
// records, whenever the dataplane next holds the lock.
#pragma once

#include <cstdint>

#include "dataplane/frame.h"
#include "proto/mst_bridge.h"

namespace kelsim {

struct StpFrame {
    int slot;
    uint32_t len;
    uint8_t data[stp::kMaxFrameSize];
};

class SpanningTree final : private stp::Actions {
public:
    // The settings and links of a View just compiled; answers whether the
    // View's port states changed.
    bool configure(View &v, Effects &fx);
    // The BPDUs the ports took (fx.bpdu), then the clock (milliseconds);
    // the decisions go into the View and fx. Answers whether the View's
    // port states changed.
    bool step(View &v, Effects &fx, uint64_t now_ms);
    // The BPDUs to send since the last call of sent().
    uint32_t outgoing() const { return out_count_; }
    const StpFrame &frame(uint32_t i) const { return out_[i]; }
    void sent() { out_count_ = 0; }
    // The outcome, into the model (under its lock).
    void publish(Model &m) const;
    // The model as that of a bridge whose spanning tree does not run on the
    // wire (a dataplane that stops, or spanning tree switched off): the
    // states the protocol gave, and its outcome, forgotten.
    static void retire(Model &m);

private:
    void transmit(int port, const stp::Bpdu &b) override;
    void transmit_mst(int port, const stp::Bpdu &b, const stp::Mst &m) override;
    StpFrame *next_frame(int port);
    void flush(int port) override;
    bool apply(View &v);
    bool apply_instances(View &v, bool running);
    stp::State best_state(int slot) const;

    static constexpr uint32_t kOut = 2 * kSlots;
    stp::MstBridge bridge_;
    View *v_ = nullptr;
    Effects *fx_ = nullptr;
    StpFrame out_[kOut];
    uint32_t out_count_ = 0;
    uint32_t received_[kSlots] = {}, sent_[kSlots] = {}, refused_[kSlots] = {};
    uint64_t last_tick_ = 0;
    bool was_running_ = false;
};

}  // namespace kelsim
