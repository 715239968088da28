// help.h - finding kelctl's commands, and what it says about them: help,
// the nearest commands to a misspelt one, and the words that may come next
// on a command line (for the shell's completion).
#pragma once

#include <string>

#include "kelctl.h"

namespace kelctl {

// The subcommand whose words lead args most fully (null when none does);
// *words is how many of args they are.
const Subcommand *find_command(const Args &args, size_t *words);

// "vlan create VLANLIST".
std::string synopsis(const Subcommand &s);

// The usage lines and options, on stderr (a command line without a command).
void usage_summary();

// kelctl help [WORDS...]: the list of commands; one area's commands with
// their examples; one command. Exit status.
int help(const Args &words);

// A command line that names no command (matched: 0) or is wrong for the one
// it names (matched: that command's words): says which commands are nearest
// by edit distance, if any are near.
void suggest(const Args &args, size_t matched);

// A command line that names no command: says so, with the nearest commands
// and the usage of those that begin with the words it got right; kExitUsage.
int unknown_command(const Args &args);

// kelctl __complete WORD... CURRENT: the words that may stand where CURRENT
// is (which they begin with), one a line: options, command words,
// keywords of the command's arguments, the switch's ports and VLANs.
int complete(const Args &words);

// The settings of "interface PORTLIST SETTING VALUE..." and the usage of
// one (port.cpp), for completion.
std::vector<std::string> interface_settings();
std::string interface_setting_usage(const std::string &name);

}  // namespace kelctl
