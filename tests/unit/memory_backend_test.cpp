// The in-memory backend is what every logic test stands on: these cases pin the Windows rules it
// imitates where the contract tests cannot (failures, locks, listing order, progress wrap).
#include <gtest/gtest.h>

#include "platform/memory/memory_backend.h"

namespace {

using platform::DirEntry;
using platform::KeyAccess;
using platform::ReadStatus;
using platform::RootKey;
using namespace platform::memory;

std::vector<std::string> ListAll(MemoryFileSystem& files, const std::string& pattern) {
    std::vector<std::string> names;
    DirEntry entry;
    auto search = files.FindFirst(pattern, entry);
    if (!search)
        return names;
    do
        names.push_back(entry.name);
    while (search->Next(entry));
    return names;
}

TEST(MemoryFileSystemTest, ListsDotsFirstThenEntriesInChosenOrder) {
    MemoryBackend backend;
    backend.files.AddFile("C:\\Src\\b.txt", "b");
    backend.files.AddFolder("C:\\Src\\Sub");
    backend.files.AddFile("C:\\Src\\A.txt", "a");
    EXPECT_EQ(ListAll(backend.files, "C:\\Src\\*.*"),
              (std::vector<std::string>{".", "..", "A.txt", "b.txt", "Sub"}));
    backend.files.SetListingOrder(ListingOrder::Creation);
    EXPECT_EQ(ListAll(backend.files, "C:\\Src\\*.*"),
              (std::vector<std::string>{".", "..", "b.txt", "Sub", "A.txt"}));
    EXPECT_EQ(ListAll(backend.files, "c:\\src\\a.TXT"), (std::vector<std::string>{"A.txt"}));
    EXPECT_TRUE(ListAll(backend.files, "C:\\Missing\\*.*").empty());
}

TEST(MemoryFileSystemTest, CopyKeepsTargetSpellingAndRefusesReadOnlyOrLockedTargets) {
    MemoryBackend backend;
    auto& files = backend.files;
    files.AddFile("C:\\S\\new.cfg", "new", platform::kAttrArchive | platform::kAttrReadOnly);
    files.AddFile("C:\\T\\NEW.CFG", "old");
    ASSERT_TRUE(files.CopyFile("C:\\S\\new.cfg", "C:\\T\\new.cfg", false));
    EXPECT_EQ(files.List("C:\\T"), std::vector<std::string>{"NEW.CFG"});
    EXPECT_EQ(files.ReadFile("C:\\T\\NEW.CFG"), "new");
    EXPECT_TRUE(*files.GetAttributes("C:\\T\\NEW.CFG") & platform::kAttrReadOnly);

    EXPECT_FALSE(files.CopyFile("C:\\S\\new.cfg", "C:\\T\\NEW.CFG", false)) << "read-only target";
    EXPECT_FALSE(files.DeleteFile("C:\\T\\NEW.CFG")) << "read-only file";
    files.SetAttributes("C:\\T\\NEW.CFG", platform::kAttrArchive);
    files.Lock("C:\\T\\NEW.CFG");
    EXPECT_FALSE(files.CopyFile("C:\\S\\new.cfg", "C:\\T\\NEW.CFG", false)) << "locked target";
    files.Unlock("C:\\T\\NEW.CFG");
    EXPECT_TRUE(files.DeleteFile("C:\\T\\NEW.CFG"));
    EXPECT_FALSE(files.CopyFile("C:\\S\\new.cfg", "C:\\Missing\\x.cfg", false)) << "missing parent";
}

TEST(MemoryFileSystemTest, FoldersAreCreatedOneLevelAndRemovedOnlyWhenEmpty) {
    MemoryBackend backend;
    auto& files = backend.files;
    EXPECT_FALSE(files.CreateDirectory("C:\\A\\B")) << "parent missing";
    EXPECT_TRUE(files.CreateDirectory("C:\\A\\"));
    EXPECT_FALSE(files.CreateDirectory("C:\\a")) << "exists, in another case";
    EXPECT_TRUE(files.CreateDirectory("C:\\A\\B"));
    EXPECT_FALSE(files.RemoveDirectory("C:\\A"));
    EXPECT_TRUE(files.RemoveDirectory("C:\\A\\B"));
    EXPECT_FALSE(files.CreateDirectory("Q:\\X")) << "no such drive";
    EXPECT_EQ(files.GetAttributes("C:\\A"), platform::kAttrDirectory);
}

TEST(MemoryFailureInjectionTest, FailsTheNamedCallTheGivenNumberOfTimes) {
    MemoryBackend backend;
    backend.files.AddFile("C:\\S\\a.arx", "x");
    backend.failures.Fail(Operation::CopyFile, "c:\\t\\A.ARX", 2);
    backend.files.AddFolder("C:\\T");
    EXPECT_FALSE(backend.files.CopyFile("C:\\S\\a.arx", "C:\\T\\a.arx", false));
    EXPECT_FALSE(backend.files.CopyFile("C:\\S\\a.arx", "C:\\T\\a.arx", false));
    EXPECT_TRUE(backend.files.CopyFile("C:\\S\\a.arx", "C:\\T\\a.arx", false));

    backend.registry.SetString(RootKey::LocalMachine, "SOFTWARE\\Brelix", "Brelix_Path", "D:\\X");
    backend.failures.Fail(Operation::OpenKey, "HKLM\\SOFTWARE\\Brelix");
    auto hklm = backend.registry.OpenRoot(RootKey::LocalMachine);
    EXPECT_EQ(hklm->Open("Software\\Brelix", KeyAccess::Read), nullptr);
}

// The system the in-memory registry models: a 64-bit program implies a 64-bit Windows.
TEST(MemoryRegistryTest, SystemBitnessIsTheSystemsOrSixtyFourForASixtyFourBitProgram) {
    const struct {
        int program;
        int system;  // 0: not set
        int expected;
    } cases[] = {{32, 0, 32}, {32, 32, 32}, {32, 64, 64}, {64, 0, 64}, {64, 32, 64}, {64, 64, 64}};
    for (const auto& c : cases) {
        MemoryBackend backend;
        backend.registry.SetProgramBitness(c.program);
        if (c.system != 0)
            backend.registry.SetSystemBitness(c.system);
        EXPECT_EQ(backend.registry.SystemBitness(), c.expected) << c.program << " on " << c.system;
    }
}

TEST(MemoryRegistryTest, EnforcesAccessSizesAndLeafOnlyDeletes) {
    MemoryBackend backend;
    auto& registry = backend.registry;
    registry.SetString(RootKey::CurrentUser, "A\\B\\C", "V", std::string(300, 'x'));
    auto hkcu = registry.OpenRoot(RootKey::CurrentUser);
    auto readKey = hkcu->Open("a\\b\\c\\", KeyAccess::Read);
    ASSERT_NE(readKey, nullptr) << "one trailing backslash is accepted";
    EXPECT_EQ(readKey->ReadValue("V", 256).status, ReadStatus::TooLarge);
    EXPECT_EQ(readKey->ReadValue("V", 301).status, ReadStatus::Ok);
    EXPECT_FALSE(readKey->WriteString("W", "no")) << "opened for reading";
    EXPECT_EQ(hkcu->Open("A\\\\B", KeyAccess::Read), nullptr);

    auto writeKey = hkcu->Open("A", KeyAccess::Write);
    EXPECT_FALSE(writeKey->ReadValue("X", 10).ok());
    EXPECT_FALSE(hkcu->DeleteSubkey("A\\B")) << "has subkeys";
    EXPECT_TRUE(hkcu->DeleteSubkey("A\\B\\C"));
    EXPECT_FALSE(readKey->ReadValue("V", 301).ok()) << "handle of a deleted key";
    EXPECT_EQ(registry.SubkeyNames(RootKey::CurrentUser, "A\\B"), std::vector<std::string>{});
}

TEST(RecordingProgressBarTest, StepPastTheMaximumStartsAgainFromTheMinimum) {
    RecordingProgressBar bar;
    bar.SetRange(0, 2);
    bar.SetStep(1);
    bar.SetPos(0);
    std::vector<int> positions;
    for (int i = 0; i < 4; ++i) {
        bar.StepIt();
        positions.push_back(bar.position);
    }
    EXPECT_EQ(positions, (std::vector<int>{1, 2, 0, 1}));
    EXPECT_EQ(bar.StepCount(), 4);
}

}  // namespace
