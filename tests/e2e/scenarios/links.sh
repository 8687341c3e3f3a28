# An ordinary user turns the product folder against the elevated uninstall: links out of it (Unix
# symbolic links in the prefix's drive, which Windows programs see as reparse points), record lines
# naming what lies behind them with the right size and checksum, a "/" path, and a log that is a link.

# The installation record as this build writes it; the one place to change should it move.
record_file() {
    printf '%s\n' "$SETUP_FOLDER_32/Brelix安装记录.txt"
}

# record_line <file> <path in code page 936 terms, as UTF-8>: a FILE line matching the file's size and CRC-32.
record_line() {
    printf 'FILE\t%s\t%s\t%s\r\n' "$(stat -c %s "$1")" \
        "$(python3 -c 'import sys, zlib; print("%08x" % zlib.crc32(open(sys.argv[1], "rb").read()))' "$1")" "$2"
}

# outside_state: checksums of everything the user's links and lines point at.
outside_state() {
    (cd "$DRIVE_C" && md5sum windows/win.ini windows/system.ini && find elsewhere -printf '%p %y %s\n' |
        LC_ALL=C sort && find elsewhere -type f -exec md5sum {} + | LC_ALL=C sort)
}

scenario_uninstall_follows_no_link() {
    stage x86 "$SETUP32" || return 1
    silent /S
    expect_eq "installation exit code" "$SILENT_EXIT" 0
    local record
    record=$(record_file)
    [ -f "$record" ] || { fail "no installation record at ${record#"$WINEPREFIX/"}"; return 1; }

    # The drawing library becomes a link to a folder holding a copy of a shipped library file and a
    # file of someone else's; a shipped module becomes a link to a copy elsewhere; a link to Windows.
    mkdir -p "$DRIVE_C/elsewhere/library" "$DRIVE_C/elsewhere/modules"
    cp "$PRODUCT/$LIBRARY/钢梁节点.SJY" "$DRIVE_C/elsewhere/library/"
    printf 'not the product'"'"'s\r\n' >"$DRIVE_C/elsewhere/library/theirs.txt"
    cp "$PRODUCT/BRELIX2010.ARX" "$DRIVE_C/elsewhere/modules/"
    rm -r "$PRODUCT/$LIBRARY" "$PRODUCT/BRELIX2010.ARX"
    ln -s "$DRIVE_C/elsewhere/library" "$PRODUCT/$LIBRARY"
    ln -s "$DRIVE_C/elsewhere/modules/BRELIX2010.ARX" "$PRODUCT/BRELIX2010.ARX"
    ln -s "$DRIVE_C/windows" "$PRODUCT/win"
    {
        record_line "$DRIVE_C/windows/win.ini" 'win\win.ini'
        record_line "$DRIVE_C/windows/system.ini" 'temp/../../../windows/system.ini'
        record_line "$DRIVE_C/windows/system.ini" 'temp\..\..\..\windows\system.ini'
        record_line "$DRIVE_C/elsewhere/library/theirs.txt" "$LIBRARY\\theirs.txt"
    } | iconv -f UTF-8 -t GBK >>"$record"
    # The log the administrator asks for is a link to a file of Windows.
    mkdir -p "$DRIVE_C/e2e"
    ln -sf "$DRIVE_C/windows/win.ini" "$DRIVE_C/e2e/uninstall.log"
    local before after
    before=$(outside_state)

    # Quietly, as a deployment system runs it: the command line from the registry.
    local command exe code
    command=$(e2e_reg_value "$UNINSTALL_KEY" QuietUninstallString) || { fail "no QuietUninstallString"; return 1; }
    command=${command//\\\"/\"}
    exe=${command#\"}
    exe=${exe%%\"*}
    # shellcheck disable=SC2086 # the switches after the quoted program are words of their own
    wine "$exe" ${command##*\" } '/LOG=C:\e2e\uninstall.log' >/dev/null 2>&1
    code=$?
    e2e_settle "$WINEPREFIX"
    # Nothing failed but the log: the record went, and the log alone makes the run end with 7.
    expect_eq "exit code of the uninstall with a log it could not write" "$code" 7
    expect_missing "$record"

    after=$(outside_state)
    if [ "$before" = "$after" ]; then
        note "ok: nothing behind the links changed (win.ini, system.ini, the linked folders)"
    else
        fail "the uninstall changed what lies behind a link:"
        diff <(printf '%s\n' "$before") <(printf '%s\n' "$after") | head -10 | sed 's/^/      /'
    fi
    local link
    for link in "$PRODUCT/$LIBRARY" "$PRODUCT/BRELIX2010.ARX" "$PRODUCT/win" "$DRIVE_C/e2e/uninstall.log"; do
        if [ -L "$link" ]; then note "ok: ${link#"$WINEPREFIX/"} is still the user's link"; else fail "${link#"$WINEPREFIX/"} was removed"; fi
    done
    # What was the product's own and not behind a link went.
    expect_missing "$PRODUCT/BRELIX2004.ARX"
    expect_missing "$PRODUCT/temp"

    # The installation writes through no link either: a level of the root that is one stops it.
    ln -s "$DRIVE_C/elsewhere" "$DRIVE_C/linked"
    before=$(outside_state)
    silent /S '/D=C:\linked\工具'
    expect_eq "exit code of an installation below a linked folder" "$SILENT_EXIT" 6
    expect_eq "what lies behind the linked root" "$(outside_state)" "$before"
    # A root quoted as deployment tools quote one ending in "\" is stored in its one spelling.
    silent /S '/D=C:\CAD Tools\'
    expect_eq "exit code of an installation into a root ending in a backslash" "$SILENT_EXIT" 0
    expect_reg 'HKLM\SOFTWARE\Brelix' Brelix_Path "C:\\CAD Tools\\$PRODUCT_NAME"
}

# An ordinary user turns the payload against the elevated installation: Data beside SetUp.exe becomes a
# link to a folder only administrators may read, holding the payload and a secret; then Data is real
# again but one of its files is a link to the secret. Either way the silent run stops with 6 and
# nothing of the secret reaches the product folder, which every user reads.
scenario_payload_read_through_no_link() {
    stage x86 "$SETUP32" || return 1
    local secret="$DRIVE_C/admins"
    mkdir -p "$secret"
    mv "$DATA" "$secret/Data"
    printf 'the administrators'"'"' secret\r\n' >"$secret/Data/SECRET.TXT"
    printf 'the administrators'"'"' secret\r\n' >"$secret/key.txt"
    ln -s "$secret/Data" "$DATA"
    silent /S
    expect_eq "exit code of an installation whose Data is a link" "$SILENT_EXIT" 6
    expect_missing "$PRODUCT/SECRET.TXT"
    if grep -rqs "administrators' secret" "$DRIVE_C/Brelix" "$DRIVE_C/Program Files"; then
        fail "the secret behind the linked Data was copied"
    else
        note "ok: nothing behind the linked Data was copied"
    fi

    # Data a real folder again, one of its files a link to the secret.
    rm "$DATA"
    mv "$secret/Data" "$DATA"
    rm "$DATA/SECRET.TXT" "$DATA/使用说明.txt"
    ln -s "$secret/key.txt" "$DATA/使用说明.txt"
    silent /S
    expect_eq "exit code of an installation with a source file that is a link" "$SILENT_EXIT" 6
    if grep -rqs "administrators' secret" "$DRIVE_C/Brelix" "$DRIVE_C/Program Files"; then
        fail "the secret behind a linked source file was copied"
    else
        note "ok: nothing behind the linked source file was copied"
    fi
    expect_missing "$PRODUCT/使用说明.txt"
}

# run_quiet_uninstall_logged <log as a Windows path>: the QuietUninstallString with /LOG=; the exit code
# is left in UNINSTALL_EXIT.
run_quiet_uninstall_logged() {
    local command exe
    command=$(e2e_reg_value "$UNINSTALL_KEY" QuietUninstallString) || { fail "no QuietUninstallString"; return 1; }
    command=${command//\\\"/\"}
    exe=${command#\"}
    exe=${exe%%\"*}
    # shellcheck disable=SC2086 # the switches after the quoted program are words of their own
    (exec wine "$exe" ${command##*\" } "/LOG=$1") >/dev/null 2>&1
    UNINSTALL_EXIT=$?
}

# The user renames the product folder away and puts a link of its name in its place: first to a folder
# only administrators change, holding a BrelixUser.exe; then to a folder of their own whose BrelixUser.exe
# is a link to win.ini (Wine reads a link to a file as no reparse point, and deletes what it leads to).
# Each uninstall ends with 7 and keeps its record, and deletes neither file; with the folder put back, the
# next one finishes.
scenario_uninstall_product_folder_swapped_for_links() {
    stage x86 "$SETUP32" || return 1
    silent /S
    expect_eq "installation exit code" "$SILENT_EXIT" 0
    mkdir -p "$DRIVE_C/admins" "$DRIVE_C/users/Public/mine"
    printf 'administrators'"'"' program\r\n' >"$DRIVE_C/admins/BrelixUser.exe"
    ln -s "$DRIVE_C/windows/win.ini" "$DRIVE_C/users/Public/mine/BrelixUser.exe"
    local before
    before=$(cd "$DRIVE_C" && md5sum admins/BrelixUser.exe windows/win.ini)
    mv "$PRODUCT" "$DRIVE_C/Brelix/moved"
    local target
    for target in "$DRIVE_C/admins" "$DRIVE_C/users/Public/mine"; do
        ln -sfn "$target" "$PRODUCT"
        run_quiet_uninstall_logged 'C:\e2e\uninstall-swapped.log' || return 1
        e2e_settle "$WINEPREFIX"
        expect_eq "exit code with the product folder a link to ${target#"$DRIVE_C/"}" "$UNINSTALL_EXIT" 7
        expect_eq "what the links lead to, after the uninstall through ${target#"$DRIVE_C/"}" \
            "$(cd "$DRIVE_C" && md5sum admins/BrelixUser.exe windows/win.ini 2>&1)" "$before"
        [ -f "$(record_file)" ] || fail "the record went after an uninstall through a link"
    done
    rm "$PRODUCT"
    mv "$DRIVE_C/Brelix/moved" "$PRODUCT"
    run_quiet_uninstall_logged 'C:\e2e\uninstall-again.log' || return 1
    e2e_settle "$WINEPREFIX"
    expect_eq "exit code with the product folder back" "$UNINSTALL_EXIT" 0
    if [ -e "$PRODUCT" ]; then
        fail "the product folder stays: $(cd "$PRODUCT" && find . | head -5 | tr '\n' ' ')"
        tr -d '\r' <"$DRIVE_C/e2e/uninstall-again.log" | tail -8 | sed 's/^/      /'
    fi
}

# The empty-folder sweep meets a subfolder that was a folder when the product folder was listed and is a
# link to a folder of administrators when the sweep comes to it: 600 empty folders the user made sort
# before it, and the link is put in place as soon as the sweep has removed the first of them. Nothing
# behind the link is removed or named as kept; the folder is named as a problem and the run ends with 7.
scenario_uninstall_sweep_subfolder_swapped_for_a_link() {
    stage x86 "$SETUP32" || return 1
    silent /S
    expect_eq "installation exit code" "$SILENT_EXIT" 0
    mkdir -p "$DRIVE_C/admins/empty" "$PRODUCT/zz"
    printf 'secret\r\n' >"$DRIVE_C/admins/secret.txt"
    local n
    for n in $(seq -w 0 599); do mkdir "$PRODUCT/a$n"; done
    local before
    before=$(cd "$DRIVE_C" && find admins -printf '%p %y %s\n' | LC_ALL=C sort)
    timeout 300 bash -c 'while [ -d "$1/a000" ]; do sleep 0.002; done
        mv "$1/zz" "$2/zz-moved" && ln -s "$2/admins" "$1/zz" && echo swapped' _ "$PRODUCT" "$DRIVE_C" \
        >"$E2E_WORK/sweep-swap.txt" 2>&1 &
    local watcher=$!
    run_quiet_uninstall_logged 'C:\e2e\uninstall-sweep.log' || return 1
    e2e_settle "$WINEPREFIX"
    wait "$watcher"
    if [ "$(cat "$E2E_WORK/sweep-swap.txt")" != swapped ]; then
        fail "the subfolder was not swapped during the sweep: $(cat "$E2E_WORK/sweep-swap.txt")"
        return 1
    fi
    if [ -d "$PRODUCT/a599" ]; then
        fail "the sweep did not reach the folders before the swapped one"
    fi
    expect_eq "exit code with a subfolder swapped for a link" "$UNINSTALL_EXIT" 7
    expect_eq "the administrators' folder behind the link" \
        "$(cd "$DRIVE_C" && find admins -printf '%p %y %s\n' | LC_ALL=C sort)" "$before"
    [ -L "$PRODUCT/zz" ] || fail "the link went"
    local log
    log=$(tr -d '\r' <"$DRIVE_C/e2e/uninstall-sweep.log")
    if grep -q "无法锁定.*\\\\zz$" <<<"$log"; then
        note "ok: the log names the swapped folder as one that stays"
    else
        fail "the log does not name the swapped folder: $(grep -n 'zz' <<<"$log" | head -5)"
    fi
    if grep -q 'secret.txt' <<<"$log"; then fail "the log names a file behind the link"; fi
}

# An ordinary user plants, in the product folder, what earlier builds kept there as the swap's journal:
# one describing a swap half done in a library they then make a link to a folder of administrators,
# whose F line names another user's file with its right size and checksum, the name of the journal
# being written as a folder, then a folder and a file of 9 MB under the journal's name. None is read
# or followed: every installation, repair and upgrade ends with 0, the record never names the other
# user's file, the uninstall deletes nothing behind the link and leaves the other user's file.
scenario_planted_journal_names_are_the_users() {
    stage x86 "$SETUP32" || return 1
    silent /S
    expect_eq "first installation" "$SILENT_EXIT" 0
    printf 'another user\r\n' >"$PRODUCT/OTHER.DAT"
    local size crc
    size=$(stat -c %s "$PRODUCT/OTHER.DAT")
    crc=$(python3 -c 'import sys, zlib; print("%08X" % zlib.crc32(open(sys.argv[1], "rb").read()))' "$PRODUCT/OTHER.DAT")
    local admins="$DRIVE_C/admins"
    mkdir -p "$admins"
    printf 'the administrators'"'"' own\r\n' >"$admins/~BX1A_1.OLD"
    printf 'the administrators'"'"' own\r\n' >"$admins/钢梁节点.SJY"
    local before
    before=$(cd "$DRIVE_C" && find admins -type f -exec md5sum {} + | LC_ALL=C sort)
    local journal
    journal=$(printf 'BRELIX-SWAP\r\nFOLDER\tC:\\Brelix\\%s\r\nTAG\t1A\r\nSTATE\tSWAPPING\r\nPHASE\tSWAPPING\r\nE\t1\t1\t钢梁节点.SJY\t~BX1A_1.NEW\t~BX1A_1.OLD\r\nF\t0\tOTHER.DAT\t%s\t%s\r\nF\tOTHER.DAT\t%s\t%s\r\nEND\r\n' \
        "$PRODUCT_NAME" "$size" "$crc" "$size" "$crc" | iconv -f UTF-8 -t GBK)
    printf '%s' "$journal" >"$PRODUCT/~BrelixSetup.swp"
    mkdir -p "$PRODUCT/~BrelixSetup.swp.new"
    silent /S /KEEP=ALL
    expect_eq "a repair beside a planted journal" "$SILENT_EXIT" 0
    rm -f "$PRODUCT/~BrelixSetup.swp"
    mkdir -p "$PRODUCT/~BrelixSetup.swp"
    put_payload 20250404
    silent /S /KEEP=ALL
    expect_eq "an upgrade beside a folder under the journal's name" "$SILENT_EXIT" 0
    rmdir "$PRODUCT/~BrelixSetup.swp"
    head -c $((9 * 1024 * 1024)) /dev/zero >"$PRODUCT/~BrelixSetup.swp"
    silent /S /KEEP=ALL
    expect_eq "a repair beside a journal of 9 MB" "$SILENT_EXIT" 0
    if grep -q 'OTHER.DAT' "$(record_file)"; then fail "the record names the other user's file"; fi
    printf '%s' "$journal" >"$PRODUCT/~BrelixSetup.swp"
    rm -rf "$PRODUCT/$LIBRARY"
    ln -s "$admins" "$PRODUCT/$LIBRARY"
    run_quiet_uninstall
    expect_eq "the administrators' folder behind the library's link" \
        "$(cd "$DRIVE_C" && find admins -type f -exec md5sum {} + | LC_ALL=C sort)" "$before"
    expect_content "$PRODUCT/OTHER.DAT" $'another user\r'
}
