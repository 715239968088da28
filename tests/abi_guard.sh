#!/usr/bin/env bash
# The ABI check (abi/abi.sh check) against copies of the library: it must
# fail on a removed function and on a changed record, naming them, and pass
# an added function, showing it.
#   abi_guard.sh ABI.SH LIBRARY REMOVED CHANGED ADDED
set -u
abi=$1 lib=$2
fails=0
# row COPY EXPECTED-STATUS PATTERN-OF-THE-REPORT
row() {
    local out rc
    out=$(bash "$abi" check "$lib" "$1" 2>&1)
    rc=$?
    if [ $rc = "$2" ] && grep -qE -- "$3" <<<"$out"; then
        echo "ok   $(basename "$1"): status $rc, reports /$3/"
    else
        echo "FAIL $(basename "$1"): status $rc (want $2), or no /$3/ in: $out"
        fails=$((fails + 1))
    fi
}
row "$3" 1 "\[D\] 'function int32_t kel_vlan_create\(uint32_t\)'"
row "$4" 1 "type of 'int32_t code' changed"
row "$5" 0 "\[A\] 'function int kel_abi_added\(\)'"
exit $((fails > 0))
