// Checks of what the active dialog shows; each fails with the control's full description.
#include "tests/e2e/driver/command_handlers.h"

#include <windows.h>
// After windows.h, which it builds on.
#include <commctrl.h>

#include "tests/e2e/driver/command_support.h"
#include "tests/e2e/driver/dialogs.h"
#include "tests/e2e/driver/text.h"

namespace guidriver {

namespace {

BOOL Visible(HWND window) {
    return IsWindowVisible(window);
}

BOOL Enabled(HWND window) {
    return IsWindowEnabled(window);
}

bool ExpectState(const Words& w, const wchar_t* what, BOOL (*query)(HWND)) {
    int id = 0, expected = 0;
    if (w.size() != 2 || !IdArg(w[0], id) || !FlagArg(w[1], expected))
        return Fail(std::wstring(L"usage: expect-") + what + L" <id> <0|1>");
    HWND control = ActiveControl(id);
    if (control == nullptr)
        return false;
    int actual = query(control) ? 1 : 0;
    if (actual != expected)
        return Fail(L"control " + std::to_wstring(id) + L" " + what + L"=" + std::to_wstring(actual) + L": " +
                    Describe(control));
    Say(std::wstring(what) + L" " + std::to_wstring(id) + L" = " + std::to_wstring(actual));
    return true;
}

}  // namespace

bool ExpectEnabled(const Words& w) {
    return ExpectState(w, L"enabled", Enabled);
}

bool ExpectVisible(const Words& w) {
    return ExpectState(w, L"visible", Visible);
}

bool ExpectCheck(const Words& w) {
    // Accepts both "check <id> expect <0|1>" and "expect-check <id> <0|1>".
    Words args = w;
    if (args.size() == 3 && args[1] == L"expect")
        args.erase(args.begin() + 1);
    int id = 0, expected = 0;
    if (args.size() != 2 || !IdArg(args[0], id) || !FlagArg(args[1], expected))
        return Fail(L"usage: check <id> expect <0|1>");
    HWND control = ActiveControl(id);
    if (control == nullptr)
        return false;
    int state = CheckStateOf(control);
    if (state < 0)
        return Fail(L"control " + std::to_wstring(id) + L" is no check box: " + Describe(control));
    if (state != expected)
        return Fail(L"control " + std::to_wstring(id) + L" is " + (state ? L"checked" : L"unchecked") +
                    L": " + Describe(control));
    Say(L"check " + std::to_wstring(id) + L" = " + std::to_wstring(state));
    return true;
}

bool ExpectText(const Words& w) {
    int id = 0;
    if (w.size() != 2 || !IdArg(w[0], id))
        return Fail(L"usage: expect-text <id> <text>");
    HWND control = ActiveControl(id);
    if (control == nullptr)
        return false;
    std::wstring text = WindowText(control);
    if (text != w[1])
        return Fail(L"control " + std::to_wstring(id) + L" shows " + Quoted(text) + L", expected " +
                    Quoted(w[1]));
    Say(L"text " + std::to_wstring(id) + L" = " + Quoted(text));
    return true;
}

bool ExpectContains(const Words& w) {
    int id = 0;
    if (w.size() != 2 || !IdArg(w[0], id))
        return Fail(L"usage: expect-contains <id> <text>");
    HWND control = ActiveControl(id);
    if (control == nullptr)
        return false;
    std::wstring text = WindowText(control);
    if (text.find(w[1]) == std::wstring::npos)
        return Fail(L"control " + std::to_wstring(id) + L" shows " + Quoted(text) + L", which lacks " +
                    Quoted(w[1]));
    Say(L"control " + std::to_wstring(id) + L" contains " + Quoted(w[1]));
    return true;
}

bool ExpectCaption(const Words& w) {
    if (w.size() != 1)
        return Fail(L"usage: expect-caption <text>");
    HWND dialog = WaitForActiveDialog(kDefaultTimeoutMs);
    if (dialog == nullptr)
        return Fail(L"no dialog is up");
    std::wstring caption = WindowText(dialog);
    if (caption != w[0])
        return Fail(L"the dialog's caption is " + Quoted(caption) + L", expected " + Quoted(w[0]));
    Say(L"caption " + Quoted(caption));
    return true;
}

// Visible boxes fill a grid column by column: same left edge within a column, same top edge within a
// row, columns left to right and rows top to bottom. No pixel values are assumed.
bool ExpectGrid(const Words& w) {
    long rows = 0;
    if (w.size() < 2 || !ParseInt(w[0], rows) || rows < 1)
        return Fail(L"usage: expect-grid <rows> <id>...");
    HWND dialog = WaitForActiveDialog(kDefaultTimeoutMs);
    if (dialog == nullptr)
        return Fail(L"no dialog is up");
    std::vector<RECT> places;
    for (size_t i = 1; i < w.size(); ++i) {
        int id = 0;
        if (!IdArg(w[i], id))
            return false;
        HWND control = ControlOf(dialog, id);
        if (control == nullptr || !IsWindowVisible(control))
            return Fail(L"grid box " + std::to_wstring(id) + L" is missing or hidden");
        places.push_back(ClientRectOf(control));
    }
    for (size_t i = 0; i < places.size(); ++i) {
        size_t column = i / static_cast<size_t>(rows), row = i % static_cast<size_t>(rows);
        const RECT& first = places[column * static_cast<size_t>(rows)];
        const RECT& top = places[row];
        bool ok = places[i].left == first.left && places[i].top == top.top;
        if (row > 0)
            ok = ok && places[i].top > places[i - 1].top;
        if (column > 0)
            ok = ok && places[i].left > places[(column - 1) * static_cast<size_t>(rows)].left;
        if (!ok)
            return Fail(L"box " + w[i + 1] + L" is out of the grid at column " + std::to_wstring(column) +
                        L", row " + std::to_wstring(row) + L": " +
                        Describe(ControlOf(dialog, _wtoi(w[i + 1].c_str()))));
    }
    Say(L"grid of " + std::to_wstring(places.size()) + L" boxes, " + std::to_wstring(rows) + L" rows");
    return true;
}

// Position and range of a progress bar on any dialog on display (the page's bar stays readable while
// a message box owns the foreground).
bool ExpectProgress(const Words& w) {
    int id = 0;
    long position = 0, minimum = 0, maximum = 0;
    if (w.size() != 4 || !IdArg(w[0], id) || !ParseInt(w[1], position) || !ParseInt(w[2], minimum) ||
        !ParseInt(w[3], maximum))
        return Fail(L"usage: expect-progress <id> <position> <minimum> <maximum>");
    for (HWND dialog : VisibleDialogs()) {
        HWND bar = ControlOf(dialog, id);
        if (bar == nullptr || ClassOf(bar) != L"msctls_progress32")
            continue;
        DWORD_PTR actual = 0, low = 0, high = 0;
        SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 2000, &actual);
        SendMessageTimeoutW(bar, PBM_GETRANGE, TRUE, 0, SMTO_ABORTIFHUNG, 2000, &low);
        SendMessageTimeoutW(bar, PBM_GETRANGE, FALSE, 0, SMTO_ABORTIFHUNG, 2000, &high);
        std::wstring seen = std::to_wstring(static_cast<int>(actual)) + L" in " +
                            std::to_wstring(static_cast<int>(low)) + L".." +
                            std::to_wstring(static_cast<int>(high));
        if (static_cast<long>(actual) != position || static_cast<long>(low) != minimum ||
            static_cast<long>(high) != maximum)
            return Fail(L"progress bar " + std::to_wstring(id) + L" is at " + seen);
        Say(L"progress " + std::to_wstring(id) + L" = " + seen);
        return true;
    }
    return Fail(L"no progress bar " + std::to_wstring(id) + L" on display");
}

// The active dialog (a message box, the folder browser) is owned by the page that shows this text.
bool ExpectOwner(const Words& w) {
    if (w.size() != 1)
        return Fail(L"usage: expect-owner <text of a control on the owner>");
    HWND dialog = WaitForActiveDialog(kDefaultTimeoutMs);
    if (dialog == nullptr)
        return Fail(L"no dialog is up");
    HWND owner = GetWindow(dialog, GW_OWNER);
    if (owner == nullptr)
        return Fail(L"the dialog " + Quoted(WindowText(dialog)) + L" has no owner");
    if (ClassOf(owner) != L"#32770" || !HasControlText(owner, w[0]))
        return Fail(L"the dialog " + Quoted(WindowText(dialog)) + L" is owned by " +
                    Quoted(WindowText(owner)) + L" (" + ClassOf(owner) + L"), which does not show " +
                    Quoted(w[0]));
    if (IsWindowEnabled(owner))
        return Fail(L"the owner of " + Quoted(WindowText(dialog)) +
                    L" is not disabled: the box is not modal");
    Say(L"owned by the page showing " + Quoted(w[0]));
    return true;
}

// Fails when a message box is up, or comes up within the given time (default: none, look once).
bool ExpectNoMessage(const Words& w) {
    long seconds = 0;
    if (w.size() > 1 || (w.size() == 1 && !ParseInt(w[0], seconds)))
        return Fail(L"usage: expect-no-message [seconds]");
    HWND box = nullptr;
    bool appeared = WaitUntil(static_cast<DWORD>(seconds) * 1000, [&] {
        box = ActiveDialog();
        return box != nullptr && IsMessageBox(box);
    });
    if (appeared)
        return Fail(L"unexpected message box " + Quoted(WindowText(box)) + L": " +
                    Quoted(WindowText(ControlOf(box, 0xFFFF))));
    Say(L"no message box");
    return true;
}

}  // namespace guidriver
