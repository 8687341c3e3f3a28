// Demand-load entries below the recorded AutoCAD keys and removal of acad.exe's compatibility
// layer: which keys get which module, what happens to earlier entries, and what is left alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/memory/memory_backend.h"
#include "platform/text936.h"
#include "readable_names.h"
#include "state/acad_inventory.h"
#include "tests/unit/acad_test_support.h"

namespace {

using acad_test::DumpBelow;
using acad_test::IndexOf;
using platform::RootKey;
using platform::memory::MemoryBackend;
using platform::memory::Operation;
using platform::memory::StoredValue;
using Lines = std::vector<std::string>;

constexpr char kLayers[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers";

class AcadRegistrationTest : public ::testing::Test {
  protected:
    AcadRegistrationTest() {
        inventory.targetRoot = "D:\\Tools";
        chosen.fill(0);
    }

    // An installation as discovery records it: the key exists below HKLM.
    void AddInstallation(int year, const std::string& key, const std::string& folder) {
        backend.registry.CreateKey(RootKey::LocalMachine, key);
        inventory.acadKeys[IndexOf(year)].push_back(key);
        inventory.acadLocations[IndexOf(year)].push_back(folder);
    }

    void Choose(int year) { chosen[IndexOf(year)] = 1; }

    void Register() {
        auto services = backend.services();
        inventory.RegisterReleases(services, chosen, journal);
    }

    Lines Entries() { return DumpBelow(backend.registry, "HKLM\\SOFTWARE\\Autodesk"); }

    MemoryBackend backend;
    state::AcadInventory inventory;
    state::InstallJournal journal;
    state::ReleaseFlags chosen;
};

// The dump lines of one entry: the key, "LOADCTRLS" = 2, "LOADER" = the module path.
Lines EntryLines(const std::string& key, const std::string& module) {
    return {key, key + " : \"LOADCTRLS\" type 4 = 2 0 0 0 ",
            key + " : \"LOADER\" type 1 = \"" + module + "\""};
}

struct BuildCase {
    int year;
    int build;
};

class AcadModuleBuildTest : public AcadRegistrationTest, public ::testing::WithParamInterface<BuildCase> {};

// The entry is named after the release; the module it loads after the build serving it.
TEST_P(AcadModuleBuildTest, EntryCarriesTheReleaseYearAndLoadsItsBuild) {
    const std::string key = "SOFTWARE\\Autodesk\\AutoCAD\\R" + std::to_string(GetParam().year) + "\\ACAD-1";
    AddInstallation(GetParam().year, key + "\\", "C:\\CAD");
    Choose(GetParam().year);
    Register();
    const std::string entry = "HKLM\\" + key + "\\Applications\\Brelix" + std::to_string(GetParam().year);
    Lines expected{"HKLM\\SOFTWARE\\Autodesk", "HKLM\\SOFTWARE\\Autodesk\\AutoCAD",
                   "HKLM\\SOFTWARE\\Autodesk\\AutoCAD\\R" + std::to_string(GetParam().year), "HKLM\\" + key,
                   "HKLM\\" + key + "\\Applications"};
    for (const std::string& line : EntryLines(
             entry, "D:\\Tools\\Brelix结构工具箱\\BRELIX" + std::to_string(GetParam().build) + ".ARX")) {
        expected.push_back(line);
    }
    EXPECT_EQ(Entries(), expected);
    // Text values carry their terminating zero.
    EXPECT_EQ(backend.registry.GetValue(RootKey::LocalMachine, entry.substr(5), "LOADER")->data.back(), '\0');
}

INSTANTIATE_TEST_SUITE_P(AcadBuilds,
                         AcadModuleBuildTest,
                         ::testing::Values(BuildCase{2000, 2000},
                                           BuildCase{2002, 2000},
                                           BuildCase{2004, 2004},
                                           BuildCase{2005, 2004},
                                           BuildCase{2006, 2004},
                                           BuildCase{2007, 2008},
                                           BuildCase{2008, 2008},
                                           BuildCase{2009, 2008},
                                           BuildCase{2010, 2010},
                                           BuildCase{2011, 2010},
                                           BuildCase{2012, 2010},
                                           BuildCase{2013, 2013},
                                           BuildCase{2014, 2013},
                                           BuildCase{2015, 2015},
                                           BuildCase{2016, 2015},
                                           BuildCase{2017, 2017},
                                           BuildCase{2018, 2018},
                                           BuildCase{2019, 2019},
                                           BuildCase{2020, 2019},
                                           BuildCase{2021, 2021},
                                           BuildCase{2022, 2021},
                                           BuildCase{2023, 2021},
                                           BuildCase{2024, 2021},
                                           BuildCase{2025, 2025}),
                         readable_names::By(&BuildCase::year));

TEST_F(AcadRegistrationTest, OnlyChosenReleasesGetEntriesBelowEveryRecordedKey) {
    AddInstallation(2008, "SOFTWARE\\Wow6432Node\\Autodesk\\AutoCAD\\R17.1\\ACAD-7001:804\\", "C:\\CAD2008");
    AddInstallation(2008, "SOFTWARE\\Autodesk\\AutoCAD\\R17.1\\ACAD-7001:804\\", "C:\\CAD2008");
    AddInstallation(2010, "SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804\\", "C:\\CAD2010");
    Choose(2008);
    Choose(2013);  // chosen but not found: nothing to write
    Register();

    Lines expected{"HKLM\\SOFTWARE\\Autodesk", "HKLM\\SOFTWARE\\Autodesk\\AutoCAD",
                   "HKLM\\SOFTWARE\\Autodesk\\AutoCAD\\R17.1",
                   "HKLM\\SOFTWARE\\Autodesk\\AutoCAD\\R17.1\\ACAD-7001:804",
                   "HKLM\\SOFTWARE\\Autodesk\\AutoCAD\\R17.1\\ACAD-7001:804\\Applications"};
    for (const std::string& line :
         EntryLines("HKLM\\SOFTWARE\\Autodesk\\AutoCAD\\R17.1\\ACAD-7001:804\\Applications"
                    "\\Brelix2008",
                    "D:\\Tools\\Brelix结构工具箱\\BRELIX2008.ARX")) {
        expected.push_back(line);
    }
    expected.push_back("HKLM\\SOFTWARE\\Autodesk\\AutoCAD\\R18.0");
    expected.push_back("HKLM\\SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804");
    EXPECT_EQ(Entries(), expected);
    EXPECT_EQ(backend.registry.ValueNames(
                  RootKey::LocalMachine,
                  "SOFTWARE\\Wow6432Node\\Autodesk\\AutoCAD\\R17.1\\ACAD-7001:804\\Applications"
                  "\\Brelix2008"),
              (Lines{"LOADCTRLS", "LOADER"}));
}

TEST_F(AcadRegistrationTest, EarlierEntryWithoutSubkeysIsReplacedWhole) {
    const std::string key = "SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804";
    AddInstallation(2010, key + "\\", "C:\\CAD2010");
    backend.registry.SetString(RootKey::LocalMachine, key + "\\Applications\\Brelix2010", "LOADER",
                               "old.arx");
    backend.registry.SetString(RootKey::LocalMachine, key + "\\Applications\\Brelix2010", "DESCRIPTION",
                               "old");
    backend.registry.SetDword(RootKey::LocalMachine, key + "\\Applications\\Brelix2010", "LOADCTRLS", 14);
    backend.registry.SetString(RootKey::LocalMachine, key + "\\Applications\\Other", "LOADER", "other.arx");
    Choose(2010);
    Register();
    Lines expected{"HKLM\\" + key + "\\Applications"};
    for (const std::string& line : EntryLines("HKLM\\" + key + "\\Applications\\Brelix2010",
                                              "D:\\Tools\\Brelix结构工具箱\\BRELIX2010.ARX")) {
        expected.push_back(line);
    }
    expected.push_back("HKLM\\" + key + "\\Applications\\Other");
    expected.push_back("HKLM\\" + key + "\\Applications\\Other : \"LOADER\" type 1 = \"other.arx\"");
    EXPECT_EQ(DumpBelow(backend.registry, "HKLM\\" + key + "\\Applications"), expected);
}

TEST_F(AcadRegistrationTest, EarlierEntryWithSubkeysKeepsThemAndGetsBothValuesOverwritten) {
    const std::string key = "SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804";
    const std::string entry = key + "\\Applications\\Brelix2010";
    AddInstallation(2010, key + "\\", "C:\\CAD2010");
    backend.registry.SetString(RootKey::LocalMachine, entry, "DESCRIPTION", "old");
    backend.registry.SetString(RootKey::LocalMachine, entry, "LOADER", "old.arx");
    backend.registry.SetDword(RootKey::LocalMachine, entry + "\\Commands", "BRX", 1);
    Choose(2010);
    Register();
    EXPECT_EQ(
        DumpBelow(backend.registry, "HKLM\\" + entry),
        (Lines{"HKLM\\" + entry, "HKLM\\" + entry + " : \"DESCRIPTION\" type 1 = \"old\"",
               "HKLM\\" + entry + " : \"LOADER\" type 1 = \"D:\\Tools\\Brelix结构工具箱\\BRELIX2010.ARX\"",
               "HKLM\\" + entry + " : \"LOADCTRLS\" type 4 = 2 0 0 0 ", "HKLM\\" + entry + "\\Commands",
               "HKLM\\" + entry + "\\Commands : \"BRX\" type 4 = 1 0 0 0 "}));
}

TEST_F(AcadRegistrationTest, DriveRootGivesASingleBackslashBeforeTheProductFolder) {
    const std::string key = "SOFTWARE\\Autodesk\\AutoCAD\\R18.1\\ACAD-9001:804";
    AddInstallation(2011, key + "\\", "C:\\CAD2011");
    inventory.targetRoot = text936::WithoutTrailingBackslash("E:\\");
    Choose(2011);
    Register();
    EXPECT_EQ(backend.registry.GetValue(RootKey::LocalMachine, key + "\\Applications\\Brelix2011", "LOADER"),
              (StoredValue{platform::kRegSz, std::string("E:\\Brelix结构工具箱\\BRELIX2010.ARX") + '\0'}));
}

// The module path "<root>\Brelix结构工具箱\BRELIX2010.ARX" is 32 bytes longer than the root; it
// must fit 259 bytes. A path that would not fit leaves the entry as it was instead of cutting it.
TEST_F(AcadRegistrationTest, ModulePathThatWouldNotFitLeavesTheEntryAlone) {
    const std::string fits = "C:\\" + std::string(227 - 3, 'r');
    const std::string tooLong = fits + "r";
    const std::string key = "SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804";
    AddInstallation(2010, key + "\\", "C:\\CAD2010");
    backend.registry.SetString(RootKey::LocalMachine, key + "\\Applications\\Brelix2010", "LOADER",
                               "old.arx");
    Choose(2010);

    inventory.targetRoot = tooLong;
    Register();
    EXPECT_EQ(DumpBelow(backend.registry, "HKLM\\" + key + "\\Applications\\Brelix2010"),
              (Lines{"HKLM\\" + key + "\\Applications\\Brelix2010",
                     "HKLM\\" + key + "\\Applications\\Brelix2010 : \"LOADER\" type 1 = \"old.arx\""}));

    inventory.targetRoot = fits;
    Register();
    const std::string expected = fits + "\\Brelix结构工具箱\\BRELIX2010.ARX";
    ASSERT_EQ(expected.size(), 259u);
    EXPECT_EQ(backend.registry.GetValue(RootKey::LocalMachine, key + "\\Applications\\Brelix2010", "LOADER"),
              (StoredValue{platform::kRegSz, expected + '\0'}));
}

TEST_F(AcadRegistrationTest, KeyThatCannotBeOpenedOrCreatedIsSkippedAndTheRestIsWritten) {
    AddInstallation(2010, "SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804\\", "C:\\A");
    AddInstallation(2010, "SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8002:409\\", "C:\\B");
    AddInstallation(2010, "SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8003:411\\", "C:\\C");
    inventory.acadKeys[IndexOf(2010)].push_back("SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\Gone\\");
    inventory.acadLocations[IndexOf(2010)].push_back("C:\\Gone");
    backend.failures.Fail(Operation::OpenKey, "HKLM\\SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804");
    backend.failures.Fail(
        Operation::CreateKey,
        "HKLM\\SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8002:409\\Applications\\Brelix2010");
    Choose(2010);
    Register();
    for (const char* product : {"ACAD-8001:804", "ACAD-8002:409"}) {
        EXPECT_EQ(backend.registry.SubkeyNames(RootKey::LocalMachine,
                                               std::string("SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\") + product),
                  Lines{})
            << product;
    }
    EXPECT_EQ(backend.registry.ValueNames(
                  RootKey::LocalMachine,
                  "SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8003:411\\Applications\\Brelix2010"),
              (Lines{"LOADCTRLS", "LOADER"}));
    EXPECT_FALSE(
        backend.registry.KeyExists(RootKey::LocalMachine, "SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\Gone"));
}

TEST_F(AcadRegistrationTest, RunningTwiceGivesTheSameRegistry) {
    AddInstallation(2010, "SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804\\", "C:\\CAD2010");
    backend.registry.SetString(RootKey::CurrentUser,
                               "SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804\\Profiles\\P"
                               "\\Variables",
                               "TRUSTEDPATHS", "c:\\x");
    Choose(2010);
    Register();
    const std::string afterFirst = backend.registry.Dump();
    Register();
    EXPECT_EQ(backend.registry.Dump(), afterFirst);
}

class AcadCompatFlagsTest : public AcadRegistrationTest {
  protected:
    void AddLayer(const std::string& folder) {
        backend.registry.SetString(RootKey::CurrentUser, kLayers, folder + "\\acad.exe", "~ WINXPSP3");
    }
    Lines LayerNames() { return backend.registry.ValueNames(RootKey::CurrentUser, kLayers); }
};

// Every found installation up to 2018 loses its compatibility layer whether it was chosen or not;
// later releases never do. Other programs' layers stay.
TEST_F(AcadCompatFlagsTest, ClearedForEveryFoundReleaseUpTo2018Only) {
    for (const char* folder : {"C:\\CAD2000", "C:\\CAD2012", "C:\\CAD2018", "C:\\CAD2019", "C:\\CAD2025",
                               "C:\\CAD2013", "C:\\Other"}) {
        AddLayer(folder);
    }
    backend.registry.SetString(RootKey::CurrentUser, kLayers, "C:\\Other\\other.exe", "HIGHDPIAWARE");
    AddInstallation(2000, "SOFTWARE\\Autodesk\\AutoCAD\\R15.0\\ACAD-1:804\\", "C:\\CAD2000");
    AddInstallation(2012, "SOFTWARE\\Autodesk\\AutoCAD\\R18.2\\ACAD-A001:804\\", "C:\\CAD2012");
    AddInstallation(2018, "SOFTWARE\\Autodesk\\AutoCAD\\R22.0\\ACAD-1001:804\\", "C:\\CAD2018");
    AddInstallation(2019, "SOFTWARE\\Autodesk\\AutoCAD\\R23.0\\ACAD-2001:804\\", "C:\\CAD2019");
    AddInstallation(2025, "SOFTWARE\\Autodesk\\AutoCAD\\R25.0\\ACAD-8101:804\\", "C:\\CAD2025");
    // Recorded with a trailing backslash: the name has two backslashes and matches nothing.
    AddInstallation(2013, "SOFTWARE\\Autodesk\\AutoCAD\\R19.0\\ACAD-B001:804\\", "C:\\CAD2013\\");
    Choose(2019);
    Choose(2025);
    Register();
    EXPECT_EQ(LayerNames(), (Lines{"C:\\CAD2019\\acad.exe", "C:\\CAD2025\\acad.exe", "C:\\CAD2013\\acad.exe",
                                   "C:\\Other\\acad.exe", "C:\\Other\\other.exe"}));
}

TEST_F(AcadCompatFlagsTest, ProcessedWithTrustedPathsEvenWhenNothingIsChosen) {
    AddLayer("C:\\CAD2010");
    AddInstallation(2010, "SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804\\", "C:\\CAD2010");
    const std::string variables =
        "SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804\\Profiles\\<<未命名配置>>\\Variables";
    backend.registry.SetString(RootKey::CurrentUser, variables, "TRUSTEDPATHS", "");
    Register();
    EXPECT_EQ(LayerNames(), Lines{});
    EXPECT_EQ(backend.registry.GetValue(RootKey::CurrentUser, variables, "TRUSTEDPATHS")->Text(),
              "D:\\Tools\\Brelix结构工具箱");
    EXPECT_EQ(backend.registry.SubkeyNames(RootKey::LocalMachine,
                                           "SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804"),
              Lines{});
}

// "<folder>\acad.exe" must fit 259 bytes; a longer name is skipped rather than cut short, so a
// value named like the cut text is not removed by mistake.
TEST_F(AcadCompatFlagsTest, NameThatWouldNotFitIsSkippedNotCut) {
    const std::string fits = "C:\\" + std::string(250 - 3, 'f');
    const std::string tooLong = "C:\\" + std::string(251 - 3, 'g');
    AddLayer(fits);
    AddLayer(tooLong);
    const std::string cut = (tooLong + "\\acad.exe").substr(0, 259);
    backend.registry.SetString(RootKey::CurrentUser, kLayers, cut, "x");
    state::ClearCompatFlags(backend.registry, backend.environment, {fits, tooLong}, journal);
    EXPECT_EQ(LayerNames(), (Lines{tooLong + "\\acad.exe", cut}));
}

TEST_F(AcadCompatFlagsTest, MissingLayersKeyIsNotCreated) {
    state::ClearCompatFlags(backend.registry, backend.environment, {"C:\\CAD2010"}, journal);
    EXPECT_EQ(backend.registry.Dump(), "HKLM\nHKCU\n");
}

}  // namespace
