// cmd_maint.cpp - the simulated upkeep families: trace log (0x02), line
// protocol (0x18), cable diagnostics (0x19), watchdog (0x1A), crash dump
// (0x1B), DHCP client (0x1C) and the private show records (0x1E).
//
// Values and record layouts are documented in kel_driver.h. The cable test
// and the health readings are made up but stable: the same port always
// measures the same cable.
#include <cstdio>
#include <cstring>

#include "commands.h"
#include "kel_driver.h"
#include "protocol_common.h"

namespace kelsim {

namespace {

constexpr uint32_t kTraceTypes = 32;

constexpr Setting kTraceLevel = one_word(0x0202, Key::none, &kel_ioreq::prio, 3, 0, 7);
constexpr Setting kLine =
    one_word(0x1801, Key::port, &kel_ioreq::value, KEL_DRV_LINE_UP, 0, KEL_DRV_LINE_LOOPBACK);
constexpr Setting kWatchdog = one_word(0x1A01, Key::none, &kel_ioreq::value, 0, 0, 300);
constexpr Setting kBootId = one_word(0x1B01, Key::none, &kel_ioreq::index, 0, 0, 0);
constexpr Setting kDhcpClient = one_word(0x1C01, Key::none, &kel_ioreq::value, 0, 0, 1);

int32_t trace_type_set(Context &c) {
    if (c.b.sel >= kTraceTypes || c.b.value > 1) return KEL_DRV_ERR_BAD_VALUE;
    uint32_t bit = 1u << c.b.sel;
    c.m.proto.trace_mask = c.b.value ? (c.m.proto.trace_mask | bit) : (c.m.proto.trace_mask & ~bit);
    return KEL_DRV_OK;
}

int32_t loopback_get(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    c.b.value = port_value(c.m, kLine, c.b.unit, c.b.port) == KEL_DRV_LINE_LOOPBACK;
    return KEL_DRV_OK;
}

int32_t cable_diag(Context &c) {
    if (!c.port_exists()) return KEL_DRV_ERR_NO_SUCH_PORT;
    if (!c.has_buf()) return KEL_DRV_ERR_NULL_BUFFER;
    uint32_t u = c.b.unit, p = c.b.port;
    kel_drv_cable_diag r;
    std::memset(&r, 0, sizeof r);
    r.unit = u;
    r.port = p;
    r.pairs = c.m.topo.medium(u, p) == kGigabit ? 4 : 2;
    uint32_t length = 2 + (u * 37 + p * 13) % 98;
    bool down = port_value(c.m, kLine, u, p) == KEL_DRV_LINE_DOWN;
    r.status = down ? KEL_DRV_PAIR_OPEN : KEL_DRV_PAIR_OK;
    for (uint32_t i = 0; i < 4; ++i) {
        r.pair_status[i] = i >= r.pairs ? KEL_DRV_PAIR_NOT_TESTED : r.status;
        r.pair_length[i] = i >= r.pairs ? 0 : length;
    }
    return answer(c, r);
}

int32_t watchdog_kick(Context &c) {
    if (!switch_value(c.m, kWatchdog)) return KEL_DRV_ERR_NOT_PERMITTED;  // nothing to reset
    ++c.m.proto.watchdog_kicks;
    return KEL_DRV_OK;
}

int32_t watchdog_stat_reset(Context &c) {
    c.m.proto.watchdog_kicks = 0;
    return KEL_DRV_OK;
}

int32_t watchdog_stat_get(Context &c) {
    c.b.value = c.m.proto.watchdog_kicks;
    return KEL_DRV_OK;
}

int32_t crash_test(Context &c) {
    ++c.m.proto.crash_dumps;
    return KEL_DRV_OK;
}

// A dump, then the switch restarts as after a reboot.
int32_t crash_test_restart(Context &c) {
    ++c.m.proto.crash_dumps;
    ++c.m.sys.reboots;
    c.m.sys.ready = 0;
    c.m.sys.upgrading = 0;
    return KEL_DRV_OK;
}

// The first len bytes of a record (all of it when len is larger).
template <class Record>
int32_t show(Context &c, const Record &r) {
    if (!c.has_buf()) return KEL_DRV_ERR_NULL_BUFFER;
    if (c.b.len == 0) return KEL_DRV_ERR_BUFFER_TOO_SMALL;
    return c.put(&r, c.b.len < sizeof r ? c.b.len : sizeof r);
}

int32_t show_led(Context &c) {
    const Topology &t = c.m.topo;
    kel_drv_led r;
    std::memset(&r, 0, sizeof r);
    r.units = static_cast<uint32_t>(t.units_present());
    r.ports = static_cast<uint32_t>(t.total_ports());
    for (uint32_t u = 1; u <= kMaxUnits; ++u)
        for (uint32_t p = 1; p <= t.nports[u - 1]; ++p) {
            uint32_t line = port_value(c.m, kLine, u, p);
            r.led[u - 1][p - 1] = static_cast<uint8_t>(line == KEL_DRV_LINE_DOWN       ? KEL_DRV_LED_OFF
                                                       : line == KEL_DRV_LINE_LOOPBACK ? KEL_DRV_LED_BLINKING
                                                                                       : KEL_DRV_LED_ON);
        }
    return show(c, r);
}

int32_t show_health(Context &c) {
    const Model &m = c.m;
    kel_drv_health r;
    std::memset(&r, 0, sizeof r);
    r.temperature = 41;
    r.fans_ok = 1;
    r.power_ok = 1;
    r.watchdog_timeout = switch_value(m, kWatchdog);
    r.watchdog_resets = m.proto.watchdog_kicks;
    r.crash_dumps = m.proto.crash_dumps;
    r.boot_id = switch_value(m, kBootId);
    r.trace_level = switch_value(m, kTraceLevel);
    r.trace_mask = m.proto.trace_mask;
    r.reboots = m.sys.reboots;
    r.dhcp_client = switch_value(m, kDhcpClient);
    return show(c, r);
}

int32_t show_model(Context &c) {
    const Topology &t = c.m.topo;
    const uint8_t *mac = c.m.sys.mac;
    kel_drv_model_info r;
    std::memset(&r, 0, sizeof r);
    uint32_t fe = 0, ge = 0;
    for (uint32_t u = 1; u <= kMaxUnits; ++u)
        for (uint32_t p = 1; p <= t.nports[u - 1]; ++p) (t.medium(u, p) == kGigabit ? ge : fe)++;
    std::snprintf(r.model, sizeof r.model, "KS-%uFE-%uGE", fe, ge);
    std::snprintf(r.serial, sizeof r.serial, "KS%02X%02X%02X%02X", mac[2], mac[3], mac[4], mac[5]);
    std::snprintf(r.firmware, sizeof r.firmware, "1.0.0");
    r.hw_revision = 2;
    r.units = static_cast<uint32_t>(t.units_present());
    return show(c, r);
}

const Command kTrace[] = {
    {0x0201, "tracelog_type_set", trace_type_set},
    {0x0202, "tracelog_level_set", setting_set, &kTraceLevel},
};

const Command kLineRows[] = {
    {0x1801, "line_proto_port_set", setting_set, &kLine},
    {0x1802, "line_proto_port_get", setting_get, &kLine},
    {0x1803, "line_loopback_get", loopback_get},
};

const Command kCable[] = {
    {0x1901, "cablediag_get", cable_diag},
};

const Command kWatchdogRows[] = {
    {0x1A01, "watchdog_set", setting_set, &kWatchdog}, {0x1A02, "watchdog_get", setting_get, &kWatchdog},
    {0x1A03, "watchdog_timer_reset", watchdog_kick},   {0x1A04, "watchdog_stat_reset", watchdog_stat_reset},
    {0x1A05, "watchdog_stat_get", watchdog_stat_get},
};

const Command kCrash[] = {
    {0x1B01, "crashdump_boot_id_set", setting_set, &kBootId},
    {0x1B02, "crashdump_test", crash_test},
    {0x1B03, "crashdump_test_restart", crash_test_restart},
};

const Command kDhcpClientRows[] = {
    {0x1C01, "dhcp_client_state_set", setting_set, &kDhcpClient},
    {0x1C02, "dhcp_client_state_get", setting_get, &kDhcpClient},
};

const Command kPrivateShow[] = {
    {0x1E01, "show_private_led", show_led},
    {0x1E02, "show_private_health", show_health},
    {0x1E03, "show_private_model", show_model},
};

}  // namespace

const Family kTraceFamily = family(kTrace);
const Family kLineFamily = family(kLineRows);
const Family kCableFamily = family(kCable);
const Family kWatchdogFamily = family(kWatchdogRows);
const Family kCrashFamily = family(kCrash);
const Family kDhcpClientFamily = family(kDhcpClientRows);
const Family kPrivateShowFamily = family(kPrivateShow);

}  // namespace kelsim
