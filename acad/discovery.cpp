// Finds the installed AutoCAD releases by searching the AutoCAD keys below HKEY_LOCAL_MACHINE.

#include <string>
#include <vector>

#include "acad/buffer_format.h"
#include "platform/registry_text.h"
#include "platform/text936.h"
#include "state/acad_inventory.h"

namespace state {

namespace {

constexpr char kLocationValue[] = "AcadLocation";
constexpr char kProductNameValue[] = "ProductName";

// The 32-bit node is searched only for the releases that installed their keys there.
constexpr char kWow6432Root[] = "SOFTWARE\\Wow6432Node\\Autodesk\\AutoCAD";
constexpr char kWow6432PrefixFormat[] = "SOFTWARE\\Wow6432Node\\Autodesk\\AutoCAD\\%s\\";
constexpr char kPlainRoot[] = "SOFTWARE\\Autodesk\\AutoCAD";
constexpr char kPlainPrefixFormat[] = "SOFTWARE\\Autodesk\\AutoCAD\\%s\\";

// The first release of `releaseIndexes` whose year text occurs in the product name after its
// first byte; -1 when none does.
int ClassifyProductName(const std::string& productName, const std::vector<int>& releaseIndexes) {
    for (int k : releaseIndexes) {
        if (text936::ContainsNotAtStart(productName, std::to_string(ReleaseTable()[k].year)))
            return k;
    }
    return -1;
}

// Reads `valueName` on `key`. True when the value is there, usable or not: the highest key on each
// path that holds it ends the search for it there, so a deeper key's value never stands in for it.
// Only a usable value is recorded.
bool TakeValue(platform::RegistryKey& key,
               const char* valueName,
               const std::string& keyPath,
               platform::Environment& environment,
               AcadInventory::Findings& findings) {
    const platform::TextRead value = platform::ReadText(key, valueName, acad::kEnumBufferSize, environment);
    if (value.ok()) {
        findings.keys.push_back(keyPath);
        findings.values.push_back(value.text);
    }
    return value.status != platform::TextStatus::Missing;
}

}  // namespace

void AcadInventory::FindReleases(platform::Registry& registry, platform::Environment& environment) {
    std::vector<int> wow6432Releases;
    std::vector<int> allReleases;
    for (int k = 0; k < kReleaseCount; ++k) {
        if (ReleaseTable()[k].inWow6432View)
            wow6432Releases.push_back(k);
        allReleases.push_back(k);
    }
    ScanReleaseView(registry, environment, kWow6432Root, kWow6432PrefixFormat, wow6432Releases);
    ScanReleaseView(registry, environment, kPlainRoot, kPlainPrefixFormat, allReleases);
}

void AcadInventory::ScanReleaseView(platform::Registry& registry,
                                    platform::Environment& environment,
                                    const std::string& rootPath,
                                    const std::string& prefixFormat,
                                    const std::vector<int>& releaseIndexes) {
    auto localMachine = registry.OpenRoot(platform::RootKey::LocalMachine);
    if (!localMachine)
        return;
    auto root = localMachine->Open(rootPath, platform::KeyAccess::Read);
    if (!root)
        return;
    const auto count = root->SubkeyCount();
    if (!count || *count == 0)
        return;

    for (std::uint32_t i = 0; i < *count; ++i) {
        const auto releaseName = root->SubkeyName(i, acad::kEnumBufferSize);
        if (!releaseName)
            continue;
        const std::string prefix = acad::FormatText(prefixFormat.c_str(), releaseName->c_str());
        auto releaseKey = root->Open(*releaseName, platform::KeyAccess::Read);
        if (!releaseKey)
            continue;

        ReleaseFindings found;
        SearchReleaseKey(*releaseKey, "", prefix, true, true, environment, found);
        const Findings& locations = found.locations;
        const Findings& names = found.productNames;

        for (std::size_t l = 0; l < locations.keys.size(); ++l) {
            for (std::size_t n = 0; n < names.keys.size(); ++n) {
                if (locations.keys[l] != names.keys[n])
                    continue;
                const int k = ClassifyProductName(names.values[n], releaseIndexes);
                if (k < 0)
                    continue;
                acadKeys[k].push_back(locations.keys[l]);
                acadLocations[k].push_back(locations.values[l]);
            }
        }
    }
}

void AcadInventory::SearchReleaseKey(platform::RegistryKey& key,
                                     const std::string& relativePath,
                                     const std::string& prefix,
                                     bool wantLocation,
                                     bool wantProductName,
                                     platform::Environment& environment,
                                     ReleaseFindings& found) {
    const std::string keyPath = prefix + relativePath;
    if (wantLocation)
        wantLocation = !TakeValue(key, kLocationValue, keyPath, environment, found.locations);
    if (wantProductName)
        wantProductName = !TakeValue(key, kProductNameValue, keyPath, environment, found.productNames);
    if (!wantLocation && !wantProductName)
        return;

    const auto count = key.SubkeyCount();
    if (!count)
        return;
    for (std::uint32_t i = 0; i < *count; ++i) {
        const auto name = key.SubkeyName(i, acad::kEnumBufferSize);
        if (!name)
            continue;
        auto subkey = key.Open(*name, platform::KeyAccess::Read);
        if (!subkey)
            continue;
        SearchReleaseKey(*subkey, relativePath + *name + "\\", prefix, wantLocation, wantProductName,
                         environment, found);
    }
}

}  // namespace state
