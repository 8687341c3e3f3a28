#pragma once
// The installation root as typed on the path page: whether it can be installed into, and making
// every missing level of it.

#include <optional>
#include <string>
#include <vector>

#include "files/paths.h"
#include "platform/files.h"

namespace install {

using files::ComparablePath;
using files::IsPlainName;
using files::SamePath;

enum class RootCheck {
    Good,
    NotFullPath,  // not "X:\..." or "\\server\share\...", an empty level inside, or a level that no
                  // folder can be named or that Windows reads as another name or a device
    TooLong,      // the folders built on it would not fit the 260-byte path buffer
};

// Looks at the text only; touches nothing. Trailing "\" are allowed, any number of them.
RootCheck CheckInstallRoot(const std::string& root);

// The root in its one spelling, as it is stored and built on: without trailing "\" ("D:\" keeps
// the one of the drive). nullopt when CheckInstallRoot does not find it Good.
std::optional<std::string> CanonicalRoot(const std::string& root);

// The folders a root consists of, from its drive ("X:\") or share ("\\server\share") down to the
// root itself; empty when CheckInstallRoot does not find it Good.
std::vector<std::string> RootLevels(const std::string& root);

// Creates every missing level of a root that passed CheckInstallRoot (the drive, server and share
// are never created). True when the root is a folder afterwards.
bool CreateRootFolder(platform::FileSystem& files, const std::string& root);

}  // namespace install
