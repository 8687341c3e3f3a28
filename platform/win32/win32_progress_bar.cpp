#include "platform/win32/win32_progress_bar.h"

#include <commctrl.h>

namespace platform::win32 {

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
    SendMessageA(control_, PBM_STEPIT, 0, 0);
}

}  // namespace platform::win32
