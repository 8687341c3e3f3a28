// Finds the installed AutoCAD releases by searching the AutoCAD keys below HKEY_LOCAL_MACHINE.

#include <algorithm>
#include <iterator>
#include <optional>
#include <string>
#include <unordered_set>
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

// A key holding both values, as a walk of one view found it, before it is matched to a release.
struct Candidate {
    std::string releaseName;  // the subkey of the AutoCAD key it was found below
    std::string key;          // below HKEY_LOCAL_MACHINE
    std::string location;
    std::string productName;
};

// Every key below the release key `releaseName` of `root` that holds both values, in walk order.
std::vector<Candidate> SearchRelease(platform::RegistryKey& root,
                                     const std::string& releaseName,
                                     const char* prefixFormat,
                                     platform::Environment& environment) {
    std::vector<Candidate> candidates;
    auto releaseKey = root.Open(releaseName, platform::KeyAccess::Read);
    if (!releaseKey)
        return candidates;
    AcadInventory::ReleaseFindings found;
    AcadInventory::SearchReleaseKey(*releaseKey, "", acad::FormatText(prefixFormat, releaseName.c_str()),
                                    true, true, environment, found);
    const AcadInventory::Findings& locations = found.locations;
    const AcadInventory::Findings& names = found.productNames;
    for (std::size_t l = 0; l < locations.keys.size(); ++l) {
        for (std::size_t n = 0; n < names.keys.size(); ++n) {
            if (locations.keys[l] == names.keys[n])
                candidates.push_back({releaseName, locations.keys[l], locations.values[l], names.values[n]});
        }
    }
    return candidates;
}

// Every key below `rootPath` of the registry in `view` that holds both values, in walk order.
std::vector<Candidate> WalkReleaseKeys(platform::Registry& registry,
                                       platform::RegistryView view,
                                       platform::Environment& environment,
                                       const char* rootPath,
                                       const char* prefixFormat) {
    std::vector<Candidate> candidates;
    auto localMachine = view == platform::RegistryView::Default
                            ? registry.OpenRoot(platform::RootKey::LocalMachine)
                            : registry.OpenRoot(platform::RootKey::LocalMachine, view);
    if (!localMachine)
        return candidates;
    auto root = localMachine->Open(rootPath, platform::KeyAccess::Read);
    if (!root)
        return candidates;
    const auto count = root->SubkeyCount();
    if (!count)
        return candidates;

    // The release keys' names first; then each release key is searched on its own, the searches
    // overlapping, into a list of its own, and the lists are joined in the keys' order.
    std::vector<std::optional<std::string>> releaseNames;
    for (std::uint32_t i = 0; i < *count; ++i)
        releaseNames.push_back(root->SubkeyName(i, acad::kEnumBufferSize));
    std::vector<std::vector<Candidate>> perRelease(releaseNames.size());
    registry.ReadConcurrently(releaseNames.size(), [&](std::size_t i) {
        if (releaseNames[i])
            perRelease[i] = SearchRelease(*root, *releaseNames[i], prefixFormat, environment);
    });
    for (std::vector<Candidate>& found : perRelease)
        candidates.insert(candidates.end(), std::make_move_iterator(found.begin()),
                          std::make_move_iterator(found.end()));
    return candidates;
}

// The same keys as reached through the path of `toFormat` instead of `fromFormat`.
std::vector<Candidate> Respelled(std::vector<Candidate> candidates,
                                 const char* fromFormat,
                                 const char* toFormat) {
    for (Candidate& candidate : candidates) {
        const std::size_t prefixLength = acad::FormatText(fromFormat, candidate.releaseName.c_str()).size();
        candidate.key =
            acad::FormatText(toFormat, candidate.releaseName.c_str()) + candidate.key.substr(prefixLength);
    }
    return candidates;
}

// The candidates whose product name names one of `releaseIndexes`, with that release.
std::vector<AcadInventory::Found> Classify(const std::vector<Candidate>& candidates,
                                           const std::vector<int>& releaseIndexes) {
    std::vector<AcadInventory::Found> installations;
    for (const Candidate& candidate : candidates) {
        const int k = ClassifyProductName(candidate.productName, releaseIndexes);
        if (k >= 0)
            installations.push_back({k, candidate.key, candidate.location});
    }
    return installations;
}

// What makes two findings one installation: the release, the key below `root` and the folder, in
// any letter case, a trailing backslash of the folder aside.
std::string Identity(const AcadInventory::Found& found, const std::string& root) {
    std::string key = found.key;
    if (!root.empty() && key.size() > root.size())
        key = key.substr(root.size());
    return std::to_string(found.release) + '\n' + text936::ToUpper(key) + '\n' +
           text936::ToUpper(text936::WithoutTrailingBackslash(found.location));
}

}  // namespace

void AcadInventory::FindReleases(platform::Registry& registry,
                                 platform::Environment& environment,
                                 OtherBuildView otherBuildView) {
    std::vector<int> wow6432Releases;
    std::vector<int> allReleases;
    for (int k = 0; k < kReleaseCount; ++k) {
        if (ReleaseTable()[k].inWow6432View)
            wow6432Releases.push_back(k);
        allReleases.push_back(k);
    }
    const auto own = platform::RegistryView::Default;
    const bool twoViews = registry.SystemBitness() == 64;
    const std::vector<Candidate> plainKeys =
        WalkReleaseKeys(registry, own, environment, kPlainRoot, kPlainPrefixFormat);
    // Under WOW64 the 32-bit node is the 32-bit build's own view again: the walk just made has read it.
    const std::vector<Candidate> nodeKeys =
        buildBitness == 32 && twoViews
            ? Respelled(plainKeys, kPlainPrefixFormat, kWow6432PrefixFormat)
            : WalkReleaseKeys(registry, own, environment, kWow6432Root, kWow6432PrefixFormat);
    const std::vector<Found> nodeView = Classify(nodeKeys, wow6432Releases);
    const std::vector<Found> plainView = Classify(plainKeys, allReleases);

    // A 32-bit build reaches one key by both paths; a 64-bit one may meet a copy of a key in the
    // other view. Either way it is one installation, and the 32-bit node's entry stands for it.
    std::unordered_set<std::string> nodeInstallations;
    std::unordered_set<std::string> nodeKeyNames;
    const int other = OtherBuildBitness(buildBitness);
    auto record = [&](const Found& found, int viewBitness) {
        acadKeys[found.release].push_back(found.key);
        acadLocations[found.release].push_back(found.location);
        if (!BuildServes(buildBitness, found.release, viewBitness)) {
            unserved.push_back({found.release, viewBitness,
                                BuildServes(other, found.release, viewBitness) ? other : 0, found.key,
                                found.location});
        }
    };
    // The 32-bit node holds 32-bit AutoCAD; the plain path reaches the build's own view.
    for (const Found& found : nodeView) {
        nodeInstallations.insert(Identity(found, kWow6432Root));
        nodeKeyNames.insert(text936::ToUpper(found.key));
        record(found, 32);
    }
    for (const Found& found : plainView) {
        if (!nodeInstallations.contains(Identity(found, kPlainRoot)))
            record(found, buildBitness == 32 ? 32 : 64);
    }

    // What the other build would find, where the system has it: for a 32-bit build on 64-bit
    // Windows the 64-bit view; for a 64-bit build every release of the 32-bit node, walked above.
    std::vector<Found> otherView;
    int otherViewBitness = 0;
    if (otherBuildView == OtherBuildView::Search && buildBitness == 32 && twoViews) {
        otherView = Classify(WalkReleaseKeys(registry, platform::RegistryView::Force64, environment,
                                             kPlainRoot, kPlainPrefixFormat),
                             allReleases);
        otherViewBitness = 64;
    } else if (otherBuildView == OtherBuildView::Search && buildBitness != 32) {
        otherView = Classify(nodeKeys, allReleases);
        otherViewBitness = 32;
    }
    std::unordered_set<std::string> ownInstallations;
    for (const Found& found : plainView)
        ownInstallations.insert(Identity(found, ""));
    for (const Found& found : otherView) {
        if (nodeKeyNames.contains(text936::ToUpper(found.key)) ||
            ownInstallations.contains(Identity(found, "")))
            continue;
        unserved.push_back({found.release, otherViewBitness,
                            BuildServes(other, found.release, otherViewBitness) ? other : 0, found.key,
                            found.location});
    }
    std::stable_sort(unserved.begin(), unserved.end(),
                     [](const Unserved& a, const Unserved& b) { return a.release < b.release; });
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
