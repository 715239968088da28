// snoop.cpp - GARP timers (family 0x12), GVRP (0x13), IGMP snooping (0x15)
// and DHCP snooping (0x16). Every command forwards its words as given; the
// records and VLAN lists travel by address and belong to the caller.
#include "../util/guard.h"

#include "../io/request.h"

using kel::Request;
namespace slot = kel::slot;

extern "C" {

int32_t kel_garp_port_times_set(const ifport *p, const void *times) {
    return Request(0x1201, p).buffer(times).send();
}

int32_t kel_garp_port_times_get(const ifport *p, void *times) {
    return Request(0x1202, p).buffer(times).send();
}

int32_t kel_gvrp_status_set(uint32_t on) { return Request(0x1301).set(slot::value, on).send(); }
int32_t kel_gvrp_status_get(uint32_t *on) { return Request(0x1302).send(slot::value, on); }
int32_t kel_gvrp_port_set(const ifport *p, uint32_t on) {
    return Request(0x1303, p).set(slot::value, on).send();
}

int32_t kel_gvrp_port_get(const ifport *p, uint32_t *on) { return Request(0x1304, p).send(slot::value, on); }

int32_t kel_gvrp_port_mode_set(const ifport *p, uint32_t mode) {
    return Request(0x1305, p).set(slot::value, mode).send();
}

int32_t kel_gvrp_port_mode_get(const ifport *p, uint32_t *mode) {
    return Request(0x1306, p).send(slot::value, mode);
}

int32_t kel_gvrp_port_stats_get(const ifport *p, void *stats) {
    return Request(0x1307, p).buffer(stats).send();
}

int32_t kel_gvrp_port_stats_clear(const ifport *p) { return Request(0x1308, p).send(); }

int32_t kel_igmpsnoop_status_set(uint32_t on) { return Request(0x1501).set(slot::value, on).send(); }
int32_t kel_igmpsnoop_status_get(uint32_t *on) { return Request(0x1502).send(slot::value, on); }

// The last member query interval is the family's one value in word 64.
int32_t kel_igmpsnoop_lmqi_set(uint32_t interval) {
    return Request(0x1503).set(slot::count, interval).send();
}

int32_t kel_igmpsnoop_lmqi_get(uint32_t *interval) { return Request(0x1504).send(slot::count, interval); }

int32_t kel_igmpsnoop_vlan_set(uint32_t vid, uint32_t on) {
    return Request(0x1505).set(slot::vid, vid).set(slot::value, on).send();
}
int32_t kel_igmpsnoop_vlan_get(uint32_t vid, uint32_t *on) {
    return Request(0x1506).set(slot::vid, vid).send(slot::value, on);
}
int32_t kel_igmpsnoop_ileave_set(uint32_t vid, uint32_t on) {
    return Request(0x1507).set(slot::vid, vid).set(slot::value, on).send();
}
int32_t kel_igmpsnoop_ileave_get(uint32_t vid, uint32_t *on) {
    return Request(0x1508).set(slot::vid, vid).send(slot::value, on);
}
int32_t kel_igmpsnoop_vlan_list_get(vlanlist *list) { return Request(0x1509).buffer(list).send(); }
int32_t kel_igmpsnoop_ileave_list_get(vlanlist *list) { return Request(0x150A).buffer(list).send(); }

int32_t kel_dhcpsnoop_status_set(uint32_t on) { return Request(0x1601).set(slot::value, on).send(); }
int32_t kel_dhcpsnoop_status_get(uint32_t *on) { return Request(0x1602).send(slot::value, on); }
int32_t kel_dhcpsnoop_vlan_set(uint32_t vid, uint32_t on) {
    return Request(0x1603).set(slot::vid, vid).set(slot::value, on).send();
}
int32_t kel_dhcpsnoop_vlan_get(uint32_t vid, uint32_t *on) {
    return Request(0x1604).set(slot::vid, vid).send(slot::value, on);
}

int32_t kel_dhcpsnoop_vlanlist_set(const vlanlist *list) { return Request(0x1605).buffer(list).send(); }
int32_t kel_dhcpsnoop_vlanlist_get(vlanlist *list) { return Request(0x1606).buffer(list).send(); }

int32_t kel_dhcpsnoop_trust_set(const ifport *p, uint32_t on) {
    return Request(0x1607, p).set(slot::value, on).send();
}

int32_t kel_dhcpsnoop_trust_get(const ifport *p, uint32_t *on) {
    return Request(0x1608, p).send(slot::value, on);
}

int32_t kel_dhcpsnoop_bind_getnext(uint32_t *cursor, void *rec) {
    return Request(0x1609).buffer(rec).walk(cursor);
}

}  // extern "C"
