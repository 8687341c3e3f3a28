#!/usr/bin/env bash
# Builds SetUp.exe and runs the real wizard under Wine on a staged sample machine.
#
#   scripts/run-wizard.sh
#
# The machine is a throw-away 32-bit Wine prefix under build/wizard/ with AutoCAD 2009, 2010, 2020 and
# 2021 staged in it (scripts/stage-machine.sh) and the wizard in C:\e2e\setup beside a generated sample
# Data folder (scripts/make-payload.sh). With a display ($DISPLAY set) the wizard opens in a window for
# you to click through. Without one, it runs under a private Xvfb and is walked from the licence to the
# completion message by the GUI driver, saving a screenshot of each page in build/screenshots/.
# Afterwards it prints what the installation wrote: registry entries, files, trusted paths and fonts.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh

echo "== Building SetUp.exe (win32 preset)"
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target SetUp guidriver -j2 | grep -vE '^\[[0-9]+/[0-9]+\]' || true

source tests/e2e/lib/wine.sh
machine="$root/build/wizard"
shots="$root/build/screenshots"
mkdir -p "$machine" "$shots"

interactive=no
[ -n "${DISPLAY:-}" ] && interactive=yes
wizard=
finish() {
    # A walk that went wrong leaves the wizard open: end it (only the process started here).
    if [ -n "$wizard" ] && kill -0 "$wizard" 2>/dev/null; then
        kill "$wizard" 2>/dev/null || true
    fi
    e2e_settle "$machine/prefix"
    [ $interactive = yes ] || e2e_stop_display
}
trap finish EXIT
e2e_settle "$machine/prefix"
[ $interactive = yes ] || e2e_start_display

echo "== Staging a sample machine in $machine/prefix"
e2e_use_prefix "$machine/prefix" x86
scripts/stage-machine.sh "$WINEPREFIX" x86
setup_dir="$WINEPREFIX/drive_c/e2e/setup"
mkdir -p "$setup_dir"
cp build/win32/SetUp.exe "$setup_dir/SetUp.exe"
scripts/make-payload.sh "$setup_dir/Data"

if [ $interactive = yes ]; then
    echo "== Running the wizard on $DISPLAY: click through it; this script goes on when it ends"
    (cd "$setup_dir" && wine SetUp.exe)
else
    echo "== Walking the wizard under Xvfb"
    driver=$(e2e_win_path "$root/build/win32/guidriver.exe")
    drive() { wine "$driver" "$@" | sed 's/^/   /'; }
    shot() {
        local rect
        rect=$(wine "$driver" rect | awk '/^rect / { print $4 "x" $5 "+" $2 "+" $3 }')
        /usr/bin/import -window root -crop "$rect" +repage "$shots/$1.png"
        echo "   screenshot build/screenshots/$1.png"
    }
    (cd "$setup_dir" && exec wine SetUp.exe) &
    wizard=$!
    drive wait-page 在安装之前，请认真阅读许可协议：
    shot wizard-1-licence
    drive click 1
    drive wait-page 请选择安装组件：
    shot wizard-2-releases
    drive click 1
    drive wait-page 请选择安装路径：
    shot wizard-3-path
    drive post-click 1
    drive wait-message "安装完成，重启AutoCAD即可使用 !" 60
    shot wizard-4-done
    drive answer 1
    wait "$wizard"
    wizard=
fi

echo
echo "== What was installed"
echo "-- record of the product folder (HKLM\\SOFTWARE\\Brelix)"
e2e_reg_export 'HKLM\SOFTWARE\Brelix' | grep -v '^Windows Registry' | sed '/^$/d'
echo "-- demand-load entries below the AutoCAD keys"
e2e_reg_export 'HKLM\SOFTWARE\Autodesk\AutoCAD' |
    awk '/^\[/ { show = ($0 ~ /\\Applications\\Brelix[0-9]+\]$/) } show && NF'
echo "-- trusted paths of the AutoCAD profiles"
e2e_reg_export 'HKCU\Software\Autodesk\AutoCAD' |
    awk '/^\[/ { key = $0 }
         /^"TRUSTEDPATHS"=/ {
             print key
             # The staged profiles include lists too long to extend: show only their ends.
             if (length($0) > 160) print "  " substr($0, 1, 70) " ... (" length($0) " bytes) ... " substr($0, length($0) - 60)
             else print "  " $0
         }'
echo "-- compatibility values left for acad.exe"
e2e_reg_export 'HKCU\Software\Microsoft\Windows NT\CurrentVersion\AppCompatFlags\Layers' | grep '^"' || echo "(none)"
echo "-- files"
(cd "$WINEPREFIX/drive_c" && find Brelix -printf '%y %10s  C:/%p\n' 2>/dev/null | sort -k3 | tr '/' '\\') || echo "(no C:\\Brelix)"
echo "-- fonts in the AutoCAD installations"
(cd "$WINEPREFIX/drive_c" && find "Program Files" -path '*AutoCAD*/Fonts/Brelix_*' -printf 'C:/%p\n' | sort | tr '/' '\\')
