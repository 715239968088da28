// usermem.h - the simulated driver's access to the calling program's memory.
//
// A driver in the kernel never touches a program's memory directly: it
// copies from and to it, and an address the program could not use makes the
// request fail with EFAULT rather than crash anything. kelsim's driver runs
// inside the program, so it copies the same way, whatever the address: the
// request block, the interface request and every record a handler reads or
// writes pass through these functions, once each.
//
// Ranges inside the calling thread's stack, above the current frame, are
// copied directly (the common case: the library and its callers keep their
// blocks and records there). Anything else is copied by the kernel on the
// process's own behalf (process_vm_readv and process_vm_writev), or, where
// those are refused (qemu-user answers ENOSYS, some security policies
// EPERM), through a pipe made for the call: a write from, or read into, a
// bad address fails with EFAULT there too.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelsim {

// Marks, while a request is answered on this thread, where the program's
// part of the stack ends: at the frame of the driver's entry. Below it the
// stack holds the driver's own frames, which no valid address of the program
// reaches; a range there is refused (EFAULT), never written.
class UserFrame {
public:
    explicit UserFrame(const void *entry_frame);
    ~UserFrame();
    UserFrame(const UserFrame &) = delete;
    UserFrame &operator=(const UserFrame &) = delete;

private:
    uintptr_t saved_;
};

// Copy n bytes; false when the program could not read src (or write dst).
// dst (or src) is the driver's own memory.
bool copy_from_user(void *dst, const void *src, size_t n);
bool copy_to_user(void *dst, const void *src, size_t n);

// Reads a text of at most max bytes, up to and including its NUL, into dst
// (max + 1 bytes), which is always terminated. Returns the characters before
// the NUL, max when there is none within max bytes, or -1 when the program
// could not read them.
long copy_text_from_user(char *dst, const void *src, size_t max);

}  // namespace kelsim
