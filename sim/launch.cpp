// launch.cpp - running one program under kelsim: one launch, one switch.
//
// The launcher makes a private directory for the launch (mode 0700): the
// switch's state when no --state is given (so that the program and every
// process it starts share one switch, as they would share one driver),
// links that make the preload list safe, and the note of a trace that could
// not be written. It runs the program as its child, passes on the signals
// sent to kelsim, waits, removes what it made, and exits with the child's
// status (128 + the signal's number when a signal ended it).
#include <elf.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "launcher.h"
#include "state.h"

namespace kelsim {

namespace {

std::string absolute(const char *path) {
    char cwd[PATH_MAX];
    if (path[0] == '/' || !getcwd(cwd, sizeof cwd)) return path;
    return std::string(cwd) + "/" + path;
}

// LD_PRELOAD splits its list at blanks and colons and knows no escape.
bool preload_safe(const std::string &path) { return path.find_first_of(" :\t\n") == std::string::npos; }

// The launch's private directory, in TMPDIR (or /tmp when TMPDIR is unset
// or its path could not stand in the preload list).
std::string make_run_dir() {
    const char *tmp = std::getenv("TMPDIR");
    std::string base = tmp && *tmp ? absolute(tmp) : "/tmp";
    if (!preload_safe(base)) base = "/tmp";
    std::string dir = base + "/kelsim.XXXXXX";
    if (!mkdtemp(&dir[0])) {
        std::fprintf(stderr, "kelsim: cannot make a directory in %s for the launch: %s\n", base.c_str(),
                     std::strerror(errno));
        return "";
    }
    return dir;
}

// An entry of the preload list, through a link named plainly in the launch's
// directory when its own path could not stand there.
bool preload_entry(const std::string &path, const std::string &run, int n, std::string *list) {
    std::string entry = path;
    if (!preload_safe(path)) {
        entry = run + "/preload" + std::to_string(n) + ".so";
        if (symlink(absolute(path.c_str()).c_str(), entry.c_str()) != 0) {
            std::fprintf(stderr, "kelsim: cannot link %s for the preload list: %s\n", path.c_str(),
                         std::strerror(errno));
            return false;
        }
    }
    *list += (list->empty() ? "" : ":") + entry;
    return true;
}

// The file execvp would run for name, or "" when none is found.
std::string find_program(const char *name) {
    if (std::strchr(name, '/')) return name;
    const char *path = std::getenv("PATH");
    std::string dirs = path ? path : "/bin:/usr/bin";
    for (size_t start = 0; start <= dirs.size();) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string dir = dirs.substr(start, end - start);
        std::string file = (dir.empty() ? "." : dir) + "/" + name;
        struct stat st;
        if (stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(file.c_str(), X_OK) == 0)
            return file;
        start = end + 1;
    }
    return "";
}

uint64_t field(const unsigned char *p, int size, bool big) {
    uint64_t v = 0;
    for (int i = 0; i < size; ++i) v |= uint64_t{p[big ? i : size - 1 - i]} << (8 * (size - 1 - i));
    return v;
}

// Whether an ELF executable names a program interpreter, the dynamic loader
// that honours LD_PRELOAD: 1 yes, 0 no, -1 not an ELF file.
int has_interpreter(int fd) {
    unsigned char h[64];
    if (pread(fd, h, sizeof h, 0) < 52 || std::memcmp(h, ELFMAG, SELFMAG) != 0) return -1;
    bool wide = h[EI_CLASS] == ELFCLASS64, big = h[EI_DATA] == ELFDATA2MSB;
    uint64_t phoff = field(h + (wide ? 32 : 28), wide ? 8 : 4, big);
    uint64_t entry = field(h + (wide ? 54 : 42), 2, big), count = field(h + (wide ? 56 : 44), 2, big);
    for (uint64_t i = 0; i < count && i < 4096; ++i) {
        unsigned char type[4];
        if (pread(fd, type, 4, static_cast<off_t>(phoff + i * entry)) != 4) return -1;
        if (field(type, 4, big) == PT_INTERP) return 1;
    }
    return 0;
}

// Warns when kelsim cannot reach the program's requests: a statically
// linked program has no loader to preload anything, and the loader ignores
// LD_PRELOAD paths for a program that changes its user or group. A script
// is judged by its interpreter.
void warn_unreachable(const std::string &file, const char *shown, int depth = 0) {
    int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0) {
        if (fd >= 0) close(fd);
        return;
    }
    char head[PATH_MAX + 2] = "";
    ssize_t n = pread(fd, head, sizeof head - 1, 0);
    int interpreter = has_interpreter(fd);
    close(fd);
    if (interpreter == 0)
        std::fprintf(stderr, "kelsim: warning: %s is statically linked: kelsim cannot reach its requests\n",
                     shown);
    if (((st.st_mode & S_ISUID) && st.st_uid != geteuid()) ||
        ((st.st_mode & S_ISGID) && st.st_gid != getegid()))
        std::fprintf(stderr,
                     "kelsim: warning: %s is set-user-ID or set-group-ID: the loader does not preload kelsim "
                     "into it, so kelsim cannot reach its requests\n",
                     shown);
    if (interpreter < 0 && n > 2 && head[0] == '#' && head[1] == '!' && depth < 4) {
        head[n] = '\0';
        char *p = head + 2 + std::strspn(head + 2, " \t");
        p[std::strcspn(p, " \t\n")] = '\0';
        if (*p) warn_unreachable(p, p, depth + 1);
    }
}

const int kForwarded[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGUSR1, SIGUSR2};

// Runs argv as a child with the signal mask it had before; waits for it
// while passing on the signals a process sent to kelsim (kill, timeout, a
// supervisor). Signals from the terminal reach the program's process group,
// the program included, without kelsim's help; a signal sent to the whole
// group reaches the program twice.
int run_child(char **argv) {
    sigset_t wanted, old;
    sigemptyset(&wanted);
    for (int sig : kForwarded) sigaddset(&wanted, sig);
    sigaddset(&wanted, SIGCHLD);
    sigprocmask(SIG_BLOCK, &wanted, &old);
    pid_t child = fork();
    if (child < 0) {
        std::fprintf(stderr, "kelsim: cannot start %s: %s\n", argv[0], std::strerror(errno));
        return 126;
    }
    if (child == 0) {
        sigprocmask(SIG_SETMASK, &old, nullptr);
        execvp(argv[0], argv);
        std::fprintf(stderr, "kelsim: cannot run %s: %s\n", argv[0], std::strerror(errno));
        _exit(errno == ENOENT ? 127 : 126);
    }
    int status = 0;
    for (;;) {
        pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) break;
        if (done < 0 && errno != EINTR) return 126;
        siginfo_t info;
        int sig = sigwaitinfo(&wanted, &info);
        if (sig > 0 && sig != SIGCHLD && info.si_code <= 0 && info.si_pid != child) kill(child, sig);
    }
    sigprocmask(SIG_SETMASK, &old, nullptr);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

}  // namespace

int run_program(char **argv, const Topology &t, const char *canonical, const char *state, const char *trace,
                const std::string &interposer, const std::string &runtime) {
    std::string run = make_run_dir();
    if (run.empty()) return 2;
    std::vector<std::string> made;  // what to remove, innermost last
    auto cleanup = [&] {
        for (auto it = made.rbegin(); it != made.rend(); ++it) unlink(it->c_str());
        rmdir(run.c_str());
    };
    std::string state_path = state ? absolute(state) : run + "/state";
    if (!state) {
        char err[512];
        Model *m = open_state_file(state_path.c_str(), t, false, err, sizeof err);
        made.push_back(state_path);
        if (!m) {
            std::fprintf(stderr, "kelsim: %s\n", err);
            return cleanup(), 2;
        }
    }
    std::string preload;
    int n = 0;
    for (const std::string &lib : {runtime, interposer}) {
        if (lib.empty()) continue;
        made.push_back(run + "/preload" + std::to_string(n) + ".so");
        if (!preload_entry(lib, run, n++, &preload)) return cleanup(), 2;
    }
    if (const char *old = std::getenv("LD_PRELOAD"); old && *old) preload += std::string(":") + old;
    setenv("LD_PRELOAD", preload.c_str(), 1);
    setenv("KELSIM_TOPOLOGY", canonical, 1);
    setenv("KELSIM_STATE", state_path.c_str(), 1);
    setenv("KELSIM_RUN", run.c_str(), 1);
    std::string note = run + "/trace-failed";
    made.push_back(note);
    if (trace) setenv("KELSIM_TRACE", absolute(trace).c_str(), 1);
    if (std::string file = find_program(argv[0]); !file.empty()) warn_unreachable(file, argv[0]);
    std::fflush(stdout);
    int status = run_child(argv);
    if (access(note.c_str(), F_OK) == 0) {
        std::fprintf(stderr, "kelsim: the trace %s is incomplete\n", trace ? trace : "");
        if (status == 0) status = 1;
    }
    cleanup();
    return status;
}

}  // namespace kelsim
