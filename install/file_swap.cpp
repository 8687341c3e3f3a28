#include "install/file_swap.h"

#include <cstdio>
#include <optional>

#include "install/held_path.h"
#include "install/install_root.h"
#include "install/locations.h"
#include "install/product_layout.h"
#include "platform/name_index.h"
#include "platform/number_text.h"
#include "platform/text936.h"

namespace install {

namespace {

constexpr char kStagedPrefix[] = "~BX";
constexpr char kStagedExtension[] = ".NEW";
constexpr char kBackupExtension[] = ".OLD";
constexpr char kJournalHead[] = "BRELIX-SWAP";
constexpr char kJournalPrefix[] = "BrelixSwap-";
constexpr char kJournalExtension[] = ".swp";
constexpr char kBeingWritten[] = ".new";
constexpr char kStaging[] = "STAGING";
constexpr char kSwapping[] = "SWAPPING";
constexpr char kCleaning[] = "CLEANING";
constexpr char kDone[] = "DONE";
// A journal lists names, sizes and checksums: some 80 bytes a file, so a hundred thousand files fit.
constexpr std::size_t kLargestJournal = 8u << 20;

std::string TagText(unsigned tag) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", tag);
    return text;
}

// "~BX<tag>_" followed by digits, then ".NEW" or ".OLD".
bool IsTaggedName(const std::string& name, const std::string& tag) {
    const std::string prefix = std::string(kStagedPrefix) + tag + "_";
    if (name.size() < prefix.size() + 5 || !text936::EqualsNoCase(name.substr(0, prefix.size()), prefix))
        return false;
    const std::string extension = text936::ToUpper(name.substr(name.size() - 4));
    if (extension != kStagedExtension && extension != kBackupExtension)
        return false;
    const std::string middle = name.substr(prefix.size(), name.size() - prefix.size() - 4);
    for (char c : middle) {
        if (c < '0' || c > '9')
            return false;
    }
    return !middle.empty();
}

bool IsTag(const std::string& tag) {
    if (tag.empty() || tag.size() > 8)
        return false;
    for (char c : tag) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return false;
    }
    return true;
}

// A plain name in one folder: no level, no device syntax, nothing Windows reads as another name.
bool IsLeafName(const std::string& name) {
    return name.size() <= 255 && IsPlainName(name);
}

bool Exists(platform::FileSystem& files, const std::string& path) {
    return files.GetAttributes(path).has_value();
}

// Deletes a name in a folder every user can write, never what it may lead to.
bool DeleteName(platform::FileSystem& files, const std::string& path) {
    return files.DeleteName(path);
}

// Deletes every file of `folder` named as this tag's staged files and backups are.
void DeleteTagged(platform::FileSystem& files, const std::string& folder, const std::string& tag) {
    const std::string pattern = JoinPath(folder, std::string(kStagedPrefix) + tag + "_*");
    if (!text936::FitsBuffer(pattern, kPathBufferSize))
        return;
    std::vector<std::string> found;
    platform::DirEntry entry;
    if (auto search = files.FindFirst(pattern, entry)) {
        do {
            if (!(entry.attributes & platform::kAttrDirectory) && IsTaggedName(entry.name, tag))
                found.push_back(entry.name);
        } while (search->Next(entry));
    }
    for (const std::string& name : found)
        DeleteName(files, JoinPath(folder, name));
}

struct JournalEntry {
    int folder = 0;
    bool existed = false;  // the target was there before the swap: its backup holds it
    std::string target;
    std::string staged;
    std::string backup;
};

struct JournalFile {
    std::string folder;  // the product folder it is about
    std::string tag;
    std::string state;
    std::vector<JournalEntry> entries;
    std::vector<RecordedFile> installed;  // new files put in place before a record named them
};

// "F\t<folder>\t<name>\t<size>\t<checksum>": a new file in place, as written.
bool ParseInstalled(const std::vector<std::string>& fields, RecordedFile& file) {
    if (fields.size() != 5 || fields[0] != "F" || (fields[1] != "0" && fields[1] != "1") ||
        !IsLeafName(fields[2]) || fields[3].empty() || fields[3].size() > 19 || fields[4].size() != 8)
        return false;
    file.size = 0;
    for (char c : fields[3]) {
        if (c < '0' || c > '9')
            return false;
        file.size = file.size * 10 + static_cast<std::uint64_t>(c - '0');
    }
    file.crc = 0;
    for (char c : fields[4]) {
        const bool digit = c >= '0' && c <= '9';
        if (!digit && !(c >= 'A' && c <= 'F'))
            return false;
        file.crc = (file.crc << 4) | static_cast<std::uint32_t>(digit ? c - '0' : c - 'A' + 10);
    }
    file.path = fields[1] == "1" ? std::string(kDrawingLibraryName) + "\\" + fields[2] : fields[2];
    return true;
}

// The line of a new file in place, as written: "F\t<folder>\t<name>\t<size>\t<checksum>".
std::string InstalledLine(int folder, const std::string& name, std::uint64_t size, std::uint32_t crc) {
    char checksum[16];
    std::snprintf(checksum, sizeof checksum, "%08X", static_cast<unsigned>(crc));
    return "F\t" + std::to_string(folder) + "\t" + name + "\t" + std::to_string(size) + "\t" + checksum +
           "\r\n";
}

// The lines of files named below the product folder, as ParseInstalled reads them back.
std::string InstalledLines(const std::vector<RecordedFile>& installed) {
    const std::string library = std::string(kDrawingLibraryName) + "\\";
    std::string lines;
    for (const RecordedFile& file : installed) {
        const bool inLibrary = text936::EqualsNoCase(file.path.substr(0, library.size()), library);
        lines += InstalledLine(inLibrary ? 1 : 0, inLibrary ? file.path.substr(library.size()) : file.path,
                               file.size, file.crc);
    }
    return lines;
}

// Writes the journal's text whole under a new name, then renames it over the one before: never half
// a journal. Both names are in the setup folder, which only administrators write.
bool WriteJournalText(platform::FileSystem& files, const std::string& path, const std::string& text) {
    if (path.empty())
        return false;
    const std::string being = path + kBeingWritten;
    files.DeleteFile(being);  // left by a run cut off while writing it
    if (files.WriteNewFile(being, text) && files.Rename(being, path))
        return true;
    files.DeleteFile(being);
    return false;
}

std::string JournalHead(const std::string& productFolder, const std::string& tag, const char* state) {
    return std::string(kJournalHead) + "\r\nFOLDER\t" + ComparablePath(productFolder) + "\r\nTAG\t" + tag +
           "\r\nSTATE\t" + state + "\r\n";
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', start)) {
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    fields.push_back(line.substr(start));
    return fields;
}

// The journal as written, or nullopt for anything else: every line must be one of ours.
std::optional<JournalFile> ParseJournal(const std::string& text) {
    JournalFile journal;
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            return std::nullopt;  // every line ends, the last one too
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    if (lines.size() < 5 || lines.front() != kJournalHead || lines.back() != "END")
        return std::nullopt;
    const auto folder = SplitTabs(lines[1]);
    const auto tag = SplitTabs(lines[2]);
    const auto state = SplitTabs(lines[3]);
    if (folder.size() != 2 || folder[0] != "FOLDER" || tag.size() != 2 || tag[0] != "TAG" || !IsTag(tag[1]) ||
        state.size() != 2 || state[0] != "STATE")
        return std::nullopt;
    journal.folder = folder[1];
    journal.tag = tag[1];
    journal.state = state[1];
    if (journal.state != kStaging && journal.state != kSwapping && journal.state != kCleaning &&
        journal.state != kDone)
        return std::nullopt;
    for (std::size_t i = 4; i + 1 < lines.size(); ++i) {
        const auto fields = SplitTabs(lines[i]);
        if (!fields.empty() && fields[0] == "F" && journal.state != kCleaning) {
            RecordedFile file;
            if (!ParseInstalled(fields, file))
                return std::nullopt;
            journal.installed.push_back(file);
            continue;
        }
        if (fields.size() != 6 || fields[0] != "E" || (fields[1] != "0" && fields[1] != "1") ||
            (fields[2] != "0" && fields[2] != "1") || !IsLeafName(fields[3]) ||
            !IsTaggedName(fields[4], journal.tag) || !IsTaggedName(fields[5], journal.tag))
            return std::nullopt;
        journal.entries.push_back(
            {fields[1] == "1" ? 1 : 0, fields[2] == "1", fields[3], fields[4], fields[5]});
    }
    return journal;
}

// The journal's text at `path`, in a setup folder only administrators write. `unread` names it when
// it is there but could not be read: read first, and looked for only when that fails, so that one
// failed call never passes for no journal.
std::optional<std::string> ReadJournal(platform::FileSystem& files,
                                       const std::string& path,
                                       state::InstallJournal& journal,
                                       std::string& unread) {
    if (path.empty())
        return std::nullopt;
    auto text = files.ReadWholeFile(path, kLargestJournal);
    if (!text && files.GetAttributes(path)) {
        unread = path;
        journal.Problem("无法读取上次中断的安装的记录 " + path);
    }
    return text;
}

// Whether `name` in `folder`, which the caller holds and the system resolves to `folderFinal`, is
// that name's own plain file: only such a staged file or backup is renamed into a product file's place.
bool IsOwnName(platform::FileSystem& files,
               const std::string& folder,
               const std::string& folderFinal,
               const std::string& name) {
    const auto file = files.OpenToDelete(JoinPath(folder, name));
    return file && IsOwnPlainFile(*file, folderFinal, name);
}

}  // namespace

std::string SwapJournalPath(const std::string& journalFolder, const std::string& productFolder) {
    const std::string name =
        kJournalPrefix +
        platform::HexText(platform::Crc32(text936::ToUpper(ComparablePath(productFolder))), 8) +
        kJournalExtension;
    const std::string path = JoinPath(journalFolder, name);
    return text936::FitsBuffer(path + kBeingWritten, kPathBufferSize) ? path : std::string();
}

FileSwap::FileSwap(platform::FileSystem& files,
                   state::InstallJournal& journal,
                   std::string productFolder,
                   std::string libraryFolder,
                   std::string journalFolder)
    : files_(files),
      journal_(journal),
      productFolder_(std::move(productFolder)),
      libraryFolder_(std::move(libraryFolder)),
      journalPath_(SwapJournalPath(journalFolder, productFolder_)) {}

std::string FileSwap::PathOf(int folder, const std::string& name) const {
    return JoinPath(FolderOf(folder), name);
}

bool FileSwap::Begin(unsigned tagSeed) {
    // A tag no name in either folder begins with: then nothing of the user's is ever taken for ours.
    for (unsigned tag = tagSeed & 0xFFFFFFu;; tag = (tag + 1) & 0xFFFFFFu) {
        const std::string text = TagText(tag);
        bool inUse = false;
        for (int folder = 0; folder < 2 && !inUse; ++folder) {
            platform::DirEntry entry;
            inUse =
                files_.FindFirst(PathOf(folder, std::string(kStagedPrefix) + text + "_*"), entry) != nullptr;
        }
        if (!inUse) {
            tag_ = text;
            break;
        }
    }
    begun_ = WriteJournal(kStaging, false);
    if (!begun_)
        failureReason = "无法写入 " + (journalPath_.empty() ? std::string("安装记录") : journalPath_);
    return begun_;
}

bool FileSwap::IsLinkName(int folder, const std::string& name) {
    const std::string folderFinal = files_.FinalPath(FolderOf(folder));
    const std::string final = files_.FinalPath(PathOf(folder, name));
    const auto attributes = files_.GetAttributes(PathOf(folder, name));
    return (attributes && (*attributes & platform::kAttrReparsePoint)) || folderFinal.empty() ||
           !text936::EqualsNoCase(final, JoinPath(folderFinal, name));
}

bool FileSwap::WriteJournal(const char* state, bool withEntries) {
    const bool cleaning = std::string(state) == kCleaning;
    // Once the swap begins, the new files are named too: a run that finishes it knows what it put in
    // place. After the record (cleaning), it describes every file.
    const bool namesNew = std::string(state) == kSwapping || std::string(state) == kDone;
    std::string text =
        JournalHead(productFolder_, tag_, state) + (cleaning ? std::string() : InstalledLines(carried_));
    if (withEntries) {
        const bool swapDone = cleaning || std::string(state) == kDone;
        for (const Entry& entry : entries_) {
            if (swapDone && !entry.backedUp)
                continue;
            text += "E\t" + std::to_string(entry.folder) + "\t" + (entry.existed ? "1" : "0") + "\t" +
                    entry.target + "\t" + entry.staged + "\t" + entry.backup + "\r\n";
        }
        for (const Entry& entry : entries_) {
            if (namesNew && entry.shipped)
                text += InstalledLine(entry.folder, entry.target, entry.content.size, entry.content.crc);
        }
    }
    return WriteJournalText(files_, journalPath_, text + "END\r\n");
}

void FileSwap::LeaveJournal() {
    // What an earlier run put in place stays listed until a record describes the folder again; a
    // journal that cannot be shortened lists it all the same.
    if (carried_.empty())
        files_.DeleteFile(journalPath_);
    else
        WriteJournal(kDone, false);
}

bool FileSwap::Stage(const std::string& folder,
                     const std::string& target,
                     bool existed,
                     const std::function<bool(const std::string& staged)>& copy) {
    failureReason.clear();
    const int index = text936::EqualsNoCase(folder, libraryFolder_) ? 1 : 0;
    Entry entry;
    entry.folder = index;
    entry.target = target;
    entry.existed = existed;
    const std::string number = std::to_string(entries_.size() + 1);
    entry.staged = std::string(kStagedPrefix) + tag_ + "_" + number + kStagedExtension;
    entry.backup = std::string(kStagedPrefix) + tag_ + "_" + number + kBackupExtension;
    if (!begun_) {
        failureReason = "暂存尚未开始";
        return false;
    }
    if (!IsLeafName(target) || !text936::FitsBuffer(PathOf(index, target), kPathBufferSize) ||
        !text936::FitsBuffer(PathOf(index, entry.staged), kPathBufferSize) ||
        !text936::FitsBuffer(PathOf(index, entry.backup), kPathBufferSize)) {
        failureReason = "路径太长";
        return false;
    }
    if (!copy(PathOf(index, entry.staged))) {
        failureReason = "无法写入 " + PathOf(index, entry.staged) + "（磁盘已满、文件正在使用或没有权限）";
        return false;
    }
    entries_.push_back(entry);
    return true;
}

bool FileSwap::StageCopy(const std::string& folder,
                         const std::string& target,
                         bool existed,
                         const std::string& from,
                         platform::ContentCheck& copied) {
    const bool staged = Stage(folder, target, existed, [&](const std::string& staged) {
        copied = platform::ContentCheck{};
        return files_.CopyToNewFile(
            from, staged, [&copied](const char* data, std::size_t size) { copied.Add(data, size); });
    });
    if (staged) {
        entries_.back().shipped = true;
        entries_.back().content = copied;
    }
    return staged;
}

bool FileSwap::StageOpened(const std::string& folder,
                           const std::string& target,
                           bool existed,
                           platform::OpenedFile& from,
                           platform::ContentCheck& copied) {
    return Stage(folder, target, existed, [&](const std::string& staged) {
        copied = platform::ContentCheck{};
        return files_.CopyOpenedToNewFile(
            from, staged, [&copied](const char* data, std::size_t size) { copied.Add(data, size); });
    });
}

bool FileSwap::StageShipped(const std::string& folder,
                            const std::string& target,
                            bool existed,
                            platform::OpenedFile& from,
                            platform::ContentCheck& copied) {
    if (!StageOpened(folder, target, existed, from, copied))
        return false;
    entries_.back().shipped = true;
    entries_.back().content = copied;
    return true;
}

bool FileSwap::Swap() {
    failedFile.clear();
    std::string error;  // taken at once: the undo makes calls of its own
    if (!WriteJournal(kSwapping, true)) {
        failedFile = journalPath_;
        failureReason = "无法写入安装日志文件";
        Discard();
        return false;
    }
    for (Entry& entry : entries_) {
        const std::string target = PathOf(entry.folder, entry.target);
        if (entry.existed) {
            if (files_.Rename(target, PathOf(entry.folder, entry.backup))) {
                entry.backedUp = true;
            } else if (IsLinkName(entry.folder, entry.target)) {
                // A link where a product file belongs is not kept as a backup (a rename would move
                // what it leads to, under Wine): the name alone goes, and the new file takes it.
                journal_.Note(target + " 是一个链接，由新文件取代（不移动、不写入链接所指的文件）");
                if (!files_.DeleteName(target)) {
                    failedFile = target;
                    break;
                }
            } else if (Exists(files_, target)) {
                error = systemError ? systemError() : std::string();
                failedFile = target;
                break;
            }
        }
        if (!files_.Rename(PathOf(entry.folder, entry.staged), target)) {
            error = systemError ? systemError() : std::string();
            failedFile = target;
            break;
        }
        entry.swapped = true;
    }
    if (failedFile.empty())
        return true;
    failureReason = "无法替换（文件正在使用或没有权限）" + error;
    bool undone = true;
    for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry) {
        Undo(*entry);
        undone = undone && !Exists(files_, PathOf(entry->folder, entry->staged)) &&
                 !(entry->backedUp && Exists(files_, PathOf(entry->folder, entry->backup)));
    }
    // An undo that did not go through stays in the journal, with every backup, for the next run to
    // finish: nothing of it may be discarded now.
    entries_.clear();
    if (undone)
        LeaveJournal();
    else
        begun_ = false;
    return false;
}

void FileSwap::Undo(const Entry& entry) {
    const std::string target = PathOf(entry.folder, entry.target);
    const std::string backup = PathOf(entry.folder, entry.backup);
    if (entry.backedUp)
        files_.Rename(backup, target);  // over the new file, when it took the name
    else if (entry.swapped)
        DeleteName(files_, target);
    if (!entry.swapped)
        DeleteName(files_, PathOf(entry.folder, entry.staged));
}

void FileSwap::Discard() {
    for (const Entry& entry : entries_)
        DeleteName(files_, PathOf(entry.folder, entry.staged));
    entries_.clear();
    if (begun_) {
        DeleteTagged(files_, productFolder_, tag_);
        DeleteTagged(files_, libraryFolder_, tag_);
        LeaveJournal();
    }
    begun_ = false;
}

void FileSwap::DeleteBackups() {
    // From here the old files go, while the record still describes them: the journal names the new
    // ones (and every backup, gone or not) until the record does.
    const bool listed = WriteJournal(kDone, true);
    bool remaining = false;
    for (Entry& entry : entries_) {
        if (!entry.backedUp)
            continue;
        const std::string backup = PathOf(entry.folder, entry.backup);
        if (DeleteName(files_, backup)) {
            entry.backedUp = false;
            continue;
        }
        // A module AutoCAD has loaded can be renamed, not deleted.
        remaining = true;
        if (files_.DeleteAtRestart(backup))
            journal_.Note("旧文件正在使用，将在重新启动后删除：" + backup);
        else
            journal_.Note("旧文件正在使用，下次安装时删除：" + backup);
    }
    if (listed)
        return;
    if (!remaining || !WriteJournal(kCleaning, true))
        files_.DeleteFile(journalPath_);
    entries_.clear();
    begun_ = false;
}

void FileSwap::Recorded() {
    if (!begun_)
        return;
    bool remaining = false;
    for (const Entry& entry : entries_)
        remaining = remaining || entry.backedUp;
    // Backups still there stay listed (a journal that cannot be shortened lists them all the same).
    if (remaining)
        WriteJournal(kCleaning, true);
    else if (!files_.DeleteFile(journalPath_) && files_.GetAttributes(journalPath_))
        journal_.Problem("未能删除 " + journalPath_ + "（下次安装或卸载时删除）");
    entries_.clear();
    begun_ = false;
}

namespace {

// Finishes a swap the journal `earlier` describes when every file not yet in place is still staged
// as ours, in place `pathOf`; false when it was not whole, or a rename failed (then it is undone).
bool FinishSwap(platform::FileSystem& files,
                const JournalFile& earlier,
                const std::function<std::string(int, const std::string&)>& pathOf,
                const std::function<bool(int, const std::string&)>& isOwn) {
    // A file is in place when its staged name is gone and the old one (if there was one) is in its
    // backup.
    for (const JournalEntry& entry : earlier.entries) {
        const bool staged = Exists(files, pathOf(entry.folder, entry.staged));
        const bool inPlace = !staged && (entry.existed ? Exists(files, pathOf(entry.folder, entry.backup))
                                                       : Exists(files, pathOf(entry.folder, entry.target)));
        if ((staged && !isOwn(entry.folder, entry.staged)) || (!staged && !inPlace))
            return false;
    }
    for (const JournalEntry& entry : earlier.entries) {
        const std::string staged = pathOf(entry.folder, entry.staged);
        const std::string target = pathOf(entry.folder, entry.target);
        const std::string backup = pathOf(entry.folder, entry.backup);
        if (!Exists(files, staged))
            continue;
        if (Exists(files, target) && !Exists(files, backup) && !files.Rename(target, backup))
            return false;
        if (!files.Rename(staged, target))
            return false;
    }
    return true;
}

// Puts every name the journal lists back as it was before the swap, newest first.
void UndoSwap(platform::FileSystem& files,
              const JournalFile& earlier,
              const std::function<std::string(int, const std::string&)>& pathOf,
              const std::function<bool(int, const std::string&)>& isOwn) {
    for (auto entry = earlier.entries.rbegin(); entry != earlier.entries.rend(); ++entry) {
        const std::string staged = pathOf(entry->folder, entry->staged);
        const std::string target = pathOf(entry->folder, entry->target);
        const std::string backup = pathOf(entry->folder, entry->backup);
        // Without a backup the name holds the new file only where there was none before.
        const bool wasSwapped = !Exists(files, staged);
        if (Exists(files, backup) && isOwn(entry->folder, entry->backup))
            files.Rename(backup, target);
        else if (wasSwapped && !entry->existed)
            DeleteName(files, target);
        DeleteName(files, staged);
    }
}

bool NamesLibrary(const JournalFile& earlier) {
    for (const JournalEntry& entry : earlier.entries) {
        if (entry.folder == 1)
            return true;
    }
    return false;
}

// The recovery of one journal at `journalPath`; see FinishOrUndoEarlierSwap.
std::vector<RecordedFile> RecoverFrom(platform::FileSystem& files,
                                      state::InstallJournal& journal,
                                      const std::string& journalPath,
                                      const std::string& productFolder,
                                      const std::string& libraryFolder,
                                      bool libraryHeld,
                                      bool undo,
                                      std::string& unread) {
    files.DeleteFile(journalPath + kBeingWritten);  // cut off while written: nothing was staged after it
    const auto text = ReadJournal(files, journalPath, journal, unread);
    if (!text)
        return {};
    const auto earlier = ParseJournal(*text);
    if (!earlier) {
        journal.Note("无法识别的 " + journalPath + "，已删除");
        files.DeleteFile(journalPath);
        return {};
    }
    if (!SamePath(earlier->folder, productFolder))
        return {};  // another folder's, whose name happens to give the same checksum
    if (!libraryHeld && NamesLibrary(*earlier)) {
        journal.Problem("上次中断的安装在 " + libraryFolder + " 中留下的文件没有处理（无法锁定该文件夹）");
        return {};
    }
    const std::string finals[2] = {files.FinalPath(productFolder),
                                   libraryHeld ? files.FinalPath(libraryFolder) : std::string()};
    const auto pathOf = [&](int folder, const std::string& name) {
        return JoinPath(folder == 0 ? productFolder : libraryFolder, name);
    };
    const auto isOwn = [&](int folder, const std::string& name) {
        return IsOwnName(files, folder == 0 ? productFolder : libraryFolder, finals[folder], name);
    };
    if (earlier->state == kSwapping) {
        if (!undo && FinishSwap(files, *earlier, pathOf, isOwn)) {
            journal.Note("已完成上次中断的安装的文件替换（" + productFolder + "）");
        } else {
            UndoSwap(files, *earlier, pathOf, isOwn);
            journal.Note("已撤销上次中断的安装的文件替换，恢复了原有文件（" + productFolder + "）");
        }
    } else if (earlier->state == kStaging) {
        journal.Note("已删除上次中断的安装暂存的文件（" + productFolder + "）");
    }
    // What is left of the earlier run: backups of a finished swap, staged files of a staging.
    for (const JournalEntry& entry : earlier->entries)
        DeleteName(files, pathOf(entry.folder, entry.backup));
    DeleteTagged(files, productFolder, earlier->tag);
    if (libraryHeld)
        DeleteTagged(files, libraryFolder, earlier->tag);
    if (earlier->state == kCleaning || earlier->state == kDone)
        journal.Note("已删除上次安装留下的旧文件（" + productFolder + "）");
    if (!earlier->installed.empty())
        journal.Note("上次安装在写入安装记录之前中断，它替换到位的 " +
                     std::to_string(earlier->installed.size()) + " 个文件按新版本处理（" + productFolder +
                     "）");
    // Those files stay listed, in a journal of nothing else, till the run that carries them on
    // writes its own or a record describes them; the uninstall removes them itself.
    if (undo || earlier->installed.empty() ||
        !WriteJournalText(
            files, journalPath,
            JournalHead(productFolder, earlier->tag, kDone) + InstalledLines(earlier->installed) + "END\r\n"))
        files.DeleteFile(journalPath);
    return earlier->installed;
}

}  // namespace

std::vector<RecordedFile> FinishOrUndoEarlierSwap(platform::FileSystem& files,
                                                  state::InstallJournal& journal,
                                                  const std::vector<std::string>& journalFolders,
                                                  const std::string& productFolder,
                                                  const std::string& libraryFolder,
                                                  bool libraryHeld,
                                                  bool undo,
                                                  std::string* unread) {
    std::string notRead;
    std::vector<RecordedFile> installed;
    // Either build's setup folder: a run of the other build may have been cut off here.
    for (const std::string& folder : journalFolders) {
        for (RecordedFile& file : RecoverFrom(files, journal, SwapJournalPath(folder, productFolder),
                                              productFolder, libraryFolder, libraryHeld, undo, notRead))
            installed.push_back(std::move(file));
    }
    if (unread)
        *unread = notRead;
    return installed;
}

}  // namespace install
