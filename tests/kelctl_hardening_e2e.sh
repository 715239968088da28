#!/usr/bin/env bash
# kelctl under careless and hostile command lines, end to end through the
# launcher on a state file, one table per class of fault. A row
#   refused EXIT PATTERN ARGS...
# runs kelctl ARGS and wants exit status EXIT and a line matching PATTERN;
# `unchanged GROUP` then wants the switch as it was before the group's rows:
# every show command's output (uptimes aside) is compared.
#   kelctl_hardening_e2e.sh KELSIM KELCTL
set -u
. "$(dirname "$0")/e2e_lib.sh"
state=$dir/switch
k() { "$kelsim" --state "$state" -- "$kelctl" "$@"; }
full() { "$kelsim" --state "$state" -- "$kelctl" "$@" >/dev/full; }
errfull() { "$kelsim" --state "$state" -- "$kelctl" "$@" 2>/dev/full; }

shows=("show vlan" "show interfaces settings" "show trunk" "show monitor" "show qos" "show rate-limit"
    "show mac-address-table" "show multicast-table" "show spanning-tree" "show mst" "show dot1x"
    "show access-lists" "show port-security" "show gvrp" "show igmp-snooping" "show dhcp-snooping"
    "show watchdog")
snapshot() {
    "$kelsim" --state "$state" -- bash -c 'k=$1; shift; for s in "$@"; do $k $s; done' _ "$kelctl" "${shows[@]}" 2>&1 |
        sed -E 's/[0-9]+d[0-9]{2}:[0-9]{2}:[0-9]{2}//'
}
changed() { seen=$(snapshot); }  # after rows that were meant to change the switch
unchanged() {
    local now
    now=$(snapshot)
    [ "$now" = "$seen" ] && report "$1 changed nothing" ok "" ||
        report "$1 changed nothing" "the switch changed" "$(diff <(echo "$seen") <(echo "$now"))"
}
refused() {
    local want=$1 pattern=$2
    shift 2
    check "$(printf '%q ' "$@")" "$want" "$pattern" -- k "$@"
}

k vlan create 10,20,30,32 >/dev/null && k vlan name 10 office && k access-list create L mac >/dev/null &&
    k access-list create I ip >/dev/null || report "set-up" "failed" ""
changed

# ---- Class 3: every number is read whole, in full precision, within its range
refused 2 "vlan name: VLAN id '4294967297' out of range 1-4094" vlan name 4294967297 foo
for bad in ' 5' $'\t5' $'\v5' $'\f5' $'\r5' $'\n5' +5 -5 05 '' 5x 0x5 '5 '; do
    refused 2 "vlan name: VLAN id '.*' is not a decimal number \(1-4094\)" vlan name "$bad" foo
done
refused 2 "VLAN id '4294967297' out of range 1-4094" interface fa1/0/1 vlan-mode access 4294967297
refused 2 "priority '4294967296' out of range 0-7" interface fa1/0/1 priority 4294967296
refused 2 "rate '4294967297' out of range 0-1000000" interface fa1/0/1 rate tx 4294967297
refused 2 "burst '4294967297' out of range 0-16384" interface fa1/0/1 rate rx 100 4294967297
refused 2 "rate '4294967297' out of range 0-1488095" interface fa1/0/1 storm-control broadcast 4294967297
refused 2 "priority '65536' out of range 0-65535" interface fa1/0/1 lacp-priority 65536
refused 2 "ageing time '4294967296' out of range 0-4294967295" mac-address-table aging-time 4294967296
refused 2 "ageing time '-1' is not a decimal number" mac-address-table aging-time -1
refused 2 "VLAN id '4294967297' out of range" mac-address-table static 0012.3456.789a vlan 4294967297 interface fa1/0/1
refused 2 "VLAN id '4294967297' out of range" show mac-address-table vlan 4294967297
refused 2 "priority '4294967296' out of range 0-7" multicast-table static 0100.5e00.0001 vlan 1 interface fa1/0/1 priority 4294967296
refused 2 "trunk id '4294967297' out of range 1-8" trunk static 4294967297 fa1/0/1
refused 2 "trunk id '9' out of range 1-8" trunk destroy 9
refused 2 "trunk id '\+1' is not a decimal number" trunk criteria +1 src-mac
refused 2 "trunk id '4294967297' out of range 1-8" show trunk 4294967297
refused 2 "system priority '4294967296' out of range 0-65535" lacp system-priority 4294967296
refused 2 "session '4294967297' out of range 1-4" monitor session 4294967297 destination fa1/0/1
refused 2 "session '4294967297' out of range 1-4" show monitor 4294967297
refused 2 "priority '4294967296' out of range 0-7" qos map 4294967296 0
refused 2 "queue '4294967296' out of range 0-3" qos map 0 4294967296
refused 2 "weight '4294967297' out of range 1-255" qos policy wrr 4294967297
refused 2 "priority '4294971392' out of range 0-61440" spanning-tree priority 4294971392
refused 2 "max age '4294967302' out of range 6-40" spanning-tree max-age 4294967302
refused 2 "cost '4294967297' out of range 0-200000000" spanning-tree port fa1/0/1 cost 4294967297
refused 2 "instance '4294967297' out of range 1-15" mst instance 4294967297 10
refused 2 "instance '4294967296' out of range 0-15" show mst 4294967296
refused 2 "revision '4294967296' out of range 0-65535" mst revision 4294967296
refused 2 "reauth-period '4294967297' out of range 1-65535" dot1x port fa1/0/1 reauth-period 4294967297
refused 2 "guest-vlan '4294967297' out of range 0-4094" dot1x port fa1/0/1 guest-vlan 4294967297
refused 2 "server slot '4294967297' out of range 1-4" dot1x radius add 4294967297 10.0.0.1 key
refused 2 "UDP port '4294968108' out of range 1-65535" dot1x radius add 1 10.0.0.1 key 4294968108
refused 2 "address '010.0.0.1'" dot1x radius add 1 010.0.0.1 key
refused 2 "privilege '4294967296' out of range 0-15" dot1x user add u pw 4294967296
refused 2 "src-port '4294967297' out of range 1-65535" access-list add I permit tcp any any src-port 4294967297
refused 2 "icmp-type '4294967296' out of range 0-255" access-list add I permit icmp any any icmp-type 4294967296
refused 2 "'10.0.0.1 junk' is not" access-list add I deny ip '10.0.0.1 junk' any
refused 2 "'10.0.0.0/288' is not" access-list add I deny ip 10.0.0.0/288 any
refused 2 "ethertype ' 0x800' is not a number \(0x0600-0xffff\)" access-list add L permit mac any any ethertype ' 0x800'
refused 2 "ethertype '\+0x800' is not" access-list add L permit mac any any ethertype +0x800
refused 2 "ethertype '04000' is not" access-list add L permit mac any any ethertype 04000
refused 2 "ethertype '0x100000800' out of range 0x0600-0xffff" access-list add L permit mac any any ethertype 0x100000800
refused 2 "vlan '4294967297' out of range 1-4094" access-list add L permit mac any any vlan 4294967297
refused 2 "seq '4294967297' out of range" access-list add L permit mac any any seq 4294967297
refused 2 "maximum '4294967297' out of range 1-64" port-security port fa1/0/1 maximum 4294967297
refused 2 "join time '4294967306' out of range 1-65535" gvrp timers fa1/0/1 4294967306 30 100
refused 2 "interval '4294967297' out of range 1-250" igmp-snooping lmqi 4294967297
refused 2 "timeout '4294967297' out of range 1-300" watchdog 4294967297
unchanged "class 3"
check "ethertype in hex" 0 "" -- k access-list add L permit mac any any ethertype 0x88cc
check "ethertype in decimal" 0 "" -- k access-list add L permit mac any any ethertype 2048
check "both shown" 0 "ethertype 0x0800" -- k show access-lists L
changed

# ---- Class 4: a malformed list is refused whole
for bad in 20-22-99 20- -20 20, ,20 20,,30 30-20 020 20-0x16 4294967297 20-4294967297 ' 20' '20 ' 1-5000 0 ''; do
    refused 2 "bad VLAN list" vlan create "$bad"
done
refused 2 "bad VLAN list '10-20-30'" vlan destroy 10-20-30
refused 2 "bad VLAN list '10-20-30'" igmp-snooping vlan 10-20-30 enable
refused 2 "bad VLAN list '10-20-30'" mst instance 1 10-20-30
refused 2 "bad VLAN list '10-20-30'" interface fa1/0/1 allowed-vlan add 10-20-30
for bad in fa1/0/1-2-3 fa1/0/1, ,fa1/0/1 fa1/0/1,,fa1/0/2 fa1/0/1x fa1/0/1/5 fa1/0/1-2/3 fa1/0/2-1 fa1/0/1-1 \
    fa1/0/01 fa1/0/1-02 fa01/0/1 'fa1/0/1 ' ' fa1/0/1' fa1/0/-1 fa1/0/+1 fa/0/1 FA1/0/1 ''; do
    refused 2 "bad port list" interface "$bad" speed 100
done
refused 2 "no such interface: 'fa1/0/1-4294967298'" interface fa1/0/1-4294967298 speed 100
refused 2 "bad port list 'fa1/0/1-2-3'" trunk static 1 fa1/0/1-2-3
refused 2 "bad port list 'fa1/0/1-2-3'" show interfaces fa1/0/1-2-3
refused 2 "bad port list 'fa1/0/1-2-3'" spanning-tree port fa1/0/1-2-3 cost 5
refused 2 "bad port list 'fa1/0/1-2-3'" access-list install L fa1/0/1-2-3
unchanged "class 4"

# ---- Class 5: output that cannot be written is an error
check "output to a full device" 1 "kelctl: cannot write the output: No space left on device" -- full show stack
check "help to a full device" 1 "No space left on device" -- full --help
check "a warning to a full device" 1 "" -- errfull dot1x radius add 1 10.0.0.1 12345678901234567
changed

# ---- Class 7: no control character is kept in a name or printed raw
refused 2 "access-list name 'a\\\\x1bb' holds a control character" access-list create $'a\eb' mac
refused 2 "MST region name 'x\\\\x0ay' holds a control character" mst name $'x\ny'
refused 2 "user name 'u\\\\x7f' holds a control character" dot1x user add $'u\x7f' pw
refused 2 "VLAN name 'a\\\\x09b' holds a control character" vlan name 10 $'a\tb'
refused 2 "access-list name '' may not be empty" access-list create '' mac
refused 2 "holds a control character" show access-lists $'a\eb'
unchanged "class 7"
check "message escaped" 2 "'\\\\x1b\[31m'" -- k vlan create $'\e[31m'
check_not "no raw escape in a message" 2 $'\e' -- k vlan create $'\e[31m'
check "a name beyond ASCII, refused by the switch, shown escaped" 1 "creating list caf\\\\xc3\\\\xa9: driver status -203" -- \
    k access-list create $'caf\xc3\xa9' ip

# ---- Class 8: messages say what happened; lists change all or report each refusal
check "no driver: port list" 1 "driver did not answer" -- "$kelctl" interface fa1/0/1 speed 100
check "no driver: show list" 1 "driver did not answer" -- "$kelctl" show interfaces fa1/0/1-4
check "no driver: one port" 1 "driver did not answer" -- "$kelctl" port-security address add fa1/0/1 0012.3456.789a
check "no driver: bad list" 2 "bad port list" -- "$kelctl" interface fa1/0/1-2-3 speed 100
refused 1 "vlan name 20: driver status -207 \(entry exists\)" vlan name 20 office
refused 1 "vlan destroy: VLAN 31 does not exist; nothing destroyed" vlan destroy 30-32
refused 1 "vlan create: VLAN 10 exists already; nothing created" vlan create 9-11
refused 1 "vlan destroy: VLAN 1 cannot be destroyed" vlan destroy 1,30
unchanged "class 8, lists checked first"
check "refused members each reported" 1 "speed of fa1/0/24: driver status -203 \(bad value\)" -- \
    k interface fa1/0/23-24,gi1/0/25 speed 1000
[ "$(grep -c "driver status -203" <<<"$out")" = 2 ] || report "one line per refused member" "not 2" "$out"
check "the others changed" 0 "^gi1/0/25 +up +up .* 1000 " -- k show interfaces settings gi1/0/25
check "help says so" 0 "reported on a line of its own" -- "$kelctl" --help
changed
for c in "show system" "show stack" "show qos" "show igmp-snooping" "show dhcp-snooping" "show watchdog" \
    "show led" "show health" "show model" "show vlan 1" "show interfaces fa1/0/1" "show interfaces settings fa1/0/1" \
    "show statistics fa1/0/1" "show trunk 1" "show lacp 1" "show monitor 1" "show rate-limit fa1/0/1" \
    "show spanning-tree fa1/0/1" "show mst 0" "show access-lists L" "show dot1x fa1/0/1" \
    "show port-security fa1/0/1" "show gvrp fa1/0/1" "watchdog reset"; do
    read -ra words <<<"$c"
    refused 2 "^usage: kelctl ${words[0]} ${words[1]}" "${words[@]}" extra
done
refused 2 "^usage: kelctl show mac-address-table" show mac-address-table vlan 1 vlan 2
refused 2 "^usage: kelctl show mac-address-table" show mac-address-table static dynamic
refused 2 "^usage: kelctl show multicast-table" show multicast-table vlan 1 vlan 1
refused 2 "^usage: kelctl show multicast-table" show multicast-table static static
refused 2 "^usage: kelctl clear mac-address-table dynamic" clear mac-address-table dynamic vlan 1 vlan 1
unchanged "class 8, usage"
finish
