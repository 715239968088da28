#!/usr/bin/env bash
# kelctl end to end for the protocol, security and upkeep areas: one
# scenario per area on a shared state file, as a person would type it.
# RADIUS keys and passwords must reach the switch and show up nowhere else:
# not in kelctl's output or messages, not in kelsim's trace.
#   kelctl_protocol_e2e.sh KELSIM KELCTL
set -u
. "$(dirname "$0")/e2e_lib.sh"
state=$dir/switch
run() { "$kelsim" --state "$state" --trace "$dir/trace" -- "$kelctl" "$@"; }
quiet() {  # quiet KELCTL-ARGS...: a command that must succeed
    out=$(run "$@" 2>&1) || report "kelctl $*" "failed" "$out"
}

# Spanning tree and MST
quiet spanning-tree priority 4096
quiet spanning-tree times 30 4 20
quiet spanning-tree port fa1/0/1-2 cost 500
quiet spanning-tree port fa1/0/2 edge enable
check "stp bridge" 0 "^Bridge +4096/024b\.454c\.0001$" -- run show spanning-tree fa1/0/1-2
check "stp times" 0 "^Max age +30 s$" -- run show spanning-tree fa1/0/1
check "stp port" 0 "^fa1/0/2 +128 +500 +yes +auto +disabled +forwarding +designated$" -- run show spanning-tree fa1/0/2
check "stp auto cost" 0 "^gi2/0/25 +128 +20000 \(auto\) " -- run show spanning-tree gi2/0/25
check "stp priority steps" 2 "not a multiple of 4096" -- run spanning-tree priority 4000
check "stp times refused" 1 "driver status -203" -- run spanning-tree times 40 2 15
quiet mst instance 2 10-20,30
quiet mst name campus
quiet mst port 2 fa1/0/1 priority 64
check "mst region" 0 "^Name +campus$" -- run show mst
check "mst instance" 0 "^2 +32768 +10-20,30$" -- run show mst 2
check "mst instance root" 0 "^Root +32768/" -- run show mst 2
check "mst port" 0 "^fa1/0/1 +64 +200000 \(auto\) " -- run show mst 2
check "mst missing" 1 "instance 3 does not exist" -- run show mst 3

# 802.1X, with a key and passwords that must stay secret
quiet dot1x enable
quiet dot1x port fa1/0/1-2 control auto
quiet dot1x port fa1/0/2 multi-host enable
quiet dot1x port fa1/0/2 guest-vlan 100
quiet dot1x radius add 1 10.0.0.5 Ke%y-5ecret-1
cp "$dir/trace" "$dir/trace.radius"
out=$(echo 'Pa55%word-2' | "$kelsim" --state "$state" --trace "$dir/trace.user" -- "$kelctl" dot1x user add alice - 3 2>&1)
report "user from stdin" "$([ $? = 0 ] && echo ok || echo failed)" "$out"
quiet dot1x user add bob Th1rd-secret
cp "$dir/trace" "$dir/trace.bob"
check "dot1x state" 0 "^State +enabled$" -- run show dot1x fa1/0/1-3
check "dot1x server" 0 "^1 +10\.0\.0\.5 +1812 +\(set\)$" -- run show dot1x
check "dot1x users" 0 "^alice +3$" -- run show dot1x
check "dot1x guest port" 0 "^fa1/0/2 +auto +guest +yes .* 100$" -- run show dot1x fa1/0/2
check "dot1x forced port" 0 "^fa1/0/3 +force-authorized +authorized +no " -- run show dot1x fa1/0/3
run show dot1x >"$dir/show"
run dot1x radius add 9 10.0.0.5 Ke%y-5ecret-1 >"$dir/refused" 2>&1
run dot1x user add "$(printf 'n%.0s' {1..65})" Th1rd-secret >>"$dir/refused" 2>&1
absent "key hidden from trace" "Ke%y-5ecret" "$dir/trace.radius"
absent "password hidden from trace" "Pa55%word" "$dir/trace.user"
absent "argument password hidden from trace" "Th1rd-secret" "$dir/trace.bob"
absent "secrets hidden from show" "5ecret" "$dir/show"
absent "passwords hidden from show" "word" "$dir/show"
absent "key hidden from messages" "Ke%y" "$dir/refused"
absent "password hidden from messages" "Th1rd" "$dir/refused"
found "radius record hidden" "^0x1010 dot1x_radius_set index=1 record=<hidden> -> 0$" "$dir/trace.radius"
found "user record hidden" "^0x1013 dot1x_user_set record=<hidden> -> 0$" "$dir/trace.user"

# Access lists
quiet access-list create web ip
quiet access-list create macs mac
quiet access-list add web permit tcp any 10.1.1.1 dst-port 80 redirect gi1/0/25
quiet access-list add web deny ip 10.0.0.0/8 any seq 5
quiet access-list add macs deny mac 0011.2233.4455 any vlan 10
quiet access-list install web fa1/0/1-4
quiet access-list install macs gi2/0/26
check "acl ports" 0 "^ip access list web \(number 1\), on fa1/0/1-4$" -- run show access-lists
check "acl order" 0 "^  5 +deny ip 10\.0\.0\.0/8 any$" -- run show access-lists web
check "acl redirect" 0 "^  10 +permit tcp any 10\.1\.1\.1 dst-port 80 redirect gi1/0/25$" -- run show access-lists web
check "acl mac" 0 "^  10 +deny mac 0011\.2233\.4455 any vlan 10$" -- run show access-lists macs
check "acl bad option" 2 "does not belong to a udp filter" -- run access-list add web permit udp any any icmp-type 3
check "acl wrong kind" 1 "driver status -203" -- run access-list add macs permit ip any any
quiet access-list delete web permit tcp any 10.1.1.1 dst-port 80 redirect gi1/0/25
quiet access-list remove ip fa1/0/2
check "acl after delete" 0 "on fa1/0/1,fa1/0/3-4$" -- run show access-lists web
check_not "acl filter gone" 0 "dst-port" -- run show access-lists web

# Port security
quiet port-security port fa1/0/5-6 enable
quiet port-security port fa1/0/5 maximum 3
quiet port-security port fa1/0/5 violation restrict
quiet port-security address add fa1/0/5 0011.2233.4455
check "portsecu port" 0 "^fa1/0/5 +enabled +3 +1 +0 +restrict +- +absolute +- +up +0$" -- run show port-security fa1/0/5
check "portsecu address" 0 "^fa1/0/5 +0011\.2233\.4455 +static$" -- run show port-security fa1/0/5
check "portsecu taken" 1 "driver status -207" -- run port-security address add fa1/0/6 0011.2233.4455
check "portsecu bad max" 2 "maximum '65' out of range 1-64" -- run port-security port fa1/0/5 maximum 65

# GVRP, IGMP snooping, DHCP snooping
quiet gvrp enable
quiet gvrp port fa1/0/1 gvrp enable
quiet gvrp port fa1/0/1 mode fixed
quiet gvrp timers fa1/0/1 30 90 2000
check "gvrp port" 0 "^fa1/0/1 +enabled +fixed +30 cs +90 cs +2000 cs +0 +0 +0$" -- run show gvrp fa1/0/1
check "gvrp bad timers" 1 "GARP timers" -- run gvrp timers fa1/0/1 30 60 2000
quiet igmp-snooping enable
quiet igmp-snooping vlan 10-12 enable
quiet igmp-snooping immediate-leave 11 enable
quiet igmp-snooping lmqi 15
check "igmp vlans" 0 "^VLANs +10-12$" -- run show igmp-snooping
check "igmp leave" 0 "^Immediate leave +11$" -- run show igmp-snooping
check "igmp interval" 0 "^Last member query interval +1\.5 s$" -- run show igmp-snooping
quiet dhcp-snooping enable
quiet dhcp-snooping vlan 5-7 enable
quiet dhcp-snooping vlan 6 disable
quiet dhcp-snooping trust gi1/0/25-26 enable
check "dhcp vlans" 0 "^VLANs +5,7$" -- run show dhcp-snooping
check "dhcp trust" 0 "^Trusted ports +gi1/0/25-26$" -- run show dhcp-snooping

# Upkeep
quiet watchdog 60
quiet watchdog reset
check "watchdog" 0 "^Timer resets +1$" -- run show watchdog
quiet watchdog disable
check "watchdog off" 0 "^Timeout +disabled$" -- run show watchdog
check "watchdog reset refused" 1 "is it enabled" -- run watchdog reset
check "cable" 0 "^gi2/0/25 +ok +ok 9 m +ok 9 m +ok 9 m +ok 9 m$" -- run cable-diagnostics fa1/0/1,gi2/0/25
check "model" 0 "^Model +KS-48FE-4GE$" -- run show model
check "health" 0 "^Temperature +41 C$" -- run show health
check "led" 0 "^fa1/0/1 +on$" -- run show led
finish
