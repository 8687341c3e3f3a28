#include "platform/win32/win32_api.h"

#include "platform/win32/parent_console.h"
#include "platform/win32/unique_handles.h"

namespace platform::win32 {

namespace {

// Lines end in CR LF on a console and in a file that Notepad opens.
std::string WithCrLf(const std::string& text) {
    std::string bytes;
    for (const char c : text) {
        if (c == '\n')
            bytes += '\r';
        bytes += c;
    }
    return bytes + "\r\n";
}

bool WriteAll(HANDLE out, const std::string& bytes, bool console) {
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(bytes.size());
    return console ? WriteConsoleA(out, bytes.data(), size, &written, nullptr) != 0
                   : WriteFile(out, bytes.data(), size, &written, nullptr) != 0;
}

}  // namespace

void WriteToParentConsole(const std::string& text) {
    const std::string bytes = WithCrLf(text);
    // Redirected by the caller ("SetUp.exe /? /S > help.txt"): the handle it gave us.
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out && out != INVALID_HANDLE_VALUE) {
        const DWORD type = GetFileType(out);
        if (type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE) {
            WriteAll(out, bytes, false);
            return;
        }
    }
    // A second attach fails with ERROR_ACCESS_DENIED: the program is attached already.
    if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED)
        return;
    const UniqueFile console(CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                         nullptr));
    if (console)
        WriteAll(console.get(), bytes, true);
}

}  // namespace platform::win32
