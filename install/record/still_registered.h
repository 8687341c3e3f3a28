#pragma once
// What an installation leaves registered from before it: demand-load entries an earlier
// installation wrote that still load the product, from a product folder the root has moved away
// from or for a release no longer chosen. They stay as they were (the user may still use them)
// and the uninstall removes them; the log and the end message say so.

#include <string>
#include <vector>

#include "platform/services.h"
#include "state/install_journal.h"

namespace install {

// True when `loader` names one of our modules (BRELIX<build>.ARX) directly inside a folder named
// like the product folder.
bool LooksLikeOurModule(const std::string& loader);

// One line for each demand-load entry of ours, in either registry view, that the installation
// record of either build or this run lists and that this run did not leave pointing into
// `productFolder`: "AutoCAD 2021 仍从 <folder> 加载本产品（卸载时删除）", or for a release not
// chosen now, in the same folder, that it is still registered by an earlier installation.
std::vector<std::string> StillRegisteredFromBefore(platform::Services& services,
                                                   const state::InstallJournal& log,
                                                   const std::string& productFolder);

}  // namespace install
