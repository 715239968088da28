// stp_bridge.cpp - one bridge's spanning tree (see stp_bridge.h).
#include "proto/stp_bridge.h"

#include <cstring>

namespace kelsim::stp {

namespace {

constexpr uint64_t kMacBits = 0x0000FFFFFFFFFFFFull;

uint32_t add_cost(uint32_t a, uint32_t b) { return a + b < a ? UINT32_MAX : a + b; }
uint32_t count_down(uint32_t t, uint32_t elapsed) { return t > elapsed ? t - elapsed : 0; }

}  // namespace

Bridge::Bridge() : cfg_{} { std::memset(static_cast<void *>(port_), 0, sizeof port_); }

State Bridge::state(int i) const {
    const Port &p = port_[i];
    if (!cfg_.enabled || !p.enabled) return State::disabled;
    if (p.forwarding) return State::forwarding;
    if (p.learning) return State::learning;
    bool active = p.role == Role::root || p.role == Role::designated;
    return active && legacy(p) ? State::listening : State::discarding;
}

// ---- Settings and links ---------------------------------------------------------

void Bridge::configure(const BridgeConfig &b, const PortConfig *ports, Actions &a) {
    bool restart = !started_ || b.mode != cfg_.mode || b.enabled != cfg_.enabled;
    cfg_ = b;
    started_ = true;
    id_ = bridge_id(b.priority, b.mac);
    for (int i = 0; i < kPorts; ++i) {
        Port &p = port_[i];
        bool was = p.enabled, was_edge = p.cfg.edge;
        p.cfg = ports[i];
        p.id = port_id(p.cfg.priority, p.cfg.number);
        if (!p.cfg.link) p.shut = false;
        bool now = b.enabled && p.cfg.present && p.cfg.link && !p.shut;
        if (was && (!now || restart)) stop_port(i, a);
        if (now && (!was || restart))
            start_port(p);
        else if (now && p.cfg.edge != was_edge)
            p.oper_edge = p.cfg.edge;
    }
    if (!b.enabled) return;
    reselect();
    update_states(a);
    transmit_all(a);
}

void Bridge::start_port(Port &p) {
    p.enabled = true;
    p.info = Info::aged;
    p.role = Role::disabled;
    p.oper_edge = p.cfg.edge;
    p.send_rstp = cfg_.mode != Mode::stp;
    p.learning = p.forwarding = p.proposing = p.proposed = p.agreed = p.agree = false;
    p.tc_ack = p.tcn_pending = p.tc_seen = false;
    p.internal = true;
    p.fd_while = p.info_while = p.hello_when = p.tc_while = p.tx_count = 0;
    p.new_info = true;
}

void Bridge::stop_port(int i, Actions &a) {
    Port &p = port_[i];
    bool was_forwarding = p.forwarding;
    p.enabled = false;
    p.info = Info::disabled;
    set_role(p, Role::disabled);
    if (was_forwarding && cfg_.enabled) a.flush(i);
}

void Bridge::shut_port(int i, Actions &a) {
    port_[i].shut = true;
    stop_port(i, a);
    reselect();
    update_states(a);
}

// ---- Roles ------------------------------------------------------------------------

// The root priority vector, the root port and every port's role, from what
// the ports received.
void Bridge::reselect() {
    bool mst = cfg_.mode == Mode::mstp;
    Vector best{id_, 0, id_, 0, mst ? id_ : 0, 0};
    uint16_t best_port = 0;
    int rp = -1;
    for (int i = 0; i < kPorts; ++i) {
        const Port &p = port_[i];
        if (!p.enabled || p.info != Info::received || (p.vec.bridge & kMacBits) == (id_ & kMacBits)) continue;
        Vector c = p.vec;
        if (mst && p.internal)  // within the region: toward the regional root
            c.icost = add_cost(c.icost, p.cfg.cost);
        else  // from outside: this bridge would be its region's root
            c.cost = add_cost(c.cost, p.cfg.cost), c.rroot = mst ? id_ : 0, c.icost = 0;
        int d = compare(c, best);
        if (d < 0 || (d == 0 && rp >= 0 && p.id < best_port)) best = c, best_port = p.id, rp = i;
    }
    best.bridge = id_;
    best.port = 0;
    root_ = best;
    root_port_ = rp;
    if (rp >= 0) {
        root_times_ = port_[rp].times;
        root_times_.message_age = static_cast<uint16_t>(root_times_.message_age + kSecond);
    } else {
        root_times_ = {0, static_cast<uint16_t>(cfg_.max_age * kSecond),
                       static_cast<uint16_t>(cfg_.hello * kSecond),
                       static_cast<uint16_t>(cfg_.forward_delay * kSecond)};
    }
    for (int i = 0; i < kPorts; ++i) {
        Port &p = port_[i];
        if (!p.enabled) continue;
        p.designated = {root_.root, root_.cost, id_, p.id, root_.rroot, root_.icost};
        p.designated_times = root_times_;
        Role r = Role::designated;
        if (i == rp)
            r = Role::root;
        else if (p.info == Info::received && compare(p.designated, p.vec) >= 0)
            r = (p.vec.bridge & kMacBits) == (id_ & kMacBits) ? Role::backup : Role::alternate;
        if (r == Role::designated &&
            (p.info != Info::mine || p.vec != p.designated || !(p.times == p.designated_times))) {
            if (p.info == Info::mine && compare(p.designated, p.vec) > 0) p.agreed = false;  // worse news
            p.info = Info::mine;
            p.vec = p.designated;
            p.times = p.designated_times;
            p.new_info = true;
        }
        if (r != Role::root && r != Role::alternate && r != Role::backup) p.agree = false;
        set_role(p, r);
    }
}

void Bridge::set_role(Port &p, Role r) {
    if (p.role == r) return;
    Role was = p.role;
    p.role = r;
    p.new_info = true;
    if (r == Role::disabled || r == Role::alternate || r == Role::backup) {
        discard(p);
        return;
    }
    if (r == Role::designated) {
        p.agreed = false;
        if (!p.forwarding) p.proposing = true;
    }
    if (was == Role::disabled || was == Role::alternate || was == Role::backup) p.fd_while = forward_delay();
}

void Bridge::discard(Port &p) {
    p.learning = p.forwarding = p.proposing = p.agreed = false;
    p.fd_while = forward_delay();
}

// ---- States -----------------------------------------------------------------------

// Ports that may advance do so: an edge port, an agreed designated port and
// a root port of the rapid tree forward at once; the others when their
// forward delay ran out (in tick).
void Bridge::update_states(Actions &a) {
    for (int i = 0; i < kPorts; ++i) {
        Port &p = port_[i];
        if (!p.enabled || p.forwarding) continue;
        bool fast = p.role == Role::designated && (p.oper_edge || (p.agreed && !legacy(p)));
        fast = fast || (p.role == Role::root && !legacy(p));
        if (fast) forward(i, a);
    }
}

void Bridge::forward(int i, Actions &a) {
    Port &p = port_[i];
    p.learning = p.forwarding = true;
    p.proposing = false;
    p.new_info = true;
    if (!p.oper_edge) topology_change(i, true, a);
}

// A change of the active topology, detected on a port (it began to forward)
// or told by a neighbour through it: the stations learned on every other
// port are forgotten, and the news goes on through the other ports.
void Bridge::topology_change(int origin, bool detected, Actions &a) {
    if (detected || !changing()) ++tc_count_;  // news of a change under way is not another
    for (int i = 0; i < kPorts; ++i) {
        Port &p = port_[i];
        if (!p.enabled || p.oper_edge) continue;
        if (i != origin) a.flush(i);
        if ((i == origin && !detected) || (p.role != Role::root && p.role != Role::designated)) continue;
        if (!legacy(p)) {
            p.tc_while = 2 * hello();
            p.new_info = true;
        }
    }
    if (root_port_ < 0) {
        root_tc_while_ = ms(root_times_.max_age) + forward_delay();
    } else if (legacy(port_[root_port_]) && !(origin == root_port_ && !detected)) {
        port_[root_port_].tcn_pending = true;
        port_[root_port_].new_info = true;
    }
}

bool Bridge::changing() const {
    if (root_tc_while_) return true;
    for (const Port &p : port_)
        if (p.enabled && (p.tc_while || p.tcn_pending || p.tc_seen)) return true;
    return false;
}

// ---- BPDUs in ----------------------------------------------------------------------

void Bridge::receive(int i, const Bpdu &in, bool internal, Actions &a) {
    if (i < 0 || i >= kPorts || !cfg_.enabled || !port_[i].enabled) return;
    Port &p = port_[i];
    if (cfg_.mode == Mode::mstp && internal != p.internal) {  // another neighbour: its news anew
        p.internal = internal;
        if (p.info == Info::received) p.info = Info::aged;
    }
    if (p.cfg.bpdu_guard) {
        shut_port(i, a);
        transmit_all(a);
        return;
    }
    Bpdu b = in;
    if (cfg_.mode == Mode::stp && b.kind == Kind::rst) {  // taken as the configuration it carries
        b.kind = Kind::config;
        b.flags &= kFlagTc | kFlagTcAck;
    }
    p.oper_edge = false;
    if (cfg_.mode != Mode::stp) p.send_rstp = b.kind == Kind::rst;
    if (b.kind == Kind::tcn) {
        if (p.role == Role::designated) {
            p.tc_ack = p.new_info = true;
            topology_change(i, false, a);
        }
    } else if (b.v.bridge == id_ && b.v.port == p.id) {
        return;  // its own BPDU, back on the port that sent it
    } else if (b.kind == Kind::config || b.role() == WireRole::designated) {
        take_designated(i, b, a);
    } else if (p.role == Role::designated && (b.flags & kFlagAgreement) && compare(b.v, p.designated) >= 0) {
        p.agreed = true;  // a root or alternate port beyond agrees to what this port proposed
        p.proposing = false;
    }
    if (b.kind == Kind::rst && (b.flags & kFlagTc) && (p.role == Role::root || p.role == Role::designated))
        topology_change(i, false, a);
    update_states(a);
    transmit_all(a);
}

// A BPDU of the segment's designated port: better than what the port has,
// new words from the same sender, the same again, or worse from another.
void Bridge::take_designated(int i, const Bpdu &b, Actions &a) {
    Port &p = port_[i];
    bool same_sender = b.v.bridge == p.vec.bridge && b.v.port == p.vec.port;
    bool repeated = p.info == Info::received && b.v == p.vec && b.t == p.times;
    uint16_t hello = b.t.hello > kSecond ? b.t.hello : kSecond;
    uint32_t keep = b.t.message_age + kSecond <= b.t.max_age ? 3 * ms(hello) : 1;  // too old: ages at once
    if (repeated) {
        p.info_while = keep;
    } else if (compare(b.v, p.vec) < 0 || same_sender || p.info == Info::aged) {
        p.info = Info::received;
        p.vec = b.v;
        p.times = b.t;
        p.info_while = keep;
        p.agreed = p.agree = false;
        reselect();
    } else {
        if (p.role == Role::designated) p.new_info = true;  // a worse claim: this port tells it better
        return;
    }
    if (p.info != Info::received) return;
    if (b.kind == Kind::rst && (b.flags & kFlagProposal)) {
        p.proposed = true;
        take_proposal(i);
    }
    if (b.kind != Kind::config || i != root_port_) return;
    bool tc = b.flags & kFlagTc;
    if (tc && !p.tc_seen) topology_change(i, false, a);
    p.tc_seen = tc;
    if (b.flags & kFlagTcAck) p.tcn_pending = false;
}

// A proposal on a root port: every other designated port that forwards
// without its neighbour's agreement discards (and proposes in turn), after
// which this bridge agrees; an alternate or backup port discards already.
void Bridge::take_proposal(int i) {
    Port &p = port_[i];
    if (legacy(p) || (p.role != Role::root && p.role != Role::alternate && p.role != Role::backup)) return;
    if (p.role == Role::root)
        for (Port &q : port_)
            if (&q != &p && q.enabled && q.role == Role::designated && !q.oper_edge && !q.agreed &&
                (q.learning || q.forwarding)) {
                discard(q);
                q.proposing = q.new_info = true;
            }
    p.proposed = false;
    p.agree = p.new_info = true;
}

// ---- Time ---------------------------------------------------------------------------

void Bridge::tick(uint64_t now_ms, Actions &a) {
    if (!now_) {  // the first reading only sets the clock
        now_ = now_ms;
        return;
    }
    uint32_t elapsed =
        now_ms > now_ ? (now_ms - now_ > 60000 ? 60000 : static_cast<uint32_t>(now_ms - now_)) : 0;
    now_ = now_ms > now_ ? now_ms : now_;
    if (!cfg_.enabled || elapsed == 0) return;
    second_ += elapsed;
    bool new_second = second_ >= 1000;
    if (new_second) second_ %= 1000;
    root_tc_while_ = count_down(root_tc_while_, elapsed);
    bool aged = false;
    for (int i = 0; i < kPorts; ++i) {
        Port &p = port_[i];
        if (!p.enabled) continue;
        if (new_second && p.tx_count) --p.tx_count;
        p.tc_while = count_down(p.tc_while, elapsed);
        if (p.info == Info::received && p.info_while && !(p.info_while = count_down(p.info_while, elapsed))) {
            p.info = Info::aged;
            aged = true;
        }
        if (p.hello_when && !(p.hello_when = count_down(p.hello_when, elapsed))) p.new_info = true;
        if (p.fd_while && !(p.fd_while = count_down(p.fd_while, elapsed)) &&
            (p.role == Role::root || p.role == Role::designated) && !p.forwarding) {
            if (p.learning)
                forward(i, a);
            else
                p.learning = true, p.fd_while = forward_delay(), p.new_info = true;
        }
    }
    if (aged) reselect();
    update_states(a);
    transmit_all(a);
}

// ---- BPDUs out ------------------------------------------------------------------------

void Bridge::transmit_all(Actions &a) {
    for (int i = 0; i < kPorts; ++i)
        if (port_[i].enabled && port_[i].new_info) transmit(i, a);
}

// What a port says, when it has news or its hello time came: a designated
// port its vector and times; a root port of the original tree a topology
// change notification until acknowledged; a port of the rapid tree its role,
// state, proposal or agreement.
void Bridge::transmit(int i, Actions &a) {
    Port &p = port_[i];
    if (p.tx_count >= cfg_.tx_hold) return;  // news waits for the next second
    p.new_info = false;
    if (p.role == Role::designated || (p.role == Role::root && p.tcn_pending)) p.hello_when = hello();
    Bpdu b;
    if (!compose(i, &b)) return;
    if (legacy(p)) p.tc_ack = false;
    ++p.tx_count;
    a.transmit(i, b);
}

bool Bridge::compose(int i, Bpdu *out) const {
    const Port &p = port_[i];
    if (!cfg_.enabled || !p.enabled) return false;
    Bpdu b{};
    b.v = p.designated;
    b.t = p.designated_times;
    if (legacy(p)) {
        if (p.role == Role::root && p.tcn_pending)
            b.kind = Kind::tcn;
        else if (p.role != Role::designated)
            return false;
        bool tc = root_tc_while_ || p.tc_while || (root_port_ >= 0 && port_[root_port_].tc_seen);
        b.flags = static_cast<uint8_t>((tc ? kFlagTc : 0) | (p.tc_ack ? kFlagTcAck : 0));
    } else {
        if (p.role == Role::disabled) return false;
        b.kind = Kind::rst;
        b.version = kVersionRstp;
        WireRole r = p.role == Role::root         ? WireRole::root
                     : p.role == Role::designated ? WireRole::designated
                                                  : WireRole::alternate_backup;
        b.flags = static_cast<uint8_t>(static_cast<uint8_t>(r) << kRoleShift);
        if (p.tc_while) b.flags |= kFlagTc;
        if (p.proposing && p.role == Role::designated && p.cfg.point_to_point) b.flags |= kFlagProposal;
        if (p.agree && p.role != Role::designated) b.flags |= kFlagAgreement;
        if (p.learning) b.flags |= kFlagLearning;
        if (p.forwarding) b.flags |= kFlagForwarding;
    }
    *out = b;
    return true;
}

}  // namespace kelsim::stp
