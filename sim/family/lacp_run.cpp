// lacp_run.cpp - LACP on the wire (see lacp_run.h).
#include "family/lacp_run.h"

#include <cstring>

#include "family/forwarding.h"

namespace kelsim {

void LacpRunner::configure(View &v, Effects &fx) {
    v_ = &v;
    system_.configure(v.lacp.system, v.lacp.port, *this);
    apply(v, fx);
}

void LacpRunner::step(View &v, Effects &fx, uint64_t now_ms) {
    v_ = &v;
    uint32_t out = out_count_;
    for (int s = 0; s < kSlots; ++s) {
        if (!fx.lacpdu_refused[s]) continue;
        refused_[s] += fx.lacpdu_refused[s];
        fx.lacpdu_refused[s] = 0;
        fx.lacp_changed = true;
    }
    for (uint32_t i = 0; i < fx.lacpdu_count; ++i) {
        const LacpduIn &in = fx.lacpdu[i];
        ++received_[in.slot];
        system_.receive(in.slot, in.pdu, *this);
    }
    if (fx.lacpdu_count) fx.lacp_changed = true;
    fx.lacpdu_count = 0;
    if (now_ms >= last_tick_ + 5) {
        system_.tick(now_ms, *this);
        last_tick_ = now_ms;
    }
    if (out_count_ != out) fx.lacp_changed = true;
    apply(v, fx);
}

// The members that collect and distribute into the View, and the dynamic
// trunks' members that carry frames with them.
void LacpRunner::apply(View &v, Effects &fx) {
    iflist now{};
    for (int s = 0; s < kSlots; ++s)
        if (v.lacp.port[s].present && system_.distributing(s)) add_to(now, s);
    if (std::memcmp(&now, &v.lacp.distributing, sizeof now) == 0) return;
    v.lacp.distributing = now;
    for (uint32_t id = 1; v.trunks_in_use >> id; ++id)
        if (v.trunk[id].kind == KEL_DRV_TRUNK_DYNAMIC) activate_trunk(v, id);
    fx.lacp_changed = true;
}

void LacpRunner::transmit(int port, const lacp::Pdu &p) {
    if (out_count_ == kOut || !v_) return;
    LacpFrame &f = out_[out_count_++];
    f.slot = port;
    lacp::encode(p, v_->lacp.system.mac, f.data);
    ++sent_[port];
}

void LacpRunner::publish(Model &m) const {
    LacpRun &run = m.fwd.lacp;
    run.running = 1;
    for (uint32_t u = 1; u <= kMaxUnits; ++u)
        for (uint32_t p = 1; p <= m.topo.nports[u - 1]; ++p) {
            int s = slot_of(u, p);
            LacpPortRun &r = run.port[u - 1][p - 1];
            const lacp::Info &partner = system_.partner(s);
            r.state = system_.state(s);
            r.mux = static_cast<uint8_t>(system_.mux(s));
            r.partner_priority = partner.sys_priority;
            std::memcpy(r.partner_sys, partner.sys, 6);
            r.partner_key = partner.key;
            r.partner_port_priority = partner.port_priority;
            r.partner_port = partner.port;
            r.partner_state = partner.state;
            r.received = received_[s];
            r.sent = sent_[s];
            r.refused = refused_[s];
        }
}

void LacpRunner::retire(Model &m) {
    uint32_t fast = m.fwd.lacp.fast;
    std::memset(&m.fwd.lacp, 0, sizeof m.fwd.lacp);
    m.fwd.lacp.fast = fast;
}

}  // namespace kelsim
