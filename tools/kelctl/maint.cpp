// maint.cpp - kelctl's upkeep commands: the watchdog, cable diagnostics and
// the switch's LED, health and model records.
#include <cstring>

#include "protocol.h"

namespace kelctl {

namespace {

const std::vector<const char *> kPairStates = {"ok", "open", "short", "not tested"};
const std::vector<const char *> kLeds = {"off", "on", "blinking"};

int show_watchdog(const Args &) {
    uint32_t timeout = 0, resets = 0;
    int32_t rc = kel_watchdog_get(&timeout);
    if (!rc) rc = kel_watchdog_stat_get(&resets);
    if (rc) return fail("reading the watchdog", rc);
    Table t({"Watchdog", ""});
    t.add({"Timeout", timeout ? std::to_string(timeout) + " s" : "disabled"});
    t.add({"Timer resets", std::to_string(resets)});
    t.print();
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

int cable(const Args &args) {
    if (args.size() != 1) return usage_error("cable-diagnostics takes a port list");
    iflist ports;
    if (!parse_port_list(args[0], &ports)) return kExitUsage;
    Table t({"Port", "Result", "Pair 1", "Pair 2", "Pair 3", "Pair 4"});
    int status = kExitOk;
    for (const ifport &p : ports_in(ports)) {
        kel_drv_cable_diag r;
        if (int32_t rc = kel_cablediag_get(&p, &r)) {
            status = fail(("testing the cable of " + port_name(p)).c_str(), rc);
            continue;
        }
        std::vector<std::string> row = {port_name(p), name_of(kPairStates, r.status)};
        for (uint32_t i = 0; i < 4; ++i)
            row.push_back(r.pair_status[i] == KEL_DRV_PAIR_NOT_TESTED
                              ? "-"
                              : std::string(name_of(kPairStates, r.pair_status[i])) + " " +
                                    std::to_string(r.pair_length[i]) + " m");
        t.add(row);
    }
    t.print();
    return status;
}

int show_led(const Args &) {
    kel_drv_led r;
    if (int32_t rc = kel_show_private_led(&r, sizeof r)) return fail("reading the LEDs", rc);
    Table t({"Port", "LED"});
    for (const ifport &p : ports_in(every_port()))
        if (p.unit <= 8 && p.port <= 32) t.add({port_name(p), name_of(kLeds, r.led[p.unit - 1][p.port - 1])});
    t.print();
    return kExitOk;
}

int show_health(const Args &) {
    kel_drv_health r;
    if (int32_t rc = kel_show_private_health(&r, sizeof r)) return fail("reading the health record", rc);
    Table t({"Health", ""});
    t.add({"Temperature", std::to_string(r.temperature) + " C"});
    t.add({"Fans", r.fans_ok ? "ok" : "failed"});
    t.add({"Power", r.power_ok ? "ok" : "failed"});
    t.add({"Watchdog", r.watchdog_timeout ? std::to_string(r.watchdog_timeout) + " s" : "disabled"});
    t.add({"Crash dumps", std::to_string(r.crash_dumps)});
    t.add({"Reboots", std::to_string(r.reboots)});
    t.print();
    return kExitOk;
}

int show_model(const Args &) {
    kel_drv_model_info r;
    std::memset(&r, 0, sizeof r);
    if (int32_t rc = kel_show_private_model(&r, sizeof r)) return fail("reading the model record", rc);
    r.model[sizeof r.model - 1] = r.serial[sizeof r.serial - 1] = r.firmware[sizeof r.firmware - 1] = '\0';
    Table t({"Model", ""});
    t.add({"Model", r.model});
    t.add({"Serial number", r.serial});
    t.add({"Firmware", r.firmware});
    t.add({"Hardware revision", std::to_string(r.hw_revision)});
    t.add({"Units", std::to_string(r.units)});
    t.print();
    return kExitOk;
}

const Subcommand kRows[] = {
    {"show watchdog", "", "the hardware watchdog", show_watchdog},
    {"watchdog", "1-300|disable", "arm the watchdog with a timeout in seconds, or disarm it", watchdog},
    {"watchdog reset", "", "reset the watchdog timer", watchdog_reset},
    {"watchdog clear-statistics", "", "clear the count of timer resets", watchdog_clear},
    {"cable-diagnostics", "PORTS", "test the cables of ports", cable},
    {"show led", "", "the port LEDs", show_led},
    {"show health", "", "temperature, fans, power, watchdog and crash dumps", show_health},
    {"show model", "", "model, serial number, firmware and hardware revision", show_model},
};

}  // namespace

const Area kMaintArea = area(kRows);

}  // namespace kelctl
