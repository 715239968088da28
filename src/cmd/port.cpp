// port.cpp - the port commands (family 0x05): administrative and link state,
// speed, duplex, auto-negotiation, flow control, medium, MDI-X, priority,
// filtering, blocking and discarding, the port's VLAN mode and allowed VLANs,
// its uptime, and the port's trunk, mirror session and spanning-tree state.
//
// Every function is one request; values travel as the driver defines them.
// Like commands place their words differently (priority at 52, discard at 8,
// the VLAN mode at 8 with its VLAN in vid), and the driver relies on it.
#include "../io/request.h"

using kel::Request;

namespace {

using Slot = kel::Slot;

// A setting of one word sent at its slot.
int32_t set_word(uint32_t cmd, const ifport *p, Slot slot, uint32_t value) {
    Request r(cmd, p);
    r.operator->()->*slot = value;
    return r.send();
}

int32_t get_word(uint32_t cmd, const ifport *p, Slot slot, uint32_t *out) {
    return Request(cmd, p).send(slot, out);
}

constexpr Slot kValue = &kel_ioreq::value;

}  // namespace

extern "C" {

int32_t kel_port_uptime_get(const ifport *p, uint32_t *uptime) {
    return get_word(0x0501, p, &kel_ioreq::count, uptime);
}

int32_t kel_port_trunk_id_get(const ifport *p, uint32_t *trunk_id) {
    return get_word(0x0502, p, &kel_ioreq::trunk, trunk_id);
}

int32_t kel_port_mirror_get(const ifport *p, uint32_t *session, uint32_t *value) {
    return Request(0x0503, p).send(&kel_ioreq::session, session, kValue, value);
}

int32_t kel_port_medium_get(const ifport *p, uint32_t *medium) { return get_word(0x0504, p, kValue, medium); }
int32_t kel_port_linkstat_get(const ifport *p, uint32_t *linkstat) {
    return get_word(0x0505, p, kValue, linkstat);
}
int32_t kel_port_stp_get(const ifport *p, uint32_t *state) { return get_word(0x0506, p, kValue, state); }
int32_t kel_port_admin_set(const ifport *p, uint32_t admin) { return set_word(0x0507, p, kValue, admin); }
int32_t kel_port_admin_get(const ifport *p, uint32_t *admin) { return get_word(0x0508, p, kValue, admin); }

int32_t kel_port_vlan_mode_set(const ifport *p, uint32_t vid, uint32_t mode) {
    Request r(0x0509, p);
    r->vid = vid;
    r->sel = mode;
    return r.send();
}

int32_t kel_port_vlan_mode_get(const ifport *p, uint32_t *vid, uint32_t *mode) {
    return Request(0x050A, p).send(&kel_ioreq::vid, vid, &kel_ioreq::sel, mode);
}

int32_t kel_port_admin_vlan_get(const ifport *p, uint32_t *vid) {
    return get_word(0x050C, p, &kel_ioreq::vid, vid);
}

int32_t kel_port_oper_vlan_get(const ifport *p, uint32_t *vid) {
    return get_word(0x050D, p, &kel_ioreq::vid, vid);
}

int32_t kel_port_allow_vlans_add(const ifport *p, const vlanlist *vlans, uint32_t type) {
    Request r(0x050E, p);
    r->sel = type;
    return r.buffer(vlans).send();
}

int32_t kel_port_allow_vlans_del(const ifport *p, const vlanlist *vlans) {
    return Request(0x050F, p).buffer(vlans).send();
}

int32_t kel_port_allow_vlans_get(const ifport *p, vlanlist *vlans, uint32_t type) {
    Request r(0x0510, p);
    r->sel = type;
    return r.buffer(vlans).send();
}

int32_t kel_port_autoneg_set(const ifport *p, uint32_t autoneg) {
    return set_word(0x0511, p, kValue, autoneg);
}
int32_t kel_port_autoneg_get(const ifport *p, uint32_t *autoneg) {
    return get_word(0x0512, p, kValue, autoneg);
}
int32_t kel_port_duplex_set(const ifport *p, uint32_t duplex) { return set_word(0x0513, p, kValue, duplex); }
int32_t kel_port_duplex_get(const ifport *p, uint32_t *duplex) { return get_word(0x0514, p, kValue, duplex); }
int32_t kel_port_speed_set(const ifport *p, uint32_t speed) { return set_word(0x0515, p, kValue, speed); }
int32_t kel_port_speed_get(const ifport *p, uint32_t *speed) { return get_word(0x0516, p, kValue, speed); }
int32_t kel_port_flowctrl_set(const ifport *p, uint32_t flowctrl) {
    return set_word(0x0517, p, kValue, flowctrl);
}
int32_t kel_port_flowctrl_get(const ifport *p, uint32_t *flowctrl) {
    return get_word(0x0518, p, kValue, flowctrl);
}

int32_t kel_port_priority_set(const ifport *p, uint32_t priority) {
    return set_word(0x0519, p, &kel_ioreq::prio, priority);
}

int32_t kel_port_priority_get(const ifport *p, uint32_t *priority) {
    return get_word(0x051A, p, &kel_ioreq::prio, priority);
}

int32_t kel_port_block_set(const ifport *p, uint32_t type, uint32_t block) {
    Request r(0x051B, p);
    r->sel = type;
    r->value = block;
    return r.send();
}

int32_t kel_port_block_get(const ifport *p, uint32_t type, uint32_t *block) {
    Request r(0x051C, p);
    r->sel = type;
    return r.send(kValue, block);
}

int32_t kel_port_ifilter_set(const ifport *p, uint32_t ifilter) {
    return set_word(0x051D, p, kValue, ifilter);
}
int32_t kel_port_ifilter_get(const ifport *p, uint32_t *ifilter) {
    return get_word(0x051E, p, kValue, ifilter);
}

int32_t kel_port_discard_set(const ifport *p, uint32_t discard) {
    return set_word(0x051F, p, &kel_ioreq::sel, discard);
}

int32_t kel_port_discard_get(const ifport *p, uint32_t *discard) {
    return get_word(0x0520, p, &kel_ioreq::sel, discard);
}

int32_t kel_port_mdix_set(const ifport *p, uint32_t mdix) { return set_word(0x0521, p, kValue, mdix); }
int32_t kel_port_mdix_get(const ifport *p, uint32_t *mdix) { return get_word(0x0522, p, kValue, mdix); }

}  // extern "C"
