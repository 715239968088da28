// launcher.h - the two halves of kelsim's launcher: running a program
// against the simulated switch, and the commands kelsim runs on a state file
// itself ("kelsim --state FILE COMMAND ARGS..."), for a person who wants to
// look at or move the switch while programs run on it.
#pragma once

#include <string>

#include "model/model.h"

namespace kelsim {

// Runs argv with the interposer (and the sanitizer runtime, when not empty)
// preloaded, on the state file state, or on a temporary one of topology t
// when state is null; writes the trace to trace when not null. Returns the
// exit status for kelsim: the program's, 128 + a signal's number when a
// signal ended it, nonzero when its trace could not be written.
int run_program(char **argv, const Topology &t, const char *canonical, const char *state, const char *trace,
                const std::string &interposer, const std::string &runtime);

struct ControlCommand {
    const char *name;
    const char *synopsis;
    const char *help;
    // Runs with the model unlocked; returns the exit status.
    int (*run)(Model &m, int argc, char **argv);
};

// "dataplane": real frames through the switch (dataplane_command.cpp).
int dataplane_command(Model &m, int argc, char **argv);

// The table, ended by a row with a null name.
const ControlCommand *control_commands();
const ControlCommand *find_control_command(const char *name);

}  // namespace kelsim
