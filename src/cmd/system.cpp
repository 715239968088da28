// system.cpp - the system commands (family 0x00): port names and port
// information, port count, MAC address, management address and VLAN, reboot,
// start-up complete, upgrade and the readiness queries.
#include "../io/request.h"
#include "portinfo.h"

using kel::Request;

namespace kel {

PortInfo port_info(const ifport *p) {
    unsigned char record[KEL_PORTINFO_SIZE];
    std::memset(record, 0, sizeof record);
    Request(0x0008, p).buffer(record).send();
    PortInfo info;
    std::memcpy(&info.unit, record + KEL_PORTINFO_UNIT, 4);
    std::memcpy(&info.port, record + KEL_PORTINFO_PORT, 4);
    std::memcpy(&info.flags, record + KEL_PORTINFO_FLAGS, 4);
    return info;
}

}  // namespace kel

extern "C" {

int32_t kel_ifport_name_get(const ifport *p, char *name, uint32_t size) {
    return Request(0x0001, p).buffer(name, size).send();
}

int32_t kel_system_nr_ports_get(uint32_t *count) {
    return Request(0x0002).send(&kel_ioreq::count, count);
}

int32_t kel_system_mac_addr_get(uint8_t *mac) {
    Request r(0x0003);
    int32_t rc = r.send();
    if (mac) std::memcpy(mac, r->mac, sizeof r->mac);
    return rc;
}

int32_t kel_system_ip_mask_set(uint32_t ip, uint32_t mask) {
    Request r(0x0004);
    r->addr = ip;
    r->mask = mask;
    return r.send();
}

int32_t kel_system_ip_mask_get(uint32_t *ip, uint32_t *mask) {
    return Request(0x0005).send(&kel_ioreq::addr, ip, &kel_ioreq::mask, mask);
}

int32_t kel_system_vlan_id_set(uint32_t vid) {
    Request r(0x0006);
    r->vid = vid;
    return r.send();
}

int32_t kel_system_vlan_id_get(uint32_t *vid) {
    return Request(0x0007).send(&kel_ioreq::vid, vid);
}

int32_t kel_system_port_info_get(const ifport *p, void *info) {
    return Request(0x0008, p).buffer(info).send();
}

int32_t kel_is_system_ifport(const ifport *p) {
    if (!p) return 0;
    kel::PortInfo info = kel::port_info(p);
    return info.unit != 0 && info.port != 0 && kel::describes(info, p);
}

int32_t kel_is_system_feport(const ifport *p) {
    if (!p) return 0;
    kel::PortInfo info = kel::port_info(p);
    return kel::describes(info, p) && (info.flags & KEL_PORT_FLAG_FE) != 0;
}

int32_t kel_is_system_geport(const ifport *p) {
    if (!p) return 0;
    kel::PortInfo info = kel::port_info(p);
    return kel::describes(info, p) && (info.flags & KEL_PORT_FLAG_GE) != 0;
}

int32_t kel_system_reboot(void) { return Request(0x0009).send(); }
int32_t kel_system_startup_complete(void) { return Request(0x000A).send(); }
int32_t kel_lib_is_system_ready(void) { return kel::ask_yes(0x000B); }
int32_t kel_system_upgrade(void) { return Request(0x000C).send(); }
int32_t kel_is_system_upgrade(void) { return kel::ask_yes(0x000D); }

}  // extern "C"
