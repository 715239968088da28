// arl_frames.cpp - what the MAC table does with frames: learning and
// forwarding.
//
// The dataplane switches by a copy of the model's table (View::fdb) and
// changes it with the same operations (arl_table.h); every station it
// learns, moves or sees again (at most once per clock second) is also
// handed to the model's table through learn(), under the lock. When the
// model refuses one, the copy is taken from the model again.
//
// Learning: the source address and VLAN of every good frame of a
// forwarding or learning port, unless the table is frozen; a static entry
// is never overwritten, and a full table learns nothing more. A station
// seen on another port moves there, unless both ports belong to one trunk.
// Forwarding: a known unicast destination goes to its port (nowhere when
// that is the ingress port or in its trunk); an unknown one, a broadcast
// and a multicast of no group are flooded to the VLAN's members (except
// ports blocking unknown destinations of that kind); a group's frames go to
// its ports. Never back to the ingress port, and only by ports that may
// send now.
#include "dataplane/pipeline.h"
#include "family/arl_table.h"

namespace kelsim {

namespace {

bool same_trunk(const View &v, int a, int b) {
    return a == b || (v.port[a].trunk && v.port[a].trunk == v.port[b].trunk);
}

// Whether a dynamic entry has outlived the ageing time (the copy is aged
// once a second; an entry found in between must not outlive it either).
bool expired(const View &v, const ArlSlot &s) {
    return s.kind == KEL_DRV_ARL_DYNAMIC && v.age_time && !v.frozen && v.now - s.learned >= v.age_time;
}

// Learns a station in the View's table and tells the model.
void learn_at(View &v, Effects &fx, const Frame &f, uint32_t unit, uint32_t port) {
    if (arl_learn(v.fdb, f.src(), f.vid, unit, port, v.now) != KEL_DRV_OK) return;  // full
    if (fx.learned_count == kMaxLearned) {
        fx.fdb_stale = true;  // the model misses one: take its table again once it has the rest
        return;
    }
    Learned &l = fx.learned[fx.learned_count++];
    std::memcpy(l.mac, f.src(), 6);
    l.vid = f.vid;
    l.unit = static_cast<uint8_t>(unit);
    l.port = static_cast<uint8_t>(port);
}

constexpr uint32_t kNoBlock = KEL_DRV_BLOCK_UNKNOWN_MULTICAST + 1;

// The ports of the frame's VLAN that may send it (less those blocking
// unknown destinations of block_type), its own port and trunk left out.
iflist flood_set(const View &v, const Frame &f, uint32_t block_type) {
    static const iflist none{};
    const iflist &members = v.vlan[f.vid].members;
    const iflist &blocked = block_type == kNoBlock ? none : v.blocking[block_type];
    const iflist &trunk = v.port[f.in].trunk ? v.trunk[v.port[f.in].trunk].members : none;
    const iflist &instance = v.msti_sending[v.msti[f.vid]];
    iflist out;
    for (int w = 0; w < KEL_IFLIST_WORDS; ++w)
        out.word[w] =
            members.word[w] & v.sending.word[w] & instance.word[w] & ~blocked.word[w] & ~trunk.word[w];
    remove_from(out, f.in);
    return out;
}

}  // namespace

void compile_fdb(const Model &m, View &v) {
    std::memcpy(&v.fdb, &m.fwd.arl, sizeof v.fdb);
    v.age_time = arl_age_time(m);
    v.frozen = arl_frozen(m);
}

void age_fdb(View &v) {
    if (v.now != v.fdb.aged_at) arl_age(v.fdb, v.now, v.frozen ? 0 : v.age_time);
}

Verdict learn_source(View &v, Frame &f, Effects &fx) {
    if (v.frozen || !arl_unicast_key(f.src(), f.vid)) return Verdict::forward;
    uint32_t pos = arl_find(v.fdb, f.src(), f.vid);
    if (pos == kArlNowhere) {
        learn_at(v, fx, f, unit_of(f.in), port_of(f.in));
        return Verdict::forward;
    }
    const ArlSlot &s = v.fdb.slot[pos];  // (arl_learn never overwrites a static entry)
    if (!expired(v, s) && same_trunk(v, slot_of(s.unit, s.port), f.in)) {
        // Seen again where it was (on any member of its trunk): refreshed,
        // once a clock second, on the port it was learned on.
        if (s.learned != v.now) learn_at(v, fx, f, s.unit, s.port);
        return Verdict::forward;
    }
    learn_at(v, fx, f, unit_of(f.in), port_of(f.in));  // a station move
    return Verdict::forward;
}

iflist flood_ports(const View &v, const Frame &f) { return flood_set(v, f, kNoBlock); }

Verdict forward_frame(View &v, Frame &f, Effects &fx) {
    if (f.learn_only) return Verdict::discard;
    if (f.redirect >= 0) {  // an access list's redirect: to that port alone
        std::memset(&f.out, 0, sizeof f.out);
        if (f.redirect != f.in && in_set(v.sending, f.redirect)) add_to(f.out, f.redirect);
        return Verdict::forward;
    }
    const uint8_t *dst = f.dst();
    if (is_group(dst)) {
        if (is_broadcast(dst)) {
            f.out = flood_set(v, f, kNoBlock);
        } else if (const iflist *ports = group_ports(v, dst, f.vid)) {
            iflist all = flood_set(v, f, kNoBlock);
            for (int w = 0; w < KEL_IFLIST_WORDS; ++w) f.out.word[w] = all.word[w] & ports->word[w];
        } else {
            f.out = flood_set(v, f, KEL_DRV_BLOCK_UNKNOWN_MULTICAST);
        }
        return Verdict::forward;
    }
    uint32_t pos = arl_find(v.fdb, dst, f.vid);
    if (pos == kArlNowhere || expired(v, v.fdb.slot[pos])) {
        f.out = flood_set(v, f, KEL_DRV_BLOCK_UNKNOWN_UNICAST);
        return Verdict::forward;
    }
    const ArlSlot &s = v.fdb.slot[pos];
    int to = slot_of(s.unit, s.port);
    if (same_trunk(v, to, f.in)) return Verdict::discard;  // the station is where the frame came from
    std::memset(&f.out, 0, sizeof f.out);
    if ((in_set(v.sending, to) && in_set(v.msti_sending[v.msti[f.vid]], to)) || v.port[to].trunk)
        add_to(f.out, to);
    else
        count_not_sent(fx, to, 1, false);  // its link is down, or it does not forward
    return Verdict::forward;
}

}  // namespace kelsim
