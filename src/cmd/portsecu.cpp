// portsecu.cpp - port security (family 0x17): secure and dynamic addresses,
// address limits, ageing, violation actions and the enabled-port predicate.
#include "../util/guard.h"

#include "../io/request.h"
#include "kel_driver.h"

using kel::Request;
namespace slot = kel::slot;

namespace {

// The port-security port record (kel_drv_portsecu) as the predicate reads
// it, into a buffer of 72 bytes.
constexpr size_t kPortRecordSize = 72;
constexpr size_t kPortEnabled = offsetof(kel_drv_portsecu, enabled);  // nonzero: port security is on
static_assert(kPortRecordSize >= sizeof(kel_drv_portsecu));

}  // namespace

extern "C" {

int32_t kel_portsecu_enable_set(const ifport *p, uint32_t on) {
    return Request(0x1701, p).set(slot::value, on).send();
}

int32_t kel_portsecu_mac_set(const ifport *p, const uint8_t *mac) {
    return Request(0x1702, p).mac(mac).send();
}

int32_t kel_portsecu_mac_del(const ifport *p, const uint8_t *mac) {
    return Request(0x1703, p).mac(mac).send();
}

int32_t kel_portsecu_mac_getnext(uint32_t *cursor, const ifport *p, uint32_t type, void *rec) {
    return Request(0x1704, p).set(slot::sel, type).buffer(rec).walk(cursor);
}

int32_t kel_portsecu_maxaddr_set(const ifport *p, uint32_t max) {
    return Request(0x1705, p).set(slot::count, max).send();
}

int32_t kel_portsecu_violation_set(const ifport *p, uint32_t action) {
    return Request(0x1706, p).set(slot::sel, action).send();
}

int32_t kel_portsecu_age_time_set(const ifport *p, uint32_t time) {
    return Request(0x1707, p).set(slot::count, time).send();
}

int32_t kel_portsecu_age_type_set(const ifport *p, uint32_t type) {
    return Request(0x1708, p).set(slot::sel, type).send();
}

int32_t kel_portsecu_shutdown_set(const ifport *p, uint32_t value) {
    return Request(0x1709, p).set(slot::count, value).send();
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
