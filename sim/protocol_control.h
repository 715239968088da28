// protocol_control.h - test control for the protocol families: events the
// simulated switch cannot see by itself because no traffic flows through
// it. Each acts on the process's current model under its lock, like the
// rest of control.h.
#pragma once

#include <cstdint>

#include "kel_driver.h"

namespace kelsim {

// A frame from source address mac arrives on a port with port security. A
// secure or already learned address passes; a new one is learned while the
// port has room; otherwise the port's violation action applies (protect
// drops, restrict drops and counts, shutdown counts and shuts the port).
// A port without port security passes everything. Returns true when the
// frame passes, false when it is dropped or the port does not exist.
bool portsecu_frame(uint32_t unit, uint32_t port, const uint8_t mac[6]);

// Adds a binding to the DHCP snooping table, as the switch would when it
// sees a lease granted. False when DHCP snooping is off, the port does not
// exist or the table is full.
bool add_dhcp_binding(const kel_drv_dhcp_binding &binding);

// Counts n GVRP messages of one type received on a port; a port in
// forbidden mode also counts the joins as failed registrations. False, with
// nothing counted, when the port does not exist or GVRP does not run on it
// (switched off for the switch or for the port).
bool gvrp_receive(uint32_t unit, uint32_t port, kel_drv_gvrp_msg type, uint32_t n);

}  // namespace kelsim
