# Unattended runs as deployment tools make them: one run at a time on a machine, no box that could
# wait for ever, the log that says why. On the staged 32-bit machine.

ANOTHER_RUN="另一个Brelix安装程序正在本机运行"

# unattended <arguments...>: SetUp.exe from its folder, given at most 60 s. A box would wait for a
# press that never comes: the run is then ended and its exit code is 124. Left in UNATTENDED_EXIT.
unattended() {
    (cd "$SETUP_DIR" && exec timeout 60 wine SetUp.exe "$@") >/dev/null 2>&1
    UNATTENDED_EXIT=$?
    note "SetUp.exe $* → $UNATTENDED_EXIT"
}

# windows_exit <arguments>: runs SetUp.exe with that command line through cmd, which sees the whole
# exit code (Unix keeps its low byte only: 1618 arrives as 82). Left in WINDOWS_EXIT.
windows_exit() {
    mkdir -p "$DRIVE_C/e2e/bin"
    rm -f "$DRIVE_C/e2e/bin/exit.txt"
    printf '@cd /d C:\\e2e\\setup\r\n@SetUp.exe %s\r\n@>C:\\e2e\\bin\\exit.txt echo %%ERRORLEVEL%%\r\n' "$1" \
        >"$DRIVE_C/e2e/bin/exit.bat"
    (cd "$DRIVE_C/e2e" && exec timeout 60 wine cmd /c 'C:\e2e\bin\exit.bat') >/dev/null 2>&1
    WINDOWS_EXIT=$(tr -d '\r\n ' <"$DRIVE_C/e2e/bin/exit.txt" 2>/dev/null)
    note "SetUp.exe $1 → $WINDOWS_EXIT"
}

# While a wizard stands open on its third page, a silent installation and a second wizard change
# nothing and end with 1618; once the wizard has installed and ended, a silent run goes ahead.
scenario_one_run_at_a_time() {
    stage x86 "$SETUP32" || return 1
    mkdir -p "$DRIVE_C/e2e/logs"
    local before after
    before=$(mktemp -p "$E2E_WORK" --suffix=.outcome)
    after=$(mktemp -p "$E2E_WORK" --suffix=.outcome)
    installation_outcome "$before"
    wizard_start "$SETUP_DIR/SetUp.exe"
    drive <<<"$WALK_TO_PAGE3" || return 1

    windows_exit '/S /LOG=C:\e2e\logs\second.log'
    expect_eq "silent run beside the wizard" "$WINDOWS_EXIT" 1618
    log_says "$DRIVE_C/e2e/logs/second.log" "另一个Brelix安装程序正在本机运行"
    log_says "$DRIVE_C/e2e/logs/second.log" "退出代码：1618（另一个安装程序正在运行，本次未作任何更改）"
    windows_exit '/UNINSTALL /S'
    expect_eq "silent uninstall beside the wizard" "$WINDOWS_EXIT" 1618

    # A second wizard says so in one box and ends.
    windows_exit '' &
    local second=$!
    drive <<<"wait-message $ANOTHER_RUN
expect-caption Brelix软件安装
answer 1" || { wait "$second"; return 1; }
    wait "$second"
    expect_eq "second wizard" "$(tr -d '\r\n ' <"$DRIVE_C/e2e/bin/exit.txt")" 1618
    installation_outcome "$after"
    expect_same_snapshot "$before" "$after" "the refused runs changed nothing" "a refused run changed the machine"

    drive <<<"wait-page 请选择安装路径：
$INSTALL_AND_FINISH" || return 1
    wizard_ended
    expect_eq "wizard exit code" "$WIZARD_EXIT" 0
    unattended /S '/LOG=C:\e2e\logs\after.log'
    expect_eq "silent run after the wizard" "$UNATTENDED_EXIT" 0
}

# /S /? and mistyped silent lines end at once, without a window; what they would have shown is in
# the log, whose missing folders are made.
scenario_unattended_lines_show_no_window() {
    stage x86 "$SETUP32" || return 1
    local before after logs="$DRIVE_C/e2e/logs"
    mkdir -p "$logs"
    before=$(mktemp -p "$E2E_WORK" --suffix=.outcome)
    after=$(mktemp -p "$E2E_WORK" --suffix=.outcome)
    installation_outcome "$before"
    unattended /S '/?'
    expect_eq "/S /?" "$UNATTENDED_EXIT" 0
    unattended /quiet '/?' '/LOG=C:\e2e\logs\help.log'
    expect_eq "/quiet /? with a log" "$UNATTENDED_EXIT" 0
    log_says "$logs/help.log" "/UNINSTALL"
    log_says "$logs/help.log" "1618 另一个安装程序正在运行"
    unattended /VERYSILENT /SUPRESSMSGBOXES '/LOG=C:\e2e\logs\typo.log'
    expect_eq "unknown switch" "$UNATTENDED_EXIT" 2
    log_says "$logs/typo.log" "命令行无效：无法识别的开关：/SUPRESSMSGBOXES"
    unattended /SILENT /D=
    expect_eq "empty root" "$UNATTENDED_EXIT" 2
    unattended /S /D=C:\\CAD Tools /RELEASES=2010
    expect_eq "unquoted root before another switch" "$UNATTENDED_EXIT" 2
    # An unquoted program path with Chinese characters, as a logon script may write it: the switches
    # are what follows the whole path.
    mkdir -p "$DRIVE_C/e2e/bin/软件"
    cp "$SETUP_DIR/SetUp.exe" "$DRIVE_C/e2e/bin/软件/SetUp.exe"
    printf '@C:\\e2e\\bin\\软件\\SetUp.exe /S /? /LOG=C:\\e2e\\logs\\unquoted.log\r\n@>C:\\e2e\\bin\\exit.txt echo %%ERRORLEVEL%%\r\n' |
        iconv -f UTF-8 -t GBK >"$DRIVE_C/e2e/bin/unquoted.bat"
    (cd "$DRIVE_C/e2e" && exec timeout 60 wine cmd /c 'C:\e2e\bin\unquoted.bat') >/dev/null 2>&1
    expect_eq "unquoted Chinese program path" "$(tr -d '\r\n ' <"$DRIVE_C/e2e/bin/exit.txt")" 0
    log_says "$logs/unquoted.log" 'SetUp.exe" /S /? /LOG=C:\e2e\logs\unquoted.log'
    installation_outcome "$after"
    expect_same_snapshot "$before" "$after" "the refused lines changed nothing" "a refused line changed the machine"

    # The NSIS form: the rest of the line is the root, spaces and all; the log's folders are made.
    unattended /S '/LOG=C:\e2e\日志\新\nsis.log' /RELEASES=2010 /D=C:\\CAD Tools
    expect_eq "/D= as NSIS has it" "$UNATTENDED_EXIT" 0
    expect_demand_load 'Autodesk\AutoCAD\R18.0\ACAD-8001:804' 2010 BRELIX2010.ARX 'C:\CAD Tools'
    local log="$DRIVE_C/e2e/日志/新/nsis.log"
    expect_eq "the first line is the run's header" "$(sed -n 1p "$log" | grep -cF '  ========== ')" 1
    expect_eq "the second line names the computer" "$(sed -n 2p "$log" | grep -cF '  计算机：')" 1
    log_says "$log" "注册表视图：32 位"
    log_says "$log" "按设计不安装：C:\\e2e\\setup\\Data\\setup.exe（安装程序本身）"
    log_says "$log" "按设计不安装：C:\\e2e\\setup\\Data\\Help（文件夹"
    expect_eq "last line" "$(tail -n 1 "$log" | tr -d '\r' | cut -c26-)" "退出代码：0（安装完成，没有问题） ExitCode=0"

    # A /LOG on a drive that does not exist: the work is done, the log goes to the fallback, and
    # the exit code says that the log asked for is missing.
    # The fallback is a new file of the run's own, whatever was put under the older name.
    rm -f "$DRIVE_C"/windows/temp/Brelix-SetUp*.log
    printf 'planted\r\n' >"$DRIVE_C/windows/temp/Brelix-SetUp.log"
    unattended /S '/LOG=Q:\nowhere\x.log' /RELEASES=2010 '/D=C:\CAD Tools'
    expect_eq "/LOG on a missing drive" "$UNATTENDED_EXIT" 7
    expect_content "$DRIVE_C/windows/temp/Brelix-SetUp.log" $'planted\r'
    local fallback
    fallback=$(ls "$DRIVE_C"/windows/temp/Brelix-SetUp-*.log 2>/dev/null | head -n 1)
    [ -n "$fallback" ] || fail "no fallback log of the run's own in %WINDIR%\\Temp"
    expect_eq "the fallback's first line says why" \
        "$(sed -n 1p "$fallback" | grep -cE '无法写入 /LOG 指定的日志文件 Q:\\nowhere\\x\.log（错误 [0-9]+：[^）]+），日志改写在这里')" 1
    log_says "$fallback" "退出代码：7（"

    # From a console, help and the one-line result go there as well.
    printf '@cd /d C:\\e2e\\setup\r\n@SetUp.exe /? /S\r\n' >"$DRIVE_C/e2e/bin/help.bat"
    (cd "$DRIVE_C/e2e" && exec timeout 60 wine cmd /c 'C:\e2e\bin\help.bat') >"$E2E_WORK/help.out" 2>/dev/null
    if grep -aF '/USERPROGRAM=<' "$E2E_WORK/help.out" >/dev/null && grep -aF '1618' "$E2E_WORK/help.out" >/dev/null; then
        note "ok: SetUp.exe /? /S from cmd prints the help"
    else
        fail "SetUp.exe /? /S from cmd printed: $(head -c 300 "$E2E_WORK/help.out")"
    fi
}
