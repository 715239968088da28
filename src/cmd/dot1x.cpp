// dot1x.cpp - 802.1X port authentication (family 0x10): switch and port
// settings, the RADIUS server table, the local-user table and the two port
// predicates.
//
// RADIUS keys and passwords are copied only into the record handed to the
// driver, on this call's stack, and wiped once the driver has read it.
#include "../io/request.h"
#include "field.h"

using kel::Request;
namespace slot = kel::slot;

namespace {

// The RADIUS server record the library builds: 32 bytes.
constexpr size_t kRadiusSize = 32;
constexpr size_t kRadiusAddr = 0;
constexpr size_t kRadiusKey = 4;
constexpr size_t kRadiusKeyWidth = 16;
constexpr size_t kRadiusPort = 20;

// The local-user record the library builds: 144 bytes.
constexpr size_t kUserSize = 144;
constexpr size_t kUserName = 4;
constexpr size_t kUserPassword = 68;
constexpr size_t kUserTextWidth = 64;
constexpr size_t kUserValue = 132;

// The 802.1X port record as the predicates read it: 72 bytes.
constexpr size_t kPortRecordSize = 72;
constexpr size_t kPortControl = 4;     // 2: 802.1X enabled on the port
constexpr size_t kPortMultiHost = 16;  // 0: a single host
constexpr uint32_t kControlEnabled = 2;

void put_u32(unsigned char *record, size_t offset, uint32_t v) { std::memcpy(record + offset, &v, 4); }

// One word of the port's 802.1X record; 0 when the query fails.
uint32_t port_record_word(const ifport *p, size_t offset) {
    uint32_t record[kPortRecordSize / 4] = {};
    Request(0x1005, p).buffer(record).send();
    return record[offset / 4];
}

}  // namespace

extern "C" {

int32_t kel_dot1x_status_set(uint32_t on) { return Request(0x1001).set(slot::value, on).send(); }
int32_t kel_dot1x_authentic_set(uint32_t method) { return Request(0x1002).set(slot::sel, method).send(); }

int32_t kel_dot1x_sys_info_get(void *info) { return Request(0x1003).buffer(info).send(); }

int32_t kel_dot1x_port_ctrl_set(const ifport *p, uint32_t ctrl) {
    return Request(0x1004, p).set(slot::value, ctrl).send();
}

int32_t kel_dot1x_port_info_get(const ifport *p, void *info) {
    return Request(0x1005, p).buffer(info).send();
}

int32_t kel_is_dot1x_enable_port(const ifport *p) {
    return port_record_word(p, kPortControl) == kControlEnabled ? 1 : 0;
}

int32_t kel_is_dot1x_singlehost_port(const ifport *p) {
    return port_record_word(p, kPortMultiHost) == 0 ? 1 : 0;
}

int32_t kel_dot1x_reauth_enable_set(const ifport *p, uint32_t on) {
    return Request(0x1006, p).set(slot::value, on).send();
}

int32_t kel_dot1x_reauthenticate_set(const ifport *p) { return Request(0x1007, p).send(); }

int32_t kel_dot1x_reauth_period_set(const ifport *p, uint32_t period) {
    return Request(0x1008, p).set(slot::count, period).send();
}

int32_t kel_dot1x_quiet_period_set(const ifport *p, uint32_t period) {
    return Request(0x1009, p).set(slot::count, period).send();
}

int32_t kel_dot1x_server_timeout_set(const ifport *p, uint32_t timeout) {
    return Request(0x100C, p).set(slot::count, timeout).send();
}

int32_t kel_dot1x_multi_host_set(const ifport *p, uint32_t on) {
    return Request(0x100E, p).set(slot::value, on).send();
}

// The guest VLAN travels in the common VLAN word.
int32_t kel_dot1x_guest_vlan_set(const ifport *p, uint32_t vid) {
    return Request(0x100F, p).set(slot::vid, vid).send();
}

int32_t kel_dot1x_radius_set(uint32_t index, uint32_t addr, const char *key, uint32_t udp_port) {
    unsigned char record[kRadiusSize] = {};
    put_u32(record, kRadiusAddr, addr);
    kel::put_field(record + kRadiusKey, kRadiusKeyWidth, key);
    put_u32(record, kRadiusPort, udp_port);
    int32_t rc = Request(0x1010).set(slot::index, index).buffer(record).send();
    kel::wipe(record, sizeof record);
    return rc;
}

int32_t kel_dot1x_radius_del(uint32_t index) { return Request(0x1011).set(slot::index, index).send(); }

int32_t kel_dot1x_radius_get(uint32_t index, void *rec) {
    return Request(0x1012).set(slot::index, index).buffer(rec).send();
}

int32_t kel_dot1x_user_set(const char *name, const char *password, uint32_t value) {
    unsigned char record[kUserSize] = {};
    kel::put_field(record + kUserName, kUserTextWidth, name);
    kel::put_field(record + kUserPassword, kUserTextWidth, password);
    put_u32(record, kUserValue, value);
    int32_t rc = Request(0x1013).buffer(record).send();
    kel::wipe(record, sizeof record);
    return rc;
}

// The caller's own text goes to the driver; nothing is copied.
int32_t kel_dot1x_user_del(const char *name) { return Request(0x1014).buffer(name).send(); }

int32_t kel_dot1x_user_getnext(uint32_t *cursor, void *rec) {
    return Request(0x1015).buffer(rec).walk(cursor);
}

}  // extern "C"
