// trunk.cpp - the simulated trunks (family 0x07) and LACP (family 0x11).
//
// Trunks 1 to 8, each static or dynamic with up to 8 member ports. Setting
// a trunk's members replaces them (and its kind); a port belongs to one
// trunk at a time, and neither stack ports nor mirror monitor ports join
// one. A trunk's criteria start at source and destination MAC each time it
// is made. The LACP data of a dynamic trunk reports each member's actor
// state as LACP on the wire found it (lacp_run.h) while a dataplane runs
// it, else from its link.
#include <cstring>

#include "family/forwarding.h"

namespace kelsim {

namespace {

constexpr Slot kNone = nullptr;
constexpr uint32_t kCriteriaInitial = 3;
constexpr uint32_t kCriteriaMax = 6;

// The trunk a request names when it exists, else null.
Trunk *existing(Context &c) {
    if (c.b.trunk < 1 || c.b.trunk > KEL_DRV_TRUNKS || !c.m.fwd.trunk[c.b.trunk].kind) return nullptr;
    return &c.m.fwd.trunk[c.b.trunk];
}

int32_t check_members(const Model &m, uint32_t id, const iflist &l) {
    if (int32_t st = check_ports(m.topo, l)) return st;
    uint32_t n = count_ports(l);
    if (n < 1 || n > KEL_DRV_TRUNK_MEMBERS) return KEL_DRV_ERR_BAD_VALUE;
    int32_t st = KEL_DRV_OK;
    for_each_port(m.topo, l, [&](uint32_t u, uint32_t p) {
        uint32_t role = 0, other = trunk_of(m, u, p);
        mirror_of(m, u, p, &role);
        if ((other && other != id) || role == KEL_DRV_MIRROR_MONITOR) st = KEL_DRV_ERR_NOT_PERMITTED;
    });
    return st;
}

int32_t set_members(Context &c, uint32_t kind) {
    if (c.b.trunk < 1 || c.b.trunk > KEL_DRV_TRUNKS) return KEL_DRV_ERR_NO_SUCH_ENTRY;
    iflist l;
    if (int32_t st = list_of(c, &l)) return st;
    if (int32_t st = check_members(c.m, c.b.trunk, l)) return st;
    Trunk &t = c.m.fwd.trunk[c.b.trunk];
    if (!t.kind) t.criteria = kCriteriaInitial;
    t.kind = kind;
    t.members = l;
    return KEL_DRV_OK;
}

int32_t static_set(Context &c) { return set_members(c, KEL_DRV_TRUNK_STATIC); }
int32_t dynamic_set(Context &c) { return set_members(c, KEL_DRV_TRUNK_DYNAMIC); }

int32_t get(Context &c) {
    const Trunk *t = existing(c);
    if (!t) return KEL_DRV_ERR_NO_SUCH_ENTRY;
    if (!c.has_buf()) return KEL_DRV_ERR_NULL_BUFFER;
    kel_drv_trunk r{c.b.trunk, t->kind, t->criteria, count_ports(t->members), t->members};
    return answer(c, r);
}

int32_t destroy(Context &c) {
    Trunk *t = existing(c);
    if (!t) return KEL_DRV_ERR_NO_SUCH_ENTRY;
    std::memset(t, 0, sizeof *t);
    return KEL_DRV_OK;
}

int32_t criteria_set(Context &c) {
    Trunk *t = existing(c);
    if (!t) return KEL_DRV_ERR_NO_SUCH_ENTRY;
    if (c.b.param < 1 || c.b.param > kCriteriaMax) return KEL_DRV_ERR_BAD_VALUE;
    t->criteria = c.b.param;
    return KEL_DRV_OK;
}

int32_t criteria_get(Context &c) {
    const Trunk *t = existing(c);
    if (!t) return KEL_DRV_ERR_NO_SUCH_ENTRY;
    c.b.param = t->criteria;
    return KEL_DRV_OK;
}

int32_t is_member(Context &c, uint32_t kind) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    uint32_t k = 0, id = trunk_of(c.m, c.b.unit, c.b.port, &k);
    c.b.value = k == kind ? id : 0;
    return KEL_DRV_OK;
}

int32_t is_static(Context &c) { return is_member(c, KEL_DRV_TRUNK_STATIC); }
int32_t is_dynamic(Context &c) { return is_member(c, KEL_DRV_TRUNK_DYNAMIC); }

int32_t lacp_info(Context &c) {
    const Trunk *t = existing(c);
    if (!t) return KEL_DRV_ERR_NO_SUCH_ENTRY;
    if (t->kind != KEL_DRV_TRUNK_DYNAMIC) return KEL_DRV_ERR_NOT_PERMITTED;
    if (!c.has_buf()) return KEL_DRV_ERR_NULL_BUFFER;
    kel_drv_lacp r;
    std::memset(&r, 0, sizeof r);
    r.trunk = c.b.trunk;
    r.sys_priority = read_setting(c.m, kLacpSysPrio, 0);
    std::memcpy(r.sys_mac, c.m.sys.mac, 6);
    r.key = c.b.trunk;
    for_each_port(c.m.topo, t->members, [&](uint32_t u, uint32_t p) {
        kel_drv_lacp_member &e = r.member[r.count++];
        e.unit = u;
        e.port = p;
        e.priority = read_setting(c.m, kLacpPortPrio, port_key(u, p));
        e.state = c.m.fwd.lacp.running ? c.m.fwd.lacp.port[u - 1][p - 1].state
                  : link_up(c.m, u, p) ? KEL_DRV_LACP_ACTIVE
                                       : KEL_DRV_LACP_DEFAULTED;
    });
    return answer(c, r);
}

constexpr uint16_t kListBytes = sizeof(iflist);

const Command kTrunk[] = {
    {0x0701, "static_trunk_set", static_set, nullptr, In::fixed, kListBytes},
    {0x0702, "dynamic_trunk_set", dynamic_set, nullptr, In::fixed, kListBytes},
    {0x0703, "trunk_get", get},
    {0x0704, "trunk_destroy", destroy},
    {0x0705, "trunk_criteria_set", criteria_set},
    {0x0706, "trunk_criteria_get", criteria_get},
    {0x0707, "is_static_trunk_port", is_static},
    {0x0708, "is_dynamic_trunk_port", is_dynamic},
};

const Command kLacp[] = {
    {0x1101, "lacp_sys_prio_set", setting_set, &kLacpSysPrio},
    {0x1102, "lacp_sys_prio_get", setting_get, &kLacpSysPrio},
    {0x1103, "lacp_port_prio_set", setting_set, &kLacpPortPrio},
    {0x1104, "lacp_port_prio_get", setting_get, &kLacpPortPrio},
    {0x1105, "lacp_info_get", lacp_info},
};

}  // namespace

const Family kTrunkFamily = family(kTrunk);
const Family kLacpFamily = family(kLacp);

const Setting kLacpSysPrio{0x1101, Key::none, 0, 1, {&kel_ioreq::prio, kNone, kNone}, {32768}, {0}, {65535}};
const Setting kLacpPortPrio{0x1103, Key::port, 0, 1, {&kel_ioreq::prio, kNone, kNone}, {32768}, {0}, {65535}};

uint32_t trunk_of(const Model &m, uint32_t unit, uint32_t port, uint32_t *kind) {
    for (uint32_t id = 1; id <= KEL_DRV_TRUNKS; ++id) {
        const Trunk &t = m.fwd.trunk[id];
        if (t.kind && has_port(t.members, unit, port)) {
            if (kind) *kind = t.kind;
            return id;
        }
    }
    if (kind) *kind = 0;
    return 0;
}

}  // namespace kelsim
