#pragma once
// The application object: finds the installed AutoCAD releases once, then shows the wizard's pages
// in the order their results choose, until a page names no successor.

#include "platform/environment.h"
#include "platform/registry.h"
#include "state/acad_inventory.h"
#include "ui/cwinapp.h"
#include "ui/wizard_page.h"

namespace app {

class CWizardApp : public ui::CWinApp {
  public:
    // Not owned: the registry and the inventory outlive the application object. `found`: the
    // inventory holds this run's search already (a log or preset choices needed it first).
    CWizardApp(platform::Registry& registry,
               platform::Environment& environment,
               state::AcadInventory& inventory,
               ui::PageFactory pages,
               bool found = false);

    // Discovery (unless found), then the page loop. Always false: when the loop ends, the program ends.
    bool InitInstance() override;

  private:
    platform::Registry& registry_;
    platform::Environment& environment_;
    state::AcadInventory& inventory_;
    ui::PageFactory pages_;
    bool found_;
};

}  // namespace app
