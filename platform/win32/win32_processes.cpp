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

std::optional<std::vector<RunningProcess>> Win32ProcessList::Running() {
    UniqueSnapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return std::nullopt;
    std::vector<RunningProcess> running;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.get(), &entry); more;
         more = Process32Next(snapshot.get(), &entry)) {
        DWORD session = 0;
        const bool known = ProcessIdToSessionId(entry.th32ProcessID, &session) != FALSE;
        running.push_back({entry.szExeFile, entry.th32ProcessID,
                           known ? std::optional<std::uint32_t>(session) : std::nullopt});
    }
    return running;
}

std::uint32_t Win32ProcessList::CurrentProcessId() {
    return GetCurrentProcessId();
}

}  // namespace platform::win32

namespace platform::win32 {

namespace {

// The process token's user. TOKEN_USER is followed by the SID it points to; 256 bytes hold any SID.
struct ProcessUser {
    alignas(TOKEN_USER) unsigned char buffer[256];
    PSID Sid() const { return reinterpret_cast<const TOKEN_USER*>(buffer)->User.Sid; }
};

bool ReadTokenUser(ProcessUser& user) {
    UniqueKernelObject token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()))
        return false;
    DWORD size = 0;
    return GetTokenInformation(token.get(), TokenUser, user.buffer, sizeof user.buffer, &size) != FALSE;
}

}  // namespace

bool Win32ProcessList::RunsAsLocalSystem() {
    ProcessUser user;
    return ReadTokenUser(user) && IsWellKnownSid(user.Sid(), WinLocalSystemSid) != FALSE;
}

std::string Win32ProcessList::ComputerName() {
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    return GetComputerNameA(name, &size) ? std::string(name, size) : std::string();
}

std::string Win32ProcessList::AccountName() {
    ProcessUser user;
    if (!ReadTokenUser(user))
        return std::string();
    // Account and domain names are at most 256 characters.
    char name[257] = {};
    char domain[257] = {};
    DWORD nameSize = sizeof name;
    DWORD domainSize = sizeof domain;
    SID_NAME_USE use;
    if (!LookupAccountSidA(nullptr, user.Sid(), name, &nameSize, domain, &domainSize, &use))
        return std::string();
    return domainSize ? std::string(domain) + "\\" + name : std::string(name);
}

}  // namespace platform::win32
