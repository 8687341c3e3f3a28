#include "install/folder_walk.h"

#include "install/locations.h"
#include "platform/text936.h"

namespace install {

bool IsWalkedEntry(const platform::DirEntry& entry) {
    if (entry.name == "." || entry.name == "..")
        return false;
    return (entry.attributes & platform::kAttrDirectory) == 0;
}

WalkEnd WalkFolder(platform::FileSystem& files,
                   const std::string& folder,
                   const std::function<void()>& beforePass,
                   const std::function<WalkStep(const platform::DirEntry&)>& visit,
                   const std::function<void(const platform::DirEntry&)>& folderSeen) {
    const std::string pattern = folder + "\\*.*";
    if (!text936::FitsBuffer(pattern, kPathBufferSize))
        return WalkEnd::NotListed;

    platform::DirEntry entry;
    auto search = files.FindFirst(pattern, entry);
    if (!search)
        return WalkEnd::NotListed;

    for (bool first = true;; first = false) {
        if (beforePass)
            beforePass();
        if (!first && !search->Next(entry))
            return WalkEnd::Completed;
        if (IsWalkedEntry(entry)) {
            if (visit(entry) == WalkStep::Stop)
                return WalkEnd::Stopped;
        } else if (folderSeen && entry.name != "." && entry.name != "..") {
            folderSeen(entry);
        }
    }
}

}  // namespace install
