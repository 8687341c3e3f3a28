#pragma once
// What discovery found: for every release, the install folder and the registry key (below
// HKEY_LOCAL_MACHINE) of each installation, plus the root the integration steps install under.
// One instance lives for the whole process. Its operations are defined in acad/.

#include <array>
#include <string>
#include <vector>

#include "app/install_journal.h"
#include "app/release_table.h"
#include "platform/services.h"

namespace app {

using StringList = std::vector<std::string>;
using ReleaseFlags = std::array<int, kReleaseCount>;

class AcadInventory {
  public:
    // The installation root with one trailing "\" removed; set by the install action.
    std::string targetRoot;
    // acadLocations[k][i] and acadKeys[k][i] describe the same installation of release k.
    std::array<StringList, kReleaseCount> acadLocations;
    std::string searchValueName = "AcadLocation";
    std::array<StringList, kReleaseCount> acadKeys;
    // Scratch output of one SearchValue run.
    StringList foundKeys;
    StringList foundValues;

    // Discovery (acad/discovery.cpp). Runs once at start; never fails visibly.
    void FindReleases(platform::Registry& registry);
    void ScanReleaseView(platform::Registry& registry,
                         const std::string& rootPath,
                         const std::string& prefixFormat,
                         const std::vector<int>& releaseIndexes);
    void SearchValue(platform::RegistryKey& parent,
                     const std::string& subkey,
                     const std::string& relativePath,
                     const std::string& prefix);

    // Integration (acad/registration.cpp, acad/trusted_paths.cpp, acad/fonts.cpp).
    // A journal, when given, learns each entry, list and font written (not owned).
    void RegisterReleases(platform::Services& services,
                          const ReleaseFlags& chosen,
                          InstallJournal* journal = nullptr);
    void RegisterRelease(platform::Registry& registry, int year, InstallJournal* journal = nullptr);
    void AddTrustedPaths(platform::Registry& registry, InstallJournal* journal = nullptr);
    void DeployFonts(platform::Services& services,
                     const ReleaseFlags& chosen,
                     InstallJournal* journal = nullptr);
};

// Removes the compatibility-layer value of "<folder>\acad.exe" for each folder (acad/registration.cpp).
void ClearCompatFlags(platform::Registry& registry, const StringList& folders);
// Copies the two shape fonts into "<installFolder>\Fonts" (acad/fonts.cpp).
void CopyFonts(platform::Services& services,
               const std::string& installFolder,
               InstallJournal* journal = nullptr);
// Appends the names of the direct subkeys of `key` that open for reading (acad/trusted_paths.cpp).
void ListSubkeys(platform::RegistryKey& key, StringList& names);

}  // namespace app
