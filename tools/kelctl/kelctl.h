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

}  // namespace kelctl
