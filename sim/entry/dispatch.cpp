// dispatch.cpp - the simulated driver's entry: one request block in, the
// answer written into the same block. Also keeps the process's journal of
// requests, its armed faults and the trace.
//
// Like a driver in the kernel, it reaches the caller's memory only by
// copying (usermem.h): the block is copied in, answered, and copied back;
// an address the caller could not use fails the request with EFAULT.
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "entry/control.h"
#include "entry/trace.h"
#include "entry/usermem.h"
#include "family/commands.h"
#include "model/state.h"

namespace kelsim {

namespace {

const Family *const kFamilies[] = {
    &kSystemFamily,      &kStackFamily, &kTraceFamily,    &kArlFamily,   &kMcastFamily,      &kPortFamily,
    &kVlanFamily,        &kTrunkFamily, &kMirrorFamily,   &kCosqFamily,  &kRateFamily,       &kStormFamily,
    &kStatsFamily,       &kAclFamily,   &kStpFamily,      &kMstFamily,   &kDot1xFamily,      &kLacpFamily,
    &kGarpFamily,        &kGvrpFamily,  nullptr,          &kIgmpFamily,  &kDhcpSnoopFamily,  &kPortSecuFamily,
    &kLineFamily,        &kCableFamily, &kWatchdogFamily, &kCrashFamily, &kDhcpClientFamily, nullptr,
    &kPrivateShowFamily,
};
constexpr size_t kFamilyCount = sizeof kFamilies / sizeof kFamilies[0];

void *address(uint32_t low, uint32_t high) {
#if UINTPTR_MAX > 0xFFFFFFFFu
    return reinterpret_cast<void *>(static_cast<uintptr_t>(low) | (static_cast<uintptr_t>(high) << 32));
#else
    (void)high;
    return reinterpret_cast<void *>(static_cast<uintptr_t>(low));
#endif
}

// Process-local test state; guarded by the model's mutex like the model.
struct Faults {
    int ioctl_fails = 0;
    int forced = 0;
    int32_t forced_status = 0;
    bool forced_ioctl_fails = false;
    int port_count_fails[kMaxUnits] = {};
    Responder responder;
};

Faults faults;
std::atomic<int> socket_fails{0};
Sent ring[kJournalSize];
size_t ring_count = 0;  // requests journaled since the last clear

// The trace file, guarded by the model's mutex. It is opened for each line
// and closed again: a descriptor kept open could be closed by the program
// and its number reused for a file of the program's own, and no check
// before a write could rule out a dup2 over it a moment later.
char trace_path[PATH_MAX];  // empty: no trace
bool trace_named = false;   // KELSIM_TRACE has been read
std::atomic<bool> trace_failed{false};

bool absolute_path(const char *path, char *out, size_t size) {
    char cwd[PATH_MAX];
    if (path[0] == '/' || !getcwd(cwd, sizeof cwd))
        return std::snprintf(out, size, "%s", path) < static_cast<int>(size);
    return std::snprintf(out, size, "%s/%s", cwd, path) < static_cast<int>(size);
}

// Says once per process on stderr that the trace lost a line, and leaves a
// note for the launcher (KELSIM_RUN, its directory for this launch), which
// then exits nonzero: the program's own exit status is not kelsim's to change.
void trace_lost(int error) {
    if (trace_failed.exchange(true)) return;
    char text[PATH_MAX + 160];
    int n = std::snprintf(text, sizeof text,
                          "kelsim: cannot write the trace %s: %s; its later lines may be lost\n", trace_path,
                          std::strerror(error));
    if (n > static_cast<int>(sizeof text) - 1) n = static_cast<int>(sizeof text) - 1;
    ssize_t w = write(STDERR_FILENO, text, static_cast<size_t>(n));
    const char *run = std::getenv("KELSIM_RUN");
    char note[PATH_MAX];
    if (!run || !*run ||
        std::snprintf(note, sizeof note, "%s/trace-failed", run) >= static_cast<int>(sizeof note))
        return;
    int fd = open(note, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return;
    w = write(fd, text, static_cast<size_t>(n));
    (void)w;
    close(fd);
}

void write_trace(const char *line, size_t n) {
    int fd = open(trace_path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd < 0) return trace_lost(errno);
    ssize_t w = write(fd, line, n);  // one write per line: lines of processes never mix
    int error = w < 0 ? errno : static_cast<size_t>(w) != n ? ENOSPC : 0;
    if (close(fd) != 0 && !error) error = errno;
    if (error) trace_lost(error);
}

// A copy of the record the library sent, by what the command's row says it is.
size_t copy_record(const Command *cmd, const kel_ioreq &b, uint8_t *out) {
    const void *src = address(b.buf, b.buf_hi);
    if (!cmd || !src) return 0;
    size_t n = 0;
    switch (cmd->in) {
        case In::none:
            return 0;
        case In::fixed:
            n = cmd->in_size;
            break;
        case In::len:
            n = b.len < cmd->in_size ? b.len : cmd->in_size;
            break;
        case In::text: {
            size_t max = cmd->in_size - 1u < kRecordCopy - 1 ? cmd->in_size - 1u : kRecordCopy - 1;
            long k = copy_text_from_user(reinterpret_cast<char *>(out), src, max);
            return k < 0 ? 0 : static_cast<size_t>(k) + 1;
        }
    }
    if (n > kRecordCopy) n = kRecordCopy;
    return copy_from_user(out, src, n) ? n : 0;
}

int32_t execute(Model &m, kel_ioreq &b, const Command *cmd, bool *fault) {
    if (b.cmd == 0x0101 && b.unit >= 1 && b.unit <= kMaxUnits && faults.port_count_fails[b.unit - 1]) {
        if (faults.port_count_fails[b.unit - 1] > 0) --faults.port_count_fails[b.unit - 1];
        return KEL_DRV_ERR_NO_SUCH_PORT;
    }
    if (!cmd) return KEL_DRV_ERR_UNKNOWN_COMMAND;
    Context c{m, b, *cmd};
    int32_t status = cmd->run(c);
    *fault = c.fault;
    return status;
}

int32_t fault_or(bool ok, bool *fault, int32_t status) {
    if (ok) return status;
    *fault = true;
    return kFault;
}

}  // namespace

bool reads_only(const Command *cmd) {
    if (!cmd) return true;  // refused: nothing changes
    const char *n = cmd->name;
    return std::strstr(n, "_get") || std::strncmp(n, "is_", 3) == 0 || std::strstr(n, "_is_") ||
           std::strncmp(n, "show_", 5) == 0;
}

bool Context::has_buf() const { return address(b.buf, b.buf_hi) != nullptr; }

bool Context::has_rec() const {
#if UINTPTR_MAX > 0xFFFFFFFFu
    return address(b.rec, b.rec_hi) != nullptr;
#else
    return address(b.rec, 0) != nullptr;
#endif
}

int32_t Context::get(void *dst, size_t n) {
    const void *src = address(b.buf, b.buf_hi);
    return src ? fault_or(copy_from_user(dst, src, n), &fault, KEL_DRV_OK) : KEL_DRV_ERR_NULL_BUFFER;
}

int32_t Context::put(const void *src, size_t n) {
    void *dst = address(b.buf, b.buf_hi);
    return dst ? fault_or(copy_to_user(dst, src, n), &fault, KEL_DRV_OK) : KEL_DRV_ERR_NULL_BUFFER;
}

int32_t Context::put_rec(const void *src, size_t n) {
#if UINTPTR_MAX > 0xFFFFFFFFu
    void *dst = address(b.rec, b.rec_hi);
#else
    void *dst = address(b.rec, 0);
#endif
    return dst ? fault_or(copy_to_user(dst, src, n), &fault, KEL_DRV_OK) : KEL_DRV_ERR_NULL_BUFFER;
}

int32_t Context::get_text(char *dst, size_t max, size_t *len) {
    const void *src = address(b.buf, b.buf_hi);
    if (!src) return KEL_DRV_ERR_NULL_BUFFER;
    long n = copy_text_from_user(dst, src, max);
    *len = n < 0 ? 0 : static_cast<size_t>(n);
    return fault_or(n >= 0, &fault, KEL_DRV_OK);
}

void *buffer_of(const kel_ioreq &block) { return address(block.buf, block.buf_hi); }

const Command *find_command(uint32_t code) {
    uint32_t family = code >> 8, op = code & 0xFFu;
    if (family >= kFamilyCount || op == 0 || !kFamilies[family]) return nullptr;
    const Family &f = *kFamilies[family];
    if (op > f.count) return nullptr;
    const Command *row = &f.rows[op - 1];
    return row->run && row->code == code ? row : nullptr;
}

// Answers the request block at data, an address in the caller's memory; the
// system call's result (0, or -1 with errno).
int driver_request(void *data) {
    int saved_errno = errno;
    Model *m = current_model();
    if (!m) {
        errno = ENODEV;
        return -1;
    }
    kel_ioreq b;
    if (!copy_from_user(&b, data, sizeof b)) {
        errno = EFAULT;
        return -1;
    }
    const Command *cmd = find_command(b.cmd);
    Lock lock(*m, !reads_only(cmd));
    if (!lock) return -1;
    ++m->requests;
    if (!trace_named) {
        trace_named = true;
        const char *path = std::getenv("KELSIM_TRACE");
        if (path && *path && !trace_path[0] && !absolute_path(path, trace_path, sizeof trace_path))
            trace_path[0] = '\0';
    }
    Sent &entry = ring[ring_count++ % kJournalSize];
    entry.block = b;
    entry.record_size = static_cast<uint32_t>(copy_record(cmd, b, entry.record));
    int result = 0;
    bool fault = false;
    if (faults.ioctl_fails > 0) {
        --faults.ioctl_fails;
        result = -1;
    } else if (faults.forced > 0) {
        --faults.forced;
        b.status = faults.forced_status;
        result = faults.forced_ioctl_fails ? -1 : 0;
    } else if (!(faults.responder && faults.responder(b))) {
        b.status = execute(*m, b, cmd, &fault);
    }
    if (!fault && !copy_to_user(data, &b, sizeof b)) fault = true;
    if (fault) {
        result = -1;
        b = entry.block;  // nothing of the answer reached the caller for sure
    }
    entry.answer = b;
    entry.result = result;
    if (trace_path[0]) {
        char line[4096];
        write_trace(line, format_trace(line, sizeof line, cmd, entry.block, b, result, entry.record,
                                       entry.record_size));
    }
    errno = fault ? EFAULT : result ? ENODEV : saved_errno;
    return result;
}

bool set_trace(const char *path) {
    Model *m = current_model();
    if (!m) return false;
    Lock lock(*m);
    if (!lock) return false;
    trace_named = true;
    trace_path[0] = '\0';
    if (!path) return true;
    int fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    close(fd);
    return absolute_path(path, trace_path, sizeof trace_path) || (trace_path[0] = '\0', false);
}

bool reset(const char *layout) {
    Topology t;
    char err[256];
    if (!parse_topology(layout ? layout : kDefaultLayout, &t, err, sizeof err)) return false;
    Model *m = use_private_model(t);
    if (!m) return false;
    Lock lock(*m);
    if (!lock) return false;
    faults = Faults{};
    ring_count = 0;
    socket_fails.store(0);
    return true;
}

namespace {

template <class F>
void locked(F f) {
    Model *m = current_model();
    if (!m) return;
    Lock lock(*m);
    if (lock) f(*m);
}

}  // namespace

std::vector<Sent> journal() {
    std::vector<Sent> out;
    locked([&](Model &) {
        size_t n = ring_count < kJournalSize ? ring_count : kJournalSize;
        out.reserve(n);
        for (size_t i = ring_count - n; i < ring_count; ++i) out.push_back(ring[i % kJournalSize]);
    });
    return out;
}

size_t request_count() {
    size_t n = 0;
    locked([&](Model &) { n = ring_count; });
    return n;
}

void clear_journal() {
    locked([](Model &) { ring_count = 0; });
}

void fail_next_ioctl(int times) {
    locked([=](Model &) { faults.ioctl_fails = times; });
}

void force_status(int32_t status, bool ioctl_fails, int times) {
    locked([=](Model &) {
        faults.forced = times;
        faults.forced_status = status;
        faults.forced_ioctl_fails = ioctl_fails;
    });
}

void fail_port_count(uint32_t unit, int times) {
    if (unit < 1 || unit > kMaxUnits) return;
    locked([=](Model &) { faults.port_count_fails[unit - 1] = times; });
}

void fail_socket(int times) { socket_fails.store(times); }

void set_responder(Responder r) {
    locked([&](Model &) { faults.responder = std::move(r); });
}

void with_model(const std::function<void(Model &)> &f) { locked(f); }

// Consumes one armed socket fault; true when socket() must fail.
bool take_socket_fault() {
    int n = socket_fails.load();
    while (n > 0)
        if (socket_fails.compare_exchange_weak(n, n - 1)) return true;
    return false;
}

}  // namespace kelsim

extern "C" {

// The driver's entry for a request block at an address of the caller's.
int kelsim_driver_request(void *data) {
    kelsim::UserFrame frame(__builtin_frame_address(0));
    return kelsim::driver_request(data);
}

// Called by the ioctl interposer for every SIOCDEVPRIVATE request. It answers
// (*answered set) what the kernel would answer for the interface sw0 (also
// EBADF, ENOTTY or EFAULT for a request the kernel refuses before looking
// at the name); the rest is the kernel's. The descriptor is checked with
// getsockopt: one system call that fails as ioctl would for a closed or
// O_PATH descriptor and for one that is not a socket, that works the same
// under qemu-user (which answers ENOSYS to the real request), and that
// never reaches a real interface of that name or takes the kernel's
// network configuration lock as the real request does.
int kelsim_interface_request(int fd, void *arg, int *answered) {
    kelsim::UserFrame frame(__builtin_frame_address(0));
    struct ifreq r;
    bool readable = kelsim::copy_from_user(&r, arg, sizeof r);
    *answered = !readable || std::strncmp(r.ifr_name, "sw0", IFNAMSIZ) == 0;
    if (!*answered) return 0;
    int type;
    socklen_t len = sizeof type;
    if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &len) != 0) {
        if (errno == ENOTSOCK) errno = ENOTTY;
        return -1;
    }
    if (!readable) {
        errno = EFAULT;
        return -1;
    }
    return kelsim::driver_request(r.ifr_data);
}

int kelsim_take_socket_fault(void) { return kelsim::take_socket_fault() ? 1 : 0; }

}  // extern "C"
