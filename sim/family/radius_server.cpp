// radius_server.cpp - the RADIUS client's settings, read from the model.
#include "family/radius_server.h"

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

std::unique_ptr<AuthServer> make_radius_server(const Model &m) {
    return std::make_unique<RadiusClient>(radius_settings(m));
}

}  // namespace kelsim
