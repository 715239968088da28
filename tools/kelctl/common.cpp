// common.cpp - kelctl's output and messages (every write checked, every
// foreign byte made printable, a batch line's place in every message), the
// texts of result codes and of the library's values.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "kel_driver.h"
#include "kelctl.h"

namespace kelctl {

namespace {

int out_error = 0;        // errno of the first failed write to stdout
bool err_failed = false;  // a write to stderr failed
bool silent = false;      // driver_silent() found no driver
const Subcommand *current = nullptr;
std::string where;  // "FILE:LINE: " while a batch line runs
bool batch_on_stdin = false;

struct LibraryStatus {
    int32_t code;
    const char *text;
};

// The library's own result codes (kel.h); -1 and KEL_ERR_IO are told apart.
constexpr LibraryStatus kLibraryStatuses[] = {
    {KEL_ERR_NOT_FOUND, "no such entry"},
    {KEL_ERR_FORMAT, "text does not parse"},
    {KEL_ERR_PARAM, "null pointer, out-of-range or unsupported argument"},
    {KEL_ERR_LENGTH, "interface name too short or too long"},
    {KEL_ERR_NO_IF, "no such interface"},
};

}  // namespace

std::string printable(const std::string &text) {
    std::string out;
    for (unsigned char c : text) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        }
    }
    return out;
}

void write_out(const std::string &text) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() && !out_error) out_error = errno;
}

void write_err(const std::string &line) {
    std::string text = printable(line) + "\n";
    if (std::fwrite(text.data(), 1, text.size(), stderr) != text.size()) err_failed = true;
}

int finish(int status) {
    if (std::fflush(stdout) != 0 && !out_error) out_error = errno;
    if (out_error || std::ferror(stdout)) {
        write_err(std::string("kelctl: cannot write the output: ") +
                  (out_error ? std::strerror(out_error) : "write error"));
        status = kExitFailed;
    }
    if (std::fflush(stderr) != 0 || std::ferror(stderr) || err_failed) status = status ? status : kExitFailed;
    return status;
}

void set_command(const Subcommand *s) {
    current = s;
    silent = false;
}
void set_location(const std::string &location) { where = location.empty() ? "" : location + ": "; }
std::string command_words() { return current ? current->words : ""; }

void set_stdin_taken(bool taken) { batch_on_stdin = taken; }
bool stdin_taken() { return batch_on_stdin; }

void say(const std::string &text) { write_err("kelctl: " + where + text); }

bool complain(const std::string &text) {
    say(current ? command_words() + ": " + text : text);
    return false;
}

std::string status_text(int32_t rc) {
    if (rc == -1) return "the driver did not answer (no sw0?)";
    if (rc == KEL_ERR_IO) return "the driver channel is not open";
    for (const LibraryStatus &s : kLibraryStatuses)
        if (s.code == rc) return std::string(s.text) + " (status " + std::to_string(rc) + ")";
    std::string text = "driver status " + std::to_string(rc);
    const char *meaning = kel_drv_status_text(rc);
    return meaning[0] == '?' ? text : text + " (" + meaning + ")";
}

int fail(const std::string &what, int32_t rc) {
    say(what + ": " + status_text(rc));
    return kExitFailed;
}

bool driver_silent(const std::string &what) {
    uint32_t ports = 0;
    int32_t rc = kel_stack_nr_ports_get(1, &ports);
    if (rc != -1 && rc != KEL_ERR_IO) return false;
    fail(what, rc);
    silent = true;
    return true;
}

bool driver_was_silent() { return silent; }

std::string ipv4(uint32_t network_order) {
    unsigned char b[4];
    std::memcpy(b, &network_order, 4);
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
    return text;
}

std::string mac(const uint8_t m[6]) {
    char text[16];
    std::snprintf(text, sizeof text, "%02x%02x.%02x%02x.%02x%02x", m[0], m[1], m[2], m[3], m[4], m[5]);
    return text;
}

std::string ifport_text(const ifport &p) {
    char text[40];
    std::snprintf(text, sizeof text, "%d/%d/%d", p.unit, p.slot, p.port);
    return text;
}

const char *yes_no(int32_t v) { return v ? "yes" : "no"; }

std::string port_kind(const ifport &p) {
    std::string kind = kel_is_system_geport(&p)   ? "gigabit"
                       : kel_is_system_feport(&p) ? "fast-ethernet"
                                                  : "-";
    if (kel_is_stack_smart_port(&p)) kind += " stack";
    return kind;
}

}  // namespace kelctl
