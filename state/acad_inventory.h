#pragma once
// What discovery found: for every release, the install folder and the registry key (below
// HKEY_LOCAL_MACHINE) of each installation, plus the root the integration steps install under.
// One instance lives for the whole process. Its operations are defined in acad/.

#include <array>
#include <string>
#include <vector>

#include "platform/services.h"
#include "state/install_journal.h"
#include "state/release_table.h"

namespace state {

using StringList = std::vector<std::string>;
using ReleaseFlags = std::array<int, kReleaseCount>;

class AcadInventory {
  public:
    // The installation root with one trailing "\" removed; set by the install action.
    std::string targetRoot;
    // acadLocations[k][i] and acadKeys[k][i] describe the same installation of release k.
    std::array<StringList, kReleaseCount> acadLocations;
    std::array<StringList, kReleaseCount> acadKeys;
    // What the search of one release key found for one value: the keys holding it (the prefix
    // followed by the path below the release key) and its texts, in walk order.
    struct Findings {
        StringList keys;
        StringList values;
    };
    struct ReleaseFindings {
        Findings locations;
        Findings productNames;
    };

    // Discovery (acad/discovery.cpp). Runs once at start; never fails visibly.
    void FindReleases(platform::Registry& registry, platform::Environment& environment);
    void ScanReleaseView(platform::Registry& registry,
                         platform::Environment& environment,
                         const std::string& rootPath,
                         const std::string& prefixFormat,
                         const std::vector<int>& releaseIndexes);
    // Searches `key` and the keys below it for "AcadLocation" and "ProductName" in one walk. On
    // each path the highest key holding a value ends the search for that value, whether it can
    // be used there or not; the walk descends while either value is still wanted.
    static void SearchReleaseKey(platform::RegistryKey& key,
                                 const std::string& relativePath,
                                 const std::string& prefix,
                                 bool wantLocation,
                                 bool wantProductName,
                                 platform::Environment& environment,
                                 ReleaseFindings& found);

    // Integration (acad/registration.cpp, acad/trusted_paths.cpp, acad/fonts.cpp). Each reports
    // what it wrote into `journal`, and every entry, path, value or font it could not write as a
    // problem.
    void RegisterReleases(platform::Services& services, const ReleaseFlags& chosen, InstallJournal& journal);
    void RegisterRelease(platform::Registry& registry, int year, InstallJournal& journal);
    void AddTrustedPaths(platform::Registry& registry,
                         platform::Environment& environment,
                         InstallJournal& journal);
    // `source` is the installation source the fonts are taken from.
    void DeployFonts(platform::Services& services,
                     const std::string& source,
                     const ReleaseFlags& chosen,
                     InstallJournal& journal);
};

// Removes the compatibility-layer value of "<folder>\acad.exe" for each folder that is a full path
// (acad/registration.cpp). A value that is not there is no problem.
void ClearCompatFlags(platform::Registry& registry, const StringList& folders, InstallJournal& journal);
// Copies the two shape fonts from `source` into "<installFolder>\Fonts" when the folder is a full
// path (acad/fonts.cpp).
void CopyFonts(platform::Services& services,
               const std::string& source,
               const std::string& installFolder,
               InstallJournal& journal);
// Appends the names of the direct subkeys of `key` that open for reading (acad/trusted_paths.cpp).
void ListSubkeys(platform::RegistryKey& key, StringList& names);

}  // namespace state
