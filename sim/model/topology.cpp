// topology.cpp - parsing and printing of the unit/port layout.
#include "model/topology.h"

#include <cstdio>
#include <cstring>

namespace kelsim {

const char kDefaultLayout[] = "24fe,2ge;24fe,2ge";

int Topology::total_ports() const {
    int n = 0;
    for (int u = 0; u < kMaxUnits; ++u) n += nports[u];
    return n;
}

int Topology::units_present() const {
    int n = 0;
    for (int u = 0; u < kMaxUnits; ++u) n += nports[u] != 0;
    return n;
}

namespace {

bool fail(char *err, size_t size, const char *fmt, int a, int b = 0) {
    if (err && size) std::snprintf(err, size, fmt, a, b);
    return false;
}

}  // namespace

bool parse_topology(const char *text, Topology *out, char *err, size_t err_size) {
    if (!text || !*text) return fail(err, err_size, "empty layout%.0d", 0);
    Topology t;
    std::memset(&t, 0, sizeof t);
    const char *s = text;
    int unit = 0;  // index of the unit being parsed
    for (;;) {
        if (unit >= kMaxUnits) return fail(err, err_size, "more than %d units", kMaxUnits);
        if (*s == '-') {
            ++s;  // an absent unit
        } else {
            for (;;) {
                if (*s < '0' || *s > '9')
                    return fail(err, err_size, "unit %d: expected a port count at column %d", unit + 1,
                                static_cast<int>(s - text) + 1);
                long count = 0;
                for (; *s >= '0' && *s <= '9'; ++s)
                    if (count <= kMaxPorts) count = count * 10 + (*s - '0');  // saturates above 32
                if (count == 0) return fail(err, err_size, "unit %d: a segment of 0 ports%.0d", unit + 1);
                Media m;
                if (std::strncmp(s, "fe", 2) == 0) {
                    m = kFastEthernet;
                } else if (std::strncmp(s, "ge", 2) == 0) {
                    m = kGigabit;
                } else {
                    return fail(err, err_size, "unit %d: expected media 'fe' or 'ge' at column %d", unit + 1,
                                static_cast<int>(s - text) + 1);
                }
                s += 2;
                bool stack = false;
                if (std::strncmp(s, "/stack", 6) == 0) {
                    stack = true;
                    s += 6;
                }
                if (t.nports[unit] + count > kMaxPorts)
                    return fail(err, err_size, "unit %d: more than %d ports", unit + 1, kMaxPorts);
                for (long i = 0; i < count; ++i) {
                    int port = t.nports[unit]++;
                    t.media[unit][port] = m;
                    if (stack) t.stack_mask[unit] |= 1u << port;
                }
                if (*s != ',') break;
                ++s;
            }
        }
        ++unit;
        if (*s == '\0') break;
        if (*s != ';')
            return fail(err, err_size, "unexpected character at column %d%.0d",
                        static_cast<int>(s - text) + 1);
        ++s;
    }
    *out = t;
    return true;
}

namespace {

// Appends to a fixed buffer, silently cut at its end.
struct Text {
    char *out;
    size_t size;
    size_t n = 0;
    void add(const char *s) {
        while (*s && n + 1 < size) out[n++] = *s++;
        out[n] = '\0';
    }
};

}  // namespace

void format_topology(const Topology &t, char *out, size_t size) {
    if (!size) return;
    Text text{out, size};
    text.add("");
    int last = kMaxUnits;
    while (last > 1 && t.nports[last - 1] == 0) --last;  // trailing absent units are implied
    for (int u = 0; u < last; ++u) {
        if (u) text.add(";");
        if (t.nports[u] == 0) text.add("-");
        for (int p = 0; p < t.nports[u];) {
            bool stack = (t.stack_mask[u] >> p) & 1u;
            int q = p;
            while (q < t.nports[u] && t.media[u][q] == t.media[u][p] &&
                   (((t.stack_mask[u] >> q) & 1u) != 0) == stack)
                ++q;
            char segment[16];
            std::snprintf(segment, sizeof segment, "%s%d%s%s", p ? "," : "", q - p,
                          t.media[u][p] == kGigabit ? "ge" : "fe", stack ? "/stack" : "");
            text.add(segment);
            p = q;
        }
    }
}

int port_long_name(const Topology &t, uint32_t unit, uint32_t port, char *out, size_t size) {
    Media m = t.medium(unit, port);
    if (m == kNoMedia) return -1;
    int n =
        std::snprintf(out, size, "%s%u/0/%u", m == kGigabit ? "gigabitethernet" : "fastethernet", unit, port);
    return n >= 0 && static_cast<size_t>(n) < size ? n : -1;
}

}  // namespace kelsim
