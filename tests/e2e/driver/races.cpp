// A second Windows program working against the installer, under Windows' sharing rules (a Unix `mv`
// ignores them and proves nothing): renaming folders while it runs, renaming its own program file,
// and replacing that file before the program's first instruction.
#include "tests/e2e/driver/command_handlers.h"

#include "tests/e2e/driver/command_support.h"
#include "tests/e2e/driver/dialogs.h"
#include "tests/e2e/driver/text.h"

namespace guidriver {

namespace {

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

// Once the watched file exists, keeps trying to rename each folder away for as long as it exists
// (and puts one back at once should Windows let it go). Reports the tries and the renames Windows
// allowed while the watched file was still there: "raced <tries> <renamed>".
bool Race(const Words& w) {
    if (w.size() < 3)
        return Fail(L"usage: race <watched file> <marker file> <folder>...");
    Say(L"holding a race on " + w[2]);
    WaitUntil(120000, [&] { return Exists(w[0]) || Exists(w[1]); });
    long tries = 0, renamed = 0;
    while (Exists(w[0]) && !Exists(w[1])) {
        for (std::size_t i = 2; i < w.size(); ++i) {
            const std::wstring away = w[i] + L"~raced";
            ++tries;
            if (MoveFileExW(w[i].c_str(), away.c_str(), 0)) {
                MoveFileExW(away.c_str(), w[i].c_str(), 0);
                // A rename counts while the watched file is still there: between a look at it and the
                // rename, the run may have deleted it, ended and let go of everything.
                if (Exists(w[0]))
                    ++renamed;
            }
        }
    }
    Say(L"raced " + std::to_wstring(tries) + L" " + std::to_wstring(renamed));
    WaitUntil(120000, [&] { return Exists(w[1]); });
    return true;
}

// Tries one rename and says how it went; never fails the script.
bool Rename(const Words& w) {
    if (w.size() != 2)
        return Fail(L"usage: rename <from> <to>");
    if (MoveFileExW(w[0].c_str(), w[1].c_str(), 0))
        Say(L"renamed " + w[0]);
    else
        Say(L"refused " + w[0] + L" (error " + std::to_wstring(GetLastError()) + L")");
    return true;
}

// Starts a program suspended, renames its file away and puts another program under its name before
// it runs its first instruction, then lets it run and waits: "exit <code>".
bool SwapStart(const Words& w) {
    if (w.size() < 2)
        return Fail(L"usage: swapstart <exe> <replacement> [arguments]");
    std::wstring commandLine = Quoted(w[0]);
    for (std::size_t i = 2; i < w.size(); ++i)
        commandLine += L" " + Quoted(w[i]);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        nullptr, &startup, &process))
        return Fail(L"cannot start " + w[0] + L" (error " + std::to_wstring(GetLastError()) + L")");
    const std::wstring renamed = w[0] + L".renamed";
    const bool swapped =
        MoveFileExW(w[0].c_str(), renamed.c_str(), 0) && CopyFileW(w[1].c_str(), w[0].c_str(), FALSE);
    Say(swapped ? L"swapped " + w[0] : L"could not swap " + w[0]);
    ResumeThread(process.hThread);
    WaitForSingleObject(process.hProcess, 300000);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    Say(L"exit " + std::to_wstring(code));
    return swapped;
}

}  // namespace guidriver
