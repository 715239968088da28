// kelctl.h - the shape of kelctl's subcommands.
//
// kelctl is a table of subcommands, each a few lines over the library. A
// subcommand is found by its leading words ("show stack", "vlan create");
// the words after them are its arguments.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "kel.h"
#include "output.h"

namespace kelctl {

using Args = std::vector<std::string>;

struct Subcommand {
    const char *words;  // "show system"
    const char *usage;  // arguments after the words, "" for none
    const char *help;
    int (*run)(const Args &args);  // exit status
    const char *example = "";      // command lines after "kelctl ", one a line, for kelctl help
};

class Config;
// Writes an area's settings as commands (config.h); false when the switch
// could not be read (said).
using ConfigWriter = bool (*)(Config &c);

struct Area {
    const char *name;   // the word of `kelctl help NAME`
    const char *about;  // what the area holds, one line
    const Subcommand *rows;
    size_t count;
    ConfigWriter config;  // its part of show running-config; null: no settings
};

template <size_t N>
constexpr Area area(const char *name, const char *about, const Subcommand (&rows)[N],
                    ConfigWriter config = nullptr) {
    return Area{name, about, rows, N, config};
}

// Every area, in the order of kelctl help and of show running-config.
extern const Area *const kAreas[];
extern const size_t kAreaCount;

// The subcommands of each area, defined in the area's own file.
extern const Area kSystemArea;
extern const Area kVlanArea;
extern const Area kInterfaceArea;
extern const Area kPortArea;
extern const Area kMacTableArea;
extern const Area kTrunkArea;
extern const Area kQosArea;
extern const Area kStpArea;
extern const Area kDot1xArea;
extern const Area kAclArea;
extern const Area kPortSecuArea;
extern const Area kSnoopArea;
extern const Area kMaintArea;
extern const Area kConfigArea;

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // the switch refused or could not be reached, or a write failed
constexpr int kExitUsage = 2;   // the command line is wrong

// ---- Output and messages ---------------------------------------------------
// Every byte kelctl writes goes through write_out or write_err, which keep
// the first failure; finish() flushes both streams and turns a failed write
// into kExitFailed, so that output lost to a full disk is never a success.
// Text that kelctl did not write itself (names from the switch, arguments)
// reaches a terminal only through printable().

// The text with every byte outside printable ASCII written \xNN, and '\' as "\\".
std::string printable(const std::string &text);
void write_out(const std::string &text);  // to stdout, as it is
void write_err(const std::string &line);  // one line to stderr, made printable
// Flushes stdout and stderr; the exit status: status, or kExitFailed when a
// write failed (with a message when stderr still takes one).
int finish(int status);

// The subcommand being run, for messages and usage lines.
void set_command(const Subcommand *s);
// Where the command comes from, "FILE:LINE" in a batch ("" for none): every
// message says it after "kelctl: ".
void set_location(const std::string &location);
std::string command_words();

// "kelctl: TEXT" on stderr.
void say(const std::string &text);
// A wrong argument: "kelctl: COMMAND: TEXT"; returns false.
bool complain(const std::string &text);
// A failed library call, "kelctl: WHAT: REASON" (the driver's status with its
// meaning); returns kExitFailed.
int fail(const std::string &what, int32_t rc);
// A wrong command line: the message and the command's usage; returns kExitUsage.
int usage_error(const std::string &message);
// The text of a library result: "driver status -207 (entry exists)".
std::string status_text(int32_t rc);

// Standard input carries the batch (kelctl -b -), so that no secret can be
// read from it.
void set_stdin_taken(bool taken);
bool stdin_taken();

// A name or port that does not parse may only mean that no driver answers:
// driver_silent() asks a cheap question, and when it goes unanswered says so
// under `what` and marks the command failed (exit 1) rather than wrong.
bool driver_silent(const std::string &what);
bool driver_was_silent();

// ---- Arguments -------------------------------------------------------------
// The library's parsers read as far as their grammar goes and compute in 32
// bits, as the switch's own shell expects; kelctl holds a command line to
// more. Each reader takes an argument whole or refuses it, with a message
// naming it (and its range), before anything is sent; the caller then exits
// with kExitUsage.

// A number from min to max, read in full precision: decimal digits without
// sign, blanks or leading zeros; with Radix::hex also 0x and hexadecimal
// digits (for values that are naturally hexadecimal, such as ethertypes).
enum class Radix { decimal, hex };
bool parse_number(const std::string &text, uint64_t min, uint64_t max, const char *what, uint32_t *out,
                  Radix radix = Radix::decimal);
// A name the switch keeps: 1 to max bytes, none of them a control character or DEL.
bool parse_name(const std::string &text, size_t max, const char *what);
// An IPv4 host address "A.B.C.D" (four decimal numbers 0-255, as above), and
// a prefix "A.B.C.D/N" (N 0-32); network byte order.
bool parse_ipv4(const std::string &text, const char *what, uint32_t *addr);
bool parse_prefix(const std::string &text, const char *what, uint32_t *addr, uint32_t *mask);

// Values of the switch as output.h shows them: a port by its short name
// ("fa1/0/3", or "1/0/3" when it has none); a port list as an array of
// names, shown "fa1/0/1-4" ("-" for none); a VLAN list as an array of ids,
// shown "1,10-20" ("-" for none).
std::string port_name(const ifport &p);
Value port_value(const ifport &p);
Value ports_value(const iflist &ports);
Value vlans_value(const vlanlist &vlans);

// Text forms of the library's values.
std::string ipv4(uint32_t network_order);
std::string mac(const uint8_t m[6]);
std::string ifport_text(const ifport &p);
const char *yes_no(int32_t v);
// "gigabit", "fast-ethernet" or "-", with " stack" for a stack port.
std::string port_kind(const ifport &p);

// Lists in the shell's grammar, checked whole against it by kelctl first
// (lists.cpp gives the grammar), then read by the library's parsers. Each
// reports a bad argument and returns false, as the readers above do.
bool parse_port_list(const std::string &text, iflist *out);    // "fa1/0/1-4,gi1/0/25"
bool parse_vlan_list(const std::string &text, vlanlist *out);  // "1-10,20"
bool parse_vlan_id(const std::string &text, uint32_t *vid);    // 1 to 4094

// Text forms of lists, which the parsers read back: "fa1/0/1-24,gi1/0/25"
// (short names, consecutive ports of one media word as ranges; "-" for none)
// and "1,10-20".
std::string port_list_text(const iflist &ports);
std::string vlan_list_text(const vlanlist &vlans);
std::vector<int32_t> vlan_ids(const vlanlist &vlans);

// The VLANs of the switch with their records, read once per command.
struct Vlan {
    uint32_t vid;
    vlaninfo info;
};
// False (and a message) when the list of VLANs cannot be read; a VLAN whose
// record cannot be read is left out.
bool read_vlans(std::vector<Vlan> *out);

// Every port of the stack; the ports of a list in order (its bits, without
// asking the driver how many ports each unit has: the lists kelctl reads
// are the switch's own or were checked against it).
iflist every_port();
std::vector<ifport> ports_in(const iflist &l);

// A port's state and settings as "show interfaces" shows them: "up", "down"
// or "disabled"; the speed and duplex keywords.
std::string link_text(const ifport &p);
std::string speed_text(const ifport &p);
std::string duplex_text(const ifport &p);

// The four port sets of a VLAN record.
enum VlanSet { kMembers = 0, kUntagged = 1, kForbidden = 2, kNative = 3 };
bool in_set(const vlaninfo &info, VlanSet set, const ifport &p);

}  // namespace kelctl
