#pragma once
// A progress control (msctls_progress32) driven with messages sent synchronously.
//
// The control repaints itself inside every PBM_STEPIT (it calls UpdateWindow), and on a remote or
// virtual display that paint costs more than copying a small file. While a step is being sent, a
// paint that comes sooner than kRepaintIntervalMs after the last one is left pending; the next step
// after the interval, or the message loop as soon as it runs again (a message box, the end of the
// handler), paints it. The messages and positions are exactly those asked for; only the screen
// lags by at most the interval.

#include "platform/progress_bar.h"
#include "platform/win32/win32_api.h"

namespace platform::win32 {

class Win32ProgressBar : public ProgressBar {
  public:
    static constexpr DWORD kRepaintIntervalMs = 40;

    // `control` is not owned; it belongs to its dialog, which outlives this object.
    explicit Win32ProgressBar(HWND control);
    ~Win32ProgressBar() override;
    Win32ProgressBar(const Win32ProgressBar&) = delete;
    Win32ProgressBar& operator=(const Win32ProgressBar&) = delete;

    void SetRange(int minimum, int maximum) override;
    void SetStep(int step) override;
    void SetPos(int position) override;
    void StepIt() override;

  private:
    static LRESULT CALLBACK
    PaintFilter(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR self);

    HWND control_;
    bool subclassed_ = false;
    bool stepping_ = false;
    DWORD lastPaint_ = 0;
};

}  // namespace platform::win32
