// The benchmark's floors on the real Win32 API: the raw copy takes exactly the files the wizard's walk
// would have copied, and the raw walk opens every key once, so that the ratios compare like with like.

#include "platform/win32/win32_api.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bench/raw_copy.h"
#include "bench/raw_registry_walk.h"
#include "tests/wine/platform_win32_test_support.h"

namespace {

struct CopyCase {
    const char* name;
    std::vector<std::string> files;    // in the source folder
    std::vector<std::string> folders;  // in the source folder
    int count;
    int copied;
    std::vector<std::string> target;  // listing of the target folder afterwards
};

TEST(BenchFloor, RawCopyTakesTheFirstFilesOfTheListingAndSkipsFolders) {
    const std::vector<CopyCase> cases = {
        {"all files", {"a.bin", "b.bin", "c.bin"}, {}, 10, 3, {"a.bin", "b.bin", "c.bin"}},
        {"only the first two in listing order", {"c.bin", "a.bin", "b.bin"}, {}, 2, 2, {"a.bin", "b.bin"}},
        {"folders neither copied nor counted",
         {"a.bin", "z.bin"},
         {"m", "SetUp_Temp1"},
         2,
         2,
         {"a.bin", "z.bin"}},
        {"an empty source", {}, {}, 5, 0, {}},
    };
    const std::string root =
        win32test::ScratchFolderRoot() + "\\bench-copy-" + std::to_string(win32test::ProcessId());
    for (const CopyCase& row : cases) {
        SCOPED_TRACE(row.name);
        win32test::DeleteFolderTree(root);
        const std::string source = root + "\\source";
        const std::string target = root + "\\target";
        ASSERT_TRUE(win32test::CreateFolderPath(source));
        ASSERT_TRUE(win32test::CreateFolderPath(target));
        for (const std::string& file : row.files)
            ASSERT_TRUE(win32test::WriteWholeFile(source + "\\" + file, "content of " + file));
        for (const std::string& folder : row.folders)
            ASSERT_TRUE(win32test::CreateFolderPath(source + "\\" + folder));

        EXPECT_EQ(bench::CopyFirstFiles(source, target, row.count), row.copied);
        EXPECT_EQ(win32test::FolderNames(target), row.target);
        for (const std::string& file : row.target)
            EXPECT_EQ(win32test::ReadWholeFile(target + "\\" + file), "content of " + file);

        // The staged floor replaces the same files with their next version and leaves no other name.
        for (const std::string& file : row.files)
            ASSERT_TRUE(win32test::WriteWholeFile(source + "\\" + file, "next " + file));
        EXPECT_EQ(bench::StageFirstFiles(source, target, row.count), row.copied);
        EXPECT_EQ(win32test::FolderNames(target), row.target);
        for (const std::string& file : row.target)
            EXPECT_EQ(win32test::ReadWholeFile(target + "\\" + file), "next " + file);
    }
    win32test::DeleteFolderTree(root);
    win32test::RemoveEmptyScratchRoots();
}

struct WalkCase {
    const char* name;
    std::vector<std::string> keys;  // below the walked root
    int opened;                     // the root included
};

TEST(BenchFloor, RawWalkOpensEveryKeyBelowTheRootOnce) {
    const std::vector<WalkCase> cases = {
        {"a root without subkeys", {}, 1},
        {"releases and products",
         {"R18.0\\ACAD-8001:804", "R18.0\\ACAD-8002:804", "R24.0\\ACAD-4101:804"},
         6},
        {"deep paths", {"R1\\A\\B\\C\\D"}, 6},
    };
    const std::string root =
        std::string(win32test::kScratchKeyRoot) + "\\BenchWalk" + std::to_string(win32test::ProcessId());
    for (const WalkCase& row : cases) {
        SCOPED_TRACE(row.name);
        win32test::DeleteKeyTree(root);
        ASSERT_TRUE(win32test::CreateKeyPath(root));
        for (const std::string& key : row.keys)
            ASSERT_TRUE(win32test::CreateKeyPath(root + "\\" + key));
        EXPECT_EQ(bench::WalkKeys(HKEY_CURRENT_USER, root.c_str()), row.opened);
    }
    win32test::DeleteKeyTree(root);
    EXPECT_EQ(bench::WalkKeys(HKEY_CURRENT_USER, root.c_str()), 0);
}

}  // namespace
