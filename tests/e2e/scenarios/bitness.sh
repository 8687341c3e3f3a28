# The two builds on one staged 64-bit machine: the 32-bit build sees the 32-bit registry view and offers
# 2004 to 2016; the 64-bit build offers 2005 to 2025 and installs into both views.

GRID32="1023 1024 1025 1018 1019 1020 1027 1026 1028 1029 1030 1031 1032"
GRID64="1024 1025 1018 1019 1020 1027 1026 1028 1029 1030 1031 1032 1033 1034 1035 1036 1037 1038 1039 1040 1041"

scenario_32bit_build_on_64bit_machine() {
    stage x64 "$SETUP32" || return 1
    wizard_start "$SETUP_DIR/SetUp.exe"
    drive <<EOF || return 1
wait-page 在安装之前，请认真阅读许可协议：
expect-text 1011 "Brelix结构工具箱 V2024.3.27 (32位版本)"
click 1
wait-page 请选择安装组件：
expect-grid 7 $GRID32
expect-visible 1036 0
expect-visible 1037 0
# Only the 32-bit AutoCAD 2009 is visible to a 32-bit program.
expect-enabled 1020 1
check 1020 expect 1
expect-enabled 1027 0
check 1027 expect 0
EOF
    shot page2-releases-32bit-on-64bit
    drive <<EOF || return 1
click 1
wait-page 请选择安装路径：
$INSTALL_AND_FINISH
EOF
    wizard_ended || return 1
    # Everything goes into the 32-bit view: the record, and 2009's entry, once (found through both of the
    # program's paths to the same key). The 64-bit AutoCAD installations are not touched.
    local folder="C:\\Brelix\\$PRODUCT_NAME"
    expect_product "$PRODUCT" "$PAYLOAD_REF"
    expect_reg 'HKLM\SOFTWARE\Brelix' Brelix_Path "$folder" 32
    expect_no_reg_key 'HKLM\SOFTWARE\Brelix' 64
    expect_demand_load 'Autodesk\AutoCAD\R17.2\ACAD-7001:804' 2009 BRELIX2008.ARX 'C:\Brelix' 32
    expect_reg 'HKLM\SOFTWARE\Autodesk\AutoCAD\R18.0\ACAD-8001:804\Applications\Brelix2010' LOADER \
        'D:\Old\BRELIX2010.ARX' 64
    expect_no_reg_key 'HKLM\SOFTWARE\Autodesk\AutoCAD\R23.1\ACAD-3001:804\Applications\Brelix2020' 64
    expect_no_reg_key 'HKLM\SOFTWARE\Autodesk\AutoCAD\R24.0\ACAD-4101:804\Applications\Brelix2021' 64
    # Profiles are per user and not redirected: all of them get the trusted path.
    expect_reg "$PROFILES\\R23.1\\ACAD-3001:804\\Profiles\\<<未命名配置>>\\Variables" TRUSTEDPATHS "$folder"
    # Only the found 2009 loses its compatibility value.
    expect_reg_names "$LAYERS" 'C:\\Program Files\\AutoCAD 2010\\acad.exe' \
        'C:\\Program Files\\AutoCAD 2021\\acad.exe' 'C:\\Tools\\other.exe'
    expect_fonts "$X86_FILES/AutoCAD 2009" "$PAYLOAD_REF"
    expect_content "$DRIVE_C/Program Files/AutoCAD 2010/Fonts/Brelix_EN.shx" \
        $'old font from an earlier installation\r'
    expect_missing "$DRIVE_C/Program Files/AutoCAD 2010/Fonts/Brelix_HZ.shx"
    expect_eq "demand-load entries recorded for 2009" \
        "$(grep -ac 'Applications.Brelix2009' "$SETUP_FOLDER_32/Brelix安装记录.txt")" 1
    # The 64-bit releases are named, with the package that serves them; asking for one says so.
    silent /S /RELEASES=2010 "/LOG=$SILENT_LOG_WIN"
    expect_eq "a 64-bit release asked of the 32-bit build" "$SILENT_EXIT" 2
    expect_log "本机的 AutoCAD 2010 是 64 位的，需要 64 位安装程序"
    expect_log "本程序（32 位版本）不为 AutoCAD 2021（64 位）安装，需要 64 位安装程序"
}

scenario_64bit_build_installs() {
    STAGE_FULL_TRUSTED_PATHS=1 stage x64 "$SETUP64" || return 1
    wizard_start "$SETUP_DIR/SetUp.exe"
    drive <<EOF || return 1
wait-page 在安装之前，请认真阅读许可协议：
expect-text 1011 "Brelix结构工具箱 V2024.3.27 (64位版本)"
click 1
wait-page 请选择安装组件：
expect-grid 7 $GRID64
expect-visible 1021 0
expect-visible 1022 0
expect-visible 1023 0
expect-enabled 1020 1
check 1020 expect 1
expect-enabled 1027 1
check 1027 expect 1
expect-enabled 1036 1
check 1036 expect 1
expect-enabled 1037 1
check 1037 expect 1
expect-enabled 1024 0
check 1024 expect 0
expect-enabled 1041 0
check 1041 expect 0
EOF
    shot page2-releases-64bit
    drive <<EOF || return 1
click 1
wait-page 请选择安装路径：
expect-text 1013 "Brelix结构工具箱 V2024.3.27 (64位版本)"
post-click 1
# The two profiles whose lists are full cannot trust the product folder: the end message says so.
wait-message 安装已结束，但以下各项没有完成： 60
wait-message 大配置
wait-message 满配置
expect-caption Brelix安装
expect-progress 1003 50 0 50
answer 1
wait-exit
EOF
    wizard_ended || return 1
    local folder="C:\\Brelix\\$PRODUCT_NAME"
    expect_product "$PRODUCT" "$PAYLOAD_REF"
    expect_data_clean
    # Both builds keep the record in the 32-bit view.
    expect_reg 'HKLM\SOFTWARE\Brelix' Brelix_Path "$folder" 32
    expect_no_reg_key 'HKLM\SOFTWARE\Brelix' 64
    expect_demand_load 'Wow6432Node\Autodesk\AutoCAD\R17.2\ACAD-7001:804' 2009 BRELIX2008.ARX 'C:\Brelix' 64
    expect_demand_load 'Autodesk\AutoCAD\R18.0\ACAD-8001:804' 2010 BRELIX2010.ARX 'C:\Brelix' 64
    expect_demand_load 'Autodesk\AutoCAD\R23.1\ACAD-3001:804' 2020 BRELIX2019.ARX 'C:\Brelix' 64
    expect_demand_load 'Autodesk\AutoCAD\R24.0\ACAD-4101:804' 2021 BRELIX2021.ARX 'C:\Brelix' 64
    expect_reg "$PROFILES\\R23.1\\ACAD-3001:804\\Profiles\\<<未命名配置>>\\Variables" TRUSTEDPATHS "$folder"
    expect_reg "$PROFILES\\R24.0\\ACAD-4101:804\\Profiles\\<<未命名配置>>\\Variables" TRUSTEDPATHS \
        "C:\\BRELIX\\BRELIX结构工具箱;E:\\X"
    expect_long_trusted_paths_kept
    expect_reg_names "$LAYERS" 'C:\\Program Files\\AutoCAD 2021\\acad.exe' 'C:\\Tools\\other.exe'
    expect_fonts "$X86_FILES/AutoCAD 2009" "$PAYLOAD_REF"
    expect_fonts "$DRIVE_C/Program Files/AutoCAD 2010" "$PAYLOAD_REF"
    expect_fonts "$DRIVE_C/Program Files/AutoCAD 2021" "$PAYLOAD_REF"
    expect_missing "$DRIVE_C/Program Files/AutoCAD 2020/Fonts"
}

# The 64-bit build finds its own record again and keeps the user's files on re-install.
scenario_64bit_reinstall_keeping() {
    stage x64 "$SETUP64" || return 1
    walk_and_install || return 1
    edit_user_files
    put_payload 20250101
    install_keeping || return 1
    expect_content "$PRODUCT/Brelix.CFG" $'user settings\r'
    expect_content "$PRODUCT/Brelix.SEC" $'user sections\r'
    expect_content "$PRODUCT/$LIBRARY/Column.SJY" $'user drawing library\r'
    expect_same_file "$PRODUCT/BRELIX2021.ARX" "$PAYLOAD_REF/BRELIX2021.ARX"
    expect_data_clean
}
