// snoop.cpp - GARP timers (family 0x12), GVRP (0x13), IGMP snooping (0x15)
// and DHCP snooping (0x16). Every command forwards its words as given; the
// records and VLAN lists travel by address and belong to the caller.
#include "setters.h"

using kel::Request;

namespace {

int32_t set_value(uint32_t cmd, uint32_t on) { return kel::set_word(cmd, &kel_ioreq::value, on); }

int32_t set_port_value(uint32_t cmd, const ifport *p, uint32_t on) {
    return kel::set_port_word(cmd, p, &kel_ioreq::value, on);
}

int32_t set_vlan_value(uint32_t cmd, uint32_t vid, uint32_t on) {
    Request r(cmd);
    r->vid = vid;
    r->value = on;
    return r.send();
}

int32_t get_vlan_value(uint32_t cmd, uint32_t vid, uint32_t *on) {
    Request r(cmd);
    r->vid = vid;
    return r.send(&kel_ioreq::value, on);
}

}  // namespace

extern "C" {

int32_t kel_garp_port_times_set(const ifport *p, const void *times) {
    return Request(0x1201, p).buffer(times).send();
}

int32_t kel_garp_port_times_get(const ifport *p, void *times) {
    return Request(0x1202, p).buffer(times).send();
}

int32_t kel_gvrp_status_set(uint32_t on) { return set_value(0x1301, on); }
int32_t kel_gvrp_status_get(uint32_t *on) { return Request(0x1302).send(&kel_ioreq::value, on); }
int32_t kel_gvrp_port_set(const ifport *p, uint32_t on) { return set_port_value(0x1303, p, on); }

int32_t kel_gvrp_port_get(const ifport *p, uint32_t *on) {
    return Request(0x1304, p).send(&kel_ioreq::value, on);
}

int32_t kel_gvrp_port_mode_set(const ifport *p, uint32_t mode) { return set_port_value(0x1305, p, mode); }

int32_t kel_gvrp_port_mode_get(const ifport *p, uint32_t *mode) {
    return Request(0x1306, p).send(&kel_ioreq::value, mode);
}

int32_t kel_gvrp_port_stats_get(const ifport *p, void *stats) {
    return Request(0x1307, p).buffer(stats).send();
}

int32_t kel_gvrp_port_stats_clear(const ifport *p) { return Request(0x1308, p).send(); }

int32_t kel_igmpsnoop_status_set(uint32_t on) { return set_value(0x1501, on); }
int32_t kel_igmpsnoop_status_get(uint32_t *on) { return Request(0x1502).send(&kel_ioreq::value, on); }

// The last member query interval is the family's one value in word 64.
int32_t kel_igmpsnoop_lmqi_set(uint32_t interval) {
    return kel::set_word(0x1503, &kel_ioreq::count, interval);
}

int32_t kel_igmpsnoop_lmqi_get(uint32_t *interval) {
    return Request(0x1504).send(&kel_ioreq::count, interval);
}

int32_t kel_igmpsnoop_vlan_set(uint32_t vid, uint32_t on) { return set_vlan_value(0x1505, vid, on); }
int32_t kel_igmpsnoop_vlan_get(uint32_t vid, uint32_t *on) { return get_vlan_value(0x1506, vid, on); }
int32_t kel_igmpsnoop_ileave_set(uint32_t vid, uint32_t on) { return set_vlan_value(0x1507, vid, on); }
int32_t kel_igmpsnoop_ileave_get(uint32_t vid, uint32_t *on) { return get_vlan_value(0x1508, vid, on); }
int32_t kel_igmpsnoop_vlan_list_get(vlanlist *list) { return Request(0x1509).buffer(list).send(); }
int32_t kel_igmpsnoop_ileave_list_get(vlanlist *list) { return Request(0x150A).buffer(list).send(); }

int32_t kel_dhcpsnoop_status_set(uint32_t on) { return set_value(0x1601, on); }
int32_t kel_dhcpsnoop_status_get(uint32_t *on) { return Request(0x1602).send(&kel_ioreq::value, on); }
int32_t kel_dhcpsnoop_vlan_set(uint32_t vid, uint32_t on) { return set_vlan_value(0x1603, vid, on); }
int32_t kel_dhcpsnoop_vlan_get(uint32_t vid, uint32_t *on) { return get_vlan_value(0x1604, vid, on); }

int32_t kel_dhcpsnoop_vlanlist_set(const vlanlist *list) { return Request(0x1605).buffer(list).send(); }
int32_t kel_dhcpsnoop_vlanlist_get(vlanlist *list) { return Request(0x1606).buffer(list).send(); }

int32_t kel_dhcpsnoop_trust_set(const ifport *p, uint32_t on) { return set_port_value(0x1607, p, on); }

int32_t kel_dhcpsnoop_trust_get(const ifport *p, uint32_t *on) {
    return Request(0x1608, p).send(&kel_ioreq::value, on);
}

int32_t kel_dhcpsnoop_bind_getnext(uint32_t *cursor, void *rec) {
    return Request(0x1609).buffer(rec).walk(cursor);
}

}  // extern "C"
