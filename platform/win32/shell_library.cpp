#include "platform/win32/shell_library.h"

#include <cstring>
#include <string>

namespace platform::win32::shell {

namespace {

// The DLL of that name in the system folder, loaded once and kept for the life of the process;
// nullptr when it cannot be loaded. Its own dependencies are looked for in the system folder too.
HMODULE SystemLibrary(const char* name) {
    char folder[MAX_PATH];
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    const std::string path = std::string(folder, length) + "\\" + name;
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

template <typename Function>
Function Find(HMODULE library, const char* name) {
    Function function = nullptr;
    if (library) {
        const FARPROC address = GetProcAddress(library, name);
        std::memcpy(&function, &address, sizeof function);
    }
    return function;
}

HMODULE Ole32() {
    static const HMODULE library = SystemLibrary("ole32.dll");
    return library;
}

HMODULE Shell32() {
    static const HMODULE library = SystemLibrary("shell32.dll");
    return library;
}

}  // namespace

HRESULT CoInitializeEx(void* reserved, DWORD model) {
    static const auto function = Find<HRESULT(WINAPI*)(void*, DWORD)>(Ole32(), "CoInitializeEx");
    return function ? function(reserved, model) : E_FAIL;
}

void CoUninitialize() {
    static const auto function = Find<void(WINAPI*)()>(Ole32(), "CoUninitialize");
    if (function)
        function();
}

HRESULT SHGetMalloc(IMalloc** malloc) {
    static const auto function = Find<HRESULT(WINAPI*)(IMalloc**)>(Shell32(), "SHGetMalloc");
    return function ? function(malloc) : E_FAIL;
}

PIDLIST_ABSOLUTE SHBrowseForFolderA(BROWSEINFOA* info) {
    static const auto function =
        Find<PIDLIST_ABSOLUTE(WINAPI*)(BROWSEINFOA*)>(Shell32(), "SHBrowseForFolderA");
    return function ? function(info) : nullptr;
}

BOOL SHGetPathFromIDListA(PCIDLIST_ABSOLUTE item, char* path) {
    static const auto function =
        Find<BOOL(WINAPI*)(PCIDLIST_ABSOLUTE, char*)>(Shell32(), "SHGetPathFromIDListA");
    return function ? function(item, path) : FALSE;
}

}  // namespace platform::win32::shell
