#include "platform/registry_names.h"

#include "platform/text936.h"

namespace platform {

namespace {

constexpr char kSoftware[] = "SOFTWARE";
constexpr char kWow64Node[] = "WOW6432Node";

}  // namespace

bool HasWow64View(Registry& registry) {
    auto nativeView = registry.OpenRoot(RootKey::LocalMachine, RegistryView::Force64);
    return nativeView &&
           nativeView->Open(std::string(kSoftware) + "\\" + kWow64Node, KeyAccess::Read) != nullptr;
}

std::string MachineKeyName(Registry& registry, RegistryView view, const std::string& path, int buildBitness) {
    const bool thirtyTwo =
        view == RegistryView::Force32 || (view == RegistryView::Default && buildBitness == 32);
    const auto levels = text936::SplitLevels(path);
    if (!thirtyTwo || !levels || levels->size() < 2 || !text936::EqualsNoCase((*levels)[0], kSoftware) ||
        text936::EqualsNoCase((*levels)[1], kWow64Node) || !HasWow64View(registry))
        return "HKLM\\" + path;
    std::string redirected = std::string("HKLM\\") + kSoftware + "\\" + kWow64Node;
    for (std::size_t i = 1; i < levels->size(); ++i)
        redirected += "\\" + (*levels)[i];
    return redirected;
}

}  // namespace platform
