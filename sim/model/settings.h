// settings.h - table-driven set/get pairs.
//
// Most commands of the driver store one to three words under a key (the
// switch, a unit, a port, a port and a selector, a VLAN, ...) and read them
// back. One Setting row describes such a pair; the set and get commands both
// point at it, and the generic handlers setting_set and setting_get do the
// rest. Values live in one fixed-size hash table in the model, keyed by the
// set command's code and the key value, so rows need no storage of their own
// and the table works the same in a shared state file.
#pragma once

#include <cstdint>

#include "kel.h"

namespace kelsim {

struct Model;
struct Context;

using Slot = uint32_t kel_ioreq::*;

enum class Key : uint8_t {
    none,      // one value for the whole switch
    unit,      // the unit word: a present unit 1..8
    port,      // unit and port: an existing port
    port_sel,  // an existing port and the selector word below limit
    vid,       // a VLAN id 1..4094
    trunk,     // the trunk word 1..limit
    session,   // the mirror session word 1..limit
    index,     // the index word below limit
    prio,      // the priority word below limit
};

struct Setting {
    uint16_t code;  // the set command's code: the storage key of the row
    Key key;
    uint32_t limit;       // bound of the key word, where the key has one
    uint8_t nwords;       // 1 to 3 value words
    Slot word[3];         // where the values travel in the block
    uint32_t initial[3];  // the values before any set
    uint32_t min[3];      // smallest accepted value per word
    uint32_t max[3];      // largest accepted value per word; 0 means no bound
};

constexpr int kSettingCapacity = 32768;  // a power of two

struct SettingEntry {
    uint16_t code;  // 0: free slot
    uint16_t pad;
    uint32_t key;
    uint32_t v[3];
};

struct SettingStore {
    uint32_t used;
    SettingEntry slot[kSettingCapacity];
};

// The key value a request names for a row, or a nonzero status.
int32_t setting_key(const Model &m, const kel_ioreq &b, const Setting &s, uint32_t *key);
// The stored values of a row under a key (its initial values when never set).
void setting_read(const Model &m, const Setting &s, uint32_t key, uint32_t v[3]);
// Stores values; false when the table is full.
bool setting_write(Model &m, const Setting &s, uint32_t key, const uint32_t v[3]);

// Generic handlers for a command row that points at a Setting.
int32_t setting_set(Context &c);
int32_t setting_get(Context &c);

}  // namespace kelsim
