// gvrp_run.cpp - GVRP on the wire (see gvrp_run.h).
#include "family/gvrp_run.h"

#include <cstring>

#include "family/forwarding.h"
#include "family/policy.h"
#include "family/protocol_common.h"

namespace kelsim {

static_assert(garp::kPorts >= kSlots, "a participant's port for every slot");

namespace {

// The statistics record's message type of each event (garp::Event order).
constexpr uint32_t kRecordType[garp::kEvents] = {KEL_DRV_GVRP_LEAVE_ALL, KEL_DRV_GVRP_JOIN_EMPTY,
                                                 KEL_DRV_GVRP_JOIN_IN,   KEL_DRV_GVRP_LEAVE_EMPTY,
                                                 KEL_DRV_GVRP_LEAVE_IN,  KEL_DRV_GVRP_EMPTY};

}  // namespace

void GvrpRunner::configure(View &v, Effects &fx, uint64_t now_ms) {
    v_ = &v;
    for (int s = 0; s < kSlots; ++s) part_.configure(s, v.gvrp.port[s], now_ms);
    redeclare(v, now_ms);
    generation_ = part_.generation();
    published_ = ~uint64_t{0};  // the model's registrations to be compared anew
    fx.gvrp_changed = true;
}

void GvrpRunner::step(View &v, Effects &fx, uint64_t now_ms) {
    v_ = &v;
    uint32_t out = out_count_;
    for (int s = 0; s < kSlots; ++s) {
        if (!fx.garp_refused[s]) continue;
        refused_[s] += fx.garp_refused[s];
        fx.garp_refused[s] = 0;
        fx.gvrp_changed = true;
    }
    for (uint32_t i = 0; i < fx.garp_count; ++i) part_.receive(fx.garp[i].slot, fx.garp[i].pdu, now_ms);
    if (fx.garp_count) fx.gvrp_changed = true;
    fx.garp_count = 0;
    part_.tick(now_ms, *this);
    if (part_.generation() != generation_) {
        generation_ = part_.generation();
        redeclare(v, now_ms);
        fx.gvrp_changed = true;
    }
    if (out_count_ != out) fx.gvrp_changed = true;
}

// Each port declares the VLANs the switch has by configuration and those
// registered on another GVRP port.
void GvrpRunner::redeclare(const View &v, uint64_t now_ms) {
    uint16_t *others = others_;  // registrations per VLAN
    std::memset(others_, 0, sizeof others_);
    int used[kSlots], n = 0;
    for (int s = 0; s < kSlots; ++s)
        if (part_.running(s)) used[n++] = s;
    for (int i = 0; i < n; ++i)
        for (uint16_t vid = 1; vid < garp::kVids; ++vid) others[vid] += part_.registered(used[i], vid);
    for (int i = 0; i < n; ++i)
        for (uint16_t vid = 1; vid < garp::kVids; ++vid) {
            bool want = vlan_bit(v.gvrp.declared, vid) || others[vid] > part_.registered(used[i], vid);
            part_.declare(used[i], vid, want, now_ms);
        }
}

void GvrpRunner::transmit(int port, const garp::Message *msg, uint32_t n) {
    while (n && out_count_ < kOut && v_) {
        GvrpFrame &f = out_[out_count_++];
        uint32_t k = n;
        f.slot = port;
        f.len = static_cast<uint32_t>(garp::encode(msg, &k, v_->gvrp.mac, f.data));
        msg += k;
        n -= k;
    }
}

bool GvrpRunner::publish(Model &m) {
    GvrpRun &run = m.proto.gvrp;
    run.running = 1;
    bool vlans = false, compare = part_.generation() != published_;
    published_ = part_.generation();
    vlanlist any{};
    for (uint32_t u = 1; u <= kMaxUnits; ++u)
        for (uint32_t p = 1; p <= m.topo.nports[u - 1]; ++p) {
            int s = slot_of(u, p);
            vlanlist &reg = run.registered[u - 1][p - 1];
            for (uint16_t vid = 1; compare && vid < garp::kVids; ++vid) {
                bool now = part_.registered(s, vid);
                if (now) set_vlan_bit(any, vid, true);
                if (now == vlan_bit(reg, vid)) continue;
                set_vlan_bit(reg, vid, now);
                if (now && !vlan_exists(m, vid)) {
                    vlan_add(m, vid);
                    set_vlan_bit(run.created, vid, true);
                }
                port_vlan_refresh(m, vid, u, p);
                vlans = true;
            }
            const garp::Counters &c = part_.counters(s);
            uint32_t rx[KEL_DRV_GVRP_MESSAGE_TYPES] = {}, tx[KEL_DRV_GVRP_MESSAGE_TYPES] = {};
            for (uint8_t e = 0; e < garp::kEvents; ++e) {
                rx[kRecordType[e]] = c.rx[e];
                tx[kRecordType[e]] = c.tx[e];
            }
            gvrp_count(m, u, p, rx, tx, c.failed);
            part_.clear_counters(s);
            run.refused[u - 1][p - 1] += refused_[s];
            refused_[s] = 0;
        }
    for (uint16_t vid = 1; compare && vid < garp::kVids; ++vid)
        if (vlan_bit(run.created, vid) && !vlan_bit(any, vid)) {
            vlan_remove(m, vid);
            vlans = true;
        }
    return vlans;
}

void GvrpRunner::retire(Model &m) {
    GvrpRun &run = m.proto.gvrp;
    for (uint32_t u = 1; u <= kMaxUnits; ++u)
        for (uint32_t p = 1; p <= m.topo.nports[u - 1]; ++p) {
            vlanlist was = run.registered[u - 1][p - 1];
            std::memset(&run.registered[u - 1][p - 1], 0, sizeof(vlanlist));
            for (uint16_t vid = 1; vid < garp::kVids; ++vid)
                if (vlan_bit(was, vid)) port_vlan_refresh(m, vid, u, p);
        }
    for (uint16_t vid = 1; vid < garp::kVids; ++vid)
        if (vlan_bit(run.created, vid)) vlan_remove(m, vid);
    std::memset(&run, 0, sizeof run);
}

}  // namespace kelsim
