// request.h - the one road every command takes to the driver.
//
// A Request is a zeroed kel_ioreq on the caller's stack. A wrapper names the
// command code and the port, sets the words of its command, sends, and copies
// back the words it returns; the usual result (the driver's status when it is
// nonzero, else the transport's result) is formed in send() alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "kel.h"

namespace kel {

// A member of the request block that carries a 32-bit word.
using Slot = uint32_t kel_ioreq::*;

// Offsets of the request block, fixed by the driver's contract.
static_assert(offsetof(kel_ioreq, cmd) == 0);
static_assert(offsetof(kel_ioreq, status) == 4);
static_assert(offsetof(kel_ioreq, sel) == 8);
static_assert(offsetof(kel_ioreq, unit) == 12);
static_assert(offsetof(kel_ioreq, port) == 16);
static_assert(offsetof(kel_ioreq, vid) == 20);
static_assert(offsetof(kel_ioreq, trunk) == 24);
static_assert(offsetof(kel_ioreq, session) == 28);
static_assert(offsetof(kel_ioreq, queue) == 32);
static_assert(offsetof(kel_ioreq, list) == 36);
static_assert(offsetof(kel_ioreq, index) == 40);
static_assert(offsetof(kel_ioreq, value) == 44);
static_assert(offsetof(kel_ioreq, param) == 48);
static_assert(offsetof(kel_ioreq, prio) == 52);
static_assert(offsetof(kel_ioreq, aux) == 56);
static_assert(offsetof(kel_ioreq, rate) == 60);
static_assert(offsetof(kel_ioreq, count) == 64);
static_assert(offsetof(kel_ioreq, addr) == 68);
static_assert(offsetof(kel_ioreq, mask) == 72);
static_assert(offsetof(kel_ioreq, mac) == 76);
static_assert(offsetof(kel_ioreq, len) == 84);
static_assert(offsetof(kel_ioreq, buf) == 88);
static_assert(offsetof(kel_ioreq, buf_hi) == 92);
static_assert(offsetof(kel_ioreq, rec) == 96);
static_assert(sizeof(void *) == 4 ? sizeof(kel_ioreq) == 100 : sizeof(kel_ioreq) == 104);
#if UINTPTR_MAX > 0xFFFFFFFFu
static_assert(offsetof(kel_ioreq, rec_hi) == 100);
#endif

// Records of the driver that the library reads.
static_assert(sizeof(vlaninfo) == KEL_VLANINFO_SIZE);
static_assert(offsetof(vlaninfo, set) == 40);
static_assert(sizeof(iflist) == 32 && sizeof(vlanlist) == 512 && sizeof(ifport) == 12);

// Splits an address into the low word at its offset and the high word after it.
inline void put_address(uint32_t &low, uint32_t &high, const void *p) {
    auto a = reinterpret_cast<uintptr_t>(p);
    low = static_cast<uint32_t>(a);
#if UINTPTR_MAX > 0xFFFFFFFFu
    high = static_cast<uint32_t>(a >> 32);
#else
    (void)high;
#endif
}

// The named words of the block, as wrappers write and read them; the same
// word carries the same kind of value in every family that uses it.
namespace slot {
constexpr Slot sel = &kel_ioreq::sel;          //  8 selector, type or mode
constexpr Slot unit = &kel_ioreq::unit;        // 12
constexpr Slot port = &kel_ioreq::port;        // 16
constexpr Slot vid = &kel_ioreq::vid;          // 20
constexpr Slot trunk = &kel_ioreq::trunk;      // 24
constexpr Slot session = &kel_ioreq::session;  // 28
constexpr Slot queue = &kel_ioreq::queue;      // 32
constexpr Slot list = &kel_ioreq::list;        // 36
constexpr Slot index = &kel_ioreq::index;      // 40
constexpr Slot value = &kel_ioreq::value;      // 44
constexpr Slot param = &kel_ioreq::param;      // 48
constexpr Slot prio = &kel_ioreq::prio;        // 52
constexpr Slot aux = &kel_ioreq::aux;          // 56
constexpr Slot rate = &kel_ioreq::rate;        // 60
constexpr Slot count = &kel_ioreq::count;      // 64
constexpr Slot addr = &kel_ioreq::addr;        // 68
constexpr Slot mask = &kel_ioreq::mask;        // 72
}  // namespace slot

class Request {
public:
    explicit Request(uint32_t cmd) : b_{} { b_.cmd = cmd; }
    Request(uint32_t cmd, const ifport *p) : Request(cmd) { at(p); }

    kel_ioreq *operator->() { return &b_; }
    const kel_ioreq &block() const { return b_; }

    // One word of the request.
    Request &set(Slot s, uint32_t v) {
        b_.*s = v;
        return *this;
    }
    // unit and port of p; the slot word never travels.
    Request &at(const ifport *p) {
        b_.unit = static_cast<uint32_t>(p->unit);
        b_.port = static_cast<uint32_t>(p->port);
        return *this;
    }
    // As at(), leaving unit and port 0 for a null port.
    Request &at_or_none(const ifport *p) { return p ? at(p) : *this; }
    Request &mac(const uint8_t *m) {
        std::memcpy(b_.mac, m, sizeof b_.mac);
        return *this;
    }
    // The caller's buffer in buf, with its size in len where the command states one.
    Request &buffer(const void *p, uint32_t len = 0) {
        put_address(b_.buf, b_.buf_hi, p);
        b_.len = len;
        return *this;
    }
#if UINTPTR_MAX > 0xFFFFFFFFu
    Request &record(const void *p) {
        put_address(b_.rec, b_.rec_hi, p);
        return *this;
    }
#else
    Request &record(const void *p) {
        uint32_t unused = 0;
        put_address(b_.rec, unused, p);
        return *this;
    }
#endif

    // Sends the block; the usual result.
    int32_t send() {
        int32_t rc = kel_ioctl(KEL_IOCTL_REQUEST, &b_);
        return b_.status != 0 ? b_.status : rc;
    }
    // Copies one word of the answer when out is not null, whatever the result.
    void put(Slot slot, uint32_t *out) const {
        if (out) *out = b_.*slot;
    }
    // Sends and copies one word back: the shape of most getters.
    int32_t send(Slot slot, uint32_t *out) {
        int32_t rc = send();
        put(slot, out);
        return rc;
    }
    // Sends and copies two words back, each when its pointer is not null.
    int32_t send(Slot s1, uint32_t *o1, Slot s2, uint32_t *o2) {
        int32_t rc = send();
        put(s1, o1);
        put(s2, o2);
        return rc;
    }

    // A walk with end marker: 65535 coming back at index means no further
    // entry; the caller's cursor then keeps its value.
    int32_t walk_to_end(uint32_t *cursor) {
        b_.index = *cursor;
        int32_t rc = send();
        if (b_.index == KEL_WALK_END) return KEL_ERR_NOT_FOUND;
        *cursor = b_.index;
        return rc;
    }
    // A walk without end marker: the index comes back to the caller after
    // every call; the walk ends at the first nonzero result.
    int32_t walk(uint32_t *cursor) {
        b_.index = *cursor;
        int32_t rc = send();
        *cursor = b_.index;
        return rc;
    }

private:
    kel_ioreq b_;
};

// Sends a yes/no query and answers 1 exactly when the driver wrote 1 at count.
inline int32_t ask_yes(uint32_t cmd) {
    Request r(cmd);
    r.send();
    return r->count == 1 ? 1 : 0;
}

}  // namespace kel
