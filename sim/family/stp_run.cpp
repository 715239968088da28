// stp_run.cpp - the spanning tree on the wire (see stp_run.h).
#include "family/stp_run.h"

#include <cstring>

#include "family/arl_table.h"
#include "family/forwarding.h"
#include "family/protocol_common.h"

namespace kelsim {

bool SpanningTree::configure(View &v, Effects &fx) {
    v_ = &v;
    fx_ = &fx;
    bridge_.configure(v.stp.bridge, v.stp.port, *this);
    return apply(v);
}

bool SpanningTree::step(View &v, Effects &fx, uint64_t now_ms) {
    v_ = &v;
    fx_ = &fx;
    for (int s = 0; s < kSlots; ++s) {
        if (!fx.bpdu_refused[s]) continue;
        refused_[s] += fx.bpdu_refused[s];
        fx.bpdu_refused[s] = 0;
        fx.stp_changed = true;
    }
    for (uint32_t i = 0; i < fx.bpdu_count; ++i) {
        const BpduIn &in = fx.bpdu[i];
        ++received_[in.slot];
        bridge_.receive(in.slot, in.bpdu, *this);
    }
    uint32_t out = out_count_;
    if (fx.bpdu_count) fx.stp_changed = true;  // (the counters)
    fx.bpdu_count = 0;
    if (now_ms >= last_tick_ + 5) {  // timers count in steps of a few milliseconds at least
        bridge_.tick(now_ms, *this);
        last_tick_ = now_ms;
    }
    if (out_count_ != out) fx.stp_changed = true;
    return apply(v);
}

// The protocol's port states into the View: a port sends and receives by
// them from the next frame on.
bool SpanningTree::apply(View &v) {
    bool running = bridge_.running(), changed = running != was_running_;
    if (changed) fx_->stp_changed = true;
    bool stopped = changed && !running;  // the ports forward, as retire leaves them
    was_running_ = running;
    if (!running && !stopped) return false;
    for (int s = 0; s < kSlots; ++s) {
        PortView &pv = v.port[s];
        if (!pv.present) continue;
        uint8_t st = !pv.link  ? static_cast<uint8_t>(KEL_DRV_PORT_STP_DISABLED)
                     : stopped ? static_cast<uint8_t>(KEL_DRV_PORT_STP_FORWARDING)
                               : static_cast<uint8_t>(static_cast<int>(bridge_.state(s)) + 1);
        if (st == pv.stp) continue;
        pv.stp = st;
        changed = true;
        if (pv.link && st == KEL_DRV_PORT_STP_FORWARDING)
            add_to(v.sending, s);
        else
            remove_from(v.sending, s);
    }
    if (changed) fx_->stp_changed = true;
    return changed;
}

void SpanningTree::transmit(int port, const stp::Bpdu &b) {
    if (out_count_ == kOut || !v_) return;
    StpFrame &f = out_[out_count_++];
    f.slot = port;
    stp::encode(b, v_->stp.bridge.mac, f.data);
    ++sent_[port];
}

void SpanningTree::flush(int port) {
    iflist one{};
    add_to(one, port);
    arl_forget(v_->fdb, one);
    add_to(fx_->flush, port);
}

void SpanningTree::publish(Model &m) const {
    StpRun &run = m.proto.stp;
    if (!bridge_.running()) {
        if (run.running) retire(m);
        return;
    }
    run.running = 1;
    const stp::Vector &root = bridge_.root();
    run.root_priority = static_cast<uint32_t>(root.root >> 48) & 0xF000;
    for (int i = 0; i < 6; ++i) run.root_mac[i] = static_cast<uint8_t>(root.root >> (40 - 8 * i));
    run.root_cost = root.cost;
    int rp = bridge_.root_port();
    run.root_port = rp >= 0 ? flat_port_index(m.topo, unit_of(rp), port_of(rp)) : 0;
    run.topology_changes = bridge_.topology_changes();
    for (uint32_t u = 1; u <= kMaxUnits; ++u)
        for (uint32_t p = 1; p <= m.topo.nports[u - 1]; ++p) {
            if (m.topo.is_stack(u, p)) continue;
            int s = slot_of(u, p);
            StpPortRun &r = run.port[u - 1][p - 1];
            r.role = static_cast<uint8_t>(bridge_.role(s));
            r.shut = bridge_.shut(s);
            r.edge = bridge_.edge(s);
            r.received = received_[s];
            r.sent = sent_[s];
            r.refused = refused_[s];
            // (forwarding is kept as 0, and so is disabled unless shut: the link says it)
            uint32_t st = static_cast<uint32_t>(bridge_.state(s)) + 1;
            bool implied = st == KEL_DRV_PORT_STP_FORWARDING || (st == KEL_DRV_PORT_STP_DISABLED && !r.shut);
            port_state(m, u, p).stp = implied ? 0 : st;
        }
}

void SpanningTree::retire(Model &m) {
    std::memset(&m.proto.stp, 0, sizeof m.proto.stp);
    for (uint32_t u = 1; u <= kMaxUnits; ++u)
        for (uint32_t p = 1; p <= m.topo.nports[u - 1]; ++p) port_state(m, u, p).stp = 0;
}

}  // namespace kelsim
