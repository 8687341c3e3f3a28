#pragma once
// What a run cut off part way left in a product folder, finished or undone by the next run (or the
// uninstall) as the swap journal about that folder says, through the same changes the run made.

#include <string>
#include <vector>

#include "files/recorded_file.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "state/install_journal.h"

namespace files {

struct RecoveryPlace {
    std::vector<std::string> journalFolders;  // either build's setup folder
    std::string product;                      // held by the caller
    std::string library;
    bool libraryHeld = true;  // nothing is renamed or deleted in a folder that is not held
};

enum class Recovery {
    FinishOrUndo,  // the next installation: a swap whose staged files are all still ours is finished
    Undo,          // the uninstall, whose record describes the files before that swap
};

// A staging without a swap is deleted; a swap half done is finished or undone (see Recovery);
// backups of a finished swap are deleted. Each step is noted in `log`. A journal that names the
// library while it is not held is left whole, with a problem in `log`. A journal that named new files
// is left listing only those, for the run that goes on, or for the uninstall to delete once they are
// gone (DeleteJournal). Returns the shipped files a
// finished swap put in place before its run wrote their record, with the size and checksum each had
// when it was written. `unread`, when given, names a journal that was there but could not be read,
// and stays (empty: none).
std::vector<RecordedFile> RecoverEarlierSwap(platform::FileSystem& files,
                                             platform::Environment& environment,
                                             state::InstallJournal& log,
                                             const RecoveryPlace& place,
                                             Recovery recovery,
                                             std::string* unread = nullptr);

}  // namespace files
