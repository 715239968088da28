// forwarding.h - what the handlers of the forwarding families share: port
// sets checked against the topology, a port's link, its trunk and mirror
// session, and the settings one family reads of another.
#pragma once

#include <cstdint>

#include "family/commands.h"
#include "kel_driver.h"

namespace kelsim {

inline bool has_port(const iflist &l, uint32_t unit, uint32_t port) {
    return (l.word[unit - 1] >> (port - 1)) & 1u;
}

inline void put_port(iflist &l, uint32_t unit, uint32_t port, bool on) {
    uint32_t bit = 1u << (port - 1);
    l.word[unit - 1] = on ? (l.word[unit - 1] | bit) : (l.word[unit - 1] & ~bit);
}

uint32_t count_ports(const iflist &l);

// Calls f(unit, port) for every port of the topology that the list holds.
template <class F>
void for_each_port(const Topology &t, const iflist &l, F f) {
    for (uint32_t u = 1; u <= kMaxUnits; ++u)
        for (uint32_t p = 1; p <= t.nports[u - 1]; ++p)
            if (has_port(l, u, p)) f(u, p);
}

// KEL_DRV_OK when every port of the list exists (else KEL_DRV_ERR_NO_SUCH_PORT) and none is a
// stack port (else KEL_DRV_ERR_NOT_PERMITTED).
int32_t check_ports(const Topology &t, const iflist &l);

// The list a request carries in buf: KEL_DRV_OK, KEL_DRV_ERR_NULL_BUFFER or kFault.
inline int32_t list_of(Context &c, iflist *out) { return c.get(*out); }

inline uint32_t port_key(uint32_t unit, uint32_t port) { return unit << 8 | port; }
inline uint32_t port_sel_key(uint32_t unit, uint32_t port, uint32_t sel) {
    return unit << 24 | port << 16 | sel;
}

uint32_t read_setting(const Model &m, const Setting &s, uint32_t key);

PortState &port_state(Model &m, uint32_t unit, uint32_t port);
const PortState &port_state(const Model &m, uint32_t unit, uint32_t port);

// Up when the port is administratively up and its cable is plugged.
bool link_up(const Model &m, uint32_t unit, uint32_t port);

// The port's spanning-tree state (KEL_DRV_PORT_STP_*): disabled while its
// link is down, else the state the spanning tree gave it (forwarding unless
// set_stp_state said otherwise). The spanning-tree family owns it.
uint32_t stp_port_state(const Model &m, uint32_t unit, uint32_t port);

// A port's settings that its frames follow, read as its getters read them.
uint32_t port_oper_vlan(const Model &m, uint32_t unit, uint32_t port);   // its native VLAN in effect (0x050D)
uint32_t port_vlan_mode(const Model &m, uint32_t unit, uint32_t port);   // KEL_DRV_VLAN_MODE_* (0x050A)
bool port_ingress_filter(const Model &m, uint32_t unit, uint32_t port);  // 0x051E
uint32_t port_discard(const Model &m, uint32_t unit, uint32_t port);     // KEL_DRV_DISCARD_* (0x0520)
bool port_blocks(const Model &m, uint32_t unit, uint32_t port, uint32_t type);  // KEL_DRV_BLOCK_* (0x051C)
uint32_t port_priority(const Model &m, uint32_t unit, uint32_t port);           // 0x051A

// The trunk a port belongs to (0 for none) and that trunk's kind.
uint32_t trunk_of(const Model &m, uint32_t unit, uint32_t port, uint32_t *kind = nullptr);
// The mirror session a port belongs to (0 for none) and its role there: its
// mirroring mode, or KEL_DRV_MIRROR_MONITOR.
uint32_t mirror_of(const Model &m, uint32_t unit, uint32_t port, uint32_t *role = nullptr);

// The CoS map and queue policy of a switch that has just started.
void init_cosq(Model &m);

// Settings read across families.
extern const Setting kPortPriority;  // 0x0519
extern const Setting kTxRate;        // 0x0A01
extern const Setting kRxRate;        // 0x0A03
extern const Setting kStormRate;     // 0x0B01
extern const Setting kLacpSysPrio;   // 0x1101
extern const Setting kLacpPortPrio;  // 0x1103

}  // namespace kelsim
