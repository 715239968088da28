// cmd_mcast.cpp - the simulated multicast table (family 0x04).
//
// Not simulated yet: every code of these families answers unknown-command.
#include "commands.h"

namespace kelsim {

const Family kMcastFamily{nullptr, 0};

}  // namespace kelsim
