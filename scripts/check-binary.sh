#!/usr/bin/env bash
# Checks a built SetUp.exe as it is shipped:
#
#   scripts/check-binary.sh <SetUp.exe> <32|64>
#
# - it imports only system DLLs from a fixed list (a DLL outside it would be looked for beside the
#   program, where a planted copy would be loaded before the first line of WinMain runs);
# - it carries no debug sections, and the 32-bit build is at most 300 KB, so that neither creeps back;
# - its manifest asks for administrator rights and Common Controls 6 and names the Windows versions
#   from Vista to 11;
# - it carries the manifest of BrelixUser.exe (the copy of itself it writes out), which asks for no
#   elevation.
# Prints each failed check and exits non-zero when any fails.
set -uo pipefail

exe=${1:?usage: $0 <SetUp.exe> <32|64>}
bitness=${2:?usage: $0 <SetUp.exe> <32|64>}
case "$bitness" in
    32) objdump=i686-w64-mingw32-objdump ;;
    64) objdump=x86_64-w64-mingw32-objdump ;;
    *) echo "bitness must be 32 or 64" >&2; exit 2 ;;
esac
[ -f "$exe" ] || { echo "$exe: no such file" >&2; exit 2; }

# shell32 and ole32 are loaded on first use (delay-loaded), after the DLL search is restricted.
allowed_imports="advapi32.dll comctl32.dll gdi32.dll kernel32.dll msvcrt.dll user32.dll"
max_bytes_32=$((300 * 1024))
user_manifest_texts=('level="asInvoker"')
manifest_texts=(
    'level="requireAdministrator"'
    'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"'
    '{e2011457-1546-43c5-a5fe-008deee3d3f0}'
    '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}'
    '{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}'
    '{1f676c76-80e1-4239-95bb-83d0f6d0da78}'
    '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}'
)

failed=0
fail() {
    echo "   FAILED: $(basename "$1") ($bitness-bit): ${*:2}"
    failed=1
}

# check_imports_and_debug <exe>: sets `imports`.
check_imports_and_debug() {
    local headers dll debug_sections
    headers=$("$objdump" -p "$1") || { fail "$1" "objdump cannot read it"; return; }
    imports=$(awk '/DLL Name:/ { print tolower($3) }' <<<"$headers" | sort -u)
    [ -n "$imports" ] || fail "$1" "no import table found"
    for dll in $imports; do
        [[ " $allowed_imports " == *" $dll "* ]] || fail "$1" "imports $dll, which is not on the list of system DLLs"
    done
    debug_sections=$("$objdump" -h "$1" | awk '$2 ~ /^\.debug/ { print $2 }' | tr '\n' ' ')
    [ -z "$debug_sections" ] || fail "$1" "carries debug sections: $debug_sections"
    imports=$(echo $imports)
}

# check_manifest <exe> <text>...: the manifest is stored as is in the resource section.
check_manifest() {
    local file=$1 text
    shift
    for text in "$@"; do
        grep -qF -- "$text" "$file" || fail "$file" "its manifest lacks $text"
    done
}

check_imports_and_debug "$exe"
size=$(stat -c %s "$exe")
if [ "$bitness" = 32 ] && [ "$size" -gt "$max_bytes_32" ]; then
    fail "$exe" "is $size bytes, more than $max_bytes_32"
fi
check_manifest "$exe" "${manifest_texts[@]}" "${user_manifest_texts[@]}"
[ "$failed" -eq 0 ] && echo "   $(basename "$exe") ($bitness-bit): $size bytes, imports $imports, no debug sections, manifests complete"
exit "$failed"
