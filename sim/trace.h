// trace.h - one decoded line per request, for a person reading what the
// library sent: code, command name, the words it set, then the status and
// the words the driver answered.
//
//   0x0515 port_speed_set unit=1 port=3 value=100 -> 0
//   0x0516 port_speed_get unit=1 port=3 -> 0 value=100
//   0x7777 ? -> -201 unknown-command
//
// Texts sent through buf are shown quoted and escaped (\" \\ \xNN), so that
// no text can forge a line; records that carry keys or passwords are never
// shown. A line always ends with its newline, cut short if need be.
#pragma once

#include <cstddef>
#include <cstdint>

#include "commands.h"

namespace kelsim {

// Formats the line (with its newline) into out; returns its length.
size_t format_trace(char *out, size_t size, const Command *cmd, const kel_ioreq &sent,
                    const kel_ioreq &answer, int result, const uint8_t *record, size_t record_size);

}  // namespace kelsim
