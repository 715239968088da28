// text_input.h - what the fuzz targets share: the input as a C text in an
// exact-size heap block, so that the sanitizers catch any read or write one
// byte past its terminator, and a few numbers taken from the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace fuzz {

// The input, NUL-terminated, in a heap block of exactly size + 1 bytes. An
// embedded zero byte simply ends the text early.
class Text {
public:
    Text(const uint8_t *data, size_t size) : s_(new char[size + 1]), size_(size) {
        if (size) std::memcpy(s_, data, size);
        s_[size] = '\0';
    }
    ~Text() { delete[] s_; }
    Text(const Text &) = delete;
    Text &operator=(const Text &) = delete;
    char *get() { return s_; }
    size_t size() const { return size_; }

private:
    char *s_;
    size_t size_;
};

// A 32-bit value from the first bytes of the input (fewer bytes: zero-filled).
inline uint32_t leading_word(const uint8_t *data, size_t size) {
    uint32_t w = 0;
    std::memcpy(&w, data, size < 4 ? size : 4);
    return w;
}

}  // namespace fuzz
