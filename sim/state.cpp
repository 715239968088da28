// state.cpp - private and shared models, their creation, checks and lock.
#include "state.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
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

constexpr uint32_t kByteOrderMark = 0x01020304u;

void init_mutex(pthread_mutex_t *mutex, bool shared) {
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_setpshared(&attr, shared ? PTHREAD_PROCESS_SHARED : PTHREAD_PROCESS_PRIVATE);
    pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
    pthread_mutex_init(mutex, &attr);
    pthread_mutexattr_destroy(&attr);
}

void init_header(Model &m) {
    std::memcpy(m.header.magic, kModelMagic, sizeof m.header.magic);
    m.header.version = kModelVersion;
    m.header.size = sizeof(Model);
    m.header.byte_order = kByteOrderMark;
}

Model *map_model(int fd) {
    void *p = mmap(nullptr, sizeof(Model), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    return p == MAP_FAILED ? nullptr : static_cast<Model *>(p);
}

bool fail(char *err, size_t size, const char *path, const char *what) {
    std::snprintf(err, size, "state file %s: %s", path, what);
    return false;
}

// Writes a complete new state file under a temporary name and links it into
// place, so that no process ever maps a half-made model.
bool create_state_file(const char *path, const Topology &t, bool replace, char *err, size_t size) {
    char tmp[4096];
    if (std::snprintf(tmp, sizeof tmp, "%s.new.%ld", path, static_cast<long>(getpid())) >=
        static_cast<int>(sizeof tmp))
        return fail(err, size, path, "path too long");
    int fd = open(tmp, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return fail(err, size, path, std::strerror(errno));
    bool ok = ftruncate(fd, sizeof(Model)) == 0;
    Model *m = ok ? map_model(fd) : nullptr;
    close(fd);
    if (!m) {
        unlink(tmp);
        return fail(err, size, path, "cannot size or map a new file");
    }
    init_header(*m);
    init_mutex(&m->mutex, true);
    init_model(*m, t);
    msync(m, sizeof(Model), MS_SYNC);
    munmap(m, sizeof(Model));
    int rc = replace ? rename(tmp, path) : link(tmp, path);
    int saved = errno;
    if (!replace) unlink(tmp);
    if (rc != 0 && !(saved == EEXIST && !replace))  // EEXIST: another process made it first
        return fail(err, size, path, std::strerror(saved));
    return true;
}

}  // namespace

Model *open_state_file(const char *path, const Topology &t, bool fresh, char *err, size_t size) {
    if (fresh && !create_state_file(path, t, true, err, size)) return nullptr;
    int fd = open(path, O_RDWR | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        if (!create_state_file(path, t, false, err, size)) return nullptr;
        fd = open(path, O_RDWR | O_CLOEXEC);
    }
    if (fd < 0) {
        fail(err, size, path, std::strerror(errno));
        return nullptr;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || st.st_size != static_cast<off_t>(sizeof(Model))) {
        close(fd);
        char what[160];
        std::snprintf(what, sizeof what, "size %lld bytes, expected %zu: not a state file of this kelsim",
                      static_cast<long long>(st.st_size), sizeof(Model));
        fail(err, size, path, what);
        return nullptr;
    }
    Model *m = map_model(fd);
    close(fd);
    if (!m) {
        fail(err, size, path, "cannot map");
        return nullptr;
    }
    const char *bad = nullptr;
    char what[160];
    if (std::memcmp(m->header.magic, kModelMagic, sizeof kModelMagic) != 0) {
        bad = "not a kelsim state file";
    } else if (m->header.byte_order != kByteOrderMark) {
        bad = "made on a processor of the other byte order";
    } else if (m->header.version != kModelVersion || m->header.size != sizeof(Model)) {
        std::snprintf(what, sizeof what, "version %u of %u bytes, expected version %u of %zu bytes",
                      m->header.version, m->header.size, kModelVersion, sizeof(Model));
        bad = what;
    }
    if (bad) {
        munmap(m, sizeof(Model));
        fail(err, size, path, bad);
        return nullptr;
    }
    return m;
}

Model *use_private_model(const Topology &t) {
    std::lock_guard<std::mutex> guard(private_mutex);
    if (!private_model) {
        void *p = mmap(nullptr, sizeof(Model), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) return nullptr;
        private_model = static_cast<Model *>(p);
        init_header(*private_model);
        init_mutex(&private_model->mutex, false);
    }
    {
        Lock lock(*private_model);
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

Lock::Lock(Model &m) : m_(m) {
    if (pthread_mutex_lock(&m_.mutex) == EOWNERDEAD) pthread_mutex_consistent(&m_.mutex);
}

Lock::~Lock() { pthread_mutex_unlock(&m_.mutex); }

}  // namespace kelsim
