// cmd_vlan_interim.cpp - INTERIM: the two VLAN membership functions, until
// the VLAN family's own file defines them. Remove when it does.
#include "area_vlan.h"
#include "model.h"

namespace kelsim {

bool vlan_exists(const Model &m, uint32_t vid) {
    return vid >= KEL_VLAN_MIN && vid <= KEL_VLAN_MAX && m.vlan.vlan[vid].exists;
}

void vlan_set_port(Model &m, uint32_t vid, VlanSet set, uint32_t unit, uint32_t port, bool on) {
    uint32_t &w = m.vlan.vlan[vid].set[set].word[unit - 1];
    w = on ? (w | 1u << (port - 1)) : (w & ~(1u << (port - 1)));
}

}  // namespace kelsim
