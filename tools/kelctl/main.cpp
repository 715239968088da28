// main.cpp - kelctl: a small management tool over libkel.
//
//   kelctl [-j|-p] COMMAND [ARGS...]
//   kelctl [-j|-p] [--force] -b FILE|-
//
// Reads the options, then runs one command, or every command of a batch
// with the driver channel opened once. A command is found by the words that
// lead its line; an unknown one gets the nearest commands as suggestions
// and exit status 2. The exit status also says whether every write
// succeeded (finish()).
#include <algorithm>

#include "batch.h"
#include "help.h"
#include "kelctl.h"

namespace kelctl {

const Area *const kAreas[] = {&kSystemArea,   &kInterfaceArea, &kVlanArea,  &kPortArea,  &kMacTableArea,
                              &kTrunkArea,    &kQosArea,       &kStpArea,   &kDot1xArea, &kAclArea,
                              &kPortSecuArea, &kSnoopArea,     &kMaintArea, &kConfigArea};
const size_t kAreaCount = sizeof kAreas / sizeof kAreas[0];

// The message, then the usage of every form of the command being run.
int usage_error(const std::string &message) {
    say(message);
    std::string words = command_words();
    for (size_t a = 0; a < kAreaCount; ++a)
        for (size_t i = 0; i < kAreas[a]->count; ++i)
            if (words == kAreas[a]->rows[i].words) write_err("usage: kelctl " + synopsis(kAreas[a]->rows[i]));
    return kExitUsage;
}

}  // namespace kelctl

namespace {

using namespace kelctl;

// One command line: help and completion need no driver; any other command
// runs with the channel open (main or the batch opened it).
int run_command(const Args &args) {
    set_command(nullptr);
    if (args.empty()) return usage_error("no command given (kelctl help lists them)");
    if (args[0] == "help" || args[0] == "--help" || args[0] == "-h")
        return help(Args(args.begin() + 1, args.end()));
    if (args[0] == "__complete") return complete(Args(args.begin() + 1, args.end()));
    size_t words;
    const Subcommand *s = find_command(args, &words);
    if (!s) return unknown_command(args);
    set_command(s);
    Args rest(args.begin() + static_cast<long>(words), args.end());
    int status = !*s->usage && !rest.empty() ? usage_error(std::string(s->words) + " takes no arguments")
                                             : s->run(rest);
    if (status == kExitUsage && driver_was_silent()) return kExitFailed;
    if (status == kExitUsage && !rest.empty()) suggest(args, words);  // a longer command, misspelt?
    return status;
}

int open_channel() {
    if (int32_t rc = kel_io_init()) return fail("cannot open the driver channel", rc);
    return kExitOk;
}

// Every command of a batch in turn; the first that fails stops it, unless
// force. A batch whose text does not read (a line with a NUL byte, bytes
// that are not UTF-8, an open quote, a line too long) applies nothing.
int run_batch(const std::string &path, bool force) {
    std::string text;
    if (!read_batch_file(path, &text)) return kExitFailed;
    std::vector<BatchCommand> commands = split_batch(text);
    text.clear();
    std::string name = path == "-" ? "<stdin>" : path;
    if (!force)
        for (const BatchCommand &c : commands)
            if (!c.fault.empty()) {
                set_location(name + ":" + std::to_string(c.line));
                say(c.fault + "; nothing of the batch was run");
                return kExitUsage;
            }
    set_stdin_taken(path == "-");
    if (int status = open_channel()) return status;
    int worst = kExitOk;
    for (const BatchCommand &c : commands) {
        set_location(name + ":" + std::to_string(c.line));
        int status = c.fault.empty() ? run_command(c.args) : (say(c.fault), kExitUsage);
        worst = std::max(worst, status);
        if (status != kExitOk && !force) break;
    }
    set_location("");
    return worst;
}

int run(const Args &args) {
    size_t i = 0;
    std::string batch;
    bool has_batch = false, force = false;
    Format f = Format::text;
    for (; i < args.size() && args[i].size() > 1 && args[i][0] == '-'; ++i) {
        const std::string &a = args[i];
        if (a == "-j" || a == "--json") {
            f = f == Format::pretty ? f : Format::json;
        } else if (a == "-p" || a == "--pretty") {
            f = Format::pretty;
        } else if (a == "--force") {
            force = true;
        } else if (a == "-b" || a == "--batch") {
            if (has_batch || i + 1 >= args.size())
                return usage_error(a + " takes one file name (- for standard input)");
            batch = args[++i];
            has_batch = true;
        } else if (a == "-h" || a == "--help") {
            break;
        } else if (a == "--") {
            ++i;
            break;
        } else {
            return usage_error("unknown option '" + a + "' (kelctl help lists the options)");
        }
    }
    set_format(f);
    Args rest(args.begin() + static_cast<long>(i), args.end());
    if (has_batch) {
        if (!rest.empty()) return usage_error("a batch (-b) takes no command of its own");
        return run_batch(batch, force);
    }
    if (force) return usage_error("--force goes with a batch (-b FILE)");
    if (rest.empty()) {
        usage_summary();
        return kExitUsage;
    }
    bool local = rest[0] == "help" || rest[0] == "--help" || rest[0] == "-h" || rest[0] == "__complete";
    if (!local)
        if (int status = open_channel()) return status;
    return run_command(rest);
}

}  // namespace

int main(int argc, char **argv) { return finish(run(Args(argv + 1, argv + argc))); }
