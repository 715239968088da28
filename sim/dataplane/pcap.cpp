// pcap.cpp - capture files of the ports.
#include "dataplane/pcap.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace kelsim {

namespace {

constexpr uint32_t kSnapLength = 65535;
constexpr uint32_t kLinkEthernet = 1;

struct FileHeader {
    uint32_t magic = 0xA1B2C3D4u;  // microsecond timestamps, the writer's byte order
    uint16_t major = 2, minor = 4;
    int32_t zone = 0;
    uint32_t sigfigs = 0, snaplen = kSnapLength, link = kLinkEthernet;
};

struct RecordHeader {
    uint32_t sec, usec, captured, length;
};

}  // namespace

PcapFile::~PcapFile() {
    flush();
    if (fd_ >= 0) close(fd_);
}

bool PcapFile::open(const char *path, char *err, size_t err_size) {
    int fd = ::open(path, O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0600);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ftruncate(fd, 0) != 0) {
        std::snprintf(err, err_size, "capture file %s: %s", path,
                      fd < 0 ? std::strerror(errno) : "not a regular file");
        if (fd >= 0) close(fd);
        return false;
    }
    fcntl(fd, F_SETFL, 0);
    fd_ = fd;
    path_ = path;
    buf_.resize(1 << 16);
    FileHeader h;
    write_out(&h, sizeof h);
    return true;
}

void PcapFile::add(const iovec *pieces, int n, uint32_t sec, uint32_t nsec) {
    if (fd_ < 0) return;
    uint32_t len = 0;
    for (int i = 0; i < n; ++i) len += static_cast<uint32_t>(pieces[i].iov_len);
    RecordHeader r{sec, nsec / 1000, len, len};
    write_out(&r, sizeof r);
    for (int i = 0; i < n; ++i) write_out(pieces[i].iov_base, pieces[i].iov_len);
}

void PcapFile::write_out(const void *p, size_t n) {
    while (n && fd_ >= 0) {
        if (used_ == buf_.size()) flush();
        size_t k = n < buf_.size() - used_ ? n : buf_.size() - used_;
        std::memcpy(buf_.data() + used_, p, k);
        used_ += k;
        p = static_cast<const uint8_t *>(p) + k;
        n -= k;
    }
}

void PcapFile::flush() {
    size_t done = 0;
    while (fd_ >= 0 && done < used_) {
        ssize_t w = write(fd_, buf_.data() + done, used_ - done);
        if (w > 0) {
            done += static_cast<size_t>(w);
        } else if (w < 0 && errno == EINTR) {
            continue;
        } else {
            std::fprintf(stderr, "kelsim: capture file %s: %s; no more frames are written to it\n",
                         path_.c_str(), w < 0 ? std::strerror(errno) : "nothing written");
            close(fd_);
            fd_ = -1;
        }
    }
    used_ = 0;
}

}  // namespace kelsim
