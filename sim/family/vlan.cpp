// vlan.cpp - the simulated VLAN table (family 0x06): create, destroy,
// names, the list of VLANs, one VLAN's record, lookup by name; and the
// membership interface the port commands use (area_vlan.h).
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "family/commands.h"
#include "family/protocol_common.h"
#include "kel_driver.h"

namespace kelsim {

namespace {

bool in_range(uint32_t vid) { return vid >= KEL_VLAN_MIN && vid <= KEL_VLAN_MAX; }

uint32_t bit_count(uint32_t w) {
    uint32_t n = 0;
    for (; w; w &= w - 1) ++n;
    return n;
}

void default_name(uint32_t vid, char *out) {
    if (vid == 1)
        std::snprintf(out, KEL_DRV_VLAN_NAME_MAX + 1, "default");
    else
        std::snprintf(out, KEL_DRV_VLAN_NAME_MAX + 1, "VLAN%04u", vid);
}

VlanEntry &make_vlan(Model &m, uint32_t vid) {
    VlanEntry &e = m.vlan.vlan[vid];
    std::memset(&e, 0, sizeof e);
    e.exists = 1;
    default_name(vid, e.name);
    ++m.vlan.count;
    return e;
}

// Makes vid the native VLAN of a port, which carries it untagged.
void join_native(Model &m, uint32_t vid, uint32_t unit, uint32_t port) {
    for (kel_drv_vlan_set s : {KEL_DRV_VLAN_MEMBERS, KEL_DRV_VLAN_UNTAGGED, KEL_DRV_VLAN_NATIVE})
        vlan_set_port(m, vid, s, unit, port, true);
}

// The VLAN a request names, or no-such-entry (also for an id outside 1..4094).
int32_t existing(const Context &c, VlanEntry **out) {
    if (!vlan_exists(c.m, c.b.vid)) return KEL_DRV_ERR_NO_SUCH_ENTRY;
    *out = &c.m.vlan.vlan[c.b.vid];
    return KEL_DRV_OK;
}

// The VLAN named name, 0 when none is.
uint32_t find_name(const Model &m, const char *name) {
    for (uint32_t vid = KEL_VLAN_MIN; vid <= KEL_VLAN_MAX; ++vid) {
        const VlanEntry &e = m.vlan.vlan[vid];
        if (e.exists && std::strcmp(e.name, name) == 0) return vid;
    }
    return 0;
}

int32_t create(Context &c) {
    if (!in_range(c.b.vid)) return KEL_DRV_ERR_BAD_VALUE;
    if (c.m.vlan.vlan[c.b.vid].exists) return KEL_DRV_ERR_EXISTS;
    vlan_add(c.m, c.b.vid);
    return KEL_DRV_OK;
}

int32_t destroy(Context &c) {
    VlanEntry *e;
    if (int32_t st = existing(c, &e)) return st;
    if (c.b.vid == 1 || c.b.vid == management_vlan(c.m)) return KEL_DRV_ERR_NOT_PERMITTED;
    vlan_remove(c.m, c.b.vid);
    return KEL_DRV_OK;
}

int32_t list(Context &c) {
    if (!c.has_buf()) return KEL_DRV_ERR_NULL_BUFFER;
    vlanlist out;
    std::memset(&out, 0, sizeof out);
    for (uint32_t vid = KEL_VLAN_MIN; vid <= KEL_VLAN_MAX; ++vid)
        if (c.m.vlan.vlan[vid].exists) out.word[(vid - 1) / 32] |= 1u << ((vid - 1) % 32);
    return answer(c, out);
}

int32_t record(Context &c) {
    VlanEntry *e;
    if (int32_t st = existing(c, &e)) return st;
    if (!c.has_buf()) return KEL_DRV_ERR_NULL_BUFFER;
    kel_drv_vlan r;
    std::memset(&r, 0, sizeof r);
    r.vid = c.b.vid;
    r.flags = (c.b.vid == 1 ? KEL_DRV_VLAN_FLAG_DEFAULT : 0u) |
              (c.b.vid == management_vlan(c.m) ? KEL_DRV_VLAN_FLAG_MANAGEMENT : 0u);
    for (int s = 0; s < 4; ++s) {
        r.set[s] = e->set[s];
        for (uint32_t w : e->set[s].word) r.ports[s] += bit_count(w);
    }
    std::memcpy(r.name, e->name, sizeof e->name);
    return answer(c, r);
}

int32_t name_set(Context &c) {
    VlanEntry *e;
    if (int32_t st = existing(c, &e)) return st;
    char name[KEL_DRV_VLAN_NAME_MAX + 2];
    size_t n;  // the name ends at a zero byte or after len bytes
    if (int32_t st =
            c.get_text(name, c.b.len < KEL_DRV_VLAN_NAME_MAX + 1 ? c.b.len : KEL_DRV_VLAN_NAME_MAX + 1, &n))
        return st;
    if (n == 0 || n > KEL_DRV_VLAN_NAME_MAX || !printable_name(name, n)) return KEL_DRV_ERR_BAD_VALUE;
    uint32_t owner = find_name(c.m, name);
    if (owner && owner != c.b.vid) return KEL_DRV_ERR_EXISTS;
    std::memcpy(e->name, name, n + 1);
    return KEL_DRV_OK;
}

int32_t name_get(Context &c) {
    VlanEntry *e;
    if (int32_t st = existing(c, &e)) return st;
    if (!c.has_buf()) return KEL_DRV_ERR_NULL_BUFFER;
    size_t n = std::strlen(e->name) + 1;
    if (c.b.len < n) return KEL_DRV_ERR_BUFFER_TOO_SMALL;
    return c.put(e->name, n);
}

int32_t by_name(Context &c) {
    char name[KEL_DRV_VLAN_NAME_MAX + 2];
    size_t n;
    if (int32_t st = c.get_text(name, KEL_DRV_VLAN_NAME_MAX + 1, &n)) return st;
    if (n > KEL_DRV_VLAN_NAME_MAX) return KEL_DRV_ERR_NO_SUCH_ENTRY;  // no name is that long
    uint32_t vid = find_name(c.m, name);
    if (!vid) return KEL_DRV_ERR_NO_SUCH_ENTRY;
    c.b.vid = vid;
    return KEL_DRV_OK;
}

constexpr uint16_t kNameCopy = KEL_DRV_VLAN_NAME_MAX + 1;

const Command kVlan[] = {
    {0x0601, "vlan_create", create},
    {0x0602, "vlan_destroy", destroy},
    {0x0603, "vlanlist_get", list},
    {0x0604, "vlan_get", record},
    {0x0605, "vlan_name_set", name_set, nullptr, In::len, kNameCopy},
    {0x0606, "vlan_name_get", name_get},
    {0x0607, "vlan_get_by_name", by_name, nullptr, In::text, kNameCopy},
};

}  // namespace

const Family kVlanFamily = family(kVlan);

bool vlan_exists(const Model &m, uint32_t vid) { return in_range(vid) && m.vlan.vlan[vid].exists; }

void vlan_add(Model &m, uint32_t vid) {
    if (!in_range(vid) || m.vlan.vlan[vid].exists) return;
    make_vlan(m, vid);
    port_vlans_attach(m, vid);  // ports already set to use it join it now
}

void vlan_remove(Model &m, uint32_t vid) {
    if (!vlan_exists(m, vid) || vid == 1 || vid == management_vlan(m)) return;
    VlanEntry &e = m.vlan.vlan[vid];
    // Ports left without a native VLAN fall back to VLAN 1, untagged.
    const iflist native = e.set[KEL_DRV_VLAN_NATIVE];
    for (uint32_t u = 1; u <= KEL_IFLIST_WORDS; ++u)
        for (uint32_t p = 1; p <= 32; ++p)
            if ((native.word[u - 1] >> (p - 1)) & 1u) join_native(m, 1, u, p);
    std::memset(&e, 0, sizeof e);
    --m.vlan.count;
    set_vlan_bit(m.proto.gvrp.created, vid, false);
}

void vlan_set_port(Model &m, uint32_t vid, kel_drv_vlan_set set, uint32_t unit, uint32_t port, bool on) {
    if (!vlan_exists(m, vid) || !m.topo.exists(unit, port) || set > KEL_DRV_VLAN_NATIVE) return;
    uint32_t &word = m.vlan.vlan[vid].set[set].word[unit - 1];
    uint32_t bit = 1u << (port - 1);
    word = on ? word | bit : word & ~bit;
}

bool vlan_has_port(const Model &m, uint32_t vid, kel_drv_vlan_set set, uint32_t unit, uint32_t port) {
    if (!vlan_exists(m, vid) || !m.topo.exists(unit, port) || set > KEL_DRV_VLAN_NATIVE) return false;
    return (m.vlan.vlan[vid].set[set].word[unit - 1] >> (port - 1)) & 1u;
}

void init_vlan_area(Model &m) {
    std::memset(&m.vlan, 0, sizeof m.vlan);
    make_vlan(m, 1);
    for (uint32_t u = 1; u <= KEL_IFLIST_WORDS; ++u)
        for (uint32_t p = 1; p <= m.topo.nports[u - 1]; ++p) join_native(m, 1, u, p);
}

}  // namespace kelsim
