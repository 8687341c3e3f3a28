#pragma once
// One change of a transaction: a new file, staged beside its name in a held folder, takes the name;
// the old file, when there is one, waits under its backup name till the transaction ends. Commit()
// and Rollback() find out from the disk how far the change got, so that the recovery of a run that
// was cut off calls the very same steps as the run itself would have.

#include <string>

#include "files/file_result.h"
#include "files/swap_journal.h"
#include "platform/environment.h"
#include "platform/files.h"

namespace files {

class FileChange {
  public:
    // `folder` is held by the caller and resolves to `folderFinal`; `entry` names the change and
    // learns at Commit that a link stood under the name. Nothing is owned; all outlive the change.
    FileChange(platform::FileSystem& files,
               platform::Environment& environment,
               const std::string& folder,
               const std::string& folderFinal,
               JournalEntry& entry);

    // Puts the new file in place: the old one to its backup name (a link there is no file of ours to
    // keep: its name alone goes), then the staged file to the name. Done at once when the staged name
    // is gone already. On failure nothing more has changed.
    FileResult Commit();
    // Puts the name back as before: the old file from its backup over the new one; where no file was
    // (or a link, which is not brought back), the new one goes; the staged name goes.
    void Rollback();

    // Whether the staged file took the name (the staged name is gone, and the old file, when there was
    // one, is in its backup).
    bool Committed();
    // Whether Commit can still put it in place: committed, or staged as our own file.
    bool Committable();
    // Whether nothing of the change is left: no staged name, no backup.
    bool RolledBack();

  private:
    std::string PathOf(const std::string& name) const;
    bool Exists(const std::string& name);
    // Whether the name leads elsewhere: a link, a dangling one included, or resolved outside the folder.
    bool IsLinkName();
    FileResult Failed(const std::string& words);

    platform::FileSystem& files_;
    platform::Environment& environment_;
    const std::string& folder_;
    const std::string& folderFinal_;
    JournalEntry& entry_;
};

// A file written under its own name (NewFileEntry) in the held `folder`, which resolves to
// `folderFinal`. Whether the name holds it whole: its own plain file, of its size and checksum.
bool HoldsNewFile(platform::FileSystem& files,
                  const std::string& folder,
                  const std::string& folderFinal,
                  const NewFileEntry& file);
// Deletes it, through the handle it was checked by, when the name holds what the run could have
// left there (see NewFileEntry); anything else under the name stays. True when nothing of the run's
// is left under the name.
bool DeleteNewFile(platform::FileSystem& files,
                   const std::string& folder,
                   const std::string& folderFinal,
                   const NewFileEntry& file);

}  // namespace files
