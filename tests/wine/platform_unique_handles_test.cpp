// The owning handle wrappers: each handle is closed exactly once, by its last owner, and the
// predefined registry roots are never closed.

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/win32/unique_handles.h"
#include "tests/wine/platform_win32_test_support.h"

// tlhelp32.h needs the types of windows.h, which unique_handles.h brings in.
#include <tlhelp32.h>

namespace {

using platform::win32::IsPredefinedKey;
using platform::win32::UniqueFind;
using platform::win32::UniqueKey;
using platform::win32::UniqueSnapshot;

// True while `handle` is an open kernel handle of this process.
bool IsOpen(HANDLE handle) {
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != FALSE;
}

// True while `key` is an open registry key.
bool IsOpenKey(HKEY key) {
    DWORD subkeys = 0;
    return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

HKEY OpenScratchKey() {
    HKEY key = nullptr;
    RegCreateKeyA(HKEY_CURRENT_USER, win32test::kScratchKeyRoot, &key);
    return key;
}

HANDLE TakeSnapshot() {
    return CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
}

class UniqueHandles : public ::testing::Test {
  protected:
    void TearDown() override { win32test::RemoveEmptyScratchRoots(); }
};

TEST_F(UniqueHandles, KeyIsClosedOnceByItsLastOwner) {
    const HKEY raw = OpenScratchKey();
    ASSERT_NE(raw, nullptr);
    {
        UniqueKey first(raw);
        UniqueKey second(std::move(first));
        EXPECT_EQ(first.get(), nullptr);
        EXPECT_FALSE(first);
        EXPECT_EQ(second.get(), raw);
        EXPECT_TRUE(IsOpenKey(raw));
        UniqueKey third;
        third = std::move(second);
        EXPECT_TRUE(IsOpenKey(raw));
    }
    EXPECT_FALSE(IsOpenKey(raw));
}

TEST_F(UniqueHandles, PutClosesTheHandleHeldBeforeTheApiFillsInANewOne) {
    UniqueSnapshot snapshot(TakeSnapshot());
    const HANDLE old = snapshot.get();
    ASSERT_TRUE(IsOpen(old));
    HANDLE* slot = snapshot.put();
    EXPECT_FALSE(IsOpen(old));
    EXPECT_EQ(*slot, INVALID_HANDLE_VALUE);
    *slot = TakeSnapshot();
    EXPECT_TRUE(snapshot);
    EXPECT_TRUE(IsOpen(snapshot.get()));
}

TEST_F(UniqueHandles, ReleasedKeyIsLeftOpenForTheCaller) {
    HKEY raw = nullptr;
    {
        UniqueKey key(OpenScratchKey());
        raw = key.release();
        EXPECT_FALSE(key);
    }
    EXPECT_TRUE(IsOpenKey(raw));
    RegCloseKey(raw);
}

TEST_F(UniqueHandles, OnlyTheSystemRootsArePredefined) {
    for (HKEY root :
         {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT, HKEY_USERS, HKEY_CURRENT_CONFIG}) {
        EXPECT_TRUE(IsPredefinedKey(root));
    }
    UniqueKey opened(OpenScratchKey());
    EXPECT_FALSE(IsPredefinedKey(opened.get()));
    EXPECT_FALSE(IsPredefinedKey(nullptr));
    { UniqueKey root(HKEY_CURRENT_USER); }
    EXPECT_TRUE(IsOpenKey(HKEY_CURRENT_USER));
}

TEST_F(UniqueHandles, SnapshotMovedOntoAnotherClosesTheOneItReplaces) {
    const HANDLE a = TakeSnapshot();
    const HANDLE b = TakeSnapshot();
    ASSERT_NE(a, INVALID_HANDLE_VALUE);
    ASSERT_NE(b, INVALID_HANDLE_VALUE);
    {
        UniqueSnapshot first(a);
        UniqueSnapshot second(b);
        first = std::move(second);
        EXPECT_FALSE(IsOpen(a));
        EXPECT_TRUE(IsOpen(b));
        EXPECT_EQ(second.get(), INVALID_HANDLE_VALUE);
        EXPECT_FALSE(second);
    }
    EXPECT_FALSE(IsOpen(b));
}

TEST_F(UniqueHandles, FailedApiResultsAreNoHandleAndCloseNothing) {
    UniqueSnapshot snapshot(INVALID_HANDLE_VALUE);
    EXPECT_FALSE(snapshot);
    WIN32_FIND_DATAA data{};
    UniqueFind find(FindFirstFileA("Z:\\no such folder\\*.*", &data));
    EXPECT_FALSE(find);
    find.reset();
    EXPECT_EQ(find.get(), INVALID_HANDLE_VALUE);
}

TEST_F(UniqueHandles, FindHandleWorksUntilItsOwnerCloses) {
    char buffer[MAX_PATH] = {};
    ASSERT_GT(GetTempPathA(sizeof buffer, buffer), 0u);
    WIN32_FIND_DATAA data{};
    UniqueFind find(FindFirstFileA((std::string(buffer) + "*.*").c_str(), &data));
    ASSERT_TRUE(find);
    EXPECT_STREQ(data.cFileName, ".");
    const HANDLE raw = find.get();
    EXPECT_TRUE(FindNextFileA(raw, &data));
    find.reset();
    EXPECT_FALSE(FindNextFileA(raw, &data));
}

}  // namespace
