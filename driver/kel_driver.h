/*
 * kel_driver.h - the switch driver's side of the contract: the records it
 * fills or reads through a request's buf, the value codes of its words, and
 * its status codes.
 *
 * The library passes these records through unchanged (it reads a few words
 * of some of them, and builds the few it sends itself); a program that shows
 * or sets what they hold needs their layouts. This header describes the
 * simulated driver, kelsim; it is installed with the library's development
 * files as the layouts of that driver, and a hardware driver's own header of
 * the same names takes its place. Included by the library (for the words it
 * reads and the records it builds), by kelsim, by kelctl, by the tests, and
 * by any management program (an SNMP agent in C, say) that reads the
 * records. It holds nothing of the simulator's own state.
 *
 * Every word is a native 32-bit word; texts are NUL-terminated unless the
 * comment says otherwise. The layouts hold no pointer and no long: they are
 * the same on 32-bit and 64-bit builds, as the assertions below check.
 * The values of words are macros of type unsigned int, as the words are
 * uint32_t; the status codes are int; the selectors that index a record's
 * array are enumerations.
 *
 * The header compiles as C99 and as C++.
 */
#ifndef KEL_DRIVER_H
#define KEL_DRIVER_H

#include <stddef.h>
#include <stdint.h>

#include "kel.h"

#ifdef __cplusplus
extern "C" {
#endif

/* KEL_DRV_ASSERT(condition): a compile-time check, in C99 too. */
#if defined(__cplusplus)
#define KEL_DRV_ASSERT(c) static_assert(c, #c)
#else
#define KEL_DRV_ASSERT_NAME2(line) kel_drv_assert_##line
#define KEL_DRV_ASSERT_NAME(line) KEL_DRV_ASSERT_NAME2(line)
#define KEL_DRV_ASSERT(c) typedef char KEL_DRV_ASSERT_NAME(__LINE__)[(c) ? 1 : -1]
#endif
#define KEL_DRV_AT(type, field, offset) KEL_DRV_ASSERT(offsetof(type, field) == (offset))

/* ------------------------------------------------------------------------ */
/* Status codes                                                             */
/* ------------------------------------------------------------------------ */

/* The status the driver leaves in the block's status word. The library
 * hands a nonzero status to its caller unchanged. The simulated driver's
 * codes are all below -200, so that none reads as one of the library's own
 * result codes; a hardware driver has codes of its own. */
#define KEL_DRV_OK 0
#define KEL_DRV_ERR_UNKNOWN_COMMAND (-201)  /* no command has this code */
#define KEL_DRV_ERR_NO_SUCH_PORT (-202)     /* the unit or port does not exist */
#define KEL_DRV_ERR_BAD_VALUE (-203)        /* a word outside the values the command takes */
#define KEL_DRV_ERR_BUFFER_TOO_SMALL (-204) /* len cannot hold the answer */
#define KEL_DRV_ERR_NO_SUCH_ENTRY (-205)    /* the VLAN, entry, list, trunk or session does not exist */
#define KEL_DRV_ERR_TABLE_FULL (-206)       /* no room left in a table */
#define KEL_DRV_ERR_EXISTS (-207)           /* the entry exists already */
#define KEL_DRV_ERR_NULL_BUFFER (-208)      /* the command needs a buffer and buf is 0 */
#define KEL_DRV_ERR_NOT_PERMITTED (-209)    /* the request contradicts the switch's state */
#define KEL_DRV_ERR_END_OF_TABLE (-210)     /* a walk without end marker has no further entry */

/* A short text for a status ("no such unit or port"); "?" for a code that is
 * none of the above. */
static inline const char *kel_drv_status_text(int32_t status) {
    switch (status) {
        case KEL_DRV_OK:
            return "ok";
        case KEL_DRV_ERR_UNKNOWN_COMMAND:
            return "unknown command";
        case KEL_DRV_ERR_NO_SUCH_PORT:
            return "no such unit or port";
        case KEL_DRV_ERR_BAD_VALUE:
            return "bad value";
        case KEL_DRV_ERR_BUFFER_TOO_SMALL:
            return "buffer too small";
        case KEL_DRV_ERR_NO_SUCH_ENTRY:
            return "no such entry";
        case KEL_DRV_ERR_TABLE_FULL:
            return "table full";
        case KEL_DRV_ERR_EXISTS:
            return "entry exists";
        case KEL_DRV_ERR_NULL_BUFFER:
            return "null buffer";
        case KEL_DRV_ERR_NOT_PERMITTED:
            return "not permitted";
        case KEL_DRV_ERR_END_OF_TABLE:
            return "end of table";
        default:
            return "?";
    }
}

/* ------------------------------------------------------------------------ */
/* System and stack (families 0x00, 0x01)                                   */
/* ------------------------------------------------------------------------ */

/* Port information record (0x0008), 1268 bytes (KEL_PORTINFO_SIZE). */
typedef struct kel_drv_portinfo {
    char name[32];          /*  0 long name, "fastethernet1/0/3" */
    uint32_t index;         /* 32 flat index of the port in the stack, from 1 */
    uint32_t media;         /* 36 KEL_DRV_MEDIUM_* */
    int32_t unit;           /* 40 unit of the port described */
    int32_t slot;           /* 44 always 0 */
    int32_t port;           /* 48 port number */
    uint32_t flags;         /* 52 KEL_PORT_FLAG_STACK, KEL_PORT_FLAG_FE, KEL_PORT_FLAG_GE */
    uint32_t reserved[303]; /* 56 zero */
} kel_drv_portinfo;
KEL_DRV_ASSERT(sizeof(kel_drv_portinfo) == KEL_PORTINFO_SIZE);
KEL_DRV_AT(kel_drv_portinfo, index, 32);
KEL_DRV_AT(kel_drv_portinfo, unit, KEL_PORTINFO_UNIT);
KEL_DRV_AT(kel_drv_portinfo, port, KEL_PORTINFO_PORT);
KEL_DRV_AT(kel_drv_portinfo, flags, KEL_PORTINFO_FLAGS);

/* Media of a port (the record's media word, and 0x0504). */
#define KEL_DRV_MEDIUM_FE 1u /* Fast Ethernet */
#define KEL_DRV_MEDIUM_GE 2u /* Gigabit Ethernet */

/* Unit information record (0x0109), 64 bytes. */
typedef struct kel_drv_unitinfo {
    uint32_t unit;       /*  0 unit number */
    uint32_t present;    /*  4 1 when the unit is in the stack */
    uint32_t nports;     /*  8 ports of the unit */
    uint32_t fe_ports;   /* 12 of which Fast Ethernet */
    uint32_t ge_ports;   /* 16 of which Gigabit Ethernet */
    uint32_t stack_mask; /* 20 bit p - 1 set for each stack port */
    uint32_t priority;   /* 24 unit priority (0x0104), 1 to 8 */
    uint32_t role;       /* 28 KEL_DRV_UNIT_MASTER or KEL_DRV_UNIT_MEMBER */
    uint32_t ip;         /* 32 unit management address (0x0107), network byte order */
    uint32_t mask;       /* 36 its mask */
    uint8_t mac[6];      /* 40 the unit's MAC address */
    uint8_t pad[2];      /* 46 */
    char model[16];      /* 48 model text, "KS-24FE-2GE" */
} kel_drv_unitinfo;
KEL_DRV_ASSERT(sizeof(kel_drv_unitinfo) == 64);
KEL_DRV_AT(kel_drv_unitinfo, model, 48);

#define KEL_DRV_UNIT_MASTER 1u
#define KEL_DRV_UNIT_MEMBER 2u

/* ------------------------------------------------------------------------ */
/* VLANs (family 0x06)                                                      */
/* ------------------------------------------------------------------------ */

/* VLAN record (0x0604), 240 bytes (KEL_VLANINFO_SIZE; the library's vlaninfo
 * names only its port sets). The four port sets are iflists:
 *   members   the ports that carry the VLAN, tagged or untagged;
 *   untagged  the members that send its frames without a tag (a subset of
 *             the members);
 *   forbidden the ports that may never join it (never members);
 *   native    the ports whose native VLAN it is: untagged frames they
 *             receive belong to this VLAN. Each port has exactly one. */
typedef enum kel_drv_vlan_set {
    KEL_DRV_VLAN_MEMBERS = 0,
    KEL_DRV_VLAN_UNTAGGED = 1,
    KEL_DRV_VLAN_FORBIDDEN = 2,
    KEL_DRV_VLAN_NATIVE = 3
} kel_drv_vlan_set;

typedef struct kel_drv_vlan {
    uint32_t vid;          /*   0 VLAN id */
    uint32_t flags;        /*   4 KEL_DRV_VLAN_FLAG_* */
    uint32_t ports[4];     /*   8 number of ports in each set, in set order */
    uint32_t reserved0[4]; /*  24 zero */
    iflist set[4];         /*  40 by kel_drv_vlan_set */
    char name[36];         /* 168 name, at most KEL_DRV_VLAN_NAME_MAX characters */
    uint32_t reserved1[9]; /* 204 zero */
} kel_drv_vlan;
KEL_DRV_ASSERT(sizeof(kel_drv_vlan) == KEL_VLANINFO_SIZE);
KEL_DRV_AT(kel_drv_vlan, set, offsetof(vlaninfo, set));
KEL_DRV_AT(kel_drv_vlan, name, 168);

#define KEL_DRV_VLAN_FLAG_DEFAULT 0x1u    /* VLAN 1, which cannot be destroyed */
#define KEL_DRV_VLAN_FLAG_MANAGEMENT 0x2u /* the management VLAN (interface sw0) */

/* VLAN names (0x0605, 0x0606, 0x0607): 1 to 32 printable characters (space
 * to '~'), unique among the VLANs; a new VLAN is named "VLAN" and its id in
 * four digits ("VLAN0010"), VLAN 1 "default". 0x0605 reads at most len bytes
 * (the name ends at the first zero byte or there); 0x0606 writes the name
 * and its terminator, buffer-too-small when len cannot hold both; 0x0607
 * reads a terminated name and answers its VLAN in vid (no-such-entry, vid 0,
 * for an unknown name). VLAN list (0x0603): a vlanlist of 512 bytes (len
 * stays 0) with the bit of every VLAN that exists. */
#define KEL_DRV_VLAN_NAME_MAX 32u

/* ------------------------------------------------------------------------ */
/* Ports (family 0x05)                                                      */
/* ------------------------------------------------------------------------ */

/* Values of the port commands, one word each:
 *   admin (0x0507)      0 down, 1 up (initial)
 *   link (0x0505)       0 down, 1 up: up when the port is administratively up
 *                       and its cable is plugged
 *   medium (0x0504)     KEL_DRV_MEDIUM_*
 *   uptime (0x0501)     seconds since the link came up, 0 while it is down
 *   spanning tree (0x0506) KEL_DRV_PORT_STP_*: disabled while the link is
 *                       down, forwarding while it is up
 *   speed (0x0515)      KEL_DRV_SPEED_AUTO (initial), 10, 100, 1000 (Gigabit
 *                       ports only), Mb/s
 *   duplex (0x0513)     KEL_DRV_DUPLEX_*, auto initially
 *   autoneg (0x0511)    0 off, 1 on (initial)
 *   flow control, ingress filtering (0x0517, 0x051D)  0 off (initial), 1 on
 *   MDI-X (0x0521)      KEL_DRV_MDIX_*, auto initially
 *   priority (0x0519)   0 (initial) to 7, at word 52
 *   discard (0x051F)    KEL_DRV_DISCARD_* at word 8, none initially
 *   block (0x051B)      type at word 8 (KEL_DRV_BLOCK_*); value 0 forward
 *                       (initial), 1 block
 *   trunk id (0x0502)   the trunk the port belongs to, 0 for none
 *   mirror (0x0503)     session at word 28 (0 for none); value: the port's
 *                       mirroring mode in that session (KEL_DRV_MIRROR_RX,
 *                       _TX or _BOTH), or KEL_DRV_MIRROR_MONITOR when it is
 *                       the session's monitor port */
#define KEL_DRV_SPEED_AUTO 0u
#define KEL_DRV_DUPLEX_AUTO 0u
#define KEL_DRV_DUPLEX_HALF 1u
#define KEL_DRV_DUPLEX_FULL 2u
#define KEL_DRV_MDIX_AUTO 0u
#define KEL_DRV_MDIX_MDI 1u
#define KEL_DRV_MDIX_MDIX 2u
#define KEL_DRV_DISCARD_NONE 0u
#define KEL_DRV_DISCARD_UNTAGGED 1u
#define KEL_DRV_DISCARD_TAGGED 2u
#define KEL_DRV_BLOCK_UNKNOWN_UNICAST 0u
#define KEL_DRV_BLOCK_UNKNOWN_MULTICAST 1u
#define KEL_DRV_PORT_STP_DISABLED 1u
#define KEL_DRV_PORT_STP_BLOCKING 2u
#define KEL_DRV_PORT_STP_LISTENING 3u
#define KEL_DRV_PORT_STP_LEARNING 4u
#define KEL_DRV_PORT_STP_FORWARDING 5u

/* VLAN modes of a port (0x0509, word 8; the port's own VLAN in vid):
 *   access (initial, VLAN 1): an untagged member of its own VLAN only;
 *   trunk: untagged in its own (native) VLAN, a tagged member of each VLAN
 *     of its tagged allowed list;
 *   hybrid: as trunk, and an untagged member of each VLAN of its untagged
 *     allowed list.
 * Allowed-VLAN lists (0x050E, 0x0510, word 8 KEL_DRV_ALLOW_*). A VLAN is in
 * at most one of the two lists; 0x050F removes from both. The lists may name
 * VLANs that do not exist; the bits of 4095 and 4096 are ignored. A port's
 * place in the members, untagged and native sets of every existing VLAN
 * follows these settings; a VLAN that forbids the port is not joined. The
 * port's own VLAN in effect, its operational VLAN (0x050D), is the one set
 * (0x050C answers it) while it exists and does not forbid the port, else
 * VLAN 1: every port has exactly one native VLAN. */
#define KEL_DRV_VLAN_MODE_ACCESS 1u
#define KEL_DRV_VLAN_MODE_TRUNK 2u
#define KEL_DRV_VLAN_MODE_HYBRID 3u
#define KEL_DRV_ALLOW_TAGGED 1u
#define KEL_DRV_ALLOW_UNTAGGED 2u

/* ------------------------------------------------------------------------ */
/* Statistics (family 0x0C)                                                 */
/* ------------------------------------------------------------------------ */

/* Counter selectors (0x0C01, word 8): the index of each counter in the
 * statistics record. Counters are 32 bits and wrap. Selectors 12 to 14, 33,
 * 34, 37, 38 and 40 are not counted: they read 0 in the record and 0x0C01
 * refuses them with bad-value, as any selector of KEL_DRV_COUNTERS or above. */
typedef enum kel_drv_counter {
    KEL_DRV_CTR_RX_OCTETS = 0,  /* octets of every good frame received */
    KEL_DRV_CTR_RX_UCAST = 1,   /* unicast frames received and forwarded */
    KEL_DRV_CTR_RX_NUCAST = 2,  /* multicast and broadcast frames received and forwarded */
    KEL_DRV_CTR_RX_DISCARD = 3, /* good frames received and discarded (storm or rate limit) */
    KEL_DRV_CTR_RX_ERROR = 4,   /* frames received too short or too long */
    KEL_DRV_CTR_UNKNOWN_PROTO = 5,
    KEL_DRV_CTR_TX_OCTETS = 6,
    KEL_DRV_CTR_TX_UCAST = 7,
    KEL_DRV_CTR_TX_NUCAST = 8,
    KEL_DRV_CTR_TX_DISCARD = 9, /* frames to send discarded (link down, rate limit) */
    KEL_DRV_CTR_TX_ERROR = 10,
    KEL_DRV_CTR_TX_QLEN = 11, /* frames waiting in the output queue: always 0 */
    KEL_DRV_CTR_DELAY_EXCEED = 15,
    KEL_DRV_CTR_MTU_EXCEED = 16,  /* frames received longer than 1518 bytes */
    KEL_DRV_CTR_IN_FRAME = 17,    /* good frames received */
    KEL_DRV_CTR_OUT_FRAME = 18,   /* frames sent */
    KEL_DRV_CTR_IN_DISCARD = 19,  /* good frames received and discarded */
    KEL_DRV_CTR_DROP_EVENTS = 20, /* times frames were discarded for want of room (one per burst) */
    KEL_DRV_CTR_RX_MCAST = 21,
    KEL_DRV_CTR_RX_BCAST = 22,
    KEL_DRV_CTR_UNDERSIZE = 23, /* frames received shorter than 64 bytes */
    KEL_DRV_CTR_FRAGMENTS = 24,
    KEL_DRV_CTR_64_OCTETS = 25, /* frames of each size, received and sent */
    KEL_DRV_CTR_65_TO_127_OCTETS = 26,
    KEL_DRV_CTR_128_TO_255_OCTETS = 27,
    KEL_DRV_CTR_256_TO_511_OCTETS = 28,
    KEL_DRV_CTR_512_TO_1023_OCTETS = 29,
    KEL_DRV_CTR_1024_TO_1518_OCTETS = 30,
    KEL_DRV_CTR_OVERSIZE = 31, /* frames received longer than 1518 bytes */
    KEL_DRV_CTR_JABBER = 32,
    KEL_DRV_CTR_COLLISIONS = 35,
    KEL_DRV_CTR_CRC_ALIGN_ERRORS = 36,
    KEL_DRV_CTR_ALIGN_ERRORS = 39,
    KEL_DRV_CTR_SINGLE_COLLISIONS = 41,
    KEL_DRV_CTR_MULTI_COLLISIONS = 42
} kel_drv_counter;
#define KEL_DRV_COUNTERS 43u

/* Port statistics record (0x0C02), 180 bytes: every counter of the port. */
typedef struct kel_drv_stats {
    uint32_t unit;                      /* 0 */
    uint32_t port;                      /* 4 */
    uint32_t counter[KEL_DRV_COUNTERS]; /* 8 counter[selector] */
} kel_drv_stats;
KEL_DRV_ASSERT(sizeof(kel_drv_stats) == 180);

/* ------------------------------------------------------------------------ */
/* MAC address table (family 0x03) and multicast groups (family 0x04)       */
/* ------------------------------------------------------------------------ */

/* Entry kinds, and walk kinds (0x0304, 0x0305, 0x0306 and getpage's sel):
 * static entries, dynamic entries, every entry. Flush kinds: static and
 * dynamic entries (0x030A to 0x030C), dynamic entries only (0x030F to
 * 0x0311); every flush answers the number of entries removed at word 64.
 * Walk index: the table is 8192 positions; an index going in is the first
 * position to look at (start with 0), the index coming back is the position
 * after the entry answered, 65535 (KEL_WALK_END) when no entry of the kind
 * is left at or after the given position (an index beyond the table answers
 * 65535 too). Ageing time (0x0301, word 64): seconds, 300 initially, 0 never
 * ages. Freeze (0x0308, word 44): 1 frozen (nothing learned, nothing ages),
 * 0 not. */
#define KEL_DRV_ARL_STATIC 1u
#define KEL_DRV_ARL_DYNAMIC 2u
#define KEL_DRV_ARL_WALK_ALL 4u
#define KEL_DRV_ARL_FLUSH_DYNAMIC 2u
#define KEL_DRV_ARL_FLUSH_ALL 3u

/* One entry (0x0304 to 0x0306), 28 bytes. */
typedef struct kel_drv_arl_entry {
    uint8_t mac[6]; /*  0 */
    uint16_t pad;   /*  6 zero */
    uint32_t vid;   /*  8 */
    uint32_t unit;  /* 12 the port the address is reached through */
    uint32_t port;  /* 16 */
    uint32_t kind;  /* 20 KEL_DRV_ARL_STATIC or KEL_DRV_ARL_DYNAMIC */
    uint32_t age;   /* 24 seconds since a dynamic entry was last learned; 0 static */
} kel_drv_arl_entry;
KEL_DRV_ASSERT(sizeof(kel_drv_arl_entry) == 28);
KEL_DRV_AT(kel_drv_arl_entry, vid, 8);

/* One page (0x0307), 900 bytes: up to 32 entries from the given position on. */
#define KEL_DRV_ARL_PAGE_ENTRIES 32u
typedef struct kel_drv_arl_page {
    uint32_t count;                                    /* 0 entries filled */
    kel_drv_arl_entry entry[KEL_DRV_ARL_PAGE_ENTRIES]; /* 4 the rest zero */
} kel_drv_arl_page;
KEL_DRV_ASSERT(sizeof(kel_drv_arl_page) == 900);

/* Multicast group (0x0404 to 0x0406), 56 bytes. Kinds as the MAC table's:
 * KEL_DRV_ARL_STATIC, or KEL_DRV_ARL_DYNAMIC for a group learned by
 * snooping. Priority of a static group 0 to 7. The walks use positions as
 * the MAC table's do, over 256 groups. */
typedef struct kel_drv_mcast_entry {
    uint8_t mac[6];    /*  0 */
    uint16_t pad;      /*  6 */
    uint32_t vid;      /*  8 */
    uint32_t kind;     /* 12 */
    uint32_t priority; /* 16 */
    uint32_t count;    /* 20 member ports */
    iflist ports;      /* 24 */
} kel_drv_mcast_entry;
KEL_DRV_ASSERT(sizeof(kel_drv_mcast_entry) == 56);
KEL_DRV_AT(kel_drv_mcast_entry, vid, 8);

/* ------------------------------------------------------------------------ */
/* Trunks (family 0x07) and LACP (family 0x11)                              */
/* ------------------------------------------------------------------------ */

/* Trunks 1 to KEL_DRV_TRUNKS, at most KEL_DRV_TRUNK_MEMBERS member ports
 * each, none of them a stack port, a member of another trunk or a mirror
 * monitor port. Criteria (0x0705, word 48), source and destination MAC
 * initially. The predicates 0x0707 and 0x0708 answer the port's trunk id at
 * word 44 (0 when not in such a trunk). */
#define KEL_DRV_TRUNKS 8u
#define KEL_DRV_TRUNK_MEMBERS 8u
#define KEL_DRV_TRUNK_STATIC 1u
#define KEL_DRV_TRUNK_DYNAMIC 2u /* LACP */
#define KEL_DRV_TRUNK_SRC_MAC 1u
#define KEL_DRV_TRUNK_DST_MAC 2u
#define KEL_DRV_TRUNK_SRC_DST_MAC 3u
#define KEL_DRV_TRUNK_SRC_IP 4u
#define KEL_DRV_TRUNK_DST_IP 5u
#define KEL_DRV_TRUNK_SRC_DST_IP 6u

/* Trunk data (0x0703), 48 bytes. */
typedef struct kel_drv_trunk {
    uint32_t id;       /*  0 */
    uint32_t kind;     /*  4 KEL_DRV_TRUNK_STATIC or KEL_DRV_TRUNK_DYNAMIC */
    uint32_t criteria; /*  8 KEL_DRV_TRUNK_SRC_MAC .. KEL_DRV_TRUNK_SRC_DST_IP */
    uint32_t count;    /* 12 member ports */
    iflist members;    /* 16 */
} kel_drv_trunk;
KEL_DRV_ASSERT(sizeof(kel_drv_trunk) == 48);

/* LACP data of a dynamic trunk (0x1105), 152 bytes. Priorities (0x1101,
 * 0x1103, word 52) 0 to 65535, 32768 initially. A static trunk has none
 * (not-permitted). */
#define KEL_DRV_LACP_MEMBERS 8u
#define KEL_DRV_LACP_ACTIVE 0x3Du    /* activity, aggregation, in sync, collecting, distributing */
#define KEL_DRV_LACP_DEFAULTED 0x45u /* activity, aggregation, defaulted: the link is down */
typedef struct kel_drv_lacp_member {
    uint32_t unit, port; /* 0, 4 */
    uint32_t priority;   /* 8 */
    uint32_t state;      /* 12 actor state bits */
} kel_drv_lacp_member;
typedef struct kel_drv_lacp {
    uint32_t trunk;                                   /*  0 */
    uint32_t sys_priority;                            /*  4 */
    uint8_t sys_mac[6];                               /*  8 the switch's MAC address */
    uint16_t pad;                                     /* 14 */
    uint32_t key;                                     /* 16 the actor key: the trunk id */
    uint32_t count;                                   /* 20 members */
    kel_drv_lacp_member member[KEL_DRV_LACP_MEMBERS]; /* 24 */
} kel_drv_lacp;
KEL_DRV_ASSERT(sizeof(kel_drv_lacp_member) == 16);
KEL_DRV_ASSERT(sizeof(kel_drv_lacp) == 152);
KEL_DRV_AT(kel_drv_lacp, key, 16);

/* ------------------------------------------------------------------------ */
/* Mirroring (family 0x08), queues (0x09), rates (0x0A), storm control (0x0B) */
/* ------------------------------------------------------------------------ */

/* Mirror sessions 1 to KEL_DRV_MIRROR_SESSIONS. Modes of a mirrored port
 * (word 8): KEL_DRV_MIRROR_NONE, _RX (received traffic), _TX (sent traffic),
 * _BOTH. 0x0804 answers the ports whose mode includes every direction of its
 * mode. A port is mirrored by one session at a time; a monitor port is
 * mirrored by none and belongs to no trunk. */
#define KEL_DRV_MIRROR_SESSIONS 4u
#define KEL_DRV_MIRROR_NONE 0u
#define KEL_DRV_MIRROR_RX 1u
#define KEL_DRV_MIRROR_TX 2u
#define KEL_DRV_MIRROR_BOTH 3u
#define KEL_DRV_MIRROR_MONITOR 4u /* 0x0503: the port is the session's monitor port */

/* Session data (0x0805), 80 bytes. */
typedef struct kel_drv_mirror_session {
    uint32_t session;      /*  0 */
    uint32_t monitor_unit; /*  4 0 when the session has no monitor port */
    uint32_t monitor_port; /*  8 */
    uint32_t active;       /* 12 1 when it has a monitor port and a mirrored port */
    iflist rx;             /* 16 ports whose received traffic is copied */
    iflist tx;             /* 48 ports whose sent traffic is copied */
} kel_drv_mirror_session;
KEL_DRV_ASSERT(sizeof(kel_drv_mirror_session) == 80);

/* CoS queues: priorities 0 to 7 map to queues 0 to 3, initially 1 0 0 1 2 2
 * 3 3 (and again after 0x0902). Policies (word 48), weighted round robin
 * initially. Parameters: the queues' weights, one word each (1 to 255;
 * initially 1 2 4 8); the driver reads and writes only whole words within
 * len, at most 16 bytes. */
#define KEL_DRV_COS_PRIORITIES 8u
#define KEL_DRV_COS_QUEUES 4u
#define KEL_DRV_COS_STRICT 1u
#define KEL_DRV_COS_WRR 2u
typedef struct kel_drv_cosq_params {
    uint32_t weight[KEL_DRV_COS_QUEUES];
} kel_drv_cosq_params;
KEL_DRV_ASSERT(sizeof(kel_drv_cosq_params) == 16);

/* Rates: rate at word 60 in kb/s (0 unlimited, at most the port's line
 * rate), burst at word 56 in KB (0 to 16384). Storm control: type at word 8
 * (KEL_DRV_STORM_*); rate at word 60 in packets per second, 0 unlimited, at
 * most 1488095. */
#define KEL_DRV_STORM_BROADCAST 0u
#define KEL_DRV_STORM_MULTICAST 1u
#define KEL_DRV_STORM_UNKNOWN_UNICAST 2u
#define KEL_DRV_STORM_TYPES 3u

/* ------------------------------------------------------------------------ */
/* Spanning tree (family 0x0E) and MST (family 0x0F)                        */
/* ------------------------------------------------------------------------ */

/* Priorities: bridge 0..61440 in steps of 4096, port 0..240 in steps of 16.
 * Times in seconds; a path cost of 0 means automatic (KEL_DRV_STP_COST_FE
 * for a Fast Ethernet port, KEL_DRV_STP_COST_GE for a Gigabit port). */
#define KEL_DRV_STP_MODE_STP 0u /* 0x0E02 word 8 */
#define KEL_DRV_STP_MODE_RSTP 1u
#define KEL_DRV_STP_MODE_MSTP 2u
#define KEL_DRV_STP_LINK_AUTO 0u /* 0x0E0E word 8 */
#define KEL_DRV_STP_LINK_POINT_TO_POINT 1u
#define KEL_DRV_STP_LINK_SHARED 2u
#define KEL_DRV_STP_STATE_DISABLED 0u /* the records' state word */
#define KEL_DRV_STP_STATE_BLOCKING 1u
#define KEL_DRV_STP_STATE_LISTENING 2u
#define KEL_DRV_STP_STATE_LEARNING 3u
#define KEL_DRV_STP_STATE_FORWARDING 4u
#define KEL_DRV_STP_ROLE_DISABLED 0u /* the records' role word */
#define KEL_DRV_STP_ROLE_ROOT 1u
#define KEL_DRV_STP_ROLE_DESIGNATED 2u
#define KEL_DRV_STP_ROLE_ALTERNATE 3u
#define KEL_DRV_STP_ROLE_BACKUP 4u
#define KEL_DRV_STP_COST_FE 200000u
#define KEL_DRV_STP_COST_GE 20000u

/* Bridge-times record the library builds (0x0E08), 112 bytes; the driver
 * reads three words and ignores the rest. */
typedef struct kel_drv_bridge_times {
    uint32_t unused[11];    /*  0 */
    uint32_t max_age;       /* 44 6..40 */
    uint32_t hello_time;    /* 48 1..10 */
    uint32_t forward_delay; /* 52 4..30 */
    uint32_t unused2[14];   /* 56 */
} kel_drv_bridge_times;
KEL_DRV_ASSERT(sizeof(kel_drv_bridge_times) == 112);
KEL_DRV_AT(kel_drv_bridge_times, max_age, 44);
KEL_DRV_AT(kel_drv_bridge_times, hello_time, 48);
KEL_DRV_AT(kel_drv_bridge_times, forward_delay, 52);

/* Spanning-tree bridge record (0x0E03), 64 bytes. The simulated bridge is
 * alone in its network, so it is always the root. */
typedef struct kel_drv_stp_bridge {
    uint32_t enabled;  /*  0 spanning tree on (0x0E01) */
    uint32_t mode;     /*  4 KEL_DRV_STP_MODE_* */
    uint32_t priority; /*  8 */
    uint8_t mac[6];    /* 12 bridge address (the switch's) */
    uint8_t pad[2];
    uint32_t max_age;       /* 20 */
    uint32_t hello_time;    /* 24 */
    uint32_t forward_delay; /* 28 */
    uint32_t tx_hold_count; /* 32 */
    uint32_t uplink_fast;   /* 36 */
    uint32_t root_priority; /* 40 */
    uint8_t root_mac[6];    /* 44 */
    uint8_t pad2[2];
    uint32_t root_cost; /* 52 */
    uint32_t root_port; /* 56 flat port index; 0: this bridge is the root */
    uint32_t ports;     /* 60 ports of the stack taking part */
} kel_drv_stp_bridge;
KEL_DRV_ASSERT(sizeof(kel_drv_stp_bridge) == 64);
KEL_DRV_AT(kel_drv_stp_bridge, max_age, 20);
KEL_DRV_AT(kel_drv_stp_bridge, root_cost, 52);

/* Spanning-tree port record (0x0E04), 40 bytes. */
typedef struct kel_drv_stp_port {
    uint32_t unit, port; /*  0, 4 */
    uint32_t priority;   /*  8 */
    uint32_t path_cost;  /* 12 as set; 0: automatic */
    uint32_t oper_cost;  /* 16 the cost in use */
    uint32_t edge;       /* 20 */
    uint32_t link_type;  /* 24 KEL_DRV_STP_LINK_* */
    uint32_t bpdu_guard; /* 28 */
    uint32_t state;      /* 32 KEL_DRV_STP_STATE_* */
    uint32_t role;       /* 36 KEL_DRV_STP_ROLE_* */
} kel_drv_stp_port;
KEL_DRV_ASSERT(sizeof(kel_drv_stp_port) == 40);

/* MST instances 0 (the common instance) to KEL_DRV_MST_INSTANCES - 1. */
#define KEL_DRV_MST_INSTANCES 16u
#define KEL_DRV_MST_NAME_MAX 32u /* characters of the region name */

/* MST region record (0x0F03), 52 bytes. */
typedef struct kel_drv_mst_region {
    char name[36];          /*  0 region name (0x0F06), at most KEL_DRV_MST_NAME_MAX characters */
    uint32_t revision;      /* 36 */
    uint32_t max_hops;      /* 40 */
    uint32_t instances;     /* 44 instances that exist, the common one included */
    uint32_t instance_mask; /* 48 bit i: instance i exists */
} kel_drv_mst_region;
KEL_DRV_ASSERT(sizeof(kel_drv_mst_region) == 52);
KEL_DRV_AT(kel_drv_mst_region, revision, 36);

/* MST instance record (0x0F04 fills it, 0x0F05 reads it), 528 bytes. For
 * 0x0F05 only the VLAN list counts: the instance (1..15) then holds exactly
 * those VLANs, taking them from any other instance; its former VLANs that
 * are not in the list go back to the common instance 0, and an empty list
 * removes the instance. Instance 0 holds every VLAN no other instance has
 * and cannot be set. */
typedef struct kel_drv_mst_instance {
    uint32_t instance;   /*  0 */
    uint32_t active;     /*  4 1 when the instance exists */
    uint32_t priority;   /*  8 bridge priority in the instance (0x0F08) */
    uint32_t vlan_count; /* 12 */
    vlanlist vlans;      /* 16 the VLANs mapped to the instance */
} kel_drv_mst_instance;
KEL_DRV_ASSERT(sizeof(kel_drv_mst_instance) == 528);
KEL_DRV_AT(kel_drv_mst_instance, vlans, 16);

/* MST bridge record of an instance (0x0F01), 40 bytes. */
typedef struct kel_drv_mst_bridge {
    uint32_t instance; /*  0 */
    uint32_t active;   /*  4 */
    uint32_t priority; /*  8 */
    uint8_t mac[6];    /* 12 */
    uint8_t pad[2];
    uint32_t root_priority; /* 20 */
    uint8_t root_mac[6];    /* 24 */
    uint8_t pad2[2];
    uint32_t root_cost;  /* 32 */
    uint32_t vlan_count; /* 36 */
} kel_drv_mst_bridge;
KEL_DRV_ASSERT(sizeof(kel_drv_mst_bridge) == 40);
KEL_DRV_AT(kel_drv_mst_bridge, root_priority, 20);
KEL_DRV_AT(kel_drv_mst_bridge, root_cost, 32);

/* MST port record of an instance (0x0F02), 32 bytes. */
typedef struct kel_drv_mst_port {
    uint32_t instance, unit, port; /*  0, 4, 8 */
    uint32_t priority;             /* 12 */
    uint32_t path_cost;            /* 16 as set; 0: automatic */
    uint32_t oper_cost;            /* 20 */
    uint32_t state;                /* 24 KEL_DRV_STP_STATE_* */
    uint32_t role;                 /* 28 KEL_DRV_STP_ROLE_* */
} kel_drv_mst_port;
KEL_DRV_ASSERT(sizeof(kel_drv_mst_port) == 32);

/* ------------------------------------------------------------------------ */
/* 802.1X (family 0x10)                                                     */
/* ------------------------------------------------------------------------ */

#define KEL_DRV_DOT1X_AUTH_RADIUS 0u /* method, 0x1002 word 8 */
#define KEL_DRV_DOT1X_AUTH_LOCAL 1u
#define KEL_DRV_DOT1X_AUTH_RADIUS_LOCAL 2u /* RADIUS, then the local users */
#define KEL_DRV_DOT1X_FORCE_AUTHORIZED 0u  /* port control, 0x1004 */
#define KEL_DRV_DOT1X_FORCE_UNAUTHORIZED 1u
#define KEL_DRV_DOT1X_AUTO 2u       /* 802.1X runs on the port */
#define KEL_DRV_DOT1X_AUTHORIZED 1u /* a port's authentication state */
#define KEL_DRV_DOT1X_UNAUTHORIZED 2u
#define KEL_DRV_DOT1X_GUEST 3u
#define KEL_DRV_RADIUS_SLOTS 4u /* RADIUS servers 1 to 4 */
#define KEL_DRV_RADIUS_KEY_WIDTH 16u
#define KEL_DRV_USER_TEXT_WIDTH 64u

/* 802.1X system record (0x1003), 24 bytes. */
typedef struct kel_drv_dot1x_sys {
    uint32_t enabled;         /*  0 */
    uint32_t method;          /*  4 KEL_DRV_DOT1X_AUTH_* */
    uint32_t radius_servers;  /*  8 slots in use */
    uint32_t local_users;     /* 12 */
    uint32_t auto_ports;      /* 16 ports whose control is KEL_DRV_DOT1X_AUTO */
    uint32_t reauth_requests; /* 20 0x1007 requests answered */
} kel_drv_dot1x_sys;
KEL_DRV_ASSERT(sizeof(kel_drv_dot1x_sys) == 24);

/* 802.1X port record (0x1005), 64 bytes; the library's predicates read the
 * control word and the multiple-hosts word (0: a single host). */
typedef struct kel_drv_dot1x_port {
    uint32_t unit;           /*  0 */
    uint32_t control;        /*  4 KEL_DRV_DOT1X_FORCE_*, KEL_DRV_DOT1X_AUTO */
    uint32_t port;           /*  8 */
    uint32_t auth_state;     /* 12 KEL_DRV_DOT1X_AUTHORIZED, _UNAUTHORIZED, _GUEST */
    uint32_t multi_host;     /* 16 */
    uint32_t reauth;         /* 20 periodic reauthentication on */
    uint32_t reauth_period;  /* 24 seconds, 1..65535 */
    uint32_t quiet_period;   /* 28 seconds, 0..65535 */
    uint32_t server_timeout; /* 32 seconds, 1..65535 */
    uint32_t guest_vlan;     /* 36 0: none */
    uint32_t reauth_count;   /* 40 reauthentications asked for (0x1007) */
    uint32_t eapol_frames;   /* 44 EAPOL frames the port received (and the switch took) */
    uint32_t reserved[4];    /* 48 */
} kel_drv_dot1x_port;
KEL_DRV_ASSERT(sizeof(kel_drv_dot1x_port) == 64);
KEL_DRV_AT(kel_drv_dot1x_port, control, 4);
KEL_DRV_AT(kel_drv_dot1x_port, multi_host, 16);

/* RADIUS server record as the library builds it (0x1010), 32 bytes. The
 * address may not be 0, the UDP port 1..65535, the key not empty. */
typedef struct kel_drv_radius_set {
    uint32_t addr;                      /*  0 network byte order */
    char key[KEL_DRV_RADIUS_KEY_WIDTH]; /*  4 no terminator when 16 characters long */
    uint32_t udp_port;                  /* 20 */
    uint8_t unused[8];                  /* 24 */
} kel_drv_radius_set;
KEL_DRV_ASSERT(sizeof(kel_drv_radius_set) == 32);
KEL_DRV_AT(kel_drv_radius_set, key, 4);
KEL_DRV_AT(kel_drv_radius_set, udp_port, 20);

/* RADIUS server record as read back (0x1012), 32 bytes. The driver never
 * hands a key back out: it only says whether one is stored. */
typedef struct kel_drv_radius_server {
    uint32_t index;       /*  0 slot 1..4 */
    uint32_t addr;        /*  4 */
    uint32_t udp_port;    /*  8 */
    uint32_t key_set;     /* 12 1 when a key is stored */
    uint32_t reserved[4]; /* 16 */
} kel_drv_radius_server;
KEL_DRV_ASSERT(sizeof(kel_drv_radius_server) == 32);

/* Local-user record as the library builds it (0x1013), 144 bytes. A user of
 * an existing name is updated; value is the user's privilege, 0..15. */
typedef struct kel_drv_user_set {
    uint8_t unused[4];                      /*   0 */
    char name[KEL_DRV_USER_TEXT_WIDTH];     /*   4 no terminator when 64 characters long */
    char password[KEL_DRV_USER_TEXT_WIDTH]; /*  68 likewise */
    uint32_t value;                         /* 132 */
    uint8_t unused2[8];                     /* 136 */
} kel_drv_user_set;
KEL_DRV_ASSERT(sizeof(kel_drv_user_set) == 144);
KEL_DRV_AT(kel_drv_user_set, name, 4);
KEL_DRV_AT(kel_drv_user_set, password, 68);
KEL_DRV_AT(kel_drv_user_set, value, 132);

/* Local-user record as walked (0x1015), 72 bytes; never the password. The
 * walk index is the slot after the user returned; end-of-table ends the
 * walk. */
typedef struct kel_drv_user {
    char name[68];  /*  0 terminated */
    uint32_t value; /* 68 */
} kel_drv_user;
KEL_DRV_ASSERT(sizeof(kel_drv_user) == 72);

/* ------------------------------------------------------------------------ */
/* Access control lists (family 0x0D)                                       */
/* ------------------------------------------------------------------------ */

/* Lists 1 to KEL_DRV_ACL_LISTS, of a type that is also the selector of
 * install and remove. A port carries at most one list of each type:
 * installing (0x0D05) replaces the port's list of that type; removing
 * (0x0D06) takes the selector and the port. */
#define KEL_DRV_ACL_LISTS 16u
#define KEL_DRV_ACL_NAME_MAX 31u /* characters of a list name */
#define KEL_DRV_ACL_TYPE_MAC 2u
#define KEL_DRV_ACL_TYPE_IP 4u
#define KEL_DRV_FILTER_MAC 1u /* kind of a filter */
#define KEL_DRV_FILTER_IP 2u
#define KEL_DRV_ACL_PERMIT 1u
#define KEL_DRV_ACL_DENY 2u
#define KEL_DRV_PROTO_ANY 0u /* the protocol word of an IP filter */
#define KEL_DRV_PROTO_IP 4u
#define KEL_DRV_PROTO_TCP 17u
#define KEL_DRV_PROTO_UDP 18u
#define KEL_DRV_PROTO_ICMP 19u
#define KEL_DRV_MATCH_ICMP_TYPE 0x1u /* bits of icmp_match */
#define KEL_DRV_MATCH_ICMP_CODE 0x2u
#define KEL_DRV_ACL_SEQUENCE_STEP 10u

/* ACL record (0x0D03 through word 96, 0x0D04 through buf), 80 bytes; the
 * library's predicates read the number and the port set. */
typedef struct kel_drv_acl {
    char name[32];     /*  0 at most KEL_DRV_ACL_NAME_MAX characters */
    uint32_t number;   /* 32 1..KEL_DRV_ACL_LISTS */
    uint32_t type;     /* 36 KEL_DRV_ACL_TYPE_* */
    uint32_t filters;  /* 40 filters in the list */
    iflist ports;      /* 44 ports the list is installed on */
    uint32_t reserved; /* 76 */
} kel_drv_acl;
KEL_DRV_ASSERT(sizeof(kel_drv_acl) == 80);
KEL_DRV_AT(kel_drv_acl, number, 32);
KEL_DRV_AT(kel_drv_acl, ports, 44);

/* Filter record (0x0D07 fills it, 0x0D08..0x0D0B read it), 100 bytes; the
 * library's predicate reads the egress port. The caller fills the matching
 * fields of its kind (MAC fields for a MAC list, IP fields for an IP list,
 * the others zero); the words marked "driver" are ignored on add and delete
 * and written on the walk: the egress port is the one the add command names
 * in unit and port (none: 0), and param (word 48 of the command) is the
 * filter's sequence number (0 on add: KEL_DRV_ACL_SEQUENCE_STEP past the
 * last filter; 0 on delete: the first filter with the same fields). A zero
 * mask matches anything; addresses are compared under their masks. */
typedef struct kel_drv_acl_filter {
    uint32_t action;         /*  0 KEL_DRV_ACL_PERMIT or KEL_DRV_ACL_DENY */
    uint32_t sequence;       /*  4 driver: sequence number */
    uint32_t kind;           /*  8 driver: KEL_DRV_FILTER_* */
    int32_t egress_unit;     /* 12 driver: an ifport */
    int32_t egress_slot;     /* 16 driver: 0 */
    int32_t egress_port;     /* 20 driver */
    uint8_t src_mac[6];      /* 24 MAC filter */
    uint8_t src_mac_mask[6]; /* 30 */
    uint8_t dst_mac[6];      /* 36 */
    uint8_t dst_mac_mask[6]; /* 42 */
    uint32_t ethertype;      /* 48 0: any, else 0x0600..0xFFFF */
    uint32_t vid;            /* 52 0: any, else 1..4094 */
    uint32_t protocol;       /* 56 IP filter: KEL_DRV_PROTO_*; ANY and IP match any IP packet */
    uint32_t src_ip;         /* 60 network byte order */
    uint32_t src_mask;       /* 64 */
    uint32_t dst_ip;         /* 68 */
    uint32_t dst_mask;       /* 72 */
    uint32_t src_port;       /* 76 TCP or UDP only; 0: any, else 1..65535 */
    uint32_t dst_port;       /* 80 */
    uint32_t icmp_match;     /* 84 ICMP only: KEL_DRV_MATCH_ICMP_* bits */
    uint32_t icmp_type;      /* 88 0..255 */
    uint32_t icmp_code;      /* 92 0..255 */
    uint32_t param;          /* 96 driver: word 48 of the add command */
} kel_drv_acl_filter;
KEL_DRV_ASSERT(sizeof(kel_drv_acl_filter) == 100);
KEL_DRV_AT(kel_drv_acl_filter, egress_unit, 12);
KEL_DRV_AT(kel_drv_acl_filter, egress_port, 20);
KEL_DRV_AT(kel_drv_acl_filter, dst_mac_mask, 42);
KEL_DRV_AT(kel_drv_acl_filter, ethertype, 48);
KEL_DRV_AT(kel_drv_acl_filter, param, 96);

/* ------------------------------------------------------------------------ */
/* Port security (family 0x17)                                              */
/* ------------------------------------------------------------------------ */

#define KEL_DRV_VIOLATION_PROTECT 0u /* word 8 */
#define KEL_DRV_VIOLATION_RESTRICT 1u
#define KEL_DRV_VIOLATION_SHUTDOWN 2u
#define KEL_DRV_SECU_AGE_ABSOLUTE 0u /* word 8 */
#define KEL_DRV_SECU_AGE_INACTIVITY 1u
#define KEL_DRV_SECURE_ALL 0u /* walk type */
#define KEL_DRV_SECURE_STATIC 1u
#define KEL_DRV_SECURE_DYNAMIC 2u
#define KEL_DRV_SECURE_MAX 64u /* largest per-port maximum */

/* Port-security port record (0x170D), 48 bytes; the library's predicate
 * reads the enabled word. Maximum 1..KEL_DRV_SECURE_MAX addresses (default
 * 1); ageing time in minutes, 0..1440; the shutdown value is the time in
 * seconds after which a port shut down by a violation would come back by
 * itself (0: only by 0x170A), 0..86400. */
typedef struct kel_drv_portsecu {
    uint32_t unit, port;    /*  0, 4 */
    uint32_t maximum;       /*  8 */
    uint32_t enabled;       /* 12 */
    uint32_t violation;     /* 16 KEL_DRV_VIOLATION_* */
    uint32_t age_time;      /* 20 */
    uint32_t age_type;      /* 24 KEL_DRV_SECU_AGE_* */
    uint32_t shutdown_time; /* 28 */
    uint32_t shut;          /* 32 1 while shut down by a violation */
    uint32_t static_count;  /* 36 configured secure addresses */
    uint32_t dynamic_count; /* 40 learned addresses */
    uint32_t violations;    /* 44 */
} kel_drv_portsecu;
KEL_DRV_ASSERT(sizeof(kel_drv_portsecu) == 48);
KEL_DRV_AT(kel_drv_portsecu, enabled, 12);

/* Secure-address record (0x1704), 20 bytes. The walk index is a position
 * in the driver's address table; end-of-table ends the walk. */
typedef struct kel_drv_secure_addr {
    uint8_t mac[6]; /*  0 */
    uint8_t pad[2];
    uint32_t type;       /*  8 KEL_DRV_SECURE_STATIC or KEL_DRV_SECURE_DYNAMIC */
    uint32_t unit, port; /* 12, 16 */
} kel_drv_secure_addr;
KEL_DRV_ASSERT(sizeof(kel_drv_secure_addr) == 20);
KEL_DRV_AT(kel_drv_secure_addr, type, 8);

/* ------------------------------------------------------------------------ */
/* GARP (0x12), GVRP (0x13), IGMP snooping (0x15), DHCP snooping (0x16)     */
/* ------------------------------------------------------------------------ */

/* GVRP port mode. IGMP last member query interval in tenths of a second,
 * 1..250 (default 10). */
#define KEL_DRV_GVRP_NORMAL 0u
#define KEL_DRV_GVRP_FIXED 1u
#define KEL_DRV_GVRP_FORBIDDEN 2u

/* GARP timer record of a port (0x1201 reads it, 0x1202 fills it), 12 bytes,
 * centiseconds; join >= 10, leave >= 3 * join, leave-all > leave. */
typedef struct kel_drv_garp_times {
    uint32_t join;      /* 0 default 20 */
    uint32_t leave;     /* 4 default 60 */
    uint32_t leave_all; /* 8 default 1000 */
} kel_drv_garp_times;
KEL_DRV_ASSERT(sizeof(kel_drv_garp_times) == 12);

/* GVRP port statistics record (0x1307), 52 bytes: PDUs received (rx) and
 * sent (tx) per message type, in this order. */
typedef enum kel_drv_gvrp_msg {
    KEL_DRV_GVRP_JOIN_EMPTY,
    KEL_DRV_GVRP_JOIN_IN,
    KEL_DRV_GVRP_EMPTY,
    KEL_DRV_GVRP_LEAVE_IN,
    KEL_DRV_GVRP_LEAVE_EMPTY,
    KEL_DRV_GVRP_LEAVE_ALL,
    KEL_DRV_GVRP_MESSAGE_TYPES
} kel_drv_gvrp_msg;
#define KEL_DRV_GVRP_COUNTERS (2u * KEL_DRV_GVRP_MESSAGE_TYPES + 1u) /* words of the record */
typedef struct kel_drv_gvrp_stats {
    uint32_t rx[KEL_DRV_GVRP_MESSAGE_TYPES]; /*  0 */
    uint32_t tx[KEL_DRV_GVRP_MESSAGE_TYPES]; /* 24 */
    uint32_t failed_registrations;           /* 48 */
} kel_drv_gvrp_stats;
KEL_DRV_ASSERT(sizeof(kel_drv_gvrp_stats) == 4 * KEL_DRV_GVRP_COUNTERS);
KEL_DRV_AT(kel_drv_gvrp_stats, failed_registrations, 48);

/* DHCP snooping binding record (0x1609), 28 bytes. The walk index is the
 * slot after the binding returned; end-of-table ends the walk. Switching
 * DHCP snooping off empties the table. */
typedef struct kel_drv_dhcp_binding {
    uint8_t mac[6]; /*  0 client */
    uint8_t pad[2];
    uint32_t ip;         /*  8 network byte order */
    uint32_t vid;        /* 12 */
    uint32_t unit, port; /* 16, 20 */
    uint32_t lease;      /* 24 seconds */
} kel_drv_dhcp_binding;
KEL_DRV_ASSERT(sizeof(kel_drv_dhcp_binding) == 28);
KEL_DRV_AT(kel_drv_dhcp_binding, ip, 8);

/* ------------------------------------------------------------------------ */
/* Upkeep: trace log (0x02), line protocol (0x18), cable diagnostics (0x19), */
/* watchdog (0x1A), crash dump (0x1B), DHCP client (0x1C), show records (0x1E) */
/* ------------------------------------------------------------------------ */

/* Trace types 0..31 (word 8), each on (1) or off (0); trace level 0..7.
 * Line protocol of a port: KEL_DRV_LINE_*, up initially; the loopback query
 * (0x1803) answers 1 for a looped-back port. Watchdog value: its timeout in
 * seconds, 0 (off) to 300; its statistic is the number of timer resets since
 * the last statistics reset, and a timer reset with the watchdog off is
 * refused. Crash dump test: 0x1B02 writes a test dump, 0x1B03 writes one and
 * restarts the switch (not ready until start-up completes again). DHCP
 * client state: 0 off, 1 on. */
#define KEL_DRV_LINE_DOWN 0u
#define KEL_DRV_LINE_UP 1u
#define KEL_DRV_LINE_LOOPBACK 2u
#define KEL_DRV_PAIR_OK 0u
#define KEL_DRV_PAIR_OPEN 1u
#define KEL_DRV_PAIR_SHORT 2u
#define KEL_DRV_PAIR_NOT_TESTED 3u

/* Cable diagnostics record of a port (0x1901), 48 bytes: 2 pairs tested on
 * a Fast Ethernet port, 4 on a Gigabit port. A port whose line protocol is
 * down reports its pairs open at the cable's length. */
typedef struct kel_drv_cable_diag {
    uint32_t unit, port;     /*  0, 4 */
    uint32_t status;         /*  8 KEL_DRV_PAIR_OK when every tested pair is */
    uint32_t pairs;          /* 12 pairs tested */
    uint32_t pair_status[4]; /* 16 KEL_DRV_PAIR_* */
    uint32_t pair_length[4]; /* 32 metres: the cable's length, or the distance to a fault */
} kel_drv_cable_diag;
KEL_DRV_ASSERT(sizeof(kel_drv_cable_diag) == 48);

/* The private show records (0x1E01..0x1E03): the driver writes at most len
 * bytes, the record's first len bytes when len is smaller; len 0 is refused. */
#define KEL_DRV_LED_OFF 0u
#define KEL_DRV_LED_ON 1u
#define KEL_DRV_LED_BLINKING 2u

/* LED record (0x1E01), 264 bytes: one byte per port, [unit - 1][port - 1]. */
typedef struct kel_drv_led {
    uint32_t units;     /* 0 units present */
    uint32_t ports;     /* 4 ports in the stack */
    uint8_t led[8][32]; /* 8 KEL_DRV_LED_*: off when the line protocol is down,
                         *   blinking when looped back */
} kel_drv_led;
KEL_DRV_ASSERT(sizeof(kel_drv_led) == 264);

/* Health record (0x1E02), 44 bytes. */
typedef struct kel_drv_health {
    uint32_t temperature;      /*  0 degrees Celsius */
    uint32_t fans_ok;          /*  4 1 when every fan turns */
    uint32_t power_ok;         /*  8 */
    uint32_t watchdog_timeout; /* 12 seconds, 0: off */
    uint32_t watchdog_resets;  /* 16 the watchdog statistic */
    uint32_t crash_dumps;      /* 20 dumps written */
    uint32_t boot_id;          /* 24 (0x1B01) */
    uint32_t trace_level;      /* 28 */
    uint32_t trace_mask;       /* 32 bit t: trace type t on */
    uint32_t reboots;          /* 36 */
    uint32_t dhcp_client;      /* 40 DHCP client state */
} kel_drv_health;
KEL_DRV_ASSERT(sizeof(kel_drv_health) == 44);

/* Model record (0x1E03), 72 bytes. */
typedef struct kel_drv_model_info {
    char model[32];       /*  0 "KS-48FE-4GE" for the stack */
    char serial[16];      /* 32 */
    char firmware[16];    /* 48 */
    uint32_t hw_revision; /* 64 */
    uint32_t units;       /* 68 */
} kel_drv_model_info;
KEL_DRV_ASSERT(sizeof(kel_drv_model_info) == 72);

#ifdef __cplusplus
}
#endif

#endif /* KEL_DRIVER_H */
