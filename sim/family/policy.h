// policy.h - what the security and snooping families (802.1X, port
// security, IGMP and DHCP snooping) offer the dataplane: their settings as
// frames follow them, read as their request handlers read them, and the
// changes frames make to their state, applied to the model under its lock.
#pragma once

#include <cstdint>

#include "model/model.h"

namespace kelsim {

// ---- 802.1X (dot1x.cpp) -------------------------------------------------------

// A port's authentication state as its port record answers it
// (KEL_DRV_DOT1X_AUTHORIZED, _UNAUTHORIZED, _GUEST), or 0 when 802.1X does
// not apply to it (off for the switch, or the port forced authorized).
uint32_t dot1x_frame_state(const Model &m, uint32_t unit, uint32_t port);
bool dot1x_single_host(const Model &m, uint32_t unit, uint32_t port);
uint32_t dot1x_guest_vlan(const Model &m, uint32_t unit, uint32_t port);
// Seconds a RADIUS server has to answer each try of a port's requests.
uint32_t dot1x_server_timeout(const Model &m, uint32_t unit, uint32_t port);
// A station authorized on a port, as a completed exchange would leave it;
// a null station deauthorizes the port. -202 for no such port, -203 for a
// group address.
int32_t dot1x_authorize(Model &m, uint32_t unit, uint32_t port, const uint8_t *station);
// An EAPOL frame the switch took on a port (its port record counts them).
void dot1x_count_eapol(Model &m, uint32_t unit, uint32_t port);
// What the authenticator runs a port by (seconds); authenticates: 802.1X
// on for the switch and the port's control auto.
struct Dot1xSettings {
    bool authenticates, reauth;
    uint32_t reauth_period, quiet_period, server_timeout;
    uint32_t reauth_requests;  // reauthentications the library asked for, so far
};
Dot1xSettings dot1x_settings(const Model &m, uint32_t unit, uint32_t port);
uint32_t dot1x_method(const Model &m);  // KEL_DRV_DOT1X_AUTH_*

// ---- Port security (portsecu.cpp) ----------------------------------------------

struct SecuSettings {
    uint32_t enabled, maximum, violation, shut;
};
SecuSettings portsecu_settings(const Model &m, uint32_t unit, uint32_t port);
// A secure address learned from a frame; false when the port has no room
// or the address is secure elsewhere.
bool portsecu_learned(Model &m, uint32_t unit, uint32_t port, const uint8_t *mac, uint64_t now);
void portsecu_seen(Model &m, const uint8_t *mac, uint64_t now);
void portsecu_violated(Model &m, uint32_t unit, uint32_t port, bool shut, uint64_t now);
// Ages learned addresses (absolute or inactivity) and brings back ports
// whose shutdown time has passed; true when anything changed.
bool portsecu_upkeep(Model &m, uint64_t now);

// ---- IGMP and DHCP snooping (snoop.cpp), multicast table (mcast.cpp) ------------

// The VLANs where snooping acts: none while it is off for the switch.
vlanlist igmp_snooping_vlans(const Model &m);
vlanlist igmp_immediate_leave_vlans(const Model &m);
uint32_t igmp_lmqi(const Model &m);  // tenths of a second
vlanlist dhcp_snooping_vlans(const Model &m);
bool dhcp_trusted(const Model &m, uint32_t unit, uint32_t port);
// Records a lease (replacing the client's binding in the same VLAN); false
// when the table is full or snooping is off.
bool dhcp_bind(Model &m, const kel_drv_dhcp_binding &b, uint64_t now);
void dhcp_unbind(Model &m, const uint8_t *mac, uint32_t ip);
// Removes expired bindings; true when any went.
bool dhcp_upkeep(Model &m, uint64_t now);
// A port leaves a learned group; the group goes with its last port.
int32_t mcast_leave(Model &m, const uint8_t mac[6], uint32_t vid, uint32_t unit, uint32_t port);

// ---- GVRP (snoop.cpp) ---------------------------------------------------------

// GVRP's settings as its requests answer them: on for the switch, on for a
// port, a port's registration mode (KEL_DRV_GVRP_*) and its GARP times in
// centiseconds (join, leave, leave-all).
bool gvrp_on(const Model &m);
bool gvrp_port_on(const Model &m, uint32_t unit, uint32_t port);
uint32_t gvrp_mode(const Model &m, uint32_t unit, uint32_t port);
void garp_times(const Model &m, uint32_t unit, uint32_t port, uint32_t cs[3]);
// Adds messages received and sent (by kel_drv_gvrp_msg) and failed
// registrations to a port's GVRP statistics.
void gvrp_count(Model &m, uint32_t unit, uint32_t port, const uint32_t *rx, const uint32_t *tx,
                uint32_t failed);

}  // namespace kelsim
