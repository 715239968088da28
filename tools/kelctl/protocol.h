// protocol.h - what kelctl's protocol, security and upkeep areas share: the
// driver's record layouts, numbers and keywords read in their ranges, one
// port or a list of them, per-port settings driven by a table, and secrets
// that never reach the screen.
#pragma once

#include <string>
#include <vector>

#include "config.h"
#include "kel_driver.h"
#include "kelctl.h"

namespace kelctl {

// "enable" or "disable", the whole word (the library's keyword parser reads
// two letters): 1 or 0.
bool parse_on_off(const std::string &text, uint32_t *on);
// One word of a list, exactly; its position.
bool parse_word(const std::string &text, const std::vector<const char *> &words, const char *what,
                uint32_t *out);
// One port, "fa1/0/3" or "fastethernet1/0/3" (also when no driver answers: see driver_silent).
bool parse_port(const std::string &text, ifport *p);
// A MAC address, "0011.2233.4455".
bool parse_mac(const std::string &text, uint8_t mac[6]);

// The name of a value from a table of names, "?" beyond it.
const char *name_of(const std::vector<const char *> &names, uint32_t v);

// The ports an optional argument names: every port when it is absent.
bool ports_argument(const Args &args, size_t at, iflist *out);

// A setting applied to each port of a list ("PORTS WORD [VALUE]"): a word
// with its value's usage ("" for none: the word itself is the action) and
// how the value is read. Where the setting is kept in the area's port
// record (kNoField for an action such as reauthenticate) and its value on a
// switch that has just started let show running-config write it back; a
// word without a value (enable, disable) is written when the record holds
// `when`.
constexpr size_t kNoField = ~size_t{0};
enum class Takes { none, on_off, number, choice };
struct PortSetting {
    const char *word;
    Takes value;
    std::vector<const char *> choices;  // Takes::choice: the words, by code
    uint32_t lo, hi;                    // Takes::number: the range
    int32_t (*set)(const ifport *p, uint32_t value);
    size_t field = kNoField;  // offsetof the value's word in the port record
    uint32_t initial = 0;
    uint32_t step = 1;  // Takes::number: the value is a multiple of it
    uint32_t when = 0;  // Takes::none: the value in which the word is written
};

// An area's per-port settings: the command that sets them ("spanning-tree
// port"), the rows, and how a port's record is read (one request where the
// driver has a record, into a buffer of record_size bytes).
struct PortSettings {
    const char *command;
    std::vector<PortSetting> rows;
    int32_t (*read)(const ifport *p, void *record);
    size_t record_size;
};

// Runs "PORTS WORD [VALUE]" against a table. The ports and the value are
// read first; a port the driver then refuses is reported on a line of its
// own and the others go on.
int run_port_setting(const Args &args, const PortSettings &table);
// Writes the settings of the configuration's ports, one command per setting
// and value: "spanning-tree port fa1/0/1-4 cost 500". The records it read,
// one per port of the configuration in order, go to `records` when given.
bool write_port_settings(Config &c, const PortSettings &table,
                         std::vector<std::vector<uint32_t>> *records = nullptr);

// A secret (key, password): the argument itself, or one line of standard
// input when it is "-" (so that it stays out of the process list). The
// caller wipes it with forget() once the driver has it.
bool read_secret(const std::string &arg, const char *what, std::string *out);
void forget(std::string *secret);

// "enabled" or "disabled".
const char *enabled(uint32_t on);

}  // namespace kelctl
