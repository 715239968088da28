// launcher.h - the commands kelsim runs on a state file itself
// ("kelsim --state FILE COMMAND ARGS..."), for a person who wants to look at
// or move the simulated switch while programs run on it.
#pragma once

#include "model.h"

namespace kelsim {

struct ControlCommand {
    const char *name;
    const char *synopsis;
    const char *help;
    // Runs with the model unlocked; returns the exit status.
    int (*run)(Model &m, int argc, char **argv);
};

// The table, ended by a row with a null name.
const ControlCommand *control_commands();
const ControlCommand *find_control_command(const char *name);

}  // namespace kelsim
