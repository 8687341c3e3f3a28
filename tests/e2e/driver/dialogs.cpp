#include "tests/e2e/driver/dialogs.h"

#include <cwchar>

namespace guidriver {

namespace {

BOOL CALLBACK CollectDialog(HWND window, LPARAM param) {
    auto* found = reinterpret_cast<std::vector<HWND>*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() || !IsWindowVisible(window))
        return TRUE;
    if (ClassOf(window) == L"#32770")
        found->push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> VisibleDialogs() {
    std::vector<HWND> found;
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND ActiveDialog() {
    for (HWND dialog : VisibleDialogs()) {
        if (IsWindowEnabled(dialog))
            return dialog;
    }
    return nullptr;
}

HWND WaitForActiveDialog(DWORD timeoutMs) {
    HWND dialog = nullptr;
    WaitUntil(timeoutMs, [&] { return (dialog = ActiveDialog()) != nullptr; });
    return dialog;
}

std::wstring WindowText(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length))
        return {};
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, 2000, &copied);
    text.resize(copied);
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

HWND ControlOf(HWND dialog, int id) {
    for (HWND control : ControlsOf(dialog)) {
        if (GetDlgCtrlID(control) == id)
            return control;
    }
    return nullptr;
}

std::vector<HWND> ControlsOf(HWND dialog) {
    std::vector<HWND> controls;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        controls.push_back(child);
    return controls;
}

bool IsMessageBox(HWND dialog) {
    HWND text = ControlOf(dialog, 0xFFFF);
    return text != nullptr && ClassOf(text) == L"Static";
}

int CheckStateOf(HWND control) {
    if (_wcsicmp(ClassOf(control).c_str(), L"Button") != 0)
        return -1;
    LONG type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    switch (type) {
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_3STATE:
        case BS_AUTO3STATE:
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON: {
            DWORD_PTR state = 0;
            SendMessageTimeoutW(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &state);
            return static_cast<int>(state);
        }
        default:
            return -1;
    }
}

RECT ClientRectOf(HWND control) {
    RECT rect = {};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::wstring Describe(HWND control) {
    RECT rect = ClientRectOf(control);
    int check = CheckStateOf(control);
    wchar_t line[512];
    swprintf(line, 512, L"id=%d class=%ls enabled=%d visible=%d checked=%ls rect=(%ld,%ld,%ld,%ld) text=\"",
             GetDlgCtrlID(control), ClassOf(control).c_str(), IsWindowEnabled(control) ? 1 : 0,
             IsWindowVisible(control) ? 1 : 0,
             check < 0 ? L"-" : (check == 0 ? L"0" : (check == 1 ? L"1" : L"2")), rect.left, rect.top,
             rect.right, rect.bottom);
    std::wstring text = WindowText(control);
    for (wchar_t& c : text) {
        if (c == L'\n')
            c = L'|';
        else if (c == L'\r')
            c = L' ';
    }
    return line + text + L"\"";
}

}  // namespace guidriver
