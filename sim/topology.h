// topology.h - the units and ports of a simulated switch.
//
// Layout text, one group of segments per unit, units separated by ';':
//   LAYOUT  := UNIT { ';' UNIT }            at most 8 units
//   UNIT    := '-' | SEGMENT { ',' SEGMENT } '-' is an absent unit
//   SEGMENT := COUNT MEDIA [ '/stack' ]     ports numbered on from the last segment
//   MEDIA   := 'fe' | 'ge'                  Fast Ethernet, Gigabit Ethernet
// At most 32 ports per unit. The default is "24fe,2ge;24fe,2ge".
#pragma once

#include <cstddef>
#include <cstdint>

#include "kel_driver.h"

namespace kelsim {

constexpr int kMaxUnits = 8;
constexpr int kMaxPorts = 32;

// A port's medium, by the driver's codes for it.
enum Media : uint8_t { kNoMedia = 0, kFastEthernet = KEL_DRV_MEDIUM_FE, kGigabit = KEL_DRV_MEDIUM_GE };

struct Topology {
    uint8_t nports[kMaxUnits];            // 0: the unit is absent
    uint8_t media[kMaxUnits][kMaxPorts];  // per port, index port - 1
    uint32_t stack_mask[kMaxUnits];       // bit port - 1: a stack port

    bool exists(uint32_t unit, uint32_t port) const {
        return unit >= 1 && unit <= kMaxUnits && port >= 1 && port <= nports[unit - 1];
    }
    bool is_stack(uint32_t unit, uint32_t port) const {
        return exists(unit, port) && ((stack_mask[unit - 1] >> (port - 1)) & 1u);
    }
    Media medium(uint32_t unit, uint32_t port) const {
        return exists(unit, port) ? static_cast<Media>(media[unit - 1][port - 1]) : kNoMedia;
    }
    int total_ports() const;
    int units_present() const;
};

extern const char kDefaultLayout[];

// Parses a layout. On failure returns false and leaves a message naming the
// fault in err (at most err_size bytes, terminated).
bool parse_topology(const char *text, Topology *out, char *err, size_t err_size);

// Writes the layout text of a topology (the inverse of parse_topology).
void format_topology(const Topology &t, char *out, size_t size);

// The long name of a port: "fastethernet1/0/3", "gigabitethernet1/0/25".
// Returns the length written (without the terminator), or -1 when out is too
// small or the port does not exist.
int port_long_name(const Topology &t, uint32_t unit, uint32_t port, char *out, size_t size);

}  // namespace kelsim
