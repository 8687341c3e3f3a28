#include "files/recovery.h"

#include "files/file_change.h"
#include "files/paths.h"
#include "files/staged_names.h"
#include "files/swap_journal.h"

namespace files {

namespace {

// The changes of one journal, in the folders of `place`.
class JournalChanges {
  public:
    JournalChanges(platform::FileSystem& files,
                   platform::Environment& environment,
                   const RecoveryPlace& place,
                   SwapJournal& journal)
        : files_(files), environment_(environment), place_(place), journal_(journal) {
        finals_[0] = files.FinalPath(place.product);
        finals_[1] = place.libraryHeld ? files.FinalPath(place.library) : std::string();
    }

    FileChange Of(JournalEntry& entry) {
        const int folder = static_cast<int>(entry.folder);
        return FileChange(files_, environment_, folder == 0 ? place_.product : place_.library,
                          finals_[folder], entry);
    }

    // Commits every change when each can still be, and every file written under its own name is
    // whole; false (nothing done) otherwise, or when one fails.
    bool CommitAll() {
        for (JournalEntry& entry : journal_.entries) {
            if (!Of(entry).Committable())
                return false;
        }
        for (const NewFileEntry& file : journal_.created) {
            const int folder = static_cast<int>(file.folder);
            if (!HoldsNewFile(files_, FolderOf(file.folder), finals_[folder], file))
                return false;
        }
        for (JournalEntry& entry : journal_.entries) {
            if (!Of(entry).Commit())
                return false;
        }
        return true;
    }

    void RollBackAll() {
        for (auto entry = journal_.entries.rbegin(); entry != journal_.entries.rend(); ++entry)
            Of(*entry).Rollback();
        DeleteCreated();
    }

    // The files written under their own names, where each is still what the run could have left.
    void DeleteCreated() {
        for (auto file = journal_.created.rbegin(); file != journal_.created.rend(); ++file)
            DeleteNewFile(files_, FolderOf(file->folder), finals_[static_cast<int>(file->folder)], *file);
    }

  private:
    const std::string& FolderOf(SwapFolder folder) const {
        return folder == SwapFolder::Product ? place_.product : place_.library;
    }

    platform::FileSystem& files_;
    platform::Environment& environment_;
    const RecoveryPlace& place_;
    SwapJournal& journal_;
    std::string finals_[2];
};

bool NamesLibrary(const SwapJournal& journal) {
    for (const JournalEntry& entry : journal.entries) {
        if (entry.folder == SwapFolder::Library)
            return true;
    }
    for (const NewFileEntry& file : journal.created) {
        if (file.folder == SwapFolder::Library)
            return true;
    }
    return false;
}

// The recovery of the journal at `path`.
std::vector<RecordedFile> RecoverFrom(platform::FileSystem& files,
                                      platform::Environment& environment,
                                      state::InstallJournal& log,
                                      const std::string& path,
                                      const RecoveryPlace& place,
                                      Recovery recovery,
                                      std::string& unread) {
    const auto text = ReadJournalText(files, environment, path, log, unread);
    if (!text)
        return {};
    auto earlier = ParseJournal(*text);
    if (!earlier) {
        // No system error: the journal was read, and is not one this program writes.
        log.Note("无法识别的 " + path + "，已删除");
        DeleteJournal(files, path);
        return {};
    }
    if (!SamePath(earlier->productFolder, place.product))
        return {};  // another folder's, whose name happens to give the same checksum
    if (!place.libraryHeld && NamesLibrary(*earlier)) {
        // No system error: the folder's hold was taken, and failed, before this run's recovery.
        log.Problem("上次中断的安装在 " + place.library + " 中留下的文件没有处理（无法锁定该文件夹）");
        return {};
    }
    JournalChanges changes(files, environment, place, *earlier);
    if (earlier->phase == SwapPhase::Undoing) {
        changes.RollBackAll();
        log.Note("已撤销上次中断的安装的文件替换，恢复了原有文件（" + place.product + "）");
    } else if (earlier->phase == SwapPhase::Swapping) {
        if (recovery == Recovery::FinishOrUndo && changes.CommitAll()) {
            log.Note("已完成上次中断的安装的文件替换（" + place.product + "）");
        } else {
            changes.RollBackAll();
            log.Note("已撤销上次中断的安装的文件替换，恢复了原有文件（" + place.product + "）");
        }
    } else if (earlier->phase == SwapPhase::Staging) {
        changes.DeleteCreated();
        log.Note("已删除上次中断的安装暂存的文件（" + place.product + "）");
    }
    // What is left of the earlier run: backups of a finished swap, staged files of a staging.
    for (const JournalEntry& entry : earlier->entries)
        files.DeleteName(
            JoinPath(entry.folder == SwapFolder::Product ? place.product : place.library, entry.backup));
    DeleteTagged(files, place.product, earlier->tag);
    if (place.libraryHeld)
        DeleteTagged(files, place.library, earlier->tag);
    if (earlier->phase == SwapPhase::Swapped || earlier->phase == SwapPhase::Recorded)
        log.Note("已删除上次安装留下的旧文件（" + place.product + "）");
    if (!earlier->installed.empty())
        log.Note("上次安装在写入安装记录之前中断，它替换到位的 " + std::to_string(earlier->installed.size()) +
                 " 个文件按新版本处理（" + place.product + "）");
    // Those files stay listed, in a journal of nothing else, till the run that carries them on
    // writes its own or a record describes them, or the uninstall has removed them: one that ends
    // with problems leaves them for the next.
    SwapJournal carried{place.product, earlier->tag, SwapPhase::Swapped, {}, earlier->installed, {}};
    if (earlier->installed.empty() || !WriteJournal(files, environment, path, carried))
        DeleteJournal(files, path);
    return earlier->installed;
}

}  // namespace

std::vector<RecordedFile> RecoverEarlierSwap(platform::FileSystem& files,
                                             platform::Environment& environment,
                                             state::InstallJournal& log,
                                             const RecoveryPlace& place,
                                             Recovery recovery,
                                             std::string* unread) {
    std::string notRead;
    std::vector<RecordedFile> installed;
    for (const std::string& folder : place.journalFolders) {
        for (RecordedFile& file : RecoverFrom(files, environment, log, SwapJournalPath(folder, place.product),
                                              place, recovery, notRead))
            installed.push_back(std::move(file));
    }
    if (unread)
        *unread = notRead;
    return installed;
}

}  // namespace files
