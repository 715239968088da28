#!/usr/bin/env bash
# igmp_dhcp_e2e.sh - IGMP and DHCP snooping with real peers, as root, in
# network namespaces of its own. Hosts whose kernels join groups (IGMP
# versions 1, 2 and 3) appear in the multicast table, datagrams to a group
# reach its members only, and a leave takes a member out; then a DHCP server
# (dnsmasq) on a trusted port leases an address to a client (udhcpc) while a
# rogue server's offers on an untrusted port are dropped and counted, the
# binding is read through the library, a ping crosses on the leased address,
# and the client's release ends the binding.
#   igmp_dhcp_e2e.sh KELSIM KELCTL
if [ "$(id -u)" != 0 ]; then
    echo "igmp_dhcp_e2e: skipped: needs root (network namespaces)"
    [ -n "${KEL_REQUIRE_ALL_LEGS:-}" ] && exit 1
    exit 77
fi
[ -n "${KEL_SNOOP_NS:-}" ] || exec unshare -nm env KEL_SNOOP_NS=1 bash "$0" "$@"
source "$(dirname "$0")/e2e_lib.sh"
# (the interpreter itself, not a wrapper that picks one: each host starts it anew)
py="$(python3 -c 'import sys; print(sys.executable)') $(cd "$(dirname "$0")" && pwd)/mcast_host.py"
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait; rm -rf "$dir"' EXIT
mount -t tmpfs tmpfs /run
ip link set lo up
state=$dir/switch

run() { "$kelsim" --state "$state" -- "$kelctl" "$@"; }
quiet() { run "$@" >/dev/null || report "kelctl $*" failed ""; }
# until_ok SECONDS COMMAND...: runs COMMAND every 0.1 s until it succeeds.
until_ok() {
    local n=$(($1 * 10))
    shift
    for _ in $(seq "$n"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
    return 1
}
# host N: port fa1-0-N in namespace hN as 10.0.0.N, multicast routed out of it.
host() {
    ip netns add "h$1" && ip netns exec "h$1" sh -c 'echo 1 >/proc/sys/net/ipv6/conf/all/disable_ipv6' &&
        ip link set "fa1-0-$1" netns "h$1" && ip -n "h$1" link set lo up && ip -n "h$1" link set "fa1-0-$1" up &&
        ip -n "h$1" addr add "10.0.0.$1/24" dev "fa1-0-$1" && ip -n "h$1" route add 224.0.0.0/4 dev "fa1-0-$1"
}
in_host() {
    local n=$1
    shift
    ip netns exec "h$n" "$@"
}

mkdir "$dir/pcap"
"$kelsim" --state "$state" --topology 7fe dataplane --pcap "$dir/pcap" 2>>"$dir/dataplane.log" &
pids+=($!)
until_ok 10 ip link show fa1-0-7 || report "the dataplane starts" "no interfaces" "$(cat "$dir/dataplane.log")"
quiet spanning-tree disable  # the hosts speak no spanning tree
for n in 1 2 3 4 5 6 7; do host $n || report "host $n" "not made" ""; done

# ---- IGMP: hosts 2, 3 and 4 join with versions 2, 3 and 1; host 1 sends ------------
quiet igmp-snooping enable
quiet igmp-snooping vlan 1 enable
quiet igmp-snooping lmqi 20  # two seconds
# join N VERSION GROUP: host N's kernel joins GROUP until joined[N] is killed.
declare -A joined
join() {
    in_host "$1" sh -c "echo $2 >/proc/sys/net/ipv4/conf/fa1-0-$1/force_igmp_version"
    ip netns exec "h$1" $py join "fa1-0-$1" "$3" >"$dir/join$1.out" &
    joined[$1]=$!
    pids+=($!)
}
# The ports of a group's learned entry as the library reads them: "fa1/0/2" or "".
members() {
    run -j show multicast-table | jq -r --arg g "$1" \
        '[.[] | select(.group == $g and .vlan == 1 and .type != "static") | .ports[]] | join(",")'
}
# What host N sent, as its port's capture file has it (written ten times a second).
sent() { tcpdump -nr "$dir/pcap/fa1-0-$1.pcap" "src 10.0.0.$1 and igmp" 2>/dev/null; }
# reach GROUP: how many of five datagrams from host 1 to GROUP reach hosts 2, 3, 4.
reach() {
    local n
    for n in 2 3 4; do
        ip netns exec "h$n" $py count "fa1-0-$n" "$1" 5000 5 >"$dir/count$n" &
        pids+=($!)
    done
    until_ok 5 eval '[ "$(cat "$dir"/count[234] | grep -c ready)" = 3 ]'
    in_host 1 $py send fa1-0-1 "$1" 5000 5
    wait "${pids[@]: -3}"
    for n in 2 3 4; do echo -n "h$n=$(tail -1 "$dir/count$n") "; done
    echo
}

join 2 2 239.1.1.2 && join 3 3 239.1.1.3 && join 4 1 239.1.1.4
until_ok 5 eval '[ "$(members 0100.5e01.0102)" = fa1/0/2 ]'
check "a version 2 report from a host's kernel joins its port" 0 "^fa1/0/2$" -- members 0100.5e01.0102
until_ok 5 eval '[ "$(members 0100.5e01.0103)" = fa1/0/3 ]'
check "a version 3 report joins its port" 0 "^fa1/0/3$" -- members 0100.5e01.0103
until_ok 5 eval '[ "$(members 0100.5e01.0104)" = fa1/0/4 ]'
check "a version 1 report joins its port" 0 "^fa1/0/4$" -- members 0100.5e01.0104
check "host 2's kernel reported in version 2" 0 "igmp v2 report 239\.1\.1\.2" -- sent 2
check "host 3's in version 3" 0 "igmp v3 report" -- sent 3
check "host 4's in version 1" 0 "igmp v1 report 239\.1\.1\.4" -- sent 4
check "the learned groups show in the table as learned" 0 "0100\.5e01\.0102 +learned +- +fa1/0/2$" -- run show multicast-table
check "a group's datagrams reach its member only (version 2)" 0 "^h2=5 h3=0 h4=0 $" -- reach 239.1.1.2
check "a group's datagrams reach its member only (version 3)" 0 "^h2=0 h3=5 h4=0 $" -- reach 239.1.1.3
check "a group nobody joined reaches nobody" 0 "^h2=0 h3=0 h4=0 $" -- reach 239.1.1.9

kill "${joined[2]}"  # host 2 leaves: its kernel sends a version 2 leave
until_ok 5 eval 'sent 2 | grep -q "igmp leave 239\.1\.1\.2"'
check "host 2 left in version 2" 0 "igmp leave 239\.1\.1\.2" -- sent 2
check "its port stays a member for the last-member query interval" 0 "^fa1/0/2$" -- members 0100.5e01.0102
until_ok 5 eval '[ -z "$(members 0100.5e01.0102)" ]'
check "then the leave takes it out" 0 "^$" -- members 0100.5e01.0102
check "and the group's datagrams no longer reach the host" 0 "^h2=0 h3=0 h4=0 $" -- reach 239.1.1.2
kill "${joined[3]}"  # host 3 leaves: a version 3 report of a change to include nothing
until_ok 5 eval '[ -z "$(members 0100.5e01.0103)" ]'
check "a version 3 leave takes the port out" 0 "^$" -- members 0100.5e01.0103
check "the version 1 member stays (version 1 has no leave)" 0 "^fa1/0/4$" -- members 0100.5e01.0104

# ---- DHCP: a server on trusted fa1/0/5, a rogue one on fa1/0/6, a client on 7 -------
quiet dhcp-snooping enable
quiet dhcp-snooping vlan 1 enable
quiet dhcp-snooping trust fa1/0/5 enable
# server N FIRST LAST: dnsmasq as host N, leasing 10.0.0.FIRST-LAST for two minutes.
server() {
    ip netns exec "h$1" dnsmasq --no-daemon --conf-file=/dev/null --port=0 --user=root --group=root \
        --interface="fa1-0-$1" --bind-interfaces --except-interface=lo --leasefile-ro --no-ping \
        --pid-file="$dir/dnsmasq$1.pid" --dhcp-range="10.0.0.$2,10.0.0.$3,255.255.255.0,2m" \
        --log-dhcp --log-facility="$dir/dnsmasq$1.log" 2>>"$dir/dnsmasq$1.log" &
    pids+=($!)
}
server 5 100 149 && server 6 200 249
until_ok 5 eval 'grep -q "DHCP, IP range" "$dir/dnsmasq5.log" && grep -q "DHCP, IP range" "$dir/dnsmasq6.log"'
discards() { run -j show statistics fa1/0/6 | jq '.[0].rx_discards'; }
rogue_before=$(discards)
cat >"$dir/udhcpc.sh" <<'EOF'
#!/bin/sh
# udhcpc's hook: the address it is given, on its interface; the lease noted.
case $1 in
    bound) ip addr add "$ip/$mask" dev "$interface" && echo "$ip" >"$LEASED" ;;
esac
EOF
chmod +x "$dir/udhcpc.sh"
LEASED=$dir/leased ip netns exec h7 udhcpc -f -R -i fa1-0-7 -t 10 -T 1 -A 1 -s "$dir/udhcpc.sh" >"$dir/udhcpc.log" 2>&1 &
client=$!
pids+=($client)
until_ok 10 test -s "$dir/leased"
check "the client leases an address of the trusted server" 0 "^10\.0\.0\.1[0-4][0-9]$" -- cat "$dir/leased"
check "the rogue server offered too" 0 "DHCPOFFER\(fa1-0-6\) 10\.0\.0\.2" -- cat "$dir/dnsmasq6.log"
check_not "but no rogue offer reached the client" 0 "10\.0\.0\.2[0-4][0-9]" -- cat "$dir/udhcpc.log"
check "the rogue's offers are counted as its port's discards" 0 "^yes$" -- \
    sh -c "[ \$(($(discards) - rogue_before)) -ge 1 ] && echo yes || echo 'discards: $rogue_before then $(discards)'"
leased=$(cat "$dir/leased" 2>/dev/null)
mac7=$(in_host 7 cat /sys/class/net/fa1-0-7/address | tr -d : | sed 's/\(....\)\(....\)/\1.\2./')
binding() { run -j show dhcp-snooping | jq -r '.bindings[] | "\(.client) \(.address) \(.vlan) \(.port) \(.lease)"'; }
until_ok 5 eval 'binding | grep -q .'
check "the binding is read through the library" 0 "^$mac7 $leased 1 fa1/0/7 120$" -- binding
check "a ping crosses on the leased address" 0 " 0% packet loss" -- in_host 5 ping -c 2 -i 0.2 -W 2 "$leased"
kill "$client"  # udhcpc -R releases its lease on the way out
until_ok 5 eval '[ -z "$(binding)" ]'
check "the client's release ends the binding" 0 "^$" -- binding
finish
