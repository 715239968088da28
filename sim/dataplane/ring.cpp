// ring.cpp - a port's packet socket: receive ring and batched sends.
#include "dataplane/ring.h"

#include <arpa/inet.h>
#include <errno.h>
#include <linux/if_ether.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace kelsim {

namespace {

constexpr uint32_t kMinFrame = 60;
const uint8_t kZeros[kMinFrame] = {};

bool fail(char *err, size_t size, const char *what) {
    std::snprintf(err, size, "%s: %s", what, std::strerror(errno));
    return false;
}

}  // namespace

PortRing::~PortRing() {
    if (rx_) munmap(rx_, rx_len_);
    if (fd_ >= 0) close(fd_);
}

bool PortRing::open(int ifindex, const RingSize &size, char *err, size_t err_size) {
    size_ = size;
    // Protocol 0 receives nothing until bind: no frame of another interface
    // slips in while the ring is being set up.
    fd_ = socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0) return fail(err, err_size, "packet socket");
    int v3 = TPACKET_V3, reserve = 4, one = 1, sndbuf = 4 << 20;
    if (setsockopt(fd_, SOL_PACKET, PACKET_VERSION, &v3, sizeof v3) != 0)
        return fail(err, err_size, "PACKET_VERSION 3");
    if (setsockopt(fd_, SOL_PACKET, PACKET_RESERVE, &reserve, sizeof reserve) != 0)
        return fail(err, err_size, "PACKET_RESERVE");
    // The dataplane's own sends are not received back, and go to the
    // device without a queueing discipline.
    if (setsockopt(fd_, SOL_PACKET, PACKET_IGNORE_OUTGOING, &one, sizeof one) != 0)
        return fail(err, err_size, "PACKET_IGNORE_OUTGOING (Linux 4.20 or later)");
    setsockopt(fd_, SOL_PACKET, PACKET_QDISC_BYPASS, &one, sizeof one);
    if (setsockopt(fd_, SOL_SOCKET, SO_SNDBUFFORCE, &sndbuf, sizeof sndbuf) != 0)
        setsockopt(fd_, SOL_SOCKET, SO_SNDBUF, &sndbuf, sizeof sndbuf);
    tpacket_req3 req{};
    req.tp_block_size = size.rx_block;
    req.tp_block_nr = size.rx_blocks;
    req.tp_frame_size = 2048;
    req.tp_frame_nr = size.rx_block / 2048 * size.rx_blocks;
    req.tp_retire_blk_tov = 1;  // ms: a block that is not full reaches the dataplane this late at most
    if (setsockopt(fd_, SOL_PACKET, PACKET_RX_RING, &req, sizeof req) != 0)
        return fail(err, err_size, "PACKET_RX_RING");
    rx_len_ = static_cast<size_t>(size.rx_block) * size.rx_blocks;
    void *map = mmap(nullptr, rx_len_, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
    if (map == MAP_FAILED) return rx_ = nullptr, fail(err, err_size, "mapping the receive ring");
    rx_ = static_cast<uint8_t *>(map);
    sockaddr_ll at{};
    at.sll_family = AF_PACKET;
    at.sll_protocol = htons(ETH_P_ALL);
    at.sll_ifindex = ifindex;
    if (bind(fd_, reinterpret_cast<sockaddr *>(&at), sizeof at) != 0) return fail(err, err_size, "bind");
    std::memset(msg_, 0, sizeof msg_);
    return true;
}

bool PortRing::begin_block() {
    auto *b = reinterpret_cast<tpacket_block_desc *>(rx_ + static_cast<size_t>(block_) * size_.rx_block);
    if (!(__atomic_load_n(&b->hdr.bh1.block_status, __ATOMIC_ACQUIRE) & TP_STATUS_USER)) return false;
    cur_ = b;
    left_ = b->hdr.bh1.num_pkts;
    pkt_ = reinterpret_cast<tpacket3_hdr *>(reinterpret_cast<uint8_t *>(b) + b->hdr.bh1.offset_to_first_pkt);
    return true;
}

bool PortRing::next(RxFrame *out) {
    if (!left_) return false;
    tpacket3_hdr *h = pkt_;
    out->data = reinterpret_cast<uint8_t *>(h) + h->tp_mac;
    out->len = h->tp_snaplen;
    out->wire_len = h->tp_len;
    out->has_tag = (h->tp_status & TP_STATUS_VLAN_VALID) != 0;
    out->vlan_tci = static_cast<uint16_t>(h->hv1.tp_vlan_tci);
    out->vlan_tpid =
        static_cast<uint16_t>(h->tp_status & TP_STATUS_VLAN_TPID_VALID ? h->hv1.tp_vlan_tpid : 0x8100);
    out->sec = h->tp_sec;
    out->nsec = h->tp_nsec;
    if (--left_) pkt_ = reinterpret_cast<tpacket3_hdr *>(reinterpret_cast<uint8_t *>(h) + h->tp_next_offset);
    return true;
}

void PortRing::end_block() {
    __atomic_store_n(&cur_->hdr.bh1.block_status, TP_STATUS_KERNEL, __ATOMIC_RELEASE);
    block_ = (block_ + 1) % size_.rx_blocks;
    cur_ = nullptr;
    left_ = 0;
}

const iovec *PortRing::queue(const uint8_t *head, const uint8_t *tag, const uint8_t *rest, uint32_t rest_len,
                             int *pieces) {
    iovec *v = iov_[count_];
    int n = 0;
    uint32_t len = 0;
    // Pieces that follow each other in memory go as one (a frame sent as it came).
    auto add = [&](const uint8_t *p, uint32_t k) {
        if (n && static_cast<uint8_t *>(v[n - 1].iov_base) + v[n - 1].iov_len == p)
            v[n - 1].iov_len += k;
        else
            v[n++] = {const_cast<uint8_t *>(p), k};
        len += k;
    };
    add(head, 12);
    if (tag && tag != head + 12) {
        std::memcpy(tag_[count_], tag, 4);
        tag = tag_[count_];
    }
    if (tag) add(tag, 4);
    add(rest, rest_len);
    if (len < kMinFrame) add(kZeros, kMinFrame - len);
    msghdr &h = msg_[count_++].msg_hdr;
    h.msg_iov = v;
    h.msg_iovlen = static_cast<size_t>(n);
    *pieces = n;
    return v;
}

uint32_t PortRing::send_batch() {
    uint32_t done = 0;
    bool down_told = false;
    while (done < count_) {
        int n = sendmmsg(fd_, msg_ + done, count_ - done, MSG_DONTWAIT);
        if (n > 0) {
            done += static_cast<uint32_t>(n);
            continue;
        }
        // The kernel tells a packet socket once that its interface went
        // down (also when it was down at bind): that report is not about
        // this batch.
        if (n < 0 && (errno == EINTR || (errno == ENETDOWN && !down_told))) {
            down_told = down_told || errno == ENETDOWN;
            continue;
        }
        break;  // the rest is lost: no room (EAGAIN, ENOBUFS) or the link is down
    }
    return done;
}

uint32_t PortRing::lost() {
    tpacket_stats_v3 st{};
    socklen_t len = sizeof st;
    if (getsockopt(fd_, SOL_PACKET, PACKET_STATISTICS, &st, &len) != 0) return 0;
    return st.tp_drops;
}

}  // namespace kelsim
