#include "app/user_run.h"

#include "app/acad_inventory.h"
#include "app/exit_codes.h"
#include "app/per_user_steps.h"
#include "install/locations.h"
#include "platform/text936.h"

namespace app {

int RunPerUserProgram(platform::Registry& registry) {
    std::string productFolder;
    if (!install::ReadPreviousFolder(registry, productFolder))
        return kExitSourceMissing;
    const std::size_t separator = text936::FindLastBackslash(productFolder);
    if (separator == text936::npos)
        return kExitSourceMissing;

    AcadInventory inventory;
    inventory.FindReleases(registry);
    // The record names "<root>\Brelix结构工具箱"; the steps work from the root.
    inventory.targetRoot = productFolder.substr(0, separator);
    ApplyPerUserSteps(inventory, registry, nullptr);
    return kExitInstalled;
}

}  // namespace app
