#!/usr/bin/env bash
# gvrp_e2e.sh - GVRP on the wire, as root, in network namespaces of its own:
# two kelsim switches joined by a cable, GVRP on at both ends, the GARP
# times shortened. VLAN 10 exists on a only; b's host port is set to use it
# before it exists. Once b's end runs GVRP, b registers VLAN 10 from a's
# declaration (a dynamic VLAN, the cable's port a tagged member) and a ping
# crosses in it; VLAN 10 destroyed on a, b's registration and VLAN end after
# the leave time; a flood of malformed GVRP PDUs is dropped and counted.
#   gvrp_e2e.sh KELSIM KELCTL
source "$(dirname "$0")/e2e_switches.sh"

# switch NAME MAC IP: a kelsim switch of four ports, its host ends in
# namespace NAME (also the host behind fa1/0/3, in VLAN 10); fa1/0/1, the
# cable's end, a trunk port with GVRP on and GARP times of 100, 300 and
# 2000 ms. The spanning tree is off (no loop here, and no wait to forward).
switch() {
    ip netns add "$1"
    ip -n "$1" link set lo up
    "$kelsim" --state "$dir/$1" --topology 4fe mac "$2" && ctl "$1" spanning-tree disable &&
        ctl "$1" gvrp enable && ctl "$1" gvrp timers fa1/0/1 10 30 200 &&
        ctl "$1" interface fa1/0/1 vlan-mode trunk 1 && ctl "$1" interface fa1/0/3 vlan-mode access 10 || return 1
    "$kelsim" --state "$dir/$1" dataplane --netns "$1" 2>>"$dir/dataplane.log" &
    dps+=($!)
    for _ in $(seq 200); do ip -n "$1" link show fa1-0-4 >/dev/null 2>&1 && break; sleep 0.05; done
    ip -n "$1" addr add "$3/24" dev fa1-0-3
}
wire() {  # wire NS1 IF1 NS2 IF2: a cable between two ports' host ends (as in stp_e2e.sh)
    ip -n "$1" link set "$2" netns $$ name w1a && ip -n "$3" link set "$4" netns $$ name w1b || return 1
    for end in "w1a w1b" "w1b w1a"; do
        set -- $end
        ip link set "$1" up && tc qdisc add dev "$1" ingress &&
            tc filter add dev "$1" parent ffff: protocol all u32 match u32 0 0 action mirred egress redirect dev "$2"
    done
}
until_ok() {
    local n=$(($1 * 20))
    shift
    for _ in $(seq "$n"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.05; done
    return 1
}
registered() { "$kelsim" --state "$dir/$1" gvrp | grep -q "^1/0/1 registered $2 "; }

switch a 02:00:00:00:00:0a 10.0.0.1 && switch b 02:00:00:00:00:0b 10.0.0.2 || echo "switches: setup failed"
ctl a vlan create 10 && ctl a interface fa1/0/1 allowed-vlan add 10 && ctl a gvrp port fa1/0/1 gvrp enable ||
    echo "a: setup failed"
wire a fa1-0-1 b fa1-0-1

# b's end does not run GVRP yet: VLAN 10 exists on a alone, and no ping crosses.
check "b has no VLAN 10 while its end does not run GVRP" 1 "VLAN 10 does not exist" -- ctl b show vlan 10
check "a's host cannot reach b's" 1 "100% packet loss" -- ip netns exec a ping -c 2 -i 0.2 -W 1 10.0.0.2
check "a's PDUs reach b's port and are not counted there" 0 "^fa1/0/1 +disabled .* 0 +0 +0$" -- ctl b show gvrp fa1/0/1

ctl b gvrp port fa1/0/1 gvrp enable >/dev/null
until_ok 3 registered b 1,10
check "b's end registers VLANs 1 and 10 from a's declarations" 0 "^1/0/1 registered 1,10 refused 0$" -- \
    "$kelsim" --state "$dir/b" gvrp
check "VLAN 10 is dynamic on b" 0 "^dynamic-vlans 10$" -- "$kelsim" --state "$dir/b" gvrp
check "the library reads VLAN 10 on b: the host's port untagged, the cable's tagged" 0 \
    "^10 +VLAN0010 +sw0\.10 +fa1/0/3 +fa1/0/1$" -- ctl b show vlan 10
check "b counted a's joins" 0 "^fa1/0/1 +enabled +normal +10 cs +30 cs +200 cs +[1-9][0-9]* +[0-9]+ +0$" -- \
    ctl b show gvrp fa1/0/1
check "a registers VLAN 1 only: b declares VLAN 10 on no port but its other GVRP ports" 0 \
    "^1/0/1 registered 1 refused 0$" -- "$kelsim" --state "$dir/a" gvrp
check "a ping crosses in VLAN 10" 0 " 0% packet loss" -- ip netns exec a ping -c 3 -i 0.2 -W 2 10.0.0.2

# Leave-alls come every 2 s from each end: the registration holds through them.
sleep 4.5
check "b keeps VLAN 10 through the leave-alls" 0 "^1/0/1 registered 1,10 refused 0$" -- "$kelsim" --state "$dir/b" gvrp

# ---- A flood of malformed GVRP PDUs into b's end: dropped, counted --------------------
python3 - w1b <<'PY'  # (what is sent on a cable's end goes into b's port)
import socket, sys
s = socket.socket(socket.AF_PACKET, socket.SOCK_RAW)
s.bind((sys.argv[1], 0))
head = bytes.fromhex("0180c2000021" "020000000099")
def pdu(body):  # 802.3 length, LLC 42-42-03, protocol 1, the messages
    llc = b"\x42\x42\x03\x00\x01" + body
    return head + len(llc).to_bytes(2, "big") + llc
bad = [
    pdu(b"\x01\x04\x02\x00\x00\x00\x00"),  # a join of VLAN 0
    pdu(b"\x02\x04\x02\x00\x14\x00\x00"),  # attribute type 2
    pdu(b"\x01\x04\x09\x00\x14\x00\x00"),  # event 9
    pdu(b"\x01\x04\x02\x00\x14"),          # no end marks: cut short
]
for i in range(1000):
    s.send(bad[i % 4].ljust(60, b"\0"))
PY
until_ok 2 eval '"$kelsim" --state "$dir/b" gvrp | grep -q "refused 1000"'
check "a flood of malformed GVRP PDUs is refused and counted" 0 "^1/0/1 registered 1,10 refused 1000$" -- \
    "$kelsim" --state "$dir/b" gvrp
check_not "none of them registered VLAN 20 (the flood's)" 0 "VLAN0020" -- ctl b show vlan

# ---- VLAN 10 destroyed on a: b's registration ends after the leave time ----------------
# The registration ended after the start of the last poll that still saw it
# and before the end of the first that did not (polls may be slow on a
# loaded machine, under a sanitizer).
ms() { echo $(($(date +%s%N) / 1000000)); }
start=$(ms)
ctl a vlan destroy 10 >/dev/null
seen=$start
for _ in $(seq 60); do
    t=$(ms)
    registered b 1,10 || break
    seen=$t
    sleep 0.05
done
left=$(ms)
check "b's registration of VLAN 10 ends" 0 "^1/0/1 registered 1 refused" -- "$kelsim" --state "$dir/b" gvrp
check "after the leave time (300 ms, the leave sent within a join time)" 0 "^ok$" -- \
    eval "[ $((left - start)) -ge 250 ] && [ $((seen - start)) -le 1500 ] && echo ok ||
        echo ended between $((seen - start)) and $((left - start)) ms"
check "and b's dynamic VLAN 10 is gone" 1 "VLAN 10 does not exist" -- ctl b show vlan 10
check "both host ports are back in VLAN 1, where a ping crosses" 0 " 0% packet loss" -- \
    ip netns exec a ping -c 2 -i 0.2 -W 2 10.0.0.2
finish
