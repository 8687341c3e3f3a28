#pragma once
// The installation root as typed on the path page: whether it can be installed into, and making
// every missing level of it.

#include <string>

#include "platform/files.h"

namespace install {

enum class RootCheck {
    Good,
    NotFullPath,  // not "X:\..." or "\\server\share\...", or a level that no folder can be named
    TooLong,      // the folders built on it would not fit the 260-byte path buffer
};

// Looks at the text only; touches nothing.
RootCheck CheckInstallRoot(const std::string& root);

// Creates every missing level of a root that passed CheckInstallRoot (the drive, server and share
// are never created). True when the root is a folder afterwards.
bool CreateRootFolder(platform::FileSystem& files, const std::string& root);

}  // namespace install
