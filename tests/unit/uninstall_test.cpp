// Uninstall: a round trip from a staged machine back to it, and what the uninstall keeps.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "files/swap_journal.h"
#include "install/install_action.h"
#include "install/record/active_setup.h"
#include "install/record/install_record.h"
#include "install_test_support.h"
#include "platform/crc32.h"
#include "platform/memory/memory_log.h"
#include "platform/number_text.h"
#include "state/acad_inventory.h"
#include "state/install_options.h"
#include "uninstall/uninstall.h"
#include "uninstall/uninstall_registry.h"

namespace {

using namespace install_test;
using ::testing::ElementsAre;
using ::testing::StartsWith;

constexpr char kProduct[] = "D:\\Tools\\Brelix结构工具箱";
constexpr char kAcadFolder[] = "C:\\Program Files\\Autodesk\\AutoCAD 2020";
constexpr char kAcadKey[] = "SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804";
constexpr char kEntryKey[] = "SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804\\Applications\\Brelix2020";
constexpr char kOtherToolKey[] =
    "SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804\\Applications\\SteelOther";
constexpr char kVariables[] =
    "SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804\\Profiles\\<<未命名配置>>\\Variables";
constexpr char kLayers[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers";
constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brelix";
constexpr char kActiveSetupKey[] = "SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\Brelix";
constexpr char kUninstallKey32[] =
    "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brelix";
constexpr char kUninstaller[] = "C:\\Program Files\\Brelix Setup\\Uninstall.exe";
// Where the running uninstaller waits for the restart.
constexpr char kWaitingUninstaller[] = "C:\\Program Files\\Brelix Setup\\Uninstall.exe.1.old";

std::string In(const std::string& folder, const std::string& name) {
    return folder + "\\" + name;
}

// A machine with AutoCAD 2020, another tool's demand-load entry, a profile trusting one folder and
// a compatibility value on acad.exe (2020 keeps it), and the setup program beside its Data folder.
void StageMachine(MemoryBackend& backend) {
    StageProgram(backend);
    backend.files.AddFile(kProgram, "setup program");
    for (const char* name : {"Brelix2020.arx", "Brelix.CFG", "Brelix_EN.shx", "Brelix_HZ.shx", "SetUp.exe"})
        backend.files.AddFile(In(kSource, name), std::string("shipped ") + name);
    backend.files.AddFile(In(In(kSource, "Brelix扩展绘图库"), "梁.SJY"), "beam");
    backend.files.AddFolder(In(kAcadFolder, "Fonts"));
    backend.files.AddFolder("D:\\");
    backend.registry.SetString(RootKey::LocalMachine, kOtherToolKey, "LOADER", "C:\\Other\\other.arx");
    backend.registry.SetString(RootKey::CurrentUser, kVariables, "TRUSTEDPATHS", "d:\\lib");
    backend.registry.SetString(RootKey::CurrentUser, kLayers, In(kAcadFolder, "acad.exe"), "WINXPSP3");
    backend.registry.CreateKey(RootKey::LocalMachine,
                               "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
}

// What one press of the wizard's install button left: the log's lines and the journal's outcome.
struct Pressed {
    std::vector<std::string> lines;
    state::InstallOutcome outcome;
    std::vector<std::string> problems;
};

// One press into `root` for each release of `releases` (year, AutoCAD key, AutoCAD folder), keeping
// nothing of an earlier configuration.
Pressed PressInstall(platform::Services& services,
                     const std::string& root,
                     const std::vector<std::tuple<int, const char*, const char*>>& releases) {
    state::InstallOptions options;
    state::AcadInventory inventory;
    for (const auto& [year, key, folder] : releases) {
        const int k = *state::ReleaseIndexOfYear(year);
        inventory.acadLocations[k] = {folder};
        inventory.acadKeys[k] = {key};
        options.releaseChosen[k] = 1;
    }
    platform::memory::MemoryLog log;
    state::InstallJournal journal;
    journal.AttachLog(&log);
    install::InstallContext context{services, options, inventory, journal};
    FakeInstallPage page;
    page.installPath = root;
    page.keepSettings = page.keepSectionLibrary = page.keepDrawingLibrary = 0;
    install::OnInstallButton(context, page);
    return {log.lines, journal.Outcome(), journal.Problems()};
}

class UninstallTest : public ::testing::Test {
  protected:
    UninstallTest() {
        StageMachine(backend);
        const int k = *state::ReleaseIndexOfYear(2020);
        inventory.acadLocations[k] = {kAcadFolder};
        inventory.acadKeys[k] = {kAcadKey};
        options.releaseChosen[k] = 1;
        page.installPath = "D:\\Tools";
    }

    // Installs, then runs the uninstall as the uninstaller in the setup folder does.
    void Install() {
        OnInstallButton(context, page);
        ASSERT_TRUE(backend.files.Exists(kUninstaller));
        backend.prompts.shown.clear();
        backend.files.SetProgramPath(kUninstaller);
        backend.files.Run(kUninstaller);
    }

    // Another machine, staged alike, with the product installed and the uninstaller running.
    void InstallOn(MemoryBackend& machine) {
        StageMachine(machine);
        platform::Services machineServices = machine.services();
        state::InstallJournal installJournal;
        install::InstallContext installContext{machineServices, options, inventory, installJournal};
        OnInstallButton(installContext, page);
        machine.files.SetProgramPath(kUninstaller);
        machine.prompts.shown.clear();
    }

    // Runs the uninstall on a machine of InstallOn, as its uninstaller does; its exit code.
    static int UninstallOn(MemoryBackend& machine, bool silent) {
        platform::Services machineServices = machine.services();
        state::InstallJournal uninstallJournal;
        return uninstall::RunUninstall(machineServices, uninstallJournal, silent);
    }

    MemoryBackend backend;
    platform::Services services = backend.services();
    state::InstallOptions options;
    state::AcadInventory inventory;
    state::InstallJournal journal;
    install::InstallContext context{services, options, inventory, journal};
    FakeInstallPage page;
};

TEST_F(UninstallTest, RoundTripLeavesTheMachineAsItWasApartFromTheDocumentedLeftovers) {
    // The machine as it should end: the staged one with the leftovers applied by hand.
    MemoryBackend expected;
    StageMachine(expected);
    expected.registry.SetString(RootKey::CurrentUser, kVariables, "TRUSTEDPATHS", "D:\\LIB");
    // A kept settings file keeps the record of the folder, so the next installation offers it.
    expected.registry.SetString(RootKey::LocalMachine, "SOFTWARE\\Brelix", "Brelix_Path", kProduct);
    expected.files.AddFolder("D:\\Tools");
    expected.files.AddFile(In(In(kAcadFolder, "Fonts"), "Brelix_EN.shx"), "shipped Brelix_EN.shx");
    expected.files.AddFile(In(In(kAcadFolder, "Fonts"), "Brelix_HZ.shx"), "shipped Brelix_HZ.shx");
    expected.files.AddFile(In(kProduct, "Brelix.CFG"), "the user's settings");
    expected.files.AddFile(In(In(kProduct, "Brelix扩展绘图库"), "我的节点.SJY"), "the user's drawing");
    expected.files.SetProgramPath(kUninstaller);

    Install();
    backend.files.AddFile(In(kProduct, "Brelix.CFG"), "the user's settings");
    backend.files.AddFile(In(In(kProduct, "Brelix扩展绘图库"), "我的节点.SJY"), "the user's drawing");
    backend.prompts.answers = {platform::kIdYes, platform::kIdOk};

    EXPECT_EQ(uninstall::RunUninstall(services, journal, false), uninstall::kUninstalled);
    EXPECT_THAT(backend.files.PendingDeletions(), ElementsAre(kWaitingUninstaller, kSetupFolder));
    backend.files.Restart();

    // Windows' own Active Setup keys stay, and so does the mark that the installing account had
    // its per-user steps done.
    const auto version =
        backend.registry.GetValue(RootKey::CurrentUser, uninstall::kActiveSetupKeyPath, "Version");
    ASSERT_TRUE(version);
    expected.registry.CreateKey(RootKey::LocalMachine,
                                "SOFTWARE\\Microsoft\\Active Setup\\Installed Components");
    expected.registry.SetString(RootKey::CurrentUser, uninstall::kActiveSetupKeyPath, "Version",
                                version->Text());
    EXPECT_EQ(backend.registry.Dump(), expected.registry.Dump());
    EXPECT_EQ(backend.files.Dump(), expected.files.Dump());
    ASSERT_EQ(backend.prompts.shown.size(), 2u);
    EXPECT_EQ(backend.prompts.shown[0].caption, "Brelix安装");
    EXPECT_EQ(backend.prompts.shown[0].style, platform::kMbYesNo | platform::kMbIconQuestion);
    EXPECT_EQ(
        backend.prompts.shown[1].text,
        "Brelix结构工具箱已从本机删除。\n\n以下文件由您创建或修改过，已保留在 D:\\Tools\\Brelix结构工具箱：\n"
        "Brelix.CFG\nBrelix扩展绘图库\\我的节点.SJY\n\n"
        "已保留安装位置的记录：再次安装时，可以选择保留其中的设置、截面库和扩展绘图库文件。\n\n"
        "字体文件保留在AutoCAD的Fonts文件夹中，用本软件绘制的图纸仍需要它们：\n"
        "C:\\Program Files\\Autodesk\\AutoCAD 2020\\Fonts\\Brelix_EN.shx\n"
        "C:\\Program Files\\Autodesk\\AutoCAD 2020\\Fonts\\Brelix_HZ.shx\n\n"
        "卸载程序将在计算机重新启动后删除。");
}

TEST_F(UninstallTest, AnUntouchedInstallationGoesAtOnceAndOnlyTheSetupFolderWaitsForTheRestart) {
    Install();
    // Programs and Features starts what only administrators can change, and knows the product folder.
    const auto text = [this](const char* name) {
        return backend.registry.GetValue(RootKey::LocalMachine, kUninstallKey, name)
            .value_or(platform::memory::StoredValue{})
            .Text();
    };
    EXPECT_EQ(text("UninstallString"), "\"" + std::string(kUninstaller) + "\" /UNINSTALL");
    EXPECT_EQ(text("QuietUninstallString"), "\"" + std::string(kUninstaller) + "\" /UNINSTALL /S");
    EXPECT_EQ(text("DisplayIcon"), std::string(kUninstaller) + ",0");
    EXPECT_EQ(text("InstallLocation"), kProduct);
    EXPECT_THAT(backend.files.List(kSetupFolder),
                ElementsAre("BrelixUser.exe", "Brelix安装记录.txt", "Uninstall.exe"));
    // Three shipped files and the uninstaller, under a kilobyte together: a started KB counts.
    EXPECT_EQ(backend.registry.GetValue(RootKey::LocalMachine, kUninstallKey, "EstimatedSize"),
              (platform::memory::StoredValue{platform::kRegDword, std::string("\x01\0\0\0", 4)}));
    EXPECT_EQ(uninstall::RunUninstall(services, journal, true), uninstall::kUninstalled);
    EXPECT_TRUE(backend.prompts.shown.empty());
    EXPECT_THAT(backend.files.List("D:\\Tools"), ::testing::IsEmpty());
    EXPECT_THAT(backend.files.List(kSetupFolder), ElementsAre("Uninstall.exe.1.old"));
    EXPECT_THAT(backend.files.PendingDeletions(), ElementsAre(kWaitingUninstaller, kSetupFolder));
    backend.files.Restart();
    EXPECT_THAT(backend.files.List("C:\\Program Files"), ElementsAre("Autodesk"));
    EXPECT_FALSE(backend.registry.KeyExists(RootKey::LocalMachine, kUninstallKey));
    EXPECT_FALSE(backend.registry.KeyExists(RootKey::LocalMachine, "SOFTWARE\\Brelix"));
}

// What each way of stopping, or failing, leaves: the exit code, the boxes, and whether the
// record and the Programs and Features entry stay for another run.
TEST_F(UninstallTest, StopsAndProblemsEndWithTheirExitCodes) {
    struct Case {
        const char* name;
        std::function<void(MemoryBackend&)> arrange;
        bool silent;
        int exitCode;
        std::vector<std::string> captions;
        bool entryStays;
    };
    const Case cases[] = {
        {"no",
         [](MemoryBackend& b) { b.prompts.answers = {platform::kIdNo}; },
         false,
         uninstall::kUninstallCancelled,
         {"Brelix安装"},
         true},
        {"acad",
         [](MemoryBackend& b) { b.processes.names = {"ACAD.EXE"}; },
         false,
         uninstall::kUninstallAcadRunning,
         {"Brelix软件安装"},
         true},
        {"acad silent",
         [](MemoryBackend& b) { b.processes.names = {"acad.exe"}; },
         true,
         uninstall::kUninstallAcadRunning,
         {},
         true},
        {"locked",
         [](MemoryBackend& b) { b.files.Lock(In(kProduct, "Brelix2020.arx")); },
         true,
         uninstall::kUninstalledWithProblems,
         {},
         true},
        {"no record",
         [](MemoryBackend& b) { b.files.DeleteFile(In(kSetupFolder, install::kInstallRecordName)); },
         false,
         uninstall::kNothingToUninstall,
         {"Brelix安装"},
         true},
        {"a record that names no product folder",
         [](MemoryBackend& b) {
             b.files.AddFile(In(kSetupFolder, install::kInstallRecordName),
                             "Brelix结构工具箱 安装记录 1\r\n");
         },
         true,
         uninstall::kNothingToUninstall,
         {},
         true},
        {"unreadable trusted paths",
         [](MemoryBackend& b) {
             b.failures.Fail(Operation::ReadValue, "HKCU\\" + std::string(kVariables) + "\\TRUSTEDPATHS");
         },
         true,
         uninstall::kUninstalledWithProblems,
         {},
         true},
        {"undeletable demand-load entry",
         [](MemoryBackend& b) { b.failures.Fail(Operation::DeleteKey, "HKLM\\" + std::string(kEntryKey)); },
         true,
         uninstall::kUninstalledWithProblems,
         {},
         true},
        {"undeletable record",
         [](MemoryBackend& b) {
             b.failures.Fail(Operation::DeleteKey, "HKLM\\SOFTWARE\\Brelix");
             b.files.Lock(kUninstaller);  // as the running uninstaller is
         },
         true,
         uninstall::kUninstalledWithProblems,
         {},
         false},
        {"undeletable shipped file",
         [](MemoryBackend& b) { b.failures.Fail(Operation::DeleteFile, In(kProduct, "Brelix2020.arx")); },
         true,
         uninstall::kUninstalledWithProblems,
         {},
         true},
    };
    for (const Case& c : cases) {
        MemoryBackend fresh;
        InstallOn(fresh);
        c.arrange(fresh);
        EXPECT_EQ(UninstallOn(fresh, c.silent), c.exitCode) << c.name;
        std::vector<std::string> captions;
        for (const auto& shown : fresh.prompts.shown)
            captions.push_back(shown.caption);
        EXPECT_EQ(captions, c.captions) << c.name;
        EXPECT_EQ(fresh.registry.KeyExists(RootKey::LocalMachine, kUninstallKey), c.entryStays) << c.name;
        EXPECT_TRUE(fresh.files.Exists(kUninstaller)) << c.name;
    }
}

// Selectivity: only what is still the installation's own goes.
TEST_F(UninstallTest, KeepsWhatIsNotTheInstallationsOwn) {
    struct Case {
        const char* name;
        std::function<void(MemoryBackend&)> change;
        std::function<bool(MemoryBackend&)> kept;
    };
    const Case cases[] = {
        {"a changed shipped file",
         [](MemoryBackend& b) { b.files.AddFile(In(kProduct, "Brelix2020.arx"), "patched"); },
         [](MemoryBackend& b) { return b.files.ReadFile(In(kProduct, "Brelix2020.arx")) == "patched"; }},
        {"a shipped file of the same size but other content",
         [](MemoryBackend& b) { b.files.AddFile(In(kProduct, "Brelix2020.arx"), "SHIPPED Brelix2020.arx"); },
         [](MemoryBackend& b) { return b.files.Exists(In(kProduct, "Brelix2020.arx")); }},
        {"an entry now loading from elsewhere",
         [](MemoryBackend& b) {
             b.registry.SetString(RootKey::LocalMachine, kEntryKey, "LOADER", "E:\\New\\BRELIX2019.ARX");
         },
         [](MemoryBackend& b) { return b.registry.KeyExists(RootKey::LocalMachine, kEntryKey); }},
        {"an entry loading from a folder whose name only begins like ours",
         [](MemoryBackend& b) {
             b.registry.SetString(RootKey::LocalMachine, kEntryKey, "LOADER",
                                  "D:\\Tools\\Brelix结构工具箱2\\BRELIX2019.ARX");
         },
         [](MemoryBackend& b) { return b.registry.KeyExists(RootKey::LocalMachine, kEntryKey); }},
        {"an entry naming the folder itself, no file in it",
         [](MemoryBackend& b) { b.registry.SetString(RootKey::LocalMachine, kEntryKey, "LOADER", kProduct); },
         [](MemoryBackend& b) { return b.registry.KeyExists(RootKey::LocalMachine, kEntryKey); }},
        {"a trusted list holding the folder only inside a longer name",
         [](MemoryBackend& b) {
             b.registry.SetString(RootKey::CurrentUser, kVariables, "TRUSTEDPATHS",
                                  "x:\\a;D:\\TOOLS\\BRELIX结构工具箱\\SUB;");
         },
         [](MemoryBackend& b) {
             return b.registry.GetValue(RootKey::CurrentUser, kVariables, "TRUSTEDPATHS")->Text() ==
                    "x:\\a;D:\\TOOLS\\BRELIX结构工具箱\\SUB;";
         }},
        {"a profile whose trusted paths are gone",
         [](MemoryBackend& b) {
             b.registry.OpenRoot(RootKey::CurrentUser)
                 ->Open(kVariables, platform::KeyAccess::Default)
                 ->DeleteValue("TRUSTEDPATHS");
         },
         [](MemoryBackend& b) {
             return !b.registry.GetValue(RootKey::CurrentUser, kVariables, "TRUSTEDPATHS");
         }},
        {"a record naming another folder",
         [](MemoryBackend& b) {
             b.registry.SetString(RootKey::LocalMachine, "SOFTWARE\\Brelix", "Brelix_Path", "E:\\X");
         },
         [](MemoryBackend& b) { return b.registry.KeyExists(RootKey::LocalMachine, "SOFTWARE\\Brelix"); }},
    };
    for (const Case& c : cases) {
        MemoryBackend fresh;
        InstallOn(fresh);
        c.change(fresh);
        EXPECT_EQ(UninstallOn(fresh, true), uninstall::kUninstalled) << c.name;
        EXPECT_TRUE(c.kept(fresh)) << c.name;
    }
}

// What is still the installation's own goes, whatever became of it since.
TEST_F(UninstallTest, RemovesItsOwnWhateverTheSpellingViewOrAttributes) {
    constexpr char kRecord64[] = "SOFTWARE\\Brelix";
    constexpr char kRecord32[] = "SOFTWARE\\Wow6432Node\\Brelix";
    struct Case {
        const char* name;
        int bits;
        std::function<void(MemoryBackend&)> change;
    };
    const Case cases[] = {
        {"started under another spelling", 32,
         [](MemoryBackend& b) { b.files.SetProgramPath("d:\\TOOLS\\brelix结构工具箱\\UNINSTALL.EXE"); }},
        {"a shipped file made read-only", 32,
         [](MemoryBackend& b) {
             b.files.SetAttributes(In(kProduct, "Brelix2020.arx"),
                                   platform::kAttrReadOnly | platform::kAttrArchive);
         }},
        {"a shipped file already deleted", 32,
         [](MemoryBackend& b) { b.files.DeleteFile(In(kProduct, "Brelix2020.arx")); }},
        {"a record an earlier 64-bit build left in its own view", 64,
         [kRecord64](MemoryBackend& b) {
             b.registry.SetString(RootKey::LocalMachine, kRecord64, "Brelix_Path", kProduct);
         }},
    };
    for (const Case& c : cases) {
        MemoryBackend fresh;
        fresh.registry.SetProgramBitness(c.bits);
        InstallOn(fresh);
        c.change(fresh);
        EXPECT_EQ(UninstallOn(fresh, true), uninstall::kUninstalled) << c.name;
        fresh.files.Restart();
        EXPECT_FALSE(fresh.files.Exists(kProduct)) << c.name;
        EXPECT_FALSE(fresh.registry.KeyExists(RootKey::LocalMachine, kEntryKey)) << c.name;
        EXPECT_EQ(fresh.registry.GetValue(RootKey::CurrentUser, kVariables, "TRUSTEDPATHS")->Text(),
                  "D:\\LIB")
            << c.name;
        for (const char* key : {kRecord64, kRecord32, kUninstallKey, kUninstallKey32})
            EXPECT_FALSE(fresh.registry.KeyExists(RootKey::LocalMachine, key)) << c.name << ": " << key;
    }
}

// A re-installation adds to the record: a file it no longer ships still goes, and a file shipped
// anew goes with the checksum of its last copy.
TEST_F(UninstallTest, RemovesWhatEveryInstallationIntoTheFolderShipped) {
    backend.files.AddFile(In(kSource, "OLD.DLL"), "shipped only at first");
    OnInstallButton(context, page);
    backend.files.DeleteFile(In(kSource, "OLD.DLL"));
    state::InstallJournal again;
    install::InstallContext againContext{services, options, inventory, again};
    for (const char* content : {"shipped v2", "shipped, third press"}) {
        backend.files.AddFile(In(kSource, "Brelix2020.arx"), content);
        OnInstallButton(againContext, page);
    }
    backend.files.SetProgramPath(kUninstaller);

    state::InstallJournal uninstallJournal;
    EXPECT_EQ(uninstall::RunUninstall(services, uninstallJournal, true), uninstall::kUninstalled);
    backend.files.Restart();
    EXPECT_THAT(backend.files.List("D:\\Tools"), ::testing::IsEmpty());
}

// A machine-wide rollout's per-user program and Active Setup component go with this folder only.
TEST_F(UninstallTest, RemovesTheRolloutsPiecesOnlyWhenTheyRunFromThisFolder) {
    constexpr char kActiveSetup[] = "SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\Brelix";
    struct Case {
        std::string stubPath;
        bool componentStays;
    };
    const Case cases[] = {
        {"\"C:\\Program Files\\Brelix Setup\\BrelixUser.exe\"", false},
        {"\"D:\\Tools\\Brelix结构工具箱\\BrelixUser.exe\"", false},
        {"\"d:\\tools\\brelix结构工具箱\\BrelixUser.exe\"", false},
        {"\"E:\\Other\\Brelix结构工具箱\\BrelixUser.exe\"", true},
        {"\"C:\\Program Files (x86)\\Brelix Setup\\BrelixUser.exe\"", true},
        {"\"D:\\Tools\\Brelix结构工具箱2\\BrelixUser.exe\"", true},
    };
    for (const Case& c : cases) {
        MemoryBackend fresh;
        InstallOn(fresh);
        fresh.files.AddFile(In(kProduct, "BrelixUser.exe"), "an earlier build's per-user steps");
        fresh.files.AddFile(In(kSetupFolder, "BrelixUser.exe"), "per-user steps");
        fresh.registry.SetString(RootKey::LocalMachine, kActiveSetup, "StubPath", c.stubPath);
        EXPECT_EQ(UninstallOn(fresh, true), uninstall::kUninstalled) << c.stubPath;
        EXPECT_FALSE(fresh.files.Exists(In(kProduct, "BrelixUser.exe"))) << c.stubPath;
        EXPECT_FALSE(fresh.files.Exists(kSetupFolder)) << c.stubPath;
        EXPECT_EQ(fresh.registry.KeyExists(RootKey::LocalMachine, kActiveSetup), c.componentStays)
            << c.stubPath;
    }

    // One that cannot be opened stays, named with the system's words for that open, not for the
    // look after it (every other call here leaves "file not found" behind).
    MemoryBackend held;
    InstallOn(held);
    const std::string earlier = In(kProduct, "BrelixUser.exe");
    held.files.AddFile(earlier, "an earlier build's per-user steps");
    held.failures.Fail(Operation::OpenFile, earlier);
    const platform::SystemError inUse{32, "另一个程序正在使用此文件，进程无法访问。"};
    held.failures.AfterEveryCheck([&held, inUse](bool failed) {
        held.environment.lastError = failed ? inUse : platform::SystemError{2, "系统找不到指定的文件。"};
    });
    platform::Services heldServices = held.services();
    held.files.SetProgramPath(kUninstaller);
    state::InstallJournal removal;
    EXPECT_EQ(uninstall::RunUninstall(heldServices, removal, true), uninstall::kUninstalledWithProblems);
    EXPECT_THAT(removal.Problems(),
                ElementsAre("未能删除 " + earlier + platform::DescribeSystemError(inUse)));
    EXPECT_TRUE(held.files.Exists(earlier));
}

// What an earlier installation left is taken into the new record only from the setup folders,
// where the user cannot write; a record or uninstaller in any product folder is the user's file,
// and stays. The earlier setup folder's uninstaller and record go. An entry only the earlier record lists
// goes with the next uninstall exactly when its record was taken in.
TEST_F(UninstallTest, EarlierRecordsAreTakenInOnlyFromTrustedPlacesAndTheirOldPlacesCleared) {
    constexpr char kEarlierEntry[] =
        "SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804\\Applications\\Brelix2019";
    constexpr char kOtherBuild[] = "C:\\Program Files (x86)\\Brelix Setup";
    constexpr char kOldProduct[] = "D:\\Old\\Brelix结构工具箱";
    const std::string earlierRecord =
        std::string("Brelix结构工具箱 安装记录 1\r\nDEMANDLOAD\t") + kEarlierEntry + "\r\n";
    struct Case {
        const char* name;
        const char* recorded;       // Brelix_Path before the installation; nullptr: none
        const char* earlierFolder;  // where the earlier record lies
        bool withUninstaller;       // an Uninstall.exe beside it
        bool takenIn;
    };
    const Case cases[] = {
        {"this build's setup folder", nullptr, kSetupFolder, true, true},
        {"the other build's setup folder", nullptr, kOtherBuild, true, true},
        {"an earlier build in the recorded product folder", kProduct, kProduct, true, false},
        {"an earlier build in another recorded folder", kOldProduct, kOldProduct, true, false},
        {"a recorded folder without an uninstaller", kProduct, kProduct, false, false},
        {"a product folder the registry does not name", kOldProduct, kProduct, true, false},
        {"no record in the registry", nullptr, kProduct, true, false},
    };
    for (const Case& c : cases) {
        MemoryBackend fresh;
        StageMachine(fresh);
        fresh.registry.SetProgramBitness(64);
        fresh.registry.SetString(RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                                 "ProgramFilesDir", "C:\\Program Files");
        fresh.registry.SetString(RootKey::LocalMachine,
                                 "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion",
                                 "ProgramFilesDir", "C:\\Program Files (x86)");
        fresh.registry.SetString(RootKey::LocalMachine, kEarlierEntry, "LOADER",
                                 In(kProduct, "BRELIX2019.ARX"));
        if (c.recorded)
            fresh.registry.SetString(RootKey::LocalMachine, "SOFTWARE\\Wow6432Node\\Brelix", "Brelix_Path",
                                     c.recorded);
        fresh.files.AddFile(In(c.earlierFolder, install::kInstallRecordName), earlierRecord);
        if (c.withUninstaller)
            fresh.files.AddFile(In(c.earlierFolder, "Uninstall.exe"), "earlier uninstaller");
        const bool inSetupFolder = std::string(c.earlierFolder) == kSetupFolder;
        if (!inSetupFolder)
            fresh.files.AddFile(In(c.earlierFolder, "BrelixUser.exe"), "earlier per-user program");

        platform::Services freshServices = fresh.services();
        state::InstallJournal installJournal;
        install::InstallContext installContext{freshServices, options, inventory, installJournal};
        OnInstallButton(installContext, page);
        EXPECT_FALSE(installJournal.HasProblems()) << c.name;
        EXPECT_THAT(fresh.files.List(kSetupFolder),
                    ElementsAre("BrelixUser.exe", "Brelix安装记录.txt", "Uninstall.exe"))
            << c.name;
        if (!inSetupFolder) {
            EXPECT_EQ(fresh.files.Exists(In(c.earlierFolder, install::kInstallRecordName)), !c.takenIn)
                << c.name;
            EXPECT_EQ(fresh.files.Exists(In(c.earlierFolder, "BrelixUser.exe")), !c.takenIn) << c.name;
        }
        EXPECT_FALSE(fresh.files.Exists(kOtherBuild)) << c.name;

        fresh.files.SetProgramPath(kUninstaller);
        state::InstallJournal uninstallJournal;
        EXPECT_EQ(uninstall::RunUninstall(freshServices, uninstallJournal, true), uninstall::kUninstalled)
            << c.name << ::testing::PrintToString(uninstallJournal.Problems());
        EXPECT_EQ(fresh.registry.KeyExists(RootKey::LocalMachine, kEarlierEntry), !c.takenIn) << c.name;
    }
}

// The setup folder waits for the restart only when the uninstaller is all that is left in it.
TEST_F(UninstallTest, ASetupFolderHoldingMoreStaysAfterTheRestart) {
    Install();
    backend.files.AddFile(In(kSetupFolder, "SetUp_Temp1\\USER.CFG"), "saved by an unfinished run");
    EXPECT_EQ(uninstall::RunUninstall(services, journal, true), uninstall::kUninstalled);
    EXPECT_THAT(backend.files.PendingDeletions(), ElementsAre(kWaitingUninstaller));
}

// Installed again before the restart that removes the uninstaller, twice over: the restart takes
// only the uninstallers that ran, never the new one, and the last installation can still be removed.
TEST_F(UninstallTest, AnInstallationBeforeTheRestartKeepsItsOwnUninstaller) {
    for (const char* waiting :
         {kWaitingUninstaller, "C:\\Program Files\\Brelix Setup\\Uninstall.exe.2.old"}) {
        Install();
        EXPECT_EQ(uninstall::RunUninstall(services, journal, true), uninstall::kUninstalled);
        EXPECT_THAT(backend.files.PendingDeletions(), ::testing::Contains(waiting));
        EXPECT_FALSE(backend.files.Exists(kUninstaller));
        backend.files.SetProgramPath(kProgram);
    }
    OnInstallButton(context, page);
    backend.files.Restart();
    EXPECT_THAT(backend.files.List(kSetupFolder),
                ElementsAre("BrelixUser.exe", "Brelix安装记录.txt", "Uninstall.exe"));
    EXPECT_EQ(backend.registry.GetValue(RootKey::LocalMachine, kUninstallKey, "InstallLocation")->Text(),
              kProduct);
}

// Until the new record holds what the earlier one said, the earlier one and its uninstaller stay.
TEST_F(UninstallTest, AnEarlierRecordStaysWhileTheNewOneCannotBeWritten) {
    // The next record cannot be written, or cannot take the record's name.
    for (const Operation op : {Operation::WriteFile, Operation::MoveFile}) {
        MemoryBackend machine;
        StageMachine(machine);
        machine.registry.SetString(RootKey::LocalMachine, "SOFTWARE\\Brelix", "Brelix_Path", kProduct);
        machine.files.AddFile(In(kProduct, install::kInstallRecordName), "Brelix结构工具箱 安装记录 1\r\n");
        machine.files.AddFile(In(kProduct, "Uninstall.exe"), "earlier uninstaller");
        machine.failures.Fail(op, In(kSetupFolder, install::kInstallRecordBeingWritten));
        platform::Services machineServices = machine.services();
        state::InstallJournal machineJournal;
        install::InstallContext machineContext{machineServices, options, inventory, machineJournal};
        OnInstallButton(machineContext, page);
        // A record that cannot be written at all stops the run before anything is registered.
        if (op == Operation::WriteFile)
            EXPECT_EQ(machineJournal.Outcome(), state::InstallOutcome::Stopped);
        else
            EXPECT_THAT(machineJournal.Problems(),
                        ElementsAre("未能写入安装记录 " + In(kSetupFolder, install::kInstallRecordName) +
                                    "（错误 5：拒绝访问。）"));
        EXPECT_TRUE(machine.files.Exists(In(kProduct, install::kInstallRecordName)));
        EXPECT_TRUE(machine.files.Exists(In(kProduct, "Uninstall.exe")));
        EXPECT_FALSE(machine.files.Exists(In(kSetupFolder, install::kInstallRecordBeingWritten)));
    }
}

// The uninstall finds the record of whichever build installed last, here the 32-bit one's below
// Program Files (x86), run by the 64-bit build.
TEST_F(UninstallTest, FindsTheOtherBuildsSetupFolder) {
    OnInstallButton(context, page);
    const std::string other = "C:\\Program Files (x86)\\Brelix Setup";
    backend.files.AddFolder(other);
    for (const char* name : {"Brelix安装记录.txt", "Uninstall.exe"})
        ASSERT_TRUE(backend.files.MoveFile(In(kSetupFolder, name), In(other, name)));
    backend.files.RemoveDirectory(kSetupFolder);
    backend.registry.SetProgramBitness(64);
    backend.registry.SetString(RootKey::LocalMachine,
                               "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
                               "C:\\Program Files (x86)");
    backend.files.SetProgramPath("E:\\SetUp.exe");
    EXPECT_EQ(uninstall::RunUninstall(services, journal, true), uninstall::kUninstalled);
    EXPECT_FALSE(backend.registry.KeyExists(RootKey::LocalMachine, kEntryKey));
    EXPECT_FALSE(backend.files.Exists(kProduct));
    EXPECT_FALSE(backend.files.Exists(other));
}

// AutoCAD's demand-load entry and the logon's Active Setup component go before any file, whatever
// fails later; while one of them cannot go, no file is touched.
TEST_F(UninstallTest, WhatRunsCodeGoesFirstAndAloneWhenItCannotGo) {
    struct Case {
        const char* name;
        std::function<void(MemoryBackend&)> arrange;
        bool entryGone;
        bool componentGone;
        bool filesTouched;
    };
    const Case cases[] = {
        {"a shipped file held open", [](MemoryBackend& b) { b.files.Lock(In(kProduct, "Brelix2020.arx")); },
         true, true, true},
        {"a trusted path that cannot be written",
         [](MemoryBackend& b) { b.failures.Fail(Operation::WriteValue, "*"); }, true, true, true},
        {"a shipped file that cannot be deleted",
         [](MemoryBackend& b) { b.failures.Fail(Operation::DeleteFile, In(kProduct, "Brelix2020.arx")); },
         true, true, true},
        {"no key can be deleted", [](MemoryBackend& b) { b.failures.Fail(Operation::DeleteKey, "*"); }, false,
         false, false},
        {"the component cannot be deleted",
         [](MemoryBackend& b) {
             b.failures.Fail(Operation::DeleteKey, std::string("HKLM\\") + kActiveSetupKey);
         },
         true, false, false},
    };
    for (const Case& c : cases) {
        MemoryBackend fresh;
        InstallOn(fresh);
        fresh.registry.SetString(RootKey::LocalMachine, kActiveSetupKey, "StubPath",
                                 "\"" + In(kSetupFolder, "BrelixUser.exe") + "\"");
        const std::vector<std::string> before = fresh.files.List(kProduct);
        c.arrange(fresh);
        EXPECT_EQ(UninstallOn(fresh, true), uninstall::kUninstalledWithProblems) << c.name;
        fresh.failures.Clear();
        EXPECT_EQ(!fresh.registry.KeyExists(RootKey::LocalMachine, kEntryKey), c.entryGone) << c.name;
        EXPECT_EQ(!fresh.registry.KeyExists(RootKey::LocalMachine, kActiveSetupKey), c.componentGone)
            << c.name;
        EXPECT_EQ(fresh.files.List(kProduct) != before, c.filesTouched) << c.name;
        // Another run is possible: the record, the uninstaller and the entry stay; BrelixUser.exe
        // stays while the component that starts it does.
        std::vector<std::string> setupFiles{"Brelix安装记录.txt", "Uninstall.exe"};
        if (!c.componentGone)
            setupFiles.insert(setupFiles.begin(), "BrelixUser.exe");
        EXPECT_EQ(fresh.files.List(kSetupFolder), setupFiles) << c.name;
        EXPECT_TRUE(fresh.registry.KeyExists(RootKey::LocalMachine, kUninstallKey)) << c.name;
    }
}

// The product record stays exactly when the uninstall keeps a file the next installation can keep.
TEST_F(UninstallTest, TheProductRecordStaysForFilesTheNextInstallationCanKeep) {
    struct Case {
        const char* name;
        const char* file;  // the user's, below the product folder
        bool recordStays;
    };
    const Case cases[] = {
        {"changed settings", "Brelix.CFG", true},
        {"a section library", "钢梁.sec", true},
        {"a drawing", "Brelix扩展绘图库\\节点.SJY", true},
        {"a document", "说明.txt", false},
        {"settings in a subfolder", "temp\\old.CFG", false},
        {"a drawing outside the library", "节点.SJY", false},
        {"a drawing in another subfolder", "temp\\节点.SJY", false},
    };
    for (const Case& c : cases) {
        MemoryBackend fresh;
        InstallOn(fresh);
        fresh.files.AddFile(In(kProduct, c.file), "the user's");
        fresh.prompts.answers = {platform::kIdYes, platform::kIdOk};
        EXPECT_EQ(UninstallOn(fresh, false), uninstall::kUninstalled) << c.name;
        const auto recorded =
            fresh.registry.GetValue(RootKey::LocalMachine, "SOFTWARE\\Brelix", "Brelix_Path");
        EXPECT_EQ(recorded.has_value(), c.recordStays) << c.name;
        EXPECT_EQ(recorded ? recorded->Text() : kProduct, kProduct) << c.name;
        ASSERT_EQ(fresh.prompts.shown.size(), 2u) << c.name;
        EXPECT_EQ(fresh.prompts.shown[1].text.find("已保留安装位置的记录") != std::string::npos,
                  c.recordStays)
            << c.name;
        EXPECT_FALSE(fresh.registry.KeyExists(RootKey::LocalMachine, kUninstallKey)) << c.name;
    }
}

TEST(TrustedFolderRemoval, TakesOutOnlyWholeEntriesAndLeavesTheRestAsItIs) {
    const std::string folder = "D:\\Tools\\Brelix结构工具箱";
    struct Case {
        std::string list;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"D:\\LIB;D:\\TOOLS\\BRELIX结构工具箱", "D:\\LIB"},
        {"D:\\Tools\\Brelix结构工具箱", ""},
        {"a;d:\\tools\\brelix结构工具箱\\;b;", "a;b;"},
        {"D:\\TOOLS\\BRELIX结构工具箱;x;D:\\TOOLS\\BRELIX结构工具箱", "x"},
        {"D:\\TOOLS\\BRELIX结构工具箱2;D:\\TOOLS\\BRELIX结构工具箱\\SUB", std::nullopt},
        {"d:\\lib", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(uninstall::WithoutTrustedFolder(c.list, folder), c.expected) << c.list;
}

// After a switch between the 32- and 64-bit builds, what the other build registered lives in its
// own registry view, and the record does not say which view. The demand-load entry and the Active
// Setup component go from either view where they are ours, whichever build removes them; the next
// installation's own component replaces the other build's.
TEST(BuildSwitch, EntriesOfTheOtherBuildGoFromItsViewAndOnlyWhenOurs) {
    // Places in a 64-bit system's tree: the 32-bit view is below Wow6432Node.
    const std::string component64 = "SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\Brelix";
    const std::string component32 =
        "SOFTWARE\\Wow6432Node\\Microsoft\\Active Setup\\Installed Components\\Brelix";
    const std::string setup64 = "C:\\Program Files\\Brelix Setup";
    const std::string setup32 = "C:\\Program Files (x86)\\Brelix Setup";
    const auto stubIn = [](const std::string& folder) { return "\"" + folder + "\\BrelixUser.exe\""; };
    struct Case {
        int programBits;            // the build that removes, then installs
        std::string recordedEntry;  // as the other build recorded it, in its own view
        std::string entryAt;
        std::string otherStub;
        bool ours;
    };
    const Case cases[] = {
        {32, "SOFTWARE\\Autodesk\\AutoCAD\\R24.0\\ACAD-4101:804\\Applications\\Brelix2021",
         "SOFTWARE\\Autodesk\\AutoCAD\\R24.0\\ACAD-4101:804\\Applications\\Brelix2021", stubIn(setup64),
         true},
        {64, "SOFTWARE\\Autodesk\\AutoCAD\\R17.2\\ACAD-7001:804\\Applications\\Brelix2009",
         "SOFTWARE\\Wow6432Node\\Autodesk\\AutoCAD\\R17.2\\ACAD-7001:804\\Applications\\Brelix2009",
         stubIn(setup32), true},
        {32, "SOFTWARE\\Autodesk\\AutoCAD\\R24.0\\ACAD-4101:804\\Applications\\Brelix2021",
         "SOFTWARE\\Autodesk\\AutoCAD\\R24.0\\ACAD-4101:804\\Applications\\Brelix2021",
         "\"C:\\Other\\u.exe\"", false},
    };
    for (const Case& c : cases) {
        const std::string& own = c.programBits == 64 ? setup64 : setup32;
        const std::string& ownComponent = c.programBits == 64 ? component64 : component32;
        const std::string& otherComponent = c.programBits == 64 ? component32 : component64;
        MemoryBackend b;
        b.registry.SetSystemBitness(64);
        b.registry.SetProgramBitness(c.programBits);
        b.registry.SetString(RootKey::LocalMachine, c.entryAt, "LOADER",
                             c.ours ? In(kProduct, "BRELIX2021.ARX") : "C:\\Other\\other.arx");
        b.registry.SetString(RootKey::LocalMachine, otherComponent, "StubPath", c.otherStub);
        state::InstallJournal removal;
        EXPECT_TRUE(
            uninstall::RemoveDemandLoadEntry(b.registry, b.environment, c.recordedEntry, {kProduct}, removal)
                .empty());
        EXPECT_TRUE(uninstall::RemoveActiveSetupComponent(b.registry, b.environment,
                                                          {setup32, setup64, kProduct}, removal));
        EXPECT_FALSE(removal.HasProblems());
        EXPECT_EQ(b.registry.KeyExists(RootKey::LocalMachine, c.entryAt), !c.ours) << c.entryAt;
        EXPECT_EQ(b.registry.KeyExists(RootKey::LocalMachine, otherComponent), !c.ours) << c.entryAt;

        // Cut off between making the entry and the component and writing where they lead: they go
        // from either view too.
        MemoryBackend half;
        half.registry.SetSystemBitness(64);
        half.registry.SetProgramBitness(c.programBits);
        half.registry.SetDword(RootKey::LocalMachine, c.entryAt, "LOADCTRLS", 2);
        half.registry.CreateKey(RootKey::LocalMachine, otherComponent);
        uninstall::RemoveHalfWrittenKeys(half.registry, half.environment, {c.recordedEntry}, removal);
        EXPECT_FALSE(half.registry.KeyExists(RootKey::LocalMachine, c.entryAt)) << c.entryAt;
        EXPECT_FALSE(half.registry.KeyExists(RootKey::LocalMachine, otherComponent)) << c.entryAt;

        // An installation by this build registers its own component and clears the other build's.
        b.registry.SetString(RootKey::LocalMachine, otherComponent, "StubPath", c.otherStub);
        b.files.AddCarriedFile(install::kUserProgramResource, "program");
        b.files.AddFolder(own);
        platform::Services services = b.services();
        state::InstallJournal installation;
        EXPECT_TRUE(install::RegisterActiveSetup(services, own, false, installation));
        EXPECT_FALSE(b.registry.KeyExists(RootKey::LocalMachine, otherComponent)) << c.entryAt;
        const auto stub = b.registry.GetValue(RootKey::LocalMachine, ownComponent, "StubPath");
        EXPECT_EQ(stub ? stub->Text() : "", stubIn(own)) << c.entryAt;
    }

    // The other build's component that cannot go is a problem of the installation, its own is in place.
    MemoryBackend b;
    b.registry.SetSystemBitness(64);
    b.registry.SetString(RootKey::LocalMachine, component64, "StubPath", stubIn(setup64));
    b.failures.Fail(Operation::DeleteKey, "HKLM\\" + component64);
    b.files.AddCarriedFile(install::kUserProgramResource, "program");
    b.files.AddFolder(setup32);
    platform::Services services = b.services();
    state::InstallJournal installation;
    EXPECT_TRUE(install::RegisterActiveSetup(services, setup32, false, installation));
    EXPECT_TRUE(installation.HasProblems());
    EXPECT_TRUE(b.registry.KeyExists(RootKey::LocalMachine, component32));
}

// Earlier builds stored a root ending in "\\" as given, and AutoCAD upper-cases the trusted paths:
// every spelling of the folder is the installation's.
TEST_F(UninstallTest, KnowsItsFolderInEverySpelling) {
    Install();
    const std::string other = "d:\\TOOLS\\\\brelix结构工具箱\\";
    backend.registry.SetString(RootKey::LocalMachine, "SOFTWARE\\Brelix", "Brelix_Path", other);
    backend.registry.SetString(RootKey::LocalMachine, kEntryKey, "LOADER", other + "BRELIX2020.ARX");
    backend.registry.SetString(RootKey::CurrentUser, kVariables, "TRUSTEDPATHS", "d:\\lib;" + other);
    backend.registry.SetString(RootKey::LocalMachine, kUninstallKey, "InstallLocation", other);

    EXPECT_EQ(uninstall::RunUninstall(services, journal, true), uninstall::kUninstalled);
    EXPECT_FALSE(backend.registry.KeyExists(RootKey::LocalMachine, "SOFTWARE\\Brelix"));
    EXPECT_FALSE(backend.registry.KeyExists(RootKey::LocalMachine, kEntryKey));
    EXPECT_FALSE(backend.registry.KeyExists(RootKey::LocalMachine, kUninstallKey));
    EXPECT_EQ(backend.registry.GetValue(RootKey::CurrentUser, kVariables, "TRUSTEDPATHS")->Text(), "d:\\lib");
}

// An ordinary user may change the product folder: links out of it, and record lines naming what
// lies behind them with the right size and checksum. Nothing outside the folder may change,
// whether the system opens a link itself (Windows) or what it leads to (Wine).
// A shipped module whose name became a second name of a file elsewhere, same bytes: kept and listed,
// never deleted nor its read-only bit cleared.
TEST_F(UninstallTest, AFileWithASecondNameIsKept) {
    Install();
    const std::string module = In(kProduct, "Brelix2020.arx");
    backend.files.AddFile("C:\\windows\\module.arx", *backend.files.ReadFile(module),
                          platform::kAttrArchive | platform::kAttrReadOnly);
    ASSERT_TRUE(backend.files.DeleteFile(module));
    backend.files.AddHardLink(module, "C:\\windows\\module.arx");
    EXPECT_EQ(uninstall::RunUninstall(services, journal, true), uninstall::kUninstalled);
    EXPECT_TRUE(backend.files.Exists(module));
    EXPECT_EQ(backend.files.GetAttributes("C:\\windows\\module.arx"),
              platform::kAttrArchive | platform::kAttrReadOnly);
}

// An installation cut off half way through its swap: the uninstall puts the old file back first, as
// its record describes it, and then removes it as shipped.
TEST_F(UninstallTest, ASwapCutOffHalfWayIsUndoneBeforeTheFilesGo) {
    Install();
    const std::string module = In(kProduct, "Brelix2020.arx");
    ASSERT_TRUE(backend.files.MoveFile(module, In(kProduct, "~BX1A_1.OLD")));
    backend.files.AddFile(module, "a newer module");
    backend.files.AddFile(files::SwapJournalPath(kSetupFolder, kProduct),
                          "BRELIX-SWAP\r\nFOLDER\t" + std::string(kProduct) +
                              "\r\nTAG\t1A\r\nPHASE\tSWAPPING\r\nE\t0\t1\tBrelix2020.arx\t~BX1A_1.NEW\t"
                              "~BX1A_1.OLD\r\nEND\r\n");
    EXPECT_EQ(uninstall::RunUninstall(services, journal, true), uninstall::kUninstalled);
    EXPECT_FALSE(backend.files.Exists(module));
    EXPECT_FALSE(backend.files.Exists(kProduct));
}

TEST_F(UninstallTest, NothingBehindALinkIsDeletedOrRemoved) {
    const auto line = [](const std::string& content, const std::string& path) {
        platform::ContentCheck check;
        check.Add(content.data(), content.size());
        return "FILE\t" + std::to_string(content.size()) + "\t" + platform::HexText(check.crc, 8) + "\t" +
               path + "\r\n";
    };
    const auto outside = [](MemoryBackend& b) {
        std::string lines;
        for (const char* folder : {"C:\\windows", "D:\\Lib", "D:\\Data", "E:\\Moved"}) {
            for (const std::string& name : b.files.List(folder))
                lines +=
                    In(folder, name) + "=" + b.files.ReadFile(In(folder, name)).value_or("folder") + "\n";
        }
        return lines;
    };
    struct Case {
        const char* name;
        std::function<void(MemoryBackend&)> attack;
        int exitCode;
        std::vector<std::string> links;  // left in place
    };
    const std::string library = In(kProduct, "Brelix扩展绘图库");
    const Case cases[] = {
        {"links below the product folder",
         [&](MemoryBackend& b) {
             b.files.AddFile("C:\\windows\\win.ini", "[fonts]");
             b.files.AddFile("C:\\windows\\system.ini", "shipped Brelix2020.arx");
             b.files.AddFile("D:\\Lib\\梁.SJY", "beam");
             b.files.AddFile("D:\\Data\\secret.txt", "secret");
             ASSERT_TRUE(b.files.DeleteFile(In(library, "梁.SJY")) && b.files.RemoveDirectory(library));
             b.files.AddLink(library, "D:\\Lib");
             b.files.AddLink(In(kProduct, "win"), "C:\\windows");
             ASSERT_TRUE(b.files.DeleteFile(In(kProduct, "Brelix2020.arx")));
             b.files.AddLink(In(kProduct, "Brelix2020.arx"), "C:\\windows\\system.ini", false);
             b.files.AddLink(In(kProduct, "BrelixUser.exe"), "C:\\windows\\system.ini", false);
             const std::string record = In(kSetupFolder, "Brelix安装记录.txt");
             b.files.AddFile(record, *b.files.ReadFile(record) + line("[fonts]", "win\\win.ini") +
                                         line("secret", "temp/../../../Data/secret.txt") +
                                         line("secret", "temp\\..\\..\\..\\Data\\secret.txt"));
         },
         uninstall::kUninstalled,
         {library, In(kProduct, "win"), In(kProduct, "Brelix2020.arx"), In(kProduct, "BrelixUser.exe")}},
        {"the product folder made a link",
         [&](MemoryBackend& b) {
             b.files.AddFolder("E:\\Moved");
             ASSERT_TRUE(b.files.MoveFile(In(library, "梁.SJY"), "E:\\Moved\\梁.SJY"));
             for (const std::string& name : b.files.List(kProduct)) {
                 const bool moved = b.files.MoveFile(In(kProduct, name), In("E:\\Moved", name));
                 ASSERT_TRUE(moved || b.files.RemoveDirectory(In(kProduct, name))) << name;
             }
             ASSERT_TRUE(b.files.RemoveDirectory(kProduct));
             b.files.AddLink(kProduct, "E:\\Moved");
         },
         uninstall::kUninstalledWithProblems,
         {kProduct}},
        {"the product folder made a link to a folder of administrators holding a per-user program",
         [&](MemoryBackend& b) {
             b.files.AddFile("C:\\windows\\win.ini", "[fonts]");
             b.files.AddFile("C:\\windows\\BrelixUser.exe", "administrators' program");
             ASSERT_TRUE(b.files.RenameFolder(kProduct, "D:\\Tools\\moved"));
             b.files.AddLink(kProduct, "C:\\windows");
         },
         uninstall::kUninstalledWithProblems,
         {kProduct}},
        {"the drawing library made a link between the listing and the sweep's entering it",
         [&](MemoryBackend& b) {
             b.files.AddFile("D:\\Data\\secret.txt", "secret");
             b.files.AddFolder("D:\\Data\\Empty");
             const std::string listing = In(kProduct, "*.*");
             b.failures.Watch(platform::memory::Operation::FindFirst, listing);
             // The first listing of the product folder after the library's shipped file went.
             b.failures.BeforeEveryCheck([&b, library, listing, seenEmpty = -1](long) mutable {
                 const int seen = b.failures.Seen(platform::memory::Operation::FindFirst, listing);
                 if (seenEmpty < 0 && b.files.Exists(library) && b.files.List(library).empty())
                     seenEmpty = seen;
                 if (seenEmpty >= 0 && seen > seenEmpty &&
                     b.files.RenameFolder(library, "D:\\Tools\\moved")) {
                     b.files.AddLink(library, "D:\\Data");
                     seenEmpty = 1 << 30;
                 }
             });
         },
         uninstall::kUninstalledWithProblems,
         {library}},
    };
    for (const Case& c : cases) {
        for (const bool openFollows : {false, true}) {
            const std::string name = std::string(c.name) + (openFollows ? ", opened as Wine does" : "");
            MemoryBackend fresh;
            InstallOn(fresh);
            c.attack(fresh);
            fresh.files.SetOpenFollowsLinks(openFollows);
            const std::string before = outside(fresh);
            fresh.prompts.answers = {platform::kIdYes, platform::kIdOk};
            EXPECT_EQ(UninstallOn(fresh, false), c.exitCode) << name;
            EXPECT_EQ(outside(fresh), before) << name;
            ASSERT_EQ(fresh.prompts.shown.size(), 2u) << name;
            for (const std::string& link : c.links) {
                EXPECT_TRUE(fresh.files.Exists(link)) << name << ": " << link;
                const std::string listed =
                    link == kProduct ? link : link.substr(std::string(kProduct).size() + 1);
                EXPECT_NE(fresh.prompts.shown[1].text.find(listed + "\n"), std::string::npos)
                    << name << ": " << fresh.prompts.shown[1].text;
            }
        }
    }
}

}  // namespace

namespace {

// What an installation cut off while it wrote the next record left beside the record.
constexpr char kHalfRecord[] = "Brelix结构工具箱 安装记录 1\r\nFILE\t12";

// The installation's own pieces that must not outlive a finished uninstall.
void ExpectUninstalled(MemoryBackend& machine, const std::string& when) {
    EXPECT_EQ(machine.files.ReadFile(In(kProduct, "Brelix.CFG")), "the user's settings") << when;
    EXPECT_THAT(machine.files.List(kProduct), ElementsAre("Brelix.CFG")) << when;
    EXPECT_FALSE(machine.registry.KeyExists(RootKey::LocalMachine, kEntryKey)) << when;
    EXPECT_FALSE(machine.registry.KeyExists(RootKey::LocalMachine, kUninstallKey)) << when;
    for (const char* name : {"Brelix安装记录.txt", "Brelix安装记录.txt.new", "BrelixUser.exe"})
        EXPECT_FALSE(machine.files.Exists(In(kSetupFolder, name))) << when << ": " << name;
}

}  // namespace

// The uninstall cut off at every platform call (a killed process, a lost power supply), then run
// again from the setup folder: the user's changed settings are never lost, no demand-load entry
// names a module that is gone, and the second run finishes the work, whatever the first one left.
TEST_F(UninstallTest, CutOffAtEveryCallTheNextRunFinishes) {
    long installCalls = 0;
    long uninstallCalls = 0;
    {
        MemoryBackend counting;
        InstallOn(counting);
        installCalls = counting.failures.CheckCount();
        counting.files.AddFile(In(kProduct, "Brelix.CFG"), "the user's settings");
        counting.files.AddFile(In(kSetupFolder, "Brelix安装记录.txt.new"), kHalfRecord);
        platform::Services countingServices = counting.services();
        state::InstallJournal countingJournal;
        ASSERT_EQ(uninstall::RunUninstall(countingServices, countingJournal, true), uninstall::kUninstalled);
        uninstallCalls = counting.failures.CheckCount() - installCalls;
        ExpectUninstalled(counting, "uninterrupted");
    }
    ASSERT_GT(uninstallCalls, 20);

    for (long n = 1; n <= uninstallCalls; ++n) {
        const std::string when = "cut off at call " + std::to_string(n);
        MemoryBackend machine;
        InstallOn(machine);
        machine.files.AddFile(In(kProduct, "Brelix.CFG"), "the user's settings");
        machine.files.AddFile(In(kSetupFolder, "Brelix安装记录.txt.new"), kHalfRecord);
        machine.failures.StopAtCheck(machine.failures.CheckCount() + n);
        machine.failures.LeaveWritesHalfDone(true);
        platform::Services machineServices = machine.services();
        {
            state::InstallJournal cutJournal;
            uninstall::RunUninstall(machineServices, cutJournal, true);
        }
        machine.failures.StopAtCheck(0);
        EXPECT_EQ(machine.files.ReadFile(In(kProduct, "Brelix.CFG")), "the user's settings") << when;
        if (machine.registry.KeyExists(RootKey::LocalMachine, kEntryKey)) {
            EXPECT_TRUE(machine.files.Exists(In(kProduct, "Brelix2020.arx"))) << when;
        }

        // Run again from the setup folder while the record is there. Once it is gone the entry is
        // too: nothing is left to do, and nothing points at the uninstaller.
        if (machine.files.Exists(In(kSetupFolder, "Brelix安装记录.txt"))) {
            state::InstallJournal againJournal;
            EXPECT_EQ(uninstall::RunUninstall(machineServices, againJournal, true), uninstall::kUninstalled)
                << when;
        } else {
            EXPECT_FALSE(machine.registry.KeyExists(RootKey::LocalMachine, kUninstallKey)) << when;
        }
        ExpectUninstalled(machine, when);
    }
}

// An administrator's rollout: the root moved twice, with fewer releases each time, then the quiet
// uninstall. What an earlier folder still serves is named at each installation; the uninstall
// takes every folder's shipped files, entries and trusted paths, and keeps the user's change.
class MovedRootTest : public ::testing::Test {
  protected:
    static constexpr char kKey2021[] = "SOFTWARE\\Autodesk\\AutoCAD\\R24.0\\ACAD-4101:804";
    static constexpr char kEntry2021[] =
        "SOFTWARE\\Autodesk\\AutoCAD\\R24.0\\ACAD-4101:804\\Applications\\Brelix2021";

    MovedRootTest() {
        StageMachine(backend);
        backend.registry.CreateKey(RootKey::LocalMachine, kKey2021);
        for (const char* drive : {"E:\\", "F:\\"})
            backend.files.AddFolder(drive);
    }

    // One run of the wizard's install button; the journal's lines and the end message.
    std::pair<std::vector<std::string>, std::string> InstallInto(const std::string& root,
                                                                 const std::vector<int>& years) {
        std::vector<std::tuple<int, const char*, const char*>> releases;
        for (int year : years) {
            releases.emplace_back(year, year == 2020 ? kAcadKey : kKey2021,
                                  year == 2020 ? kAcadFolder : "C:\\Program Files\\Autodesk\\AutoCAD 2021");
        }
        backend.prompts.shown.clear();
        const Pressed pressed = PressInstall(services, root, releases);
        EXPECT_EQ(pressed.outcome, state::InstallOutcome::Installed) << root;
        return {pressed.lines, backend.prompts.shown.empty() ? "" : backend.prompts.shown.back().text};
    }

    bool EntryExists(const char* key) { return backend.registry.KeyExists(RootKey::LocalMachine, key); }

    MemoryBackend backend;
    platform::Services services = backend.services();
};

bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST_F(MovedRootTest, EveryFolderStaysServedUntilTheUninstallTakesThemAll) {
    const std::string d = "D:\\CAD Tools\\Brelix结构工具箱";
    const std::string e = "E:\\CAD Tools\\Brelix结构工具箱";
    const std::string f = "F:\\Tools\\Brelix结构工具箱";
    InstallInto("D:\\CAD Tools", {2020, 2021});
    // The user changes a shipped file in the first folder.
    backend.files.AddFile(In(d, "Brelix_EN.shx"), "the user's font");

    const auto [logE, messageE] = InstallInto("E:\\CAD Tools", {2020});
    const std::string fromD = "AutoCAD 2021 仍从 " + d + " 加载本产品（卸载时删除）";
    EXPECT_TRUE(HasLine(logE, fromD)) << ::testing::PrintToString(logE);
    EXPECT_NE(messageE.find("\n\n" + fromD), std::string::npos) << messageE;
    EXPECT_TRUE(HasLine(logE, "安装记录保留早先的产品文件夹 " + d + "（卸载时删除其中安装的文件）"));
    // Nothing of the first folder was touched.
    EXPECT_EQ(backend.files.ReadWholeFile(In(d, "Brelix2020.arx"), 100), "shipped Brelix2020.arx");
    EXPECT_EQ(backend.registry.GetValue(RootKey::LocalMachine, kEntry2021, "LOADER")->Text(),
              In(d, "BRELIX2021.ARX"));

    // The user's settings in the second folder: they stay, but the product record names the last one.
    backend.files.AddFile(In(e, "Brelix.CFG"), "the user's settings");

    // Installed back into the same folder with fewer releases: the dropped one is named too.
    const auto [logF, messageF] = InstallInto("F:\\Tools", {2020});
    EXPECT_TRUE(HasLine(logF, fromD));
    backend.registry.SetString(RootKey::LocalMachine, kEntry2021, "LOADER", In(f, "BRELIX2021.ARX"));
    const auto [logF2, messageF2] = InstallInto("F:\\Tools", {2020});
    EXPECT_TRUE(HasLine(
        logF2, "AutoCAD 2021 本次未选择，但早先的安装仍为它注册了本产品，从 " + f + " 加载（卸载时删除）"))
        << ::testing::PrintToString(logF2);
    EXPECT_FALSE(HasLine(logF2, fromD));
    backend.registry.SetString(RootKey::LocalMachine, kEntry2021, "LOADER", In(d, "BRELIX2021.ARX"));

    backend.files.SetProgramPath(kUninstaller);
    state::InstallJournal removal;
    EXPECT_EQ(uninstall::RunUninstall(services, removal, true), uninstall::kUninstalled)
        << ::testing::PrintToString(removal.Problems());
    EXPECT_FALSE(EntryExists(kEntryKey));
    EXPECT_FALSE(EntryExists(kEntry2021));
    EXPECT_TRUE(EntryExists(kOtherToolKey));
    EXPECT_FALSE(EntryExists(kUninstallKey));
    EXPECT_EQ(backend.registry.GetValue(RootKey::CurrentUser, kVariables, "TRUSTEDPATHS")->Text(), "D:\\LIB");
    EXPECT_THAT(backend.files.List(d), ElementsAre("Brelix_EN.shx"));
    EXPECT_THAT(backend.files.List(e), ElementsAre("Brelix.CFG"));
    EXPECT_FALSE(backend.registry.KeyExists(RootKey::LocalMachine, "SOFTWARE\\Brelix"));
    EXPECT_FALSE(backend.files.Exists(f));
}

// An entry of ours that no recorded folder holds is never deleted, and never passes unnoticed.
TEST_F(MovedRootTest, AnEntryOfOursOutsideEveryRecordedFolderEndsWithSeven) {
    InstallInto("D:\\CAD Tools", {2020, 2021});
    const std::string stray = "G:\\Old\\Brelix结构工具箱\\BRELIX2021.ARX";
    backend.registry.SetString(RootKey::LocalMachine, kEntry2021, "LOADER", stray);
    // A file that cannot be deleted is named with the system's own words.
    const std::string held = "D:\\CAD Tools\\Brelix结构工具箱\\Brelix2020.arx";
    backend.failures.Fail(Operation::DeleteFile, held);
    backend.environment.lastError = {32, "另一个程序正在使用此文件，进程无法访问。"};
    backend.files.SetProgramPath(kUninstaller);
    state::InstallJournal removal;
    EXPECT_EQ(uninstall::RunUninstall(services, removal, true), uninstall::kUninstalledWithProblems);
    EXPECT_THAT(removal.Problems(),
                ElementsAre("未能删除 " + held + "（错误 32：另一个程序正在使用此文件，进程无法访问。）",
                            "加载项仍指向本产品，但不在安装记录的文件夹中，未删除：HKLM\\" +
                                std::string(kEntry2021) + " = " + stray));
    EXPECT_TRUE(EntryExists(kEntry2021));
    EXPECT_FALSE(EntryExists(kEntryKey));
    // Everything needed to run it again stays.
    EXPECT_TRUE(EntryExists(kUninstallKey));
    EXPECT_TRUE(backend.files.Exists(kUninstaller));
}

// What an administrator's scripts and detection rules read: every command line and path Windows
// runs is ASCII where Program Files is, the entry has its date and the whole size, and the log
// names the entry where Windows keeps it, in either kind of system.
TEST(DetectionFields, CommandLinesAreAsciiAndTheLogNamesTheRealView) {
    struct Case {
        int systemBits;
        int programBits;      // the build's: each build runs its own cases
        const char* entryAt;  // in the system's own tree
        const char* activeSetupAt;
        std::vector<std::string> logged;
    };
    const Case cases[] = {
        {32,
         32,
         "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brelix",
         "SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\Brelix",
         {"已写入卸载项 HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brelix",
          "已写入 HKLM\\SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804\\Applications\\Brelix2020 "
          "LOADCTRLS = 2"}},
        {64,
         32,
         "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brelix",
         "SOFTWARE\\Wow6432Node\\Microsoft\\Active Setup\\Installed Components\\Brelix",
         {"已写入卸载项 HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brelix",
          "已写入 "
          "HKLM\\SOFTWARE\\WOW6432Node\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804\\Applications\\Brelix2020 "
          "LOADCTRLS = 2"}},
        // The 64-bit build keeps the entry in the 32-bit view and its own keys in the 64-bit one.
        {64,
         64,
         "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brelix",
         "SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\Brelix",
         {"已写入卸载项 HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brelix",
          "已写入 HKLM\\SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804\\Applications\\Brelix2020 "
          "LOADCTRLS = 2"}},
    };
    for (const Case& c : cases) {
        if (c.programBits != state::kBuildBitness)
            continue;
        MemoryBackend b;
        b.registry.SetSystemBitness(c.systemBits);
        b.registry.SetProgramBitness(c.programBits);
        StageMachine(b);
        // Where a 32-bit program's AutoCAD key lies in a 64-bit system's tree.
        if (c.systemBits == 64 && c.programBits == 32)
            b.registry.CreateKey(RootKey::LocalMachine,
                                 "SOFTWARE\\Wow6432Node\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804");
        b.environment.now = {2026, 3, 7, 23, 59, 0, 0};
        // Big enough for the setup folder to count in whole KB.
        b.files.AddCarriedFile(install::kUserProgramResource, std::string(5000, 'u'));
        platform::Services services = b.services();
        const Pressed pressed = PressInstall(services, "D:\\Tools", {{2020, kAcadKey, kAcadFolder}});
        ASSERT_EQ(pressed.outcome, state::InstallOutcome::Installed)
            << c.systemBits << ::testing::PrintToString(pressed.problems);

        const auto text = [&](const std::string& key, const char* name) {
            const auto value = b.registry.GetValue(RootKey::LocalMachine, key, name);
            return value ? value->Text() : std::string("<none>");
        };
        const std::string uninstaller = std::string(kSetupFolder) + "\\Uninstall.exe";
        EXPECT_EQ(text(c.entryAt, "UninstallString"), "\"" + uninstaller + "\" /UNINSTALL");
        EXPECT_EQ(text(c.entryAt, "QuietUninstallString"), "\"" + uninstaller + "\" /UNINSTALL /S");
        EXPECT_EQ(text(c.entryAt, "DisplayIcon"), uninstaller + ",0");
        EXPECT_EQ(text(c.activeSetupAt, "StubPath"), "\"" + std::string(kSetupFolder) + "\\BrelixUser.exe\"");
        for (const std::string& command :
             {text(c.entryAt, "UninstallString"), text(c.entryAt, "QuietUninstallString"),
              text(c.entryAt, "DisplayIcon"), text(c.activeSetupAt, "StubPath")}) {
            EXPECT_TRUE(std::all_of(command.begin(), command.end(), [](char ch) {
                return static_cast<unsigned char>(ch) < 0x80;
            })) << command;
        }
        EXPECT_EQ(text(c.entryAt, "DisplayName"), "Brelix结构工具箱");
        EXPECT_EQ(text(c.entryAt, "InstallDate"), "20260307");
        // Every byte the uninstall frees: the product folder's shipped files and the setup folder.
        std::uint64_t bytes = 0;
        for (const std::string& folder : {std::string(kProduct), std::string(kSetupFolder)}) {
            for (const std::string& name : b.files.List(folder))
                bytes += b.files.ReadFile(In(folder, name)).value_or("").size();
        }
        bytes += b.files.ReadFile(In(In(kProduct, "Brelix扩展绘图库"), "梁.SJY"))->size();
        const std::uint32_t kb = static_cast<std::uint32_t>((bytes + 1023) / 1024);
        EXPECT_EQ(b.registry.GetValue(RootKey::LocalMachine, c.entryAt, "EstimatedSize"),
                  (platform::memory::StoredValue{platform::kRegDword,
                                                 std::string(reinterpret_cast<const char*>(&kb), 4)}));
        for (const std::string& line : c.logged)
            EXPECT_TRUE(HasLine(pressed.lines, line)) << line;
    }
}
