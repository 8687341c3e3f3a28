#include "platform/win32/win32_progress_bar.h"

#include <commctrl.h>

namespace platform::win32 {

namespace {

constexpr UINT_PTR kPaintFilterId = 1;

}  // namespace

Win32ProgressBar::Win32ProgressBar(HWND control) : control_(control) {
    subclassed_ =
        SetWindowSubclass(control_, PaintFilter, kPaintFilterId, reinterpret_cast<DWORD_PTR>(this)) != FALSE;
}

Win32ProgressBar::~Win32ProgressBar() {
    if (subclassed_)
        RemoveWindowSubclass(control_, PaintFilter, kPaintFilterId);
}

LRESULT CALLBACK Win32ProgressBar::PaintFilter(HWND control,
                                               UINT message,
                                               WPARAM wParam,
                                               LPARAM lParam,
                                               UINT_PTR,
                                               DWORD_PTR self) {
    if (message == WM_PAINT) {
        auto* bar = reinterpret_cast<Win32ProgressBar*>(self);
        const DWORD now = GetTickCount();
        // Returning without painting keeps the update region, so the paint is only put off.
        if (bar->stepping_ && now - bar->lastPaint_ < kRepaintIntervalMs)
            return 0;
        bar->lastPaint_ = now;
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

void Win32ProgressBar::SetRange(int minimum, int maximum) {
    SendMessageA(control_, PBM_SETRANGE, 0, MAKELPARAM(minimum, maximum));
}

void Win32ProgressBar::SetStep(int step) {
    SendMessageA(control_, PBM_SETSTEP, static_cast<WPARAM>(step), 0);
}

void Win32ProgressBar::SetPos(int position) {
    SendMessageA(control_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void Win32ProgressBar::StepIt() {
    stepping_ = true;
    SendMessageA(control_, PBM_STEPIT, 0, 0);
    stepping_ = false;
}

}  // namespace platform::win32
