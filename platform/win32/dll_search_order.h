#pragma once
// DLL loading restricted to the system folder.

namespace platform::win32 {

// Makes every later load of a DLL by a bare name search the system folder only, so that a DLL
// planted beside the program (usually in Downloads) is never loaded in its place. Uses
// SetDefaultDllDirectories where the system has it, and otherwise at least takes the current
// folder out of the search (SetDllDirectoryA with an empty text). True when either took effect.
// Must run before anything loads a DLL: the first statement of WinMain.
bool RestrictDllSearchToSystemFolder();

}  // namespace platform::win32
