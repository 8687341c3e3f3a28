// Once the DLL search is restricted, a DLL planted beside the program under a bare name is no longer
// loaded from there. The probe DLL (tests/e2e/planted) leaves "<its path>.loaded" when anything
// loads it. The restriction holds for the rest of this process, which then loads system DLLs only.

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/dll_search_order.h"
#include "platform/win32/win32_api.h"

namespace {

std::string ProgramFolder() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string program(path, length);
    return program.substr(0, program.find_last_of('\\'));
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Plants the probe beside the program as `name` and loads it by its bare name; true when the
// probe was loaded from there (it refuses to stay loaded, so the load itself always fails).
bool PlantedCopyIsLoaded(const std::string& name) {
    const std::string folder = ProgramFolder();
    const std::string planted = folder + "\\" + name;
    DeleteFileA((planted + ".loaded").c_str());
    EXPECT_TRUE(CopyFileA((folder + "\\..\\planted.dll").c_str(), planted.c_str(), FALSE)) << planted;
    HMODULE module = LoadLibraryA(name.c_str());
    if (module)
        FreeLibrary(module);
    const bool loaded = Exists(planted + ".loaded");
    DeleteFileA((planted + ".loaded").c_str());
    DeleteFileA(planted.c_str());
    return loaded;
}

TEST(Win32DllSearch, APlantedDllIsLoadedBeforeTheRestrictionAndNotAfter) {
    EXPECT_TRUE(PlantedCopyIsLoaded("brelix_probe_before.dll"));
    EXPECT_TRUE(platform::win32::RestrictDllSearchToSystemFolder());
    EXPECT_FALSE(PlantedCopyIsLoaded("brelix_probe_after.dll"));
    // System DLLs still load by their bare names.
    HMODULE version = LoadLibraryA("version.dll");
    EXPECT_NE(version, nullptr);
    if (version)
        FreeLibrary(version);
}

}  // namespace
