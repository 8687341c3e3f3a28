#!/usr/bin/env bash
# Builds the cross-compiled test programs and runs them under Wine against the real Win32 API.
#
#   scripts/run-wine-tests.sh [win32|win64|all]      (default: win32, the shipped build)
#
# Each build uses its CMake preset (build/win32, build/win64) and runs unit_tests.exe and
# wine_tests.exe in a throw-away Wine prefix in build/wine-tests, one for both builds (64-bit, or
# 32-bit with BRELIX_WINE_ARCH=win32; the 64-bit build needs the 64-bit prefix), with code page 936. Without
# a display the programs run on a private Xvfb display. Extra gtest options can be passed in
# GTEST_ARGS (e.g. GTEST_ARGS=--gtest_filter=*Contract*). Run as root (as CI does), Wine lets the
# program overwrite read-only files, so the contract tests of the Win32 backend then run a second
# time as the unprivileged user "nobody", in a prefix of its own, where Wine enforces them as Windows
# does. The pages' DPI tests run twice more, at 144 and 192 DPI. Exits non-zero when a build or a test
# fails.
set -uo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root" || exit 1

case "${1:-win32}" in
    win32) builds=(win32) ;;
    win64) builds=(win64) ;;
    all) builds=(win32 win64) ;;
    *)
        echo "usage: $0 [win32|win64|all]" >&2
        exit 2
        ;;
esac

# Whether a test program's output ends with gtest's word that its tests passed. A program that crashed
# under Wine has been seen to end with status 0 without it: the run then failed whatever its status.
passed_whole() {
    grep -qE '^\[  PASSED  \] [0-9]+ tests?\.' "$1"
}

# Runs one test program in the prepared prefix; prints gtest's summary and returns its status.
run_program() {
    local exe="$1" log="$2" status
    echo "-- $(basename "$exe")"
    local args=()
    read -r -a args <<<"${GTEST_ARGS:-}"
    (cd "$(dirname "$exe")" && timeout 900 wine "./$(basename "$exe")" "${args[@]}" >"$log" 2>&1)
    status=$?
    # The summary starts at the last "[==========]" line.
    awk '/^\[==========\]/ { summary = "" } { summary = summary $0 "\n" }
         END { printf "%s", summary }' "$log" |
        grep -E '^\[(==========|  PASSED  |  FAILED  |  SKIPPED )\]|FAILED TEST' || true
    if [ "$status" -eq 0 ] && ! passed_whole "$log"; then
        echo "   $(basename "$exe") ended without gtest's summary"
        status=1
    fi
    if [ "$status" -ne 0 ]; then
        echo "   $(basename "$exe") exited with status $status; full output in $log"
        grep -E '^\[  FAILED  \]' "$log" >/dev/null || tail -n 20 "$log"
    fi
    return "$status"
}

# The code-page tests once more with the ANSI code page 1252 (C.UTF-8), in the same prefix.
run_under_cp1252() {
    local exe="$1"
    LC_ALL=C.UTF-8 GTEST_ARGS="--gtest_filter=Win32CodePage.*" run_program "$exe" "$exe.cp1252.log"
}

# The DPI tests once more at 150 % and 200 %, in the same prefix: LogPixels is read by a program at its
# start, and BRELIX_TEST_DPI tells the test which DPI it must find. The prefix goes back to 96 after.
run_at_high_dpi() {
    local exe="$1" dpi status=0
    for dpi in 144 192; do
        wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
        BRELIX_TEST_DPI=$dpi GTEST_ARGS="--gtest_filter=Win32Dpi.*" run_program "$exe" "$exe.dpi$dpi.log" || status=1
    done
    wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1
    return "$status"
}

contract_tests="Win32/RegistryContract.*:Win32/FilesContract.*:Win32/ProcessesContract.*"

# Runs the Win32 contract tests of the build in $1 as "nobody" in
# build/wine-tests/unprivileged/wineprefix-win64.
run_unprivileged() {
    local dir="$1" home="$prefixes/unprivileged" status
    if ! command -v setpriv >/dev/null; then
        echo "-- contract tests as an ordinary user: skipped (no setpriv)"
        return 0
    fi
    echo "-- wine_tests.exe (Win32 contract as an ordinary user)"
    mkdir -p "$home" && chown 65534:65534 "$home" || return 1
    # shellcheck disable=SC2016 # expanded by the inner shell
    setpriv --reuid=65534 --regid=65534 --clear-groups env HOME="$home" BRELIX_TESTS_UNPRIVILEGED=1 \
        bash -c 'source "$1/scripts/wine-env.sh" "$2" win64 || exit 1
                 cd "$3" && timeout 300 wine ./wine_tests.exe --gtest_filter="$4" >"$2/wine_tests.log" 2>&1
                 status=$?
                 wineserver -w
                 exit $status' _ "$root" "$home" "$dir/tests" "$contract_tests"
    status=$?
    grep -E '^\[(==========|  PASSED  |  FAILED  |  SKIPPED )\]|FAILED TEST' "$home/wine_tests.log" |
        tail -n 8
    if [ "$status" -eq 0 ] && ! passed_whole "$home/wine_tests.log"; then
        echo "   ended without gtest's summary"
        status=1
    fi
    [ "$status" -eq 0 ] || echo "   exited with status $status; full output in $home/wine_tests.log"
    return "$status"
}

arch="${BRELIX_WINE_ARCH:-win64}"
if [ "$arch" = win32 ] && [[ " ${builds[*]} " == *" win64 "* ]]; then
    echo "the 64-bit build cannot run in a 32-bit prefix" >&2
    exit 2
fi

# Made once and shared by both builds: a prefix takes about 20 s to make, and every test cleans up
# after itself.
prefixes="$root/build/wine-tests"
failed=0
for build in "${builds[@]}"; do
    dir="$root/build/$build"
    echo "== $build: configure and build"
    if ! cmake --preset "$build" >/dev/null; then
        echo "configure failed for $build" >&2
        failed=1
        continue
    fi
    if ! cmake --build --preset "$build" --target unit_tests wine_tests -j2 \
        >"$dir/wine-tests-build.log" 2>&1; then
        grep -E 'error|FAILED' "$dir/wine-tests-build.log" | head -n 40
        echo "build failed for $build; full output in $dir/wine-tests-build.log" >&2
        failed=1
        continue
    fi

    echo "== $build: run under Wine"
    # shellcheck disable=SC1091 # sourced by its path at run time
    if ! source "$root/scripts/wine-env.sh" "$prefixes" "$arch"; then
        failed=1
        continue
    fi
    programs=("$dir/tests/unit_tests.exe" "$dir/tests/wine_tests.exe")
    if [ -n "${DISPLAY:-}" ]; then
        for exe in "${programs[@]}"; do run_program "$exe" "$exe.log" || failed=1; done
        run_under_cp1252 "$dir/tests/wine_tests.exe" || failed=1
        run_at_high_dpi "$dir/tests/wine_tests.exe" || failed=1
        wineserver -w
    else
        # Every Wine process of one wineserver must see the same display: run them all on one Xvfb
        # and let the wineserver end before the display goes.
        # xvfb-run is a POSIX shell script and drops exported functions, so the runner goes in as text.
        # shellcheck disable=SC2016 # expanded by the inner shell
        xvfb-run -a -s "-screen 0 1024x768x24" bash -c "$(declare -f passed_whole run_program run_under_cp1252 run_at_high_dpi)"'
            status=0
            for exe in "$@"; do run_program "$exe" "$exe.log" || status=1; done
            run_under_cp1252 "${@: -1}" || status=1
            run_at_high_dpi "${@: -1}" || status=1
            wineserver -w
            exit $status' _ "${programs[@]}" || failed=1
    fi
    if [ "$(id -u)" -eq 0 ]; then
        run_unprivileged "$dir" || failed=1
    fi
done

if [ "$failed" -ne 0 ]; then
    echo "== Wine tests: FAILED"
    exit 1
fi
echo "== Wine tests: all passed"
