// area_forwarding.h - ports, statistics, MAC and multicast tables, trunks,
// LACP, mirroring, queues, rates and storm control of the simulated switch.
#pragma once

#include <cstdint>

namespace kelsim {

struct ForwardingState {
    uint32_t reserved;
};

}  // namespace kelsim
