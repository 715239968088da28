#!/usr/bin/env python3
"""mcast_host.py - a host's side of IP multicast, for igmp_dhcp_e2e.sh.

  join IFACE GROUP           joins GROUP on IFACE (the kernel sends its IGMP
                             reports), prints "joined" and holds the group
                             until SIGTERM (or a minute); then leaves (the
                             kernel sends its leave)
  send IFACE GROUP PORT N    sends N UDP datagrams to GROUP:PORT out of IFACE,
                             then one to all hosts (224.0.0.1:PORT), the end
  count IFACE GROUP PORT S   counts the frames to GROUP:PORT that reach IFACE,
                             member or not (a packet socket), until the end
                             comes or S seconds pass; prints "ready" once
                             listening, then the count
"""
import signal
import socket
import struct
import sys
import time


def address_of(iface):
    import fcntl
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    req = struct.pack("256s", iface.encode())
    return socket.inet_ntoa(fcntl.ioctl(s.fileno(), 0x8915, req)[20:24])  # SIOCGIFADDR


def join(iface, group):
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    mreq = socket.inet_aton(group) + socket.inet_aton(address_of(iface))
    s.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP, mreq)
    signal.signal(signal.SIGTERM, lambda *_: None)
    signal.signal(signal.SIGALRM, lambda *_: None)
    signal.alarm(60)
    print("joined", flush=True)
    signal.pause()
    s.setsockopt(socket.IPPROTO_IP, socket.IP_DROP_MEMBERSHIP, mreq)
    s.close()


def send(iface, group, port, n):
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_IF, socket.inet_aton(address_of(iface)))
    s.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_TTL, 1)
    for i in range(n):
        s.sendto(b"kel %d" % i, (group, port))
    s.sendto(b"end", ("224.0.0.1", port))


def count(iface, group, port, seconds):
    s = socket.socket(socket.AF_PACKET, socket.SOCK_RAW, socket.htons(0x0800))
    s.bind((iface, 0x0800))
    want_dst, end_dst, n = socket.inet_aton(group), socket.inet_aton("224.0.0.1"), 0
    print("ready", flush=True)
    end = time.monotonic() + seconds
    while (left := end - time.monotonic()) > 0:
        s.settimeout(left)
        try:
            f = s.recv(2048)
        except socket.timeout:
            break
        ip = f[14:]
        if len(ip) < 28 or ip[9] != 17 or struct.unpack("!H", ip[(ip[0] & 15) * 4 + 2:][:2])[0] != port:
            continue
        if ip[16:20] == end_dst:
            break
        n += ip[16:20] == want_dst
    print(n, flush=True)


if __name__ == "__main__":
    what, args = sys.argv[1], sys.argv[2:]
    if what == "join":
        join(*args)
    elif what == "send":
        send(args[0], args[1], int(args[2]), int(args[3]))
    elif what == "count":
        count(args[0], args[1], int(args[2]), float(args[3]))
    else:
        sys.exit(__doc__)
