#include "install/registry_names.h"

#include "platform/text936.h"

namespace install {

namespace {

constexpr char kSoftware[] = "SOFTWARE";
constexpr char kWow64Node[] = "WOW6432Node";

}  // namespace

bool HasWow64View(platform::Registry& registry) {
    auto nativeView = registry.OpenRoot(platform::RootKey::LocalMachine, platform::RegistryView::Force64);
    return nativeView &&
           nativeView->Open(std::string(kSoftware) + "\\" + kWow64Node, platform::KeyAccess::Read) != nullptr;
}

std::string MachineKeyName(platform::Registry& registry,
                           platform::RegistryView view,
                           const std::string& path,
                           int buildBitness) {
    const bool thirtyTwo = view == platform::RegistryView::Force32 ||
                           (view == platform::RegistryView::Default && buildBitness == 32);
    const auto levels = text936::SplitLevels(path);
    if (!thirtyTwo || !levels || levels->size() < 2 || !text936::EqualsNoCase((*levels)[0], kSoftware) ||
        text936::EqualsNoCase((*levels)[1], kWow64Node) || !HasWow64View(registry))
        return "HKLM\\" + path;
    std::string redirected = std::string("HKLM\\") + kSoftware + "\\" + kWow64Node;
    for (std::size_t i = 1; i < levels->size(); ++i)
        redirected += "\\" + (*levels)[i];
    return redirected;
}

}  // namespace install
