// commands.h - how kelsim's command handlers are described and found.
//
// Every family has one table of Command rows in operation order (row i is
// operation i + 1; a row without a handler is a code the driver does not
// know). A handler reads the request block, changes the model and writes the
// answer words; its return value becomes the block's status.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kel.h"
#include "kel_driver.h"
#include "model/model.h"

namespace kelsim {

struct Command;

// Not a status: what the caller's memory access functions below return when
// the caller's memory could not be read or written. The request then fails
// with EFAULT, as the kernel's copies from and to user memory make it fail.
constexpr int32_t kFault = INT32_MIN;

// One request as a handler sees it: the model, the block (the driver's copy),
// and the caller's buffers, reached only by copying (see usermem.h).
struct Context {
    Model &m;
    kel_ioreq &b;
    const Command &cmd;
    bool fault = false;  // a copy from or to the caller's memory failed

    // Whether the block names a buffer (buf, with buf_hi on 64-bit builds),
    // and a second record (rec, with rec_hi on 64-bit builds).
    bool has_buf() const;
    bool has_rec() const;
    // Copies n bytes from or to the buffer: KEL_DRV_OK, KEL_DRV_ERR_NULL_BUFFER when there is
    // none, or kFault.
    int32_t get(void *dst, size_t n);
    int32_t put(const void *src, size_t n);
    int32_t put_rec(const void *src, size_t n);
    template <class Record>
    int32_t get(Record &r) {
        return get(&r, sizeof r);
    }
    // The text in the buffer: at most max bytes up to its NUL, into dst
    // (max + 1 bytes, always terminated); *len is its length, max when no
    // NUL came within max bytes. KEL_DRV_OK, KEL_DRV_ERR_NULL_BUFFER or kFault.
    int32_t get_text(char *dst, size_t max, size_t *len);
    // The port the block names, when it exists in the topology.
    bool port_exists() const { return m.topo.exists(b.unit, b.port); }
};

// Writes a whole record into the caller's buffer: the answer of the
// commands that fill a record; a null buffer gets KEL_DRV_ERR_NULL_BUFFER.
template <class Record>
int32_t answer(Context &c, const Record &r) {
    return c.put(&r, sizeof r);
}

// A name the switch keeps (VLAN, access list, MST region, local user):
// printable ASCII only, so that no name can carry a terminal's escape
// sequence or a line break into whatever shows it.
inline bool printable_name(const char *name, size_t len) {
    for (size_t i = 0; i < len; ++i)
        if (static_cast<unsigned char>(name[i]) < ' ' || static_cast<unsigned char>(name[i]) > '~')
            return false;
    return true;
}

using Handler = int32_t (*)(Context &);

// What a command hands the driver through buf, so that the journal and the
// trace can keep a copy of what the library sent.
enum class In : uint8_t {
    none,   // nothing, or a buffer the driver fills
    fixed,  // a record of in_size bytes
    len,    // a record of len bytes (at most in_size)
    text,   // a NUL-terminated text (at most in_size bytes are kept)
};

struct Command {
    uint16_t code;
    const char *name;
    Handler run;
    const Setting *setting = nullptr;  // for setting_set / setting_get
    In in = In::none;
    uint16_t in_size = 0;
    bool secret = false;  // the record holds a key or password: never traced
};

struct Family {
    const Command *rows;
    size_t count;
};

// The table of each family, defined in the family's own file; an empty
// Family is a family whose commands the simulated driver does not know.
extern const Family kSystemFamily;       // 0x00
extern const Family kStackFamily;        // 0x01
extern const Family kTraceFamily;        // 0x02
extern const Family kArlFamily;          // 0x03
extern const Family kMcastFamily;        // 0x04
extern const Family kPortFamily;         // 0x05
extern const Family kVlanFamily;         // 0x06
extern const Family kTrunkFamily;        // 0x07
extern const Family kMirrorFamily;       // 0x08
extern const Family kCosqFamily;         // 0x09
extern const Family kRateFamily;         // 0x0A
extern const Family kStormFamily;        // 0x0B
extern const Family kStatsFamily;        // 0x0C
extern const Family kAclFamily;          // 0x0D
extern const Family kStpFamily;          // 0x0E
extern const Family kMstFamily;          // 0x0F
extern const Family kDot1xFamily;        // 0x10
extern const Family kLacpFamily;         // 0x11
extern const Family kGarpFamily;         // 0x12
extern const Family kGvrpFamily;         // 0x13
extern const Family kIgmpFamily;         // 0x15
extern const Family kDhcpSnoopFamily;    // 0x16
extern const Family kPortSecuFamily;     // 0x17
extern const Family kLineFamily;         // 0x18
extern const Family kCableFamily;        // 0x19
extern const Family kWatchdogFamily;     // 0x1A
extern const Family kCrashFamily;        // 0x1B
extern const Family kDhcpClientFamily;   // 0x1C
extern const Family kPrivateShowFamily;  // 0x1E

// The row of a code, or null when no command has it.
const Command *find_command(uint32_t code);

// Whether a command only reads the switch, by its name ("..._get...",
// "is_...", "show_..."): the driver's entry then counts no change of the
// switch (Lock), and the dataplane keeps the settings it compiled.
bool reads_only(const Command *cmd);

template <size_t N>
constexpr Family family(const Command (&rows)[N]) {
    return Family{rows, N};
}

}  // namespace kelsim
