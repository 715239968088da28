// stats.cpp - the simulated port statistics (family 0x0C) and the
// traffic that moves them.
//
// Each port keeps a 32-bit counter per selector; counters wrap as a 32-bit
// interface counter does. Selectors the switch does not count are refused.
// Traffic is counted from the frames the dataplane switches (count_* below,
// gathered without the lock and added by add_counters), and from the
// test-control hooks (traffic, count_event), which kelsim's own "traffic"
// and "count" commands call on a state file, alike: octets include the
// FCS, sizes are classed as sent and as received.
#include <cstring>

#include "dataplane/pipeline.h"
#include "family/forwarding.h"

namespace kelsim {

namespace {

// The selectors the switch counts: 0 to 11, 15 to 32, 35, 36, 39, 41, 42.
constexpr uint64_t kCounted = 0xFFFull | (0x3FFFFull << 15) | (3ull << 35) | (1ull << 39) | (3ull << 41);
static_assert(__builtin_popcountll(kCounted) == 35);

bool counted(uint32_t selector) { return selector < KEL_DRV_COUNTERS && ((kCounted >> selector) & 1u); }

void add(uint32_t &counter, uint64_t n) { counter = static_cast<uint32_t>(counter + n); }

uint32_t size_bucket(uint64_t size) {
    if (size <= 64) return KEL_DRV_CTR_64_OCTETS;
    if (size <= 127) return KEL_DRV_CTR_65_TO_127_OCTETS;
    if (size <= 255) return KEL_DRV_CTR_128_TO_255_OCTETS;
    if (size <= 511) return KEL_DRV_CTR_256_TO_511_OCTETS;
    if (size <= 1023) return KEL_DRV_CTR_512_TO_1023_OCTETS;
    return KEL_DRV_CTR_1024_TO_1518_OCTETS;
}

// Frames of one second that a rate limit lets through: rate in kb/s, 0 unlimited.
uint32_t within_rate(uint32_t packets, uint64_t size, uint32_t rate) {
    if (!rate) return packets;
    uint64_t fit = uint64_t{rate} * 125 / size;
    return fit < packets ? static_cast<uint32_t>(fit) : packets;
}

void send_frames(Model &m, uint32_t unit, uint32_t port, const Traffic &t, uint64_t size) {
    uint32_t *c = port_state(m, unit, port).counter;
    if (!link_up(m, unit, port)) {
        add(c[KEL_DRV_CTR_TX_DISCARD], t.packets);
        return;
    }
    uint32_t sent = within_rate(t.packets, size, read_setting(m, kTxRate, port_key(unit, port)));
    add(c[KEL_DRV_CTR_TX_DISCARD], t.packets - sent);
    add(c[KEL_DRV_CTR_TX_OCTETS], sent * size);
    add(c[t.cast == Cast::unicast ? KEL_DRV_CTR_TX_UCAST : KEL_DRV_CTR_TX_NUCAST], sent);
    add(c[KEL_DRV_CTR_OUT_FRAME], sent);
    add(c[size_bucket(size)], sent);
}

void receive_frames(Model &m, uint32_t unit, uint32_t port, const Traffic &t, uint64_t size) {
    if (!link_up(m, unit, port)) return;  // nothing arrives on a dead wire
    uint32_t *c = port_state(m, unit, port).counter;
    uint32_t n = t.packets;
    if (size < 64 || size > 1518) {
        add(c[size < 64 ? KEL_DRV_CTR_UNDERSIZE : KEL_DRV_CTR_OVERSIZE], n);
        if (size > 1518) add(c[KEL_DRV_CTR_MTU_EXCEED], n);
        add(c[KEL_DRV_CTR_RX_ERROR], n);
        return;
    }
    add(c[KEL_DRV_CTR_RX_OCTETS], t.bytes ? t.bytes : uint64_t{n} * size);
    add(c[KEL_DRV_CTR_IN_FRAME], n);
    add(c[size_bucket(size)], n);
    uint32_t passed = n;
    if (t.cast != Cast::unicast) {
        uint32_t type = t.cast == Cast::broadcast ? 0 : 1;
        uint32_t limit = read_setting(m, kStormRate, port_sel_key(unit, port, type));
        if (limit && passed > limit) passed = limit;
    }
    passed = within_rate(passed, size, read_setting(m, kRxRate, port_key(unit, port)));
    if (passed < n) {
        add(c[KEL_DRV_CTR_RX_DISCARD], n - passed);
        add(c[KEL_DRV_CTR_IN_DISCARD], n - passed);
        add(c[KEL_DRV_CTR_DROP_EVENTS], 1);
    }
    if (t.cast == Cast::unicast) {
        add(c[KEL_DRV_CTR_RX_UCAST], passed);
    } else {
        add(c[KEL_DRV_CTR_RX_NUCAST], passed);
        add(c[t.cast == Cast::broadcast ? KEL_DRV_CTR_RX_BCAST : KEL_DRV_CTR_RX_MCAST], passed);
    }
}

int32_t counter(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    if (!counted(c.b.sel)) return KEL_DRV_ERR_BAD_VALUE;
    c.b.count = port_state(c.m, c.b.unit, c.b.port).counter[c.b.sel];
    return KEL_DRV_OK;
}

int32_t record(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    if (!c.has_buf()) return KEL_DRV_ERR_NULL_BUFFER;
    kel_drv_stats r;
    r.unit = c.b.unit;
    r.port = c.b.port;
    std::memcpy(r.counter, port_state(c.m, c.b.unit, c.b.port).counter, sizeof r.counter);
    return answer(c, r);
}

const Command kStats[] = {
    {0x0C01, "stats_counter_get", counter},
    {0x0C02, "stats_port_get", record},
};

}  // namespace

const Family kStatsFamily = family(kStats);

int32_t traffic(Model &m, uint32_t unit, uint32_t port, const Traffic &t) {
    if (!m.topo.exists(unit, port)) return KEL_DRV_ERR_NO_SUCH_PORT;
    if (!t.packets) return KEL_DRV_OK;
    uint64_t size = t.bytes ? t.bytes / t.packets : 64;
    if (t.dir == Direction::tx)
        send_frames(m, unit, port, t, size);
    else
        receive_frames(m, unit, port, t, size);
    return KEL_DRV_OK;
}

void count_received(Effects &fx, const Frame &f, Verdict verdict) {
    uint32_t *c = fx.counters(f.in);
    switch (verdict) {
        case Verdict::runt:
            ++c[KEL_DRV_CTR_UNDERSIZE];
            ++c[KEL_DRV_CTR_RX_ERROR];
            return;
        case Verdict::oversize:
            ++c[KEL_DRV_CTR_OVERSIZE];
            ++c[KEL_DRV_CTR_MTU_EXCEED];
            ++c[KEL_DRV_CTR_RX_ERROR];
            return;
        case Verdict::malformed:
            ++c[KEL_DRV_CTR_RX_ERROR];
            return;
        default:
            break;
    }
    c[KEL_DRV_CTR_RX_OCTETS] += f.wire;
    ++c[KEL_DRV_CTR_IN_FRAME];
    ++c[size_bucket(f.wire)];
    if (verdict == Verdict::unknown_protocol) {
        ++c[KEL_DRV_CTR_UNKNOWN_PROTO];
    } else if (verdict == Verdict::discard) {
        ++c[KEL_DRV_CTR_RX_DISCARD];
        ++c[KEL_DRV_CTR_IN_DISCARD];
    } else if (!is_group(f.dst())) {
        ++c[KEL_DRV_CTR_RX_UCAST];
    } else {
        ++c[KEL_DRV_CTR_RX_NUCAST];
        ++c[is_broadcast(f.dst()) ? KEL_DRV_CTR_RX_BCAST : KEL_DRV_CTR_RX_MCAST];
    }
}

void count_sent(Effects &fx, int slot, const uint8_t *dst, uint32_t wire) {
    uint32_t *c = fx.counters(slot);
    c[KEL_DRV_CTR_TX_OCTETS] += wire;
    ++c[KEL_DRV_CTR_OUT_FRAME];
    ++c[is_group(dst) ? KEL_DRV_CTR_TX_NUCAST : KEL_DRV_CTR_TX_UCAST];
    ++c[size_bucket(wire)];
}

void count_not_sent(Effects &fx, int slot, uint32_t frames, bool for_want_of_room) {
    uint32_t *c = fx.counters(slot);
    c[KEL_DRV_CTR_TX_DISCARD] += frames;
    if (for_want_of_room) ++c[KEL_DRV_CTR_DROP_EVENTS];
}

void count_not_received(Effects &fx, int slot, uint32_t frames) {
    uint32_t *c = fx.counters(slot);
    c[KEL_DRV_CTR_RX_DISCARD] += frames;
    c[KEL_DRV_CTR_IN_DISCARD] += frames;
    ++c[KEL_DRV_CTR_DROP_EVENTS];
}

void add_counters(Model &m, uint32_t unit, uint32_t port, const uint32_t *delta) {
    uint32_t *c = port_state(m, unit, port).counter;
    for (uint32_t i = 0; i < KEL_DRV_COUNTERS; ++i) c[i] += delta[i];
}

int32_t count_event(Model &m, uint32_t unit, uint32_t port, uint32_t selector, uint32_t n) {
    if (!m.topo.exists(unit, port)) return KEL_DRV_ERR_NO_SUCH_PORT;
    if (!counted(selector)) return KEL_DRV_ERR_BAD_VALUE;
    add(port_state(m, unit, port).counter[selector], n);
    return KEL_DRV_OK;
}

}  // namespace kelsim
