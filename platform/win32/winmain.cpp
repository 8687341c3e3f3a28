// SetUp.exe: the real platform, the page dialogs from the program's resources, and the wizard.

// First, so that no later header sees the A/W name macros of windows.h.
#include "platform/win32/win32_api.h"

#include <objbase.h>

#include "app/acad_inventory.h"
#include "app/install_options.h"
#include "app/wizard_app.h"
#include "platform/win32/active_code_page.h"
#include "platform/win32/dll_search_order.h"
#include "platform/win32/shell_library.h"
#include "platform/win32/win32_backend.h"
#include "platform/win32/win32_dialog_host.h"
#include "platform/win32/win32_folder_browser.h"
#include "ui/wizard_context.h"
#include "ui/wizard_pages.h"

namespace {

// The shell's folder browser runs on this thread's COM apartment.
class ComApartment {
  public:
    ComApartment()
        : initialised_(SUCCEEDED(platform::win32::shell::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    }
    ~ComApartment() {
        if (initialised_) {
            platform::win32::shell::CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

  private:
    bool initialised_;
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // First, before anything can load a DLL by a bare name from the program's folder.
    platform::win32::RestrictDllSearchToSystemFolder();
    platform::win32::UseActiveCodePage();
    ComApartment apartment;
    platform::win32::Win32Backend backend;
    platform::win32::Win32DialogRunner dialogs(instance);
    platform::win32::Win32FolderBrowser folderBrowser;

    // The process-wide state, made in this order and destroyed in reverse: the user's choices
    // (with the default installation root), then the record of the AutoCAD installations.
    app::InstallOptions options;
    app::AcadInventory inventory;
    app::InstallJournal journal;
    ui::WizardContext context{backend.services(), dialogs, folderBrowser, options, inventory, journal};
    app::CWizardApp wizard(backend.registry, backend.environment, inventory, ui::MakeWizardPages(context));
    return wizard.Run();
}
