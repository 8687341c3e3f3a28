// BrelixUser.exe, the program SetUp.exe carries: written out byte for byte (a signed program stays
// signed), what it is as Windows loads it, the refusals, the real SetUp.exe writing one that then runs
// as the per-user program, and the version resource of both programs.

#include <gtest/gtest.h>

#include <optional>
#include <string>

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

// The build's root, where SetUp.exe and BrelixUser.exe are, one folder above this test program.
std::string BuildRoot() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text = path;
    text = text.substr(0, text.rfind('\\'));
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

TEST_F(PerUserProgramWineTest, TheCarriedProgramIsWrittenUnchangedOverALongerFile) {
    // This test program carries BrelixUser.exe as SetUp.exe does.
    const auto built = win32test::ReadWholeFile(BuildRoot() + "\\BrelixUser.exe");
    ASSERT_TRUE(built);
    const std::string written = folder + "\\BrelixUser.exe";
    // A longer file in the way must not leave its tail behind the program.
    ASSERT_TRUE(win32test::WriteWholeFile(written, std::string(built->size() + 4096, 'x')));
    platform::win32::Win32FileSystem files;
    ASSERT_TRUE(files.WriteCarriedFile("BRELIXUSER", written));
    const auto copy = win32test::ReadWholeFile(written);
    ASSERT_TRUE(copy);
    EXPECT_TRUE(*copy == *built) << "written " << copy->size() << " bytes of " << built->size();

    // As Windows loads it: its own asInvoker manifest, its version, and none of SetUp.exe's pages.
    HMODULE program = LoadLibraryExA(written.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr);
    const auto manifest = Resource(program, MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1));
    ASSERT_TRUE(manifest);
    EXPECT_NE(manifest->find("level=\"asInvoker\""), std::string::npos);
    EXPECT_EQ(manifest->find("requireAdministrator"), std::string::npos);
    EXPECT_TRUE(Resource(program, MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1)));
    EXPECT_FALSE(Resource(program, MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(136)));
    FreeLibrary(program);
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

TEST_F(PerUserProgramWineTest, SetUpWritesTheBuiltProgramWhichRunsThePerUserStepsAndNothingElse) {
    const std::string setUp = BuildRoot() + "\\SetUp.exe";
    ASSERT_TRUE(win32test::ReadWholeFile(setUp)) << setUp;
    const std::string user = folder + "\\BrelixUser.exe";
    EXPECT_EQ(RunProgram("\"" + setUp + "\" /S \"/USERPROGRAM=" + user + "\"", folder), 0u);
    const auto copy = win32test::ReadWholeFile(user);
    ASSERT_TRUE(copy);
    EXPECT_TRUE(copy == win32test::ReadWholeFile(BuildRoot() + "\\BrelixUser.exe"));

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

// One string of a program's version resource, in the Chinese (code page 936) block it carries.
std::string VersionString(const std::string& info, const char* name) {
    void* value = nullptr;
    UINT length = 0;
    const std::string path = std::string("\\StringFileInfo\\080403a8\\") + name;
    if (!VerQueryValueA(info.data(), path.c_str(), &value, &length) || length == 0)
        return "<none>";
    return static_cast<const char*>(value);
}

TEST(ProgramVersionWineTest, BothProgramsNameTheProductThePublisherAndTheVersion) {
    struct Case {
        const char* file;
        const char* description;
    } const cases[] = {
        {"SetUp.exe", "Brelix结构工具箱安装程序"},
        {"BrelixUser.exe", "Brelix结构工具箱用户设置"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = BuildRoot() + "\\" + c.file;
        const DWORD size = GetFileVersionInfoSizeA(path.c_str(), nullptr);
        ASSERT_GT(size, 0u);
        std::string info(size, '\0');
        ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, info.data()));
        EXPECT_EQ(VersionString(info, "CompanyName"), "Brelix");
        EXPECT_EQ(VersionString(info, "ProductName"), "Brelix结构工具箱");
        EXPECT_EQ(VersionString(info, "ProductVersion"), "2024.3.27");
        EXPECT_EQ(VersionString(info, "FileVersion"), "2024.3.27");
        EXPECT_EQ(VersionString(info, "FileDescription"), c.description);
        EXPECT_EQ(VersionString(info, "OriginalFilename"), c.file);
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
        EXPECT_EQ(fixed->dwFileVersionMS, (2024u << 16) | 3u);
        EXPECT_EQ(fixed->dwFileVersionLS, 27u << 16);
    }
}

}  // namespace
