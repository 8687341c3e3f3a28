#include "install/config_keeper.h"

#include "install/folder_walk.h"
#include "install/locations.h"
#include "install/product_layout.h"
#include "install/read_only.h"
#include "platform/text936.h"

namespace install {

namespace {

constexpr int kScanPassCap = 81;
constexpr char kSettingsExtension[] = ".CFG";
constexpr char kSectionExtension[] = ".SEC";
constexpr char kDrawingExtension[] = ".SJY";
constexpr char kProductSaveFolderName[] = "SetUp_Temp1";
constexpr char kDrawingSaveFolderName[] = "SetUp_Temp2";

bool Fits(const std::string& path) {
    return text936::FitsBuffer(path, kPathBufferSize);
}

// Clears read-only on both ends, copies over the target and clears read-only on the copy.
bool CopyReplacing(platform::FileSystem& files, const std::string& from, const std::string& to) {
    ClearReadOnly(files, from);
    ClearReadOnly(files, to);
    const bool copied = files.CopyFile(from, to, false);
    ClearReadOnly(files, to);
    return copied;
}

}  // namespace

ConfigKeeper::ConfigKeeper(platform::Services& services, const std::string& installRoot)
    : productFolder(ProductFolderOf(installRoot)), services_(services) {}

bool ConfigKeeper::ReadPreviousFolder() {
    return install::ReadPreviousFolder(services_.registry, services_.environment, previousFolder);
}

void ConfigKeeper::RecordProductFolder() {
    install::RecordProductFolder(services_.registry, productFolder);
}

bool ConfigKeeper::HasPreviousConfig() {
    if (!ReadPreviousFolder())
        return false;
    const bool walkedToEnd = WalkFolder(
        services_.files, previousFolder, kScanPassCap, nullptr, [](const platform::DirEntry& entry) {
            const bool isSettings =
                text936::ContainsNotAtStart(text936::ToUpper(entry.name), kSettingsExtension);
            return isSettings ? WalkStep::Stop : WalkStep::Continue;
        });
    return !walkedToEnd;
}

void ConfigKeeper::BackupConfig() {
    if (!keepSettings && !keepSectionLibrary && !keepDrawingLibrary)
        return;
    BackupProductConfig();
    BackupDrawingLibrary();
}

void ConfigKeeper::RestoreConfig() {
    if (!keepSettings && !keepSectionLibrary && !keepDrawingLibrary)
        return;
    RestoreProductConfig();
    RestoreDrawingLibrary();
}

void ConfigKeeper::BackupProductConfig() {
    if (!keepSettings && !keepSectionLibrary)
        return;
    std::string source;
    if (!LocateSourceFolder(services_, source))
        return;
    productSaveFolder_ = PrepareSaveFolder(source, kProductSaveFolderName);
    if (productSaveFolder_.empty())
        return;

    std::vector<std::string> extensions;
    if (keepSettings)
        extensions.push_back(kSettingsExtension);
    if (keepSectionLibrary)
        extensions.push_back(kSectionExtension);
    SaveMatching(previousFolder, productSaveFolder_, extensions);
}

void ConfigKeeper::BackupDrawingLibrary() {
    if (!keepDrawingLibrary)
        return;
    std::string source;
    if (!LocateSourceFolder(services_, source))
        return;
    drawingSaveFolder_ = PrepareSaveFolder(source, kDrawingSaveFolderName);
    if (drawingSaveFolder_.empty())
        return;
    SaveMatching(JoinPath(previousFolder, kDrawingLibraryName), drawingSaveFolder_, {kDrawingExtension});
}

void ConfigKeeper::RestoreProductConfig() {
    if (!keepSettings && !keepSectionLibrary)
        return;
    std::string source;
    if (!LocateSourceFolder(services_, source))
        return;
    if (!Fits(productFolder))
        return;
    for (const std::string& place : SavedPlaces(source, kProductSaveFolderName, productSaveFolder_)) {
        RestoreAll(place, productFolder);
    }
}

void ConfigKeeper::RestoreDrawingLibrary() {
    if (!keepDrawingLibrary)
        return;
    std::string source;
    if (!LocateSourceFolder(services_, source))
        return;
    const std::string into = JoinPath(productFolder, kDrawingLibraryName);
    if (!Fits(into))
        return;
    // After an aborted deployment the library folder was never made; the saved files belong there.
    services_.files.CreateDirectory(into);
    for (const std::string& place : SavedPlaces(source, kDrawingSaveFolderName, drawingSaveFolder_)) {
        RestoreAll(place, into);
    }
}

std::string ConfigKeeper::PrepareSaveFolder(const std::string& sourceFolder, const char* name) {
    platform::FileSystem& files = services_.files;
    for (const std::string& place : SavedPlaces(sourceFolder, name, std::string())) {
        files.CreateDirectory(place);
        if (GetPathKind(files, place) == kPathFolder)
            return place;
    }
    return std::string();
}

std::vector<std::string> ConfigKeeper::SavedPlaces(const std::string& sourceFolder,
                                                   const char* name,
                                                   const std::string& usedByBackup) {
    std::vector<std::string> places;
    const std::string inSource = JoinPath(sourceFolder, name);
    if (Fits(inSource))
        places.push_back(inSource);

    const std::string tempRoot = services_.files.TempDirectory();
    if (!tempRoot.empty()) {
        const std::string inTemp = JoinPath(tempRoot, name);
        const bool duplicate = !places.empty() && text936::EqualsNoCase(places.front(), inTemp);
        if (Fits(inTemp) && !duplicate)
            places.push_back(inTemp);
    }

    if (places.size() == 2 && text936::EqualsNoCase(places.front(), usedByBackup)) {
        std::swap(places.front(), places.back());
    }
    return places;
}

void ConfigKeeper::SaveMatching(const std::string& from,
                                const std::string& saveFolder,
                                const std::vector<std::string>& extensions) {
    platform::FileSystem& files = services_.files;
    WalkFolder(files, from, kScanPassCap, nullptr, [&](const platform::DirEntry& entry) {
        const std::string upperName = text936::ToUpper(entry.name);
        for (const std::string& extension : extensions) {
            if (text936::ContainsNotAtStart(upperName, extension)) {
                CopyReplacing(files, JoinPath(from, upperName), JoinPath(saveFolder, upperName));
                break;
            }
        }
        return WalkStep::Continue;
    });
}

void ConfigKeeper::RestoreAll(const std::string& savedFolder, const std::string& into) {
    platform::FileSystem& files = services_.files;
    WalkFolder(files, savedFolder, kScanPassCap, nullptr, [&](const platform::DirEntry& entry) {
        const std::string upperName = text936::ToUpper(entry.name);
        const std::string saved = JoinPath(savedFolder, upperName);
        // Deleting a copy that did not go back would lose the user's file: the deployment has
        // just replaced the one in the product folder.
        if (CopyReplacing(files, saved, JoinPath(into, upperName)))
            files.DeleteFile(saved);
        return WalkStep::Continue;
    });
    files.RemoveDirectory(savedFolder);
}

}  // namespace install
