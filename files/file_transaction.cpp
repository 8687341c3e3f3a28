#include "files/file_transaction.h"

#include "files/file_change.h"
#include "files/paths.h"
#include "files/staged_names.h"
#include "platform/text936.h"

namespace files {

FileTransaction::FileTransaction(platform::FileSystem& files,
                                 platform::Environment& environment,
                                 state::InstallJournal& log,
                                 Folders folders,
                                 std::vector<RecordedFile> carried)
    : files_(files),
      environment_(environment),
      log_(log),
      folders_(std::move(folders)),
      journalPath_(SwapJournalPath(folders_.journal, folders_.product)),
      carried_(std::move(carried)) {}

const std::string& FileTransaction::FolderOf(SwapFolder folder) const {
    return folder == SwapFolder::Product ? folders_.product : folders_.library;
}

SwapFolder FileTransaction::Which(const std::string& folder) const {
    return text936::EqualsNoCase(folder, folders_.library) ? SwapFolder::Library : SwapFolder::Product;
}

const std::string& FileTransaction::FinalOf(SwapFolder folder) {
    std::string& final = finals_[static_cast<int>(folder)];
    if (final.empty())
        final = files_.FinalPath(FolderOf(folder));  // held: it stays where it resolves now
    return final;
}

FileResult FileTransaction::Begin(unsigned tagSeed) {
    // A tag no name in either folder begins with: then nothing of the user's is ever taken for ours.
    tag_ = FreeTag(files_, {folders_.product, folders_.library}, tagSeed);
    const FileResult written = WriteJournal(SwapPhase::Staging);
    begun_ = static_cast<bool>(written);
    if (!begun_) {
        return FileResult::Failed(
            journalPath_, "无法写入 " + (journalPath_.empty() ? std::string("安装记录") : journalPath_),
            written.SystemError());
    }
    return FileResult::Done();
}

bool FileTransaction::ExpectNew(const std::string& folder, const std::vector<platform::DirEntry>& missing) {
    if (!begun_ || missing.empty())
        return false;
    const SwapFolder which = Which(folder);
    platform::NameIndex& names = expectedNames_[static_cast<int>(which)];
    const std::size_t before = expected_.size();
    for (const platform::DirEntry& file : missing) {
        if (IsLeafName(file.name) && names.FindOrAdd(file.name, expected_.size()).second)
            expected_.push_back(NewFileEntry{which, file.name, file.size, std::nullopt});
    }
    if (WriteJournal(SwapPhase::Staging))
        return true;
    // Not listed: those names are staged as any other.
    expected_.resize(before);
    names = platform::NameIndex();
    for (std::size_t i = 0; i < expected_.size(); ++i) {
        if (expected_[i].folder == which)
            names.FindOrAdd(expected_[i].name, i);
    }
    return false;
}

FileResult FileTransaction::Stage(const std::string& folder,
                                  const std::string& name,
                                  OldFile old,
                                  platform::OpenedFile& from,
                                  platform::ContentCheck& copied,
                                  bool shipped) {
    const SwapFolder which = Which(folder);
    const std::size_t number = changes_.size() + 1;
    Change change{
        JournalEntry{which, old, name, StagedName(tag_, number), BackupName(tag_, number)}, shipped, {}};
    const std::string staged = JoinPath(FolderOf(which), change.entry.staged);
    if (!begun_)
        return FileResult::Failed(JoinPath(folder, name), "暂存尚未开始");
    if (!IsLeafName(name) || !text936::FitsBuffer(JoinPath(folder, name), kPathBufferSize) ||
        !text936::FitsBuffer(JoinPath(folder, change.entry.backup), kPathBufferSize))
        return FileResult::Failed(JoinPath(folder, name), "路径太长");
    copied = platform::ContentCheck{};
    const std::size_t expected =
        old == OldFile::None ? expectedNames_[static_cast<int>(which)].Find(name, kStaged) : kStaged;
    // Under its own name only what the journal lists, and no larger than it says: a cut-off run's
    // file is then told by its size from one a user put there since.
    if (expected < expected_.size() && !expected_[expected].crc && from.Size() <= expected_[expected].size) {
        const std::string path = JoinPath(FolderOf(which), expected_[expected].name);
        if (!files_.CopyOpenedToNewFile(
                from, path, [&copied](const char* data, std::size_t size) { copied.Add(data, size); })) {
            return FileResult::Failed(path, "无法写入 " + path + "（磁盘已满、文件正在使用或没有权限）",
                                      platform::DescribeSystemError(environment_.LastError()));
        }
        expected_[expected].size = copied.size;
        expected_[expected].crc = copied.crc;
        change.entry.staged.clear();
        change.entry.backup.clear();
        change.created = expected;
        change.content = copied;
        changes_.push_back(std::move(change));
        return FileResult::Done();
    }
    if (!files_.CopyOpenedToNewFile(
            from, staged, [&copied](const char* data, std::size_t size) { copied.Add(data, size); })) {
        return FileResult::Failed(staged, "无法写入 " + staged + "（磁盘已满、文件正在使用或没有权限）",
                                  platform::DescribeSystemError(environment_.LastError()));
    }
    change.content = copied;
    changes_.push_back(std::move(change));
    return FileResult::Done();
}

FileResult FileTransaction::WriteJournal(SwapPhase phase) {
    SwapJournal journal{folders_.product, tag_, phase, {}, {}, {}};
    if (phase != SwapPhase::Recorded)
        journal.installed = carried_;
    const std::string library = PathBelow(folders_.library, folders_.product).value_or(std::string());
    for (const Change& change : changes_) {
        // Once the swap begins, the journal names every change and the new files it puts in place;
        // after it, only the backups still to go.
        if (change.created == kStaged &&
            (phase == SwapPhase::Swapping || phase == SwapPhase::Undoing || change.backupLeft))
            journal.entries.push_back(change.entry);
    }
    // Files under their own names: while staging, every one expected, before it is written; once
    // the swap begins, those written, by their checksums; after it, none (they are in place).
    for (const NewFileEntry& file : expected_) {
        if (phase == SwapPhase::Staging ||
            (file.crc && (phase == SwapPhase::Swapping || phase == SwapPhase::Undoing)))
            journal.created.push_back(file);
    }
    for (const Change& change : changes_) {
        if (change.shipped && (phase == SwapPhase::Swapping || phase == SwapPhase::Swapped)) {
            const bool inLibrary = change.entry.folder == SwapFolder::Library;
            journal.installed.push_back(
                RecordedFile{inLibrary ? JoinPath(library, change.entry.name) : change.entry.name,
                             change.content.size, change.content.crc});
        }
    }
    return files::WriteJournal(files_, environment_, journalPath_, journal);
}

void FileTransaction::JournalOnlyTheCarried() {
    // What an earlier run put in place stays listed until a record describes the folder again; a
    // journal that cannot be shortened lists it all the same.
    changes_.clear();
    expected_.clear();
    expectedNames_[0] = expectedNames_[1] = platform::NameIndex();
    if (carried_.empty())
        DeleteJournal(files_, journalPath_);
    else
        (void)WriteJournal(SwapPhase::Swapped);
}

FileResult FileTransaction::Commit() {
    if (const FileResult written = WriteJournal(SwapPhase::Swapping); !written) {
        const FileResult failed =
            FileResult::Failed(journalPath_, "无法写入安装日志文件", written.SystemError());
        Rollback();
        return failed;
    }
    for (std::size_t i = 0; i < changes_.size(); ++i) {
        Change& change = changes_[i];
        if (change.created != kStaged)
            continue;  // in place since it was written
        const OldFile listed = change.entry.old;
        const FileResult result = FileChange(files_, environment_, FolderOf(change.entry.folder),
                                             FinalOf(change.entry.folder), change.entry)
                                      .Commit();
        if (!result) {
            Undo();
            return result;
        }
        if (change.entry.old == OldFile::Link && listed != OldFile::Link) {
            log_.Note(JoinPath(FolderOf(change.entry.folder), change.entry.name) +
                      " 是一个链接，由新文件取代（不移动、不写入链接所指的文件）");
            (void)WriteJournal(SwapPhase::Swapping);  // so that a recovery undoes it as this run would
        }
        change.backupLeft = change.entry.old == OldFile::File;
    }
    return FileResult::Done();
}

bool FileTransaction::Undo() {
    // The run has decided: whatever it cannot undo now, the next run undoes too. Newest first, every
    // change, also those not yet begun (their staged files go).
    (void)WriteJournal(SwapPhase::Undoing);
    bool undone = true;
    for (auto each = changes_.rbegin(); each != changes_.rend(); ++each) {
        if (each->created != kStaged) {
            undone = DeleteCreated(*each) && undone;
            continue;
        }
        FileChange undo(files_, environment_, FolderOf(each->entry.folder), FinalOf(each->entry.folder),
                        each->entry);
        undo.Rollback();
        undone = undo.RolledBack() && undone;
    }
    // An undo that did not go through stays in the journal, with every backup, for the next run to
    // finish: nothing of it may be forgotten now.
    changes_.clear();
    if (undone)
        JournalOnlyTheCarried();
    else
        begun_ = false;
    return undone;
}

bool FileTransaction::DeleteCreated(const Change& change) {
    return DeleteNewFile(files_, FolderOf(change.entry.folder), FinalOf(change.entry.folder),
                         expected_[change.created]);
}

void FileTransaction::Rollback() {
    for (auto change = changes_.rbegin(); change != changes_.rend(); ++change) {
        if (change->created != kStaged)
            DeleteCreated(*change);
        else
            FileChange(files_, environment_, FolderOf(change->entry.folder), FinalOf(change->entry.folder),
                       change->entry)
                .Rollback();
    }
    if (begun_) {
        // Also what a copy cut off left under a staged name it had not yet reported.
        DeleteTagged(files_, folders_.product, tag_);
        DeleteTagged(files_, folders_.library, tag_);
        JournalOnlyTheCarried();
    }
    changes_.clear();
    begun_ = false;
}

void FileTransaction::DeleteBackups() {
    // From here the old files go, while the record still describes them: the journal names the new
    // ones (and every backup, gone or not) until the record does.
    const bool listed = static_cast<bool>(WriteJournal(SwapPhase::Swapped));
    bool remaining = false;
    for (Change& change : changes_) {
        if (!change.backupLeft)
            continue;
        const std::string backup = JoinPath(FolderOf(change.entry.folder), change.entry.backup);
        if (files_.DeleteName(backup)) {
            change.backupLeft = false;
            continue;
        }
        // A module AutoCAD has loaded can be renamed, not deleted.
        remaining = true;
        if (files_.DeleteAtRestart(backup))
            log_.Note("旧文件正在使用，将在重新启动后删除：" + backup);
        else
            log_.Note("旧文件正在使用，下次安装时删除：" + backup);
    }
    if (listed)
        return;
    if (!remaining || !WriteJournal(SwapPhase::Recorded))
        DeleteJournal(files_, journalPath_);
    changes_.clear();
    begun_ = false;
}

void FileTransaction::OnRecordWritten() {
    if (!begun_)
        return;
    bool remaining = false;
    for (const Change& change : changes_)
        remaining = remaining || change.backupLeft;
    // Backups still there stay listed (a journal that cannot be shortened lists them all the same).
    if (remaining)
        (void)WriteJournal(SwapPhase::Recorded);
    else if (!DeleteJournal(files_, journalPath_))
        log_.Problem("未能删除 " + journalPath_ + platform::DescribeSystemError(environment_.LastError()) +
                     "（下次安装或卸载时删除）");
    changes_.clear();
    begun_ = false;
}

}  // namespace files
