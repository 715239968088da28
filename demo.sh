#!/usr/bin/env bash
# demo.sh - the main job: builds the host tree, then runs kelctl against a
# simulated switch (kelsim) kept in a state file, as one would on a
# workstation without the hardware: the two typical roads (a port's speed
# by its name, a trunk from a port list) with the requests they sent, some
# traffic and a learned station, then every kelctl "show" command that
# takes no argument.
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
run "$kelsim" --state "$state" --trace "$dir/trace" -- "$kelctl" interface fa1/0/3 speed 100
run "$kelsim" --state "$state" --trace "$dir/trace2" -- "$kelctl" trunk static 1 fa1/0/1-4,fa1/0/7
run cat "$dir/trace" "$dir/trace2"
run "$kelsim" --state "$state" traffic fa1/0/3 1000 128000 rx unicast
run "$kelsim" --state "$state" learn 0012.3456.789a 1 fa1/0/3
run "$kelsim" --state "$state" -- "$kelctl" show interfaces fa1/0/1-8
for show in "${shows[@]}"; do
    read -ra words <<<"$show"
    run "$kelsim" --state "$state" -- "$kelctl" "${words[@]}"
done
run "$kelsim" --state "$state" -- "$kelctl" -p show interfaces fa1/0/3
run "$kelsim" --state "$state" -- "$kelctl" show running-config
run "$kelsim" --state "$state" requests
