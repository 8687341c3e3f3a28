// Keeping the user's configuration of the previous installation.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "files/file_transaction.h"
#include "install/deploy/config_keeper.h"
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
constexpr char kUserTemp[] = "C:\\Users\\me\\Temp";

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
    EXPECT_EQ(keeper.ProductFolder(), GetParam().productFolder);
    EXPECT_EQ(keeper.PreviousFolder(), "");
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

    // Installs a fresh product (A.CFG, S.SEC and a library L.SJY) as the installation does: the
    // keeper chooses first, every other name is staged, then everything is swapped in. The number
    // of problems reported.
    std::size_t InstallFresh(ConfigKeeper& keeper) {
        backend.files.AddFolder(install_test::kSetupFolder);
        files::FileTransaction transaction(backend.files, backend.environment, journal,
                                           {kProduct, kProductLibrary, install_test::kSetupFolder}, {});
        EXPECT_TRUE(transaction.Begin(1));
        EXPECT_TRUE(keeper.PrepareKeptFiles(transaction));
        const std::pair<std::string, std::string> fresh[] = {
            {kProduct, "A.CFG"}, {kProduct, "S.SEC"}, {kProductLibrary, "L.SJY"}};
        for (const auto& [folder, name] : fresh) {
            backend.files.AddFile(In(kSource, name), "fresh " + name.substr(0, 1));
            platform::ContentCheck copied;
            if (!keeper.Keeps(folder, name)) {
                const auto from = backend.files.OpenToRead(In(kSource, name));
                EXPECT_TRUE(from &&
                            transaction.Stage(folder, name,
                                              backend.files.Exists(In(folder, name)) ? files::OldFile::File
                                                                                     : files::OldFile::None,
                                              *from, copied, true));
            }
        }
        EXPECT_TRUE(transaction.Commit());
        transaction.DeleteBackups();
        transaction.OnRecordWritten();
        return journal.Problems().size();
    }

    std::unique_ptr<ConfigKeeper> MakeKeeper(int settings, int sections, int drawings) {
        auto keeper = std::make_unique<ConfigKeeper>(
            services, "D:\\Tools", journal, install::KeptKinds{settings != 0, sections != 0, drawings != 0},
            nullptr);
        EXPECT_TRUE(keeper->ReadPreviousFolder());
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
    state::InstallJournal journal;
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
    EXPECT_EQ(keeper.PreviousFolder(), kPrevious);
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

// Keeping as a whole installation does it: the keeper chooses, the fresh product is staged for every
// name it does not keep, and the swap puts the staged files in place.
struct KeepCase {
    const char* name;
    int settings, sections, drawings;
    std::vector<std::string> product;
    std::vector<std::string> library;
};

class KeepFlagsTest : public KeeperTest, public ::testing::WithParamInterface<KeepCase> {};

TEST_P(KeepFlagsTest, TheUsersFilesOfTheChosenKindsReplaceTheFreshOnes) {
    const KeepCase& c = GetParam();
    StagePreviousInstallation();
    auto keeper = MakeKeeper(c.settings, c.sections, c.drawings);
    InstallFresh(*keeper);

    EXPECT_THAT(Contents(kProduct), ElementsAreArray(c.product));
    EXPECT_THAT(Contents(kProductLibrary), ElementsAreArray(c.library));
    // The old product folder stays as it was.
    EXPECT_THAT(backend.files.List(kPrevious),
                ElementsAre("A.CFG", "b.cfg", "Brelix扩展绘图库", "S.SEC", "X.TXT"));
    EXPECT_EQ(backend.files.ReadFile(In(kPrevious, "A.CFG")), "user A");
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
                      KeepCase{"AnyNonzeroValueIsOn",
                               -1,
                               7,
                               1,
                               {"A.CFG=user A", "B.CFG=user b", "Brelix扩展绘图库=<folder>", "S.SEC=user S"},
                               {"L.SJY=user L"}}),
    [](const auto& info) { return std::string(info.param.name); });

// A file to keep that is a link or a second name of another file is not the user's: nothing of
// what it leads to may end up in the product folder, whether the installation goes into the
// previous folder or another one. A plain file beside it is kept.
struct KeptFileCase {
    const char* name;
    bool sameFolder;
    const char* plant;  // "link", "hard link" or "file"
    bool kept;
};

class KeptFileCheckTest : public KeeperTest, public ::testing::WithParamInterface<KeptFileCase> {};

TEST_P(KeptFileCheckTest, OnlyTheUsersOwnFileIsKept) {
    const KeptFileCase& c = GetParam();
    const std::string folder = c.sameFolder ? kProduct : kPrevious;
    backend.registry.SetString(RootKey::LocalMachine, kRecordKey, kRecordValue, folder);
    backend.files.AddFile("C:\\Windows\\secret.ini", "administrators only");
    const std::string planted = In(folder, "A.CFG");
    if (std::string(c.plant) == "link")
        backend.files.AddLink(planted, "C:\\Windows\\secret.ini", false);
    else if (std::string(c.plant) == "hard link")
        backend.files.AddHardLink(planted, "C:\\Windows\\secret.ini");
    else if (std::string(c.plant) == "same size")
        backend.files.AddFile(planted, "fresh B");  // edited, as long as the shipped one
    else
        backend.files.AddFile(planted, "user A");
    backend.files.AddFile(In(folder, "S.SEC"), "user S");

    auto keeper = MakeKeeper(1, 1, 0);
    const std::size_t problems = InstallFresh(*keeper);

    const std::string users = std::string(c.plant) == "same size" ? "fresh B" : "user A";
    EXPECT_EQ(backend.files.ReadFile(In(kProduct, "A.CFG")), c.kept ? users : "fresh A");
    EXPECT_EQ(backend.files.ReadFile(In(kProduct, "S.SEC")), "user S");
    EXPECT_EQ(problems, c.kept ? 0u : 1u);
    EXPECT_EQ(backend.files.ReadFile("C:\\Windows\\secret.ini"), "administrators only");
    for (const char* folder : {kProduct, kProductLibrary}) {
        for (const std::string& line : Contents(folder))
            EXPECT_EQ(line.find("administrators only"), std::string::npos) << line;
    }
}

INSTANTIATE_TEST_SUITE_P(Plants,
                         KeptFileCheckTest,
                         ::testing::Values(KeptFileCase{"SameFolderFile", true, "file", true},
                                           KeptFileCase{"SameFolderEditedToTheShippedSize", true, "same size",
                                                        true},
                                           KeptFileCase{"SameFolderLink", true, "link", false},
                                           KeptFileCase{"SameFolderHardLink", true, "hard link", false},
                                           KeptFileCase{"OtherRootFile", false, "file", true},
                                           KeptFileCase{"OtherRootLink", false, "link", false},
                                           KeptFileCase{"OtherRootHardLink", false, "hard link", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeeperTest, AFileThatCannotBeReadStopsAKeepingIntoAnotherRootBeforeAnythingChanges) {
    StagePreviousInstallation();
    backend.files.Lock(In(kPrevious, "S.SEC"));
    auto keeper = MakeKeeper(1, 1, 1);
    backend.files.AddFolder(install_test::kSetupFolder);
    files::FileTransaction transaction(backend.files, backend.environment, journal,
                                       {kProduct, kProductLibrary, install_test::kSetupFolder}, {});
    ASSERT_TRUE(transaction.Begin(1));
    const std::string before = backend.files.Dump();
    const files::FileResult kept = keeper->PrepareKeptFiles(transaction);
    EXPECT_FALSE(kept);
    EXPECT_EQ(kept.Path(), In(kPrevious, "S.SEC"));
    transaction.Rollback();
    EXPECT_THAT(backend.files.List(kProduct), ElementsAre("Brelix扩展绘图库"));
}

TEST_F(KeeperTest, RecordsItsProductFolder) {
    ConfigKeeper keeper(services, "D:\\Tools\\");
    keeper.RecordProductFolder();
    EXPECT_EQ(backend.registry.GetValue(RootKey::LocalMachine, kRecordKey, kRecordValue)->Text(), kProduct);
}

}  // namespace
