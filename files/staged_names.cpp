#include "files/staged_names.h"

#include "files/folder_listing.h"
#include "files/paths.h"
#include "platform/number_text.h"
#include "platform/text936.h"

namespace files {

namespace {

constexpr char kPrefix[] = "~BX";
constexpr char kStagedExtension[] = ".NEW";
constexpr char kBackupExtension[] = ".OLD";

std::string TagText(unsigned tag) {
    return text936::ToUpper(platform::HexText(tag));
}

}  // namespace

bool IsTag(const std::string& tag) {
    if (tag.empty() || tag.size() > 8)
        return false;
    for (char c : tag) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return false;
    }
    return true;
}

std::string StagedName(const std::string& tag, std::size_t number) {
    return kPrefix + tag + "_" + std::to_string(number) + kStagedExtension;
}

std::string BackupName(const std::string& tag, std::size_t number) {
    return kPrefix + tag + "_" + std::to_string(number) + kBackupExtension;
}

bool IsTaggedName(const std::string& name, const std::string& tag) {
    const std::string prefix = kPrefix + tag + "_";
    if (name.size() < prefix.size() + 5 || !text936::EqualsNoCase(name.substr(0, prefix.size()), prefix))
        return false;
    const std::string extension = text936::ToUpper(name.substr(name.size() - 4));
    if (extension != kStagedExtension && extension != kBackupExtension)
        return false;
    const std::string middle = name.substr(prefix.size(), name.size() - prefix.size() - 4);
    for (char c : middle) {
        if (c < '0' || c > '9')
            return false;
    }
    return !middle.empty();
}

std::string FreeTag(platform::FileSystem& files, const std::vector<std::string>& folders, unsigned seed) {
    for (unsigned tag = seed & 0xFFFFFFu;; tag = (tag + 1) & 0xFFFFFFu) {
        const std::string text = TagText(tag);
        bool inUse = false;
        for (const std::string& folder : folders) {
            platform::DirEntry entry;
            inUse = inUse || files.FindFirst(JoinPath(folder, kPrefix + text + "_*"), entry) != nullptr;
        }
        if (!inUse)
            return text;
    }
}

void DeleteTagged(platform::FileSystem& files, const std::string& folder, const std::string& tag) {
    std::vector<std::string> found;
    ListFolder(files, JoinPath(folder, kPrefix + tag + "_*"), [&](const platform::DirEntry& entry) {
        if (!(entry.attributes & platform::kAttrDirectory) && IsTaggedName(entry.name, tag))
            found.push_back(entry.name);
    });
    for (const std::string& name : found)
        files.DeleteName(JoinPath(folder, name));
}

}  // namespace files
