#pragma once
// What the install action needs of the page that holds the install button.

#include <string>

#include "platform/progress_bar.h"
#include "platform/window_handle.h"

namespace install {

class InstallPage {
  public:
    virtual ~InstallPage() = default;
    virtual void ReadControls() = 0;              // data exchange from the controls into the members
    virtual std::string InstallPath() const = 0;  // installPath member
    virtual int KeepConfig() const = 0;
    virtual int KeepSettings() const = 0;
    virtual int KeepSectionLibrary() const = 0;
    virtual int KeepDrawingLibrary() const = 0;
    virtual platform::ProgressBar& Progress() = 0;      // control 1003
    virtual platform::WindowHandle Window() const = 0;  // owner of the message boxes
    virtual void CancelPage() = 0;         // the page's cancel operation: nextPage = 0, close with IDCANCEL
    virtual void CloseAfterInstall() = 0;  // nextPage = 0, default OK (read controls again, close with IDOK)
};

}  // namespace install
