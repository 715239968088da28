// fuzz_protocol_text.cpp - the protocol commands that take text: the RADIUS
// key and the local user's name and password, copied into fixed fields of
// records on the library's stack, and the names the driver reads itself
// (access lists, the MST region, a user to delete).
//
// The input is cut at its zero bytes into up to three texts, each in an
// exact-size heap block so that a read past a terminator is caught. The
// record the driver received must hold each text cut at its field's width,
// zero after a shorter text, whatever the text holds.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "entry/control.h"
#include "kel.h"
#include "sim_switch.h"

namespace {

struct HeapText {
    explicit HeapText(const std::string &s) : p(new char[s.size() + 1]) {
        std::memcpy(p, s.c_str(), s.size() + 1);
    }
    ~HeapText() { delete[] p; }
    HeapText(const HeapText &) = delete;
    HeapText &operator=(const HeapText &) = delete;
    char *p;
};

// The field a text fills: cut at width, zero-filled after it.
void expect_field(const uint8_t *field, size_t width, const std::string &text) {
    for (size_t i = 0; i < width; ++i)
        if (field[i] != (i < text.size() ? static_cast<uint8_t>(text[i]) : 0)) std::abort();
}

const kelsim::Sent &last(std::vector<kelsim::Sent> &j) {
    if (j.empty()) std::abort();
    return j.back();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::open_switch();
    std::vector<std::string> parts(3);
    size_t k = 0;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            if (++k == parts.size()) break;
        } else {
            parts[k] += static_cast<char>(data[i]);
        }
    }
    HeapText key(parts[0]), name(parts[1]), password(parts[2]);

    kelsim::clear_journal();
    kel_dot1x_radius_set(1, 0x0100000A, key.p, 1812);
    std::vector<kelsim::Sent> j = kelsim::journal();
    const kelsim::Sent &radius = last(j);
    if (radius.record_size != 32) std::abort();
    expect_field(radius.record + 4, 16, parts[0]);

    kel_dot1x_user_set(name.p, password.p, 1);
    j = kelsim::journal();
    const kelsim::Sent &user = last(j);
    if (user.record_size != 144) std::abort();
    expect_field(user.record + 4, 64, parts[1]);
    expect_field(user.record + 68, 64, parts[2]);

    kel_dot1x_user_del(name.p);
    uint32_t number = 0;
    kel_acl_create(key.p, 4, &number);
    kel_acl_destroy(key.p);
    kel_mst_name_set(name.p);
    return 0;
}
