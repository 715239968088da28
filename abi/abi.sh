#!/usr/bin/env bash
# abi.sh - the ABI guard of libkel.so.1, with libabigail (Debian: abigail-tools).
#
#   abi.sh dump LIBRARY OUT        the ABI of a built library (with debug
#                                  information) as libabigail's XML
#   abi.sh check BASELINE LIBRARY  compares LIBRARY with BASELINE
#   abi.sh update BASELINE LIBRARY writes BASELINE anew from LIBRARY
#
# BASELINE and LIBRARY may each be a built library or an XML file that dump
# wrote. The ABI is what kel.suppr keeps: the exported functions and
# variables with their types, symbol versions included, and the types kel.h
# defines. check fails on any change but added functions and variables
# (removed or changed ones, changed records or layouts); additions are
# shown, and pass: programs built against the baseline keep working.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
usage() {
    echo "usage: abi.sh dump LIBRARY OUT | check BASELINE LIBRARY | update BASELINE LIBRARY" >&2
    exit 2
}
for tool in abidw abidiff; do
    command -v $tool >/dev/null || {
        echo "abi.sh: $tool not found; install it with: sudo apt-get install abigail-tools" >&2
        exit 2
    }
done

# dump LIBRARY OUT: source locations are left out, and the paths of the
# translation units are made relative to the source tree (as a build with
# -ffile-prefix-map names them), so that the XML is the same from any
# checkout and build directory.
dump() {
    abidw --load-all-types --suppressions "$here/kel.suppr" --no-show-locs --no-corpus-path \
        --no-comp-dir-path --out-file "$2" "$1" || return 2
    sed -i "s|<abi-instr \(.*\) path='$(dirname "$here")/|<abi-instr \1 path='./|" "$2"
    if ! grep -q "<function-decl name='kel_" "$2"; then
        echo "abi.sh: $1 carries no debug information (build it with -g, as RelWithDebInfo does)" >&2
        return 2
    fi
}

# xml FILE NAME: the path of FILE when it is XML, else of its dump.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
xml() {
    if head -c 5 "$1" | grep -q '^<abi-'; then
        echo "$1"
    else
        dump "$1" "$tmp/$2.abi" && echo "$tmp/$2.abi"
    fi
}

check() {
    local old new report rc
    old=$(xml "$1" old) && new=$(xml "$2" new) || return 2
    report=$(abidiff --non-reachable-types "$old" "$new")
    abidiff --non-reachable-types --no-added-syms "$old" "$new" >/dev/null
    rc=$?
    if [ $((rc & 3)) -ne 0 ]; then
        echo "$report"
        echo "abi.sh: abidiff failed (status $rc) on $1 and $2" >&2
        return 2
    fi
    if [ $((rc & 12)) -ne 0 ]; then
        echo "$report"
        echo "abi.sh: $2 breaks the ABI of $1 (status $rc): programs built against it could fail."
        echo "  Keep the old interface (a new function or a new version of it in a new node of"
        echo "  src/libkel.map); a change meant to break it needs a new SONAME and a new baseline."
        return 1
    fi
    if grep -q '[1-9][0-9]* Added' <<<"$report"; then
        echo "$report"
        echo "abi.sh: $2 keeps the ABI of $1 and adds to it (compatible); when it is released,"
        echo "  give the additions a version node of their own and update the baseline (abi-update)."
    else
        echo "abi.sh: $2 has the ABI of $1"
    fi
}

case ${1:-} in
dump) [ $# = 3 ] || usage; dump "$2" "$3" ;;
check) [ $# = 3 ] || usage; check "$2" "$3" ;;
update)
    [ $# = 3 ] || usage
    dump "$3" "$tmp/new.abi" || exit 2
    [ -f "$2" ] && ! check "$2" "$tmp/new.abi" >/dev/null && echo "abi.sh: the new baseline breaks the ABI of the old one"
    cp "$tmp/new.abi" "$2" && echo "abi.sh: wrote $2 ($(wc -c <"$2") bytes) from $3"
    ;;
*) usage ;;
esac
