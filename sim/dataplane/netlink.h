// netlink.h - the link operations the dataplane needs, by rtnetlink
// requests (no helper program): a veth pair whose ends live in two network
// namespaces, a link set up or down, a link found by name, a link removed;
// and, by ethtool requests, a host end that hands the switch whole frames.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelsim {

// An rtnetlink socket of the network namespace the calling thread is in
// when it is opened. Every request waits for the kernel's answer.
class Netlink {
public:
    Netlink() = default;
    ~Netlink();
    Netlink(const Netlink &) = delete;
    Netlink &operator=(const Netlink &) = delete;

    bool open(char *err, size_t err_size);
    // The index of the interface named name; 0 when there is none; -errno
    // when the kernel could not answer.
    int index_of(const char *name);
    // Makes a veth pair: the end named outer in the namespace ns_fd,
    // administratively up; the end named inner here, down, without ARP,
    // taking frames up to mtu bytes. 0 or -errno (-EEXIST: outer's name is taken).
    int make_veth(const char *outer, int ns_fd, const char *inner, uint32_t mtu);
    // Whether the interface named name can send: the kernel has given it
    // its queueing discipline, which it does a moment after its carrier
    // came on (until then it drops what is sent).
    bool can_send(const char *name);
    int set_up(int index, bool up);  // 0 or -errno
    int remove(int index);           // 0 or -errno

private:
    int request(void *msg, uint32_t len, int *index = nullptr, bool *noop = nullptr);
    int fd_ = -1;
    uint32_t seq_ = 0;
};

// Turns off transmit checksumming (and with it segmentation offload) of an
// interface of the namespace of sock (a datagram socket): the host's stack
// then hands the switch complete frames of at most its MTU, as a host does
// to a real switch. 0 or -errno.
int whole_frames_only(int sock, const char *name);

}  // namespace kelsim
