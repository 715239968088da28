#!/usr/bin/env bash
# release.sh - the release leg of test.sh: builds the release presets for
# the host (amd64) and for powerpc-linux-gnu, then checks, for each:
#   abi          the library against its baseline (abi/abi.sh check)
#   hardening    the library and programs (tests/check_hardening.sh)
#   packages     the Debian packages' contents and Depends (tests/check_debs.sh)
#   lintian      no error (warnings are shown)
# and for the host:
#   install      the amd64 packages installed with dpkg into an empty root;
#                the consumer (tests/consumer) built against the installed
#                files with pkg-config and with CMake; the installed kelsim
#                running the installed kelctl and the consumer; a manual
#                page for every exported name; the packages purged again
#   reproducible a second build of the same tree, in another directory and
#                later, gives byte-identical library packages (libkel1,
#                libkel-dev: the second build makes only the library and its
#                reference, which the programs' packages share their flags
#                and dates with); KEL_REPRODUCE_ALL=1 rebuilds and compares
#                every package
# The API reference is part of both builds (Doxygen, every warning an error).
# Every check runs even after another failed; the script fails if any did.
#   tests/release.sh
set -uo pipefail
cd "$(dirname "$0")/.."
failed=() timing=()
say() { printf '\n---- %s\n' "$*"; }
# step NAME COMMAND...: runs and times one check.
step() {
    local name=$1 start=$SECONDS
    shift
    say "$name"
    if "$@"; then timing+=("$name $((SECONDS - start))s"); else
        failed+=("$name")
        timing+=("$name $((SECONDS - start))s (failed)")
    fi
}
log=$(mktemp -d)
trap 'rm -rf "$log"' EXIT

# build PRESET [BINARY-DIR [CACHE-SETTINGS...]]: configure, build and package
# (quiet unless it fails).
build() {
    local preset=$1 dir=${2:-build/$1}
    shift $(($# < 2 ? $# : 2))
    { cmake --preset "$preset" -B "$dir" "$@" && cmake --build "$dir" -j2 &&
        rm -rf "$dir/packages" && cpack --config "$dir/CPackConfig.cmake"; } >"$log/build" 2>&1 ||
        { tail -n 40 "$log/build"; return 1; }
    ls -s "$dir"/packages/*.deb
}

# install: the amd64 packages in a root of their own, used from there.
install_root() {
    local root=$log/root lib pc out
    mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
    touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
    local dpkg=(dpkg --root="$root" --force-depends --log=/dev/null)
    [ "$(id -u)" = 0 ] || dpkg=(fakeroot "${dpkg[@]}" --force-not-root)
    "${dpkg[@]}" -i build/release/packages/*_amd64.deb >"$log/dpkg" 2>&1 || { cat "$log/dpkg"; return 1; }
    lib=$root/usr/lib/x86_64-linux-gnu
    pc=$(PKG_CONFIG_PATH=$lib/pkgconfig pkg-config --cflags --libs kel) &&
        cc -std=c99 -Wall -Werror tests/consumer/consumer.c $pc -o "$log/pc-consumer" || return 1
    cmake -S tests/consumer -B "$log/cmake-consumer" -G Ninja -DCMAKE_PREFIX_PATH="$root/usr" >/dev/null &&
        cmake --build "$log/cmake-consumer" >/dev/null || return 1
    for exe in "$log/pc-consumer" "$log/cmake-consumer/consumer"; do
        out=$(LD_LIBRARY_PATH=$lib "$root/usr/bin/kelsim" -- "$exe") &&
            [ "$out" = "ports 52 rc 0 ok" ] || { echo "$exe under the installed kelsim printed: $out"; return 1; }
    done
    out=$(LD_LIBRARY_PATH=$lib "$root/usr/bin/kelsim" -- "$root/usr/bin/kelctl" show stack) || return 1
    head -n 3 <<<"$out"
    grep -q "^1 .*master" <<<"$out" || { echo "kelctl show stack printed no master unit"; return 1; }
    local missing=0 name
    for name in $(sed -n 's/^KEL_API .*[ *]\(kel_[a-z0-9_]*\|crc_table\) *[[(].*/\1/p' include/kel.h); do
        [ -e "$root/usr/share/man/man3/$name.3.gz" ] || { echo "no manual page for $name"; missing=1; }
    done
    [ $missing = 0 ] || return 1
    "${dpkg[@]}" --purge kelsnmpd kelctl kelsim libkel-dev libkel1 >"$log/dpkg" 2>&1 || { cat "$log/dpkg"; return 1; }
    [ -z "$(find "$root" -path "$root/var" -prune -o ! -type d -print)" ] ||
        { echo "left after purging:"; find "$root" -path "$root/var" -prune -o ! -type d -print; return 1; }
    echo "installed, used from the root, purged"
}

# reproducible: the host's library packages (every package with
# KEL_REPRODUCE_ALL=1) again, from another directory, later.
reproducible() {
    local again=$log/again first=$SECONDS only=(-DKEL_BUILD_SIM=OFF -DKEL_BUILD_TOOLS=OFF)
    [ "${KEL_REPRODUCE_ALL:-0}" = 0 ] || only=()
    build release "$again/build" "${only[@]}" >/dev/null || return 1
    local deb differ=0 n=0
    for deb in "$again"/build/packages/*.deb; do
        deb=build/release/packages/$(basename "$deb") n=$((n + 1))
        if cmp -s "$deb" "$again/build/packages/$(basename "$deb")"; then
            echo "same: $(basename "$deb") $(sha256sum <"$deb" | cut -c1-16)"
        else
            echo "DIFFERENT: $(basename "$deb")"
            differ=1
            mkdir -p "$again/a" "$again/b"
            dpkg-deb -R "$deb" "$again/a" && dpkg-deb -R "$again/build/packages/$(basename "$deb")" "$again/b"
            diff -rq "$again/a" "$again/b"
            rm -rf "$again/a" "$again/b"
        fi
    done
    echo "$n packages built again in $again/build, $((SECONDS - first))s after the first build ended"
    [ "$n" -ge 2 ] || { echo "the second build made no library packages"; return 1; }
    return $differ
}

# checks PRESET ARCH PROCESSOR READELF
checks() {
    local dir=build/$1
    step "$1: abi" bash abi/abi.sh check "abi/libkel.so.1-$3.abi" "$dir/src/libkel.so"
    local shipped=("$dir/src/libkel.so.1.0.0" "$dir/sim/kelsim" "$dir/sim/libkelsim.so" "$dir/tools/kelctl/kelctl")
    [ ! -e "$dir/tools/kelsnmpd/kelsnmpd" ] || shipped+=("$dir/tools/kelsnmpd/kelsnmpd")
    step "$1: hardening" bash tests/check_hardening.sh "$4" 1 "${shipped[@]}"
    step "$1: packages" bash tests/check_debs.sh "$4" "$2" "$dir"
    step "$1: lintian" lintian --fail-on error "$dir"/packages/*.deb
}

if step "release: build" build release; then
    checks release amd64 x86_64 readelf
    step "release: install" install_root
    step "release: reproducible" reproducible
fi
if step "release-ppc: build" build release-ppc; then
    checks release-ppc powerpc powerpc powerpc-linux-gnu-readelf
fi

say "release summary"
printf '  %s\n' "${timing[@]}"
[ ${#failed[@]} -eq 0 ] || { echo "  FAILED: ${failed[*]}"; exit 1; }
