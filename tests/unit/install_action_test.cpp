// The install button: the whole installation in its order, as the path page sees it.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "install/install_action.h"
#include "install_test_support.h"
#include "readable_names.h"
#include "state/acad_inventory.h"
#include "state/install_options.h"

namespace {

using namespace install_test;
using install::InstallContext;
using install::InstallProduct;
using install::OnInstallButton;
using platform::memory::StoredValue;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr char kProduct[] = "D:\\Tools\\Brelix结构工具箱";
constexpr char kPrevious[] = "E:\\Old\\Brelix结构工具箱";
constexpr char kAcadFolder[] = "C:\\Program Files\\Autodesk\\AutoCAD 2020";
constexpr char kAcadKey[] = "SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804\\";
constexpr char kEntryKey[] = "SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804\\Applications\\Brelix2020";
constexpr char kDoneText[] = "安装完成，重启AutoCAD即可使用 !";
constexpr char kCloseAcadText[] = "请关闭AutoCAD后再进行安装 !";

std::string In(const std::string& folder, const std::string& name) {
    return folder + "\\" + name;
}

std::vector<std::string> Start() {
    return {"range 0 50", "step 1", "pos 0"};
}

class InstallActionTest : public ::testing::Test {
  protected:
    InstallActionTest() {
        StageProgram(backend);
        // A copy question nobody scripted must end the walk, not retry for ever.
        backend.prompts.defaultAnswer = platform::kIdAbort;
        // Source: ".", "..", 5 files and the library folder = 8 entries, so 9 passes.
        for (const char* name :
             {"Brelix2019.arx", "SetUp.exe", "Brelix_EN.shx", "Brelix_HZ.shx", "HELP.CHM"}) {
            backend.files.AddFile(In(kSource, name), name);
        }
        // Library: ".", "..", 1 file = 3 entries, so 4 passes.
        backend.files.AddFile(In(In(kSource, "Brelix扩展绘图库"), "梁.SJY"), "beam");
        backend.files.AddDrive("D:");
        backend.files.AddDrive("E:");

        // One AutoCAD 2020 found by discovery.
        const int k = *state::ReleaseIndexOfYear(2020);
        inventory.acadLocations[k] = {kAcadFolder};
        inventory.acadKeys[k] = {kAcadKey};
        backend.registry.CreateKey(RootKey::LocalMachine, kAcadKey);
        backend.files.AddFolder(In(kAcadFolder, "Fonts"));

        // What the page holds; different from the options so that storing them shows.
        page.installPath = "D:\\Tools";
        page.keepConfig = 0;
        page.keepSettings = 1;
        page.keepSectionLibrary = 0;
        page.keepDrawingLibrary = 1;
    }

    void StagePreviousInstallation() {
        backend.registry.SetString(RootKey::LocalMachine, kRecordKey, kRecordValue, kPrevious);
        backend.files.AddFile(In(kPrevious, "USER.CFG"), "user settings");
        backend.files.AddFile(In(kPrevious, "USER.SEC"), "user sections");
        backend.files.AddFile(In(In(kPrevious, "Brelix扩展绘图库"), "MINE.SJY"), "user drawing");
    }

    std::string Record() {
        auto value = backend.registry.GetValue(RootKey::LocalMachine, kRecordKey, kRecordValue);
        return value ? value->Text() : "<none>";
    }

    bool Registered() { return backend.registry.KeyExists(RootKey::LocalMachine, kEntryKey); }

    MemoryBackend backend;
    platform::Services services = backend.services();
    state::InstallOptions options;
    state::AcadInventory inventory;
    state::InstallJournal journal;
    InstallContext context{services, options, inventory, journal};
    FakeInstallPage page;
};

// ---- Success -----------------------------------------------------------------------------

TEST_F(InstallActionTest, FreshInstallationRunsEveryStepInOrder) {
    OnInstallButton(context, page);

    EXPECT_EQ(page.progress.calls, Concat({Start(), Steps(9), Steps(4), Steps(4), {"pos 50"}}));
    EXPECT_THAT(backend.files.List(kProduct),
                ElementsAre("Brelix2019.arx", "Brelix扩展绘图库", "HELP.CHM", "temp"));
    EXPECT_THAT(backend.files.List(kSetupFolder),
                ElementsAre("BrelixUser.exe", "Brelix安装记录.txt", "Uninstall.exe"));
    EXPECT_THAT(backend.files.List(In(kProduct, "Brelix扩展绘图库")), ElementsAre("梁.SJY"));
    EXPECT_THAT(backend.files.List(In(kAcadFolder, "Fonts")), ElementsAre("Brelix_EN.shx", "Brelix_HZ.shx"));
    EXPECT_EQ(inventory.targetRoot, "D:\\Tools");
    EXPECT_EQ(
        backend.registry.GetValue(RootKey::LocalMachine, kEntryKey, "LOADER"),
        (StoredValue{platform::kRegSz, std::string("D:\\Tools\\Brelix结构工具箱\\BRELIX2019.ARX") + '\0'}));
    EXPECT_EQ(Record(), kProduct);

    ASSERT_EQ(backend.prompts.shown.size(), 1u);
    EXPECT_EQ(backend.prompts.shown[0].owner, kPageWindow);
    EXPECT_EQ(backend.prompts.shown[0].text, kDoneText);
    EXPECT_EQ(backend.prompts.shown[0].caption, "Brelix安装");
    EXPECT_EQ(backend.prompts.shown[0].style, platform::kMbOk);
    EXPECT_THAT(page.calls, ElementsAre("read", "close"));

    EXPECT_EQ(options.installRoot, "D:\\Tools");
    EXPECT_EQ(options.keepConfig, 0);
    EXPECT_EQ(options.keepSettings, 1);
    EXPECT_EQ(options.keepSectionLibrary, 0);
    EXPECT_EQ(options.keepDrawingLibrary, 1);
    EXPECT_TRUE(options.acadCheckPending);  // only a warning clears it
}

TEST_F(InstallActionTest, PreviousInstallationIsBackedUpWithOneMoreStepAndRestored) {
    StagePreviousInstallation();
    OnInstallButton(context, page);

    // The source is walked as shipped: the backup saved on this machine, not beside it.
    EXPECT_EQ(page.progress.calls, Concat({Start(), Steps(1), Steps(9), Steps(4), Steps(4), {"pos 50"}}));
    // Settings and drawings were kept, sections were not.
    EXPECT_THAT(backend.files.List(kProduct),
                ElementsAre("Brelix2019.arx", "Brelix扩展绘图库", "HELP.CHM", "temp", "USER.CFG"));
    EXPECT_EQ(backend.files.ReadFile(In(kProduct, "USER.CFG")), "user settings");
    EXPECT_THAT(backend.files.List(In(kProduct, "Brelix扩展绘图库")), ElementsAre("MINE.SJY", "梁.SJY"));
    EXPECT_THAT(backend.files.List(kSource), ElementsAre("Brelix2019.arx", "Brelix_EN.shx", "Brelix_HZ.shx",
                                                         "Brelix扩展绘图库", "HELP.CHM", "SetUp.exe"));
    EXPECT_EQ(Record(), kProduct);
    EXPECT_THAT(page.calls, ElementsAre("read", "close"));
    // The save places are gone; what the uninstall needs stays.
    EXPECT_THAT(backend.files.List(kSetupFolder),
                ElementsAre("BrelixUser.exe", "Brelix安装记录.txt", "Uninstall.exe"));
}

TEST_F(InstallActionTest, ReinstallingOverTheSameFolderKeepsTheUsersSettings) {
    backend.registry.SetString(RootKey::LocalMachine, kRecordKey, kRecordValue, kProduct);
    backend.files.AddFile(In(kSource, "DEFAULT.CFG"), "shipped defaults");
    backend.files.AddFile(In(kProduct, "default.cfg"), "user's own");
    OnInstallButton(context, page);
    EXPECT_EQ(backend.files.ReadFile(In(kProduct, "default.cfg")), "user's own");
    EXPECT_FALSE(backend.files.Exists(In(kSource, "SetUp_Temp1")));
}

TEST_F(InstallActionTest, ReinstallingFromAReadOnlyMediumStillKeepsTheUsersSettings) {
    backend.registry.SetString(RootKey::LocalMachine, kRecordKey, kRecordValue, kProduct);
    backend.files.AddFile(In(kSource, "DEFAULT.CFG"), "shipped defaults");
    backend.files.AddFile(In(kProduct, "default.cfg"), "user's own");
    backend.files.AddFolder("C:\\Temp");
    backend.files.SetTempDirectory("C:\\Temp");
    backend.failures.Fail(platform::memory::Operation::CreateDirectory, In(kSource, "SetUp_Temp1"));
    backend.failures.Fail(platform::memory::Operation::CreateDirectory, In(kSource, "SetUp_Temp2"));

    OnInstallButton(context, page);
    EXPECT_EQ(backend.files.ReadFile(In(kProduct, "default.cfg")), "user's own");
    EXPECT_THAT(backend.files.List("C:\\Temp"), IsEmpty());
    EXPECT_THAT(page.calls, ElementsAre("read", "close"));
}

struct RootCase {
    const char* root;
    const char* product;
    const char* targetRoot;
    const char* stored;
};

class InstallRootTest : public InstallActionTest, public ::testing::WithParamInterface<RootCase> {};

TEST_P(InstallRootTest, RootIsStoredAndUsedWithoutTrailingBackslashes) {
    page.installPath = GetParam().root;
    OnInstallButton(context, page);
    EXPECT_THAT(backend.files.List(GetParam().product),
                ElementsAre("Brelix2019.arx", "Brelix扩展绘图库", "HELP.CHM", "temp"));
    EXPECT_EQ(inventory.targetRoot, GetParam().targetRoot);
    EXPECT_EQ(Record(), GetParam().product);
    EXPECT_EQ(backend.registry.GetValue(RootKey::LocalMachine, kEntryKey, "LOADER")->Text(),
              std::string(GetParam().product) + "\\BRELIX2019.ARX");
    EXPECT_EQ(options.installRoot, GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(
    Roots,
    InstallRootTest,
    ::testing::Values(RootCase{"D:\\", "D:\\Brelix结构工具箱", "D:", "D:\\"},
                      RootCase{"D:\\\\\\", "D:\\Brelix结构工具箱", "D:", "D:\\"},
                      RootCase{"D:\\Tools\\", "D:\\Tools\\Brelix结构工具箱", "D:\\Tools", "D:\\Tools"},
                      // As a deployment tool quotes a root that ends in "\".
                      RootCase{"D:\\CAD Tools\\\\", "D:\\CAD Tools\\Brelix结构工具箱", "D:\\CAD Tools",
                               "D:\\CAD Tools"},
                      RootCase{"D:\\工具", "D:\\工具\\Brelix结构工具箱", "D:\\工具", "D:\\工具"}),
    readable_names::By(&RootCase::root));

TEST_F(InstallActionTest, ManyEntriesAreAllDeployedWhileTheBarStopsFull) {
    for (int i = 0; i < 60; ++i)
        backend.files.AddFile(In(kSource, NumberedName("P", i)), "x");
    OnInstallButton(context, page);
    // 69 passes of the walk and 8 more steps: the bar takes 50 of them and never wraps.
    EXPECT_EQ(page.progress.calls, Concat({Start(), Steps(50), {"pos 50"}}));
    EXPECT_EQ(page.progress.position, 50);
    EXPECT_EQ(backend.files.List(kProduct).size(), 64u);
    EXPECT_EQ(backend.prompts.shown.back().text, kDoneText);
}

TEST_F(InstallActionTest, IgnoredFileStillInstallsAndRecordsButEndsWithTheProblem) {
    backend.files.AddFile(In(kProduct, "HELP.CHM"), "in use");
    backend.files.Lock(In(kProduct, "HELP.CHM"));
    backend.prompts.defaultAnswer = platform::kIdIgnore;
    // The system's own words for the failure go beside ours.
    backend.environment.lastError = {32, "另一个程序正在使用此文件，进程无法访问。"};
    OnInstallButton(context, page);

    ASSERT_EQ(backend.prompts.shown.size(), 2u);
    EXPECT_EQ(backend.prompts.shown[0].style, platform::kMbAbortRetryIgnore);
    EXPECT_EQ(
        backend.prompts.shown[1].text,
        "安装已结束，但以下各项没有完成：\n\n已跳过无法复制的文件 " + In(kProduct, "HELP.CHM") +
            "（文件正在使用）（错误 "
            "32：另一个程序正在使用此文件，进程无法访问。），它保持原有的版本\n\n请排除上述问题后重新安装。");
    EXPECT_EQ(backend.prompts.shown[1].caption, "Brelix安装");
    EXPECT_TRUE(Registered());
    EXPECT_EQ(Record(), kProduct);
    EXPECT_EQ(journal.Outcome(), state::InstallOutcome::InstalledWithProblems);
    EXPECT_THAT(page.calls, ElementsAre("read", "close"));
}

TEST_F(InstallActionTest, RegistryRecordThatCannotBeWrittenDoesNotStopTheInstallation) {
    backend.failures.Fail(platform::memory::Operation::WriteValue, "HKLM\\SOFTWARE\\Brelix");
    OnInstallButton(context, page);
    EXPECT_EQ(Record(), "<none>");
    EXPECT_THAT(page.calls, ElementsAre("read", "close"));
}

// ---- Running AutoCAD ---------------------------------------------------------------------

TEST_F(InstallActionTest, RunningAutoCadIsWarnedAboutOnceThenTheInstallationGoesOn) {
    backend.processes.names = {"System", "ACAD.EXE"};
    const std::string filesBefore = backend.files.Dump();
    const std::string registryBefore = backend.registry.Dump();

    OnInstallButton(context, page);
    ASSERT_EQ(backend.prompts.shown.size(), 1u);
    EXPECT_EQ(backend.prompts.shown[0].owner, kPageWindow);
    EXPECT_EQ(backend.prompts.shown[0].text, kCloseAcadText);
    EXPECT_EQ(backend.prompts.shown[0].caption, "Brelix软件安装");
    EXPECT_EQ(backend.prompts.shown[0].style, platform::kMbOk);
    EXPECT_THAT(page.calls, IsEmpty());
    EXPECT_THAT(page.progress.calls, IsEmpty());
    EXPECT_EQ(backend.files.Dump(), filesBefore);
    EXPECT_EQ(backend.registry.Dump(), registryBefore);
    EXPECT_FALSE(options.acadCheckPending);

    OnInstallButton(context, page);  // AutoCAD still runs
    ASSERT_EQ(backend.prompts.shown.size(), 2u);
    EXPECT_EQ(backend.prompts.shown[1].text, kDoneText);
    EXPECT_THAT(page.calls, ElementsAre("read", "close"));
    EXPECT_EQ(Record(), kProduct);
}

TEST_F(InstallActionTest, WarningIsNotRepeatedInALaterPageOfTheSameRun) {
    options.acadCheckPending = false;
    backend.processes.names = {"acad.exe"};
    OnInstallButton(context, page);
    ASSERT_EQ(backend.prompts.shown.size(), 1u);
    EXPECT_EQ(backend.prompts.shown[0].text, kDoneText);
}

// ---- Not started -------------------------------------------------------------------------

TEST_F(InstallActionTest, MissingSourceLeavesThePageOpenAndChangesNothing) {
    MemoryBackend bare;
    StageProgram(bare);
    bare.files.AddDrive("D:");
    auto bareServices = bare.services();
    InstallContext bareContext{bareServices, options, inventory, journal};
    const std::string filesBefore = bare.files.Dump();
    const std::string registryBefore = bare.registry.Dump();

    OnInstallButton(bareContext, page);
    OnInstallButton(bareContext, page);  // the user may press again; the message comes again

    ASSERT_EQ(bare.prompts.shown.size(), 2u);
    EXPECT_EQ(bare.prompts.shown[0].caption, "Brelix软件安装");
    EXPECT_EQ(bare.prompts.shown[1].caption, "Brelix软件安装");
    EXPECT_THAT(page.calls, ElementsAre("read", "read"));
    EXPECT_THAT(page.progress.calls, IsEmpty());
    EXPECT_EQ(bare.files.Dump(), filesBefore);
    EXPECT_EQ(bare.registry.Dump(), registryBefore);
    EXPECT_EQ(options.installRoot, state::kDefaultInstallRoot);
    EXPECT_EQ(inventory.targetRoot, "");
}

TEST_F(InstallActionTest, EmptyRootIsRejectedWithThePageLeftOpen) {
    StagePreviousInstallation();
    page.installPath = "";
    const std::string filesBefore = backend.files.Dump();
    const std::string registryBefore = backend.registry.Dump();

    EXPECT_FALSE(InstallProduct(context, page));
    OnInstallButton(context, page);

    EXPECT_EQ(backend.prompts.shown.size(), 2u);
    EXPECT_EQ(journal.Outcome(), state::InstallOutcome::InvalidRoot);
    EXPECT_THAT(page.calls, ElementsAre("read"));
    EXPECT_THAT(page.progress.calls, IsEmpty());
    EXPECT_EQ(backend.files.Dump(), filesBefore);
    EXPECT_EQ(backend.registry.Dump(), registryBefore);
    EXPECT_EQ(options.installRoot, state::kDefaultInstallRoot);
}

// ---- Abort -------------------------------------------------------------------------------

TEST_F(InstallActionTest, AbortPutsEveryFileBackAndEndsWithoutRegistering) {
    StagePreviousInstallation();
    backend.files.AddFile(In(kProduct, "HELP.CHM"), "in use");
    backend.files.Lock(In(kProduct, "HELP.CHM"));
    backend.prompts.answers = {platform::kIdAbort};
    const std::string filesBefore = backend.files.Dump();
    const std::string registryBefore = backend.registry.Dump();

    EXPECT_FALSE(InstallProduct(context, page));

    // ".", "..", Brelix2019.arx, Brelix_EN.shx, Brelix_HZ.shx, the library folder, HELP.CHM; then
    // the bar goes back to the start.
    EXPECT_EQ(page.progress.calls, Concat({Start(), Steps(1), Steps(7), {"pos 0"}}));
    // The kept files copied from the previous folder, the staged product files and the folders
    // this run made are gone: the disk and the registry are as they were.
    EXPECT_EQ(backend.files.Dump(), filesBefore);
    EXPECT_EQ(backend.registry.Dump(), registryBefore);  // nothing registered, old record kept
    EXPECT_EQ(Record(), kPrevious);
    EXPECT_EQ(inventory.targetRoot, "");
    ASSERT_EQ(backend.prompts.shown.size(), 2u);
    EXPECT_EQ(backend.prompts.shown[0].style, platform::kMbAbortRetryIgnore);
    EXPECT_EQ(backend.prompts.shown[1].text, "安装已中止。\n\n已恢复原有的文件，没有做任何更改。");
    EXPECT_THAT(page.calls, ElementsAre("cancel"));
}

TEST_F(InstallActionTest, AbortFromTheButtonEndsTheWizardWithoutStoringThePage) {
    backend.files.AddFile(In(kProduct, "Brelix2019.arx"), "in use");
    backend.files.Lock(In(kProduct, "Brelix2019.arx"));
    backend.prompts.answers = {platform::kIdAbort};

    OnInstallButton(context, page);

    EXPECT_THAT(page.calls, ElementsAre("read", "cancel"));
    EXPECT_EQ(backend.prompts.shown.size(), 2u);  // the question and the abort, no completion message
    EXPECT_EQ(options.installRoot, state::kDefaultInstallRoot);
    EXPECT_EQ(options.keepConfig, 1);
    EXPECT_EQ(Record(), "<none>");
    EXPECT_FALSE(Registered());
}

}  // namespace
