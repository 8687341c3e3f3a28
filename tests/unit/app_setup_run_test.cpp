// SetUp.exe's command line as a whole on a staged in-memory machine: what a silent run leaves in
// the registry and on the disk, its exit code and its log; the help box; the wizard's exit code;
// and BrelixUser.exe's per-user run.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/install_choices.h"
#include "app/setup_run.h"
#include "app/user_run.h"
#include "platform/memory/headless_dialog_host.h"
#include "platform/memory/memory_backend.h"
#include "platform/memory/memory_log.h"
#include "platform/memory/scripted_folder_browser.h"
#include "state/exit_codes.h"
#include "ui/dialog_templates.h"

namespace {

using platform::RootKey;
using platform::memory::MemoryLog;
using platform::memory::Operation;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr char kAcadRoot[] = "SOFTWARE\\Autodesk\\AutoCAD";
constexpr char kKey2009[] = "SOFTWARE\\Autodesk\\AutoCAD\\R17.2\\ACAD-7001:804";
constexpr char kKey2010[] = "SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804";
constexpr char kProfile[] = "SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804\\Profiles\\默认\\Variables";
constexpr char kActiveSetup[] = "SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\Brelix结构工具箱";
constexpr char kRecordKey[] = "SOFTWARE\\Brelix";
constexpr char kProduct[] = "C:\\Brelix\\Brelix结构工具箱";

class SetUpRunTest : public ::testing::Test {
  protected:
    SetUpRunTest() {
        backend.files.SetProgramPath("C:\\Setup\\SetUp.exe");
        backend.files.AddFile("C:\\Setup\\SetUp.exe", "setup program");
        for (const char* name : {"Brelix2008.arx", "Brelix2010.arx", "Brelix_EN.shx", "Brelix_HZ.shx"})
            backend.files.AddFile(std::string("C:\\Setup\\Data\\") + name, name);
        AddAcad(kKey2009, "C:\\AutoCAD 2009", "AutoCAD 2009");
        AddAcad(kKey2010, "C:\\AutoCAD 2010", "AutoCAD 2010");
        backend.registry.SetString(RootKey::CurrentUser, kProfile, "TRUSTEDPATHS", "");
        backend.files.AddCarriedFile("BRELIXUSER", "MZ user program");
    }

    void AddAcad(const char* key, const std::string& folder, const char* product) {
        backend.registry.SetString(RootKey::LocalMachine, key, "AcadLocation", folder);
        backend.registry.SetString(RootKey::LocalMachine, key, "ProductName", product);
        backend.files.AddFolder(folder + "\\Fonts");
    }

    int Run(const std::string& arguments) {
        app::SetUpPlatform setUp{backend.services(), dialogs, folderBrowser,
                                 [this](const std::string& path) -> std::unique_ptr<platform::LogSink> {
                                     logPath = path;
                                     return std::make_unique<LogView>(log);
                                 }};
        return app::RunSetUp(arguments, setUp);
    }

    // Years whose demand-load entry exists.
    std::vector<int> Registered() {
        std::vector<int> years;
        for (auto [year, key] : {std::pair{2009, kKey2009}, std::pair{2010, kKey2010}}) {
            if (backend.registry.KeyExists(
                    RootKey::LocalMachine,
                    std::string(key) + "\\Applications\\Brelix" + std::to_string(year)))
                years.push_back(year);
        }
        return years;
    }
    bool Recorded() { return backend.registry.KeyExists(RootKey::LocalMachine, kRecordKey); }
    std::string TrustedPaths() {
        auto value = backend.registry.GetValue(RootKey::CurrentUser, kProfile, "TRUSTEDPATHS");
        return value ? value->Text() : "<none>";
    }

    // Hands the lines to the test's log, which outlives every run.
    struct LogView : platform::LogSink {
        explicit LogView(MemoryLog& target) : log(target) {}
        bool WriteLine(const std::string& text) override { return log.WriteLine(text); }
        MemoryLog& log;
    };

    platform::memory::MemoryBackend backend;
    platform::memory::HeadlessDialogRunner dialogs{ui::FindDialogTemplate};
    platform::memory::ScriptedFolderBrowser folderBrowser;
    MemoryLog log;
    std::string logPath;
};

struct SilentCase {
    const char* title;
    const char* arguments;
    void (*stage)(platform::memory::MemoryBackend&);
    int exitCode;
    std::vector<int> registered;  // the product folder and the record exist exactly when not empty
};

void Nothing(platform::memory::MemoryBackend&) {}
void AcadRunning(platform::memory::MemoryBackend& b) {
    b.processes.names.push_back("acad.exe");
}
void NoData(platform::memory::MemoryBackend& b) {
    b.files.SetProgramPath("C:\\Elsewhere\\SetUp.exe");
}
void NoAcad(platform::memory::MemoryBackend& b) {
    b.failures.Fail(Operation::OpenKey, std::string("HKLM\\") + kAcadRoot);
}

class SilentRunTest : public SetUpRunTest, public ::testing::WithParamInterface<SilentCase> {};

TEST_P(SilentRunTest, EndsWithItsExitCodeShowsNothingAndLogsIt) {
    const SilentCase& c = GetParam();
    c.stage(backend);
    EXPECT_EQ(Run(c.arguments), c.exitCode);
    EXPECT_EQ(Registered(), c.registered);
    EXPECT_EQ(Recorded(), !c.registered.empty());
    EXPECT_EQ(backend.files.Exists(std::string(kProduct) + "\\Brelix2010.arx"), !c.registered.empty());
    EXPECT_THAT(backend.prompts.shown, IsEmpty()) << "a silent run shows no box";
    ASSERT_FALSE(log.lines.empty());
    EXPECT_EQ(log.lines.front(), std::string("命令行：") + c.arguments);
    EXPECT_EQ(log.lines.back(), "退出代码：" + std::to_string(c.exitCode));
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes,
    SilentRunTest,
    ::testing::Values(
        SilentCase{"defaults", "/S /LOG=C:\\i.log", Nothing, 0, {2009, 2010}},
        SilentCase{"all", "/S /RELEASES=ALL /LOG=C:\\i.log", Nothing, 0, {2009, 2010}},
        SilentCase{"one", "/S /RELEASES=2010 /LOG=C:\\i.log", Nothing, 0, {2010}},
        SilentCase{"not found", "/S /RELEASES=2010,2012 /LOG=C:\\i.log", Nothing, 2, {}},
        SilentCase{"not shown by a 32-bit build", "/S /RELEASES=2020 /LOG=C:\\i.log", Nothing, 2, {}},
        SilentCase{"never shown", "/S /RELEASES=2000 /LOG=C:\\i.log", Nothing, 2, {}},
        SilentCase{"unknown switch", "/S /QUIET /LOG=C:\\i.log", Nothing, 2, {}},
        SilentCase{"no Data", "/S /LOG=C:\\i.log", NoData, 3, {}},
        SilentCase{"AutoCAD running", "/S /LOG=C:\\i.log", AcadRunning, 4, {}},
        SilentCase{"no AutoCAD", "/S /LOG=C:\\i.log", NoAcad, 5, {}},
        SilentCase{"no AutoCAD, all asked for", "/S /RELEASES=ALL /LOG=C:\\i.log", NoAcad, 5, {}}),
    [](const auto& info) {
        std::string name;
        for (const char* p = info.param.title; *p; ++p)
            name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return name;
    });

TEST_F(SetUpRunTest, SilentRunLogsWhatItFoundAndChose) {
    backend.files.AddDrive("D:");
    ASSERT_EQ(Run("/S \"/D=D:\\CAD Tools\" /RELEASES=2009 /LOG=C:\\i.log"), state::kExitInstalled);
    EXPECT_EQ(logPath, "C:\\i.log");
    EXPECT_TRUE(log.Mentions("Brelix结构工具箱 V2024.3.27"));
    EXPECT_TRUE(log.Mentions("找到 AutoCAD 2009：注册表键 HKLM\\" + std::string(kKey2009) +
                             "\\，位置 C:\\AutoCAD 2009"));
    EXPECT_TRUE(log.Mentions("找到 AutoCAD 2010："));
    EXPECT_TRUE(log.Mentions("选择的版本：2009"));
    EXPECT_TRUE(log.Mentions("安装路径：D:\\CAD Tools"));
    EXPECT_TRUE(backend.files.Exists("D:\\CAD Tools\\Brelix结构工具箱\\Brelix2008.arx"));
}

// The wrong package on a 64-bit Windows: only AutoCAD that the other build serves. The silent run
// names it in the log and ends with 5, changing nothing.
TEST_F(SetUpRunTest, SilentRunWithTheWrongPackageSaysWhichOneServesAndEndsWith5) {
    backend.registry.SetSystemBitness(64);
    backend.registry.SetProgramBitness(state::kBuildBitness);
    const std::string other = state::kBuildBitness == 32 ? "64" : "32";
    if (state::kBuildBitness != 32) {
        // The staged releases become 32-bit ones: out of the 64-bit view, into the 32-bit node.
        backend.failures.Fail(Operation::OpenKey, std::string("HKLM\\") + kAcadRoot);
        AddAcad("SOFTWARE\\Wow6432Node\\Autodesk\\AutoCAD\\R18.2\\ACAD-A001:804", "C:\\AutoCAD 2012",
                "AutoCAD 2012");
    }
    EXPECT_EQ(Run("/S /LOG=C:\\i.log"), state::kExitNoRelease);
    EXPECT_TRUE(log.Mentions("需要 " + other + " 位安装程序：注册表键 HKLM\\SOFTWARE\\"));
    EXPECT_TRUE(log.Mentions("可安装的 AutoCAD 版本；找到的 AutoCAD 20"));
    EXPECT_EQ(log.lines.back(), "退出代码：5");
    EXPECT_THAT(Registered(), IsEmpty());
    EXPECT_FALSE(Recorded());
}

TEST_F(SetUpRunTest, LocalSystemLeavesTheUserStepsToActiveSetup) {
    backend.processes.localSystem = true;
    ASSERT_EQ(Run("/S /LOG=C:\\i.log"), state::kExitInstalled);
    EXPECT_EQ(backend.files.ReadFile(std::string(kProduct) + "\\BrelixUser.exe"), "MZ user program");
    auto stub = backend.registry.GetValue(RootKey::LocalMachine, kActiveSetup, "StubPath");
    auto version = backend.registry.GetValue(RootKey::LocalMachine, kActiveSetup, "Version");
    auto installed = backend.registry.GetValue(RootKey::LocalMachine, kActiveSetup, "IsInstalled");
    ASSERT_TRUE(stub && version && installed);
    EXPECT_EQ(stub->Text(), "\"" + std::string(kProduct) + "\\BrelixUser.exe\"");
    EXPECT_EQ(version->Text(), "2024,3,27,0");
    EXPECT_EQ(installed->data, std::string("\x01\0\0\0", 4));
    EXPECT_EQ(TrustedPaths(), "") << "the system account's profiles are left alone";
    EXPECT_EQ(Registered(), (std::vector<int>{2009, 2010}));
    EXPECT_TRUE(log.Mentions("LocalSystem"));

    // At the user's logon: the trusted path arrives, for the folder the record names.
    EXPECT_EQ(app::RunPerUserProgram(backend.registry, backend.environment), state::kExitInstalled);
    EXPECT_EQ(TrustedPaths(), kProduct);
}

TEST_F(SetUpRunTest, AnOrdinaryAccountDoesTheUserStepsItselfAndRegistersNoActiveSetup) {
    ASSERT_EQ(Run("/S"), state::kExitInstalled);
    EXPECT_EQ(TrustedPaths(), kProduct);
    EXPECT_FALSE(backend.registry.KeyExists(RootKey::LocalMachine, kActiveSetup));
    EXPECT_FALSE(backend.files.Exists(std::string(kProduct) + "\\BrelixUser.exe"));
}

TEST_F(SetUpRunTest, UserProgramWithoutARecordEndsWithThreeAndChangesNothing) {
    const std::string before = backend.registry.Dump();
    EXPECT_EQ(app::RunPerUserProgram(backend.registry, backend.environment), state::kExitSourceMissing);
    EXPECT_EQ(backend.registry.Dump(), before);
}

TEST_F(SetUpRunTest, UserProgramSwitchWritesOnlyThatFile) {
    const std::string registry = backend.registry.Dump();
    EXPECT_EQ(Run("/USERPROGRAM=C:\\Setup\\BrelixUser.exe /LOG=C:\\u.log"), state::kExitInstalled);
    EXPECT_EQ(backend.files.ReadFile("C:\\Setup\\BrelixUser.exe"), "MZ user program");
    EXPECT_FALSE(backend.files.Exists(std::string(kProduct)));
    EXPECT_EQ(backend.registry.Dump(), registry);
    EXPECT_TRUE(log.Mentions("已写入 C:\\Setup\\BrelixUser.exe"));
    EXPECT_EQ(log.lines.back(), "退出代码：0");
}

TEST_F(SetUpRunTest, UserProgramThatCannotBeWrittenEndsWithSix) {
    EXPECT_EQ(Run("/S /USERPROGRAM=Q:\\missing\\BrelixUser.exe /LOG=C:\\u.log"), state::kExitStopped);
    EXPECT_FALSE(backend.files.Exists("Q:\\missing\\BrelixUser.exe"));
    EXPECT_TRUE(log.Mentions("无法写入 Q:\\missing\\BrelixUser.exe"));
    EXPECT_THAT(backend.prompts.shown, IsEmpty());
    EXPECT_THAT(dialogs.shownTemplates, IsEmpty());
}

TEST_F(SetUpRunTest, LogThatCannotBeWrittenStillInstallsButEndsWithSeven) {
    log.fails = true;
    EXPECT_EQ(Run("/S /LOG=Z:\\nowhere\\i.log"), state::kExitWithProblems);
    EXPECT_EQ(Registered(), (std::vector<int>{2009, 2010}));
    EXPECT_TRUE(Recorded());
}

TEST_F(SetUpRunTest, FileThatCannotBeCopiedIsSkippedAndEndsWithSeven) {
    backend.files.AddFile(std::string(kProduct) + "\\Brelix2010.arx", "in use");
    backend.files.Lock(std::string(kProduct) + "\\Brelix2010.arx");
    EXPECT_EQ(Run("/S /LOG=C:\\i.log"), state::kExitWithProblems);
    EXPECT_EQ(backend.files.ReadFile(std::string(kProduct) + "\\Brelix2010.arx"), "in use");
    EXPECT_EQ(backend.files.ReadFile(std::string(kProduct) + "\\Brelix2008.arx"), "Brelix2008.arx");
    EXPECT_EQ(Registered(), (std::vector<int>{2009, 2010}));
    EXPECT_TRUE(log.Mentions("自动回答：忽略"));
    EXPECT_THAT(backend.prompts.shown, IsEmpty());
}

TEST_F(SetUpRunTest, HelpAndRefusedLinesShowTheSwitchesUnlessSilent) {
    EXPECT_EQ(Run("/?"), state::kExitInstalled);
    EXPECT_EQ(Run("/D="), state::kExitInvalidCommandLine);
    EXPECT_EQ(Run("/S /D="), state::kExitInvalidCommandLine);
    ASSERT_EQ(backend.prompts.shown.size(), 2u);
    EXPECT_EQ(backend.prompts.shown[0].text, app::HelpText());
    EXPECT_NE(backend.prompts.shown[1].text.find("/RELEASES"), std::string::npos);
    EXPECT_THAT(Registered(), IsEmpty());
    EXPECT_FALSE(Recorded());
}

TEST_F(SetUpRunTest, WizardLeftWithoutInstallingEndsWithOne) {
    EXPECT_EQ(Run("/LOG=C:\\w.log"), state::kExitCancelled);
    EXPECT_EQ(dialogs.shownTemplates, (std::vector<int>{136}));
    EXPECT_EQ(log.lines.back(), "退出代码：1");
    EXPECT_FALSE(Recorded());
}

struct KeepCase {
    bool previous;         // an earlier installation with a settings file is recorded
    const char* keep;      // the /KEEP value, or nullptr
    const char* expected;  // keepConfig, keepSettings, keepSectionLibrary, keepDrawingLibrary
};

TEST_F(SetUpRunTest, KeepChoicesFollowWhatPageThreeWouldOffer) {
    const KeepCase cases[] = {
        {false, nullptr, "0000"},
        {false, "ALL", "0000"},
        {true, nullptr, "1111"},
        {true, "ALL", "1111"},
        {true, "NONE", "0000"},
        {true, "SECTIONS", "1010"},
        {true, "DRAWINGS,SETTINGS", "1101"},
    };
    for (const KeepCase& c : cases) {
        platform::memory::MemoryBackend machine;
        if (c.previous) {
            machine.registry.SetString(RootKey::LocalMachine, kRecordKey, "Brelix_Path",
                                       "E:\\Old\\Brelix结构工具箱");
            machine.files.AddFile("E:\\Old\\Brelix结构工具箱\\USER.CFG", "mine");
        }
        app::CommandLine command;
        if (c.keep)
            command.keep = app::ParseCommandLine(std::string("/KEEP=") + c.keep).command->keep;
        state::AcadInventory found;
        found.acadLocations[*state::ReleaseIndexOfYear(2010)] = {"C:\\AutoCAD 2010"};
        state::InstallOptions options;
        platform::Services services = machine.services();
        ASSERT_EQ(app::ApplyInstallChoices(command, found, services, options).exitCode, 0);
        const std::string flags = std::to_string(options.keepConfig) + std::to_string(options.keepSettings) +
                                  std::to_string(options.keepSectionLibrary) +
                                  std::to_string(options.keepDrawingLibrary);
        EXPECT_EQ(flags, c.expected) << "previous " << c.previous
                                     << ", /KEEP=" << (c.keep ? c.keep : "(none)");
    }
}

struct OutcomeCase {
    state::InstallOutcome outcome;
    bool logFailed;
    int silent;
    int wizard;
};

TEST(ExitCodeTest, OneTableForBothModes) {
    using O = state::InstallOutcome;
    const OutcomeCase cases[] = {
        {O::Installed, false, 0, 0},   {O::Installed, true, 7, 7},    {O::InstalledWithProblems, false, 7, 7},
        {O::Stopped, false, 6, 6},     {O::AcadRunning, false, 4, 1}, {O::SourceMissing, false, 3, 1},
        {O::InvalidRoot, false, 2, 1}, {O::NotRun, false, 6, 1},
    };
    for (const OutcomeCase& c : cases) {
        EXPECT_EQ(state::ExitCodeFor(c.outcome, false, c.logFailed), c.silent) << static_cast<int>(c.outcome);
        EXPECT_EQ(state::ExitCodeFor(c.outcome, true, c.logFailed), c.wizard) << static_cast<int>(c.outcome);
    }
}

}  // namespace
