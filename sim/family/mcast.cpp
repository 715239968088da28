// mcast.cpp - the simulated multicast table (family 0x04).
//
// 256 group positions keyed by (group MAC, VLAN). Static groups are made and
// changed by the commands; learned groups come from the test-control hook
// mcast_join, as snooping would make them. A static add over a learned group
// makes it static. Removing the last port of a static group removes the
// group. Walks use positions as the MAC table's do.
#include <cstring>

#include "family/forwarding.h"
#include "family/policy.h"

namespace kelsim {

namespace {

constexpr uint32_t kNowhere = kMcastCapacity;

// A multicast (not broadcast) address in a VLAN 1..4094.
bool group_key(const uint8_t *mac, uint32_t vid) {
    static const uint8_t bcast[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    return vid >= KEL_VLAN_MIN && vid <= KEL_VLAN_MAX && (mac[0] & 1u) && std::memcmp(mac, bcast, 6) != 0;
}

uint32_t find(const Model &m, const uint8_t *mac, uint32_t vid) {
    for (uint32_t i = 0; i < kMcastCapacity; ++i) {
        const McastGroup &g = m.fwd.mcast[i];
        if (g.kind && g.vid == vid && std::memcmp(g.mac, mac, 6) == 0) return i;
    }
    return kNowhere;
}

// The group of the key, made (learned, empty) when there is none; null when full.
McastGroup *find_or_make(Model &m, const uint8_t *mac, uint32_t vid) {
    uint32_t i = find(m, mac, vid);
    if (i != kNowhere) return &m.fwd.mcast[i];
    for (McastGroup &g : m.fwd.mcast)
        if (!g.kind) {
            std::memset(&g, 0, sizeof g);
            std::memcpy(g.mac, mac, 6);
            g.vid = static_cast<uint16_t>(vid);
            g.kind = KEL_DRV_ARL_DYNAMIC;
            return &g;
        }
    return nullptr;
}

McastGroup *static_group(Context &c) {
    uint32_t i = find(c.m, c.b.mac, c.b.vid);
    return i != kNowhere && c.m.fwd.mcast[i].kind == KEL_DRV_ARL_STATIC ? &c.m.fwd.mcast[i] : nullptr;
}

int32_t answer_group(Context &c, const McastGroup &g) {
    kel_drv_mcast_entry r;
    std::memcpy(r.mac, g.mac, 6);
    r.pad = 0;
    r.vid = g.vid;
    r.kind = g.kind;
    r.priority = g.priority;
    r.count = count_ports(g.ports);
    r.ports = g.ports;
    return answer(c, r);
}

int32_t add(Context &c) {
    if (!group_key(c.b.mac, c.b.vid) || c.b.prio > 7) return KEL_DRV_ERR_BAD_VALUE;
    iflist ports;
    if (int32_t st = list_of(c, &ports)) return st;
    if (int32_t st = check_ports(c.m.topo, ports)) return st;
    McastGroup *g = find_or_make(c.m, c.b.mac, c.b.vid);
    if (!g) return KEL_DRV_ERR_TABLE_FULL;
    g->kind = KEL_DRV_ARL_STATIC;
    g->priority = c.b.prio;
    for (uint32_t w = 0; w < KEL_IFLIST_WORDS; ++w) g->ports.word[w] |= ports.word[w];
    return KEL_DRV_OK;
}

int32_t del(Context &c) {
    McastGroup *g = static_group(c);
    if (!g) return KEL_DRV_ERR_NO_SUCH_ENTRY;
    std::memset(g, 0, sizeof *g);
    return KEL_DRV_OK;
}

int32_t ports_del(Context &c) {
    McastGroup *g = static_group(c);
    if (!g) return KEL_DRV_ERR_NO_SUCH_ENTRY;
    iflist ports;
    if (int32_t st = list_of(c, &ports)) return st;
    if (int32_t st = check_ports(c.m.topo, ports)) return st;
    for (uint32_t w = 0; w < KEL_IFLIST_WORDS; ++w) g->ports.word[w] &= ~ports.word[w];
    if (!count_ports(g->ports)) std::memset(g, 0, sizeof *g);
    return KEL_DRV_OK;
}

int32_t get(Context &c) {
    if (!c.has_buf()) return KEL_DRV_ERR_NULL_BUFFER;
    uint32_t i = find(c.m, c.b.mac, c.b.vid);
    if (i == kNowhere) return KEL_DRV_ERR_NO_SUCH_ENTRY;
    return answer_group(c, c.m.fwd.mcast[i]);
}

int32_t getnext(Context &c) {
    if (!c.has_buf()) return KEL_DRV_ERR_NULL_BUFFER;
    uint32_t want = c.b.cmd == 0x0406 ? KEL_DRV_ARL_STATIC : KEL_DRV_ARL_STATIC | KEL_DRV_ARL_DYNAMIC;
    for (uint32_t i = c.b.index; i < kMcastCapacity; ++i)
        if (c.m.fwd.mcast[i].kind & want) {
            if (int32_t st = answer_group(c, c.m.fwd.mcast[i])) return st;
            c.b.index = i + 1;
            return KEL_DRV_OK;
        }
    c.b.index = KEL_WALK_END;
    return KEL_DRV_OK;
}

constexpr uint16_t kListBytes = sizeof(iflist);

const Command kMcast[] = {
    {0x0401, "static_mcast_add", add, nullptr, In::fixed, kListBytes},
    {0x0402, "static_mcast_del", del},
    {0x0403, "static_mcast_ports_del", ports_del, nullptr, In::fixed, kListBytes},
    {0x0404, "mcast_get", get},
    {0x0405, "mcast_getnext", getnext},
    {0x0406, "static_mcast_getnext", getnext},
};

}  // namespace

const Family kMcastFamily = family(kMcast);

int32_t mcast_join(Model &m, const uint8_t mac[6], uint32_t vid, uint32_t unit, uint32_t port) {
    if (!m.topo.exists(unit, port)) return KEL_DRV_ERR_NO_SUCH_PORT;
    if (!group_key(mac, vid)) return KEL_DRV_ERR_BAD_VALUE;
    McastGroup *g = find_or_make(m, mac, vid);
    if (!g) return KEL_DRV_ERR_TABLE_FULL;
    put_port(g->ports, unit, port, true);
    return KEL_DRV_OK;
}

}  // namespace kelsim

namespace kelsim {

int32_t mcast_leave(Model &m, const uint8_t mac[6], uint32_t vid, uint32_t unit, uint32_t port) {
    if (!m.topo.exists(unit, port)) return KEL_DRV_ERR_NO_SUCH_PORT;
    uint32_t i = find(m, mac, vid);
    if (i == kNowhere) return KEL_DRV_ERR_NO_SUCH_ENTRY;
    McastGroup &g = m.fwd.mcast[i];
    if (g.kind != KEL_DRV_ARL_DYNAMIC) return KEL_DRV_ERR_NOT_PERMITTED;  // configured, not snooped
    put_port(g.ports, unit, port, false);
    if (!count_ports(g.ports)) std::memset(&g, 0, sizeof g);
    return KEL_DRV_OK;
}

}  // namespace kelsim
