// port.cpp - the port commands (family 0x05): administrative and link state,
// speed, duplex, auto-negotiation, flow control, medium, MDI-X, priority,
// filtering, blocking and discarding, the port's VLAN mode and allowed VLANs,
// its uptime, and the port's trunk, mirror session and spanning-tree state.
//
// Every function is one request; values travel as the driver defines them.
// Like commands place their words differently (priority at 52, discard at 8,
// the VLAN mode at 8 with its VLAN in vid), and the driver relies on it.
#include "../util/guard.h"

#include "../io/request.h"

using kel::Request;
namespace slot = kel::slot;

extern "C" {

int32_t kel_port_uptime_get(const ifport *p, uint32_t *uptime) {
    return Request(0x0501, p).send(slot::count, uptime);
}

int32_t kel_port_trunk_id_get(const ifport *p, uint32_t *trunk_id) {
    return Request(0x0502, p).send(slot::trunk, trunk_id);
}

int32_t kel_port_mirror_get(const ifport *p, uint32_t *session, uint32_t *value) {
    return Request(0x0503, p).send(slot::session, session, slot::value, value);
}

int32_t kel_port_medium_get(const ifport *p, uint32_t *medium) {
    return Request(0x0504, p).send(slot::value, medium);
}

int32_t kel_port_linkstat_get(const ifport *p, uint32_t *linkstat) {
    return Request(0x0505, p).send(slot::value, linkstat);
}

int32_t kel_port_stp_get(const ifport *p, uint32_t *state) {
    return Request(0x0506, p).send(slot::value, state);
}

int32_t kel_port_admin_set(const ifport *p, uint32_t admin) {
    return Request(0x0507, p).set(slot::value, admin).send();
}

int32_t kel_port_admin_get(const ifport *p, uint32_t *admin) {
    return Request(0x0508, p).send(slot::value, admin);
}

int32_t kel_port_vlan_mode_set(const ifport *p, uint32_t vid, uint32_t mode) {
    return Request(0x0509, p).set(slot::vid, vid).set(slot::sel, mode).send();
}

int32_t kel_port_vlan_mode_get(const ifport *p, uint32_t *vid, uint32_t *mode) {
    return Request(0x050A, p).send(slot::vid, vid, slot::sel, mode);
}

int32_t kel_port_admin_vlan_get(const ifport *p, uint32_t *vid) {
    return Request(0x050C, p).send(slot::vid, vid);
}

int32_t kel_port_oper_vlan_get(const ifport *p, uint32_t *vid) {
    return Request(0x050D, p).send(slot::vid, vid);
}

int32_t kel_port_allow_vlans_add(const ifport *p, const vlanlist *vlans, uint32_t type) {
    return Request(0x050E, p).set(slot::sel, type).buffer(vlans).send();
}

// No type word: the driver removes the VLANs from every allowed list.
int32_t kel_port_allow_vlans_del(const ifport *p, const vlanlist *vlans) {
    return Request(0x050F, p).buffer(vlans).send();
}

int32_t kel_port_allow_vlans_get(const ifport *p, vlanlist *vlans, uint32_t type) {
    return Request(0x0510, p).set(slot::sel, type).buffer(vlans).send();
}

int32_t kel_port_autoneg_set(const ifport *p, uint32_t autoneg) {
    return Request(0x0511, p).set(slot::value, autoneg).send();
}

int32_t kel_port_autoneg_get(const ifport *p, uint32_t *autoneg) {
    return Request(0x0512, p).send(slot::value, autoneg);
}

int32_t kel_port_duplex_set(const ifport *p, uint32_t duplex) {
    return Request(0x0513, p).set(slot::value, duplex).send();
}

int32_t kel_port_duplex_get(const ifport *p, uint32_t *duplex) {
    return Request(0x0514, p).send(slot::value, duplex);
}

int32_t kel_port_speed_set(const ifport *p, uint32_t speed) {
    return Request(0x0515, p).set(slot::value, speed).send();
}

int32_t kel_port_speed_get(const ifport *p, uint32_t *speed) {
    return Request(0x0516, p).send(slot::value, speed);
}

int32_t kel_port_flowctrl_set(const ifport *p, uint32_t flowctrl) {
    return Request(0x0517, p).set(slot::value, flowctrl).send();
}

int32_t kel_port_flowctrl_get(const ifport *p, uint32_t *flowctrl) {
    return Request(0x0518, p).send(slot::value, flowctrl);
}

int32_t kel_port_priority_set(const ifport *p, uint32_t priority) {
    return Request(0x0519, p).set(slot::prio, priority).send();
}

int32_t kel_port_priority_get(const ifport *p, uint32_t *priority) {
    return Request(0x051A, p).send(slot::prio, priority);
}

int32_t kel_port_block_set(const ifport *p, uint32_t type, uint32_t block) {
    return Request(0x051B, p).set(slot::sel, type).set(slot::value, block).send();
}

int32_t kel_port_block_get(const ifport *p, uint32_t type, uint32_t *block) {
    return Request(0x051C, p).set(slot::sel, type).send(slot::value, block);
}

int32_t kel_port_ifilter_set(const ifport *p, uint32_t ifilter) {
    return Request(0x051D, p).set(slot::value, ifilter).send();
}

int32_t kel_port_ifilter_get(const ifport *p, uint32_t *ifilter) {
    return Request(0x051E, p).send(slot::value, ifilter);
}

int32_t kel_port_discard_set(const ifport *p, uint32_t discard) {
    return Request(0x051F, p).set(slot::sel, discard).send();
}

int32_t kel_port_discard_get(const ifport *p, uint32_t *discard) {
    return Request(0x0520, p).send(slot::sel, discard);
}

int32_t kel_port_mdix_set(const ifport *p, uint32_t mdix) {
    return Request(0x0521, p).set(slot::value, mdix).send();
}

int32_t kel_port_mdix_get(const ifport *p, uint32_t *mdix) {
    return Request(0x0522, p).send(slot::value, mdix);
}

}  // extern "C"
