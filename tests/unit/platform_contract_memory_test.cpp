// The platform contract cases against the in-memory backend that the logic tests use.

#include "platform/memory/memory_backend.h"
#include "tests/contract/files_contract.h"
#include "tests/contract/processes_contract.h"
#include "tests/contract/registry_contract.h"
#include "tests/contract/registry_text_contract.h"

namespace {

using platform::RootKey;

class MemoryBackendUnderTest : public contract::BackendUnderTest {
  public:
    MemoryBackendUnderTest() {
        backend_.registry.CreateKey(RootKey::CurrentUser, ScratchKeyPath());
        backend_.files.AddFolder(ScratchFolder());
        // A running program as the system shows it: its file, its process, its folders.
        backend_.files.AddFile("C:\\Setup\\SetUp.exe", "MZ");
        backend_.files.SetProgramPath("C:\\Setup\\SetUp.exe");
        backend_.files.AddFolder("C:\\Users\\User\\Temp");
        backend_.files.SetTempDirectory("C:\\Users\\User\\Temp");
        backend_.files.SetCurrentDirectory("C:\\Setup");
        backend_.processes.names = {"[System Process]", "explorer.exe", "SetUp.exe"};
        backend_.processes.processId = 108;  // SetUp.exe's, third in the list
    }

    platform::Services services() override { return backend_.services(); }
    std::string ScratchKeyPath() const override { return "Software\\BrelixPlatformTests"; }
    std::string ScratchFolder() const override { return "C:\\Scratch"; }

    bool WriteFile(const std::string& path, const std::string& content) override {
        const auto parent = path.substr(0, text936::FindLastBackslash(path));
        const auto attributes = backend_.files.GetAttributes(parent);
        if (!attributes || !(*attributes & platform::kAttrDirectory))
            return false;
        backend_.files.AddFile(path, content);
        return true;
    }
    std::optional<std::string> ReadFile(const std::string& path) override {
        return backend_.files.ReadFile(path);
    }
    bool WriteScratchValue(const std::string& name, std::uint32_t type, const std::string& data) override {
        backend_.registry.SetValue(RootKey::CurrentUser, ScratchKeyPath(), name, type, data);
        return true;
    }
    void SetVariable(const std::string& name, const std::string& value) override {
        backend_.environment.Set(name, value);
    }
    bool MakeHardLink(const std::string& path, const std::string& existing) override {
        backend_.files.AddHardLink(path, existing);
        return backend_.files.Exists(path);
    }
    bool MakeFileLink(const std::string& path, const std::string& target) override {
        backend_.files.AddLink(path, target, false);
        return backend_.files.Exists(path);
    }
    bool MakeFolderLink(const std::string& path, const std::string& target) override {
        backend_.files.AddLink(path, target, true);
        return backend_.files.Exists(path);
    }
    bool ProtectsReadOnlyTargets() const override { return true; }

  private:
    platform::memory::MemoryBackend backend_;
};

const contract::BackendKind kMemory{"Memory", [] { return std::make_unique<MemoryBackendUnderTest>(); }};

}  // namespace

namespace contract {
INSTANTIATE_TEST_SUITE_P(Memory, RegistryContract, ::testing::Values(kMemory), BackendKindName);
INSTANTIATE_TEST_SUITE_P(Memory, RegistryTextContract, ::testing::Values(kMemory), BackendKindName);
INSTANTIATE_TEST_SUITE_P(Memory, FilesContract, ::testing::Values(kMemory), BackendKindName);
INSTANTIATE_TEST_SUITE_P(Memory, ProcessesContract, ::testing::Values(kMemory), BackendKindName);
}  // namespace contract
