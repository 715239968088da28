// cmd_trunk.cpp - the simulated trunks (family 0x07) and LACP (family 0x11).
//
// Not simulated yet: every code of these families answers unknown-command.
#include "commands.h"

namespace kelsim {

const Family kTrunkFamily{nullptr, 0};
const Family kLacpFamily{nullptr, 0};

}  // namespace kelsim
