#include "install/folder_walk.h"

#include "install/locations.h"
#include "platform/text936.h"

namespace install {

bool IsWalkedEntry(const platform::DirEntry& entry) {
    if (entry.name == "." || entry.name == "..")
        return false;
    return entry.attributes != platform::kAttrDirectory;
}

bool WalkFolder(platform::FileSystem& files,
                const std::string& folder,
                int passCap,
                const std::function<void()>& beforePass,
                const std::function<WalkStep(const platform::DirEntry&)>& visit) {
    const std::string pattern = folder + "\\*.*";
    if (!text936::FitsBuffer(pattern, kPathBufferSize))
        return true;

    platform::DirEntry entry;
    auto search = files.FindFirst(pattern, entry);
    if (!search)
        return true;

    for (int pass = 0; pass < passCap; ++pass) {
        if (beforePass)
            beforePass();
        if (pass > 0 && !search->Next(entry))
            break;
        if (IsWalkedEntry(entry) && visit(entry) == WalkStep::Stop)
            return false;
    }
    return true;
}

}  // namespace install
