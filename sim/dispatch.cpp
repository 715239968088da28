// dispatch.cpp - the simulated driver's entry: one request block in, the
// answer written into the same block. Also keeps the process's journal of
// requests, its armed faults and the trace.
#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <mutex>

#include "commands.h"
#include "control.h"
#include "state.h"
#include "trace.h"

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
std::atomic<int> trace_fd{-1};

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
        case In::text:
            n = strnlen(static_cast<const char *>(src), cmd->in_size - 1) + 1;
            break;
    }
    if (n > kRecordCopy) n = kRecordCopy;
    std::memcpy(out, src, n);
    return n;
}

int32_t execute(Model &m, kel_ioreq &b, const Command *cmd) {
    if (b.cmd == 0x0101 && b.unit >= 1 && b.unit <= kMaxUnits && faults.port_count_fails[b.unit - 1]) {
        if (faults.port_count_fails[b.unit - 1] > 0) --faults.port_count_fails[b.unit - 1];
        return KEL_DRV_ERR_NO_SUCH_PORT;
    }
    if (!cmd) return KEL_DRV_ERR_UNKNOWN_COMMAND;
    Context c{m, b, *cmd};
    return cmd->run(c);
}

}  // namespace

void *Context::buf() const { return address(b.buf, b.buf_hi); }

void *Context::rec() const {
#if UINTPTR_MAX > 0xFFFFFFFFu
    return address(b.rec, b.rec_hi);
#else
    return address(b.rec, 0);
#endif
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

// Answers one request block; the system call's result (0, or -1 with errno).
int driver_request(void *data) {
    Model *m = current_model();
    if (!m || !data) {
        errno = m ? EFAULT : ENODEV;
        return -1;
    }
    auto &b = *static_cast<kel_ioreq *>(data);
    Lock lock(*m);
    ++m->requests;
    Sent &entry = ring[ring_count++ % kJournalSize];
    std::memcpy(&entry.block, &b, sizeof b);
    const Command *cmd = find_command(b.cmd);
    entry.record_size = static_cast<uint32_t>(copy_record(cmd, b, entry.record));
    int result = 0;
    if (faults.ioctl_fails > 0) {
        --faults.ioctl_fails;
        result = -1;
    } else if (faults.forced > 0) {
        --faults.forced;
        b.status = faults.forced_status;
        result = faults.forced_ioctl_fails ? -1 : 0;
    } else if (!(faults.responder && faults.responder(b))) {
        b.status = execute(*m, b, cmd);
    }
    std::memcpy(&entry.answer, &b, sizeof b);
    entry.result = result;
    int fd = trace_fd.load(std::memory_order_relaxed);
    if (fd >= 0) {
        char line[1024];
        size_t n =
            format_trace(line, sizeof line, cmd, entry.block, b, result, entry.record, entry.record_size);
        ssize_t w = write(fd, line, n);  // one write per line: lines of processes never mix
        (void)w;
    }
    if (result != 0) errno = ENODEV;
    return result;
}

// The trace named by KELSIM_TRACE, opened once per process.
void open_trace_from_environment() {
    static std::once_flag once;
    std::call_once(once, [] {
        const char *path = getenv("KELSIM_TRACE");
        if (path && *path && trace_fd.load() < 0) set_trace(path);
    });
}

bool set_trace(const char *path) {
    int old = trace_fd.exchange(-1);
    if (old >= 0) close(old);
    if (!path) return true;
    int fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    trace_fd.store(fd);
    return true;
}

bool reset(const char *layout) {
    Topology t;
    char err[256];
    if (!parse_topology(layout ? layout : kDefaultLayout, &t, err, sizeof err)) return false;
    Model *m = use_private_model(t);
    if (!m) return false;
    Lock lock(*m);
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
    f(*m);
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

// Called by the ioctl interposer for every SIOCDEVPRIVATE request on "sw0".
int kelsim_driver_request(void *data) {
    kelsim::open_trace_from_environment();
    return kelsim::driver_request(data);
}

int kelsim_take_socket_fault(void) { return kelsim::take_socket_fault() ? 1 : 0; }

}  // extern "C"
