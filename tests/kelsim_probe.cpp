// kelsim_probe.cpp - a program that kelsim_hardening.sh runs under the
// launcher, and beside it against the kernel, to see what a program sees:
//   kelsim_probe faults [kernel]  bad descriptors and addresses, one row each; with
//                                 "kernel", only the rows the kernel answers itself
//   kelsim_probe trace-fd FILE    closes or replaces every descriptor above 2 between
//                                 requests; FILE, opened then, must stay empty
//   kelsim_probe fork             threads in requests while the main thread forks:
//                                 every child must get its answer
//   kelsim_probe hold STATE       takes the lock of a state file, then stops itself
// Exits 0 when every check held, 1 otherwise, naming what failed.
#include <errno.h>
#include <fcntl.h>
#include <net/if.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#include "kel.h"
#ifndef KEL_PROBE_STATIC
#include "model/state.h"
#endif

namespace {

const size_t kPage = static_cast<size_t>(sysconf(_SC_PAGESIZE));

int inet() {
    static const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    return fd;
}

kel_ioreq block(uint32_t cmd, uint32_t sel = 0, const void *buf = nullptr, uint32_t len = 0) {
    kel_ioreq b{};
    b.cmd = cmd;
    b.unit = b.port = 1;
    b.sel = sel;
    b.len = len;
    auto a = reinterpret_cast<uintptr_t>(buf);
    b.buf = static_cast<uint32_t>(a);
#if UINTPTR_MAX > 0xFFFFFFFFu
    b.buf_hi = static_cast<uint32_t>(a >> 32);
#endif
    return b;
}

ifreq *name_sw0(void *at, void *data) {
    auto *r = static_cast<ifreq *>(at);
    std::memcpy(r->ifr_name, "sw0", 4);
    r->ifr_data = static_cast<char *>(data);
    return r;
}

// One request: -1 and errno, 0, or 1000 + the status of a driver's refusal.
__attribute__((noinline)) int ask(void *ifr, int fd = inet()) {
    errno = 0;
    if (ioctl(fd, SIOCDEVPRIVATE, ifr) != 0) return -1;
    int32_t status = reinterpret_cast<kel_ioreq *>(static_cast<ifreq *>(ifr)->ifr_data)->status;
    return status ? 1000 + status : 0;
}
int via(void *block_at, int fd = inet()) {
    ifreq r{};
    return ask(name_sw0(&r, block_at), fd);
}
int sw0(kel_ioreq b, int fd = inet()) { return via(&b, fd); }

// The last n bytes before a page that cannot be touched, holding content.
char *edge(const void *content, size_t n) {
    auto *p = static_cast<char *>(
        mmap(nullptr, 2 * kPage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    mprotect(p + kPage, kPage, PROT_NONE);
    return static_cast<char *>(std::memcpy(p + kPage - n, content, n));
}
char *read_only(const void *content, size_t n) {
    char *p = edge(content, n);
    mprotect(p - (reinterpret_cast<uintptr_t>(p) % kPage), kPage, PROT_READ);
    return p;
}

const kel_ioreq kCount = block(0x0101);  // the port count of unit 1
kel_ioreq answer = kCount;
ifreq sw0_for(kel_ioreq *b) {
    ifreq r{};
    return *name_sw0(&r, b);
}
const ifreq kName = sw0_for(&answer);
int closed() {
    int fd = dup(inet());
    close(fd);
    return fd;
}
int a_pipe() {
    int p[2];
    return pipe(p) ? -2 : p[0];
}

struct Row {
    const char *name;
    bool kernel;  // the kernel answers before any driver sees the request
    int want;     // errno of the -1 answer, or 0 for success
    int (*run)();
};

const Row kRows[] = {
    {"descriptor -1", true, EBADF, [] { return sw0(kCount, -1); }},
    {"closed descriptor", true, EBADF, [] { return sw0(kCount, closed()); }},
    {"pipe", true, ENOTTY, [] { return sw0(kCount, a_pipe()); }},
    {"ifreq at 8", true, EFAULT, [] { return ask(reinterpret_cast<void *>(8)); }},
    {"ifreq cut by a page", true, EFAULT, [] { return ask(edge(&kName, sizeof kName - 8)); }},
    {"unix socket", false, 0, [] { return sw0(kCount, socket(AF_UNIX, SOCK_STREAM, 0)); }},
    {"ifreq at a page end", false, 0, [] { return ask(edge(&kName, sizeof kName)); }},
    {"ifr_data at 8", false, EFAULT, [] { return via(reinterpret_cast<void *>(8)); }},
    {"ifr_data null", false, EFAULT, [] { return via(nullptr); }},
    {"block cut by a page", false, EFAULT, [] { return via(edge(&kCount, sizeof kCount - 4)); }},
    {"block at a page end", false, 0, [] { return via(edge(&kCount, sizeof kCount)); }},
    {"block read-only", false, EFAULT, [] { return via(read_only(&kCount, sizeof kCount)); }},
    {"record at 8", false, EFAULT, [] { return sw0(block(0x0001, 0, reinterpret_cast<void *>(8), 32)); }},
    {"record read-only", false, EFAULT, [] { return sw0(block(0x0001, 0, read_only("", 1), 32)); }},
    {"text at 8", false, EFAULT, [] { return sw0(block(0x0D01, 2, reinterpret_cast<void *>(8))); }},
    {"text unterminated at a page end", false, EFAULT, [] { return sw0(block(0x0D01, 2, edge("abc", 3))); }},
    {"text at a page end", false, 0, [] { return sw0(block(0x0D01, 2, edge("ab", 3))); }},
    {"text read-only", false, 0, [] { return sw0(block(0x0D01, 2, read_only("cd", 3))); }},
};

// Each row in a child of its own, so that a crash fails that row alone.
int faults(bool kernel) {
    int failed = 0;
    for (const Row &row : kRows) {
        if (kernel && !row.kernel) continue;
        int status = std::fflush(stdout);
        if (pid_t child = fork(); child == 0) {
            int rc = row.run(), got = rc == -1 ? errno : rc;
            if (got == row.want) _exit(0);
            std::printf("FAIL %s: %d (%s), want %s\n", row.name, rc, rc == -1 ? std::strerror(got) : "answer",
                        row.want ? std::strerror(row.want) : "success");
            _exit(std::fflush(stdout) | 1);
        } else if (waitpid(child, &status, 0) == child && WIFSIGNALED(status)) {
            std::printf("FAIL %s: killed by signal %d\n", row.name, WTERMSIG(status));
        }
        failed += status != 0;
    }
    return failed ? 1 : 0;
}

int trace_fd(const char *file) {
    if (sw0(kCount) != 0) return 1;
    for (int fd = 3; fd < 1024; ++fd) close(fd);
    int data = open(file, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    for (int fd = data + 1; fd < 16; ++fd) dup2(data, fd);
    if (sw0(kCount, socket(AF_INET, SOCK_DGRAM, 0)) != 0) return 1;
    return lseek(data, 0, SEEK_END) == 0 ? 0 : (std::puts("FAIL trace lines in the program's file"), 1);
}

std::atomic<bool> stop{false};

int forks() {
    inet();  // opened before the threads start: a fork inside its first call would hang the child
    pthread_t threads[3];
    for (pthread_t &t : threads)
        pthread_create(
            &t, nullptr,
            [](void *) -> void * {
                while (!stop) sw0(kCount);
                return nullptr;
            },
            nullptr);
    constexpr int kChildren = 100;
    pid_t child[kChildren];
    for (pid_t &c : child)
        if ((c = fork()) == 0) {
            alarm(30);
            int rc = sw0(kCount);
            if (rc) std::fprintf(stderr, "child: request answered %d (errno %d)\n", rc, errno);
            _exit(rc == 0 ? 0 : 1);
        }
    stop = true;
    for (pthread_t &t : threads) pthread_join(t, nullptr);
    int hung = 0, failed = 0;
    for (pid_t c : child) {
        int status = 0;
        waitpid(c, &status, 0);
        hung += WIFSIGNALED(status);
        failed += WIFEXITED(status) && WEXITSTATUS(status) != 0;
    }
    if (hung || failed) std::printf("FAIL %d of %d children hung, %d failed\n", hung, kChildren, failed);
    return hung || failed;
}

}  // namespace

int main(int argc, char **argv) {
    const char *mode = argc > 1 ? argv[1] : "";
    if (std::strcmp(mode, "faults") == 0) return faults(argc > 2 && std::strcmp(argv[2], "kernel") == 0);
    if (std::strcmp(mode, "trace-fd") == 0 && argc == 3) return trace_fd(argv[2]);
    if (std::strcmp(mode, "fork") == 0) return forks();
#ifndef KEL_PROBE_STATIC
    if (std::strcmp(mode, "hold") == 0 && argc == 3) {
        kelsim::Topology t;
        char err[512];
        kelsim::parse_topology(kelsim::kDefaultLayout, &t, err, sizeof err);
        kelsim::Model *m = kelsim::open_state_file(argv[2], t, false, err, sizeof err);
        if (!m) return std::puts(err), 1;
        kelsim::Lock lock(*m);
        raise(SIGSTOP);
        return 0;
    }
#endif
    std::fputs("usage: kelsim_probe faults [kernel] | trace-fd FILE | fork | hold STATE\n", stderr);
    return 2;
}
