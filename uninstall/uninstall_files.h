#pragma once
// The file side of the uninstall: shipped files that are still as shipped go, everything else
// stays, and folders left empty are removed.

#include <string>
#include <vector>

#include "install/record/install_record.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "state/install_journal.h"

namespace uninstall {

// Deletes each recorded file whose size and CRC-32 still match the record, after what an installation
// cut off in the folder left is undone, as its journal in one of `journalFolders` says. A file that differs
// is the user's and stays; one that is missing is skipped. Failures go into the log, with the
// system's error from `environment`.
void RemoveShippedFiles(platform::FileSystem& files,
                        platform::Environment& environment,
                        const std::vector<std::string>& journalFolders,
                        const std::string& productFolder,
                        const install::InstallRecord& record,
                        state::InstallJournal& log);

// Deletes a file the product put into the setup folder below Program Files, which only
// administrators write, by its path; true when it is gone (also when it was not there).
bool RemoveSetupFolderFile(platform::FileSystem& files,
                           platform::Environment& environment,
                           const std::string& path,
                           state::InstallJournal& log);

// Deletes `name`, a file an earlier build put directly into the product folder, inside that folder
// held from its drive down: through a handle checked to be the name's own plain file there. When
// the folder cannot be held, or the name is a link or has a second name, the file stays (a line of
// the log says so); a file that cannot be deleted is a problem.
void RemoveFileInProductFolder(platform::FileSystem& files,
                               platform::Environment& environment,
                               const std::string& productFolder,
                               const std::string& name,
                               state::InstallJournal& log);

// Removes every folder below `folder` that is empty once its subfolders are removed, and then
// `folder` itself when it is empty. Each folder is held before it is listed, entered only when it is
// its parent's own folder of that name (no link, resolving there), and removed through its hold. A
// folder that cannot be held so stays with everything below it, and is a problem in the log.
// Returns the files (and links) that remain, in listing order.
std::vector<std::string> RemoveEmptyFolders(platform::FileSystem& files,
                                            const std::string& folder,
                                            state::InstallJournal& log);

}  // namespace uninstall
