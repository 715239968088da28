// control.h - kelsim's test-control API.
//
// Tests link the simulator in-process; this API lets them reset the switch,
// see what the library sent and make the next requests fail on purpose.
// Everything here acts on the calling process only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "kel.h"
#include "model/model.h"

namespace kelsim {

// Bytes of a record kept per journal entry (the largest record the library
// hands over is a 512-byte VLAN list).
constexpr size_t kRecordCopy = 640;

// One request as the driver received it and answered it.
struct Sent {
    kel_ioreq block;       // the block as the library sent it
    kel_ioreq answer;      // the block as the driver left it
    int32_t result;        // what the system call returned
    uint32_t record_size;  // bytes kept of the record the library sent
    uint8_t record[kRecordCopy];
};

// Makes a fresh private switch of the given layout (default topology when
// null) and clears the journal, the faults and the responder. False, with
// the model unchanged, when the layout does not parse.
bool reset(const char *layout = nullptr);

// The requests received since the last reset or clear_journal, oldest first
// (at most the last kJournalSize).
constexpr size_t kJournalSize = 1024;
std::vector<Sent> journal();
// The number of requests received since the last reset or clear_journal.
size_t request_count();
void clear_journal();

// Faults, each for the next `times` requests (or socket calls):
// - the system call fails with -1 before the driver sees the block;
void fail_next_ioctl(int times = 1);
// - the driver answers `status` without executing the command; with
//   ioctl_fails the system call then also returns -1;
void force_status(int32_t status, bool ioctl_fails = false, int times = 1);
// - the port-count query (0x0101) for `unit` fails with a driver status and
//   leaves the count unwritten; times < 0 means until reset;
void fail_port_count(uint32_t unit, int times = -1);
// - socket() fails with EMFILE.
void fail_socket(int times = 1);

// A responder sees every request before the model does; when it returns true
// the block as it left it is the driver's answer and the model is not asked.
using Responder = std::function<bool(kel_ioreq &block)>;
void set_responder(Responder r);

// The caller's buffer a block points at (buf and, on 64-bit builds, buf_hi).
void *buffer_of(const kel_ioreq &block);

// Runs f on the model under its lock, for tests that set up or inspect state.
void with_model(const std::function<void(Model &)> &f);

// Starts (path non-null) or stops writing the decoded trace to a file.
bool set_trace(const char *path);

}  // namespace kelsim
