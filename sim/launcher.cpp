// launcher.cpp - kelsim: run any program against a simulated switch, or
// work on a state file directly.
//
//   kelsim [--topology LAYOUT] [--state FILE] [--reset] [--trace FILE] -- PROGRAM [ARGS...]
//   kelsim [--topology LAYOUT] --state FILE [--reset] COMMAND [ARGS...]
//
// The program runs with libkelsim.so preloaded, so that its driver requests
// on "sw0" reach the simulated driver (launch.cpp); the state file, given or
// made for the launch, is shared by every process started on it.
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "launcher.h"
#include "state.h"

#ifndef KELSIM_LIBDIR_FROM_BINDIR
#define KELSIM_LIBDIR_FROM_BINDIR "../lib"
#endif

namespace {

using namespace kelsim;

const char kUsage[] =
    "usage: kelsim [OPTIONS] -- PROGRAM [ARGS...]\n"
    "       kelsim [OPTIONS] --state FILE COMMAND [ARGS...]\n"
    "\n"
    "Runs PROGRAM against a simulated switch: its driver requests on sw0 are\n"
    "answered by kelsim instead of the kernel. PROGRAM and every process it\n"
    "starts share one switch, kept for the launch only unless --state names a file.\n"
    "\n"
    "options:\n"
    "  --topology LAYOUT  units and ports of the switch (default \"24fe,2ge;24fe,2ge\")\n"
    "  --state FILE       keep the switch in FILE, shared by every program run on it;\n"
    "                     made (mode 0600) from the topology when FILE is absent or\n"
    "                     empty; any other file that is not a state file is refused,\n"
    "                     and so are symbolic links, devices, FIFOs and directories\n"
    "  --reset            remake the state file from the topology\n"
    "  --trace FILE       write one decoded line per request to FILE\n"
    "  --help             show this text\n"
    "\n"
    "layout: units separated by ';', at most 8, each a list of port segments:\n"
    "  LAYOUT  := UNIT { ';' UNIT }\n"
    "  UNIT    := '-' | SEGMENT { ',' SEGMENT }     '-' is an absent unit\n"
    "  SEGMENT := COUNT MEDIA [ '/stack' ]          ports numbered on from the last segment\n"
    "  MEDIA   := 'fe' | 'ge'                       Fast Ethernet, Gigabit Ethernet\n"
    "  at most 32 ports per unit; for example \"24fe,2ge/stack;-;8ge\"\n"
    "\n"
    "commands on a state file (PORT: 1/0/3, or a port's name, fa1/0/3):\n";

const char kStatusHelp[] =
    "\n"
    "driver status codes answered by kelsim:\n"
    "  -201 unknown command     -202 no such unit or port   -203 bad value\n"
    "  -204 buffer too small    -205 no such entry          -206 table full\n"
    "  -207 entry exists        -208 null buffer            -209 not permitted\n"
    "  -210 end of table\n"
    "\n"
    "A request waits at most KELSIM_LOCK_TIMEOUT seconds (default 5) for a switch\n"
    "that another process holds, then fails naming that process.\n";

void usage(FILE *out) {
    std::fputs(kUsage, out);
    for (const ControlCommand *c = control_commands(); c->name; ++c)
        std::fprintf(out, "  %-28s %s\n", c->synopsis, c->help);
    std::fputs(kStatusHelp, out);
}

[[noreturn]] void die(const char *fmt, const char *a, const char *b = "") {
    std::fprintf(stderr, "kelsim: ");
    std::fprintf(stderr, fmt, a, b);
    std::fputc('\n', stderr);
    std::exit(2);
}

// libkelsim.so beside the launcher (build tree) or in the library directory
// of its installation; KELSIM_LIBRARY overrides both.
std::string find_interposer() {
    if (const char *env = std::getenv("KELSIM_LIBRARY")) {
        if (access(env, R_OK) != 0) die("KELSIM_LIBRARY=%s: %s", env, std::strerror(errno));
        return env;
    }
    char exe[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) die("cannot find its own executable%s", "");
    exe[n] = '\0';
    std::string dir(exe, std::strrchr(exe, '/') - exe);
    for (const std::string &candidate :
         {dir + "/libkelsim.so", dir + "/" + KELSIM_LIBDIR_FROM_BINDIR + "/libkelsim.so"})
        if (access(candidate.c_str(), R_OK) == 0) return candidate;
    die("cannot find libkelsim.so beside %s (set KELSIM_LIBRARY)", exe);
}

// The sanitizer runtime this launcher runs with, if any. A sanitized build's
// libkelsim.so needs the same runtime, and the runtime must be loaded before
// any other library: it goes first in LD_PRELOAD.
std::string sanitizer_runtime() {
    std::string found;
    dl_iterate_phdr(
        [](struct dl_phdr_info *info, size_t, void *out) {
            const char *base = info->dlpi_name ? std::strrchr(info->dlpi_name, '/') : nullptr;
            base = base ? base + 1 : info->dlpi_name;
            for (const char *lib : {"libasan.so", "libtsan.so", "libubsan.so"})
                if (base && std::strncmp(base, lib, std::strlen(lib)) == 0) {
                    *static_cast<std::string *>(out) = info->dlpi_name;
                    return 1;
                }
            return 0;
        },
        &found);
    return found;
}

// The value of the option at argv[i]: a file name (file set) or a layout.
// A missing value is refused, and so is one that reads as an option (a
// file whose name begins with '-' is given as ./NAME).
const char *option_value(int argc, char **argv, int *i, bool file) {
    const char *option = argv[*i];
    const char *what = file ? "a file name" : "a layout";
    if (*i + 1 >= argc) die("%s needs %s", option, what);
    const char *v = argv[++*i];
    if (!*v || (file && v[0] == '-') || std::strncmp(v, "--", 2) == 0)
        die("%s needs %s (write ./NAME for a file whose name begins with '-')", option, what);
    return v;
}

// Flushes the output: a write that failed (a full disk, say) is an error.
int finish(int status) {
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return status;
    std::fprintf(stderr, "kelsim: cannot write the output: %s\n", std::strerror(errno));
    return status ? status : 1;
}

}  // namespace

int main(int argc, char **argv) {
    const char *layout = nullptr, *state = nullptr, *trace = nullptr;
    bool reset = false;
    int i = 1;
    for (; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--topology")
            layout = option_value(argc, argv, &i, false);
        else if (a == "--state")
            state = option_value(argc, argv, &i, true);
        else if (a == "--trace")
            trace = option_value(argc, argv, &i, true);
        else if (a == "--reset")
            reset = true;
        else if (a == "--help" || a == "-h") {
            usage(stdout);
            return finish(0);
        } else if (a == "--") {
            ++i;
            break;
        } else if (a[0] == '-')
            die("unknown option %s (see kelsim --help)", argv[i]);
        else
            break;
    }
    bool program = i > 1 && std::strcmp(argv[i - 1], "--") == 0;
    if (i >= argc) {
        usage(stderr);
        return 2;
    }

    Topology t;
    char err[512];
    if (!parse_topology(layout ? layout : kDefaultLayout, &t, err, sizeof err)) die("--topology: %s", err);
    char canonical[512];
    format_topology(t, canonical, sizeof canonical);

    Model *m = nullptr;
    if (state) {
        m = open_state_file(state, t, reset, err, sizeof err);
        if (!m) die("%s", err);
        char made[512];
        {
            Lock lock(*m);
            if (!lock) return 1;
            format_topology(m->topo, made, sizeof made);
        }
        if (layout && std::strcmp(made, canonical) != 0)
            die("state file was made for topology \"%s\"; use --reset to remake it", made);
        struct stat st;
        if (stat(state, &st) == 0 && (st.st_mode & (S_IRGRP | S_IROTH)))
            std::fprintf(stderr,
                         "kelsim: warning: state file %s is readable by others (mode %04o), and it holds "
                         "RADIUS keys and passwords in clear: chmod 600 it\n",
                         state, static_cast<unsigned>(st.st_mode & 07777));
    }

    if (!program) {
        const ControlCommand *c = find_control_command(argv[i]);
        if (!c) die("unknown command %s (see kelsim --help)", argv[i]);
        if (!m) die("%s works on a state file: give --state FILE", argv[i]);
        return finish(c->run(*m, argc - i - 1, argv + i + 1));
    }

    if (trace) {
        int fd =
            open(trace, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0644);  // a fresh trace per run
        if (fd < 0) die("cannot write the trace %s: %s", trace, std::strerror(errno));
        close(fd);
    }
    return run_program(argv + i, t, canonical, state, trace, find_interposer(), sanitizer_runtime());
}
