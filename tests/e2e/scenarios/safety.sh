# Data safety: a run killed between the backup and the restore, stale files in the user's temporary
# folder, a payload larger than any walk used to allow, a root below folders that do not exist yet, and
# a change from the 32-bit build to the 64-bit build.

# The wizard is killed while a copy question is open: the backup has saved the user's files and the
# deployment has already overwritten some of them. A file left in the user's temporary folder by
# something else is not ours. The next run puts the user's files back, and only those.
scenario_killed_run_then_good_one() {
    stage x86 "$SETUP32" || return 1
    walk_and_install || return 1
    edit_user_files
    put_payload 20250101

    local target="C:\\Brelix\\$PRODUCT_NAME\\BRELIX2010.ARX"
    start_background holder.exe hold "$target" 'C:\e2e\release.flag' || return 1
    wizard_start "$SETUP_DIR/SetUp.exe"
    drive <<EOF || { stop_background; return 1; }
$WALK_TO_PAGE3
check 1009 expect 1
post-click 1
wait-message "拷贝文件 $target 失败" 60
EOF
    wizard_kill
    stop_background
    # Killed while staging: the user's files were never touched, and what was staged waits beside
    # them, named in the journal, for the next run to delete.
    expect_content "$PRODUCT/Brelix.CFG" $'user settings\r'
    expect_same_file "$PRODUCT/BRELIX2004.ARX" "$(payload_reference 20240327)/BRELIX2004.ARX"
    [ -f "$SETUP_FOLDER_32/$(swap_journal_name "C:\\Brelix\\$PRODUCT_NAME")" ] &&
        note "ok: the journal of the staging is there, in the setup folder" ||
        fail "no journal of the staging in the setup folder"
    expect_missing "$DATA/SetUp_Temp1"

    local stale="$DRIVE_C/users/root/Temp/SetUp_Temp1"
    mkdir -p "$stale"
    printf 'not ours\r\n' >"$stale/STALE.CFG"
    install_keeping || return 1
    KEPT_FILES=([Brelix.CFG]=1 [BrelixDraw.cfg]=1 [Brelix.SEC]=1 ["$LIBRARY/Column.SJY"]=1
        ["$LIBRARY/钢梁节点.SJY"]=1)
    expect_product "$PRODUCT" "$PAYLOAD_REF" MyBeams.sec "$LIBRARY/我的节点.SJY"
    KEPT_FILES=()
    expect_content "$PRODUCT/Brelix.CFG" $'user settings\r'
    expect_content "$PRODUCT/BrelixDraw.cfg" $'user drawing settings\r'
    expect_content "$PRODUCT/Brelix.SEC" $'user sections\r'
    expect_content "$PRODUCT/$LIBRARY/Column.SJY" $'user drawing library\r'
    expect_data_clean
    # Nothing staged is left, no save place was made, and a stranger's folder stays as it was.
    expect_eq "staged files left" "$(find "$PRODUCT" -name '~B*' -printf '%P ')" ""
    expect_missing "$X86_FILES/Brelix Setup/SetUp_Temp1"
    expect_content "$stale/STALE.CFG" $'not ours\r'
}

# 150 more files than the sample payload, installed into a root three levels below a folder that does
# not exist: every level is made, every file is copied, and the bar ends full without wrapping.
scenario_large_payload_below_missing_folders() {
    stage x86 "$SETUP32" || return 1
    local i name extra=()
    for ((i = 1; i <= 150; i++)); do
        name="部件$(printf %03d "$i").dat"
        printf 'part %d\r\n' "$i" >"$DATA/$name"
        extra+=("$name")
    done
    wizard_start "$SETUP_DIR/SetUp.exe"
    drive <<EOF || return 1
$WALK_TO_PAGE3
type 1000 "C:\\新建\\工具\\钢构"
$INSTALL_AND_FINISH
EOF
    wizard_ended || return 1
    local product="$DRIVE_C/新建/工具/钢构/$PRODUCT_NAME"
    expect_product "$product" "$PAYLOAD_REF" "${extra[@]}"
    expect_content "$product/部件150.dat" $'part 150\r'
    expect_reg 'HKLM\SOFTWARE\Brelix' Brelix_Path "C:\\新建\\工具\\钢构\\$PRODUCT_NAME"
}

# Installed by the 32-bit build, re-installed by the 64-bit build on the same 64-bit machine: the
# 64-bit build finds the record, offers keeping, and the user's files survive.
scenario_32bit_then_64bit_build() {
    stage x64 "$SETUP32" || return 1
    walk_and_install || return 1
    expect_setup_folder "$SETUP_FOLDER_32"
    edit_user_files
    cp "$SETUP64" "$SETUP_DIR/SetUp.exe"
    wizard_start "$SETUP_DIR/SetUp.exe"
    drive <<EOF || return 1
wait-page 在安装之前，请认真阅读许可协议：
expect-text 1011 "Brelix结构工具箱 V2024.3.27 (64位版本)"
click 1
wait-page 请选择安装组件：
click 1
wait-page 请选择安装路径：
expect-text 1014 请选择是否保留配置及安装路径：
check 1009 expect 1
check 1010 expect 1
check 1012 expect 1
$INSTALL_AND_FINISH
EOF
    wizard_ended || return 1
    expect_content "$PRODUCT/Brelix.CFG" $'user settings\r'
    expect_content "$PRODUCT/Brelix.SEC" $'user sections\r'
    expect_content "$PRODUCT/$LIBRARY/Column.SJY" $'user drawing library\r'
    expect_data_clean
    expect_reg 'HKLM\SOFTWARE\Brelix' Brelix_Path "C:\\Brelix\\$PRODUCT_NAME" 32
    expect_no_reg_key 'HKLM\SOFTWARE\Brelix' 64
    # The 32-bit build's setup folder was found, its record taken in and the folder cleared.
    expect_setup_folder "$SETUP_FOLDER_64"
    expect_missing "$SETUP_FOLDER_32"
    # (the 32-bit build names the key of a 2009 it sees through both views as the one below Wow6432Node)
    if grep -a $'^DEMANDLOAD\t' "$SETUP_FOLDER_64/Brelix安装记录.txt" | grep -qF 'Autodesk\AutoCAD\R17.2\'; then
        note "ok: the record kept the 32-bit build's entry"
    else
        fail "the record lost the 32-bit build's demand-load entry"
    fi
}

# The other way round: the 32-bit build finds the 64-bit build's setup folder below the 64-bit
# Program Files, takes its record in and clears it.
scenario_64bit_then_32bit_build() {
    stage x64 "$SETUP64" || return 1
    walk_and_install || return 1
    expect_setup_folder "$SETUP_FOLDER_64"
    edit_user_files
    cp "$SETUP32" "$SETUP_DIR/SetUp.exe"
    install_keeping || return 1
    expect_content "$PRODUCT/Brelix.CFG" $'user settings\r'
    expect_setup_folder "$SETUP_FOLDER_32"
    expect_missing "$SETUP_FOLDER_64"
    # (the 64-bit build's 2021 entry lives in the 64-bit view only)
    if grep -qaF $'DEMANDLOAD\tSOFTWARE\\Autodesk\\AutoCAD\\R24.0\\' "$SETUP_FOLDER_32/Brelix安装记录.txt"; then
        note "ok: the record kept the 64-bit build's entry"
    else
        fail "the record lost the 64-bit build's demand-load entry"
    fi
    # The 64-bit build's Active Setup component, in its own view, went with its setup folder.
    local component='HKLM\SOFTWARE\Microsoft\Active Setup\Installed Components\Brelix' view
    expect_no_reg_key "$component" 64
    # The 32-bit uninstaller removes what both builds registered, in both views.
    run_quiet_uninstall
    expect_eq "quiet uninstall after the switch" "$UNINSTALL_EXIT" 0
    for view in 64 32; do
        if e2e_reg_export 'HKEY_LOCAL_MACHINE\SOFTWARE' $view | grep -aF 'Brelix结构工具箱\\BRELIX'; then
            fail "demand-load entries of the removed installation stay in the $view-bit view"
        else
            note "ok: no demand-load entry of the removed installation in the $view-bit view"
        fi
        expect_no_reg_key "$component" $view
    done
}
