// Frames to the spanning tree's address, as a port of a four-port bridge
// takes them: each record of the input is a port (one byte), milliseconds
// passing before it (one byte, times 64) and a frame (a length byte, then
// the bytes). Whatever arrives, in whichever mode, the bridge stays in a
// state the protocol allows: one root port at most and only when another
// bridge is the root, and no port forwards or learns unless it is the root
// port or a designated one, in the common tree and in each MST instance
// (mode mstp, the frames' MST part read). A BPDU that decodes encodes to itself.
#include <cstdlib>
#include <cstring>
#include <new>

#include "proto/mst_bridge.h"

namespace {

using namespace kelsim::stp;

struct Quiet : Actions {
    void transmit(int, const Bpdu &) override {}
    void flush(int) override {}
};

void check_round_trip(const Bpdu &b) {
    uint8_t frame[kFrameSize];
    const uint8_t src[6] = {0x02, 0, 0, 0, 0, 1};
    encode(b, src, frame);
    Bpdu again{};
    if (decode(frame, sizeof frame, &again) != Decoded::ok || again.kind != b.kind) std::abort();
    if (b.kind != Kind::tcn && (again.v != b.v || !(again.t == b.t) || again.flags != b.flags)) std::abort();
}

void check_mst_round_trip(const Bpdu &b, const Mst &m) {
    if (m.count > kMaxSentMstis) return;
    uint8_t frame[kMaxFrameSize];
    const uint8_t src[6] = {0x02, 0, 0, 0, 0, 1};
    size_t len = encode_mst(b, m, src, frame);
    Bpdu again{};
    static Mst back;
    bool has = false;
    if (decode_mst(frame, len, &again, &back, &has) != Decoded::ok || !has || again.v != b.v ||
        back.id != m.id || back.count != m.count || back.bridge != m.bridge ||
        back.internal_cost != m.internal_cost)
        std::abort();
    for (int i = 0; i < m.count; ++i)
        if (std::memcmp(&back.msti[i].regional_root, &m.msti[i].regional_root, sizeof(uint64_t)) != 0 ||
            back.msti[i].flags != m.msti[i].flags || back.msti[i].hops != m.msti[i].hops)
            std::abort();
}

// Every instance: no port forwards or learns unless root or designated,
// and one root port at most inside the region (a boundary port that is the
// common tree's root port is the region's master port, a root port in
// every instance besides).
void check_instances(const MstBridge &br) {
    for (int k = 1; k < kInstances; ++k) {
        int roots = 0;
        for (int p = 0; p < 4; ++p) {
            Role r = br.role(k, p);
            State s = br.state(k, p);
            roots += r == Role::root && !br.boundary(p);
            if (r != Role::root && r != Role::designated && (s == State::learning || s == State::forwarding))
                std::abort();
        }
        if (roots > 1) std::abort();
    }
}

void check_state(const Bridge &br, uint64_t own, bool mst) {
    int roots = 0;
    for (int p = 0; p < 4; ++p) {
        Role r = br.role(p);
        State s = br.state(p);
        roots += r == Role::root;
        bool active = r == Role::root || r == Role::designated;
        if (!active && (s == State::learning || s == State::forwarding)) std::abort();
    }
    bool rooted = br.root_port() >= 0;
    if (roots != (rooted ? 1 : 0) || (rooted && br.role(br.root_port()) != Role::root)) std::abort();
    // (in the multiple tree a root port may also lead to a better regional root)
    bool other_root = br.root().root != own;
    if ((mst ? other_root && !rooted : rooted != other_root) || (!rooted && br.root().cost != 0) ||
        br.root().root > own)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    static MstBridge *bridge = new MstBridge();  // made afresh in place: no megabyte allocated per input
    static MstConfig *mst = new MstConfig();
    static Mst *part = new Mst();
    static Quiet quiet;
    BridgeConfig cfg{true, static_cast<Mode>(data[0] % 3), 32768, {0x02, 0, 0, 0, 0, 5}, 6, 1, 4, 3};
    PortConfig ports[kPorts] = {};
    for (int p = 0; p < 4; ++p)
        ports[p] = {true,   true,   static_cast<uint16_t>(p + 1), 128, 20000,
                    p == 3, p != 2, (data[0] >> 2 & 1) && p == 3};
    *mst = MstConfig{};
    std::memcpy(mst->id.name, "fuzz", 4);
    mst->max_hops = 3;
    mst->instances = 0x6;
    for (int k = 0; k < kInstances; ++k) {
        mst->priority[k] = 4096u * static_cast<uint32_t>(k);
        for (int p = 0; p < 4; ++p) mst->port_priority[k][p] = 128, mst->port_cost[k][p] = 20000;
    }
    bridge->~MstBridge();
    new (bridge) MstBridge();
    bridge->configure(cfg, ports, *mst, quiet);
    uint64_t own = bridge->cist().root().root, now = 1;
    bridge->tick(now, quiet);
    for (size_t at = 1; at + 3 <= size;) {
        int port = data[at] % 4;
        now += data[at + 1] * 64u;
        size_t len = data[at + 2];
        at += 3;
        if (len > size - at) len = size - at;
        Bpdu b{};
        bool has = false;
        if (decode_mst(data + at, len, &b, part, &has) == Decoded::ok) {
            if (has)
                check_mst_round_trip(b, *part);
            else
                check_round_trip(b);
            bridge->receive(port, b, has ? part : nullptr, quiet);
        }
        at += len;
        bridge->tick(now, quiet);
        check_state(bridge->cist(), own, cfg.mode == Mode::mstp);
        check_instances(*bridge);
    }
    return 0;
}
