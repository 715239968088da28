// Frames to the slow protocols' address (and GVRP's), as the members of a four-port
// system's dynamic trunks take them: each record of the input is a port
// (one byte), milliseconds passing before it (one byte, times 64) and a
// frame (a length byte, then the bytes). Whatever arrives, every member
// stays in a state the protocol allows: it collects and distributes only
// in the mux state that does, with its partner in sync; it is in sync only
// when attached; defaulted and expired follow its receive state; a stopped
// port does nothing. An LACPDU that decodes encodes to itself. Each frame
// is also read as a GVRP PDU: one that decodes encodes to its messages,
// and goes to a GVRP participant's same port (normal, fixed or forbidden
// registration by the first byte, VLANs 1 and 10 declared), which never
// registers on a port that may not, registers exactly what its registrars
// hold, and sends joins only for what it declares and leaves only for
// what it does not.
#include <cstdlib>
#include <cstring>

#include "proto/garp_participant.h"
#include "proto/garp_pdu.h"
#include "proto/lacp_system.h"

namespace {

using namespace kelsim::lacp;

struct Quiet : Actions {
    void transmit(int, const Pdu &) override {}
};

bool same(const Info &a, const Info &b) { return same_port(a, b) && a.state == b.state; }

void check_round_trip(const Pdu &p) {
    uint8_t frame[kFrameSize];
    const uint8_t src[6] = {0x02, 0, 0, 0, 0, 1};
    encode(p, src, frame);
    Pdu again{};
    if (decode(frame, sizeof frame, &again) != Decoded::ok || !same(again.actor, p.actor) ||
        !same(again.partner, p.partner) || again.max_delay != p.max_delay)
        std::abort();
}

namespace garp = kelsim::garp;

struct Declarer final : garp::Actions {
    garp::Participant *part = nullptr;
    void transmit(int port, const garp::Message *msg, uint32_t n) override {
        for (uint32_t i = 0; i < n; ++i) {
            garp::Event e = msg[i].event;
            bool join = e == garp::Event::join_in || e == garp::Event::join_empty;
            bool leave = e == garp::Event::leave_in || e == garp::Event::leave_empty;
            if ((join && !part->declared(port, msg[i].vid)) || (leave && part->declared(port, msg[i].vid)))
                std::abort();
        }
    }
};

void check_participant(const garp::Participant &g, int port, const garp::Pdu &p, garp::Registration mode) {
    for (uint32_t i = 0; i <= p.count; ++i) {
        uint16_t vid = i < p.count ? p.msg[i].vid : 10;
        if (vid == 0) continue;
        bool reg = g.registered(port, vid);
        if (reg != (g.registrar(port, vid) != garp::Reg::mt)) std::abort();
        if (reg && mode != garp::Registration::normal) std::abort();
    }
}

void check_garp(const uint8_t *frame, size_t len, garp::Participant &g, Declarer &d, int port,
                garp::Registration mode, uint64_t now) {
    static kelsim::garp::Pdu p, again;
    static uint8_t out[kelsim::garp::kMaxFrame];
    if (kelsim::garp::decode(frame, len, &p) != kelsim::garp::Decoded::ok) return;
    uint32_t n = p.count;
    const uint8_t src[6] = {0x02, 0, 0, 0, 0, 1};
    size_t size = kelsim::garp::encode(p.msg, &n, src, out);
    if (kelsim::garp::decode(out, size, &again) != kelsim::garp::Decoded::ok || again.count != n)
        std::abort();
    for (uint32_t i = 0; i < n; ++i)
        if (again.msg[i].event != p.msg[i].event || again.msg[i].vid != p.msg[i].vid) std::abort();
    g.receive(port, p, now);
    g.tick(now, d);
    check_participant(g, port, p, mode);
}

void check_state(const System &s, int port) {
    uint8_t st = s.state(port);
    Mux mux = s.mux(port);
    Rx rx = s.rx(port);
    bool cd = mux == Mux::collecting_distributing;
    if (((st & kCollecting) != 0) != cd || ((st & kDistributing) != 0) != cd || s.distributing(port) != cd)
        std::abort();
    if (((st & kSync) != 0) != (mux == Mux::attached || cd)) std::abort();
    if (cd && !(s.partner(port).state & kSync)) std::abort();
    if (((st & kDefaulted) != 0) != (rx == Rx::defaulted || rx == Rx::disabled) && rx != Rx::expired)
        std::abort();
    if (((st & kExpired) != 0) != (rx == Rx::expired)) std::abort();
    if (rx == Rx::defaulted && mux != Mux::detached && mux != Mux::waiting) std::abort();
    if (!s.running(port) && mux != Mux::detached) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    static System *system = new System();
    static Quiet quiet;
    SystemConfig cfg{32768, {0x02, 0, 0, 0, 0, 5}};
    PortConfig ports[kPorts] = {};
    // Two trunks of two members, fast or slow; a bit of the first byte per link.
    for (int p = 0; p < 4; ++p)
        ports[p] = {
            true, (data[0] >> p & 1) == 0,     (data[0] >> 4 & 1) != 0, static_cast<uint16_t>(1 + p / 2),
            128,  static_cast<uint16_t>(p + 1)};
    *system = System();
    system->configure(cfg, ports, quiet);
    uint64_t now = 1;
    garp::Participant g;
    garp::Participant *gvrp = &g;
    Declarer declarer;
    declarer.part = gvrp;
    auto mode = static_cast<garp::Registration>((data[0] >> 5) % 3);
    for (int p = 0; p < 4; ++p) {
        gvrp->configure(p, {true, mode, 100, 300, 2000}, now);
        gvrp->declare(p, 1, true, now);
        gvrp->declare(p, 10, true, now);
    }
    system->tick(now, quiet);
    for (size_t at = 1; at + 3 <= size;) {
        int port = data[at] % 4;
        now += data[at + 1] * 64u;
        size_t len = data[at + 2];
        at += 3;
        if (len > size - at) len = size - at;
        check_garp(data + at, len, *gvrp, declarer, port, mode, now);
        Pdu p{};
        if (decode(data + at, len, &p) == Decoded::ok) {
            check_round_trip(p);
            system->receive(port, p, quiet);
        }
        at += len;
        system->tick(now, quiet);
        for (int q = 0; q < 4; ++q) check_state(*system, q);
    }
    return 0;
}
