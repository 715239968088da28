// protocol_common.h - small helpers shared by the protocol and upkeep
// families of the simulated driver: reading a Setting row's value for a
// port or for the switch, and walking the ports of the topology.
#pragma once

#include <cstdint>

#include "commands.h"
#include "settings.h"

namespace kelsim {

constexpr Slot kNoWord = nullptr;

// A Setting row of one value word: its key, where the value travels, the
// value before any set and the values accepted (limit bounds a keyed word).
constexpr Setting one_word(uint16_t code, Key key, Slot slot, uint32_t initial, uint32_t min, uint32_t max,
                           uint32_t limit = 0) {
    return Setting{code, key, limit, 1, {slot, kNoWord, kNoWord}, {initial, 0, 0}, {min, 0, 0}, {max, 0, 0}};
}

// The first value of a row for the whole switch (Key::none).
inline uint32_t switch_value(const Model &m, const Setting &s) {
    uint32_t v[3];
    setting_read(m, s, 0, v);
    return v[0];
}

// The first value of a per-port row (Key::port) for an existing port.
inline uint32_t port_value(const Model &m, const Setting &s, uint32_t unit, uint32_t port) {
    kel_ioreq b{};
    b.unit = unit;
    b.port = port;
    uint32_t key, v[3];
    if (setting_key(m, b, s, &key) != KEL_DRV_OK) return s.initial[0];
    setting_read(m, s, key, v);
    return v[0];
}

// The value of a row under a key the handler makes itself.
inline uint32_t keyed_value(const Model &m, const Setting &s, uint32_t key) {
    uint32_t v[3];
    setting_read(m, s, key, v);
    return v[0];
}

inline bool keyed_write(Model &m, const Setting &s, uint32_t key, uint32_t value) {
    uint32_t v[3] = {value, 0, 0};
    return setting_write(m, s, key, v);
}

// 1-based position of a port in the whole stack.
inline uint32_t flat_port_index(const Topology &t, uint32_t unit, uint32_t port) {
    uint32_t index = port;
    for (uint32_t u = 1; u < unit; ++u) index += t.nports[u - 1];
    return index;
}

// A value from 0 to hi in steps of step.
inline bool in_steps(uint32_t v, uint32_t hi, uint32_t step) { return v <= hi && v % step == 0; }

// A VLAN list's bits beyond 4094 (those of 4095 and 4096).
inline bool has_bits_beyond_vlans(const vlanlist &l) {
    return (l.word[KEL_VLANLIST_WORDS - 1] & 0xC0000000u) != 0;
}

inline bool vlan_bit(const vlanlist &l, uint32_t vid) {
    return (l.word[(vid - 1) / 32] >> ((vid - 1) % 32)) & 1u;
}

inline void set_vlan_bit(vlanlist &l, uint32_t vid, bool on) {
    uint32_t bit = 1u << ((vid - 1) % 32);
    if (on)
        l.word[(vid - 1) / 32] |= bit;
    else
        l.word[(vid - 1) / 32] &= ~bit;
}

inline bool is_vid(uint32_t vid) { return vid >= KEL_VLAN_MIN && vid <= KEL_VLAN_MAX; }

}  // namespace kelsim
