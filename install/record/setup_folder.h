#pragma once
// The installer's own folder below Program Files: what runs elevated or in every user's logon
// (Uninstall.exe, BrelixUser.exe), the installation record the elevated uninstall trusts, and the
// save place of the files to keep. A folder made there inherits the administrators-only access of
// Program Files, so no ordinary user can change what is in it; the product folder, which users
// write to, holds none of it.

#include <optional>
#include <string>
#include <vector>

#include "platform/environment.h"
#include "platform/files.h"
#include "platform/registry.h"

namespace install {

// Its name below Program Files. It differs from the product folder's name, so the two stay apart
// even when Program Files itself is chosen as the installation root.
constexpr char kSetupFolderName[] = "Brelix Setup";

// The Program Files folder of the running build ("Program Files (x86)" for the 32-bit build on
// 64-bit Windows): "ProgramFilesDir" of HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion in the
// build's own view, which only administrators can change; "%ProgramFiles%" when that cannot be
// read. A full path without a trailing backslash, or nullopt.
std::optional<std::string> ProgramFilesFolder(platform::Registry& registry,
                                              platform::Environment& environment);

// "<Program Files>\Brelix Setup", or nullopt when Program Files is not known or the folder's
// paths would not fit the 260-byte buffer.
std::optional<std::string> SetupFolder(platform::Registry& registry, platform::Environment& environment);

// The setup folder, made when it is not there yet (`made` then says so); nullopt when Program Files is
// not known or the folder cannot be made.
std::optional<std::string> EnsureSetupFolder(platform::FileSystem& files,
                                             platform::Registry& registry,
                                             platform::Environment& environment,
                                             bool& made);

// Removes the setup folder a run made and leaves empty, as it stops.
void RemoveMadeSetupFolder(platform::FileSystem& files, const std::string& folder);

// Where an installation by either build may have left its setup folder: this build's first, then
// the one below the Program Files folder of the other registry view (the 64-bit build's
// "Program Files" for the 32-bit build on 64-bit Windows, and the other way round), when that
// differs. Both builds read and merge both, so switching builds orphans nothing.
std::vector<std::string> SetupFolders(platform::Registry& registry, platform::Environment& environment);

}  // namespace install
