// stp.cpp - the simulated spanning tree (0x0E) and MST (0x0F).
//
// What a person sets reads back through the bridge, port, region, instance
// and MST records (layouts in kel_driver.h). While a dataplane runs the
// spanning tree on the wire (stp_run.h), the records show its outcome: the
// root, the root port and cost, each port's role and state; every MST
// instance follows the common tree. Otherwise the bridge is alone in its
// network: the root of every instance, each port it runs on designated.
#include <cstring>

#include "dataplane/view.h"

#include "family/forwarding.h"
#include "family/protocol_common.h"
#include "kel_driver.h"
#include "proto/mst_bpdu.h"

namespace kelsim {

namespace {

constexpr uint32_t kBridgePrioMax = 61440, kBridgePrioStep = 4096;
constexpr uint32_t kPortPrioMax = 240, kPortPrioStep = 16;
constexpr uint32_t kCostMax = 200000000;

// Spanning tree settings; the records read them back.
constexpr Setting kStpOn = one_word(0x0E01, Key::none, &kel_ioreq::value, 1, 0, 1);
constexpr Setting kMode =
    one_word(0x0E02, Key::none, &kel_ioreq::sel, KEL_DRV_STP_MODE_RSTP, 0, KEL_DRV_STP_MODE_MSTP);
constexpr Setting kMaxAge = one_word(0x0E05, Key::none, &kel_ioreq::count, 20, 6, 40);
constexpr Setting kForwardDelay = one_word(0x0E06, Key::none, &kel_ioreq::count, 15, 4, 30);
constexpr Setting kHelloTime = one_word(0x0E07, Key::none, &kel_ioreq::count, 2, 1, 10);
constexpr Setting kBridgePrio = one_word(0x0E09, Key::none, &kel_ioreq::prio, 32768, 0, kBridgePrioMax);
constexpr Setting kTxHold = one_word(0x0E0A, Key::none, &kel_ioreq::count, 6, 1, 10);
constexpr Setting kPortPrio = one_word(0x0E0B, Key::port, &kel_ioreq::prio, 128, 0, kPortPrioMax);
constexpr Setting kPortCost = one_word(0x0E0C, Key::port, &kel_ioreq::count, 0, 0, kCostMax);
constexpr Setting kEdge = one_word(0x0E0D, Key::port, &kel_ioreq::value, 0, 0, 1);
constexpr Setting kLinkType =
    one_word(0x0E0E, Key::port, &kel_ioreq::sel, KEL_DRV_STP_LINK_AUTO, 0, KEL_DRV_STP_LINK_SHARED);
constexpr Setting kBpduGuard = one_word(0x0E0F, Key::port, &kel_ioreq::value, 0, 0, 1);
constexpr Setting kUplinkFast = one_word(0x0E10, Key::none, &kel_ioreq::value, 0, 0, 1);

// MST settings. The per-instance port rows are keyed by the handlers
// themselves (instance, unit and port), not by setting_key.
constexpr Setting kMstRevision = one_word(0x0F07, Key::none, &kel_ioreq::count, 0, 0, 65535);
constexpr Setting kMstBridgePrio =
    one_word(0x0F08, Key::index, &kel_ioreq::prio, 32768, 0, kBridgePrioMax, KEL_DRV_MST_INSTANCES);
constexpr Setting kMstPortPrio = one_word(0x0F09, Key::none, &kel_ioreq::prio, 128, 0, kPortPrioMax);
constexpr Setting kMstPortCost = one_word(0x0F0A, Key::none, &kel_ioreq::count, 0, 0, kCostMax);
constexpr Setting kMstMaxHops = one_word(0x0F0B, Key::none, &kel_ioreq::count, 20, 1, 40);

uint32_t mst_port_key(uint32_t instance, uint32_t unit, uint32_t port) {
    return instance << 16 | unit << 8 | port;
}

uint32_t auto_cost(const Model &m, uint32_t unit, uint32_t port) {
    return m.topo.medium(unit, port) == kGigabit ? KEL_DRV_STP_COST_GE : KEL_DRV_STP_COST_FE;
}

// The state and role of a port: stack ports and a bridge with spanning tree
// off take no part; any other port of the lone root bridge is designated.
// The records number the states from 0, the port command from 1.
void port_role(const Model &m, uint32_t unit, uint32_t port, uint32_t *state, uint32_t *role) {
    bool runs = switch_value(m, kStpOn) && !m.topo.is_stack(unit, port);
    static_assert(KEL_DRV_PORT_STP_FORWARDING - 1 == KEL_DRV_STP_STATE_FORWARDING &&
                  KEL_DRV_PORT_STP_DISABLED - 1 == KEL_DRV_STP_STATE_DISABLED);
    *state = stp_port_state(m, unit, port) - 1;
    *role = !runs                 ? KEL_DRV_STP_ROLE_DISABLED
            : m.proto.stp.running ? m.proto.stp.port[unit - 1][port - 1].role
                                  : KEL_DRV_STP_ROLE_DESIGNATED;
}

// The root as the records give it: the one the running tree found, or this bridge.
void root_of(const Model &m, uint32_t own_priority, uint32_t *priority, uint8_t *mac, uint32_t *cost) {
    const StpRun &run = m.proto.stp;
    *priority = run.running ? run.root_priority : own_priority;
    std::memcpy(mac, run.running ? run.root_mac : m.sys.mac, 6);
    *cost = run.running ? run.root_cost : 0;
}

bool instance_active(const Model &m, uint32_t instance) {
    return instance < KEL_DRV_MST_INSTANCES && ((m.proto.mst.active >> instance) & 1u);
}

uint32_t instance_vlans(const Model &m, uint32_t instance, vlanlist *list) {
    uint32_t n = 0;
    for (uint32_t v = KEL_VLAN_MIN; v <= KEL_VLAN_MAX; ++v)
        if (m.proto.mst.instance_of[v] == instance) {
            if (list) set_vlan_bit(*list, v, true);
            ++n;
        }
    return n;
}

// The instance a request names must exist; a number beyond the table is a bad value.
int32_t check_instance(const Context &c) {
    if (c.b.index >= KEL_DRV_MST_INSTANCES) return KEL_DRV_ERR_BAD_VALUE;
    return instance_active(c.m, c.b.index) ? KEL_DRV_OK : KEL_DRV_ERR_NO_SUCH_ENTRY;
}

int32_t bridge_prio_set(Context &c) {
    if (!in_steps(c.b.prio, kBridgePrioMax, kBridgePrioStep)) return KEL_DRV_ERR_BAD_VALUE;
    return setting_set(c);
}

int32_t port_prio_set(Context &c) {
    if (!in_steps(c.b.prio, kPortPrioMax, kPortPrioStep)) return KEL_DRV_ERR_BAD_VALUE;
    return setting_set(c);
}

// The three times at once, checked against each other as a bridge must:
// 2 * (forward delay - 1) >= max age >= 2 * (hello time + 1).
int32_t bridge_times_set(Context &c) {
    if (!c.has_buf()) return KEL_DRV_ERR_NULL_BUFFER;
    kel_drv_bridge_times r;
    if (int32_t st = c.get(r)) return st;
    auto fits = [](const Setting &s, uint32_t v) { return v >= s.min[0] && v <= s.max[0]; };
    if (!fits(kMaxAge, r.max_age) || !fits(kHelloTime, r.hello_time) || !fits(kForwardDelay, r.forward_delay))
        return KEL_DRV_ERR_BAD_VALUE;
    if (2 * (r.forward_delay - 1) < r.max_age || r.max_age < 2 * (r.hello_time + 1))
        return KEL_DRV_ERR_BAD_VALUE;
    if (!keyed_write(c.m, kMaxAge, 0, r.max_age) || !keyed_write(c.m, kHelloTime, 0, r.hello_time) ||
        !keyed_write(c.m, kForwardDelay, 0, r.forward_delay))
        return KEL_DRV_ERR_TABLE_FULL;
    return KEL_DRV_OK;
}

int32_t bridge_info(Context &c) {
    const Model &m = c.m;
    kel_drv_stp_bridge r;
    std::memset(&r, 0, sizeof r);
    r.enabled = switch_value(m, kStpOn);
    r.mode = switch_value(m, kMode);
    r.priority = switch_value(m, kBridgePrio);
    std::memcpy(r.mac, m.sys.mac, sizeof r.mac);
    root_of(m, r.priority, &r.root_priority, r.root_mac, &r.root_cost);
    r.root_port = m.proto.stp.running ? m.proto.stp.root_port : 0;
    r.max_age = switch_value(m, kMaxAge);
    r.hello_time = switch_value(m, kHelloTime);
    r.forward_delay = switch_value(m, kForwardDelay);
    r.tx_hold_count = switch_value(m, kTxHold);
    r.uplink_fast = switch_value(m, kUplinkFast);
    for (uint32_t u = 1; u <= kMaxUnits; ++u)
        for (uint32_t p = 1; p <= m.topo.nports[u - 1]; ++p) r.ports += !m.topo.is_stack(u, p);
    return answer(c, r);
}

int32_t port_info(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    const Model &m = c.m;
    uint32_t u = c.b.unit, p = c.b.port;
    kel_drv_stp_port r;
    std::memset(&r, 0, sizeof r);
    r.unit = u;
    r.port = p;
    r.priority = port_value(m, kPortPrio, u, p);
    r.path_cost = port_value(m, kPortCost, u, p);
    r.oper_cost = r.path_cost ? r.path_cost : auto_cost(m, u, p);
    r.edge = port_value(m, kEdge, u, p);
    r.link_type = port_value(m, kLinkType, u, p);
    r.bpdu_guard = port_value(m, kBpduGuard, u, p);
    port_role(m, u, p, &r.state, &r.role);
    return answer(c, r);
}

int32_t mst_bridge_info(Context &c) {
    if (int32_t st = check_instance(c)) return st;
    const Model &m = c.m;
    kel_drv_mst_bridge r;
    std::memset(&r, 0, sizeof r);
    r.instance = c.b.index;
    r.active = 1;
    r.priority = keyed_value(m, kMstBridgePrio, c.b.index);
    std::memcpy(r.mac, m.sys.mac, sizeof r.mac);
    root_of(m, r.priority, &r.root_priority, r.root_mac, &r.root_cost);
    if (m.proto.stp.running && m.proto.stp.mst) {  // the instance's own regional root
        const MstRootRun &root = m.proto.stp.mst_root[c.b.index];
        r.root_priority = root.priority;
        std::memcpy(r.root_mac, root.mac, sizeof r.root_mac);
        r.root_cost = root.cost;
    }
    r.vlan_count = instance_vlans(m, c.b.index, nullptr);
    return answer(c, r);
}

int32_t mst_port_info(Context &c) {
    if (int32_t st = check_instance(c)) return st;
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    const Model &m = c.m;
    uint32_t i = c.b.index, u = c.b.unit, p = c.b.port;
    kel_drv_mst_port r;
    std::memset(&r, 0, sizeof r);
    r.instance = i;
    r.unit = u;
    r.port = p;
    r.priority = keyed_value(m, kMstPortPrio, mst_port_key(i, u, p));
    r.path_cost = keyed_value(m, kMstPortCost, mst_port_key(i, u, p));
    r.oper_cost = r.path_cost ? r.path_cost : auto_cost(m, u, p);
    port_role(m, u, p, &r.state, &r.role);
    if (m.proto.stp.running && m.proto.stp.mst && link_up(m, u, p) && !m.topo.is_stack(u, p)) {
        const StpPortRun &run = m.proto.stp.port[u - 1][p - 1];
        r.state = run.mst_state[i];
        r.role = run.mst_role[i];
    }
    return answer(c, r);
}

int32_t mst_region_info(Context &c) {
    const MstState &mst = c.m.proto.mst;
    kel_drv_mst_region r;
    std::memset(&r, 0, sizeof r);
    std::memcpy(r.name, mst.name, sizeof mst.name);
    r.revision = switch_value(c.m, kMstRevision);
    r.max_hops = switch_value(c.m, kMstMaxHops);
    r.instance_mask = mst.active;
    r.instances = static_cast<uint32_t>(__builtin_popcount(mst.active));
    return answer(c, r);
}

int32_t mst_instance_get(Context &c) {
    if (int32_t st = check_instance(c)) return st;
    kel_drv_mst_instance r;
    std::memset(&r, 0, sizeof r);
    r.instance = c.b.index;
    r.active = 1;
    r.priority = keyed_value(c.m, kMstBridgePrio, c.b.index);
    r.vlan_count = instance_vlans(c.m, c.b.index, &r.vlans);
    return answer(c, r);
}

int32_t mst_instance_set(Context &c) {
    uint32_t instance = c.b.index;
    if (instance == 0 || instance >= KEL_DRV_MST_INSTANCES) return KEL_DRV_ERR_BAD_VALUE;
    if (!c.has_buf()) return KEL_DRV_ERR_NULL_BUFFER;
    kel_drv_mst_instance r;
    if (int32_t st = c.get(r)) return st;
    if (has_bits_beyond_vlans(r.vlans)) return KEL_DRV_ERR_BAD_VALUE;
    MstState &mst = c.m.proto.mst;
    bool any = false;
    for (uint32_t v = KEL_VLAN_MIN; v <= KEL_VLAN_MAX; ++v) {
        if (vlan_bit(r.vlans, v)) {
            mst.instance_of[v] = static_cast<uint8_t>(instance);
            any = true;
        } else if (mst.instance_of[v] == instance) {
            mst.instance_of[v] = 0;
        }
    }
    if (any)
        mst.active |= 1u << instance;
    else
        mst.active &= ~(1u << instance);
    return KEL_DRV_OK;
}

int32_t mst_name_set(Context &c) {
    char name[KEL_DRV_MST_NAME_MAX + 2];
    size_t n;
    if (int32_t st = c.get_text(name, KEL_DRV_MST_NAME_MAX + 1, &n)) return st;
    if (n > KEL_DRV_MST_NAME_MAX || !printable_name(name, n)) return KEL_DRV_ERR_BAD_VALUE;
    std::memset(c.m.proto.mst.name, 0, sizeof c.m.proto.mst.name);
    std::memcpy(c.m.proto.mst.name, name, n);
    return KEL_DRV_OK;
}

int32_t mst_bridge_prio_set(Context &c) {
    if (int32_t st = check_instance(c)) return st;
    return bridge_prio_set(c);
}

// A per-instance port value: the instance and the port must exist.
int32_t mst_port_set(Context &c, const Setting &s, uint32_t value, bool valid) {
    if (int32_t st = check_instance(c)) return st;
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    if (!valid) return KEL_DRV_ERR_BAD_VALUE;
    return keyed_write(c.m, s, mst_port_key(c.b.index, c.b.unit, c.b.port), value) ? KEL_DRV_OK
                                                                                   : KEL_DRV_ERR_TABLE_FULL;
}

int32_t mst_port_prio_set(Context &c) {
    return mst_port_set(c, kMstPortPrio, c.b.prio, in_steps(c.b.prio, kPortPrioMax, kPortPrioStep));
}

int32_t mst_port_cost_set(Context &c) {
    return mst_port_set(c, kMstPortCost, c.b.count, c.b.count <= kCostMax);
}

const Command kStp[] = {
    {0x0E01, "stp_control_set", setting_set, &kStpOn},
    {0x0E02, "stp_mode_set", setting_set, &kMode},
    {0x0E03, "stp_bridge_info_get", bridge_info},
    {0x0E04, "stp_port_info_get", port_info},
    {0x0E05, "stp_max_age_set", setting_set, &kMaxAge},
    {0x0E06, "stp_forward_delay_set", setting_set, &kForwardDelay},
    {0x0E07, "stp_hello_time_set", setting_set, &kHelloTime},
    {0x0E08, "stp_bridge_times_set", bridge_times_set, nullptr, In::fixed, sizeof(kel_drv_bridge_times)},
    {0x0E09, "stp_bridge_prio_set", bridge_prio_set, &kBridgePrio},
    {0x0E0A, "stp_tx_hold_count_set", setting_set, &kTxHold},
    {0x0E0B, "stp_port_prio_set", port_prio_set, &kPortPrio},
    {0x0E0C, "stp_port_path_cost_set", setting_set, &kPortCost},
    {0x0E0D, "stp_port_edge_port_set", setting_set, &kEdge},
    {0x0E0E, "stp_port_link_type_set", setting_set, &kLinkType},
    {0x0E0F, "stp_port_bpdu_guard_set", setting_set, &kBpduGuard},
    {0x0E10, "stp_uplink_fast_set", setting_set, &kUplinkFast},
};

const Command kMst[] = {
    {0x0F01, "mst_bridge_info_get", mst_bridge_info},
    {0x0F02, "mst_port_info_get", mst_port_info},
    {0x0F03, "mst_info_get", mst_region_info},
    {0x0F04, "mst_instance_get", mst_instance_get},
    {0x0F05, "mst_instance_set", mst_instance_set, nullptr, In::fixed, sizeof(kel_drv_mst_instance)},
    {0x0F06, "mst_name_set", mst_name_set, nullptr, In::text, 64},
    {0x0F07, "mst_revision_set", setting_set, &kMstRevision},
    {0x0F08, "mst_bridge_prio_set", mst_bridge_prio_set, &kMstBridgePrio},
    {0x0F09, "mst_port_prio_set", mst_port_prio_set},
    {0x0F0A, "mst_port_path_cost_set", mst_port_cost_set},
    {0x0F0B, "mst_max_hops_set", setting_set, &kMstMaxHops},
};

}  // namespace

const Family kStpFamily = family(kStp);

uint32_t stp_port_state(const Model &m, uint32_t unit, uint32_t port) {
    if (!link_up(m, unit, port)) return KEL_DRV_PORT_STP_DISABLED;
    uint32_t given = port_state(m, unit, port).stp;
    return given ? given : KEL_DRV_PORT_STP_FORWARDING;
}

int32_t set_stp_state(Model &m, uint32_t unit, uint32_t port, uint32_t state) {
    if (!m.topo.exists(unit, port)) return KEL_DRV_ERR_NO_SUCH_PORT;
    if (m.topo.is_stack(unit, port)) return KEL_DRV_ERR_NOT_PERMITTED;
    if (state < KEL_DRV_PORT_STP_BLOCKING || state > KEL_DRV_PORT_STP_FORWARDING)
        return KEL_DRV_ERR_BAD_VALUE;
    port_state(m, unit, port).stp = state == KEL_DRV_PORT_STP_FORWARDING ? 0 : state;
    return KEL_DRV_OK;
}
const Family kMstFamily = family(kMst);

namespace {

// The region and each instance's priorities and costs, and the VLANs'
// instances for the frames (in effect once the tree runs in mode mstp).
void compile_mst(const Model &m, View &v) {
    stp::MstConfig &c = v.stp.mst;
    const MstState &mst = m.proto.mst;
    bool per_vlan = v.stp.bridge.mode == stp::Mode::mstp;
    std::memset(v.msti, 0, sizeof v.msti);
    std::memset(v.msti_sending, 0xFF, sizeof v.msti_sending);
    v.per_instance = 0;  // (until the tree running on the wire gives the states)
    c.instances = 0;
    if (!per_vlan) return;  // (the other modes read none of it)
    std::memcpy(v.msti, mst.instance_of, sizeof mst.instance_of);
    std::memset(&c.id, 0, sizeof c.id);
    std::memcpy(c.id.name, mst.name, strnlen(mst.name, sizeof c.id.name));
    c.id.revision = static_cast<uint16_t>(switch_value(m, kMstRevision));
    stp::config_digest(mst.instance_of, c.id.digest);
    c.max_hops = switch_value(m, kMstMaxHops);
    c.instances = static_cast<uint16_t>(mst.active & 0xFFFE);
    for (uint32_t k = 0; k < KEL_DRV_MST_INSTANCES; ++k) {
        c.priority[k] = keyed_value(m, kMstBridgePrio, k);
        for (uint32_t u = 1; u <= kMaxUnits; ++u)
            for (uint32_t p = 1; p <= m.topo.nports[u - 1]; ++p) {
                int s = slot_of(u, p);
                c.port_priority[k][s] =
                    static_cast<uint8_t>(keyed_value(m, kMstPortPrio, mst_port_key(k, u, p)));
                uint32_t cost = keyed_value(m, kMstPortCost, mst_port_key(k, u, p));
                c.port_cost[k][s] = cost ? cost : auto_cost(m, u, p);
            }
    }
}

}  // namespace

void compile_stp(const Model &m, View &v) {
    stp::BridgeConfig &b = v.stp.bridge;
    b.enabled = switch_value(m, kStpOn);
    b.mode = static_cast<stp::Mode>(switch_value(m, kMode));
    b.priority = switch_value(m, kBridgePrio);
    std::memcpy(b.mac, m.sys.mac, sizeof b.mac);
    b.max_age = switch_value(m, kMaxAge);
    b.hello = switch_value(m, kHelloTime);
    b.forward_delay = switch_value(m, kForwardDelay);
    b.tx_hold = switch_value(m, kTxHold);
    std::memset(v.stp.port, 0, sizeof v.stp.port);
    for (uint32_t u = 1; u <= kMaxUnits; ++u)
        for (uint32_t p = 1; p <= m.topo.nports[u - 1]; ++p) {
            if (m.topo.is_stack(u, p)) continue;
            stp::PortConfig &c = v.stp.port[slot_of(u, p)];
            c.present = true;
            c.link = link_up(m, u, p);
            c.number = static_cast<uint16_t>(flat_port_index(m.topo, u, p));
            c.priority = port_value(m, kPortPrio, u, p);
            uint32_t cost = port_value(m, kPortCost, u, p);
            c.cost = cost ? cost : auto_cost(m, u, p);
            c.edge = port_value(m, kEdge, u, p);
            c.point_to_point = port_value(m, kLinkType, u, p) != KEL_DRV_STP_LINK_SHARED;
            c.bpdu_guard = port_value(m, kBpduGuard, u, p);
        }
    compile_mst(m, v);
}

// Every VLAN starts in the common instance, the only one that exists.
void init_protocol_area(Model &m) { m.proto.mst.active = 1; }

}  // namespace kelsim
