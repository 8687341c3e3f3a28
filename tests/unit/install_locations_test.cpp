// Finding the installation source, the registry record of the product folder, and the
// running-AutoCAD check.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "install/record/locations.h"
#include "install_test_support.h"
#include "readable_names.h"

namespace {

using namespace install_test;
using install::GetPathKind;
using install::IsAcadRunning;
using install::LocateSourceFolder;
using install::ReadPreviousFolder;
using install::RecordProductFolder;
using platform::memory::StoredValue;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr char kMissingSourceText[] =
    "未找到安装所需的Data文件夹 !\n\n可能安装文件下载后没有解压，\n\n请解压后再执行SetUp.exe !";

// ---- GetPathKind -------------------------------------------------------------------------

struct PathKindCase {
    const char* path;
    int expected;
};

class PathKindTest : public ::testing::TestWithParam<PathKindCase> {};

TEST_P(PathKindTest, TellsFilesFromFoldersFromNothing) {
    MemoryBackend backend;
    backend.files.AddFolder("C:\\Setup\\Data");
    backend.files.AddFile("C:\\Setup\\Brelix2010.arx", "module");
    backend.files.AddFile("C:\\Setup\\ro.txt", "x", platform::kAttrReadOnly | platform::kAttrArchive);
    EXPECT_EQ(GetPathKind(backend.files, GetParam().path), GetParam().expected) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(Paths,
                         PathKindTest,
                         ::testing::Values(PathKindCase{"C:\\Setup\\Data", install::kPathFolder},
                                           PathKindCase{"C:\\SETUP\\data", install::kPathFolder},
                                           PathKindCase{"C:\\Setup\\Brelix2010.arx", install::kPathFile},
                                           PathKindCase{"C:\\Setup\\BRELIX2010.ARX", install::kPathFile},
                                           PathKindCase{"C:\\Setup\\ro.txt", install::kPathFile},
                                           PathKindCase{"C:\\Setup\\Missing", install::kPathMissing},
                                           PathKindCase{"C:\\Nowhere\\Data", install::kPathMissing}),
                         readable_names::By(&PathKindCase::path));

// ---- LocateSourceFolder ------------------------------------------------------------------

struct SourceCase {
    const char* name;
    const char* programPath;
    std::vector<std::string> folders;
    std::vector<std::string> files;
    bool found;
    const char* expectedSource;
};

class SourceFolderTest : public ::testing::TestWithParam<SourceCase> {};

TEST_P(SourceFolderTest, FindsDataBesideTheProgramOrTheModuleItself) {
    const SourceCase& c = GetParam();
    MemoryBackend backend;
    backend.files.SetProgramPath(c.programPath);
    backend.prompts.active = kPageWindow;
    for (const auto& folder : c.folders)
        backend.files.AddFolder(folder);
    for (const auto& file : c.files)
        backend.files.AddFile(file, "content");
    auto services = backend.services();

    std::string source = "left over";
    EXPECT_EQ(LocateSourceFolder(services, source), c.found);
    EXPECT_EQ(source, c.expectedSource);
    if (c.found) {
        EXPECT_THAT(backend.prompts.shown, IsEmpty());
    } else {
        ASSERT_EQ(backend.prompts.shown.size(), 1u);
        EXPECT_EQ(backend.prompts.shown[0].owner, kPageWindow);
        EXPECT_EQ(backend.prompts.shown[0].text, kMissingSourceText);
        EXPECT_EQ(backend.prompts.shown[0].caption, "Brelix软件安装");
        EXPECT_EQ(backend.prompts.shown[0].style, platform::kMbOk);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts,
    SourceFolderTest,
    ::testing::Values(
        SourceCase{"DataFolder", "D:\\Setup\\SetUp.exe", {"D:\\Setup\\Data"}, {}, true, "D:\\Setup\\Data"},
        SourceCase{"DataWinsOverModule",
                   "D:\\Setup\\SetUp.exe",
                   {"D:\\Setup\\Data"},
                   {"D:\\Setup\\Brelix2010.arx"},
                   true,
                   "D:\\Setup\\Data"},
        SourceCase{"ModuleBesideProgram",
                   "D:\\Setup\\SetUp.exe",
                   {},
                   {"D:\\Setup\\Brelix2010.arx"},
                   true,
                   "D:\\Setup"},
        SourceCase{"ModuleInAnyCase",
                   "D:\\Setup\\SetUp.exe",
                   {},
                   {"D:\\Setup\\BRELIX2010.ARX"},
                   true,
                   "D:\\Setup"},
        SourceCase{"DataThatIsAFile",
                   "D:\\Setup\\SetUp.exe",
                   {},
                   {"D:\\Setup\\Data"},
                   false,
                   "D:\\Setup\\Brelix2010.arx"},
        SourceCase{"ModuleThatIsAFolder",
                   "D:\\Setup\\SetUp.exe",
                   {"D:\\Setup\\Brelix2010.arx"},
                   {},
                   false,
                   "D:\\Setup\\Brelix2010.arx"},
        SourceCase{"Neither", "D:\\Setup\\SetUp.exe", {"D:\\Setup"}, {}, false, "D:\\Setup\\Brelix2010.arx"},
        // The program's own name ends in a double-byte character whose second byte is 0x5C:
        // the folder is cut at the real separator, not inside the character.
        SourceCase{"DoubleByteNameEndingInBackslashByte",
                   "D:\\Setup\\SetUp\xB1\x5C.exe",
                   {"D:\\Setup\\Data"},
                   {},
                   true,
                   "D:\\Setup\\Data"},
        SourceCase{"ChineseFolder",
                   "D:\\安装程序\\SetUp.exe",
                   {"D:\\安装程序\\Data"},
                   {},
                   true,
                   "D:\\安装程序\\Data"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SourceFolder, MissingSourceIsReportedAgainAtEveryLookup) {
    MemoryBackend backend;
    StageProgram(backend);
    auto services = backend.services();
    std::string source;
    EXPECT_FALSE(LocateSourceFolder(services, source));
    EXPECT_FALSE(LocateSourceFolder(services, source));
    EXPECT_EQ(backend.prompts.shown.size(), 2u);
}

TEST(SourceFolder, MessageHasNoOwnerWhenNoWindowIsActive) {
    MemoryBackend backend;
    backend.files.SetProgramPath(kProgram);
    backend.prompts.active = platform::kNoWindow;
    auto services = backend.services();
    std::string source;
    EXPECT_FALSE(LocateSourceFolder(services, source));
    ASSERT_EQ(backend.prompts.shown.size(), 1u);
    EXPECT_EQ(backend.prompts.shown[0].owner, platform::kNoWindow);
}

// ---- IsAcadRunning -----------------------------------------------------------------------

struct ProcessCase {
    std::vector<std::string> names;
    bool running;
};

class AcadRunningTest : public ::testing::TestWithParam<ProcessCase> {};

TEST_P(AcadRunningTest, MatchesAcadExeAnywhereInTheNameIgnoringCase) {
    MemoryBackend backend;
    backend.processes.names = GetParam().names;
    EXPECT_EQ(IsAcadRunning(backend.processes), GetParam().running);
}

INSTANTIATE_TEST_SUITE_P(Snapshots,
                         AcadRunningTest,
                         ::testing::Values(ProcessCase{{"System", "acad.exe"}, true},
                                           ProcessCase{{"ACAD.EXE", "explorer.exe"}, true},
                                           ProcessCase{{"Acad.exe"}, true},
                                           ProcessCase{{"xacad.exe"}, true},
                                           ProcessCase{{"acad.exe.bak"}, true},
                                           ProcessCase{{"myacad32.exe"}, false},
                                           ProcessCase{{"acad.ex", "acadexe", "acad"}, false},
                                           ProcessCase{{"System", "explorer.exe"}, false},
                                           ProcessCase{{}, false}),
                         readable_names::By(&ProcessCase::names));

TEST(AcadRunning, NoSnapshotMeansNotRunning) {
    MemoryBackend backend;
    backend.processes.names = {"acad.exe"};
    backend.processes.snapshotFails = true;
    EXPECT_FALSE(IsAcadRunning(backend.processes));
}

// ---- The product folder record -----------------------------------------------------------

struct RecordCase {
    const char* name;
    bool keyExists;
    bool valueExists;
    std::uint32_t type;
    std::string data;
    bool found;
    std::string expectedFolder;
};

class ReadRecordTest : public ::testing::TestWithParam<RecordCase> {};

TEST_P(ReadRecordTest, UsableRecordIsLongerThanOneByteAndFitsTheBuffer) {
    const RecordCase& c = GetParam();
    MemoryBackend backend;
    if (c.keyExists)
        backend.registry.CreateKey(RootKey::LocalMachine, kRecordKey);
    if (c.valueExists)
        backend.registry.SetValue(RootKey::LocalMachine, kRecordKey, kRecordValue, c.type, c.data);

    backend.environment.Set("TOOLS", "E:\\Tools");
    std::string folder = "stale";
    EXPECT_EQ(ReadPreviousFolder(backend.registry, backend.environment, folder), c.found);
    EXPECT_EQ(folder, c.expectedFolder);
}

const std::string k259(259, 'a');
const std::string k260(260, 'a');

INSTANTIATE_TEST_SUITE_P(
    Values,
    ReadRecordTest,
    ::testing::Values(
        RecordCase{"NoKey", false, false, 0, "", false, ""},
        RecordCase{"NoValue", true, false, 0, "", false, ""},
        RecordCase{"Empty", true, true, platform::kRegSz, std::string(1, '\0'), false, ""},
        RecordCase{"OneCharacter", true, true, platform::kRegSz, std::string("D\0", 2), false, "D"},
        RecordCase{"TwoCharacters", true, true, platform::kRegSz, std::string("D:\0", 3), true, "D:"},
        RecordCase{"ChineseFolder", true, true, platform::kRegSz,
                   std::string("D:\\Tools\\Brelix结构工具箱") + '\0', true, "D:\\Tools\\Brelix结构工具箱"},
        RecordCase{"ExpandableText", true, true, platform::kRegExpandSz, std::string("%Tools%\\Old\0", 12),
                   true, "E:\\Tools\\Old"},
        RecordCase{"ExpandedBeyondTheBuffer", true, true, platform::kRegExpandSz,
                   std::string(252, 'a') + "%Tools%" + '\0', false, ""},
        RecordCase{"ANumber", true, true, platform::kRegDword, std::string("E:\\O", 4), false, ""},
        RecordCase{"Binary", true, true, 3, std::string("E:\\Old\0", 7), false, ""},
        RecordCase{"AList", true, true, 7, std::string("E:\\Old\0\0", 8), false, ""},
        RecordCase{"NoZeroByte", true, true, platform::kRegSz, "E:\\Old", true, "E:\\Old"},
        RecordCase{"TextEndsAtFirstZero", true, true, platform::kRegSz, std::string("E:\\A\0junk\0", 10),
                   true, "E:\\A"},
        RecordCase{"FillsBufferExactly", true, true, platform::kRegSz, k259 + '\0', true, k259},
        RecordCase{"NoRoomForTheZero", true, true, platform::kRegSz, k260, false, ""},
        RecordCase{"LargerThanBuffer", true, true, platform::kRegSz, k260 + '\0', false, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Record, WrittenUnderSoftwareBrelixAsStringWithItsZeroByte) {
    MemoryBackend backend;
    RecordProductFolder(backend.registry, "D:\\Tools\\Brelix结构工具箱");
    EXPECT_EQ(backend.registry.GetValue(RootKey::LocalMachine, "SOFTWARE\\Brelix", "Brelix_Path"),
              (StoredValue{platform::kRegSz, std::string("D:\\Tools\\Brelix结构工具箱") + '\0'}));
    EXPECT_THAT(backend.registry.ValueNames(RootKey::LocalMachine, "SOFTWARE\\Brelix"),
                ElementsAre("Brelix_Path"));
}

TEST(Record, WhatIsRecordedIsReadBack) {
    MemoryBackend backend;
    RecordProductFolder(backend.registry, "D:\\Tools\\Brelix结构工具箱");
    std::string folder;
    EXPECT_TRUE(ReadPreviousFolder(backend.registry, backend.environment, folder));
    EXPECT_EQ(folder, "D:\\Tools\\Brelix结构工具箱");
}

TEST(Record, ReplacesAnOlderRecord) {
    MemoryBackend backend;
    backend.registry.SetString(RootKey::LocalMachine, kRecordKey, kRecordValue, "C:\\Old\\Brelix结构工具箱");
    RecordProductFolder(backend.registry, "D:\\New\\Brelix结构工具箱");
    EXPECT_EQ(backend.registry.GetValue(RootKey::LocalMachine, kRecordKey, kRecordValue)->Text(),
              "D:\\New\\Brelix结构工具箱");
}

TEST(Record, FolderThatDoesNotFitTheBufferIsNotRecorded) {
    MemoryBackend backend;
    backend.registry.SetString(RootKey::LocalMachine, kRecordKey, kRecordValue, "C:\\Old\\Brelix结构工具箱");
    const std::string before = backend.registry.Dump();
    RecordProductFolder(backend.registry, "D:\\" + std::string(257, 'x'));  // 260 bytes of text
    EXPECT_EQ(backend.registry.Dump(), before);

    RecordProductFolder(backend.registry, "D:\\" + std::string(256, 'x'));  // 259 bytes: fits
    EXPECT_EQ(backend.registry.GetValue(RootKey::LocalMachine, kRecordKey, kRecordValue)->Text(),
              "D:\\" + std::string(256, 'x'));
}

TEST(Record, KeyThatCannotBeCreatedLeavesTheRegistryAlone) {
    MemoryBackend backend;
    backend.failures.Fail(Operation::CreateKey, "*");
    const std::string before = backend.registry.Dump();
    RecordProductFolder(backend.registry, "D:\\Tools\\Brelix结构工具箱");
    EXPECT_EQ(backend.registry.Dump(), before);
}

}  // namespace
