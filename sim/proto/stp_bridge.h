// stp_bridge.h - the spanning tree of one bridge: the original spanning
// tree and the rapid one, with a port falling back to the original's BPDUs
// when its neighbour sends them. Pure: BPDUs and the passing of time go in,
// BPDUs to send and stations to forget come out through Actions, and the
// outcome (the root, each port's role and state, the topology changes) is
// read back. No I/O, no clock of its own, no allocation.
//
// A port's state advances as the protocol says: a designated port of the
// rapid tree on a point-to-point link forwards once its neighbour agrees to
// its proposal, a root port at once (the ports it replaces are discarding by
// then); any other root or designated port spends a forward delay listening
// (original tree) or discarding, a forward delay learning, then forwards.
// An edge port forwards at once and stops being one at its first BPDU. A
// port with BPDU guard is shut by any BPDU until its link goes down.
#pragma once

#include <cstdint>

#include "proto/stp_bpdu.h"

namespace kelsim::stp {

// In the order of the driver's records (KEL_DRV_STP_ROLE_*).
enum class Role : uint8_t { disabled, root, designated, alternate, backup };
// In the order of the port's spanning-tree state (KEL_DRV_PORT_STP_* - 1).
enum class State : uint8_t { disabled, discarding, listening, learning, forwarding };
enum class Mode : uint8_t { stp, rstp, mstp };  // KEL_DRV_STP_MODE_*

constexpr int kPorts = 256;

struct BridgeConfig {
    bool enabled;
    Mode mode;
    uint32_t priority;  // 0..61440
    uint8_t mac[6];
    uint32_t max_age, hello, forward_delay;  // seconds
    uint32_t tx_hold;                        // BPDUs a port may send in a second
};

struct PortConfig {
    bool present;       // takes part in the spanning tree
    bool link;          // its link is up
    uint16_t number;    // 1..4095, its part of the port identifier
    uint32_t priority;  // 0..240
    uint32_t cost;      // the path cost in use
    bool edge, point_to_point, bpdu_guard;
};

struct Mst;  // mst_bpdu.h

// What the protocol has the switch do.
class Actions {
public:
    virtual void transmit(int port, const Bpdu &b) = 0;
    // An MST BPDU (mst_bridge.h): the rapid part and the multiple tree's.
    virtual void transmit_mst(int, const Bpdu &, const Mst &) {}
    virtual void flush(int port) = 0;  // forgets the stations learned on the port
protected:
    ~Actions() = default;
};

class Bridge {
public:
    Bridge();
    // Takes the settings and each port's link: a port whose link came up
    // starts afresh, one whose link went down is disabled (and no longer shut).
    void configure(const BridgeConfig &b, const PortConfig *ports, Actions &a);
    void receive(int port, const Bpdu &b, Actions &a) { receive(port, b, false, a); }
    // Multiple tree (mode mstp): internal says the sender is in this
    // bridge's region, its vector holding the regional root and internal
    // cost; otherwise the caller gives them as the sender and 0.
    void receive(int port, const Bpdu &b, bool internal, Actions &a);
    // The clock (milliseconds, any origin, never going back) moved to now.
    void tick(uint64_t now_ms, Actions &a);

    bool running() const { return cfg_.enabled; }
    Role role(int port) const { return port_[port].role; }
    State state(int port) const;
    bool shut(int port) const { return port_[port].shut; }
    bool edge(int port) const { return port_[port].oper_edge; }
    const Vector &root() const { return root_; }  // root, cost to it, this bridge, 0
    int root_port() const { return root_port_; }  // -1: this bridge is the root
    uint32_t topology_changes() const { return tc_count_; }
    bool internal(int port) const { return port_[port].internal; }
    // What the port would send now, without sending it (false: nothing).
    bool compose(int port, Bpdu *b) const;

private:
    enum class Info : uint8_t { disabled, mine, aged, received };
    struct Port {
        PortConfig cfg;
        uint16_t id;
        bool enabled, shut;
        Info info;
        Role role;
        Vector vec, designated;  // the port's priority vector, and what it would send as designated
        Times times, designated_times;
        bool learning, forwarding, proposing, proposed, agreed, agree, oper_edge, send_rstp, new_info;
        bool tc_ack, tcn_pending, tc_seen;  // original tree: acknowledge, notify, flag seen from the root
        bool internal;                      // multiple tree: the neighbour is in this region
        uint32_t fd_while, info_while, hello_when, tc_while, tx_count;  // milliseconds; tx_count BPDUs
    };

    void start_port(Port &p);
    void stop_port(int i, Actions &a);
    void shut_port(int i, Actions &a);
    void reselect();
    void set_role(Port &p, Role r);
    void discard(Port &p);
    void update_states(Actions &a);
    void forward(int i, Actions &a);
    void topology_change(int origin, bool detected, Actions &a);
    void take_designated(int i, const Bpdu &b, Actions &a);
    void take_proposal(int i);
    void transmit(int i, Actions &a);
    void transmit_all(Actions &a);
    bool legacy(const Port &p) const { return cfg_.mode == Mode::stp || !p.send_rstp; }
    uint32_t ms(uint16_t t) const { return static_cast<uint32_t>(t) * 1000u / kSecond; }
    uint32_t forward_delay() const { return ms(root_times_.forward_delay); }
    uint32_t hello() const { return cfg_.hello * 1000u; }
    bool changing() const;

    BridgeConfig cfg_;
    uint64_t id_ = 0;
    Vector root_{};
    Times root_times_{};
    int root_port_ = -1;
    uint32_t tc_count_ = 0, root_tc_while_ = 0, second_ = 0;
    uint64_t now_ = 0;
    bool started_ = false;
    Port port_[kPorts];
};

}  // namespace kelsim::stp
