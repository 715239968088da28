#!/usr/bin/env bash
# kelctl's port and forwarding commands end to end: run through the kelsim
# launcher on one state file, as a person would. First the two typical
# roads (a port's speed by its name; a static trunk from a port list), then
# counters, the MAC address table, LACP, mirroring, queues and limits, with
# kelsim's own commands moving traffic and stations as the wire would.
#   kelctl_forwarding_e2e.sh KELSIM KELCTL
set -u
. "$(dirname "$0")/e2e_lib.sh"
state=$dir/switch
k() { "$kelsim" --state "$state" -- "$kelctl" "$@"; }
sim() { "$kelsim" --state "$state" "$@"; }
traced() { "$kelsim" --state "$state" --trace "$dir/trace" -- "$kelctl" "$@" && cat "$dir/trace"; }

# A port's speed, by its name: one request with the speed at word 44.
check "speed by name" 0 "^0x0515 port_speed_set unit=1 port=3 value=100 -> 0$" -- traced interface fa1/0/3 speed 100
check "speed read back" 0 "^fa1/0/3 +up +up +[0-9d:]+ +fast-ethernet +100 +auto " -- k show interfaces settings fa1/0/3
check "link in show interfaces" 0 "^fa1/0/3 +fastethernet1/0/3 +3 +fast-ethernet +up +100 +auto " -- k show interfaces fa1/0/3
check "speed refused" 1 "speed of fa1/0/3: driver status -203" -- k interface fa1/0/3 speed 1000
check "gigabit speed" 0 "" -- k interface gi2/0/25 speed 1000
check "gigabit read back" 0 "^gi2/0/25 .* gigabit +1000 " -- k show interfaces settings gi2/0/25
check "over a port list" 0 "" -- k interface 'fa1/0/1-4,fa1/0/7' duplex full
check "each port of it" 0 "^5$" -- bash -c "'$kelsim' --state '$state' -- '$kelctl' show interfaces settings fa1/0/1-8 | grep -c ' full '"
check "no such port" 2 "no such interface: 'fa1/0/27'" -- k interface fa1/0/27 speed 100
check "bad value" 2 "^usage: kelctl interface PORTLIST speed auto\|10\|100\|1000" -- k interface fa1/0/3 speed fast
check "unknown setting" 2 "unknown setting 'colour'" -- k interface fa1/0/3 colour red
check "admin down" 0 "" -- k interface fa1/0/3 admin down
check "disabled" 0 "^fa1/0/3 +down +disabled +0d00:00:00 " -- k show interfaces settings fa1/0/3
check "cable pulled" 0 "" -- sim cable 1/0/4 pull
check "link down" 0 "^fa1/0/4 +up +down " -- k show interfaces settings fa1/0/4
check "vlan mode" 0 "" -- k interface fa1/0/6 vlan-mode trunk 1
check "vlans to carry" 0 "" -- k vlan create 20-22
check "allowed vlans" 0 "" -- k interface fa1/0/6 allowed-vlan add 20-21
check "carried tagged" 0 "^fa1/0/6 .* 1 +1 +20-21$" -- k show interfaces fa1/0/6

# A static trunk from a port list: one request with the list in buf.
check "trunk by list" 0 "^0x0701 static_trunk_set trunk=1 buf -> 0$" -- traced trunk static 1 'fa1/0/1-4,fa1/0/7'
check "show trunk" 0 "^1 +static +src-dst-mac +5 +fa1/0/1-4,fa1/0/7$" -- k show trunk
check "member's trunk" 0 "^fa1/0/7 .* access 1 +1 +-$" -- k show interfaces settings fa1/0/7
check "one trunk per port" 1 "driver status -209" -- k trunk static 2 fa1/0/4
check "criteria" 0 "" -- k trunk criteria 1 dst-ip
check "criteria shown" 0 "^1 +static +dst-ip " -- k show trunk 1
check "dynamic trunk" 0 "" -- k trunk dynamic 2 gi1/0/25-26
check "lacp priority" 0 "" -- k interface gi1/0/25 lacp-priority 7
check "show lacp" 0 "^2 +gi1/0/25 +7 +active,aggregatable,in-sync,collecting,distributing$" -- k show lacp
check "trunk destroyed" 0 "" -- k trunk destroy 1
check "no trunk 1" 1 "reading trunk 1: driver status -205" -- k show trunk 1

# Counters, moved by kelsim's own traffic command.
check "traffic" 0 "" -- sim traffic 1/0/5 10 1000
check "broadcasts" 0 "" -- sim traffic 1/0/5 3 192 rx broadcast
check "statistics" 0 "^fa1/0/5 +1192 +10 +3 +0 +0 +0 +0 +0 +0 +0$" -- k show statistics fa1/0/5
check "every counter" 0 "^broadcast packets received +3$" -- k show statistics fa1/0/5
check "traffic to no port" 1 "no such unit or port" -- sim traffic 1/0/27 1
check "unicast named" 0 "" -- sim traffic 1/0/5 2 128 tx unicast
check "sent" 0 "^unicast packets sent +2$" -- k show statistics fa1/0/5

# The MAC address table.
check "learn" 0 "" -- sim learn 0012.3456.789a 1 1/0/5
check "learned" 0 "^1 +0012\.3456\.789a +dynamic +fa1/0/5 +[0-9]+$" -- k show mac-address-table
check "static add" 0 "" -- k mac-address-table static 0012.3456.0001 vlan 1 interface fa1/0/6
check "by port" 0 "^1 +0012\.3456\.0001 +static +fa1/0/6 +-$" -- k show mac-address-table interface fa1/0/6
check "by kind" 0 "^1 entry;" -- k show mac-address-table dynamic
check "clear dynamic" 0 "" -- k clear mac-address-table dynamic interface fa1/0/5
check "static stays" 0 "^1 entry;" -- k show mac-address-table
check "static remove" 0 "" -- k no mac-address-table static 0012.3456.0001 vlan 1 interface fa1/0/6
check "empty" 0 "^0 entries; ageing time 300 seconds$" -- k show mac-address-table
check "bad address" 2 "bad MAC address '0012.3456'" -- k mac-address-table static 0012.3456 vlan 1 interface fa1/0/6
check "no such entry" 1 "driver status -205" -- k no mac-address-table static 0012.3456.0001 vlan 1 interface fa1/0/6

# Mirroring, queues and limits.
check "destination" 0 "" -- k monitor session 1 destination gi2/0/26
check "sources" 0 "" -- k monitor session 1 source fa1/0/8-9 rx
check "both ways" 0 "" -- k monitor session 1 source fa1/0/9 both
check "show monitor" 0 "^1 +gi2/0/26 +fa1/0/8-9 +fa1/0/9 +yes$" -- k show monitor 1
check "queue map" 0 "" -- k qos map 5 3
check "queue policy" 0 "" -- k qos policy strict 5 6
check "show qos map" 0 "^5 +3$" -- k show qos
check "show qos policy" 0 "^Queue policy strict, weights 5 6 4 8$" -- k show qos
check "no such queue" 2 "queue '4' out of range 0-3" -- k qos map 5 4
check "rate" 0 "" -- k interface fa1/0/10 rate tx 2000 16
check "storm" 0 "" -- k interface fa1/0/10 storm-control broadcast 500
check "show limits" 0 "^fa1/0/10 +2000 kb/s, burst 16 KB +- +500 pps +- +-$" -- k show rate-limit fa1/0/10
check "help" 0 "show mac-address-table" -- "$kelctl" --help
# kelsim's own commands take a port by its numbers or by either of its names.
check "port by short name" 0 "^fa1/0/6 .* down " -- bash -c "'$kelsim' --state '$state' cable fa1/0/6 pull && '$kelsim' --state '$state' -- '$kelctl' show interfaces fa1/0/6"
check "port by long name" 0 "^fa1/0/6 .* up " -- bash -c "'$kelsim' --state '$state' cable FastEthernet1/0/6 plug && '$kelsim' --state '$state' -- '$kelctl' show interfaces fa1/0/6"
check "name of another medium" 2 "usage: kelsim --state FILE cable" -- "$kelsim" --state "$state" cable fa2/0/25 pull
finish
