#pragma once
// Scratch areas and file content for the tests of the Win32 backend, made with the plain Win32 API so
// that setting up a test does not depend on the code under test.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace win32test {

// Below HKEY_CURRENT_USER; every test's scratch key is a subkey of it.
constexpr const char* kScratchKeyRoot = "Software\\BrelixPlatformTests";

// A folder in the user's temporary folder that holds every test's scratch folder.
std::string ScratchFolderRoot();

// Removes the common parents of the scratch areas once no test uses them any more.
void RemoveEmptyScratchRoots();

// Tells apart the scratch areas of test programs running at the same time.
unsigned long ProcessId();

// Deletes a key below HKEY_CURRENT_USER with everything in it; a missing key is fine.
void DeleteKeyTree(const std::string& path);
// Creates a key path below HKEY_CURRENT_USER with every missing level.
bool CreateKeyPath(const std::string& path);
// Stores a value of any type and content below HKEY_CURRENT_USER\<path> (RegSetValueExA).
bool SetRawValue(const std::string& path,
                 const std::string& name,
                 std::uint32_t type,
                 const std::string& data);
// Defines an environment variable of this process (SetEnvironmentVariableA).
void SetVariable(const std::string& name, const std::string& value);

// The names in a folder, in the order FindFirstFileA lists them, without "." and "..".
std::vector<std::string> FolderNames(const std::string& folder);
// Deletes a folder with everything in it, read-only files included; a missing folder is fine.
void DeleteFolderTree(const std::string& path);
// Creates a folder with every missing level.
bool CreateFolderPath(const std::string& path);

bool WriteWholeFile(const std::string& path, const std::string& content);
std::optional<std::string> ReadWholeFile(const std::string& path);

// Wine exports wine_get_version from ntdll; Windows does not.
bool RunningUnderWine();

// True when the environment variable BRELIX_TESTS_UNPRIVILEGED is 1: the Wine harness sets it when it
// runs the tests as an ordinary user, where Wine enforces read-only files as Windows does.
bool RunningUnprivileged();

}  // namespace win32test
