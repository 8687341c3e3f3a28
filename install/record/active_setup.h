#pragma once
// Hands the per-user steps to Windows' Active Setup for every user of the workstation: BrelixUser.exe
// is written into the setup folder (below Program Files, since every user's logon runs it) and
// registered by every installation, whatever account runs it, so that Windows runs it once for each
// user at their next logon.
//
// The Version of the component: Windows runs the stub again for a user whose HKCU Version of the
// component is missing or lower than the HKLM one. Versions are "a,b,c,d", four 16-bit numbers
// compared field by field. Each installation writes
//     the time of the installation in UTC: year, month*100+day, hour*100+minute, second*1000+ms
// (2026,1207,1735,42250 for 17:35:42.250 UTC on 7 December 2026), or the stored HKLM Version plus one
// in its last field (carried into the fields before it) when that is higher, and never below the
// product's version as "major,minor,patch,0": so a version is always
// higher than the one before it on this machine, also when the clock went back, and any earlier
// build's "2024,3,27,0" is left behind by the first installation. A stored value that is not a version
// (another type, other characters, a field above 65535, more than four fields) is replaced by the time.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/environment.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "state/install_journal.h"

namespace install {

constexpr char kUserProgramName[] = "BrelixUser.exe";
// The resource that carries BrelixUser.exe inside SetUp.exe.
constexpr char kUserProgramResource[] = "BRELIXUSER";
// The component's key below HKLM (the registration) and below HKCU (each user's own Version). ASCII,
// so that a batch file in any code page can name it.
constexpr char kActiveSetupKey[] = "SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\Brelix";
// The key earlier builds used; an installation and an uninstall remove it, and the per-user program
// removes each user's own.
constexpr char kEarlierActiveSetupKey[] =
    "SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\Brelix结构工具箱";

using ComponentVersion = std::array<std::uint16_t, 4>;

// The version a text names: one to four decimal fields of at most 65535, separated by commas
// (missing fields count as 0); nullopt for any other text.
std::optional<ComponentVersion> ParseComponentVersion(const std::string& text);
std::string ComponentVersionText(const ComponentVersion& version);

// The version an installation at `now` registers after `stored` (the HKLM Version, nullopt when
// there is none): see above. A stored 65535,65535,65535,65535 cannot be passed and is kept.
ComponentVersion NextComponentVersion(const std::optional<std::string>& stored, const platform::UtcTime& now);

// Writes BrelixUser.exe into `setupFolder` and registers it (StubPath, the next Version, IsInstalled).
// When `userStepsDone` (this run did the per-user steps for the account that runs it, whole) and
// that account is not LocalSystem, the account gets the same Version in HKCU too, so that its next
// logon does not repeat them. Each failure is a problem in the log; true when the program and
// the HKLM component are in place.
bool RegisterActiveSetup(platform::Services& services,
                         const std::string& setupFolder,
                         bool userStepsDone,
                         state::InstallJournal& log);

// After the per-user steps ran for the current user outside Active Setup (BrelixUser.exe started by
// hand or by a script): that user's HKCU Version becomes the registered one, as Active Setup would
// have made it. Nothing when no valid version is registered. True when written.
bool MarkUserStepsDone(platform::Registry& registry);

// Removes the component earlier builds registered under kEarlierActiveSetupKey, from both registry
// views of HKLM and from the current user's HKCU: Windows would otherwise start its stub at each
// logon as well. Each removal is a line in the log, each failure a problem. True when none is left.
bool RemoveEarlierComponent(platform::Services& services, state::InstallJournal& log);

// The current user's mark of kEarlierActiveSetupKey, for the per-user program: true when none is left.
bool RemoveEarlierUserMark(platform::Registry& registry);

}  // namespace install
