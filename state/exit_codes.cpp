#include "state/exit_codes.h"

namespace state {

int ExitCodeFor(InstallOutcome outcome, bool wizard, bool logFailed) {
    switch (outcome) {
        case InstallOutcome::Installed:
            return logFailed ? kExitWithProblems : kExitInstalled;
        case InstallOutcome::InstalledWithProblems:
            return kExitWithProblems;
        case InstallOutcome::Stopped:
            return kExitStopped;
        default:
            break;
    }
    // In the wizard the page stays open after these; the user then left it.
    if (wizard)
        return kExitCancelled;
    switch (outcome) {
        case InstallOutcome::AcadRunning:
            return kExitAcadRunning;
        case InstallOutcome::SourceMissing:
            return kExitSourceMissing;
        case InstallOutcome::NewerInstalled:
            return kExitNewerInstalled;
        case InstallOutcome::InvalidRoot:
            return kExitInvalidCommandLine;
        default:
            return kExitStopped;  // a silent run that did not get to install
    }
}

}  // namespace state
