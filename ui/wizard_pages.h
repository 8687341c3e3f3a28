#pragma once
// The page factory of the wizard: page n of the three, working with `context`.

#include "app/wizard_app.h"
#include "ui/wizard_context.h"

namespace ui {

// `context` is not owned and must outlive every page the factory makes.
app::PageFactory MakeWizardPages(WizardContext& context);

}  // namespace ui
