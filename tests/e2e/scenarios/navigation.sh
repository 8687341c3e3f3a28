# Moving between the pages and cancelling: choices survive 上一步 and 下一步, and 取  消 (or the close box
# or Esc) on any page leaves the registry and drive C exactly as they were.

scenario_cancel_changes_nothing() {
    stage x86 "$SETUP32" || return 1
    local before
    before=$(mktemp -p "$E2E_WORK" --suffix=.snapshot)
    machine_snapshot "$before"

    wizard_start "$SETUP_DIR/SetUp.exe"
    drive <<EOF || return 1
wait-page 在安装之前，请认真阅读许可协议：
click 2
wait-exit
EOF
    wizard_ended || return 1
    expect_eq "exit code after 取  消" "$WIZARD_EXIT" 1

    wizard_start "$SETUP_DIR/SetUp.exe"
    drive <<EOF || return 1
wait-page 在安装之前，请认真阅读许可协议：
click 1
wait-page 请选择安装组件：
click 2
wait-exit
EOF
    wizard_ended || return 1

    wizard_start "$SETUP_DIR/SetUp.exe"
    drive <<EOF || return 1
wait-page 在安装之前，请认真阅读许可协议：
click 1015
click 1
wait-page 请选择安装组件：
click 1
wait-page 请选择安装路径：
type 1000 D:\Elsewhere
# Back to page 2: untick 2009; back to page 1: it opens on the first screen with 同意.
click 1005
wait-page 请选择安装组件：
check 1020 expect 1
click 1020
click 1005
wait-page 在安装之前，请认真阅读许可协议：
expect-enabled 1014 0
check 1009 expect 1
click 1
wait-page 请选择安装组件：
check 1020 expect 0
check 1027 expect 1
click 1
wait-page 请选择安装路径：
expect-text 1000 D:\Elsewhere
click 2
wait-exit
EOF
    wizard_ended || return 1

    wizard_start "$SETUP_DIR/SetUp.exe"
    drive <<EOF || return 1
$WALK_TO_PAGE3
type 1000 C:\Somewhere
close
wait-exit
EOF
    wizard_ended || return 1

    # Esc on page 2 cancels as well.
    wizard_start "$SETUP_DIR/SetUp.exe"
    drive <<EOF || return 1
wait-page 在安装之前，请认真阅读许可协议：
click 1
wait-page 请选择安装组件：
press-key escape
wait-exit
EOF
    wizard_ended || return 1
    expect_unchanged "$before" "cancelling on each page"
}

# A relative and then an emptied path box: 安  装 refuses each with one message (no full root to build
# a product folder on), the page stays, and after going back and forth page 3 offers no keep options
# for the empty root. Nothing changes.
scenario_empty_root() {
    stage x86 "$SETUP32" || return 1
    walk_and_install || return 1
    local before
    before=$(mktemp -p "$E2E_WORK" --suffix=.snapshot)
    machine_snapshot "$before"

    wizard_start "$SETUP_DIR/SetUp.exe"
    drive <<EOF || return 1
$WALK_TO_PAGE3
expect-enabled 1009 1
# A relative root would land in the current folder: refused with one message, the page stays.
type 1000 brelix
post-click 1
wait-message 安装路径必须是完整路径 20
expect-caption Brelix软件安装
answer 1
wait-page 请选择安装路径：
type 1000 ""
post-click 1
wait-message 安装路径必须是完整路径 20
answer 1
wait-page 请选择安装路径：
expect-text 1000 ""
click 1005
wait-page 请选择安装组件：
click 1
wait-page 请选择安装路径：
expect-text 1000 ""
expect-text 1014 请选择安装路径：
expect-enabled 1009 0
check 1009 expect 0
click 2
wait-exit
EOF
    wizard_ended || return 1
    expect_unchanged "$before" "pressing 安  装 with a relative and an empty path"
}

# No AutoCAD on the machine: page 2 greys every box and 下一步; the user can only go back or cancel.
scenario_no_autocad() {
    stage x86 "$SETUP32" || return 1
    wine reg delete 'HKLM\SOFTWARE\Autodesk' /f >/dev/null 2>&1
    local before
    before=$(mktemp -p "$E2E_WORK" --suffix=.snapshot)
    machine_snapshot "$before"
    wizard_start "$SETUP_DIR/SetUp.exe"
    local script="wait-page 在安装之前，请认真阅读许可协议：
click 1
wait-page 请选择安装组件：
expect-enabled 1 0
expect-grid 7 1023 1024 1025 1018 1019 1020 1027 1026 1028 1029 1030 1031 1032"
    local id
    for id in 1023 1024 1025 1018 1019 1020 1027 1026 1028 1029 1030 1031 1032; do
        script+=$'\n'"expect-enabled $id 0"$'\n'"check $id expect 0"
    done
    drive <<<"$script" || return 1
    expect_refused click 1
    expect_refused click 1027
    drive <<EOF || return 1
click 1005
wait-page 在安装之前，请认真阅读许可协议：
click 2
wait-exit
EOF
    wizard_ended || return 1
    expect_unchanged "$before" "a run without AutoCAD"
}

# The pages at 150 % (LogPixels 144, read at the program's start): each page photographed for the
# README; the tests of text and logo sizes at 144 and 192 DPI are wine_tests.exe's (Win32Dpi).
scenario_pages_at_150_percent() {
    stage x86 "$SETUP32" || return 1
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1 ||
        { fail "cannot set LogPixels"; return 1; }
    wizard_start "$SETUP_DIR/SetUp.exe"
    drive <<EOF && shot page1-licence-150 &&
wait-page 在安装之前，请认真阅读许可协议：
EOF
        drive <<EOF && shot page2-releases-150 &&
click 1009
click 1
wait-page 请选择安装组件：
EOF
        drive <<EOF && shot page3-path-150
click 1
wait-page 请选择安装路径：
EOF
    local status=$?
    drive <<EOF
click 2
wait-exit
EOF
    wizard_ended
    wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1
    return "$status"
}
