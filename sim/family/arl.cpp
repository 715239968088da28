// arl.cpp - the simulated MAC address table (family 0x03).
//
// A fixed table of 8192 positions. Entries never move while they exist, so
// a walk's index is simply a position: a walk visits every entry present
// from start to end exactly once, and a walk started from any index, stale
// or foreign, only moves forward and ends. A separate linear-probing index
// finds an entry by (MAC, VLAN) without scanning. Dynamic entries come from
// the frames (arl_frames.cpp, through a copy of the table the dataplane
// keeps in step) and the test-control hook learn(), and age by the switch's
// clock, at most one pass per second; a frozen table learns and ages nothing.
#include <cstring>

#include "family/arl_table.h"
#include "family/forwarding.h"

namespace kelsim {

namespace {

constexpr Slot kNone = nullptr;
const Setting kAgeTime{0x0301, Key::none, 0, 1, {&kel_ioreq::count, kNone, kNone}, {300}, {0}, {1000000}};
const Setting kFreeze{0x0308, Key::none, 0, 1, {&kel_ioreq::value, kNone, kNone}, {0}, {0}, {1}};

constexpr uint32_t kCellMask = kArlIndexCells - 1;
constexpr uint32_t kNowhere = kArlCapacity;
static_assert((kArlIndexCells & kCellMask) == 0 && kArlIndexCells > kArlCapacity);

uint32_t home_cell(const uint8_t *mac, uint32_t vid) {
    uint32_t h = 2166136261u;
    for (int i = 0; i < 6; ++i) h = (h ^ mac[i]) * 16777619u;
    h = (h ^ vid) * 16777619u;
    return (h ^ (h >> 16)) & kCellMask;
}

bool is_key(const ArlSlot &s, const uint8_t *mac, uint32_t vid) {
    return s.kind && s.vid == vid && std::memcmp(s.mac, mac, 6) == 0;
}

// The cell of the index that holds position pos + 1, found from its key.
uint32_t cell_of_position(const ArlTable &t, uint32_t pos) {
    uint32_t i = home_cell(t.slot[pos].mac, t.slot[pos].vid);
    while (t.index[i] != pos + 1) i = (i + 1) & kCellMask;
    return i;
}

uint32_t find(const ArlTable &t, const uint8_t *mac, uint32_t vid) { return arl_find(t, mac, vid); }

// A new entry's position, or kNowhere when the table is full.
uint32_t insert(ArlTable &t, const uint8_t *mac, uint32_t vid) {
    if (t.used >= kArlCapacity) return kNowhere;
    uint32_t pos = t.first_free;
    while (t.slot[pos].kind) ++pos;  // below capacity: used < capacity
    t.first_free = pos + 1;
    ArlSlot &s = t.slot[pos];
    s.kind = KEL_DRV_ARL_DYNAMIC;  // the caller decides; any kind marks the position used
    std::memcpy(s.mac, mac, 6);
    s.vid = static_cast<uint16_t>(vid);
    uint32_t i = home_cell(mac, vid);
    while (t.index[i]) i = (i + 1) & kCellMask;
    t.index[i] = static_cast<uint16_t>(pos + 1);
    ++t.used;
    return pos;
}

// Removes a position from the table; the index closes its gap by moving
// later cells of the same probe run back (no tombstones to accumulate).
void remove(ArlTable &t, uint32_t pos) {
    uint32_t hole = cell_of_position(t, pos);
    for (uint32_t j = hole;;) {
        j = (j + 1) & kCellMask;
        if (!t.index[j]) break;
        const ArlSlot &s = t.slot[t.index[j] - 1];
        uint32_t home = home_cell(s.mac, s.vid);
        // The entry at j may fill the hole unless its home lies cyclically in (hole, j].
        bool stays = hole <= j ? (hole < home && home <= j) : (hole < home || home <= j);
        if (stays) continue;
        t.index[hole] = t.index[j];
        hole = j;
    }
    t.index[hole] = 0;
    std::memset(&t.slot[pos], 0, sizeof t.slot[pos]);
    --t.used;
    if (pos < t.first_free) t.first_free = pos;
}

void age(Model &m) {
    uint64_t now = clock_now(m);
    if (now == m.fwd.arl.aged_at) return;
    arl_age(m.fwd.arl, now, arl_frozen(m) ? 0 : arl_age_time(m));
}

bool unicast_key(const uint8_t *mac, uint32_t vid) { return arl_unicast_key(mac, vid); }

void fill(Model &m, uint32_t pos, kel_drv_arl_entry &r) {
    const ArlSlot &s = m.fwd.arl.slot[pos];
    std::memcpy(r.mac, s.mac, 6);
    r.pad = 0;
    r.vid = s.vid;
    r.unit = s.unit;
    r.port = s.port;
    r.kind = s.kind;
    r.age = s.kind == KEL_DRV_ARL_DYNAMIC ? clock_span(s.learned, clock_now(m)) : 0;
}

// The first position at or after from holding an entry of the kinds in mask.
uint32_t next_of(const ArlTable &t, uint32_t from, uint32_t mask) {
    if (!t.used) return kNowhere;
    for (uint32_t pos = from; pos < kArlCapacity; ++pos)
        if (t.slot[pos].kind & mask) return pos;
    return kNowhere;
}

// The kinds of entry a walk kind (1, 2, 4) takes in; 0 for any other value.
uint32_t walk_mask(uint32_t kind) {
    switch (kind) {
        case KEL_DRV_ARL_STATIC:
            return KEL_DRV_ARL_STATIC;
        case KEL_DRV_ARL_DYNAMIC:
            return KEL_DRV_ARL_DYNAMIC;
        case KEL_DRV_ARL_WALK_ALL:
            return KEL_DRV_ARL_STATIC | KEL_DRV_ARL_DYNAMIC;
        default:
            return 0;
    }
}

int32_t getnext(Context &c) {
    if (!c.has_buf()) return KEL_DRV_ERR_NULL_BUFFER;
    age(c.m);
    static const uint32_t kKindOfCode[] = {KEL_DRV_ARL_STATIC, KEL_DRV_ARL_DYNAMIC,
                                           KEL_DRV_ARL_WALK_ALL};  // 0x0304..0x0306
    uint32_t pos = next_of(c.m.fwd.arl, c.b.index, walk_mask(kKindOfCode[c.b.cmd - 0x0304]));
    if (pos == kNowhere) {
        c.b.index = KEL_WALK_END;
        return KEL_DRV_OK;
    }
    kel_drv_arl_entry r;
    fill(c.m, pos, r);
    if (int32_t st = answer(c, r)) return st;
    c.b.index = pos + 1;
    return KEL_DRV_OK;
}

int32_t getpage(Context &c) {
    uint32_t mask = walk_mask(c.b.sel);
    if (!mask) return KEL_DRV_ERR_BAD_VALUE;
    if (!c.has_buf()) return KEL_DRV_ERR_NULL_BUFFER;
    age(c.m);
    kel_drv_arl_page page;
    std::memset(&page, 0, sizeof page);
    uint32_t pos = c.b.index;
    while (page.count < KEL_DRV_ARL_PAGE_ENTRIES && (pos = next_of(c.m.fwd.arl, pos, mask)) != kNowhere)
        fill(c.m, pos++, page.entry[page.count++]);
    if (int32_t st = answer(c, page)) return st;
    c.b.index = page.count ? pos : KEL_WALK_END;
    return KEL_DRV_OK;
}

int32_t static_add(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    if (c.m.topo.is_stack(c.b.unit, c.b.port)) return KEL_DRV_ERR_NOT_PERMITTED;
    if (!unicast_key(c.b.mac, c.b.vid)) return KEL_DRV_ERR_BAD_VALUE;
    age(c.m);
    ArlTable &t = c.m.fwd.arl;
    uint32_t pos = find(t, c.b.mac, c.b.vid);
    if (pos != kNowhere && t.slot[pos].kind == KEL_DRV_ARL_STATIC) return KEL_DRV_ERR_EXISTS;
    if (pos == kNowhere && (pos = insert(t, c.b.mac, c.b.vid)) == kNowhere) return KEL_DRV_ERR_TABLE_FULL;
    ArlSlot &s = t.slot[pos];  // a dynamic entry of the key becomes static
    s.kind = KEL_DRV_ARL_STATIC;
    s.unit = static_cast<uint8_t>(c.b.unit);
    s.port = static_cast<uint8_t>(c.b.port);
    s.learned = 0;
    return KEL_DRV_OK;
}

int32_t static_del(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    ArlTable &t = c.m.fwd.arl;
    uint32_t pos = find(t, c.b.mac, c.b.vid);
    if (pos == kNowhere) return KEL_DRV_ERR_NO_SUCH_ENTRY;
    const ArlSlot &s = t.slot[pos];
    if (s.kind != KEL_DRV_ARL_STATIC || s.unit != c.b.unit || s.port != c.b.port)
        return KEL_DRV_ERR_NO_SUCH_ENTRY;
    remove(t, pos);
    return KEL_DRV_OK;
}

// Removes the entries of the kinds in mask that match; answers their number.
template <class Match>
int32_t flush(Context &c, uint32_t mask, Match match) {
    ArlTable &t = c.m.fwd.arl;
    uint32_t removed = 0;
    for (uint32_t pos = 0; pos < kArlCapacity && t.used; ++pos)
        if ((t.slot[pos].kind & mask) && match(t.slot[pos])) {
            remove(t, pos);
            ++removed;
        }
    c.b.count = removed;
    return KEL_DRV_OK;
}

uint32_t flush_mask(const Context &c) {
    return c.b.cmd >= 0x030F ? KEL_DRV_ARL_DYNAMIC : KEL_DRV_ARL_STATIC | KEL_DRV_ARL_DYNAMIC;
}

int32_t flush_vlan(Context &c) {
    if (c.b.vid < KEL_VLAN_MIN || c.b.vid > KEL_VLAN_MAX) return KEL_DRV_ERR_BAD_VALUE;
    return flush(c, flush_mask(c), [&](const ArlSlot &s) { return s.vid == c.b.vid; });
}

int32_t flush_mac(Context &c) {
    return flush(c, flush_mask(c), [&](const ArlSlot &s) { return std::memcmp(s.mac, c.b.mac, 6) == 0; });
}

int32_t flush_port(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    return flush(c, flush_mask(c),
                 [&](const ArlSlot &s) { return s.unit == c.b.unit && s.port == c.b.port; });
}

int32_t flush_dynamic(Context &c) {
    return flush(c, KEL_DRV_ARL_DYNAMIC, [](const ArlSlot &) { return true; });
}

const Command kArl[] = {
    {0x0301, "arl_age_time_set", setting_set, &kAgeTime},
    {0x0302, "arl_age_time_get", setting_get, &kAgeTime},
    {0x0303, "static_arl_add", static_add},
    {0x0304, "arl_getnext_static", getnext},
    {0x0305, "arl_getnext_dynamic", getnext},
    {0x0306, "arl_getnext_all", getnext},
    {0x0307, "arl_getpage", getpage},
    {0x0308, "arl_freeze_set", setting_set, &kFreeze},
    {0x0309, "arl_freeze_get", setting_get, &kFreeze},
    {0x030A, "arl_del_by_vlan", flush_vlan},
    {0x030B, "arl_del_by_mac", flush_mac},
    {0x030C, "arl_del_by_port", flush_port},
    {0x030D, "static_arl_del", static_del},
    {0x030E, "dynamic_arl_del", flush_dynamic},
    {0x030F, "arl_del_by_vlan_dynamic", flush_vlan},
    {0x0310, "arl_del_by_mac_dynamic", flush_mac},
    {0x0311, "arl_del_by_port_dynamic", flush_port},
};

}  // namespace

const Family kArlFamily = family(kArl);

int32_t learn(Model &m, const uint8_t mac[6], uint32_t vid, uint32_t unit, uint32_t port) {
    if (!m.topo.exists(unit, port)) return KEL_DRV_ERR_NO_SUCH_PORT;
    if (!unicast_key(mac, vid)) return KEL_DRV_ERR_BAD_VALUE;
    if (arl_frozen(m)) return KEL_DRV_ERR_NOT_PERMITTED;
    age(m);
    return arl_learn(m.fwd.arl, mac, vid, unit, port, clock_now(m));
}

uint32_t arl_find(const ArlTable &t, const uint8_t *mac, uint32_t vid) {
    for (uint32_t i = home_cell(mac, vid); t.index[i]; i = (i + 1) & kCellMask)
        if (is_key(t.slot[t.index[i] - 1], mac, vid)) return t.index[i] - 1u;
    return kNowhere;
}

int32_t arl_learn(ArlTable &t, const uint8_t *mac, uint32_t vid, uint32_t unit, uint32_t port, uint64_t now) {
    uint32_t pos = find(t, mac, vid);
    if (pos != kNowhere && t.slot[pos].kind == KEL_DRV_ARL_STATIC) return KEL_DRV_ERR_EXISTS;
    if (pos == kNowhere && (pos = insert(t, mac, vid)) == kNowhere) return KEL_DRV_ERR_TABLE_FULL;
    ArlSlot &s = t.slot[pos];
    s.kind = KEL_DRV_ARL_DYNAMIC;
    s.unit = static_cast<uint8_t>(unit);
    s.port = static_cast<uint8_t>(port);
    s.learned = now;
    return KEL_DRV_OK;
}

void arl_age(ArlTable &t, uint64_t now, uint32_t limit) {
    t.aged_at = now;
    if (!limit || !t.used) return;
    for (uint32_t pos = 0; pos < kArlCapacity; ++pos) {
        const ArlSlot &s = t.slot[pos];
        if (s.kind == KEL_DRV_ARL_DYNAMIC && now - s.learned >= limit)  // the clock never runs back
            remove(t, pos);
    }
}

bool arl_unicast_key(const uint8_t *mac, uint32_t vid) {
    static const uint8_t zero[6] = {};
    return vid >= KEL_VLAN_MIN && vid <= KEL_VLAN_MAX && !(mac[0] & 1u) && std::memcmp(mac, zero, 6) != 0;
}

uint32_t arl_age_time(const Model &m) { return read_setting(m, kAgeTime, 0); }
bool arl_frozen(const Model &m) { return read_setting(m, kFreeze, 0) != 0; }

}  // namespace kelsim
