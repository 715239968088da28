// dataplane_command.cpp - "kelsim --state FILE dataplane [OPTIONS]": the
// dataplane in the foreground until SIGINT or SIGTERM (engine.h).
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "dataplane/engine.h"
#include "launch/launcher.h"

namespace kelsim {

namespace {

const char kSynopsis[] = "dataplane [--netns NAME] [--pcap DIR] [--cpu N]";

void say_ready(void *arg) {
    auto *o = static_cast<const DataplaneOptions *>(arg);
    std::fprintf(stderr, "kelsim: dataplane: the ports' interfaces are up%s%s; stop it with Ctrl-C\n",
                 o->netns ? " in network namespace " : "", o->netns ? o->netns : "");
}

}  // namespace

int dataplane_command(Model &m, int argc, char **argv) {
    DataplaneOptions o;
    for (int i = 0; i < argc; i += 2) {  // every option takes a value
        const char *opt = argv[i], *value = i + 1 < argc ? argv[i + 1] : nullptr;
        char *end = nullptr;
        if (!value || value[0] == '-') {
            std::fprintf(stderr, "usage: kelsim --state FILE %s\n", kSynopsis);
            return 2;
        }
        if (std::strcmp(opt, "--netns") == 0) {
            o.netns = value;
        } else if (std::strcmp(opt, "--pcap") == 0) {
            o.pcap_dir = value;
        } else if (std::strcmp(opt, "--cpu") == 0 &&
                   (o.cpu = static_cast<int>(std::strtol(value, &end, 10)), *end == '\0') && o.cpu >= 0 &&
                   o.cpu < CPU_SETSIZE) {
        } else {
            std::fprintf(stderr, "usage: kelsim --state FILE %s\n", kSynopsis);
            return 2;
        }
    }
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    sigprocmask(SIG_BLOCK, &stop, nullptr);
    o.stop_fd = signalfd(-1, &stop, SFD_CLOEXEC | SFD_NONBLOCK);
    o.ready = say_ready;
    o.ready_arg = &o;
    int status = run_dataplane(m, o);
    close(o.stop_fd);
    return status;
}

}  // namespace kelsim
