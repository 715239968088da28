// area_protocol.h - spanning tree, 802.1X, access lists, port security,
// GARP/GVRP, IGMP and DHCP snooping and the maintenance families of the
// simulated switch.
#pragma once

#include <cstdint>

namespace kelsim {

struct ProtocolState {
    uint32_t reserved;
};

}  // namespace kelsim
