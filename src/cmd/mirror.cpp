// mirror.cpp - port mirroring (family 0x08): a session's monitor port, which
// receives the copies, its mirrored ports by mode, and the session's data.
// A port's own session is read with kel_port_mirror_get (port.cpp).
#include "../util/guard.h"

#include "../io/request.h"

using kel::Request;
namespace slot = kel::slot;

extern "C" {

// A null port sends unit 0 and port 0, which no port has: the session then
// has no monitor port.
int32_t kel_mirror_monitor_set(uint32_t session, const ifport *p) {
    return Request(0x0801).set(slot::session, session).at_or_none(p).send();
}

// The monitor port comes back as a whole ifport, slot 0.
int32_t kel_mirror_monitor_get(uint32_t session, ifport *p) {
    Request r(0x0802);
    int32_t rc = r.set(slot::session, session).send();
    if (p) *p = ifport{static_cast<int32_t>(r->unit), 0, static_cast<int32_t>(r->port)};
    return rc;
}

int32_t kel_mirror_mirrored_set(uint32_t session, const ifport *p, uint32_t mode) {
    return Request(0x0803, p).set(slot::session, session).set(slot::sel, mode).send();
}

int32_t kel_mirror_mirrored_get(uint32_t session, uint32_t mode, iflist *ports) {
    return Request(0x0804).set(slot::session, session).set(slot::sel, mode).buffer(ports).send();
}

int32_t kel_mirror_session_get(uint32_t session, void *info) {
    return Request(0x0805).set(slot::session, session).buffer(info).send();
}

}  // extern "C"
