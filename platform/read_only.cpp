#include "platform/read_only.h"

namespace platform {

void ClearReadOnly(platform::FileSystem& files, const std::string& path) {
    const auto attributes = files.GetAttributes(path);
    if (!attributes || !(*attributes & platform::kAttrReadOnly))
        return;
    files.SetAttributes(path, *attributes & ~platform::kAttrReadOnly);
}

void ClearListedReadOnly(platform::FileSystem& files, const std::string& path, std::uint32_t listed) {
    if (listed & platform::kAttrReadOnly)
        files.SetAttributes(path, listed & ~platform::kAttrReadOnly);
}

namespace {

bool CopyOnce(platform::FileSystem& files,
              const std::string& from,
              const std::string& to,
              ContentCheck* copied) {
    if (!copied)
        return files.CopyFile(from, to, false);
    *copied = ContentCheck{};
    return files.CopyFileReporting(from, to,
                                   [copied](const char* data, std::size_t size) { copied->Add(data, size); });
}

}  // namespace

bool CopyOverReadOnly(platform::FileSystem& files,
                      const std::string& from,
                      const std::string& to,
                      ContentCheck* copied) {
    if (CopyOnce(files, from, to, copied))
        return true;
    const auto target = files.GetAttributes(to);
    if (!target || !(*target & platform::kAttrReadOnly) ||
        !files.SetAttributes(to, *target & ~platform::kAttrReadOnly))
        return false;
    return CopyOnce(files, from, to, copied);
}

void ClearCarriedReadOnly(platform::FileSystem& files,
                          std::uint32_t sourceAttributes,
                          const std::string& to) {
    if (sourceAttributes & platform::kAttrReadOnly)
        ClearReadOnly(files, to);
}

}  // namespace platform
