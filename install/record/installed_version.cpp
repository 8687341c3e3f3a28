#include "install/record/installed_version.h"

#include "install/record/install_record.h"
#include "install/record/setup_folder.h"

namespace install {

InstalledVersion ReadInstalledVersion(platform::FileSystem& files,
                                      platform::Registry& registry,
                                      platform::Environment& environment) {
    InstalledVersion installed;
    for (const std::string& folder : SetupFolders(registry, environment)) {
        const auto record = ReadInstallRecord(files, folder);
        if (!record)
            continue;
        installed.recorded = true;
        if (record->version && (!installed.version || *record->version > *installed.version))
            installed.version = record->version;
    }
    return installed;
}

}  // namespace install
