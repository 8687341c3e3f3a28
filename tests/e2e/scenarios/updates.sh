# Updates as an administrator rolls them out: two builds of different versions (SetUp.exe and the test
# build next/SetUp.exe, a newer version of the same program), and a setup folder that cannot be written.

SETUP32_NEXT="$(dirname "$SETUP32")/next/SetUp.exe"
NEXT_VERSION=2025.1.0

# An upgrade to the newer build with its newer payload, the older build refused over it (8) and then
# allowed (/ALLOWDOWNGRADE); Programs and Features shows the installed version after each, and every
# factory file the user never changed follows the version installed.
scenario_versions_upgrade_and_downgrade() {
    stage x86 "$SETUP32" || return 1
    silent /S
    expect_eq "first installation" "$SILENT_EXIT" 0
    expect_reg "$UNINSTALL_KEY" DisplayVersion 2024.3.27

    cp "$SETUP32_NEXT" "$SETUP_DIR/SetUp.exe"
    put_payload 20250101
    mkdir -p "$DRIVE_C/e2e/logs"
    silent /S '/LOG=C:\e2e\logs\upgrade.log'
    expect_eq "upgrade" "$SILENT_EXIT" 0
    expect_reg "$UNINSTALL_KEY" DisplayVersion "$NEXT_VERSION"
    log_says "$DRIVE_C/e2e/logs/upgrade.log" "升级：版本 2024.3.27 -> $NEXT_VERSION"
    expect_product "$PRODUCT" "$PAYLOAD_REF"
    if grep -q $'^VERSION\t'"$NEXT_VERSION"$'\r$' "$SETUP_FOLDER_32/Brelix安装记录.txt"; then
        note "ok: the record keeps the installed version"
    else
        fail "the record does not name version $NEXT_VERSION"
    fi

    cp "$SETUP32" "$SETUP_DIR/SetUp.exe"
    put_payload 20240327
    silent /S
    expect_eq "an older version without /ALLOWDOWNGRADE" "$SILENT_EXIT" 8
    expect_reg "$UNINSTALL_KEY" DisplayVersion "$NEXT_VERSION"
    expect_product "$PRODUCT" "$(payload_reference 20250101)"

    silent /S /ALLOWDOWNGRADE
    expect_eq "an older version with /ALLOWDOWNGRADE" "$SILENT_EXIT" 0
    expect_reg "$UNINSTALL_KEY" DisplayVersion 2024.3.27
    expect_product "$PRODUCT" "$PAYLOAD_REF"
}

# Program Files on a volume nobody can write (a read-only mount, which holds even for root): the silent
# installation stops with 6 before it registers anything, and leaves no product folder.
scenario_read_only_program_files_registers_nothing() {
    stage x86 "$SETUP32" || return 1
    local pf="$DRIVE_C/Program Files" saved
    saved=$(mktemp -d -p "$E2E_WORK")
    cp -a "$pf/." "$saved/"
    mount -t tmpfs -o size=64m tmpfs "$pf" || { fail "cannot mount Program Files (needs root)"; return 1; }
    cp -a "$saved/." "$pf/" && mount -o remount,ro "$pf"
    silent /S
    umount "$pf"
    expect_eq "installation with Program Files read-only" "$SILENT_EXIT" 6
    if e2e_reg_export 'HKEY_LOCAL_MACHINE\SOFTWARE\Autodesk' | grep -i "$PRODUCT_NAME"; then
        fail "AutoCAD was told to load the product"
    else
        note "ok: no demand-load entry names the product folder"
    fi
    expect_no_reg_key "$UNINSTALL_KEY"
    expect_missing "$PRODUCT"
}
