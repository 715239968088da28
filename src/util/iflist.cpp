// iflist.cpp - port lists: counting, walking, and the full and empty tests.
//
// A list does not say which ports exist: counting, walking and the full test
// ask the driver for each unit's port count and look only at the bits of
// ports 1 to that count (a unit that is absent, or whose query fails, has
// none). Ports above 32, which a list cannot hold, are left out. The empty
// test looks at the bits alone.
#include "guard.h"

#include "internal.h"

namespace {

constexpr int32_t kUnits = KEL_IFLIST_WORDS;

// The first member of unit u above port `after` (0 for from the start), or 0.
int32_t next_member(const iflist &list, int32_t u, int32_t after) {
    int32_t n = kel::listable_ports(kel::unit_ports(static_cast<uint32_t>(u)));
    if (after >= n) return 0;
    for (int32_t p = after < 1 ? 1 : after + 1; p <= n; ++p)
        if (kel::iflist_has(list, u, p)) return p;
    return 0;
}

}  // namespace

extern "C" {

uint32_t kel_iflist_port_count(const iflist *list) {
    if (!list) return 0;
    uint32_t count = 0;
    for (int32_t u = 1; u <= kUnits; ++u) {
        int32_t n = kel::listable_ports(kel::unit_ports(static_cast<uint32_t>(u)));
        count += kel::bit_count(list->word[u - 1] & kel::low_bits(n));
    }
    return count;
}

int32_t kel_iflist_port_get1st(const iflist *list, ifport *p) {
    if (!list || !p) return KEL_ERR_PARAM;
    for (int32_t u = 1; u <= kUnits; ++u)
        if (int32_t port = next_member(*list, u, 0)) {
            p->unit = u;
            p->port = port;
            return 0;
        }
    return KEL_ERR_NOT_FOUND;
}

int32_t kel_iflist_port_getnext(const iflist *list, ifport *cursor) {
    if (!list || !cursor) return KEL_ERR_PARAM;
    int32_t u = cursor->unit < 1 ? 1 : cursor->unit;
    if (u > kUnits) return KEL_ERR_NOT_FOUND;
    int32_t after = cursor->port;
    for (; u <= kUnits; ++u) {
        if (int32_t port = next_member(*list, u, after)) {
            cursor->unit = u;
            cursor->port = port;
            return 0;
        }
        cursor->port = 0;  // the next unit is scanned from its first port
        after = 0;
    }
    return KEL_ERR_NOT_FOUND;
}

int32_t kel_iflist_is_full(const iflist *list) {
    if (!list) return 0;
    for (int32_t u = 1; u <= kUnits; ++u) {
        int32_t n = kel::listable_ports(kel::unit_ports(static_cast<uint32_t>(u)));
        uint32_t present = kel::low_bits(n);
        if ((list->word[u - 1] & present) != present) return 0;  // later units are not asked
    }
    return 1;
}

int32_t kel_iflist_is_empty(const iflist *list) {
    if (!list) return 1;
    for (uint32_t w : list->word)
        if (w) return 0;
    return 1;
}

}  // extern "C"
