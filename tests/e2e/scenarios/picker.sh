# The folder picker of page 3: cancel keeps the path; an invalid path is refused; a folder that does
# not exist is created only when the user agrees; the installation then goes into it.

scenario_picker_new_folder() {
    stage x86 "$SETUP32" || return 1
    local root='C:\Tools\钢构 软件'
    wizard_start "$SETUP_DIR/SetUp.exe"
    drive <<EOF || return 1
$WALK_TO_PAGE3
# Cancelling the picker leaves the path as it was.
post-click 1001
wait-window 请选择安装目录：
expect-caption 请选择安装目录：
expect-visible 14147 0
expect-visible 14148 1
click 2
wait-page 请选择安装路径：
expect-text 1000 C:\Brelix
# A name with a question mark is refused and the picker stays open.
post-click 1001
wait-window 请选择安装目录：
type 14148 "C:\Tools\bad?name"
post-click 1
wait-message "is invalid. Please reenter."
expect-caption SetUp
expect-owner 请选择安装目录：
answer 1
expect-caption 请选择安装目录：
# A folder on a drive that does not exist: agreeing to create it ends in the second message.
type 14148 Q:\Brelix
post-click 1
wait-message "does not exist. Do you want the folder to be created?"
answer 6
wait-message "can not be created. Please double check."
expect-caption SetUp
answer 1
expect-caption 请选择安装目录：
# A folder that does not exist: No keeps the picker open and creates nothing.
type 14148 "$root"
post-click 1
wait-message "does not exist. Do you want the folder to be created?"
answer 7
expect-caption 请选择安装目录：
EOF
    expect_missing "$DRIVE_C/Tools"
    shot picker
    drive <<EOF || return 1
post-click 1
wait-message "does not exist. Do you want the folder to be created?"
answer 6
wait-page 请选择安装路径：
expect-text 1000 "$root"
EOF
    expect_listing "$DRIVE_C/Tools" "钢构 软件/"
    drive <<<"$INSTALL_AND_FINISH" || return 1
    wizard_ended || return 1
    check_first_install_x86 "$root" "$DRIVE_C/Tools/钢构 软件/$PRODUCT_NAME"
    expect_missing "$DRIVE_C/Brelix"
}
