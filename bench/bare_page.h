#pragma once
// A wizard page template shown modally with nothing behind it: no texts filled in, no colours, no
// fonts. What showing a page costs at the least.
#include <windows.h>

#include <functional>

namespace bench {

// Shows the dialog template `templateId` of this program's resources until it is closed.
// `onForward` runs when its OK button (control 1) is pressed; the page then closes. Returns the
// dialog's result, or -1 when the template could not be shown.
INT_PTR ShowBarePage(int templateId, const std::function<void(HWND page)>& onForward);

}  // namespace bench
