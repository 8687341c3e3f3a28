#include "app/install_choices.h"

#include <optional>

#include "install/deploy/config_keeper.h"
#include "install/record/install_root.h"
#include "state/exit_codes.h"

namespace app {

namespace {

bool IsFound(const state::AcadInventory& inventory, int k) {
    return !inventory.acadLocations[static_cast<std::size_t>(k)].empty();
}

std::string YearOf(int k) {
    return std::to_string(state::ReleaseTable()[static_cast<std::size_t>(k)].year);
}

std::string Bits(int bitness) {
    return std::to_string(bitness) + " 位";
}

// Why this build does not install for `found`, as the end of a sentence about it.
std::string NotServedBecause(const state::AcadInventory::Unserved& found) {
    if (found.servedBy != 0)
        return "需要 " + Bits(found.servedBy) + "安装程序";
    return "32 位和 64 位安装程序都不为它安装";
}

// The refusal of /RELEASES=<year> when the machine has that release, but not for this build.
std::optional<std::string> UnservedRefusal(const state::AcadInventory& inventory, int k) {
    const state::AcadInventory::Unserved* chosen = nullptr;
    for (const auto& found : inventory.unserved) {
        // An installation another build serves says more than one no build serves.
        if (found.release == k && (!chosen || (chosen->servedBy == 0 && found.servedBy != 0)))
            chosen = &found;
    }
    if (!chosen)
        return std::nullopt;
    return "本机的 AutoCAD " + YearOf(k) + " 是 " + Bits(chosen->acadBitness) + "的，" +
           NotServedBecause(*chosen);
}

// The end of a run that found nothing to install for: which other build would have, if any.
std::string NothingToInstall(const state::AcadInventory& inventory) {
    const int other = state::OtherBuildBitness(inventory.buildBitness);
    std::string years;
    for (const auto& found : inventory.unserved) {
        if (found.servedBy != other || years.find(YearOf(found.release)) != std::string::npos)
            continue;
        years += (years.empty() ? "" : "、") + YearOf(found.release);
    }
    if (years.empty())
        return "本机没有可安装的 AutoCAD 版本";
    return "本机没有本程序（" + Bits(inventory.buildBitness) +
           "版本）可安装的 AutoCAD 版本；找到的 AutoCAD " + years + " 需要 " + Bits(other) + "安装程序";
}

}  // namespace

bool IsReleaseOffered(int releaseIndex, int buildBitness) {
    // Page 2 shows the releases the build serves in its own view.
    return state::BuildServes(buildBitness == 32 ? 32 : 64, releaseIndex, buildBitness == 32 ? 32 : 64);
}

ChoiceResult ApplyInstallChoices(const CommandLine& command,
                                 const state::AcadInventory& inventory,
                                 platform::Services& services,
                                 state::InstallOptions& options) {
    state::ReleaseFlags chosen{};
    if (command.releases && !command.releases->all) {
        for (int year : command.releases->years) {
            const auto k = state::ReleaseIndexOfYear(year);
            const bool usable = k && IsReleaseOffered(*k, options.buildBitness) && IsFound(inventory, *k);
            if (k && !usable) {
                if (auto refusal = UnservedRefusal(inventory, *k))
                    return {state::kExitInvalidCommandLine, *refusal};
            }
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
        return {state::kExitNoRelease, NothingToInstall(inventory)};
    options.releaseChosen = chosen;
    options.allowDowngrade = command.allowDowngrade;

    if (command.root)
        options.installRoot = install::CanonicalRoot(*command.root).value_or(*command.root);

    // Page 3 offers to keep only what an earlier installation left behind. Keeping asked for on the
    // command line is never dropped: where the earlier installation cannot be known, the installation
    // stops rather than replace the user's files.
    install::ConfigKeeper keeper(services, options.installRoot);
    if (!command.keep && !keeper.HasPreviousConfig()) {
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

void LogUnservedReleases(state::InstallJournal& journal, const state::AcadInventory& inventory) {
    for (const auto& found : inventory.unserved) {
        journal.Note("本程序（" + Bits(inventory.buildBitness) + "版本）不为 AutoCAD " +
                     YearOf(found.release) + "（" + Bits(found.acadBitness) + "）安装，" +
                     NotServedBecause(found) + "：注册表键 HKLM\\" + found.key + "，位置 " + found.location);
    }
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
