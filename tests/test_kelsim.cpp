// kelsim itself: topology layouts, state files shared by processes, the
// trace, and what it answers to requests no driver could honour.
#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "entry/trace.h"
#include "family/commands.h"
#include "model/state.h"
#include "sim_fixture.h"

namespace {

using kelsim::Topology;

struct LayoutCase {
    const char *text;
    bool ok;
    const char *canonical_or_fault;  // canonical layout, or a word of the message
};

TEST(Topology, ParsesAndPrintsLayouts) {
    const LayoutCase cases[] = {
        {"24fe,2ge;24fe,2ge", true, "24fe,2ge;24fe,2ge"},
        {"24fe,2ge/stack;-;8ge", true, "24fe,2ge/stack;-;8ge"},
        {"12fe,12fe", true, "24fe"},
        {"32ge", true, "32ge"},
        {"1fe;1fe;1fe;1fe;1fe;1fe;1fe;1fe", true, "1fe;1fe;1fe;1fe;1fe;1fe;1fe;1fe"},
        {"8ge;-", true, "8ge"},
        {"", false, "empty"},
        {"1fe;1fe;1fe;1fe;1fe;1fe;1fe;1fe;1fe", false, "more than 8 units"},
        {"33fe", false, "more than 32 ports"},
        {"30fe,3ge", false, "more than 32 ports"},
        {"1000000000000fe", false, "more than 32 ports"},
        {"0fe", false, "0 ports"},
        {"24xe", false, "media"},
        {"24fe,", false, "port count"},
        {"fe", false, "port count"},
        {"24fe;;2ge", false, "port count"},
        {"24fe/stak", false, "unexpected"},
        {"24fe 2ge", false, "unexpected"},
    };
    for (const LayoutCase &c : cases) {
        Topology t;
        char err[200] = "";
        bool ok = kelsim::parse_topology(c.text, &t, err, sizeof err);
        EXPECT_EQ(ok, c.ok) << c.text << ": " << err;
        if (ok) {
            char out[200];
            kelsim::format_topology(t, out, sizeof out);
            EXPECT_STREQ(out, c.canonical_or_fault);
        } else {
            EXPECT_NE(std::string(err).find(c.canonical_or_fault), std::string::npos)
                << c.text << ": " << err;
        }
    }
    EXPECT_FALSE(kelsim::reset("99fe"));
}

class Driver : public kel_test::SimTest {};

TEST_F(Driver, UnknownCodesGetAStatusNotACrash) {
    for (uint32_t code :
         {0x0000u, 0x000Eu, 0x0100u, 0x0110u, 0x1401u, 0x1D01u, 0x1F01u, 0xFF01u, 0x10001u, 0xFFFFFFFFu}) {
        kel_ioreq b{};
        b.cmd = code;
        EXPECT_EQ(kel_ioctl(KEL_IOCTL_REQUEST, &b), 0);
        EXPECT_EQ(b.status, KEL_DRV_ERR_UNKNOWN_COMMAND) << std::hex << code;
    }
    EXPECT_EQ(kelsim::find_command(0x0008)->code, 0x0008);
}

TEST_F(Driver, EveryRowSitsAtItsCode) {
    for (uint32_t code = 0; code < 0x2000; ++code)
        if (const kelsim::Command *c = kelsim::find_command(code)) {
            EXPECT_EQ(c->code, code);
            EXPECT_NE(c->name, nullptr);
        }
}

// Names the switch keeps take printable characters only, so that no name can
// carry a terminal's escape sequence or a line break into what shows it.
TEST_F(Driver, KeptNamesRefuseControlCharacters) {
    uint32_t number;
    for (int c = 1; c < 256; c = c == 31 ? 127 : c + 1) {  // every control character, DEL and above
        const std::string bad = std::string("a") + static_cast<char>(c) + "b";
        EXPECT_EQ(kel_acl_create(bad.c_str(), 2, &number), KEL_DRV_ERR_BAD_VALUE) << c;
        EXPECT_EQ(kel_mst_name_set(bad.c_str()), KEL_DRV_ERR_BAD_VALUE) << c;
        EXPECT_EQ(kel_dot1x_user_set(bad.c_str(), "pw", 1), KEL_DRV_ERR_BAD_VALUE) << c;
        EXPECT_EQ(kel_vlan_name_set(1, bad.c_str(), 3), KEL_DRV_ERR_BAD_VALUE) << c;
    }
    EXPECT_EQ(kel_acl_create("lab 1", 2, &number), 0);
    EXPECT_EQ(kel_mst_name_set("lab 1"), 0);
    EXPECT_EQ(kel_dot1x_user_set("lab 1", "pw\t", 1), 0);  // passwords are never shown
}

TEST_F(Driver, NullBuffersAreRefused) {
    ifport p{1, 0, 1};
    EXPECT_EQ(kel_system_port_info_get(&p, nullptr), KEL_DRV_ERR_NULL_BUFFER);
    EXPECT_EQ(kel_ifport_name_get(&p, nullptr, 32), KEL_DRV_ERR_NULL_BUFFER);
    EXPECT_EQ(kel_stack_info_get(1, nullptr), KEL_DRV_ERR_NULL_BUFFER);
}

std::string slurp(const std::string &path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string temp_path(const char *name) {
    return std::string(::testing::TempDir()) + "kelsim-" + std::to_string(getpid()) + "-" + name;
}

TEST_F(Driver, TraceDecodesEachRequestOnOneLine) {
    std::string path = temp_path("trace");
    unlink(path.c_str());
    ASSERT_TRUE(kelsim::set_trace(path.c_str()));
    ifport p{1, 0, 3};
    char name[32];
    uint32_t vid = 0;
    kel_vlan_create(10);
    kel_system_vlan_id_set(10);
    kel_system_vlan_id_get(&vid);
    kel_ifport_name_get(&p, name, 8);
    kel_system_ip_mask_set(htonl(0xC0A80101u), htonl(0xFFFFFF00u));  // network byte order
    kel_ioreq b{};
    b.cmd = 0x7777;
    kel_ioctl(KEL_IOCTL_REQUEST, &b);
    kel_dot1x_radius_set(1, 0x0100000A, "Sup3rK3y", 1812);  // keys and passwords never show
    kel_dot1x_user_set("carol", "Passw0rd!", 1);
    kel_dot1x_user_del("carol");
    kelsim::set_trace(nullptr);
    EXPECT_EQ(slurp(path),
              "0x0601 vlan_create vid=10 -> 0\n"
              "0x0006 system_vlan_id_set vid=10 -> 0\n"
              "0x0007 system_vlan_id_get -> 0 vid=10\n"
              "0x0001 ifport_name_get unit=1 port=3 len=8 buf -> -204 buffer-too-small\n"
              "0x0004 system_ip_mask_set addr=192.168.1.1 mask=255.255.255.0 -> 0\n"
              "0x7777 ? -> -201 unknown-command\n"
              "0x1010 dot1x_radius_set index=1 record=<hidden> -> 0\n"
              "0x1013 dot1x_user_set record=<hidden> -> 0\n"
              "0x1014 dot1x_user_del text=\"carol\" -> 0\n");
    unlink(path.c_str());
}

// Texts are quoted, with everything not printable escaped, so no text can forge a line.
TEST(Trace, EscapesTexts) {
    char text[] = "office";
    const kelsim::Command named{0x0D02, "acl_destroy", nullptr, nullptr, kelsim::In::text, 64};
    kel_ioreq b{};
    b.cmd = 0x0D02;
    b.buf = 1;  // any address: the trace prints the copy it is given
    char line[256];
    kelsim::format_trace(line, sizeof line, &named, b, b, 0, reinterpret_cast<uint8_t *>(text), sizeof text);
    EXPECT_STREQ(line, "0x0D02 acl_destroy text=\"office\" -> 0\n");
    char forged[] = "\"x\\\n0x0101 \x1b[2J\xff";
    kelsim::format_trace(line, sizeof line, &named, b, b, 0, reinterpret_cast<uint8_t *>(forged),
                         sizeof forged);
    EXPECT_STREQ(line, "0x0D02 acl_destroy text=\"\\\"x\\\\\\x0a0x0101 \\x1b[2J\\xff\" -> 0\n");
    // A line longer than its room is cut, and still ends with its newline.
    EXPECT_EQ(kelsim::format_trace(line, 12, &named, b, b, 0, nullptr, 0), 11u);
    EXPECT_STREQ(line, "0x0D02 acl\n");
    EXPECT_EQ(kelsim::format_trace(line, 2, &named, b, b, 0, nullptr, 0), 1u);
    EXPECT_STREQ(line, "\n");
    EXPECT_EQ(kelsim::format_trace(line, 1, &named, b, b, 0, nullptr, 0), 0u);
}

// Two processes on one state file see one switch.
TEST(StateFile, SharedBetweenProcesses) {
    std::string path = temp_path("shared");
    unlink(path.c_str());
    Topology t;
    char err[256];
    ASSERT_TRUE(kelsim::parse_topology("24fe,2ge", &t, err, sizeof err));
    kelsim::Model *m = kelsim::open_state_file(path.c_str(), t, false, err, sizeof err);
    ASSERT_NE(m, nullptr) << err;
    pid_t child = fork();
    if (child == 0) {
        kelsim::Model *c = kelsim::open_state_file(path.c_str(), t, false, err, sizeof err);
        if (!c) _exit(1);
        for (int i = 0; i < 10000; ++i) {
            kelsim::Lock lock(*c);
            ++c->sys.reboots;
        }
        _exit(0);
    }
    for (int i = 0; i < 10000; ++i) {
        kelsim::Lock lock(*m);
        ++m->sys.reboots;
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(m->sys.reboots, 20000u);
    unlink(path.c_str());
}

TEST(StateFile, RefusesFilesOfAnotherSizeOrVersion) {
    Topology t;
    char err[256];
    ASSERT_TRUE(kelsim::parse_topology(kelsim::kDefaultLayout, &t, err, sizeof err));
    std::string path = temp_path("bad");
    { std::ofstream(path) << "not a switch"; }
    for (bool reset : {false, true}) {  // a file that is not kelsim's is never overwritten
        EXPECT_EQ(kelsim::open_state_file(path.c_str(), t, reset, err, sizeof err), nullptr);
        EXPECT_NE(std::string(err).find("not a state file"), std::string::npos) << err;
    }

    unlink(path.c_str());
    kelsim::Model *m = kelsim::open_state_file(path.c_str(), t, false, err, sizeof err);
    ASSERT_NE(m, nullptr) << err;
    m->header.version += 1;
    EXPECT_EQ(kelsim::open_state_file(path.c_str(), t, false, err, sizeof err), nullptr);
    EXPECT_NE(std::string(err).find("version"), std::string::npos) << err;
    // --reset remakes a state file of another version.
    kelsim::Model *fresh = kelsim::open_state_file(path.c_str(), t, true, err, sizeof err);
    ASSERT_NE(fresh, nullptr) << err;
    EXPECT_EQ(fresh->topo.nports[1], 26);
    unlink(path.c_str());
}

#ifndef KEL_UNDER_EMULATOR
// The emulator keeps no robust-futex list, so owner death is tested natively only.
TEST(StateFile, LockSurvivesAnOwnerThatDied) {
    std::string path = temp_path("owner");
    unlink(path.c_str());
    Topology t;
    char err[256];
    ASSERT_TRUE(kelsim::parse_topology(kelsim::kDefaultLayout, &t, err, sizeof err));
    kelsim::Model *m = kelsim::open_state_file(path.c_str(), t, false, err, sizeof err);
    ASSERT_NE(m, nullptr) << err;
    pid_t child = fork();
    if (child == 0) {
        pthread_mutex_lock(&m->mutex);
        m->sys.reboots = 41;
        _exit(0);  // dies holding the lock
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    {
        kelsim::Lock lock(*m);
        EXPECT_EQ(m->sys.reboots, 41u);
    }
    kelsim::Lock again(*m);  // consistent again
    unlink(path.c_str());
}
#endif

}  // namespace
