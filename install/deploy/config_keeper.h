#pragma once
// The user's own files of a previous installation that a re-installation keeps: the settings
// (".CFG") and section library (".SEC") files in the product folder, the drawing library (".SJY")
// files in its drawing library, each kind when asked for.
//
// Only what the user changed or added is kept: a file whose size and checksum equal what the
// previous installation's record says it installed there is the factory's own, and the new version
// takes its place, as Windows Installer treats unversioned files. Without a record, every file of
// those kinds counts as the user's (except one identical to the one shipped now).
//
// Installed into the folder the previous installation used, kept files are simply left where they
// are: nothing is staged for their names, so the swap never touches them. Installed under another
// root, they are copied from the previous folder into the new one through the same staging as the
// product files, each read through a handle that is checked to be the file itself; the previous
// folder is held, and stays as it is.

#include <string>
#include <vector>

#include "files/file_transaction.h"
#include "files/held_path.h"
#include "install/deploy/held_source.h"
#include "platform/name_index.h"
#include "platform/services.h"
#include "state/install_journal.h"

namespace install {

// The kinds of the user's files a re-installation keeps, as page 3 or /KEEP asks.
struct KeptKinds {
    bool settings = false;  // .CFG in the product folder
    bool sections = false;  // .SEC in the product folder
    bool drawings = false;  // .SJY in the drawing library
};

class ConfigKeeper {
  public:
    // Keeps nothing; without a log the keeper reports into one of its own (the path page's
    // start-up test).
    ConfigKeeper(platform::Services& services, const std::string& installRoot);
    // Keeps `kinds`. `log` and `source` (the held installation source: a file of the product folder
    // identical to the one shipped there is the product's, not the user's; nullptr, or a source not
    // held: every such file counts as the user's) are not owned and outlive the keeper.
    ConfigKeeper(platform::Services& services,
                 const std::string& installRoot,
                 state::InstallJournal& log,
                 KeptKinds kinds,
                 HeldSource* source);

    ConfigKeeper(const ConfigKeeper&) = delete;
    ConfigKeeper& operator=(const ConfigKeeper&) = delete;

    // True when a previous installation is recorded and its product folder holds a settings file.
    bool HasPreviousConfig();
    // Reads PreviousFolder() from the registry record; true when it names a folder.
    bool ReadPreviousFolder();
    const std::string& PreviousFolder() const { return previousFolder_; }
    const std::string& ProductFolder() const { return productFolder_; }
    // No previous installation: there is nothing to keep.
    void KeepNothing() { kinds_ = KeptKinds(); }
    // Records `productFolder` in the registry; a failure is reported as a problem.
    bool RecordProductFolder();
    // True when this installation's product folder holds files of the kinds the flags keep (or
    // cannot be read): without knowing the previous folder, an installation could replace them.
    bool ProductFolderHoldsKeptKinds();

    // Chooses the files to keep, before any product file is staged (nothing unless a flag is set).
    // A file that is a link, has a second name or lies elsewhere than its name says is not kept:
    // it is a problem, and nothing of its content is read. False when a file of the previous folder
    // could not be staged into the new one: the result names it, and nothing may change.
    files::FileResult PrepareKeptFiles(files::FileTransaction& transaction);
    // Whether the file `name` of `folder` (the product folder or its drawing library) is the user's,
    // kept: no product file may be staged for it.
    bool Keeps(const std::string& folder, const std::string& name) const;

  private:
    // One folder whose files are kept: where from, where into, the shipped files beside it.
    struct KeepPlace {
        const std::string& from;
        const std::string& into;
        const std::string& sourceOfFrom;  // empty: none
        bool sameFolder;
        std::string fromFinal;
        files::FileTransaction& transaction;
        platform::NameIndex& kept;
        std::string recordPrefix;  // the folder's path below the product folder in the record
    };
    // How the file `path` (below the previous product folder) compares with what the record says the
    // previous installation put there.
    enum class SinceInstalled { NotRecorded, Unchanged, Changed };
    SinceInstalled CompareWithRecord(platform::OpenedFile& opened, const std::string& path) const;
    // Keeps one file `entry` of the place; failed as PrepareKeptFiles.
    files::FileResult KeepOne(const platform::DirEntry& entry, KeepPlace& place);
    // Keeps the files of `extensions` in `from` for `into` (both a product folder, or both its
    // drawing library; `sourceOfFrom` the held source folder shipped there, empty for none). False as
    // PrepareKeptFiles.
    files::FileResult KeepFrom(const std::string& from,
                               const std::string& into,
                               const std::string& sourceOfFrom,
                               const std::vector<std::string>& extensions,
                               files::FileTransaction& transaction,
                               platform::NameIndex& kept,
                               const std::string& recordPrefix);
    // Reads what the records below Program Files list in the previous product folder.
    void ReadRecordedFiles();

    std::string productFolder_;
    std::string previousFolder_;
    KeptKinds kinds_;
    HeldSource* source_ = nullptr;
    platform::Services& services_;
    state::InstallJournal ownJournal_;
    state::InstallJournal& log_;
    files::HeldPath previousHold_;
    bool haveRecord_ = false;  // the previous folder's files are recorded: unchanged ones are the factory's
    std::vector<files::RecordedFile> recorded_;
    platform::NameIndex recordedIndex_;  // path below the previous folder -> recorded_ index + 1
    platform::NameIndex keptInProduct_;
    platform::NameIndex keptInLibrary_;
};

}  // namespace install
