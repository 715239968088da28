/* A program built against the installed library: it asks the switch for
 * its port count through kelsim and checks the CRC-32 check value; the
 * driver's header is installed beside kel.h. */
#include <stdio.h>

#include <kel.h>
#include <kel_driver.h>

int main(void) {
    const uint8_t check[] = "123456789";
    uint32_t ports = 0;
    if (kel_crc32(0, check, 9) != 0xCBF43926u) return 3;
    if (kel_io_init() != 0) return 4;
    int32_t rc = kel_system_nr_ports_get(&ports);
    printf("ports %u rc %d %s\n", (unsigned)ports, (int)rc, kel_drv_status_text(rc));
    return 0;
}
