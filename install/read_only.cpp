#include "install/read_only.h"

namespace install {

void ClearReadOnly(platform::FileSystem& files, const std::string& path) {
    const auto attributes = files.GetAttributes(path);
    if (!attributes || !(*attributes & platform::kAttrReadOnly))
        return;
    files.SetAttributes(path, *attributes & ~platform::kAttrReadOnly);
}

}  // namespace install
