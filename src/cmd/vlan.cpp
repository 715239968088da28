// vlan.cpp - the VLAN commands (family 0x06): create, destroy, name, the
// list of VLANs that exist, and one VLAN's record by id or by name.
//
// The library tests no id and no length here; the driver decides which VLANs
// exist and how long a name may be. Buffers travel by address and belong to
// the caller.
#include "../util/guard.h"

#include "../io/request.h"

using kel::Request;
namespace slot = kel::slot;

extern "C" {

int32_t kel_vlan_create(uint32_t vid) { return Request(0x0601).set(slot::vid, vid).send(); }
int32_t kel_vlan_destroy(uint32_t vid) { return Request(0x0602).set(slot::vid, vid).send(); }
int32_t kel_vlanlist_get(vlanlist *vlans) { return Request(0x0603).buffer(vlans).send(); }

int32_t kel_vlan_get(uint32_t vid, vlaninfo *info) {
    return Request(0x0604).set(slot::vid, vid).buffer(info).send();
}

int32_t kel_vlan_name_set(uint32_t vid, const char *name, uint32_t len) {
    return Request(0x0605).set(slot::vid, vid).buffer(name, len).send();
}

int32_t kel_vlan_name_get(uint32_t vid, char *name, uint32_t len) {
    return Request(0x0606).set(slot::vid, vid).buffer(name, len).send();
}

int32_t kel_vlan_get_by_name(const char *name, vlaninfo *info) {
    // The lookup's own result is not looked at: a name the driver does not
    // know leaves vid 0, and the driver's answer for VLAN 0 is the result.
    Request lookup(0x0607);
    lookup.buffer(name).send();
    return kel_vlan_get(lookup->vid, info);
}

}  // extern "C"
