#include "uninstall/uninstall_files.h"

#include <algorithm>
#include <optional>

#include "files/folder_listing.h"
#include "files/held_path.h"
#include "files/own_file.h"
#include "files/paths.h"
#include "files/recovery.h"
#include "install/record/locations.h"
#include "install/record/product_layout.h"
#include "platform/crc32.h"
#include "platform/name_index.h"
#include "platform/read_only.h"
#include "platform/text936.h"

namespace uninstall {

using files::HeldPath;
using files::IsLink;
using files::IsOwnPlainFile;
using files::LastName;
using files::LevelsOf;
using files::RecoverEarlierSwap;
using files::Recovery;

namespace {

// Deeper than anything the product or a user makes below it; a guard against endless descent.
constexpr int kDeepestFolder = 32;

// The folder levels between `folder` and each recorded path below it that are links, each level
// asked once for the whole record.
class LinkLevels {
  public:
    LinkLevels(platform::FileSystem& files, const std::string& folder)
        : files_(files), folder_(folder), folderLevels_(LevelsOf(folder).size()) {}

    // The first folder level of `below` (a recorded path) that is a link.
    std::optional<std::string> FirstLink(const std::string& below) {
        const std::vector<std::string> levels = LevelsOf(install::JoinPath(folder_, below));
        for (std::size_t i = folderLevels_; i + 1 < levels.size(); ++i) {
            if (IsLinkLevel(levels[i]))
                return levels[i];
        }
        return std::nullopt;
    }

  private:
    bool IsLinkLevel(const std::string& level) {
        constexpr std::size_t kUnknown = 2;
        std::size_t isLink = isLink_.Find(level, kUnknown);
        if (isLink == kUnknown) {
            const auto attributes = files_.GetAttributes(level);
            isLink = attributes && IsLink(*attributes) ? 1 : 0;
            isLink_.FindOrAdd(level, isLink);
        }
        return isLink == 1;
    }

    platform::FileSystem& files_;
    const std::string& folder_;
    const std::size_t folderLevels_;
    platform::NameIndex isLink_;  // 1: a link, 0: not
};

void FolderRemains(state::InstallJournal& log, const std::string& folder) {
    // No system error: the hold's result said which (a link, elsewhere or in use) when it was taken.
    log.Problem("文件夹无法锁定（链接、指向别处或正被占用），其中的一切保留：" + folder);
}

// Holds `path` to be removed when it is its parent's own folder of its name: the parent resolves to
// `parentFinal`, and Wine opens what a link leads to, so the final path is what tells. nullptr when
// it cannot be held so.
std::unique_ptr<platform::HeldFolder> HoldOwnFolder(platform::FileSystem& files,
                                                    const std::string& path,
                                                    const std::string& parentFinal,
                                                    std::string& final) {
    auto held = files.HoldFolderToRemove(path);
    if (!held || IsLink(held->Attributes()))
        return nullptr;
    final = held->FinalPath();
    if (parentFinal.empty() ||
        !text936::EqualsNoCase(final, text936::WithoutTrailingBackslash(parentFinal) + "\\" + LastName(path)))
        return nullptr;
    return held;
}

// Sweeps the held folder `folder`, which resolves to `final`, deepest first; true when it is gone.
// Each subfolder is held before it is listed and let go of before its parent is removed.
bool SweepFolder(platform::FileSystem& files,
                 platform::HeldFolder& held,
                 const std::string& folder,
                 const std::string& final,
                 int depth,
                 std::vector<std::string>& remaining,
                 state::InstallJournal& log) {
    // Through the hold: the name could lead elsewhere, and Wine lists no folder held to be removed.
    const std::vector<platform::DirEntry> entries = held.List().value_or(std::vector<platform::DirEntry>());
    bool empty = true;
    for (const platform::DirEntry& entry : entries) {
        const std::string path = install::JoinPath(folder, entry.name);
        // A link stays as it is, and is listed: what it leads to is not the product's.
        const bool isFolder = (entry.attributes & platform::kAttrDirectory) != 0 && !IsLink(entry.attributes);
        if (isFolder && depth < kDeepestFolder && text936::FitsBuffer(path, install::kPathBufferSize)) {
            std::string childFinal;
            auto child = HoldOwnFolder(files, path, final, childFinal);
            if (!child) {
                if (!files.GetAttributes(path))
                    continue;  // gone since the listing
                FolderRemains(log, path);
                empty = false;
                continue;
            }
            if (SweepFolder(files, *child, path, childFinal, depth + 1, remaining, log))
                continue;
        }
        if (!isFolder)
            remaining.push_back(path);
        empty = false;
    }
    return empty && held.RemoveIfEmpty();
}

// The versions a name may hold, as recorded.
using Versions = std::vector<const install::RecordedFile*>;

// A name listed twice (by the record and by the journal) may hold either version: each name is
// checked once, at its first listing, against all of its versions.
std::vector<Versions> VersionsByName(const std::vector<install::RecordedFile>& expected) {
    platform::NameIndex firstListing;
    std::vector<Versions> versions;
    for (const install::RecordedFile& file : expected) {
        const auto [first, added] = firstListing.FindOrAdd(file.path, versions.size());
        if (added)
            versions.emplace_back();
        versions[first].push_back(&file);
    }
    return versions;
}

// The shipped files of one product folder go, each checked to be as shipped. The folder is held from
// here to the last deletion: nobody can put a link in the place of a level meanwhile.
class ShippedFileRemoval {
  public:
    ShippedFileRemoval(platform::FileSystem& files,
                       platform::Environment& environment,
                       const std::string& productFolder,
                       state::InstallJournal& log)
        : files_(files),
          environment_(environment),
          folder_(productFolder),
          log_(log),
          held_(files),
          links_(files, folder_) {}

    void Run(const std::vector<std::string>& journalFolders, const install::InstallRecord& record) {
        if (!HoldFolder())
            return;
        const std::vector<install::RecordedFile> expected = Expected(journalFolders, record);
        if (!LocateFolder())
            return;
        for (const Versions& known : VersionsByName(expected)) {
            const install::RecordedFile& shipped = *known.front();
            const std::string path = install::JoinPath(folder_, shipped.path);
            if (IsInOurPlace(shipped, path))
                DeleteIfAsShipped(path, known);
        }
    }

  private:
    bool HoldFolder() {
        const HeldPath::Result hold = held_.Hold(LevelsOf(folder_), false);
        if (hold == HeldPath::Result::Link) {
            // No system error: the program found a link and stays out of it.
            log_.Problem(held_.FailedLevel() + " 是一个链接，其中的文件没有删除");
            return false;
        }
        if (!held_.Holds(folder_)) {
            const platform::SystemError error = environment_.LastError();
            if (files_.GetAttributes(folder_))
                log_.Problem("无法锁定安装文件夹，其中的文件没有删除：" + folder_ +
                             platform::DescribeSystemError(error));
            return false;
        }
        return true;
    }

    // What an installation cut off part way left: the record describes the files before it. A
    // library that is a link is no place of ours to rename in; its files stay, as below.
    // A run cut off after its swap and before its record left the new files' names and checksums.
    std::vector<install::RecordedFile> Expected(const std::vector<std::string>& journalFolders,
                                                const install::InstallRecord& record) {
        const std::string library = install::JoinPath(folder_, install::kDrawingLibraryName);
        std::vector<install::RecordedFile> expected = record.files;
        const bool libraryHeld = held_.Hold({library}, false) == HeldPath::Result::Held;
        for (install::RecordedFile& swappedIn : RecoverEarlierSwap(
                 files_, environment_, log_, {journalFolders, folder_, library, libraryHeld}, Recovery::Undo))
            expected.push_back(std::move(swappedIn));
        return expected;
    }

    // Where the folder really is, and how the system spells it: each file must lie below both.
    bool LocateFolder() {
        fullFolder_ = files_.FullPath(folder_);
        finalFolder_ = files_.FinalPath(folder_);
        if (fullFolder_.empty() || finalFolder_.empty()) {
            // No system error: the spelling of the folder came back empty, which is the program's check.
            log_.Problem("无法确定安装文件夹的位置，其中的文件没有删除：" + folder_);
            return false;
        }
        return true;
    }

    // Whether the recorded `shipped`, at `path`, lies inside the folder and behind no link.
    bool IsInOurPlace(const install::RecordedFile& shipped, const std::string& path) {
        if (!text936::FitsBuffer(path, install::kPathBufferSize))
            return false;
        const std::string full = files_.FullPath(path);
        if (full.empty() || !install::PathBelow(full, fullFolder_)) {
            log_.Note("记录的路径不在安装文件夹内，忽略：" + shipped.path);
            return false;
        }
        if (const auto link = links_.FirstLink(shipped.path)) {
            log_.Note("位于链接 " + *link + " 之后，保留：" + path);
            return false;
        }
        return true;
    }

    // Checked and deleted through one handle: nothing can be swapped in between.
    void DeleteIfAsShipped(const std::string& path, const Versions& known) {
        const auto file = files_.OpenToDelete(path);
        if (!file) {
            // Held open: not ours to delete now (32: another program has it open). Missing, or a
            // folder: nothing to do.
            const platform::SystemError error = environment_.LastError();
            const auto attributes = files_.GetAttributes(path);
            if (attributes && !(*attributes & platform::kAttrDirectory))
                log_.Problem("无法读取，未删除：" + path + platform::DescribeSystemError(error));
            return;
        }
        if (!IsOwnFileBelow(*file, path) || !IsAsShipped(*file, path, known))
            return;
        if (file->Delete())
            log_.Note("已删除 " + path);
        else
            log_.Problem("未能删除 " + path + platform::DescribeSystemError(environment_.LastError()));
    }

    // A recorded path may lie in a subfolder: the file is ours when it resolves anywhere below the
    // folder, no link and no second name, each told apart in the log.
    bool IsOwnFileBelow(platform::OpenedFile& file, const std::string& path) {
        const std::string where = file.FinalPath();
        if (IsLink(file.Attributes()) || where.empty() || !install::PathBelow(where, finalFolder_)) {
            log_.Note("是一个链接，保留：" + path);
            return false;
        }
        if (file.LinkCount() > 1) {
            log_.Note("另有名称（硬链接），保留：" + path);
            return false;
        }
        return true;
    }

    // Whether the content of `file` is one of the `known` versions: the size first, then the
    // checksum, read in pieces (a shipped file can be hundreds of megabytes).
    bool IsAsShipped(platform::OpenedFile& file, const std::string& path, const Versions& known) {
        const auto sizeMatches = [&known](std::uint64_t size) {
            return std::any_of(known.begin(), known.end(),
                               [size](const install::RecordedFile* each) { return each->size == size; });
        };
        if (!sizeMatches(file.Size())) {
            log_.Note("已被修改，保留：" + path);
            return false;
        }
        platform::ContentCheck check;
        if (!file.ReadPieces(install::kLargestCheckedFile,
                             [&check](const char* data, std::size_t piece) { check.Add(data, piece); })) {
            log_.Problem("无法读取，未删除：" + path +
                         platform::DescribeSystemError(environment_.LastError()));
            return false;
        }
        if (std::none_of(known.begin(), known.end(), [&check](const install::RecordedFile* each) {
                return each->size == check.size && each->crc == check.crc;
            })) {
            log_.Note("已被修改，保留：" + path);
            return false;
        }
        return true;
    }

    platform::FileSystem& files_;
    platform::Environment& environment_;
    const std::string& folder_;
    state::InstallJournal& log_;
    HeldPath held_;
    LinkLevels links_;
    std::string fullFolder_;
    std::string finalFolder_;
};

}  // namespace

void RemoveShippedFiles(platform::FileSystem& files,
                        platform::Environment& environment,
                        const std::vector<std::string>& journalFolders,
                        const std::string& productFolder,
                        const install::InstallRecord& record,
                        state::InstallJournal& log) {
    ShippedFileRemoval(files, environment, productFolder, log).Run(journalFolders, record);
}

bool RemoveSetupFolderFile(platform::FileSystem& files,
                           platform::Environment& environment,
                           const std::string& path,
                           state::InstallJournal& log) {
    const auto attributes = files.GetAttributes(path);
    if (!attributes)
        return true;
    if (IsLink(*attributes)) {
        log.Note("是一个链接，保留：" + path);
        return true;
    }
    platform::ClearReadOnly(files, path);
    if (files.DeleteFile(path)) {
        log.Note("已删除 " + path);
        return true;
    }
    log.Problem("未能删除 " + path + platform::DescribeSystemError(environment.LastError()));
    return false;
}

void RemoveFileInProductFolder(platform::FileSystem& files,
                               platform::Environment& environment,
                               const std::string& productFolder,
                               const std::string& name,
                               state::InstallJournal& log) {
    const std::string path = install::JoinPath(productFolder, name);
    // Held from its drive down until the file is gone: no level can be swapped for a link meanwhile.
    HeldPath held(files);
    const HeldPath::Result hold = held.Hold(LevelsOf(productFolder), false);
    if (hold == HeldPath::Result::Missing)
        return;
    if (hold != HeldPath::Result::Held) {
        log.Note("无法锁定安装文件夹，保留：" + path +
                 platform::DescribeSystemError(environment.LastError()));
        return;
    }
    const auto file = files.OpenToDelete(path);
    if (!file) {
        // The open's own error: the look that follows sets another.
        const std::string error = platform::DescribeSystemError(environment.LastError());
        const auto attributes = files.GetAttributes(path);
        // No system error: carries `error`, the open's, read before the look.
        if (attributes && !(*attributes & platform::kAttrDirectory))
            log.Problem("未能删除 " + path + error);
        return;
    }
    if (!IsOwnPlainFile(*file, held.FinalOf(productFolder), name)) {
        log.Note("是一个链接或另有名称，保留：" + path);
        return;
    }
    if (file->Delete())
        log.Note("已删除 " + path);
    else
        log.Problem("未能删除 " + path + platform::DescribeSystemError(environment.LastError()));
}

std::vector<std::string> RemoveEmptyFolders(platform::FileSystem& files,
                                            const std::string& folder,
                                            state::InstallJournal& log) {
    const std::vector<std::string> levels = LevelsOf(folder);
    if (levels.size() < 2)
        return {};
    // The levels above are held as they are; the folder itself is held to be removed.
    HeldPath above(files);
    const std::string& parent = levels[levels.size() - 2];
    const HeldPath::Result hold =
        above.Hold(std::vector<std::string>(levels.begin(), levels.end() - 1), false);
    if (hold == HeldPath::Result::Missing)
        return {};
    std::string final;
    std::unique_ptr<platform::HeldFolder> held;
    if (hold == HeldPath::Result::Held)
        held = HoldOwnFolder(files, folder, above.FinalOf(parent), final);
    if (!held) {
        if (hold != HeldPath::Result::Held || files.GetAttributes(folder))
            FolderRemains(log, hold == HeldPath::Result::Held ? folder : above.FailedLevel());
        return {};
    }
    std::vector<std::string> remaining;
    SweepFolder(files, *held, folder, final, 0, remaining, log);
    return remaining;
}

}  // namespace uninstall
