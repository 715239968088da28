// qos.cpp - CoS queues (family 0x09), rate limits (family 0x0A) and storm
// control (family 0x0B): the priority-to-queue map, the queue scheduling
// policy with its parameters, per-port transmit and receive rates, and
// per-port rate limits by traffic type.
//
// The queue policy's parameters are the only buffer of these families sent
// with a length: the driver reads or writes at most len bytes of it.
#include "../util/guard.h"

#include "../io/request.h"

using kel::Request;
namespace slot = kel::slot;

extern "C" {

int32_t kel_cosq_map_set(uint32_t priority, uint32_t queue) {
    return Request(0x0901).set(slot::prio, priority).set(slot::queue, queue).send();
}

int32_t kel_cosq_map_reset(void) { return Request(0x0902).send(); }

int32_t kel_cosq_map_get(uint32_t priority, uint32_t *queue) {
    return Request(0x0903).set(slot::prio, priority).send(slot::queue, queue);
}

int32_t kel_cosq_policy_set(uint32_t policy, const void *params, uint32_t len) {
    return Request(0x0904).set(slot::param, policy).buffer(params, len).send();
}

int32_t kel_cosq_policy_get(uint32_t *policy, void *params, uint32_t len) {
    return Request(0x0905).buffer(params, len).send(slot::param, policy);
}

// Transmit first: 0x0A01 and 0x0A02, then receive: 0x0A03 and 0x0A04.
int32_t kel_qos_tx_rate_set(const ifport *p, uint32_t rate, uint32_t aux) {
    return Request(0x0A01, p).set(slot::rate, rate).set(slot::aux, aux).send();
}

int32_t kel_qos_tx_rate_get(const ifport *p, uint32_t *rate, uint32_t *aux) {
    return Request(0x0A02, p).send(slot::rate, rate, slot::aux, aux);
}

int32_t kel_qos_rx_rate_set(const ifport *p, uint32_t rate, uint32_t aux) {
    return Request(0x0A03, p).set(slot::rate, rate).set(slot::aux, aux).send();
}

int32_t kel_qos_rx_rate_get(const ifport *p, uint32_t *rate, uint32_t *aux) {
    return Request(0x0A04, p).send(slot::rate, rate, slot::aux, aux);
}

int32_t kel_storm_ctrl_set(const ifport *p, uint32_t type, uint32_t rate) {
    return Request(0x0B01, p).set(slot::sel, type).set(slot::rate, rate).send();
}

int32_t kel_storm_ctrl_get(const ifport *p, uint32_t type, uint32_t *rate) {
    return Request(0x0B02, p).set(slot::sel, type).send(slot::rate, rate);
}

}  // extern "C"
