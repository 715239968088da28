#!/usr/bin/env bash
# demo-dot1x.sh - a host that must authenticate before it can ping (as root):
# builds the host tree, starts a kelsim dataplane whose host ends live in a
# network namespace of their own, moves fa1/0/1 and fa1/0/2 into two host
# namespaces, and turns 802.1X on for fa1/0/1 with a local user. The host
# behind fa1/0/1 cannot ping the other until wpa_supplicant has
# authenticated it (EAP-MD5 against the switch's local users); kelctl shows
# the port authorized, and unauthorized again after a logoff. The
# machine's network is not touched.
#   ./demo-dot1x.sh
set -euo pipefail
cd "$(dirname "$0")"
if [ "$(id -u)" != 0 ]; then
    echo "demo-dot1x: run it as root (it makes network namespaces and interfaces)" >&2
    exit 1
fi
for tool in ip ping unshare wpa_supplicant wpa_cli; do
    command -v $tool >/dev/null || { echo "demo-dot1x: $tool is missing: run .ci/deps" >&2; exit 1; }
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
ctl() { run "$kelsim" --state "$dir/switch" -- "$kelctl" "$@"; }
state() { "$kelsim" --state "$dir/switch" -- "$kelctl" -j show dot1x fa1/0/1 | jq -r '.ports[0].state'; }

run "$kelsim" --state "$dir/switch" --topology 4fe mac 02:00:00:00:00:01
ctl spanning-tree port fa1/0/1-2 edge enable  # hosts speak no spanning tree
ctl dot1x enable
ctl dot1x method local
ctl dot1x user add alice Secr3t
ctl dot1x port fa1/0/1 control auto
ip netns add sw
printf '\n$ kelsim --state switch dataplane --netns sw &\n'
"$kelsim" --state "$dir/switch" dataplane --netns sw 2>/dev/null &
pids+=($!)
for _ in $(seq 200); do ip -n sw link show fa1-0-2 >/dev/null 2>&1 && break; sleep 0.05; done
for h in 1 2; do
    ip netns add h$h
    ip -n sw link set fa1-0-$h netns h$h
    ip -n h$h link set lo up
    ip -n h$h link set fa1-0-$h up
    ip -n h$h addr add 10.0.0.$h/24 dev fa1-0-$h
done
ctl show dot1x fa1/0/1
run ip netns exec h1 ping -c 2 -i 0.3 -W 1 10.0.0.2 || true

cat >"$dir/wpa.conf" <<CONF
ctrl_interface=DIR=$dir/ctrl
ap_scan=0
network={
    key_mgmt=IEEE8021X
    eap=MD5
    identity="alice"
    password="Secr3t"
    eapol_flags=0
}
CONF
printf '\n$ cat wpa.conf\n' && cat "$dir/wpa.conf"
printf '\n$ ip netns exec h1 wpa_supplicant -D wired -i fa1-0-1 -c wpa.conf &\n'
ip netns exec h1 wpa_supplicant -D wired -i fa1-0-1 -c "$dir/wpa.conf" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ "$(state)" = authorized ] && break; sleep 0.1; done
ctl show dot1x fa1/0/1
run "$kelsim" --state "$dir/switch" dot1x
run ip netns exec h1 ping -c 2 -i 0.3 10.0.0.2

run ip netns exec h1 wpa_cli -p "$dir/ctrl" -i fa1-0-1 logoff
for _ in $(seq 50); do [ "$(state)" = unauthorized ] && break; sleep 0.1; done
ctl show dot1x fa1/0/1
run ip netns exec h1 ping -c 2 -i 0.3 -W 1 10.0.0.2 || true
