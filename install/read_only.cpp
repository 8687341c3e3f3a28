#include "install/read_only.h"

namespace install {

void ClearReadOnly(platform::FileSystem& files, const std::string& path) {
    const auto attributes = files.GetAttributes(path);
    if (!attributes || !(*attributes & platform::kAttrReadOnly))
        return;
    files.SetAttributes(path, *attributes & ~platform::kAttrReadOnly);
}

void ClearReadOnlyBeforeCopy(platform::FileSystem& files,
                             const std::string& from,
                             std::uint32_t sourceAttributes,
                             const std::string& to) {
    if (sourceAttributes & platform::kAttrReadOnly)
        files.SetAttributes(from, sourceAttributes & ~platform::kAttrReadOnly);
    ClearReadOnly(files, to);
}

void ClearCarriedReadOnly(platform::FileSystem& files,
                          std::uint32_t sourceAttributes,
                          const std::string& to) {
    if (sourceAttributes & platform::kAttrReadOnly)
        ClearReadOnly(files, to);
}

}  // namespace install
