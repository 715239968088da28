// garp_participant.cpp - GVRP's participant of one switch (see
// garp_participant.h).
#include "proto/garp_participant.h"

#include <cstdint>

namespace kelsim::garp {

namespace {

using A = App;
constexpr uint64_t kNever = UINT64_MAX;
constexpr int kApps = 10;

// The applicant's next state, by what happened (Participant::In) and state.
//                                 va     aa     qa     la     vp     ap     qp     vo     ao     qo
constexpr App kNext[8][kApps] = {
    /* join_in     */ {A::aa, A::qa, A::qa, A::la, A::ap, A::qp, A::qp, A::ao, A::qo, A::qo},
    /* join_empty  */ {A::va, A::va, A::va, A::la, A::vp, A::vp, A::vp, A::vo, A::vo, A::vo},
    /* empty       */ {A::va, A::va, A::va, A::la, A::vp, A::vp, A::vp, A::vo, A::vo, A::vo},
    /* leave_in    */ {A::va, A::va, A::vp, A::la, A::vp, A::vp, A::vp, A::vo, A::vo, A::vo},
    /* leave_empty */ {A::vp, A::vp, A::vp, A::vo, A::vp, A::vp, A::vp, A::vo, A::vo, A::vo},
    /* join_req    */ {A::va, A::aa, A::qa, A::va, A::vp, A::ap, A::qp, A::vp, A::ap, A::qp},
    /* leave_req   */ {A::la, A::la, A::la, A::la, A::vo, A::ao, A::qo, A::vo, A::ao, A::qo},
    /* tx          */ {A::aa, A::qa, A::qa, A::vo, A::aa, A::qa, A::qp, A::vo, A::ao, A::qo},
};

// What an applicant sends when the port transmits: 'J' a join, 'L' a
// leave, 0 nothing.
constexpr char kSends[kApps] = {'J', 'J', 0, 'L', 'J', 'J', 0, 0, 0, 0};

bool sends(App a) { return kSends[static_cast<int>(a)] != 0; }

}  // namespace

Participant::Participant() = default;
Participant::~Participant() = default;

void Participant::set_reg(Attr &x, Reg r) {
    if ((x.reg == Reg::mt) != (r == Reg::mt)) ++generation_;
    x.reg = r;
    if (r != Reg::lv) x.leave_at = 0;
}

void Participant::configure(int port, const PortConfig &c, uint64_t now) {
    Port &p = port_[port];
    if (!p.attr) {
        if (!c.on) {
            p.cfg = c;
            return;
        }
        p.attr.reset(new Attr[kVids]());
        for (uint16_t v = 0; v < kVids; ++v) p.attr[v].app = App::vo;
    }
    bool was = p.cfg.on, starts = c.on && !was;
    bool stops_registering =
        (was && !c.on) || (c.mode != Registration::normal && p.cfg.mode == Registration::normal);
    p.cfg = c;
    if (starts || stops_registering)
        for (uint16_t v = 1; v < kVids; ++v) set_reg(p.attr[v], Reg::mt);
    if (!c.on) {
        p.join_at = 0;
        p.tx_due = p.leave_all_due = false;
        return;
    }
    if (!starts) {  // shorter times take effect at once
        if (p.leave_all_at > now + c.leave_all_ms) p.leave_all_at = now + c.leave_all_ms;
        if (p.join_at > now + c.join_ms) p.join_at = now + c.join_ms;
        return;
    }
    p.tx_due = false;
    for (uint16_t v = 1; v < kVids; ++v) {
        Attr &x = p.attr[v];
        x.app = x.declared ? App::vp : App::vo;
        p.tx_due = p.tx_due || x.declared;
    }
    p.join_at = p.tx_due ? now + c.join_ms : 0;
    p.leave_all_at = now + c.leave_all_ms;
    p.next_leave = kNever;
    p.leave_all_due = false;
}

void Participant::declare(int port, uint16_t vid, bool on, uint64_t now) {
    Port &p = port_[port];
    if (vid < 1 || vid >= kVids) return;
    if (!p.attr) {
        p.attr.reset(new Attr[kVids]());
        for (uint16_t v = 0; v < kVids; ++v) p.attr[v].app = App::vo;
    }
    if (p.attr[vid].declared == on) return;
    p.attr[vid].declared = on;
    if (running(port)) applicant_event(p, vid, on ? In::join_req : In::leave_req, now);
}

void Participant::applicant_event(Port &p, uint16_t vid, In e, uint64_t now) {
    Attr &x = p.attr[vid];
    x.app = kNext[static_cast<int>(e)][static_cast<int>(x.app)];
    if (e != In::tx && sends(x.app)) {
        p.tx_due = true;
        if (!p.join_at) p.join_at = now + p.cfg.join_ms;
    }
}

void Participant::registrar_join(Port &p, uint16_t vid) {
    if (p.cfg.mode != Registration::normal) {
        if (p.cfg.mode == Registration::forbidden) ++p.count.failed;
        return;
    }
    set_reg(p.attr[vid], Reg::in);
}

void Participant::registrar_leave(Port &p, uint16_t vid, uint64_t now) {
    Attr &x = p.attr[vid];
    if (x.reg != Reg::in) return;
    set_reg(x, Reg::lv);
    x.leave_at = now + p.cfg.leave_ms;
    if (x.leave_at < p.next_leave) p.next_leave = x.leave_at;
}

void Participant::leave_all(Port &p, uint64_t now) {
    for (uint16_t v = 1; v < kVids; ++v) {
        applicant_event(p, v, In::leave_empty, now);
        registrar_leave(p, v, now);
    }
}

void Participant::receive(int port, const Pdu &pdu, uint64_t now) {
    if (!running(port)) return;
    Port &p = port_[port];
    for (uint32_t i = 0; i < pdu.count; ++i) {
        const Message &m = pdu.msg[i];
        ++p.count.rx[static_cast<int>(m.event)];
        switch (m.event) {
            case Event::leave_all:
                leave_all(p, now);
                break;
            case Event::join_in:
            case Event::join_empty:
                applicant_event(p, m.vid, m.event == Event::join_in ? In::join_in : In::join_empty, now);
                registrar_join(p, m.vid);
                break;
            case Event::leave_in:
            case Event::leave_empty:
                applicant_event(p, m.vid, m.event == Event::leave_in ? In::leave_in : In::leave_empty, now);
                registrar_leave(p, m.vid, now);
                break;
            case Event::empty:
                applicant_event(p, m.vid, In::empty, now);
                break;
        }
    }
}

void Participant::transmit(int port, Port &p, uint64_t now, Actions &a) {
    Message msg[kVids];
    uint32_t n = 0;
    if (p.leave_all_due) msg[n++] = {Event::leave_all, 0};
    p.leave_all_due = false;
    bool again = false;
    for (uint16_t v = 1; v < kVids; ++v) {
        Attr &x = p.attr[v];
        char what = kSends[static_cast<int>(x.app)];
        if (!what) continue;
        bool in = x.reg == Reg::in;
        Event e = what == 'J' ? (in ? Event::join_in : Event::join_empty)
                              : (in ? Event::leave_in : Event::leave_empty);
        msg[n++] = {e, v};
        x.app = kNext[static_cast<int>(In::tx)][static_cast<int>(x.app)];
        again = again || sends(x.app);
    }
    for (uint32_t i = 0; i < n; ++i) ++p.count.tx[static_cast<int>(msg[i].event)];
    if (n) a.transmit(port, msg, n);
    p.tx_due = again;
    p.join_at = again ? now + p.cfg.join_ms : 0;
}

void Participant::tick(uint64_t now, Actions &a) {
    for (int i = 0; i < kPorts; ++i) {
        Port &p = port_[i];
        if (!running(i)) continue;
        if (now >= p.next_leave) {
            p.next_leave = kNever;
            for (uint16_t v = 1; v < kVids; ++v) {
                Attr &x = p.attr[v];
                if (x.reg != Reg::lv) continue;
                if (now >= x.leave_at)
                    set_reg(x, Reg::mt);
                else if (x.leave_at < p.next_leave)
                    p.next_leave = x.leave_at;
            }
        }
        if (now >= p.leave_all_at) {
            leave_all(p, now);  // a port's own leave-all, as its neighbour will take it
            p.leave_all_due = true;
            p.leave_all_at = now + p.cfg.leave_all_ms;
            if (!p.join_at) p.join_at = now + p.cfg.join_ms;
        }
        if (p.join_at && now >= p.join_at) transmit(i, p, now, a);
    }
}

bool Participant::registered(int port, uint16_t vid) const {
    return vid >= 1 && vid < kVids && running(port) && port_[port].attr[vid].reg != Reg::mt;
}

bool Participant::declared(int port, uint16_t vid) const {
    return vid >= 1 && vid < kVids && port_[port].attr && port_[port].attr[vid].declared;
}

App Participant::applicant(int port, uint16_t vid) const {
    return port_[port].attr && vid < kVids ? port_[port].attr[vid].app : App::vo;
}

Reg Participant::registrar(int port, uint16_t vid) const {
    return port_[port].attr && vid < kVids ? port_[port].attr[vid].reg : Reg::mt;
}

}  // namespace kelsim::garp
