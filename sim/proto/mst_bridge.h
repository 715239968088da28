// mst_bridge.h - the multiple spanning tree of one bridge: the common tree
// (a Bridge of stp_bridge.h in mode mstp, its vectors holding the regional
// root and internal cost) and one rapid tree per MST instance within the
// region (a Bridge each, fed with the instance's messages), their BPDUs
// sent together as MST BPDUs. In modes stp and rstp only the common tree
// runs, as Bridge alone does. Pure, like Bridge: no I/O, no clock, no
// allocation.
//
// A port is internal while its neighbour sends MST BPDUs of this region
// (or sends nothing); otherwise it is a boundary port, where every instance
// takes the common tree's role and state (the common tree's root port
// there is the region's master port, which reads as a root port in every
// instance, beside the instance's own root port). Inside the region an instance
// elects its regional root by its own bridge priorities and costs; its
// messages count hops down from the max hops, one that arrives with none
// left is discarded. Proposal and agreement run per instance as they do in
// the rapid tree. What the common tree does not do: its message age still
// grows inside the region (hops are sent as the max hops), and a topology
// change of an instance forgets a port's stations of every VLAN.
#pragma once

#include <cstdint>

#include "proto/mst_bpdu.h"
#include "proto/stp_bridge.h"

namespace kelsim::stp {

constexpr int kInstances = 16;  // 0, the common one, and 1..15

struct MstConfig {
    ConfigId id;                                // this bridge's region
    uint32_t max_hops;                          // 1..40
    uint16_t instances;                         // bit k: instance k (1..15) exists
    uint32_t priority[kInstances];              // the bridge's, per instance
    uint8_t port_priority[kInstances][kPorts];  // 0..240
    uint32_t port_cost[kInstances][kPorts];     // the path cost in use
};

class MstBridge {
public:
    MstBridge();
    MstBridge(const MstBridge &) = delete;  // (its trees report to it by address)
    MstBridge &operator=(const MstBridge &) = delete;
    void configure(const BridgeConfig &b, const PortConfig *ports, const MstConfig &m, Actions &a);
    // A BPDU, with its multiple tree's part when it has one (else null).
    void receive(int port, const Bpdu &b, const Mst *m, Actions &a);
    void tick(uint64_t now_ms, Actions &a);

    const Bridge &cist() const { return cist_; }
    bool running() const { return cist_.running(); }
    bool instance(int k) const { return k == 0 || (k < kInstances && mst() && (cfg_.instances >> k & 1u)); }
    bool boundary(int port) const { return !cist_.internal(port); }
    // Instance k's view (k 0: the common tree's).
    Role role(int k, int port) const;
    State state(int k, int port) const;
    const Vector &root(int k) const { return k && instance(k) ? msti_[k - 1].root() : cist_.root(); }

private:
    struct Relay final : Actions {
        MstBridge *owner;
        void transmit(int port, const Bpdu &b) override;
        void flush(int port) override { owner->out_->flush(port); }
    };
    bool mst() const { return mode_ == Mode::mstp; }
    bool follows_cist(int k, int port) const { return k == 0 || !instance(k) || boundary(port); }
    void configure_instances();
    void send_pending();
    MstiMessage message(int k, int port, const Bpdu &cist) const;

    Mode mode_ = Mode::stp;
    BridgeConfig bridge_{};
    PortConfig port_[kPorts], scratch_[kPorts];
    MstConfig cfg_;
    Bridge cist_;
    Bridge msti_[kInstances - 1];
    Relay relay_;
    Actions *out_ = nullptr;
    bool pending_[kPorts];
};

}  // namespace kelsim::stp
