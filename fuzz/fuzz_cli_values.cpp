// The value and keyword parsers of the shell: each accepts a value within
// its range and writes it, or refuses with KEL_ERR_PARAM and writes nothing.
#include <cstdlib>

#include "kel.h"
#include "text_input.h"

namespace {

struct Parser {
    int32_t (*parse)(const char *, uint32_t *);
    uint32_t lo, hi;
};

const Parser kParsers[] = {
    {kel_cli_vlan_id_get, 1, 3000}, {kel_cli_stack_id_get, 1, 8},        {kel_cli_stack_prio_get, 1, 8},
    {kel_cli_cosq_prio_get, 0, 7},  {kel_cli_tcpudp_port_get, 1, 65535}, {kel_cli_icmp_typecode_get, 0, 255},
    {kel_cli_enable_get, 0, 1},     {kel_cli_acl_action_get, 1, 2},      {kel_cli_acl_ipprot_get, 4, 19},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::Text text(data, size);
    for (const Parser &p : kParsers) {
        uint32_t v = 0xEEEEEEEEu;
        int32_t rc = p.parse(text.get(), &v);
        if (rc == 0 ? (v < p.lo || v > p.hi) : (rc != KEL_ERR_PARAM || v != 0xEEEEEEEEu)) std::abort();
    }
    return 0;
}
