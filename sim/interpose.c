/*
 * interpose.c - kelsim's stand-in for the kernel's side of the driver channel.
 *
 * Defines ioctl() and socket(). A SIOCDEVPRIVATE request whose interface
 * request names "sw0" is answered by the simulated driver, with the errors
 * the kernel gives for a bad descriptor or address; every other call goes on
 * to the C library's own function. Linked into an executable (the
 * tests) or preloaded (libkelsim.so), it sits in front of the C library for
 * calls made inside libkel.so as well.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#ifndef SIOCDEVPRIVATE
#define SIOCDEVPRIVATE 0x89F0
#endif

int kelsim_interface_request(int fd, void *arg, int *answered);
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

/* Both are looked up at load time: a lookup later could be under way in
 * one thread when another forks, and leave the child's loader locked. */
__attribute__((constructor)) static void look_up_next(void) {
    next_ioctl();
    next_socket();
}

int ioctl(int fd, unsigned long request, ...) {
    va_list ap;
    va_start(ap, request);
    void *arg = va_arg(ap, void *);
    va_end(ap);
    if (request == SIOCDEVPRIVATE) {
        int answered, rc = kelsim_interface_request(fd, arg, &answered);
        if (answered) return rc;
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
