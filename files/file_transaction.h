#pragma once
// A re-installation's files, all new or all old. Each new file that replaces another is first written
// whole under a staged name in the folder it belongs in; only when every one is there are they put in
// place, by renames alone (FileChange), in order, and on the first failure rolled back, newest first.
// A file where the folder had nothing of its name (ExpectNew) is written under that name at once,
// with CREATE_NEW: there is nothing to keep, and a rollback deletes it. The swap journal
// (files/swap_journal.h) in the setup folder says before each phase what the folders hold, so that
// the next run finishes or undoes what a run cut off left (files/recovery.h), by the same changes.

#include <cstddef>
#include <string>
#include <vector>

#include "files/file_result.h"
#include "files/recorded_file.h"
#include "files/swap_journal.h"
#include "platform/crc32.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/name_index.h"
#include "state/install_journal.h"

namespace files {

class FileTransaction {
  public:
    struct Folders {
        std::string product;  // held by the caller for the whole transaction
        std::string library;  // held too, below the product folder
        std::string journal;  // the setup folder below Program Files, which must exist
    };

    // `carried`: files an earlier run put in place before it was cut off, which no record describes
    // yet (RecoverEarlierSwap's result); every journal written lists them too, until OnRecordWritten.
    // `files`, `environment` and `log` are not owned and outlive the transaction.
    FileTransaction(platform::FileSystem& files,
                    platform::Environment& environment,
                    state::InstallJournal& log,
                    Folders folders,
                    std::vector<RecordedFile> carried);

    // Chooses the staged names (their tag from `tagSeed` upwards, none in use) and writes the journal
    // of a staging that begins. On failure nothing was staged.
    FileResult Begin(unsigned tagSeed);

    // Names the files of `folder` (the product folder or the library) that are not there, with the
    // size each is copied from: Stage writes each of them under its own name, after the journal has
    // listed it. False when the journal could not be written: they are then staged as any other.
    bool ExpectNew(const std::string& folder, const std::vector<platform::DirEntry>& missing);

    // Copies `from`, opened and checked by the caller, into `folder` (the product folder or the
    // library) under a new staged name, to take the name `name` at the commit; `old` says what the
    // folder's listing showed under that name. `copied` gets the check of what was written; with
    // `shipped`, the file is one of the product's, named in the journal for the uninstall. On failure
    // nothing of it is left.
    FileResult Stage(const std::string& folder,
                     const std::string& name,
                     OldFile old,
                     platform::OpenedFile& from,
                     platform::ContentCheck& copied,
                     bool shipped);
    std::size_t StagedCount() const { return changes_.size(); }

    // Puts every staged file in place. On failure every name is as before and the staged files are
    // gone; the result names the file and why.
    FileResult Commit();
    // Before a commit, or after one that failed: deletes what was staged; the folders are as before Begin.
    void Rollback();
    // After a commit, before DeleteBackups: every old file back in its place, the new ones gone. False
    // when some of it could not be undone now: the journal keeps it for the next run.
    bool Undo();
    // After a commit: deletes the old files' backups. One that cannot go now (a module AutoCAD has
    // loaded) goes at the next restart, and stays listed for the next run. Until OnRecordWritten the
    // journal names the new files: the record still describes the old ones.
    void DeleteBackups();
    // The installation's record describes the folders now: the journal goes, or lists only the
    // backups still there.
    void OnRecordWritten();

  private:
    struct Change {
        JournalEntry entry;
        bool shipped = false;
        platform::ContentCheck content;
        bool backupLeft = false;        // the old file waits under its backup name
        std::size_t created = kStaged;  // written under its own name: the index in `expected_`
    };
    static constexpr std::size_t kStaged = static_cast<std::size_t>(-1);
    const std::string& FolderOf(SwapFolder folder) const;
    SwapFolder Which(const std::string& folder) const;
    const std::string& FinalOf(SwapFolder folder);
    // The journal of `phase`: see files/swap_journal.h for what each names.
    FileResult WriteJournal(SwapPhase phase);
    // Deletes the file `change` wrote under its own name; false when it is still there.
    bool DeleteCreated(const Change& change);
    // After a staging rolled back: the journal goes, or lists only what is carried.
    void JournalOnlyTheCarried();

    platform::FileSystem& files_;
    platform::Environment& environment_;
    state::InstallJournal& log_;
    Folders folders_;
    std::string finals_[2];
    std::string journalPath_;
    std::string tag_;
    std::vector<Change> changes_;
    std::vector<RecordedFile> carried_;
    // The names ExpectNew gave, in the journal from then on; with a checksum once written.
    std::vector<NewFileEntry> expected_;
    platform::NameIndex expectedNames_[2];  // by folder: name -> index in `expected_`
    bool begun_ = false;
};

}  // namespace files
