// setters.h - the shape shared by the one-value setters of the protocol and
// upkeep families: a code, optionally a port, and one word at its slot.
#pragma once

#include "../io/request.h"

namespace kel {

inline int32_t set_word(uint32_t cmd, Slot slot, uint32_t value) {
    Request r(cmd);
    r.operator->()->*slot = value;
    return r.send();
}

inline int32_t set_port_word(uint32_t cmd, const ifport *p, Slot slot, uint32_t value) {
    Request r(cmd, p);
    r.operator->()->*slot = value;
    return r.send();
}

}  // namespace kel
