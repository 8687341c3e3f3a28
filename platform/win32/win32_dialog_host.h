#pragma once
// Shows the program's dialog templates (res/SetUp.rc) modally with DialogBoxParamA and forwards
// their messages to the page object.

#include "platform/dialog_host.h"
#include "platform/win32/win32_api.h"

namespace platform::win32 {

class Win32DialogRunner : public DialogRunner {
  public:
    // Templates are looked up in `instance`; the program's own module by default. Registers the
    // common control classes the pages use (the progress bar).
    explicit Win32DialogRunner(HINSTANCE instance = nullptr);

    int RunModal(int templateId, DialogEvents& events, WindowHandle parent) override;

  private:
    HINSTANCE instance_;
};

}  // namespace platform::win32
