// BrelixUser.exe made from the running program: the copy's resources as Windows loads them, the
// refusals, and the real SetUp.exe writing one that then runs as the per-user program.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/win32/per_user_program.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_files.h"
#include "platform_win32_test_support.h"
#include "scratch_folder_test.h"

namespace {

constexpr char kRecordKey[] = "SOFTWARE\\Brelix";

class PerUserProgramWineTest : public win32test::ScratchFolderTest {
  protected:
    PerUserProgramWineTest() : ScratchFolderTest("用户程序") {}
};

// A resource of `module` as bytes; nullopt when it is not there.
std::optional<std::string> Resource(HMODULE module, const char* type, const char* name) {
    HRSRC resource = FindResourceA(module, name, type);
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!bytes)
        return std::nullopt;
    return std::string(bytes, SizeofResource(module, resource));
}

BOOL CALLBACK CountLanguage(HMODULE, LPCSTR, LPCSTR, WORD, LONG_PTR count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

std::string OwnFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string text = path;
    return text.substr(0, text.rfind('\\'));
}

// Runs `commandLine` with `directory` as its working folder and returns its exit code.
std::optional<DWORD> RunProgram(std::string commandLine, const std::string& directory) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(),
                        &startup, &process))
        return std::nullopt;
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

void SetRecord(const std::string& productFolder) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRecordKey, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(
        RegSetValueExA(key, "Brelix_Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(productFolder.c_str()),
                       static_cast<DWORD>(productFolder.size() + 1)),
        ERROR_SUCCESS);
    RegCloseKey(key);
}

void DeleteRecord() {
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kRecordKey, KEY_WOW64_32KEY, 0);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kRecordKey, KEY_WOW64_64KEY, 0);
}

TEST_F(PerUserProgramWineTest, TheCopyCarriesTheUserManifestInPlaceOfItsOwnAndTheMarker) {
    // This test program carries SetUp.exe's resources, so its copy is made as SetUp.exe's is.
    const std::string written = folder + "\\BrelixUser.exe";
    platform::win32::Win32FileSystem files;
    ASSERT_TRUE(files.WriteCarriedFile("BRELIXUSER", written));
    EXPECT_FALSE(platform::win32::IsPerUserProgram()) << "only the copy carries the marker";

    const auto userManifest = Resource(nullptr, MAKEINTRESOURCEA(10), "BRELIXUSERMANIFEST");
    const auto ownManifest = Resource(nullptr, MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1));
    ASSERT_TRUE(userManifest && ownManifest);
    EXPECT_NE(ownManifest->find("requireAdministrator"), std::string::npos);

    HMODULE copy = LoadLibraryExA(written.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(copy, nullptr);
    const auto copyManifest = Resource(copy, MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1));
    ASSERT_TRUE(copyManifest);
    EXPECT_EQ(*copyManifest, *userManifest);
    EXPECT_NE(copyManifest->find("level=\"asInvoker\""), std::string::npos);
    int languages = 0;
    EnumResourceLanguagesA(copy, MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1), CountLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    EXPECT_EQ(languages, 1) << "the manifest is replaced, not added beside the old one";
    EXPECT_TRUE(Resource(copy, MAKEINTRESOURCEA(10), "BRELIXUSERMODE"));
    // Everything else is the program as it was: its first page is still there.
    EXPECT_EQ(Resource(copy, MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(136)),
              Resource(nullptr, MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(136)));
    FreeLibrary(copy);
}

TEST_F(PerUserProgramWineTest, RefusalsLeaveNoFileBehind) {
    platform::win32::Win32FileSystem files;
    const std::string folderInTheWay = folder + "\\占用.exe";
    ASSERT_TRUE(win32test::CreateFolderPath(folderInTheWay));
    struct Case {
        const char* name;
        std::string path;
    } const cases[] = {
        {"NOSUCHFILE", folder + "\\Other.exe"},
        {"BRELIXUSER", folder + "\\没有\\BrelixUser.exe"},
        {"BRELIXUSER", folderInTheWay},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(files.WriteCarriedFile(c.name, c.path)) << c.path;
        EXPECT_FALSE(win32test::ReadWholeFile(c.path).has_value()) << c.path;
    }
    EXPECT_EQ(GetFileAttributesA(folderInTheWay.c_str()) & FILE_ATTRIBUTE_DIRECTORY,
              DWORD{FILE_ATTRIBUTE_DIRECTORY});
}

TEST_F(PerUserProgramWineTest, SetUpWritesAProgramThatRunsThePerUserStepsAndNothingElse) {
    // The build puts SetUp.exe one folder above this test program.
    const std::string buildRoot = OwnFolder().substr(0, OwnFolder().rfind('\\'));
    const std::string setUp = buildRoot + "\\SetUp.exe";
    ASSERT_TRUE(win32test::ReadWholeFile(setUp)) << setUp;
    const std::string user = folder + "\\BrelixUser.exe";
    EXPECT_EQ(RunProgram("\"" + setUp + "\" /S \"/USERPROGRAM=" + user + "\"", folder), 0u);
    const auto copy = win32test::ReadWholeFile(user);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->find("requireAdministrator"), std::string::npos);

    // No record: 3. With a record for a product folder: 0, and the folder is still there untouched.
    DeleteRecord();
    EXPECT_EQ(RunProgram("\"" + user + "\"", folder), 3u);
    // Switches mean nothing to it: it does not write another copy.
    EXPECT_EQ(RunProgram("\"" + user + "\" /S \"/USERPROGRAM=" + folder + "\\again.exe\"", folder), 3u);
    EXPECT_FALSE(win32test::ReadWholeFile(folder + "\\again.exe"));
    SetRecord(folder + "\\Brelix结构工具箱");
    EXPECT_EQ(RunProgram("\"" + user + "\"", folder), 0u);
    DeleteRecord();
}

}  // namespace
