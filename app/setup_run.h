#pragma once
// What SetUp.exe does with its command line: the wizard, the silent installation, the list of
// switches, or (later) the uninstallation; the log around whichever runs; the exit code.

#include <functional>
#include <memory>
#include <string>

#include "platform/dialog_host.h"
#include "platform/folder_browser.h"
#include "platform/services.h"
#include "state/install_journal.h"

namespace app {

struct SetUpPlatform {
    platform::Services services;
    platform::DialogRunner& dialogs;
    platform::FolderBrowser& folderBrowser;
    // Opens the log file at a path; a sink that refuses every line when it cannot be written.
    std::function<std::unique_ptr<platform::LogSink>(const std::string& path)> openLog;
};

// `arguments`: the command line after the program name. Returns the process exit code.
int RunSetUp(const std::string& arguments, SetUpPlatform& platform);

// The text of the /? box: every switch and every exit code.
std::string HelpText();

}  // namespace app
