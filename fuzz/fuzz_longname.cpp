// Whatever long name the driver reports: the short name derived from it
// (kel_ifname_short_get into an exact-size buffer) and the matching of a
// given name against it (kel_ifname2ifport). The input is split at its first
// zero byte into the driver's long name and the name to match.
#include <cstdlib>
#include <initializer_list>

#include "kel.h"
#include "sim_switch.h"
#include "text_input.h"

namespace {

const char *g_long_name = "";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::open_switch();
    fuzz::Text text(data, size);
    size_t first = std::strlen(text.get());
    const char *match = first < size ? text.get() + first + 1 : "fa1/0/1";
    g_long_name = text.get();
    // The driver writes at most len bytes, terminated, like the real one.
    kelsim::set_responder([](kel_ioreq &b) {
        if (b.cmd != 0x0001) return false;
        char *buf = static_cast<char *>(kelsim::buffer_of(b));
        size_t n = strnlen(g_long_name, b.len ? b.len - 1 : 0);
        std::memcpy(buf, g_long_name, n);
        if (b.len) buf[n] = '\0';
        return true;
    });
    const ifport p{1, 0, 1};
    for (int32_t out_len : {8, 9, 16, 32}) {
        char *out = new char[static_cast<size_t>(out_len)];
        int32_t rc = kel_ifname_short_get(&p, out, out_len);
        if (rc == 0 && std::strlen(out) >= static_cast<size_t>(out_len)) std::abort();
        if (rc != 0 && rc != KEL_ERR_PARAM) std::abort();
        delete[] out;
    }
    ifport q;
    int32_t rc = kel_ifname2ifport(match, &q);
    if (rc != 0 && rc != KEL_ERR_NO_IF && rc != KEL_ERR_FORMAT && rc != KEL_ERR_LENGTH) std::abort();
    kel_is_port_ifname(match);
    kelsim::set_responder(nullptr);
    return 0;
}
