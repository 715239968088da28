#!/usr/bin/env bash
# Reads the ELF headers, program headers, dynamic section and dynamic symbols
# of built binaries and checks that each was hardened as cmake/hardening.cmake
# builds it:
#   relro      a GNU_RELRO segment
#   now        immediate binding (BIND_NOW in FLAGS or NOW in FLAGS_1)
#   nx-stack   a GNU_STACK segment that is not executable
#   no-textrel no relocations of the text (TEXTREL)
#   ssp        calls __stack_chk_fail (stack protector)
#   fortify    (only when FORTIFIED is 1) calls a checked __*_chk function of
#              the C library, or, where the compiler found no call to check,
#              its debug information names the C library's fortified headers
#              (bits/string_fortified.h, bits/stdio2.h, ...), which only
#              _FORTIFY_SOURCE brings in
#   pie        a program (one with an interpreter) is a position-independent
#              executable: type DYN with the PIE flag
#   check_hardening.sh READELF FORTIFIED FILE...
set -u
readelf=$1 fortified=$2
shift 2
fails=0
for file in "$@"; do
    if ! head=$("$readelf" -W -h -l -d --dyn-syms "$file" 2>&1); then
        echo "FAIL $file: $head"
        fails=$((fails + 1))
        continue
    fi
    has() { grep -Eq -- "$1" <<<"$head"; }
    missing=()
    has '^ +GNU_RELRO ' || missing+=(relro)
    has '\((FLAGS)\) +.*BIND_NOW|\(FLAGS_1\) +Flags:.* NOW' || missing+=(now)
    has '^ +GNU_STACK( +[^ ]+){5} +RW +' || missing+=(nx-stack)
    has '\(TEXTREL\)|\(FLAGS\) +.*TEXTREL' && missing+=(no-textrel)
    has ' UND __stack_chk_fail(@|$)' || missing+=(ssp)
    [ "$fortified" != 1 ] || has ' UND __[a-z0-9_]+_chk(@|$)' ||
        "$readelf" --debug-dump=rawline "$file" 2>/dev/null |
        grep -Eq '(string_fortified|strings_fortified|stdio2|fcntl2|socket2|poll2|wchar2)\.h$' ||
        missing+=(fortify)
    kind=library
    if has '^ +INTERP '; then
        kind=program
        has '^ +Type: +DYN ' && has '\(FLAGS_1\) +Flags:.* PIE' || missing+=(pie)
    fi
    if [ ${#missing[@]} -eq 0 ]; then
        echo "ok   $kind $file"
    else
        echo "FAIL $kind $file: lacks ${missing[*]}"
        fails=$((fails + 1))
    fi
done
exit $((fails > 0))
