#pragma once
// The one way a folder is listed: a pattern such as "<folder>\*.*", entries in the order the file
// system returns them, "." and ".." left out, no descent into subfolders. Also the first level of a
// path that is a link.

#include <functional>
#include <optional>
#include <string>

#include "platform/files.h"

namespace files {

// Hands every entry that `pattern` matches to `visit`. False when the listing could not be started
// (no such folder, no access, a pattern too long for its buffer); nothing matching is no failure
// when the folder is there, but FindFirst cannot tell the two apart, so it answers false as well.
bool ListFolder(platform::FileSystem& files,
                const std::string& pattern,
                const std::function<void(const platform::DirEntry&)>& visit);

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

}  // namespace files
