#include "app/silent_install.h"

#include "install/install_action.h"
#include "state/exit_codes.h"

namespace app {

namespace {

std::string OneLine(const std::string& text) {
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            if (!line.empty() && line.back() != ' ')
                line += ' ';
        } else {
            line += c;
        }
    }
    return line;
}

}  // namespace

int SilentPrompts::Show(platform::WindowHandle,
                        const std::string& text,
                        const std::string& caption,
                        std::uint32_t style) {
    const std::uint32_t buttons = style & 0x0F;
    const std::string message = "消息框（" + caption + "）：" + OneLine(text);
    if (buttons == platform::kMbAbortRetryIgnore) {
        // An unattended installation never leaves a product of two versions: it stops, and every
        // file is put back as it was.
        journal_.Note(message + " → 自动回答：中止");
        return platform::kIdAbort;
    }
    if (buttons == platform::kMbYesNo) {
        journal_.Note(message + " → 自动回答：否");
        return platform::kIdNo;
    }
    journal_.Note(message + " → 自动回答：确定");
    return platform::kIdOk;
}

int RunSilentInstall(platform::Services& services,
                     state::InstallOptions& options,
                     state::AcadInventory& inventory,
                     state::InstallJournal& journal) {
    SilentPrompts prompts(journal);
    platform::Services silent{services.registry, services.files, services.processes, prompts,
                              services.environment};
    install::InstallContext context{silent, options, inventory, journal};
    SilentPage page(options);
    // One press of the button: with AutoCAD running it warns, records that, and stops.
    options.acadCheckPending = true;
    install::OnInstallButton(context, page);
    return state::ExitCodeFor(journal.Outcome(), false, journal.HasLog() && journal.LogFailed());
}

}  // namespace app
