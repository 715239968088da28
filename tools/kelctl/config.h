// config.h - show running-config: the switch's configuration as kelctl
// commands.
//
// Each area that has settings writes them back, in its own file, beside the
// commands that set them: its Area names a ConfigWriter. The writers run in
// the order of the areas (kelctl.h), which is an order that applies cleanly
// to a switch that has just started (VLANs before the ports that use them,
// trunks before mirror sessions, access lists before they are installed).
// A writer reads each area once (one pass over the ports, a port's record in
// one request where the driver has one) and writes only what differs from a
// switch that has just started, or everything with `all`.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "kelctl.h"

namespace kelctl {

class Config {
public:
    bool all = false;   // also settings that are as the switch starts
    bool whole = true;  // false: only the port settings of `ports` (show running-config PORTLIST)
    iflist ports{};     // the ports whose settings are written
    const char *area = "";

    struct Line {
        const char *area;
        std::string command;
        std::string note;  // written after the command as a comment
    };
    std::vector<Line> lines;

    // One command; a comment (presence of a secret, say) goes after "  # ".
    void add(const std::string &command, const std::string &comment = "");
    bool has(const ifport &p) const;  // p is one of `ports`
};

// A value's ports: the text after the port list ("speed 100") and the ports
// that have it. write() gives one command per text, in the order in which
// the texts were first met: "interface fa1/0/1-4,gi1/0/25 speed 100".
class PortGroups {
public:
    void add(const ifport &p, const std::string &text);
    void write(Config &c, const std::string &command) const;

private:
    std::vector<std::string> order_;
    std::map<std::string, iflist> ports_;
};

// A word as the shell and kelctl -b read it back: as it is when it holds
// only letters, digits and -_./:,+=@%, else in single quotes.
std::string quoted(const std::string &word);

// The text of a reading that failed: says so and marks the configuration
// incomplete; returns false.
bool config_failed(const std::string &what, int32_t rc);

}  // namespace kelctl
