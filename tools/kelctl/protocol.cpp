// protocol.cpp - the argument readers and per-port setting runner shared by
// kelctl's protocol, security and upkeep areas.
#include "protocol.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace kelctl {

namespace {

std::string choices_text(const std::vector<const char *> &words) {
    std::string out;
    for (const char *w : words)
        if (*w) out += (out.empty() ? "" : "|") + std::string(w);
    return out;
}

}  // namespace

bool parse_on_off(const std::string &text, uint32_t *on) {
    if ((text == "enable" || text == "disable") && kel_cli_enable_get(text.c_str(), on) == 0) return true;
    return complain("'" + text + "' is neither enable nor disable");
}

bool parse_word(const std::string &text, const std::vector<const char *> &words, const char *what,
                uint32_t *out) {
    for (size_t i = 0; i < words.size(); ++i)
        if (*words[i] && text == words[i]) {
            *out = static_cast<uint32_t>(i);
            return true;
        }
    return complain(std::string(what) + " '" + text + "' is not one of " + choices_text(words));
}

bool parse_port(const std::string &text, ifport *p) {
    int32_t rc = kel_ifname2ifport(text.c_str(), p);
    if (rc == 0) return true;
    if (rc == KEL_ERR_NO_IF && driver_silent("reading the port '" + text + "'")) return false;
    return complain("'" + text + "' names no port of this switch (see kelctl show interfaces)");
}

bool parse_mac(const std::string &text, uint8_t mac[6]) {
    if (kel_mac_addr_get(text.c_str(), mac) == 0) return true;
    return complain("'" + text + "' is not a MAC address like 0011.2233.4455");
}

const char *name_of(const std::vector<const char *> &names, uint32_t v) {
    return v < names.size() && *names[v] ? names[v] : "?";
}

bool ports_argument(const Args &args, size_t at, iflist *out) {
    if (args.size() <= at) {
        *out = every_port();
        return true;
    }
    return parse_port_list(args[at], out);
}

int run_port_setting(const Args &args, const PortSettings &table) {
    std::string words, what = table.command;
    for (const PortSetting &s : table.rows) words += (words.empty() ? "" : "|") + std::string(s.word);
    if (args.size() < 2) return usage_error(what + " takes PORTS " + words);
    const PortSetting *s = nullptr;
    for (const PortSetting &row : table.rows)
        if (args[1] == row.word) s = &row;
    if (!s) return usage_error("'" + args[1] + "' is not one of " + words);
    size_t want = s->value == Takes::none ? 2 : 3;
    if (args.size() != want)
        return usage_error(what + " " + s->word + (want == 3 ? " takes one value" : " takes no value"));
    iflist ports;
    if (!parse_port_list(args[0], &ports)) return kExitUsage;
    uint32_t value = 0;
    bool ok = true;
    switch (s->value) {
        case Takes::none:
            break;
        case Takes::on_off:
            ok = parse_on_off(args[2], &value);
            break;
        case Takes::number:
            ok = parse_number(args[2], s->lo, s->hi, s->word, &value);
            if (ok && value % s->step)
                ok = complain(std::string(s->word) + " " + args[2] + " is not a multiple of " +
                              std::to_string(s->step));
            break;
        case Takes::choice:
            ok = parse_word(args[2], s->choices, s->word, &value);
            break;
    }
    if (!ok) return kExitUsage;
    int status = kExitOk;
    for (const ifport &p : ports_in(ports))
        if (int32_t rc = s->set(&p, value)) status = fail(what + " " + s->word + " on " + port_name(p), rc);
    return status;
}

namespace {

// The words after the port list that set a value: "cost 500", "edge enable", "enable".
std::string setting_text(const PortSetting &s, uint32_t v) {
    switch (s.value) {
        case Takes::none:
            return s.word;
        case Takes::on_off:
            return std::string(s.word) + (v ? " enable" : " disable");
        case Takes::number:
            return std::string(s.word) + " " + std::to_string(v);
        case Takes::choice:
            return std::string(s.word) + " " + name_of(s.choices, v);
    }
    return s.word;
}

}  // namespace

bool write_port_settings(Config &c, const PortSettings &table, std::vector<std::vector<uint32_t>> *records) {
    std::vector<PortGroups> groups(table.rows.size());
    std::vector<uint32_t> record((table.record_size + 3) / 4);
    for (const ifport &p : ports_in(c.ports)) {
        if (int32_t rc = table.read(&p, record.data()))
            return config_failed("reading the " + std::string(table.command) + " settings of " + port_name(p),
                                 rc);
        for (size_t i = 0; i < table.rows.size(); ++i) {
            const PortSetting &s = table.rows[i];
            if (s.field == kNoField) continue;
            uint32_t v = record[s.field / 4];
            bool initial = s.value == Takes::none ? s.when == s.initial : v == s.initial;
            if ((s.value != Takes::none || v == s.when) && (c.all || !initial))
                groups[i].add(p, setting_text(s, v));
        }
        if (records) records->push_back(record);
    }
    for (const PortGroups &g : groups) g.write(c, table.command);
    return true;
}

bool read_secret(const std::string &arg, const char *what, std::string *out) {
    if (arg != "-") {
        *out = arg;
    } else if (stdin_taken()) {
        return complain(std::string("the ") + what +
                        " cannot be read from standard input (-): the batch comes from it");
    } else if (!std::getline(std::cin, *out)) {
        return complain(std::string("no ") + what + " on standard input");
    }
    if (out->empty()) return complain(std::string("the ") + what + " may not be empty");
    return true;
}

void forget(std::string *secret) {
    std::fill(secret->begin(), secret->end(), '\0');
    secret->clear();
}

const char *enabled(uint32_t on) { return on ? "enabled" : "disabled"; }

}  // namespace kelctl
