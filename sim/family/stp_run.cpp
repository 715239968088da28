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
    bridge_.configure(v.stp.bridge, v.stp.port, v.stp.mst, *this);
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
        bridge_.receive(in.slot, in.bpdu, in.has_mst ? &in.mst : nullptr, *this);
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

// A port's state for what does not know the frame's VLAN: in mode mstp
// the most advanced of its instances' (the VLAN's own decides later).
stp::State SpanningTree::best_state(int s) const {
    stp::State st = bridge_.state(0, s);
    if (bridge_.cist().running() && v_ && v_->stp.bridge.mode == stp::Mode::mstp)
        for (int k = 1; k < stp::kInstances; ++k)
            if (bridge_.instance(k) && bridge_.state(k, s) > st) st = bridge_.state(k, s);
    return st;
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
                               : static_cast<uint8_t>(static_cast<int>(best_state(s)) + 1);
        if (st == pv.stp) continue;
        pv.stp = st;
        changed = true;
        if (pv.link && st == KEL_DRV_PORT_STP_FORWARDING)
            add_to(v.sending, s);
        else
            remove_from(v.sending, s);
    }
    if (apply_instances(v, running && !stopped)) changed = true;
    if (changed) fx_->stp_changed = true;
    return changed;
}

// Each MST instance's port states, for the frames of its VLANs (mode mstp):
// a port forwards frames of a VLAN while it forwards in the VLAN's instance.
bool SpanningTree::apply_instances(View &v, bool running) {
    bool per = running && v.stp.bridge.mode == stp::Mode::mstp;
    if (!per && !v.per_instance)
        return false;  // (as compiled: every VLAN in instance 0, which every port sends)
    bool changed = per != static_cast<bool>(v.per_instance);
    v.per_instance = per;
    for (int k = 0; k < stp::kInstances; ++k) {
        iflist fwd{};
        for (int s = 0; s < kSlots; ++s) {
            const PortView &pv = v.port[s];
            uint8_t st = !per ? static_cast<uint8_t>(KEL_DRV_PORT_STP_FORWARDING)
                         : !pv.present || !pv.link
                             ? static_cast<uint8_t>(KEL_DRV_PORT_STP_DISABLED)
                             : static_cast<uint8_t>(static_cast<int>(bridge_.state(k, s)) + 1);
            if (st != v.msti_state[k][s]) changed = true;
            v.msti_state[k][s] = st;
            if (st == KEL_DRV_PORT_STP_FORWARDING) add_to(fwd, s);
        }
        v.msti_sending[k] = fwd;
    }
    return changed;
}

StpFrame *SpanningTree::next_frame(int port) {
    if (out_count_ == kOut || !v_) return nullptr;
    StpFrame &f = out_[out_count_++];
    f.slot = port;
    ++sent_[port];
    return &f;
}

void SpanningTree::transmit(int port, const stp::Bpdu &b) {
    if (StpFrame *f = next_frame(port)) {
        stp::encode(b, v_->stp.bridge.mac, f->data);
        f->len = stp::kFrameSize;
    }
}

void SpanningTree::transmit_mst(int port, const stp::Bpdu &b, const stp::Mst &m) {
    if (StpFrame *f = next_frame(port))
        f->len = static_cast<uint32_t>(stp::encode_mst(b, m, v_->stp.bridge.mac, f->data));
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
    const stp::Vector &root = bridge_.cist().root();
    run.root_priority = static_cast<uint32_t>(root.root >> 48) & 0xF000;
    for (int i = 0; i < 6; ++i) run.root_mac[i] = static_cast<uint8_t>(root.root >> (40 - 8 * i));
    run.root_cost = root.cost + root.icost;  // (mode mstp: the external and internal costs)
    int rp = bridge_.cist().root_port();
    run.root_port = rp >= 0 ? flat_port_index(m.topo, unit_of(rp), port_of(rp)) : 0;
    run.topology_changes = bridge_.cist().topology_changes();
    run.mst = v_ && v_->per_instance;
    for (int k = 0; k < stp::kInstances; ++k) {
        const stp::Vector &r = bridge_.root(k);
        MstRootRun &mr = run.mst_root[k];
        mr.priority = static_cast<uint32_t>(r.root >> 48) & 0xF000;
        for (int i = 0; i < 6; ++i) mr.mac[i] = static_cast<uint8_t>(r.root >> (40 - 8 * i));
        mr.cost = r.cost + r.icost;
    }
    for (uint32_t u = 1; u <= kMaxUnits; ++u)
        for (uint32_t p = 1; p <= m.topo.nports[u - 1]; ++p) {
            if (m.topo.is_stack(u, p)) continue;
            int s = slot_of(u, p);
            StpPortRun &r = run.port[u - 1][p - 1];
            r.role = static_cast<uint8_t>(bridge_.cist().role(s));
            r.shut = bridge_.cist().shut(s);
            r.edge = bridge_.cist().edge(s);
            r.boundary = run.mst && bridge_.boundary(s);
            for (int k = 0; k < stp::kInstances; ++k) {
                r.mst_role[k] = static_cast<uint8_t>(bridge_.role(k, s));
                r.mst_state[k] = static_cast<uint8_t>(bridge_.state(k, s));  // (the records number from 0)
            }
            r.received = received_[s];
            r.sent = sent_[s];
            r.refused = refused_[s];
            // (forwarding is kept as 0, and so is disabled unless shut: the link says it)
            uint32_t st = static_cast<uint32_t>(bridge_.cist().state(s)) + 1;
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
