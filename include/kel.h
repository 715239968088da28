/**
 * @file kel.h
 * @brief The programming interface of the switch.
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
 * Every command names its request by a code (family << 8 | operation) and
 * the words of the block it sets and reads by their offsets in kel_ioreq:
 * "word 44" is the value word. A command on a port sends the port's unit and
 * port in words 12 and 16. Records the driver fills or reads travel by
 * address in buf (word 88); their layouts are the driver's (kel_driver.h).
 *
 * The header compiles as C99 and as C++.
 */
#ifndef KEL_H
#define KEL_H

#include <stddef.h>
#include <stdint.h>

/** @def KEL_API
 * Marks what libkel.so exports: the library is built with every other name
 * hidden. Defined empty when KEL_STATIC is defined. */
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
/** @defgroup kel_results Result codes
 * The negative codes of the library itself; -1 is a failed control request and
 * any other nonzero result the driver's own status.
 * @{ */

#define KEL_OK 0               /**< success */
#define KEL_ERR_NOT_FOUND (-6) /**< no such entry, or no further entry of a walk */
#define KEL_ERR_FORMAT (-7)    /**< a text does not parse */
#define KEL_ERR_IO (-11)       /**< the driver channel is not open */
#define KEL_ERR_PARAM (-15)    /**< null pointer, out-of-range or unsupported argument */
#define KEL_ERR_LENGTH (-19)   /**< an interface name too short or too long */
#define KEL_ERR_NO_IF (-102)   /**< the name names no interface of this system */

/** @} */

/* ------------------------------------------------------------------------ */
/* Shared records                                                           */
/* ------------------------------------------------------------------------ */
/** @defgroup kel_records Shared records
 * Ports, port lists, VLAN lists, the VLAN record, the port information record
 * and the request block.
 * @{ */

/** The address of one port: unit 1..8, slot always 0, port from 1. Written
 * "%d/%d/%d". Only unit and port are ever sent to the driver. */
typedef struct ifport {
    int32_t unit; /**< stack unit, 1..8 */
    int32_t slot; /**< always 0; never sent */
    int32_t port; /**< port within the unit, from 1 */
} ifport;

#define KEL_IFLIST_WORDS 8 /**< words of an iflist: one per unit */
/** A set of ports, one 32-bit word per unit in native byte order: port p of
 * unit u is bit (p - 1) of word u - 1, counted from the least significant
 * bit. A unit holds at most 32 ports in a list. */
typedef struct iflist {
    uint32_t word[KEL_IFLIST_WORDS]; /**< word u - 1: the ports of unit u */
} iflist;

#define KEL_VLANLIST_WORDS 128 /**< words of a vlanlist */
#define KEL_VLAN_MIN 1         /**< the lowest VLAN id */
#define KEL_VLAN_MAX 4094      /**< the highest VLAN id */
/** A set of VLAN ids 1..4094: VLAN v is bit (v - 1) % 32 of word (v - 1) / 32.
 * 512 bytes; the bits of 4095 and 4096 exist but lie outside the VLAN range. */
typedef struct vlanlist {
    uint32_t word[KEL_VLANLIST_WORDS]; /**< VLAN v: bit (v - 1) % 32 of word (v - 1) / 32 */
} vlanlist;

#define KEL_VLANINFO_SIZE 240 /**< bytes of a vlaninfo */
/** The record the driver writes for one VLAN (kel_vlan_get). The library reads
 * only the four port sets; the rest of the record is the driver's. */
typedef struct vlaninfo {
    uint32_t head[10]; /**< bytes 0..39: the driver's */
    iflist set[4];     /**< bytes 40, 72, 104, 136: four port sets */
    uint8_t tail[72];  /**< bytes 168..239: the driver's */
} vlaninfo;

/** Bytes of the port information record the driver writes for
 * kel_system_port_info_get; below, the words the library reads of it. */
#define KEL_PORTINFO_SIZE 1268
#define KEL_PORTINFO_UNIT 40            /**< i32: unit of the port described */
#define KEL_PORTINFO_PORT 48            /**< i32: port of the port described */
#define KEL_PORTINFO_FLAGS 52           /**< u32: port kind flags */
#define KEL_PORT_FLAG_STACK 0x80000000u /**< bit 31: stack port */
#define KEL_PORT_FLAG_FE 0x20000000u    /**< bit 29: Fast Ethernet port */
#define KEL_PORT_FLAG_GE 0x10000000u    /**< bit 28: Gigabit Ethernet port */

/**
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
    uint32_t cmd;     /**<  0 family << 8 | operation */
    int32_t status;   /**<  4 written by the driver: 0 or its own error code */
    uint32_t sel;     /**<  8 selector, type or mode */
    uint32_t unit;    /**< 12 stack unit */
    uint32_t port;    /**< 16 port within the unit */
    uint32_t vid;     /**< 20 VLAN id */
    uint32_t trunk;   /**< 24 trunk id */
    uint32_t session; /**< 28 mirror session */
    uint32_t queue;   /**< 32 CoS queue */
    uint32_t list;    /**< 36 access list number */
    uint32_t index;   /**< 40 walk index, MST instance, RADIUS slot, boot id */
    uint32_t value;   /**< 44 value of most settings */
    uint32_t param;   /**< 48 criteria, policy or filter parameter */
    uint32_t prio;    /**< 52 priority */
    uint32_t aux;     /**< 56 second rate word */
    uint32_t rate;    /**< 60 rate */
    uint32_t count;   /**< 64 count, time, number; 1 = yes in yes/no queries */
    uint32_t addr;    /**< 68 IPv4 address, network byte order */
    uint32_t mask;    /**< 72 IPv4 mask, network byte order */
    uint8_t mac[6];   /**< 76 MAC address, byte 0 first */
    uint8_t pad[2];   /**< 82 zero */
    uint32_t len;     /**< 84 size of the caller's buffer, where a command states one */
    uint32_t buf;     /**< 88 address of the caller's buffer (low 32 bits) */
    uint32_t buf_hi;  /**< 92 high 32 bits of buf on 64-bit builds */
    uint32_t rec;     /**< 96 address of the record of kel_acl_get (low 32 bits) */
#if UINTPTR_MAX > 0xFFFFFFFFu
    uint32_t rec_hi; /**< 100 high 32 bits of rec on 64-bit builds */
#endif
} kel_ioreq;

/** The private socket control request that carries a kel_ioreq (SIOCDEVPRIVATE). */
#define KEL_IOCTL_REQUEST 0x89F0u
/** The network interface of the switch driver. */
#define KEL_IFNAME "sw0"

/** @} */

/* ------------------------------------------------------------------------ */
/* Driver channel and error text                                            */
/* ------------------------------------------------------------------------ */
/** @defgroup kel_io Driver channel and error text
 * Opening the channel to the driver, sending a request block, and the error
 * texts.
 * @{ */

/** Opens the process-wide channel to the driver; 0 when it is open afterwards
 * (also when it already was), KEL_ERR_IO when the socket would not open. Safe
 * to call from several threads at once; the channel stays open until exit. */
KEL_API int32_t kel_io_init(void);
/** Sends one control request for "sw0" with data as its data pointer; returns
 * the system call's result (0 or -1), KEL_ERR_IO when the channel is closed. */
KEL_API int32_t kel_ioctl(uint32_t request, void *data);

/** One entry of the table of error texts. */
typedef struct kel_errtext {
    int32_t code;     /**< the result code */
    const char *text; /**< its text */
} kel_errtext;
/** The table of error texts: exactly one entry, {0, "no error"}. */
KEL_API extern const kel_errtext kel_error[1];
/** "no error" for 0, "unknown error number" for any other code. */
KEL_API const char *kel_errstr(int32_t code);

/** @} */

/* ------------------------------------------------------------------------ */
/* Text and number helpers, CRC-32                                          */
/* ------------------------------------------------------------------------ */
/** @defgroup kel_text Text and number helpers, CRC-32
 * The user name, strict decimal numbers, words in place, and CRC-32.
 * @{ */

/** The name to show for the current user ($USER, "unknown" when unset, "root"
 * shown as "admin"); never null. */
KEL_API const char *kel_user(void);
/** Strict decimal: leading blanks (space, tab, backspace), one optional '-',
 * digits to the end, arithmetic modulo 2^32. KEL_ERR_PARAM for null or empty
 * text, KEL_ERR_FORMAT for any other character; *value untouched on error. */
KEL_API int32_t kel_atoi(const char *text, int32_t *value);
/** Isolates the first word of text in place; null when there is none. */
KEL_API char *kel_strtrim(char *text);
/** The reflected CRC-32 (ISO-HDLC / IEEE 802.3 polynomial 0xEDB88320). */
KEL_API extern const uint32_t crc_table[256];
/** CRC-32 of len bytes continued from the previous CRC (start with 0). */
KEL_API uint32_t kel_crc32(uint32_t crc, const uint8_t *buf, uint32_t len);

/** @} */

/* ------------------------------------------------------------------------ */
/* MAC and IPv4 address helpers                                             */
/* ------------------------------------------------------------------------ */
/** @defgroup kel_addr MAC and IPv4 address helpers
 * MAC address text and kinds, IPv4 addresses and prefixes.
 * @{ */

/** 1 when text is exactly "hhhh.hhhh.hhhh" (hexadecimal digits, any case). */
KEL_API int32_t kel_is_mac_addr(const char *text);
/** MAC text to 6 bytes; KEL_ERR_PARAM for null or malformed text (mac untouched). */
KEL_API int32_t kel_mac_addr_get(const char *text, uint8_t mac[6]);
/** 1 when mac is a unicast address: the group bit (bit 0 of byte 0) clear
 * and not all zero; 0 for null. */
KEL_API int32_t kel_is_ucast_mac_addr(const uint8_t mac[6]);
/** 1 when all six bytes of mac are 0xFF; 0 for null. */
KEL_API int32_t kel_is_bcast_mac_addr(const uint8_t mac[6]);
/** Neither unicast nor broadcast (the all-zero address included). */
KEL_API int32_t kel_is_mcast_mac_addr(const uint8_t mac[6]);
/** "a.b.c.d[/n]" to address and mask (network byte order); without "/n" the
 * mask is all ones. Only the low 8 bits of n count (/288 is /32). KEL_ERR_PARAM
 * for null text, a prefix above 32, an address part of 128 characters or more,
 * or one that inet_aton refuses; nothing is written then. Null outputs are
 * skipped. */
KEL_API int32_t kel_ippref2ipmask(const char *text, uint32_t *addr, uint32_t *mask);
/** Dotted text to an address in network byte order; KEL_ERR_PARAM when it does
 * not convert (*addr untouched). */
KEL_API int32_t kel_ip_addr_get(const char *text, uint32_t *addr);

/** @} */

/* ------------------------------------------------------------------------ */
/* Interface names                                                          */
/* ------------------------------------------------------------------------ */
/** @defgroup kel_ifname Interface names
 * Port names (long and short), VLAN interface names, the system's interfaces
 * and flat port indexes.
 * @{ */

/** Short name ("fa1/0/1") of a port; out must hold at least 8 bytes. */
KEL_API int32_t kel_ifname_short_get(const ifport *p, char *out, int32_t out_len);
/** Long name ("fastethernet1/0/1") of a port, as the driver reports it. */
KEL_API int32_t kel_ifname_long_get(const ifport *p, char *buf, uint32_t len);
/** Port name (long or short, any case) to ifport: 0, KEL_ERR_PARAM,
 * KEL_ERR_LENGTH (not 7..31 characters), KEL_ERR_FORMAT or KEL_ERR_NO_IF. */
KEL_API int32_t kel_ifname2ifport(const char *name, ifport *p);
/** "sw0.N" gives N; any other name the management VLAN. KEL_ERR_PARAM for null. */
KEL_API int32_t kel_ifname2vlan(const char *name, int32_t *vid);
/** "sw0" for the management VLAN, "sw0.N" otherwise; out must hold 9 bytes.
 * KEL_ERR_PARAM (nothing written) for a null out or vid outside 1..4094. */
KEL_API int32_t kel_vlan2ifname(int32_t vid, char *out);
/** The leading letters abbreviate "fastethernet" or "gigabitethernet" in lower
 * case, at least two of them ("fa", "gigabit"); asks the driver nothing. */
KEL_API int32_t kel_is_portname_prefix(const char *name);
/** kel_ifname2ifport accepts name, and a name beginning "fa" ("gi") names a
 * Fast (Gigabit) Ethernet port. */
KEL_API int32_t kel_is_portname_suffix(const char *name);
/** Both of the above: a whole port name with a lower-case media word. */
KEL_API int32_t kel_is_port_ifname(const char *name);
/** "fa1/0/1-24": both ends name ports of the same media word, neither a stack
 * port, first below last; the ports between are not looked at. */
KEL_API int32_t kel_is_portrange_ifname(const char *text);
/** 1 when name begins "vlan" and has one to four characters after it
 * ("vlan1" to "vlan4094"). */
KEL_API int32_t kel_is_vlanname_prefix(const char *name);
/** 1 when the characters after "vlan" (one to four of them) read as a number
 * 1..4094 by kel_atoi's rules; the first four characters are not looked at. */
KEL_API int32_t kel_is_vlanname_suffix(const char *name);
/** Both of the above: a VLAN interface name "vlanN", N 1..4094. */
KEL_API int32_t kel_is_vlan_ifname(const char *name);
/** Exactly "lo" or "sw0". */
KEL_API int32_t kel_is_system_ifname(const char *name);
/** Flat port index (1-based over the whole stack, unit 1's ports first) to
 * ifport, by the port counts the driver reports now; KEL_ERR_NOT_FOUND beyond
 * the last unit. */
KEL_API int32_t kel_iftab_idx2ifport(int32_t idx, ifport *p);
/** The flat port index of p (the reverse of kel_iftab_idx2ifport), by the
 * port counts the driver reports now; KEL_ERR_NOT_FOUND when p lies beyond
 * the ports that exist. */
KEL_API int32_t kel_iftab_ifport2idx(const ifport *p, int32_t *idx);

/** @} */

/* ------------------------------------------------------------------------ */
/* Port lists and VLAN lists                                                */
/* ------------------------------------------------------------------------ */
/** @defgroup kel_lists Port lists and VLAN lists
 * Counting, walking and testing iflist and vlanlist sets.
 *
 * Counting, walking and the full test of a port list see only the ports that
 * exist now (the driver is asked for each unit's port count); the empty test
 * sees every bit. A walk starts from the cursor {0, 0, 0} and ends at
 * KEL_ERR_NOT_FOUND.
 * @{ */

/** The number of ports of list that exist now; 0 for null. */
KEL_API uint32_t kel_iflist_port_count(const iflist *list);
/** The first port of list that exists now, unit by unit: 0 and *p,
 * KEL_ERR_NOT_FOUND for none, KEL_ERR_PARAM for a null argument. */
KEL_API int32_t kel_iflist_port_get1st(const iflist *list, ifport *p);
/** The next port of list after *cursor (start from {0, 0, 0}) into *cursor;
 * KEL_ERR_NOT_FOUND after the last, KEL_ERR_PARAM for a null argument. */
KEL_API int32_t kel_iflist_port_getnext(const iflist *list, ifport *cursor);
/** 1 when list holds every port that exists now (each unit's count asked of
 * the driver); 0 for null. */
KEL_API int32_t kel_iflist_is_full(const iflist *list);
/** 1 when no bit of list is set (ports that do not exist included; no
 * request is sent); 1 for null. */
KEL_API int32_t kel_iflist_is_empty(const iflist *list);
/** 1 when list holds every VLAN 1..4094 (the bits of 4095 and 4096 are not
 * looked at); 0 for null. */
KEL_API int32_t kel_vlanlist_is_full(const vlanlist *list);
/** 1 when no bit of list is set, those of 4095 and 4096 included; 1 for
 * null. */
KEL_API int32_t kel_vlanlist_is_empty(const vlanlist *list);
/** The next VLAN above *vid (start from 0); KEL_ERR_PARAM for *vid above 4094. */
KEL_API int32_t kel_vlanlist_id_getnext(const vlanlist *list, int32_t *vid);
/** 1 when both ports exist and belong to the same port sets of every VLAN the
 * driver lists and can describe. Allocates (and frees) one 512-byte list. */
KEL_API int32_t kel_port_vlans_is_equal(const ifport *a, const ifport *b);

/** @} */

/* ------------------------------------------------------------------------ */
/* Command-line argument parsers                                            */
/* ------------------------------------------------------------------------ */
/** @defgroup kel_cli Command-line argument parsers
 * The shell's parsers of port lists, VLAN lists, numbers in range, addresses,
 * keywords and URLs. A result is written only on success.
 * @{ */

/* Keyword codes written by the keyword parsers. */
#define KEL_CLI_DISABLE 0    /**< "disable" (kel_cli_enable_get) */
#define KEL_CLI_ENABLE 1     /**< "enable" (kel_cli_enable_get) */
#define KEL_CLI_PERMIT 1     /**< "permit" (kel_cli_acl_action_get) */
#define KEL_CLI_DENY 2       /**< "deny" (kel_cli_acl_action_get) */
#define KEL_CLI_PROT_IP 4    /**< "ip" (kel_cli_acl_ipprot_get) */
#define KEL_CLI_PROT_TCP 17  /**< "tcp" (kel_cli_acl_ipprot_get) */
#define KEL_CLI_PROT_UDP 18  /**< "udp" (kel_cli_acl_ipprot_get) */
#define KEL_CLI_PROT_ICMP 19 /**< "icmp" (kel_cli_acl_ipprot_get) */

/** "fa1/0/1-4,gi1/0/25" to a port list: KEL_ERR_PARAM, KEL_ERR_FORMAT or KEL_ERR_NO_IF. */
KEL_API int32_t kel_cli_iflist_get(const char *text, iflist *out);
/** "1-10,20" to a VLAN list: KEL_ERR_PARAM or KEL_ERR_FORMAT. */
KEL_API int32_t kel_cli_vlanlist_get(const char *text, vlanlist *out);
/** A VLAN id 1..3000 (kel_atoi's rules) into *vid; KEL_ERR_PARAM otherwise. */
KEL_API int32_t kel_cli_vlan_id_get(const char *text, uint32_t *vid);
/** A stack unit number 1..8 into *id; KEL_ERR_PARAM otherwise. */
KEL_API int32_t kel_cli_stack_id_get(const char *text, uint32_t *id);
/** A stack priority 1..8 into *prio; KEL_ERR_PARAM otherwise. */
KEL_API int32_t kel_cli_stack_prio_get(const char *text, uint32_t *prio);
/** A CoS priority 0..7 into *prio; KEL_ERR_PARAM otherwise. */
KEL_API int32_t kel_cli_cosq_prio_get(const char *text, uint32_t *prio);
/** A dotted IPv4 host address into *addr (network byte order); KEL_ERR_PARAM
 * for null, for text that does not convert, and for a last byte of 0 or 255. */
KEL_API int32_t kel_cli_ipaddr_get(const char *text, uint32_t *addr);
/** A TCP or UDP port 1..65535 into *port; KEL_ERR_PARAM otherwise. */
KEL_API int32_t kel_cli_tcpudp_port_get(const char *text, uint32_t *port);
/** An ICMP type or code 0..255 into *value; KEL_ERR_PARAM otherwise. */
KEL_API int32_t kel_cli_icmp_typecode_get(const char *text, uint32_t *value);
/** "en..." gives KEL_CLI_ENABLE, "di..." KEL_CLI_DISABLE (the first two
 * characters decide, case matters); KEL_ERR_PARAM for anything else. */
KEL_API int32_t kel_cli_enable_get(const char *text, uint32_t *enable);
/** "pe..." gives KEL_CLI_PERMIT, "de..." KEL_CLI_DENY (the first two
 * characters decide); KEL_ERR_PARAM for anything else. */
KEL_API int32_t kel_cli_acl_action_get(const char *text, uint32_t *action);
/** "ip...", "tc...", "ud...", "ic..." give KEL_CLI_PROT_IP, _TCP, _UDP,
 * _ICMP (the first two characters decide); KEL_ERR_PARAM for anything else. */
KEL_API int32_t kel_cli_acl_ipprot_get(const char *text, uint32_t *prot);
/** Splits [user[:password]@]host[:port][/path] in place. */
KEL_API int32_t kel_cli_url_tokenize(char *url, char **user, char **password, char **host, char **port,
                                     char **path);

/** @} */

/* ------------------------------------------------------------------------ */
/* System commands (family 0x00)                                            */
/* ------------------------------------------------------------------------ */
/** @defgroup kel_system System commands (family 0x00)
 * Port names and information, the port count, the switch's MAC address, the
 * management address and VLAN, reboot, start-up, upgrade.
 * @{ */

/** The long name of port p, as the driver writes it into name: request
 * 0x0001, name and its size in buf and len. */
KEL_API int32_t kel_ifport_name_get(const ifport *p, char *name, uint32_t size);
/** The number of ports of the whole stack: request 0x0002, *count from word
 * 64. */
KEL_API int32_t kel_system_nr_ports_get(uint32_t *count);
/** The switch's MAC address: request 0x0003, the six bytes of word 76 into
 * mac. */
KEL_API int32_t kel_system_mac_addr_get(uint8_t *mac);
/** Sets the management IPv4 address and mask (network byte order): request
 * 0x0004, words 68 and 72. */
KEL_API int32_t kel_system_ip_mask_set(uint32_t ip, uint32_t mask);
/** The management IPv4 address and mask: request 0x0005, *ip from word 68,
 * *mask from word 72. */
KEL_API int32_t kel_system_ip_mask_get(uint32_t *ip, uint32_t *mask);
/** Sets the management VLAN: request 0x0006, vid in word 20. */
KEL_API int32_t kel_system_vlan_id_set(uint32_t vid);
/** The management VLAN: request 0x0007, *vid from word 20. */
KEL_API int32_t kel_system_vlan_id_get(uint32_t *vid);
/** The port information record of p (kel_drv_portinfo of kel_driver.h) into
 * info, which must hold KEL_PORTINFO_SIZE bytes: request 0x0008. */
KEL_API int32_t kel_system_port_info_get(const ifport *p, void *info);
/** 1 when the port information record (request 0x0008) describes p itself,
 * with a nonzero unit and port; 0 otherwise and for null. */
KEL_API int32_t kel_is_system_ifport(const ifport *p);
/** 1 when p's port information record (request 0x0008) describes p and flags
 * it Fast Ethernet (KEL_PORT_FLAG_FE); 0 otherwise and for null. */
KEL_API int32_t kel_is_system_feport(const ifport *p);
/** 1 when p's port information record (request 0x0008) describes p and flags
 * it Gigabit Ethernet (KEL_PORT_FLAG_GE); 0 otherwise and for null. */
KEL_API int32_t kel_is_system_geport(const ifport *p);
/** Restarts the switch: request 0x0009. */
KEL_API int32_t kel_system_reboot(void);
/** Tells the driver that start-up is complete: request 0x000A. */
KEL_API int32_t kel_system_startup_complete(void);
/** 1 when the driver answers 1 at word 64 to request 0x000B (the system is
 * ready), else 0. */
KEL_API int32_t kel_lib_is_system_ready(void);
/** Starts a firmware upgrade: request 0x000C. */
KEL_API int32_t kel_system_upgrade(void);
/** 1 when the driver answers 1 at word 64 to request 0x000D (an upgrade is
 * under way), else 0. */
KEL_API int32_t kel_is_system_upgrade(void);

/** @} */

/* ------------------------------------------------------------------------ */
/* Stacking commands (family 0x01)                                          */
/* ------------------------------------------------------------------------ */
/** @defgroup kel_stack Stacking commands (family 0x01)
 * Units, their port counts, priorities and addresses, discovery and firmware
 * synchronisation.
 * @{ */

/** The number of ports of a unit: request 0x0101, unit in word 12, *count
 * from word 64. */
KEL_API int32_t kel_stack_nr_ports_get(uint32_t unit, uint32_t *count);
/** Sets this switch's unit number: request 0x0102, id in word 12. */
KEL_API int32_t kel_switch_stack_id_set(uint32_t id);
/** This switch's unit number: request 0x0103, *id from word 12. */
KEL_API int32_t kel_switch_stack_id_get(uint32_t *id);
/** Sets a unit's priority in the stack: request 0x0104, unit in word 12,
 * prio in word 52. */
KEL_API int32_t kel_stack_priority_set(uint32_t unit, uint32_t prio);
/** Sets the stack master's IPv4 address and mask: request 0x0105, words 68
 * and 72. */
KEL_API int32_t kel_switch_master_ipmask_set(uint32_t ip, uint32_t mask);
/** The stack master's IPv4 address and mask: request 0x0106, *ip from word
 * 68, *mask from word 72. */
KEL_API int32_t kel_switch_master_ipmask_get(uint32_t *ip, uint32_t *mask);
/** Sets a unit's IPv4 address and mask: request 0x0107, unit in word 12,
 * words 68 and 72. */
KEL_API int32_t kel_switch_stack_ipmask_set(uint32_t unit, uint32_t ip, uint32_t mask);
/** A unit's IPv4 address and mask: request 0x0108, unit in word 12, *ip from
 * word 68, *mask from word 72. */
KEL_API int32_t kel_switch_stack_ipmask_get(uint32_t unit, uint32_t *ip, uint32_t *mask);
/** A unit's record, written by the driver into info: request 0x0109, unit in
 * word 12. */
KEL_API int32_t kel_stack_info_get(uint32_t unit, void *info);
/** Starts the discovery of the stack's units: request 0x010A. */
KEL_API int32_t kel_stack_discover_startup(void);
/** 1 when the driver answers 1 at word 64 to request 0x010B (discovery is
 * under way), else 0. */
KEL_API int32_t kel_is_stack_discover(void);
/** Starts the firmware synchronisation of the units: request 0x010C. */
KEL_API int32_t kel_stack_firmware_sync_set(void);
/** The state of the firmware synchronisation: request 0x010D, *value from
 * word 44. */
KEL_API int32_t kel_stack_firmware_sync_get(uint32_t *value);
/** 1 when the driver answers 1 at word 64 to request 0x010E (this switch is
 * the master), else 0. */
KEL_API int32_t kel_is_stack_master(void);
/** 1 when the driver answers 1 at word 64 to request 0x010F (this switch can
 * stack), else 0. */
KEL_API int32_t kel_is_switch_stackable(void);
/** 1 when p's port information record (request 0x0008) describes p and flags
 * it a stack port (KEL_PORT_FLAG_STACK); 0 otherwise and for null. */
KEL_API int32_t kel_is_stack_smart_port(const ifport *p);

/** @} */

/* ------------------------------------------------------------------------ */
/* Maintenance: trace log (0x02), line protocol (0x18), cable diagnostics   */
/* (0x19), watchdog (0x1A), crash dump (0x1B), DHCP client (0x1C), private  */
/* show records (0x1E)                                                      */
/* ------------------------------------------------------------------------ */
/** @defgroup kel_maint Maintenance
 * Trace log (0x02), line protocol (0x18), cable diagnostics (0x19), watchdog
 * (0x1A), crash dump (0x1B), DHCP client (0x1C), private show records (0x1E).
 * @{ */

/** Sets the trace log's setting for one type of message: request 0x0201,
 * type in word 8, value in word 44. */
KEL_API int32_t kel_tracelog_type_set(uint32_t type, uint32_t value);
/** Sets the trace log's level: request 0x0202, level in word 52. */
KEL_API int32_t kel_tracelog_level_set(uint32_t level);
/** Sets port p's line protocol setting: request 0x1801, value in word 44. */
KEL_API int32_t kel_line_proto_port_set(const ifport *p, uint32_t value);
/** Port p's line protocol setting: request 0x1802, *value from word 44. */
KEL_API int32_t kel_line_proto_port_get(const ifport *p, uint32_t *value);
/** Port p's loopback state: request 0x1803, *value from word 44. */
KEL_API int32_t kel_line_loopback_get(const ifport *p, uint32_t *value);
/** Runs the cable diagnostics of port p; the driver writes its result record
 * into result (no len is sent: result must hold the driver's whole record):
 * request 0x1901. */
KEL_API int32_t kel_cablediag_get(const ifport *p, void *result);
/** Sets the watchdog: request 0x1A01, value in word 44. */
KEL_API int32_t kel_watchdog_set(uint32_t value);
/** The watchdog setting: request 0x1A02, *value from word 44. */
KEL_API int32_t kel_watchdog_get(uint32_t *value);
/** Restarts the watchdog's timer: request 0x1A03. */
KEL_API int32_t kel_watchdog_timer_reset(void);
/** Clears the watchdog's statistics: request 0x1A04. */
KEL_API int32_t kel_watchdog_stat_reset(void);
/** The watchdog's statistics: request 0x1A05, *value from word 44. */
KEL_API int32_t kel_watchdog_stat_get(uint32_t *value);
/** Sets the boot id recorded with a crash dump: request 0x1B01, id in word
 * 40. */
KEL_API int32_t kel_crashdump_boot_id_set(uint32_t id);
/** Tests the crash dump: sends request 0x1B03 when flag is nonzero, 0x1B02
 * when it is 0 (the flag itself is not sent). */
KEL_API int32_t kel_crashdump_test(uint32_t flag);
/** Sets the state of the switch's DHCP client: request 0x1C01, state in word
 * 44. */
KEL_API int32_t kel_dhcp_client_state_set(uint32_t state);
/** The state of the switch's DHCP client: request 0x1C02, *state from word
 * 44. */
KEL_API int32_t kel_dhcp_client_state_get(uint32_t *state);
/** The driver's LED record, at most size bytes into out: request 0x1E01, out
 * and size in buf and len. */
KEL_API int32_t kel_show_private_led(void *out, uint32_t size);
/** The driver's health record, at most size bytes into out: request 0x1E02,
 * out and size in buf and len. */
KEL_API int32_t kel_show_private_health(void *out, uint32_t size);
/** The driver's model record, at most size bytes into out: request 0x1E03,
 * out and size in buf and len. */
KEL_API int32_t kel_show_private_model(void *out, uint32_t size);

/** @} */

/* ------------------------------------------------------------------------ */
/* Port commands (family 0x05)                                              */
/* ------------------------------------------------------------------------ */
/** @defgroup kel_port Port commands (family 0x05)
 * A port's state and settings, its VLAN mode and allowed VLANs.
 * @{ */

/** How long port p's link has been up: request 0x0501, *uptime from word 64. */
KEL_API int32_t kel_port_uptime_get(const ifport *p, uint32_t *uptime);
/** The trunk port p belongs to: request 0x0502, *trunk_id from word 24. */
KEL_API int32_t kel_port_trunk_id_get(const ifport *p, uint32_t *trunk_id);
/** Port p's mirror session and mode: request 0x0503, *session from word 28,
 * *value from word 44. */
KEL_API int32_t kel_port_mirror_get(const ifport *p, uint32_t *session, uint32_t *value);
/** Port p's medium: request 0x0504, *medium from word 44. */
KEL_API int32_t kel_port_medium_get(const ifport *p, uint32_t *medium);
/** Port p's link state: request 0x0505, *linkstat from word 44. */
KEL_API int32_t kel_port_linkstat_get(const ifport *p, uint32_t *linkstat);
/** Port p's spanning-tree state: request 0x0506, *state from word 44. */
KEL_API int32_t kel_port_stp_get(const ifport *p, uint32_t *state);
/** Sets port p's administrative state: request 0x0507, admin in word 44. */
KEL_API int32_t kel_port_admin_set(const ifport *p, uint32_t admin);
/** Port p's administrative state: request 0x0508, *admin from word 44. */
KEL_API int32_t kel_port_admin_get(const ifport *p, uint32_t *admin);
/** Sets port p's VLAN mode and its VLAN: request 0x0509, vid in word 20,
 * mode in word 8. */
KEL_API int32_t kel_port_vlan_mode_set(const ifport *p, uint32_t vid, uint32_t mode);
/** Port p's VLAN mode and its VLAN: request 0x050A, *vid from word 20, *mode
 * from word 8. */
KEL_API int32_t kel_port_vlan_mode_get(const ifport *p, uint32_t *vid, uint32_t *mode);
/** Port p's configured (administrative) VLAN: request 0x050C, *vid from word
 * 20. */
KEL_API int32_t kel_port_admin_vlan_get(const ifport *p, uint32_t *vid);
/** Port p's VLAN in operation: request 0x050D, *vid from word 20. */
KEL_API int32_t kel_port_oper_vlan_get(const ifport *p, uint32_t *vid);
/** Adds vlans to port p's allowed VLANs of one type: request 0x050E, type in
 * word 8, the list in buf. */
KEL_API int32_t kel_port_allow_vlans_add(const ifport *p, const vlanlist *vlans, uint32_t type);
/** Removes vlans from every allowed list of port p (no type is sent):
 * request 0x050F, the list in buf. */
KEL_API int32_t kel_port_allow_vlans_del(const ifport *p, const vlanlist *vlans);
/** Port p's allowed VLANs of one type, written by the driver into vlans:
 * request 0x0510, type in word 8. */
KEL_API int32_t kel_port_allow_vlans_get(const ifport *p, vlanlist *vlans, uint32_t type);
/** Sets port p's auto-negotiation: request 0x0511, autoneg in word 44. */
KEL_API int32_t kel_port_autoneg_set(const ifport *p, uint32_t autoneg);
/** Port p's auto-negotiation: request 0x0512, *autoneg from word 44. */
KEL_API int32_t kel_port_autoneg_get(const ifport *p, uint32_t *autoneg);
/** Sets port p's duplex mode: request 0x0513, duplex in word 44. */
KEL_API int32_t kel_port_duplex_set(const ifport *p, uint32_t duplex);
/** Port p's duplex mode: request 0x0514, *duplex from word 44. */
KEL_API int32_t kel_port_duplex_get(const ifport *p, uint32_t *duplex);
/** Sets port p's speed: request 0x0515, speed in word 44. */
KEL_API int32_t kel_port_speed_set(const ifport *p, uint32_t speed);
/** Port p's speed: request 0x0516, *speed from word 44. */
KEL_API int32_t kel_port_speed_get(const ifport *p, uint32_t *speed);
/** Sets port p's flow control: request 0x0517, flowctrl in word 44. */
KEL_API int32_t kel_port_flowctrl_set(const ifport *p, uint32_t flowctrl);
/** Port p's flow control: request 0x0518, *flowctrl from word 44. */
KEL_API int32_t kel_port_flowctrl_get(const ifport *p, uint32_t *flowctrl);
/** Sets port p's default priority: request 0x0519, priority in word 52. */
KEL_API int32_t kel_port_priority_set(const ifport *p, uint32_t priority);
/** Port p's default priority: request 0x051A, *priority from word 52. */
KEL_API int32_t kel_port_priority_get(const ifport *p, uint32_t *priority);
/** Sets whether port p blocks one type of traffic: request 0x051B, type in
 * word 8, block in word 44. */
KEL_API int32_t kel_port_block_set(const ifport *p, uint32_t type, uint32_t block);
/** Whether port p blocks one type of traffic: request 0x051C, type in word
 * 8, *block from word 44. */
KEL_API int32_t kel_port_block_get(const ifport *p, uint32_t type, uint32_t *block);
/** Sets port p's ingress filtering: request 0x051D, ifilter in word 44. */
KEL_API int32_t kel_port_ifilter_set(const ifport *p, uint32_t ifilter);
/** Port p's ingress filtering: request 0x051E, *ifilter from word 44. */
KEL_API int32_t kel_port_ifilter_get(const ifport *p, uint32_t *ifilter);
/** Sets port p's discarding of frames: request 0x051F, discard in word 8. */
KEL_API int32_t kel_port_discard_set(const ifport *p, uint32_t discard);
/** Port p's discarding of frames: request 0x0520, *discard from word 8. */
KEL_API int32_t kel_port_discard_get(const ifport *p, uint32_t *discard);
/** Sets port p's MDI/MDI-X mode: request 0x0521, mdix in word 44. */
KEL_API int32_t kel_port_mdix_set(const ifport *p, uint32_t mdix);
/** Port p's MDI/MDI-X mode: request 0x0522, *mdix from word 44. */
KEL_API int32_t kel_port_mdix_get(const ifport *p, uint32_t *mdix);

/** @} */

/* ------------------------------------------------------------------------ */
/* Port statistics (family 0x0C): every getter returns 0 whatever happens;  */
/* a failed read shows as a counter of 0.                                   */
/* ------------------------------------------------------------------------ */
/** @defgroup kel_stats Port statistics (family 0x0C)
 * One getter per counter, all through request 0x0C01 with the counter's
 * selector. Every getter returns 0 whatever happens; a failed read shows as a
 * counter of 0.
 * @{ */

/** Counter 0 of port p, octets received: request 0x0C01, 0 in word 8, *value
 * from word 64. */
KEL_API int32_t kel_stats_rxocts_get(const ifport *p, uint32_t *value);
/** Counter 1 of port p, unicast frames received: request 0x0C01, 1 in word
 * 8, *value from word 64. */
KEL_API int32_t kel_stats_rxucast_pkts_get(const ifport *p, uint32_t *value);
/** Counter 2 of port p, non-unicast frames received: request 0x0C01, 2 in
 * word 8, *value from word 64. */
KEL_API int32_t kel_stats_rxnucast_pkts_get(const ifport *p, uint32_t *value);
/** Counter 3 of port p, received frames discarded: request 0x0C01, 3 in word
 * 8, *value from word 64. */
KEL_API int32_t kel_stats_rxdiscard_pkts_get(const ifport *p, uint32_t *value);
/** Counter 4 of port p, received frames with errors: request 0x0C01, 4 in
 * word 8, *value from word 64. */
KEL_API int32_t kel_stats_rxerror_pkts_get(const ifport *p, uint32_t *value);
/** Counter 5 of port p, frames of unknown protocols received: request
 * 0x0C01, 5 in word 8, *value from word 64. */
KEL_API int32_t kel_stats_unknownproto_pkts_get(const ifport *p, uint32_t *value);
/** Counter 6 of port p, octets sent: request 0x0C01, 6 in word 8, *value
 * from word 64. */
KEL_API int32_t kel_stats_txocts_get(const ifport *p, uint32_t *value);
/** Counter 7 of port p, unicast frames sent: request 0x0C01, 7 in word 8,
 * *value from word 64. */
KEL_API int32_t kel_stats_txucast_pkts_get(const ifport *p, uint32_t *value);
/** Counter 8 of port p, non-unicast frames sent: request 0x0C01, 8 in word
 * 8, *value from word 64. */
KEL_API int32_t kel_stats_txnucast_pkts_get(const ifport *p, uint32_t *value);
/** Counter 9 of port p, frames discarded before sending: request 0x0C01, 9
 * in word 8, *value from word 64. */
KEL_API int32_t kel_stats_txdiscard_pkts_get(const ifport *p, uint32_t *value);
/** Counter 10 of port p, frames not sent for errors: request 0x0C01, 10 in
 * word 8, *value from word 64. */
KEL_API int32_t kel_stats_txerror_pkts_get(const ifport *p, uint32_t *value);
/** Counter 11 of port p, length of the transmit queue: request 0x0C01, 11 in
 * word 8, *value from word 64. */
KEL_API int32_t kel_stats_txqlen_get(const ifport *p, uint32_t *value);
/** Counter 15 of port p, frames discarded for exceeding the transit delay:
 * request 0x0C01, 15 in word 8, *value from word 64. */
KEL_API int32_t kel_stats_delay_exceed_discard_get(const ifport *p, uint32_t *value);
/** Counter 16 of port p, frames discarded for exceeding the MTU: request
 * 0x0C01, 16 in word 8, *value from word 64. */
KEL_API int32_t kel_stats_mtu_exceed_discard_get(const ifport *p, uint32_t *value);
/** Counter 17 of port p, frames received: request 0x0C01, 17 in word 8,
 * *value from word 64. */
KEL_API int32_t kel_stats_in_frame_get(const ifport *p, uint32_t *value);
/** Counter 18 of port p, frames sent: request 0x0C01, 18 in word 8, *value
 * from word 64. */
KEL_API int32_t kel_stats_out_frame_get(const ifport *p, uint32_t *value);
/** Counter 19 of port p, frames discarded on receipt: request 0x0C01, 19 in
 * word 8, *value from word 64. */
KEL_API int32_t kel_stats_in_discard_get(const ifport *p, uint32_t *value);
/** Counter 20 of port p, frame drop events: request 0x0C01, 20 in word 8,
 * *value from word 64. */
KEL_API int32_t kel_stats_dropevent_pkts_get(const ifport *p, uint32_t *value);
/** Counter 21 of port p, multicast frames received: request 0x0C01, 21 in
 * word 8, *value from word 64. */
KEL_API int32_t kel_stats_rxmcast_pkts_get(const ifport *p, uint32_t *value);
/** Counter 22 of port p, broadcast frames received: request 0x0C01, 22 in
 * word 8, *value from word 64. */
KEL_API int32_t kel_stats_rxbcast_pkts_get(const ifport *p, uint32_t *value);
/** Counter 23 of port p, undersized frames received: request 0x0C01, 23 in
 * word 8, *value from word 64. */
KEL_API int32_t kel_stats_usize_pkts_get(const ifport *p, uint32_t *value);
/** Counter 24 of port p, fragments received: request 0x0C01, 24 in word 8,
 * *value from word 64. */
KEL_API int32_t kel_stats_frag_pkts_get(const ifport *p, uint32_t *value);
/** Counter 25 of port p, frames of 64 octets: request 0x0C01, 25 in word 8,
 * *value from word 64. */
KEL_API int32_t kel_stats_64octs_get(const ifport *p, uint32_t *value);
/** Counter 26 of port p, frames of 65 to 127 octets: request 0x0C01, 26 in
 * word 8, *value from word 64. */
KEL_API int32_t kel_stats_65_127octs_get(const ifport *p, uint32_t *value);
/** Counter 27 of port p, frames of 128 to 255 octets: request 0x0C01, 27 in
 * word 8, *value from word 64. */
KEL_API int32_t kel_stats_128_255octs_get(const ifport *p, uint32_t *value);
/** Counter 28 of port p, frames of 256 to 511 octets: request 0x0C01, 28 in
 * word 8, *value from word 64. */
KEL_API int32_t kel_stats_256_511octs_get(const ifport *p, uint32_t *value);
/** Counter 29 of port p, frames of 512 to 1023 octets: request 0x0C01, 29 in
 * word 8, *value from word 64. */
KEL_API int32_t kel_stats_512_1023octs_get(const ifport *p, uint32_t *value);
/** Counter 30 of port p, frames of 1024 to 1518 octets: request 0x0C01, 30
 * in word 8, *value from word 64. */
KEL_API int32_t kel_stats_1024_1518octs_get(const ifport *p, uint32_t *value);
/** Counter 31 of port p, oversized frames received: request 0x0C01, 31 in
 * word 8, *value from word 64. */
KEL_API int32_t kel_stats_osize_pkts_get(const ifport *p, uint32_t *value);
/** Counter 32 of port p, jabbers received: request 0x0C01, 32 in word 8,
 * *value from word 64. */
KEL_API int32_t kel_stats_jabber_pkts_get(const ifport *p, uint32_t *value);
/** Counter 35 of port p, collisions: request 0x0C01, 35 in word 8, *value
 * from word 64. */
KEL_API int32_t kel_stats_collision_pkts_get(const ifport *p, uint32_t *value);
/** Counter 36 of port p, frames with CRC or alignment errors: request
 * 0x0C01, 36 in word 8, *value from word 64. */
KEL_API int32_t kel_stats_crcalignerr_pkts_get(const ifport *p, uint32_t *value);
/** Counter 39 of port p, frames with alignment errors: request 0x0C01, 39 in
 * word 8, *value from word 64. */
KEL_API int32_t kel_stats_alignerror_pkts_get(const ifport *p, uint32_t *value);
/** Counter 41 of port p, frames sent after a single collision: request
 * 0x0C01, 41 in word 8, *value from word 64. */
KEL_API int32_t kel_stats_singlecoll_pkts_get(const ifport *p, uint32_t *value);
/** Counter 42 of port p, frames sent after several collisions: request
 * 0x0C01, 42 in word 8, *value from word 64. */
KEL_API int32_t kel_stats_multicoll_pkts_get(const ifport *p, uint32_t *value);
/** Every counter of port p, the driver's whole record into stats: request
 * 0x0C02 (no len is sent: stats must hold the driver's record). */
KEL_API int32_t kel_stats_port_get(const ifport *p, void *stats);

/** @} */

/* ------------------------------------------------------------------------ */
/* MAC address table (family 0x03)                                          */
/* ------------------------------------------------------------------------ */
/** @defgroup kel_arl MAC address table (family 0x03)
 * Ageing, freezing, static entries, flushes and walks.
 * @{ */

/* Entry kinds of kel_arl_getnext. */
#define KEL_ARL_WALK_1 1 /**< kel_arl_getnext: request 0x0304 */
#define KEL_ARL_WALK_2 2 /**< kel_arl_getnext: request 0x0305 */
#define KEL_ARL_WALK_4 4 /**< kel_arl_getnext: request 0x0306 */
/* Entry kinds of the flushes by MAC, VLAN and port. */
#define KEL_ARL_FLUSH_2 2 /**< the flushes' requests 0x030F (VLAN), 0x0310 (MAC), 0x0311 (port) */
#define KEL_ARL_FLUSH_3 3 /**< the flushes' requests 0x030A (VLAN), 0x030B (MAC), 0x030C (port) */
/** The index the driver answers when a walk has no further entry. */
#define KEL_WALK_END 65535u

/** Sets the ageing time of learned addresses: request 0x0301, time in word
 * 64. */
KEL_API int32_t kel_arl_age_time_set(uint32_t time);
/** The ageing time of learned addresses: request 0x0302, *time from word 64. */
KEL_API int32_t kel_arl_age_time_get(uint32_t *time);
/** Adds a static entry: mac in VLAN vid behind port p: request 0x0303, vid
 * in word 20, mac at 76. */
KEL_API int32_t kel_static_arl_add(const uint8_t *mac, uint32_t vid, const ifport *p);
/** Removes the static entry of mac in VLAN vid on port p: request 0x030D,
 * vid in word 20, mac at 76. */
KEL_API int32_t kel_static_arl_del(const uint8_t *mac, uint32_t vid, const ifport *p);
/** The next entry of one kind after *index into entry: request 0x0304,
 * 0x0305 or 0x0306 (KEL_ARL_WALK_*), *index in word 40 and back. type 1, 2 or
 * 4 (else KEL_ERR_PARAM, nothing sent); KEL_ERR_NOT_FOUND at the end of the
 * table, *index then keeps its value. */
KEL_API int32_t kel_arl_getnext(uint32_t *index, int32_t type, void *entry);
/** One page of the table after *index into page: request 0x0307, sel in word
 * 8, *index in word 40 and back; KEL_ERR_NOT_FOUND when the driver answers
 * 65535 (*index then keeps its value). */
KEL_API int32_t kel_arl_getpage(uint32_t *index, uint32_t sel, void *page);
/** Freezes or thaws learning: request 0x0308, value in word 44. */
KEL_API int32_t kel_arl_freeze_set(uint32_t value);
/** Whether learning is frozen: request 0x0309, *value from word 44. */
KEL_API int32_t kel_arl_freeze_get(uint32_t *value);
/** Removes every learned (dynamic) entry: request 0x030E. */
KEL_API int32_t kel_dynamic_arl_del(void);
/** Removes the entries of mac: request 0x030B for KEL_ARL_FLUSH_3, 0x0310
 * for KEL_ARL_FLUSH_2, mac at 76. type 3 or 2 (else KEL_ERR_PARAM, nothing
 * sent). */
KEL_API int32_t kel_arl_del_by_mac(const uint8_t *mac, int32_t type);
/** Removes the entries of VLAN vid: request 0x030A for KEL_ARL_FLUSH_3,
 * 0x030F for KEL_ARL_FLUSH_2 (else KEL_ERR_PARAM, nothing sent), vid in word
 * 20. */
KEL_API int32_t kel_arl_del_by_vlan(uint32_t vid, int32_t type);
/** Removes the entries behind port p: request 0x030C for KEL_ARL_FLUSH_3,
 * 0x0311 for KEL_ARL_FLUSH_2 (else KEL_ERR_PARAM, nothing sent). */
KEL_API int32_t kel_arl_del_by_port(const ifport *p, int32_t type);

/** @} */

/* ------------------------------------------------------------------------ */
/* VLANs (family 0x06)                                                      */
/* ------------------------------------------------------------------------ */
/** @defgroup kel_vlan VLANs (family 0x06)
 * Creating, destroying and naming VLANs; the VLANs that exist and their
 * records.
 * @{ */

/** Creates VLAN vid: request 0x0601, vid in word 20. */
KEL_API int32_t kel_vlan_create(uint32_t vid);
/** Destroys VLAN vid: request 0x0602, vid in word 20. */
KEL_API int32_t kel_vlan_destroy(uint32_t vid);
/** The VLANs that exist, written by the driver into vlans: request 0x0603. */
KEL_API int32_t kel_vlanlist_get(vlanlist *vlans);
/** The record of VLAN vid into info: request 0x0604, vid in word 20. */
KEL_API int32_t kel_vlan_get(uint32_t vid, vlaninfo *info);
/** Names VLAN vid: request 0x0605, vid in word 20, name and len in buf and
 * len. */
KEL_API int32_t kel_vlan_name_set(uint32_t vid, const char *name, uint32_t len);
/** The name of VLAN vid, at most len bytes into name: request 0x0606, vid in
 * word 20. */
KEL_API int32_t kel_vlan_name_get(uint32_t vid, char *name, uint32_t len);
/** The record of the VLAN named name into info: request 0x0607 finds its id
 * (word 20), then kel_vlan_get reads it; a name the driver does not know
 * asks for VLAN 0, whose answer is the result. */
KEL_API int32_t kel_vlan_get_by_name(const char *name, vlaninfo *info);

/** @} */

/* ------------------------------------------------------------------------ */
/* Multicast table (family 0x04)                                            */
/* ------------------------------------------------------------------------ */
/** @defgroup kel_mcast Multicast table (family 0x04)
 * Static groups and walks of the multicast table.
 * @{ */

/** Adds a static multicast group: mac and vid (words 76 and 20), priority in
 * word 52, its ports in buf: request 0x0401. */
KEL_API int32_t kel_static_mcast_add(const uint8_t mac[6], uint32_t vid, uint32_t priority,
                                     const iflist *ports);
/** Removes the static group of mac in VLAN vid: request 0x0402. */
KEL_API int32_t kel_static_mcast_del(const uint8_t mac[6], uint32_t vid);
/** Removes ports from the static group of mac in VLAN vid: request 0x0403,
 * the ports in buf. */
KEL_API int32_t kel_static_mcast_ports_del(const uint8_t mac[6], uint32_t vid, const iflist *ports);
/** The entry of the group of mac in VLAN vid into entry: request 0x0404;
 * KEL_ERR_PARAM for a null entry, nothing sent. */
KEL_API int32_t kel_mcast_get(const uint8_t mac[6], uint32_t vid, void *entry);
/** The next entry of the multicast table after *cursor into entry: request
 * 0x0405, *cursor in word 40 and back; KEL_ERR_NOT_FOUND when the driver
 * answers 65535, KEL_ERR_PARAM for a null entry. */
KEL_API int32_t kel_mcast_getnext(uint32_t *cursor, void *entry);
/** The next static group after *cursor into entry: request 0x0406, *cursor
 * in word 40 and back; KEL_ERR_NOT_FOUND when the driver answers 65535,
 * KEL_ERR_PARAM for a null entry. */
KEL_API int32_t kel_static_mcast_getnext(uint32_t *cursor, void *entry);

/** @} */

/* ------------------------------------------------------------------------ */
/* Trunks (family 0x07) and LACP (family 0x11)                              */
/* ------------------------------------------------------------------------ */
/** @defgroup kel_trunk Trunks (family 0x07) and LACP (family 0x11)
 * Static and dynamic trunks, distribution criteria, LACP priorities and
 * records.
 * @{ */

/** Makes trunk trunk_id a static trunk of ports: request 0x0701, trunk_id in
 * word 24, ports in buf. */
KEL_API int32_t kel_static_trunk_set(uint32_t trunk_id, const iflist *ports);
/** Makes trunk trunk_id a dynamic (LACP) trunk of ports: request 0x0702,
 * trunk_id in word 24, ports in buf. */
KEL_API int32_t kel_dynamic_trunk_set(uint32_t trunk_id, const iflist *ports);
/** The record of trunk trunk_id into info: request 0x0703, trunk_id in word
 * 24. */
KEL_API int32_t kel_trunk_get(uint32_t trunk_id, void *info);
/** Destroys trunk trunk_id: request 0x0704, trunk_id in word 24. */
KEL_API int32_t kel_trunk_destroy(uint32_t trunk_id);
/** Sets a trunk's distribution criteria: request 0x0705, trunk_id in word
 * 24, criteria in word 48. */
KEL_API int32_t kel_trunk_criteria_set(uint32_t trunk_id, uint32_t criteria);
/** A trunk's distribution criteria: request 0x0706, trunk_id in word 24,
 * *criteria from word 48. */
KEL_API int32_t kel_trunk_criteria_get(uint32_t trunk_id, uint32_t *criteria);
/** 1 when the driver answers nonzero at word 44 to request 0x0707 for p (a
 * member of a static trunk), whatever the status; else 0. */
KEL_API int32_t kel_is_static_trunk_port(const ifport *p);
/** 1 when the driver answers nonzero at word 44 to request 0x0708 for p (a
 * member of a dynamic trunk), whatever the status; else 0. */
KEL_API int32_t kel_is_dynamic_trunk_port(const ifport *p);
/** Sets the LACP system priority: request 0x1101, priority in word 52. */
KEL_API int32_t kel_lacp_sys_prio_set(uint32_t priority);
/** The LACP system priority: request 0x1102, *priority from word 52. */
KEL_API int32_t kel_lacp_sys_prio_get(uint32_t *priority);
/** Sets port p's LACP priority: request 0x1103, priority in word 52. */
KEL_API int32_t kel_lacp_port_prio_set(const ifport *p, uint32_t priority);
/** Port p's LACP priority: request 0x1104, *priority from word 52. */
KEL_API int32_t kel_lacp_port_prio_get(const ifport *p, uint32_t *priority);
/** The LACP record of trunk trunk_id into info: request 0x1105, trunk_id in
 * word 24. */
KEL_API int32_t kel_lacp_info_get(uint32_t trunk_id, void *info);

/** @} */

/* ------------------------------------------------------------------------ */
/* Mirroring (0x08), CoS queues (0x09), rate limits (0x0A), storm control   */
/* (0x0B)                                                                   */
/* ------------------------------------------------------------------------ */
/** @defgroup kel_qos Mirroring, CoS queues, rate limits, storm control
 * Mirroring (0x08), CoS queues (0x09), rate limits (0x0A) and storm control
 * (0x0B).
 * @{ */

/** Sets a session's monitor port, which receives the copies: request 0x0801,
 * session in word 28. A null p sends unit 0 and port 0 (no monitor port). */
KEL_API int32_t kel_mirror_monitor_set(uint32_t session, const ifport *p);
/** The monitor port of a session into *p (slot 0): request 0x0802, session
 * in word 28, unit and port from words 12 and 16. */
KEL_API int32_t kel_mirror_monitor_get(uint32_t session, ifport *p);
/** Mirrors port p in a session: request 0x0803, session in word 28, mode in
 * word 8. */
KEL_API int32_t kel_mirror_mirrored_set(uint32_t session, const ifport *p, uint32_t mode);
/** The ports a session mirrors in one mode, into ports: request 0x0804,
 * session in word 28, mode in word 8. */
KEL_API int32_t kel_mirror_mirrored_get(uint32_t session, uint32_t mode, iflist *ports);
/** The record of a mirror session into info: request 0x0805, session in word
 * 28. */
KEL_API int32_t kel_mirror_session_get(uint32_t session, void *info);
/** Maps a priority to a CoS queue: request 0x0901, priority in word 52,
 * queue in word 32. */
KEL_API int32_t kel_cosq_map_set(uint32_t priority, uint32_t queue);
/** Restores the default priority-to-queue map: request 0x0902. */
KEL_API int32_t kel_cosq_map_reset(void);
/** The CoS queue of a priority: request 0x0903, priority in word 52, *queue
 * from word 32. */
KEL_API int32_t kel_cosq_map_get(uint32_t priority, uint32_t *queue);
/** Sets the queue scheduling policy and its parameters: request 0x0904,
 * policy in word 48, params and len in buf and len. */
KEL_API int32_t kel_cosq_policy_set(uint32_t policy, const void *params, uint32_t len);
/** The queue scheduling policy and at most len bytes of its parameters:
 * request 0x0905, *policy from word 48. */
KEL_API int32_t kel_cosq_policy_get(uint32_t *policy, void *params, uint32_t len);
/** Sets port p's transmit rate limit: request 0x0A01, rate in word 60, aux
 * in word 56. */
KEL_API int32_t kel_qos_tx_rate_set(const ifport *p, uint32_t rate, uint32_t aux);
/** Port p's transmit rate limit: request 0x0A02, *rate from word 60, *aux
 * from word 56. */
KEL_API int32_t kel_qos_tx_rate_get(const ifport *p, uint32_t *rate, uint32_t *aux);
/** Sets port p's receive rate limit: request 0x0A03, rate in word 60, aux in
 * word 56. */
KEL_API int32_t kel_qos_rx_rate_set(const ifport *p, uint32_t rate, uint32_t aux);
/** Port p's receive rate limit: request 0x0A04, *rate from word 60, *aux
 * from word 56. */
KEL_API int32_t kel_qos_rx_rate_get(const ifport *p, uint32_t *rate, uint32_t *aux);
/** Sets port p's storm-control rate for one type of traffic: request 0x0B01,
 * type in word 8, rate in word 60. */
KEL_API int32_t kel_storm_ctrl_set(const ifport *p, uint32_t type, uint32_t rate);
/** Port p's storm-control rate for one type of traffic: request 0x0B02, type
 * in word 8, *rate from word 60. */
KEL_API int32_t kel_storm_ctrl_get(const ifport *p, uint32_t type, uint32_t *rate);

/** @} */

/* ------------------------------------------------------------------------ */
/* Spanning tree (family 0x0E) and MST (family 0x0F)                        */
/* ------------------------------------------------------------------------ */
/** @defgroup kel_stp Spanning tree (family 0x0E) and MST (family 0x0F)
 * Bridge and port settings of the spanning tree and of MST instances, and their
 * records.
 * @{ */

/** Turns the spanning tree on or off: request 0x0E01, on in word 44. */
KEL_API int32_t kel_stp_control_set(uint32_t on);
/** Sets the spanning-tree mode: request 0x0E02, mode in word 8. */
KEL_API int32_t kel_stp_mode_set(uint32_t mode);
/** The bridge's spanning-tree record into info: request 0x0E03. */
KEL_API int32_t kel_stp_bridge_info_get(void *info);
/** Port p's spanning-tree record into info: request 0x0E04. */
KEL_API int32_t kel_stp_port_info_get(const ifport *p, void *info);
/** Sets the bridge's maximum age: request 0x0E05, value in word 64. */
KEL_API int32_t kel_stp_max_age_set(uint32_t value);
/** Sets the bridge's forward delay: request 0x0E06, value in word 64. */
KEL_API int32_t kel_stp_forward_delay_set(uint32_t value);
/** Sets the bridge's hello time: request 0x0E07, value in word 64. */
KEL_API int32_t kel_stp_hello_time_set(uint32_t value);
/** Sets the bridge's three times at once: request 0x0E08 with a record
 * (kel_drv_bridge_times, the rest zero) in buf. Sends a record holding t1, t2,
 * t3 at its offsets 44, 48, 52. */
KEL_API int32_t kel_stp_bridge_times_set(uint32_t t1, uint32_t t2, uint32_t t3);
/** Sets the bridge priority: request 0x0E09, prio in word 52. */
KEL_API int32_t kel_stp_bridge_prio_set(uint32_t prio);
/** Sets the transmit hold count: request 0x0E0A, count in word 64. */
KEL_API int32_t kel_stp_tx_hold_count_set(uint32_t count);
/** Sets port p's spanning-tree priority: request 0x0E0B, prio in word 52. */
KEL_API int32_t kel_stp_port_prio_set(const ifport *p, uint32_t prio);
/** Sets port p's path cost: request 0x0E0C, cost in word 64. */
KEL_API int32_t kel_stp_port_path_cost_set(const ifport *p, uint32_t cost);
/** Makes port p an edge port or not: request 0x0E0D, on in word 44. */
KEL_API int32_t kel_stp_port_edge_port_set(const ifport *p, uint32_t on);
/** Sets port p's link type: request 0x0E0E, type in word 8. */
KEL_API int32_t kel_stp_port_link_type_set(const ifport *p, uint32_t type);
/** Turns port p's BPDU guard on or off: request 0x0E0F, on in word 44. */
KEL_API int32_t kel_stp_port_bpdu_guard_set(const ifport *p, uint32_t on);
/** Turns uplink fast on or off: request 0x0E10, on in word 44. */
KEL_API int32_t kel_stp_uplink_fast_set(uint32_t on);
/** The bridge's record of MST instance instance into info: request 0x0F01,
 * instance in word 40. */
KEL_API int32_t kel_mst_bridge_info_get(uint32_t instance, void *info);
/** Port p's record in MST instance instance into info: request 0x0F02,
 * instance in word 40. */
KEL_API int32_t kel_mst_port_info_get(uint32_t instance, const ifport *p, void *info);
/** The MST region's record into info: request 0x0F03. */
KEL_API int32_t kel_mst_info_get(void *info);
/** The record of MST instance instance into rec: request 0x0F04, instance in
 * word 40. */
KEL_API int32_t kel_mst_instance_get(uint32_t instance, void *rec);
/** Sets MST instance instance from rec: request 0x0F05, instance in word 40,
 * rec in buf. */
KEL_API int32_t kel_mst_instance_set(uint32_t instance, const void *rec);
/** Sets the MST region name; the driver reads the text itself: request
 * 0x0F06, name in buf. */
KEL_API int32_t kel_mst_name_set(const char *name);
/** Sets the MST revision: request 0x0F07, revision in word 64. */
KEL_API int32_t kel_mst_revision_set(uint32_t revision);
/** Sets the bridge priority in an MST instance: request 0x0F08, instance in
 * word 40, prio in word 52. */
KEL_API int32_t kel_mst_bridge_prio_set(uint32_t instance, uint32_t prio);
/** Sets port p's priority in an MST instance: request 0x0F09, instance in
 * word 40, prio in word 52. */
KEL_API int32_t kel_mst_port_prio_set(uint32_t instance, const ifport *p, uint32_t prio);
/** Sets port p's path cost in an MST instance: request 0x0F0A, instance in
 * word 40, cost in word 64. */
KEL_API int32_t kel_mst_port_path_cost_set(uint32_t instance, const ifport *p, uint32_t cost);
/** Sets the MST maximum hop count: request 0x0F0B, hops in word 64. */
KEL_API int32_t kel_mst_max_hops_set(uint32_t hops);

/** @} */

/* ------------------------------------------------------------------------ */
/* 802.1X port authentication (family 0x10)                                 */
/* ------------------------------------------------------------------------ */
/** @defgroup kel_dot1x 802.1X port authentication (family 0x10)
 * Switch and port settings, RADIUS servers and local users.
 * @{ */

/** Turns 802.1X on or off for the switch: request 0x1001, on in word 44. */
KEL_API int32_t kel_dot1x_status_set(uint32_t on);
/** Sets the authentication method: request 0x1002, method in word 8. */
KEL_API int32_t kel_dot1x_authentic_set(uint32_t method);
/** The switch's 802.1X record into info: request 0x1003. */
KEL_API int32_t kel_dot1x_sys_info_get(void *info);
/** Sets port p's port control: request 0x1004, ctrl in word 44. */
KEL_API int32_t kel_dot1x_port_ctrl_set(const ifport *p, uint32_t ctrl);
/** Port p's 802.1X record into info: request 0x1005. */
KEL_API int32_t kel_dot1x_port_info_get(const ifport *p, void *info);
/** 1 when word 4 of the port's 802.1X record (request 0x1005) is 2. */
KEL_API int32_t kel_is_dot1x_enable_port(const ifport *p);
/** 1 when word 16 of the port's 802.1X record (request 0x1005) is 0 (also
 * when the query fails). */
KEL_API int32_t kel_is_dot1x_singlehost_port(const ifport *p);
/** Turns port p's periodic reauthentication on or off: request 0x1006, on in
 * word 44. */
KEL_API int32_t kel_dot1x_reauth_enable_set(const ifport *p, uint32_t on);
/** Reauthenticates port p now: request 0x1007. */
KEL_API int32_t kel_dot1x_reauthenticate_set(const ifport *p);
/** Sets port p's reauthentication period: request 0x1008, period in word 64. */
KEL_API int32_t kel_dot1x_reauth_period_set(const ifport *p, uint32_t period);
/** Sets port p's quiet period: request 0x1009, period in word 64. */
KEL_API int32_t kel_dot1x_quiet_period_set(const ifport *p, uint32_t period);
/** Sets port p's server timeout: request 0x100C, timeout in word 64. */
KEL_API int32_t kel_dot1x_server_timeout_set(const ifport *p, uint32_t timeout);
/** Lets several hosts use port p, or one: request 0x100E, on in word 44. */
KEL_API int32_t kel_dot1x_multi_host_set(const ifport *p, uint32_t on);
/** Sets port p's guest VLAN: request 0x100F, vid in word 20. */
KEL_API int32_t kel_dot1x_guest_vlan_set(const ifport *p, uint32_t vid);
/** Sets RADIUS server index: request 0x1010, index in word 40, a record
 * (kel_drv_radius_set) of addr, key and udp_port in buf, wiped once the
 * driver has read it. The key is cut at 16 characters. */
KEL_API int32_t kel_dot1x_radius_set(uint32_t index, uint32_t addr, const char *key, uint32_t udp_port);
/** Removes RADIUS server index: request 0x1011, index in word 40. */
KEL_API int32_t kel_dot1x_radius_del(uint32_t index);
/** The record of RADIUS server index into rec: request 0x1012, index in word
 * 40. */
KEL_API int32_t kel_dot1x_radius_get(uint32_t index, void *rec);
/** Adds or changes a local user: request 0x1013, a record (kel_drv_user_set)
 * of name, password and value in buf, wiped once the driver has read it.
 * Name and password are each cut at 64 characters. */
KEL_API int32_t kel_dot1x_user_set(const char *name, const char *password, uint32_t value);
/** Removes the local user name; the driver reads the text itself: request
 * 0x1014, name in buf. */
KEL_API int32_t kel_dot1x_user_del(const char *name);
/** The next local user after *cursor into rec: request 0x1015, *cursor in
 * word 40 and back after every call; the walk ends at the first nonzero
 * result. */
KEL_API int32_t kel_dot1x_user_getnext(uint32_t *cursor, void *rec);

/** @} */

/* ------------------------------------------------------------------------ */
/* Access control lists (family 0x0D)                                       */
/* ------------------------------------------------------------------------ */
/** @defgroup kel_acl Access control lists (family 0x0D)
 * Lists, their filters, installing them on ports, and two predicates that walk
 * them.
 * @{ */

/** Creates the access list name of one type: request 0x0D01, name in buf,
 * type in word 8, *number (the list's number) from word 36. */
KEL_API int32_t kel_acl_create(const char *name, uint32_t type, uint32_t *number);
/** Destroys the access list name: request 0x0D02, name in buf. */
KEL_API int32_t kel_acl_destroy(const char *name);
/** The record of the access list name into rec: request 0x0D03, name in buf
 * and rec in word 96, the one second address of any request. */
KEL_API int32_t kel_acl_get(const char *name, void *rec);
/** The next access list of one type after *cursor into rec: request 0x0D04,
 * type in word 8, *cursor in word 40 and back after every call; the walk
 * ends at the first nonzero result. */
KEL_API int32_t kel_acl_getnext(uint32_t *cursor, uint32_t type, void *rec);
/** Installs the access list name on port p: request 0x0D05, name in buf, sel
 * in word 8. */
KEL_API int32_t kel_acl_filter_install(const char *name, uint32_t sel, const ifport *p);
/** Removes the access list of kind sel from port p: request 0x0D06, sel in
 * word 8. */
KEL_API int32_t kel_acl_filter_remove(uint32_t sel, const ifport *p);
/** The next filter of list number after *cursor into rec: request 0x0D07,
 * number in word 36, *cursor in word 40 and back after every call; the walk
 * ends at the first nonzero result. */
KEL_API int32_t kel_acl_filter_getnext(uint32_t *cursor, uint32_t number, void *rec);
/** Adds a MAC filter to list number: request 0x0D08, number in word 36,
 * filter in buf, param in word 48, the egress port in words 12 and 16 (0 for
 * a null egress). */
KEL_API int32_t kel_acl_mac_filter_add(uint32_t number, const void *filter, uint32_t param,
                                       const ifport *egress);
/** Removes a MAC filter from list number: request 0x0D09, words as
 * kel_acl_mac_filter_add. */
KEL_API int32_t kel_acl_mac_filter_del(uint32_t number, const void *filter, uint32_t param,
                                       const ifport *egress);
/** Adds an IP filter to list number: request 0x0D0A, words as
 * kel_acl_mac_filter_add. */
KEL_API int32_t kel_acl_ip_filter_add(uint32_t number, const void *filter, uint32_t param,
                                      const ifport *egress);
/** Removes an IP filter from list number: request 0x0D0B, words as
 * kel_acl_mac_filter_add. */
KEL_API int32_t kel_acl_ip_filter_del(uint32_t number, const void *filter, uint32_t param,
                                      const ifport *egress);
/** 1 when a MAC or IP access list is installed on p: walks the lists with
 * kel_acl_getnext and reads each one's port set; 0 for null or a port beyond
 * the set's 256 bits. */
KEL_API int32_t kel_is_acl_attach_port(const ifport *p);
/** 1 when p is the egress port of a filter of some IP or MAC access list:
 * walks the lists and their filters (kel_acl_getnext,
 * kel_acl_filter_getnext); 0 for null. */
KEL_API int32_t kel_is_filter_egress_port(const ifport *p);

/** @} */

/* ------------------------------------------------------------------------ */
/* Port security (family 0x17)                                              */
/* ------------------------------------------------------------------------ */
/** @defgroup kel_portsecu Port security (family 0x17)
 * Secure and dynamic addresses, address limits, ageing and violation actions.
 * @{ */

/** Turns port security on or off on port p: request 0x1701, on in word 44. */
KEL_API int32_t kel_portsecu_enable_set(const ifport *p, uint32_t on);
/** Adds the secure address mac to port p: request 0x1702, mac at 76. */
KEL_API int32_t kel_portsecu_mac_set(const ifport *p, const uint8_t *mac);
/** Removes the secure address mac from port p: request 0x1703, mac at 76. */
KEL_API int32_t kel_portsecu_mac_del(const ifport *p, const uint8_t *mac);
/** The next address of one type on port p after *cursor into rec: request
 * 0x1704, type in word 8, *cursor in word 40 and back after every call; the
 * walk ends at the first nonzero result. */
KEL_API int32_t kel_portsecu_mac_getnext(uint32_t *cursor, const ifport *p, uint32_t type, void *rec);
/** Sets the most addresses port p may learn: request 0x1705, max in word 64. */
KEL_API int32_t kel_portsecu_maxaddr_set(const ifport *p, uint32_t max);
/** Sets port p's action on a violation: request 0x1706, action in word 8. */
KEL_API int32_t kel_portsecu_violation_set(const ifport *p, uint32_t action);
/** Sets port p's secure address ageing time: request 0x1707, time in word
 * 64. */
KEL_API int32_t kel_portsecu_age_time_set(const ifport *p, uint32_t time);
/** Sets port p's kind of ageing: request 0x1708, type in word 8. */
KEL_API int32_t kel_portsecu_age_type_set(const ifport *p, uint32_t type);
/** Sets port p's shutdown setting: request 0x1709, value in word 64. */
KEL_API int32_t kel_portsecu_shutdown_set(const ifport *p, uint32_t value);
/** Brings port p up again after a violation shut it: request 0x170A. */
KEL_API int32_t kel_portsecu_port_reup(const ifport *p);
/** Removes the dynamic secure addresses of port p: request 0x170B. A null p
 * sends unit 0 and port 0. */
KEL_API int32_t kel_portsecu_dynamic_mac_if_clear(const ifport *p);
/** Removes the dynamic secure address mac: request 0x170C, mac at 76. */
KEL_API int32_t kel_portsecu_dynamic_mac_clear(const uint8_t *mac);
/** Port p's port-security record into info: request 0x170D. */
KEL_API int32_t kel_portsecu_info_get(const ifport *p, void *info);
/** 1 when port p's port-security record (request 0x170D) says port security
 * is on; 0 otherwise. */
KEL_API int32_t kel_is_portsecu_enable_port(const ifport *p);

/** @} */

/* ------------------------------------------------------------------------ */
/* GARP (0x12), GVRP (0x13), IGMP snooping (0x15), DHCP snooping (0x16)     */
/* ------------------------------------------------------------------------ */
/** @defgroup kel_snoop GARP, GVRP, IGMP snooping, DHCP snooping
 * GARP timers (0x12), GVRP (0x13), IGMP snooping (0x15) and DHCP snooping
 * (0x16).
 * @{ */

/** Sets port p's GARP timers from the record times: request 0x1201, times in
 * buf. */
KEL_API int32_t kel_garp_port_times_set(const ifport *p, const void *times);
/** Port p's GARP timers into times: request 0x1202. */
KEL_API int32_t kel_garp_port_times_get(const ifport *p, void *times);
/** Turns GVRP on or off: request 0x1301, on in word 44. */
KEL_API int32_t kel_gvrp_status_set(uint32_t on);
/** Whether GVRP is on: request 0x1302, *on from word 44. */
KEL_API int32_t kel_gvrp_status_get(uint32_t *on);
/** Turns GVRP on or off on port p: request 0x1303, on in word 44. */
KEL_API int32_t kel_gvrp_port_set(const ifport *p, uint32_t on);
/** Whether GVRP is on on port p: request 0x1304, *on from word 44. */
KEL_API int32_t kel_gvrp_port_get(const ifport *p, uint32_t *on);
/** Sets port p's GVRP registration mode: request 0x1305, mode in word 44. */
KEL_API int32_t kel_gvrp_port_mode_set(const ifport *p, uint32_t mode);
/** Port p's GVRP registration mode: request 0x1306, *mode from word 44. */
KEL_API int32_t kel_gvrp_port_mode_get(const ifport *p, uint32_t *mode);
/** Port p's GVRP statistics into stats: request 0x1307. */
KEL_API int32_t kel_gvrp_port_stats_get(const ifport *p, void *stats);
/** Clears port p's GVRP statistics: request 0x1308. */
KEL_API int32_t kel_gvrp_port_stats_clear(const ifport *p);
/** Turns IGMP snooping on or off: request 0x1501, on in word 44. */
KEL_API int32_t kel_igmpsnoop_status_set(uint32_t on);
/** Whether IGMP snooping is on: request 0x1502, *on from word 44. */
KEL_API int32_t kel_igmpsnoop_status_get(uint32_t *on);
/** Sets the last member query interval: request 0x1503, interval in word 64. */
KEL_API int32_t kel_igmpsnoop_lmqi_set(uint32_t interval);
/** The last member query interval: request 0x1504, *interval from word 64. */
KEL_API int32_t kel_igmpsnoop_lmqi_get(uint32_t *interval);
/** Turns IGMP snooping on or off in VLAN vid: request 0x1505, vid in word
 * 20, on in word 44. */
KEL_API int32_t kel_igmpsnoop_vlan_set(uint32_t vid, uint32_t on);
/** Whether IGMP snooping is on in VLAN vid: request 0x1506, vid in word 20,
 * *on from word 44. */
KEL_API int32_t kel_igmpsnoop_vlan_get(uint32_t vid, uint32_t *on);
/** Turns immediate leave on or off in VLAN vid: request 0x1507, vid in word
 * 20, on in word 44. */
KEL_API int32_t kel_igmpsnoop_ileave_set(uint32_t vid, uint32_t on);
/** Whether immediate leave is on in VLAN vid: request 0x1508, vid in word
 * 20, *on from word 44. */
KEL_API int32_t kel_igmpsnoop_ileave_get(uint32_t vid, uint32_t *on);
/** The VLANs with IGMP snooping on, into list: request 0x1509. */
KEL_API int32_t kel_igmpsnoop_vlan_list_get(vlanlist *list);
/** The VLANs with immediate leave on, into list: request 0x150A. */
KEL_API int32_t kel_igmpsnoop_ileave_list_get(vlanlist *list);
/** Turns DHCP snooping on or off: request 0x1601, on in word 44. */
KEL_API int32_t kel_dhcpsnoop_status_set(uint32_t on);
/** Whether DHCP snooping is on: request 0x1602, *on from word 44. */
KEL_API int32_t kel_dhcpsnoop_status_get(uint32_t *on);
/** Turns DHCP snooping on or off in VLAN vid: request 0x1603, vid in word
 * 20, on in word 44. */
KEL_API int32_t kel_dhcpsnoop_vlan_set(uint32_t vid, uint32_t on);
/** Whether DHCP snooping is on in VLAN vid: request 0x1604, vid in word 20,
 * *on from word 44. */
KEL_API int32_t kel_dhcpsnoop_vlan_get(uint32_t vid, uint32_t *on);
/** Sets the VLANs with DHCP snooping on from list: request 0x1605, list in
 * buf. */
KEL_API int32_t kel_dhcpsnoop_vlanlist_set(const vlanlist *list);
/** The VLANs with DHCP snooping on, into list: request 0x1606. */
KEL_API int32_t kel_dhcpsnoop_vlanlist_get(vlanlist *list);
/** Makes port p trusted by DHCP snooping or not: request 0x1607, on in word
 * 44. */
KEL_API int32_t kel_dhcpsnoop_trust_set(const ifport *p, uint32_t on);
/** Whether port p is trusted by DHCP snooping: request 0x1608, *on from word
 * 44. */
KEL_API int32_t kel_dhcpsnoop_trust_get(const ifport *p, uint32_t *on);
/** The next DHCP snooping binding after *cursor into rec: request 0x1609,
 * *cursor in word 40 and back after every call; the walk ends at the first
 * nonzero result. */
KEL_API int32_t kel_dhcpsnoop_bind_getnext(uint32_t *cursor, void *rec);

/** @} */

#ifdef __cplusplus
}
#endif

#endif /* KEL_H */
