// pcap.h - a capture file of one port's frames as they are on the wire
// there, received and sent, in the classic pcap format that tcpdump -r and
// other analysers read. Writes are buffered and never made under the
// model's lock; a file that cannot be written any more is closed with one
// message on stderr, and the switch goes on.
#pragma once

#include <sys/uio.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kelsim {

class PcapFile {
public:
    PcapFile() = default;
    ~PcapFile();
    PcapFile(const PcapFile &) = delete;
    PcapFile &operator=(const PcapFile &) = delete;

    // Makes (or empties) the file: a regular file of the caller's, mode
    // 0600; a symbolic link or anything but a regular file is refused.
    bool open(const char *path, char *err, size_t err_size);
    bool is_open() const { return fd_ >= 0; }
    // One frame of n pieces, at a time of the wall clock.
    void add(const iovec *pieces, int n, uint32_t sec, uint32_t nsec);
    void flush();

private:
    void write_out(const void *p, size_t n);
    int fd_ = -1;
    std::string path_;
    std::vector<uint8_t> buf_;  // sized when the file is opened
    size_t used_ = 0;
};

}  // namespace kelsim
