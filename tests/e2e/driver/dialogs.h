#pragma once
// Finding the dialogs of the program under test from outside its process.
//
// The wizard shows one modal dialog at a time: a page, or a box it owns (message box, folder browser),
// which disables its owner while it is up. So "the active dialog" is the visible, enabled top-level
// #32770 window of another process; when a transition briefly shows two, the topmost one wins.
#include <windows.h>

#include <string>
#include <vector>

namespace guidriver {

// Visible top-level #32770 windows of other processes, topmost first.
std::vector<HWND> VisibleDialogs();

// The active dialog, or nullptr when none is up.
HWND ActiveDialog();

// Waits until an active dialog exists; nullptr after the timeout.
HWND WaitForActiveDialog(DWORD timeoutMs);

// Text of a window of another process (WM_GETTEXT, so edit boxes report their current contents).
std::wstring WindowText(HWND window);

// Window class name.
std::wstring ClassOf(HWND window);

// A direct child of the dialog with this control id, or nullptr.
HWND ControlOf(HWND dialog, int id);

// Direct children of the dialog, in creation (tab) order.
std::vector<HWND> ControlsOf(HWND dialog);

// True when the dialog is a message box: it carries the message text static 65535.
bool IsMessageBox(HWND dialog);

// Check state of a check box or radio button: 0, 1 or 2; -1 when the control is no check box.
int CheckStateOf(HWND control);

// Control rectangle in the client coordinates of its dialog.
RECT ClientRectOf(HWND control);

// One line describing a control: id, class, text, enabled, visible, checked, rectangle.
std::wstring Describe(HWND control);

// Polls `condition` every 50 ms until it holds or the timeout passes.
template <typename Condition>
bool WaitUntil(DWORD timeoutMs, Condition condition) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        ::Sleep(50);
    }
}

}  // namespace guidriver
