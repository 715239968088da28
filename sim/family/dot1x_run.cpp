// dot1x_run.cpp - 802.1X on the wire (see dot1x_run.h).
#include "family/dot1x_run.h"

#include <cstring>

#include "family/policy.h"
#include "family/radius_server.h"

namespace kelsim {

Dot1xRun::Dot1xRun() : port_(new dot1x::PortAuth[kSlots]) {
    for (int s = 0; s < kSlots; ++s) port_[s].init(unit_of(s), port_of(s));
}

Dot1xRun::~Dot1xRun() = default;

// The server of the method; a change of server abandons the exchanges of the old one.
void Dot1xRun::choose_server(const Model &m, uint64_t now_ms) {
    uint32_t method = dot1x_method(m);
    bool servers_changed = std::memcmp(radius_config_, m.proto.radius, sizeof radius_config_) != 0;
    if (method == method_ && !servers_changed) return;
    AuthServer *old = server_;
    fallback_.reset();
    radius_.reset();
    if (method != KEL_DRV_DOT1X_AUTH_LOCAL) radius_ = make_radius_server(m, netns_);
    if (method == KEL_DRV_DOT1X_AUTH_LOCAL) {
        server_ = &local_;
    } else if (method == KEL_DRV_DOT1X_AUTH_RADIUS) {
        server_ = radius_.get();
    } else if (radius_) {
        fallback_ = std::make_unique<Fallback>(*radius_, local_);
        server_ = fallback_.get();
    } else {
        server_ = &local_;
    }
    method_ = method;
    std::memcpy(radius_config_, m.proto.radius, sizeof radius_config_);
    if (old == &local_ && server_ != &local_)
        for (int s = 0; s < kSlots; ++s) local_.cancel(AuthPeer{unit_of(s), port_of(s), {}});
    now_ = now_ms;
    if (old != server_ || servers_changed)
        for (int s = 0; s < kSlots; ++s) port_[s].abandon(now_ms, *this);
}

bool Dot1xRun::configure(Model &m, const View &v, uint64_t now_ms) {
    now_ = now_ms;
    std::memcpy(mac_, m.sys.mac, 6);
    std::vector<LocalAuth::User> users;
    for (const LocalUser &u : m.proto.user)
        if (u.used)
            users.push_back({std::string(u.name, strnlen(u.name, sizeof u.name)),
                             std::string(u.password, strnlen(u.password, sizeof u.password))});
    local_.set_users(std::move(users));
    choose_server(m, now_ms);
    for (uint32_t u = 1; u <= kMaxUnits; ++u)
        for (uint32_t p = 1; p <= m.topo.nports[u - 1]; ++p) {
            int s = slot_of(u, p);
            present_[s] = v.port[s].present;
            if (!present_[s]) continue;
            Dot1xSettings d = dot1x_settings(m, u, p);
            dot1x::PortConfig c{d.authenticates && v.port[s].link, d.reauth, d.reauth_period, d.quiet_period,
                                d.server_timeout};
            port_[s].configure(c, now_ms, server_, *this, *this);
            // The library's reauthentication requests: each one that came since the last look.
            if (configured_ && d.reauth_requests != reauth_seen_[s] && c.active)
                port_[s].reauthenticate(now_ms, *this);
            reauth_seen_[s] = d.reauth_requests;
        }
    configured_ = true;
    return publish(m);
}

void Dot1xRun::step(Effects &fx, uint64_t now_ms) {
    now_ = now_ms;
    uint32_t out = out_count_;
    for (int s = 0; s < kSlots; ++s)
        if (fx.eapol_refused[s]) {
            flood_[s] += fx.eapol_refused[s];
            fx.eapol_refused[s] = 0;
        }
    for (uint32_t i = 0; i < fx.eapol_count; ++i) {
        const EapolIn &in = fx.eapol[i];
        port_[in.slot].receive(in.src, in.pdu, in.len, now_ms, server_, *this, *this);
    }
    fx.eapol_count = 0;
    if (server_) server_->service(now_ms, *this);
    if (now_ms >= last_tick_ + 5) {  // timers count in steps of a few milliseconds at least
        for (int s = 0; s < kSlots; ++s) {
            if (!present_[s]) continue;
            dot1x::State before = port_[s].state();
            port_[s].tick(now_ms, server_, *this);
            if (port_[s].state() != before) fx.dot1x_changed = true;
        }
        last_tick_ = now_ms;
    }
    if (out_count_ != out) fx.dot1x_changed = true;
    for (const Pending &p : pending_)
        if (p.due) fx.dot1x_changed = true;
}

bool Dot1xRun::publish(Model &m) {
    bool changed = false;
    for (uint32_t u = 1; u <= kMaxUnits; ++u)
        for (uint32_t p = 1; p <= m.topo.nports[u - 1]; ++p) {
            int s = slot_of(u, p);
            if (!present_[s]) continue;
            Dot1xPort &d = m.proto.dot1x[u - 1][p - 1];
            Pending &pend = pending_[s];
            if (pend.due &&
                (d.authorized != pend.on || (pend.on && std::memcmp(d.station, pend.station, 6)))) {
                dot1x_authorize(m, u, p, pend.on ? pend.station : nullptr);
                changed = true;
            }
            pend.due = false;
            const dot1x::Counters &c = port_[s].counters();
            d.pae = static_cast<uint8_t>(port_[s].state());
            d.starts = c.starts;
            d.logoffs = c.logoffs;
            d.successes = c.successes;
            d.failures = c.failures;
            d.timeouts = c.timeouts;
            d.refused = c.refused + flood_[s];
        }
    return changed;
}

void Dot1xRun::retire(Model &m) {
    for (auto &unit : m.proto.dot1x)
        for (Dot1xPort &d : unit) {
            d.pae = 0;
            d.starts = d.logoffs = d.successes = d.failures = d.timeouts = d.refused = 0;
        }
}

void Dot1xRun::send(const AuthPeer &port, const uint8_t dst[6], uint8_t type, const uint8_t *body, size_t n) {
    if (out_count_ == kOut) return;  // (a batch's worth: the port's timers send again)
    EapolOut &f = out_[out_count_];
    f.slot = slot_of(port.unit, port.port);
    f.len = static_cast<uint32_t>(eapol::encode_frame(dst, mac_, type, body, n, f.data));
    if (f.len) ++out_count_;
}

void Dot1xRun::authorize(const AuthPeer &port, const uint8_t *station) {
    Pending &p = pending_[slot_of(port.unit, port.port)];
    p.due = true;
    p.on = station != nullptr;
    if (station) std::memcpy(p.station, station, 6);
}

dot1x::PortAuth *Dot1xRun::port(const AuthPeer &peer) {
    if (peer.unit < 1 || peer.unit > kMaxUnits || peer.port < 1 || peer.port > kMaxPorts) return nullptr;
    dot1x::PortAuth &p = port_[slot_of(peer.unit, peer.port)];
    // An answer for a station the port no longer authenticates is late: dropped.
    return std::memcmp(p.station(), peer.station, 6) == 0 ? &p : nullptr;
}

void Dot1xRun::relay(const AuthPeer &peer, const uint8_t *eap, size_t n) {
    if (dot1x::PortAuth *p = port(peer)) p->relay(eap, n, now_, *this);
}

void Dot1xRun::accept(const AuthPeer &peer, const uint8_t *eap, size_t n, uint32_t session_timeout) {
    if (dot1x::PortAuth *p = port(peer)) p->accept(eap, n, session_timeout, now_, *this);
}

void Dot1xRun::reject(const AuthPeer &peer, const uint8_t *eap, size_t n) {
    if (dot1x::PortAuth *p = port(peer)) p->reject(eap, n, now_, *this);
}

void Dot1xRun::unreachable(const AuthPeer &peer) {
    if (dot1x::PortAuth *p = port(peer)) p->unreachable(now_, *this);
}

}  // namespace kelsim
