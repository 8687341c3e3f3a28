// Demand-load entries that make each chosen AutoCAD release load the product module at its
// start, and removal of the compatibility-layer setting of acad.exe.

#include <optional>
#include <string>

#include "acad/buffer_format.h"
#include "app/acad_inventory.h"

namespace app {

namespace {

// AutoCAD loads a demand-load entry with this LOADCTRLS at its start-up.
constexpr std::uint32_t kLoadOnStartup = 2;
// Releases up to 2018 (indexes 0..16) may carry a compatibility layer on acad.exe.
constexpr int kLastIndexWithCompatLayer = 16;
constexpr char kCompatLayersKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers";

}  // namespace

void AcadInventory::RegisterReleases(platform::Services& services,
                                     const ReleaseFlags& chosen,
                                     InstallJournal* journal) {
    for (int k = 0; k < kReleaseCount; ++k) {
        if (chosen[k])
            RegisterRelease(services.registry, ReleaseTable()[k].year, journal);
    }
    // Profiles of every release trust the product folder, chosen or not.
    AddTrustedPaths(services.registry, journal);
    for (int k = 0; k <= kLastIndexWithCompatLayer; ++k)
        ClearCompatFlags(services.registry, acadLocations[k]);
}

void AcadInventory::RegisterRelease(platform::Registry& registry, int year, InstallJournal* journal) {
    const auto index = ReleaseIndexOfYear(year);
    if (!index)
        return;
    // The entry carries the release year; the module file the year of the build serving it.
    const auto entryName = acad::FormatFitting(acad::kNameBufferSize, "Applications\\Brelix%d", year);
    const auto modulePath = acad::FormatFitting(acad::kNameBufferSize, "%s\\Brelix结构工具箱\\BRELIX%d.ARX",
                                                targetRoot.c_str(), ReleaseTable()[*index].arxBuild);
    if (!entryName || !modulePath)
        return;

    auto localMachine = registry.OpenRoot(platform::RootKey::LocalMachine);
    if (!localMachine)
        return;
    for (const std::string& releaseKeyPath : acadKeys[*index]) {
        auto releaseKey = localMachine->Open(releaseKeyPath, platform::KeyAccess::Default);
        if (!releaseKey)
            continue;
        // Deleting first drops values an earlier installation may have left in the entry; an
        // entry with subkeys of its own survives and only gets the two values overwritten.
        releaseKey->DeleteSubkey(*entryName);
        auto entry = releaseKey->Create(*entryName);
        if (!entry)
            continue;
        entry->WriteDword("LOADCTRLS", kLoadOnStartup);
        entry->WriteString("LOADER", *modulePath);
        if (journal)
            journal->DemandLoadKeyWritten(releaseKeyPath + "\\" + *entryName);
    }
}

void ClearCompatFlags(platform::Registry& registry, const StringList& folders) {
    auto currentUser = registry.OpenRoot(platform::RootKey::CurrentUser);
    if (!currentUser)
        return;
    auto layers = currentUser->Open(kCompatLayersKey, platform::KeyAccess::Write);
    if (!layers)
        return;
    for (const std::string& folder : folders) {
        const auto valueName = acad::FormatFitting(acad::kNameBufferSize, "%s\\acad.exe", folder.c_str());
        if (valueName)
            layers->DeleteValue(*valueName);
    }
}

}  // namespace app
