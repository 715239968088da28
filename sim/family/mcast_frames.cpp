// mcast_frames.cpp - the multicast table as frames see it: every group,
// static or learned, by (MAC, VLAN); the forwarding rule (arl_frames.cpp)
// sends a group's frames to the group's ports.
#include "dataplane/pipeline.h"

namespace kelsim {

namespace {

uint32_t group_cell(const uint8_t *mac, uint16_t vid) {
    uint32_t h = 2166136261u;
    for (int i = 0; i < 6; ++i) h = (h ^ mac[i]) * 16777619u;
    h = (h ^ vid) * 16777619u;
    return (h ^ (h >> 16)) & (kGroupCells - 1);
}

static_assert(kGroupCells > kMcastCapacity && (kGroupCells & (kGroupCells - 1)) == 0);

}  // namespace

void compile_groups(const Model &m, View &v) {
    GroupView &g = v.groups;
    std::memcpy(g.group, m.fwd.mcast, sizeof g.group);
    std::memset(g.index, 0, sizeof g.index);
    for (uint32_t pos = 0; pos < kMcastCapacity; ++pos) {
        if (!g.group[pos].kind) continue;
        uint32_t i = group_cell(g.group[pos].mac, g.group[pos].vid);
        while (g.index[i]) i = (i + 1) & (kGroupCells - 1);
        g.index[i] = static_cast<uint16_t>(pos + 1);
    }
}

const iflist *group_ports(const View &v, const uint8_t *mac, uint16_t vid) {
    const GroupView &g = v.groups;
    for (uint32_t i = group_cell(mac, vid); g.index[i]; i = (i + 1) & (kGroupCells - 1)) {
        const McastGroup &e = g.group[g.index[i] - 1];
        if (e.vid == vid && std::memcmp(e.mac, mac, 6) == 0) return &e.ports;
    }
    return nullptr;
}

}  // namespace kelsim
