#!/usr/bin/env bash
# demo-stp.sh - two simulated switches joined in a loop, which the spanning
# tree breaks (as root): builds the host tree, starts two kelsim dataplanes,
# each on its own state file with its host ends in a network namespace of
# its own, joins fa1/0/1 to fa1/0/1 and fa1/0/2 to fa1/0/2 with two wires,
# and shows with kelctl the root (the lower priority), the one blocked port
# and a ping that crosses; then pulls the root port's cable and shows the
# blocked port taking over. The machine's network is not touched.
#   ./demo-stp.sh
set -euo pipefail
cd "$(dirname "$0")"
if [ "$(id -u)" != 0 ]; then
    echo "demo-stp: run it as root (it makes network namespaces and interfaces)" >&2
    exit 1
fi
for tool in ip tc ping unshare; do
    command -v $tool >/dev/null || { echo "demo-stp: $tool is missing: run .ci/deps" >&2; exit 1; }
done
[ -n "${KEL_DEMO_NS:-}" ] || {
    cmake --preset host >/dev/null
    cmake --build --preset host >/dev/null
    exec unshare -nm env KEL_DEMO_NS=1 bash "$0" "$@"
}
kelsim=$PWD/build/host/sim/kelsim
kelctl=$PWD/build/host/tools/kelctl/kelctl
dir=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait 2>/dev/null; rm -rf "$dir"' EXIT
mount -t tmpfs tmpfs /run  # ip netns, on a /run of the demo's own
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
ctl() { local sw=$1; shift; run "$kelsim" --state "$dir/$sw" -- "$kelctl" "$@"; }

# A switch: its own state file and address, short times, fa1/0/3 an edge port
# for the host (its namespace), and a dataplane whose host ends live there.
switch() {  # switch NAME MAC ADDRESS
    ip netns add "$1"
    run "$kelsim" --state "$dir/$1" --topology 4fe mac "$2"
    ctl "$1" spanning-tree times 6 1 4
    ctl "$1" spanning-tree port fa1/0/3 edge enable
    printf '\n$ kelsim --state %s dataplane --netns %s &\n' "$1" "$1"
    "$kelsim" --state "$dir/$1" dataplane --netns "$1" 2>/dev/null &
    pids+=($!)
    for _ in $(seq 200); do ip -n "$1" link show fa1-0-4 >/dev/null 2>&1 && break; sleep 0.05; done
    ip -n "$1" link set lo up
    ip -n "$1" addr add "$3/24" dev fa1-0-3
}
# A wire between two ports: their host ends, brought here under new names,
# hand each other what they receive.
wire() {  # wire NS1 IF1 NS2 IF2 NAME1 NAME2
    run ip -n "$1" link set "$2" netns $$ name "$5"
    run ip -n "$3" link set "$4" netns $$ name "$6"
    for end in "$5 $6" "$6 $5"; do
        set -- $end
        run ip link set "$1" up
        run tc qdisc add dev "$1" ingress
        run tc filter add dev "$1" parent ffff: protocol all u32 match u32 0 0 action mirred egress redirect dev "$2"
    done
}

switch a 02:00:00:00:00:0a 10.0.0.1
switch b 02:00:00:00:00:0b 10.0.0.2
ctl b spanning-tree priority 4096
wire a fa1-0-1 b fa1-0-1 a1 b1
wire a fa1-0-2 b fa1-0-2 a2 b2
sleep 2
ctl a show spanning-tree
ctl b show spanning-tree fa1/0/1-2
run ip netns exec a ping -c 3 -i 0.3 10.0.0.2
run "$kelsim" --state "$dir/a" spanning-tree
run "$kelsim" --state "$dir/a" cable fa1/0/1 pull
sleep 1
ctl a show spanning-tree fa1/0/1-2
run ip netns exec a ping -c 2 -i 0.3 10.0.0.2
