// MAC and IPv4 text: kel_is_mac_addr, kel_mac_addr_get (and the classes of
// what it yields), kel_ippref2ipmask, kel_ip_addr_get and kel_cli_ipaddr_get.
// Each either succeeds or returns its one error code with its outputs
// untouched.
#include <arpa/inet.h>

#include <cstdlib>

#include "kel.h"
#include "text_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::Text text(data, size);
    const char *s = text.get();

    uint8_t mac[6] = {1, 2, 3, 4, 5, 6};
    int32_t is_mac = kel_is_mac_addr(s);
    int32_t rc = kel_mac_addr_get(s, mac);
    if (is_mac != (rc == 0)) std::abort();
    if (rc == 0) {
        int32_t classes =
            kel_is_ucast_mac_addr(mac) + kel_is_bcast_mac_addr(mac) + kel_is_mcast_mac_addr(mac);
        if (classes != 1) std::abort();
    } else if (rc != KEL_ERR_PARAM || mac[0] != 1 || mac[5] != 6) {
        std::abort();
    }

    uint32_t addr = 7, mask = 7;
    rc = kel_ippref2ipmask(s, &addr, &mask);
    if (rc == 0) {
        uint32_t zeros = ~ntohl(mask);  // a mask is ones from the top, then zeros
        if ((zeros & (zeros + 1)) != 0) std::abort();
    } else if (rc != KEL_ERR_PARAM || addr != 7 || mask != 7) {
        std::abort();
    }

    addr = 7;
    rc = kel_ip_addr_get(s, &addr);
    if (rc != 0 && (rc != KEL_ERR_PARAM || addr != 7)) std::abort();
    addr = 7;
    rc = kel_cli_ipaddr_get(s, &addr);
    if (rc != 0 && (rc != KEL_ERR_PARAM || addr != 7)) std::abort();
    return 0;
}
