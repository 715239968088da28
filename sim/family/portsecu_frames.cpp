// portsecu_frames.cpp - what port security does to the frames a port
// receives.
//
// On a port with port security, a frame passes when its source address is
// secure on that port (configured or learned); a new address is learned as
// a secure address while the port holds fewer than its maximum. Any other
// frame violates the port's rule: an address secure on another port, or
// one more address than the port may hold. Protect drops the frame,
// restrict drops it and counts a violation, shutdown counts it and shuts
// the port down: its link goes down (the host's interface loses its
// carrier) until kel_portsecu_port_reup, or until the shutdown time has
// passed. Learned addresses age by the port's ageing time, from their
// learning (absolute) or from their last frame (inactivity).
//
// The View keeps a copy of the secure addresses, indexed by MAC; what
// frames change (learned, seen, violations, shutdowns) goes to the model
// as PolicyEvents, and the model's ageing and shutdown times run in
// portsecu_upkeep (portsecu.cpp), which the dataplane calls.
#include "dataplane/pipeline.h"
#include "family/policy.h"

namespace kelsim {

namespace {

uint32_t secure_cell(const uint8_t *mac) {
    uint32_t h = 2166136261u;
    for (int i = 0; i < 6; ++i) h = (h ^ mac[i]) * 16777619u;
    return (h ^ (h >> 15)) & (kSecureCells - 1);
}

static_assert(kSecureCells > kSecureAddrs && (kSecureCells & (kSecureCells - 1)) == 0);

// The View's copy of an address, or null.
SecureAddr *secure_find(SecureView &s, const uint8_t *mac) {
    for (uint32_t i = secure_cell(mac); s.index[i]; i = (i + 1) & (kSecureCells - 1)) {
        SecureAddr &a = s.addr[s.index[i] - 1];
        if (std::memcmp(a.mac, mac, 6) == 0) return &a;
    }
    return nullptr;
}

void secure_index(SecureView &s, uint32_t pos) {
    uint32_t i = secure_cell(s.addr[pos].mac);
    while (s.index[i]) i = (i + 1) & (kSecureCells - 1);
    s.index[i] = static_cast<uint16_t>(pos + 1);
}

// Learns an address in the View's copy; false when the copy is full.
bool secure_add(SecureView &s, int slot, const uint8_t *mac, uint64_t now) {
    for (uint32_t pos = 0; pos < kSecureAddrs; ++pos) {
        SecureAddr &a = s.addr[pos];
        if (a.used) continue;
        a = SecureAddr{1,
                       static_cast<uint8_t>(unit_of(slot)),
                       static_cast<uint8_t>(port_of(slot)),
                       KEL_DRV_SECURE_DYNAMIC,
                       {},
                       {},
                       now,
                       now};
        std::memcpy(a.mac, mac, 6);
        secure_index(s, pos);
        return true;
    }
    return false;
}

void note(Effects &fx, PolicyChange what, int slot, const uint8_t *mac) {
    if (PolicyEvent *e = fx.policy_event(what, slot)) std::memcpy(e->mac, mac, 6);
}

}  // namespace

void compile_secure(const Model &m, View &v) {
    SecureView &s = v.secure;
    std::memcpy(s.addr, m.proto.secure, sizeof s.addr);
    std::memset(s.index, 0, sizeof s.index);
    for (int slot = 0; slot < kSlots; ++slot) v.policy[slot].secure = 0;
    for (uint32_t u = 1; u <= kMaxUnits; ++u)
        for (uint32_t p = 1; p <= m.topo.nports[u - 1]; ++p) {
            int slot = slot_of(u, p);
            if (!v.port[slot].present) continue;
            SecuSettings c = portsecu_settings(m, u, p);
            PolicyPort &pp = v.policy[slot];
            pp.secure = c.enabled != 0;
            pp.violation = static_cast<uint8_t>(c.violation);
            pp.secure_max = static_cast<uint16_t>(c.maximum);
            pp.secure_count = 0;
            if (pp.secure && c.shut) {  // shut down by a violation: its link is down
                v.port[slot].link = 0;
                remove_from(v.sending, slot);
            }
        }
    for (uint32_t pos = 0; pos < kSecureAddrs; ++pos) {
        const SecureAddr &a = s.addr[pos];
        if (!a.used) continue;
        secure_index(s, pos);
        if (m.topo.exists(a.unit, a.port)) ++v.policy[slot_of(a.unit, a.port)].secure_count;
    }
}

Verdict portsecu_ingress(View &v, Frame &f, Effects &fx) {
    PolicyPort &p = v.policy[f.in];
    if (!p.secure) return Verdict::forward;
    if (SecureAddr *a = secure_find(v.secure, f.src())) {
        if (slot_of(a->unit, a->port) == f.in) {
            if (a->type == KEL_DRV_SECURE_DYNAMIC && a->seen != v.now) {
                a->seen = v.now;
                note(fx, PolicyChange::secure_seen, f.in, f.src());
            }
            return Verdict::forward;
        }
    } else if (p.secure_count < p.secure_max && secure_add(v.secure, f.in, f.src(), v.now)) {
        ++p.secure_count;
        note(fx, PolicyChange::secure_learned, f.in, f.src());
        return Verdict::forward;
    }
    if (p.violation == KEL_DRV_VIOLATION_SHUTDOWN) {
        note(fx, PolicyChange::secure_shut, f.in, f.src());
        v.port[f.in].link = 0;  // nothing more in or out until the model says otherwise
        remove_from(v.sending, f.in);
    } else if (p.violation == KEL_DRV_VIOLATION_RESTRICT) {
        note(fx, PolicyChange::secure_violation, f.in, f.src());
    }
    return Verdict::discard;
}

}  // namespace kelsim
