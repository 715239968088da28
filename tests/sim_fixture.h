// sim_fixture.h - what the test suites share: a fresh simulated switch per
// test, the channel open, and quick access to what the library sent.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "entry/control.h"
#include "kel.h"

namespace kel_test {

// A fresh switch of the given layout and an open channel for every test.
class SimTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(kelsim::reset(layout()));
        ASSERT_EQ(kel_io_init(), 0);
    }
    void TearDown() override { kelsim::set_responder(nullptr); }
    virtual const char *layout() const { return nullptr; }
};

// The last request the driver received.
inline kelsim::Sent last_sent() {
    std::vector<kelsim::Sent> j = kelsim::journal();
    if (j.empty()) {
        ADD_FAILURE() << "no request reached the driver";
        return kelsim::Sent{};
    }
    return j.back();
}

// What a getter with one output ends with, args before it; it must succeed.
template <class Getter, class... Args>
uint32_t got(Getter get, Args... args) {
    uint32_t v = 0xDEADBEEFu;
    EXPECT_EQ(get(args..., &v), 0);
    return v;
}

inline void set_word(kel_ioreq &b, size_t offset, uint32_t w) {
    std::memcpy(reinterpret_cast<unsigned char *>(&b) + offset, &w, 4);
}

// A port list of the given ports (port p of unit u: bit (p - 1) % 32 of
// word (u - 1) + (p - 1) / 32), and a VLAN list of the given ids.
inline iflist ports(std::initializer_list<ifport> members) {
    iflist l{};
    for (const ifport &p : members) l.word[p.unit - 1 + (p.port - 1) / 32] |= 1u << ((p.port - 1) % 32);
    return l;
}
inline vlanlist vlans(std::initializer_list<uint32_t> ids) {
    vlanlist l{};
    for (uint32_t v : ids) l.word[(v - 1) / 32] |= 1u << ((v - 1) % 32);
    return l;
}

// Answers every request with status and a distinct marker in each word
// (0xA0000000 + offset), so that a getter's outputs show where they came from.
void answer_with_markers(int32_t status);
inline uint32_t marker(size_t offset) { return 0xA0000000u + static_cast<uint32_t>(offset); }

}  // namespace kel_test
