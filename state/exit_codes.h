#pragma once
// The process exit codes of SetUp.exe, for deployment systems. The wizard returns them too.

#include "state/install_journal.h"

namespace state {

enum ExitCode : int {
    kExitInstalled = 0,           // installed, nothing failed
    kExitCancelled = 1,           // the user left the wizard before it installed
    kExitInvalidCommandLine = 2,  // unknown switch, malformed value, a release the machine lacks
    kExitSourceMissing = 3,       // no Data folder (BrelixUser.exe: no installation recorded)
    kExitAcadRunning = 4,         // a silent run does not install while AutoCAD runs
    kExitNoRelease = 5,           // no AutoCAD release to install for
    kExitStopped = 6,             // stopped before or during the copy; nothing registered
    kExitWithProblems = 7,        // installed, but something failed or the log could not be written
    kExitNewerInstalled = 8,      // a newer version is installed; nothing changed (/ALLOWDOWNGRADE goes on)
    // Another run that changes the machine holds the lock; this one changed nothing. The code
    // Windows Installer gives (ERROR_INSTALL_ALREADY_RUNNING), which deployment systems retry.
    kExitAnotherRun = 1618,
};

// The exit code for how the installation ended. `wizard`: an installation that never ran, or that
// a warning stopped before the user left, counts as cancelled. `logFailed`: a log was asked for
// and could not be written.
int ExitCodeFor(InstallOutcome outcome, bool wizard, bool logFailed);

}  // namespace state
