#include "tests/wine/platform_win32_test_support.h"

#include <vector>

#include "platform/win32/unique_handles.h"

namespace win32test {

namespace {

struct FileTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle file) { CloseHandle(file); }
};
using UniqueFile = platform::win32::UniqueHandle<FileTraits>;

}  // namespace

std::string ScratchFolderRoot() {
    char buffer[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(sizeof buffer, buffer);
    std::string temp(buffer, length < sizeof buffer ? length : 0);
    if (!temp.empty() && temp.back() == '\\')
        temp.pop_back();
    return temp + "\\BrelixPlatformTests";
}

void RemoveEmptyScratchRoots() {
    RegDeleteKeyA(HKEY_CURRENT_USER, kScratchKeyRoot);
    RemoveDirectoryA(ScratchFolderRoot().c_str());
}

unsigned long ProcessId() {
    return GetCurrentProcessId();
}

void DeleteKeyTree(const std::string& path) {
    RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
}

bool CreateKeyPath(const std::string& path) {
    platform::win32::UniqueKey key;
    return RegCreateKeyA(HKEY_CURRENT_USER, path.c_str(), key.put()) == ERROR_SUCCESS;
}

bool SetRawValue(const std::string& path,
                 const std::string& name,
                 std::uint32_t type,
                 const std::string& data) {
    platform::win32::UniqueKey key;
    if (RegCreateKeyA(HKEY_CURRENT_USER, path.c_str(), key.put()) != ERROR_SUCCESS)
        return false;
    return RegSetValueExA(key.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

void SetVariable(const std::string& name, const std::string& value) {
    SetEnvironmentVariableA(name.c_str(), value.c_str());
}

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data{};
    platform::win32::UniqueFind find(FindFirstFileA((folder + "\\*.*").c_str(), &data));
    if (!find)
        return names;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(find.get(), &data));
    return names;
}

void DeleteFolderTree(const std::string& path) {
    WIN32_FIND_DATAA data{};
    platform::win32::UniqueFind find(FindFirstFileA((path + "\\*.*").c_str(), &data));
    if (find) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string child = path + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                DeleteFolderTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(find.get(), &data));
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(path.c_str());
}

bool CreateFolderPath(const std::string& path) {
    // Every "\" after the drive ends a level; ASCII-only paths come from the temporary folder.
    for (std::size_t pos = path.find('\\', 3); pos != std::string::npos; pos = path.find('\\', pos + 1)) {
        CreateDirectoryA(path.substr(0, pos).c_str(), nullptr);
    }
    return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool WriteWholeFile(const std::string& path, const std::string& content) {
    UniqueFile file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    return WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
           written == content.size();
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    UniqueFile file(
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return std::nullopt;
    std::string content;
    std::vector<char> buffer(4096);
    DWORD read = 0;
    while (ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) &&
           read > 0) {
        content.append(buffer.data(), read);
    }
    return content;
}

bool RunningUnderWine() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool RunningUnprivileged() {
    char value[8] = {};
    const DWORD length = GetEnvironmentVariableA("BRELIX_TESTS_UNPRIVILEGED", value, sizeof value);
    return length == 1 && value[0] == '1';
}

}  // namespace win32test
