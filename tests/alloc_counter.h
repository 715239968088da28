// alloc_counter.h - counts the allocations a piece of code makes.
//
// Linked into a test executable, alloc_counter.cpp replaces the process's
// malloc family with wrappers around the C library's own allocator, so that
// every allocation (libkel.so's, the C library's, the in-process driver's)
// passes a counter. Sanitizer builds bring their own allocator: there the
// wrappers are compiled out and kCountingAllocator is false.
#pragma once

#include <cstddef>
#include <functional>

namespace kel_test {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KEL_TEST_SANITIZER_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define KEL_TEST_SANITIZER_ALLOCATOR 1
#endif
#endif

#ifdef KEL_TEST_SANITIZER_ALLOCATOR
constexpr bool kCountingAllocator = false;
#else
constexpr bool kCountingAllocator = true;
#endif

struct Allocations {
    long calls = 0;     // malloc, calloc, realloc and the aligned forms
    long releases = 0;  // free of a non-null pointer
    size_t bytes = 0;   // bytes asked for
};

// What f allocates and frees while it runs.
Allocations allocations_in(const std::function<void()> &f);

}  // namespace kel_test
