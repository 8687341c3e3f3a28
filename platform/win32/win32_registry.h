#pragma once
// The registry over advapi32's ANSI functions. Names and data are code-page-936 bytes as the
// A functions take them; no registry-view flag is passed, so the program's bitness picks the view.

#include <memory>
#include <optional>
#include <string>

#include "platform/registry.h"
#include "platform/win32/unique_handles.h"

namespace platform::win32 {

class Win32RegistryKey : public RegistryKey {
  public:
    explicit Win32RegistryKey(UniqueKey key) : key_(std::move(key)) {}

    // Default access uses RegOpenKeyA; Read and Write use RegOpenKeyExA with KEY_READ / KEY_WRITE.
    // An empty path opens a new handle to this key (RegOpenKeyA would hand back this very handle,
    // which both owners would then close). nullptr on failure.
    std::unique_ptr<RegistryKey> Open(const std::string& path, KeyAccess access) override;
    // RegCreateKeyA; an empty path opens a new handle to this key. nullptr on failure.
    std::unique_ptr<RegistryKey> Create(const std::string& path) override;

    // RegQueryInfoKeyA; nullopt on failure.
    std::optional<std::uint32_t> SubkeyCount() override;
    // RegEnumKeyExA into `capacity` bytes; nullopt on failure, past the end and when it does not fit.
    std::optional<std::string> SubkeyName(std::uint32_t index, std::size_t capacity) override;

    // RegQueryValueExA into `capacity` bytes. Ok: `type` and `data` hold the value. TooLarge
    // (ERROR_MORE_DATA): `type` is the stored type, `data` is empty. Missing / Failed: both empty.
    ValueRead ReadValue(const std::string& name, std::size_t capacity) override;
    // RegSetValueExA; false leaves the value as it was.
    bool WriteString(const std::string& name, const std::string& text) override;
    bool WriteDword(const std::string& name, std::uint32_t value) override;
    // RegDeleteValueA; false when missing or not allowed.
    bool DeleteValue(const std::string& name) override;
    // RegDeleteKeyA; false for an empty path (which would delete this key itself), a missing key and
    // a key with subkeys.
    bool DeleteSubkey(const std::string& path) override;

    HKEY handle() const { return key_.get(); }

  private:
    UniqueKey key_;
};

class Win32Registry : public Registry {
  public:
    // RegOpenKeyA with no subkey: the predefined root itself, which is never closed.
    std::unique_ptr<RegistryKey> OpenRoot(RootKey root) override;
};

}  // namespace platform::win32
