// cmd_system.cpp - the simulated driver's system (0x00) and stacking (0x01)
// commands: port names and records, counts, addresses, the management VLAN,
// start-up, reboot, upgrade, unit priorities, discovery and firmware sync.
#include <cstdio>
#include <cstring>

#include "commands.h"
#include "kel_driver.h"

namespace kelsim {

namespace {

constexpr Slot kNone = nullptr;

// The plain set/get pairs of the two families.
const Setting kIpMask{0x0004, Key::none, 0, 2, {&kel_ioreq::addr, &kel_ioreq::mask, kNone}, {}, {}, {}};
const Setting kMgmtVlan{0x0006, Key::none, 0, 1, {&kel_ioreq::vid, kNone, kNone}, {1}, {1}, {KEL_VLAN_MAX}};
const Setting kStackId{0x0102, Key::none, 0, 1, {&kel_ioreq::unit, kNone, kNone}, {1}, {1}, {kMaxUnits}};
const Setting kUnitPrio{0x0104, Key::unit, 0, 1, {&kel_ioreq::prio, kNone, kNone}, {1}, {1}, {8}};
const Setting kMasterIp{0x0105, Key::none, 0, 2, {&kel_ioreq::addr, &kel_ioreq::mask, kNone}, {}, {}, {}};
const Setting kUnitIp{0x0107, Key::unit, 0, 2, {&kel_ioreq::addr, &kel_ioreq::mask, kNone}, {}, {}, {}};

uint32_t read1(const Model &m, const Setting &s, uint32_t key) {
    uint32_t v[3];
    setting_read(m, s, key, v);
    return v[0];
}

// The master is the present unit of highest priority; the lowest number wins a tie.
uint32_t master_unit(const Model &m) {
    uint32_t best = 0, best_prio = 0;
    for (uint32_t u = 1; u <= kMaxUnits; ++u) {
        if (!m.topo.nports[u - 1]) continue;
        uint32_t prio = read1(m, kUnitPrio, u);
        if (!best || prio > best_prio) best = u, best_prio = prio;
    }
    return best;
}

uint32_t flat_index(const Topology &t, uint32_t unit, uint32_t port) {
    uint32_t index = port;
    for (uint32_t u = 1; u < unit; ++u) index += t.nports[u - 1];
    return index;
}

// The management VLAN must be one that exists.
int32_t set_management_vlan(Context &c) {
    if (c.b.vid >= KEL_VLAN_MIN && c.b.vid <= KEL_VLAN_MAX && !vlan_exists(c.m, c.b.vid))
        return KEL_DRV_ERR_NO_SUCH_ENTRY;
    return setting_set(c);
}

int32_t port_name(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    char name[32];
    int n = port_long_name(c.m.topo, c.b.unit, c.b.port, name, sizeof name);
    if (!c.has_buf()) return KEL_DRV_ERR_NULL_BUFFER;
    if (n < 0 || static_cast<uint32_t>(n) >= c.b.len) return KEL_DRV_ERR_BUFFER_TOO_SMALL;
    return c.put(name, static_cast<size_t>(n) + 1);
}

int32_t port_count(Context &c) {
    c.b.count = static_cast<uint32_t>(c.m.topo.total_ports());
    return KEL_DRV_OK;
}

int32_t system_mac(Context &c) {
    std::memcpy(c.b.mac, c.m.sys.mac, sizeof c.b.mac);
    return KEL_DRV_OK;
}

int32_t port_info(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    if (!c.has_buf()) return KEL_DRV_ERR_NULL_BUFFER;
    const Topology &t = c.m.topo;
    kel_drv_portinfo r;
    std::memset(&r, 0, sizeof r);
    port_long_name(t, c.b.unit, c.b.port, r.name, sizeof r.name);
    r.index = flat_index(t, c.b.unit, c.b.port);
    r.media = t.medium(c.b.unit, c.b.port);
    r.unit = static_cast<int32_t>(c.b.unit);
    r.port = static_cast<int32_t>(c.b.port);
    r.flags = (r.media == kGigabit ? KEL_PORT_FLAG_GE : KEL_PORT_FLAG_FE) |
              (t.is_stack(c.b.unit, c.b.port) ? KEL_PORT_FLAG_STACK : 0u);
    return answer(c, r);
}

int32_t reboot(Context &c) {
    ++c.m.sys.reboots;
    c.m.sys.ready = 0;  // until start-up completes again
    c.m.sys.upgrading = 0;
    return KEL_DRV_OK;
}

int32_t startup_complete(Context &c) {
    c.m.sys.ready = 1;
    return KEL_DRV_OK;
}

int32_t is_ready(Context &c) {
    c.b.count = c.m.sys.ready;
    return KEL_DRV_OK;
}

int32_t upgrade(Context &c) {
    if (c.m.sys.upgrading) return KEL_DRV_ERR_NOT_PERMITTED;
    c.m.sys.upgrading = 1;
    return KEL_DRV_OK;
}

int32_t is_upgrading(Context &c) {
    c.b.count = c.m.sys.upgrading;
    return KEL_DRV_OK;
}

int32_t unit_ports(Context &c) {
    if (c.b.unit < 1 || c.b.unit > kMaxUnits) return KEL_DRV_ERR_NO_SUCH_PORT;
    c.b.count = c.m.topo.nports[c.b.unit - 1];  // an absent unit has none
    return KEL_DRV_OK;
}

int32_t unit_info(Context &c) {
    const Topology &t = c.m.topo;
    uint32_t u = c.b.unit;
    if (u < 1 || u > kMaxUnits || !t.nports[u - 1]) return KEL_DRV_ERR_NO_SUCH_PORT;
    if (!c.has_buf()) return KEL_DRV_ERR_NULL_BUFFER;
    kel_drv_unitinfo r;
    std::memset(&r, 0, sizeof r);
    r.unit = u;
    r.present = 1;
    r.nports = t.nports[u - 1];
    for (uint32_t p = 1; p <= r.nports; ++p) (t.medium(u, p) == kGigabit ? r.ge_ports : r.fe_ports)++;
    r.stack_mask = t.stack_mask[u - 1];
    r.priority = read1(c.m, kUnitPrio, u);
    r.role = master_unit(c.m) == u ? KEL_DRV_UNIT_MASTER : KEL_DRV_UNIT_MEMBER;
    uint32_t ip[3];
    setting_read(c.m, kUnitIp, u, ip);
    r.ip = ip[0];
    r.mask = ip[1];
    std::memcpy(r.mac, c.m.sys.mac, sizeof r.mac);
    r.mac[5] = static_cast<uint8_t>(r.mac[5] + u - 1);
    std::snprintf(r.model, sizeof r.model, "KS-%uFE-%uGE", r.fe_ports, r.ge_ports);
    return answer(c, r);
}

int32_t discover(Context &c) {
    c.m.sys.discovering = 1;
    return KEL_DRV_OK;
}

int32_t is_discovering(Context &c) {
    c.b.count = c.m.sys.discovering;
    return KEL_DRV_OK;
}

int32_t firmware_sync(Context &c) {
    c.m.sys.firmware_sync = 1;
    return KEL_DRV_OK;
}

int32_t firmware_sync_state(Context &c) {
    c.b.value = c.m.sys.firmware_sync;
    return KEL_DRV_OK;
}

int32_t is_master(Context &c) {
    c.b.count = master_unit(c.m) == read1(c.m, kStackId, 0);
    return KEL_DRV_OK;
}

int32_t is_stackable(Context &c) {
    const Topology &t = c.m.topo;
    bool stack_ports = false;
    for (int u = 0; u < kMaxUnits; ++u) stack_ports |= t.stack_mask[u] != 0;
    c.b.count = stack_ports || t.units_present() > 1;
    return KEL_DRV_OK;
}

const Command kSystem[] = {
    {0x0001, "ifport_name_get", port_name},
    {0x0002, "system_nr_ports_get", port_count},
    {0x0003, "system_mac_addr_get", system_mac},
    {0x0004, "system_ip_mask_set", setting_set, &kIpMask},
    {0x0005, "system_ip_mask_get", setting_get, &kIpMask},
    {0x0006, "system_vlan_id_set", set_management_vlan, &kMgmtVlan},
    {0x0007, "system_vlan_id_get", setting_get, &kMgmtVlan},
    {0x0008, "system_port_info_get", port_info},
    {0x0009, "system_reboot", reboot},
    {0x000A, "system_startup_complete", startup_complete},
    {0x000B, "lib_is_system_ready", is_ready},
    {0x000C, "system_upgrade", upgrade},
    {0x000D, "is_system_upgrade", is_upgrading},
};

const Command kStack[] = {
    {0x0101, "stack_nr_ports_get", unit_ports},
    {0x0102, "switch_stack_id_set", setting_set, &kStackId},
    {0x0103, "switch_stack_id_get", setting_get, &kStackId},
    {0x0104, "stack_priority_set", setting_set, &kUnitPrio},
    {0x0105, "switch_master_ipmask_set", setting_set, &kMasterIp},
    {0x0106, "switch_master_ipmask_get", setting_get, &kMasterIp},
    {0x0107, "switch_stack_ipmask_set", setting_set, &kUnitIp},
    {0x0108, "switch_stack_ipmask_get", setting_get, &kUnitIp},
    {0x0109, "stack_info_get", unit_info},
    {0x010A, "stack_discover_startup", discover},
    {0x010B, "is_stack_discover", is_discovering},
    {0x010C, "stack_firmware_sync_set", firmware_sync},
    {0x010D, "stack_firmware_sync_get", firmware_sync_state},
    {0x010E, "is_stack_master", is_master},
    {0x010F, "is_switch_stackable", is_stackable},
};

}  // namespace

const Family kSystemFamily = family(kSystem);

uint32_t management_vlan(const Model &m) { return read1(m, kMgmtVlan, 0); }
const Family kStackFamily = family(kStack);

}  // namespace kelsim
