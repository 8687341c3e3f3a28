#pragma once
// A re-installation's files, all new or all old. Each new file is first written whole under a staged
// name in the folder it belongs in; only when every one is there are they put in place, by renames
// alone: the old file to a backup name, the staged file to its name. A failure before the last
// rename puts every old file back. A small journal lists the names, written whole before the first
// file is staged and again before the first rename, so that the next run can finish or undo what a
// run cut off left behind, and never takes a user's file for one of ours. The journal lives in the
// setup folder below Program Files, which only administrators write, and names the product folder it
// is about: nothing in the product folder, which every user writes, is ever read back as ours.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "install/install_record.h"
#include "platform/crc32.h"
#include "platform/files.h"
#include "state/install_journal.h"

namespace install {

// "<journalFolder>\BrelixSwap-<checksum of the product folder's name>.swp": one journal for each
// product folder, so that a run elsewhere never takes the place of one that waits for recovery.
// Empty when it would not fit the 260-byte buffer (with ".new", the name while it is written).
std::string SwapJournalPath(const std::string& journalFolder, const std::string& productFolder);

class FileSwap {
  public:
    // The staged files go into `productFolder` and `libraryFolder`, which the caller holds for the
    // whole run; the journal into `journalFolder` (the setup folder, which must exist). Neither
    // `files` nor `journal` is owned.
    FileSwap(platform::FileSystem& files,
             state::InstallJournal& journal,
             std::string productFolder,
             std::string libraryFolder,
             std::string journalFolder);

    // Chooses the staged names (their prefix `tagSeed` upwards, none in use) and writes the journal
    // of a staging that begins. False when it cannot be written: nothing was staged then.
    bool Begin(unsigned tagSeed);

    // Copies `from` into `folder` (one of the two) under a new staged name, to take the name
    // `target` at the swap; `existed` says whether `target` was there when the folder was listed.
    // False when it could not: nothing of it is left, and `failureReason` says why.
    bool StageCopy(const std::string& folder,
                   const std::string& target,
                   bool existed,
                   const std::string& from,
                   platform::ContentCheck& copied);
    // The same from a file already opened and checked: a user's file kept.
    bool StageOpened(const std::string& folder,
                     const std::string& target,
                     bool existed,
                     platform::OpenedFile& from,
                     platform::ContentCheck& copied);
    // The same for a file of the product, opened and checked in the installation source.
    bool StageShipped(const std::string& folder,
                      const std::string& target,
                      bool existed,
                      platform::OpenedFile& from,
                      platform::ContentCheck& copied);
    std::size_t StagedCount() const { return entries_.size(); }
    // Files an earlier run put in place before it was cut off, which no record describes yet
    // (FinishOrUndoEarlierSwap's result): every journal this swap writes lists them as well, also
    // after a staging discarded or a swap undone, until Recorded(); an uninstall meanwhile reads
    // them there. Set before Begin.
    void Carry(std::vector<RecordedFile> unrecorded) { carried_ = std::move(unrecorded); }

    // Puts every staged file in place. False when a rename failed: every file is then as before the
    // swap, the staged ones deleted, and `failedFile` and `failureReason` say which and why.
    bool Swap();
    // Deletes what was staged and the journal (which keeps listing only what is carried): the
    // folders are as before Begin.
    void Discard();
    // After a whole swap: deletes the old files' backups. A backup that cannot go now (a module
    // AutoCAD has loaded) goes at the next restart, and stays listed in the journal for the next run.
    // The journal then lists the new files, with their sizes and checksums, until Recorded(): the
    // record still describes the files before the swap, and an uninstall in between reads them here.
    void DeleteBackups();
    // The installation's record is written: the journal goes, or keeps only the backups still there.
    void Recorded();

    std::string failedFile;
    std::string failureReason;
    // The system's words for the call that just failed (nullptr: none), for `failureReason`.
    std::function<std::string()> systemError;

  private:
    struct Entry {
        int folder = 0;  // 0: the product folder, 1: the drawing library
        std::string target;
        std::string staged;
        std::string backup;
        bool existed = false;
        bool backedUp = false;
        bool swapped = false;
        bool shipped = false;  // a file of the product, recorded for the uninstall; not a kept one
        platform::ContentCheck content;
    };
    bool Stage(const std::string& folder,
               const std::string& target,
               bool existed,
               const std::function<bool(const std::string& staged)>& copy);
    std::string FolderOf(int index) const { return index == 0 ? productFolder_ : libraryFolder_; }
    std::string PathOf(int folder, const std::string& name) const;
    bool WriteJournal(const char* state, bool withEntries);
    // After a staging discarded or a swap undone: the journal goes, or lists only what is carried.
    void LeaveJournal();
    // Whether `name` in the folder leads elsewhere (a link, a dangling one included).
    bool IsLinkName(int folder, const std::string& name);
    // Puts one entry back as it was before the swap.
    void Undo(const Entry& entry);

    platform::FileSystem& files_;
    state::InstallJournal& journal_;
    std::string productFolder_;
    std::string libraryFolder_;
    std::string journalPath_;
    std::string tag_;
    std::vector<Entry> entries_;
    std::vector<RecordedFile> carried_;
    bool begun_ = false;
};

// What a run cut off part way left in `productFolder` (and its drawing library `libraryFolder`), as
// the journal about that folder in one of `journalFolders` (the setup folders) says; the caller holds
// the product folder, and the library when `libraryHeld`: nothing is renamed or deleted in a folder
// that is not held (that part stays, with its journal, and a problem says so). A staging without a
// swap is deleted; a swap half done is finished when
// every staged file is still there and undone otherwise, or always undone with `undo` (the
// uninstall, whose record describes the files before that swap); backups of a finished swap are
// deleted. Each step is noted in `journal`. Nothing happens without a journal file of ours. Unless
// `undo`, a journal that named new files is left listing only those, for the run that goes on.
// Returns the shipped files a finished swap put in place before its run wrote their record: names
// below the product folder, with the size and checksum each had when it was written. `unread`, when
// given, names a journal that was there but could not be read, and stays (empty: none).
std::vector<RecordedFile> FinishOrUndoEarlierSwap(platform::FileSystem& files,
                                                  state::InstallJournal& journal,
                                                  const std::vector<std::string>& journalFolders,
                                                  const std::string& productFolder,
                                                  const std::string& libraryFolder,
                                                  bool libraryHeld,
                                                  bool undo = false,
                                                  std::string* unread = nullptr);

}  // namespace install
