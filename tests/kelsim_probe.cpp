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
#include "state.h"
#endif

namespace {

const size_t kPage = static_cast<size_t>(sysconf(_SC_PAGESIZE));

void set_buf(kel_ioreq &b, const void *p) {
    auto a = reinterpret_cast<uintptr_t>(p);
    b.buf = static_cast<uint32_t>(a);
#if UINTPTR_MAX > 0xFFFFFFFFu
    b.buf_hi = static_cast<uint32_t>(a >> 32);
#endif
}

kel_ioreq block(uint32_t cmd, uint32_t sel = 0, const void *buf = nullptr, uint32_t len = 0) {
    kel_ioreq b{};
    b.cmd = cmd;
    b.unit = 1;
    b.port = 1;
    b.sel = sel;
    b.len = len;
    set_buf(b, buf);
    return b;
}

ifreq *name_sw0(void *at, void *data) {
    auto *r = static_cast<ifreq *>(at);
    std::memcpy(r->ifr_name, "sw0", 4);
    r->ifr_data = static_cast<char *>(data);
    return r;
}

// The answer of one request: -1 and errno, or the driver's status.
int ask(int fd, void *ifr, int32_t *status = nullptr) {
    errno = 0;
    int rc = ioctl(fd, SIOCDEVPRIVATE, ifr);
    if (rc == 0 && status) *status = reinterpret_cast<kel_ioreq *>(static_cast<ifreq *>(ifr)->ifr_data)->status;
    return rc;
}

int sw0(kel_ioreq b, int fd = -2) {
    ifreq r{};
    int s = fd == -2 ? socket(AF_INET, SOCK_DGRAM, 0) : fd;
    int32_t status = -1;
    int rc = ask(s, name_sw0(&r, &b), &status);
    int saved = errno;
    if (fd == -2) close(s);
    errno = saved;
    return rc == 0 && status != 0 ? 1000 + status : rc;  // a refusal shows as 1000 + status
}

// The last n bytes before a page that cannot be touched.
char *edge(size_t n, int prot = PROT_READ | PROT_WRITE) {
    auto *p = static_cast<char *>(mmap(nullptr, 2 * kPage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    mprotect(p + kPage, kPage, PROT_NONE);
    if (prot != (PROT_READ | PROT_WRITE)) mprotect(p, kPage, prot);
    return p + kPage - n;
}

char *read_only(const void *content, size_t n) {
    char *p = edge(kPage);
    std::memcpy(p, content, n);
    mprotect(p, kPage, PROT_READ);
    return p;
}

struct Row {
    const char *name;
    bool kernel;  // the kernel answers before any driver sees the request
    int want;     // errno of the -1 answer, or 0 for success
    int (*run)();
};

const Row kRows[] = {
    {"descriptor -1", true, EBADF, [] { return sw0(block(0x0101), -1); }},
    {"closed descriptor", true, EBADF,
     [] {
         int s = socket(AF_INET, SOCK_DGRAM, 0);
         close(s);
         return sw0(block(0x0101), s);
     }},
    {"pipe", true, ENOTTY,
     [] {
         int p[2];
         if (pipe(p) != 0) return -2;
         int rc = sw0(block(0x0101), p[0]);
         close(p[0]);
         close(p[1]);
         return rc;
     }},
    {"ifreq at 8", true, EFAULT,
     [] { return ask(socket(AF_INET, SOCK_DGRAM, 0), reinterpret_cast<void *>(8)); }},
    {"ifreq cut by a page", true, EFAULT,
     [] {
         kel_ioreq b = block(0x0101);
         return ask(socket(AF_INET, SOCK_DGRAM, 0), name_sw0(edge(sizeof(ifreq) - 8), &b));
     }},
    {"unix socket", false, 0, [] { return sw0(block(0x0101), socket(AF_UNIX, SOCK_STREAM, 0)); }},
    {"ifreq at a page end", false, 0,
     [] {
         kel_ioreq b = block(0x0101);
         return ask(socket(AF_INET, SOCK_DGRAM, 0), name_sw0(edge(sizeof(ifreq)), &b));
     }},
    {"ifr_data at 8", false, EFAULT,
     [] {
         ifreq r{};
         return ask(socket(AF_INET, SOCK_DGRAM, 0), name_sw0(&r, reinterpret_cast<void *>(8)));
     }},
    {"ifr_data null", false, EFAULT,
     [] {
         ifreq r{};
         return ask(socket(AF_INET, SOCK_DGRAM, 0), name_sw0(&r, nullptr));
     }},
    {"block cut by a page", false, EFAULT,
     [] {
         ifreq r{};
         char *p = edge(sizeof(kel_ioreq) - 4);
         kel_ioreq b = block(0x0101);
         std::memcpy(p, &b, sizeof b - 4);
         return ask(socket(AF_INET, SOCK_DGRAM, 0), name_sw0(&r, p));
     }},
    {"block at a page end", false, 0,
     [] {
         ifreq r{};
         auto *b = reinterpret_cast<kel_ioreq *>(edge(sizeof(kel_ioreq)));
         *b = block(0x0101);
         int32_t status = -1;
         int rc = ask(socket(AF_INET, SOCK_DGRAM, 0), name_sw0(&r, b), &status);
         return rc == 0 && (status != 0 || b->count != 26) ? 1 : rc;
     }},
    {"block read-only", false, EFAULT,
     [] {
         ifreq r{};
         kel_ioreq b = block(0x0101);
         return ask(socket(AF_INET, SOCK_DGRAM, 0), name_sw0(&r, read_only(&b, sizeof b)));
     }},
    {"record at 8", false, EFAULT, [] { return sw0(block(0x0001, 0, reinterpret_cast<void *>(8), 32)); }},
    {"record read-only", false, EFAULT, [] { return sw0(block(0x0001, 0, read_only("", 1), 32)); }},
    {"text at 8", false, EFAULT, [] { return sw0(block(0x0D01, 2, reinterpret_cast<void *>(8))); }},
    {"text unterminated at a page end", false, EFAULT,
     [] { return sw0(block(0x0D01, 2, std::memcpy(edge(3), "abc", 3))); }},
    {"text at a page end", false, 0, [] { return sw0(block(0x0D01, 2, std::memcpy(edge(3), "ab", 3))); }},
    {"text read-only", false, 0, [] { return sw0(block(0x0D01, 2, read_only("cd", 3))); }},
};

int faults(bool kernel) {
    int failed = 0;
    for (const Row &row : kRows) {
        if (kernel && !row.kernel) continue;
        int rc = row.run();
        int got = rc == -1 ? errno : rc;
        if (got != row.want) {
            std::printf("FAIL %s: %d (%s), want %s\n", row.name, rc, rc == -1 ? std::strerror(got) : "answer",
                        row.want ? std::strerror(row.want) : "success");
            ++failed;
        }
    }
    return failed ? 1 : 0;
}

int trace_fd(const char *file) {
    if (sw0(block(0x0101)) != 0) return 1;
    for (int fd = 3; fd < 1024; ++fd) close(fd);
    int data = open(file, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    for (int fd = data + 1; fd < 16; ++fd) dup2(data, fd);
    int s = socket(AF_INET, SOCK_DGRAM, 0);
    if (sw0(block(0x0101), s) != 0) return 1;
    return lseek(data, 0, SEEK_END) == 0 ? 0 : (std::puts("FAIL trace lines in the program's file"), 1);
}

std::atomic<bool> stop{false};

int forks() {
    pthread_t threads[3];
    for (pthread_t &t : threads)
        pthread_create(&t, nullptr, [](void *) -> void * {
            while (!stop) sw0(block(0x0101));
            return nullptr;
        }, nullptr);
    constexpr int kChildren = 100;
    pid_t child[kChildren];
    for (pid_t &c : child)
        if ((c = fork()) == 0) {
            alarm(5);
            _exit(sw0(block(0x0101)) == 0 ? 0 : 1);
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
