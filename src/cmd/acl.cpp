// acl.cpp - access control lists (family 0x0D): lists and their filters, and
// two predicates that walk them.
//
// The driver owns the lists. The predicates send no request of their own:
// they walk the lists of types 2 and 4 with kel_acl_getnext (and each list's
// filters with kel_acl_filter_getnext) and stop at the first nonzero result,
// so an empty table costs exactly one request per type.
#include "../util/guard.h"

#include "../io/request.h"
#include "kel_driver.h"

using kel::Request;
namespace slot = kel::slot;

namespace {

// The list types the predicates walk.
constexpr uint32_t kTypeA = KEL_DRV_ACL_TYPE_MAC;
constexpr uint32_t kTypeB = KEL_DRV_ACL_TYPE_IP;

// What the predicates read of the driver's records (kel_drv_acl and
// kel_drv_acl_filter), into buffers of the library's own sizes.
constexpr size_t kAclRecordSize = 80;
constexpr size_t kAclNumber = offsetof(kel_drv_acl, number);
constexpr size_t kAclPorts = offsetof(kel_drv_acl, ports);
constexpr size_t kFilterRecordSize = 144;
constexpr size_t kFilterUnit = offsetof(kel_drv_acl_filter, egress_unit);
constexpr size_t kFilterPort = offsetof(kel_drv_acl_filter, egress_port);
static_assert(kAclRecordSize >= sizeof(kel_drv_acl) && kFilterRecordSize >= sizeof(kel_drv_acl_filter));

uint32_t u32_at(const void *record, size_t offset) {
    uint32_t v;
    std::memcpy(&v, static_cast<const unsigned char *>(record) + offset, 4);
    return v;
}

// The filter commands share one shape; only the code differs.
int32_t filter_request(uint32_t cmd, uint32_t number, const void *filter, uint32_t param,
                       const ifport *egress) {
    return Request(cmd)
        .set(slot::list, number)
        .buffer(filter)
        .set(slot::param, param)
        .at_or_none(egress)
        .send();
}

// Whether some list of one type is installed on the port of list bit `bit`.
bool installed_in_type(uint32_t type, uint32_t word, uint32_t bit) {
    uint32_t record[kAclRecordSize / 4] = {};
    uint32_t cursor = 0;
    while (kel_acl_getnext(&cursor, type, record) == 0)
        if ((u32_at(record, kAclPorts + 4 * word) >> bit) & 1u) return true;
    return false;
}

// Whether p is the egress port of a filter in some list of one type.
bool egress_in_type(uint32_t type, const ifport *p) {
    uint32_t list[kAclRecordSize / 4] = {};
    uint32_t filter[kFilterRecordSize / 4] = {};
    uint32_t list_cursor = 0;
    while (kel_acl_getnext(&list_cursor, type, list) == 0) {
        uint32_t number = u32_at(list, kAclNumber);
        uint32_t filter_cursor = 0;  // every list's filters from the first
        while (kel_acl_filter_getnext(&filter_cursor, number, filter) == 0)
            if (u32_at(filter, kFilterUnit) == static_cast<uint32_t>(p->unit) &&
                u32_at(filter, kFilterPort) == static_cast<uint32_t>(p->port))
                return true;
    }
    return false;
}

}  // namespace

extern "C" {

int32_t kel_acl_create(const char *name, uint32_t type, uint32_t *number) {
    return Request(0x0D01).buffer(name).set(slot::sel, type).send(slot::list, number);
}

int32_t kel_acl_destroy(const char *name) { return Request(0x0D02).buffer(name).send(); }

// The only command whose block carries a second address: the record at 96.
int32_t kel_acl_get(const char *name, void *rec) { return Request(0x0D03).buffer(name).record(rec).send(); }

int32_t kel_acl_getnext(uint32_t *cursor, uint32_t type, void *rec) {
    return Request(0x0D04).set(slot::sel, type).buffer(rec).walk(cursor);
}

int32_t kel_acl_filter_install(const char *name, uint32_t sel, const ifport *p) {
    return Request(0x0D05, p).buffer(name).set(slot::sel, sel).send();
}

int32_t kel_acl_filter_remove(uint32_t sel, const ifport *p) {
    return Request(0x0D06, p).set(slot::sel, sel).send();
}

int32_t kel_acl_filter_getnext(uint32_t *cursor, uint32_t number, void *rec) {
    return Request(0x0D07).set(slot::list, number).buffer(rec).walk(cursor);
}

int32_t kel_acl_mac_filter_add(uint32_t number, const void *filter, uint32_t param, const ifport *egress) {
    return filter_request(0x0D08, number, filter, param, egress);
}

int32_t kel_acl_mac_filter_del(uint32_t number, const void *filter, uint32_t param, const ifport *egress) {
    return filter_request(0x0D09, number, filter, param, egress);
}

int32_t kel_acl_ip_filter_add(uint32_t number, const void *filter, uint32_t param, const ifport *egress) {
    return filter_request(0x0D0A, number, filter, param, egress);
}

int32_t kel_acl_ip_filter_del(uint32_t number, const void *filter, uint32_t param, const ifport *egress) {
    return filter_request(0x0D0B, number, filter, param, egress);
}

int32_t kel_is_acl_attach_port(const ifport *p) {
    if (!p) return 0;
    // Bit (port - 1) of word (unit - 1) of the list, carried into the next
    // words for port numbers above 32; a port outside the list's 256 bits
    // is on no list, and the walk is not made.
    int64_t index = (static_cast<int64_t>(p->unit) - 1) * 32 + (static_cast<int64_t>(p->port) - 1);
    if (p->unit < 1 || p->port < 1 || index >= 32 * KEL_IFLIST_WORDS) return 0;
    auto word = static_cast<uint32_t>(index / 32), bit = static_cast<uint32_t>(index % 32);
    return installed_in_type(kTypeA, word, bit) || installed_in_type(kTypeB, word, bit) ? 1 : 0;
}

int32_t kel_is_filter_egress_port(const ifport *p) {
    if (!p) return 0;
    return egress_in_type(kTypeB, p) || egress_in_type(kTypeA, p) ? 1 : 0;
}

}  // extern "C"
