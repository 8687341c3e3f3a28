#pragma once
// BrelixUser.exe is SetUp.exe itself, with the asInvoker manifest in place of its own and a marker
// resource that makes it run the per-user steps instead of the wizard.

#include <string>

namespace platform::win32 {

// The name under which the per-user program is asked for (FileSystem::WriteCarriedFile).
inline constexpr char kPerUserProgramName[] = "BRELIXUSER";
// RCDATA resources: the manifest the copy gets, and the marker only the copy carries.
inline constexpr char kPerUserManifestResource[] = "BRELIXUSERMANIFEST";
inline constexpr char kPerUserMarkerResource[] = "BRELIXUSERMODE";

// True when the running program is such a copy.
bool IsPerUserProgram();

// Copies the running program to `path` and turns the copy into the per-user program. On any
// failure the partly made file is deleted and false returned.
bool WritePerUserProgram(const std::string& path);

}  // namespace platform::win32
