#pragma once
// The page factory of the wizard: page n of the three, working with `context`.

#include "ui/wizard_context.h"
#include "ui/wizard_page.h"

namespace ui {

// `context` is not owned and must outlive every page the factory makes.
ui::PageFactory MakeWizardPages(WizardContext& context);

}  // namespace ui
