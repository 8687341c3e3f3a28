# An ordinary user turns what every user may write against the elevated installation: hard links and
# links from the product folder, the drawing library, kept files and the log to files of Windows or of
# administrators; a second Windows program renaming the folders and the running setup program; a record
# and an uninstaller planted in the product folder.

# system_files: checksums and permission bits of the files the user's links lead to.
system_files() {
    (cd "$DRIVE_C/windows" && md5sum win.ini system.ini admin.ini readonly.arx && stat -c '%n %a' readonly.arx)
}

# Nothing is written, read or changed through a hard link or a link: shipped, kept and library files
# and the log lead to files of Windows; a kept file leads to one only administrators may read; the log
# sits below a linked folder. Then the uninstall keeps a file with a second name, and its read-only bit.
scenario_no_write_or_read_through_links() {
    stage x86 "$SETUP32" || return 1
    silent /S
    expect_eq "first installation" "$SILENT_EXIT" 0
    edit_user_files
    put_payload 20250101
    printf 'administrators only\r\n' >"$DRIVE_C/windows/admin.ini"
    cp "$PRODUCT/BRELIX2008.ARX" "$DRIVE_C/windows/readonly.arx"
    chmod 444 "$DRIVE_C/windows/readonly.arx"
    ln -f "$DRIVE_C/windows/win.ini" "$PRODUCT/BRELIX2004.ARX"
    ln -f "$DRIVE_C/windows/system.ini" "$PRODUCT/$LIBRARY/说明.txt"
    ln -f "$DRIVE_C/windows/admin.ini" "$PRODUCT/Brelix.SEC"
    ln -sf "$DRIVE_C/windows/admin.ini" "$PRODUCT/Brelix.CFG"
    mkdir -p "$DRIVE_C/e2e"
    ln -f "$DRIVE_C/windows/win.ini" "$DRIVE_C/e2e/hard.log"
    ln -sfn "$DRIVE_C/windows" "$DRIVE_C/linkedlogs"
    local before
    before=$(system_files)

    silent /S /KEEP=ALL '/LOG=C:\e2e\hard.log'
    expect_eq "a re-installation whose log is a second name of win.ini" "$SILENT_EXIT" 7
    silent /S /KEEP=ALL '/LOG=C:\linkedlogs\system.ini'
    expect_eq "a re-installation whose log is below a linked folder" "$SILENT_EXIT" 7
    expect_eq "the files of Windows the links lead to" "$(system_files)" "$before"
    # The links' names now hold the new product; the refused kept files the shipped ones.
    local name
    for name in BRELIX2004.ARX Brelix.CFG Brelix.SEC "$LIBRARY/说明.txt"; do
        expect_same_file "$PRODUCT/$name" "$PAYLOAD_REF/$name"
    done
    expect_content "$PRODUCT/BrelixDraw.cfg" $'user drawing settings\r'
    expect_eq "administrators' text in the product folder" "$(grep -rl 'administrators only' "$PRODUCT")" ""
    expect_eq "staged files left" "$(find "$PRODUCT" -name '~B*' -printf '%P ')" ""

    # An installed module replaced by a second name of a read-only file of the same content: the
    # uninstall keeps it, and never clears the bit of the file behind it.
    rm -f "$PRODUCT/BRELIX2008.ARX"
    cp "$PAYLOAD_REF/BRELIX2008.ARX" "$DRIVE_C/windows/readonly.arx" 2>/dev/null || {
        chmod 644 "$DRIVE_C/windows/readonly.arx"
        cp "$PAYLOAD_REF/BRELIX2008.ARX" "$DRIVE_C/windows/readonly.arx"
        chmod 444 "$DRIVE_C/windows/readonly.arx"
    }
    ln -f "$DRIVE_C/windows/readonly.arx" "$PRODUCT/BRELIX2008.ARX"
    before=$(system_files)
    run_quiet_uninstall
    expect_eq "the quiet uninstall" "$UNINSTALL_EXIT" 0
    expect_eq "the files of Windows after the uninstall" "$(system_files)" "$before"
    [ -f "$PRODUCT/BRELIX2008.ARX" ] && note "ok: the module with a second name is kept" ||
        fail "the uninstall deleted a file with a second name"
}

# A second Windows program races a silent re-installation: while the run stages and swaps, it keeps
# trying to rename the product folder and the root away, and Windows refuses every try. It cannot
# rename the running SetUp.exe either; and a SetUp.exe replaced before its first instruction writes no
# uninstaller.
scenario_second_program_races_the_installation() {
    stage x86 "$SETUP32" || return 1
    silent /S
    expect_eq "first installation" "$SILENT_EXIT" 0
    local i
    for ((i = 1; i <= 400; i++)); do printf 'part %d\r\n' "$i" >"$DATA/部件$(printf %03d "$i").dat"; done
    start_background racer.exe race \
        "C:\\Program Files\\Brelix Setup\\$(swap_journal_name "C:\\Brelix\\$PRODUCT_NAME")" 'C:\e2e\release.flag' \
        "C:\\Brelix\\$PRODUCT_NAME" 'C:\Brelix' || return 1
    silent /S /KEEP=ALL
    stop_background
    expect_eq "re-installation raced by a second program" "$SILENT_EXIT" 0
    local raced
    raced=$(tr -d '\r' <"$BACKGROUND_LOG" | awk '/^raced / { print $2 " " $3 }')
    if [ -n "$raced" ] && [ "${raced% *}" -gt 0 ] && [ "${raced#* }" -eq 0 ]; then
        note "ok: ${raced% *} renames of the product folder and the root were tried during the run, none allowed"
    else
        fail "the race went wrong (tries and renames allowed: '${raced:-none}')"
    fi
    expect_same_file "$PRODUCT/部件400.dat" "$DATA/部件400.dat"

    # The running wizard's own file cannot be renamed by another program.
    wizard_start "$SETUP_DIR/SetUp.exe"
    local outcome
    outcome=$(drive <<EOF
wait-page 在安装之前，请认真阅读许可协议：
rename C:\e2e\setup\SetUp.exe C:\e2e\setup\renamed.exe
click 2
wait-exit
EOF
)
    printf '%s\n' "$outcome"
    wizard_ended
    case "$outcome" in
        *refused*) note "ok: the running SetUp.exe could not be renamed" ;;
        *) fail "another program renamed the running SetUp.exe" ;;
    esac
    expect_missing "$SETUP_DIR/renamed.exe"

    # Replaced before it ran: the program that runs is not the file under its name, so neither the
    # source beside it nor an uninstaller can be taken from there: the run stops unchanged and says so.
    local uninstaller="$SETUP_FOLDER_32/Uninstall.exe" before
    before=$(md5sum <"$uninstaller")
    cp "$E2E_DRIVER_UNIX" "$DRIVE_C/e2e/other.exe"
    outcome=$(cd "$SETUP_DIR" && wine "$E2E_DRIVER" swapstart 'C:\e2e\setup\SetUp.exe' 'C:\e2e\other.exe' /S \
        '/LOG=C:\e2e\swapped.log' 2>&1 | tr -d '\r')
    e2e_settle "$WINEPREFIX"
    expect_eq "exit code of a setup program swapped before it ran" "$(awk '/^exit / { print $2 }' <<<"$outcome")" 6
    expect_eq "the uninstaller after a swapped run" "$(md5sum <"$uninstaller")" "$before"
    log_says "$DRIVE_C/e2e/swapped.log" '是链接、不在安装程序旁或无法锁定，安装已停止'
}

# A record and an uninstaller planted in the product folder are the user's files: never read, never
# run, and the next uninstall removes only what the real record names. Keeping asked for over a record
# of the wrong type stops before anything changes.
scenario_planted_record_and_keeping_without_a_record() {
    stage x86 "$SETUP32" || return 1
    silent /S
    expect_eq "first installation" "$SILENT_EXIT" 0
    cp "$E2E_DRIVER_UNIX" "$PRODUCT/Uninstall.exe"
    printf 'Brelix结构工具箱 安装记录 1\r\nFOLDER\tC:\\windows\r\nDEMANDLOAD\tSOFTWARE\\Planted\r\nFILE\t7\t00000000\t..\\windows\\win.ini\r\n' |
        iconv -f UTF-8 -t GBK >"$PRODUCT/Brelix安装记录.txt"
    silent /S
    expect_eq "re-installation over a planted record" "$SILENT_EXIT" 0
    if grep -a -F 'Planted' "$SETUP_FOLDER_32/Brelix安装记录.txt" >/dev/null; then
        fail "the planted record's lines were taken into the installation record"
    else
        note "ok: the planted record was not taken in"
    fi
    [ -f "$PRODUCT/Uninstall.exe" ] && [ -f "$PRODUCT/Brelix安装记录.txt" ] &&
        note "ok: the user's planted files stay where they are" || fail "the planted files were deleted"

    edit_user_files
    wine reg add 'HKLM\SOFTWARE\Brelix' /v Brelix_Path /t REG_DWORD /d 7 /f >/dev/null 2>&1
    e2e_settle "$WINEPREFIX"
    local before after
    before=$(mktemp -p "$E2E_WORK" --suffix=.outcome)
    after=$(mktemp -p "$E2E_WORK" --suffix=.outcome)
    installation_outcome "$before"
    silent /S /KEEP=ALL '/LOG=C:\e2e\keep.log'
    expect_eq "keeping asked for over a record of another type" "$SILENT_EXIT" 6
    installation_outcome "$after"
    expect_same_snapshot "$before" "$after" "nothing changed" "the refused run changed the installation"
    expect_content "$PRODUCT/Brelix.CFG" $'user settings\r'
}
