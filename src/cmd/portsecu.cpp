// portsecu.cpp - port security (family 0x17): secure and dynamic addresses,
// address limits, ageing, violation actions and the enabled-port predicate.
#include "setters.h"

using kel::Request;
using kel::set_port_word;

namespace {

// The port-security port record as the predicate reads it: 72 bytes.
constexpr size_t kPortRecordSize = 72;
constexpr size_t kPortEnabled = 12;  // nonzero: port security is on

}  // namespace

extern "C" {

int32_t kel_portsecu_enable_set(const ifport *p, uint32_t on) {
    return set_port_word(0x1701, p, &kel_ioreq::value, on);
}

int32_t kel_portsecu_mac_set(const ifport *p, const uint8_t *mac) {
    return Request(0x1702, p).mac(mac).send();
}

int32_t kel_portsecu_mac_del(const ifport *p, const uint8_t *mac) {
    return Request(0x1703, p).mac(mac).send();
}

int32_t kel_portsecu_mac_getnext(uint32_t *cursor, const ifport *p, uint32_t type, void *rec) {
    Request r(0x1704, p);
    r.buffer(rec)->sel = type;
    return r.walk(cursor);
}

int32_t kel_portsecu_maxaddr_set(const ifport *p, uint32_t max) {
    return set_port_word(0x1705, p, &kel_ioreq::count, max);
}

int32_t kel_portsecu_violation_set(const ifport *p, uint32_t action) {
    return set_port_word(0x1706, p, &kel_ioreq::sel, action);
}

int32_t kel_portsecu_age_time_set(const ifport *p, uint32_t time) {
    return set_port_word(0x1707, p, &kel_ioreq::count, time);
}

int32_t kel_portsecu_age_type_set(const ifport *p, uint32_t type) {
    return set_port_word(0x1708, p, &kel_ioreq::sel, type);
}

int32_t kel_portsecu_shutdown_set(const ifport *p, uint32_t value) {
    return set_port_word(0x1709, p, &kel_ioreq::count, value);
}

int32_t kel_portsecu_port_reup(const ifport *p) { return Request(0x170A, p).send(); }

// The one command of the family that takes a null port: unit and port stay 0.
int32_t kel_portsecu_dynamic_mac_if_clear(const ifport *p) { return Request(0x170B).at_or_none(p).send(); }

int32_t kel_portsecu_dynamic_mac_clear(const uint8_t *mac) { return Request(0x170C).mac(mac).send(); }

int32_t kel_portsecu_info_get(const ifport *p, void *info) { return Request(0x170D, p).buffer(info).send(); }

int32_t kel_is_portsecu_enable_port(const ifport *p) {
    uint32_t record[kPortRecordSize / 4] = {};
    Request(0x170D, p).buffer(record).send();
    return record[kPortEnabled / 4] != 0 ? 1 : 0;
}

}  // extern "C"
