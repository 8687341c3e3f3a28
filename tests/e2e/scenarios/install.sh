# Installing on the staged 32-bit machine with the 32-bit build: the first installation with the default
# root, and re-installations that keep, or do not keep, the user's settings and libraries.

# First run on a machine without an earlier installation, default choices, every page checked as the
# user sees it, screenshots of each page.
scenario_first_install() {
    stage x86 "$SETUP32" || return 1
    wizard_start "$SETUP_DIR/SetUp.exe"
    drive <<EOF || return 1
wait-page 在安装之前，请认真阅读许可协议：
expect-caption Brelix安装
expect-text 1011 "Brelix结构工具箱 V2024.3.27 (32位版本)"
check 1009 expect 1
check 1008 expect 0
expect-enabled 1 1
expect-enabled 1005 0
expect-enabled 1014 0
expect-enabled 1015 1
expect-contains 1013 "Brelix 结构工具箱最终用户许可协议"
expect-contains 1013 重要须知━请认真阅读：
EOF
    shot page1-licence
    drive <<EOF || return 1
# Turning the licence screens: both buttons on the middle screens, only 上一页 on the last.
click 1015
expect-contains 1013 1．版权
expect-enabled 1014 1
expect-enabled 1015 1
click 1015
expect-contains 1013 3．鉴定
click 1015
expect-contains 1013 "本协议最终修订日期： 2020-03-15"
expect-enabled 1015 0
expect-enabled 1014 1
# 不同意 greys 下一步, also across screen turns; 同意 brings it back.
click 1008
expect-enabled 1 0
click 1014
check 1008 expect 1
expect-enabled 1 0
EOF
    expect_refused click 1
    drive <<EOF || return 1
expect-text 1012 在安装之前，请认真阅读许可协议：
click 1009
expect-enabled 1 1
click 1
wait-page 请选择安装组件：
expect-text 1011 "Brelix结构工具箱 V2024.3.27 (32位版本)"
# 2004 to 2016 fill the grid column by column; only the found 2009 and 2010 are offered and ticked.
expect-grid 7 1023 1024 1025 1018 1019 1020 1027 1026 1028 1029 1030 1031 1032
expect-visible 1021 0
expect-visible 1022 0
expect-visible 1033 0
expect-visible 1036 0
expect-visible 1037 0
expect-visible 1041 0
expect-enabled 1020 1
check 1020 expect 1
expect-enabled 1027 1
check 1027 expect 1
expect-enabled 1023 0
check 1023 expect 0
expect-enabled 1026 0
check 1026 expect 0
expect-enabled 1032 0
expect-enabled 1 1
EOF
    shot page2-releases
    drive <<EOF || return 1
# Unticking both found releases greys 下一步.
click 1020
click 1027
expect-enabled 1 0
EOF
    expect_refused click 1
    expect_refused click 1036
    drive <<EOF || return 1
# Nor does Enter leave the page while 下一步 is greyed.
press-key enter
sleep 500
expect-text 1012 请选择安装组件：
click 1027
expect-enabled 1 1
click 1020
# With 下一步 enabled again, Enter moves on.
press-key enter
wait-page 请选择安装路径：
expect-text 1013 "Brelix结构工具箱 V2024.3.27 (32位版本)"
expect-text 1014 请选择安装路径：
expect-text 1000 C:\Brelix
expect-text 1 "安  装"
expect-enabled 1009 0
check 1009 expect 0
expect-enabled 1010 0
check 1010 expect 0
expect-enabled 1011 0
expect-enabled 1012 0
check 1012 expect 0
expect-enabled 1001 1
EOF
    shot page3-path
    drive <<EOF || return 1
post-click 1
wait-message "$COMPLETION" 60
expect-caption Brelix安装
expect-owner 请选择安装路径：
expect-progress 1003 50 0 50
EOF
    shot page3-installed
    drive <<EOF || return 1
answer 1
wait-exit
EOF
    wizard_ended || return 1
    check_first_install_x86 'C:\Brelix' "$PRODUCT"
}

# Everything a successful installation of the 32-bit build writes on the staged 32-bit machine.
# check_first_install_x86 <root as typed, Windows form> <product folder, Unix path>
check_first_install_x86() {
    local root=$1 product=$2
    local folder="$root\\$PRODUCT_NAME"
    local upper="${folder^^}"
    expect_product "$product" "$PAYLOAD_REF"
    expect_data_clean
    expect_reg 'HKLM\SOFTWARE\Brelix' Brelix_Path "$folder"
    # 2009 is served by the 2008 build, 2010 by its own; 2020 and 2021 are not offered by this build.
    expect_demand_load 'Autodesk\AutoCAD\R17.2\ACAD-7001:804' 2009 BRELIX2008.ARX "$root"
    expect_demand_load 'Autodesk\AutoCAD\R18.0\ACAD-8001:804' 2010 BRELIX2010.ARX "$root"
    expect_no_reg_key 'HKLM\SOFTWARE\Autodesk\AutoCAD\R23.1\ACAD-3001:804\Applications\Brelix2020'
    expect_no_reg_key 'HKLM\SOFTWARE\Autodesk\AutoCAD\R24.0\ACAD-4101:804\Applications\Brelix2021'
    expect_reg 'HKLM\SOFTWARE\Autodesk\AutoCAD\R18.0\ACAD-8001:804\Applications\AcadVBA' LOADER \
        'C:\Program Files\AutoCAD 2010\vbaloader.arx'
    # Trusted paths in every profile of every release, chosen or not.
    expect_reg "$PROFILES\\R17.2\\ACAD-7001:804\\Profiles\\<<未命名配置>>\\Variables" TRUSTEDPATHS "$folder"
    expect_reg "$PROFILES\\R18.0\\ACAD-8001:804\\Profiles\\<<未命名配置>>\\Variables" TRUSTEDPATHS \
        "C:\\DATA;D:\\LIB;$upper"
    expect_reg "$PROFILES\\R18.0\\ACAD-8001:804\\Profiles\\钢结构\\Variables" TRUSTEDPATHS "$folder"
    # Already present (in any letter case) counts: the value is only upper-cased.
    local r24='C:\BRELIX\BRELIX结构工具箱;E:\X'
    [ "$upper" = 'C:\BRELIX\BRELIX结构工具箱' ] || r24="$r24;$upper"
    expect_reg "$PROFILES\\R24.0\\ACAD-4101:804\\Profiles\\<<未命名配置>>\\Variables" TRUSTEDPATHS "$r24"
    expect_reg_names "$PROFILES\\R23.1\\ACAD-3001:804\\Profiles\\<<未命名配置>>\\Variables" TRUSTEDPATHS
    expect_reg "$PROFILES\\R23.1\\ACAD-3001:804\\Profiles\\<<未命名配置>>\\Variables" TRUSTEDPATHS "$folder"
    expect_reg "$PROFILES\\R18.0\\ACAD-8001:804\\Profiles\\<<未命名配置>>\\Variables" ACADPREFIX \
        'C:\Users\Public\Support'
    # The compatibility values of 2009 and 2010 go; 2021's and other programs' stay.
    expect_reg_names "$LAYERS" 'C:\\Program Files\\AutoCAD 2021\\acad.exe' 'C:\\Tools\\other.exe'
    # Fonts for the chosen releases only, and no Fonts folder made where there was none.
    expect_fonts "$X86_FILES/AutoCAD 2009" "$PAYLOAD_REF"
    expect_fonts "$DRIVE_C/Program Files/AutoCAD 2010" "$PAYLOAD_REF"
    expect_listing "$DRIVE_C/Program Files/AutoCAD 2021/Fonts" txt.shx
    expect_missing "$DRIVE_C/Program Files/AutoCAD 2020/Fonts"
}

# The user's own edits between two installations.
edit_user_files() {
    printf 'user settings\r\n' >"$PRODUCT/Brelix.CFG"
    printf 'user drawing settings\r\n' >"$PRODUCT/BrelixDraw.cfg"
    printf 'user sections\r\n' >"$PRODUCT/Brelix.SEC"
    printf 'my sections\r\n' >"$PRODUCT/MyBeams.sec"
    printf 'user drawing library\r\n' >"$PRODUCT/$LIBRARY/Column.SJY"
    printf 'my drawing library\r\n' >"$PRODUCT/$LIBRARY/我的节点.SJY"
}

# Second run over the first: the keep options are offered ticked; their master box behaves; the new
# payload is installed and the user's settings, sections and drawing library survive.
scenario_reinstall_keeping() {
    stage x86 "$SETUP32" || return 1
    walk_and_install || return 1
    edit_user_files
    put_payload 20250101
    wizard_start "$SETUP_DIR/SetUp.exe"
    drive <<EOF || return 1
$WALK_TO_PAGE3
expect-text 1014 请选择是否保留配置及安装路径：
check 1009 expect 1
check 1010 expect 1
check 1011 expect 1
check 1012 expect 1
expect-enabled 1010 1
# Unticking the three parts one by one: the third unticks the master and greys the parts.
click 1010
click 1011
expect-enabled 1012 1
check 1009 expect 1
click 1012
check 1009 expect 0
expect-enabled 1010 0
expect-enabled 1011 0
expect-enabled 1012 0
# Ticking the master ticks and enables all three.
click 1009
check 1010 expect 1
check 1011 expect 1
check 1012 expect 1
expect-enabled 1011 1
EOF
    shot page3-keep
    drive <<<"$INSTALL_AND_FINISH" || return 1
    wizard_ended || return 1
    # Every .CFG, .SEC and .SJY file the user changed or added is kept; 钢梁节点.SJY, as installed, is the
    # factory's and takes the new version.
    KEPT_FILES=([Brelix.CFG]=1 [BrelixDraw.cfg]=1 [Brelix.SEC]=1 ["$LIBRARY/Column.SJY"]=1)
    expect_product "$PRODUCT" "$PAYLOAD_REF" MyBeams.sec "$LIBRARY/我的节点.SJY"
    KEPT_FILES=()
    expect_content "$PRODUCT/Brelix.CFG" $'user settings\r'
    expect_content "$PRODUCT/BrelixDraw.cfg" $'user drawing settings\r'
    expect_content "$PRODUCT/Brelix.SEC" $'user sections\r'
    expect_content "$PRODUCT/MyBeams.sec" $'my sections\r'
    expect_content "$PRODUCT/$LIBRARY/Column.SJY" $'user drawing library\r'
    expect_content "$PRODUCT/$LIBRARY/我的节点.SJY" $'my drawing library\r'
    expect_data_clean
    expect_reg 'HKLM\SOFTWARE\Brelix' Brelix_Path "C:\\Brelix\\$PRODUCT_NAME"
    # The trusted path is not added twice.
    expect_reg "$PROFILES\\R18.0\\ACAD-8001:804\\Profiles\\<<未命名配置>>\\Variables" TRUSTEDPATHS \
        "C:\\DATA;D:\\LIB;C:\\BRELIX\\BRELIX结构工具箱"
    expect_reg "$PROFILES\\R17.2\\ACAD-7001:804\\Profiles\\<<未命名配置>>\\Variables" TRUSTEDPATHS \
        "C:\\BRELIX\\BRELIX结构工具箱"
}

# A run that keeps nothing: the payload's factory files replace the user's edits, the user's own extra
# files stay (deployment never deletes), and no temporary folder is made in Data.
scenario_reinstall_not_keeping() {
    stage x86 "$SETUP32" || return 1
    walk_and_install || return 1
    edit_user_files
    put_payload 20250101
    wizard_start "$SETUP_DIR/SetUp.exe"
    drive <<EOF || return 1
$WALK_TO_PAGE3
check 1009 expect 1
click 1009
check 1010 expect 0
check 1011 expect 0
check 1012 expect 0
$INSTALL_AND_FINISH
EOF
    wizard_ended || return 1
    expect_product "$PRODUCT" "$PAYLOAD_REF" MyBeams.sec "$LIBRARY/我的节点.SJY"
    expect_content "$PRODUCT/MyBeams.sec" $'my sections\r'
    expect_data_clean
}

# Code page 936 paths whose characters end in the byte of "\" (誠 is D5 5C): the wizard, renamed, runs
# from such a folder and installs under such a root. Finding Data beside the program, the product
# folder under the root, the registered module path and the fonts' source all need the real last
# separator, not the last 0x5C byte.
scenario_dbcs_paths() {
    stage x86 "$SETUP32" || return 1
    local setup="$DRIVE_C/e2e/工程誠"
    mkdir -p "$setup" "$DRIVE_C/Tools"
    mv "$SETUP_DIR/SetUp.exe" "$setup/SetUp誠.exe"
    mv "$DATA" "$setup/Data"
    local root='C:\Tools\工具誠'
    wizard_start "$setup/SetUp誠.exe"
    drive <<EOF || return 1
$WALK_TO_PAGE3
type 1000 "$root"
$INSTALL_AND_FINISH
EOF
    wizard_ended || return 1
    local folder="$root\\$PRODUCT_NAME"
    expect_product "$DRIVE_C/Tools/工具誠/$PRODUCT_NAME" "$PAYLOAD_REF"
    # Nothing was made under a name cut at the 0x5C byte.
    expect_eq "folders under C:\\Tools" "$(ls "$DRIVE_C/Tools")" "工具誠"
    expect_reg 'HKLM\SOFTWARE\Brelix' Brelix_Path "$folder"
    expect_demand_load 'Autodesk\AutoCAD\R18.0\ACAD-8001:804' 2010 BRELIX2010.ARX "$root"
    expect_reg "$PROFILES\\R23.1\\ACAD-3001:804\\Profiles\\<<未命名配置>>\\Variables" TRUSTEDPATHS "$folder"
    expect_fonts "$DRIVE_C/Program Files/AutoCAD 2010" "$PAYLOAD_REF"
    expect_missing "$setup/Data/SetUp_Temp1"
}

# Keeping only some parts, chosen before a trip back to page 2 (the ticks survive it): the section
# library is replaced by the new payload's, settings and drawing library are kept.
scenario_reinstall_partial_keep() {
    stage x86 "$SETUP32" || return 1
    walk_and_install || return 1
    edit_user_files
    put_payload 20250101
    wizard_start "$SETUP_DIR/SetUp.exe"
    drive <<EOF || return 1
$WALK_TO_PAGE3
click 1011
click 1005
wait-page 请选择安装组件：
click 1
wait-page 请选择安装路径：
check 1009 expect 1
check 1010 expect 1
check 1011 expect 0
check 1012 expect 1
expect-enabled 1011 1
$INSTALL_AND_FINISH
EOF
    wizard_ended || return 1
    KEPT_FILES=([Brelix.CFG]=1 [BrelixDraw.cfg]=1 ["$LIBRARY/Column.SJY"]=1)
    expect_product "$PRODUCT" "$PAYLOAD_REF" MyBeams.sec "$LIBRARY/我的节点.SJY"
    KEPT_FILES=()
    expect_content "$PRODUCT/Brelix.CFG" $'user settings\r'
    expect_content "$PRODUCT/BrelixDraw.cfg" $'user drawing settings\r'
    expect_content "$PRODUCT/$LIBRARY/Column.SJY" $'user drawing library\r'
    # Not kept: the new payload's section library; the user's extra one is simply left alone.
    expect_same_file "$PRODUCT/Brelix.SEC" "$PAYLOAD_REF/Brelix.SEC"
    expect_content "$PRODUCT/MyBeams.sec" $'my sections\r'
    expect_data_clean
}
