#pragma once
// The uninstall run (Uninstall.exe /UNINSTALL, with /S for no window): removes what the
// installation recorded in the setup folder below Program Files, keeps what the user made or
// changed, and ends with an exit code.

#include "platform/services.h"
#include "state/install_journal.h"

namespace uninstall {

enum UninstallExitCode {
    kUninstalled = 0,
    kUninstallCancelled = 1,
    kNothingToUninstall = 3,  // no installation record in either build's setup folder
    kUninstallAcadRunning = 4,
    kUninstalledWithProblems = 7,
};

// Runs the whole uninstall. Silent: no question and no message box. Log events and problems go
// into the log. The demand-load entries and the Active Setup component go first; while one of
// them stays, no file is touched. While a problem remains, the record, the uninstaller and the
// Programs and Features entry stay, so that the uninstall can be run again. The product record
// stays while the product folder keeps files a re-installation can keep.
int RunUninstall(platform::Services& services, state::InstallJournal& log, bool silent);

}  // namespace uninstall
