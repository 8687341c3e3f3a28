// SetUp.exe: the real platform, the page dialogs from the program's resources, and the wizard.

// First, so that no later header sees the A/W name macros of windows.h.
#include "platform/win32/win32_api.h"

#include <objbase.h>

#include <algorithm>
#include <string>

#include "app/acad_inventory.h"
#include "app/install_options.h"
#include "app/wizard_app.h"
#include "install/uninstall.h"
#include "platform/win32/win32_backend.h"
#include "platform/win32/win32_dialog_host.h"
#include "platform/win32/win32_folder_browser.h"
#include "ui/wizard_context.h"
#include "ui/wizard_pages.h"

namespace {

// The shell's folder browser runs on this thread's COM apartment.
class ComApartment {
  public:
    ComApartment() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComApartment() {
        if (initialised_) {
            CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

  private:
    bool initialised_;
};

// True when the command line holds "/<name>" or "-<name>" as a word of its own, letter case ignored.
bool HasSwitch(const char* commandLine, const char* name) {
    const std::string line = commandLine ? commandLine : "";
    std::size_t start = 0;
    while (start < line.size()) {
        const std::size_t end = std::min(line.find(' ', start), line.size());
        const std::string word = line.substr(start, end - start);
        if (word.size() > 1 && (word[0] == '/' || word[0] == '-') && lstrcmpiA(word.c_str() + 1, name) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    ComApartment apartment;
    platform::win32::Win32Backend backend;
    if (HasSwitch(commandLine, "UNINSTALL")) {
        app::InstallJournal journal;
        platform::Services services = backend.services();
        return install::RunUninstall(services, journal, HasSwitch(commandLine, "S"));
    }
    platform::win32::Win32DialogRunner dialogs(instance);
    platform::win32::Win32FolderBrowser folderBrowser;

    // The process-wide state, made in this order and destroyed in reverse: the user's choices
    // (with the default installation root), then the record of the AutoCAD installations.
    app::InstallOptions options;
    app::AcadInventory inventory;
    app::InstallJournal journal;
    ui::WizardContext context{backend.services(), dialogs, folderBrowser, options, inventory, journal};
    app::CWizardApp wizard(backend.registry, inventory, ui::MakeWizardPages(context));
    return wizard.Run();
}
