// cmd_dot1x.cpp - the simulated 802.1X port authentication (family 0x10).
//
// Not simulated yet: every code of these families answers unknown-command.
#include "commands.h"

namespace kelsim {

const Family kDot1xFamily{nullptr, 0};

}  // namespace kelsim
