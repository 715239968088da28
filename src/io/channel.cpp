// channel.cpp - the process-wide channel to the switch driver.
//
// One AF_INET socket serves as the handle for the private control request on
// "sw0". Its descriptor is the library's only mutable state: -1 until
// kel_io_init opens it, then fixed for the life of the process.
#include "../util/guard.h"

#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

#include "kel.h"

namespace {

std::atomic<int> channel{-1};
static_assert(std::atomic<int>::is_always_lock_free);
// The interface request is 32 bytes on the 32-bit target: name, data pointer, zeros.
static_assert(sizeof(void *) != 4 || sizeof(struct ifreq) == 32);

}  // namespace

extern "C" int32_t kel_io_init(void) {
    if (channel.load(std::memory_order_acquire) != -1) return 0;
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd == -1) return KEL_ERR_IO;
    // Two threads may open at once: the first to publish wins, the other
    // closes its socket, and both see the channel open.
    int expected = -1;
    if (!channel.compare_exchange_strong(expected, fd, std::memory_order_acq_rel)) ::close(fd);
    return 0;
}

extern "C" int32_t kel_ioctl(uint32_t request, void *data) {
    struct ifreq ifr;
    std::memset(&ifr, 0, sizeof ifr);
    std::memcpy(ifr.ifr_name, KEL_IFNAME, sizeof KEL_IFNAME);
    ifr.ifr_data = static_cast<char *>(data);
    int fd = channel.load(std::memory_order_acquire);
    if (fd == -1) return KEL_ERR_IO;
    return ::ioctl(fd, request, &ifr);
}
