#include "platform/win32/dll_search_order.h"

#include <cstring>

#include "platform/win32/win32_api.h"

namespace platform::win32 {

bool RestrictDllSearchToSystemFolder() {
    // Looked up at run time: older systems lack the function, and a static import would keep the
    // program from starting there. kernel32 is in every process, so this loads nothing.
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const FARPROC address = kernel ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr;
    if (address) {
        SetDefaultDllDirectoriesFunction setDefaultDllDirectories;
        std::memcpy(&setDefaultDllDirectories, &address, sizeof address);
        if (setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32))
            return true;
    }
    return SetDllDirectoryA("") != FALSE;
}

}  // namespace platform::win32
