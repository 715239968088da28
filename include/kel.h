/*
 * kel.h - the programming interface of the switch.
 *
 * Management programs call these functions to read and change the switching
 * hardware. Every command becomes one request block (kel_ioreq) handed to the
 * switch driver through a private socket control request on the interface
 * "sw0"; the driver answers in the same block or in a caller's buffer.
 *
 * Conventions every function follows unless its comment says otherwise:
 *   - The result is 0 for success or a negative code (KEL_ERR_*, -1 for a
 *     failed control request, or the driver's own nonzero status unchanged).
 *   - Outputs are copied back whenever the output pointer is not null, also
 *     after a failure (a word the driver did not write then reads 0). A null
 *     output pointer only skips that copy; the request is still sent.
 *   - Input records (ifport, MAC address, walk index) must be valid pointers.
 *   - Predicates (kel_is_...) answer 1 or 0 and report no error.
 *   - Call kel_io_init() once before the first command; until then every
 *     command returns KEL_ERR_IO and sends nothing.
 *   - The library keeps no state but the channel descriptor and takes no lock;
 *     every function may be called from several threads at once.
 *
 * The header compiles as C99 and as C++.
 */
#ifndef KEL_H
#define KEL_H

#include <stddef.h>
#include <stdint.h>

#if defined(KEL_STATIC)
#define KEL_API
#elif defined(__GNUC__)
#define KEL_API __attribute__((visibility("default")))
#else
#define KEL_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ------------------------------------------------------------------------ */
/* Result codes                                                             */
/* ------------------------------------------------------------------------ */

#define KEL_OK 0
#define KEL_ERR_NOT_FOUND (-6) /* no such entry, or no further entry of a walk */
#define KEL_ERR_FORMAT (-7)    /* a text does not parse */
#define KEL_ERR_IO (-11)       /* the driver channel is not open */
#define KEL_ERR_PARAM (-15)    /* null pointer, out-of-range or unsupported argument */
#define KEL_ERR_LENGTH (-19)   /* an interface name too short or too long */
#define KEL_ERR_NO_IF (-102)   /* the name names no interface of this system */

/* ------------------------------------------------------------------------ */
/* Shared records                                                           */
/* ------------------------------------------------------------------------ */

/* The address of one port: unit 1..8, slot always 0, port from 1. Written
 * "%d/%d/%d". Only unit and port are ever sent to the driver. */
typedef struct ifport {
    int32_t unit;
    int32_t slot;
    int32_t port;
} ifport;

/* A set of ports, one 32-bit word per unit in native byte order: port p of
 * unit u is bit (p - 1) of word u - 1, counted from the least significant
 * bit. A unit holds at most 32 ports in a list. */
#define KEL_IFLIST_WORDS 8
typedef struct iflist {
    uint32_t word[KEL_IFLIST_WORDS];
} iflist;

/* A set of VLAN ids 1..4094: VLAN v is bit (v - 1) % 32 of word (v - 1) / 32.
 * 512 bytes; the bits of 4095 and 4096 exist but lie outside the VLAN range. */
#define KEL_VLANLIST_WORDS 128
#define KEL_VLAN_MIN 1
#define KEL_VLAN_MAX 4094
typedef struct vlanlist {
    uint32_t word[KEL_VLANLIST_WORDS];
} vlanlist;

/* The record the driver writes for one VLAN (kel_vlan_get). The library reads
 * only the four port sets; the rest of the record is the driver's. */
#define KEL_VLANINFO_SIZE 240
typedef struct vlaninfo {
    uint32_t head[10]; /* bytes 0..39: the driver's */
    iflist set[4];     /* bytes 40, 72, 104, 136: four port sets */
    uint8_t tail[72];  /* bytes 168..239: the driver's */
} vlaninfo;

/* The port information record the driver writes for kel_system_port_info_get. */
#define KEL_PORTINFO_SIZE 1268
#define KEL_PORTINFO_UNIT 40            /* i32: unit of the port described */
#define KEL_PORTINFO_PORT 48            /* i32: port of the port described */
#define KEL_PORTINFO_FLAGS 52           /* u32: port kind flags */
#define KEL_PORT_FLAG_STACK 0x80000000u /* bit 31: stack port */
#define KEL_PORT_FLAG_FE 0x20000000u    /* bit 29: Fast Ethernet port */
#define KEL_PORT_FLAG_GE 0x10000000u    /* bit 28: Gigabit Ethernet port */

/*
 * The request block: 25 words of 32 bits in native byte order, 100 bytes on
 * the 32-bit target. Every request starts zeroed; the named command-specific
 * words carry the same kind of value in every family that uses them.
 *
 * Addresses: buf carries the address of a caller's buffer. On builds whose
 * addresses are 64 bits wide, an address's low 32 bits stay at its offset
 * and its high 32 bits go in the next word: buf low at 88 and high at 92
 * (buf_hi), and the second address of kel_acl_get low at 96 (rec) and high
 * at 100 (rec_hi). The block is then 104 bytes; every other word keeps its
 * offset. On the 32-bit target buf_hi is an unused zero word.
 */
typedef struct kel_ioreq {
    uint32_t cmd;     /*  0 family << 8 | operation */
    int32_t status;   /*  4 written by the driver: 0 or its own error code */
    uint32_t sel;     /*  8 selector, type or mode */
    uint32_t unit;    /* 12 stack unit */
    uint32_t port;    /* 16 port within the unit */
    uint32_t vid;     /* 20 VLAN id */
    uint32_t trunk;   /* 24 trunk id */
    uint32_t session; /* 28 mirror session */
    uint32_t queue;   /* 32 CoS queue */
    uint32_t list;    /* 36 access list number */
    uint32_t index;   /* 40 walk index, MST instance, RADIUS slot, boot id */
    uint32_t value;   /* 44 value of most settings */
    uint32_t param;   /* 48 criteria, policy or filter parameter */
    uint32_t prio;    /* 52 priority */
    uint32_t aux;     /* 56 second rate word */
    uint32_t rate;    /* 60 rate */
    uint32_t count;   /* 64 count, time, number; 1 = yes in yes/no queries */
    uint32_t addr;    /* 68 IPv4 address, network byte order */
    uint32_t mask;    /* 72 IPv4 mask, network byte order */
    uint8_t mac[6];   /* 76 MAC address, byte 0 first */
    uint8_t pad[2];   /* 82 zero */
    uint32_t len;     /* 84 size of the caller's buffer, where a command states one */
    uint32_t buf;     /* 88 address of the caller's buffer (low 32 bits) */
    uint32_t buf_hi;  /* 92 high 32 bits of buf on 64-bit builds */
    uint32_t rec;     /* 96 address of the record of kel_acl_get (low 32 bits) */
#if UINTPTR_MAX > 0xFFFFFFFFu
    uint32_t rec_hi; /* 100 high 32 bits of rec on 64-bit builds */
#endif
} kel_ioreq;

/* The private socket control request that carries a kel_ioreq (SIOCDEVPRIVATE). */
#define KEL_IOCTL_REQUEST 0x89F0u
/* The network interface of the switch driver. */
#define KEL_IFNAME "sw0"

/* ------------------------------------------------------------------------ */
/* Driver channel and error text                                            */
/* ------------------------------------------------------------------------ */

/* Opens the process-wide channel to the driver; 0 when it is open afterwards
 * (also when it already was), KEL_ERR_IO when the socket would not open. Safe
 * to call from several threads at once; the channel stays open until exit. */
KEL_API int32_t kel_io_init(void);
/* Sends one control request for "sw0" with data as its data pointer; returns
 * the system call's result (0 or -1), KEL_ERR_IO when the channel is closed. */
KEL_API int32_t kel_ioctl(uint32_t request, void *data);

typedef struct kel_errtext {
    int32_t code;
    const char *text;
} kel_errtext;
/* The table of error texts: exactly one entry, {0, "no error"}. */
KEL_API extern const kel_errtext kel_error[1];
/* "no error" for 0, "unknown error number" for any other code. */
KEL_API const char *kel_errstr(int32_t code);

/* ------------------------------------------------------------------------ */
/* Text and number helpers, CRC-32                                          */
/* ------------------------------------------------------------------------ */

/* The name to show for the current user ($USER, "unknown" when unset, "root"
 * shown as "admin"); never null. */
KEL_API const char *kel_user(void);
/* Strict decimal: leading blanks (space, tab, backspace), one optional '-',
 * digits to the end, arithmetic modulo 2^32. KEL_ERR_PARAM for null or empty
 * text, KEL_ERR_FORMAT for any other character; *value untouched on error. */
KEL_API int32_t kel_atoi(const char *text, int32_t *value);
/* Isolates the first word of text in place; null when there is none. */
KEL_API char *kel_strtrim(char *text);
/* The reflected CRC-32 (ISO-HDLC / IEEE 802.3 polynomial 0xEDB88320). */
KEL_API extern const uint32_t crc_table[256];
/* CRC-32 of len bytes continued from the previous CRC (start with 0). */
KEL_API uint32_t kel_crc32(uint32_t crc, const uint8_t *buf, uint32_t len);

/* ------------------------------------------------------------------------ */
/* MAC and IPv4 address helpers                                             */
/* ------------------------------------------------------------------------ */

/* 1 when text is exactly "hhhh.hhhh.hhhh" (hexadecimal digits, any case). */
KEL_API int32_t kel_is_mac_addr(const char *text);
/* MAC text to 6 bytes; KEL_ERR_PARAM for null or malformed text (mac untouched). */
KEL_API int32_t kel_mac_addr_get(const char *text, uint8_t mac[6]);
KEL_API int32_t kel_is_ucast_mac_addr(const uint8_t mac[6]);
KEL_API int32_t kel_is_bcast_mac_addr(const uint8_t mac[6]);
/* Neither unicast nor broadcast (the all-zero address included). */
KEL_API int32_t kel_is_mcast_mac_addr(const uint8_t mac[6]);
/* "a.b.c.d[/n]" to address and mask (network byte order); without "/n" the
 * mask is all ones. Only the low 8 bits of n count (/288 is /32). KEL_ERR_PARAM
 * for null text, a prefix above 32, an address part of 128 characters or more,
 * or one that inet_aton refuses; nothing is written then. Null outputs are
 * skipped. */
KEL_API int32_t kel_ippref2ipmask(const char *text, uint32_t *addr, uint32_t *mask);
/* Dotted text to an address in network byte order; KEL_ERR_PARAM when it does
 * not convert (*addr untouched). */
KEL_API int32_t kel_ip_addr_get(const char *text, uint32_t *addr);

/* ------------------------------------------------------------------------ */
/* Interface names                                                          */
/* ------------------------------------------------------------------------ */

/* Short name ("fa1/0/1") of a port; out must hold at least 8 bytes. */
KEL_API int32_t kel_ifname_short_get(const ifport *p, char *out, int32_t out_len);
/* Long name ("fastethernet1/0/1") of a port, as the driver reports it. */
KEL_API int32_t kel_ifname_long_get(const ifport *p, char *buf, uint32_t len);
/* Port name (long or short, any case) to ifport: 0, KEL_ERR_PARAM,
 * KEL_ERR_LENGTH (not 7..31 characters), KEL_ERR_FORMAT or KEL_ERR_NO_IF. */
KEL_API int32_t kel_ifname2ifport(const char *name, ifport *p);
/* "sw0.N" gives N; any other name the management VLAN. KEL_ERR_PARAM for null. */
KEL_API int32_t kel_ifname2vlan(const char *name, int32_t *vid);
/* "sw0" for the management VLAN, "sw0.N" otherwise; out must hold 9 bytes.
 * KEL_ERR_PARAM (nothing written) for a null out or vid outside 1..4094. */
KEL_API int32_t kel_vlan2ifname(int32_t vid, char *out);
/* The leading letters abbreviate "fastethernet" or "gigabitethernet" in lower
 * case, at least two of them ("fa", "gigabit"); asks the driver nothing. */
KEL_API int32_t kel_is_portname_prefix(const char *name);
/* kel_ifname2ifport accepts name, and a name beginning "fa" ("gi") names a
 * Fast (Gigabit) Ethernet port. */
KEL_API int32_t kel_is_portname_suffix(const char *name);
/* Both of the above: a whole port name with a lower-case media word. */
KEL_API int32_t kel_is_port_ifname(const char *name);
/* "fa1/0/1-24": both ends name ports of the same media word, neither a stack
 * port, first below last; the ports between are not looked at. */
KEL_API int32_t kel_is_portrange_ifname(const char *text);
/* "vlan" and one to four characters; the suffix test reads those as a number
 * 1..4094 (kel_atoi's rules); kel_is_vlan_ifname is both. */
KEL_API int32_t kel_is_vlanname_prefix(const char *name);
KEL_API int32_t kel_is_vlanname_suffix(const char *name);
KEL_API int32_t kel_is_vlan_ifname(const char *name);
/* Exactly "lo" or "sw0". */
KEL_API int32_t kel_is_system_ifname(const char *name);
/* Flat port index (1-based over the whole stack, unit 1's ports first) to
 * ifport and back, by the port counts the driver reports now;
 * KEL_ERR_NOT_FOUND beyond the last unit. */
KEL_API int32_t kel_iftab_idx2ifport(int32_t idx, ifport *p);
KEL_API int32_t kel_iftab_ifport2idx(const ifport *p, int32_t *idx);

/* ------------------------------------------------------------------------ */
/* Port lists and VLAN lists                                                */
/* ------------------------------------------------------------------------ */

/* Counting, walking and the full test see only the ports that exist now (the
 * driver is asked for each unit's port count); the empty test sees every bit.
 * A walk starts from the cursor {0, 0, 0} and ends at KEL_ERR_NOT_FOUND. */
KEL_API uint32_t kel_iflist_port_count(const iflist *list);
KEL_API int32_t kel_iflist_port_get1st(const iflist *list, ifport *p);
KEL_API int32_t kel_iflist_port_getnext(const iflist *list, ifport *cursor);
KEL_API int32_t kel_iflist_is_full(const iflist *list);
KEL_API int32_t kel_iflist_is_empty(const iflist *list);
/* The full test and the walk use VLANs 1..4094; the empty test every bit. */
KEL_API int32_t kel_vlanlist_is_full(const vlanlist *list);
KEL_API int32_t kel_vlanlist_is_empty(const vlanlist *list);
/* The next VLAN above *vid (start from 0); KEL_ERR_PARAM for *vid above 4094. */
KEL_API int32_t kel_vlanlist_id_getnext(const vlanlist *list, int32_t *vid);
/* 1 when both ports exist and belong to the same port sets of every VLAN the
 * driver lists and can describe. Allocates (and frees) one 512-byte list. */
KEL_API int32_t kel_port_vlans_is_equal(const ifport *a, const ifport *b);

/* ------------------------------------------------------------------------ */
/* Command-line argument parsers                                            */
/* ------------------------------------------------------------------------ */

/* Keyword codes written by the keyword parsers. */
#define KEL_CLI_DISABLE 0
#define KEL_CLI_ENABLE 1
#define KEL_CLI_PERMIT 1
#define KEL_CLI_DENY 2
#define KEL_CLI_PROT_IP 4
#define KEL_CLI_PROT_TCP 17
#define KEL_CLI_PROT_UDP 18
#define KEL_CLI_PROT_ICMP 19

/* "fa1/0/1-4,gi1/0/25" to a port list: KEL_ERR_PARAM, KEL_ERR_FORMAT or KEL_ERR_NO_IF. */
KEL_API int32_t kel_cli_iflist_get(const char *text, iflist *out);
/* "1-10,20" to a VLAN list: KEL_ERR_PARAM or KEL_ERR_FORMAT. */
KEL_API int32_t kel_cli_vlanlist_get(const char *text, vlanlist *out);
KEL_API int32_t kel_cli_vlan_id_get(const char *text, uint32_t *vid);
KEL_API int32_t kel_cli_stack_id_get(const char *text, uint32_t *id);
KEL_API int32_t kel_cli_stack_prio_get(const char *text, uint32_t *prio);
KEL_API int32_t kel_cli_cosq_prio_get(const char *text, uint32_t *prio);
KEL_API int32_t kel_cli_ipaddr_get(const char *text, uint32_t *addr);
KEL_API int32_t kel_cli_tcpudp_port_get(const char *text, uint32_t *port);
KEL_API int32_t kel_cli_icmp_typecode_get(const char *text, uint32_t *value);
KEL_API int32_t kel_cli_enable_get(const char *text, uint32_t *enable);
KEL_API int32_t kel_cli_acl_action_get(const char *text, uint32_t *action);
KEL_API int32_t kel_cli_acl_ipprot_get(const char *text, uint32_t *prot);
/* Splits [user[:password]@]host[:port][/path] in place. */
KEL_API int32_t kel_cli_url_tokenize(char *url, char **user, char **password, char **host, char **port,
                                     char **path);

/* ------------------------------------------------------------------------ */
/* System commands (family 0x00)                                            */
/* ------------------------------------------------------------------------ */

KEL_API int32_t kel_ifport_name_get(const ifport *p, char *name, uint32_t size);
KEL_API int32_t kel_system_nr_ports_get(uint32_t *count);
KEL_API int32_t kel_system_mac_addr_get(uint8_t *mac);
KEL_API int32_t kel_system_ip_mask_set(uint32_t ip, uint32_t mask);
KEL_API int32_t kel_system_ip_mask_get(uint32_t *ip, uint32_t *mask);
KEL_API int32_t kel_system_vlan_id_set(uint32_t vid);
KEL_API int32_t kel_system_vlan_id_get(uint32_t *vid);
/* info must hold KEL_PORTINFO_SIZE bytes. */
KEL_API int32_t kel_system_port_info_get(const ifport *p, void *info);
KEL_API int32_t kel_is_system_ifport(const ifport *p);
KEL_API int32_t kel_is_system_feport(const ifport *p);
KEL_API int32_t kel_is_system_geport(const ifport *p);
KEL_API int32_t kel_system_reboot(void);
KEL_API int32_t kel_system_startup_complete(void);
KEL_API int32_t kel_lib_is_system_ready(void);
KEL_API int32_t kel_system_upgrade(void);
KEL_API int32_t kel_is_system_upgrade(void);

/* ------------------------------------------------------------------------ */
/* Stacking commands (family 0x01)                                          */
/* ------------------------------------------------------------------------ */

KEL_API int32_t kel_stack_nr_ports_get(uint32_t unit, uint32_t *count);
KEL_API int32_t kel_switch_stack_id_set(uint32_t id);
KEL_API int32_t kel_switch_stack_id_get(uint32_t *id);
KEL_API int32_t kel_stack_priority_set(uint32_t unit, uint32_t prio);
KEL_API int32_t kel_switch_master_ipmask_set(uint32_t ip, uint32_t mask);
KEL_API int32_t kel_switch_master_ipmask_get(uint32_t *ip, uint32_t *mask);
KEL_API int32_t kel_switch_stack_ipmask_set(uint32_t unit, uint32_t ip, uint32_t mask);
KEL_API int32_t kel_switch_stack_ipmask_get(uint32_t unit, uint32_t *ip, uint32_t *mask);
KEL_API int32_t kel_stack_info_get(uint32_t unit, void *info);
KEL_API int32_t kel_stack_discover_startup(void);
KEL_API int32_t kel_is_stack_discover(void);
KEL_API int32_t kel_stack_firmware_sync_set(void);
KEL_API int32_t kel_stack_firmware_sync_get(uint32_t *value);
KEL_API int32_t kel_is_stack_master(void);
KEL_API int32_t kel_is_switch_stackable(void);
KEL_API int32_t kel_is_stack_smart_port(const ifport *p);

/* ------------------------------------------------------------------------ */
/* Maintenance: trace log (0x02), line protocol (0x18), cable diagnostics   */
/* (0x19), watchdog (0x1A), crash dump (0x1B), DHCP client (0x1C), private  */
/* show records (0x1E)                                                      */
/* ------------------------------------------------------------------------ */

KEL_API int32_t kel_tracelog_type_set(uint32_t type, uint32_t value);
KEL_API int32_t kel_tracelog_level_set(uint32_t level);
KEL_API int32_t kel_line_proto_port_set(const ifport *p, uint32_t value);
KEL_API int32_t kel_line_proto_port_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_line_loopback_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_cablediag_get(const ifport *p, void *result);
KEL_API int32_t kel_watchdog_set(uint32_t value);
KEL_API int32_t kel_watchdog_get(uint32_t *value);
KEL_API int32_t kel_watchdog_timer_reset(void);
KEL_API int32_t kel_watchdog_stat_reset(void);
KEL_API int32_t kel_watchdog_stat_get(uint32_t *value);
KEL_API int32_t kel_crashdump_boot_id_set(uint32_t id);
/* Sends 0x1B03 when flag is nonzero, 0x1B02 when it is 0. */
KEL_API int32_t kel_crashdump_test(uint32_t flag);
KEL_API int32_t kel_dhcp_client_state_set(uint32_t state);
KEL_API int32_t kel_dhcp_client_state_get(uint32_t *state);
KEL_API int32_t kel_show_private_led(void *out, uint32_t size);
KEL_API int32_t kel_show_private_health(void *out, uint32_t size);
KEL_API int32_t kel_show_private_model(void *out, uint32_t size);

/* ------------------------------------------------------------------------ */
/* Port commands (family 0x05)                                              */
/* ------------------------------------------------------------------------ */

KEL_API int32_t kel_port_uptime_get(const ifport *p, uint32_t *uptime);
KEL_API int32_t kel_port_trunk_id_get(const ifport *p, uint32_t *trunk_id);
KEL_API int32_t kel_port_mirror_get(const ifport *p, uint32_t *session, uint32_t *value);
KEL_API int32_t kel_port_medium_get(const ifport *p, uint32_t *medium);
KEL_API int32_t kel_port_linkstat_get(const ifport *p, uint32_t *linkstat);
KEL_API int32_t kel_port_stp_get(const ifport *p, uint32_t *state);
KEL_API int32_t kel_port_admin_set(const ifport *p, uint32_t admin);
KEL_API int32_t kel_port_admin_get(const ifport *p, uint32_t *admin);
KEL_API int32_t kel_port_vlan_mode_set(const ifport *p, uint32_t vid, uint32_t mode);
KEL_API int32_t kel_port_vlan_mode_get(const ifport *p, uint32_t *vid, uint32_t *mode);
KEL_API int32_t kel_port_admin_vlan_get(const ifport *p, uint32_t *vid);
KEL_API int32_t kel_port_oper_vlan_get(const ifport *p, uint32_t *vid);
KEL_API int32_t kel_port_allow_vlans_add(const ifport *p, const vlanlist *vlans, uint32_t type);
KEL_API int32_t kel_port_allow_vlans_del(const ifport *p, const vlanlist *vlans);
KEL_API int32_t kel_port_allow_vlans_get(const ifport *p, vlanlist *vlans, uint32_t type);
KEL_API int32_t kel_port_autoneg_set(const ifport *p, uint32_t autoneg);
KEL_API int32_t kel_port_autoneg_get(const ifport *p, uint32_t *autoneg);
KEL_API int32_t kel_port_duplex_set(const ifport *p, uint32_t duplex);
KEL_API int32_t kel_port_duplex_get(const ifport *p, uint32_t *duplex);
KEL_API int32_t kel_port_speed_set(const ifport *p, uint32_t speed);
KEL_API int32_t kel_port_speed_get(const ifport *p, uint32_t *speed);
KEL_API int32_t kel_port_flowctrl_set(const ifport *p, uint32_t flowctrl);
KEL_API int32_t kel_port_flowctrl_get(const ifport *p, uint32_t *flowctrl);
KEL_API int32_t kel_port_priority_set(const ifport *p, uint32_t priority);
KEL_API int32_t kel_port_priority_get(const ifport *p, uint32_t *priority);
KEL_API int32_t kel_port_block_set(const ifport *p, uint32_t type, uint32_t block);
KEL_API int32_t kel_port_block_get(const ifport *p, uint32_t type, uint32_t *block);
KEL_API int32_t kel_port_ifilter_set(const ifport *p, uint32_t ifilter);
KEL_API int32_t kel_port_ifilter_get(const ifport *p, uint32_t *ifilter);
KEL_API int32_t kel_port_discard_set(const ifport *p, uint32_t discard);
KEL_API int32_t kel_port_discard_get(const ifport *p, uint32_t *discard);
KEL_API int32_t kel_port_mdix_set(const ifport *p, uint32_t mdix);
KEL_API int32_t kel_port_mdix_get(const ifport *p, uint32_t *mdix);

/* ------------------------------------------------------------------------ */
/* Port statistics (family 0x0C): every getter returns 0 whatever happens;  */
/* a failed read shows as a counter of 0.                                   */
/* ------------------------------------------------------------------------ */

KEL_API int32_t kel_stats_rxocts_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_rxucast_pkts_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_rxnucast_pkts_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_rxdiscard_pkts_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_rxerror_pkts_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_unknownproto_pkts_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_txocts_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_txucast_pkts_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_txnucast_pkts_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_txdiscard_pkts_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_txerror_pkts_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_txqlen_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_delay_exceed_discard_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_mtu_exceed_discard_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_in_frame_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_out_frame_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_in_discard_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_dropevent_pkts_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_rxmcast_pkts_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_rxbcast_pkts_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_usize_pkts_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_frag_pkts_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_64octs_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_65_127octs_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_128_255octs_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_256_511octs_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_512_1023octs_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_1024_1518octs_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_osize_pkts_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_jabber_pkts_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_collision_pkts_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_crcalignerr_pkts_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_alignerror_pkts_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_singlecoll_pkts_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_multicoll_pkts_get(const ifport *p, uint32_t *value);
KEL_API int32_t kel_stats_port_get(const ifport *p, void *stats);

/* ------------------------------------------------------------------------ */
/* MAC address table (family 0x03)                                          */
/* ------------------------------------------------------------------------ */

/* Entry kinds of kel_arl_getnext. */
#define KEL_ARL_WALK_1 1
#define KEL_ARL_WALK_2 2
#define KEL_ARL_WALK_4 4
/* Entry kinds of the flushes by MAC, VLAN and port. */
#define KEL_ARL_FLUSH_2 2
#define KEL_ARL_FLUSH_3 3
/* The index the driver answers when a walk has no further entry. */
#define KEL_WALK_END 65535u

KEL_API int32_t kel_arl_age_time_set(uint32_t time);
KEL_API int32_t kel_arl_age_time_get(uint32_t *time);
KEL_API int32_t kel_static_arl_add(const uint8_t *mac, uint32_t vid, const ifport *p);
KEL_API int32_t kel_static_arl_del(const uint8_t *mac, uint32_t vid, const ifport *p);
/* type 1, 2 or 4 (else KEL_ERR_PARAM, nothing sent); KEL_ERR_NOT_FOUND at the
 * end of the table, *index then keeps its value. */
KEL_API int32_t kel_arl_getnext(uint32_t *index, int32_t type, void *entry);
KEL_API int32_t kel_arl_getpage(uint32_t *index, uint32_t sel, void *page);
KEL_API int32_t kel_arl_freeze_set(uint32_t value);
KEL_API int32_t kel_arl_freeze_get(uint32_t *value);
KEL_API int32_t kel_dynamic_arl_del(void);
/* type 3 or 2 (else KEL_ERR_PARAM, nothing sent). */
KEL_API int32_t kel_arl_del_by_mac(const uint8_t *mac, int32_t type);
KEL_API int32_t kel_arl_del_by_vlan(uint32_t vid, int32_t type);
KEL_API int32_t kel_arl_del_by_port(const ifport *p, int32_t type);

/* ------------------------------------------------------------------------ */
/* VLANs (family 0x06)                                                      */
/* ------------------------------------------------------------------------ */

KEL_API int32_t kel_vlan_create(uint32_t vid);
KEL_API int32_t kel_vlan_destroy(uint32_t vid);
KEL_API int32_t kel_vlanlist_get(vlanlist *vlans);
KEL_API int32_t kel_vlan_get(uint32_t vid, vlaninfo *info);
KEL_API int32_t kel_vlan_name_set(uint32_t vid, const char *name, uint32_t len);
KEL_API int32_t kel_vlan_name_get(uint32_t vid, char *name, uint32_t len);
KEL_API int32_t kel_vlan_get_by_name(const char *name, vlaninfo *info);

/* ------------------------------------------------------------------------ */
/* Multicast table (family 0x04)                                            */
/* ------------------------------------------------------------------------ */

KEL_API int32_t kel_static_mcast_add(const uint8_t mac[6], uint32_t vid, uint32_t priority,
                                     const iflist *ports);
KEL_API int32_t kel_static_mcast_del(const uint8_t mac[6], uint32_t vid);
KEL_API int32_t kel_static_mcast_ports_del(const uint8_t mac[6], uint32_t vid, const iflist *ports);
KEL_API int32_t kel_mcast_get(const uint8_t mac[6], uint32_t vid, void *entry);
KEL_API int32_t kel_mcast_getnext(uint32_t *cursor, void *entry);
KEL_API int32_t kel_static_mcast_getnext(uint32_t *cursor, void *entry);

/* ------------------------------------------------------------------------ */
/* Trunks (family 0x07) and LACP (family 0x11)                              */
/* ------------------------------------------------------------------------ */

KEL_API int32_t kel_static_trunk_set(uint32_t trunk_id, const iflist *ports);
KEL_API int32_t kel_dynamic_trunk_set(uint32_t trunk_id, const iflist *ports);
KEL_API int32_t kel_trunk_get(uint32_t trunk_id, void *info);
KEL_API int32_t kel_trunk_destroy(uint32_t trunk_id);
KEL_API int32_t kel_trunk_criteria_set(uint32_t trunk_id, uint32_t criteria);
KEL_API int32_t kel_trunk_criteria_get(uint32_t trunk_id, uint32_t *criteria);
KEL_API int32_t kel_is_static_trunk_port(const ifport *p);
KEL_API int32_t kel_is_dynamic_trunk_port(const ifport *p);
KEL_API int32_t kel_lacp_sys_prio_set(uint32_t priority);
KEL_API int32_t kel_lacp_sys_prio_get(uint32_t *priority);
KEL_API int32_t kel_lacp_port_prio_set(const ifport *p, uint32_t priority);
KEL_API int32_t kel_lacp_port_prio_get(const ifport *p, uint32_t *priority);
KEL_API int32_t kel_lacp_info_get(uint32_t trunk_id, void *info);

/* ------------------------------------------------------------------------ */
/* Mirroring (0x08), CoS queues (0x09), rate limits (0x0A), storm control   */
/* (0x0B)                                                                   */
/* ------------------------------------------------------------------------ */

/* A null p sends unit 0 and port 0 (no monitor port). */
KEL_API int32_t kel_mirror_monitor_set(uint32_t session, const ifport *p);
KEL_API int32_t kel_mirror_monitor_get(uint32_t session, ifport *p);
KEL_API int32_t kel_mirror_mirrored_set(uint32_t session, const ifport *p, uint32_t mode);
KEL_API int32_t kel_mirror_mirrored_get(uint32_t session, uint32_t mode, iflist *ports);
KEL_API int32_t kel_mirror_session_get(uint32_t session, void *info);
KEL_API int32_t kel_cosq_map_set(uint32_t priority, uint32_t queue);
KEL_API int32_t kel_cosq_map_reset(void);
KEL_API int32_t kel_cosq_map_get(uint32_t priority, uint32_t *queue);
KEL_API int32_t kel_cosq_policy_set(uint32_t policy, const void *params, uint32_t len);
KEL_API int32_t kel_cosq_policy_get(uint32_t *policy, void *params, uint32_t len);
KEL_API int32_t kel_qos_tx_rate_set(const ifport *p, uint32_t rate, uint32_t aux);
KEL_API int32_t kel_qos_tx_rate_get(const ifport *p, uint32_t *rate, uint32_t *aux);
KEL_API int32_t kel_qos_rx_rate_set(const ifport *p, uint32_t rate, uint32_t aux);
KEL_API int32_t kel_qos_rx_rate_get(const ifport *p, uint32_t *rate, uint32_t *aux);
KEL_API int32_t kel_storm_ctrl_set(const ifport *p, uint32_t type, uint32_t rate);
KEL_API int32_t kel_storm_ctrl_get(const ifport *p, uint32_t type, uint32_t *rate);

/* ------------------------------------------------------------------------ */
/* Spanning tree (family 0x0E) and MST (family 0x0F)                        */
/* ------------------------------------------------------------------------ */

KEL_API int32_t kel_stp_control_set(uint32_t on);
KEL_API int32_t kel_stp_mode_set(uint32_t mode);
KEL_API int32_t kel_stp_bridge_info_get(void *info);
KEL_API int32_t kel_stp_port_info_get(const ifport *p, void *info);
KEL_API int32_t kel_stp_max_age_set(uint32_t value);
KEL_API int32_t kel_stp_forward_delay_set(uint32_t value);
KEL_API int32_t kel_stp_hello_time_set(uint32_t value);
/* Sends a record holding t1, t2, t3 at its offsets 44, 48, 52. */
KEL_API int32_t kel_stp_bridge_times_set(uint32_t t1, uint32_t t2, uint32_t t3);
KEL_API int32_t kel_stp_bridge_prio_set(uint32_t prio);
KEL_API int32_t kel_stp_tx_hold_count_set(uint32_t count);
KEL_API int32_t kel_stp_port_prio_set(const ifport *p, uint32_t prio);
KEL_API int32_t kel_stp_port_path_cost_set(const ifport *p, uint32_t cost);
KEL_API int32_t kel_stp_port_edge_port_set(const ifport *p, uint32_t on);
KEL_API int32_t kel_stp_port_link_type_set(const ifport *p, uint32_t type);
KEL_API int32_t kel_stp_port_bpdu_guard_set(const ifport *p, uint32_t on);
KEL_API int32_t kel_stp_uplink_fast_set(uint32_t on);
KEL_API int32_t kel_mst_bridge_info_get(uint32_t instance, void *info);
KEL_API int32_t kel_mst_port_info_get(uint32_t instance, const ifport *p, void *info);
KEL_API int32_t kel_mst_info_get(void *info);
KEL_API int32_t kel_mst_instance_get(uint32_t instance, void *rec);
KEL_API int32_t kel_mst_instance_set(uint32_t instance, const void *rec);
KEL_API int32_t kel_mst_name_set(const char *name);
KEL_API int32_t kel_mst_revision_set(uint32_t revision);
KEL_API int32_t kel_mst_bridge_prio_set(uint32_t instance, uint32_t prio);
KEL_API int32_t kel_mst_port_prio_set(uint32_t instance, const ifport *p, uint32_t prio);
KEL_API int32_t kel_mst_port_path_cost_set(uint32_t instance, const ifport *p, uint32_t cost);
KEL_API int32_t kel_mst_max_hops_set(uint32_t hops);

/* ------------------------------------------------------------------------ */
/* 802.1X port authentication (family 0x10)                                 */
/* ------------------------------------------------------------------------ */

KEL_API int32_t kel_dot1x_status_set(uint32_t on);
KEL_API int32_t kel_dot1x_authentic_set(uint32_t method);
KEL_API int32_t kel_dot1x_sys_info_get(void *info);
KEL_API int32_t kel_dot1x_port_ctrl_set(const ifport *p, uint32_t ctrl);
KEL_API int32_t kel_dot1x_port_info_get(const ifport *p, void *info);
/* 1 when word 4 of the port's 802.1X record is 2. */
KEL_API int32_t kel_is_dot1x_enable_port(const ifport *p);
/* 1 when word 16 of the port's 802.1X record is 0 (also when the query fails). */
KEL_API int32_t kel_is_dot1x_singlehost_port(const ifport *p);
KEL_API int32_t kel_dot1x_reauth_enable_set(const ifport *p, uint32_t on);
KEL_API int32_t kel_dot1x_reauthenticate_set(const ifport *p);
KEL_API int32_t kel_dot1x_reauth_period_set(const ifport *p, uint32_t period);
KEL_API int32_t kel_dot1x_quiet_period_set(const ifport *p, uint32_t period);
KEL_API int32_t kel_dot1x_server_timeout_set(const ifport *p, uint32_t timeout);
KEL_API int32_t kel_dot1x_multi_host_set(const ifport *p, uint32_t on);
KEL_API int32_t kel_dot1x_guest_vlan_set(const ifport *p, uint32_t vid);
/* The key is cut at 16 characters. */
KEL_API int32_t kel_dot1x_radius_set(uint32_t index, uint32_t addr, const char *key, uint32_t udp_port);
KEL_API int32_t kel_dot1x_radius_del(uint32_t index);
KEL_API int32_t kel_dot1x_radius_get(uint32_t index, void *rec);
/* Name and password are each cut at 64 characters. */
KEL_API int32_t kel_dot1x_user_set(const char *name, const char *password, uint32_t value);
KEL_API int32_t kel_dot1x_user_del(const char *name);
KEL_API int32_t kel_dot1x_user_getnext(uint32_t *cursor, void *rec);

/* ------------------------------------------------------------------------ */
/* Access control lists (family 0x0D)                                       */
/* ------------------------------------------------------------------------ */

KEL_API int32_t kel_acl_create(const char *name, uint32_t type, uint32_t *number);
KEL_API int32_t kel_acl_destroy(const char *name);
KEL_API int32_t kel_acl_get(const char *name, void *rec);
KEL_API int32_t kel_acl_getnext(uint32_t *cursor, uint32_t type, void *rec);
KEL_API int32_t kel_acl_filter_install(const char *name, uint32_t sel, const ifport *p);
KEL_API int32_t kel_acl_filter_remove(uint32_t sel, const ifport *p);
KEL_API int32_t kel_acl_filter_getnext(uint32_t *cursor, uint32_t number, void *rec);
KEL_API int32_t kel_acl_mac_filter_add(uint32_t number, const void *filter, uint32_t param,
                                       const ifport *egress);
KEL_API int32_t kel_acl_mac_filter_del(uint32_t number, const void *filter, uint32_t param,
                                       const ifport *egress);
KEL_API int32_t kel_acl_ip_filter_add(uint32_t number, const void *filter, uint32_t param,
                                      const ifport *egress);
KEL_API int32_t kel_acl_ip_filter_del(uint32_t number, const void *filter, uint32_t param,
                                      const ifport *egress);
KEL_API int32_t kel_is_acl_attach_port(const ifport *p);
KEL_API int32_t kel_is_filter_egress_port(const ifport *p);

/* ------------------------------------------------------------------------ */
/* Port security (family 0x17)                                              */
/* ------------------------------------------------------------------------ */

KEL_API int32_t kel_portsecu_enable_set(const ifport *p, uint32_t on);
KEL_API int32_t kel_portsecu_mac_set(const ifport *p, const uint8_t *mac);
KEL_API int32_t kel_portsecu_mac_del(const ifport *p, const uint8_t *mac);
KEL_API int32_t kel_portsecu_mac_getnext(uint32_t *cursor, const ifport *p, uint32_t type, void *rec);
KEL_API int32_t kel_portsecu_maxaddr_set(const ifport *p, uint32_t max);
KEL_API int32_t kel_portsecu_violation_set(const ifport *p, uint32_t action);
KEL_API int32_t kel_portsecu_age_time_set(const ifport *p, uint32_t time);
KEL_API int32_t kel_portsecu_age_type_set(const ifport *p, uint32_t type);
KEL_API int32_t kel_portsecu_shutdown_set(const ifport *p, uint32_t value);
KEL_API int32_t kel_portsecu_port_reup(const ifport *p);
/* A null p sends unit 0 and port 0. */
KEL_API int32_t kel_portsecu_dynamic_mac_if_clear(const ifport *p);
KEL_API int32_t kel_portsecu_dynamic_mac_clear(const uint8_t *mac);
KEL_API int32_t kel_portsecu_info_get(const ifport *p, void *info);
KEL_API int32_t kel_is_portsecu_enable_port(const ifport *p);

/* ------------------------------------------------------------------------ */
/* GARP (0x12), GVRP (0x13), IGMP snooping (0x15), DHCP snooping (0x16)     */
/* ------------------------------------------------------------------------ */

KEL_API int32_t kel_garp_port_times_set(const ifport *p, const void *times);
KEL_API int32_t kel_garp_port_times_get(const ifport *p, void *times);
KEL_API int32_t kel_gvrp_status_set(uint32_t on);
KEL_API int32_t kel_gvrp_status_get(uint32_t *on);
KEL_API int32_t kel_gvrp_port_set(const ifport *p, uint32_t on);
KEL_API int32_t kel_gvrp_port_get(const ifport *p, uint32_t *on);
KEL_API int32_t kel_gvrp_port_mode_set(const ifport *p, uint32_t mode);
KEL_API int32_t kel_gvrp_port_mode_get(const ifport *p, uint32_t *mode);
KEL_API int32_t kel_gvrp_port_stats_get(const ifport *p, void *stats);
KEL_API int32_t kel_gvrp_port_stats_clear(const ifport *p);
KEL_API int32_t kel_igmpsnoop_status_set(uint32_t on);
KEL_API int32_t kel_igmpsnoop_status_get(uint32_t *on);
KEL_API int32_t kel_igmpsnoop_lmqi_set(uint32_t interval);
KEL_API int32_t kel_igmpsnoop_lmqi_get(uint32_t *interval);
KEL_API int32_t kel_igmpsnoop_vlan_set(uint32_t vid, uint32_t on);
KEL_API int32_t kel_igmpsnoop_vlan_get(uint32_t vid, uint32_t *on);
KEL_API int32_t kel_igmpsnoop_ileave_set(uint32_t vid, uint32_t on);
KEL_API int32_t kel_igmpsnoop_ileave_get(uint32_t vid, uint32_t *on);
KEL_API int32_t kel_igmpsnoop_vlan_list_get(vlanlist *list);
KEL_API int32_t kel_igmpsnoop_ileave_list_get(vlanlist *list);
KEL_API int32_t kel_dhcpsnoop_status_set(uint32_t on);
KEL_API int32_t kel_dhcpsnoop_status_get(uint32_t *on);
KEL_API int32_t kel_dhcpsnoop_vlan_set(uint32_t vid, uint32_t on);
KEL_API int32_t kel_dhcpsnoop_vlan_get(uint32_t vid, uint32_t *on);
KEL_API int32_t kel_dhcpsnoop_vlanlist_set(const vlanlist *list);
KEL_API int32_t kel_dhcpsnoop_vlanlist_get(vlanlist *list);
KEL_API int32_t kel_dhcpsnoop_trust_set(const ifport *p, uint32_t on);
KEL_API int32_t kel_dhcpsnoop_trust_get(const ifport *p, uint32_t *on);
KEL_API int32_t kel_dhcpsnoop_bind_getnext(uint32_t *cursor, void *rec);

#ifdef __cplusplus
}
#endif

#endif /* KEL_H */
