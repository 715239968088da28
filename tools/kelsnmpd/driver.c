/*
 * driver.c - the driver's records in the agent's terms; the one file of
 * kelsnmpd that reads how the driver lays out what it fills.
 */
#include <string.h>

#include "driver.h"

void drv_port_counters(const ifport *p, uint32_t counter[KEL_DRV_COUNTERS]) {
    kel_drv_stats s;
    memset(&s, 0, sizeof s);
    kel_stats_port_get(p, &s); /* a port that cannot be read counts 0 */
    memcpy(counter, s.counter, sizeof s.counter);
}

void drv_vlan_sets(const vlaninfo *info, iflist *egress, iflist *untagged, iflist *forbidden) {
    if (egress) *egress = info->set[KEL_DRV_VLAN_MEMBERS];
    if (untagged) *untagged = info->set[KEL_DRV_VLAN_UNTAGGED];
    if (forbidden) *forbidden = info->set[KEL_DRV_VLAN_FORBIDDEN];
}

size_t drv_fdb_read(drv_fdb *out, size_t max) {
    static kel_drv_arl_page page;
    uint32_t index = 0;
    size_t n = 0;
    for (;;) {
        memset(&page, 0, sizeof page);
        uint32_t at = index;
        int32_t st = kel_arl_getpage(&index, KEL_DRV_ARL_WALK_ALL, &page);
        for (uint32_t i = 0; i < page.count && i < KEL_DRV_ARL_PAGE_ENTRIES && n < max; ++i, ++n) {
            const kel_drv_arl_entry *e = &page.entry[i];
            memcpy(out[n].mac, e->mac, sizeof out[n].mac);
            out[n].vid = (uint16_t)e->vid;
            out[n].port.unit = (int32_t)e->unit;
            out[n].port.slot = 0;
            out[n].port.port = (int32_t)e->port;
            out[n].is_static = e->kind == KEL_DRV_ARL_STATIC;
        }
        if (st != 0 || page.count == 0 || n >= max || index == at) return n;
    }
}

int drv_stp_bridge_get(drv_stp_bridge *b) {
    kel_drv_stp_bridge r;
    memset(&r, 0, sizeof r);
    int st = kel_stp_bridge_info_get(&r);
    memset(b, 0, sizeof *b);
    if (st != 0) return st;
    b->enabled = r.enabled;
    b->mode = r.mode;
    b->priority = r.priority;
    b->max_age = r.max_age;
    b->hello_time = r.hello_time;
    b->forward_delay = r.forward_delay;
    b->tx_hold_count = r.tx_hold_count;
    b->root_priority = r.root_priority;
    b->root_cost = r.root_cost;
    b->root_port = r.root_port;
    memcpy(b->mac, r.mac, sizeof b->mac);
    memcpy(b->root_mac, r.root_mac, sizeof b->root_mac);
    return 0;
}

int drv_stp_times_set(uint32_t max_age, uint32_t hello_time, uint32_t forward_delay) {
    /* The bridge-times record holds max age, hello time, forward delay in this order. */
    return kel_stp_bridge_times_set(max_age, hello_time, forward_delay);
}

int drv_stp_port_get(const ifport *p, drv_stp_port *sp) {
    kel_drv_stp_port r;
    memset(&r, 0, sizeof r);
    int st = kel_stp_port_info_get(p, &r);
    memset(sp, 0, sizeof *sp);
    if (st != 0) return st;
    sp->priority = r.priority;
    sp->path_cost = r.path_cost;
    sp->oper_cost = r.oper_cost;
    sp->edge = r.edge;
    sp->link_type = r.link_type;
    sp->state = r.state;
    sp->role = r.role;
    return 0;
}

int drv_trunk_get(uint32_t id, drv_trunk *t) {
    kel_drv_trunk r;
    memset(&r, 0, sizeof r);
    memset(t, 0, sizeof *t);
    int st = kel_trunk_get(id, &r);
    if (st != 0) return st;
    t->dynamic = r.kind == KEL_DRV_TRUNK_DYNAMIC;
    t->members = r.members;
    return 0;
}

int drv_lacp_member(uint32_t trunk, const ifport *p, uint32_t *state, uint32_t *priority) {
    kel_drv_lacp r;
    memset(&r, 0, sizeof r);
    int st = kel_lacp_info_get(trunk, &r);
    if (st != 0) return st;
    for (uint32_t i = 0; i < r.count && i < KEL_DRV_LACP_MEMBERS; ++i)
        if (r.member[i].unit == (uint32_t)p->unit && r.member[i].port == (uint32_t)p->port) {
            *state = r.member[i].state;
            *priority = r.member[i].priority;
            return 0;
        }
    return KEL_ERR_NOT_FOUND;
}

int drv_dot1x_enabled(void) {
    kel_drv_dot1x_sys r;
    memset(&r, 0, sizeof r);
    return kel_dot1x_sys_info_get(&r) == 0 && r.enabled;
}

int drv_dot1x_port_get(const ifport *p, drv_dot1x_port *d) {
    kel_drv_dot1x_port r;
    memset(&r, 0, sizeof r);
    memset(d, 0, sizeof *d);
    int st = kel_dot1x_port_info_get(p, &r);
    if (st != 0) return st;
    d->control = r.control;
    d->auth_state = r.auth_state;
    d->reauth = r.reauth;
    d->reauth_period = r.reauth_period;
    d->quiet_period = r.quiet_period;
    d->server_timeout = r.server_timeout;
    return 0;
}
