// qos.cpp - CoS queues (family 0x09), rate limits (family 0x0A) and storm
// control (family 0x0B): the priority-to-queue map, the queue scheduling
// policy with its parameters, per-port transmit and receive rates, and
// per-port rate limits by traffic type.
//
// The queue policy's parameters are the only buffer of these families sent
// with a length: the driver reads or writes at most len bytes of it.
#include "../io/request.h"

using kel::Request;

namespace {

int32_t rate_set(uint32_t cmd, const ifport *p, uint32_t rate, uint32_t aux) {
    Request r(cmd, p);
    r->rate = rate;
    r->aux = aux;
    return r.send();
}

int32_t rate_get(uint32_t cmd, const ifport *p, uint32_t *rate, uint32_t *aux) {
    return Request(cmd, p).send(&kel_ioreq::rate, rate, &kel_ioreq::aux, aux);
}

}  // namespace

extern "C" {

int32_t kel_cosq_map_set(uint32_t priority, uint32_t queue) {
    Request r(0x0901);
    r->prio = priority;
    r->queue = queue;
    return r.send();
}

int32_t kel_cosq_map_reset(void) { return Request(0x0902).send(); }

int32_t kel_cosq_map_get(uint32_t priority, uint32_t *queue) {
    Request r(0x0903);
    r->prio = priority;
    return r.send(&kel_ioreq::queue, queue);
}

int32_t kel_cosq_policy_set(uint32_t policy, const void *params, uint32_t len) {
    Request r(0x0904);
    r->param = policy;
    return r.buffer(params, len).send();
}

int32_t kel_cosq_policy_get(uint32_t *policy, void *params, uint32_t len) {
    return Request(0x0905).buffer(params, len).send(&kel_ioreq::param, policy);
}

int32_t kel_qos_tx_rate_set(const ifport *p, uint32_t rate, uint32_t aux) {
    return rate_set(0x0A01, p, rate, aux);
}
int32_t kel_qos_tx_rate_get(const ifport *p, uint32_t *rate, uint32_t *aux) {
    return rate_get(0x0A02, p, rate, aux);
}
int32_t kel_qos_rx_rate_set(const ifport *p, uint32_t rate, uint32_t aux) {
    return rate_set(0x0A03, p, rate, aux);
}
int32_t kel_qos_rx_rate_get(const ifport *p, uint32_t *rate, uint32_t *aux) {
    return rate_get(0x0A04, p, rate, aux);
}

int32_t kel_storm_ctrl_set(const ifport *p, uint32_t type, uint32_t rate) {
    Request r(0x0B01, p);
    r->sel = type;
    r->rate = rate;
    return r.send();
}

int32_t kel_storm_ctrl_get(const ifport *p, uint32_t type, uint32_t *rate) {
    Request r(0x0B02, p);
    r->sel = type;
    return r.send(&kel_ioreq::rate, rate);
}

}  // extern "C"
