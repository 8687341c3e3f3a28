// Processes and files: starting a program, and stand-ins that stay alive or hold a file open.
#include "tests/e2e/driver/command_handlers.h"

#include "tests/e2e/driver/command_support.h"
#include "tests/e2e/driver/dialogs.h"
#include "tests/e2e/driver/text.h"

namespace guidriver {

namespace {

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

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

}  // namespace guidriver
