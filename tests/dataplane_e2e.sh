#!/usr/bin/env bash
# dataplane_e2e.sh - kelsim's dataplane end to end, as root, in a network
# namespace of its own: real ping between two host namespaces through the
# switch, a port moved to another VLAN with kelctl, a blocking port, an
# 802.1X port before and after kelsim authorizes its host, the learned addresses,
# capture files, a second dataplane and taken names refused, and a dataplane
# killed with SIGKILL that leaves a usable switch and no interface behind.
#   dataplane_e2e.sh KELSIM KELCTL
if [ "$(id -u)" != 0 ]; then
    echo "dataplane_e2e: skipped: needs root (network namespaces)"
    [ -n "${KEL_REQUIRE_ALL_LEGS:-}" ] && exit 1
    exit 77
fi
# A network namespace of its own, and mounts of its own (for ip netns).
[ -n "${KEL_DATAPLANE_NS:-}" ] || exec unshare -nm env KEL_DATAPLANE_NS=1 bash "$0" "$@"
source "$(dirname "$0")/e2e_lib.sh"
state=$dir/switch
hosts=()
trap 'kill "${hosts[@]}" "${dp:-}" 2>/dev/null; wait; rm -rf "$dir"' EXIT
ip link set lo up
for v in all default; do echo 1 >/proc/sys/net/ipv6/conf/$v/disable_ipv6; done

run() { "$kelsim" --state "$state" -- "$kelctl" "$@"; }

# start [OPTIONS]: a dataplane on $state in the background, its interfaces made.
start() {
    "$kelsim" --state "$state" --topology 4fe dataplane "$@" 2>>"$dir/dataplane.log" &
    dp=$!
    for _ in $(seq 200); do ip link show fa1-0-4 >/dev/null 2>&1 && return 0; sleep 0.05; done
    return 1
}

# host N: port fa1-0-N in a namespace of its own (a sleeping process), as 10.0.0.N.
declare -A host_pid
host() {
    if [ -z "${host_pid[$1]:-}" ]; then
        unshare -n sleep 600 &
        host_pid[$1]=$!
        hosts+=($!)
        while [ "$(readlink /proc/$!/ns/net)" = "$(readlink /proc/self/ns/net)" ]; do sleep 0.01; done
    fi
    ip link set "fa1-0-$1" netns "${host_pid[$1]}" &&
        in_host "$1" sh -c "ip link set lo up && ip link set fa1-0-$1 up && ip addr add 10.0.0.$1/24 dev fa1-0-$1"
}
in_host() {
    local n=$1
    shift
    nsenter -t "${host_pid[$n]}" -n "$@"
}

start && run spanning-tree disable && host 1 && host 2  # hosts speak no spanning tree
check "ping between two hosts through the switch" 0 " 0% packet loss" -- in_host 1 ping -c 3 -i 0.2 -W 2 10.0.0.2
mac=$(in_host 1 ip -o link show fa1-0-1 | sed -n 's|.*link/ether \(..\):\(..\):\(..\):\(..\):\(..\):\(..\).*|\1\2.\3\4.\5\6|p')
check "the host's address is learned on its port" 0 "$mac.*fa1/0/1" -- run show mac-address-table
check "frames are counted" 0 "fa1/0/1" -- run show statistics fa1/0/1
run vlan create 10 >/dev/null && run interface fa1/0/2 vlan-mode access 10 >/dev/null
check "no ping across VLANs" 1 "100% packet loss" -- in_host 1 ping -c 2 -i 0.2 -W 1 10.0.0.2
run interface fa1/0/2 vlan-mode access 1 >/dev/null
check "ping again in one VLAN" 0 " 0% packet loss" -- in_host 1 ping -c 2 -i 0.2 -W 2 10.0.0.2
"$kelsim" --state "$state" stp fa1/0/2 blocking
check "no ping through a blocking port" 1 "100% packet loss" -- in_host 1 ping -c 2 -i 0.2 -W 1 10.0.0.2
"$kelsim" --state "$state" stp fa1/0/2 forwarding
check "ping once it forwards" 0 " 0% packet loss" -- in_host 1 ping -c 2 -i 0.2 -W 2 10.0.0.2
run dot1x enable >/dev/null && run dot1x port fa1/0/2 control auto >/dev/null
check "no ping to an 802.1X port with nobody authorized" 1 "100% packet loss" -- in_host 1 ping -c 2 -i 0.2 -W 1 10.0.0.2
mac2=$(in_host 2 ip -o link show fa1-0-2 | sed -n 's|.*link/ether \([0-9a-f:]*\) .*|\1|p')
check "kelsim authorizes the host as an exchange would" 0 "" -- "$kelsim" --state "$state" dot1x fa1/0/2 authorize "$mac2"
check "ping once the host is authorized" 0 " 0% packet loss" -- in_host 1 ping -c 2 -i 0.2 -W 2 10.0.0.2
run dot1x disable >/dev/null
"$kelsim" --state "$state" cable fa1/0/3 pull
carrier() { for _ in $(seq 100); do ip -br link show fa1-0-3 | grep -q "$1" && echo "$1" && return; sleep 0.02; done; }
check "a pulled cable takes the host end's carrier" 0 "NO-CARRIER" -- carrier NO-CARRIER
"$kelsim" --state "$state" cable fa1/0/3 plug
check "and a plugged one gives it back" 0 "LOWER_UP" -- carrier LOWER_UP
check "a second dataplane on the switch is refused" 1 "runs a dataplane on this switch already" -- \
    "$kelsim" --state "$state" dataplane

# Killed: the interfaces go with its namespace, also those in the hosts'.
kill -KILL "$dp"
wait "$dp" 2>/dev/null
gone() { ! ip link show fa1-0-3 >/dev/null 2>&1 && ! in_host 1 ip link show fa1-0-1 >/dev/null 2>&1; }
left=present
for _ in $(seq 100); do gone && left=gone && break; sleep 0.05; done
check "no interface is left by a killed dataplane" 0 "^gone$" -- echo "$left"
check "the switch is usable after SIGKILL" 0 "fa1/0/4" -- run show interfaces

# Started again, with capture files.
mkdir "$dir/pcap"
start --pcap "$dir/pcap" && host 1 && host 2
check "ping again through a new dataplane" 0 " 0% packet loss" -- in_host 1 ping -c 2 -i 0.2 -W 2 10.0.0.2
kill -INT "$dp"
wait "$dp" && ! ip link show fa1-0-3 2>/dev/null && left=none || left=some
check "the dataplane stops on SIGINT, exit 0, and removes its interfaces" 0 "^none$" -- echo "$left"
check "each port's frames are captured" 0 "ICMP echo request" -- tcpdump -nr "$dir/pcap/fa1-0-2.pcap"

# --netns: the interfaces in a named namespace (ip netns, on a /run of this test's own).
mount -t tmpfs tmpfs /run && ip netns add outside
"$kelsim" --state "$state" dataplane --netns outside 2>>"$dir/dataplane.log" &
dp=$!
for _ in $(seq 200); do ip -n outside link show fa1-0-4 >/dev/null 2>&1 && break; sleep 0.05; done
check "--netns makes the interfaces in the named namespace" 0 "^fa1-0-4" -- ip -n outside -br link
check "and none here" 0 "^none$" -- sh -c "ip link show fa1-0-1 2>/dev/null || echo none"
kill -INT "$dp"
wait "$dp"

# A name that is taken refuses the whole dataplane: nothing is made.
ip link add fa1-0-3 type veth peer name other
check "taken interface names are refused" 1 "taken already.*fa1-0-3" -- \
    "$kelsim" --state "$state" dataplane
check "nothing was made" 0 "^none$" -- sh -c "ip link show fa1-0-1 2>/dev/null || echo none"
finish
