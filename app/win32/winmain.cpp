// SetUp.exe: the real platform, then whatever the command line asks for (the wizard without one).

// First, so that no later header sees the A/W name macros of windows.h.
#include "platform/win32/win32_api.h"

#include <memory>

#include "app/command_line.h"
#include "app/setup_run.h"
#include "platform/win32/active_code_page.h"
#include "platform/win32/dll_search_order.h"
#include "platform/win32/parent_console.h"
#include "platform/win32/win32_backend.h"
#include "platform/win32/win32_dialog_host.h"
#include "platform/win32/win32_folder_browser.h"
#include "platform/win32/win32_log_file.h"
#include "platform/win32/win32_run_lock.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // First, before anything can load a DLL by a bare name from the program's folder.
    platform::win32::RestrictDllSearchToSystemFolder();
    platform::win32::UseActiveCodePage();
    platform::win32::Win32Backend backend;
    // Held from now on: whoever may write the folder this program runs from cannot swap it for
    // another program that would then be copied as the uninstaller.
    backend.files.ProgramFile();
    platform::win32::Win32DialogRunner dialogs(instance);
    platform::win32::Win32FolderBrowser folderBrowser;
    platform::win32::Win32RunLock runLock;
    app::SetUpPlatform setUp{backend.services(),
                             dialogs,
                             folderBrowser,
                             [](const std::string& path, bool createNew) {
                                 return std::make_unique<platform::win32::Win32LogFile>(path, createNew);
                             },
                             runLock,
                             platform::win32::WriteToParentConsole};
    // Not WinMain's own argument text: see ArgumentsAfterProgram.
    const char* commandLine = GetCommandLineA();
    return app::RunSetUp(app::ArgumentsAfterProgram(commandLine ? commandLine : ""), setUp);
}
