#include "files/own_file.h"

#include "files/paths.h"
#include "platform/text936.h"

namespace files {

namespace {

bool ResolvesThere(platform::OpenedFile& file, const std::string& folderFinal, const std::string& name) {
    return !IsLink(file.Attributes()) && !folderFinal.empty() &&
           text936::EqualsNoCase(file.FinalPath(), JoinPath(folderFinal, name));
}

}  // namespace

bool IsOwnPlainFile(platform::OpenedFile& file, const std::string& folderFinal, const std::string& name) {
    return file.LinkCount() == 1 && ResolvesThere(file, folderFinal, name);
}

bool IsOwnName(platform::FileSystem& files,
               const std::string& folder,
               const std::string& folderFinal,
               const std::string& name,
               bool secondNameAllowed) {
    const auto file = files.OpenToDelete(JoinPath(folder, name));
    return file && (secondNameAllowed ? ResolvesThere(*file, folderFinal, name)
                                      : IsOwnPlainFile(*file, folderFinal, name));
}

}  // namespace files
