#pragma once
// The controls of the page dialog templates, as data. res/SetUp.rc holds the same templates for
// Windows; the headless dialog host builds its pages from this table, and a test checks that the
// two agree.

#include "platform/dialog_template.h"

namespace ui {

// The template with that resource id, or nullptr.
const platform::DialogTemplate* FindDialogTemplate(int id);

}  // namespace ui
