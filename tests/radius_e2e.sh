#!/usr/bin/env bash
# radius_e2e.sh - kelsim's RADIUS client against a real FreeRADIUS server,
# as root, in a network namespace of its own: the server runs on that
# namespace's loopback from a private configuration written here (the EAP
# module with MD5, a users file), never the system's. A scripted EAP-MD5
# station (radius_supplicant) is accepted with the right password (with the
# users file's Session-Timeout), rejected with a wrong one; under a wrong
# shared secret the server drops every request, and the client gives up
# after its tries; and with nothing listening at the first server,
# the client tries it three times, then fails over to the second.
#   radius_e2e.sh RADIUS_SUPPLICANT
if [ "$(id -u)" != 0 ]; then
    echo "radius_e2e: skipped: needs root (a network namespace)"
    [ -n "${KEL_REQUIRE_ALL_LEGS:-}" ] && exit 1
    exit 77
fi
if ! command -v freeradius >/dev/null; then
    echo "radius_e2e: freeradius not found (apt-get install freeradius)"
    [ -n "${KEL_REQUIRE_ALL_LEGS:-}" ] && exit 1
    exit 77
fi
[ -n "${KEL_RADIUS_NS:-}" ] || exec unshare -n env KEL_RADIUS_NS=1 bash "$0" "$@"
set -u
station=$1
dir=$(mktemp -d)
radiusd=
trap '[ -n "$radiusd" ] && kill "$radiusd" 2>/dev/null; wait; rm -rf "$dir"' EXIT
ip link set lo up
fails=0

port=18120 secret=kel-radius-key
cat >"$dir/users" <<USERS
alice Cleartext-Password := "wonderland"
      Session-Timeout = 3600
bob Cleartext-Password := "builder"
USERS
source "$(dirname "$0")/radius_conf.sh"
radius_start "$dir" "$port" "$secret" || exit 1

# case NAME PATTERN... -- ARGS: the station's output matches every pattern.
case_() {
    local name=$1 out p
    shift
    local patterns=()
    while [ "$1" != -- ]; do patterns+=("$1"); shift; done
    shift
    out=$(timeout 60 "$station" "$@" 2>&1)
    for p in "${patterns[@]}"; do
        if ! grep -qE -- "$p" <<<"$out"; then
            echo "FAIL $name: no line matches /$p/, output:"
            sed 's/^/    /' <<<"$out"
            fails=$((fails + 1))
            return
        fi
    done
    echo "ok   $name"
}

server=127.0.0.1:$port:$secret
case_ "right password: accepted, with the users file's Session-Timeout" \
    '^accept session-timeout=3600 eap=3$' 'challenges=1 ' 'retransmissions=0 ' \
    -- alice wonderland 1 "$server"
case_ "a user without a Session-Timeout: accepted, none" '^accept session-timeout=0 eap=3$' \
    -- bob builder 1 "$server"
case_ "wrong password: rejected with an EAP Failure" '^reject eap=4$' 'challenges=1 ' \
    -- alice rabbit 1 "$server"
case_ "unknown user: rejected" '^reject' -- carol wonderland 1 "$server"
# The server finds the requests' Message-Authenticator wrong under its secret
# and drops them (the client's dropping of badly authenticated replies is
# test_radius's).
case_ "wrong shared secret: the server drops the requests; unreachable after three tries" \
    '^unreachable$' 'requests=1 retransmissions=2 accepts=0 rejects=0 challenges=0' 'timeouts=3 ' \
    -- alice wonderland 1 127.0.0.1:$port:not-the-secret
grep -qiE "Message-Authenticator|shared secret" "$dir/radiusd.log" ||
    { echo "FAIL the server logged no authenticator failure"; fails=$((fails + 1)); }
case_ "nothing at the first server: three tries, then the second accepts" \
    '^accept session-timeout=3600 eap=3$' 'retransmissions=2 ' 'failovers=1 ' 'timeouts=3 ' \
    -- alice wonderland 1 127.0.0.1:$((port + 1)):$secret "$server"
case_ "nothing at either server: unreachable after six tries" \
    '^unreachable$' 'requests=2 retransmissions=4 ' 'failovers=1 ' \
    -- alice wonderland 1 127.0.0.1:$((port + 1)):$secret 127.0.0.1:$((port + 2)):$secret

if [ "$fails" != 0 ]; then
    echo "radius_e2e: $fails failed; the server's log:"
    tail -100 "$dir/radiusd.log"
    exit 1
fi
echo "radius_e2e: all passed"
