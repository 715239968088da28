// ring.h - one port's frames to and from the kernel: an AF_PACKET socket on
// the switch's end of the port's veth pair.
//
// Receiving: a TPACKET_V3 ring. The kernel fills blocks of frames in memory
// shared with the dataplane, which reads them without a system call and
// waits in poll only when no block is ready. Sending: frames are gathered
// into a batch (pieces pointing into the received block, no copy) and handed
// to the kernel with one sendmmsg per batch. The kernel copies each frame
// into a buffer of its own, so no host socket that keeps a frame can hold
// the dataplane's memory (a transmit ring would lend its slots out).
#pragma once

#include <linux/if_packet.h>
#include <sys/socket.h>
#include <sys/uio.h>

#include <cstddef>
#include <cstdint>

namespace kelsim {

// A received frame: data has 4 bytes of headroom (PACKET_RESERVE), so that
// a VLAN tag the kernel took off can be put back in place.
struct RxFrame {
    uint8_t *data;
    uint32_t len;       // bytes captured
    uint32_t wire_len;  // bytes the frame had
    uint16_t vlan_tci;  // the tag the kernel took off, when has_tag
    uint16_t vlan_tpid;
    bool has_tag;
    uint32_t sec, nsec;  // when it arrived (wall clock)
};

struct RingSize {
    uint32_t rx_block = 1u << 16;  // bytes per receive block
    uint32_t rx_blocks = 8;
};

constexpr uint32_t kTxBatch = 64;  // frames per sendmmsg

class PortRing {
public:
    PortRing() = default;
    ~PortRing();
    PortRing(const PortRing &) = delete;
    PortRing &operator=(const PortRing &) = delete;

    // Opens the socket on an interface of the calling thread's network
    // namespace; false with the reason in err.
    bool open(int ifindex, const RingSize &size, char *err, size_t err_size);
    int fd() const { return fd_; }

    // The frames of the next block the kernel filled: begin_block answers
    // false when none is ready; next gives its frames one by one; the
    // frames stay valid until end_block hands the block back.
    bool begin_block();
    bool next(RxFrame *out);
    void end_block();

    // Adds a frame to a batch that is not full: a head (the addresses, 12
    // bytes), an optional 4-byte tag (copied unless it follows the head in
    // memory) and the rest, padded with
    // zeros to 60 bytes; the pieces must stay valid until flush. Answers the
    // pieces as queued (for a capture) and their number.
    const iovec *queue(const uint8_t *head, const uint8_t *tag, const uint8_t *rest, uint32_t rest_len,
                       int *pieces);
    bool full() const { return count_ == kTxBatch; }
    // Frame i of the batch: its length and its first byte (the group bit).
    uint32_t length(uint32_t i) const {
        uint32_t n = 0;
        for (size_t k = 0; k < msg_[i].msg_hdr.msg_iovlen; ++k)
            n += static_cast<uint32_t>(iov_[i][k].iov_len);
        return n;
    }
    const uint8_t *head(uint32_t i) const { return static_cast<const uint8_t *>(iov_[i][0].iov_base); }
    uint32_t queued() const { return count_; }
    // Hands the batch to the kernel, one system call that does not wait.
    // Calls f(i, sent) for each frame i of the batch: sent is false for
    // those the kernel refused (no room, a link going down).
    template <class F>
    void flush(F f) {
        uint32_t done = send_batch();
        for (uint32_t i = 0; i < count_; ++i) f(i, i < done);
        count_ = 0;
    }
    // Frames the kernel dropped for want of room in the receive ring since
    // the last call (a system call).
    uint32_t lost();

private:
    uint32_t send_batch();
    int fd_ = -1;
    uint8_t *rx_ = nullptr;
    size_t rx_len_ = 0;
    RingSize size_;
    uint32_t block_ = 0;
    tpacket_block_desc *cur_ = nullptr;
    tpacket3_hdr *pkt_ = nullptr;
    uint32_t left_ = 0;
    mmsghdr msg_[kTxBatch];
    iovec iov_[kTxBatch][4];
    uint8_t tag_[kTxBatch][4];
    uint32_t count_ = 0;
};

}  // namespace kelsim
