#include "install/record/uninstall_entry.h"

#include "files/folder_listing.h"
#include "install/record/install_record.h"
#include "install/record/product_layout.h"
#include "platform/number_text.h"

namespace install {

using files::WalkFolder;
using files::WalkStep;

namespace {

constexpr char kDisplayName[] = "Brelix结构工具箱";
constexpr char kPublisher[] = "Brelix";
// Programs and Features offers neither: a change is a new installation, a repair the same.
constexpr std::uint32_t kNoModify = 1;
constexpr std::uint32_t kNoRepair = 1;
constexpr std::size_t kLocationCapacity = 1024;

}  // namespace

bool WriteUninstallEntry(platform::RegistryKey& localMachine, const UninstallEntry& entry) {
    auto key = localMachine.Create(kUninstallKeyPath);
    if (!key)
        return false;
    const std::string uninstaller = JoinPath(entry.setupFolder, kUninstallerName);
    const std::string command = "\"" + uninstaller + "\" /UNINSTALL";
    bool written = key->WriteString("DisplayName", kDisplayName);
    // Both forms deployment tools compare: the text, and the numbers Windows Installer writes.
    written &= key->WriteString("DisplayVersion", state::VersionText(entry.version));
    written &= key->WriteDword("VersionMajor", entry.version.major);
    written &= key->WriteDword("VersionMinor", entry.version.minor);
    written &= key->WriteString("Publisher", kPublisher);
    written &= key->WriteString("DisplayIcon", uninstaller + ",0");
    written &= key->WriteString(kUninstallLocationValue, entry.productFolder);
    written &= key->WriteString("UninstallString", command);
    written &= key->WriteString("QuietUninstallString", command + " /S");
    written &= key->WriteDword("EstimatedSize", entry.estimatedSizeKb);
    written &= key->WriteString("InstallDate", entry.installDate);
    written &= key->WriteDword("NoModify", kNoModify);
    written &= key->WriteDword("NoRepair", kNoRepair);
    return written;
}

std::string InstallDateText(const platform::UtcTime& time) {
    // Without the printf family, whose floating-point formatting alone is some 24 KB of the program.
    const auto part = [](int value, int modulus, std::size_t digits) {
        return platform::DecimalText(static_cast<std::uint64_t>(value < 0 ? 0 : value % modulus), digits);
    };
    return part(time.year, 10000, 4) + part(time.month, 100, 2) + part(time.day, 100, 2);
}

std::uint32_t SizeInKb(std::uint64_t bytes) {
    const std::uint64_t kb = (bytes + 1023) / 1024;
    return kb > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(kb);
}

std::uint64_t FilesSizeIn(platform::FileSystem& files, const std::string& folder) {
    std::uint64_t total = 0;
    WalkFolder(files, folder, nullptr, [&](const platform::DirEntry& entry) {
        std::uint64_t size = 0;
        if (files.ReadPieces(JoinPath(folder, entry.name), kLargestCheckedFile,
                             [&size](const char*, std::size_t piece) { size += piece; }))
            total += size;
        return WalkStep::Continue;
    });
    return total;
}

std::optional<std::string> UninstallEntryLocation(platform::RegistryKey& localMachine) {
    return platform::ReadSubkeyText(localMachine, kUninstallKeyPath, kUninstallLocationValue,
                                    kLocationCapacity);
}

bool RemoveUninstallEntry(platform::RegistryKey& localMachine) {
    if (!localMachine.Open(kUninstallKeyPath, platform::KeyAccess::Read))
        return true;
    return localMachine.DeleteSubkey(kUninstallKeyPath);
}

}  // namespace install
