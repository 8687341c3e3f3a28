#pragma once
// Hands the per-user steps of a machine-wide installation to Windows' Active Setup: BrelixUser.exe
// goes into the setup folder (below Program Files: every user's logon runs it) and is registered so that
// Windows runs it once for each user at their next logon.

#include <string>

#include "platform/services.h"
#include "state/install_journal.h"

namespace install {

constexpr char kUserProgramName[] = "BrelixUser.exe";
// The resource that carries BrelixUser.exe inside SetUp.exe.
constexpr char kUserProgramResource[] = "BRELIXUSER";
constexpr char kActiveSetupKey[] =
    "SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\Brelix结构工具箱";
// Windows runs the stub again for a user whose recorded version is older than this one.
constexpr char kActiveSetupVersion[] = "2024,3,27,0";

// Writes BrelixUser.exe into `setupFolder` and registers it (StubPath, Version, IsInstalled).
// Each failure is a problem in the journal; true when both are in place.
bool RegisterActiveSetup(platform::Services& services,
                         const std::string& setupFolder,
                         state::InstallJournal& journal);

}  // namespace install
