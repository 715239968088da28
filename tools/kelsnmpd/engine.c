/*
 * engine.c - answers GET, GETNEXT and SET for the tables the MIB files
 * describe (agent.h).
 *
 * GETNEXT walks a table column by column, asking the table for the row
 * after the one requested. SET is a transaction over row images: RESERVE1
 * checks each value alone and writes it into a copy of the row as the
 * switch holds it, RESERVE2 checks each changed row as a whole against the
 * switch, ACTION drives the switch row by row from the old image to the new
 * one, and UNDO drives every row that ACTION touched back to its old image,
 * from what the switch holds then. Nothing is sent to the driver before
 * ACTION. The master agent runs one SET transaction at a time, so one is
 * kept here, from the RESERVE1 of a new PDU to FREE.
 */
#include <stdlib.h>
#include <string.h>

#include "agent.h"

/* ---- values ---------------------------------------------------------------- */

int mib_int(netsnmp_variable_list *vb, long v) {
    snmp_set_var_typed_value(vb, ASN_INTEGER, &v, sizeof v);
    return 0;
}

int mib_uint(netsnmp_variable_list *vb, u_char type, uint32_t v) {
    u_long u = v;
    snmp_set_var_typed_value(vb, type, &u, sizeof u);
    return 0;
}

int mib_c64(netsnmp_variable_list *vb, uint64_t v) {
    struct counter64 c = {(u_long)(v >> 32), (u_long)(v & 0xFFFFFFFFu)};
    snmp_set_var_typed_value(vb, ASN_COUNTER64, &c, sizeof c);
    return 0;
}

int mib_str(netsnmp_variable_list *vb, const void *p, size_t n) {
    snmp_set_var_typed_value(vb, ASN_OCTET_STR, p, n);
    return 0;
}

int mib_oid(netsnmp_variable_list *vb, const oid *o, size_t n) {
    snmp_set_var_typed_value(vb, ASN_OBJECT_ID, o, n * sizeof(oid));
    return 0;
}

int mib_get_int(const netsnmp_variable_list *vb, long min, long max, long *out) {
    if (vb->type != ASN_INTEGER) return SNMP_ERR_WRONGTYPE;
    if (vb->val_len != sizeof(long)) return SNMP_ERR_WRONGLENGTH;
    if (*vb->val.integer < min || *vb->val.integer > max) return SNMP_ERR_WRONGVALUE;
    *out = *vb->val.integer;
    return SNMP_ERR_NOERROR;
}

int mib_get_truth(const netsnmp_variable_list *vb, int *out) {
    long v;
    int err = mib_get_int(vb, 1, 2, &v);
    if (err == SNMP_ERR_NOERROR) *out = v == 1;
    return err;
}

int mib_get_str(const netsnmp_variable_list *vb, size_t min, size_t max, char *out) {
    if (vb->type != ASN_OCTET_STR) return SNMP_ERR_WRONGTYPE;
    if (vb->val_len < min || vb->val_len > max) return SNMP_ERR_WRONGLENGTH;
    memcpy(out, vb->val.string, vb->val_len);
    out[vb->val_len] = '\0';
    return SNMP_ERR_NOERROR;
}

/* ---- rows ------------------------------------------------------------------ */

int mib_scalar_next(const mib_index *after, mib_index *row, int continuing) {
    (void)continuing;
    if (after->len > 0) return MIB_NONE;
    row->len = 1;
    row->o[0] = 0;
    return 0;
}

int mib_is_scalar(const mib_index *row) { return row->len == 1 && row->o[0] == 0; }

int mib_int_next(const mib_index *after, mib_index *row, long (*first)(unsigned long from)) {
    /* Any index that begins with k comes after the row k itself. */
    unsigned long from = after->len == 0 ? 0 : after->o[0] + 1;
    if (after->len > 0 && after->o[0] >= 0xFFFFFFFFul) return MIB_NONE;
    long k = first(from);
    if (k < 0) return MIB_NONE;
    row->len = 1;
    row->o[0] = (oid)k;
    return 0;
}

unsigned long mib_int_index(const mib_index *row) { return row->len == 1 ? row->o[0] : 0; }

static const mib_column *column(const mib_table *t, oid id) {
    for (size_t i = 0; i < t->ncols; ++i)
        if (t->cols[i].id == id) return &t->cols[i];
    return NULL;
}

/* Where a name lies against the table: -1 before it, 1 after it, 0 inside
 * it (then *col and idx are what follows the entry's OID). */
static int locate(const mib_table *t, const oid *name, size_t len, oid *col, mib_index *idx,
                  int *long_index) {
    size_t n = len < t->entry_len ? len : t->entry_len;
    for (size_t i = 0; i < n; ++i)
        if (name[i] != t->entry[i]) return name[i] < t->entry[i] ? -1 : 1;
    idx->len = 0;
    *long_index = 0;
    if (len <= t->entry_len) {
        *col = 0;
        return len < t->entry_len ? -1 : 0;
    }
    *col = name[t->entry_len];
    size_t rest = len - t->entry_len - 1;
    if (rest > MIB_INDEX_MAX) {
        rest = MIB_INDEX_MAX;
        *long_index = 1;
    }
    idx->len = rest;
    memcpy(idx->o, name + t->entry_len + 1, rest * sizeof(oid));
    return 0;
}

static void answer_name(const mib_table *t, netsnmp_variable_list *vb, oid col, const mib_index *row) {
    oid name[MAX_OID_LEN];
    memcpy(name, t->entry, t->entry_len * sizeof(oid));
    name[t->entry_len] = col;
    memcpy(name + t->entry_len + 1, row->o, row->len * sizeof(oid));
    snmp_set_var_objid(vb, name, t->entry_len + 1 + row->len);
}

static void get(const mib_table *t, netsnmp_agent_request_info *ri, netsnmp_request_info *r) {
    netsnmp_variable_list *vb = r->requestvb;
    oid col;
    mib_index idx;
    int too_long;
    if (locate(t, vb->name, vb->name_length, &col, &idx, &too_long) != 0 || !column(t, col)) {
        netsnmp_set_request_error(ri, r, SNMP_NOSUCHOBJECT);
        return;
    }
    if (too_long || t->read(&idx, col, vb) != 0) netsnmp_set_request_error(ri, r, SNMP_NOSUCHINSTANCE);
}

/* Answers the first object after the requested name; leaves the varbind
 * alone when the table holds none, so that the agent looks further on. */
static void getnext(const mib_table *t, netsnmp_request_info *r) {
    netsnmp_variable_list *vb = r->requestvb;
    oid col;
    mib_index after, row;
    int too_long;
    int where = locate(t, vb->name, vb->name_length, &col, &after, &too_long);
    if (where > 0) return;
    oid asked[MAX_OID_LEN];
    size_t asked_len = vb->name_length;
    memcpy(asked, vb->name, asked_len * sizeof(oid));
    if (where < 0) col = 0, after.len = 0;
    for (size_t i = 0; i < t->ncols; ++i) {
        const mib_column *c = &t->cols[i];
        if (c->id < col) continue;
        if (c->id > col) after.len = 0;
        /* A walk goes on when it asks for the row after a whole index. */
        int continuing = after.len > 0;
        while (t->next(&after, &row, continuing) == 0) {
            answer_name(t, vb, c->id, &row);
            if (t->read(&row, c->id, vb) == 0) return;
            after = row;
        }
        after.len = 0;
    }
    /* Nothing here: leave the name as it was asked for. */
    (void)too_long;
    snmp_set_var_objid(vb, asked, asked_len);
    snmp_set_var_typed_value(vb, ASN_NULL, NULL, 0);
}

/* ---- the SET transaction ------------------------------------------------- */

typedef struct tx_row {
    const mib_table *t;
    mib_index idx;
    int applied;
    unsigned char *old, *new_image;
} tx_row;

static struct {
    void *asp;
    long reqid;
    size_t n, cap;
    tx_row *rows;
} tx;

static void tx_reset(void) {
    for (size_t i = 0; i < tx.n; ++i) {
        free(tx.rows[i].old);
        free(tx.rows[i].new_image);
    }
    tx.n = 0;
    tx.asp = NULL;
    tx.reqid = -1;
}

static int same_index(const mib_index *a, const mib_index *b) {
    return a->len == b->len && memcmp(a->o, b->o, a->len * sizeof(oid)) == 0;
}

/* The transaction's row for (t, idx), made from the switch's current
 * image; sets *err when no such row can be. */
static tx_row *tx_row_of(const mib_table *t, const mib_index *idx, int creating, int *err) {
    for (size_t i = 0; i < tx.n; ++i)
        if (tx.rows[i].t == t && same_index(&tx.rows[i].idx, idx)) return &tx.rows[i];
    if (tx.n == tx.cap) {
        size_t cap = tx.cap ? 2 * tx.cap : 16;
        tx_row *rows = realloc(tx.rows, cap * sizeof *rows);
        if (!rows) {
            *err = SNMP_ERR_RESOURCEUNAVAILABLE;
            return NULL;
        }
        tx.rows = rows;
        tx.cap = cap;
    }
    tx_row *row = &tx.rows[tx.n];
    memset(row, 0, sizeof *row);
    row->t = t;
    row->idx = *idx;
    row->old = calloc(1, t->image_size);
    row->new_image = calloc(1, t->image_size);
    if (!row->old || !row->new_image) {
        free(row->old);
        free(row->new_image);
        *err = SNMP_ERR_RESOURCEUNAVAILABLE;
        return NULL;
    }
    int exists = t->load(idx, row->old);
    if (exists == MIB_NONE || (exists == 0 && !creating)) {
        free(row->old);
        free(row->new_image);
        *err = SNMP_ERR_NOCREATION;
        return NULL;
    }
    memcpy(row->new_image, row->old, t->image_size);
    ++tx.n;
    return row;
}

/* The request of this handler call that writes column col of a row (or
 * any of the row's columns when col is 0). */
static netsnmp_request_info *request_of(const tx_row *row, netsnmp_request_info *reqs, oid col) {
    netsnmp_request_info *any = NULL;
    for (netsnmp_request_info *r = reqs; r; r = r->next) {
        oid c;
        mib_index idx;
        int too_long;
        if (locate(row->t, r->requestvb->name, r->requestvb->name_length, &c, &idx, &too_long) != 0) continue;
        if (!same_index(&idx, &row->idx)) continue;
        if (c == col) return r;
        if (!any) any = r;
    }
    return any;
}

static void reserve1(const mib_table *t, netsnmp_agent_request_info *ri, netsnmp_request_info *reqs) {
    if (tx.asp != ri->asp || tx.reqid != ri->asp->pdu->reqid) {
        tx_reset();
        tx.asp = ri->asp;
        tx.reqid = ri->asp->pdu->reqid;
    }
    for (netsnmp_request_info *r = reqs; r; r = r->next) {
        netsnmp_variable_list *vb = r->requestvb;
        oid col;
        mib_index idx;
        int too_long, err = SNMP_ERR_NOERROR;
        const mib_column *c = NULL;
        if (locate(t, vb->name, vb->name_length, &col, &idx, &too_long) == 0) c = column(t, col);
        if (!c || c->access == MIB_RO || !t->put)
            err = c ? SNMP_ERR_NOTWRITABLE : SNMP_ERR_NOCREATION;
        else if (vb->type != c->type)
            err = SNMP_ERR_WRONGTYPE;
        else if (too_long)
            err = SNMP_ERR_NOCREATION;
        if (err == SNMP_ERR_NOERROR) {
            tx_row *row = tx_row_of(t, &idx, c->access == MIB_RC, &err);
            if (row) err = t->put(row->new_image, col, vb);
        }
        if (err != SNMP_ERR_NOERROR) netsnmp_set_request_error(ri, r, err);
    }
}

static void reserve2(const mib_table *t, netsnmp_agent_request_info *ri, netsnmp_request_info *reqs) {
    for (size_t i = 0; i < tx.n; ++i) {
        tx_row *row = &tx.rows[i];
        if (row->t != t || !t->check) continue;
        oid col = 0;
        int err = t->check(&row->idx, row->old, row->new_image, &col);
        if (err != SNMP_ERR_NOERROR) {
            netsnmp_request_info *r = request_of(row, reqs, col);
            if (r) netsnmp_set_request_error(ri, r, err);
            return;
        }
    }
}

static void action(const mib_table *t, netsnmp_agent_request_info *ri, netsnmp_request_info *reqs) {
    for (size_t i = 0; i < tx.n; ++i) {
        tx_row *row = &tx.rows[i];
        if (row->t != t) continue;
        row->applied = 1;
        int status = t->apply(&row->idx, row->old, row->new_image);
        if (status != 0) {
            snmp_log(LOG_WARNING, "kelsnmpd: %s: the switch refused a change (driver status %d)\n", t->name,
                     status);
            netsnmp_request_info *r = request_of(row, reqs, 0);
            if (r) netsnmp_set_request_error(ri, r, SNMP_ERR_COMMITFAILED);
            return;
        }
    }
}

static void undo(const mib_table *t, netsnmp_agent_request_info *ri, netsnmp_request_info *reqs) {
    for (size_t i = tx.n; i-- > 0;) {
        tx_row *row = &tx.rows[i];
        if (row->t != t || !row->applied) continue;
        unsigned char *now = calloc(1, t->image_size);
        int status = -1;
        if (now) {
            t->load(&row->idx, now);
            status = t->apply(&row->idx, now, row->old);
            free(now);
        }
        row->applied = 0;
        if (status != 0) {
            snmp_log(LOG_ERR, "kelsnmpd: %s: a change could not be undone (driver status %d)\n", t->name,
                     status);
            netsnmp_request_info *r = request_of(row, reqs, 0);
            if (r) netsnmp_set_request_error(ri, r, SNMP_ERR_UNDOFAILED);
        }
    }
}

/* ---- the handler ----------------------------------------------------------- */

static int handle(netsnmp_mib_handler *handler, netsnmp_handler_registration *reg,
                  netsnmp_agent_request_info *ri, netsnmp_request_info *reqs) {
    (void)reg;
    const mib_table *t = handler->myvoid;
    view_begin(ri, ri->mode != MODE_GET && ri->mode != MODE_GETNEXT);
    switch (ri->mode) {
        case MODE_GET:
            for (netsnmp_request_info *r = reqs; r; r = r->next)
                if (!r->processed) get(t, ri, r);
            break;
        case MODE_GETNEXT:
            for (netsnmp_request_info *r = reqs; r; r = r->next)
                if (!r->processed) getnext(t, r);
            break;
        case MODE_SET_RESERVE1:
            reserve1(t, ri, reqs);
            break;
        case MODE_SET_RESERVE2:
            reserve2(t, ri, reqs);
            break;
        case MODE_SET_ACTION:
            action(t, ri, reqs);
            break;
        case MODE_SET_UNDO:
            undo(t, ri, reqs);
            break;
        case MODE_SET_FREE:
            /* After COMMIT the master may still ask for UNDO when another
             * subagent failed; the transaction ends here. */
            tx_reset();
            break;
        default:
            break;
    }
    return SNMP_ERR_NOERROR;
}

void mib_register(const mib_table *t) {
    netsnmp_mib_handler *h = netsnmp_create_handler(t->name, handle);
    if (!h) {
        snmp_log(LOG_ERR, "kelsnmpd: no memory for the handler of %s\n", t->name);
        return;
    }
    h->myvoid = (void *)t;
    /* A scalar group registers the range of its scalars, so that the tables
     * inside the group's subtree remain registrations of their own. */
    oid root[MAX_OID_LEN];
    size_t len = t->entry_len;
    memcpy(root, t->entry, len * sizeof(oid));
    int scalars = t->next == mib_scalar_next;
    if (scalars) root[len++] = t->cols[0].id;
    netsnmp_handler_registration *reg = netsnmp_handler_registration_create(
        t->name, h, root, len, t->put ? HANDLER_CAN_RWRITE : HANDLER_CAN_RONLY);
    if (reg && scalars && t->ncols > 1) {
        reg->range_subid = (u_char)len;
        reg->range_ubound = t->cols[t->ncols - 1].id;
    }
    if (!reg || netsnmp_register_handler(reg) != MIB_REGISTERED_OK)
        snmp_log(LOG_ERR, "kelsnmpd: could not register %s\n", t->name);
}
