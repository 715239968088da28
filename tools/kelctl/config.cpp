// config.cpp - show running-config: every area's writer in turn (config.h),
// the lines they write as text (a comment before each area) or JSON.
#include "config.h"

#include <cctype>
#include <cstring>

namespace kelctl {

void Config::add(const std::string &command, const std::string &comment) {
    lines.push_back({area, command, comment});
}

bool Config::has(const ifport &p) const {
    return p.unit >= 1 && p.unit <= KEL_IFLIST_WORDS && p.port >= 1 && p.port <= 32 &&
           ((ports.word[p.unit - 1] >> (p.port - 1)) & 1u);
}

void PortGroups::add(const ifport &p, const std::string &text) {
    auto it = ports_.find(text);
    if (it == ports_.end()) {
        order_.push_back(text);
        it = ports_.emplace(text, iflist{}).first;
    }
    it->second.word[p.unit - 1] |= 1u << (p.port - 1);
}

void PortGroups::write(Config &c, const std::string &command) const {
    for (const std::string &text : order_)
        c.add(command + " " + port_list_text(ports_.at(text)) + (text.empty() ? "" : " " + text));
}

std::string quoted(const std::string &word) {
    bool plain = !word.empty();
    for (unsigned char ch : word) plain = plain && (std::isalnum(ch) || std::strchr("-_./:,+=@%", ch));
    if (plain) return word;
    std::string out = "'";
    for (char ch : word) out += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return out + "'";
}

bool config_failed(const std::string &what, int32_t rc) {
    fail(what, rc);
    return false;
}

namespace {

const Column<Config::Line> kLines[] = {
    {"area", "", Type::text, [](const Config::Line &l) { return Value::str(l.area); }},
    {"command", "", Type::text, [](const Config::Line &l) { return Value::str(l.command); }},
    {"note", "", Type::text,
     [](const Config::Line &l) { return l.note.empty() ? Value::none(Type::text) : Value::str(l.note); }},
};

int show_running_config(const Args &args) {
    Config c;
    c.ports = every_port();
    for (const std::string &a : args) {
        if (a == "all" && !c.all) {
            c.all = true;
        } else if (a != "all" && c.whole) {
            if (!parse_port_list(a, &c.ports)) return kExitUsage;
            c.whole = false;
        } else {
            return usage_error("show running-config takes all, a port list, or both");
        }
    }
    for (size_t i = 0; i < kAreaCount; ++i) {
        if (!kAreas[i]->config) continue;
        c.area = kAreas[i]->name;
        if (!kAreas[i]->config(c)) return kExitFailed;
    }
    if (format() != Format::text) {
        show(table_of(kLines, c.lines));
        return kExitOk;
    }
    const char *area = nullptr;
    for (const Config::Line &l : c.lines) {
        if (!area || std::strcmp(area, l.area) != 0) write_out("# " + std::string(area = l.area) + "\n");
        write_out(l.command + (l.note.empty() ? "" : "  # " + l.note) + "\n");
    }
    return kExitOk;
}

const Subcommand kRows[] = {
    {"show running-config", "[all] [PORTLIST]",
     "the configuration as commands that make it again on a switch that has just started (kelctl -b "
     "applies them): what differs from a switch that has just started, or all of it; with a port list, "
     "the settings of those ports alone",
     show_running_config,
     "show running-config\nshow running-config all\nshow running-config fa1/0/1-4\n-b switch.conf"},
};

}  // namespace

const Area kConfigArea = area("running-config", "the configuration as commands", kRows);

}  // namespace kelctl
