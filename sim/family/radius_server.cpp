// radius_server.cpp - the RADIUS client's settings, read from the model.
#include "family/radius_server.h"

#include <errno.h>
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "family/policy.h"

namespace kelsim {

RadiusSettings radius_settings(const Model &m) {
    RadiusSettings s;
    for (const RadiusSlot &slot : m.proto.radius) {
        if (!slot.used) continue;
        RadiusServerEntry &e = s.server[s.nservers++];
        std::memset(&e, 0, sizeof e);
        e.addr = slot.addr;
        e.port = static_cast<uint16_t>(slot.udp_port);
        e.key_len = strnlen(slot.key, sizeof slot.key);
        std::memcpy(e.key, slot.key, e.key_len);
    }
    std::memcpy(s.nas_mac, m.sys.mac, sizeof s.nas_mac);
    for (uint32_t u = 1; u <= kMaxUnits; ++u)
        for (uint32_t p = 1; p <= m.topo.nports[u - 1]; ++p)
            s.timeout_s[u - 1][p - 1] = static_cast<uint16_t>(dot1x_server_timeout(m, u, p));
    return s;
}

// The thread visits netns while the client opens its socket, then comes back.
std::unique_ptr<AuthServer> make_radius_server(const Model &m, int netns) {
    RadiusSettings s = radius_settings(m);
    if (netns < 0) return std::make_unique<RadiusClient>(s);
    int home = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    if (home < 0 || setns(netns, CLONE_NEWNET) != 0) {
        std::fprintf(stderr, "kelsim: RADIUS: cannot enter the servers' network namespace: %s\n",
                     std::strerror(errno));
        if (home >= 0) close(home);
        return std::make_unique<RadiusClient>(s);
    }
    auto client = std::make_unique<RadiusClient>(s);
    if (setns(home, CLONE_NEWNET) != 0)
        std::fprintf(stderr, "kelsim: RADIUS: cannot return to the dataplane's network namespace: %s\n",
                     std::strerror(errno));
    close(home);
    return client;
}

}  // namespace kelsim
