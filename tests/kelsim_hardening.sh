#!/usr/bin/env bash
# kelsim under hostile programs, careless users and failing writes, one group
# per kind of fault. Real programs run under the launcher: kelctl and
# kelsim_probe (see its header).
#   kelsim_hardening.sh KELSIM KELCTL PROBE STATIC-PROBE|none
set -u
. "$(dirname "$0")/e2e_lib.sh"
probe=$3 static_probe=$4
export TMPDIR=$dir/tmp KELSIM_LOCK_TIMEOUT=1
mkdir "$TMPDIR"
state=$dir/switch
sim() { "$kelsim" --state "$state" "$@"; }
k() { "$kelsim" --state "$state" -- "$kelctl" "$@"; }
kept() {  # kept NAME FILE CONTENT: FILE still holds CONTENT
    if [ "$(cat "$2" 2>&1)" = "$3" ]; then report "$1" ok ""; else report "$1" "changed" "$(ls -l "$2")"; fi
}

# 1. The simulator must not damage the program it simulates.
check "faults as the kernel answers them" 0 "" -- "$probe" faults kernel
check "faults under kelsim" 0 "" -- "$kelsim" -- "$probe" faults
check "trace never lands in the program's files" 0 "" -- "$kelsim" --trace "$dir/t1" -- "$probe" trace-fd "$dir/data"
check "both lines traced" 0 "^2 " -- wc -l "$dir/t1"
check "one launch is one switch" 0 "^5 +VLAN0005 " -- "$kelsim" -- sh -c "'$kelctl' vlan create 5 && '$kelctl' show vlan 5"
check "temporary state removed" 0 "^$" -- ls -A "$TMPDIR"
# A child may wait for the lock while the parent's threads keep requesting
# (until the last fork, seconds on a loaded machine); a hung child is what
# the probe's alarm (30 s) catches, so these two wait longer than the rest.
check "fork in a request, private switch" 0 "" -- \
    env KELSIM_LOCK_TIMEOUT=20 "$kelsim" -- env -u KELSIM_STATE "$probe" fork
check "fork in a request, launched" 0 "" -- env KELSIM_LOCK_TIMEOUT=20 "$kelsim" -- "$probe" fork
check "child's exit status" 7 "" -- "$kelsim" -- sh -c 'exit 7'
check "child killed by a signal" 137 "" -- "$kelsim" -- sh -c 'kill -KILL $$'
"$kelsim" -- sleep 30 &
launcher=$!
for _ in $(seq 50); do pgrep -P $launcher >/dev/null && break; sleep 0.1; done
kill -TERM $launcher
wait $launcher
check "SIGTERM forwarded" 0 "^143 $" -- echo "$? $(ls -A "$TMPDIR")"
mkdir -p "$dir/a b:c"
cp "$kelsim" "$(dirname "$kelsim")/libkelsim.so" "$dir/a b:c/"
check "blank and colon in the launcher's path" 0 "^5 +VLAN0005 " -- \
    "$dir/a b:c/kelsim" -- sh -c "'$kelctl' vlan create 5 && '$kelctl' show vlan 5"
check "blank in the interposer's path" 0 "^2 +26 " -- \
    env KELSIM_LIBRARY="$dir/a b:c/libkelsim.so" "$kelsim" -- "$kelctl" show stack
cp "$probe" "$dir/a b:c/probe"
check "blank in the program's path" 0 "" -- "$kelsim" -- "$dir/a b:c/probe" faults
if [ "$static_probe" != none ]; then
    check "static program warned" 0 "statically linked" -- "$kelsim" -- "$static_probe" faults kernel
fi
if [ "$(id -u)" = 0 ]; then
    cp "$(type -P true)" "$dir/setuid" && chown nobody "$dir/setuid" && chmod 4755 "$dir/setuid"
    check "set-user-ID program warned" 0 "set-user-ID" -- "$kelsim" -- "$dir/setuid"
fi

# 2. Files that are not kelsim's are never overwritten.
echo precious >"$dir/text"
ln -s "$dir/text" "$dir/link"
mkfifo "$dir/fifo"
mkdir "$dir/folder"
for reset in "" --reset; do
    check "text file refused $reset" 2 "not a state file" -- "$kelsim" --state "$dir/text" $reset topology
    kept "text file kept $reset" "$dir/text" precious
    check "symbolic link refused $reset" 2 "symbolic link" -- "$kelsim" --state "$dir/link" $reset topology
    check "link kept $reset" 0 "^l" -- ls -l "$dir/link"
    check "fifo refused $reset" 2 "not a regular file" -- timeout 10 "$kelsim" --state "$dir/fifo" $reset topology
    check "directory refused $reset" 2 "not a regular file" -- "$kelsim" --state "$dir/folder" $reset topology
    if [ "$(id -u)" = 0 ]; then
        mknod "$dir/null" c 1 3
        check "device refused $reset" 2 "not a regular file" -- "$kelsim" --state "$dir/null" $reset topology
        check "device kept $reset" 0 "^c" -- ls -l "$dir/null"
        rm -f "$dir/null"
    fi
done
: >"$dir/empty"
check "empty file taken" 0 "^24fe,2ge;24fe,2ge$" -- "$kelsim" --state "$dir/empty" topology
sim topology >/dev/null
check "new state file private" 0 "^-rw------- " -- ls -l "$state"
chmod 644 "$state"
check "readable state file warned" 0 "readable by others" -- sim topology
chmod 600 "$state"
check "state file reset" 0 "^8ge$" -- sim --topology 8ge --reset topology
sim --topology 24fe,2ge\;24fe,2ge --reset topology >/dev/null

# 5. Failed writes are never silent.
check "command output to a full device" 1 "No space left" -- sh -c "'$kelsim' --state '$state' topology >/dev/full"
check "help to a full device" 1 "No space left" -- sh -c "'$kelsim' --help >/dev/full"
check "trace to a full device" 1 "trace.*No space left" -- "$kelsim" --trace /dev/full -- "$kelctl" show system
check "trace failure said once" 0 "^1$" -- sh -c "'$kelsim' --trace /dev/full -- '$kelctl' show system 2>&1 | grep -c 'cannot write the trace'"

# 6. The simulated clock runs forwards only and saturates.
check "learn" 0 "" -- sim learn 0012.3456.789a 1 fa1/0/3
check "wait far" 0 "" -- sim wait 2147483647
check "wait far again" 0 "" -- sim wait 2147483647
check "uptime saturates" 0 "^fa1/0/1 +up +up +49710d06:28:1[45] " -- k show interfaces settings fa1/0/1
check "learned entry aged out" 0 "^0 entries" -- k show mac-address-table
check "wait to the end of time" 0 "" -- sim wait 18446744073709551615
check "and once more" 0 "" -- sim wait 18446744073709551615
check "uptime stays" 0 "^fa1/0/1 +up +up +49710d06:28:15 " -- k show interfaces settings fa1/0/1
for bad in -5 abc 18446744073709551616 " 5" +5 ""; do
    check "wait '$bad' refused" 2 "0 to 18446744073709551615" -- sim wait "$bad"
done

# 8. Options without their values.
for option in --trace --state --topology; do
    check "$option without a value" 2 "$option needs" -- "$kelsim" "$option" -- true
    check "$option at the end" 2 "$option needs" -- "$kelsim" "$option"
done
check "--trace with an empty name" 2 "--trace needs" -- "$kelsim" --trace "" -- true

# 9. A stopped holder of the switch delays others a bounded time.
"$probe" hold "$state" &
holder=$!
for _ in $(seq 100); do grep -q '^State:.*stopped' /proc/$holder/status 2>/dev/null && break; sleep 0.1; done
check "request waits, then names the holder" 1 "held by process $holder" -- timeout 20 "$kelsim" --state "$state" -- "$kelctl" show system
check "command waits, then names the holder" 1 "held by process $holder" -- timeout 20 "$kelsim" --state "$state" topology
kill -KILL $holder
wait $holder 2>/dev/null
check "holder died: switch usable" 0 "Ports +52" -- k show system
finish
