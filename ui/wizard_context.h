#pragma once
// Everything a wizard page works with. Not owned: the application object outlives every page.

#include "app/acad_inventory.h"
#include "app/install_journal.h"
#include "app/install_options.h"
#include "platform/dialog_host.h"
#include "platform/folder_browser.h"
#include "platform/services.h"

namespace ui {

struct WizardContext {
    platform::Services services;
    platform::DialogRunner& dialogs;
    platform::FolderBrowser& folderBrowser;
    app::InstallOptions& options;
    app::AcadInventory& inventory;
    app::InstallJournal& journal;
};

}  // namespace ui
