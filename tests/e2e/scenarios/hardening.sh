# The program on hostile or foreign ground: DLLs planted beside it, a machine whose ANSI code page is
# not Chinese.

# Libraries that system DLLs load on demand (shell, theming, common dialogs, cryptography, imaging,
# security, ...), none of which SetUp.exe imports itself. Each planted copy leaves "<name>.loaded"
# beside itself when anything loads it.
PLANTED_NAMES=(shcore.dll uxtheme.dll propsys.dll comdlg32.dll cryptbase.dll cryptsp.dll rsaenh.dll
    bcrypt.dll crypt32.dll dwmapi.dll version.dll profapi.dll userenv.dll windowscodecs.dll oleaut32.dll
    sspicli.dll secur32.dll winmm.dll dbghelp.dll msimg32.dll shlwapi.dll setupapi.dll netapi32.dll
    wtsapi32.dll ntmarta.dll apphelp.dll clbcatq.dll explorerframe.dll)

# planted_walk <x86|x64> <SetUp.exe> <planted.dll>: plants the DLLs, opens and cancels the folder
# picker, installs, runs the BrelixUser.exe it writes there, and expects no marker.
planted_walk() {
    local arch=$1 exe=$2 dll=$3 name
    stage "$arch" "$exe" || return 1
    for name in "${PLANTED_NAMES[@]}"; do cp "$dll" "$SETUP_DIR/$name"; done
    wizard_start "$SETUP_DIR/SetUp.exe"
    drive <<EOF || return 1
$WALK_TO_PAGE3
post-click 1001
wait-window 请选择安装目录：
click 2
wait-page 请选择安装路径：
$INSTALL_AND_FINISH
EOF
    wizard_ended || return 1
    # BrelixUser.exe, run at logon from the product folder, among the same DLLs.
    (cd "$SETUP_DIR" && wine SetUp.exe /S '/USERPROGRAM=C:\e2e\setup\BrelixUser.exe' &&
        wine BrelixUser.exe) >/dev/null 2>&1 || fail "BrelixUser.exe was not written or did not run"
    local markers
    markers=$(cd "$SETUP_DIR" && find . -maxdepth 1 -name '*.loaded' -printf '%P ' | LC_ALL=C sort)
    expect_eq "DLLs loaded from beside SetUp.exe and BrelixUser.exe" "$markers" ""
    expect_product "$PRODUCT" "$PAYLOAD_REF"
}

scenario_planted_dlls_32() {
    planted_walk x86 "$SETUP32" "$PLANTED32"
}

scenario_planted_dlls_64() {
    planted_walk x64 "$SETUP64" "$PLANTED64"
}

# Under code page 1252 "é" (0xE9) is a letter of its own: read as a code-page-936 lead byte it would
# swallow the "\" after it, and the wizard would look for C:\e2e\Data. The program's texts are code
# page 936 and read as Latin-1 here, so the walk waits for them in that form, and the payload keeps
# only the files whose names this code page can spell.
scenario_latin1_folder() {
    SETUP_DIR="$DRIVE_C/e2e/Café"
    DATA="$SETUP_DIR/Data"
    stage x86 "$SETUP32" || return 1
    rm -r "$DATA/使用说明.txt" "$DATA/$LIBRARY"
    local version completion
    version=$(as_latin1 "Brelix结构工具箱 V2024.3.27 (32位版本)")
    completion=$(as_latin1 "$COMPLETION")
    (cd "$SETUP_DIR" && LC_ALL=C.UTF-8 exec wine SetUp.exe) >/dev/null 2>&1 &
    WIZARD_PID=$!
    drive <<EOF || return 1
wait-text 1011 "$version"
click 1
wait-page "For AutoCAD2010"
click 1
wait-text 1000 C:\Brelix
post-click 1
wait-message "$completion" 60
answer 1
wait-exit
EOF
    wizard_ended || return 1
    # The product folder's name is code page 936 bytes read as Latin-1.
    local product="$DRIVE_C/Brelix/$(as_latin1 "$PRODUCT_NAME")" file
    for file in "${PRODUCT_FILES[@]}"; do
        [ "$file" = 使用说明.txt ] || expect_same_file "$product/$file" "$PAYLOAD_REF/$file"
    done
    expect_data_clean
}

as_latin1() {  # as_latin1 <text>: the text's code page 936 bytes as code page 1252 shows them
    python3 -c 'import sys; print(sys.argv[1].encode("gbk").decode("cp1252"))' "$1"
}
