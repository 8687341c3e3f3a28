#include "install/setup_folder.h"

#include "install/install_root.h"
#include "install/locations.h"
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

}  // namespace

std::optional<std::string> ProgramFilesFolder(platform::Registry& registry,
                                              platform::Environment& environment) {
    if (auto machine = registry.OpenRoot(platform::RootKey::LocalMachine)) {
        if (auto key = machine->Open(kCurrentVersionKey, platform::KeyAccess::Read)) {
            platform::TextRead read =
                platform::ReadText(*key, kProgramFilesValue, kPathBufferSize, environment);
            if (read.ok()) {
                if (auto folder = UsableFolder(read.text))
                    return folder;
            }
        }
    }
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

}  // namespace install
