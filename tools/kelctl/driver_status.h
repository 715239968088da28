// driver_status.h - the statuses the switch driver answers in a request
// block when it cannot honour a request, with their meaning. The library
// hands them back unchanged as the result of the command; kelctl shows them
// with these texts. (kelsim answers exactly these.)
#pragma once

#include <cstdint>

namespace kelctl {

struct DriverStatus {
    int32_t code;
    const char *text;
};

constexpr DriverStatus kDriverStatuses[] = {
    {-201, "unknown command"},  {-202, "no such unit or port"}, {-203, "bad value"},
    {-204, "buffer too small"}, {-205, "no such entry"},        {-206, "table full"},
    {-207, "entry exists"},     {-208, "null buffer"},          {-209, "not permitted"},
    {-210, "end of table"},
};

}  // namespace kelctl
