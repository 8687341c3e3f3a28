#pragma once
// The steps of an installation that belong to the user who runs it, not to the machine: the
// product folder in the trusted paths of the user's AutoCAD profiles, and the compatibility
// values of acad.exe in the user's registry. Run by the installation for the installing user,
// and by BrelixUser.exe at each user's first logon after a machine-wide installation.

#include "app/acad_inventory.h"
#include "app/install_journal.h"
#include "platform/environment.h"
#include "platform/registry.h"

namespace app {

// Expects `inventory.targetRoot` and the discovery lists to be filled.
void ApplyPerUserSteps(AcadInventory& inventory,
                       platform::Registry& registry,
                       platform::Environment& environment,
                       InstallJournal& journal);

}  // namespace app
