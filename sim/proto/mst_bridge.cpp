// mst_bridge.cpp - one bridge's multiple spanning tree (see mst_bridge.h).
#include "proto/mst_bridge.h"

#include <cstring>

namespace kelsim::stp {

namespace {

constexpr int kIdShift = 48;  // the instance, in a regional root's 12-bit extension

void mac_of(uint64_t id, uint8_t mac[6]) {
    for (int i = 0; i < 6; ++i) mac[i] = static_cast<uint8_t>(id >> (40 - 8 * i));
}

}  // namespace

MstBridge::MstBridge() : cfg_{} {
    std::memset(static_cast<void *>(port_), 0, sizeof port_);
    std::memset(pending_, 0, sizeof pending_);
    relay_.owner = this;
}

Role MstBridge::role(int k, int port) const {
    return follows_cist(k, port) ? cist_.role(port) : msti_[k - 1].role(port);
}

State MstBridge::state(int k, int port) const {
    return follows_cist(k, port) ? cist_.state(port) : msti_[k - 1].state(port);
}

void MstBridge::configure(const BridgeConfig &b, const PortConfig *ports, const MstConfig &m, Actions &a) {
    out_ = &a;
    // Another region (name, revision, VLANs' instances) or other instances:
    // every tree starts afresh, its news sent to the neighbours at once.
    bool restart =
        b.mode == Mode::mstp && mode_ == Mode::mstp && (m.id != cfg_.id || m.instances != cfg_.instances);
    mode_ = b.mode;
    bridge_ = b;
    std::memcpy(static_cast<void *>(port_), ports, sizeof port_);
    cfg_ = m;
    if (restart) {
        bridge_.enabled = false;
        cist_.configure(bridge_, ports, relay_);
        configure_instances();
        bridge_.enabled = b.enabled;
    }
    cist_.configure(b, ports, relay_);
    configure_instances();
    send_pending();
}

// Each instance as a rapid tree over the internal ports, with its own
// priorities and costs; its times are the common tree's, its max age the
// max hops (a message's age counting the hops it made).
void MstBridge::configure_instances() {
    PortConfig *ports = scratch_;
    for (int k = 1; k < kInstances; ++k) {
        BridgeConfig b = bridge_;
        b.mode = Mode::rstp;
        b.enabled = bridge_.enabled && instance(k);
        b.priority = cfg_.priority[k];
        b.max_age = cfg_.max_hops;
        for (int i = 0; i < kPorts; ++i) {
            ports[i] = port_[i];
            ports[i].present = port_[i].present && cist_.internal(i);
            ports[i].priority = cfg_.port_priority[k][i];
            ports[i].cost = cfg_.port_cost[k][i];
        }
        msti_[k - 1].configure(b, ports, relay_);
    }
}

void MstBridge::receive(int i, const Bpdu &in, const Mst *m, Actions &a) {
    if (i < 0 || i >= kPorts) return;
    out_ = &a;
    if (!mst()) {
        cist_.receive(i, in, relay_);
        return;
    }
    bool internal = m && in.kind == Kind::rst && m->id == cfg_.id;
    Bpdu b = in;
    if (m) {  // the sender is in the multiple tree's part, the regional root where a rapid BPDU has it
        b.v.rroot = in.v.bridge;
        b.v.bridge = m->bridge;
        b.v.icost = m->internal_cost;
    }
    if (!internal) b.v.rroot = b.v.bridge, b.v.icost = 0;  // from outside: its region is one bridge
    bool was = cist_.internal(i);
    cist_.receive(i, b, internal, relay_);
    if (cist_.internal(i) != was) configure_instances();
    if (internal) {
        uint8_t mac[6];
        mac_of(m->bridge, mac);
        for (int n = 0; n < m->count; ++n) {
            const MstiMessage &g = m->msti[n];
            int k = static_cast<int>(g.regional_root >> kIdShift & 0x0FFF);
            if (k == 0 || !instance(k) || g.hops == 0) continue;  // unknown here, or out of hops
            uint32_t hops = g.hops < cfg_.max_hops ? g.hops : cfg_.max_hops;
            Bpdu mb{};
            mb.kind = Kind::rst;
            mb.version = kVersionRstp;
            mb.flags = static_cast<uint8_t>(g.flags & ~kFlagMaster);
            mb.v = {
                g.regional_root & ~(0x0FFFull << kIdShift),  g.cost, bridge_id(g.bridge_priority << 8u, mac),
                port_id(g.port_priority, b.v.port & 0x0FFF), 0,      0};
            mb.t = {static_cast<uint16_t>((cfg_.max_hops - hops) * kSecond),
                    static_cast<uint16_t>(cfg_.max_hops * kSecond), b.t.hello, b.t.forward_delay};
            msti_[k - 1].receive(i, mb, relay_);
        }
    }
    send_pending();
}

void MstBridge::tick(uint64_t now_ms, Actions &a) {
    out_ = &a;
    cist_.tick(now_ms, relay_);
    for (Bridge &t : msti_) t.tick(now_ms, relay_);
    send_pending();
}

// ---- BPDUs out ------------------------------------------------------------------

// The common tree's legacy BPDUs go out as they are; any news of a tree on
// a port of the multiple tree goes out as one MST BPDU of every tree.
void MstBridge::Relay::transmit(int port, const Bpdu &b) {
    if (!owner->mst() || b.kind != Kind::rst)
        owner->out_->transmit(port, b);
    else
        owner->pending_[port] = true;
}

void MstBridge::send_pending() {
    if (!mst()) return;
    for (int i = 0; i < kPorts; ++i) {
        if (!pending_[i]) continue;
        pending_[i] = false;
        Bpdu b;
        if (!cist_.compose(i, &b) || b.kind != Kind::rst) continue;
        Mst m;
        m.id = cfg_.id;
        m.internal_cost = b.v.icost;
        m.bridge = b.v.bridge;
        m.hops = static_cast<uint8_t>(cfg_.max_hops);
        m.count = 0;
        for (int k = 1; k < kInstances; ++k)
            if (instance(k)) m.msti[m.count++] = message(k, i, b);
        b.version = kVersionMstp;
        b.v.bridge = b.v.rroot;  // (the rapid part names the regional root there)
        out_->transmit_mst(i, b, m);
    }
}

// Instance k's message on a port: the instance's own on an internal port;
// on a boundary port the common tree's role and state (a root port there
// is the region's master port) with the instance's root.
MstiMessage MstBridge::message(int k, int i, const Bpdu &cist) const {
    const Bridge &t = msti_[k - 1];
    Bpdu b;
    bool own = !boundary(i) && t.compose(i, &b);
    if (!own) {
        b.v = {t.root().root, t.root().cost, t.root().bridge, 0, 0, 0};
        b.t = {0, 0, 0, 0};
        b.flags = cist.flags & static_cast<uint8_t>(kRoleMask | kFlagLearning | kFlagForwarding | kFlagTc);
        if (cist_.role(i) == Role::root) b.flags |= kFlagMaster;
    }
    uint32_t used = b.t.message_age / kSecond;
    MstiMessage g;
    g.flags = b.flags;
    g.regional_root = b.v.root | static_cast<uint64_t>(k) << kIdShift;
    g.cost = b.v.cost;
    g.bridge_priority = static_cast<uint8_t>(b.v.bridge >> 56 & 0xF0);
    g.port_priority = static_cast<uint8_t>(own ? b.v.port >> 8 & 0xF0 : cfg_.port_priority[k][i] & 0xF0);
    g.hops = static_cast<uint8_t>(used < cfg_.max_hops ? cfg_.max_hops - used : 0);
    return g;
}

}  // namespace kelsim::stp
