// cmd_arl.cpp - the simulated MAC address table (family 0x03).
//
// Not simulated yet: every code of these families answers unknown-command.
#include "commands.h"

namespace kelsim {

const Family kArlFamily{nullptr, 0};

}  // namespace kelsim
