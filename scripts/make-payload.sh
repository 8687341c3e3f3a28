#!/usr/bin/env bash
# Generates a sample product payload: the "Data" folder that ships beside SetUp.exe.
#
#   scripts/make-payload.sh <folder>
#
# <folder> is created (or emptied) and filled with small text files standing in for the real product:
# one module build per supported AutoCAD group, factory settings, a section library, the two shape fonts,
# the parts list, a setup.exe that the installer must not copy, a subfolder it must not copy, and the
# extended drawing library. Every file's content names the file and the payload version, so a test can
# tell an installed copy from a user's edited one.
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 <folder>" >&2
    exit 2
fi
data=$1
version=${PAYLOAD_VERSION:-20240327}

rm -rf "$data"
mkdir -p "$data"

put() {  # put <relative path> [extra text]
    printf 'Brelix payload %s: %s%s\r\n' "$version" "$1" "${2:+ $2}" > "$data/$1"
}

for build in 2000 2004 2008 2010 2013 2015 2017 2018 2019 2021 2025; do
    put "BRELIX$build.ARX"
done
put "Brelix.CFG" "factory settings"
put "BrelixDraw.cfg" "factory drawing settings"
put "Brelix.SEC" "factory section library"
put "Brelix.mnu" "menu"
put "Brelix.dll" "support library"
put "使用说明.txt" "user guide"
put "Brelix_EN.shx" "english shape font"
put "Brelix_HZ.shx" "chinese shape font"
put "Brelix.prt" "parts list"
put "setup.exe" "must not be installed"

mkdir -p "$data/Help"
put "Help/Brelix.chm" "help in a subfolder, not installed"

library="Brelix扩展绘图库"
mkdir -p "$data/$library"
put "$library/钢梁节点.SJY" "factory drawing library"
put "$library/Column.SJY" "factory drawing library"
put "$library/说明.txt" "library notes"
