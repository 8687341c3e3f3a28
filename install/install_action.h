#pragma once
// The install button of the path page: the whole installation, in its fixed order.

#include "install/install_page.h"
#include "platform/services.h"
#include "state/acad_inventory.h"
#include "state/install_journal.h"
#include "state/install_options.h"

namespace install {

struct InstallContext {
    platform::Services& services;
    state::InstallOptions& options;
    state::AcadInventory& inventory;
    state::InstallJournal& log;
};

// The button handler: warns once per run while AutoCAD is running, then reads the page,
// installs, stores the page's values into the options, shows the completion message and closes
// the page. Leaves the page open when the warning was shown or the installation did not start.
void OnInstallButton(InstallContext& context, InstallPage& page);

// Installs into the page's root. False when the root is refused, the source is missing or a level
// of the root cannot be held (the page stays open, nothing changed), or when the user aborted the
// copy or a file could not be staged or put in place (every file as before, nothing registered,
// the previous record kept; the page was cancelled).
bool InstallProduct(InstallContext& context, InstallPage& page);

}  // namespace install
