// cmd_maint.cpp - the simulated maintenance families: trace log (0x02), line protocol (0x18), cable diagnostics (0x19), watchdog (0x1A), crash dump (0x1B), DHCP client (0x1C), private show records (0x1E).
//
// Not simulated yet: every code of these families answers unknown-command.
#include "commands.h"

namespace kelsim {

const Family kTraceFamily{nullptr, 0};
const Family kLineFamily{nullptr, 0};
const Family kCableFamily{nullptr, 0};
const Family kWatchdogFamily{nullptr, 0};
const Family kCrashFamily{nullptr, 0};
const Family kDhcpClientFamily{nullptr, 0};
const Family kPrivateShowFamily{nullptr, 0};

}  // namespace kelsim
