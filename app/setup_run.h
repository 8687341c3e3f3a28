#pragma once
// What SetUp.exe does with its command line: the wizard, the silent installation, the list of
// switches, or (later) the uninstallation; the log around whichever runs; the exit code.

#include <functional>
#include <memory>
#include <string>

#include "platform/dialog_host.h"
#include "platform/folder_browser.h"
#include "platform/run_lock.h"
#include "platform/services.h"
#include "state/install_journal.h"

namespace app {

struct SetUpPlatform {
    platform::Services services;
    platform::DialogRunner& dialogs;
    platform::FolderBrowser& folderBrowser;
    // Opens the log file at a path; a sink that refuses every line when it cannot be written.
    std::function<std::unique_ptr<platform::LogSink>(const std::string& path, bool createNew)> openLog;
    // One run at a time changes the machine: the wizard, a silent installation, an uninstall.
    platform::RunLock& runLock;
    // Writes a text to the console of whoever started the program (cmd, a deployment script), as
    // lines of their own; does nothing when there is none. Empty: no console.
    std::function<void(const std::string& text)> console;
};

// `arguments`: the command line after the program name. Returns the process exit code.
int RunSetUp(const std::string& arguments, SetUpPlatform& platform);

// The list of switches for a console and a log: every switch with its default, the releases each
// build serves, and every exit code.
std::string HelpText();

// The same, short enough for the /? box to fit a 1024 x 768 screen at 150 %: a switch a line and the
// exit codes, with the way to the whole list.
std::string HelpBoxText();

// The box of a refused command line: what was not understood, and that /? lists the switches.
std::string RefusalText(const std::string& error);

}  // namespace app
