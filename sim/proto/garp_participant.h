// garp_participant.h - GVRP's participant of one switch: per port and VLAN
// an applicant (what the port declares) and a registrar (what its neighbour
// declared to it). Pure: PDUs, declarations and the passing of time go in,
// PDUs to send come out through Actions, registrations are read back. No
// I/O and no clock of its own.
//
// The applicant follows the GARP applicant's states (very anxious, anxious
// and quiet; active and passive member, observer, leaving): a declaration
// is sent twice (join, then again on the next join time) unless a
// neighbour's join of the same VLAN makes the second one needless; a
// neighbour's leave or leave-all makes a declaring port join again; a
// withdrawn declaration is sent as a leave once. The registrar is in, leaving
// (for the leave time after a leave or leave-all, still registered) or
// empty. Each port sends a PDU per join time while it has something to say,
// and a leave-all every leave-all time, which its own machines take too.
// Not run: the random spread of the join and leave-all times (each port
// uses the configured times as they are), point-to-point shortcuts, and
// the leaving observer: a port that declares nothing sends no empty
// message (a leave-all would otherwise bring one for every VLAN).
#pragma once

#include <cstdint>
#include <memory>

#include "proto/garp_pdu.h"

namespace kelsim::garp {

constexpr int kPorts = 256;
constexpr uint16_t kVids = 4095;  // VLAN ids 1..4094 by their id; 0 unused

enum class App : uint8_t { va, aa, qa, la, vp, ap, qp, vo, ao, qo };
enum class Reg : uint8_t { mt, lv, in };
enum class Registration : uint8_t { normal, fixed, forbidden };

struct PortConfig {
    bool on;            // GVRP runs on the port: switch and port on, link up
    Registration mode;  // fixed and forbidden register nothing; forbidden counts the joins as failures
    uint32_t join_ms, leave_ms, leave_all_ms;
};

// Messages received and sent per event; joins a fixed or forbidden port
// refused.
struct Counters {
    uint32_t rx[kEvents], tx[kEvents];
    uint32_t failed;
};

class Actions {
public:
    virtual void transmit(int port, const Message *msg, uint32_t n) = 0;

protected:
    ~Actions() = default;
};

class Participant {
public:
    Participant();
    ~Participant();
    // A port's settings; one that starts forgets every registration and
    // declares anew, one that stops forgets them too.
    void configure(int port, const PortConfig &c, uint64_t now_ms);
    // Whether the port declares the VLAN (a join request, or a leave request).
    void declare(int port, uint16_t vid, bool on, uint64_t now_ms);
    void receive(int port, const Pdu &p, uint64_t now_ms);
    // The clock (milliseconds, any origin, never going back) moved to now.
    void tick(uint64_t now_ms, Actions &a);

    bool running(int port) const { return port_[port].attr != nullptr && port_[port].cfg.on; }
    bool registered(int port, uint16_t vid) const;
    bool declared(int port, uint16_t vid) const;
    App applicant(int port, uint16_t vid) const;
    Reg registrar(int port, uint16_t vid) const;
    const Counters &counters(int port) const { return port_[port].count; }
    void clear_counters(int port) { port_[port].count = {}; }
    // Bumped whenever a registration of any port begins or ends.
    uint64_t generation() const { return generation_; }

private:
    enum class In : uint8_t { join_in, join_empty, empty, leave_in, leave_empty, join_req, leave_req, tx };
    struct Attr {
        App app;
        Reg reg;
        bool declared;
        uint64_t leave_at;  // the registrar's leave time ends (in LV)
    };
    struct Port {
        PortConfig cfg{};
        std::unique_ptr<Attr[]> attr;  // by VLAN id, once the port ran or declared
        uint64_t join_at = 0, leave_all_at = 0, next_leave = 0;
        bool tx_due = false, leave_all_due = false;
        Counters count{};
    };

    void applicant_event(Port &p, uint16_t vid, In e, uint64_t now);
    void registrar_join(Port &p, uint16_t vid);
    void registrar_leave(Port &p, uint16_t vid, uint64_t now);
    void leave_all(Port &p, uint64_t now);
    void transmit(int port, Port &p, uint64_t now, Actions &a);
    void set_reg(Attr &x, Reg r);

    Port port_[kPorts];
    uint64_t generation_ = 0;
};

}  // namespace kelsim::garp
