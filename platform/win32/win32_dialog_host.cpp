#include "platform/win32/win32_dialog_host.h"

#include <commctrl.h>

#include <memory>

#include "platform/win32/win32_dialog_window.h"

namespace platform::win32 {
namespace {

// One modal run: the page's events and, from WM_INITDIALOG to WM_DESTROY, its window.
struct ModalRun {
    DialogEvents& events;
    std::unique_ptr<Win32DialogWindow> window;
};

bool IsControlColourMessage(UINT message) {
    switch (message) {
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORMSGBOX:
            return true;
        default:
            return false;
    }
}

// As the dialog framework does for a template that gives no position of its own: over the owner,
// or in the middle of the screen's work area when there is none.
void CentreOnOwnerOrScreen(HWND dialog) {
    RECT area{};
    HWND owner = GetWindow(dialog, GW_OWNER);
    if (!owner || !IsWindowVisible(owner) || !GetWindowRect(owner, &area)) {
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    }
    RECT window{};
    GetWindowRect(dialog, &window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    int left = area.left + (area.right - area.left - width) / 2;
    int top = area.top + (area.bottom - area.top - height) / 2;
    // Keep the title bar reachable when the area is smaller than the page.
    left = left < area.left ? area.left : left;
    top = top < area.top ? area.top : top;
    SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK PageProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* run = reinterpret_cast<ModalRun*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(run));
        run->window = std::make_unique<Win32DialogWindow>(dialog);
        run->window->ApplyDpi(run->window->Dpi());
        const bool defaultFocus = run->events.OnInit(*run->window);
        CentreOnOwnerOrScreen(dialog);
        return defaultFocus ? TRUE : FALSE;
    }
    auto* run = reinterpret_cast<ModalRun*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (!run || !run->window) {
        return FALSE;
    }
    if (IsControlColourMessage(message)) {
        const int id =
            message == WM_CTLCOLORDLG ? kDialogItself : GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
        return run->window->ApplyColour(reinterpret_cast<HDC>(wParam), run->events.OnControlColour(id));
    }
    switch (message) {
        case WM_COMMAND:
            run->events.OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_CLOSE:
            run->events.OnClose();
            return TRUE;
        case WM_DPICHANGED: {
            // Moved to a monitor of another scale: the size Windows suggests, and the label font and
            // the logo for the new DPI. FALSE lets the dialog manager rescale the template's controls
            // and the dialog font, as it does for a per-monitor V2 dialog from Windows 10 1703 on.
            const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(dialog, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                         suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
            run->window->ApplyDpi(HIWORD(wParam));
            return FALSE;
        }
        case WM_DESTROY:
            run->events.OnDestroy();
            run->window.reset();
            SetWindowLongPtrA(dialog, DWLP_USER, 0);
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

Win32DialogRunner::Win32DialogRunner(HINSTANCE instance)
    : instance_(instance ? instance : GetModuleHandleA(nullptr)) {
    INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&classes);
}

int Win32DialogRunner::RunModal(int templateId, DialogEvents& events, WindowHandle parent) {
    ModalRun run{events, nullptr};
    const INT_PTR result =
        DialogBoxParamA(instance_, MAKEINTRESOURCEA(templateId), reinterpret_cast<HWND>(parent),
                        PageProcedure, reinterpret_cast<LPARAM>(&run));
    return static_cast<int>(result);
}

}  // namespace platform::win32
