#!/usr/bin/env bash
# kelctl end to end: run through the kelsim launcher on a state file, as a
# person would, and check what it prints and how it exits.
#   kelctl_e2e.sh KELSIM KELCTL
set -u
. "$(dirname "$0")/e2e_lib.sh"

state=$dir/switch
check "show system" 0 "Ports +52" -- "$kelsim" --state "$state" -- "$kelctl" show system
check "system mac" 0 "MAC address +024b\.454c\.0001" -- "$kelsim" --state "$state" -- "$kelctl" show system
check "stack units" 0 "^2 +26 " -- "$kelsim" --state "$state" -- "$kelctl" show stack
check "stack port names" 0 "^2/0/25 +gigabitethernet2/0/25 +gi2/0/25 +gigabit$" -- \
    "$kelsim" --state "$state" -- "$kelctl" show stack
check "stack ports marked" 0 "^1/0/26 +gigabitethernet1/0/26 +gi1/0/26 +gigabit stack$" -- \
    "$kelsim" --topology "24fe,2ge/stack;8ge" --state "$dir/stacked" -- "$kelctl" show stack
check "absent unit skipped" 0 "^3/0/8 +gigabitethernet3/0/8" -- \
    "$kelsim" --topology "24fe,2ge;-;8ge" -- "$kelctl" show stack
check "topology mismatch" 2 "use --reset" -- \
    "$kelsim" --topology "8ge" --state "$state" -- "$kelctl" show system
check "topology reset" 0 "Ports +8" -- \
    "$kelsim" --topology "8ge" --state "$state" --reset -- "$kelctl" show system
check "topology kept" 0 "^8ge$" -- "$kelsim" --state "$state" topology
check "bad layout" 2 "more than 8 units" -- "$kelsim" --topology "1fe;1fe;1fe;1fe;1fe;1fe;1fe;1fe;1fe" -- true
check "bad state file" 2 "not a state file" -- bash -c "echo junk > '$dir/junk'; '$kelsim' --state '$dir/junk' -- '$kelctl' show system"
check "trace" 0 "^0x0101 stack_nr_ports_get unit=1 -> 0 count=8$" -- \
    bash -c "'$kelsim' --state '$state' --trace '$dir/trace' -- '$kelctl' show stack >/dev/null && cat '$dir/trace'"
check "unknown subcommand" 2 "usage: kelctl" -- "$kelsim" -- "$kelctl" show nonsense
check "no subcommand" 2 "usage: kelctl" -- "$kelsim" -- "$kelctl"
check "help" 0 "show stack" -- "$kelctl" --help
check "no driver" 1 "did not answer" -- "$kelctl" show system
check "kelsim help" 0 "SEGMENT := COUNT MEDIA" -- "$kelsim" --help
check "missing program" 127 "cannot run" -- "$kelsim" -- "$dir/none"
finish
