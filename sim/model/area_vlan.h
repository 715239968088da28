// area_vlan.h - the VLAN table of the simulated switch (family 0x06).
//
// Every VLAN id 1..4094 has a slot; a VLAN exists when its slot says so.
// Each VLAN carries four port sets, the four sets of the VLAN record that
// the library compares (see kel_driver.h for what each set means). Other areas
// (a port's VLAN mode and allowed VLANs) change membership through the
// functions below, never by writing the sets themselves.
//
// At start-up only VLAN 1 exists, and every port is a member of it, sends
// its frames untagged and has it as native VLAN. VLAN 1 and the management
// VLAN cannot be destroyed; destroying another VLAN makes VLAN 1 the native
// VLAN (member, untagged) of the ports whose native VLAN it was.
#pragma once

#include <cstdint>

#include "kel.h"
#include "kel_driver.h"

namespace kelsim {

struct Model;

struct VlanEntry {
    uint32_t exists;
    char name[KEL_DRV_VLAN_NAME_MAX + 1];
    uint8_t pad[3];
    iflist set[4];
};

struct VlanState {
    uint32_t count;                    // VLANs that exist
    VlanEntry vlan[KEL_VLAN_MAX + 1];  // indexed by id; slot 0 unused
};

bool vlan_exists(const Model &m, uint32_t vid);
// Brings a VLAN into being as its request does: the ports set to use it
// join it. Does nothing when it exists or the id is outside 1..4094.
void vlan_add(Model &m, uint32_t vid);
// Removes a VLAN as its request does. Does nothing for VLAN 1, the
// management VLAN or a VLAN that does not exist.
void vlan_remove(Model &m, uint32_t vid);
// Puts a port into (on) or out of one set of a VLAN. Does nothing when the
// VLAN or the port does not exist.
void vlan_set_port(Model &m, uint32_t vid, kel_drv_vlan_set set, uint32_t unit, uint32_t port, bool on);
// Whether a port is in one set of a VLAN (false when either does not exist).
bool vlan_has_port(const Model &m, uint32_t vid, kel_drv_vlan_set set, uint32_t unit, uint32_t port);

// The management VLAN (the interface sw0), kept by the system family.
uint32_t management_vlan(const Model &m);

}  // namespace kelsim
