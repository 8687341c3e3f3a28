#pragma once
// An in-memory registry with Windows' rules: case-insensitive names that keep their spelling,
// subkeys enumerated sorted, values in creation order, a key with subkeys cannot be deleted,
// a value larger than the reader's buffer is not read. Keys opened for reading cannot write
// and keys opened for writing cannot read, as with real access rights.
//
// Views: the tree is the registry as a program of the system's bitness sees it in its own view.
// A 32-bit program is taken to run on a 32-bit system, where every view is that one tree, unless
// the system is set to 64 bits. On a 64-bit system the 32-bit view of HKLM\SOFTWARE\<X> is
// HKLM\SOFTWARE\Wow6432Node\<X>: opens, creates and subkey deletes below a root opened in that view
// (for a 32-bit program also its own, default view) are redirected.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/memory/failures.h"
#include "platform/registry.h"

namespace platform::memory {

struct StoredValue {
    std::uint32_t type = 0;
    std::string data;  // raw bytes

    std::string Text() const { return data.substr(0, data.find('\0')); }
    bool operator==(const StoredValue& other) const { return type == other.type && data == other.data; }
};

struct RegistryNode;

class MemoryRegistry : public Registry {
  public:
    explicit MemoryRegistry(FailureInjector& failures);
    ~MemoryRegistry() override;

    std::unique_ptr<RegistryKey> OpenRoot(RootKey root) override;
    std::unique_ptr<RegistryKey> OpenRoot(RootKey root, RegistryView view) override;
    // The system set below: 64 with a 64-bit program or a 64-bit system, else 32.
    int SystemBitness() override { return programBits_ == 64 ? 64 : systemBits_; }
    // One at a time, from the last index to the first, so that a caller relying on the order the
    // reads end in shows it here.
    void ReadConcurrently(std::size_t count, const std::function<void(std::size_t)>& read) override {
        for (std::size_t i = count; i > 0; --i)
            read(i - 1);
    }

    // 32 (the default) or 64.
    void SetProgramBitness(int bits) { programBits_ = bits; }
    // 32 (the default) or 64; a 64-bit program implies a 64-bit system.
    void SetSystemBitness(int bits) { systemBits_ = bits; }

    // Test set-up and inspection; paths are relative to the root, levels separated by "\".
    void CreateKey(RootKey root, const std::string& path);
    void SetString(RootKey root, const std::string& path, const std::string& name, const std::string& text);
    void SetDword(RootKey root, const std::string& path, const std::string& name, std::uint32_t value);
    void SetValue(RootKey root,
                  const std::string& path,
                  const std::string& name,
                  std::uint32_t type,
                  const std::string& data);
    bool KeyExists(RootKey root, const std::string& path) const;
    std::optional<StoredValue> GetValue(RootKey root, const std::string& path, const std::string& name) const;
    std::vector<std::string> SubkeyNames(RootKey root, const std::string& path) const;
    std::vector<std::string> ValueNames(RootKey root, const std::string& path) const;
    // The whole tree, one line per key and value, for before/after comparisons.
    std::string Dump() const;

    // Shared with open keys.
    FailureInjector& failures() { return failures_; }

  private:
    FailureInjector& failures_;
    int programBits_ = 32;
    int systemBits_ = 32;
    std::shared_ptr<RegistryNode> localMachine_;
    std::shared_ptr<RegistryNode> currentUser_;

    std::shared_ptr<RegistryNode> RootNode(RootKey root) const;
};

// Root names used in dumps and failure paths.
const char* RootName(RootKey root);

}  // namespace platform::memory
