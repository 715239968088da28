// VLAN names through the simulated driver: kel_vlan_name_set with every
// length, then kel_vlan_name_get into an exact-size buffer and the lookup by
// name. The driver must honour len both ways and never read or write past
// the caller's buffers.
#include <cstdlib>
#include <initializer_list>

#include "kel.h"
#include "sim_switch.h"
#include "text_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::open_switch();
    static const bool created = kel_vlan_create(100) == 0;
    (void)created;
    // The name as the caller's exact-size buffer, not terminated.
    char *name = new char[size ? size : 1];
    if (size) std::memcpy(name, data, size);
    int32_t rc = kel_vlan_name_set(100, name, static_cast<uint32_t>(size));
    delete[] name;
    for (uint32_t len : {0u, 1u, 8u, 33u}) {
        char *out = len ? new char[len] : nullptr;
        int32_t got = kel_vlan_name_get(100, out, len);
        if (got == 0 && strnlen(out, len) == len) std::abort();  // terminated within len
        delete[] out;
    }
    fuzz::Text text(data, size);
    vlaninfo info;
    int32_t found = kel_vlan_get_by_name(text.get(), &info);
    if (rc == 0 && std::strlen(text.get()) == size && found != 0) std::abort();  // a name just set is found
    return 0;
}
