// settings.cpp - the fixed-size store behind the table-driven set/get pairs.
#include "settings.h"

#include "commands.h"

namespace kelsim {

namespace {

uint32_t hash(uint16_t code, uint32_t key) {
    uint32_t h = (static_cast<uint32_t>(code) * 0x9E3779B1u) ^ (key * 0x85EBCA6Bu);
    return (h ^ (h >> 15)) & (kSettingCapacity - 1);
}

// The slot of (code, key), or the free slot where it would go; null when the
// table is full and holds no such entry.
const SettingEntry *find(const SettingStore &st, uint16_t code, uint32_t key) {
    uint32_t i = hash(code, key);
    for (int probes = 0; probes < kSettingCapacity; ++probes, i = (i + 1) & (kSettingCapacity - 1)) {
        const SettingEntry &e = st.slot[i];
        if (e.code == 0 || (e.code == code && e.key == key)) return &e;
    }
    return nullptr;
}

bool in_range(uint32_t v, uint32_t lo, uint32_t hi) { return v >= lo && v <= hi; }

}  // namespace

int32_t setting_key(const Model &m, const kel_ioreq &b, const Setting &s, uint32_t *key) {
    switch (s.key) {
        case Key::none:
            *key = 0;
            return KEL_DRV_OK;
        case Key::unit:
            if (!in_range(b.unit, 1, kMaxUnits) || m.topo.nports[b.unit - 1] == 0)
                return KEL_DRV_ERR_NO_SUCH_PORT;
            *key = b.unit;
            return KEL_DRV_OK;
        case Key::port:
            if (!m.topo.exists(b.unit, b.port)) return KEL_DRV_ERR_NO_SUCH_PORT;
            *key = b.unit << 8 | b.port;
            return KEL_DRV_OK;
        case Key::port_sel:
            if (!m.topo.exists(b.unit, b.port)) return KEL_DRV_ERR_NO_SUCH_PORT;
            if (b.sel >= s.limit) return KEL_DRV_ERR_BAD_VALUE;
            *key = b.unit << 24 | b.port << 16 | b.sel;
            return KEL_DRV_OK;
        case Key::vid:
            if (!in_range(b.vid, KEL_VLAN_MIN, KEL_VLAN_MAX)) return KEL_DRV_ERR_BAD_VALUE;
            *key = b.vid;
            return KEL_DRV_OK;
        case Key::trunk:
            if (!in_range(b.trunk, 1, s.limit)) return KEL_DRV_ERR_NO_SUCH_ENTRY;
            *key = b.trunk;
            return KEL_DRV_OK;
        case Key::session:
            if (!in_range(b.session, 1, s.limit)) return KEL_DRV_ERR_NO_SUCH_ENTRY;
            *key = b.session;
            return KEL_DRV_OK;
        case Key::index:
            if (b.index >= s.limit) return KEL_DRV_ERR_BAD_VALUE;
            *key = b.index;
            return KEL_DRV_OK;
        case Key::prio:
            if (b.prio >= s.limit) return KEL_DRV_ERR_BAD_VALUE;
            *key = b.prio;
            return KEL_DRV_OK;
    }
    return KEL_DRV_ERR_BAD_VALUE;
}

void setting_read(const Model &m, const Setting &s, uint32_t key, uint32_t v[3]) {
    const SettingEntry *e = find(m.settings, s.code, key);
    for (int i = 0; i < 3; ++i) v[i] = (e && e->code) ? e->v[i] : s.initial[i];
}

bool setting_write(Model &m, const Setting &s, uint32_t key, const uint32_t v[3]) {
    auto *e = const_cast<SettingEntry *>(find(m.settings, s.code, key));
    if (!e) return false;
    if (e->code == 0) {
        // Keep one slot free so that every probe sequence ends.
        if (m.settings.used + 1 >= kSettingCapacity) return false;
        ++m.settings.used;
        e->code = s.code;
        e->key = key;
    }
    for (int i = 0; i < 3; ++i) e->v[i] = v[i];
    return true;
}

int32_t setting_set(Context &c) {
    const Setting &s = *c.cmd.setting;
    uint32_t key;
    if (int32_t st = setting_key(c.m, c.b, s, &key)) return st;
    uint32_t v[3] = {};
    for (int i = 0; i < s.nwords; ++i) {
        v[i] = c.b.*s.word[i];
        if (v[i] < s.min[i] || (s.max[i] && v[i] > s.max[i])) return KEL_DRV_ERR_BAD_VALUE;
    }
    return setting_write(c.m, s, key, v) ? KEL_DRV_OK : KEL_DRV_ERR_TABLE_FULL;
}

int32_t setting_get(Context &c) {
    const Setting &s = *c.cmd.setting;
    uint32_t key;
    if (int32_t st = setting_key(c.m, c.b, s, &key)) return st;
    uint32_t v[3];
    setting_read(c.m, s, key, v);
    for (int i = 0; i < s.nwords; ++i) c.b.*s.word[i] = v[i];
    return KEL_DRV_OK;
}

}  // namespace kelsim
