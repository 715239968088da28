// field.h - fixed text fields of the records the library builds itself.
//
// A text goes into its field as plain characters (a '%' is just a byte),
// cut at the field's width, with a zero byte after it when it is shorter.
// A field filled to its width carries no terminator. The records that hold
// keys and passwords are wiped once the driver has read them, so no secret
// lingers in the caller's stack after the call.
#pragma once

#include <cstddef>
#include <cstring>

namespace kel {

// Copies text into a field of width bytes; bytes after the terminator are
// left as they are (the records are zeroed before they are filled).
inline void put_field(void *field, size_t width, const char *text) {
    size_t n = strnlen(text, width);
    std::memcpy(field, text, n);
    if (n < width) static_cast<char *>(field)[n] = '\0';
}

// Zeroes memory in a way the compiler may not drop as a dead store.
inline void wipe(void *p, size_t n) {
    std::memset(p, 0, n);
    __asm__ __volatile__("" : : "r"(p) : "memory");
}

}  // namespace kel
