// mcast.cpp - the multicast table (family 0x04): static groups with their
// member ports and priority, removal whole or port by port, and reading any
// group by its address and VLAN or walking the table.
//
// The reads refuse a null entry buffer before anything is sent; the walks
// end when the driver answers 65535 at the cursor word, which then keeps its
// value.
#include "../util/guard.h"

#include "../io/request.h"

using kel::Request;
namespace slot = kel::slot;

namespace {

// A group is named by its MAC address and VLAN.
Request group(uint32_t cmd, const uint8_t mac[6], uint32_t vid) {
    Request r(cmd);
    r.mac(mac).set(slot::vid, vid);
    return r;
}

int32_t walk(uint32_t cmd, uint32_t *cursor, void *entry) {
    if (!entry) return KEL_ERR_PARAM;
    return Request(cmd).buffer(entry).walk_to_end(cursor);
}

}  // namespace

extern "C" {

int32_t kel_static_mcast_add(const uint8_t mac[6], uint32_t vid, uint32_t priority, const iflist *ports) {
    return group(0x0401, mac, vid).set(slot::prio, priority).buffer(ports).send();
}

int32_t kel_static_mcast_del(const uint8_t mac[6], uint32_t vid) { return group(0x0402, mac, vid).send(); }

int32_t kel_static_mcast_ports_del(const uint8_t mac[6], uint32_t vid, const iflist *ports) {
    return group(0x0403, mac, vid).buffer(ports).send();
}

int32_t kel_mcast_get(const uint8_t mac[6], uint32_t vid, void *entry) {
    if (!entry) return KEL_ERR_PARAM;
    return group(0x0404, mac, vid).buffer(entry).send();
}

int32_t kel_mcast_getnext(uint32_t *cursor, void *entry) { return walk(0x0405, cursor, entry); }
int32_t kel_static_mcast_getnext(uint32_t *cursor, void *entry) { return walk(0x0406, cursor, entry); }

}  // extern "C"
