// stp.cpp - the spanning tree (family 0x0E) and MST (family 0x0F) commands.
//
// Settings go to the driver's spanning-tree engine as they are given; the
// information records are the driver's and land directly in the caller's
// buffer (no len is sent, so that buffer must hold the driver's record).
#include "../util/guard.h"

#include "../io/request.h"
#include "kel_driver.h"

using kel::Request;
namespace slot = kel::slot;

namespace {

// The bridge-times record (kel_drv_bridge_times): 112 bytes of which the
// driver reads three words.
constexpr size_t kBridgeTimesSize = sizeof(kel_drv_bridge_times);
constexpr size_t kBridgeTimes[3] = {offsetof(kel_drv_bridge_times, max_age),
                                    offsetof(kel_drv_bridge_times, hello_time),
                                    offsetof(kel_drv_bridge_times, forward_delay)};

}  // namespace

extern "C" {

int32_t kel_stp_control_set(uint32_t on) { return Request(0x0E01).set(slot::value, on).send(); }
int32_t kel_stp_mode_set(uint32_t mode) { return Request(0x0E02).set(slot::sel, mode).send(); }
int32_t kel_stp_bridge_info_get(void *info) { return Request(0x0E03).buffer(info).send(); }

int32_t kel_stp_port_info_get(const ifport *p, void *info) { return Request(0x0E04, p).buffer(info).send(); }

int32_t kel_stp_max_age_set(uint32_t value) { return Request(0x0E05).set(slot::count, value).send(); }
int32_t kel_stp_forward_delay_set(uint32_t value) { return Request(0x0E06).set(slot::count, value).send(); }
int32_t kel_stp_hello_time_set(uint32_t value) { return Request(0x0E07).set(slot::count, value).send(); }

int32_t kel_stp_bridge_times_set(uint32_t t1, uint32_t t2, uint32_t t3) {
    // The whole record starts zeroed: the driver never sees this frame's old bytes.
    uint32_t record[kBridgeTimesSize / 4] = {};
    record[kBridgeTimes[0] / 4] = t1;
    record[kBridgeTimes[1] / 4] = t2;
    record[kBridgeTimes[2] / 4] = t3;
    return Request(0x0E08).buffer(record).send();
}

int32_t kel_stp_bridge_prio_set(uint32_t prio) { return Request(0x0E09).set(slot::prio, prio).send(); }
int32_t kel_stp_tx_hold_count_set(uint32_t count) { return Request(0x0E0A).set(slot::count, count).send(); }

int32_t kel_stp_port_prio_set(const ifport *p, uint32_t prio) {
    return Request(0x0E0B, p).set(slot::prio, prio).send();
}

int32_t kel_stp_port_path_cost_set(const ifport *p, uint32_t cost) {
    return Request(0x0E0C, p).set(slot::count, cost).send();
}

int32_t kel_stp_port_edge_port_set(const ifport *p, uint32_t on) {
    return Request(0x0E0D, p).set(slot::value, on).send();
}

// The link type travels in the selector word, not with the on/off values.
int32_t kel_stp_port_link_type_set(const ifport *p, uint32_t type) {
    return Request(0x0E0E, p).set(slot::sel, type).send();
}

int32_t kel_stp_port_bpdu_guard_set(const ifport *p, uint32_t on) {
    return Request(0x0E0F, p).set(slot::value, on).send();
}

int32_t kel_stp_uplink_fast_set(uint32_t on) { return Request(0x0E10).set(slot::value, on).send(); }

int32_t kel_mst_bridge_info_get(uint32_t instance, void *info) {
    return Request(0x0F01).set(slot::index, instance).buffer(info).send();
}

int32_t kel_mst_port_info_get(uint32_t instance, const ifport *p, void *info) {
    return Request(0x0F02, p).set(slot::index, instance).buffer(info).send();
}

int32_t kel_mst_info_get(void *info) { return Request(0x0F03).buffer(info).send(); }

int32_t kel_mst_instance_get(uint32_t instance, void *rec) {
    return Request(0x0F04).set(slot::index, instance).buffer(rec).send();
}

int32_t kel_mst_instance_set(uint32_t instance, const void *rec) {
    return Request(0x0F05).set(slot::index, instance).buffer(rec).send();
}

// The driver reads the caller's text itself; nothing is measured or copied.
int32_t kel_mst_name_set(const char *name) { return Request(0x0F06).buffer(name).send(); }

int32_t kel_mst_revision_set(uint32_t revision) { return Request(0x0F07).set(slot::count, revision).send(); }

int32_t kel_mst_bridge_prio_set(uint32_t instance, uint32_t prio) {
    return Request(0x0F08).set(slot::index, instance).set(slot::prio, prio).send();
}

int32_t kel_mst_port_prio_set(uint32_t instance, const ifport *p, uint32_t prio) {
    return Request(0x0F09, p).set(slot::index, instance).set(slot::prio, prio).send();
}

int32_t kel_mst_port_path_cost_set(uint32_t instance, const ifport *p, uint32_t cost) {
    return Request(0x0F0A, p).set(slot::index, instance).set(slot::count, cost).send();
}

int32_t kel_mst_max_hops_set(uint32_t hops) { return Request(0x0F0B).set(slot::count, hops).send(); }

}  // extern "C"
