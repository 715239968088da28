// vlan.cpp - kelctl's VLANs: show them, create and destroy lists of them,
// name one; and write them back for show running-config.
#include <cstdio>
#include <cstring>
#include <map>

#include "config.h"
#include "kel_driver.h"
#include "kelctl.h"

namespace kelctl {

namespace {

bool has(const vlanlist &l, int32_t vid) { return (l.word[(vid - 1) / 32] >> ((vid - 1) % 32)) & 1u; }

// The name in a VLAN's record, which holds it after the port sets.
std::string name_of(const vlaninfo &info) {
    kel_drv_vlan r;
    std::memcpy(&r, &info, sizeof r);
    r.name[sizeof r.name - 1] = '\0';
    return r.name;
}

// The name a VLAN is given when it is made ("VLAN0010"; VLAN 1 "default").
std::string initial_name(uint32_t vid) {
    char name[16];
    std::snprintf(name, sizeof name, "VLAN%04u", vid);
    return vid == 1 ? "default" : name;
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

const Column<Vlan> kColumns[] = {
    {"vlan", "VLAN", Type::number, [](const Vlan &v) { return Value::num(v.vid); }},
    {"name", "Name", Type::text, [](const Vlan &v) { return Value::str(name_of(v.info)); }},
    {"interface", "Interface", Type::text,
     [](const Vlan &v) {
         char ifname[9] = "-";
         kel_vlan2ifname(static_cast<int32_t>(v.vid), ifname);
         return Value::str(ifname);
     }},
    {"untagged_ports", "Untagged", Type::texts,
     [](const Vlan &v) { return ports_value(ports_of(v.info, true)); }},
    {"tagged_ports", "Tagged", Type::texts,
     [](const Vlan &v) { return ports_value(ports_of(v.info, false)); }},
};

int show_vlan(const Args &args) {
    if (args.size() > 1) return usage_error("show vlan takes at most one VLAN list");
    vlanlist wanted;
    if (!args.empty() && !parse_vlan_list(args[0], &wanted)) return kExitUsage;
    std::vector<Vlan> vlans, rows;
    if (!read_vlans(&vlans)) return kExitFailed;
    vlanlist shown;
    std::memset(&shown, 0, sizeof shown);
    for (const Vlan &v : vlans) {
        if (!args.empty() && !has(wanted, static_cast<int32_t>(v.vid))) continue;
        shown.word[(v.vid - 1) / 32] |= 1u << ((v.vid - 1) % 32);
        rows.push_back(v);
    }
    show(table_of(kColumns, rows));
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
    if (!parse_vlan_id(args[0], &vid) || !parse_name(text, KEL_DRV_VLAN_NAME_MAX, "VLAN name"))
        return kExitUsage;
    if (int32_t rc = kel_vlan_name_set(vid, text.c_str(), static_cast<uint32_t>(text.size())))
        return fail("vlan name " + std::to_string(vid), rc);
    return kExitOk;
}

// The VLANs other than 1 in one list, then their names. Names are unique: a
// VLAN whose name is the name another VLAN is made with is named after that
// other VLAN has its own, and a ring of such VLANs passes one of them
// through a name of its own first, so that every command applies.
bool write_config(Config &c) {
    if (!c.whole) return true;
    std::vector<Vlan> vlans;
    if (!read_vlans(&vlans)) return false;
    vlanlist made;
    std::memset(&made, 0, sizeof made);
    std::map<std::string, uint32_t> holder;  // name -> the VLAN that has it while the commands apply
    std::map<uint32_t, std::string> wanted;  // VLAN -> the name it is to have
    for (const Vlan &v : vlans) {
        if (v.vid != 1) made.word[(v.vid - 1) / 32] |= 1u << ((v.vid - 1) % 32);
        holder[initial_name(v.vid)] = v.vid;
        std::string n = name_of(v.info);
        if (c.all || n != initial_name(v.vid)) wanted[v.vid] = n;
    }
    if (!kel_vlanlist_is_empty(&made)) c.add("vlan create " + vlan_list_text(made));
    auto rename = [&](uint32_t vid, const std::string &to) {
        for (auto it = holder.begin(); it != holder.end(); ++it)
            if (it->second == vid) {
                holder.erase(it);
                break;
            }
        holder[to] = vid;
        c.add("vlan name " + std::to_string(vid) + " " + quoted(to));
    };
    while (!wanted.empty()) {
        bool moved = false;
        for (auto it = wanted.begin(); it != wanted.end();) {
            auto h = holder.find(it->second);
            if (h != holder.end() && h->second != it->first) {
                ++it;
                continue;
            }
            rename(it->first, it->second);
            it = wanted.erase(it);
            moved = true;
        }
        if (moved) continue;
        std::string aside = "~" + std::to_string(wanted.begin()->first);  // a ring: one steps aside first
        while (holder.count(aside)) aside += "~";
        rename(wanted.begin()->first, aside);
    }
    return true;
}

const Subcommand kRows[] = {
    {"show vlan", "[VLANLIST]", "VLANs with their names, interfaces and ports", show_vlan,
     "show vlan\nshow vlan 10-20\n-j show vlan 1"},
    {"vlan create", "VLANLIST", "create VLANs, e.g. 10-20,30 (none of them may exist)", create,
     "vlan create 10-20,30"},
    {"vlan destroy", "VLANLIST", "destroy VLANs (all must exist; not VLAN 1 or the management VLAN)", destroy,
     "vlan destroy 15-20"},
    {"vlan name", "VID NAME", "name a VLAN (VID 1-4094; 1 to 32 printable characters)", name,
     "vlan name 10 office\nvlan name 30 'guest wifi'"},
};

}  // namespace

const Area kVlanArea = area("vlan", "VLANs and their names", kRows, write_config);

}  // namespace kelctl
