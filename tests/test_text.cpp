// The text helpers: user name, strict decimal parser, first-word isolator.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "kel.h"

namespace {

struct AtoiCase {
    const char *text;
    int32_t rc;
    int32_t value;  // when rc is 0
};

TEST(Atoi, Table) {
    const AtoiCase cases[] = {
        {"", KEL_ERR_PARAM, 0},
        {"0", 0, 0},
        {"007", 0, 7},
        {"   ", 0, 0},
        {"-", 0, 0},
        {" \t-", 0, 0},
        {" \t-12", 0, -12},
        {"12 ", KEL_ERR_FORMAT, 0},
        {"+5", KEL_ERR_FORMAT, 0},
        {"--5", KEL_ERR_FORMAT, 0},
        {"- 5", KEL_ERR_FORMAT, 0},
        {"4294967295", 0, -1},
        {"4294967296", 0, 0},
        {"2147483648", 0, INT32_MIN},
        {"-2147483648", 0, INT32_MIN},
        {"12a", KEL_ERR_FORMAT, 0},
        {"5\r", KEL_ERR_FORMAT, 0},
    };
    for (const AtoiCase &c : cases) {
        int32_t v = 4242;
        EXPECT_EQ(kel_atoi(c.text, &v), c.rc) << '"' << c.text << '"';
        EXPECT_EQ(v, c.rc == 0 ? c.value : 4242) << '"' << c.text << '"';
    }
}

// Every control character, and the space, before a number: the library's
// blanks are space, tab and backspace (kel_atoi, kel_strtrim, the VLAN names);
// the numbers inside names and prefixes are read as strtol reads them, after
// any of space, tab, line feed, vertical tab, form feed and carriage return.
TEST(Blanks, EveryControlCharacterBeforeANumber) {
    for (int c = 1; c <= ' ' || c == 127; c = c == ' ' ? 127 : c + 1) {
        SCOPED_TRACE(c);
        const std::string lead(1, static_cast<char>(c));
        const bool blank = c == ' ' || c == '\t' || c == '\b', space = c == ' ' || (c >= '\t' && c <= '\r');
        int32_t v = 4242;
        EXPECT_EQ(kel_atoi((lead + "5").c_str(), &v), blank ? 0 : KEL_ERR_FORMAT);
        EXPECT_EQ(v, blank ? 5 : 4242);
        EXPECT_EQ(kel_is_vlan_ifname(("vlan" + lead + "7").c_str()), blank ? 1 : 0);
        EXPECT_EQ(kel_ifname2vlan(("sw0." + lead + "12").c_str(), &v), 0);
        EXPECT_EQ(v, space ? 12 : 0);
        uint32_t addr = 0, mask = 0;
        ASSERT_EQ(kel_ippref2ipmask(("10.0.0.1/" + lead + "8").c_str(), &addr, &mask), 0);
        EXPECT_EQ(mask, space ? htonl(0xFF000000u) : 0u);
        std::string text = lead + "w" + lead + "x";
        char *word = kel_strtrim(&text[0]);
        EXPECT_STREQ(word, blank ? "w" : c == '\r' || c == '\n' ? nullptr : text.c_str());
    }
}

TEST(Atoi, NullArguments) {
    int32_t v = 1;
    EXPECT_EQ(kel_atoi(nullptr, &v), KEL_ERR_PARAM);
    EXPECT_EQ(kel_atoi("5", nullptr), 0);
    EXPECT_EQ(kel_atoi("x", nullptr), KEL_ERR_FORMAT);
    EXPECT_EQ(v, 1);
}

struct TrimCase {
    const char *text;
    const char *word;       // null: no word
    const char *remainder;  // what the buffer holds after the word's terminator
};

TEST(Strtrim, Table) {
    const TrimCase cases[] = {
        {"", nullptr, nullptr},
        {"  \r\n", nullptr, nullptr},
        {"\n", nullptr, nullptr},
        {" \t\b", nullptr, nullptr},
        {"\tenable\n", "enable", ""},
        {"a b", "a", "b"},
        {"  show vlan ", "show", "vlan "},
        {"word", "word", nullptr},
        {"x\ry", "x", "y"},
        {"\vx", "\vx", nullptr},  // vertical tab is no blank
    };
    for (const TrimCase &c : cases) {
        std::string buf(c.text);
        buf.push_back('\0');
        std::string before = buf;
        char *word = kel_strtrim(&buf[0]);
        if (!c.word) {
            EXPECT_EQ(word, nullptr) << '"' << c.text << '"';
            EXPECT_EQ(buf, before);  // untouched
            continue;
        }
        ASSERT_NE(word, nullptr) << '"' << c.text << '"';
        EXPECT_STREQ(word, c.word);
        EXPECT_GE(word, &buf[0]);
        if (c.remainder) {
            EXPECT_STREQ(word + std::strlen(word) + 1, c.remainder);
        }
    }
    EXPECT_EQ(kel_strtrim(nullptr), nullptr);
}

TEST(Strtrim, WritesNothingWhenTheTextEndsTheWord) {
    static const char text[] = "readonly";  // in read-only memory: a write would fault
    EXPECT_STREQ(kel_strtrim(const_cast<char *>(text)), "readonly");
}

TEST(User, RootIsShownAsAdmin) {
    const char *saved = std::getenv("USER");
    std::string keep = saved ? saved : "";
    unsetenv("USER");
    EXPECT_STREQ(kel_user(), "unknown");
    setenv("USER", "root", 1);
    EXPECT_STREQ(kel_user(), "admin");
    for (const char *name : {"rooter", "Root", "roo", "alice"}) {
        setenv("USER", name, 1);
        EXPECT_STREQ(kel_user(), name);
        EXPECT_EQ(kel_user(), std::getenv("USER"));  // the environment's own string
    }
    if (saved)
        setenv("USER", keep.c_str(), 1);
    else
        unsetenv("USER");
}

}  // namespace
