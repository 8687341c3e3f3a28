#include "platform/registry_names.h"

#include "platform/text936.h"

namespace platform {

namespace {

constexpr char kSoftware[] = "SOFTWARE\\";
constexpr char kWow64Node[] = "WOW6432Node";
constexpr std::size_t kSoftwareLength = sizeof(kSoftware) - 1;
constexpr std::size_t kNodeLength = sizeof(kWow64Node) - 1;

// True when `path` begins with `level` as a whole level, letter case ignored.
bool BeginsWithLevel(const std::string& path, std::size_t at, const char* level, std::size_t length) {
    return path.size() >= at + length && text936::EqualsNoCase(path.substr(at, length), level) &&
           (path.size() == at + length || path[at + length] == '\\');
}

}  // namespace

bool HasWow64View(Registry& registry) {
    auto nativeView = registry.OpenRoot(RootKey::LocalMachine, RegistryView::Force64);
    return nativeView && nativeView->Open(std::string(kSoftware) + kWow64Node, KeyAccess::Read) != nullptr;
}

std::string MachineKeyName(Registry& registry, RegistryView view, const std::string& path, int buildBitness) {
    const bool thirtyTwo =
        view == RegistryView::Force32 || (view == RegistryView::Default && buildBitness == 32);
    if (!thirtyTwo || !text936::EqualsNoCase(path.substr(0, kSoftwareLength), kSoftware) ||
        BeginsWithLevel(path, kSoftwareLength, kWow64Node, kNodeLength) || !HasWow64View(registry))
        return "HKLM\\" + path;
    return "HKLM\\" + path.substr(0, kSoftwareLength) + kWow64Node + "\\" + path.substr(kSoftwareLength);
}

}  // namespace platform
