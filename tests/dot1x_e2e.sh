#!/usr/bin/env bash
# dot1x_e2e.sh - 802.1X on the wire, as root, in network namespaces of its
# own: a host behind an auto port authenticates with wpa_supplicant (EAP-MD5
# against the switch's local users). Before, and with a wrong password, its
# ping to a second host fails and the library reads the port unauthorized;
# with the right one it passes and the port reads authorized; then a
# reauthentication the library asks for, a logoff, a guest VLAN; then the
# method radius, against a FreeRADIUS of the test's own on the loopback of
# the dataplane's namespace, with its users' passwords.
#   dot1x_e2e.sh KELSIM KELCTL
if [ "$(id -u)" != 0 ]; then
    echo "dot1x_e2e: skipped: needs root (network namespaces)"
    [ -n "${KEL_REQUIRE_ALL_LEGS:-}" ] && exit 1
    exit 77
fi
[ -n "${KEL_DOT1X_NS:-}" ] || exec unshare -nm env KEL_DOT1X_NS=1 bash "$0" "$@"
source "$(dirname "$0")/e2e_lib.sh"
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait; rm -rf "$dir"' EXIT
mount -t tmpfs tmpfs /run
ip link set lo up
for v in all default; do echo 1 >/proc/sys/net/ipv6/conf/$v/disable_ipv6; done
for p in wpa_supplicant freeradius; do
    command -v $p >/dev/null || { echo "dot1x_e2e: $p is missing: run .ci/deps"; exit 1; }
done

state=$dir/switch
ctl() { "$kelsim" --state "$state" -- "$kelctl" "$@"; }
# until_ok SECONDS COMMAND...: runs COMMAND every 0.1 s until it succeeds.
until_ok() {
    local n=$(($1 * 10))
    shift
    for _ in $(seq "$n"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
    return 1
}
port_state() { ctl -j show dot1x fa1/0/1 | jq -r '.ports[0].state'; }
is_state() { [ "$(port_state)" = "$1" ]; }
run_count() { "$kelsim" --state "$state" dot1x | sed -n "s/^1\/0\/1 .* $1 \([0-9]*\).*/\1/p"; }
ping2() { ip netns exec h1 ping -c 2 -i 0.2 -W 1 10.0.0.2; }

# The switch: four ports (edge ports: hosts speak no spanning tree), 802.1X
# with a local user on fa1/0/1, a short quiet period.
"$kelsim" --state "$state" --topology 4fe mac 02:00:00:00:00:01
ctl spanning-tree port fa1/0/1-4 edge enable >/dev/null
ctl dot1x enable >/dev/null && ctl dot1x method local >/dev/null && ctl dot1x user add alice Secr3t >/dev/null &&
    ctl dot1x port fa1/0/1 control auto >/dev/null && ctl dot1x port fa1/0/1 quiet-period 1 >/dev/null
ip netns add sw
"$kelsim" --state "$state" dataplane --netns sw 2>>"$dir/dataplane.log" &
pids+=($!)
until_ok 10 ip -n sw link show fa1-0-4
for h in 1 2; do
    ip netns add h$h && ip -n sw link set fa1-0-$h netns h$h &&
        ip -n h$h link set lo up && ip -n h$h link set fa1-0-$h up && ip -n h$h addr add 10.0.0.$h/24 dev fa1-0-$h
done

# supplicant PASSWORD: wpa_supplicant on host 1's port, in the background.
supplicant() {
    cat >"$dir/wpa.conf" <<CONF
ctrl_interface=DIR=$dir/ctrl
ap_scan=0
network={
    key_mgmt=IEEE8021X
    eap=MD5
    identity="alice"
    password="$1"
    eapol_flags=0
}
CONF
    ip netns exec h1 wpa_supplicant -D wired -i fa1-0-1 -c "$dir/wpa.conf" >>"$dir/wpa.log" 2>&1 &
    wpa=$!
    pids+=($wpa)
}
stop_supplicant() { kill "$wpa" && wait "$wpa" 2>/dev/null; rm -rf "$dir/ctrl"; }

check "before authentication the port is unauthorized" 0 "^unauthorized$" -- port_state
check "and the host's ping fails" 1 "100% packet loss" -- ping2

supplicant wrong-password
until_ok 5 eval '[ "$(run_count failures)" -ge 1 ]'
check "a wrong password is refused, the failure counted" 0 "^1/0/1 held .* failures [1-9]" -- "$kelsim" --state "$state" dot1x
check "the port stays unauthorized" 0 "^unauthorized$" -- port_state
check "and the ping still fails" 1 "100% packet loss" -- ping2
stop_supplicant

supplicant Secr3t
until_ok 5 is_state authorized
check "with the right password the port is authorized" 0 "^authorized$" -- port_state
check "the host is the authorized station" 0 "^1/0/1 authenticated station .* successes 1 " -- \
    "$kelsim" --state "$state" dot1x
check "wpa_supplicant agrees" 0 "^suppPortStatus=Authorized" -- \
    ip netns exec h1 wpa_cli -p "$dir/ctrl" -i fa1-0-1 status
check "and the ping passes" 0 " 0% packet loss" -- ping2

ctl dot1x port fa1/0/1 reauthenticate >/dev/null
until_ok 5 eval '[ "$(run_count successes)" = 2 ]'
check "a reauthentication the library asks for passes again" 0 "^1/0/1 authenticated .* successes 2 " -- \
    "$kelsim" --state "$state" dot1x
check "and the port stayed authorized" 0 "^authorized$" -- port_state

ip netns exec h1 wpa_cli -p "$dir/ctrl" -i fa1-0-1 logoff >/dev/null
until_ok 5 is_state unauthorized
check "a logoff takes the authorization away" 0 "^unauthorized$" -- port_state
check "the logoff is counted" 0 "^1/0/1 .* logoffs 1 " -- "$kelsim" --state "$state" dot1x
check "and the ping fails again" 1 "100% packet loss" -- ping2
stop_supplicant

# A guest VLAN: the unauthenticated host reaches the guest VLAN's hosts only.
ctl vlan create 20 >/dev/null && ctl interface fa1/0/3 vlan-mode access 20 >/dev/null &&
    ctl dot1x port fa1/0/1 guest-vlan 20 >/dev/null
ip netns add h3 && ip -n sw link set fa1-0-3 netns h3 && ip -n h3 link set fa1-0-3 up &&
    ip -n h3 addr add 10.0.0.3/24 dev fa1-0-3
until_ok 3 is_state guest
check "with a guest VLAN the unauthenticated port is a guest" 0 "^guest$" -- port_state
check "it reaches the guest VLAN" 0 " 0% packet loss" -- ip netns exec h1 ping -c 2 -i 0.2 -W 1 10.0.0.3
check "and not the port's own" 1 "100% packet loss" -- ping2
supplicant Secr3t
until_ok 5 is_state authorized
check "authenticated, it leaves the guest VLAN for its own" 0 " 0% packet loss" -- ping2

# A flood of malformed EAPOL frames: refused and counted, the authorization kept.
ip netns exec h1 python3 - fa1-0-1 <<'PY'
import socket, sys
s = socket.socket(socket.AF_PACKET, socket.SOCK_RAW)
s.bind((sys.argv[1], 0))
head = bytes.fromhex("0180c2000003" "020000000099" "888e")
bad = [
    b"\x00\x00\x00\x04" + bytes.fromhex("02010004"),  # version 0
    b"\x02\x00\x00\x40" + bytes.fromhex("02010004"),  # a body past the frame
    b"\x02\x00\x00\x04" + bytes.fromhex("09010004"),  # an unknown EAP code
    b"\x02\x00\x00\x04" + bytes.fromhex("02010003"),  # an EAP length below its header
]
for i in range(1000):
    s.send((head + bad[i % 4]).ljust(60, b"\0"))
PY
until_ok 3 eval '[ "$(run_count refused)" -ge 1000 ]'
check "a flood of malformed EAPOL frames is refused and counted" 0 "^1/0/1 authenticated .* refused 1[0-9]{3} " -- \
    "$kelsim" --state "$state" dot1x
check "and the host stays authorized" 0 " 0% packet loss" -- ping2
ip netns exec h1 wpa_cli -p "$dir/ctrl" -i fa1-0-1 logoff >/dev/null
stop_supplicant

# The method radius: the RADIUS client, in the dataplane's namespace, asks a
# FreeRADIUS on that namespace's loopback, which knows alice by another
# password than the local users do.
source "$(dirname "$0")/radius_conf.sh"
ip -n sw link set lo up
echo 'alice Cleartext-Password := "wonderland"' >"$dir/users"
radius_start "$dir" 18120 kel-radius-key ip netns exec sw || { kill "$radiusd"; exit 1; }
pids+=("$radiusd")
ctl dot1x port fa1/0/1 guest-vlan none >/dev/null && ctl dot1x method radius >/dev/null &&
    ctl dot1x radius add 1 127.0.0.1 - 18120 <<<kel-radius-key >/dev/null
until_ok 3 is_state unauthorized
check "logged off, the port is unauthorized" 0 "^unauthorized$" -- port_state
failures=$(run_count failures)
supplicant Secr3t
until_ok 10 eval '[ "$(run_count failures)" -gt "$failures" ]'
check "under RADIUS the local user's password is refused" 0 "^1/0/1 .* failures $((failures + 1)) " -- \
    "$kelsim" --state "$state" dot1x
check "the port stays unauthorized" 0 "^unauthorized$" -- port_state
check "and the ping fails" 1 "100% packet loss" -- ping2
stop_supplicant
supplicant wonderland
until_ok 10 is_state authorized
check "with the RADIUS server's password the port is authorized" 0 "^authorized$" -- port_state
check "the server accepted it" 0 "Sent Access-Accept" -- cat "$dir/radiusd.log"
check "and the ping passes" 0 " 0% packet loss" -- ping2
finish
