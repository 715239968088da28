// trunk.cpp - kelctl's trunks and LACP: set a trunk's members from a port
// list ("trunk static 1 'fa1/0/1-4,fa1/0/7'"), destroy it, choose how
// traffic is spread over it, and show trunks and their LACP data.
#include <cstring>

#include "driver.h"
#include "kelctl.h"

namespace kelctl {

namespace {

bool trunk_id(const std::string &text, uint32_t *id) {
    return parse_number(text, 1, KEL_DRV_TRUNKS, "trunk id", id);
}

int set_members(const Args &args, int32_t (*set)(uint32_t, const iflist *), const char *kind) {
    uint32_t id;
    iflist ports;
    if (args.size() != 2)
        return usage_error((std::string("trunk ") + kind + " takes a trunk id and a port list").c_str());
    if (!trunk_id(args[0], &id) || !parse_port_list(args[1], &ports)) return kExitUsage;
    if (int32_t rc = set(id, &ports)) return fail(("setting the ports of trunk " + args[0]).c_str(), rc);
    return kExitOk;
}

int set_static(const Args &args) { return set_members(args, kel_static_trunk_set, "static"); }
int set_dynamic(const Args &args) { return set_members(args, kel_dynamic_trunk_set, "dynamic"); }

int destroy(const Args &args) {
    uint32_t id;
    if (args.size() != 1) return usage_error("trunk destroy takes a trunk id");
    if (!trunk_id(args[0], &id)) return kExitUsage;
    if (int32_t rc = kel_trunk_destroy(id)) return fail(("destroying trunk " + args[0]).c_str(), rc);
    return kExitOk;
}

int criteria(const Args &args) {
    uint32_t id, code;
    if (args.size() != 2 || !code_of(kCriteria, args[1], &code))
        return usage_error(("trunk criteria takes a trunk id and one of " + words_of(kCriteria)).c_str());
    if (!trunk_id(args[0], &id)) return kExitUsage;
    if (int32_t rc = kel_trunk_criteria_set(id, code))
        return fail(("setting the criteria of trunk " + args[0]).c_str(), rc);
    return kExitOk;
}

// The trunks to show: the one given, or every id the driver knows.
bool wanted(const Args &args, std::vector<uint32_t> *ids) {
    if (args.size() > 1) {
        usage_error(command_words() + " takes at most one trunk id");
        return false;
    }
    uint32_t id;
    if (args.size() == 1) {
        if (!trunk_id(args[0], &id)) return false;
        ids->push_back(id);
    } else {
        for (id = 1; id <= KEL_DRV_TRUNKS; ++id) ids->push_back(id);
    }
    return true;
}

int show_trunk(const Args &args) {
    std::vector<uint32_t> ids;
    if (!wanted(args, &ids)) return kExitUsage;
    Table t({"Trunk", "Type", "Criteria", "Ports", "Members"});
    for (uint32_t id : ids) {
        kel_drv_trunk d;
        int32_t rc = kel_trunk_get(id, &d);
        if (rc && args.size() == 1) return fail(("reading trunk " + args[0]).c_str(), rc);
        if (rc) continue;  // no such trunk
        t.add({std::to_string(id), word_of(kTrunkKinds, d.kind), word_of(kCriteria, d.criteria),
               std::to_string(d.count), port_list_text(d.members)});
    }
    t.print();
    return kExitOk;
}

std::string port_text(uint32_t unit, uint32_t port) {
    ifport p{static_cast<int32_t>(unit), 0, static_cast<int32_t>(port)};
    char name[32];
    return kel_ifname_short_get(&p, name, sizeof name) == 0 ? name : ifport_text(p);
}

std::string actor_state(uint32_t bits) {
    static const char *const kBits[] = {"active",     "short-timeout", "aggregatable", "in-sync",
                                        "collecting", "distributing",  "defaulted",    "expired"};
    std::string out;
    for (int i = 0; i < 8; ++i)
        if (bits & (1u << i)) out += (out.empty() ? "" : ",") + std::string(kBits[i]);
    return out.empty() ? "-" : out;
}

int show_lacp(const Args &args) {
    std::vector<uint32_t> ids;
    if (!wanted(args, &ids)) return kExitUsage;
    uint32_t prio = 0;
    if (int32_t rc = kel_lacp_sys_prio_get(&prio)) return fail("reading the LACP system priority", rc);
    write_out("LACP system priority " + std::to_string(prio) + "\n\n");
    Table t({"Trunk", "Port", "Priority", "State"});
    for (uint32_t id : ids) {
        kel_drv_lacp d;
        int32_t rc = kel_lacp_info_get(id, &d);
        if (rc && args.size() == 1) return fail(("reading the LACP data of trunk " + args[0]).c_str(), rc);
        if (rc) continue;  // no dynamic trunk of that id
        for (uint32_t i = 0; i < d.count && i < 8; ++i)
            t.add({std::to_string(id), port_text(d.member[i].unit, d.member[i].port),
                   std::to_string(d.member[i].priority), actor_state(d.member[i].state)});
    }
    t.print();
    return kExitOk;
}

int system_priority(const Args &args) {
    uint32_t v;
    if (args.size() != 1) return usage_error("lacp system-priority takes a number from 0 to 65535");
    if (!parse_number(args[0], 0, 65535, "system priority", &v)) return kExitUsage;
    if (int32_t rc = kel_lacp_sys_prio_set(v)) return fail("setting the LACP system priority", rc);
    return kExitOk;
}

const Subcommand kRows[] = {
    {"trunk static", "ID PORTLIST", "make trunk ID (1-8) of these ports, without LACP", set_static},
    {"trunk dynamic", "ID PORTLIST", "make trunk ID of these ports, negotiated by LACP", set_dynamic},
    {"trunk destroy", "ID", "take a trunk apart", destroy},
    {"trunk criteria", "ID CRITERIA",
     "how traffic is spread: src-mac, dst-mac, src-dst-mac, src-ip, dst-ip or src-dst-ip", criteria},
    {"show trunk", "[ID]", "trunks with their kind, criteria and ports", show_trunk},
    {"lacp system-priority", "PRIORITY", "the switch's LACP priority (0-65535)", system_priority},
    {"show lacp", "[ID]", "the LACP priority and every member of dynamic trunks", show_lacp},
};

}  // namespace

const Area kTrunkArea = area(kRows);

}  // namespace kelctl
