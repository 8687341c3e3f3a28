#include "ui/wizard_pages.h"

#include "ui/dlg_page1.h"
#include "ui/dlg_page2.h"
#include "ui/dlg_page3.h"

namespace ui {

ui::PageFactory MakeWizardPages(WizardContext& context) {
    return [&context](int pageNumber) -> std::unique_ptr<ui::WizardPage> {
        switch (pageNumber) {
            case 1:
                return std::make_unique<Dlg_Page1>(context);
            case 2:
                return std::make_unique<Dlg_Page2>(context);
            case 3:
                return std::make_unique<Dlg_Page3>(context);
            default:
                return nullptr;
        }
    };
}

}  // namespace ui
