// system.cpp - the system commands (family 0x00): port names and port
// information, port count, MAC address, management address and VLAN, reboot,
// start-up complete, upgrade and the readiness queries.
#include "../util/guard.h"

#include "../io/request.h"
#include "kel_driver.h"
#include "portinfo.h"

using kel::Request;
namespace slot = kel::slot;

namespace kel {

PortInfo port_info(const ifport *p) {
    unsigned char record[sizeof(kel_drv_portinfo)] = {};
    Request(0x0008, p).buffer(record).send();
    PortInfo info;
    std::memcpy(&info.unit, record + offsetof(kel_drv_portinfo, unit), 4);
    std::memcpy(&info.port, record + offsetof(kel_drv_portinfo, port), 4);
    std::memcpy(&info.flags, record + offsetof(kel_drv_portinfo, flags), 4);
    return info;
}

int32_t port_has_flag(const ifport *p, uint32_t flag) {
    if (!p) return 0;
    PortInfo info = port_info(p);
    return describes(info, p) && (info.flags & flag) != 0;
}

}  // namespace kel

extern "C" {

int32_t kel_ifport_name_get(const ifport *p, char *name, uint32_t size) {
    return Request(0x0001, p).buffer(name, size).send();
}

int32_t kel_system_nr_ports_get(uint32_t *count) { return Request(0x0002).send(slot::count, count); }

int32_t kel_system_mac_addr_get(uint8_t *mac) {
    Request r(0x0003);
    int32_t rc = r.send();
    if (mac) std::memcpy(mac, r->mac, sizeof r->mac);
    return rc;
}

int32_t kel_system_ip_mask_set(uint32_t ip, uint32_t mask) {
    return Request(0x0004).set(slot::addr, ip).set(slot::mask, mask).send();
}

int32_t kel_system_ip_mask_get(uint32_t *ip, uint32_t *mask) {
    return Request(0x0005).send(slot::addr, ip, slot::mask, mask);
}

int32_t kel_system_vlan_id_set(uint32_t vid) { return Request(0x0006).set(slot::vid, vid).send(); }
int32_t kel_system_vlan_id_get(uint32_t *vid) { return Request(0x0007).send(slot::vid, vid); }

int32_t kel_system_port_info_get(const ifport *p, void *info) {
    return Request(0x0008, p).buffer(info).send();
}

// Unlike the kind tests, existence also asks for a nonzero unit and port.
int32_t kel_is_system_ifport(const ifport *p) {
    if (!p) return 0;
    kel::PortInfo info = kel::port_info(p);
    return info.unit != 0 && info.port != 0 && kel::describes(info, p);
}

int32_t kel_is_system_feport(const ifport *p) { return kel::port_has_flag(p, KEL_PORT_FLAG_FE); }
int32_t kel_is_system_geport(const ifport *p) { return kel::port_has_flag(p, KEL_PORT_FLAG_GE); }

int32_t kel_system_reboot(void) { return Request(0x0009).send(); }
int32_t kel_system_startup_complete(void) { return Request(0x000A).send(); }
int32_t kel_lib_is_system_ready(void) { return kel::ask_yes(0x000B); }
int32_t kel_system_upgrade(void) { return Request(0x000C).send(); }
int32_t kel_is_system_upgrade(void) { return kel::ask_yes(0x000D); }

}  // extern "C"
