// bench_snmp.cpp - kelsnmpd as a manager sees it: net-snmp's own tools, run
// as processes, against a master snmpd and kelsnmpd under kelsim on an
// 8-unit stack of 32 ports each (256 ports). Goal: an snmpbulkwalk of
// ifTable and ifXTable under 100 ms, with at most one pass over the ports
// per PDU. Each benchmark reports, beside the wall time of the walk, the
// varbinds it returned, the driver requests kelsim answered for it and
// the CPU time the agent spent on it. The baseline is one snmpget of
// sysUpTime, answered by snmpd itself: what starting a tool costs.
//
// The programs come from the build (KEL_KELSIM, KEL_KELSNMPD) and from
// PATH (snmpd, snmpget, snmpbulkwalk); without snmpd the benchmarks say so
// and stop. The state file is shared with this process, which reads the
// request count from it.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "compare.h"
#include "model/area_forwarding.h"
#include "model/model.h"
#include "model/state.h"

extern char **environ;

namespace {

constexpr const char *kTopology = "32ge;32ge;32ge;32ge;32ge;32ge;32ge;32ge";
constexpr uint32_t kEntries = 4096;

// Runs a program and waits for it; its standard output goes to out.
int run(const std::vector<std::string> &args, const std::string &out = "/dev/null", pid_t *bg = nullptr) {
    std::vector<char *> argv;
    for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t at;
    posix_spawnattr_init(&at);
    posix_spawnattr_setflags(&at, POSIX_SPAWN_SETPGROUP);  // a group of its own, ended as one
    pid_t pid;
    int rc = posix_spawnp(&pid, argv[0], &fa, &at, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    posix_spawnattr_destroy(&at);
    if (rc != 0) return -1;
    if (bg) {
        *bg = pid;
        return 0;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

long lines(const std::string &path) {
    std::ifstream in(path);
    long n = 0;
    for (std::string l; std::getline(in, l);) ++n;
    return n;
}

// CPU time of a process, in seconds.
double cpu_of(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string f;
    unsigned long utime = 0, stime = 0;
    for (int i = 1; i <= 15 && in >> f; ++i) {
        if (i == 14) utime = std::stoul(f);
        if (i == 15) stime = std::stoul(f);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

struct Rig {
    std::string dir, port, error;
    std::vector<pid_t> groups;
    pid_t agent = 0;
    kelsim::Model *model = nullptr;

    Rig() {
        char tmpl[] = "/tmp/kelsnmpd-bench.XXXXXX";
        if (!mkdtemp(tmpl)) {
            error = "no temporary directory";
            return;
        }
        dir = tmpl;
        setenv("KELSIM_STATE", (dir + "/switch").c_str(), 1);
        setenv("KELSIM_TOPOLOGY", kTopology, 1);
        setenv("SNMP_PERSISTENT_DIR", dir.c_str(), 1);
        setenv("MIBS", "", 1);
        model = kelsim::current_model();
        if (!model) {
            error = "no simulated switch";
            return;
        }
        for (uint32_t n = 0; n < kEntries; ++n) {
            uint8_t mac[6] = {0x00, 0x10, 0x20, 0x00, static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)};
            kelsim::Lock lock(*model);
            if (kelsim::learn(*model, mac, 1, 1 + n % 8, 1 + n % 32) != 0) {
                error = "the MAC address table would not take the entries";
                return;
            }
        }
        port = std::to_string(20000 + getpid() % 20000);
        std::ofstream(dir + "/snmpd.conf") << "agentaddress udp:127.0.0.1:" << port << "\nmaster agentx\n"
                                           << "agentXSocket unix:" << dir << "/agentx\n"
                                           << "rocommunity public 127.0.0.1\n";
        pid_t pid;
        if (run({"snmpd", "-f", "-Lf", dir + "/snmpd.log", "-C", "-c", dir + "/snmpd.conf", "-p",
                 dir + "/snmpd.pid", "-I", "-ifTable,ifXTable,interfaces"},
                "/dev/null", &pid) != 0) {
            error = "snmpd not found (apt-get install snmpd snmp)";
            return;
        }
        groups.push_back(pid);
        run({KEL_KELSIM, "--state", dir + "/switch", "--", KEL_KELSNMPD, "-f", "-x",
             "unix:" + dir + "/agentx", "-w", "3600", "-p", dir + "/agent.pid", "-Lf", dir + "/kelsnmpd.log"},
            "/dev/null", &pid);
        groups.push_back(pid);
        for (int i = 0; i < 100 && !agent; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (get(".1.3.6.1.2.1.2.2.1.1.256") == 0 && lines(dir + "/out") == 1 &&
                std::ifstream(dir + "/out").peek() != 'N')
                std::ifstream(dir + "/agent.pid") >> agent;
        }
        if (!agent) error = "kelsnmpd does not answer (see " + dir + ")";
    }
    ~Rig() {
        for (pid_t g : groups) kill(-g, SIGTERM);
        for (pid_t g : groups) waitpid(g, nullptr, 0);
        if (error.empty()) run({"rm", "-rf", dir});
    }
    int get(const std::string &oid) {
        return run({"snmpget", "-On", "-Oqv", "-v2c", "-c", "public", "127.0.0.1:" + port, oid},
                   dir + "/out");
    }
    long walk(const std::string &oid) {
        run({"snmpbulkwalk", "-On", "-v2c", "-c", "public", "127.0.0.1:" + port, oid}, dir + "/out");
        return lines(dir + "/out");
    }
};

Rig &rig() {
    static Rig r;
    return r;
}

void BM_SnmpGet(benchmark::State &state) {
    if (!rig().error.empty()) return state.SkipWithError(rig().error.c_str());
    for (auto _ : state) rig().get(".1.3.6.1.2.1.1.3.0");
}
BENCHMARK(BM_SnmpGet)->Unit(benchmark::kMillisecond)->UseRealTime();

// Walks the subtrees, each with one snmpbulkwalk.
void walk(benchmark::State &state, const std::vector<std::string> &subtrees, long want) {
    Rig &r = rig();
    if (!r.error.empty()) return state.SkipWithError(r.error.c_str());
    uint64_t requests = r.model->requests;
    double cpu = cpu_of(r.agent);
    long varbinds = 0;
    for (auto _ : state) {
        varbinds = 0;
        for (const std::string &s : subtrees) varbinds += r.walk(s);
        if (varbinds != want) return state.SkipWithError("the walk returned another number of varbinds");
    }
    double n = static_cast<double>(state.iterations());
    state.counters["varbinds"] = static_cast<double>(varbinds);
    state.counters["requests"] = static_cast<double>(r.model->requests - requests) / n;
    state.counters["agent_ms"] = (cpu_of(r.agent) - cpu) * 1000 / n;
}

// 256 rows of 22 ifTable columns and of 15 ifXTable columns.
void BM_WalkIfTables(benchmark::State &state) {
    walk(state, {".1.3.6.1.2.1.2.2", ".1.3.6.1.2.1.31.1.1"}, 256 * (22 + 15));
}
BENCHMARK(BM_WalkIfTables)->Unit(benchmark::kMillisecond)->UseRealTime();

// The port and status columns of 4096 learned entries.
void BM_WalkFdb(benchmark::State &state) { walk(state, {".1.3.6.1.2.1.17.7.1.2.2"}, 2 * kEntries); }
BENCHMARK(BM_WalkFdb)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
