#pragma once
// What a successful installation leaves for its own removal: the uninstaller and the installation
// record in the setup folder below Program Files, and the Programs and Features entry.

#include <optional>
#include <string>

#include "install/install_action.h"

namespace install {

// The setup folder (install/setup_folder.h), made when it is not there yet; nullopt, with a problem
// in the journal, when Program Files is not known or the folder cannot be made.
std::optional<std::string> MakeSetupFolder(InstallContext& context);

// Writes the running program (the file held in the context) into `setupFolder` as Uninstall.exe,
// writes the installation record there (naming `productFolder`), and writes the Programs and
// Features entry. The record takes in what earlier installations recorded in either build's setup
// folder; once the new record is written, the other build's uninstaller and record go. Records and
// uninstallers are read from setup folders only: a product folder is the user's. Each failure is a
// problem in the log; the rest goes on. True when the record was written.
bool PrepareUninstall(InstallContext& context,
                      const std::string& productFolder,
                      const std::string& setupFolder);

}  // namespace install
