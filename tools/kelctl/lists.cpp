// lists.cpp - kelctl's port lists, VLAN lists and VLAN ids: read through the
// library's parsers, with one message per kind of mistake, and written back
// in the same grammar.
#include <cstdio>
#include <cstring>

#include "kelctl.h"

namespace kelctl {

namespace {

void complain(const char *fmt, const std::string &text) {
    std::fprintf(stderr, "kelctl: ");
    std::fprintf(stderr, fmt, text.c_str());
    std::fprintf(stderr, "\n");
}

// The first item of a port list that names no port of this switch.
std::string unknown_port(const std::string &text) {
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        std::string item = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        iflist one;
        if (kel_cli_iflist_get(item.c_str(), &one) == KEL_ERR_NO_IF) return item;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return text;
}

}  // namespace

bool parse_port_list(const std::string &text, iflist *out) {
    switch (kel_cli_iflist_get(text.c_str(), out)) {
        case 0:
            return true;
        case KEL_ERR_NO_IF:
            complain("no such interface: '%s' names no port of this switch (see kelctl show interfaces)",
                     unknown_port(text));
            return false;
        case KEL_ERR_FORMAT:
            complain(
                "bad port list '%s': write ports as fa1/0/1 and ranges as fa1/0/1-4 (first port "
                "below last), separated by commas without blanks",
                text);
            return false;
        default:
            complain("cannot read the port list '%s'", text);
            return false;
    }
}

bool parse_vlan_list(const std::string &text, vlanlist *out) {
    switch (kel_cli_vlanlist_get(text.c_str(), out)) {
        case 0:
            return true;
        case KEL_ERR_FORMAT:
            complain(
                "bad VLAN list '%s': write VLAN ids from 1 to 4094 and ranges as 1-10, separated by "
                "commas without blanks",
                text);
            return false;
        default:
            complain("cannot read the VLAN list '%s'", text);
            return false;
    }
}

bool parse_vlan_id(const std::string &text, uint32_t *vid) {
    if (kel_cli_vlan_id_get(text.c_str(), vid) == 0) return true;
    complain("VLAN id '%s' is out of range: give a number from 1 to 3000", text);
    return false;
}

std::string port_list_text(const iflist &ports) {
    std::string out, run_end;
    ifport p{0, 0, 0}, last{0, 0, 0};
    char name[32], media[3] = "";
    while (kel_iflist_port_getnext(&ports, &p) == 0) {
        if (kel_ifname_short_get(&p, name, sizeof name) != 0)
            std::snprintf(name, sizeof name, "?%d/0/%d", p.unit, p.port);
        bool extends = p.unit == last.unit && p.port == last.port + 1 && std::strncmp(name, media, 2) == 0;
        if (!extends) {
            out += run_end + (out.empty() ? "" : ",") + name;
            run_end.clear();
            std::memcpy(media, name, 2);
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
