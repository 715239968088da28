#!/usr/bin/env bash
# demo.sh - the main job: builds the host tree, then runs kelctl against a
# simulated switch (kelsim) kept in a state file, as one would on a
# workstation without the hardware: the system, the stack, every other
# kelctl "show" command that takes no argument, and the decoded trace of
# the requests one command sent.
set -euo pipefail
cd "$(dirname "$0")"

cmake --preset host >/dev/null
cmake --build --preset host >/dev/null
kelsim=$PWD/build/host/sim/kelsim
kelctl=$PWD/build/host/tools/kelctl/kelctl

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
state=$dir/switch

run() {  # prints the command as one would type it, then runs it
    local line="" a
    for a in "$@"; do
        case $a in
        "$kelsim") a=kelsim ;;
        "$kelctl") a=kelctl ;;
        "$dir"/*) a=${a#"$dir"/} ;;
        *[!A-Za-z0-9/._=-]*) a="\"$a\"" ;;
        esac
        line+=" $a"
    done
    printf '\n$%s\n' "$line"
    "$@"
}

# Every argument-less "show" subcommand kelctl lists, in its order.
mapfile -t shows < <("$kelctl" --help | sed -n 's/^  \(show\( [a-z0-9-]*\)*\)  .*/\1/p')

run "$kelsim" --state "$state" --topology "24fe,2ge/stack;24fe,2ge/stack" topology
for show in "${shows[@]}"; do
    read -ra words <<<"$show"
    run "$kelsim" --state "$state" -- "$kelctl" "${words[@]}"
done
run "$kelsim" --state "$state" --trace "$dir/trace" -- "$kelctl" show system >/dev/null
run cat "$dir/trace"
run "$kelsim" --state "$state" requests
