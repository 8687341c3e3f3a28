#include "install/deploy/config_keeper.h"

#include "files/folder_listing.h"
#include "files/own_file.h"
#include "install/record/install_record.h"
#include "install/record/install_root.h"
#include "install/record/locations.h"
#include "install/record/product_layout.h"
#include "install/record/setup_folder.h"
#include "platform/text936.h"

namespace install {

using files::FileResult;

using files::HeldPath;
using files::IsLink;
using files::LevelsOf;
using files::WalkEnd;
using files::WalkFolder;
using files::WalkStep;

namespace {

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

// Whether `opened` holds what the file `name` of the held source folder `shipped` holds, byte for byte
// (by size and CRC-32), that file read through a checked handle.
bool SameContent(HeldSource& held,
                 platform::OpenedFile& opened,
                 const std::string& shipped,
                 const std::string& name) {
    const auto source = held.Open(shipped, name);
    if (!source || source->Size() != opened.Size())
        return false;
    platform::ContentCheck mine, theirs;
    return opened.ReadPieces(kLargestCheckedFile,
                             [&](const char* data, std::size_t size) { mine.Add(data, size); }) &&
           source->ReadPieces(kLargestCheckedFile,
                              [&](const char* data, std::size_t size) { theirs.Add(data, size); }) &&
           mine.size == theirs.size && mine.crc == theirs.crc;
}

}  // namespace

ConfigKeeper::ConfigKeeper(platform::Services& services, const std::string& installRoot)
    : productFolder_(ProductFolderOf(installRoot)),
      services_(services),
      log_(ownJournal_),
      previousHold_(services.files) {}

ConfigKeeper::ConfigKeeper(platform::Services& services,
                           const std::string& installRoot,
                           state::InstallJournal& log,
                           KeptKinds kinds,
                           HeldSource* source)
    : productFolder_(ProductFolderOf(installRoot)),
      kinds_(kinds),
      source_(source),
      services_(services),
      log_(log),
      previousHold_(services.files) {}

bool ConfigKeeper::ReadPreviousFolder() {
    return install::ReadPreviousFolder(services_.registry, services_.environment, previousFolder_);
}

bool ConfigKeeper::RecordProductFolder() {
    const std::string where = RecordKeyDisplayName(services_.registry) + " " + kRecordValueName;
    if (!install::RecordProductFolder(services_.registry, productFolder_)) {
        log_.Problem("未能记录安装位置（" + where + "）" +
                     platform::DescribeSystemError(services_.environment.LastError()) +
                     "，下次安装将无法保留配置");
        return false;
    }
    log_.Note("已写入 " + where + " = " + productFolder_);
    return true;
}

bool ConfigKeeper::HasPreviousConfig() {
    if (!ReadPreviousFolder())
        return false;
    const WalkEnd end =
        WalkFolder(services_.files, previousFolder_, nullptr, [](const platform::DirEntry& entry) {
            const bool isSettings =
                text936::ContainsNotAtStart(text936::ToUpper(entry.name), kSettingsExtension);
            return isSettings ? WalkStep::Stop : WalkStep::Continue;
        });
    return end == WalkEnd::Stopped;
}

bool ConfigKeeper::ProductFolderHoldsKeptKinds() {
    std::vector<std::string> productKinds;
    if (kinds_.settings)
        productKinds.push_back(kSettingsExtension);
    if (kinds_.sections)
        productKinds.push_back(kSectionExtension);
    const std::pair<std::string, std::vector<std::string>> places[] = {
        {productFolder_, productKinds},
        {JoinPath(productFolder_, kDrawingLibraryName),
         kinds_.drawings ? std::vector<std::string>{kDrawingExtension} : std::vector<std::string>{}},
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

FileResult ConfigKeeper::PrepareKeptFiles(files::FileTransaction& transaction) {
    std::vector<std::string> productKinds;
    if (kinds_.settings)
        productKinds.push_back(kSettingsExtension);
    if (kinds_.sections)
        productKinds.push_back(kSectionExtension);
    const std::vector<std::string> libraryKinds =
        kinds_.drawings ? std::vector<std::string>{kDrawingExtension} : std::vector<std::string>{};
    if ((productKinds.empty() && libraryKinds.empty()) || previousFolder_.empty())
        return FileResult::Done();
    const std::string previousLibrary = JoinPath(previousFolder_, kDrawingLibraryName);
    ReadRecordedFiles();
    if (!SamePath(previousFolder_, productFolder_)) {
        // Held while its files are read: nobody can put a link in its place meanwhile.
        std::vector<std::string> levels = LevelsOf(previousFolder_);
        if (!libraryKinds.empty())
            levels.push_back(previousLibrary);
        if (previousHold_.Hold(levels, false) == HeldPath::Result::Link) {
            // No system error: the program found a link and stays out of it.
            log_.Problem(previousHold_.FailedLevel() + " 是一个链接，其中的文件没有保留");
            return FileResult::Done();
        }
    }
    const bool held = source_ && source_->Held();
    const std::string sourceFolder = held ? source_->Folder() : std::string();
    const std::string librarySource = held ? source_->LibraryFolder() : std::string();
    if (const FileResult kept = KeepFrom(previousFolder_, productFolder_, sourceFolder, productKinds,
                                         transaction, keptInProduct_, std::string());
        !kept)
        return kept;
    return KeepFrom(previousLibrary, JoinPath(productFolder_, kDrawingLibraryName), librarySource,
                    libraryKinds, transaction, keptInLibrary_, std::string(kDrawingLibraryName) + "\\");
}

void ConfigKeeper::ReadRecordedFiles() {
    // Only records where administrators write count: what a user may write could make their file
    // pass for the factory's, to be replaced.
    const auto record =
        ReadMergedRecord(services_.files, SetupFolders(services_.registry, services_.environment));
    const auto files = record ? RecordedFilesIn(*record, previousFolder_) : std::nullopt;
    haveRecord_ = files.has_value();
    if (!files)
        return;
    recorded_ = *files;
    for (std::size_t i = 0; i < recorded_.size(); ++i)
        recordedIndex_.FindOrAdd(recorded_[i].path, i + 1);
}

ConfigKeeper::SinceInstalled ConfigKeeper::CompareWithRecord(platform::OpenedFile& opened,
                                                             const std::string& path) const {
    const std::size_t at = haveRecord_ ? recordedIndex_.Find(path, 0) : 0;
    if (at == 0)
        return SinceInstalled::NotRecorded;
    const files::RecordedFile& recorded = recorded_[at - 1];
    platform::ContentCheck now;
    if (opened.Size() != recorded.size ||
        !opened.ReadPieces(kLargestCheckedFile,
                           [&](const char* data, std::size_t size) { now.Add(data, size); }))
        return SinceInstalled::Changed;
    return now.size == recorded.size && now.crc == recorded.crc ? SinceInstalled::Unchanged
                                                                : SinceInstalled::Changed;
}

FileResult ConfigKeeper::KeepFrom(const std::string& from,
                                  const std::string& into,
                                  const std::string& sourceOfFrom,
                                  const std::vector<std::string>& extensions,
                                  files::FileTransaction& transaction,
                                  platform::NameIndex& kept,
                                  const std::string& recordPrefix) {
    if (extensions.empty())
        return FileResult::Done();
    platform::FileSystem& files = services_.files;
    KeepPlace place{from,          into,        sourceOfFrom, SamePath(from, into),
                    std::string(), transaction, kept,         recordPrefix};
    if (!place.sameFolder && !previousHold_.Holds(from)) {
        // Not there to be held: nothing to keep. There but not held: its files cannot be read safely.
        if (!files.GetAttributes(from))
            return FileResult::Done();
        return FileResult::Failed(from, "无法保留");
    }
    std::vector<platform::DirEntry> toKeep;
    const WalkEnd end = WalkFolder(files, from, nullptr, [&](const platform::DirEntry& entry) {
        if (MatchesAny(text936::ToUpper(entry.name), extensions))
            toKeep.push_back(entry);
        return WalkStep::Continue;
    });
    // A folder that is there but cannot be listed may hold files to keep: nothing is safe then.
    if (end == WalkEnd::NotListed && IsFolder(files, from))
        return FileResult::Failed(from, "无法保留");
    place.fromFinal = files.FinalPath(from);
    for (const platform::DirEntry& entry : toKeep) {
        if (const FileResult one = KeepOne(entry, place); !one)
            return one;
    }
    return FileResult::Done();
}

FileResult ConfigKeeper::KeepOne(const platform::DirEntry& entry, KeepPlace& place) {
    platform::FileSystem& files = services_.files;
    const std::string path = JoinPath(place.from, entry.name);
    // A copy takes the upper-cased name, or the spelling of the file it replaces.
    std::string name = place.sameFolder ? entry.name : text936::ToUpper(entry.name);
    platform::DirEntry existing;
    const bool replaces =
        !place.sameFolder && files.FindFirst(JoinPath(place.into, name), existing) != nullptr;
    if (replaces)
        name = existing.name;
    const std::string target = JoinPath(place.into, name);
    if (!text936::FitsBuffer(path, kPathBufferSize) || !text936::FitsBuffer(target, kPathBufferSize))
        return FileResult::Failed(path, "无法保留");
    if (IsLink(entry.attributes)) {
        // No system error: the program found a link and stays out of it.
        log_.Problem(path + " 是一个链接，没有保留");
        return FileResult::Done();
    }
    // What lies behind a link or another name is not the user's to keep: copied, it would become
    // readable here. A final path that cannot be told is no link, but is not read for a copy either.
    const auto opened = files.OpenToRead(path);
    const std::string final = opened ? opened->FinalPath() : std::string();
    if (opened && (IsLink(opened->Attributes()) || opened->LinkCount() > 1 ||
                   (!place.fromFinal.empty() && !final.empty() &&
                    !text936::EqualsNoCase(final, JoinPath(place.fromFinal, entry.name))))) {
        // No system error: the program found a link and stays out of it.
        log_.Problem(path + " 是一个链接或另有名称（硬链接），没有保留");
        return FileResult::Done();
    }
    // A file as the previous installation left it is the factory's: the new version takes its place
    // (here, or in the new folder), recorded as shipped.
    const SinceInstalled since =
        opened ? CompareWithRecord(*opened, place.recordPrefix + entry.name) : SinceInstalled::NotRecorded;
    if (since == SinceInstalled::Unchanged) {
        log_.Note("安装后未修改，更新为新版本：" + path);
        return FileResult::Done();
    }
    const char* const why = since == SinceInstalled::Changed ? "（安装后已修改）"
                            : haveRecord_                    ? "（用户添加的文件）"
                                                             : "（没有安装记录可比较）";
    if (place.sameFolder) {
        // Without a record, a file identical to the one shipped now is the product's all the same.
        if (since == SinceInstalled::NotRecorded && opened && !place.sourceOfFrom.empty() &&
            SameContent(*source_, *opened, place.sourceOfFrom, entry.name)) {
            log_.Note("与安装文件相同，重新安装：" + path);
            return FileResult::Done();
        }
        place.kept.FindOrAdd(entry.name, 1);
        log_.Note("保留" + std::string(why) + "：" + path);
        return FileResult::Done();
    }
    platform::ContentCheck copied;
    if (!opened || place.fromFinal.empty() || final.empty() ||
        !place.transaction.Stage(place.into, name, replaces ? files::OldFile::File : files::OldFile::None,
                                 *opened, copied, false))
        return FileResult::Failed(path, "无法保留");
    place.kept.FindOrAdd(name, 1);
    log_.Note("保留" + std::string(why) + "：" + path + " -> " + target);
    return FileResult::Done();
}

bool ConfigKeeper::Keeps(const std::string& folder, const std::string& name) const {
    const bool library = text936::EqualsNoCase(folder, JoinPath(productFolder_, kDrawingLibraryName));
    return (library ? keptInLibrary_ : keptInProduct_).Find(name, 0) != 0;
}

}  // namespace install
