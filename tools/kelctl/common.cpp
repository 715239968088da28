// common.cpp - kelctl's messages, tables and value texts.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "kelctl.h"

namespace kelctl {

int fail(const char *what, int32_t rc) {
    if (rc == KEL_ERR_IO)
        std::fprintf(stderr, "kelctl: %s: the driver channel is not open\n", what);
    else if (rc == -1)
        std::fprintf(stderr, "kelctl: %s: the driver did not answer (no sw0?)\n", what);
    else
        std::fprintf(stderr, "kelctl: %s: driver status %d\n", what, rc);
    return kExitFailed;
}

int usage_error(const char *message) {
    std::fprintf(stderr, "kelctl: %s (see kelctl --help)\n", message);
    return kExitUsage;
}

void Table::print(FILE *out) const {
    std::vector<size_t> width;
    for (const auto &row : rows_)
        for (size_t i = 0; i < row.size(); ++i) {
            if (width.size() <= i) width.push_back(0);
            width[i] = std::max(width[i], row[i].size());
        }
    for (const auto &row : rows_) {
        std::string line;
        for (size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size()) line += std::string(width[i] - row[i].size() + 2, ' ');
        }
        line.erase(line.find_last_not_of(' ') + 1);
        std::fprintf(out, "%s\n", line.c_str());
    }
}

std::string ipv4(uint32_t network_order) {
    unsigned char b[4];
    std::memcpy(b, &network_order, 4);
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
    return text;
}

std::string mac(const uint8_t m[6]) {
    char text[16];
    std::snprintf(text, sizeof text, "%02x%02x.%02x%02x.%02x%02x", m[0], m[1], m[2], m[3], m[4], m[5]);
    return text;
}

std::string ifport_text(const ifport &p) {
    char text[40];
    std::snprintf(text, sizeof text, "%d/%d/%d", p.unit, p.slot, p.port);
    return text;
}

const char *yes_no(int32_t v) { return v ? "yes" : "no"; }

std::string port_kind(const ifport &p) {
    std::string kind = kel_is_system_geport(&p)   ? "gigabit"
                       : kel_is_system_feport(&p) ? "fast-ethernet"
                                                  : "-";
    if (kel_is_stack_smart_port(&p)) kind += " stack";
    return kind;
}

}  // namespace kelctl
