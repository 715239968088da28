// status.h - the driver status codes kelsim answers.
//
// The real driver's codes are its own; kelsim uses this small documented set,
// all negative and below -200 so that they never read as one of the
// library's own result codes.
#pragma once

#include <cstdint>

namespace kelsim {

enum Status : int32_t {
    kOk = 0,
    kUnknownCommand = -201,  // no command has this code
    kNoSuchPort = -202,      // unit or port does not exist
    kBadValue = -203,        // a word outside the values the command takes
    kBufferTooSmall = -204,  // len cannot hold the answer
    kNoSuchEntry = -205,     // the VLAN, entry, list, trunk or session does not exist
    kTableFull = -206,       // no room left in a table
    kExists = -207,          // the entry exists already
    kNullBuffer = -208,      // the command needs a buffer and buf is 0
    kNotPermitted = -209,    // the request contradicts the switch's state
    kEndOfTable = -210,      // a walk without end marker has no further entry
};

// A short text for a status, for traces and messages.
const char *status_name(int32_t status);

}  // namespace kelsim
