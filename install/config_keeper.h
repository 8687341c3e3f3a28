#pragma once
// Saves the user's configuration files of the previous installation before the product files
// are deployed, and puts them back into the new product folder afterwards.
//
// Settings (".CFG") and section library (".SEC") files go through "SetUp_Temp1", drawing
// library (".SJY") files through "SetUp_Temp2", both inside the installation source. When such
// a folder cannot be made there (a read-only medium), the folder of the same name under the
// user's temporary folder is used; the restore empties both places.

#include <string>
#include <vector>

#include "platform/services.h"

namespace install {

class ConfigKeeper {
  public:
    ConfigKeeper(platform::Services& services, const std::string& installRoot);

    // True when a previous installation is recorded and its product folder holds a settings
    // file among the first 81 entries of its listing.
    bool HasPreviousConfig();
    // Fills `previousFolder` from the registry record; true when it names a folder.
    bool ReadPreviousFolder();
    // Records `productFolder` in the registry.
    void RecordProductFolder();

    // Each does nothing unless one of the three flags is set.
    void BackupConfig();
    void RestoreConfig();

    void BackupProductConfig();
    void BackupDrawingLibrary();
    // A saved file is deleted only once it was copied back; otherwise it stays, with its folder.
    void RestoreProductConfig();
    void RestoreDrawingLibrary();

    std::string productFolder;
    std::string previousFolder;
    int keepSettings = 0;
    int keepSectionLibrary = 0;
    int keepDrawingLibrary = 0;

  private:
    // Where a backup saves files of one kind: the folder inside the source, or the fallback
    // under the user's temporary folder when that cannot be made. Empty when neither exists.
    std::string PrepareSaveFolder(const std::string& sourceFolder, const char* name);
    // The places a restore empties, in the order it empties them: the place this keeper's
    // backup used comes last, so its files win over stale ones elsewhere.
    std::vector<std::string> SavedPlaces(const std::string& sourceFolder,
                                         const char* name,
                                         const std::string& usedByBackup);
    void SaveMatching(const std::string& from,
                      const std::string& saveFolder,
                      const std::vector<std::string>& extensions);
    void RestoreAll(const std::string& savedFolder, const std::string& into);

    platform::Services& services_;
    std::string productSaveFolder_;  // where BackupProductConfig saved, if it ran
    std::string drawingSaveFolder_;  // where BackupDrawingLibrary saved, if it ran
};

}  // namespace install
