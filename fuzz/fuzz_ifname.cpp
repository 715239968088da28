// Interface names against a simulated switch: kel_ifname2ifport, the name
// predicates, kel_ifname2vlan, and kel_vlan2ifname into a buffer of exactly
// nine bytes. Every accepted port name must name a port that exists, and the
// predicates must agree with the conversion.
#include <cstdlib>

#include "kel.h"
#include "sim_switch.h"
#include "text_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::open_switch();
    fuzz::Text text(data, size);
    const char *s = text.get();

    ifport p{9, 9, 9};
    int32_t rc = kel_ifname2ifport(s, &p);
    switch (rc) {
        case 0:
            if (!kel_is_system_ifport(&p)) std::abort();
            break;
        case KEL_ERR_LENGTH:
        case KEL_ERR_FORMAT:
            if (p.unit || p.slot || p.port) std::abort();
            break;
        case KEL_ERR_NO_IF:
            break;
        default:
            std::abort();
    }
    int32_t port_name = kel_is_port_ifname(s);
    if (port_name && (rc != 0 || !kel_is_portname_prefix(s) || !kel_is_portname_suffix(s))) std::abort();
    if (kel_is_portrange_ifname(s) && !kel_is_portname_prefix(s)) std::abort();
    if (kel_is_vlan_ifname(s) && !(kel_is_vlanname_prefix(s) && kel_is_vlanname_suffix(s))) std::abort();
    kel_is_system_ifname(s);

    int32_t vid = -1;
    if (kel_ifname2vlan(s, &vid) != 0) std::abort();

    char *out = new char[9];
    std::memset(out, '#', 9);
    int32_t want = static_cast<int32_t>(fuzz::leading_word(data, size) % 4100) - 2;
    rc = kel_vlan2ifname(want, out);
    if (rc == 0 ? std::strncmp(out, "sw0", 3) != 0 : (rc != KEL_ERR_PARAM || out[0] != '#')) std::abort();
    delete[] out;
    return 0;
}
