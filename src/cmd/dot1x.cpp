// dot1x.cpp - 802.1X port authentication (family 0x10): switch and port
// settings, the RADIUS server table, the local-user table and the two port
// predicates.
//
// RADIUS keys and passwords are copied only into the record handed to the
// driver, on this call's stack, and wiped once the driver has read it.
#include "../util/guard.h"

#include "../io/request.h"
#include "field.h"
#include "kel_driver.h"

using kel::Request;
namespace slot = kel::slot;

namespace {

// The RADIUS server record the library builds (kel_drv_radius_set).
constexpr size_t kRadiusSize = sizeof(kel_drv_radius_set);
constexpr size_t kRadiusAddr = offsetof(kel_drv_radius_set, addr);
constexpr size_t kRadiusKey = offsetof(kel_drv_radius_set, key);
constexpr size_t kRadiusKeyWidth = KEL_DRV_RADIUS_KEY_WIDTH;
constexpr size_t kRadiusPort = offsetof(kel_drv_radius_set, udp_port);

// The local-user record the library builds (kel_drv_user_set).
constexpr size_t kUserSize = sizeof(kel_drv_user_set);
constexpr size_t kUserName = offsetof(kel_drv_user_set, name);
constexpr size_t kUserPassword = offsetof(kel_drv_user_set, password);
constexpr size_t kUserTextWidth = KEL_DRV_USER_TEXT_WIDTH;
constexpr size_t kUserValue = offsetof(kel_drv_user_set, value);

// The 802.1X port record (kel_drv_dot1x_port) as the predicates read it,
// into a buffer of 72 bytes.
constexpr size_t kPortRecordSize = 72;
constexpr size_t kPortControl = offsetof(kel_drv_dot1x_port, control);
constexpr size_t kPortMultiHost = offsetof(kel_drv_dot1x_port, multi_host);  // 0: a single host
constexpr uint32_t kControlEnabled = KEL_DRV_DOT1X_AUTO;                     // 802.1X runs on the port
static_assert(kPortRecordSize >= sizeof(kel_drv_dot1x_port));

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
