#include "app/user_run.h"

#include "acad/per_user_steps.h"
#include "install/record/active_setup.h"
#include "install/record/locations.h"
#include "platform/text936.h"
#include "state/acad_inventory.h"
#include "state/exit_codes.h"

namespace app {

int RunPerUserProgram(platform::Registry& registry, platform::Environment& environment) {
    std::string productFolder;
    if (!install::ReadPreviousFolder(registry, environment, productFolder))
        return state::kExitSourceMissing;
    const std::size_t separator = text936::FindLastBackslash(productFolder);
    if (separator == text936::npos)
        return state::kExitSourceMissing;

    state::AcadInventory inventory;
    // Nobody reads what only the other build serves here.
    inventory.FindReleases(registry, environment, state::AcadInventory::OtherBuildView::Skip);
    // The record names "<root>\Brelix结构工具箱"; the steps work from the root.
    inventory.targetRoot = productFolder.substr(0, separator);
    // Nobody reads what this logon run did: it has no window and no log.
    state::InstallJournal journal;
    acad::ApplyPerUserSteps(inventory, registry, environment, journal);
    // Active Setup wrote the user's Version before starting this program. Started any other way (by
    // hand, from a logon script), it leaves the same mark itself, once the steps went whole.
    if (!journal.HasProblems())
        install::MarkUserStepsDone(registry);
    // Earlier builds' component is gone from HKLM; its mark in this user's HKCU means nothing now.
    install::RemoveEarlierUserMark(registry);
    return state::kExitInstalled;
}

}  // namespace app
