#pragma once
// What the page scenarios need of a dialog host, so that the same scenarios run on the headless
// host natively and on the real Win32 host under Wine. A scenario script acts as the user through
// PageDriver while the page is on display; the services stay in memory on both hosts.

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "platform/dialog_host.h"
#include "platform/memory/memory_backend.h"
#include "platform/memory/scripted_folder_browser.h"
#include "state/acad_inventory.h"
#include "state/install_options.h"
#include "ui/dialog_templates.h"
#include "ui/wizard_context.h"

namespace page_test {

// A control-colour answer as the host applies it.
struct SeenColour {
    platform::Colour text = 0;
    bool transparent = false;
    bool labelFont = false;
    std::optional<platform::Colour> brush;
};

class PageDriver {
  public:
    virtual ~PageDriver() = default;
    // False when a user could not do it (disabled, hidden, or not a button).
    virtual bool Click(int id) = 0;
    virtual bool Type(int id, const std::string& text) = 0;
    virtual void CloseWindow() = 0;

    virtual std::string Text(int id) = 0;
    virtual int Checked(int id) = 0;
    virtual bool Enabled(int id) = 0;
    virtual bool Visible(int id) = 0;
    virtual platform::Rect Place(int id) = 0;
    // A template place converted as this host converts dialog units.
    virtual platform::Rect Pixels(const platform::DialogUnits& units) = 0;
    virtual SeenColour ColourOf(int id) = 0;
    virtual int ProgressPosition(int id) = 0;
    virtual platform::WindowHandle Handle() = 0;
};

using Script = std::function<void(PageDriver&)>;

// The place of control `id` in template `templateId`.
inline platform::DialogUnits TemplatePlace(int templateId, int id) {
    const platform::DialogTemplate* dialog = ui::FindDialogTemplate(templateId);
    EXPECT_NE(dialog, nullptr);
    if (dialog) {
        for (const platform::ControlTemplate& control : dialog->controls) {
            if (control.id == id) {
                return control.place;
            }
        }
    }
    ADD_FAILURE() << "no control " << id << " in template " << templateId;
    return {};
}

// Services, state and host for one scenario. `Host` provides Runner(), Queue(Script) and
// UnscriptedCloses(), and is built from the backend (whose prompts it points at the shown page).
template <class Host>
class PageFixture : public ::testing::Test {
  protected:
    platform::memory::MemoryBackend backend;
    platform::memory::ScriptedFolderBrowser browser;
    Host host{backend};
    state::InstallOptions options;
    state::AcadInventory inventory;
    state::InstallJournal journal;
    ui::WizardContext context{backend.services(), host.Runner(), browser, options, inventory, journal};

    // Scenarios describe the shipped 32-bit build whatever this test program's own bitness; those
    // about other builds set it themselves.
    PageFixture() { options.buildBitness = 32; }

    // Shows a fresh page with `script` as the user; returns the page's nextPage.
    template <class Page>
    int Show(Script script) {
        host.Queue(std::move(script));
        Page page(context);
        page.DoModal();
        return page.nextPage;
    }
};

}  // namespace page_test
