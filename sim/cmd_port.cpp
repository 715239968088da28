// cmd_port.cpp - the simulated port settings and state (family 0x05).
//
// Not simulated yet: every code of these families answers unknown-command.
#include "commands.h"

namespace kelsim {

const Family kPortFamily{nullptr, 0};

void init_forwarding_area(Model &) {}

}  // namespace kelsim
