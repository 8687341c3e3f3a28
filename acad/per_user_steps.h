#pragma once
// The steps of an installation that belong to the user who runs it, not to the machine: the
// product folder in the trusted paths of the user's AutoCAD profiles, and the compatibility
// values of acad.exe in the user's registry. Run by the installation for the installing user,
// and by BrelixUser.exe at each user's first logon after a machine-wide installation.

#include "platform/environment.h"
#include "platform/registry.h"
#include "state/acad_inventory.h"
#include "state/install_journal.h"

namespace acad {

// Expects `inventory.targetRoot` and the discovery lists to be filled.
void ApplyPerUserSteps(state::AcadInventory& inventory,
                       platform::Registry& registry,
                       platform::Environment& environment,
                       state::InstallJournal& log);

}  // namespace acad
