/*
 * agent.h - what kelsnmpd's parts share.
 *
 * The table engine (engine.c) answers GET, GETNEXT and SET for a table that
 * a MIB file describes once: its columns, how to find the row after an
 * index, how to read one value, and how to write a row. A scalar group is a
 * table whose one row has the index 0. The switch view (view.c) is what one
 * PDU sees of the switch: the units' port counts and each port's facts,
 * read from the driver at most once per PDU and only when a varbind needs
 * them. The driver's records and value codes stay in driver.c.
 */
#ifndef KELSNMPD_AGENT_H
#define KELSNMPD_AGENT_H

#include <stdint.h>

/* net-snmp's headers, in the order they need. */
#include <net-snmp/net-snmp-config.h>

#include <net-snmp/net-snmp-includes.h>

#include <net-snmp/agent/net-snmp-agent-includes.h>

#include <net-snmp/agent/agent_sysORTable.h>

#include "driver.h"
#include "kel.h"

#define OIDLEN(a) (sizeof(a) / sizeof((a)[0]))

/* ---- the table engine (engine.c) ---------------------------------------- */

enum mib_access { MIB_RO, MIB_RW, MIB_RC }; /* read-only, read-write, read-create */

typedef struct mib_column {
    oid id;
    u_char type; /* ASN_INTEGER, ASN_OCTET_STR, ASN_COUNTER, ASN_COUNTER64, ASN_GAUGE, ... */
    uint8_t access;
} mib_column;

/* A row's index as sub-identifiers; the longest is a VLAN id and a MAC address. */
#define MIB_INDEX_MAX 8
typedef struct mib_index {
    size_t len;
    oid o[MIB_INDEX_MAX];
} mib_index;

/* The answers of a table's functions that are not SNMP error codes. */
#define MIB_NONE (-1) /* no such row (next, read, load) */

typedef struct mib_table mib_table;
struct mib_table {
    const char *name;
    const oid *entry; /* the OID of the table's entry, or of the scalar group */
    size_t entry_len;
    const mib_column *cols; /* accessible columns by ascending id */
    size_t ncols;
    /* The first row whose index is greater than after (which may be empty,
     * partial or name no row): 0, or MIB_NONE at the end of the table. */
    int (*next)(const mib_index *after, mib_index *row, int continuing);
    /* Puts the value of column col of a row into vb: 0, or MIB_NONE when
     * the row does not exist or lacks the column. */
    int (*read)(const mib_index *row, oid col, netsnmp_variable_list *vb);

    /* Writable tables. A row's image holds everything a SET may change. */
    size_t image_size;
    /* The current image of a row: 1 it exists, 0 it does not but could be
     * created, MIB_NONE no such row can be. */
    int (*load)(const mib_index *row, void *image);
    /* Checks one value alone (type, length, range) and stores it in the
     * image: an SNMP error code, SNMP_ERR_NOERROR when it fits. */
    int (*put)(void *image, oid col, const netsnmp_variable_list *vb);
    /* Checks the new image against the old one and the switch, and may
     * complete both with what ACTION and UNDO need; on an error *col names
     * the column at fault (0: the row's first). */
    int (*check)(const mib_index *row, void *old, void *new_image, oid *col);
    /* Drives the switch from one image to another: 0, or the driver's status. */
    int (*apply)(const mib_index *row, const void *from, const void *to);
};

/* Tables that can only be read, and tables that can be written. */
#define MIB_TABLE_RO(n, e, c, nx, rd) \
    { .name = n, .entry = e, .entry_len = OIDLEN(e), .cols = c, .ncols = OIDLEN(c), .next = nx, .read = rd }
#define MIB_TABLE_RW(n, e, c, nx, rd, image, ld, pt, ck, ap)                                      \
    {                                                                                             \
        .name = n, .entry = e, .entry_len = OIDLEN(e), .cols = c, .ncols = OIDLEN(c), .next = nx, \
        .read = rd, .image_size = sizeof(image), .load = ld, .put = pt, .check = ck, .apply = ap  \
    }

/* Registers the table's handler under the entry's OID. */
void mib_register(const mib_table *t);
/* Scalar groups: the row index "0". */
int mib_scalar_next(const mib_index *after, mib_index *row, int continuing);
int mib_is_scalar(const mib_index *row);
/* The row after `after` of a table indexed by one integer, from a sorted
 * candidate function: first(from) gives the least existing key >= from. */
int mib_int_next(const mib_index *after, mib_index *row, long (*first)(unsigned long from));
/* The single integer of a one-integer index, or 0 when it is not one. */
unsigned long mib_int_index(const mib_index *row);

/* Values into a varbind, typed by the column being answered. */
int mib_int(netsnmp_variable_list *vb, long v);
int mib_uint(netsnmp_variable_list *vb, u_char type, uint32_t v);
int mib_c64(netsnmp_variable_list *vb, uint64_t v);
int mib_str(netsnmp_variable_list *vb, const void *p, size_t n);
int mib_oid(netsnmp_variable_list *vb, const oid *o, size_t n);

/* Values out of a varbind, checked against what a column allows. */
int mib_get_int(const netsnmp_variable_list *vb, long min, long max, long *out);
int mib_get_truth(const netsnmp_variable_list *vb, int *out); /* TruthValue: 1 true, 0 false */
int mib_get_str(const netsnmp_variable_list *vb, size_t min, size_t max, char *out);

/* ---- the switch as one PDU sees it (view.c) ------------------------------ */

#define MAX_PORTS (8 * 32)

/* Starts a new view when the request belongs to a PDU not seen before
 * (always for a null reqinfo); fresh: read the units' port counts anew. */
void view_begin(netsnmp_agent_request_info *reqinfo, int fresh);
/* The view of a PDU: a stamp that changes with every PDU. */
unsigned view_stamp(void);
/* Flat port indices run 1..view_ports(), unit 1's ports first. */
uint32_t view_ports(void);
int view_ifport(uint32_t idx, ifport *p); /* 0, or MIB_NONE */
uint32_t view_index(const ifport *p);     /* 0 when the port does not exist */

/* What the view knows of a port, each part read when first needed. */
enum {
    PORT_NAME = 1u << 0,
    PORT_ADMIN = 1u << 1,
    PORT_LINK = 1u << 2,
    PORT_SPEED = 1u << 3,
    PORT_KIND = 1u << 4, /* medium and stack port */
    PORT_UPTIME = 1u << 5,
    PORT_VLAN = 1u << 6,    /* own VLAN (in effect), ingress filter, frame discard */
    PORT_GVRP = 1u << 7,    /* GVRP on the port */
    PORT_SHORT = 1u << 8,   /* the short name */
    PORT_COUNTERS = 1u << 9 /* every counter (view_counter) */
};
typedef struct port_view {
    unsigned stamp;
    uint32_t have;
    ifport p;
    char name[32], short_name[16];
    uint32_t admin, link, speed, medium, stack, uptime;
    uint32_t pvid, ifilter, discard, gvrp;
    uint32_t counter[KEL_DRV_COUNTERS];
} port_view;
/* The port of flat index idx with at least the parts `want`; null when no such port. */
port_view *view_port(uint32_t idx, uint32_t want);
/* One counter of a port (KEL_DRV_CTR_*), read once per PDU. */
uint32_t view_counter(port_view *pv, unsigned counter);
/* Bridge ports are the ports that are not stack ports. */
long view_first_bridge_port(unsigned long from);
long view_first_port(unsigned long from);

/* The VLANs that exist, read once per PDU. */
const vlanlist *view_vlans(void);
int view_vlan_exists(uint32_t vid);
long view_first_vlan(unsigned long from);
uint32_t view_vlan_count(void);

/* Port sets as PortList octets (bridge port n is bit 7 - (n - 1) % 8 of
 * octet (n - 1) / 8): the length used for the whole stack, and conversions. */
size_t portlist_len(void);
void portlist_from(const iflist *l, uint8_t *out);
/* MIB_NONE when a set bit names no bridge port. */
int portlist_to(const uint8_t *in, size_t n, iflist *l);

/* The MAC address table sorted by VLAN and address (with_vlan) or by
 * address and VLAN, read at most once per PDU; a walk that goes on
 * (continuing) may use the reading of an earlier PDU of the last second. */
int mib_index_cmp(const mib_index *a, const mib_index *b);
void fdb_key(const drv_fdb *e, int with_vlan, mib_index *key);
const drv_fdb *view_fdb_next(int with_vlan, const mib_index *after, int continuing);
const drv_fdb *view_fdb_find(int with_vlan, const mib_index *key);

/* The agent's own uptime in hundredths of a second. */
uint32_t agent_ticks(void);

/* ---- the MIBs ------------------------------------------------------------ */

void if_mib_init(void);
void bridge_mib_init(void);
void qbridge_mib_init(void);
void rstp_mib_init(void);
void lag_mib_init(void);
void pae_mib_init(void);
/* Watches the ports' links for the notifications and ifLastChange. */
void if_mib_poll(unsigned int reg, void *arg);
/* The moment (agent_ticks) a port's link last changed, 0 when not seen. */
uint32_t if_last_change(uint32_t idx);

#endif
