#pragma once
// Everything a wizard page works with. Not owned: the application object outlives every page.

#include "platform/dialog_host.h"
#include "platform/folder_browser.h"
#include "platform/services.h"
#include "state/acad_inventory.h"
#include "state/install_journal.h"
#include "state/install_options.h"

namespace ui {

struct WizardContext {
    platform::Services services;
    platform::DialogRunner& dialogs;
    platform::FolderBrowser& folderBrowser;
    state::InstallOptions& options;
    state::AcadInventory& inventory;
    state::InstallJournal& journal;
};

}  // namespace ui
