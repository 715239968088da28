// The simulated driver against any request block: whatever the code, the
// words, the length and the buffer, it answers with a status and writes
// nothing outside the buffer it was given (a guarded scratch record here).
// The first bytes of the input choose the code among the known families, so
// that the fuzzer reaches the handlers rather than only "unknown command".
#include <cstdlib>
#include <cstring>

#include "sim_switch.h"

namespace {

constexpr size_t kRecord = 2048;  // larger than any record the driver writes
constexpr size_t kGuard = 64;
constexpr uint8_t kGuardByte = 0xA5;

struct Scratch {
    uint8_t before[kGuard];
    uint8_t record[kRecord];
    uint8_t after[kGuard];
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::open_switch();
    if (size < 3) return 0;
    kel_ioreq b;
    std::memset(&b, 0, sizeof b);
    // Family 0x00..0x1F and operation 0..0x3F from the first two bytes; the
    // third chooses a null buffer or the scratch record.
    b.cmd = static_cast<uint32_t>(data[0] & 0x1F) << 8 | (data[1] & 0x3F);
    bool with_buffer = data[2] & 1;
    data += 3;
    size -= 3;
    // The words from sel (offset 8) to mask, then the MAC and len, from the input.
    size_t words = offsetof(kel_ioreq, buf) - offsetof(kel_ioreq, sel);
    std::memcpy(reinterpret_cast<uint8_t *>(&b) + offsetof(kel_ioreq, sel), data,
                size < words ? size : words);
    if (b.len > kRecord) b.len %= kRecord + 1;  // a len the buffer really has
    static Scratch scratch;
    std::memset(&scratch, kGuardByte, sizeof scratch);
    if (size > words) {  // the rest of the input is the record the driver reads
        size_t n = size - words < kRecord ? size - words : kRecord;
        std::memcpy(scratch.record, data + words, n);
    }
    if (with_buffer) {
        auto a = reinterpret_cast<uintptr_t>(scratch.record);
        b.buf = static_cast<uint32_t>(a);
#if UINTPTR_MAX > 0xFFFFFFFFu
        b.buf_hi = static_cast<uint32_t>(a >> 32);
        b.rec = b.buf;
        b.rec_hi = b.buf_hi;
#else
        b.rec = b.buf;
#endif
    }
    scratch.record[kRecord - 1] = 0;  // texts the driver reads end inside the record
    if (kel_ioctl(KEL_IOCTL_REQUEST, &b) != 0) std::abort();
    for (size_t i = 0; i < kGuard; ++i)
        if (scratch.before[i] != kGuardByte || scratch.after[i] != kGuardByte) std::abort();
    return 0;
}
