#!/usr/bin/env bash
# Stages a sample machine with AutoCAD installed, in a Wine prefix, the way AutoCAD lays itself out.
#
#   scripts/stage-machine.sh <prefix folder> <x86|x64>
#
# x86: a 32-bit Windows (win32 prefix) with AutoCAD 2009, 2010, 2020 and 2021 in the one registry view.
# x64: a 64-bit Windows (win64 prefix) with 64-bit AutoCAD 2010, 2020 and 2021 in the 64-bit view and a
#      32-bit AutoCAD 2009 in the 32-bit view (Wow6432Node).
#
# The prefix is created when missing. Staging again puts the machine back to this state: whatever an
# installation wrote (product folders, records, demand-load entries, trusted paths, fonts) is removed
# and the AutoCAD keys, profiles, compatibility values and folders are written afresh.
# AutoCAD 2020 has no "Fonts" folder; AutoCAD 2010 has an old Brelix_EN.shx and a stale demand-load
# entry of ours; the profiles hold TRUSTEDPATHS values of several shapes.
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 <prefix folder> <x86|x64>" >&2
    exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../tests/e2e/lib/wine.sh
source "$here/../tests/e2e/lib/wine.sh"

prefix=$(realpath -m "$1")
arch=$2
e2e_use_prefix "$prefix" "$arch"

if [ "$arch" = x64 ]; then
    view=64
    # Where a 32-bit AutoCAD lives on 64-bit Windows, seen from the 64-bit side.
    wow='SOFTWARE\Wow6432Node'
    x86_files='C:\Program Files (x86)'
else
    view=
    wow='SOFTWARE'
    x86_files='C:\Program Files'
fi

# --- Remove what an earlier staging or installation left --------------------------------------------
for key in 'HKLM\SOFTWARE\Autodesk' 'HKLM\SOFTWARE\Brelix' 'HKCU\Software\Autodesk' \
    'HKCU\Software\Microsoft\Windows NT\CurrentVersion\AppCompatFlags\Layers' \
    'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Brelix' \
    'HKLM\SOFTWARE\Microsoft\Active Setup\Installed Components\Brelix' \
    'HKCU\Software\Microsoft\Active Setup\Installed Components\Brelix' \
    'HKLM\SOFTWARE\Microsoft\Active Setup\Installed Components\Brelix结构工具箱' \
    'HKCU\Software\Microsoft\Active Setup\Installed Components\Brelix结构工具箱'; do
    wine reg delete "$key" /f ${view:+/reg:64} >/dev/null 2>&1 || true
    [ -n "$view" ] && { wine reg delete "$key" /f /reg:32 >/dev/null 2>&1 || true; }
done
drive_c="$WINEPREFIX/drive_c"
rm -rf "$drive_c/Brelix" "$drive_c/Tools" "$drive_c/e2e" \
    "$drive_c/Program Files/AutoCAD "* "$drive_c/Program Files (x86)/AutoCAD "* \
    "$drive_c/Program Files/Brelix Setup" "$drive_c/Program Files (x86)/Brelix Setup"

# --- AutoCAD installation folders -------------------------------------------------------------------
make_install() {  # make_install <install folder> <year> <with fonts: yes|no>
    local folder
    folder=$(e2e_unix_path "$1")
    mkdir -p "$folder/Support"
    printf 'AutoCAD %s stand-in\r\n' "$2" >"$folder/acad.exe.txt"
    if [ "$3" = yes ]; then
        mkdir -p "$folder/Fonts"
        printf 'AutoCAD %s font\r\n' "$2" >"$folder/Fonts/txt.shx"
    fi
}
make_install "$x86_files\\AutoCAD 2009" 2009 yes
make_install 'C:\Program Files\AutoCAD 2010' 2010 yes
make_install 'C:\Program Files\AutoCAD 2020' 2020 no
make_install 'C:\Program Files\AutoCAD 2021' 2021 yes
printf 'old font from an earlier installation\r\n' >"$drive_c/Program Files/AutoCAD 2010/Fonts/Brelix_EN.shx"

# --- Registry ---------------------------------------------------------------------------------------
esc() { printf '%s' "${1//\\/\\\\}"; }
reg=$(mktemp)
trap 'rm -f "$reg"' EXIT

product_key() {  # product_key <software key> <release> <product> <year> <folder>
    cat <<REG
[HKEY_LOCAL_MACHINE\\$1\\Autodesk\\AutoCAD\\$2]
"CurVer"="$3"

[HKEY_LOCAL_MACHINE\\$1\\Autodesk\\AutoCAD\\$2\\$3]
"AcadLocation"="$(esc "$5")"
"ProductName"="AutoCAD $4 - 简体中文 (Simplified Chinese)"
"Language"="简体中文 (Simplified Chinese)"
"LocaleId"=dword:00000804
"Release"="$2"

[HKEY_LOCAL_MACHINE\\$1\\Autodesk\\AutoCAD\\$2\\$3\\Applications\\AcadVBA]
"DESCRIPTION"="AutoCAD VBA"
"LOADCTRLS"=dword:00000002
"LOADER"="$(esc "$5")\\\\vbaloader.arx"

REG
}

# long_trusted_paths <count>: "d:\lib\p0001;" and so on, 13 bytes per folder.
long_trusted_paths() {
    local i
    for ((i = 1; i <= $1; i++)); do printf 'd:\\lib\\p%04d;' "$i"; done
}

profile() {  # profile <release> <product> <profile name> [TRUSTEDPATHS] ; no 4th argument: no Variables key
    printf '[HKEY_CURRENT_USER\\Software\\Autodesk\\AutoCAD\\%s\\%s\\Profiles\\%s]\n\n' "$1" "$2" "$3"
    if [ $# -ge 4 ]; then
        printf '[HKEY_CURRENT_USER\\Software\\Autodesk\\AutoCAD\\%s\\%s\\Profiles\\%s\\Variables]\n' "$1" "$2" "$3"
        printf '"TRUSTEDPATHS"="%s"\n"ACADPREFIX"="%s"\n\n' "$(esc "$4")" "$(esc 'C:\Users\Public\Support')"
    fi
}

{
    echo 'Windows Registry Editor Version 5.00'
    echo
    product_key "$wow" R17.2 ACAD-7001:804 2009 "$x86_files\\AutoCAD 2009"
    product_key SOFTWARE R18.0 ACAD-8001:804 2010 'C:\Program Files\AutoCAD 2010'
    product_key SOFTWARE R23.1 ACAD-3001:804 2020 'C:\Program Files\AutoCAD 2020'
    product_key SOFTWARE R24.0 ACAD-4101:804 2021 'C:\Program Files\AutoCAD 2021'
    # A demand-load entry left by an older version of the product, with a value we no longer write.
    cat <<REG
[HKEY_LOCAL_MACHINE\\SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804\\Applications\\Brelix2010]
"LOADCTRLS"=dword:0000000e
"LOADER"="D:\\\\Old\\\\BRELIX2010.ARX"
"DESCRIPTION"="old entry"

REG
    profile R17.2 ACAD-7001:804 '<<未命名配置>>' ''
    profile R18.0 ACAD-8001:804 '<<未命名配置>>' 'c:\data;d:\lib'
    profile R18.0 ACAD-8001:804 '钢结构' ';'
    profile R23.1 ACAD-3001:804 '<<未命名配置>>'
    profile R24.0 ACAD-4101:804 '<<未命名配置>>' 'C:\Brelix\Brelix结构工具箱;e:\x'
    # With STAGE_FULL_TRUSTED_PATHS=1, lists too long for AutoCAD's 13000-byte reading: one longer
    # than that, one that fits but would not with the product folder added. An installer must leave
    # both as they are (and say that the product folder is not trusted there).
    if [ "${STAGE_FULL_TRUSTED_PATHS:-0}" = 1 ]; then
        profile R24.0 ACAD-4101:804 '大配置' "$(long_trusted_paths 1039)"
        profile R24.0 ACAD-4101:804 '满配置' "$(long_trusted_paths 999)"
    fi
    echo '[HKEY_CURRENT_USER\Software\Microsoft\Windows NT\CurrentVersion\AppCompatFlags\Layers]'
    printf '"%s"="~ WINXPSP3"\n' "$(esc "$x86_files\\AutoCAD 2009\\acad.exe")"
    printf '"%s"="~ WINXPSP3"\n' "$(esc 'C:\Program Files\AutoCAD 2010\acad.exe')"
    printf '"%s"="~ WINXPSP3"\n' "$(esc 'C:\Program Files\AutoCAD 2021\acad.exe')"
    printf '"%s"="WIN7RTM"\n' "$(esc 'C:\Tools\other.exe')"
    echo
} >"$reg"

e2e_reg_import "$reg" "$view"
echo "staged $arch machine in $prefix"
