#include "install/record/setup_folder.h"

#include "install/record/install_root.h"
#include "install/record/locations.h"
#include "platform/registry_text.h"
#include "platform/text936.h"

namespace install {

namespace {

constexpr char kCurrentVersionKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr char kProgramFilesValue[] = "ProgramFilesDir";
// Room kept for the longest name the installer writes into the folder ("\SetUp_Temp1\..." of a
// saved file is checked where it is made; this keeps the fixed names whole).
constexpr std::size_t kRoomForNames = 40;

std::optional<std::string> UsableFolder(const std::string& text) {
    std::string folder = text;
    for (std::string shorter = text936::WithoutTrailingBackslash(folder); shorter != folder;
         shorter = text936::WithoutTrailingBackslash(folder))
        folder = shorter;
    if (CheckInstallRoot(folder) != RootCheck::Good || folder.size() + kRoomForNames >= kPathBufferSize)
        return std::nullopt;
    return folder;
}

std::optional<std::string> ProgramFilesIn(std::unique_ptr<platform::RegistryKey> machine,
                                          platform::Environment& environment) {
    auto key = machine ? machine->Open(kCurrentVersionKey, platform::KeyAccess::Read) : nullptr;
    if (!key)
        return std::nullopt;
    platform::TextRead read = platform::ReadText(*key, kProgramFilesValue, kPathBufferSize, environment);
    return read.ok() ? UsableFolder(read.text) : std::nullopt;
}

}  // namespace

std::optional<std::string> ProgramFilesFolder(platform::Registry& registry,
                                              platform::Environment& environment) {
    if (auto folder = ProgramFilesIn(registry.OpenRoot(platform::RootKey::LocalMachine), environment))
        return folder;
    if (auto expanded = environment.Expand("%ProgramFiles%", kPathBufferSize))
        return UsableFolder(*expanded);
    return std::nullopt;
}

std::optional<std::string> SetupFolder(platform::Registry& registry, platform::Environment& environment) {
    std::optional<std::string> programFiles = ProgramFilesFolder(registry, environment);
    if (!programFiles)
        return std::nullopt;
    return *programFiles + "\\" + kSetupFolderName;
}

std::vector<std::string> SetupFolders(platform::Registry& registry, platform::Environment& environment) {
    std::vector<std::string> folders;
    if (auto own = SetupFolder(registry, environment))
        folders.push_back(*own);
    // The other view's value only: %ProgramFiles% always names this build's own folder.
    for (const platform::RegistryView view : platform::kBothViews) {
        const auto programFiles =
            ProgramFilesIn(registry.OpenRoot(platform::RootKey::LocalMachine, view), environment);
        if (!programFiles)
            continue;
        const std::string folder = *programFiles + "\\" + kSetupFolderName;
        bool known = false;
        for (const std::string& existing : folders)
            known = known || text936::EqualsNoCase(existing, folder);
        if (!known)
            folders.push_back(folder);
    }
    return folders;
}

std::optional<std::string> EnsureSetupFolder(platform::FileSystem& files,
                                             platform::Registry& registry,
                                             platform::Environment& environment,
                                             bool& made) {
    const auto folder = SetupFolder(registry, environment);
    if (!folder)
        return std::nullopt;
    const auto attributes = files.GetAttributes(*folder);
    if (attributes && (*attributes & platform::kAttrDirectory))
        return folder;
    made = !attributes && files.CreateDirectory(*folder);
    return made ? folder : std::nullopt;
}

void RemoveMadeSetupFolder(platform::FileSystem& files, const std::string& folder) {
    files.RemoveDirectory(folder);
}

}  // namespace install
