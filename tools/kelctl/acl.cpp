// acl.cpp - kelctl's access lists: show them with their filters and ports,
// create and destroy them, install and remove them, add and delete filters.
//
// A filter is written in this grammar (show prints it the same way, so a
// shown filter can be pasted back to delete it):
//   permit|deny mac SRC DST [ethertype N] [vlan VID] [redirect PORT] [seq N]
//   permit|deny ip|tcp|udp|icmp SRC DST [src-port N] [dst-port N]
//               [icmp-type N] [icmp-code N] [redirect PORT] [seq N]
// where a MAC SRC or DST is any or hhhh.hhhh.hhhh and an IP one is any,
// A.B.C.D or A.B.C.D/N.
#include <arpa/inet.h>

#include <cstring>

#include "protocol.h"

#include <algorithm>

namespace kelctl {

namespace {

const std::vector<const char *> kTypes = {"", "", "mac", "", "ip"};  // by list type
const char *protocol_name(uint32_t p) {
    switch (p) {
        case KEL_DRV_PROTO_TCP:
            return "tcp";
        case KEL_DRV_PROTO_UDP:
            return "udp";
        case KEL_DRV_PROTO_ICMP:
            return "icmp";
        default:
            return "ip";
    }
}

bool list_type(const std::string &text, uint32_t *type) {
    if (text == "mac")
        *type = KEL_DRV_ACL_TYPE_MAC;
    else if (text == "ip")
        *type = KEL_DRV_ACL_TYPE_IP;
    else
        return false;
    return true;
}

// ---- Reading a filter ------------------------------------------------------

struct Rule {
    kel_drv_acl_filter filter;
    uint32_t seq = 0;
    bool has_egress = false;
    ifport egress{0, 0, 0};
    bool mac = false;
};

constexpr size_t kAclNameMax = 31;

bool list_name(const std::string &text) { return parse_name(text, kAclNameMax, "access-list name"); }

bool mac_endpoint(const std::string &text, uint8_t addr[6], uint8_t mask[6]) {
    if (text == "any") return true;
    if (!parse_mac(text, addr)) return false;
    std::memset(mask, 0xFF, 6);
    return true;
}

bool ip_endpoint(const std::string &text, uint32_t *addr, uint32_t *mask) {
    if (text == "any") return true;
    if (text.find('/') != std::string::npos) return parse_prefix(text, "source or destination", addr, mask);
    *mask = 0xFFFFFFFFu;
    return parse_ipv4(text, "source or destination", addr);
}

bool number_option(const std::string &word, const std::string &text, uint32_t *out) {
    const char *w = word.c_str();
    if (word == "src-port" || word == "dst-port") return parse_number(text, 1, 65535, w, out);
    if (word == "icmp-type" || word == "icmp-code") return parse_number(text, 0, 255, w, out);
    if (word == "ethertype") return parse_number(text, 0x0600, 0xFFFF, w, out, Radix::hex);
    if (word == "vlan") return parse_number(text, KEL_VLAN_MIN, KEL_VLAN_MAX, w, out);
    return parse_number(text, 1, 0x7FFFFFFF, w, out);
}

// args from the action on: permit|deny KIND SRC DST [OPTION VALUE]...
bool parse_rule(const Args &args, size_t at, Rule *r) {
    std::memset(&r->filter, 0, sizeof r->filter);
    if (args.size() < at + 4)
        return complain("a filter needs permit|deny, a protocol, a source and a destination");
    kel_drv_acl_filter &f = r->filter;
    // The library's keyword parsers read two letters; the whole word must be one of them.
    const std::string &action = args[at], &kind = args[at + 1];
    if ((action != "permit" && action != "deny") || kel_cli_acl_action_get(action.c_str(), &f.action) != 0)
        return complain("'" + action + "' is neither permit nor deny");
    r->mac = kind == "mac";
    if (!r->mac && ((kind != "ip" && kind != "tcp" && kind != "udp" && kind != "icmp") ||
                    kel_cli_acl_ipprot_get(kind.c_str(), &f.protocol) != 0))
        return complain("'" + kind + "' is not mac, ip, tcp, udp or icmp");
    if (r->mac ? !mac_endpoint(args[at + 2], f.src_mac, f.src_mac_mask) ||
                     !mac_endpoint(args[at + 3], f.dst_mac, f.dst_mac_mask)
               : !ip_endpoint(args[at + 2], &f.src_ip, &f.src_mask) ||
                     !ip_endpoint(args[at + 3], &f.dst_ip, &f.dst_mask))
        return false;
    for (size_t i = at + 4; i < args.size(); i += 2) {
        const std::string &word = args[i];
        if (i + 1 >= args.size()) return complain(word + " needs a value");
        const std::string &value = args[i + 1];
        bool ports = f.protocol == KEL_DRV_PROTO_TCP || f.protocol == KEL_DRV_PROTO_UDP,
             icmp = f.protocol == KEL_DRV_PROTO_ICMP;
        uint32_t v = 0;
        if (word == "redirect") {
            if (!parse_port(value, &r->egress)) return false;
            r->has_egress = true;
            continue;
        }
        bool allowed = word == "seq" || (r->mac && (word == "ethertype" || word == "vlan")) ||
                       (ports && (word == "src-port" || word == "dst-port")) ||
                       (icmp && (word == "icmp-type" || word == "icmp-code"));
        if (!allowed) return complain("'" + word + "' does not belong to a " + kind + " filter");
        if (!number_option(word, value, &v)) return false;
        if (word == "seq")
            r->seq = v;
        else if (word == "ethertype")
            f.ethertype = v;
        else if (word == "vlan")
            f.vid = v;
        else if (word == "src-port")
            f.src_port = v;
        else if (word == "dst-port")
            f.dst_port = v;
        else if (word == "icmp-type")
            f.icmp_type = v, f.icmp_match |= KEL_DRV_MATCH_ICMP_TYPE;
        else
            f.icmp_code = v, f.icmp_match |= KEL_DRV_MATCH_ICMP_CODE;
    }
    return true;
}

// ---- Writing a filter back -------------------------------------------------

std::string mac_endpoint_text(const uint8_t addr[6], const uint8_t mask[6]) {
    static const uint8_t none[6] = {}, all[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    if (std::memcmp(mask, none, 6) == 0) return "any";
    if (std::memcmp(mask, all, 6) == 0) return mac(addr);
    return mac(addr) + "/" + mac(mask);
}

std::string ip_endpoint_text(uint32_t addr, uint32_t mask) {
    if (mask == 0) return "any";
    uint32_t m = ntohl(mask);
    int bits = __builtin_popcount(m);
    if (m == 0xFFFFFFFFu) return ipv4(addr);
    if (m == (0xFFFFFFFFu << (32 - bits))) return ipv4(addr) + "/" + std::to_string(bits);
    return ipv4(addr) + "/" + ipv4(mask);
}

std::string rule_text(const kel_drv_acl_filter &f) {
    std::string out = f.action == KEL_DRV_ACL_PERMIT ? "permit " : "deny ";
    if (f.kind == KEL_DRV_FILTER_MAC) {
        out += "mac " + mac_endpoint_text(f.src_mac, f.src_mac_mask) + " " +
               mac_endpoint_text(f.dst_mac, f.dst_mac_mask);
        if (f.ethertype) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "0x%04x", f.ethertype);
            out += std::string(" ethertype ") + hex;
        }
        if (f.vid) out += " vlan " + std::to_string(f.vid);
    } else {
        out += std::string(protocol_name(f.protocol)) + " " + ip_endpoint_text(f.src_ip, f.src_mask) + " " +
               ip_endpoint_text(f.dst_ip, f.dst_mask);
        if (f.src_port) out += " src-port " + std::to_string(f.src_port);
        if (f.dst_port) out += " dst-port " + std::to_string(f.dst_port);
        if (f.icmp_match & KEL_DRV_MATCH_ICMP_TYPE) out += " icmp-type " + std::to_string(f.icmp_type);
        if (f.icmp_match & KEL_DRV_MATCH_ICMP_CODE) out += " icmp-code " + std::to_string(f.icmp_code);
    }
    if (f.egress_unit || f.egress_port) {
        ifport p{f.egress_unit, f.egress_slot, f.egress_port};
        char name[32] = "?";
        kel_ifname_short_get(&p, name, sizeof name);
        out += std::string(" redirect ") + name;
    }
    return out;
}

// ---- Showing lists --------------------------------------------------------------

// An option of a filter, null when the filter does not match on it.
Value option(bool set, uint32_t v) { return set ? Value::num(v) : Value::none(Type::number); }

const Column<kel_drv_acl_filter> kFilters[] = {
    {"sequence", "Seq", Type::number, [](const kel_drv_acl_filter &f) { return Value::num(f.sequence); }},
    {"filter", "Filter", Type::text, [](const kel_drv_acl_filter &f) { return Value::str(rule_text(f)); }},
    {"action", "", Type::text,
     [](const kel_drv_acl_filter &f) {
         return Value::str(f.action == KEL_DRV_ACL_PERMIT ? "permit" : "deny");
     },
     false},
    {"protocol", "", Type::text,
     [](const kel_drv_acl_filter &f) {
         return Value::str(f.kind == KEL_DRV_FILTER_MAC ? "mac" : protocol_name(f.protocol));
     },
     false},
    {"source", "", Type::text,
     [](const kel_drv_acl_filter &f) {
         return Value::str(f.kind == KEL_DRV_FILTER_MAC ? mac_endpoint_text(f.src_mac, f.src_mac_mask)
                                                        : ip_endpoint_text(f.src_ip, f.src_mask));
     },
     false},
    {"destination", "", Type::text,
     [](const kel_drv_acl_filter &f) {
         return Value::str(f.kind == KEL_DRV_FILTER_MAC ? mac_endpoint_text(f.dst_mac, f.dst_mac_mask)
                                                        : ip_endpoint_text(f.dst_ip, f.dst_mask));
     },
     false},
    {"ethertype", "", Type::number,
     [](const kel_drv_acl_filter &f) { return option(f.ethertype, f.ethertype); }, false},
    {"vlan", "", Type::number, [](const kel_drv_acl_filter &f) { return option(f.vid, f.vid); }, false},
    {"src_port", "", Type::number, [](const kel_drv_acl_filter &f) { return option(f.src_port, f.src_port); },
     false},
    {"dst_port", "", Type::number, [](const kel_drv_acl_filter &f) { return option(f.dst_port, f.dst_port); },
     false},
    {"icmp_type", "", Type::number,
     [](const kel_drv_acl_filter &f) { return option(f.icmp_match & KEL_DRV_MATCH_ICMP_TYPE, f.icmp_type); },
     false},
    {"icmp_code", "", Type::number,
     [](const kel_drv_acl_filter &f) { return option(f.icmp_match & KEL_DRV_MATCH_ICMP_CODE, f.icmp_code); },
     false},
    {"redirect", "", Type::text,
     [](const kel_drv_acl_filter &f) {
         if (!f.egress_unit && !f.egress_port) return Value::none(Type::text);
         return port_value(ifport{f.egress_unit, f.egress_slot, f.egress_port});
     },
     false},
};

// A list with its filters, read in order.
struct List {
    kel_drv_acl rec;
    std::vector<kel_drv_acl_filter> filters;
};

const Column<List> kLists[] = {
    {"name", "Name", Type::text, [](const List &l) { return Value::str(l.rec.name); }},
    {"type", "Type", Type::text, [](const List &l) { return Value::str(name_of(kTypes, l.rec.type)); }},
    {"number", "Number", Type::number, [](const List &l) { return Value::num(l.rec.number); }},
    {"ports", "Ports", Type::texts, [](const List &l) { return ports_value(l.rec.ports); }},
    {"filters", "Filters", Type::rows,
     [](const List &l) { return Value::nested(table_of(kFilters, l.filters)); }},
};

std::string caption(const std::vector<Value> &row) {
    return row[1].shown + " access list " + row[0].shown + " (number " + row[2].shown + "), on " +
           row[3].shown;
}

bool read_filters(List *l) {
    l->rec.name[sizeof l->rec.name - 1] = '\0';
    uint32_t cursor = 0;
    kel_drv_acl_filter f;
    int32_t rc;
    while ((rc = kel_acl_filter_getnext(&cursor, l->rec.number, &f)) == 0) l->filters.push_back(f);
    return rc == KEL_DRV_ERR_END_OF_TABLE || rc == KEL_ERR_NOT_FOUND ||
           config_failed("reading the filters of " + std::string(l->rec.name), rc);
}

// Every list, MAC lists first, each with its filters.
bool read_lists(std::vector<List> *out) {
    for (uint32_t type : {KEL_DRV_ACL_TYPE_MAC, KEL_DRV_ACL_TYPE_IP}) {
        uint32_t cursor = 0;
        List l;
        while (kel_acl_getnext(&cursor, type, &l.rec) == 0) {
            if (!read_filters(&l)) return false;
            out->push_back(l);
            l.filters.clear();
        }
    }
    return true;
}

int show_acls(const Args &args) {
    if (args.size() > 1) return usage_error("show access-lists takes at most one list name");
    std::vector<List> lists;
    if (!args.empty()) {
        List l;
        if (!list_name(args[0])) return kExitUsage;
        if (int32_t rc = kel_acl_get(args[0].c_str(), &l.rec)) return fail("reading list " + args[0], rc);
        if (!read_filters(&l)) return kExitFailed;
        lists.push_back(l);
    } else if (!read_lists(&lists)) {
        return kExitFailed;
    }
    if (lists.empty() && format() == Format::text) {
        write_out("no access lists\n");
        return kExitOk;
    }
    Section s = table_of(kLists, lists);
    s.caption = caption;
    show(s);
    return kExitOk;
}

// ---- Subcommands -----------------------------------------------------------

int create(const Args &args) {
    uint32_t type, number = 0;
    if (args.size() != 2 || !list_type(args[1], &type))
        return usage_error("access-list create takes NAME mac|ip");
    if (!list_name(args[0])) return kExitUsage;
    if (int32_t rc = kel_acl_create(args[0].c_str(), type, &number))
        return fail(("creating list " + args[0]).c_str(), rc);
    static const Column<kel_drv_acl> kMade[] = {
        {"name", "", Type::text, [](const kel_drv_acl &r) { return Value::str(r.name); }},
        {"type", "", Type::text, [](const kel_drv_acl &r) { return Value::str(name_of(kTypes, r.type)); }},
        {"number", "", Type::number, [](const kel_drv_acl &r) { return Value::num(r.number); }},
    };
    kel_drv_acl made{};
    std::snprintf(made.name, sizeof made.name, "%s", args[0].c_str());
    made.type = type;
    made.number = number;
    Section s = record_of(kMade, made, "");
    s.sentence = [](const std::vector<Value> &row) {
        return row[1].shown + " access list " + row[0].shown + " is number " + row[2].shown;
    };
    show(s);
    return kExitOk;
}

int destroy(const Args &args) {
    if (args.size() != 1) return usage_error("access-list destroy takes a list name");
    if (!list_name(args[0])) return kExitUsage;
    if (int32_t rc = kel_acl_destroy(args[0].c_str()))
        return fail(("destroying list " + args[0]).c_str(), rc);
    return kExitOk;
}

int install(const Args &args) {
    if (args.size() != 2) return usage_error("access-list install takes NAME PORTS");
    iflist ports;
    if (!list_name(args[0]) || !parse_port_list(args[1], &ports)) return kExitUsage;
    kel_drv_acl rec;
    if (int32_t rc = kel_acl_get(args[0].c_str(), &rec)) return fail(("reading list " + args[0]).c_str(), rc);
    int status = kExitOk;
    for (const ifport &p : ports_in(ports))
        if (int32_t rc = kel_acl_filter_install(args[0].c_str(), rec.type, &p))
            status = fail(("installing " + args[0] + " on " + port_name(p)).c_str(), rc);
    return status;
}

int remove(const Args &args) {
    uint32_t type;
    if (args.size() != 2 || !list_type(args[0], &type))
        return usage_error("access-list remove takes mac|ip PORTS");
    iflist ports;
    if (!parse_port_list(args[1], &ports)) return kExitUsage;
    int status = kExitOk;
    for (const ifport &p : ports_in(ports))
        if (int32_t rc = kel_acl_filter_remove(type, &p))
            status = fail(("removing the " + args[0] + " list from " + port_name(p)).c_str(), rc);
    return status;
}

int filter_command(const Args &args, bool add) {
    if (args.empty()) return usage_error("give a list name and a filter");
    Rule r;
    if (!list_name(args[0]) || !parse_rule(args, 1, &r)) return kExitUsage;
    kel_drv_acl rec;
    if (int32_t rc = kel_acl_get(args[0].c_str(), &rec)) return fail(("reading list " + args[0]).c_str(), rc);
    const ifport *egress = r.has_egress ? &r.egress : nullptr;
    int32_t rc =
        r.mac ? (add ? kel_acl_mac_filter_add : kel_acl_mac_filter_del)(rec.number, &r.filter, r.seq, egress)
              : (add ? kel_acl_ip_filter_add : kel_acl_ip_filter_del)(rec.number, &r.filter, r.seq, egress);
    if (rc) return fail((std::string(add ? "adding to " : "deleting from ") + args[0]).c_str(), rc);
    return kExitOk;
}

int add(const Args &args) { return filter_command(args, true); }
int del(const Args &args) { return filter_command(args, false); }

// Lists in the order of their numbers (so that a switch on which no list was
// destroyed gives them the same numbers again), their filters (a sequence
// number where it is not the one the list would give), then their ports.
bool write_config(Config &c) {
    std::vector<List> lists;
    if (!read_lists(&lists)) return false;
    std::sort(lists.begin(), lists.end(),
              [](const List &a, const List &b) { return a.rec.number < b.rec.number; });
    if (c.whole)
        for (const List &l : lists) {
            std::string name = quoted(l.rec.name);
            c.add("access-list create " + name + " " + name_of(kTypes, l.rec.type));
            uint32_t last = 0;
            for (const kel_drv_acl_filter &f : l.filters) {
                bool next = f.sequence == last + KEL_DRV_ACL_SEQUENCE_STEP;
                c.add("access-list add " + name + " " + rule_text(f) +
                      (next ? "" : " seq " + std::to_string(f.sequence)));
                last = f.sequence;
            }
        }
    for (const List &l : lists) {
        iflist on;
        for (int w = 0; w < KEL_IFLIST_WORDS; ++w) on.word[w] = l.rec.ports.word[w] & c.ports.word[w];
        if (!ports_in(on).empty())
            c.add("access-list install " + quoted(l.rec.name) + " " + port_list_text(on));
    }
    return true;
}

const Subcommand kRows[] = {
    {"show access-lists", "[NAME]", "access lists, their ports and filters", show_acls,
     "show access-lists\nshow access-lists web"},
    {"access-list create", "NAME mac|ip", "a new, empty list (a name of 1 to 31 characters)", create,
     "access-list create web ip"},
    {"access-list destroy", "NAME", "destroy a list (it leaves its ports)", destroy,
     "access-list destroy web"},
    {"access-list install", "NAME PORTS", "install a list on ports (replacing one of its kind)", install,
     "access-list install web fa1/0/1-4"},
    {"access-list remove", "mac|ip PORTS", "remove the ports' list of that kind", remove,
     "access-list remove ip fa1/0/2"},
    {"access-list add", "NAME FILTER",
     "add permit|deny mac|ip|tcp|udp|icmp SRC DST [OPTIONS]; SRC, DST: any, an address or A.B.C.D/N; "
     "options: src-port, dst-port, icmp-type, icmp-code, ethertype (0x0600-0xffff), vlan, redirect PORT, seq "
     "N",
     add,
     "access-list add web permit tcp any 10.1.1.1 dst-port 80 redirect gi1/0/25\n"
     "access-list add web deny ip 10.0.0.0/8 any seq 5\naccess-list add macs deny mac 0011.2233.4455 any "
     "vlan 10"},
    {"access-list delete", "NAME FILTER", "delete a filter, written as it was added", del,
     "access-list delete web deny ip 10.0.0.0/8 any"},
};

}  // namespace

const Area kAclArea = area("access-list", "access lists, their filters and the ports they are installed on",
                           kRows, write_config);

}  // namespace kelctl
