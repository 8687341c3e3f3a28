#pragma once
// The version the installation records below Program Files say is installed: what an update
// compares its own with (a repair, an upgrade or a downgrade).

#include <optional>

#include "platform/environment.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "state/product_version.h"

namespace install {

struct InstalledVersion {
    bool recorded = false;                         // a record was found
    std::optional<state::ProductVersion> version;  // none: a record of an earlier build, older than any
};

// The newest version the records of both builds' setup folders name.
InstalledVersion ReadInstalledVersion(platform::FileSystem& files,
                                      platform::Registry& registry,
                                      platform::Environment& environment);

}  // namespace install
