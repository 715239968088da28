#!/usr/bin/env bash
# demo-dataplane.sh - real frames through the simulated switch (as root):
# builds the host tree, starts kelsim's dataplane on a switch of four ports
# in a network namespace of the demo's own (the machine's network is not
# touched), puts two hosts (namespaces) on fa1/0/1 and fa1/0/2, pings from
# one to the other, moves fa1/0/2 to another VLAN with kelctl and shows the
# ping failing, mirrors fa1/0/1 to fa1/0/3 and shows the copies with
# tcpdump, and shows the learned addresses and the counters.
#   ./demo-dataplane.sh [--pcap DIR]    DIR: one capture file per port, kept
set -euo pipefail
cd "$(dirname "$0")"
pcap=
if [ "${1:-}" = --pcap ] && [ -n "${2:-}" ]; then
    pcap=$(realpath -m "$2")
elif [ $# -gt 0 ]; then
    echo "usage: $0 [--pcap DIR]" >&2
    exit 2
fi
if [ "$(id -u)" != 0 ]; then
    echo "demo-dataplane: run it as root (it makes network namespaces and interfaces)" >&2
    exit 1
fi
for tool in ip ping tcpdump nsenter unshare; do
    command -v $tool >/dev/null || { echo "demo-dataplane: $tool is missing: run .ci/deps" >&2; exit 1; }
done
[ -n "${KEL_DEMO_NS:-}" ] || {
    cmake --preset host >/dev/null
    cmake --build --preset host >/dev/null
    exec unshare -n env KEL_DEMO_NS=1 bash "$0" "$@"
}
[ -z "$pcap" ] || mkdir -p "$pcap"
kelsim=$PWD/build/host/sim/kelsim
kelctl=$PWD/build/host/tools/kelctl/kelctl
dir=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait 2>/dev/null; rm -rf "$dir"' EXIT
state=$dir/switch
ip link set lo up
for v in all default; do echo 1 >/proc/sys/net/ipv6/conf/$v/disable_ipv6; done

run() {  # prints the command as one would type it, then runs it
    local line="" a
    for a in "$@"; do
        case $a in
        "$kelsim") a=kelsim ;;
        "$kelctl") a=kelctl ;;
        "$dir"/*) a=${a#"$dir"/} ;;
        esac
        line+=" $a"
    done
    printf '\n$%s\n' "$line"
    "$@"
}
ctl() { run "$kelsim" --state "$state" -- "$kelctl" "$@"; }

# A host: a namespace held by a sleeping process, with one port's interface.
declare -A host
make_host() {  # make_host NAME PORT ADDRESS
    unshare -n sleep 3600 &
    host[$1]=$!
    pids+=($!)
    while [ "$(readlink /proc/$!/ns/net)" = "$(readlink /proc/self/ns/net)" ]; do sleep 0.01; done
    ip link set "$2" netns "${host[$1]}"
    nsenter -t "${host[$1]}" -n sh -c "ip link set lo up; ip link set $2 up; ip addr add $3/24 dev $2"
    echo "host $1: $2 with address $3"
}
on() {  # on HOST COMMAND...
    local h=$1
    shift
    printf '\n[%s]$ %s\n' "$h" "$*"
    nsenter -t "${host[$h]}" -n "$@"
}

printf '\n$ kelsim --state switch --topology 4fe dataplane %s&\n' "${pcap:+--pcap $pcap }"
"$kelsim" --state "$state" --topology 4fe dataplane ${pcap:+--pcap "$pcap"} &
dp=$!
pids+=($dp)
for _ in $(seq 200); do ip link show fa1-0-4 >/dev/null 2>&1 && break; sleep 0.05; done
kill -0 $dp 2>/dev/null || { echo "demo-dataplane: the dataplane did not start" >&2; exit 1; }
run ip -br link
make_host h1 fa1-0-1 10.0.0.1
make_host h2 fa1-0-2 10.0.0.2

on h1 ping -c 3 -i 0.3 10.0.0.2
ctl vlan create 10
ctl interface fa1/0/2 vlan-mode access 10
on h1 ping -c 2 -i 0.3 -W 1 10.0.0.2 || echo "(no answer: fa1/0/2 is in VLAN 10, fa1/0/1 in VLAN 1)"
ctl interface fa1/0/2 vlan-mode access 1
on h1 ping -c 2 -i 0.3 10.0.0.2

ctl monitor session 1 destination fa1/0/3
ctl monitor session 1 source fa1/0/1 both
printf '\n$ tcpdump -eni fa1-0-3 -c 4 icmp &   (the monitor port)\n'
tcpdump -eni fa1-0-3 -c 4 icmp 2>/dev/null &
capture=$!
sleep 0.5
on h1 ping -c 2 -i 0.3 10.0.0.2 >/dev/null
wait $capture || true

ctl show mac-address-table
ctl show statistics fa1/0/1
ctl show monitor

printf '\n$ kill -INT %%1   (the dataplane removes its interfaces and exits 0)\n'
kill -INT $dp
wait $dp && echo "dataplane stopped"
if [ -n "$pcap" ]; then
    run ls -l "$pcap"
    run tcpdump -enr "$pcap/fa1-0-2.pcap" -c 6
fi
