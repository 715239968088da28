// driver.h - the keywords kelctl gives the value codes of the driver's port
// and forwarding words. The records themselves (MAC and multicast entries,
// trunk, LACP and mirror session data) and the codes are the driver's, in
// kel_driver.h; the library passes all of them through unchanged, and only a
// program that shows or sets them needs them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "kel.h"
#include "kel_driver.h"

namespace kelctl {

// A keyword of the command line and the driver's code for it.
struct Code {
    const char *word;
    uint32_t code;
};

template <size_t N>
bool code_of(const Code (&table)[N], const std::string &word, uint32_t *code) {
    for (const Code &c : table)
        if (word == c.word) {
            *code = c.code;
            return true;
        }
    return false;
}

template <size_t N>
std::string word_of(const Code (&table)[N], uint32_t code) {
    for (const Code &c : table)
        if (c.code == code) return c.word;
    return std::to_string(code);
}

template <size_t N>
std::string words_of(const Code (&table)[N]) {
    std::string out;
    for (const Code &c : table) out += (out.empty() ? "" : "|") + std::string(c.word);
    return out;
}

constexpr Code kOnOff[] = {{"on", 1}, {"off", 0}};
constexpr Code kUpDown[] = {{"up", 1}, {"down", 0}};
constexpr Code kSpeeds[] = {{"auto", KEL_DRV_SPEED_AUTO}, {"10", 10}, {"100", 100}, {"1000", 1000}};
constexpr Code kDuplex[] = {
    {"auto", KEL_DRV_DUPLEX_AUTO}, {"half", KEL_DRV_DUPLEX_HALF}, {"full", KEL_DRV_DUPLEX_FULL}};
constexpr Code kMdix[] = {
    {"auto", KEL_DRV_MDIX_AUTO}, {"mdi", KEL_DRV_MDIX_MDI}, {"mdix", KEL_DRV_MDIX_MDIX}};
constexpr Code kMedium[] = {{"fast-ethernet", KEL_DRV_MEDIUM_FE}, {"gigabit", KEL_DRV_MEDIUM_GE}};
constexpr Code kDiscard[] = {{"none", KEL_DRV_DISCARD_NONE},
                             {"untagged", KEL_DRV_DISCARD_UNTAGGED},
                             {"tagged", KEL_DRV_DISCARD_TAGGED}};
constexpr Code kBlockTypes[] = {{"unknown-unicast", KEL_DRV_BLOCK_UNKNOWN_UNICAST},
                                {"unknown-multicast", KEL_DRV_BLOCK_UNKNOWN_MULTICAST}};
constexpr Code kVlanModes[] = {{"access", KEL_DRV_VLAN_MODE_ACCESS},
                               {"trunk", KEL_DRV_VLAN_MODE_TRUNK},
                               {"hybrid", KEL_DRV_VLAN_MODE_HYBRID}};
constexpr Code kAllowTypes[] = {{"tagged", KEL_DRV_ALLOW_TAGGED}, {"untagged", KEL_DRV_ALLOW_UNTAGGED}};
constexpr Code kStpStates[] = {{"disabled", KEL_DRV_PORT_STP_DISABLED},
                               {"blocking", KEL_DRV_PORT_STP_BLOCKING},
                               {"listening", KEL_DRV_PORT_STP_LISTENING},
                               {"learning", KEL_DRV_PORT_STP_LEARNING},
                               {"forwarding", KEL_DRV_PORT_STP_FORWARDING}};
constexpr Code kStormTypes[] = {{"broadcast", KEL_DRV_STORM_BROADCAST},
                                {"multicast", KEL_DRV_STORM_MULTICAST},
                                {"unknown-unicast", KEL_DRV_STORM_UNKNOWN_UNICAST}};
constexpr Code kMirrorModes[] = {{"none", KEL_DRV_MIRROR_NONE},
                                 {"rx", KEL_DRV_MIRROR_RX},
                                 {"tx", KEL_DRV_MIRROR_TX},
                                 {"both", KEL_DRV_MIRROR_BOTH}};
constexpr Code kTrunkKinds[] = {{"static", KEL_DRV_TRUNK_STATIC}, {"dynamic", KEL_DRV_TRUNK_DYNAMIC}};
constexpr Code kCriteria[] = {
    {"src-mac", KEL_DRV_TRUNK_SRC_MAC},         {"dst-mac", KEL_DRV_TRUNK_DST_MAC},
    {"src-dst-mac", KEL_DRV_TRUNK_SRC_DST_MAC}, {"src-ip", KEL_DRV_TRUNK_SRC_IP},
    {"dst-ip", KEL_DRV_TRUNK_DST_IP},           {"src-dst-ip", KEL_DRV_TRUNK_SRC_DST_IP}};
constexpr Code kQueuePolicies[] = {{"strict", KEL_DRV_COS_STRICT}, {"wrr", KEL_DRV_COS_WRR}};
constexpr Code kEntryKinds[] = {{"static", KEL_DRV_ARL_STATIC}, {"dynamic", KEL_DRV_ARL_DYNAMIC}};

}  // namespace kelctl
