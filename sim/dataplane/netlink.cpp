// netlink.cpp - rtnetlink and ethtool requests of the dataplane.
#include "dataplane/netlink.h"

#include <errno.h>
#include <linux/ethtool.h>
#include <linux/if.h>
#include <linux/if_link.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <linux/sockios.h>
#include <linux/veth.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace kelsim {

namespace {

// A request being built: a header, an ifinfomsg, then attributes, nested
// ones by begin/end.
struct Message {
    alignas(NLMSG_ALIGNTO) uint8_t buf[1024];
    nlmsghdr *h = reinterpret_cast<nlmsghdr *>(buf);

    Message(uint16_t type, uint16_t flags) {
        std::memset(buf, 0, sizeof buf);
        h->nlmsg_len = NLMSG_LENGTH(sizeof(ifinfomsg));
        h->nlmsg_type = type;
        h->nlmsg_flags = static_cast<uint16_t>(NLM_F_REQUEST | NLM_F_ACK | flags);
    }
    ifinfomsg *info() { return static_cast<ifinfomsg *>(NLMSG_DATA(h)); }
    void *tail() { return buf + NLMSG_ALIGN(h->nlmsg_len); }
    rtattr *add(uint16_t type, const void *data, size_t len) {
        auto *a = static_cast<rtattr *>(tail());
        a->rta_type = type;
        a->rta_len = static_cast<uint16_t>(RTA_LENGTH(len));
        if (len) std::memcpy(RTA_DATA(a), data, len);
        h->nlmsg_len = NLMSG_ALIGN(h->nlmsg_len) + RTA_ALIGN(a->rta_len);
        return a;
    }
    rtattr *begin(uint16_t type) { return add(type, nullptr, 0); }
    void end(rtattr *a) {
        a->rta_len = static_cast<uint16_t>(static_cast<uint8_t *>(tail()) - reinterpret_cast<uint8_t *>(a));
    }
    void add_text(uint16_t type, const char *s) { add(type, s, std::strlen(s) + 1); }
    void add_u32(uint16_t type, uint32_t v) { add(type, &v, sizeof v); }
};

}  // namespace

Netlink::~Netlink() {
    if (fd_ >= 0) close(fd_);
}

bool Netlink::open(char *err, size_t err_size) {
    fd_ = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd_ < 0) {
        std::snprintf(err, err_size, "rtnetlink socket: %s", std::strerror(errno));
        return false;
    }
    return true;
}

// Sends a request and reads the kernel's acknowledgement: 0 or -errno; the
// index of the link the kernel describes in its answer goes to *index, and
// whether its queueing discipline is the one that drops everything to *noop.
int Netlink::request(void *msg, uint32_t len, int *index, bool *noop) {
    auto *h = static_cast<nlmsghdr *>(msg);
    h->nlmsg_seq = ++seq_;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (sendto(fd_, msg, len, 0, reinterpret_cast<sockaddr *>(&kernel), sizeof kernel) < 0) return -errno;
    alignas(NLMSG_ALIGNTO) uint8_t answer[8192];
    for (;;) {
        ssize_t n = recv(fd_, answer, sizeof answer, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -errno;
        }
        for (auto *a = reinterpret_cast<nlmsghdr *>(answer); NLMSG_OK(a, static_cast<uint32_t>(n));
             a = NLMSG_NEXT(a, n)) {
            if (a->nlmsg_seq != seq_) continue;
            if (a->nlmsg_type == NLMSG_ERROR) return static_cast<nlmsgerr *>(NLMSG_DATA(a))->error;
            if (a->nlmsg_type != RTM_NEWLINK) continue;
            if (index) *index = static_cast<ifinfomsg *>(NLMSG_DATA(a))->ifi_index;
            int rest = static_cast<int>(IFLA_PAYLOAD(a));
            for (auto *at = IFLA_RTA(NLMSG_DATA(a)); noop && RTA_OK(at, rest); at = RTA_NEXT(at, rest))
                if (at->rta_type == IFLA_QDISC)
                    *noop = std::strcmp(static_cast<char *>(RTA_DATA(at)), "noop") == 0;
        }
    }
}

int Netlink::index_of(const char *name) {
    Message m(RTM_GETLINK, 0);
    m.add_text(IFLA_IFNAME, name);
    int index = 0;
    int rc = request(m.buf, m.h->nlmsg_len, &index);
    if (rc == -ENODEV) return 0;
    return rc < 0 ? rc : index;
}

bool Netlink::can_send(const char *name) {
    Message m(RTM_GETLINK, 0);
    m.add_text(IFLA_IFNAME, name);
    bool noop = true;
    return request(m.buf, m.h->nlmsg_len, nullptr, &noop) == 0 && !noop;
}

int Netlink::make_veth(const char *outer, int ns_fd, const char *inner, uint32_t mtu) {
    Message m(RTM_NEWLINK, NLM_F_CREATE | NLM_F_EXCL);
    m.info()->ifi_flags = IFF_UP;
    m.info()->ifi_change = IFF_UP;
    m.add_text(IFLA_IFNAME, outer);
    m.add_u32(IFLA_NET_NS_FD, static_cast<uint32_t>(ns_fd));
    rtattr *link = m.begin(IFLA_LINKINFO);
    m.add_text(IFLA_INFO_KIND, "veth");
    rtattr *data = m.begin(IFLA_INFO_DATA);
    rtattr *peer = m.begin(VETH_INFO_PEER);
    ifinfomsg peer_info{};
    peer_info.ifi_flags = IFF_NOARP;
    peer_info.ifi_change = IFF_UP | IFF_NOARP;
    // The peer's ifinfomsg is the payload's head; attributes follow it.
    std::memcpy(m.tail(), &peer_info, sizeof peer_info);
    m.h->nlmsg_len += NLMSG_ALIGN(sizeof peer_info);
    m.add_text(IFLA_IFNAME, inner);
    m.add_u32(IFLA_MTU, mtu);
    m.end(peer);
    m.end(data);
    m.end(link);
    return request(m.buf, m.h->nlmsg_len);
}

int Netlink::set_up(int index, bool up) {
    Message m(RTM_NEWLINK, 0);
    m.info()->ifi_index = index;
    m.info()->ifi_flags = up ? IFF_UP : 0;
    m.info()->ifi_change = IFF_UP;
    return request(m.buf, m.h->nlmsg_len);
}

int Netlink::remove(int index) {
    Message m(RTM_DELLINK, 0);
    m.info()->ifi_index = index;
    return request(m.buf, m.h->nlmsg_len);
}

int whole_frames_only(int sock, const char *name) {
    ethtool_value off{ETHTOOL_STXCSUM, 0};
    ifreq r{};
    std::snprintf(r.ifr_name, sizeof r.ifr_name, "%s", name);
    r.ifr_data = reinterpret_cast<char *>(&off);
    if (ioctl(sock, SIOCETHTOOL, &r) != 0) return -errno;
    ethtool_value tso{ETHTOOL_STSO, 0};
    r.ifr_data = reinterpret_cast<char *>(&tso);
    ioctl(sock, SIOCETHTOOL, &r);  // gone with checksumming already
    return 0;
}

}  // namespace kelsim
