#pragma once
// The registry side of the uninstall: each function removes one kind of entry, and only when it
// belongs to the product folder being removed. Problems go into the journal.

#include <optional>
#include <string>

#include "platform/environment.h"
#include "platform/registry.h"
#include "state/install_journal.h"

namespace uninstall {

constexpr char kActiveSetupKeyPath[] =
    "SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\Brelix结构工具箱";
constexpr char kPerUserProgramName[] = "BrelixUser.exe";

// `list` (a TRUSTEDPATHS value) without each entry that is `folder` in any letter case, with or
// without one trailing "\"; the other entries and separators stay as they are. nullopt when no
// entry is the folder (a longer name that merely contains it does not count).
std::optional<std::string> WithoutTrustedFolder(const std::string& list, const std::string& folder);

// Deletes the demand-load key (an HKLM path) when its LOADER names a file inside `productFolder`.
void RemoveDemandLoadEntry(platform::Registry& registry,
                           const std::string& key,
                           const std::string& productFolder,
                           state::InstallJournal& journal);

// Takes `productFolder` out of TRUSTEDPATHS in a profile's Variables key (an HKCU path). A list that
// cannot be read whole is left alone; one that held only the folder becomes empty.
void RemoveTrustedFolder(platform::Registry& registry,
                         const std::string& variablesKey,
                         const std::string& productFolder,
                         state::InstallJournal& journal);

// The product record when it names `productFolder`, the Programs and Features entry when its
// location is `productFolder`, and the Active Setup component when it runs a program from there.
// The record and the Programs and Features entry are looked for in the record's view.
void RemoveProductKeys(platform::Registry& registry,
                       platform::Environment& environment,
                       const std::string& productFolder,
                       state::InstallJournal& journal);

}  // namespace uninstall
