// state.cpp - private and shared models, their creation, checks and lock.
#include "model/state.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace kelsim {

namespace {

std::atomic<Model *> active{nullptr};
Model *private_model = nullptr;  // made once per process, reused by every reset
std::mutex private_mutex;        // guards making private_model
std::atomic<pid_t> pid_cache{0};

// A fork copies the process as it is: no thread may be inside a request
// then, nor making the private model, or the child's copy stays locked by a
// thread the child does not have. Both locks are taken around every fork.
// The private model's mutex is a plain one (robustness serves processes
// that share a file): the forking thread, the child's only one, unlocks it.
void unlock_private() {
    if (private_model) pthread_mutex_unlock(&private_model->mutex);
    private_mutex.unlock();
}
[[maybe_unused]] const int fork_handlers = pthread_atfork(
    [] {
        private_mutex.lock();
        if (private_model) pthread_mutex_lock(&private_model->mutex);
    },
    unlock_private,
    [] {
        pid_cache.store(0, std::memory_order_relaxed);
        unlock_private();
    });

constexpr uint32_t kByteOrderMark = 0x01020304u;

// Shared models get a process-shared robust mutex, private ones a plain one.
void init_mutex(pthread_mutex_t *mutex, bool shared) {
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    if (shared) {
        pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
        pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
    }
    pthread_mutex_init(mutex, &attr);
    pthread_mutexattr_destroy(&attr);
}

void init_header(Model &m) {
    std::memcpy(m.header.magic, kModelMagic, sizeof m.header.magic);
    m.header.version = kModelVersion;
    m.header.size = sizeof(Model);
    m.header.byte_order = kByteOrderMark;
}

// A fresh model in a file sized for it.
bool init_file(int fd, const Topology &t) {
    if (ftruncate(fd, sizeof(Model)) != 0) return false;
    void *p = mmap(nullptr, sizeof(Model), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) return false;
    auto *m = static_cast<Model *>(p);
    init_header(*m);
    init_mutex(&m->mutex, true);
    init_mutex(&m->dataplane, true);
    init_model(*m, t);
    bool ok = msync(m, sizeof(Model), MS_SYNC) == 0;
    munmap(m, sizeof(Model));
    return ok;
}

bool fail(char *err, size_t size, const char *path, const char *what) {
    std::snprintf(err, size, "state file %s: %s", path, what);
    return false;
}

// Writes a complete new state file under a temporary name and links it into
// place (or renames it over an old state file), so that no process ever
// maps a half-made model.
bool create_state_file(const char *path, const Topology &t, bool replace, char *err, size_t size) {
    char tmp[4096];
    if (std::snprintf(tmp, sizeof tmp, "%s.new.%ld", path, static_cast<long>(getpid())) >=
        static_cast<int>(sizeof tmp))
        return fail(err, size, path, "path too long");
    int fd = open(tmp, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return fail(err, size, path, std::strerror(errno));
    bool ok = init_file(fd, t);
    close(fd);
    if (!ok) {
        unlink(tmp);
        return fail(err, size, path, "cannot size, map or write a new file");
    }
    int rc = replace ? rename(tmp, path) : link(tmp, path);
    int saved = errno;
    if (!replace) unlink(tmp);
    if (rc != 0 && !(saved == EEXIST && !replace))  // EEXIST: another process made it first
        return fail(err, size, path, std::strerror(saved));
    return true;
}

// flock, waiting at most lock_timeout() for a process that is making the file.
bool flock_bounded(int fd, int op) {
    for (double waited = 0;; waited += 0.01) {
        if (flock(fd, op | LOCK_NB) == 0) return true;
        if (errno != EWOULDBLOCK || waited >= lock_timeout()) return false;
        struct timespec pause = {0, 10 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
}

// Why an existing, non-empty regular file cannot be used as it is; null
// when it can. A file without kelsim's magic is never touched (*foreign).
const char *check_header(int fd, off_t file_size, bool *foreign, char *what, size_t size) {
    StateHeader h{};
    *foreign = file_size < static_cast<off_t>(sizeof h) || pread(fd, &h, sizeof h, 0) != sizeof h ||
               std::memcmp(h.magic, kModelMagic, sizeof kModelMagic) != 0;
    if (*foreign) {
        std::snprintf(what, size,
                      "not a state file of kelsim (%lld bytes), and kelsim overwrites nothing else",
                      static_cast<long long>(file_size));
        return what;
    }
    if (h.byte_order != kByteOrderMark) return "made on a processor of the other byte order";
    if (h.version != kModelVersion || h.size != sizeof(Model) ||
        file_size != static_cast<off_t>(sizeof(Model))) {
        std::snprintf(what, size, "version %u of %lld bytes, expected version %u of %zu bytes", h.version,
                      static_cast<long long>(file_size), kModelVersion, sizeof(Model));
        return what;
    }
    return nullptr;
}

}  // namespace

Model *open_state_file(const char *path, const Topology &t, bool fresh, char *err, size_t size) {
    struct stat st;
    if (lstat(path, &st) != 0) {
        if (errno != ENOENT) return fail(err, size, path, std::strerror(errno)), nullptr;
        if (!create_state_file(path, t, false, err, size)) return nullptr;
        return open_state_file(path, t, false, err, size);
    }
    if (S_ISLNK(st.st_mode))
        return fail(err, size, path,
                    "is a symbolic link; kelsim does not follow links: name the file itself"),
               nullptr;
    if (!S_ISREG(st.st_mode))
        return fail(err, size, path, "not a regular file; kelsim never writes devices, FIFOs or directories"),
               nullptr;
    int fd = open(path, O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return fail(err, size, path, std::strerror(errno)), nullptr;
    const char *bad = nullptr;
    char what[160];
    bool foreign = false;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        bad = "changed while being opened";
    } else if (!flock_bounded(fd, st.st_size == 0 ? LOCK_EX : LOCK_SH) || fstat(fd, &st) != 0) {
        bad = "kept locked by another process making it";
    } else if (st.st_size == 0) {  // an empty file (made by mktemp, say) becomes the state file
        fchmod(fd, 0600);
        if (!init_file(fd, t)) bad = "cannot size, map or write it";
    } else {
        bad = check_header(fd, st.st_size, &foreign, what, sizeof what);
        if (fresh && !foreign) {  // --reset remakes a state file of any version
            close(fd);
            return create_state_file(path, t, true, err, size) ? open_state_file(path, t, false, err, size)
                                                               : nullptr;
        }
    }
    void *p = bad ? MAP_FAILED : mmap(nullptr, sizeof(Model), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);  // also releases the flock
    if (bad || p == MAP_FAILED) return fail(err, size, path, bad ? bad : "cannot map"), nullptr;
    return static_cast<Model *>(p);
}

Model *use_private_model(const Topology &t) {
    std::lock_guard<std::mutex> guard(private_mutex);
    if (!private_model) {
        void *p = mmap(nullptr, sizeof(Model), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) return nullptr;
        private_model = static_cast<Model *>(p);
        init_header(*private_model);
        init_mutex(&private_model->mutex, false);
        init_mutex(&private_model->dataplane, true);
    }
    {
        Lock lock(*private_model);
        if (!lock) return nullptr;
        init_model(*private_model, t);
    }
    active.store(private_model, std::memory_order_release);
    return private_model;
}

Model *current_model() {
    Model *m = active.load(std::memory_order_acquire);
    if (m) return m;
    static std::once_flag once;
    std::call_once(once, [] {
        Topology t;
        char err[512];
        const char *layout = std::getenv("KELSIM_TOPOLOGY");
        if (!parse_topology(layout && *layout ? layout : kDefaultLayout, &t, err, sizeof err)) {
            std::fprintf(stderr, "kelsim: KELSIM_TOPOLOGY: %s\n", err);
            return;
        }
        const char *path = std::getenv("KELSIM_STATE");
        if (path && *path) {
            Model *shared = open_state_file(path, t, false, err, sizeof err);
            if (!shared) {
                std::fprintf(stderr, "kelsim: %s\n", err);
                return;
            }
            active.store(shared, std::memory_order_release);
            return;
        }
        use_private_model(t);
    });
    return active.load(std::memory_order_acquire);
}

pid_t own_pid() {
    pid_t p = pid_cache.load(std::memory_order_relaxed);
    if (!p) pid_cache.store(p = getpid(), std::memory_order_relaxed);
    return p;
}

double lock_timeout() {
    static const double seconds = [] {
        const char *text = std::getenv("KELSIM_LOCK_TIMEOUT");
        if (!text || !*text) return 5.0;
        char *end;
        double v = std::strtod(text, &end);
        if (*end || !(v >= 0 && v <= 86400)) {
            std::fprintf(stderr, "kelsim: KELSIM_LOCK_TIMEOUT=%s: give seconds from 0 to 86400; waiting 5\n",
                         text);
            return 5.0;
        }
        return v;
    }();
    return seconds;
}

namespace {

double seconds_since(const struct timespec &start) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec - start.tv_sec) +
           static_cast<double>(now.tv_nsec - start.tv_nsec) / 1e9;
}

}  // namespace

Lock::Lock(Model &m, bool changes) : m_(m), changes_(changes) {
    int rc = pthread_mutex_trylock(&m_.mutex);
    if (rc == EBUSY) {
        // pthread_mutex_timedlock goes by the wall clock, which can be set:
        // it waits in slices of a tenth of a second, the whole wait being
        // measured on the monotonic clock.
        struct timespec start, slice;
        clock_gettime(CLOCK_MONOTONIC, &start);
        do {
            clock_gettime(CLOCK_REALTIME, &slice);
            slice.tv_nsec += 100 * 1000 * 1000;
            if (slice.tv_nsec >= 1000 * 1000 * 1000) {
                slice.tv_sec += 1;
                slice.tv_nsec -= 1000 * 1000 * 1000;
            }
            rc = pthread_mutex_timedlock(&m_.mutex, &slice);
        } while (rc == ETIMEDOUT && seconds_since(start) < lock_timeout());
    }
    if (rc == EOWNERDEAD) rc = pthread_mutex_consistent(&m_.mutex);
    held_ = rc == 0;
    if (held_) {
        __atomic_store_n(&m_.holder, own_pid(), __ATOMIC_RELAXED);
        return;
    }
    std::fprintf(stderr,
                 "kelsim: the switch is held by process %d; gave up after %g s (KELSIM_LOCK_TIMEOUT)\n",
                 static_cast<int>(__atomic_load_n(&m_.holder, __ATOMIC_RELAXED)), lock_timeout());
    errno = ETIMEDOUT;
}

Lock::~Lock() {
    if (!held_) return;
    if (changes_) __atomic_add_fetch(&m_.epoch, 1, __ATOMIC_RELEASE);
    __atomic_store_n(&m_.holder, 0, __ATOMIC_RELAXED);
    pthread_mutex_unlock(&m_.mutex);
}

TryLock::TryLock(Model &m) : m_(m) {
    int rc = pthread_mutex_trylock(&m_.mutex);
    if (rc == EOWNERDEAD) rc = pthread_mutex_consistent(&m_.mutex);
    held_ = rc == 0;
    if (held_) __atomic_store_n(&m_.holder, own_pid(), __ATOMIC_RELAXED);
}

TryLock::~TryLock() {
    if (!held_) return;
    __atomic_store_n(&m_.holder, 0, __ATOMIC_RELAXED);
    pthread_mutex_unlock(&m_.mutex);
}

}  // namespace kelsim
