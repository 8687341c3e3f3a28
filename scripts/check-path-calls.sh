#!/usr/bin/env bash
# Fails on a call that acts on a file or folder by its path outside the places listed below.
#
# The program runs elevated, and an ordinary user may change anything in the root, the product folder
# and the payload's folder between any two calls: there it works through held folders and checked
# handles (HoldFolder, OpenToRead, OpenToDelete, CopyOpenedToNewFile, WriteNewFile, Rename, DeleteName
# in a held folder). Two checks:
#
#   1. Win32 calls that take a path appear only in the platform's file primitives
#      (platform/win32/win32_files.cpp), or in a file of the list below.
#   2. Above platform/, the FileSystem calls that act by path without a check (DeleteFile,
#      RemoveDirectory, MoveFile, CopyFile, ...) appear only in a file of the list below, each for a
#      place only administrators write or a path an administrator names.
#
# Reads of attributes and listings (GetAttributes, FindFirst, FinalPath) are not listed: they act on
# nothing, and what acts on their answer goes through a checked call. Tests and tools are not checked.
set -uo pipefail
cd "$(dirname "$0")/.."

win32_names='DeleteFile|RemoveDirectory|MoveFileEx|MoveFile|MoveFileWithProgress|CopyFile|CopyFileEx|ReplaceFile|CreateFile|CreateFile2|SetFileAttributes|GetFileAttributes|GetFileAttributesEx|FindFirstFile|FindFirstFileEx|CreateDirectory|CreateDirectoryEx|CreateHardLink|CreateSymbolicLink|SetCurrentDirectory|LoadLibrary|LoadLibraryEx'
# The API itself: with its A or W ending, or called as ::Name( (our own methods share some names).
win32_api="\\b(${win32_names})[AW]\\(|(^|[^A-Za-z0-9_:])::(${win32_names})\\("
unchecked_calls='(DeleteFile|RemoveDirectory|MoveFile|CopyFile|CopyFileReporting|SetAttributes|WriteWholeFile|CreateDirectory|ReadWholeFile|ReadPieces|DeleteAtRestart|WriteCarriedFile|CopyToNewFile)'

# file|call|why: the places allowed, each with its reason.
allowed=(
    "platform/win32/win32_log_file.cpp|CreateFile|the /LOG file an administrator names, or the fallback created new; checked through its handle before anything is written"
    "platform/win32/win32_log_file.cpp|GetFileAttributes|the /LOG file: a link there is refused before it is opened"
    "platform/win32/win32_carried_file.cpp|CreateFile|WriteCarriedFile: the setup folder, or a /USERPROGRAM path an administrator names"
    "platform/win32/win32_carried_file.cpp|DeleteFile|WriteCarriedFile: what it could not write whole, in the same place"
    "platform/win32/win32_carried_file.cpp|MoveFileEx|WriteCarriedFile: the finished file takes its name, in the same place"
    "platform/win32/parent_console.cpp|CreateFile|the console (CONOUT\$), no file"
    "platform/win32/dll_search_order.cpp|LoadLibraryEx|system libraries, from System32 only"
    "platform/win32/shell_library.cpp|LoadLibraryEx|system libraries, from System32 only"
    "install/record/install_record.cpp|ReadWholeFile|the installation record, in the setup folder below Program Files"
    "install/record/install_record.cpp|WriteWholeFile|the installation record, in the setup folder below Program Files"
    "install/record/install_record.cpp|MoveFile|the installation record, in the setup folder below Program Files"
    "install/record/install_record.cpp|DeleteFile|the installation record, in the setup folder below Program Files"
    "install/uninstall_setup.cpp|DeleteFile|Uninstall.exe and the other build's files, in the setup folders below Program Files"
    "install/uninstall_setup.cpp|RemoveDirectory|the other build's setup folder below Program Files"
    "install/record/setup_folder.cpp|CreateDirectory|the setup folder below Program Files"
    "install/record/setup_folder.cpp|RemoveDirectory|the setup folder below Program Files, made by a run that stopped"
    "install/record/uninstall_entry.cpp|ReadPieces|the size of the setup folder below Program Files"
    "install/record/active_setup.cpp|WriteCarriedFile|BrelixUser.exe, in the setup folder below Program Files"
    "files/swap_journal.cpp|ReadWholeFile|the swap journal, in the setup folder below Program Files"
    "files/file_transaction.cpp|DeleteAtRestart|a backup a loaded module holds: Windows deletes that name at restart, never what a link leads to"
    "install/record/install_root.cpp|CreateDirectory|the folders of the /LOG path an administrator names"
    "uninstall/uninstall.cpp|DeleteFile|the uninstaller and the record, in the setup folder below Program Files"
    "uninstall/uninstall.cpp|MoveFile|the running uninstaller, in the setup folder below Program Files"
    "uninstall/uninstall.cpp|DeleteAtRestart|the running uninstaller and its setup folder below Program Files"
    "uninstall/uninstall_files.cpp|DeleteFile|files of the setup folder below Program Files"
    "acad/fonts.cpp|DeleteFile|the shape fonts, in AutoCAD's Fonts folder below Program Files"
    "app/setup_run.cpp|WriteCarriedFile|the /USERPROGRAM path an administrator names"
    "ui/path_dialog.cpp|CreateDirectory|the folder picker's new folder, which the user names at the keyboard"
    "files/held_path.cpp|CreateDirectory|a missing level, made in the held level above it; a name already there is held and checked next"
)

is_allowed() {  # is_allowed <file> <call>
    local entry
    for entry in "${allowed[@]}"; do
        [ "${entry%%|*}" = "$1" ] || continue
        local rest=${entry#*|}
        [ "${rest%%|*}" = "$2" ] && return 0
    done
    return 1
}

faults=0
checked=0
report() {  # report <file> <line> <call> <text>
    echo "$1:$2: $3 by path: ${4#"${4%%[![:space:]]*}"}"
    faults=$((faults + 1))
}

# 1. Win32 calls outside the platform's file primitives.
while IFS= read -r file; do
    [ "$file" = platform/win32/win32_files.cpp ] && continue
    while IFS=: read -r line text; do
        checked=$((checked + 1))
        call=$(grep -oE "${win32_api}" <<<"$text" | head -n 1 | sed -E 's/^[^A-Za-z]*//; s/([AW])?\($//')
        [ -n "$call" ] || continue
        is_allowed "$file" "$call" || report "$file" "$line" "$call" "$text"
    done < <(grep -nE "${win32_api}" "$file" | grep -vE '^[0-9]+:[[:space:]]*//')
done < <(git ls-files 'platform/win32/*.cpp' 'app/win32/*.cpp')

# 2. Unchecked FileSystem calls above the platform.
while IFS= read -r file; do
    while IFS=: read -r line text; do
        checked=$((checked + 1))
        call=$(grep -oE "files_?\.${unchecked_calls}\(" <<<"$text" | head -n 1 | sed -E 's/^files_?\.//; s/\($//')
        is_allowed "$file" "$call" || report "$file" "$line" "$call" "$text"
    done < <(grep -nE "files_?\.${unchecked_calls}\(" "$file" | grep -vE '^[0-9]+:[[:space:]]*//')
done < <(git ls-files 'acad/*.cpp' 'app/*.cpp' 'files/*.cpp' 'install/*.cpp' 'state/*.cpp' 'ui/*.cpp' 'uninstall/*.cpp' |
    grep -v '^app/win32/')

if [ "$faults" -gt 0 ]; then
    echo "check-path-calls: $faults call(s) by path outside the places allowed (scripts/check-path-calls.sh)"
    exit 1
fi
echo "check-path-calls: $checked calls by path, each in a place allowed"
