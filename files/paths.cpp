#include "files/paths.h"

#include "platform/path_names.h"
#include "platform/text936.h"

namespace files {

std::string WithoutTrailingBackslashes(const std::string& path) {
    std::string trimmed = path;
    for (std::string shorter = text936::WithoutTrailingBackslash(trimmed); shorter.size() < trimmed.size();
         shorter = text936::WithoutTrailingBackslash(trimmed))
        trimmed = shorter;
    return trimmed;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    return folder + "\\" + name;
}

std::string LastName(const std::string& path) {
    const std::size_t separator = text936::FindLastBackslash(path);
    return separator == text936::npos ? path : path.substr(separator + 1);
}

bool IsPlainName(const std::string& name) {
    if (name.empty() || platform::EndsInDotOrSpace(name) || platform::IsDeviceName(name))
        return false;
    for (const char* reserved : {"\\", "\"", "*", "/", ":", "<", ">", "?", "|"}) {
        if (text936::Find(name, reserved) != text936::npos)
            return false;
    }
    for (unsigned char byte : name) {
        if (byte < 0x20)
            return false;
    }
    return true;
}

bool IsLeafName(const std::string& name) {
    return name.size() <= 255 && IsPlainName(name);
}

std::string ComparablePath(const std::string& path) {
    std::string comparable;
    bool afterSeparator = false;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (text936::IsLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
            comparable.append(path, i++, 2);  // its second byte may look like a "\\"
            afterSeparator = false;
            continue;
        }
        const bool separator = path[i] == '\\';
        if (!separator || !afterSeparator || i == 1)  // the two of "\\server" stay
            comparable += path[i];
        afterSeparator = separator;
    }
    return WithoutTrailingBackslashes(comparable);
}

bool SamePath(const std::string& a, const std::string& b) {
    return text936::EqualsNoCase(ComparablePath(a), ComparablePath(b));
}

std::optional<std::string> PathBelow(const std::string& path, const std::string& folder) {
    const auto pathLevels = text936::SplitLevels(path);
    const auto folderLevels = text936::SplitLevels(folder);
    if (!pathLevels || !folderLevels || folderLevels->empty() || pathLevels->size() <= folderLevels->size())
        return std::nullopt;
    for (std::size_t i = 0; i < folderLevels->size(); ++i) {
        if (!text936::EqualsNoCase((*pathLevels)[i], (*folderLevels)[i]))
            return std::nullopt;
    }
    std::string below;
    for (std::size_t i = folderLevels->size(); i < pathLevels->size(); ++i)
        below += (below.empty() ? "" : "\\") + (*pathLevels)[i];
    return below;
}

}  // namespace files
