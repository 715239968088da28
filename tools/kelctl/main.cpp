// main.cpp - kelctl: a small management tool over libkel.
//
//   kelctl show system | show stack | ...
//
// Finds the subcommand whose words lead the command line, opens the driver
// channel and runs it. Unknown subcommands print the usage and exit 2.
#include <cstring>

#include "kelctl.h"

namespace {

using namespace kelctl;

const Area *const kAreas[] = {&kSystemArea,   &kInterfaceArea, &kVlanArea, &kPortArea,  &kMacTableArea,
                              &kTrunkArea,    &kQosArea,       &kStpArea,  &kDot1xArea, &kAclArea,
                              &kPortSecuArea, &kSnoopArea,     &kMaintArea};

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

void usage(FILE *out) {
    std::fprintf(out, "usage: kelctl COMMAND [ARGS...]\n\ncommands:\n");
    for (const Area *a : kAreas)
        for (size_t i = 0; i < a->count; ++i) {
            const Subcommand &s = a->rows[i];
            std::string synopsis = std::string(s.words) + (*s.usage ? " " : "") + s.usage;
            if (synopsis.size() > 44)  // a long synopsis gets a line of its own
                std::fprintf(out, "  %s\n  %-44s %s\n", synopsis.c_str(), "", s.help);
            else
                std::fprintf(out, "  %-44s %s\n", synopsis.c_str(), s.help);
        }
}

}  // namespace

int main(int argc, char **argv) {
    Args args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "help")) {
        usage(stdout);
        return kExitOk;
    }
    const Subcommand *best = nullptr;
    size_t best_words = 0;
    for (const Area *a : kAreas)
        for (size_t i = 0; i < a->count; ++i)
            if (size_t n = match(a->rows[i], args); n > best_words) best = &a->rows[i], best_words = n;
    if (!best) {
        if (!args.empty()) std::fprintf(stderr, "kelctl: unknown command '%s'\n", args[0].c_str());
        usage(stderr);
        return kExitUsage;
    }
    if (int32_t rc = kel_io_init()) return fail("cannot open the driver channel", rc);
    return best->run(Args(args.begin() + static_cast<long>(best_words), args.end()));
}
