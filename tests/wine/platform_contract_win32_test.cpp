// The platform contract cases against the real Win32 backend. Each test gets a scratch key below
// HKEY_CURRENT_USER and a scratch folder in the temporary folder, both removed before and after.

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "platform/win32/win32_api.h"
#include "platform/win32/win32_backend.h"
#include "tests/contract/files_contract.h"
#include "tests/contract/processes_contract.h"
#include "tests/contract/registry_contract.h"
#include "tests/contract/registry_text_contract.h"
#include "tests/wine/platform_win32_test_support.h"

namespace {

class Win32BackendUnderTest : public contract::BackendUnderTest {
  public:
    Win32BackendUnderTest() {
        static std::atomic<int> next{0};
        const std::string name = std::to_string(win32test::ProcessId()) + "-" + std::to_string(++next);
        key_ = std::string(win32test::kScratchKeyRoot) + "\\" + name;
        folder_ = win32test::ScratchFolderRoot() + "\\" + name;
        win32test::DeleteKeyTree(key_);
        win32test::DeleteFolderTree(folder_);
        win32test::CreateKeyPath(key_);
        win32test::CreateFolderPath(folder_);
    }
    ~Win32BackendUnderTest() override {
        win32test::DeleteKeyTree(key_);
        win32test::DeleteFolderTree(folder_);
        win32test::RemoveEmptyScratchRoots();
    }

    platform::Services services() override { return backend_.services(); }
    std::string ScratchKeyPath() const override { return key_; }
    std::string ScratchFolder() const override { return folder_; }
    bool WriteFile(const std::string& path, const std::string& content) override {
        return win32test::WriteWholeFile(path, content);
    }
    std::optional<std::string> ReadFile(const std::string& path) override {
        return win32test::ReadWholeFile(path);
    }
    bool WriteScratchValue(const std::string& name, std::uint32_t type, const std::string& data) override {
        return win32test::SetRawValue(key_, name, type, data);
    }
    void SetVariable(const std::string& name, const std::string& value) override {
        win32test::SetVariable(name, value);
    }
    bool MakeHardLink(const std::string& path, const std::string& existing) override {
        return CreateHardLinkA(path.c_str(), existing.c_str(), nullptr) != FALSE;
    }
    bool MakeFileLink(const std::string& path, const std::string& target) override {
        return CreateSymbolicLinkA(path.c_str(), target.c_str(), 0) != FALSE;
    }
    bool MakeFolderLink(const std::string& path, const std::string& target) override {
        return CreateSymbolicLinkA(path.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) != FALSE;
    }
    // Wine lets root overwrite a read-only file; the harness says when it runs the tests as another user.
    bool ProtectsReadOnlyTargets() const override {
        return !win32test::RunningUnderWine() || win32test::RunningUnprivileged();
    }

  private:
    platform::win32::Win32Backend backend_;
    std::string key_;
    std::string folder_;
};

const contract::BackendKind kWin32{"Win32", [] { return std::make_unique<Win32BackendUnderTest>(); }};

}  // namespace

namespace contract {
INSTANTIATE_TEST_SUITE_P(Win32, RegistryContract, ::testing::Values(kWin32), BackendKindName);
INSTANTIATE_TEST_SUITE_P(Win32, RegistryTextContract, ::testing::Values(kWin32), BackendKindName);
INSTANTIATE_TEST_SUITE_P(Win32, FilesContract, ::testing::Values(kWin32), BackendKindName);
INSTANTIATE_TEST_SUITE_P(Win32, ProcessesContract, ::testing::Values(kWin32), BackendKindName);
}  // namespace contract

namespace {

// A module that is loaded cannot be deleted (Windows lets it be renamed only): its name stays, and
// the deletion says so, so that the installation leaves it for the next restart.
TEST(Win32Files, ALoadedModuleStaysAndItsDeletionSaysSo) {
    Win32BackendUnderTest scratch;
    char program[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(nullptr, program, MAX_PATH), 0u);
    const std::string module = scratch.ScratchFolder() + "\\loaded.exe";
    ASSERT_TRUE(CopyFileA(program, module.c_str(), FALSE));
    platform::win32::Win32FileSystem files;
    HMODULE loaded = LoadLibraryA(module.c_str());
    ASSERT_NE(loaded, nullptr);
    EXPECT_FALSE(files.DeleteName(module));
    EXPECT_TRUE(files.GetAttributes(module));
    FreeLibrary(loaded);
    EXPECT_TRUE(files.DeleteName(module));
    EXPECT_FALSE(files.GetAttributes(module));
}

// The reads overlap on threads of their own (a few), which is what makes a large registry's
// discovery quicker than one walk of it: however few there are, the calling thread reads too, and the
// call returns only when the slowest read has ended.
TEST(Win32Registry, ConcurrentReadsShareTheWorkAmongAFewThreadsAndAllEndFirst) {
    platform::win32::Win32Registry registry;
    const DWORD caller = GetCurrentThreadId();
    for (std::size_t count : {2u, 3u, 4u, 9u}) {
        std::vector<DWORD> threadOf(count, 0);
        std::vector<int> ended(count, 0);
        registry.ReadConcurrently(count, [&](std::size_t i) {
            threadOf[i] = GetCurrentThreadId();
            // The other threads' reads outlast the caller's, so that a call returning early shows.
            Sleep(threadOf[i] == caller ? 40 : 100);
            ++ended[i];
        });
        EXPECT_EQ(ended, std::vector<int>(count, 1)) << count << " reads";
        EXPECT_NE(std::find(threadOf.begin(), threadOf.end(), caller), threadOf.end()) << count << " reads";
        std::sort(threadOf.begin(), threadOf.end());
        const auto threads = std::unique(threadOf.begin(), threadOf.end()) - threadOf.begin();
        EXPECT_GE(threads, 2) << count << " reads";
        EXPECT_LE(threads, 4) << count << " reads";
    }
}

}  // namespace
