// trace.cpp - decoding a request into one line of text.
#include "trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace kelsim {

namespace {

struct NamedWord {
    const char *name;
    uint32_t kel_ioreq::*slot;
    bool address;  // an IPv4 value in network byte order
};

const NamedWord kWords[] = {
    {"sel", &kel_ioreq::sel, false},     {"unit", &kel_ioreq::unit, false},
    {"port", &kel_ioreq::port, false},   {"vid", &kel_ioreq::vid, false},
    {"trunk", &kel_ioreq::trunk, false}, {"session", &kel_ioreq::session, false},
    {"queue", &kel_ioreq::queue, false}, {"list", &kel_ioreq::list, false},
    {"index", &kel_ioreq::index, false}, {"value", &kel_ioreq::value, false},
    {"param", &kel_ioreq::param, false}, {"prio", &kel_ioreq::prio, false},
    {"aux", &kel_ioreq::aux, false},     {"rate", &kel_ioreq::rate, false},
    {"count", &kel_ioreq::count, false}, {"addr", &kel_ioreq::addr, true},
    {"mask", &kel_ioreq::mask, true},    {"len", &kel_ioreq::len, false},
};

struct Line {
    char *out;
    size_t size;
    size_t n = 0;
    void add(const char *fmt, ...) __attribute__((format(printf, 2, 3))) {
        if (n + 1 >= size) return;
        va_list ap;
        va_start(ap, fmt);
        int k = std::vsnprintf(out + n, size - n, fmt, ap);
        va_end(ap);
        if (k > 0) n = (n + static_cast<size_t>(k) < size) ? n + static_cast<size_t>(k) : size - 1;
    }
    void word(const NamedWord &w, uint32_t v) {
        if (w.address) {
            unsigned char b[4];
            std::memcpy(b, &v, 4);
            add(" %s=%u.%u.%u.%u", w.name, b[0], b[1], b[2], b[3]);
        } else if (v >= 0x80000000u) {  // a negative value reads better signed
            add(" %s=%d", w.name, static_cast<int32_t>(v));
        } else {
            add(" %s=%u", w.name, v);
        }
    }
    size_t end() {
        out[n++] = '\n';
        out[n] = '\0';
        return n;
    }
    void mac(const uint8_t *m) { add(" mac=%02x%02x.%02x%02x.%02x%02x", m[0], m[1], m[2], m[3], m[4], m[5]); }
    // A text in quotes, escaped so that nothing in it can end the quotes or
    // the line, or reach a terminal: \" \\ and \xNN for any byte that is not
    // printable ASCII.
    void quoted(const uint8_t *text, size_t size) {
        add(" text=\"");
        for (size_t i = 0; i < size && text[i]; ++i) {
            if (text[i] == '"' || text[i] == '\\')
                add("\\%c", text[i]);
            else if (text[i] < ' ' || text[i] > '~')
                add("\\x%02x", text[i]);
            else
                add("%c", text[i]);
        }
        add("\"");
    }
};

bool has_mac(const kel_ioreq &b) {
    static const uint8_t zero[6] = {};
    return std::memcmp(b.mac, zero, sizeof zero) != 0;
}

}  // namespace

size_t format_trace(char *out, size_t size, const Command *cmd, const kel_ioreq &sent,
                    const kel_ioreq &answer, int result, const uint8_t *record, size_t record_size) {
    if (size < 2) return 0;
    out[0] = '\0';
    Line line{out, size - 1};  // room for the newline
    line.add("0x%04X %s", sent.cmd & 0xFFFFu, cmd ? cmd->name : "?");
    for (const NamedWord &w : kWords)
        if (sent.*w.slot) line.word(w, sent.*w.slot);
    if (has_mac(sent)) line.mac(sent.mac);
    if (sent.buf || sent.buf_hi) {
        if (cmd && cmd->secret) {
            line.add(" record=<hidden>");
        } else if (cmd && cmd->in == In::text && record_size) {
            line.quoted(record, record_size);
        } else {
            line.add(" buf");
        }
    }
    if (result != 0 && answer.status == 0) {
        line.add(" -> ioctl %d", result);
        return line.end();
    }
    line.add(" -> %d", answer.status);
    if (answer.status) {  // the status's text as one token: "no-such-entry"
        line.add(" ");
        for (const char *c = kel_drv_status_text(answer.status); *c; ++c)
            line.add("%c", *c == ' ' ? '-' : *c);
    }
    for (const NamedWord &w : kWords)
        if (answer.*w.slot != sent.*w.slot) line.word(w, answer.*w.slot);
    if (std::memcmp(answer.mac, sent.mac, sizeof sent.mac) != 0) line.mac(answer.mac);
    if (result != 0) line.add(" ioctl %d", result);
    return line.end();
}

}  // namespace kelsim
