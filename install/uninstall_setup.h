#pragma once
// What a successful installation leaves for its own removal: the uninstaller, the installation
// record and the Programs and Features entry.

#include <string>

#include "install/install_action.h"

namespace install {

// Copies the running program into `productFolder` as Uninstall.exe, adds what the journal lists
// to the folder's installation record, and writes the Programs and Features entry. Each failure is
// a problem in the journal; the rest goes on.
void PrepareUninstall(InstallContext& context, const std::string& productFolder);

}  // namespace install
