#pragma once
// The registry side of the uninstall: each function removes one kind of entry, and only when it
// belongs to the product folder being removed. Problems go into the log.

#include <optional>
#include <string>
#include <vector>

#include "platform/environment.h"
#include "platform/registry.h"
#include "state/install_journal.h"

namespace uninstall {

constexpr char kActiveSetupKeyPath[] = "SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\Brelix";
// The component's name in earlier builds; an uninstall removes either.
constexpr char kEarlierActiveSetupKeyPath[] =
    "SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\Brelix结构工具箱";
constexpr char kPerUserProgramName[] = "BrelixUser.exe";

// `list` (a TRUSTEDPATHS value) without each entry that is `folder` in any letter case, with or
// without one trailing "\"; the other entries and separators stay as they are. nullopt when no
// entry is the folder (a longer name that merely contains it does not count).
std::optional<std::string> WithoutTrustedFolder(const std::string& list, const std::string& folder);

// Deletes the demand-load key (an HKLM path), in either registry view, where its LOADER names a file
// inside one of `productFolders` (every product folder the record holds). An entry whose LOADER
// names our module in a product folder the record does not hold stays, as do other products'
// entries; the ones of ours that stay are returned ("HKLM\<key> = <LOADER>", with the key's
// real view), for the caller to report.
std::vector<std::string> RemoveDemandLoadEntry(platform::Registry& registry,
                                               platform::Environment& environment,
                                               const std::string& key,
                                               const std::vector<std::string>& productFolders,
                                               state::InstallJournal& log);

// Takes `productFolder` out of TRUSTEDPATHS in a profile's Variables key (an HKCU path). A list that
// cannot be read whole is left alone; one that held only the folder becomes empty.
void RemoveTrustedFolder(platform::Registry& registry,
                         platform::Environment& environment,
                         const std::string& variablesKey,
                         const std::string& productFolder,
                         state::InstallJournal& log);

// Deletes the Active Setup component under its name and under earlier builds' name, in either registry view,
// where its StubPath runs a program from one of `folders` (either build's setup folder, or the product folder
// where earlier builds put BrelixUser.exe). False when one should go but could not be deleted.
bool RemoveActiveSetupComponent(platform::Registry& registry,
                                platform::Environment& environment,
                                const std::vector<std::string>& folders,
                                state::InstallJournal& log);

// What a run cut off between making one of our keys and writing the value that says where it leads
// left: a demand-load entry of `demandLoadKeys` without its LOADER, the Active Setup component
// without its StubPath, the Programs and Features entry without its InstallLocation, in either view.
// They lead nowhere and only our installation makes them under these names.
void RemoveHalfWrittenKeys(platform::Registry& registry,
                           platform::Environment& environment,
                           const std::vector<std::string>& demandLoadKeys,
                           state::InstallJournal& log);

// The product record when it names `productFolder` (unless `keepRecord`: the folder still holds
// files the next installation may keep, and the record is how it finds them), and the Programs
// and Features entry when its location is `productFolder`. Both are looked for in the record's view.
void RemoveProductKeys(platform::Registry& registry,
                       platform::Environment& environment,
                       const std::string& productFolder,
                       bool keepRecord,
                       state::InstallJournal& log);

}  // namespace uninstall
