// cmd_vlan.cpp - the simulated VLAN table (family 0x06).
//
// Not simulated yet: every code of these families answers unknown-command.
#include "commands.h"

namespace kelsim {

const Family kVlanFamily{nullptr, 0};

void init_vlan_area(Model &) {}

}  // namespace kelsim
