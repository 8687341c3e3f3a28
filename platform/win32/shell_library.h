#pragma once
// The few functions of shell32 and ole32 the program uses, loaded from the system folder on first
// use instead of with the program. Loaded with the program, these DLLs and what they load in turn
// (shlwapi, shcore, combase, ...) would be looked for beside SetUp.exe first, before WinMain could
// restrict the search, wherever the system does not pin them as known DLLs. Each behaves as the
// system function of the same name; when the DLL or the function cannot be loaded, it fails as that
// function does (a failing HRESULT, FALSE or nullptr).

#include "platform/win32/win32_api.h"

#include <shlobj.h>

namespace platform::win32::shell {

HRESULT CoInitializeEx(void* reserved, DWORD model);
void CoUninitialize();
HRESULT SHGetMalloc(IMalloc** malloc);
PIDLIST_ABSOLUTE SHBrowseForFolderA(BROWSEINFOA* info);
BOOL SHGetPathFromIDListA(PCIDLIST_ABSOLUTE item, char* path);

}  // namespace platform::win32::shell
