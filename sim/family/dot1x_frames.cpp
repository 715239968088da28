// dot1x_frames.cpp - what 802.1X does to a port's frames.
//
// While 802.1X is on for the switch, a port forced unauthorized, or a port
// whose control is auto and on which no station is authorized, passes no
// frame either way but EAPOL frames (EtherType 0x888E), which the switch
// takes and counts in the port's 802.1X record. With a guest VLAN such a
// port is instead an untagged member of the guest VLAN alone: its frames
// go into that VLAN, and it receives that VLAN's frames only. Once a station
// is authorized, the port passes every station's frames, or on a
// single-host port only the authorized station's. A port forced authorized,
// and every port while 802.1X is off, passes everything. On a port in auto
// control the EAPOL frames go to the authenticator the dataplane runs
// (dot1x_run.h), which authorizes the station that authenticates; without
// a dataplane, kelsim's dot1x command stands in for it.
#include "dataplane/pipeline.h"
#include "family/policy.h"

namespace kelsim {

constexpr uint16_t kEapol = eapol::kEtherType;

namespace {

// An EAPOL frame for the authenticator of its port, if one runs there.
void to_authenticator(const View &v, const Frame &f, Effects &fx) {
    if (!v.policy[f.in].dot1x_auto) return;
    fx.dot1x_changed = true;
    if (fx.eapol_count == kMaxEapol) {
        ++fx.eapol_refused[f.in];
        return;
    }
    EapolIn &e = fx.eapol[fx.eapol_count++];
    uint32_t n = f.len - f.payload();
    e.slot = static_cast<int16_t>(f.in);
    e.len = static_cast<uint16_t>(n < sizeof e.pdu ? n : sizeof e.pdu);
    std::memcpy(e.src, f.src(), 6);
    std::memcpy(e.pdu, f.data + f.payload(), e.len);
}

}  // namespace

void compile_dot1x(const Model &m, View &v) {
    for (uint32_t u = 1; u <= kMaxUnits; ++u)
        for (uint32_t p = 1; p <= m.topo.nports[u - 1]; ++p) {
            int slot = slot_of(u, p);
            PolicyPort &pp = v.policy[slot];
            pp.dot1x = pp.dot1x_auto = 0;
            if (!v.port[slot].present) continue;
            uint32_t state = dot1x_frame_state(m, u, p);
            uint32_t guest = dot1x_guest_vlan(m, u, p);
            if (state == KEL_DRV_DOT1X_GUEST && !(v.vlans.word[(guest - 1) / 32] >> ((guest - 1) % 32) & 1u))
                state = KEL_DRV_DOT1X_UNAUTHORIZED;  // a guest VLAN that does not exist takes in nobody
            pp.dot1x = static_cast<uint8_t>(state);
            if (!state) continue;
            pp.dot1x_auto = dot1x_settings(m, u, p).authenticates;
            pp.single_host = dot1x_single_host(m, u, p);
            std::memcpy(pp.station, m.proto.dot1x[u - 1][p - 1].station, 6);
            if (state == KEL_DRV_DOT1X_UNAUTHORIZED) remove_from(v.sending, slot);
            if (state != KEL_DRV_DOT1X_GUEST) continue;
            pp.guest_vlan = static_cast<uint16_t>(guest);
            for (uint32_t vid = KEL_VLAN_MIN; vid <= KEL_VLAN_MAX; ++vid) {
                remove_from(v.vlan[vid].members, slot);
                remove_from(v.vlan[vid].untagged, slot);
            }
            add_to(v.vlan[guest].members, slot);
            add_to(v.vlan[guest].untagged, slot);
        }
}

Verdict dot1x_ingress(View &v, Frame &f, Effects &fx) {
    const PolicyPort &p = v.policy[f.in];
    if (!p.dot1x) return Verdict::forward;
    if (f.type() == kEapol) {
        fx.policy_event(PolicyChange::eapol, f.in);
        to_authenticator(v, f, fx);
        return Verdict::taken;
    }
    switch (p.dot1x) {
        case KEL_DRV_DOT1X_AUTHORIZED:
            return !p.single_host || std::memcmp(f.src(), p.station, 6) == 0 ? Verdict::forward
                                                                             : Verdict::discard;
        case KEL_DRV_DOT1X_GUEST:
            f.vid = p.guest_vlan;
            return Verdict::forward;
        default:
            return Verdict::discard;
    }
}

// EAPOL frames to the group address of port access entities, taken before
// any rule: counted on a port where 802.1X applies.
void dot1x_take_eapol(View &v, Frame &f, Effects &fx) {
    if (!v.policy[f.in].dot1x) return;
    fx.policy_event(PolicyChange::eapol, f.in);
    to_authenticator(v, f, fx);
}

bool is_eapol(const Frame &f) { return f.type() == kEapol; }

}  // namespace kelsim
