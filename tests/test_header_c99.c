/* The public header compiles as strict C99; prototypes are checked by use. */
#include "kel.h"

int kel_header_c99_check(void);

int kel_header_c99_check(void) {
    ifport p = {1, 0, 1};
    iflist ports = {{0}};
    vlanlist vlans = {{0}};
    kel_ioreq block = {0};
    uint32_t count = 0;
    block.cmd = 0x0002;
    (void)kel_iflist_port_count(&ports);
    (void)kel_vlanlist_is_empty(&vlans);
    (void)kel_is_system_ifport(&p);
    (void)kel_system_nr_ports_get(&count);
    return (int)sizeof block + (int)crc_table[1] + kel_error[0].code;
}
