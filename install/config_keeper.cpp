#include "install/config_keeper.h"

#include "install/folder_walk.h"
#include "install/locations.h"
#include "install/product_layout.h"
#include "install/setup_folder.h"
#include "platform/read_only.h"
#include "platform/text936.h"

namespace install {

namespace {

constexpr char kSettingsExtension[] = ".CFG";
constexpr char kSectionExtension[] = ".SEC";
constexpr char kDrawingExtension[] = ".SJY";
constexpr char kProductSaveFolderName[] = "SetUp_Temp1";
constexpr char kDrawingSaveFolderName[] = "SetUp_Temp2";
// Where a copy into a save place is made before it takes its name: a file there under a kept kind's
// name is trusted whole by the next run, so a copy cut short must never carry one. No kept kind.
constexpr char kSavingName[] = "SAVING.TMP";

bool Fits(const std::string& path) {
    return text936::FitsBuffer(path, kPathBufferSize);
}

bool IsFolder(platform::FileSystem& files, const std::string& path) {
    const auto attributes = files.GetAttributes(path);
    return attributes && (*attributes & platform::kAttrDirectory);
}

bool MatchesAny(const std::string& upperName, const std::vector<std::string>& extensions) {
    for (const std::string& extension : extensions) {
        if (text936::ContainsNotAtStart(upperName, extension))
            return true;
    }
    return false;
}

// Copies over the target, past read-only on either end, and leaves no read-only copy.
bool CopyReplacing(platform::FileSystem& files,
                   const std::string& from,
                   std::uint32_t fromAttributes,
                   const std::string& to) {
    platform::ClearListedReadOnly(files, from, fromAttributes);
    const bool copied = platform::CopyOverReadOnly(files, from, to);
    platform::ClearCarriedReadOnly(files, fromAttributes, to);
    return copied;
}

// Moves a saved file back over `name` in `into`. An existing target keeps the spelling it has on
// disk, as a copy over it would. Read-only is cleared on the saved file (as its listing showed it),
// on the target, which would refuse the move, and on the result.
bool MoveBack(platform::FileSystem& files,
              const std::string& saved,
              std::uint32_t savedAttributes,
              const std::string& into,
              const std::string& name) {
    if (savedAttributes & platform::kAttrReadOnly)
        files.SetAttributes(saved, savedAttributes & ~platform::kAttrReadOnly);
    std::string target = JoinPath(into, name);
    platform::DirEntry existing;
    if (files.FindFirst(target, existing)) {
        target = JoinPath(into, existing.name);
        if (existing.attributes & platform::kAttrReadOnly)
            files.SetAttributes(target, existing.attributes & ~platform::kAttrReadOnly);
    }
    const bool moved = files.MoveFile(saved, target);
    platform::ClearCarriedReadOnly(files, savedAttributes, target);
    return moved;
}

}  // namespace

bool IsKeptKind(const std::string& pathBelowProductFolder) {
    const std::string upper = text936::ToUpper(pathBelowProductFolder);
    const std::size_t separator = text936::FindLastBackslash(upper);
    if (separator == text936::npos)
        return MatchesAny(upper, {kSettingsExtension, kSectionExtension});
    return upper.substr(0, separator) == text936::ToUpper(kDrawingLibraryName) &&
           MatchesAny(upper.substr(separator + 1), {kDrawingExtension});
}

ConfigKeeper::ConfigKeeper(platform::Services& services, const std::string& installRoot)
    : productFolder(ProductFolderOf(installRoot)), services_(services), journal_(ownJournal_) {}

ConfigKeeper::ConfigKeeper(platform::Services& services,
                           const std::string& installRoot,
                           state::InstallJournal& journal)
    : productFolder(ProductFolderOf(installRoot)), services_(services), journal_(journal) {}

bool ConfigKeeper::ReadPreviousFolder() {
    return install::ReadPreviousFolder(services_.registry, services_.environment, previousFolder);
}

bool ConfigKeeper::RecordProductFolder() {
    const std::string where = RecordKeyDisplayName(services_.registry) + " " + kRecordValueName;
    if (!install::RecordProductFolder(services_.registry, productFolder)) {
        journal_.Problem("未能记录安装位置（" + where + "），下次安装将无法保留配置");
        return false;
    }
    journal_.Note("已写入 " + where + " = " + productFolder);
    return true;
}

bool ConfigKeeper::HasPreviousConfig() {
    if (!ReadPreviousFolder())
        return false;
    const WalkEnd end =
        WalkFolder(services_.files, previousFolder, nullptr, [](const platform::DirEntry& entry) {
            const bool isSettings =
                text936::ContainsNotAtStart(text936::ToUpper(entry.name), kSettingsExtension);
            return isSettings ? WalkStep::Stop : WalkStep::Continue;
        });
    return end == WalkEnd::Stopped;
}

bool ConfigKeeper::ProductFolderHoldsKeptKinds() {
    std::vector<std::string> productKinds;
    if (keepSettings)
        productKinds.push_back(kSettingsExtension);
    if (keepSectionLibrary)
        productKinds.push_back(kSectionExtension);
    const std::pair<std::string, std::vector<std::string>> places[] = {
        {productFolder, productKinds},
        {JoinPath(productFolder, kDrawingLibraryName),
         keepDrawingLibrary ? std::vector<std::string>{kDrawingExtension} : std::vector<std::string>{}},
    };
    for (const auto& [folder, kinds] : places) {
        if (kinds.empty())
            continue;
        const WalkEnd end =
            WalkFolder(services_.files, folder, nullptr, [&](const platform::DirEntry& entry) {
                return MatchesAny(text936::ToUpper(entry.name), kinds) ? WalkStep::Stop : WalkStep::Continue;
            });
        if (end == WalkEnd::Stopped || (end == WalkEnd::NotListed && IsFolder(services_.files, folder)))
            return true;
    }
    return false;
}

bool ConfigKeeper::BackupConfig() {
    if (!keepSettings && !keepSectionLibrary && !keepDrawingLibrary)
        return true;
    return BackupProductConfig() && BackupDrawingLibrary();
}

void ConfigKeeper::RestoreConfig() {
    if (!keepSettings && !keepSectionLibrary && !keepDrawingLibrary)
        return;
    RestoreProductConfig();
    RestoreDrawingLibrary();
}

void ConfigKeeper::DiscardBackup() {
    Discard(productPlace_);
    Discard(drawingPlace_);
}

bool ConfigKeeper::BackupProductConfig() {
    if (!keepSettings && !keepSectionLibrary)
        return true;
    productPlace_.extensions.clear();
    if (keepSettings)
        productPlace_.extensions.push_back(kSettingsExtension);
    if (keepSectionLibrary)
        productPlace_.extensions.push_back(kSectionExtension);
    return Backup(previousFolder, kProductSaveFolderName, productPlace_);
}

bool ConfigKeeper::BackupDrawingLibrary() {
    if (!keepDrawingLibrary)
        return true;
    drawingPlace_.extensions = {kDrawingExtension};
    return Backup(JoinPath(previousFolder, kDrawingLibraryName), kDrawingSaveFolderName, drawingPlace_);
}

void ConfigKeeper::RestoreProductConfig() {
    if (!keepSettings && !keepSectionLibrary)
        return;
    if (!Fits(productFolder))
        return;
    // Whatever of this kind the place holds goes back, also a file an earlier run left there.
    productPlace_.extensions = {kSettingsExtension, kSectionExtension};
    Restore(productPlace_, productFolder);
}

void ConfigKeeper::RestoreDrawingLibrary() {
    if (!keepDrawingLibrary)
        return;
    const std::string into = JoinPath(productFolder, kDrawingLibraryName);
    if (!Fits(into))
        return;
    // After an aborted deployment the library folder was never made; the saved files belong there.
    services_.files.CreateDirectory(into);
    drawingPlace_.extensions = {kDrawingExtension};
    Restore(drawingPlace_, into);
}

std::string ConfigKeeper::ChooseSaveFolder(const char* name, bool& made) {
    platform::FileSystem& files = services_.files;
    // This machine's own place, never the installation source: that may be a share other machines
    // install from at the same moment, or a read-only medium.
    std::vector<std::string> candidates;
    if (const auto setupFolder = SetupFolder(services_.registry, services_.environment)) {
        setupFolder_ = *setupFolder;
        if (!IsFolder(files, *setupFolder))
            files.CreateDirectory(*setupFolder);
        const std::string inSetup = JoinPath(*setupFolder, name);
        if (IsFolder(files, *setupFolder) && Fits(inSetup))
            candidates.push_back(inSetup);
    }
    const std::string tempRoot = files.TempDirectory();
    if (!tempRoot.empty()) {
        const std::string inTemp = JoinPath(tempRoot, name);
        if (Fits(inTemp))
            candidates.push_back(inTemp);
    }
    for (const std::string& candidate : candidates) {
        made = false;
        const auto attributes = files.GetAttributes(candidate);
        // A link there would take the saved files wherever it leads.
        if (attributes && (*attributes & platform::kAttrReparsePoint))
            continue;
        if (attributes && (*attributes & platform::kAttrDirectory))
            return candidate;
        if (files.CreateDirectory(candidate) && IsFolder(files, candidate)) {
            made = true;
            return candidate;
        }
    }
    return std::string();
}

void ConfigKeeper::RemoveEmptySetupFolder() {
    // Removing fails unless it is empty: what else the installer keeps there stays.
    if (!setupFolder_.empty())
        services_.files.RemoveDirectory(setupFolder_);
}

bool ConfigKeeper::Backup(const std::string& from, const char* placeName, SavePlace& place) {
    platform::FileSystem& files = services_.files;
    // What lies behind a link is not the user's to keep: copied here it would become readable.
    if (const auto link = FirstLinkOf(files, from)) {
        journal_.Problem(*link + " 是一个链接，其中的文件没有保留");
        return true;
    }
    std::vector<platform::DirEntry> toSave;  // upper-cased names
    const WalkEnd end = WalkFolder(files, from, nullptr, [&](const platform::DirEntry& entry) {
        const std::string upperName = text936::ToUpper(entry.name);
        if (!MatchesAny(upperName, place.extensions))
            return WalkStep::Continue;
        if (entry.attributes & platform::kAttrReparsePoint)
            journal_.Problem(JoinPath(from, entry.name) + " 是一个链接，没有保留");
        else
            toSave.push_back({upperName, entry.attributes});
        return WalkStep::Continue;
    });
    // A folder that is there but cannot be listed may hold files to keep: nothing is safe then.
    if (end == WalkEnd::NotListed && IsFolder(files, from)) {
        unsavedFile = from;
        return false;
    }

    // Chosen even with nothing to save: files an unfinished run left there still go back.
    place.folder = ChooseSaveFolder(placeName, place.madeByThisRun);
    if (place.folder.empty()) {
        if (toSave.empty())
            return true;
        unsavedFile = JoinPath(from, toSave.front().name);
        return false;
    }
    journal_.Note("保存位置：" + place.folder);

    for (const platform::DirEntry& entry : toSave) {
        const std::string original = JoinPath(from, entry.name);
        const std::string saved = JoinPath(place.folder, entry.name);
        const std::string saving = JoinPath(place.folder, kSavingName);
        if (!Fits(original) || !Fits(saved) || !Fits(saving)) {
            unsavedFile = original;
            return false;
        }
        if (files.GetAttributes(saved)) {
            journal_.Note("保存位置已有 " + saved + "（上次安装未完成时保存），保留它而不保存 " + original);
            continue;
        }
        if (!CopyReplacing(files, original, entry.attributes, saving) || !files.MoveFile(saving, saved)) {
            files.DeleteFile(saving);
            unsavedFile = original;
            return false;
        }
        place.saved.push_back(saved);
        journal_.Note("已保存 " + original + " -> " + saved);
    }
    return true;
}

void ConfigKeeper::Restore(SavePlace& place, const std::string& into) {
    if (place.folder.empty())
        return;
    platform::FileSystem& files = services_.files;
    // Nothing goes back through a link, into the folder or over a file: it stays saved.
    const auto intoLink = FirstLinkOf(files, into);
    const auto links = LinkNamesIn(files, into);
    const WalkEnd end = WalkFolder(files, place.folder, nullptr, [&](const platform::DirEntry& entry) {
        const std::string upperName = text936::ToUpper(entry.name);
        if (!MatchesAny(upperName, place.extensions))
            return WalkStep::Continue;  // not something a backup saves: left alone
        const std::string saved = JoinPath(place.folder, upperName);
        const std::string target = JoinPath(into, upperName);
        if (intoLink || links.Find(upperName, 0)) {
            journal_.Problem("未能恢复保留的文件 " + target + "（" + intoLink.value_or(target) +
                             " 是一个链接），它仍保存在 " + saved);
            return WalkStep::Continue;
        }
        // A saved file leaves its place only by going back: the deployment has just replaced the
        // one in the product folder.
        if (!Fits(saved) || !Fits(target) || !MoveBack(files, saved, entry.attributes, into, upperName)) {
            journal_.Problem("未能恢复保留的文件 " + target + "，它仍保存在 " + saved);
            return WalkStep::Continue;
        }
        journal_.Note("已恢复 " + saved + " -> " + target);
        return WalkStep::Continue;
    });
    if (end == WalkEnd::NotListed && IsFolder(files, place.folder))
        journal_.Problem("未能读取保存位置 " + place.folder + "，其中保留的文件没有恢复");
    // A copy an earlier run was cut off in is not the user's file: the original was still in place.
    const std::string saving = JoinPath(place.folder, kSavingName);
    if (Fits(saving) && files.GetAttributes(saving)) {
        platform::ClearReadOnly(files, saving);
        files.DeleteFile(saving);
    }
    files.RemoveDirectory(place.folder);
    RemoveEmptySetupFolder();
}

void ConfigKeeper::Discard(SavePlace& place) {
    for (const std::string& saved : place.saved)
        services_.files.DeleteFile(saved);
    place.saved.clear();
    if (place.madeByThisRun && !place.folder.empty())
        services_.files.RemoveDirectory(place.folder);
    place.folder.clear();
    RemoveEmptySetupFolder();
}

}  // namespace install
