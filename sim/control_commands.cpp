// control_commands.cpp - kelsim's own commands on a state file.
#include <cstdio>
#include <cstring>

#include "launcher.h"
#include "state.h"

namespace kelsim {

namespace {

int show_topology(Model &m, int, char **) {
    char layout[512];
    {
        Lock lock(m);
        format_topology(m.topo, layout, sizeof layout);
    }
    std::printf("%s\n", layout);
    return 0;
}

int show_requests(Model &m, int, char **) {
    unsigned long long n;
    {
        Lock lock(m);
        n = m.requests;
    }
    std::printf("%llu\n", n);
    return 0;
}

const ControlCommand kCommands[] = {
    {"topology", "topology", "print the layout of the switch", show_topology},
    {"requests", "requests", "print the number of requests answered so far", show_requests},
    {nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

const ControlCommand *control_commands() { return kCommands; }

const ControlCommand *find_control_command(const char *name) {
    for (const ControlCommand *c = kCommands; c->name; ++c)
        if (std::strcmp(c->name, name) == 0) return c;
    return nullptr;
}

}  // namespace kelsim
