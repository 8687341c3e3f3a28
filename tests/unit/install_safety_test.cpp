// Whole installations on machines where things go wrong: roots that cannot be used, files to keep
// that cannot be saved, records in either registry view, and a sweep that fails or stops every
// platform call of a re-installation in turn.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <optional>
#include <sstream>

#include "files/swap_journal.h"
#include "install/install_action.h"
#include "install/record/install_root.h"
#include "install/record/locations.h"
#include "install/record/product_layout.h"
#include "install/record/uninstall_entry.h"
#include "install_test_support.h"
#include "state/acad_inventory.h"
#include "state/exit_codes.h"
#include "state/install_options.h"
#include "uninstall/uninstall.h"

namespace {

using namespace install_test;
using install::InstallContext;
using install::OnInstallButton;
using state::InstallOutcome;
using ::testing::ElementsAre;

constexpr char kRoot[] = "D:\\Tools";
constexpr char kProduct[] = "D:\\Tools\\Brelix结构工具箱";
constexpr char kLibrary[] = "D:\\Tools\\Brelix结构工具箱\\Brelix扩展绘图库";
constexpr char kDoneText[] = "安装完成，重启AutoCAD即可使用 !";
constexpr char kAcadKey[] = "SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804";
constexpr char kAcadFolder[] = "C:\\AutoCAD 2010";
constexpr char kProfileVariables[] =
    "SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804\\Profiles\\<<未命名配置>>\\Variables";
constexpr char kLayers[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers";

std::string In(const std::string& folder, const std::string& name) {
    return folder + "\\" + name;
}

// The user's files a re-installation with every keep box ticked must not lose.
struct KeptFile {
    std::string folder;  // in the product folder
    std::string name;
    std::string content;
};

const std::vector<KeptFile>& KeptFiles() {
    static const std::vector<KeptFile> files = {
        {kProduct, "USER.CFG", "my settings"},
        {kProduct, "MY.SEC", "my sections"},
        {kLibrary, "MINE.SJY", "my drawings"},
    };
    return files;
}

// A machine with an AutoCAD 2010 (its fonts folder, a profile, a compatibility layer), a payload
// with fonts and a drawing library, and an earlier installation into the same root.
enum class Earlier { Installation, None };

struct Machine {
    explicit Machine(Earlier earlier = Earlier::Installation) {
        StageProgram(backend);
        for (const char* name : {"Brelix2010.arx", "USER.CFG", "HELP.CHM", "Brelix_EN.shx", "Brelix_HZ.shx"})
            backend.files.AddFile(In(kSource, name), std::string("shipped ") + name);
        backend.files.AddFile(In(In(kSource, "Brelix扩展绘图库"), "MINE.SJY"), "shipped drawings");
        backend.files.AddFile(In(In(kSource, "Brelix扩展绘图库"), "梁.SJY"), "shipped beam");
        backend.files.AddFolder("C:\\Temp");
        backend.files.AddFolder(In(kAcadFolder, "Fonts"));
        backend.registry.SetString(RootKey::LocalMachine, kAcadKey, "AcadLocation", kAcadFolder);
        backend.registry.SetString(RootKey::LocalMachine, kAcadKey, "ProductName", "AutoCAD 2010");
        backend.registry.SetString(RootKey::CurrentUser, kProfileVariables, "TRUSTEDPATHS", "C:\\MINE");
        backend.registry.SetString(RootKey::CurrentUser, kLayers, In(kAcadFolder, "acad.exe"), "WINXPSP3");

        if (earlier == Earlier::Installation) {
            backend.registry.SetString(RootKey::LocalMachine, kRecordKey, kRecordValue, kProduct);
            for (const KeptFile& kept : KeptFiles())
                backend.files.AddFile(In(kept.folder, kept.name), kept.content);
            backend.files.AddFile(In(kProduct, "HELP.CHM"), "old help");
            backend.files.AddFile(In(kProduct, "NOTES.TXT"), "the user's own notes");
        } else {
            backend.files.AddDrive("D:");
            // What every Windows and every AutoCAD has, and an uninstall leaves.
            backend.registry.CreateKey(RootKey::LocalMachine, std::string(kAcadKey) + "\\Applications");
            backend.registry.CreateKey(RootKey::LocalMachine,
                                       "SOFTWARE\\Microsoft\\Active Setup\\Installed Components");
            backend.registry.CreateKey(RootKey::LocalMachine,
                                       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
        }

        const int k = *state::ReleaseIndexOfYear(2010);
        options.releaseChosen[k] = 1;
        inventory.acadLocations[k] = {kAcadFolder};
        inventory.acadKeys[k] = {kAcadKey};
        page.installPath = kRoot;
    }

    // One press of the install button with a fresh journal; true when the success text was shown.
    bool Install() {
        journal = state::InstallJournal{};
        if (log)
            journal.AttachLog(log);
        page.calls.clear();
        backend.prompts.shown.clear();
        InstallContext context{services, options, inventory, journal};
        OnInstallButton(context, page);
        for (const auto& shown : backend.prompts.shown) {
            if (shown.text == kDoneText)
                return true;
        }
        return false;
    }

    // Whether every kept file is, with its content, in the product folder or a save place.
    std::string LostFiles() const {
        std::string lost;
        for (const KeptFile& kept : KeptFiles()) {
            bool found = backend.files.ReadFile(In(kept.folder, kept.name)) == kept.content;
            for (const char* place : {"C:\\Program Files\\Brelix Setup\\SetUp_Temp1",
                                      "C:\\Program Files\\Brelix Setup\\SetUp_Temp2", "C:\\Temp\\SetUp_Temp1",
                                      "C:\\Temp\\SetUp_Temp2"}) {
                found = found || backend.files.ReadFile(In(place, kept.name)) == kept.content;
            }
            if (!found)
                lost += kept.name + " ";
        }
        return lost;
    }

    MemoryBackend backend;
    platform::Services services = backend.services();
    state::InstallOptions options;
    state::AcadInventory inventory;
    state::InstallJournal journal;
    FakeInstallPage page;
    platform::LogSink* log = nullptr;  // hears each run's journal
};

// A backup a run could not delete: the next run deletes it, as the journal names it.
bool IsSwapLeftover(const std::string& line) {
    return line.find("\\~BX") != std::string::npos;
}

// The file tree without the save places and the installer's own folder that holds them, which a
// failed clean-up may leave behind harmlessly.
std::string FilesOutsideSavePlaces(const Machine& machine) {
    std::istringstream all(machine.backend.files.Dump());
    std::string line, kept;
    bool inSwapJournal = false;
    while (std::getline(all, line)) {
        // A swap journal left in the installer's folder, every line of it.
        if (line.rfind(kSetupFolder, 0) == 0 && line.find("\\BrelixSwap-") != std::string::npos)
            inSwapJournal = true;
        if (inSwapJournal) {
            inSwapJournal = line != "\"";
            continue;
        }
        // The installation record's trusted-path lines come from HKCU, which the sweep leaves out.
        if (line.find("SetUp_Temp") == std::string::npos && line.rfind(kSetupFolder, 0) != 0 &&
            line.rfind("TRUSTEDPATHS\t", 0) != 0 && !IsSwapLeftover(line))
            kept += line + "\n";
    }
    return kept;
}

// ---- Fault sweep -------------------------------------------------------------------------

struct Outcome {
    std::string files;
    std::string machineRegistry;
    std::string afterUpgradeAndUninstall;  // the product folder
};

// A newer payload: every shipped file changed, one more file.
void Upgrade(Machine& machine) {
    for (const char* name : {"Brelix2010.arx", "USER.CFG", "HELP.CHM"})
        machine.backend.files.AddFile(In(kSource, name), std::string("newer ") + name);
    machine.backend.files.AddFile(In(kSource, "NEW.DAT"), "newer file");
    machine.backend.files.AddFile(In(In(kSource, "Brelix扩展绘图库"), "梁.SJY"), "newer beam");
}

// The lines of the file tree's dump below `prefix`.
std::string LinesUnder(const MemoryBackend& backend, const std::string& prefix) {
    std::istringstream all(backend.files.Dump());
    std::string line, under;
    while (std::getline(all, line)) {
        if (line.rfind(prefix, 0) == 0)
            under += line + "\n";
    }
    return under;
}

// The quiet uninstall, run from the uninstaller in the setup folder; its exit code.
int UninstallQuietly(Machine& machine) {
    machine.backend.files.SetProgramPath(In(kSetupFolder, "Uninstall.exe"));
    state::InstallJournal journal;
    return uninstall::RunUninstall(machine.services, journal, true);
}

// Drive D and the installer's own folder after the quiet uninstall.
std::string UninstallLeaves(Machine& machine) {
    UninstallQuietly(machine);
    return LinesUnder(machine.backend, "D:\\") + LinesUnder(machine.backend, kSetupFolder);
}

Outcome CleanOutcome() {
    Machine machine;
    EXPECT_TRUE(machine.Install());
    EXPECT_EQ(machine.LostFiles(), "");
    Machine upgraded;
    upgraded.Install();
    Upgrade(upgraded);
    upgraded.Install();
    return {FilesOutsideSavePlaces(machine), machine.backend.registry.Dump(), UninstallLeaves(upgraded)};
}

TEST(FaultSweep, EveryFailedOrStoppedCallKeepsTheUsersFilesAndSuccessIsOnlyClaimedWhenTrue) {
    const Outcome clean = CleanOutcome();
    long calls = 0;
    {
        Machine counting;
        counting.Install();
        calls = counting.backend.failures.CheckCount();
    }
    ASSERT_GT(calls, 50);

    int runs = 0;
    for (long n = 1; n <= calls; ++n) {
        // Call n fails; every question is answered "ignore".
        Machine failing;
        failing.backend.prompts.defaultAnswer = platform::kIdIgnore;
        failing.backend.failures.FailCheck(n);
        bool succeeded = false;
        EXPECT_NO_THROW(succeeded = failing.Install()) << "call " << n;
        ++runs;
        EXPECT_EQ(failing.LostFiles(), "") << "call " << n << " failing";
        // The success text promises the whole installation. HKCU is left out: through the registry
        // interface a profile key that fails to open cannot be told from one that is not there.
        if (succeeded) {
            EXPECT_FALSE(failing.journal.HasProblems()) << "call " << n;
            EXPECT_EQ(FilesOutsideSavePlaces(failing), clean.files)
                << "success claimed with call " << n << " failing";
            std::string registry = failing.backend.registry.Dump();
            std::string expected = clean.machineRegistry;
            registry = registry.substr(0, registry.find("\nHKCU"));
            expected = expected.substr(0, expected.find("\nHKCU"));
            EXPECT_EQ(registry, expected) << "success claimed with call " << n << " failing";
        }

        // Call n fails and the copy question is answered "abort", as an unattended run answers it:
        // a run that stops before registering leaves every file and value as it was.
        Machine aborting;
        aborting.backend.prompts.defaultAnswer = platform::kIdAbort;
        const std::string filesBefore = aborting.backend.files.Dump();
        const std::string registryBefore = aborting.backend.registry.Dump();
        aborting.backend.failures.FailCheck(n);
        aborting.Install();
        ++runs;
        if (aborting.journal.Outcome() == InstallOutcome::Stopped) {
            EXPECT_EQ(aborting.backend.files.Dump(), filesBefore) << "stopped with call " << n << " failing";
            EXPECT_EQ(aborting.backend.registry.Dump(), registryBefore)
                << "stopped with call " << n << " failing";
        } else {
            // A backup that could not go is the next run's to delete.
            aborting.backend.failures.FailCheck(0);
            aborting.Install();
            EXPECT_EQ(aborting.backend.files.Dump().find("~BX"), std::string::npos) << "call " << n;
        }

        // An upgrade cut off at call n, then the quiet uninstall: the user's files stay, and nothing
        // shipped (of either version), staged or half written is left.
        Machine upgraded;
        upgraded.backend.prompts.defaultAnswer = platform::kIdAbort;
        upgraded.Install();
        const long before = upgraded.backend.failures.CheckCount();
        Upgrade(upgraded);
        upgraded.backend.failures.StopAtCheck(before + n);
        upgraded.Install();
        upgraded.backend.failures.StopAtCheck(0);
        EXPECT_EQ(upgraded.LostFiles(), "") << "upgrade cut off at call " << n;
        EXPECT_EQ(UninstallLeaves(upgraded), clean.afterUpgradeAndUninstall)
            << "uninstalled after an upgrade cut off at call " << n;

        // The same cut, then a run that stops at its first copy, then a whole one of a version that no
        // longer ships NEW.DAT, then the quiet uninstall: the same.
        Machine restarted;
        restarted.backend.prompts.defaultAnswer = platform::kIdAbort;
        restarted.Install();
        Upgrade(restarted);
        restarted.backend.failures.StopAtCheck(before + n);
        restarted.Install();
        restarted.backend.failures.StopAtCheck(0);
        Upgrade(restarted);
        restarted.backend.files.AddFile(In(kSource, "Brelix2010.arx"), "newest Brelix2010.arx");
        restarted.backend.failures.Fail(Operation::CopyFile, "*", 1);
        restarted.Install();
        restarted.backend.files.DeleteFile(In(kSource, "NEW.DAT"));
        EXPECT_TRUE(restarted.Install())
            << "after an upgrade cut off at call " << n << " and a run that stopped";
        EXPECT_EQ(UninstallLeaves(restarted), clean.afterUpgradeAndUninstall)
            << "uninstalled after an upgrade cut off at call " << n << " and a run that stopped";

        // The program is cut off at call n (nothing after it has effect), then runs again whole.
        Machine stopped;
        stopped.backend.prompts.defaultAnswer = platform::kIdAbort;
        stopped.backend.failures.StopAtCheck(n);
        EXPECT_NO_THROW(stopped.Install()) << "call " << n;
        EXPECT_EQ(stopped.LostFiles(), "") << "stopped at call " << n;
        stopped.backend.failures.StopAtCheck(0);
        stopped.backend.prompts.defaultAnswer = platform::kIdIgnore;
        EXPECT_TRUE(stopped.Install()) << "second run after stopping at call " << n;
        EXPECT_EQ(stopped.backend.files.Dump().find("~BX"), std::string::npos) << "call " << n;
        EXPECT_EQ(FilesOutsideSavePlaces(stopped), clean.files) << "second run after stopping at call " << n;
        runs += 2;
    }
    std::printf("fault sweep: %ld platform calls, %d installation runs\n", calls, runs);
}

// An upgrade cut off after its swap (the library replaced too), then the next run cut off at any call
// or stopped by any call that fails (a journal it cannot read stops it unchanged), then a whole run of a
// version that no longer ships NEW.DAT or the library's 梁.SJY, then the quiet uninstall: what is left is
// what the same runs leave when none is cut off.
TEST(FaultSweep, FilesOfARunCutAfterItsSwapAreCarriedThroughAnotherCutOffRun) {
    const auto upgraded = [](Machine& machine) {
        machine.page.keepDrawingLibrary = 0;
        machine.backend.prompts.defaultAnswer = platform::kIdAbort;
        machine.Install();
        Upgrade(machine);
        return machine.backend.failures.CheckCount();
    };
    const auto lastVersion = [](Machine& machine) {
        machine.backend.files.AddFile(In(kSource, "Brelix2010.arx"), "newest Brelix2010.arx");
        ASSERT_TRUE(machine.backend.files.DeleteFile(In(kSource, "NEW.DAT")));
        ASSERT_TRUE(machine.backend.files.DeleteFile(In(In(kSource, "Brelix扩展绘图库"), "梁.SJY")));
    };
    Machine whole;
    upgraded(whole);
    ASSERT_TRUE(whole.Install());
    lastVersion(whole);
    const long before = whole.backend.failures.CheckCount();
    ASSERT_TRUE(whole.Install());
    const long calls = whole.backend.failures.CheckCount() - before;
    const std::string expected = UninstallLeaves(whole);

    // The first call at which the upgrade's journal names the new files it put in place.
    long cut = 1;
    for (;; ++cut) {
        Machine probe;
        probe.backend.failures.StopAtCheck(upgraded(probe) + cut);
        probe.Install();
        const auto swapJournal = probe.backend.files.ReadFile(files::SwapJournalPath(kSetupFolder, kProduct));
        if (swapJournal && swapJournal->find("PHASE\tSWAPPED") != std::string::npos)
            break;
        ASSERT_LT(cut, 1000);
    }
    for (const bool failing : {false, true}) {
        for (long n = 1; n <= calls; ++n) {
            Machine machine;
            machine.backend.failures.StopAtCheck(upgraded(machine) + cut);
            machine.Install();
            machine.backend.failures.StopAtCheck(0);
            lastVersion(machine);
            const long at = machine.backend.failures.CheckCount() + n;
            if (failing)
                machine.backend.failures.FailCheck(at);
            else
                machine.backend.failures.StopAtCheck(at);
            machine.Install();
            machine.backend.failures.StopAtCheck(0);
            machine.backend.failures.FailCheck(0);
            const std::string second =
                std::string(failing ? "failing" : "cut off") + " at call " + std::to_string(n);
            EXPECT_TRUE(machine.Install()) << "a whole run after a second run " << second;
            EXPECT_EQ(UninstallLeaves(machine), expected) << "a second run " << second;
        }
    }
}

// HKLM as a dump shows it.
std::string MachineKeys(const Machine& machine) {
    const std::string all = machine.backend.registry.Dump();
    return all.substr(0, all.find("\nHKCU"));
}

// The platform calls of a whole first installation.
long FirstInstallationCalls() {
    Machine whole(Earlier::None);
    whole.Install();
    return whole.backend.failures.CheckCount();
}

// A first installation cut off at any call leaves no record, only its mark; the quiet uninstall then
// leaves no product folder, and the machine's keys and the installer's own folder as a whole
// installation and its uninstall do. Into a folder, and into a drive root.
TEST(FaultSweep, AFirstInstallationCutOffAtAnyCallIsUninstalledAsAWholeOne) {
    for (const std::string root : {kRoot, "D:\\"}) {
        const std::string product = install::ProductFolderOf(root);
        Machine whole(Earlier::None);
        whole.page.installPath = root;
        const std::string keysBefore = MachineKeys(whole);
        ASSERT_TRUE(whole.Install()) << root;
        const long calls = whole.backend.failures.CheckCount();
        ASSERT_EQ(UninstallLeaves(whole).find(product), std::string::npos) << root;
        ASSERT_EQ(MachineKeys(whole), keysBefore) << root;
        const std::string setupFolderLeft = LinesUnder(whole.backend, kSetupFolder);
        for (long n = 1; n <= calls; ++n) {
            const std::string at = root + ", cut off at call " + std::to_string(n);
            Machine cut(Earlier::None);
            cut.page.installPath = root;
            cut.backend.prompts.defaultAnswer = platform::kIdAbort;
            cut.backend.failures.StopAtCheck(n);
            cut.Install();
            cut.backend.failures.StopAtCheck(0);
            // The root may stay, as the whole one's uninstall leaves it, if the run had made it.
            EXPECT_EQ(UninstallLeaves(cut).find(product), std::string::npos) << at;
            EXPECT_EQ(MachineKeys(cut), keysBefore) << at;
            EXPECT_EQ(LinesUnder(cut.backend, kSetupFolder), setupFolderLeft) << at;
            const auto trusted =
                cut.backend.registry.GetValue(RootKey::CurrentUser, kProfileVariables, "TRUSTEDPATHS");
            EXPECT_EQ(trusted ? trusted->Text() : "<none>", "C:\\MINE") << at;

            // A run that stops in its copy leaves the cut-off run's keys, its mark among them, as it
            // found them.
            Machine stopped(Earlier::None);
            stopped.page.installPath = root;
            stopped.backend.prompts.defaultAnswer = platform::kIdAbort;
            stopped.backend.failures.StopAtCheck(n);
            stopped.Install();
            stopped.backend.failures.StopAtCheck(0);
            const std::string keysAfterCut = MachineKeys(stopped);
            stopped.backend.failures.Fail(Operation::CopyFile, "*", 1);
            stopped.Install();
            if (stopped.journal.Outcome() == InstallOutcome::Stopped) {
                EXPECT_EQ(MachineKeys(stopped), keysAfterCut) << "stopped after a first installation " << at;
            }
        }
    }
}

// The mark's own failures: one failed deletion is tried again; two leave the mark and say so. An
// uninstall that ends with problems keeps the mark for the next one. A mark that names no product
// folder is not ours to follow.
TEST(FaultSweep, TheMarkGoesOnlyWhenTheWorkItStandsForIsDone) {
    const std::string markPath = std::string("HKLM\\") + kRecordKey + "\\InstallingInto";
    for (int failures : {1, 2}) {
        Machine machine(Earlier::None);
        machine.backend.failures.Fail(Operation::DeleteValue, markPath, failures);
        EXPECT_EQ(machine.Install(), failures == 1) << failures;
        EXPECT_EQ(machine.backend.registry.GetValue(RootKey::LocalMachine, kRecordKey, "InstallingInto")
                      .has_value(),
                  failures == 2);
        EXPECT_EQ(machine.journal.HasProblems(), failures == 2);
    }

    // An uninstall that meets a file in use after a cut-off first installation ends with problems and
    // keeps the mark; the next one, once the file is free, cleans the folder and drops it.
    const std::string placed = In(kProduct, "Brelix2010.arx");
    for (long n = FirstInstallationCalls() / 2;; ++n) {
        Machine held(Earlier::None);
        held.backend.prompts.defaultAnswer = platform::kIdAbort;
        held.backend.failures.StopAtCheck(n);
        held.Install();
        held.backend.failures.StopAtCheck(0);
        if (!held.backend.files.Exists(placed)) {
            ASSERT_LT(n, FirstInstallationCalls()) << "no cut leaves the swapped-in files";
            continue;
        }
        held.backend.files.Lock(placed);
        EXPECT_EQ(UninstallQuietly(held), uninstall::kUninstalledWithProblems) << "cut at call " << n;
        EXPECT_TRUE(held.backend.registry.GetValue(RootKey::LocalMachine, kRecordKey, "InstallingInto"))
            << "cut at call " << n;
        held.backend.files.Unlock(placed);
        EXPECT_EQ(UninstallQuietly(held), uninstall::kUninstalled) << "cut at call " << n;
        EXPECT_EQ(LinesUnder(held.backend, "D:\\").find(kProduct), std::string::npos) << "cut at call " << n;
        EXPECT_FALSE(held.backend.registry.GetValue(RootKey::LocalMachine, kRecordKey, "InstallingInto"));
        break;
    }

    Machine cut(Earlier::None);
    cut.backend.prompts.defaultAnswer = platform::kIdAbort;
    cut.backend.failures.StopAtCheck(FirstInstallationCalls() * 3 / 4);
    cut.Install();
    cut.backend.failures.StopAtCheck(0);
    cut.backend.failures.Fail(Operation::DeleteValue, "*");
    EXPECT_EQ(UninstallQuietly(cut), uninstall::kUninstalledWithProblems);
    cut.backend.failures.Fail(Operation::DeleteValue, "*", 0);
    EXPECT_TRUE(cut.backend.registry.GetValue(RootKey::LocalMachine, kRecordKey, "InstallingInto"));
    EXPECT_EQ(UninstallLeaves(cut).find(kProduct), std::string::npos);

    // A first installation whose record cannot be written keeps its mark: the uninstall finds the
    // folder by it.
    Machine unrecorded(Earlier::None);
    unrecorded.backend.failures.Fail(Operation::MoveFile, In(kSetupFolder, "Brelix安装记录.txt.new"));
    EXPECT_FALSE(unrecorded.Install());
    EXPECT_TRUE(unrecorded.backend.registry.GetValue(RootKey::LocalMachine, kRecordKey, "InstallingInto"));
    unrecorded.backend.failures.Fail(Operation::MoveFile, In(kSetupFolder, "Brelix安装记录.txt.new"), 0);
    EXPECT_EQ(UninstallLeaves(unrecorded).find(kProduct), std::string::npos);

    for (const char* mark : {"C:\\", "D:\\Tools", "Brelix结构工具箱", ""}) {
        Machine machine(Earlier::None);
        machine.backend.registry.SetString(RootKey::LocalMachine, kRecordKey, "InstallingInto", mark);
        const std::string files = machine.backend.files.Dump();
        EXPECT_EQ(UninstallQuietly(machine), uninstall::kNothingToUninstall) << mark;
        EXPECT_EQ(machine.backend.files.Dump(), files) << mark;
    }
}

// Cut off in one folder, then installed whole into another: the earlier run's mark stays, and the
// uninstall cleans both folders. Installed whole into the same folder, spelt in other letters: the
// mark has done its work and goes.
TEST(FaultSweep, AFolderACutOffRunLeftIsCleanedByTheUninstallAfterAnInstallationElsewhere) {
    const long calls = FirstInstallationCalls();
    constexpr char kOther[] = "E:\\Other\\Brelix结构工具箱";
    for (long n = calls / 4; n <= calls * 3 / 4; n += calls / 4) {
        Machine same(Earlier::None);
        same.backend.prompts.defaultAnswer = platform::kIdAbort;
        same.backend.failures.StopAtCheck(n);
        same.Install();
        same.backend.failures.StopAtCheck(0);
        same.page.installPath = "d:\\TOOLS";
        // Without a record, the files a cut-off run left cannot be told from ones to keep.
        same.page.keepConfig = same.page.keepSettings = 0;
        same.page.keepSectionLibrary = same.page.keepDrawingLibrary = 0;
        EXPECT_TRUE(same.Install()) << "after a cut at call " << n;
        EXPECT_FALSE(same.backend.registry.GetValue(RootKey::LocalMachine, kRecordKey, "InstallingInto"))
            << "after a cut at call " << n;

        Machine machine(Earlier::None);
        machine.backend.files.AddDrive("E:");
        machine.backend.prompts.defaultAnswer = platform::kIdAbort;
        machine.backend.failures.StopAtCheck(n);
        machine.Install();
        machine.backend.failures.StopAtCheck(0);
        machine.page.installPath = "E:\\Other";
        EXPECT_TRUE(machine.Install()) << "after a cut at call " << n;
        EXPECT_EQ(
            machine.backend.registry.GetValue(RootKey::LocalMachine, kRecordKey, "InstallingInto")->Text(),
            kProduct)
            << "after a cut at call " << n;
        UninstallQuietly(machine);
        const std::string left = machine.backend.files.Dump();
        EXPECT_EQ(left.find(kProduct), std::string::npos) << left;
        EXPECT_EQ(left.find(kOther), std::string::npos) << left;
        EXPECT_FALSE(machine.backend.registry.KeyExists(RootKey::LocalMachine, kRecordKey));
    }
}

// Cut off in the middle of a copy or a write (each call in turn), then run again whole: a copy cut
// short is never taken for the user's file, the record is never half, and the complete run leaves
// what a clean re-installation leaves.
TEST(FaultSweep, AWriteCutShortIsNeverTakenForTheUsersFileOrTheRecord) {
    const Outcome clean = CleanOutcome();
    long calls = 0;
    std::optional<std::string> wholeRecord;
    {
        Machine counting;
        counting.Install();
        calls = counting.backend.failures.CheckCount();
        wholeRecord = counting.backend.files.ReadFile(In(kSetupFolder, "Brelix安装记录.txt"));
    }
    ASSERT_TRUE(wholeRecord);
    for (long n = 1; n <= calls; ++n) {
        Machine stopped;
        stopped.backend.prompts.defaultAnswer = platform::kIdAbort;
        stopped.backend.failures.StopAtCheck(n);
        stopped.backend.failures.LeaveWritesHalfDone(true);
        stopped.Install();
        stopped.backend.failures.StopAtCheck(0);
        const auto record = stopped.backend.files.ReadFile(In(kSetupFolder, "Brelix安装记录.txt"));
        // The record is the first one to be written: there is none, or all of it.
        if (record) {
            EXPECT_EQ(*record, *wholeRecord) << "record cut short at call " << n;
        }
        stopped.backend.prompts.defaultAnswer = platform::kIdIgnore;
        stopped.Install();
        for (const KeptFile& kept : KeptFiles()) {
            EXPECT_EQ(stopped.backend.files.ReadFile(In(kept.folder, kept.name)), kept.content)
                << kept.name << " after a run cut off at call " << n;
        }
        EXPECT_EQ(stopped.backend.files.Dump().find("~BX"), std::string::npos) << "call " << n;
        EXPECT_EQ(FilesOutsideSavePlaces(stopped), clean.files) << "a complete run after a cut at call " << n;
    }
}

// ---- Another program swapping the product folder ------------------------------------------

// What another program does between two calls: the product folder moved away and a link to a folder
// of its choice put in its place. Windows refuses to move a folder the run holds.
void SwapProductFolderForALink(MemoryBackend& b) {
    if (b.files.RenameFolder(kProduct, "D:\\Tools\\moved"))
        b.files.AddLink(kProduct, "C:\\Elsewhere");
}

std::string Elsewhere(const MemoryBackend& b) {
    return LinesUnder(b, "C:\\Elsewhere");
}

// The swap before any one call of a re-installation, and of the uninstall after it: nothing in the
// other folder changes, and nothing of it is read into the product folder.
TEST(SwapSweep, AProductFolderSwappedForALinkAtAnyCallNeverRedirectsTheRun) {
    const auto plant = [](MemoryBackend& b) {
        b.files.AddFile("C:\\Elsewhere\\USER.CFG", "administrators' settings");
        b.files.AddFile("C:\\Elsewhere\\HELP.CHM", "administrators' help");
    };
    long installCalls = 0, uninstallCalls = 0;
    {
        Machine counting;
        plant(counting.backend);
        counting.Install();
        installCalls = counting.backend.failures.CheckCount();
        counting.backend.files.SetProgramPath(In(kSetupFolder, "Uninstall.exe"));
        state::InstallJournal journal;
        uninstall::RunUninstall(counting.services, journal, true);
        uninstallCalls = counting.backend.failures.CheckCount() - installCalls;
    }
    for (long n = 1; n <= installCalls + uninstallCalls; ++n) {
        Machine machine;
        machine.backend.prompts.defaultAnswer = platform::kIdAbort;
        plant(machine.backend);
        const std::string before = Elsewhere(machine.backend);
        bool swapped = false;
        machine.backend.failures.BeforeEveryCheck([&](long number) {
            if (number == n && !swapped) {
                swapped = true;
                SwapProductFolderForALink(machine.backend);
            }
        });
        machine.Install();
        // Windows lets the folder go only before the run holds it; the run then sees the link and
        // stops before anything changes.
        if (n <= installCalls && machine.backend.files.Exists("D:\\Tools\\moved")) {
            EXPECT_EQ(machine.journal.Outcome(), InstallOutcome::Stopped) << "swapped before call " << n;
        }
        if (n > installCalls) {
            machine.backend.files.SetProgramPath(In(kSetupFolder, "Uninstall.exe"));
            state::InstallJournal journal;
            uninstall::RunUninstall(machine.services, journal, true);
        }
        EXPECT_EQ(Elsewhere(machine.backend), before) << "swapped before call " << n;
        const std::string dump = machine.backend.files.Dump();
        EXPECT_EQ(dump.find("D:\\Tools\\moved\\USER.CFG [20] \"administrators'"), std::string::npos) << n;
        std::istringstream lines(dump);
        std::string line;
        while (std::getline(lines, line)) {
            if (line.rfind("D:\\", 0) == 0) {
                EXPECT_EQ(line.find("administrators'"), std::string::npos) << "call " << n << ": " << line;
            }
        }
    }
}

// ---- What the journal hears -------------------------------------------------------------

class LinesSink : public platform::LogSink {
  public:
    bool WriteLine(const std::string& text) override {
        lines.push_back(text);
        return true;
    }
    std::vector<std::string> lines;
};

// A journal of ours that cannot be read stops the run unchanged: this run's own journal would take the
// place of what that one names. Names of the product folder are every user's: whatever stands under
// the journal names of earlier builds is neither read nor a reason to stop, and stays as it is.
TEST(Journal, OneThatCannotBeReadStopsTheRunUnchangedAUsersFileOfItsNameDoesNot) {
    Machine locked;
    const std::string swapJournal = files::SwapJournalPath(kSetupFolder, kProduct);
    locked.backend.files.AddFile(swapJournal, "BRELIX-SWAP\r\n");
    locked.backend.files.Lock(swapJournal);
    const std::string files = locked.backend.files.Dump();
    EXPECT_FALSE(locked.Install());
    EXPECT_EQ(locked.journal.Outcome(), InstallOutcome::Stopped);
    ASSERT_EQ(locked.backend.prompts.shown.size(), 1u);
    EXPECT_EQ(
        locked.backend.prompts.shown[0].text.rfind("无法处理上次中断的安装留下的记录 " + swapJournal, 0), 0u);
    EXPECT_EQ(locked.backend.files.Dump(), files);

    for (int planted = 0; planted < 2; ++planted) {
        Machine users;
        users.backend.files.SetOpenFollowsLinks(true);  // as Wine 8 opens it: a link leading nowhere fails
        if (planted == 0) {
            users.backend.files.AddLink(In(kProduct, "~BrelixSetup.swp"), "C:\\Nowhere\\journal.swp", false);
        } else {
            users.backend.files.AddFile(In(kProduct, "~BrelixSetup.swp"), std::string(9u << 20, 'x'));
            users.backend.files.AddFolder(In(kProduct, "~BrelixSetup.swp.new"));
        }
        const std::string before = users.backend.files.Dump();
        EXPECT_TRUE(users.Install()) << planted;
        EXPECT_EQ(users.journal.Outcome(), InstallOutcome::Installed) << planted;
        const auto linesOf = [](const std::string& dump) {
            std::string lines;
            std::istringstream all(dump);
            for (std::string line; std::getline(all, line);) {
                if (line.find("~BrelixSetup.swp") != std::string::npos)
                    lines += line.substr(0, 200) + "\n";
            }
            return lines;
        };
        EXPECT_EQ(linesOf(users.backend.files.Dump()), linesOf(before)) << planted;
    }
}

TEST(Journal, AWholeReinstallationReportsWhatItKeptCopiedWroteAndInstalled) {
    Machine machine;
    LinesSink sink;
    machine.journal.AttachLog(&sink);
    state::InstallJournal& journal = machine.journal;
    InstallContext context{machine.services, machine.options, machine.inventory, journal};
    OnInstallButton(context, machine.page);

    const std::string variablesPath = std::string("HKCU\\") + kProfileVariables;
    const std::string entry = std::string(kAcadKey) + "\\Applications\\Brelix2010";
    const std::vector<std::string> expectedLines = {
        "保留（没有安装记录可比较）：" + In(kProduct, "USER.CFG"),
        "保留（没有安装记录可比较）：" + In(kLibrary, "MINE.SJY"),
        "已复制 " + In(kSource, "HELP.CHM") + " -> " + In(kProduct, "HELP.CHM"),
        "已将 3 个新文件替换到位",
        "已写入 HKLM\\" + entry + " LOADER = " + In(kProduct, "BRELIX2010.ARX"),
        "已修改 " + variablesPath + " TRUSTEDPATHS：C:\\MINE -> C:\\MINE;D:\\TOOLS\\BRELIX结构工具箱",
        "已删除 HKCU\\" + std::string(kLayers) + " " + In(kAcadFolder, "acad.exe"),
        "已复制字体 " + In(kSource, "Brelix_EN.shx") + " -> " + In(In(kAcadFolder, "Fonts"), "Brelix_EN.shx"),
        "已写入 HKLM\\SOFTWARE\\Brelix Brelix_Path = " + std::string(kProduct),
    };
    for (const std::string& line : expectedLines)
        EXPECT_THAT(sink.lines, ::testing::Contains(line));
    std::vector<std::string> installed;
    for (const state::InstalledFile& file : journal.InstalledFiles())
        installed.push_back(file.path);
    // The user's USER.CFG and MINE.SJY are theirs: no shipped copy replaced them.
    EXPECT_THAT(installed, ElementsAre(In(kProduct, "Brelix2010.arx"), In(kProduct, "HELP.CHM"),
                                       In(kLibrary, "梁.SJY")));
    EXPECT_THAT(journal.DemandLoadKeys(), ElementsAre(entry));
    EXPECT_THAT(journal.TrustedPathKeys(), ElementsAre(kProfileVariables));
    EXPECT_THAT(journal.Fonts(), ElementsAre(In(In(kAcadFolder, "Fonts"), "Brelix_EN.shx"),
                                             In(In(kAcadFolder, "Fonts"), "Brelix_HZ.shx")));
    EXPECT_EQ(journal.Outcome(), InstallOutcome::Installed);
    EXPECT_FALSE(journal.HasProblems());
}

TEST(Journal, ManyProblemsShowTenLinesAndTheCountOfTheRest) {
    Machine machine;
    for (int i = 0; i < 14; ++i) {
        const std::string name = NumberedName("LOCKED", i);
        machine.backend.files.AddFile(In(kSource, name), "new");
        machine.backend.files.AddFile(In(kProduct, name), "in use");
        machine.backend.files.Lock(In(kProduct, name));
    }
    machine.backend.prompts.defaultAnswer = platform::kIdIgnore;
    EXPECT_FALSE(machine.Install());

    const std::string& text = machine.backend.prompts.shown.back().text;
    std::string expected = "安装已结束，但以下各项没有完成：\n\n";
    for (int i = 0; i < 10; ++i)
        expected += "已跳过无法复制的文件 " + In(kProduct, NumberedName("LOCKED", i)) +
                    "（文件正在使用）（错误 5：拒绝访问。），它保持原有的版本\n";
    expected += "……另有 4 项问题，详见日志\n\n请排除上述问题后重新安装。";
    EXPECT_EQ(text, expected);
    EXPECT_EQ(machine.journal.Problems().size(), 14u);
    EXPECT_EQ(machine.journal.Outcome(), InstallOutcome::InstalledWithProblems);
}

// ---- The root ----------------------------------------------------------------------------

struct RootCase {
    const char* name;
    std::string root;
    install::RootCheck check;
};

class RootCheckTest : public ::testing::TestWithParam<RootCase> {};

TEST_P(RootCheckTest, OnlyFullPathsThatLeaveRoomForTheProductAreAccepted) {
    EXPECT_EQ(install::CheckInstallRoot(GetParam().root), GetParam().check);
}

INSTANTIATE_TEST_SUITE_P(
    Roots,
    RootCheckTest,
    ::testing::Values(
        RootCase{"DriveRoot", "D:\\", install::RootCheck::Good},
        RootCase{"Folder", "D:\\Tools", install::RootCheck::Good},
        RootCase{"TrailingBackslash", "d:\\新建\\工具\\", install::RootCheck::Good},
        RootCase{"TrailByteLikeABar", "D:\\\xB1\x7C", install::RootCheck::Good},
        RootCase{"Share", "\\\\server\\share\\Brelix", install::RootCheck::Good},
        RootCase{"ShareItself", "\\\\server\\share", install::RootCheck::Good},
        RootCase{"Empty", "", install::RootCheck::NotFullPath},
        RootCase{"Relative", "brelix", install::RootCheck::NotFullPath},
        RootCase{"DriveOnly", "D:", install::RootCheck::NotFullPath},
        RootCase{"DriveRelative", "D:Tools", install::RootCheck::NotFullPath},
        RootCase{"RootedWithoutDrive", "\\Tools", install::RootCheck::NotFullPath},
        RootCase{"ServerOnly", "\\\\server", install::RootCheck::NotFullPath},
        RootCase{"ForwardSlashes", "D:/Tools", install::RootCheck::NotFullPath},
        RootCase{"DoubledBackslash", "D:\\A\\\\B", install::RootCheck::NotFullPath},
        RootCase{"ReservedCharacter", "D:\\A?B", install::RootCheck::NotFullPath},
        RootCase{"SecondColon", "D:\\A:B", install::RootCheck::NotFullPath},
        RootCase{"ParentLevel", "D:\\Tools\\..\\Windows", install::RootCheck::NotFullPath},
        RootCase{"ControlByte", "D:\\A\x1F", install::RootCheck::NotFullPath},
        RootCase{"ShareWithReservedLevel", "\\\\server\\share\\A|B", install::RootCheck::NotFullPath},
        RootCase{"LongestThatLeavesRoom", "D:\\" + std::string(218, 'x'), install::RootCheck::Good},
        RootCase{"TooLongForTheLibrary", "D:\\" + std::string(220, 'x'), install::RootCheck::TooLong}),
    [](const auto& info) { return std::string(info.param.name); });

struct RootRunCase {
    const char* name;
    std::string root;
    std::string message;  // the one message shown, or the success text
    InstallOutcome outcome;
    std::vector<std::string> pageCalls;
    std::function<void(MemoryBackend&)> trouble = nullptr;  // what goes wrong on the way
};

class RootRunTest : public ::testing::TestWithParam<RootRunCase> {};

TEST_P(RootRunTest, RootIsRefusedOrMadeWithOneMessage) {
    Machine machine;
    machine.page.keepConfig = machine.page.keepSettings = 0;
    machine.page.keepSectionLibrary = machine.page.keepDrawingLibrary = 0;
    machine.page.installPath = GetParam().root;
    // A copy question (a root taken that is no folder) ends the run instead of retrying forever.
    machine.backend.prompts.defaultAnswer = platform::kIdAbort;
    const std::string filesBefore = machine.backend.files.Dump();
    if (GetParam().trouble)
        GetParam().trouble(machine.backend);
    machine.Install();

    ASSERT_EQ(machine.backend.prompts.shown.size(), 1u);
    EXPECT_NE(machine.backend.prompts.shown[0].text.find(GetParam().message), std::string::npos)
        << machine.backend.prompts.shown[0].text;
    EXPECT_EQ(machine.journal.Outcome(), GetParam().outcome);
    EXPECT_EQ(machine.page.calls, GetParam().pageCalls);
    if (GetParam().outcome != InstallOutcome::Installed) {
        EXPECT_EQ(machine.backend.files.Dump(), filesBefore);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Roots,
    RootRunTest,
    ::testing::Values(
        RootRunCase{"Relative", "brelix", "完整路径", InstallOutcome::InvalidRoot, {"read"}},
        RootRunCase{"TooLong", "D:\\" + std::string(230, 'x'), "太长", InstallOutcome::InvalidRoot, {"read"}},
        RootRunCase{"MissingDrive",
                    "Z:\\Brelix",
                    "无法创建安装目录 Z:\\Brelix",
                    InstallOutcome::Stopped,
                    {"read"}},
        RootRunCase{"BelowAFile",
                    "C:\\Setup\\SetUp.exe\\工具",
                    "无法创建安装目录 C:\\Setup\\SetUp.exe\\工具",
                    InstallOutcome::Stopped,
                    {"read"}},
        RootRunCase{"BelowMissingFolders",
                    "D:\\新建\\工具\\钢构",
                    kDoneText,
                    InstallOutcome::Installed,
                    {"read", "close"}},
        // The system spells the existing D:\Tools as it was made; it is no link for that.
        RootRunCase{"ExistingInAnotherLetterCase",
                    "d:\\TOOLS\\",
                    kDoneText,
                    InstallOutcome::Installed,
                    {"read", "close"}},
        // Every folder the run made goes again, the deepest first: a parent goes once it is empty.
        RootRunCase{"RolledBackBelowMissingFolders",
                    "D:\\新建\\工具",
                    "没有做任何更改",
                    InstallOutcome::Stopped,
                    {"read", "cancel"},
                    [](MemoryBackend& b) {
                        // The first rename of the swap fails.
                        const std::string journal =
                            files::SwapJournalPath(kSetupFolder, "D:\\新建\\工具\\Brelix结构工具箱");
                        b.failures.BeforeEveryCheck([&b, journal, armed = false](long) mutable {
                            const auto text = b.files.ReadFile(journal);
                            if (!armed && text && text->find("PHASE\tSWAPPING") != std::string::npos) {
                                b.failures.Fail(Operation::MoveFile, "*", 1);
                                armed = true;
                            }
                        });
                    }}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- A file to keep that cannot be saved -------------------------------------------------

// A file to keep that cannot be saved, or a product folder that may hold one while the record
// of the previous installation cannot be read: one message, and nothing changes.
TEST(UnsavedFile, StopsBeforeTheDeploymentWithOneMessageNamingIt) {
    struct Case {
        const char* name;
        std::vector<std::pair<Operation, std::string>> failures;
        std::string message;  // a part of the one message
    };
    const std::string recordUnreadable = "无法读取上次安装的位置";
    const std::pair<Operation, std::string> noRecord{Operation::ReadValue, "HKLM\\SOFTWARE\\Brelix"};
    const Case cases[] = {
        {"a previous folder that cannot be listed", {{Operation::FindFirst, In(kProduct, "*.*")}}, kProduct},
        {"no record, a settings file", {noRecord}, recordUnreadable},
        {"no record, folders that cannot be listed",
         {noRecord, {Operation::FindFirst, In(kProduct, "*.*")}, {Operation::FindFirst, In(kLibrary, "*.*")}},
         recordUnreadable},
    };
    for (const Case& c : cases) {
        Machine machine;
        for (const auto& [op, path] : c.failures)
            machine.backend.failures.Fail(op, path);
        const std::string filesBefore = machine.backend.files.Dump();
        const std::string registryBefore = machine.backend.registry.Dump();
        EXPECT_FALSE(machine.Install()) << c.name;

        ASSERT_EQ(machine.backend.prompts.shown.size(), 1u) << c.name;
        EXPECT_NE(machine.backend.prompts.shown[0].text.find(c.message), std::string::npos) << c.name;
        EXPECT_EQ(machine.backend.prompts.shown[0].caption, "Brelix软件安装") << c.name;
        EXPECT_THAT(machine.page.calls, ElementsAre("read")) << c.name;
        EXPECT_EQ(machine.journal.Outcome(), InstallOutcome::Stopped) << c.name;
        EXPECT_EQ(machine.backend.files.Dump(), filesBefore) << c.name;
        EXPECT_EQ(machine.backend.registry.Dump(), registryBefore) << c.name;
    }
}

// ---- Links --------------------------------------------------------------------------------

// An ordinary user can make links in the root and the product folder. A link at a level of either
// (the drawing library too) stops the installation before anything changes; a link where a file
// would be written is replaced by the new file, never written through, and a kept file that is a
// link is not kept.
TEST(Links, NothingIsWrittenThroughALink) {
    struct Case {
        const char* name;
        std::string root;
        std::function<void(MemoryBackend&)> plant;
        InstallOutcome outcome;
        std::vector<std::string> named;  // in the one message shown
    };
    const Case cases[] = {
        {"the root",
         "D:\\Linked",
         [](MemoryBackend& b) { b.files.AddLink("D:\\Linked", "C:\\windows"); },
         InstallOutcome::Stopped,
         {"D:\\Linked 是一个链接"}},
        {"a level above the root",
         "D:\\Linked\\工具\\",
         [](MemoryBackend& b) { b.files.AddLink("D:\\Linked", "C:\\windows"); },
         InstallOutcome::Stopped,
         {"D:\\Linked 是一个链接"}},
        {"a level linked to a folder of the same name, opened as Wine does",
         "D:\\Linked\\工具",
         [](MemoryBackend& b) {
             b.files.AddFolder("E:\\Elsewhere\\Linked");
             b.files.AddLink("D:\\Linked", "E:\\Elsewhere\\Linked");
             b.files.SetOpenFollowsLinks(true);
         },
         InstallOutcome::Stopped,
         {"D:\\Linked 是一个链接"}},
        {"the product folder",
         "D:\\Other",
         [](MemoryBackend& b) { b.files.AddLink("D:\\Other\\Brelix结构工具箱", "C:\\windows"); },
         InstallOutcome::Stopped,
         {"D:\\Other\\Brelix结构工具箱 是一个链接"}},
        {"files below the product folder",
         kRoot,
         [](MemoryBackend& b) {
             for (const char* name : {"HELP.CHM", "USER.CFG"}) {
                 ASSERT_TRUE(b.files.DeleteFile(In(kProduct, name)));
                 b.files.AddLink(In(kProduct, name), In("C:\\windows", name), false);
             }
             b.files.AddLink("C:\\Setup\\Data\\SetUp_Temp1", "C:\\windows");
             b.files.AddFile("C:\\windows\\MY.SEC", "the administrator's sections");
         },
         InstallOutcome::InstalledWithProblems,
         {In(kProduct, "USER.CFG") + " 是一个链接，没有保留"}},
        {"the drawing library of another root",
         "D:\\New",
         [](MemoryBackend& b) {
             b.files.AddLink("D:\\New\\Brelix结构工具箱\\Brelix扩展绘图库", "C:\\windows");
         },
         InstallOutcome::Stopped,
         {"D:\\New\\Brelix结构工具箱\\Brelix扩展绘图库 是一个链接"}},
        {"the drawing library",
         kRoot,
         [](MemoryBackend& b) {
             ASSERT_TRUE(b.files.MoveFile(In(kLibrary, "MINE.SJY"), "C:\\windows\\MINE.SJY"));
             ASSERT_TRUE(b.files.RemoveDirectory(kLibrary));
             b.files.AddLink(kLibrary, "C:\\windows");
         },
         InstallOutcome::Stopped,
         {std::string(kLibrary) + " 是一个链接"}},
    };
    for (const Case& c : cases) {
        Machine machine;
        MemoryBackend& b = machine.backend;
        b.files.AddFile("C:\\windows\\win.ini", "[fonts]");
        b.files.AddFile("C:\\windows\\HELP.CHM", "the system's help");
        b.files.AddFile("C:\\windows\\USER.CFG", "the administrator's settings");
        c.plant(b);
        machine.page.installPath = c.root;
        const std::string filesBefore = b.files.Dump();
        std::string windowsBefore;
        for (const std::string& name : b.files.List("C:\\windows"))
            windowsBefore += name + "=" + b.files.ReadFile(In("C:\\windows", name)).value_or("") + "\n";

        machine.Install();
        std::string windowsAfter;
        for (const std::string& name : b.files.List("C:\\windows"))
            windowsAfter += name + "=" + b.files.ReadFile(In("C:\\windows", name)).value_or("") + "\n";
        EXPECT_EQ(windowsAfter, windowsBefore) << c.name;
        EXPECT_EQ(machine.journal.Outcome(), c.outcome) << c.name;
        ASSERT_EQ(b.prompts.shown.size(), 1u) << c.name;
        for (const std::string& part : c.named)
            EXPECT_NE(b.prompts.shown[0].text.find(part), std::string::npos)
                << c.name << ": " << b.prompts.shown[0].text;
        if (c.outcome == InstallOutcome::Stopped) {
            EXPECT_EQ(b.files.Dump(), filesBefore) << c.name;
            EXPECT_THAT(machine.page.calls, ElementsAre("read")) << c.name;
        }
        // What lay behind a link never comes into the user's reach.
        const std::string after = b.files.Dump();
        const std::size_t copy = after.find("the administrator's settings");
        EXPECT_EQ(after.find("the administrator's settings", copy + 1), std::string::npos) << c.name;
    }
}

// The payload beside SetUp.exe is in an ordinary user's hands: a link there would have the elevated
// run copy what only administrators may read into the product folder, which every user reads. Data,
// its drawing library and each file are read only through held, checked handles; a product file that
// fails the check is asked about as a copy that fails (a silent run aborts: exit 6, nothing changed),
// a library that fails leaves the library out and a font that fails is not copied (exit 7).
TEST(Links, ThePayloadIsReadOnlyWhereItReallyIsBesideTheProgram) {
    const std::string secret = "C:\\Secret";
    struct Case {
        const char* name;
        std::function<void(MemoryBackend&)> plant;
        int exitCode;
        bool productUnchanged;  // every file of the product folder as before
    };
    const auto replaceByLink = [](MemoryBackend& b, const std::string& path, const std::string& target) {
        ASSERT_TRUE(b.files.DeleteFile(path));
        b.files.AddLink(path, target, false);
    };
    const Case cases[] = {
        {"the normal case", [](MemoryBackend&) {}, state::kExitInstalled, false},
        {"Data a link",
         [&](MemoryBackend& b) {
             ASSERT_TRUE(b.files.RenameFolder(kSource, "C:\\Secret\\Data"));
             b.files.AddFile("C:\\Secret\\Data\\SECRET.TXT", "the administrators' secret data");
             b.files.AddLink(kSource, "C:\\Secret\\Data");
         },
         state::kExitStopped, true},
        {"Data a link, opened as Wine does",
         [&](MemoryBackend& b) {
             ASSERT_TRUE(b.files.RenameFolder(kSource, "C:\\Secret\\Data"));
             b.files.AddFile("C:\\Secret\\Data\\SECRET.TXT", "the administrators' secret data");
             b.files.AddLink(kSource, "C:\\Secret\\Data");
             b.files.SetOpenFollowsLinks(true);
         },
         state::kExitStopped, true},
        {"the library a link",
         [&](MemoryBackend& b) {
             ASSERT_TRUE(b.files.RenameFolder(In(kSource, "Brelix扩展绘图库"), "C:\\Secret\\Lib"));
             b.files.AddFile("C:\\Secret\\Lib\\SECRET.SJY", "the administrators' secret drawing");
             b.files.AddLink(In(kSource, "Brelix扩展绘图库"), "C:\\Secret\\Lib");
         },
         state::kExitWithProblems, false},
        {"a source file a link",
         [&](MemoryBackend& b) { replaceByLink(b, In(kSource, "HELP.CHM"), In(secret, "HELP.CHM")); },
         state::kExitStopped, true},
        {"a source file with a second, hard-linked name",
         [&](MemoryBackend& b) {
             ASSERT_TRUE(b.files.DeleteFile(In(kSource, "HELP.CHM")));
             b.files.AddHardLink(In(kSource, "HELP.CHM"), In(secret, "HELP.CHM"));
         },
         state::kExitStopped, true},
        {"a source file whose final path is elsewhere",
         [&](MemoryBackend& b) {
             replaceByLink(b, In(kSource, "HELP.CHM"), In(secret, "HELP.CHM"));
             b.files.SetOpenFollowsLinks(true);
         },
         state::kExitStopped, true},
        {"a font a link",
         [&](MemoryBackend& b) { replaceByLink(b, In(kSource, "Brelix_EN.shx"), In(secret, "HELP.CHM")); },
         state::kExitWithProblems, false},
    };
    for (const Case& c : cases) {
        Machine machine;
        MemoryBackend& b = machine.backend;
        b.prompts.defaultAnswer = platform::kIdAbort;  // as a silent run answers
        b.files.AddFile(In(secret, "HELP.CHM"), "the administrators' secret");
        c.plant(b);
        const auto secrets = [&b] {
            const std::string dump = b.files.Dump();
            int count = 0;
            for (auto at = dump.find("administrators' secret"); at != std::string::npos;
                 at = dump.find("administrators' secret", at + 1))
                ++count;
            return count;
        };
        const int secretsBefore = secrets();
        const auto productDump = [&b] {
            std::string lines;
            std::istringstream dump(b.files.Dump());
            for (std::string line; std::getline(dump, line);) {
                if (line.rfind(kProduct, 0) == 0)
                    lines += line + "\n";
            }
            return lines;
        };
        const std::string before = productDump();

        machine.Install();
        EXPECT_EQ(state::ExitCodeFor(machine.journal.Outcome(), false, false), c.exitCode) << c.name;
        if (c.productUnchanged)
            EXPECT_EQ(productDump(), before) << c.name;
        else
            EXPECT_EQ(b.files.ReadFile(In(kProduct, "Brelix2010.arx")), "shipped Brelix2010.arx") << c.name;
        // What lies behind a link never comes into the users' reach: nothing of it is copied anywhere.
        EXPECT_EQ(secrets(), secretsBefore) << c.name << "\n" << b.files.Dump();
    }
}

// ---- The record in the 32-bit view -------------------------------------------------------

struct ViewCase {
    const char* name;
    int bits;
    std::vector<std::pair<std::string, std::string>> records;  // key, recorded folder
    std::string found;                                         // empty: no record found
    std::string writtenAt;
};

class RecordViewTest : public ::testing::TestWithParam<ViewCase> {};

TEST_P(RecordViewTest, BothBuildsReadAndWriteTheRecordOfThe32BitView) {
    MemoryBackend backend;
    backend.registry.SetProgramBitness(GetParam().bits);
    for (const auto& [key, folder] : GetParam().records)
        backend.registry.SetString(RootKey::LocalMachine, key, kRecordValue, folder);
    std::string folder;
    EXPECT_EQ(install::ReadPreviousFolder(backend.registry, backend.environment, folder),
              !GetParam().found.empty());
    EXPECT_EQ(folder, GetParam().found);

    EXPECT_TRUE(install::RecordProductFolder(backend.registry, kProduct));
    auto written = backend.registry.GetValue(RootKey::LocalMachine, GetParam().writtenAt, kRecordValue);
    ASSERT_TRUE(written);
    EXPECT_EQ(written->Text(), kProduct);
    EXPECT_TRUE(install::ReadPreviousFolder(backend.registry, backend.environment, folder));
    EXPECT_EQ(folder, kProduct);
}

INSTANTIATE_TEST_SUITE_P(
    Views,
    RecordViewTest,
    ::testing::Values(
        ViewCase{"ThirtyTwoBitBuild", 32, {{"SOFTWARE\\Brelix", "E:\\Old"}}, "E:\\Old", "SOFTWARE\\Brelix"},
        ViewCase{"SixtyFourBitBuildFindsThe32BitRecord",
                 64,
                 {{"SOFTWARE\\Wow6432Node\\Brelix", "E:\\Old"}},
                 "E:\\Old",
                 "SOFTWARE\\Wow6432Node\\Brelix"},
        ViewCase{"SixtyFourBitBuildFindsItsEarlierRecord",
                 64,
                 {{"SOFTWARE\\Brelix", "E:\\Old64"}},
                 "E:\\Old64",
                 "SOFTWARE\\Wow6432Node\\Brelix"},
        ViewCase{"The32BitViewWins",
                 64,
                 {{"SOFTWARE\\Brelix", "E:\\Old64"}, {"SOFTWARE\\Wow6432Node\\Brelix", "E:\\Old32"}},
                 "E:\\Old32",
                 "SOFTWARE\\Wow6432Node\\Brelix"},
        ViewCase{"SixtyFourBitBuildWithoutRecord", 64, {}, "", "SOFTWARE\\Wow6432Node\\Brelix"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Copies of a read-only source --------------------------------------------------------

// A copy takes its source's attributes. When the source's read-only bit cannot be cleared (a
// read-only medium), only the clear after the copy keeps the installed file writable.
struct ReadOnlySourceCase {
    const char* name;
    std::string source;
    std::string installed;
    std::string content;
};

class ReadOnlySourceTest : public ::testing::TestWithParam<ReadOnlySourceCase> {};

TEST_P(ReadOnlySourceTest, InstalledFileIsWritableThoughItsSourceStaysReadOnly) {
    Machine machine;
    const ReadOnlySourceCase& c = GetParam();
    machine.backend.files.AddFile(c.source, c.content, platform::kAttrReadOnly | platform::kAttrArchive);
    machine.backend.failures.Fail(Operation::SetAttributes, c.source);
    machine.Install();
    EXPECT_EQ(machine.backend.files.ReadFile(c.installed), c.content);
    EXPECT_EQ(machine.backend.files.GetAttributes(c.installed), platform::kAttrArchive);
}

INSTANTIATE_TEST_SUITE_P(
    Copies,
    ReadOnlySourceTest,
    ::testing::Values(ReadOnlySourceCase{"ProductFile", In(kSource, "HELP.CHM"), In(kProduct, "HELP.CHM"),
                                         "shipped help"},
                      ReadOnlySourceCase{"DrawingLibraryFile", In(In(kSource, "Brelix扩展绘图库"), "梁.SJY"),
                                         In(kLibrary, "梁.SJY"), "shipped beam"},
                      ReadOnlySourceCase{"Font", In(kSource, "Brelix_EN.shx"),
                                         In(In(kAcadFolder, "Fonts"), "Brelix_EN.shx"), "shipped font"}),
    [](const auto& info) { return std::string(info.param.name); });

// An installed file made read-only is replaced all the same, and its backup goes with the run.
TEST(ReadOnlyInstalledFile, IsReplacedAndLeavesNoBackupBehind) {
    Machine machine;
    ASSERT_TRUE(machine.backend.files.SetAttributes(In(kProduct, "HELP.CHM"),
                                                    platform::kAttrArchive | platform::kAttrReadOnly));
    EXPECT_TRUE(machine.Install());
    EXPECT_EQ(machine.backend.files.ReadFile(In(kProduct, "HELP.CHM")), "shipped HELP.CHM");
    EXPECT_EQ(machine.backend.files.GetAttributes(In(kProduct, "HELP.CHM")), platform::kAttrArchive);
    EXPECT_EQ(machine.backend.files.Dump().find("~B"), std::string::npos) << machine.backend.files.Dump();
}

// A setup program renamed away before it ran, and another put under its name: the uninstaller is
// never written from the name, only from the image that runs, which cannot be confirmed here; nor
// can the source beside it, so the run stops before anything changes.
TEST(SwappedProgram, WritesNoUninstallerAndSaysSo) {
    Machine machine;
    machine.backend.files.Run(kProgram);
    ASSERT_TRUE(machine.backend.files.MoveFile(kProgram, "C:\\Setup\\renamed.exe"));
    machine.backend.files.AddFile(kProgram, "another program");
    const std::string before = machine.backend.files.Dump();
    EXPECT_FALSE(machine.Install());
    EXPECT_FALSE(machine.backend.files.Exists(In(kSetupFolder, "Uninstall.exe")));
    EXPECT_EQ(machine.backend.files.Dump(), before);
    EXPECT_EQ(machine.journal.Outcome(), InstallOutcome::Stopped);
    ASSERT_EQ(machine.backend.prompts.shown.size(), 1u);
    EXPECT_THAT(machine.backend.prompts.shown[0].text, ::testing::HasSubstr("安装来源 C:\\Setup"));
}

// ---- A program path that does not fit ----------------------------------------------------

TEST(ProgramPath, PathTooLongForItsBufferFindsNoDataInsteadOfAParentsData) {
    MemoryBackend backend;
    backend.files.AddFolder("C:\\Data");
    const std::string deep = "C:\\" + std::string(255, 'p') + "\\SetUp.exe";  // cut at 260: "C:\ppp..."
    backend.files.SetProgramPath(deep);
    auto services = backend.services();
    std::string source = "untouched";
    EXPECT_FALSE(install::LocateSourceFolder(services, source));
    EXPECT_EQ(source, "");
    EXPECT_EQ(backend.prompts.shown.size(), 1u);
}

}  // namespace

// ---- Updates -------------------------------------------------------------------------------

// The files below the drives D and E, one line each, with their content.
std::string FilesOnDataDrives(const Machine& machine) {
    std::string files;
    for (const char* drive : {"D:\\", "E:\\"}) {
        std::istringstream lines(LinesUnder(machine.backend, drive));
        for (std::string line; std::getline(lines, line);) {
            if (line.find("\\ [") == std::string::npos)
                files += line + "\n";
        }
    }
    return files;
}

struct UpdateRow {
    const char* root;
    const char* settings;  // what the user wrote into the settings; nullptr: left as installed
};

class UpdateTest : public testing::TestWithParam<UpdateRow> {};

// An upgrade whose payload changes every factory file, over an installation where the user changed at
// most the settings, then the quiet uninstall: the untouched factory files take the new version, into
// the same root or a new one; only the settings the user changed stay, and the product's key with them.
TEST_P(UpdateTest, FactoryFilesTakeTheNewVersionAndOnlyWhatTheUserChangedOutlivesTheUninstall) {
    const UpdateRow row = GetParam();
    Machine machine(Earlier::None);
    LinesSink sink;
    machine.log = &sink;
    machine.backend.files.AddDrive("E:");
    ASSERT_TRUE(machine.Install());
    const bool userChangesSettings = row.settings != nullptr;
    if (userChangesSettings)
        machine.backend.files.AddFile(In(kProduct, "USER.CFG"), row.settings);
    Upgrade(machine);
    machine.backend.files.AddFile(In(In(kSource, "Brelix扩展绘图库"), "MINE.SJY"), "newer drawings");
    machine.options.productVersion = {2099, 1, 0};
    machine.page.installPath = row.root;
    ASSERT_TRUE(machine.Install());

    const std::string product = In(row.root, "Brelix结构工具箱");
    const std::string library = In(product, "Brelix扩展绘图库");
    EXPECT_EQ(machine.backend.files.ReadFile(In(library, "MINE.SJY")), "newer drawings");
    EXPECT_EQ(machine.backend.files.ReadFile(In(library, "梁.SJY")), "newer beam");
    EXPECT_EQ(machine.backend.files.ReadFile(In(product, "USER.CFG")),
              userChangesSettings ? row.settings : "newer USER.CFG");
    EXPECT_THAT(sink.lines, testing::Contains("升级：版本 2024.3.27 -> 2099.1.0"));
    EXPECT_THAT(sink.lines, testing::Contains("安装后未修改，更新为新版本：" + In(kLibrary, "MINE.SJY")));

    UninstallQuietly(machine);
    std::string expected;
    if (userChangesSettings) {
        // Also the copy left in the folder the root moved away from: the user changed it there.
        const bool moved = std::string(row.root) != kRoot;
        const std::string line = std::string(" [20] \"") + row.settings + "\"\n";
        expected = (moved ? In(kProduct, "USER.CFG") + line : "") + In(product, "USER.CFG") + line;
    }
    EXPECT_EQ(FilesOnDataDrives(machine), expected);
    EXPECT_EQ(machine.backend.registry.GetValue(RootKey::LocalMachine, kRecordKey, kRecordValue).has_value(),
              userChangesSettings);
}

INSTANTIATE_TEST_SUITE_P(SameAndNewRoot,
                         UpdateTest,
                         testing::Values(UpdateRow{kRoot, "my settings"},
                                         // As long as the shipped file, and only its content differs.
                                         UpdateRow{kRoot, "Shipped USER.CFG"},
                                         UpdateRow{"E:\\CAD Tools", "my settings"},
                                         UpdateRow{"E:\\CAD Tools", nullptr}));

// A newer installation is never replaced by an older package unless asked: the wizard asks with No
// as its default, a silent run (which answers No) ends with 8, /ALLOWDOWNGRADE goes on.
TEST(Downgrade, AnOlderPackageChangesNothingUnlessAllowed) {
    struct Row {
        int answer;
        bool allowed;
        bool installs;
    };
    // 0: the box could not be shown, which is no Yes.
    for (const Row row : {Row{platform::kIdNo, false, false}, Row{0, false, false},
                          Row{platform::kIdYes, false, true}, Row{platform::kIdNo, true, true}}) {
        Machine machine(Earlier::None);
        machine.options.productVersion = {2099, 1, 0};
        ASSERT_TRUE(machine.Install());
        Upgrade(machine);
        const std::string files = machine.backend.files.Dump();
        const std::string registry = machine.backend.registry.Dump();
        machine.options.productVersion = {2024, 12, 1};
        machine.options.allowDowngrade = row.allowed;
        machine.backend.prompts.defaultAnswer = row.answer;
        EXPECT_EQ(machine.Install(), row.installs);
        const auto entry = machine.backend.registry.GetValue(RootKey::LocalMachine,
                                                             install::kUninstallKeyPath, "DisplayVersion");
        ASSERT_TRUE(entry);
        EXPECT_EQ(entry->Text(), row.installs ? "2024.12.1" : "2099.1.0");
        for (const auto& [name, number] : {std::pair{"VersionMajor", row.installs ? 2024u : 2099u},
                                           std::pair{"VersionMinor", row.installs ? 12u : 1u}}) {
            const auto value =
                machine.backend.registry.GetValue(RootKey::LocalMachine, install::kUninstallKeyPath, name);
            ASSERT_TRUE(value) << name;
            const std::string bytes{static_cast<char>(number & 0xFF), static_cast<char>(number >> 8), '\0',
                                    '\0'};
            EXPECT_EQ(*value, (platform::memory::StoredValue{platform::kRegDword, bytes})) << name;
        }
        if (!row.installs) {
            EXPECT_EQ(machine.journal.Outcome(), state::InstallOutcome::NewerInstalled);
            EXPECT_EQ(state::ExitCodeFor(machine.journal.Outcome(), false, false),
                      state::kExitNewerInstalled);
            EXPECT_EQ(machine.backend.files.Dump(), files);
            EXPECT_EQ(machine.backend.registry.Dump(), registry);
        }
        if (!row.allowed) {
            ASSERT_FALSE(machine.backend.prompts.shown.empty());
            const auto& asked = machine.backend.prompts.shown.front();
            EXPECT_EQ(asked.style, platform::kMbYesNo | platform::kMbIconQuestion | platform::kMbDefButton2);
            EXPECT_NE(asked.text.find("V2099.1.0"), std::string::npos) << asked.text;
            EXPECT_NE(asked.text.find("V2024.12.1"), std::string::npos) << asked.text;
        }
    }
}

// Nothing is registered that cannot be removed: a setup folder whose uninstaller, record or entry
// cannot be written stops the run with everything as it was, in a first installation and an upgrade.
TEST(UninstallFirst, ASetupFolderThatCannotBeWrittenLeavesEverythingAsItWas) {
    const std::pair<Operation, std::string> failures[] = {
        {Operation::CopyFile, In(kSetupFolder, "Uninstall.exe.new")},
        {Operation::WriteFile, In(kSetupFolder, "Brelix安装记录.txt.new")},
        {Operation::MoveFile, In(kSetupFolder, "Uninstall.exe.new")},
        {Operation::WriteValue, std::string("HKLM\\") + install::kUninstallKeyPath + "\\DisplayVersion"},
    };
    for (const Earlier earlier : {Earlier::None, Earlier::Installation}) {
        for (const auto& [operation, path] : failures) {
            Machine machine(earlier);
            const std::string files = machine.backend.files.Dump();
            const std::string registry = machine.backend.registry.Dump();
            machine.backend.failures.Fail(operation, path);
            EXPECT_FALSE(machine.Install()) << path;
            EXPECT_EQ(state::ExitCodeFor(machine.journal.Outcome(), false, false), state::kExitStopped)
                << path;
            EXPECT_EQ(machine.backend.files.Dump(), files) << path;
            EXPECT_EQ(machine.backend.registry.Dump(), registry) << path;
        }
    }
}
