// lists.cpp - kelctl's port lists, VLAN lists and VLAN ids: checked whole
// against a strict grammar, then read through the library's parsers, with
// one message per kind of mistake, and written back in the same grammar.
//
// The library reads an item only as far as its grammar goes ("20-22-99" is
// 20-22 to it, "fa1/0/1-2/3" is fa1/0/1-2) and skips blanks; kelctl takes a
// list only when every character of it belongs to this grammar:
//   PORTLIST := PORTS { ',' PORTS }     PORTS := MEDIA N '/' N '/' N [ '-' N ]
//   VLANLIST := VLANS { ',' VLANS }     VLANS := VID [ '-' VID ]
// MEDIA is two or more lower-case letters that begin "fastethernet" or
// "gigabitethernet"; N and VID are decimal without sign or leading zero, VID
// 1 to 4094; a range runs upwards (a port range over two ports at least).
#include <cstdio>
#include <cstring>
#include <map>

#include "kelctl.h"

namespace kelctl {

namespace {

std::vector<std::string> items_of(const std::string &text) {
    std::vector<std::string> items;
    size_t start = 0, end;
    while ((end = text.find(',', start)) != std::string::npos) {
        items.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    items.push_back(text.substr(start));
    return items;
}

// Reads "0" or digits without a leading zero at text[*at]; the value in
// full precision (saturated far beyond any range).
bool read_decimal(const std::string &text, size_t *at, uint64_t *value) {
    size_t i = *at;
    uint64_t v = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        v = v > UINT32_MAX ? v : v * 10 + static_cast<unsigned>(text[i] - '0');
        ++i;
    }
    if (i == *at || (text[*at] == '0' && i - *at > 1)) return false;
    *at = i;
    *value = v;
    return true;
}

// Why an item is not a PORTS of the grammar ("" when it is one).
std::string port_item_fault(const std::string &item) {
    if (item.empty()) return "an empty item (a comma too many)";
    size_t at = 0;
    while (at < item.size() && item[at] >= 'a' && item[at] <= 'z') ++at;
    if (!kel_is_portname_prefix(item.c_str()))
        return "'" + item + "' does not begin with fa or gi (fastethernet, gigabitethernet, in lower case)";
    uint64_t n[4];
    for (int i = 0; i < 3; ++i)
        if ((i && (at >= item.size() || item[at++] != '/')) || !read_decimal(item, &at, &n[i]))
            return "'" + item + "' is not a port like fa1/0/3 (decimal numbers, no leading zeros)";
    if (at < item.size() && item[at] == '-') {
        ++at;
        if (!read_decimal(item, &at, &n[3])) return "'" + item + "' does not end a range with a port number";
        if (n[3] <= n[2]) return "the range '" + item + "' does not run upwards";
    }
    if (at < item.size()) return "'" + item + "' goes on after its port or range";
    return "";
}

// Why an item is not a VLANS of the grammar ("" when it is one).
std::string vlan_item_fault(const std::string &item) {
    if (item.empty()) return "an empty item (a comma too many)";
    size_t at = 0;
    uint64_t first, last;
    if (!read_decimal(item, &at, &first))
        return "'" + item + "' is not a VLAN id (decimal, no leading zeros)";
    last = first;
    if (at < item.size() && item[at] == '-') {
        ++at;
        if (!read_decimal(item, &at, &last)) return "'" + item + "' does not end a range with a VLAN id";
    }
    if (at < item.size()) return "'" + item + "' goes on after its VLAN id or range";
    if (first < KEL_VLAN_MIN || last > KEL_VLAN_MAX) return "'" + item + "' is out of range 1-4094";
    if (last < first) return "the range '" + item + "' runs backwards";
    return "";
}

template <typename Check>
std::string list_fault(const std::string &text, Check item_fault) {
    for (const std::string &item : items_of(text))
        if (std::string why = item_fault(item); !why.empty()) return why;
    return "";
}

// The first item of a port list that names no port of this switch.
std::string unknown_port(const std::string &text) {
    for (const std::string &item : items_of(text)) {
        iflist one;
        if (kel_cli_iflist_get(item.c_str(), &one) == KEL_ERR_NO_IF) return item;
    }
    return text;
}

}  // namespace

bool parse_port_list(const std::string &text, iflist *out) {
    if (std::string why = list_fault(text, port_item_fault); !why.empty())
        return complain("bad port list '" + text + "': " + why);
    switch (kel_cli_iflist_get(text.c_str(), out)) {
        case 0:
            return true;
        case KEL_ERR_NO_IF:
            if (driver_silent("reading the port list '" + text + "'")) return false;
            return complain("no such interface: '" + unknown_port(text) +
                            "' names no port of this switch (see kelctl show interfaces)");
        case KEL_ERR_FORMAT:
            return complain("bad port list '" + text + "': an item of it is too long or too short");
        default:
            return complain("cannot read the port list '" + text + "'");
    }
}

bool parse_vlan_list(const std::string &text, vlanlist *out) {
    if (std::string why = list_fault(text, vlan_item_fault); !why.empty())
        return complain("bad VLAN list '" + text + "': " + why);
    if (kel_cli_vlanlist_get(text.c_str(), out) == 0) return true;
    return complain("cannot read the VLAN list '" + text + "'");
}

bool parse_vlan_id(const std::string &text, uint32_t *vid) {
    return parse_number(text, KEL_VLAN_MIN, KEL_VLAN_MAX, "VLAN id", vid);
}

// The short name of a port, asked of the library once per process (a
// port's name is its hardware's, fixed while kelctl runs): false when it
// has none.
bool short_name(const ifport &p, std::string *out) {
    static std::map<std::pair<int32_t, int32_t>, std::string> known;
    auto it = known.find({p.unit, p.port});
    if (it == known.end()) {
        char name[32];
        if (kel_ifname_short_get(&p, name, sizeof name) != 0) return false;
        it = known.emplace(std::make_pair(p.unit, p.port), name).first;
    }
    *out = it->second;
    return true;
}

std::vector<ifport> ports_in(const iflist &l) {
    std::vector<ifport> out;
    for (int32_t u = 1; u <= KEL_IFLIST_WORDS; ++u)
        for (int32_t p = 1; p <= 32; ++p)
            if ((l.word[u - 1] >> (p - 1)) & 1u) out.push_back(ifport{u, 0, p});
    return out;
}

std::string port_list_text(const iflist &ports) {
    std::string out, run_end, name;
    ifport last{0, 0, 0};
    char media[3] = "";
    for (const ifport &p : ports_in(ports)) {
        if (!short_name(p, &name)) name = "?" + ifport_text(p);
        bool extends =
            p.unit == last.unit && p.port == last.port + 1 && std::strncmp(name.c_str(), media, 2) == 0;
        if (!extends) {
            out += run_end + (out.empty() ? "" : ",") + name;
            run_end.clear();
            std::memcpy(media, name.c_str(), 2);
        } else {
            run_end = "-" + std::to_string(p.port);
        }
        last = p;
    }
    out += run_end;
    return out.empty() ? "-" : out;
}

std::vector<int32_t> vlan_ids(const vlanlist &vlans) {
    std::vector<int32_t> ids;
    for (int32_t v = 0; kel_vlanlist_id_getnext(&vlans, &v) == 0;) ids.push_back(v);
    return ids;
}

std::string vlan_list_text(const vlanlist &vlans) {
    std::string out;
    std::vector<int32_t> ids = vlan_ids(vlans);
    for (size_t i = 0; i < ids.size();) {
        size_t j = i;
        while (j + 1 < ids.size() && ids[j + 1] == ids[j] + 1) ++j;
        out += (out.empty() ? "" : ",") + std::to_string(ids[i]);
        if (j > i) out += "-" + std::to_string(ids[j]);
        i = j + 1;
    }
    return out.empty() ? "-" : out;
}

std::string port_name(const ifport &p) {
    std::string name;
    return short_name(p, &name) ? name : ifport_text(p);
}

Value port_value(const ifport &p) { return Value::str(port_name(p)); }

Value ports_value(const iflist &ports) {
    std::vector<std::string> names;
    for (const ifport &p : ports_in(ports)) names.push_back(port_name(p));
    return Value::list(std::move(names), port_list_text(ports));
}

Value vlans_value(const vlanlist &vlans) {
    std::vector<int64_t> ids;
    for (int32_t v : vlan_ids(vlans)) ids.push_back(v);
    return Value::list(std::move(ids), vlan_list_text(vlans));
}

bool read_vlans(std::vector<Vlan> *out) {
    vlanlist existing;
    std::memset(&existing, 0, sizeof existing);
    if (int32_t rc = kel_vlanlist_get(&existing)) {
        fail("reading the list of VLANs", rc);
        return false;
    }
    for (int32_t vid : vlan_ids(existing)) {
        Vlan v{static_cast<uint32_t>(vid), {}};
        if (kel_vlan_get(v.vid, &v.info) == 0) out->push_back(v);
    }
    return true;
}

bool in_set(const vlaninfo &info, VlanSet set, const ifport &p) {
    if (p.unit < 1 || p.unit > KEL_IFLIST_WORDS || p.port < 1 || p.port > 32) return false;
    return (info.set[set].word[p.unit - 1] >> (p.port - 1)) & 1u;
}

}  // namespace kelctl
