// vlan.cpp - kelctl's VLANs: show them, create and destroy lists of them,
// name one.
#include <cstring>

#include "kelctl.h"

namespace kelctl {

namespace {

constexpr size_t kVlanNameMax = 32;

bool has(const vlanlist &l, int32_t vid) { return (l.word[(vid - 1) / 32] >> ((vid - 1) % 32)) & 1u; }

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
        if (!args.empty() && !has(wanted, static_cast<int32_t>(v.vid))) continue;
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
            if (!has(shown, vid)) {
                say("VLAN " + std::to_string(vid) + " does not exist");
                status = kExitFailed;
            }
    return status;
}

// Why a VLAN cannot be created or destroyed, as far as the VLANs that exist
// tell; "" when nothing stands in the way.
std::string obstacle(bool create, int32_t vid, const vlanlist &existing, uint32_t management) {
    if (create) return has(existing, vid) ? "exists already" : "";
    if (!has(existing, vid)) return "does not exist";
    if (vid == 1) return "cannot be destroyed (the default VLAN)";
    return static_cast<uint32_t>(vid) == management ? "cannot be destroyed (the management VLAN)" : "";
}

// vlan create and vlan destroy: the whole list is checked against the VLANs
// that exist first, and a list with a VLAN in the way changes nothing; a
// VLAN the driver still refuses is reported and the others go on.
int change_vlans(const Args &args, bool create) {
    std::string verb = create ? "create" : "destroy";
    if (args.size() != 1) return usage_error("vlan " + verb + " takes one VLAN list");
    vlanlist vlans, existing;
    std::memset(&existing, 0, sizeof existing);
    uint32_t management = 0;
    if (!parse_vlan_list(args[0], &vlans)) return kExitUsage;
    if (int32_t rc = kel_vlanlist_get(&existing)) return fail("reading the list of VLANs", rc);
    if (int32_t rc = create ? 0 : kel_system_vlan_id_get(&management))
        return fail("reading the management VLAN", rc);
    int status = kExitOk;
    for (int32_t vid : vlan_ids(vlans))
        if (std::string why = obstacle(create, vid, existing, management); !why.empty()) {
            complain("VLAN " + std::to_string(vid) + " " + why +
                     (create ? "; nothing created" : "; nothing destroyed"));
            status = kExitFailed;
        }
    if (status != kExitOk) return status;
    for (int32_t vid : vlan_ids(vlans))
        if (int32_t rc = (create ? kel_vlan_create : kel_vlan_destroy)(static_cast<uint32_t>(vid)))
            status = fail("vlan " + verb + " " + std::to_string(vid), rc);
    return status;
}

int create(const Args &args) { return change_vlans(args, true); }
int destroy(const Args &args) { return change_vlans(args, false); }

int name(const Args &args) {
    if (args.size() != 2) return usage_error("vlan name takes a VLAN id and a name");
    uint32_t vid;
    const std::string &text = args[1];
    if (!parse_vlan_id(args[0], &vid) || !parse_name(text, kVlanNameMax, "VLAN name")) return kExitUsage;
    if (int32_t rc = kel_vlan_name_set(vid, text.c_str(), static_cast<uint32_t>(text.size())))
        return fail("vlan name " + std::to_string(vid), rc);
    return kExitOk;
}

const Subcommand kRows[] = {
    {"show vlan", "[VLANLIST]", "VLANs with their names, interfaces and ports", show_vlan},
    {"vlan create", "VLANLIST", "create VLANs, e.g. 10-20,30 (none of them may exist)", create},
    {"vlan destroy", "VLANLIST", "destroy VLANs (all must exist; not VLAN 1 or the management VLAN)",
     destroy},
    {"vlan name", "VID NAME", "name a VLAN (VID 1-4094; 1 to 32 printable characters)", name},
};

}  // namespace

const Area kVlanArea = area(kRows);

}  // namespace kelctl
