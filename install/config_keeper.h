#pragma once
// Saves the user's configuration files of the previous installation before the product files
// are deployed, and puts them back into the new product folder afterwards.
//
// Settings (".CFG") and section library (".SEC") files go through "SetUp_Temp1", drawing
// library (".SJY") files through "SetUp_Temp2". Each kind has exactly one save place per run, on
// this machine: the folder in the installer's own folder below Program Files, or, when that cannot
// be made, the folder of the same name under the user's temporary folder. Never the installation
// source, which other machines may be installing from at the same moment. The restore reads only
// the place the backup chose.
//
// A file already in the save place was left there by a run that stopped before its restore: it
// is the user's file, so the backup never overwrites it and the restore puts it back.

#include <string>
#include <vector>

#include "platform/services.h"
#include "state/install_journal.h"

namespace install {

// True for a file a re-installation can keep, given by its path below the product folder: a
// settings or section library file in the product folder itself, a drawing in the drawing library.
bool IsKeptKind(const std::string& pathBelowProductFolder);

class ConfigKeeper {
  public:
    // Without a journal the keeper reports into one of its own (the path page's start-up test).
    ConfigKeeper(platform::Services& services, const std::string& installRoot);
    // `journal` is not owned; it outlives the keeper.
    ConfigKeeper(platform::Services& services,
                 const std::string& installRoot,
                 state::InstallJournal& journal);

    ConfigKeeper(const ConfigKeeper&) = delete;
    ConfigKeeper& operator=(const ConfigKeeper&) = delete;

    // True when a previous installation is recorded and its product folder holds a settings file.
    bool HasPreviousConfig();
    // Fills `previousFolder` from the registry record; true when it names a folder.
    bool ReadPreviousFolder();
    // Records `productFolder` in the registry; a failure is reported as a problem.
    bool RecordProductFolder();

    // Saves every file to keep. False when one could not be saved: `unsavedFile` names it, and
    // nothing may be overwritten. Does nothing (true) unless one of the three flags is set.
    bool BackupConfig();
    // Puts back what the save places hold; a file that does not go back stays saved and is
    // reported. Does nothing unless one of the three flags is set.
    void RestoreConfig();
    // True when this installation's product folder holds files of the kinds the flags keep (or
    // cannot be read): a deployment without a backup could then overwrite the user's files.
    bool ProductFolderHoldsKeptKinds();
    // Deletes what this run's backup saved and the save folders it made, when the installation
    // stops before anything was overwritten. Files left by an earlier run stay.
    void DiscardBackup();

    bool BackupProductConfig();
    bool BackupDrawingLibrary();
    void RestoreProductConfig();
    void RestoreDrawingLibrary();

    std::string productFolder;
    std::string previousFolder;
    int keepSettings = 0;
    int keepSectionLibrary = 0;
    int keepDrawingLibrary = 0;
    // The file (or folder) a failed backup could not save or read.
    std::string unsavedFile;

  private:
    // One kind's save place as the backup chose it.
    struct SavePlace {
        std::string folder;              // empty: no backup of this kind ran, or no place
        bool madeByThisRun = false;      // the folder did not exist before
        std::vector<std::string> saved;  // files this run copied into it
        std::vector<std::string> extensions;
    };

    bool Backup(const std::string& from, const char* placeName, SavePlace& place);
    // The first of the two places that exists or can be made; empty when neither.
    std::string ChooseSaveFolder(const char* name, bool& made);
    // Removes the installer's own folder when nothing is left in it.
    void RemoveEmptySetupFolder();
    void Restore(SavePlace& place, const std::string& into);
    void Discard(SavePlace& place);

    platform::Services& services_;
    state::InstallJournal ownJournal_;
    state::InstallJournal& journal_;
    SavePlace productPlace_;
    SavePlace drawingPlace_;
    std::string setupFolder_;  // the installer's own folder, once a backup looked for it
};

}  // namespace install
