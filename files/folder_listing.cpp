#include "files/folder_listing.h"

#include "files/own_file.h"
#include "files/paths.h"
#include "platform/text936.h"

namespace files {

bool ListFolder(platform::FileSystem& files,
                const std::string& pattern,
                const std::function<void(const platform::DirEntry&)>& visit) {
    if (!text936::FitsBuffer(pattern, kPathBufferSize))
        return false;
    platform::DirEntry entry;
    auto search = files.FindFirst(pattern, entry);
    if (!search)
        return false;
    do {
        if (entry.name != "." && entry.name != "..")
            visit(entry);
    } while (search->Next(entry));
    return true;
}

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

std::optional<std::string> FirstLinkOf(platform::FileSystem& files, const std::string& path) {
    const bool unc = path.compare(0, 2, "\\\\") == 0;
    const auto levels = text936::SplitLevels(unc ? path.substr(2) : path);
    if (!levels)
        return std::nullopt;
    // The drive, or the server and its share, are not links a user can make.
    const std::size_t base = unc ? 2 : 1;
    std::string reached = unc ? "\\\\" : "";
    for (std::size_t i = 0; i < levels->size(); ++i) {
        reached += (i == 0 ? "" : "\\") + (*levels)[i];
        if (i < base)
            continue;
        const auto attributes = files.GetAttributes(reached);
        if (!attributes)
            return std::nullopt;
        if (IsLink(*attributes))
            return reached;
    }
    return std::nullopt;
}

}  // namespace files
