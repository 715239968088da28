// cmd_snoop.cpp - the simulated GARP (0x12), GVRP (0x13), IGMP snooping (0x15) and DHCP snooping (0x16).
//
// Not simulated yet: every code of these families answers unknown-command.
#include "commands.h"

namespace kelsim {

const Family kGarpFamily{nullptr, 0};
const Family kGvrpFamily{nullptr, 0};
const Family kIgmpFamily{nullptr, 0};
const Family kDhcpSnoopFamily{nullptr, 0};

}  // namespace kelsim
