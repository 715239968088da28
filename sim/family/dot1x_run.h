// dot1x_run.h - 802.1X on the wire, as the dataplane runs it: one
// authenticator per front port (proto/eapol_auth.h) fed with the EAPOL
// frames its port took and the settings of the model; the authentication
// server the method names (the local users, RADIUS, or RADIUS then the
// local users); the authorizations it decides, and its states and counts,
// written into the model (where the 802.1X frame rules and the port
// records read them) whenever the dataplane next holds the lock.
#pragma once

#include <cstdint>
#include <memory>

#include "dataplane/frame.h"
#include "model/model.h"
#include "proto/eapol_auth.h"
#include "proto/local_auth.h"

namespace kelsim {

struct EapolOut {
    int slot;
    uint32_t len;
    uint8_t data[eapol::kMaxFrame];
};

class Dot1xRun final : private dot1x::Actions, private AuthSink {
public:
    Dot1xRun();
    ~Dot1xRun();
    // The network namespace (a descriptor of it, kept open by the caller)
    // where the RADIUS client opens its socket, when it is not the calling
    // thread's. Before the first configure.
    void server_namespace(int netns) { netns_ = netns; }
    // Under the model's lock, with the View just compiled from it: the
    // ports' settings and links, the users, the method. Answers whether it
    // changed an authorization in the model (the View is then stale).
    bool configure(Model &m, const View &v, uint64_t now_ms);
    // The EAPOL frames the ports took (fx.eapol), the server's answers, the
    // clock (milliseconds). Sets fx.dot1x_changed when there is news for the model.
    void step(Effects &fx, uint64_t now_ms);
    // The frames to send since the last call of sent().
    uint32_t outgoing() const { return out_count_; }
    const EapolOut &frame(uint32_t i) const { return out_[i]; }
    void sent() { out_count_ = 0; }
    // Authorizations, states and counts into the model (under its lock);
    // true when an authorization changed.
    bool publish(Model &m);
    // The model as a switch's whose authenticators do not run: no states, no counts.
    static void retire(Model &m);

private:
    // dot1x::Actions
    void send(const AuthPeer &port, const uint8_t dst[6], uint8_t type, const uint8_t *body,
              size_t n) override;
    void authorize(const AuthPeer &port, const uint8_t *station) override;
    // AuthSink
    void relay(const AuthPeer &peer, const uint8_t *eap, size_t n) override;
    void accept(const AuthPeer &peer, const uint8_t *eap, size_t n, uint32_t session_timeout) override;
    void reject(const AuthPeer &peer, const uint8_t *eap, size_t n) override;
    void unreachable(const AuthPeer &peer) override;
    dot1x::PortAuth *port(const AuthPeer &peer);
    void choose_server(const Model &m, uint64_t now_ms);

    struct Pending {
        bool due, on;
        uint8_t station[6];
    };
    static constexpr uint32_t kOut = 64;
    std::unique_ptr<dot1x::PortAuth[]> port_;
    bool present_[kSlots] = {};
    Pending pending_[kSlots] = {};
    uint32_t reauth_seen_[kSlots] = {}, flood_[kSlots] = {};
    bool configured_ = false;
    uint8_t mac_[6] = {};
    uint64_t now_ = 0, last_tick_ = 0;
    LocalAuth local_;
    std::unique_ptr<AuthServer> radius_;
    std::unique_ptr<Fallback> fallback_;
    AuthServer *server_ = nullptr;
    uint32_t method_ = UINT32_MAX;
    int netns_ = -1;
    RadiusSlot radius_config_[KEL_DRV_RADIUS_SLOTS] = {};
    EapolOut out_[kOut];
    uint32_t out_count_ = 0;
};

}  // namespace kelsim
