#pragma once
// What an installation leaves for its own removal: the uninstaller and the installation record in
// the setup folder below Program Files, and the Programs and Features entry. Nothing is registered
// with AutoCAD unless it can be removed again, so the uninstall is ready before that:
//
//   PrepareUninstall   before the product files are put in place: the uninstaller and the record are
//                      written under their temporary names, which proves the setup folder writable;
//   PlaceUninstall     once they are in place, before anything is registered: the uninstaller takes
//                      its name and the Programs and Features entry is written;
//   RecordInstallation at the end: the record of what this run did takes its name.
//
// Records and uninstallers are read from setup folders only: a product folder is the user's.

#include <string>

#include "install/install_action.h"

namespace install {

// Writes the running program (the file held in the context) into `setupFolder` as Uninstall.exe.new,
// and the record as it will stand before this run's files join it under its temporary name. False,
// with the reason in the log and nothing of it left, when either cannot be written.
bool PrepareUninstall(InstallContext& context,
                      const std::string& productFolder,
                      const std::string& setupFolder);

// Puts the prepared uninstaller in place and writes the Programs and Features entry for
// `productFolder`. False, with the reason in the log, when either fails.
bool PlaceUninstall(InstallContext& context,
                    const std::string& productFolder,
                    const std::string& setupFolder);

// Deletes what PrepareUninstall wrote and PlaceUninstall did not use (a run that stops).
void DiscardPreparedUninstall(InstallContext& context, const std::string& setupFolder);

// Writes the installation record there (naming `productFolder`) and the Programs and Features entry
// again, with the size now installed. The record takes in what earlier installations recorded in
// either build's setup folder; once the new record is written, the other build's uninstaller and record
// go. Each failure is a problem in the log. True when the record was written.
bool RecordInstallation(InstallContext& context,
                        const std::string& productFolder,
                        const std::string& setupFolder);

}  // namespace install
