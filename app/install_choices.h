#pragma once
// Turns the switches /D, /RELEASES and /KEEP into the installer state, with the wizard's own
// defaults where a switch is missing: the releases page 2 ticks when it opens, the root page 3
// shows, and the keep options page 3 offers.

#include <string>

#include "app/command_line.h"
#include "platform/services.h"
#include "state/acad_inventory.h"
#include "state/install_options.h"

namespace app {

// True when page 2 of a build of this bitness shows the box of release k: a 32-bit build shows
// 2004 to 2016, any other 2005 to 2025.
bool IsReleaseOffered(int releaseIndex, int buildBitness);

struct ChoiceResult {
    int exitCode = 0;   // 0 when the choices are set; otherwise the exit code of the run
    std::string error;  // why not (code-page-936 text)
};

// Sets `options.releaseChosen`, `installRoot` and the keep flags. Refuses (exit code 2) a year the
// build does not show or the machine does not have; refuses (exit code 5) when no release is
// left to install for. `inventory` holds what discovery found.
ChoiceResult ApplyInstallChoices(const CommandLine& command,
                                 const state::AcadInventory& inventory,
                                 platform::Services& services,
                                 state::InstallOptions& options);

// Logs each installation found that this build does not install for, and which build does.
void LogUnservedReleases(state::InstallJournal& journal, const state::AcadInventory& inventory);

// "2009, 2010" for the chosen releases; "无" when none.
std::string ChosenYears(const state::InstallOptions& options);

}  // namespace app
