// pipeline.h - the order in which a frame meets the switch's rules, and the
// rules themselves, each defined by the family that owns its settings
// (sim/family/*_frames.cpp) and reading the View that family compiled.
//
// A stage looks at a frame, may change it (its VLAN, its out set) and
// answers Verdict::forward to pass it on or another verdict to end its way.
// A family adds a rule by adding a stage to the table in pipeline.cpp. After
// the stages, the dataplane sends the frame out of each port of its out set
// with the tag the VLAN family decides, copies it to a mirror's monitor
// port where the mirror family says so, and counts it as the statistics
// family does.
#pragma once

#include <cstdint>

#include "dataplane/frame.h"
#include "dataplane/view.h"

namespace kelsim {

using Stage = Verdict (*)(View &v, Frame &f, Effects &fx);

// A frame as the kernel handed it over on a port's slot: len bytes at data
// (of wire bytes on the wire), and the tag the kernel took off, if any,
// which goes back in place (data must have 4 bytes of headroom).
void frame_from_wire(Frame &f, int slot, uint8_t *data, uint32_t len, uint32_t wire, bool tagged,
                     uint16_t tpid, uint16_t tci);

// Runs a frame through every stage; its verdict.
Verdict switch_frame(View &v, Frame &f, Effects &fx);

// ---- Stages, in pipeline order ---------------------------------------------

// Port family: the ingress port carries frames (its link is up); frames it
// cannot take (runts, oversize frames, group source addresses) end here.
Verdict port_receive(View &v, Frame &f, Effects &fx);
// The switch's own protocols take the frames of the link's reserved group
// addresses (01-80-C2-00-00-00 to -0F): a bridge never forwards them.
Verdict take_control_frames(View &v, Frame &f, Effects &fx);
// Spanning-tree family: a discarding port drops, a learning port learns only.
Verdict stp_ingress(View &v, Frame &f, Effects &fx);
Verdict stp_vlan_ingress(View &v, Frame &f, Effects &fx);  // after VLAN classification
// VLAN family: the frame's VLAN, acceptable frame types, ingress filtering.
Verdict vlan_ingress(View &v, Frame &f, Effects &fx);
// 802.1X family: an unauthorized port passes only EAPOL; guests go to the guest VLAN.
Verdict dot1x_ingress(View &v, Frame &f, Effects &fx);
// Port-security family: secure source addresses, learning up to the maximum, violations.
Verdict portsecu_ingress(View &v, Frame &f, Effects &fx);
// Access-list family: the port's MAC and IP lists (deny, permit, redirect).
Verdict acl_ingress(View &v, Frame &f, Effects &fx);
// CoS, storm-control and rate families: the frame's queue, storm limits, the receive rate.
Verdict qos_ingress(View &v, Frame &f, Effects &fx);
// IGMP and DHCP snooping families: reports, leaves, queries; server messages, bindings.
Verdict snoop_ingress(View &v, Frame &f, Effects &fx);
// MAC table family: the source address is learned (moved, refreshed).
Verdict learn_source(View &v, Frame &f, Effects &fx);
// MAC table and multicast families: the ports the frame goes to.
Verdict forward_frame(View &v, Frame &f, Effects &fx);
// IGMP snooping family: IP multicast to the group's ports and router ports only.
Verdict snoop_egress(View &v, Frame &f, Effects &fx);
// VLAN family: only members of the frame's VLAN send it.
Verdict vlan_egress(View &v, Frame &f, Effects &fx);
// Trunk family: a member of a dynamic trunk that LACP keeps from collecting drops.
Verdict trunk_ingress(View &v, Frame &f, Effects &fx);
// Trunk family: each trunk sends it by one member, chosen by its criteria.
Verdict trunk_egress(View &v, Frame &f, Effects &fx);
// Rate family: a port sends no faster than its transmit rate.
Verdict qos_egress(View &v, Frame &f, Effects &fx);

// ---- What the dataplane asks when it sends ----------------------------------

// VLAN family: whether a port sends frames of a VLAN with a tag.
inline bool vlan_sends_tagged(const View &v, uint16_t vid, int slot) {
    return !in_set(v.vlan[vid].untagged, slot);
}
// Mirror family: the monitor port that gets a copy of what a port received
// (or sent), -1 for none.
int mirror_monitor(const View &v, int slot, bool received);
// MAC table family: ages the View's copy of the table, at most once a second.
void age_fdb(View &v);
// Multicast family: the member ports of a group, null when there is no such group.
const iflist *group_ports(const View &v, const uint8_t *mac, uint16_t vid);
// MAC table family: the ports a frame of its VLAN may be flooded to.
iflist flood_ports(const View &v, const Frame &f);

// ---- Policy state the frames change ------------------------------------------

// IGMP snooping family: leaves whose last-member query interval has passed.
void snoop_timers(View &v, Effects &fx);
// Applies what a frame changed to the model, by the family it belongs to
// (under the lock; now is the switch's clock).
void apply_policy_event(Model &m, const PolicyEvent &e, uint64_t now);
// The families' own timers in the model (secure address ageing, shutdown
// times, lease ends); true when anything changed.
bool policy_upkeep(Model &m, uint64_t now);

// Statistics family: counting frames as the port's counters count them.
void count_received(Effects &fx, const Frame &f, Verdict verdict);
void count_sent(Effects &fx, int slot, const uint8_t *dst, uint32_t wire);
// Frames a port did not send: for want of room (a drop event), or as its link is down.
void count_not_sent(Effects &fx, int slot, uint32_t frames, bool for_want_of_room);
// Frames the kernel lost before the switch saw them, for want of room.
void count_not_received(Effects &fx, int slot, uint32_t frames);
// Adds a port's gathered counters to the model's (wrapping as they do).
void add_counters(Model &m, uint32_t unit, uint32_t port, const uint32_t *delta);

// ---- Control frames ----------------------------------------------------------

// 802.1X family: EAPOL frames (taken, counted where 802.1X applies).
bool is_eapol(const Frame &f);
void dot1x_take_eapol(View &v, Frame &f, Effects &fx);

// A protocol of the switch that takes control frames: match says whether a
// frame is its own, take handles it. Protocols are listed in pipeline.cpp;
// a control frame no protocol takes is taken all the same, and goes no
// further.
struct ControlProtocol {
    const char *name;
    bool (*match)(const Frame &f);
    void (*take)(View &v, Frame &f, Effects &fx);
};

// Spanning-tree family: BPDUs (to 01-80-C2-00-00-00), queued in Effects
// for the protocol; a malformed one, or one beyond a batch's worth, is
// counted as refused.
bool is_bpdu(const Frame &f);
void take_bpdu(View &v, Frame &f, Effects &fx);

// Trunk family: LACPDUs (slow protocols, to 01-80-C2-00-00-02), queued in
// Effects for LACP; a malformed one, or one beyond a batch's worth, is
// counted as refused, a marker PDU dropped.
bool is_lacpdu(const Frame &f);
void take_lacpdu(View &v, Frame &f, Effects &fx);

// GVRP family: GVRP's PDUs (to 01-80-C2-00-00-21) on a port where GVRP
// runs, queued in Effects for GVRP; a malformed one, or one beyond a batch's
// worth, is counted as refused; on a port where GVRP does not run dropped.
bool is_gvrp(const Frame &f);
void take_gvrp(View &v, Frame &f, Effects &fx);

}  // namespace kelsim
