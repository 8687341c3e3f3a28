#pragma once
// The file side of the uninstall: shipped files that are still as shipped go, everything else
// stays, and folders left empty are removed.

#include <string>
#include <vector>

#include "install/install_record.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "state/install_journal.h"

namespace uninstall {

// Deletes each recorded file whose size and CRC-32 still match the record, after what an installation
// cut off in the folder left is undone, as its journal in one of `journalFolders` says. A file that differs
// is the user's and stays; one that is missing is skipped. Failures go into the journal, with the
// system's error from `environment`.
void RemoveShippedFiles(platform::FileSystem& files,
                        platform::Environment& environment,
                        const std::vector<std::string>& journalFolders,
                        const std::string& productFolder,
                        const install::InstallRecord& record,
                        state::InstallJournal& journal);

// Deletes a file the product put there; true when it is gone (also when it was not there).
bool RemoveOwnFile(platform::FileSystem& files,
                   platform::Environment& environment,
                   const std::string& path,
                   state::InstallJournal& journal);

// Removes every folder below `folder` that is empty once its subfolders are removed, and then
// `folder` itself when it is empty. Returns the files that remain, in listing order.
std::vector<std::string> RemoveEmptyFolders(platform::FileSystem& files, const std::string& folder);

}  // namespace uninstall
