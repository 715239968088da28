// Interface names against simulated switches: port names both ways, the
// name predicates, VLAN and system interface names, the flat port index, and
// how many driver requests each conversion makes.
#include <climits>
#include <string>

#include "kel_driver.h"
#include "sim_fixture.h"

namespace {

using kelsim::request_count;

bool same(const ifport &a, const ifport &b) {
    return a.unit == b.unit && a.slot == b.slot && a.port == b.port;
}

// Default switch: two units of 24 Fast Ethernet and 2 Gigabit ports.
class Names : public kel_test::SimTest {};

struct ToPortCase {
    std::string name;
    int32_t rc;
    ifport p;      // what *p holds afterwards
    size_t asked;  // driver requests made
};

TEST_F(Names, NameToIfport) {
    const std::string pad24(24, 'x');
    const ToPortCase cases[] = {
        {"fa1/0/1", 0, {1, 0, 1}, 2},
        {"FASTETHERNET1/0/1", 0, {1, 0, 1}, 2},
        {"FastEthernet1/0/3", 0, {1, 0, 3}, 2},
        {"FA1/0/1", 0, {1, 0, 1}, 2},
        {"gi2/0/25", 0, {2, 0, 25}, 2},
        {"gigabitethernet2/0/26", 0, {2, 0, 26}, 2},
        {"fa1/0/25", KEL_ERR_NO_IF, {1, 0, 25}, 2},  // port 25 is a Gigabit port
        {"fa1/0/99", KEL_ERR_NO_IF, {1, 0, 99}, 1},  // no such port: its name is not asked
        {"fa3/0/1", KEL_ERR_NO_IF, {3, 0, 1}, 1},    // no unit 3
        {"fast1/0/1", KEL_ERR_NO_IF, {1, 0, 1}, 2},  // neither form
        {"fa1/0/1x", KEL_ERR_NO_IF, {1, 0, 1}, 2},
        {"fa1/5/1", KEL_ERR_NO_IF, {1, 5, 1}, 2},
        {"fa1/0/01", KEL_ERR_NO_IF, {1, 0, 1}, 2},
        {"fa 1/0/1", KEL_ERR_NO_IF, {1, 0, 1}, 2},
        {"fa1/ +0/ 1", KEL_ERR_NO_IF, {1, 0, 1}, 2},  // numbers as "%d" reads them
        {"fa1/0/-1", KEL_ERR_NO_IF, {1, 0, -1}, 1},
        {"fa99999999999/0/1", KEL_ERR_NO_IF, {INT32_MAX, 0, 1}, 1},
        {"fa1/0/1" + pad24, KEL_ERR_NO_IF, {1, 0, 1}, 2},  // 31 characters
        {"fa1/0/1" + pad24 + "x", KEL_ERR_LENGTH, {0, 0, 0}, 0},
        {"fa1/01", KEL_ERR_LENGTH, {0, 0, 0}, 0},
        {"fastethernet1/x", KEL_ERR_FORMAT, {0, 0, 0}, 0},
        {"fa1/0/x", KEL_ERR_FORMAT, {0, 0, 0}, 0},
        {"fa12345", KEL_ERR_FORMAT, {0, 0, 0}, 0},
        {"fa1 /0/1", KEL_ERR_FORMAT, {0, 0, 0}, 0},  // '/' must follow the number at once
        {"interface", KEL_ERR_NO_IF, {0, 0, 0}, 1},  // no digit: port 0 of unit 0
    };
    for (const ToPortCase &c : cases) {
        SCOPED_TRACE(c.name);
        ifport p{7, 7, 7};
        kelsim::clear_journal();
        EXPECT_EQ(kel_ifname2ifport(c.name.c_str(), &p), c.rc);
        EXPECT_TRUE(same(p, c.p)) << p.unit << "/" << p.slot << "/" << p.port;
        EXPECT_EQ(request_count(), c.asked);
    }
    ifport p{7, 7, 7};
    EXPECT_EQ(kel_ifname2ifport(nullptr, &p), KEL_ERR_PARAM);
    EXPECT_TRUE(same(p, ifport{7, 7, 7}));
    EXPECT_EQ(kel_ifname2ifport("fa1/0/1", nullptr), KEL_ERR_PARAM);
}

TEST_F(Names, ShortAndLongNames) {
    char out[32];
    const ifport ge{2, 0, 25}, fe{1, 0, 1}, none{1, 0, 27};
    kelsim::clear_journal();
    ASSERT_EQ(kel_ifname_short_get(&ge, out, sizeof out), 0);
    EXPECT_STREQ(out, "gi2/0/25");
    EXPECT_EQ(request_count(), 1u);
    ASSERT_EQ(kel_ifname_long_get(&ge, out, sizeof out), 0);
    EXPECT_STREQ(out, "gigabitethernet2/0/25");
    ASSERT_EQ(kel_ifname_short_get(&fe, out, 8), 0);  // the shortest buffer allowed
    EXPECT_STREQ(out, "fa1/0/1");
    EXPECT_EQ(kel_ifname_short_get(&fe, out, 7), KEL_ERR_PARAM);
    EXPECT_EQ(kel_ifname_short_get(&ge, out, 8), KEL_ERR_PARAM);  // refused, not cut
    EXPECT_EQ(kel_ifname_short_get(&none, out, sizeof out), KEL_DRV_ERR_NO_SUCH_PORT);
    EXPECT_EQ(kel_ifname_long_get(&fe, out, 10), KEL_DRV_ERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(kel_ifname_short_get(nullptr, out, sizeof out), KEL_ERR_PARAM);
    EXPECT_EQ(kel_ifname_short_get(&fe, nullptr, sizeof out), KEL_ERR_PARAM);
    EXPECT_EQ(kel_ifname_long_get(nullptr, out, sizeof out), KEL_ERR_PARAM);
}

// The short name is derived from whatever long name the driver reports.
TEST_F(Names, ShortNameDerivedFromTheDriversLongName) {
    struct Case {
        const char *long_name;
        int32_t rc;
        const char *short_name;  // what out holds afterwards
    } const cases[] = {
        {"fastethernet1/0/1", 0, "fa1/0/1"},
        {"ab1", 0, "ab1"},
        {"1/0/1x", 0, "1/0/1x"},               // the first two characters, then from the next digit
        {"xy", KEL_ERR_PARAM, "-------"},      // fewer than three characters
        {"abcdef", KEL_ERR_PARAM, "ab-----"},  // no digit: the two characters stay written
        {"ab1234567890123456789012345678", KEL_ERR_PARAM, "ab-----"},  // does not fit 8 bytes
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.long_name);
        kelsim::set_responder([&c](kel_ioreq &b) {
            std::strcpy(static_cast<char *>(kelsim::buffer_of(b)), c.long_name);
            return true;
        });
        char out[8] = "-------";
        const ifport p{1, 0, 1};
        EXPECT_EQ(kel_ifname_short_get(&p, out, sizeof out), c.rc);
        EXPECT_STREQ(out, c.short_name);
    }
}

// A name the driver wrote beside a failure is no name of the port.
TEST_F(Names, NameOfAFailedQueryDoesNotCount) {
    kelsim::set_responder([](kel_ioreq &b) {
        if (b.cmd != 0x0001) return false;
        std::strcpy(static_cast<char *>(kelsim::buffer_of(b)), "fastethernet1/0/1");
        b.status = KEL_DRV_ERR_BUFFER_TOO_SMALL;
        return true;
    });
    ifport p;
    EXPECT_EQ(kel_ifname2ifport("fa1/0/1", &p), KEL_ERR_NO_IF);
    EXPECT_EQ(kel_ifname2ifport("fastethernet1/0/1", &p), KEL_ERR_NO_IF);
    char out[16] = "-";
    EXPECT_EQ(kel_ifname_short_get(&p, out, sizeof out), KEL_DRV_ERR_BUFFER_TOO_SMALL);
    EXPECT_STREQ(out, "-");
}

// Texts a predicate answers 1 for, and texts it answers 0 for (null too).
void expect_predicate(int32_t (*f)(const char *), std::vector<const char *> yes,
                      std::vector<const char *> no) {
    for (const char *t : yes) EXPECT_EQ(f(t), 1) << '"' << t << '"';
    for (const char *t : no) EXPECT_EQ(f(t), 0) << '"' << t << '"';
    EXPECT_EQ(f(nullptr), 0);
}

TEST(NamePredicates, PortNamePrefixIsCaseSensitiveAndAsksNothing) {
    expect_predicate(
        kel_is_portname_prefix,
        {"fa", "fast", "fastethernet1/0/1", "gi", "gigabit", "gigabitethernet2", "fa-1"},
        {"f", "fastethernetx", "Fa1/0/1", "FA1/0/1", "ge1/0/1", "fastx", "gigabitethernetx", "", "ethernet"});
}

TEST(NamePredicates, VlanAndSystemNamesAskNothing) {
    expect_predicate(
        kel_is_vlan_ifname, {"vlan1", "vlan4094", "vlan 12", "vlan007", "vlan\t\b7"},
        {"vlan0", "vlan4095", "vlan", "vlan12345", "vlanabc", "VLAN5", "vlan-5", "vlan7 ", "vlan-", "vlan "});
    // The suffix test does not look at the first four characters.
    expect_predicate(kel_is_vlanname_suffix, {"VLAN5", "abcd12", "vlan1"}, {"vlan0", "vlan1x"});
    expect_predicate(kel_is_vlanname_prefix, {"vlan0", "vlanabcd"}, {"vlanabcde", "vlan", "Vlan5"});
    expect_predicate(kel_is_system_ifname, {"lo", "sw0"}, {"sw0.5", "LO", "sw", "lo ", ""});
}

struct CountedCase {
    const char *text;
    int32_t yes;
    size_t asked;
};

TEST_F(Names, PortInterfaceNames) {
    const CountedCase cases[] = {
        {"fa1/0/1", 1, 3},           {"fastethernet2/0/24", 1, 3},
        {"gi1/0/25", 1, 3},          {"gigabitethernet2/0/26", 1, 3},
        {"faSTETHERNET1/0/1", 0, 0},  // the media word's letters are judged case-sensitively
        {"fa1/0/25", 0, 2},           // a Gigabit port's names do not match
        {"gi1/0/1", 0, 2},           {"FA1/0/1", 0, 0},  // accepted by kel_ifname2ifport, refused here
        {"fa1/0/99", 0, 1},          {"fa1/0", 0, 0},
    };
    for (const CountedCase &c : cases) {
        SCOPED_TRACE(c.text);
        kelsim::clear_journal();
        EXPECT_EQ(kel_is_port_ifname(c.text), c.yes);
        EXPECT_EQ(request_count(), c.asked);
    }
    EXPECT_EQ(kel_is_port_ifname(nullptr), 0);
    // The suffix test alone takes any case of the names.
    EXPECT_EQ(kel_is_portname_suffix("fa1/0/1"), 1);
    EXPECT_EQ(kel_is_portname_suffix("FA1/0/1"), 0);  // begins neither "fa" nor "gi"
    EXPECT_EQ(kel_is_portname_suffix("fastETHERNET1/0/2"), 1);
    EXPECT_EQ(kel_is_portname_suffix(nullptr), 0);
}

// The media type comes from the port's record, not from its name.
TEST_F(Names, PortSuffixAsksTheMediaType) {
    EXPECT_EQ(kel_is_portname_suffix("fa1/0/1"), 1);
    int records = 0;
    kelsim::set_responder([&records](kel_ioreq &b) {
        // The second record asked for is the media query: describe the port
        // without its Fast Ethernet flag.
        if (b.cmd != 0x0008 || ++records < 2) return false;
        auto *rec = static_cast<uint8_t *>(kelsim::buffer_of(b));
        int32_t unit = 1, port = 1;
        std::memcpy(rec + KEL_PORTINFO_UNIT, &unit, 4);
        std::memcpy(rec + KEL_PORTINFO_PORT, &port, 4);
        return true;
    });
    EXPECT_EQ(kel_is_portname_suffix("fa1/0/1"), 0);
    EXPECT_EQ(records, 2);
}

TEST_F(Names, PortRanges) {
    const std::string spaces(30, ' ');
    const struct {
        std::string text;
        int32_t yes;
        size_t asked;
    } cases[] = {
        {"fa1/0/1-24", 1, 6},
        {"gi1/0/25-26", 1, 6},
        {"gigabitethernet2/0/25-26", 1, 6},
        {"fastethernet1/0/1-24junk", 1, 6},  // text after the last number is dropped
        {"fa1/0/1-24" + spaces, 1, 6},       // only the first 31 characters are read
        {"fastethernet1/0/1" + spaces + "-5", 0, 0},
        {"fa1/0/5-5", 0, 0},
        {"fa1/0/6-5", 0, 0},
        {"fa1/0/1", 0, 0},
        {"FA1/0/1-24", 0, 0},
        {"fa1/0/20-26", 0, 6},  // crosses into the Gigabit ports
        {"fa1/0/1-99", 0, 5},
        {"fa1/0/0-3", 0, 2},
        {"fa-1/0/1", 0, 0},
        {"fa1/0-1/1", 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        kelsim::clear_journal();
        EXPECT_EQ(kel_is_portrange_ifname(c.text.c_str()), c.yes);
        EXPECT_EQ(request_count(), c.asked);
    }
    EXPECT_EQ(kel_is_portrange_ifname(nullptr), 0);
}

class StackPorts : public kel_test::SimTest {
    const char *layout() const override { return "24fe,2ge/stack;8ge"; }
};

TEST_F(StackPorts, MayNotEndARange) {
    EXPECT_EQ(kel_is_portrange_ifname("gi1/0/25-26"), 0);
    EXPECT_EQ(kel_is_portrange_ifname("fa1/0/1-24"), 1);
    EXPECT_EQ(kel_is_portrange_ifname("gi2/0/1-8"), 1);
    EXPECT_EQ(kel_is_port_ifname("gi1/0/26"), 1);  // a stack port still has a name
}

TEST_F(Names, InterfaceNameToVlan) {
    ASSERT_EQ(kel_vlan_create(10), 0);
    ASSERT_EQ(kel_system_vlan_id_set(10), 0);
    const struct {
        const char *name;
        int32_t vid;
        size_t asked;
    } cases[] = {
        {"sw0.100", 100, 0},
        {"sw0.abc", 0, 0},
        {"sw0.9999", 9999, 0},
        {"sw0. -12", -12, 0},
        {"sw0.99999999999", INT32_MAX, 0},
        {"sw0", 10, 1},
        {"vlan7", 10, 1},
        {"lo", 10, 1},
        {"SW0.5", 10, 1},
        {"", 10, 1},
    };
    for (const auto &c : cases) {
        int32_t vid = -99;
        kelsim::clear_journal();
        EXPECT_EQ(kel_ifname2vlan(c.name, &vid), 0) << c.name;
        EXPECT_EQ(vid, c.vid) << c.name;
        EXPECT_EQ(request_count(), c.asked) << c.name;
    }
    int32_t vid = -99;
    EXPECT_EQ(kel_ifname2vlan(nullptr, &vid), KEL_ERR_PARAM);
    EXPECT_EQ(vid, -99);
    EXPECT_EQ(kel_ifname2vlan("sw0", nullptr), KEL_ERR_PARAM);
    kelsim::force_status(KEL_DRV_ERR_BAD_VALUE);  // a failed query reads as VLAN 0
    EXPECT_EQ(kel_ifname2vlan("sw0", &vid), 0);
    EXPECT_EQ(vid, 0);
}

TEST_F(Names, VlanToInterfaceName) {
    ASSERT_EQ(kel_vlan_create(100), 0);
    ASSERT_EQ(kel_system_vlan_id_set(100), 0);
    const struct {
        int32_t vid;
        int32_t rc;
        const char *name;
    } cases[] = {
        {100, 0, "sw0"},
        {1, 0, "sw0.1"},
        {4094, 0, "sw0.4094"},
        {0, KEL_ERR_PARAM, "#"},
        {4095, KEL_ERR_PARAM, "#"},
        {-1, KEL_ERR_PARAM, "#"},
    };
    for (const auto &c : cases) {
        char out[10];
        std::memset(out, '#', sizeof out);
        out[1] = '\0';
        EXPECT_EQ(kel_vlan2ifname(c.vid, out), c.rc) << c.vid;
        EXPECT_STREQ(out, c.name) << c.vid;
        EXPECT_EQ(out[9], '#') << "nine bytes at most";
    }
    EXPECT_EQ(kel_vlan2ifname(5, nullptr), KEL_ERR_PARAM);
    char out[9];
    kelsim::force_status(KEL_DRV_ERR_BAD_VALUE);  // no management VLAN known: every id gets its number
    ASSERT_EQ(kel_vlan2ifname(100, out), 0);
    EXPECT_STREQ(out, "sw0.100");
}

struct IndexCase {
    int32_t idx;
    int32_t rc;
    ifport p;
    size_t asked;
};

void expect_indices(std::initializer_list<IndexCase> cases) {
    for (const IndexCase &c : cases) {
        SCOPED_TRACE(c.idx);
        ifport p{7, 7, 7};
        kelsim::clear_journal();
        EXPECT_EQ(kel_iftab_idx2ifport(c.idx, &p), c.rc);
        EXPECT_TRUE(same(p, c.p)) << p.unit << "/" << p.slot << "/" << p.port;
        EXPECT_EQ(request_count(), c.asked);
        if (c.rc != 0 || c.p.port < 1) continue;
        int32_t back = 0;  // and back again
        kelsim::clear_journal();
        EXPECT_EQ(kel_iftab_ifport2idx(&p, &back), 0);
        EXPECT_EQ(back, c.idx);
        EXPECT_EQ(request_count(), static_cast<size_t>(p.unit - 1));
    }
}

TEST_F(Names, FlatIndex) {
    expect_indices({{1, 0, {1, 0, 1}, 1},
                    {26, 0, {1, 0, 26}, 1},
                    {27, 0, {2, 0, 1}, 2},
                    {52, 0, {2, 0, 26}, 2},
                    {53, KEL_ERR_NOT_FOUND, {0, 0, 0}, 8},
                    {0, 0, {1, 0, 0}, 1},
                    {-5, 0, {1, 0, -5}, 1},
                    {INT32_MIN, 0, {1, 0, INT32_MIN}, 1},
                    {INT32_MAX, KEL_ERR_NOT_FOUND, {0, 0, 0}, 8}});
    int32_t idx = -1;
    const ifport unit9{9, 0, 1}, unit0{0, 0, 1}, beyond{1, 3, 99};
    EXPECT_EQ(kel_iftab_ifport2idx(&unit9, &idx), KEL_ERR_NOT_FOUND);
    EXPECT_EQ(kel_iftab_ifport2idx(&unit0, &idx), KEL_ERR_NOT_FOUND);
    EXPECT_EQ(idx, -1);
    EXPECT_EQ(kel_iftab_ifport2idx(&beyond, &idx), 0);  // port and slot are not checked
    EXPECT_EQ(idx, 99);
    EXPECT_EQ(kel_iftab_ifport2idx(&beyond, nullptr), 0);
    EXPECT_EQ(kel_iftab_ifport2idx(nullptr, &idx), KEL_ERR_PARAM);
    EXPECT_EQ(kel_iftab_idx2ifport(1, nullptr), KEL_ERR_PARAM);
    kelsim::fail_port_count(1);  // a failed count is a unit without ports
    ifport p;
    ASSERT_EQ(kel_iftab_idx2ifport(1, &p), 0);
    EXPECT_TRUE(same(p, ifport{2, 0, 1}));
}

class AbsentUnits : public kel_test::SimTest {
    const char *layout() const override { return "-;24fe,2ge;-;8ge"; }
};

TEST_F(AbsentUnits, TakeNoIndicesAndHaveNoNames) {
    expect_indices({{1, 0, {2, 0, 1}, 2},
                    {26, 0, {2, 0, 26}, 2},
                    {27, 0, {4, 0, 1}, 4},
                    {34, 0, {4, 0, 8}, 4},
                    {35, KEL_ERR_NOT_FOUND, {0, 0, 0}, 8}});
    ifport p;
    EXPECT_EQ(kel_ifname2ifport("fa1/0/1", &p), KEL_ERR_NO_IF);
    EXPECT_EQ(kel_ifname2ifport("gi4/0/8", &p), 0);
    EXPECT_EQ(kel_is_port_ifname("gigabitethernet4/0/1"), 1);
}

class WidestUnit : public kel_test::SimTest {
    const char *layout() const override { return "24fe,8ge;32fe"; }
};

TEST_F(WidestUnit, ThirtyTwoPorts) {
    expect_indices({{32, 0, {1, 0, 32}, 1}, {33, 0, {2, 0, 1}, 2}, {64, 0, {2, 0, 32}, 2}});
    EXPECT_EQ(kel_is_portrange_ifname("gi1/0/25-32"), 1);
    EXPECT_EQ(kel_is_portrange_ifname("fa2/0/1-32"), 1);
    EXPECT_EQ(kel_is_port_ifname("fastethernet2/0/32"), 1);
}

}  // namespace
