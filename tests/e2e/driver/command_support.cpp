#include "tests/e2e/driver/command_support.h"

#include "tests/e2e/driver/dialogs.h"
#include "tests/e2e/driver/text.h"

namespace guidriver {

bool Fail(const std::wstring& message) {
    Complain(message);
    return false;
}

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

HWND ActiveControl(int id) {
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
    return control;
}

bool Clickable(HWND control, int id) {
    if (!IsWindowVisible(control))
        return Fail(L"control " + std::to_wstring(id) + L" is hidden: " + Describe(control));
    if (!IsWindowEnabled(control))
        return Fail(L"control " + std::to_wstring(id) + L" is disabled: " + Describe(control));
    return true;
}

bool HasControlText(HWND dialog, const std::wstring& text) {
    for (HWND control : ControlsOf(dialog)) {
        if (IsWindowVisible(control) && WindowText(control) == text)
            return true;
    }
    return false;
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

}  // namespace guidriver
