// alloc_counter.cpp - the counting malloc family (see alloc_counter.h).
#include "alloc_counter.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>

namespace kel_test {

namespace {

std::atomic<bool> armed{false};
std::atomic<long> calls{0}, releases{0};
std::atomic<size_t> bytes{0};

}  // namespace

Allocations allocations_in(const std::function<void()> &f) {
    calls = 0;
    releases = 0;
    bytes = 0;
    armed = true;
    f();
    armed = false;
    return Allocations{calls.load(), releases.load(), bytes.load()};
}

void count_allocation(size_t n) {
    if (!armed.load(std::memory_order_relaxed)) return;
    calls.fetch_add(1, std::memory_order_relaxed);
    bytes.fetch_add(n, std::memory_order_relaxed);
}

void count_release(void *p) {
    if (p && armed.load(std::memory_order_relaxed)) releases.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace kel_test

#ifndef KEL_TEST_SANITIZER_ALLOCATOR
// The C library's allocator under its internal names.
extern "C" {
void *__libc_malloc(size_t);
void *__libc_calloc(size_t, size_t);
void *__libc_realloc(void *, size_t);
void *__libc_memalign(size_t, size_t);
void __libc_free(void *);

void *malloc(size_t n) {
    kel_test::count_allocation(n);
    return __libc_malloc(n);
}
void *calloc(size_t k, size_t n) {
    kel_test::count_allocation(k * n);
    return __libc_calloc(k, n);
}
void *realloc(void *p, size_t n) {
    kel_test::count_allocation(n);
    return __libc_realloc(p, n);
}
void *memalign(size_t a, size_t n) {
    kel_test::count_allocation(n);
    return __libc_memalign(a, n);
}
void *aligned_alloc(size_t a, size_t n) { return memalign(a, n); }
int posix_memalign(void **out, size_t a, size_t n) {
    void *p = memalign(a, n);
    if (!p) return ENOMEM;
    *out = p;
    return 0;
}
void free(void *p) {
    kel_test::count_release(p);
    __libc_free(p);
}
}  // extern "C"
#endif
