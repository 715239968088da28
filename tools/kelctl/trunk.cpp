// trunk.cpp - kelctl's trunks and LACP: set a trunk's members from a port
// list ("trunk static 1 'fa1/0/1-4,fa1/0/7'"), destroy it, choose how
// traffic is spread over it, and show trunks and their LACP data.
#include <cstring>

#include "config.h"
#include "driver.h"
#include "kelctl.h"

namespace kelctl {

namespace {

constexpr uint32_t kInitialSystemPriority = 32768;

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

const Column<kel_drv_trunk> kTrunks[] = {
    {"trunk", "Trunk", Type::number, [](const kel_drv_trunk &t) { return Value::num(t.id); }},
    {"type", "Type", Type::text,
     [](const kel_drv_trunk &t) { return Value::str(word_of(kTrunkKinds, t.kind)); }},
    {"criteria", "Criteria", Type::text,
     [](const kel_drv_trunk &t) { return Value::str(word_of(kCriteria, t.criteria)); }},
    {"count", "Ports", Type::number, [](const kel_drv_trunk &t) { return Value::num(t.count); }},
    {"members", "Members", Type::texts, [](const kel_drv_trunk &t) { return ports_value(t.members); }},
};

// The trunks of ids that exist (reading one of `ids` that does not, named
// alone, is a failure).
bool read_trunks(const std::vector<uint32_t> &ids, bool named, std::vector<kel_drv_trunk> *out) {
    for (uint32_t id : ids) {
        kel_drv_trunk d;
        int32_t rc = kel_trunk_get(id, &d);
        if (rc && named) return config_failed("reading trunk " + std::to_string(id), rc);
        if (!rc) out->push_back(d);
    }
    return true;
}

int show_trunk(const Args &args) {
    std::vector<uint32_t> ids;
    std::vector<kel_drv_trunk> rows;
    if (!wanted(args, &ids)) return kExitUsage;
    if (!read_trunks(ids, args.size() == 1, &rows)) return kExitFailed;
    show(table_of(kTrunks, rows));
    return kExitOk;
}

std::vector<std::string> actor_state(uint32_t bits) {
    static const char *const kBits[] = {"active",     "short-timeout", "aggregatable", "in-sync",
                                        "collecting", "distributing",  "defaulted",    "expired"};
    std::vector<std::string> out;
    for (int i = 0; i < 8; ++i)
        if (bits & (1u << i)) out.push_back(kBits[i]);
    return out;
}

struct Member {
    uint32_t trunk;
    kel_drv_lacp_member m;
};

const Column<Member> kMembers[] = {
    {"trunk", "Trunk", Type::number, [](const Member &m) { return Value::num(m.trunk); }},
    {"port", "Port", Type::text,
     [](const Member &m) {
         return port_value(ifport{static_cast<int32_t>(m.m.unit), 0, static_cast<int32_t>(m.m.port)});
     }},
    {"priority", "Priority", Type::number, [](const Member &m) { return Value::num(m.m.priority); }},
    {"state", "State", Type::texts,
     [](const Member &m) {
         std::vector<std::string> bits = actor_state(m.m.state);
         std::string shown;
         for (const std::string &b : bits) shown += (shown.empty() ? "" : ",") + b;
         return Value::list(bits, shown.empty() ? "-" : shown);
     }},
};

const Column<uint32_t> kLacp[] = {
    {"system_priority", "", Type::number, [](const uint32_t &p) { return Value::num(p); }},
};

int show_lacp(const Args &args) {
    std::vector<uint32_t> ids;
    if (!wanted(args, &ids)) return kExitUsage;
    uint32_t prio = 0;
    if (int32_t rc = kel_lacp_sys_prio_get(&prio)) return fail("reading the LACP system priority", rc);
    std::vector<Member> rows;
    for (uint32_t id : ids) {
        kel_drv_lacp d;
        int32_t rc = kel_lacp_info_get(id, &d);
        if (rc && args.size() == 1) return fail("reading the LACP data of trunk " + args[0], rc);
        if (rc) continue;  // no dynamic trunk of that id
        for (uint32_t i = 0; i < d.count && i < KEL_DRV_LACP_MEMBERS; ++i)
            rows.push_back(Member{id, d.member[i]});
    }
    Section system = record_of(kLacp, prio, "");
    system.sentence = [](const std::vector<Value> &row) { return "LACP system priority " + row[0].shown; };
    show({system, table_of(kMembers, rows, "members")});
    return kExitOk;
}

int system_priority(const Args &args) {
    uint32_t v;
    if (args.size() != 1) return usage_error("lacp system-priority takes a number from 0 to 65535");
    if (!parse_number(args[0], 0, 65535, "system priority", &v)) return kExitUsage;
    if (int32_t rc = kel_lacp_sys_prio_set(v)) return fail("setting the LACP system priority", rc);
    return kExitOk;
}

// Each trunk with its ports and criteria, then the LACP system priority
// (the ports' own LACP priorities are port settings).
bool write_config(Config &c) {
    if (!c.whole) return true;
    std::vector<uint32_t> ids;
    std::vector<kel_drv_trunk> trunks;
    uint32_t prio = 0;
    wanted({}, &ids);
    if (!read_trunks(ids, false, &trunks)) return false;
    if (int32_t rc = kel_lacp_sys_prio_get(&prio))
        return config_failed("reading the LACP system priority", rc);
    for (const kel_drv_trunk &t : trunks) {
        std::string id = std::to_string(t.id);
        c.add("trunk " + word_of(kTrunkKinds, t.kind) + " " + id + " " + port_list_text(t.members));
        if (c.all || t.criteria != KEL_DRV_TRUNK_SRC_DST_MAC)
            c.add("trunk criteria " + id + " " + word_of(kCriteria, t.criteria));
    }
    if (c.all || prio != kInitialSystemPriority) c.add("lacp system-priority " + std::to_string(prio));
    return true;
}

const Subcommand kRows[] = {
    {"trunk static", "ID PORTLIST", "make trunk ID (1-8) of these ports, without LACP", set_static,
     "trunk static 1 'fa1/0/1-4,fa1/0/7'"},
    {"trunk dynamic", "ID PORTLIST", "make trunk ID of these ports, negotiated by LACP", set_dynamic,
     "trunk dynamic 2 gi1/0/25-26"},
    {"trunk destroy", "ID", "take a trunk apart", destroy, "trunk destroy 1"},
    {"trunk criteria", "ID src-mac|dst-mac|src-dst-mac|src-ip|dst-ip|src-dst-ip",
     "how traffic is spread over the ports", criteria, "trunk criteria 1 src-dst-ip"},
    {"show trunk", "[ID]", "trunks with their kind, criteria and ports", show_trunk,
     "show trunk\nshow trunk 1"},
    {"lacp system-priority", "PRIORITY", "the switch's LACP priority (0-65535)", system_priority,
     "lacp system-priority 4096"},
    {"show lacp", "[ID]", "the LACP priority and every member of dynamic trunks", show_lacp, "show lacp"},
};

}  // namespace

const Area kTrunkArea = area("trunk", "trunks, how they spread traffic, and LACP", kRows, write_config);

}  // namespace kelctl
