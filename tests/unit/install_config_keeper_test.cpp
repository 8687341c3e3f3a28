// Saving the user's configuration of the previous installation and putting it back.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "install/config_keeper.h"
#include "install_test_support.h"
#include "readable_names.h"

namespace {

using namespace install_test;
using install::ConfigKeeper;
using platform::kAttrArchive;
using platform::kAttrReadOnly;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr char kPrevious[] = "E:\\Old\\Brelix结构工具箱";
constexpr char kPreviousLibrary[] = "E:\\Old\\Brelix结构工具箱\\Brelix扩展绘图库";
constexpr char kProduct[] = "D:\\Tools\\Brelix结构工具箱";
constexpr char kProductLibrary[] = "D:\\Tools\\Brelix结构工具箱\\Brelix扩展绘图库";
constexpr char kSaved1[] = "C:\\Program Files\\Brelix Setup\\SetUp_Temp1";
constexpr char kSaved2[] = "C:\\Program Files\\Brelix Setup\\SetUp_Temp2";
constexpr char kUserTemp[] = "C:\\Users\\me\\Temp";
constexpr char kUserSaved1[] = "C:\\Users\\me\\Temp\\SetUp_Temp1";
constexpr char kUserSaved2[] = "C:\\Users\\me\\Temp\\SetUp_Temp2";

std::string In(const std::string& folder, const std::string& name) {
    return folder + "\\" + name;
}

// ---- Product folder from the root --------------------------------------------------------

struct RootCase {
    const char* root;
    const char* productFolder;
};

class KeeperRootTest : public ::testing::TestWithParam<RootCase> {};

TEST_P(KeeperRootTest, ProductFolderIsDirectlyUnderTheRoot) {
    MemoryBackend backend;
    auto services = backend.services();
    ConfigKeeper keeper(services, GetParam().root);
    EXPECT_EQ(keeper.productFolder, GetParam().productFolder);
    EXPECT_EQ(keeper.previousFolder, "");
    EXPECT_EQ(keeper.keepSettings + keeper.keepSectionLibrary + keeper.keepDrawingLibrary, 0);
}

INSTANTIATE_TEST_SUITE_P(Roots,
                         KeeperRootTest,
                         ::testing::Values(RootCase{"D:\\", "D:\\Brelix结构工具箱"},
                                           RootCase{"D:\\Tools", "D:\\Tools\\Brelix结构工具箱"},
                                           RootCase{"D:\\Tools\\", "D:\\Tools\\Brelix结构工具箱"},
                                           RootCase{"D:\\工具\\", "D:\\工具\\Brelix结构工具箱"},
                                           RootCase{"D:\\A\xB1\x5C", "D:\\A\xB1\x5C\\Brelix结构工具箱"}),
                         readable_names::By(&RootCase::root));

// ---- Fixture -----------------------------------------------------------------------------

class KeeperTest : public ::testing::Test {
  protected:
    KeeperTest() {
        StageProgram(backend);
        backend.files.AddFolder(kSource);
        backend.files.AddFolder(kUserTemp);
        backend.files.SetTempDirectory(kUserTemp);
        backend.files.AddFolder(kProductLibrary);
        backend.registry.SetString(RootKey::LocalMachine, kRecordKey, kRecordValue, kPrevious);
    }

    // The previous installation: settings, section library, drawing library and other files.
    void StagePreviousInstallation() {
        backend.files.AddFile(In(kPrevious, "A.CFG"), "user A");
        backend.files.AddFile(In(kPrevious, "b.cfg"), "user b");
        backend.files.AddFile(In(kPrevious, "S.SEC"), "user S");
        backend.files.AddFile(In(kPrevious, "X.TXT"), "user X");
        backend.files.AddFile(In(kPreviousLibrary, "L.SJY"), "user L");
        backend.files.AddFile(In(kPreviousLibrary, "M.TXT"), "user M");
    }

    // What a deployment leaves in the new product folder.
    void StageFreshProduct() {
        backend.files.AddFile(In(kProduct, "A.CFG"), "fresh A");
        backend.files.AddFile(In(kProduct, "S.SEC"), "fresh S");
        backend.files.AddFile(In(kProductLibrary, "L.SJY"), "fresh L");
    }

    std::unique_ptr<ConfigKeeper> MakeKeeper(int settings, int sections, int drawings) {
        auto keeper = std::make_unique<ConfigKeeper>(services, "D:\\Tools");
        EXPECT_TRUE(keeper->ReadPreviousFolder());
        keeper->keepSettings = settings;
        keeper->keepSectionLibrary = sections;
        keeper->keepDrawingLibrary = drawings;
        return keeper;
    }

    // "NAME=content" for every file of a folder, in listing order.
    std::vector<std::string> Contents(const std::string& folder) {
        std::vector<std::string> lines;
        for (const auto& name : backend.files.List(folder)) {
            auto content = backend.files.ReadFile(In(folder, name));
            lines.push_back(name + "=" + (content ? *content : std::string("<folder>")));
        }
        return lines;
    }

    MemoryBackend backend;
    platform::Services services = backend.services();
};

// ---- HasPreviousConfig -------------------------------------------------------------------

struct OfferCase {
    const char* name;
    std::vector<std::string> files;
    std::vector<std::string> folders;
    bool offered;
};

class OfferTest : public KeeperTest, public ::testing::WithParamInterface<OfferCase> {};

TEST_P(OfferTest, OnlyASettingsFileMakesPreservationAvailable) {
    backend.files.AddFolder(kPrevious);
    for (const auto& file : GetParam().files)
        backend.files.AddFile(In(kPrevious, file), "x");
    for (const auto& folder : GetParam().folders)
        backend.files.AddFolder(In(kPrevious, folder));
    ConfigKeeper keeper(services, "D:\\Tools");
    EXPECT_EQ(keeper.HasPreviousConfig(), GetParam().offered);
    EXPECT_EQ(keeper.previousFolder, kPrevious);
}

std::vector<std::string> Padding(int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i)
        names.push_back(NumberedName("A", i));
    return names;
}

std::vector<std::string> With(std::vector<std::string> names, const std::string& last) {
    names.push_back(last);
    return names;
}

INSTANTIATE_TEST_SUITE_P(
    Folders,
    OfferTest,
    ::testing::Values(OfferCase{"Empty", {}, {}, false},
                      OfferCase{"OnlySectionAndDrawingFiles", {"A.SEC", "B.SJY"}, {}, false},
                      OfferCase{"UpperCase", {"PLATE.CFG"}, {}, true},
                      OfferCase{"LowerCase", {"plate.cfg"}, {}, true},
                      OfferCase{"ExtensionInsideTheName", {"PLATE.CFG.BAK"}, {}, true},
                      OfferCase{"NameIsOnlyTheExtension", {".CFG"}, {}, false},
                      OfferCase{"NameStartsWithTheExtension", {".CFG.CFG"}, {}, false},
                      OfferCase{"FolderNamedLikeASettingsFile", {}, {"OLD.CFG"}, false},
                      OfferCase{"ChineseName", {"钢梁.cfg"}, {}, true},
                      // The whole listing counts, however long.
                      OfferCase{"SettingsFileIs81stEntry", With(Padding(78), "Z.CFG"), {}, true},
                      OfferCase{"SettingsFileIs151stEntry", With(Padding(148), "Z.CFG"), {}, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeeperTest, NothingIsOfferedWithoutAUsableRecord) {
    backend.files.AddFile(In(kPrevious, "A.CFG"), "x");
    for (const std::string& value : {std::string(), std::string("E")}) {
        backend.registry.SetString(RootKey::LocalMachine, kRecordKey, kRecordValue, value);
        ConfigKeeper keeper(services, "D:\\Tools");
        EXPECT_FALSE(keeper.HasPreviousConfig()) << value;
    }
}

TEST_F(KeeperTest, RecordedFolderThatIsGoneOffersNothing) {
    ConfigKeeper keeper(services, "D:\\Tools");
    EXPECT_FALSE(keeper.HasPreviousConfig());
}

// ---- What each flag keeps ----------------------------------------------------------------

struct KeepCase {
    const char* name;
    int settings, sections, drawings;
    std::vector<std::string> product;
    std::vector<std::string> library;
};

class KeepFlagsTest : public KeeperTest, public ::testing::WithParamInterface<KeepCase> {};

TEST_P(KeepFlagsTest, SavedFilesOfTheChosenKindsReplaceTheFreshOnes) {
    const KeepCase& c = GetParam();
    StagePreviousInstallation();
    auto keeper = MakeKeeper(c.settings, c.sections, c.drawings);
    keeper->BackupConfig();
    StageFreshProduct();
    keeper->RestoreConfig();

    EXPECT_THAT(Contents(kProduct), ElementsAreArray(c.product));
    EXPECT_THAT(Contents(kProductLibrary), ElementsAreArray(c.library));
    EXPECT_FALSE(backend.files.Exists(kSaved1));
    EXPECT_FALSE(backend.files.Exists(kSaved2));
    EXPECT_FALSE(backend.files.Exists(kUserSaved1));
    EXPECT_FALSE(backend.files.Exists(kUserSaved2));
    // The old product folder keeps its own copies.
    EXPECT_THAT(backend.files.List(kPrevious),
                ElementsAre("A.CFG", "b.cfg", "Brelix扩展绘图库", "S.SEC", "X.TXT"));
}

INSTANTIATE_TEST_SUITE_P(
    Flags,
    KeepFlagsTest,
    ::testing::Values(KeepCase{"Nothing",
                               0,
                               0,
                               0,
                               {"A.CFG=fresh A", "Brelix扩展绘图库=<folder>", "S.SEC=fresh S"},
                               {"L.SJY=fresh L"}},
                      KeepCase{"SettingsOnly",
                               1,
                               0,
                               0,
                               {"A.CFG=user A", "B.CFG=user b", "Brelix扩展绘图库=<folder>", "S.SEC=fresh S"},
                               {"L.SJY=fresh L"}},
                      KeepCase{"SectionsOnly",
                               0,
                               1,
                               0,
                               {"A.CFG=fresh A", "Brelix扩展绘图库=<folder>", "S.SEC=user S"},
                               {"L.SJY=fresh L"}},
                      KeepCase{"DrawingsOnly",
                               0,
                               0,
                               1,
                               {"A.CFG=fresh A", "Brelix扩展绘图库=<folder>", "S.SEC=fresh S"},
                               {"L.SJY=user L"}},
                      KeepCase{"Everything",
                               1,
                               1,
                               1,
                               {"A.CFG=user A", "B.CFG=user b", "Brelix扩展绘图库=<folder>", "S.SEC=user S"},
                               {"L.SJY=user L"}},
                      KeepCase{"AnyNonzeroValueIsOn",
                               -1,
                               7,
                               0,
                               {"A.CFG=user A", "B.CFG=user b", "Brelix扩展绘图库=<folder>", "S.SEC=user S"},
                               {"L.SJY=fresh L"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeeperTest, BackupSavesUnderUpperCasedNamesAndTouchesNothingElse) {
    StagePreviousInstallation();
    backend.files.AddFile(In(kPrevious, "plate.cfg.bak"), "bak");
    backend.files.AddFile(In(kPrevious, ".CFG"), "odd");
    backend.files.AddFile(In(kPrevious, "x.second"), "second");
    auto keeper = MakeKeeper(1, 1, 1);
    keeper->BackupConfig();
    EXPECT_THAT(Contents(kSaved1), ElementsAre("A.CFG=user A", "B.CFG=user b", "PLATE.CFG.BAK=bak",
                                               "S.SEC=user S", "X.SECOND=second"));
    EXPECT_THAT(Contents(kSaved2), ElementsAre("L.SJY=user L"));
    EXPECT_THAT(backend.files.List(kUserTemp), IsEmpty());
}

TEST_F(KeeperTest, OnlyDrawingLibraryKeptNeverMakesTheFirstFolder) {
    StagePreviousInstallation();
    auto keeper = MakeKeeper(0, 0, 1);
    keeper->BackupConfig();
    EXPECT_FALSE(backend.files.Exists(kSaved1));
    EXPECT_THAT(backend.files.List(kSaved2), ElementsAre("L.SJY"));
}

TEST_F(KeeperTest, NoFlagLeavesTheDiskAlone) {
    StagePreviousInstallation();
    const std::string before = backend.files.Dump();
    auto keeper = MakeKeeper(0, 0, 0);
    keeper->BackupConfig();
    keeper->RestoreConfig();
    EXPECT_EQ(backend.files.Dump(), before);
}

TEST_F(KeeperTest, EverySettingsFileIsSavedAndRestoredHoweverLongTheListing) {
    std::vector<std::string> kept;
    for (int i = 0; i < 120; ++i) {
        kept.push_back(NumberedName("S", i, ".CFG"));
        backend.files.AddFile(In(kPrevious, kept.back()), "user");
        backend.files.AddFile(In(kPrevious, NumberedName("T", i)), "other");
    }
    auto keeper = MakeKeeper(1, 0, 0);
    EXPECT_TRUE(keeper->BackupConfig());
    EXPECT_THAT(backend.files.List(kSaved1), ElementsAreArray(kept));
    keeper->RestoreConfig();
    EXPECT_EQ(backend.files.List(kProduct).size(), 121u);  // the files and the library folder
    EXPECT_FALSE(backend.files.Exists(kSaved1));
}

// Also over a read-only file of the same name that the deployment left in the product folder.
TEST_F(KeeperTest, ReadOnlySettingsFileComesBackWritableAndTheOldOneLosesReadOnly) {
    backend.files.AddFile(In(kPrevious, "A.CFG"), "user A", kAttrReadOnly | kAttrArchive);
    auto keeper = MakeKeeper(1, 0, 0);
    keeper->BackupConfig();
    StageFreshProduct();
    backend.files.SetAttributes(In(kProduct, "A.CFG"), kAttrReadOnly | kAttrArchive);
    keeper->RestoreConfig();
    EXPECT_EQ(backend.files.ReadFile(In(kProduct, "A.CFG")), "user A");
    EXPECT_EQ(backend.files.GetAttributes(In(kProduct, "A.CFG")), kAttrArchive);
    EXPECT_EQ(backend.files.GetAttributes(In(kPrevious, "A.CFG")), kAttrArchive);
}

TEST_F(KeeperTest, ReinstallingIntoTheSameFolderKeepsTheUsersFiles) {
    backend.registry.SetString(RootKey::LocalMachine, kRecordKey, kRecordValue, kProduct);
    backend.files.AddFile(In(kProduct, "a.cfg"), "user A");
    backend.files.AddFile(In(kProductLibrary, "L.SJY"), "user L");
    auto keeper = MakeKeeper(1, 1, 1);
    keeper->BackupConfig();
    // The deployment overwrites the user's files in place (same names, any case).
    backend.files.AddFile(In(kProduct, "A.CFG"), "fresh A");
    backend.files.AddFile(In(kProductLibrary, "L.SJY"), "fresh L");
    keeper->RestoreConfig();
    EXPECT_THAT(Contents(kProduct), ElementsAre("a.cfg=user A", "Brelix扩展绘图库=<folder>"));
    EXPECT_THAT(Contents(kProductLibrary), ElementsAre("L.SJY=user L"));
}

TEST_F(KeeperTest, FilesLeftByAnUnfinishedRunWinAndGoBackWithTheRest) {
    StagePreviousInstallation();
    backend.files.AddFile(In(kSaved1, "A.CFG"), "saved by the unfinished run");
    backend.files.AddFile(In(kSaved1, "LEFT.SEC"), "saved by the unfinished run");
    backend.files.AddFile(In(kSaved1, "LEFT.OVER"), "not a kept kind");
    auto keeper = MakeKeeper(1, 0, 0);
    EXPECT_TRUE(keeper->BackupConfig());
    EXPECT_EQ(backend.files.ReadFile(In(kSaved1, "A.CFG")), "saved by the unfinished run");
    keeper->RestoreConfig();
    EXPECT_THAT(Contents(kProduct),
                ElementsAre("A.CFG=saved by the unfinished run", "B.CFG=user b", "Brelix扩展绘图库=<folder>",
                            "LEFT.SEC=saved by the unfinished run"));
    EXPECT_THAT(Contents(kSaved1), ElementsAre("LEFT.OVER=not a kept kind"));
}

// ---- Mended: a saved file is deleted only after it went back ------------------------------

TEST_F(KeeperTest, SavedFileWhoseCopyBackFailsStaysWithItsFolder) {
    StagePreviousInstallation();
    auto keeper = MakeKeeper(1, 1, 1);
    keeper->BackupConfig();
    StageFreshProduct();
    backend.files.Lock(In(kProduct, "A.CFG"));
    backend.files.Lock(In(kProductLibrary, "L.SJY"));
    keeper->RestoreConfig();

    EXPECT_THAT(Contents(kProduct),
                ElementsAre("A.CFG=fresh A", "B.CFG=user b", "Brelix扩展绘图库=<folder>", "S.SEC=user S"));
    EXPECT_THAT(Contents(kSaved1), ElementsAre("A.CFG=user A"));
    EXPECT_THAT(Contents(kSaved2), ElementsAre("L.SJY=user L"));
    EXPECT_EQ(backend.files.ReadFile(In(kProductLibrary, "L.SJY")), "fresh L");

    // Once the file is free again, another restore finishes the job.
    backend.files.Unlock(In(kProduct, "A.CFG"));
    backend.files.Unlock(In(kProductLibrary, "L.SJY"));
    keeper->RestoreConfig();
    EXPECT_EQ(backend.files.ReadFile(In(kProduct, "A.CFG")), "user A");
    EXPECT_EQ(backend.files.ReadFile(In(kProductLibrary, "L.SJY")), "user L");
    EXPECT_FALSE(backend.files.Exists(kSaved1));
    EXPECT_FALSE(backend.files.Exists(kSaved2));
}

// ---- Mended: the save place is this machine's, never the installation source ---------------

// Where one machine's backup saves, whatever the source is: the installer's own folder, or the
// user's temporary folder when that cannot be made. The source (a share other machines install
// from, or a read-only medium) is never written, and what another run left there is not taken.
struct SavePlaceCase {
    const char* name;
    void (*stage)(MemoryBackend&);
    const char* place;  // where SetUp_Temp1 and SetUp_Temp2 are made
    bool setupFolderStays;
};

class SavePlaceTest : public KeeperTest, public ::testing::WithParamInterface<SavePlaceCase> {};

TEST_P(SavePlaceTest, SavesOnThisMachineAndLeavesTheSourceAlone) {
    const SavePlaceCase& c = GetParam();
    StagePreviousInstallation();
    // Another machine's files, saved beside the shared Data at this very moment.
    backend.files.AddFile(In(In(kSource, "SetUp_Temp1"), "A.CFG"), "another machine's A");
    backend.files.AddFile(In(In(kSource, "SetUp_Temp2"), "N.SJY"), "another machine's drawing");
    c.stage(backend);
    const std::string sourceBefore = backend.files.Dump();
    auto keeper = MakeKeeper(1, 1, 1);
    ASSERT_TRUE(keeper->BackupConfig());
    EXPECT_THAT(Contents(In(c.place, "SetUp_Temp1")),
                ElementsAre("A.CFG=user A", "B.CFG=user b", "S.SEC=user S"));
    EXPECT_THAT(Contents(In(c.place, "SetUp_Temp2")), ElementsAre("L.SJY=user L"));

    StageFreshProduct();
    keeper->RestoreConfig();
    EXPECT_THAT(Contents(kProduct),
                ElementsAre("A.CFG=user A", "B.CFG=user b", "Brelix扩展绘图库=<folder>", "S.SEC=user S"));
    EXPECT_THAT(Contents(kProductLibrary), ElementsAre("L.SJY=user L"));
    EXPECT_FALSE(backend.files.Exists(In(c.place, "SetUp_Temp1")));
    EXPECT_FALSE(backend.files.Exists(In(c.place, "SetUp_Temp2")));
    EXPECT_EQ(backend.files.Exists(kSetupFolder), c.setupFolderStays);
    EXPECT_THAT(Contents(In(kSource, "SetUp_Temp1")), ElementsAre("A.CFG=another machine's A"));
    EXPECT_THAT(Contents(In(kSource, "SetUp_Temp2")), ElementsAre("N.SJY=another machine's drawing"));
}

INSTANTIATE_TEST_SUITE_P(
    Machines,
    SavePlaceTest,
    ::testing::Values(
        SavePlaceCase{"SetupFolderMadeAndRemovedAgain", [](MemoryBackend&) {}, kSetupFolder, false},
        SavePlaceCase{"EmptySetupFolderThere", [](MemoryBackend& b) { b.files.AddFolder(kSetupFolder); },
                      kSetupFolder, false},
        SavePlaceCase{"SetupFolderThereAlready",
                      [](MemoryBackend& b) { b.files.AddFile(In(kSetupFolder, "Uninstall.exe"), "kept"); },
                      kSetupFolder, true},
        SavePlaceCase{"ProgramFilesFromTheRegistry",
                      [](MemoryBackend& b) {
                          b.files.AddFolder("D:\\Programme");
                          b.registry.SetString(RootKey::LocalMachine,
                                               "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                                               "ProgramFilesDir", "D:\\Programme");
                      },
                      "D:\\Programme\\Brelix Setup", false},
        SavePlaceCase{"SetupFolderCannotBeMade",
                      [](MemoryBackend& b) { b.failures.Fail(Operation::CreateDirectory, kSetupFolder); },
                      kUserTemp, false},
        SavePlaceCase{"SaveFolderInItCannotBeMade",
                      [](MemoryBackend& b) {
                          b.files.AddFile(In(kSetupFolder, "Uninstall.exe"), "kept");
                          b.failures.Fail(Operation::CreateDirectory, In(kSetupFolder, "SetUp_Temp1"));
                          b.failures.Fail(Operation::CreateDirectory, In(kSetupFolder, "SetUp_Temp2"));
                      },
                      kUserTemp, true},
        SavePlaceCase{"ProgramFilesUnknown", [](MemoryBackend& b) { b.environment.Set("ProgramFiles", ""); },
                      kUserTemp, false},
        SavePlaceCase{"ProgramFilesTooLong",
                      [](MemoryBackend& b) {
                          const std::string longFolder = "C:\\" + std::string(230, 'p');
                          b.files.AddFolder(longFolder);
                          b.environment.Set("ProgramFiles", longFolder);
                      },
                      kUserTemp, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeeperTest, RestoreReadsOnlyThePlaceTheBackupUsed) {
    StagePreviousInstallation();
    backend.files.AddFile(In(kUserSaved1, "A.CFG"), "stale A");
    backend.files.AddFile(In(kUserSaved1, "OLD.CFG"), "stale old");
    auto keeper = MakeKeeper(1, 0, 0);
    EXPECT_TRUE(keeper->BackupConfig());  // into the installer's own folder
    keeper->RestoreConfig();
    EXPECT_THAT(Contents(kProduct), ElementsAre("A.CFG=user A", "B.CFG=user b", "Brelix扩展绘图库=<folder>"));
    EXPECT_FALSE(backend.files.Exists(kSaved1));
    EXPECT_THAT(Contents(kUserSaved1), ElementsAre("A.CFG=stale A", "OLD.CFG=stale old"));
}

// A run cut off after saving both settings files, while it copied something more: the half copy is
// not the user's file, goes nowhere and does not keep the save place.
TEST_F(KeeperTest, ACopyCutShortInTheSavePlaceIsDroppedByTheRestore) {
    StagePreviousInstallation();
    backend.files.AddFile(In(kSaved1, "A.CFG"), "user A");
    backend.files.AddFile(In(kSaved1, "B.CFG"), "user b");
    backend.files.AddFile(In(kSaved1, "SAVING.TMP"), "user S half");
    auto keeper = MakeKeeper(1, 0, 0);
    EXPECT_TRUE(keeper->BackupConfig());
    keeper->RestoreConfig();
    EXPECT_THAT(Contents(kProduct), ElementsAre("A.CFG=user A", "B.CFG=user b", "Brelix扩展绘图库=<folder>"));
    EXPECT_FALSE(backend.files.Exists(kSaved1));
}

TEST_F(KeeperTest, KeeperWithoutABackupRestoresNothing) {
    backend.files.AddFile(In(kSaved1, "A.CFG"), "from source");
    backend.files.AddFile(In(kUserSaved2, "L.SJY"), "from temp");
    const std::string before = backend.files.Dump();
    auto keeper = MakeKeeper(1, 0, 1);
    keeper->RestoreConfig();
    EXPECT_EQ(backend.files.Dump(), before);
}

// A file to keep that cannot be saved fails the backup, naming it; discarding then leaves the
// disk as it was.
struct UnsavedCase {
    const char* name;
    Operation op;
    const char* path;
    const char* unsaved;
};

class UnsavedTest : public KeeperTest, public ::testing::WithParamInterface<UnsavedCase> {};

TEST_P(UnsavedTest, BackupFailsNamingTheFileAndDiscardLeavesTheDiskAsItWas) {
    StagePreviousInstallation();
    backend.files.AddFile(In(kSaved1, "OLD.CFG"), "left by an unfinished run");
    const std::string before = backend.files.Dump();
    backend.failures.Fail(GetParam().op, GetParam().path);
    auto keeper = MakeKeeper(1, 1, 1);
    EXPECT_FALSE(keeper->BackupConfig());
    EXPECT_EQ(keeper->unsavedFile, GetParam().unsaved);
    keeper->DiscardBackup();
    backend.failures.Clear();
    EXPECT_EQ(backend.files.Dump(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Failures,
    UnsavedTest,
    ::testing::Values(UnsavedCase{"SettingsRename", Operation::MoveFile,
                                  "C:\\Program Files\\Brelix Setup\\SetUp_Temp1\\B.CFG",
                                  "E:\\Old\\Brelix结构工具箱\\B.CFG"},
                      UnsavedCase{"DrawingCopy", Operation::CopyFile,
                                  "C:\\Program Files\\Brelix Setup\\SetUp_Temp2\\SAVING.TMP",
                                  "E:\\Old\\Brelix结构工具箱\\Brelix扩展绘图库\\L.SJY"},
                      UnsavedCase{"PreviousFolderNotListed", Operation::FindFirst,
                                  "E:\\Old\\Brelix结构工具箱\\*.*", "E:\\Old\\Brelix结构工具箱"},
                      UnsavedCase{"NoPlaceForDrawings", Operation::CreateDirectory, "*",
                                  "E:\\Old\\Brelix结构工具箱\\Brelix扩展绘图库\\L.SJY"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeeperTest, DiscardLeavesTheSaveFolderThatWasThereBefore) {
    StagePreviousInstallation();
    backend.files.AddFolder(kSaved1);
    const std::string before = backend.files.Dump();
    backend.failures.Fail(Operation::MoveFile, In(kSaved1, "B.CFG"));
    auto keeper = MakeKeeper(1, 1, 1);
    EXPECT_FALSE(keeper->BackupConfig());
    keeper->DiscardBackup();
    EXPECT_EQ(backend.files.Dump(), before);
}

// ---- Limits ---------------------------------------------------------------------------

TEST_F(KeeperTest, ProductFolderTooLongForItsBufferKeepsTheSavedFiles) {
    const std::string root = "D:\\" + std::string(240, 'r');
    backend.files.AddFile(In(kPrevious, "A.CFG"), "user A");
    ConfigKeeper keeper(services, root);
    ASSERT_TRUE(keeper.ReadPreviousFolder());
    keeper.keepSettings = 1;
    keeper.BackupConfig();
    keeper.RestoreConfig();
    EXPECT_THAT(Contents(kSaved1), ElementsAre("A.CFG=user A"));
}

TEST_F(KeeperTest, RecordsItsProductFolder) {
    ConfigKeeper keeper(services, "D:\\Tools\\");
    keeper.RecordProductFolder();
    EXPECT_EQ(backend.registry.GetValue(RootKey::LocalMachine, kRecordKey, kRecordValue)->Text(), kProduct);
}

}  // namespace
