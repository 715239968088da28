#!/usr/bin/env bash
# mst_e2e.sh - the multiple spanning tree on the wire, as root, in network
# namespaces of its own: two kelsim switches joined by two links in one MST
# region, VLAN 10 in instance 1 (whose root is a) and VLAN 20 in instance 2
# (whose root is b), each instance blocking the other link; a host of each
# VLAN on each switch pings across. Then b leaves the region: both links
# become boundary ports, where the instances follow the common tree.
#   mst_e2e.sh KELSIM KELCTL
source "$(dirname "$0")/e2e_switches.sh"

# switch NAME MAC N: four ports; fa1/0/1-2 carry VLANs 10 and 20 tagged
# toward the other switch, fa1/0/3 is a host of VLAN 10 (10.10.0.N) and
# fa1/0/4 one of VLAN 20 (10.20.0.N), both edge ports; region "campus".
switch() {
    ip netns add "$1"
    ip -n "$1" link set lo up
    "$kelsim" --state "$dir/$1" --topology 4fe mac "$2" || return 1
    local c
    while read -r c; do
        ctl "$1" $c >/dev/null || { echo "mst_e2e: $1: kelctl $c failed"; return 1; }
    done <<CMDS
vlan create 10,20
interface fa1/0/1-2 vlan-mode trunk 1
interface fa1/0/1-2 allowed-vlan add 10,20 tagged
interface fa1/0/3 vlan-mode access 10
interface fa1/0/4 vlan-mode access 20
spanning-tree times 6 1 4
spanning-tree port fa1/0/3-4 edge enable
spanning-tree mode mstp
mst name campus
mst instance 1 10
mst instance 2 20
CMDS
    "$kelsim" --state "$dir/$1" dataplane --netns "$1" 2>>"$dir/dataplane.log" &
    dps+=($!)
    for _ in $(seq 200); do ip -n "$1" link show fa1-0-4 >/dev/null 2>&1 && break; sleep 0.05; done
    ip -n "$1" addr add "10.10.0.$3/24" dev fa1-0-3 && ip -n "$1" addr add "10.20.0.$3/24" dev fa1-0-4
}

# wire NS1 IF1 NS2 IF2: a cable between two ports' host ends (as stp_e2e.sh).
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

# roles SWITCH INSTANCE: "port role state" of fa1/0/1-2 in the instance, from kelctl's JSON.
roles() {
    ctl "$1" -j show mst "$2" |
        jq -r '.ports[] | select(.port == "fa1/0/1" or .port == "fa1/0/2") | "\(.port) \(.role) \(.state)"'
}
# mst_root SWITCH INSTANCE: the instance's root and root cost, as the library reads them.
mst_root() { ctl "$1" -j show mst "$2" | jq -r '"\(.bridge.root) \(.bridge.root_cost)"'; }
until_ok() {
    local n=$(($1 * 5))
    shift
    for _ in $(seq "$n"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.2; done
    return 1
}
settled() {  # each instance blocks the link it should
    roles b 1 | grep -q "^fa1/0/2 alternate" && roles a 2 | grep -q "^fa1/0/1 alternate" &&
        roles b 1 | grep -q "^fa1/0/1 root forwarding" && roles a 2 | grep -q "^fa1/0/2 root forwarding"
}

# a is the common tree's root and instance 1's; b is instance 2's, and a's
# fa1/0/1 costs much in instance 2, so that its root port there is fa1/0/2.
switch a 02:00:00:00:00:0a 1 && switch b 02:00:00:00:00:0b 2
ctl a spanning-tree priority 4096 && ctl a mst priority 1 4096 && ctl b mst priority 2 4096 &&
    ctl a mst port 2 fa1/0/1 cost 2000000
wire a fa1-0-1 b fa1-0-1 && wire a fa1-0-2 b fa1-0-2
until_ok 10 settled
check "instance 1: b's fa1/0/1 is its root port" 0 "^fa1/0/1 root forwarding$" -- roles b 1
check "instance 1: b's fa1/0/2 blocks" 0 "^fa1/0/2 alternate (blocking|discarding)$" -- roles b 1
check "instance 2: a's fa1/0/2 is its root port" 0 "^fa1/0/2 root forwarding$" -- roles a 2
check "instance 2: a's fa1/0/1 blocks" 0 "^fa1/0/1 alternate (blocking|discarding)$" -- roles a 2
check "instance 2: b is its root, all its ports designated" 0 "^fa1/0/1 designated forwarding$" -- roles b 2
check "the common tree: b's fa1/0/2 blocks" 0 "^fa1/0/2 alternate" -- roles b 0
check "the library reads instance 2's root on a: b, through fa1/0/2" 0 "^4096/0200.0000.000b 200000$" -- mst_root a 2
check "and instance 1's: a itself" 0 "^4096/0200.0000.000a 0$" -- mst_root a 1
check "kelsim prints a line per instance" 0 "^instance 2 root 4096/0200.0000.000b" -- \
    "$kelsim" --state "$dir/a" spanning-tree
check "a ping crosses in VLAN 10" 0 " 0% packet loss" -- ip netns exec a ping -c 3 -i 0.2 -W 2 10.10.0.2
check "a ping crosses in VLAN 20" 0 " 0% packet loss" -- ip netns exec a ping -c 3 -i 0.2 -W 2 10.20.0.2
# links ADDRESS: 20 pings to ADDRESS, then "link-1 N link-2 M": the frames each wire carried meanwhile.
rx() { tr ':' ' ' </proc/net/dev | awk -v a="w$1a" -v b="w$1b" '$1 == a || $1 == b { n += $3 } END { print n }'; }
links() {
    local one=$(rx 1) two=$(rx 2)
    ip netns exec a ping -q -c 20 -i 0.05 -W 2 "$1" >/dev/null
    echo "link-1 $(($(rx 1) - one)) link-2 $(($(rx 2) - two))"
}
# (40 frames a ping, and a few BPDUs a second besides)
check "VLAN 10 crosses on link 1 alone, as instance 1 has it" 0 "^link-1 (4[0-9]|5[0-9]) link-2 [0-9]$" -- links 10.10.0.2
check "VLAN 20 crosses on link 2 alone, as instance 2 has it" 0 "^link-1 [0-9] link-2 (4[0-9]|5[0-9])$" -- links 10.20.0.2

# ---- b in another region: the links are boundary ports, the instances follow the common tree ----
ctl b mst name elsewhere
boundary() {
    "$kelsim" --state "$dir/a" spanning-tree | grep -c "^1/0/[12] .* boundary$" | grep -qx 2 &&
        roles a 2 | grep -q "^fa1/0/1 designated forwarding" && roles b 1 | grep -q "^fa1/0/2 alternate"
}
until_ok 10 boundary
check "another region: both of a's links are boundary ports" 0 "^1/0/2 .* boundary$" -- \
    "$kelsim" --state "$dir/a" spanning-tree
check "instance 2 follows the common tree on a" 0 "^fa1/0/1 designated forwarding$" -- roles a 2
check "and b's instance 2 blocks where the common tree does" 0 "^fa1/0/2 alternate" -- roles b 2
check "a ping still crosses in VLAN 20" 0 " 0% packet loss" -- ip netns exec a ping -c 3 -i 0.2 -W 2 10.20.0.2
finish
