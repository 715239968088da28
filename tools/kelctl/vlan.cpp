// vlan.cpp - kelctl's VLANs: show them, create and destroy lists of them,
// name one.
#include <cstring>

#include "kelctl.h"

namespace kelctl {

namespace {

std::string vlan_name(uint32_t vid) {
    char name[64] = "";
    if (kel_vlan_name_get(vid, name, sizeof name) != 0) return "?";
    return name;
}

// The ports of a VLAN that carry it untagged and tagged.
iflist ports_of(const vlaninfo &info, bool untagged) {
    iflist out;
    for (int w = 0; w < KEL_IFLIST_WORDS; ++w) {
        uint32_t u = info.set[kUntagged].word[w];
        out.word[w] = info.set[kMembers].word[w] & (untagged ? u : ~u);
    }
    return out;
}

int show_vlan(const Args &args) {
    if (args.size() > 1) return usage_error("show vlan takes at most one VLAN list");
    vlanlist wanted;
    if (!args.empty() && !parse_vlan_list(args[0], &wanted)) return kExitUsage;
    std::vector<Vlan> vlans;
    if (!read_vlans(&vlans)) return kExitFailed;
    Table t({"VLAN", "Name", "Interface", "Untagged", "Tagged"});
    vlanlist shown;
    std::memset(&shown, 0, sizeof shown);
    for (const Vlan &v : vlans) {
        if (!args.empty() && !((wanted.word[(v.vid - 1) / 32] >> ((v.vid - 1) % 32)) & 1u)) continue;
        shown.word[(v.vid - 1) / 32] |= 1u << ((v.vid - 1) % 32);
        char ifname[9] = "-";
        kel_vlan2ifname(static_cast<int32_t>(v.vid), ifname);
        t.add({std::to_string(v.vid), vlan_name(v.vid), ifname, port_list_text(ports_of(v.info, true)),
               port_list_text(ports_of(v.info, false))});
    }
    t.print();
    int status = kExitOk;
    if (!args.empty())
        for (int32_t vid : vlan_ids(wanted))
            if (!((shown.word[(vid - 1) / 32] >> ((vid - 1) % 32)) & 1u)) {
                std::fprintf(stderr, "kelctl: VLAN %d does not exist\n", vid);
                status = kExitFailed;
            }
    return status;
}

// Runs one command per VLAN of a list; a failure is reported and the rest go on.
int for_each_vlan(const Args &args, const char *verb, int32_t (*command)(uint32_t)) {
    if (args.size() != 1) return usage_error((std::string("vlan ") + verb + " takes one VLAN list").c_str());
    vlanlist vlans;
    if (!parse_vlan_list(args[0], &vlans)) return kExitUsage;
    int status = kExitOk;
    for (int32_t vid : vlan_ids(vlans))
        if (int32_t rc = command(static_cast<uint32_t>(vid)))
            status = fail((std::string(verb) + " VLAN " + std::to_string(vid)).c_str(), rc);
    return status;
}

int create(const Args &args) { return for_each_vlan(args, "create", kel_vlan_create); }
int destroy(const Args &args) { return for_each_vlan(args, "destroy", kel_vlan_destroy); }

int name(const Args &args) {
    if (args.size() != 2) return usage_error("vlan name takes a VLAN id and a name");
    uint32_t vid;
    if (!parse_vlan_id(args[0], &vid)) return kExitUsage;
    const std::string &text = args[1];
    if (int32_t rc = kel_vlan_name_set(vid, text.c_str(), static_cast<uint32_t>(text.size())))
        return fail(("naming VLAN " + std::to_string(vid)).c_str(), rc);
    return kExitOk;
}

const Subcommand kRows[] = {
    {"show vlan", "[VLANLIST]", "VLANs with their names, interfaces and ports", show_vlan},
    {"vlan create", "VLANLIST", "create VLANs, e.g. 10-20,30", create},
    {"vlan destroy", "VLANLIST", "destroy VLANs (not VLAN 1 or the management VLAN)", destroy},
    {"vlan name", "VID NAME", "name a VLAN (VID 1 to 3000)", name},
};

}  // namespace

const Area kVlanArea = area(kRows);

}  // namespace kelctl
