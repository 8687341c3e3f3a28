// BrelixUser.exe: the per-user steps for the installation the record names, run by Active Setup at
// each user's logon. No window, no switches; SetUp.exe carries this program and writes it out.

// First, so that no later header sees the A/W name macros of windows.h.
#include "platform/win32/win32_api.h"

#include "app/user_run.h"
#include "platform/win32/active_code_page.h"
#include "platform/win32/dll_search_order.h"
#include "platform/win32/win32_environment.h"
#include "platform/win32/win32_registry.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // It runs from the product folder in every user's logon: nothing beside it may be loaded.
    platform::win32::RestrictDllSearchToSystemFolder();
    platform::win32::UseActiveCodePage();
    platform::win32::Win32Registry registry;
    platform::win32::Win32Environment environment;
    return app::RunPerUserProgram(registry, environment);
}
