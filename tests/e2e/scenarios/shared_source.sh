# Two machines installing from one shared folder at the same moment: two 32-bit prefixes, each with
# the same Unix folder as its drive S:, as two workstations with one share mapped.

SHARE_DRIVE='S:'

# on_machine <prefix> <command...>: runs a command with that prefix as the machine.
on_machine() {
    local prefix=$1
    shift
    (WINEPREFIX=$prefix "$@")
}

# The machine's own edits of the files it keeps, marked with its name and the round.
edit_machine_files() {  # edit_machine_files <product folder> <machine> <round>
    printf 'settings of %s, round %s\r\n' "$2" "$3" >"$1/Brelix.CFG"
    printf 'sections of %s, round %s\r\n' "$2" "$3" >"$1/Brelix.SEC"
    printf 'drawings of %s, round %s\r\n' "$2" "$3" >"$1/$LIBRARY/Column.SJY"
    printf 'private drawing of %s\r\n' "$2" >"$1/$LIBRARY/私有$2.SJY"
}

# Each round both machines re-install at once, silently, keeping their files. Each keeps exactly its
# own, nothing of the other appears, and the share holds only what was put there.
scenario_two_machines_share_one_source() {
    stage x86 "$SETUP32" || return 1
    local first=$WINEPREFIX second="$E2E_DIR/prefix-x86b"
    "$E2E_SCRIPTS/stage-machine.sh" "$second" x86 >/dev/null || { fail "staging the second machine failed"; return 1; }
    local share="$E2E_WORK/share"
    rm -rf "$share"
    mkdir -p "$share"
    cp "$SETUP32" "$share/SetUp.exe"
    PAYLOAD_VERSION=20240327 "$E2E_SCRIPTS/make-payload.sh" "$share/Data" >/dev/null
    local prefix
    for prefix in "$first" "$second"; do
        ln -sfn "$share" "$prefix/dosdevices/s:"
        mkdir -p "$prefix/drive_c/e2e"
        rm -rf "$prefix/drive_c/Program Files/Brelix Setup"
    done
    local listing_before
    listing_before=$(cd "$share" && find . | LC_ALL=C sort)

    local round name exits
    for round in 0 1 2 3; do
        # Round 0 installs afresh; the later rounds keep what each user changed.
        if [ "$round" -gt 0 ]; then
            edit_machine_files "$first/drive_c/Brelix/$PRODUCT_NAME" A "$round"
            edit_machine_files "$second/drive_c/Brelix/$PRODUCT_NAME" B "$round"
        fi
        on_machine "$first" wine "$SHARE_DRIVE\\SetUp.exe" /S /KEEP=ALL '/LOG=C:\e2e\share.log' >/dev/null 2>&1 &
        local a=$!
        on_machine "$second" wine "$SHARE_DRIVE\\SetUp.exe" /S /KEEP=ALL '/LOG=C:\e2e\share.log' >/dev/null 2>&1 &
        local b=$!
        wait "$a"
        exits="$?"
        wait "$b"
        exits+=" $?"
        expect_eq "round $round exit codes of both machines" "$exits" "0 0"
        [ "$round" -gt 0 ] || continue
        for name in A B; do
            prefix=$first
            [ $name = B ] && prefix=$second
            local product="$prefix/drive_c/Brelix/$PRODUCT_NAME" other=B
            [ $name = B ] && other=A
            expect_content "$product/Brelix.CFG" "settings of $name, round $round"$'\r'
            expect_content "$product/Brelix.SEC" "sections of $name, round $round"$'\r'
            expect_content "$product/$LIBRARY/Column.SJY" "drawings of $name, round $round"$'\r'
            expect_content "$product/$LIBRARY/私有$name.SJY" "private drawing of $name"$'\r'
            expect_missing "$product/$LIBRARY/私有$other.SJY"
            expect_missing "$prefix/drive_c/Program Files/Brelix Setup/SetUp_Temp1"
            expect_missing "$prefix/drive_c/Program Files/Brelix Setup/SetUp_Temp2"
        done
        expect_eq "round $round: the share holds what was put there" \
            "$(cd "$share" && find . | LC_ALL=C sort)" "$listing_before"
    done
    # The kept files never left the machine's own product folder: the log says each was left in place.
    log_says "$first/drive_c/e2e/share.log" "（安装后已修改）：C:\\Brelix\\$PRODUCT_NAME\\"
    for prefix in "$first" "$second"; do rm -f "$prefix/dosdevices/s:"; done
    e2e_settle "$second"
}
