#!/usr/bin/env bash
# Measures the wizard's speed under Wine, each figure against a floor measured side by side in the
# same run, and prints one line per measure: the program's median, the floor's median, and the median
# of the ratios of the runs taken side by side.
#
#   scripts/bench.sh [runs] [measure...]   (5 runs per measure; every measure when none is named)
#   BENCH_VERBOSE=1 scripts/bench.sh ...   also prints every sample
#
#   startup        start to the licence page on screen   vs  a bare dialog from the same template
#   install-large  安  装 press to the completion message, a first installation of 20 x 8 MB into a new
#                  folder                                vs  a raw CopyFileA loop over the same files
#                                                            into a new folder, on the same page
#   install-small  the same with 500 x 1 KB
#   upgrade-large  the same press with every file of Data new and an earlier installation in place,
#                  keeping its configuration             vs  the same page's staged loop over the same
#                                                            files: copied under a new name, the old
#                                                            one renamed away, the new one renamed in,
#                                                            the old one deleted
#   upgrade-small  the same with 500 x 1 KB
#   repair-large   the same press installing the same files again (nothing to write)
#                                                        vs  the raw CopyFileA loop overwriting them
#   repair-small   the same with 500 x 1 KB
#   discovery      SetUp.exe's start to page 1 on 10 000 release and product keys, less a bare
#                  dialog's start (startup's floor)      vs  one raw RegEnumKeyExA walk of each view
#                                                             that is there; discovery-code: the
#                                                             search alone, in one process, as a
#                                                             logged run makes it, vs the same walk
#   stub           BrelixUser.exe as Active Setup runs it at a logon: the registered StubPath, start
#                  to end, on the staged machine with its profiles
#                                                         vs  a program that ends at once (benchbare)
#   size           bytes of the 32-bit and 64-bit SetUp.exe, as built and stripped
#
# Program and floor take turns, the first of each pair alternating; the large measures print every
# pair, since the page cache below Wine moves both between two levels (docs/testing.md).
# A benchmark, not a test: it asserts no time. It stops only when a run does not do what it measures
# (no page, no completion message). Runs in its own prefix, build/bench/prefix-x86, on a private Xvfb.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 1
runs=${1:-5}
[ $# -gt 0 ] && shift
wanted=("$@")
build32=${BENCH_BUILD32:-build/e2e-win32}
build64=${BENCH_BUILD64:-build/e2e-win64}

echo "== Building SetUp.exe (32 and 64 bits), the GUI driver and the benchmark's helpers"
cmake -S . -B "$build32" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DBRELIX_BITNESS=32 >/dev/null || exit 1
cmake --build "$build32" --target SetUp guidriver benchfloor benchprobe benchdiscovery benchbare -j2 | grep -vE '^\[[0-9]+/[0-9]+\]' || true
cmake -S . -B "$build64" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DBRELIX_BITNESS=64 >/dev/null || exit 1
cmake --build "$build64" --target SetUp -j2 | grep -vE '^\[[0-9]+/[0-9]+\]' || true
for file in SetUp.exe guidriver.exe benchfloor.exe benchprobe.exe benchdiscovery.exe benchbare.exe; do
    [ -f "$build32/$file" ] || { echo "build failed: $build32/$file is missing"; exit 1; }
done
[ -f "$build64/SetUp.exe" ] || { echo "build failed: $build64/SetUp.exe is missing"; exit 1; }

source tests/e2e/lib/wine.sh
source tests/e2e/scenarios/common.sh  # WALK_TO_PAGE3, PRODUCT_NAME, LIBRARY

prefix="$root/build/bench/prefix-x86"
e2e_settle "$prefix"
e2e_start_display || exit 1
finish() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null
    e2e_settle "$prefix"
    e2e_stop_display
}
trap finish EXIT

echo "== Staging a machine with AutoCAD in $prefix"
scripts/stage-machine.sh "$prefix" x86 >/dev/null || { echo "staging failed"; exit 1; }
e2e_use_prefix "$prefix" x86 || exit 1
# One server for the whole run, so that every program starts as it does on a machine already up; the
# first program starts the prefix's services with its output going nowhere.
wineserver -p >/dev/null 2>&1
wine cmd /c exit >/dev/null 2>&1

drive_c="$WINEPREFIX/drive_c"
bench_dir="$drive_c/bench"
setup_dir="$bench_dir/setup"
data="$setup_dir/Data"
product="$drive_c/Brelix/$PRODUCT_NAME"
floor_target='C:\bench\floor'
rm -rf "$bench_dir"
mkdir -p "$setup_dir" "$bench_dir/bin"
cp "$build32/SetUp.exe" "$setup_dir/SetUp.exe"
cp "$build32/benchfloor.exe" "$bench_dir/bin/benchfloor.exe"
cp "$build32/benchbare.exe" "$bench_dir/bin/benchbare.exe"
SETUP='C:\bench\setup\SetUp.exe'
FLOOR='C:\bench\bin\benchfloor.exe'
BARE='C:\bench\bin\benchbare.exe'
PROBE=$(e2e_win_path "$build32/benchprobe.exe")
DRIVER=$(e2e_win_path "$build32/guidriver.exe")
DISCOVERY=$(e2e_win_path "$build32/benchdiscovery.exe")

# --- Helpers ------------------------------------------------------------------------------------------

# probe <arguments>: runs the probe and prints the milliseconds it measured; stops the run on failure.
probe() {
    local output
    # The console output of a Windows program ends its lines in CR LF.
    output=$(wine "$PROBE" "$@" 2>&1 | tr -d '\r') || { echo "benchprobe $*: $output" >&2; exit 1; }
    if [ "$1" = press ] && [[ $output != *安装完成* ]]; then
        echo "the press did not end in the completion message: $output" >&2
        exit 1
    fi
    awk '$1 == "ms" { print $2 }' <<<"$output"
}

median() {  # median <number>...
    printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# report <measure> "<program samples>" "<floor samples>" [note]: the medians, and the median of the
# ratios of the samples taken side by side, which the load of a shared machine moves far less than
# it moves either median.
report() {
    local measure=$1 program=($2) floor=($3) note=${4:-} ratios=() i
    if [ -n "${BENCH_VERBOSE:-}" ] || [[ $measure == *-large ]]; then
        echo "    program: ${program[*]}" >&2
        echo "    floor:   ${floor[*]}" >&2
    fi
    for i in "${!program[@]}"; do
        ratios+=("$(awk -v p="${program[$i]}" -v f="${floor[$i]}" 'BEGIN { print (f > 0 ? p / f : 0) }')")
    done
    awk -v m="$measure" -v p="$(median "${program[@]}")" -v f="$(median "${floor[@]}")" \
        -v r="$(median "${ratios[@]}")" -v n="$note" \
        'BEGIN { printf "%-13s program %8.1f ms   floor %8.1f ms   ratio %5.2f%s\n", m, p, f, r, n }'
}

# sample <command...>: runs one timed command and prints its milliseconds; fails (its caller then stops
# the run) when the command did not produce a figure.
sample() {
    local ms
    ms=$("$@" | tail -n 1)
    [[ $ms =~ ^[0-9]+(\.[0-9]+)?$ ]] || { echo "no figure from: $*" >&2; exit 1; }
    printf '%s\n' "$ms"
}

# One press of 安  装 in the wizard, walked to page 3 with every choice as offered; prints the ms.
# Every press starts with the disk written back, so that the writes of the run before do not land
# in the middle of this one.
setup_install() {
    (cd "$setup_dir" && exec wine SetUp.exe) >/dev/null 2>&1 &
    local wizard=$!
    local script
    script=$(mktemp -p "$bench_dir" --suffix=.drive)
    printf '%s\n' "$WALK_TO_PAGE3" >"$script"
    wine "$DRIVER" run "$(e2e_win_path "$script")" >/dev/null 2>&1 || { echo "could not walk to page 3" >&2; exit 1; }
    rm -f "$script"
    sync
    probe press
    wait "$wizard"
}

# The same press on page 3's bare template: floor_install <copy|stage> <count> runs that loop over the
# first <count> files of Data; prints the ms.
floor_install() {
    wine "$FLOOR" "$1" 'C:\bench\setup\Data' "$floor_target" "$2" >/dev/null 2>&1 &
    local floor=$!
    sync
    probe press
    wait "$floor"
}

# new_payload <files> <bytes each>: Data's files, each of new content.
new_payload() {
    local i
    for i in $(seq -f '%04g' "$1"); do head -c "$2" /dev/urandom >"$data/part$i.bin"; done
}

# Nothing of an earlier installation: no product folder, setup folder or record.
forget_installation() {
    rm -rf "$drive_c/Brelix" "$drive_c/Program Files/Brelix Setup"
    wine reg delete 'HKLM\SOFTWARE\Brelix' /f >/dev/null 2>&1
}

# measure_deploy <measure> <files> <bytes each> <install|upgrade|repair>
measure_deploy() {
    local measure=$1 files=$2 size=$3 kind=$4 i
    rm -rf "$data" "$drive_c/bench/floor"
    forget_installation
    mkdir -p "$data"
    new_payload "$files" "$size"
    printf 'font\r\n' >"$data/Brelix_EN.shx"
    printf 'font\r\n' >"$data/Brelix_HZ.shx"
    # The first installation leaves the record and the user's files that an upgrade or repair keeps.
    sample setup_install >/dev/null || exit 1
    if [ "$kind" != install ]; then
        printf 'user settings\r\n' >"$product/Brelix.CFG"
        printf 'user sections\r\n' >"$product/Brelix.SEC"
        printf 'user drawing\r\n' >"$product/$LIBRARY/Mine.SJY"
    fi
    local copied mode=copy
    copied=$(find "$product" -maxdepth 1 -name 'part*.bin' | wc -l)
    [ "$kind" = upgrade ] && mode=stage
    sample floor_install copy "$copied" >/dev/null || exit 1
    local program=() floor=()
    # Each side as its users meet it: a first installation into a folder that is not there, an upgrade
    # whose every file is new, a repair of what is in place.
    run_program() {
        [ "$kind" = install ] && forget_installation
        [ "$kind" = upgrade ] && new_payload "$files" "$size"
        program+=("$(sample setup_install)") || return 1
    }
    run_floor() {
        [ "$kind" = install ] && rm -rf "$drive_c/bench/floor"
        [ "$kind" = upgrade ] && new_payload "$files" "$size"
        floor+=("$(sample floor_install "$mode" "$copied")") || return 1
    }
    for i in $(seq "$runs"); do
        if [ $((i % 2)) -eq 1 ]; then
            run_program || exit 1
            run_floor || exit 1
        else
            run_floor || exit 1
            run_program || exit 1
        fi
    done
    report "$measure" "${program[*]}" "${floor[*]}" "   ($copied of $files files, $kind)"
    # The next measure starts without these files in the page cache or waiting to be written.
    rm -rf "$data" "$drive_c/bench/floor"
    forget_installation
    sync
}

# --- Measures -----------------------------------------------------------------------------------------

# wants <measure>: the measure was asked for (or none was named).
wants() {
    [ ${#wanted[@]} -eq 0 ] && return 0
    local name
    for name in "${wanted[@]}"; do [ "$name" = "$1" ] && return 0; done
    return 1
}

measure_startup() {
    local i
    startup_program=() startup_floor=()
    sample probe start "$SETUP" >/dev/null || exit 1
    sample probe start "$FLOOR" page >/dev/null || exit 1
    # The order alternates, and each start waits a moment, so that neither one always starts while
    # the other's exit is still being cleaned up.
    for i in $(seq "$runs"); do
        if [ $((i % 2)) -eq 1 ]; then
            sleep 0.3
            startup_program+=("$(sample probe start "$SETUP")") || exit 1
            sleep 0.3
            startup_floor+=("$(sample probe start "$FLOOR" page)") || exit 1
        else
            sleep 0.3
            startup_floor+=("$(sample probe start "$FLOOR" page)") || exit 1
            sleep 0.3
            startup_program+=("$(sample probe start "$SETUP")") || exit 1
        fi
    done
    report startup "${startup_program[*]}" "${startup_floor[*]}"
}

# run_sample <program> [arguments]: runs it to its end through the probe; prints the ms. Stops the run
# when the program failed or showed a window.
run_sample() {
    local output
    output=$(wine "$PROBE" run "$@" 2>&1 | tr -d '\r')
    if ! grep -qx 'exit 0' <<<"$output" || ! grep -qx 'windows 0' <<<"$output"; then
        echo "$*: $output" >&2
        exit 1
    fi
    awk '$1 == "ms" { print $2 }' <<<"$output"
}

measure_stub() {
    local i stub
    # An installation for the stub to work for, as a deployment leaves it.
    rm -rf "$data" "$drive_c/Brelix"
    mkdir -p "$data"
    printf 'module\r\n' >"$data/BRELIX2010.ARX"
    printf 'font\r\n' >"$data/Brelix_EN.shx"
    printf 'font\r\n' >"$data/Brelix_HZ.shx"
    (cd "$setup_dir" && exec wine SetUp.exe /S) >/dev/null 2>&1 || { echo "the silent installation failed"; exit 1; }
    stub=$(e2e_reg_value "HKLM\\SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\Brelix" StubPath) ||
        { echo "no Active Setup component registered"; exit 1; }
    stub=${stub//\\\"/}
    stub_program=() stub_floor=()
    sample run_sample "$stub" >/dev/null || exit 1
    sample run_sample "$BARE" >/dev/null || exit 1
    for i in $(seq "$runs"); do
        if [ $((i % 2)) -eq 1 ]; then
            stub_program+=("$(sample run_sample "$stub")") || exit 1
            stub_floor+=("$(sample run_sample "$BARE")") || exit 1
        else
            stub_floor+=("$(sample run_sample "$BARE")") || exit 1
            stub_program+=("$(sample run_sample "$stub")") || exit 1
        fi
    done
    report stub "${stub_program[*]}" "${stub_floor[*]}" "   (4 releases, 5 profiles)"
    rm -rf "$data" "$drive_c/Brelix"
    wine reg delete 'HKLM\SOFTWARE\Brelix' /f >/dev/null 2>&1
}

measure_discovery() {
    local keys
    # 100 release keys of 99 product keys each, every product key holding both values.
    keys=$(mktemp -p "$bench_dir" --suffix=.reg)
    awk 'BEGIN {
        print "Windows Registry Editor Version 5.00"
        for (r = 0; r < 100; ++r) {
            release = sprintf("HKEY_LOCAL_MACHINE\\SOFTWARE\\Autodesk\\AutoCAD\\R%d.0", 90 + r)
            printf "\n[%s]\n", release
            for (p = 0; p < 99; ++p) {
                printf "\n[%s\\ACAD-%04d:804]\n", release, 9000 + p
                printf "\"AcadLocation\"=\"C:\\\\Program Files\\\\AutoCAD Bench %d\\\\%d\"\n", r, p
                printf "\"ProductName\"=\"AutoCAD %d\"\n", 2004 + (r + p) % 22
            }
        }
    }' >"$keys"
    e2e_reg_import "$keys" || { echo "the synthetic registry did not import"; exit 1; }
    rm -f "$keys"
    # One run more than asked: the first one reads the keys into the server's caches.
    local output
    output=$(wine "$DISCOVERY" $((runs + 1)) 2>&1 | tr -d '\r' | tail -n +2)
    [[ $output == program* ]] || { echo "benchdiscovery: $output" >&2; exit 1; }
    local code floor found
    read -r -a code <<<"$(awk '{ print $2 }' <<<"$output" | tr '\n' ' ')"
    read -r -a floor <<<"$(awk '{ print $4 }' <<<"$output" | tr '\n' ' ')"
    found=$(tail -n 1 <<<"$output" | awk '{ print $6 }')
    report discovery-code "${code[*]}" "${floor[*]}" \
        "   (in one process, as a logged run searches: 10 000 keys, $found installations found)"

    # As a user meets it: SetUp.exe's start to page 1 on these keys, less a bare dialog's start, against
    # the raw walk of the views that are there. Alternating, as for startup.
    local i setup bare program=()
    sample probe start "$SETUP" >/dev/null || exit 1
    sample probe start "$FLOOR" page >/dev/null || exit 1
    for i in $(seq "$runs"); do
        sleep 0.3
        if [ $((i % 2)) -eq 1 ]; then
            setup=$(sample probe start "$SETUP") || exit 1
            sleep 0.3
            bare=$(sample probe start "$FLOOR" page) || exit 1
        else
            bare=$(sample probe start "$FLOOR" page) || exit 1
            sleep 0.3
            setup=$(sample probe start "$SETUP") || exit 1
        fi
        program+=("$(awk -v s="$setup" -v b="$bare" 'BEGIN { print s - b }')")
    done
    report discovery "${program[*]}" "${floor[*]}" \
        "   (start to page 1 less a bare dialog's start, against the raw walk)"
}

echo "== Measuring, $runs runs each (median)"
if wants startup; then measure_startup; fi
for scale in small large; do
    count=500 bytes=1024
    [ $scale = large ] && count=20 bytes=$((8 * 1024 * 1024))
    for kind in install upgrade repair; do
        if wants "$kind-$scale"; then measure_deploy "$kind-$scale" "$count" "$bytes" "$kind"; fi
    done
done
if wants stub; then measure_stub; fi
if wants discovery; then measure_discovery; fi

# The size as built, and stripped of its symbols as it would ship.
for bitness in 32 64; do
    build_dir=$build32 strip_tool=i686-w64-mingw32-strip
    [ $bitness = 64 ] && build_dir=$build64 strip_tool=x86_64-w64-mingw32-strip
    bytes=$(stat -c %s "$build_dir/SetUp.exe")
    stripped_copy=$(mktemp)
    "$strip_tool" -o "$stripped_copy" "$build_dir/SetUp.exe"
    stripped=$(stat -c %s "$stripped_copy")
    rm -f "$stripped_copy"
    printf '%-13s %d bytes, %d bytes stripped (%d KB; the limit is 440 KB)\n' "size-$bitness" "$bytes" \
        "$stripped" $(((stripped + 1023) / 1024))
done
