// Whole installations against the real file system and registry under Wine. The installation
// source "Data" is staged beside this test program (the source lookup goes by the program's own
// path), the installation root is a scratch folder on C:, and HKLM "SOFTWARE\Brelix" belongs to
// these tests in their prefix. Everything staged is removed before and after every test.
// Message boxes are scripted; everything else is the Win32 backend.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "install/deploy/config_keeper.h"
#include "install/deploy/unchanged_file.h"
#include "install/install_action.h"
#include "install/record/setup_folder.h"
#include "platform/memory/scripted_prompts.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_backend.h"
#include "platform/win32/win32_files.h"
#include "state/acad_inventory.h"
#include "state/install_options.h"
#include "tests/unit/install_test_support.h"
#include "tests/wine/platform_win32_test_support.h"

namespace {

using install_test::FakeInstallPage;
using install_test::kPageWindow;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr char kRecordKey[] = "SOFTWARE\\Brelix";
constexpr char kDoneText[] = "安装完成，重启AutoCAD即可使用 !";
constexpr char kMissingSourceText[] =
    "未找到安装所需的Data文件夹 !\n\n可能安装文件下载后没有解压，\n\n请解压后再执行SetUp.exe !";

std::string In(const std::string& folder, const std::string& name) {
    return folder + "\\" + name;
}

// ---- Inspection with the plain API ----

std::string ProgramFolder() {
    char path[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string text = path;
    return text.substr(0, text.rfind('\\'));
}

// Names in a folder without "." and "..", sorted bytewise (the file system's own order differs
// between Windows and Wine for Chinese names).
std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names = win32test::FolderNames(folder);
    std::sort(names.begin(), names.end());
    return names;
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

DWORD Attributes(const std::string& path) {
    return GetFileAttributesA(path.c_str());
}

// Both builds keep the record in the 32-bit view.
// The recorded product folder as raw REG_SZ bytes, or nullopt when there is none.
std::optional<std::string> RecordBytes() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRecordKey, 0, KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS)
        return std::nullopt;
    char data[1024] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    std::optional<std::string> result;
    if (RegQueryValueExA(key, "Brelix_Path", nullptr, &type, reinterpret_cast<BYTE*>(data), &size) ==
            ERROR_SUCCESS &&
        type == REG_SZ) {
        result = std::string(data, size);
    }
    RegCloseKey(key);
    return result;
}

void SetRecord(const std::string& folder, REGSAM view = KEY_WOW64_32KEY) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRecordKey, 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, "Brelix_Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                             static_cast<DWORD>(folder.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

void DeleteRecord() {
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kRecordKey, KEY_WOW64_32KEY, 0);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kRecordKey, KEY_WOW64_64KEY, 0);
}

void WriteFile(const std::string& path,
               const std::string& content,
               DWORD attributes = FILE_ATTRIBUTE_ARCHIVE) {
    ASSERT_TRUE(win32test::CreateFolderPath(path.substr(0, path.rfind('\\')))) << path;
    ASSERT_TRUE(win32test::WriteWholeFile(path, content)) << path;
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), attributes)) << path;
}

std::string Content(const std::string& path) {
    return win32test::ReadWholeFile(path).value_or("<missing>");
}

// A file opened without sharing, as a running AutoCAD holds its modules.
class HeldOpen {
  public:
    explicit HeldOpen(const std::string& path)
        : handle_(CreateFileA(path.c_str(),
                              GENERIC_READ | GENERIC_WRITE,
                              0,
                              nullptr,
                              OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL,
                              nullptr)) {}
    ~HeldOpen() { Release(); }
    HeldOpen(const HeldOpen&) = delete;
    HeldOpen& operator=(const HeldOpen&) = delete;
    bool held() const { return handle_ != INVALID_HANDLE_VALUE; }
    void Release() {
        if (held())
            CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

  private:
    HANDLE handle_;
};

// ---- Fixture ----

class InstallEngineWineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        scratch = "C:\\brelix-test-" + std::to_string(win32test::ProcessId());
        source = In(ProgramFolder(), "Data");
        CleanUp();
        ASSERT_TRUE(win32test::CreateFolderPath(scratch));
        prompts.active = kPageWindow;
        prompts.defaultAnswer = platform::kIdAbort;  // an unscripted copy question ends the walk

        // ".", "..", five files and the library folder: 8 entries, 9 passes.
        WriteFile(In(source, "Brelix2019.arx"), "module 2019", FILE_ATTRIBUTE_READONLY);
        WriteFile(In(source, "SetUp.exe"), "setup");
        WriteFile(In(source, "Brelix_EN.shx"), "font en");
        WriteFile(In(source, "brelix_hz.SHX"), "font hz");
        WriteFile(In(source, "帮助.chm"), "help");
        // ".", ".." and two files: 4 entries, 5 passes.
        WriteFile(In(In(source, "Brelix扩展绘图库"), "梁.SJY"), "beam");
        WriteFile(In(In(source, "Brelix扩展绘图库"), "柱.sjy"), "column");
    }

    void TearDown() override { CleanUp(); }

    void CleanUp() {
        win32test::DeleteFolderTree(source);
        win32test::DeleteFolderTree(scratch);
        if (auto setup = install::SetupFolder(backend.registry, backend.environment))
            win32test::DeleteFolderTree(*setup);
        DeleteRecord();
    }

    // Presses the install button on a new page for `root`, with every keep box ticked.
    FakeInstallPage& Press(const std::string& root) {
        pages.emplace_back(std::make_unique<FakeInstallPage>());
        FakeInstallPage& page = *pages.back();
        page.installPath = root;
        install::OnInstallButton(context, page);
        return page;
    }

    std::vector<std::string> ShownTexts() {
        std::vector<std::string> texts;
        for (const auto& shown : prompts.shown)
            texts.push_back(shown.text);
        return texts;
    }

    std::string scratch;
    std::string source;
    platform::win32::Win32Backend backend;
    platform::memory::ScriptedPrompts prompts;
    platform::Services services{backend.registry, backend.files, backend.processes, prompts,
                                backend.environment};
    state::InstallOptions options;
    state::AcadInventory inventory;
    state::InstallJournal journal;
    install::InstallContext context{services, options, inventory, journal};
    std::vector<std::unique_ptr<FakeInstallPage>> pages;
};

std::vector<std::string> Progress(int productPasses, int libraryPasses, bool backup) {
    std::vector<std::string> calls = {"range 0 50", "step 1", "pos 0"};
    calls.insert(calls.end(), (backup ? 1 : 0) + productPasses + libraryPasses + 4, "stepit");
    calls.push_back("pos 50");
    return calls;
}

// ---- Scenarios ----

TEST_F(InstallEngineWineTest, FreshInstallationIntoAChineseRootCopiesTheProductAndRecordsIt) {
    const std::string product = In(scratch + "\\工具", "Brelix结构工具箱");
    FakeInstallPage& page = Press(scratch + "\\工具\\");

    EXPECT_THAT(Listing(product), ElementsAre("Brelix2019.arx", "Brelix扩展绘图库", "temp", "帮助.chm"));
    // The uninstaller and the record below this build's Program Files, never in the product folder.
    char programFiles[MAX_PATH] = {};
    ASSERT_GT(ExpandEnvironmentStringsA("%ProgramFiles%", programFiles, MAX_PATH), 0u);
    EXPECT_THAT(Listing(std::string(programFiles) + "\\Brelix Setup"),
                ElementsAre("BrelixUser.exe", "Brelix安装记录.txt", "Uninstall.exe"));
    EXPECT_THAT(Listing(In(product, "Brelix扩展绘图库")), ElementsAre("梁.SJY", "柱.sjy"));
    EXPECT_THAT(Listing(In(product, "temp")), IsEmpty());
    EXPECT_EQ(Content(In(product, "Brelix2019.arx")), "module 2019");
    // The module came from a read-only source; the installed copy is writable.
    EXPECT_EQ(Attributes(In(product, "Brelix2019.arx")) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(RecordBytes(), product + '\0');
    EXPECT_EQ(inventory.targetRoot, scratch + "\\工具");
    EXPECT_EQ(page.progress.calls, Progress(9, 5, false));
    EXPECT_THAT(ShownTexts(), ElementsAre(kDoneText));
    EXPECT_THAT(page.calls, ElementsAre("read", "close"));
    EXPECT_EQ(options.installRoot, scratch + "\\工具") << "stored without its trailing backslash";
}

TEST_F(InstallEngineWineTest, ReinstallingIntoTheSameFolderKeepsTheUsersFiles) {
    WriteFile(In(source, "plate.cfg"), "shipped plate");
    const std::string product = In(scratch, "Brelix结构工具箱");
    Press(scratch);
    ASSERT_EQ(Content(In(product, "plate.cfg")), "shipped plate");

    // The user edits the settings and a drawing of the library.
    WriteFile(In(product, "plate.cfg"), "user's plate");
    WriteFile(In(In(product, "Brelix扩展绘图库"), "梁.SJY"), "user's beam");
    FakeInstallPage& second = Press(scratch);

    // Saved as PLATE.CFG and copied back onto the same file, which keeps its spelling.
    EXPECT_THAT(Listing(product),
                ElementsAre("Brelix2019.arx", "Brelix扩展绘图库", "plate.cfg", "temp", "帮助.chm"));
    EXPECT_EQ(Content(In(product, "plate.cfg")), "user's plate");
    EXPECT_EQ(Content(In(In(product, "Brelix扩展绘图库"), "梁.SJY")), "user's beam");
    EXPECT_EQ(Content(In(In(product, "Brelix扩展绘图库"), "柱.sjy")), "column");
    // The source was never written: the files were saved on this machine, and those save places are gone.
    EXPECT_THAT(Listing(source), ElementsAre("Brelix2019.arx", "Brelix_EN.shx", "Brelix扩展绘图库",
                                             "SetUp.exe", "brelix_hz.SHX", "plate.cfg", "帮助.chm"));
    const std::string setupFolder = *install::SetupFolder(backend.registry, backend.environment);
    for (const char* place : {"SetUp_Temp1", "SetUp_Temp2"})
        EXPECT_EQ(GetFileAttributesA(In(setupFolder, place).c_str()), INVALID_FILE_ATTRIBUTES) << place;
    // One step for the backup; the walk of the source is the first run's.
    EXPECT_EQ(second.progress.calls, Progress(10, 5, true));
    EXPECT_EQ(RecordBytes(), product + '\0');
}

TEST_F(InstallEngineWineTest, ChosenKindsMoveFromThePreviousFolderWhateverTheirLetterCase) {
    const std::string previous = In(scratch + "\\旧", "Brelix结构工具箱");
    WriteFile(In(previous, "a.cfg"), "user settings", FILE_ATTRIBUTE_READONLY);
    WriteFile(In(previous, "S.SEC"), "user sections");
    WriteFile(In(previous, "X.TXT"), "other");
    WriteFile(In(In(previous, "Brelix扩展绘图库"), "mine.sjy"), "user drawing");
    SetRecord(previous);

    pages.emplace_back(std::make_unique<FakeInstallPage>());
    FakeInstallPage& page = *pages.back();
    page.installPath = scratch + "\\新";
    page.keepSectionLibrary = 0;
    install::OnInstallButton(context, page);

    const std::string product = In(scratch + "\\新", "Brelix结构工具箱");
    EXPECT_THAT(Listing(product),
                ElementsAre("A.CFG", "Brelix2019.arx", "Brelix扩展绘图库", "temp", "帮助.chm"));
    EXPECT_EQ(Content(In(product, "A.CFG")), "user settings");
    EXPECT_EQ(Attributes(In(product, "A.CFG")) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_THAT(Listing(In(product, "Brelix扩展绘图库")), ElementsAre("MINE.SJY", "梁.SJY", "柱.sjy"));
    // The old folder is as it was: its files were only read.
    EXPECT_THAT(Listing(previous), ElementsAre("Brelix扩展绘图库", "S.SEC", "X.TXT", "a.cfg"));
    EXPECT_EQ(Attributes(In(previous, "a.cfg")) & FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(Content(In(previous, "a.cfg")), "user settings");
    EXPECT_EQ(RecordBytes(), product + '\0');
}

TEST_F(InstallEngineWineTest, OfferToKeepTheConfigurationFollowsTheRecordedFolder) {
    const std::string previous = In(scratch + "\\旧", "Brelix结构工具箱");
    WriteFile(In(previous, "S.SEC"), "sections only");
    SetRecord(previous);
    install::ConfigKeeper withoutSettings(services, scratch);
    EXPECT_FALSE(withoutSettings.HasPreviousConfig());

    WriteFile(In(previous, "plate.cfg.bak"), "settings");
    install::ConfigKeeper withSettings(services, scratch);
    EXPECT_TRUE(withSettings.HasPreviousConfig());
    EXPECT_EQ(withSettings.PreviousFolder(), previous);
}

TEST_F(InstallEngineWineTest, MissingSourceShowsTheMessageAndCreatesNothing) {
    win32test::DeleteFolderTree(source);
    FakeInstallPage& page = Press(scratch + "\\工具");

    EXPECT_THAT(ShownTexts(), ElementsAre(kMissingSourceText));
    EXPECT_EQ(prompts.shown[0].caption, "Brelix软件安装");
    EXPECT_FALSE(Exists(scratch + "\\工具"));
    EXPECT_EQ(RecordBytes(), std::nullopt);
    EXPECT_THAT(page.progress.calls, IsEmpty());
    EXPECT_THAT(page.calls, ElementsAre("read"));
}

TEST_F(InstallEngineWineTest, AbortWhileAFileIsInUseLeavesTheFolderAsItWasAndKeepsTheOldRecord) {
    const std::string previous = In(scratch + "\\旧", "Brelix结构工具箱");
    WriteFile(In(previous, "USER.CFG"), "user settings");
    SetRecord(previous);
    const std::string product = In(scratch, "Brelix结构工具箱");
    WriteFile(In(product, "帮助.chm"), "open in a viewer");
    HeldOpen inUse(In(product, "帮助.chm"));
    ASSERT_TRUE(inUse.held());
    prompts.answers = {platform::kIdAbort};

    FakeInstallPage& page = Press(scratch);
    inUse.Release();

    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[0].style, platform::kMbAbortRetryIgnore);
    EXPECT_THAT(prompts.shown[0].text, ::testing::HasSubstr(In(product, "帮助.chm")));
    EXPECT_THAT(prompts.shown[1].text, ::testing::HasSubstr("没有做任何更改"));
    EXPECT_THAT(page.calls, ElementsAre("read", "cancel"));
    // The kept settings and the product files staged before the question are gone again.
    EXPECT_THAT(Listing(product), ElementsAre("帮助.chm"));
    EXPECT_EQ(Content(In(product, "帮助.chm")), "open in a viewer");
    EXPECT_EQ(RecordBytes(), previous + '\0');
    EXPECT_EQ(inventory.targetRoot, "");
}

TEST_F(InstallEngineWineTest, RetryAfterTheFileIsReleasedCopiesItAndFinishes) {
    const std::string product = In(scratch, "Brelix结构工具箱");
    WriteFile(In(product, "Brelix2019.arx"), "module loaded by AutoCAD");
    HeldOpen inUse(In(product, "Brelix2019.arx"));
    ASSERT_TRUE(inUse.held());
    prompts.answers = {platform::kIdRetry};
    prompts.onShow = [&](const platform::memory::ShownPrompt&) { inUse.Release(); };

    FakeInstallPage& page = Press(scratch);

    EXPECT_EQ(prompts.shown.size(), 2u);  // the copy question, then the completion message
    EXPECT_EQ(Content(In(product, "Brelix2019.arx")), "module 2019");
    EXPECT_THAT(page.calls, ElementsAre("read", "close"));
    EXPECT_EQ(RecordBytes(), product + '\0');
}

// A file's creation time: on Windows a copy's is the moment of copying, unlike its time of last write.
std::optional<std::pair<std::uint64_t, std::uint64_t>> CreatedAndWritten(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    FILETIME created{}, written{};
    const bool read = file != INVALID_HANDLE_VALUE && GetFileTime(file, &created, nullptr, &written);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    if (!read)
        return std::nullopt;
    const auto value = [](FILETIME time) {
        return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return std::make_pair(value(created), value(written));
}

// Sets the creation time and the time of last write of `path` (0: left as it is).
bool SetTimes(const std::string& path, std::uint64_t created, std::uint64_t written) {
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    const FILETIME creation{static_cast<DWORD>(created), static_cast<DWORD>(created >> 32)};
    const FILETIME write{static_cast<DWORD>(written), static_cast<DWORD>(written >> 32)};
    const bool set = file != INVALID_HANDLE_VALUE &&
                     SetFileTime(file, created ? &creation : nullptr, nullptr, written ? &write : nullptr);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return set;
}

// Windows keeps a creation time of its own: a copy's is the moment of copying. Wine on this file system
// keeps none and gives the time of last write for both. The listing gives the time of last write, so an
// installed file whose creation time is not its source's is still taken for what its copy would be: a
// repair leaves it (its times show it was not written again).
TEST_F(InstallEngineWineTest, TheRepairSkipComparesTimesOfLastWriteNotOfCreation) {
    WIN32_FIND_DATAA found{};
    found.ftCreationTime = {1, 2};
    found.ftLastAccessTime = {3, 4};
    found.ftLastWriteTime = {5, 6};
    EXPECT_EQ(platform::win32::EntryOf(found).lastWrite, (6ull << 32) | 5);

    const std::string product = In(scratch, "Brelix结构工具箱");
    Press(scratch);
    const std::string installed = In(product, "帮助.chm");
    const std::string shippedPath = In(source, "帮助.chm");
    const auto before = CreatedAndWritten(installed);
    ASSERT_TRUE(before);
    // A day back for both; the copy created an hour after its source, where the system keeps that.
    const std::uint64_t written = before->second - 864000000000ull;
    ASSERT_TRUE(SetTimes(shippedPath, 0, written));
    ASSERT_TRUE(SetTimes(installed, before->first + 36000000000ull, written));
    const auto times = CreatedAndWritten(installed);
    ASSERT_TRUE(times);
    ASSERT_EQ(times->second, written);

    platform::DirEntry listed, shipped;
    ASSERT_TRUE(backend.files.FindFirst(installed, listed));
    ASSERT_TRUE(backend.files.FindFirst(shippedPath, shipped));
    EXPECT_EQ(listed.lastWrite, written);
    EXPECT_EQ(shipped.lastWrite, written);
    const auto opened = backend.files.OpenToRead(shippedPath);
    ASSERT_TRUE(opened);
    platform::ContentCheck content;
    EXPECT_TRUE(install::IsAlreadyInstalled(backend.files, *opened, shipped, product, listed, content));
    EXPECT_EQ(content.size, 4u);

    prompts.shown.clear();
    Press(scratch);
    EXPECT_THAT(ShownTexts(), ElementsAre(kDoneText));
    EXPECT_EQ(Content(installed), "help");
    EXPECT_EQ(CreatedAndWritten(installed), times) << "the repair wrote the file again";
}

}  // namespace
