#include "platform/win32/win32_dialog_window.h"

#include <commctrl.h>

namespace platform::win32 {
namespace {

constexpr int kLabelFontHeight = 12;
constexpr int kLabelFontWeight = 600;
constexpr char kLabelFontFace[] = "宋体";

}  // namespace

HWND Win32DialogWindow::Control(int id) const {
    return GetDlgItem(dialog_, id);
}

bool Win32DialogWindow::HasControl(int id) const {
    return Control(id) != nullptr;
}

std::string Win32DialogWindow::GetText(int id) const {
    HWND control = Control(id);
    if (!control) {
        return std::string();
    }
    const int length = GetWindowTextLengthA(control);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(control, &text[0], length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

void Win32DialogWindow::SetText(int id, const std::string& text) {
    if (HWND control = Control(id)) {
        SetWindowTextA(control, text.c_str());
    }
}

int Win32DialogWindow::GetCheck(int id) const {
    return IsDlgButtonChecked(dialog_, id) == BST_CHECKED ? 1 : 0;
}

void Win32DialogWindow::SetCheck(int id, int state) {
    if (Control(id)) {
        CheckDlgButton(dialog_, id, state ? BST_CHECKED : BST_UNCHECKED);
    }
}

bool Win32DialogWindow::IsEnabled(int id) const {
    HWND control = Control(id);
    return control && IsWindowEnabled(control);
}

void Win32DialogWindow::Enable(int id, bool enable) {
    if (HWND control = Control(id)) {
        EnableWindow(control, enable ? TRUE : FALSE);
    }
}

bool Win32DialogWindow::IsVisible(int id) const {
    // The control's own style: the page itself is not yet visible while it initialises.
    HWND control = Control(id);
    return control && (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32DialogWindow::Show(int id, bool show) {
    if (HWND control = Control(id)) {
        ShowWindow(control, show ? SW_SHOW : SW_HIDE);
    }
}

Rect Win32DialogWindow::GetRect(int id) const {
    HWND control = Control(id);
    RECT place{};
    if (!control || !GetWindowRect(control, &place)) {
        return Rect{};
    }
    MapWindowPoints(HWND_DESKTOP, dialog_, reinterpret_cast<POINT*>(&place), 2);
    return Rect{place.left, place.top, place.right, place.bottom};
}

void Win32DialogWindow::Move(int id, const Rect& place, bool repaint) {
    if (HWND control = Control(id)) {
        MoveWindow(control, place.left, place.top, place.Width(), place.Height(), repaint ? TRUE : FALSE);
    }
}

std::vector<int> Win32DialogWindow::RadioGroup(int firstId) const {
    std::vector<int> group;
    HWND first = Control(firstId);
    for (HWND window = first; window; window = GetWindow(window, GW_HWNDNEXT)) {
        if (window != first && (GetWindowLongA(window, GWL_STYLE) & WS_GROUP)) {
            break;
        }
        if (SendMessageA(window, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) {
            group.push_back(GetDlgCtrlID(window));
        }
    }
    return group;
}

ProgressBar* Win32DialogWindow::Progress(int id) {
    HWND control = Control(id);
    char className[32] = {};
    if (!control || !GetClassNameA(control, className, sizeof className) ||
        lstrcmpiA(className, PROGRESS_CLASSA) != 0) {
        return nullptr;
    }
    std::unique_ptr<Win32ProgressBar>& bar = progressBars_[id];
    if (!bar) {
        bar = std::make_unique<Win32ProgressBar>(control);
    }
    return bar.get();
}

bool Win32DialogWindow::SetSmallIcon(int iconId) {
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(iconId));
    if (!icon) {
        return false;
    }
    SendMessageA(dialog_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    return true;
}

std::unique_ptr<Brush> Win32DialogWindow::CreateSolidBrush(Colour colour) {
    return std::make_unique<Win32Brush>(colour);
}

void Win32DialogWindow::End(int result) {
    EndDialog(dialog_, result);
}

INT_PTR Win32DialogWindow::ApplyColour(HDC dc, const ControlColour& colour) {
    // Every brush here was made by this backend.
    const auto* brush = static_cast<const Win32Brush*>(colour.brush);
    if (!brush) {
        return FALSE;  // the system's own colours
    }
    SetTextColor(dc, colour.textColour);
    SetBkMode(dc, colour.transparentBackground ? TRANSPARENT : OPAQUE);
    if (colour.labelFont) {
        if (!labelFont_.get()) {
            labelFont_.reset(CreateFontA(kLabelFontHeight, 0, 0, 0, kLabelFontWeight, FALSE, FALSE, FALSE, 0,
                                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                         DEFAULT_PITCH | FF_DONTCARE, kLabelFontFace));
        }
        if (labelFont_.get()) {
            SelectObject(dc, labelFont_.get());
        }
    }
    return reinterpret_cast<INT_PTR>(brush->handle());
}

}  // namespace platform::win32
