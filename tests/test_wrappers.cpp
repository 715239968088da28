// The command wrappers: every row of the wrapper table (wrappers.h) against
// drivers that answer and fail, then what a table row cannot show: the
// predicates' readings, the records the library builds itself, the walks of
// the access-list predicates, and the result rule of the channel.
#include <functional>
#include <string>

#include "kel_driver.h"
#include "sim_fixture.h"
#include "wrappers.h"

namespace {

using kel_test::Expected;
using kel_test::Kind;
using kel_test::last_sent;
using kel_test::marker;
using kel_test::Row;

const ifport kPort{1, 5, 3};

class Wrappers : public kel_test::SimTest {};

// One row: a failing driver (-300) and an answering one (0), both writing a
// marker into every word; a null output; an end marker coming back; and a
// failed system call, after which outputs hold what the block was sent with.
void run_row(const Row &r) {
    const Expected s = kel_test::parse(r);
    uint32_t a = 7, b = 7;
    kel_test::answer_with_markers(-300);
    kelsim::clear_journal();
    int32_t rc = r.run(&a, &b);
    if (s.kind == Kind::no || s.kind == Kind::yes)
        EXPECT_TRUE(rc == 0 || rc == 1) << rc;
    else
        EXPECT_EQ(rc, s.kind == Kind::zero ? 0 : -300);
    std::vector<kelsim::Sent> sent = kelsim::journal();
    ASSERT_FALSE(sent.empty());
    kel_test::expect_block(sent.front().block, r, s);
    kel_test::expect_outputs(s, a, b, marker);
    if (!s.a && !s.b) return;
    if (!s.cursor()) {  // each output is copied on its own, and a null one still sends
        a = b = 7;
        kelsim::clear_journal();
        EXPECT_EQ(r.run(nullptr, &b), rc);
        EXPECT_EQ(r.run(&a, nullptr), rc);
        EXPECT_EQ(r.run(nullptr, nullptr), rc);
        EXPECT_EQ(kelsim::request_count(), 3u);
        kel_test::expect_outputs(s, a, b, marker);
    }
    kel_test::answer_with_markers(0);
    a = b = 7;
    EXPECT_EQ(r.run(&a, &b), 0);
    kel_test::expect_outputs(s, a, b, marker);
    if (s.cursor()) {  // the end marker ends only the walks that have one, whatever the status
        kelsim::set_responder([](kel_ioreq &blk) {
            blk.index = KEL_WALK_END;
            blk.status = -3;
            return true;
        });
        a = 7;
        EXPECT_EQ(r.run(&a, &b), s.end ? KEL_ERR_NOT_FOUND : -3);
        EXPECT_EQ(a, s.end ? 7u : KEL_WALK_END);
    }
    kelsim::set_responder(nullptr);
    kelsim::fail_next_ioctl(1000);
    a = b = 7;
    EXPECT_EQ(r.run(&a, &b), kel_test::unanswered(s, -1));
    kelsim::fail_next_ioctl(0);
    kel_test::expect_outputs(s, a, b, [&s](size_t off) { return s.sent(off); });
}

TEST_F(Wrappers, EachSendsItsBlockAndCopiesItsOutputs) {
    for (const Row &r : kel_test::kRows) {
        SCOPED_TRACE(r.call);
        run_row(r);
    }
}

TEST_F(Wrappers, OutputsBesideTheWords) {
    kelsim::set_responder([](kel_ioreq &b) {
        const uint8_t m[6] = {0x00, 0x12, 0x34, 0x56, 0x78, 0x9A};
        std::memcpy(b.mac, m, 6);
        b.unit = 4;
        b.port = 9;
        b.status = -4;
        return true;
    });
    uint8_t mac[6] = {};
    EXPECT_EQ(kel_system_mac_addr_get(mac), -4);
    EXPECT_EQ(mac[0], 0x00);
    EXPECT_EQ(mac[5], 0x9A);
    ifport p{7, 7, 7};
    EXPECT_EQ(kel_mirror_monitor_get(1, &p), -4);  // the monitor port, rebuilt from the block
    EXPECT_TRUE(p.unit == 4 && p.slot == 0 && p.port == 9);
    kelsim::set_responder(nullptr);
    kelsim::fail_next_ioctl(2);
    EXPECT_EQ(kel_mirror_monitor_get(1, &p), -1);
    EXPECT_TRUE(p.unit == 0 && p.port == 0);
    EXPECT_EQ(kel_system_mac_addr_get(mac), -1);
    EXPECT_EQ(mac[5], 0);
}

// The predicates read one word the driver wrote, in the block or in the
// record they hand over, and never the status.
struct Reading {
    std::vector<std::function<int32_t()>> asks;
    bool in_record;
    size_t offset;
    std::vector<std::pair<uint32_t, int32_t>> answers;  // the word, and the answer to it
};

TEST_F(Wrappers, PredicatesReadOneWord) {
    const auto at = [](int32_t (*f)(const ifport *)) { return [f] { return f(&kPort); }; };
    const Reading readings[] = {
        // clang-format off
        {{kel_lib_is_system_ready, kel_is_system_upgrade, kel_is_stack_discover, kel_is_stack_master, kel_is_switch_stackable}, false, 64, {{1, 1}, {2, 0}, {0xFFFFFFFFu, 0}, {0, 0}}},
        {{at(kel_is_static_trunk_port), at(kel_is_dynamic_trunk_port)}, false, 44, {{2, 1}, {0xFFFFFFFFu, 1}, {0, 0}}},
        {{at(kel_is_dot1x_enable_port)}, true, 4, {{2, 1}, {1, 0}, {0x102, 0}}},
        {{at(kel_is_dot1x_singlehost_port)}, true, 16, {{0, 1}, {1, 0}, {0x100, 0}}},
        {{at(kel_is_portsecu_enable_port)}, true, 12, {{1, 1}, {0x80000000u, 1}, {0, 0}}},
        // clang-format on
    };
    for (const Reading &r : readings)
        for (const auto &[word, yes] : r.answers) {
            kelsim::set_responder([&r, word = word](kel_ioreq &b) {
                auto *at = r.in_record ? static_cast<uint8_t *>(kelsim::buffer_of(b))
                                       : reinterpret_cast<uint8_t *>(&b);
                if (r.in_record) std::memset(at, 0xEE, 72);  // every other word of the record is ignored
                std::memcpy(at + r.offset, &word, 4);
                b.status = -1000;
                return true;
            });
            for (const auto &ask : r.asks) EXPECT_EQ(ask(), yes) << "word " << word << " at " << r.offset;
        }
}

// The port predicates judge the port information record: it must describe
// the port asked for, and carry the flag.
TEST_F(Wrappers, PortPredicatesJudgeTheRecord) {
    const struct {
        int32_t unit, port;
        uint32_t flags;
        ifport asked;
        int32_t ifport_, fe, ge, stack;
    } cases[] = {
        {1, 3, KEL_PORT_FLAG_FE, {1, 0, 3}, 1, 1, 0, 0},
        {1, 3, KEL_PORT_FLAG_FE | KEL_PORT_FLAG_STACK | KEL_PORT_FLAG_GE, {1, 7, 3}, 1, 1, 1, 1},
        {2, 25, KEL_PORT_FLAG_GE, {2, 0, 25}, 1, 0, 1, 0},
        {2, 25, KEL_PORT_FLAG_GE | KEL_PORT_FLAG_STACK, {2, 0, 26}, 0, 0, 0, 0},  // another port
        {1, 3, KEL_PORT_FLAG_STACK, {2, 0, 3}, 0, 0, 0, 0},
        {0, 0, KEL_PORT_FLAG_FE | KEL_PORT_FLAG_STACK, {0, 0, 0}, 0, 1, 0, 1},  // unit 0 is no port
    };
    for (const auto &c : cases) {
        kelsim::set_responder([&c](kel_ioreq &b) {
            auto *rec = static_cast<uint8_t *>(kelsim::buffer_of(b));
            std::memcpy(rec + KEL_PORTINFO_UNIT, &c.unit, 4);
            std::memcpy(rec + KEL_PORTINFO_PORT, &c.port, 4);
            std::memcpy(rec + KEL_PORTINFO_FLAGS, &c.flags, 4);
            b.status = -1000;  // ignored by every predicate
            return true;
        });
        SCOPED_TRACE(testing::Message() << c.unit << "/" << c.port << " flags " << std::hex << c.flags);
        EXPECT_EQ(kel_is_system_ifport(&c.asked), c.ifport_);
        EXPECT_EQ(kel_is_system_feport(&c.asked), c.fe);
        EXPECT_EQ(kel_is_system_geport(&c.asked), c.ge);
        EXPECT_EQ(kel_is_stack_smart_port(&c.asked), c.stack);
    }
}

// Arguments refused before anything is sent: selectors outside their sets,
// null ports of the predicates, null entries of the multicast table.
TEST_F(Wrappers, RefusedBeforeSending) {
    const uint8_t mac[6] = {0x01, 0x00, 0x5E, 0x01, 0x02, 0x03};
    kelsim::clear_journal();
    uint32_t index = 42;
    for (int32_t type : {0, 3, 5, 8, -1, 0x10001})
        EXPECT_EQ(kel_arl_getnext(&index, type, nullptr), KEL_ERR_PARAM);
    for (int32_t type : {0, 1, 4, -2, 0x10003}) {
        EXPECT_EQ(kel_arl_del_by_mac(mac, type), KEL_ERR_PARAM) << type;
        EXPECT_EQ(kel_arl_del_by_vlan(10, type), KEL_ERR_PARAM) << type;
        EXPECT_EQ(kel_arl_del_by_port(&kPort, type), KEL_ERR_PARAM) << type;
    }
    EXPECT_EQ(kel_mcast_get(mac, 10, nullptr), KEL_ERR_PARAM);
    EXPECT_EQ(kel_mcast_getnext(&index, nullptr), KEL_ERR_PARAM);
    EXPECT_EQ(kel_static_mcast_getnext(&index, nullptr), KEL_ERR_PARAM);
    EXPECT_EQ(index, 42u);
    for (auto *f : {kel_is_system_ifport, kel_is_system_feport, kel_is_stack_smart_port,
                    kel_is_acl_attach_port, kel_is_filter_egress_port})
        EXPECT_EQ(f(nullptr), 0);
    EXPECT_EQ(kelsim::request_count(), 0u);
}

// The lookup by name asks for the VLAN whose id the driver handed back,
// whatever its status.
TEST_F(Wrappers, LookupByNameAsksForTheIdItWasGiven) {
    kelsim::set_responder([](kel_ioreq &b) {
        if (b.cmd == 0x0607) b.vid = 77, b.status = KEL_DRV_ERR_BAD_VALUE;
        if (b.cmd == 0x0604) b.status = KEL_DRV_ERR_TABLE_FULL;
        return true;
    });
    vlaninfo info;
    EXPECT_EQ(kel_vlan_get_by_name("office", &info), KEL_DRV_ERR_TABLE_FULL);
    std::vector<kelsim::Sent> j = kelsim::journal();
    ASSERT_EQ(j.size(), 2u);
    EXPECT_STREQ(reinterpret_cast<const char *>(j[0].record), "office");
    EXPECT_EQ(j[1].block.cmd, 0x0604u);
    EXPECT_EQ(j[1].block.vid, 77u);
    EXPECT_EQ(kelsim::buffer_of(j[1].block), &info);
}

// ---- The records the library builds on its own stack, byte for byte ---------

std::string u32(uint32_t v) { return std::string(reinterpret_cast<const char *>(&v), 4); }

struct RecordCase {
    std::function<int32_t()> call;
    size_t size;
    std::vector<std::pair<size_t, std::string>> fields;  // every other byte is zero
};

TEST_F(Wrappers, RecordsCutTextsAtTheirFieldsAndZeroTheRest) {
    const std::string n63(63, 'n'), n64 = n63 + "Z", n70 = n64 + "overflow", hex = "0123456789abcdef";
    const uint32_t ip = 0xC0A80001u, port = 0xABCD1812u, value = 0x01020304u;
    const RecordCase cases[] = {
        // clang-format off
        {[] { return kel_stp_bridge_times_set(0x11111111, 0x22222222, 0x33333333); }, 112, {{44, u32(0x11111111) + u32(0x22222222) + u32(0x33333333)}}},
        {[&] { return kel_dot1x_radius_set(1, ip, "abcde", port); }, 32, {{0, u32(ip) + "abcde"}, {20, u32(port)}}},
        {[&] { return kel_dot1x_radius_set(1, ip, hex.c_str(), port); }, 32, {{0, u32(ip) + hex + u32(port)}}},
        {[&] { return kel_dot1x_radius_set(1, ip, (hex + "GHIJ").c_str(), port); }, 32, {{0, u32(ip) + hex + u32(port)}}},
        {[&] { return kel_dot1x_radius_set(1, ip, "%s%n%x%%", 0); }, 32, {{0, u32(ip) + "%s%n%x%%"}}},
        {[&] { return kel_dot1x_user_set(n63.c_str(), "pw", value); }, 144, {{4, n63}, {68, "pw"}, {132, u32(value)}}},
        {[&] { return kel_dot1x_user_set(n64.c_str(), "pw", value); }, 144, {{4, n64 + "pw"}, {132, u32(value)}}},
        {[&] { return kel_dot1x_user_set(n70.c_str(), n70.c_str(), 0); }, 144, {{4, n64 + n64}}},
        {[&] { return kel_dot1x_user_set("100%", "%d%s%%", 0); }, 144, {{4, "100%"}, {68, "%d%s%%"}}},
        // clang-format on
    };
    for (const RecordCase &c : cases) {
        c.call();
        std::string want(c.size, '\0');
        for (const auto &[offset, bytes] : c.fields) want.replace(offset, bytes.size(), bytes);
        kelsim::Sent s = last_sent();
        EXPECT_EQ(std::string(reinterpret_cast<const char *>(s.record), s.record_size), want);
    }
}

// ---- The access-list predicates -------------------------------------------

// A scripted driver with lists of types 2 and 4, each with a port list and
// filters given by their egress ports.
struct FakeList {
    uint32_t type, number;
    iflist ports;
    std::vector<ifport> egress;
};

void script(std::vector<FakeList> lists) {
    kelsim::set_responder([lists](kel_ioreq &b) {
        auto *rec = static_cast<uint8_t *>(kelsim::buffer_of(b));
        b.status = KEL_DRV_ERR_END_OF_TABLE;
        if (b.cmd == 0x0D04) {
            std::memset(rec, 0, 80);
            uint32_t seen = 0;
            for (const FakeList &l : lists) {
                if (l.type != b.sel || seen++ < b.index) continue;
                std::memcpy(rec + offsetof(kel_drv_acl, number), &l.number, 4);
                std::memcpy(rec + offsetof(kel_drv_acl, ports), &l.ports, sizeof l.ports);
                b.index = seen;
                b.status = 0;
                break;
            }
        } else if (b.cmd == 0x0D07) {
            std::memset(rec, 0, 144);
            for (const FakeList &l : lists)
                if (l.number == b.list && b.index < l.egress.size()) {
                    std::memcpy(rec + offsetof(kel_drv_acl_filter, egress_unit), &l.egress[b.index].unit, 4);
                    std::memcpy(rec + offsetof(kel_drv_acl_filter, egress_port), &l.egress[b.index].port, 4);
                    ++b.index;
                    b.status = 0;
                }
        }
        return true;
    });
}

iflist bits(uint32_t word, uint32_t bits) {
    iflist l{};
    l.word[word] = bits;
    return l;
}

// The requests a predicate made, as L<type>@<index> and F<list>@<index>.
std::string requests() {
    std::string out;
    for (const kelsim::Sent &s : kelsim::journal())
        out +=
            (s.block.cmd == 0x0D04 ? "L" + std::to_string(s.block.sel) : "F" + std::to_string(s.block.list)) +
            "@" + std::to_string(s.block.index) + " ";
    return out;
}

TEST_F(Wrappers, AclPredicatesWalkBothTypesAndEveryFilter) {
    const FakeList two{2, 1, bits(0, 0x4), {}}, two_b{2, 2, bits(0, 0x8), {}};
    const struct {
        std::vector<FakeList> lists;
        ifport port;
        int32_t attached, egress;
        const char *attach_requests, *egress_requests;
    } cases[] = {
        // clang-format off
        {{}, {1, 0, 3}, 0, 0, "L2@0 L4@0 ", "L4@0 L2@0 "},
        {{two, two_b}, {1, 0, 3}, 1, 0, "L2@0 ", "L4@0 L2@0 F1@0 L2@1 F2@0 L2@2 "},
        {{two, two_b}, {1, 0, 4}, 1, 0, "L2@0 L2@1 ", "L4@0 L2@0 F1@0 L2@1 F2@0 L2@2 "},
        {{{2, 1, bits(1, 0x2), {}}, {4, 3, bits(1, 0x1), {}}}, {2, 0, 1}, 1, 0, "L2@0 L2@1 L4@0 ", "L4@0 F3@0 L4@1 L2@0 F1@0 L2@1 "},
        {{{4, 5, {}, {{1, 3, 6}, {1, 9, 7}}}, {2, 6, {}, {{1, 0, 7}}}}, {1, 4, 7}, 0, 1, "L2@0 L2@1 L4@0 L4@1 ", "L4@0 F5@0 F5@1 "},
        {{{4, 5, {}, {{1, 0, 7}}}, {2, 6, {}, {{1, 0, 7}}}}, {2, 0, 7}, 0, 0, "L2@0 L2@1 L4@0 L4@1 ", "L4@0 F5@0 F5@1 L4@1 L2@0 F6@0 F6@1 L2@1 "},
        {{{2, 1, {}, {{1, 0, 1}, {1, 0, 2}}}, {2, 2, {}, {{1, 0, 9}, {1, 0, 8}}}}, {1, 0, 8}, 0, 1, "L2@0 L2@1 L2@2 L4@0 ", "L4@0 L2@0 F1@0 F1@1 F1@2 L2@1 F2@0 F2@1 "},
        {{{2, 1, bits(1, 0x1), {}}}, {1, 0, 33}, 1, 0, "L2@0 ", "L4@0 L2@0 F1@0 L2@1 "},  // 33 runs on into the next word
        {{{4, 1, bits(7, 0x80000000u), {}}}, {8, 0, 32}, 1, 0, "L2@0 L4@0 ", "L4@0 F1@0 L4@1 L2@0 "},
        {{{2, 1, bits(7, 0x01000000u), {}}}, {8, 0, 25}, 1, 0, "L2@0 ", "L4@0 L2@0 F1@0 L2@1 "},
        // clang-format on
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.port.unit << "/" << c.port.port << " " << c.attach_requests);
        script(c.lists);
        kelsim::clear_journal();
        EXPECT_EQ(kel_is_acl_attach_port(&c.port), c.attached);
        EXPECT_EQ(requests(), c.attach_requests);
        kelsim::clear_journal();
        EXPECT_EQ(kel_is_filter_egress_port(&c.port), c.egress);
        EXPECT_EQ(requests(), c.egress_requests);
    }
}

// Any nonzero result ends a walk, a positive one too, unlooked at; a port
// outside the lists' 256 bits is on no list, and nothing is asked.
TEST_F(Wrappers, AclPredicatesStopAtTheFirstNonzeroResult) {
    kelsim::set_responder([](kel_ioreq &b) {
        auto *rec = static_cast<uint8_t *>(kelsim::buffer_of(b));
        std::memset(rec, 0xFF, 80);
        const int32_t one = 1;
        if (b.cmd == 0x0D07) std::memcpy(rec + offsetof(kel_drv_acl_filter, egress_unit), &one, 4);
        if (b.cmd == 0x0D07) std::memcpy(rec + offsetof(kel_drv_acl_filter, egress_port), &one, 4);
        b.status = 7;
        return true;
    });
    const ifport p{1, 0, 1};
    kelsim::clear_journal();
    EXPECT_EQ(kel_is_acl_attach_port(&p), 0);
    EXPECT_EQ(requests(), "L2@0 L4@0 ");
    kelsim::clear_journal();
    EXPECT_EQ(kel_is_filter_egress_port(&p), 0);
    EXPECT_EQ(requests(), "L4@0 L2@0 ");
    kelsim::clear_journal();
    for (const ifport &q :
         {ifport{0, 0, 1}, ifport{1, 0, 0}, ifport{9, 0, 1}, ifport{8, 0, 33}, ifport{-1, 0, 5}})
        EXPECT_EQ(kel_is_acl_attach_port(&q), 0);
    EXPECT_EQ(kelsim::request_count(), 0u);
}

// ---- The channel and the result rule ---------------------------------------

TEST_F(Wrappers, DriverStatusWinsOverAFailedSystemCall) {
    kelsim::force_status(-7777, true);
    EXPECT_EQ(kel_system_reboot(), -7777);
    kelsim::force_status(-12);
    EXPECT_EQ(kel_system_upgrade(), -12);
    EXPECT_EQ(kel_io_init(), 0);  // open already: no second socket, and requests go on
    EXPECT_EQ(kel_system_upgrade(), 0);
}

TEST_F(Wrappers, IoctlPassesOtherRequestsToTheKernel) {
    kel_ioreq b{};
    kelsim::clear_journal();
    EXPECT_EQ(kel_ioctl(0x8913 /* SIOCGIFFLAGS: no sw0 in the kernel */, &b), -1);
    EXPECT_EQ(kelsim::request_count(), 0u);
}

TEST(ErrorText, OnlyZeroHasAText) {
    EXPECT_STREQ(kel_errstr(0), "no error");
    for (int32_t code : {-1, -6, -7, -11, -15, -19, -102, 1, 0x7FFFFFFF, INT32_MIN})
        EXPECT_STREQ(kel_errstr(code), "unknown error number") << code;
    EXPECT_EQ(kel_error[0].code, 0);
    EXPECT_STREQ(kel_error[0].text, "no error");
}

}  // namespace
