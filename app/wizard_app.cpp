#include "app/wizard_app.h"

namespace app {

CWizardApp::CWizardApp(platform::Registry& registry,
                       platform::Environment& environment,
                       state::AcadInventory& inventory,
                       ui::PageFactory pages,
                       bool found)
    : registry_(registry),
      environment_(environment),
      inventory_(inventory),
      pages_(std::move(pages)),
      found_(found) {}

bool CWizardApp::InitInstance() {
    // The pages never read what only the other build serves: that is for logs and silent runs.
    if (!found_)
        inventory_.FindReleases(registry_, environment_, state::AcadInventory::OtherBuildView::Skip);
    int page = 1;
    while (page >= 1 && page <= 3) {
        std::unique_ptr<ui::WizardPage> dialog = pages_(page);
        if (!dialog) {
            break;  // a page that cannot be made names no successor
        }
        dialog->RunModal();  // the result code is not looked at; nextPage decides
        page = dialog->NextPage();
    }
    return false;
}

}  // namespace app
