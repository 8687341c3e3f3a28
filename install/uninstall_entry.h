#pragma once
// The product's entry in Programs and Features (the Uninstall key below HKEY_LOCAL_MACHINE).
// Every function takes HKEY_LOCAL_MACHINE already opened in the registry view of the product's
// own record, so that both always live side by side.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/registry.h"

namespace install {

constexpr char kUninstallKeyPath[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brelix结构工具箱";

// Writes the entry for the uninstaller in `setupFolder`, with `productFolder` as the installation's
// location. False when the key or any value could not be written (what was written stays).
bool WriteUninstallEntry(platform::RegistryKey& localMachine,
                         const std::string& productFolder,
                         const std::string& setupFolder,
                         std::uint32_t estimatedSizeKb);

// The InstallLocation of the entry; nullopt without an entry or a readable location.
std::optional<std::string> UninstallEntryLocation(platform::RegistryKey& localMachine);

// Deletes the entry. True when it is gone (also when there was none).
bool RemoveUninstallEntry(platform::RegistryKey& localMachine);

}  // namespace install
