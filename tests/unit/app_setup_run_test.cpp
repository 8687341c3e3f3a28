// SetUp.exe's command line as a whole on a staged in-memory machine: what a silent run leaves in
// the registry and on the disk, its exit code and its log; the help box; the wizard's exit code;
// and BrelixUser.exe's per-user run.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>

#include "app/install_choices.h"
#include "app/setup_run.h"
#include "app/user_run.h"
#include "install/record/active_setup.h"
#include "install_test_support.h"
#include "platform/memory/headless_dialog_host.h"
#include "platform/memory/memory_backend.h"
#include "platform/memory/memory_log.h"
#include "platform/memory/memory_run_lock.h"
#include "platform/memory/scripted_folder_browser.h"
#include "platform/text936.h"
#include "res/resource.h"
#include "state/exit_codes.h"
#include "ui/dialog_templates.h"
#include "ui/dlg_page2.h"
#include "uninstall/uninstall.h"

namespace {

using platform::RootKey;
using platform::memory::MemoryLog;
using platform::memory::MemoryRunLock;
using platform::memory::Operation;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr char kAcadRoot[] = "SOFTWARE\\Autodesk\\AutoCAD";
constexpr char kKey2009[] = "SOFTWARE\\Autodesk\\AutoCAD\\R17.2\\ACAD-7001:804";
constexpr char kKey2010[] = "SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804";
constexpr char kProfile[] = "SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804\\Profiles\\默认\\Variables";
constexpr char kActiveSetup[] = "SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\Brelix";
constexpr char kRecordKey[] = "SOFTWARE\\Brelix";
constexpr char kProduct[] = "C:\\Brelix\\Brelix结构工具箱";
// A run's own log is a new file named by the time and the process id; a file somebody put under the
// first name stays theirs.
constexpr char kFallbackBase[] = "C:\\windows\\Temp\\Brelix-SetUp-20261208-110413-4242";
constexpr char kFallbackLog[] = "C:\\windows\\Temp\\Brelix-SetUp-20261208-110413-4242-2.log";

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
        install_test::StageProgramFiles(backend);
        backend.environment.Set("WINDIR", "C:\\windows");
        backend.environment.now = {2026, 12, 8, 11, 4, 13, 250};
    }

    void AddAcad(const char* key, const std::string& folder, const char* product) {
        backend.registry.SetString(RootKey::LocalMachine, key, "AcadLocation", folder);
        backend.registry.SetString(RootKey::LocalMachine, key, "ProductName", product);
        backend.files.AddFolder(folder + "\\Fonts");
    }

    int Run(const std::string& arguments) {
        app::SetUpPlatform setUp{
            backend.services(),
            dialogs,
            folderBrowser,
            [this](const std::string& path, bool createNew) -> std::unique_ptr<platform::LogSink> {
                if (path.rfind(kFallbackBase, 0) == 0) {
                    EXPECT_TRUE(createNew) << path;
                    if (path != kFallbackLog)
                        return nullptr;
                    return std::make_unique<LogView>(fallbackLog);
                }
                logPath = path;
                return std::make_unique<LogView>(log);
            },
            runLock,
            [this](const std::string& text) { console.push_back(text); }};
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
        platform::SystemError Failure() const override { return log.Failure(); }
        MemoryLog& log;
    };

    platform::memory::MemoryBackend backend;
    platform::memory::HeadlessDialogRunner dialogs{ui::FindDialogTemplate};
    platform::memory::ScriptedFolderBrowser folderBrowser;
    MemoryLog log;
    std::string logPath;
    MemoryLog fallbackLog;
    std::vector<std::string> console;
    MemoryRunLock runLock;
};

// The last line of the log: the exit code and why, and the code once more for scripts.
std::string ExitLine(int code, const std::string& why) {
    return "退出代码：" + std::to_string(code) + "（" + why + "） ExitCode=" + std::to_string(code);
}

// The first line of each run's log: when (UTC, from the test's clock), which version, what line.
std::string HeaderLine(const std::string& arguments, const std::string& program = "C:\\Setup\\SetUp.exe") {
    return std::string("========== 2026-12-08 11:04:13 UTC  Brelix结构工具箱 V2024.3.27 (") +
           (state::kBuildBitness == 32 ? "32" : "64") + "位版本)  命令行：\"" + program + "\" " + arguments;
}

struct SilentCase {
    const char* title;
    const char* arguments;
    void (*stage)(platform::memory::MemoryBackend&);
    int exitCode;
    std::vector<int> registered;  // the product folder and the record exist exactly when not empty
    const char* why;              // what the last line says of the exit code
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

constexpr char kInvalidWhy[] = "命令行无效，未作任何更改（原因见上）";

class SilentRunTest : public SetUpRunTest, public ::testing::WithParamInterface<SilentCase> {};

TEST_P(SilentRunTest, EndsWithItsExitCodeShowsNothingAndLogsIt) {
    const SilentCase& c = GetParam();
    c.stage(backend);
    EXPECT_EQ(Run(c.arguments), c.exitCode);
    EXPECT_EQ(Registered(), c.registered);
    EXPECT_EQ(Recorded(), !c.registered.empty());
    EXPECT_EQ(backend.files.Exists(std::string(kProduct) + "\\Brelix2010.arx"), !c.registered.empty());
    EXPECT_THAT(backend.prompts.shown, IsEmpty()) << "a silent run shows no box";
    ASSERT_GE(log.lines.size(), 3u);
    EXPECT_EQ(log.lines[0], HeaderLine(c.arguments, backend.files.ProgramPath()));
    EXPECT_EQ(log.lines.back(), ExitLine(c.exitCode, c.why));
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes,
    SilentRunTest,
    ::testing::Values(
        SilentCase{"defaults", "/S /LOG=C:\\i.log", Nothing, 0, {2009, 2010}, "安装完成，没有问题"},
        SilentCase{"all",
                   "/VERYSILENT /RELEASES=ALL /LOG=C:\\i.log",
                   Nothing,
                   0,
                   {2009, 2010},
                   "安装完成，没有问题"},
        SilentCase{"one", "-quiet /RELEASES=2010 /LOG=C:\\i.log", Nothing, 0, {2010}, "安装完成，没有问题"},
        SilentCase{"not found", "/S /RELEASES=2010,2012 /LOG=C:\\i.log", Nothing, 2, {}, kInvalidWhy},
        SilentCase{"not shown by a 32-bit build",
                   "/S /RELEASES=2020 /LOG=C:\\i.log",
                   Nothing,
                   2,
                   {},
                   kInvalidWhy},
        SilentCase{"never shown", "/S /RELEASES=2000 /LOG=C:\\i.log", Nothing, 2, {}, kInvalidWhy},
        SilentCase{"unknown switch", "/SILENT /SUPRESSMSGBOXES /LOG=C:\\i.log", Nothing, 2, {}, kInvalidWhy},
        SilentCase{"no Data",
                   "/S /LOG=C:\\i.log",
                   NoData,
                   3,
                   {},
                   "未找到安装所需的 Data 文件夹（应在 SetUp.exe 旁），未作任何更改"},
        SilentCase{"AutoCAD running", "/S /LOG=C:\\i.log", AcadRunning, 4, {}, "AutoCAD 正在运行，未安装"},
        SilentCase{"no AutoCAD",
                   "/S /LOG=C:\\i.log",
                   NoAcad,
                   5,
                   {},
                   "没有可安装的 AutoCAD 版本，未作任何更改"},
        SilentCase{"uninstall, nothing installed",
                   "/UNINSTALL /QUIET /LOG=C:\\u.log",
                   Nothing,
                   3,
                   {},
                   "未找到安装记录，没有可卸载的内容"},
        SilentCase{"no AutoCAD, all asked for",
                   "/S /RELEASES=ALL /LOG=C:\\i.log",
                   NoAcad,
                   5,
                   {},
                   "没有可安装的 AutoCAD 版本，未作任何更改"}),
    [](const auto& info) {
        std::string name;
        for (const char* p = info.param.title; *p; ++p)
            name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return name;
    });

TEST_F(SetUpRunTest, SilentRunLogsWhatItFoundAndChose) {
    backend.files.AddDrive("D:");
    // Quoted as deployment tools quote a root that ends in "\\": it is logged and used without it.
    ASSERT_EQ(Run("/S \"/D=D:\\CAD Tools\\\\\" /RELEASES=2009 /LOG=C:\\i.log"), state::kExitInstalled);
    EXPECT_EQ(logPath, "C:\\i.log");
    EXPECT_TRUE(log.Mentions("Brelix结构工具箱 V2024.3.27"));
    EXPECT_TRUE(log.Mentions("找到 AutoCAD 2009：注册表键 HKLM\\" + std::string(kKey2009) +
                             "\\，位置 C:\\AutoCAD 2009"));
    EXPECT_TRUE(log.Mentions("找到 AutoCAD 2010："));
    EXPECT_TRUE(log.Mentions("选择的版本：2009"));
    EXPECT_NE(std::find(log.lines.begin(), log.lines.end(), "安装路径：D:\\CAD Tools"), log.lines.end());
    EXPECT_TRUE(backend.files.Exists("D:\\CAD Tools\\Brelix结构工具箱\\Brelix2008.arx"));
}

// The wrong package on a 64-bit Windows: only AutoCAD that the other build serves. The silent run
// names it in the log and ends with 5, changing nothing.
// Over a newer installation a silent run changes nothing and ends with 8, unless /ALLOWDOWNGRADE.
TEST_F(SetUpRunTest, SilentDowngradeEndsWith8UnlessAllowed) {
    backend.files.AddFile(std::string(install_test::kSetupFolder) + "\\Brelix安装记录.txt",
                          "Brelix结构工具箱 安装记录 1\r\nVERSION\t65535.1.0\r\nFOLDER\tC:\\Old\r\n");
    EXPECT_EQ(Run("/S /LOG=C:\\i.log"), state::kExitNewerInstalled);
    EXPECT_TRUE(Registered().empty());
    EXPECT_EQ(Run("/S /ALLOWDOWNGRADE /LOG=C:\\i.log"), state::kExitInstalled);
    EXPECT_EQ(Registered(), (std::vector<int>{2009, 2010}));
}

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
    EXPECT_EQ(log.lines.back().rfind("退出代码：5（", 0), 0u) << log.lines.back();
    EXPECT_FALSE(log.Mentions("未找到任何 AutoCAD 版本"));
    EXPECT_TRUE(log.Mentions("未找到本程序可安装的 AutoCAD 版本"));
    EXPECT_THAT(Registered(), IsEmpty());
    EXPECT_FALSE(Recorded());
}

// One logon session: the machine's HKLM with a user's own HKCU.
class SessionRegistry : public platform::Registry {
  public:
    SessionRegistry(platform::Registry& machine, platform::Registry& user) : machine_(machine), user_(user) {}
    std::unique_ptr<platform::RegistryKey> OpenRoot(RootKey root) override { return Of(root).OpenRoot(root); }
    std::unique_ptr<platform::RegistryKey> OpenRoot(RootKey root, platform::RegistryView view) override {
        return Of(root).OpenRoot(root, view);
    }
    int SystemBitness() override { return machine_.SystemBitness(); }
    void ReadConcurrently(std::size_t count, const std::function<void(std::size_t)>& read) override {
        machine_.ReadConcurrently(count, read);
    }

  private:
    platform::Registry& Of(RootKey root) { return root == RootKey::LocalMachine ? machine_ : user_; }
    platform::Registry& machine_;
    platform::Registry& user_;
};

// "a,b,c,d" as Windows compares it, field by field; nullopt when it is no such text.
std::optional<std::array<unsigned, 4>> Fields(const std::string& text) {
    std::array<unsigned, 4> f{};
    char end = 0;
    if (std::sscanf(text.c_str(), "%u,%u,%u,%u%c", &f[0], &f[1], &f[2], &f[3], &end) != 4)
        return std::nullopt;
    return f;
}

struct AccountCase {
    const char* title;
    bool localSystem;
    bool runnerUsesAutoCad;  // the account that runs SetUp.exe has AutoCAD profiles of its own
};

class AccountTest : public SetUpRunTest, public ::testing::WithParamInterface<AccountCase> {
  protected:
    std::string Machine(const char* name) {
        auto value = backend.registry.GetValue(RootKey::LocalMachine, kActiveSetup, name);
        return value ? value->Text() : "<none>";
    }
    static std::string UserVersion(platform::memory::MemoryRegistry& hive) {
        auto value = hive.GetValue(RootKey::CurrentUser, kActiveSetup, "Version");
        return value ? value->Text() : "<none>";
    }
    static std::string Trusted(platform::memory::MemoryRegistry& hive) {
        auto value = hive.GetValue(RootKey::CurrentUser, kProfile, "TRUSTEDPATHS");
        return value ? value->Text() : "<none>";
    }
    // What Windows does at a user's logon: when the user's Version is missing or lower than the
    // machine's, it takes the machine's and runs the StubPath command line. True when it ran.
    bool LogOn(platform::Registry& session, platform::memory::MemoryRegistry& hive) {
        const auto machine = Fields(Machine("Version"));
        const auto user = Fields(UserVersion(hive));
        if (!machine || (user && *user >= *machine))
            return false;
        hive.SetString(RootKey::CurrentUser, kActiveSetup, "Version", Machine("Version"));
        const std::string stub = Machine("StubPath");
        EXPECT_EQ(backend.files.ReadFile(stub.substr(1, stub.size() - 2)), "MZ user program") << stub;
        EXPECT_EQ(app::RunPerUserProgram(session, backend.environment), state::kExitInstalled);
        return true;
    }
};

// Whatever account installs, every user gets the per-user steps at the next logon after each
// installation, and the account that ran SetUp.exe (not LocalSystem) has them at once.
TEST_P(AccountTest, EveryUserGetsTheStepsOnceAfterEachInstallation) {
    const AccountCase& c = GetParam();
    backend.processes.localSystem = c.localSystem;
    if (!c.runnerUsesAutoCad) {
        // The administrator whose password was typed in has never started AutoCAD.
        auto user = backend.registry.OpenRoot(RootKey::CurrentUser);
        for (std::string key = kProfile; key != "SOFTWARE"; key.erase(key.rfind('\\')))
            ASSERT_TRUE(user->DeleteSubkey(key)) << key;
    }
    // The engineer who uses AutoCAD here, with a hive of their own.
    platform::memory::FailureInjector noFailures;
    platform::memory::MemoryRegistry engineer{noFailures};
    engineer.SetString(RootKey::CurrentUser, kProfile, "TRUSTEDPATHS", "E:\\LIB");
    SessionRegistry engineerSession(backend.registry, engineer);
    const std::string first = kProduct;
    const std::string second = "D:\\Other\\Brelix结构工具箱";
    const std::string kStub = "\"" + std::string(install_test::kSetupFolder) + "\\BrelixUser.exe\"";
    backend.files.AddDrive("D:");

    ASSERT_EQ(Run("/S /LOG=C:\\i.log"), state::kExitInstalled);
    const std::string v1 = Machine("Version");
    ASSERT_TRUE(Fields(v1)) << v1;
    EXPECT_GT(*Fields(v1), *Fields("2024,3,27,0")) << "the earlier builds' fixed version is passed";
    EXPECT_EQ(Machine("StubPath"), kStub);
    EXPECT_EQ(backend.registry.GetValue(RootKey::LocalMachine, kActiveSetup, "IsInstalled")->data,
              std::string("\x01\0\0\0", 4));
    const bool atOnce = !c.localSystem;
    EXPECT_EQ(Trusted(backend.registry), !c.runnerUsesAutoCad ? "<none>" : atOnce ? first : "");
    EXPECT_EQ(UserVersion(backend.registry), atOnce ? v1 : "<none>");
    EXPECT_TRUE(log.Mentions("Version = " + v1));

    EXPECT_TRUE(LogOn(engineerSession, engineer));
    EXPECT_EQ(Trusted(engineer), "E:\\LIB;" + text936::ToUpper(first));
    EXPECT_FALSE(LogOn(engineerSession, engineer)) << "once per installation";
    if (atOnce) {
        EXPECT_FALSE(LogOn(backend.registry, backend.registry)) << "done already at the installation";
    }

    // Again, into another folder, within the same millisecond: a higher version, and every user
    // gets the new folder.
    ASSERT_EQ(Run("/S /D=D:\\Other"), state::kExitInstalled);
    const std::string v2 = Machine("Version");
    ASSERT_TRUE(Fields(v2)) << v2;
    EXPECT_GT(*Fields(v2), *Fields(v1));
    EXPECT_EQ(Machine("StubPath"), kStub) << "BrelixUser.exe stays where only administrators write";
    EXPECT_EQ(UserVersion(backend.registry), atOnce ? v2 : "<none>");
    EXPECT_EQ(LogOn(backend.registry, backend.registry), c.localSystem)
        << "LocalSystem has no logon of its own";
    EXPECT_TRUE(LogOn(engineerSession, engineer));
    EXPECT_EQ(Trusted(engineer), "E:\\LIB;" + text936::ToUpper(first) + ";" + text936::ToUpper(second));
    EXPECT_EQ(UserVersion(engineer), v2);

    // A user without AutoCAD, the program started by a logon script: nothing but the mark.
    platform::memory::MemoryRegistry newcomer{noFailures};
    SessionRegistry newcomerSession(backend.registry, newcomer);
    EXPECT_EQ(app::RunPerUserProgram(newcomerSession, backend.environment), state::kExitInstalled);
    EXPECT_EQ(newcomer.SubkeyNames(RootKey::CurrentUser, "SOFTWARE"), std::vector<std::string>{"Microsoft"});
    EXPECT_EQ(UserVersion(newcomer), v2);
}

INSTANTIATE_TEST_SUITE_P(Accounts,
                         AccountTest,
                         ::testing::Values(AccountCase{"LocalSystem", true, true},
                                           AccountCase{"administrator", false, true},
                                           AccountCase{"ordinary_user_run_as_administrator", false, false}),
                         [](const auto& info) { return std::string(info.param.title); });

// A per-user step that failed leaves the account without its Version, so that its next logon runs
// the steps again; the program run by hand marks the account only when they went whole.
TEST_F(SetUpRunTest, AFailedStepLeavesTheAccountUnmarkedForItsNextLogon) {
    backend.failures.Fail(Operation::WriteValue, std::string("HKCU\\") + kProfile, 2);
    ASSERT_EQ(Run("/S"), state::kExitWithProblems);
    const auto machine = backend.registry.GetValue(RootKey::LocalMachine, kActiveSetup, "Version");
    ASSERT_TRUE(machine);
    EXPECT_FALSE(backend.registry.GetValue(RootKey::CurrentUser, kActiveSetup, "Version"));

    EXPECT_EQ(app::RunPerUserProgram(backend.registry, backend.environment), state::kExitInstalled);
    EXPECT_FALSE(backend.registry.GetValue(RootKey::CurrentUser, kActiveSetup, "Version")) << "failed again";
    EXPECT_EQ(app::RunPerUserProgram(backend.registry, backend.environment), state::kExitInstalled);
    EXPECT_EQ(TrustedPaths(), kProduct);
    const auto userVersion = [&] {
        const auto user = backend.registry.GetValue(RootKey::CurrentUser, kActiveSetup, "Version");
        return user ? user->Text() : "<none>";
    };
    EXPECT_EQ(userVersion(), machine->Text());

    // A registered value that is no version is not copied to anyone.
    backend.registry.SetString(RootKey::LocalMachine, kActiveSetup, "Version", "garbage");
    EXPECT_FALSE(install::MarkUserStepsDone(backend.registry));
    EXPECT_EQ(userVersion(), machine->Text());
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
    EXPECT_EQ(log.lines.back(), ExitLine(0, "已写出 BrelixUser.exe"));
}

TEST_F(SetUpRunTest, UserProgramThatCannotBeWrittenEndsWithSix) {
    EXPECT_EQ(Run("/S /USERPROGRAM=Q:\\missing\\BrelixUser.exe /LOG=C:\\u.log"), state::kExitStopped);
    EXPECT_FALSE(backend.files.Exists("Q:\\missing\\BrelixUser.exe"));
    EXPECT_TRUE(log.Mentions("无法写入 Q:\\missing\\BrelixUser.exe"));
    EXPECT_THAT(backend.prompts.shown, IsEmpty());
    EXPECT_THAT(dialogs.shownTemplates, IsEmpty());
}

// The installation, the per-user program and the uninstall alike do their work and end with 7.
TEST_F(SetUpRunTest, LogThatCannotBeWrittenStillDoesTheWorkButEndsWithSeven) {
    log.fails = true;
    EXPECT_EQ(Run("/S /LOG=Z:\\nowhere\\i.log"), state::kExitWithProblems);
    EXPECT_EQ(Registered(), (std::vector<int>{2009, 2010}));
    EXPECT_TRUE(Recorded());
    EXPECT_EQ(Run("/S /USERPROGRAM=C:\\Setup\\BrelixUser.exe /LOG=Z:\\nowhere\\u.log"),
              state::kExitWithProblems);
    EXPECT_EQ(backend.files.ReadFile("C:\\Setup\\BrelixUser.exe"), "MZ user program");
    EXPECT_EQ(Run("/UNINSTALL /S /LOG=Z:\\nowhere\\x.log"), state::kExitWithProblems);
    EXPECT_THAT(Registered(), IsEmpty());
    EXPECT_FALSE(Recorded());
}

// Every silent run and every uninstall without /LOG writes a log of its own, a new file in
// %WINDIR%\Temp; a /LOG that cannot be written moves there, with a first line that says why and the
// Windows error. Each holds the whole run and ends with its one exit line; a console gets the
// one-line result with the log's name.
TEST_F(SetUpRunTest, UnattendedRunsAndUninstallsLeaveALogOfTheirOwn) {
    struct Case {
        const char* arguments;
        bool askedLogFails;
        int exitCode;
        const char* firstLine;  // of the run's own log; "" for the header; nullptr: none written
    };
    constexpr char kMoved[] = "，日志改写在这里";
    const Case cases[] = {
        {"/UNINSTALL /S /LOG=Z:\\x.log", true, uninstall::kNothingToUninstall, nullptr},
        {"/UNINSTALL /S", false, uninstall::kNothingToUninstall, ""},
        {"/S /RELEASES=2004", false, state::kExitInvalidCommandLine, ""},
        {"/S /LOG=Z:\\nowhere\\i.log", true, state::kExitWithProblems, nullptr},
        {"/qn", false, state::kExitInstalled, ""},
        {"/S /LOG=C:\\i.log", false, state::kExitInstalled, "-"},
        {"/UNINSTALL /S /LOG=Z:\\y.log", true, uninstall::kUninstalledWithProblems, nullptr},
        {"/UNINSTALL /S", false, uninstall::kNothingToUninstall, ""},
    };
    for (const Case& c : cases) {
        log = {};
        fallbackLog = {};
        console.clear();
        log.fails = c.askedLogFails;
        EXPECT_EQ(Run(c.arguments), c.exitCode) << c.arguments;
        ASSERT_EQ(console.size(), 1u) << c.arguments;
        const std::string exitLine = "退出代码：" + std::to_string(c.exitCode) + "（";
        const std::string token = " ExitCode=" + std::to_string(c.exitCode);
        EXPECT_EQ(console[0].rfind("Brelix SetUp.exe " + std::string(c.arguments) + "：" + exitLine, 0), 0u)
            << console[0];
        EXPECT_NE(console[0].find(token), std::string::npos) << console[0];
        if (c.firstLine && std::string(c.firstLine) == "-") {
            EXPECT_THAT(fallbackLog.lines, IsEmpty()) << c.arguments;
            EXPECT_EQ(console[0].find("；日志："), std::string::npos) << console[0];
            continue;
        }
        EXPECT_NE(console[0].find("；日志：" + std::string(kFallbackLog)), std::string::npos) << console[0];
        ASSERT_GE(fallbackLog.lines.size(), 3u) << c.arguments;
        const std::string arguments = c.arguments;
        const std::string asked = c.firstLine ? std::string() : arguments.substr(arguments.find("Z:"));
        EXPECT_EQ(fallbackLog.lines.front(), c.firstLine ? HeaderLine(c.arguments)
                                                         : "无法写入 /LOG 指定的日志文件 " + asked +
                                                               "（错误 3：系统找不到指定的路径。）" + kMoved);
        EXPECT_EQ(fallbackLog.lines[c.firstLine ? 0 : 1], HeaderLine(c.arguments));
        // One exit line, the last, with the code for scripts.
        EXPECT_EQ(std::count_if(
                      fallbackLog.lines.begin(), fallbackLog.lines.end(),
                      [](const std::string& line) { return line.find("ExitCode=") != std::string::npos; }),
                  1)
            << c.arguments;
        EXPECT_EQ(fallbackLog.lines.back().rfind(exitLine, 0), 0u);
        EXPECT_EQ(fallbackLog.lines.back().substr(fallbackLog.lines.back().size() - token.size()), token);
    }
}

// An uninstall from Programs and Features (a box, no console) keeps its log too; the wizard keeps
// none unless asked.
TEST_F(SetUpRunTest, UninstallWithBoxesKeepsALogTheWizardNone) {
    EXPECT_EQ(Run("/UNINSTALL"), uninstall::kNothingToUninstall);
    ASSERT_FALSE(fallbackLog.lines.empty());
    EXPECT_EQ(fallbackLog.lines.front(), HeaderLine("/UNINSTALL"));
    EXPECT_EQ(fallbackLog.lines.back(),
              ExitLine(uninstall::kNothingToUninstall, "未找到安装记录，没有可卸载的内容"));
    fallbackLog = {};
    Run("");
    EXPECT_THAT(fallbackLog.lines, IsEmpty());
    EXPECT_THAT(log.lines, IsEmpty());
}

// A re-run finds the trusted list as the first run left it and says so.
TEST_F(SetUpRunTest, ReRunSaysTheTrustedListDidNotChange) {
    ASSERT_EQ(Run("/S /LOG=C:\\i.log"), state::kExitInstalled);
    EXPECT_TRUE(log.Mentions("已修改 HKCU\\" + std::string(kProfile) + " TRUSTEDPATHS"));
    log = {};
    ASSERT_EQ(Run("/S /LOG=C:\\i.log"), state::kExitInstalled);
    EXPECT_FALSE(log.Mentions("已修改 HKCU"));
    EXPECT_TRUE(
        log.Mentions("未变 HKCU\\" + std::string(kProfile) + " TRUSTEDPATHS：C:\\Brelix\\Brelix结构工具箱"));
}

// Unattended, a file that cannot be replaced stops the run rather than leave two versions: every
// file as it was, nothing registered, and the log names the file.
TEST_F(SetUpRunTest, FileThatCannotBeCopiedStopsWithEverythingAsItWasAndEndsWithSix) {
    backend.files.AddFile(std::string(kProduct) + "\\Brelix2010.arx", "in use");
    backend.files.Lock(std::string(kProduct) + "\\Brelix2010.arx");
    const std::string filesBefore = backend.files.Dump();
    const std::string registryBefore = backend.registry.Dump();
    EXPECT_EQ(Run("/S /LOG=C:\\i.log"), state::kExitStopped);
    EXPECT_EQ(backend.files.ReadFile(std::string(kProduct) + "\\Brelix2010.arx"), "in use");
    EXPECT_FALSE(backend.files.Exists(std::string(kProduct) + "\\Brelix2008.arx"));
    EXPECT_EQ(backend.registry.Dump(), registryBefore);
    EXPECT_EQ(backend.files.Dump(), filesBefore);
    EXPECT_TRUE(log.Mentions("自动回答：中止"));
    EXPECT_TRUE(log.Mentions(std::string(kProduct) + "\\Brelix2010.arx（文件正在使用）"));
    EXPECT_THAT(backend.prompts.shown, IsEmpty());
}

struct BoxCase {
    const char* arguments;
    int exitCode;
    bool box;          // a message box is shown (and answered by the test)
    const char* says;  // in the box, or else in the log (nullptr: no log)
};

// A line that asks for silence in any spelling, or names a log, may run where nobody can press OK.
// Each switch stands on a line of its own with its value form, and both runs' exit codes are
// listed, each under its own heading; from a console the help goes there too, also when silent.
TEST_F(SetUpRunTest, HelpGivesEverySwitchALineAndBothRunsTheirExitCodes) {
    const std::string help = app::HelpText();
    std::vector<std::string> lines;
    for (std::size_t start = 0; start <= help.size();) {
        const std::size_t end = std::min(help.find('\n', start), help.size());
        lines.push_back(help.substr(start, end - start));
        start = end + 1;
    }
    for (const char* form :
         {"/S", "/D=<安装路径>", "/RELEASES=ALL", "/RELEASES=<年份>,<年份>,...", "/KEEP=ALL", "/KEEP=NONE",
          "/KEEP=SETTINGS,SECTIONS,DRAWINGS", "/LOG=<日志文件>", "/UNINSTALL", "/USERPROGRAM=<文件>", "/?",
          "/HELP", "/NORESTART", "/SUPPRESSMSGBOXES", "/ALLOWDOWNGRADE"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), form), lines.end()) << form;
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find('\t'), std::string::npos) << line;
        EXPECT_LE(line.size(), 90u) << line;
    }
    const auto codesUnder = [&](const std::string& heading) {
        std::vector<int> codes;
        auto line = std::find(lines.begin(), lines.end(), heading);
        EXPECT_NE(line, lines.end()) << heading;
        for (++line; line != lines.end() && line->rfind("    ", 0) == 0; ++line)
            codes.push_back(std::atoi(line->c_str() + 4));
        return codes;
    };
    EXPECT_EQ(codesUnder("安装的退出代码："), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 1618}));
    EXPECT_EQ(codesUnder("卸载（/UNINSTALL）的退出代码："),
              (std::vector<int>{uninstall::kUninstalled, uninstall::kUninstallCancelled,
                                state::kExitInvalidCommandLine, uninstall::kNothingToUninstall,
                                uninstall::kUninstallAcadRunning, uninstall::kUninstalledWithProblems,
                                state::kExitAnotherRun}));
    EXPECT_NE(help.find("32 位 AutoCAD 2004 至 2016：32 位安装程序"), std::string::npos);

    for (const char* arguments : {"/? /S", "/?"}) {
        console.clear();
        backend.prompts.shown.clear();
        EXPECT_EQ(Run(arguments), 0) << arguments;
        ASSERT_FALSE(console.empty()) << arguments;
        EXPECT_EQ(console[0], help) << arguments;
    }
    EXPECT_EQ(backend.prompts.shown.size(), 1u);
}

TEST_F(SetUpRunTest, HelpAndRefusalsShowABoxOnlyWhenNeitherSilenceNorALogIsAskedFor) {
    const BoxCase cases[] = {
        {"/?", 0, true, "1618 另一个安装程序正在运行"},
        {"/S /? /LOG=C:\\h.log", 0, false, "/USERPROGRAM=<文件>"},
        {"-quiet -help", 0, false, nullptr},
        {"/LOG=C:\\h.log /?", 0, false, "64 位 AutoCAD 2005 至 2025：64 位安装程序"},
        {"/D=", 2, true, "安装路径无效或重复：/D=\n\n运行 SetUp.exe /? 可列出所有开关。"},
        {"/bogus", 2, true, "无法识别的开关：/bogus"},
        {"/S /D=", 2, false, nullptr},
        {"/VerySilent /bogus /LOG=C:\\x.log", 2, false, "命令行无效：无法识别的开关：/bogus"},
        {"/quiet=1 -log=C:\\x.log", 2, false, "命令行无效：开关 /quiet=1 不带值"},
        {"/LOG=C:\\x.log /bogus", 2, false, "命令行无效：无法识别的开关：/bogus"},
        {"/SUPPRESSMSGBOXES /bogus", 2, false, nullptr},
        {"/LOG=C:\\x.log /RELEASES=2012", 2, false, "命令行无效：本机未找到 AutoCAD 2012"},
    };
    for (const BoxCase& c : cases) {
        backend.prompts.shown.clear();
        log.lines.clear();
        EXPECT_EQ(Run(c.arguments), c.exitCode) << c.arguments;
        if (c.box) {
            ASSERT_EQ(backend.prompts.shown.size(), 1u) << c.arguments;
            EXPECT_NE(backend.prompts.shown[0].text.find(c.says), std::string::npos) << c.arguments;
        } else {
            EXPECT_THAT(backend.prompts.shown, IsEmpty()) << c.arguments;
            EXPECT_TRUE(c.says ? log.Mentions(c.says) : log.lines.empty()) << c.arguments;
        }
        EXPECT_THAT(dialogs.shownTemplates, IsEmpty()) << c.arguments;
    }
    EXPECT_THAT(Registered(), IsEmpty());
    EXPECT_FALSE(Recorded());
}

TEST_F(SetUpRunTest, LogBeginsWithWhoRanWhatAndSaysWhatDataHoldsThatIsNotInstalled) {
    backend.processes.computer = "CAD-17";
    backend.processes.account = "NT AUTHORITY\\SYSTEM";
    backend.files.AddFile("C:\\Setup\\Data\\SetUp.exe", "setup program");
    backend.files.AddFile("C:\\Setup\\Data\\Help\\index.htm", "help");
    backend.files.AddFile("C:\\Setup\\Data\\Brelix扩展绘图库\\钢梁.SJY", "drawing");
    backend.files.AddFile("C:\\Setup\\Data\\Brelix扩展绘图库\\旧版\\柱.SJY", "old drawing");
    ASSERT_EQ(Run("/S /LOG=C:\\日志\\机器\\i.log"), state::kExitInstalled);
    EXPECT_EQ(logPath, "C:\\日志\\机器\\i.log");
    EXPECT_TRUE(backend.files.Exists("C:\\日志\\机器")) << "the log's missing folders are made";
    EXPECT_FALSE(backend.files.Exists(logPath)) << "but not the log itself";
    ASSERT_GE(log.lines.size(), 3u);
    EXPECT_EQ(log.lines[0], HeaderLine("/S /LOG=C:\\日志\\机器\\i.log"));
    EXPECT_EQ(log.lines[1], "计算机：CAD-17，账户：NT AUTHORITY\\SYSTEM");
    const bool bits32 = state::kBuildBitness == 32;
    EXPECT_EQ(log.lines[2], bits32 ? "注册表视图：32 位（AutoCAD 的查找与注册、安装记录都在 32 位视图）"
                                   : "注册表视图：64 位（AutoCAD 在 64 位视图及 Wow6432Node 中查找与注册；"
                                     "安装记录在 32 位视图）");

    std::vector<std::string> leftOut;
    for (const std::string& line : log.lines) {
        if (line.rfind("按设计不安装：", 0) == 0)
            leftOut.push_back(line);
    }
    EXPECT_THAT(leftOut,
                ::testing::UnorderedElementsAre(
                    "按设计不安装：C:\\Setup\\Data\\SetUp.exe（安装程序本身）",
                    "按设计不安装：C:\\Setup\\Data\\Brelix_EN.shx（字体，复制到各 AutoCAD 的 Fonts 文件夹）",
                    "按设计不安装：C:\\Setup\\Data\\Brelix_HZ.shx（字体，复制到各 AutoCAD 的 Fonts 文件夹）",
                    "按设计不安装：C:\\Setup\\Data\\Help（文件夹：只安装Brelix扩展绘图库文件夹）",
                    "按设计不安装：C:"
                    "\\Setup\\Data\\Brelix扩展绘图库\\旧版（扩展绘图库只安装其中的文件，不含子文件夹）"));
    EXPECT_TRUE(backend.files.Exists(std::string(kProduct) + "\\Brelix扩展绘图库\\钢梁.SJY"));
}

struct LockCase {
    const char* arguments;
    MemoryRunLock::Other other;
    int exitCode;
    bool box;  // the refusal is shown in a message box
};

// A run that changes the machine does not wait for another one and changes nothing; the help and
// the per-user program change nothing of the machine and need no lock.
TEST_F(SetUpRunTest, SecondRunEndsWith1618AndChangesNothing) {
    using O = MemoryRunLock::Other;
    const LockCase cases[] = {
        {"/S /LOG=C:\\i.log", O::Holds, 1618, false},
        {"/VERYSILENT /D=D:\\CAD Tools", O::Holds, 1618, false},
        {"/S", O::Unreachable, 1618, false},
        {"", O::Holds, 1618, true},
        {"/LOG=C:\\w.log", O::Holds, 1618, false},
        {"/UNINSTALL", O::Holds, 1618, true},
        {"/UNINSTALL /S /LOG=C:\\u.log", O::Holds, 1618, false},
        {"/?", O::Holds, 0, true},
        {"/S /USERPROGRAM=C:\\Setup\\U.exe", O::Holds, 0, false},
    };
    for (const LockCase& c : cases) {
        runLock.other = c.other;
        backend.prompts.shown.clear();
        log.lines.clear();
        const std::string registry = backend.registry.Dump();
        const std::string files = backend.files.Dump();
        EXPECT_EQ(Run(c.arguments), c.exitCode) << c.arguments;
        EXPECT_EQ(backend.registry.Dump(), registry) << c.arguments;
        if (c.exitCode == 1618) {
            EXPECT_EQ(backend.files.Dump(), files) << c.arguments;
        }
        EXPECT_THAT(dialogs.shownTemplates, IsEmpty()) << c.arguments;
        EXPECT_FALSE(runLock.held) << c.arguments;
        ASSERT_EQ(backend.prompts.shown.size(), c.box ? 1u : 0u) << c.arguments;
        if (c.box && c.exitCode == 1618) {
            EXPECT_EQ(backend.prompts.shown[0].text.rfind("另一个Brelix安装程序正在本机运行", 0), 0u);
        }
        if (!log.lines.empty() && c.exitCode == 1618) {
            EXPECT_EQ(log.lines.back(), ExitLine(1618, "另一个安装程序正在运行，本次未作任何更改"))
                << c.arguments;
        }
    }
}

TEST_F(SetUpRunTest, LockIsHeldWhileThePagesAreOpenAndReleasedAfterwards) {
    bool heldOnPage = false;
    dialogs.Queue([&](platform::memory::HeadlessDialog&) { heldOnPage = runLock.held; });
    EXPECT_EQ(Run(""), state::kExitCancelled);
    EXPECT_TRUE(heldOnPage);
    EXPECT_FALSE(runLock.held);
}

TEST_F(SetUpRunTest, LockAbandonedByACrashedRunIsTakenOver) {
    runLock.other = MemoryRunLock::Other::Abandoned;
    EXPECT_EQ(Run("/S /LOG=C:\\i.log"), state::kExitInstalled);
    EXPECT_EQ(Registered(), (std::vector<int>{2009, 2010}));
    EXPECT_TRUE(log.Mentions("上一个安装程序未正常结束"));
    EXPECT_FALSE(runLock.held);
}

TEST_F(SetUpRunTest, WizardLeftWithoutInstallingEndsWithOne) {
    EXPECT_EQ(Run("/LOG=C:\\w.log"), state::kExitCancelled);
    EXPECT_EQ(dialogs.shownTemplates, (std::vector<int>{136}));
    EXPECT_EQ(log.lines.back(), ExitLine(1, "用户未安装就退出了安装向导"));
    EXPECT_FALSE(Recorded());
}

// The other build's view is walked only for a run that reads the result (a log, a silent run,
// preset choices); the wizard alone and BrelixUser.exe never walk it. Every run walks its own view
// once. A 32-bit build on 64-bit Windows, where the 64-bit view is the tree's own
// SOFTWARE\Autodesk\AutoCAD.
TEST_F(SetUpRunTest, OnlyRunsThatReadItWalkTheOtherBuildsView) {
    backend.registry.SetSystemBitness(64);
    // The staged releases are then 64-bit AutoCAD; this one is the 32-bit build's.
    AddAcad("SOFTWARE\\Wow6432Node\\Autodesk\\AutoCAD\\R18.1\\ACAD-9001:804", "C:\\AutoCAD 2011",
            "AutoCAD 2011");
    // The 64-bit build serves releases of both views and walks its own node for both uses: it has no
    // other view to leave out.
    if (state::kBuildBitness == 64)
        GTEST_SKIP() << "the 64-bit build has no other view to leave out";
    const std::string otherView = std::string("HKLM\\") + kAcadRoot;
    const std::string ownView = "HKLM\\SOFTWARE\\Wow6432Node\\Autodesk\\AutoCAD";
    backend.failures.Watch(Operation::OpenKey, otherView);
    backend.failures.Watch(Operation::OpenKey, ownView);
    int walks = 0;
    int ownWalks = 0;
    for (auto [arguments, otherViewWalks] :
         {std::pair{"", 0}, std::pair{"/LOG=C:\\w.log", 1}, std::pair{"/S", 1}, std::pair{"/D=C:\\X", 1}}) {
        Run(arguments);
        EXPECT_EQ(backend.failures.Seen(Operation::OpenKey, otherView) - walks, otherViewWalks) << arguments;
        EXPECT_EQ(backend.failures.Seen(Operation::OpenKey, ownView) - ownWalks, 1) << arguments;
        walks = backend.failures.Seen(Operation::OpenKey, otherView);
        ownWalks = backend.failures.Seen(Operation::OpenKey, ownView);
    }
    // The silent run above left a record, so the per-user program searches.
    EXPECT_EQ(app::RunPerUserProgram(backend.registry, backend.environment), state::kExitInstalled);
    EXPECT_EQ(backend.failures.Seen(Operation::OpenKey, otherView), walks);
}

// With a log or preset choices the pages take the search those made first: they offer what the
// wizard alone finds.
TEST_F(SetUpRunTest, ThePagesOfferTheSameReleasesWhateverWasSearchedFirst) {
    for (const char* arguments : {"", "/LOG=C:\\w.log", "/D=C:\\X"}) {
        std::vector<int> offered;
        dialogs.Queue([](platform::memory::HeadlessDialog& page) {
            page.Click(IDC_PAGE1_NEXT_SCREEN);
            EXPECT_TRUE(page.Click(IDC_FORWARD));
        });
        dialogs.Queue([&offered](platform::memory::HeadlessDialog& page) {
            for (int year : {2009, 2010})
                offered.push_back(page.IsEnabled(ui::ReleaseBoxId(*state::ReleaseIndexOfYear(year))) ? year
                                                                                                     : 0);
            page.Click(IDC_CANCEL);
        });
        Run(arguments);
        EXPECT_EQ(offered, (std::vector<int>{2009, 2010})) << arguments;
    }
}

struct KeepCase {
    bool previous;         // an earlier installation with a settings file is recorded
    const char* keep;      // the /KEEP value, or nullptr
    const char* expected;  // keepConfig, keepSettings, keepSectionLibrary, keepDrawingLibrary
};

TEST_F(SetUpRunTest, KeepChoicesFollowWhatPageThreeWouldOffer) {
    const KeepCase cases[] = {
        {false, nullptr, "0000"},
        // Asked for, keeping is never dropped: the installation stops if it cannot tell what to keep.
        {false, "ALL", "1111"},
        {true, nullptr, "1111"},
        {true, "ALL", "1111"},
        {true, "NONE", "0000"},
        {true, "SECTIONS", "1010"},
        {true, "DRAWINGS,SETTINGS", "1101"},
        {true, "DRAWINGS", "1001"},
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

// The releases a run installs for: what page 2 of the build shows and the machine has, as /RELEASES
// names them or as page 2 ticks them.
TEST(ReleaseChoices, FollowWhatPageTwoOfTheBuildShows) {
    struct Case {
        int bits;
        const char* releases;  // the /RELEASES value, or nullptr
        int unticked;          // a year page 2 was left with unticked, or 0
        int exitCode;
        const char* chosen;
    };
    const Case cases[] = {
        {32, nullptr, 0, 0, "2004, 2005, 2010, 2016"},
        {64, nullptr, 0, 0, "2005, 2010, 2016, 2017, 2025"},
        {64, nullptr, 2010, 0, "2005, 2016, 2017, 2025"},
        {64, "ALL", 2010, 0, "2005, 2010, 2016, 2017, 2025"},
        {32, "2016", 0, 0, "2016"},
        {64, "2005,2025", 0, 0, "2005, 2025"},
        {32, "2017", 0, state::kExitInvalidCommandLine, ""},
        {64, "2004", 0, state::kExitInvalidCommandLine, ""},
        {32, "2002", 0, state::kExitInvalidCommandLine, ""},
        {32, "2012", 0, state::kExitInvalidCommandLine, ""},
    };
    for (const Case& c : cases) {
        state::AcadInventory found;
        for (int year : {2002, 2004, 2005, 2010, 2016, 2017, 2025})
            found.acadLocations[*state::ReleaseIndexOfYear(year)] = {"C:\\AutoCAD " + std::to_string(year)};
        app::CommandLine command;
        if (c.releases)
            command.releases =
                app::ParseCommandLine(std::string("/RELEASES=") + c.releases).command->releases;
        state::InstallOptions options;
        options.buildBitness = c.bits;
        if (c.unticked)
            options.releaseChosen[*state::ReleaseIndexOfYear(c.unticked)] = 0;
        platform::memory::MemoryBackend machine;
        platform::Services services = machine.services();
        const app::ChoiceResult result = app::ApplyInstallChoices(command, found, services, options);
        const std::string name =
            std::to_string(c.bits) + " bits, /RELEASES=" + (c.releases ? c.releases : "");
        EXPECT_EQ(result.exitCode, c.exitCode) << name;
        if (c.exitCode == 0) {
            EXPECT_EQ(app::ChosenYears(options), c.chosen) << name;
        }
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

namespace {

constexpr char kEarlierActiveSetup[] =
    "SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\Brelix结构工具箱";

// The box of /? fits a 1024 x 768 screen at 150 %: a line there is about 21 pixels high, and Wine's box
// wraps its text at about 440 pixels, 48 bytes of about 9 pixels; so 24 lines of at most 44 bytes, none
// wrapped, leave room for the caption and the button.
// A refused line shows a box of a few lines that sends the reader to /?, never the whole list.
TEST_F(SetUpRunTest, BoxesAreShortAndTheHelpBoxStillNamesEverySwitch) {
    EXPECT_EQ(Run("/?"), 0);
    ASSERT_EQ(backend.prompts.shown.size(), 1u);
    const std::string help = backend.prompts.shown[0].text;
    std::size_t lines = 0;
    for (std::size_t start = 0; start <= help.size(); ++lines) {
        const std::size_t end = std::min(help.find('\n', start), help.size());
        EXPECT_LE(end - start, 44u) << help.substr(start, end - start);
        start = end + 1;
    }
    EXPECT_LE(lines, 24u);
    for (const char* form :
         {"/S", "/QN", "/PASSIVE", "/D=", "/DIR=", "/RELEASES=", "/KEEP=", "/LOG=", "/UNINSTALL",
          "/USERPROGRAM=", "/NORESTART", "/SUPPRESSMSGBOXES", "1618", "SetUp.exe /?"})
        EXPECT_NE(help.find(form), std::string::npos) << form;

    for (const char* line : {"/bogus", "/DIRS=C:\\A", "/D=C:\\A /DIR=C:\\B", "/RELEASES=2012"}) {
        backend.prompts.shown.clear();
        EXPECT_EQ(Run(line), state::kExitInvalidCommandLine) << line;
        ASSERT_EQ(backend.prompts.shown.size(), 1u) << line;
        const std::string& text = backend.prompts.shown[0].text;
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
        EXPECT_EQ(text.substr(text.size() - std::string("运行 SetUp.exe /? 可列出所有开关。").size()),
                  "运行 SetUp.exe /? 可列出所有开关。");
        EXPECT_EQ(text.find("/KEEP"), std::string::npos) << text;
    }
}

// Which AutoCAD stopped the run: each one running is named with its image, id and session, before
// the exit line, by the installation and the uninstall alike.
TEST_F(SetUpRunTest, RunningAutoCadIsNamedWithItsIdAndSession) {
    backend.processes.names = {"System", "ACAD.EXE", "explorer.exe", "acad.exe"};
    backend.processes.sessions = {0, 2, 1, std::nullopt};
    EXPECT_EQ(Run("/S /LOG=C:\\i.log"), state::kExitAcadRunning);
    std::vector<std::string> named;
    for (const std::string& line : log.lines) {
        if (line.rfind("正在运行的 AutoCAD：", 0) == 0)
            named.push_back(line);
    }
    EXPECT_THAT(named, ElementsAre("正在运行的 AutoCAD：ACAD.EXE（进程 ID 104，会话 2）",
                                   "正在运行的 AutoCAD：acad.exe（进程 ID 112，会话 未知）"));
    backend.processes.names = {"System"};
    ASSERT_EQ(Run("/S /LOG=C:\\i.log"), state::kExitInstalled);
    backend.processes.names = {"acad.exe"};
    backend.processes.sessions.clear();
    log = {};
    EXPECT_EQ(Run("/UNINSTALL /S /LOG=C:\\u.log"), uninstall::kUninstallAcadRunning);
    EXPECT_TRUE(log.Mentions("正在运行的 AutoCAD：acad.exe（进程 ID 100，会话 1）"));
}

// Earlier builds registered the component under the Chinese name, which a batch file in UTF-8 cannot
// name: an installation moves it to "Brelix" and removes the old one from HKLM and from the account's
// HKCU; BrelixUser.exe removes a user's old mark at logon; an uninstall removes either name.
TEST_F(SetUpRunTest, TheEarlierChineseComponentGivesWayToTheAsciiOne) {
    const std::string oldStub = "\"" + std::string(install_test::kSetupFolder) + "\\BrelixUser.exe\"";
    backend.registry.SetString(RootKey::LocalMachine, kEarlierActiveSetup, "StubPath", oldStub);
    backend.registry.SetString(RootKey::LocalMachine, kEarlierActiveSetup, "Version", "2024,3,27,0");
    backend.registry.SetString(RootKey::CurrentUser, kEarlierActiveSetup, "Version", "2024,3,27,0");
    ASSERT_EQ(Run("/S /LOG=C:\\i.log"), state::kExitInstalled);
    EXPECT_FALSE(backend.registry.KeyExists(RootKey::LocalMachine, kEarlierActiveSetup));
    EXPECT_FALSE(backend.registry.KeyExists(RootKey::CurrentUser, kEarlierActiveSetup));
    EXPECT_TRUE(backend.registry.GetValue(RootKey::LocalMachine, kActiveSetup, "StubPath"));
    EXPECT_TRUE(
        log.Mentions("已删除早先版本的 Active Setup 注册项 HKLM\\" + std::string(kEarlierActiveSetup)));

    // A user whose logon ran the old component: the per-user program drops the old mark.
    backend.registry.SetString(RootKey::CurrentUser, kEarlierActiveSetup, "Version", "2024,3,27,0");
    EXPECT_EQ(app::RunPerUserProgram(backend.registry, backend.environment), state::kExitInstalled);
    EXPECT_FALSE(backend.registry.KeyExists(RootKey::CurrentUser, kEarlierActiveSetup));

    // An uninstall finds the component under either name.
    backend.registry.SetString(RootKey::LocalMachine, kEarlierActiveSetup, "StubPath", oldStub);
    backend.registry.SetString(RootKey::CurrentUser, kEarlierActiveSetup, "Version", "2024,3,27,0");
    ASSERT_EQ(Run("/UNINSTALL /S /LOG=C:\\u.log"), uninstall::kUninstalled);
    EXPECT_FALSE(backend.registry.KeyExists(RootKey::LocalMachine, kEarlierActiveSetup));
    EXPECT_FALSE(backend.registry.KeyExists(RootKey::LocalMachine, kActiveSetup));
    EXPECT_FALSE(backend.registry.KeyExists(RootKey::CurrentUser, kEarlierActiveSetup));
}

// A failed removal of the earlier component is a problem line with the system's error.
TEST_F(SetUpRunTest, AnEarlierComponentThatStaysIsAProblemWithItsError) {
    backend.registry.SetString(RootKey::LocalMachine, kEarlierActiveSetup, "StubPath",
                               "\"C:\\x\\BrelixUser.exe\"");
    backend.failures.Fail(Operation::DeleteKey, std::string("HKLM\\") + kEarlierActiveSetup);
    EXPECT_EQ(Run("/S /LOG=C:\\i.log"), state::kExitWithProblems);
    EXPECT_TRUE(log.Mentions("未能删除早先版本的 Active Setup 注册项 HKLM\\" +
                             std::string(kEarlierActiveSetup) + "（错误 5：拒绝访问。）"));
}

}  // namespace

namespace {

// A run with a log of its own leaves the newest ten in %WINDIR%\Temp, its own among them; a run with
// /LOG leaves the folder alone.
TEST_F(SetUpRunTest, ARunWithItsOwnLogKeepsTheNewestTen) {
    const auto old = [](int day) {
        return "C:\\windows\\Temp\\Brelix-SetUp-202001" + std::to_string(day) + "-120000-7.log";
    };
    for (int day = 10; day <= 21; ++day)
        backend.files.AddFile(old(day), "old");
    ASSERT_EQ(Run("/S /LOG=C:\\i.log"), state::kExitInstalled);
    EXPECT_EQ(backend.files.List("C:\\windows\\Temp").size(), 12u);
    ASSERT_EQ(Run("/qn"), state::kExitInstalled);
    for (int day = 10; day <= 21; ++day)
        EXPECT_EQ(backend.files.Exists(old(day)), day >= 13) << day;
}

}  // namespace
