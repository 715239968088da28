// arl_table.h - the MAC table's operations on a table, the model's or the
// copy the dataplane keeps in step with it, and the two settings that rule
// learning and ageing. Defined in arl.cpp.
#pragma once

#include <cstdint>

#include "model/model.h"

namespace kelsim {

constexpr uint32_t kArlNowhere = kArlCapacity;  // what arl_find answers for no entry

// The position of the entry of (mac, vid), or kArlNowhere.
uint32_t arl_find(const ArlTable &t, const uint8_t *mac, uint32_t vid);
// Learns (mac, vid) as a dynamic entry on a port at clock second now, or
// moves a dynamic entry there: KEL_DRV_OK, KEL_DRV_ERR_EXISTS (a static
// entry has the key: never overwritten) or KEL_DRV_ERR_TABLE_FULL. The
// caller has checked the key and that the table is not frozen.
int32_t arl_learn(ArlTable &t, const uint8_t *mac, uint32_t vid, uint32_t unit, uint32_t port, uint64_t now);
// Removes the dynamic entries not learned again for limit seconds (0: none).
void arl_age(ArlTable &t, uint64_t now, uint32_t limit);
// A unicast address, not all zeros, in a VLAN 1..4094: what can be learned.
bool arl_unicast_key(const uint8_t *mac, uint32_t vid);

uint32_t arl_age_time(const Model &m);  // seconds, 0: never (0x0302)
bool arl_frozen(const Model &m);        // 0x0309

}  // namespace kelsim
