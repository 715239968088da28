// The shell's argument parsers: port lists against simulated switches, VLAN
// lists, numbers in their ranges, keywords, host addresses and URLs.
#include <string>

#include "sim_fixture.h"

namespace {

using kelsim::request_count;

constexpr uint32_t kUntouched = 0xDEADBEEFu;

iflist untouched_ports() {
    iflist l;
    for (uint32_t &w : l.word) w = kUntouched;
    return l;
}

struct PortListCase {
    std::string text;
    int32_t rc;
    std::vector<uint32_t> words;  // words 0.. of the list afterwards; the rest 0 (or untouched)
};

void expect_port_lists(std::initializer_list<PortListCase> cases) {
    for (const PortListCase &c : cases) {
        SCOPED_TRACE(c.text);
        iflist out = untouched_ports();
        EXPECT_EQ(kel_cli_iflist_get(c.text.c_str(), &out), c.rc);
        bool syntax_error = c.rc == KEL_ERR_FORMAT && c.words.empty();
        for (size_t i = 0; i < KEL_IFLIST_WORDS; ++i) {
            uint32_t want = syntax_error ? kUntouched : i < c.words.size() ? c.words[i] : 0;
            EXPECT_EQ(out.word[i], want) << "word " << i;
        }
    }
}

class PortList : public kel_test::SimTest {};

TEST_F(PortList, Parses) {
    const std::string zeros(11, '0');
    expect_port_lists({
        {"fa1/0/1-5,gi1/0/25", 0, {0x0100001Fu}},
        {"fa1/0/1-4,fa1/0/7", 0, {0x4Fu}},
        {"fastethernet1/0/1-4", 0, {0xFu}},           // the ends are reprinted with the item's letters
        {"FastEthernet1/0/1-4", KEL_ERR_FORMAT, {}},  // upper-case letters fail the syntax
        {"fa1/0/1,gi2/0/26", 0, {1u, 1u << 25}},
        {"fa1/0/1-24,gi1/0/25-26,fa2/0/1-24,gi2/0/25-26", 0, {0x03FFFFFFu, 0x03FFFFFFu}},
        {"fa1/0/1-2-3", 0, {0x3u}},                          // the third number of a range is not read
        {"fa1/0/" + zeros + "1-" + zeros + "2", 0, {0x3u}},  // 31 characters, reprinted
        {"fa1/0/" + zeros + "1-" + zeros + "02", KEL_ERR_FORMAT, {0, 0}},  // 32 characters
        {"fa1/0/" + zeros + "0001", KEL_ERR_NO_IF, {}},  // 21 characters, not spelt as a name
        {"fa1/0/5-5", KEL_ERR_FORMAT, {0}},
        {"fa1/0/5-3", KEL_ERR_FORMAT, {0}},
        {"fa1/0/1,3", KEL_ERR_FORMAT, {}},  // a digit after a comma
        {"fa1/0/1,", KEL_ERR_FORMAT, {}},
        {",fa1/0/1", KEL_ERR_FORMAT, {}},
        {"fa1/0/1,,fa1/0/2", KEL_ERR_FORMAT, {}},
        {"fa 1/0/1", KEL_ERR_FORMAT, {}},
        {"FA1/0/1", KEL_ERR_FORMAT, {}},
        {"fa1//0/1", KEL_ERR_FORMAT, {}},
        {"fa1/0/1-", KEL_ERR_FORMAT, {}},
        {"fa1/0/1fa", KEL_ERR_FORMAT, {}},
        {"xy1/0/1", KEL_ERR_FORMAT, {}},
        {"", KEL_ERR_FORMAT, {}},
        {"fa1/01", KEL_ERR_FORMAT, {0}},  // 6 characters
        {"fa1/0", KEL_ERR_FORMAT, {0}},
        {"fa1-0-1", KEL_ERR_FORMAT, {0}},  // a range that is not unit/slot/first-last
        {"fa1/0/1", 0, {1u}},              // 7 characters
        {"fa1/0/99", KEL_ERR_NO_IF, {0}},
        {"fa1/0/01", KEL_ERR_NO_IF, {0}},
        {"fa1/0/25", KEL_ERR_NO_IF, {0}},
        {"fa1/0/1/5", KEL_ERR_NO_IF, {0}},  // a single item is matched exactly as written
        {"fast1/0/1", KEL_ERR_NO_IF, {0}},
        {"fa3/0/1", KEL_ERR_NO_IF, {0}},
        {"fa1/0/20-26", KEL_ERR_NO_IF, {0}},                // the last end is a Gigabit port
        {"fa1/0/1,fa1/0/99,fa1/0/2", KEL_ERR_NO_IF, {1u}},  // items before the bad one stay
        {"fa1/0/1-3,fa1/0/7-7", KEL_ERR_FORMAT, {0x7u}},
    });
    iflist out = untouched_ports();
    EXPECT_EQ(kel_cli_iflist_get(nullptr, &out), KEL_ERR_PARAM);
    EXPECT_EQ(kel_cli_iflist_get("fa1/0/1", nullptr), KEL_ERR_PARAM);
    EXPECT_EQ(out.word[0], kUntouched);
}

// Every printable character after "fa": a letter must go on spelling
// "fastethernet" for the text to begin a port name; after a digit it names
// unit 10 to 19, of which there is none; anything else ends the letters.
TEST_F(PortList, EveryPrintableCharacterAfterTheLetters) {
    for (char c = ' '; c <= '~'; ++c) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'), digit = c >= '0' && c <= '9';
        const std::string text = std::string("fa") + c + "1/0/1";
        iflist out;
        EXPECT_EQ(kel_is_portname_prefix(text.c_str()), !letter || c == 's') << c;
        EXPECT_EQ(kel_cli_iflist_get(text.c_str(), &out), digit || c == 's' ? KEL_ERR_NO_IF : KEL_ERR_FORMAT)
            << c;
    }
}

TEST_F(PortList, AsksTwiceForEachPortNamed) {
    iflist out;
    const struct {
        const char *text;
        size_t asked;
    } cases[] = {{"fa1/0/1", 2}, {"fa1/0/1-24", 4}, {"fa1/0/1-24,fa2/0/1-24", 8}, {"fa1/0/1,3", 0}};
    for (const auto &c : cases) {
        kelsim::clear_journal();
        kel_cli_iflist_get(c.text, &out);
        EXPECT_EQ(request_count(), c.asked) << c.text;
    }
}

class StackedPortList : public kel_test::SimTest {
    const char *layout() const override { return "24fe,2ge/stack;-;32ge"; }
};

TEST_F(StackedPortList, StackPortsAbsentUnitsAndWideUnits) {
    expect_port_lists({
        {"gi1/0/25-26", 0, {0x03000000u}},  // the parser does not refuse stack ports
        {"gi2/0/1", KEL_ERR_NO_IF, {0}},
        {"gi3/0/1-32", 0, {0, 0, ~0u}},
        {"gigabitethernet3/0/32", 0, {0, 0, 1u << 31}},
    });
}

struct VlanListCase {
    std::string text;
    int32_t rc;
    std::vector<int32_t> vlans;  // the VLANs set afterwards ({-1}: untouched)
};

std::vector<int32_t> span(int32_t first, int32_t last) {
    std::vector<int32_t> ids;
    for (int32_t v = first; v <= last; ++v) ids.push_back(v);
    return ids;
}

TEST(VlanList, Parses) {
    const VlanListCase cases[] = {
        {"10-50", 0, span(10, 50)},  // ranges across words
        {"31-33,64-65", 0, {31, 32, 33, 64, 65}},
        {"1-10,20,4094", 0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 20, 4094}},
        {"5-5", 0, {5}},
        {"1-5-7", 0, {1, 2, 3, 4, 5}},  // the third number is not read
        {"7,3,7", 0, {3, 7}},
        {"0000000000000031", 0, {31}},              // 16 characters
        {"00000000000000031", KEL_ERR_FORMAT, {}},  // 17 characters
        {"0000001-00000003", 0, {1, 2, 3}},         // 16 characters
        {"4294967297", 0, {1}},                     // a single id is read modulo 2^32, as kel_atoi reads it
        {"0", KEL_ERR_FORMAT, {}},
        {"4095", KEL_ERR_FORMAT, {}},
        {"10-5", KEL_ERR_FORMAT, {}},
        {"1-4095", KEL_ERR_FORMAT, {}},
        {"0-5", KEL_ERR_FORMAT, {}},
        {"2,1-4095", KEL_ERR_FORMAT, {2}},  // items before the bad one stay
        {"1--5", KEL_ERR_FORMAT, {-1}},
        {",1", KEL_ERR_FORMAT, {-1}},
        {"1,", KEL_ERR_FORMAT, {-1}},
        {"1,,2", KEL_ERR_FORMAT, {-1}},
        {"-1", KEL_ERR_FORMAT, {-1}},
        {"1 ,2", KEL_ERR_FORMAT, {-1}},
        {"", KEL_ERR_FORMAT, {-1}},
        {"a", KEL_ERR_FORMAT, {-1}},
    };
    for (const VlanListCase &c : cases) {
        SCOPED_TRACE(c.text);
        vlanlist out;
        for (uint32_t &w : out.word) w = kUntouched;
        EXPECT_EQ(kel_cli_vlanlist_get(c.text.c_str(), &out), c.rc);
        if (c.vlans == std::vector<int32_t>{-1}) {
            for (uint32_t w : out.word) ASSERT_EQ(w, kUntouched);
            continue;
        }
        std::vector<int32_t> got;
        for (int32_t v = 0; kel_vlanlist_id_getnext(&out, &v) == 0;) got.push_back(v);
        EXPECT_EQ(got, c.vlans);
        EXPECT_EQ(out.word[127] >> 30, 0u);
    }
    vlanlist all;
    ASSERT_EQ(kel_cli_vlanlist_get("1-4094", &all), 0);
    EXPECT_EQ(kel_vlanlist_is_full(&all), 1);
    EXPECT_EQ(all.word[127], 0x3FFFFFFFu);
    EXPECT_EQ(kel_cli_vlanlist_get(nullptr, &all), KEL_ERR_PARAM);
    EXPECT_EQ(kel_cli_vlanlist_get("1", nullptr), KEL_ERR_PARAM);
}

struct ValueCase {
    int32_t (*parse)(const char *, uint32_t *);
    const char *text;
    int32_t rc;
    uint32_t value;  // when rc is 0
};

// The number parsers, at and around both ends of their ranges.
TEST(Values, NumbersWithinTheirRanges) {
    const struct {
        int32_t (*parse)(const char *, uint32_t *);
        int64_t lo, hi;
    } ranges[] = {{kel_cli_vlan_id_get, 1, 3000},      {kel_cli_stack_id_get, 1, 8},
                  {kel_cli_stack_prio_get, 1, 8},      {kel_cli_cosq_prio_get, 0, 7},
                  {kel_cli_tcpudp_port_get, 1, 65535}, {kel_cli_icmp_typecode_get, 0, 255}};
    for (const auto &r : ranges)
        for (int64_t n : {r.lo - 1, r.lo, r.lo + 1, r.hi - 1, r.hi, r.hi + 1}) {
            uint32_t v = kUntouched;
            const bool in = n >= r.lo && n <= r.hi;
            EXPECT_EQ(r.parse(std::to_string(n).c_str(), &v), in ? 0 : KEL_ERR_PARAM) << n;
            EXPECT_EQ(v, in ? static_cast<uint32_t>(n) : kUntouched) << n;
            EXPECT_EQ(r.parse(nullptr, &v), KEL_ERR_PARAM);
            EXPECT_EQ(r.parse("5", nullptr), KEL_ERR_PARAM);
        }
}

TEST(Values, TextsAndKeywords) {
    const ValueCase cases[] = {
        {kel_cli_vlan_id_get, "4094", KEL_ERR_PARAM, 0},
        {kel_cli_vlan_id_get, " 12", 0, 12},
        {kel_cli_vlan_id_get, "12 ", KEL_ERR_PARAM, 0},
        {kel_cli_vlan_id_get, "", KEL_ERR_PARAM, 0},
        {kel_cli_vlan_id_get, "4294967297", 0, 1},  // kel_atoi's wrap
        {kel_cli_cosq_prio_get, "-", 0, 0},
        {kel_cli_enable_get, "enable", 0, 1},
        {kel_cli_enable_get, "en", 0, 1},
        {kel_cli_enable_get, "enXYZ", 0, 1},
        {kel_cli_enable_get, "disable", 0, 0},
        {kel_cli_enable_get, "Enable", KEL_ERR_PARAM, 0},
        {kel_cli_enable_get, "e", KEL_ERR_PARAM, 0},
        {kel_cli_enable_get, "", KEL_ERR_PARAM, 0},
        {kel_cli_acl_action_get, "permit", 0, 1},
        {kel_cli_acl_action_get, "deny", 0, 2},
        {kel_cli_acl_action_get, "dx", KEL_ERR_PARAM, 0},
        {kel_cli_acl_ipprot_get, "icmp", 0, 19},
        {kel_cli_acl_ipprot_get, "ip", 0, 4},
        {kel_cli_acl_ipprot_get, "tcp", 0, 17},
        {kel_cli_acl_ipprot_get, "udp", 0, 18},
        {kel_cli_acl_ipprot_get, "igmp", KEL_ERR_PARAM, 0},
        {kel_cli_acl_ipprot_get, "i", KEL_ERR_PARAM, 0},
    };
    for (const ValueCase &c : cases) {
        uint32_t v = kUntouched;
        EXPECT_EQ(c.parse(c.text, &v), c.rc) << '"' << c.text << '"';
        EXPECT_EQ(v, c.rc == 0 ? c.value : kUntouched) << '"' << c.text << '"';
        EXPECT_EQ(c.parse(nullptr, &v), KEL_ERR_PARAM);
        EXPECT_EQ(c.parse(c.text, nullptr), KEL_ERR_PARAM);
    }
}

TEST(Values, HostAddresses) {
    uint32_t addr = kUntouched;
    ASSERT_EQ(kel_cli_ipaddr_get("10.0.0.1", &addr), 0);
    const uint8_t want[4] = {10, 0, 0, 1};
    EXPECT_EQ(std::memcmp(&addr, want, 4), 0);
    ASSERT_EQ(kel_cli_ipaddr_get("192.168.1.254", &addr), 0);
    for (const char *bad : {"10.0.0.0", "10.0.0.255", "255.255.255.255", "abc", ""}) {
        addr = kUntouched;
        EXPECT_EQ(kel_cli_ipaddr_get(bad, &addr), KEL_ERR_PARAM) << bad;
        EXPECT_EQ(addr, kUntouched);
    }
    EXPECT_EQ(kel_cli_ipaddr_get(nullptr, &addr), KEL_ERR_PARAM);
    EXPECT_EQ(kel_cli_ipaddr_get("10.0.0.1", nullptr), KEL_ERR_PARAM);
}

struct UrlCase {
    const char *url;
    const char *user, *password, *host, *port, *path;  // "-": not written
};

TEST(Url, SplitsInPlace) {
    const UrlCase cases[] = {
        {"admin:secret@10.0.0.1:69/images/fw.bin", "admin", "secret", "10.0.0.1", "69", "images/fw.bin"},
        {"host/a:b", "-", "-", "host", "-", "a:b"},
        {"a@b@host", "a@b", "-", "host", "-", "-"},
        {"u:p:w@d@h:1", "u", "p:w@d", "h", "1", "-"},
        {"host", "-", "-", "host", "-", "-"},
        {"", "-", "-", "", "-", "-"},
        {"@", "", "-", "", "-", "-"},
        {"h:/", "-", "-", "h", "", ""},
        {"ftp://server/file", "-", "-", "ftp", "", "/server/file"},  // no scheme is recognised
    };
    for (const UrlCase &c : cases) {
        SCOPED_TRACE(c.url);
        std::string text(c.url);
        char dash[] = "-";
        char *got[5] = {dash, dash, dash, dash, dash};
        ASSERT_EQ(kel_cli_url_tokenize(&text[0], &got[0], &got[1], &got[2], &got[3], &got[4]), 0);
        const char *want[5] = {c.user, c.password, c.host, c.port, c.path};
        for (int i = 0; i < 5; ++i) {
            EXPECT_STREQ(got[i], want[i]) << "piece " << i;
            if (got[i] != dash) {
                EXPECT_TRUE(got[i] >= text.data() && got[i] <= text.data() + text.size());
            }
        }
    }
    char text[] = "u:p@h:2/x";
    char *host = nullptr;
    ASSERT_EQ(kel_cli_url_tokenize(text, nullptr, nullptr, &host, nullptr, nullptr), 0);
    EXPECT_STREQ(host, "h");  // the separators are cut whether or not a piece is asked for
    EXPECT_EQ(kel_cli_url_tokenize(nullptr, &host, &host, &host, &host, &host), KEL_ERR_PARAM);
}

}  // namespace
