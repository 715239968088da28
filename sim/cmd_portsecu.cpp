// cmd_portsecu.cpp - the simulated port security (family 0x17).
//
// Not simulated yet: every code of these families answers unknown-command.
#include "commands.h"

namespace kelsim {

const Family kPortSecuFamily{nullptr, 0};

}  // namespace kelsim
