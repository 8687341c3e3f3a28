# A re-installation is all new or all old: on a drive too small for its staged copy it changes nothing,
# and killed at moments spread over a silent run, the next complete run leaves the new product whole
# beside the user's files, with nothing staged left; killed and then uninstalled, nothing half is left.

# folder_state <folder>: every file's name and checksum.
folder_state() {
    (cd "$1" && find . -type f -exec md5sum {} + | LC_ALL=C sort)
}

# The staged files and backups in a folder, by name.
staged_left() {
    find "$1" -name '~B*' -printf '%P '
}

scenario_reinstall_on_a_small_drive_changes_nothing() {
    stage x86 "$SETUP32" || return 1
    local drive="$E2E_WORK/small-install-drive" product
    mkdir -p "$drive"
    mount -t tmpfs -o size=2m tmpfs "$drive" || { fail "cannot mount a small drive (needs root)"; return 1; }
    ln -sfn "$drive" "$WINEPREFIX/dosdevices/r:"
    head -c 1200000 /dev/urandom >"$DATA/大文件.dat"
    silent /S '/D=R:\Tools'
    expect_eq "first installation onto the small drive" "$SILENT_EXIT" 0
    product="$drive/Tools/$PRODUCT_NAME"
    printf 'user settings\r\n' >"$product/Brelix.CFG"
    head -c 1200000 /dev/urandom >"$DATA/大文件.dat"
    local before
    before=$(folder_state "$product")
    silent /S /KEEP=ALL '/D=R:\Tools' '/LOG=C:\e2e\small.log'
    expect_eq "a re-installation whose staged copy does not fit" "$SILENT_EXIT" 6
    expect_eq "the product folder after it" "$(folder_state "$product")" "$before"
    expect_eq "staged files left" "$(staged_left "$product")" ""
    rm -f "$WINEPREFIX/dosdevices/r:"
    e2e_settle "$WINEPREFIX"
    umount "$drive"
}

scenario_reinstall_killed_at_a_dozen_moments() {
    stage x86 "$SETUP32" || return 1
    silent /S
    expect_eq "first installation" "$SILENT_EXIT" 0
    edit_user_files
    local i round version pid
    for round in $(seq 1 12); do
        version=$((round % 2 ? 20250101 : 20250202))
        put_payload "$version"
        for ((i = 1; i <= 300; i++)); do printf 'part %d of %s\r\n' "$i" "$version" >"$DATA/部件$(printf %03d "$i").dat"; done
        (cd "$SETUP_DIR" && exec wine SetUp.exe /S /KEEP=ALL) >/dev/null 2>&1 &
        pid=$!
        sleep "0.$((round * 8))"
        pkill -9 -f 'SetUp.exe /S /KEEP=ALL' 2>/dev/null
        wait "$pid" 2>/dev/null
        e2e_settle "$WINEPREFIX"
        silent /S /KEEP=ALL
        expect_eq "a complete run after a run killed at moment $round" "$SILENT_EXIT" 0
        local name
        for name in BRELIX2004.ARX BRELIX2010.ARX BRELIX2025.ARX Brelix.dll 使用说明.txt "$LIBRARY/说明.txt"; do
            expect_same_file "$PRODUCT/$name" "$PAYLOAD_REF/$name"
        done
        expect_content "$PRODUCT/Brelix.CFG" $'user settings\r'
        expect_content "$PRODUCT/$LIBRARY/Column.SJY" $'user drawing library\r'
        expect_same_file "$PRODUCT/部件300.dat" "$DATA/部件300.dat"
        expect_eq "staged files left after moment $round" "$(staged_left "$PRODUCT")" ""
    done

    # Killed once more, then a run that stops at a file another program holds open, then the quiet
    # uninstall: no shipped file of any version, nothing staged or half written is left, and the
    # user's files stay.
    put_payload 20250303
    (cd "$SETUP_DIR" && exec wine SetUp.exe /S /KEEP=ALL) >/dev/null 2>&1 &
    pid=$!
    sleep 0.5
    pkill -9 -f 'SetUp.exe /S /KEEP=ALL' 2>/dev/null
    wait "$pid" 2>/dev/null
    e2e_settle "$WINEPREFIX"
    put_payload 20250404
    start_background holder.exe hold "C:\\Brelix\\$PRODUCT_NAME\\BRELIX2010.ARX" 'C:\e2e\release.flag' || return 1
    silent /S /KEEP=ALL
    stop_background
    expect_eq "a run at a file held open after the kill" "$SILENT_EXIT" 6
    run_quiet_uninstall
    expect_eq "staged files left after the uninstall" "$(staged_left "$DRIVE_C/Brelix" 2>/dev/null)" ""
    for name in BRELIX2004.ARX BRELIX2010.ARX Brelix.dll 使用说明.txt "$LIBRARY/说明.txt" 部件001.dat \
        部件300.dat ~BrelixSetup.swp; do
        expect_missing "$PRODUCT/$name"
    done
    expect_content "$PRODUCT/Brelix.CFG" $'user settings\r'
    expect_content "$PRODUCT/$LIBRARY/Column.SJY" $'user drawing library\r'
}

# A first installation killed at moments spread over a silent run, each time followed by the quiet
# uninstall an administrator runs without an entry in Programs and Features: the product folder, the
# installer's folder, every key of the product and every mention of its folder in AutoCAD's keys and
# the user's trusted paths go.
scenario_first_installation_killed_then_uninstalled() {
    stage x86 "$SETUP32" || return 1
    local i moment pid marked finished left key
    for ((i = 1; i <= 300; i++)); do printf 'part %d\r\n' "$i" >"$DATA/部件$(printf %03d "$i").dat"; done
    for moment in 0.2 0.4 0.6; do
        (cd "$SETUP_DIR" && exec wine SetUp.exe /S) >/dev/null 2>&1 &
        pid=$!
        sleep "$moment"
        pkill -9 -f 'SetUp.exe /S' 2>/dev/null
        wait "$pid" 2>/dev/null
        e2e_settle "$WINEPREFIX"
        marked=$(e2e_reg_value 'HKLM\SOFTWARE\Brelix' InstallingInto) && note "killed at $moment s, marked: $marked"
        # A fast machine may have finished the run before the kill: then it is recorded and unmarked.
        finished=
        [ -f "$X86_FILES/Brelix Setup/Brelix安装记录.txt" ] && finished=yes && note "finished before $moment s"
        silent /UNINSTALL /S
        [ -n "$marked$finished" ] && expect_eq "quiet uninstall after the kill at $moment s" "$SILENT_EXIT" 0
        expect_missing "$PRODUCT"
        expect_missing "$X86_FILES/Brelix Setup"
        for key in 'HKLM\SOFTWARE\Brelix' "$UNINSTALL_KEY" \
            'HKLM\SOFTWARE\Microsoft\Active Setup\Installed Components\Brelix'; do
            expect_eq "$key after the kill at $moment s and the uninstall" "$(e2e_reg_export "$key")" ""
        done
        # A kill before the run's first change (a slow machine) leaves nothing to uninstall (exit 3),
        # and the staged profile's trusted path of an earlier installation stays as it was.
        [ -n "$marked$finished" ] ||
            { expect_eq "quiet uninstall after a kill before any change" "$SILENT_EXIT" 3; continue; }
        left=$({ e2e_reg_export 'HKLM\SOFTWARE\Autodesk'; e2e_reg_export 'HKCU\Software\Autodesk'; } |
            grep -iF 'C:\\Brelix\\Brelix结构工具箱')
        expect_eq "AutoCAD's keys naming the product folder after the kill at $moment s" "$left" ""
    done
}

# The same into a drive root (/D=R:\): the mark names R:\Brelix结构工具箱, and the quiet uninstall
# finds the folder by it and removes it. Killed at later and later moments until two kills have come
# between the mark and the record (the run's speed varies), at least one of them.
scenario_first_installation_into_a_drive_root_killed_then_uninstalled() {
    stage x86 "$SETUP32" || return 1
    local i moment pid marked marks=0 drive="$E2E_WORK/root-drive"
    rm -rf "$drive" && mkdir -p "$drive"
    ln -sfn "$drive" "$WINEPREFIX/dosdevices/r:"
    for ((i = 1; i <= 800; i++)); do printf 'part %d\r\n' "$i" >"$DATA/部件$(printf %03d "$i").dat"; done
    for moment in 0.2 0.3 0.4 0.5 0.7 0.9 1.2 1.6; do
        (cd "$SETUP_DIR" && exec wine SetUp.exe /S '/D=R:\') >/dev/null 2>&1 &
        pid=$!
        sleep "$moment"
        pkill -9 -f 'SetUp.exe /S' 2>/dev/null
        wait "$pid" 2>/dev/null
        e2e_settle "$WINEPREFIX"
        marked=$(e2e_reg_value 'HKLM\SOFTWARE\Brelix' InstallingInto) && note "killed at $moment s, marked: $marked"
        silent /UNINSTALL /S
        if [ -n "$marked" ]; then
            marks=$((marks + 1))
            expect_eq "the mark of the run killed at $moment s" "$marked" "R:\\$PRODUCT_NAME"
            expect_eq "quiet uninstall after the kill at $moment s" "$SILENT_EXIT" 0
        fi
        expect_missing "$drive/$PRODUCT_NAME"
        expect_eq "the record's key after the kill at $moment s and the uninstall" \
            "$(e2e_reg_export 'HKLM\SOFTWARE\Brelix')" ""
        [ "$marks" -ge 2 ] && break
    done
    [ "$marks" -ge 1 ] || fail "no kill came between the mark and the record"
    rm -f "$WINEPREFIX/dosdevices/r:"
}
