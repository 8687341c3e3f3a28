#pragma once
// The application object: finds the installed AutoCAD releases once, then shows the wizard's pages
// in the order their results choose, until a page names no successor.

#include <functional>
#include <memory>

#include "app/acad_inventory.h"
#include "app/wizard_page.h"
#include "platform/environment.h"
#include "platform/registry.h"
#include "ui/cwinapp.h"

namespace app {

// Makes page `pageNumber` (1, 2 or 3); nullptr when it cannot be made.
using PageFactory = std::function<std::unique_ptr<WizardPage>(int pageNumber)>;

class CWizardApp : public ui::CWinApp {
  public:
    // Not owned: the registry and the inventory outlive the application object.
    CWizardApp(platform::Registry& registry,
               platform::Environment& environment,
               AcadInventory& inventory,
               PageFactory pages);

    // Discovery, then the page loop. Always false: when the loop ends, the program ends.
    bool InitInstance() override;

  private:
    platform::Registry& registry_;
    platform::Environment& environment_;
    AcadInventory& inventory_;
    PageFactory pages_;
};

}  // namespace app
