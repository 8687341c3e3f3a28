// Copying the product and the extended drawing library into the product folder.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include <optional>

#include "files/file_transaction.h"
#include "install/deploy/product_deployer.h"
#include "install/deploy/unchanged_file.h"
#include "install/record/product_layout.h"
#include "install_test_support.h"
#include "platform/read_only.h"
#include "readable_names.h"

namespace {

using namespace install_test;
using install::ProductDeployer;
using platform::ClearReadOnly;
using platform::kAttrArchive;
using platform::kAttrDirectory;
using platform::kAttrHidden;
using platform::kAttrReadOnly;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr char kProduct[] = "D:\\Tools\\Brelix结构工具箱";
constexpr char kLibrarySource[] = "C:\\Setup\\Data\\Brelix扩展绘图库";
constexpr char kLibraryTarget[] = "D:\\Tools\\Brelix结构工具箱\\Brelix扩展绘图库";

std::string In(const std::string& folder, const std::string& name) {
    return folder + "\\" + name;
}

std::string CopyFailedText(const std::string& target) {
    return "拷贝文件 " + target +
           " 失败，可能原因如下：\n\n1、AutoCAD未关闭\n\n2、系统权限未开放，请以管理者权限登陆系统";
}

// ---- ClearReadOnly -----------------------------------------------------------------------

struct ReadOnlyCase {
    std::uint32_t before;
    std::uint32_t after;
};

class ClearReadOnlyTest : public ::testing::TestWithParam<ReadOnlyCase> {};

TEST_P(ClearReadOnlyTest, DropsOnlyTheReadOnlyBit) {
    MemoryBackend backend;
    backend.files.AddFile("C:\\a.txt", "x", GetParam().before);
    ClearReadOnly(backend.files, "C:\\a.txt");
    EXPECT_EQ(backend.files.GetAttributes("C:\\a.txt"), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Attributes,
    ClearReadOnlyTest,
    ::testing::Values(ReadOnlyCase{kAttrReadOnly | kAttrArchive, kAttrArchive},
                      ReadOnlyCase{kAttrReadOnly | kAttrHidden, kAttrHidden},
                      ReadOnlyCase{kAttrReadOnly, platform::kAttrNormal},  // no bit left reads as normal
                      ReadOnlyCase{kAttrArchive, kAttrArchive},
                      ReadOnlyCase{kAttrHidden | kAttrArchive, kAttrHidden | kAttrArchive}),
    readable_names::By(&ReadOnlyCase::before));

TEST(ClearReadOnly, MissingFileIsLeftAlone) {
    MemoryBackend backend;
    const std::string before = backend.files.Dump();
    ClearReadOnly(backend.files, "C:\\missing.txt");
    EXPECT_EQ(backend.files.Dump(), before);
}

// ---- A copy with the source's attributes from its listing -------------------------------

struct CopyAttributesCase {
    const char* name;
    std::uint32_t source;                 // as the listing shows it
    std::optional<std::uint32_t> target;  // nullopt: no target yet
    bool sourceCannotChange;              // setting the source's attributes fails
    std::uint32_t sourceAfter;
    std::uint32_t copyAfter;
};

class CopyAttributesTest : public ::testing::TestWithParam<CopyAttributesCase> {};

TEST_P(CopyAttributesTest, LeavesNoReadOnlyCopyAndReplacesAReadOnlyTarget) {
    const CopyAttributesCase& c = GetParam();
    MemoryBackend backend;
    backend.files.AddFile("C:\\S\\a.cfg", "new", c.source);
    backend.files.AddFolder("C:\\T");
    if (c.target)
        backend.files.AddFile("C:\\T\\a.cfg", "old", *c.target);
    if (c.sourceCannotChange)
        backend.failures.Fail(platform::memory::Operation::SetAttributes, "C:\\S\\a.cfg");
    platform::ClearListedReadOnly(backend.files, "C:\\S\\a.cfg", c.source);
    EXPECT_TRUE(platform::CopyOverReadOnly(backend.files, "C:\\S\\a.cfg", "C:\\T\\a.cfg"));
    platform::ClearCarriedReadOnly(backend.files, c.source, "C:\\T\\a.cfg");
    EXPECT_EQ(backend.files.ReadFile("C:\\T\\a.cfg"), "new");
    EXPECT_EQ(backend.files.GetAttributes("C:\\S\\a.cfg"), c.sourceAfter);
    EXPECT_EQ(backend.files.GetAttributes("C:\\T\\a.cfg"), c.copyAfter);
}

TEST(CopyOverReadOnly, ATargetThatRefusesForAnotherReasonStaysAsItWas) {
    for (const std::uint32_t attributes : {kAttrArchive, kAttrArchive | kAttrReadOnly}) {
        MemoryBackend backend;
        backend.files.AddFile("C:\\S\\a.cfg", "new");
        backend.files.AddFile("C:\\T\\a.cfg", "old", attributes);
        backend.files.Lock("C:\\T\\a.cfg");
        EXPECT_FALSE(platform::CopyOverReadOnly(backend.files, "C:\\S\\a.cfg", "C:\\T\\a.cfg")) << attributes;
        EXPECT_EQ(backend.files.ReadFile("C:\\T\\a.cfg"), "old") << attributes;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Attributes,
    CopyAttributesTest,
    ::testing::Values(CopyAttributesCase{"Plain", kAttrArchive, std::nullopt, false, kAttrArchive,
                                         kAttrArchive},
                      CopyAttributesCase{"ReadOnlySource", kAttrArchive | kAttrReadOnly, std::nullopt, false,
                                         kAttrArchive, kAttrArchive},
                      CopyAttributesCase{"ReadOnlySourceThatStaysSo", kAttrArchive | kAttrReadOnly,
                                         std::nullopt, true, kAttrArchive | kAttrReadOnly, kAttrArchive},
                      CopyAttributesCase{"ReadOnlyTarget", kAttrArchive, kAttrArchive | kAttrReadOnly, false,
                                         kAttrArchive, kAttrArchive},
                      CopyAttributesCase{"BothReadOnly", kAttrArchive | kAttrReadOnly,
                                         kAttrArchive | kAttrReadOnly, false, kAttrArchive, kAttrArchive}),
    readable_names::By(&CopyAttributesCase::name));

// ---- Fixture -----------------------------------------------------------------------------

class DeployerTest : public ::testing::Test {
  protected:
    DeployerTest() {
        StageProgram(backend);
        // A copy question nobody scripted must end the walk, not retry for ever.
        backend.prompts.defaultAnswer = platform::kIdAbort;
        backend.files.AddFolder(kSource);
        backend.files.AddFolder("D:\\Tools");
    }

    // Adds `count` files to the source; with "." and ".." the listing then has count + 2 entries.
    void AddSourceFiles(int count) {
        for (int i = 0; i < count; ++i)
            backend.files.AddFile(In(kSource, NumberedName("F", i)), "data" + std::to_string(i));
    }

    // One deployment as the installation runs it: the product folder, its "temp" and its library
    // made where they can be, the staging begun, and what was staged put in place when it went
    // through (or discarded when not).
    bool Deploy(const std::function<bool(ProductDeployer&)>& stage,
                const std::string& root,
                const std::string& sourceFolder = std::string()) {
        const std::string product = install::ProductFolderOf(root);
        const std::string library = In(product, "Brelix扩展绘图库");
        for (const std::string& folder : {product, In(product, "temp"), library})
            backend.files.CreateDirectory(folder);
        backend.files.AddFolder(install_test::kSetupFolder);
        files::FileTransaction transaction(backend.files, backend.environment, journal,
                                           {product, library, install_test::kSetupFolder}, {});
        if (!transaction.Begin(1))
            return false;
        ProductDeployer deployer(services, root, progress, journal,
                                 install::DeployInputs{&transaction, nullptr, sourceFolder, nullptr});
        if (stage(deployer) && deployer.PutInPlace()) {
            transaction.DeleteBackups();
            transaction.OnRecordWritten();
            return true;
        }
        transaction.Rollback();
        return false;
    }

    bool DeployFiles(const std::string& root = "D:\\Tools") {
        return Deploy([](ProductDeployer& deployer) { return deployer.DeployProductFiles(); }, root);
    }

    bool DeployLibrary(const std::string& root = "D:\\Tools") {
        return Deploy([](ProductDeployer& deployer) { return deployer.DeployDrawingLibrary(); }, root);
    }

    MemoryBackend backend;
    platform::Services services = backend.services();
    platform::memory::RecordingProgressBar progress;
    state::InstallJournal journal;
};

// The installation locates its source once and hands it on: a deployer given one neither looks
// for another nor tells the user anything, even where locating one would fail (the program folder
// is the source given, but holds neither Data nor the module that marks it).
TEST_F(DeployerTest, TakesTheSourceItIsGiven) {
    backend.files.AddFile(In("C:\\Media", "A.ARX"), "from the media");
    backend.files.AddFile(In("C:\\Media\\Brelix扩展绘图库", "L.SJY"), "library");
    backend.files.SetProgramPath("C:\\Media\\SetUp.exe");
    backend.files.AddFile("C:\\Media\\SetUp.exe", "setup program");
    EXPECT_TRUE(Deploy(
        [](ProductDeployer& deployer) {
            return deployer.DeployProductFiles() && deployer.DeployDrawingLibrary();
        },
        "D:\\Tools", "C:\\Media"));
    EXPECT_EQ(backend.files.ReadFile(In(kProduct, "A.ARX")), "from the media");
    EXPECT_EQ(backend.files.ReadFile(In(kLibraryTarget, "L.SJY")), "library");
    EXPECT_THAT(backend.prompts.shown, IsEmpty());
}

// ---- Root normalisation ------------------------------------------------------------------

struct RootCase {
    const char* root;
    const char* rootFolder;
};

class DeployerRootTest : public ::testing::TestWithParam<RootCase> {};

TEST_P(DeployerRootTest, RemovesOneTrailingBackslashThatIsACharacterOfItsOwn) {
    MemoryBackend backend;
    auto services = backend.services();
    platform::memory::RecordingProgressBar progress;
    EXPECT_EQ(ProductDeployer(services, GetParam().root, progress).RootFolder(), GetParam().rootFolder);
}

INSTANTIATE_TEST_SUITE_P(Roots,
                         DeployerRootTest,
                         ::testing::Values(RootCase{"D:\\", "D:"},
                                           RootCase{"D:\\Tools\\", "D:\\Tools"},
                                           RootCase{"D:\\Tools", "D:\\Tools"},
                                           RootCase{"D:\\Tools\\\\", "D:\\Tools\\"},
                                           // The last byte is the second half of a double-byte character.
                                           RootCase{"D:\\A\xB1\x5C", "D:\\A\xB1\x5C"},
                                           RootCase{"D:\\A\xB1\x5C\\", "D:\\A\xB1\x5C"}),
                         readable_names::By(&RootCase::root));

// ---- Product files -----------------------------------------------------------------------

TEST_F(DeployerTest, CopiesEveryTopLevelFileAndStepsOncePerEntryPlusTheEnd) {
    AddSourceFiles(10);
    EXPECT_TRUE(DeployFiles());

    std::vector<std::string> expected = {"Brelix扩展绘图库", "F000.DAT", "F001.DAT", "F002.DAT",
                                         "F003.DAT",         "F004.DAT", "F005.DAT", "F006.DAT",
                                         "F007.DAT",         "F008.DAT", "F009.DAT", "temp"};
    EXPECT_THAT(backend.files.List(kProduct), ElementsAreArray(expected));
    EXPECT_EQ(backend.files.ReadFile(In(kProduct, "F007.DAT")), "data7");
    EXPECT_THAT(backend.files.List(In(kProduct, "temp")), IsEmpty());
    EXPECT_EQ(progress.calls, Steps(13));  // 12 entries with "." and "..", plus the pass finding the end
    EXPECT_THAT(backend.prompts.shown, IsEmpty());
}

TEST_F(DeployerTest, SetupProgramFontsAndPackageFileAreNotCopiedInAnyLetterCase) {
    for (const char* name : {"SetUp.exe", "setup.EXE", "brelix_hz.SHX", "BRELIX_EN.SHX", "brelix.PRT",
                             "Brelix.prt.txt", "SetUp.exe.config", "Brelix2010.arx"}) {
        backend.files.AddFile(In(kSource, name), name);
    }
    EXPECT_TRUE(DeployFiles());
    EXPECT_THAT(backend.files.List(kProduct), ElementsAre("Brelix.prt.txt", "Brelix2010.arx",
                                                          "Brelix扩展绘图库", "SetUp.exe.config", "temp"));
}

TEST_F(DeployerTest, SubfoldersAreSkippedWhateverOtherAttributesTheyCarry) {
    AddSourceFiles(2);
    backend.files.AddFile(In(In(kSource, "SetUp_Temp1"), "A.CFG"), "saved");
    const std::uint32_t marks[] = {kAttrArchive, kAttrReadOnly, 0x2000 /* not indexed */,
                                   0x400 /* reparse */};
    for (std::uint32_t mark : marks) {
        const std::string folder = In(kSource, "Marked" + std::to_string(mark));
        backend.files.AddFolder(folder);
        ASSERT_TRUE(backend.files.SetAttributes(folder, kAttrDirectory | mark));
    }

    EXPECT_TRUE(DeployFiles());
    EXPECT_THAT(backend.files.List(kProduct),
                ElementsAre("Brelix扩展绘图库", "F000.DAT", "F001.DAT", "temp"));
    EXPECT_THAT(backend.prompts.shown, IsEmpty());
    EXPECT_EQ(progress.StepCount(), 10);  // ".", "..", 2 files, 5 folders, end
}

struct CapCase {
    int files;
    int copied;
    int steps;
};

class ProductPassCapTest : public DeployerTest, public ::testing::WithParamInterface<CapCase> {};

TEST_P(ProductPassCapTest, EveryEntryIsCopiedWithOneStepPerPass) {
    AddSourceFiles(GetParam().files);
    EXPECT_TRUE(DeployFiles());
    std::vector<std::string> expected{"Brelix扩展绘图库"};
    for (int i = 0; i < GetParam().copied; ++i)
        expected.push_back(NumberedName("F", i));
    expected.push_back("temp");
    EXPECT_THAT(backend.files.List(kProduct), ElementsAreArray(expected));
    EXPECT_EQ(progress.calls, Steps(GetParam().steps));
}

// Listing entries = files + 2; the walk takes entries + 1 passes, however many there are.
INSTANTIATE_TEST_SUITE_P(Listings,
                         ProductPassCapTest,
                         ::testing::Values(CapCase{0, 0, 3},
                                           CapCase{98, 98, 101},
                                           CapCase{99, 99, 102},
                                           CapCase{100, 100, 103},
                                           CapCase{150, 150, 153}),
                         [](const auto& info) { return std::to_string(info.param.files) + "Files"; });

// The source is read through its handle and never changed: it stays read-only, its copy does not.
TEST_F(DeployerTest, ReadOnlySourceReplacesReadOnlyTargetAndNeitherStaysReadOnly) {
    backend.files.AddFile(In(kSource, "PLATE.DAT"), "new", kAttrReadOnly | kAttrArchive);
    backend.files.AddFile(In(kProduct, "PLATE.DAT"), "old", kAttrReadOnly | kAttrArchive);
    EXPECT_TRUE(DeployFiles());
    EXPECT_EQ(backend.files.ReadFile(In(kProduct, "PLATE.DAT")), "new");
    EXPECT_EQ(backend.files.GetAttributes(In(kProduct, "PLATE.DAT")), kAttrArchive);
    EXPECT_EQ(backend.files.GetAttributes(In(kSource, "PLATE.DAT")), kAttrReadOnly | kAttrArchive);
    EXPECT_THAT(backend.prompts.shown, IsEmpty());
}

TEST_F(DeployerTest, FilesOfTheProductFolderThatTheSourceLacksStay) {
    AddSourceFiles(1);
    backend.files.AddFile(In(kProduct, "USER.CFG"), "mine");
    EXPECT_TRUE(DeployFiles());
    EXPECT_THAT(backend.files.List(kProduct),
                ElementsAre("Brelix扩展绘图库", "F000.DAT", "temp", "USER.CFG"));
    EXPECT_EQ(backend.files.ReadFile(In(kProduct, "USER.CFG")), "mine");
}

// A repair of the same version writes nothing: a file already as its copy would make it stays, and
// the record still gets its size and checksum. Any other file is copied again: the time of last write
// never decides alone, and neither a read-only or hidden file nor one with a second name stays.
TEST_F(DeployerTest, ARepairCopiesOnlyWhatIsNotAlreadyAsItsCopyWouldBe) {
    struct Case {
        const char* name;
        std::function<void(platform::memory::MemoryFileSystem& files, const std::string& installed)> change;
        bool copied;
    };
    const std::vector<Case> cases = {
        {"SAME.ARX", [](auto&, const std::string&) {}, false},
        {"REWRITTEN.ARX",
         [](auto& files, const std::string& at) { files.AddFile(at, "shipped REWRITTEN.ARX"); }, true},
        {"FORGED.ARX",
         [](auto& files, const std::string& at) {
             files.AddFile(at, "shipped FORGED.ARY");
             files.TakeLastWrite(at, In(kSource, "FORGED.ARX"));
             platform::DirEntry forged, source;
             ASSERT_TRUE(files.FindFirst(at, forged) && files.FindFirst(In(kSource, "FORGED.ARX"), source));
             EXPECT_EQ(forged.lastWrite, source.lastWrite);
         },
         true},
        {"READONLY.ARX", [](auto& files, const std::string& at) { files.SetAttributes(at, kAttrReadOnly); },
         true},
        {"HIDDEN.ARX", [](auto& files, const std::string& at) { files.SetAttributes(at, kAttrHidden); },
         true},
        {"SYSTEM.ARX",
         [](auto& files, const std::string& at) { files.SetAttributes(at, platform::kAttrSystem); }, true},
        {"LINKED.ARX",
         [](auto& files, const std::string& at) { files.AddHardLink("D:\\Tools\\其他.ARX", at); }, true},
    };
    for (const Case& c : cases)
        backend.files.AddFile(In(kSource, c.name), std::string("shipped ") + c.name);
    ASSERT_TRUE(DeployFiles());
    for (const Case& c : cases) {
        c.change(backend.files, In(kProduct, c.name));
        backend.failures.Watch(platform::memory::Operation::CopyFile, In(kSource, c.name));
    }
    journal = state::InstallJournal();

    ASSERT_TRUE(DeployFiles());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(backend.failures.Seen(platform::memory::Operation::CopyFile, In(kSource, c.name)),
                  c.copied);
        EXPECT_EQ(backend.files.ReadFile(In(kProduct, c.name)), std::string("shipped ") + c.name);
        EXPECT_EQ(backend.files.GetAttributes(In(kProduct, c.name)), kAttrArchive);
        const std::string content = std::string("shipped ") + c.name;
        EXPECT_THAT(journal.InstalledFiles(),
                    testing::Contains(state::InstalledFile{In(kProduct, c.name), content.size(),
                                                           platform::Crc32(content)}));
    }
    EXPECT_EQ(backend.files.ReadFile("D:\\Tools\\其他.ARX"), "shipped LINKED.ARX");
    EXPECT_THAT(backend.prompts.shown, IsEmpty());
}

// Another program reading an installed file, sharing no deletion, keeps it from being swapped: the copy
// question comes as ever, even when the file is already as its copy would be.
TEST_F(DeployerTest, AnInstalledFileHeldOpenIsAskedAboutThoughItIsUnchanged) {
    backend.files.AddFile(In(kSource, "A.ARX"), "module");
    ASSERT_TRUE(DeployFiles());
    const auto reader = backend.files.OpenToRead(In(kProduct, "A.ARX"));
    ASSERT_TRUE(reader);
    backend.prompts.answers = {platform::kIdIgnore};
    EXPECT_TRUE(DeployFiles());
    ASSERT_EQ(backend.prompts.shown.size(), 1u);
    EXPECT_EQ(backend.prompts.shown[0].text, CopyFailedText(In(kProduct, "A.ARX")));
}

// Under Wine a link put in the file's place after the listing is followed when the file is opened:
// where the handle leads tells it, and the link is swapped out as ever.
TEST_F(DeployerTest, ALinkPutInAnInstalledFilesPlaceSinceItsListingIsNotTakenForIt) {
    backend.files.SetOpenFollowsLinks(true);
    backend.files.AddFile(In(kSource, "A.ARX"), "module");
    platform::DirEntry source;
    ASSERT_TRUE(backend.files.FindFirst(In(kSource, "A.ARX"), source));
    for (const bool link : {false, true}) {
        const std::string installed = link ? "D:\\Elsewhere\\A.ARX" : In(kProduct, "A.ARX");
        backend.files.AddFolder(link ? "D:\\Elsewhere" : kProduct);
        ASSERT_TRUE(backend.files.CopyFile(In(kSource, "A.ARX"), installed, false));
        if (link)
            backend.files.AddLink(In(kProduct, "A.ARX"), installed, false);
        platform::ContentCheck content;
        const auto opened = backend.files.OpenToRead(In(kSource, "A.ARX"));
        ASSERT_TRUE(opened);
        EXPECT_EQ(install::IsAlreadyInstalled(backend.files, *opened, source, kProduct, source, content),
                  !link);
        backend.files.DeleteName(In(kProduct, "A.ARX"));
    }
}

TEST_F(DeployerTest, AbortStopsAtOnceAndReportsFailure) {
    AddSourceFiles(4);
    backend.files.AddFile(In(kProduct, "F001.DAT"), "locked");
    backend.files.Lock(In(kProduct, "F001.DAT"));
    backend.prompts.answers = {platform::kIdAbort};

    EXPECT_FALSE(DeployFiles());
    // F000.DAT was staged, and is gone with the staging: the folder is as it was.
    EXPECT_THAT(backend.files.List(kProduct), ElementsAre("Brelix扩展绘图库", "F001.DAT", "temp"));
    EXPECT_EQ(backend.files.ReadFile(In(kProduct, "F001.DAT")), "locked");
    ASSERT_EQ(backend.prompts.shown.size(), 1u);
    EXPECT_EQ(backend.prompts.shown[0].owner, kPageWindow);
    EXPECT_EQ(backend.prompts.shown[0].text, CopyFailedText("D:\\Tools\\Brelix结构工具箱\\F001.DAT"));
    EXPECT_EQ(backend.prompts.shown[0].caption, "Brelix安装");
    EXPECT_EQ(backend.prompts.shown[0].style, platform::kMbAbortRetryIgnore);
    EXPECT_EQ(progress.calls, Steps(4));  // ".", "..", F000, F001
}

TEST_F(DeployerTest, IgnoreLeavesTheFileAndGoesOn) {
    AddSourceFiles(3);
    backend.files.AddFile(In(kProduct, "F001.DAT"), "locked");
    backend.files.Lock(In(kProduct, "F001.DAT"));
    backend.prompts.answers = {platform::kIdIgnore};

    EXPECT_TRUE(DeployFiles());
    EXPECT_EQ(backend.files.ReadFile(In(kProduct, "F001.DAT")), "locked");
    EXPECT_EQ(backend.files.ReadFile(In(kProduct, "F002.DAT")), "data2");
    EXPECT_EQ(backend.prompts.shown.size(), 1u);
    EXPECT_EQ(progress.calls, Steps(6));
}

// Retry, and any answer that is neither abort nor ignore, copies again; the question comes
// back as long as the copy fails.
struct RetryCase {
    std::vector<int> answers;  // the file is unlocked when the last one is given
};

class RetryTest : public DeployerTest, public ::testing::WithParamInterface<RetryCase> {};

TEST_P(RetryTest, CopiesAgainUntilItWorksThenGoesOn) {
    AddSourceFiles(3);
    const std::string locked = In(kProduct, "F001.DAT");
    backend.files.AddFile(locked, "old");
    backend.files.Lock(locked);
    const auto& answers = GetParam().answers;
    backend.prompts.answers.assign(answers.begin(), answers.end());
    backend.prompts.onShow = [&](const platform::memory::ShownPrompt&) {
        if (backend.prompts.answers.size() == 1)
            backend.files.Unlock(locked);
    };

    EXPECT_TRUE(DeployFiles());
    EXPECT_EQ(backend.files.ReadFile(locked), "data1");
    EXPECT_EQ(backend.files.ReadFile(In(kProduct, "F002.DAT")), "data2");
    EXPECT_EQ(backend.prompts.shown.size(), answers.size());
}

INSTANTIATE_TEST_SUITE_P(
    Answers,
    RetryTest,
    ::testing::Values(RetryCase{{platform::kIdRetry}},
                      RetryCase{{platform::kIdRetry, platform::kIdRetry, platform::kIdRetry}},
                      RetryCase{{platform::kIdCancel, platform::kIdOk, platform::kIdRetry}}),
    readable_names::By(&RetryCase::answers));

// A question that could not be shown at all gets no answer (0): the copy is not tried again in a
// silent loop, and the walk ends as on abort.
TEST_F(DeployerTest, QuestionThatCannotBeShownEndsTheWalkAsAbort) {
    AddSourceFiles(4);
    backend.files.AddFile(In(kProduct, "F001.DAT"), "locked");
    backend.files.Lock(In(kProduct, "F001.DAT"));
    backend.prompts.answers = {0, platform::kIdIgnore};

    EXPECT_FALSE(DeployFiles());
    EXPECT_THAT(backend.files.List(kProduct), ElementsAre("Brelix扩展绘图库", "F001.DAT", "temp"));
    EXPECT_EQ(backend.files.ReadFile(In(kProduct, "F001.DAT")), "locked");
    EXPECT_EQ(backend.prompts.shown.size(), 1u);
    EXPECT_EQ(progress.calls, Steps(4));  // ".", "..", F000, F001
}

TEST_F(DeployerTest, ReadOnlyTargetThatStillFailsIsAskedAboutWithTheTargetPath) {
    // The copy fails for another reason than the read-only bit: ClearReadOnly ran, the question names the
    // target.
    AddSourceFiles(1);
    backend.failures.Fail(Operation::CopyFile, In(kSource, "F000.DAT"), 2);
    backend.prompts.answers = {platform::kIdRetry, platform::kIdRetry};
    EXPECT_TRUE(DeployFiles());
    EXPECT_EQ(backend.prompts.shown.size(), 2u);
    EXPECT_EQ(backend.files.ReadFile(In(kProduct, "F000.DAT")), "data0");
}

TEST_F(DeployerTest, NoSourceShowsTheMessageAndCreatesNothing) {
    MemoryBackend bare;
    StageProgram(bare);
    bare.files.AddFolder("D:\\Tools");
    auto bareServices = bare.services();
    const std::string before = bare.files.Dump();

    ProductDeployer deployer(bareServices, "D:\\Tools", progress);
    EXPECT_FALSE(deployer.DeployProductFiles());
    deployer.DeployDrawingLibrary();
    EXPECT_EQ(bare.files.Dump(), before);
    ASSERT_EQ(bare.prompts.shown.size(), 2u);
    EXPECT_EQ(bare.prompts.shown[0].caption, "Brelix软件安装");
    EXPECT_THAT(progress.calls, IsEmpty());
}

TEST_F(DeployerTest, RootOfADriveGivesTheProductFolderDirectlyBelowIt) {
    AddSourceFiles(1);
    backend.files.AddDrive("E:");
    EXPECT_TRUE(DeployFiles("E:\\"));
    EXPECT_THAT(backend.files.List("E:\\Brelix结构工具箱"),
                ElementsAre("Brelix扩展绘图库", "F000.DAT", "temp"));
}

// ---- Drawing library ---------------------------------------------------------------------

TEST_F(DeployerTest, LibraryCopiesEveryFileWithoutExclusionsOrSubfolders) {
    backend.files.AddFolder(kProduct);
    for (const char* name : {"梁.SJY", "SetUp.exe", "柱.sjy"})
        backend.files.AddFile(In(kLibrarySource, name), name);
    backend.files.AddFolder(In(kLibrarySource, "Sub"));
    DeployLibrary();
    EXPECT_THAT(backend.files.List(kLibraryTarget), ElementsAre("SetUp.exe", "梁.SJY", "柱.sjy"));
    EXPECT_EQ(progress.calls, Steps(7));
}

// A library file is staged as a product file is: one that cannot be asks, and Ignore keeps the
// old one while the rest are installed.
TEST_F(DeployerTest, LibraryFileThatFailsIsAskedAboutAndIgnoreKeepsTheOldOne) {
    backend.files.AddFolder(kProduct);
    for (const char* name : {"A.SJY", "B.SJY", "C.SJY"})
        backend.files.AddFile(In(kLibrarySource, name), "new");
    backend.files.AddFile(In(kLibraryTarget, "B.SJY"), "old");
    backend.files.Lock(In(kLibraryTarget, "B.SJY"));
    backend.prompts.answers = {platform::kIdIgnore};
    EXPECT_TRUE(DeployLibrary());
    ASSERT_EQ(backend.prompts.shown.size(), 1u);
    EXPECT_EQ(backend.prompts.shown[0].text, CopyFailedText(In(kLibraryTarget, "B.SJY")));
    EXPECT_EQ(backend.files.ReadFile(In(kLibraryTarget, "A.SJY")), "new");
    EXPECT_EQ(backend.files.ReadFile(In(kLibraryTarget, "B.SJY")), "old");
    EXPECT_EQ(backend.files.ReadFile(In(kLibraryTarget, "C.SJY")), "new");
}

TEST_F(DeployerTest, LibraryIsCopiedWholeHoweverLong) {
    backend.files.AddFolder(kProduct);
    std::vector<std::string> expected;
    for (int i = 0; i < 90; ++i) {
        expected.push_back(NumberedName("L", i, ".SJY"));
        backend.files.AddFile(In(kLibrarySource, expected.back()), "x");
    }
    DeployLibrary();
    EXPECT_THAT(backend.files.List(kLibraryTarget), ElementsAreArray(expected));
    EXPECT_EQ(progress.calls, Steps(93));
}

TEST_F(DeployerTest, LibraryOf78FilesIsCopiedWholeIn81Passes) {
    backend.files.AddFolder(kProduct);
    for (int i = 0; i < 78; ++i)
        backend.files.AddFile(In(kLibrarySource, NumberedName("L", i, ".SJY")), "x");
    DeployLibrary();
    EXPECT_EQ(backend.files.List(kLibraryTarget).size(), 78u);
    EXPECT_EQ(progress.calls, Steps(81));
}

TEST_F(DeployerTest, ReadOnlyLibraryFileIsInstalledWritable) {
    backend.files.AddFolder(kProduct);
    backend.files.AddFile(In(kLibrarySource, "A.SJY"), "new", kAttrReadOnly | kAttrArchive);
    backend.files.AddFile(In(kLibraryTarget, "A.SJY"), "old", kAttrReadOnly | kAttrArchive);
    DeployLibrary();
    EXPECT_EQ(backend.files.ReadFile(In(kLibraryTarget, "A.SJY")), "new");
    EXPECT_EQ(backend.files.GetAttributes(In(kLibraryTarget, "A.SJY")), kAttrArchive);
}

}  // namespace
