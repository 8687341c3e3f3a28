# What a deployment tool and an administrator's scripts rely on, on the staged 32-bit machine: one /LOG
# file for several runs, a log of its own for every run without one, msiexec's and Inno Setup's
# switches, boxes that fit the screen, and names a UTF-8 batch file can give.

TEMP_LOGS_GLOB='Brelix-SetUp-[0-9]*-[0-9]*-[0-9]*.log'

# own_logs: the runs' own logs in %WINDIR%\Temp, oldest first by name.
own_logs() {
    (cd "$DRIVE_C/windows/temp" && ls -1 $TEMP_LOGS_GLOB 2>/dev/null | LC_ALL=C sort)
}

# lines_with <file> <fixed text>: how many lines of the file hold the text.
lines_with() {
    grep -acF "$2" "$1"
}

# Two silent runs with one /LOG=: the second run's lines follow the first's, each run behind its header
# line and ending with its ExitCode=; one byte-order mark, at the start.
scenario_two_silent_runs_share_one_log() {
    stage x86 "$SETUP32" || return 1
    local log="$DRIVE_C/e2e/logs/CAD-01.log"
    silent /S '/LOG=C:\e2e\logs\CAD-01.log'
    expect_eq "first run" "$SILENT_EXIT" 0
    silent /S /RELEASES=2010 '/LOG=C:\e2e\logs\CAD-01.log'
    expect_eq "second run" "$SILENT_EXIT" 0
    expect_eq "header lines" "$(lines_with "$log" '  ========== ')" 2
    expect_eq "exit lines" "$(grep -acE '退出代码：0（安装完成，没有问题） ExitCode=0.?$' "$log")" 2
    expect_eq "byte-order marks" "$(grep -ac $'\xef\xbb\xbf' "$log")" 1
    local first second
    first=$(grep -anF '  ========== ' "$log" | sed -n 1p | cut -d: -f1)
    second=$(grep -anF '  ========== ' "$log" | sed -n 2p | cut -d: -f1)
    expect_eq "the first run's header opens the file" "$first" 1
    expect_eq "the second run begins after the first run's exit line" \
        "$(sed -n "$((second - 1))p" "$log" | grep -c 'ExitCode=0')" 1
    expect_eq "the header names the version and the command line" \
        "$(sed -n "${second}p" "$log" | grep -cE '========== [0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:]{8} UTC  Brelix结构工具箱 V[0-9.]+ \(32位版本\)  命令行："C:\\e2e\\setup\\SetUp.exe" /S /RELEASES=2010 /LOG=C:\\e2e\\logs\\CAD-01.log')" 1
}

# The quiet uninstall as Programs and Features registered it, from a batch file, without /LOG: it leaves
# a new log of its own in %WINDIR%\Temp, named by time and process id, ending with ExitCode=0; and /qn
# installs without a window, ends by itself and leaves its own log too.
scenario_registered_quiet_uninstall_leaves_a_log_in_windows_temp() {
    stage x86 "$SETUP32" || return 1
    rm -f "$DRIVE_C"/windows/temp/Brelix-SetUp*.log
    unattended /qn
    expect_eq "/qn" "$UNATTENDED_EXIT" 0
    expect_product "$PRODUCT" "$PAYLOAD_REF"
    local logs
    logs=$(own_logs)
    expect_eq "logs of /qn in %WINDIR%\\Temp" "$(printf '%s\n' "$logs" | grep -c .)" 1
    log_says "$DRIVE_C/windows/temp/$logs" 'SetUp.exe" /qn'
    expect_eq "/qn's last line" "$(tail -n 1 "$DRIVE_C/windows/temp/$logs" | tr -d '\r' | grep -c 'ExitCode=0$')" 1

    local command
    command=$(e2e_reg_value "$UNINSTALL_KEY" QuietUninstallString) || { fail "no QuietUninstallString"; return 1; }
    command=${command//\\\"/\"}
    mkdir -p "$DRIVE_C/e2e/bin"
    printf '@chcp 65001 >nul\r\n@%s\r\n@>C:\\e2e\\bin\\exit.txt echo %%ERRORLEVEL%%\r\n' "$command" \
        >"$DRIVE_C/e2e/bin/quiet-uninstall.bat"
    rm -f "$DRIVE_C/e2e/bin/exit.txt"
    (cd "$DRIVE_C/e2e" && exec timeout 60 wine cmd /c 'C:\e2e\bin\quiet-uninstall.bat') >/dev/null 2>&1
    e2e_settle "$WINEPREFIX"
    expect_eq "quiet uninstall" "$(tr -d '\r\n ' <"$DRIVE_C/e2e/bin/exit.txt" 2>/dev/null)" 0
    local uninstall_log
    uninstall_log=$(own_logs | grep -vxF "$logs" | tail -n 1)
    [ -n "$uninstall_log" ] || { fail "the quiet uninstall left no log in %WINDIR%\\Temp"; return 1; }
    note "ok: the quiet uninstall's log: $uninstall_log"
    log_says "$DRIVE_C/windows/temp/$uninstall_log" 'Uninstall.exe" /UNINSTALL /S'
    log_says "$DRIVE_C/windows/temp/$uninstall_log" "已删除"
    expect_eq "uninstall's last line" \
        "$(tail -n 1 "$DRIVE_C/windows/temp/$uninstall_log" | tr -d '\r' | grep -c '退出代码：0（已卸载） ExitCode=0$')" 1
}

# The runs' own logs stay ten: older ones go, a link and another file under such a name stay, and so
# does what the link leads to.
scenario_ten_own_logs_are_kept() {
    stage x86 "$SETUP32" || return 1
    local temp="$DRIVE_C/windows/temp" day
    rm -f "$temp"/Brelix-SetUp*.log
    for day in 10 11 12 13 14 15 16 17 18 19 20 21; do
        printf 'old\r\n' >"$temp/Brelix-SetUp-202001${day}-120000-7.log"
    done
    printf 'system\r\n' >"$DRIVE_C/e2e/precious.txt"
    ln -s "$DRIVE_C/e2e/precious.txt" "$temp/Brelix-SetUp-20000101-000000-1.log"
    unattended /S /RELEASES=2010
    expect_eq "silent run" "$UNATTENDED_EXIT" 0
    expect_eq "own logs kept (the link is not one)" "$(own_logs | grep -vc 20000101)" 10
    expect_missing "$temp/Brelix-SetUp-20200111-120000-7.log"
    [ -f "$temp/Brelix-SetUp-20200121-120000-7.log" ] || fail "the newest earlier log went"
    [ -L "$temp/Brelix-SetUp-20000101-000000-1.log" ] || fail "the link was removed"
    expect_content "$DRIVE_C/e2e/precious.txt" $'system\r'
}

# /DIR= is /D=: the product goes below that root.
scenario_dir_switch_installs_into_that_root() {
    stage x86 "$SETUP32" || return 1
    silent /VERYSILENT /SUPPRESSMSGBOXES /NORESTART '/DIR=C:\Tools\CAD' '/LOG=C:\e2e\dir.log'
    expect_eq "/DIR=" "$SILENT_EXIT" 0
    expect_product "$DRIVE_C/Tools/CAD/$PRODUCT_NAME" "$PAYLOAD_REF"
    expect_missing "$PRODUCT"
    log_says "$DRIVE_C/e2e/dir.log" "安装路径：C:\\Tools\\CAD"
}

# box_fits <what>: the dialogs on display lie inside the 1024 x 768 screen.
box_fits() {
    local rect x y w h
    rect=$(wine "$E2E_DRIVER" rect 2>/dev/null | awk '/^rect / { print $2, $3, $4, $5 }')
    [ -n "$rect" ] || { fail "no box to measure for $1"; return 1; }
    read -r x y w h <<<"$rect"
    if [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le 1024 ] && [ $((y + h)) -le 768 ]; then
        note "ok: $1 at ${w}x${h}+${x}+${y} fits 1024x768"
    else
        fail "$1 at ${w}x${h}+${x}+${y} does not fit 1024x768"
    fi
}

# A mistyped switch without silence: a short box that names it and points to /?; the /? box fits the
# screen at 100 % and at 150 %. Each photographed.
scenario_boxes_fit_a_small_screen() {
    stage x86 "$SETUP32" || return 1
    local status=0 dpi
    (cd "$SETUP_DIR" && exec timeout 60 wine SetUp.exe /bogus) >/dev/null 2>&1 &
    local pid=$!
    drive <<EOF || status=1
wait-message 无法识别的开关：/bogus
expect-contains 65535 "运行 SetUp.exe /? 可列出所有开关。"
EOF
    box_fits "the box of /bogus" || status=1
    shot bogus-switch || status=1
    drive <<<"answer 1" || status=1
    wait "$pid"
    expect_eq "exit code of /bogus" "$?" 2
    for dpi in 96 144; do
        wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
        (cd "$SETUP_DIR" && exec timeout 60 wine SetUp.exe '/?') >/dev/null 2>&1 &
        pid=$!
        drive <<<"wait-message /USERPROGRAM=" || status=1
        box_fits "the /? box at $dpi DPI" || status=1
        shot "help-box-$dpi" || status=1
        drive <<<"answer 1" || status=1
        wait "$pid"
    done
    wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1
    return "$status"
}

# A batch file in UTF-8 (code page 65001) names the Active Setup component by its ASCII name; the
# Chinese name of earlier builds is gone after an installation.
scenario_utf8_batch_queries_active_setup() {
    stage x86 "$SETUP32" || return 1
    wine reg add 'HKLM\SOFTWARE\Microsoft\Active Setup\Installed Components\Brelix结构工具箱' /v StubPath \
        /d '"C:\Program Files\Brelix Setup\BrelixUser.exe"' /f >/dev/null 2>&1
    silent /S '/LOG=C:\e2e\as.log'
    expect_eq "installation" "$SILENT_EXIT" 0
    mkdir -p "$DRIVE_C/e2e/bin"
    printf '@chcp 65001 >nul\r\n@reg query "HKLM\\SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\Brelix" /v StubPath >C:\\e2e\\bin\\as.txt\r\n@>C:\\e2e\\bin\\exit.txt echo %%ERRORLEVEL%%\r\n' \
        >"$DRIVE_C/e2e/bin/active-setup.bat"
    rm -f "$DRIVE_C/e2e/bin/exit.txt"
    (cd "$DRIVE_C/e2e" && exec timeout 60 wine cmd /c 'C:\e2e\bin\active-setup.bat') >/dev/null 2>&1
    expect_eq "reg query from the UTF-8 batch" "$(tr -d '\r\n ' <"$DRIVE_C/e2e/bin/exit.txt" 2>/dev/null)" 0
    log_says "$DRIVE_C/e2e/bin/as.txt" "BrelixUser.exe"
    expect_no_reg_key 'HKLM\SOFTWARE\Microsoft\Active Setup\Installed Components\Brelix结构工具箱'
    log_says "$DRIVE_C/e2e/as.log" "已删除早先版本的 Active Setup 注册项"
}
