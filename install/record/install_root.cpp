#include "install/record/install_root.h"

#include <optional>
#include <vector>

#include "install/record/locations.h"
#include "install/record/product_layout.h"
#include "platform/path_names.h"
#include "platform/text936.h"

namespace install {

using files::WithoutTrailingBackslashes;

namespace {

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

struct RootParts {
    std::string base;                 // "X:" or "\\server\share"
    std::vector<std::string> levels;  // the folders below it
};

std::optional<RootParts> SplitRoot(const std::string& root) {
    const std::string trimmed = WithoutTrailingBackslashes(root);
    RootParts parts;
    std::string rest;
    if (root.size() >= 3 && IsAsciiLetter(root[0]) && root[1] == ':' && root[2] == '\\') {
        parts.base = root.substr(0, 2);
        rest = trimmed.size() > 3 ? trimmed.substr(3) : std::string();
    } else if (root.size() > 2 && root[0] == '\\' && root[1] == '\\') {
        const auto unc = text936::SplitLevels(trimmed.substr(2));
        if (!unc || unc->size() < 2 || !IsPlainName((*unc)[0]) || !IsPlainName((*unc)[1]))
            return std::nullopt;
        parts.base = "\\\\" + (*unc)[0] + "\\" + (*unc)[1];
        parts.levels.assign(unc->begin() + 2, unc->end());
        for (const std::string& level : parts.levels) {
            if (!IsPlainName(level))
                return std::nullopt;
        }
        return parts;
    } else {
        return std::nullopt;
    }
    const auto levels = text936::SplitLevels(rest);
    if (!levels)
        return std::nullopt;
    for (const std::string& level : *levels) {
        if (!IsPlainName(level))
            return std::nullopt;
    }
    parts.levels = *levels;
    return parts;
}

bool IsFolder(platform::FileSystem& files, const std::string& path) {
    const auto attributes = files.GetAttributes(path);
    return attributes && (*attributes & platform::kAttrDirectory);
}

}  // namespace

RootCheck CheckInstallRoot(const std::string& root) {
    if (!SplitRoot(root))
        return RootCheck::NotFullPath;
    // The deepest folder the installation makes must fit, with room for a file name after it.
    const std::string deepest =
        JoinPath(ProductFolderOf(WithoutTrailingBackslashes(root)), kDrawingLibraryName) + "\\*.*";
    if (!text936::FitsBuffer(deepest, kPathBufferSize))
        return RootCheck::TooLong;
    return RootCheck::Good;
}

std::optional<std::string> CanonicalRoot(const std::string& root) {
    if (CheckInstallRoot(root) != RootCheck::Good)
        return std::nullopt;
    const std::string trimmed = WithoutTrailingBackslashes(root);
    return trimmed.size() == 2 ? trimmed + "\\" : trimmed;
}

std::vector<std::string> RootLevels(const std::string& root) {
    const auto parts = SplitRoot(root);
    if (!parts || CheckInstallRoot(root) != RootCheck::Good)
        return {};
    std::vector<std::string> levels{parts->base.size() == 2 ? parts->base + "\\" : parts->base};
    std::string path = parts->base;
    for (const std::string& level : parts->levels) {
        path += "\\" + level;
        levels.push_back(path);
    }
    return levels;
}

bool CreateRootFolder(platform::FileSystem& files, const std::string& root) {
    const auto parts = SplitRoot(root);
    if (!parts)
        return false;
    std::string path = parts->base;
    for (const std::string& level : parts->levels) {
        path += "\\" + level;
        files.CreateDirectory(path);  // an existing level is no error
    }
    return IsFolder(files, parts->levels.empty() ? parts->base + "\\" : path);
}

}  // namespace install
