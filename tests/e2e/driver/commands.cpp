#include "tests/e2e/driver/commands.h"

#include <windows.h>
// After windows.h, which it builds on.
#include <commctrl.h>

#include <functional>
#include <map>

#include "tests/e2e/driver/dialogs.h"
#include "tests/e2e/driver/text.h"

namespace guidriver {

namespace {

// Long enough for a page change or a whole installation under a loaded Wine.
constexpr DWORD kDefaultTimeoutMs = 20000;
// How long a click waits for the button's handler before it leaves it running (a handler that opens
// a modal box does not return until the box closes).
constexpr DWORD kClickReturnMs = 1500;

bool Fail(const std::wstring& message) {
    Complain(message);
    return false;
}

// Optional trailing timeout in seconds at words[index].
bool TimeoutArg(const Words& words, size_t index, DWORD& timeoutMs) {
    timeoutMs = kDefaultTimeoutMs;
    if (words.size() <= index)
        return true;
    long seconds = 0;
    if (!ParseInt(words[index], seconds) || seconds < 0)
        return Fail(L"timeout must be a number of seconds: " + words[index]);
    timeoutMs = static_cast<DWORD>(seconds) * 1000;
    return true;
}

bool IdArg(const std::wstring& word, int& id) {
    long value = 0;
    if (!ParseInt(word, value))
        return Fail(L"control id must be a number: " + word);
    id = static_cast<int>(value);
    return true;
}

bool FlagArg(const std::wstring& word, int& flag) {
    if (word != L"0" && word != L"1")
        return Fail(L"expected 0 or 1, got " + word);
    flag = word == L"1" ? 1 : 0;
    return true;
}

std::wstring Quoted(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

// The control `id` of the active dialog; fails when no dialog is up or it has no such control.
HWND ActiveControl(int id, HWND* dialogOut = nullptr) {
    HWND dialog = WaitForActiveDialog(kDefaultTimeoutMs);
    if (dialog == nullptr) {
        Fail(L"no dialog is up");
        return nullptr;
    }
    HWND control = ControlOf(dialog, id);
    if (control == nullptr) {
        Fail(L"the dialog " + Quoted(WindowText(dialog)) + L" has no control " + std::to_wstring(id));
        return nullptr;
    }
    if (dialogOut != nullptr)
        *dialogOut = dialog;
    return control;
}

// A user can only press a button that is shown and not greyed. Under Wine a BM_CLICK on a disabled
// button still fires, so the check has to be made here.
bool Clickable(HWND control, int id) {
    if (!IsWindowVisible(control))
        return Fail(L"control " + std::to_wstring(id) + L" is hidden: " + Describe(control));
    if (!IsWindowEnabled(control))
        return Fail(L"control " + std::to_wstring(id) + L" is disabled: " + Describe(control));
    return true;
}

bool Click(const Words& w) {
    int id = 0;
    if (w.size() != 1 || !IdArg(w[0], id))
        return Fail(L"usage: click <id>");
    HWND control = ActiveControl(id);
    if (control == nullptr || !Clickable(control, id))
        return false;
    std::wstring label = WindowText(control);
    DWORD_PTR ignored = 0;
    bool returned = SendMessageTimeoutW(control, BM_CLICK, 0, 0, SMTO_NORMAL, kClickReturnMs, &ignored) != 0;
    Say(L"click " + std::to_wstring(id) + L" " + Quoted(label) +
        (returned ? L": done" : L": handler still running"));
    return true;
}

// For clicks that open a modal box: posted, so nothing waits for the handler.
bool PostClick(const Words& w) {
    int id = 0;
    if (w.size() != 1 || !IdArg(w[0], id))
        return Fail(L"usage: post-click <id>");
    HWND control = ActiveControl(id);
    if (control == nullptr || !Clickable(control, id))
        return false;
    Say(L"post-click " + std::to_wstring(id) + L" " + Quoted(WindowText(control)));
    PostMessageW(control, BM_CLICK, 0, 0);
    return true;
}

bool Type(const Words& w) {
    int id = 0;
    if (w.size() != 2 || !IdArg(w[0], id))
        return Fail(L"usage: type <id> <text>");
    HWND control = ActiveControl(id);
    if (control == nullptr || !Clickable(control, id))
        return false;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(w[1].c_str()), SMTO_NORMAL,
                        kClickReturnMs, &ignored);
    std::wstring now = WindowText(control);
    if (now != w[1])
        return Fail(L"typed " + Quoted(w[1]) + L" into " + std::to_wstring(id) + L" but it holds " +
                    Quoted(now));
    Say(L"type " + std::to_wstring(id) + L" " + Quoted(w[1]));
    return true;
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

// The close box of the title bar (WM_CLOSE), which a dialog treats as Cancel.
bool Close(const Words&) {
    HWND dialog = WaitForActiveDialog(kDefaultTimeoutMs);
    if (dialog == nullptr)
        return Fail(L"no dialog is up");
    Say(L"close " + Quoted(WindowText(dialog)));
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    return true;
}

bool Dump(const Words&) {
    HWND dialog = WaitForActiveDialog(kDefaultTimeoutMs);
    if (dialog == nullptr)
        return Fail(L"no dialog is up");
    Say(L"dialog " + Quoted(WindowText(dialog)) + (IsMessageBox(dialog) ? L" (message box)" : L""));
    for (HWND control : ControlsOf(dialog))
        Say(L"  " + Describe(control));
    return true;
}

bool HasControlText(HWND dialog, const std::wstring& text) {
    for (HWND control : ControlsOf(dialog)) {
        if (IsWindowVisible(control) && WindowText(control) == text)
            return true;
    }
    return false;
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

bool Answer(const Words& w) {
    int id = 0;
    if (w.size() != 1 || !IdArg(w[0], id))
        return Fail(L"usage: answer <button id>");
    HWND box = WaitForActiveDialog(kDefaultTimeoutMs);
    if (box == nullptr || !IsMessageBox(box))
        return Fail(L"no message box is up");
    HWND button = ControlOf(box, id);
    if (button == nullptr)
        return Fail(L"the message box has no button " + std::to_wstring(id));
    if (!Clickable(button, id))
        return false;
    std::wstring label = WindowText(button);
    PostMessageW(button, BM_CLICK, 0, 0);
    if (!WaitUntil(kDefaultTimeoutMs, [&] { return !IsWindow(box) || !IsWindowVisible(box); }))
        return Fail(L"the message box stayed up after answering " + std::to_wstring(id));
    Say(L"answer " + std::to_wstring(id) + L" " + Quoted(label));
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

bool Start(const Words& w) {
    if (w.empty())
        return Fail(L"usage: start <exe> [arguments]");
    std::wstring commandLine;
    for (const std::wstring& word : w)
        commandLine += (commandLine.empty() ? L"" : L" ") + Quoted(word);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return Fail(L"cannot start " + w[0] + L" (error " + std::to_wstring(GetLastError()) + L")");
    Say(L"started " + w[0] + L" pid " + std::to_wstring(process.dwProcessId));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

bool Pause(const Words& w) {
    long ms = 0;
    if (w.size() != 1 || !ParseInt(w[0], ms) || ms < 0)
        return Fail(L"usage: sleep <milliseconds>");
    ::Sleep(static_cast<DWORD>(ms));
    return true;
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Stays alive until the marker file exists (at most the given seconds, default 300). Lets a script run
// a stand-in process (a copy of the driver named acad.exe) and end it without killing anything.
bool Idle(const Words& w) {
    long seconds = 300;
    if (w.empty() || w.size() > 2 || (w.size() == 2 && !ParseInt(w[1], seconds)))
        return Fail(L"usage: idle <marker file> [seconds]");
    Say(L"idle until " + w[0] + L" exists");
    WaitUntil(static_cast<DWORD>(seconds) * 1000, [&] { return FileExists(w[0]); });
    return true;
}

// Opens a file without sharing, as a program holding it open does, until the marker file exists.
bool Hold(const Words& w) {
    long seconds = 300;
    if (w.size() < 2 || w.size() > 3 || (w.size() == 3 && !ParseInt(w[2], seconds)))
        return Fail(L"usage: hold <file> <marker file> [seconds]");
    HANDLE file = CreateFileW(w[0].c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Fail(L"cannot open " + w[0] + L" (error " + std::to_wstring(GetLastError()) + L")");
    Say(L"holding " + w[0]);
    WaitUntil(static_cast<DWORD>(seconds) * 1000, [&] { return FileExists(w[1]); });
    CloseHandle(file);
    Say(L"released " + w[0]);
    return true;
}

BOOL Visible(HWND window) {
    return IsWindowVisible(window);
}

BOOL Enabled(HWND window) {
    return IsWindowEnabled(window);
}

const std::map<std::wstring, std::function<bool(const Words&)>>& Table() {
    static const std::map<std::wstring, std::function<bool(const Words&)>> table = {
        {L"start", Start},
        {L"wait-window", WaitWindow},
        {L"wait-page", WaitPage},
        {L"wait-text", WaitText},
        {L"click", Click},
        {L"post-click", PostClick},
        {L"type", Type},
        {L"check", ExpectCheck},
        {L"expect-check", ExpectCheck},
        {L"expect-text", ExpectText},
        {L"expect-contains", ExpectContains},
        {L"rect", Rect},
        {L"expect-enabled", [](const Words& w) { return ExpectState(w, L"enabled", Enabled); }},
        {L"expect-visible", [](const Words& w) { return ExpectState(w, L"visible", Visible); }},
        {L"expect-caption", ExpectCaption},
        {L"expect-grid", ExpectGrid},
        {L"dump", Dump},
        {L"close", Close},
        {L"expect-owner", ExpectOwner},
        {L"expect-progress", ExpectProgress},
        {L"wait-message", WaitMessage},
        {L"expect-no-message", ExpectNoMessage},
        {L"answer", Answer},
        {L"wait-exit", WaitExit},
        {L"sleep", Pause},
        {L"idle", Idle},
        {L"hold", Hold},
    };
    return table;
}

}  // namespace

bool RunCommand(const Words& words) {
    if (words.empty())
        return true;
    auto entry = Table().find(words[0]);
    if (entry == Table().end())
        return Fail(L"unknown command " + Quoted(words[0]));
    return entry->second(Words(words.begin() + 1, words.end()));
}

const wchar_t* CommandSummary() {
    return L"  start <exe> [args]            start a program, do not wait\n"
           L"  wait-window <caption> [s]     a top-level dialog with this caption is shown\n"
           L"  wait-page <text> [s]          the active page shows a control with this text\n"
           L"  wait-text <id> <text> [s]     control <id> of the active dialog shows <text>\n"
           L"  click <id>                    press a shown, enabled button (waits briefly for its handler)\n"
           L"  post-click <id>               press it without waiting (the click opens a modal box)\n"
           L"  type <id> <text>              set the text of an edit box\n"
           L"  check <id> expect <0|1>       check state of a check box or radio button\n"
           L"  expect-text <id> <text>       exact text of a control\n"
           L"  expect-contains <id> <text>   the text of a control contains <text>\n"
           L"  rect                          screen rectangle around the dialogs on display\n"
           L"  expect-enabled <id> <0|1>     whether a control is enabled\n"
           L"  expect-visible <id> <0|1>     whether a control is shown\n"
           L"  expect-caption <text>         caption of the active dialog\n"
           L"  expect-grid <rows> <id>...    shown boxes fill a grid column by column\n"
           L"  expect-progress <id> <pos> <min> <max>  a progress bar on any dialog on display\n"
           L"  expect-owner <text>           the active box is modal over the page showing <text>\n"
           L"  close                         the close box of the active dialog\n"
           L"  dump                          every control of the active dialog\n"
           L"  wait-message <text> [s]       a message box whose text contains <text>\n"
           L"  expect-no-message [s]         no message box comes up\n"
           L"  answer <id>                   press a button of the message box and wait for it to close\n"
           L"  wait-exit [s]                 no dialog is shown any more\n"
           L"  sleep <ms>                    pause\n"
           L"  idle <marker> [s]             stay alive until the marker file exists\n"
           L"  hold <file> <marker> [s]      keep a file open without sharing until the marker exists\n";
}

}  // namespace guidriver
