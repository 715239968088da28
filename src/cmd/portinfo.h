// portinfo.h - reading the port information record (command 0x0008).
//
// The system and stacking predicates ask the driver for a port's record into
// a zeroed record of their own and judge only its unit, port and flag words;
// a port the driver does not describe, a failure and a closed channel all
// leave the record zero.
#pragma once

#include <cstdint>
#include <cstring>

#include "kel.h"

namespace kel {

struct PortInfo {
    int32_t unit;
    int32_t port;
    uint32_t flags;
};

// Fetches the record of p and returns its three words (all 0 on failure).
PortInfo port_info(const ifport *p);

// True when the record describes exactly the port that was asked for.
inline bool describes(const PortInfo &info, const ifport *p) {
    return info.unit == p->unit && info.port == p->port;
}

// 1 when p's record describes p and carries the flag; 0 for a null p.
int32_t port_has_flag(const ifport *p, uint32_t flag);

}  // namespace kel
