/*
 * interpose.c - kelsim's stand-in for the kernel's side of the driver channel.
 *
 * Defines ioctl() and socket(). A SIOCDEVPRIVATE request whose interface
 * request names "sw0" is answered by the simulated driver; every other call
 * goes on to the C library's own function. Linked into an executable (the
 * tests) or preloaded (libkelsim.so), it sits in front of the C library for
 * calls made inside libkel.so as well.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <net/if.h>
#include <stdarg.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#ifndef SIOCDEVPRIVATE
#define SIOCDEVPRIVATE 0x89F0
#endif

int kelsim_driver_request(void *data);
int kelsim_take_socket_fault(void);

typedef int (*ioctl_fn)(int, unsigned long, ...);
typedef int (*socket_fn)(int, int, int);

static ioctl_fn next_ioctl(void) {
    static ioctl_fn fn;
    ioctl_fn f = __atomic_load_n(&fn, __ATOMIC_ACQUIRE);
    if (!f) {
        f = (ioctl_fn)dlsym(RTLD_NEXT, "ioctl");
        __atomic_store_n(&fn, f, __ATOMIC_RELEASE);
    }
    return f;
}

static socket_fn next_socket(void) {
    static socket_fn fn;
    socket_fn f = __atomic_load_n(&fn, __ATOMIC_ACQUIRE);
    if (!f) {
        f = (socket_fn)dlsym(RTLD_NEXT, "socket");
        __atomic_store_n(&fn, f, __ATOMIC_RELEASE);
    }
    return f;
}

int ioctl(int fd, unsigned long request, ...) {
    va_list ap;
    va_start(ap, request);
    void *arg = va_arg(ap, void *);
    va_end(ap);
    if (request == SIOCDEVPRIVATE && arg) {
        const struct ifreq *ifr = (const struct ifreq *)arg;
        if (strncmp(ifr->ifr_name, "sw0", IFNAMSIZ) == 0) return kelsim_driver_request(ifr->ifr_data);
    }
    ioctl_fn real = next_ioctl();
    if (!real) {
        errno = ENOSYS;
        return -1;
    }
    return real(fd, request, arg);
}

int socket(int domain, int type, int protocol) {
    if (kelsim_take_socket_fault()) {
        errno = EMFILE;
        return -1;
    }
    socket_fn real = next_socket();
    if (!real) {
        errno = ENOSYS;
        return -1;
    }
    return real(domain, type, protocol);
}
