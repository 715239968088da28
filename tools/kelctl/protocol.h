// protocol.h - what kelctl's protocol, security and upkeep areas share: the
// driver's record layouts, numbers and keywords read in their ranges, one
// port or a list of them, per-port settings driven by a table, and secrets
// that never reach the screen.
#pragma once

#include <string>
#include <vector>

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

// The short name of a port ("fa1/0/3"), or "1/0/3" when it has none.
std::string port_name(const ifport &p);

// The ports of a list in order.
std::vector<ifport> ports_in(const iflist &l);
// The ports an optional argument names: every port when it is absent.
bool ports_argument(const Args &args, size_t at, iflist *out);

// A setting applied to each port of a list ("PORTS WORD [VALUE]"): a word
// with its value's usage ("" for none: the word itself is the action) and
// how the value is read.
enum class Value { none, on_off, number, choice };
struct PortSetting {
    const char *word;
    Value value;
    std::vector<const char *> choices;  // Value::choice: the words, by code
    uint32_t lo, hi;                    // Value::number: the range
    int32_t (*set)(const ifport *p, uint32_t value);
    uint32_t step = 1;  // Value::number: the value is a multiple of it
};
// Runs "PORTS WORD [VALUE]" against a table; what names the command in
// messages. The ports and the value are read first; a port the driver then
// refuses is reported on a line of its own and the others go on.
int run_port_setting(const Args &args, const std::vector<PortSetting> &table, const char *what);

// A secret (key, password): the argument itself, or one line of standard
// input when it is "-" (so that it stays out of the process list). The
// caller wipes it with forget() once the driver has it.
bool read_secret(const std::string &arg, const char *what, std::string *out);
void forget(std::string *secret);

// "enabled" or "disabled".
const char *enabled(uint32_t on);

}  // namespace kelctl
