// main.cpp - kelctl: a small management tool over libkel.
//
//   kelctl show system | show stack | ...
//
// Finds the subcommand whose words lead the command line, opens the driver
// channel and runs it. Unknown subcommands print the usage and exit 2. The
// exit status also says whether every write succeeded (finish()).
#include <cstring>

#include "kelctl.h"

namespace {

using namespace kelctl;

const Area *const kAreas[] = {&kSystemArea,   &kInterfaceArea, &kVlanArea, &kPortArea,  &kMacTableArea,
                              &kTrunkArea,    &kQosArea,       &kStpArea,  &kDot1xArea, &kAclArea,
                              &kPortSecuArea, &kSnoopArea,     &kMaintArea};

// What every command shares, after the list of commands.
const char kNotes[] =
    "\n"
    "Numbers are decimal, without sign, blanks or leading zeros (ethertypes may also be\n"
    "written 0x0800), and each has its range. A command over a port or VLAN list first\n"
    "checks what it can (the list's grammar, that its ports exist, for vlan create and\n"
    "vlan destroy its VLANs) and changes nothing when that fails; a member the switch\n"
    "then refuses is reported on a line of its own, the others are changed, and kelctl\n"
    "exits 1. Exit status: 0 done, 1 the switch refused, could not be reached or output\n"
    "could not be written, 2 the command line is wrong.\n";

// Number of leading words of args that spell the subcommand, 0 if it does not match.
size_t match(const Subcommand &s, const Args &args) {
    size_t n = 0;
    const char *w = s.words;
    while (*w) {
        const char *end = std::strchr(w, ' ');
        size_t len = end ? static_cast<size_t>(end - w) : std::strlen(w);
        if (n >= args.size() || args[n] != std::string(w, len)) return 0;
        ++n;
        w += len + (end ? 1 : 0);
    }
    return n;
}

std::string synopsis(const Subcommand &s) { return std::string(s.words) + (*s.usage ? " " : "") + s.usage; }

std::string usage() {
    std::string text = "usage: kelctl COMMAND [ARGS...]\n\ncommands:\n";
    char line[512];
    for (const Area *a : kAreas)
        for (size_t i = 0; i < a->count; ++i) {
            const Subcommand &s = a->rows[i];
            std::string head = synopsis(s);
            if (head.size() > 44)  // a long synopsis gets a line of its own
                std::snprintf(line, sizeof line, "  %s\n  %-44s %s\n", head.c_str(), "", s.help);
            else
                std::snprintf(line, sizeof line, "  %-44s %s\n", head.c_str(), s.help);
            text += line;
        }
    return text + kNotes;
}

int run(const Args &args) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "help")) {
        write_out(usage());
        return kExitOk;
    }
    const Subcommand *best = nullptr;
    size_t best_words = 0;
    for (const Area *a : kAreas)
        for (size_t i = 0; i < a->count; ++i)
            if (size_t n = match(a->rows[i], args); n > best_words) best = &a->rows[i], best_words = n;
    if (!best) {
        if (!args.empty()) say("unknown command '" + args[0] + "'");
        std::string text = usage();
        for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
            write_err(text.substr(at, end - at));
        return kExitUsage;
    }
    set_command(best);
    Args rest(args.begin() + static_cast<long>(best_words), args.end());
    if (!*best->usage && !rest.empty()) return usage_error(std::string(best->words) + " takes no arguments");
    if (int32_t rc = kel_io_init()) return fail("cannot open the driver channel", rc);
    int status = best->run(rest);
    return status == kExitUsage && driver_was_silent() ? kExitFailed : status;
}

}  // namespace

namespace kelctl {

// The message, then the usage of every form of the command being run.
int usage_error(const std::string &message) {
    say(message);
    std::string words = command_words();
    for (const Area *a : kAreas)
        for (size_t i = 0; i < a->count; ++i)
            if (words == a->rows[i].words) write_err("usage: kelctl " + synopsis(a->rows[i]));
    return kExitUsage;
}

}  // namespace kelctl

int main(int argc, char **argv) { return finish(run(Args(argv + 1, argv + argc))); }
