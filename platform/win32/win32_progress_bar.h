#pragma once
// A progress control (msctls_progress32) driven with messages sent synchronously.

#include "platform/progress_bar.h"
#include "platform/win32/win32_api.h"

namespace platform::win32 {

class Win32ProgressBar : public ProgressBar {
  public:
    // `control` is not owned; it belongs to its dialog.
    explicit Win32ProgressBar(HWND control) : control_(control) {}

    void SetRange(int minimum, int maximum) override;
    void SetStep(int step) override;
    void SetPos(int position) override;
    void StepIt() override;

  private:
    HWND control_;
};

}  // namespace platform::win32
