#!/usr/bin/env bash
# Checks a built SetUp.exe and the BrelixUser.exe it carries as they are shipped:
#
#   scripts/check-binary.sh <SetUp.exe> <32|64> [BrelixUser.exe]
#
# (BrelixUser.exe beside SetUp.exe when not named.)
# - both import only system DLLs from a fixed list (a DLL outside it would be looked for beside the
#   program, where a planted copy would be loaded before the first line of WinMain runs);
#   BrelixUser.exe none of the window DLLs, since it has no window;
# - neither carries debug sections; the 32-bit SetUp.exe is at most 440 KB with BrelixUser.exe inside,
#   and the 32-bit BrelixUser.exe at most 100 KB, so that neither creeps back;
# - SetUp.exe's manifest asks for administrator rights and Common Controls 6 and names the Windows
#   versions from Vista to 11, and declares per-monitor DPI awareness (system-wide as the fallback);
#   BrelixUser.exe's asks for no elevation;
# - SetUp.exe carries BrelixUser.exe packed by scripts/lznt1.py, which unpacks to it byte for byte (a
#   signed one keeps its signature when written out).
# Prints each failed check and exits non-zero when any fails.
set -uo pipefail

usage="usage: $0 <SetUp.exe> <32|64> [BrelixUser.exe]"
exe=${1:?$usage}
bitness=${2:?$usage}
user=${3:-$(dirname "$exe")/BrelixUser.exe}
case "$bitness" in
    32) objdump=i686-w64-mingw32-objdump ;;
    64) objdump=x86_64-w64-mingw32-objdump ;;
    *) echo "bitness must be 32 or 64" >&2; exit 2 ;;
esac
for file in "$exe" "$user"; do
    [ -f "$file" ] || { echo "$file: no such file" >&2; exit 2; }
done

# shell32 and ole32 are loaded on first use (delay-loaded), after the DLL search is restricted.
setup_imports="advapi32.dll comctl32.dll gdi32.dll kernel32.dll msvcrt.dll user32.dll"
user_imports="advapi32.dll kernel32.dll msvcrt.dll"
max_bytes_32=$((440 * 1024))
max_user_bytes_32=$((100 * 1024))
manifest_texts=(
    'level="requireAdministrator"'
    'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"'
    '{e2011457-1546-43c5-a5fe-008deee3d3f0}'
    '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}'
    '{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}'
    '{1f676c76-80e1-4239-95bb-83d0f6d0da78}'
    '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}'
    '<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true</dpiAware>'
    '<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2</dpiAwareness>'
)

failed=0
fail() {
    echo "   FAILED: $(basename "$1") ($bitness-bit): ${*:2}"
    failed=1
}

# check_imports_and_debug <exe> <allowed imports>: sets `imports`.
check_imports_and_debug() {
    local headers dll debug_sections allowed_imports=$2
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

# check_size <exe> <limit for the 32-bit build>: sets `size`.
check_size() {
    size=$(stat -c %s "$1")
    if [ "$bitness" = 32 ] && [ "$size" -gt "$2" ]; then
        fail "$1" "is $size bytes, more than $2"
    fi
}

check_imports_and_debug "$exe" "$setup_imports"
check_size "$exe" "$max_bytes_32"
check_manifest "$exe" "${manifest_texts[@]}"
[ "$failed" -eq 0 ] && echo "   $(basename "$exe") ($bitness-bit): $size bytes, imports $imports, no debug sections, manifest complete"

user_failed_before=$failed
failed=0
check_imports_and_debug "$user" "$user_imports"
check_size "$user" "$max_user_bytes_32"
check_manifest "$user" 'level="asInvoker"'
grep -qF requireAdministrator "$user" && fail "$user" "its manifest asks for administrator rights"
python3 - "$exe" "$user" "$(dirname "$0")" <<'PY' || fail "$exe" "does not carry $user unchanged"
import sys
sys.path.insert(0, sys.argv[3])
import lznt1
setup, user = (open(path, "rb").read() for path in sys.argv[1:3])
sys.exit(0 if lznt1.pack(user) in setup else 1)
PY
[ "$failed" -eq 0 ] && echo "   $(basename "$user") ($bitness-bit): $size bytes, imports $imports, no debug sections, asInvoker, carried unchanged"
failed=$((failed | user_failed_before))
exit "$failed"
