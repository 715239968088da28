// acl.cpp - the simulated access control lists (family 0x0D).
//
// Sixteen named lists, each a MAC list (type 2) or an IP list (type 4) of
// up to 64 filters kept in order of sequence number, installed on any
// number of ports; a port carries at most one list of each type. Filters
// are stored as the driver understands them: addresses under their masks,
// fields of the other kind and unused ICMP and port fields cleared, so two
// filters that match the same traffic compare equal.
#include <cstring>

#include "family/commands.h"
#include "family/protocol_common.h"
#include "kel_driver.h"

namespace kelsim {

namespace {

bool is_type(uint32_t t) { return t == KEL_DRV_ACL_TYPE_MAC || t == KEL_DRV_ACL_TYPE_IP; }

void set_port_bit(iflist &l, uint32_t unit, uint32_t port, bool on) {
    uint32_t bit = 1u << (port - 1);
    if (on)
        l.word[unit - 1] |= bit;
    else
        l.word[unit - 1] &= ~bit;
}

bool port_bit(const iflist &l, uint32_t unit, uint32_t port) { return (l.word[unit - 1] >> (port - 1)) & 1u; }

// A list name in the caller's text: 1 to 31 characters, else KEL_DRV_ERR_BAD_VALUE.
struct Name {
    char text[KEL_DRV_ACL_NAME_MAX + 2];
    size_t len;
};
int32_t read_name(Context &c, Name *name) {
    if (int32_t st = c.get_text(name->text, KEL_DRV_ACL_NAME_MAX + 1, &name->len)) return st;
    return name->len >= 1 && name->len <= KEL_DRV_ACL_NAME_MAX ? KEL_DRV_OK : KEL_DRV_ERR_BAD_VALUE;
}

AclList *find_list(Model &m, const char *name, size_t len) {
    for (AclList &l : m.proto.acl)
        if (l.used && std::strlen(l.name) == len && std::memcmp(l.name, name, len) == 0) return &l;
    return nullptr;
}

// The named list of a request: KEL_DRV_ERR_NULL_BUFFER, KEL_DRV_ERR_BAD_VALUE or KEL_DRV_ERR_NO_SUCH_ENTRY
// when there is none.
AclList *named_list(Context &c, int32_t *status) {
    Name name;
    AclList *l = nullptr;
    if (!(*status = read_name(c, &name)) && !(l = find_list(c.m, name.text, name.len)))
        *status = KEL_DRV_ERR_NO_SUCH_ENTRY;
    return l;
}

AclList *numbered_list(Model &m, uint32_t number) {
    if (number < 1 || number > KEL_DRV_ACL_LISTS || !m.proto.acl[number - 1].used) return nullptr;
    return &m.proto.acl[number - 1];
}

void fill_record(const AclList &l, uint32_t number, kel_drv_acl *r) {
    std::memset(r, 0, sizeof *r);
    std::memcpy(r->name, l.name, sizeof l.name);
    r->number = number;
    r->type = l.type;
    r->filters = l.nfilters;
    r->ports = l.ports;
}

int32_t create(Context &c) {
    Name name;
    int32_t st = read_name(c, &name);
    if (st == KEL_DRV_ERR_NULL_BUFFER || st == kFault) return st;
    if (st || !is_type(c.b.sel) || !printable_name(name.text, name.len)) return KEL_DRV_ERR_BAD_VALUE;
    if (find_list(c.m, name.text, name.len)) return KEL_DRV_ERR_EXISTS;
    for (uint32_t i = 0; i < KEL_DRV_ACL_LISTS; ++i) {
        AclList &l = c.m.proto.acl[i];
        if (l.used) continue;
        std::memset(&l, 0, sizeof l);
        l.used = 1;
        l.type = c.b.sel;
        std::memcpy(l.name, name.text, name.len);
        c.b.list = i + 1;
        return KEL_DRV_OK;
    }
    return KEL_DRV_ERR_TABLE_FULL;
}

// Destroying a list also takes it off every port it was installed on.
int32_t destroy(Context &c) {
    int32_t st;
    AclList *l = named_list(c, &st);
    if (!l) return st;
    std::memset(l, 0, sizeof *l);
    return KEL_DRV_OK;
}

int32_t get(Context &c) {
    int32_t st;
    AclList *l = named_list(c, &st);
    if (!l) return st;
    kel_drv_acl r;
    fill_record(*l, static_cast<uint32_t>(l - c.m.proto.acl) + 1, &r);
    return c.put_rec(&r, sizeof r);
}

int32_t next(Context &c) {
    if (!is_type(c.b.sel)) return KEL_DRV_ERR_BAD_VALUE;
    for (uint32_t i = c.b.index; i < KEL_DRV_ACL_LISTS; ++i) {
        const AclList &l = c.m.proto.acl[i];
        if (!l.used || l.type != c.b.sel) continue;
        kel_drv_acl r;
        fill_record(l, i + 1, &r);
        if (int32_t st = answer(c, r)) return st;
        c.b.index = i + 1;
        return KEL_DRV_OK;
    }
    return KEL_DRV_ERR_END_OF_TABLE;
}

// The selector is the type of the list: it replaces the port's list of that type.
int32_t install(Context &c) {
    int32_t st;
    AclList *l = named_list(c, &st);
    if (!l) return st;
    if (c.b.sel != l->type) return KEL_DRV_ERR_BAD_VALUE;
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    for (AclList &other : c.m.proto.acl)
        if (other.used && other.type == l->type) set_port_bit(other.ports, c.b.unit, c.b.port, false);
    set_port_bit(l->ports, c.b.unit, c.b.port, true);
    return KEL_DRV_OK;
}

int32_t remove(Context &c) {
    if (!is_type(c.b.sel)) return KEL_DRV_ERR_BAD_VALUE;
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    for (AclList &l : c.m.proto.acl)
        if (l.used && l.type == c.b.sel && port_bit(l.ports, c.b.unit, c.b.port)) {
            set_port_bit(l.ports, c.b.unit, c.b.port, false);
            return KEL_DRV_OK;
        }
    return KEL_DRV_ERR_NO_SUCH_ENTRY;
}

int32_t filter_next(Context &c) {
    const AclList *l = numbered_list(c.m, c.b.list);
    if (!l) return KEL_DRV_ERR_NO_SUCH_ENTRY;
    if (c.b.index >= l->nfilters) return KEL_DRV_ERR_END_OF_TABLE;
    if (int32_t st = answer(c, l->filter[c.b.index])) return st;
    ++c.b.index;
    return KEL_DRV_OK;
}

void mask_bytes(uint8_t *value, const uint8_t *mask, size_t n) {
    for (size_t i = 0; i < n; ++i) value[i] &= mask[i];
}

// The caller's filter as the driver keeps it, or false when a field is out of range.
bool canonical_filter(const kel_drv_acl_filter &in, uint32_t kind, kel_drv_acl_filter *out) {
    std::memset(out, 0, sizeof *out);
    if (in.action != KEL_DRV_ACL_PERMIT && in.action != KEL_DRV_ACL_DENY) return false;
    out->action = in.action;
    out->kind = kind;
    if (kind == KEL_DRV_FILTER_MAC) {
        if ((in.ethertype != 0 && (in.ethertype < 0x0600 || in.ethertype > 0xFFFF)) || in.vid > KEL_VLAN_MAX)
            return false;
        std::memcpy(out->src_mac, in.src_mac, 6);
        std::memcpy(out->src_mac_mask, in.src_mac_mask, 6);
        std::memcpy(out->dst_mac, in.dst_mac, 6);
        std::memcpy(out->dst_mac_mask, in.dst_mac_mask, 6);
        mask_bytes(out->src_mac, out->src_mac_mask, 6);
        mask_bytes(out->dst_mac, out->dst_mac_mask, 6);
        out->ethertype = in.ethertype;
        out->vid = in.vid;
        return true;
    }
    uint32_t proto = in.protocol == KEL_DRV_PROTO_ANY ? KEL_DRV_PROTO_IP : in.protocol;
    bool ports = proto == KEL_DRV_PROTO_TCP || proto == KEL_DRV_PROTO_UDP, icmp = proto == KEL_DRV_PROTO_ICMP;
    if (proto != KEL_DRV_PROTO_IP && !ports && !icmp) return false;
    if (in.src_port > 65535 || in.dst_port > 65535 || ((in.src_port || in.dst_port) && !ports)) return false;
    if ((in.icmp_match & ~(KEL_DRV_MATCH_ICMP_TYPE | KEL_DRV_MATCH_ICMP_CODE)) || (in.icmp_match && !icmp))
        return false;
    if (((in.icmp_match & KEL_DRV_MATCH_ICMP_TYPE) && in.icmp_type > 255) ||
        ((in.icmp_match & KEL_DRV_MATCH_ICMP_CODE) && in.icmp_code > 255))
        return false;
    out->protocol = proto;
    out->src_mask = in.src_mask;
    out->src_ip = in.src_ip & in.src_mask;
    out->dst_mask = in.dst_mask;
    out->dst_ip = in.dst_ip & in.dst_mask;
    out->src_port = in.src_port;
    out->dst_port = in.dst_port;
    out->icmp_match = in.icmp_match;
    out->icmp_type = (in.icmp_match & KEL_DRV_MATCH_ICMP_TYPE) ? in.icmp_type : 0;
    out->icmp_code = (in.icmp_match & KEL_DRV_MATCH_ICMP_CODE) ? in.icmp_code : 0;
    return true;
}

// Same traffic, same action, same egress port.
bool same_filter(const kel_drv_acl_filter &a, const kel_drv_acl_filter &b) {
    constexpr size_t kFrom = offsetof(kel_drv_acl_filter, src_mac), kTo = offsetof(kel_drv_acl_filter, param);
    return a.action == b.action && a.kind == b.kind && a.egress_unit == b.egress_unit &&
           a.egress_port == b.egress_port &&
           std::memcmp(reinterpret_cast<const uint8_t *>(&a) + kFrom,
                       reinterpret_cast<const uint8_t *>(&b) + kFrom, kTo - kFrom) == 0;
}

// What an add or delete names: the list, the canonical filter with its egress port.
int32_t filter_request(Context &c, uint32_t kind, AclList **list, kel_drv_acl_filter *f) {
    AclList *l = numbered_list(c.m, c.b.list);
    if (!l) return KEL_DRV_ERR_NO_SUCH_ENTRY;
    if (l->type != (kind == KEL_DRV_FILTER_MAC ? KEL_DRV_ACL_TYPE_MAC : KEL_DRV_ACL_TYPE_IP))
        return KEL_DRV_ERR_BAD_VALUE;
    if (!c.has_buf()) return KEL_DRV_ERR_NULL_BUFFER;
    bool egress = c.b.unit != 0 || c.b.port != 0;
    if (egress && !c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    kel_drv_acl_filter in;
    if (int32_t st = c.get(in)) return st;
    if (!canonical_filter(in, kind, f)) return KEL_DRV_ERR_BAD_VALUE;
    f->egress_unit = static_cast<int32_t>(c.b.unit);
    f->egress_port = static_cast<int32_t>(c.b.port);
    *list = l;
    return KEL_DRV_OK;
}

int32_t filter_add(Context &c, uint32_t kind) {
    AclList *l;
    kel_drv_acl_filter f;
    if (int32_t st = filter_request(c, kind, &l, &f)) return st;
    uint32_t seq = c.b.param;
    if (seq == 0) {
        uint32_t last = l->nfilters ? l->filter[l->nfilters - 1].sequence : 0;
        if (last > UINT32_MAX - KEL_DRV_ACL_SEQUENCE_STEP)
            return KEL_DRV_ERR_TABLE_FULL;  // no number left after it
        seq = last + KEL_DRV_ACL_SEQUENCE_STEP;
    }
    for (uint32_t i = 0; i < l->nfilters; ++i)
        if (same_filter(l->filter[i], f) || l->filter[i].sequence == seq) return KEL_DRV_ERR_EXISTS;
    if (l->nfilters == kAclFilters) return KEL_DRV_ERR_TABLE_FULL;
    size_t at = 0;
    while (at < l->nfilters && l->filter[at].sequence < seq) ++at;
    f.sequence = seq;
    f.param = c.b.param;
    std::memmove(&l->filter[at + 1], &l->filter[at], (l->nfilters - at) * sizeof f);
    l->filter[at] = f;
    ++l->nfilters;
    return KEL_DRV_OK;
}

int32_t filter_del(Context &c, uint32_t kind) {
    AclList *l;
    kel_drv_acl_filter f;
    if (int32_t st = filter_request(c, kind, &l, &f)) return st;
    for (uint32_t i = 0; i < l->nfilters; ++i) {
        if (!same_filter(l->filter[i], f) || (c.b.param && l->filter[i].sequence != c.b.param)) continue;
        std::memmove(&l->filter[i], &l->filter[i + 1], (l->nfilters - i - 1) * sizeof f);
        std::memset(&l->filter[--l->nfilters], 0, sizeof f);
        return KEL_DRV_OK;
    }
    return KEL_DRV_ERR_NO_SUCH_ENTRY;
}

int32_t mac_add(Context &c) { return filter_add(c, KEL_DRV_FILTER_MAC); }
int32_t mac_del(Context &c) { return filter_del(c, KEL_DRV_FILTER_MAC); }
int32_t ip_add(Context &c) { return filter_add(c, KEL_DRV_FILTER_IP); }
int32_t ip_del(Context &c) { return filter_del(c, KEL_DRV_FILTER_IP); }

constexpr uint16_t kNameSize = KEL_DRV_ACL_NAME_MAX + 2;  // one more character than a name may have
constexpr uint16_t kFilterSize = sizeof(kel_drv_acl_filter);

const Command kAcl[] = {
    {0x0D01, "acl_create", create, nullptr, In::text, kNameSize},
    {0x0D02, "acl_destroy", destroy, nullptr, In::text, kNameSize},
    {0x0D03, "acl_get", get, nullptr, In::text, kNameSize},
    {0x0D04, "acl_getnext", next},
    {0x0D05, "acl_filter_install", install, nullptr, In::text, kNameSize},
    {0x0D06, "acl_filter_remove", remove},
    {0x0D07, "acl_filter_getnext", filter_next},
    {0x0D08, "acl_mac_filter_add", mac_add, nullptr, In::fixed, kFilterSize},
    {0x0D09, "acl_mac_filter_del", mac_del, nullptr, In::fixed, kFilterSize},
    {0x0D0A, "acl_ip_filter_add", ip_add, nullptr, In::fixed, kFilterSize},
    {0x0D0B, "acl_ip_filter_del", ip_del, nullptr, In::fixed, kFilterSize},
};

}  // namespace

const Family kAclFamily = family(kAcl);

}  // namespace kelsim
