# Unattended installation: SetUp.exe /S with its switches, its exit codes and its log, on the staged
# 32-bit machine.

SILENT_LOG_WIN='C:\e2e\silent.log'

# silent <arguments...>: runs SetUp.exe from its folder as a deployment system would; the exit code is
# left in SILENT_EXIT.
silent() {
    (cd "$SETUP_DIR" && exec wine SetUp.exe "$@") >/dev/null 2>&1
    SILENT_EXIT=$?
    note "SetUp.exe $* → $SILENT_EXIT"
}

# installation_outcome <file>: what an installation leaves behind, comparable between runs: the
# registry keys it writes, and drive C (without Windows, the profiles, the driver and the logs) with
# every file's checksum.
installation_outcome() {
    {
        local key
        for key in 'HKLM\SOFTWARE\Autodesk' 'HKLM\SOFTWARE\Brelix' 'HKCU\Software\Autodesk' "$LAYERS" \
            'HKLM\SOFTWARE\Microsoft\Active Setup\Installed Components\Brelix' \
            'HKCU\Software\Microsoft\Active Setup\Installed Components\Brelix'; do
            echo "== $key"
            # The component's Version is the time of the installation.
            e2e_reg_export "$key" | sed -E 's/^"Version"="[0-9]+,[0-9]+,[0-9]+,[0-9]+"$/"Version"=(a version)/'
        done
        echo "== drive C"
        (cd "$DRIVE_C" && find . \( -path ./windows -o -path ./users -o -path ./ProgramData -o -path ./e2e/bin \
            -o -name '*.log' -o -name '*.flag' \) -prune -o -type d -printf '%p/\n' -o -type f -print | LC_ALL=C sort |
            while IFS= read -r entry; do
                if [ -f "$entry" ]; then echo "$entry $(md5sum <"$entry" | cut -c1-32)"; else echo "$entry"; fi
            done)
    } >"$1"
}

# The wizard's walk with every choice as offered, then /S on the same machine staged afresh: the same
# registry and the same files.
scenario_silent_same_as_wizard() {
    stage x86 "$SETUP32" || return 1
    walk_and_install || return 1
    expect_eq "wizard exit code" "$WIZARD_EXIT" 0
    local walked silent_outcome
    walked=$(mktemp -p "$E2E_WORK" --suffix=.outcome)
    installation_outcome "$walked"

    stage x86 "$SETUP32" || return 1
    silent /S "/LOG=$SILENT_LOG_WIN"
    expect_eq "silent exit code" "$SILENT_EXIT" 0
    silent_outcome=$(mktemp -p "$E2E_WORK" --suffix=.outcome)
    installation_outcome "$silent_outcome"
    expect_same_snapshot "$walked" "$silent_outcome" \
        "the silent run left the registry and drive C as the wizard's walk did" \
        "the silent run differs from the wizard's walk"

    # The log: UTF-8 with a byte-order mark, a time stamp on every line, the run's frame.
    local log="$DRIVE_C/e2e/silent.log"
    expect_eq "byte-order mark" "$(head -c 3 "$log" | od -An -tx1 | tr -d ' ')" efbbbf
    expect_eq "lines without a time stamp" \
        "$(sed '1s/^\xef\xbb\xbf//' "$log" | grep -cvE '^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:.]{12}  ')" 0
    expect_log 'SetUp.exe" /S /LOG=C:\e2e\silent.log'
    expect_log "找到 AutoCAD 2009：注册表键 HKLM\\SOFTWARE\\Autodesk\\AutoCAD\\R17.2\\ACAD-7001:804\\"
    expect_log "找到 AutoCAD 2021："
    expect_log "选择的版本：2009, 2010"
    expect_eq "last line" "$(tail -n 1 "$log" | tr -d '\r' | cut -c26-)" "退出代码：0（安装完成，没有问题） ExitCode=0"

    # A repair of the same version rewrites no file that is already as its copy would be; one whose
    # bytes were changed behind a kept size and time is copied again: the product is as before.
    local module="$PRODUCT/BRELIX2010.ARX" installed
    installed=$(cd "$PRODUCT" && find . -type f -printf '%p %s %T@ ' -exec md5sum {} \; | LC_ALL=C sort)
    printf '%*s' "$(stat -c %s "$module")" '' | tr ' ' 'x' >"$module"
    touch -r "$DATA/BRELIX2010.ARX" "$module"
    silent /S '/LOG=C:\e2e\repair.log'
    expect_eq "exit code of the repair" "$SILENT_EXIT" 0
    expect_eq "the product folder after the repair (names, sizes, times, checksums)" \
        "$(cd "$PRODUCT" && find . -type f -printf '%p %s %T@ ' -exec md5sum {} \; | LC_ALL=C sort)" "$installed"
    log_says "$DRIVE_C/e2e/repair.log" "与安装来源相同，未重新复制：C:\\Brelix\\$PRODUCT_NAME\\BRELIX2004.ARX"
    log_says "$DRIVE_C/e2e/repair.log" "已复制 C:\\e2e\\setup\\Data\\BRELIX2010.ARX"
}

expect_log() {  # expect_log <text>: some line of the silent log holds the text
    log_says "$DRIVE_C/e2e/silent.log" "$1"
}

# Every exit code of a silent run on one staged machine, and BrelixUser.exe before and after.
# BrelixUser.exe is the one SetUp.exe writes: an installation as LocalSystem would put it into the
# product folder, which Wine cannot play, so /USERPROGRAM= asks the same code for it.
scenario_silent_exit_codes() {
    stage x86 "$SETUP32" || return 1
    silent '/USERPROGRAM=C:\e2e\setup\BrelixUser.exe'
    expect_eq "BrelixUser.exe written" "$SILENT_EXIT" 0
    local user="$SETUP_DIR/BrelixUser.exe"
    [ -f "$user" ] || { fail "SetUp.exe wrote no BrelixUser.exe"; return 1; }
    if grep -qF 'level="asInvoker"' "$user" && ! grep -qF requireAdministrator "$user"; then
        note "ok: BrelixUser.exe asks for no elevation"
    else
        fail "BrelixUser.exe keeps SetUp.exe's manifest"
    fi
    local before
    before=$(mktemp -p "$E2E_WORK" --suffix=.outcome)
    installation_outcome "$before"

    silent /S /QUIETLY
    expect_eq "unknown switch" "$SILENT_EXIT" 2
    silent /S /RELEASES=2020
    expect_eq "a release this build does not show" "$SILENT_EXIT" 2
    silent /S /RELEASES=2012
    expect_eq "a release the machine lacks" "$SILENT_EXIT" 2
    mv "$DATA" "$DATA.away"
    silent /S
    expect_eq "no Data folder" "$SILENT_EXIT" 3
    mv "$DATA.away" "$DATA"
    start_background acad.exe idle 'C:\e2e\release.flag' || return 1
    silent /S
    expect_eq "AutoCAD running" "$SILENT_EXIT" 4
    stop_background
    # BrelixUser.exe before any installation: nothing recorded.
    (cd "$SETUP_DIR" && wine BrelixUser.exe) >/dev/null 2>&1
    expect_eq "BrelixUser.exe without a record" "$?" 3
    local after
    after=$(mktemp -p "$E2E_WORK" --suffix=.outcome)
    installation_outcome "$after"
    expect_same_snapshot "$before" "$after" "nothing changed by the refused runs" "a refused run changed the machine"

    # A log that cannot be written (below a file): installed all the same, with 7.
    silent /S /RELEASES=2010 '/LOG=C:\e2e\setup\SetUp.exe\x.log'
    expect_eq "log not writable" "$SILENT_EXIT" 7
    expect_demand_load 'Autodesk\AutoCAD\R18.0\ACAD-8001:804' 2010 BRELIX2010.ARX 'C:\Brelix'
    expect_no_reg_key 'HKLM\SOFTWARE\Autodesk\AutoCAD\R17.2\ACAD-7001:804\Applications\Brelix2009'

    # BrelixUser.exe puts the product folder back into a profile that lost it.
    local profile="$PROFILES\\R17.2\\ACAD-7001:804\\Profiles\\<<未命名配置>>\\Variables"
    wine reg delete "$profile" /v TRUSTEDPATHS /f >/dev/null 2>&1
    (cd "$SETUP_DIR" && wine BrelixUser.exe) >/dev/null 2>&1
    expect_eq "BrelixUser.exe with a record" "$?" 0
    expect_reg "$profile" TRUSTEDPATHS "C:\\Brelix\\$PRODUCT_NAME"

    # With the same choices again and a log: nothing failed.
    silent /S "/D=C:\\Brelix" /RELEASES=2010 /KEEP=ALL "/LOG=$SILENT_LOG_WIN"
    expect_eq "reinstalled" "$SILENT_EXIT" 0

    wine reg delete 'HKLM\SOFTWARE\Autodesk' /f >/dev/null 2>&1
    silent /S
    expect_eq "no AutoCAD left" "$SILENT_EXIT" 5
}

# registry_values <file>: every value below the keys an installation touches, one "key|name|data" line
# each, sorted, for telling which values a run wrote, changed or deleted.
registry_values() {
    local key
    for key in 'HKLM\SOFTWARE\Autodesk' 'HKLM\SOFTWARE\Brelix' 'HKCU\Software\Autodesk' "$LAYERS"; do
        e2e_reg_export "$key"
    done |
        awk '/^\[/ { key = substr($0, 2, length($0) - 2); sub(/^HKEY_LOCAL_MACHINE/, "HKLM", key)
                     sub(/^HKEY_CURRENT_USER/, "HKCU", key); next }
             /^"/ { name = $0; sub(/^"/, "", name); data = name; sub(/"=.*/, "", name); sub(/^.*"=/, "", data)
                    gsub(/\\\\/, "\\", name); print key "|" name "|" data }' | LC_ALL=C sort >"$1"
}

expect_log_line() {  # expect_log_line <text> [<text>]: one line of the silent log holds both (any case)
    if tr -d '\r' <"$DRIVE_C/e2e/silent.log" | grep -iF -- "$1" | grep -iF -- "${2:-$1}" >/dev/null; then
        note "ok: the log names $1 ${2:-}"
    else
        fail "no line of the log names $1 ${2:-}"
    fi
}

# The log names every file copied and every registry value written, changed or deleted (found by
# comparing `wine reg export` before and after). Its events come from the install steps themselves.
scenario_silent_log_names_every_change() {
    stage x86 "$SETUP32" || return 1
    local before after
    before=$(mktemp -p "$E2E_WORK" --suffix=.values)
    after=$(mktemp -p "$E2E_WORK" --suffix=.values)
    registry_values "$before"
    silent /S "/LOG=$SILENT_LOG_WIN"
    expect_eq "silent exit code" "$SILENT_EXIT" 0
    registry_values "$after"
    local f
    for f in "${PRODUCT_FILES[@]}"; do expect_log "C:\\Brelix\\$PRODUCT_NAME\\$f"; done
    for f in "${LIBRARY_FILES[@]}"; do expect_log "C:\\Brelix\\$PRODUCT_NAME\\$LIBRARY\\$f"; done
    for f in Brelix_EN.shx Brelix_HZ.shx; do expect_log "C:\\Program Files\\AutoCAD 2010\\Fonts\\$f"; done
    local key name data
    # Written or changed: the key and the name on one line.
    while IFS='|' read -r key name data; do
        expect_log_line "$key" "$name"
    done < <(LC_ALL=C comm -13 "$before" "$after" | cut -d'|' -f1,2 | LC_ALL=C sort -u)
    # Deleted: the same, except for the values that went with a demand-load entry deleted and made
    # anew, where the key says it.
    while IFS='|' read -r key name data; do
        if [[ $key == *'\Applications\Brelix'* ]]; then expect_log_line "$key"; else expect_log_line "$key" "$name"; fi
    done < <(LC_ALL=C comm -23 "$before" "$after" | cut -d'|' -f1,2 | LC_ALL=C sort -u)
}
