// bench_kelctl.cpp - kelctl as operators and scripts run it, as processes
// against kelsim on an 8-unit stack of 32 ports each (256 ports):
//   - a batch of 10,000 commands in one kelctl process, beside the same
//     commands run with one kelctl process each (a sample of them): the time
//     per command of each and their ratio (goal: the batch at least 100 times
//     faster per command), and the driver requests per second through kelctl;
//   - show running-config (and show running-config all) of a switch
//     configured in every area: wall time and driver requests (goal under
//     50 ms).
// kelctl runs with the interposer preloaded (LD_PRELOAD) on a state file
// that this process maps too, to read the request count from it.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "model/model.h"
#include "model/state.h"

extern char **environ;

namespace {

constexpr const char *kTopology = "32ge;32ge;32ge;32ge;32ge;32ge;32ge;32ge";
constexpr int kBatch = 10000, kSample = 100;

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// Runs kelctl with args; its output goes to out. Its exit status.
int kelctl(const std::vector<std::string> &args, const std::string &out = "/dev/null") {
    std::vector<char *> argv{const_cast<char *>(KEL_KELCTL)};
    for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    int rc = posix_spawn(&pid, KEL_KELCTL, &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string port(int n) { return "gi" + std::to_string(1 + n / 32 % 8) + "/0/" + std::to_string(1 + n % 32); }

// The commands of the batch: settings of ports, VLANs, the spanning tree
// and the queues, each one to a few requests, all of which apply.
std::vector<std::string> batch_commands() {
    std::vector<std::string> out;
    for (int i = 0; i < kBatch; ++i) {
        switch (i % 5) {
            case 0:
                out.push_back("interface " + port(i) + " priority " + std::to_string(i % 8));
                break;
            case 1:
                out.push_back("vlan name " + std::to_string(2 + i % 100) + " v" + std::to_string(i));
                break;
            case 2:
                out.push_back("spanning-tree port " + port(i) + " cost " + std::to_string(1 + i));
                break;
            case 3:
                out.push_back("interface " + port(i) + " storm-control broadcast " + std::to_string(i));
                break;
            default:
                out.push_back("qos map " + std::to_string(i % 8) + " " + std::to_string(i % 4));
        }
    }
    return out;
}

// A switch configured in every area: 500 VLANs, every port's settings,
// trunks, mirror sessions, queues, the spanning tree with 4 MST instances,
// 802.1X, access lists, port security and snooping.
std::vector<std::string> full_configuration() {
    std::vector<std::string> c{"vlan create 2-500"};
    for (int v = 2; v <= 500; v += 7)
        c.push_back("vlan name " + std::to_string(v) + " net" + std::to_string(v));
    for (int u = 1; u <= 8; ++u) {
        std::string all = "gi" + std::to_string(u) + "/0/1-32", some = "gi" + std::to_string(u) + "/0/1-16";
        for (const char *s :
             {"speed 1000", "duplex full", "flowcontrol on", "priority 3", "vlan-mode trunk 10",
              "allowed-vlan add 20-40,100 tagged", "rate tx 50000 64", "storm-control broadcast 3000",
              "lacp-priority 100", "block unknown-unicast on"})
            c.push_back("interface " + (u % 2 ? all : some) + " " + s);
        c.push_back("spanning-tree port " + all + " cost 4000");
        c.push_back("dot1x port " + some + " control auto");
        c.push_back("port-security port " + some + " maximum 4");
        c.push_back("gvrp port " + all + " gvrp enable");
        c.push_back("gvrp timers " + some + " 30 90 2000");
        c.push_back("dhcp-snooping trust gi" + std::to_string(u) + "/0/32 enable");
        c.push_back("trunk static " + std::to_string(u) + " gi" + std::to_string(u) + "/0/29-30");
        c.push_back("port-security address add gi" + std::to_string(u) + "/0/2 0012.0000.000" +
                    std::to_string(u));
        c.push_back("mac-address-table static 0012.3400.000" + std::to_string(u) + " vlan 10 interface gi" +
                    std::to_string(u) + "/0/3");
    }
    for (int s = 1; s <= 4; ++s)
        c.push_back("monitor session " + std::to_string(s) + " destination gi" + std::to_string(s) + "/0/31");
    for (int i = 1; i <= 4; ++i) {
        c.push_back("mst instance " + std::to_string(i) + " " + std::to_string(100 * i) + "-" +
                    std::to_string(100 * i + 50));
        c.push_back("mst port " + std::to_string(i) + " gi1/0/1-32 priority 64");
    }
    for (const char *s : {"monitor session 1 source gi1/0/5-8 both",
                          "qos map 5 3",
                          "qos policy strict 5 6 4 8",
                          "spanning-tree mode mstp",
                          "spanning-tree priority 4096",
                          "mst name campus",
                          "dot1x enable",
                          "dot1x radius add 1 10.0.0.5 k3y",
                          "dot1x user add alice pw 3",
                          "access-list create web ip",
                          "access-list add web permit tcp any 10.1.1.1 dst-port 80",
                          "access-list add web deny ip 10.0.0.0/8 any",
                          "access-list install web gi1/0/1-28",
                          "igmp-snooping enable",
                          "igmp-snooping vlan 10-40 enable",
                          "dhcp-snooping enable",
                          "dhcp-snooping vlan 10-20 enable",
                          "mac-address-table aging-time 600",
                          "watchdog 60",
                          "multicast-table static 0100.5e00.0001 vlan 10 interface gi1/0/1-8 priority 5"})
        c.push_back(s);
    return c;
}

struct Rig {
    std::string dir, error;
    kelsim::Model *model = nullptr;
    int config_lines = 0;

    Rig() {
        char tmpl[] = "/tmp/kelctl-bench.XXXXXX";
        if (!mkdtemp(tmpl)) {
            error = "no temporary directory";
            return;
        }
        dir = tmpl;
        setenv("KELSIM_STATE", (dir + "/switch").c_str(), 1);
        setenv("KELSIM_TOPOLOGY", kTopology, 1);
        model = kelsim::current_model();
        setenv("LD_PRELOAD", KEL_INTERPOSER, 1);  // for kelctl, started after this process has its switch
        if (!model) {
            error = "no simulated switch";
            return;
        }
        std::ofstream batch(dir + "/batch"), config(dir + "/config");
        for (const std::string &c : batch_commands()) batch << c << "\n";
        for (const std::string &c : full_configuration()) config << c << "\n";
        batch.close();
        config.close();
        if (kelctl({"-b", dir + "/config"}) != 0)
            error = "the configuration did not apply (kelctl -b " + dir + "/config)";
        if (kelctl({"-b", dir + "/batch"}) != 0)
            error = "the batch did not apply (kelctl -b " + dir + "/batch)";
        std::ifstream shown;
        kelctl({"show", "running-config"}, dir + "/running");
        std::ifstream in(dir + "/running");
        for (std::string l; std::getline(in, l);) config_lines += l[0] != '#';
    }
    ~Rig() {
        std::error_code ignored;  // a leftover folder in /tmp is harmless
        if (error.empty()) std::filesystem::remove_all(dir, ignored);
    }
};

Rig &rig() {
    static Rig r;
    return r;
}

// Per iteration: the whole batch in one process, then the first kSample of
// its commands with one process each, timed apart.
void BM_BatchAgainstProcesses(benchmark::State &state) {
    Rig &r = rig();
    if (!r.error.empty()) return state.SkipWithError(r.error.c_str());
    std::vector<std::string> commands = batch_commands();
    double batch = 0, single = 0, requests = 0;
    for (auto _ : state) {
        uint64_t before = r.model->requests;
        auto t = Clock::now();
        if (kelctl({"-b", r.dir + "/batch"}) != 0) return state.SkipWithError("the batch failed");
        batch += seconds_since(t);
        requests += static_cast<double>(r.model->requests - before);
        t = Clock::now();
        for (int i = 0; i < kSample; ++i) {
            std::vector<std::string> words;
            for (size_t at = 0, end; at < commands[i].size(); at = end + 1) {
                end = commands[i].find(' ', at);
                if (end == std::string::npos) end = commands[i].size();
                words.push_back(commands[i].substr(at, end - at));
            }
            if (kelctl(words) != 0) return state.SkipWithError("a command failed");
        }
        single += seconds_since(t);
        state.SetIterationTime(seconds_since(t));
    }
    double n = static_cast<double>(state.iterations());
    double per_batch = batch / n / kBatch, per_process = single / n / kSample;
    state.counters["batch_us_per_command"] = per_batch * 1e6;
    state.counters["process_us_per_command"] = per_process * 1e6;
    state.counters["speedup"] = per_process / per_batch;
    state.counters["requests_per_command"] = requests / n / kBatch;
    state.counters["requests_per_s"] = requests / batch;
}
BENCHMARK(BM_BatchAgainstProcesses)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void running_config(benchmark::State &state, const std::vector<std::string> &args) {
    Rig &r = rig();
    if (!r.error.empty()) return state.SkipWithError(r.error.c_str());
    uint64_t before = r.model->requests;
    for (auto _ : state)
        if (kelctl(args, r.dir + "/shown") != 0) return state.SkipWithError("show running-config failed");
    state.counters["requests"] =
        static_cast<double>(r.model->requests - before) / static_cast<double>(state.iterations());
    state.counters["commands"] = r.config_lines;
}

void BM_RunningConfig(benchmark::State &state) { running_config(state, {"show", "running-config"}); }
BENCHMARK(BM_RunningConfig)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RunningConfigAll(benchmark::State &state) {
    running_config(state, {"show", "running-config", "all"});
}
BENCHMARK(BM_RunningConfigAll)->Unit(benchmark::kMillisecond)->UseRealTime();

// The cost of starting kelctl at all: a command that makes one request.
void BM_OneCommand(benchmark::State &state) { running_config(state, {"show", "watchdog"}); }
BENCHMARK(BM_OneCommand)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
