/*
 * driver.h - what kelsnmpd reads of the switch driver beyond the library's
 * own contract, in the agent's terms: the records of the counters, the
 * VLANs, the MAC address table and the spanning tree. Their layouts and
 * the value codes of the driver's words are the driver's header's
 * (kel_driver.h); driver.c is the one file of the agent that reads a
 * record's layout.
 */
#ifndef KELSNMPD_DRIVER_H
#define KELSNMPD_DRIVER_H

#include <stdint.h>

#include "kel.h"
#include "kel_driver.h"

/* Words the driver's header describes without a name of their own. */
enum { DRV_OFF = 0, DRV_ON = 1, DRV_ADMIN_DOWN = 0, DRV_ADMIN_UP = 1, DRV_LINK_UP = 1 };

/* Every counter of a port, by KEL_DRV_CTR_* (all 0 when they cannot be read). */
void drv_port_counters(const ifport *p, uint32_t counter[KEL_DRV_COUNTERS]);

/* The port sets of a VLAN record as the bridge MIBs see them. */
void drv_vlan_sets(const vlaninfo *info, iflist *egress, iflist *untagged, iflist *forbidden);

/* One entry of the MAC address table. */
typedef struct drv_fdb {
    uint8_t mac[6];
    uint16_t vid;
    ifport port;
    int is_static;
} drv_fdb;
/* The whole table, at most max entries: how many were read. */
size_t drv_fdb_read(drv_fdb *out, size_t max);
#define DRV_FDB_MAX 8192

/* The spanning tree's bridge and one port; times in seconds. */
typedef struct drv_stp_bridge {
    uint32_t enabled, mode, priority, max_age, hello_time, forward_delay, tx_hold_count;
    uint32_t root_priority, root_cost, root_port;
    uint8_t mac[6], root_mac[6];
} drv_stp_bridge;
int drv_stp_bridge_get(drv_stp_bridge *b);
/* The three bridge times at once, as the driver checks them together. */
int drv_stp_times_set(uint32_t max_age, uint32_t hello_time, uint32_t forward_delay);

typedef struct drv_stp_port {
    uint32_t priority, path_cost, oper_cost, edge, link_type, state, role;
} drv_stp_port;
int drv_stp_port_get(const ifport *p, drv_stp_port *sp);

/* A trunk: 0 and its kind and members, or the driver's status. */
typedef struct drv_trunk {
    int dynamic;
    iflist members;
} drv_trunk;
int drv_trunk_get(uint32_t id, drv_trunk *t);
/* A member's LACP actor state and priority in a dynamic trunk: 0, or the driver's status. */
int drv_lacp_member(uint32_t trunk, const ifport *p, uint32_t *state, uint32_t *priority);

/* 802.1X: the switch-wide switch and one port's settings and state. */
int drv_dot1x_enabled(void);
typedef struct drv_dot1x_port {
    uint32_t control, auth_state, reauth, reauth_period, quiet_period, server_timeout;
} drv_dot1x_port;
int drv_dot1x_port_get(const ifport *p, drv_dot1x_port *d);

#endif
