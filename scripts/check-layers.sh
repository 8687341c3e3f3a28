#!/usr/bin/env bash
# Fails when an include runs against the layers of the program. From the bottom up:
#
#   platform  the only code that touches Win32: interfaces, text helpers, the win32 and memory backends
#   state     what every part reads: options, inventory, journal, release table, exit codes
#   files     the file work the installation and the uninstall share: held folders, listings, the
#             transaction of changes that undo themselves, its journal and its recovery
#   acad      AutoCAD discovery and integration
#   install/record  what the installation leaves for the uninstall: the record, the setup folder, the
#             mark of a run at work, the Programs and Features entry, the Active Setup component, and
#             the names and places both sides know
#   uninstall the uninstall, which reaches nothing of the installation but install/record
#   install/deploy  the product's files and the user's kept files, from a held source
#   install   the installation's order of steps
#   ui        the dialog framework and the pages
#   app       what starts and wires the program, and its entry point
#
# A folder includes only itself and the folders below it, so no two folders include each other.
# Within platform/, the interfaces include neither backend, and the backends do not include each
# other. res/ holds resource ids, and the generated brelix_version.h the version, which any layer may use. Tests and the benchmark may include anything.
set -uo pipefail
cd "$(dirname "$0")/.."

layers=(platform state files acad install/record uninstall install/deploy install ui app)
rank_of() {
    local i
    for i in "${!layers[@]}"; do
        [ "${layers[$i]}" = "$1" ] && { echo "$i"; return; }
    done
    echo -1
}

# platform, platform/win32 or platform/memory for a path below platform/; the top folder otherwise.
part_of() {
    case "$1" in
        platform/win32/*) echo platform/win32 ;;
        platform/memory/*) echo platform/memory ;;
        install/record/*) echo install/record ;;
        install/deploy/*) echo install/deploy ;;
        *) echo "${1%%/*}" ;;
    esac
}

# The layer a part belongs to: platform's backends are platform; the parts of install are layers.
layer_of() {
    case "$1" in
        platform/*) echo platform ;;
        *) echo "$1" ;;
    esac
}

faults=0
checked=0
while IFS= read -r file; do
    from_part=$(part_of "$file")
    from_layer=$(layer_of "$from_part")
    from_rank=$(rank_of "$from_layer")
    while IFS=: read -r line target; do
        checked=$((checked + 1))
        to_part=$(part_of "$target")
        to_layer=$(layer_of "$to_part")
        [ "$to_layer" = res ] && continue
        # Written by CMake into the build (cmake/version.cmake): the version, which any layer may know.
        [ "$target" = brelix_version.h ] && continue
        to_rank=$(rank_of "$to_layer")
        why=""
        if [ "$to_rank" -lt 0 ]; then
            why="$to_layer/ is no layer of the program"
        elif [ "$to_rank" -gt "$from_rank" ]; then
            why="$from_layer/ may not include $to_layer/, which lies above it"
        elif [ "$from_part" != "$to_part" ] && [ "$from_layer" = platform ] && [ "$to_part" != platform ]; then
            why="$from_part/ may not include $to_part/"
        fi
        if [ -n "$why" ]; then
            echo "$file:$line: includes \"$target\": $why"
            faults=$((faults + 1))
        fi
    done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
        sed -E 's/^([0-9]+):[^"]*"([^"]*)".*/\1:\2/')
done < <(git ls-files platform state files acad install uninstall ui app | grep -E '\.(h|cpp|rc)$')

if [ "$faults" -gt 0 ]; then
    echo "check-layers: $faults include(s) against the layers"
    exit 1
fi
echo "check-layers: $checked includes follow the layers"
