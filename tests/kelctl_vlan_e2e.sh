#!/usr/bin/env bash
# kelctl's VLAN and interface commands end to end: run through the kelsim
# launcher on a state file, as a person would, and check what they print and
# how they exit. Lists are given in the shell's own grammar.
#   kelctl_vlan_e2e.sh KELSIM KELCTL
set -u
. "$(dirname "$0")/e2e_lib.sh"
state=$dir/switch
k() { "$kelsim" --state "$state" -- "$kelctl" "$@"; }

check "vlan 1 at start" 0 "^1 +default +sw0 +fa1/0/1-24,gi1/0/25-26,fa2/0/1-24,gi2/0/25-26 +-$" -- k show vlan
check "create a list" 0 "" -- k vlan create 10-12,20
check "created vlans listed" 0 "^12 +VLAN0012 +sw0\.12 +- +-$" -- k show vlan
check "name a vlan" 0 "" -- k vlan name 10 office
check "show a vlan list" 0 "^10 +office +sw0\.10 " -- k show vlan 10,20
check_not "only those shown" 0 "^(1|11|12) " -- k show vlan 10,20
check "missing vlan reported" 1 "VLAN 13 does not exist" -- k show vlan 10,13
check "duplicate create fails" 1 "vlan create: VLAN 10 exists already; nothing created" -- k vlan create 10
check "destroy a list" 0 "" -- k vlan destroy 11-12
check "destroyed gone" 1 "VLAN 11 does not exist" -- k show vlan 11
check "vlan 1 stays" 1 "vlan destroy: VLAN 1 cannot be destroyed \(the default VLAN\)" -- k vlan destroy 1
check "bad vlan list" 2 "bad VLAN list '1-5000': '1-5000' is out of range 1-4094" -- k vlan create 1-5000
check "vlan list syntax" 2 "bad VLAN list '10,,20'" -- k vlan destroy 10,,20
check "vlan id out of range" 2 "VLAN id '4095' out of range 1-4094" -- k vlan name 4095 lab
check "vlan name missing" 2 "vlan name takes a VLAN id and a name" -- k vlan name 10
check "duplicate name" 1 "vlan name 20: driver status -207 \(entry exists\)" -- k vlan name 20 office

check "interfaces, all" 0 "^gi2/0/26 +gigabitethernet2/0/26 +52 +gigabit +up +auto +auto +1 +1 +-$" -- k show interfaces
check "interfaces, a list" 0 "^fa1/0/4 +fastethernet1/0/4 +4 +fast-ethernet +up +auto +auto +1 +1 +-$" -- k show interfaces fa1/0/1-4,gi2/0/25
check "interfaces, long names" 0 "^gi1/0/25 +gigabitethernet1/0/25 +25 " -- k show interfaces gigabitethernet1/0/25-26
check "no such interface" 2 "no such interface: 'fa1/0/99' names no port" -- k show interfaces fa1/0/1,fa1/0/99
check "gigabit port named fa" 2 "no such interface: 'fa1/0/20-26'" -- k show interfaces fa1/0/20-26
check "port list syntax" 2 "bad port list 'fa1/0/1,3': '3' does not begin with fa or gi" -- k show interfaces fa1/0/1,3
check "upper case refused" 2 "bad port list 'FA1/0/1'" -- k show interfaces FA1/0/1
check "stack ports" 0 "^gi1/0/26 +gigabitethernet1/0/26 +26 +gigabit stack " -- \
    "$kelsim" --topology "24fe,2ge/stack;-;8ge" -- "$kelctl" show interfaces
check "absent unit takes no index" 0 "^gi3/0/8 +gigabitethernet3/0/8 +34 " -- \
    "$kelsim" --topology "24fe,2ge/stack;-;8ge" -- "$kelctl" show interfaces gi3/0/1-8
check "32-port unit" 0 "^1 +default +sw0 +fa1/0/1-24,gi1/0/25-32,fa2/0/1-32 +-$" -- \
    "$kelsim" --topology "24fe,8ge;32fe" -- "$kelctl" show vlan
check "help lists them" 0 "show interfaces \[PORTLIST\]" -- "$kelctl" --help
finish
