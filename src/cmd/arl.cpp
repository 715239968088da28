// arl.cpp - the MAC address table (family 0x03): ageing time, freezing,
// static entries, flushes by MAC address, VLAN or port, and walks one entry
// or one page at a time.
//
// The walks and the flushes name a kind of entry by a selector that never
// travels: the library maps it to a command code, and refuses any other
// selector with KEL_ERR_PARAM before anything is sent. A walk ends when the
// driver answers 65535 at the index word; the caller's index then keeps its
// value.
#include "../util/guard.h"

#include "../io/request.h"

using kel::Request;
namespace slot = kel::slot;

namespace {

struct CodeFor {
    int32_t type;
    uint32_t code;
};

// The command code of a selector, or 0 when the selector is not in the map.
template <size_t N>
constexpr uint32_t code_of(const CodeFor (&map)[N], int32_t type) {
    for (const CodeFor &c : map)
        if (c.type == type) return c.code;
    return 0;
}

constexpr CodeFor kWalk[] = {{KEL_ARL_WALK_1, 0x0304}, {KEL_ARL_WALK_2, 0x0305}, {KEL_ARL_WALK_4, 0x0306}};
constexpr CodeFor kFlushByVlan[] = {{KEL_ARL_FLUSH_3, 0x030A}, {KEL_ARL_FLUSH_2, 0x030F}};
constexpr CodeFor kFlushByMac[] = {{KEL_ARL_FLUSH_3, 0x030B}, {KEL_ARL_FLUSH_2, 0x0310}};
constexpr CodeFor kFlushByPort[] = {{KEL_ARL_FLUSH_3, 0x030C}, {KEL_ARL_FLUSH_2, 0x0311}};

static_assert(code_of(kWalk, 3) == 0 && code_of(kFlushByPort, 2) == 0x0311);

}  // namespace

extern "C" {

int32_t kel_arl_age_time_set(uint32_t time) { return Request(0x0301).set(slot::count, time).send(); }
int32_t kel_arl_age_time_get(uint32_t *time) { return Request(0x0302).send(slot::count, time); }

// MAC address first, VLAN second, port last.
int32_t kel_static_arl_add(const uint8_t *mac, uint32_t vid, const ifport *p) {
    return Request(0x0303, p).set(slot::vid, vid).mac(mac).send();
}

int32_t kel_static_arl_del(const uint8_t *mac, uint32_t vid, const ifport *p) {
    return Request(0x030D, p).set(slot::vid, vid).mac(mac).send();
}

int32_t kel_arl_getnext(uint32_t *index, int32_t type, void *entry) {
    uint32_t code = code_of(kWalk, type);
    if (!code) return KEL_ERR_PARAM;
    return Request(code).buffer(entry).walk_to_end(index);
}

int32_t kel_arl_getpage(uint32_t *index, uint32_t sel, void *page) {
    return Request(0x0307).set(slot::sel, sel).buffer(page).walk_to_end(index);
}

int32_t kel_arl_freeze_set(uint32_t value) { return Request(0x0308).set(slot::value, value).send(); }
int32_t kel_arl_freeze_get(uint32_t *value) { return Request(0x0309).send(slot::value, value); }
int32_t kel_dynamic_arl_del(void) { return Request(0x030E).send(); }

int32_t kel_arl_del_by_mac(const uint8_t *mac, int32_t type) {
    uint32_t code = code_of(kFlushByMac, type);
    if (!code) return KEL_ERR_PARAM;
    return Request(code).mac(mac).send();
}

int32_t kel_arl_del_by_vlan(uint32_t vid, int32_t type) {
    uint32_t code = code_of(kFlushByVlan, type);
    if (!code) return KEL_ERR_PARAM;
    return Request(code).set(slot::vid, vid).send();
}

int32_t kel_arl_del_by_port(const ifport *p, int32_t type) {
    uint32_t code = code_of(kFlushByPort, type);
    if (!code) return KEL_ERR_PARAM;
    return Request(code, p).send();
}

}  // extern "C"
