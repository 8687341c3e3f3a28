// The file transaction and what the next run does with what a run cut off left: a journal of ours in
// the setup folder says which names in the product folder are staged and which are backups; nothing
// else is ever taken for either, nothing in the product folder is read back as ours, and the
// recovery undoes a change exactly as the run itself would have.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "files/file_transaction.h"
#include "files/recovery.h"
#include "install_test_support.h"

namespace {

using namespace install_test;
using ::testing::ElementsAreArray;

constexpr char kProduct[] = "D:\\Tools\\Brelix结构工具箱";
constexpr char kLibrary[] = "D:\\Tools\\Brelix结构工具箱\\Brelix扩展绘图库";
constexpr char kSetup[] = "C:\\Program Files\\Brelix Setup";
const std::string kSwapJournal = files::SwapJournalPath(kSetup, kProduct);

std::string In(const std::string& folder, const std::string& name) {
    return folder + "\\" + name;
}

std::string Journal(const std::string& phase,
                    const std::vector<std::string>& entries,
                    const std::vector<std::string>& installed = {},
                    const std::vector<std::string>& created = {}) {
    std::string text =
        "BRELIX-SWAP\r\nFOLDER\t" + std::string(kProduct) + "\r\nTAG\t1A\r\nPHASE\t" + phase + "\r\n";
    for (const std::string& entry : entries)
        text += "E\t" + entry + "\r\n";
    for (const std::string& file : created)
        text += "N\t" + file + "\r\n";
    for (const std::string& file : installed)
        text += "F\t" + file + "\r\n";
    return text + "END\r\n";
}

std::vector<files::RecordedFile> Recover(MemoryBackend& backend,
                                         state::InstallJournal& log,
                                         files::Recovery recovery,
                                         bool libraryHeld = true) {
    return files::RecoverEarlierSwap(backend.files, backend.environment, log,
                                     {{kSetup}, kProduct, kLibrary, libraryHeld}, recovery);
}

// "NAME=content" of each file of the product folder, in listing order.
std::vector<std::string> ProductFiles(MemoryBackend& backend) {
    std::vector<std::string> product;
    for (const std::string& name : backend.files.List(kProduct)) {
        if (name != "Brelix扩展绘图库")
            product.push_back(name + "=" + backend.files.ReadFile(In(kProduct, name)).value_or("?"));
    }
    return product;
}

struct RecoveryCase {
    const char* name;
    std::function<void(MemoryBackend&)> plant;  // the journal and what the cut-off run left
    files::Recovery recovery;
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
    state::InstallJournal log;
    std::vector<std::string> installed;
    for (const files::RecordedFile& file : Recover(backend, log, GetParam().recovery, GetParam().libraryHeld))
        installed.push_back(file.path + " " + std::to_string(file.size) + " " + std::to_string(file.crc));
    EXPECT_THAT(ProductFiles(backend), ElementsAreArray(GetParam().product));
    EXPECT_THAT(installed, ElementsAreArray(GetParam().installed));
}

// A swap done and its backups going, before the record names the new files.
void Swapped(MemoryBackend& b, const std::string& firstFile, const char* phase = "SWAPPED") {
    b.files.AddFile(In(kProduct, "A.ARX"), "new A");
    b.files.AddFile(In(kProduct, "~BX1A_1.OLD"), "old A");
    b.files.AddFile(kSwapJournal, Journal(phase, {"0\t1\tA.ARX\t~BX1A_1.NEW\t~BX1A_1.OLD"},
                                          {firstFile, "Brelix扩展绘图库\\梁.SJY\t12\t0000000A"}));
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

// HalfSwapped, and C.ARX written under its own name with `content`, listed as "new C" once written.
void HalfSwappedWithNew(MemoryBackend& b, const std::string& content) {
    HalfSwapped(b);
    b.files.AddFile(In(kProduct, "C.ARX"), content);
    b.files.AddFile(
        kSwapJournal,
        Journal("SWAPPING",
                {"0\t1\tA.ARX\t~BX1A_1.NEW\t~BX1A_1.OLD", "0\t1\tB.ARX\t~BX1A_2.NEW\t~BX1A_2.OLD"}, {},
                {"0\tC.ARX\t5\t" + files::ChecksumText(platform::Crc32("new C"))}));
}

const std::vector<std::string> kLeftAlone = {"~BX1A_9.TXT=the user's own", "~BX1B_1.NEW=another tag's"};

std::vector<std::string> With(std::vector<std::string> lines) {
    lines.insert(lines.end(), kLeftAlone.begin(), kLeftAlone.end());
    return lines;
}

using files::Recovery;

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
                     Recovery::FinishOrUndo,
                     true,
                     With({"A.ARX=old A"}),
                     {}},
        RecoveryCase{"HalfASwapIsFinished",
                     HalfSwapped,
                     Recovery::FinishOrUndo,
                     true,
                     With({"A.ARX=new A", "B.ARX=new B"}),
                     {}},
        RecoveryCase{"HalfASwapIsUndoneForTheUninstall",
                     HalfSwapped,
                     Recovery::Undo,
                     true,
                     With({"A.ARX=old A", "B.ARX=old B"}),
                     {}},
        RecoveryCase{"AStagedFileGoneUndoesTheSwap",
                     [](MemoryBackend& b) {
                         HalfSwapped(b);
                         b.files.DeleteFile(In(kProduct, "~BX1A_2.NEW"));
                     },
                     Recovery::FinishOrUndo,
                     true,
                     With({"A.ARX=old A", "B.ARX=old B"}),
                     {}},
        RecoveryCase{"BackupsOfAFinishedSwapGo",
                     [](MemoryBackend& b) {
                         b.files.AddFile(In(kProduct, "A.ARX"), "new A");
                         b.files.AddFile(In(kProduct, "~BX1A_1.OLD"), "old A");
                         b.files.AddFile(kSwapJournal,
                                         Journal("RECORDED", {"0\t1\tA.ARX\t~BX1A_1.NEW\t~BX1A_1.OLD"}));
                     },
                     Recovery::FinishOrUndo,
                     true,
                     With({"A.ARX=new A"}),
                     {}},
        // The uninstall's record still describes the old files: the journal names the new ones.
        RecoveryCase{"ASwappedJournalNamesItsNewFiles",
                     [](MemoryBackend& b) { Swapped(b, "A.ARX\t5\t0000ABCD"); },
                     Recovery::Undo,
                     true,
                     With({"A.ARX=new A"}),
                     {"A.ARX 5 43981", "Brelix扩展绘图库\\梁.SJY 12 10"}},
        RecoveryCase{"AChecksumInSmallLettersReadsTheSame",
                     [](MemoryBackend& b) { Swapped(b, "A.ARX\t5\t0000abcd"); },
                     Recovery::Undo,
                     true,
                     With({"A.ARX=new A"}),
                     {"A.ARX 5 43981", "Brelix扩展绘图库\\梁.SJY 12 10"}},
        RecoveryCase{"AShortChecksumIsNoJournalOfOurs",
                     [](MemoryBackend& b) { Swapped(b, "A.ARX\t5\tABCD"); },
                     Recovery::Undo,
                     true,
                     With({"A.ARX=new A", "~BX1A_1.OLD=old A"}),
                     {}},
        RecoveryCase{"ANameWithALevelUpIsNoJournalOfOurs",
                     [](MemoryBackend& b) { Swapped(b, "..\\A.ARX\t5\t0000ABCD"); },
                     Recovery::Undo,
                     true,
                     With({"A.ARX=new A", "~BX1A_1.OLD=old A"}),
                     {}},
        RecoveryCase{"NewFilesAreNamedOnlyBeforeTheRecord",
                     [](MemoryBackend& b) { Swapped(b, "A.ARX\t5\t0000ABCD", "RECORDED"); },
                     Recovery::Undo,
                     true,
                     With({"A.ARX=new A", "~BX1A_1.OLD=old A"}),
                     {}},
        // The product folder is every user's: a journal-shaped file there is theirs, never read.
        RecoveryCase{"AJournalInTheProductFolderIsTheUsersFile",
                     [](MemoryBackend& b) {
                         b.files.AddFile(In(kProduct, "~BX1A_1.NEW"), "staged");
                         b.files.AddFile(In(kProduct, "~BrelixSetup.swp"), Journal("STAGING", {}));
                     },
                     Recovery::FinishOrUndo,
                     true,
                     With({"~BrelixSetup.swp=" + Journal("STAGING", {}), "~BX1A_1.NEW=staged"}),
                     {}},
        RecoveryCase{"AnotherFoldersJournalUnderTheSameNameIsLeftAlone",
                     [](MemoryBackend& b) {
                         b.files.AddFile(In(kProduct, "~BX1A_1.NEW"), "staged");
                         b.files.AddFile(kSwapJournal,
                                         "BRELIX-SWAP\r\nFOLDER\tD:\\Other\r\nTAG\t1A\r\n"
                                         "PHASE\tSTAGING\r\nEND\r\n");
                     },
                     Recovery::FinishOrUndo,
                     true,
                     With({"~BX1A_1.NEW=staged"}),
                     {}},
        RecoveryCase{"AJournalThatIsNotOursIsDeletedAlone",
                     [](MemoryBackend& b) {
                         b.files.AddFile(In(kProduct, "~BX1A_1.NEW"), "staged");
                         b.files.AddFile(kSwapJournal, "BRELIX-SWAP\r\nTAG\t1A\r\n");
                     },
                     Recovery::FinishOrUndo,
                     true,
                     With({"~BX1A_1.NEW=staged"}),
                     {}},
        // Only the staged and backup names of the journal's own tag are its to rename or delete:
        // a user's file, another tag's or a name of another form is never taken for either.
        RecoveryCase{"AnEntryNamingAUsersFileAsStagedIsNoJournalOfOurs",
                     [](MemoryBackend& b) {
                         HalfSwapped(b);
                         b.files.AddFile(kSwapJournal,
                                         Journal("SWAPPING", {"0\t1\tA.ARX\t~BX1A_1.NEW\t~BX1A_1.OLD",
                                                              "0\t1\tB.ARX\t~BX1B_1.NEW\t~BX1A_2.OLD"}));
                     },
                     Recovery::FinishOrUndo,
                     true,
                     With({"A.ARX=new A", "B.ARX=old B", "~BX1A_1.OLD=old A", "~BX1A_2.NEW=new B"}),
                     {}},
        RecoveryCase{"AnEntryNamingAUsersFileAsBackupIsNoJournalOfOurs",
                     [](MemoryBackend& b) {
                         HalfSwapped(b);
                         b.files.AddFile(kSwapJournal,
                                         Journal("SWAPPING", {"0\t1\tA.ARX\t~BX1A_1.NEW\t~BX1A_9.TXT",
                                                              "0\t1\tB.ARX\t~BX1A_2.NEW\t~BX1A_2.OLD"}));
                     },
                     Recovery::Undo,
                     true,
                     With({"A.ARX=new A", "B.ARX=old B", "~BX1A_1.OLD=old A", "~BX1A_2.NEW=new B"}),
                     {}},
        RecoveryCase{"AnEntryNamingAPlainFileIsNoJournalOfOurs",
                     [](MemoryBackend& b) {
                         b.files.AddFile(In(kProduct, "A.ARX"), "new A");
                         b.files.AddFile(In(kProduct, "MY.CFG"), "my settings");
                         b.files.AddFile(kSwapJournal,
                                         Journal("RECORDED", {"0\t1\tA.ARX\t~BX1A_1.NEW\tMY.CFG"}));
                     },
                     Recovery::FinishOrUndo,
                     true,
                     With({"A.ARX=new A", "MY.CFG=my settings"}),
                     {}},
        RecoveryCase{"AnEntryWithoutANumberIsNoJournalOfOurs",
                     [](MemoryBackend& b) {
                         b.files.AddFile(In(kProduct, "A.ARX"), "new A");
                         b.files.AddFile(In(kProduct, "~BX1A_.OLD"), "the user's");
                         b.files.AddFile(kSwapJournal,
                                         Journal("RECORDED", {"0\t1\tA.ARX\t~BX1A_1.NEW\t~BX1A_.OLD"}));
                     },
                     Recovery::FinishOrUndo,
                     true,
                     With({"A.ARX=new A", "~BX1A_.OLD=the user's"}),
                     {}},
        // A staged name made a second name of another file is not put in place: the swap is undone.
        RecoveryCase{"AStagedFileWithASecondNameUndoesTheSwap",
                     [](MemoryBackend& b) {
                         HalfSwapped(b);
                         b.files.DeleteFile(In(kProduct, "~BX1A_2.NEW"));
                         b.files.AddFile("C:\\Windows\\secret.ini", "secret");
                         b.files.AddHardLink(In(kProduct, "~BX1A_2.NEW"), "C:\\Windows\\secret.ini");
                     },
                     Recovery::FinishOrUndo,
                     true,
                     With({"A.ARX=old A", "B.ARX=old B"}),
                     {}},
        // Files a staging wrote under their own names go where they can be the run's: its own plain
        // file, no larger than the journal says; a larger one or a second name of another is not ours.
        RecoveryCase{"AStagingDeletesOnlyTheNewFilesItCanHaveLeft",
                     [](MemoryBackend& b) {
                         b.files.AddFile(In(kProduct, "A.ARX"), "old A");
                         b.files.AddFile(In(kProduct, "C.ARX"), "half");
                         b.files.AddFile(In(kProduct, "D.ARX"), "the user's");
                         b.files.AddFile("C:\\Windows\\secret.ini", "secret");
                         b.files.AddHardLink(In(kProduct, "E.ARX"), "C:\\Windows\\secret.ini");
                         b.files.AddFile(kSwapJournal, Journal("STAGING", {}, {},
                                                               {"0\tC.ARX\t9", "0\tD.ARX\t3", "0\tE.ARX\t9",
                                                                "0\tF.ARX\t9"}));
                     },
                     Recovery::FinishOrUndo,
                     true,
                     With({"A.ARX=old A", "D.ARX=the user's", "E.ARX=secret"}),
                     {}},
        RecoveryCase{"HalfASwapWithAWholeNewFileIsFinished",
                     [](MemoryBackend& b) { HalfSwappedWithNew(b, "new C"); },
                     Recovery::FinishOrUndo,
                     true,
                     With({"A.ARX=new A", "B.ARX=new B", "C.ARX=new C"}),
                     {}},
        RecoveryCase{"HalfASwapWithANewFileIsUndoneForTheUninstall",
                     [](MemoryBackend& b) { HalfSwappedWithNew(b, "new C"); },
                     Recovery::Undo,
                     true,
                     With({"A.ARX=old A", "B.ARX=old B"}),
                     {}},
        // Another file of the same size in its place since: the swap is undone, and that file stays.
        RecoveryCase{"ANewFileReplacedSinceUndoesTheSwapAndStays",
                     [](MemoryBackend& b) { HalfSwappedWithNew(b, "my C!"); },
                     Recovery::FinishOrUndo,
                     true,
                     With({"A.ARX=old A", "B.ARX=old B", "C.ARX=my C!"}),
                     {}},
        // A library that could not be held: nothing of the journal is done, and it stays.
        RecoveryCase{"ALibraryNotHeldLeavesTheWholeJournal",
                     [](MemoryBackend& b) {
                         HalfSwapped(b);
                         b.files.AddFile(kSwapJournal,
                                         Journal("SWAPPING", {"0\t1\tA.ARX\t~BX1A_1.NEW\t~BX1A_1.OLD",
                                                              "1\t0\tL.SJY\t~BX1A_2.NEW\t~BX1A_2.OLD"}));
                     },
                     Recovery::FinishOrUndo,
                     false,
                     With({"A.ARX=new A", "B.ARX=old B", "~BX1A_1.OLD=old A", "~BX1A_2.NEW=new B"}),
                     {}}),
    [](const auto& info) { return std::string(info.param.name); });

// A.ARX (an old file), B.ARX (a link to a file of the system's, listed as one) and C.ARX (new),
// staged for a commit.
struct Staged {
    MemoryBackend backend;
    state::InstallJournal log;
    files::FileTransaction transaction{backend.files,
                                       backend.environment,
                                       log,
                                       {kProduct, kLibrary, kSetup},
                                       {}};

    Staged() {
        backend.files.AddFolder(kLibrary);
        backend.files.AddFolder(kSetup);
        backend.files.AddFile("C:\\Windows\\system.ini", "the system's");
        backend.files.AddFile(In(kProduct, "A.ARX"), "old A");
        backend.files.AddLink(In(kProduct, "B.ARX"), "C:\\Windows\\system.ini", false);
        for (const char* name : {"A.ARX", "B.ARX", "C.ARX"})
            backend.files.AddFile(In("C:\\Data", name), std::string("new ") + name);
        EXPECT_TRUE(transaction.Begin(0x1A));
        const std::pair<const char*, files::OldFile> staged[] = {{"A.ARX", files::OldFile::File},
                                                                 {"B.ARX", files::OldFile::Link},
                                                                 {"C.ARX", files::OldFile::None}};
        for (const auto& [name, old] : staged) {
            platform::ContentCheck copied;
            const auto from = backend.files.OpenToRead(In("C:\\Data", name));
            EXPECT_TRUE(from && transaction.Stage(kProduct, name, old, *from, copied, true));
        }
    }
    // The product folder and the system's file, as a user would find them.
    std::string Tree() {
        std::string tree;
        for (const std::string& file : ProductFiles(backend))
            tree += file + "\n";
        return tree + "system.ini=" + backend.files.ReadFile("C:\\Windows\\system.ini").value_or("gone");
    }
};

// A commit cut off after each of its calls in turn, then the next run: every file is there, all new
// or all old, nothing staged or backed up is left, and a file a link led to is never touched. Where
// the same call failed instead, the run's own rollback leaves the very tree the uninstall's recovery
// of the cut-off run leaves: the two undo through the same changes, the dropped link included.
TEST(CutCommit, TheNextRunLeavesAllNewOrAllOldAndUndoesAsTheRunItselfWould) {
    for (long cut = 1;; ++cut) {
        Staged cutOff;
        cutOff.backend.failures.StopAtCheck(cutOff.backend.failures.CheckCount() + cut);
        const bool committed = static_cast<bool>(cutOff.transaction.Commit());
        cutOff.backend.failures.StopAtCheck(0);

        Staged failing;
        failing.backend.failures.FailCheck(failing.backend.failures.CheckCount() + cut);
        if (!failing.transaction.Commit()) {
            failing.backend.failures.FailCheck(0);
            // All old: no new file stays, also not where a link stood (which is not brought back once gone).
            const std::string undone = failing.Tree();
            EXPECT_EQ(undone.find("new "), std::string::npos) << "call " << cut << ":\n" << undone;
            EXPECT_EQ(undone.find("~BX"), std::string::npos) << "call " << cut << ":\n" << undone;
            Staged recovered;
            recovered.backend.failures.StopAtCheck(recovered.backend.failures.CheckCount() + cut);
            (void)recovered.transaction.Commit();
            recovered.backend.failures.StopAtCheck(0);
            Recover(recovered.backend, recovered.log, Recovery::Undo);
            EXPECT_EQ(failing.Tree(), recovered.Tree()) << "call " << cut;
        }

        Recover(cutOff.backend, cutOff.log, Recovery::FinishOrUndo);
        // Recovered once more (as the uninstall does), a journal of only the new files changes nothing.
        Recover(cutOff.backend, cutOff.log, Recovery::Undo);
        const std::string tree = cutOff.Tree();
        const bool allNew =
            tree == "A.ARX=new A.ARX\nB.ARX=new B.ARX\nC.ARX=new C.ARX\nsystem.ini=the system's";
        const bool allOld = tree.rfind("A.ARX=old A\n", 0) == 0 && tree.find("C.ARX") == std::string::npos &&
                            tree.find("~BX") == std::string::npos && tree.find("new ") == std::string::npos;
        EXPECT_TRUE(allNew || allOld) << "cut at " << cut << ":\n" << tree;
        EXPECT_NE(tree.find("system.ini=the system's"), std::string::npos) << "cut at " << cut;
        if (committed)
            break;
        ASSERT_LT(cut, 500);
    }
}

// A commit done, its run cut off before its record: the uninstall learns from the journal the shipped
// files now in place, as written, and never a kept file of the user's staged beside them.
TEST(CutCommit, UntilTheRecordTheJournalNamesTheShippedFilesAlone) {
    MemoryBackend backend;
    backend.files.AddFolder(kLibrary);
    backend.files.AddFolder(kSetup);
    backend.files.AddFile(In(kProduct, "A.ARX"), "old A");
    backend.files.AddFile("C:\\Data\\A.ARX", "new A");
    backend.files.AddFile("C:\\Earlier\\MY.CFG", "my settings");
    state::InstallJournal log;
    files::FileTransaction transaction(backend.files, backend.environment, log, {kProduct, kLibrary, kSetup},
                                       {});
    ASSERT_TRUE(transaction.Begin(0x1A));
    platform::ContentCheck copied;
    const auto shipped = backend.files.OpenToRead("C:\\Data\\A.ARX");
    ASSERT_TRUE(shipped &&
                transaction.Stage(kProduct, "A.ARX", files::OldFile::File, *shipped, copied, true));
    const auto kept = backend.files.OpenToRead("C:\\Earlier\\MY.CFG");
    ASSERT_TRUE(kept && transaction.Stage(kProduct, "MY.CFG", files::OldFile::None, *kept, copied, false));
    ASSERT_TRUE(transaction.Commit());
    transaction.DeleteBackups();

    std::vector<std::string> installed;
    for (const files::RecordedFile& file : Recover(backend, log, Recovery::Undo))
        installed.push_back(file.path + " " + std::to_string(file.size) + " " + std::to_string(file.crc));
    EXPECT_THAT(installed, ElementsAreArray({"A.ARX 5 " + std::to_string(platform::Crc32("new A"))}));
    EXPECT_THAT(backend.files.List(kProduct), ::testing::ElementsAre("A.ARX", "Brelix扩展绘图库", "MY.CFG"));
}

// A swap that fails names the file and gives the system's words for the very call that failed, not
// for one of the calls after it (each of which here leaves "file not found" behind), and is undone.
TEST(CutCommit, AFailedSwapGivesTheSystemsWordsForTheCallThatFailed) {
    const platform::SystemError inUse{32, "另一个程序正在使用此文件，进程无法访问。"};
    const platform::SystemError notFound{2, "系统找不到指定的文件。"};
    const std::string replaceRefused = "无法替换（文件正在使用或没有权限）";
    const struct {
        Operation op;
        std::string path;
        std::string failedOn;
        std::string words;
    } cases[] = {
        {Operation::WriteFile, kSwapJournal + ".new", kSwapJournal, "无法写入安装日志文件"},
        {Operation::MoveFile, kSwapJournal + ".new", kSwapJournal, "无法写入安装日志文件"},
        {Operation::MoveFile, In(kProduct, "A.ARX"), In(kProduct, "A.ARX"), replaceRefused},
        {Operation::OpenFile, In(kProduct, "~BX1A_2.NEW"), In(kProduct, "B.ARX"),
         "无法打开暂存的新文件 " + In(kProduct, "~BX1A_2.NEW")},
        {Operation::MoveFile, In(kProduct, "~BX1A_3.NEW"), In(kProduct, "C.ARX"), replaceRefused},
    };
    for (const auto& c : cases) {
        Staged staged;
        staged.backend.failures.Fail(c.op, c.path, 1);
        staged.backend.failures.AfterEveryCheck(
            [&](bool failed) { staged.backend.environment.lastError = failed ? inUse : notFound; });
        const files::FileResult result = staged.transaction.Commit();
        staged.backend.failures.AfterEveryCheck(nullptr);
        EXPECT_FALSE(result) << c.path;
        EXPECT_EQ(result.Path(), c.failedOn) << c.path;
        EXPECT_EQ(result.Why(), c.words + platform::DescribeSystemError(inUse)) << c.path;
        const std::string tree = staged.Tree();
        EXPECT_EQ(tree.rfind("A.ARX=old A\n", 0), 0u) << c.path << ":\n" << tree;
        EXPECT_EQ(tree.find("new "), std::string::npos) << c.path << ":\n" << tree;
        EXPECT_EQ(tree.find("~BX"), std::string::npos) << c.path << ":\n" << tree;
    }
}

// A journal that cannot be written before the swap stops it with nothing changed; an undo that cannot
// put an old file back keeps the journal, and the next run finishes the undo from it. A journal is
// found whatever the letter case the product folder is spelt in.
TEST(CutCommit, WhatTheJournalCannotSayIsNotDoneAndWhatCannotBeUndoneStaysInIt) {
    EXPECT_EQ(files::SwapJournalPath(kSetup, "d:\\tools\\brelix结构工具箱\\"), kSwapJournal);

    Staged unwritten;
    unwritten.backend.failures.Fail(Operation::WriteFile, kSwapJournal + ".new", 1);
    EXPECT_FALSE(unwritten.transaction.Commit());
    EXPECT_EQ(unwritten.Tree(), "A.ARX=old A\nB.ARX=the system's\nsystem.ini=the system's");
    EXPECT_THAT(unwritten.backend.files.List(kProduct),
                ElementsAreArray({"A.ARX", "B.ARX", "Brelix扩展绘图库"}));

    Staged stuck;
    stuck.backend.files.Lock(In(kProduct, "~BX1A_3.NEW"));  // C.ARX's commit fails
    bool armed = false;
    stuck.backend.failures.BeforeEveryCheck([&](long) {
        // Once A.ARX is committed, its way back is refused once.
        if (!armed && stuck.backend.files.ReadFile(In(kProduct, "A.ARX")) == "new A.ARX") {
            stuck.backend.failures.Fail(Operation::MoveFile, In(kProduct, "~BX1A_1.OLD"), 1);
            armed = true;
        }
    });
    EXPECT_FALSE(stuck.transaction.Commit());
    EXPECT_TRUE(stuck.backend.files.Exists(kSwapJournal));
    stuck.backend.failures.BeforeEveryCheck(nullptr);
    stuck.backend.files.Unlock(In(kProduct, "~BX1A_3.NEW"));
    Recover(stuck.backend, stuck.log, Recovery::FinishOrUndo);
    EXPECT_EQ(stuck.Tree(), "A.ARX=old A\nsystem.ini=the system's");
    EXPECT_FALSE(stuck.backend.files.Exists(kSwapJournal));
}

// A first installation of A.ARX (replacing an old one) and C.ARX and D.ARX (new, written under their
// own names), staged and committed; `half` cuts a write off half done.
struct FirstInstallation {
    MemoryBackend backend;
    state::InstallJournal log;
    files::FileTransaction transaction{backend.files,
                                       backend.environment,
                                       log,
                                       {kProduct, kLibrary, kSetup},
                                       {}};

    FirstInstallation() {
        backend.files.AddFolder(kLibrary);
        backend.files.AddFolder(kSetup);
        backend.files.AddFile(In(kProduct, "A.ARX"), "old A");
        for (const char* name : {"A.ARX", "C.ARX", "D.ARX"})
            backend.files.AddFile(In("C:\\Data", name), std::string("new ") + name);
    }

    bool Run() {
        if (!transaction.Begin(0x1A))
            return false;
        std::vector<platform::DirEntry> missing;
        for (const char* name : {"C.ARX", "D.ARX"})
            missing.push_back({name, 0, 9, 0});
        transaction.ExpectNew(kProduct, missing);
        for (const auto& [name, old] :
             {std::pair{"A.ARX", files::OldFile::File}, std::pair{"C.ARX", files::OldFile::None},
              std::pair{"D.ARX", files::OldFile::None}}) {
            platform::ContentCheck copied;
            const auto from = backend.files.OpenToRead(In("C:\\Data", name));
            if (!from || !transaction.Stage(kProduct, name, old, *from, copied, true)) {
                transaction.Rollback();
                return false;
            }
        }
        if (!transaction.Commit()) {
            transaction.Rollback();
            return false;
        }
        transaction.DeleteBackups();
        transaction.OnRecordWritten();
        return true;
    }

    std::string Tree() {
        std::string tree;
        for (const std::string& file : ProductFiles(backend))
            tree += file + "\n";
        return tree;
    }

    // Every file of the product folder that was not there before is named by the journal.
    std::string Unlisted() {
        const std::string journal = backend.files.ReadFile(kSwapJournal).value_or("");
        std::string unlisted;
        for (const std::string& name : backend.files.List(kProduct)) {
            // A staged or backup name by the journal's tag, any other by its own.
            const bool listed = name.rfind("~BX1A_", 0) == 0
                                    ? journal.find("TAG\t1A\r\n") != std::string::npos
                                    : journal.find("\t" + name + "\t") != std::string::npos;
            if (name != "A.ARX" && name != "Brelix扩展绘图库" && !listed)
                unlisted += name + " ";
        }
        return unlisted;
    }
};

// Cut off at every call, a write cut half done or not, then the next run: the files are all new or
// all old, nothing of the run is left, and at the cut no file of the run was unknown to its journal.
// Where the same call failed instead, the run's own rollback leaves all old.
TEST(CutFirstInstallation, EveryNewFileIsListedBeforeItIsWrittenAndGoesWithTheRest) {
    const std::string allNew = "A.ARX=new A.ARX\nC.ARX=new C.ARX\nD.ARX=new D.ARX\n";
    const std::string allOld = "A.ARX=old A\n";
    for (const bool half : {false, true}) {
        for (long cut = 1;; ++cut) {
            FirstInstallation cutOff;
            cutOff.backend.failures.LeaveWritesHalfDone(half);
            cutOff.backend.failures.StopAtCheck(cut);
            const bool done = cutOff.Run();
            cutOff.backend.failures.StopAtCheck(0);
            EXPECT_EQ(done ? "" : cutOff.Unlisted(), "")
                << "cut at " << cut << (half ? ", half written" : "");

            FirstInstallation failing;
            failing.backend.failures.FailCheck(cut);
            if (!failing.Run()) {
                failing.backend.failures.FailCheck(0);
                EXPECT_EQ(failing.Tree(), allOld) << "call " << cut << " failing";
            }

            // The uninstall straight after the cut undoes a swap half done, the new files too.
            FirstInstallation uninstalled;
            uninstalled.backend.failures.LeaveWritesHalfDone(half);
            uninstalled.backend.failures.StopAtCheck(cut);
            (void)uninstalled.Run();
            uninstalled.backend.failures.StopAtCheck(0);
            Recover(uninstalled.backend, uninstalled.log, Recovery::Undo);
            EXPECT_TRUE(uninstalled.Tree() == allNew || uninstalled.Tree() == allOld)
                << "cut at " << cut << ", then the uninstall:\n"
                << uninstalled.Tree();

            Recover(cutOff.backend, cutOff.log, Recovery::FinishOrUndo);
            Recover(cutOff.backend, cutOff.log, Recovery::Undo);
            const std::string tree = cutOff.Tree();
            EXPECT_TRUE(tree == allNew || tree == allOld) << "cut at " << cut << ":\n" << tree;
            if (done)
                break;
            ASSERT_LT(cut, 500);
        }
    }
}

// The run takes back only what is still its own: a file of the user's put in the place of one it
// wrote stays through a rollback and an undo. A journal that cannot list the new files leaves them
// to be staged as the others.
TEST(CutFirstInstallation, TheRunTakesBackOnlyItsOwnNewFiles) {
    struct Case {
        const char* name;
        std::function<void(FirstInstallation&)> then;  // after C.ARX and D.ARX were staged
        std::string tree;
    };
    const auto replaceC = [](FirstInstallation& run) {
        run.backend.files.DeleteName(In(kProduct, "C.ARX"));
        run.backend.files.AddFile(In(kProduct, "C.ARX"), "my C.ARX!");
    };
    const std::vector<Case> cases = {
        {"rolled back",
         [&](FirstInstallation& run) {
             replaceC(run);
             run.transaction.Rollback();
         },
         "A.ARX=old A\nC.ARX=my C.ARX!\n"},
        {"undone",
         [&](FirstInstallation& run) {
             ASSERT_TRUE(run.transaction.Commit());
             replaceC(run);
             EXPECT_TRUE(run.transaction.Undo());
         },
         "A.ARX=old A\nC.ARX=my C.ARX!\n"},
        // One held open by another program cannot go now: the journal keeps it for the next run.
        {"undone while held open",
         [](FirstInstallation& run) {
             ASSERT_TRUE(run.transaction.Commit());
             run.backend.files.Lock(In(kProduct, "C.ARX"));
             EXPECT_FALSE(run.transaction.Undo());
             EXPECT_TRUE(run.backend.files.Exists(kSwapJournal));
             run.backend.files.Unlock(In(kProduct, "C.ARX"));
             Recover(run.backend, run.log, Recovery::FinishOrUndo);
         },
         "A.ARX=old A\n"},
        {"undone, its own",
         [](FirstInstallation& run) {
             ASSERT_TRUE(run.transaction.Commit());
             EXPECT_TRUE(run.transaction.Undo());
         },
         "A.ARX=old A\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FirstInstallation run;
        run.backend.failures.BeforeEveryCheck([&](long) { EXPECT_EQ(run.Unlisted(), ""); });
        ASSERT_TRUE(run.transaction.Begin(0x1A));
        ASSERT_TRUE(run.transaction.ExpectNew(kProduct, {{"C.ARX", 0, 9, 0}, {"D.ARX", 0, 9, 0}}));
        for (const char* name : {"C.ARX", "D.ARX"}) {
            platform::ContentCheck copied;
            const auto from = run.backend.files.OpenToRead(In("C:\\Data", name));
            ASSERT_TRUE(from &&
                        run.transaction.Stage(kProduct, name, files::OldFile::None, *from, copied, true));
        }
        run.backend.failures.BeforeEveryCheck(nullptr);
        EXPECT_EQ(run.Tree(), "A.ARX=old A\nC.ARX=new C.ARX\nD.ARX=new D.ARX\n");
        c.then(run);
        EXPECT_EQ(run.Tree(), c.tree);
        EXPECT_FALSE(run.backend.files.Exists(kSwapJournal));
    }

    FirstInstallation unlisted;
    ASSERT_TRUE(unlisted.transaction.Begin(0x1A));
    unlisted.backend.failures.Fail(Operation::WriteFile, kSwapJournal + ".new", 1);
    EXPECT_FALSE(unlisted.transaction.ExpectNew(kProduct, {{"C.ARX", 0, 9, 0}}));
    platform::ContentCheck copied;
    const auto from = unlisted.backend.files.OpenToRead("C:\\Data\\C.ARX");
    ASSERT_TRUE(from &&
                unlisted.transaction.Stage(kProduct, "C.ARX", files::OldFile::None, *from, copied, true));
    EXPECT_EQ(unlisted.Tree(), "A.ARX=old A\n~BX1A_1.NEW=new C.ARX\n");
    ASSERT_TRUE(unlisted.transaction.Commit());
    EXPECT_EQ(unlisted.Tree(), "A.ARX=old A\nC.ARX=new C.ARX\n");
}

}  // namespace
