#!/usr/bin/env bash
# kelsnmpd end to end: a master snmpd of the test's own on a loopback port
# and a Unix AgentX socket, kelsnmpd under kelsim on a state file, net-snmp's
# tools as the managers, and kelctl and kelsim's commands on the same switch
# as the witnesses. Reads compare with kelctl's view; SETs are read back
# through kelctl; bad SETs must fail with the MIB's error and change
# nothing; a link change brings a notification; snmpd restarts and
# kelsnmpd registers again.
#   kelsnmpd_e2e.sh KELSIM KELCTL KELSNMPD
set -u
. "$(dirname "$0")/e2e_lib.sh"
agent=$3

if [ ! -x "$agent" ]; then
    echo "kelsnmpd end to end: kelsnmpd was not built (net-snmp's agent library: apt-get install libsnmp-dev)"
    [ -n "${KEL_REQUIRE_ALL_LEGS:-}" ] && exit 1
    exit 77
fi
for tool in snmpd snmptrapd snmpget snmpset snmpbulkwalk; do
    if ! command -v $tool >/dev/null; then
        echo "kelsnmpd end to end: $tool not found (apt-get install snmpd snmptrapd snmp)"
        [ -n "${KEL_REQUIRE_ALL_LEGS:-}" ] && exit 1
        exit 77
    fi
done

pids=()
trap 'for p in "${pids[@]}"; do kill -- -"$p" 2>/dev/null; done; rm -rf "$dir"' EXIT
export SNMP_PERSISTENT_DIR=$dir/persist MIBS=
state=$dir/switch
k() { "$kelsim" --state "$state" -- "$kelctl" "$@"; }
sim() { "$kelsim" --state "$state" "$@"; }
start() { setsid "$@" </dev/null >>"$dir/log" 2>&1 & pids+=($!); }  # a process group of its own
until_ok() { for _ in $(seq 100); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done; return 1; }

snmp() { local tool=$1 community=$2; shift 2; "$tool" -On -Oe -v2c -c "$community" -t 2 -r 1 "127.0.0.1:$port" "$@"; }
get() { snmp snmpget public -Oqv "$@"; }
getx() { get -Ox "$@"; }  # octet strings in hexadecimal
answers() { local v; v=$(get "$1" 2>&1) && [[ $v != No\ Such* ]]; }
walk() { snmp snmpbulkwalk public -Oq "$@"; }
set_() { snmp snmpset private "$@"; }

IF=.1.3.6.1.2.1.2.2.1 IFX=.1.3.6.1.2.1.31.1.1.1 Q=.1.3.6.1.2.1.17.7.1 STATIC=.1.3.6.1.2.1.17.7.1.4.3.1
PVID=.1.3.6.1.2.1.17.7.1.4.5.1.1 AGING=.1.3.6.1.2.1.17.4.2.0 STP=.1.3.6.1.2.1.17.2
LAG=.1.2.840.10006.300.43 PAE=.1.0.8802.1.1.1

start_snmpd() {
    cat >"$dir/snmpd.conf" <<EOF
agentaddress udp:127.0.0.1:$port
master agentx
agentXSocket unix:$dir/agentx
rocommunity public 127.0.0.1
rwcommunity private 127.0.0.1
trap2sink 127.0.0.1:$trap_port public
EOF
    start snmpd -f -Lf "$dir/snmpd.log" -C -c "$dir/snmpd.conf" -p "$dir/snmpd.pid" -I -ifTable,ifXTable,interfaces
    snmpd_pid=${pids[-1]}
    until_ok answers .1.3.6.1.2.1.1.3.0
}

# Free loopback ports: a busy one makes snmpd or snmptrapd exit, so try others.
for _ in 1 2 3 4 5; do
    port=$((20000 + RANDOM % 20000)) trap_port=$((40000 + RANDOM % 20000))
    echo "disableAuthorization yes" >"$dir/snmptrapd.conf"
    start snmptrapd -f -Lf "$dir/traps" -On -C -c "$dir/snmptrapd.conf" "udp:127.0.0.1:$trap_port"
    start_snmpd && break
done
start "$kelsim" --state "$state" -- "$agent" -f -x "unix:$dir/agentx" -r 1 -w 1 -Lf "$dir/kelsnmpd.log"
agent_pid=${pids[-1]}
if ! until_ok answers $IF.1.1; then
    report "agent answers" "no answer from kelsnmpd" "$(cat "$dir"/*.log)"
    finish
fi

# ---- reads against kelctl's view -------------------------------------------

ports=$(k show system | awk '$1 == "Ports" {print $2}')
check "ifNumber" 0 "^$ports$" -- get .1.3.6.1.2.1.2.1.0
k show interfaces | awk 'NR > 1 {print $3, $2, $1}' >"$dir/names.kelctl"
paste -d' ' <(walk $IF.1 | awk '{print $2}') <(walk $IF.2 | awk '{print $2}' | tr -d '"') \
    <(walk $IFX.1 | awk '{print $2}' | tr -d '"') >"$dir/names.snmp"
check "every ifIndex, ifDescr and ifName" 0 "" -- diff "$dir/names.kelctl" "$dir/names.snmp"

sim traffic fa1/0/5 10 1000 rx unicast >/dev/null
sim traffic fa1/0/5 3 192 rx broadcast >/dev/null
sim traffic fa1/0/5 4 256 tx unicast >/dev/null
read -r rx_oct rx_uc rx_nuc _ _ tx_oct tx_uc _ < <(k show statistics fa1/0/5 | awk 'NR == 2 {$1 = ""; print}')
bcast=$(k show statistics fa1/0/5 | awk '/^broadcast packets received/ {print $4}')
while read -r name oid want; do
    check "$name after traffic" 0 "^$want$" -- get "$oid"
done <<EOF
ifInOctets       $IF.10.5   $rx_oct
ifInUcastPkts    $IF.11.5   $rx_uc
ifInNUcastPkts   $IF.12.5   $rx_nuc
ifOutOctets      $IF.16.5   $tx_oct
ifOutUcastPkts   $IF.17.5   $tx_uc
ifInBroadcast    $IFX.3.5   $bcast
ifHCInOctets     $IFX.6.5   $rx_oct
ifHCOutUcast     $IFX.11.5  $tx_uc
EOF
check "no traffic elsewhere" 0 "^0$" -- get $IF.10.6
check "ifOperStatus up" 0 "^1$" -- get $IF.8.6
sim cable fa1/0/6 pull >/dev/null
check "ifOperStatus after the cable" 0 "^2$" -- get $IF.8.6
check "ifSpeed of a Gigabit port" 0 "^1000000000$" -- get $IF.5.25
mac=$(k show system | awk '/^MAC/ {gsub(/\./, "", $3); print toupper($3)}' | sed 's/../& /g')
check "dot1dBaseBridgeAddress" 0 "^\"$mac\"$" -- getx .1.3.6.1.2.1.17.1.1.0

# VLANs and their port sets: each port's VLANs in kelctl against the PortLists.
k vlan create 10,20 >/dev/null
k interface fa1/0/2 vlan-mode trunk 1 >/dev/null
k interface fa1/0/2 allowed-vlan add 10 >/dev/null
k interface fa1/0/3 vlan-mode access 20 >/dev/null
ports_of() {  # VLAN [untagged]: the indices kelctl shows carrying it
    k show interfaces | awk -v v="$1" -v u="${2:-}" '
        function has(l, v,   a, r, n, i) {
            n = split(l, a, ",")
            for (i = 1; i <= n; i++) { if (split(a[i], r, "-") < 2) r[2] = r[1]; if (v >= r[1] + 0 && v <= r[2] + 0) return 1 }
            return 0
        }
        NR > 1 && (has($9, v) || (!u && has($10, v))) {printf "%s ", $3}'
}
bits() {  # the indices set in a PortList printed as hexadecimal octets
    "$@" | tr -d '"' | awk '{ for (i = 1; i <= NF; i++) { o = 0; for (j = 1; j <= 2; j++) o = o * 16 + index("0123456789ABCDEF", substr($i, j, 1)) - 1
                            for (b = 0; b < 8; b++) if (int(o / 2 ^ (7 - b)) % 2) printf "%d ", (i - 1) * 8 + b + 1 } }'
}
for vid in 1 10 20; do
    check "VLAN $vid egress ports" 0 "^$(ports_of $vid)$" -- bits getx $STATIC.2.$vid
    check "VLAN $vid untagged ports" 0 "^$(ports_of $vid u)$" -- bits getx $STATIC.4.$vid
    check "VLAN $vid current egress" 0 "^$(ports_of $vid)$" -- bits getx $Q.4.2.1.4.0.$vid
    check "VLAN $vid name" 0 "^\"$(k show vlan $vid | awk 'NR == 2 {print $2}')\"$" -- get $STATIC.1.$vid
done
check "dot1qNumVlans" 0 "^3$" -- get $Q.1.4.0
check "dot1qPvid" 0 "^20$" -- get $PVID.3
last() { walk "$1" | tail -1; }
check "VLAN walk ends at the last VLAN" 0 "^$STATIC.1.20 " -- last $STATIC.1

# The MAC address table: learned and static entries against kelctl's, by
# VLAN and address (dot1qTpFdbTable) and by address (dot1dTpFdbTable).
sim learn 0012.3456.789a 10 fa1/0/2 >/dev/null
sim learn 0012.3456.0002 1 fa1/0/9 >/dev/null
k mac-address-table static 0012.3456.0001 vlan 1 interface fa1/0/6 >/dev/null
fdb_kelctl() {  # "VID.b0...b5 PORT-INDEX STATUS" per entry, from kelctl's table and names
    k show mac-address-table | awk -v by="${1:-}" 'NR == FNR {index_of[$3] = $1; next}
        $2 ~ /\./ {
            h = $2; gsub(/\./, "", h); key = by == "vlan" ? $1 : ""
            for (i = 0; i < 6; i++) key = key (key == "" ? "" : ".") (index("0123456789abcdef", substr(h, 2 * i + 1, 1)) - 1) * 16 + index("0123456789abcdef", substr(h, 2 * i + 2, 1)) - 1
            print key, index_of[$4], $3 == "static" ? 5 : 3
        }' "$dir/names.kelctl" - | sort
}
fdb_snmp() {  # the same from the port and status columns of a table
    paste -d' ' <(walk "$1.2" | sed "s/^$1.2.//") <(walk "$1.3" | awk '{print $2}') | sort
}
check "dot1qTpFdbTable" 0 "" -- diff <(fdb_kelctl vlan) <(fdb_snmp $Q.2.2.1)
check "dot1dTpFdbTable" 0 "" -- diff <(fdb_kelctl) <(fdb_snmp .1.3.6.1.2.1.17.4.3.1)
check "an entry by its index" 0 "^2$" -- get $Q.2.2.1.2.10.0.18.52.86.120.154
check "no such entry" 0 "No Such Instance" -- get $Q.2.2.1.2.20.0.18.52.86.120.154

# ---- SETs, read back through kelctl -----------------------------------------

check "ifAdminStatus down" 0 "INTEGER: 2" -- set_ $IF.7.4 i 2
check "admin down in kelctl" 0 "^fa1/0/4 +down " -- k show interfaces settings fa1/0/4
check "dot1qPvid set" 0 "" -- set_ $PVID.7 u 10
check "native VLAN in kelctl" 0 "^fa1/0/7 .* 10 +10 +-$" -- k show interfaces fa1/0/7
check "VLAN by createAndGo" 0 "" -- set_ $STATIC.5.30 i 4 $STATIC.1.30 s voice $STATIC.2.30 x 0600 $STATIC.4.30 x 0400
check "VLAN 30 in kelctl" 0 "^30 +voice +sw0.30 +fa1/0/6 +fa1/0/7$" -- k show vlan 30
check "tagged port became trunk" 0 "^fa1/0/7 .* trunk 10 " -- k show interfaces settings fa1/0/7
check "VLAN renamed" 0 "" -- set_ $STATIC.1.30 s phones
check "name in kelctl" 0 "^30 +phones " -- k show vlan 30
check "port leaves a VLAN" 0 "" -- set_ $STATIC.2.30 x 0400 $STATIC.4.30 x 0400
check "VLAN 30 ports in kelctl" 0 "^30 +phones +sw0.30 +fa1/0/6 +-$" -- k show vlan 30
check "VLAN destroyed" 0 "" -- set_ $STATIC.5.30 i 6
check_not "VLAN 30 gone" 1 "^30 " -- k show vlan 30
check "ageing time" 0 "" -- set_ $AGING i 600
check "ageing in kelctl" 0 "ageing time 600 seconds" -- k show mac-address-table
check "GVRP on" 0 "" -- set_ $Q.1.5.0 i 1
check "GVRP in kelctl" 0 "enabled" -- k show gvrp
check "bridge priority and times" 0 "" -- set_ $STP.2.0 i 4096 $STP.12.0 i 1800 $STP.13.0 i 300 $STP.14.0 i 1200
check "priority in kelctl" 0 "^Bridge +4096/" -- k show spanning-tree
check "times in kelctl" 0 "^Max age +18 s" -- k show spanning-tree
check "hello in kelctl" 0 "^Hello time +3 s" -- k show spanning-tree
check "port priority and cost" 0 "" -- set_ $STP.15.1.2.3 i 64 $STP.15.1.11.3 i 1000
check "port in kelctl" 0 "^fa1/0/3 +64 +1000 " -- k show spanning-tree fa1/0/3
check "port state forwarding" 0 "^5$" -- get $STP.15.1.3.3
check "version and hold count" 0 "" -- set_ $STP.16.0 i 0 $STP.17.0 i 4
check "mode in kelctl" 0 "^Mode +stp$" -- k show spanning-tree
check "hold count in kelctl" 0 "^Transmit hold count +4$" -- k show spanning-tree
check "edge and shared link" 0 "" -- set_ $STP.19.1.2.3 i 1 $STP.19.1.4.3 i 1
check "edge in kelctl" 0 "^fa1/0/3 +64 +1000 +yes +shared " -- k show spanning-tree fa1/0/3
check "not point to point" 0 "^2$" -- get $STP.19.1.5.3

# Trunks and 802.1X.
k trunk dynamic 2 gi1/0/25-26 >/dev/null
check "aggregator of trunk 2" 0 "^$LAG.1.1.1.1.6.25 2$" -- walk $LAG.1.1.1.1.6
check "members attached" 0 "^2$" -- bash -c "$(declare -f snmp walk); port=$port; walk $LAG.1.2.1.1.13 | grep -c ' 25$'"
check "actor state" 0 '^"3D ?"$' -- getx $LAG.1.2.1.1.21.26
check "LACP port priority" 0 "" -- set_ $LAG.1.2.1.1.15.26 i 7
check "priority in kelctl" 0 "^2 +gi1/0/26 +7 " -- k show lacp
check "802.1X on" 0 "" -- set_ $PAE.1.1.1.0 i 1 $PAE.1.2.1.1.6.4 i 2 $PAE.1.2.1.1.7.4 u 30 $PAE.1.2.1.1.13.4 i 1
check "802.1X in kelctl" 0 "^State +enabled$" -- k show dot1x
check "port in kelctl" 0 "^fa1/0/4 +auto +unauthorized +no +enabled +3600 s +30 s " -- k show dot1x fa1/0/4
check "PAE state connecting" 0 "^3$" -- get $PAE.1.2.1.1.1.4

# ---- bad SETs: the MIB's error, and nothing changes ---------------------------

snapshot() {
    k show interfaces settings | awk '{$4 = ""; print}'
    k show interfaces; k show vlan; k show gvrp; k show mac-address-table | awk '{$5 = ""; print}'; k show spanning-tree; k show lacp; k show dot1x
}
snapshot >"$dir/before"
while read -r name error args; do
    check "$name" 2 "Reason: $error" -- eval "set_ $args"
done <<EOF
admin-testing              wrongValue          $IF.7.4 i 3
admin-as-text              wrongType           $IF.7.4 s up
ifDescr                    notWritable         $IF.2.4 s x
no-such-port               noCreation          $IF.7.999 i 1
PVID-of-no-VLAN            inconsistentValue   $PVID.4 u 99
PVID-out-of-range          wrongValue          $PVID.4 u 5000
name-too-long              wrongLength         $STATIC.1.10 s 123456789012345678901234567890123
empty-name                 wrongValue          $STATIC.1.10 s ""
createAndGo-twice          inconsistentValue   $STATIC.5.10 i 4
destroy-VLAN-1             inconsistentValue   $STATIC.5.1 i 6
createAndWait              wrongValue          $STATIC.5.40 i 5
column-of-no-VLAN          inconsistentName    $STATIC.1.40 s x
untagged-not-egress        inconsistentValue   $STATIC.4.10 x 4000
own-VLAN-left              inconsistentValue   $STATIC.2.20 x 00 $STATIC.4.20 x 00
forbidden-ports            inconsistentValue   $STATIC.3.10 x 80
no-such-port-in-a-list     wrongValue          $STATIC.2.10 x 0000000000000080
ageing-too-short           wrongValue          $AGING i 5
priority-not-in-steps      wrongValue          $STP.2.0 i 1000
time-not-whole-seconds     wrongValue          $STP.13.0 i 250
times-that-do-not-fit      inconsistentValue   $STP.12.0 i 3000
port-priority-not-in-steps wrongValue          $STP.15.1.2.3 i 20
no-version-1               wrongValue          $STP.16.0 i 1
quiet-period-too-long      wrongValue          $PAE.1.2.1.1.7.4 u 70000
port-control-unknown       wrongValue          $PAE.1.2.1.1.6.4 i 4
lacp-priority-too-high     wrongValue          $LAG.1.2.1.1.15.26 i 70000
protocol-migration         notWritable         $STP.19.1.1.3 i 1
refused-part-way-undone    commitFailed        $IF.7.5 i 2 $STATIC.1.10 s default
EOF
snapshot >"$dir/after"
check "nothing changed" 0 "" -- diff "$dir/before" "$dir/after"

# ---- a notification, and a master agent that restarts --------------------------

check "cable pulled" 0 "" -- sim cable fa1/0/8 pull
check "linkDown sent" 0 "" -- until_ok grep -q "1.3.6.1.6.3.1.1.5.3.*1.3.6.1.2.1.2.2.1.1.8 = INTEGER: 8" "$dir/traps"
kill -- -"$snmpd_pid"
wait "$snmpd_pid"
if start_snmpd; then report "snmpd restarted" ok ""; else report "snmpd restarted" "no answer" "$(cat "$dir/snmpd.log")"; fi
check "registered again" 0 "" -- until_ok answers $IF.1.1
check "answers again" 0 "^$ports$" -- get .1.3.6.1.2.1.2.1.0

# Stopped, it ends cleanly (in sanitizer builds: without a report).
kill -TERM "$agent_pid"
wait "$agent_pid"
status=$?
# On failure the check shows the report itself, from its first line on.
check "stops cleanly" 0 "^0 0$" -- sh -c 'echo "$1 $(grep -c -E "Sanitizer|runtime error" "$2")"
    [ "$1" = 0 ] && ! grep -q -E "Sanitizer|runtime error" "$2" || grep -m1 -A60 -E "Sanitizer|runtime error" "$2"' \
    - "$status" "$dir/log"
finish
