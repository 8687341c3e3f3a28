#pragma once
// Whether a name in a folder users may write is still what the program put there: a file of its own
// under that name, reached through a handle, never a link or another file's second name.

#include <cstdint>
#include <string>

#include "platform/files.h"

namespace files {

// Whether `attributes` (of a listing, a path or a handle) are a link's: a reparse point.
inline bool IsLink(std::uint32_t attributes) {
    return (attributes & platform::kAttrReparsePoint) != 0;
}

// Whether `file`, opened as `name` in a held folder that the system resolves to `folderFinal`
// (FileSystem::FinalPath), is that name's own plain file: no link (Wine follows one even when asked
// not to), no second name, and the system resolves it there.
bool IsOwnPlainFile(platform::OpenedFile& file, const std::string& folderFinal, const std::string& name);

// The same for `name` in the held `folder`, opened here for the check and closed again. With
// `secondNameAllowed`, a file with another name elsewhere passes (an old product file a user linked
// to keeps its place); a link never does.
bool IsOwnName(platform::FileSystem& files,
               const std::string& folder,
               const std::string& folderFinal,
               const std::string& name,
               bool secondNameAllowed = false);

}  // namespace files
