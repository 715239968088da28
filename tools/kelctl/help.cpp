// help.cpp - kelctl help, suggestions for misspelt commands, and the words
// the shell's completion offers (help.h). All of it is read from the
// commands' own rows: their words, usage, help and examples.
#include "help.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <set>

namespace kelctl {

namespace {

const char kUsage[] =
    "usage: kelctl [-j|-p] COMMAND [ARGS...]\n"
    "       kelctl [-j|-p] [--force] -b FILE|-\n"
    "       kelctl help [AREA | COMMAND]\n"
    "\n"
    "options:\n"
    "  -j, --json        show commands print one JSON document (see kelctl(1) for each one's shape)\n"
    "  -p, --pretty      the same, indented\n"
    "  -b, --batch FILE  run the commands of FILE (- for standard input), one a line, quoted as the\n"
    "                    shell quotes; the first that fails stops the batch (kelctl: FILE:LINE: ...)\n"
    "  --force           with -b: go on after a line that fails; the exit status still says so\n"
    "  -h, --help        this text\n";

// What every command shares, after the list of commands.
const char kNotes[] =
    "\n"
    "Numbers are decimal, without sign, blanks or leading zeros (ethertypes may also be\n"
    "written 0x0800), and each has its range. A command over a port or VLAN list first\n"
    "checks what it can (the list's grammar, that its ports exist, for vlan create and\n"
    "vlan destroy its VLANs) and changes nothing when that fails; a member the switch\n"
    "then refuses is reported on a line of its own, the others are changed, and kelctl\n"
    "exits 1. Exit status: 0 done, 1 the switch refused, could not be reached or output\n"
    "could not be written, 2 the command line is wrong.\n";

// Number of leading words of args that spell the subcommand, 0 if it does not match.
size_t match(const Subcommand &s, const Args &args) {
    size_t n = 0;
    const char *w = s.words;
    while (*w) {
        const char *end = std::strchr(w, ' ');
        size_t len = end ? static_cast<size_t>(end - w) : std::strlen(w);
        if (n >= args.size() || args[n] != std::string(w, len)) return 0;
        ++n;
        w += len + (end ? 1 : 0);
    }
    return n;
}

std::vector<std::string> split(const std::string &text, char sep) {
    std::vector<std::string> out;
    size_t start = 0, end;
    while ((end = text.find(sep, start)) != std::string::npos) {
        if (end > start) out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (start < text.size()) out.push_back(text.substr(start));
    return out;
}

template <class F>
void each_command(F f) {
    for (size_t a = 0; a < kAreaCount; ++a)
        for (size_t i = 0; i < kAreas[a]->count; ++i) f(*kAreas[a], kAreas[a]->rows[i]);
}

// "  SYNOPSIS   HELP", the synopsis on a line of its own when it is long.
std::string listing(const Subcommand &s) {
    std::string head = synopsis(s);
    char line[600];
    if (head.size() > 44)
        std::snprintf(line, sizeof line, "  %s\n  %-44s %s\n", head.c_str(), "", s.help);
    else
        std::snprintf(line, sizeof line, "  %-44s %s\n", head.c_str(), s.help);
    return line;
}

std::string examples(const Subcommand &s, const char *indent) {
    std::string out;
    for (const std::string &e : split(s.example, '\n')) out += indent + std::string("kelctl ") + e + "\n";
    return out;
}

std::string overview() {
    std::string text =
        std::string(kUsage) + "\ncommands, by area (kelctl help AREA shows an area with examples):\n";
    for (size_t a = 0; a < kAreaCount; ++a) {
        text += "\n" + std::string(kAreas[a]->name) + ": " + kAreas[a]->about + "\n";
        for (size_t i = 0; i < kAreas[a]->count; ++i) text += listing(kAreas[a]->rows[i]);
    }
    return text + kNotes;
}

std::string command_help(const Subcommand &s) {
    std::string text = "usage: kelctl " + synopsis(s) + "\n\n" + s.help + "\n";
    if (std::strcmp(s.words, "interface") == 0) {
        text += "\nsettings and their values:\n";
        for (const std::string &name : interface_settings()) {
            char line[300];
            std::snprintf(line, sizeof line, "  %-16s %s\n", name.c_str(),
                          interface_setting_usage(name).c_str());
            text += line;
        }
    }
    if (*s.example) text += "\nexamples:\n" + examples(s, "  ");
    return text;
}

size_t edit_distance(const std::string &a, const std::string &b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = up;
        }
    }
    return row[b.size()];
}

std::string joined(const Args &args, size_t n) {
    std::string out;
    for (size_t i = 0; i < n && i < args.size(); ++i) out += (i ? " " : "") + args[i];
    return out;
}

// ---- Completion ------------------------------------------------------------------

// A usage text as a small grammar: words with '|' between them are one of
// them; " | " between sequences, one of those; [...] may be left out; an
// UPPER-CASE word stands for a value (PORTS, VLANS, ...); "VALUE..." for any
// number of them; "(...)" is commentary.
struct Node {
    enum class Kind { word, seq, alt, opt } kind = Kind::seq;
    std::vector<std::string> words;  // Kind::word: its alternatives
    std::vector<Node> kids;
};

class Grammar {
public:
    explicit Grammar(std::string usage) {
        std::string plain;
        int depth = 0;
        for (char c : usage) {
            depth += c == '(' ? 1 : c == ')' ? -1 : 0;
            if (depth == 0 && c != ')')
                plain += c == '[' || c == ']' ? std::string(" ") + c + " " : std::string(1, c);
        }
        tokens_ = split(plain, ' ');
        root = alternatives();
    }
    Node root;

private:
    std::vector<std::string> tokens_;
    size_t at_ = 0;

    Node alternatives() {
        Node alt;
        alt.kind = Node::Kind::alt;
        alt.kids.push_back(sequence());
        while (at_ < tokens_.size() && tokens_[at_] == "|") {
            ++at_;
            alt.kids.push_back(sequence());
        }
        return alt;
    }
    Node sequence() {
        Node seq;
        while (at_ < tokens_.size() && tokens_[at_] != "|" && tokens_[at_] != "]") {
            if (tokens_[at_++] == "[") {
                Node opt;
                opt.kind = Node::Kind::opt;
                opt.kids.push_back(alternatives());
                if (at_ < tokens_.size()) ++at_;  // "]"
                seq.kids.push_back(opt);
                continue;
            }
            Node w;
            w.kind = Node::Kind::word;
            w.words = split(tokens_[at_ - 1], '|');
            seq.kids.push_back(w);
        }
        return seq;
    }
};

// A word that stands for a value: upper case (PORTS), or a range (0-7).
bool is_value(const std::string &w) {
    unsigned lo, hi;
    char tail;
    return (!w.empty() && std::isupper(static_cast<unsigned char>(w[0]))) ||
           std::sscanf(w.c_str(), "%u-%u%c", &lo, &hi, &tail) == 2;
}

// The positions reachable after n from each of `at`; the word nodes that may
// stand at position `want` go to `next`.
std::set<size_t> walk(const Node &n, const std::set<size_t> &at, const Args &w, size_t want,
                      std::vector<const Node *> *next) {
    std::set<size_t> out;
    switch (n.kind) {
        case Node::Kind::word:
            for (size_t p : at) {
                bool many = n.words.size() == 1 && n.words[0].size() > 3 &&
                            n.words[0].compare(n.words[0].size() - 3, 3, "...") == 0;
                if (p == want) next->push_back(&n);
                for (size_t q = p; q < want && q < w.size(); ++q) {
                    bool fits = std::any_of(n.words.begin(), n.words.end(),
                                            [&](const std::string &x) { return x == w[q] || is_value(x); });
                    if (!fits) break;
                    out.insert(q + 1);
                    if (!many) break;
                    if (q + 1 == want) next->push_back(&n);
                }
            }
            return out;
        case Node::Kind::seq: {
            std::set<size_t> cur = at;
            for (const Node &k : n.kids) cur = walk(k, cur, w, want, next);
            return cur;
        }
        case Node::Kind::alt:
            for (const Node &k : n.kids) {
                std::set<size_t> one = walk(k, at, w, want, next);
                out.insert(one.begin(), one.end());
            }
            return out;
        case Node::Kind::opt:
            out = walk(n.kids[0], at, w, want, next);
            out.insert(at.begin(), at.end());
            return out;
    }
    return out;
}

struct Offer {
    std::set<std::string> words;
    bool ports = false, vlans = false;
};

void offer_value(const std::string &placeholder, Offer *o) {
    static const char *const kPorts[] = {"PORTLIST", "PORTS", "PORT", "P"};
    static const char *const kVlans[] = {"VLANLIST", "VLANS", "VID", "V"};
    for (const char *p : kPorts) o->ports |= placeholder == p;
    for (const char *v : kVlans) o->vlans |= placeholder == v;
    unsigned lo, hi;
    char tail;
    if (std::sscanf(placeholder.c_str(), "%u-%u%c", &lo, &hi, &tail) == 2 && hi >= lo && hi - lo < 16)
        for (unsigned v = lo; v <= hi; ++v) o->words.insert(std::to_string(v));
}

void offer_usage(const std::string &usage, const Args &args, Offer *o) {
    Grammar g(usage);
    std::vector<const Node *> next;
    walk(g.root, {0}, args, args.size(), &next);
    for (const Node *n : next)
        for (const std::string &w : n->words) {
            if (is_value(w))
                offer_value(w.substr(0, w.find("...")), o);
            else
                o->words.insert(w);
        }
}

// The arguments of a command after its words.
void offer_arguments(const Subcommand &s, const Args &args, Offer *o) {
    if (std::strcmp(s.words, "interface") == 0 && !args.empty()) {
        if (args.size() == 1)
            for (const std::string &name : interface_settings()) o->words.insert(name);
        else
            offer_usage(interface_setting_usage(args[1]), Args(args.begin() + 2, args.end()), o);
        return;
    }
    offer_usage(s.usage, args, o);
}

// The next word of every command that begins with the words typed, and the
// arguments of the command (or commands, of one set of words) they name.
void offer_commands(const Args &typed, Offer *o) {
    size_t longest = 0;
    each_command([&](const Area &, const Subcommand &s) {
        std::vector<std::string> words = split(s.words, ' ');
        size_t n = typed.size();
        if (words.size() > n && std::equal(typed.begin(), typed.end(), words.begin()))
            o->words.insert(words[n]);
        longest = std::max(longest, match(s, typed));
    });
    if (longest == 0) return;
    each_command([&](const Area &, const Subcommand &s) {
        if (match(s, typed) == longest)
            offer_arguments(s, Args(typed.begin() + static_cast<long>(longest), typed.end()), o);
    });
}

}  // namespace

const Subcommand *find_command(const Args &args, size_t *words) {
    const Subcommand *best = nullptr;
    *words = 0;
    each_command([&](const Area &, const Subcommand &s) {
        if (size_t n = match(s, args); n > *words) best = &s, *words = n;
    });
    return best;
}

std::string synopsis(const Subcommand &s) { return std::string(s.words) + (*s.usage ? " " : "") + s.usage; }

void usage_summary() {
    for (const std::string &line : split(kUsage, '\n')) write_err(line);
}

int help(const Args &words) {
    if (words.empty()) {
        write_out(overview());
        return kExitOk;
    }
    for (size_t a = 0; a < kAreaCount; ++a)
        if (words.size() == 1 && words[0] == kAreas[a]->name) {
            std::string text = std::string(kAreas[a]->name) + ": " + kAreas[a]->about + "\n";
            for (size_t i = 0; i < kAreas[a]->count; ++i)
                text += "\n" + listing(kAreas[a]->rows[i]) + examples(kAreas[a]->rows[i], "      ");
            write_out(text);
            return kExitOk;
        }
    size_t n;
    const Subcommand *s = find_command(words, &n);
    std::string text;
    if (s && n == words.size())  // every row of those words ("monitor session" has two)
        each_command([&](const Area &, const Subcommand &row) {
            if (std::strcmp(row.words, s->words) == 0) text += (text.empty() ? "" : "\n") + command_help(row);
        });
    else  // commands that begin with the words given
        each_command([&](const Area &, const Subcommand &row) {
            std::vector<std::string> w = split(row.words, ' ');
            if (w.size() >= words.size() && std::equal(words.begin(), words.end(), w.begin()))
                text += listing(row);
        });
    if (text.empty()) {
        say("help: no command or area '" + joined(words, words.size()) + "' (kelctl help lists them)");
        suggest(words, 0);
        return kExitUsage;
    }
    write_out(text);
    return kExitOk;
}

void suggest(const Args &args, size_t matched) {
    std::vector<std::pair<size_t, std::string>> near;
    std::set<std::string> seen;
    each_command([&](const Area &, const Subcommand &s) {
        size_t n = split(s.words, ' ').size();
        if (n <= matched || n > args.size() + (matched ? 0 : 1) || !seen.insert(s.words).second) return;
        size_t d = edit_distance(joined(args, n), s.words);
        if (d > 0 && d <= 2 + std::strlen(s.words) / 10) near.emplace_back(d, s.words);
    });
    std::stable_sort(near.begin(), near.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    std::string text;
    for (size_t i = 0; i < near.size() && i < 3; ++i) text += (i ? ", " : "") + near[i].second;
    if (!text.empty()) say("did you mean: " + text + "?");
}

int unknown_command(const Args &args) {
    size_t known = 0;  // leading words that begin some command
    each_command([&](const Area &, const Subcommand &s) {
        std::vector<std::string> w = split(s.words, ' ');
        size_t k = 0;
        while (k < w.size() && k < args.size() && w[k] == args[k]) ++k;
        known = std::max(known, k);
    });
    say("unknown command '" + joined(args, known + 1) + "' (kelctl help lists the commands)");
    suggest(args, 0);
    if (known > 0)
        each_command([&](const Area &, const Subcommand &s) {
            std::vector<std::string> w = split(s.words, ' ');
            if (w.size() >= known &&
                std::equal(args.begin(), args.begin() + static_cast<long>(known), w.begin()))
                write_err("usage: kelctl " + synopsis(s));
        });
    return kExitUsage;
}

int complete(const Args &words) {
    if (words.empty()) return kExitOk;
    const std::string &current = words.back();
    Args typed(words.begin(), words.end() - 1);
    size_t at = 0;
    bool batch = false;
    while (at < typed.size() && typed[at][0] == '-') {
        batch = batch || typed[at] == "-b" || typed[at] == "--batch";
        at += typed[at] == "-b" || typed[at] == "--batch" ? 2 : 1;
    }
    if (at > typed.size() || (batch && current[0] != '-')) return kExitOk;  // a file name: the shell's own
    Offer o;
    if (at == typed.size() && current[0] == '-')
        for (const char *opt : {"-j", "--json", "-p", "--pretty", "-b", "--batch", "--force", "-h", "--help"})
            o.words.insert(opt);
    Args rest(typed.begin() + static_cast<long>(at), typed.end());
    if (!rest.empty() && rest[0] == "help") {
        rest.erase(rest.begin());
        if (rest.empty())
            for (size_t a = 0; a < kAreaCount; ++a) o.words.insert(kAreas[a]->name);
        each_command([&](const Area &, const Subcommand &s) {
            std::vector<std::string> w = split(s.words, ' ');
            if (w.size() > rest.size() && std::equal(rest.begin(), rest.end(), w.begin()))
                o.words.insert(w[rest.size()]);
        });
    } else {
        if (rest.empty()) o.words.insert("help");
        offer_commands(rest, &o);
    }
    // Ports and VLANs of the switch; an item of a list is completed after its comma.
    std::string before =
        current.substr(0, current.rfind(',') == std::string::npos ? 0 : current.rfind(',') + 1);
    if ((o.ports || o.vlans) && kel_io_init() == 0) {
        if (o.ports)
            for (const ifport &p : ports_in(every_port())) o.words.insert(before + port_name(p));
        vlanlist vlans;
        if (o.vlans && kel_vlanlist_get(&vlans) == 0)
            for (int32_t v : vlan_ids(vlans)) o.words.insert(before + std::to_string(v));
    }
    for (const std::string &w : o.words)
        if (w.compare(0, current.size(), current) == 0) write_out(w + "\n");
    return kExitOk;
}

}  // namespace kelctl
