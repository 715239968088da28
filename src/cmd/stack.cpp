// stack.cpp - the stacking commands (family 0x01): port counts per unit, this
// switch's unit number, priorities, management addresses, unit information,
// discovery, firmware synchronisation and the stack-port predicate.
#include "../io/request.h"
#include "portinfo.h"

using kel::Request;

namespace {

Request to_unit(uint32_t cmd, uint32_t unit) {
    Request r(cmd);
    r->unit = unit;
    return r;
}

}  // namespace

extern "C" {

int32_t kel_stack_nr_ports_get(uint32_t unit, uint32_t *count) {
    return to_unit(0x0101, unit).send(&kel_ioreq::count, count);
}

int32_t kel_switch_stack_id_set(uint32_t id) { return to_unit(0x0102, id).send(); }

int32_t kel_switch_stack_id_get(uint32_t *id) {
    return Request(0x0103).send(&kel_ioreq::unit, id);
}

int32_t kel_stack_priority_set(uint32_t unit, uint32_t prio) {
    Request r = to_unit(0x0104, unit);
    r->prio = prio;
    return r.send();
}

int32_t kel_switch_master_ipmask_set(uint32_t ip, uint32_t mask) {
    Request r(0x0105);
    r->addr = ip;
    r->mask = mask;
    return r.send();
}

int32_t kel_switch_master_ipmask_get(uint32_t *ip, uint32_t *mask) {
    return Request(0x0106).send(&kel_ioreq::addr, ip, &kel_ioreq::mask, mask);
}

int32_t kel_switch_stack_ipmask_set(uint32_t unit, uint32_t ip, uint32_t mask) {
    Request r = to_unit(0x0107, unit);
    r->addr = ip;
    r->mask = mask;
    return r.send();
}

int32_t kel_switch_stack_ipmask_get(uint32_t unit, uint32_t *ip, uint32_t *mask) {
    return to_unit(0x0108, unit).send(&kel_ioreq::addr, ip, &kel_ioreq::mask, mask);
}

int32_t kel_stack_info_get(uint32_t unit, void *info) {
    return to_unit(0x0109, unit).buffer(info).send();
}

int32_t kel_stack_discover_startup(void) { return Request(0x010A).send(); }
int32_t kel_is_stack_discover(void) { return kel::ask_yes(0x010B); }
int32_t kel_stack_firmware_sync_set(void) { return Request(0x010C).send(); }

int32_t kel_stack_firmware_sync_get(uint32_t *value) {
    return Request(0x010D).send(&kel_ioreq::value, value);
}

int32_t kel_is_stack_master(void) { return kel::ask_yes(0x010E); }
int32_t kel_is_switch_stackable(void) { return kel::ask_yes(0x010F); }

int32_t kel_is_stack_smart_port(const ifport *p) {
    if (!p) return 0;
    kel::PortInfo info = kel::port_info(p);
    return kel::describes(info, p) && (info.flags & KEL_PORT_FLAG_STACK) != 0;
}

}  // extern "C"
