// trunk.cpp - trunks (family 0x07) and LACP (family 0x11): static and
// dynamic member sets, trunk data, destruction, the distribution criteria,
// whether a port belongs to a static or dynamic trunk, and the LACP system
// and port priorities and a trunk's LACP data.
//
// The trunk-port predicates answer 1 when the driver's answer word (44) is
// nonzero, whatever the status: a failed request reads as no.
#include "../util/guard.h"

#include "../io/request.h"

using kel::Request;
namespace slot = kel::slot;

namespace {

int32_t is_member(uint32_t cmd, const ifport *p) {
    Request r(cmd, p);
    r.send();
    return r->value != 0 ? 1 : 0;
}

}  // namespace

extern "C" {

int32_t kel_static_trunk_set(uint32_t trunk_id, const iflist *ports) {
    return Request(0x0701).set(slot::trunk, trunk_id).buffer(ports).send();
}

int32_t kel_dynamic_trunk_set(uint32_t trunk_id, const iflist *ports) {
    return Request(0x0702).set(slot::trunk, trunk_id).buffer(ports).send();
}

int32_t kel_trunk_get(uint32_t trunk_id, void *info) {
    return Request(0x0703).set(slot::trunk, trunk_id).buffer(info).send();
}

int32_t kel_trunk_destroy(uint32_t trunk_id) { return Request(0x0704).set(slot::trunk, trunk_id).send(); }

int32_t kel_trunk_criteria_set(uint32_t trunk_id, uint32_t criteria) {
    return Request(0x0705).set(slot::trunk, trunk_id).set(slot::param, criteria).send();
}

int32_t kel_trunk_criteria_get(uint32_t trunk_id, uint32_t *criteria) {
    return Request(0x0706).set(slot::trunk, trunk_id).send(slot::param, criteria);
}

int32_t kel_is_static_trunk_port(const ifport *p) { return is_member(0x0707, p); }
int32_t kel_is_dynamic_trunk_port(const ifport *p) { return is_member(0x0708, p); }

int32_t kel_lacp_sys_prio_set(uint32_t priority) { return Request(0x1101).set(slot::prio, priority).send(); }
int32_t kel_lacp_sys_prio_get(uint32_t *priority) { return Request(0x1102).send(slot::prio, priority); }

int32_t kel_lacp_port_prio_set(const ifport *p, uint32_t priority) {
    return Request(0x1103, p).set(slot::prio, priority).send();
}

int32_t kel_lacp_port_prio_get(const ifport *p, uint32_t *priority) {
    return Request(0x1104, p).send(slot::prio, priority);
}

int32_t kel_lacp_info_get(uint32_t trunk_id, void *info) {
    return Request(0x1105).set(slot::trunk, trunk_id).buffer(info).send();
}

}  // extern "C"
