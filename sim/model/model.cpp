// model.cpp - the state of a switch that has just started.
#include <cstddef>
#include <cstring>

#include "model/model.h"

namespace kelsim {

void init_model(Model &m, const Topology &t) {
    // Everything after the header and the mutex starts from zero.
    auto *begin = reinterpret_cast<unsigned char *>(&m) + offsetof(Model, requests);
    std::memset(begin, 0, sizeof(Model) - offsetof(Model, requests));
    m.topo = t;
    static const uint8_t kMac[6] = {0x02, 0x4B, 0x45, 0x4C, 0x00, 0x01};  // locally administered
    std::memcpy(m.sys.mac, kMac, sizeof kMac);
    m.sys.ready = 1;
    init_vlan_area(m);
    init_forwarding_area(m);
    init_protocol_area(m);
}

}  // namespace kelsim
