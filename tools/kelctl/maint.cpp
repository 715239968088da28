// maint.cpp - kelctl's upkeep commands: the watchdog, cable diagnostics and
// the switch's LED, health and model records.
#include <cstring>

#include "protocol.h"

namespace kelctl {

namespace {

const std::vector<const char *> kPairStates = {"ok", "open", "short", "not tested"};
const std::vector<const char *> kLeds = {"off", "on", "blinking"};

struct Watchdog {
    uint32_t timeout, resets;
};

const Column<Watchdog> kWatchdog[] = {
    {"timeout", "Timeout", Type::number,
     [](const Watchdog &w) {
         return w.timeout ? Value::num(w.timeout, " s") : Value::none(Type::number, "disabled");
     }},
    {"timer_resets", "Timer resets", Type::number, [](const Watchdog &w) { return Value::num(w.resets); }},
};

int show_watchdog(const Args &) {
    Watchdog w{0, 0};
    int32_t rc = kel_watchdog_get(&w.timeout);
    if (!rc) rc = kel_watchdog_stat_get(&w.resets);
    if (rc) return fail("reading the watchdog", rc);
    show(record_of(kWatchdog, w, "Watchdog"));
    return kExitOk;
}

int watchdog(const Args &args) {
    uint32_t seconds = 0;
    if (args.size() != 1) return usage_error("watchdog takes a timeout in seconds (1 to 300) or disable");
    if (args[0] != "disable" && !parse_number(args[0], 1, 300, "timeout", &seconds)) return kExitUsage;
    if (int32_t rc = kel_watchdog_set(seconds)) return fail("setting the watchdog", rc);
    return kExitOk;
}

int watchdog_reset(const Args &) {
    if (int32_t rc = kel_watchdog_timer_reset())
        return fail("resetting the watchdog timer (is it enabled?)", rc);
    return kExitOk;
}

int watchdog_clear(const Args &) {
    if (int32_t rc = kel_watchdog_stat_reset()) return fail("clearing the watchdog statistics", rc);
    return kExitOk;
}

struct Cable {
    ifport port;
    kel_drv_cable_diag r;
};

// A pair: its state and length, null when it was not tested.
Value pair_of(const Cable &c, uint32_t i) {
    if (c.r.pair_status[i] == KEL_DRV_PAIR_NOT_TESTED) return Value::none(Type::text);
    Value v = Value::str(name_of(kPairStates, c.r.pair_status[i]));
    v.shown += " " + std::to_string(c.r.pair_length[i]) + " m";
    return v;
}

Value length_of(const Cable &c, uint32_t i) {
    return c.r.pair_status[i] == KEL_DRV_PAIR_NOT_TESTED ? Value::none(Type::number)
                                                         : Value::num(c.r.pair_length[i]);
}

const Column<Cable> kCable[] = {
    {"port", "Port", Type::text, [](const Cable &c) { return port_value(c.port); }},
    {"result", "Result", Type::text,
     [](const Cable &c) { return Value::str(name_of(kPairStates, c.r.status)); }},
    {"pair_1", "Pair 1", Type::text, [](const Cable &c) { return pair_of(c, 0); }},
    {"pair_2", "Pair 2", Type::text, [](const Cable &c) { return pair_of(c, 1); }},
    {"pair_3", "Pair 3", Type::text, [](const Cable &c) { return pair_of(c, 2); }},
    {"pair_4", "Pair 4", Type::text, [](const Cable &c) { return pair_of(c, 3); }},
    {"pair_1_length", "", Type::number, [](const Cable &c) { return length_of(c, 0); }, false},
    {"pair_2_length", "", Type::number, [](const Cable &c) { return length_of(c, 1); }, false},
    {"pair_3_length", "", Type::number, [](const Cable &c) { return length_of(c, 2); }, false},
    {"pair_4_length", "", Type::number, [](const Cable &c) { return length_of(c, 3); }, false},
};

int cable(const Args &args) {
    if (args.size() != 1) return usage_error("cable-diagnostics takes a port list");
    iflist ports;
    if (!parse_port_list(args[0], &ports)) return kExitUsage;
    std::vector<Cable> rows;
    int status = kExitOk;
    for (const ifport &p : ports_in(ports)) {
        Cable c{p, {}};
        if (int32_t rc = kel_cablediag_get(&p, &c.r))
            status = fail("testing the cable of " + port_name(p), rc);
        else
            rows.push_back(c);
    }
    show(table_of(kCable, rows));
    return status;
}

struct Led {
    ifport port;
    uint8_t state;
};

const Column<Led> kLedColumns[] = {
    {"port", "Port", Type::text, [](const Led &l) { return port_value(l.port); }},
    {"led", "LED", Type::text, [](const Led &l) { return Value::str(name_of(kLeds, l.state)); }},
};

int show_led(const Args &) {
    kel_drv_led r;
    if (int32_t rc = kel_show_private_led(&r, sizeof r)) return fail("reading the LEDs", rc);
    std::vector<Led> rows;
    for (const ifport &p : ports_in(every_port()))
        if (p.unit <= 8 && p.port <= 32) rows.push_back(Led{p, r.led[p.unit - 1][p.port - 1]});
    show(table_of(kLedColumns, rows));
    return kExitOk;
}

const Column<kel_drv_health> kHealth[] = {
    {"temperature", "Temperature", Type::number,
     [](const kel_drv_health &h) { return Value::num(static_cast<int32_t>(h.temperature), " C"); }},
    {"fans_ok", "Fans", Type::boolean,
     [](const kel_drv_health &h) { return Value::flag(h.fans_ok, "ok", "failed"); }},
    {"power_ok", "Power", Type::boolean,
     [](const kel_drv_health &h) { return Value::flag(h.power_ok, "ok", "failed"); }},
    {"watchdog_timeout", "Watchdog", Type::number,
     [](const kel_drv_health &h) {
         return h.watchdog_timeout ? Value::num(h.watchdog_timeout, " s")
                                   : Value::none(Type::number, "disabled");
     }},
    {"crash_dumps", "Crash dumps", Type::number,
     [](const kel_drv_health &h) { return Value::num(h.crash_dumps); }},
    {"reboots", "Reboots", Type::number, [](const kel_drv_health &h) { return Value::num(h.reboots); }},
};

int show_health(const Args &) {
    kel_drv_health r;
    if (int32_t rc = kel_show_private_health(&r, sizeof r)) return fail("reading the health record", rc);
    show(record_of(kHealth, r, "Health"));
    return kExitOk;
}

const Column<kel_drv_model_info> kModel[] = {
    {"model", "Model", Type::text, [](const kel_drv_model_info &m) { return Value::str(m.model); }},
    {"serial_number", "Serial number", Type::text,
     [](const kel_drv_model_info &m) { return Value::str(m.serial); }},
    {"firmware", "Firmware", Type::text, [](const kel_drv_model_info &m) { return Value::str(m.firmware); }},
    {"hardware_revision", "Hardware revision", Type::number,
     [](const kel_drv_model_info &m) { return Value::num(m.hw_revision); }},
    {"units", "Units", Type::number, [](const kel_drv_model_info &m) { return Value::num(m.units); }},
};

int show_model(const Args &) {
    kel_drv_model_info r;
    std::memset(&r, 0, sizeof r);
    if (int32_t rc = kel_show_private_model(&r, sizeof r)) return fail("reading the model record", rc);
    r.model[sizeof r.model - 1] = r.serial[sizeof r.serial - 1] = r.firmware[sizeof r.firmware - 1] = '\0';
    show(record_of(kModel, r, "Model"));
    return kExitOk;
}

// The watchdog is armed by configuration; its timer resets are not.
bool write_config(Config &c) {
    uint32_t timeout = 0;
    if (!c.whole) return true;
    if (int32_t rc = kel_watchdog_get(&timeout)) return config_failed("reading the watchdog", rc);
    if (c.all || timeout) c.add(timeout ? "watchdog " + std::to_string(timeout) : "watchdog disable");
    return true;
}

const Subcommand kRows[] = {
    {"show watchdog", "", "the hardware watchdog", show_watchdog, "show watchdog"},
    {"watchdog", "1-300|disable", "arm the watchdog with a timeout in seconds, or disarm it", watchdog,
     "watchdog 60\nwatchdog disable"},
    {"watchdog reset", "", "reset the watchdog timer", watchdog_reset, "watchdog reset"},
    {"watchdog clear-statistics", "", "clear the count of timer resets", watchdog_clear,
     "watchdog clear-statistics"},
    {"cable-diagnostics", "PORTS", "test the cables of ports", cable, "cable-diagnostics fa1/0/1-4"},
    {"show led", "", "the port LEDs", show_led, "show led"},
    {"show health", "", "temperature, fans, power, watchdog and crash dumps", show_health, "show health"},
    {"show model", "", "model, serial number, firmware and hardware revision", show_model, "show model"},
};

}  // namespace

const Area kMaintArea = area(
    "upkeep", "the watchdog, cable diagnostics, and the LED, health and model records", kRows, write_config);

}  // namespace kelctl
