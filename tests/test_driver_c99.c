/* The driver's header compiles as strict C99, its layout checks included;
 * the records and the status text are checked by use. */
#include "kel_driver.h"

int kel_driver_c99_check(void);

int kel_driver_c99_check(void) {
    kel_drv_vlan vlan = {0};
    kel_drv_acl_filter filter = {0};
    kel_drv_gvrp_stats gvrp = {0};
    vlan.set[KEL_DRV_VLAN_NATIVE].word[0] = 1;
    filter.protocol = KEL_DRV_PROTO_TCP;
    gvrp.rx[KEL_DRV_GVRP_LEAVE_ALL] = KEL_DRV_COUNTERS;
    return kel_drv_status_text(KEL_DRV_ERR_END_OF_TABLE)[0] + (int)vlan.set[3].word[0] +
           (int)filter.protocol + (int)gvrp.rx[5];
}
