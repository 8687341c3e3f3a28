// What the next run does with what a run cut off left: a journal of ours in the setup folder says
// which names in the product folder are staged and which are backups; nothing else is ever taken for
// either, and nothing in the product folder is read back as ours.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "install/file_swap.h"
#include "install_test_support.h"

namespace {

using namespace install_test;
using ::testing::ElementsAreArray;

constexpr char kProduct[] = "D:\\Tools\\Brelix结构工具箱";
constexpr char kLibrary[] = "D:\\Tools\\Brelix结构工具箱\\Brelix扩展绘图库";
constexpr char kSetup[] = "C:\\Program Files\\Brelix Setup";
const std::string kSwapJournal = install::SwapJournalPath(kSetup, kProduct);

std::string In(const std::string& folder, const std::string& name) {
    return folder + "\\" + name;
}

std::string Journal(const std::string& state,
                    const std::vector<std::string>& entries,
                    const std::vector<std::string>& installed = {}) {
    std::string text =
        "BRELIX-SWAP\r\nFOLDER\t" + std::string(kProduct) + "\r\nTAG\t1A\r\nSTATE\t" + state + "\r\n";
    for (const std::string& entry : entries)
        text += "E\t" + entry + "\r\n";
    for (const std::string& file : installed)
        text += "F\t" + file + "\r\n";
    return text + "END\r\n";
}

struct RecoveryCase {
    const char* name;
    std::function<void(MemoryBackend&)> plant;  // the journal and what the cut-off run left
    bool undo;                                  // as the uninstall asks
    bool libraryHeld;
    std::vector<std::string> product;    // "NAME=content" after the recovery, listing order
    std::vector<std::string> installed;  // "path size checksum" handed to the uninstall
};

class RecoveryTest : public ::testing::TestWithParam<RecoveryCase> {};

TEST_P(RecoveryTest, TheNextRunFinishesOrUndoesOnlyWhatTheJournalNames) {
    MemoryBackend backend;
    backend.files.AddFolder(kLibrary);
    backend.files.AddFolder(kSetup);
    backend.files.AddFile(In(kProduct, "~BX1A_9.TXT"), "the user's own");
    backend.files.AddFile(In(kProduct, "~BX1B_1.NEW"), "another tag's");
    GetParam().plant(backend);
    state::InstallJournal journal;
    std::vector<std::string> installed;
    for (const install::RecordedFile& file : install::FinishOrUndoEarlierSwap(
             backend.files, journal, {kSetup}, kProduct, kLibrary, GetParam().libraryHeld, GetParam().undo))
        installed.push_back(file.path + " " + std::to_string(file.size) + " " + std::to_string(file.crc));

    std::vector<std::string> product;
    for (const std::string& name : backend.files.List(kProduct)) {
        if (name != "Brelix扩展绘图库")
            product.push_back(name + "=" + backend.files.ReadFile(In(kProduct, name)).value_or("?"));
    }
    EXPECT_THAT(product, ElementsAreArray(GetParam().product));
    EXPECT_THAT(installed, ElementsAreArray(GetParam().installed));
}

// A swap done and its backups going, before the record names the new files.
void Done(MemoryBackend& b, const std::string& firstFile, const char* state = "DONE") {
    b.files.AddFile(In(kProduct, "A.ARX"), "new A");
    b.files.AddFile(In(kProduct, "~BX1A_1.OLD"), "old A");
    b.files.AddFile(kSwapJournal, Journal(state, {"0\t1\tA.ARX\t~BX1A_1.NEW\t~BX1A_1.OLD"},
                                          {firstFile, "1\t梁.SJY\t12\t0000000A"}));
}

// A.ARX was swapped already (its backup holds the old one), B.ARX not yet (still staged).
void HalfSwapped(MemoryBackend& b) {
    b.files.AddFile(In(kProduct, "A.ARX"), "new A");
    b.files.AddFile(In(kProduct, "~BX1A_1.OLD"), "old A");
    b.files.AddFile(In(kProduct, "B.ARX"), "old B");
    b.files.AddFile(In(kProduct, "~BX1A_2.NEW"), "new B");
    b.files.AddFile(kSwapJournal, Journal("SWAPPING", {"0\t1\tA.ARX\t~BX1A_1.NEW\t~BX1A_1.OLD",
                                                       "0\t1\tB.ARX\t~BX1A_2.NEW\t~BX1A_2.OLD"}));
}

const std::vector<std::string> kLeftAlone = {"~BX1A_9.TXT=the user's own", "~BX1B_1.NEW=another tag's"};

std::vector<std::string> With(std::vector<std::string> lines) {
    lines.insert(lines.end(), kLeftAlone.begin(), kLeftAlone.end());
    return lines;
}

INSTANTIATE_TEST_SUITE_P(
    Journals,
    RecoveryTest,
    ::testing::Values(
        RecoveryCase{"StagingIsDeleted",
                     [](MemoryBackend& b) {
                         b.files.AddFile(In(kProduct, "A.ARX"), "old A");
                         b.files.AddFile(In(kProduct, "~BX1A_1.NEW"), "half");
                         b.files.AddFile(In(kLibrary, "~BX1A_2.NEW"), "half");
                         b.files.AddFile(kSwapJournal, Journal("STAGING", {}));
                     },
                     false,
                     true,
                     With({"A.ARX=old A"}),
                     {}},
        RecoveryCase{"HalfASwapIsFinished",
                     HalfSwapped,
                     false,
                     true,
                     With({"A.ARX=new A", "B.ARX=new B"}),
                     {}},
        RecoveryCase{"HalfASwapIsUndoneForTheUninstall",
                     HalfSwapped,
                     true,
                     true,
                     With({"A.ARX=old A", "B.ARX=old B"}),
                     {}},
        RecoveryCase{"AStagedFileGoneUndoesTheSwap",
                     [](MemoryBackend& b) {
                         HalfSwapped(b);
                         b.files.DeleteFile(In(kProduct, "~BX1A_2.NEW"));
                     },
                     false,
                     true,
                     With({"A.ARX=old A", "B.ARX=old B"}),
                     {}},
        RecoveryCase{"BackupsOfAFinishedSwapGo",
                     [](MemoryBackend& b) {
                         b.files.AddFile(In(kProduct, "A.ARX"), "new A");
                         b.files.AddFile(In(kProduct, "~BX1A_1.OLD"), "old A");
                         b.files.AddFile(kSwapJournal,
                                         Journal("CLEANING", {"0\t1\tA.ARX\t~BX1A_1.NEW\t~BX1A_1.OLD"}));
                     },
                     false,
                     true,
                     With({"A.ARX=new A"}),
                     {}},
        // The uninstall's record still describes the old files: the journal names the new ones.
        RecoveryCase{"ADoneSwapNamesItsNewFiles",
                     [](MemoryBackend& b) { Done(b, "0\tA.ARX\t5\t0000ABCD"); },
                     true,
                     true,
                     With({"A.ARX=new A"}),
                     {"A.ARX 5 43981", "Brelix扩展绘图库\\梁.SJY 12 10"}},
        RecoveryCase{"AChecksumOfAnotherFormIsNoJournalOfOurs",
                     [](MemoryBackend& b) { Done(b, "0\tA.ARX\t5\t0000abcd"); },
                     true,
                     true,
                     With({"A.ARX=new A", "~BX1A_1.OLD=old A"}),
                     {}},
        RecoveryCase{"AShortChecksumIsNoJournalOfOurs",
                     [](MemoryBackend& b) { Done(b, "0\tA.ARX\t5\tABCD"); },
                     true,
                     true,
                     With({"A.ARX=new A", "~BX1A_1.OLD=old A"}),
                     {}},
        RecoveryCase{"ANameWithALevelIsNoJournalOfOurs",
                     [](MemoryBackend& b) { Done(b, "0\t..\\A.ARX\t5\t0000ABCD"); },
                     true,
                     true,
                     With({"A.ARX=new A", "~BX1A_1.OLD=old A"}),
                     {}},
        RecoveryCase{"NewFilesAreNamedOnlyBeforeTheRecord",
                     [](MemoryBackend& b) { Done(b, "0\tA.ARX\t5\t0000ABCD", "CLEANING"); },
                     true,
                     true,
                     With({"A.ARX=new A", "~BX1A_1.OLD=old A"}),
                     {}},
        // The product folder is every user's: a journal-shaped file there is theirs, never read.
        RecoveryCase{"AJournalInTheProductFolderIsTheUsersFile",
                     [](MemoryBackend& b) {
                         b.files.AddFile(In(kProduct, "~BX1A_1.NEW"), "staged");
                         b.files.AddFile(In(kProduct, "~BrelixSetup.swp"), Journal("STAGING", {}));
                     },
                     false,
                     true,
                     With({"~BrelixSetup.swp=" + Journal("STAGING", {}), "~BX1A_1.NEW=staged"}),
                     {}},
        RecoveryCase{"AnotherFoldersJournalUnderTheSameNameIsLeftAlone",
                     [](MemoryBackend& b) {
                         b.files.AddFile(In(kProduct, "~BX1A_1.NEW"), "staged");
                         b.files.AddFile(kSwapJournal,
                                         "BRELIX-SWAP\r\nFOLDER\tD:\\Other\r\nTAG\t1A\r\n"
                                         "STATE\tSTAGING\r\nEND\r\n");
                     },
                     false,
                     true,
                     With({"~BX1A_1.NEW=staged"}),
                     {}},
        RecoveryCase{"AJournalThatIsNotOursIsDeletedAlone",
                     [](MemoryBackend& b) {
                         b.files.AddFile(In(kProduct, "~BX1A_1.NEW"), "staged");
                         b.files.AddFile(kSwapJournal, "BRELIX-SWAP\r\nTAG\t1A\r\n");
                     },
                     false,
                     true,
                     With({"~BX1A_1.NEW=staged"}),
                     {}},
        // A staged name made a second name of another file is not put in place: the swap is undone.
        RecoveryCase{"AStagedFileWithASecondNameUndoesTheSwap",
                     [](MemoryBackend& b) {
                         HalfSwapped(b);
                         b.files.DeleteFile(In(kProduct, "~BX1A_2.NEW"));
                         b.files.AddFile("C:\\Windows\\secret.ini", "secret");
                         b.files.AddHardLink(In(kProduct, "~BX1A_2.NEW"), "C:\\Windows\\secret.ini");
                     },
                     false,
                     true,
                     With({"A.ARX=old A", "B.ARX=old B"}),
                     {}},
        // A library that could not be held: nothing of the journal is done, and it stays.
        RecoveryCase{"ALibraryNotHeldLeavesTheWholeJournal",
                     [](MemoryBackend& b) {
                         HalfSwapped(b);
                         b.files.AddFile(kSwapJournal,
                                         Journal("SWAPPING", {"0\t1\tA.ARX\t~BX1A_1.NEW\t~BX1A_1.OLD",
                                                              "1\t0\tL.SJY\t~BX1A_2.NEW\t~BX1A_2.OLD"}));
                     },
                     false,
                     false,
                     With({"A.ARX=new A", "B.ARX=old B", "~BX1A_1.OLD=old A", "~BX1A_2.NEW=new B"}),
                     {}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// A swap cut off after each of its calls in turn, then the next run: every file is there, all new or
// all old, and nothing staged or backed up is left.
TEST(CutSwap, TheNextRunLeavesAllNewOrAllOld) {
    for (long cut = 1;; ++cut) {
        MemoryBackend backend;
        backend.files.AddFolder(kLibrary);
        backend.files.AddFolder(kSetup);
        for (const char* name : {"A.ARX", "B.ARX"}) {
            backend.files.AddFile(In(kProduct, name), std::string("old ") + name);
            backend.files.AddFile(In("C:\\Data", name), std::string("new ") + name);
        }
        state::InstallJournal journal;
        install::FileSwap swap(backend.files, journal, kProduct, kLibrary, kSetup);
        ASSERT_TRUE(swap.Begin(0x1A));
        platform::ContentCheck copied;
        for (const char* name : {"A.ARX", "B.ARX"})
            ASSERT_TRUE(swap.StageCopy(kProduct, name, true, In("C:\\Data", name), copied));
        backend.failures.StopAtCheck(backend.failures.CheckCount() + cut);
        const bool swapped = swap.Swap();
        backend.failures.StopAtCheck(0);
        install::FinishOrUndoEarlierSwap(backend.files, journal, {kSetup}, kProduct, kLibrary, true);
        // A finished swap's new files stay named, in a journal of nothing else, till a run carries
        // them on; recovered once more (as the uninstall does), that journal changes no file.
        install::FinishOrUndoEarlierSwap(backend.files, journal, {kSetup}, kProduct, kLibrary, true, true);
        const auto a = backend.files.ReadFile(In(kProduct, "A.ARX"));
        const auto b = backend.files.ReadFile(In(kProduct, "B.ARX"));
        ASSERT_TRUE(a && b) << "cut at " << cut;
        EXPECT_EQ(a->substr(0, 3), b->substr(0, 3)) << "cut at " << cut << ": " << *a << ", " << *b;
        EXPECT_THAT(backend.files.List(kProduct),
                    ::testing::ElementsAre("A.ARX", "B.ARX", "Brelix扩展绘图库"))
            << "cut at " << cut;
        if (swapped)
            break;
    }
}

// A swap done, its run cut off before its record: the uninstall learns from the journal the shipped
// files now in place, as written, and never a kept file of the user's staged beside them.
TEST(CutSwap, UntilTheRecordTheJournalNamesTheShippedFilesAlone) {
    MemoryBackend backend;
    backend.files.AddFolder(kLibrary);
    backend.files.AddFolder(kSetup);
    backend.files.AddFile(In(kProduct, "A.ARX"), "old A");
    backend.files.AddFile("C:\\Data\\A.ARX", "new A");
    backend.files.AddFile("C:\\Earlier\\MY.CFG", "my settings");
    state::InstallJournal journal;
    install::FileSwap swap(backend.files, journal, kProduct, kLibrary, kSetup);
    ASSERT_TRUE(swap.Begin(0x1A));
    platform::ContentCheck copied;
    ASSERT_TRUE(swap.StageCopy(kProduct, "A.ARX", true, "C:\\Data\\A.ARX", copied));
    const auto kept = backend.files.OpenToRead("C:\\Earlier\\MY.CFG");
    ASSERT_TRUE(kept && swap.StageOpened(kProduct, "MY.CFG", false, *kept, copied));
    ASSERT_TRUE(swap.Swap());
    swap.DeleteBackups();

    std::vector<std::string> installed;
    for (const install::RecordedFile& file :
         install::FinishOrUndoEarlierSwap(backend.files, journal, {kSetup}, kProduct, kLibrary, true, true))
        installed.push_back(file.path + " " + std::to_string(file.size) + " " + std::to_string(file.crc));
    EXPECT_THAT(installed, ElementsAreArray({"A.ARX 5 " + std::to_string(platform::Crc32("new A"))}));
    EXPECT_THAT(backend.files.List(kProduct), ::testing::ElementsAre("A.ARX", "Brelix扩展绘图库", "MY.CFG"));
}

}  // namespace
