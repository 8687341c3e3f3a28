#pragma once
// The product's entry in Programs and Features (the Uninstall key below HKEY_LOCAL_MACHINE).
// Every function takes HKEY_LOCAL_MACHINE already opened in the registry view of the product's
// own record, so that both always live side by side.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/environment.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "state/product_version.h"

namespace install {

constexpr char kUninstallKeyPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brelix";
// The entry's product folder.
constexpr char kUninstallLocationValue[] = "InstallLocation";

struct UninstallEntry {
    std::string productFolder;  // the installation's location
    std::string setupFolder;    // where the uninstaller is
    state::ProductVersion version;
    std::uint32_t estimatedSizeKb = 0;
    std::string installDate;  // "yyyymmdd"
};

// Writes the entry. False when the key or any value could not be written (what was written stays).
bool WriteUninstallEntry(platform::RegistryKey& localMachine, const UninstallEntry& entry);

// "yyyymmdd", as Programs and Features reads InstallDate.
std::string InstallDateText(const platform::UtcTime& time);

// Programs and Features shows sizes in KB; a started KB counts whole.
std::uint32_t SizeInKb(std::uint64_t bytes);

// The bytes of the files directly in `folder` (the setup folder: the uninstaller, the per-user
// program, the record); a file that cannot be read counts nothing.
std::uint64_t FilesSizeIn(platform::FileSystem& files, const std::string& folder);

// The InstallLocation of the entry; nullopt without an entry or a readable location.
std::optional<std::string> UninstallEntryLocation(platform::RegistryKey& localMachine);

// Deletes the entry. True when it is gone (also when there was none).
bool RemoveUninstallEntry(platform::RegistryKey& localMachine);

}  // namespace install
