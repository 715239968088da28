// cmd_acl.cpp - the simulated access control lists (family 0x0D).
//
// Not simulated yet: every code of these families answers unknown-command.
#include "commands.h"

namespace kelsim {

const Family kAclFamily{nullptr, 0};

}  // namespace kelsim
