// The list parsers: kel_cli_iflist_get against a simulated switch and
// kel_cli_vlanlist_get. A port list that parses holds only ports that
// exist; a VLAN list only ids 1..4094. A syntax error leaves the output
// untouched.
#include <cstdlib>

#include "kel.h"
#include "sim_switch.h"
#include "text_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::open_switch();
    fuzz::Text text(data, size);

    iflist ports;
    std::memset(&ports, 0xEE, sizeof ports);
    int32_t rc = kel_cli_iflist_get(text.get(), &ports);
    if (rc == 0) {
        // Every member exists: counting only existing ports finds them all.
        uint32_t bits = 0;
        for (uint32_t w : ports.word) bits += static_cast<uint32_t>(__builtin_popcount(w));
        if (kel_iflist_port_count(&ports) != bits) std::abort();
    } else if (rc != KEL_ERR_FORMAT && rc != KEL_ERR_NO_IF) {
        std::abort();
    }

    vlanlist vlans;
    std::memset(&vlans, 0xEE, sizeof vlans);
    rc = kel_cli_vlanlist_get(text.get(), &vlans);
    if (rc == 0) {
        if (vlans.word[127] >> 30) std::abort();  // 4095 and 4096 never set
    } else if (rc != KEL_ERR_FORMAT) {
        std::abort();
    }
    return 0;
}
