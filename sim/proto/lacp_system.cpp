// lacp_system.cpp - the link aggregation control protocol (see lacp_system.h).
#include "proto/lacp_system.h"

#include <cstring>

namespace kelsim::lacp {

namespace {

constexpr uint8_t kMuxBits = kSync | kCollecting | kDistributing;
constexpr uint32_t kTxPerSecond = 3;

bool same_partner_system(const Info &a, const Info &b) {
    return a.sys_priority == b.sys_priority && std::memcmp(a.sys, b.sys, 6) == 0 && a.key == b.key;
}

void count_down(uint32_t &t, uint32_t dt) { t = t > dt ? t - dt : 0; }

}  // namespace

System::System() { std::memset(port_, 0, sizeof port_); }

Info System::actor(int i) const {
    const Port &p = port_[i];
    Info a{};
    a.sys_priority = cfg_.priority;
    std::memcpy(a.sys, cfg_.mac, 6);
    a.key = p.cfg.key;
    a.port_priority = p.cfg.priority;
    a.port = p.cfg.number;
    a.state = p.state;
    return a;
}

// A port that starts has heard nothing: its partner is the default one, and
// its information counts as just expired, so that it asks for LACPDUs at the
// fast rate until its partner answers.
void System::start(int i) {
    Port &p = port_[i];
    p.rx = Rx::expired;
    p.mux = Mux::detached;
    p.selected = false;
    std::memset(&p.partner, 0, sizeof p.partner);
    p.partner.state = kTimeout;
    p.state =
        static_cast<uint8_t>(kActivity | kAggregation | kDefaulted | kExpired | (p.cfg.fast ? kTimeout : 0));
    p.current_while = kShortTimeout;
    p.periodic_when = 0;
    p.ntt = true;
}

void System::stop(int i) {
    Port &p = port_[i];
    PortConfig cfg = p.cfg;
    std::memset(&p, 0, sizeof p);
    p.cfg = cfg;
    p.rx = Rx::disabled;
    p.state = static_cast<uint8_t>(kActivity | kAggregation | kDefaulted | (cfg.fast ? kTimeout : 0));
}

void System::configure(const SystemConfig &s, const PortConfig *ports, Actions &) {
    bool system_changed = std::memcmp(&s, &cfg_, sizeof s) != 0;
    cfg_ = s;
    used_count_ = 0;
    for (int i = 0; i < kPorts; ++i) {
        Port &p = port_[i];
        const PortConfig &c = ports[i];
        bool was = p.rx != Rx::disabled, on = c.present && c.link;
        bool restart = !was || c.key != p.cfg.key || c.number != p.cfg.number;
        bool told = system_changed || c.priority != p.cfg.priority || c.fast != p.cfg.fast;
        p.cfg = c;
        if (!on) {
            if (was || p.state == 0) stop(i);
            if (c.present) used_[used_count_++] = i;
            continue;
        }
        used_[used_count_++] = i;
        if (restart) {
            start(i);
            continue;
        }
        p.state = static_cast<uint8_t>((p.state & ~kTimeout) | (c.fast ? kTimeout : 0));
        if (told) p.ntt = true;
    }
    select();
}

void System::receive(int i, const Pdu &pdu, Actions &a) {
    Port &p = port_[i];
    if (p.rx == Rx::disabled) return;
    if (!same_partner_system(pdu.actor, p.partner) || pdu.actor.port != p.partner.port) p.selected = false;
    p.partner = pdu.actor;
    // The partner is in sync only while it describes this port as it is.
    Info me = actor(i);
    bool matched =
        same_port(pdu.partner, me) && (pdu.partner.state & kAggregation) == (me.state & kAggregation);
    if (!matched) p.partner.state &= static_cast<uint8_t>(~kSync);
    constexpr uint8_t kTold = kActivity | kTimeout | kAggregation | kSync;
    if (!same_port(pdu.partner, me) || (pdu.partner.state & kTold) != (me.state & kTold)) p.ntt = true;
    p.rx = Rx::current;
    p.state &= static_cast<uint8_t>(~(kDefaulted | kExpired));
    p.current_while = timeout(p);
    select();
    run_mux(p);
    transmit(i, a);
}

// The current-while timer ran out: once, the partner is expired (out of sync,
// asked for the short timeout); twice, it is the default partner.
void System::expire(Port &p) {
    if (p.rx == Rx::current) {
        p.rx = Rx::expired;
        p.partner.state = static_cast<uint8_t>((p.partner.state & ~kSync) | kTimeout);
        p.state |= kExpired;
        p.current_while = kShortTimeout;
        return;
    }
    p.rx = Rx::defaulted;
    std::memset(&p.partner, 0, sizeof p.partner);
    p.partner.state = p.cfg.fast ? kTimeout : 0;  // (the default partner keeps the fast rate's promptness)
    p.state = static_cast<uint8_t>((p.state & ~kExpired) | kDefaulted);
    p.selected = false;
    p.ntt = true;
}

// Each key's ports reaching the partner system and key of the first of them.
void System::select() {
    for (int n = 0; n < used_count_; ++n) {
        Port &p = port_[used_[n]];
        bool ok = (p.rx == Rx::current || p.rx == Rx::expired) && (p.partner.state & kAggregation);
        const Port *lead = nullptr;
        for (int k = 0; k < n && ok && !lead; ++k) {
            const Port &q = port_[used_[k]];
            if (q.cfg.key == p.cfg.key && (q.rx == Rx::current || q.rx == Rx::expired) &&
                (q.partner.state & kAggregation))
                lead = &q;
        }
        if (lead && !same_partner_system(lead->partner, p.partner)) ok = false;
        if (!ok)
            p.selected = false;
        else if (p.mux == Mux::detached)
            p.selected = true;  // (a port left out waits until it is detached)
    }
}

void System::set_mux(Port &p, Mux m) {
    p.mux = m;
    uint8_t bits = m == Mux::attached ? kSync : m == Mux::collecting_distributing ? kMuxBits : 0;
    uint8_t st = static_cast<uint8_t>((p.state & ~kMuxBits) | bits);
    if (st != p.state) p.ntt = true;
    p.state = st;
    if (m == Mux::waiting) p.wait_while = kAggregateWait;
}

void System::run_mux(Port &p) {
    bool partner_sync = p.partner.state & kSync;
    switch (p.mux) {
        case Mux::detached:
            if (p.selected) set_mux(p, Mux::waiting);
            break;
        case Mux::waiting:
            if (!p.selected)
                set_mux(p, Mux::detached);
            else if (!p.wait_while)
                set_mux(p, Mux::attached);
            break;
        case Mux::attached:
            if (!p.selected)
                set_mux(p, Mux::detached);
            else if (partner_sync)
                set_mux(p, Mux::collecting_distributing);
            break;
        case Mux::collecting_distributing:
            if (!p.selected || !partner_sync) set_mux(p, Mux::attached);
            break;
    }
}

void System::transmit(int i, Actions &a) {
    Port &p = port_[i];
    if (!p.ntt || p.rx == Rx::disabled || p.tx_count >= kTxPerSecond) return;
    Pdu pdu{};
    pdu.actor = actor(i);
    pdu.partner = p.partner;
    a.transmit(i, pdu);
    ++p.tx_count;
    p.ntt = false;
}

void System::tick(uint64_t now_ms, Actions &a) {
    uint64_t passed = started_ && now_ms > now_ ? now_ms - now_ : 0;
    uint32_t dt = static_cast<uint32_t>(passed < 60000 ? passed : 60000);
    started_ = true;
    now_ = now_ms;
    for (int n = 0; n < used_count_; ++n) {
        Port &p = port_[used_[n]];
        if (p.rx == Rx::disabled) continue;
        if (p.current_while) {
            count_down(p.current_while, dt);
            if (!p.current_while) expire(p);
        }
        count_down(p.wait_while, dt);
        p.tx_window += dt;
        if (p.tx_window >= 1000) p.tx_window = 0, p.tx_count = 0;
        if (p.periodic_when <= dt) {
            p.ntt = true;
            p.periodic_when = (p.partner.state & kTimeout) ? kFastPeriodic : kSlowPeriodic;
        } else {
            p.periodic_when -= dt;
        }
    }
    select();
    for (int n = 0; n < used_count_; ++n) {
        int i = used_[n];
        if (port_[i].rx == Rx::disabled) continue;
        run_mux(port_[i]);
        run_mux(port_[i]);  // (detached to waiting and attached to collecting need no time to pass)
        transmit(i, a);
    }
}

}  // namespace kelsim::lacp
