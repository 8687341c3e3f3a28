#include "install/uninstall_entry.h"

#include "install/install_record.h"
#include "install/product_layout.h"

namespace install {

namespace {

constexpr char kDisplayName[] = "Brelix结构工具箱";
constexpr char kDisplayVersion[] = "2024.3.27";
constexpr char kPublisher[] = "Brelix";
constexpr char kLocationValue[] = "InstallLocation";
// Programs and Features offers neither: a change is a new installation, a repair the same.
constexpr std::uint32_t kNoModify = 1;
constexpr std::uint32_t kNoRepair = 1;
constexpr std::size_t kLocationCapacity = 1024;

}  // namespace

bool WriteUninstallEntry(platform::RegistryKey& localMachine,
                         const std::string& productFolder,
                         const std::string& setupFolder,
                         std::uint32_t estimatedSizeKb) {
    auto key = localMachine.Create(kUninstallKeyPath);
    if (!key)
        return false;
    const std::string uninstaller = JoinPath(setupFolder, kUninstallerName);
    const std::string command = "\"" + uninstaller + "\" /UNINSTALL";
    bool written = key->WriteString("DisplayName", kDisplayName);
    written &= key->WriteString("DisplayVersion", kDisplayVersion);
    written &= key->WriteString("Publisher", kPublisher);
    written &= key->WriteString("DisplayIcon", uninstaller + ",0");
    written &= key->WriteString(kLocationValue, productFolder);
    written &= key->WriteString("UninstallString", command);
    written &= key->WriteString("QuietUninstallString", command + " /S");
    written &= key->WriteDword("EstimatedSize", estimatedSizeKb);
    written &= key->WriteDword("NoModify", kNoModify);
    written &= key->WriteDword("NoRepair", kNoRepair);
    return written;
}

std::optional<std::string> UninstallEntryLocation(platform::RegistryKey& localMachine) {
    return platform::ReadSubkeyText(localMachine, kUninstallKeyPath, kLocationValue, kLocationCapacity);
}

bool RemoveUninstallEntry(platform::RegistryKey& localMachine) {
    if (!localMachine.Open(kUninstallKeyPath, platform::KeyAccess::Read))
        return true;
    return localMachine.DeleteSubkey(kUninstallKeyPath);
}

}  // namespace install
