// Frames to the spanning tree's address, as a port of a four-port bridge
// takes them: each record of the input is a port (one byte), milliseconds
// passing before it (one byte, times 64) and a frame (a length byte, then
// the bytes). Whatever arrives, in whichever mode, the bridge stays in a
// state the protocol allows: one root port at most and only when another
// bridge is the root, and no port forwards or learns unless it is the root
// port or a designated one. A BPDU that decodes encodes to itself.
#include <cstdlib>
#include <cstring>

#include "proto/stp_bridge.h"

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

void check_state(const Bridge &br, uint64_t own) {
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
    if (rooted != (br.root().root != own) || (!rooted && br.root().cost != 0) || br.root().root > own)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    static Bridge *bridge = new Bridge();
    static Quiet quiet;
    BridgeConfig cfg{true, static_cast<Mode>(data[0] % 3), 32768, {0x02, 0, 0, 0, 0, 5}, 6, 1, 4, 3};
    PortConfig ports[kPorts] = {};
    for (int p = 0; p < 4; ++p)
        ports[p] = {true,   true,   static_cast<uint16_t>(p + 1), 128, 20000,
                    p == 3, p != 2, (data[0] >> 2 & 1) && p == 3};
    *bridge = Bridge();
    bridge->configure(cfg, ports, quiet);
    uint64_t own = bridge->root().root, now = 1;
    bridge->tick(now, quiet);
    for (size_t at = 1; at + 3 <= size;) {
        int port = data[at] % 4;
        now += data[at + 1] * 64u;
        size_t len = data[at + 2];
        at += 3;
        if (len > size - at) len = size - at;
        Bpdu b{};
        if (decode(data + at, len, &b) == Decoded::ok) {
            check_round_trip(b);
            bridge->receive(port, b, quiet);
        }
        at += len;
        bridge->tick(now, quiet);
        check_state(*bridge, own);
    }
    return 0;
}
