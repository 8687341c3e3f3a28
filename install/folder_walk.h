#pragma once
// The one way the installation lists a folder: "<folder>\*.*" in the order the file system
// returns entries, a capped number of passes, no descent into subfolders.

#include <functional>
#include <string>

#include "platform/files.h"

namespace install {

enum class WalkStep { Continue, Stop };

// True for the entries a walk works on: not "." or "..", and not an entry whose attribute word
// is exactly the directory attribute (a folder carrying further attributes counts as a file).
bool IsWalkedEntry(const platform::DirEntry& entry);

// Walks `folder` in at most `passCap` passes. Every pass first calls `beforePass`, then takes one
// entry: the first pass the entry that started the listing, each later pass the next one; a pass
// that finds the end of the listing ends the walk. So a listing of N entries gives N + 1 passes
// below the cap and exactly `passCap` otherwise. `visit` sees the entries IsWalkedEntry accepts.
// A listing that cannot be started, or whose pattern does not fit the 260-byte buffer, gives no
// pass. Returns false when `visit` stopped the walk.
bool WalkFolder(platform::FileSystem& files,
                const std::string& folder,
                int passCap,
                const std::function<void()>& beforePass,
                const std::function<WalkStep(const platform::DirEntry&)>& visit);

}  // namespace install
