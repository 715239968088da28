// driver.h - what kelctl reads of the switch driver's own records and value
// codes for ports and forwarding: the records of the MAC and multicast
// entries, trunk, LACP and mirror session data (laid out in the driver's
// record header), and the values of the port settings. The library passes all
// of them through unchanged; only a program that shows them needs them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "../../sim/records.h"  // the layouts of the records the driver fills
#include "kel.h"

namespace kelctl {

// The records, as the driver's record header lays them out.
using ArlEntry = kelsim::ArlEntryRecord;         // kel_arl_getnext
using McastEntry = kelsim::McastEntryRecord;     // kel_mcast_get, kel_mcast_getnext
using TrunkData = kelsim::TrunkRecord;           // kel_trunk_get
using LacpData = kelsim::LacpRecord;             // kel_lacp_info_get
using MirrorData = kelsim::MirrorSessionRecord;  // kel_mirror_session_get

constexpr uint32_t kEntryStatic = kelsim::kArlStatic;
constexpr uint32_t kEntryDynamic = kelsim::kArlDynamic;
constexpr uint32_t kTrunks = 8;
constexpr uint32_t kMirrorSessions = 4;
constexpr uint32_t kCosQueues = kelsim::kCosQueues;
constexpr uint32_t kMirrorMonitor = 4;  // kel_port_mirror_get: the port is the session's monitor

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
constexpr Code kSpeeds[] = {{"auto", 0}, {"10", 10}, {"100", 100}, {"1000", 1000}};
constexpr Code kDuplex[] = {{"auto", 0}, {"half", 1}, {"full", 2}};
constexpr Code kMdix[] = {{"auto", 0}, {"mdi", 1}, {"mdix", 2}};
constexpr Code kMedium[] = {{"fast-ethernet", 1}, {"gigabit", 2}};
constexpr Code kDiscard[] = {{"none", 0}, {"untagged", 1}, {"tagged", 2}};
constexpr Code kBlockTypes[] = {{"unknown-unicast", 0}, {"unknown-multicast", 1}};
constexpr Code kVlanModes[] = {{"access", 1}, {"trunk", 2}, {"hybrid", 3}};
constexpr Code kAllowTypes[] = {{"tagged", 1}, {"untagged", 2}};
constexpr Code kStpStates[] = {
    {"disabled", 1}, {"blocking", 2}, {"listening", 3}, {"learning", 4}, {"forwarding", 5}};
constexpr Code kStormTypes[] = {{"broadcast", 0}, {"multicast", 1}, {"unknown-unicast", 2}};
constexpr Code kMirrorModes[] = {{"none", 0}, {"rx", 1}, {"tx", 2}, {"both", 3}};
constexpr Code kTrunkKinds[] = {{"static", 1}, {"dynamic", 2}};
constexpr Code kCriteria[] = {{"src-mac", 1}, {"dst-mac", 2}, {"src-dst-mac", 3},
                              {"src-ip", 4},  {"dst-ip", 5},  {"src-dst-ip", 6}};
constexpr Code kQueuePolicies[] = {{"strict", 1}, {"wrr", 2}};
constexpr Code kEntryKinds[] = {{"static", kEntryStatic}, {"dynamic", kEntryDynamic}};

}  // namespace kelctl
