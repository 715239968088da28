#!/usr/bin/env bash
# stp_e2e.sh - the spanning tree on the wire, as root, in network namespaces
# of its own: two kelsim switches joined in a loop, then kelsim and the
# kernel's bridge (running its own spanning tree) in a loop. In each exactly
# one port blocks, the lower bridge priority wins the root, a ping crosses,
# and the library reads it all; then a link lost, and floods of malformed
# BPDUs, dropped and counted.
#   stp_e2e.sh KELSIM KELCTL
if [ "$(id -u)" != 0 ]; then
    echo "stp_e2e: skipped: needs root (network namespaces)"
    [ -n "${KEL_REQUIRE_ALL_LEGS:-}" ] && exit 1
    exit 77
fi
[ -n "${KEL_STP_NS:-}" ] || exec unshare -nm env KEL_STP_NS=1 bash "$0" "$@"
source "$(dirname "$0")/e2e_lib.sh"
dps=()
trap 'kill "${dps[@]}" 2>/dev/null; wait; rm -rf "$dir"' EXIT
mount -t tmpfs tmpfs /run
ip link set lo up
for v in all default; do echo 1 >/proc/sys/net/ipv6/conf/$v/disable_ipv6; done

ctl() { local sw=$1; shift; "$kelsim" --state "$dir/$sw" -- "$kelctl" "$@"; }

# switch NAME MAC: a kelsim switch of four ports, its host ends in namespace
# NAME (which is also the host behind fa1/0/3, an edge port), with short times.
switch() {
    ip netns add "$1"
    ip -n "$1" link set lo up
    "$kelsim" --state "$dir/$1" --topology 4fe mac "$2" &&
        ctl "$1" spanning-tree times 6 1 4 && ctl "$1" spanning-tree port fa1/0/3 edge enable || return 1
    "$kelsim" --state "$dir/$1" dataplane --netns "$1" 2>>"$dir/dataplane.log" &
    dps+=($!)
    for _ in $(seq 200); do ip -n "$1" link show fa1-0-4 >/dev/null 2>&1 && break; sleep 0.05; done
    ip -n "$1" addr add "$3/24" dev fa1-0-3
}

# wire NS1 IF1 NS2 IF2: a cable between two ports' host ends. Both come here
# under new names, and each hands what it receives to the other (tc mirred).
wires=0
wire() {
    local a=w$((++wires))a b=w${wires}b
    ip -n "$1" link set "$2" netns $$ name "$a" && ip -n "$3" link set "$4" netns $$ name "$b" || return 1
    for end in "$a $b" "$b $a"; do
        set -- $end
        ip link set "$1" up && tc qdisc add dev "$1" ingress &&
            tc filter add dev "$1" parent ffff: protocol all u32 match u32 0 0 action mirred egress redirect dev "$2"
    done
}

# The ports of a switch that take part and do not forward, as "fa1/0/2 alternate".
blocked() {
    ctl "$1" show spanning-tree fa1/0/1-2 | awk '$1 ~ /^fa/ && $(NF-1) != "forwarding" { print $1, $NF }'
}
# until SECONDS COMMAND...: runs COMMAND every 0.2 s until it succeeds.
until_ok() {
    local n=$(($1 * 5))
    shift
    for _ in $(seq "$n"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.2; done
    return 1
}
both_blocked() { blocked a; blocked b; }
none_blocked() { [ -z "$(blocked "$1")" ]; }
changes() { "$kelsim" --state "$dir/$1" spanning-tree | sed -n 's/.*topology-changes \([0-9]*\).*/\1/p'; }
kernel_states() { bridge -n k link show | grep -o 'state [a-z]*' | sort | uniq -c | tr -s ' '; }
kernel_count() { bridge -n k link show | grep -c "state $1"; }

# ---- Two kelsim switches in a loop: b's lower priority makes it the root ----------
switch a 02:00:00:00:00:0a 10.0.0.1 && switch b 02:00:00:00:00:0b 10.0.0.2
ctl b spanning-tree priority 4096
wire a fa1-0-1 b fa1-0-1 && wire a fa1-0-2 b fa1-0-2
until_ok 5 eval '[ "$(both_blocked | wc -l)" = 1 ] && ! both_blocked | grep -q designated'
check "two switches in a loop: exactly one port blocks, on the one not the root" 0 "^fa1/0/2 alternate$" -- both_blocked
check "the lower priority wins the root, and the other reads it" 0 "^Root +4096/0200.0000.000b" -- ctl a show spanning-tree
check "the root reads itself the root" 0 "^Root +this bridge" -- ctl b show spanning-tree
check "a port state by hand is refused while the tree runs" 1 "sets the port states" -- \
    "$kelsim" --state "$dir/b" stp fa1/0/1 blocking
check "the other's root port is fa1/0/1" 0 "^fa1/0/1 .*forwarding +root$" -- ctl a show spanning-tree
check "a ping crosses the loop" 0 " 0% packet loss" -- ip netns exec a ping -c 3 -i 0.2 -W 2 10.0.0.2
check "BPDUs are counted on the ports" 0 "^1/0/2 bpdu-received [1-9]" -- "$kelsim" --state "$dir/a" spanning-tree
before=$(changes a)
"$kelsim" --state "$dir/a" cable fa1/0/1 pull
until_ok 3 none_blocked a
check "the root port's cable pulled: the blocked port takes over" 0 "^fa1/0/2 .*forwarding +root$" -- \
    ctl a show spanning-tree
check "and the ping crosses again" 0 " 0% packet loss" -- ip netns exec a ping -c 2 -i 0.2 -W 2 10.0.0.2
check "a topology change is counted" 0 "^yes$" -- eval '[ "$(changes a)" -gt "$before" ] && echo yes'

# ---- kelsim and the kernel's bridge in a loop ------------------------------------------
switch c 02:00:00:00:00:0c 10.0.1.1
ip netns add k
ip -n k link add br0 type bridge stp_state 1 forward_delay 200 hello_time 100 max_age 600 priority 4096
for p in fa1-0-1 fa1-0-2; do ip -n c link set "$p" netns k && ip -n k link set "$p" master br0 up; done
ip -n k addr add 10.0.1.2/24 dev br0 && ip -n k link set br0 up
until_ok 8 eval '[ "$(kernel_count forwarding)" = 2 ] && [ "$(blocked c | wc -l)" = 1 ]'
check "with the kernel's bridge as root: one kelsim port blocks" 0 "^fa1/0/2 alternate$" -- blocked c
check "and none of the kernel's" 0 "^ 2 state forwarding$" -- kernel_states
check "kelsim reads the kernel's bridge as root" 0 "^Root +4096/" -- ctl c show spanning-tree
check "a ping crosses to the kernel's bridge" 0 " 0% packet loss" -- ip netns exec c ping -c 3 -i 0.2 -W 2 10.0.1.2

# The kernel's bridge gives way: kelsim's lower priority wins, and a kernel port blocks.
ip -n k link set br0 type bridge priority 61440
ctl c spanning-tree priority 8192
until_ok 12 eval '[ "$(kernel_count blocking)" = 1 ] && [ "$(kernel_count forwarding)" = 1 ] && none_blocked c'
check "with kelsim as root: exactly one kernel port blocks" 0 "^ 1 state blocking" -- kernel_states
check "and no kelsim port" 0 "^$" -- blocked c
check "kelsim reads itself the root" 0 "^Root +this bridge" -- ctl c show spanning-tree
check "the kernel's bridge has a root port: it is not the root" 0 "root_port [1-9]" -- ip -n k -d link show br0
until_ok 5 ip netns exec c ping -c 1 -W 1 10.0.1.2  # (frames may be lost while the tree changes)
check "a ping crosses the other way round" 0 " 0% packet loss" -- ip netns exec c ping -c 2 -i 0.2 -W 2 10.0.1.2

# ---- A flood of malformed BPDUs into one of kelsim's ports: dropped, counted ---------------
flood() {  # flood NS IF: a thousand frames to the spanning tree's address, every one malformed
    ip netns exec "$1" python3 - "$2" <<'PY'
import socket, sys
s = socket.socket(socket.AF_PACKET, socket.SOCK_RAW)
s.bind((sys.argv[1], 0))
head = bytes.fromhex("0180c2000000" "020000000099")
llc = b"\x42\x42\x03"
bad = [
    head + b"\x88\xb5" + bytes(46),                                 # an EtherType, not a length
    head + b"\x00\x05" + llc + bytes(2),                            # shorter than any BPDU
    head + b"\x00\x27" + llc + b"\x00\x01\x02\x02" + bytes(32),     # protocol identifier 1
    head + b"\x00\x26" + llc + bytes(27) + b"\x14\x00\x14\x00" + bytes(4),  # message age of the max age
]
for i in range(1000):
    s.send(bad[i % 4].ljust(60, b"\0"))
PY
}
ip -n k link set fa1-0-2 nomaster && ip -n k link set fa1-0-2 netns c && ip -n c link set fa1-0-2 up
flood c fa1-0-2
until_ok 2 eval '"$kelsim" --state "$dir/c" spanning-tree | grep -q "^1/0/2 .*refused 1000"'
check "a flood of malformed BPDUs is refused and counted" 0 "^1/0/2 .*refused 1000" -- \
    "$kelsim" --state "$dir/c" spanning-tree
check "and the switch still answers, its root unchanged" 0 "^Root +this bridge" -- ctl c show spanning-tree
finish
