#pragma once
// The installation without a window: the install button's own action, run on a page that only
// holds the choices and a message-box service that writes each message to the log and answers it
// as an unattended run must (OK; Abort for a file that cannot be copied, so that the installation
// stops with every file as it was, rather than leave a product of two versions).

#include <string>

#include "install/install_page.h"
#include "platform/progress_bar.h"
#include "platform/prompts.h"
#include "platform/services.h"
#include "state/acad_inventory.h"
#include "state/install_journal.h"
#include "state/install_options.h"

namespace app {

class SilentPrompts : public platform::Prompts {
  public:
    // `journal` is not owned; it outlives the prompts.
    explicit SilentPrompts(state::InstallJournal& journal) : journal_(journal) {}
    int Show(platform::WindowHandle owner,
             const std::string& text,
             const std::string& caption,
             std::uint32_t style) override;
    platform::WindowHandle ActiveWindow() override { return platform::kNoWindow; }

  private:
    state::InstallJournal& journal_;
};

// A progress bar nobody sees.
class SilentProgressBar : public platform::ProgressBar {
  public:
    void SetRange(int, int) override {}
    void SetStep(int) override {}
    void SetPos(int) override {}
    void StepIt() override {}
};

// Page 3 as a silent run fills it in from the options.
class SilentPage : public install::InstallPage {
  public:
    explicit SilentPage(const state::InstallOptions& options) : options_(options) {}
    void ReadControls() override {}
    std::string InstallPath() const override { return options_.installRoot; }
    int KeepConfig() const override { return options_.keepConfig; }
    int KeepSettings() const override { return options_.keepSettings; }
    int KeepSectionLibrary() const override { return options_.keepSectionLibrary; }
    int KeepDrawingLibrary() const override { return options_.keepDrawingLibrary; }
    platform::ProgressBar& Progress() override { return progress_; }
    platform::WindowHandle Window() const override { return platform::kNoWindow; }
    void CancelPage() override {}
    void CloseAfterInstall() override {}

  private:
    const state::InstallOptions& options_;
    SilentProgressBar progress_;
};

// Runs the install action once with the choices in `options` (already resolved) and returns the
// exit code. A running AutoCAD stops it: an unattended run never installs over one.
int RunSilentInstall(platform::Services& services,
                     state::InstallOptions& options,
                     state::AcadInventory& inventory,
                     state::InstallJournal& journal);

}  // namespace app
