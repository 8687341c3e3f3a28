#include "acad/per_user_steps.h"

namespace acad {

namespace {

// Releases up to 2018 (indexes 0..16) may carry a compatibility layer on acad.exe.
constexpr int kLastIndexWithCompatLayer = 16;

}  // namespace

void ApplyPerUserSteps(state::AcadInventory& inventory,
                       platform::Registry& registry,
                       platform::Environment& environment,
                       state::InstallJournal& log) {
    // Profiles of every release trust the product folder, chosen or not.
    inventory.AddTrustedPaths(registry, environment, log);
    // One pass over every folder, in release order, opens the compatibility key once.
    state::StringList folders;
    for (int k = 0; k <= kLastIndexWithCompatLayer; ++k)
        folders.insert(folders.end(), inventory.acadLocations[k].begin(), inventory.acadLocations[k].end());
    state::ClearCompatFlags(registry, environment, folders, log);
}

}  // namespace acad
