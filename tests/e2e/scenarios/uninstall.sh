# Uninstalling through Programs and Features: from a staged machine, through an installation and the
# user's own work, back to the machine as it was, apart from the documented leftovers.

UNINSTALL_KEY="HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brelix"

# What may differ between the staged machine and the machine after the round trip (lines of the
# snapshot diff, without their "<"/">" mark): the fonts and their folders' times, the upper-cased
# trusted-path lists (the product folder taken out), the removed compatibility values, the stale
# entry of an older version that the installation replaced, the Variables key made for a profile
# without one, the installing account's Version of the Active Setup component (and the keys above it),
# the user's changed and added files with the folders that hold them, the product record (it stays for
# the kept settings, so that the next installation offers to keep them), the time of Program Files,
# where the setup folder was made and removed, and the uninstall's own log in %WINDIR%\Temp.
ROUND_TRIP_LEFTOVERS='^$
^\[HKEY_CURRENT_USER\\Software\\Microsoft\\Active Setup(\\Installed Components(\\Brelix)?)?\]$
^"Version"="[0-9]+,[0-9]+,[0-9]+,[0-9]+"$
^\[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brelix\]$
^"Brelix_Path"="C:\\\\Brelix\\\\Brelix结构工具箱"$
^"TRUSTEDPATHS"=
^"[^"]*AutoCAD 20(09|10)\\\\acad.exe"="~ WINXPSP3"$
^\[HKEY_LOCAL_MACHINE\\SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804\\Applications\\Brelix2010\]$
^"(LOADCTRLS"=dword:0000000e|LOADER"="D:\\\\Old\\\\BRELIX2010.ARX"|DESCRIPTION"="old entry")$
^\[HKEY_CURRENT_USER\\Software\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804\\Profiles\\<<未命名配置>>\\Variables\]$
^\. d 
^\./windows/temp d 
^\./windows/temp/Brelix-SetUp-[0-9]{8}-[0-9]{6}-[0-9]+\.log f 
^\./Program Files d 
^\./Program Files/AutoCAD 20(09|10)/Fonts(/Brelix_(EN|HZ)\.shx f|) 
^\./Brelix d 
^\./Brelix/Brelix结构工具箱 d 
^\./Brelix/Brelix结构工具箱/Brelix\.CFG f 
^\./Brelix/Brelix结构工具箱/Brelix扩展绘图库 d 
^\./Brelix/Brelix结构工具箱/Brelix扩展绘图库/我的节点\.SJY f '

# without_system_keys <snapshot>: the snapshot without HKEY_LOCAL_MACHINE\System and the network cards.
without_system_keys() {
    awk '/^\[/ { skip = (tolower($0) ~ /^\[hkey_local_machine\\system[\\\]]/ ||
                        tolower($0) ~ /^\[hkey_local_machine\\software\\microsoft\\windows nt\\currentversion\\networkcards[\\\]]/) }
         /^== / { skip = 0 } !skip' "$1"
}

scenario_uninstall_round_trip() {
    stage x86 "$SETUP32" || return 1
    local before after
    before=$(mktemp -p "$E2E_WORK" --suffix=.snapshot)
    machine_snapshot "$before"

    walk_and_install || return 1
    local folder="C:\\Brelix\\$PRODUCT_NAME" setup='C:\Program Files\Brelix Setup'
    expect_reg "$UNINSTALL_KEY" DisplayName "$PRODUCT_NAME"
    expect_reg "$UNINSTALL_KEY" DisplayVersion 2024.3.27
    expect_reg "$UNINSTALL_KEY" Publisher Brelix
    expect_reg "$UNINSTALL_KEY" InstallLocation "$folder"
    expect_reg "$UNINSTALL_KEY" DisplayIcon "$setup\\Uninstall.exe,0"
    # (reg export writes the quotes inside the value as \")
    expect_reg "$UNINSTALL_KEY" QuietUninstallString "\\\"$setup\\Uninstall.exe\\\" /UNINSTALL /S"
    expect_reg "$UNINSTALL_KEY" NoModify dword:00000001
    expect_reg "$UNINSTALL_KEY" NoRepair dword:00000001
    expect_product "$PRODUCT" "$PAYLOAD_REF"
    expect_setup_folder "$SETUP_FOLDER_32"
    if grep -q $'^FILE\t[0-9]*\t[0-9a-f]\\{8\\}\tBRELIX2010.ARX\r$' "$SETUP_FOLDER_32/Brelix安装记录.txt"; then
        note "ok: the record lists BRELIX2010.ARX"
    else
        fail "the record does not list BRELIX2010.ARX"
    fi

    # The user's work: a changed settings file and a drawing of their own.
    printf 'changed by the user\r\n' >>"$PRODUCT/Brelix.CFG"
    printf 'my drawing\r\n' >"$PRODUCT/$LIBRARY/我的节点.SJY"

    # Uninstall as Programs and Features does: the command line from the registry.
    local command exe code
    command=$(e2e_reg_value "$UNINSTALL_KEY" UninstallString) || { fail "no UninstallString"; return 1; }
    command=${command//\\\"/\"}
    expect_eq UninstallString "$command" "\"$setup\\Uninstall.exe\" /UNINSTALL"
    exe=${command#\"}
    exe=${exe%%\"*}
    # A prefix gone cold since the checks above would hand its service processes the driver's output
    # pipe if the driver started it: a throw-away process starts them with no output to hold.
    wine cmd /c exit >/dev/null 2>&1
    # shellcheck disable=SC2086 # the switches after the quoted program are words of their own
    (exec wine "$exe" ${command##*\" }) >/dev/null 2>&1 &
    WIZARD_PID=$!
    drive <<<'wait-message 确定要从本机删除Brelix结构工具箱吗？ 30
expect-caption Brelix安装
answer 6
wait-message Brelix结构工具箱已从本机删除。 60
expect-contains 65535 Brelix.CFG
expect-contains 65535 我的节点.SJY
expect-contains 65535 Brelix_HZ.shx
expect-contains 65535 已保留安装位置的记录
expect-contains 65535 卸载程序将在计算机重新启动后删除。' || return 1
    shot uninstall-done
    drive <<<'answer 1
wait-exit' || return 1
    wait "$WIZARD_PID"
    code=$?
    WIZARD_PID=
    expect_eq "exit code of the uninstall" "$code" 0
    # The product folder's own files went at once; only the uninstaller waits, in its own folder.
    expect_listing "$PRODUCT" Brelix.CFG "$LIBRARY/" "$LIBRARY/我的节点.SJY"
    expect_listing "$SETUP_FOLDER_32" Uninstall.exe.1.old

    # A restart carries out what could not be deleted while it ran (the uninstaller and its folder).
    e2e_settle "$WINEPREFIX"
    wineboot -r >/dev/null 2>&1
    e2e_settle "$WINEPREFIX"
    expect_missing "$SETUP_FOLDER_32"
    expect_missing "$PRODUCT/BRELIX2010.ARX"
    expect_no_reg_key "$UNINSTALL_KEY"
    expect_reg 'HKLM\SOFTWARE\Brelix' Brelix_Path "$folder"
    expect_no_reg_key 'HKLM\SOFTWARE\Autodesk\AutoCAD\R18.0\ACAD-8001:804\Applications\Brelix2010'
    expect_reg 'HKLM\SOFTWARE\Autodesk\AutoCAD\R18.0\ACAD-8001:804\Applications\AcadVBA' LOADER \
        'C:\Program Files\AutoCAD 2010\vbaloader.arx'
    expect_reg "$PROFILES\\R18.0\\ACAD-8001:804\\Profiles\\<<未命名配置>>\\Variables" TRUSTEDPATHS 'C:\DATA;D:\LIB'
    expect_reg "$PROFILES\\R24.0\\ACAD-4101:804\\Profiles\\<<未命名配置>>\\Variables" TRUSTEDPATHS 'E:\X'
    expect_reg "$PROFILES\\R17.2\\ACAD-7001:804\\Profiles\\<<未命名配置>>\\Variables" TRUSTEDPATHS ''

    after=$(mktemp -p "$E2E_WORK" --suffix=.snapshot)
    machine_snapshot "$after"
    local unexpected
    # HKLM\System and the network cards are Wine's own machine state, which its restart rewrites.
    unexpected=$(diff <(without_system_keys "$before") <(without_system_keys "$after") |
        sed -n 's/^[<>] \{0,1\}//p' | grep -Eiv "$ROUND_TRIP_LEFTOVERS")
    if [ -z "$unexpected" ]; then
        note "ok: registry and drive C as staged, apart from the documented leftovers"
    else
        fail "the round trip changed more than the documented leftovers:"
        printf '%s\n' "$unexpected" | head -20 | sed 's/^/      /'
    fi
}

# run_quiet_uninstall: runs the QuietUninstallString as a deployment system does; the exit code is left
# in UNINSTALL_EXIT.
run_quiet_uninstall() {
    local command exe
    command=$(e2e_reg_value "$UNINSTALL_KEY" QuietUninstallString) || { fail "no QuietUninstallString"; return 1; }
    command=${command//\\\"/\"}
    exe=${command#\"}
    exe=${exe%%\"*}
    # shellcheck disable=SC2086 # the switches after the quoted program are words of their own
    (exec wine "$exe" ${command##*\" }) >/dev/null 2>&1
    UNINSTALL_EXIT=$?
    note "$command → $UNINSTALL_EXIT"
}

# What runs elevated lives below Program Files, never in the product folder; a quiet uninstall keeps
# the user's changed settings and the record of their folder, so the next installation offers to keep
# them and they survive it.
scenario_uninstall_quietly_then_reinstall_keeps() {
    stage x86 "$SETUP32" || return 1
    silent /S
    expect_eq "silent exit code" "$SILENT_EXIT" 0
    local setup='C:\Program Files\Brelix Setup'
    expect_product "$PRODUCT" "$PAYLOAD_REF"
    expect_setup_folder "$SETUP_FOLDER_32"
    expect_reg "$UNINSTALL_KEY" UninstallString "\\\"$setup\\Uninstall.exe\\\" /UNINSTALL"
    expect_reg "$UNINSTALL_KEY" QuietUninstallString "\\\"$setup\\Uninstall.exe\\\" /UNINSTALL /S"
    expect_reg "$UNINSTALL_KEY" DisplayIcon "$setup\\Uninstall.exe,0"
    expect_reg "$UNINSTALL_KEY" InstallLocation "C:\\Brelix\\$PRODUCT_NAME"
    # Wine's own Programs and Features finds the entry.
    local listed
    listed=$(wine uninstaller --list 2>/dev/null | iconv -f GBK -t UTF-8 | tr -d '\r')
    if grep -q "$PRODUCT_NAME" <<<"$listed"; then
        note "ok: wine uninstaller --list shows the entry"
    else
        fail "wine uninstaller --list does not show the entry: $listed"
    fi
    # Active Setup is registered only by a run as LocalSystem; then it starts the setup folder's copy.
    local active='HKLM\SOFTWARE\Microsoft\Active Setup\Installed Components\Brelix' stub
    if stub=$(e2e_reg_value "$active" StubPath); then
        expect_eq StubPath "$stub" "\\\"$setup\\BrelixUser.exe\\\""
    else
        note "no Active Setup component (not run as LocalSystem)"
    fi

    printf 'user settings\r\n' >"$PRODUCT/Brelix.CFG"
    run_quiet_uninstall || return 1
    expect_eq "exit code of the quiet uninstall" "$UNINSTALL_EXIT" 0
    expect_listing "$PRODUCT" Brelix.CFG
    expect_no_reg_key "$UNINSTALL_KEY"
    expect_reg 'HKLM\SOFTWARE\Brelix' Brelix_Path "C:\\Brelix\\$PRODUCT_NAME"

    install_keeping $'check 1010 expect 1\n' || return 1
    expect_content "$PRODUCT/Brelix.CFG" $'user settings\r'
    KEPT_FILES=([Brelix.CFG]=1)
    expect_product "$PRODUCT" "$PAYLOAD_REF"
    KEPT_FILES=()
    # The uninstaller that ran waits for the restart under another name; the restart takes it, and
    # only it.
    expect_setup_folder "$SETUP_FOLDER_32" Uninstall.exe.1.old
    e2e_settle "$WINEPREFIX"
    wineboot -r >/dev/null 2>&1
    e2e_settle "$WINEPREFIX"
    expect_setup_folder "$SETUP_FOLDER_32"
    expect_reg "$UNINSTALL_KEY" UninstallString "\\\"$setup\\Uninstall.exe\\\" /UNINSTALL"
}

# An administrator's rollout: installed into D:, then into C: with fewer releases, then the quiet
# uninstall run from a batch file saved as UTF-8 (its command line is ASCII). Every folder is
# cleared; only the user's changed file stays, and no entry of ours is left in either view.
scenario_moved_root_uninstall_takes_every_folder() {
    local arch=x86 exe=$SETUP32 releases=2009,2010 left=2009 view= views=('')
    if [ "$WINEARCH" = win64 ]; then
        arch=x64 exe=$SETUP64 releases=2010,2021 left=2021 view=32 views=(32 64)
    fi
    stage "$arch" "$exe" || return 1
    local d="$E2E_WORK/drive-d" old
    rm -rf "$d" && mkdir -p "$d"
    old=$(readlink "$WINEPREFIX/dosdevices/d:" || true)
    ln -sfn "$d" "$WINEPREFIX/dosdevices/d:"
    mkdir -p "$DRIVE_C/e2e/logs"

    silent /S '/D=D:\CAD Tools' "/RELEASES=$releases"
    expect_eq "installation into D:" "$SILENT_EXIT" 0
    printf 'my notes\r\n' >>"$d/CAD Tools/$PRODUCT_NAME/使用说明.txt"
    silent /S '/D=C:\CAD Tools' /RELEASES=2010 '/LOG=C:\e2e\logs\moved.log'
    expect_eq "installation into C:" "$SILENT_EXIT" 0
    log_says "$DRIVE_C/e2e/logs/moved.log" "AutoCAD $left 仍从 D:\\CAD Tools\\$PRODUCT_NAME 加载本产品（卸载时删除）"
    local entry="HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brelix"
    local logged=$entry
    [ -n "$view" ] && logged="HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brelix"
    log_says "$DRIVE_C/e2e/logs/moved.log" "已写入卸载项 $logged"
    expect_reg "$entry" DisplayName "$PRODUCT_NAME" "$view"
    if e2e_reg_value "$entry" InstallDate "$view" | grep -qE '^20[0-9]{6}$'; then
        note "ok: InstallDate is yyyymmdd"
    else
        fail "no InstallDate of the form yyyymmdd"
    fi

    # A batch file as today's editors save it: UTF-8. Only an ASCII command line survives that.
    local command
    command=$(e2e_reg_value "$entry" QuietUninstallString "$view") || { fail "no QuietUninstallString"; return 1; }
    command=${command//\\\"/\"}
    mkdir -p "$DRIVE_C/e2e/bin"
    rm -f "$DRIVE_C/e2e/bin/exit.txt"
    printf '@%s\r\n@>C:\\e2e\\bin\\exit.txt echo %%ERRORLEVEL%%\r\n' "$command" >"$DRIVE_C/e2e/bin/utf8.bat"
    (cd "$DRIVE_C/e2e" && exec timeout 120 wine cmd /c 'C:\e2e\bin\utf8.bat') >/dev/null 2>&1
    expect_eq "quiet uninstall from a UTF-8 batch file" "$(tr -d '\r\n ' <"$DRIVE_C/e2e/bin/exit.txt")" 0

    local each
    for each in "${views[@]}"; do
        if e2e_reg_export 'HKEY_LOCAL_MACHINE\SOFTWARE\Autodesk' "$each" | grep -i '^\[.*\\Applications\\Brelix20'; then
            fail "a demand-load entry of ours is left in the ${each:-one} view"
        else
            note "ok: no demand-load entry of ours in the ${each:-one} view"
        fi
        expect_no_reg_key "$entry" "$each"
    done
    expect_listing "$d/CAD Tools/$PRODUCT_NAME" 使用说明.txt
    # The settings and libraries the user never changed were the factory's: the second installation
    # installed them afresh and recorded them, and the uninstall takes them, and the product's key
    # with them, since no file of a kept kind stays.
    expect_missing "$DRIVE_C/CAD Tools/$PRODUCT_NAME"
    expect_no_reg_key 'HKLM\SOFTWARE\Brelix' "$view"
    if [ -n "$old" ]; then ln -sfn "$old" "$WINEPREFIX/dosdevices/d:"; else rm -f "$WINEPREFIX/dosdevices/d:"; fi
}
