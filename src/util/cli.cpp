// cli.cpp - the shell's argument parsers for single values: numbers within
// the range of their kind, IPv4 host addresses, keywords, and the URL
// splitter. Every rejection is KEL_ERR_PARAM; a result is written only on
// success.
#include "guard.h"

#include <arpa/inet.h>

#include <cstring>

#include "kel.h"

namespace {

// A number as kel_atoi reads it, within lo..hi.
int32_t number_in(const char *text, uint32_t *out, int32_t lo, int32_t hi) {
    if (!text || !out) return KEL_ERR_PARAM;
    int32_t v;
    if (kel_atoi(text, &v) != 0 || v < lo || v > hi) return KEL_ERR_PARAM;
    *out = static_cast<uint32_t>(v);
    return 0;
}

// A keyword is recognised by its first two bytes, case-sensitively; the
// rest of the text is not read.
struct Keyword {
    char first, second;
    uint32_t code;
};

template <size_t N>
int32_t keyword(const char *text, uint32_t *out, const Keyword (&words)[N]) {
    if (!text || !out) return KEL_ERR_PARAM;
    for (const Keyword &k : words)
        if (text[0] == k.first && text[1] == k.second) {  // text[1] is read only after a match of text[0]
            *out = k.code;
            return 0;
        }
    return KEL_ERR_PARAM;
}

constexpr Keyword kEnable[] = {{'e', 'n', KEL_CLI_ENABLE}, {'d', 'i', KEL_CLI_DISABLE}};
constexpr Keyword kAction[] = {{'p', 'e', KEL_CLI_PERMIT}, {'d', 'e', KEL_CLI_DENY}};
constexpr Keyword kProtocol[] = {{'i', 'p', KEL_CLI_PROT_IP},
                                 {'t', 'c', KEL_CLI_PROT_TCP},
                                 {'u', 'd', KEL_CLI_PROT_UDP},
                                 {'i', 'c', KEL_CLI_PROT_ICMP}};

// Cuts s at the first c: overwrites it with a terminator and returns the
// text after it, or null when s holds no c.
char *cut_at(char *s, char c) {
    char *sep = std::strchr(s, c);
    if (!sep) return nullptr;
    *sep = '\0';
    return sep + 1;
}

}  // namespace

extern "C" {

int32_t kel_cli_vlan_id_get(const char *text, uint32_t *vid) { return number_in(text, vid, 1, 3000); }
int32_t kel_cli_stack_id_get(const char *text, uint32_t *id) { return number_in(text, id, 1, 8); }
int32_t kel_cli_stack_prio_get(const char *text, uint32_t *prio) { return number_in(text, prio, 1, 8); }
int32_t kel_cli_cosq_prio_get(const char *text, uint32_t *prio) { return number_in(text, prio, 0, 7); }

int32_t kel_cli_tcpudp_port_get(const char *text, uint32_t *port) { return number_in(text, port, 1, 65535); }

int32_t kel_cli_icmp_typecode_get(const char *text, uint32_t *value) {
    return number_in(text, value, 0, 255);
}

int32_t kel_cli_ipaddr_get(const char *text, uint32_t *addr) {
    if (!text || !addr) return KEL_ERR_PARAM;
    // inet_addr answers all ones for text it cannot read: refused with the
    // broadcast host number.
    uint32_t a = inet_addr(text);
    uint8_t host = reinterpret_cast<const uint8_t *>(&a)[3];  // d of a.b.c.d, whatever the byte order
    if (host == 0 || host == 255) return KEL_ERR_PARAM;
    *addr = a;
    return 0;
}

int32_t kel_cli_enable_get(const char *text, uint32_t *enable) { return keyword(text, enable, kEnable); }
int32_t kel_cli_acl_action_get(const char *text, uint32_t *action) { return keyword(text, action, kAction); }
int32_t kel_cli_acl_ipprot_get(const char *text, uint32_t *prot) { return keyword(text, prot, kProtocol); }

int32_t kel_cli_url_tokenize(char *url, char **user, char **password, char **host, char **port, char **path) {
    if (!url) return KEL_ERR_PARAM;
    char *rest = url;
    // The last '@' ends the user part, so a password may hold '@'; the first
    // ':' ends the user name, so a password may hold ':'.
    if (char *at = std::strrchr(url, '@')) {
        *at = '\0';
        if (user) *user = url;
        char *secret = cut_at(url, ':');
        if (secret && password) *password = secret;
        rest = at + 1;
    }
    if (host) *host = rest;
    char *tail = cut_at(rest, '/');  // the path goes without its '/'
    if (tail && path) *path = tail;
    char *number = cut_at(rest, ':');  // only a ':' before the path ends the host
    if (number && port) *port = number;
    return 0;
}

}  // extern "C"
