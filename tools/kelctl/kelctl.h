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

namespace kelctl {

using Args = std::vector<std::string>;

struct Subcommand {
    const char *words;  // "show system"
    const char *usage;  // arguments after the words, "" for none
    const char *help;
    int (*run)(const Args &args);  // exit status
};

struct Area {
    const Subcommand *rows;
    size_t count;
};

template <size_t N>
constexpr Area area(const Subcommand (&rows)[N]) {
    return Area{rows, N};
}

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

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // the switch refused or could not be reached
constexpr int kExitUsage = 2;   // the command line is wrong

// Reports a failed library call on stderr ("kelctl: what: reason") and
// returns kExitFailed.
int fail(const char *what, int32_t rc);
// Reports a usage error for a subcommand and returns kExitUsage.
int usage_error(const char *message);

// An aligned table: the first row is the heading.
class Table {
public:
    explicit Table(std::vector<std::string> heading) { rows_.push_back(std::move(heading)); }
    void add(std::vector<std::string> row) { rows_.push_back(std::move(row)); }
    void print(FILE *out = stdout) const;

private:
    std::vector<std::vector<std::string>> rows_;
};

// Text forms of the library's values.
std::string ipv4(uint32_t network_order);
std::string mac(const uint8_t m[6]);
std::string ifport_text(const ifport &p);
const char *yes_no(int32_t v);
// "gigabit", "fast-ethernet" or "-", with " stack" for a stack port.
std::string port_kind(const ifport &p);

// Arguments in the shell's grammar, read by the library's parsers. Each
// reports a bad argument on stderr, one message per error code, and returns
// false (the subcommand then exits with kExitUsage).
bool parse_port_list(const std::string &text, iflist *out);    // "fa1/0/1-4,gi1/0/25"
bool parse_vlan_list(const std::string &text, vlanlist *out);  // "1-10,20"
bool parse_vlan_id(const std::string &text, uint32_t *vid);    // 1 to 3000

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

// Every port of the stack.
iflist every_port();

// A port's state and settings as "show interfaces" shows them: "up", "down"
// or "disabled"; the speed and duplex keywords.
std::string link_text(const ifport &p);
std::string speed_text(const ifport &p);
std::string duplex_text(const ifport &p);

// The four port sets of a VLAN record.
enum VlanSet { kMembers = 0, kUntagged = 1, kForbidden = 2, kNative = 3 };
bool in_set(const vlaninfo &info, VlanSet set, const ifport &p);

}  // namespace kelctl
