#!/usr/bin/env bash
# .ci/deps as the README's set-up commands run it: by root, by a user with
# sudo, by a user without it, on a machine that lacks packages or has them
# all. id, sudo, dpkg-query and apt-get are stand-ins that log their calls.
#   ci_deps_test.sh SOURCE-DIR
set -u
deps=$1/.ci/deps
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fails=0
mkdir "$dir/bin" "$dir/nosudo"
for tool in grep cat; do ln -s "$(command -v $tool)" "$dir/bin/$tool" && ln -s "$(command -v $tool)" "$dir/nosudo/$tool"; done
fake() { printf '#!%s\n%s\n' "$BASH" "$2" >"$dir/bin/$1" && chmod +x "$dir/bin/$1" && cp "$dir/bin/$1" "$dir/nosudo/"; }
fake id 'echo "$FAKE_UID"'
fake dpkg-query '[ "$FAKE_INSTALLED" = 1 ] && echo "install ok installed"'
fake apt-get 'echo "apt-get $*" >>"$LOG"'
fake sudo 'echo "sudo $*" >>"$LOG"'
rm "$dir/nosudo/sudo"

# row UID INSTALLED PATH-DIR EXIT OUTPUT-PATTERN LOG-PATTERN
row() {
    local out rc log
    : >"$dir/log"
    out=$(FAKE_UID=$1 FAKE_INSTALLED=$2 LOG=$dir/log PATH=$dir/$3 "$BASH" "$deps" 2>&1)
    rc=$?
    log=$(cat "$dir/log")
    if [ "$rc" = "$4" ] && grep -qE -- "$5" <<<"$out" && grep -qE -- "$6" <<<"${log:-none}"; then
        echo "ok   uid $1, installed $2, $3"
    else
        echo "FAIL uid $1, installed $2, $3: exit $rc (want $4), output: $out, calls: ${log:-none}"
        fails=$((fails + 1))
    fi
}
row 1000 1 bin 0 "everything needed is installed" "^none$"
row 1000 0 bin 0 "installing them as root through sudo" "^sudo -- bash .*/\.ci/deps$"
row 1000 0 nosudo 1 "sudo is not installed: run .ci/deps as root" "^none$"
row 0 0 nosudo 0 "deps: installing cmake" "^apt-get install -y --no-install-recommends cmake "
row 0 1 nosudo 0 "everything needed is installed" "^none$"
exit $((fails > 0))
