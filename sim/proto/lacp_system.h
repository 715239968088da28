// lacp_system.h - the link aggregation control protocol of one system.
// Pure: LACPDUs and the passing of time go in, LACPDUs to send come out
// through Actions, and each port's outcome (its state bits, its partner,
// whether it collects and distributes) is read back. No I/O, no clock of
// its own, no allocation.
//
// Every port of a dynamic trunk is active, its key the trunk's id. Per port:
// - receive: an LACPDU records its sender as the partner and (re)starts the
//   current-while timer (3 s with the short timeout, 90 s with the long);
//   at its end the partner's information is expired (no longer in sync),
//   at the end of a second one it is replaced by the default partner;
// - periodic transmission: an LACPDU every second while the partner asks
//   for the short timeout, every 30 s otherwise, at once when something
//   the partner should know changed, never more than three a second;
// - selection: the ports of one key that reach one partner system through
//   one partner key are aggregated together; the first such port (lowest
//   number) decides which partner that is, and a port reaching another
//   partner, or none (defaulted) is left out;
// - mux (collecting and distributing coupled): detached, waiting (2 s for
//   the other ports to be selected), attached (in sync), collecting and
//   distributing once the partner is in sync as well.
#pragma once

#include <cstdint>

#include "proto/lacp_pdu.h"

namespace kelsim::lacp {

constexpr int kPorts = 256;
enum class Mux : uint8_t { detached, waiting, attached, collecting_distributing };
enum class Rx : uint8_t { disabled, current, expired, defaulted };

struct SystemConfig {
    uint16_t priority;
    uint8_t mac[6];
};

struct PortConfig {
    bool present;       // a member of a dynamic trunk: runs LACP
    bool link;          // its link is up
    bool fast;          // short timeout: asks its partner for an LACPDU every second
    uint16_t key;       // the trunk's id
    uint16_t priority;  // port priority
    uint16_t number;    // port number, 1..
};

class Actions {
public:
    virtual void transmit(int port, const Pdu &p) = 0;

protected:
    ~Actions() = default;
};

class System {
public:
    System();
    // Takes the settings and each port's link: a port that joins or whose
    // link came up starts afresh; one that leaves or whose link went down
    // stops, its partner forgotten.
    void configure(const SystemConfig &s, const PortConfig *ports, Actions &a);
    void receive(int port, const Pdu &p, Actions &a);
    // The clock (milliseconds, any origin, never going back) moved to now.
    void tick(uint64_t now_ms, Actions &a);

    bool running(int port) const { return port_[port].rx != Rx::disabled; }
    uint8_t state(int port) const { return port_[port].state; }  // the actor's state bits
    const Info &partner(int port) const { return port_[port].partner; }
    Mux mux(int port) const { return port_[port].mux; }
    Rx rx(int port) const { return port_[port].rx; }
    bool distributing(int port) const { return port_[port].mux == Mux::collecting_distributing; }

    static constexpr uint32_t kFastPeriodic = 1000, kSlowPeriodic = 30000, kShortTimeout = 3000,
                              kLongTimeout = 90000, kAggregateWait = 2000;  // milliseconds

private:
    struct Port {
        PortConfig cfg;
        Rx rx;
        Mux mux;
        bool selected, ntt;
        uint8_t state;
        Info partner;
        uint32_t current_while, periodic_when, wait_while, tx_window, tx_count;
    };

    Info actor(int i) const;
    void start(int i);
    void stop(int i);
    void expire(Port &p);
    void select();
    void run_mux(Port &p);
    void set_mux(Port &p, Mux m);
    void transmit(int i, Actions &a);
    uint32_t timeout(const Port &p) const { return p.cfg.fast ? kShortTimeout : kLongTimeout; }

    SystemConfig cfg_{};
    uint64_t now_ = 0;
    bool started_ = false;
    int used_[kPorts];  // the ports present, lowest first
    int used_count_ = 0;
    Port port_[kPorts];
};

}  // namespace kelsim::lacp
