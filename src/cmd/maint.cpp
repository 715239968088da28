// maint.cpp - the upkeep families: trace log (0x02), line protocol and
// loopback (0x18), cable diagnostics (0x19), watchdog (0x1A), crash dump
// (0x1B), the switch's DHCP client (0x1C) and the private show records
// (0x1E). Plain forwards: the records are the driver's and the library
// reads none of them.
#include "../util/guard.h"

#include "../io/request.h"

using kel::Request;
namespace slot = kel::slot;

extern "C" {

int32_t kel_tracelog_type_set(uint32_t type, uint32_t value) {
    return Request(0x0201).set(slot::sel, type).set(slot::value, value).send();
}

int32_t kel_tracelog_level_set(uint32_t level) { return Request(0x0202).set(slot::prio, level).send(); }

int32_t kel_line_proto_port_set(const ifport *p, uint32_t value) {
    return Request(0x1801, p).set(slot::value, value).send();
}

int32_t kel_line_proto_port_get(const ifport *p, uint32_t *value) {
    return Request(0x1802, p).send(slot::value, value);
}

int32_t kel_line_loopback_get(const ifport *p, uint32_t *value) {
    return Request(0x1803, p).send(slot::value, value);
}

// No len travels: the caller's buffer must hold the driver's whole record.
int32_t kel_cablediag_get(const ifport *p, void *result) { return Request(0x1901, p).buffer(result).send(); }

int32_t kel_watchdog_set(uint32_t value) { return Request(0x1A01).set(slot::value, value).send(); }
int32_t kel_watchdog_get(uint32_t *value) { return Request(0x1A02).send(slot::value, value); }
int32_t kel_watchdog_timer_reset(void) { return Request(0x1A03).send(); }
int32_t kel_watchdog_stat_reset(void) { return Request(0x1A04).send(); }
int32_t kel_watchdog_stat_get(uint32_t *value) { return Request(0x1A05).send(slot::value, value); }

int32_t kel_crashdump_boot_id_set(uint32_t id) { return Request(0x1B01).set(slot::index, id).send(); }

// The flag picks the command; it is not sent itself.
int32_t kel_crashdump_test(uint32_t flag) { return Request(flag ? 0x1B03 : 0x1B02).send(); }

int32_t kel_dhcp_client_state_set(uint32_t state) { return Request(0x1C01).set(slot::value, state).send(); }

int32_t kel_dhcp_client_state_get(uint32_t *state) { return Request(0x1C02).send(slot::value, state); }

// Buffer first, size second; the driver writes at most size bytes.
int32_t kel_show_private_led(void *out, uint32_t size) { return Request(0x1E01).buffer(out, size).send(); }

int32_t kel_show_private_health(void *out, uint32_t size) { return Request(0x1E02).buffer(out, size).send(); }

int32_t kel_show_private_model(void *out, uint32_t size) { return Request(0x1E03).buffer(out, size).send(); }

}  // extern "C"
