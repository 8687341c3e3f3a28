#pragma once
// What discovery found: for every release, the install folder and the registry key (below
// HKEY_LOCAL_MACHINE) of each installation, plus the root the integration steps install under.
// One instance lives for the whole process. Its operations are defined in acad/.

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/services.h"
#include "state/install_journal.h"
#include "state/install_options.h"
#include "state/release_table.h"

namespace state {

using StringList = std::vector<std::string>;
using ReleaseFlags = std::array<int, kReleaseCount>;
// Opens the file `name` of the installation source to be read, checked to be that name's own plain
// file in the held source folder; nullptr when it cannot be opened or is not.
using OpenSourceFile = std::function<std::unique_ptr<platform::OpenedFile>(const std::string& name)>;

class AcadInventory {
  public:
    // The installation root with one trailing "\" removed; set by the install action.
    std::string targetRoot;
    // acadLocations[k][i] and acadKeys[k][i] describe the same installation of release k.
    std::array<StringList, kReleaseCount> acadLocations;
    std::array<StringList, kReleaseCount> acadKeys;
    // The build that runs discovery: which registry view is its own, and what it serves.
    int buildBitness = kBuildBitness;
    // An installation this build does not install for, so that a run can say why.
    struct Unserved {
        int release = 0;      // index in the release table
        int acadBitness = 0;  // 32 or 64: the registry view it was found in
        int servedBy = 0;     // bitness of the build that serves it; 0: neither build does
        std::string key;      // below HKEY_LOCAL_MACHINE
        std::string location;
    };
    // In release order, then in the order found. Those of the build's own view are also in
    // acadKeys and acadLocations, as they always were.
    std::vector<Unserved> unserved;
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

    // Whether discovery also reads the view of the other build, for `unserved`. Only runs whose
    // result someone reads ask for it: a log, a silent run, preset choices (and the exit-5 text).
    enum class OtherBuildView { Skip, Search };
    // Discovery (acad/discovery.cpp). Runs once at start; never fails visibly. An installation
    // seen through both views (the same key below the AutoCAD key, naming the same folder) counts
    // once, as the 32-bit node's. Walks each view that exists once: a 32-bit build on 64-bit
    // Windows reaches the 32-bit node through its own view's path too, and reads it there; the
    // other view is searched only when asked for and when the system has it (a 32-bit build on a
    // 32-bit Windows has none; a 64-bit build's is the 32-bit node it walks anyway).
    void FindReleases(platform::Registry& registry,
                      platform::Environment& environment,
                      OtherBuildView otherView);
    // One installation as a view's walk found it.
    struct Found {
        int release = 0;
        std::string key;
        std::string location;
    };
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
    void RegisterRelease(platform::Registry& registry,
                         platform::Environment& environment,
                         int year,
                         InstallJournal& journal);
    // The demand-load entry of release `year`, below its key, and that path below HKLM.
    static std::string DemandLoadEntryName(int year);
    static std::string DemandLoadEntryPath(const std::string& releaseKeyPath, int year);
    void AddTrustedPaths(platform::Registry& registry,
                         platform::Environment& environment,
                         InstallJournal& journal);
    // The Variables key (below HKCU) of every AutoCAD profile of the current user: where
    // AddTrustedPaths adds the product folder.
    static StringList ProfileVariablesKeys(platform::Registry& registry);
    // `source` is the installation source the fonts are taken from, as the log names it; each font
    // is read only through what `openSource` opens.
    void DeployFonts(platform::Services& services,
                     const std::string& source,
                     const OpenSourceFile& openSource,
                     const ReleaseFlags& chosen,
                     InstallJournal& journal);
};

// Removes the compatibility-layer value of "<folder>\acad.exe" for each folder that is a full path
// (acad/registration.cpp). A value that is not there is no problem.
void ClearCompatFlags(platform::Registry& registry,
                      platform::Environment& environment,
                      const StringList& folders,
                      InstallJournal& journal);
// Copies the two shape fonts from `source` (each read through what `openSource` opens) into
// "<installFolder>\Fonts" when the folder is a full path (acad/fonts.cpp).
void CopyFonts(platform::Services& services,
               const std::string& source,
               const OpenSourceFile& openSource,
               const std::string& installFolder,
               InstallJournal& journal);
// Appends the names of the direct subkeys of `key` that open for reading (acad/trusted_paths.cpp).
void ListSubkeys(platform::RegistryKey& key, StringList& names);

}  // namespace state
