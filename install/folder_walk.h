#pragma once
// The one way the installation lists a folder: "<folder>\*.*" in the order the file system
// returns entries, every entry, no descent into subfolders.

#include <functional>
#include <optional>
#include <string>

#include "platform/files.h"
#include "platform/name_index.h"

namespace install {

enum class WalkStep { Continue, Stop };

enum class WalkEnd {
    Completed,  // the end of the listing was reached
    Stopped,    // `visit` stopped the walk
    NotListed,  // the listing could not be started (no such folder, no access, pattern too long)
};

// True for the entries a walk works on: not "." or "..", and not a folder (an entry with the
// directory bit, whatever other attributes it carries).
bool IsWalkedEntry(const platform::DirEntry& entry);

// Walks every entry of `folder`. Before each entry is taken, and once more when the walk finds
// the end of the listing, `beforePass` is called (nullptr: nothing), so a listing of N entries
// gives N + 1 passes. `visit` sees the entries IsWalkedEntry accepts; `folderSeen` (nullptr:
// nothing) each subfolder, which the walk does not enter.
WalkEnd WalkFolder(platform::FileSystem& files,
                   const std::string& folder,
                   const std::function<void()>& beforePass,
                   const std::function<WalkStep(const platform::DirEntry&)>& visit,
                   const std::function<void(const platform::DirEntry&)>& folderSeen = nullptr);

// The first level of `path`, from below its drive (or share) down to `path` itself, that is a link:
// what lies below it can be anywhere. nullopt when none is; a missing level ends the search, since
// nothing below it exists yet.
std::optional<std::string> FirstLinkOf(platform::FileSystem& files, const std::string& path);

}  // namespace install
