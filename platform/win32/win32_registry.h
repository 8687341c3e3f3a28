#pragma once
// The registry over advapi32's ANSI functions. Names and data are code-page-936 bytes as the
// A functions take them; no registry-view flag is passed, so the program's bitness picks the view.

#include <memory>

#include "platform/registry.h"

namespace platform::win32 {

// Keys handed out behave as follows.
// - Open: Default access uses RegOpenKeyA; Read and Write use RegOpenKeyExA with KEY_READ / KEY_WRITE.
//   An empty path opens a new handle to the same key (RegOpenKeyA would hand back the very handle it
//   was given, which both owners would then close). nullptr on failure.
// - Create: RegCreateKeyA; an empty path opens a new handle to the same key. nullptr on failure.
// - SubkeyCount (RegQueryInfoKeyA): nullopt on failure.
// - SubkeyName (RegEnumKeyExA into `capacity` bytes): nullopt on failure, past the end and when the
//   name does not fit.
// - ReadValue (RegQueryValueExA into `capacity` bytes): Ok gives `type` and `data`; TooLarge
//   (ERROR_MORE_DATA) gives the stored `type` and empty `data`; Missing and Failed give both empty.
// - WriteString, WriteDword (RegSetValueExA): false leaves the value as it was.
// - DeleteValue (RegDeleteValueA): false when missing or not allowed.
// - DeleteSubkey (RegDeleteKeyA): false for an empty path (which would delete the key itself), for a
//   missing key and for a key with subkeys.
// Each key closes its handle when destroyed; the predefined roots are never closed.
class Win32Registry : public Registry {
  public:
    // RegOpenKeyA with no subkey: the predefined root itself, which is never closed.
    std::unique_ptr<RegistryKey> OpenRoot(RootKey root) override;
    // In a forced view every open, create and delete below the root goes through the Ex forms
    // with KEY_WOW64_32KEY or KEY_WOW64_64KEY (RegOpenKeyA and RegCreateKeyA take no view).
    std::unique_ptr<RegistryKey> OpenRoot(RootKey root, RegistryView view) override;
    // 64 for the 64-bit build; for the 32-bit build, 64 when IsWow64Process (looked up at run time)
    // says it runs under WOW64, else 32. Asked once and remembered.
    int SystemBitness() override;
    // On up to four threads, the calling one among them, each taking the next index not yet taken:
    // a read of the registry waits on the system for most of its time, so several overlap. Where a
    // thread cannot be started, those there are do the rest.
    void ReadConcurrently(std::size_t count, const std::function<void(std::size_t)>& read) override;

  private:
    int systemBitness_ = 0;  // 0 until asked
};

}  // namespace platform::win32
