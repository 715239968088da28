// usermem.cpp - copies from and to the calling program's memory that fail
// instead of faulting (see usermem.h).
#include "usermem.h"

#include "state.h"

#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstring>

// Where the main thread's stack ends, as the C library found it at start-up.
extern "C" void *__libc_stack_end;

namespace kelsim {

namespace {

// The calling thread's stack, learned once per thread (a forked child keeps
// the forking thread's, which stays right for it).
struct Stack {
    uintptr_t low = 0, high = 0;
    bool known = false;
};
thread_local Stack stack;
thread_local uintptr_t entry_frame = 0;  // see UserFrame

void learn_stack(Stack &s) {
    s.known = true;
    if (gettid() == getpid()) {                // the main thread: its stack grows down from where it began
        uintptr_t size = uintptr_t{64} << 20;  // the part of an unlimited stack taken as such
        struct rlimit limit;
        if (getrlimit(RLIMIT_STACK, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < size)
            size = static_cast<uintptr_t>(limit.rlim_cur);
        s.high = reinterpret_cast<uintptr_t>(__libc_stack_end);
        s.low = s.high > size ? s.high - size : 0;
        return;
    }
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return;
    void *addr;
    size_t size;
    if (pthread_attr_getstack(&attr, &addr, &size) == 0) {
        s.low = reinterpret_cast<uintptr_t>(addr);
        s.high = s.low + size;
    }
    pthread_attr_destroy(&attr);
}

enum class Range { direct, kernel, fault };

// A range the program may hand the driver: on the thread's stack above the
// driver's entry it is live and mapped; below it the stack is the driver's.
Range classify(uintptr_t a, size_t n) {
    if (a == 0) return Range::fault;
    Stack &s = stack;
    if (!s.known) learn_stack(s);
    uintptr_t frame = entry_frame ? entry_frame : reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    if (frame < s.low || frame >= s.high) return Range::kernel;  // another stack: a signal's, a fiber's
    if (a >= frame && a <= s.high && n <= s.high - a) return Range::direct;
    if (a < frame && (a >= s.low || n > s.low - a)) return Range::fault;
    return Range::kernel;
}

std::atomic<bool> vm_refused{false};

// Through a pipe made for the call, 4 KiB at a time so that it never fills.
bool pipe_copy(void *dst, const void *src, size_t n) {
    int p[2];
    if (pipe2(p, O_CLOEXEC) != 0) return false;
    bool ok = true;
    for (size_t off = 0; ok && off < n; off += 4096) {
        size_t k = n - off < 4096 ? n - off : 4096;
        ok = write(p[1], static_cast<const char *>(src) + off, k) == static_cast<ssize_t>(k) &&
             read(p[0], static_cast<char *>(dst) + off, k) == static_cast<ssize_t>(k);
    }
    close(p[0]);
    close(p[1]);
    return ok;
}

// The kernel's copy on the process's own behalf.
bool kernel_copy(void *dst, const void *src, size_t n, bool to_user) {
    if (!vm_refused.load(std::memory_order_relaxed)) {
        iovec local{const_cast<void *>(to_user ? src : dst), n};
        iovec remote{const_cast<void *>(to_user ? dst : src), n};
        ssize_t done = to_user ? process_vm_writev(own_pid(), &local, 1, &remote, 1, 0)
                               : process_vm_readv(own_pid(), &local, 1, &remote, 1, 0);
        if (done == static_cast<ssize_t>(n)) return true;
        if (done >= 0 || (errno != ENOSYS && errno != EPERM)) return false;
        vm_refused.store(true, std::memory_order_relaxed);
    }
    return pipe_copy(dst, src, n);
}

}  // namespace

UserFrame::UserFrame(const void *frame) : saved_(entry_frame) {
    entry_frame = reinterpret_cast<uintptr_t>(frame);
}

UserFrame::~UserFrame() { entry_frame = saved_; }

bool copy_from_user(void *dst, const void *src, size_t n) {
    if (n == 0) return true;
    switch (classify(reinterpret_cast<uintptr_t>(src), n)) {
        case Range::direct:
            std::memcpy(dst, src, n);
            return true;
        case Range::kernel:
            return kernel_copy(dst, src, n, false);
        case Range::fault:
            break;
    }
    return false;
}

bool copy_to_user(void *dst, const void *src, size_t n) {
    if (n == 0) return true;
    switch (classify(reinterpret_cast<uintptr_t>(dst), n)) {
        case Range::direct:
            std::memcpy(dst, src, n);
            return true;
        case Range::kernel:
            return kernel_copy(dst, src, n, true);
        case Range::fault:
            break;
    }
    return false;
}

long copy_text_from_user(char *dst, const void *src, size_t max) {
    auto a = reinterpret_cast<uintptr_t>(src);
    if (classify(a, max) == Range::direct) {
        size_t n = strnlen(static_cast<const char *>(src), max);
        std::memcpy(dst, src, n);
        dst[n] = '\0';
        return static_cast<long>(n);
    }
    // Page by page (4 KiB pieces never cross a page), so that a text that
    // ends just before memory the program cannot read is still read.
    for (size_t done = 0; done < max;) {
        size_t k = 4096 - (a + done) % 4096;
        if (k > max - done) k = max - done;
        if (!copy_from_user(dst + done, static_cast<const char *>(src) + done, k)) return -1;
        if (const void *nul = std::memchr(dst + done, 0, k)) return static_cast<const char *>(nul) - dst;
        done += k;
    }
    dst[max] = '\0';
    return static_cast<long>(max);
}

}  // namespace kelsim
