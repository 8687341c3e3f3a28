# What the scenarios share: where things are on the staged machine, and the walks through the wizard.

LIBRARY="Brelix扩展绘图库"
PRODUCT_NAME="Brelix结构工具箱"
COMPLETION="安装完成，重启AutoCAD即可使用 !"

# Files the installer copies from the sample payload into the product folder (all but setup.exe, the
# two fonts, the parts list and the Help subfolder), and the drawing library.
PRODUCT_FILES=(BRELIX2000.ARX BRELIX2004.ARX BRELIX2008.ARX BRELIX2010.ARX BRELIX2013.ARX BRELIX2015.ARX
    BRELIX2017.ARX BRELIX2018.ARX BRELIX2019.ARX BRELIX2021.ARX BRELIX2025.ARX
    Brelix.CFG BrelixDraw.cfg Brelix.SEC Brelix.mnu Brelix.dll 使用说明.txt)
LIBRARY_FILES=(钢梁节点.SJY Column.SJY 说明.txt)

# Paths on the staged machine (set by use_machine).
use_machine() {  # use_machine <prefix> <x86|x64>
    e2e_use_prefix "$1" "$2" || return 1
    DRIVE_C="$WINEPREFIX/drive_c"
    SETUP_DIR="$DRIVE_C/e2e/setup"
    DATA="$SETUP_DIR/Data"
    PRODUCT="$DRIVE_C/Brelix/$PRODUCT_NAME"
    if [ "$2" = x64 ]; then
        X86_FILES="$DRIVE_C/Program Files (x86)"
    else
        X86_FILES="$DRIVE_C/Program Files"
    fi
    # The setup folder of each build: below the Program Files folder of its own registry view.
    SETUP_FOLDER_32="$X86_FILES/Brelix Setup"
    SETUP_FOLDER_64="$DRIVE_C/Program Files/Brelix Setup"
}

# The name of the swap journal the installation keeps in its setup folder about a product folder,
# given as Windows spells it: the checksum of its name in capitals (code page 936).
swap_journal_name() {  # swap_journal_name <product folder>
    python3 -c 'import sys, zlib; print("BrelixSwap-%08x.swp" % zlib.crc32(sys.argv[1].upper().encode("gbk")))' "$1"
}

# A reference copy of the payload of a given version, to compare installed files with.
payload_reference() {  # payload_reference <version> → prints the folder
    local folder="$E2E_WORK/payload-$1"
    [ -d "$folder" ] || PAYLOAD_VERSION=$1 "$E2E_SCRIPTS/make-payload.sh" "$folder" >/dev/null
    printf '%s\n' "$folder"
}

# stage <x86|x64> <SetUp.exe> [payload version|none]: a fresh staged machine with the wizard in
# C:\e2e\setup beside its Data folder ("none": without Data).
stage() {
    local arch=$1 exe=$2 version=${3:-20240327}
    "$E2E_SCRIPTS/stage-machine.sh" "$WINEPREFIX" "$arch" >/dev/null || { fail "staging failed"; return 1; }
    mkdir -p "$SETUP_DIR"
    cp "$exe" "$SETUP_DIR/SetUp.exe"
    if [ "$version" != none ]; then
        put_payload "$version"
    fi
}

put_payload() {  # put_payload <version>: replaces the Data folder beside the wizard
    PAYLOAD_VERSION=$1 "$E2E_SCRIPTS/make-payload.sh" "$DATA" >/dev/null
    PAYLOAD_REF=$(payload_reference "$1")
}

# The walk from the licence to page 3 with every choice left as offered.
WALK_TO_PAGE3='
wait-page 在安装之前，请认真阅读许可协议：
click 1
wait-page 请选择安装组件：
click 1
wait-page 请选择安装路径：
'

# Press 安  装 and expect the completion message, then the end of the wizard.
INSTALL_AND_FINISH="
post-click 1
wait-message \"$COMPLETION\" 60
expect-caption Brelix安装
expect-owner 请选择安装路径：
expect-progress 1003 50 0 50
answer 1
wait-exit
"

# walk_and_install: the wizard from its start through every page with what they offer, installed, ended.
walk_and_install() {
    wizard_start "$SETUP_DIR/SetUp.exe"
    drive <<<"$WALK_TO_PAGE3$INSTALL_AND_FINISH" || return 1
    wizard_ended
}

# install_keeping [driver lines]: the wizard run again over an earlier installation: page 3 offers to
# keep its configuration, ticked; after the given lines (each ending in a line break) it installs.
install_keeping() {
    wizard_start "$SETUP_DIR/SetUp.exe"
    drive <<<"${WALK_TO_PAGE3}expect-text 1014 请选择是否保留配置及安装路径：
check 1009 expect 1
${1:-}$INSTALL_AND_FINISH" || return 1
    wizard_ended
}

# expect_product <product folder> <payload reference> [extra entries...]: the product folder holds the
# payload's product files and drawing library, each a copy of the payload's file, an empty temp folder,
# and the extra entries given (the user's own files); no uninstaller and no record, which live in the
# setup folder below Program Files.
expect_product() {
    local product=$1 reference=$2
    shift 2
    local entries=("${PRODUCT_FILES[@]}" temp/ "$LIBRARY/")
    local f
    for f in "${LIBRARY_FILES[@]}"; do entries+=("$LIBRARY/$f"); done
    expect_listing "$product" "${entries[@]}" "$@"
    for f in "${PRODUCT_FILES[@]}"; do
        [ -n "${KEPT_FILES[$f]:-}" ] || expect_same_file "$product/$f" "$reference/$f"
    done
    for f in "${LIBRARY_FILES[@]}"; do
        [ -n "${KEPT_FILES[$LIBRARY/$f]:-}" ] || expect_same_file "$product/$LIBRARY/$f" "$reference/$LIBRARY/$f"
    done
}
declare -A KEPT_FILES=()

# expect_setup_folder <folder> [extra entries...]: the setup folder holds the uninstaller, a copy of the
# wizard, and the record, which names the product folder C:\Brelix\Brelix结构工具箱.
expect_setup_folder() {
    local folder=$1
    shift
    expect_listing "$folder" BrelixUser.exe Uninstall.exe Brelix安装记录.txt "$@"
    expect_same_file "$folder/Uninstall.exe" "$SETUP_DIR/SetUp.exe"
    local line
    line=$(iconv -f GBK -t UTF-8 <"$folder/Brelix安装记录.txt" | grep -a '^FOLDER' | tr -d '\r')
    expect_eq "the record's product folder" "$line" $'FOLDER\tC:\\Brelix\\'"$PRODUCT_NAME"
}

# The Data folder is as generated: the temporary folders of the configuration backup are gone.
expect_data_clean() {
    expect_missing "$DATA/SetUp_Temp1"
    expect_missing "$DATA/SetUp_Temp2"
}

# expect_fonts <install folder> <payload reference>: both shape fonts are copies of the payload's.
expect_fonts() {
    expect_same_file "$1/Fonts/Brelix_EN.shx" "$2/Brelix_EN.shx"
    expect_same_file "$1/Fonts/Brelix_HZ.shx" "$2/Brelix_HZ.shx"
}

# expect_demand_load <release key> <year> <module> <root> [64|32]: the entry below the release's
# product key holds exactly LOADCTRLS 2 and LOADER naming the module in the product folder.
expect_demand_load() {
    local key="HKLM\\SOFTWARE\\$1\\Applications\\Brelix$2"
    expect_reg_names "$key" LOADCTRLS LOADER -- "${5:-}"
    expect_reg "$key" LOADCTRLS dword:00000002 "${5:-}"
    expect_reg "$key" LOADER "$4\\$PRODUCT_NAME\\$3" "${5:-}"
}

PROFILES='HKCU\Software\Autodesk\AutoCAD'
LAYERS='HKCU\Software\Microsoft\Windows NT\CurrentVersion\AppCompatFlags\Layers'

# The staged profiles whose TRUSTEDPATHS lists are too long to take the product folder (13 bytes per
# folder: 1039 folders do not fit a 13000-byte reading, 999 fit but leave no room) keep their lists.
expect_long_trusted_paths_kept() {
    local count profile list i
    for entry in 1039:大配置 999:满配置; do
        count=${entry%%:*}
        profile=${entry#*:}
        list=
        for ((i = 1; i <= count; i++)); do list+=$(printf 'd:\\lib\\p%04d;' "$i"); done
        expect_reg "$PROFILES\\R24.0\\ACAD-4101:804\\Profiles\\$profile\\Variables" TRUSTEDPATHS "$list"
    done
}
