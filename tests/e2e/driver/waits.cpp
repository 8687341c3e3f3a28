// Waiting for the wizard: a page, a text, a window, a message box, the end.
#include "tests/e2e/driver/command_handlers.h"

#include "tests/e2e/driver/command_support.h"
#include "tests/e2e/driver/dialogs.h"
#include "tests/e2e/driver/text.h"

namespace guidriver {

bool WaitPage(const Words& w) {
    DWORD timeout = 0;
    if (w.empty() || !TimeoutArg(w, 1, timeout))
        return Fail(L"usage: wait-page <text of a control> [seconds]");
    HWND dialog = nullptr;
    bool found = WaitUntil(timeout, [&] {
        dialog = ActiveDialog();
        return dialog != nullptr && !IsMessageBox(dialog) && HasControlText(dialog, w[0]);
    });
    if (!found) {
        if (dialog != nullptr)
            Dump({});
        return Fail(L"no page showing " + Quoted(w[0]));
    }
    Say(L"page " + Quoted(w[0]));
    return true;
}

bool WaitText(const Words& w) {
    int id = 0;
    DWORD timeout = 0;
    if (w.size() < 2 || !IdArg(w[0], id) || !TimeoutArg(w, 2, timeout))
        return Fail(L"usage: wait-text <id> <text> [seconds]");
    std::wstring last;
    bool found = WaitUntil(timeout, [&] {
        HWND dialog = ActiveDialog();
        HWND control = dialog != nullptr ? ControlOf(dialog, id) : nullptr;
        last = control != nullptr ? WindowText(control) : L"";
        return control != nullptr && last == w[1];
    });
    if (!found)
        return Fail(L"control " + std::to_wstring(id) + L" never showed " + Quoted(w[1]) + L" (last " +
                    Quoted(last) + L")");
    Say(L"text " + std::to_wstring(id) + L" = " + Quoted(w[1]));
    return true;
}

bool WaitWindow(const Words& w) {
    DWORD timeout = 0;
    if (w.empty() || !TimeoutArg(w, 1, timeout))
        return Fail(L"usage: wait-window <caption> [seconds]");
    bool found = WaitUntil(timeout, [&] {
        for (HWND dialog : VisibleDialogs()) {
            if (WindowText(dialog) == w[0])
                return true;
        }
        return false;
    });
    if (!found)
        return Fail(L"no window captioned " + Quoted(w[0]));
    Say(L"window " + Quoted(w[0]));
    return true;
}

bool WaitMessage(const Words& w) {
    DWORD timeout = 0;
    if (w.empty() || !TimeoutArg(w, 1, timeout))
        return Fail(L"usage: wait-message <text> [seconds]");
    HWND box = nullptr;
    bool found = WaitUntil(timeout, [&] {
        box = ActiveDialog();
        return box != nullptr && IsMessageBox(box) &&
               WindowText(ControlOf(box, 0xFFFF)).find(w[0]) != std::wstring::npos;
    });
    if (!found) {
        if (box != nullptr)
            Dump({});
        return Fail(L"no message box saying " + Quoted(w[0]));
    }
    std::wstring text = WindowText(ControlOf(box, 0xFFFF));
    for (wchar_t& c : text) {
        if (c == L'\n')
            c = L'|';
    }
    Say(L"message " + Quoted(WindowText(box)) + L": " + Quoted(text));
    return true;
}

// Waits until no dialog of another process is shown any more: the wizard has ended.
bool WaitExit(const Words& w) {
    DWORD timeout = 0;
    if (!TimeoutArg(w, 0, timeout))
        return false;
    if (!WaitUntil(timeout, [] { return VisibleDialogs().empty(); })) {
        Dump({});
        return Fail(L"a dialog is still up");
    }
    Say(L"no dialog left");
    return true;
}

// Screen rectangle around every dialog on display (a page and the box it shows), frame included, for
// cropping a screenshot: "rect <left> <top> <width> <height>".
bool Rect(const Words&) {
    if (WaitForActiveDialog(kDefaultTimeoutMs) == nullptr)
        return Fail(L"no dialog is up");
    RECT all = {};
    for (HWND dialog : VisibleDialogs()) {
        RECT rect = {};
        GetWindowRect(dialog, &rect);
        UnionRect(&all, &all, &rect);
    }
    Say(L"rect " + std::to_wstring(all.left) + L" " + std::to_wstring(all.top) + L" " +
        std::to_wstring(all.right - all.left) + L" " + std::to_wstring(all.bottom - all.top));
    return true;
}

}  // namespace guidriver
