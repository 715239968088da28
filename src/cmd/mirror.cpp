// mirror.cpp - port mirroring (family 0x08): a session's monitor port, which
// receives the copies, its mirrored ports by mode, and the session's data.
// A port's own session is read with kel_port_mirror_get (port.cpp).
#include "../io/request.h"

using kel::Request;

namespace {

Request session(uint32_t cmd, uint32_t id) {
    Request r(cmd);
    r->session = id;
    return r;
}

}  // namespace

extern "C" {

// A null port sends unit 0 and port 0, which no port has: the session then
// has no monitor port.
int32_t kel_mirror_monitor_set(uint32_t id, const ifport *p) {
    return session(0x0801, id).at_or_none(p).send();
}

int32_t kel_mirror_monitor_get(uint32_t id, ifport *p) {
    Request r = session(0x0802, id);
    int32_t rc = r.send();
    if (p) *p = ifport{static_cast<int32_t>(r->unit), 0, static_cast<int32_t>(r->port)};
    return rc;
}

int32_t kel_mirror_mirrored_set(uint32_t id, const ifport *p, uint32_t mode) {
    Request r = session(0x0803, id);
    r->sel = mode;
    return r.at(p).send();
}

int32_t kel_mirror_mirrored_get(uint32_t id, uint32_t mode, iflist *ports) {
    Request r = session(0x0804, id);
    r->sel = mode;
    return r.buffer(ports).send();
}

int32_t kel_mirror_session_get(uint32_t id, void *info) { return session(0x0805, id).buffer(info).send(); }

}  // extern "C"
