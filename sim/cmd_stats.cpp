// cmd_stats.cpp - the simulated port statistics (family 0x0C).
//
// Not simulated yet: every code of these families answers unknown-command.
#include "commands.h"

namespace kelsim {

const Family kStatsFamily{nullptr, 0};

}  // namespace kelsim
