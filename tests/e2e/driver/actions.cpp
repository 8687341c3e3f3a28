// What a user does: press buttons, type, close, answer message boxes.
#include "tests/e2e/driver/command_handlers.h"

#include "tests/e2e/driver/command_support.h"
#include "tests/e2e/driver/dialogs.h"
#include "tests/e2e/driver/text.h"

namespace guidriver {

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

// The close box of the title bar (WM_CLOSE), which a dialog treats as Cancel.
bool Close(const Words&) {
    HWND dialog = WaitForActiveDialog(kDefaultTimeoutMs);
    if (dialog == nullptr)
        return Fail(L"no dialog is up");
    Say(L"close " + Quoted(WindowText(dialog)));
    PostMessageW(dialog, WM_CLOSE, 0, 0);
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

// A key pressed while the active dialog has the focus (Esc, Enter), delivered to its focused control
// so that the dialog's own keyboard handling decides what it means.
bool PressKey(const Words& w) {
    if (w.size() != 1 || (w[0] != L"escape" && w[0] != L"enter"))
        return Fail(L"usage: press-key <escape|enter>");
    HWND dialog = WaitForActiveDialog(kDefaultTimeoutMs);
    if (dialog == nullptr)
        return Fail(L"no dialog is up");
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof(thread);
    HWND target = dialog;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &thread) && thread.hwndFocus != nullptr)
        target = thread.hwndFocus;
    WPARAM key = w[0] == L"escape" ? VK_ESCAPE : VK_RETURN;
    Say(L"press-key " + w[0] + L" on " + Quoted(WindowText(dialog)));
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 0xC0000001);
    return true;
}

}  // namespace guidriver
