// cmd_stp.cpp - the simulated spanning tree (0x0E) and MST (0x0F).
//
// Not simulated yet: every code of these families answers unknown-command.
#include "commands.h"

namespace kelsim {

const Family kStpFamily{nullptr, 0};
const Family kMstFamily{nullptr, 0};

void init_protocol_area(Model &) {}

}  // namespace kelsim
