// stack.cpp - the stacking commands (family 0x01): port counts per unit, this
// switch's unit number, priorities, management addresses, unit information,
// discovery, firmware synchronisation and the stack-port predicate.
#include "../util/guard.h"

#include "../io/request.h"
#include "portinfo.h"

using kel::Request;
namespace slot = kel::slot;

extern "C" {

int32_t kel_stack_nr_ports_get(uint32_t unit, uint32_t *count) {
    return Request(0x0101).set(slot::unit, unit).send(slot::count, count);
}

int32_t kel_switch_stack_id_set(uint32_t id) { return Request(0x0102).set(slot::unit, id).send(); }
// The driver answers this switch's unit number in the unit word itself.
int32_t kel_switch_stack_id_get(uint32_t *id) { return Request(0x0103).send(slot::unit, id); }

int32_t kel_stack_priority_set(uint32_t unit, uint32_t prio) {
    return Request(0x0104).set(slot::unit, unit).set(slot::prio, prio).send();
}

int32_t kel_switch_master_ipmask_set(uint32_t ip, uint32_t mask) {
    return Request(0x0105).set(slot::addr, ip).set(slot::mask, mask).send();
}

int32_t kel_switch_master_ipmask_get(uint32_t *ip, uint32_t *mask) {
    return Request(0x0106).send(slot::addr, ip, slot::mask, mask);
}

int32_t kel_switch_stack_ipmask_set(uint32_t unit, uint32_t ip, uint32_t mask) {
    return Request(0x0107).set(slot::unit, unit).set(slot::addr, ip).set(slot::mask, mask).send();
}

int32_t kel_switch_stack_ipmask_get(uint32_t unit, uint32_t *ip, uint32_t *mask) {
    return Request(0x0108).set(slot::unit, unit).send(slot::addr, ip, slot::mask, mask);
}

int32_t kel_stack_info_get(uint32_t unit, void *info) {
    return Request(0x0109).set(slot::unit, unit).buffer(info).send();
}

int32_t kel_stack_discover_startup(void) { return Request(0x010A).send(); }
int32_t kel_is_stack_discover(void) { return kel::ask_yes(0x010B); }
int32_t kel_stack_firmware_sync_set(void) { return Request(0x010C).send(); }
int32_t kel_stack_firmware_sync_get(uint32_t *value) { return Request(0x010D).send(slot::value, value); }
int32_t kel_is_stack_master(void) { return kel::ask_yes(0x010E); }
int32_t kel_is_switch_stackable(void) { return kel::ask_yes(0x010F); }

// Asks for the port information record (0x0008) and tests the stack flag.
int32_t kel_is_stack_smart_port(const ifport *p) { return kel::port_has_flag(p, KEL_PORT_FLAG_STACK); }

}  // extern "C"
