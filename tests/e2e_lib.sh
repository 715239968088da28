# e2e_lib.sh - what the end-to-end scripts share: sourced with the kelsim
# launcher and kelctl as $1 and $2, it gives a scratch directory ($dir, gone
# at exit) and checks that count failures; `finish` exits with their verdict.
#   check NAME EXIT PATTERN -- COMMAND...      exits EXIT and a line matches
#   check_not NAME EXIT PATTERN -- COMMAND...  exits EXIT and no line matches
#   found NAME PATTERN FILE                    a line of FILE matches
#   absent NAME TEXT FILE...                   TEXT occurs in none of the files
kelsim=$1 kelctl=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fails=0

report() {  # report NAME ok|REASON OUTPUT
    if [ "$2" = ok ]; then
        echo "ok   $1"
    else
        echo "FAIL $1: $2, output:"
        sed 's/^/    /' <<<"$3"
        fails=$((fails + 1))
    fi
}

check() {
    local name=$1 want=$2 pattern=$3
    shift 4
    out=$("$@" 2>&1)
    rc=$?
    if [ "$rc" != "$want" ]; then report "$name" "exit $rc (want $want)" "$out"
    elif ! grep -qE -- "$pattern" <<<"$out"; then report "$name" "no line matches /$pattern/" "$out"
    else report "$name" ok ""; fi
}

check_not() {
    local name=$1 want=$2 pattern=$3
    shift 4
    out=$("$@" 2>&1)
    rc=$?
    if [ "$rc" != "$want" ]; then report "$name" "exit $rc (want $want)" "$out"
    elif grep -qE -- "$pattern" <<<"$out"; then report "$name" "a line matches /$pattern/" "$out"
    else report "$name" ok ""; fi
}

found() {
    if grep -qE -- "$2" "$3"; then report "$1" ok ""; else report "$1" "no line matches /$2/" "$(cat "$3")"; fi
}

absent() {
    if grep -qF -- "$2" "${@:3}"; then report "$1" "'$2' found" "$(grep -F -- "$2" "${@:3}")"; else report "$1" ok ""; fi
}

finish() { exit $((fails > 0)); }
