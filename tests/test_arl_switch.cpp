// The simulated MAC address and multicast tables: entries added, learned,
// aged and flushed; walks that see every entry once and end with -6; a
// full table; walks from indices the driver never gave out.
#include <functional>
#include <map>
#include <set>
#include <tuple>

#include "kel_driver.h"
#include "sim_fixture.h"

namespace {

using kel_test::ports;
using kel_test::vlans;

using namespace kelsim;

struct Mac {
    uint8_t b[6];
};

Mac mac_of(uint32_t n, uint8_t first = 0x00) {
    return Mac{{first, 0x10, 0x00, static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 8),
                static_cast<uint8_t>(n)}};
}

// (first MAC byte, MAC number, VLAN, unit, port, kind) of an entry.
using Key = std::tuple<uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t>;

Key key_of(const kel_drv_arl_entry &e) {
    return Key{e.mac[0], uint32_t{e.mac[3]} << 16 | e.mac[4] << 8 | e.mac[5], e.vid, e.unit, e.port, e.kind};
}

// Walks the table entry by entry; every key seen, with a count of visits.
std::map<Key, int> walk(int32_t type) {
    std::map<Key, int> seen;
    uint32_t index = 0;
    kel_drv_arl_entry e{};
    int32_t rc;
    size_t steps = 0;
    while ((rc = kel_arl_getnext(&index, type, &e)) == 0 && ++steps <= kArlCapacity) ++seen[key_of(e)];
    EXPECT_EQ(rc, KEL_ERR_NOT_FOUND);
    return seen;
}

std::map<Key, int> walk_pages(uint32_t sel) {
    std::map<Key, int> seen;
    uint32_t index = 0;
    kel_drv_arl_page page{};
    int32_t rc;
    while ((rc = kel_arl_getpage(&index, sel, &page)) == 0) {
        EXPECT_GT(page.count, 0u);
        for (uint32_t i = 0; i < page.count; ++i) ++seen[key_of(page.entry[i])];
    }
    EXPECT_EQ(rc, KEL_ERR_NOT_FOUND);
    return seen;
}

int32_t learn_one(const Mac &m, uint32_t vid, uint32_t unit, uint32_t port) {
    int32_t st = 0;
    with_model([&](Model &model) { st = learn(model, m.b, vid, unit, port); });
    return st;
}

class ArlSwitch : public kel_test::SimTest {};

// A population with holes: statics and dynamics in two VLANs on two ports,
// one MAC address (1000) in both VLANs, some entries removed again.
std::set<Key> populate() {
    std::set<Key> all;
    auto add = [&](uint32_t n, uint32_t vid, uint32_t port, bool stat) {
        Mac m = mac_of(n);
        ifport p{1, 0, static_cast<int32_t>(port)};
        EXPECT_EQ(stat ? kel_static_arl_add(m.b, vid, &p) : learn_one(m, vid, 1, port), 0) << n;
        all.insert(Key{0, n, vid, 1, port, stat ? KEL_DRV_ARL_STATIC : KEL_DRV_ARL_DYNAMIC});
    };
    for (uint32_t n = 1; n <= 40; ++n) add(n, n % 2 ? 10 : 20, n % 3 ? 1 : 2, n % 4 == 0);
    add(1000, 10, 2, false);
    add(1000, 20, 1, true);
    for (uint32_t n : {3u, 7u, 11u}) {  // holes in the table
        Mac m = mac_of(n);
        EXPECT_EQ(kel_arl_del_by_mac(m.b, 3), 0);
        for (auto it = all.begin(); it != all.end();)
            it = std::get<1>(*it) == n ? all.erase(it) : std::next(it);
    }
    return all;
}

std::map<Key, int> once(const std::set<Key> &keys, uint32_t kinds) {
    std::map<Key, int> m;
    for (const Key &k : keys)
        if (std::get<5>(k) & kinds) m[k] = 1;
    return m;
}

TEST_F(ArlSwitch, WalksVisitEveryEntryOnceByKind) {
    std::set<Key> all = populate();
    ASSERT_GT(all.size(), 20u);
    EXPECT_EQ(walk(KEL_ARL_WALK_1), once(all, KEL_DRV_ARL_STATIC));
    EXPECT_EQ(walk(KEL_ARL_WALK_2), once(all, KEL_DRV_ARL_DYNAMIC));
    EXPECT_EQ(walk(KEL_ARL_WALK_4), once(all, KEL_DRV_ARL_STATIC | KEL_DRV_ARL_DYNAMIC));
    EXPECT_EQ(walk_pages(KEL_DRV_ARL_STATIC), once(all, KEL_DRV_ARL_STATIC));
    EXPECT_EQ(walk_pages(KEL_DRV_ARL_WALK_ALL), once(all, KEL_DRV_ARL_STATIC | KEL_DRV_ARL_DYNAMIC));
    uint32_t index = 0;
    kel_drv_arl_page page;
    EXPECT_EQ(kel_arl_getpage(&index, 3, &page), KEL_DRV_ERR_BAD_VALUE);
}

// Each flush removes exactly the entries it names.
struct FlushCase {
    const char *name;
    std::function<int32_t()> flush;
    std::function<bool(const Key &)> removed;
};

const Mac kShared = mac_of(1000);
const ifport kPort2{1, 0, 2};
bool dynamic(const Key &k) { return std::get<5>(k) == KEL_DRV_ARL_DYNAMIC; }

const FlushCase kFlushes[] = {
    {"vlan both", [] { return kel_arl_del_by_vlan(20, 3); },
     [](const Key &k) { return std::get<2>(k) == 20; }},
    {"vlan dynamic", [] { return kel_arl_del_by_vlan(20, 2); },
     [](const Key &k) { return std::get<2>(k) == 20 && dynamic(k); }},
    {"mac both", [] { return kel_arl_del_by_mac(kShared.b, 3); },
     [](const Key &k) { return std::get<1>(k) == 1000; }},
    {"mac dynamic", [] { return kel_arl_del_by_mac(kShared.b, 2); },
     [](const Key &k) { return std::get<1>(k) == 1000 && dynamic(k); }},
    {"port both", [] { return kel_arl_del_by_port(&kPort2, 3); },
     [](const Key &k) { return std::get<4>(k) == 2; }},
    {"port dynamic", [] { return kel_arl_del_by_port(&kPort2, 2); },
     [](const Key &k) { return std::get<4>(k) == 2 && dynamic(k); }},
    {"all dynamic", [] { return kel_dynamic_arl_del(); }, dynamic},
};

TEST_F(ArlSwitch, FlushesRemoveExactlyWhatTheyName) {
    for (const FlushCase &c : kFlushes) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(kelsim::reset());
        std::set<Key> all = populate(), kept;
        size_t removed = 0;
        for (const Key &k : all) {
            if (c.removed(k))
                ++removed;
            else
                kept.insert(k);
        }
        ASSERT_GT(removed, 0u);
        ASSERT_EQ(c.flush(), 0);
        EXPECT_EQ(kel_test::last_sent().answer.count, removed);
        EXPECT_EQ(walk(KEL_ARL_WALK_4), once(kept, KEL_DRV_ARL_STATIC | KEL_DRV_ARL_DYNAMIC));
    }
    EXPECT_EQ(kel_arl_del_by_vlan(0, 3), KEL_DRV_ERR_BAD_VALUE);
    const ifport none{1, 0, 27};
    EXPECT_EQ(kel_arl_del_by_port(&none, 2), KEL_DRV_ERR_NO_SUCH_PORT);
}

TEST_F(ArlSwitch, StaticEntriesAndLearning) {
    Mac a = mac_of(1), group = mac_of(2, 0x01), zero{};
    ifport p3{1, 0, 3}, p4{1, 0, 4}, none{1, 0, 27};
    ASSERT_EQ(learn_one(a, 10, 1, 3), 0);
    ASSERT_EQ(learn_one(a, 10, 1, 4), 0);  // the station moved
    EXPECT_EQ(walk(4), (std::map<Key, int>{{Key{0, 1, 10, 1, 4, KEL_DRV_ARL_DYNAMIC}, 1}}));
    ASSERT_EQ(kel_static_arl_add(a.b, 10, &p3), 0);  // a static entry takes the key over
    EXPECT_EQ(walk(4), (std::map<Key, int>{{Key{0, 1, 10, 1, 3, KEL_DRV_ARL_STATIC}, 1}}));
    EXPECT_EQ(learn_one(a, 10, 1, 4), KEL_DRV_ERR_EXISTS);
    EXPECT_EQ(kel_static_arl_add(a.b, 10, &p4), KEL_DRV_ERR_EXISTS);
    EXPECT_EQ(kel_static_arl_add(group.b, 10, &p3), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_static_arl_add(zero.b, 10, &p3), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_static_arl_add(a.b, 4095, &p3), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_static_arl_add(a.b, 11, &none), KEL_DRV_ERR_NO_SUCH_PORT);
    EXPECT_EQ(kel_static_arl_del(a.b, 10, &p4), KEL_DRV_ERR_NO_SUCH_ENTRY);  // on another port
    EXPECT_EQ(kel_static_arl_del(a.b, 11, &p3), KEL_DRV_ERR_NO_SUCH_ENTRY);
    ASSERT_EQ(kel_static_arl_del(a.b, 10, &p3), 0);
    EXPECT_TRUE(walk(4).empty());
}

TEST_F(ArlSwitch, AgeingAndFreezing) {
    uint32_t t = 0;
    ASSERT_EQ(kel_arl_age_time_get(&t), 0);
    EXPECT_EQ(t, 300u);
    ASSERT_EQ(kel_arl_age_time_set(10), 0);
    Mac a = mac_of(1), b = mac_of(2);
    ifport p{1, 0, 1};
    ASSERT_EQ(learn_one(a, 1, 1, 1), 0);
    ASSERT_EQ(kel_static_arl_add(b.b, 1, &p), 0);
    with_model([](Model &m) { advance_clock(m, 9); });
    EXPECT_EQ(walk(2).size(), 1u);
    ASSERT_EQ(kel_arl_freeze_set(1), 0);
    with_model([](Model &m) { advance_clock(m, 5); });
    EXPECT_EQ(walk(2).size(), 1u);  // frozen: nothing ages
    EXPECT_EQ(learn_one(b, 2, 1, 1), KEL_DRV_ERR_NOT_PERMITTED);
    ASSERT_EQ(kel_arl_freeze_set(0), 0);
    with_model([](Model &m) { advance_clock(m, 1); });
    EXPECT_TRUE(walk(2).empty());
    EXPECT_EQ(walk(1).size(), 1u);  // static entries never age
    ASSERT_EQ(kel_arl_age_time_set(0), 0);
    ASSERT_EQ(learn_one(a, 1, 1, 1), 0);
    with_model([](Model &m) { advance_clock(m, 100000); });
    EXPECT_EQ(walk(2).size(), 1u);  // 0: never
}

TEST_F(ArlSwitch, FullTableRefusesAndRecovers) {
    with_model([](Model &m) {
        for (uint32_t n = 0; n < kArlCapacity; ++n)
            ASSERT_EQ(learn(m, mac_of(n).b, 1, 1, 1 + n % 26), KEL_DRV_OK) << n;
    });
    Mac extra = mac_of(kArlCapacity);
    ifport p{1, 0, 1};
    EXPECT_EQ(kel_static_arl_add(extra.b, 1, &p), KEL_DRV_ERR_TABLE_FULL);
    EXPECT_EQ(learn_one(extra, 1, 1, 1), KEL_DRV_ERR_TABLE_FULL);
    EXPECT_EQ(learn_one(mac_of(5), 1, 1, 2), KEL_DRV_OK);  // a known station still moves
    EXPECT_EQ(walk(2).size(), kArlCapacity);
    // Holes all over the crowded index; every remaining station must still
    // be found by its key: moving each one keeps one entry per key.
    for (int port : {3, 8, 13, 21}) {
        ifport q{1, 0, port};
        ASSERT_EQ(kel_arl_del_by_port(&q, 2), 0);
    }
    size_t left = 0;
    with_model([&](Model &m) {
        for (uint32_t n = 0; n < kArlCapacity; ++n) {
            uint32_t port = 1 + n % 26;
            if (port == 3 || port == 8 || port == 13 || port == 21) continue;
            ++left;
            ASSERT_EQ(learn(m, mac_of(n).b, 1, 1, 26), KEL_DRV_OK) << n;
        }
    });
    std::map<Key, int> seen = walk(2);
    EXPECT_EQ(seen.size(), left);
    for (const auto &[k, visits] : seen) {
        EXPECT_EQ(std::get<4>(k), 26u);
        EXPECT_EQ(visits, 1);
    }
    EXPECT_EQ(kel_static_arl_add(extra.b, 1, &p), 0);
    EXPECT_EQ(walk(1).size(), 1u);
}

// Indices the driver never gave out: the walk goes forward from them and
// ends, never reading outside the table.
TEST_F(ArlSwitch, StaleAndForeignIndicesEndTheWalk) {
    std::set<Key> all = populate();
    kel_drv_arl_entry e{};
    for (uint32_t start : {kArlCapacity - 1, kArlCapacity, 65534u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        uint32_t index = start;
        EXPECT_EQ(kel_arl_getnext(&index, 4, &e), KEL_ERR_NOT_FOUND) << start;
        EXPECT_EQ(index, start);
    }
    uint32_t index = 0;
    ASSERT_EQ(kel_arl_getnext(&index, 4, &e), 0);
    ASSERT_EQ(kel_arl_getnext(&index, 4, &e), 0);
    uint32_t stale = index;
    ASSERT_EQ(kel_dynamic_arl_del(), 0);  // the walk's next entries are gone
    size_t steps = 0;
    while (kel_arl_getnext(&stale, 4, &e) == 0) {
        ASSERT_LE(++steps, all.size());
        EXPECT_EQ(e.kind, KEL_DRV_ARL_STATIC);
    }
}

// The multicast table.
class McastSwitch : public kel_test::SimTest {};

TEST_F(McastSwitch, StaticAndLearnedGroups) {
    Mac g1 = mac_of(1, 0x01), g2 = mac_of(2, 0x01), g3 = mac_of(3, 0x01), unicast = mac_of(4);
    iflist p12 = ports({{1, 0, 1}, {1, 0, 2}}), p2 = ports({{1, 0, 2}}), p5 = ports({{2, 0, 5}});
    ASSERT_EQ(kel_static_mcast_add(g1.b, 10, 3, &p12), 0);
    ASSERT_EQ(kel_static_mcast_add(g1.b, 10, 5, &p5), 0);  // ports add up, the priority is replaced
    with_model([&](Model &m) {
        EXPECT_EQ(mcast_join(m, g2.b, 10, 1, 7), KEL_DRV_OK);
        EXPECT_EQ(mcast_join(m, g3.b, 20, 1, 8), KEL_DRV_OK);
        EXPECT_EQ(mcast_join(m, unicast.b, 10, 1, 8), KEL_DRV_ERR_BAD_VALUE);
    });
    kel_drv_mcast_entry r{};
    ASSERT_EQ(kel_mcast_get(g1.b, 10, &r), 0);
    EXPECT_EQ(r.priority, 5u);
    EXPECT_EQ(r.count, 3u);
    EXPECT_EQ(r.kind, KEL_DRV_ARL_STATIC);
    ASSERT_EQ(kel_mcast_get(g2.b, 10, &r), 0);
    EXPECT_EQ(r.kind, KEL_DRV_ARL_DYNAMIC);
    EXPECT_EQ(kel_mcast_get(g1.b, 20, &r), KEL_DRV_ERR_NO_SUCH_ENTRY);
    auto walk_groups = [](bool only_static) {
        std::map<uint32_t, int> seen;
        uint32_t cursor = 0;
        kel_drv_mcast_entry e{};
        int32_t rc;
        while ((rc = only_static ? kel_static_mcast_getnext(&cursor, &e) : kel_mcast_getnext(&cursor, &e)) ==
               0)
            ++seen[e.mac[5]];
        EXPECT_EQ(rc, KEL_ERR_NOT_FOUND);
        return seen;
    };
    EXPECT_EQ(walk_groups(false), (std::map<uint32_t, int>{{1, 1}, {2, 1}, {3, 1}}));
    EXPECT_EQ(walk_groups(true), (std::map<uint32_t, int>{{1, 1}}));
    // Refusals change nothing.
    iflist bad = ports({{1, 0, 27}});
    EXPECT_EQ(kel_static_mcast_add(g1.b, 10, 1, &bad), KEL_DRV_ERR_NO_SUCH_PORT);
    EXPECT_EQ(kel_static_mcast_add(unicast.b, 10, 1, &p2), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_static_mcast_add(g1.b, 10, 8, &p2), KEL_DRV_ERR_BAD_VALUE);
    EXPECT_EQ(kel_static_mcast_del(g2.b, 10), KEL_DRV_ERR_NO_SUCH_ENTRY);  // learned, not static
    EXPECT_EQ(kel_static_mcast_ports_del(g1.b, 30, &p2), KEL_DRV_ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(kel_static_mcast_ports_del(g1.b, 10, &bad), KEL_DRV_ERR_NO_SUCH_PORT);
    ASSERT_EQ(kel_mcast_get(g1.b, 10, &r), 0);
    EXPECT_EQ(r.count, 3u);
    // Port by port, then whole.
    ASSERT_EQ(kel_static_mcast_ports_del(g1.b, 10, &p12), 0);
    ASSERT_EQ(kel_mcast_get(g1.b, 10, &r), 0);
    EXPECT_EQ(std::memcmp(&r.ports, &p5, sizeof p5), 0);
    ASSERT_EQ(kel_static_mcast_ports_del(g1.b, 10, &p5), 0);  // its last port: the group goes
    EXPECT_EQ(kel_mcast_get(g1.b, 10, &r), KEL_DRV_ERR_NO_SUCH_ENTRY);
    ASSERT_EQ(kel_static_mcast_add(g2.b, 10, 0, &p2), 0);  // a learned group made static
    ASSERT_EQ(kel_static_mcast_del(g2.b, 10), 0);
    EXPECT_EQ(walk_groups(false), (std::map<uint32_t, int>{{3, 1}}));
    uint32_t cursor = 0xFFFFFFFFu;
    EXPECT_EQ(kel_mcast_getnext(&cursor, &r), KEL_ERR_NOT_FOUND);
}

TEST_F(McastSwitch, FullTable) {
    iflist p = ports({{1, 0, 1}});
    for (uint32_t n = 0; n < kMcastCapacity; ++n) {
        Mac g = mac_of(n, 0x01);
        ASSERT_EQ(kel_static_mcast_add(g.b, 1, 0, &p), 0) << n;
    }
    Mac extra = mac_of(kMcastCapacity, 0x01);
    EXPECT_EQ(kel_static_mcast_add(extra.b, 1, 0, &p), KEL_DRV_ERR_TABLE_FULL);
    with_model([&](Model &m) { EXPECT_EQ(mcast_join(m, extra.b, 1, 1, 1), KEL_DRV_ERR_TABLE_FULL); });
}

}  // namespace
