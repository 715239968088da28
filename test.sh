#!/usr/bin/env bash
# test.sh - every test of the project, in order:
#   format      the C and C++ sources against .clang-format (.ci/check-format)
#   host        -Wall -Wextra -Werror build (static library and benchmarks too), all its tests
#   asan-ubsan  the same tests under AddressSanitizer and UndefinedBehaviorSanitizer
#   tsan        the same tests under ThreadSanitizer
#   valgrind    memcheck over the host GoogleTest executables, and over kelsim and kelctl
#               in one end-to-end script (the host build; any error fails the leg)
#   fuzz        each libFuzzer target for KEL_FUZZ_SECONDS (default 10) from its corpus (clang)
#   ppc         the powerpc-linux-gnu build, its tests under qemu-ppc (when the cross
#               compiler and qemu-ppc are installed; skipped, with a note, otherwise)
#   release     the release builds for amd64 and powerpc (tests/release.sh): ABI against
#               the baselines, hardening, Debian packages and lintian, installation into
#               an empty root, reproducibility, the API reference
# Every leg runs even after another failed; the script fails if any failed.
# Not among the default legs, run only when named:
#   mutation    tools/mutate.py: its self-test, then faults planted in src/ and sim/
#               (KEL_MUTANTS, default src=20,sim=10; 'all' for every mutant;
#               KEL_MUTATION_SEED, default 9; KEL_MUTATION_FILTER, a path regex);
#               fails when the tool fails or src/ kills less than
#               KEL_MUTATION_MIN_SRC percent (default 90)
#
#   ./test.sh                 all default legs
#   ./test.sh host ppc        only the legs named
#   KEL_MUTANTS=src=200,sim=100 ./test.sh mutation
# Build trees are build/<leg>; a second run rebuilds only what changed.
set -uo pipefail
cd "$(dirname "$0")"

legs=("$@")
[ ${#legs[@]} -gt 0 ] || legs=(format host asan-ubsan tsan valgrind fuzz ppc release)
fuzz_seconds=${KEL_FUZZ_SECONDS:-10}

failed=() skipped=() timing=()
say() { printf '\n==== %s\n' "$*"; }

# run_leg PRESET [CONFIGURE-ARGS...]: configure (quietly unless it fails),
# build and test one preset.
run_leg() {
    local preset=$1 start=$SECONDS log
    shift
    say "$preset: configure, build, test"
    log=$(mktemp)
    if cmake --preset "$preset" "$@" >"$log" 2>&1 || { cat "$log"; false; }; then
        if cmake --build --preset "$preset" && ctest --preset "$preset"; then
            rm -f "$log"
            timing+=("$preset $((SECONDS - start))s")
            return
        fi
    fi
    rm -f "$log"
    failed+=("$preset")
    timing+=("$preset $((SECONDS - start))s (failed)")
}

# run_valgrind: memcheck over the host build's GoogleTest executables (the
# library, with kelsim's model, handlers and interposer in the same process),
# and over one end-to-end script, kelctl_forwarding_e2e.sh: every kelctl it
# runs, with the interposer and the model in kelctl's process, and kelsim's
# own commands on a state file (traffic, stations, cables, the clock). A
# launch (kelsim ... -- PROGRAM) runs natively: the launcher's few steps run
# under AddressSanitizer in the asan-ubsan leg (kelsim_hardening), and one
# more valgrind per command would double the leg. The other scripts drive the
# same code through more kelctl commands and would only add minutes.
run_valgrind() {
    local start=$SECONDS log ok=1 t
    local vg="valgrind -q --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite"
    say "valgrind: memcheck over the GoogleTest executables, and kelctl and kelsim's commands end to end"
    log=$(mktemp -d)
    if cmake --preset host >"$log/configure" 2>&1 && cmake --build --preset host; then
        for t in build/host/tests/test_*; do
            [ -x "$t" ] || continue
            $vg "$t" >"$log/out" 2>&1 || { cat "$log/out"; echo "valgrind: $t failed"; ok=0; }
        done
        printf '#!/bin/sh\nexec %s "%s" "$@"\n' "$vg" "$PWD/build/host/tools/kelctl/kelctl" >"$log/kelctl"
        printf '#!/bin/sh\ncase " $* " in *" -- "*) exec "%s" "$@" ;; esac\nexec %s "%s" "$@"\n' \
            "$PWD/build/host/sim/kelsim" "$vg" "$PWD/build/host/sim/kelsim" >"$log/kelsim"
        chmod +x "$log/kelctl" "$log/kelsim"
        bash tests/kelctl_forwarding_e2e.sh "$log/kelsim" "$log/kelctl" >"$log/out" 2>&1 ||
            { cat "$log/out"; echo "valgrind: tests/kelctl_forwarding_e2e.sh failed"; ok=0; }
    else
        cat "$log/configure"
        ok=0
    fi
    rm -rf "$log"
    if [ $ok = 1 ]; then timing+=("valgrind $((SECONDS - start))s"); else
        failed+=(valgrind)
        timing+=("valgrind $((SECONDS - start))s (failed)")
    fi
}

# skip LEG REASON: a leg that cannot run here; an error when
# KEL_REQUIRE_ALL_LEGS is set (CI installs everything every leg needs).
skip() {
    say "$1: SKIPPED: ${*:2}"
    skipped+=("$1")
    [ -z "${KEL_REQUIRE_ALL_LEGS:-}" ] || failed+=("$1")
}

have() { command -v "$1" >/dev/null 2>&1; }

for leg in "${legs[@]}"; do
    case $leg in
    format)
        if have clang-format; then
            start=$SECONDS
            say "format: .ci/check-format"
            if .ci/check-format; then timing+=("format $((SECONDS - start))s"); else
                failed+=(format)
                timing+=("format (failed: .ci/check-format --fix rewrites the files)")
            fi
        else
            skip format "clang-format not found; install it with: sudo apt-get install clang-format"
        fi
        ;;
    host | asan-ubsan | tsan) run_leg "$leg" ;;
    valgrind)
        if have valgrind; then run_valgrind; else
            skip valgrind "valgrind not found; install it with: sudo apt-get install valgrind"
        fi
        ;;
    fuzz)
        if have clang++; then
            targets=(fuzz/fuzz_*.cpp)
            [ -e "${targets[0]}" ] || targets=()
            echo "fuzz: ${#targets[@]} targets, ${fuzz_seconds}s each (KEL_FUZZ_SECONDS)"
            run_leg fuzz -DKEL_FUZZ_SECONDS="$fuzz_seconds"
        else
            skip fuzz "clang++ not found; install it with: sudo apt-get install clang libclang-rt-14-dev"
        fi
        ;;
    ppc)
        if have powerpc-linux-gnu-g++ && have qemu-ppc; then
            run_leg ppc
        else
            skip ppc "powerpc-linux-gnu-g++ or qemu-ppc not found; install them with:" \
                "sudo apt-get install g++-powerpc-linux-gnu qemu-user"
        fi
        ;;
    release)
        # The tools the release leg needs, each with its Debian package.
        missing=()
        for need in abidiff:abigail-tools lintian:lintian doxygen:doxygen dpkg-shlibdeps:dpkg-dev file:file \
            powerpc-linux-gnu-g++:g++-powerpc-linux-gnu; do
            have "${need%%:*}" || missing+=("${need#*:}")
        done
        [ "$(id -u)" = 0 ] || have fakeroot || missing+=(fakeroot)
        if [ ${#missing[@]} -eq 0 ]; then
            start=$SECONDS
            say "release: tests/release.sh"
            if bash tests/release.sh; then timing+=("release $((SECONDS - start))s"); else
                failed+=(release)
                timing+=("release $((SECONDS - start))s (failed)")
            fi
        else
            skip release "missing; install with: sudo apt-get install ${missing[*]}"
        fi
        ;;
    mutation)
        if have python3; then
            start=$SECONDS
            say "mutation: tools/mutate.py --self-test, sample ${KEL_MUTANTS:-src=20,sim=10}, seed ${KEL_MUTATION_SEED:-9}"
            if python3 tools/mutate.py --self-test --min-kill "src=${KEL_MUTATION_MIN_SRC:-90}"; then
                timing+=("mutation $((SECONDS - start))s")
            else
                failed+=(mutation)
                timing+=("mutation $((SECONDS - start))s (failed; report in build/mutation/report.txt)")
            fi
        else
            skip mutation "python3 not found; install it with: sudo apt-get install python3"
        fi
        ;;
    *)
        echo "test.sh: unknown leg '$leg' (format host asan-ubsan tsan valgrind fuzz ppc release mutation)" >&2
        exit 2
        ;;
    esac
done

say "summary"
printf '  %s\n' "${timing[@]}"
[ ${#skipped[@]} -eq 0 ] || echo "  skipped: ${skipped[*]}"
if [ ${#failed[@]} -gt 0 ]; then
    echo "  FAILED: ${failed[*]}"
    exit 1
fi
echo "  all legs passed (${SECONDS}s)"
