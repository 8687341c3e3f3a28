// Uninstall: a round trip from a staged machine back to it, and what the uninstall keeps.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "install/install_action.h"
#include "install/install_record.h"
#include "install_test_support.h"
#include "platform/crc32.h"
#include "platform/number_text.h"
#include "state/acad_inventory.h"
#include "state/install_options.h"
#include "uninstall/uninstall.h"
#include "uninstall/uninstall_registry.h"

namespace {

using namespace install_test;
using ::testing::ElementsAre;

constexpr char kProduct[] = "D:\\Tools\\Brelix结构工具箱";
constexpr char kAcadFolder[] = "C:\\Program Files\\Autodesk\\AutoCAD 2020";
constexpr char kAcadKey[] = "SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804";
constexpr char kEntryKey[] = "SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804\\Applications\\Brelix2020";
constexpr char kOtherToolKey[] =
    "SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804\\Applications\\SteelOther";
constexpr char kVariables[] =
    "SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804\\Profiles\\<<未命名配置>>\\Variables";
constexpr char kLayers[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers";
constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brelix结构工具箱";
constexpr char kUninstaller[] = "D:\\Tools\\Brelix结构工具箱\\Uninstall.exe";

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

    // Installs, then runs the uninstall as the uninstaller in the product folder does.
    void Install() {
        OnInstallButton(context, page);
        ASSERT_TRUE(backend.files.Exists(kUninstaller));
        backend.prompts.shown.clear();
        backend.files.SetProgramPath(kUninstaller);
        backend.files.Lock(kUninstaller);
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
    EXPECT_THAT(backend.files.PendingDeletions(), ElementsAre(kUninstaller));
    backend.files.Restart();

    EXPECT_EQ(backend.registry.Dump(), expected.registry.Dump());
    EXPECT_EQ(backend.files.Dump(), expected.files.Dump());
    ASSERT_EQ(backend.prompts.shown.size(), 2u);
    EXPECT_EQ(backend.prompts.shown[0].caption, "Brelix安装");
    EXPECT_EQ(backend.prompts.shown[0].style, platform::kMbYesNo | platform::kMbIconQuestion);
    EXPECT_EQ(
        backend.prompts.shown[1].text,
        "Brelix结构工具箱已从本机删除。\n\n以下文件由您创建或修改过，已保留在 D:\\Tools\\Brelix结构工具箱：\n"
        "Brelix.CFG\nBrelix扩展绘图库\\我的节点.SJY\n\n"
        "字体文件保留在AutoCAD的Fonts文件夹中，用本软件绘制的图纸仍需要它们：\n"
        "C:\\Program Files\\Autodesk\\AutoCAD 2020\\Fonts\\Brelix_EN.shx\n"
        "C:\\Program Files\\Autodesk\\AutoCAD 2020\\Fonts\\Brelix_HZ.shx\n\n"
        "卸载程序将在计算机重新启动后删除。");
}

TEST_F(UninstallTest, AnUntouchedInstallationGoesWholeWithItsFolderAtRestart) {
    Install();
    // Three shipped files and the uninstaller, under a kilobyte together: a started KB counts.
    EXPECT_EQ(backend.registry.GetValue(RootKey::LocalMachine, kUninstallKey, "EstimatedSize"),
              (platform::memory::StoredValue{platform::kRegDword, std::string("\x01\0\0\0", 4)}));
    EXPECT_EQ(uninstall::RunUninstall(services, journal, true), uninstall::kUninstalled);
    EXPECT_TRUE(backend.prompts.shown.empty());
    EXPECT_THAT(backend.files.PendingDeletions(), ElementsAre(kUninstaller, kProduct));
    backend.files.Restart();
    EXPECT_THAT(backend.files.List("D:\\Tools"), ::testing::IsEmpty());
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
         [](MemoryBackend& b) { b.files.DeleteFile(In(kProduct, install::kInstallRecordName)); },
         false,
         uninstall::kNothingToUninstall,
         {"Brelix安装"},
         true},
    };
    for (const Case& c : cases) {
        MemoryBackend fresh;
        platform::Services freshServices = fresh.services();
        InstallOn(fresh);
        c.arrange(fresh);
        state::InstallJournal uninstallJournal;
        EXPECT_EQ(uninstall::RunUninstall(freshServices, uninstallJournal, c.silent), c.exitCode) << c.name;
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
        {"a trusted list holding the folder only inside a longer name",
         [](MemoryBackend& b) {
             b.registry.SetString(RootKey::CurrentUser, kVariables, "TRUSTEDPATHS",
                                  "x:\\a;D:\\TOOLS\\BRELIX结构工具箱\\SUB;");
         },
         [](MemoryBackend& b) {
             return b.registry.GetValue(RootKey::CurrentUser, kVariables, "TRUSTEDPATHS")->Text() ==
                    "x:\\a;D:\\TOOLS\\BRELIX结构工具箱\\SUB;";
         }},
        {"a record naming another folder",
         [](MemoryBackend& b) {
             b.registry.SetString(RootKey::LocalMachine, "SOFTWARE\\Brelix", "Brelix_Path", "E:\\X");
         },
         [](MemoryBackend& b) { return b.registry.KeyExists(RootKey::LocalMachine, "SOFTWARE\\Brelix"); }},
    };
    for (const Case& c : cases) {
        MemoryBackend fresh;
        platform::Services freshServices = fresh.services();
        InstallOn(fresh);
        c.change(fresh);
        state::InstallJournal uninstallJournal;
        EXPECT_EQ(uninstall::RunUninstall(freshServices, uninstallJournal, true), uninstall::kUninstalled)
            << c.name;
        EXPECT_TRUE(c.kept(fresh)) << c.name;
    }
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

// A machine-wide rollout's per-user program and Active Setup component go with this folder only.
TEST_F(UninstallTest, RemovesTheRolloutsPiecesOnlyWhenTheyRunFromThisFolder) {
    constexpr char kActiveSetup[] =
        "SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\Brelix结构工具箱";
    struct Case {
        std::string stubPath;
        bool componentStays;
    };
    const Case cases[] = {
        {"\"D:\\Tools\\Brelix结构工具箱\\BrelixUser.exe\"", false},
        {"\"d:\\tools\\brelix结构工具箱\\BrelixUser.exe\"", false},
        {"\"E:\\Other\\Brelix结构工具箱\\BrelixUser.exe\"", true},
    };
    for (const Case& c : cases) {
        MemoryBackend fresh;
        platform::Services freshServices = fresh.services();
        InstallOn(fresh);
        fresh.files.AddFile(In(kProduct, "BrelixUser.exe"), "per-user steps");
        fresh.registry.SetString(RootKey::LocalMachine, kActiveSetup, "StubPath", c.stubPath);
        state::InstallJournal uninstallJournal;
        EXPECT_EQ(uninstall::RunUninstall(freshServices, uninstallJournal, true), uninstall::kUninstalled)
            << c.stubPath;
        EXPECT_FALSE(fresh.files.Exists(In(kProduct, "BrelixUser.exe"))) << c.stubPath;
        EXPECT_EQ(fresh.registry.KeyExists(RootKey::LocalMachine, kActiveSetup), c.componentStays)
            << c.stubPath;
    }
}

// An ordinary user may change the product folder: links out of it, and record lines naming what
// lies behind them with the right size and checksum. Nothing outside the folder may change,
// whether the system opens a link itself (Windows) or what it leads to (Wine).
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
             const std::string record = In(kProduct, "Brelix安装记录.txt");
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
    };
    for (const Case& c : cases) {
        for (const bool openFollows : {false, true}) {
            const std::string name = std::string(c.name) + (openFollows ? ", opened as Wine does" : "");
            MemoryBackend fresh;
            platform::Services freshServices = fresh.services();
            InstallOn(fresh);
            c.attack(fresh);
            fresh.files.SetOpenFollowsLinks(openFollows);
            const std::string before = outside(fresh);
            fresh.prompts.answers = {platform::kIdYes, platform::kIdOk};
            state::InstallJournal uninstallJournal;

            EXPECT_EQ(uninstall::RunUninstall(freshServices, uninstallJournal, false), c.exitCode) << name;
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

}  // namespace
