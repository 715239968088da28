// cli_list.cpp - the shell's list parsers: port lists ("fa1/0/1-4,gi1/0/25")
// and VLAN lists ("1-10,20").
//
// Each list is first checked as a whole, then cut at its commas into items
// that are handled from left to right; the first bad item ends the parse and
// the output keeps the items before it. Every port named must be spelt as
// one of the names of a port that exists now (the driver is asked); the ends
// of a port range are reprinted from their numbers before they are matched.
#include "guard.h"

#include <cstring>

#include "internal.h"
#include "scan.h"

namespace {

constexpr size_t kPortItem = 32;  // a port-list item: at most 31 characters
constexpr size_t kShortestPortItem = 7;
constexpr size_t kVlanItem = 17;  // a VLAN-list item: at most 16 characters

bool is_item_gap(char c) { return c == ',' || kel::is_blank(c); }

// Walks the items of a list: the next item starts at the first character that
// is neither a comma nor a blank, and runs to the next comma or the end.
class Items {
public:
    explicit Items(const char *text) : s_(text) {}
    // The next item and its length; false at the end of the list.
    bool next(const char **item, size_t *len) {
        while (is_item_gap(*s_)) ++s_;
        if (!*s_) return false;
        const char *end = std::strchr(s_, ',');
        if (!end) end = s_ + std::strlen(s_);
        *item = s_;
        *len = static_cast<size_t>(end - s_);
        s_ = end;
        return true;
    }

private:
    const char *s_;
};

// Sets ports first..last of a unit; false when the list cannot hold them.
bool add_ports(iflist *out, int32_t unit, int32_t first, int32_t last) {
    if (unit < 1 || unit > KEL_IFLIST_WORDS || first < 1 || last > kel::kListPorts) return false;
    kel::set_bits(&out->word[unit - 1], first, last);
    return true;
}

// One item of a port list, copied into buf (terminated).
int32_t port_item(char *buf, iflist *out) {
    char *digit = kel::first_digit(buf);
    if (!digit) return KEL_ERR_FORMAT;
    int32_t n[4];
    if (std::strchr(buf, '-')) {
        if (kel::scan_ints(digit, "//-", n) < 4 || n[2] >= n[3]) return KEL_ERR_FORMAT;
        // Each end must be the name of a port as reprinted from its numbers,
        // with the item's own letters; text after the fourth number is dropped.
        const int32_t ends[2] = {n[2], n[3]};
        for (int32_t port : ends) {
            const ifport p{n[0], n[1], port};
            size_t room = kPortItem - static_cast<size_t>(digit - buf);
            if (!kel::print_port(digit, room, p.unit, p.slot, p.port) || !kel_ifname_match(&p, buf))
                return KEL_ERR_NO_IF;
        }
        return add_ports(out, n[0], n[2], n[3]) ? 0 : KEL_ERR_NO_IF;
    }
    if (kel::scan_ints(digit, "//", n) < 3) return KEL_ERR_FORMAT;
    const ifport p{n[0], n[1], n[2]};
    if (!kel_ifname_match(&p, buf)) return KEL_ERR_NO_IF;  // the item exactly as written
    return add_ports(out, n[0], n[2], n[2]) ? 0 : KEL_ERR_NO_IF;
}

// One item of a VLAN list, copied into buf (terminated).
int32_t vlan_item(const char *buf, vlanlist *out) {
    int32_t first, last;
    if (std::strchr(buf, '-')) {
        int32_t n[2];
        if (kel::scan_ints(buf, "-", n) < 2) return KEL_ERR_FORMAT;
        first = n[0];
        last = n[1];  // a third number is not read
    } else {
        if (kel_atoi(buf, &first) != 0) return KEL_ERR_FORMAT;
        last = first;
    }
    if (first > last || first < KEL_VLAN_MIN || last > KEL_VLAN_MAX) return KEL_ERR_FORMAT;
    kel::set_bits(out->word, first, last);
    return 0;
}

}  // namespace

extern "C" {

int32_t kel_cli_iflist_syntax_ok(const char *text) {
    if (!text || !*text) return 0;
    enum { start, letters, digit, joint, comma } prev = start;  // joint: '/' or '-'
    for (const char *s = text; *s; ++s) {
        char c = *s;
        if (kel::is_alpha(c)) {
            if (prev == start || prev == comma) {
                if (!kel_is_portname_prefix(s)) return 0;
            } else if (prev != letters) {
                return 0;
            }
            prev = letters;
        } else if (kel::is_digit(c)) {
            if (prev == start || prev == comma) return 0;  // every item carries its own letters
            prev = digit;
        } else if (c == '/' || c == '-' || c == ',') {
            if (prev != digit) return 0;
            prev = c == ',' ? comma : joint;
        } else {
            return 0;
        }
    }
    return prev == digit;
}

int32_t kel_cli_vlanlist_syntax_ok(const char *text) {
    if (!text || !kel::is_digit(*text)) return 0;
    char prev = *text;
    for (const char *s = text + 1; *s; prev = *s++) {
        if (kel::is_digit(*s)) continue;
        if ((*s != '-' && *s != ',') || !kel::is_digit(prev)) return 0;
    }
    return kel::is_digit(prev);
}

int32_t kel_cli_iflist_get(const char *text, iflist *out) {
    if (!text || !out) return KEL_ERR_PARAM;
    if (!kel_cli_iflist_syntax_ok(text)) return KEL_ERR_FORMAT;
    std::memset(out, 0, sizeof *out);
    Items items(text);
    const char *item;
    size_t len;
    while (items.next(&item, &len)) {
        if (len < kShortestPortItem || len >= kPortItem) return KEL_ERR_FORMAT;
        char buf[kPortItem];
        std::memcpy(buf, item, len);
        buf[len] = '\0';
        if (int32_t rc = port_item(buf, out)) return rc;
    }
    return 0;
}

int32_t kel_cli_vlanlist_get(const char *text, vlanlist *out) {
    if (!text || !out) return KEL_ERR_PARAM;
    if (!kel_cli_vlanlist_syntax_ok(text)) return KEL_ERR_FORMAT;
    std::memset(out, 0, sizeof *out);
    Items items(text);
    const char *item;
    size_t len;
    while (items.next(&item, &len)) {
        if (len < 1 || len >= kVlanItem) return KEL_ERR_FORMAT;
        char buf[kVlanItem];
        std::memcpy(buf, item, len);
        buf[len] = '\0';
        if (int32_t rc = vlan_item(buf, out)) return rc;
    }
    return 0;
}

}  // extern "C"
