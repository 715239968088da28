// area_vlan.h - the VLAN table of the simulated switch (family 0x06).
#pragma once

#include <cstdint>

namespace kelsim {

struct VlanState {
    uint32_t reserved;
};

}  // namespace kelsim
