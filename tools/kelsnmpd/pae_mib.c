/*
 * pae_mib.c - IEEE8021-PAE-MIB: 802.1X on the switch (the system's
 * switch, dot1xPaePortTable and dot1xAuthConfigTable), every bridge port
 * an authenticator port.
 *
 * A port's PAE state is read from its control and its authorization:
 * forceAuth and forceUnauth for the forced controls; under auto,
 * authenticated for an authorized port (or one in its guest VLAN) and
 * connecting for one that is not. The switch keeps no supplicant timers
 * (txPeriod, suppTimeout, maxReq) nor controlled directions other than
 * both: those objects are not offered. Writing true to
 * dot1xPaePortReauthenticate has the port authenticate again; it reads
 * false. dot1xPaePortInitialize cannot be asked of the switch and reads
 * false.
 */
#include "agent.h"

static const oid pae_mib_oid[] = {1, 0, 8802, 1, 1, 1};
static const oid system_oid[] = {1, 0, 8802, 1, 1, 1, 1, 1};
static const oid pae_port_oid[] = {1, 0, 8802, 1, 1, 1, 1, 1, 2, 1};
static const oid auth_oid[] = {1, 0, 8802, 1, 1, 1, 1, 2, 1, 1};

enum { ENABLED = 1, DISABLED = 2, TRUE_V = 1, FALSE_V = 2, AUTHORIZED = 1, UNAUTHORIZED = 2 };
enum { FORCE_UNAUTHORIZED = 1, AUTO = 2, FORCE_AUTHORIZED = 3 };
enum { CONNECTING = 3, AUTHENTICATED = 5, FORCE_AUTH = 8, FORCE_UNAUTH = 9 };

static port_view *bridge_port(const mib_index *row) {
    port_view *pv = view_port((uint32_t)mib_int_index(row), PORT_KIND);
    return pv && !pv->stack ? pv : NULL;
}

static int port_next(const mib_index *after, mib_index *row, int continuing) {
    (void)continuing;
    return mib_int_next(after, row, view_first_bridge_port);
}

/* ---- dot1xPaeSystemAuthControl --------------------------------------------- */

static const mib_column system_cols[] = {{1, ASN_INTEGER, MIB_RW}};

static int system_read(const mib_index *row, oid col, netsnmp_variable_list *vb) {
    (void)col;
    if (!mib_is_scalar(row)) return MIB_NONE;
    return mib_int(vb, drv_dot1x_enabled() ? ENABLED : DISABLED);
}

typedef struct system_image {
    long control;
} system_image;

static int system_load(const mib_index *row, void *image) {
    if (!mib_is_scalar(row)) return MIB_NONE;
    ((system_image *)image)->control = drv_dot1x_enabled() ? ENABLED : DISABLED;
    return 1;
}

static int system_put(void *image, oid col, const netsnmp_variable_list *vb) {
    (void)col;
    return mib_get_int(vb, ENABLED, DISABLED, &((system_image *)image)->control);
}

static int system_apply(const mib_index *row, const void *from, const void *to) {
    (void)row;
    const system_image *a = from, *b = to;
    return a->control == b->control ? 0 : kel_dot1x_status_set(b->control == ENABLED ? DRV_ON : DRV_OFF);
}

static const mib_table system_table =
    MIB_TABLE_RW("dot1xPaeSystemAuthControl", system_oid, system_cols, mib_scalar_next, system_read,
                 system_image, system_load, system_put, NULL, system_apply);

/* ---- dot1xPaePortTable --------------------------------------------------------- */

static const mib_column pae_port_cols[] = {{2, ASN_UNSIGNED, MIB_RO},
                                           {3, ASN_OCTET_STR, MIB_RO},
                                           {4, ASN_INTEGER, MIB_RO},
                                           {5, ASN_INTEGER, MIB_RW}};

static int pae_port_read(const mib_index *row, oid col, netsnmp_variable_list *vb) {
    static const uint8_t authenticator = 0x80; /* dot1xPaePortAuthCapable(0) */
    if (!bridge_port(row)) return MIB_NONE;
    if (col == 2) return mib_uint(vb, ASN_UNSIGNED, 2);
    if (col == 3) return mib_str(vb, &authenticator, 1);
    return mib_int(vb, FALSE_V);
}

typedef struct pae_port_image {
    int reauthenticate;
} pae_port_image;

static int pae_port_load(const mib_index *row, void *image) {
    ((pae_port_image *)image)->reauthenticate = 0;
    return bridge_port(row) ? 1 : MIB_NONE;
}

static int pae_port_put(void *image, oid col, const netsnmp_variable_list *vb) {
    (void)col;
    return mib_get_truth(vb, &((pae_port_image *)image)->reauthenticate);
}

static int pae_port_apply(const mib_index *row, const void *from, const void *to) {
    (void)from;
    port_view *pv = bridge_port(row);
    if (!pv) return MIB_NONE;
    /* Only forward: a reauthentication cannot be taken back, nor is there anything to restore. */
    return ((const pae_port_image *)to)->reauthenticate ? kel_dot1x_reauthenticate_set(&pv->p) : 0;
}

static const mib_table pae_port =
    MIB_TABLE_RW("dot1xPaePortTable", pae_port_oid, pae_port_cols, port_next, pae_port_read, pae_port_image,
                 pae_port_load, pae_port_put, NULL, pae_port_apply);

/* ---- dot1xAuthConfigTable ------------------------------------------------------ */

static const mib_column auth_cols[] = {{1, ASN_INTEGER, MIB_RO},   {5, ASN_INTEGER, MIB_RO},
                                       {6, ASN_INTEGER, MIB_RW},   {7, ASN_UNSIGNED, MIB_RW},
                                       {10, ASN_UNSIGNED, MIB_RW}, {12, ASN_UNSIGNED, MIB_RW},
                                       {13, ASN_INTEGER, MIB_RW},  {14, ASN_INTEGER, MIB_RO}};

static long control_of(uint32_t c) {
    return c == KEL_DRV_DOT1X_FORCE_AUTHORIZED     ? FORCE_AUTHORIZED
           : c == KEL_DRV_DOT1X_FORCE_UNAUTHORIZED ? FORCE_UNAUTHORIZED
                                                   : AUTO;
}

static int auth_read(const mib_index *row, oid col, netsnmp_variable_list *vb) {
    port_view *pv = bridge_port(row);
    drv_dot1x_port d;
    if (!pv || drv_dot1x_port_get(&pv->p, &d) != 0) return MIB_NONE;
    int authorized = d.auth_state == KEL_DRV_DOT1X_AUTHORIZED || d.auth_state == KEL_DRV_DOT1X_GUEST;
    long control = control_of(d.control);
    switch (col) {
        case 1:
            return mib_int(vb, control == FORCE_AUTHORIZED     ? FORCE_AUTH
                               : control == FORCE_UNAUTHORIZED ? FORCE_UNAUTH
                               : authorized                    ? AUTHENTICATED
                                                               : CONNECTING);
        case 5:
            return mib_int(vb, authorized ? AUTHORIZED : UNAUTHORIZED);
        case 6:
            return mib_int(vb, control);
        case 7:
            return mib_uint(vb, ASN_UNSIGNED, d.quiet_period);
        case 10:
            return mib_uint(vb, ASN_UNSIGNED, d.server_timeout);
        case 12:
            return mib_uint(vb, ASN_UNSIGNED, d.reauth_period);
        case 13:
            return mib_int(vb, d.reauth ? TRUE_V : FALSE_V);
        case 14:
            return mib_int(vb, FALSE_V);
    }
    return MIB_NONE;
}

typedef struct auth_image {
    long control, quiet, server, reauth_period;
    int reauth;
} auth_image;

static int auth_load(const mib_index *row, void *image) {
    auth_image *im = image;
    port_view *pv = bridge_port(row);
    drv_dot1x_port d;
    if (!pv || drv_dot1x_port_get(&pv->p, &d) != 0) return MIB_NONE;
    im->control = control_of(d.control);
    im->quiet = (long)d.quiet_period;
    im->server = (long)d.server_timeout;
    im->reauth_period = (long)d.reauth_period;
    im->reauth = d.reauth != 0;
    return 1;
}

/* A time in seconds, as the switch keeps them: quiet period 0..65535, the others 1..65535. */
static int seconds(const netsnmp_variable_list *vb, long min, long *out) {
    if (vb->type != ASN_UNSIGNED) return SNMP_ERR_WRONGTYPE;
    if (*vb->val.integer < min || *vb->val.integer > 65535) return SNMP_ERR_WRONGVALUE;
    *out = *vb->val.integer;
    return SNMP_ERR_NOERROR;
}

static int auth_put(void *image, oid col, const netsnmp_variable_list *vb) {
    auth_image *im = image;
    switch (col) {
        case 6:
            return mib_get_int(vb, FORCE_UNAUTHORIZED, FORCE_AUTHORIZED, &im->control);
        case 7:
            return seconds(vb, 0, &im->quiet);
        case 10:
            return seconds(vb, 1, &im->server);
        case 12:
            return seconds(vb, 1, &im->reauth_period);
        case 13:
            return mib_get_truth(vb, &im->reauth);
    }
    return SNMP_ERR_NOTWRITABLE;
}

static int auth_apply(const mib_index *row, const void *from, const void *to) {
    const auth_image *a = from, *b = to;
    port_view *pv = bridge_port(row);
    int st = 0;
    if (!pv) return MIB_NONE;
    if (a->control != b->control) {
        uint32_t c = b->control == FORCE_AUTHORIZED     ? KEL_DRV_DOT1X_FORCE_AUTHORIZED
                     : b->control == FORCE_UNAUTHORIZED ? KEL_DRV_DOT1X_FORCE_UNAUTHORIZED
                                                        : KEL_DRV_DOT1X_AUTO;
        if ((st = kel_dot1x_port_ctrl_set(&pv->p, c)) != 0) return st;
    }
    if (a->quiet != b->quiet && (st = kel_dot1x_quiet_period_set(&pv->p, (uint32_t)b->quiet)) != 0) return st;
    if (a->server != b->server && (st = kel_dot1x_server_timeout_set(&pv->p, (uint32_t)b->server)) != 0)
        return st;
    if (a->reauth_period != b->reauth_period &&
        (st = kel_dot1x_reauth_period_set(&pv->p, (uint32_t)b->reauth_period)) != 0)
        return st;
    if (a->reauth != b->reauth) st = kel_dot1x_reauth_enable_set(&pv->p, b->reauth ? DRV_ON : DRV_OFF);
    return st;
}

static const mib_table auth = MIB_TABLE_RW("dot1xAuthConfigTable", auth_oid, auth_cols, port_next, auth_read,
                                           auth_image, auth_load, auth_put, NULL, auth_apply);

void pae_mib_init(void) {
    mib_register(&system_table);
    mib_register(&pae_port);
    mib_register(&auth);
    register_sysORTable((oid *)pae_mib_oid, OIDLEN(pae_mib_oid), "IEEE8021-PAE-MIB: 802.1X on the switch");
}
