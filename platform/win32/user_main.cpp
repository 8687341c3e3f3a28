// BrelixUser.exe: the per-user steps for the installation the record names. No window.

#include "platform/win32/win32_api.h"

#include "app/user_run.h"
#include "platform/win32/win32_registry.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    platform::win32::Win32Registry registry;
    return app::RunPerUserProgram(registry);
}
