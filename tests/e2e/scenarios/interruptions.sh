# What stops or interrupts an installation: a running AutoCAD, a missing Data folder, and a product file
# that another program holds open (abort / retry / ignore).

# AutoCAD running: the first press warns and changes nothing, the second installs anyway.
scenario_acad_running() {
    stage x86 "$SETUP32" || return 1
    start_background acad.exe idle 'C:\e2e\release.flag' || return 1
    wizard_start "$SETUP_DIR/SetUp.exe"
    drive <<EOF || { stop_background; return 1; }
$WALK_TO_PAGE3
post-click 1
wait-message "请关闭AutoCAD后再进行安装 !"
expect-caption Brelix软件安装
expect-owner 请选择安装路径：
EOF
    shot acad-running
    drive <<EOF || { stop_background; return 1; }
answer 1
wait-page 请选择安装路径：
expect-no-message 1
expect-text 1000 C:\Brelix
EOF
    expect_missing "$DRIVE_C/Brelix"
    expect_no_reg_key 'HKLM\SOFTWARE\Brelix'
    drive <<<"$INSTALL_AND_FINISH"
    stop_background
    wizard_ended || return 1
    expect_product "$PRODUCT" "$PAYLOAD_REF"
    expect_reg 'HKLM\SOFTWARE\Brelix' Brelix_Path "C:\\Brelix\\$PRODUCT_NAME"
}

# No Data folder beside the program: the message, every time, the page stays, and nothing changes.
scenario_no_data() {
    stage x86 "$SETUP32" none || return 1
    local before
    before=$(mktemp -p "$E2E_WORK" --suffix=.snapshot)
    machine_snapshot "$before"
    wizard_start "$SETUP_DIR/SetUp.exe"
    drive <<EOF || return 1
$WALK_TO_PAGE3
post-click 1
wait-message 未找到安装所需的Data文件夹
expect-caption Brelix软件安装
expect-owner 请选择安装路径：
wait-message 可能安装文件下载后没有解压
wait-message "请解压后再执行SetUp.exe !"
EOF
    shot no-data
    drive <<EOF || return 1
answer 1
wait-page 请选择安装路径：
expect-text 1000 C:\Brelix
post-click 1
wait-message 未找到安装所需的Data文件夹
answer 1
wait-page 请选择安装路径：
click 2
wait-exit
EOF
    wizard_ended || return 1
    expect_unchanged "$before" "two presses of 安  装 without Data"
}

# A product file held open by another program (as a running AutoCAD holds its module): Retry asks
# again while it is held and copies once it is free; Ignore leaves that one file and finishes.
scenario_locked_file_retry_ignore() {
    stage x86 "$SETUP32" || return 1
    walk_and_install || return 1
    put_payload 20250101

    local target="C:\\Brelix\\$PRODUCT_NAME\\BRELIX2010.ARX"
    start_background holder.exe hold "$target" 'C:\e2e\release.flag' || return 1
    wizard_start "$SETUP_DIR/SetUp.exe"
    drive <<EOF || { stop_background; return 1; }
$WALK_TO_PAGE3
post-click 1
wait-message "拷贝文件 $target 失败，可能原因如下：" 60
expect-caption Brelix安装
expect-owner 请选择安装路径：
# One step for the backup of the kept settings, then one per entry examined: ".", "..", the five
# Brelix.* files (listed first: "." sorts before "2"), BRELIX2000, 2004, 2008 and 2010.
expect-progress 1003 12 0 50
wait-message 1、AutoCAD未关闭
wait-message 2、系统权限未开放，请以管理者权限登陆系统
EOF
    shot copy-failed
    drive <<EOF || { stop_background; return 1; }
answer 4
wait-message "拷贝文件 $target 失败"
# Asking again does not advance the bar.
expect-progress 1003 12 0 50
EOF
    stop_background
    drive <<EOF || return 1
answer 4
wait-message "$COMPLETION" 60
answer 1
wait-exit
EOF
    wizard_ended || return 1
    # The keep options were offered and left ticked, but the user changed none of the first
    # installation's settings and libraries: they are the factory's, and everything is the new payload,
    # BRELIX2010.ARX included.
    expect_product "$PRODUCT" "$PAYLOAD_REF"

    put_payload 20250202
    target="C:\\Brelix\\$PRODUCT_NAME\\BRELIX2008.ARX"
    start_background holder.exe hold "$target" 'C:\e2e\release.flag' || return 1
    wizard_start "$SETUP_DIR/SetUp.exe"
    drive <<EOF
$WALK_TO_PAGE3
post-click 1
wait-message "拷贝文件 $target 失败" 60
expect-progress 1003 11 0 50
answer 5
# Ignoring is not success: the end message names the file that was left as it was.
wait-message 安装已结束，但以下各项没有完成： 60
wait-message "已跳过无法复制的文件 $target"
expect-caption Brelix安装
answer 1
wait-exit
EOF
    stop_background
    wizard_ended || return 1
    # Everything is the newest payload except the ignored file, which keeps the previous one.
    KEPT_FILES[BRELIX2008.ARX]=1
    expect_product "$PRODUCT" "$PAYLOAD_REF"
    KEPT_FILES=()
    expect_same_file "$PRODUCT/BRELIX2008.ARX" "$(payload_reference 20250101)/BRELIX2008.ARX"
    expect_reg 'HKLM\SOFTWARE\Brelix' Brelix_Path "C:\\Brelix\\$PRODUCT_NAME"
}

# Abort in the middle of a re-installation, at a product file another program holds open: files
# before it were staged already, yet every file of the product folder and every registry value is as it
# was, byte for byte, and the wizard says that nothing changed. Unattended, the same run ends with 6,
# changes nothing either, and its log names the file and the reason.
scenario_locked_file_abort() {
    stage x86 "$SETUP32" || return 1
    walk_and_install || return 1
    edit_user_files
    printf 'my own notes\r\n' >"$PRODUCT/notes.txt"
    put_payload 20250101
    local before after
    before=$(mktemp -p "$E2E_WORK" --suffix=.outcome)
    after=$(mktemp -p "$E2E_WORK" --suffix=.outcome)
    installation_outcome "$before"

    local target="C:\\Brelix\\$PRODUCT_NAME\\BRELIX2010.ARX"
    start_background holder.exe hold "$target" 'C:\e2e\release.flag' || return 1
    wizard_start "$SETUP_DIR/SetUp.exe"
    drive <<EOF || { stop_background; return 1; }
$WALK_TO_PAGE3
check 1009 expect 1
post-click 1
wait-message "拷贝文件 $target 失败" 60
answer 3
wait-message 已恢复原有的文件，没有做任何更改。 60
answer 1
wait-exit
EOF
    wizard_ended || { stop_background; return 1; }
    expect_eq "exit code after the abort" "$WIZARD_EXIT" 6
    installation_outcome "$after"
    expect_same_snapshot "$before" "$after" "the abort left every file and value as it was" \
        "the abort changed the installation"

    silent /S /KEEP=ALL '/LOG=C:\e2e\abort.log'
    stop_background
    expect_eq "exit code of the unattended run at a file held open" "$SILENT_EXIT" 6
    installation_outcome "$after"
    expect_same_snapshot "$before" "$after" "the unattended run left every file and value as it was" \
        "the unattended run changed the installation"
    log_says "$DRIVE_C/e2e/abort.log" "$target（文件正在使用）"
}

# A payload copied from a read-only medium: every source file is read-only. No installed file may stay
# read-only (the user must be able to edit settings and replace modules); the sources are only read
# through their handles, never changed, and all keep the attribute.
scenario_read_only_payload() {
    stage x86 "$SETUP32" || return 1
    find "$DATA" -type f -exec chmod a-w {} +
    walk_and_install || return 1
    expect_product "$PRODUCT" "$PAYLOAD_REF"
    expect_eq "read-only files in the product folder" "$(find "$PRODUCT" -type f ! -perm -u+w -printf '%P ')" ""
    expect_eq "read-only fonts in AutoCAD 2010" \
        "$(find "$DRIVE_C/Program Files/AutoCAD 2010/Fonts" -name 'Brelix_*' ! -perm -u+w -printf '%P ')" ""
    expect_eq "files of Data that lost read-only" "$(cd "$DATA" && find . -type f -perm -u+w -printf '%P ')" ""
}
