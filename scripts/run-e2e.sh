#!/usr/bin/env bash
# Runs the whole wizard end to end under Wine and checks what it did to the registry and the disk.
#
#   scripts/run-e2e.sh [name filter...]
#
# Builds SetUp.exe for 32 and 64 bits and the GUI driver (build/e2e-win32, build/e2e-win64), stages
# sample machines in throw-away prefixes under build/e2e/, and runs every scenario whose function name
# contains one of the filters (all without filters). The wizard is driven from outside by the GUI driver
# on a private Xvfb display; afterwards `wine reg export` and the prefix's drive C are checked. Screenshots
# of the pages go to build/screenshots/; a full run that passes copies the main ones to docs/screenshots/.
# Ends with "N passed, M failed"; exits non-zero on any failure.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 1
build32=${E2E_BUILD32:-build/e2e-win32}
build64=${E2E_BUILD64:-build/e2e-win64}

echo "== Building SetUp.exe (32 and 64 bits) and the GUI driver"
cmake -S . -B "$build32" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DBRELIX_BITNESS=32 >/dev/null || exit 1
cmake --build "$build32" --target SetUp SetUpNext guidriver planted benchprobe -j2 | grep -vE '^\[[0-9]+/[0-9]+\]' || true
cmake -S . -B "$build64" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DBRELIX_BITNESS=64 >/dev/null || exit 1
cmake --build "$build64" --target SetUp planted -j2 | grep -vE '^\[[0-9]+/[0-9]+\]' || true
for file in "$build32/SetUp.exe" "$build32/next/SetUp.exe" "$build32/guidriver.exe" "$build64/SetUp.exe" "$build32/planted.dll" \
    "$build64/planted.dll" "$build32/benchprobe.exe"; do
    [ -f "$file" ] || { echo "build failed: $file is missing"; exit 1; }
done
echo "== Checking the shipped form of SetUp.exe and BrelixUser.exe"
binaries_ok=yes
bash scripts/check-binary.sh "$build32/SetUp.exe" 32 || binaries_ok=no
bash scripts/check-binary.sh "$build64/SetUp.exe" 64 || binaries_ok=no

export E2E_SCRIPTS="$root/scripts"
E2E_DIR="$root/build/e2e"
export E2E_WORK="$E2E_DIR/work"
export E2E_SHOTS="$root/build/screenshots"
rm -rf "$E2E_WORK"
mkdir -p "$E2E_WORK" "$E2E_SHOTS"
SETUP32="$root/$build32/SetUp.exe"
SETUP64="$root/$build64/SetUp.exe"
PLANTED32="$root/$build32/planted.dll"
PLANTED64="$root/$build64/planted.dll"
E2E_DRIVER_UNIX="$root/$build32/guidriver.exe"

source tests/e2e/lib/wine.sh
source tests/e2e/lib/harness.sh
for file in tests/e2e/scenarios/*.sh; do source "$file"; done
E2E_DRIVER=$(WINEPREFIX=/nonexistent e2e_win_path "$E2E_DRIVER_UNIX")
# Times a command line and counts the windows it shows (bench/probe.cpp).
E2E_PROBE=$(WINEPREFIX=/nonexistent e2e_win_path "$root/$build32/benchprobe.exe")

for arch in x86 x64; do e2e_settle "$E2E_DIR/prefix-$arch"; done
e2e_start_display || exit 1
finish() {
    for arch in x86 x64; do e2e_settle "$E2E_DIR/prefix-$arch"; done
    e2e_stop_display
}
trap finish EXIT

# machine | title | scenario function
scenarios=(
    "x86|first installation with the default root|scenario_first_install"
    "x86|re-installation keeping the user's settings and libraries|scenario_reinstall_keeping"
    "x86|re-installation keeping nothing|scenario_reinstall_not_keeping"
    "x86|re-installation keeping settings and drawing library, chosen before going back|scenario_reinstall_partial_keep"
    "x86|installing into a new folder made by the folder picker|scenario_picker_new_folder"
    "x86|Chinese paths whose characters end in the backslash byte|scenario_dbcs_paths"
    "x86|AutoCAD running: warned once, installs on the second press|scenario_acad_running"
    "x86|no Data folder: message, page stays, nothing changes|scenario_no_data"
    "x86|product file held open: retry, then ignore|scenario_locked_file_retry_ignore"
    "x86|product file held open: abort|scenario_locked_file_abort"
    "x86|a read-only payload installs files that are not read-only|scenario_read_only_payload"
    "x86|cancel on each page changes nothing; choices survive going back|scenario_cancel_changes_nothing"
    "x86|a relative or emptied path is refused with a message and offers no keep options|scenario_empty_root"
    "x86|no AutoCAD: every release greyed, no way forward|scenario_no_autocad"
    "x86|the pages at 150 %: photographed for the README|scenario_pages_at_150_percent"
    "x86|a run killed while staging, then a good one; stale temp files stay out|scenario_killed_run_then_good_one"
    "x86|150 more files installed into a root below folders that do not exist|scenario_large_payload_below_missing_folders"
    "x86|DLLs planted beside the 32-bit build are never loaded|scenario_planted_dlls_32"
    "x86|code page 1252: a folder name ending in é before the backslash|scenario_latin1_folder"
    "x86|silent installation leaves what the wizard's walk leaves, and logs it|scenario_silent_same_as_wizard"
    "x86|silent runs end with every exit code; BrelixUser.exe restores a user's trusted path|scenario_silent_exit_codes"
    "x86|the silent log names every file copied and every value written|scenario_silent_log_names_every_change"
    "x86|an unsigned package when no certificate is given|scenario_unsigned_package"
    "x86|signed packages: SetUp.exe, and the BrelixUser.exe and Uninstall.exe it writes, keep the signature|scenario_signed_packages"
    "x86|BrelixUser.exe onto a full drive: exit 6, no half program left|scenario_user_program_on_a_full_disk"
    "x86|the registered Active Setup stub gives a user the per-user steps without a window|scenario_active_setup_stub_restores_a_user"
    "x86|beside a wizard on page 3 a silent run, a silent uninstall and a second wizard end with 1618|scenario_one_run_at_a_time"
    "x86|/S /? and mistyped silent lines end without a window; /D= as NSIS has it; the log's header|scenario_unattended_lines_show_no_window"
    "x86|two silent runs with one /LOG=: both runs there, each behind its header and ending with ExitCode=|scenario_two_silent_runs_share_one_log"
    "x86|/qn installs on its own; the registered quiet uninstall leaves its own log in %WINDIR%\\Temp|scenario_registered_quiet_uninstall_leaves_a_log_in_windows_temp"
    "x86|ten of the runs' own logs are kept; a link under such a name and what it leads to stay|scenario_ten_own_logs_are_kept"
    "x86|/DIR= installs into that root, as /D= does|scenario_dir_switch_installs_into_that_root"
    "x86|SetUp.exe /bogus shows a short box, and the /? box fits 1024x768 at 100 % and 150 %|scenario_boxes_fit_a_small_screen"
    "x86|a UTF-8 batch file queries the Active Setup component by its ASCII name|scenario_utf8_batch_queries_active_setup"
    "x86|two machines install from one shared folder at once, each keeping its own files|scenario_two_machines_share_one_source"
    "x86|uninstall through Programs and Features leaves only the user's work and the documented leftovers|scenario_uninstall_round_trip"
    "x86|a quiet uninstall keeps the changed settings and their record; the next installation keeps them|scenario_uninstall_quietly_then_reinstall_keeps"
    "x86|a quiet uninstall follows none of an ordinary user's links, record lines or log link|scenario_uninstall_follows_no_link"
    "x86|a payload whose Data or a file of it is a link: the silent run stops, nothing behind it is copied|scenario_payload_read_through_no_link"
    "x86|journal-shaped files and folders in the product folder are the user's: never read, followed or blocking|scenario_planted_journal_names_are_the_users"
    "x86|the product folder swapped for links: the uninstall deletes no per-user program behind them|scenario_uninstall_product_folder_swapped_for_links"
    "x86|a subfolder swapped for a link during the sweep: nothing behind it is removed, the folder is named|scenario_uninstall_sweep_subfolder_swapped_for_a_link"
    "x86|nothing is written, read or changed through a hard link or a link, the log's included|scenario_no_write_or_read_through_links"
    "x86|a second program cannot rename the folders or the running SetUp.exe; a swapped one writes no uninstaller|scenario_second_program_races_the_installation"
    "x86|a planted record and uninstaller are the user's files; keeping without a readable record stops|scenario_planted_record_and_keeping_without_a_record"
    "x86|a re-installation whose staged copy does not fit its drive changes nothing|scenario_reinstall_on_a_small_drive_changes_nothing"
    "x86|a silent re-installation killed at a dozen moments, each followed by a complete run; then killed and uninstalled|scenario_reinstall_killed_at_a_dozen_moments"
    "x86|a first installation killed at three moments, each followed by the quiet uninstall: nothing of it is left|scenario_first_installation_killed_then_uninstalled"
    "x86|a first installation into a drive root killed, then uninstalled quietly: its mark leads the uninstall there|scenario_first_installation_into_a_drive_root_killed_then_uninstalled"
    "x86|root moved from D: to C: with fewer releases: the quiet uninstall from a UTF-8 batch takes both|scenario_moved_root_uninstall_takes_every_folder"
    "x86|an upgrade to a newer build, the older one refused over it (8) and then allowed|scenario_versions_upgrade_and_downgrade"
    "x86|Program Files read-only: stopped with 6, nothing registered with AutoCAD|scenario_read_only_program_files_registers_nothing"
    "x64|32-bit build on a 64-bit machine offers 2004-2016 and installs into the 32-bit view|scenario_32bit_build_on_64bit_machine"
    "x64|64-bit build offers 2005-2025 and installs into both views|scenario_64bit_build_installs"
    "x64|64-bit build finds its record again and keeps the user's files|scenario_64bit_reinstall_keeping"
    "x64|installed by the 32-bit build, re-installed by the 64-bit build keeping the user's files|scenario_32bit_then_64bit_build"
    "x64|installed by the 64-bit build, re-installed by the 32-bit build: its setup folder is taken in|scenario_64bit_then_32bit_build"
    "x64|DLLs planted beside the 64-bit build are never loaded|scenario_planted_dlls_64"
    "x64|64-bit build, root moved from D: to C: with fewer releases: the quiet uninstall takes both|scenario_moved_root_uninstall_takes_every_folder"
)

started=$(date +%s)
for entry in "${scenarios[@]}"; do
    IFS='|' read -r arch title function <<<"$entry"
    if [ $# -gt 0 ]; then
        wanted=no
        for filter in "$@"; do [[ $function == *"$filter"* ]] && wanted=yes; done
        [ $wanted = yes ] || continue
    fi
    use_machine "$E2E_DIR/prefix-$arch" "$arch" || { echo "cannot prepare the $arch prefix"; exit 1; }
    run_scenario "$title" "$function"
done

# The pictures the README and docs/screenshots.md show, refreshed from a run that checked every page.
if [ $# -eq 0 ] && [ "$E2E_FAILED" -eq 0 ]; then
    mkdir -p docs/screenshots
    for name in page1-licence page2-releases page3-path page3-keep page3-installed picker copy-failed \
        page2-releases-64bit page1-licence-150 page2-releases-150 page3-path-150; do
        cp "$E2E_SHOTS/$name.png" docs/screenshots/
    done
fi

echo
echo "== Summary ($(($(date +%s) - started)) s)"
for name in "${E2E_FAILED_NAMES[@]}"; do echo "failed: $name"; done
echo "$E2E_PASSED passed, $E2E_FAILED failed"
[ "$binaries_ok" = yes ] || echo "failed: the shipped form of SetUp.exe or BrelixUser.exe (see the binary check above)"
[ "$E2E_FAILED" -eq 0 ] && [ "$E2E_PASSED" -gt 0 ] && [ "$binaries_ok" = yes ]
