// cmd_qos.cpp - the simulated CoS queues (0x09), rate limits (0x0A) and
// storm control (0x0B).
//
// The priority-to-queue map and the queue policy with its weights are the
// switch's; rates and storm limits are per-port settings, bounded by what
// the port's medium can carry, and the traffic hook (cmd_stats.cpp) honours
// them.
#include <cstring>

#include "forwarding.h"

namespace kelsim {

namespace {

constexpr Slot kNone = nullptr;
constexpr uint8_t kInitialMap[KEL_DRV_COS_PRIORITIES] = {1, 0, 0, 1, 2, 2, 3, 3};
constexpr uint32_t kInitialWeight[KEL_DRV_COS_QUEUES] = {1, 2, 4, 8};
constexpr uint32_t kWeightMax = 255;
constexpr uint32_t kFastEthernetKbps = 100000;

int32_t map_set(Context &c) {
    if (c.b.prio >= KEL_DRV_COS_PRIORITIES) return KEL_DRV_ERR_BAD_VALUE;
    if (c.b.queue >= KEL_DRV_COS_QUEUES) return KEL_DRV_ERR_NO_SUCH_ENTRY;
    c.m.fwd.cos_map[c.b.prio] = static_cast<uint8_t>(c.b.queue);
    return KEL_DRV_OK;
}

int32_t map_reset(Context &c) {
    std::memcpy(c.m.fwd.cos_map, kInitialMap, sizeof kInitialMap);
    return KEL_DRV_OK;
}

int32_t map_get(Context &c) {
    if (c.b.prio >= KEL_DRV_COS_PRIORITIES) return KEL_DRV_ERR_BAD_VALUE;
    c.b.queue = c.m.fwd.cos_map[c.b.prio];
    return KEL_DRV_OK;
}

// Whole weight words within len, at most one per queue.
uint32_t words_within(uint32_t len) { return len / 4 < KEL_DRV_COS_QUEUES ? len / 4 : KEL_DRV_COS_QUEUES; }

int32_t policy_set(Context &c) {
    if (c.b.param != KEL_DRV_COS_STRICT && c.b.param != KEL_DRV_COS_WRR) return KEL_DRV_ERR_BAD_VALUE;
    uint32_t n = words_within(c.b.len);
    uint32_t weight[KEL_DRV_COS_QUEUES];
    if (n)
        if (int32_t st = c.get(weight, n * 4)) return st;
    for (uint32_t q = 0; q < n; ++q)
        if (weight[q] < 1 || weight[q] > kWeightMax) return KEL_DRV_ERR_BAD_VALUE;
    std::memcpy(c.m.fwd.cos_weight, weight, n * 4);
    c.m.fwd.cos_policy = c.b.param;
    return KEL_DRV_OK;
}

int32_t policy_get(Context &c) {
    c.b.param = c.m.fwd.cos_policy;
    uint32_t n = words_within(c.b.len);
    if (!n) return KEL_DRV_OK;
    return c.put(c.m.fwd.cos_weight, n * 4);
}

// A rate within the port's line rate, then the plain setting.
int32_t rate_set(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    if (c.m.topo.medium(c.b.unit, c.b.port) != kGigabit && c.b.rate > kFastEthernetKbps)
        return KEL_DRV_ERR_BAD_VALUE;
    return setting_set(c);
}

constexpr uint16_t kParamsBytes = sizeof(kel_drv_cosq_params);

const Command kCosq[] = {
    {0x0901, "cosq_map_set", map_set},
    {0x0902, "cosq_map_reset", map_reset},
    {0x0903, "cosq_map_get", map_get},
    {0x0904, "cosq_policy_set", policy_set, nullptr, In::len, kParamsBytes},
    {0x0905, "cosq_policy_get", policy_get},
};

const Command kRate[] = {
    {0x0A01, "qos_tx_rate_set", rate_set, &kTxRate},
    {0x0A02, "qos_tx_rate_get", setting_get, &kTxRate},
    {0x0A03, "qos_rx_rate_set", rate_set, &kRxRate},
    {0x0A04, "qos_rx_rate_get", setting_get, &kRxRate},
};

const Command kStorm[] = {
    {0x0B01, "storm_ctrl_set", setting_set, &kStormRate},
    {0x0B02, "storm_ctrl_get", setting_get, &kStormRate},
};

}  // namespace

const Family kCosqFamily = family(kCosq);
const Family kRateFamily = family(kRate);
const Family kStormFamily = family(kStorm);

const Setting kTxRate{0x0A01, Key::port,       0, 2, {&kel_ioreq::rate, &kel_ioreq::aux, kNone}, {},
                      {},     {1000000, 16384}};
const Setting kRxRate{0x0A03, Key::port,       0, 2, {&kel_ioreq::rate, &kel_ioreq::aux, kNone}, {},
                      {},     {1000000, 16384}};
const Setting kStormRate{0x0B01, Key::port_sel, KEL_DRV_STORM_TYPES, 1, {&kel_ioreq::rate, kNone, kNone}, {},
                         {},     {1488095}};

void init_cosq(Model &m) {
    std::memcpy(m.fwd.cos_map, kInitialMap, sizeof kInitialMap);
    std::memcpy(m.fwd.cos_weight, kInitialWeight, sizeof kInitialWeight);
    m.fwd.cos_policy = KEL_DRV_COS_WRR;
}

}  // namespace kelsim
