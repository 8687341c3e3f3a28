#pragma once
// Shared pieces of the driver's commands: argument parsing, finding the control a command acts on,
// and reporting failures.
#include <windows.h>

#include <string>

#include "tests/e2e/driver/commands.h"

namespace guidriver {

// Long enough for a page change or a whole installation under a loaded Wine.
constexpr DWORD kDefaultTimeoutMs = 20000;
// How long a click waits for the button's handler before it leaves it running (a handler that opens
// a modal box does not return until the box closes).
constexpr DWORD kClickReturnMs = 1500;

// Prints the message as an error; always false, so that a command can `return Fail(...)`.
bool Fail(const std::wstring& message);

// Optional trailing timeout in seconds at words[index]; the default when absent.
bool TimeoutArg(const Words& words, size_t index, DWORD& timeoutMs);
bool IdArg(const std::wstring& word, int& id);
// "0" or "1".
bool FlagArg(const std::wstring& word, int& flag);

std::wstring Quoted(const std::wstring& text);

// The control `id` of the active dialog; nullptr (after saying why) when no dialog is up or it has no
// such control.
HWND ActiveControl(int id);

// A user can only press a button that is shown and not greyed. Under Wine a BM_CLICK on a disabled
// button still fires, so the check has to be made here.
bool Clickable(HWND control, int id);

// True when the dialog shows a visible control with exactly this text.
bool HasControlText(HWND dialog, const std::wstring& text);

// Prints every control of the active dialog.
bool Dump(const Words& words);

}  // namespace guidriver
