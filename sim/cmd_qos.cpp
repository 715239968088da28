// cmd_qos.cpp - the simulated mirroring (0x08), CoS queues (0x09), rate limits (0x0A) and storm control (0x0B).
//
// Not simulated yet: every code of these families answers unknown-command.
#include "commands.h"

namespace kelsim {

const Family kMirrorFamily{nullptr, 0};
const Family kCosqFamily{nullptr, 0};
const Family kRateFamily{nullptr, 0};
const Family kStormFamily{nullptr, 0};

}  // namespace kelsim
