#!/usr/bin/env bash
# kelctl for operators and scripts, end to end through the launcher: every
# show command's JSON read by jq against the values set; batches (line
# numbers, --force, standard input, files that are refused whole); help,
# suggestions and the examples of help; completion; secrets in no output.
#   kelctl_ops_e2e.sh KELSIM KELCTL
set -u
. "$(dirname "$0")/e2e_lib.sh"
man=$(dirname "$0")/../tools/kelctl/kelctl.1 completion=$(dirname "$0")/../tools/kelctl/kelctl.bash
state=$dir/switch
k() { "$kelsim" --state "$state" -- "$kelctl" "$@"; }
kin() { local input=$1; shift; "$kelsim" --state "$state" -- "$kelctl" "$@" <<<"$input"; }

check_not "a switch that has just started has no running configuration" 0 "." -- k show running-config

# ---- A switch set up by a batch: comments, quotes, a continued line --------
cat >"$dir/setup" <<'EOF'
# every area gets something to show
vlan create 10-12,20-21
vlan name 10 office          # a comment after a command
vlan name 11 'guest "wifi" \ 1'
interface fa1/0/3 speed 100
interface fa1/0/6 vlan-mode trunk 1
interface fa1/0/6 allowed-vlan add 20-21 \
    tagged
interface fa1/0/7 admin down
interface fa1/0/10 rate tx 2000 16
interface fa1/0/10 storm-control broadcast 500
trunk static 1 'fa1/0/1-2'
trunk criteria 1 dst-ip
trunk dynamic 2 gi1/0/25
interface gi1/0/25 lacp-priority 7
monitor session 1 destination gi2/0/26
monitor session 1 source fa1/0/8-9 rx
qos map 5 3
qos policy strict 5 6 4 8
mac-address-table static 0012.3456.0001 vlan 1 interface fa1/0/6
multicast-table static 0100.5e00.0001 vlan 1 interface fa1/0/4-5 priority 5
spanning-tree priority 4096
spanning-tree port fa1/0/1 cost 500
mst name campus
mst instance 2 10-11
mst port 2 fa1/0/1 priority 64
dot1x radius add 1 10.0.0.5 - 1812
dot1x user add alice - 3
dot1x port fa1/0/2 guest-vlan 100
access-list create web ip
access-list add web permit tcp any 10.1.1.1 dst-port 80 redirect gi1/0/25
access-list install web fa1/0/1-4
port-security port fa1/0/5 maximum 3
port-security address add fa1/0/5 0011.2233.4455
gvrp enable
gvrp timers fa1/0/1 30 90 2000
igmp-snooping vlan 10-12 enable
igmp-snooping lmqi 15
dhcp-snooping trust gi1/0/25-26 enable
watchdog 60
EOF
check "set-up batch" 0 "ip access list web is number 1" -- kin $'Ke%y-5ecret-1\nPa55%word-2' -b "$dir/setup"
"$kelsim" --state "$state" traffic fa1/0/5 10 1192 rx unicast >/dev/null

# ---- JSON: one row per show command, a jq test of the values set above -------
json() {  # json NAME JQ-TEST KELCTL-ARGS...
    local name=$1 test=$2
    shift 2
    out=$(k -j "$@" 2>&1) && jq -e "$test" <<<"$out" >/dev/null 2>&1 && report "json $name" ok "" ||
        report "json $name" "jq -e '$test' is not true" "$out"
    k -p "$@" | jq -S 'del(.. | .uptime?)' >"$dir/pretty" && jq -S 'del(.. | .uptime?)' <<<"$out" | cmp -s - "$dir/pretty" ||
        report "json $name pretty" "-p differs from -j" "$(cat "$dir/pretty")"
    jq -r '[paths | .[] | strings] | unique | .[]' <<<"$out" >>"$dir/keys"
}
json system '.ports == 52 and .mac_address == "024b.454c.0001" and .stack_master and .management_vlan == 1' show system
json stack '(.units | length) == 2 and .ports[24].short_name == "gi1/0/25" and .ports[24].kind == "gigabit"' show stack
json interfaces '.[0].speed == "100" and .[0].index == 3 and .[0].native_vlan == 1' show interfaces fa1/0/3
json tagged '.[0].tagged_vlans == [20,21] and .[0].untagged_vlans == [1]' show interfaces fa1/0/6
json settings '.[0].admin == "down" and .[0].link == "disabled" and .[0].autoneg == true and .[0].trunk == null' \
    show interfaces settings fa1/0/7
json trunk-port '.[0].trunk == 2 and .[0].lacp and .[0].mirror_session == null' show interfaces settings gi1/0/25
json statistics '.[0].rx_octets == 1192 and .[0].rx_unicast == 10 and .[0].tx_octets == 0 and (.[0] | length) == 36' \
    show statistics fa1/0/5
json vlan '.[0].name == "office" and .[1].name == "guest \"wifi\" \\ 1" and (.[0].untagged_ports | length) == 0' \
    show vlan 10-11
json mac '.count == 1 and .ageing_time == 300 and .entries[0].port == "fa1/0/6" and .entries[0].age == null' \
    show mac-address-table
json multicast '.[0].priority == 5 and .[0].ports == ["fa1/0/4","fa1/0/5"] and .[0].type == "static"' show multicast-table
json trunk '.[0].criteria == "dst-ip" and .[0].members == ["fa1/0/1","fa1/0/2"] and .[1].type == "dynamic"' show trunk
json lacp '.system_priority == 32768 and .members[0].priority == 7 and (.members[0].state | index("active"))' show lacp
json monitor '.[0].destination == "gi2/0/26" and .[0].received == ["fa1/0/8","fa1/0/9"] and .[0].active' show monitor 1
json qos '.map[5].queue == 3 and .policy == "strict" and .weights == [5,6,4,8]' show qos
json rate '.[0].tx_rate == 2000 and .[0].tx_burst == 16 and .[0].broadcast == 500 and .[0].rx_rate == null' \
    show rate-limit fa1/0/10
json stp '.bridge.priority == 4096 and .bridge.root_port == null and .ports[0].cost == 500 and (.ports[0].auto_cost | not)' \
    show spanning-tree fa1/0/1
json mst '.region.name == "campus" and .instances[0].vlans == [10,11] and .ports[0].priority == 64' show mst 2
json dot1x '.servers[0].key_set and .users[0].user == "alice" and .users[0].privilege == 3 and .ports[1].guest_vlan == 100' \
    show dot1x fa1/0/1-2
json acl '.[0].number == 1 and .[0].filters[0].dst_port == 80 and .[0].filters[0].redirect == "gi1/0/25"' \
    show access-lists
json portsecu '.ports[0].maximum == 3 and .addresses[0].mac_address == "0011.2233.4455" and .ports[0].age == null' \
    show port-security fa1/0/5
json gvrp '.enabled and .ports[0].join == 30 and .ports[0].leave_all == 2000' show gvrp fa1/0/1
json igmp '.vlans == [10,11,12] and .last_member_query_interval == 15 and .immediate_leave == []' show igmp-snooping
json dhcp '.trusted_ports == ["gi1/0/25","gi1/0/26"] and .enabled == false and .bindings == []' show dhcp-snooping
json watchdog '.timeout == 60 and .timer_resets == 0' show watchdog
json led '.[0] == {"port": "fa1/0/1", "led": "on"}' show led
json health '.temperature == 41 and .watchdog_timeout == 60' show health
json model '.model == "KS-48FE-4GE" and .units == 2' show model
json cable '.[0].pair_3 == null and .[0].result != null' cable-diagnostics fa1/0/1
json running-config 'map(.command) | index(["vlan name 10 office"]) != null' show running-config
check "json of a command that makes something" 0 '^\{"name":"macs","type":"mac","number":2\}$' -- k -j access-list create macs mac
sort -u "$dir/keys" | while read -r key; do grep -qF "\\fB$key\\fR" "$man" || echo "$key"; done >"$dir/undocumented"
# ... and every command (its leading words, as help lists them).
"$kelctl" help | grep '^  [a-z]' | cut -c3-46 |
    awk '{ w = ""; for (i = 1; i <= NF && $i ~ /^[a-z][a-z-]*$/; i++) w = w (w ? " " : "") $i; print w }' |
    sort -u | while read -r c; do sed 's/\\-/-/g' "$man" | grep -q "^\.B kelctl $c\b" || echo "command $c"; done \
    >>"$dir/undocumented"
[ -s "$dir/undocumented" ] && report "every JSON key and command in the man page" "undocumented" \
    "$(cat "$dir/undocumented")" || report "every JSON key and command in the man page" ok ""

check "running-config of ports: their settings" 0 "^interface fa1/0/3 speed 100$" -- k show running-config fa1/0/3
check_not "running-config of ports: nothing else" 0 "^(vlan|trunk|qos|interface fa1/0/[^3])" -- k show running-config fa1/0/3
check "running-config all: settings as they started" 0 "^interface fa1/0/1-2,fa1/0/4-24,gi1/0/25-26,fa2/0/1-24,gi2/0/25-26 speed auto$" -- \
    k show running-config all

# ---- Batches -----------------------------------------------------------------
batch() { printf '%s\n' "$@" >"$dir/batch"; }
batch "vlan create 30" "vlan name 30 thirty" "vlan create 4095" "vlan create 31"
check "a wrong line stops the batch" 2 "^kelctl: $dir/batch:3: vlan create: bad VLAN list '4095'" -- k -b "$dir/batch"
check "lines before it applied" 0 "^30 +thirty " -- k show vlan 30
check "lines after it not" 1 "VLAN 31 does not exist" -- k show vlan 31
batch "vlan destroy 30" "vlan name 10 office" "vlan name 12 office" "vlan create 31"
check "a refusal stops it, exit 1" 1 "batch:3: vlan name 12: driver status -207 \(entry exists\)" -- k -b "$dir/batch"
batch "vlan create 32" "nonsense here" "vlan create 33" "vlan create 32"
check "--force goes on" 2 "batch:2: unknown command 'nonsense'" -- k --force -b "$dir/batch"
[ "$(grep -c "^kelctl: $dir/batch:" <<<"$out")" = 2 ] || report "--force reports each failing line" "not 2" "$out"
check "--force applied the rest" 0 "^33 " -- k show vlan 33
check "standard input" 2 "^kelctl: <stdin>:2: unknown command" -- kin $'vlan create 34\nbogus' -b -
check "a secret cannot come from the batch's own input" 2 "<stdin>:1: dot1x radius add: the key cannot be read" -- \
    kin 'dot1x radius add 2 10.0.0.6 -' -b -
check "a batch takes no command" 2 "takes no command" -- k -b "$dir/batch" show vlan
check "--force needs a batch" 2 "goes with a batch" -- k --force show vlan
check "a missing file" 1 "cannot open the batch file $dir/none" -- k -b "$dir/none"
check "a directory" 1 "cannot read the batch" -- k -b "$dir"
# Files that do not read are refused whole: nothing of them applies.
refused_whole() {  # refused_whole NAME LINE MESSAGE (the batch is in $dir/batch)
    check "$1" 2 "batch:$2: $3; nothing of the batch was run" -- k -b "$dir/batch"
    check_not "$1: nothing applied" 0 "^40 " -- k show vlan
}
printf 'vlan create 40\nvlan name 40 a\0b\n' >"$dir/batch" && refused_whole "a NUL byte" 2 "a NUL byte in the line"
printf 'vlan create 40\nvlan name 40 caf\xe9\n' >"$dir/batch" && refused_whole "not UTF-8" 2 "bytes that are not UTF-8 in the line"
printf 'vlan create 40\n\nvlan name 40 "open\n' >"$dir/batch" && refused_whole "an open quote" 3 "a quote is not closed"
{ echo "vlan create 40"; head -c 70000 /dev/zero | tr '\0' x; echo; } >"$dir/batch"
refused_whole "a line of 70000 bytes" 2 "the command is longer than 65536 bytes"
{ echo "vlan create 40"; head -c 1048576 /dev/zero | tr '\0' x; echo; } >"$dir/batch"
refused_whole "a line of 1 MiB" 2 "the command is longer than 65536 bytes"
yes "show system" | head -c 10485760 >"$dir/batch"
check "a file of 10 MiB" 1 "larger than 8388608 bytes \(8 MiB\); split it" -- k -b "$dir/batch"
printf 'vlan create 41\nvlan name 41 "x\n' >"$dir/batch"
check "--force skips a line that does not read" 2 "batch:2: a quote is not closed" -- k --force -b "$dir/batch"
check "and runs the others" 0 "^41 " -- k show vlan 41

# ---- Secrets: in no output, message or configuration -------------------------
batch "dot1x radius add 9 10.0.0.5 S3cr3tKey-A" "dot1x radius add 1 10.0.0.500 S3cr3tKey-B" \
    "dot1x user add $(printf 'n%.0s' {1..65}) S3cr3tPass-C" "dot1x radius add 1 10.0.0.5 'S3cr3tKey-D"
k --force -b "$dir/batch" >"$dir/secrets" 2>&1
printf 'dot1x radius add 1 10.0.0.5 S3cr3tKey-E\0\n' >"$dir/batch" && k -b "$dir/batch" >>"$dir/secrets" 2>&1
for c in "show running-config" "-j show running-config" "show running-config all" "-j show dot1x" "show dot1x"; do
    k $c >>"$dir/secrets" 2>&1
done
absent "secrets in no output" "S3cr3t" "$dir/secrets"
absent "the set-up's secrets in none" "5ecret" "$dir/secrets"
found "running-config notes the key" "^dot1x radius add 1 10.0.0.5 - 1812  # the key is not shown" "$dir/secrets"

# ---- Help, usage and suggestions ----------------------------------------------
check "help lists areas" 0 "^spanning-tree: " -- "$kelctl" help
check "help of an area" 0 "^      kelctl vlan name 30 'guest wifi'$" -- "$kelctl" help vlan
check "help of a command" 0 "^usage: kelctl show interfaces settings \[PORTLIST\]$" -- "$kelctl" help show interfaces settings
check "help of interface lists settings" 0 "^  storm-control +broadcast" -- "$kelctl" help interface
check "help of words that begin commands" 0 "^  mst port INSTANCE" -- "$kelctl" help mst
check "help of nothing known" 2 "did you mean: vlan create" -- "$kelctl" help vlan creat
check "a misspelt command" 2 "did you mean: show vlan" -- k shwo vlan
check "a misspelt second word" 2 "did you mean: spanning-tree mode" -- k spanning-tree mod rstp
check "a usage error: that command's usage" 2 "^usage: kelctl vlan name VID NAME$" -- k vlan name 10
[ "$(grep -c '^usage:' <<<"$out")" = 1 ] || report "only that command's usage" "more lines" "$out"
check "no command" 2 "^usage: kelctl \[-j\|-p\] COMMAND" -- "$kelctl"
check "an unknown option" 2 "unknown option '-x'" -- "$kelctl" -x show vlan
# Every example of help is a command kelctl takes (some the switch refuses here).
for area in $("$kelctl" help | sed -n '/^commands, by area/,$s/^\([a-z-]*\): .*/\1/p'); do "$kelctl" help "$area"; done |
    sed -n 's/^      kelctl \([^-].*\)/\1/p' >"$dir/examples"
check "help has examples" 0 "^vlan create 10-20,30$" -- cat "$dir/examples"
kin "$(printf 'k%.0s\n' {1..9})" --force -b "$dir/examples" >/dev/null 2>"$dir/refused"
check_not "every example reads" 0 "^usage:|unknown command|did you mean|takes |is not |out of range" -- cat "$dir/refused"

# ---- Completion ------------------------------------------------------------------
completes() {  # completes NAME PATTERN WORDS...: bash completion of the last word
    local name=$1 pattern=$2
    shift 2
    check "complete $name" 0 "$pattern" -- "$kelsim" --state "$state" -- bash -c \
        '. "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _kelctl; printf "%s\n" "${COMPREPLY[@]}"' \
        _ "$completion" "$kelctl" "$@"
}
completes "a command" "^show$" sh
completes "a second word" "^running-config$" show run
completes "a setting" "^storm-control$" interface fa1/0/1 st
completes "a setting's values" "^1000$" interface fa1/0/1 speed ''
completes "ports of the switch" "^gi2/0/26$" show interfaces gi2/0/2
completes "an item of a port list" "^fa1/0/1,gi1/0/25$" trunk static 1 fa1/0/1,gi1/0/2
completes "VLANs of the switch" "^41$" vlan destroy 4
completes "an option keyword" "^interface$" show mac-address-table vlan 1 ''
completes "options" "^--json$" --j
completes "help" "^spanning-tree$" help span
finish
