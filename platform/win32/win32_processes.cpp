#include "platform/win32/win32_processes.h"

#include "platform/win32/unique_handles.h"

// tlhelp32.h needs the types of windows.h, which unique_handles.h brings in.
#include <tlhelp32.h>

namespace platform::win32 {

// The ANSI record whose size the first call must be given: 296 bytes in a 32-bit program.
static_assert(sizeof(PROCESSENTRY32) == (sizeof(void*) == 4 ? 296 : 304), "ANSI PROCESSENTRY32 expected");

std::optional<std::vector<std::string>> Win32ProcessList::ExecutableNames() {
    UniqueSnapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return std::nullopt;
    std::vector<std::string> names;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.get(), &entry); more;
         more = Process32Next(snapshot.get(), &entry)) {
        names.emplace_back(entry.szExeFile);
    }
    return names;
}

}  // namespace platform::win32

namespace platform::win32 {

bool Win32ProcessList::RunsAsLocalSystem() {
    UniqueKernelObject token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()))
        return false;
    // TOKEN_USER is followed by the SID it points to; 256 bytes hold any SID.
    alignas(TOKEN_USER) unsigned char buffer[256];
    DWORD size = 0;
    if (!GetTokenInformation(token.get(), TokenUser, buffer, sizeof buffer, &size))
        return false;
    const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer);
    return IsWellKnownSid(user->User.Sid, WinLocalSystemSid) != FALSE;
}

}  // namespace platform::win32
