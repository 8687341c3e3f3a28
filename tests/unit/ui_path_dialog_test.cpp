// The folder picker on the in-memory file system: path syntax, level-by-level creation, the
// question and the two error messages, and whole runs driven through a scripted browser.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/memory/memory_backend.h"
#include "platform/memory/scripted_folder_browser.h"
#include "readable_names.h"
#include "ui/path_dialog.h"

namespace {

using platform::memory::BrowserAction;
using platform::memory::MemoryBackend;
using platform::memory::MemoryFileSystem;
using platform::memory::Operation;
using platform::memory::ScriptedFolderBrowser;
using platform::memory::ShownPrompt;
using ui::CPathDialog;

// GBK characters whose second byte is "\" (0x5C) and "|" (0x7C): one character each, not a
// separator or a forbidden character.
const std::string kTrailBackslash = "\xB0\x5C";  // 癨
const std::string kTrailBar = "\xB0\x7C";        // 皘

void AddStandardDisk(MemoryFileSystem& files) {
    files.AddFolder("D:\\Tools");
    files.AddFile("D:\\notes.txt", "x");
}

// ---------------------------------------------------------------------------------------------
// IsValidFolderName

struct NameCase {
    std::string name;
    bool valid;
};

void PrintTo(const NameCase& c, std::ostream* out) {
    *out << '"' << c.name << '"';
}

class FolderNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(FolderNameTest, AcceptsOnlyWindowsFolderNames) {
    EXPECT_EQ(CPathDialog::IsValidFolderName(GetParam().name), GetParam().valid) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Names,
                         FolderNameTest,
                         testing::Values(NameCase{"", false},
                                         NameCase{"a", true},
                                         NameCase{"New Folder", true},
                                         NameCase{"a.b", true},
                                         NameCase{"结构工具箱", true},
                                         NameCase{" a", false},
                                         NameCase{"a ", false},
                                         NameCase{"\ta", false},
                                         NameCase{"a\t", false},
                                         NameCase{".a", false},
                                         NameCase{"a.", false},
                                         NameCase{"..", false},
                                         NameCase{"a\"b", false},
                                         NameCase{"a*", false},
                                         NameCase{"a/b", false},
                                         NameCase{"a:b", false},
                                         NameCase{"<a", false},
                                         NameCase{"a>", false},
                                         NameCase{"b?", false},
                                         NameCase{"a\\b", false},
                                         NameCase{"a|b", false},
                                         NameCase{"工" + kTrailBackslash, true},
                                         NameCase{kTrailBar + "具", true},
                                         NameCase{kTrailBar + "|", false}),
                         readable_names::By(&NameCase::name));

// ---------------------------------------------------------------------------------------------
// CheckOrCreatePath

struct PathCase {
    const char* label;
    std::string path;
    bool checkOnly;
    int expected;
    std::vector<std::string> createdFolders;  // what the file system holds in addition afterwards
};

void PrintTo(const PathCase& c, std::ostream* out) {
    *out << c.label;
}

class CheckOrCreatePathTest : public testing::TestWithParam<PathCase> {};

TEST_P(CheckOrCreatePathTest, GivesResultAndCreatesExactlyTheMissingLevels) {
    const PathCase& c = GetParam();
    MemoryBackend backend;
    AddStandardDisk(backend.files);
    MemoryBackend expected;
    AddStandardDisk(expected.files);
    for (const std::string& folder : c.createdFolders) {
        expected.files.AddFolder(folder);
    }

    EXPECT_EQ(CPathDialog::CheckOrCreatePath(backend.files, c.path, c.checkOnly), c.expected);
    EXPECT_EQ(backend.files.Dump(), expected.files.Dump());
}

const std::string k259 = "D:\\" + std::string(256, 'a');

INSTANTIATE_TEST_SUITE_P(
    Paths,
    CheckOrCreatePathTest,
    testing::Values(
        PathCase{"Empty", "", false, 1, {}},
        PathCase{"LetterOnly", "D", true, 1, {}},
        PathCase{"NoBackslash", "D:", true, 1, {}},
        PathCase{"NoBackslashCreating", "D:", false, 1, {}},
        PathCase{"DigitForDrive", "1:\\a", true, 1, {}},
        PathCase{"NonLetterDrive", "\xB0\xA1:\\a", false, 1, {}},
        PathCase{"SlashForBackslash", "D:/a", false, 1, {}},
        PathCase{"NoColon", "DD\\a", false, 1, {}},
        PathCase{"RootOfExistingDrive", "D:\\", false, 0, {}},
        PathCase{"RootOfMissingDriveChecked", "E:\\", true, 0, {}},
        PathCase{"RootOfMissingDrive", "E:\\", false, 2, {}},
        PathCase{"TrailingBackslash", "D:\\a\\", true, 1, {}},
        PathCase{"TrailingBackslashCreatesNothing", "D:\\a\\", false, 1, {}},
        PathCase{"TwoBackslashes", "D:\\a\\\\b", false, 1, {}},
        PathCase{"NameEndsWithFullStop", "D:\\a.\\b", false, 1, {}},
        PathCase{"NameStartsWithSpace", "D:\\ a\\b", false, 1, {}},
        PathCase{"QuestionMark", "D:\\a\\b?", false, 1, {}},
        PathCase{"InvalidDeepNameCreatesNothing", "D:\\x\\y\\b?", false, 1, {}},
        PathCase{"CheckOnlyCreatesNothing", "D:\\x\\y", true, 0, {}},
        PathCase{"OneNewLevel", "D:\\Brelix", false, 0, {"D:\\Brelix"}},
        PathCase{"InsideExistingFolder", "D:\\Tools\\New Folder", false, 0, {"D:\\Tools\\New Folder"}},
        PathCase{"ExistingFolderInOtherCase", "d:\\TOOLS", false, 0, {}},
        PathCase{"ThreeNewLevels", "D:\\x\\y\\z", false, 0, {"D:\\x\\y\\z"}},
        PathCase{"ChineseNames", "D:\\结构\\工具箱", false, 0, {"D:\\结构\\工具箱"}},
        PathCase{"DoubleByteWithBackslashByte",
                 "D:\\工" + kTrailBackslash + "\\b",
                 false,
                 0,
                 {"D:\\工" + kTrailBackslash + "\\b"}},
        PathCase{"MissingDrive", "E:\\x", false, 2, {}},
        PathCase{"FileInTheWayChecked", "D:\\notes.txt\\sub", true, 0, {}},
        PathCase{"FileInTheWay", "D:\\notes.txt\\sub", false, 2, {}},
        PathCase{"LongestPathChecked", k259, true, 0, {}},
        PathCase{"LongestPathCreated", k259, false, 0, {k259}},
        PathCase{"TooLongForTheBuffer", k259 + "b", false, 1, {}}),
    [](const testing::TestParamInfo<PathCase>& info) { return std::string(info.param.label); });

TEST(CheckOrCreatePath, KeepsTheLevelsMadeBeforeOneThatCannotBeCreated) {
    MemoryBackend backend;
    backend.files.AddFolder("D:\\");
    backend.failures.Fail(Operation::CreateDirectory, "D:\\x\\y");

    EXPECT_EQ(CPathDialog::CheckOrCreatePath(backend.files, "D:\\x\\y\\z", false), 2);
    EXPECT_EQ(backend.files.List("D:\\"), std::vector<std::string>{"x"});
    EXPECT_TRUE(backend.files.List("D:\\x").empty());
}

TEST(CheckOrCreatePath, TakesALevelThatAppearsDespiteAFailedCreate) {
    // Another program may make the folder in between; what counts is that it exists afterwards.
    MemoryBackend backend;
    backend.files.AddFolder("D:\\x");
    EXPECT_EQ(CPathDialog::CheckOrCreatePath(backend.files, "D:\\x\\y", false), 0);
    EXPECT_EQ(backend.files.List("D:\\x"), std::vector<std::string>{"y"});
}

// ---------------------------------------------------------------------------------------------
// ConfirmFolder and whole picker runs

std::string Question(const std::string& path) {
    return "The folder:\n\n" + path + "\n\ndoes not exist. Do you want the folder to be created?";
}
std::string Invalid(const std::string& path) {
    return "The folder:\n\n" + path + "\n\nis invalid. Please reenter.";
}
std::string NotCreated(const std::string& path) {
    return "The folder:\n\n" + path + "\n\ncan not be created. Please double check.";
}

constexpr std::uint32_t kQuestion = platform::kMbYesNo | platform::kMbIconQuestion;
constexpr std::uint32_t kWarning = platform::kMbOk | platform::kMbIconExclamation;

struct Prompt {
    std::string text;
    std::uint32_t style;
};

std::vector<Prompt> Shown(const std::vector<ShownPrompt>& shown) {
    std::vector<Prompt> result;
    for (const ShownPrompt& prompt : shown) {
        result.push_back({prompt.text, prompt.style});
    }
    return result;
}

bool operator==(const Prompt& a, const Prompt& b) {
    return a.text == b.text && a.style == b.style;
}

void PrintTo(const Prompt& prompt, std::ostream* out) {
    *out << "{\"" << prompt.text << "\", " << prompt.style << "}";
}

class PickerTest : public testing::Test {
  protected:
    PickerTest() {
        AddStandardDisk(backend.files);
        backend.files.SetProgramPath("C:\\下载\\SetUp.exe");
        backend.prompts.active = 0x77;
    }

    int Run(std::vector<BrowserAction> actions, const char* initialFolder = "C:\\Brelix") {
        browser.actions.assign(actions.begin(), actions.end());
        CPathDialog picker(services, "请选择安装目录：", "请选择安装目录：", initialFolder);
        int result = picker.RunModal();
        if (result == 1) {
            chosen = picker.ChosenPath();
        }
        return result;
    }

    MemoryBackend backend;
    ScriptedFolderBrowser browser;
    ui::PickerServices services{browser, backend.files, backend.prompts};
    std::string chosen = "unchanged";
};

TEST_F(PickerTest, TakesAnExistingFolderWithoutAsking) {
    EXPECT_EQ(Run({{BrowserAction::Type, "D:\\Tools"}, {BrowserAction::PressOk, ""}}), 1);
    EXPECT_EQ(chosen, "D:\\Tools");
    EXPECT_TRUE(backend.prompts.shown.empty());
    EXPECT_TRUE(browser.closedByOk);
}

TEST_F(PickerTest, TakesAnExistingFileLikeAFolder) {
    EXPECT_EQ(Run({{BrowserAction::Type, "D:\\notes.txt"}, {BrowserAction::PressOk, ""}}), 1);
    EXPECT_EQ(chosen, "D:\\notes.txt");
    EXPECT_TRUE(backend.prompts.shown.empty());
}

TEST_F(PickerTest, CreatesAMissingFolderWhenTheUserSaysYes) {
    backend.prompts.answers = {platform::kIdYes};
    EXPECT_EQ(Run({{BrowserAction::Type, "D:\\Brelix"}, {BrowserAction::PressOk, ""}}), 1);
    EXPECT_EQ(chosen, "D:\\Brelix");
    EXPECT_EQ(Shown(backend.prompts.shown), (std::vector<Prompt>{{Question("D:\\Brelix"), kQuestion}}));
    // The question belongs to the browser window and carries the program's name.
    EXPECT_EQ(backend.prompts.shown[0].owner, browser.window);
    EXPECT_EQ(backend.prompts.shown[0].caption, "SetUp");
    EXPECT_EQ(backend.files.List("D:\\"), (std::vector<std::string>{"Brelix", "notes.txt", "Tools"}));
}

TEST_F(PickerTest, StaysOpenWhenTheUserDeclinesAndCreatesNothing) {
    backend.prompts.answers = {platform::kIdNo};
    EXPECT_EQ(
        Run({{BrowserAction::Type, "D:\\Brelix"}, {BrowserAction::PressOk, ""}, {BrowserAction::Cancel, ""}}),
        -1);
    EXPECT_EQ(chosen, "unchanged");
    EXPECT_EQ(Shown(backend.prompts.shown), (std::vector<Prompt>{{Question("D:\\Brelix"), kQuestion}}));
    EXPECT_EQ(browser.okRefused, 1);
    EXPECT_FALSE(backend.files.Exists("D:\\Brelix"));
}

TEST_F(PickerTest, DeclineThenRetypeAndAccept) {
    backend.prompts.answers = {platform::kIdNo};
    EXPECT_EQ(Run({{BrowserAction::Type, "D:\\Brelix"},
                   {BrowserAction::PressOk, ""},
                   {BrowserAction::Type, "D:\\Tools"},
                   {BrowserAction::PressOk, ""}}),
              1);
    EXPECT_EQ(chosen, "D:\\Tools");
    EXPECT_EQ(browser.okPresses, 2);
    EXPECT_FALSE(backend.files.Exists("D:\\Brelix"));
}

struct RefusedCase {
    const char* label;
    std::string typed;
};

void PrintTo(const RefusedCase& c, std::ostream* out) {
    *out << c.typed;
}

class PickerRefusesInvalidPaths : public PickerTest, public testing::WithParamInterface<RefusedCase> {};

TEST_P(PickerRefusesInvalidPaths, WarnsKeepsFocusInTheEditBoxAndStaysOpen) {
    MemoryBackend untouched;
    AddStandardDisk(untouched.files);
    EXPECT_EQ(Run({{BrowserAction::Type, GetParam().typed}, {BrowserAction::PressOk, ""}}), -1);
    EXPECT_EQ(Shown(backend.prompts.shown), (std::vector<Prompt>{{Invalid(GetParam().typed), kWarning}}));
    EXPECT_EQ(backend.prompts.shown[0].caption, "SetUp");
    EXPECT_TRUE(browser.focusInEdit);
    EXPECT_EQ(backend.files.Dump(), untouched.files.Dump());
}

INSTANTIATE_TEST_SUITE_P(Typed,
                         PickerRefusesInvalidPaths,
                         testing::Values(RefusedCase{"DriveWithoutBackslash", "D:"},
                                         RefusedCase{"TrailingBackslash", "D:\\a\\"},
                                         RefusedCase{"NameEndsWithFullStop", "D:\\a.\\b"},
                                         RefusedCase{"NameStartsWithSpace", "D:\\ a\\b"},
                                         RefusedCase{"QuestionMark", "D:\\a\\b?"},
                                         RefusedCase{"NoDriveLetter", "1:\\a"},
                                         RefusedCase{"Relative", "Brelix"}),
                         [](const testing::TestParamInfo<RefusedCase>& info) { return info.param.label; });

TEST_F(PickerTest, DriveRootIsTakenAtOnceWhenTheDriveExists) {
    EXPECT_EQ(Run({{BrowserAction::Type, "D:\\"}, {BrowserAction::PressOk, ""}}), 1);
    EXPECT_EQ(chosen, "D:\\");
    EXPECT_TRUE(backend.prompts.shown.empty());
}

TEST_F(PickerTest, MissingDriveIsOfferedThenCannotBeCreated) {
    backend.prompts.answers = {platform::kIdYes};
    EXPECT_EQ(Run({{BrowserAction::Type, "E:\\"}, {BrowserAction::PressOk, ""}}), -1);
    EXPECT_EQ(Shown(backend.prompts.shown),
              (std::vector<Prompt>{{Question("E:\\"), kQuestion}, {NotCreated("E:\\"), kWarning}}));
}

TEST_F(PickerTest, MissingFolderOnMissingDriveCannotBeCreated) {
    backend.prompts.answers = {platform::kIdYes};
    EXPECT_EQ(Run({{BrowserAction::Type, "E:\\Brelix"}, {BrowserAction::PressOk, ""}}), -1);
    EXPECT_EQ(Shown(backend.prompts.shown), (std::vector<Prompt>{{Question("E:\\Brelix"), kQuestion},
                                                                 {NotCreated("E:\\Brelix"), kWarning}}));
    EXPECT_TRUE(browser.focusInEdit);
}

TEST_F(PickerTest, NewFolderInsideAnExistingOne) {
    backend.prompts.answers = {platform::kIdYes};
    EXPECT_EQ(Run({{BrowserAction::Type, "D:\\Tools\\New Folder"}, {BrowserAction::PressOk, ""}}), 1);
    EXPECT_EQ(chosen, "D:\\Tools\\New Folder");
    EXPECT_EQ(backend.files.List("D:\\Tools"), std::vector<std::string>{"New Folder"});
}

TEST_F(PickerTest, ASelectedTreeFolderIsTakenLikeATypedOne) {
    EXPECT_EQ(Run({{BrowserAction::Select, "D:\\Tools"}, {BrowserAction::PressOk, ""}}), 1);
    EXPECT_EQ(chosen, "D:\\Tools");
}

TEST_F(PickerTest, AVirtualTreeItemEmptiesTheEditBoxAndGreysOk) {
    EXPECT_EQ(Run({{BrowserAction::Select, ""}, {BrowserAction::PressOk, ""}}), -1);
    EXPECT_EQ(browser.editText, "");
    EXPECT_FALSE(browser.okEnabled);
    EXPECT_EQ(browser.okPresses, 0);
    EXPECT_TRUE(backend.prompts.shown.empty());
}

TEST_F(PickerTest, OpensOnTheInitialFolderWithCaptionTitleAndOwner) {
    EXPECT_EQ(Run({{BrowserAction::Cancel, ""}}, "D:\\Tools"), -1);
    EXPECT_EQ(chosen, "unchanged");
    ASSERT_EQ(browser.requests.size(), 1u);
    EXPECT_EQ(browser.requests[0].caption.value_or("none"), "请选择安装目录：");
    EXPECT_EQ(browser.requests[0].title, "请选择安装目录：");
    EXPECT_EQ(browser.requests[0].initialFolder.value_or("none"), "D:\\Tools");
    EXPECT_EQ(browser.requests[0].owner, backend.prompts.active);
    EXPECT_EQ(browser.selectedAtStart, "D:\\Tools");
    EXPECT_EQ(browser.editText, "D:\\Tools");
}

TEST_F(PickerTest, WithoutInitialFolderOpensOnTheCurrentDirectory) {
    browser.currentDirectory = "D:\\Tools";
    CPathDialog picker(services, nullptr, "title", nullptr, 0x55);
    EXPECT_EQ(picker.RunModal(), -1);
    ASSERT_EQ(browser.requests.size(), 1u);
    EXPECT_FALSE(browser.requests[0].caption.has_value());
    EXPECT_FALSE(browser.requests[0].initialFolder.has_value());
    EXPECT_EQ(browser.requests[0].owner, 0x55u);
    EXPECT_EQ(browser.selectedAtStart, "D:\\Tools");
}

TEST_F(PickerTest, ABrowserThatCannotStartGivesMinusOneAndShowsNothing) {
    browser.failToStart = true;
    EXPECT_EQ(Run({{BrowserAction::Type, "D:\\Tools"}, {BrowserAction::PressOk, ""}}), -1);
    EXPECT_TRUE(backend.prompts.shown.empty());
}

TEST_F(PickerTest, ARunAfterAnAcceptedOneStartsUnaccepted) {
    CPathDialog picker(services, nullptr, "title", nullptr);
    browser.actions = {{BrowserAction::Type, "D:\\Tools"}, {BrowserAction::PressOk, ""}};
    EXPECT_EQ(picker.RunModal(), 1);
    browser.actions = {{BrowserAction::Cancel, ""}};
    EXPECT_EQ(picker.RunModal(), -1);
}

TEST(PickerCaption, IsTheProgramFileNameWithoutItsExtension) {
    MemoryBackend backend;
    backend.files.SetProgramPath("C:\\安装\\Brelix.SetUp.EXE");
    backend.prompts.answers = {platform::kIdNo};
    EXPECT_EQ(CPathDialog::ConfirmFolder(backend.files, backend.prompts, 9, "C:\\x"), -1);
    ASSERT_EQ(backend.prompts.shown.size(), 1u);
    EXPECT_EQ(backend.prompts.shown[0].caption, "Brelix.SetUp");
    EXPECT_EQ(backend.prompts.shown[0].owner, 9u);
}

}  // namespace
