// iftab.cpp - the flat port index: the 1-based position of a port in the
// whole stack, unit 1's ports first.
//
// Every conversion asks the driver for the port counts it needs, so an index
// is valid only for the stack as it is at the moment of the call.
#include "guard.h"

#include "internal.h"

namespace {

constexpr int32_t kUnits = 8;

}  // namespace

namespace kel {

uint32_t unit_ports(uint32_t unit) {
    uint32_t count = 0;  // an absent unit and a failed query both count as no ports
    kel_stack_nr_ports_get(unit, &count);
    return count;
}

}  // namespace kel

extern "C" {

int32_t kel_iftab_idx2ifport(int32_t idx, ifport *p) {
    if (!p) return KEL_ERR_PARAM;
    *p = ifport{0, 0, 0};
    // In 64 bits: a driver may report any count without the index wrapping.
    int64_t r = idx;
    for (int32_t u = 1; u <= kUnits; ++u) {
        int64_t n = kel::unit_ports(static_cast<uint32_t>(u));
        if (r - n <= 0) {
            // r is idx itself (at unit 1) or a position within the unit.
            *p = ifport{u, 0, static_cast<int32_t>(r)};
            return 0;
        }
        r -= n;
    }
    return KEL_ERR_NOT_FOUND;
}

int32_t kel_iftab_ifport2idx(const ifport *p, int32_t *idx) {
    if (!p) return KEL_ERR_PARAM;
    uint32_t sum = 0;  // modulo 2^32, like the index word itself
    for (int32_t u = 1; u <= kUnits; ++u) {
        if (u == p->unit) {
            if (idx) *idx = static_cast<int32_t>(sum + static_cast<uint32_t>(p->port));
            return 0;
        }
        sum += kel::unit_ports(static_cast<uint32_t>(u));
    }
    return KEL_ERR_NOT_FOUND;
}

}  // extern "C"
