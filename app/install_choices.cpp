#include "app/install_choices.h"

#include "install/config_keeper.h"
#include "install/install_root.h"
#include "state/exit_codes.h"

namespace app {

namespace {

// 2000 and 2002 are never offered; a 32-bit build stops at 2016 (k 14), any other starts at 2005 (k 3).
constexpr int kFirst32BitRelease = 2;
constexpr int kLast32BitRelease = 14;
constexpr int kFirstOtherBuildRelease = 3;

bool IsFound(const state::AcadInventory& inventory, int k) {
    return !inventory.acadLocations[static_cast<std::size_t>(k)].empty();
}

}  // namespace

bool IsReleaseOffered(int releaseIndex, int buildBitness) {
    if (releaseIndex < 0 || releaseIndex >= state::kReleaseCount)
        return false;
    if (buildBitness == 32)
        return releaseIndex >= kFirst32BitRelease && releaseIndex <= kLast32BitRelease;
    return releaseIndex >= kFirstOtherBuildRelease;
}

ChoiceResult ApplyInstallChoices(const CommandLine& command,
                                 const state::AcadInventory& inventory,
                                 platform::Services& services,
                                 state::InstallOptions& options) {
    state::ReleaseFlags chosen{};
    if (command.releases && !command.releases->all) {
        for (int year : command.releases->years) {
            const auto k = state::ReleaseIndexOfYear(year);
            if (!k || !IsReleaseOffered(*k, options.buildBitness))
                return {state::kExitInvalidCommandLine,
                        "本程序不提供 AutoCAD " + std::to_string(year) + " 的安装"};
            if (!IsFound(inventory, *k))
                return {state::kExitInvalidCommandLine, "本机未找到 AutoCAD " + std::to_string(year)};
            chosen[static_cast<std::size_t>(*k)] = 1;
        }
    } else {
        // What page 2 ticks: every offered release that is installed (and still chosen).
        for (int k = 0; k < state::kReleaseCount; ++k) {
            const std::size_t slot = static_cast<std::size_t>(k);
            chosen[slot] = IsReleaseOffered(k, options.buildBitness) && IsFound(inventory, k) &&
                                   (command.releases || options.releaseChosen[slot])
                               ? 1
                               : 0;
        }
    }
    bool any = false;
    for (int flag : chosen)
        any = any || flag != 0;
    if (!any)
        return {state::kExitNoRelease, "本机没有可安装的 AutoCAD 版本"};
    options.releaseChosen = chosen;

    if (command.root)
        options.installRoot = install::CanonicalRoot(*command.root).value_or(*command.root);

    // Page 3 offers to keep only what an earlier installation left behind.
    install::ConfigKeeper keeper(services, options.installRoot);
    if (!keeper.HasPreviousConfig()) {
        options.keepConfig = options.keepSettings = options.keepSectionLibrary = options.keepDrawingLibrary =
            0;
    } else if (command.keep) {
        options.keepSettings = command.keep->settings ? 1 : 0;
        options.keepSectionLibrary = command.keep->sections ? 1 : 0;
        options.keepDrawingLibrary = command.keep->drawings ? 1 : 0;
        options.keepConfig = options.keepSettings || options.keepSectionLibrary || options.keepDrawingLibrary;
    }
    return {};
}

std::string ChosenYears(const state::InstallOptions& options) {
    std::string years;
    for (int k = 0; k < state::kReleaseCount; ++k) {
        if (!options.releaseChosen[static_cast<std::size_t>(k)])
            continue;
        if (!years.empty())
            years += ", ";
        years += std::to_string(state::ReleaseTable()[static_cast<std::size_t>(k)].year);
    }
    return years.empty() ? "无" : years;
}

}  // namespace app
