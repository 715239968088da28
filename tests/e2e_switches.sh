# e2e_switches.sh - what the scripts of several kelsim switches share, sourced
# first with the script's arguments (KELSIM KELCTL): as root only (else
# skipped, or failed when every leg is required), in a network and mount
# namespace of its own (the script runs itself again there), with
# e2e_lib.sh, a /run of its own, loopback up, no IPv6 chatter, the
# dataplanes in dps killed at exit, and ctl SWITCH ARGS... for kelctl on a
# switch's state file in $dir.
e2e_name=$(basename "$0" .sh)
if [ "$(id -u)" != 0 ]; then
    echo "$e2e_name: skipped: needs root (network namespaces)"
    [ -n "${KEL_REQUIRE_ALL_LEGS:-}" ] && exit 1
    exit 77
fi
[ "${KEL_E2E_NS:-}" = "$e2e_name" ] || exec unshare -nm env KEL_E2E_NS="$e2e_name" bash "$0" "$@"
source "$(dirname "$0")/e2e_lib.sh"
dps=()
trap 'kill "${dps[@]}" 2>/dev/null; wait; rm -rf "$dir"' EXIT
mount -t tmpfs tmpfs /run
ip link set lo up
for v in all default; do echo 1 >/proc/sys/net/ipv6/conf/$v/disable_ipv6; done

ctl() { local sw=$1; shift; "$kelsim" --state "$dir/$sw" -- "$kelctl" "$@"; }
