#!/usr/bin/env bash
# lacp_e2e.sh - LACP on the wire, as root, in network namespaces of its own:
# two kelsim switches joined by two cables, each pair of ends a dynamic
# trunk. Both members aggregate, the library reads each member's state and
# kelsim the partners; a ping crosses; a member whose LACPDUs stop leaves
# after the fast rate's timeout and comes back; a flood of malformed
# LACPDUs is dropped and counted.
#   lacp_e2e.sh KELSIM KELCTL
source "$(dirname "$0")/e2e_switches.sh"

# switch NAME MAC IP: a kelsim switch of four ports, fa1/0/1-2 a dynamic trunk
# at LACP's fast rate, its host ends in namespace NAME (also the host behind
# fa1/0/3). The spanning tree is off: it would see the trunk's members as a loop.
switch() {
    ip netns add "$1"
    ip -n "$1" link set lo up
    "$kelsim" --state "$dir/$1" --topology 4fe mac "$2" && "$kelsim" --state "$dir/$1" lacp-rate fast &&
        ctl "$1" spanning-tree disable && ctl "$1" trunk dynamic 1 fa1/0/1-2 || return 1
    "$kelsim" --state "$dir/$1" dataplane --netns "$1" 2>>"$dir/dataplane.log" &
    dps+=($!)
    for _ in $(seq 200); do ip -n "$1" link show fa1-0-4 >/dev/null 2>&1 && break; sleep 0.05; done
    ip -n "$1" addr add "$3/24" dev fa1-0-3
}

# wire NS1 IF1 NS2 IF2: a cable between two ports' host ends (as in stp_e2e.sh).
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
until_ok() {
    local n=$(($1 * 5))
    shift
    for _ in $(seq "$n"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.2; done
    return 1
}
distributing() { ctl "$1" show lacp 1 | grep -c 'collecting,distributing'; }

switch a 02:00:00:00:00:0a 10.0.0.1 && switch b 02:00:00:00:00:0b 10.0.0.2
ctl b lacp system-priority 100
wire a fa1-0-1 b fa1-0-1 && wire a fa1-0-2 b fa1-0-2
until_ok 6 eval '[ "$(distributing a)" = 2 ] && [ "$(distributing b)" = 2 ]'
check "both members of each side aggregate: the library reads their state" 0 \
    "^1 +fa1/0/2 .*active,short-timeout,aggregatable,in-sync,collecting,distributing$" -- ctl a show lacp 1
check "and the other side's" 0 "^1 +fa1/0/1 .*in-sync,collecting,distributing$" -- ctl b show lacp 1
check "kelsim reads the partner: the other switch, its priority, its key, its port" 0 \
    "^1/0/2 trunk 1 state 0x3f collecting-distributing partner 100/0200.0000.000b key 1 port 32768/2 state 0x3f" -- \
    "$kelsim" --state "$dir/a" lacp
check "a ping crosses the trunk" 0 " 0% packet loss" -- ip netns exec a ping -c 3 -i 0.2 -W 2 10.0.0.2

# The second cable stops carrying a's frames to b (the link stays up): b's member hears nothing.
tc filter del dev w2a parent ffff:
# Each poll reads b's members once; the member left after the start of the
# last poll that still saw it distribute and before the end of the first that
# did not (kelctl may take long on a loaded machine, under a sanitizer).
ms() { echo $(($(date +%s%N) / 1000000)); }
start=$(ms) seen=$start
for _ in $(seq 80); do
    t=$(ms) out=$(ctl b show lacp 1)
    [ "$(grep -c 'collecting,distributing' <<<"$out")" = 1 ] && break
    seen=$t
    sleep 0.1
done
left=$(ms)
check "b's silent member leaves the trunk, its partner expired" 0 "^1 +fa1/0/2 .*in-sync,expired$" -- echo "$out"
check "after the fast rate's timeout (3 s from the last LACPDU, sent up to 1 s before)" 0 "^ok$" -- \
    eval "[ $((left - start)) -ge 1900 ] && [ $((seen - start)) -le 4500 ] && echo ok ||
        echo left between $((seen - start)) and $((left - start)) ms"
# b's member forgets its partner 3 s later (defaulted, out of sync): a's leaves then.
until_ok 8 eval '[ "$(distributing a)" = 1 ]'
check "b's member defaulted" 0 "^1 +fa1/0/2 .*active,short-timeout,aggregatable,defaulted$" -- ctl b show lacp 1
check "and a's member, its partner out of sync, leaves too" 0 "^1$" -- distributing a
check "a ping crosses by the member left" 0 " 0% packet loss" -- ip netns exec a ping -c 3 -i 0.2 -W 2 10.0.0.2
tc filter add dev w2a parent ffff: protocol all u32 match u32 0 0 action mirred egress redirect dev w2b
until_ok 8 eval '[ "$(distributing a)" = 2 ] && [ "$(distributing b)" = 2 ]'
check "the cable carries again: the member comes back" 0 "^2$" -- distributing b

# ---- A flood of malformed LACPDUs into one member: dropped, counted -------------------
python3 - w2b <<'PY'  # (what is sent on a cable's end goes into b's port)
import socket, sys
s = socket.socket(socket.AF_PACKET, socket.SOCK_RAW)
s.bind((sys.argv[1], 0))
head = bytes.fromhex("0180c2000002" "020000000099")
good = b"\x01\x01" + b"\x01\x14" + bytes(18) + b"\x02\x14" + bytes(18) + b"\x03\x10" + bytes(14) + bytes(52)
bad = [
    head + b"\x08\x00" + bytes(46),                         # no slow protocol
    head + b"\x88\x09\x01\x01\x01\x14" + bytes(40),         # cut short
    head + b"\x88\x09\x01\x00" + good[2:],                  # version 0
    head + b"\x88\x09" + good[:2] + b"\x01\x13" + good[4:],  # an actor block of the wrong length
]
for i in range(1000):
    s.send(bad[i % 4].ljust(60, b"\0"))
PY
until_ok 2 eval '"$kelsim" --state "$dir/b" lacp | grep -q "^1/0/2 .*refused 1000"'
check "a flood of malformed LACPDUs is refused and counted" 0 "^1/0/2 .*refused 1000$" -- "$kelsim" --state "$dir/b" lacp
check "and the member still distributes" 0 "^2$" -- distributing b
finish
